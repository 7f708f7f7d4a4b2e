#include "framework/numerak/PointString.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(PointString, AreaSignAndOrientation)
{
    double square[] = {0, 0, 2, 0, 2, 2, 0, 2};
    EXPECT_DOUBLE_EQ(SP2D_EvArea(square, 4), 4.0);
    EXPECT_EQ(SP2D_Orient(square, 4), 1);
    const double closed[] = {0, 0, 2, 0, 2, 2, 0, 2, 0, 0};
    EXPECT_DOUBLE_EQ(SP2D_EvArea(closed, 5), 4.0) << "repeated first point";
    SP2D_Reverse(square, 4);
    EXPECT_EQ(square[0], 0);
    EXPECT_EQ(square[1], 2);
    EXPECT_DOUBLE_EQ(SP2D_EvArea(square, 4), -4.0);
    EXPECT_EQ(SP2D_Orient(square, 4), -1);

    // Far from the origin the area keeps its precision.
    const double far[] = {1e8, 1e8, 1e8 + 1, 1e8, 1e8 + 1, 1e8 + 1, 1e8, 1e8 + 1};
    EXPECT_DOUBLE_EQ(SP2D_EvArea(far, 4), 1.0);

    const double line[] = {0, 0, 1, 1, 2, 2};
    EXPECT_EQ(SP2D_Orient(line, 3), 0);
    EXPECT_EQ(SP2D_EvArea(line, 2), 0.0);
    const double bad[] = {0, 0, std::nan(""), 1, 2, 2};
    EXPECT_EQ(SP2D_EvArea(bad, 3), 0.0);
    EXPECT_EQ(SP2D_Orient(bad, 3), 0);

    tagPoint2d recs[3] = {{0, 0}, {1, 0}, {0, 1}};
    EXPECT_DOUBLE_EQ(SP2D_EvArea(recs, 3), 0.5);
}

TEST(PointString, ProjectionNumbersEdgesFromOne)
{
    const double pts[] = {0, 0, 10, 0, 10, 10, 0, 10};
    struct Row {
        const char* label;
        double p[2];
        int seg;
        double t, x, y;
    } rows[] = {
        {"below first edge", {4, -3}, 1, 0.4, 4, 0},
        {"right of second edge", {12, 7}, 2, 0.7, 10, 7},
        {"above third edge", {2, 11}, 3, 0.8, 2, 10},
        {"beyond the start", {-3, -4}, 1, 0.0, 0, 0},
        {"corner tie takes the earlier edge", {11, -1}, 1, 1.0, 10, 0},
    };
    for (const Row& r : rows) {
        double out[2], t = -1;
        int seg = -1;
        ASSERT_EQ(SP2D_PrjPnt(pts, 4, r.p, out, t, seg), 1) << r.label;
        EXPECT_EQ(seg, r.seg) << r.label;
        EXPECT_NEAR(t, r.t, 1e-12) << r.label;
        EXPECT_NEAR(out[0], r.x, 1e-12) << r.label;
        EXPECT_NEAR(out[1], r.y, 1e-12) << r.label;
    }
    double out[2] = {7, 7}, t = 7;
    int seg = 7;
    const double p[2] = {1, 1};
    EXPECT_EQ(SP2D_PrjPnt(pts, 1, p, out, t, seg), 0) << "single point";
    const double nanP[2] = {std::nan(""), 0};
    EXPECT_EQ(SP2D_PrjPnt(pts, 4, nanP, out, t, seg), 0) << "NaN point";
    EXPECT_EQ(seg, 7);
}

TEST(PointString, RayPick)
{
    const double pts[] = {0, 0, 10, 0, 10, 10};
    // A vertical ray from above, just beside the first edge.
    const double p0[3] = {4, -0.05, 20}, p1[3] = {4, -0.05, 19};
    double a = 0, b = 0;
    int seg = -1;
    ASSERT_EQ(SP2D_Pick3d(pts, 3, p0, p1, 0.1, &a, &b, &seg), 1);
    EXPECT_EQ(seg, 1);
    EXPECT_NEAR(b, 0.4, 1e-12);
    EXPECT_NEAR(a, 20.0, 1e-12);
    EXPECT_EQ(SP2D_Pick3d(pts, 3, p0, p1, 0.01, &a, &b, &seg), 0) << "aperture too small";

    // A slanted ray through (10, 5, 0): hits the second edge in the middle.
    const double q0[3] = {7, 5, 3}, q1[3] = {8, 5, 2};
    ASSERT_EQ(SP2D_Pick3d(pts, 3, q0, q1, 1e-6, &a, &b, &seg), 1);
    EXPECT_EQ(seg, 2);
    EXPECT_NEAR(b, 0.5, 1e-12);
    EXPECT_NEAR(a, std::sqrt(18.0), 1e-12);

    EXPECT_EQ(SP2D_Pick3d(pts, 3, q0, q0, 1.0, &a, &b, &seg), 0) << "degenerate ray";
    EXPECT_EQ(SP2D_Pick3d(pts, 1, q0, q1, 1.0, &a, &b, &seg), 0) << "single point";
}

TEST(PointString, BoxPickByPointsOrCrossingEdges)
{
    const double pts[] = {0, 0, 10, 0, 10, 10};
    struct Row {
        const char* label;
        BOX2<double> box;
        int expected;
    } rows[] = {
        {"holds a vertex", BOX2<double>(9, -1, 11, 1), 1},
        {"crosses an edge only", BOX2<double>(4, -1, 5, 1), 1},
        {"away", BOX2<double>(2, 2, 4, 4), 0},
        {"touches an edge", BOX2<double>(10, 3, 12, 4), 1},
    };
    for (const Row& r : rows)
        EXPECT_EQ(SP2D_PickBox(pts, 3, nullptr, &r.box), r.expected) << r.label;

    // In a frame moved by (10, 0, 0) the box around (-6, 0) holds the edge at x = 4.
    _rect_fm3d f;
    const double o[3] = {10, 0, 0}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    ASSERT_EQ(RF_Init(&f, o, x, y), 1);
    const BOX2<double> local(-6.5, -1, -5.5, 1);
    EXPECT_EQ(SP2D_PickBox(pts, 3, &f, &local), 1);
    EXPECT_EQ(SP2D_PickBox(pts, 3, nullptr, &local), 0);
    BOX2<double> empty;
    empty.InitEmpty();
    EXPECT_EQ(SP2D_PickBox(pts, 3, nullptr, &empty), 0);
}

TEST(PointString, OwnedString)
{
    CStrP2D s;
    ASSERT_EQ(s.Create(3), 1);
    EXPECT_EQ(s.GetSize(), 3);
    s[1].x = 5;
    EXPECT_EQ(s.GetPnt(1)[0], 5);
    EXPECT_EQ(s.GetPnt(2)[1], 0);
    s.Clear();
    EXPECT_EQ(s.GetSize(), 0);
    EXPECT_EQ(s.Create(-1), 0);
    EXPECT_EQ(s.GetSize(), 0);
}

}  // namespace
