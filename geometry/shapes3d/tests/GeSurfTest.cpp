// The surface base: curve lists, their box and copies.
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Point3f.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeSurf.h"

#include <gtest/gtest.h>

namespace {

BOX3<double> Box(double x0, double y0, double z0, double x1, double y1, double z1)
{
    const double p[3] = {x0, y0, z0}, q[3] = {x1, y1, z1};
    BOX3<double> b;
    b.Init(p, q);
    return b;
}

CGeLine3d* Line(float x0, float x1) { return new CGeLine3d(CPoint3f(x0, 0, 0), CPoint3f(x1, 1, 2)); }

TEST(GeSurf, ClearingLists)
{
    CGeSurf s;
    s.m_listBndCurve.AddTail(Line(0, 1));
    s.m_listIsoCurve.AddTail(Line(0, 1));
    s.ClearBndCurve();
    EXPECT_TRUE(s.m_listBndCurve.IsEmpty());
    EXPECT_EQ(s.m_listIsoCurve.GetCount(), 1);
    s.ClearIsoCurve();
    s.m_listBndCurve.AddTail(Line(0, 1));
    s.m_listIsoCurve.AddTail(nullptr);
    s.ClearIsoCurve();  // deletes the boundary curves too
    EXPECT_TRUE(s.m_listBndCurve.IsEmpty());
    EXPECT_TRUE(s.m_listIsoCurve.IsEmpty());
    EXPECT_EQ(s.Copy(), nullptr);
    EXPECT_EQ(s.UIsoCurve(0.5), nullptr);
    EXPECT_EQ(s.VIsoCurve(0.5), nullptr);
}

TEST(GeSurf, BoxOfTheCurves)
{
    CGeSurf s;
    s.m_box = Box(1, 2, 3, 4, 5, 6);
    s.CalcBox();
    EXPECT_EQ(s.m_box.xmin, 1.0) << "no curves: box kept";
    double c[2] = {0, 0};
    s.Rotate(c, 1.0);
    EXPECT_EQ(s.m_box.xmax, 4.0);
    double v[2] = {1, 1};
    s.Translate(v);
    EXPECT_EQ(s.m_box.xmin, 2.0);
    EXPECT_EQ(s.m_box.zmin, 3.0);
    s.m_listIsoCurve.AddTail(nullptr);
    s.m_listIsoCurve.AddTail(Line(-1, 1));
    s.m_listBndCurve.AddTail(Line(3, 7));
    s.CalcBox();
    EXPECT_EQ(s.m_box.xmin, -1.0);
    EXPECT_EQ(s.m_box.xmax, 7.0);
    BOX2<double> b2;
    s.GetBox2D(&b2);
    EXPECT_EQ(b2.xmax, 7.0);
    EXPECT_EQ(b2.ymax, 1.0);
}

TEST(GeSurf, CopiesAppend)
{
    CGeSurf src;
    src.m_listIsoCurve.AddTail(Line(0, 1));
    src.m_listBndCurve.AddTail(Line(0, 2));
    src.m_nFlags = 77;
    src.m_box = Box(0, 0, 0, 2, 1, 2);
    CGeSurf dst;
    dst.CopyFromSurf(nullptr);
    dst.CopyFromSurf(&src);
    dst.CopyFromSurf(&src);
    EXPECT_EQ(dst.m_listIsoCurve.GetCount(), 2);
    EXPECT_EQ(dst.m_listBndCurve.GetCount(), 2);
    EXPECT_EQ(dst.m_nFlags, 77);
    EXPECT_NE(dst.GetHandle(), src.GetHandle());
    EXPECT_NE(dst.m_listIsoCurve.GetHead(), src.m_listIsoCurve.GetHead());
}

TEST(GeSurf, PickChecksTheTypeMask)
{
    CGeSurf s;
    s.m_listIsoCurve.AddTail(Line(0, 1));
    CPickRay ray;
    ray.m_nTypeMask = 0;
    EXPECT_EQ(s.Pick(ray, 1), 0);
}

}  // namespace
