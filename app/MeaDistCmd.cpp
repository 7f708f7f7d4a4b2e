#include "app/MeaDistCmd.h"

#include "app/KorvelIds.h"
#include "framework/db/DbCurve.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Vector2D.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/Relayon.h"
#include "platform/ui/Resources.h"
#include "platform/ui/View.h"

#include <cmath>
#include <numbers>

IMPLEMENT_DYNAMIC(CMeaDistCmd, CCommand)
IMPLEMENT_DYNAMIC(CMeaAngCmd, CCommand)

namespace {

constexpr int kDistCursor = 481;
constexpr int kAngCursor = 479;
constexpr int kPreviewMode = 3;
// Mouse moves of this many pixels or fewer in both axes leave the previews alone.
constexpr int kMoveSlack = 2;
constexpr double kParallelCross = 1e-6;
constexpr UINT kAreaCmdId = 32947;
constexpr int kTipGap = 7;

// Commands of the distance and angle family share the construction of the flag word.
void InitMeasureCommand(CCommand& cmd, int step, int cursor)
{
    cmd.m_nFlags |= 1;
    cmd.m_nFlags ^= 2;
    cmd.m_nStep = step;
    cmd.m_nCursor = cursor;
}

BOOL MeasureEnabled()
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr) return FALSE;
    CCommand* area = hub->GetCmd(kAreaCmdId);
    return area != nullptr && hub->GetCurCmd() == area ? FALSE : TRUE;
}

// Erases a preview (drawing it again with the rubber-band mode) and forgets it;
// nothing for a preview that was never made.
void ErasePreview(CDC* dc, std::unique_ptr<CDbEntity>& preview)
{
    if (preview && dc != nullptr) preview->Draw(dc, kPreviewMode);
    preview.reset();
}

void ShowPreview(CDC* dc, std::unique_ptr<CDbEntity>& preview, CDbEntity* made)
{
    preview.reset(made);
    if (preview && dc != nullptr) preview->Draw(dc, kPreviewMode);
}

// Replaces the tip: the old one restores the screen under it, the new one sits just
// above and to the right of the cursor pixel.
void ShowTip(CDC* dc, std::unique_ptr<CDragString>& tip, const CString& text, const Position& pos)
{
    if (tip) tip->DrawDCBitmap(dc);
    tip = std::make_unique<CDragString>();
    const SIZE extent = dc->GetTextExtent(text);
    const int sx = pos.m_ptScreen.x, sy = pos.m_ptScreen.y;
    const RECT rect{sx + kTipGap, sy - extent.cy - kTipGap, sx + extent.cx + kTipGap, sy - kTipGap};
    tip->Set(text, rect, dc);
    tip->DrawTips(dc);
}

bool MovedEnough(const Position& pos, int lastX, int lastY)
{
    return std::abs(pos.m_ptScreen.x - lastX) > kMoveSlack || std::abs(pos.m_ptScreen.y - lastY) > kMoveSlack;
}

void RestoreAfterMeasure()
{
    if (CDesignCentral* pane = gGetPaneDCenter()) pane->RestoreDCenter();
    if (CView* view = gGetView()) view->Invalidate(FALSE);
}

}  // namespace

Position GetPosIn45(const Position& base, const Position& pos)
{
    const double dx = pos.x - base.x, dy = pos.y - base.y;
    const double step = std::numbers::pi / 4;
    const double a = std::round(std::atan2(dy, dx) / step) * step;
    const double ux = std::cos(a), uy = std::sin(a);
    const double along = dx * ux + dy * uy;
    Position q = pos;
    q.x = base.x + along * ux;
    q.y = base.y + along * uy;
    return q;
}

double MeasureArmAngle(const double* v, const double* a, const double* b)
{
    const double u[2] = {a[0] - v[0], a[1] - v[1]}, w[2] = {b[0] - v[0], b[1] - v[1]};
    // An arm of zero length has no direction: nothing to measure.
    if ((u[0] == 0 && u[1] == 0) || (w[0] == 0 && w[1] == 0)) return 0;
    double angle = (V2D_AngletoX(w) - V2D_AngletoX(u)) * 180 / std::numbers::pi;
    if (angle <= 0) angle = -angle;
    if (angle > 180) angle = 360 - angle;
    return angle;
}

// ---------------------------------------------------------------------------
// Distance

CMeaDistCmd::CMeaDistCmd(int first, LPCTSTR name) : CCommand(first, name, 0) { InitMeasureCommand(*this, -1, kDistCursor); }

CMeaDistCmd::~CMeaDistCmd() = default;

BOOL CMeaDistCmd::IsEnable() { return MeasureEnabled(); }

int CMeaDistCmd::StartUp(int)
{
    m_line.reset();
    m_nStep = 0;
    m_lastX = m_lastY = 0;
    Prompt(AfxLoadString(korvel::IDS_MEASURE_DIST_PROMPT));
    if (CDesignCentral* pane = gGetPaneDCenter()) pane->HideDCenter();
    return 1;
}

void CMeaDistCmd::WakeUp() { Prompt(AfxLoadString(korvel::IDS_MEASURE_DIST_PROMPT)); }

int CMeaDistCmd::OnLButtonDown(UINT flags, Position& pos)
{
    SetMeasurePoint(flags, pos);
    return 1;
}

void CMeaDistCmd::RedrawLine(CDC* dc)
{
    ErasePreview(dc, m_line);
    const double p[2] = {m_first.x, m_first.y}, q[2] = {m_second.x, m_second.y};
    ShowPreview(dc, m_line, dbGenLine(p, q));
}

void CMeaDistCmd::SetMeasurePoint(UINT flags, Position pos)
{
    if (m_nStep != 1) {
        m_first = m_second = pos;
        m_nStep = 1;
        m_lastX = pos.m_ptScreen.x;
        m_lastY = pos.m_ptScreen.y;
        return;
    }
    m_second = (flags & kShift) != 0 ? GetPosIn45(m_first, pos) : pos;
    m_lastX = pos.m_ptScreen.x;
    m_lastY = pos.m_ptScreen.y;
    if (CDC* dc = GetDC()) {
        ErasePreview(dc, m_line);
        ShowDistanceTip(dc, pos);
        RedrawLine(dc);
        ReleaseDC(dc);
    }
    m_nStep = 0;
}

void CMeaDistCmd::ShowDistanceTip(CDC* dc, Position pos)
{
    if (dc == nullptr) return;
    const double dx = m_second.x - m_first.x, dy = m_second.y - m_first.y;
    CString text;
    text.Format(AfxLoadString(korvel::IDS_MEASURE_DIST_FORMAT).GetString(), MM2CUR(std::hypot(dx, dy)), MM2CUR(dx), MM2CUR(dy));
    ShowTip(dc, m_tip, text, pos);
}

int CMeaDistCmd::OnMouseMove(UINT flags, Position& pos)
{
    if (!MovedEnough(pos, m_lastX, m_lastY) || m_nStep != 1) return 0;
    const Position q = (flags & kShift) != 0 ? GetPosIn45(m_first, pos) : pos;
    if (CDC* dc = GetDC()) {
        ErasePreview(dc, m_line);
        m_second = q;
        ShowDistanceTip(dc, pos);
        RedrawLine(dc);
        m_lastX = pos.m_ptScreen.x;
        m_lastY = pos.m_ptScreen.y;
        ReleaseDC(dc);
    }
    return 0;
}

void CMeaDistCmd::OnDraw(CDC* dc, int)
{
    // The repaint has covered the tip: it is dropped without restoring.
    m_tip.reset();
    if (m_line && dc != nullptr) m_line->Draw(dc, kPreviewMode);
}

int CMeaDistCmd::Cancel()
{
    m_line.reset();
    m_tip.reset();
    m_nStep = 0;
    RestoreAfterMeasure();
    return CCommand::Cancel();
}

// ---------------------------------------------------------------------------
// Angle

CMeaAngCmd::CMeaAngCmd(int first, LPCTSTR name) : CCommand(first, name, 0) { InitMeasureCommand(*this, 0, kAngCursor); }

CMeaAngCmd::~CMeaAngCmd() = default;

BOOL CMeaAngCmd::IsEnable() { return MeasureEnabled(); }

int CMeaAngCmd::StartUp(int)
{
    m_nStep = 0;
    m_firstArm.reset();
    m_secondArm.reset();
    m_arc.reset();
    m_tip.reset();
    Prompt(AfxLoadString(korvel::IDS_MEASURE_ANGLE_PROMPT));
    if (CDesignCentral* pane = gGetPaneDCenter()) pane->HideDCenter();
    return 1;
}

void CMeaAngCmd::WakeUp() { Prompt(AfxLoadString(korvel::IDS_MEASURE_ANGLE_PROMPT)); }

void CMeaAngCmd::SetArcDirection(const double* u, const double* w)
{
    const double cross = u[0] * w[1] - u[1] * w[0];
    if (std::fabs(cross) < kParallelCross) return;
    m_nDirection = cross > 0 ? 1 : 0;
}

void CMeaAngCmd::ShowAngleTip(CDC* dc, double angle, Position pos)
{
    if (dc == nullptr) return;
    CString text;
    text.Format(AfxLoadString(korvel::IDS_MEASURE_ANGLE_FORMAT).GetString(), angle);
    ShowTip(dc, m_tip, text, pos);
}

void CMeaAngCmd::ShowSecondArm(CDC* dc, const Position& p)
{
    const double u[2] = {m_a[0] - m_v[0], m_a[1] - m_v[1]}, w[2] = {p.x - m_v[0], p.y - m_v[1]};
    SetArcDirection(u, w);
    m_b[0] = p.x;
    m_b[1] = p.y;
    m_dAngle = MeasureArmAngle(m_v, m_a, m_b);
    ErasePreview(dc, m_secondArm);
    ErasePreview(dc, m_arc);
    ShowAngleTip(dc, m_dAngle, p);
    ShowPreview(dc, m_secondArm, dbGenLine(m_v, m_b));
    // No arc for an arm of zero length: there is no angle to show.
    ShowPreview(dc, m_arc, m_dAngle > 0 ? dbGenArcCSE(m_v, m_a, m_b, m_nDirection, gGetCrvShowDiscTol()) : nullptr);
}

int CMeaAngCmd::OnLButtonDown(UINT, Position& pos)
{
    ++m_nStep;
    const double p[2] = {pos.x, pos.y};
    if (m_nStep == 1) {
        m_v[0] = p[0];
        m_v[1] = p[1];
    } else if (m_nStep == 2) {
        m_a[0] = m_b[0] = p[0];
        m_a[1] = m_b[1] = p[1];
        if (CDC* dc = GetDC()) {
            ErasePreview(dc, m_firstArm);
            ShowPreview(dc, m_firstArm, dbGenLine(m_a, m_v));
            ReleaseDC(dc);
        }
    } else {
        if (CDC* dc = GetDC()) {
            ShowSecondArm(dc, pos);
            ReleaseDC(dc);
        }
        m_nStep = 0;
    }
    return 0;
}

int CMeaAngCmd::OnMouseMove(UINT, Position& pos)
{
    if (m_nStep != 0 && !MovedEnough(pos, m_lastX, m_lastY)) return 0;
    if (m_nStep == 1 || m_nStep == 2) {
        if (CDC* dc = GetDC()) {
            if (m_nStep == 1) {
                ErasePreview(dc, m_firstArm);
                const double p[2] = {pos.x, pos.y};
                ShowPreview(dc, m_firstArm, dbGenLine(m_v, p));
                m_b[0] = pos.x;
                m_b[1] = pos.y;
            } else {
                ShowSecondArm(dc, pos);
            }
            ReleaseDC(dc);
        }
    }
    m_lastX = pos.m_ptScreen.x;
    m_lastY = pos.m_ptScreen.y;
    return 0;
}

void CMeaAngCmd::OnDraw(CDC* dc, int)
{
    for (auto* preview : {&m_firstArm, &m_secondArm, &m_arc})
        if (*preview && dc != nullptr) (*preview)->Draw(dc, kPreviewMode);
    m_tip.reset();
}

int CMeaAngCmd::Cancel()
{
    m_firstArm.reset();
    m_secondArm.reset();
    m_arc.reset();
    m_tip.reset();
    RestoreAfterMeasure();
    m_nStep = 0;
    return CCommand::Cancel();
}
