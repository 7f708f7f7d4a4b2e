// 3D camera and the OpenGL device context of the work area. The context keeps
// the camera, a stack of pushed views and the hooks that make the OpenGL
// context current (installed by the OpenGL view); without hooks Ready fails
// and nothing is drawn.
#pragma once

#include "platform/core/WinTypes.h"

#include <functional>
#include <vector>

class GCamera {
public:
    // View types: 0 free; 1 to 6 the six axis views (top, bottom, front, back,
    // left, right); 7 isometric.
    static constexpr int kViewFree = 0;
    static constexpr int kViewTop = 1;
    static constexpr int kViewIsometric = 7;

    double m_eye[3] = {0.0, 0.0, 1000.0};  // eye point
    double m_ref[3] = {0.0, 0.0, 0.0};     // reference point looked at
    double m_up[3] = {0.0, 1.0, 0.0};      // up direction
    float m_fScale = 1.0f;                  // pixels per world unit
    int m_nViewType = kViewTop;
    int m_nWidth = 0;                       // viewport in pixels (set by the view)
    int m_nHeight = 0;

    // The parallel projection: the reference point appears at the viewport's
    // centre, screen x runs along the camera's right, screen y down its up.
    // Unit vectors of the camera: right, up (made perpendicular) and the view
    // direction from the eye towards the reference point.
    void GetAxes(double* right, double* up, double* forward) const;
    // Unrounded pixel of a world point.
    void world_to_screen(const double* world, double* pixel) const;
    // World point of a pixel in the plane through the reference point across
    // the view direction.
    void screen_to_world(double px, double py, double* world) const;
    // World point of a pixel on the plane z = 0 (the drawing's plane); the
    // screen_to_world point when the view runs along that plane.
    void get_plane_point(double px, double py, double* world) const;
    // result = this camera turned by angle (radians, right-handed) about the
    // axis through origin.
    void rot_view(const double* origin, const double* axis, double angle, GCamera& result) const;

    // Linear blend of the points and the scale; the up vector is blended and
    // normalised (the start's when the blend vanishes). t is clamped to [0, 1];
    // the view type is the end's at t = 1, else free.
    static GCamera Lerp(const GCamera& start, const GCamera& end, float t);
};

class COpenGLDC {
public:
    COpenGLDC() = default;
    virtual ~COpenGLDC() = default;
    COpenGLDC(const COpenGLDC&) = delete;
    COpenGLDC& operator=(const COpenGLDC&) = delete;

    GCamera& GetCamera() { return m_camera; }
    const GCamera& GetCamera() const { return m_camera; }
    void SetCamera(const GCamera& camera) { m_camera = camera; }

    // Makes the OpenGL context current for drawing a frame; FALSE (draw
    // nothing) when there is no context. Finish ends the frame.
    BOOL Ready();
    void Finish();
    BOOL IsReady() const { return m_bReady; }
    // Hooks of the OpenGL view: begin returns whether a context is current.
    void SetFrameHooks(std::function<bool()> begin, std::function<void()> end);

    // The current OpenGL colour as a Windows colour value 0x00BBGGRR, read from the
    // context that is current (black without one); SetColor makes the colour current.
    COLORREF GetColor() const;
    void SetColor(COLORREF colour);
    // Draws the n points as one line strip in the current colour; nothing for fewer
    // than two points.
    void DrawPolyline(const double (*points)[3], int n);

    // result = interpolation between start and end at t.
    void LerpView(const GCamera& start, const GCamera& end, float t, GCamera& result) const;
    // View stack of the previous-view command.
    void PushViewPara() { m_stack.push_back(m_camera); }
    // FALSE when the stack is empty.
    BOOL PopViewPara();
    int GetViewStackSize() const { return static_cast<int>(m_stack.size()); }

private:
    GCamera m_camera;
    std::vector<GCamera> m_stack;
    std::function<bool()> m_begin;
    std::function<void()> m_end;
    BOOL m_bReady = FALSE;
};
