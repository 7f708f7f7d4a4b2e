#include "framework/numerak/Equation.h"
#include "framework/numerak/Point2D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct ExpoCase {
    const char* label;
    double a, b, c;
    int count;
};

TEST(EquationTest, ExpoEquationRootsSatisfyTheEquation)
{
    const ExpoCase cases[] = {
        {"two roots", 3.0, 4.0, 2.0, 2},
        {"c zero", 1.0, 0.0, 0.0, 2},
        {"only sine", 0.0, -2.0, 1.0, 2},
        {"double root", 3.0, 4.0, 5.0, 1},
        {"negative double root", 3.0, 4.0, -5.0, 1},
        {"no root", 3.0, 4.0, 5.5, 0},
        {"a and b zero", 0.0, 0.0, 0.0, 0},
        {"NaN", kNaN, 1.0, 0.0, 0},
        {"infinite c", 1.0, 1.0, kInf, 0},
    };
    for (const auto& k : cases) {
        double theta[2] = {99.0, 99.0};
        const int n = EQU_SolExpoEquation(k.a, k.b, k.c, theta);
        ASSERT_EQ(n, k.count) << k.label;
        for (int i = 0; i < n; ++i) {
            EXPECT_NEAR(k.a * std::cos(theta[i]) + k.b * std::sin(theta[i]), k.c, 1e-12) << k.label;
            EXPECT_GT(theta[i], -M_PI) << k.label;
            EXPECT_LE(theta[i], M_PI) << k.label;
        }
        if (n == 2) {
            EXPECT_NE(theta[0], theta[1]) << k.label;
        }
        if (n < 2) {
            EXPECT_EQ(theta[1], 99.0) << k.label << ": untouched";
        }
    }
}

// Random circles: the roots are the unit normals of the two common outer tangents,
// so every tangent line touches both circles.
TEST(EquationTest, ExpoEquationGivesCommonOuterTangentsOfTwoCircles)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> pos(-10.0, 10.0), rad(0.0, 4.0);
    int checked = 0;
    for (int i = 0; i < 500; ++i) {
        const double x0 = pos(rng), y0 = pos(rng), r0 = rad(rng);
        const double x1 = pos(rng), y1 = pos(rng), r1 = rad(rng);
        double theta[2];
        if (EQU_SolExpoEquation(x1 - x0, y1 - y0, -(r1 - r0), theta) != 2) {
            EXPECT_LE(std::hypot(x1 - x0, y1 - y0), std::fabs(r1 - r0) + 1e-12) << i;
            continue;
        }
        for (double t : theta) {
            const double nx = std::cos(t), ny = std::sin(t);
            // Signed distances of both centres from the line through the touch point of
            // circle 0 with normal n are -r: both circles lie on the same side, touching.
            const double px = x0 + r0 * nx, py = y0 + r0 * ny;
            EXPECT_NEAR((x0 - px) * nx + (y0 - py) * ny, -r0, 1e-9) << i;
            EXPECT_NEAR((x1 - px) * nx + (y1 - py) * ny, -r1, 1e-9) << i;
        }
        ++checked;
    }
    EXPECT_GT(checked, 300);
}

struct QuadCase {
    const char* label;
    double a, b, c;
    int count;
    double r0, r1;
};

TEST(EquationTest, QuadraticRoots)
{
    const QuadCase cases[] = {
        {"two roots", 1.0, -3.0, 2.0, 2, 1.0, 2.0},
        {"negative a", -2.0, 0.0, 8.0, 2, -2.0, 2.0},
        {"double root", 1.0, -4.0, 4.0, 1, 2.0, 0.0},
        {"none", 1.0, 0.0, 1.0, 0, 0.0, 0.0},
        {"linear", 0.0, 2.0, -3.0, 1, 1.5, 0.0},
        {"constant", 0.0, 0.0, 1.0, 0, 0.0, 0.0},
        // x² - 1e8 x + 1 = 0: the small root 1e-8 is lost by the schoolbook formula.
        {"no cancellation", 1.0, -1e8, 1.0, 2, 1e-8, 1e8},
        {"NaN", kNaN, 1.0, 1.0, 0, 0.0, 0.0},
    };
    for (const auto& k : cases) {
        double r[2] = {99.0, 99.0};
        const int n = EQU_SolQuadEqua(k.a, k.b, k.c, r);
        ASSERT_EQ(n, k.count) << k.label;
        if (n >= 1) {
            EXPECT_NEAR(r[0], k.r0, 1e-12 * std::max(1.0, std::fabs(k.r0))) << k.label;
        }
        if (n == 2) {
            EXPECT_NEAR(r[1], k.r1, 1e-12 * std::max(1.0, std::fabs(k.r1))) << k.label;
        }
        if (n < 2) {
            EXPECT_EQ(r[1], 99.0) << k.label << ": untouched";
        }
    }
}

TEST(EquationTest, PointDistances)
{
    const double a[2] = {1.0, 2.0}, b[2] = {4.0, 6.0};
    EXPECT_DOUBLE_EQ(P2D_Dist(a, b), 5.0);
    const float fa[2] = {1.0f, 2.0f}, fb[2] = {-2.0f, -2.0f};
    EXPECT_FLOAT_EQ(P2F_Dist(fa, fb), 5.0f);
}

}  // namespace
