#pragma once
// Windows: a C++ object with a message map and, while created, a Qt widget.
//
// SendMessage runs the window procedure at once; PostMessage queues a Qt event that
// the window procedure handles when the event loop next runs. Timers map window and
// id to a QTimer whose ticks arrive as WM_TIMER. Qt's resize, close and drop events
// arrive as WM_SIZE, WM_CLOSE and WM_DROPFILES, so they reach the same handlers.

#include "platform/core/WinGeometry.h"
#include "platform/core/WinString.h"
#include "platform/ui/CmdTarget.h"

#include <map>
#include <memory>

class QWidget;
class QTimer;
class QScrollBar;
class CDC;
class CFont;
class CFrameWnd;
class CScrollBar;
struct CCreateContext;

// What WM_HELP carries.
struct HELPINFO {
  UINT cbSize;
  int iContextType;
  int iCtrlId;
  void* hItemHandle;
  DWORD_PTR dwContextId;
  POINT MousePos;
};
using LPHELPINFO = HELPINFO*;

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class CWnd : public CCmdTarget {
  DECLARE_DYNCREATE(CWnd)
public:
  CWnd();
  ~CWnd() override;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }
  // The on-screen widget, null while not created.
  QWidget* GetWidget() const { return m_pWidget; }
  // The window of a live handle, or null.
  static CWnd* FromHandle(HWND hWnd);

  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
  virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                      CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr);
  virtual BOOL DestroyWindow();

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // FALSE when the window has no widget to queue the message on.
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  // The default procedure for the message being handled now (from inside a handler).
  LRESULT Default();
  // Offers the message to its window and that window's parents up to the top-level
  // window; TRUE when one of them took it.
  static BOOL WalkPreTranslateTree(MSG* pMsg);
  // The window's menu (frames have one); null by default.
  virtual class CMenu* GetMenu() const { return nullptr; }

  // Starts or restarts timer nIDEvent (a period of 0 is taken as 10 ms, as on the
  // platform). Returns nIDEvent, or 0 when the window has no widget.
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void* lpfnTimer = nullptr);
  BOOL KillTimer(UINT_PTR nIDEvent);
  // The period of a running timer in milliseconds; 0 when it does not run.
  UINT GetTimerPeriod(UINT_PTR nIDEvent) const;

  void Invalidate(BOOL bErase = TRUE);
  void UpdateWindow();
  void GetClientRect(LPRECT lpRect) const;
  void GetWindowRect(LPRECT lpRect) const;
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
  void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
  // Returns whether the window was visible before.
  BOOL ShowWindow(int nCmdShow);
  BOOL IsWindowVisible() const;
  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsWindowEnabled() const;
  void CenterWindow(CWnd* pAlternateOwner = nullptr);
  CWnd* SetFocus();
  void SetWindowText(LPCTSTR lpszString);
  void GetWindowText(CString& rString) const;
  CWnd* GetParent() const;
  // The nearest frame window among the parents (not this window itself).
  CFrameWnd* GetParentFrame() const;
  // Direct child window with this id, or null.
  CWnd* GetDlgItem(int nID) const;
  int GetDlgCtrlID() const { return static_cast<int>(m_nID); }
  void SetDlgCtrlID(int nID) { m_nID = static_cast<UINT>(nID); }
  // Files dropped on the window arrive as WM_DROPFILES.
  void DragAcceptFiles(BOOL bAccept = TRUE);

  void ScreenToClient(LPPOINT lpPoint) const;
  void ScreenToClient(LPRECT lpRect) const;
  void ClientToScreen(LPPOINT lpPoint) const;
  void ClientToScreen(LPRECT lpRect) const;
  // Mouse messages go to this window until ReleaseCapture; returns the window that
  // held the capture before, or null.
  CWnd* SetCapture();
  static CWnd* GetCapture();
  // The window owning the widget with keyboard focus (or one of its parents), or null.
  static CWnd* GetFocus();
  BOOL SetForegroundWindow();
  CWnd* SetActiveWindow();

  // Scroll bars of the window (SB_HORZ, SB_VERT): range, page and position. A
  // window with a shown scroll bar gets WM_HSCROLL / WM_VSCROLL from it.
  BOOL SetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, BOOL bRedraw = TRUE);
  BOOL GetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, UINT nMask = SIF_ALL);
  int SetScrollPos(int nBar, int nPos, BOOL bRedraw = TRUE);
  int GetScrollPos(int nBar) const;
  void SetScrollRange(int nBar, int nMinPos, int nMaxPos, BOOL bRedraw = TRUE);
  void GetScrollRange(int nBar, int* lpMinPos, int* lpMaxPos) const;
  void ShowScrollBar(UINT nBar, BOOL bShow = TRUE);

  // Font of the window and of the controls' text (not owned; must outlive its use).
  void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
  CFont* GetFont() const { return m_pFont; }

  // Texts, numbers and check states of child controls by id.
  void SetDlgItemText(int nID, LPCTSTR lpszString);
  int GetDlgItemText(int nID, CString& rString) const;
  void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE);
  UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const;
  void CheckDlgButton(int nIDButton, UINT nCheck);
  UINT IsDlgButtonChecked(int nIDButton) const;

  // Drawing on the window's screen; windows without one return null.
  virtual CDC* GetDC();
  virtual int ReleaseDC(CDC* pDC);

  // Message handlers of the base: what the platform's default procedure does.
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnDestroy();
  void OnClose();
  void OnSize(UINT nType, int cx, int cy);
  void OnTimer(UINT_PTR nIDEvent);
  void OnDropFiles(HDROP hDropInfo);
  void OnPaint();
  void OnSysCommand(UINT nID, LPARAM lParam);
  // Input handlers of the base: each runs the default procedure.
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnLButtonDblClk(UINT nFlags, CPoint point);
  void OnRButtonDown(UINT nFlags, CPoint point);
  void OnRButtonUp(UINT nFlags, CPoint point);
  void OnRButtonDblClk(UINT nFlags, CPoint point);
  void OnMButtonDown(UINT nFlags, CPoint point);
  void OnMButtonUp(UINT nFlags, CPoint point);
  void OnMButtonDblClk(UINT nFlags, CPoint point);
  void OnMouseMove(UINT nFlags, CPoint point);
  // pt is in screen coordinates, as the platform gives it.
  BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnSysKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
  BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  BOOL OnEraseBkgnd(CDC* pDC);
  void OnSetFocus(CWnd* pOldWnd);
  void OnKillFocus(CWnd* pNewWnd);
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnContextMenu(CWnd* pWnd, CPoint pos);
  BOOL OnHelpInfo(HELPINFO* pHelpInfo);

protected:
  // Makes the widget of this window (a plain QWidget by default).
  virtual QWidget* CreateWidget(QWidget* pParent);
  // Called after WM_NCDESTROY, when the widget is gone; frames and views delete themselves here.
  virtual void PostNcDestroy();
  // Hooks of windows that keep their own screen image.
  virtual void OnInvalidate();
  virtual void OnUpdateWindow();

  UINT m_nID = 0;

  DECLARE_MESSAGE_MAP()

private:
  friend struct CWndAccess;
  void AttachWidget(QWidget* pWidget);
  QWidget* DetachWidget();
  void KillAllTimers();

  void SyncScrollBar(int nBar);
  void LayOutScrollBars();
  void OnScrollAction(int nBar, UINT nCode, int nPos);

  QWidget* m_pWidget = nullptr;
  CFont* m_pFont = nullptr;
  SCROLLINFO m_scroll[2]{};
  QScrollBar* m_pScrollBars[2]{nullptr, nullptr};  // children of the widget while shown
  std::map<UINT_PTR, QTimer*> m_timers;
  BOOL m_bAcceptFiles = FALSE;
  bool m_bDestroying = false;
};

// Drop handles: the number of files (iFile = 0xFFFFFFFF) or the length of a path
// (lpszFile null), else the path copied into the buffer, cut to cch - 1 characters.
UINT DragQueryFile(HDROP hDrop, UINT iFile, LPTSTR lpszFile, UINT cch);
void DragFinish(HDROP hDrop);
void DragAcceptFiles(HWND hWnd, BOOL bAccept);
BOOL IsWindow(HWND hWnd);

// Thunks and map entries of the input, focus and scrolling messages.
namespace afx_detail {
template <class M>
struct ScrollArgs;
template <class C, class R, class A0, class A1, class Bar>
struct ScrollArgs<R (C::*)(A0, A1, Bar)> {
  using bar = Bar;
};
template <auto F>
LRESULT Mouse(CCmdTarget* p, UINT, WPARAM wParam, LPARAM lParam) {
  (Cast<F>(p)->*F)(static_cast<UINT>(wParam), CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
  return 0;
}
template <auto F>
LRESULT MouseWheel(CCmdTarget* p, UINT, WPARAM wParam, LPARAM lParam) {
  return (Cast<F>(p)->*F)(GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam),
                          CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
}
template <auto F>
LRESULT Key(CCmdTarget* p, UINT, WPARAM wParam, LPARAM lParam) {
  const DWORD dw = static_cast<DWORD>(lParam);
  (Cast<F>(p)->*F)(static_cast<UINT>(wParam), LOWORD(dw), HIWORD(dw));
  return 0;
}
template <auto F>
LRESULT SetCursor(CCmdTarget* p, UINT, WPARAM wParam, LPARAM lParam) {
  const DWORD dw = static_cast<DWORD>(lParam);
  return (Cast<F>(p)->*F)(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(dw), HIWORD(dw));
}
template <auto F>
LRESULT EraseBkgnd(CCmdTarget* p, UINT, WPARAM wParam, LPARAM) {
  return (Cast<F>(p)->*F)(reinterpret_cast<CDC*>(wParam));
}
template <auto F>
LRESULT Focus(CCmdTarget* p, UINT, WPARAM wParam, LPARAM) {
  (Cast<F>(p)->*F)(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)));
  return 0;
}
// lParam carries the scroll-bar control object, or 0 for a window's own bar.
template <auto F>
LRESULT Scroll(CCmdTarget* p, UINT, WPARAM wParam, LPARAM lParam) {
  using Bar = typename ScrollArgs<decltype(F)>::bar;
  const DWORD dw = static_cast<DWORD>(wParam);
  (Cast<F>(p)->*F)(LOWORD(dw), HIWORD(dw), reinterpret_cast<Bar>(lParam));
  return 0;
}
template <auto F>
LRESULT ContextMenu(CCmdTarget* p, UINT, WPARAM wParam, LPARAM lParam) {
  (Cast<F>(p)->*F)(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)),
                   CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
  return 0;
}
template <auto F>
LRESULT HelpInfo(CCmdTarget* p, UINT, WPARAM, LPARAM lParam) {
  return (Cast<F>(p)->*F)(reinterpret_cast<HELPINFO*>(lParam));
}
}  // namespace afx_detail

#define ON_WM_LBUTTONDOWN() {WM_LBUTTONDOWN, 0, 0, 0, nullptr, &afx_detail::Mouse<&ThisClass::OnLButtonDown>},
#define ON_WM_LBUTTONUP() {WM_LBUTTONUP, 0, 0, 0, nullptr, &afx_detail::Mouse<&ThisClass::OnLButtonUp>},
#define ON_WM_LBUTTONDBLCLK() {WM_LBUTTONDBLCLK, 0, 0, 0, nullptr, &afx_detail::Mouse<&ThisClass::OnLButtonDblClk>},
#define ON_WM_RBUTTONDOWN() {WM_RBUTTONDOWN, 0, 0, 0, nullptr, &afx_detail::Mouse<&ThisClass::OnRButtonDown>},
#define ON_WM_RBUTTONUP() {WM_RBUTTONUP, 0, 0, 0, nullptr, &afx_detail::Mouse<&ThisClass::OnRButtonUp>},
#define ON_WM_RBUTTONDBLCLK() {WM_RBUTTONDBLCLK, 0, 0, 0, nullptr, &afx_detail::Mouse<&ThisClass::OnRButtonDblClk>},
#define ON_WM_MBUTTONDOWN() {WM_MBUTTONDOWN, 0, 0, 0, nullptr, &afx_detail::Mouse<&ThisClass::OnMButtonDown>},
#define ON_WM_MBUTTONUP() {WM_MBUTTONUP, 0, 0, 0, nullptr, &afx_detail::Mouse<&ThisClass::OnMButtonUp>},
#define ON_WM_MBUTTONDBLCLK() {WM_MBUTTONDBLCLK, 0, 0, 0, nullptr, &afx_detail::Mouse<&ThisClass::OnMButtonDblClk>},
#define ON_WM_MOUSEMOVE() {WM_MOUSEMOVE, 0, 0, 0, nullptr, &afx_detail::Mouse<&ThisClass::OnMouseMove>},
#define ON_WM_MOUSEWHEEL() {WM_MOUSEWHEEL, 0, 0, 0, nullptr, &afx_detail::MouseWheel<&ThisClass::OnMouseWheel>},
#define ON_WM_KEYDOWN() {WM_KEYDOWN, 0, 0, 0, nullptr, &afx_detail::Key<&ThisClass::OnKeyDown>},
#define ON_WM_KEYUP() {WM_KEYUP, 0, 0, 0, nullptr, &afx_detail::Key<&ThisClass::OnKeyUp>},
#define ON_WM_CHAR() {WM_CHAR, 0, 0, 0, nullptr, &afx_detail::Key<&ThisClass::OnChar>},
#define ON_WM_SYSKEYDOWN() {WM_SYSKEYDOWN, 0, 0, 0, nullptr, &afx_detail::Key<&ThisClass::OnSysKeyDown>},
#define ON_WM_SYSKEYUP() {WM_SYSKEYUP, 0, 0, 0, nullptr, &afx_detail::Key<&ThisClass::OnSysKeyUp>},
#define ON_WM_SETCURSOR() {WM_SETCURSOR, 0, 0, 0, nullptr, &afx_detail::SetCursor<&ThisClass::OnSetCursor>},
#define ON_WM_ERASEBKGND() {WM_ERASEBKGND, 0, 0, 0, nullptr, &afx_detail::EraseBkgnd<&ThisClass::OnEraseBkgnd>},
#define ON_WM_SETFOCUS() {WM_SETFOCUS, 0, 0, 0, nullptr, &afx_detail::Focus<&ThisClass::OnSetFocus>},
#define ON_WM_KILLFOCUS() {WM_KILLFOCUS, 0, 0, 0, nullptr, &afx_detail::Focus<&ThisClass::OnKillFocus>},
#define ON_WM_HSCROLL() {WM_HSCROLL, 0, 0, 0, nullptr, &afx_detail::Scroll<&ThisClass::OnHScroll>},
#define ON_WM_VSCROLL() {WM_VSCROLL, 0, 0, 0, nullptr, &afx_detail::Scroll<&ThisClass::OnVScroll>},
#define ON_WM_CONTEXTMENU() {WM_CONTEXTMENU, 0, 0, 0, nullptr, &afx_detail::ContextMenu<&ThisClass::OnContextMenu>},
#define ON_WM_HELPINFO() {WM_HELP, 0, 0, 0, nullptr, &afx_detail::HelpInfo<&ThisClass::OnHelpInfo>},
