#include "platform/ui/Wnd.h"

#include "platform/ui/FrameWnd.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/QtConvert.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/WndWidget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cwchar>
#include <unordered_map>
#include <vector>

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

namespace {

std::unordered_map<HWND, CWnd*>& LiveHandles() {
  static std::unordered_map<HWND, CWnd*> handles;
  return handles;
}

int g_nDispatchDepth = 0;

// A message queued by PostMessage.
class PostedMessageEvent : public QEvent {
public:
  PostedMessageEvent(UINT message, WPARAM wParam, LPARAM lParam)
      : QEvent(Type()), m_msg{nullptr, message, wParam, lParam} {}
  static QEvent::Type Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  MSG m_msg;
};

// The files of one drop, alive while WM_DROPFILES is handled.
struct DropRecord {
  std::vector<std::wstring> files;
};

void DisposeWidget(QWidget* pWidget) {
  if (pWidget == nullptr) return;
  if (wnd_bridge::DispatchScope::Active()) {
    // A Qt event of this widget (or of a parent) may still be on the stack.
    pWidget->hide();
    pWidget->deleteLater();
  } else {
    delete pWidget;
  }
}

// Nearest window owning one of the widget's parents.
CWnd* ParentWindowOf(const QWidget* pWidget) {
  for (QWidget* p = pWidget != nullptr ? pWidget->parentWidget() : nullptr; p != nullptr; p = p->parentWidget()) {
    if (CWnd* pWnd = WndFromWidget(p)) return pWnd;
  }
  return nullptr;
}

// Direct child windows (the nearest window above them is pParent).
std::vector<CWnd*> ChildWindowsOf(const CWnd* pParent) {
  std::vector<CWnd*> children;
  if (pParent->GetWidget() == nullptr) return children;
  for (QWidget* w : pParent->GetWidget()->findChildren<QWidget*>()) {
    CWnd* pWnd = WndFromWidget(w);
    if (pWnd != nullptr && pWnd != pParent && ParentWindowOf(w) == pParent) children.push_back(pWnd);
  }
  return children;
}

}  // namespace

// Private access of the Qt bridge to its window.
struct CWndAccess {
  static void WidgetGone(CWnd* pWnd) {
    if (pWnd->m_hWnd != nullptr) LiveHandles().erase(pWnd->m_hWnd);
    pWnd->m_hWnd = nullptr;
    pWnd->m_pWidget = nullptr;
    pWnd->KillAllTimers();
  }
  static BOOL AcceptsFiles(const CWnd* pWnd) { return pWnd->m_bAcceptFiles; }
};

namespace wnd_bridge {

DispatchScope::DispatchScope() { ++g_nDispatchDepth; }
DispatchScope::~DispatchScope() { --g_nDispatchDepth; }
bool DispatchScope::Active() { return g_nDispatchDepth > 0; }

void WidgetGone(CWnd* pWnd) { CWndAccess::WidgetGone(pWnd); }

bool HandleEvent(CWnd* pWnd, QWidget* pWidget, QEvent* e) {
  if (e->type() == PostedMessageEvent::Type()) {
    MSG msg = static_cast<PostedMessageEvent*>(e)->m_msg;
    msg.hwnd = pWnd->m_hWnd;
    CWinApp* pApp = AfxGetApp();
    const BOOL bTranslated = pApp != nullptr ? pApp->PreTranslateMessage(&msg) : pWnd->PreTranslateMessage(&msg);
    if (!bTranslated) pWnd->WindowProc(msg.message, msg.wParam, msg.lParam);
    return true;
  }
  switch (e->type()) {
    case QEvent::Resize: {
      const QSize size = static_cast<QResizeEvent*>(e)->size();
      const UINT nType = pWidget->isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED;
      pWnd->SendMessage(WM_SIZE, nType,
                        MAKELPARAM(static_cast<WORD>(size.width()), static_cast<WORD>(size.height())));
      return false;
    }
    case QEvent::Close:
      // The window decides through WM_CLOSE whether and how it goes away.
      e->ignore();
      pWnd->SendMessage(WM_CLOSE);
      return true;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(e);
      if (!CWndAccess::AcceptsFiles(pWnd) || !drag->mimeData()->hasUrls()) return false;
      drag->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(e);
      if (!CWndAccess::AcceptsFiles(pWnd)) return false;
      DropRecord record;
      for (const QUrl& url : drop->mimeData()->urls()) {
        if (url.isLocalFile()) record.files.push_back(url.toLocalFile().toStdWString());
      }
      drop->acceptProposedAction();
      if (!record.files.empty()) pWnd->SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(&record), 0);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace wnd_bridge

CWnd::CWnd() = default;

CWnd::~CWnd() {
  // A window deleted while it still has its widget: release it without messages.
  KillAllTimers();
  DisposeWidget(DetachWidget());
}

CWnd* CWnd::FromHandle(HWND hWnd) {
  auto it = LiveHandles().find(hWnd);
  return it != LiveHandles().end() ? it->second : nullptr;
}

BOOL IsWindow(HWND hWnd) { return hWnd != nullptr && CWnd::FromHandle(hWnd) != nullptr; }

void CWnd::AttachWidget(QWidget* pWidget) {
  m_pWidget = pWidget;
  m_hWnd = reinterpret_cast<HWND>(pWidget);
  LiveHandles()[m_hWnd] = this;
}

QWidget* CWnd::DetachWidget() {
  QWidget* pWidget = m_pWidget;
  if (pWidget != nullptr) {
    if (auto* link = dynamic_cast<CWndLink*>(pWidget)) link->m_pWnd = nullptr;
    LiveHandles().erase(m_hWnd);
  }
  m_pWidget = nullptr;
  m_hWnd = nullptr;
  return pWidget;
}

QWidget* CWnd::CreateWidget(QWidget* pParent) { return new CWndWidget<QWidget>(this, pParent); }

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }

BOOL CWnd::Create(LPCTSTR, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID,
                  CCreateContext* pContext) {
  if (m_hWnd != nullptr || !AfxEnsureQtApplication()) return FALSE;
  CREATESTRUCT cs{pContext,
                  pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr,
                  static_cast<int>(rect.bottom - rect.top),
                  static_cast<int>(rect.right - rect.left),
                  static_cast<int>(rect.top),
                  static_cast<int>(rect.left),
                  static_cast<LONG>(dwStyle),
                  lpszWindowName,
                  0};
  if (!PreCreateWindow(cs)) return FALSE;

  QWidget* pWidget = CreateWidget(pParentWnd != nullptr ? pParentWnd->GetWidget() : nullptr);
  if (pWidget == nullptr) return FALSE;
  AttachWidget(pWidget);
  m_nID = nID;
  if (cs.lpszName != nullptr) pWidget->setWindowTitle(ToQString(cs.lpszName));
  if (cs.cx > 0 && cs.cy > 0) pWidget->setGeometry(cs.x, cs.y, cs.cx, cs.cy);

  if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow();
    return FALSE;
  }
  if (m_pWidget == nullptr) return FALSE;
  // As on the platform, a new window learns its size right after WM_CREATE.
  SendMessage(WM_SIZE, SIZE_RESTORED,
              MAKELPARAM(static_cast<WORD>(m_pWidget->width()), static_cast<WORD>(m_pWidget->height())));
  if ((static_cast<DWORD>(cs.style) & WS_VISIBLE) != 0 && m_pWidget != nullptr) m_pWidget->show();
  return m_pWidget != nullptr;
}

BOOL CWnd::DestroyWindow() {
  if (m_hWnd == nullptr || m_bDestroying) return FALSE;
  m_bDestroying = true;
  // Parent first, then its children, as the platform sends WM_DESTROY.
  SendMessage(WM_DESTROY);
  for (CWnd* pChild : ChildWindowsOf(this)) pChild->DestroyWindow();
  KillAllTimers();
  DisposeWidget(DetachWidget());
  m_bDestroying = false;
  PostNcDestroy();  // may delete this
  return TRUE;
}

void CWnd::PostNcDestroy() {}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) { return WindowProc(message, wParam, lParam); }

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pWidget == nullptr) return FALSE;
  QCoreApplication::postEvent(m_pWidget, new PostedMessageEvent(message, wParam, lParam));
  return TRUE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT lResult = 0;
  if (!OnWndMsg(message, wParam, lParam, &lResult)) lResult = DefWindowProc(message, wParam, lParam);
  return lResult;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  LRESULT lResult = 0;
  BOOL bHandled = FALSE;
  if (message == WM_COMMAND) {
    bHandled = OnCommand(wParam, lParam);
    lResult = 1;
  } else if (const AFX_MSGMAP_ENTRY* pEntry = FindMessageEntry(message)) {
    lResult = pEntry->pfn(this, 0, wParam, lParam);
    bHandled = TRUE;
  }
  if (pResult != nullptr) *pResult = lResult;
  return bHandled;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE) DestroyWindow();
  return 0;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
  return OnCmdMsg(LOWORD(static_cast<DWORD>(wParam)), CN_COMMAND, nullptr, nullptr);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

int CWnd::OnCreate(LPCREATESTRUCT) { return 0; }
void CWnd::OnDestroy() {}
void CWnd::OnClose() { DestroyWindow(); }
void CWnd::OnSize(UINT, int, int) {}
void CWnd::OnTimer(UINT_PTR) {}
void CWnd::OnDropFiles(HDROP hDropInfo) { DragFinish(hDropInfo); }
void CWnd::OnPaint() {}
void CWnd::OnSysCommand(UINT, LPARAM) {}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void*) {
  if (m_pWidget == nullptr) return 0;
  QTimer*& pTimer = m_timers[nIDEvent];
  if (pTimer == nullptr) {
    pTimer = new QTimer();
    QObject::connect(pTimer, &QTimer::timeout, pTimer, [this, nIDEvent] {
      wnd_bridge::DispatchScope scope;
      SendMessage(WM_TIMER, nIDEvent, 0);
    });
  }
  pTimer->start(static_cast<int>(std::max<UINT>(nElapse, 10)));
  return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
  auto it = m_timers.find(nIDEvent);
  if (it == m_timers.end()) return FALSE;
  it->second->stop();
  // The timer may be the one whose tick is being handled right now.
  it->second->deleteLater();
  m_timers.erase(it);
  return TRUE;
}

void CWnd::KillAllTimers() {
  for (auto& [id, pTimer] : m_timers) {
    pTimer->stop();
    pTimer->deleteLater();
  }
  m_timers.clear();
}

void CWnd::Invalidate(BOOL) {
  if (m_pWidget == nullptr) return;
  OnInvalidate();
}

void CWnd::OnInvalidate() { m_pWidget->update(); }

void CWnd::UpdateWindow() {
  if (m_pWidget == nullptr) return;
  OnUpdateWindow();
}

void CWnd::OnUpdateWindow() { m_pWidget->repaint(); }

void CWnd::GetClientRect(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  *lpRect = RECT{0, 0, 0, 0};
  if (m_pWidget != nullptr) *lpRect = RECT{0, 0, m_pWidget->width(), m_pWidget->height()};
}

void CWnd::GetWindowRect(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  *lpRect = RECT{0, 0, 0, 0};
  if (m_pWidget == nullptr) return;
  const QRect frame = m_pWidget->frameGeometry();
  const QPoint topLeft = m_pWidget->isWindow() ? frame.topLeft() : m_pWidget->mapToGlobal(QPoint(0, 0));
  *lpRect = RECT{topLeft.x(), topLeft.y(), topLeft.x() + frame.width(), topLeft.y() + frame.height()};
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL) {
  if (m_pWidget == nullptr) return;
  const QSize before = m_pWidget->size();
  m_pWidget->setGeometry(x, y, std::max(nWidth, 0), std::max(nHeight, 0));
  // Qt holds back resize events of hidden widgets; the platform sends WM_SIZE at once.
  if (!m_pWidget->isVisible() && m_pWidget->size() != before) {
    SendMessage(WM_SIZE, SIZE_RESTORED,
                MAKELPARAM(static_cast<WORD>(m_pWidget->width()), static_cast<WORD>(m_pWidget->height())));
  }
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
  if (lpRect != nullptr)
    MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

BOOL CWnd::ShowWindow(int nCmdShow) {
  if (m_pWidget == nullptr) return FALSE;
  const BOOL bWasVisible = m_pWidget->isVisible();
  switch (nCmdShow) {
    case SW_HIDE:
      m_pWidget->hide();
      break;
    case SW_SHOWMAXIMIZED:
      m_pWidget->showMaximized();
      break;
    case SW_SHOWMINIMIZED:
      m_pWidget->showMinimized();
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
      m_pWidget->showNormal();
      break;
    default:
      m_pWidget->show();
      break;
  }
  return bWasVisible;
}

BOOL CWnd::IsWindowVisible() const { return m_pWidget != nullptr && m_pWidget->isVisible(); }

BOOL CWnd::EnableWindow(BOOL bEnable) {
  if (m_pWidget == nullptr) return FALSE;
  const BOOL bWasDisabled = !m_pWidget->isEnabled();
  m_pWidget->setEnabled(bEnable != FALSE);
  return bWasDisabled;
}

BOOL CWnd::IsWindowEnabled() const { return m_pWidget != nullptr && m_pWidget->isEnabled(); }

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
  if (m_pWidget == nullptr) return;
  QRect area;
  QWidget* pOwner = pAlternateOwner != nullptr ? pAlternateOwner->GetWidget() : m_pWidget->parentWidget();
  if (pOwner != nullptr) {
    area = QRect(pOwner->mapToGlobal(QPoint(0, 0)), pOwner->size());
  } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  if (!area.isValid()) return;
  QRect geometry = m_pWidget->frameGeometry();
  geometry.moveCenter(area.center());
  if (!m_pWidget->isWindow()) geometry.moveTopLeft(m_pWidget->parentWidget()->mapFromGlobal(geometry.topLeft()));
  m_pWidget->move(geometry.topLeft());
}

CWnd* CWnd::SetFocus() {
  if (m_pWidget != nullptr) m_pWidget->setFocus();
  return nullptr;
}

void CWnd::SetWindowText(LPCTSTR lpszString) {
  if (m_pWidget != nullptr) m_pWidget->setWindowTitle(ToQString(lpszString));
}

void CWnd::GetWindowText(CString& rString) const {
  rString = m_pWidget != nullptr ? FromQString(m_pWidget->windowTitle()) : CString();
}

CWnd* CWnd::GetParent() const { return ParentWindowOf(m_pWidget); }

CFrameWnd* CWnd::GetParentFrame() const {
  for (CWnd* p = GetParent(); p != nullptr; p = p->GetParent()) {
    if (p->IsKindOf(RUNTIME_CLASS(CFrameWnd))) return static_cast<CFrameWnd*>(p);
  }
  return nullptr;
}

CWnd* CWnd::GetDlgItem(int nID) const {
  for (CWnd* pChild : ChildWindowsOf(this)) {
    if (pChild->GetDlgCtrlID() == nID) return pChild;
  }
  return nullptr;
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
  m_bAcceptFiles = bAccept;
  if (m_pWidget != nullptr) m_pWidget->setAcceptDrops(bAccept != FALSE);
}

void DragAcceptFiles(HWND hWnd, BOOL bAccept) {
  if (CWnd* pWnd = CWnd::FromHandle(hWnd)) pWnd->DragAcceptFiles(bAccept);
}

CDC* CWnd::GetDC() { return nullptr; }
int CWnd::ReleaseDC(CDC*) { return 0; }

UINT DragQueryFile(HDROP hDrop, UINT iFile, LPTSTR lpszFile, UINT cch) {
  const auto* pRecord = reinterpret_cast<const DropRecord*>(hDrop);
  if (pRecord == nullptr) return 0;
  if (iFile == 0xFFFFFFFFu) return static_cast<UINT>(pRecord->files.size());
  if (iFile >= pRecord->files.size()) return 0;
  const std::wstring& path = pRecord->files[iFile];
  if (lpszFile == nullptr) return static_cast<UINT>(path.size());
  if (cch == 0) return 0;
  const size_t n = std::min<size_t>(path.size(), cch - 1);
  std::wmemcpy(lpszFile, path.data(), n);
  lpszFile[n] = L'\0';
  return static_cast<UINT>(n);
}

// The drop record belongs to the event that carried it; nothing to free here.
void DragFinish(HDROP) {}
