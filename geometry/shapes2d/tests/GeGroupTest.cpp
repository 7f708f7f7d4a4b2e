// Curve groups: ownership, end points, boxes and rotation.
#include "geometry/shapes2d/GeGroup.h"
#include "geometry/shapes2d/tests/LoopTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace looptest;

TEST(GeGroupTest, EndPointsAndBoxComeFromTheCurves)
{
    CGeGroup group;
    double p[2] = {9, 9};
    group.GetStartPoint(p);
    group.GetEndPoint(p);
    EXPECT_EQ(p[0], 9.0) << "nothing for an empty group";

    group.GetCurveList().AddTail(Line({0, 0}, {1, 2}));
    group.GetCurveList().AddTail(Arc({5, 5}, 1, 0, 3.14159265358979323846 / 2));
    group.GetCurveList().AddTail(Line({-3, 1}, {-2, 7}));
    group.GetStartPoint(p);
    EXPECT_DOUBLE_EQ(p[0], 0.0);
    group.GetEndPoint(p);
    EXPECT_DOUBLE_EQ(p[0], -2.0);
    EXPECT_DOUBLE_EQ(p[1], 7.0);

    BOX2<double> b;
    group.GetBox2d(&b);
    EXPECT_DOUBLE_EQ(b.xmin, -3.0);
    EXPECT_DOUBLE_EQ(b.ymin, 0.0);
    EXPECT_NEAR(b.xmax, 6.0, 1e-9);
    EXPECT_NEAR(b.ymax, 7.0, 1e-9);
}

TEST(GeGroupTest, RotateBelowThresholdChangesNothing)
{
    CGeGroup group;
    group.GetCurveList().AddTail(Line({1, 0}, {2, 0}));
    double c[2] = {0, 0};
    group.Rotate(c, 0.00005);
    double p[2];
    group.GetEndPoint(p);
    EXPECT_EQ(p[0], 2.0);
    EXPECT_EQ(p[1], 0.0);
    group.Rotate(c, 3.14159265358979323846 / 2);
    group.GetEndPoint(p);
    EXPECT_NEAR(p[0], 0.0, 1e-12);
    EXPECT_NEAR(p[1], 2.0, 1e-12);
    BOX2<double> b;
    group.GetBox2d(&b);
    EXPECT_NEAR(b.ymax, 2.0, 1e-12) << "the box follows at the next request";
}

}  // namespace
