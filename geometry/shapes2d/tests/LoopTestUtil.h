// Builders for the loop, region and archive tests: lines, arcs, polylines and
// loops from point lists.
#pragma once

#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GePolyline.h"

#include <cmath>
#include <initializer_list>
#include <vector>

namespace looptest {

struct Pt {
    double x, y;
};

inline CGeLine* Line(Pt a, Pt b)
{
    const double p[2] = {a.x, a.y}, q[2] = {b.x, b.y};
    return new CGeLine(p, q);
}

inline CGePolyline* Poly(std::initializer_list<Pt> pts)
{
    std::vector<double> flat;
    for (const Pt& p : pts) {
        flat.push_back(p.x);
        flat.push_back(p.y);
    }
    auto* poly = new CGePolyline;
    poly->Create(static_cast<int>(pts.size()), reinterpret_cast<const double(*)[2]>(flat.data()));
    return poly;
}

// Arc about c of radius r from angle a0 to angle a1 (radians; a1 < a0 runs clockwise).
inline CGeArc* Arc(Pt c, double r, double a0, double a1)
{
    const double cc[2] = {c.x, c.y};
    auto* arc = new CGeArc;
    arc->CreateCSEAngle(cc, r, a0, a1);
    return arc;
}

// A loop of one line per edge of the closed point chain (the last point joins the first).
inline CGeLoop* LineLoop(std::initializer_list<Pt> pts)
{
    auto* loop = new CGeLoop;
    std::vector<Pt> v(pts);
    for (size_t i = 0; i < v.size(); ++i) loop->AddTail(Line(v[i], v[(i + 1) % v.size()]), 0);
    loop->SetClosedFlag(1);
    loop->CalcBox2d();
    return loop;
}

// Axis-parallel square of lines, counter-clockwise from (x0, y0) when ccw.
inline CGeLoop* Square(double x0, double y0, double side, bool ccw = true)
{
    const double x1 = x0 + side, y1 = y0 + side;
    if (ccw) return LineLoop({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
    return LineLoop({{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}});
}

// A loop of one closed polyline through the points and back to the first.
inline CGeLoop* PolyLoop(std::initializer_list<Pt> pts)
{
    std::vector<Pt> v(pts);
    v.push_back(v.front());
    std::vector<double> flat;
    for (const Pt& p : v) {
        flat.push_back(p.x);
        flat.push_back(p.y);
    }
    auto* poly = new CGePolyline;
    poly->Create(static_cast<int>(v.size()), reinterpret_cast<const double(*)[2]>(flat.data()));
    auto* loop = new CGeLoop;
    loop->AddTail(poly, 1);
    loop->SetClosedFlag(1);
    return loop;
}

inline Pt Start(CGeCurve* c)
{
    double p[2] = {NAN, NAN};
    c->GetStartPoint(p);
    return {p[0], p[1]};
}

inline Pt End(CGeCurve* c)
{
    double p[2] = {NAN, NAN};
    c->GetEndPoint(p);
    return {p[0], p[1]};
}

}  // namespace looptest
