// Our 2D curves as Open CASCADE Geom2d curves, for the tests and benchmarks
// that compare against its intersector. Only the files that compare against
// Open CASCADE include this header.
//
// Every conversion is exact: lines and polyline edges become trimmed lines,
// arcs trimmed circles, circles and ellipses the whole conics, spline
// segments cubic Bezier curves; a composite gives its members' pieces.
#pragma once

#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"

#include <Geom2dConvert_CompCurveToBSplineCurve.hxx>
#include <Geom2d_BSplineCurve.hxx>
#include <Geom2d_BezierCurve.hxx>
#include <Geom2d_Circle.hxx>
#include <Geom2d_Ellipse.hxx>
#include <Geom2d_Line.hxx>
#include <Geom2d_TrimmedCurve.hxx>
#include <TColgp_Array1OfPnt2d.hxx>
#include <gp_Ax22d.hxx>

#include <cmath>
#include <numbers>
#include <vector>

namespace occt2d {

using Pieces = std::vector<Handle(Geom2d_Curve)>;

// The segment a-b as a trimmed line; nothing for a zero-length segment.
inline void AddSegment(const double* a, const double* b, Pieces& out)
{
    const double dx = b[0] - a[0], dy = b[1] - a[1], len = std::hypot(dx, dy);
    if (len == 0.0) return;
    Handle(Geom2d_Line) line = new Geom2d_Line(gp_Pnt2d(a[0], a[1]), gp_Dir2d(dx, dy));
    out.push_back(new Geom2d_TrimmedCurve(line, 0.0, len));
}

// Appends the pieces of c: one per segment of a line, arc, spline or
// polyline, the whole conic for a circle or an ellipse, the pieces of every
// member of a composite in member order. Other classes give nothing.
inline void AppendPieces(CGeCurve* c, Pieces& out)
{
    switch (c->GetType()) {
    case 0x2: {
        double a[2], b[2];
        c->GetStartPoint(a);
        c->GetEndPoint(b);
        AddSegment(a, b, out);
        return;
    }
    case 0x4: {
        auto* arc = static_cast<CGeArc*>(c);
        double m[2];
        arc->GetCenter(m);
        // A counter-clockwise circle from the x axis: its parameter is the angle.
        Handle(Geom2d_Circle) circle = new Geom2d_Circle(gp_Ax2d(gp_Pnt2d(m[0], m[1]), gp_Dir2d(1, 0)), arc->GetRadius());
        const double a0 = arc->GetStartAngle(), a1 = a0 + arc->GetSweep();
        out.push_back(new Geom2d_TrimmedCurve(circle, std::min(a0, a1), std::max(a0, a1)));
        return;
    }
    case 0x8: {
        auto* circle = static_cast<CGeCircle*>(c);
        double m[2];
        circle->GetCenter(m);
        out.push_back(new Geom2d_Circle(gp_Ax2d(gp_Pnt2d(m[0], m[1]), gp_Dir2d(1, 0)), circle->GetRadius()));
        return;
    }
    case 0x10: {
        auto* e = static_cast<CGeEllipse*>(c);
        double m[2];
        e->GetCenter(m);
        // The peer wants the major axis first: a taller ellipse turns by a quarter.
        double a = e->GetA(), b = e->GetB(), rot = e->GetRotation();
        if (a < b) std::swap(a, b), rot += std::numbers::pi / 2;
        const gp_Ax22d axes(gp_Pnt2d(m[0], m[1]), gp_Dir2d(std::cos(rot), std::sin(rot)));
        out.push_back(new Geom2d_Ellipse(axes, a, b));
        return;
    }
    case 0x20: {
        auto* bez = static_cast<CGeBezier*>(c);
        for (int k = 1; k <= bez->GetSegmentCount(); ++k) {
            double q[4][2];
            bez->GetCtrlPoint(unsigned(k), q);
            TColgp_Array1OfPnt2d poles(1, 4);
            for (int i = 0; i < 4; ++i) poles.SetValue(i + 1, gp_Pnt2d(q[i][0], q[i][1]));
            out.push_back(new Geom2d_BezierCurve(poles));
        }
        return;
    }
    case 0x40: {
        auto* pl = static_cast<CGePolyline*>(c);
        const double(*v)[2] = pl->GetSWPoint();
        for (int k = 1; k < pl->GetSWPointCount(); ++k) AddSegment(v[k - 1], v[k], out);
        return;
    }
    case 0x80:
    case 0x100:
        for (CGeCurve* m : static_cast<CGeCombCurve*>(c)->GetCurveList())
            if (m) AppendPieces(m, out);
        return;
    default: return;
    }
}

inline Pieces ToPieces(CGeCurve* c)
{
    Pieces out;
    AppendPieces(c, out);
    return out;
}

// c as one Geom2d curve, as a user of the peer would hand it over: the piece
// itself when there is one, else the pieces joined end to end into one
// B-spline (within joinTol). Null when c gives no piece or the pieces do not join.
inline Handle(Geom2d_Curve) ToCurve(CGeCurve* c, double joinTol = 1e-6)
{
    const Pieces pieces = ToPieces(c);
    if (pieces.empty()) return nullptr;
    if (pieces.size() == 1) return pieces.front();
    Geom2dConvert_CompCurveToBSplineCurve joined;
    for (const Handle(Geom2d_Curve)& p : pieces) {
        Handle(Geom2d_BoundedCurve) bounded = Handle(Geom2d_BoundedCurve)::DownCast(p);
        if (bounded.IsNull() || !joined.Add(bounded, joinTol)) return nullptr;
    }
    return joined.BSplineCurve();
}

}  // namespace occt2d
