// View base with the OpenGL device context of the 3D display and the view
// operations (zoom, pan, rotation, standard view directions). The 2D display
// is the derived view's; in 3D OnDraw renders the scene through RenderScene.
#pragma once

#include "framework/extendra/PIDoc.h"
#include "framework/looker/Camera.h"
#include "framework/numerak/Box.h"
#include "framework/numerak/Point3f.h"
#include "platform/core/WinGeometry.h"

class CGLView : public CPIView {
    DECLARE_DYNAMIC(CGLView)
public:
    CGLView();
    ~CGLView() override;

    // Publishes the OpenGL device context (gSetOpenGLDC) and ties it to the
    // view's 3D work area.
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnSize(UINT nType, int cx, int cy);
    // 3D: renders the scene when an OpenGL context can be made current.
    void OnDraw(CDC* pDC) override;
    // The scene of a 3D frame; nothing in the base.
    virtual void RenderScene(COpenGLDC* pDC, int mode);

    // View operations. Zoom works on the current view object in 2D and on the
    // camera in 3D (by factor about the view centre; non-positive factors are
    // refused); the others work on the camera of the 3D display.
    BOOL Zoom(double factor);
    // Fits the camera to every entity (the page when there is none), to the
    // selection, or to the page; the view direction stays. The int is the
    // animation switch of the callers, unused here.
    BOOL ZoomAll(int flag);
    BOOL ZoomSelect(int flag);
    BOOL ZoomPage(int flag);
    // Fits the camera to the screen rectangle of the two pixels (any order);
    // FALSE when the rectangle has no width or no height.
    BOOL ZoomRect(CPoint p1, CPoint p2, int flag);
    // Moves the picture by (dx, dy) pixels, y upwards.
    void MoveView(double dx, double dy);
    // Turns the camera about the centre so that the picture follows the drag
    // from the world point last to now (points of the camera's view plane):
    // one degree and a bit per pixel, about the axis across the drag. The
    // centre keeps its pixel.
    void RotView(const CPoint3f& last, const CPoint3f& now, const CPoint3f& centre);
    // Standard direction of the camera (GCamera view types).
    void OnViewType(int viewType);
    void HideViewBtn() { m_bViewBtnShown = FALSE; }
    BOOL IsZoomEnable() const { return TRUE; }

    // Radians of RotView per pixel of drag.
    static constexpr double kRotPerPixel = 0.02;

    COpenGLDC* GetOpenGLDC() { return &m_glDC; }
    int GetFrameRate() const { return m_nFrameRate; }

    int m_nFrameRate = 0;  // frames per second of the last measured paint

protected:
    // Fits the camera to a world box, keeping its direction.
    BOOL FitCamera(const BOX3<double>& box);

    COpenGLDC m_glDC;
    BOOL m_bViewBtnShown = FALSE;

    DECLARE_MESSAGE_MAP()
};
