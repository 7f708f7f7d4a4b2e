// NURBS surfaces for the tests and benchmarks of the surface record: exact
// surfaces of revolution (sphere patch with a pole, cylinder, torus) whose
// points have closed forms, and wavy rational nets of any size.
#pragma once

#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Bsrf.h"

#include <cmath>
#include <memory>
#include <random>

namespace surffix {

struct SurfFreer {
    void operator()(_nurbs_surface* s) const { BSRF_Free(s); }
};
using SurfPtr = std::unique_ptr<_nurbs_surface, SurfFreer>;

struct CurveFreer {
    void operator()(BCRV* c) const { BCRV_Free(c); }
};
using CurvePtr = std::unique_ptr<BCRV, CurveFreer>;

// The surface of revolution about the z axis of a profile given as a curve in
// its own x-y plane (x the distance from the axis, y the height), swept by the
// exact circle record `circle` (u direction); the profile runs in v. Both are
// rational, so the product of their weights makes the net exact.
inline SurfPtr Revolve(const BCRV& circle, const BCRV& profile)
{
    SurfPtr s(BSRF_Create(circle.k, circle.n, profile.k, profile.n));
    if (!s) return nullptr;
    for (int i = 0; i < circle.n + circle.k; ++i) s->U[i] = circle.U[i];
    for (int j = 0; j < profile.n + profile.k; ++j) s->V[j] = profile.U[j];
    for (int i = 0; i < circle.n; ++i) {
        double c[3], wc;
        circle.GetCtrlPt(i, c, &wc);
        for (int j = 0; j < profile.n; ++j) {
            double p[3], wp;
            profile.GetCtrlPt(j, p, &wp);
            const double w = wc * wp;
            s->P[i][j][0] = w * c[0] * p[0];
            s->P[i][j][1] = w * c[1] * p[0];
            s->P[i][j][2] = w * p[1];
            s->P[i][j][3] = w;
        }
    }
    return s;
}

inline CurvePtr UnitCircle()
{
    CurvePtr c(BCRV_New());
    const double o[3] = {0.0, 0.0, 0.0};
    c->GenCircle(o, 1.0);
    return c;
}

// The upper hemisphere of radius r about the origin: u the longitude (full
// turn), v from the equator (v = 0) to the pole (0, 0, r) at v = 1, where the
// whole last column of the net collapses to the pole.
inline SurfPtr Hemisphere(double r)
{
    CurvePtr profile(BCRV_New());
    const double o[3] = {0.0, 0.0, 0.0};
    profile->GenArc(o, r, 0.0, std::acos(-1.0) / 2);
    return Revolve(*UnitCircle(), *profile);
}

// Cylinder of radius r about the z axis from z = 0 (v = 0) to z = h (v = 1).
inline SurfPtr Cylinder(double r, double h)
{
    CurvePtr profile(BCRV_New());
    const double a[3] = {r, 0.0, 0.0}, b[3] = {r, h, 0.0};
    profile->GenLine(a, b);
    return Revolve(*UnitCircle(), *profile);
}

// Torus about the z axis: tube of radius r around the circle of radius R.
inline SurfPtr Torus(double R, double r)
{
    CurvePtr profile(BCRV_New());
    const double c[3] = {R, 0.0, 0.0};
    profile->GenCircle(c, r);
    return Revolve(*UnitCircle(), *profile);
}

// The plane z = 0 over [0, w] × [0, h] as a bilinear record on [0, 1]²: the
// parameter (u, v) lies at (w·u, h·v).
inline SurfPtr Plane(double w, double h)
{
    SurfPtr s(BSRF_Create(2, 2, 2, 2));
    if (!s) return nullptr;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            s->P[i][j][0] = w * i;
            s->P[i][j][1] = h * j;
            s->P[i][j][2] = 0.0;
            s->P[i][j][3] = 1.0;
        }
    return s;
}

// An n × n rational bicubic over [0, 1]² on clamped uniform knots: a wavy
// height field with weights in [0.5, 2] (all 1 when rational is false), the
// same for every seed.
inline SurfPtr Wavy(int n, bool rational, unsigned seed = 7)
{
    SurfPtr s(BSRF_Create(4, n, 4, n));
    if (!s) return nullptr;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> jitter(-0.3, 0.3), weight(0.5, 2.0);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const double x = 10.0 * i / (n - 1) + jitter(rng), y = 10.0 * j / (n - 1) + jitter(rng);
            const double z = 2.0 * std::sin(0.7 * x) * std::cos(0.5 * y) + jitter(rng);
            const double w = rational ? weight(rng) : 1.0;
            s->P[i][j][0] = w * x;
            s->P[i][j][1] = w * y;
            s->P[i][j][2] = w * z;
            s->P[i][j][3] = w;
        }
    return s;
}

// A copy of s whose knots are mapped linearly onto [u0, u1] × [v0, v1]: the
// same surface, with S'(u0 + (u1 - u0)·a, v0 + (v1 - v0)·b) = S(a, b) for s on [0, 1]².
inline SurfPtr Reknotted(const _nurbs_surface& s, double u0, double u1, double v0, double v1)
{
    SurfPtr c(BSRF_Clone(&s));
    if (!c) return nullptr;
    for (int i = 0; i < c->nu + c->ku; ++i) c->U[i] = u0 + (u1 - u0) * c->U[i];
    for (int j = 0; j < c->nv + c->kv; ++j) c->V[j] = v0 + (v1 - v0) * c->V[j];
    return c;
}

}  // namespace surffix
