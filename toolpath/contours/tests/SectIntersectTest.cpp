// Plane primitives against closed forms and exact orientation signs.
#include "toolpath/contours/SectIntersect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

TEST(SectIntersect, SegmentPairsTouchCrossAndOverlap)
{
    struct Row {
        const char* label;
        double a[2], b[2], c[2], d[2];
        int n;
        double o0[2], o1[2];
    };
    const Row rows[] = {
        {"crossing", {0, 0}, {10, 10}, {0, 10}, {10, 0}, 1, {5, 5}, {0, 0}},
        {"touching end to end", {0, 0}, {10, 0}, {10, 0}, {10, 5}, 1, {10, 0}, {0, 0}},
        {"end on interior (T)", {0, 0}, {10, 0}, {4, 0}, {4, 7}, 1, {4, 0}, {0, 0}},
        {"overlap, c inside", {0, 0}, {10, 0}, {5, 0}, {20, 0}, 2, {5, 0}, {10, 0}},
        {"overlap, a-b inside c-d", {0, 0}, {10, 0}, {-5, 0}, {20, 0}, 2, {0, 0}, {10, 0}},
        {"overlap, reversed order", {0, 0}, {10, 0}, {20, 0}, {5, 0}, 2, {5, 0}, {10, 0}},
        {"overlap, d inside, c before", {0, 0}, {10, 0}, {-3, 0}, {4, 0}, 2, {4, 0}, {0, 0}},
        {"collinear disjoint", {0, 0}, {10, 0}, {11, 0}, {20, 0}, 0, {0, 0}, {0, 0}},
        {"parallel apart", {0, 0}, {10, 0}, {0, 1e-6}, {10, 1e-6}, 0, {0, 0}, {0, 0}},
        {"miss beyond the end", {0, 0}, {10, 0}, {10.1, -1}, {10.1, 1}, 0, {0, 0}, {0, 0}},
        {"degenerate", {0, 0}, {0, 0}, {-1, -1}, {1, 1}, 0, {0, 0}, {0, 0}},
    };
    for (const Row& r : rows) {
        double out[2][2] = {};
        ASSERT_EQ(SegSegIntersect(r.c, out, r.a, r.b, r.d), r.n) << r.label;
        if (r.n >= 1) {
            EXPECT_NEAR(out[0][0], r.o0[0], 1e-12) << r.label;
            EXPECT_NEAR(out[0][1], r.o0[1], 1e-12) << r.label;
        }
        if (r.n == 2) {
            EXPECT_NEAR(out[1][0], r.o1[0], 1e-12) << r.label;
            EXPECT_NEAR(out[1][1], r.o1[1], 1e-12) << r.label;
        }
    }
}

// Near-parallel lines: the crossing against a long double closed form, and the count
// against the exact orientation signs of the end points.
TEST(SectIntersect, NearParallelSegmentsFollowExactOrientation)
{
    for (int k = 1; k <= 11; ++k) {
        const double slope = std::pow(10.0, -k / 2.0);
        const double a[2] = {0, 0}, b[2] = {100, 0}, c[2] = {-50, -slope * 80}, d[2] = {150, slope * 120};
        double out[2][2];
        const int n = SegSegIntersect(c, out, a, b, d);
        // c-d crosses y = 0 at x = -50 + 80 / (slope * 200) * 200 * ... : solve exactly.
        const long double x = -50.0L + (200.0L) * (slope * 80.0L) / (slope * 200.0L);
        const std::string label = "slope 1e-" + std::to_string(k / 2.0);
        if (slope < 1e-6) {
            EXPECT_EQ(n, 0) << label << ": treated as parallel, c lies off the line";
            continue;
        }
        ASSERT_EQ(n, 1) << label;
        EXPECT_NEAR(out[0][0], static_cast<double>(x), 1e-9 / slope) << label;
        EXPECT_NEAR(out[0][1], 0.0, 1e-9) << label;
    }
    const double a[2] = {0, 0}, b[2] = {100, 0}, c[2] = {-50, -8e-6}, d[2] = {150, 1.2e-5};
    double out[2][2];
    EXPECT_EQ(SegSegIntersect(c, out, a, b, d), 0) << "slope 1e-7: parallel, c off the line";
}

TEST(SectIntersect, LineAndCircleClosedForms)
{
    const double ctr[2] = {3, 4};
    double out[2][2];
    const double p[2] = {-10, 4}, q[2] = {10, 4};
    ASSERT_EQ(LineCircleIntersect(5, ctr, q, out, p), 2) << "through the centre";
    EXPECT_NEAR(out[0][0], 8, 1e-12) << "first point ahead along p -> q";
    EXPECT_NEAR(out[1][0], -2, 1e-12);
    const double t0[2] = {-10, 9}, t1[2] = {10, 9};
    ASSERT_EQ(LineCircleIntersect(5, ctr, t1, out, t0), 1) << "tangent";
    EXPECT_NEAR(out[0][0], 3, 1e-12);
    EXPECT_NEAR(out[0][1], 9, 1e-12);
    const double m0[2] = {-10, 9.001}, m1[2] = {10, 9.001};
    EXPECT_EQ(LineCircleIntersect(5, ctr, m1, out, m0), 0) << "passing by";
    EXPECT_EQ(LineCircleIntersect(5, ctr, m0, out, m0), 0) << "no direction";
    // Far from the centre, the chord half-length sqrt(r^2 - h^2) is kept exactly.
    const double f0[2] = {1e6, 4 + 3}, f1[2] = {1e6 + 1, 4 + 3};
    ASSERT_EQ(LineCircleIntersect(5, ctr, f1, out, f0), 2) << "far start";
    EXPECT_NEAR(out[0][0], 7, 1e-9);
    EXPECT_NEAR(out[1][0], -1, 1e-9);
}

TEST(SectIntersect, CirclePairs)
{
    struct Row {
        const char* label;
        double c[2], r, C[2], R;
        int n;
    };
    const Row rows[] = {
        {"two points", {0, 0}, 5, {8, 0}, 5, 2},
        {"outer touch", {0, 0}, 5, {10, 0}, 5, 1},
        {"outer touch, 5e-6 apart", {0, 0}, 5, {10.000005, 0}, 5, 1},
        {"apart", {0, 0}, 5, {10.001, 0}, 5, 0},
        {"inner touch", {0, 0}, 5, {0, 2}, 3, 1},
        {"nested", {0, 0}, 5, {0, 1}, 3, 0},
        {"concentric", {1, 1}, 5, {1, 1}, 5, 0},
    };
    for (const Row& r : rows) {
        double out[2][2];
        const int n = CircleCircleIntersect(r.r, r.R, r.c, out, r.C);
        ASSERT_EQ(n, r.n) << r.label;
        for (int i = 0; i < n; ++i) {
            // On both circles (within the touching slack).
            EXPECT_NEAR(std::hypot(out[i][0] - r.c[0], out[i][1] - r.c[1]), r.r, 1e-5) << r.label;
            EXPECT_NEAR(std::hypot(out[i][0] - r.C[0], out[i][1] - r.C[1]), r.R, 1e-5) << r.label;
        }
    }
    double out[2][2];
    const double c[2] = {0, 0}, C[2] = {8, 0};
    ASSERT_EQ(CircleCircleIntersect(5, 5, c, out, C), 2);
    EXPECT_NEAR(out[0][0], 4, 1e-12);
    EXPECT_NEAR(std::fabs(out[0][1]), 3, 1e-12);
    EXPECT_NEAR(out[0][1], -out[1][1], 1e-12);
}

TEST(SectIntersect, QuadraticRootsKeepPrecisionWhenBSquaredDominates)
{
    struct Row {
        double a, b, c;
    };
    const Row rows[] = {{1, 1e8, 1}, {1, -1e8, 1}, {3, 1e7, -2}, {0.5, -7e6, 0.25}, {1e-3, 1e5, 1e-3}};
    for (const Row& r : rows) {
        const double coef[3] = {r.a, r.b, r.c};
        double out[2];
        ASSERT_EQ(QuadraticRoots(coef, out), 2) << r.b;
        const long double a = r.a, b = r.b, c = r.c, D = std::sqrt(b * b - 4 * a * c);
        // Reference roots without cancellation in long double.
        const long double q = -(b + (b >= 0 ? D : -D)) / 2;
        const long double x1 = q / a, x2 = c / q;
        const long double lo = std::min(x1, x2), hi = std::max(x1, x2);
        const double got[2] = {std::min(out[0], out[1]), std::max(out[0], out[1])};
        EXPECT_NEAR(got[0], static_cast<double>(lo), std::fabs(static_cast<double>(lo)) * 1e-14) << r.b;
        EXPECT_NEAR(got[1], static_cast<double>(hi), std::fabs(static_cast<double>(hi)) * 1e-14) << r.b;
    }
    const double lin[3] = {0.00005, 2, -4};
    double out[2];
    ASSERT_EQ(QuadraticRoots(lin, out), 1) << "tiny a is linear";
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out[1], 2);
    const double none[3] = {1, 0, 1};
    EXPECT_EQ(QuadraticRoots(none, out), 0);
    const double flat[3] = {0, 0, 1};
    EXPECT_EQ(QuadraticRoots(flat, out), 0);
}

TEST(SectIntersect, SmallHelpers)
{
    const double m[2] = {0, 1}, n[2] = {-1, 0}, o[2] = {0, 0};
    double out[2];
    EXPECT_EQ(OffsetCornerPoint(1, m, n, out, o), 1);
    EXPECT_NEAR(out[0], -1, 1e-15);
    EXPECT_NEAR(out[1], 1, 1e-15);
    EXPECT_EQ(OffsetCornerPoint(2, m, m, out, o), 1) << "parallel normals";
    EXPECT_NEAR(out[1], 2, 1e-15);

    const double a1[2] = {0, 0}, b1[2] = {1, 1}, a2[2] = {0, 4}, b2[2] = {1, 3};
    double x[2];
    ASSERT_EQ(LineLineIntersect(a1, a2, b1, b2, x), 1);
    EXPECT_NEAR(x[0], 2, 1e-12);
    EXPECT_NEAR(x[1], 2, 1e-12);
    const double b3[2] = {1, 5};
    EXPECT_EQ(LineLineIntersect(a1, a2, b1, b3, x), 0) << "parallel";

    const double A[3] = {0, 0, 5}, P[3] = {1, 1, 0}, B[3] = {1, 1, 10};
    EXPECT_NEAR(PointToLineDistance3D(A, P, B), std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(PointToLineDistance3D(A, P, P), std::sqrt(27.0), 1e-12) << "coincident line ends";

    double v[3] = {3, 4, 12};
    ASSERT_EQ(NormalizeVector(3, v), 1);
    EXPECT_NEAR(v[2], 12.0 / 13, 1e-15);
    double tiny[2] = {1e-8, 0};
    EXPECT_EQ(NormalizeVector(2, tiny), 0);
    EXPECT_EQ(tiny[0], 1e-8) << "left unchanged";

    const double bx[4] = {0, 0, 1, 1}, by[4] = {1.00005, 0, 2, 1}, bz[4] = {1.0002, 0, 2, 1};
    EXPECT_EQ(BoxesOverlap(0.0001, bx, by), 1);
    EXPECT_EQ(BoxesOverlap(0.0001, bx, bz), 0);
    EXPECT_EQ(InUnitRange(-5e-7), 1);
    EXPECT_EQ(InUnitRange(1 + 2e-6), 0);
    double d[3];
    VectorDifference(v, P, d, 3);
    EXPECT_NEAR(d[2], 12.0 / 13, 1e-15);
}

}  // namespace
