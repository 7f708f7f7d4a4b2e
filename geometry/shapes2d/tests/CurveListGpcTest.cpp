// Loop lists to polygons and back, and a loop Boolean through the clipper.
#include "framework/numerak/Gpc.h"
#include "framework/numerak/PointString.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/CurveListGpc.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/tests/LoopTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace looptest;
using LoopList = CTypedPtrList<CObList, CGeLoop*>;

struct Polygon {
    gpc_polygon p;
    Polygon() { gpc_init_polygon(&p); }
    ~Polygon() { gpc_free_polygon(&p); }
};

struct Loops {
    LoopList list;
    ~Loops() { geDelGeLoopList(&list, false); }
};

TEST(CurveListGpcTest, LoopsBecomeContoursWithHoleFlags)
{
    Loops loops;
    loops.list.AddTail(Square(0, 0, 10));
    loops.list.AddTail(nullptr);
    loops.list.AddTail(Square(2, 2, 3, false));
    Polygon poly;
    geLoopList2GPC(&loops.list, &poly.p);
    ASSERT_EQ(poly.p.num_contours, 2) << "the null loop fills no contour";
    EXPECT_EQ(poly.p.hole[0], 0);
    EXPECT_EQ(poly.p.hole[1], 1);
    EXPECT_EQ(poly.p.contour[0].num_vertices, 5) << "the loop's display points";
    EXPECT_EQ(poly.p.contour[1].vertex[2].x, 5.0);

    Polygon untouched;
    LoopList empty;
    geLoopList2GPC(&empty, &untouched.p);
    geLoopList2GPC(nullptr, &untouched.p);
    geLoopList2GPC(&loops.list, nullptr);
    EXPECT_EQ(untouched.p.num_contours, 0);
}

TEST(CurveListGpcTest, ContoursBecomeClosedPolylineLoops)
{
    Polygon poly;
    ASSERT_EQ(gpc_create_polygon(&poly.p, 1), 1);
    ASSERT_EQ(gpc_create_vertex(&poly.p.contour[0], 4), 1);
    const gpc_vertex v[4] = {{0, 0}, {3, 0}, {3, 2}, {0, 2}};
    for (int i = 0; i < 4; ++i) poly.p.contour[0].vertex[i] = v[i];
    Loops loops;
    geGPC2LoopList(&poly.p, &loops.list);
    ASSERT_EQ(loops.list.GetCount(), 1);
    CGeLoop* loop = loops.list.GetHead();
    ASSERT_EQ(loop->GetSegmentCount(), 1);
    CGeCurve* polyline = loop->GetSubCurve(1);
    ASSERT_EQ(polyline->GetSWPointCount(), 5);
    EXPECT_EQ(polyline->GetClosedFlag(), 1);
    EXPECT_EQ(polyline->GetSWPoint()[4][0], 0.0);
    EXPECT_EQ(polyline->GetSWPoint()[4][1], 0.0);
    EXPECT_DOUBLE_EQ(loop->EvArea(0.01), 6.0);
    geGPC2LoopList(nullptr, &loops.list);
    geGPC2LoopList(&poly.p, nullptr);
    EXPECT_EQ(loops.list.GetCount(), 1);
}

TEST(CurveListGpcTest, RoundTripOfSquareWithHoleThroughClipper)
{
    // Union with nothing normalises the polygon; the loops come back with
    // the analytic area 100 - 9 and a circle hole comes back as its discretised
    // polygon (the polygon's area, not the circle's).
    Loops in;
    in.list.AddTail(Square(0, 0, 10));
    in.list.AddTail(Square(2, 2, 3, false));
    auto* circle = new CGeLoop;
    const double c[2] = {7.5, 7.5};
    circle->AddTail(new CGeCircle(c, 1.5, 0), 1);
    in.list.AddTail(circle);
    Polygon subject, nothing, result;
    geLoopList2GPC(&in.list, &subject.p);
    ASSERT_EQ(gpc_polygon_clip(GPC_UNION, &subject.p, &nothing.p, &result.p), 1);
    Loops out;
    geGPC2LoopList(&result.p, &out.list);
    ASSERT_EQ(out.list.GetCount(), 3);
    double total = 0.0;
    for (CGeLoop* loop : out.list) total += loop->EvArea(0.01);
    ASSERT_TRUE(circle->HasDisplay());
    const double circleArea = std::fabs(SP2D_EvArea(&circle->GetSWPoint()[0][0], circle->GetSWPointCount()));
    EXPECT_NEAR(circleArea, 3.14159265358979 * 2.25, 0.02);
    EXPECT_NEAR(total, 100.0 - 9.0 - circleArea, 1e-6);
}

}  // namespace
