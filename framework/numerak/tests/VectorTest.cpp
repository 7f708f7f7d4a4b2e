#include "framework/numerak/Vector2D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kPi = 3.141592653589793;

TEST(Vector2D, AngleToXOverQuadrants)
{
    for (int k = 0; k < 16; ++k) {
        const double angle = k * kPi / 8 + 0.01;
        const double v[2] = {3 * std::cos(angle), 3 * std::sin(angle)};
        EXPECT_NEAR(V2D_AngletoX(v), angle, 1e-12) << "k=" << k;
    }
    const double axes[][3] = {{1, 0, 0}, {0, 1, kPi / 2}, {-1, 0, kPi}, {0, -1, 1.5 * kPi}};
    for (const auto& r : axes)
        EXPECT_NEAR(V2D_AngletoX(r), r[2], 1e-15) << r[0] << "," << r[1];
    // A vector just below the x axis stays inside [0, 2 pi).
    const double below[2] = {1, -1e-300};
    EXPECT_LT(V2D_AngletoX(below), 2 * kPi);
    EXPECT_GE(V2D_AngletoX(below), 0.0);
    const double zero[2] = {0, 0}, nan[2] = {std::nan(""), 1};
    EXPECT_EQ(V2D_AngletoX(zero), 0.0);
    EXPECT_EQ(V2D_AngletoX(nan), 0.0);
}

TEST(Vector2D, UnsignedAngleBetweenVectors)
{
    for (int i = 0; i < 12; ++i) {
        for (int j = 0; j < 12; ++j) {
            const double ai = i * kPi / 6 + 0.1, aj = j * kPi / 6 + 0.1;
            const double u[2] = {2 * std::cos(ai), 2 * std::sin(ai)};
            const double v[2] = {0.5 * std::cos(aj), 0.5 * std::sin(aj)};
            double expected = std::fabs(std::remainder(ai - aj, 2 * kPi));
            EXPECT_NEAR(V2D_GetAngle(u, v, 1e-6), expected, 1e-12) << i << "," << j;
            const double uu[2] = {std::cos(ai), std::sin(ai)}, vu[2] = {std::cos(aj), std::sin(aj)};
            EXPECT_NEAR(V2D_GetAngleUnit(uu, vu), expected, 1e-7) << i << "," << j;
        }
    }
    // Nearly opposite unit vectors whose dot product rounds below -1 still give pi.
    const double a[2] = {1, 0}, b[2] = {-1.0000000000000002, 0};
    EXPECT_DOUBLE_EQ(V2D_GetAngleUnit(a, b), kPi);
    const double tiny[2] = {1e-8, 0};
    EXPECT_EQ(V2D_GetAngle(a, tiny, 1e-6), 0.0);

    const double x[3] = {1, 0, 0}, y[3] = {0, 2, 0}, d[3] = {-1, 0, 1};
    EXPECT_NEAR(V3D_GetAngle(x, y, 1e-6), kPi / 2, 1e-15);
    EXPECT_NEAR(V3D_GetAngle(x, d, 1e-6), 3 * kPi / 4, 1e-15);
}

TEST(Vector2D, UnitVectorsAndBadInput)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Row {
        const char* label;
        double x, y, tol;
        int ok;
    } rows[] = {
        {"regular", 3, 4, 1e-6, 1},      {"zero", 0, 0, 1e-6, 0},     {"zero with tol 0", 0, 0, 0, 0},
        {"below tol", 1e-7, 0, 1e-6, 0}, {"NaN", nan, 1, 1e-6, 0},    {"infinite", inf, 1, 1e-6, 0},
        {"tiny above tol", 0, 1e-5, 1e-6, 1},
    };
    for (const Row& r : rows) {
        double v[2] = {r.x, r.y};
        EXPECT_EQ(V2D_Unit(v, r.tol), r.ok) << r.label;
        if (r.ok) {
            EXPECT_NEAR(std::hypot(v[0], v[1]), 1.0, 1e-15) << r.label;
        } else if (!std::isnan(r.x)) {
            EXPECT_EQ(v[0], r.x) << r.label;  // left as it was
        }
        double v3[3] = {r.x, 0, r.y};
        EXPECT_EQ(V3D_Unit(v3, r.tol), r.ok) << r.label;
    }
    const double a[2] = {1, 1}, b[2] = {4, 5};
    double u[2] = {9, 9};
    ASSERT_EQ(V2D_GenUnit(a, b, 1e-6, u), 1);
    EXPECT_NEAR(u[0], 0.6, 1e-15);
    EXPECT_NEAR(u[1], 0.8, 1e-15);
    double w[2] = {9, 9};
    EXPECT_EQ(V2D_GenUnit(a, a, 1e-6, w), 0);
    EXPECT_EQ(w[0], 9);
}

TEST(Vector2D, PerpRotationAndTripleProduct)
{
    const double v[2] = {2, 1};
    double p[2], r[2];
    V2D_Perp(v, p);
    EXPECT_EQ(p[0], -1);
    EXPECT_EQ(p[1], 2);
    V2D_Rot(1.5707963267948966, v, r);
    EXPECT_NEAR(r[0], p[0], 1e-15);
    EXPECT_NEAR(r[1], p[1], 1e-15);
    double in[2] = {1, 0};
    V2D_Rot(kPi, in, in);  // in place
    EXPECT_NEAR(in[0], -1, 1e-15);

    // On a counter-clockwise and a clockwise circle, (d x dd) x d points to the centre.
    for (double dir : {1.0, -1.0}) {
        const double th = 0.8;
        const double d[2] = {-dir * std::sin(th), dir * std::cos(th)};
        const double dd[2] = {-std::cos(th), -std::sin(th)};
        double c[2];
        V2D_XProduct(d, dd, d, c);
        ASSERT_EQ(V2D_Unit(c, 1e-6), 1);
        EXPECT_NEAR(c[0], -std::cos(th), 1e-12) << dir;
        EXPECT_NEAR(c[1], -std::sin(th), 1e-12) << dir;
    }
}

}  // namespace

TEST(VectorN, NormalizeAbsDistAndSwap)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Only the first n components count.
    double v[3] = {3, 4, 100};
    ASSERT_EQ(VEC_Normalize(v, 2), 1);
    EXPECT_NEAR(v[0], 0.6, 1e-15);
    EXPECT_NEAR(v[1], 0.8, 1e-15);
    EXPECT_EQ(v[2], 100);
    double zero[2] = {0, 0}, bad[2] = {nan, 1};
    EXPECT_EQ(VEC_Normalize(zero, 2), 0);
    EXPECT_EQ(VEC_Normalize(bad, 2), 0);
    EXPECT_EQ(bad[1], 1) << "left as it was";

    const double a[3] = {1, 2, 3}, b[3] = {1.5, -1, 10};
    EXPECT_EQ(VEC_AbsDist(a, b, 2), 3.0) << "x and y only";
    EXPECT_EQ(VEC_AbsDist(a, b, 3), 7.0);
    const double c[3] = {nan, 0, 0};
    EXPECT_TRUE(std::isnan(VEC_AbsDist(c, b, 3)));
    EXPECT_TRUE(std::isnan(VEC_AbsDist(b, c, 3)));

    double p[3] = {1, 2, 3}, q[3] = {4, 5, 6};
    V3D_Swap(p, q);
    EXPECT_EQ(p[2], 6);
    EXPECT_EQ(q[0], 1);
}
