// Line operations. Points are pointers to two (2D) or three (3D) doubles; the point being
// measured or projected comes first, then the line; an output may be the same array as an input.
#pragma once

#include "framework/numerak/Box.h"

// Parameter of the foot of p on the line a->b: 0 at a, 1 at b, not clamped; 0 when a == b
// or the input is not finite.
double L2D_GetParam(const double* p, const double* a, const double* b);
// out = a + t·(b - a), any t.
void L2D_GetPnt(const double* a, const double* b, double t, double* out);
// Foot of p on the line through org with direction dir; 0 (out untouched) for a zero or
// non-finite direction.
int L2D_PrjPnt(const double* p, const double* org, const double* dir, double* out);
// Foot of p on the line through a and b; 0 (out untouched) when a == b or not finite.
int L2D_PrjPntEx(const double* p, const double* a, const double* b, double* out);
// Distance of p from the segment a-b (the nearer end beyond its ends).
double L2D_DistPntToLine(const double* p, const double* a, const double* b);
// Signed distance of p from the line through a and b: positive to the left of a->b, negative
// to the right; |p - a| when a == b.
double L2D_DistToPntEx(const double* p, const double* a, const double* b);
// Box spanned by the two end points.
void L2D_GetBox(const double* a, const double* b, BOX2<double>* box);
// Distance of the 3D point p from the 3D line through a and b; |p - a| when a == b.
double L3D_DistToPntEx(const double* p, const double* a, const double* b);
