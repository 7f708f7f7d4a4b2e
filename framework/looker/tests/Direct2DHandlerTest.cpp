// The render target's transform: rotation about a point, composition order,
// and a rotated ellipse drawn as an axis-parallel one under a rotation.
#include "framework/looker/Direct2DHandler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;

struct RecordingTarget : D2DRenderTarget {
    std::vector<D2DEllipse> ellipses;
    std::vector<D2DMatrix3x2> transforms;
    void DrawEllipse(const D2DEllipse& e, const D2DBrush*, float, const D2DStrokeStyle*) override
    {
        ellipses.push_back(e);
        D2DMatrix3x2 m;
        GetTransform(&m);
        transforms.push_back(m);
    }
};

TEST(Direct2DHandlerTest, RotationTurnsAboutItsCentreTowardsScreenDown)
{
    struct Row {
        const char* label;
        float degrees;
        D2DPoint centre;
    };
    const Row rows[] = {{"none", 0.0f, {3.0f, 4.0f}},
                        {"quarter", 90.0f, {0.0f, 0.0f}},
                        {"30 about a point", 30.0f, {120.0f, -40.0f}},
                        {"negative", -45.0f, {7.5f, 2.0f}},
                        {"half", 180.0f, {-10.0f, 10.0f}},
                        {"more than a turn", 400.0f, {1.0f, 1.0f}}};
    const D2DPoint offsets[] = {{1.0f, 0.0f}, {0.0f, 1.0f}, {-3.0f, 2.5f}, {0.0f, 0.0f}};
    for (const Row& r : rows) {
        const D2DMatrix3x2 m = D2DMatrix3x2::Rotation(r.degrees, r.centre);
        const double a = r.degrees * kPi / 180.0;
        for (const D2DPoint& o : offsets) {
            // +x turns towards +y: x' = x cos - y sin, y' = x sin + y cos about the centre.
            const D2DPoint p = m.TransformPoint({r.centre.x + o.x, r.centre.y + o.y});
            EXPECT_NEAR(p.x, r.centre.x + o.x * std::cos(a) - o.y * std::sin(a), 1e-4) << r.label;
            EXPECT_NEAR(p.y, r.centre.y + o.x * std::sin(a) + o.y * std::cos(a), 1e-4) << r.label;
        }
    }
    const D2DPoint q = D2DMatrix3x2::Rotation(90.0f, {0.0f, 0.0f}).TransformPoint({1.0f, 0.0f});
    EXPECT_NEAR(q.x, 0.0f, 1e-6f) << "quarter turn of +x";
    EXPECT_NEAR(q.y, 1.0f, 1e-6f) << "quarter turn of +x";
}

TEST(Direct2DHandlerTest, ProductAppliesTheLeftTransformFirst)
{
    const D2DMatrix3x2 rot = D2DMatrix3x2::Rotation(30.0f, {2.0f, -1.0f});
    const D2DMatrix3x2 move = D2DMatrix3x2::Translation(5.0f, 7.0f);
    const D2DMatrix3x2 skew{1.0f, 0.5f, -0.25f, 2.0f, 1.0f, 3.0f};
    const D2DPoint pts[] = {{0.0f, 0.0f}, {1.0f, 2.0f}, {-4.0f, 3.5f}};
    for (const D2DPoint& p : pts) {
        const D2DPoint a = (rot * move).TransformPoint(p);
        const D2DPoint b = move.TransformPoint(rot.TransformPoint(p));
        EXPECT_NEAR(a.x, b.x, 1e-5);
        EXPECT_NEAR(a.y, b.y, 1e-5);
        const D2DPoint c = (skew * rot).TransformPoint(p);
        const D2DPoint d = rot.TransformPoint(skew.TransformPoint(p));
        EXPECT_NEAR(c.x, d.x, 1e-5);
        EXPECT_NEAR(c.y, d.y, 1e-5);
    }
    EXPECT_TRUE(D2DMatrix3x2::Identity().IsIdentity());
    EXPECT_FALSE(move.IsIdentity());
}

TEST(Direct2DHandlerTest, TargetDrawsUnderItsCurrentTransform)
{
    RecordingTarget target;
    D2DMatrix3x2 m;
    m.dx = 9.0f;
    target.GetTransform(&m);
    EXPECT_TRUE(m.IsIdentity()) << "a new target starts untransformed";
    target.GetTransform(nullptr);  // no destination: nothing happens

    // An ellipse rotated 30 degrees on the screen, drawn as the axis-parallel
    // one under a rotation about its centre.
    const D2DPoint centre{40.0f, 25.0f};
    const float rx = 20.0f, ry = 8.0f;
    Direct2DHandler h(&target, RGB(10, 20, 30));
    target.SetTransform(D2DMatrix3x2::Rotation(30.0f, centre));
    h.DrawEllipse(D2DEllipse{centre, rx, ry}, 1.0f, nullptr);
    target.SetTransform(D2DMatrix3x2::Identity());
    ASSERT_EQ(target.ellipses.size(), 1u);
    const D2DEllipse& e = target.ellipses[0];
    const double a = kPi / 6;
    for (int i = 0; i < 16; ++i) {
        const double th = 2.0 * kPi * i / 16;
        const D2DPoint local{static_cast<float>(e.point.x + e.radiusX * std::cos(th)),
                             static_cast<float>(e.point.y + e.radiusY * std::sin(th))};
        const D2DPoint drawn = target.transforms[0].TransformPoint(local);
        const double u = rx * std::cos(th), v = ry * std::sin(th);
        EXPECT_NEAR(drawn.x, centre.x + u * std::cos(a) - v * std::sin(a), 1e-4) << "sample " << i;
        EXPECT_NEAR(drawn.y, centre.y + u * std::sin(a) + v * std::cos(a), 1e-4) << "sample " << i;
    }
    target.GetTransform(&m);
    EXPECT_TRUE(m.IsIdentity()) << "transform set back";
}

}  // namespace
