#include "platform/ui/Controls.h"

#include "platform/ui/Prompt.h"
#include "platform/ui/QtConvert.h"
#include "platform/ui/WndWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QMenu>
#include <QToolButton>
#include <QWidgetAction>
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

// ---------------------------------------------------------------------------
// Combo box

IMPLEMENT_DYNAMIC(CComboBox, CWnd)

BOOL CComboBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  m_dwStyle = dwStyle;
  if (!CWnd::Create(nullptr, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID)) return FALSE;
  // The rectangle's height includes the dropped-down list; the box itself is one line high.
  GetWidget()->resize(GetWidget()->width(), GetWidget()->sizeHint().height());
  return TRUE;
}

QWidget* CComboBox::CreateWidget(QWidget* pParent) {
  auto* combo = new CControlWidget<QComboBox>(this, pParent);
  const bool editable = (m_dwStyle & CBS_TYPEMASK) != CBS_DROPDOWNLIST;
  combo->setEditable(editable);
  combo->setInsertPolicy(QComboBox::NoInsert);
  const HWND hWnd = reinterpret_cast<HWND>(static_cast<QWidget*>(combo));
  QObject::connect(combo, qOverload<int>(&QComboBox::activated), combo, [this, hWnd](int) {
    if (CWnd::FromHandle(hWnd) == this) Notify(this, CBN_SELCHANGE);
  });
  if (editable) {
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo, [this, hWnd](const QString&) {
      if (CWnd::FromHandle(hWnd) == this) Notify(this, CBN_EDITUPDATE);
      if (CWnd::FromHandle(hWnd) == this) Notify(this, CBN_EDITCHANGE);
    });
  }
  return combo;
}

int CComboBox::AddString(LPCTSTR text) { return InsertString(-1, text); }

int CComboBox::InsertString(int index, LPCTSTR text) {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (combo == nullptr) return CB_ERR;
  if (index < 0 || index > combo->count()) index = combo->count();
  // Inserting must not change what an editable box shows.
  const QString shown = combo->currentText();
  const int selected = combo->currentIndex();
  combo->insertItem(index, ToQString(text));
  if (combo->isEditable()) {
    combo->setCurrentIndex(selected >= index && selected >= 0 ? selected + 1 : selected);
    combo->setEditText(shown);
  }
  return index;
}

int CComboBox::DeleteString(int index) {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (combo == nullptr || index < 0 || index >= combo->count()) return CB_ERR;
  combo->removeItem(index);
  return combo->count();
}

void CComboBox::ResetContent() {
  if (auto* combo = qobject_cast<QComboBox*>(GetWidget())) combo->clear();
}

int CComboBox::GetCount() const {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  return combo != nullptr ? combo->count() : CB_ERR;
}

int CComboBox::GetCurSel() const {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (combo == nullptr || combo->currentIndex() < 0) return CB_ERR;
  // An editable box whose text no longer is its entry's has no selection.
  if (combo->isEditable() && combo->currentText() != combo->itemText(combo->currentIndex())) return CB_ERR;
  return combo->currentIndex();
}

int CComboBox::SetCurSel(int index) {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (combo == nullptr) return CB_ERR;
  if (index < 0 || index >= combo->count()) {
    combo->setCurrentIndex(-1);
    if (combo->isEditable()) combo->setEditText(QString());
    return CB_ERR;
  }
  combo->setCurrentIndex(index);
  return index;
}

int CComboBox::GetLBText(int index, CString& rString) const {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (combo == nullptr || index < 0 || index >= combo->count()) return CB_ERR;
  rString = FromQString(combo->itemText(index));
  return rString.GetLength();
}

void CComboBox::SetEditSel(int nStartChar, int nEndChar) {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (combo == nullptr || combo->lineEdit() == nullptr) return;
  QLineEdit* line = combo->lineEdit();
  const int length = static_cast<int>(line->text().size());
  const int start = nStartChar < 0 ? length : std::min(nStartChar, length);
  const int end = nEndChar < 0 ? length : std::min(nEndChar, length);
  line->setSelection(start, end - start);
  if (start == end) line->setCursorPosition(end);
}

DWORD CComboBox::GetEditSel() const {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (combo == nullptr || combo->lineEdit() == nullptr) return 0;
  const QLineEdit* line = combo->lineEdit();
  const int start = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
  const int end = line->hasSelectedText() ? start + static_cast<int>(line->selectedText().size()) : start;
  return MAKELONG(static_cast<WORD>(start), static_cast<WORD>(end));
}

// ---------------------------------------------------------------------------
// Colour button

IMPLEMENT_DYNAMIC(CMFCColorButton, CButton)

namespace {
// The palette: forty colours, light to dark down each column.
constexpr COLORREF kPalette[] = {
    RGB(0, 0, 0),       RGB(153, 51, 0),    RGB(51, 51, 0),     RGB(0, 51, 0),      RGB(0, 51, 102),
    RGB(0, 0, 128),     RGB(51, 51, 153),   RGB(51, 51, 51),    RGB(128, 0, 0),     RGB(255, 102, 0),
    RGB(128, 128, 0),   RGB(0, 128, 0),     RGB(0, 128, 128),   RGB(0, 0, 255),     RGB(102, 102, 153),
    RGB(128, 128, 128), RGB(255, 0, 0),     RGB(255, 153, 0),   RGB(153, 204, 0),   RGB(51, 153, 102),
    RGB(51, 204, 204),  RGB(51, 102, 255),  RGB(128, 0, 128),   RGB(153, 153, 153), RGB(255, 0, 255),
    RGB(255, 204, 0),   RGB(255, 255, 0),   RGB(0, 255, 0),     RGB(0, 255, 255),   RGB(0, 204, 255),
    RGB(153, 51, 102),  RGB(192, 192, 192), RGB(255, 153, 204), RGB(255, 204, 153), RGB(255, 255, 153),
    RGB(204, 255, 204), RGB(204, 255, 255), RGB(153, 204, 255), RGB(204, 153, 255), RGB(255, 255, 255)};

QIcon SwatchIcon(COLORREF colour, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(ToQColor(colour));
  return QIcon(pixmap);
}
}  // namespace

QWidget* CMFCColorButton::CreateWidget(QWidget* pParent) {
  auto* button = new CControlWidget<QToolButton>(this, pParent);
  button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  button->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(button);
  const HWND hWnd = reinterpret_cast<HWND>(static_cast<QWidget*>(button));
  // The palette is built when it opens, so that it shows the entries enabled by then.
  QObject::connect(menu, &QMenu::aboutToShow, menu, [this, hWnd, menu] {
    if (CWnd::FromHandle(hWnd) != this) return;
    menu->clear();
    if (m_bAutoEnabled) {
      QAction* automatic = menu->addAction(SwatchIcon(m_autoColour, 12), ToQString(m_strAutoLabel));
      QObject::connect(automatic, &QAction::triggered, menu, [this, hWnd] {
        if (CWnd::FromHandle(hWnd) == this) ChooseColor(static_cast<COLORREF>(-1));
      });
    }
    auto* grid = new QWidget(menu);
    auto* layout = new QGridLayout(grid);
    layout->setSpacing(2);
    layout->setContentsMargins(4, 4, 4, 4);
    const int columns = std::max(m_nColumns, 1);
    int index = 0;
    for (COLORREF colour : kPalette) {
      auto* swatch = new QToolButton(grid);
      swatch->setIcon(SwatchIcon(colour, 14));
      swatch->setAutoRaise(true);
      QObject::connect(swatch, &QToolButton::clicked, menu, [this, hWnd, menu, colour] {
        menu->close();
        if (CWnd::FromHandle(hWnd) == this) ChooseColor(colour);
      });
      layout->addWidget(swatch, index / columns, index % columns);
      ++index;
    }
    auto* action = new QWidgetAction(menu);
    action->setDefaultWidget(grid);
    menu->addAction(action);
    if (m_bOtherEnabled) {
      QAction* other = menu->addAction(ToQString(m_strOtherLabel));
      QObject::connect(other, &QAction::triggered, menu, [this, hWnd] {
        if (CWnd::FromHandle(hWnd) == this) ChooseOtherColor();
      });
    }
  });
  button->setMenu(menu);
  return button;
}

void CMFCColorButton::ShowColour() {
  if (auto* button = qobject_cast<QToolButton*>(GetWidget())) {
    const QSize size = button->size();
    button->setIconSize(QSize(std::max(size.width() - 16, 8), std::max(size.height() - 8, 8)));
    QPixmap pixmap(button->iconSize());
    pixmap.fill(ToQColor(m_bAutomatic ? m_autoColour : m_colour));
    button->setIcon(QIcon(pixmap));
  }
}

void CMFCColorButton::SetColor(COLORREF colour) {
  m_bAutomatic = colour == static_cast<COLORREF>(-1) ? TRUE : FALSE;
  if (!m_bAutomatic) m_colour = colour;
  ShowColour();
}

void CMFCColorButton::EnableAutomaticButton(LPCTSTR lpszLabel, COLORREF colorAutomatic, BOOL bEnable) {
  m_strAutoLabel = lpszLabel != nullptr ? CString(lpszLabel) : CString();
  m_autoColour = colorAutomatic;
  m_bAutoEnabled = bEnable;
}

void CMFCColorButton::EnableOtherButton(LPCTSTR lpszLabel, BOOL, BOOL bEnable) {
  m_strOtherLabel = lpszLabel != nullptr ? CString(lpszLabel) : CString();
  m_bOtherEnabled = bEnable;
}

void CMFCColorButton::SetColumnsNumber(int nColumns) { m_nColumns = std::max(nColumns, 1); }

void CMFCColorButton::ChooseColor(COLORREF colour) {
  SetColor(colour);
  Notify(this, BN_CLICKED);
}

void CMFCColorButton::ChooseOtherColor() {
  COLORREF colour = m_colour;
  if (AfxGetPromptService()->ChooseColor(colour)) ChooseColor(colour);
}
