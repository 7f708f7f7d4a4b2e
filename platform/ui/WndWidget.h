#pragma once
// Qt side of a window: a widget of any Qt class that hands its events to the CWnd
// that owns it. Only the user-interface layer includes this header.

#include "platform/ui/Wnd.h"

#include <QEvent>
#include <QWidget>

#include <utility>

// Non-Qt link from a widget back to its window; found with dynamic_cast.
class CWndLink {
public:
  explicit CWndLink(CWnd* pWnd) : m_pWnd(pWnd) {}
  virtual ~CWndLink() = default;
  CWnd* m_pWnd;  // null once the window let go of the widget
  // Controls and dialogs keep Qt's own input handling (typing, clicking, default
  // buttons) after their messages went out; plain windows consume their input.
  bool m_bNativeInput = false;
};

namespace wnd_bridge {
// Translates a Qt event into the window's messages; true when fully handled.
bool HandleEvent(CWnd* pWnd, QWidget* pWidget, QEvent* e);
// Mouse, wheel, key and focus events: -1 when e is none of them, else 1 when the
// event is fully handled, 0 when Qt's own handling should follow.
int TranslateInput(CWnd* pWnd, QWidget* pWidget, QEvent* e);
// Mouse, wheel and key events: after Qt's own handling a plain window keeps them,
// since on the platform input never travels on to the parent window.
bool IsWindowInput(const QEvent* e);
// Offers a message to the application's (else the window's) PreTranslateMessage,
// then, unless taken there, to the window procedure. TRUE when it was pre-translated.
BOOL DeliverMessage(CWnd* pWnd, UINT message, WPARAM wParam, LPARAM lParam);
// The widget is being deleted by Qt (for instance with its parent).
void WidgetGone(CWnd* pWnd);
// Counts handlers running inside Qt event delivery, so that a window destroyed
// from inside one has its widget deleted later rather than under the caller.
struct DispatchScope {
  DispatchScope();
  ~DispatchScope();
  DispatchScope(const DispatchScope&) = delete;
  DispatchScope& operator=(const DispatchScope&) = delete;
  static bool Active();
};
}  // namespace wnd_bridge

template <class Base>
class CWndWidget : public Base, public CWndLink {
public:
  template <class... Args>
  explicit CWndWidget(CWnd* pWnd, Args&&... args) : Base(std::forward<Args>(args)...), CWndLink(pWnd) {}
  ~CWndWidget() override {
    if (m_pWnd != nullptr) wnd_bridge::WidgetGone(m_pWnd);
  }

protected:
  bool event(QEvent* e) override {
    if (m_pWnd != nullptr) {
      wnd_bridge::DispatchScope scope;
      if (wnd_bridge::HandleEvent(m_pWnd, this, e)) return true;
    }
    // Keys of a plain window are its own (Qt would move the focus on Tab).
    if (!m_bNativeInput && (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease)) {
      e->accept();
      return true;
    }
    // Decided before Qt's handling, which deletes the widget on DeferredDelete.
    const bool bKeep = !m_bNativeInput && wnd_bridge::IsWindowInput(e);
    const bool bResult = Base::event(e);
    if (bKeep) {
      e->accept();
      return true;
    }
    return bResult;
  }
};

// The CWnd that owns a widget, or null.
inline CWnd* WndFromWidget(QWidget* pWidget) {
  auto* link = dynamic_cast<CWndLink*>(pWidget);
  return link != nullptr ? link->m_pWnd : nullptr;
}
