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

constexpr int kWidth = 320, kHeight = 240;

class CPlainView : public CView {
public:
    void OnDraw(CDC*) override {}
};

// One view with its OpenGL area and a device context published for the meshes; each
// Render draws one frame with the camera's view loaded and returns it.
class GeTrimSurfDrawGLTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(AfxEnsureQtApplication());
        m_view = new CPlainView;
        ASSERT_TRUE(m_view->Create(nullptr, L"gl", 0, RECT{0, 0, kWidth, kHeight}, nullptr, 0));
        m_view->ShowWindow(SW_SHOW);
        m_area = m_view->GetGLArea();
        ASSERT_NE(m_area, nullptr);
        m_area->Resize(kWidth, kHeight);
        m_area->Show(TRUE);
        m_dc.SetFrameHooks([this] { return m_area->MakeCurrent() != FALSE; }, [this] { m_area->DoneCurrent(); });
        gSetOpenGLDC(&m_dc);
        gSetLooker(&m_looker);
    }
    void TearDown() override
    {
        gSetLooker(nullptr);
        gSetOpenGLDC(nullptr);
        if (m_view != nullptr) m_view->DestroyWindow();
    }

    // The camera looks at the box from the direction (dx, dy, dz), fitting it.
    void Aim(const BOX3<double>& box, double dx, double dy, double dz)
    {
        GCamera& c = m_dc.m_Camera;
        const double centre[3] = {0.5 * (box.xmin + box.xmax), 0.5 * (box.ymin + box.ymax), 0.5 * (box.zmin + box.zmax)};
        const double size = std::max({box.xmax - box.xmin, box.ymax - box.ymin, box.zmax - box.zmin});
        for (int i = 0; i < 3; ++i) c.m_ref[i] = centre[i];
        c.m_eye[0] = centre[0] + dx * 3 * size, c.m_eye[1] = centre[1] + dy * 3 * size, c.m_eye[2] = centre[2] + dz * 3 * size;
        c.m_up[0] = 0, c.m_up[1] = 0, c.m_up[2] = 1;
        if (std::fabs(dz) > 0.99) c.m_up[1] = 1, c.m_up[2] = 0;
        c.m_fScale = float(0.8 * std::min(kWidth, kHeight) / (size * 1.8));
        c.m_dNear = c.m_dFar = 0.0;
    }

    // One frame: cleared to black, viewport and camera loaded, depth test on, then draw.
    // Every GL error raised by draw is counted in m_errors.
    QImage Render(const std::function<void()>& draw)
    {
        m_area->SetCallbacks({nullptr, nullptr, [&] {
                                  m_dc.Ready(kWidth, kHeight);
                                  glClearColor(0, 0, 0, 1);
                                  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                                  glEnable(GL_DEPTH_TEST);
                                  while (glGetError() != GL_NO_ERROR) {
                                  }
                                  draw();
                                  for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) ++m_errors;
                              }});
        QImage image = m_area->GrabFrame().convertToFormat(QImage::Format_RGB32);
        m_area->SetCallbacks({});
        return image;
    }

    CPlainView* m_view = nullptr;
    CGLArea* m_area = nullptr;
    COpenGLDC m_dc;
    CLooker m_looker;
    int m_errors = 0;
};

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
