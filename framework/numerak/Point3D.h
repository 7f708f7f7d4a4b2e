// 3D point and vector operations. Points and vectors are arrays of three doubles; an output
// may be the same array as an input. Angles are radians. The distance and unit functions
// (P3D_Dist, V3D_Unit, V3D_GetAngle) live with their 2D forms and come in through the
// includes below.
#pragma once

#include "framework/numerak/Point2D.h"
#include "framework/numerak/Vector2D.h"

#include <cmath>

inline void P3D_Copy(const double* a, double* out)
{
    out[0] = a[0];
    out[1] = a[1];
    out[2] = a[2];
}
inline void P3D_Set(double* out, double x, double y, double z)
{
    out[0] = x;
    out[1] = y;
    out[2] = z;
}
// out = a - b.
inline void V3D_Sub(const double* a, const double* b, double* out)
{
    P3D_Set(out, a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}
inline void V3D_Add(const double* a, const double* b, double* out)
{
    P3D_Set(out, a[0] + b[0], a[1] + b[1], a[2] + b[2]);
}
inline double V3D_Dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
// out = a x b.
inline void V3D_Cross(const double* a, const double* b, double* out)
{
    const double x = a[1] * b[2] - a[2] * b[1];
    const double y = a[2] * b[0] - a[0] * b[2];
    const double z = a[0] * b[1] - a[1] * b[0];
    P3D_Set(out, x, y, z);
}
inline double V3D_Len(const double* v) { return std::sqrt(V3D_Dot(v, v)); }
// Distance measured in XY.
inline double P3D_Dist2D(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }
// out = a + t·(b - a).
inline void P3D_Lerp(const double* a, const double* b, double t, double* out)
{
    P3D_Set(out, a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1]), a[2] + t * (b[2] - a[2]));
}

// Exchanges a and b.
void P3D_Swap(double* a, double* b);
// out = unit(b - a); 0 (out untouched) when |b - a| < tol or not finite.
int V3D_GenUnit(const double* a, const double* b, double tol, double* out);
// out = unit(a x b); 0 (out untouched) when the product is shorter than 1e-12 or not finite.
int V3D_VProductUnit(const double* a, const double* b, double* out);
// 1 when a and b are parallel or antiparallel: the sine of their angle is at most tol.
// Vectors shorter than 1e-12 count as parallel to everything.
int V3D_IsParallel(const double* a, const double* b, double tol);
// Unit X and Y completing the unit normal z to a right-handed frame (X × Y = z): X is the
// world axis least aligned with z made perpendicular to it. 0 (outputs untouched) for a
// zero or non-finite z.
int V3D_GetXYFromZ(const double* z, double* x, double* y);
// Angle of v in the frame's plane measured from x towards y, in [0, 2 pi); 0 for a v
// with no part in that plane.
double V3D_GetRotAngleXY(const double* x, const double* y, const double* v);
// Mirror image of a direction in a plane with normal n (unit or not); a zero normal
// leaves it unchanged.
void V3D_Mirror(const double* n, const double* v, double* out);

// Point transforms about an axis through c along dir (direction first). A zero axis
// leaves the point where it is.
// Rotation by angle, right-handed about dir.
void P3D_RotatePnt(const double* dir, const double* c, double angle, const double* p, double* out);
// Twist: p turns about the axis by angle·h, h its signed distance along the unit axis from c.
void P3D_TwistPnt(const double* dir, const double* c, double angle, const double* p, double* out);
// Taper: the offset from the axis is scaled by 1 + h·tan(angle), h as for the twist.
void P3D_TaperPnt(const double* dir, const double* c, double angle, const double* p, double* out);
// Mirror image of p in the plane through c with normal n (unit or not); a zero normal
// leaves it unchanged.
void P3D_Mirror(const double* c, const double* n, const double* p, double* out);
// Shear: p slides along dir in proportion to its signed distance from the plane through
// c with normal n (a zero normal leaves it unchanged).
void P3D_Shear(const double* c, const double* dir, const double* n, const double* p, double* out);

// Angle in [0, pi] between two unit vectors, from atan2 of |a x b| and a·b so that
// small angles keep their digits.
double V3D_GetAngleUnit(const double* a, const double* b);
// Mixed product (a x b)·c.
double V3D_MProduct(const double* a, const double* b, const double* c);
// 1 when the angle between a and b is within tol of 0 (mode 0) or of pi (mode 1);
// 0 otherwise, also when either vector is shorter than 1e-20.
int V3D_ChkAng(const double* a, const double* b, double tol, int mode);
// out = cos(a)·x + sin(a)·y.
void V3D_RotVecXY(const double* x, const double* y, double a, double* out);
