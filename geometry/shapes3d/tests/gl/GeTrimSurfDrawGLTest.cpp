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

// Unlit white drawing of the surface in the given mode.
std::function<void()> Flat(CGeTrimSurf& s, COpenGLDC& dc, int mode)
{
    return [&s, &dc, mode] {
        glDisable(GL_LIGHTING);
        glColor3f(1, 1, 1);
        s.DrawGL(&dc, mode);
    };
}

// Is a pixel within one of the window position of the model point (x, y, 0) lit?
bool LitNear(const QImage& image, const GCamera& camera, double x, double y)
{
    const double p[3] = {x, y, 0.0};
    double pixel[2];
    camera.world_to_screen(p, pixel);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int px = int(std::lround(pixel[0])) + dx, py = int(std::lround(pixel[1])) + dy;
            if (image.valid(px, py) && qGray(image.pixel(px, py)) > 0) return true;
        }
    return false;
}

TEST_F(GeTrimSurfDrawGLTest, HoleShowsInNurbsAndShadedModes)
{
    const double r = 0.25;
    auto whole = Square(0.0), holed = Square(r);
    Aim(holed->m_box, 0, 0, 1);
    const int full = LitPixels(Render(Flat(*whole, m_dc, 23)));
    // The square's window area from its projected corners (shoelace).
    double corner[4][2];
    const double model[4][3] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
    for (int i = 0; i < 4; ++i) m_dc.m_Camera.world_to_screen(model[i], corner[i]);
    double area = 0.0;
    for (int i = 0; i < 4; ++i)
        area += corner[i][0] * corner[(i + 1) % 4][1] - corner[(i + 1) % 4][0] * corner[i][1];
    area = std::fabs(area) / 2;
    ASSERT_GT(area, 1000.0);
    EXPECT_NEAR(full, area, 0.02 * area) << "without loops mode 23 covers the whole square";
    const double want = 1.0 - std::numbers::pi * r * r;
    EXPECT_NEAR(double(LitPixels(Render(Flat(*holed, m_dc, 23)))) / full, want, 0.02 * want) << "mode 23";

    m_looker.SetSrfShowMode(20);
    holed->Discrete(0.05);
    EXPECT_NEAR(double(LitPixels(Render(Flat(*holed, m_dc, 0)))) / full, want, 0.02 * want) << "mode 20";

    m_looker.SetSrfShowMode(21);
    const int wire = LitPixels(Render(Flat(*holed, m_dc, 0)));
    EXPECT_GT(wire, 100) << "mode 21 lights the loops";
    EXPECT_LT(wire, full / 4) << "mode 21 draws no faces";
    EXPECT_EQ(m_errors, 0);
}

TEST_F(GeTrimSurfDrawGLTest, WireframeLightsTheIsoCurvesClippedByTheHole)
{
    // Hole radius 0.2 about the centre: the quarter lines miss it, u = 0.5 and v = 0.5 cross it.
    const double r = 0.2;
    auto holed = Square(r);
    Aim(holed->m_box, 0, 0, 1);
    m_looker.SetSrfShowMode(21);
    const QImage loopsOnly = Render(Flat(*holed, m_dc, 0));
    int n[2] = {4, 4};
    holed->ComputerIsoCurve(n);
    const QImage withIso = Render(Flat(*holed, m_dc, 0));
    const GCamera& cam = m_dc.m_Camera;

    // Samples along the lines u, v = 0.25, 0.5, 0.75 (model 2.5, 5, 7.5), away from the
    // outer edge and the circle: lit on the region, dark in the hole and before the iso curves.
    int onLine = 0, inHole = 0;
    for (double line : {0.25, 0.5, 0.75})
        for (int k = 1; k < 40; ++k) {
            const double t = k / 40.0;
            const double fromCentre = std::hypot(line - 0.5, t - 0.5);
            if (std::fabs(fromCentre - r) < 0.03 || t < 0.03 || t > 0.97) continue;
            const bool inside = fromCentre > r;
            for (int dir = 0; dir < 2; ++dir) {
                const double x = 10 * (dir == 0 ? line : t), y = 10 * (dir == 0 ? t : line);
                EXPECT_EQ(LitNear(withIso, cam, x, y), inside) << "iso line " << dir << " at " << line << ", " << t;
                EXPECT_FALSE(LitNear(loopsOnly, cam, x, y)) << "no iso curves yet at " << x << ", " << y;
                ++(inside ? onLine : inHole);
            }
        }
    EXPECT_GT(onLine, 150);
    EXPECT_GT(inHole, 20);
    // Between the lines (u or v = 0.375, 0.625) nothing is drawn.
    for (double x : {3.75, 6.25})
        for (double y : {1.25, 3.75, 6.25, 8.75}) {
            if (std::hypot(x - 5, y - 5) < 10 * r + 0.3) continue;
            EXPECT_FALSE(LitNear(withIso, cam, x, y)) << "between the lines at " << x << ", " << y;
        }
    EXPECT_EQ(m_errors, 0);
}

}  // namespace
