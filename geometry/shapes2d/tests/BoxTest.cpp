#include "geometry/shapes2d/Box.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

template <typename T>
class Box2Typed : public ::testing::Test {};
using Box2Types = ::testing::Types<double, float, int, short>;
TYPED_TEST_SUITE(Box2Typed, Box2Types);

TYPED_TEST(Box2Typed, EmptySentinelsAndFirstExtend)
{
    using T = TypeParam;
    const T big = std::numeric_limits<T>::max();
    BOX2<T> b;
    b.InitEmpty();
    EXPECT_EQ(b.xmin, big);
    EXPECT_EQ(b.ymin, big);
    EXPECT_EQ(b.xmax, T(-big));
    EXPECT_EQ(b.ymax, T(-big));
    EXPECT_FALSE(b.IsValid());

    const T p[2] = {T(3), T(-7)};
    b.Extend(p);
    EXPECT_TRUE(b.IsValid());
    EXPECT_EQ(b.xmin, T(3));
    EXPECT_EQ(b.xmax, T(3));
    EXPECT_EQ(b.ymin, T(-7));
    EXPECT_EQ(b.ymax, T(-7));
}

TYPED_TEST(Box2Typed, UnionWithEmptyGivesTheOtherBox)
{
    using T = TypeParam;
    BOX2<T> e, r;
    e.InitEmpty();
    const BOX2<T> v(T(-2), T(1), T(5), T(9));
    r.Union(e, v);
    EXPECT_EQ(r.xmin, v.xmin);
    EXPECT_EQ(r.ymin, v.ymin);
    EXPECT_EQ(r.xmax, v.xmax);
    EXPECT_EQ(r.ymax, v.ymax);
    e.Union(v);
    EXPECT_EQ(e.xmin, v.xmin);
    EXPECT_EQ(e.ymax, v.ymax);
}

TYPED_TEST(Box2Typed, BorderPointsAndStrictness)
{
    using T = TypeParam;
    const BOX2<T> b(T(0), T(0), T(10), T(4));
    // On the border: outside with tolerance 0, inside with a positive one.
    EXPECT_FALSE(b.IsPtIn(T(10), T(2), T(0)));
    EXPECT_FALSE(b.IsPtIn(T(5), T(0), T(0)));
    EXPECT_TRUE(b.IsPtIn(T(10), T(2), T(1)));
    const double onBorder[2] = {0.0, 2.0};
    EXPECT_FALSE(b.IsP2DIn(onBorder, 0.0));
    EXPECT_TRUE(b.IsP2DIn(onBorder, 1e-9));
    const double inside[2] = {5.0, 2.0};
    EXPECT_TRUE(b.IsP2DIn(inside, 0.0));

    EXPECT_TRUE(b.IsContain(b));
    EXPECT_FALSE(b.IsContain(b, T(0)));
    const BOX2<T> inner(T(1), T(1), T(9), T(3));
    EXPECT_TRUE(b.IsContain(inner, T(0)));
    EXPECT_FALSE(inner.IsContain(b));
}

TYPED_TEST(Box2Typed, TouchingBoxesIntersect)
{
    using T = TypeParam;
    const BOX2<T> a(T(0), T(0), T(2), T(2));
    const BOX2<T> edge(T(2), T(0), T(4), T(2));
    const BOX2<T> corner(T(2), T(2), T(3), T(3));
    const BOX2<T> apart(T(3), T(0), T(4), T(2));
    EXPECT_TRUE(a.IsIntersect(edge));
    EXPECT_TRUE(a.IsIntersect(edge, 0.0));
    EXPECT_TRUE(a.IsIntersect(corner));
    EXPECT_FALSE(a.IsIntersect(apart));
    EXPECT_FALSE(a.IsIntersect(apart, 0.9));
    EXPECT_TRUE(a.IsIntersect(apart, 1.0));
}

TEST(Box2, EmptySentinelsOfIntegerTypes)
{
    BOX2<short> s;
    s.InitEmpty();
    EXPECT_EQ(s.xmin, 32767);
    EXPECT_EQ(s.ymin, 32767);
    EXPECT_EQ(s.xmax, -32767);
    EXPECT_EQ(s.ymax, -32767);
    BOX2<int> i;
    i.InitEmpty();
    EXPECT_EQ(i.xmin, 2147483647);
    EXPECT_EQ(i.xmax, -2147483647);
}

TEST(Box2, CenterTruncatesTowardsZeroForIntegers)
{
    struct Row {
        const char* label;
        int x0, y0, x1, y1, cx, cy;
    } rows[] = {
        {"negative odd", -3, -3, 0, 0, -1, -1},
        {"positive odd", 0, 0, 3, 5, 1, 2},
        {"mixed", -4, -1, 1, 2, -1, 0},
    };
    for (const Row& r : rows) {
        int c[2];
        BOX2<int>(r.x0, r.y0, r.x1, r.y1).GetCenter(c);
        EXPECT_EQ(c[0], r.cx) << r.label;
        EXPECT_EQ(c[1], r.cy) << r.label;
        short cs[2];
        BOX2<short>(short(r.x0), short(r.y0), short(r.x1), short(r.y1)).GetCenter(cs);
        EXPECT_EQ(cs[0], r.cx) << r.label;
        EXPECT_EQ(cs[1], r.cy) << r.label;
    }
    // Extreme values must not overflow.
    int c[2];
    BOX2<int>(2147483000, 0, 2147483647, 0).GetCenter(c);
    EXPECT_EQ(c[0], 2147483323);
    double cd[2];
    BOX2<double>(-3, -3, 0, 0).GetCenter(cd);
    EXPECT_DOUBLE_EQ(cd[0], -1.5);
}

TEST(Box2, ConstructorKeepsOrderAndSizesAreAbsolute)
{
    const BOX2<double> b(5, 2, 1, 0);  // not sorted
    EXPECT_EQ(b.xmin, 5);
    EXPECT_EQ(b.xmax, 1);
    EXPECT_FALSE(b.IsValid());
    EXPECT_DOUBLE_EQ(b.Dx(), 4);
    EXPECT_DOUBLE_EQ(b.Dy(), 2);

    BOX2<double> s;
    const double p[2] = {4, -1}, q[2] = {1, 3};
    s.Init(p, q);
    EXPECT_EQ(s.xmin, 1);
    EXPECT_EQ(s.ymin, -1);
    EXPECT_EQ(s.xmax, 4);
    EXPECT_EQ(s.ymax, 3);
    s.Inflate(1);
    s.Move(10, 20);
    EXPECT_EQ(s.xmin, 10);
    EXPECT_EQ(s.ymin, 18);
    EXPECT_EQ(s.xmax, 15);
    EXPECT_EQ(s.ymax, 24);
}

TEST(Box2, TolerantTestsCompareInDoubleForIntegers)
{
    const BOX2<int> a(0, 0, 2, 2), b(3, 0, 5, 2);
    EXPECT_FALSE(a.IsIntersect(b, 0.5));
    EXPECT_TRUE(a.IsIntersect(b, 1.0));
    const double p[2] = {2.5, 1.0};
    EXPECT_FALSE(a.IsP2DIn(p, 0.4));
    EXPECT_TRUE(a.IsP2DIn(p, 0.6));
}

template <typename T>
class Box3Typed : public ::testing::Test {};
using Box3Types = ::testing::Types<double, float>;
TYPED_TEST_SUITE(Box3Typed, Box3Types);

TYPED_TEST(Box3Typed, EmptyExtendUnionAndPointTests)
{
    using T = TypeParam;
    const T big = std::numeric_limits<T>::max();
    BOX3<T> b;
    b.InitEmpty();
    EXPECT_EQ(b.zmin, big);
    EXPECT_EQ(b.zmax, -big);
    EXPECT_FALSE(b.IsValid());
    const T p[3] = {T(1), T(2), T(3)};
    b.Extend(p);
    EXPECT_TRUE(b.IsValid());
    EXPECT_EQ(b.xmin, T(1));
    EXPECT_EQ(b.zmax, T(3));

    BOX3<T> box;
    const T lo[3] = {T(0), T(0), T(0)}, hi[3] = {T(2), T(4), T(6)};
    box.Init(hi, lo);
    EXPECT_EQ(box.Dz(), T(6));
    T c[3];
    box.GetCenter(c);
    EXPECT_EQ(c[2], T(3));

    const double onFace[3] = {1.0, 2.0, 6.0};
    EXPECT_FALSE(box.IsP3DIn(onFace, 0.0));
    EXPECT_TRUE(box.IsP3DIn(onFace, 1e-6));
    EXPECT_TRUE(box.IsP2DIn(onFace, 0.0));  // z is not looked at

    BOX3<T> e;
    e.InitEmpty();
    e.Union(box);
    EXPECT_EQ(e.xmin, box.xmin);
    EXPECT_EQ(e.zmax, box.zmax);
}

TYPED_TEST(Box3Typed, PairwiseAxisTests)
{
    using T = TypeParam;
    BOX3<T> a, b;
    const T a0[3] = {T(0), T(0), T(0)}, a1[3] = {T(1), T(1), T(1)};
    // b overlaps a in x and y but lies 2 above it in z.
    const T b0[3] = {T(0.5), T(0.5), T(3)}, b1[3] = {T(2), T(2), T(4)};
    a.Init(a0, a1);
    b.Init(b0, b1);
    EXPECT_TRUE(a.IsIntXY(b, 0.0f));
    EXPECT_FALSE(a.IsIntXZ(b, 1.0));
    EXPECT_TRUE(a.IsIntXZ(b, 2.0));
    EXPECT_EQ(a.IsIntYZ(b, 1.0), 0);
    EXPECT_EQ(a.IsIntYZ(b, 2.5), 1);
    EXPECT_FALSE(a.IsIntersect(b, 1.0));
    EXPECT_TRUE(a.IsIntersect(b, 2.0));
}

}  // namespace
