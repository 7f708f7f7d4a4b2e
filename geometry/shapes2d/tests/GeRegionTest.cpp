// Regions: construction from boxes, area, the point test with holes, several
// outer loops and islands, copies and transforms.
#include "framework/numerak/Matrix33.h"
#include "geometry/shapes2d/GeRegion.h"
#include "geometry/shapes2d/tests/LoopTestUtil.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace looptest;

// Adds a loop with its area computed (outer counter-clockwise, hole clockwise).
void AddLoop(CGeRegion& region, CGeLoop* loop)
{
    loop->EvArea(0.01);
    region.GetLoopList().AddTail(loop);
}

TEST(GeRegionTest, BoxConstructorMakesOneCounterClockwiseRectangle)
{
    CGeRegion region(BOX2<double>(0, 0, 2, 1));
    ASSERT_EQ(region.GetLoopList().GetCount(), 1);
    CGeLoop* loop = region.GetLoopList().GetHead();
    ASSERT_EQ(loop->GetSegmentCount(), 1);
    CGeCurve* poly = loop->GetSubCurve(1);
    ASSERT_EQ(poly->GetType(), 0x40);
    ASSERT_EQ(poly->GetSWPointCount(), 5);
    EXPECT_EQ(poly->GetClosedFlag(), 1);
    EXPECT_EQ(poly->GetSWPoint()[0][0], 0.0);
    EXPECT_EQ(poly->GetSWPoint()[1][0], 2.0);
    EXPECT_EQ(poly->GetSWPoint()[2][1], 1.0);
    EXPECT_EQ(loop->m_nFlags, 8);
    EXPECT_DOUBLE_EQ(region.EvArea(0.01), 2.0);
    double in[2] = {1.5, 0.5}, out[2] = {2.005, 0.5};
    EXPECT_EQ(region.IsPtInRegion(in, 0.001), 0);
    EXPECT_EQ(region.IsPtInRegion(out, 0.01), 2);
    EXPECT_EQ(region.IsPtInRegion(out, 0.001), 1);

    BOX3<double> b3;
    b3.xmin = -1, b3.ymin = -2, b3.zmin = 0, b3.xmax = 3, b3.ymax = 4, b3.zmax = 5;
    CGeRegion region3(b3);
    EXPECT_DOUBLE_EQ(region3.EvArea(0.01), 24.0);
}

TEST(GeRegionTest, SquareWithHoleHasArea96AndClassifiesPoints)
{
    CGeRegion region;
    AddLoop(region, Square(0, 0, 10));
    AddLoop(region, Square(4, 4, 2, false));
    EXPECT_DOUBLE_EQ(region.EvArea(0.01), 96.0);
    struct Row {
        const char* label;
        double p[2];
        int answer;
    };
    const Row rows[] = {
        {"in the hole", {5, 5}, 1},        {"between outer and hole", {2, 2}, 0},
        {"on the hole's edge", {4, 5}, 2}, {"on the outer edge", {10, 3}, 2},
        {"outside the box", {20, 3}, 1},
    };
    for (const Row& row : rows) {
        double p[2] = {row.p[0], row.p[1]};
        EXPECT_EQ(region.IsPtInRegion(p, 0.01), row.answer) << row.label;
    }
}

TEST(GeRegionTest, SeveralOuterLoopsAndIslandsDecideTogether)
{
    // Two outer squares side by side; the right one has a hole with an island.
    CGeRegion region;
    AddLoop(region, Square(0, 0, 4));
    AddLoop(region, Square(10, 0, 10));
    AddLoop(region, Square(12, 2, 6, false));
    AddLoop(region, Square(14, 4, 2));
    EXPECT_DOUBLE_EQ(region.EvArea(0.01), 16.0 + 100.0 - 36.0 + 4.0);
    struct Row {
        const char* label;
        double p[2];
        int answer;
    };
    const Row rows[] = {
        {"in the first outer", {1, 1}, 0},
        {"in the second outer", {11, 1}, 0},
        {"between the outers", {7, 1}, 1},
        {"in the hole", {13, 3}, 1},
        {"on the island", {15, 5}, 0},
    };
    for (const Row& row : rows) {
        double p[2] = {row.p[0], row.p[1]};
        EXPECT_EQ(region.IsPtInRegion(p, 0.01), row.answer) << row.label;
    }
}

TEST(GeRegionTest, EmptyRegionAndOpenLoops)
{
    CGeRegion empty;
    double p[2] = {0, 0};
    EXPECT_EQ(empty.IsPtInRegion(p, 0.01), 1) << "no loops: outside";
    EXPECT_EQ(empty.EvArea(0.01), 0.0);
    EXPECT_EQ(empty.Copy(), nullptr);

    CGeRegion region;
    AddLoop(region, Square(0, 0, 2));
    auto* open = new CGeLoop;
    open->AddTail(Line({5, 5}, {6, 5}), 1);
    AddLoop(region, open);
    EXPECT_DOUBLE_EQ(region.EvArea(0.01), 4.0) << "an open loop adds nothing";
    double q[2] = {1, 1};
    EXPECT_EQ(region.IsPtInRegion(q, 0.01), 0);
}

TEST(GeRegionTest, CopyAndTransforms)
{
    CGeRegion region;
    AddLoop(region, Square(0, 0, 10));
    AddLoop(region, Square(4, 4, 2, false));
    std::unique_ptr<CGeCurve> copy(region.Copy());
    auto* c = dynamic_cast<CGeRegion*>(copy.get());
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->GetLoopList().GetCount(), 2);
    EXPECT_NE(c->GetLoopList().GetHead(), region.GetLoopList().GetHead());
    EXPECT_DOUBLE_EQ(c->EvArea(0.01), 96.0);

    BOX2<double> before, after;
    region.GetBox2d(&before);
    double tiny[2] = {0, 0.00005};
    region.Translate(tiny);
    region.GetBox2d(&after);
    EXPECT_EQ(after.ymin, before.ymin) << "below the threshold";

    double v[2] = {100, 0};
    region.Translate(v);
    region.GetBox2d(&after);
    EXPECT_DOUBLE_EQ(after.xmin, 100.0);
    double hole[2] = {105, 5}, ring[2] = {101, 1};
    EXPECT_EQ(region.IsPtInRegion(hole, 0.01), 1);
    EXPECT_EQ(region.IsPtInRegion(ring, 0.01), 0);

    double unit[3][3];
    MAT33_Unit(unit);
    EXPECT_EQ(region.Transform(unit, 0), &region);
    double centre[2] = {100, 0};
    region.Rotate(centre, 3.14159265358979323846 / 2);
    region.GetBox2d(&after);
    EXPECT_NEAR(after.xmin, 90.0, 1e-9);
    EXPECT_NEAR(after.ymax, 10.0, 1e-9);
    double f[2] = {2, 2};
    EXPECT_EQ(region.Scale(centre, f), &region);
    region.GetBox2d(&after);
    EXPECT_NEAR(after.xmin, 80.0, 1e-9);
}

}  // namespace
