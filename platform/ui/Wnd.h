#pragma once
// Windows: a C++ object with a message map and, while created, a Qt widget.
//
// SendMessage runs the window procedure at once; PostMessage queues a Qt event that
// the window procedure handles when the event loop next runs. Timers map window and
// id to a QTimer whose ticks arrive as WM_TIMER. Qt's resize, close and drop events
// arrive as WM_SIZE, WM_CLOSE and WM_DROPFILES, so they reach the same handlers.

#include "platform/core/WinString.h"
#include "platform/ui/CmdTarget.h"

#include <map>
#include <memory>

class QWidget;
class QTimer;
class CDC;
class CFrameWnd;
struct CCreateContext;

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

  // Starts or restarts timer nIDEvent (a period of 0 is taken as 10 ms, as on the
  // platform). Returns nIDEvent, or 0 when the window has no widget.
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void* lpfnTimer = nullptr);
  BOOL KillTimer(UINT_PTR nIDEvent);

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

  QWidget* m_pWidget = nullptr;
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
