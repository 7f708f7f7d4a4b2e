#include "framework/numerak/Conic2D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace {

constexpr double kPi = 3.141592653589793;

struct Ellipse {
    const char* label;
    double c[2];
    double a, b, rot;
};

// Oracle: the smallest distance over a dense sampling of the ellipse, and the largest arc step.
double SampledDistance(const Ellipse& e, const double* p, int n, double& step)
{
    double best = std::numeric_limits<double>::max();
    double prev[2] = {0, 0}, q[2], first[2] = {0, 0};
    step = 0.0;
    for (int i = 0; i < n; ++i) {
        E2D_EvPos(e.c, e.a, e.b, e.rot, double(i) / n, q);
        best = std::min(best, std::hypot(p[0] - q[0], p[1] - q[1]));
        if (i > 0)
            step = std::max(step, std::hypot(q[0] - prev[0], q[1] - prev[1]));
        else {
            first[0] = q[0];
            first[1] = q[1];
        }
        prev[0] = q[0];
        prev[1] = q[1];
    }
    step = std::max(step, std::hypot(first[0] - prev[0], first[1] - prev[1]));
    return best;
}

TEST(Ellipse, NearestPointMatchesDenseSampling)
{
    const Ellipse ellipses[] = {
        {"5x1 rotated", {1.0, -2.0}, 5.0, 1.0, 0.7},
        {"1x5 (b major)", {0.0, 0.0}, 1.0, 5.0, -2.0},
        {"circle 3", {2.0, 2.0}, 3.0, 3.0, 0.3},
        {"flat 10x0.1", {-1.0, 4.0}, 10.0, 0.1, 1.2},
        {"near circle 2x1.9", {0.0, 0.0}, 2.0, 1.9, 0.0},
    };
    // Points in the ellipse's local frame, as fractions of a and b.
    const double locals[][2] = {
        {0, 0},       {0.3, 0},    {-0.6, 0},   {0, 0.5},    {0, -0.9},   {1.0, 0},   {0, 1.0},
        {2.0, 0},     {0, -3.0},   {0.2, 0.1},  {-0.5, 0.4}, {0.9, -0.3}, {1.5, 1.5}, {-4, 3},
        {0.7071, 0.7071}, {30, -20}, {0.999, 0.01}, {-0.05, 0.98},
    };
    for (const Ellipse& e : ellipses) {
        const double cs = std::cos(e.rot), sn = std::sin(e.rot);
        for (const auto& l : locals) {
            const double lx = l[0] * e.a, ly = l[1] * e.b;
            const double p[2] = {e.c[0] + lx * cs - ly * sn, e.c[1] + lx * sn + ly * cs};
            const std::string label = std::string(e.label) + " at (" + std::to_string(l[0]) + ", " +
                                      std::to_string(l[1]) + ")";
            double out[2], t = -1.0, dist = -1.0;
            ASSERT_EQ(E2D_GetNearestPt(e.a, e.b, e.c, e.rot, p, out, t, dist), 1) << label;
            double step;
            const double sampled = SampledDistance(e, p, 200000, step);
            // Never farther than the best sample, never nearer than the sampling can miss.
            EXPECT_LE(dist, sampled + 1e-9) << label;
            EXPECT_GE(dist, sampled - step) << label;
            EXPECT_NEAR(dist, std::hypot(p[0] - out[0], p[1] - out[1]), 1e-12) << label;
            // The point lies on the ellipse at the returned parameter.
            EXPECT_GE(t, 0.0) << label;
            EXPECT_LT(t, 1.0) << label;
            double q[2], d1[2];
            E2D_Ev1Der(e.c, e.a, e.b, e.rot, t, q, d1);
            EXPECT_NEAR(q[0], out[0], 1e-9 * std::max(1.0, e.a)) << label;
            EXPECT_NEAR(q[1], out[1], 1e-9 * std::max(1.0, e.a)) << label;
            // p - out is normal to the ellipse there.
            if (dist > 1e-9) {
                double cosAngle = ((p[0] - out[0]) * d1[0] + (p[1] - out[1]) * d1[1]) /
                                  (dist * std::hypot(d1[0], d1[1]));
                EXPECT_NEAR(cosAngle, 0.0, 1e-6) << label;
            }
        }
    }
}

TEST(Ellipse, NearestPointRandomAndNearAxes)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> axis(0.05, 8.0), ang(-4.0, 4.0), frac(-2.5, 2.5);
    for (int i = 0; i < 300; ++i) {
        const Ellipse e{"random", {frac(rng), frac(rng)}, axis(rng), axis(rng), ang(rng)};
        double lx = frac(rng) * e.a, ly = frac(rng) * e.b;
        // Every third point sits a rounding error off an axis, where the root is ill-conditioned.
        if (i % 3 == 1)
            ly = 1e-13 * e.b;
        else if (i % 3 == 2)
            lx = -1e-13 * e.a;
        const double cs = std::cos(e.rot), sn = std::sin(e.rot);
        const double p[2] = {e.c[0] + lx * cs - ly * sn, e.c[1] + lx * sn + ly * cs};
        double out[2], t, dist;
        ASSERT_EQ(E2D_GetNearestPt(e.a, e.b, e.c, e.rot, p, out, t, dist), 1) << i;
        double step;
        const double sampled = SampledDistance(e, p, 20000, step);
        EXPECT_LE(dist, sampled + 1e-9) << "case " << i << " a=" << e.a << " b=" << e.b;
        EXPECT_GE(dist, sampled - step) << "case " << i << " a=" << e.a << " b=" << e.b;
    }
}

TEST(Ellipse, NearestPointAtCentreIsTheCoVertex)
{
    const double c[2] = {3.0, -1.0};
    const double cases[][3] = {{4.0, 1.5, 1.5}, {1.5, 4.0, 1.5}, {2.0, 2.0, 2.0}};
    for (const auto& r : cases) {
        double out[2], t, dist;
        ASSERT_EQ(E2D_GetNearestPt(r[0], r[1], c, 0.4, c, out, t, dist), 1);
        EXPECT_NEAR(dist, r[2], 1e-12) << r[0] << "x" << r[1];
    }
}

TEST(Ellipse, EvaluationAndDerivatives)
{
    const double c[2] = {1.0, 2.0};
    const double a = 3.0, b = 2.0, rot = kPi / 2;
    double p[2], d1[2], d2[2];
    E2D_Ev2Der(c, a, b, rot, 0.0, p, d1, d2);
    // Major axis turned to +y.
    EXPECT_NEAR(p[0], 1.0, 1e-12);
    EXPECT_NEAR(p[1], 5.0, 1e-12);
    // d/dt of (a cos 2 pi t, b sin 2 pi t) at 0 is (0, 2 pi b), turned by 90 degrees.
    EXPECT_NEAR(d1[0], -2 * kPi * b, 1e-12);
    EXPECT_NEAR(d1[1], 0.0, 1e-12);
    EXPECT_NEAR(d2[1], -4 * kPi * kPi * a, 1e-9);

    // Central differences agree with the first derivative.
    const double t = 0.37, h = 1e-6;
    double pa[2], pb[2];
    E2D_EvPos(c, a, b, 0.3, t + h, pa);
    E2D_EvPos(c, a, b, 0.3, t - h, pb);
    E2D_Ev1Der(c, a, b, 0.3, t, p, d1);
    EXPECT_NEAR(d1[0], (pa[0] - pb[0]) / (2 * h), 1e-5);
    EXPECT_NEAR(d1[1], (pa[1] - pb[1]) / (2 * h), 1e-5);

    // The parameter of an evaluated point comes back, over all four quadrants.
    for (double tt : {0.0, 0.1, 0.3, 0.55, 0.8, 0.99}) {
        double q[2], back = -1;
        E2D_EvPos(c, a, b, 0.3, tt, q);
        ASSERT_EQ(E2D_GetParamEx(c, a, b, 0.3, q, back), 1);
        EXPECT_NEAR(back, tt, 1e-12) << tt;
    }
}

TEST(Ellipse, BadInputFailsAndLeavesOutputs)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double c[2] = {0, 0}, p[2] = {1, 1};
    const double nanP[2] = {nan, 0}, infC[2] = {inf, 0};
    struct Row {
        const char* label;
        double a, b, rot;
        const double* c;
        const double* p;
    } rows[] = {
        {"zero a", 0.0, 1.0, 0.0, c, p},   {"negative b", 1.0, -1.0, 0.0, c, p},
        {"NaN point", 2.0, 1.0, 0.0, c, nanP}, {"infinite centre", 2.0, 1.0, 0.0, infC, p},
        {"NaN rotation", 2.0, 1.0, nan, c, p}, {"infinite axis", inf, 1.0, 0.0, c, p},
        {"too flat", 1e300, 1e-300, 0.0, c, p},
    };
    for (const Row& r : rows) {
        double out[2] = {7, 7}, t = 7, dist = 7;
        EXPECT_EQ(E2D_GetNearestPt(r.a, r.b, r.c, r.rot, r.p, out, t, dist), 0) << r.label;
        EXPECT_EQ(out[0], 7) << r.label;
        EXPECT_EQ(t, 7) << r.label;
        EXPECT_EQ(dist, 7) << r.label;
        if (std::string(r.label) != "too flat") {
            EXPECT_EQ(E2D_GetParamEx(r.c, r.a, r.b, r.rot, r.p, t), 0) << r.label;
        }
    }
}

TEST(Circle, CentreThroughThreePoints)
{
    const double rows[][6] = {
        {0, 0, 1, 0, 0, 1}, {10, 10, 13, 14, 7, 2}, {-5, 1, 2, 8, 3, -7}, {1e6, 1e6, 1e6 + 1, 1e6, 1e6, 1e6 + 1},
    };
    for (const auto& r : rows) {
        double c[2];
        ASSERT_EQ(C2D_GetCenter(r, r + 2, r + 4, c), 1);
        double d1 = std::hypot(r[0] - c[0], r[1] - c[1]);
        double d2 = std::hypot(r[2] - c[0], r[3] - c[1]);
        double d3 = std::hypot(r[4] - c[0], r[5] - c[1]);
        EXPECT_NEAR(d1, d2, 1e-9 * d1) << r[0];
        EXPECT_NEAR(d1, d3, 1e-9 * d1) << r[0];
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double bad[][6] = {
        {0, 0, 1, 1, 3, 3},          // collinear
        {0, 0, 0.1, 0.1, 0.3, 0.3},  // collinear up to rounding
        {2, 2, 2, 2, 5, 1},          // two coincide
        {1, 1, 1, 1, 1, 1},          // all coincide
        {0, 0, 1, nan, 0, 1},        // NaN
    };
    for (const auto& r : bad) {
        double c[2] = {7, 7};
        EXPECT_EQ(C2D_GetCenter(r, r + 2, r + 4, c), 0) << r[2] << "," << r[3];
        EXPECT_EQ(c[0], 7);
    }
}

TEST(Circle, TangentPointsAndProjection)
{
    const double c[2] = {1, 1};
    const double r = 2;
    const double p[2] = {6, -3};
    double t1[2], t2[2];
    ASSERT_EQ(C2D_GetTanPt(c, r, p, t1, t2), 1);
    for (const double* t : {t1, t2}) {
        EXPECT_NEAR(std::hypot(t[0] - c[0], t[1] - c[1]), r, 1e-12);
        // Radius perpendicular to the tangent line from p.
        EXPECT_NEAR((t[0] - c[0]) * (p[0] - t[0]) + (t[1] - c[1]) * (p[1] - t[1]), 0.0, 1e-10);
    }
    // t1 lies counter-clockwise of the direction centre->p, t2 clockwise.
    const double cross1 = (p[0] - c[0]) * (t1[1] - c[1]) - (p[1] - c[1]) * (t1[0] - c[0]);
    const double cross2 = (p[0] - c[0]) * (t2[1] - c[1]) - (p[1] - c[1]) * (t2[0] - c[0]);
    EXPECT_GT(cross1, 0.0);
    EXPECT_LT(cross2, 0.0);

    const double inside[2] = {1.5, 1.0};
    EXPECT_EQ(C2D_GetTanPt(c, r, inside, t1, t2), 0);
    EXPECT_EQ(C2D_GetTanPt(c, 0.0, p, t1, t2), 0);

    double out[2];
    ASSERT_EQ(C2D_PrjPnt(c, r, p, out, 1e-6, 0.001), 1);
    EXPECT_NEAR(std::hypot(out[0] - c[0], out[1] - c[1]), r, 1e-12);
    EXPECT_NEAR((out[0] - c[0]) * (p[1] - c[1]) - (out[1] - c[1]) * (p[0] - c[0]), 0.0, 1e-12);
    EXPECT_EQ(C2D_PrjPnt(c, r, c, out, 1e-6, 0.001), 0) << "centre";
    EXPECT_EQ(C2D_PrjPnt(c, 1e-9, p, out, 1e-6, 0.001), 0) << "degenerate radius";
    const double nanP[2] = {std::numeric_limits<double>::quiet_NaN(), 0};
    EXPECT_EQ(C2D_PrjPnt(c, r, nanP, out, 1e-6, 0.001), 0) << "NaN";
}

}  // namespace
