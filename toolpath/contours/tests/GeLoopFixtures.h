// Loops and regions of the geometry library for the loop API tests and the real-input
// comparisons: built from polygons, circles and arcs, flattened back to polygons, and
// described member by member so that a test can see that a call left them unchanged.
#pragma once

#include "testing/ClipperPaths.h"

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

// The loop as a polygon: lines and polyline vertices as they are, arcs and circles
// sampled at chord error 0.001.
inline Polygon Flatten(CGeLoop* loop)
{
    Polygon out;
    auto arc = [&](const double* c, double r, double a0, double sweep) {
        const int n = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (2 * std::acos(1 - 0.001 / r)))));
        for (int i = 0; i < n; ++i) {
            const double a = a0 + sweep * i / n;
            out.push_back({c[0] + r * std::cos(a), c[1] + r * std::sin(a)});
        }
    };
    for (POSITION pos = loop->GetCurveList().GetHeadPosition(); pos;) {
        CGeCurve* m = loop->GetCurveList().GetNext(pos);
        double p[2];
        switch (m->GetType()) {
        case 2:
            m->GetStartPoint(p);
            out.push_back({p[0], p[1]});
            break;
        case 4: {
            auto* a = static_cast<CGeArc*>(m);
            a->GetCenter(p);
            arc(p, a->GetRadius(), a->GetStartAngle(), a->GetSweep());
            break;
        }
        case 8: {
            auto* c = static_cast<CGeCircle*>(m);
            c->GetCenter(p);
            arc(p, c->GetRadius(), 0, c->GetDirection() == 1 ? 2 * std::numbers::pi : -2 * std::numbers::pi);
            break;
        }
        case 64: {
            auto* pl = static_cast<CGePolyline*>(m);
            for (int i = 0; i < pl->GetSegmentCount(); ++i) {
                pl->GetPoint(i, p);
                out.push_back({p[0], p[1]});
            }
            break;
        }
        default:
            break;
        }
    }
    return out;
}

inline ClipperLib::Paths ListPaths(GeLoopList& list)
{
    std::vector<Polygon> polys;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        polys.push_back(Flatten(list.GetNext(pos)));
    return clipperpaths::ToPaths(polys);
}

inline ClipperLib::Paths RegionPaths(GeRegionList& list)
{
    ClipperLib::Paths all;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        CGeRegion* r = list.GetNext(pos);
        for (POSITION q = r->GetLoopList().GetHeadPosition(); q;)
            all.push_back(clipperpaths::ToPath(Flatten(r->GetLoopList().GetNext(q))));
    }
    return all;
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
