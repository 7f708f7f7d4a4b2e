// Display and picking of trimmed surfaces.
#include "framework/looker/Looker.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Bsrf.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "geometry/shapes2d/GeCurve.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <vector>

namespace {

// Show modes of surfaces: shaded tessellation, wireframe, exact NURBS.
constexpr int kShowShaded = 20;
constexpr int kShowWire = 21;
constexpr int kShowNurbs = 23;
// GLU sampling tolerance: the smaller viewport side over this, at most kMaxSampling pixels.
constexpr double kSamplingDivisor = 300.0;
constexpr double kMaxSampling = 10.0;
// Parameter-plane tolerance of the trim polylines handed to GLU.
constexpr double kTrimDisplayTol = 0.001;

}  // namespace

void CGeTrimSurf::Draw(CDC* dc)
{
    if (!IsEnableDraw2D()) return;
    for (CGeTrimLoop* loop : m_listLoop)
        if (loop) loop->Draw(dc);
    CGeSurf::Draw(dc);
}

void CGeTrimSurf::DrawGL(COpenGLDC* dc, int mode)
{
    CLooker* looker = gGetLooker();
    if (!looker) return;
    int show = looker->GetSrfShowMode();
    if (looker->IsAnimateView() || mode == 3) show = kShowWire;
    if (mode == kShowNurbs) show = kShowNurbs;
    auto drawLoops = [&] {
        for (CGeTrimLoop* loop : m_listLoop)
            if (loop) loop->DrawGL(dc, mode);
    };
    if (show == kShowShaded) {
        CGeMesh::DrawGL(dc, mode);
        if (mode == 1) {
            glDisable(GL_DEPTH_TEST);
            glDisable(GL_LIGHTING);
            drawLoops();
            glEnable(GL_LIGHTING);
            glEnable(GL_DEPTH_TEST);
        }
    } else if (show == kShowWire) {
        glDisable(GL_LIGHTING);
        drawLoops();
        glEnable(GL_LIGHTING);
        CGeSurf::DrawGL(dc, mode);
    } else if (show == kShowNurbs && m_pSurface) {
        GLUnurbsObj* nurbs = gluNewNurbsRenderer();
        if (!nurbs) return;
        const _nurbs_surface* s = m_pSurface;
        std::vector<float> U(s->U, s->U + s->nu + s->ku), V(s->V, s->V + s->nv + s->kv);
        std::vector<float> net;
        net.reserve(static_cast<size_t>(s->nu) * s->nv * 4);
        for (int i = 0; i < s->nu; ++i)
            for (int j = 0; j < s->nv; ++j)
                for (int k = 0; k < 4; ++k) net.push_back(float(s->P[i][j][k]));
        GLint viewport[4] = {0, 0, 0, 0};
        glGetIntegerv(GL_VIEWPORT, viewport);
        const float sampling = float(std::min(std::min(viewport[2], viewport[3]) / kSamplingDivisor, kMaxSampling));
        gluNurbsProperty(nurbs, GLU_SAMPLING_TOLERANCE, sampling);
        gluNurbsProperty(nurbs, GLU_DISPLAY_MODE, GLU_FILL);
        // GLU gives the evaluated vertices normals only with auto normals on; without
        // them a lit surface shades as one flat colour.
        glPushAttrib(GL_ENABLE_BIT);
        glEnable(GL_AUTO_NORMAL);
        gluBeginSurface(nurbs);
        gluNurbsSurface(nurbs, int(U.size()), U.data(), int(V.size()), V.data(), s->nv * 4, 4, net.data(), s->ku,
                        s->kv, GL_MAP2_VERTEX_4);
        std::vector<float> trim;
        for (CGeTrimLoop* loop : m_listLoop) {
            if (!loop) continue;
            gluBeginTrim(nurbs);
            for (CGeTrimBnd* b : loop->m_listBnd) {
                if (!b || !b->m_pUVCrv) continue;
                b->m_pUVCrv->EnsureDisplay(kTrimDisplayTol);
                const double(*p)[2] = b->m_pUVCrv->GetSWPoint();
                const int n = b->m_pUVCrv->GetSWPointCount();
                if (n < 2) continue;
                trim.assign(&p[0][0], &p[0][0] + 2 * n);
                gluPwlCurve(nurbs, n, trim.data(), 2, GLU_MAP1_TRIM_2);
            }
            gluEndTrim(nurbs);
        }
        gluEndSurface(nurbs);
        glPopAttrib();
        gluDeleteNurbsRenderer(nurbs);
    }
}

int CGeTrimSurf::Pick(CPickRay& ray, int check)
{
    if (check && !(GetType() & ray.m_nTypeMask)) return 0;
    CLooker* looker = gGetLooker();
    const int show = looker ? looker->GetSrfShowMode() : kShowShaded;
    if (!ray.m_b2D && show != kShowWire) return CGeMesh::Pick(ray, 0);
    if (PickTrimBnd(ray)) return 1;
    return CGeSurf::Pick(ray, 0);
}

CGeTrimBnd* CGeTrimSurf::PickTrimBnd(CPickRay& ray)
{
    for (CGeTrimLoop* loop : m_listLoop) {
        if (!loop) continue;
        for (CGeTrimBnd* b : loop->m_listBnd)
            if (b && b->Pick(ray, 0)) return b;
    }
    return nullptr;
}
