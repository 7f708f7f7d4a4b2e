#include "app/ViewCmds.h"

#include "framework/db/DbCurve.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/WorkArea.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/GLView.h"
#include "framework/relayon/Relayon.h"
#include "framework/relayon/Selector.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/Input.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

IMPLEMENT_DYNAMIC(CViewCmd, CCommand)
IMPLEMENT_DYNAMIC(CViewAnimatedCmd, CViewCmd)
IMPLEMENT_DYNAMIC(CViewAllCmd, CViewAnimatedCmd)
IMPLEMENT_DYNAMIC(CViewAllPageCmd, CViewAnimatedCmd)
IMPLEMENT_DYNAMIC(CViewPrevCmd, CViewAnimatedCmd)
IMPLEMENT_DYNAMIC(CViewPanCmd, CViewCmd)
IMPLEMENT_DYNAMIC(CViewRegionCmd, CViewCmd)
IMPLEMENT_DYNAMIC(CViewZoomInCmd, CViewCmd)
IMPLEMENT_DYNAMIC(CViewZoomOutCmd, CViewCmd)
IMPLEMENT_DYNAMIC(CViewZoomDynCmd, CViewCmd)
IMPLEMENT_DYNAMIC(CView3DRotCmd, CViewCmd)

namespace {

constexpr int kMinAnimationFps = 5;
constexpr COLORREF kRubberColour = 0xFFFFFF;
constexpr int kRubberMode = 3;

CGLView* GLView() { return dynamic_cast<CGLView*>(gGetView()); }

void StartViewTimer()
{
    if (CFrameWnd* frame = gGetMainFrame()) frame->SetTimer(korvel::kTimerViewCommand, korvel::kViewTimerMs);
}

void KillViewTimer()
{
    if (CFrameWnd* frame = gGetMainFrame()) frame->KillTimer(korvel::kTimerViewCommand);
}

bool HasCapture(CGLView* view) { return view != nullptr && CWnd::GetCapture() == view; }

// The box of the selection, else the page when the database is empty, else
// the database's box.
BOX2<double> ShowAllBox()
{
    BOX2<double> box;
    box.InitEmpty();
    CSelector* selector = gGetSelector();
    if (selector != nullptr && selector->GetSize() >= 1) {
        selector->CalcBox();
        if (selector->GetBox(&box)) return box;
    }
    if (!CDBase::IsLiving() || CDBase::Instance()->GetCount() == 0 || !CDBase::Instance()->GetBox2D(&box))
        return CWorkArea::Instance()->GetPageSize();
    return box;
}

BOX2<double> BoxOf(const Position& a, const Position& b)
{
    BOX2<double> box;
    box.xmin = std::min(a.x, b.x), box.ymin = std::min(a.y, b.y);
    box.xmax = std::max(a.x, b.x), box.ymax = std::max(a.y, b.y);
    return box;
}

}  // namespace

// ---------------------------------------------------------------------------
// Animation

void CViewAnimation::Reset()
{
    m_nStep = 0;
    m_dFraction = 1.0 / korvel::kAnimationSteps;
    m_bPending = false;
}

void CViewAnimation::Begin()
{
    m_bPending = true;
    StartViewTimer();
}

void CViewAnimation::Stop()
{
    if (CLooker* looker = gGetLooker()) looker->SetAnimateView(FALSE);
    KillViewTimer();
    m_nStep = 0;
    m_bPending = false;
}

int CViewAnimation::Tick(CCommand* cmd, bool* pDone)
{
    *pDone = false;
    // A tick left over from an ended change (or none started yet) draws nothing.
    if (!m_bPending) return 1;
    CLooker* looker = gGetLooker();
    const CQVGlobal* global = gGetQVGlobal();
    CRelayon* hub = gGetRelayon();
    CGLView* view = GLView();
    CDC* dc = cmd->GetDC();
    if (looker == nullptr || global == nullptr || hub == nullptr || view == nullptr || dc == nullptr) {
        // Without its objects the animation cannot go on: stop it rather than
        // leave the timer ticking for nothing.
        cmd->ReleaseDC(dc);
        KillViewTimer();
        m_nStep = 0;
        m_bPending = false;
        *pDone = true;
        return 0;
    }
    ++m_nStep;
    if (!global->m_bViewAnimation || view->GetFrameRate() < kMinAnimationFps) m_nStep = korvel::kAnimationSteps;
    if (hub->m_bJumpToEnd) m_nStep = korvel::kAnimationSteps;
    if (m_nStep > korvel::kAnimationSteps) m_nStep = korvel::kAnimationSteps;
    looker->SetAnimateView(m_nStep != korvel::kAnimationSteps);
    if (CLooker::IsView3D()) {
        if (COpenGLDC* gl = view->GetOpenGLDC()) {
            const float t = static_cast<float>(m_nStep * m_dFraction);
            GCamera result;
            gl->LerpView(m_camStart, m_camTarget, t, result);
            gl->SetCamera(result);
        }
        view->Invalidate(FALSE);
    } else {
        const double t = m_nStep * m_dFraction;
        CViewPara result;
        CLooker::LerpView(m_start, m_target, t, result);
        looker->SetViewPara(result);
        view->Invalidate(TRUE);
    }
    cmd->ReleaseDC(dc);
    if (m_nStep == korvel::kAnimationSteps) {
        KillViewTimer();
        m_nStep = 0;
        m_bPending = false;
        *pDone = true;
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Show all, whole page, previous view

bool CViewAnimatedCmd::HasObjects() const { return gGetLooker() != nullptr && GLView() != nullptr; }

int CViewAnimatedCmd::StartUp(int subCommand)
{
    CCommand::StartUp(subCommand);
    if (!HasObjects()) return 0;
    CLooker* looker = gGetLooker();
    CGLView* view = GLView();
    m_anim.Reset();
    if (CLooker::IsView3D()) {
        COpenGLDC* gl = view->GetOpenGLDC();
        if (PushesView()) gl->PushViewPara();
        m_anim.m_camStart = gl->GetCamera();
        if (!Apply3D()) {
            if (PushesView()) gl->PopViewPara();
            return 0;
        }
        m_anim.m_camTarget = gl->GetCamera();
    } else {
        looker->GetViewPara(&m_anim.m_start);
        if (PushesView()) looker->PushViewPara();
        if (!Apply2D()) {
            if (PushesView()) looker->PopViewPara();
            return 0;
        }
        looker->GetViewPara(&m_anim.m_target);
    }
    m_anim.Begin();
    return 1;
}

int CViewAnimatedCmd::OnTimer(UINT_PTR id)
{
    if (id != korvel::kTimerViewCommand) return 1;
    bool done = false;
    const int result = m_anim.Tick(this, &done);
    if (done) Cancel();
    return result;
}

int CViewAnimatedCmd::Cancel()
{
    m_anim.Stop();
    return CCommand::Cancel();
}

bool CViewAllCmd::HasObjects() const
{
    return CViewAnimatedCmd::HasObjects() && gGetSelector() != nullptr && gGetRelayon() != nullptr;
}

BOOL CViewAllCmd::Apply2D()
{
    CLooker* looker = gGetLooker();
    if (m_nSubCmd == 1) {
        looker->SetOrgPoint(m_posCentre.x, m_posCentre.y);
        return TRUE;
    }
    return dbSetViewRange(ShowAllBox());
}

BOOL CViewAllCmd::Apply3D()
{
    CGLView* view = GLView();
    if (m_nSubCmd == 1) {
        // The centre point moves to the middle of the viewport.
        const GCamera& camera = view->GetOpenGLDC()->GetCamera();
        double pixel[2];
        camera.world_to_screen(m_posCentre.Ptr(), pixel);
        view->MoveView(0.5 * camera.m_nWidth - pixel[0], pixel[1] - 0.5 * camera.m_nHeight);
        return TRUE;
    }
    CSelector* selector = gGetSelector();
    return selector->IsEmpty() ? view->ZoomAll(0) : view->ZoomSelect(0);
}

BOOL CViewAllPageCmd::Apply2D() { return dbSetViewRange(CWorkArea::Instance()->GetPageSize()); }
BOOL CViewAllPageCmd::Apply3D() { return GLView()->ZoomPage(0); }

BOOL CViewPrevCmd::Apply2D() { return gGetLooker()->PopViewPara(); }
BOOL CViewPrevCmd::Apply3D() { return GLView()->GetOpenGLDC()->PopViewPara(); }

// ---------------------------------------------------------------------------
// Pan

CViewPanCmd::CViewPanCmd(int first, LPCTSTR name) : CViewCmd(first, name) { m_nCursor = korvel::kCursorPan; }

int CViewPanCmd::StartUp(int subCommand)
{
    CCommand::StartUp(subCommand);
    m_bDragging = FALSE;
    m_nCursor = korvel::kCursorPan;
    return 1;
}

int CViewPanCmd::Press(Position& pos)
{
    m_bDragging = TRUE;
    m_posLast = m_posCur = m_posPress = pos;
    m_nCursor = korvel::kCursorGrab;
    CGLView* view = GLView();
    if (CLooker::IsView3D()) {
        if (view != nullptr) view->GetOpenGLDC()->PushViewPara();
    } else if (CLooker* looker = gGetLooker()) {
        looker->PushViewPara();
    }
    if (view != nullptr) view->SetCapture();
    return 0;
}

int CViewPanCmd::OnLButtonDown(UINT, Position& pos) { return Press(pos); }
int CViewPanCmd::OnMButtonDown(UINT, Position& pos) { return Press(pos); }

int CViewPanCmd::OnMouseMove(UINT, Position& pos)
{
    m_nCursor = HasCapture(GLView()) ? korvel::kCursorGrab : korvel::kCursorPan;
    m_posCur = pos;
    if (std::abs(pos.m_ptScreen.x - m_posLast.m_ptScreen.x) < kMinMovePixels &&
        std::abs(pos.m_ptScreen.y - m_posLast.m_ptScreen.y) < kMinMovePixels)
        return 1;
    if (m_bDragging) {
        if (CLooker::IsView3D()) {
            Pan3D(m_posCur.m_ptScreen.x - m_posLast.m_ptScreen.x, m_posLast.m_ptScreen.y - m_posCur.m_ptScreen.y);
        } else {
            // Measured from the press point, which stays fixed: the cursor's
            // world point comes from the view as moved so far, so the grabbed
            // point returns under the cursor.
            Pan2D(m_posCur.x - m_posPress.x, m_posCur.y - m_posPress.y);
        }
    }
    m_posLast = pos;
    return 0;
}

int CViewPanCmd::OnLButtonUp(UINT, Position& pos)
{
    m_posCur = pos;
    m_bDragging = FALSE;
    m_nCursor = korvel::kCursorPan;
    ReleaseCapture();
    return 0;
}

int CViewPanCmd::OnMButtonUp(UINT, Position& pos)
{
    m_posCur = pos;
    m_bDragging = FALSE;
    if (m_nSubCmd == 0) m_nCursor = korvel::kCursorPan;
    ReleaseCapture();
    return Cancel();
}

int CViewPanCmd::OnRButtonDown(UINT, Position&)
{
    if (m_bDragging) ReleaseCapture();
    m_bDragging = FALSE;
    return Cancel();
}

void CViewPanCmd::Pan2D(double dx, double dy)
{
    if (std::fabs(dx) < kMinPan && std::fabs(dy) < kMinPan) return;
    CLooker* looker = gGetLooker();
    if (looker == nullptr) return;
    looker->MoveView(static_cast<float>(dx), static_cast<float>(dy));
    if (CGLView* view = GLView()) view->Invalidate(TRUE);
}

void CViewPanCmd::Pan3D(double dx, double dy)
{
    if (std::fabs(dx) < kMinPan && std::fabs(dy) < kMinPan) return;
    if (CGLView* view = GLView()) view->MoveView(static_cast<float>(dx), static_cast<float>(dy));
}

// ---------------------------------------------------------------------------
// Zoom window

CViewRegionCmd::CViewRegionCmd(int first, LPCTSTR name) : CViewCmd(first, name) { m_nCursor = korvel::kCursorRegion; }
CViewRegionCmd::~CViewRegionCmd() = default;

int CViewRegionCmd::StartUp(int subCommand)
{
    CCommand::StartUp(subCommand);
    m_nClicks = 0;
    m_pRubber.reset();
    m_anim.Reset();
    return 1;
}

void CViewRegionCmd::EraseRubberBand()
{
    if (!m_pRubber) return;
    BOX2<double> box;
    if (m_pRubber->GetBox(&box)) {
        CDC* dc = GetDC();
        gDrawBox(dc, kRubberMode, box, kRubberColour);
        ReleaseDC(dc);
    }
    m_pRubber.reset();
}

int CViewRegionCmd::OnLButtonDown(UINT, Position& pos)
{
    if (GLView() == nullptr || gGetLooker() == nullptr) return 0;
    ++m_nClicks;
    if (m_nClicks == 1) {
        m_posFirst = pos;
    } else if (m_nClicks >= 2) {
        m_posSecond = pos;
        EraseRubberBand();
        m_nClicks = 0;
    }
    return 0;
}

int CViewRegionCmd::OnMouseMove(UINT, Position& pos)
{
    CLooker* looker = gGetLooker();
    if (m_nClicks != 1 || looker == nullptr) return 0;
    EraseRubberBand();
    double a[2], b[2];
    looker->ScreentoWorld2D(m_posFirst.m_ptScreen, a);
    looker->ScreentoWorld2D(pos.m_ptScreen, b);
    m_pRubber.reset(dbGenRect(a, b));
    BOX2<double> box;
    if (m_pRubber && m_pRubber->GetBox(&box)) {
        CDC* dc = GetDC();
        gDrawBox(dc, kRubberMode, box, kRubberColour);
        ReleaseDC(dc);
    }
    m_posSecond = pos;
    return 0;
}

int CViewRegionCmd::OnLButtonUp(UINT flags, Position& pos)
{
    CGLView* view = GLView();
    CLooker* looker = gGetLooker();
    if (view == nullptr || looker == nullptr) return 0;
    m_posSecond = pos;
    if (std::abs(m_posFirst.m_ptScreen.x - m_posSecond.m_ptScreen.x) < kMinDragPixels &&
        std::abs(m_posFirst.m_ptScreen.y - m_posSecond.m_ptScreen.y) < kMinDragPixels)
        return 0;  // a click: the band stays and a second click closes it
    EraseRubberBand();
    m_anim.Reset();
    if (CLooker::IsView3D()) {
        COpenGLDC* gl = view->GetOpenGLDC();
        gl->PushViewPara();
        m_anim.m_camStart = gl->GetCamera();
        view->ZoomRect(m_posFirst.m_ptScreen, m_posSecond.m_ptScreen, 0);
        m_anim.m_camTarget = gl->GetCamera();
    } else {
        looker->GetViewPara(&m_anim.m_start);
        looker->PushViewPara();
        dbSetViewRange(BoxOf(m_posFirst, m_posSecond));
        looker->GetViewPara(&m_anim.m_target);
    }
    m_anim.Begin();
    m_posFirst = m_posSecond = pos;
    m_nClicks = 0;
    return CCommand::OnLButtonUp(flags, pos);
}

int CViewRegionCmd::OnTimer(UINT_PTR id)
{
    if (id != korvel::kTimerViewCommand) return 1;
    bool done = false;
    const int result = m_anim.Tick(this, &done);
    // At the last step the command waits for the next window.
    if (result == 0) Cancel();
    return result;
}

int CViewRegionCmd::OnRButtonDown(UINT, Position&)
{
    if (m_nClicks == 1) EraseRubberBand();
    m_nClicks = 0;
    return Cancel();
}

int CViewRegionCmd::Cancel()
{
    EraseRubberBand();
    m_anim.Stop();
    m_nClicks = 0;
    return CCommand::Cancel();
}

// ---------------------------------------------------------------------------
// Zoom in and out

int CViewZoomInCmd::StartUp(int subCommand)
{
    CCommand::StartUp(subCommand);
    CLooker* looker = gGetLooker();
    CGLView* view = GLView();
    if (looker == nullptr || view == nullptr) return 0;
    if (CLooker::IsView3D()) {
        view->GetOpenGLDC()->PushViewPara();
        view->Zoom(static_cast<float>(kFactor));
    } else {
        looker->PushViewPara();
        looker->SetScale(looker->GetScale() * kFactor);
        view->Invalidate(TRUE);
    }
    return Cancel();
}

int CViewZoomInCmd::OnRButtonDown(UINT, Position&) { return Cancel(); }

int CViewZoomOutCmd::StartUp(int subCommand)
{
    CCommand::StartUp(subCommand);
    CLooker* looker = gGetLooker();
    CGLView* view = GLView();
    if (view == nullptr) return 0;
    if (CLooker::IsView3D()) {
        view->GetOpenGLDC()->PushViewPara();
        view->Zoom(kFactor3D);
    } else if (looker != nullptr) {
        looker->PushViewPara();
        looker->SetScale(looker->GetScale() / kFactor2D);
        view->Invalidate(TRUE);
    }
    return Cancel();
}

int CViewZoomOutCmd::OnRButtonDown(UINT, Position&) { return Cancel(); }

// ---------------------------------------------------------------------------
// Dynamic zoom

CViewZoomDynCmd::CViewZoomDynCmd(int first, LPCTSTR name) : CViewCmd(first, name) { m_nCursor = korvel::kCursorZoomDyn; }

int CViewZoomDynCmd::StartUp(int subCommand)
{
    CCommand::StartUp(subCommand);
    return gGetLooker() != nullptr && GLView() != nullptr ? 1 : 0;
}

int CViewZoomDynCmd::OnLButtonDown(UINT, Position& pos)
{
    CGLView* view = GLView();
    if (view == nullptr) return 1;
    view->SetCapture();
    if (CLooker::IsView3D()) {
        view->GetOpenGLDC()->PushViewPara();
    } else if (CLooker* looker = gGetLooker()) {
        looker->PushViewPara();
    }
    m_posLast = pos;
    return 1;
}

int CViewZoomDynCmd::OnMouseMove(UINT, Position& pos)
{
    CGLView* view = GLView();
    CLooker* looker = gGetLooker();
    if (view == nullptr || looker == nullptr || gGetOpenGLDC() == nullptr || !HasCapture(view)) return 0;
    // Upwards (towards smaller y) d is positive and the picture shrinks.
    const int d = m_posLast.m_ptScreen.y - pos.m_ptScreen.y;
    if (std::abs(d) < kStepPixels) return 0;
    const double factor = d < 0 ? kDown : kUp;
    if (CLooker::IsView3D()) {
        view->Zoom(static_cast<float>(factor));
    } else {
        looker->SetScale(looker->GetScale() * factor);
        view->Invalidate(TRUE);
    }
    m_posLast = pos;
    return 1;
}

int CViewZoomDynCmd::OnLButtonUp(UINT, Position&)
{
    if (HasCapture(GLView())) ReleaseCapture();
    return 1;
}

int CViewZoomDynCmd::OnRButtonDown(UINT, Position&) { return Cancel(); }

int CViewZoomDynCmd::Cancel()
{
    if (HasCapture(GLView())) ReleaseCapture();
    return CCommand::Cancel();
}

// ---------------------------------------------------------------------------
// 3D rotation

CView3DRotCmd::CView3DRotCmd(int first, LPCTSTR name) : CViewCmd(first, name) { m_nCursor = korvel::kCursorRotate; }

int CView3DRotCmd::StartUp(int subCommand)
{
    CCommand::StartUp(subCommand);
    m_ptPress = CPoint(0, 0);
    m_centre = CPoint3f();
    m_bViewPushed = 0;
    return 1;
}

int CView3DRotCmd::OnLButtonDown(UINT, Position& pos)
{
    CGLView* view = GLView();
    if (view == nullptr) return 1;
    view->SetCapture();
    m_ptPress = m_ptLast = pos.m_ptScreen;
    m_bViewPushed = 0;
    COpenGLDC* gl = gGetOpenGLDC();
    if (!CLooker::IsView3D() || gl == nullptr) return 1;
    const GCamera& camera = gl->GetCamera();
    double world[3];
    camera.screen_to_world(m_ptLast.x, m_ptLast.y, world);
    m_lastWorld = CPoint3f(world);
    CDbEntity* entity = CDBase::IsLiving() ? CDBase::Instance()->RoughPick(pos) : nullptr;
    BOX3<double> box;
    if (entity != nullptr && entity->GetBox3D(&box)) {
        const double centre[3] = {0.5 * (box.xmin + box.xmax), 0.5 * (box.ymin + box.ymax), 0.5 * (box.zmin + box.zmax)};
        m_centre = CPoint3f(centre);
    } else {
        camera.get_plane_point(m_ptLast.x, m_ptLast.y, world);
        m_centre = CPoint3f(world);
    }
    return 1;
}

int CView3DRotCmd::OnMouseMove(UINT, Position& pos)
{
    CGLView* view = GLView();
    COpenGLDC* gl = gGetOpenGLDC();
    if (view == nullptr || gGetSelector() == nullptr || gGetLooker() == nullptr || gl == nullptr || !HasCapture(view))
        return 0;
    if (std::abs(pos.m_ptScreen.x - m_ptPress.x) < kMinMovePixels &&
        std::abs(pos.m_ptScreen.y - m_ptPress.y) < kMinMovePixels)
        return 0;
    if (!m_bViewPushed) {
        gl->PushViewPara();
        m_bViewPushed = 1;
    }
    double world[3];
    gl->GetCamera().screen_to_world(pos.m_ptScreen.x, pos.m_ptScreen.y, world);
    view->RotView(m_lastWorld, CPoint3f(world), m_centre);
    // The next drag step starts from this pixel as the turned camera sees it.
    gl->GetCamera().screen_to_world(pos.m_ptScreen.x, pos.m_ptScreen.y, world);
    m_lastWorld = CPoint3f(world);
    m_ptLast = pos.m_ptScreen;
    return 0;
}

int CView3DRotCmd::OnLButtonUp(UINT, Position&)
{
    CGLView* view = GLView();
    if (view == nullptr) return 0;
    m_bViewPushed = 0;
    if (HasCapture(view)) {
        ReleaseCapture();
        return Cancel();
    }
    return 1;
}

int CView3DRotCmd::OnChar(UINT nChar, UINT, UINT)
{
    COpenGLDC* gl = gGetOpenGLDC();
    CGLView* view = GLView();
    if (gl == nullptr || view == nullptr) return 1;
    double axis[3] = {0.0, 0.0, 0.0};
    switch (nChar) {
    case 'X': case 'x': axis[0] = 1.0; break;
    case 'Y': case 'y': axis[1] = 1.0; break;
    case 'Z': case 'z': axis[2] = 1.0; break;
    default: return 1;
    }
    const double angle = GetAsyncKeyState(VK_SHIFT) != 0 ? -kKeyAngle : kKeyAngle;
    const double origin[3] = {0.0, 0.0, 0.0};
    GCamera result;
    gl->GetCamera().rot_view(origin, axis, angle, result);
    gl->SetCamera(result);
    view->Invalidate(FALSE);
    return 1;
}

int CView3DRotCmd::OnRButtonDown(UINT, Position&) { return Cancel(); }

int CView3DRotCmd::Cancel()
{
    if (HasCapture(GLView())) ReleaseCapture();
    return CCommand::Cancel();
}
