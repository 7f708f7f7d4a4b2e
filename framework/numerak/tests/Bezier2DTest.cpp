#include "framework/numerak/Bezier2D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

struct Shape {
    const char* label;
    double c[8];
};

// Shapes that stress the nearest-point and length code: plain, S-shaped, looped,
// cusped, straight and straight folded back on itself.
const std::vector<Shape>& shapes()
{
    static const std::vector<Shape> s = {
        {"arch", {0, 0, 1, 2, 3, 2, 4, 0}},
        {"s-curve", {0, 0, 3, 4, -1, 4, 2, 0}},
        {"loop", {0, 0, 5, 4, -1, 4, 4, 0}},
        {"cusp", {0, 0, 1, 1, 0, 1, 1, 0}},
        {"straight", {0, 0, 1, 1, 2, 2, 3, 3}},
        {"folded", {0, 0, 3, 0, -1, 0, 2, 0}},
        {"large offset", {1000, 1000, 1010, 1025, 1040, 990, 1050, 1000}},
    };
    return s;
}

void pos(const double* c, double t, double* p)
{
    BEZ_EvPos(c, t, p);
}

double polylineLength(const double* c, int n)
{
    double sum = 0.0, a[2], b[2];
    pos(c, 0.0, a);
    for (int i = 1; i <= n; ++i) {
        pos(c, double(i) / n, b);
        sum += std::hypot(b[0] - a[0], b[1] - a[1]);
        a[0] = b[0];
        a[1] = b[1];
    }
    return sum;
}

// Richardson extrapolation of inscribed polylines (error ~ 1/n^2; a fold of the
// straight cubic leaves an O(1/n^2) remainder, far below the tolerance).
double oracleLength(const double* c)
{
    const double l1 = polylineLength(c, 1 << 18), l2 = polylineLength(c, 1 << 19);
    return (4.0 * l2 - l1) / 3.0;
}

TEST(Bezier2D, EvaluationMatchesDefinitionAndDifferences)
{
    for (const Shape& s : shapes()) {
        for (double t : {0.0, 0.2, 0.5, 0.77, 1.0}) {
            // Bernstein form, written out independently.
            const double u = 1 - t;
            const double bx = u * u * u * s.c[0] + 3 * u * u * t * s.c[2] + 3 * u * t * t * s.c[4] + t * t * t * s.c[6];
            const double by = u * u * u * s.c[1] + 3 * u * u * t * s.c[3] + 3 * u * t * t * s.c[5] + t * t * t * s.c[7];
            double p[2], d1[2], d2[2], q[2], e[2];
            BEZ_Ev2Der(s.c, t, p, d1, d2);
            EXPECT_NEAR(p[0], bx, 1e-12 * (1 + std::fabs(bx))) << s.label << " t=" << t;
            EXPECT_NEAR(p[1], by, 1e-12 * (1 + std::fabs(by))) << s.label << " t=" << t;
            const double h = 1e-5;
            double pm[2], pp[2], dm[2], dp[2];
            BEZ_Ev1Der(s.c, t - h, pm, dm);
            BEZ_Ev1Der(s.c, t + h, pp, dp);
            for (int k = 0; k < 2; ++k) {
                EXPECT_NEAR(d1[k], (pp[k] - pm[k]) / (2 * h), 1e-5) << s.label << " first derivative t=" << t;
                EXPECT_NEAR(d2[k], (dp[k] - dm[k]) / (2 * h), 1e-5) << s.label << " second derivative t=" << t;
            }
            BEZ_Ev1Der(s.c, t, q, e);
            EXPECT_EQ(q[0], p[0]);
            EXPECT_EQ(e[1], d1[1]);
        }
    }
}

TEST(Bezier2D, SplitHalvesReproduceTheCurve)
{
    for (const Shape& s : shapes()) {
        for (double t : {0.0, 0.3, 0.5, 0.9, 1.0}) {
            double l[8], r[8];
            BEZ_Split(s.c, t, l, r);
            EXPECT_EQ(l[6], r[0]) << s.label;
            EXPECT_EQ(l[7], r[1]) << s.label;
            for (double u : {0.0, 0.25, 0.6, 1.0}) {
                double a[2], b[2];
                pos(l, u, a);
                pos(s.c, t * u, b);
                EXPECT_NEAR(a[0], b[0], 1e-9) << s.label << " left t=" << t << " u=" << u;
                EXPECT_NEAR(a[1], b[1], 1e-9) << s.label << " left t=" << t << " u=" << u;
                pos(r, u, a);
                pos(s.c, t + (1 - t) * u, b);
                EXPECT_NEAR(a[0], b[0], 1e-9) << s.label << " right t=" << t << " u=" << u;
                EXPECT_NEAR(a[1], b[1], 1e-9) << s.label << " right t=" << t << " u=" << u;
            }
        }
    }
    // In place.
    double c[8] = {0, 0, 1, 2, 3, 2, 4, 0}, r[8], mid[2];
    pos(c, 0.5, mid);
    BEZ_Split(c, 0.5, c, r);
    EXPECT_NEAR(c[6], mid[0], 1e-15) << "aliased split";
    EXPECT_NEAR(r[7], 0.0, 1e-15) << "aliased split keeps the end";
}

TEST(Bezier2D, FlatnessAndBox)
{
    struct Row {
        const char* label;
        double c[8];
        double flat;
    };
    const Row rows[] = {
        {"straight", {0, 0, 1, 1, 2, 2, 3, 3}, 0.0},
        {"unit hump", {0, 0, 0, 1, 1, 1, 1, 0}, 1.0},
        {"one side", {0, 0, 1, 0.5, 2, 0.25, 3, 0}, 0.5},
        {"closed chord", {0, 0, 3, 4, 1, 1, 0, 0}, 5.0},
    };
    for (const Row& r : rows)
        EXPECT_NEAR(BEZ_DistTol(r.c), r.flat, 1e-12) << r.label;
    double box[4];
    const double c[8] = {0, 1, -2, 5, 3, -1, 1, 0};
    BEZ_GetBox(c, box);
    EXPECT_EQ(box[0], -2);
    EXPECT_EQ(box[1], -1);
    EXPECT_EQ(box[2], 3);
    EXPECT_EQ(box[3], 5);
}

TEST(Bezier2D, NearestPointMatchesDenseSampling)
{
    constexpr int kSamples = 100000;
    for (const Shape& s : shapes()) {
        double box[4];
        BEZ_GetBox(s.c, box);
        const double w = box[2] - box[0], h = box[3] - box[1];
        std::vector<double> xs(kSamples + 1), ys(kSamples + 1);
        for (int i = 0; i <= kSamples; ++i) {
            double p[2];
            pos(s.c, double(i) / kSamples, p);
            xs[i] = p[0];
            ys[i] = p[1];
        }
        std::vector<std::vector<double>> queries;
        for (int i = -1; i <= 5; ++i)
            for (int j = -1; j <= 5; ++j)
                queries.push_back({box[0] + w * i / 4.0, box[1] + h * j / 4.0});
        // Points on the curve itself, the ends and the cusp.
        for (double t : {0.0, 0.5, 1.0}) {
            double p[2];
            pos(s.c, t, p);
            queries.push_back({p[0], p[1]});
        }
        for (const auto& q : queries) {
            double best = INFINITY;
            for (int i = 0; i <= kSamples; ++i)
                best = std::min(best, std::hypot(xs[i] - q[0], ys[i] - q[1]));
            double proj[2], t = -1, d = -1;
            ASSERT_EQ(BEZ_PrjPnt(s.c, q.data(), proj, t, d), 1) << s.label;
            const std::string where = std::string(s.label) + " query " + std::to_string(q[0]) + "," + std::to_string(q[1]);
            EXPECT_LE(d, best + 1e-12) << where;
            EXPECT_GE(d, best - 1e-6 * (1 + w + h)) << where;
            EXPECT_GE(t, 0.0) << where;
            EXPECT_LE(t, 1.0) << where;
            double at[2];
            pos(s.c, t, at);
            EXPECT_NEAR(std::hypot(at[0] - proj[0], at[1] - proj[1]), 0.0, 1e-12) << where;
            EXPECT_NEAR(std::hypot(q[0] - proj[0], q[1] - proj[1]), d, 1e-12) << where;
        }
    }
}

TEST(Bezier2D, NearestPointDegenerateAndBadInput)
{
    const double point[8] = {2, 3, 2, 3, 2, 3, 2, 3};
    const double q[2] = {5, 7};
    double proj[2], t = -1, d = -1;
    ASSERT_EQ(BEZ_PrjPnt(point, q, proj, t, d), 1) << "single-point cubic";
    EXPECT_NEAR(d, 5.0, 1e-12) << "single-point cubic";
    const double bad[8] = {0, 0, NAN, 1, 2, 2, 3, 3};
    EXPECT_EQ(BEZ_PrjPnt(bad, q, proj, t, d), 0) << "NaN control point";
    const double inf[2] = {INFINITY, 0};
    EXPECT_EQ(BEZ_PrjPnt(shapes()[0].c, inf, proj, t, d), 0) << "infinite query";
}

TEST(Bezier2D, ArcLengthMatchesRichardsonPolyline)
{
    for (const Shape& s : shapes()) {
        const double oracle = oracleLength(s.c);
        EXPECT_NEAR(BEZ_ArcLength(s.c), oracle, 1e-9 * oracle) << s.label;
        // Pieces add up and the order of the parameters does not matter.
        const double a = BEZ_ArcLengthEx(s.c, 0.0, 0.37), b = BEZ_ArcLengthEx(s.c, 0.37, 1.0);
        EXPECT_NEAR(a + b, oracle, 1e-9 * oracle) << s.label << " pieces";
        EXPECT_NEAR(BEZ_ArcLengthEx(s.c, 0.37, 0.0), a, 1e-12 * oracle) << s.label << " reversed";
    }
    const double straight[8] = {0, 0, 1, 1, 2, 2, 3, 3};
    EXPECT_NEAR(BEZ_ArcLength(straight), 3.0 * std::sqrt(2.0), 1e-13) << "uniform straight";
    const double bad[8] = {0, 0, 1, INFINITY, 2, 2, 3, 3};
    EXPECT_EQ(BEZ_ArcLength(bad), 0.0) << "infinite control point";
}

TEST(Bezier2D, EvParamRoundTrip)
{
    for (const Shape& s : shapes()) {
        const double total = BEZ_ArcLength(s.c);
        double prev = -1.0;
        for (int k = 0; k <= 20; ++k) {
            const double len = total * k / 20.0;
            double t = -1;
            ASSERT_EQ(BEZ_EvParam(s.c, len, t), 1) << s.label << " k=" << k;
            EXPECT_NEAR(BEZ_ArcLengthEx(s.c, 0.0, t), len, 1e-9 * total) << s.label << " k=" << k;
            EXPECT_GT(t, prev) << s.label << " parameters increase";
            prev = t;
        }
        double t = 0.5;
        EXPECT_EQ(BEZ_EvParam(s.c, total * 1.01, t), 0) << s.label << " beyond the length";
        EXPECT_EQ(BEZ_EvParam(s.c, -1.0, t), 0) << s.label << " negative length";
        EXPECT_EQ(BEZ_EvParam(s.c, NAN, t), 0) << s.label << " NaN length";
    }
}

} // namespace
