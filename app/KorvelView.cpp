#include "app/KorvelView.h"

#include <GL/glew.h>

#include "app/KorvelDoc.h"
#include "app/KorvelIds.h"
#include "app/MainFrame.h"
#include "app/QVMemDC.h"
#include "app/StartupLog.h"
#include "framework/actorum/MainCmds.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/WorkArea.h"
#include "framework/numerak/Timer.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "framework/relayon/Selector.h"
#include "platform/ui/GLArea.h"

#include <algorithm>
#include <cmath>

IMPLEMENT_DYNCREATE(CKorvelView, CGLView)

BEGIN_MESSAGE_MAP(CKorvelView, CGLView)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_WM_SIZE()
    ON_COMMAND(korvel::ID_VIEW_3D, &CKorvelView::OnView3D)
    ON_COMMAND(korvel::ID_FILL_DISPLAY, &CKorvelView::OnFillDisplay)
END_MESSAGE_MAP()

namespace {

CMainFrame* MainFrame() { return dynamic_cast<CMainFrame*>(gGetMainFrame()); }

void SendToFrame(UINT message)
{
    if (CFrameWnd* frame = gGetMainFrame()) frame->SendMessage(message, 0, 0);
}

// Camera looking from eye at ref with the up direction, as a column-major matrix.
void LookAt(const double* eye, const double* ref, const double* up, double* m)
{
    double f[3] = {ref[0] - eye[0], ref[1] - eye[1], ref[2] - eye[2]};
    const double fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    if (!(fl > 1e-12)) f[0] = 0.0, f[1] = 0.0, f[2] = -1.0;
    else for (double& v : f) v /= fl;
    double s[3] = {f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2], f[0] * up[1] - f[1] * up[0]};
    double sl = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    if (!(sl > 1e-12)) {
        // Up along the view direction: any perpendicular will do.
        s[0] = 1.0, s[1] = 0.0, s[2] = 0.0;
        sl = 1.0;
    }
    for (double& v : s) v /= sl;
    const double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    const double r[16] = {s[0], u[0], -f[0], 0.0, s[1], u[1], -f[1], 0.0, s[2], u[2], -f[2], 0.0,
                          -(s[0] * eye[0] + s[1] * eye[1] + s[2] * eye[2]),
                          -(u[0] * eye[0] + u[1] * eye[1] + u[2] * eye[2]),
                          f[0] * eye[0] + f[1] * eye[1] + f[2] * eye[2], 1.0};
    std::copy(r, r + 16, m);
}

void GLColor(COLORREF c) { glColor3ub(GetRValue(c), GetGValue(c), GetBValue(c)); }

}  // namespace

CKorvelView::CKorvelView() { gSetView(this); }

CKorvelView::~CKorvelView()
{
    if (gGetView() == this) gSetView(nullptr);
    if (m_pLooker != nullptr && m_pLooker == gGetLooker() && m_pLooker->GetViewWnd() == this)
        m_pLooker->SetViewWnd(nullptr, nullptr);
}

CKorvelDoc* CKorvelView::GetDocument() const { return dynamic_cast<CKorvelDoc*>(m_pDocument); }

BOOL CKorvelView::PreTranslateMessage(MSG* pMsg) { return CWnd::PreTranslateMessage(pMsg); }

void CKorvelView::OnPrepareDC(CDC* pDC, CPrintInfo* pInfo) { CView::OnPrepareDC(pDC, pInfo); }

int CKorvelView::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CGLView::OnCreate(lpCreateStruct) == -1) return -1;
    m_pLooker = gGetLooker();
    if (m_pLooker == nullptr) return -1;
    m_pLooker->SetViewWnd(this, [this] {
        RECT r{0, 0, 0, 0};
        GetClientRect(&r);
        return CRect(r);
    });
    m_pRelayon = gGetRelayon();
    korvel::LogStep("view: register commands");
    RegisterAppCommands();
    RegisterMainCommands();
    return 0;
}

void CKorvelView::OnDestroy()
{
    if (m_pLooker != nullptr && m_pLooker == gGetLooker() && m_pLooker->GetViewWnd() == this)
        m_pLooker->SetViewWnd(nullptr, nullptr);
    CGLView::OnDestroy();
}

int CKorvelView::FrameRateOf(double seconds)
{
    if (!(seconds > 0.0) || !std::isfinite(seconds)) return kMaxFrameRate;
    const double rate = 1.0 / seconds;
    return rate >= kMaxFrameRate ? kMaxFrameRate : static_cast<int>(rate);
}

void CKorvelView::DrawWorkArea(CDC* pDC)
{
    const CQVGlobal* global = gGetQVGlobal();
    CWorkArea* area = CWorkArea::Instance();
    if (global == nullptr || area == nullptr || m_pLooker == nullptr) return;
    const BOX2<double> page = area->GetPageSize();
    const double corners[5][2] = {
        {page.xmin, page.ymin}, {page.xmax, page.ymin}, {page.xmax, page.ymax}, {page.xmin, page.ymax}, {page.xmin, page.ymin}};
    CPen pen(PS_SOLID, 1, global->m_crWorkFrame);
    CPen* old = pDC->SelectObject(&pen);
    m_pLooker->DrawPolyline(corners, 5, pDC);
    pDC->SelectObject(old);
}

void CKorvelView::OnDraw(CDC* pDC)
{
    if (m_bPrinting) return;
    CLooker* looker = gGetLooker();
    if (looker == nullptr) return;
    if (CMainFrame* frame = MainFrame(); frame != nullptr && frame->m_nAnimStep < 0) return;
    looker->UpdateViewRect();
    looker->UpdateViewBox();
    looker->EmptyClipRect();
    Timer timer;
    timer.start();
    if (CLooker::IsView3D()) {
        if (CSelector* selector = gGetSelector(); selector != nullptr && std::fabs(selector->m_d3DOffset) > 0.0001) {
            selector->m_d3DOffset = 0.0;
            selector->CalcBox();
        }
        // The frame itself is drawn by the OpenGL widget when it repaints.
        ShowGLArea(TRUE);
        if (CGLArea* area = FindGLArea()) area->Update();
    } else {
        const CQVGlobal* global = gGetQVGlobal();
        if (global != nullptr && global->m_bShowRulers) SendToFrame(korvel::WM_KV_SHOW_RULERS);
        if (CSelector* selector = gGetSelector()) selector->SetWorkPlane(3, 1);
        ShowGLArea(FALSE);
        CQVMemDC memDC(pDC);
        const CRect rect = memDC.GetRect();
        if (!rect.IsRectEmpty()) {
            CDC* dc = memDC.DrawingDC();
            looker->SetClipRect(rect);
            DrawWorkArea(dc);
            if (CKorvelDoc* doc = GetDocument()) doc->DrawSceneGDI(dc);
            looker->EmptyClipRect();
            timer.stop();
            m_nFrameRate = FrameRateOf(timer.getElapsedTimeInSec());
            ++m_nPaints;
            HideViewBtn();
        }
    }
    if (CDesignCentral* pane = gGetPaneDCenter()) pane->OnViewRedraw(pDC);
}

void CKorvelView::RenderScene(COpenGLDC* pDC, int mode)
{
    const CQVGlobal* global = gGetQVGlobal();
    if (global != nullptr && global->m_bShowRulers) {
        const int type = pDC->GetCamera().m_nViewType;
        SendToFrame(type != 0 && type != 7 ? korvel::WM_KV_SHOW_RULERS : korvel::WM_KV_HIDE_RULERS);
    }
    if (CKorvelDoc* doc = GetDocument()) doc->DrawSceneGL(pDC, mode);
}

void CKorvelView::ShowGLArea(BOOL bShow)
{
    if (!bShow) {
        if (CGLArea* area = FindGLArea(); area != nullptr && area->IsVisible()) area->Show(FALSE);
        return;
    }
    CGLArea* area = FindGLArea();
    if (area == nullptr) {
        area = GetGLArea();
        if (area == nullptr) return;
        CGLArea::Callbacks callbacks;
        callbacks.resize = [this](int w, int h) { m_nGLWidth = w, m_nGLHeight = h; };
        callbacks.paint = [this] { PaintGL(); };
        area->SetCallbacks(std::move(callbacks));
        RECT r{0, 0, 0, 0};
        GetClientRect(&r);
        area->Resize(r.right - r.left, r.bottom - r.top);
    }
    if (!area->IsVisible()) area->Show(TRUE);
}

// One 3D frame: the camera's parallel projection, the page of the work area,
// then the scene.
void CKorvelView::PaintGL()
{
    const CQVGlobal* global = gGetQVGlobal();
    const COLORREF background = global != nullptr ? global->m_crBackground : RGB(0, 0, 0);
    const int w = std::max(m_nGLWidth, 1), h = std::max(m_nGLHeight, 1);
    glViewport(0, 0, w, h);
    glClearColor(GetRValue(background) / 255.0f, GetGValue(background) / 255.0f, GetBValue(background) / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const GCamera& camera = m_glDC.GetCamera();
    const double scale = camera.m_fScale > 0.0f && std::isfinite(camera.m_fScale) ? camera.m_fScale : 1.0;
    const double dx = camera.m_eye[0] - camera.m_ref[0], dy = camera.m_eye[1] - camera.m_ref[1],
                 dz = camera.m_eye[2] - camera.m_ref[2];
    const double distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    const double depth = distance + 1e5;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.5 * w / scale, 0.5 * w / scale, -0.5 * h / scale, 0.5 * h / scale, -depth, depth);
    glMatrixMode(GL_MODELVIEW);
    double view[16];
    LookAt(camera.m_eye, camera.m_ref, camera.m_up, view);
    glLoadMatrixd(view);
    glDisable(GL_LIGHTING);
    if (CWorkArea* area = CWorkArea::Instance(); area != nullptr && global != nullptr) {
        const BOX2<double> page = area->GetPageSize();
        GLColor(global->m_crWorkFrame);
        glBegin(GL_LINE_LOOP);
        glVertex3d(page.xmin, page.ymin, 0.0);
        glVertex3d(page.xmax, page.ymin, 0.0);
        glVertex3d(page.xmax, page.ymax, 0.0);
        glVertex3d(page.xmin, page.ymax, 0.0);
        glEnd();
    }
    const CLooker* looker = gGetLooker();
    RenderScene(&m_glDC, looker != nullptr && looker->IsAnimateView() ? 3 : 0);
}

void CKorvelView::FitPageOnce()
{
    if (m_bPageFitted || m_pLooker == nullptr) return;
    m_pLooker->UpdateViewRect();
    if (m_pLooker->GetViewRect().IsRectEmpty()) return;
    BOX2<double> page = CWorkArea::Instance()->GetPageSize();
    // A margin around the page, so that its frame is not on the window's edge.
    const double margin = 0.05 * std::max(page.xmax - page.xmin, page.ymax - page.ymin);
    page.xmin -= margin, page.ymin -= margin, page.xmax += margin, page.ymax += margin;
    m_bPageFitted = m_pLooker->ZoomBox(page) != FALSE;
}

void CKorvelView::OnSize(UINT nType, int cx, int cy)
{
    CGLView::OnSize(nType, cx, cy);
    if (CWorkArea::Instance() == nullptr) return;
    if (CLooker::IsView2D()) CWorkArea::Instance()->SetScrollInfo();
    if (m_pLooker != nullptr) {
        m_pLooker->UpdateViewRect();
        m_pLooker->UpdateViewBox();
    }
    FitPageOnce();
    if (m_pRelayon != nullptr) m_pRelayon->OnSize(nType, cx, cy);
}

void CKorvelView::OnView3D()
{
    m_pRelayon = gGetRelayon();
    if (m_pRelayon == nullptr) return;
    CCommand* mainCmd = m_pRelayon->GetCurMainCmd();
    if (mainCmd == nullptr || (mainCmd->m_nStyle & kCmdStyle3D) == 0) return;
    if (CLooker::IsView2D()) {
        GCamera& camera = m_glDC.GetCamera();
        const bool unplaced = camera.m_eye[0] == 0.0 && camera.m_eye[1] == 0.0 && camera.m_ref[0] == 0.0 &&
                              camera.m_ref[1] == 0.0;
        if (unplaced && m_pLooker != nullptr) {
            CViewPara para;
            m_pLooker->GetViewPara(&para);
            // The view's origin is the world point at its centre, exactly also when
            // the centre falls between two pixels (a view of odd width or height).
            const double world[2] = {para.m_org[0], para.m_org[1]};
            camera.m_eye[0] = world[0], camera.m_eye[1] = world[1];
            camera.m_ref[0] = world[0], camera.m_ref[1] = world[1];
            camera.m_fScale = static_cast<float>(m_pLooker->GetScale());
        }
        CLooker::SetView3D();
        Invalidate(TRUE);
        return;
    }
    CCommand* running = m_pRelayon->GetCurCmd();
    if (running != nullptr && (running->m_nStyle & kCmdStyleAllow2D) == 0) return;
    const CQVGlobal* global = gGetQVGlobal();
    if (global != nullptr && global->m_bShowRulers) SendToFrame(korvel::WM_KV_SHOW_RULERS);
    CLooker::SetView2D();
    Invalidate(TRUE);
}

void CKorvelView::OnFillDisplay()
{
    CSelector* selector = gGetSelector();
    if (selector == nullptr || selector->GetSize() < 1) return;
    m_pRelayon = gGetRelayon();
    if (m_pRelayon != nullptr) {
        if (auto* text = dynamic_cast<CTextMainCmd*>(m_pRelayon->GetCurMainCmd());
            text != nullptr && text->HostType() == kHostText) {
            text->OnFill();
            return;
        }
    }
    for (int i = 0; i < selector->GetSize(); ++i) {
        CDbEntity* entity = selector->GetEntity(i);
        if (entity != nullptr && (entity->GetBaseType() & 0xE) != 0) entity->SetFill(!entity->IsFill());
    }
    Invalidate(TRUE);
}

int CKorvelView::CountPrintPages(int scaleMode, double scale, double width, double height, int pageW, int pageH)
{
    if (scaleMode == 0 || !(scale > 0.0) || pageW <= 0 || pageH <= 0) return 1;
    const double w = width / scale, h = height / scale;
    auto tiles = [](double length, int page) {
        int n = static_cast<int>(length / page);
        if (n * static_cast<double>(page) < length) ++n;
        return std::max(n, 1);
    };
    return tiles(h, pageH) * tiles(w, pageW);
}

void CKorvelView::OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo)
{
    if (gGetQVGlobal() == nullptr || pDC == nullptr || pInfo == nullptr) return;
    const int dpiX = std::max(pDC->GetDeviceCaps(LOGPIXELSX), 1), dpiY = std::max(pDC->GetDeviceCaps(LOGPIXELSY), 1);
    const int pageW = static_cast<int>(pDC->GetDeviceCaps(HORZRES) / static_cast<double>(dpiX) * 25.4 + 0.5);
    const int pageH = static_cast<int>(pDC->GetDeviceCaps(VERTRES) / static_cast<double>(dpiY) * 25.4 + 0.5);
    int pages = 1;
    if (m_nPrintScaleMode != 0 && CDBase::IsLiving()) {
        const BOX2<double> box = CWorkArea::Instance()->GetPageSize();
        pages = CountPrintPages(m_nPrintScaleMode, m_dPrintScale, box.xmax - box.xmin, box.ymax - box.ymin, pageW, pageH);
    }
    pInfo->SetMaxPage(static_cast<UINT>(pages));
}
