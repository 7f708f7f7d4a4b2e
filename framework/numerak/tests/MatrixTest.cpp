#include "framework/numerak/Matrix33.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "framework/numerak/Point2D.h"

namespace {

using Mat = double[3][3];

void Set(Mat m, double a, double b, double c, double d, double tx, double ty)
{
    m[0][0] = a;
    m[0][1] = b;
    m[0][2] = 0;
    m[1][0] = c;
    m[1][1] = d;
    m[1][2] = 0;
    m[2][0] = tx;
    m[2][1] = ty;
    m[2][2] = 1;
}

TEST(Matrix33, RotationMatchesPointRotation)
{
    const double c[2] = {2, -1};
    Mat m;
    MAT33_GenRotZ1(c, 0.8, m);
    const double pts[][2] = {{5, 3}, {-4, 0}, {2, -1}};
    for (const auto& p : pts) {
        double a[2], b[2];
        MAT33_MultPt(p, a, m);
        P2D_Rot(c, 0.8, p, b);
        EXPECT_NEAR(a[0], b[0], 1e-12) << p[0];
        EXPECT_NEAR(a[1], b[1], 1e-12) << p[0];
    }
    // Translation lives in the third row (row vectors).
    Mat t;
    Set(t, 1, 0, 0, 1, 3, 4);
    double q[2] = {1, 1};
    MAT33_MultPt(q, q, t);
    EXPECT_EQ(q[0], 4);
    EXPECT_EQ(q[1], 5);
}

TEST(Matrix33, KindTests)
{
    const double s = std::sin(0.5), co = std::cos(0.5);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* label;
        double a, b, c, d, tx, ty;
        int unit, trans, rot, eqScale;
    } rows[] = {
        {"unit", 1, 0, 0, 1, 0, 0, 1, 1, 1, 1},
        {"translation", 1, 0, 0, 1, 3, -2, 0, 1, 1, 1},
        {"rotation", co, s, -s, co, 1, 1, 0, 0, 1, 1},
        {"uniform scale", 2, 0, 0, 2, 0, 0, 0, 0, 0, 1},
        {"scaled rotation", 2 * co, 2 * s, -2 * s, 2 * co, 0, 0, 0, 0, 0, 1},
        {"non-uniform scale", 2, 0, 0, 3, 0, 0, 0, 0, 0, 0},
        {"mirror in x", -1, 0, 0, 1, 0, 0, 0, 0, 0, 0},
        {"shear", 1, 0, 0.5, 1, 0, 0, 0, 0, 0, 0},
        {"collapse", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {"NaN", nan, 0, 0, 1, 0, 0, 0, 0, 0, 0},
    };
    for (const Row& r : rows) {
        Mat m;
        Set(m, r.a, r.b, r.c, r.d, r.tx, r.ty);
        EXPECT_EQ(MAT33_IsUnit(m), r.unit) << r.label;
        EXPECT_EQ(MAT33_IsTrans(m), r.trans) << r.label;
        EXPECT_EQ(MAT33_IsRotate(m), r.rot) << r.label;
        EXPECT_EQ(MAT33_IsEqScale(m), r.eqScale) << r.label;
    }
    Mat u;
    MAT33_Unit(u);
    EXPECT_EQ(MAT33_IsUnit(u), 1);
    Mat g;
    MAT33_GenRotZ1(1.3, g);
    EXPECT_EQ(MAT33_IsRotate(g), 1);
    Mat proj;
    Set(proj, 1, 0, 0, 1, 0, 0);
    proj[0][2] = 0.1;
    EXPECT_EQ(MAT33_IsUnit(proj), 0) << "projective column";
}

TEST(Frame, WorldAndLocalRoundTrip)
{
    _rect_fm3d w;
    RF_Init(&w);
    const double p[3] = {1, 2, 3};
    double q[3];
    RF_TransWorldP3D(&w, p, q);
    EXPECT_EQ(q[2], 3);

    // Ellipse-style frame: origin at a centre, x axis along a rotation angle.
    _rect_fm3d f;
    const double o[3] = {5, 1, 0}, x[3] = {std::cos(0.6), std::sin(0.6), 0}, y[3] = {-std::sin(0.6), std::cos(0.6), 0};
    ASSERT_EQ(RF_Init(&f, o, x, y), 1);
    const double along[3] = {5 + 2 * std::cos(0.6), 1 + 2 * std::sin(0.6), 0};
    RF_TransWorldP3D(&f, along, q);
    EXPECT_NEAR(q[0], 2, 1e-12);
    EXPECT_NEAR(q[1], 0, 1e-12);
    const double v[3] = {0, 1, 0};
    RF_TransWorldV3D(&f, v, q);
    EXPECT_NEAR(q[0], std::sin(0.6), 1e-12);
    EXPECT_NEAR(q[1], std::cos(0.6), 1e-12);
    double back[3];
    RF_TransWorldP3D(&f, p, q);
    RF_TransLocalP3D(&f, q, back);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(back[i], p[i], 1e-12) << i;

    const double zero[3] = {0, 0, 0};
    EXPECT_EQ(RF_Init(&f, o, zero, y), 0) << "zero x axis";
    EXPECT_EQ(RF_Init(&f, o, x, x), 0) << "parallel axes";
    EXPECT_EQ(f.X[0], 1) << "failure leaves the world frame";
}

}  // namespace
