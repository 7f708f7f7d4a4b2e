#include "framework/numerak/Point2D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kPi = 3.141592653589793;

TEST(Point2D, Distances)
{
    const double a[3] = {1, 2, 3}, b[3] = {4, 6, 15};
    EXPECT_DOUBLE_EQ(P2D_Dist(a, b), 5.0);
    EXPECT_DOUBLE_EQ(P3D_Dist(a, b), 13.0);
    EXPECT_DOUBLE_EQ(_DistOf(a, b, 2), 5.0);
    EXPECT_DOUBLE_EQ(_DistOf(a, b, 3), 13.0);
}

TEST(Point2D, AbsDistancesAreTheLargestCoordinateDifference)
{
    const double a[3] = {1, 2, 3}, b[3] = {4, -6, 5};
    EXPECT_DOUBLE_EQ(P2D_AbsDist(a, b), 8.0);
    EXPECT_DOUBLE_EQ(P3D_AbsDist(a, b), 8.0);
    const double c[3] = {1, 2, -20};
    EXPECT_DOUBLE_EQ(P3D_AbsDist(a, c), 23.0) << "z dominates";
    // Bounded by the Euclidean distance from above and by 1/sqrt(2) of it from below.
    EXPECT_LE(P2D_AbsDist(a, b), P2D_Dist(a, b));
    EXPECT_GE(P2D_AbsDist(a, b), P2D_Dist(a, b) / std::sqrt(2.0));
    const double n[3] = {std::nan(""), 0, 0};
    EXPECT_TRUE(std::isnan(P2D_AbsDist(a, n)));
    EXPECT_TRUE(std::isnan(P3D_AbsDist(n, b)));
}

TEST(Point2D, RotationIsCounterClockwiseAboutTheCentre)
{
    const double c[2] = {1, 1};
    const double p[2] = {3, 1};
    double out[2];
    P2D_Rot(c, kPi / 2, p, out);
    EXPECT_NEAR(out[0], 1, 1e-15);
    EXPECT_NEAR(out[1], 3, 1e-15);
    P2D_Rot(c, std::cos(-kPi / 2), std::sin(-kPi / 2), p, out);
    EXPECT_NEAR(out[0], 1, 1e-15);
    EXPECT_NEAR(out[1], -1, 1e-15);

    double pts[6] = {3, 1, 1, 1, 1, 4};
    P2D_Rot(c, -1.0, 0.0, 3, pts);  // half turn
    const double expected[6] = {-1, 1, 1, 1, 1, -2};
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(pts[i], expected[i], 1e-15) << i;
    // In place with the centre as output.
    double q[2] = {2, 2};
    P2D_Rot(q, 0.3, q, q);
    EXPECT_DOUBLE_EQ(q[0], 2);
}

TEST(Point2D, MirrorShearSwap)
{
    const double a[2] = {0, 0}, b[2] = {1, 1}, p[2] = {2, 0};
    double out[2];
    ASSERT_EQ(P2D_Mirr(a, b, p, out), 1);
    EXPECT_NEAR(out[0], 0, 1e-15);
    EXPECT_NEAR(out[1], 2, 1e-15);
    EXPECT_EQ(P2D_Mirr(a, a, p, out), 0);
    EXPECT_EQ(out[0], 2) << "degenerate mirror leaves the point";

    const double base[2] = {1, 1}, f[2] = {0.5, 0.0};
    double s[2] = {3, 5};
    P2D_Shear(base, s, f, out);
    EXPECT_DOUBLE_EQ(out[0], 5);
    EXPECT_DOUBLE_EQ(out[1], 5);
    P2D_Shear(base, s, f);
    EXPECT_DOUBLE_EQ(s[0], 5);

    double u[2] = {1, 2}, v[2] = {3, 4};
    P2D_Swap(u, v);
    EXPECT_EQ(u[0], 3);
    EXPECT_EQ(v[1], 2);
}

TEST(Point2D, CollinearityTests)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* label;
        double p[6];
        double tol;
        int expected;
    } rows[] = {
        {"on a line, middle last", {0, 0, 4, 4, 2, 2}, 1e-9, 1},
        {"off by 0.01", {0, 0, 2, 2.01, 4, 4}, 1e-3, 0},
        {"off by 0.01, loose tol", {0, 0, 2, 2.01, 4, 4}, 0.01, 1},
        {"all coincide", {1, 1, 1, 1, 1, 1}, 0.0, 1},
        {"two coincide", {1, 1, 1, 1, 5, 2}, 0.0, 1},
        {"NaN", {0, 0, nan, 1, 2, 2}, 1.0, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(P2D_IsCollinear(r.p, r.p + 2, r.p + 4, r.tol), r.expected) << r.label;
        EXPECT_EQ(P2D_IsPtsColine(r.p, 3, r.tol), r.expected) << r.label;
    }
    const double many[] = {0, 0, 1, 0.00005, 2, -0.00005, 10, 0};
    EXPECT_EQ(P2D_IsPtsColine(many, 4, 0.0001), 1);
    EXPECT_EQ(P2D_IsPtsColine(many, 4, 0.00001), 0);
    EXPECT_EQ(P2D_IsPtsColine(many, 0, 1.0), 0);
}

TEST(Point2D, InBoxHasTheInvertedSense)
{
    const BOX2<double> box(0, 0, 10, 5);
    struct Row {
        const char* label;
        double p[2];
        double tol;
        int expected;  // 1 = outside
    } rows[] = {
        {"inside", {5, 2}, 0.0, 0},
        {"on the border", {10, 2}, 0.0, 0},
        {"just outside", {10.5, 2}, 0.0, 1},
        {"outside but within tol", {10.5, 2}, 0.5, 0},
        {"below", {5, -0.2}, 0.1, 1},
        {"NaN", {std::nan(""), 2}, 1.0, 1},
    };
    for (const Row& r : rows)
        EXPECT_EQ(P2D_IsInBox2D(&box, r.p, r.tol), r.expected) << r.label;
    BOX2<double> empty;
    empty.InitEmpty();
    const double o[2] = {0, 0};
    EXPECT_EQ(P2D_IsInBox2D(empty, o, 1.0), 1);
    EXPECT_EQ(P2D_IsInBox2D(nullptr, o, 1.0), 1);
}

}  // namespace
