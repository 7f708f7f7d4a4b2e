// View base with the OpenGL device context of the 3D display and the view
// operations (zoom, pan, rotation, standard view directions). The 2D display
// is the derived view's; in 3D OnDraw renders the scene through RenderScene.
#pragma once

#include "framework/extendra/PIDoc.h"
#include "framework/looker/Camera.h"
#include "framework/numerak/Box.h"

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

    // View operations on the current view object (2D) or the camera (3D).
    // Zoom by factor about the view centre; non-positive factors are refused.
    BOOL Zoom(double factor);
    // Shows all entities of the database (the page when it is empty).
    BOOL ZoomAll();
    BOOL ZoomPage();
    BOOL ZoomRect(const BOX2<double>& box);
    void MoveView(double dx, double dy);
    // Turns the camera about the reference point (radians about z, then about
    // the horizontal screen axis).
    void RotView(double angleZ, double angleX);
    // Standard direction of the camera (GCamera view types).
    void OnViewType(int viewType);
    void HideViewBtn() { m_bViewBtnShown = FALSE; }
    BOOL IsZoomEnable() const { return TRUE; }

    COpenGLDC* GetOpenGLDC() { return &m_glDC; }
    int GetFrameRate() const { return m_nFrameRate; }

    int m_nFrameRate = 0;  // frames per second of the last measured paint

protected:
    COpenGLDC m_glDC;
    BOOL m_bViewBtnShown = FALSE;

    DECLARE_MESSAGE_MAP()
};
