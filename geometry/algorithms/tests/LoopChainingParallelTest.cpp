// Chaining on several threads at once: each thread chains its own copy of the
// same loose curves; every thread must find exactly the loops one serial run
// finds. The curves' displays and boxes are prepared before the threads start,
// as callers that share work between threads do.
#include "LoopFixtures.h"

#include "geometry/shapes2d/GeArc.h"

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace looptest;

class ChainingParallelTest : public LoopTest {};

// Closed polygons and arcs on a lattice, each cut into pieces with small
// gaps, shuffled and partly reversed; plus a few open runs.
void MakeInput(CurveList& out)
{
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double pi = std::numbers::pi;
    for (int cell = 0; cell < 36; ++cell) {
        const double cx = 10.0 * (cell % 6), cy = 10.0 * (cell / 6);
        const int n = 3 + static_cast<int>(rng() % 7);
        const double phase = 2 * pi * unit(rng);
        for (int k = 0; k < n; ++k) {
            const double a0 = phase + 2 * pi * k / n, a1 = phase + 2 * pi * (k + 1) / n;
            const double gap = 0.004 * unit(rng);
            const double s[2] = {cx + 4 * std::cos(a0) + gap, cy + 4 * std::sin(a0)};
            const double e[2] = {cx + 4 * std::cos(a1), cy + 4 * std::sin(a1)};
            if (k % 3 == 1) {
                auto* arc = new CGeArc;
                if (arc->CreateSEAngle(s, e, 0.4)) {
                    arc->Discrete(gGetCrvDiscTol());
                    out.AddTail(arc);
                    continue;
                }
                delete arc;
            }
            out.AddTail(Line(s[0], s[1], e[0], e[1]));
        }
        if (cell % 7 == 0) out.AddTail(Line(cx - 1, cy, cx + 1, cy + 0.5));  // an open piece
    }
    ShuffleAndReverse(out, 5);
}

struct Found {
    int members;
    double start[2], end[2], length, area;
};

std::vector<Found> Chain(CurveList& curves)
{
    OwnedLoops loops;
    CGeTool2D tool;
    tool.ReCreateLoopEx(&curves, &loops.list, 0.01, false, true);
    std::vector<Found> found;
    for (CGeLoop* l : loops.list) {
        Found f{};
        f.members = static_cast<int>(l->GetCurveList().GetCount());
        l->GetStartPoint(f.start);
        l->GetEndPoint(f.end);
        f.length = l->EvTotalArcLength();
        f.area = l->EvArea(0.01);
        found.push_back(f);
    }
    return found;
}

TEST_F(ChainingParallelTest, ParallelAndSerialChainingGiveTheSameLoops)
{
    constexpr int kThreads = 8;
    std::vector<OwnedCurves> inputs(kThreads + 1);
    MakeInput(inputs[0].list);
    for (int i = 1; i <= kThreads; ++i)
        for (CGeCurve* c : inputs[0].list) inputs[static_cast<std::size_t>(i)].list.AddTail(c->Copy());
    for (auto& input : inputs)
        for (CGeCurve* c : input.list) c->PrepareDisplay();

    const std::vector<Found> serial = Chain(inputs[0].list);
    ASSERT_GE(serial.size(), 36u) << "every polygon closes";

    std::vector<std::vector<Found>> parallel(kThreads);
    std::vector<std::thread> pool;
    for (int i = 0; i < kThreads; ++i)
        pool.emplace_back([&, i] { parallel[static_cast<std::size_t>(i)] = Chain(inputs[static_cast<std::size_t>(i) + 1].list); });
    for (auto& t : pool) t.join();

    for (int i = 0; i < kThreads; ++i) {
        const auto& got = parallel[static_cast<std::size_t>(i)];
        const std::string label = "thread " + std::to_string(i);
        ASSERT_EQ(got.size(), serial.size()) << label;
        for (std::size_t k = 0; k < got.size(); ++k) {
            const std::string at = label + ", loop " + std::to_string(k);
            EXPECT_EQ(got[k].members, serial[k].members) << at;
            EXPECT_EQ(got[k].start[0], serial[k].start[0]) << at;
            EXPECT_EQ(got[k].start[1], serial[k].start[1]) << at;
            EXPECT_EQ(got[k].end[0], serial[k].end[0]) << at;
            EXPECT_EQ(got[k].end[1], serial[k].end[1]) << at;
            EXPECT_EQ(got[k].length, serial[k].length) << at;
            EXPECT_EQ(got[k].area, serial[k].area) << at;
        }
    }
}

}  // namespace
