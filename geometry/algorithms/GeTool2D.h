// The toolkit object of the 2D curve algorithms. A caller makes one for one
// task (chaining loose curves into loops, orienting loops, building regions,
// offsets, fillets, ranking), calls its operations and destroys it. The
// object holds only what grid-accelerated chaining needs: a working box and
// two 20 by 20 grids of end-point buckets (curves by the cell of their start
// point and by the cell of their end point). Buckets never own curves.
//
// While the grids are in use, each work curve's extra data word is its taken
// mark (0 free, anything else taken); it is not restored afterwards.
#pragma once

#include "geometry/shapes2d/Box.h"
#include "platform/core/Containers.h"
#include "platform/core/ObList.h"

#include <memory>
#include <vector>

class CGeArc;
class CGeCircle;
class CGeCombCurve;
class CGeCurve;
class CGeLine;
class CGeLoop;
class CGePolyline;
class CGeRegion;
class CStrP2D;
struct _tagGeIsectPt;

class CGeTool2D {
public:
    using CurveList = CTypedPtrList<CObList, CGeCurve*>;
    using LoopList = CTypedPtrList<CObList, CGeLoop*>;
    using RegionList = CTypedPtrList<CObList, CGeRegion*>;

    static constexpr int kGridSize = 20;

    CGeTool2D();
    ~CGeTool2D();
    CGeTool2D(const CGeTool2D&) = delete;
    CGeTool2D& operator=(const CGeTool2D&) = delete;

    // Union of the boxes of the list's shapes (null elements skipped); a null
    // or empty list leaves box unchanged.
    static void GetBox(CObList* list, BOX2<double>& box);
    // 1 when every element starts at most tol from the previous element's end
    // and every composite element is linked within 0.01; 0 for a null or empty
    // list or a null element.
    static int IsLinked(CurveList* list, double tol);
    // IsLinked, and the first start strictly closer than tol to the last end.
    static int IsLoop(CurveList* list, double tol);
    // Deletes every non-null element and empties the list.
    static void DeleteCurve(CurveList* list);
    // Appends curve to comb's member list; a composite hands over its members
    // and is left empty (not deleted). comb's box is not recomputed.
    static void AddTailToCombCurve(CGeCombCurve* comb, CGeCurve* curve);
    // Appends to out a version of curve made only of lines, arcs, circles and
    // polylines (new curves owned by the list's owner); 1 when something was made.
    static int ConvertToSimpleCurve(CGeCurve* curve, CurveList* out, double tol, bool toPolyline,
                                    bool splitComposites);
    // One polyline per curve of a list linked within 1e-6, appended to out.
    static int DiscretToLine(CurveList* curves, CurveList* out, double tol);
    // One polyline through a list linked within tol; null on failure.
    static CGePolyline* DiscretToPolyLine(CurveList* curves, double tol);
    // Points spaced step apart along the curve, from its start; 1 when done.
    static int DiscreteToPoint(CGeCurve* curve, double step, CStrP2D& out);

    // --- Chaining loose curves into loops (LoopChaining.cpp) ---------------
    // New loops are appended to loops, which owns them. copy false moves the
    // caller's curves into the loops (they leave the caller's list). On a
    // cancel only the loops this call made are undone; in move mode their
    // curves and the curves not chained yet go back to the caller's list.
    //
    // Least-turn chaining over the whole work list; a chain stops growing as
    // soon as it closes.
    void ReCreateLoop(CurveList* curves, LoopList* loops, double tol, bool closedOnly, bool copy);
    // The same chaining through the bucket grids, for large inputs.
    void ReCreateLoopEx(CurveList* curves, LoopList* loops, double tol, bool closedOnly, bool copy);
    // Open chains by nearest end (always move mode).
    void ReCreateOpenLoop(CurveList* curves, LoopList* loops, double tol);
    // Chains that follow every curve's own direction (start points only).
    void ReCreateLoopInSelfDir(CurveList* curves, LoopList* loops, double tol, bool closedOnly, bool copy);
    // Chains that walk every branch of a connected network, retracing dead
    // ends (tolerance 0.001); the curves are taken from the caller's list.
    void CreateLinkedCurve(CurveList* curves, LoopList* loops);
    // Moves each curve's start onto the previous end across gaps below tol
    // (and the first start onto the last end).
    static void StitchCurveList(CurveList* list, double tol);

    // --- Loop classification, ordering and regions (LoopRegions.cpp) ------
    // Moves every loop of in to closed (closed within tol) or open; in keeps
    // only its null entries, so no loop is held by two lists.
    void ClassifyLoop(LoopList* in, LoopList* open, LoopList* closed, double tol);
    // Deletes later loops whose box and |cached area| match an earlier one's
    // within tol (the first of a set survives).
    void DelSameLoop(LoopList* loops, double tol);
    // Stable sort by cached area, largest first (absolute or signed); nulls dropped.
    void SortLoopWithArea(LoopList* loops, bool byAbsoluteArea);
    // From group (outer loop, then candidate holes) moves the outer loop and
    // its direct holes to out; holes of holes stay in group.
    void RefineRegionInLoop(LoopList* group, LoopList* out);
    // Orients and orders loops: each outer loop counter-clockwise followed by
    // its holes clockwise. Loops without display points are deleted.
    void ReSortLoop(LoopList* loops);
    // Regions of outer loops with their holes, ranked by position; holes that
    // fit no region stay in loops.
    void CreateRegion(LoopList* loops, RegionList* regions);
    // Regions straight from the order of ReSortLoop.
    void CreateRegionAtFast(LoopList* loops, RegionList* regions);
    // Regions that keep every loop's own direction.
    void CreateRegionInSelfDir(LoopList* loops, RegionList* regions);
    // Ranking walks from the lower left, row by row.
    void RankRegionPosition(RegionList* regions);
    void RankRegionListNearest(RegionList* regions);
    void RankRegionNearest(CGeRegion* region);
    void RankLoopListNearest(LoopList* loops);
    void RankLoopPosition(LoopList* loops);
    void RankLoopPosition(LoopList* loops, double* start);
    void RankCurve(CurveList* curves);
    // start is the walk's start point in and its final point out.
    void RankCurve(CurveList* curves, double* start);

    // --- Rankings by rows or columns, nesting and nearest loop (ShapeRanking.cpp)
    // Keys live in tables local to each call: the shapes' extra data words are
    // left alone. Null entries of the lists that are emptied band by band are
    // dropped.
    //
    // Moves the lowest row (bottom 1) or the leftmost column (bottom 0) of
    // shapes to out; box becomes the box of out.
    void GetBottommostOrLefttest(CObList* shapes, int bottom, CObList* out, BOX2<double>& box);
    // Orders curves band by band (rows, or columns when columns is set), each
    // band entered from its corner nearer to where the previous band ended and
    // ordered by distance to its box centre (byBoxCentre) or its start point.
    void RankCurveListInAxis(CObList* shapes, int columns, int byBoxCentre);
    // Regions by bands of their boxes, then each region's holes the same way.
    void RankRegionListInAxis(RegionList* regions, int columns);
    // A region's holes by bands; its first loop stays first.
    void RankRegionInAxis(CGeRegion* region, int columns);
    // Shapes inside other shapes' boxes (within 0.1) come before them.
    void RankRegionListInner(RegionList* regions);
    // Greedy nearest next loop from the first loop's end; with allowReverse a
    // loop may be entered at its end, and is then reversed.
    void NearestDistanceSort(LoopList* loops, bool allowReverse);
    // The loop whose start is nearest to point (the first of equals), taken
    // out of the list when remove is set; null for a null or empty list.
    CGeLoop* SearchNearestLoop(LoopList* loops, double* point, bool remove);

    // --- Linking curves that meet end to end (CurveLinking.cpp) -------------
    // Appends to out new composites (owned by the caller) made of copies of
    // curves whose ends coincide within 0.00001; chains stop where three or
    // more ends meet. The input curves are neither moved nor deleted; each
    // one's extra data word holds a state mark afterwards. A cancel keeps the
    // composites made so far.
    void AxisCrvToComCrv(CurveList* curves, CurveList* out);

    // --- Tangent circles and fillets (TangentCircles.cpp) ------------------
    // Results are new curves owned by the caller: circles run counter-clockwise.
    // Parameters passed by reference are start values near the wanted solution
    // and receive the solution's parameters where stated; null or 0 means no
    // solution. The radius-given constructions put each offset on the side of
    // the other curve's reference point; a reference point on the curve itself
    // has no side and gives null.
    //
    // Circle of radius r tangent to c1 and c2 near the picks (t1, seg1) and
    // (t2, seg2); the parameters receive the centre's parameters on the offsets.
    CGeCircle* GetTanCircleAt2Curve(CGeCurve* c1, CGeCurve* c2, double r, double& t1, int& seg1, double& t2,
                                    int& seg2);
    // Circle through three points; null when they are collinear.
    CGeCircle* GetCircle3Pt(double* p1, double* p2, double* p3);
    // Circle through p and q tangent to c, iterated from (t, seg) (at most 32
    // rounds, until the radii agree within 3 x 0.0001, then Newton steps on
    // the centre make it exact). The next two iterate the same way.
    CGeCircle* GetTanCircleAt1Curve(CGeCurve* c, double* p, double* q, double& t, unsigned& seg);
    // Circle through p tangent to c1 and c2.
    CGeCircle* GetTanCircleAt2Curve(CGeCurve* c1, CGeCurve* c2, double* p, double& t1, unsigned& seg1, double& t2,
                                    unsigned& seg2);
    // Circle tangent to three curves; its radius is the distance to c1.
    CGeCircle* GetTanCircleAt3Curve(CGeCurve* c1, CGeCurve* c2, CGeCurve* c3, double& t1, unsigned& seg1,
                                    double& t2, unsigned& seg2, double& t3, unsigned& seg3);
    // Minor arc of radius r from c1 to c2; the sides come from both curves'
    // points at t = 0.1 of segment 1, whatever the picks.
    CGeArc* GetFilletArc(CGeCurve* c1, CGeCurve* c2, double r, double& t1, int& seg1, double& t2, int& seg2);
    // Tangent points of the common tangent of two arcs' circles on the side of
    // the picks *t1, *t2 (not changed): out1 on the smaller circle (a1's for
    // equal radii). 0 for a null arc or one circle inside the other.
    int GetTanPtAt2Arc(CGeArc* a1, CGeArc* a2, double* t1, double* t2, double* out1, double* out2);
    // A common tangent line of two curves by Newton's method from *t1, *t2
    // (segment 1); 1 with the parameters and tangent points set.
    int GetTanPtAt2Curve(CGeCurve* c1, CGeCurve* c2, double* t1, double* t2, double* out1, double* out2);
    // Closest point pair of two curves by alternating projection from t1, t2
    // (segment 1; not changed); 0 when the curves touch or it does not settle.
    int CalcPendPtBy2Curve(CGeCurve* c1, CGeCurve* c2, double& t1, double& t2, double* out1, double* out2);

    // --- Open-curve offsets (OpenCurveOffset.cpp) ---------------------------
    // For each non-null loop of in (open or closed; not changed) appends to out
    // a new loop at signed distance dist (left of travel positive): members
    // offset one by one (Bezier splines, ellipses and polylines chord by
    // chord), gaps bridged by bridgeMode (0 extend the pieces until they meet,
    // 1 a tangent arc of at most a half turn, 2 a line, other values none),
    // the pieces cut where they cross and the loops that crossing makes cut
    // away. When a closed input pinches into several lobes one is kept: at
    // the first crossing met from the chain's start, the side with the longer
    // stretch of the chain. Nothing for null lists.
    void OpenCurveOffset(LoopList* in, double dist, int bridgeMode, LoopList* out);
    // Cuts every line and arc of the list at its interior crossings with the
    // other curves; the pieces follow the cut curve in the list, which keeps
    // its place as the first piece. 1 when there was a cut point, else 0.
    int SplitCurveOnIntPt(CurveList* list);

protected:
    // The working box and the cell sizes that go with it.
    void SetWorkBox(const BOX2<double>& box);
    const BOX2<double>& GetWorkBox() const { return m_box; }
    // Cell of a point: truncated quotients clamped into 0..19; a quotient that
    // is not finite (a box of zero width or height) gives 0.
    void GetCell(const double* p, int& ix, int& iy) const;

    // Allocates the grids on first use, empties all buckets and files every
    // non-null curve (taken mark cleared) by its start and end cells.
    void InitSearchList(std::vector<CGeCurve*>& curves);
    // The buckets that can hold an end point within tol of p: lists[0][i][j]
    // is the start bucket and lists[1][i][j] the end bucket of the cell
    // (ix + i - 1, iy + j - 1), or null when that cell is outside the grid or
    // its box does not meet the tolerance box (the centre cell always counts).
    void SetRectList(const double* p, double tol, CurveList* lists[2][3][3]) const;
    // First non-null element, removed from the list; null entries before it stay.
    static CGeCurve* GetHead(CurveList* list);
    // The first free curve from index on: marked taken, its entry nulled, and
    // index set past it. Taken curves met on the way are nulled too.
    static CGeCurve* GetHead(std::vector<CGeCurve*>& curves, unsigned& index);

    CurveList* StartBucket(int ix, int iy) const;
    CurveList* EndBucket(int ix, int iy) const;

    // Chaining searches. forward is true when the candidate matched at its
    // start (appended as it is), false at its end (reversed first).
    // List form: least turn from tangent t at point p over the whole list.
    static CGeCurve* SearchNext(CurveList* list, const double* p, const double* t, double tol, bool remove,
                                bool& forward);
    // Grid form: the same rule over every bucket whose cells can hold an end
    // within tol of p; the chosen curve leaves the grids and is marked taken.
    CGeCurve* SearchNext(const double* p, const double* t, double tol, int& forward);
    // Nearest end within tol (a later candidate at the same distance wins).
    static CGeCurve* SearchNextMinDist(CurveList* list, const double* p, double tol, bool remove, bool& forward);
    // Least turn, matching start points only; the chosen node is removed.
    static CGeCurve* SearchNextInSelfDir(CurveList* list, const double* p, const double* t, double tol);
    // Walks the chain back along member (a position in its member list) and
    // chains the branches met there; true when it retraced the member.
    bool RecedeLinkCurve(CurveList* curves, CGeLoop* chain, POSITION member, double tol);
    // Takes a curve out of both grids (by the cells of its current ends).
    void RemoveFromGrids(CGeCurve* curve);
    // Empties every bucket (the grids hold no pointers after a call).
    void ClearGrids();
    // The one free curve with an end within tol of point in the given
    // buckets (null entries skipped), as a copy turned to start there, or
    // null. Several candidates mark a junction: each gets the bit of its
    // touching end and null is returned.
    static CGeCurve* SearchSingleNeighbor(double* point, CurveList* buckets[3], double tol);

    BOX2<double> m_box{};      // working box
    double m_dCellW = 0.0;     // working box width / 20
    double m_dCellH = 0.0;     // working box height / 20
    // 400 buckets per grid, column-major (index ix * 20 + iy); null until first use.
    std::unique_ptr<CurveList[]> m_pStartGrid;
    std::unique_ptr<CurveList[]> m_pEndGrid;

    // Steps of OpenCurveOffset.
    void GenRawOffsetCurve(CurveList* members, double dist, CurveList* out);
    static CGeLine* GenOffsetLine(const double* a, const double* b, double dist);
    void BridgeCurveList(CurveList* list, double dist, int bridgeMode);
    // Closes the gap from the curve at pos1 to the one at pos2 of list; a new
    // bridge curve or null. A trimmed arc that keeps nothing is replaced in
    // the list by a line.
    CGeCurve* BridgeCurve(CurveList* list, POSITION pos1, POSITION pos2, double dist, int bridgeMode);
    // Moves the end (atEnd 1) or start of curve onto point, cutting an arc at
    // t; a new line to take the arc's place when the arc keeps nothing, else null.
    static CGeCurve* TrimCurveEnd(CGeCurve* curve, double t, const double* point, int atEnd);
    static int ExtendCurveEnd(CGeCurve* c1, CGeCurve* c2, double dist, CGeCurve*& out);
    void EvCurveIntPt(CurveList* list, CArray<_tagGeIsectPt, _tagGeIsectPt>& out);
    void CreateSegCurveWithIntPt(CGeCurve* k, CArray<_tagGeIsectPt, _tagGeIsectPt>& group, CurveList* pieces);
    static CGeCurve* Split(CGeCurve* curve, double t0, double t1);
    // Cuts away the loops of a self-crossing chain: from each piece, the last
    // later piece that starts at its end follows it. On a closed chain the
    // shorter side of such a crossing goes, so a loop at the seam is cut off.
    void DelBrokenCurve(CurveList* list, double tol, bool closedChain = false);
};
