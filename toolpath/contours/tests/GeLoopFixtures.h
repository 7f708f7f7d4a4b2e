// Loops and regions of the geometry library for the loop API tests and the real-input
// comparisons: built from polygons, circles and arcs, flattened back to polygons, and
// described member by member so that a test can see that a call left them unchanged.
#pragma once

#include "testing/ClipperPaths.h"
#include "testing/GeLoopPaths.h"

#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeRegion.h"
#include "toolpath/contours/LoopApi.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace apitest {

using geloops::Flatten;
using geloops::ListPaths;
using geloops::RegionPaths;

using clipperpaths::Polygon;
using clipperpaths::Pt;

// A loop of one closed polyline member through the polygon.
inline CGeLoop* PolylineLoop(const Polygon& poly)
{
    std::vector<double> xy;
    for (const Pt& p : poly) {
        xy.push_back(p[0]);
        xy.push_back(p[1]);
    }
    xy.push_back(poly[0][0]);
    xy.push_back(poly[0][1]);
    auto* pl = new CGePolyline;
    pl->Create(static_cast<int>(poly.size()) + 1, reinterpret_cast<const double(*)[2]>(xy.data()));
    auto* loop = new CGeLoop;
    loop->AddTail(pl, 1);
    return loop;
}

// A loop of one line member per polygon edge.
inline CGeLoop* LinesLoop(const Polygon& poly)
{
    auto* loop = new CGeLoop;
    for (std::size_t i = 0; i < poly.size(); ++i)
        loop->AddTail(new CGeLine(poly[i].data(), poly[(i + 1) % poly.size()].data()), 1);
    return loop;
}

inline CGeLoop* CircleLoop(Pt c, double r, int dir)
{
    auto* loop = new CGeLoop;
    loop->AddTail(new CGeCircle(c.data(), r, dir), 1);
    return loop;
}

inline CGeRegion* Region(std::vector<CGeLoop*> loops)
{
    auto* r = new CGeRegion;
    for (CGeLoop* l : loops)
        r->GetLoopList().AddTail(l);
    r->CalcBox2d();
    return r;
}

// Every member's kind, ends and vertex count, loop by loop: equal before and after a call
// when the call left the loops alone.
inline std::vector<double> Describe(GeLoopList& list)
{
    std::vector<double> v;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        CGeLoop* l = list.GetNext(pos);
        v.push_back(-1);
        for (POSITION q = l->GetCurveList().GetHeadPosition(); q;) {
            CGeCurve* m = l->GetCurveList().GetNext(q);
            double a[2], b[2];
            m->GetStartPoint(a);
            m->GetEndPoint(b);
            v.insert(v.end(), {static_cast<double>(m->GetType()), a[0], a[1], b[0], b[1], static_cast<double>(m->GetSegmentCount())});
        }
    }
    return v;
}

inline std::vector<double> Describe(GeRegionList& list)
{
    std::vector<double> v;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const std::vector<double> d = Describe(list.GetNext(pos)->GetLoopList());
        v.push_back(-2);
        v.insert(v.end(), d.begin(), d.end());
    }
    return v;
}

// Owned lists, freed at the end of a test.
struct Loops : GeLoopList {
    ~Loops()
    {
        while (!IsEmpty())
            delete RemoveHead();
    }
};
struct Regions : GeRegionList {
    ~Regions()
    {
        while (!IsEmpty())
            delete RemoveHead();
    }
};

}  // namespace apitest
