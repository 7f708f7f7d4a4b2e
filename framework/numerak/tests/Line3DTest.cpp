// 3D lines: feet, parameters and the intersection of two lines.
#include "framework/numerak/Line3D.h"
#include "framework/numerak/Point3D.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

TEST(Line3D, FootAndParameter)
{
    const double a[3] = {1, 1, 1}, b[3] = {3, 1, 1}, p[3] = {4, 5, -2};
    double f[3] = {0, 0, 0};
    ASSERT_EQ(L3D_PrjPntEx(p, a, b, f), 1);
    EXPECT_EQ(f[0], 4.0);
    EXPECT_EQ(f[1], 1.0);
    EXPECT_DOUBLE_EQ(L3D_GetParam(p, a, b), 1.5) << "not clamped";
    double untouched[3] = {7, 7, 7};
    EXPECT_EQ(L3D_PrjPntEx(p, a, a, untouched), 0);
    EXPECT_EQ(untouched[0], 7.0);
    EXPECT_EQ(L3D_GetParam(p, a, a), 0.0);
}

TEST(Line3D, IntersectionOfTwoLines)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-10.0, 10.0);
    for (int i = 0; i < 100; ++i) {
        // Two lines through a common point x, with random directions and far-off origins.
        const double x[3] = {u(rng), u(rng), u(rng)};
        double d1[3] = {u(rng), u(rng), u(rng)}, d2[3] = {u(rng), u(rng), u(rng)}, p1[3], p2[3], out[3];
        const double s = u(rng), t = u(rng);
        L3D_GetPnt(x, d1, s, p1);
        L3D_GetPnt(x, d2, t, p2);
        const std::string label = "case " + std::to_string(i);
        ASSERT_EQ(Isect3_LineLine(p1, d1, p2, d2, 1e-6, 0.001, out), 1) << label;
        EXPECT_LT(P3D_Dist(out, x), 1e-9 * (1 + V3D_Len(x))) << label;
    }
    const double o[3] = {0, 0, 0}, ex[3] = {1, 0, 0}, ey[3] = {0, 1, 0}, up[3] = {0, 0, 1};
    const double lifted[3] = {0, 0, 1}, along[3] = {5, 0, 0};
    double out[3] = {9, 9, 9};
    EXPECT_EQ(Isect3_LineLine(o, ex, lifted, ey, 1e-6, 0.001, out), 0) << "skew lines";
    EXPECT_EQ(Isect3_LineLine(o, ex, along, ex, 1e-6, 0.001, out), 2) << "one line twice";
    EXPECT_EQ(Isect3_LineLine(o, ex, lifted, ex, 1e-6, 0.001, out), 0) << "parallel lines apart";
    const double zero[3] = {0, 0, 0};
    EXPECT_EQ(Isect3_LineLine(o, zero, lifted, up, 1e-6, 0.001, out), 0) << "zero direction";
    EXPECT_EQ(out[0], 9.0) << "outputs untouched";
}

// The segment form: closest points and their parameters on skew lines, against the
// closed form of two lines crossing the z axis at different heights.
TEST(Line3D, ClosestPointsOfTwoSegmentLines)
{
    struct Row {
        const char* label;
        double a0[3], a1[3], b0[3], b1[3];
        double tol;
        int result;
        double sA, sB;
    };
    const Row rows[] = {
        {"crossing", {-1, 0, 0}, {3, 0, 0}, {0, -2, 0}, {0, 2, 0}, 1e-9, 1, 0.25, 0.5},
        {"skew within tolerance", {-1, 0, 0}, {3, 0, 0}, {0, -2, 0.004}, {0, 2, 0.004}, 0.006, 1, 0.25, 0.5},
        {"skew beyond tolerance", {-1, 0, 0}, {3, 0, 0}, {0, -2, 0.01}, {0, 2, 0.01}, 0.006, 0, 0, 0},
        {"beyond the segments", {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {0, 2, 0}, 1e-9, 1, -1, -1},
        {"parallel and close", {0, 0, 0}, {1, 0, 0}, {5, 0.001, 0}, {6, 0.001, 0}, 0.006, 2, 0, 0},
        {"zero length", {0, 0, 0}, {0, 0, 0}, {0, -2, 0}, {0, 2, 0}, 0.006, 0, 0, 0},
    };
    for (const Row& r : rows) {
        double pa[3] = {9, 9, 9}, pb[3] = {9, 9, 9}, sa = 9, sb = 9;
        EXPECT_EQ(Isect3_LineLineEx2(r.a0, r.a1, r.b0, r.b1, r.tol, 1e-7, pa, pb, &sa, &sb), r.result) << r.label;
        if (r.result != 1) {
            EXPECT_EQ(sa, 9.0) << r.label << ": outputs untouched";
            continue;
        }
        EXPECT_NEAR(sa, r.sA, 1e-12) << r.label;
        EXPECT_NEAR(sb, r.sB, 1e-12) << r.label;
        double wa[3], wb[3], da[3] = {r.a1[0] - r.a0[0], r.a1[1] - r.a0[1], r.a1[2] - r.a0[2]},
                             db[3] = {r.b1[0] - r.b0[0], r.b1[1] - r.b0[1], r.b1[2] - r.b0[2]};
        L3D_GetPnt(r.a0, da, r.sA, wa);
        L3D_GetPnt(r.b0, db, r.sB, wb);
        EXPECT_LT(P3D_Dist(pa, wa), 1e-12) << r.label;
        EXPECT_LT(P3D_Dist(pb, wb), 1e-12) << r.label;
    }
    const double p[3] = {4, 5, -2}, a[3] = {1, 1, 1}, b[3] = {3, 1, 1};
    double foot[3], t = 0;
    ASSERT_EQ(L3D_PrjPntEx2(p, a, b, foot, &t), 1);
    EXPECT_DOUBLE_EQ(t, 1.5);
    EXPECT_EQ(foot[0], 4.0);
    EXPECT_EQ(L3D_PrjPntEx2(p, a, a, foot, &t), 0);
}

}  // namespace
