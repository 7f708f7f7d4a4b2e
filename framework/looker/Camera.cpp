#include "framework/looker/Camera.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

GCamera GCamera::Lerp(const GCamera& start, const GCamera& end, float t)
{
    const double s = std::clamp(static_cast<double>(t), 0.0, 1.0);
    // The end itself at t = 1, not a sum that may miss it by a rounding.
    if (s >= 1.0) return end;
    GCamera r = start;
    double up[3];
    double len2 = 0.0;
    for (int i = 0; i < 3; ++i) {
        r.m_eye[i] = start.m_eye[i] + (end.m_eye[i] - start.m_eye[i]) * s;
        r.m_ref[i] = start.m_ref[i] + (end.m_ref[i] - start.m_ref[i]) * s;
        up[i] = start.m_up[i] + (end.m_up[i] - start.m_up[i]) * s;
        len2 += up[i] * up[i];
    }
    // Opposite up vectors cancel half-way; keep the start's then.
    if (len2 > 1e-24) {
        const double len = std::sqrt(len2);
        for (int i = 0; i < 3; ++i) r.m_up[i] = up[i] / len;
    }
    r.m_fScale = static_cast<float>(start.m_fScale + (end.m_fScale - start.m_fScale) * s);
    r.m_nViewType = s >= 1.0 ? end.m_nViewType : kViewFree;
    return r;
}

namespace {

double Dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void Cross(const double* a, const double* b, double* r)
{
    const double c[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    r[0] = c[0], r[1] = c[1], r[2] = c[2];
}

bool Normalise(double* v)
{
    const double len = std::sqrt(Dot(v, v));
    if (!(len > 1e-300) || !std::isfinite(len)) return false;
    for (int i = 0; i < 3; ++i) v[i] /= len;
    return true;
}

// Rodrigues' rotation of v about the unit axis.
void Rotate(double* v, const double* axis, double c, double s)
{
    double cross[3];
    Cross(axis, v, cross);
    const double dot = Dot(axis, v);
    for (int i = 0; i < 3; ++i) v[i] = v[i] * c + cross[i] * s + axis[i] * dot * (1.0 - c);
}

double ScaleOf(const GCamera& c) { return c.m_fScale > 0.0f && std::isfinite(c.m_fScale) ? c.m_fScale : 1.0; }

}  // namespace

void GCamera::GetAxes(double* right, double* up, double* forward) const
{
    double f[3] = {m_ref[0] - m_eye[0], m_ref[1] - m_eye[1], m_ref[2] - m_eye[2]};
    if (!Normalise(f)) f[0] = 0.0, f[1] = 0.0, f[2] = -1.0;
    double s[3];
    Cross(f, m_up, s);
    if (!Normalise(s)) {
        // Up along the view direction: any perpendicular will do.
        const double other[3] = {std::fabs(f[0]) < 0.9 ? 1.0 : 0.0, std::fabs(f[0]) < 0.9 ? 0.0 : 1.0, 0.0};
        Cross(f, other, s);
        Normalise(s);
    }
    double u[3];
    Cross(s, f, u);
    for (int i = 0; i < 3; ++i) right[i] = s[i], up[i] = u[i], forward[i] = f[i];
}

void GCamera::world_to_screen(const double* world, double* pixel) const
{
    double s[3], u[3], f[3];
    GetAxes(s, u, f);
    const double d[3] = {world[0] - m_ref[0], world[1] - m_ref[1], world[2] - m_ref[2]};
    const double scale = ScaleOf(*this);
    pixel[0] = 0.5 * m_nWidth + Dot(d, s) * scale;
    pixel[1] = 0.5 * m_nHeight - Dot(d, u) * scale;
}

void GCamera::screen_to_world(double px, double py, double* world) const
{
    double s[3], u[3], f[3];
    GetAxes(s, u, f);
    const double scale = ScaleOf(*this);
    const double a = (px - 0.5 * m_nWidth) / scale, b = (0.5 * m_nHeight - py) / scale;
    for (int i = 0; i < 3; ++i) world[i] = m_ref[i] + s[i] * a + u[i] * b;
}

void GCamera::get_plane_point(double px, double py, double* world) const
{
    double s[3], u[3], f[3];
    GetAxes(s, u, f);
    screen_to_world(px, py, world);
    if (std::fabs(f[2]) < 1e-9) return;
    const double t = -world[2] / f[2];
    for (int i = 0; i < 3; ++i) world[i] += f[i] * t;
}

void GCamera::get_viewdirection(double* dir) const
{
    double s[3], u[3];
    GetAxes(s, u, dir);
}

void GCamera::LookAt(const BOX3<double>& box)
{
    if (!box.IsValid()) return;
    const double cx = 0.5 * (box.xmin + box.xmax), cy = 0.5 * (box.ymin + box.ymax);
    m_ref[0] = cx, m_ref[1] = cy, m_ref[2] = box.zmin;
    // One unit above the top, so that the top is in front of the near plane's rounding.
    m_eye[0] = cx, m_eye[1] = cy, m_eye[2] = box.zmax + 1.0;
    m_up[0] = 0.0, m_up[1] = 1.0, m_up[2] = 0.0;
    m_nViewType = kViewTop;
    const double dx = box.xmax - box.xmin, dy = box.ymax - box.ymin;
    const double w = m_nWidth > 0 ? m_nWidth : 1, h = m_nHeight > 0 ? m_nHeight : 1;
    double scale = HUGE_VAL;
    if (dx > 0.0) scale = std::min(scale, w / dx);
    if (dy > 0.0) scale = std::min(scale, h / dy);
    if (std::isfinite(scale)) m_fScale = static_cast<float>(scale);
    m_dNear = 1.0;
    m_dFar = 1.0 + std::max(box.zmax - box.zmin, 1e-6);
    Apply();
}

void GCamera::Apply() const
{
    const double scale = ScaleOf(*this);
    const double w = m_nWidth > 0 ? m_nWidth : 1, h = m_nHeight > 0 ? m_nHeight : 1;
    double zNear = m_dNear, zFar = m_dFar;
    if (zNear == 0.0 && zFar == 0.0) {
        const double d[3] = {m_eye[0] - m_ref[0], m_eye[1] - m_ref[1], m_eye[2] - m_ref[2]};
        const double depth = std::sqrt(Dot(d, d)) + 1e5;
        zNear = -depth, zFar = depth;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.5 * w / scale, 0.5 * w / scale, -0.5 * h / scale, 0.5 * h / scale, zNear, zFar);
    // Column-major look-at matrix: rows right, up and backward, then the eye moved to the origin.
    double s[3], u[3], f[3];
    GetAxes(s, u, f);
    const double m[16] = {s[0], u[0], -f[0], 0.0, s[1], u[1], -f[1], 0.0, s[2], u[2], -f[2], 0.0,
                          -Dot(s, m_eye), -Dot(u, m_eye), Dot(f, m_eye), 1.0};
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(m);
}

void GCamera::rot_view(const double* origin, const double* axis, double angle, GCamera& result) const
{
    result = *this;
    double a[3] = {axis[0], axis[1], axis[2]};
    if (!Normalise(a) || !std::isfinite(angle)) return;
    const double c = std::cos(angle), s = std::sin(angle);
    for (double* p : {result.m_eye, result.m_ref}) {
        double v[3] = {p[0] - origin[0], p[1] - origin[1], p[2] - origin[2]};
        Rotate(v, a, c, s);
        for (int i = 0; i < 3; ++i) p[i] = origin[i] + v[i];
    }
    Rotate(result.m_up, a, c, s);
    result.m_nViewType = kViewFree;
}

BOOL COpenGLDC::Ready()
{
    m_bReady = m_begin && m_begin() ? TRUE : FALSE;
    if (m_bReady) InitCaps();
    return m_bReady;
}

void COpenGLDC::Finish()
{
    if (m_bReady && m_end) m_end();
    m_bReady = FALSE;
}

void COpenGLDC::SetFrameHooks(std::function<bool()> begin, std::function<void()> end)
{
    m_begin = std::move(begin);
    m_end = std::move(end);
}

BOOL COpenGLDC::Ready(int width, int height)
{
    if (width <= 0 || height <= 0) return FALSE;
    m_Camera.m_nWidth = width;
    m_Camera.m_nHeight = height;
    glViewport(0, 0, width, height);
    m_Camera.Apply();
    InitCaps();
    return TRUE;
}

BOOL COpenGLDC::IsContextCurrent() { return glGetString(GL_VERSION) != nullptr ? TRUE : FALSE; }

BOOL COpenGLDC::MakeCurrent(int bCurrent)
{
    if (bCurrent) {
        if (IsContextCurrent()) {
            m_made.push_back(false);
        } else {
            if (!m_begin || !m_begin()) return FALSE;
            m_made.push_back(true);
        }
        InitCaps();
        return TRUE;
    }
    if (m_made.empty()) return FALSE;
    const bool made = m_made.back();
    m_made.pop_back();
    if (made && m_end) m_end();
    return TRUE;
}

void COpenGLDC::InitCaps()
{
    if (!IsContextCurrent()) return;
    // GLEW's entry points are null until glewInit ran in some context.
    m_bVBO = glGenBuffers && glBindBuffer && glBufferData && glBufferSubData && glDeleteBuffers ? 1 : 0;
    m_bFBO = glGenFramebuffers && glBindFramebuffer && glCheckFramebufferStatus && glFramebufferTexture2D &&
                     glGenRenderbuffers && glRenderbufferStorage && glFramebufferRenderbuffer && glDeleteFramebuffers &&
                     glDeleteRenderbuffers
                 ? 1
                 : 0;
    m_bPBO = m_bVBO && glMapBuffer && glUnmapBuffer && (GLEW_VERSION_2_1 || GLEW_ARB_pixel_buffer_object) ? 1 : 0;
}

void COpenGLDC::GenBuffers(int n, unsigned int* names)
{
    if (names == nullptr || n <= 0) return;
    if (!m_bVBO) {
        std::fill(names, names + n, 0u);
        return;
    }
    glGenBuffers(n, names);
}

void COpenGLDC::BindBuffer(unsigned int target, unsigned int name)
{
    if (m_bVBO) glBindBuffer(target, name);
}

void COpenGLDC::BufferData(unsigned int target, std::ptrdiff_t bytes, const void* data, unsigned int usage)
{
    if (m_bVBO) glBufferData(target, bytes, data, usage);
}

void COpenGLDC::BufferSubData(unsigned int target, std::ptrdiff_t offset, std::ptrdiff_t bytes, const void* data)
{
    if (m_bVBO) glBufferSubData(target, offset, bytes, data);
}

void COpenGLDC::DeleteBuffers(int n, const unsigned int* names)
{
    if (m_bVBO && names != nullptr && n > 0) glDeleteBuffers(n, names);
}

void* COpenGLDC::MapBuffer(unsigned int target, unsigned int access)
{
    return m_bPBO ? glMapBuffer(target, access) : nullptr;
}

BOOL COpenGLDC::UnmapBuffer(unsigned int target) { return m_bPBO && glUnmapBuffer(target) ? TRUE : FALSE; }

unsigned int COpenGLDC::CreateVBO(const void* data, std::ptrdiff_t bytes, unsigned int target, unsigned int usage)
{
    if (!m_bVBO || bytes <= 0) return 0;
    while (glGetError() != GL_NO_ERROR) {
    }
    unsigned int name = 0;
    glGenBuffers(1, &name);
    if (name == 0) return 0;
    glBindBuffer(target, name);
    glBufferData(target, bytes, data, usage);
    // An allocation the driver refused leaves no buffer behind.
    const bool failed = glGetError() != GL_NO_ERROR;
    glBindBuffer(target, 0);
    if (failed) {
        glDeleteBuffers(1, &name);
        return 0;
    }
    return name;
}

BOOL COpenGLDC::CheckFramebufferStatus(unsigned int fbo)
{
    if (!m_bFBO) return FALSE;
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE ? TRUE : FALSE;
}

void COpenGLDC::SetLightDirection(float x, float y, float z)
{
    const GLfloat position[4] = {x, y, z, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
}

COLORREF COpenGLDC::GetColor() const
{
    // Without a current context the call leaves the array as it is.
    GLfloat rgba[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glGetFloatv(GL_CURRENT_COLOR, rgba);
    auto channel = [](GLfloat c) {
        return static_cast<BYTE>(std::lround(std::clamp(static_cast<double>(c), 0.0, 1.0) * 255.0));
    };
    return RGB(channel(rgba[0]), channel(rgba[1]), channel(rgba[2]));
}

void COpenGLDC::SetColor(COLORREF colour) { glColor3ub(GetRValue(colour), GetGValue(colour), GetBValue(colour)); }

void COpenGLDC::DrawPolyline(const double (*points)[3], int n)
{
    if (!points || n < 2) return;
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < n; ++i) glVertex3dv(points[i]);
    glEnd();
}

void COpenGLDC::LerpView(const GCamera& start, const GCamera& end, float t, GCamera& result) const
{
    result = GCamera::Lerp(start, end, t);
}

BOOL COpenGLDC::PopViewPara()
{
    if (m_stack.empty()) return FALSE;
    // The viewport is the window's now, not the one of the pushed view.
    const int width = m_Camera.m_nWidth, height = m_Camera.m_nHeight;
    m_Camera = m_stack.back();
    m_Camera.m_nWidth = width, m_Camera.m_nHeight = height;
    m_stack.pop_back();
    return TRUE;
}
