// A test fixture with one view, its OpenGL area and a device context published as
// the program's, for drawing code that needs a real context: Render draws one frame
// with the camera loaded and hands it back; Aim fits the camera to a box.
#pragma once

#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"
#include "platform/ui/GLArea.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/View.h"

#include <GL/glew.h>

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace gltest {

constexpr int kWidth = 320, kHeight = 240;

class CPlainView : public CView {
public:
    void OnDraw(CDC*) override {}
};

class GLViewTest : public ::testing::Test {
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

    // One frame: cleared to the grey level, viewport and camera loaded, depth test on,
    // then draw. Every GL error raised by draw is counted in m_errors.
    QImage Render(const std::function<void()>& draw, float clearGrey = 0.0f)
    {
        m_area->SetCallbacks({nullptr, nullptr, [&] {
                                  m_dc.Ready(kWidth, kHeight);
                                  glClearColor(clearGrey, clearGrey, clearGrey, 1);
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

}  // namespace gltest
