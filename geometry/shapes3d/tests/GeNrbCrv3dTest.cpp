#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Bcrv.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GeTool3D.h"
#include "framework/numerak/Point3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

BCRV* Circle(double cx, double cy, double cz, double r)
{
    BCRV* c = BCRV_New();
    const double centre[3] = {cx, cy, cz};
    c->GenCircle(centre, r);
    return c;
}

TEST(GeNrbCrv3dTest, SetCurveWithNullChangesNothing)
{
    CGeNrbCrv3d empty;
    empty.SetCurve(nullptr);
    EXPECT_EQ(empty.GetCurve(), nullptr);
    EXPECT_EQ(empty.m_strDisp.m_nCount, 0);
    EXPECT_TRUE(empty.IsBoxEmpty());

    CGeNrbCrv3d held(Circle(0, 0, 0, 2));
    BCRV* record = held.GetCurve();
    const int count = held.m_strDisp.m_nCount;
    const BOX3<double> box = held.m_box;
    held.SetCurve(nullptr);
    EXPECT_EQ(held.GetCurve(), record);
    EXPECT_EQ(held.m_strDisp.m_nCount, count);
    EXPECT_EQ(held.m_box.xmax, box.xmax);

    held.SetCurve(record);  // the same record again is kept, not freed
    EXPECT_EQ(held.GetCurve(), record);
}

// The display points of a circle lie on it, and its chords stay within the display
// tolerance of the arc.
TEST(GeNrbCrv3dTest, CircleRecordGivesDisplayPointsOnTheCircle)
{
    const double cx = 1, cy = -2, cz = 3, r = 25;
    CGeNrbCrv3d curve;
    curve.SetCurve(Circle(cx, cy, cz, r));
    const CStrP3D& s = curve.m_strDisp;
    ASSERT_GT(s.m_nCount, 8);
    const double tol = gGetCrvShowDiscTol();
    for (int i = 0; i < s.m_nCount; ++i) {
        const double* p = s.m_pPoints[i];
        EXPECT_NEAR(std::hypot(p[0] - cx, p[1] - cy), r, 1e-9) << "point " << i;
        EXPECT_NEAR(p[2], cz, 1e-12) << "point " << i;
        if (i > 0) {
            double m[3];
            P3D_Lerp(s.m_pPoints[i - 1], p, 0.5, m);
            EXPECT_LE(r - std::hypot(m[0] - cx, m[1] - cy), tol + 1e-9) << "chord " << i;
        }
    }
    EXPECT_NEAR(P3D_Dist(s.m_pPoints[0], s.m_pPoints[s.m_nCount - 1]), 0.0, 1e-9) << "closed";
    EXPECT_NEAR(curve.m_box.xmax, cx + r, tol);
    EXPECT_NEAR(curve.m_box.ymin, cy - r, tol);
    EXPECT_EQ(curve.IsClosed(0.01), 1);
    // The length is that of the display string: short of the circle by the chords' sag.
    EXPECT_LE(curve.EvTotalArcLength(), 2 * M_PI * r);
    EXPECT_GT(curve.EvTotalArcLength(), 2 * M_PI * r * (1.0 - tol / r));
}

TEST(GeNrbCrv3dTest, DisplayKeepsCornersAndPolylineRecordsExactly)
{
    // Two pieces merged at a right angle: the corner must be a display point.
    double corner[5][3] = {{0, 0, 0}, {5, 0, 0}, {10, 0, 0}, {10, 5, 0}, {10, 10, 0}};
    CGeNrbCrv3d merged(CGeTool3D().GlobalInterp(corner, 5, 2, 0.2, 2.617993877991));
    ASSERT_NE(merged.GetCurve(), nullptr);
    double best = 1e9;
    for (int i = 0; i < merged.m_strDisp.m_nCount; ++i)
        best = std::min(best, P3D_Dist(merged.m_strDisp.m_pPoints[i], corner[2]));
    EXPECT_LT(best, 1e-6);

    BCRV* line = nullptr;
    const double a[3] = {0, 0, 0}, b[3] = {3, 4, 0};
    BCRV_GenLine(a, b, &line);
    CGeNrbCrv3d straight(line);
    EXPECT_EQ(straight.m_strDisp.m_nCount, 2) << "an order-2 record shows its control points";
}

TEST(GeNrbCrv3dTest, CopyClonesTheRecord)
{
    CGeNrbCrv3d none;
    EXPECT_EQ(none.Copy(), nullptr);

    CGeNrbCrv3d curve(Circle(0, 0, 0, 1));
    curve.m_bClosed = 1;
    std::unique_ptr<CGeNrbCrv3d> copy(static_cast<CGeNrbCrv3d*>(curve.Copy()));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->GetCurve(), curve.GetCurve());
    EXPECT_EQ(copy->m_bClosed, 1);
    EXPECT_EQ(copy->m_strDisp.m_nCount, curve.m_strDisp.m_nCount);
    double p[3], q[3];
    copy->GetPointAt(0.3, p, 1);
    curve.GetPointAt(0.3, q, 1);
    EXPECT_EQ(P3D_Dist(p, q), 0.0);
}

TEST(GeNrbCrv3dTest, SplitAndTranslate)
{
    CGeNrbCrv3d curve(Circle(0, 0, 0, 1));
    CGeCurve3d* out[2] = {nullptr, nullptr};
    curve.Split(0.5, out, 1);
    std::unique_ptr<CGeCurve3d> a(out[0]), b(out[1]);
    ASSERT_TRUE(a && b);
    double e[3], s[3], m[3];
    a->GetEndPoint(e);
    b->GetStartPoint(s);
    curve.GetPointAt(0.5, m, 1);
    EXPECT_LT(P3D_Dist(e, m), 1e-9);
    EXPECT_LT(P3D_Dist(s, m), 1e-9);

    CGeCurve3d* ends[2] = {nullptr, nullptr};
    curve.Split(-1, ends, 1);
    EXPECT_EQ(ends[0], nullptr);
    ASSERT_NE(ends[1], nullptr);
    delete ends[1];

    double v[3] = {1, 2, 3};
    curve.Translate3D(v);
    curve.GetStartPoint(s);
    const double moved[3] = {2, 2, 3};
    EXPECT_NEAR(P3D_Dist(s, moved), 0.0, 1e-12);
    EXPECT_NEAR(curve.m_box.zmin, 3.0, 1e-12);
    EXPECT_NEAR(P3D_Dist(curve.m_strDisp.m_pPoints[0], s), 0.0, 1e-12) << "the display string moves too";
}

}  // namespace
