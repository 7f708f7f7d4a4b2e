// Conic arcs against the analytic conic and Ferguson cubics against their end
// conditions.
#include "framework/numerak/Bcrv.h"
#include "testing/SurfaceFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using surffix::CurvePtr;

double Dist(const double* a, const double* b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

// Barycentric coordinates of p (in the triangle's plane) with respect to a, b, c.
void Barycentric(const double* p, const double* a, const double* b, const double* c, double* t)
{
    double e0[3], e1[3], e2[3];
    for (int d = 0; d < 3; ++d) {
        e0[d] = b[d] - a[d];
        e1[d] = c[d] - a[d];
        e2[d] = p[d] - a[d];
    }
    auto dot = [](const double* x, const double* y) { return x[0] * y[0] + x[1] * y[1] + x[2] * y[2]; };
    const double d00 = dot(e0, e0), d01 = dot(e0, e1), d11 = dot(e1, e1), d20 = dot(e2, e0), d21 = dot(e2, e1);
    const double den = d00 * d11 - d01 * d01;
    t[1] = (d11 * d20 - d01 * d21) / den;
    t[2] = (d00 * d21 - d01 * d20) / den;
    t[0] = 1.0 - t[1] - t[2];
}

TEST(BcrvConic, PointsLieOnTheConicOfTheTriangle)
{
    // A conic tangent to P0-P1 at P0 and to P2-P1 at P2 is, in barycentric
    // coordinates of the triangle (P0, P1, P2), t1^2 = 4 w^2 t0 t2 with
    // w = rho / (1 - rho).
    const double w45 = std::sqrt(0.5);
    const struct Row {
        const char* label;
        double p0[3], p1[3], p2[3];
        double rho;
        double radius;  // > 0: the arc lies on the circle of this radius about the origin
    } rows[] = {
        {"quarter circle", {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, w45 / (1 + w45), 1.0},
        {"parabola", {0, 0, 0}, {2, 3, 1}, {5, 0, 2}, 0.5, 0},
        {"ellipse", {-1, 2, 0}, {0, 4, 0}, {3, 1, 1}, 0.3, 0},
        {"hyperbola", {0, 0, 5}, {1, 0, 6}, {1, 1, 4}, 0.8, 0},
    };
    for (const Row& row : rows) {
        BCRV* raw = nullptr;
        ASSERT_EQ(BCRV_CreConic(row.p0, row.p1, row.p2, row.rho, &raw), 1) << row.label;
        CurvePtr c(raw);
        const double w = row.rho / (1.0 - row.rho);
        double p[3];
        BCRV_EvPos(c.get(), 0.0, p);
        EXPECT_LT(Dist(p, row.p0), 1e-12) << row.label;
        BCRV_EvPos(c.get(), 1.0, p);
        EXPECT_LT(Dist(p, row.p2), 1e-12) << row.label;
        BCRV_EvPos(c.get(), 0.5, p);
        double shoulder[3];
        for (int d = 0; d < 3; ++d) {
            const double m = 0.5 * (row.p0[d] + row.p2[d]);
            shoulder[d] = m + row.rho * (row.p1[d] - m);
        }
        EXPECT_LT(Dist(p, shoulder), 1e-12) << row.label;
        for (int i = 1; i < 40; ++i) {
            BCRV_EvPos(c.get(), i / 40.0, p);
            double t[3];
            Barycentric(p, row.p0, row.p1, row.p2, t);
            EXPECT_NEAR(t[1] * t[1], 4.0 * w * w * t[0] * t[2], 1e-12) << row.label << " sample " << i;
            if (row.radius > 0) {
                EXPECT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1]), row.radius, 1e-12) << row.label;
            }
        }
    }
    const double a[3] = {0, 0, 0}, b[3] = {1, 1, 0}, c[3] = {2, 0, 0}, bad[3] = {NAN, 0, 0};
    for (double rho : {0.0, 1.0, -0.5, 2.0, std::nan("")}) {
        BCRV* out = nullptr;
        EXPECT_EQ(BCRV_CreConic(a, b, c, rho, &out), 0) << rho;
        EXPECT_EQ(out, nullptr);
    }
    BCRV* out = nullptr;
    EXPECT_EQ(BCRV_CreConic(a, bad, c, 0.5, &out), 0);
}

TEST(BcrvFerguson, CubicHitsEndsAndTangents)
{
    const struct Row {
        const char* label;
        double p0[3], t0[3], p1[3], t1[3];
    } rows[] = {
        {"s-curve", {0, 0, 0}, {3, 0, 0}, {4, 2, 1}, {0, 5, 0}},
        {"zero tangents", {1, 1, 1}, {0, 0, 0}, {2, 3, 4}, {0, 0, 0}},
        {"loop back", {0, 0, 0}, {10, 10, 0}, {0, 0, 1}, {-10, 10, 0}},
        {"coincident ends", {5, 5, 5}, {1, 0, 0}, {5, 5, 5}, {0, 1, 0}},
    };
    for (const Row& row : rows) {
        BCRV* raw = nullptr;
        ASSERT_EQ(BCRV_CreFergC1(row.p0, row.t0, row.p1, row.t1, &raw), 1) << row.label;
        CurvePtr c(raw);
        EXPECT_EQ(c->k, 4) << row.label;
        double p[3], d[3];
        BCRV_Ev1Der(c.get(), 0.0, p, d);
        EXPECT_LT(Dist(p, row.p0), 1e-12) << row.label;
        EXPECT_LT(Dist(d, row.t0), 1e-12) << row.label;
        BCRV_Ev1Der(c.get(), 1.0, p, d);
        EXPECT_LT(Dist(p, row.p1), 1e-12) << row.label;
        EXPECT_LT(Dist(d, row.t1), 1e-12) << row.label;
        double cp[4][4];
        ASSERT_EQ(BCRV_CalFergCntP(row.p0, row.t0, row.p1, row.t1, cp), 1) << row.label;
        for (int i = 0; i < 4; ++i)
            for (int e = 0; e < 4; ++e) EXPECT_EQ(cp[i][e], c->P[i][e]) << row.label;
    }
    const double ok[3] = {0, 0, 0}, bad[3] = {0, INFINITY, 0};
    double cp[4][4] = {{7}};
    EXPECT_EQ(BCRV_CalFergCntP(ok, bad, ok, ok, cp), 0);
    EXPECT_EQ(cp[0][0], 7.0) << "output untouched";
    BCRV* out = nullptr;
    EXPECT_EQ(BCRV_CreFergC1(ok, ok, bad, ok, &out), 0);
    EXPECT_EQ(out, nullptr);
}

}  // namespace
