// Conversions between curve kinds: 2D curves into 3D curves at a given height,
// 3D curves back into 2D curves (z dropped), curves into NURBS records and into
// 2D or 3D polylines. Every result is new and owned by the caller (3D curves are deleted,
// records freed with BCRV_Free); null means nothing was produced. Inputs are
// never changed, adopted or freed.
#pragma once

#include "platform/core/ObList.h"

struct BCRV;
class CGeArc;
class CGeArc3d;
class CGeBezier;
class CGeCircle;
class CGeCombCurve;
class CGeCombCurve3d;
class CGeCurve;
class CGeCurve3d;
class CGeEllipse;
class CGeLine;
class CGeLine3d;
class CGeLoop;
class CGeLoop3d;
class CGeNrbCrv3d;
class CGePolyline;
class CGePolyline3d;

namespace QVN_GeConvert {

// c placed in the plane at height z: a line becomes a 3D line, an arc a 3D arc,
// a circle a full 3D circle, an ellipse or a Bezier spline a NURBS curve, a
// polyline with at least 2 vertices a 3D polyline, a composite with members a
// 3D composite of its converted members. The result takes c's closed flag and,
// when it is not 0, c's extra data word (as its flags word). Null for a null
// curve, a shorter polyline, an empty composite and every other class.
CGeCurve3d* ToCurve3d(CGeCurve* c, double z);

// ToCurve3d(element, z) of every element appended to out, nulls skipped;
// nothing for a null or empty list or a null out.
void CurveListToCurveList3D(CTypedPtrList<CObList, CGeCurve*>* list, double z,
                            CTypedPtrList<CObList, CGeCurve3d*>* out);
// A 3D composite of c's converted members with its box; null for a null or
// empty composite and when no member converts.
CGeCombCurve3d* CombCurveToCombCurve3d(CGeCombCurve* c, double z);
// A 3D loop of c's converted members (returned even when none converted; its
// box is not computed); null for a null or empty loop.
CGeLoop3d* LoopToLoop3d(CGeLoop* c, double z);

// The single kinds; each is null for a null curve.
CGeLine3d* LineToLine3d(CGeLine* c, double z);
// Null as well for an arc without a start direction.
CGeArc3d* ArcToArc3d(CGeArc* c, double z);
CGeArc3d* CircleToArc3d(CGeCircle* c, double z);

// 3D polylines at height z through the curve's points at the curve tolerance,
// thinned with the settings' discretisation angle; null for a null curve and
// fewer than 2 points.
CGePolyline3d* EllipseToPolyline3d(CGeEllipse* c, double z);
CGePolyline3d* BezierToPolyline3d(CGeBezier* c, double z);
CGePolyline3d* PolylineToPolyline3d(CGePolyline* c, double z);
// The same for any 2D curve at tolerance tol, thinned with 170 degrees.
CGePolyline3d* ToPolyline3d(CGeCurve* c, double tol, double z);

// --- 3D to 2D (z is dropped) ---

// By kind: a NURBS curve becomes a Bezier spline when its record is a polynomial
// quadratic or cubic, else a polyline; a composite a 2D composite; a polyline a
// 2D polyline; a line a line; an arc whose plane is parallel to XY an arc with
// the same sense of turning, any other arc a polyline. Null for a null curve and
// every other kind (point, offset curve, loop).
CGeCurve* ToCurve2d(CGeCurve3d* c);
CGeLine* Line3dToLine(CGeLine3d* c);
// Counter-clockwise seen from above when the arc's axis points up, else clockwise.
CGeArc* Arc3dToArc(CGeArc3d* c);
// Null as well for fewer than 2 points.
CGePolyline* Polyline3dToPolyline(CGePolyline3d* c);
// The curve's points at the curve tolerance; null for fewer than 2.
CGePolyline* NrbCrv3dToPolyline(CGeNrbCrv3d* c);
// A 2D composite of the converted members (returned even when none converted);
// null for a null composite or one without members.
CGeCombCurve* CombCurve3dToCombCurve(CGeCombCurve3d* c);
// ToCurve2d of every element appended to list2d, nulls skipped.
void ListCurve3dToListCurve(CTypedPtrList<CObList, CGeCurve3d*>* list3d, CTypedPtrList<CObList, CGeCurve*>* list2d);
// A 3D polyline through the curve's discretisation at tol; null for fewer than 2 points.
CGePolyline3d* ToPolyline3d(CGeCurve3d* c, double tol);
// The same with z dropped.
CGePolyline* ToPolyline2d(CGeCurve3d* c, double tol);

// --- NURBS ---

// A NURBS record in the plane z = 0 with the shape and direction of c: lines,
// arcs, circles, ellipses, Bezier splines (at least 3 nodes), polylines (at
// least 2 vertices) and composites (member records merged within 0.02). Null
// for a null curve, a degenerate one and every other class.
BCRV* ToNurbsCurve(CGeCurve* c);

// NURBS curves (at z = 0) wrapping the record of ToNurbsCurve; null when no
// record results. Circles and ellipses get the closed flag 1.
CGeNrbCrv3d* ToNrbCrv3d(CGeLine* c);
CGeNrbCrv3d* ToNrbCrv3d(CGeArc* c);
CGeNrbCrv3d* ToNrbCrv3d(CGeCircle* c);
CGeNrbCrv3d* ToNrbCrv3d(CGeEllipse* c);
CGeNrbCrv3d* ToNrbCrv3d(CGeBezier* c);

// A NURBS record of the 3D curve: a clone of a NURBS curve's record, exact lines
// and arcs, degree-1 polylines, composites merged within 0.02. Null for a null
// curve, a degenerate one and every other kind (point, offset curve, loop).
BCRV* ToNurbsCurve(CGeCurve3d* c);
CGeNrbCrv3d* ToNrbCrv3d(CGeArc3d* c);

}  // namespace QVN_GeConvert
