#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "framework/numerak/Box2D.h"
#include "framework/numerak/QvnMath.h"
#include "framework/numerak/Timer.h"

namespace {

constexpr double kPi = 3.141592653589793;

TEST(QvnMath, ClampedArcCosine)
{
    EXPECT_EQ(QVN_Math::ACos(1.0000001), 0.0);
    EXPECT_DOUBLE_EQ(QVN_Math::ACos(-1.5), kPi);
    EXPECT_DOUBLE_EQ(QVN_Math::ACos(0.5), std::acos(0.5));
    EXPECT_EQ(QVN_Math::ACos(std::nan("")), 0.0);
}

TEST(QvnMath, IntervalTestsHaveOppositeSenses)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Val {
        const char* label;
        double lo, hi, tol, x;
        int expected;  // 0 = inside
    } vals[] = {
        {"inside", 0, 1, 0, 0.5, 0},        {"on the end", 0, 1, 0, 1, 0},
        {"just past", 0, 1, 1e-6, 1 + 2e-6, 1}, {"within tol", 0, 1, 1e-6, 1 + 5e-7, 0},
        {"reversed bounds", 1, 0, 0, 0.5, 0}, {"NaN", 0, 1, 1, nan, 1},
    };
    for (const Val& v : vals)
        EXPECT_EQ(QVN_Math::ChkValInt(v.lo, v.hi, v.tol, v.x), v.expected) << v.label;

    struct Pair {
        const char* label;
        double a0, a1, b0, b1, tol;
        int expected;  // 1 = overlap
    } pairs[] = {
        {"overlap", 0, 2, 1, 3, 0, 1},        {"touch", 0, 1, 1, 2, 0, 1},
        {"gap", 0, 1, 1.5, 2, 0.4, 0},        {"gap within tol", 0, 1, 1.5, 2, 0.5, 1},
        {"nested", 0, 10, 4, 5, 0, 1},        {"reversed", 2, 0, 3, 1, 0, 1},
        {"NaN", 0, 1, nan, 2, 1, 0},
    };
    for (const Pair& p : pairs)
        EXPECT_EQ(QVN_Math::ChkIntInt(p.a0, p.a1, p.b0, p.b1, p.tol), p.expected) << p.label;
}

TEST(Box2D, TolerantTestsIncludeTheGrownBorder)
{
    const BOX2<double> a(0, 0, 10, 0);  // flat box of a horizontal line
    const double onIt[2] = {5, 0}, above[2] = {5, 0.5};
    EXPECT_EQ(BOX2D_IsPtIn(&a, onIt, 0.0), 1);
    EXPECT_EQ(BOX2D_IsP2DIn(a, onIt, 0.0), 1);
    EXPECT_EQ(BOX2D_IsPtIn(&a, above, 0.4), 0);
    EXPECT_EQ(BOX2D_IsPtIn(&a, above, 0.5), 1);

    const BOX2<double> b(11, -1, 12, 1);
    EXPECT_EQ(BOX2D_IsInt(&a, &b, 0.5), 0);
    EXPECT_EQ(BOX2D_IsInt(&a, &b, 1.0), 1);
    BOX2<double> empty;
    empty.InitEmpty();
    EXPECT_EQ(BOX2D_IsInt(&a, &empty, 1e300), 0) << "empty box meets nothing";

    const BOX2<double> outer(0, 0, 10, 10), inner(0, 0, 10.001, 5);
    EXPECT_EQ(BOX2D_IsContain(&outer, &inner, 0.0), 0);
    EXPECT_EQ(BOX2D_IsContain(&outer, &inner, 0.001), 1);
    EXPECT_EQ(BOX2D_IsContain(outer, outer, 0.0), 1);

    BOX2<double> u;
    u.InitEmpty();
    BOX2D_Union(&u, &b);
    EXPECT_EQ(u.xmin, 11);
    EXPECT_EQ(u.ymax, 1);
    BOX2D_Union(&u, &outer, &u);
    EXPECT_EQ(u.xmin, 0);
    EXPECT_EQ(u.xmax, 12);
    const double p[2] = {-3, 20};
    BOX2D_Extend(&u, p);
    EXPECT_EQ(u.xmin, -3);
    EXPECT_EQ(u.ymax, 20);

    const double nanP[2] = {std::nan(""), 0};
    EXPECT_EQ(BOX2D_IsPtIn(&outer, nanP, 1.0), 0);
    EXPECT_EQ(BOX2D_IsPtIn(nullptr, onIt, 1.0), 0);
}

TEST(Timer, ElapsedTimeIsFrozenAfterStop)
{
    Timer t;
    EXPECT_EQ(t.getElapsedTimeInSec(), 0.0);
    t.start();
    t.stop();
    const double e = t.getElapsedTimeInSec();
    EXPECT_GE(e, 0.0);
    EXPECT_EQ(t.getElapsedTimeInSec(), e);
}

}  // namespace
