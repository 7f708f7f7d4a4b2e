#include "framework/numerak/Intersect2D.h"

#include "framework/numerak/Bezier2D.h"
#include "testing/FlattenOracle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;

struct P {
    double x, y;
};

double dist(const double* a, P b)
{
    return std::hypot(a[0] - b.x, a[1] - b.y);
}

double distToLine(const double* p, P a, P b)
{
    return std::fabs((b.x - a.x) * (p[1] - a.y) - (b.y - a.y) * (p[0] - a.x)) / std::hypot(b.x - a.x, b.y - a.y);
}

P ellipsePoint(P c, double a, double b, double ang, double phi)
{
    const double x = a * std::cos(phi), y = b * std::sin(phi);
    return {c.x + x * std::cos(ang) - y * std::sin(ang), c.y + x * std::sin(ang) + y * std::cos(ang)};
}

// Distance from an ellipse by dense sampling, refined by a ternary search around the
// best sample.
double distToEllipse(const double* p, P c, double a, double b, double ang)
{
    auto d = [&](double phi) {
        const P q = ellipsePoint(c, a, b, ang, phi);
        return std::hypot(p[0] - q.x, p[1] - q.y);
    };
    constexpr int n = 20000;
    double best = INFINITY, bestPhi = 0;
    for (int i = 0; i < n; ++i) {
        const double phi = 2 * kPi * i / n;
        if (d(phi) < best) {
            best = d(phi);
            bestPhi = phi;
        }
    }
    double lo = bestPhi - 2 * kPi / n, hi = bestPhi + 2 * kPi / n;
    for (int it = 0; it < 200; ++it) {
        const double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
        if (d(m1) < d(m2))
            hi = m2;
        else
            lo = m1;
    }
    return std::min(best, d(0.5 * (lo + hi)));
}

// Implicit side function of an ellipse (negative inside), written out on its own.
double ellipseSide(P c, double a, double b, double ang, double x, double y)
{
    const double dx = x - c.x, dy = y - c.y;
    const double u = dx * std::cos(ang) + dy * std::sin(ang), v = -dx * std::sin(ang) + dy * std::cos(ang);
    return std::hypot(u / a, v / b) - 1.0;
}

// Sign changes of f along a cubic, sampled densely: the transversal crossings.
int crossingsOnCubic(const double* ctrl, const std::function<double(double, double)>& f)
{
    constexpr int n = 20011;
    int count = 0;
    double prev = 0;
    for (int i = 0; i <= n; ++i) {
        double p[2];
        BEZ_EvPos(ctrl, double(i) / n, p);
        const double v = f(p[0], p[1]);
        if (i > 0 && v * prev < 0)
            ++count;
        prev = v;
    }
    return count;
}

int crossingsOnEllipse(P c, double a, double b, double ang, const std::function<double(double, double)>& f)
{
    constexpr int n = 20011;
    int count = 0;
    double prev = 0;
    for (int i = 0; i <= n; ++i) {
        const P q = ellipsePoint(c, a, b, ang, 2 * kPi * i / n);
        const double v = f(q.x, q.y);
        if (i > 0 && v * prev < 0)
            ++count;
        prev = v;
    }
    return count;
}

// ------------------------------------------------------------------ lines

TEST(Intersect2D, LineLineExTable)
{
    struct Row {
        const char* label;
        P p1, p2, q1, q2;
        int code;
        P point;
    };
    const Row rows[] = {
        {"crossing", {0, 0}, {10, 0}, {5, -5}, {5, 5}, kIsectPoint, {5, 0}},
        {"crossing beyond the segments", {0, 0}, {1, 0}, {5, 1}, {5, 2}, kIsectPoint, {5, 0}},
        {"diagonals", {0, 0}, {1, 1}, {0, 1}, {1, 0}, kIsectPoint, {0.5, 0.5}},
        {"large coordinates", {1e4, 1e4}, {1e4 + 3, 1e4 + 1}, {1e4, 1e4 + 2}, {1e4 + 2, 1e4}, kIsectPoint,
         {1e4 + 1.5, 1e4 + 0.5}},
        {"parallel apart", {0, 0}, {10, 0}, {0, 1}, {10, 1}, kIsectParallel, {}},
        {"nearly parallel within the angle", {0, 0}, {10, 0}, {0, 1}, {10, 1.0001}, kIsectParallel, {}},
        {"overlapping", {0, 0}, {10, 0}, {5, 0}, {15, 0}, kIsectOverlap, {}},
        {"collinear, disjoint", {0, 0}, {1, 0}, {5, 0}, {6, 0}, kIsectOverlap, {}},
        {"collinear, opposite", {0, 0}, {10, 0}, {8, 0}, {2, 0}, kIsectOverlap, {}},
        {"offset within the length tolerance", {0, 0}, {10, 0}, {0, 1e-7}, {10, 1e-7}, kIsectOverlap, {}},
        {"zero-length first", {1, 1}, {1, 1}, {0, 0}, {5, 5}, kIsectNone, {}},
        {"zero-length second", {0, 0}, {5, 5}, {2, 2}, {2, 2}, kIsectNone, {}},
        {"NaN", {0, NAN}, {5, 5}, {0, 5}, {5, 0}, kIsectNone, {}},
        {"infinite", {0, 0}, {INFINITY, 5}, {0, 5}, {5, 0}, kIsectNone, {}},
    };
    for (const Row& r : rows) {
        const double p1[2] = {r.p1.x, r.p1.y}, p2[2] = {r.p2.x, r.p2.y};
        const double q1[2] = {r.q1.x, r.q1.y}, q2[2] = {r.q2.x, r.q2.y};
        double out[2] = {-777, -777};
        EXPECT_EQ(Isect_LineLineEx(p1, p2, q1, q2, 1e-6, 1e-3, out), r.code) << r.label;
        if (r.code == kIsectPoint) {
            EXPECT_NEAR(dist(out, r.point), 0.0, 1e-9) << r.label;
        } else {
            EXPECT_EQ(out[0], -777) << r.label << ": output untouched";
        }
        // The direction form agrees.
        const double dp[2] = {p2[0] - p1[0], p2[1] - p1[1]}, dq[2] = {q2[0] - q1[0], q2[1] - q1[1]};
        double out2[2] = {-777, -777};
        const int code2 = Isect_LineLine(p1, dp, q1, dq, 1e-6, 1e-3, out2);
        EXPECT_EQ(code2, r.code) << r.label << " (direction form)";
        if (r.code == kIsectPoint) {
            EXPECT_NEAR(dist(out2, r.point), 0.0, 1e-9) << r.label << " (direction form)";
        }
    }
}

TEST(Intersect2D, LineCircleTable)
{
    struct Row {
        const char* label;
        P p1, p2, c;
        double r, tol;
        std::vector<P> points; // in the line's direction
    };
    const Row rows[] = {
        {"secant through the centre", {-10, 0}, {10, 0}, {0, 0}, 5, 1e-6, {{-5, 0}, {5, 0}}},
        {"secant, reversed line", {10, 0}, {-10, 0}, {0, 0}, 5, 1e-6, {{5, 0}, {-5, 0}}},
        {"off-centre secant", {-10, 3}, {10, 3}, {0, 0}, 5, 1e-6, {{-4, 3}, {4, 3}}},
        {"short segment still a line", {0, 3}, {1, 3}, {0, 0}, 5, 1e-6, {{-4, 3}, {4, 3}}},
        {"tangent", {-10, 5}, {10, 5}, {0, 0}, 5, 1e-6, {{0, 5}}},
        {"tangent within tolerance", {-10, 5 + 5e-7}, {10, 5 + 5e-7}, {0, 0}, 5, 1e-6, {{0, 5 + 5e-7}}},
        {"tangent, near inside", {-10, 5 - 5e-7}, {10, 5 - 5e-7}, {0, 0}, 5, 1e-6, {{0, 5 - 5e-7}}},
        {"miss", {-10, 6}, {10, 6}, {0, 0}, 5, 1e-6, {}},
        {"zero radius", {-10, 0}, {10, 0}, {0, 0}, 0, 1e-6, {}},
        {"negative radius", {-10, 0}, {10, 0}, {0, 0}, -5, 1e-6, {}},
        {"zero-length line", {1, 1}, {1, 1}, {0, 0}, 5, 1e-6, {}},
        {"NaN centre", {-10, 0}, {10, 0}, {NAN, 0}, 5, 1e-6, {}},
        {"infinite radius", {-10, 0}, {10, 0}, {0, 0}, INFINITY, 1e-6, {}},
    };
    for (const Row& r : rows) {
        const double p1[2] = {r.p1.x, r.p1.y}, p2[2] = {r.p2.x, r.p2.y}, c[2] = {r.c.x, r.c.y};
        double pts[4];
        const int n = Isect_LineCirEx(p1, p2, c, r.r, r.tol, pts);
        ASSERT_EQ(n, int(r.points.size())) << r.label;
        for (int i = 0; i < n; ++i)
            EXPECT_NEAR(dist(pts + 2 * i, r.points[i]), 0.0, 1e-9) << r.label << " point " << i;
        // Point and direction form, with a unit direction.
        const double len = std::hypot(p2[0] - p1[0], p2[1] - p1[1]);
        if (len > 0) {
            const double dir[2] = {(p2[0] - p1[0]) / len, (p2[1] - p1[1]) / len};
            double pts2[4];
            ASSERT_EQ(Isect_LineCir(p1, dir, c, r.r, r.tol, pts2), n) << r.label << " (direction form)";
            for (int i = 0; i < n; ++i)
                EXPECT_NEAR(dist(pts2 + 2 * i, r.points[i]), 0.0, 1e-9) << r.label << " (direction form)";
        }
    }
}

TEST(Intersect2D, LineEllipseTable)
{
    const P c{1, 2};
    const double a = 4, b = 2, ang = 0.5;
    // Tangent line at phi = 1 and the same line moved 0.1 outwards.
    const P t0 = ellipsePoint(c, a, b, ang, 1.0);
    const P tm = ellipsePoint(c, a, b, ang, 1.0 - 1e-4), tp = ellipsePoint(c, a, b, ang, 1.0 + 1e-4);
    const P dir{tp.x - tm.x, tp.y - tm.y};
    const double dl = std::hypot(dir.x, dir.y);
    const P nrm{dir.y / dl, -dir.x / dl}; // outward for a counter-clockwise ellipse
    struct Row {
        const char* label;
        P p1, p2;
        double a, b;
        int count;
    };
    const Row rows[] = {
        {"through the centre", {c.x - 10, c.y - 3}, {c.x + 10, c.y + 3}, a, b, 2},
        {"along the major axis", {c.x, c.y}, {c.x + std::cos(ang), c.y + std::sin(ang)}, a, b, 2},
        {"tangent", {t0.x - dir.x * 1e4, t0.y - dir.y * 1e4}, {t0.x + dir.x * 1e4, t0.y + dir.y * 1e4}, a, b, 1},
        {"miss", {t0.x + 0.1 * nrm.x - dir.x * 1e4, t0.y + 0.1 * nrm.y - dir.y * 1e4},
         {t0.x + 0.1 * nrm.x + dir.x * 1e4, t0.y + 0.1 * nrm.y + dir.y * 1e4}, a, b, 0},
        {"degenerate axis", {c.x - 10, c.y}, {c.x + 10, c.y}, a, 0, 0},
        {"zero-length line", {0, 0}, {0, 0}, a, b, 0},
        {"NaN", {NAN, 0}, {1, 0}, a, b, 0},
    };
    for (const Row& r : rows) {
        const double p1[2] = {r.p1.x, r.p1.y}, p2[2] = {r.p2.x, r.p2.y}, cc[2] = {c.x, c.y};
        double pts[4];
        int count = -1;
        const int res = Isect_LineEllEx(p1, p2, cc, r.a, r.b, ang, 1e-6, pts, &count);
        EXPECT_EQ(res, r.count > 0 ? 1 : 0) << r.label;
        ASSERT_EQ(count, r.count) << r.label;
        for (int i = 0; i < count; ++i) {
            EXPECT_LE(distToEllipse(pts + 2 * i, c, a, b, ang), 1e-6) << r.label << " point " << i;
            EXPECT_LE(distToLine(pts + 2 * i, r.p1, r.p2), 1e-7) << r.label << " point " << i;
        }
        if (count == 2) {
            const double s0 = (pts[0] - p1[0]) * (p2[0] - p1[0]) + (pts[1] - p1[1]) * (p2[1] - p1[1]);
            const double s1 = (pts[2] - p1[0]) * (p2[0] - p1[0]) + (pts[3] - p1[1]) * (p2[1] - p1[1]);
            EXPECT_LT(s0, s1) << r.label << ": ordered from p1 towards p2";
        }
        if (count == 1 && std::string(r.label) == "tangent") {
            EXPECT_LE(dist(pts, t0), 1e-3) << r.label;
        }
    }
}

// ------------------------------------------------------------------ circles and ellipses

TEST(Intersect2D, CircleCircleTable)
{
    struct Row {
        const char* label;
        P c2;
        double r1, r2;
        std::vector<P> points;
    };
    const Row rows[] = {
        {"two points, right first", {8, 0}, 5, 5, {{4, -3}, {4, 3}}},
        {"two points, other direction", {-8, 0}, 5, 5, {{-4, 3}, {-4, -3}}},
        {"external tangent", {10, 0}, 5, 5, {{5, 0}}},
        {"external tangent within tolerance", {10 + 5e-7, 0}, 5, 5, {{5 + 2.5e-7, 0}}},
        {"internal tangent", {2, 0}, 5, 3, {{5, 0}}},
        {"internal tangent, second larger", {-2, 0}, 3, 5, {{3, 0}}},
        {"apart", {11, 0}, 5, 5, {}},
        {"contained", {1, 0}, 5, 1, {}},
        {"concentric", {0, 0}, 5, 3, {}},
        {"same circle", {0, 0}, 5, 5, {}},
        {"zero radius", {3, 0}, 5, 0, {}},
        {"negative radius", {3, 0}, -5, 5, {}},
        {"NaN centre", {NAN, 0}, 5, 5, {}},
    };
    for (const Row& r : rows) {
        const double c1[2] = {0, 0}, c2[2] = {r.c2.x, r.c2.y};
        double pts[4];
        const int n = Isect_CirCir(c1, r.r1, c2, r.r2, 1e-6, pts);
        ASSERT_EQ(n, int(r.points.size())) << r.label;
        for (int i = 0; i < n; ++i)
            EXPECT_NEAR(dist(pts + 2 * i, r.points[i]), 0.0, 1e-9) << r.label << " point " << i;
    }
}

struct EllipseRow {
    const char* label;
    P c1;
    double a1, b1, ang1;
    P c2;
    double a2, b2, ang2;
    int count; // -1: take the count from the sampled crossings
};

const std::vector<EllipseRow>& ellipseRows()
{
    static const std::vector<EllipseRow> rows = {
        {"crossed axes", {0, 0}, 5, 3, 0, {0, 0}, 5, 3, kPi / 2, 4},
        {"circle between the axes", {0, 0}, 5, 3, 0, {0, 0}, 4, 4, 0, 4},
        {"circle on the major vertices", {0, 0}, 5, 3, 0, {0, 0}, 5, 5, 0, 2},
        {"circle on the minor vertices", {0, 0}, 5, 3, 0, {0, 0}, 3, 3, 0, 2},
        {"external tangent", {0, 0}, 5, 3, 0, {8, 0}, 3, 1, 0, 1},
        {"tangent at phi = pi", {0, 0}, 5, 3, 0, {-7, 0}, 2, 1, 0, 1},
        {"general rotated pair", {1, 2}, 4, 2, 0.3, {2, 1}, 3, 1.5, 1.2, -1},
        {"offset pair", {0, 0}, 6, 1, 0.1, {1, 0.5}, 2, 3, -0.4, -1},
        {"apart", {0, 0}, 5, 3, 0, {20, 0}, 5, 3, 0, 0},
        {"nested", {0, 0}, 5, 3, 0, {0, 0}, 1, 0.5, 0.7, 0},
        {"identical", {1, 1}, 5, 3, 0.2, {1, 1}, 5, 3, 0.2, 0},
        {"degenerate axis", {0, 0}, 5, 3, 0, {1, 0}, 5, 0, 0, 0},
        {"NaN angle", {0, 0}, 5, 3, 0, {1, 0}, 5, 3, NAN, 0},
    };
    return rows;
}

TEST(Intersect2D, EllipseEllipseTable)
{
    for (const EllipseRow& r : ellipseRows()) {
        int expected = r.count;
        if (expected < 0)
            expected = crossingsOnEllipse(r.c1, r.a1, r.b1, r.ang1, [&](double x, double y) {
                return ellipseSide(r.c2, r.a2, r.b2, r.ang2, x, y);
            });
        const double c1[2] = {r.c1.x, r.c1.y}, c2[2] = {r.c2.x, r.c2.y};
        double pts[8];
        const int n = Isect_EllEll(c1, r.a1, r.b1, r.ang1, c2, r.a2, r.b2, r.ang2, 1e-6, pts);
        ASSERT_EQ(n, expected) << r.label;
        for (int i = 0; i < n; ++i) {
            EXPECT_LE(distToEllipse(pts + 2 * i, r.c1, r.a1, r.b1, r.ang1), 1e-6) << r.label << " point " << i;
            EXPECT_LE(distToEllipse(pts + 2 * i, r.c2, r.a2, r.b2, r.ang2), 1e-6) << r.label << " point " << i;
        }
    }
}

TEST(Intersect2D, CircleEllipseAndFrameForm)
{
    // Circle rows of the ellipse table, through both circle entries.
    for (const EllipseRow& r : ellipseRows()) {
        if (r.a2 != r.b2 || r.ang1 != 0.0 || r.ang2 != 0.0)
            continue;
        const double c[2] = {r.c2.x, r.c2.y}, ec[2] = {r.c1.x, r.c1.y};
        double pts[8];
        const int n = Isect_CirEll(c, r.a2, ec, r.a1, r.b1, r.ang1, 1e-6, pts);
        ASSERT_EQ(n, r.count) << r.label;
        for (int i = 0; i < n; ++i)
            EXPECT_NEAR(dist(pts + 2 * i, r.c2), r.a2, 1e-6) << r.label;
    }
    // The frame form: the circle expressed in a rotated ellipse's frame, answers as
    // angles on the ellipse, ascending.
    const P ec{3, -1};
    const double a = 6, b = 2.5, ang = 0.7;
    const P cw{4, 0};
    const double r = 3;
    const double dx = cw.x - ec.x, dy = cw.y - ec.y;
    const double cl[3] = {dx * std::cos(ang) + dy * std::sin(ang), -dx * std::sin(ang) + dy * std::cos(ang), 0};
    const double xd[3] = {std::cos(ang), -std::sin(ang), 0}, yd[3] = {std::sin(ang), std::cos(ang), 0};
    double phi[4];
    const int n = Isect_2Ell(a, b, r, r, cl, xd, yd, 0.002, 0.001, phi);
    const int expected = crossingsOnEllipse(ec, a, b, ang, [&](double x, double y) { return std::hypot(x - cw.x, y - cw.y) - r; });
    ASSERT_EQ(n, expected) << "frame form";
    for (int i = 0; i < n; ++i) {
        const P q = ellipsePoint(ec, a, b, ang, phi[i]);
        EXPECT_NEAR(std::hypot(q.x - cw.x, q.y - cw.y), r, 1e-6) << "frame form point " << i;
        EXPECT_GE(phi[i], 0.0);
        EXPECT_LT(phi[i], 2 * kPi);
        if (i > 0) {
            EXPECT_GT(phi[i], phi[i - 1]) << "ascending";
        }
    }
    const double par[3] = {1, 0, 0};
    EXPECT_EQ(Isect_2Ell(a, b, r, r, cl, par, par, 0.002, 0.001, phi), 0) << "parallel axis directions";
}

// ------------------------------------------------------------------ cubics

const double kArch[8] = {0, 0, 1, 2, 3, 2, 4, 0};       // top (2, 1.5) at t = 0.5
const double kWave[8] = {0, 0, 1, 3, 2, -3, 3, 0};      // crosses y = 0 at t = 0, 0.5, 1
const double kLoop[8] = {0, 0, 5, 4, -1, 4, 4, 0};      // symmetric about x = 2, node on it
const double kStraight[8] = {0, 0, 1, 1, 2, 2, 3, 3};

void expectOnCubic(const IntPnt& r, const double* ctrl, double t, const std::string& where)
{
    double p[2];
    BEZ_EvPos(ctrl, t, p);
    EXPECT_NEAR(std::hypot(p[0] - r.pt[0], p[1] - r.pt[1]), 0.0, 1e-6) << where;
    EXPECT_GE(t, 0.0) << where;
    EXPECT_LE(t, 1.0) << where;
}

TEST(Intersect2D, LineCubicTable)
{
    struct Row {
        const char* label;
        P p1, p2;
        const double* ctrl;
        int count; // -1: sampled crossings
    };
    const Row rows[] = {
        {"wave across its axis, ends included", {-1, 0}, {4, 0}, kWave, 3},
        {"wave across a raised line", {-1, 0.1}, {4, 0.1}, kWave, -1},
        {"steep line through the wave", {1.4, -2}, {1.6, 2}, kWave, -1},
        {"descending line, three crossings", {0, 0.15}, {3, -0.15}, kWave, 3},
        {"hump tangent", {-1, 1.5}, {5, 1.5}, kArch, 1},
        {"hump tangent within tolerance", {-1, 1.5 + 5e-7}, {5, 1.5 + 5e-7}, kArch, 1},
        {"hump missed", {-1, 1.6}, {5, 1.6}, kArch, 0},
        {"through the loop node", {2, -1}, {2, 5}, kLoop, 3},
        {"touching the start only", {0, -1}, {0, 1}, kArch, 1},
        {"zero-length line", {1, 1}, {1, 1}, kArch, 0},
        {"NaN line", {NAN, 1}, {1, 1}, kArch, 0},
    };
    for (const Row& r : rows) {
        const double p1[2] = {r.p1.x, r.p1.y}, p2[2] = {r.p2.x, r.p2.y};
        int expected = r.count;
        if (expected < 0)
            expected = crossingsOnCubic(r.ctrl, [&](double x, double y) {
                return (r.p2.x - r.p1.x) * (y - r.p1.y) - (r.p2.y - r.p1.y) * (x - r.p1.x);
            });
        std::vector<IntPnt> out(1); // records already there stay in front
        const int n = Isect_LineBez(p1, p2, r.ctrl, 1e-6, out);
        ASSERT_EQ(n, expected) << r.label;
        ASSERT_EQ(int(out.size()), n + 1) << r.label;
        for (int i = 1; i <= n; ++i) {
            const IntPnt& rec = out[i];
            const std::string where = std::string(r.label) + " record " + std::to_string(i);
            expectOnCubic(rec, r.ctrl, rec.para2, where);
            EXPECT_LE(distToLine(rec.pt, r.p1, r.p2), 1e-6) << where;
            const double lx = r.p1.x + rec.para1 * (r.p2.x - r.p1.x), ly = r.p1.y + rec.para1 * (r.p2.y - r.p1.y);
            EXPECT_NEAR(std::hypot(lx - rec.pt[0], ly - rec.pt[1]), 0.0, 1e-6) << where << " line parameter";
            if (i > 1) {
                EXPECT_GT(rec.para2, out[i - 1].para2) << where << " ordered along the cubic";
            }
            EXPECT_EQ(rec.seg1, 1);
            EXPECT_EQ(rec.seg2, 1);
        }
    }
    // The loop node is passed twice: two records at one point with different t.
    std::vector<IntPnt> out;
    const double v1[2] = {2, -1}, v2[2] = {2, 5};
    ASSERT_EQ(Isect_LineBez(v1, v2, kLoop, 1e-6, out), 3);
    EXPECT_NEAR(out[0].pt[1], out[2].pt[1], 1e-9) << "loop node reached twice";
    EXPECT_NEAR(out[0].para2 + out[2].para2, 1.0, 1e-9) << "loop node parameters mirror";
}

TEST(Intersect2D, LineOnStraightCubicGivesStretchEnds)
{
    const double p1[2] = {1, 1}, p2[2] = {2, 2};
    std::vector<IntPnt> out;
    ASSERT_EQ(Isect_LineBez(p1, p2, kStraight, 1e-6, out), 4);
    const double t[4] = {0, 1.0 / 3, 2.0 / 3, 1}, u[4] = {-1, 0, 1, 2};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(out[i].para2, t[i], 1e-9) << "record " << i;
        EXPECT_NEAR(out[i].para1, u[i], 1e-9) << "record " << i;
    }
}

TEST(Intersect2D, CircleAndEllipseCubicTables)
{
    struct Row {
        const char* label;
        P c;
        double a, b, ang; // a == b and ang == 0: also run as a circle
        const double* ctrl;
        int count; // -1: sampled crossings
    };
    const Row rows[] = {
        {"circle on the wave", {1.5, 0}, 0.6, 0.6, 0, kWave, -1},
        {"circle across the loop", {2, 2}, 1.2, 1.2, 0, kLoop, -1},
        {"circle on the hump from above", {2, 2.5}, 1, 1, 0, kArch, 1},
        {"circle missing the hump", {2, 2.6}, 1, 1, 0, kArch, 0},
        {"flat ellipse along the wave", {1.5, 0}, 1.6, 0.3, 0, kWave, -1},
        {"rotated ellipse on the loop", {2, 1.8}, 2, 0.7, 0.4, kLoop, -1},
        {"ellipse on the hump from above", {2, 2.5}, 3, 1, 0, kArch, 1},
        {"degenerate", {2, 2.5}, 0, 0, 0, kArch, 0},
    };
    for (const Row& r : rows) {
        int expected = r.count;
        if (expected < 0)
            expected = crossingsOnCubic(r.ctrl, [&](double x, double y) { return ellipseSide(r.c, r.a, r.b, r.ang, x, y); });
        const double c[2] = {r.c.x, r.c.y};
        std::vector<IntPnt> out;
        const int n = Isect_EllBez(c, r.a, r.b, r.ang, r.ctrl, 1e-6, out);
        ASSERT_EQ(n, expected) << r.label << " (ellipse)";
        for (int i = 0; i < n; ++i) {
            const std::string where = std::string(r.label) + " ellipse record " + std::to_string(i);
            expectOnCubic(out[i], r.ctrl, out[i].para2, where);
            const P q = ellipsePoint(r.c, r.a, r.b, r.ang, 2 * kPi * out[i].para1);
            EXPECT_NEAR(dist(out[i].pt, q), 0.0, 1e-6) << where << " ellipse parameter";
        }
        if (r.a != r.b || r.ang != 0)
            continue;
        out.clear();
        const int m = Isect_CirBez(c, r.a, r.ctrl, 1e-6, out);
        ASSERT_EQ(m, expected) << r.label << " (circle)";
        for (int i = 0; i < m; ++i) {
            const std::string where = std::string(r.label) + " circle record " + std::to_string(i);
            expectOnCubic(out[i], r.ctrl, out[i].para2, where);
            const double ang = 2 * kPi * out[i].para1;
            EXPECT_NEAR(dist(out[i].pt, {r.c.x + r.a * std::cos(ang), r.c.y + r.a * std::sin(ang)}), 0.0, 1e-6) << where;
        }
    }
    std::vector<IntPnt> out;
    const double c[2] = {2, 2};
    const double bad[8] = {0, 0, 1, NAN, 3, 2, 4, 0};
    EXPECT_EQ(Isect_CirBez(c, 1, bad, 1e-6, out), 0) << "NaN cubic";
    EXPECT_EQ(Isect_CirBez(c, -1, kArch, 1e-6, out), 0) << "negative radius";
    EXPECT_TRUE(out.empty());
}

// Oracle for cubic pairs: both flattened into fine polylines from their own
// evaluation, segments crossed, crossings closer than 1e-5 merged.
std::vector<P> flattenedCrossings(const double* a, const double* b)
{
    auto cubic = [](const double* ctrl) {
        return [ctrl](double t) {
            double q[2];
            BEZ_EvPos(ctrl, t, q);
            return oracle::Pt{q[0], q[1]};
        };
    };
    std::vector<P> hits;
    for (const oracle::Pt& h : oracle::PolylineCrossings(oracle::Flatten(cubic(a), 1e-7), oracle::Flatten(cubic(b), 1e-7), 1e-5))
        hits.push_back({h.x, h.y});
    return hits;
}

void rotate90(const double* in, double* out)
{
    for (int k = 0; k < 4; ++k) {
        out[2 * k] = -in[2 * k + 1];
        out[2 * k + 1] = in[2 * k];
    }
}

TEST(Intersect2D, CubicPairsMatchFlattenedOracle)
{
    // y = 3 (x^3 - x) over [-1.2, 1.2] and the same turned by 90 degrees: 9 crossings.
    const double nineA[8] = {-1.2, -1.584, -0.4, 6.384, 0.4, -6.384, 1.2, 1.584};
    double nineB[8];
    rotate90(nineA, nineB);
    const double waveUp[8] = {0, -1, 1, 4, 2, -2, 3, 1};
    const double loopMoved[8] = {0.5, 0.5, 5.5, 4.5, -0.5, 4.5, 4.5, 0.5};
    const double slanted[8] = {-1, 3, 2, 0, 3, 2, 5, -1};
    struct Row {
        const char* label;
        const double* a;
        const double* b;
        int minCount;
    };
    const Row rows[] = {
        {"nine crossings", nineA, nineB, 9},
        {"nine crossings, swapped", nineB, nineA, 9},
        {"two waves", kWave, waveUp, 1},
        {"two loops", kLoop, loopMoved, 1},
        {"slanted cubic across the loop", slanted, kLoop, 1},
        {"arch across the wave", kArch, kWave, 0},
    };
    for (const Row& r : rows) {
        const std::vector<P> oracle = flattenedCrossings(r.a, r.b);
        ASSERT_GE(int(oracle.size()), r.minCount) << r.label << ": oracle";
        std::vector<IntPnt> out;
        const int n = Isect_BezBez(r.a, r.b, 1e-6, out);
        ASSERT_EQ(n, int(oracle.size())) << r.label;
        for (const P& o : oracle) {
            double best = INFINITY;
            for (const IntPnt& rec : out)
                best = std::min(best, dist(rec.pt, o));
            EXPECT_LE(best, 1e-4) << r.label << " oracle point " << o.x << "," << o.y;
        }
        for (int i = 0; i < n; ++i) {
            const std::string where = std::string(r.label) + " record " + std::to_string(i);
            expectOnCubic(out[i], r.a, out[i].para1, where + " curve 1");
            expectOnCubic(out[i], r.b, out[i].para2, where + " curve 2");
            if (i > 0) {
                EXPECT_GE(out[i].para1, out[i - 1].para1) << where << " ordered along curve 1";
            }
        }
    }
}

TEST(Intersect2D, CubicPairSpecialCases)
{
    const double archDown[8] = {0, 3, 1, 1, 3, 1, 4, 3}; // touches the arch at (2, 1.5)
    const double archDownNear[8] = {0, 3 + 5e-7, 1, 1 + 5e-7, 3, 1 + 5e-7, 4, 3 + 5e-7};
    const double archAway[8] = {4, 0, 5, -1, 6, 1, 7, 0}; // starts at the arch's end
    const double reversed[8] = {4, 0, 3, 2, 1, 2, 0, 0};
    double leftHalf[8], rightHalf[8];
    BEZ_Split(kArch, 0.5, leftHalf, rightHalf);
    const double bad[8] = {0, 0, 1, 2, INFINITY, 2, 4, 0};
    const double point[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    const double far[8] = {10, 0, 11, 3, 12, -3, 13, 0};
    struct Row {
        const char* label;
        const double* a;
        const double* b;
        std::vector<std::pair<double, double>> params; // expected (para1, para2)
    };
    const Row rows[] = {
        {"tangent humps", kArch, archDown, {{0.5, 0.5}}},
        {"tangent within tolerance", kArch, archDownNear, {{0.5, 0.5}}},
        {"shared end point", kArch, archAway, {{1, 0}}},
        {"identical", kArch, kArch, {{0, 0}, {1, 1}}},
        {"reversed copy", kArch, reversed, {{0, 1}, {1, 0}}},
        {"left half", kArch, leftHalf, {{0, 0}, {0.5, 1}}},
        {"right half inside", rightHalf, kArch, {{0, 0.5}, {1, 1}}},
        {"apart", kArch, far, {}},
        {"infinite control point", kArch, bad, {}},
        {"single-point cubic", kArch, point, {}},
    };
    for (const Row& r : rows) {
        std::vector<IntPnt> out;
        const int n = Isect_BezBez(r.a, r.b, 1e-6, out);
        ASSERT_EQ(n, int(r.params.size())) << r.label;
        for (int i = 0; i < n; ++i) {
            EXPECT_NEAR(out[i].para1, r.params[i].first, 1e-4) << r.label << " record " << i;
            EXPECT_NEAR(out[i].para2, r.params[i].second, 1e-4) << r.label << " record " << i;
        }
    }
}

// Garbage in: extreme magnitudes, NaN, infinities, zero tolerances. Every call must
// return (a hang would time the test out) with a count of finite records.
TEST(Intersect2D, HostileInputReturnsQuietly)
{
    std::mt19937 rng(11);
    const double specials[] = {0.0, -0.0, 1e-300, 1e300, -1e300, NAN, INFINITY, -INFINITY, 1e-12, 5.0};
    std::uniform_int_distribution<int> pick(0, 9), coin(0, 3);
    std::uniform_real_distribution<double> u(-10, 10);
    auto value = [&] { return coin(rng) == 0 ? specials[pick(rng)] : u(rng); };
    for (int trial = 0; trial < 400; ++trial) {
        double a[8], b[8], p[2], q[2], pts[8];
        for (double& v : a)
            v = value();
        for (double& v : b)
            v = value();
        p[0] = value();
        p[1] = value();
        q[0] = value();
        q[1] = value();
        const double r = value(), tol = trial % 3 == 0 ? 0.0 : 1e-6;
        std::vector<IntPnt> out;
        int cnt = 0;
        auto finitePts = [&](int n) {
            for (int i = 0; i < 2 * n; ++i)
                EXPECT_TRUE(std::isfinite(pts[i])) << "trial " << trial;
        };
        if (Isect_LineLineEx(p, q, a, a + 2, tol, 1e-3, pts) == kIsectPoint)
            finitePts(1);
        finitePts(Isect_LineCirEx(p, q, a, r, tol, pts));
        Isect_LineEllEx(p, q, a, r, value(), value(), tol, pts, &cnt);
        finitePts(cnt);
        const int nc = Isect_CirCir(p, r, q, value(), tol, pts);
        EXPECT_LE(nc, 2);
        finitePts(nc);
        const int ne = Isect_EllEll(p, r, value(), value(), q, value(), value(), value(), tol, pts);
        EXPECT_LE(ne, 4);
        finitePts(ne);
        EXPECT_GE(Isect_LineBez(p, q, a, tol, out), 0);
        EXPECT_GE(Isect_CirBez(p, r, a, tol, out), 0);
        EXPECT_GE(Isect_EllBez(p, r, value(), value(), a, tol, out), 0);
        EXPECT_GE(Isect_BezBez(a, b, tol, out), 0);
        EXPECT_GE(Isect_BezBez(a, a, tol, out), 0);
        for (const IntPnt& rec : out) {
            EXPECT_TRUE(std::isfinite(rec.pt[0]) && std::isfinite(rec.pt[1])) << "trial " << trial;
            EXPECT_TRUE(std::isfinite(rec.para1) && std::isfinite(rec.para2)) << "trial " << trial;
        }
    }
}

} // namespace
