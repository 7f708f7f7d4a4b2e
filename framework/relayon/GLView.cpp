#include "framework/relayon/GLView.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/WorkArea.h"
#include "framework/relayon/DBase.h"
#include "platform/ui/GLArea.h"

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

void CGLView::OnSize(UINT nType, int cx, int cy) { CPIView::OnSize(nType, cx, cy); }

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

BOOL CGLView::ZoomAll()
{
    BOX2<double> box;
    if (!CDBase::IsLiving() || !CDBase::Instance()->GetBox2D(&box)) return ZoomPage();
    return ZoomRect(box);
}

BOOL CGLView::ZoomPage() { return ZoomRect(CWorkArea::Instance()->GetPageSize()); }

BOOL CGLView::ZoomRect(const BOX2<double>& box)
{
    CLooker* looker = gGetLooker();
    if (looker == nullptr || !box.IsValid() || !looker->ZoomBox(box)) return FALSE;
    Invalidate(FALSE);
    return TRUE;
}

void CGLView::MoveView(double dx, double dy)
{
    if (CLooker* looker = gGetLooker()) looker->MoveView(dx, dy);
    Invalidate(FALSE);
}

void CGLView::RotView(double angleZ, double angleX)
{
    GCamera& c = m_glDC.GetCamera();
    double v[3] = {c.m_eye[0] - c.m_ref[0], c.m_eye[1] - c.m_ref[1], c.m_eye[2] - c.m_ref[2]};
    // About z.
    const double cz = std::cos(angleZ), sz = std::sin(angleZ);
    double r[3] = {v[0] * cz - v[1] * sz, v[0] * sz + v[1] * cz, v[2]};
    double up[3] = {c.m_up[0] * cz - c.m_up[1] * sz, c.m_up[0] * sz + c.m_up[1] * cz, c.m_up[2]};
    // About the horizontal screen axis (up x view direction), by Rodrigues' formula.
    double axis[3] = {up[1] * r[2] - up[2] * r[1], up[2] * r[0] - up[0] * r[2], up[0] * r[1] - up[1] * r[0]};
    const double len = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    if (len > 1e-12) {
        for (double& a : axis) a /= len;
        auto rotate = [&](double* w) {
            const double cx = std::cos(angleX), sx = std::sin(angleX);
            const double dot = axis[0] * w[0] + axis[1] * w[1] + axis[2] * w[2];
            const double cross[3] = {axis[1] * w[2] - axis[2] * w[1], axis[2] * w[0] - axis[0] * w[2],
                                     axis[0] * w[1] - axis[1] * w[0]};
            for (int i = 0; i < 3; ++i) w[i] = w[i] * cx + cross[i] * sx + axis[i] * dot * (1.0 - cx);
        };
        rotate(r);
        rotate(up);
    }
    for (int i = 0; i < 3; ++i) c.m_eye[i] = c.m_ref[i] + r[i], c.m_up[i] = up[i];
    c.m_nViewType = GCamera::kViewFree;
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
