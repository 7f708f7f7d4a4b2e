// The curve toolkit object: bucket grids, link and loop tests, boxes of
// lists, and the list utilities.
#include "framework/numerak/PointString.h"
#include "geometry/algorithms/GeTool2D.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

using CurveList = CTypedPtrList<CObList, CGeCurve*>;

CGeLine* Line(double x1, double y1, double x2, double y2)
{
    const double p[2] = {x1, y1}, q[2] = {x2, y2};
    return new CGeLine(p, q);
}

// Owns the curves of a list for the length of a test.
struct OwnedList {
    CurveList list;
    ~OwnedList() { DeleteOwnedList(list); }
};

// Opens the grid helpers that chaining uses.
class GridTool : public CGeTool2D {
public:
    using CGeTool2D::EndBucket;
    using CGeTool2D::GetCell;
    using CGeTool2D::GetHead;
    using CGeTool2D::InitSearchList;
    using CGeTool2D::SetRectList;
    using CGeTool2D::SetWorkBox;
    using CGeTool2D::StartBucket;
};

TEST(GeTool2DTest, CellsAreClamped)
{
    GridTool tool;
    tool.SetWorkBox(BOX2<double>(0, 0, 20, 10));
    struct Row {
        const char* label;
        double p[2];
        int ix, iy;
    };
    const Row rows[] = {
        {"minimum corner", {0, 0}, 0, 0},
        {"maximum x goes to the last cell", {20, 5}, 19, 10},
        {"maximum corner", {20, 10}, 19, 19},
        {"below the minimum", {-3, -0.5}, 0, 0},
        {"far beyond the box", {1e300, -1e300}, 19, 0},
        {"inner cell", {3.5, 7.25}, 3, 14},
        {"not a number", {NAN, 5}, 0, 10},
    };
    for (const Row& r : rows) {
        int ix = -1, iy = -1;
        tool.GetCell(r.p, ix, iy);
        EXPECT_EQ(ix, r.ix) << r.label;
        EXPECT_EQ(iy, r.iy) << r.label;
    }
}

TEST(GeTool2DTest, ZeroHeightBoxStillFindsNeighbours)
{
    // Every curve lies on y = 5: the working box has zero height.
    OwnedList owned;
    owned.list.AddTail(Line(0, 5, 4.99, 5));   // ends in cell 4
    owned.list.AddTail(Line(5.005, 5, 9, 5));  // starts in cell 5
    owned.list.AddTail(Line(9, 5, 20, 5));
    BOX2<double> box;
    CGeTool2D::GetBox(&owned.list, box);
    EXPECT_EQ(box.ymin, box.ymax);
    GridTool tool;
    tool.SetWorkBox(box);
    std::vector<CGeCurve*> curves(owned.list.begin(), owned.list.end());
    for (CGeCurve* c : curves) c->SetExtData(7);
    tool.InitSearchList(curves);
    for (CGeCurve* c : curves) EXPECT_EQ(c->GetExtData(), 0u) << "taken marks cleared";

    double end[2] = {4.99, 5};
    int ix = -1, iy = -1;
    tool.GetCell(end, ix, iy);
    EXPECT_EQ(ix, 4);
    EXPECT_EQ(iy, 0) << "every point of a zero-height box is in row 0";
    CurveList* lists[2][3][3];
    tool.SetRectList(end, 0.02, lists);
    EXPECT_EQ(lists[0][0][0], nullptr) << "row -1 is outside the grid";
    ASSERT_NE(lists[0][1][1], nullptr) << "the centre cell always counts";
    ASSERT_NE(lists[0][2][1], nullptr) << "the cell to the right meets the tolerance box";
    EXPECT_EQ(lists[0][2][1]->GetCount(), 1);
    EXPECT_EQ(lists[0][2][1]->GetHead(), curves[1]) << "the start bucket holds the next line";
    EXPECT_EQ(lists[1][1][1]->GetHead(), curves[0]) << "the end bucket holds the first line";
    EXPECT_EQ(lists[0][0][1], nullptr) << "the cell to the left is too far";

    // Buckets are reused and emptied by a second fill.
    std::vector<CGeCurve*> none;
    tool.InitSearchList(none);
    EXPECT_TRUE(tool.StartBucket(5, 0)->IsEmpty());
}

TEST(GeTool2DTest, GetHeadSkipsNullsAndTakenCurves)
{
    OwnedList owned;
    CGeLine* a = Line(0, 0, 1, 0);
    CGeLine* b = Line(1, 0, 2, 0);
    owned.list.AddTail(a);
    owned.list.AddTail(b);

    CurveList bucket;
    bucket.AddTail(static_cast<CGeCurve*>(nullptr));
    bucket.AddTail(a);
    EXPECT_EQ(GridTool::GetHead(&bucket), a);
    ASSERT_EQ(bucket.GetCount(), 1) << "the null entry stays";
    EXPECT_EQ(bucket.GetHead(), nullptr);
    EXPECT_EQ(GridTool::GetHead(&bucket), nullptr);

    std::vector<CGeCurve*> seeds = {nullptr, a, b};
    a->SetExtData(1);  // taken meanwhile
    b->SetExtData(0);
    unsigned index = 0;
    EXPECT_EQ(GridTool::GetHead(seeds, index), b);
    EXPECT_EQ(index, 3u);
    EXPECT_NE(b->GetExtData(), 0u) << "marked taken";
    EXPECT_EQ(seeds[1], nullptr) << "a taken curve's entry is cleared";
    EXPECT_EQ(seeds[2], nullptr);
    EXPECT_EQ(GridTool::GetHead(seeds, index), nullptr);
}

TEST(GeTool2DTest, LinkAndLoopTolerances)
{
    // Gaps of exactly 0.5 (binary exact): linking accepts them, closing does not.
    OwnedList linked;
    linked.list.AddTail(Line(0, 0, 4, 0));
    linked.list.AddTail(Line(4.5, 0, 4.5, 3));
    linked.list.AddTail(Line(4.5, 3, 0, 0.5));
    EXPECT_EQ(CGeTool2D::IsLinked(&linked.list, 0.5), 1);
    EXPECT_EQ(CGeTool2D::IsLoop(&linked.list, 0.5), 0) << "closing gap equal to tol";
    EXPECT_EQ(CGeTool2D::IsLoop(&linked.list, 0.5000001), 1);
    EXPECT_EQ(CGeTool2D::IsLinked(&linked.list, 0.4999), 0);

    CurveList empty;
    EXPECT_EQ(CGeTool2D::IsLinked(&empty, 1.0), 0) << "an empty list is not linked";
    EXPECT_EQ(CGeTool2D::IsLinked(nullptr, 1.0), 0);
    CurveList withNull;
    withNull.AddTail(static_cast<CGeCurve*>(nullptr));
    EXPECT_EQ(CGeTool2D::IsLinked(&withNull, 1.0), 0);

    // A composite element with an inner gap of 0.02 fails whatever tol is.
    OwnedList broken;
    auto* comb = new CGeCombCurve;
    comb->AddTail(Line(0, 0, 1, 0), 0);
    comb->AddTail(Line(1.02, 0, 2, 0), 0);
    broken.list.AddTail(comb);
    EXPECT_EQ(CGeTool2D::IsLinked(&broken.list, 100.0), 0);
}

TEST(GeTool2DTest, BoxOfAList)
{
    OwnedList owned;
    owned.list.AddTail(Line(0, 0, 1, 2));
    owned.list.AddTail(static_cast<CGeCurve*>(nullptr));
    owned.list.AddTail(Line(-1, 5, 3, 4));
    BOX2<double> box(9, 9, 9, 9);
    CGeTool2D::GetBox(&owned.list, box);
    EXPECT_EQ(box.xmin, -1);
    EXPECT_EQ(box.ymin, 0);
    EXPECT_EQ(box.xmax, 3);
    EXPECT_EQ(box.ymax, 5);
    CurveList empty;
    BOX2<double> kept(9, 9, 9, 9);
    CGeTool2D::GetBox(&empty, kept);
    EXPECT_EQ(kept.xmin, 9) << "an empty list leaves the box";
}

TEST(GeTool2DTest, DiscreteToPoint)
{
    std::unique_ptr<CGeLine> line(Line(0, 0, 10, 0));
    CStrP2D pts;
    ASSERT_EQ(CGeTool2D::DiscreteToPoint(line.get(), 3.0, pts), 1);
    ASSERT_EQ(pts.GetSize(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(pts[i].x, 3.0 * i, 1e-9) << "point " << i;
        EXPECT_NEAR(pts[i].y, 0.0, 1e-9) << "point " << i;
    }
    std::unique_ptr<CGeLine> nine(Line(0, 0, 9, 0));
    ASSERT_EQ(CGeTool2D::DiscreteToPoint(nine.get(), 3.0, pts), 1);
    ASSERT_EQ(pts.GetSize(), 4) << "a whole multiple includes the end";
    EXPECT_NEAR(pts[3].x, 9.0, 1e-9);

    EXPECT_EQ(CGeTool2D::DiscreteToPoint(line.get(), 0.0009, pts), 0) << "step too small";
    EXPECT_EQ(CGeTool2D::DiscreteToPoint(line.get(), 20.0, pts), 0) << "one point only";
    EXPECT_EQ(CGeTool2D::DiscreteToPoint(nullptr, 1.0, pts), 0);

    // A composite goes through a temporary polyline.
    CGeCombCurve comb;
    comb.AddTail(Line(0, 0, 4, 0), 0);
    comb.AddTail(Line(4, 0, 4, 4), 0);
    ASSERT_EQ(CGeTool2D::DiscreteToPoint(&comb, 2.0, pts), 1);
    ASSERT_EQ(pts.GetSize(), 5);
    EXPECT_NEAR(pts[3].x, 4.0, 1e-9);
    EXPECT_NEAR(pts[3].y, 2.0, 1e-9);
}

TEST(GeTool2DTest, ConvertToSimpleCurve)
{
    const double c[2] = {0, 0};
    auto makeComb = [&c]() {
        auto* comb = new CGeCombCurve;
        comb->AddTail(Line(-1, 0, 1, 0), 0);
        auto* arc = new CGeArc;
        arc->CreateCSEAngle(c, 1.0, 0.0, M_PI);
        comb->AddTail(arc, 1);
        return std::unique_ptr<CGeCombCurve>(comb);
    };
    struct Row {
        const char* label;
        bool toPolyline;
        bool split;
        int count;   // curves appended
        int type;    // type of the first
    };
    const Row rows[] = {
        {"linked composite kept whole", false, false, 1, 0x80},
        {"split into its members", false, true, 2, 0x2},
        {"as one polyline", true, false, 1, 0x40},
    };
    for (const Row& r : rows) {
        auto comb = makeComb();
        OwnedList out;
        EXPECT_EQ(CGeTool2D::ConvertToSimpleCurve(comb.get(), &out.list, 0.01, r.toPolyline, r.split), 1) << r.label;
        ASSERT_EQ(out.list.GetCount(), r.count) << r.label;
        EXPECT_EQ(out.list.GetHead()->GetType(), r.type) << r.label;
        EXPECT_EQ(comb->GetSegmentCount(), 2) << r.label << ": the source is unchanged";
    }
    OwnedList out;
    CGeCombCurve loopLike;
    EXPECT_EQ(CGeTool2D::ConvertToSimpleCurve(nullptr, &out.list, 0.01, false, false), 0);
    EXPECT_EQ(CGeTool2D::ConvertToSimpleCurve(&loopLike, &out.list, 0.01, false, false), 0) << "empty composite";
    EXPECT_TRUE(out.list.IsEmpty());
}

TEST(GeTool2DTest, DiscretisingLists)
{
    OwnedList owned;
    owned.list.AddTail(Line(0, 0, 1, 0));
    owned.list.AddTail(Line(1, 0, 1, 1));
    std::unique_ptr<CGePolyline> poly(CGeTool2D::DiscretToPolyLine(&owned.list, 0.01));
    ASSERT_TRUE(poly);
    EXPECT_EQ(poly->GetSWPointCount(), 3) << "the shared corner once";

    OwnedList out;
    EXPECT_EQ(CGeTool2D::DiscretToLine(&owned.list, &out.list, 0.01), 1);
    EXPECT_EQ(out.list.GetCount(), 2);

    OwnedList gap;
    gap.list.AddTail(Line(0, 0, 1, 0));
    gap.list.AddTail(Line(1.1, 0, 2, 0));
    EXPECT_EQ(CGeTool2D::DiscretToPolyLine(&gap.list, 0.01), nullptr);
    EXPECT_EQ(CGeTool2D::DiscretToLine(&gap.list, &out.list, 0.01), 0);
}

TEST(GeTool2DTest, AddTailToCombCurveLeavesTheSourceEmpty)
{
    CGeCombCurve target;
    target.AddTail(Line(0, 0, 1, 0), 0);
    CGeCombCurve source;
    source.AddTail(Line(1, 0, 2, 0), 0);
    source.AddTail(Line(2, 0, 3, 0), 0);
    CGeTool2D::AddTailToCombCurve(&target, &source);
    EXPECT_EQ(target.GetSegmentCount(), 3);
    EXPECT_EQ(source.IsEmpty(), 1) << "emptied, still alive, owned by the caller";
    CGeTool2D::AddTailToCombCurve(&target, Line(3, 0, 4, 0));
    CGeTool2D::AddTailToCombCurve(&target, nullptr);
    CGeTool2D::AddTailToCombCurve(&target, &target);
    EXPECT_EQ(target.GetSegmentCount(), 4);
}

}  // namespace
