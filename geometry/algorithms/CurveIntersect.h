// Curve/curve intersection of the 2D curves: the general entry CurveCurve, the
// pairwise intersectors of the simple curve classes, and the operations over
// composite members, loops and regions.
//
// Every operation appends IntPnt records to a caller-owned array and never
// empties it. A record names the first argument as curve 1: segment (Bezier
// segment, polyline edge, 1 for lines, arcs, circles and ellipses, or the member
// number of a composite), local parameter in [0, 1] within that segment, and
// for composites the segment inside the member as sub-segment. The point is the
// intersector's own, not re-evaluated on either curve.
//
// The geometric cores are the Isect_* intersectors of the maths library; each
// operation here prunes by boxes (0.01), filters the raw points by the curves'
// extents and finds both parameters.
//
// Parallel evaluation (bParallel nonzero) spreads the members of a composite or
// loop over OpenMP threads; it gives the same records in the same order as
// sequential evaluation. The curves must not change while a call runs.
#pragma once

#include "framework/numerak/Box.h"
#include "framework/numerak/IntPnt.h"
#include "platform/core/Containers.h"
#include "platform/core/ObList.h"

class CGeArc;
class CGeBezier;
class CGeCircle;
class CGeCombCurve;
class CGeCurve;
class CGeEllipse;
class CGeLine;
class CGeLoop;
class CGePolyline;
class CGeRegion;

namespace QVN_GeCC_Inter {

using IntPntArray = CArray<IntPnt, IntPnt>;

// The general entry: appends the intersections of c1 and c2 (records name c1 as
// curve 1). 0 for a null argument or boxes apart by more than 0.01; otherwise 1
// when out holds at least one record afterwards (also records that were there
// before), else 0. Lines, arcs, circles, ellipses, Bezier splines, polylines
// and composite curves take part; every other class gives nothing. bParallel
// reaches only the operations with a composite second curve.
int CurveCurve(CGeCurve* c1, CGeCurve* c2, IntPntArray* out, int bParallel);

// Pairwise intersectors, the curve of the earlier class first. Each returns 1
// when it appended at least one record, else 0; null arguments, the same object
// twice for a pair of one class, and boxes apart by more than 0.01 give 0.
// LineLine fills one record instead (boxes within 1e-6; a collinear overlap
// gives the last accepted end point of q1, q2, p1, p2).
int LineLine(CGeLine* l1, CGeLine* l2, IntPnt& rec);
int LineArc(CGeLine* l, CGeArc* a, IntPntArray* out);
int LineCircle(CGeLine* l, CGeCircle* c, IntPntArray* out);
int LineEllipse(CGeLine* l, CGeEllipse* e, IntPntArray* out);
int LineBez(CGeLine* l, CGeBezier* b, IntPntArray* out);
int LinePLine(CGeLine* l, CGePolyline* p, IntPntArray* out);
int ArcArc(CGeArc* a1, CGeArc* a2, IntPntArray* out);
int ArcCir(CGeArc* a, CGeCircle* c, IntPntArray* out);
int ArcEllipse(CGeArc* a, CGeEllipse* e, IntPntArray* out);
int ArcBez(CGeArc* a, CGeBezier* b, IntPntArray* out);
int ArcPLine(CGeArc* a, CGePolyline* p, IntPntArray* out);
int CirCir(CGeCircle* c1, CGeCircle* c2, IntPntArray* out);
int CirEllipse(CGeCircle* c, CGeEllipse* e, IntPntArray* out);
int CirBez(CGeCircle* c, CGeBezier* b, IntPntArray* out);
int CirPLine(CGeCircle* c, CGePolyline* p, IntPntArray* out);
int EllEll(CGeEllipse* e1, CGeEllipse* e2, IntPntArray* out);
// Ellipse against a spline, one record per point: parameter 1 is the ellipse's
// own parameter. Not used by CurveCurve.
int EllBez(CGeEllipse* e, CGeBezier* b, IntPntArray* out);
// The ellipse/spline pair of CurveCurve: points on the true ellipse, parameter 1
// from the ellipse's nearest point, sub-segment 1 set to 1.
int EllBezEx(CGeEllipse* e, CGeBezier* b, IntPntArray* out);
int EllPLine(CGeEllipse* e, CGePolyline* p, IntPntArray* out);
int BezBez(CGeBezier* b1, CGeBezier* b2, IntPntArray* out);
int BezPLine(CGeBezier* b, CGePolyline* p, IntPntArray* out);
// Polyline pair; edges outside clip (grown by 0.01) are skipped when clip is given.
// Returns 1 when this call appended records.
int PLinePLine(CGePolyline* p1, CGePolyline* p2, BOX2<double>* clip, IntPntArray* out, int bParallel);

// A simple curve against a composite curve: segment 2 is the member number,
// sub-segment 2 the member's own segment, sub-segment 1 is 1. 1 when out holds
// records afterwards.
int LineComCurve(CGeLine* c, CGeCombCurve* comb, IntPntArray* out, int bParallel);
int ArcComCurve(CGeArc* c, CGeCombCurve* comb, IntPntArray* out, int bParallel);
int CirComCurve(CGeCircle* c, CGeCombCurve* comb, IntPntArray* out, int bParallel);
int EllComCurve(CGeEllipse* c, CGeCombCurve* comb, IntPntArray* out, int bParallel);
int BezComCurve(CGeBezier* c, CGeCombCurve* comb, IntPntArray* out, int bParallel);
int PLineComCurve(CGePolyline* c, CGeCombCurve* comb, IntPntArray* out, int bParallel);
// Two composite curves: segments are member numbers, sub-segments the members'
// own segments. 1 when out holds records afterwards.
int ComCurveComCurve(CGeCombCurve* c1, CGeCombCurve* c2, IntPntArray* out, int bParallel);

// Any curve against a loop's members: segment 2 the member number, sub-segment 2
// the member's own segment, segment 1 and sub-segment 1 as the member
// intersection gave them. 1 when this call appended records; 0 for null input.
int CurveLoop(CGeCurve* c, CGeLoop* loop, IntPntArray* out, int bParallel);
// CurveLoop of every non-null loop in order; the records do not tell the loop.
// 1 when this call appended records; 0 for a null or empty list.
int CurveLoopList(CGeCurve* c, CTypedPtrList<CObList, CGeLoop*>* loops, IntPntArray* out);
// CurveLoop of every loop of the region; 0 for null input or boxes apart.
// 1 when this call appended records.
int CurveRegion(CGeCurve* c, CGeRegion* region, IntPntArray* out);
// CurveCurve of every member pair, the records unchanged (segments name the
// members' own segments, not the loops' members). 1 when out holds records afterwards.
int LoopLoop(CGeLoop* l1, CGeLoop* l2, IntPntArray* out);

}  // namespace QVN_GeCC_Inter

namespace QVN_GeCC_Inter {

// Newton refinement of one intersection of any two curves near a start guess
// (t1 on segment seg1 of c1, t2 on segment seg2 of c2). When a run stops at a
// segment's end it continues on the neighbouring segment, at most 6 runs of
// 33 iterations; circles, ellipses and offsets of them wrap around. 1 when the
// curves meet within 0.0001, with pt the point on c1 and the parameters and
// segments updated in place; 0 otherwise (they hold the last values tried).
// Null curves and a start segment beyond a curve's segment count give 0
// without any evaluation.
int CurveCurveIterate(CGeCurve* c1, double& t1, int& seg1, CGeCurve* c2, double& t2, int& seg2, double* pt);

namespace iterate {
// One Newton run on fixed segments; 1 converged (pt set), 0 not. Tangents
// count as parallel when |D1 x D2| <= 0.0001 |D1| |D2| (a sine, so short
// segments cross as well as long ones).
int NewtonCurveCurve(CGeCurve* c1, int seg1, double& t1, CGeCurve* c2, int seg2, double& t2, double* pt);
// 1 for circles, ellipses and offset curves of them.
int IsPeriodicCurve(CGeCurve* c);
// Moves (seg, t) to the neighbouring segment when t sits at an end: 0
// unchanged, 1 moved, 2 out of range (clamped to the first or last segment).
int StepSegmentParam(CGeCurve* c, int& seg, double& t);
}  // namespace iterate

}  // namespace QVN_GeCC_Inter
