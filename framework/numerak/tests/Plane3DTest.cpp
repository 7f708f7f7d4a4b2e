// Plane relations, line/line closest points and circle/line meetings against
// analytic answers, with the bad-input rows leaving the outputs untouched.
#include "framework/numerak/NurbsArc.h"
#include "framework/numerak/Plane3D.h"
#include "framework/numerak/Point3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

TEST(Plane3DTest, RelationsOfPlanesLinesAndPoints)
{
    struct Row {
        const char* label;
        int code1;
        double p1[3], v1[3];
        int code2;
        double p2[3], v2[3];
        int expected;
    } rows[] = {
        {"same plane", 1, {0, 0, 1}, {0, 0, 1}, 1, {5, 5, 1}, {0, 0, -1}, 1},
        {"parallel planes", 1, {0, 0, 1}, {0, 0, 1}, 1, {5, 5, 2}, {0, 0, 1}, 0},
        {"tilted planes", 1, {0, 0, 0}, {0, 0, 1}, 1, {0, 0, 0}, {0, 1, 1}, 0},
        {"line in the plane", 2, {1, 1, 3}, {1, 2, 0}, 1, {0, 0, 3}, {0, 0, 1}, 1},
        {"line across the plane", 2, {1, 1, 3}, {1, 2, 1}, 1, {0, 0, 3}, {0, 0, 1}, 0},
        {"point in the plane", 3, {4, -2, 3}, {0, 0, 0}, 1, {0, 0, 3}, {0, 0, 1}, 1},
        {"crossing lines", 2, {0, 0, 0}, {1, 0, 0}, 2, {0, 0, 0}, {0, 1, 0}, 1},
        {"one line", 2, {0, 0, 0}, {1, 0, 0}, 2, {3, 0, 0}, {1, 0, 0}, 2},
        {"point on a line", 3, {7, 0, 0}, {0, 0, 0}, 2, {0, 0, 0}, {1, 0, 0}, 2},
        {"point beside a line", 3, {7, 1, 0}, {0, 0, 0}, 2, {0, 0, 0}, {1, 0, 0}, 1},
        {"same point", 3, {1, 2, 3}, {0, 0, 0}, 3, {1, 2, 3}, {0, 0, 0}, 3},
        {"two points", 3, {1, 2, 3}, {0, 0, 0}, 3, {1, 2, 4}, {0, 0, 0}, 2},
        {"not planar", 0, {0, 0, 0}, {0, 0, 1}, 1, {0, 0, 0}, {0, 0, 1}, 0},
    };
    for (const Row& row : rows) {
        double point[3] = {row.p2[0], row.p2[1], row.p2[2]}, normal[3] = {row.v2[0], row.v2[1], row.v2[2]};
        EXPECT_EQ(PLN_Relation(row.code1, row.p1, row.v1, row.code2, point, normal, 1e-6, 1e-6), row.expected)
            << row.label;
        if (row.expected == 1) {
            // Both shapes' points lie in the plane written out.
            double w[3];
            V3D_Sub(row.p1, point, w);
            EXPECT_NEAR(V3D_Dot(w, normal), 0.0, 1e-9) << row.label;
            V3D_Sub(row.p2, point, w);
            EXPECT_NEAR(V3D_Dot(w, normal), 0.0, 1e-9) << row.label;
            EXPECT_NEAR(V3D_Len(normal), 1.0, 1e-12) << row.label;
        }
    }
}

TEST(Plane3DTest, ClosestPointsOfTwoLines)
{
    const double s1[3] = {0, 0, 0}, e1[3] = {10, 0, 0}, s2[3] = {3, -1, 0.0005}, e2[3] = {3, 5, 0.0005};
    double p1[3] = {9, 9, 9}, p2[3] = {9, 9, 9};
    ASSERT_EQ(Isect3_LineLineEx(s1, e1, s2, e2, 1e-6, 0.001, p1, p2), 1);
    EXPECT_NEAR(p1[0], 3.0, 1e-12);
    EXPECT_NEAR(p2[2], 0.0005, 1e-12);
    const double far2[3] = {3, -1, 1}, farE[3] = {3, 5, 1};
    EXPECT_EQ(Isect3_LineLineEx(s1, e1, far2, farE, 1e-6, 0.001, p1, p2), 0);
    const double par[3] = {0, 1, 0}, parE[3] = {5, 1, 0};
    EXPECT_EQ(Isect3_LineLineEx(s1, e1, par, parE, 1e-6, 0.001, p1, p2), 2);
    EXPECT_EQ(Isect3_LineLineEx(s1, s1, par, parE, 1e-6, 0.001, p1, p2), 0);
    EXPECT_NEAR(p1[0], 3.0, 1e-12) << "outputs untouched on failure";
}

TEST(Plane3DTest, CircleAndLineMeetings)
{
    _rect_fm3d frame = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {2, 3, 4}, 1.0};
    double out[2][3];
    int count = -1;
    struct Row {
        const char* label;
        double p[3], dir[3];
        int result, count;
    } rows[] = {
        {"secant in the plane", {-10, 3, 4}, {1, 0, 0}, 1, 2},
        {"tangent in the plane", {-10, 8, 4}, {2, 0, 0}, 1, 1},
        {"miss in the plane", {-10, 9, 4}, {1, 0, 0}, 0, 0},
        {"piercing on the circle", {7, 3, -1}, {0, 0, 1}, 3, 1},
        {"piercing inside", {3, 3, -1}, {0, 0, 1}, 0, 0},
        {"zero direction", {3, 3, -1}, {0, 0, 0}, 0, 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Isect3_CirLin(&frame, 5.0, row.p, row.dir, 1e-9, out, count), row.result) << row.label;
        EXPECT_EQ(count, row.count) << row.label;
        for (int k = 0; k < count; ++k) {
            EXPECT_NEAR(P3D_Dist(out[k], frame.O), 5.0, 1e-9) << row.label;
            double w[3], c[3];
            V3D_Sub(out[k], row.p, w);
            V3D_Cross(w, row.dir, c);
            EXPECT_NEAR(V3D_Len(c), 0.0, 1e-9) << row.label << ": on the line";
        }
    }
}

// Planes at angles around the tolerance (below, at and beyond it, the
// tolerance up to 1/2 and above): crossing exactly when the arc tangent of
// the normalised normals' sine and cosine is above the tolerance.
TEST(Plane3DTest, PlanePlaneAngleTestMatchesTheArcTangent)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0), factor(0.0, 3.0), scale(0.1, 10.0);
    const double p[3] = {0, 0, 0};
    int crossing = 0, parallel = 0;
    for (double tolAngle : {1e-11, 1e-6, 1e-3, 0.3, 0.5, 0.7}) {
        for (int k = 0; k < 4000; ++k) {
            double a[3] = {unit(rng), unit(rng), unit(rng)}, t[3] = {unit(rng), unit(rng), unit(rng)};
            V3D_Unit(a, 0.0);
            double side[3];
            V3D_Cross(a, t, side);
            V3D_Unit(side, 0.0);
            // Twice the tolerance and beyond too, where the arc tangent is skipped.
            const double angle = (k % 50 == 0 ? 1.0 : factor(rng)) * tolAngle * (k % 2 ? 1.0 : -1.0);
            double b[3], n1[3], n2[3];
            const double f1 = scale(rng), f2 = scale(rng);
            for (int e = 0; e < 3; ++e) {
                b[e] = std::cos(angle) * a[e] + std::sin(angle) * side[e];
                if (k % 3 == 0)
                    b[e] = -b[e];
                n1[e] = f1 * a[e];
                n2[e] = f2 * b[e];
            }
            double u1[3] = {n1[0], n1[1], n1[2]}, u2[3] = {n2[0], n2[1], n2[2]};
            V3D_Unit(u1, 1e-300);
            V3D_Unit(u2, 1e-300);
            double c[3];
            V3D_Cross(u1, u2, c);
            const bool expected = std::atan2(V3D_Len(c), std::fabs(V3D_Dot(u1, u2))) > tolAngle;
            double pt[3], dir[3];
            const int r = Isect3_PlnPln(p, n1, p, n2, 1e-9, tolAngle, pt, dir);
            ASSERT_EQ(r, expected ? 1 : 2) << tolAngle << " " << angle;
            (expected ? crossing : parallel)++;
        }
    }
    EXPECT_GT(crossing, 1000);
    EXPECT_GT(parallel, 1000);
}

}  // namespace
