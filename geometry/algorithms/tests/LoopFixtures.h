// Helpers shared by the chaining and region tests: curve makers, owning
// lists, the settings and cancel fixture, and a loose-curve shuffler.
#pragma once

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Point2D.h"
#include "framework/widgra/Progress.h"
#include "geometry/algorithms/GeTool2D.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GeRegion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace looptest {

using CurveList = CGeTool2D::CurveList;
using LoopList = CGeTool2D::LoopList;
using RegionList = CGeTool2D::RegionList;

inline CGeLine* Line(double x1, double y1, double x2, double y2)
{
    const double p[2] = {x1, y1}, q[2] = {x2, y2};
    return new CGeLine(p, q);
}

inline CGeCircle* Circle(double cx, double cy, double r, int dir = 1)
{
    const double c[2] = {cx, cy};
    return new CGeCircle(c, r, dir);
}

// A closed polygon of lines through pts (last joins first) as one loop,
// without its area computed.
inline CGeLoop* PolygonLoop(const std::vector<std::pair<double, double>>& pts)
{
    auto* loop = new CGeLoop;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        const auto& a = pts[i];
        const auto& b = pts[(i + 1) % pts.size()];
        loop->AddTail(Line(a.first, a.second, b.first, b.second), 0);
    }
    loop->CalcBox2d();
    return loop;
}

// Axis-aligned square loop, counter-clockwise when ccw.
inline CGeLoop* SquareLoop(double x0, double y0, double side, bool ccw = true)
{
    std::vector<std::pair<double, double>> pts = {
        {x0, y0}, {x0 + side, y0}, {x0 + side, y0 + side}, {x0, y0 + side}};
    if (!ccw) std::reverse(pts.begin(), pts.end());
    return PolygonLoop(pts);
}

inline CGeLoop* CircleLoop(double cx, double cy, double r, int dir = 1)
{
    auto* loop = new CGeLoop;
    loop->AddTail(Circle(cx, cy, r, dir), 1);
    return loop;
}

struct OwnedCurves {
    CurveList list;
    OwnedCurves() = default;
    OwnedCurves(const OwnedCurves&) = delete;
    OwnedCurves& operator=(const OwnedCurves&) = delete;
    ~OwnedCurves() { geDelCurveList(&list); }
};

struct OwnedLoops {
    LoopList list;
    OwnedLoops() = default;
    OwnedLoops(const OwnedLoops&) = delete;
    OwnedLoops& operator=(const OwnedLoops&) = delete;
    ~OwnedLoops() { geDelGeLoopList(&list, false); }
};

struct OwnedRegions {
    RegionList list;
    OwnedRegions() = default;
    OwnedRegions(const OwnedRegions&) = delete;
    OwnedRegions& operator=(const OwnedRegions&) = delete;
    ~OwnedRegions() { geDelRegionList(&list, false); }
};

// Publishes a settings object (chaining needs one) and disarms any cancel.
class LoopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gNewQVGlobal();
        widgra::testing::Reset();
    }
    void TearDown() override
    {
        widgra::testing::Reset();
        looker::testing::ResetQVGlobal();
    }
};

// Shuffles the curves and reverses about a third of them, reproducibly.
inline void ShuffleAndReverse(CurveList& list, unsigned seed)
{
    std::vector<CGeCurve*> v;
    for (CGeCurve* c : list) v.push_back(c);
    std::mt19937 rng(seed);
    std::shuffle(v.begin(), v.end(), rng);
    list.RemoveAll();
    for (CGeCurve* c : v) {
        if (rng() % 3 == 0) c->Reverse();
        list.AddTail(c);
    }
}

inline double TotalLength(const CurveList& list)
{
    double len = 0.0;
    for (CGeCurve* c : list)
        if (c) len += c->EvTotalArcLength();
    return len;
}

}  // namespace looptest
