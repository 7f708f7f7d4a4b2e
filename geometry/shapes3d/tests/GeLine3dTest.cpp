#include "geometry/shapes3d/GeLine3d.h"
#include "framework/numerak/Point3D.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(GeLine3dTest, ConstructionDiscretisesAndComputesTheBox)
{
    double s[3] = {1, 5, -2}, e[3] = {4, 1, 3};
    CGeLine3d line(s, e);
    ASSERT_EQ(line.m_strDisp.m_nCount, 2);
    EXPECT_EQ(line.m_strDisp.m_pParams[1], 1.0);
    EXPECT_EQ(line.m_box.xmin, 1.0);
    EXPECT_EQ(line.m_box.ymin, 1.0);
    EXPECT_EQ(line.m_box.zmax, 3.0);
    EXPECT_DOUBLE_EQ(line.EvTotalArcLength(), std::sqrt(9.0 + 16 + 25));
    EXPECT_EQ(line.IsClosed(100), 0);
}

TEST(GeLine3dTest, SplitNearTheEndsGivesTheWholeLine)
{
    double s[3] = {0, 0, 0}, e[3] = {10, 0, 0};
    CGeLine3d line(s, e);
    struct Row {
        double t;
        bool before, after;
        bool touched;
    };
    for (const Row row : {Row{0.00005, false, true, true}, Row{0.99995, true, false, true},
                          Row{0.5, true, true, true}, Row{1.5, false, false, false}, Row{-0.1, false, false, false}}) {
        CGeCurve3d* sentinel = reinterpret_cast<CGeCurve3d*>(&line);
        CGeCurve3d* out[2] = {sentinel, sentinel};
        line.Split(row.t, out, 1);
        if (!row.touched) {
            EXPECT_EQ(out[0], sentinel) << "t " << row.t;
            EXPECT_EQ(out[1], sentinel) << "t " << row.t;
            continue;
        }
        std::unique_ptr<CGeCurve3d> a(out[0]), b(out[1]);
        EXPECT_EQ(a != nullptr, row.before) << "t " << row.t;
        EXPECT_EQ(b != nullptr, row.after) << "t " << row.t;
        if (a && b) {
            EXPECT_DOUBLE_EQ(a->EvTotalArcLength() + b->EvTotalArcLength(), 10.0);
        }
    }
}

TEST(GeLine3dTest, EvParamDividesByTheLength)
{
    double s[3] = {0, 0, 0}, e[3] = {0, 4, 3};
    CGeLine3d line(s, e);
    double t = -1;
    unsigned int seg = 7;
    line.EvParam(10, t, seg, 0);
    EXPECT_DOUBLE_EQ(t, 2.0);
    EXPECT_EQ(seg, 0u);

    CGeLine3d point(s, s);
    t = -1;
    seg = 7;
    point.EvParam(1, t, seg, 0);
    EXPECT_EQ(t, -1) << "a zero-length line writes nothing";
    EXPECT_EQ(seg, 7u);
}

}  // namespace
