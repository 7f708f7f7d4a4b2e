// Free functions that merge a chained list of curves into one curve, and the
// boundary swept by an arc whose radius changes along it.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

class CGeArc;
class CGeBezier;
class CGePolyline;

// One polyline through the discretisation (tol, ang, no thinning) of every
// curve of a list linked within tol, the shared end points written once.
// Null for a null or unlinked list or fewer than 2 points. The list is not
// changed; the caller owns the result.
CGePolyline* geCurveListToPolyLine(CTypedPtrList<CObList, CGeCurve*>* list, double tol, double ang);

// geCurveListToPolyLine for the count curves of the list from first on, then
// thinned as CGePolyline::Lean(tol) thins, in one pass without intermediate
// copies. The list is not changed; the caller owns the result.
CGePolyline* geCurveRunToLeanPolyLine(const CTypedPtrList<CObList, CGeCurve*>& list, POSITION first, INT_PTR count,
                                      double tol, double ang);

// One spline from the control points of the list's splines (other curves are
// skipped), the shared end points written once. Null for a null, empty or
// unlinked (0.1) list or when the spline cannot be built.
CGeBezier* geMergeBezier(CTypedPtrList<CObList, CGeCurve*>* list);

// One line or polyline through the points of the list's lines and polylines
// (other curves are skipped), the shared end points written once and nearly
// straight runs thinned. Null for a null, empty or unlinked (0.1) list or
// fewer than 2 points.
CGeCurve* geMergeLine(CTypedPtrList<CObList, CGeCurve*>* list);

// The boundary traced by a point that runs along the arc's angular range while
// its distance from the arc's centre changes linearly from radii[0] to
// radii[1]. Null for a null arc or radii. The caller owns the result.
CGePolyline* geCreateSweepBound(CGeArc* arc, double* radii);
