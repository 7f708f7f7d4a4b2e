#pragma once
// The 3D work area: an OpenGL widget (compatibility profile, so the fixed pipeline
// is there) laid over a view and made only when first asked for. GLEW is set up
// inside the first initialisation, when the context is current.

#include "platform/core/WinTypes.h"

#include <functional>
#include <memory>

class CView;
class CGLAreaState;
class QImage;
class QOpenGLWidget;

class CGLArea {
public:
  struct Callbacks {
    std::function<void()> init;                // context current, GLEW ready
    std::function<void(int, int)> resize;      // width, height in pixels
    std::function<void()> paint;               // draw the frame
  };

  explicit CGLArea(CView* pView);
  ~CGLArea();
  CGLArea(const CGLArea&) = delete;
  CGLArea& operator=(const CGLArea&) = delete;

  void SetCallbacks(Callbacks callbacks);
  void Show(BOOL bShow);
  BOOL IsVisible() const;
  void Resize(int cx, int cy);
  // Schedules a new frame.
  void Update();

  // TRUE once a context exists and glewInit succeeded in it.
  BOOL IsReady() const;
  BOOL MakeCurrent();
  void DoneCurrent();
  // Renders a frame now and returns it (an empty image without a context).
  QImage GrabFrame();

  QOpenGLWidget* GetWidget() const;

private:
  class Widget;
  std::unique_ptr<CGLAreaState> m_pState;
};
