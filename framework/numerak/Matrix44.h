// 4x4 matrices acting on row vectors, (x', y', z', 1) = (x, y, z, 1) · m, with the
// translation in the fourth row, and the operations on rectangular frames that move a
// frame as a whole (the point mappings of frames are in Matrix33.h).
#pragma once

#include "framework/numerak/NurbsArc.h"

// out = (p, 1) · m; out may be p.
void MAT44_MultPt(const double* p, double* out, const double (*m)[4]);
// The linear part only: out = (v, 0) · m.
void MAT44_MultVec(const double* v, double* out, const double (*m)[4]);
// The 4x4 form of a 2D affine matrix (Matrix33.h): its linear 2x2 block and its
// translation row for x and y, z left as it is.
void MAT33_ToMAT44(const double (*m3)[3], double (*m4)[4]);

// Frame turned by angle (right-handed) about the axis through point along axis: origin
// and axes turn together. A zero axis leaves the frame unchanged.
void RF_RotateRFrame(_rect_fm3d* f, const double* point, const double* axis, double angle);
// Frame mirrored in the plane through point with normal n: origin and X, Y mirrored and Z
// rebuilt as X × Y, so that the frame stays right-handed and its points keep their sense
// of turning about Z. A zero normal leaves the frame unchanged.
void RF_MirrorRFrame(_rect_fm3d* f, const double* point, const double* n);
// out = the frame g seen from f: origin and axes of g in f's coordinates (the mapping of
// RF_TransWorldP3D and RF_TransWorldV3D); out may be g. The trailing value is g's.
void RF_EvRFrame(const _rect_fm3d* f, const _rect_fm3d* g, _rect_fm3d* out);
// The frame whose axes are the rows 0 to 2 of m (the images of the unit axes, as they
// stand: a scale is kept in their lengths) and whose origin is row 3; trailing value 0.
void RF_GetRFrameFromMatrix(const double (*m)[4], _rect_fm3d* f);
// out = g carried by f: the origin of g as a point in f's coordinates taken back to the
// world, its axes as vectors (RF_TransLocalP3D and RF_TransLocalV3D of f); out may be g.
// The trailing value is g's.
void RF_MultRFrame(const _rect_fm3d* f, const _rect_fm3d* g, _rect_fm3d* out);
