// The origin-in-triangle test of ray picking: inside, on edges and corners, within an
// aperture, degenerate triangles; weights checked by rebuilding the origin from them.
#include "framework/numerak/Plane3D.h"
#include "framework/numerak/Point3f.h"
#include "framework/numerak/QvnMath.h"
#include "framework/numerak/Triangle2D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

TEST(Triangle2D, OriginInTriangleRows)
{
    struct Row {
        std::string label;
        double a[3], b[3], c[3];
        double aperture;
        int result;
        double rebuilt[2];  // the point the weights give (the origin, or the nearest point)
    };
    const std::vector<Row> rows = {
        {"inside, counter-clockwise", {-1, -1, 0}, {2, -1, 0}, {-1, 2, 0}, 0.0, 0, {0, 0}},
        {"inside, clockwise", {-1, -1, 0}, {-1, 2, 0}, {2, -1, 0}, 0.0, 0, {0, 0}},
        {"on an edge", {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0.0, 0, {0, 0}},
        {"on a corner", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0.0, 0, {0, 0}},
        {"outside", {1, 1, 0}, {2, 1, 0}, {1, 2, 0}, 0.0, 1, {0, 0}},
        {"0.5 away, aperture 0.6", {0.5, -1, 0}, {3, -1, 0}, {0.5, 1, 0}, 0.6, 0, {0.5, 0}},
        {"0.5 away, aperture 0.4", {0.5, -1, 0}, {3, -1, 0}, {0.5, 1, 0}, 0.4, 1, {0, 0}},
        {"degenerate, through the aperture", {-1, 0.1, 0}, {0, 0.1, 0}, {1, 0.1, 0}, 0.2, 0, {0, 0.1}},
        {"degenerate without aperture", {-1, 0, 0}, {0, 0, 0}, {1, 0, 0}, 0.0, 1, {0, 0}},
    };
    for (const Row& row : rows) {
        double w[3] = {-7, -7, -7};
        ASSERT_EQ(TRI2_ChkOriInTri2DEx(row.a, row.b, row.c, row.aperture, w), row.result) << row.label;
        if (row.result != 0) {
            EXPECT_EQ(w[0], -7) << row.label << ": weights untouched";
            continue;
        }
        EXPECT_NEAR(w[0] + w[1] + w[2], 1.0, 1e-12) << row.label;
        for (int i = 0; i < 2; ++i)
            EXPECT_NEAR(w[0] * row.a[i] + w[1] * row.b[i] + w[2] * row.c[i], row.rebuilt[i], 1e-12) << row.label;
    }
}

TEST(Triangle2D, SmallFloatHelpers)
{
    const double o[3] = {0, 0, 1}, n[3] = {0, 0, 4}, p[3] = {5, 7, 3}, q[3] = {5, 7, -2}, zero[3] = {0, 0, 0};
    EXPECT_DOUBLE_EQ(PLN_DistPntPlnSide(p, o, n), 2.0) << "normal length does not matter";
    EXPECT_DOUBLE_EQ(PLN_DistPntPlnSide(q, o, n), -3.0);
    EXPECT_EQ(PLN_DistPntPlnSide(p, o, zero), 0.0);
    EXPECT_EQ(QVN_Math::Clamp01(-0.5f), 0.0f);
    EXPECT_EQ(QVN_Math::Clamp01(0.25f), 0.25f);
    EXPECT_EQ(QVN_Math::Clamp01(7.0f), 1.0f);
    EXPECT_EQ(QVN_Math::Clamp01(std::nanf("")), 0.0f);
    EXPECT_FLOAT_EQ(CPoint3f(1, 2, 3).DistFrom2(CPoint3f(4, 6, 3)), 25.0f);
    EXPECT_FLOAT_EQ(CPoint3f(1, 2, 3).DistFrom(CPoint3f(4, 6, 3)), 5.0f);
    EXPECT_FLOAT_EQ(CVector3f(1, 2, 3) | CVector3f(4, -5, 6), 12.0f);
    EXPECT_NEAR(_AngleBetween(CVector3f(1, 0, 0), CVector3f(0, 3, 0)), 1.5707963267948966, 1e-15);
    EXPECT_NEAR(_AngleBetween(CVector3f(1, 1, 0), CVector3f(-2, -2, 0)), 3.141592653589793, 1e-6);
    EXPECT_EQ(_AngleBetween(CVector3f(0, 0, 0), CVector3f(1, 0, 0)), 0.0);
}

}  // namespace
