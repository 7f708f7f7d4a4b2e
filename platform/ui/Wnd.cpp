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
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTextEdit>
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

// The message whose handler runs now, for CWnd::Default.
MSG g_currentMsg{nullptr, WM_NULL, 0, 0};

// Thickness of a window's own scroll bars.
constexpr int kScrollBarExtent = 16;

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

void SetControlText(QWidget* w, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(text);
  } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
    line->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
    group->setTitle(text);
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    // An editable box shows the text; a list selects the entry that has it.
    if (combo->isEditable()) {
      combo->setEditText(text);
    } else {
      combo->setCurrentIndex(combo->findText(text));
    }
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
    plain->setPlainText(text);
  } else if (auto* rich = qobject_cast<QTextEdit*>(w)) {
    rich->setPlainText(text);
  } else {
    w->setWindowTitle(text);
  }
}

QString ControlText(const QWidget* w) {
  if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
  if (auto* line = qobject_cast<const QLineEdit*>(w)) return line->text();
  if (auto* group = qobject_cast<const QGroupBox*>(w)) return group->title();
  if (auto* combo = qobject_cast<const QComboBox*>(w)) return combo->currentText();
  if (auto* plain = qobject_cast<const QPlainTextEdit*>(w)) return plain->toPlainText();
  if (auto* rich = qobject_cast<const QTextEdit*>(w)) return rich->toPlainText();
  return w->windowTitle();
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
  static void LayOutScrollBars(CWnd* pWnd) { pWnd->LayOutScrollBars(); }
};

namespace wnd_bridge {

DispatchScope::DispatchScope() { ++g_nDispatchDepth; }
DispatchScope::~DispatchScope() { --g_nDispatchDepth; }
bool DispatchScope::Active() { return g_nDispatchDepth > 0; }

void WidgetGone(CWnd* pWnd) { CWndAccess::WidgetGone(pWnd); }

BOOL DeliverMessage(CWnd* pWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{pWnd->m_hWnd, message, wParam, lParam};
  CWinApp* pApp = AfxGetApp();
  const BOOL bTranslated = pApp != nullptr ? pApp->PreTranslateMessage(&msg) : CWnd::WalkPreTranslateTree(&msg);
  // Pre-translation may have destroyed the window.
  if (!bTranslated && CWnd::FromHandle(msg.hwnd) == pWnd) pWnd->WindowProc(msg.message, msg.wParam, msg.lParam);
  return bTranslated;
}

bool HandleEvent(CWnd* pWnd, QWidget* pWidget, QEvent* e) {
  if (e->type() == PostedMessageEvent::Type()) {
    const MSG& msg = static_cast<PostedMessageEvent*>(e)->m_msg;
    DeliverMessage(pWnd, msg.message, msg.wParam, msg.lParam);
    return true;
  }
  const int nInput = TranslateInput(pWnd, pWidget, e);
  if (nInput >= 0) return nInput > 0;
  switch (e->type()) {
    case QEvent::Resize: {
      CWndAccess::LayOutScrollBars(pWnd);
      RECT client{};
      pWnd->GetClientRect(&client);
      const UINT nType = pWidget->isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED;
      pWnd->SendMessage(WM_SIZE, nType, MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
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
  // Mouse moves arrive without a button held, as on the platform.
  pWidget->setMouseTracking(true);
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
  if ((static_cast<DWORD>(cs.style) & WS_CHILD) != 0) {
    // A child window has the size it was created with, as on the platform: one made
    // with an empty rectangle covers nothing until it is placed (Qt would give it
    // 100 x 30 at the parent's corner, over whatever lies there).
    pWidget->setGeometry(cs.x, cs.y, std::max(cs.cx, 0), std::max(cs.cy, 0));
  } else if (cs.cx > 0 && cs.cy > 0) {
    pWidget->setGeometry(cs.x, cs.y, cs.cx, cs.cy);
  }

  if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow();
    return FALSE;
  }
  if (m_pWidget == nullptr) return FALSE;
  if ((static_cast<DWORD>(cs.style) & WS_VSCROLL) != 0) ShowScrollBar(SB_VERT, TRUE);
  if ((static_cast<DWORD>(cs.style) & WS_HSCROLL) != 0) ShowScrollBar(SB_HORZ, TRUE);
  // As on the platform, a new window learns its size right after WM_CREATE.
  RECT client{};
  GetClientRect(&client);
  SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
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
  const MSG saved = g_currentMsg;
  g_currentMsg = MSG{m_hWnd, message, wParam, lParam};
  LRESULT lResult = 0;
  if (!OnWndMsg(message, wParam, lParam, &lResult)) lResult = DefWindowProc(message, wParam, lParam);
  g_currentMsg = saved;
  return lResult;
}

LRESULT CWnd::Default() {
  if (g_currentMsg.hwnd != m_hWnd) return 0;
  return DefWindowProc(g_currentMsg.message, g_currentMsg.wParam, g_currentMsg.lParam);
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

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  // Controls send their notification code in the high word; menus and accelerators are plain commands.
  const int nCode = lParam != 0 ? static_cast<int>(HIWORD(static_cast<DWORD>(wParam))) : CN_COMMAND;
  return OnCmdMsg(LOWORD(static_cast<DWORD>(wParam)), nCode, nullptr, nullptr);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::WalkPreTranslateTree(MSG* pMsg) {
  if (pMsg == nullptr) return FALSE;
  // A dialog's keys do not reach the accelerators of the frame behind it.
  for (CWnd* pWnd = CWnd::FromHandle(pMsg->hwnd); pWnd != nullptr; pWnd = pWnd->GetParent()) {
    const HWND hWnd = pWnd->m_hWnd;
    if (pWnd->PreTranslateMessage(pMsg)) return TRUE;
    if (CWnd::FromHandle(hWnd) != pWnd || pWnd->GetWidget() == nullptr || pWnd->GetWidget()->isWindow()) break;
  }
  return FALSE;
}

int CWnd::OnCreate(LPCREATESTRUCT) { return 0; }
void CWnd::OnDestroy() {}
void CWnd::OnClose() { DestroyWindow(); }
void CWnd::OnSize(UINT, int, int) {}
void CWnd::OnTimer(UINT_PTR) {}
void CWnd::OnDropFiles(HDROP hDropInfo) { DragFinish(hDropInfo); }
void CWnd::OnPaint() {}
void CWnd::OnSysCommand(UINT, LPARAM) {}
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnMButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnMButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysKeyUp(UINT, UINT, UINT) { Default(); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnHScroll(UINT, UINT, CScrollBar*) { Default(); }
void CWnd::OnVScroll(UINT, UINT, CScrollBar*) { Default(); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }
BOOL CWnd::OnHelpInfo(HELPINFO*) { return static_cast<BOOL>(Default()); }

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
  // Qt's timers take a signed 32-bit period: longer ones wait as long as they can.
  pTimer->start(static_cast<int>(std::clamp<UINT>(nElapse, 10, 0x7FFFFFFF)));
  return nIDEvent;
}

UINT CWnd::GetTimerPeriod(UINT_PTR nIDEvent) const {
  auto it = m_timers.find(nIDEvent);
  if (it == m_timers.end() || !it->second->isActive()) return 0;
  return static_cast<UINT>(it->second->interval());
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
  if (m_pWidget == nullptr) return;
  // The window's own scroll bars are outside its client area.
  const int cx = m_pWidget->width() - (m_pScrollBars[SB_VERT] != nullptr ? kScrollBarExtent : 0);
  const int cy = m_pWidget->height() - (m_pScrollBars[SB_HORZ] != nullptr ? kScrollBarExtent : 0);
  *lpRect = RECT{0, 0, std::max(cx, 0), std::max(cy, 0)};
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
    LayOutScrollBars();
    RECT client{};
    GetClientRect(&client);
    SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
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
  CWnd* pOld = GetFocus();
  if (m_pWidget != nullptr) m_pWidget->setFocus();
  return pOld;
}

void CWnd::SetWindowText(LPCTSTR lpszString) {
  // Controls show the text; other windows take it as their title.
  if (m_pWidget != nullptr) SetControlText(m_pWidget, ToQString(lpszString));
}

void CWnd::GetWindowText(CString& rString) const {
  rString = m_pWidget != nullptr ? FromQString(ControlText(m_pWidget)) : CString();
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

void CWnd::ScreenToClient(LPPOINT lpPoint) const {
  if (lpPoint == nullptr || m_pWidget == nullptr) return;
  const QPoint p = m_pWidget->mapFromGlobal(QPoint(lpPoint->x, lpPoint->y));
  *lpPoint = POINT{p.x(), p.y()};
}

void CWnd::ScreenToClient(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  POINT corners[2] = {{lpRect->left, lpRect->top}, {lpRect->right, lpRect->bottom}};
  ScreenToClient(&corners[0]);
  ScreenToClient(&corners[1]);
  *lpRect = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

void CWnd::ClientToScreen(LPPOINT lpPoint) const {
  if (lpPoint == nullptr || m_pWidget == nullptr) return;
  const QPoint p = m_pWidget->mapToGlobal(QPoint(lpPoint->x, lpPoint->y));
  *lpPoint = POINT{p.x(), p.y()};
}

void CWnd::ClientToScreen(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  POINT corners[2] = {{lpRect->left, lpRect->top}, {lpRect->right, lpRect->bottom}};
  ClientToScreen(&corners[0]);
  ClientToScreen(&corners[1]);
  *lpRect = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

CWnd* CWnd::GetFocus() {
  for (QWidget* w = QApplication::focusWidget(); w != nullptr; w = w->parentWidget()) {
    if (CWnd* pWnd = WndFromWidget(w)) return pWnd;
  }
  return nullptr;
}

BOOL CWnd::SetForegroundWindow() {
  if (m_pWidget == nullptr) return FALSE;
  m_pWidget->window()->raise();
  m_pWidget->window()->activateWindow();
  return TRUE;
}

CWnd* CWnd::SetActiveWindow() {
  CWnd* pOld = nullptr;
  if (QWidget* active = QApplication::activeWindow()) pOld = WndFromWidget(active);
  if (m_pWidget != nullptr) m_pWidget->window()->activateWindow();
  return pOld;
}

namespace {
// Windows' scroll range nMin..nMax with a page of nPage gives thumb positions
// nMin..nMax - nPage + 1.
int MaxScrollPos(const SCROLLINFO& si) {
  const int nPageLess = si.nPage > 0 ? static_cast<int>(si.nPage) - 1 : 0;
  return std::max(si.nMin, si.nMax - nPageLess);
}
}  // namespace

BOOL CWnd::SetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, BOOL) {
  if ((nBar != SB_HORZ && nBar != SB_VERT) || lpScrollInfo == nullptr) return FALSE;
  SCROLLINFO& si = m_scroll[nBar];
  const UINT mask = lpScrollInfo->fMask;
  if ((mask & SIF_RANGE) != 0) {
    si.nMin = lpScrollInfo->nMin;
    si.nMax = std::max(lpScrollInfo->nMin, lpScrollInfo->nMax);
  }
  if ((mask & SIF_PAGE) != 0) {
    si.nPage = std::min<UINT>(lpScrollInfo->nPage, static_cast<UINT>(si.nMax - si.nMin + 1));
  }
  if ((mask & SIF_POS) != 0) si.nPos = lpScrollInfo->nPos;
  si.nPos = std::clamp(si.nPos, si.nMin, MaxScrollPos(si));
  si.nTrackPos = si.nPos;
  SyncScrollBar(nBar);
  return TRUE;
}

BOOL CWnd::GetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, UINT nMask) {
  if ((nBar != SB_HORZ && nBar != SB_VERT) || lpScrollInfo == nullptr) return FALSE;
  const SCROLLINFO& si = m_scroll[nBar];
  lpScrollInfo->fMask = nMask;
  if ((nMask & SIF_RANGE) != 0) {
    lpScrollInfo->nMin = si.nMin;
    lpScrollInfo->nMax = si.nMax;
  }
  if ((nMask & SIF_PAGE) != 0) lpScrollInfo->nPage = si.nPage;
  if ((nMask & SIF_POS) != 0) lpScrollInfo->nPos = si.nPos;
  if ((nMask & SIF_TRACKPOS) != 0) lpScrollInfo->nTrackPos = si.nTrackPos;
  return TRUE;
}

int CWnd::SetScrollPos(int nBar, int nPos, BOOL bRedraw) {
  const int old = GetScrollPos(nBar);
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_POS, 0, 0, 0, nPos, 0};
  SetScrollInfo(nBar, &si, bRedraw);
  return old;
}

int CWnd::GetScrollPos(int nBar) const {
  return nBar == SB_HORZ || nBar == SB_VERT ? m_scroll[nBar].nPos : 0;
}

void CWnd::SetScrollRange(int nBar, int nMinPos, int nMaxPos, BOOL bRedraw) {
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE, nMinPos, nMaxPos, 0, 0, 0};
  SetScrollInfo(nBar, &si, bRedraw);
}

void CWnd::GetScrollRange(int nBar, int* lpMinPos, int* lpMaxPos) const {
  const bool valid = nBar == SB_HORZ || nBar == SB_VERT;
  if (lpMinPos != nullptr) *lpMinPos = valid ? m_scroll[nBar].nMin : 0;
  if (lpMaxPos != nullptr) *lpMaxPos = valid ? m_scroll[nBar].nMax : 0;
}

void CWnd::ShowScrollBar(UINT nBar, BOOL bShow) {
  if (m_pWidget == nullptr) return;
  bool changed = false;
  for (int bar : {SB_HORZ, SB_VERT}) {
    if (nBar != static_cast<UINT>(bar) && nBar != static_cast<UINT>(SB_BOTH)) continue;
    QScrollBar*& pBar = m_pScrollBars[bar];
    if (bShow && pBar == nullptr) {
      pBar = new QScrollBar(bar == SB_VERT ? Qt::Vertical : Qt::Horizontal, m_pWidget);
      QObject::connect(pBar, &QAbstractSlider::actionTriggered, pBar, [this, bar, pBar](int action) {
        switch (action) {
          case QAbstractSlider::SliderSingleStepAdd: OnScrollAction(bar, SB_LINEDOWN, 0); break;
          case QAbstractSlider::SliderSingleStepSub: OnScrollAction(bar, SB_LINEUP, 0); break;
          case QAbstractSlider::SliderPageStepAdd: OnScrollAction(bar, SB_PAGEDOWN, 0); break;
          case QAbstractSlider::SliderPageStepSub: OnScrollAction(bar, SB_PAGEUP, 0); break;
          case QAbstractSlider::SliderToMinimum: OnScrollAction(bar, SB_TOP, 0); break;
          case QAbstractSlider::SliderToMaximum: OnScrollAction(bar, SB_BOTTOM, 0); break;
          case QAbstractSlider::SliderMove: OnScrollAction(bar, SB_THUMBTRACK, pBar->sliderPosition()); break;
          default: break;
        }
      });
      QObject::connect(pBar, &QAbstractSlider::sliderReleased, pBar, [this, bar, pBar] {
        OnScrollAction(bar, SB_THUMBPOSITION, pBar->sliderPosition());
        OnScrollAction(bar, SB_ENDSCROLL, 0);
      });
      SyncScrollBar(bar);
      pBar->show();
      changed = true;
    } else if (!bShow && pBar != nullptr) {
      delete pBar;
      pBar = nullptr;
      changed = true;
    }
  }
  if (!changed) return;
  LayOutScrollBars();
  RECT client{};
  GetClientRect(&client);
  SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
}

void CWnd::OnScrollAction(int nBar, UINT nCode, int nPos) {
  const HWND hWnd = m_hWnd;
  if (nCode == SB_THUMBTRACK) m_scroll[nBar].nTrackPos = nPos;
  wnd_bridge::DispatchScope scope;
  SendMessage(nBar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(static_cast<WORD>(nCode), static_cast<WORD>(nPos)),
              0);
  // As on the platform the bar shows what the window set, not where Qt moved it.
  if (CWnd::FromHandle(hWnd) == this) SyncScrollBar(nBar);
}

void CWnd::SyncScrollBar(int nBar) {
  QScrollBar* pBar = m_pScrollBars[nBar];
  if (pBar == nullptr) return;
  const SCROLLINFO& si = m_scroll[nBar];
  const QSignalBlocker block(pBar);
  pBar->setRange(si.nMin, MaxScrollPos(si));
  pBar->setPageStep(std::max<int>(static_cast<int>(si.nPage), 1));
  if (!pBar->isSliderDown()) pBar->setSliderPosition(si.nPos);
}

void CWnd::LayOutScrollBars() {
  if (m_pWidget == nullptr) return;
  const int w = m_pWidget->width();
  const int h = m_pWidget->height();
  const bool vert = m_pScrollBars[SB_VERT] != nullptr;
  const bool horz = m_pScrollBars[SB_HORZ] != nullptr;
  if (vert) m_pScrollBars[SB_VERT]->setGeometry(w - kScrollBarExtent, 0, kScrollBarExtent, h - (horz ? kScrollBarExtent : 0));
  if (horz) m_pScrollBars[SB_HORZ]->setGeometry(0, h - kScrollBarExtent, w - (vert ? kScrollBarExtent : 0), kScrollBarExtent);
}

void CWnd::SetFont(CFont* pFont, BOOL) { m_pFont = pFont; }


void CWnd::SetDlgItemText(int nID, LPCTSTR lpszString) {
  if (CWnd* pItem = GetDlgItem(nID)) pItem->SetWindowText(lpszString);
}

int CWnd::GetDlgItemText(int nID, CString& rString) const {
  rString.Empty();
  if (CWnd* pItem = GetDlgItem(nID)) pItem->GetWindowText(rString);
  return rString.GetLength();
}

void CWnd::SetDlgItemInt(int nID, UINT nValue, BOOL bSigned) {
  CString text;
  if (bSigned) {
    text.Format(L"%d", static_cast<int>(nValue));
  } else {
    text.Format(L"%u", nValue);
  }
  SetDlgItemText(nID, text);
}

UINT CWnd::GetDlgItemInt(int nID, BOOL* lpTrans, BOOL bSigned) const {
  CString text;
  GetDlgItemText(nID, text);
  bool ok = false;
  const QString q = ToQString(text).trimmed();
  const UINT value = bSigned ? static_cast<UINT>(q.toInt(&ok)) : q.toUInt(&ok);
  if (lpTrans != nullptr) *lpTrans = ok ? TRUE : FALSE;
  return ok ? value : 0;
}

void CWnd::CheckDlgButton(int nIDButton, UINT nCheck) {
  CWnd* pItem = GetDlgItem(nIDButton);
  auto* button = pItem != nullptr ? qobject_cast<QAbstractButton*>(pItem->GetWidget()) : nullptr;
  if (button == nullptr) return;
  if (auto* box = qobject_cast<QCheckBox*>(button); box != nullptr && nCheck == 2) {
    box->setTristate(true);
    box->setCheckState(Qt::PartiallyChecked);
    return;
  }
  button->setChecked(nCheck != 0);
}

UINT CWnd::IsDlgButtonChecked(int nIDButton) const {
  CWnd* pItem = GetDlgItem(nIDButton);
  auto* button = pItem != nullptr ? qobject_cast<QAbstractButton*>(pItem->GetWidget()) : nullptr;
  if (button == nullptr) return 0;
  if (auto* box = qobject_cast<QCheckBox*>(button); box != nullptr && box->checkState() == Qt::PartiallyChecked) return 2;
  return button->isChecked() ? 1 : 0;
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
