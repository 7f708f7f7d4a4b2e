// 2D affine matrices and 3D rectangular frames.
//
// A 3x3 matrix acts on row vectors: (x', y', 1) = (x, y, 1) · m, so the linear part is the
// upper-left 2x2 block and the translation is the third row; the third column is (0, 0, 1).
#pragma once

// The frame record _rect_fm3d (unit X, Y, Z axes and origin in world coordinates, then one
// further value) is shared with the NURBS arc records.
#include "framework/numerak/NurbsArc.h"

void MAT33_Unit(double (*m)[3]);
// Counter-clockwise rotation by angle about the origin.
void MAT33_GenRotZ1(double angle, double (*m)[3]);
// Counter-clockwise rotation by angle about the point c.
void MAT33_GenRotZ1(const double* c, double angle, double (*m)[3]);
// out = (p, 1) · m; out may be p.
void MAT33_MultPt(const double* p, double* out, const double (*m)[3]);

// Kind tests, each within tol on the matrix entries (scaled by the matrix's size where a
// scale is involved); all require the third column (0, 0, 1). Non-finite entries give 0.
// Unit matrix.
int MAT33_IsUnit(const double (*m)[3], double tol = 1e-9);
// Similarity without reflection: uniform scale times a rotation, any translation.
int MAT33_IsEqScale(const double (*m)[3], double tol = 1e-9);
// Proper rotation, any translation.
int MAT33_IsRotate(const double (*m)[3], double tol = 1e-9);
// Pure translation (identity linear part).
int MAT33_IsTrans(const double (*m)[3], double tol = 1e-9);

// World frame: axes (1,0,0), (0,1,0), (0,0,1), origin 0.
void RF_Init(_rect_fm3d* f);
// Frame at origin with X along xAxis, Z = X x yAxis, Y = Z x X (all unit); 0 (world frame)
// when xAxis is zero or parallel to yAxis, or the input is not finite.
int RF_Init(_rect_fm3d* f, const double* origin, const double* xAxis, const double* yAxis);
// World point or vector into frame coordinates; out may be the input.
void RF_TransWorldP3D(const _rect_fm3d* f, const double* p, double* out);
void RF_TransWorldV3D(const _rect_fm3d* f, const double* v, double* out);
// Frame coordinates back into world coordinates; out may be the input.
void RF_TransLocalP3D(const _rect_fm3d* f, const double* p, double* out);
void RF_TransLocalV3D(const _rect_fm3d* f, const double* v, double* out);
