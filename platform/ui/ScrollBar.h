#pragma once
// A scroll-bar control over QScrollBar. It tells its parent about the user's
// actions with WM_HSCROLL or WM_VSCROLL (the code in the low word of wParam,
// the position in the high word, the control in lParam); a thumb drag reports
// SB_THUMBTRACK while it moves and SB_THUMBPOSITION when released. As on the
// platform the bar shows the position the program set, not where Qt moved it.

#include "platform/ui/Wnd.h"

constexpr DWORD SBS_HORZ = 0x0000;
constexpr DWORD SBS_VERT = 0x0001;

class CScrollBar : public CWnd {
  DECLARE_DYNAMIC(CScrollBar)
public:
  CScrollBar() = default;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  void SetScrollRange(int nMinPos, int nMaxPos, BOOL bRedraw = TRUE);
  void GetScrollRange(int* lpMinPos, int* lpMaxPos) const;
  int SetScrollPos(int nPos, BOOL bRedraw = TRUE);
  int GetScrollPos() const { return m_nPos; }
  // What the user did, as the parent hears it (also for tests).
  void Notify(UINT nCode, int nPos);

protected:
  using CWnd::Create;
  QWidget* CreateWidget(QWidget* pParent) override;

private:
  void Sync();
  DWORD m_dwStyle = 0;
  int m_nMin = 0;
  int m_nMax = 100;
  int m_nPos = 0;
};
