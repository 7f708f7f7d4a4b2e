#include "platform/ui/ScrollBar.h"

#include "platform/ui/WndWidget.h"

#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

IMPLEMENT_DYNAMIC(CScrollBar, CWnd)

namespace {

class CScrollBarWidget : public CWndWidget<QScrollBar> {
public:
  CScrollBarWidget(CWnd* pWnd, Qt::Orientation orientation, QWidget* pParent)
      : CWndWidget<QScrollBar>(pWnd, orientation, pParent) {
    m_bNativeInput = true;
  }
};

}  // namespace

BOOL CScrollBar::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  m_dwStyle = dwStyle;
  return CWnd::Create(nullptr, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CScrollBar::CreateWidget(QWidget* pParent) {
  const bool vertical = (m_dwStyle & SBS_VERT) != 0;
  auto* bar = new CScrollBarWidget(this, vertical ? Qt::Vertical : Qt::Horizontal, pParent);
  const HWND hWnd = reinterpret_cast<HWND>(static_cast<QWidget*>(bar));
  QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [this, bar, hWnd](int action) {
    if (CWnd::FromHandle(hWnd) != this) return;
    switch (action) {
      case QAbstractSlider::SliderSingleStepAdd: Notify(SB_LINEDOWN, 0); break;
      case QAbstractSlider::SliderSingleStepSub: Notify(SB_LINEUP, 0); break;
      case QAbstractSlider::SliderPageStepAdd: Notify(SB_PAGEDOWN, 0); break;
      case QAbstractSlider::SliderPageStepSub: Notify(SB_PAGEUP, 0); break;
      case QAbstractSlider::SliderToMinimum: Notify(SB_TOP, 0); break;
      case QAbstractSlider::SliderToMaximum: Notify(SB_BOTTOM, 0); break;
      case QAbstractSlider::SliderMove: Notify(SB_THUMBTRACK, bar->sliderPosition()); break;
      default: break;
    }
  });
  QObject::connect(bar, &QAbstractSlider::sliderReleased, bar, [this, bar, hWnd] {
    if (CWnd::FromHandle(hWnd) != this) return;
    Notify(SB_THUMBPOSITION, bar->sliderPosition());
    if (CWnd::FromHandle(hWnd) == this) Notify(SB_ENDSCROLL, 0);
  });
  return bar;
}

void CScrollBar::Notify(UINT nCode, int nPos) {
  CWnd* pParent = GetParent();
  const HWND hWnd = m_hWnd;
  if (pParent != nullptr) {
    wnd_bridge::DispatchScope scope;
    pParent->SendMessage((m_dwStyle & SBS_VERT) != 0 ? WM_VSCROLL : WM_HSCROLL,
                         MAKEWPARAM(static_cast<WORD>(nCode), static_cast<WORD>(nPos)), reinterpret_cast<LPARAM>(this));
  }
  if (CWnd::FromHandle(hWnd) == this) Sync();
}

void CScrollBar::SetScrollRange(int nMinPos, int nMaxPos, BOOL) {
  m_nMin = nMinPos;
  m_nMax = std::max(nMinPos, nMaxPos);
  m_nPos = std::clamp(m_nPos, m_nMin, m_nMax);
  Sync();
}

void CScrollBar::GetScrollRange(int* lpMinPos, int* lpMaxPos) const {
  if (lpMinPos != nullptr) *lpMinPos = m_nMin;
  if (lpMaxPos != nullptr) *lpMaxPos = m_nMax;
}

int CScrollBar::SetScrollPos(int nPos, BOOL) {
  const int previous = m_nPos;
  m_nPos = std::clamp(nPos, m_nMin, m_nMax);
  Sync();
  return previous;
}

void CScrollBar::Sync() {
  auto* bar = qobject_cast<QScrollBar*>(GetWidget());
  if (bar == nullptr) return;
  const QSignalBlocker block(bar);
  bar->setRange(m_nMin, m_nMax);
  bar->setEnabled(m_nMax > m_nMin);
  if (!bar->isSliderDown()) bar->setSliderPosition(m_nPos);
}
