// Triangle/plane and triangle/segment intersections and the vector rotation.
#include "framework/numerak/Point3D.h"
#include "framework/numerak/Triangle3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

TEST(Triangle3D, AxisPlaneCases)
{
    struct Case {
        const char* label;
        double a[3], b[3], c[3];
        double y;
        int result;
    } cases[] = {
        {"crossing", {0, 0, 0}, {2, 2, 0}, {0, 4, 2}, 1.0, 2},
        {"through a corner", {0, 0, 0}, {2, 2, 0}, {-2, 4, 0}, 2.0, 2},
        {"touching a corner", {0, 0, 0}, {2, 2, 0}, {-2, 1, 0}, 2.0, 1},
        {"edge, third corner below", {0, 2, 0}, {4, 2, 0}, {2, 0, 0}, 2.0, 1},
        {"edge, third corner above", {0, 2, 0}, {4, 2, 0}, {2, 4, 0}, 2.0, 2},
        {"flat edge near the plane", {0, 2.004, 0}, {4, 1.999, 0}, {2, 0, 0}, 2.0, 2},
        {"in the plane", {0, 2, 0}, {4, 2, 0}, {2, 2, 5}, 2.0, 3},
        {"missing", {0, 0, 0}, {2, 1, 0}, {0, 1, 2}, 3.0, 0},
        {"degenerate on the plane", {0, 2, 0}, {0, 2, 0}, {2, 0, 0}, 2.0, 1},
    };
    for (const Case& c : cases) {
        double seg[6] = {};
        ASSERT_EQ(TRI3_IntYPlane(c.a, c.b, c.c, c.y, 0.005, seg), c.result) << c.label;
        if (c.result == 2) {
            EXPECT_DOUBLE_EQ(seg[1], c.y) << c.label;
            EXPECT_DOUBLE_EQ(seg[4], c.y) << c.label;
        }
        // The X form is the Y form with the axes swapped.
        double a[3] = {c.a[1], c.a[0], c.a[2]}, b[3] = {c.b[1], c.b[0], c.b[2]}, d[3] = {c.c[1], c.c[0], c.c[2]};
        EXPECT_EQ(TRI3_IntXPlane(a, b, d, c.y, 0.005, seg), c.result) << c.label;
    }
}

// Random segments against random triangles: a reported point lies on the segment and
// inside the triangle (barycentric check), and a segment through a known inner point hits.
TEST(Triangle3D, SegmentHitsAgreeWithBarycentricOracle)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-10, 10), w(0.05, 0.9);
    int hits = 0;
    for (int i = 0; i < 500; ++i) {
        double a[3] = {u(rng), u(rng), u(rng)}, b[3] = {u(rng), u(rng), u(rng)}, c[3] = {u(rng), u(rng), u(rng)};
        double s1 = w(rng), s2 = w(rng) * (1 - s1);
        double inner[3], s[3], e[3], dir[3] = {u(rng), u(rng), u(rng)}, out[3];
        for (int k = 0; k < 3; ++k) {
            inner[k] = a[k] + s1 * (b[k] - a[k]) + s2 * (c[k] - a[k]);
            s[k] = inner[k] - dir[k];
            e[k] = inner[k] + dir[k];
        }
        double n[3], ab[3], ac[3];
        V3D_Sub(b, a, ab);
        V3D_Sub(c, a, ac);
        V3D_Cross(ab, ac, n);
        if (std::fabs(V3D_Dot(n, dir)) < 1e-3 * V3D_Len(n) * V3D_Len(dir)) continue;
        ASSERT_EQ(TRI3_IntSegment(a, b, c, s, e, 1e-6, out), 1) << i;
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(out[k], inner[k], 1e-6) << i;
        ++hits;
        // The same line stopped short of the triangle misses it.
        double mid[3];
        P3D_Lerp(s, inner, 0.5, mid);
        EXPECT_EQ(TRI3_IntSegment(a, b, c, s, mid, 1e-6, out), 0) << i;
    }
    EXPECT_GT(hits, 400);
}

// Vertical lines through random points: a point built inside from barycentric
// weights hits at the plane's height, one pushed outside an edge misses; a
// triangle standing upright has no projection to hit.
TEST(Triangle3D, VerticalLinesAgreeWithBarycentricOracle)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-10, 10), w(0.05, 0.9);
    int tested = 0;
    for (int i = 0; i < 500; ++i) {
        double a[3] = {u(rng), u(rng), u(rng)}, b[3] = {u(rng), u(rng), u(rng)}, c[3] = {u(rng), u(rng), u(rng)};
        const double area = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
        if (std::fabs(area) < 1.0) continue;
        const double s1 = w(rng), s2 = w(rng) * (1 - s1);
        double in[3], out[3], z = 7.0;
        for (int k = 0; k < 3; ++k) {
            in[k] = a[k] + s1 * (b[k] - a[k]) + s2 * (c[k] - a[k]);
            // Beyond the edge a-b: a negative weight of c.
            out[k] = a[k] + 0.5 * (b[k] - a[k]) - 0.1 * (c[k] - a[k]);
        }
        ASSERT_EQ(TRI3_IntZRay(a, b, c, in, 1e-6, &z), 1) << i;
        EXPECT_NEAR(z, in[2], 1e-9) << i;
        z = 7.0;
        EXPECT_EQ(TRI3_IntZRay(a, b, c, out, 1e-6, &z), 0) << i;
        EXPECT_EQ(z, 7.0) << i;
        ++tested;
    }
    EXPECT_GT(tested, 300);
    const double a[3] = {0, 0, 0}, b[3] = {1, 1, 0}, c[3] = {2, 2, 5}, p[3] = {1, 1, 0};
    double z = 7.0;
    EXPECT_EQ(TRI3_IntZRay(a, b, c, p, 1e-6, &z), 0) << "upright triangle";
}

TEST(Triangle3D, VectorRotation)
{
    double z[3] = {0, 0, 1}, c[3] = {5, 5, 5}, v[3] = {1, 0, 7};
    V3D_Rotate(z, c, M_PI / 2, v, v);
    EXPECT_NEAR(v[0], 0.0, 1e-12);
    EXPECT_NEAR(v[1], 1.0, 1e-12);
    EXPECT_NEAR(v[2], 7.0, 1e-12);
}

}  // namespace
