#include "toolpath/surfkernel/SmallEquations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace {

constexpr double kPi = std::numbers::pi;

struct QuadCase {
    const char* label;
    double a, b, c;
    int count;
    double r0, r1; // expected roots (sorted) when count is 1 or 2
};

TEST(SmallEquationsTest, QuadraticRootsMatchClosedForms)
{
    const QuadCase cases[] = {
        {"double root", 1.0, -2.0, 1.0, 1, 1.0, 1.0},
        {"all zero", 0.0, 0.0, 0.0, 100, 0, 0},
        {"zero a and b, c not", 0.0, 0.0, 2.0, 0, 0, 0},
        {"no real root", 1.0, 0.0, 1.0, 0, 0, 0},
        {"linear", 0.0, 2.0, -3.0, 1, 1.5, 1.5},
        {"two roots", 2.0, -2.0, -12.0, 2, -2.0, 3.0},
        {"negative a", -1.0, 0.0, 4.0, 2, -2.0, 2.0},
        {"negative a no root", -1.0, 0.0, -4.0, 0, 0, 0},
        {"near-double root", 1.0, -2.0, 1.0 - 1e-6, 2, 1.0 - 1e-3, 1.0 + 1e-3},
        {"wide roots", 1.0, -1e8, 1.0, 2, 1e-8, 1e8},
        {"wide roots, b positive", 1.0, 1e8, 1.0, 2, -1e8, -1e-8},
    };
    for (const auto& k : cases) {
        double t[2] = {-7.0, -7.0};
        ASSERT_EQ(EQ_SolveQuadratic(k.a, k.b, k.c, 1e-9, t), k.count) << k.label;
        if (k.count == 1) {
            EXPECT_NEAR(t[0], k.r0, 1e-12) << k.label;
            EXPECT_EQ(t[0], t[1]) << k.label;
        }
        if (k.count == 2) {
            const double lo = std::min(t[0], t[1]), hi = std::max(t[0], t[1]);
            // Full relative accuracy even for the small root of the wide pair.
            EXPECT_NEAR(lo, k.r0, 1e-14 * std::fabs(k.r0) + 1e-9 * (k.r0 == 1.0 - 1e-3)) << k.label;
            EXPECT_NEAR(hi, k.r1, 1e-14 * std::fabs(k.r1) + 1e-9 * (k.r1 == 1.0 + 1e-3)) << k.label;
        }
    }
}

TEST(SmallEquationsTest, QuadraticRandomRootsSolveTheEquation)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> root(-100.0, 100.0), scale(0.01, 100.0);
    for (int i = 0; i < 1000; ++i) {
        const double p = root(rng), q = root(rng), s = scale(rng);
        if (std::fabs(p - q) < 1e-3)
            continue;
        double t[2];
        ASSERT_EQ(EQ_SolveQuadratic(s, -s * (p + q), s * p * q, 1e-12, t), 2) << i;
        const double lo = std::min(t[0], t[1]), hi = std::max(t[0], t[1]);
        EXPECT_NEAR(lo, std::min(p, q), 1e-11 * (1.0 + std::fabs(p) + std::fabs(q))) << i;
        EXPECT_NEAR(hi, std::max(p, q), 1e-11 * (1.0 + std::fabs(p) + std::fabs(q))) << i;
    }
}

struct TrigCase {
    const char* label;
    double a, b, c;
    int count;
    double t0, t1; // sorted expected angles
};

TEST(SmallEquationsTest, TrigSolutionsMatchTables)
{
    const TrigCase cases[] = {
        {"touching at 0", 1.0, 0.0, 1.0, 1, 0.0, 0.0},
        {"two on the y axis", 1.0, 0.0, 0.0, 2, kPi / 2, 3 * kPi / 2},
        {"touching at pi", 1.0, 0.0, -1.0, 1, kPi, kPi},
        {"touching at pi/2", 0.0, 2.0, 2.0, 1, kPi / 2, kPi / 2},
        {"touching at 3pi/2", 0.0, 2.0, -2.0, 1, 3 * kPi / 2, 3 * kPi / 2},
        {"touching oblique", 3.0, 4.0, 5.0, 1, std::atan2(4.0, 3.0), std::atan2(4.0, 3.0)},
        {"beyond reach", 3.0, 4.0, 5.1, 0, 0, 0},
        {"all zero", 0.0, 0.0, 0.0, 100, 0, 0},
        {"zero a and b, c not", 0.0, 0.0, 1.0, 0, 0, 0},
        {"tiny amplitude inside tolerance", 1e-12, 0.0, 0.0, 100, 0, 0},
    };
    for (const auto& k : cases) {
        double t[2];
        ASSERT_EQ(EQ_SolveTrig(k.a, k.b, k.c, 1e-9, t), k.count) << k.label;
        if (k.count == 1 || k.count == 2) {
            const double lo = std::min(t[0], t[1]), hi = std::max(t[0], t[1]);
            EXPECT_NEAR(lo, k.t0, 1e-7) << k.label;
            EXPECT_NEAR(hi, k.t1, 1e-7) << k.label;
            for (double x : {lo, hi}) {
                EXPECT_GE(x, 0.0) << k.label;
                EXPECT_LT(x, 2 * kPi) << k.label;
            }
        }
    }
}

TEST(SmallEquationsTest, TrigRandomSolutionsSolveTheEquation)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-5.0, 5.0);
    int two = 0;
    for (int i = 0; i < 2000; ++i) {
        const double a = u(rng), b = u(rng), c = u(rng);
        double t[2];
        const int n = EQ_SolveTrig(a, b, c, 1e-9, t);
        const double g = std::hypot(a, b);
        if (std::fabs(c) > g + 1e-6) {
            EXPECT_EQ(n, 0) << i;
            continue;
        }
        if (std::fabs(c) > g - 1e-6)
            continue;
        ASSERT_EQ(n, 2) << i;
        ++two;
        for (double x : {t[0], t[1]})
            EXPECT_NEAR(a * std::cos(x) + b * std::sin(x), c, 1e-9 * (1.0 + g)) << i;
        EXPECT_GT(std::fabs(t[0] - t[1]), 1e-9) << i;
    }
    EXPECT_GT(two, 500);
}

TEST(SmallEquationsTest, AnglesAndACosStayInRange)
{
    EXPECT_EQ(EQ_SafeACos(1.0 + 1e-9), 0.0);
    EXPECT_EQ(EQ_SafeACos(-1.0 - 1e-9), kPi);
    EXPECT_NEAR(EQ_SafeACos(0.5), kPi / 3, 1e-15);
    EXPECT_EQ(EQ_Angle2Pi(0.0, 0.0), 0.0);
    EXPECT_NEAR(EQ_Angle2Pi(0.0, -1.0), 3 * kPi / 2, 1e-15);
    EXPECT_NEAR(EQ_Angle2Pi(-1.0, -1e-300), kPi, 1e-15);
    EXPECT_LT(EQ_Angle2Pi(1.0, -1e-300), 2 * kPi);
}

TEST(SmallEquationsTest, CommonNormalOfTwoVectors)
{
    double n[2];
    EXPECT_EQ(EQ_CommonNormal2(1.0, 0.0, -3.0, 0.0, 1e-9, n), 1);
    EXPECT_NEAR(n[0], 0.0, 1e-15);
    EXPECT_NEAR(n[1], -1.0, 1e-15) << "normal of the longer (second) vector";
    EXPECT_EQ(EQ_CommonNormal2(2.0, 0.0, 0.0, 1.0, 1e-9, n), 0);
    EXPECT_NEAR(n[1], 1.0, 1e-15);
    EXPECT_EQ(EQ_CommonNormal2(1e-12, 0.0, 0.0, 1e-12, 1e-9, n), 100);
}

TEST(SmallEquationsTest, DecomposeGivesLeastSquaresFactors)
{
    const double a[3] = {1.0, 2.0, 0.5}, b[3] = {-1.0, 0.5, 3.0};
    const double c[3] = {0.7 * b[0] - 1.3 * a[0] + 0.2, 0.7 * b[1] - 1.3 * a[1], 0.7 * b[2] - 1.3 * a[2]};
    double x, y;
    EQ_Decompose2(a, b, c, &x, &y);
    // The residual must be orthogonal to both vectors.
    double r[3];
    for (int i = 0; i < 3; ++i)
        r[i] = x * b[i] + y * a[i] - c[i];
    EXPECT_NEAR(r[0] * a[0] + r[1] * a[1] + r[2] * a[2], 0.0, 1e-12);
    EXPECT_NEAR(r[0] * b[0] + r[1] * b[1] + r[2] * b[2], 0.0, 1e-12);
    // Parallel vectors: c along them is still reproduced.
    const double p[3] = {1.0, 1.0, 0.0}, q[3] = {2.0, 2.0, 0.0}, s[3] = {3.0, 3.0, 0.0};
    EQ_Decompose2(p, q, s, &x, &y);
    EXPECT_NEAR(2.0 * x + y, 3.0, 1e-12);
    const double zero[3] = {0.0, 0.0, 0.0};
    EQ_Decompose2(zero, zero, s, &x, &y);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(y, 0.0);
}

TEST(SmallEquationsTest, EllipseNearestMatchesDenseSampling)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-8.0, 8.0);
    const struct { double a, b; } shapes[] = {{3.0, 1.0}, {1.0, 2.5}, {2.0, 2.0}};
    for (const auto& e : shapes) {
        int checked = 0;
        for (int i = 0; i < 80; ++i) {
            const double p[2] = {u(rng), u(rng)};
            double foot[2], angle, d;
            if (!EQ_EllipseNearest(foot, &angle, e.a, e.b, &d, p)) {
                // Only points near the centre segment of the evolute may fail.
                EXPECT_LT(std::min(std::fabs(p[0]), std::fabs(p[1])), 1e-3) << i;
                continue;
            }
            ++checked;
            double best = 1e300;
            for (int k = 0; k < 50000; ++k) {
                const double t = 2 * kPi * k / 50000;
                best = std::min(best, std::hypot(p[0] - e.a * std::cos(t), p[1] - e.b * std::sin(t)));
            }
            // Never worse than a sample; no better than sampling allows (half a step).
            EXPECT_LE(d, best + 1e-12) << e.a << "x" << e.b << " case " << i;
            EXPECT_GE(d, best - 2e-4) << e.a << "x" << e.b << " case " << i;
            EXPECT_NEAR(foot[0] * foot[0] / (e.a * e.a) + foot[1] * foot[1] / (e.b * e.b), 1.0, 1e-9) << i;
            EXPECT_NEAR(foot[0], e.a * std::cos(angle), 1e-9) << i;
            EXPECT_NEAR(foot[1], e.b * std::sin(angle), 1e-9) << i;
        }
        EXPECT_GT(checked, 75);
    }
}

TEST(SmallEquationsTest, SphereNearestMatchesDenseSampling)
{
    const double c[3] = {1.0, -2.0, 0.5};
    const double s = std::sqrt(0.5);
    const double x[3] = {s, s, 0.0}, y[3] = {-s, s, 0.0}, z[3] = {0.0, 0.0, 1.0};
    const double r = 2.0;
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> u(-5.0, 5.0);
    for (int i = 0; i < 40; ++i) {
        const double p[3] = {c[0] + u(rng), c[1] + u(rng), c[2] + u(rng)};
        double foot[3], lon, lat, d;
        EQ_SphereNearest(z, p, foot, &lon, &lat, &d, r, y, x, c);
        double best = 1e300;
        for (int a = 0; a < 360; ++a)
            for (int b = 0; b <= 180; ++b) {
                const double lo = 2 * kPi * a / 360, la = -kPi / 2 + kPi * b / 180;
                double q[3];
                for (int k = 0; k < 3; ++k)
                    q[k] = c[k] + r * (std::cos(la) * (std::cos(lo) * x[k] + std::sin(lo) * y[k]) + std::sin(la) * z[k]);
                best = std::min(best, std::hypot(q[0] - p[0], q[1] - p[1], q[2] - p[2]));
            }
        EXPECT_LE(d, best + 1e-12) << i;
        EXPECT_NEAR(d, std::fabs(std::hypot(p[0] - c[0], p[1] - c[1], p[2] - c[2]) - r), 1e-12) << i;
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(foot[k], c[k] + r * (std::cos(lat) * (std::cos(lon) * x[k] + std::sin(lon) * y[k]) + std::sin(lat) * z[k]),
                        1e-12)
                << i;
    }
    double foot[3], lon, lat, d;
    EQ_SphereNearest(z, c, foot, &lon, &lat, &d, r, y, x, c);
    EXPECT_EQ(lon, 0.0);
    EXPECT_EQ(lat, 0.0);
    EXPECT_NEAR(d, r, 1e-15) << "the centre is a radius from every point";
}

TEST(SmallEquationsTest, HermiteCubicHitsEndsWithTangents)
{
    const double s[3] = {0.0, 0.0, 0.0}, e[3] = {3.0, 0.0, 4.0};
    const double ts[3] = {1.0, 0.0, 0.0}, te[3] = {0.0, 0.0, 1.0};
    double p[3], d[3];
    CUB_HermitePointDeriv(ts, d, 0.0, te, p, s, e);
    EXPECT_EQ(p[0], 0.0);
    EXPECT_NEAR(d[0], 5.0, 1e-14) << "speed chord length at the start";
    EXPECT_NEAR(d[2], 0.0, 1e-14);
    CUB_HermitePointDeriv(ts, d, 1.0, te, p, s, e);
    EXPECT_NEAR(p[2], 4.0, 1e-15);
    EXPECT_NEAR(d[2], 5.0, 1e-14);
    // Derivative against central differences.
    const double t = 0.37, h = 1e-6;
    double pa[3], pb[3];
    CUB_HermitePointDeriv(ts, d, t, te, p, s, e);
    CUB_HermitePoint(ts, t + h, te, pa, s, e);
    CUB_HermitePoint(ts, t - h, te, pb, s, e);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(d[k], (pa[k] - pb[k]) / (2 * h), 1e-8) << k;
}

} // namespace
