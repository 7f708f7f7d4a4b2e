#include "app/LayerTab.h"

#include "app/KorvelIds.h"
#include "app/LayerBarWnd.h"
#include "app/ViewCmds.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/WorkArea.h"
#include "framework/relayon/Relayon.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/QtDC.h"
#include "platform/ui/Resources.h"
#include "platform/ui/WndWidget.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

IMPLEMENT_DYNCREATE(CQvWndTab, CWnd)

BEGIN_MESSAGE_MAP(CQvWndTab, CWnd)
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_TIMER()
    ON_WM_SIZE()
    ON_WM_HSCROLL()
END_MESSAGE_MAP()

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWindow = RGB(255, 255, 255);
constexpr COLORREF kFace = RGB(240, 240, 240);
constexpr COLORREF kHighlight = RGB(255, 255, 255);
constexpr COLORREF kShadow = RGB(160, 160, 160);
constexpr COLORREF kDisabled = RGB(160, 160, 160);

// The strip's widget shows what the strip renders and tells it when the cursor
// leaves.
class CTabWidget : public CWndWidget<QWidget> {
public:
    CTabWidget(CQvWndTab* tab, QWidget* parent) : CWndWidget<QWidget>(tab, parent) { setMouseTracking(true); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        auto* tab = static_cast<CQvWndTab*>(m_pWnd);
        if (tab == nullptr) return;
        QImage image;
        tab->Render(image);
        QPainter painter(this);
        painter.drawImage(0, 0, image);
    }
    void leaveEvent(QEvent* e) override
    {
        if (auto* tab = static_cast<CQvWndTab*>(m_pWnd)) tab->CursorLeft();
        CWndWidget<QWidget>::leaveEvent(e);
    }
};

void Line(CDC* dc, int x0, int y0, int x1, int y1)
{
    dc->MoveTo(x0, y0);
    dc->LineTo(x1, y1);
}

}  // namespace

CQvWndTab::CQvWndTab() = default;

CQvWndTab::~CQvWndTab() = default;

QWidget* CQvWndTab::CreateWidget(QWidget* parent) { return new CTabWidget(this, parent); }

void CQvWndTab::SetTabHeight(int height)
{
    m_nTabHeight = height < 0 ? 0 : height;
    m_bWidthsDirty = 1;
    if (GetSafeHwnd() != nullptr) Invalidate(TRUE);
}

void CQvWndTab::EnableButtons(int on)
{
    const BOOL enable = on ? TRUE : FALSE;
    if (enable == m_bButtonsEnabled) return;
    m_bButtonsEnabled = enable;
    m_disabled.fill(enable ? 0 : 1);
    if (GetSafeHwnd() != nullptr) Invalidate(TRUE);
}

RECT CQvWndTab::ButtonRect(int button)
{
    const int left = 2 + 15 * button;
    return RECT{left, 2, left + 14, 16};
}

CFont* CQvWndTab::GetTabFont()
{
    if (!m_pFont || m_pFont->GetHeight() != m_nTabHeight - 2) {
        m_pFont = std::make_unique<CFont>();
        m_pFont->CreateFont(std::max(m_nTabHeight - 2, 1), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                            L"MS Sans Serif");
        m_bWidthsDirty = 1;
    }
    return m_pFont.get();
}

void CQvWndTab::UpdateWidths(CDC* dc)
{
    if (m_pLayerBar == nullptr) return;
    const std::vector<CString>& names = m_pLayerBar->GetLayerNames();
    if (!m_bWidthsDirty && m_widths.size() == names.size()) return;
    m_widths.clear();
    for (const CString& name : names) m_widths.push_back(dc->GetTextExtent(name).cx + 2 * kTextMargin);
    m_bWidthsDirty = 0;
    m_nFirstTab = std::clamp(m_nFirstTab, 0, std::max(static_cast<int>(m_widths.size()) - 1, 0));
}

void CQvWndTab::Render(QImage& image)
{
    RECT client{0, 0, 0, 0};
    if (GetSafeHwnd() != nullptr) GetClientRect(&client);
    image = QImage(std::max<int>(client.right, 1), std::max<int>(client.bottom, 1), QImage::Format_RGB32);
    image.fill(QColor(GetRValue(kFace), GetGValue(kFace), GetBValue(kFace)));
    CQtDC dc(&image);
    Paint(&dc);
}

void CQvWndTab::Paint(CDC* dc)
{
    if (dc == nullptr) return;
    CFont* old = dc->SelectObject(GetTabFont());
    UpdateWidths(dc);
    DrawButtons(dc);
    DrawTabs(dc);
    DrawCurrentTab(dc);
    dc->SelectObject(old);
}

void CQvWndTab::DrawButtons(CDC* dc)
{
    dc->FillSolidRect(0, 0, kTabStart, std::max(m_nTabHeight, 0), kFace);
    CPen black(PS_SOLID, 1, kBlack);
    CPen* old = dc->SelectObject(&black);
    Line(dc, 0, 0, kTabStart, 0);
    dc->SelectObject(old);
    for (int b = 0; b < kButtonCount; ++b) {
        DrawButtonPicture(dc, b, m_disabled[static_cast<size_t>(b)]);
        DrawButtonLook(dc, b, m_look[static_cast<size_t>(b)]);
    }
}

void CQvWndTab::DrawButtonLook(CDC* dc, int button, int look)
{
    const RECT r = ButtonRect(button);
    const COLORREF topLeft = look == kRaised ? kHighlight : look == kSunken ? kShadow : kFace;
    const COLORREF bottomRight = look == kRaised ? kShadow : look == kSunken ? kHighlight : kFace;
    CPen tl(PS_SOLID, 1, topLeft), br(PS_SOLID, 1, bottomRight);
    CPen* old = dc->SelectObject(&tl);
    Line(dc, r.left, r.bottom - 1, r.left, r.top);
    Line(dc, r.left, r.top, r.right - 1, r.top);
    dc->SelectObject(&br);
    Line(dc, r.right - 1, r.top, r.right - 1, r.bottom - 1);
    Line(dc, r.right - 1, r.bottom - 1, r.left, r.bottom - 1);
    dc->SelectObject(old);
}

// The program's own button pictures: small line drawings inside the button at
// left + 1, top + 1, grey when disabled.
void CQvWndTab::DrawButtonPicture(CDC* dc, int button, BOOL disabled)
{
    const RECT r = ButtonRect(button);
    const int x = r.left + 1, y = r.top + 1;  // a 12 x 12 picture
    CPen pen(PS_SOLID, 1, disabled ? kDisabled : kBlack);
    CPen* old = dc->SelectObject(&pen);
    auto line = [&](int x0, int y0, int x1, int y1) { Line(dc, x + x0, y + y0, x + x1, y + y1); };
    switch (button) {
    case kEditLayers:  // stacked sheets
        for (int k = 0; k < 3; ++k) {
            line(2 + k, 2 + 3 * k, 10 + k, 2 + 3 * k);
            line(10 + k, 2 + 3 * k, 10 + k, 5 + 3 * k);
        }
        break;
    case kShowAll:  // an open eye
        line(1, 6, 5, 3), line(5, 3, 8, 3), line(8, 3, 11, 6), line(11, 6, 8, 9), line(8, 9, 5, 9), line(5, 9, 1, 6);
        line(6, 5, 8, 5), line(6, 6, 8, 6), line(6, 7, 8, 7);
        break;
    case kShowOne:  // one sheet
        line(3, 2, 9, 2), line(9, 2, 9, 10), line(9, 10, 3, 10), line(3, 10, 3, 2);
        break;
    case kScrollRight:  // arrow right
        line(3, 6, 9, 6), line(6, 3, 9, 6), line(6, 9, 9, 6);
        break;
    case kDelete:  // a cross
        line(3, 3, 10, 10), line(3, 9, 10, 2);
        break;
    case kAdd:  // a plus
        line(6, 2, 6, 11), line(2, 6, 11, 6);
        break;
    case kScrollLeft:  // arrow left
        line(3, 6, 9, 6), line(6, 3, 3, 6), line(6, 9, 3, 6);
        break;
    default: break;
    }
    dc->SelectObject(old);
}

void CQvWndTab::DrawTabs(CDC* dc)
{
    if (m_pLayerBar == nullptr) return;
    const std::vector<CString>& names = m_pLayerBar->GetLayerNames();
    const int h = m_nTabHeight, s = HalfSlant();
    RECT client{0, 0, 0, 0};
    if (GetSafeHwnd() != nullptr) GetClientRect(&client);
    CPen black(PS_SOLID, 1, kBlack);
    CPen* old = dc->SelectObject(&black);
    Line(dc, kTabStart, 0, std::max<int>(client.right, kTabStart), 0);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(kBlack);
    const int count = static_cast<int>(std::min(names.size(), m_widths.size()));
    int x = kTabStart;
    for (int k = m_nFirstTab; k < count; ++k) {
        const int w = m_widths[static_cast<size_t>(k)];
        const bool last = k == count - 1;
        const POINT outline[4] = {{x, 0},
                                  {x + s, h - 1},
                                  {x + s + w, h - 1},
                                  last ? POINT{x + 2 * s + w, 0} : POINT{x + s + w + s / 2, s}};
        if (outline[3].x >= kTabStart) {
            dc->Polyline(outline, 4);
            dc->TextOut(x + s + kTextMargin, 1, names[static_cast<size_t>(k)]);
        }
        x += s + w;
    }
    dc->SelectObject(old);
}

void CQvWndTab::DrawCurrentTab(CDC* dc)
{
    if (m_pLayerBar == nullptr) return;
    const std::vector<CString>& names = m_pLayerBar->GetLayerNames();
    const int c = m_pLayerBar->GetCurLayerIndex();
    const int count = static_cast<int>(std::min(names.size(), m_widths.size()));
    if (c < m_nFirstTab || c >= count) return;  // no highlighted tab before the first visible one
    const int h = m_nTabHeight, s = HalfSlant();
    int x = kTabStart;
    for (int k = m_nFirstTab; k < c; ++k) x += m_widths[static_cast<size_t>(k)] + s;
    const int w = m_widths[static_cast<size_t>(c)];
    // The trapezoid filled row by row with the window colour.
    for (int y = 0; y < h; ++y) {
        const int inset = h > 1 ? (s * y) / (h - 1) : 0;
        dc->FillSolidRect(x + inset, y, 2 * s + w - 2 * inset + 1, 1, kWindow);
    }
    CPen black(PS_SOLID, 1, kBlack);
    CPen* old = dc->SelectObject(&black);
    const POINT outline[4] = {{x, 0}, {x + s, h - 1}, {x + s + w, h - 1}, {x + 2 * s + w, 0}};
    dc->Polyline(outline, 4);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(kBlack);
    dc->TextOut(x + s + kTextMargin, 1, names[static_cast<size_t>(c)]);
    dc->SelectObject(old);
}

int CQvWndTab::HitTestTab(int px) const
{
    if (px < kTabStart) return -1;
    const int s = HalfSlant();
    int x = kTabStart;
    for (int k = m_nFirstTab; k < static_cast<int>(m_widths.size()); ++k) {
        const int w = m_widths[static_cast<size_t>(k)];
        if (px >= x + s - 1 && px <= x + s + w + 1) return k;
        x += s + w;
    }
    return -1;
}

int CQvWndTab::HitTestButton(POINT p) const
{
    for (int b = 0; b < kButtonCount; ++b) {
        const RECT r = ButtonRect(b);
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return b;
    }
    return -1;
}

BOOL CQvWndTab::ScrollTabsLeft()
{
    if (m_nFirstTab <= 0) return FALSE;
    --m_nFirstTab;
    return TRUE;
}

BOOL CQvWndTab::ScrollTabsRight()
{
    const int count = static_cast<int>(m_widths.size());
    if (m_nFirstTab >= count - 1) return FALSE;
    const int s = HalfSlant();
    int total = s;
    for (int w : m_widths) total += w + s;
    if (total <= m_nTabRoom) return FALSE;
    ++m_nFirstTab;
    return TRUE;
}

void CQvWndTab::RunLayerCommand(int mode)
{
    static constexpr UINT kIds[] = {korvel::ID_LAYER_MANAGE, korvel::ID_LAYER_SHOW_ALL, korvel::ID_LAYER_SHOW_ONE};
    if (CFrameWnd* frame = gGetMainFrame()) frame->SendMessage(WM_COMMAND, kIds[mode], 0);
}

void CQvWndTab::RunButton(int button)
{
    if (m_pLayerBar == nullptr) return;
    switch (button) {
    case kEditLayers:
        m_look.fill(kFlat);
        m_nHovered = -1;
        m_bPressed = FALSE;
        if (GetSafeHwnd() != nullptr) KillTimer(kHoverTimer);
        RunLayerCommand(0);
        break;
    case kShowAll: RunLayerCommand(1); break;
    case kShowOne: RunLayerCommand(2); break;
    case kScrollRight:
        if (ScrollTabsRight()) m_pLayerBar->RefreshLayerBar(0);
        break;
    case kDelete:
        m_pLayerBar->DeleteLayer(m_pLayerBar->GetCurLayerIndex(), 0);
        m_pLayerBar->SetCurrentLayer(m_pLayerBar->GetCurLayerIndex());
        m_pLayerBar->RefreshLayerBar(0);
        break;
    case kAdd:
        m_pLayerBar->AddLayer(CString());
        m_pLayerBar->SetCurrentLayer(m_pLayerBar->GetLayerCount() - 1);
        m_pLayerBar->RefreshLayerBar(0);
        break;
    case kScrollLeft:
        if (ScrollTabsLeft()) m_pLayerBar->RefreshLayerBar(0);
        break;
    default: break;
    }
}

void CQvWndTab::OnLButtonDown(UINT, CPoint point)
{
    if (!m_bButtonsEnabled || m_pLayerBar == nullptr) return;
    const int button = HitTestButton(point);
    if (button >= 0) {
        m_nHovered = button;
        m_bPressed = TRUE;
        m_look[static_cast<size_t>(button)] = kSunken;
        if (GetSafeHwnd() != nullptr) Invalidate(FALSE);
        RunButton(button);
        return;
    }
    // Widths as drawn: a click before the first paint measures first.
    if (m_bWidthsDirty && GetSafeHwnd() != nullptr) {
        QImage image;
        Render(image);
    }
    const int tab = HitTestTab(point.x);
    if (tab >= 0) {
        m_pLayerBar->SetCurrentLayer(tab);
        m_pLayerBar->RefreshLayerBar(1);
    }
}

void CQvWndTab::OnLButtonUp(UINT, CPoint)
{
    m_bPressed = FALSE;
    m_nHovered = -1;
    if (GetSafeHwnd() != nullptr) Invalidate(FALSE);
}

void CQvWndTab::OnMouseMove(UINT, CPoint point)
{
    m_ptCursor = point;
    m_bCursorInside = TRUE;
    if (!m_bButtonsEnabled) return;
    SetTimer(kHoverTimer, kHoverMs);
    HoverStep();
}

void CQvWndTab::OnTimer(UINT_PTR id)
{
    if (id == kHoverTimer && m_bButtonsEnabled) HoverStep();
}

void CQvWndTab::HoverStep()
{
    for (int b = 0; b < kButtonCount; ++b)
        if (b != m_nHovered) m_look[static_cast<size_t>(b)] = kFlat;
    if (m_nHovered >= 0 && m_bPressed) {
        m_look[static_cast<size_t>(m_nHovered)] = kSunken;
    } else if (!m_bCursorInside) {
        if (m_nHovered >= 0) m_look[static_cast<size_t>(m_nHovered)] = kFlat;
        m_nHovered = -1;
        KillTimer(kHoverTimer);
    } else {
        if (m_nHovered >= 0) m_look[static_cast<size_t>(m_nHovered)] = kFlat;
        m_nHovered = HitTestButton(m_ptCursor);
        if (m_nHovered >= 0) m_look[static_cast<size_t>(m_nHovered)] = kRaised;
        // The hovered button's tooltip.
        if (GetWidget() != nullptr) {
            const CString tip = m_nHovered >= 0 ? AfxLoadString(korvel::IDS_LAYER_EDIT + m_nHovered) : CString();
            GetWidget()->setToolTip(QString::fromWCharArray(tip.GetString(), tip.GetLength()));
        }
    }
    if (GetSafeHwnd() != nullptr) Invalidate(FALSE);
}

void CQvWndTab::CursorLeft()
{
    m_bCursorInside = FALSE;
}

void CQvWndTab::OnSize(UINT, int cx, int cy)
{
    // The right half is the drawing view's scroll bar; the tabs get the rest.
    const int left = cx / 2;
    if (m_scrollBar.GetSafeHwnd() != nullptr) m_scrollBar.MoveWindow(left, 1, std::max(cx - left, 0), std::max(cy - 1, 0));
    m_nTabRoom = left - kTabStart;
}

void CQvWndTab::ScrollRangeFor(double pageWidth, int* minPos, int* maxPos)
{
    constexpr int kLimit = 25000;
    const double w = std::trunc(std::fabs(pageWidth));
    const int width = w > kLimit ? kLimit : static_cast<int>(w);
    *minPos = std::max(-2 * width, -kLimit);
    *maxPos = std::min(2 * width, kLimit);
}

BOOL CQvWndTab::CreateScrollBar()
{
    if (GetSafeHwnd() == nullptr) return FALSE;
    if (!m_scrollBar.Create(WS_CHILD | WS_VISIBLE | SBS_HORZ, RECT{0, 0, 0, 0}, this, 1)) return FALSE;
    const BOX2<double> page = CWorkArea::Instance()->GetPageSize();
    int minPos = 0, maxPos = 0;
    ScrollRangeFor(page.xmax - page.xmin, &minPos, &maxPos);
    m_scrollBar.SetScrollRange(minPos, maxPos, FALSE);
    m_scrollBar.SetScrollPos(0, TRUE);
    RECT client{0, 0, 0, 0};
    GetClientRect(&client);
    OnSize(0, client.right, client.bottom);
    return TRUE;
}

void CQvWndTab::OnHScroll(UINT code, UINT pos, CScrollBar* bar)
{
    if (bar != &m_scrollBar) {
        CWnd::OnHScroll(code, pos, bar);
        return;
    }
    // The position travels in 16 bits: it is signed.
    ScrollView(code, static_cast<short>(static_cast<WORD>(pos)));
}

double CQvWndTab::ScrollView(UINT code, int thumbPos)
{
    CLooker* looker = gGetLooker();
    CRelayon* hub = gGetRelayon();
    auto* pan = hub != nullptr ? dynamic_cast<CViewPanCmd*>(hub->GetCmd(korvel::ID_VIEW_PAN)) : nullptr;
    if (looker == nullptr || pan == nullptr) return 0.0;
    BOX3<double> box;
    looker->GetViewBox3D(&box);
    const double dx = box.xmax - box.xmin, dy = box.ymax - box.ymin, dz = box.zmax - box.zmin;
    double e = std::min(dx, dy);
    if (CLooker::IsView3D()) {
        if (dx < 0.0001) e = std::min(dy, dz);
        else if (dy < 0.0001) e = std::min(dx, dz);
    }
    const float lineStep = static_cast<float>(0.25 * e);
    const float pageStep = static_cast<float>(0.5 * e);
    const int p = m_scrollBar.GetScrollPos();
    int minPos = 0, maxPos = 0;
    m_scrollBar.GetScrollRange(&minPos, &maxPos);
    int next = p;
    double distance = 0.0;
    switch (code) {
    case SB_LINELEFT:
        next = static_cast<int>(std::max<float>(static_cast<float>(minPos), static_cast<float>(p) - lineStep));
        distance = p == minPos ? 0.0 : lineStep;
        break;
    case SB_LINERIGHT:
        next = static_cast<int>(std::min<float>(static_cast<float>(maxPos), static_cast<float>(p) + lineStep));
        distance = p == maxPos ? 0.0 : -lineStep;
        break;
    case SB_PAGELEFT:
        next = static_cast<int>(std::max<float>(static_cast<float>(minPos), static_cast<float>(p) - pageStep));
        distance = pageStep;
        break;
    case SB_PAGERIGHT:
        next = static_cast<int>(std::min<float>(static_cast<float>(maxPos), static_cast<float>(p) + pageStep));
        distance = -pageStep;
        break;
    case SB_THUMBPOSITION:
        next = thumbPos;
        distance = p - thumbPos;
        break;
    case SB_LEFT:
        next = minPos;
        distance = p - minPos;
        break;
    case SB_RIGHT:
        next = maxPos;
        distance = p - maxPos;
        break;
    default: return 0.0;  // thumb track and the end of scrolling do nothing
    }
    if (distance == 0.0 || next < minPos || next > maxPos) return 0.0;
    if (CLooker::IsView3D()) pan->Pan3D(distance, 0.0);
    else pan->Pan2D(distance, 0.0);
    m_scrollBar.SetScrollPos(next, TRUE);
    return distance;
}
