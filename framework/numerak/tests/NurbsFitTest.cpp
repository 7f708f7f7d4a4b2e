// Knot vectors, global interpolation and bounded approximation.
#include "framework/numerak/Knot.h"
#include "framework/numerak/NurbsFit.h"
#include "framework/numerak/tests/NurbsTestCurves.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

using nurbs_test::Curve;
using nurbs_test::Dist;

namespace {

using Pts = std::vector<std::array<double, 3>>;

const double (*Raw(const Pts& p))[3]
{
    return reinterpret_cast<const double(*)[3]>(p.data());
}

// Points on a helix with a varying pitch, unevenly spaced.
Pts Helix(int n, double radius = 10.0)
{
    Pts p;
    for (int i = 0; i < n; ++i) {
        const double s = static_cast<double>(i) / (n - 1);
        const double a = 6.0 * (s + 0.15 * std::sin(5.0 * s));
        p.push_back({radius * std::cos(a), radius * std::sin(a), 4.0 * s * s});
    }
    return p;
}

// Distance from x to the polyline through the points.
double DistToPolyline(const double* x, const Pts& q)
{
    double best = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i + 1 < q.size(); ++i) {
        double ab[3], ax[3], l2 = 0, dot = 0;
        for (int d = 0; d < 3; ++d) {
            ab[d] = q[i + 1][d] - q[i][d];
            ax[d] = x[d] - q[i][d];
            l2 += ab[d] * ab[d];
            dot += ab[d] * ax[d];
        }
        const double t = l2 > 0 ? std::fmax(0.0, std::fmin(1.0, dot / l2)) : 0.0;
        double s = 0;
        for (int d = 0; d < 3; ++d)
            s += (ax[d] - t * ab[d]) * (ax[d] - t * ab[d]);
        best = std::fmin(best, std::sqrt(s));
    }
    return best;
}

// Dense samples of the curve as a polyline.
Pts Sample(const BCRV* c, int count)
{
    Pts s;
    for (int i = 0; i <= count; ++i) {
        std::array<double, 3> p;
        BCRV_EvPos(c, static_cast<double>(i) / count, p.data());
        s.push_back(p);
    }
    return s;
}

}  // namespace

TEST(Knot, ChordParametersAveragedKnotsAndNormalisation)
{
    const double pts[4][3] = {{0, 0, 0}, {3, 4, 0}, {3, 4, 0}, {3, 4, 5}};
    double t[4];
    ASSERT_EQ(KNOT_CalAccumChord(4, pts, t), 1);
    EXPECT_DOUBLE_EQ(t[0], 0.0);
    EXPECT_DOUBLE_EQ(t[1], 0.5);
    EXPECT_DOUBLE_EQ(t[2], 0.5);
    EXPECT_DOUBLE_EQ(t[3], 1.0);

    const double params[6] = {0, 0.1, 0.3, 0.6, 0.8, 1.0};
    double U[10];
    ASSERT_EQ(KNOT_CalByAC(4, 6, params, U), 1);
    const double expectU[10] = {0, 0, 0, 0, (0.1 + 0.3 + 0.6) / 3, (0.3 + 0.6 + 0.8) / 3, 1, 1, 1, 1};
    for (int i = 0; i < 10; ++i)
        EXPECT_DOUBLE_EQ(U[i], expectU[i]) << i;
    double U2[8];
    ASSERT_EQ(KNOT_CalByAC(2, 6, params, U2), 1);
    for (int i = 1; i < 5; ++i)
        EXPECT_DOUBLE_EQ(U2[i + 1], params[i]) << "order 2 puts knots at the parameters";

    double R[4] = {2, 2, 4, 4};
    ASSERT_EQ(KNOT_Regu(2, 2, R), 1);
    EXPECT_EQ(R[0], 0.0);
    EXPECT_EQ(R[1], 0.0);
    EXPECT_EQ(R[2], 1.0);
    EXPECT_EQ(R[3], 1.0);

    double* gen = KNOT_Gen(3, 5);
    ASSERT_NE(gen, nullptr);
    EXPECT_DOUBLE_EQ(gen[3], 1.0 / 3);
    EXPECT_DOUBLE_EQ(gen[4], 2.0 / 3);
    KNOT_Free(gen);

    // Failures leave the outputs alone.
    const double same[3][3] = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}};
    double keep[3] = {7, 7, 7};
    EXPECT_EQ(KNOT_CalAccumChord(3, same, keep), 0) << "coincident points";
    EXPECT_EQ(keep[0], 7);
    EXPECT_EQ(KNOT_CalAccumChord(1, pts, keep), 0);
    EXPECT_EQ(KNOT_CalAccumChord(3, nullptr, keep), 0);
    const double down[4] = {0, 0.5, 0.4, 1};
    EXPECT_EQ(KNOT_CalByAC(3, 4, down, U), 0) << "decreasing parameters";
    const double nan[4] = {0, NAN, 0.4, 1};
    EXPECT_EQ(KNOT_CalByAC(3, 4, nan, U), 0) << "NaN parameter";
    EXPECT_EQ(KNOT_CalByAC(5, 4, params, U), 0) << "n < order";
    double flat[4] = {1, 1, 1, 1};
    EXPECT_EQ(KNOT_Regu(2, 2, flat), 0) << "empty domain";
    EXPECT_EQ(KNOT_Gen(1, 4), nullptr);
}

TEST(NurbsFit, InterpolationPassesThroughItsPoints)
{
    struct Row {
        int n, degree;
    };
    const Row rows[] = {{2, 1}, {2, 3}, {3, 3}, {4, 3}, {5, 2}, {12, 1}, {30, 3}, {50, 5}, {200, 3}, {40, 7}};
    for (const Row& row : rows) {
        const Pts q = Helix(row.n);
        Curve c(BCRV_GlobalInterp(Raw(q), row.n, row.degree));
        ASSERT_TRUE(c) << "n=" << row.n << " degree=" << row.degree;
        EXPECT_EQ(c->k, row.degree + 1) << "n=" << row.n;
        EXPECT_EQ(c->U[c->k - 1], 0.0);
        EXPECT_EQ(c->U[c->n], 1.0);
        // The chord-length parameters are where the points must be met.
        std::vector<double> t(row.n);
        ASSERT_EQ(KNOT_CalAccumChord(row.n, Raw(q), t.data()), 1);
        for (int i = 0; i < row.n; ++i) {
            double p[3];
            BCRV_EvPos(c.get(), t[i], p);
            EXPECT_LT(Dist(p, q[i].data()), 1e-9) << "n=" << row.n << " degree=" << row.degree << " i=" << i;
        }
    }
    // Repeated points count once.
    Pts dup = Helix(6);
    dup.insert(dup.begin() + 3, dup[3]);
    Curve d(BCRV_GlobalInterp(Raw(dup), 7, 3));
    ASSERT_TRUE(d);
    for (const auto& q : dup) {
        double best = 1e9;
        for (const auto& s : Sample(d.get(), 20000))
            best = std::fmin(best, Dist(s.data(), q.data()));
        EXPECT_LT(best, 1e-3);
    }
}

TEST(NurbsFit, CubicSplineJoinsAtItsPoints)
{
    for (int n : {2, 3, 4, 9, 60}) {
        const Pts q = Helix(n);
        Curve c(BCRV_Interpolate(Raw(q), n));
        ASSERT_TRUE(c) << "n=" << n;
        EXPECT_EQ(c->k, 4);
        double (*bez)[3] = nullptr;
        const int count = c->ConvertToBezier(bez);
        ASSERT_EQ(count, 3 * (n - 1) + 1) << "n=" << n;
        for (int i = 0; i < n; ++i)
            EXPECT_LT(Dist(bez[3 * i], q[i].data()), 1e-9) << "n=" << n << " main node " << i;
        BCRV::FreePtList(bez);
        // C2 across the joins, natural (straight) at the ends.
        for (int i = c->k; i < c->n; ++i) {
            double p[3], d1a[3], d2a[3], d1b[3], d2b[3];
            BCRV_Ev2Der(c.get(), c->U[i] - 1e-9, p, d1a, d2a);
            BCRV_Ev2Der(c.get(), c->U[i] + 1e-9, p, d1b, d2b);
            EXPECT_LT(Dist(d2a, d2b), 1e-4) << "n=" << n << " knot " << i;
        }
        double p[3], d1[3], d2[3];
        BCRV_Ev2Der(c.get(), 0.0, p, d1, d2);
        EXPECT_LT(std::sqrt(d2[0] * d2[0] + d2[1] * d2[1] + d2[2] * d2[2]), 1e-6) << "n=" << n;
    }
}

TEST(NurbsFit, ApproximationStaysWithinItsBound)
{
    using Shape = std::function<std::array<double, 3>(double)>;
    const Shape helix = [](double s) {
        const double a = 6.0 * (s + 0.15 * std::sin(5.0 * s));
        return std::array<double, 3>{10.0 * std::cos(a), 10.0 * std::sin(a), 4.0 * s * s};
    };
    const Shape wave = [](double s) {
        const double x = 20.0 * s;
        return std::array<double, 3>{x, 2.0 * std::sin(x) + 0.3 * std::sin(3.1 * x), 0.0};
    };
    const Shape corner = [](double s) {  // two legs of length 3 meeting at a right angle
        return s <= 0.5 ? std::array<double, 3>{6.0 * s, 0.0, 0.0} : std::array<double, 3>{3.0, 6.0 * s - 3.0, 0.0};
    };
    struct Row {
        const char* label;
        Shape shape;
        int n, degree;
        double tol;
    };
    const Row rows[] = {{"helix 0.01", helix, 300, 3, 0.01},
                        {"helix 0.2", helix, 300, 2, 0.2},
                        {"wave 0.001", wave, 400, 3, 0.001},
                        {"wave 0.05 quadratic", wave, 400, 2, 0.05},
                        {"corner", corner, 7, 2, 0.1},
                        {"dense corner", corner, 61, 3, 0.05},
                        {"three points", helix, 3, 2, 0.2}};
    for (const Row& row : rows) {
        Pts q;
        for (int i = 0; i < row.n; ++i)
            q.push_back(row.shape(static_cast<double>(i) / (row.n - 1)));
        Curve c(BCRV_ApproxErrBnd(Raw(q), row.n, row.degree, row.tol));
        ASSERT_TRUE(c) << row.label;
        EXPECT_EQ(c->k, row.degree + 1) << row.label;
        double s[3], e[3];
        BCRV_EvPos(c.get(), 0.0, s);
        BCRV_EvPos(c.get(), 1.0, e);
        EXPECT_LT(Dist(s, q.front().data()), 1e-12) << row.label;
        EXPECT_LT(Dist(e, q.back().data()), 1e-12) << row.label;
        const Pts dense = Sample(c.get(), 8000);
        double toCurve = 0.0;
        for (const auto& p : q)
            toCurve = std::fmax(toCurve, DistToPolyline(p.data(), dense));
        EXPECT_LE(toCurve, row.tol) << row.label << ": a point is farther than the bound";
        if (row.n > 50) {
            // Between the points the curve follows the shape they came from.
            Pts exact;
            for (int i = 0; i <= 8000; ++i)
                exact.push_back(row.shape(i / 8000.0));
            double stray = 0.0;
            for (size_t i = 0; i < dense.size(); i += 29)
                stray = std::fmax(stray, DistToPolyline(dense[i].data(), exact));
            EXPECT_LE(stray, 2.0 * row.tol) << row.label << ": the curve strays from the shape";
            EXPECT_LT(c->n, row.n / 2) << row.label << ": smooth data needs far fewer control points";
        }
    }
    // A straight run gives a straight curve.
    const double line[3][3] = {{0, 0, 0}, {5, 0, 0}, {10, 0, 0}};
    Curve straight(BCRV_ApproxErrBnd(line, 3, 2, 0.2));
    ASSERT_TRUE(straight);
    for (const auto& p : Sample(straight.get(), 100)) {
        EXPECT_NEAR(p[1], 0.0, 1e-12);
        EXPECT_NEAR(p[2], 0.0, 1e-12);
    }
}

TEST(NurbsFit, BadInputGivesNoCurve)
{
    const Pts q = Helix(10);
    const double same[3][3] = {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}};
    Pts withNan = q;
    withNan[4][1] = NAN;
    struct Row {
        const char* label;
        const double (*pts)[3];
        int n, degree;
    };
    const Row rows[] = {{"null points", nullptr, 10, 3},  {"one point", Raw(q), 1, 3},
                        {"no points", Raw(q), 0, 3},      {"negative count", Raw(q), -4, 3},
                        {"degree 0", Raw(q), 10, 0},      {"degree too high", Raw(q), 10, kBcrvMaxOrder},
                        {"coincident", same, 3, 2},       {"NaN point", Raw(withNan), 10, 3}};
    for (const Row& row : rows) {
        EXPECT_EQ(BCRV_GlobalInterp(row.pts, row.n, row.degree), nullptr) << row.label;
        if (row.degree == 3) {
            EXPECT_EQ(BCRV_Interpolate(row.pts, row.n), nullptr) << row.label;
        }
        EXPECT_EQ(BCRV_ApproxErrBnd(row.pts, row.n, row.degree, 0.1), nullptr) << row.label;
    }
    EXPECT_EQ(BCRV_ApproxErrBnd(Raw(q), 10, 3, NAN), nullptr) << "NaN tolerance";
}
