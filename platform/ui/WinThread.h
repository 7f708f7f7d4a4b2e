#pragma once
// The user-interface thread: main window, message pre-translation and idle work.

#include "platform/ui/Wnd.h"

class CWinThread : public CCmdTarget {
  DECLARE_DYNAMIC(CWinThread)
public:
  CWinThread() = default;

  virtual BOOL InitInstance();
  virtual int ExitInstance();
  // Runs the event loop until the main window goes; returns ExitInstance's code.
  virtual int Run();
  // Offers a queued message to the target window and its parents first; TRUE stops it.
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  // Idle work; TRUE asks for more idle time.
  virtual BOOL OnIdle(LONG lCount);

  CWnd* GetMainWnd() const { return m_pMainWnd; }

  CWnd* m_pMainWnd = nullptr;
};
