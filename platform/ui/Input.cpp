#include "platform/ui/Input.h"

#include "platform/ui/Wnd.h"
#include "platform/ui/WndWidget.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QInputMethod>
#include <QLocale>
#include <QPixmap>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <vector>

namespace {

// Keys and buttons as the delivered input left them.
struct KeyboardState {
  std::array<bool, 256> down{};
  std::array<bool, 256> toggled{};
};

KeyboardState& Keys() {
  static KeyboardState state;
  return state;
}

HWND g_hCapture = nullptr;
HWND g_hLastFocus = nullptr;
QPointer<QWidget> g_cursorTarget;  // the widget whose mouse input is being handled
HCURSOR g_hCursor = nullptr;

void NoteKey(UINT vk, bool bDown) {
  if (vk == 0 || vk > 255) return;
  if (bDown && !Keys().down[vk]) Keys().toggled[vk] = !Keys().toggled[vk];
  Keys().down[vk] = bDown;
}

void NoteModifiers(Qt::KeyboardModifiers mods) {
  Keys().down[VK_SHIFT] = (mods & Qt::ShiftModifier) != 0;
  Keys().down[VK_CONTROL] = (mods & Qt::ControlModifier) != 0;
  Keys().down[VK_MENU] = (mods & Qt::AltModifier) != 0;
}

void NoteButtons(Qt::MouseButtons buttons) {
  Keys().down[VK_LBUTTON] = (buttons & Qt::LeftButton) != 0;
  Keys().down[VK_RBUTTON] = (buttons & Qt::RightButton) != 0;
  Keys().down[VK_MBUTTON] = (buttons & Qt::MiddleButton) != 0;
}

UINT MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
  UINT flags = 0;
  if ((buttons & Qt::LeftButton) != 0) flags |= MK_LBUTTON;
  if ((buttons & Qt::RightButton) != 0) flags |= MK_RBUTTON;
  if ((buttons & Qt::MiddleButton) != 0) flags |= MK_MBUTTON;
  if ((mods & Qt::ShiftModifier) != 0) flags |= MK_SHIFT;
  if ((mods & Qt::ControlModifier) != 0) flags |= MK_CONTROL;
  return flags;
}

// Symbols typed with Shift on a US keyboard come from the key of their base character.
UINT ShiftedSymbolKey(int key) {
  switch (key) {
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    case Qt::Key_Colon:
    case Qt::Key_Semicolon: return VK_OEM_1;
    case Qt::Key_Plus:
    case Qt::Key_Equal: return VK_OEM_PLUS;
    case Qt::Key_Less:
    case Qt::Key_Comma: return VK_OEM_COMMA;
    case Qt::Key_Underscore:
    case Qt::Key_Minus: return VK_OEM_MINUS;
    case Qt::Key_Greater:
    case Qt::Key_Period: return VK_OEM_PERIOD;
    case Qt::Key_Question:
    case Qt::Key_Slash: return VK_OEM_2;
    case Qt::Key_AsciiTilde:
    case Qt::Key_QuoteLeft: return VK_OEM_3;
    case Qt::Key_BraceLeft:
    case Qt::Key_BracketLeft: return VK_OEM_4;
    case Qt::Key_Bar:
    case Qt::Key_Backslash: return VK_OEM_5;
    case Qt::Key_BraceRight:
    case Qt::Key_BracketRight: return VK_OEM_6;
    case Qt::Key_QuoteDbl:
    case Qt::Key_Apostrophe: return VK_OEM_7;
    default: return 0;
  }
}

UINT KeypadKey(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return VK_NUMPAD0 + static_cast<UINT>(key - Qt::Key_0);
  switch (key) {
    case Qt::Key_Asterisk: return VK_MULTIPLY;
    case Qt::Key_Plus: return VK_ADD;
    case Qt::Key_Minus: return VK_SUBTRACT;
    case Qt::Key_Period:
    case Qt::Key_Comma: return VK_DECIMAL;
    case Qt::Key_Slash: return VK_DIVIDE;
    case Qt::Key_Enter: return VK_RETURN;
    default: return 0;  // navigation keys of the keypad map as the plain ones
  }
}

}  // namespace

// Virtual-key code of a Qt key (0 for keys the platform has no code for).
UINT AfxVirtualKeyFromQtKey(int key, bool bKeypad) {
  if (bKeypad) {
    if (const UINT vk = KeypadKey(key)) return vk;
  }
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<UINT>(key);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<UINT>(key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + static_cast<UINT>(key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Clear: return VK_CLEAR;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Meta: return VK_LWIN;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_Help: return VK_HELP;
    case Qt::Key_Space: return VK_SPACE;
    default: return ShiftedSymbolKey(key);
  }
}

namespace {

bool IsExtendedKey(UINT vk, bool bKeypad) {
  switch (vk) {
    case VK_INSERT:
    case VK_DELETE:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_DIVIDE:
    case VK_NUMLOCK:
      return true;
    case VK_RETURN:
      return bKeypad;
    default:
      return false;
  }
}

// The characters a key press types, as WM_CHAR codes (UTF-16 units). Ctrl with a
// letter types its control character, as on the platform.
QString TypedText(const QKeyEvent* ke, UINT vk) {
  const Qt::KeyboardModifiers mods = ke->modifiers();
  if ((mods & Qt::ControlModifier) != 0 && (mods & Qt::AltModifier) == 0) {
    if (vk >= 'A' && vk <= 'Z') return QString(QChar(static_cast<char16_t>(vk - 'A' + 1)));
    return QString();
  }
  if (vk == VK_DELETE) return QString();
  return ke->text();
}

// Whether an event reaching pWidget came up from a control below it that already
// sent the messages (only controls let their input travel on to the parent).
bool CameFromChildControl(const QWidget* pWidget, QWidget* pOrigin) {
  for (QWidget* w = pOrigin; w != nullptr && w != pWidget; w = w->parentWidget()) {
    auto* link = dynamic_cast<CWndLink*>(w);
    if (link != nullptr && link->m_pWnd != nullptr) return link->m_bNativeInput;
  }
  return false;
}

bool IsDescendant(const QWidget* pAncestor, const QWidget* w) {
  for (; w != nullptr; w = w->parentWidget()) {
    if (w == pAncestor) return true;
  }
  return false;
}

LPARAM PointParam(const QPoint& p) {
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(p.x())), static_cast<WORD>(static_cast<short>(p.y())));
}

UINT ButtonMessage(QEvent::Type type, Qt::MouseButton button) {
  int base = 0;
  switch (button) {
    case Qt::LeftButton: base = WM_LBUTTONDOWN; break;
    case Qt::RightButton: base = WM_RBUTTONDOWN; break;
    case Qt::MiddleButton: base = WM_MBUTTONDOWN; break;
    default: return WM_NULL;
  }
  switch (type) {
    case QEvent::MouseButtonPress: return static_cast<UINT>(base);
    case QEvent::MouseButtonRelease: return static_cast<UINT>(base + 1);
    case QEvent::MouseButtonDblClick: return static_cast<UINT>(base + 2);
    default: return WM_NULL;
  }
}

// Sends a mouse message (after WM_SETCURSOR for moves and presses) to pWnd.
void DeliverMouse(CWnd* pWnd, QWidget* pWidget, UINT message, WPARAM wParam, LPARAM lParam) {
  g_cursorTarget = pWidget;
  const HWND hWnd = pWnd->m_hWnd;
  if (g_hCapture == nullptr && (message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN ||
                                message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN)) {
    pWnd->SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(hWnd), MAKELPARAM(HTCLIENT, static_cast<WORD>(message)));
  }
  if (CWnd::FromHandle(hWnd) == pWnd) wnd_bridge::DeliverMessage(pWnd, message, wParam, lParam);
}

int TranslateMouse(CWnd* pWnd, QWidget* pWidget, QMouseEvent* me) {
  NoteModifiers(me->modifiers());
  NoteButtons(me->buttons());
  const UINT message = me->type() == QEvent::MouseMove ? WM_MOUSEMOVE : ButtonMessage(me->type(), me->button());
  if (message == WM_NULL) return 0;
  const WPARAM flags = MouseFlags(me->buttons(), me->modifiers());

  // A window holding the capture gets the mouse wherever the pointer is.
  CWnd* pCapture = CWnd::FromHandle(g_hCapture);
  if (g_hCapture != nullptr && pCapture == nullptr) g_hCapture = nullptr;
  if (pCapture != nullptr && pCapture != pWnd && pCapture->GetWidget() != nullptr) {
    const QPoint p = pCapture->GetWidget()->mapFromGlobal(me->globalPosition().toPoint());
    DeliverMouse(pCapture, pCapture->GetWidget(), message, flags, PointParam(p));
    return 1;  // the capturing window had it; nothing of it stays here
  }
  if (CameFromChildControl(pWidget, pWidget->childAt(me->position().toPoint()))) return 0;
  DeliverMouse(pWnd, pWidget, message, flags, PointParam(me->position().toPoint()));
  return 0;
}

int TranslateWheel(CWnd* pWnd, QWidget* pWidget, QWheelEvent* we) {
  NoteModifiers(we->modifiers());
  NoteButtons(we->buttons());
  const int delta = we->angleDelta().y();
  if (delta == 0) return 0;
  const short zDelta = static_cast<short>(std::clamp(delta, -32768, 32767));
  const WPARAM wParam = MAKEWPARAM(static_cast<WORD>(MouseFlags(we->buttons(), we->modifiers())),
                                   static_cast<WORD>(zDelta));
  // The platform gives the wheel's point in screen coordinates.
  const LPARAM lParam = PointParam(we->globalPosition().toPoint());
  CWnd* pTarget = CWnd::FromHandle(g_hCapture);
  if (pTarget == nullptr) {
    if (CameFromChildControl(pWidget, pWidget->childAt(we->position().toPoint()))) return 0;
    pTarget = pWnd;
  }
  g_cursorTarget = pTarget->GetWidget();
  wnd_bridge::DeliverMessage(pTarget, WM_MOUSEWHEEL, wParam, lParam);
  return 0;
}

// The keyboard's input language changing reaches the window with the focus as
// WM_INPUTLANGCHANGE with its character set: 134 for simplified Chinese, 0 otherwise.
void WatchInputLanguage() {
  static bool watching = false;
  QInputMethod* method = QGuiApplication::inputMethod();
  if (watching || method == nullptr) return;
  watching = true;
  QObject::connect(method, &QInputMethod::localeChanged, method, [] {
    CWnd* pFocus = CWnd::GetFocus();
    if (pFocus == nullptr) return;
    const WPARAM charset = GetThreadLocale() == 0x804 ? 134 : 0;
    pFocus->SendMessage(WM_INPUTLANGCHANGE, charset, static_cast<LPARAM>(GetThreadLocale()));
  });
}

int TranslateKey(CWnd* pWnd, QWidget* pWidget, QKeyEvent* ke) {
  QWidget* pFocus = QApplication::focusWidget();
  if (pFocus != pWidget && IsDescendant(pWidget, pFocus) && CameFromChildControl(pWidget, pFocus)) {
    return 0;
  }
  const bool bPress = ke->type() == QEvent::KeyPress;
  const bool bKeypad = (ke->modifiers() & Qt::KeypadModifier) != 0;
  const UINT vk = AfxVirtualKeyFromQtKey(ke->key(), bKeypad);
  // Qt repeats a held key as release and press pairs; the platform only repeats the press.
  if (!bPress && ke->isAutoRepeat()) return 0;
  const bool bWasDown = vk != 0 && vk < 256 && Keys().down[vk];
  NoteModifiers(ke->modifiers());
  NoteKey(vk, bPress);
  const bool bAlt = (ke->modifiers() & Qt::AltModifier) != 0 || vk == VK_MENU;
  const bool bCtrl = (ke->modifiers() & Qt::ControlModifier) != 0;
  const bool bSys = (bAlt && !bCtrl) || vk == VK_F1 + 9;  // Alt combinations and F10

  UINT flags = ke->nativeScanCode() & 0xFF;
  if (IsExtendedKey(vk, bKeypad)) flags |= KF_EXTENDED;
  if (bAlt) flags |= KF_ALTDOWN;
  if (!bPress || bWasDown || ke->isAutoRepeat()) flags |= KF_REPEAT;
  if (!bPress) flags |= KF_UP;
  const LPARAM lParam = MAKELPARAM(static_cast<WORD>(std::max(ke->count(), 1)), static_cast<WORD>(flags));

  const HWND hWnd = pWnd->m_hWnd;
  g_cursorTarget = pWidget;
  BOOL bTranslated = FALSE;
  if (vk != 0) {
    const UINT message = bPress ? (bSys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (bSys ? WM_SYSKEYUP : WM_KEYUP);
    bTranslated = wnd_bridge::DeliverMessage(pWnd, message, vk, lParam);
  }
  // A key taken by pre-translation (an accelerator) types nothing.
  if (bPress && !bTranslated && !bSys) {
    const QString text = TypedText(ke, vk);
    for (QChar ch : text) {
      if (CWnd::FromHandle(hWnd) != pWnd) break;
      wnd_bridge::DeliverMessage(pWnd, WM_CHAR, ch.unicode(), lParam);
    }
  }
  return 0;
}

}  // namespace

namespace wnd_bridge {

int TranslateInput(CWnd* pWnd, QWidget* pWidget, QEvent* e) {
  WatchInputLanguage();
  switch (e->type()) {
    case QEvent::InputMethod: {
      // Text an input method composed arrives as WM_IME_CHAR, one character at a time.
      const HWND hWnd = pWnd->m_hWnd;
      for (char32_t ch : static_cast<QInputMethodEvent*>(e)->commitString().toUcs4()) {
        if (CWnd::FromHandle(hWnd) != pWnd) break;
        wnd_bridge::DeliverMessage(pWnd, WM_IME_CHAR, ch, 1);
      }
      return 1;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
      return TranslateMouse(pWnd, pWidget, static_cast<QMouseEvent*>(e));
    case QEvent::Wheel:
      return TranslateWheel(pWnd, pWidget, static_cast<QWheelEvent*>(e));
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      return TranslateKey(pWnd, pWidget, static_cast<QKeyEvent*>(e));
    case QEvent::FocusIn: {
      const HWND hOld = g_hLastFocus != pWnd->m_hWnd ? g_hLastFocus : nullptr;
      pWnd->SendMessage(WM_SETFOCUS, reinterpret_cast<WPARAM>(IsWindow(hOld) ? hOld : nullptr), 0);
      return 0;
    }
    case QEvent::FocusOut: {
      g_hLastFocus = pWnd->m_hWnd;
      CWnd* pNew = CWnd::GetFocus();
      pWnd->SendMessage(WM_KILLFOCUS, reinterpret_cast<WPARAM>(pNew != pWnd && pNew != nullptr ? pNew->m_hWnd : nullptr),
                        0);
      return 0;
    }
    case QEvent::ContextMenu: {
      auto* ce = static_cast<QContextMenuEvent*>(e);
      // From the keyboard the platform gives the point (-1, -1).
      const QPoint p = ce->reason() == QContextMenuEvent::Keyboard ? QPoint(-1, -1) : ce->globalPos();
      if (pWnd->FindMessageEntry(WM_CONTEXTMENU) == nullptr) return 0;
      pWnd->SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(pWnd->m_hWnd), PointParam(p));
      return 1;
    }
    default:
      return -1;
  }
}

bool IsWindowInput(const QEvent* e) {
  switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      return true;
    default:
      return false;
  }
}

}  // namespace wnd_bridge

SHORT GetKeyState(int nVirtKey) {
  if (nVirtKey <= 0 || nVirtKey > 255) return 0;
  const auto vk = static_cast<size_t>(nVirtKey);
  int state = Keys().toggled[vk] ? 1 : 0;
  if (Keys().down[vk]) state |= 0x8000;
  return static_cast<SHORT>(state);
}

SHORT GetAsyncKeyState(int nVirtKey) { return static_cast<SHORT>(GetKeyState(nVirtKey) & 0x8000); }

CWnd* CWnd::SetCapture() {
  CWnd* pOld = CWnd::FromHandle(g_hCapture);
  if (m_hWnd == nullptr) return pOld;
  if (pOld != nullptr && pOld != this && pOld->GetWidget() != nullptr &&
      QWidget::mouseGrabber() == pOld->GetWidget()) {
    pOld->GetWidget()->releaseMouse();
  }
  g_hCapture = m_hWnd;
  // Platforms without a pointer (offscreen) cannot grab; the bridge redirects anyway.
  if (GetWidget()->isVisible() && QGuiApplication::platformName() != QLatin1String("offscreen")) {
    GetWidget()->grabMouse();
  }
  return pOld;
}

CWnd* CWnd::GetCapture() { return CWnd::FromHandle(g_hCapture); }

HWND GetCapture() { return IsWindow(g_hCapture) ? g_hCapture : nullptr; }

BOOL ReleaseCapture() {
  CWnd* pOld = CWnd::FromHandle(g_hCapture);
  g_hCapture = nullptr;
  if (pOld == nullptr) return TRUE;
  if (pOld->GetWidget() != nullptr && QWidget::mouseGrabber() == pOld->GetWidget()) pOld->GetWidget()->releaseMouse();
  pOld->SendMessage(WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

namespace {
// A handle is the Qt cursor shape plus one, so that null stays "no cursor".
HCURSOR CursorHandle(Qt::CursorShape shape) {
  return reinterpret_cast<HCURSOR>(static_cast<ULONG_PTR>(shape) + 1);
}
// Cursors made from pictures get handles from here on, one per picture.
constexpr ULONG_PTR kFirstPictureCursor = 0x10000;
std::vector<QCursor>& PictureCursors() {
  static std::vector<QCursor> cursors;
  return cursors;
}
}  // namespace

HCURSOR AfxCreateCursor(const QImage& image, int xHotSpot, int yHotSpot) {
  if (image.isNull()) return nullptr;
  PictureCursors().emplace_back(QPixmap::fromImage(image), xHotSpot, yHotSpot);
  return reinterpret_cast<HCURSOR>(kFirstPictureCursor + PictureCursors().size() - 1);
}

HCURSOR LoadCursor(void* hInstance, LPCTSTR lpCursorName) {
  if (hInstance != nullptr) return nullptr;
  switch (reinterpret_cast<ULONG_PTR>(lpCursorName)) {
    case 32512: return CursorHandle(Qt::ArrowCursor);
    case 32513: return CursorHandle(Qt::IBeamCursor);
    case 32514: return CursorHandle(Qt::WaitCursor);
    case 32515: return CursorHandle(Qt::CrossCursor);
    case 32516: return CursorHandle(Qt::UpArrowCursor);
    case 32642: return CursorHandle(Qt::SizeFDiagCursor);
    case 32643: return CursorHandle(Qt::SizeBDiagCursor);
    case 32644: return CursorHandle(Qt::SizeHorCursor);
    case 32645: return CursorHandle(Qt::SizeVerCursor);
    case 32646: return CursorHandle(Qt::SizeAllCursor);
    case 32648: return CursorHandle(Qt::ForbiddenCursor);
    case 32649: return CursorHandle(Qt::PointingHandCursor);
    case 32650: return CursorHandle(Qt::BusyCursor);
    case 32651: return CursorHandle(Qt::WhatsThisCursor);
    default: return nullptr;
  }
}

HCURSOR SetCursor(HCURSOR hCursor) {
  const HCURSOR hOld = g_hCursor;
  g_hCursor = hCursor;
  if (g_cursorTarget != nullptr) {
    const auto value = reinterpret_cast<ULONG_PTR>(hCursor);
    if (value >= kFirstPictureCursor && value - kFirstPictureCursor < PictureCursors().size()) {
      g_cursorTarget->setCursor(PictureCursors()[value - kFirstPictureCursor]);
    } else {
      g_cursorTarget->setCursor(value == 0 ? Qt::BlankCursor : static_cast<Qt::CursorShape>(value - 1));
    }
  }
  return hOld;
}

HCURSOR GetCursor() { return g_hCursor; }

unsigned GetThreadLocale() {
  const QLocale locale = QGuiApplication::inputMethod() != nullptr ? QGuiApplication::inputMethod()->locale() : QLocale();
  if (locale.language() != QLocale::Chinese) return 0x409;
  return locale.territory() == QLocale::Taiwan || locale.territory() == QLocale::HongKong ? 0x404 : 0x804;
}
