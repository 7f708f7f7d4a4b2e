#include "framework/numerak/Line2D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(Line2D, SignedDistanceGivesTheSide)
{
    const double a[2] = {1, 1}, b[2] = {4, 5};  // length 5, direction (0.6, 0.8)
    struct Row {
        const char* label;
        double p[2];
        double expected;
    } rows[] = {
        {"left", {1 - 0.8 * 2, 1 + 0.6 * 2}, 2.0},
        {"right", {4 + 0.8 * 3, 5 - 0.6 * 3}, -3.0},
        {"on the line beyond b", {7, 9}, 0.0},
        {"on the line before a", {-2, -3}, 0.0},
    };
    for (const Row& r : rows) {
        EXPECT_NEAR(L2D_DistToPntEx(r.p, a, b), r.expected, 1e-12) << r.label;
        EXPECT_NEAR(L2D_DistToPntEx(r.p, b, a), -r.expected, 1e-12) << r.label << " reversed";
    }
    const double p[2] = {4, 5};
    EXPECT_DOUBLE_EQ(L2D_DistToPntEx(p, a, a), 5.0) << "degenerate line";
}

TEST(Line2D, ParameterFootAndSegmentDistance)
{
    const double a[2] = {0, 0}, b[2] = {10, 0};
    struct Row {
        const char* label;
        double p[2];
        double t, segDist;
    } rows[] = {
        {"inside", {3, 2}, 0.3, 2.0},
        {"before start", {-5, 0}, -0.5, 5.0},
        {"after end", {13, 4}, 1.3, 5.0},
        {"at end", {10, 0}, 1.0, 0.0},
    };
    for (const Row& r : rows) {
        EXPECT_NEAR(L2D_GetParam(r.p, a, b), r.t, 1e-15) << r.label;
        EXPECT_NEAR(L2D_DistPntToLine(r.p, a, b), r.segDist, 1e-12) << r.label;
        double foot[2];
        ASSERT_EQ(L2D_PrjPntEx(r.p, a, b, foot), 1) << r.label;
        EXPECT_NEAR(foot[0], r.p[0], 1e-12) << r.label;
        EXPECT_NEAR(foot[1], 0.0, 1e-12) << r.label;
        double at[2];
        L2D_GetPnt(a, b, r.t, at);
        EXPECT_NEAR(at[0], foot[0], 1e-12) << r.label;
    }
    // Line by point and direction.
    const double org[2] = {1, 1}, dir[2] = {0, 3}, p[2] = {5, -2};
    double foot[2];
    ASSERT_EQ(L2D_PrjPnt(p, org, dir, foot), 1);
    EXPECT_NEAR(foot[0], 1, 1e-15);
    EXPECT_NEAR(foot[1], -2, 1e-15);

    BOX2<double> box;
    L2D_GetBox(b, a, &box);
    EXPECT_EQ(box.xmin, 0);
    EXPECT_EQ(box.xmax, 10);
}

TEST(Line2D, DegenerateAndNonFiniteLines)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double p[2] = {1, 2};
    const double lines[][4] = {{3, 3, 3, 3}, {0, 0, nan, 1}, {0, 0, inf, 0}};
    for (const auto& l : lines) {
        double foot[2] = {7, 7};
        EXPECT_EQ(L2D_PrjPntEx(p, l, l + 2, foot), 0) << l[2];
        EXPECT_EQ(foot[0], 7) << l[2];
        EXPECT_EQ(L2D_GetParam(p, l, l + 2), 0.0) << l[2];
        const double dir[2] = {l[2] - l[0], l[3] - l[1]};
        EXPECT_EQ(L2D_PrjPnt(p, l, dir, foot), 0) << l[2];
    }
}

TEST(Line3D, DistanceFromLine)
{
    const double a[3] = {1, 1, 1}, b[3] = {1, 1, 5};
    const double p[3] = {4, 5, 100};
    EXPECT_NEAR(L3D_DistToPntEx(p, a, b), 5.0, 1e-12);
    EXPECT_NEAR(L3D_DistToPntEx(p, a, a), std::sqrt(9 + 16 + 99.0 * 99), 1e-12);
}

}  // namespace
