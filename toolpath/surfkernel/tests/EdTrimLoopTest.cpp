#include "toolpath/surfkernel/EdTrimLoop.h"

#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeTrimLoop.h"
#include "toolpath/surfkernel/tests/TrimEditFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using trimedit::MakeBound;
using trimedit::Polygon;
using trimedit::UV;
using LoopPtr = std::unique_ptr<CEdTrimLoop>;

// The polygon as a loop of bounds of 1 to 3 segments each.
CEdTrimLoop* SplitLoop(const Polygon& corners, std::mt19937& rng)
{
    auto* loop = new CEdTrimLoop;
    size_t k = 0;
    while (k < corners.size()) {
        const size_t len = std::min<size_t>(1 + rng() % 3, corners.size() - k);
        std::vector<UV> pts;
        for (size_t i = 0; i <= len; ++i) pts.push_back(corners[(k + i) % corners.size()]);
        loop->AddBound(MakeBound(pts, BND_LOOP));
        k += len;
    }
    return loop;
}

TEST(EdTrimLoop, SquareAreaContainmentAndBoxBothWays)
{
    Polygon cw(trimedit::kUnitSquare.rbegin(), trimedit::kUnitSquare.rend());
    struct Row {
        const char* label;
        Polygon corners;
        double area;
    } rows[] = {{"counter-clockwise", trimedit::kUnitSquare, 1.0}, {"clockwise", cw, -1.0}};
    for (const Row& r : rows) {
        LoopPtr loop(trimedit::PolygonLoop(r.corners));
        EXPECT_DOUBLE_EQ(loop->CalcLoopArea(), r.area) << r.label;
        EXPECT_EQ(loop->BoundCount(), 4) << r.label;
        EXPECT_EQ(loop->uvBox.xmax, 1.0) << r.label;
        struct Probe {
            UV p;
            int side;
        } probes[] = {{{0.5, 0.5}, 0}, {{2, 2}, 1}, {{1.0 + 1e-7, 0.5}, 2}, {{0.5, 0}, 2},
                      {{0, 0.25}, 2}, {{1, 1}, 2},   {{0, 0}, 2},           {{0.5, 1.5}, 1}};
        for (const Probe& p : probes)
            EXPECT_EQ(loop->IsPointIn(p.p.data()), p.side) << r.label << " at " << p.p[0] << ", " << p.p[1];
    }
    // One two-point bound has no area.
    CEdTrimLoop single;
    single.AddBound(MakeBound({{0, 0}, {1, 1}}));
    EXPECT_EQ(single.CalcLoopArea(), 0.0);
    CEdTrimLoop none;
    EXPECT_EQ(none.CalcLoopArea(), 0.0);
    EXPECT_EQ(none.AddIsland(nullptr), 0);
}

TEST(EdTrimLoop, ContainmentAgreesWithCrossingNumbers)
{
    std::mt19937 rng(48);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int inside = 0, outside = 0, on = 0;
    for (int shape = 0; shape < 40; ++shape) {
        // A star-shaped polygon about (0.5, 0.5), counter-clockwise or clockwise.
        const int n = 5 + static_cast<int>(rng() % 12);
        Polygon corners;
        for (int k = 0; k < n; ++k) {
            const double a = 2 * std::numbers::pi * (k + 0.8 * unit(rng)) / n, r = 0.1 + 0.35 * unit(rng);
            corners.push_back({0.5 + r * std::cos(a), 0.5 + r * std::sin(a)});
        }
        const bool clockwise = shape % 2 == 1;
        if (clockwise) std::reverse(corners.begin(), corners.end());
        LoopPtr loop(SplitLoop(corners, rng));
        EXPECT_NEAR(loop->CalcLoopArea(), trimedit::SignedArea(corners), 1e-12);
        EXPECT_EQ(loop->CalcLoopArea() < 0, clockwise);
        const std::string label = std::string(clockwise ? "clockwise" : "counter-clockwise") + " shape " + std::to_string(shape);
        for (int i = 0; i < 300; ++i) {
            const UV p{unit(rng) * 1.2 - 0.1, unit(rng) * 1.2 - 0.1};
            if (trimedit::PolygonDistance(corners, p) < 1e-4) continue;
            const int expect = trimedit::OracleSide(corners, p, 0.0);
            EXPECT_EQ(loop->IsPointIn(p.data()), expect) << label << " at " << p[0] << ", " << p[1];
            (expect == 0 ? inside : outside) += 1;
        }
        // Points on edges and on vertices are on the loop whichever way it runs.
        for (int k = 0; k < n; ++k) {
            const UV& a = corners[k];
            const UV& b = corners[(k + 1) % n];
            const double t = unit(rng);
            const UV mid{a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1])};
            EXPECT_EQ(loop->IsPointIn(mid.data()), 2) << label << " edge " << k;
            EXPECT_EQ(loop->IsPointIn(a.data()), 2) << label << " vertex " << k;
            on += 2;
        }
    }
    EXPECT_GT(inside, 1000);
    EXPECT_GT(outside, 1000);
    EXPECT_GT(on, 500);
}

TEST(EdTrimLoop, ConnectingIslandsAndConversion)
{
    CEdTrimLoop gap;
    gap.AddBound(MakeBound({{0, 0}, {1, 0}}));
    gap.AddBound(MakeBound({{1, 0.002}, {1, 1}}));
    gap.AddBound(MakeBound({{1, 1}, {0, 0}}));
    gap.ConnectBound();
    EXPECT_EQ(trimedit::Points(*gap.boundHead).back(), (UV{1, 0.001}));
    EXPECT_EQ(trimedit::Points(*gap.boundHead->next).front(), (UV{1, 0.001}));

    LoopPtr outer(trimedit::PolygonLoop(trimedit::kUnitSquare));
    auto* island = trimedit::PolygonLoop({{0.2, 0.2}, {0.2, 0.4}, {0.4, 0.4}, {0.4, 0.2}});
    auto* second = trimedit::PolygonLoop({{0.6, 0.6}, {0.6, 0.8}, {0.8, 0.8}});
    EXPECT_EQ(outer->AddIsland(island), 1);
    EXPECT_EQ(outer->AddIsland(second), 1);
    EXPECT_EQ(outer->islandHead, second);
    EXPECT_EQ(second->next, island);

    CEdTrimLoop mixed;
    mixed.AddBound(MakeBound({{0, 0}, {1, 0}}));
    mixed.AddBound(MakeBound({{1, 0}, {1, 0.5}, {0.8, 0.9}, {0.5, 1}, {0, 0}}));
    std::unique_ptr<CGeTrimLoop> topo(mixed.ConvertToTopoLoop());
    ASSERT_EQ(topo->m_listBnd.GetCount(), 2);
    CGeTrimBnd* first = topo->m_listBnd.GetHead();
    CGeTrimBnd* last = topo->m_listBnd.GetTail();
    ASSERT_EQ(first->m_pUVCrv->GetType(), 2);
    ASSERT_EQ(last->m_pUVCrv->GetType(), 64);
    EXPECT_EQ(last->m_pUVCrv->GetSegmentCount(), 4);
    EXPECT_EQ(last->m_pEucCrv, nullptr);
    double p[2];
    static_cast<CGePolyline*>(last->m_pUVCrv)->GetPoint(2, p);
    EXPECT_EQ(p[0], 0.8);
}

}  // namespace
