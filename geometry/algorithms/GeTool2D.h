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
#include "platform/core/ObList.h"

#include <memory>
#include <vector>

class CGeCombCurve;
class CGeCurve;
class CGePolyline;
class CStrP2D;

class CGeTool2D {
public:
    using CurveList = CTypedPtrList<CObList, CGeCurve*>;

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

    BOX2<double> m_box{};      // working box
    double m_dCellW = 0.0;     // working box width / 20
    double m_dCellH = 0.0;     // working box height / 20
    // 400 buckets per grid, column-major (index ix * 20 + iy); null until first use.
    std::unique_ptr<CurveList[]> m_pStartGrid;
    std::unique_ptr<CurveList[]> m_pEndGrid;
};
