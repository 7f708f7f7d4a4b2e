// Curves of every class intersected by CurveCurve, built from random or given
// data in a placement frame, with the oracles of the intersection tests:
// evaluation of a record's fields on its curves and the flattening of a curve
// through its own evaluation.
#pragma once

#include "geometry/algorithms/CurveIntersect.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "testing/FlattenOracle.h"

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace ccfix {

using oracle::Pt;
using Records = QVN_GeCC_Inter::IntPntArray;

enum Kind { kLine, kArc, kCircle, kEllipse, kBezier, kPolyline, kComposite, kKinds };
inline const char* const kKindNames[kKinds] = {"line", "arc", "circle", "ellipse", "bezier", "polyline", "composite"};

// Similarity placing model coordinates: scale s, turn ang, then shift.
struct Frame {
    double s = 1.0, ang = 0.0, tx = 0.0, ty = 0.0;
    Pt operator()(Pt p) const
    {
        const double c = std::cos(ang), n = std::sin(ang);
        return {s * (c * p.x - n * p.y) + tx, s * (n * p.x + c * p.y) + ty};
    }
};

// The random data of one curve of a kind, in model coordinates of [0, 10]^2.
struct Spec {
    Kind kind = kLine;
    std::vector<Pt> pts;      // line ends, spline nodes, polyline vertices, composite points
    Pt centre;                // arc, circle, ellipse
    double r = 0.0, b = 0.0;  // radius or first semi-axis, second semi-axis
    double a0 = 0.0, sweep = 0.0;  // arc start angle and sweep; ellipse rotation in a0
    int dir = 1;
};

inline Spec RandomSpec(Kind kind, std::mt19937& rng)
{
    std::uniform_real_distribution<double> u(0.0, 10.0), ang(0.0, 2.0 * std::numbers::pi);
    auto pt = [&] { return Pt{u(rng), u(rng)}; };
    Spec s;
    s.kind = kind;
    switch (kind) {
    case kLine: s.pts = {pt(), pt()}; break;
    case kArc:
        s.centre = {2.0 + 0.6 * u(rng), 2.0 + 0.6 * u(rng)};
        s.r = 2.0 + 0.3 * u(rng);
        s.a0 = ang(rng);
        s.sweep = (rng() % 2 ? 1.0 : -1.0) * (1.0 + 0.45 * u(rng));
        break;
    case kCircle:
        s.centre = {2.0 + 0.6 * u(rng), 2.0 + 0.6 * u(rng)};
        s.r = 1.5 + 0.25 * u(rng);
        s.dir = int(rng() % 2);
        break;
    case kEllipse:
        s.centre = {2.0 + 0.6 * u(rng), 2.0 + 0.6 * u(rng)};
        s.r = 2.0 + 0.3 * u(rng);
        s.b = 1.0 + 0.1 * u(rng);
        s.a0 = ang(rng);
        s.dir = int(rng() % 2);
        break;
    case kBezier:
        for (int i = 0; i < 7; ++i) s.pts.push_back(pt());
        break;
    case kPolyline:
        for (int i = 0; i < 6; ++i) s.pts.push_back(pt());
        break;
    case kComposite:
        // line p0-p1, arc p1-p2, spline p2..p5, polyline p5..p7
        for (int i = 0; i < 8; ++i) s.pts.push_back(pt());
        s.sweep = (rng() % 2 ? 1.0 : -1.0) * (0.5 + 0.15 * u(rng));
        break;
    default: break;
    }
    return s;
}

inline void Put(Pt p, double* out)
{
    out[0] = p.x;
    out[1] = p.y;
}

// The points as contiguous x, y pairs.
inline std::vector<double> Flat(const std::vector<Pt>& pts, const Frame& f = {})
{
    std::vector<double> v;
    for (const Pt& p : pts) {
        const Pt q = f(p);
        v.push_back(q.x);
        v.push_back(q.y);
    }
    return v;
}

inline std::unique_ptr<CGeCurve> Build(const Spec& s, const Frame& f = {})
{
    double a[2], b[2], c[2];
    switch (s.kind) {
    case kLine:
        Put(f(s.pts[0]), a);
        Put(f(s.pts[1]), b);
        return std::make_unique<CGeLine>(a, b);
    case kArc: {
        auto arc = std::make_unique<CGeArc>();
        Put(f(s.centre), c);
        arc->CreateCSEAngle(c, s.r * f.s, s.a0 + f.ang, s.a0 + f.ang + s.sweep);
        arc->PrepareDisplay();
        return arc;
    }
    case kCircle:
        Put(f(s.centre), c);
        return std::make_unique<CGeCircle>(c, s.r * f.s, s.dir);
    case kEllipse:
        Put(f(s.centre), c);
        return std::make_unique<CGeEllipse>(c, s.r * f.s, s.b * f.s, s.a0 + f.ang, s.dir);
    case kBezier: {
        auto bez = std::make_unique<CGeBezier>();
        std::vector<double> nodes = Flat(s.pts, f);
        bez->CreateEx(unsigned(s.pts.size()), reinterpret_cast<double(*)[2]>(nodes.data()));
        bez->PrepareDisplay();
        return bez;
    }
    case kPolyline: {
        auto pl = std::make_unique<CGePolyline>();
        const std::vector<double> v = Flat(s.pts, f);
        pl->Create(int(s.pts.size()), reinterpret_cast<const double(*)[2]>(v.data()));
        return pl;
    }
    case kComposite: {
        auto comb = std::make_unique<CGeCombCurve>();
        auto piece = [&](Kind k, std::vector<Pt> pts) {
            Spec m;
            m.kind = k;
            m.pts = std::move(pts);
            return Build(m, f).release();
        };
        comb->AddTail(piece(kLine, {s.pts[0], s.pts[1]}), 0);
        auto* arc = new CGeArc();
        Put(f(s.pts[1]), a);
        Put(f(s.pts[2]), b);
        arc->CreateSEAngle(a, b, s.sweep);
        arc->PrepareDisplay();
        comb->AddTail(arc, 0);
        comb->AddTail(piece(kBezier, {s.pts[2], s.pts[3], s.pts[4], s.pts[5]}), 0);
        comb->AddTail(piece(kPolyline, {s.pts[5], s.pts[6], s.pts[7]}), 1);
        return comb;
    }
    default: return nullptr;
    }
}

inline Kind KindOf(CGeCurve* c)
{
    switch (c->GetType()) {
    case 0x2: return kLine;
    case 0x4: return kArc;
    case 0x8: return kCircle;
    case 0x10: return kEllipse;
    case 0x20: return kBezier;
    case 0x40: return kPolyline;
    default: return kComposite;
    }
}

// The point a record's segment, sub-segment and parameter name on the curve.
inline Pt EvalAt(CGeCurve* c, int seg, int subSeg, double t)
{
    double p[2] = {NAN, NAN};
    if (c->GetType() == 0x80 || c->GetType() == 0x100) {
        CGeCurve* m = static_cast<CGeCombCurve*>(c)->GetSubCurve(seg);
        if (m) m->GetPointAt(t, p, unsigned(subSeg));
    } else {
        c->GetPointAt(t, p, unsigned(seg));
    }
    return {p[0], p[1]};
}

// The curve flattened within tol through its own evaluation, one polyline per
// segment (per member segment for a composite).
inline std::vector<std::vector<Pt>> FlattenCurve(CGeCurve* c, double tol)
{
    std::vector<std::vector<Pt>> runs;
    std::vector<CGeCurve*> parts;
    if (c->GetType() == 0x80 || c->GetType() == 0x100) {
        for (CGeCurve* m : static_cast<CGeCombCurve*>(c)->GetCurveList())
            if (m) parts.push_back(m);
    } else {
        parts.push_back(c);
    }
    for (CGeCurve* part : parts) {
        const int n = part->GetSegmentCount();
        for (int seg = 1; seg <= n; ++seg) {
            const bool straight = part->GetType() == 0x2 || part->GetType() == 0x40;
            runs.push_back(oracle::Flatten(
                [part, seg](double t) {
                    double p[2];
                    part->GetPointAt(t, p, unsigned(seg));
                    return Pt{p[0], p[1]};
                },
                tol, straight ? 1 : 16));
        }
    }
    return runs;
}

// Crossing points of two curves by the flattening oracle, clustered within merge.
inline std::vector<Pt> OracleCrossings(CGeCurve* c1, CGeCurve* c2, double tol, double merge,
                                       const oracle::Crosser& cross = oracle::CrossInDoubles)
{
    std::vector<Pt> hits;
    const auto runs1 = FlattenCurve(c1, tol), runs2 = FlattenCurve(c2, tol);
    for (const auto& a : runs1)
        for (const auto& b : runs2)
            for (const Pt& p : oracle::PolylineCrossings(a, b, merge, cross)) oracle::AddClustered(hits, p, merge);
    return hits;
}

inline std::vector<Pt> RecordPoints(const Records& recs, double merge)
{
    std::vector<Pt> pts;
    for (INT_PTR i = 0; i < recs.GetSize(); ++i) oracle::AddClustered(pts, {recs[i].pt[0], recs[i].pt[1]}, merge);
    return pts;
}

// A record lying beyond an arc's end by less than the arc's end tolerance is
// the arc's own rule, not a crossing the oracle can see.
inline bool NearArcEnd(CGeCurve* c, Pt p)
{
    std::vector<CGeCurve*> arcs;
    if (c->GetType() == 0x4) arcs.push_back(c);
    if (c->GetType() == 0x80)
        for (CGeCurve* m : static_cast<CGeCombCurve*>(c)->GetCurveList())
            if (m && m->GetType() == 0x4) arcs.push_back(m);
    for (CGeCurve* a : arcs) {
        double s[2], e[2];
        a->GetStartPoint(s);
        a->GetEndPoint(e);
        if (oracle::Dist(p, {s[0], s[1]}) < 0.005 || oracle::Dist(p, {e[0], e[1]}) < 0.005) return true;
    }
    return false;
}

// Points of `have` with no point of `want` within tol, as text (empty when none).
inline std::string Unmatched(const std::vector<Pt>& have, const std::vector<Pt>& want, double tol)
{
    std::string text;
    for (const Pt& p : have) {
        double best = INFINITY;
        for (const Pt& q : want) best = std::min(best, oracle::Dist(p, q));
        if (best > tol) text += " (" + std::to_string(p.x) + ", " + std::to_string(p.y) + ") off by " + std::to_string(best);
    }
    return text;
}

}  // namespace ccfix
