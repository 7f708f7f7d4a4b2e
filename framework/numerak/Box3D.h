// Tolerant tests on double 3D boxes, as the Box2D family: the border of a box grown by
// tol counts, null or empty boxes and NaN give 0.
#pragma once

#include "framework/numerak/Box.h"

// 1 when the boxes meet within tol on all three axes (touching counts).
int BOX3D_IsInt(const BOX3<double>* a, const BOX3<double>* b, double tol);
// 1 when the boxes meet within tol in X and Y (Z is not looked at).
int BOX3D_IsIntXY(const BOX3<double>* a, const BOX3<double>* b, double tol);
// out = a united with b (out may be a or b); an empty box adds nothing.
void BOX3D_Union(const BOX3<double>* a, const BOX3<double>* b, BOX3<double>* out);
// Squared distance of two 3D points.
double P3D_Dist2(const double* a, const double* b);
