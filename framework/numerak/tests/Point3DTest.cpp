// 3D point and vector operations against closed forms and invariants.
#include "framework/numerak/Point3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace {

constexpr double kPi = 3.141592653589793;

TEST(Point3D, FramesFromANormalAreRightHanded)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int i = 0; i < 200; ++i) {
        double z[3] = {u(rng), u(rng), u(rng)}, x[3], y[3], c[3];
        if (i == 0) P3D_Set(z, 0, 0, 5);  // along a world axis
        const std::string label = "case " + std::to_string(i);
        ASSERT_EQ(V3D_GetXYFromZ(z, x, y), 1) << label;
        V3D_Unit(z, 0.0);
        V3D_Cross(x, y, c);
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(c[j], z[j], 1e-12) << label;
        EXPECT_NEAR(V3D_Len(x), 1.0, 1e-12) << label;
        EXPECT_NEAR(V3D_Dot(x, y), 0.0, 1e-12) << label;
        // The angle of a vector built at angle a comes back, in [0, 2 pi).
        const double a = 2 * kPi * (i + 0.5) / 200;
        double v[3];
        for (int j = 0; j < 3; ++j) v[j] = 3 * (std::cos(a) * x[j] + std::sin(a) * y[j]) + 7 * z[j];
        EXPECT_NEAR(V3D_GetRotAngleXY(x, y, v), a, 1e-12) << label;
    }
    double x[3] = {9, 9, 9}, y[3] = {9, 9, 9};
    const double zero[3] = {0, 0, 0};
    EXPECT_EQ(V3D_GetXYFromZ(zero, x, y), 0);
    EXPECT_EQ(x[0], 9.0) << "outputs untouched";
}

TEST(Point3D, RotationMirrorAndParallelTest)
{
    // A quarter turn about the vertical axis through (1, 1, 0).
    const double axis[3] = {0, 0, 2}, c[3] = {1, 1, 0};
    double p[3] = {3, 1, 5};
    P3D_RotatePnt(axis, c, kPi / 2, p, p);
    EXPECT_NEAR(p[0], 1.0, 1e-12);
    EXPECT_NEAR(p[1], 3.0, 1e-12);
    EXPECT_NEAR(p[2], 5.0, 1e-12);
    const double zero[3] = {0, 0, 0};
    double q[3] = {3, 1, 5};
    P3D_RotatePnt(zero, c, 1.0, q, q);
    EXPECT_EQ(q[0], 3.0) << "a zero axis leaves the point";

    // Mirror in the plane x = 2 (normal of any length), twice gives the point back.
    const double n[3] = {-4, 0, 0}, on[3] = {2, 7, 7};
    double m[3] = {5, 1, -1};
    P3D_Mirror(on, n, m, m);
    EXPECT_NEAR(m[0], -1.0, 1e-12);
    EXPECT_EQ(m[1], 1.0);
    P3D_Mirror(on, n, m, m);
    EXPECT_NEAR(m[0], 5.0, 1e-12);

    const double a[3] = {1, 2, 3}, b[3] = {-2, -4, -6.001}, d[3] = {1, 0, 0};
    EXPECT_EQ(V3D_IsParallel(a, b, 0.01), 1) << "antiparallel counts";
    EXPECT_EQ(V3D_IsParallel(a, d, 0.01), 0);
    double out[3] = {0, 0, 0};
    EXPECT_EQ(V3D_VProductUnit(a, a, out), 0);
    EXPECT_EQ(V3D_GenUnit(a, a, 1e-6, out), 0);
    EXPECT_EQ(out[0], 0.0) << "outputs untouched";
    double s[3] = {1, 2, 3}, t[3] = {4, 5, 6};
    P3D_Swap(s, t);
    EXPECT_EQ(s[2], 6.0);
    EXPECT_EQ(t[0], 1.0);
}

}  // namespace
