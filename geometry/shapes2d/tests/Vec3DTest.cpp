#include "geometry/shapes2d/Vec3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "geometry/shapes2d/PointTypes.h"
#include "geometry/shapes2d/Prim.h"

namespace {

void ExpectVec(const Vec3D& v, float x, float y, float z, const char* label, float tol = 1e-6f)
{
    EXPECT_NEAR(v.x, x, tol) << label;
    EXPECT_NEAR(v.y, y, tol) << label;
    EXPECT_NEAR(v.z, z, tol) << label;
}

TEST(Vec3D, NormalizeAndLength)
{
    Vec3D z(0, 0, 0);
    EXPECT_EQ(z.normalize(), 0.0f);
    ExpectVec(z, 0, 0, 0, "zero stays zero", 0.0f);

    Vec3D v(3, 0, 4);
    EXPECT_FLOAT_EQ(v.getSquaredLength(), 25.0f);
    EXPECT_FLOAT_EQ(v.normalize(), 5.0f);
    ExpectVec(v, 0.6f, 0.0f, 0.8f, "3-0-4");
}

TEST(Vec3D, TwoOrthogonalsExamplesAndProperty)
{
    Vec3D u, v;
    Vec3D(1, 0, 0).getTwoOrthogonals(u, v);
    ExpectVec(u, 0, 1, 0, "x axis u", 0.0f);
    ExpectVec(v, 0, 0, 1, "x axis v", 0.0f);
    Vec3D(0, 0, 1).getTwoOrthogonals(u, v);
    ExpectVec(u, 1, 0, 0, "z axis u", 0.0f);
    ExpectVec(v, 0, 1, 0, "z axis v", 0.0f);

    std::mt19937 rng(7);
    std::uniform_real_distribution<float> d(-5.0f, 5.0f);
    for (int i = 0; i < 500; ++i) {
        Vec3D a(d(rng), d(rng), d(rng));
        if (i % 50 == 0)
            a = Vec3D(0, d(rng), 0);  // ties between zero components
        if (a.getLength() < 1e-3f)
            continue;
        Vec3D nu, nv;
        a.getTwoNormalizedOrthogonals(nu, nv);
        EXPECT_NEAR(nu.getLength(), 1.0f, 1e-5f) << i;
        EXPECT_NEAR(nv.getLength(), 1.0f, 1e-5f) << i;
        float la = a.getLength();
        EXPECT_NEAR(Vec3D::dotProduct(nu, a) / la, 0.0f, 1e-5f) << i;
        EXPECT_NEAR(Vec3D::dotProduct(nv, a) / la, 0.0f, 1e-5f) << i;
        EXPECT_NEAR(Vec3D::dotProduct(nu, nv), 0.0f, 1e-5f) << i;
    }
}

TEST(Vec3D, PolarRoundTripAndOrigin)
{
    Vec3D o = Vec3D::cartesianToPolar(Vec3D(0, 0, 0));
    ExpectVec(o, 0.0f, 1.5707964f, -1.5707964f, "origin", 0.0f);

    const Vec3D rows[] = {Vec3D(1, 2, 3),   Vec3D(-1, 2, 3),  Vec3D(-1, -2, -3), Vec3D(1, -2, -0.5f),
                          Vec3D(0, 2, 1),   Vec3D(0, -2, -1), Vec3D(2, 1, 0),    Vec3D(-3, 0, 0)};
    for (const Vec3D& v : rows) {
        Vec3D p = Vec3D::cartesianToPolar(v);
        EXPECT_GE(p.y, 0.0f);
        EXPECT_LE(p.y, 3.1415927f);
        Vec3D back = Vec3D::polarToCartesian(p);
        EXPECT_NEAR(back.x, v.x, 1e-5f) << v.x << "," << v.y << "," << v.z;
        EXPECT_NEAR(back.y, v.y, 1e-5f) << v.x << "," << v.y << "," << v.z;
        EXPECT_NEAR(back.z, v.z, 1e-5f) << v.x << "," << v.y << "," << v.z;
    }
}

TEST(Vec3D, ComponentwiseOrderingIsNotATotalOrder)
{
    const Vec3D a(1, 2, 3), b(2, 1, 4), c(2, 3, 4);
    EXPECT_FALSE(a < b);
    EXPECT_FALSE(a >= b);  // neither holds: >= is not the negation of <
    EXPECT_TRUE(a < c);
    EXPECT_TRUE(c >= a);
    EXPECT_TRUE(a >= a);
    EXPECT_FALSE(a < a);
    EXPECT_TRUE(a != b);
    EXPECT_TRUE(a == Vec3D(1, 2, 3));
}

TEST(Vec3D, ArithmeticAndProjections)
{
    Vec3D v(1, 2, 3);
    v[1] = 5;
    EXPECT_EQ(v.source()[1], 5.0f);
    ExpectVec(-v, -1, -5, -3, "negation", 0.0f);
    ExpectVec(v * Vec3D(2, 2, 2) - Vec3D(1, 1, 1), 1, 9, 5, "mul-sub", 0.0f);
    ExpectVec(Vec3D::crossProduct(Vec3D(1, 0, 0), Vec3D(0, 1, 0)), 0, 0, 1, "cross");
    EXPECT_FLOAT_EQ(Vec3D::distance(Vec3D(1, 1, 1), Vec3D(4, 5, 1)), 5.0f);
    Vec3D f;
    f.fromTo(Vec3D(1, 1, 1), Vec3D(4, 5, 1));
    ExpectVec(f, 3, 4, 0, "fromTo", 0.0f);

    const Vec3D n(0, 0, 1), o(0, 0, 2), p(3, -1, 7);
    ExpectVec(Vec3D::projectPointOntoPlane(p, o, n), 3, -1, 2, "foot on plane");
    ExpectVec(Vec3D::projectVectorIntoPlane(p, n), 3, -1, 0, "vector in plane");
    ExpectVec(Vec3D::projectOntoVector(p, n), 0, 0, 7, "onto normal");
}

TEST(CHPoint3d, OperationsIncludeW)
{
    CHPoint3d a(1, 2, 3, 4), b(2.0);
    a += b;
    a *= 2.0;
    a -= CHPoint3d(1, 1, 1, 1);
    a /= 2.0;
    EXPECT_DOUBLE_EQ(a.x, 2.5);
    EXPECT_DOUBLE_EQ(a.w, 5.5);
    EXPECT_DOUBLE_EQ(CHPoint3d().w, 0.0);
}

TEST(Prim, RecordsHoldWhatTheyAreGiven)
{
    CPrimRay ray(CPoint3f(1, 2, 3), CVector3f(0, 0, 1), true);
    EXPECT_TRUE(ray.isLine());
    ray.origin(CPoint3f(4, 5, 6));
    EXPECT_EQ(ray.origin(), CPoint3f(4, 5, 6));
    EXPECT_EQ(ray.direction(), CVector3f(0, 0, 1));
    EXPECT_FALSE(CPrimRay().isLine());

    CPoint3f v[4];
    CPrimTri tri(&v[0], &v[1], &v[2]);
    EXPECT_EQ(tri.vertex3(), &v[2]);
    CPrimQuad quad(&v[0], &v[1], &v[2], &v[3]);
    EXPECT_EQ(quad.vertex4(), &v[3]);
}

}  // namespace
