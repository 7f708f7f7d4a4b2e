// The per-point operations of the 3D shape transforms, one factory per transform: each
// returns a callable that moves one point (3 doubles) in place. The shape classes apply
// them to whatever points they keep (display strings, end points, control points).
#pragma once

#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Matrix44.h"
#include "framework/numerak/Point3D.h"

#include <cmath>

namespace pointop {

// x and y move, z stays.
inline auto Translate(const double* v)
{
    return [v](double* p) {
        p[0] += v[0];
        p[1] += v[1];
    };
}
inline auto Translate3D(const double* v)
{
    return [v](double* p) { V3D_Add(p, v, p); };
}
// About the vertical axis through (centre.x, centre.y).
inline auto Rotate(const double* centre, double angle)
{
    return [centre, c = std::cos(angle), s = std::sin(angle)](double* p) { P2D_Rot(centre, c, s, p, p); };
}
inline auto Rotate3D(const double* point, const double* axis, double angle)
{
    return [=](double* p) { P3D_RotatePnt(axis, point, angle, p, p); };
}
inline auto Twist(const double* point, const double* axis, double angle)
{
    return [=](double* p) { P3D_TwistPnt(axis, point, angle, p, p); };
}
inline auto Taper(const double* point, const double* axis, double angle)
{
    return [=](double* p) { P3D_TaperPnt(axis, point, angle, p, p); };
}
// In XY about the line through p and q.
inline auto Mirror(const double* p, const double* q)
{
    return [=](double* v) { P2D_Mirr(p, q, v, v); };
}
inline auto Shear(const double* base, const double* factors)
{
    return [=](double* v) { P2D_Shear(base, v, factors, v); };
}
// x and y about the centre, z stays.
inline auto Scale(const double* centre, const double* factors)
{
    return [=](double* v) {
        v[0] = centre[0] + (v[0] - centre[0]) * factors[0];
        v[1] = centre[1] + (v[1] - centre[1]) * factors[1];
    };
}
inline auto Scale3D(const double* centre, const double* factors)
{
    return [=](double* v) {
        for (int i = 0; i < 3; ++i) v[i] = centre[i] + (v[i] - centre[i]) * factors[i];
    };
}
inline auto Shear3D(const double* point, const double* dir, const double* normal)
{
    return [=](double* v) { P3D_Shear(point, dir, normal, v, v); };
}
inline auto Mirror3D(const double* point, const double* normal)
{
    return [=](double* v) { P3D_Mirror(point, normal, v, v); };
}
// World coordinates into the frame's.
inline auto ToFrame(const _rect_fm3d* frame)
{
    return [=](double* v) { RF_TransWorldP3D(frame, v, v); };
}
// The frame's coordinates into world coordinates.
inline auto FromFrame(const _rect_fm3d* frame)
{
    return [=](double* v) { RF_TransLocalP3D(frame, v, v); };
}
inline auto Matrix44(const double (*m)[4])
{
    return [=](double* v) { MAT44_MultPt(v, v, m); };
}
// The plane affinity: x and y change, z stays.
inline auto Matrix33(const double (*m)[3])
{
    return [=](double* v) { MAT33_MultPt(v, v, m); };
}

}  // namespace pointop
