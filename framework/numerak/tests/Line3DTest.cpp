// 3D lines: feet, parameters and the intersection of two lines.
#include "framework/numerak/Line3D.h"
#include "framework/numerak/Point3D.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

TEST(Line3D, FootAndParameter)
{
    const double a[3] = {1, 1, 1}, b[3] = {3, 1, 1}, p[3] = {4, 5, -2};
    double f[3] = {0, 0, 0};
    ASSERT_EQ(L3D_PrjPntEx(p, a, b, f), 1);
    EXPECT_EQ(f[0], 4.0);
    EXPECT_EQ(f[1], 1.0);
    EXPECT_DOUBLE_EQ(L3D_GetParam(p, a, b), 1.5) << "not clamped";
    double untouched[3] = {7, 7, 7};
    EXPECT_EQ(L3D_PrjPntEx(p, a, a, untouched), 0);
    EXPECT_EQ(untouched[0], 7.0);
    EXPECT_EQ(L3D_GetParam(p, a, a), 0.0);
}

TEST(Line3D, IntersectionOfTwoLines)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-10.0, 10.0);
    for (int i = 0; i < 100; ++i) {
        // Two lines through a common point x, with random directions and far-off origins.
        const double x[3] = {u(rng), u(rng), u(rng)};
        double d1[3] = {u(rng), u(rng), u(rng)}, d2[3] = {u(rng), u(rng), u(rng)}, p1[3], p2[3], out[3];
        const double s = u(rng), t = u(rng);
        L3D_GetPnt(x, d1, s, p1);
        L3D_GetPnt(x, d2, t, p2);
        const std::string label = "case " + std::to_string(i);
        ASSERT_EQ(Isect3_LineLine(p1, d1, p2, d2, 1e-6, 0.001, out), 1) << label;
        EXPECT_LT(P3D_Dist(out, x), 1e-9 * (1 + V3D_Len(x))) << label;
    }
    const double o[3] = {0, 0, 0}, ex[3] = {1, 0, 0}, ey[3] = {0, 1, 0}, up[3] = {0, 0, 1};
    const double lifted[3] = {0, 0, 1}, along[3] = {5, 0, 0};
    double out[3] = {9, 9, 9};
    EXPECT_EQ(Isect3_LineLine(o, ex, lifted, ey, 1e-6, 0.001, out), 0) << "skew lines";
    EXPECT_EQ(Isect3_LineLine(o, ex, along, ex, 1e-6, 0.001, out), 2) << "one line twice";
    EXPECT_EQ(Isect3_LineLine(o, ex, lifted, ex, 1e-6, 0.001, out), 0) << "parallel lines apart";
    const double zero[3] = {0, 0, 0};
    EXPECT_EQ(Isect3_LineLine(o, zero, lifted, up, 1e-6, 0.001, out), 0) << "zero direction";
    EXPECT_EQ(out[0], 9.0) << "outputs untouched";
}

}  // namespace
