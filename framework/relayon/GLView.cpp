#include "framework/relayon/GLView.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/WorkArea.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Selector.h"
#include "platform/ui/GLArea.h"

#include <algorithm>
#include <cmath>

IMPLEMENT_DYNAMIC(CGLView, CPIView)

BEGIN_MESSAGE_MAP(CGLView, CPIView)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_WM_SIZE()
END_MESSAGE_MAP()

CGLView::CGLView()
{
    m_glDC.SetFrameHooks(
        [this]() {
            CGLArea* area = FindGLArea();
            return area != nullptr && area->IsReady() && area->MakeCurrent();
        },
        [this]() {
            if (CGLArea* area = FindGLArea()) area->DoneCurrent();
        });
}

CGLView::~CGLView()
{
    if (gGetOpenGLDC() == &m_glDC) gSetOpenGLDC(nullptr);
}

int CGLView::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CPIView::OnCreate(lpCreateStruct) == -1) return -1;
    gSetOpenGLDC(&m_glDC);
    return 0;
}

void CGLView::OnDestroy()
{
    if (gGetOpenGLDC() == &m_glDC) gSetOpenGLDC(nullptr);
    CPIView::OnDestroy();
}

void CGLView::OnSize(UINT nType, int cx, int cy)
{
    CPIView::OnSize(nType, cx, cy);
    GCamera& camera = m_glDC.GetCamera();
    camera.m_nWidth = cx;
    camera.m_nHeight = cy;
}

void CGLView::OnDraw(CDC*)
{
    if (!m_glDC.Ready()) return;
    RenderScene(&m_glDC, 0);
    m_glDC.Finish();
}

void CGLView::RenderScene(COpenGLDC*, int) {}

BOOL CGLView::Zoom(double factor)
{
    if (!(std::isfinite(factor) && factor > 0.0)) return FALSE;
    if (CLooker::IsView3D()) {
        GCamera& camera = m_glDC.GetCamera();
        camera.m_fScale = static_cast<float>(camera.m_fScale * factor);
        Invalidate(FALSE);
        return TRUE;
    }
    CLooker* looker = gGetLooker();
    if (looker == nullptr || !looker->SetScale(looker->GetScale() * factor)) return FALSE;
    Invalidate(FALSE);
    return TRUE;
}

namespace {

BOX3<double> To3D(const BOX2<double>& b)
{
    BOX3<double> r;
    r.xmin = b.xmin, r.ymin = b.ymin, r.zmin = 0.0;
    r.xmax = b.xmax, r.ymax = b.ymax, r.zmax = 0.0;
    return r;
}

}  // namespace

BOOL CGLView::FitCamera(const BOX3<double>& box)
{
    if (!box.IsValid()) return FALSE;
    GCamera& c = m_glDC.GetCamera();
    double s[3], u[3], f[3];
    c.GetAxes(s, u, f);
    const double centre[3] = {0.5 * (box.xmin + box.xmax), 0.5 * (box.ymin + box.ymax), 0.5 * (box.zmin + box.zmax)};
    // Extent of the box across the view: its corners projected on right and up.
    double spanS = 0.0, spanU = 0.0;
    for (int corner = 0; corner < 8; ++corner) {
        const double d[3] = {(corner & 1 ? box.xmax : box.xmin) - centre[0], (corner & 2 ? box.ymax : box.ymin) - centre[1],
                             (corner & 4 ? box.zmax : box.zmin) - centre[2]};
        spanS = std::max(spanS, 2.0 * std::fabs(d[0] * s[0] + d[1] * s[1] + d[2] * s[2]));
        spanU = std::max(spanU, 2.0 * std::fabs(d[0] * u[0] + d[1] * u[1] + d[2] * u[2]));
    }
    for (int i = 0; i < 3; ++i) {
        const double shift = centre[i] - c.m_ref[i];
        c.m_ref[i] += shift;
        c.m_eye[i] += shift;
    }
    const double w = c.m_nWidth > 0 ? c.m_nWidth : 1, h = c.m_nHeight > 0 ? c.m_nHeight : 1;
    double scale = HUGE_VAL;
    if (spanS > 0.0) scale = std::min(scale, w / spanS);
    if (spanU > 0.0) scale = std::min(scale, h / spanU);
    if (std::isfinite(scale) && scale > 0.0) c.m_fScale = static_cast<float>(scale);
    Invalidate(FALSE);
    return TRUE;
}

BOOL CGLView::ZoomAll(int)
{
    BOX2<double> box;
    if (!CDBase::IsLiving() || !CDBase::Instance()->GetBox2D(&box)) return ZoomPage(0);
    return FitCamera(To3D(box));
}

BOOL CGLView::ZoomSelect(int)
{
    CSelector* selector = gGetSelector();
    BOX2<double> box;
    if (selector == nullptr || !selector->GetBox(&box)) return FALSE;
    return FitCamera(To3D(box));
}

BOOL CGLView::ZoomPage(int) { return FitCamera(To3D(CWorkArea::Instance()->GetPageSize())); }

BOOL CGLView::ZoomRect(CPoint p1, CPoint p2, int)
{
    const double w = std::abs(p2.x - p1.x), h = std::abs(p2.y - p1.y);
    if (!(w > 0.0) || !(h > 0.0)) return FALSE;
    GCamera& c = m_glDC.GetCamera();
    double centre[3];
    c.screen_to_world(0.5 * (p1.x + p2.x), 0.5 * (p1.y + p2.y), centre);
    for (int i = 0; i < 3; ++i) {
        const double shift = centre[i] - c.m_ref[i];
        c.m_ref[i] += shift;
        c.m_eye[i] += shift;
    }
    const double vw = c.m_nWidth > 0 ? c.m_nWidth : 1, vh = c.m_nHeight > 0 ? c.m_nHeight : 1;
    c.m_fScale = static_cast<float>(c.m_fScale * std::min(vw / w, vh / h));
    Invalidate(FALSE);
    return TRUE;
}

void CGLView::MoveView(double dx, double dy)
{
    if (!std::isfinite(dx) || !std::isfinite(dy)) return;
    GCamera& c = m_glDC.GetCamera();
    double s[3], u[3], f[3];
    c.GetAxes(s, u, f);
    const double scale = c.m_fScale > 0.0f ? c.m_fScale : 1.0;
    for (int i = 0; i < 3; ++i) {
        const double shift = -(s[i] * dx + u[i] * dy) / scale;
        c.m_ref[i] += shift;
        c.m_eye[i] += shift;
    }
    Invalidate(FALSE);
}

void CGLView::RotView(const CPoint3f& last, const CPoint3f& now, const CPoint3f& centre)
{
    GCamera& c = m_glDC.GetCamera();
    double s[3], u[3], f[3];
    c.GetAxes(s, u, f);
    const double d[3] = {double(now.x) - last.x, double(now.y) - last.y, double(now.z) - last.z};
    // The drag across the screen, in pixels along right and up.
    const double scale = c.m_fScale > 0.0f ? c.m_fScale : 1.0;
    const double ds = (d[0] * s[0] + d[1] * s[1] + d[2] * s[2]) * scale;
    const double du = (d[0] * u[0] + d[1] * u[1] + d[2] * u[2]) * scale;
    const double pixels = std::hypot(ds, du);
    if (!(pixels > 0.0)) return;
    // The picture turns about the screen axis across the drag; the camera turns the other way.
    double axis[3];
    for (int i = 0; i < 3; ++i) axis[i] = (u[i] * ds - s[i] * du) / pixels;
    const double origin[3] = {centre.x, centre.y, centre.z};
    GCamera turned;
    c.rot_view(origin, axis, -pixels * kRotPerPixel, turned);
    c = turned;
    Invalidate(FALSE);
}

void CGLView::OnViewType(int viewType)
{
    GCamera& c = m_glDC.GetCamera();
    const double dx = c.m_eye[0] - c.m_ref[0], dy = c.m_eye[1] - c.m_ref[1], dz = c.m_eye[2] - c.m_ref[2];
    double dist = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (!(dist > 1e-9)) dist = 1000.0;
    // Direction from the reference point to the eye, and the up vector, per type.
    static const double kDirs[8][6] = {
        {0, 0, 1, 0, 1, 0},   // free: keep as top
        {0, 0, 1, 0, 1, 0},   // top
        {0, 0, -1, 0, 1, 0},  // bottom
        {0, -1, 0, 0, 0, 1},  // front
        {0, 1, 0, 0, 0, 1},   // back
        {-1, 0, 0, 0, 0, 1},  // left
        {1, 0, 0, 0, 0, 1},   // right
        {0.5773502691896258, -0.5773502691896258, 0.5773502691896258, 0, 0, 1},  // isometric
    };
    if (viewType < 0 || viewType > 7) return;
    if (viewType != GCamera::kViewFree) {
        for (int i = 0; i < 3; ++i) {
            c.m_eye[i] = c.m_ref[i] + kDirs[viewType][i] * dist;
            c.m_up[i] = kDirs[viewType][3 + i];
        }
    }
    c.m_nViewType = viewType;
    Invalidate(FALSE);
}
