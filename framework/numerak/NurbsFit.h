#pragma once
// Fitting NURBS curves to point runs: global interpolation and least-squares
// approximation within an error bound. Results are new non-rational records on
// [0, 1] (freed with BCRV_Free), null on failure. Points are 3 doubles.

#include "framework/numerak/Bcrv.h"

// Curve of the given degree through all n points, with accumulated chord-length
// parameters and averaged knots (KNOT_CalAccumChord, KNOT_CalByAC); the banded
// collocation system is solved by sparse LU. Consecutive coincident points
// count once. With fewer distinct points than degree + 1 the curve is built
// at degree (points - 1) and then raised, so the order asked for is always
// the order returned. Null for null points, fewer than 2 distinct points,
// degree < 1, degree + 1 > kBcrvMaxOrder or non-finite coordinates.
BCRV* BCRV_GlobalInterp(const double (*pts)[3], int n, int degree);

// C2 cubic spline through the n points whose segment joins lie exactly at the
// points: knots at the accumulated chord-length parameters, natural ends
// (zero second derivative). Its Bézier decomposition (BCRV::ConvertToBezier)
// therefore has 3(m - 1) + 1 points whose every third point is a data point,
// m the number of distinct points. Null as for BCRV_GlobalInterp.
BCRV* BCRV_Interpolate(const double (*pts)[3], int n);

// Least-squares curve of the given degree through the first and last point,
// with few control points: every point lies within tol of the curve at its
// chord-length parameter (so within tol of the curve). Knots follow the
// averaging rule that puts data parameters in every span; the control-point
// count grows by half until the bound holds, and when it would reach the
// point count the interpolating curve is returned instead. tol <= 0 asks for
// interpolation. Two distinct points give a straight line (raised to
// the degree). Null as for BCRV_Interpolate, and for tol that is not finite.
BCRV* BCRV_ApproxErrBnd(const double (*pts)[3], int n, int degree, double tol);
