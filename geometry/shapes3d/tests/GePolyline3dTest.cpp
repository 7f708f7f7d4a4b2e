#include "geometry/shapes3d/GePolyline3d.h"
#include "framework/numerak/Point3D.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(GePolyline3dTest, CreateRefusesNullPointsAndFewerThanTwo)
{
    double pts[3][3] = {{0, 0, 0}, {1, 2, 3}, {4, 0, -1}};
    double other[3][3] = {{9, 9, 9}, {8, 8, 8}, {7, 7, 7}};
    struct Row {
        const char* label;
        double (*pts)[3];
        int n;
    };
    const Row rows[] = {{"null points", nullptr, 3}, {"n = 1", other, 1}, {"n = 0", other, 0}, {"n = -2", other, -2}};
    for (const auto& row : rows) {
        CGePolyline3d pl;
        ASSERT_EQ(pl.Create(3, pts), 1);
        const BOX3<double> box = pl.m_box;
        EXPECT_EQ(pl.Create(row.n, row.pts), 0) << row.label;
        ASSERT_EQ(pl.GetCount(), 3) << row.label;
        for (int i = 0; i < 3; ++i) EXPECT_EQ(P3D_Dist(pl.GetCtrlPt()[i], pts[i]), 0.0) << row.label;
        EXPECT_EQ(pl.m_box.xmax, box.xmax) << row.label;
        EXPECT_EQ(pl.m_box.zmin, box.zmin) << row.label;
    }
    CGePolyline3d empty;
    double (*null2)[2] = nullptr;
    EXPECT_EQ(empty.Create(2, null2), 0);
    EXPECT_EQ(empty.GetCount(), 0);
    EXPECT_EQ(empty.m_strDisp.m_pPoints, nullptr);
}

TEST(GePolyline3dTest, CreateCopiesThePointsAndComputesTheBox)
{
    double pts[3][3] = {{0, 0, 0}, {1, 2, 3}, {4, 0, -1}};
    CGePolyline3d pl;
    ASSERT_EQ(pl.Create(3, pts), 1);
    pts[1][0] = 100;  // the polyline holds its own copy
    EXPECT_EQ(pl.GetCtrlPt()[1][0], 1.0);
    EXPECT_EQ(pl.m_box.xmax, 4.0);
    EXPECT_EQ(pl.m_box.ymax, 2.0);
    EXPECT_EQ(pl.m_box.zmin, -1.0);
    EXPECT_NEAR(pl.EvTotalArcLength(), std::sqrt(14.0) + std::sqrt(3.0 * 3 + 2 * 2 + 4 * 4), 1e-12);

    // Its own vertices as the source.
    ASSERT_EQ(pl.Create(2, pl.GetCtrlPt() + 1), 1);
    EXPECT_EQ(pl.GetCount(), 2);
    EXPECT_EQ(pl.GetCtrlPt()[0][1], 2.0);

    double flat[2][2] = {{1, 1}, {2, 3}};
    ASSERT_EQ(pl.Create(2, flat), 1);
    EXPECT_EQ(pl.GetCtrlPt()[1][2], 0.0);
    EXPECT_EQ(pl.m_box.ymax, 3.0);
}

TEST(GePolyline3dTest, CopyCarriesTheClosedFlagAndTakesANewHandle)
{
    double pts[3][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    CGePolyline3d pl;
    pl.Create(3, pts);
    pl.m_bClosed = 1;
    pl.m_nFlags = 9;
    std::unique_ptr<CGePolyline3d> copy(static_cast<CGePolyline3d*>(pl.Copy()));
    EXPECT_EQ(copy->GetCount(), 3);
    EXPECT_EQ(copy->m_bClosed, 1);
    EXPECT_EQ(copy->m_nFlags, 9);
    EXPECT_NE(copy->GetHandle(), pl.GetHandle());
    EXPECT_NE(copy->GetCtrlPt(), pl.GetCtrlPt());
}

TEST(GePolyline3dTest, EvParamSnapsToVertexEndsAndWrapsClosedPolylines)
{
    double pts[4][3] = {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {0, 3, 0}};
    CGePolyline3d open;
    open.Create(4, pts);
    struct Row {
        double len;
        double t;
        unsigned int seg;
    };
    for (const Row row : {Row{3.95, 1.0, 1}, Row{4.05, 1.0, 1}, Row{2.0, 0.5, 1}, Row{5.5, 0.5, 2}, Row{50, 1.0, 3}}) {
        double t = -1;
        unsigned int seg = 0;
        open.EvParam(row.len, t, seg, 0);
        EXPECT_DOUBLE_EQ(t, row.t) << "length " << row.len;
        EXPECT_EQ(seg, row.seg) << "length " << row.len;
    }
    double sq[5][3] = {{0, 0, 0}, {2.5, 0, 0}, {2.5, 2.5, 0}, {0, 2.5, 0}, {0, 0, 0}};
    CGePolyline3d closed;
    closed.Create(5, sq);
    double t = -1;
    unsigned int seg = 0;
    closed.EvParam(26.25, t, seg, 0);  // taken as 6.25
    EXPECT_DOUBLE_EQ(t, 0.5);
    EXPECT_EQ(seg, 3u);
}

TEST(GePolyline3dTest, SplitCutsTheSegmentAndKeepsTheRest)
{
    double pts[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 1, 0}};
    CGePolyline3d pl;
    pl.Create(4, pts);
    CGeCurve3d* out[2] = {nullptr, nullptr};
    pl.Split(0.5, out, 2);
    std::unique_ptr<CGeCurve3d> a(out[0]), b(out[1]);
    ASSERT_TRUE(a && b);
    auto* pa = static_cast<CGePolyline3d*>(a.get());
    auto* pb = static_cast<CGePolyline3d*>(b.get());
    ASSERT_EQ(pa->GetCount(), 3);
    ASSERT_EQ(pb->GetCount(), 3);
    EXPECT_DOUBLE_EQ(pa->GetCtrlPt()[2][1], 0.5);
    EXPECT_DOUBLE_EQ(pb->GetCtrlPt()[0][1], 0.5);
    EXPECT_DOUBLE_EQ(pb->GetCtrlPt()[2][0], 2.0);

    CGeCurve3d* whole[2] = {nullptr, nullptr};
    pl.Split(0.00005, whole, 1);
    EXPECT_EQ(whole[0], nullptr);
    ASSERT_NE(whole[1], nullptr);
    delete whole[1];

    CGeCurve3d* untouched[2] = {nullptr, nullptr};
    pl.Split(0.5, untouched, 4);
    pl.Split(1.5, untouched, 1);
    EXPECT_EQ(untouched[0], nullptr);
    EXPECT_EQ(untouched[1], nullptr);
}

}  // namespace
