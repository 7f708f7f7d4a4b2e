#include "toolpath/surfkernel/SurfaceEntity.h"

#include "framework/numerak/Line3D.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/QvMem.h"
#include "framework/numerak/QvnMath.h"
#include "toolpath/surfkernel/CurveEntity.h"
#include "toolpath/surfkernel/SmallEquations.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kExtrusionRange = 1e20;

// Point and partial derivatives of a surface.
struct Derivs {
    double P[3], Su[3], Sv[3], Suu[3], Suv[3], Svv[3];
};

const ESRF_SPHERE* AsSphere(const SURFACE* s) { return reinterpret_cast<const ESRF_SPHERE*>(s); }
const ESRF_NURBS* AsNurbs(const SURFACE* s) { return reinterpret_cast<const ESRF_NURBS*>(s); }
const ESRF_EXTRUSION* AsExtrusion(const SURFACE* s) { return reinterpret_cast<const ESRF_EXTRUSION*>(s); }
const ESRF_OFFSET* AsOffset(const SURFACE* s) { return reinterpret_cast<const ESRF_OFFSET*>(s); }

void Combine(double* out, double a, const double* x, double b, const double* y)
{
    for (int e = 0; e < 3; ++e)
        out[e] = a * x[e] + b * y[e];
}

void SphereDerivs(const ESRF_SPHERE* s, double u, double v, Derivs& d)
{
    const _rect_fm3d& f = s->frame;
    const double r = s->r, cu = std::cos(u), su = std::sin(u), cv = std::cos(v), sv = std::sin(v);
    double radial[3], east[3]; // cos u·X + sin u·Y and its u derivative
    Combine(radial, cu, f.X, su, f.Y);
    Combine(east, -su, f.X, cu, f.Y);
    for (int e = 0; e < 3; ++e) {
        d.P[e] = f.O[e] + r * (cv * radial[e] + sv * f.Z[e]);
        d.Su[e] = r * cv * east[e];
        d.Sv[e] = r * (cv * f.Z[e] - sv * radial[e]);
        d.Suu[e] = -r * cv * radial[e];
        d.Suv[e] = -r * sv * east[e];
        d.Svv[e] = -r * (sv * f.Z[e] + cv * radial[e]);
    }
}

void Negate(double* v)
{
    for (int e = 0; e < 3; ++e)
        v[e] = -v[e];
}

double WrapIfPeriodic(const _param& p, double x)
{
    return p.closure == 2 ? QVN_Math::ClampPeriodic(p.start, p.end, x) : x;
}

int Deriv(const SURFACE* s, double u, double v, int order, Derivs& d);

// Offset surface point B + d·N.
int OffsetPoint(const ESRF_OFFSET* o, double u, double v, double* P)
{
    double N[3], B[3];
    if (ESRF_EvalNormal(N, B, o->base, u, v) != 1)
        return 0;
    for (int e = 0; e < 3; ++e)
        P[e] = B[e] + o->d * N[e];
    return 1;
}

// A base partial this much shorter than the other vanishes: the base has a
// pole there. Relative to the other partial (the surface's size per unit
// parameter), so that rounding noise on a pole counts as vanishing at any
// model size.
constexpr double kPoleRatio = 1e-8;

// The test from the lengths lu, lv of the base partials.
bool BasePole(double lu, double lv)
{
    return std::min(lu, lv) < kPoleRatio * std::max(lu, lv) || std::max(lu, lv) < 1e-300;
}

// Difference (p - q)/h of two offset points; zero where the points differ
// only by rounding (on a pole both are the same point computed twice).
void DifferencePartial(const double* p, const double* q, double h, double* out)
{
    const double scale = std::max({V3D_Len(p), V3D_Len(q), 1e-300});
    double d[3];
    V3D_Sub(p, q, d);
    const bool noise = V3D_Len(d) <= 64.0 * std::numeric_limits<double>::epsilon() * scale;
    for (int e = 0; e < 3; ++e)
        out[e] = noise ? 0.0 : d[e] / h;
}

// Offset surface: point and first derivatives from the base's point and first
// and second derivatives b at (u, v). Where a base partial nearly vanishes
// (absolutely, or relative to the other one), forward differences of the
// offset point. lu and lv are the lengths of the base partials.
int OffsetDeriv1(const ESRF_OFFSET* o, double u, double v, const Derivs& b, double lu, double lv, Derivs& d)
{
    if (lu < 1e-6 || lv < 1e-6 || BasePole(lu, lv)) {
        const double big = std::max(lu, lv);
        double box[4];
        if (!(big > 0.0) || ESRF_GetUVBox(o->base, box) != 1)
            return 0;
        const double h = 1e-6 / big;
        const double hu = u + h > box[2] ? -h : h, hv = v + h > box[3] ? -h : h;
        double pu[3], pv[3];
        if (!OffsetPoint(o, u, v, d.P) || !OffsetPoint(o, u + hu, v, pu) || !OffsetPoint(o, u, v + hv, pv))
            return 0;
        DifferencePartial(pu, d.P, hu, d.Su);
        DifferencePartial(pv, d.P, hv, d.Sv);
        return 2; // marks the difference case for the second derivatives
    }
    double N[3], t1[3], t2[3], Nu[3], Nv[3];
    V3D_Cross(b.Su, b.Sv, N);
    const double A = V3D_Len(N);
    if (A < 1e-20)
        return 0;
    V3D_Cross(b.Suu, b.Sv, t1);
    V3D_Cross(b.Su, b.Suv, t2);
    V3D_Add(t1, t2, Nu);
    V3D_Cross(b.Suv, b.Sv, t1);
    V3D_Cross(b.Su, b.Svv, t2);
    V3D_Add(t1, t2, Nv);
    double n[3];
    for (int e = 0; e < 3; ++e) {
        n[e] = N[e] / A;
        Nu[e] /= A;
        Nv[e] /= A;
    }
    const double nNu = V3D_Dot(n, Nu), nNv = V3D_Dot(n, Nv);
    for (int e = 0; e < 3; ++e) {
        d.P[e] = b.P[e] + o->d * n[e];
        d.Su[e] = b.Su[e] + o->d * (Nu[e] - nNu * n[e]);
        d.Sv[e] = b.Sv[e] + o->d * (Nv[e] - nNv * n[e]);
    }
    return 1;
}

int OffsetDeriv1(const ESRF_OFFSET* o, double u, double v, Derivs& d)
{
    Derivs b;
    if (Deriv(o->base, u, v, 2, b) != 1)
        return 0;
    return OffsetDeriv1(o, u, v, b, V3D_Len(b.Su), V3D_Len(b.Sv), d);
}

// Derivatives along u (alongU) or v of the offset's Su and Sv at (u, v) with
// step h inside [lo, hi]: out[0][2] d(Su), out[1][2] d(Sv), second order.
bool Stencil(const ESRF_OFFSET* o, double u, double v, double h, double lo, double hi, bool alongU,
             double (*out)[3][3])
{
    const double x = alongU ? u : v;
    double w[3], at[3];
    if (x - h >= lo && x + h <= hi) {
        at[0] = x - h, at[1] = x + h, at[2] = x;
        w[0] = -0.5 / h, w[1] = 0.5 / h, w[2] = 0.0;
    } else {
        const double s = x - h < lo ? h : -h;
        at[0] = x, at[1] = x + s, at[2] = x + 2 * s;
        w[0] = -1.5 / s, w[1] = 2.0 / s, w[2] = -0.5 / s;
    }
    for (int k = 0; k < 3; ++k)
        out[0][2][k] = out[1][2][k] = 0.0;
    for (int i = 0; i < 3; ++i) {
        if (w[i] == 0.0)
            continue;
        Derivs d;
        if (!OffsetDeriv1(o, alongU ? at[i] : u, alongU ? v : at[i], d))
            return false;
        for (int k = 0; k < 3; ++k) {
            out[0][2][k] += w[i] * d.Su[k];
            out[1][2][k] += w[i] * d.Sv[k];
        }
    }
    return true;
}

// Offset surface second derivatives: differences of the exact first
// derivatives (the offset's second derivatives need the base's third).
int OffsetDeriv2(const ESRF_OFFSET* o, double u, double v, Derivs& d)
{
    const int kind = OffsetDeriv1(o, u, v, d);
    if (kind == 0)
        return 0;
    double box[4];
    if (ESRF_GetUVBox(o->base, box) != 1)
        return 0;
    Derivs a, b, c, e;
    double ua = u, ub = u, va = v, vb = v;
    if (kind == 2) {
        // The forward steps of the first derivatives.
        Derivs base;
        if (Deriv(o->base, u, v, 1, base) != 1)
            return 0;
        const double h = 1e-6 / std::max({V3D_Len(base.Su), V3D_Len(base.Sv), 1e-300});
        ua = u;
        va = v;
        ub = u + (u + h > box[2] ? -h : h);
        vb = v + (v + h > box[3] ? -h : h);
        a = d;
        c = d;
    } else {
        // Second-order differences: central inside the box, three-point one-sided
        // at its edges.
        const double hu = 1e-5 * std::max(1.0, std::fabs(u)), hv = 1e-5 * std::max(1.0, std::fabs(v));
        double du[2][3][3], dv[2][3][3]; // [Su or Sv][stencil point][component]
        if (!Stencil(o, u, v, hu, box[0], box[2], true, du) || !Stencil(o, u, v, hv, box[1], box[3], false, dv))
            return 0;
        for (int k = 0; k < 3; ++k) {
            d.Suu[k] = du[0][2][k];
            d.Svv[k] = dv[1][2][k];
            d.Suv[k] = 0.5 * (du[1][2][k] + dv[0][2][k]);
        }
        return 1;
    }
    if (!OffsetDeriv1(o, ub, v, b) || !OffsetDeriv1(o, u, vb, e))
        return 0;
    for (int k = 0; k < 3; ++k) {
        d.Suu[k] = (b.Su[k] - a.Su[k]) / (ub - ua);
        d.Svv[k] = (e.Sv[k] - c.Sv[k]) / (vb - va);
        d.Suv[k] = 0.5 * ((b.Sv[k] - a.Sv[k]) / (ub - ua) + (e.Su[k] - c.Su[k]) / (vb - va));
    }
    return 1;
}

// Point (order 0), first (1) or first and second (2) derivatives.
int Deriv(const SURFACE* s, double u, double v, int order, Derivs& d)
{
    if (s == nullptr || !std::isfinite(u) || !std::isfinite(v))
        return 0;
    switch (s->type) {
    case ENT_SPHERE:
        SphereDerivs(AsSphere(s), u, v, d);
        return 1;
    case ENT_NURBS_SURFACE: {
        const auto* n = AsNurbs(s);
        if (n->surface == nullptr)
            return 0;
        u = WrapIfPeriodic(n->U, u);
        v = WrapIfPeriodic(n->V, v);
        return BSRF_EvPatches(n->patches, n->surface, u, v, order, d.P, d.Su, d.Sv, d.Suu, d.Suv, d.Svv);
    }
    case ENT_EXTRUSION: {
        const auto* x = AsExtrusion(s);
        double C[3], C1[3], C2[3];
        if (ECRV_EvalDeriv2(x->profile, C1, C2, C, u) != 1)
            return 0;
        for (int e = 0; e < 3; ++e) {
            d.P[e] = C[e] + v * x->d[e];
            d.Su[e] = C1[e];
            d.Sv[e] = x->d[e];
            d.Suu[e] = C2[e];
            d.Suv[e] = d.Svv[e] = 0.0;
        }
        return 1;
    }
    case ENT_OFFSET: {
        const auto* o = AsOffset(s);
        if (o->base == nullptr)
            return 0;
        if (order == 0)
            return OffsetPoint(o, u, v, d.P);
        if (order == 1)
            return OffsetDeriv1(o, u, v, d) ? 1 : 0;
        return OffsetDeriv2(o, u, v, d);
    }
    default:
        return 0;
    }
}

// Point at fraction f along edge `edge` of the box: 0 u = umin, 1 u = umax,
// 2 v = vmin, 3 v = vmax.
void EdgeUV(const double* box, int edge, double f, double& u, double& v)
{
    if (edge < 2) {
        u = edge == 0 ? box[0] : box[2];
        v = box[1] + f * (box[3] - box[1]);
    } else {
        u = box[0] + f * (box[2] - box[0]);
        v = edge == 2 ? box[1] : box[3];
    }
}

// Normal Su × Sv from the first derivatives normalised at 1e-12; false when it
// does not normalise.
bool CrossNormal(const Derivs& d, double* N)
{
    V3D_Cross(d.Su, d.Sv, N);
    return V3D_Unit(N, 1e-12) == 1;
}

bool ProbeDegenerate(const SURFACE* s, const double* box, int edge, double tol)
{
    double u, v, p0[3], p1[3], pm[3];
    EdgeUV(box, edge, 0.0, u, v);
    if (ESRF_EvalPoint(p0, s, u, v) != 1)
        return false;
    EdgeUV(box, edge, 1.0, u, v);
    if (ESRF_EvalPoint(p1, s, u, v) != 1)
        return false;
    EdgeUV(box, edge, 0.5, u, v);
    if (ESRF_EvalPoint(pm, s, u, v) != 1)
        return false;
    if (!(P3D_Dist(p0, p1) <= tol) || !(P3D_Dist(p0, pm) + P3D_Dist(p1, pm) <= tol))
        return false;
    for (int i = 0; i < 10; ++i) {
        EdgeUV(box, edge, QVN_Math::Rand01(), u, v);
        double q[3];
        if (ESRF_EvalPoint(q, s, u, v) != 1 || !(P3D_Dist(p0, q) + P3D_Dist(p1, q) <= tol))
            return false;
    }
    return true;
}

// Closure of the direction whose opposite edges are lo and hi (0/1 or 2/3).
int ProbeClosure(const SURFACE* s, const double* box, int lo, double tol, double angleTol)
{
    auto fraction = [](int i) { return i == 0 ? 0.0 : (i == 1 ? 0.5 : (i == 2 ? 1.0 : QVN_Math::Rand01())); };
    for (int i = 0; i < 13; ++i) {
        const double f = fraction(i);
        double u, v, a[3], b[3];
        EdgeUV(box, lo, f, u, v);
        if (ESRF_EvalPoint(a, s, u, v) != 1)
            return 0;
        EdgeUV(box, lo + 1, f, u, v);
        if (ESRF_EvalPoint(b, s, u, v) != 1)
            return 0;
        if (!(P3D_Dist(a, b) <= tol))
            return 0;
    }
    for (int i = 0; i < 13; ++i) {
        const double f = fraction(i);
        double u, v, na[3], nb[3];
        Derivs da, db;
        EdgeUV(box, lo, f, u, v);
        if (Deriv(s, u, v, 1, da) != 1)
            return 1;
        EdgeUV(box, lo + 1, f, u, v);
        if (Deriv(s, u, v, 1, db) != 1)
            return 1;
        if (CrossNormal(da, na) && CrossNormal(db, nb) && V3D_GetAngleUnit(na, nb) > angleTol)
            return 1;
    }
    return 2;
}

// Normal of the surface a small step inside the domain from (u, v), moving the
// parameter whose partial does not vanish towards the middle of its range.
int NormalInside(const SURFACE* s, double u, double v, bool moveV, double* N)
{
    double box[4];
    if (ESRF_GetUVBox(s, box) != 1)
        return 0;
    const double lo = moveV ? box[1] : box[0], hi = moveV ? box[3] : box[2];
    const double x = moveV ? v : u;
    const double span = std::min(hi - lo, 2.0);
    const double dir = x < 0.5 * (lo + hi) ? 1.0 : -1.0;
    for (double f = 1e-9; f <= 1e-3; f *= 10.0) {
        Derivs d;
        const double y = x + dir * f * span;
        if (Deriv(s, moveV ? u : y, moveV ? y : v, 1, d) == 1 && V3D_Len(d.Su) >= 1e-12 &&
            V3D_Len(d.Sv) >= 1e-12 && CrossNormal(d, N))
            return 1;
    }
    return 0;
}

// Sign of (1 - d·k1)(1 - d·k2) from the base's principal curvatures next to
// (u, v), a small step inside along the parameter whose partial does not
// vanish (on a pole the curvatures themselves are not defined): Su × Sv of
// the offset is that factor times Bu × Bv. +1 when no curvature is found.
double OffsetSide(const ESRF_OFFSET* o, double u, double v, bool moveV)
{
    double box[4];
    if (ESRF_GetUVBox(o->base, box) != 1)
        return 1.0;
    const double lo = moveV ? box[1] : box[0], hi = moveV ? box[3] : box[2];
    const double x = moveV ? v : u, span = std::min(hi - lo, 2.0);
    const double dir = x < 0.5 * (lo + hi) ? 1.0 : -1.0;
    for (double f = 1e-6; f <= 1e-3; f *= 10.0) {
        const double y = x + dir * f * span;
        double P[3], N[3], k1, k2, d1[3], d2[3];
        if (ESRF_Curvature(o->base, moveV ? u : y, moveV ? y : v, P, N, &k1, d1, &k2, d2) == 1)
            return (1.0 - o->d * k1) * (1.0 - o->d * k2) < 0.0 ? -1.0 : 1.0;
    }
    return 1.0;
}

// Normal of an offset where its base has a pole: the offset's difference
// partials there are rounding noise, but its normal is the base's (the
// pole's limit normal) turned by the side factor.
int OffsetPoleNormal(const ESRF_OFFSET* o, double u, double v, bool moveV, double* N, double* P)
{
    double B[3];
    if (ESRF_EvalNormal(N, B, o->base, u, v) != 1)
        return 0;
    for (int e = 0; e < 3; ++e)
        P[e] = B[e] + o->d * N[e];
    if (OffsetSide(o, u, v, moveV) < 0.0)
        Negate(N);
    return 1;
}

int GeneralNormal(const SURFACE* s, double u, double v, double* N, double* P)
{
    Derivs d;
    if (s->type == ENT_OFFSET) {
        // One evaluation of the base serves the pole test and the offset's
        // derivatives (the base's point and first derivatives come out the
        // same at either order). A base that is itself an offset takes its
        // second derivatives by differences: only its first are taken here.
        const auto* o = AsOffset(s);
        if (o->base == nullptr)
            return 0;
        const int order = o->base->type == ENT_OFFSET ? 1 : 2;
        Derivs b;
        if (Deriv(o->base, u, v, order, b) != 1)
            return 0;
        const double lu = V3D_Len(b.Su), lv = V3D_Len(b.Sv);
        if (BasePole(lu, lv))
            return OffsetPoleNormal(o, u, v, lu < lv, N, P);
        if (order == 2 ? !OffsetDeriv1(o, u, v, b, lu, lv, d) : Deriv(s, u, v, 1, d) != 1)
            return 0;
    } else if (Deriv(s, u, v, 1, d) != 1) {
        return 0;
    }
    P3D_Copy(d.P, P);
    // A partial vanishes below 1e-12, or below 1e-12 of the other one on a
    // large model, where a pole's partial is rounding noise of that size.
    // Squared lengths at least 1e-22 of 1 and of each other put both a factor
    // 10 clear of that, without the square roots (NaN and infinity fail it
    // and take the full test).
    const double au = V3D_Dot(d.Su, d.Su), av = V3D_Dot(d.Sv, d.Sv);
    bool shortU = false, shortV = false;
    if (!(au >= 1e-22 && av >= 1e-22 && au >= 1e-22 * av && av >= 1e-22 * au)) {
        const double lu = std::sqrt(au), lv = std::sqrt(av);
        shortU = lu < 1e-12 * std::max(1.0, lv);
        shortV = lv < 1e-12 * std::max(1.0, lu);
    }
    if (!shortU && !shortV) {
        V3D_Cross(d.Su, d.Sv, N);
        return V3D_Unit(N, 1e-20) == 1 ? 1 : 0;
    }
    if (shortU && shortV)
        return 0;
    int count = 0;
    double edges[2][4], centres[2][3], normals[2][3];
    if (ESRF_DegenerateEdges(s, &count, edges, centres, normals) == 1) {
        const double tol = ESSI_GetPointTol();
        for (int i = count - 1; i >= 0; --i)
            if (P3D_Dist(centres[i], d.P) < tol) {
                P3D_Copy(normals[i], N);
                return 1;
            }
    }
    return NormalInside(s, u, v, shortU, N);
}

}  // namespace

SURFACE* ESRF_NewNurbs(_nurbs_surface* surface)
{
    auto* s = reinterpret_cast<ESRF_NURBS*>(ENT_Alloc(ENT_NURBS_SURFACE, sizeof(ESRF_NURBS)));
    if (s == nullptr)
        return nullptr;
    s->surface = surface;
    PARAM_Init(&s->U);
    PARAM_Init(&s->V);
    if (surface) {
        BSRF_GetParam(surface, ESSI_GetPointTol(), ESSI_GetAngleTol(), &s->U, &s->V);
        s->patches = BSRF_NewPatches(surface);
    }
    return &s->h;
}

SURFACE* ESRF_NewExtrusion(CURVE* profile, const double* dir)
{
    if (profile == nullptr || ECRV_GetPlane(nullptr, profile, nullptr) != 1)
        return nullptr;
    auto* s = reinterpret_cast<ESRF_EXTRUSION*>(ENT_Alloc(ENT_EXTRUSION, sizeof(ESRF_EXTRUSION)));
    if (s == nullptr)
        return nullptr;
    s->profile = profile;
    if (dir)
        P3D_Copy(dir, s->d);
    return &s->h;
}

SURFACE* ESRF_NewRevolution(CURVE* profile, const double* axisDir, const double* axisPoint)
{
    if (profile == nullptr || ECRV_GetPlane(nullptr, profile, nullptr) != 1)
        return nullptr;
    auto* s = reinterpret_cast<ESRF_REVOLUTION*>(ENT_Alloc(ENT_REVOLUTION, sizeof(ESRF_REVOLUTION)));
    if (s == nullptr)
        return nullptr;
    s->profile = profile;
    if (axisDir)
        P3D_Copy(axisDir, s->axisDir);
    if (axisPoint)
        P3D_Copy(axisPoint, s->axisPoint);
    return &s->h;
}

SURFACE* ESRF_NewSphere(const _rect_fm3d* frame, double r)
{
    auto* s = reinterpret_cast<ESRF_SPHERE*>(ENT_Alloc(ENT_SPHERE, sizeof(ESRF_SPHERE)));
    if (s == nullptr)
        return nullptr;
    if (frame)
        s->frame = *frame;
    else
        RF_Init(&s->frame);
    s->r = r;
    return &s->h;
}

SURFACE* ESRF_NewOffset(SURFACE* base, double d)
{
    auto* s = reinterpret_cast<ESRF_OFFSET*>(ENT_Alloc(ENT_OFFSET, sizeof(ESRF_OFFSET)));
    if (s == nullptr)
        return nullptr;
    s->base = base;
    s->d = d;
    return &s->h;
}

int ESRF_GetUVBox(const SURFACE* s, double* box)
{
    if (s == nullptr || box == nullptr)
        return 0;
    switch (s->type) {
    case ENT_SPHERE: {
        const double b[4] = {0.0, -0.5 * kPi, 2.0 * kPi, 0.5 * kPi};
        std::memcpy(box, b, sizeof b);
        return 1;
    }
    case ENT_NURBS_SURFACE: {
        const auto* n = AsNurbs(s);
        const double b[4] = {n->U.start, n->V.start, n->U.end, n->V.end};
        std::memcpy(box, b, sizeof b);
        return 1;
    }
    case ENT_EXTRUSION: {
        double range[2];
        if (ECRV_GetRange(AsExtrusion(s)->profile, range) != 1)
            return 0;
        const double b[4] = {range[0], -kExtrusionRange, range[1], kExtrusionRange};
        std::memcpy(box, b, sizeof b);
        return 1;
    }
    case ENT_OFFSET:
        return ESRF_GetUVBox(AsOffset(s)->base, box);
    default:
        return 0;
    }
}

int ESRF_ProbeDomain(const SURFACE* s, _param* U, _param* V)
{
    double box[4];
    if (U == nullptr || V == nullptr || ESRF_GetUVBox(s, box) != 1)
        return 0;
    const double tol = ESSI_GetPointTol(), angleTol = ESSI_GetAngleTol();
    _param* rec[2] = {U, V};
    for (int dir = 0; dir < 2; ++dir) {
        const int lo = 2 * dir;
        const bool d0 = ProbeDegenerate(s, box, lo, tol), d1 = ProbeDegenerate(s, box, lo + 1, tol);
        _param p{box[dir], box[dir + 2], d0 ? 3 : 1, d1 ? 3 : 1, 0, 3, 1};
        if (!d0 && !d1)
            p.closure = ProbeClosure(s, box, lo, tol, angleTol);
        *rec[dir] = p;
    }
    return 1;
}

namespace {

// Parameter records of an offset from its base's: every point of a base pole
// has the pole's normal, so the offset keeps the base's poles; a periodic
// direction stays periodic and an open one open, and only a direction closed
// with a crease (its offset edges part) is probed again.
int OffsetDomain(const ESRF_OFFSET* o, _param* U, _param* V)
{
    if (ESRF_GetDomain(o->base, U, V) != 1)
        return 0;
    double box[4];
    if (ESRF_GetUVBox(o->base, box) != 1)
        return 0;
    const double tol = ESSI_GetPointTol(), angleTol = ESSI_GetAngleTol();
    _param* rec[2] = {U, V};
    for (int dir = 0; dir < 2; ++dir)
        if (rec[dir]->closure == 1)
            rec[dir]->closure = ProbeClosure(&o->h, box, 2 * dir, tol, angleTol);
    return 1;
}

// Poles of an offset from its base's: the same edges, each centre moved by d
// along the pole's normal, the normal turned by the side factor.
int OffsetPoles(const ESRF_OFFSET* o, int* count, double (*edges)[4], double (*centres)[3], double (*normals)[3])
{
    if (ESRF_DegenerateEdges(o->base, count, edges, centres, normals) != 1)
        return 0;
    for (int i = 0; i < *count; ++i) {
        const double* e = edges[i];
        const bool vEdge = e[1] == e[3]; // the edge runs along u: v is constant
        for (int k = 0; k < 3; ++k)
            centres[i][k] += o->d * normals[i][k];
        if (OffsetSide(o, 0.5 * (e[0] + e[2]), 0.5 * (e[1] + e[3]), vEdge) < 0.0)
            Negate(normals[i]);
    }
    return 1;
}

} // namespace

int ESRF_GetDomain(const SURFACE* s, _param* U, _param* V)
{
    if (s == nullptr || U == nullptr || V == nullptr)
        return 0;
    switch (s->type) {
    case ENT_SPHERE:
        *U = _param{0.0, 2.0 * kPi, 1, 1, 2, 1, 3};
        *V = _param{-0.5 * kPi, 0.5 * kPi, 3, 3, 0, 1, 3};
        return 1;
    case ENT_NURBS_SURFACE:
        *U = AsNurbs(s)->U;
        *V = AsNurbs(s)->V;
        return 1;
    case ENT_EXTRUSION:
        return ESRF_ProbeDomain(s, U, V);
    case ENT_OFFSET:
        return OffsetDomain(AsOffset(s), U, V);
    default:
        return 0;
    }
}

int ESRF_EvalPoint(double* P, const SURFACE* s, double u, double v)
{
    Derivs d;
    if (P == nullptr || Deriv(s, u, v, 0, d) != 1)
        return 0;
    P3D_Copy(d.P, P);
    return 1;
}

int ESRF_EvalDeriv1(const SURFACE* s, double u, double v, double* P, double* Su, double* Sv)
{
    Derivs d;
    if (P == nullptr || Su == nullptr || Sv == nullptr || Deriv(s, u, v, 1, d) != 1)
        return 0;
    P3D_Copy(d.P, P);
    P3D_Copy(d.Su, Su);
    P3D_Copy(d.Sv, Sv);
    return 1;
}

int ESRF_EvalDeriv2(const SURFACE* s, double u, double v, double* P, double* Su, double* Sv, double* Suu,
                    double* Suv, double* Svv)
{
    Derivs d;
    if (!P || !Su || !Sv || !Suu || !Suv || !Svv || Deriv(s, u, v, 2, d) != 1)
        return 0;
    P3D_Copy(d.P, P);
    P3D_Copy(d.Su, Su);
    P3D_Copy(d.Sv, Sv);
    P3D_Copy(d.Suu, Suu);
    P3D_Copy(d.Suv, Suv);
    P3D_Copy(d.Svv, Svv);
    return 1;
}

int ESRF_EvalNormal(double* N, double* P, const SURFACE* s, double u, double v)
{
    if (N == nullptr || P == nullptr || s == nullptr)
        return 0;
    switch (s->type) {
    case ENT_SPHERE: {
        Derivs d;
        SphereDerivs(AsSphere(s), u, v, d);
        const _rect_fm3d& f = AsSphere(s)->frame;
        const double cu = std::cos(u), su = std::sin(u), cv = std::cos(v), sv = std::sin(v);
        for (int e = 0; e < 3; ++e)
            N[e] = cv * (cu * f.X[e] + su * f.Y[e]) + sv * f.Z[e];
        P3D_Copy(d.P, P);
        return 1;
    }
    case ENT_NURBS_SURFACE:
    case ENT_EXTRUSION:
    case ENT_OFFSET:
        return GeneralNormal(s, u, v, N, P);
    default:
        return 0;
    }
}

int ESRF_NormalDerivs(const SURFACE* s, double u, double v, double* P, double* N, double* Nu, double* Nv)
{
    Derivs d;
    if (!P || !N || !Nu || !Nv || Deriv(s, u, v, 2, d) != 1)
        return 0;
    double n[3], nu[3], nv[3], t1[3], t2[3];
    V3D_Cross(d.Su, d.Sv, n);
    V3D_Cross(d.Suu, d.Sv, t1);
    V3D_Cross(d.Su, d.Suv, t2);
    V3D_Add(t1, t2, nu);
    V3D_Cross(d.Suv, d.Sv, t1);
    V3D_Cross(d.Su, d.Svv, t2);
    V3D_Add(t1, t2, nv);
    const double len = V3D_Len(n), len3 = len * len * len;
    P3D_Copy(d.P, P);
    if (len3 >= 1e-20) {
        const double a = V3D_Dot(n, nu), b = V3D_Dot(n, nv);
        for (int e = 0; e < 3; ++e) {
            Nu[e] = (len * len * nu[e] - a * n[e]) / len3;
            Nv[e] = (len * len * nv[e] - b * n[e]) / len3;
            N[e] = n[e] / len;
        }
        return 1;
    }
    // Differences of the unit normal.
    double box[4], p[3], n0[3], n1[3], n2[3];
    if (ESRF_GetUVBox(s, box) != 1 || ESRF_EvalNormal(n0, p, s, u, v) != 1)
        return 0;
    const double lu = V3D_Len(d.Su), lv = V3D_Len(d.Sv);
    double hu = lu < 1e-6 ? 1e-6 * (box[2] - box[0]) : 1e-6 / lu;
    double hv = lv < 1e-6 ? 1e-6 * (box[3] - box[1]) : 1e-6 / lv;
    if (u + hu > box[2])
        hu = -hu;
    if (v + hv > box[3])
        hv = -hv;
    if (ESRF_EvalNormal(n1, p, s, u + hu, v) != 1 || ESRF_EvalNormal(n2, p, s, u, v + hv) != 1)
        return 0;
    for (int e = 0; e < 3; ++e) {
        Nu[e] = (n1[e] - n0[e]) / hu;
        Nv[e] = (n2[e] - n0[e]) / hv;
    }
    P3D_Copy(n0, N);
    return 1;
}

int ESRF_Curvature(const SURFACE* s, double u, double v, double* P, double* N, double* k1, double* d1, double* k2,
                   double* d2)
{
    if (!s || !P || !N || !k1 || !d1 || !k2 || !d2)
        return 0;
    Derivs d;
    if (s->type == ENT_SPHERE) {
        const auto* sp = AsSphere(s);
        SphereDerivs(sp, u, v, d);
        double p[3];
        ESRF_EvalNormal(N, p, s, u, v);
        P3D_Copy(d.P, P);
        *k1 = *k2 = -1.0 / sp->r;
        const _rect_fm3d& f = sp->frame;
        const double cu = std::cos(u), su = std::sin(u), cv = std::cos(v), sv = std::sin(v);
        for (int e = 0; e < 3; ++e) {
            d1[e] = cu * f.Y[e] - su * f.X[e];
            d2[e] = cv * f.Z[e] - sv * (cu * f.X[e] + su * f.Y[e]);
        }
        return 1;
    }
    if (s->type != ENT_NURBS_SURFACE && s->type != ENT_EXTRUSION && s->type != ENT_OFFSET)
        return 0;
    if (Deriv(s, u, v, 2, d) != 1)
        return 0;
    double n[3], p[3];
    if (!CrossNormal(d, n) && GeneralNormal(s, u, v, n, p) != 1)
        return 0;
    const double E = V3D_Dot(d.Su, d.Su), F = V3D_Dot(d.Su, d.Sv), G = V3D_Dot(d.Sv, d.Sv);
    const double L = V3D_Dot(n, d.Suu), M = V3D_Dot(n, d.Suv), Nn = V3D_Dot(n, d.Svv);
    const double det = E * G - F * F;
    if (det < 1e-20)
        return 0;
    // The shape operator as a symmetric 2 x 2 matrix in the orthonormal tangent
    // frame (e1 = unit Su, e2 = N × e1). Its eigenvalues come without the
    // cancellation of the quadratic's discriminant, which near an umbilic
    // leaves only half the digits (enough to pass for two curvatures).
    double e1[3], e2[3];
    P3D_Copy(d.Su, e1);
    if (V3D_Unit(e1, 1e-300) != 1)
        return 0;
    V3D_Cross(n, e1, e2);
    double lm[2][2];
    for (int i = 0; i < 2; ++i) {
        const double* t = i == 0 ? e1 : e2;
        const double a = V3D_Dot(t, d.Su), b = V3D_Dot(t, d.Sv);
        lm[i][0] = (G * a - F * b) / det;
        lm[i][1] = (E * b - F * a) / det;
    }
    auto second = [&](int i, int j) {
        return L * lm[i][0] * lm[j][0] + M * (lm[i][0] * lm[j][1] + lm[i][1] * lm[j][0]) + Nn * lm[i][1] * lm[j][1];
    };
    const double w11 = second(0, 0), w12 = second(0, 1), w22 = second(1, 1);
    const double mean = 0.5 * (w11 + w22), radius = std::hypot(0.5 * (w11 - w22), w12);
    P3D_Copy(d.P, P);
    P3D_Copy(n, N);
    *k1 = mean + radius;
    *k2 = mean - radius;
    if (std::fabs(*k1 * *k2) * ESSI_GetPointTol() >= std::fabs(*k1 - *k2)) {
        // Umbilic: every direction is principal.
        P3D_Copy(e1, d1);
        P3D_Copy(e2, d2);
        return 1;
    }
    const double theta = 0.5 * std::atan2(2.0 * w12, w11 - w22);
    Combine(d1, std::cos(theta), e1, std::sin(theta), e2);
    Combine(d2, -std::sin(theta), e1, std::cos(theta), e2);
    return 1;
}

int ESRF_DegenerateEdges(const SURFACE* s, int* count, double (*edges)[4], double (*centres)[3],
                         double (*normals)[3])
{
    if (s != nullptr && s->type == ENT_OFFSET && count && edges && centres && normals)
        return AsOffset(s)->base ? OffsetPoles(AsOffset(s), count, edges, centres, normals) : 0;
    _param U, V;
    double box[4];
    if (!count || !edges || !centres || !normals || ESRF_GetDomain(s, &U, &V) != 1 || ESRF_GetUVBox(s, box) != 1)
        return 0;
    const bool pole[4] = {U.startKind == 3, U.endKind == 3, V.startKind == 3, V.endKind == 3};
    int n = 0;
    for (int edge = 0; edge < 4; ++edge) {
        if (!pole[edge])
            continue;
        if (n == 2)
            return 0;
        double centre[3] = {0, 0, 0}, normal[3] = {0, 0, 0}, prev[3] = {0, 0, 0};
        for (int i = 0; i <= 10; ++i) {
            double u, v;
            EdgeUV(box, edge, i / 10.0, u, v);
            Derivs d;
            if (Deriv(s, u, v, 1, d) != 1)
                return 0;
            for (int e = 0; e < 3; ++e)
                centre[e] += d.P[e] / 11.0;
            const double* across = edge < 2 ? d.Su : d.Sv;
            if (i > 0) {
                double c[3];
                // Orders that make the sum point out of the surface's Su × Sv side.
                if (edge == 0 || edge == 3)
                    V3D_Cross(prev, across, c);
                else
                    V3D_Cross(across, prev, c);
                V3D_Add(normal, c, normal);
            }
            P3D_Copy(across, prev);
        }
        if (V3D_Unit(normal, 1e-20) != 1)
            return 0;
        double u0, v0, u1, v1;
        EdgeUV(box, edge, 0.0, u0, v0);
        EdgeUV(box, edge, 1.0, u1, v1);
        edges[n][0] = u0;
        edges[n][1] = v0;
        edges[n][2] = u1;
        edges[n][3] = v1;
        P3D_Copy(centre, centres[n]);
        P3D_Copy(normal, normals[n]);
        ++n;
    }
    *count = n;
    return 1;
}

int ESRF_ProjectPoint(double* u, double* v, double* foot, SURFACE* s, const double* P)
{
    if (!u || !v || !foot || !s || !P)
        return 0;
    switch (s->type) {
    case ENT_SPHERE: {
        const auto* sp = AsSphere(s);
        const _rect_fm3d& f = sp->frame;
        double dist = 0.0;
        EQ_SphereNearest(f.Z, P, foot, u, v, &dist, sp->r, f.Y, f.X, f.O);
        return 1;
    }
    case ENT_NURBS_SURFACE: {
        double uu = 1e12, vv = 1e12, d = 0.0;
        if (BSRF_SnapPnt(AsNurbs(s)->surface, P, ESSI_GetPointTol(), foot, &uu, &vv, &d) != 1)
            return 0;
        *u = uu;
        *v = vv;
        return 1;
    }
    case ENT_EXTRUSION: {
        auto* x = reinterpret_cast<ESRF_EXTRUSION*>(s);
        double t = *u, C[3];
        if (ECRV_NearestPoint(C, P, &t, x->profile) != 1)
            return 0;
        const double dd = V3D_Dot(x->d, x->d);
        if (!(dd > 0.0) || L3D_PrjPnt(P, C, x->d, foot) != 1)
            return 0;
        double rel[3];
        V3D_Sub(foot, C, rel);
        *u = t;
        *v = V3D_Dot(rel, x->d) / dd;
        return 1;
    }
    default:
        return 0;
    }
}

int ESRF_ToNurbs(double tol, int* exact, const double* box, _nurbs_surface** out, const SURFACE* s)
{
    if (!exact || !box || !out || !s || !(tol >= kKernelMinConvertTol))
        return 0;
    switch (s->type) {
    case ENT_SPHERE: {
        const auto* sp = AsSphere(s);
        double p1[3], p2[3];
        _arc arc;
        ESRF_EvalNormal(arc.frame.X, p1, s, box[0], box[1]);
        ESRF_EvalNormal(arc.frame.Y, p2, s, box[0], box[1] + 0.5 * kPi);
        if (!(P3D_Dist(p1, p2) >= 1e-6))
            return -4;
        V3D_Cross(arc.frame.X, arc.frame.Y, arc.frame.Z);
        P3D_Copy(sp->frame.O, arc.frame.O);
        arc.frame.s = 1.0;
        arc.r = sp->r;
        arc.sweep = box[3] - box[1];
        BCRV* meridian = nullptr;
        if (BCRV_GenArc(&arc, &meridian) != 1)
            return 0;
        const int ok = BSRF_GenRevolve(sp->frame.O, sp->frame.Z, meridian, box[2] - box[0], out);
        BCRV_Free(meridian);
        if (ok != 1)
            return 0;
        *exact = 1;
        return 1;
    }
    case ENT_NURBS_SURFACE: {
        _nurbs_surface* c = BSRF_Clone(AsNurbs(s)->surface);
        if (c == nullptr)
            return 0;
        *out = c;
        return 1;
    }
    case ENT_EXTRUSION: {
        const auto* x = AsExtrusion(s);
        const double range[2] = {box[0], box[2]};
        BCRV* c = nullptr;
        if (ECRV_ToNurbs(tol, range, x->profile, &c, exact) != 1)
            return 0;
        const double move[3] = {box[1] * x->d[0], box[1] * x->d[1], box[1] * x->d[2]};
        c->Move(move);
        // The record's v runs in multiples of d, the extruded surface's in lengths.
        const int ok = BSRF_GenExtrude(c, x->d, (box[3] - box[1]) * V3D_Len(x->d), out);
        BCRV_Free(c);
        return ok == 1 ? 1 : 0;
    }
    default:
        return 0;
    }
}

int ESRF_RevolutionParam(const SURFACE* rev, double* angle, double* foot, const double* P, double* t)
{
    if (!rev || rev->type != ENT_REVOLUTION || !angle || !foot || !P || !t)
        return 0;
    const auto* r = reinterpret_cast<const ESRF_REVOLUTION*>(rev);
    double range[2];
    if (ECRV_GetRange(r->profile, range) != 1)
        return 0;
    _rect_fm3d frame;
    P3D_Copy(r->axisDir, frame.Z);
    if (V3D_Unit(frame.Z, 1e-300) != 1)
        return 0;
    P3D_Copy(r->axisPoint, frame.O);
    frame.s = 1.0;
    bool found = false;
    for (int i = 0; i < 8 && !found; ++i) {
        double q[3], a[3];
        if (ECRV_EvalPoint(q, r->profile, range[0] + i / 8.0 * (range[1] - range[0])) != 1)
            return 0;
        L3D_PrjPnt(q, frame.O, frame.Z, a);
        V3D_Sub(q, a, frame.X);
        found = V3D_Len(frame.X) > 1e-6 && V3D_Unit(frame.X, 1e-300) == 1;
    }
    if (!found)
        return 0;
    V3D_Cross(frame.Z, frame.X, frame.Y);
    double local[3];
    RF_TransWorldP3D(&frame, P, local);
    const double rho = std::hypot(local[0], local[1]);
    struct Candidate {
        double angle, query[3], foot[3], t, dist;
        bool ok;
    } cand[2];
    int n = 1;
    if (rho < 1e-6) {
        cand[0].angle = 0.0;
        P3D_Copy(P, cand[0].query);
    } else {
        n = 2;
        double a = std::atan2(local[1], local[0]);
        if (a < 0.0)
            a += 2.0 * kPi;
        double b = a + kPi;
        if (b > 2.0 * kPi)
            b -= 2.0 * kPi;
        const double q0[3] = {rho, 0.0, local[2]}, q1[3] = {-rho, 0.0, local[2]};
        cand[0].angle = a;
        cand[1].angle = b;
        RF_TransLocalP3D(&frame, q0, cand[0].query);
        RF_TransLocalP3D(&frame, q1, cand[1].query);
    }
    int good = 0;
    for (int i = 0; i < n; ++i) {
        Candidate& c = cand[i];
        c.t = *t;
        double f[3];
        c.ok = ECRV_NearestPoint(f, c.query, &c.t, r->profile) == 1;
        if (!c.ok)
            continue;
        c.dist = P3D_Dist(f, c.query);
        P3D_RotatePnt(frame.Z, frame.O, c.angle, f, c.foot);
        ++good;
    }
    if (good == 0)
        return 0;
    const Candidate* win = nullptr;
    if (good == 1) {
        win = cand[0].ok ? &cand[0] : &cand[1];
    } else {
        const bool inside = *t >= range[0] && *t <= range[1];
        const Candidate &a = cand[0], &b = cand[1];
        if (std::fabs(a.dist - b.dist) <= 1e-6)
            win = inside ? (std::fabs(a.t - *t) <= std::fabs(b.t - *t) ? &a : &b) : (a.t <= b.t ? &a : &b);
        else
            win = a.dist < b.dist ? &a : &b;
    }
    *t = win->t;
    *angle = win->angle;
    P3D_Copy(win->foot, foot);
    return 1;
}
