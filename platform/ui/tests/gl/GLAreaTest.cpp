#include <GL/glew.h>

#include "platform/ui/GLArea.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/View.h"

#include <QImage>
#include <QOpenGLWidget>

#include <gtest/gtest.h>

namespace {

class CPlainView : public CView {
public:
  void OnDraw(CDC*) override {}
};

// A missing context is a failure here, never a skip: these tests run under xvfb-run.
TEST(GLArea, MadeOnFirstRequestWithCompatibilityContextAndGlew) {
  ASSERT_TRUE(AfxEnsureQtApplication());
  auto* view = new CPlainView;
  ASSERT_TRUE(view->Create(nullptr, L"gl", 0, RECT{0, 0, 64, 48}, nullptr, 0));
  view->ShowWindow(SW_SHOW);
  EXPECT_EQ(view->FindGLArea(), nullptr) << "no 3D work area before it is asked for";

  CGLArea* area = view->GetGLArea();
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(view->GetGLArea(), area);
  bool initialised = false;
  bool buffersPresent = false;
  area->SetCallbacks({[&] {
                        initialised = true;
                        buffersPresent = glGenBuffers != nullptr && glGenFramebuffers != nullptr;
                      },
                      nullptr,
                      [] {
                        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
                        glClear(GL_COLOR_BUFFER_BIT);
                        // Fixed pipeline: a green quad over the left half.
                        glMatrixMode(GL_PROJECTION);
                        glLoadIdentity();
                        glMatrixMode(GL_MODELVIEW);
                        glLoadIdentity();
                        glColor3f(0.0f, 1.0f, 0.0f);
                        glBegin(GL_QUADS);
                        glVertex2f(-1.0f, -1.0f);
                        glVertex2f(0.0f, -1.0f);
                        glVertex2f(0.0f, 1.0f);
                        glVertex2f(-1.0f, 1.0f);
                        glEnd();
                      }});
  area->Show(TRUE);
  const QImage frame = area->GrabFrame();
  ASSERT_TRUE(area->IsReady()) << "no OpenGL context or GLEW failed";
  EXPECT_TRUE(initialised);
  EXPECT_TRUE(buffersPresent) << "buffer and framebuffer objects are needed";
  EXPECT_EQ(area->GetWidget()->format().profile(), QSurfaceFormat::CompatibilityProfile);
  ASSERT_FALSE(frame.isNull());
  EXPECT_EQ(QColor(frame.pixel(frame.width() * 3 / 4, frame.height() / 2)), QColor(255, 0, 0));
  EXPECT_EQ(QColor(frame.pixel(frame.width() / 4, frame.height() / 2)), QColor(0, 255, 0));
  view->DestroyWindow();
}

}  // namespace
