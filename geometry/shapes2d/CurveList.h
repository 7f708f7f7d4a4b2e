// Free functions on whole typed pointer lists of shapes: whether a list of
// curves is chained or closed, the list-deleting functions every owner of such
// a list uses, greedy nearest-neighbour ordering, and the minimum-area
// rectangle of a polygon.
//
// Lists own their elements unless a function says otherwise; null elements
// are allowed in every list.
#pragma once

#include "platform/core/ObList.h"

class CGeCurve;
class CGeCurve3d;
class CGeGroup;
class CGeLoop;
class CGeLoop3d;
class CGeRegion;
class CGeSurf;
class CGeTrimLoop;

// 1 when every element after the first starts at most tol from the previous
// element's end and every composite element is itself linked within 0.01;
// 0 for a null list or a null element. An empty list is linked.
int geIsLinkCurve2d(CTypedPtrList<CObList, CGeCurve*>* list, double tol);
// The same for the count elements of the list from first on (fewer where the
// list ends before).
int geIsLinkCurveRun2d(const CTypedPtrList<CObList, CGeCurve*>& list, POSITION first, INT_PTR count, double tol);
// The same in 3D; a 3D composite element must be linked within tol itself.
int geIsLinkCurve3d(CTypedPtrList<CObList, CGeCurve3d*>* list, double tol);
// 1 when the list is linked within tol and the first start and the last end
// are strictly closer than tol.
int geIsLoopCurve2d(CTypedPtrList<CObList, CGeCurve*>* list, double tol);
int geIsLoopCurve3d(CTypedPtrList<CObList, CGeCurve3d*>* list, double tol);

// Delete every non-null element, then empty the list; nothing for null.
void geDelCurveList(CTypedPtrList<CObList, CGeCurve*>* list);
void geDelCurve3dList(CTypedPtrList<CObList, CGeCurve3d*>* list);
void geDelLoop3dList(CTypedPtrList<CObList, CGeLoop3d*>* list);
void geDelGroupList(CTypedPtrList<CObList, CGeGroup*>* list);
void geDelSurfList(CTypedPtrList<CObList, CGeSurf*>* list);
void geDelTrimLoopList(CTypedPtrList<CObList, CGeTrimLoop*>* list);
// As above; with bDetach each loop's member list (each region's loop list) is
// emptied first, so the members survive and stay owned elsewhere.
void geDelGeLoopList(CTypedPtrList<CObList, CGeLoop*>* list, bool bDetach);
void geDelRegionList(CTypedPtrList<CObList, CGeRegion*>* list, bool bDetach);

// Greedy ordering: the first element stays first; then, repeatedly, the
// element whose start is nearest to the current end follows (the first of
// equal candidates wins). Elements are never reversed. Null elements and
// elements starting 1e12 or more away are never picked; when no candidate is
// left the remaining elements follow in their list order.
void geRankCurveInNearestDist(CTypedPtrList<CObList, CGeCurve*>* list);
void geRankLoopInNearestDist(CTypedPtrList<CObList, CGeLoop*>* list);

// Smallest rectangle with a side along an edge of the closed polygon pts (n
// points). Returns its area and writes its centre and unit axes (axes[0]
// along the edge, axes[1] to its left); 1e12 with nothing written when every
// edge is degenerate.
double MinAreaRect(double (*pts)[2], int n, double* centre, double (*axes)[2]);
