// Pocket loops against Clipper on the same input, in the same run:
//  - IsPointIn of the largest shoreline loop (Iceland, GSHHG) for a 100 x 100 grid of
//    points over its box, against Clipper's PointInPolygon on the same polygon;
//  - AutoInters + AutoDepart + FormLoop of a closed self-crossing random walk of 10^5
//    unit steps, against Clipper's SimplifyPolygon of the same polygon.
// Clipper works on integers: coordinates are scaled by 1e6 (well within its range).
// The counter "ratio" is the loops' time over Clipper's (below 1: the loops are faster).
#include "ThreadClock.h"

#include "testing/Shorelines.h"
#include "toolpath/contours/SmartLoop.h"

#include <benchmark/benchmark.h>
#include <polyclipping/clipper.hpp>

#include <cmath>
#include <memory>
#include <random>
#include <time.h>
#include <vector>

namespace {

using Pt = std::array<double, 2>;
constexpr double kScale = 1e6;

CSmartCurve* ClosedPolyline(const std::vector<Pt>& pts)
{
    auto* c = new CSmartCurve;
    for (std::size_t i = 0; i < pts.size(); ++i)
        c->AddSect(new CSmartLine(pts[i].data(), pts[(i + 1) % pts.size()].data()));
    return c;
}

ClipperLib::IntPoint Scaled(const Pt& p)
{
    return {static_cast<ClipperLib::cInt>(std::llround(p[0] * kScale)), static_cast<ClipperLib::cInt>(std::llround(p[1] * kScale))};
}

ClipperLib::Path ScaledPath(const std::vector<Pt>& pts)
{
    ClipperLib::Path path;
    path.reserve(pts.size());
    for (const Pt& p : pts)
        path.push_back(Scaled(p));
    return path;
}

// Both sides run on this thread: its CPU time is steadier than the wall clock on a
// shared machine.
void Report(benchmark::State& state, double tk, double tc)
{
    state.counters["loops_ms"] = tk * 1e3 / static_cast<double>(state.iterations());
    state.counters["clipper_ms"] = tc * 1e3 / static_cast<double>(state.iterations());
    state.counters["ratio"] = tc > 0 ? tk / tc : 0;
}

void BM_PointInShorelineLoop(benchmark::State& state)
{
    const auto loops = shorelines::Read("iceland_fjords");
    if (loops.empty()) {
        state.SkipWithError("shoreline fixture missing");
        return;
    }
    const std::vector<Pt>& poly = loops.front();
    CSmartLoop loop;
    delete loop.UpdateSect(ClosedPolyline(poly));
    const ClipperLib::Path path = ScaledPath(poly);

    std::vector<Pt> grid;
    constexpr int kSide = 100;
    for (int i = 0; i < kSide; ++i)
        for (int j = 0; j < kSide; ++j)
            grid.push_back({loop.box[0][0] + (loop.box[1][0] - loop.box[0][0]) * (i + 0.5) / kSide,
                            loop.box[0][1] + (loop.box[1][1] - loop.box[0][1]) * (j + 0.5) / kSide});
    std::vector<ClipperLib::IntPoint> scaledGrid;
    for (const Pt& p : grid)
        scaledGrid.push_back(Scaled(p));

    double tk = 0, tc = 0;
    long inK = 0, inC = 0;
    for (auto _ : state) {
        double t0 = ThreadCpuSeconds();
        inK = 0;
        for (const Pt& p : grid)
            inK += loop.IsPointIn(p.data()) != 0;
        tk += (ThreadCpuSeconds() - t0);
        t0 = ThreadCpuSeconds();
        inC = 0;
        for (const ClipperLib::IntPoint& p : scaledGrid)
            inC += ClipperLib::PointInPolygon(p, path) != 0;
        tc += (ThreadCpuSeconds() - t0);
    }
    Report(state, tk, tc);
    state.counters["vertices"] = static_cast<double>(poly.size());
    state.counters["inside"] = static_cast<double>(inK);
    state.counters["clipper_inside"] = static_cast<double>(inC);
}
BENCHMARK(BM_PointInShorelineLoop)->Unit(benchmark::kMillisecond);

void BM_SelfCrossingPolygonLoops(benchmark::State& state)
{
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> ang(0, 6.283185307179586);
    std::vector<Pt> walk{{0, 0}};
    for (int i = 1; i < 100000; ++i) {
        const double a = ang(rng);
        walk.push_back({walk.back()[0] + std::cos(a), walk.back()[1] + std::sin(a)});
    }
    const ClipperLib::Path path = ScaledPath(walk);

    double tk = 0, tc = 0;
    long loops = 0, polygons = 0;
    for (auto _ : state) {
        std::unique_ptr<CSmartCurve> c(ClosedPolyline(walk));
        double t0 = ThreadCpuSeconds();
        c->DefineBox();
        c->AutoInters(0);
        c->AutoDepart(0);
        c->DefineBox();
        CSmartLoop* head = c->FormLoop();
        tk += (ThreadCpuSeconds() - t0);
        loops = 0;
        for (CSmartLoop* L = head; L;) {
            CSmartLoop* n = L->next;
            ++loops;
            L->next = L->prev = nullptr;
            delete L;
            L = n;
        }
        t0 = ThreadCpuSeconds();
        ClipperLib::Paths out;
        ClipperLib::SimplifyPolygon(path, out, ClipperLib::pftEvenOdd);
        tc += (ThreadCpuSeconds() - t0);
        polygons = static_cast<long>(out.size());
    }
    Report(state, tk, tc);
    state.counters["loops"] = static_cast<double>(loops);
    state.counters["clipper_polygons"] = static_cast<double>(polygons);
}
BENCHMARK(BM_SelfCrossingPolygonLoops)->Unit(benchmark::kMillisecond);

}  // namespace
