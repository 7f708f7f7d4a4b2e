#pragma once
// Curve records of the surface kernel (line 8, circle 10, ellipse 12, NURBS
// curve 14) and the curve operations on intersection curves (16, the record
// is in SurfaceIntersect.h): construction, range, evaluation, nearest point,
// sampling, plane and conversion to NURBS, and the exported conversion of an
// axis-aligned ellipse arc. Results as in KernelEntity.h. None of the
// evaluations allocates.
//
// A NURBS curve's range is its knot range [U[k-1], U[n]] (what this library
// makes runs over [0, 1]); a periodic one (closure 2) wraps a parameter outside
// the range into it before evaluating. An intersection curve runs over the
// parameters of its first and last trace sample (arc length from the first);
// its point comes from the trace (ECRV_IntersectionPoint), its derivatives are
// forward differences of that point with step 1e-6 (backward ones at the end
// of an open curve).

#include "toolpath/surfkernel/KernelEntity.h"

// A missing base point gives the origin; the direction is stored normalised, a
// missing or zero one as (1, 0, 0).
CURVE* ECRV_NewLine(const double* base, const double* dir);
// A missing frame gives the world frame.
CURVE* ECRV_NewCircle(const _rect_fm3d* frame, double r);
CURVE* ECRV_NewEllipse(const _rect_fm3d* frame, double r1, double r2);
// Takes the curve (may be null); the parameter record is set by
// ECRV_UpdateNurbsParam.
CURVE* ECRV_NewNurbs(BCRV* c);
// Parameter record from the knots and the closure (NRB_ClosureKind with the
// point and angle tolerances: kind 0 gives closure 2, 1 gives 1, 2 gives 0).
int ECRV_UpdateNurbsParam(CURVE* c);

// range = (start, end): line (-1e20, 1e20), circle (0, 2 pi), NURBS its knots,
// intersection curve its first and last sample parameter.
int ECRV_GetRange(const CURVE* c, double* range);
int ECRV_GetParam(_param* out, const CURVE* c);

int ECRV_EvalPoint(double* P, const CURVE* c, double t);
int ECRV_EvalDeriv1(double* d1, double* P, const CURVE* c, double t);
int ECRV_EvalDeriv2(const CURVE* c, double* d1, double* d2, double* P, double t);

// Nearest point of the curve to P: foot and parameter t. For NURBS and
// intersection curves t is also the start guess; when Newton fails from it the
// sampled search takes over (the sample cache is made on first use, so c
// changes).
int ECRV_NearestPoint(double* foot, const double* P, double* t, CURVE* c);
// Newton on the foot from t, at most 32 steps (with the curve's second
// derivative where it keeps the step a minimum); 1 converged (foot and t set).
int ECRV_NewtonNearest(const CURVE* c, const double* P, double* t, double* foot, double tol);

// Points and parameters (flags 5) from t0 to t1 into a new string in *out.
int ECRV_Sample(double s0, double s1, double s2, PTSTRING** out, double t0, double t1, const CURVE* c);
// The NURBS curve's sample cache over its range with the current subdivision
// triple, made on first use; null on failure.
const PTSTRING* ECRV_NurbsSamples(CURVE* c);

// Plane of a planar curve: unit normal and a point of it (each optional). An
// intersection curve has the plane of a plane record (code 9) among its
// surfaces, else the plane of its samples when they all lie within the point
// tolerance of one.
int ECRV_GetPlane(double* normal, const CURVE* c, double* point);

// NURBS copy of the curve over range (t0, t1) into *out; *exact 1 for an exact
// conversion. 0 for a tolerance below 0.000000999. An intersection curve gives
// the cubic through all its samples with the knots removed that tol allows
// (*exact 0; the range is not applied), -1 when the point buffer cannot be
// allocated.
int ECRV_ToNurbs(double tol, const double* range, const CURVE* c, BCRV** out, int* exact);

// Arc of a circle record over (t0, t1), as an `_arc` (sweep |t1 - t0| capped at
// 2 pi, axis reversed when t1 < t0). 0 when the start direction does not
// normalise.
int ECRV_CircleArc(const ECRV_CIRCLE* c, double t0, double t1, _arc* out);

// Elliptic arc of a x^2 + b xy + c y^2 + d x + e y + f = 0 at height z
// (coef = a, b, c, d, e, f, z) from start to end, counter-clockwise; equal
// points give the full ellipse. Only ellipses centred at the origin with axes
// along x and y (|b| + |d| + |e| <= 1e-6, |a|, |c|, |f| >= 1e-6) that are real
// (f of the other sign than a and c) are accepted; otherwise 0 and *out
// untouched. 1 with the new curve.
int BCRV_CreConicArc(const double* coef, const double* start, const double* end, BCRV** out);
