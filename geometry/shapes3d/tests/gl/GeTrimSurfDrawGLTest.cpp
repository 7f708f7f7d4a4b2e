// Trimmed surfaces in a real OpenGL context: the exact NURBS display is cut by the
// loops, the tessellation covers the trimmed region, the wireframe lights the loops.
#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"
#include "framework/numerak/Bsrf.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "platform/ui/GLArea.h"
#include "testing/SurfaceFixtures.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/View.h"
#include "testing/ui/GLViewFixture.h"

#include <GL/gl.h>

#include <QImage>
#include <QOpenGLWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>

namespace {

using gltest::kHeight;
using gltest::kWidth;

// One view with its OpenGL area and a device context published for the drawings.
class GeTrimSurfDrawGLTest : public gltest::GLViewTest {};

int LitPixels(const QImage& a)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += qGray(a.pixel(x, y)) > 0 ? 1 : 0;
    return n;
}

// The 10 × 10 square z = 0; with a hole of parameter radius r at the centre when r > 0.
std::unique_ptr<CGeTrimSurf> Square(double r)
{
    auto surf = std::make_unique<CGeTrimSurf>(surffix::Plane(10, 10).release(), BOX2<double>(0, 0, 1, 1));
    if (r > 0.0) {
        surf->AddLoop(surf->GenRectTrimLoop(0, 1, 0, 1));
        auto* hole = new CGeTrimLoop;
        const double c[2] = {0.5, 0.5};
        hole->AddBound(new CGeTrimBnd(new CGeCircle(c, r, 1), nullptr, nullptr));
        surf->AddLoop(hole);
        surf->CalcUVBox();
        surf->UpdateTrimLoopEucCrv();
    }
    surf->CalcBox();
    return surf;
}

TEST_F(GeTrimSurfDrawGLTest, HoleShowsInNurbsAndShadedModes)
{
    const double r = 0.25;
    auto whole = Square(0.0), holed = Square(r);
    Aim(holed->m_box, 0, 0, 1);
    auto flat = [this](CGeTrimSurf& s, int mode) {
        return [this, &s, mode] {
            glDisable(GL_LIGHTING);
            glColor3f(1, 1, 1);
            s.DrawGL(&m_dc, mode);
        };
    };
    const int full = LitPixels(Render(flat(*whole, 23)));
    ASSERT_GT(full, 1000) << "without loops the whole square";
    const double want = 1.0 - std::numbers::pi * r * r;
    EXPECT_NEAR(double(LitPixels(Render(flat(*holed, 23)))) / full, want, 0.02 * want) << "mode 23";

    m_looker.SetSrfShowMode(20);
    holed->Discrete(0.05);
    EXPECT_NEAR(double(LitPixels(Render(flat(*holed, 0)))) / full, want, 0.02 * want) << "mode 20";

    m_looker.SetSrfShowMode(21);
    const int wire = LitPixels(Render(flat(*holed, 0)));
    EXPECT_GT(wire, 100) << "mode 21 lights the loops";
    EXPECT_LT(wire, full / 4) << "mode 21 draws no faces";
    EXPECT_EQ(m_errors, 0);
}

}  // namespace
