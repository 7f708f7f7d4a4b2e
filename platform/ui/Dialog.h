#pragma once
// Dialogs: a QDialog window whose controls come from a dialog template.
//
// Templates are registered by id at start-up from a small in-code description
// (controls with ids, kinds, texts and rectangles in dialog units). Dialog units
// become pixels through the base units of the dialog's font, as on the platform.
// DoModal hands the running of a modal dialog to the prompt object (Prompt.h), so
// tests answer it; the default shows it with QDialog::exec. The OK and Cancel
// buttons (ids IDOK, IDCANCEL), Enter, Esc and closing the window arrive as
// WM_COMMAND IDOK / IDCANCEL and run OnOK / OnCancel.

#include "platform/ui/Controls.h"
#include "platform/ui/Wnd.h"

#include <memory>
#include <vector>

class QImage;

// Dialog styles read from templates.
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_MODALFRAME = 0x0080;
constexpr DWORD DS_CENTER = 0x0800;

enum class CDialogItemKind { Static, Picture, PushButton, DefPushButton, CheckBox, RadioButton, GroupBox, Edit };

struct CDialogItemDesc {
  CDialogItemDesc() = default;
  CDialogItemDesc(CDialogItemKind k, UINT id, int x0, int y0, int w, int h, LPCTSTR text = nullptr, DWORD style = 0,
                  UINT imageID = 0)
      : kind(k), nID(id), x(x0), y(y0), cx(w), cy(h), lpszText(text), dwStyle(style), nImageID(imageID) {}

  CDialogItemKind kind = CDialogItemKind::Static;
  UINT nID = 0xFFFF;       // 0xFFFF (IDC_STATIC) for controls nobody addresses
  int x = 0, y = 0;        // dialog units
  int cx = 0, cy = 0;
  LPCTSTR lpszText = nullptr;
  DWORD dwStyle = 0;       // extra control style bits (SS_CENTERIMAGE, ES_MULTILINE, ...)
  UINT nImageID = 0;       // Picture: the registered image shown (AfxRegisterImage)
};

struct CDialogTemplateDesc {
  CDialogTemplateDesc() = default;
  CDialogTemplateDesc(LPCTSTR caption, int w, int h, DWORD style, std::vector<CDialogItemDesc> controls)
      : lpszCaption(caption), cx(w), cy(h), dwStyle(style), items(std::move(controls)) {}

  LPCTSTR lpszCaption = nullptr;
  int cx = 200, cy = 100;  // dialog units
  DWORD dwStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;  // WS_CAPTION off: no frame or title
  std::vector<CDialogItemDesc> items;
};

constexpr UINT IDC_STATIC = 0xFFFF;

// Registers (or replaces) the template of a dialog id.
void AfxRegisterDialogTemplate(UINT nID, CDialogTemplateDesc desc);
const CDialogTemplateDesc* AfxFindDialogTemplate(UINT nID);
// Pictures of picture controls, by resource id.
void AfxRegisterImage(UINT nID, const QImage& image);
const QImage* AfxFindImage(UINT nID);

class CDataExchange {
public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
  // Marks the exchange failed (the control that failed gets the focus).
  void Fail(int nIDC);
  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  BOOL m_bFailed = FALSE;
};

// Control ↔ value. Saving a number that does not parse tells the user and fails.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void DDX_Text(CDataExchange* pDX, int nIDC, double& value);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)
public:
  CDialog();
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  // Runs the dialog modally; IDOK, IDCANCEL (or the EndDialog value), -1 when it
  // could not be created.
  virtual INT_PTR DoModal();
  // Creates the dialog modeless (shown when the template has WS_VISIBLE). A
  // template id that is not registered gives an empty dialog of default size.
  virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
              UINT nID, CCreateContext* pContext = nullptr) override;

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange* pDX);
  // Controls to members (TRUE) or members to controls (FALSE); FALSE when a value failed.
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  // Ends a modal dialog with nResult (hides a modeless one).
  void EndDialog(int nResult);

  UINT GetTemplateID() const { return m_nIDTemplate; }
  BOOL IsModal() const { return m_bModal; }
  // TRUE once EndDialog ran for the current modal run.
  BOOL IsEnded() const { return m_bEnded; }
  INT_PTR GetModalResult() const { return m_nModalResult; }
  // Shows the created dialog with QDialog::exec and returns its result (what the
  // default prompt object does).
  virtual INT_PTR RunModalLoop();
  // Pixels of a rectangle in dialog units.
  void MapDialogRect(LPRECT lpRect) const;
  // Creates a control object of the dialog (a member: edit, combo box, list box,
  // button or static) as the item describes, placed in dialog units; the kind
  // of control follows the object's class. FALSE for other classes.
  BOOL CreateItem(CWnd& control, const CDialogItemDesc& item);

  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
  QWidget* CreateWidget(QWidget* pParent) override;
  void PostNcDestroy() override;
  BOOL CreateFromTemplate(CWnd* pParentWnd, bool bModal);

  UINT m_nIDTemplate = 0;
  UINT m_nIDHelp = 0;
  CWnd* m_pParentWnd = nullptr;

  DECLARE_MESSAGE_MAP()

private:
  BOOL m_bModal = FALSE;
  BOOL m_bEnded = FALSE;
  INT_PTR m_nModalResult = -1;
  POINT m_baseUnits{6, 13};
  std::vector<std::unique_ptr<CWnd>> m_templateControls;
};

// The feature-pack dialog: the same dialog here.
class CDialogEx : public CDialog {
  DECLARE_DYNAMIC(CDialogEx)
public:
  CDialogEx() = default;
  explicit CDialogEx(UINT nIDTemplate, CWnd* pParentWnd = nullptr) : CDialog(nIDTemplate, pParentWnd) {}
};
