#include "framework/looker/Direct2DHandler.h"
#include "framework/looker/SnapRecords.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(SnapRecordsTest, MirrorReflectsInTheLine)
{
    struct Row { const char* label; double p[2], q[2], in[2], out[2]; };
    const Row rows[] = {{"x axis", {0, 0}, {1, 0}, {3, 4}, {3, -4}},
                        {"diagonal", {0, 0}, {2, 2}, {3, 1}, {1, 3}},
                        {"offset vertical", {5, -1}, {5, 7}, {2, 9}, {8, 9}},
                        {"degenerate line: point reflection", {1, 1}, {1, 1}, {2, 3}, {0, -1}}};
    for (const Row& r : rows) {
        QPoint pt(r.in[0], r.in[1], 7.0);
        pt.Mirror(r.p, r.q);
        EXPECT_NEAR(pt.x, r.out[0], 1e-12) << r.label;
        EXPECT_NEAR(pt.y, r.out[1], 1e-12) << r.label;
        EXPECT_EQ(pt.z, 7.0) << r.label;
        pt.Mirror(r.p, r.q);  // twice is identity
        EXPECT_NEAR(pt.x, r.in[0], 1e-12) << r.label;
    }
}

TEST(SnapRecordsTest, IsInBoxIncludesBorderAndTolerance)
{
    const BOX2<double> flat(0, 2, 10, 2);  // a horizontal line's box
    struct Row { const char* label; double x, y, tol; int expected; };
    const Row rows[] = {{"on flat box", 5, 2, 0, 1},     {"corner", 0, 2, 0, 1},
                        {"above flat", 5, 2.1, 0, 0},    {"above within tol", 5, 2.1, 0.1, 1},
                        {"left beyond tol", -0.2, 2, 0.1, 0}};
    for (const Row& r : rows) {
        QPoint p(r.x, r.y);
        EXPECT_EQ(p.IsInBox(flat, r.tol), r.expected) << r.label;
    }
    BOX3<double> b3;
    b3.InitEmpty();
    const double a[3] = {0, 0, 5}, c[3] = {1, 1, 6};
    b3.Extend(a);
    b3.Extend(c);
    EXPECT_EQ(QPoint(0.5, 0.5, 0.0).IsInBox(b3), 1) << "plan test ignores z";
    QPoint s;
    s.Set2(1, 2);
    const double p3[3] = {4, 5, 6};
    s.Set(p3, 2);
    EXPECT_EQ(s.z, 0.0);
}

TEST(SnapRecordsTest, SnapPointWithinAperture)
{
    CSnapAt at;
    at.m_ptCursor[0] = 1.0;
    at.m_ptCursor[1] = 1.0;
    at.m_dAperture = 0.5;
    const double on[2] = {1.3, 1.4};   // distance exactly 0.5
    const double off[2] = {1.3, 1.41};
    const double p3[3] = {1.1, 1.1, 100.0};
    EXPECT_EQ(at.IsSnapPoint(on, 2), 1);
    EXPECT_EQ(at.IsSnapPoint(off, 2), 0);
    EXPECT_EQ(at.IsSnapPoint(p3, 3), 1) << "z plays no part";
    EXPECT_EQ(at.IsSnapPoint(nullptr, 2), 0);
}

TEST(SnapRecordsTest, ResultCollectsKinds)
{
    CSnapResult res;
    res.PushBackEnd(Position(1, 2));
    res.PushBackMid(3, 4, 5);
    res.PushBackQuad(QPoint(6, 7));
    ASSERT_EQ(res.GetSize(), 3);
    EXPECT_EQ(res.GetAt(0).kind, kSnapEnd);
    EXPECT_EQ(res.GetAt(1).kind, kSnapMid);
    EXPECT_EQ(res.GetAt(1).pos.z, 5.0);
    EXPECT_EQ(res.GetAt(2).kind, kSnapQuad);
    EXPECT_EQ(res.GetAt(2).owner, nullptr);
}

TEST(SnapRecordsTest, PickRaySecondPoint)
{
    CPickRay ray;
    ray.m_pt[0] = 1;
    ray.m_dir[0] = 2;
    ray.m_dir[2] = -1;
    double q[3];
    ray.GetSecondPoint(q);
    EXPECT_EQ(q[0], 3.0);
    EXPECT_EQ(q[2], -1.0);
}

struct FakeTarget : D2DRenderTarget {
    int calls = 0;
    D2DEllipse last;
    COLORREF colour = 0;
    float stroke = 0;
    void DrawEllipse(const D2DEllipse& e, const D2DBrush* brush, float width, const D2DStrokeStyle*) override
    {
        ++calls;
        last = e;
        colour = brush ? brush->colour : 0;
        stroke = width;
    }
};

TEST(SnapRecordsTest, Direct2DHandlerForwardsWithItsBrush)
{
    FakeTarget target;
    Direct2DHandler h(&target, RGB(10, 20, 30));
    h.DrawEllipse(D2DEllipse{{5.0f, 6.0f}, 3.0f, 2.0f}, 1.0f, nullptr);
    ASSERT_EQ(target.calls, 1);
    EXPECT_EQ(target.colour, RGB(10, 20, 30));
    EXPECT_EQ(target.last.radiusX, 3.0f);
    EXPECT_EQ(target.stroke, 1.0f);
    Direct2DHandler none;
    none.DrawEllipse(D2DEllipse{}, 1.0f, nullptr);  // no target: nothing happens
    EXPECT_EQ(target.calls, 1);
}

}  // namespace
