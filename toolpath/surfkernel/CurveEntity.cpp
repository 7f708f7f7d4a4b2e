#include "toolpath/surfkernel/CurveEntity.h"

#include "framework/numerak/Line2D.h"
#include "framework/numerak/Line3D.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Plane3D.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/QvMem.h"
#include "framework/numerak/QvnMath.h"
#include "toolpath/surfkernel/NurbsUtil.h"
#include "toolpath/surfkernel/SampleString.h"
#include "toolpath/surfkernel/SmallEquations.h"
#include "toolpath/surfkernel/SurfaceIntersect.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kLineRange = 1e20;
constexpr int kNewtonSteps = 32;
constexpr int kMaxSampleSteps = 100000;
// Parameter step of the intersection curve's difference derivatives.
constexpr double kIntersectionStep = 1e-6;

const ECRV_LINE* AsLine(const CURVE* c) { return reinterpret_cast<const ECRV_LINE*>(c); }
const ECRV_CIRCLE* AsCircle(const CURVE* c) { return reinterpret_cast<const ECRV_CIRCLE*>(c); }
const ECRV_NURBS* AsNurbs(const CURVE* c) { return reinterpret_cast<const ECRV_NURBS*>(c); }
const ECRV_INTCUR* AsIntersection(const CURVE* c) { return reinterpret_cast<const ECRV_INTCUR*>(c); }

// A parameter of a NURBS or intersection curve as its evaluation takes it:
// wrapped into the range on a periodic curve, unchanged otherwise.
double WrappedT(const _param& p, double t)
{
    return p.closure == 2 ? QVN_Math::ClampPeriodic(p.start, p.end, t) : t;
}

// Closure of a parameter record from a closure kind (0 closed and
// tangent-continuous, 1 closed with a corner, 2 open).
int ClosureOfKind(int kind) { return kind == 0 ? 2 : (kind == 1 ? 1 : 0); }

// Range of an intersection curve: the parameters of its first and last sample.
bool IntersectionRange(const ECRV_INTCUR* c, double* range)
{
    if (c->trace == nullptr || c->trace->n < 1)
        return false;
    range[0] = c->trace->s[0].t;
    range[1] = c->trace->s[c->trace->n - 1].t;
    return true;
}

int IntersectionClosure(const ECRV_INTCUR* c)
{
    return ClosureOfKind(ESSI_TraceClosure(c->trace, ESSI_GetPointTol(), ESSI_GetAngleTol()));
}

// Point and forward-difference derivatives of an intersection curve. The
// curve's own point wraps a parameter beyond an end by the period, so at the
// end of an open curve the differences look backward instead: a forward one
// would difference the end against the start.
int IntersectionEval(const ECRV_INTCUR* c, double t, double* P, double* d1, double* d2)
{
    double p0[3];
    if (ECRV_IntersectionPoint(c, t, p0) != 1)
        return 0;
    if (P)
        P3D_Copy(p0, P);
    if (d1 == nullptr && d2 == nullptr)
        return 1;
    double h = kIntersectionStep, range[2];
    if (IntersectionRange(c, range) && t + 2.0 * h > range[1] && IntersectionClosure(c) == 0)
        h = -h;
    double p1[3], p2[3], a[3];
    if (ECRV_IntersectionPoint(c, t + h, p1) != 1)
        return 0;
    for (int e = 0; e < 3; ++e)
        a[e] = (p1[e] - p0[e]) / h;
    if (d1)
        P3D_Copy(a, d1);
    if (d2) {
        if (ECRV_IntersectionPoint(c, t + 2.0 * h, p2) != 1)
            return 0;
        for (int e = 0; e < 3; ++e)
            d2[e] = ((p2[e] - p1[e]) / h - a[e]) / h;
    }
    return 1;
}

// Range and closure of a NURBS or intersection curve; false for other codes.
bool SampledParam(const CURVE* c, _param* out)
{
    if (c->type != ENT_NURBS_CURVE && c->type != ENT_INTERSECTION)
        return false;
    return ECRV_GetParam(out, c) == 1;
}

// The sample cache of a NURBS or intersection curve over its range with the
// current subdivision triple, made on first use; null on failure.
const PTSTRING* SampleCache(CURVE* c)
{
    PTSTRING** slot = nullptr;
    if (c->type == ENT_NURBS_CURVE)
        slot = &reinterpret_cast<ECRV_NURBS*>(c)->cache;
    else if (c->type == ENT_INTERSECTION)
        slot = &reinterpret_cast<ECRV_INTCUR*>(c)->cache;
    _param p;
    if (slot == nullptr || !SampledParam(c, &p))
        return nullptr;
    if (*slot == nullptr) {
        double s[3];
        ESSI_GetSubdivTolerance(s);
        PTSTRING* str = nullptr;
        if (ECRV_Sample(s[0], s[1], s[2], &str, p.start, p.end, c) == 1)
            *slot = str;
    }
    return *slot;
}

// Plane of the samples of an intersection curve: through the first sample,
// spanned by the samples farthest from it and from the line to it, so that
// the normal is taken over the whole extent of the curve; every sample within
// tol of it. All samples on one line give a plane through that line.
int TracePlane(const SSI_TRACE* tr, double tol, double* point, double* normal)
{
    if (tr == nullptr || tr->n < 2)
        return 0;
    const double* p0 = tr->s[0].p;
    auto farthest = [&](auto dist) {
        int best = 0;
        double far = -1.0;
        for (int i = 0; i < tr->n; ++i)
            if (const double d = dist(tr->s[i].p); d > far) {
                far = d;
                best = i;
            }
        return std::pair{best, far};
    };
    const auto [ia, da] = farthest([&](const double* q) { return P3D_Dist(p0, q); });
    double d[3];
    V3D_Sub(tr->s[ia].p, p0, d);
    if (!(da >= tol) || V3D_Unit(d, 1e-300) != 1)
        return 0;
    const auto [ie, de] = farthest([&](const double* q) {
        double r[3], x[3];
        V3D_Sub(q, p0, r);
        V3D_Cross(r, d, x);
        return V3D_Len(x);
    });
    P3D_Copy(p0, point);
    if (de < tol) {
        double y[3];
        return V3D_GetXYFromZ(d, normal, y) ? 1 : 0;
    }
    double e[3], n[3];
    V3D_Sub(tr->s[ie].p, p0, e);
    V3D_Cross(d, e, n);
    if (V3D_Unit(n, 1e-300) != 1)
        return 0;
    for (int i = 0; i < tr->n; ++i) {
        double r[3];
        V3D_Sub(tr->s[i].p, p0, r);
        if (std::fabs(V3D_Dot(r, n)) > tol)
            return 0;
    }
    P3D_Copy(n, normal);
    return 1;
}

void CirclePoint(const ECRV_CIRCLE* c, double t, double* P, double* d1, double* d2)
{
    const double co = std::cos(t), si = std::sin(t), r = c->r;
    const _rect_fm3d& f = c->frame;
    for (int e = 0; e < 3; ++e) {
        const double radial = co * f.X[e] + si * f.Y[e];
        if (P)
            P[e] = f.O[e] + r * radial;
        if (d1)
            d1[e] = r * (-si * f.X[e] + co * f.Y[e]);
        if (d2)
            d2[e] = -r * radial;
    }
}

// Point, first and second derivative by code; any output may be null.
int Eval(const CURVE* c, double t, double* P, double* d1, double* d2)
{
    if (c == nullptr || !std::isfinite(t))
        return 0;
    switch (c->type) {
    case ENT_LINE: {
        const auto* l = AsLine(c);
        for (int e = 0; e < 3; ++e) {
            if (P)
                P[e] = l->base[e] + t * l->dir[e];
            if (d1)
                d1[e] = l->dir[e];
            if (d2)
                d2[e] = 0.0;
        }
        return 1;
    }
    case ENT_CIRCLE:
        CirclePoint(AsCircle(c), t, P, d1, d2);
        return 1;
    case ENT_NURBS_CURVE: {
        const auto* n = AsNurbs(c);
        if (n->curve == nullptr)
            return 0;
        double p[3], a[3], b[3];
        if (!BCRV_Ev2Der(n->curve, WrappedT(n->param, t), p, a, b))
            return 0;
        if (P)
            P3D_Copy(p, P);
        if (d1)
            P3D_Copy(a, d1);
        if (d2)
            P3D_Copy(b, d2);
        return 1;
    }
    case ENT_INTERSECTION:
        return IntersectionEval(AsIntersection(c), t, P, d1, d2);
    default:
        return 0;
    }
}

// Adaptive bisection between t0 and t1: a span is kept when its chord is
// shorter than s2, its middle point within s0 of the chord and its end tangents
// within s1 of each other.
int SampleAdaptive(const CURVE* c, double s0, double s1, double s2, double t0, double t1, PTSTRING** out)
{
    struct Node {
        double t, p[3], tan[3];
    };
    // Where the derivative vanishes (a cusp, a zero-speed end) the tangent is
    // taken a little way towards the middle of the range: its limit there.
    const double nudge = 1e-7 * (t1 - t0);
    auto make = [&](double t, Node& n) {
        n.t = t;
        if (Eval(c, t, n.p, n.tan, nullptr) != 1)
            return false;
        if (V3D_Unit(n.tan, 1e-6) == 1)
            return true;
        double q[3];
        const double toward = (t - t0) < 0.5 * (t1 - t0) ? nudge : -nudge;
        return Eval(c, t + toward, q, n.tan, nullptr) == 1 && V3D_Unit(n.tan, 1e-12) == 1;
    };
    Node a, b;
    if (!make(t0, a) || !make(t1, b))
        return 0;
    std::vector<Node> done{a};
    std::vector<Node> pending{b}; // successors of the current node, nearest last
    for (int steps = 0; !pending.empty(); ++steps) {
        if (steps > kMaxSampleSteps)
            return 0;
        const Node& A = done.back();
        const Node B = pending.back();
        Node m;
        if (!make(0.5 * (A.t + B.t), m))
            return 0;
        double gap[3];
        V3D_Sub(A.tan, B.tan, gap);
        // A span at the parameter resolution is kept as it is: at a cusp or a
        // corner the tangents never come closer.
        const bool tiny = std::fabs(B.t - A.t) <= 1e-9 * std::fabs(t1 - t0);
        if (tiny || (P3D_Dist(A.p, B.p) < s2 && L3D_DistToPntEx(m.p, A.p, B.p) < s0 && V3D_Len(gap) < s1)) {
            done.push_back(B);
            pending.pop_back();
        } else {
            pending.push_back(m);
        }
    }
    PTSTRING* s = PTSTRING_New(static_cast<int>(done.size()), PTSTRING_POINTS | PTSTRING_PARAMS);
    if (s == nullptr)
        return -1;
    for (size_t i = 0; i < done.size(); ++i) {
        P3D_Copy(done[i].p, s->pnts[i]);
        s->params[i] = done[i].t;
    }
    *out = s;
    return 1;
}

// n + 1 equally spaced parameters from t0 to t1.
int SampleEven(const CURVE* c, int n, double t0, double t1, PTSTRING** out)
{
    PTSTRING* s = PTSTRING_New(n + 1, PTSTRING_POINTS | PTSTRING_PARAMS);
    if (s == nullptr)
        return -1;
    for (int i = 0; i <= n; ++i) {
        const double t = i == n ? t1 : t0 + (t1 - t0) * i / n;
        s->params[i] = t;
        Eval(c, t, s->pnts[i], nullptr, nullptr);
    }
    *out = s;
    return 1;
}

int SampleCircle(const ECRV_CIRCLE* c, double s0, double s1, double s2, double t0, double t1, PTSTRING** out)
{
    const double r = c->r;
    if (r < 1e-6 || s0 < 1e-6 || s1 < 0.001 || s2 < 1e-6 || std::fabs(t1 - t0) < 0.001)
        return 0;
    const double e = std::min(s0, r), f = std::min(s1, 0.5 * kPi), g = std::min(s2, r);
    const double h = std::sqrt(e * (2.0 * r - e)); // half chord of sagitta e
    const double alpha = std::max(2.0 * std::asin(std::min(h, 0.5 * g) / r), 0.001);
    const int n = std::max(1, static_cast<int>(std::ceil(std::fabs(t1 - t0) / std::min(alpha, f))));
    return SampleEven(&c->h, n, t0, t1, out);
}

// Largest distance between the curves at equal parameters, at four points of
// every knot span of a (b's knots being a subset of a's after knot removal).
double ParametricGap(const BCRV* a, const BCRV* b)
{
    double worst = 0.0;
    for (int i = a->k - 1; i < a->n; ++i)
        for (int q = 0; q < 4; ++q) {
            const double u = a->U[i] + 0.25 * q * (a->U[i + 1] - a->U[i]);
            double pa[3], pb[3];
            if (!BCRV_EvPos(a, u, pa) || !BCRV_EvPos(b, u, pb))
                return 1e300;
            worst = std::max(worst, P3D_Dist(pa, pb));
        }
    return worst;
}

// A copy of the curve with knots removed and no point of it farther than tol
// from the curve; null when no such copy has fewer knots. Each removal stays
// within its tolerance, but removals of neighbouring knots add up (on the
// samples of a long trace to many times the tolerance), so the tolerance is
// lowered until the whole copy stays within tol.
BCRV* ReducedWithin(const BCRV* curve, double tol)
{
    double removal = tol;
    for (int attempt = 0; attempt < 30; ++attempt) {
        BCRV* copy = NRB_CopyCurve(curve);
        if (copy == nullptr)
            return nullptr;
        if (NRB_RemoveCurveKnots(copy, removal) <= 0) {
            BCRV_Free(copy);
            return nullptr;
        }
        const double gap = ParametricGap(curve, copy);
        if (gap <= tol)
            return copy;
        BCRV_Free(copy);
        removal *= std::clamp(0.8 * tol / gap, 0.05, 0.8);
    }
    return nullptr;
}

}  // namespace

CURVE* ECRV_NewLine(const double* base, const double* dir)
{
    auto* l = reinterpret_cast<ECRV_LINE*>(ENT_Alloc(ENT_LINE, sizeof(ECRV_LINE)));
    if (l == nullptr)
        return nullptr;
    if (base)
        P3D_Copy(base, l->base);
    // The record holds a unit direction; one that does not normalise is (1, 0, 0).
    if (dir)
        P3D_Copy(dir, l->dir);
    if (V3D_Unit(l->dir, 1e-300) != 1)
        P3D_Set(l->dir, 1.0, 0.0, 0.0);
    return &l->h;
}

CURVE* ECRV_NewCircle(const _rect_fm3d* frame, double r)
{
    auto* c = reinterpret_cast<ECRV_CIRCLE*>(ENT_Alloc(ENT_CIRCLE, sizeof(ECRV_CIRCLE)));
    if (c == nullptr)
        return nullptr;
    if (frame)
        c->frame = *frame;
    else
        RF_Init(&c->frame);
    c->r = r;
    return &c->h;
}

CURVE* ECRV_NewEllipse(const _rect_fm3d* frame, double r1, double r2)
{
    auto* c = reinterpret_cast<ECRV_ELLIPSE*>(ENT_Alloc(ENT_ELLIPSE, sizeof(ECRV_ELLIPSE)));
    if (c == nullptr)
        return nullptr;
    if (frame)
        c->frame = *frame;
    else
        RF_Init(&c->frame);
    c->r1 = r1;
    c->r2 = r2;
    return &c->h;
}

CURVE* ECRV_NewNurbs(BCRV* curve)
{
    auto* c = reinterpret_cast<ECRV_NURBS*>(ENT_Alloc(ENT_NURBS_CURVE, sizeof(ECRV_NURBS)));
    if (c == nullptr)
        return nullptr;
    c->curve = curve;
    PARAM_Init(&c->param);
    ECRV_UpdateNurbsParam(&c->h);
    return &c->h;
}

int ECRV_UpdateNurbsParam(CURVE* c)
{
    if (c == nullptr || c->type != ENT_NURBS_CURVE)
        return 0;
    auto* n = reinterpret_cast<ECRV_NURBS*>(c);
    PARAM_Init(&n->param);
    if (n->curve == nullptr || !BCRV_IsValid(n->curve))
        return 0;
    n->param.start = n->curve->U[n->curve->k - 1];
    n->param.end = n->curve->U[n->curve->n];
    const int kind = NRB_ClosureKind(n->curve, ESSI_GetPointTol(), ESSI_GetAngleTol());
    n->param.closure = ClosureOfKind(kind);
    return 1;
}

int ECRV_GetRange(const CURVE* c, double* range)
{
    if (c == nullptr || range == nullptr)
        return 0;
    switch (c->type) {
    case ENT_LINE:
        range[0] = -kLineRange;
        range[1] = kLineRange;
        return 1;
    case ENT_CIRCLE:
        range[0] = 0.0;
        range[1] = 2.0 * kPi;
        return 1;
    case ENT_NURBS_CURVE:
        range[0] = AsNurbs(c)->param.start;
        range[1] = AsNurbs(c)->param.end;
        return 1;
    case ENT_INTERSECTION:
        return IntersectionRange(AsIntersection(c), range) ? 1 : 0;
    default:
        return 0;
    }
}

int ECRV_GetParam(_param* out, const CURVE* c)
{
    if (out == nullptr || c == nullptr)
        return 0;
    switch (c->type) {
    case ENT_LINE:
        *out = _param{-kLineRange, kLineRange, 0, 0, 0, 0, 3};
        return 1;
    case ENT_CIRCLE:
        *out = _param{0.0, 2.0 * kPi, 0, 0, 2, 1, 3};
        return 1;
    case ENT_NURBS_CURVE:
        *out = AsNurbs(c)->param;
        return 1;
    case ENT_INTERSECTION: {
        double range[2];
        if (!IntersectionRange(AsIntersection(c), range))
            return 0;
        *out = _param{range[0], range[1], 1, 1, IntersectionClosure(AsIntersection(c)), 3, 3};
        return 1;
    }
    default:
        return 0;
    }
}

int ECRV_EvalPoint(double* P, const CURVE* c, double t) { return P ? Eval(c, t, P, nullptr, nullptr) : 0; }

int ECRV_EvalDeriv1(double* d1, double* P, const CURVE* c, double t)
{
    return P && d1 ? Eval(c, t, P, d1, nullptr) : 0;
}

int ECRV_EvalDeriv2(const CURVE* c, double* d1, double* d2, double* P, double t)
{
    return P && d1 && d2 ? Eval(c, t, P, d1, d2) : 0;
}

int ECRV_NewtonNearest(const CURVE* c, const double* P, double* t, double* foot, double tol)
{
    // Beyond the range an open NURBS curve's evaluation clamps and an
    // intersection curve's wraps; keep t in the range, so that the parameter
    // and the foot agree.
    _param range;
    const bool keepInRange = c != nullptr && SampledParam(c, &range) && range.closure != 2;
    double prev = 1e12;
    for (int it = 0; it < kNewtonSteps; ++it) {
        double C[3], d1[3], d2[3];
        if (!Eval(c, *t, C, d1, d2))
            return 0;
        P3D_Copy(C, foot);
        const double d = P3D_Dist(P, C);
        if (std::fabs(d - prev) < tol)
            return 1;
        prev = d;
        const double len = V3D_Len(d1);
        if (len < 1e-6)
            return 0;
        double r[3];
        V3D_Sub(P, C, r);
        const double s = V3D_Dot(d1, r) / len;
        if (std::fabs(s) < tol)
            return 1;
        // The full Newton step on the squared distance where its curvature term
        // keeps it a minimum; the first-order step s / |C'| alone overshoots,
        // and diverges once the point lies beyond the centre of curvature.
        const double h = len * len - V3D_Dot(d2, r);
        *t += h > 0.1 * len * len ? s * len / h : s / len;
        if (keepInRange)
            *t = std::clamp(*t, range.start, range.end);
    }
    return 0;
}

const PTSTRING* ECRV_NurbsSamples(CURVE* c)
{
    return c != nullptr && c->type == ENT_NURBS_CURVE ? SampleCache(c) : nullptr;
}

int ECRV_NearestPoint(double* foot, const double* P, double* t, CURVE* c)
{
    if (foot == nullptr || P == nullptr || t == nullptr || c == nullptr)
        return 0;
    switch (c->type) {
    case ENT_LINE: {
        const auto* l = AsLine(c);
        double r[3];
        V3D_Sub(P, l->base, r);
        *t = V3D_Dot(r, l->dir);
        L3D_GetPnt(l->base, l->dir, *t, foot);
        return 1;
    }
    case ENT_CIRCLE: {
        const auto* ci = AsCircle(c);
        const _rect_fm3d& f = ci->frame;
        double q[3], off[3];
        PLN_PrjPntPln(P, f.O, f.Z, q);
        V3D_Sub(q, f.O, off);
        if (V3D_Unit(off, 1e-6) == 1) {
            *t = V3D_GetRotAngleXY(f.X, f.Y, off);
            L3D_GetPnt(f.O, off, ci->r, foot);
        } else {
            *t = 0.0;
            L3D_GetPnt(f.O, f.X, ci->r, foot);
        }
        return 1;
    }
    case ENT_ELLIPSE: {
        const auto* el = reinterpret_cast<const ECRV_ELLIPSE*>(c);
        double q[3], f2[2], angle = 0.0, dist = 0.0;
        RF_TransWorldP3D(&el->frame, P, q);
        if (!EQ_EllipseNearest(f2, &angle, el->r1, el->r2, &dist, q))
            return 0;
        const double local[3] = {f2[0], f2[1], 0.0};
        RF_TransLocalP3D(&el->frame, local, foot);
        *t = angle;
        return 1;
    }
    case ENT_NURBS_CURVE:
    case ENT_INTERSECTION: {
        const double tol = ESSI_GetPointTol();
        _param range;
        if (!SampledParam(c, &range))
            return 0;
        if (*t >= range.start - 1e-12 && *t <= range.end + 1e-12) {
            double tt = *t;
            if (ECRV_NewtonNearest(c, P, &tt, foot, tol) == 1) {
                *t = tt;
                return 1;
            }
        }
        const PTSTRING* s = SampleCache(c);
        if (s == nullptr)
            return 0;
        double s3[3];
        ESSI_GetSubdivTolerance(s3);
        std::vector<double> cand(static_cast<size_t>(s->n));
        int count = 0;
        double nearest = 0.0;
        if (PTSTRING_NearestCandidates(&count, cand.data(), s, P, &nearest, s3[0] + 1e-6) != 1)
            return 0;
        double best = 1e20;
        for (int i = 0; i < count; ++i) {
            // Newton's answer where it converged to a nearer point, else the
            // candidate itself.
            double tc = cand[i], fc[3], tt = cand[i], f[3];
            if (!Eval(c, tc, fc, nullptr, nullptr))
                continue;
            if (ECRV_NewtonNearest(c, P, &tt, f, tol) == 1 && P3D_Dist(P, f) <= P3D_Dist(P, fc)) {
                tc = tt;
                P3D_Copy(f, fc);
            }
            const double d = P3D_Dist(P, fc);
            if (d < best) {
                best = d;
                *t = WrappedT(range, tc);
                P3D_Copy(fc, foot);
            }
        }
        return best < 1e12 ? 1 : 0;
    }
    default:
        return 0;
    }
}

int ECRV_Sample(double s0, double s1, double s2, PTSTRING** out, double t0, double t1, const CURVE* c)
{
    if (out == nullptr || c == nullptr || !std::isfinite(t0) || !std::isfinite(t1))
        return 0;
    switch (c->type) {
    case ENT_LINE: {
        if (s2 < 1e-12)
            return 0;
        const int n = std::max(1, static_cast<int>(std::ceil(std::fabs(t1 - t0) / s2)));
        return SampleEven(c, n, t0, t1, out);
    }
    case ENT_CIRCLE:
        return SampleCircle(AsCircle(c), s0, s1, s2, t0, t1, out);
    case ENT_NURBS_CURVE:
        return AsNurbs(c)->curve ? SampleAdaptive(c, s0, s1, s2, t0, t1, out) : 0;
    case ENT_INTERSECTION:
        return AsIntersection(c)->trace ? SampleAdaptive(c, s0, s1, s2, t0, t1, out) : 0;
    default:
        return 0;
    }
}

int ECRV_GetPlane(double* normal, const CURVE* c, double* point)
{
    if (c == nullptr)
        return 0;
    double n[3], p[3];
    switch (c->type) {
    case ENT_LINE: {
        double y[3];
        if (!V3D_GetXYFromZ(AsLine(c)->dir, n, y))
            return 0;
        P3D_Copy(AsLine(c)->base, p);
        break;
    }
    case ENT_CIRCLE:
        P3D_Copy(AsCircle(c)->frame.Z, n);
        P3D_Copy(AsCircle(c)->frame.O, p);
        break;
    case ENT_NURBS_CURVE:
        if (AsNurbs(c)->curve == nullptr || NRB_PlaneOfCurve(p, AsNurbs(c)->curve, n, ESSI_GetPointTol()) != 1)
            return 0;
        break;
    case ENT_INTERSECTION: {
        // A plane record among the surfaces is the plane itself. The surfaces
        // that the intersection traces are never plane records, so a curve
        // also counts as planar when all its samples lie on one plane (a plane
        // section of a NURBS plane, the ellipses of two equal cylinders).
        const auto* ic = AsIntersection(c);
        const SURFACE* plane = ic->a && ic->a->type == ENT_PLANE ? ic->a
                               : ic->b && ic->b->type == ENT_PLANE ? ic->b
                                                                   : nullptr;
        if (plane) {
            const _rect_fm3d& f = reinterpret_cast<const ESRF_PLANE*>(plane)->frame;
            P3D_Copy(f.Z, n);
            P3D_Copy(f.O, p);
        } else if (TracePlane(ic->trace, ESSI_GetPointTol(), p, n) != 1) {
            return 0;
        }
        break;
    }
    default:
        return 0;
    }
    if (normal)
        P3D_Copy(n, normal);
    if (point)
        P3D_Copy(p, point);
    return 1;
}

int ECRV_CircleArc(const ECRV_CIRCLE* c, double t0, double t1, _arc* out)
{
    const _rect_fm3d& f = c->frame;
    out->frame.s = 1.0;
    out->r = c->r;
    out->sweep = std::min(std::fabs(t1 - t0), 2.0 * kPi);
    for (int e = 0; e < 3; ++e)
        out->frame.Z[e] = t1 < t0 ? -f.Z[e] : f.Z[e];
    P3D_Copy(f.O, out->frame.O);
    double p0[3];
    CirclePoint(c, t0, p0, nullptr, nullptr);
    for (int e = 0; e < 3; ++e)
        out->frame.X[e] = (p0[e] - f.O[e]) / c->r;
    V3D_Cross(out->frame.Z, out->frame.X, out->frame.Y);
    return V3D_Unit(out->frame.Y, 1e-12) == 1 && std::isfinite(out->frame.X[0]) ? 1 : 0;
}

int ECRV_ToNurbs(double tol, const double* range, const CURVE* c, BCRV** out, int* exact)
{
    if (c == nullptr || range == nullptr || out == nullptr || exact == nullptr || !(tol >= kKernelMinConvertTol))
        return 0;
    switch (c->type) {
    case ENT_LINE: {
        double a[3], b[3];
        Eval(c, range[0], a, nullptr, nullptr);
        Eval(c, range[1], b, nullptr, nullptr);
        if (BCRV_GenLine(a, b, out) != 1)
            return 0;
        *exact = 1;
        return 1;
    }
    case ENT_CIRCLE: {
        _arc arc;
        if (!ECRV_CircleArc(AsCircle(c), range[0], range[1], &arc) || BCRV_GenArc(&arc, out) != 1)
            return 0;
        *exact = 1;
        return 1;
    }
    case ENT_NURBS_CURVE: {
        BCRV* copy = NRB_CopyCurve(AsNurbs(c)->curve);
        if (copy == nullptr)
            return 0;
        *out = copy;
        *exact = 1;
        return 1;
    }
    case ENT_INTERSECTION: {
        // An approximation: the interpolating cubic through every sample (the
        // range is not applied), with the knots that the tolerance allows
        // removed.
        const SSI_TRACE* tr = AsIntersection(c)->trace;
        if (tr == nullptr || tr->n < 2)
            return 0;
        auto* pts = static_cast<double(*)[3]>(QV_MemAlloc(sizeof(double[3]) * static_cast<size_t>(tr->n)));
        if (pts == nullptr)
            return -1;
        for (int i = 0; i < tr->n; ++i)
            P3D_Copy(tr->s[i].p, pts[i]);
        BCRV* curve = nullptr;
        const int rc = BCRV_IntpPs(tr->n, pts, 4, &curve);
        QV_MemFree(pts);
        if (rc != 1 || curve == nullptr)
            return 0;
        BCRV* reduced = ReducedWithin(curve, tol);
        if (reduced) {
            BCRV_Free(curve);
            curve = reduced;
        }
        *out = curve;
        *exact = 0;
        return 1;
    }
    default:
        return 0;
    }
}

int BCRV_CreConicArc(const double* coef, const double* start, const double* end, BCRV** out)
{
    if (coef == nullptr || start == nullptr || end == nullptr || out == nullptr)
        return 0;
    const double a = coef[0], b = coef[1], c = coef[2], d = coef[3], e = coef[4], f = coef[5], z = coef[6];
    if (!(std::fabs(b) + std::fabs(d) + std::fabs(e) <= 1e-6) || !(std::fabs(a) >= 1e-6) ||
        !(std::fabs(c) >= 1e-6) || !(std::fabs(f) >= 1e-6))
        return 0;
    // Only a real ellipse: a and c of one sign, f of the other.
    if (!(a * c > 0.0) || !(a * f < 0.0) || !std::isfinite(z))
        return 0;
    const double A = std::sqrt(-f / a), B = std::sqrt(-f / c);
    double th0 = std::atan2(start[1] / B, start[0] / A);
    double th1 = std::atan2(end[1] / B, end[0] / A);
    if (std::fabs(th0) < 1e-16)
        th0 = 0.0;
    while (th0 < 0.0)
        th0 += 2.0 * kPi;
    while (th1 < 0.0)
        th1 += 2.0 * kPi;
    while (!(th1 > th0))
        th1 += 2.0 * kPi;
    _rect_fm3d frame;
    RF_Init(&frame);
    frame.O[2] = z;
    CURVE* ellipse = ECRV_NewEllipse(&frame, A, B);
    if (ellipse == nullptr)
        return 1;
    ECRV_CIRCLE circle{{ENT_CIRCLE, 1}, frame, A};
    _arc arc;
    BCRV* curve = nullptr;
    if (ECRV_CircleArc(&circle, th0, th1, &arc) == 1 && BCRV_GenArc(&arc, &curve) == 1) {
        BCRV_TransWorld(curve, &frame);
        for (int i = 0; i < curve->n; ++i)
            curve->P[i][1] *= B / A; // w·y scaled is the Euclidean y scaled, stored back times w
        BCRV_TransLocal(curve, &frame);
        *out = curve;
    }
    QV_MemFree(ellipse);
    return 1;
}
