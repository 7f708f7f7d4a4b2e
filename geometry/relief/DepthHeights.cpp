#include "geometry/relief/DepthHeights.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

namespace relief {

bool ReadDepthHeights(COpenGLDC* dc, const float* origin, float stepX, float stepY, int countX, int countY,
                      double zLow, double zHigh, const std::function<void()>& draw, float* heights)
{
    if (!dc || !dc->m_bFBO || !dc->m_bPBO || countX < 1 || countY < 1 || !(stepX > 0.0f) || !(stepY > 0.0f))
        return false;
    GLint limit = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &limit);
    if (countX > limit || countY > limit) return false;
    // Depths of 0 and 1 are the range's ends, and 1 means "nothing drawn": keep the
    // surfaces strictly inside.
    const double margin = std::max(1.0, 0.01 * (zHigh - zLow));
    const double top = zHigh + margin, bottom = zLow - margin;

    GLuint fbo = 0, colour = 0, depth = 0, pack = 0;
    glGenFramebuffers(1, &fbo);
    glGenRenderbuffers(1, &colour);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, countX, countY);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, countX, countY);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    bool ok = dc->CheckFramebufferStatus(fbo) != FALSE;
    if (ok) {
        glPushAttrib(GL_VIEWPORT_BIT | GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT |
                     GL_SCISSOR_BIT | GL_POLYGON_BIT);
        glViewport(0, 0, countX, countY);
        // Whatever state the context was left in: every face writes its depth.
        glDisable(GL_SCISSOR_TEST);
        glDisable(GL_CULL_FACE);
        glDepthMask(GL_TRUE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        // Pixel centres on the nodes, the outermost ones pulled in by 1/64 step (above the
        // rasteriser's sub-pixel precision): a centre exactly on a surface's far edge is
        // not filled.
        const auto span = [](double first, double step, int count, double& lo, double& hi) {
            const double inset = count > 1 ? step / 64.0 : 0.0;
            const double pitch = count > 1 ? ((count - 1) * double(step) - 2.0 * inset) / (count - 1) : double(step);
            lo = first + inset - 0.5 * pitch;
            hi = lo + count * pitch;
        };
        double x0, x1, y0, y1;
        span(origin[0], stepX, countX, x0, x1);
        span(origin[1], stepY, countY, y0, y1);
        glOrtho(x0, x1, y0, y1, -top, -bottom);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        draw();
        glFinish();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();

        const size_t cells = static_cast<size_t>(countX) * static_cast<size_t>(countY);
        glGenBuffers(1, &pack);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, pack);
        glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(cells * sizeof(float)), nullptr, GL_STREAM_READ);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, countX, countY, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
        const auto* d = static_cast<const float*>(glMapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY));
        if (d) {
            const double range = top - bottom;
            for (size_t k = 0; k < cells; ++k)
                if (d[k] < 1.0f) heights[k] = static_cast<float>(top - d[k] * range);
            glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
        } else {
            ok = false;
        }
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        glPopAttrib();
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (pack) glDeleteBuffers(1, &pack);
    glDeleteRenderbuffers(1, &depth);
    glDeleteRenderbuffers(1, &colour);
    glDeleteFramebuffers(1, &fbo);
    return ok;
}

bool WithDepthContext(const std::function<bool(COpenGLDC*)>& work)
{
    COpenGLDC* dc = gGetOpenGLDC();
    if (!dc) return false;
    const bool made = !COpenGLDC::IsContextCurrent();
    if (made && !dc->MakeCurrent(1)) return false;
    if (made) dc->InitCaps();
    const bool done = dc->m_bFBO && dc->m_bPBO && work(dc);
    if (made) dc->MakeCurrent(0);
    return done;
}

}  // namespace relief
