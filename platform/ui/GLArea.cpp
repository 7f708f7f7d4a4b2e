#include "platform/ui/GLArea.h"

#include <GL/glew.h>

#include "platform/ui/View.h"

#include <QImage>
#include <QOpenGLWidget>
#include <QPointer>
#include <QSurfaceFormat>

class CGLAreaState {
public:
  QPointer<QOpenGLWidget> widget;
  CGLArea::Callbacks callbacks;
  bool ready = false;
};

class CGLArea::Widget : public QOpenGLWidget {
public:
  Widget(CGLAreaState* pState, QWidget* pParent) : QOpenGLWidget(pParent), m_pState(pState) {
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    setFormat(format);
  }

protected:
  void initializeGL() override {
    glewExperimental = GL_TRUE;
    const GLenum result = glewInit();
    // GLEW 2.2 on a non-GLX context reports "no GLX display" although the entry points load.
    m_pState->ready = result == GLEW_OK || result == GLEW_ERROR_NO_GLX_DISPLAY;
    if (m_pState->ready && m_pState->callbacks.init) m_pState->callbacks.init();
  }
  void resizeGL(int w, int h) override {
    if (m_pState->callbacks.resize) m_pState->callbacks.resize(w, h);
  }
  void paintGL() override {
    if (m_pState->callbacks.paint) m_pState->callbacks.paint();
  }

private:
  CGLAreaState* m_pState;
};

CGLArea::CGLArea(CView* pView) : m_pState(std::make_unique<CGLAreaState>()) {
  QWidget* pParent = pView != nullptr ? pView->GetWidget() : nullptr;
  auto* pWidget = new Widget(m_pState.get(), pParent);
  if (pParent != nullptr) pWidget->setGeometry(0, 0, pParent->width(), pParent->height());
  pWidget->hide();
  m_pState->widget = pWidget;
}

CGLArea::~CGLArea() {
  // The widget may already be gone with its view's widget.
  delete m_pState->widget.data();
}

void CGLArea::SetCallbacks(Callbacks callbacks) { m_pState->callbacks = std::move(callbacks); }

void CGLArea::Show(BOOL bShow) {
  if (m_pState->widget == nullptr) return;
  m_pState->widget->setVisible(bShow != FALSE);
  if (bShow) m_pState->widget->raise();
}

BOOL CGLArea::IsVisible() const { return m_pState->widget != nullptr && m_pState->widget->isVisible(); }

void CGLArea::Resize(int cx, int cy) {
  if (m_pState->widget != nullptr) m_pState->widget->setGeometry(0, 0, cx, cy);
}

void CGLArea::Update() {
  if (m_pState->widget != nullptr && m_pState->widget->isVisible()) m_pState->widget->update();
}

BOOL CGLArea::IsReady() const { return m_pState->ready && m_pState->widget != nullptr && m_pState->widget->isValid(); }

BOOL CGLArea::MakeCurrent() {
  if (!IsReady()) return FALSE;
  m_pState->widget->makeCurrent();
  return TRUE;
}

void CGLArea::DoneCurrent() {
  if (m_pState->widget != nullptr) m_pState->widget->doneCurrent();
}

QImage CGLArea::GrabFrame() {
  if (m_pState->widget == nullptr) return QImage();
  QImage image = m_pState->widget->grabFramebuffer();
  return m_pState->ready ? image : QImage();
}

QOpenGLWidget* CGLArea::GetWidget() const { return m_pState->widget.data(); }
