// 3D camera and the OpenGL device context of the work area. The context keeps
// the camera, a stack of pushed views and the hooks that make the OpenGL
// context current (installed by the OpenGL view); without hooks Ready fails
// and nothing is drawn.
#pragma once

#include "framework/numerak/Box.h"
#include "platform/core/WinTypes.h"

#include <cstddef>
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
    double m_dNear = 0.0;                   // depth range of Apply; both 0: eye distance + 1e5
    double m_dFar = 0.0;

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

    // Top view over the box: the reference point at its centre, the eye above its
    // top, the scale fitting the box's xy extent into the viewport (m_nWidth x
    // m_nHeight), and the matrices of Apply loaded. Nothing for an invalid box.
    // In that view the window depth is linear in world z (0 at the box top, 1 at
    // its bottom), so a depth read back gives the height of every pixel.
    void LookAt(const BOX3<double>& box);
    // Loads the camera's parallel projection (depth range from the eye distance and
    // the box of the last LookAt) and its model-view matrix into the current context.
    void Apply() const;
    // Unit direction from the eye towards the reference point.
    void get_viewdirection(double* dir) const;
    // Viewport width, then height, in pixels.
    void get_screen_size(int& width, int& height) const
    {
        width = m_nWidth;
        height = m_nHeight;
    }

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

    GCamera& GetCamera() { return m_Camera; }
    const GCamera& GetCamera() const { return m_Camera; }
    void SetCamera(const GCamera& camera) { m_Camera = camera; }

    // Makes the OpenGL context current for drawing a frame; FALSE (draw
    // nothing) when there is no context. Finish ends the frame.
    BOOL Ready();
    void Finish();
    BOOL IsReady() const { return m_bReady; }
    // For drawing into a framebuffer of w x h pixels in the current context: the
    // viewport and the camera's screen size become w x h and the camera's matrices
    // are loaded. FALSE for a non-positive size.
    BOOL Ready(int width, int height);
    // 1: makes the view's context current for work outside a frame (the capability
    // flags are read then); 0: releases it. Calls nest; a context that was already
    // current when the matching 1 came stays current. FALSE when no context could
    // be made current.
    BOOL MakeCurrent(int bCurrent);
    // Whether some OpenGL context is current on this thread.
    static BOOL IsContextCurrent();
    // Reads the three capability flags from the context that is current.
    void InitCaps();

    // Buffer objects with the standard OpenGL arguments (GLEW's entry points); they
    // do nothing (GenBuffers gives 0 names) while m_bVBO is not set.
    void GenBuffers(int n, unsigned int* names);
    void BindBuffer(unsigned int target, unsigned int name);
    void BufferData(unsigned int target, std::ptrdiff_t bytes, const void* data, unsigned int usage);
    void BufferSubData(unsigned int target, std::ptrdiff_t offset, std::ptrdiff_t bytes, const void* data);
    void DeleteBuffers(int n, const unsigned int* names);
    // Maps the buffer bound to target (GL_WRITE_ONLY, GL_READ_ONLY, ...); null when
    // mapping is not available (m_bPBO not set) or fails. UnmapBuffer: FALSE when the
    // contents were lost or nothing was mapped.
    void* MapBuffer(unsigned int target, unsigned int access);
    BOOL UnmapBuffer(unsigned int target);
    // One buffer created, bound to target, filled with bytes of data and unbound; its
    // name, or 0 when buffers are not available or creation failed.
    unsigned int CreateVBO(const void* data, std::ptrdiff_t bytes, unsigned int target, unsigned int usage);
    // Binds the framebuffer object (GL_FRAMEBUFFER); TRUE when it is complete.
    BOOL CheckFramebufferStatus(unsigned int fbo);
    // Light 0 becomes a directional light from (x, y, z) (given in the coordinates of
    // the current model-view matrix); lighting and light 0 are switched on.
    void SetLightDirection(float x, float y, float z);
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
    void PushViewPara() { m_stack.push_back(m_Camera); }
    // FALSE when the stack is empty.
    BOOL PopViewPara();
    int GetViewStackSize() const { return static_cast<int>(m_stack.size()); }

    GCamera m_Camera;
    // Capability flags of the context: buffer objects, framebuffer objects,
    // pixel-pack buffers (set by InitCaps; a caller may clear one to force a fallback).
    BYTE m_bVBO = 0;
    BYTE m_bFBO = 0;
    BYTE m_bPBO = 0;

private:
    std::vector<GCamera> m_stack;
    std::function<bool()> m_begin;
    std::function<void()> m_end;
    BOOL m_bReady = FALSE;
    // One entry per open MakeCurrent(1): whether it made the context current.
    std::vector<bool> m_made;
};
