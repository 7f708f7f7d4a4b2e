// Point operations. Points are pointers to two (2D) or three (3D) doubles; an output may be
// the same array as an input.
#pragma once

#include "framework/numerak/Box.h"

double P2D_Dist(const double* a, const double* b);
// Euclidean distance of two float 2D points, in single precision.
float P2F_Dist(const float* a, const float* b);
double P3D_Dist(const double* a, const double* b);
// Chebyshev distance: the largest coordinate difference, max(|dx|, |dy|) (and |dz| for 3D).
// It never exceeds the Euclidean distance and is at least 1/sqrt(2) (1/sqrt(3)) of it, so a
// tolerance test with it is a box test around the point. NaN in either point gives NaN.
double P2D_AbsDist(const double* a, const double* b);
double P3D_AbsDist(const double* a, const double* b);
// Euclidean distance over the first dim coordinates (dim 2 or 3).
double _DistOf(const double* a, const double* b, int dim);

// Rotation about centre c, counter-clockwise for positive angles, given by cos and sin.
void P2D_Rot(const double* c, double cosA, double sinA, const double* p, double* out);
// The same by angle (radians).
void P2D_Rot(const double* c, double angle, const double* p, double* out);
// Rotates n points stored one after another (x0, y0, x1, y1, ...) in place.
void P2D_Rot(const double* c, double cosA, double sinA, int n, double* pts);

// Mirror image of p in the line through a and b; 0 (out = p) when a and b coincide or the
// input is not finite.
int P2D_Mirr(const double* a, const double* b, const double* p, double* out);

// Shear about base with factors f: x' = x + f[0]·(y - base.y), y' = y + f[1]·(x - base.x).
void P2D_Shear(const double* base, const double* p, const double* f, double* out);
// The same in place: P2D_Shear(base, p, f).
void P2D_Shear(const double* base, double* p, const double* f);

void P2D_Swap(double* a, double* b);

// 1 when a, b and c lie on one line within tol (the distance of the point off the line
// through the two farthest apart); coincident points are collinear. 0 for non-finite input.
int P2D_IsCollinear(const double* a, const double* b, const double* c, double tol = 1e-6);
// 1 when all n points (x0, y0, x1, y1, ...) lie within tol of one line; n < 1 or non-finite
// input gives 0.
int P2D_IsPtsColine(const double* pts, int n, double tol);

// Inverted sense: 1 when p lies OUTSIDE the box grown by tol (also for NaN or a null box),
// 0 when inside or on the grown border.
int P2D_IsInBox2D(const BOX2<double>* box, const double* p, double tol);
inline int P2D_IsInBox2D(const BOX2<double>& box, const double* p, double tol)
{
    return P2D_IsInBox2D(&box, p, tol);
}
