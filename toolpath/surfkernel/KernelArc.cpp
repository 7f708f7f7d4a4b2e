#include "toolpath/surfkernel/KernelArc.h"

#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/QvMem.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Vectors shorter than this do not normalise.
constexpr double kUnitTol = 1e-6;

bool unit(const double* v, double* out)
{
    const double l = V3D_Len(v);
    if (!(l >= kUnitTol))
        return false;
    for (int i = 0; i < 3; ++i)
        out[i] = v[i] / l;
    return true;
}

double dist(const double* a, const double* b)
{
    double d[3];
    V3D_Sub(a, b, d);
    return V3D_Len(d);
}

// Completes the frame from the centre, X and Z; false when X does not normalise.
bool setFrame(_arc* arc, const double* centre, const double* start, const double* z)
{
    double x[3];
    V3D_Sub(start, centre, x);
    if (!unit(x, arc->frame.X))
        return false;
    P3D_Copy(z, arc->frame.Z);
    V3D_Cross(arc->frame.Z, arc->frame.X, x);
    if (!unit(x, arc->frame.Y))
        return false;
    P3D_Copy(centre, arc->frame.O);
    return true;
}

} // namespace

_arc* ARC_New(double radius, double sweep)
{
    auto* a = static_cast<_arc*>(QV_MemAlloc(sizeof(_arc)));
    if (!a)
        return nullptr;
    RF_Init(&a->frame);
    a->r = radius;
    a->sweep = sweep;
    return a;
}

int ARC_EvalPointTangent(double angle, double* point, const _arc* arc, double* tangent)
{
    if (!arc)
        return 0;
    const double c = arc->r * std::cos(angle), s = arc->r * std::sin(angle);
    const _rect_fm3d& f = arc->frame;
    for (int i = 0; i < 3; ++i) {
        if (point)
            point[i] = f.O[i] + c * f.X[i] + s * f.Y[i];
        if (tangent)
            tangent[i] = c * f.Y[i] - s * f.X[i];
    }
    return 1;
}

int ARC_FromChordAndCentreLine(const double* a, const double* b, _arc** out, const double* c, const double* normal)
{
    if (!a || !b || !out || !c)
        return 0;
    *out = nullptr;
    double d[3];
    V3D_Sub(b, a, d);
    if (!unit(d, d))
        return -4;
    double m[3], mc[3], o[3];
    for (int i = 0; i < 3; ++i)
        m[i] = 0.5 * (a[i] + b[i]);
    V3D_Sub(m, c, mc);
    const double along = V3D_Dot(mc, d);
    for (int i = 0; i < 3; ++i)
        o[i] = c[i] + along * d[i];
    const double r = dist(a, o);
    if (r < kUnitTol)
        return -4;
    const double half = std::acos(std::min(1.0, dist(m, o) / r));
    if (half < 0.001)
        return -4;
    double x[3], z[3], xd[3];
    V3D_Sub(a, o, x);
    if (!unit(x, x))
        return -4;
    V3D_Cross(x, d, xd);
    if (!unit(xd, z) && !(normal && unit(normal, z)))
        return -4;
    _arc* arc = ARC_New(r, 2.0 * half);
    if (!arc)
        return -1;
    if (!setFrame(arc, o, a, z)) {
        QV_MemFree(arc);
        return -4;
    }
    *out = arc;
    return 1;
}

int ARC_ThroughThreePoints(_arc** out, const double* start, const double* mid, const double* end)
{
    if (!out || !start || !mid || !end)
        return 0;
    *out = nullptr;
    const double h = 0.5 * dist(end, start);
    if (2.0 * h < kUnitTol)
        return -4;
    double a[3], b[3];
    V3D_Sub(start, mid, a);
    V3D_Sub(end, mid, b);
    if (!unit(a, a) || !unit(b, b))
        return -4;
    double ba[3];
    V3D_Cross(b, a, ba);
    const double theta = std::atan2(V3D_Len(ba), V3D_Dot(a, b));
    if (theta < 0.001 || theta > 3.1405926535897932)
        return -4;
    double z[3];
    if (!unit(ba, z))
        return -4;
    // The centre lies off the chord midpoint by h tan|theta - pi/2|, towards
    // the middle point when its angle is obtuse. Near a right angle too: taking
    // the midpoint there would move the circle off the middle point by up to
    // a thousandth of the chord.
    double chord[3], p[3], centre[3];
    V3D_Sub(end, start, chord);
    unit(chord, chord);
    V3D_Cross(z, chord, p);
    const double off = std::fabs(theta - 0.5 * std::numbers::pi);
    const double side = theta < 0.5 * std::numbers::pi ? -1.0 : 1.0;
    const double radius = h / std::cos(off);
    const double shift = side * h * std::tan(off);
    for (int i = 0; i < 3; ++i)
        centre[i] = 0.5 * (start[i] + end[i]) + shift * p[i];
    _arc* arc = ARC_New(radius, 2.0 * std::numbers::pi - 2.0 * theta);
    if (!arc)
        return 0;
    if (!setFrame(arc, centre, start, z)) {
        QV_MemFree(arc);
        return -4;
    }
    *out = arc;
    return 1;
}
