#include "framework/looker/Camera.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

GCamera GCamera::Lerp(const GCamera& start, const GCamera& end, float t)
{
    const double s = std::clamp(static_cast<double>(t), 0.0, 1.0);
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

BOOL COpenGLDC::Ready()
{
    m_bReady = m_begin && m_begin() ? TRUE : FALSE;
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
    m_camera = m_stack.back();
    m_stack.pop_back();
    return TRUE;
}
