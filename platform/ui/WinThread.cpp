#include "platform/ui/WinThread.h"

#include "platform/ui/FrameWnd.h"
#include "platform/ui/QtApp.h"

#include <QApplication>
#include <QTimer>

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)

namespace {
// Period of the idle tick that refreshes command items.
constexpr int kIdleTickMs = 250;
}  // namespace

BOOL CWinThread::InitInstance() { return FALSE; }

int CWinThread::ExitInstance() { return 0; }

int CWinThread::Run() {
  if (!AfxEnsureQtApplication()) return ExitInstance();
  QTimer idle;
  QObject::connect(&idle, &QTimer::timeout, [this] {
    LONG lCount = 0;
    while (OnIdle(lCount++)) {
    }
  });
  idle.start(kIdleTickMs);
  if (m_pMainWnd != nullptr) QApplication::exec();
  idle.stop();
  // Windows closed from the last handler (Exit in a menu) go before the exit work.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return ExitInstance();
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg) { return CWnd::WalkPreTranslateTree(pMsg); }

BOOL CWinThread::OnIdle(LONG lCount) {
  if (lCount == 0) {
    if (auto* pFrame = dynamic_cast<CFrameWnd*>(m_pMainWnd)) pFrame->UpdateCommandActions();
  }
  return FALSE;
}
