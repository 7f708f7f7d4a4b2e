// Conversions of 2D curves into 3D curves at a given height and into NURBS
// records. Every result is new and owned by the caller (3D curves are deleted,
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

}  // namespace QVN_GeConvert
