#include "platform/ui/Controls.h"

#include "platform/ui/QtConvert.h"
#include "platform/ui/WndWidget.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextCursor>

#include <algorithm>

IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)

namespace {

// A control widget: Qt keeps handling its input after the messages went out.
template <class Base>
class CControlWidget : public CWndWidget<Base> {
public:
  template <class... Args>
  explicit CControlWidget(CWnd* pWnd, Args&&... args) : CWndWidget<Base>(pWnd, std::forward<Args>(args)...) {
    this->m_bNativeInput = true;
  }
};

// Tells the control's parent window about a notification.
void Notify(CWnd* pControl, UINT nCode) {
  CWnd* pParent = pControl->GetParent();
  if (pParent == nullptr) return;
  wnd_bridge::DispatchScope scope;
  pParent->SendMessage(WM_COMMAND,
                       MAKEWPARAM(static_cast<WORD>(pControl->GetDlgCtrlID()), static_cast<WORD>(nCode)),
                       reinterpret_cast<LPARAM>(pControl->m_hWnd));
}

}  // namespace

BOOL CStatic::Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  m_dwStyle = dwStyle;
  if (!CWnd::Create(nullptr, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID)) return FALSE;
  SetWindowText(lpszText != nullptr ? lpszText : L"");
  return TRUE;
}

QWidget* CStatic::CreateWidget(QWidget* pParent) {
  auto* label = new CControlWidget<QLabel>(this, pParent);
  switch (m_dwStyle & SS_TYPEMASK) {
    case SS_CENTER: label->setAlignment(Qt::AlignHCenter | Qt::AlignTop); break;
    case SS_RIGHT: label->setAlignment(Qt::AlignRight | Qt::AlignTop); break;
    case SS_BITMAP: label->setAlignment((m_dwStyle & SS_CENTERIMAGE) != 0 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop); break;
    default: label->setAlignment(Qt::AlignLeft | Qt::AlignTop); break;
  }
  return label;
}

void CStatic::SetImage(const QImage& image) {
  if (auto* label = qobject_cast<QLabel*>(GetWidget())) label->setPixmap(QPixmap::fromImage(image));
}

BOOL CStatic::HasImage() const {
  auto* label = qobject_cast<QLabel*>(GetWidget());
  return label != nullptr && !label->pixmap().isNull();
}

BOOL CButton::Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  m_dwStyle = dwStyle;
  if (!CWnd::Create(nullptr, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID)) return FALSE;
  SetWindowText(lpszCaption != nullptr ? lpszCaption : L"");
  return TRUE;
}

QWidget* CButton::CreateWidget(QWidget* pParent) {
  QAbstractButton* button = nullptr;
  switch (m_dwStyle & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
      button = new CControlWidget<QCheckBox>(this, pParent);
      break;
    case BS_3STATE:
    case BS_AUTO3STATE: {
      auto* box = new CControlWidget<QCheckBox>(this, pParent);
      box->setTristate(true);
      button = box;
      break;
    }
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      button = new CControlWidget<QRadioButton>(this, pParent);
      break;
    case BS_GROUPBOX:
      // A frame with a title; it sends nothing.
      return new CControlWidget<QGroupBox>(this, pParent);
    default: {
      auto* push = new CControlWidget<QPushButton>(this, pParent);
      push->setDefault((m_dwStyle & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
      push->setAutoDefault(false);
      button = push;
      break;
    }
  }
  const HWND hWnd = reinterpret_cast<HWND>(static_cast<QWidget*>(button));
  QObject::connect(button, &QAbstractButton::clicked, button, [this, hWnd] {
    if (CWnd::FromHandle(hWnd) == this) Notify(this, BN_CLICKED);
  });
  return button;
}

int CButton::GetCheck() const {
  if (auto* box = qobject_cast<QCheckBox*>(GetWidget())) {
    switch (box->checkState()) {
      case Qt::Checked: return BST_CHECKED;
      case Qt::PartiallyChecked: return BST_INDETERMINATE;
      default: return BST_UNCHECKED;
    }
  }
  auto* button = qobject_cast<QAbstractButton*>(GetWidget());
  return button != nullptr && button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void CButton::SetCheck(int nCheck) {
  if (auto* box = qobject_cast<QCheckBox*>(GetWidget())) {
    if (nCheck == BST_INDETERMINATE) box->setTristate(true);
    box->setCheckState(nCheck == BST_CHECKED ? Qt::Checked
                                             : (nCheck == BST_INDETERMINATE ? Qt::PartiallyChecked : Qt::Unchecked));
  } else if (auto* button = qobject_cast<QAbstractButton*>(GetWidget())) {
    if (button->isCheckable()) button->setChecked(nCheck == BST_CHECKED);
  }
}

UINT CButton::GetState() const {
  auto* button = qobject_cast<QAbstractButton*>(GetWidget());
  UINT state = static_cast<UINT>(GetCheck());
  if (button != nullptr && button->isDown()) state |= BST_PUSHED;
  return state;
}

void CButton::SetState(BOOL bHighlight) {
  if (auto* button = qobject_cast<QAbstractButton*>(GetWidget())) button->setDown(bHighlight != FALSE);
}

LRESULT CButton::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case BM_GETCHECK: return GetCheck();
    case BM_SETCHECK: SetCheck(static_cast<int>(wParam)); return 0;
    case BM_GETSTATE: return static_cast<LRESULT>(GetState());
    case BM_SETSTATE: SetState(static_cast<BOOL>(wParam)); return 0;
    default: return CWnd::DefWindowProc(message, wParam, lParam);
  }
}

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  m_dwStyle = dwStyle;
  return CWnd::Create(nullptr, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CEdit::CreateWidget(QWidget* pParent) {
  if ((m_dwStyle & ES_MULTILINE) != 0) {
    auto* edit = new CControlWidget<QPlainTextEdit>(this, pParent);
    edit->setReadOnly((m_dwStyle & ES_READONLY) != 0);
    const HWND hWnd = reinterpret_cast<HWND>(static_cast<QWidget*>(edit));
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [this, hWnd] {
      if (CWnd::FromHandle(hWnd) == this) Notify(this, EN_CHANGE);
    });
    return edit;
  }
  auto* edit = new CControlWidget<QLineEdit>(this, pParent);
  edit->setReadOnly((m_dwStyle & ES_READONLY) != 0);
  if ((m_dwStyle & ES_PASSWORD) != 0) edit->setEchoMode(QLineEdit::Password);
  const HWND hWnd = reinterpret_cast<HWND>(static_cast<QWidget*>(edit));
  QObject::connect(edit, &QLineEdit::textChanged, edit, [this, hWnd] {
    if (CWnd::FromHandle(hWnd) == this) Notify(this, EN_CHANGE);
  });
  return edit;
}

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL) {
  if (auto* line = qobject_cast<QLineEdit*>(GetWidget())) {
    const int length = static_cast<int>(line->text().size());
    // -1 as the end (or 0, -1) selects everything, as on the platform.
    const int start = nStartChar < 0 ? length : std::min(nStartChar, length);
    const int end = nEndChar < 0 ? length : std::min(nEndChar, length);
    line->setSelection(start, end - start);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(GetWidget())) {
    QTextCursor cursor = plain->textCursor();
    const int length = static_cast<int>(plain->toPlainText().size());
    cursor.setPosition(nStartChar < 0 ? length : std::min(nStartChar, length));
    cursor.setPosition(nEndChar < 0 ? length : std::min(nEndChar, length), QTextCursor::KeepAnchor);
    plain->setTextCursor(cursor);
  }
}

void CEdit::GetSel(int& nStartChar, int& nEndChar) const {
  nStartChar = nEndChar = 0;
  if (auto* line = qobject_cast<QLineEdit*>(GetWidget())) {
    if (line->hasSelectedText()) {
      nStartChar = line->selectionStart();
      nEndChar = line->selectionEnd();
    } else {
      nStartChar = nEndChar = line->cursorPosition();
    }
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(GetWidget())) {
    nStartChar = plain->textCursor().selectionStart();
    nEndChar = plain->textCursor().selectionEnd();
  }
}

void CEdit::ReplaceSel(LPCTSTR lpszNewText, BOOL) {
  const QString text = ToQString(lpszNewText);
  if (auto* line = qobject_cast<QLineEdit*>(GetWidget())) {
    line->insert(text);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(GetWidget())) {
    plain->insertPlainText(text);
  }
}

void CEdit::SetReadOnly(BOOL bReadOnly) {
  if (auto* line = qobject_cast<QLineEdit*>(GetWidget())) line->setReadOnly(bReadOnly != FALSE);
  if (auto* plain = qobject_cast<QPlainTextEdit*>(GetWidget())) plain->setReadOnly(bReadOnly != FALSE);
}

void CEdit::SetLimitText(UINT nMax) {
  if (auto* line = qobject_cast<QLineEdit*>(GetWidget())) {
    line->setMaxLength(nMax == 0 ? 32767 : static_cast<int>(std::min<UINT>(nMax, 0x7FFFFFFF)));
  }
}
