#include "framework/numerak/PointString3D.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace {

TEST(PointString3D, ChainLengths)
{
    const double pts[][3] = {{0, 0, 0}, {3, 4, 0}, {3, 4, 12}, {0, 0, 12}};
    EXPECT_DOUBLE_EQ(SP3D_EvLength(pts, 4), 22.0);
    EXPECT_DOUBLE_EQ(SP3D_EvLength2D(pts, 4), 10.0) << "vertical edge has no XY length";
    EXPECT_EQ(SP3D_EvLength(pts, 1), 0.0);
    EXPECT_EQ(SP3D_EvLength(nullptr, 4), 0.0);
    EXPECT_EQ(SP3D_EvLength2D(pts, 0), 0.0);
}

// Every projection must match the nearest of densely sampled chain points.
TEST(PointString3D, ProjectionMatchesDenseSampling)
{
    const double pts[][3] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 5}, {10, 10, 5}, {0, 10, -5}};
    const int n = 5;
    const double probes[][3] = {{5, -3, 1}, {12, 5, 2}, {-4, 12, -9}, {7, 7, 7}, {10, 10, 5}, {-1, -1, -1}};
    for (const auto& p : probes) {
        const std::string label = std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]);
        double out[3];
        double t = -1.0;
        unsigned int seg = 0;
        ASSERT_EQ(SP3D_PrjPnt(pts, n, p, out, t, seg), 1) << label;
        ASSERT_GE(seg, 1u) << label;
        ASSERT_LT(seg, static_cast<unsigned int>(n)) << label;
        EXPECT_GE(t, 0.0) << label;
        EXPECT_LE(t, 1.0) << label;
        const double* a = pts[seg - 1];
        const double* b = pts[seg];
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(out[k], a[k] + t * (b[k] - a[k]), 1e-12) << label;

        double best = std::numeric_limits<double>::infinity();
        for (int i = 1; i < n; ++i) {
            for (int s = 0; s <= 2000; ++s) {
                const double u = s / 2000.0;
                double q[3];
                for (int k = 0; k < 3; ++k) q[k] = pts[i - 1][k] + u * (pts[i][k] - pts[i - 1][k]);
                best = std::min(best, std::hypot(q[0] - p[0], q[1] - p[1], q[2] - p[2]));
            }
        }
        const double got = std::hypot(out[0] - p[0], out[1] - p[1], out[2] - p[2]);
        EXPECT_LE(got, best + 1e-12) << label;
        EXPECT_GE(got, best - 0.02) << label;
    }
}

TEST(PointString3D, ProjectionTiesAndRejects)
{
    // The corner belongs to both edges: the earlier wins, at its end.
    const double pts[][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    const double corner[3] = {2, -1, 0};
    double out[3] = {7, 7, 7};
    double t = -1.0;
    unsigned int seg = 0;
    ASSERT_EQ(SP3D_PrjPnt(pts, 3, corner, out, t, seg), 1);
    EXPECT_EQ(seg, 1u);
    EXPECT_DOUBLE_EQ(t, 1.0);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double bad[3] = {0, nan, 0};
    out[0] = 7;
    t = -1.0;
    seg = 99;
    EXPECT_EQ(SP3D_PrjPnt(pts, 3, bad, out, t, seg), 0) << "non-finite probe";
    EXPECT_EQ(SP3D_PrjPnt(pts, 1, corner, out, t, seg), 0) << "single point";
    EXPECT_EQ(SP3D_PrjPnt(nullptr, 3, corner, out, t, seg), 0) << "null chain";
    EXPECT_EQ(out[0], 7.0);
    EXPECT_EQ(t, -1.0);
    EXPECT_EQ(seg, 99u);
}

TEST(PointString3D, StringStorageReverseCopyTruncate)
{
    CStrP3D s;
    EXPECT_EQ(s.Create(0, true, true), 0);
    EXPECT_EQ(s.m_pPoints, nullptr);
    ASSERT_EQ(s.Create(3, true, true), 1);
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k) {
            s.m_pPoints[i][k] = 10.0 * i + k;
            s.m_pNormals[i][k] = -i;
        }
        s.m_pParams[i] = i / 2.0;
    }
    s.CalcBox();
    BOX3<double> box;
    s.GetBox(&box);
    EXPECT_EQ(box.xmin, 0.0);
    EXPECT_EQ(box.zmax, 22.0);

    CStrP3D c;
    s.CopyTo(c);
    s.Reverse();
    ASSERT_EQ(c.m_nCount, 3);
    EXPECT_EQ(c.m_pPoints[0][0], 0.0) << "copy is independent of the source";
    EXPECT_EQ(s.m_pPoints[0][0], 20.0);
    EXPECT_EQ(s.m_pNormals[0][0], -2.0);
    EXPECT_DOUBLE_EQ(s.m_pParams[0], 0.0) << "reversed parameters still run from 0";
    EXPECT_DOUBLE_EQ(s.m_pParams[1], 0.5);
    EXPECT_DOUBLE_EQ(s.m_pParams[2], 1.0);

    CStrP3D p;
    ASSERT_EQ(p.Create(2, false, false), 1);
    EXPECT_EQ(p.CreateMemNormal(3), 0) << "count mismatch";
    EXPECT_EQ(p.m_pNormals, nullptr);
    EXPECT_EQ(p.CreateMemNormal(2), 1);
    EXPECT_NE(p.m_pNormals, nullptr);

    c.Truncate(2);
    EXPECT_EQ(c.m_nCount, 2);
    c.Truncate(0);
    EXPECT_EQ(c.m_nCount, 0);
    EXPECT_EQ(c.m_pPoints, nullptr);
}

TEST(PointString3DTest, AreaInXYAndPicks)
{
    CStrP3D str;
    ASSERT_EQ(str.Create(4, false, false), 1);
    const double sq[4][3] = {{0, 0, 1}, {4, 0, 2}, {4, 3, 3}, {0, 3, 4}};
    std::copy(&sq[0][0], &sq[0][0] + 12, &str.m_pPoints[0][0]);
    EXPECT_DOUBLE_EQ(str.EvArea(), 12.0) << "counter-clockwise, heights ignored";
    str.Reverse();
    EXPECT_DOUBLE_EQ(str.EvArea(), -12.0);

    double d = -1;
    const double pt[2] = {2, -0.5};
    EXPECT_EQ(str.Pick(pt, 0.5, d), 0) << "the aperture is exclusive";
    EXPECT_EQ(str.Pick(pt, 0.6, d), 1);
    EXPECT_DOUBLE_EQ(d, 0.5);

    // A ray along y at height 2.5 meets the last segment of the reversed string (from
    // (4, 0, 2) to (0, 0, 1)) where x = 2, behind its origin: a negative depth.
    const double origin[3] = {2, 2, 1.5}, dir[3] = {0, 1, 0};
    double depth = 0, t = 0;
    int seg = 0;
    ASSERT_EQ(str.Pick3d(origin, dir, 0.01, depth, t, seg), 1);
    EXPECT_EQ(seg, 3);
    EXPECT_NEAR(depth, -2.0, 1e-12);
    EXPECT_NEAR(t, 0.5, 1e-12);
    CStrP3D empty;
    EXPECT_EQ(empty.Pick3d(origin, dir, 1.0, depth, t, seg), 0);
    EXPECT_EQ(empty.EvArea(), 0.0);
}

} // namespace
