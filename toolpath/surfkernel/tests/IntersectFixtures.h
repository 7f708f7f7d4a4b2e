#pragma once
// Surfaces for the intersection tests: NURBS planes, cylinders and spheres
// centred on the origin, moved rigidly and scaled as records.

#include "framework/numerak/Point3D.h"
#include "testing/SurfaceFixtures.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace intersectfix {

using surffix::SurfPtr;

// Rigid motion: rotation (rows) then translation.
struct Motion {
    double R[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    double t[3] = {0, 0, 0};
    void Apply(const double* p, double* out) const
    {
        for (int i = 0; i < 3; ++i)
            out[i] = R[i][0] * p[0] + R[i][1] * p[1] + R[i][2] * p[2] + t[i];
    }
};

inline Motion Shift(double x, double y, double z)
{
    Motion m;
    m.t[0] = x;
    m.t[1] = y;
    m.t[2] = z;
    return m;
}

// Turn about an axis through the origin, then a shift.
inline Motion Turn(const double* axis, double angle, double x = 0, double y = 0, double z = 0)
{
    Motion m = Shift(x, y, z);
    double a[3] = {axis[0], axis[1], axis[2]};
    V3D_Unit(a, 1e-20);
    const double c = std::cos(angle), s = std::sin(angle), C = 1 - c;
    const double M[3][3] = {{c + a[0] * a[0] * C, a[0] * a[1] * C - a[2] * s, a[0] * a[2] * C + a[1] * s},
                            {a[1] * a[0] * C + a[2] * s, c + a[1] * a[1] * C, a[1] * a[2] * C - a[0] * s},
                            {a[2] * a[0] * C - a[1] * s, a[2] * a[1] * C + a[0] * s, c + a[2] * a[2] * C}};
    std::copy(&M[0][0], &M[0][0] + 9, &m.R[0][0]);
    return m;
}

// NURBS record of the surface moved by m, then scaled by k about the origin.
inline SURFACE* Placed(SurfPtr s, const Motion& m, double k = 1.0)
{
    for (int i = 0; i < s->nu; ++i)
        for (int j = 0; j < s->nv; ++j) {
            double* P = s->P[i][j];
            const double w = P[3];
            const double p[3] = {P[0] / w, P[1] / w, P[2] / w};
            double q[3];
            m.Apply(p, q);
            for (int e = 0; e < 3; ++e)
                P[e] = w * k * q[e];
        }
    return ESRF_NewNurbs(s.release());
}

inline SurfPtr NurbsSphere(double r)
{
    _arc arc{{{0, 0, -1}, {1, 0, 0}, {0, -1, 0}, {0, 0, 0}, 1.0}, r, std::numbers::pi};
    BCRV* m = nullptr;
    BCRV_GenArc(&arc, &m);
    const double o[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    _nurbs_surface* s = nullptr;
    BSRF_GenRevolve(o, z, m, 2 * std::numbers::pi, &s);
    BCRV_Free(m);
    return SurfPtr(s);
}

// Plane z = 0 over [-w, w] × [-h, h].
inline SurfPtr CentredPlane(double w, double h)
{
    SurfPtr s = surffix::Plane(2 * w, 2 * h);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            s->P[i][j][0] -= w;
            s->P[i][j][1] -= h;
        }
    return s;
}

// Cylinder of radius r about z from z = -h to z = h.
inline SurfPtr CentredCylinder(double r, double h)
{
    SurfPtr s = surffix::Cylinder(r, 2 * h);
    for (int i = 0; i < s->nu; ++i)
        for (int j = 0; j < s->nv; ++j)
            s->P[i][j][2] -= h * s->P[i][j][3];
    return s;
}

}  // namespace intersectfix
