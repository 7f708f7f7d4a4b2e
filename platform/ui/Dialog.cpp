#include "platform/ui/Dialog.h"

#include "platform/ui/ListControls.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/QtConvert.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/WndWidget.h"

#include <QDialog>
#include <QFontMetrics>
#include <QImage>

#include <cmath>
#include <map>

IMPLEMENT_DYNAMIC(CDialog, CWnd)
IMPLEMENT_DYNAMIC(CDialogEx, CDialog)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_COMMAND(IDOK, &CDialog::OnOK)
  ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

namespace {

std::map<UINT, CDialogTemplateDesc>& Templates() {
  static std::map<UINT, CDialogTemplateDesc> templates;
  return templates;
}

std::map<UINT, QImage>& Images() {
  static std::map<UINT, QImage> images;
  return images;
}

// The dialog's Qt window: Esc (reject) becomes IDCANCEL and ending goes through
// EndDialog, so that OnOK and OnCancel decide.
class CDialogWidget : public CWndWidget<QDialog> {
public:
  CDialogWidget(CWnd* pWnd, QWidget* pParent, Qt::WindowFlags flags) : CWndWidget<QDialog>(pWnd, pParent, flags) {
    m_bNativeInput = true;
  }
  void reject() override {
    if (m_pWnd != nullptr) {
      wnd_bridge::DispatchScope scope;
      m_pWnd->SendMessage(WM_COMMAND, IDCANCEL, 0);
    } else {
      QDialog::reject();
    }
  }
  void accept() override {
    if (m_pWnd != nullptr) {
      wnd_bridge::DispatchScope scope;
      m_pWnd->SendMessage(WM_COMMAND, IDOK, 0);
    } else {
      QDialog::accept();
    }
  }
};

// Base units of a font: average character width and the character height.
POINT BaseUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"));
  return POINT{(width / 26 + 1) / 2, metrics.height()};
}

std::unique_ptr<CWnd> MakeControl(const CDialogItemDesc& item, const RECT& rect, CWnd* pDialog) {
  const DWORD visible = WS_VISIBLE | WS_CHILD;
  const LPCTSTR text = item.lpszText != nullptr ? item.lpszText : L"";
  switch (item.kind) {
    case CDialogItemKind::Static: {
      auto p = std::make_unique<CStatic>();
      if (!p->Create(text, visible | item.dwStyle, rect, pDialog, item.nID)) return nullptr;
      return p;
    }
    case CDialogItemKind::Picture: {
      auto p = std::make_unique<CStatic>();
      if (!p->Create(L"", visible | SS_BITMAP | item.dwStyle, rect, pDialog, item.nID)) return nullptr;
      if (const QImage* image = AfxFindImage(item.nImageID)) p->SetImage(*image);
      return p;
    }
    case CDialogItemKind::GroupBox:
    case CDialogItemKind::PushButton:
    case CDialogItemKind::DefPushButton:
    case CDialogItemKind::CheckBox:
    case CDialogItemKind::RadioButton: {
      DWORD style = BS_PUSHBUTTON;
      if (item.kind == CDialogItemKind::DefPushButton) style = BS_DEFPUSHBUTTON;
      if (item.kind == CDialogItemKind::CheckBox) style = BS_AUTOCHECKBOX;
      if (item.kind == CDialogItemKind::RadioButton) style = BS_AUTORADIOBUTTON;
      if (item.kind == CDialogItemKind::GroupBox) style = BS_GROUPBOX;
      auto p = std::make_unique<CButton>();
      if (!p->Create(text, visible | style | item.dwStyle, rect, pDialog, item.nID)) return nullptr;
      return p;
    }
    case CDialogItemKind::Edit: {
      auto p = std::make_unique<CEdit>();
      if (!p->Create(visible | item.dwStyle, rect, pDialog, item.nID)) return nullptr;
      p->SetWindowText(text);
      return p;
    }
  }
  return nullptr;
}

}  // namespace

void AfxRegisterDialogTemplate(UINT nID, CDialogTemplateDesc desc) { Templates()[nID] = std::move(desc); }

const CDialogTemplateDesc* AfxFindDialogTemplate(UINT nID) {
  auto it = Templates().find(nID);
  return it != Templates().end() ? &it->second : nullptr;
}

void AfxRegisterImage(UINT nID, const QImage& image) { Images()[nID] = image; }

const QImage* AfxFindImage(UINT nID) {
  auto it = Images().find(nID);
  return it != Images().end() ? &it->second : nullptr;
}

void CDataExchange::Fail(int nIDC) {
  m_bFailed = TRUE;
  if (m_pDlgWnd != nullptr) {
    if (CWnd* pControl = m_pDlgWnd->GetDlgItem(nIDC)) pControl->SetFocus();
  }
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
  if (pDX == nullptr || pDX->m_pDlgWnd == nullptr || pDX->m_bFailed) return;
  if (pDX->m_bSaveAndValidate) {
    pDX->m_pDlgWnd->GetDlgItemText(nIDC, value);
  } else {
    pDX->m_pDlgWnd->SetDlgItemText(nIDC, value);
  }
}

namespace {
// Reads a control's text as a number; on failure tells the user and fails the exchange.
template <class T, class Parse>
void ExchangeNumber(CDataExchange* pDX, int nIDC, T& value, LPCTSTR lpszPrompt, Parse parse, const QString& shown) {
  if (pDX == nullptr || pDX->m_pDlgWnd == nullptr || pDX->m_bFailed) return;
  if (!pDX->m_bSaveAndValidate) {
    pDX->m_pDlgWnd->SetDlgItemText(nIDC, FromQString(shown));
    return;
  }
  CString text;
  pDX->m_pDlgWnd->GetDlgItemText(nIDC, text);
  bool ok = false;
  const T parsed = parse(ToQString(text).trimmed(), ok);
  if (!ok) {
    AfxMessageBox(lpszPrompt, MB_OK | MB_ICONEXCLAMATION);
    pDX->Fail(nIDC);
    return;
  }
  value = parsed;
}
}  // namespace

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
  ExchangeNumber(pDX, nIDC, value, L"Please enter an integer.",
                 [](const QString& s, bool& ok) { return s.toInt(&ok); }, QString::number(value));
}

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) {
  ExchangeNumber(pDX, nIDC, value, L"Please enter a positive integer.",
                 [](const QString& s, bool& ok) { return s.toUInt(&ok); }, QString::number(value));
}

void DDX_Text(CDataExchange* pDX, int nIDC, double& value) {
  ExchangeNumber(
      pDX, nIDC, value, L"Please enter a number.",
      [](const QString& s, bool& ok) {
        const double d = s.toDouble(&ok);
        ok = ok && std::isfinite(d);
        return d;
      },
      QString::number(value, 'g', 15));
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
  if (pDX == nullptr || pDX->m_pDlgWnd == nullptr || pDX->m_bFailed) return;
  if (pDX->m_bSaveAndValidate) {
    value = static_cast<int>(pDX->m_pDlgWnd->IsDlgButtonChecked(nIDC));
  } else {
    pDX->m_pDlgWnd->CheckDlgButton(nIDC, static_cast<UINT>(value));
  }
}

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_nIDHelp(nIDTemplate),
                                                       m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
  // The controls go before the dialog's own widget.
  m_templateControls.clear();
}

QWidget* CDialog::CreateWidget(QWidget* pParent) {
  const CDialogTemplateDesc* desc = AfxFindDialogTemplate(m_nIDTemplate);
  const DWORD style = desc != nullptr ? desc->dwStyle : (WS_POPUP | WS_CAPTION | WS_SYSMENU);
  // A WS_CHILD template makes a page inside its parent, not a window of its own.
  if ((style & WS_CHILD) != 0 && pParent != nullptr) {
    // QDialog makes itself a window whatever the flags given: undo that.
    auto* page = new CDialogWidget(this, pParent, Qt::Widget);
    page->setWindowFlags(Qt::Widget);
    return page;
  }
  Qt::WindowFlags flags = Qt::Dialog;
  if ((style & WS_CAPTION) != WS_CAPTION) flags |= Qt::FramelessWindowHint;
  return new CDialogWidget(this, pParent, flags);
}

BOOL CDialog::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                     CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
  return CWnd::Create(lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext);
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
  m_nIDTemplate = nIDTemplate;
  if (m_nIDHelp == 0) m_nIDHelp = nIDTemplate;
  return CreateFromTemplate(pParentWnd != nullptr ? pParentWnd : m_pParentWnd, false);
}

BOOL CDialog::CreateFromTemplate(CWnd* pParentWnd, bool bModal) {
  if (m_hWnd != nullptr || !AfxEnsureQtApplication()) return FALSE;
  if (pParentWnd == nullptr) pParentWnd = AfxGetMainWnd();
  m_bModal = bModal;
  m_bEnded = FALSE;
  m_nModalResult = -1;
  const CDialogTemplateDesc* desc = AfxFindDialogTemplate(m_nIDTemplate);
  const CDialogTemplateDesc fallback;
  const CDialogTemplateDesc& tmpl = desc != nullptr ? *desc : fallback;

  // Sizes follow the dialog font's base units.
  m_baseUnits = BaseUnits(QFont());
  RECT rect{0, 0, tmpl.cx, tmpl.cy};
  MapDialogRect(&rect);
  // Created hidden; the template's WS_VISIBLE shows it once initialised.
  if (!CWnd::Create(nullptr, tmpl.lpszCaption, tmpl.dwStyle & ~WS_VISIBLE & ~WS_CHILD, rect, pParentWnd, 0)) {
    return FALSE;
  }
  GetWidget()->setFixedSize(rect.right - rect.left, rect.bottom - rect.top);
  for (const CDialogItemDesc& item : tmpl.items) {
    RECT r{item.x, item.y, item.x + item.cx, item.y + item.cy};
    MapDialogRect(&r);
    if (auto control = MakeControl(item, r, this)) m_templateControls.push_back(std::move(control));
  }
  const HWND hWnd = m_hWnd;
  const LRESULT bFocusDefault = SendMessage(WM_INITDIALOG, 0, 0);
  (void)bFocusDefault;
  if (CWnd::FromHandle(hWnd) != this) return FALSE;  // destroyed while initialising
  if (!bModal && (tmpl.dwStyle & WS_VISIBLE) != 0) ShowWindow(SW_SHOW);
  return TRUE;
}

void CDialog::MapDialogRect(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  const auto mapX = [this](LONG v) { return static_cast<LONG>(std::lround(v * m_baseUnits.x / 4.0)); };
  const auto mapY = [this](LONG v) { return static_cast<LONG>(std::lround(v * m_baseUnits.y / 8.0)); };
  *lpRect = RECT{mapX(lpRect->left), mapY(lpRect->top), mapX(lpRect->right), mapY(lpRect->bottom)};
}

BOOL CDialog::CreateItem(CWnd& control, const CDialogItemDesc& item) {
  if (m_hWnd == nullptr) return FALSE;
  RECT r{item.x, item.y, item.x + item.cx, item.y + item.cy};
  MapDialogRect(&r);
  const DWORD style = WS_VISIBLE | WS_CHILD | item.dwStyle;
  const LPCTSTR text = item.lpszText != nullptr ? item.lpszText : L"";
  if (auto* edit = dynamic_cast<CEdit*>(&control)) {
    if (!edit->Create(style, r, this, item.nID)) return FALSE;
    edit->SetWindowText(text);
    return TRUE;
  }
  if (auto* combo = dynamic_cast<CComboBox*>(&control)) return combo->Create(style, r, this, item.nID);
  if (auto* list = dynamic_cast<CListBox*>(&control)) return list->Create(style, r, this, item.nID);
  if (auto* button = dynamic_cast<CButton*>(&control)) return button->Create(text, style, r, this, item.nID);
  if (auto* label = dynamic_cast<CStatic*>(&control)) return label->Create(text, style, r, this, item.nID);
  return FALSE;
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_CLOSE:
      // Closing a dialog is its Cancel.
      SendMessage(WM_COMMAND, IDCANCEL, 0);
      return 0;
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
  if (m_hWnd == nullptr) return FALSE;
  CDataExchange dx(this, bSaveAndValidate);
  DoDataExchange(&dx);
  return !dx.m_bFailed;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::EndDialog(int nResult) {
  m_nModalResult = nResult;
  m_bEnded = TRUE;
  auto* pDialog = qobject_cast<QDialog*>(GetWidget());
  if (pDialog == nullptr) return;
  if (m_bModal) {
    pDialog->QDialog::done(nResult);
  } else {
    pDialog->hide();
  }
}

INT_PTR CDialog::RunModalLoop() {
  auto* pDialog = qobject_cast<QDialog*>(GetWidget());
  if (pDialog == nullptr) return -1;
  if (m_bEnded) return m_nModalResult;
  pDialog->exec();
  // Ends through EndDialog only; a dialog closed otherwise counts as cancelled.
  return m_bEnded ? m_nModalResult : IDCANCEL;
}

INT_PTR CDialog::DoModal() {
  if (!CreateFromTemplate(m_pParentWnd, true)) return -1;
  CenterWindow();
  const HWND hWnd = m_hWnd;
  INT_PTR nResult = AfxGetPromptService()->RunModalDialog(*this);
  if (m_bEnded) nResult = m_nModalResult;
  if (CWnd::FromHandle(hWnd) == this) DestroyWindow();
  m_templateControls.clear();
  m_bModal = FALSE;
  return nResult;
}

void CDialog::PostNcDestroy() {
  // The controls made from the template have lost their widgets with the dialog.
  m_templateControls.clear();
  CWnd::PostNcDestroy();
}
