#pragma once
// Free functions of the surface kernel on NURBS curve and surface records:
// copies, end tangents, closure and planarity, compatible knot vectors,
// interpolation, knot removal and ruled surfaces. Results: 1 success, 0 not
// possible, -1 out of memory, unless stated otherwise; records made here
// belong to the caller (BCRV_Free, BSRF_Free).

#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Bsrf.h"

// New curve with the same order, knots and control points; null for null
// input or when memory runs out.
BCRV* NRB_CopyCurve(const BCRV* c);
// Copies m curves into out; when one copy fails the copies made are freed and
// 0 returned.
int NRB_CopyCurves(BCRV* const* curves, int m, BCRV** out);
// Euclidean control point i; 0 when its weight is below 1e-12.
int NRB_GetControlPoint(int i, const BCRV* c, double* p);
// End point and first derivative at the start (end 0) or end (end 1) of a
// curve with clamped knots over any range.
int NRB_EndTangent(const BCRV* c, double* deriv, double* point, int end);
// 0 closed and tangent-continuous, 1 closed with a corner, 2 open.
int NRB_ClosureKind(const BCRV* c, double distTol, double angleTol);
// 1 when all control points lie within tol of one plane (or one line): a
// point of it and its unit normal.
int NRB_PlaneOfCurve(double* point, const BCRV* c, double* normal, double tol);
// 1 when order, count and every knot agree (knots within 1e-10).
int NRB_SameKnots(const BCRV* a, const BCRV* b);
// Inserts into b every knot of a that b holds fewer times.
int NRB_MergeKnots(const BCRV* a, BCRV* b);
// Equal order and knot vectors, shapes unchanged; 0 beyond 1024 control
// points or when a step fails.
int NRB_MakeCompatible(BCRV* a, BCRV* b);
// Order-2 curve with both control points at p.
int NRB_NewPointCurve(const double* p, BCRV** out);
// Coefficients of the k basis functions non-zero on span l as polynomials of
// the local parameter s = t - U[l]: the row [1, s, s², ...] times the k x k
// matrix m (row-major) gives their values. Local powers keep the
// coefficients of the size of the basis values even on very short spans.
void NRB_SpanBasisMatrix(int k, double* m, int l, const double* U);
// Solves the banded collocation system: row i holds k basis values starting
// at column starts[i] (non-decreasing). Elimination needs no pivoting for
// B-spline collocation; 0 on a vanishing pivot.
int NRB_SolveCollocation(double (*out)[3], const double* rows, const int* starts, int k, int n,
                         const double (*pts)[3]);
// Curve of order k (2 to 4) through n >= k points, parameters by chord
// length; 0 for bad input or a singular system (coincident neighbours).
int NRB_InterpolatePoints(int n, int k, const double (*pts)[3], BCRV** out);
// Removes interior knots whose removal moves no homogeneous control point
// more than tol; returns the number removed. The curve changes only when
// knots were removed; degenerate knot spacing leaves it untouched (0).
int NRB_RemoveCurveKnots(BCRV* c, double tol);
// Reverses curves so that each runs the same way as its predecessor; 0 when
// a deviation cannot be measured.
int NRB_OrientCurves(BCRV** curves, int m);
// Removes interior U knots whose removal stays within tol in every V column;
// returns the number removed. Below 6 removals the surface keeps its knot
// vector and row array (surplus rows are freed); from 6 on both are new.
int NRB_RemoveSurfaceKnots(_nurbs_surface* s, double tol);
// Ruled surface between two curves (u along the curves, v across).
int NRB_RuledSurface(const BCRV* a, const BCRV* b, _nurbs_surface** out);
// Surface through the m curves as its v = const iso-lines (u along the
// curves): copies are oriented (each reversed when it runs against its
// predecessor) and skinned by CNurbsEditor::SkinV with knot tolerance tol;
// v order 3 or 4 (any other becomes 4). 0 on failure.
int NRB_LoftSurface(BCRV* const* curves, int m, int vOrder, double tol, _nurbs_surface** out);
