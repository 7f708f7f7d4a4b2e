// Toolkit of operations on lists of 3D curves and 3D loops: chaining loose curves
// into loops, nesting and ordering loops, directed and branched chaining, offsets,
// fillets, common tangents, constant-distance points and NURBS interpolation.
//
// A tool is used by one thread at a time and is not copied; only its bucket grid of
// the directed chaining persists between calls. The chainers use the flags and extra
// data words of the input curves as working marks and leave them there.
#pragma once

#include "geometry/shapes3d/GeCurve3d.h"
#include "platform/core/ObList.h"

#include <vector>

struct BCRV;
class CChainWork3d;
class CGeArc3d;
class CGeLoop3d;
class CGeNrbCrv3d;

using CGeLoop3dList = CTypedPtrList<CObList, CGeLoop3d*>;

// A candidate of SearchSingleNeighbor: the curve, its distance to the search point
// and the end that touches (1 start, 0 end).
struct Curve3dNode {
    CGeCurve3d* curve = nullptr;
    double dist = 0.0;
    int atStart = 0;
};

// Appends node unless a node of the same curve is there already; 1 when appended.
int AddUniqueCurve3dNode(CList<Curve3dNode, const Curve3dNode&>& list, const Curve3dNode& node);

class CGeTool3D {
public:
    // Cells of the bucket grid along x and along y.
    static constexpr int kGridCells = 20;

    CGeTool3D();
    ~CGeTool3D();
    CGeTool3D(const CGeTool3D&) = delete;
    CGeTool3D& operator=(const CGeTool3D&) = delete;

    // --- Chaining and ordering --------------------------------------------------

    // Chains curves end to end into new loops appended to loops. Seeds are taken by
    // lowest start z (the earliest on ties); at a chain end the curve with an end
    // within tol and the smallest turn wins (a curve closed within 0.0001 wins without
    // an angle test; the earliest in list order on ties); a chain that finds nothing
    // is reversed once and grown from its other end. With bCopy the loops hold copies
    // and curves is untouched; otherwise the chained curves move from curves into the
    // loops and curves keeps the rest in order. With bClosedOnly growth stops when
    // the chain closes and chains that do not close are dropped (their copies deleted,
    // or in move mode their curves given back to curves). A cancel undoes only this
    // call's loops (in move mode their curves go back to curves); loops held before
    // stay. Nothing for null lists, an empty curve list or a tolerance that is not a
    // number >= 0.
    void ReCreateLoop3d(CGeCurve3dList* curves, CGeLoop3dList* loops, double tol, bool bClosedOnly, bool bCopy);
    // Orders loops as outer loops (counter-clockwise, by decreasing absolute area) each
    // followed by its direct holes (clockwise); holes of holes come later as outer
    // loops of their own. Null entries are dropped.
    void ReSortLoop3d(CGeLoop3dList* loops);
    // Nearest-neighbour order of curves by their start points in XY, from the lower
    // corner of their box (from p, which ends at the last curve's end point). Curves
    // are never reversed; ties go to the earlier curve; null entries are dropped.
    void NearestDistanceSort(CObList* curves);
    void NearestDistanceSort(double* p, CObList* curves);
    // The first loop stays first; then the loop whose start (or, with bReverse, end,
    // which reverses it) is nearest to the last placed loop's end follows, measured
    // in 3D with b3D, else in XY. Only for more than two loops.
    void NearestDistanceSort(CGeLoop3dList* loops, bool bReverse, bool b3D);
    // 1 when every curve starts within tol of the previous end and every composite
    // entry is linked within tol itself.
    int IsLinked(CGeCurve3dList* curves, double tol);
    // IsLinked and the first start strictly closer than tol to the last end; 0 for a
    // null or empty list and when an end entry is empty.
    int IsLoop3d(CGeCurve3dList* curves, double tol);
    // Removes and returns the first entry; null for a null or empty list.
    CGeCurve3d* GetHead(CObList* list);
    // Removes and returns the curve with the lowest start z (the earliest on ties).
    CGeCurve3d* GetHeadInZmin(CObList* list);
    // The union of the present shapes' boxes; untouched for a null or empty list.
    void GetBox(CObList* shapes, BOX3<double>& box);
    void GetBox2d(CObList* shapes, BOX2<double>& box);

    // --- Directed and branched chaining -----------------------------------------

    // Chains directed curves head to tail, never reversed: each chain starts at the
    // lowest-starting free curve, and among the curves starting where the chain ends
    // the one whose end changes z the most follows. Ten or more curves over an extent
    // of at least 2.0 go through the bucket grid with tolerance 0.0002, others through
    // CreateLoop3dForClearCorner1. The chained curves move from curves into the new
    // loops; a cancel gives them back to curves and keeps the loops held before. tol
    // is not used.
    void CreateLoop3dForClearCorner(CGeCurve3dList* curves, double tol, CGeLoop3dList* loops);
    // The same without the grid, tolerance 0.002.
    void CreateLoop3dForClearCorner1(CGeCurve3dList* curves, CGeLoop3dList* loops);
    // Joins a branching set of axis curves into composites (of copies) that run from
    // one junction or free end to the next, appended to out; the input curves stay with
    // the caller. A cancel keeps the composites finished so far.
    void AxisCrvToComCrv(CGeCurve3dList* curves, CGeCurve3dList* out);
    // Out-and-back paths over a branching set of curves: each loop walks out along
    // the branches and comes back along reversed copies. The curves move into the
    // loops; a cancel gives the chained originals back to curves (the reversed copies
    // are deleted) and keeps the loops held before.
    void CreateLinkedCurve(CGeCurve3dList* curves, CGeLoop3dList* loops, bool bZmin, double tol);

    // --- Geometry of one or two curves ------------------------------------------

    // Relation code (see framework/numerak/Plane3D.h) of the two curves; point and
    // normal receive the common plane. 0 when either is null.
    int IsCoplanar(CGeCurve3d* c1, CGeCurve3d* c2, double* point, double* normal, double tol, double tolRel);
    // The relation code of a whole list; 0 for a null or empty list.
    int IsCoplanar(CGeCurve3dList* curves, double* point, double* normal, double tol);
    // Offset of curve by dist in the plane of normal: 1 and a new curve in out
    // (lines, arcs and offset curves stay of their kind, others become offset curves);
    // 0 for a null curve, |dist| < 0.01 (out untouched) or a curve that cannot be offset
    // (out null).
    int CurveOffset(CGeCurve3d* curve, double* normal, double dist, CGeCurve3d*& out);
    // A new arc of radius r tangent to both coplanar curves, with the tangent
    // parameters (segment 1); null when none is found.
    CGeArc3d* GetFilletArc3d(CGeCurve3d* c1, CGeCurve3d* c2, double r, double& t1, unsigned int& seg1, double& t2,
                             unsigned int& seg2);
    // Tangent points p1 on a1's circle and p2 on a2's circle of the common tangent line
    // selected by the hint points at *t1 and *t2: hints on the same side of the centre
    // line give an outer tangent, else a crossing one. 1, or 0 for arcs that are not
    // coplanar or circles inside one another.
    int GetTanPtAt2Arc(CGeArc3d* a1, CGeArc3d* a2, double* t1, double* t2, double* p1, double* p2);
    // Common tangent line of two curves by Newton iteration from *t1, *t2: 1 with the
    // parameters and points, else 0.
    int GetTanPtAt2Curve(CGeCurve3d* c1, CGeCurve3d* c2, double* t1, double* t2, double* p1, double* p2);
    // The start point and the points at every whole multiple of step along the curve
    // (the end only when the length is one): 1, or 0 for a null curve, a step below
    // 0.001, a kind that cannot be measured or fewer than two points.
    int ToConstDistPoint(CGeCurve3d* curve, double step, CStrP3D& out);

    // Turns a run of 3D points into NURBS pieces appended to out (owned by the caller,
    // freed with BCRV_Free). Points closer than 0.005 to the last kept point are
    // skipped; a run is cut where a point lies farther than tol from the line through
    // the last two kept points or where the angle at the last kept point is below
    // angle (a straight continuation has the angle pi). A run of two points becomes a
    // straight record, a longer one an approximation of the given degree within tol.
    // Nothing for null points, n < 2 or degree < 1.
    void GlobalInterp(double (*pts)[3], int n, int degree, double tol, double angle, std::vector<BCRV*>& out);
    // The same joined into one record (pieces merged within 0.01); null when nothing
    // was made or the pieces do not join.
    BCRV* GlobalInterp(double (*pts)[3], int n, int degree, double tol, double angle);
    // A new curve joining the two (within 0.01); null when either is null or they do
    // not join. The arguments are unchanged.
    CGeNrbCrv3d* Merge(CGeNrbCrv3d* first, CGeNrbCrv3d* second);


private:
    // The closest points of two curves (t1, t2 are start values in and parameters
    // out); 1 when they lie within 0.001 of each other.
    int GetClosestPoints(CGeCurve3d* c1, CGeCurve3d* c2, double& t1, double& t2, double* p1, double* p2);
    // The successor at a chain end p with end tangent dir over the whole list (see
    // ReCreateLoop3d); byStart 0 asks to reverse it. Removed from curves with bRemove.
    CGeCurve3d* SearchNext(CGeCurve3dList* curves, double* p, double* dir, double tol, bool bRemove, int& byStart);
    // The z-first successor over the whole list, removed from it.
    CGeCurve3d* SearchNextForZFirst(CGeCurve3dList* curves, double* p, double tol);
    // The z-first successor over the chosen bucket lists.
    CGeCurve3d* SearchNextForZFirst(CGeCurve3dList** cells, double* p, double tol);
    // Chooses the bucket lists around p (the centre cell, neighbours that the square of
    // half-size tol around p meets; null otherwise), nine entries.
    void SetRectList(double* p, double tol, CGeCurve3dList** cells);
    // Empties the grid (allocating it first) and files the present curves by start.
    void InitSearchList(std::vector<CGeCurve3d*>& curves);
    // From position on, the next free vector entry, marked taken; slots passed are
    // cleared.
    CGeCurve3d* GetHeadInZmin(std::vector<CGeCurve3d*>& curves, std::size_t& position);
    // The lowest-starting curve over count lists, removed from its list.
    CGeCurve3d* GetHeadInZmin(CGeCurve3dList* lists, int count);
    // The single neighbour at p among the candidates (a copy that starts at p) or null
    // at a free end or a junction, whose touching ends are then blocked.
    CGeCurve3d* SearchSingleNeighbor(double* p, const std::vector<CGeCurve3d*>& candidates, double tol);
    // Walks back along curve and on into the branches beyond it (see CreateLinkedCurve);
    // successors come from the work set over curves.
    bool RecedeLinkCurve(CChainWork3d& work, CGeCurve3dList* curves, CGeLoop3d* loop, CGeCurve3d* curve, double tol);
    void CellOf(const double* p, int& col, int& row) const;
    CGeCurve3dList& Bucket(int col, int row);

    BOX3<double> m_box;
    double m_dCellWidth = 0.0;
    double m_dCellHeight = 0.0;
    // kGridCells columns of kGridCells lists; null until first needed.
    CGeCurve3dList** m_pGrid = nullptr;
};
