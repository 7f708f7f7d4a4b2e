#pragma once
// Child controls of dialogs and windows: static texts and pictures, push buttons,
// check boxes, radio buttons, group boxes and edit fields, each over its Qt widget.
// A control tells its parent about clicks and edits with WM_COMMAND (control id,
// notification code in the high word, the control's handle in lParam), so
// ON_COMMAND / ON_BN_CLICKED / ON_EN_CHANGE entries of the parent's map run.

#include "platform/ui/Wnd.h"

class QImage;

// Control styles (the low bits select the kind within a class).
constexpr DWORD SS_LEFT = 0x0000;
constexpr DWORD SS_CENTER = 0x0001;
constexpr DWORD SS_RIGHT = 0x0002;
constexpr DWORD SS_BITMAP = 0x000E;
constexpr DWORD SS_CENTERIMAGE = 0x0200;
constexpr DWORD SS_REALSIZEIMAGE = 0x0800;
constexpr DWORD SS_TYPEMASK = 0x001F;
constexpr DWORD BS_PUSHBUTTON = 0x0000;
constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
constexpr DWORD BS_CHECKBOX = 0x0002;
constexpr DWORD BS_AUTOCHECKBOX = 0x0003;
constexpr DWORD BS_RADIOBUTTON = 0x0004;
constexpr DWORD BS_3STATE = 0x0005;
constexpr DWORD BS_AUTO3STATE = 0x0006;
constexpr DWORD BS_GROUPBOX = 0x0007;
constexpr DWORD BS_AUTORADIOBUTTON = 0x0009;
constexpr DWORD BS_TYPEMASK = 0x000F;
constexpr DWORD ES_LEFT = 0x0000;
constexpr DWORD ES_MULTILINE = 0x0004;
constexpr DWORD ES_PASSWORD = 0x0020;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD ES_READONLY = 0x0800;
constexpr DWORD ES_NUMBER = 0x2000;

// Notification codes (HIWORD of WM_COMMAND's wParam).
constexpr UINT BN_CLICKED = 0;
constexpr UINT EN_CHANGE = 0x0300;
constexpr UINT EN_SETFOCUS = 0x0100;
constexpr UINT EN_KILLFOCUS = 0x0200;

// Button messages.
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr UINT BM_SETSTATE = 0x00F3;
constexpr UINT BST_UNCHECKED = 0;
constexpr UINT BST_CHECKED = 1;
constexpr UINT BST_INDETERMINATE = 2;
constexpr UINT BST_PUSHED = 4;

class CStatic : public CWnd {
  DECLARE_DYNAMIC(CStatic)
public:
  CStatic() = default;
  BOOL Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xFFFF);
  // SS_BITMAP controls: the picture shown (copied), centred when SS_CENTERIMAGE.
  void SetImage(const QImage& image);
  BOOL HasImage() const;

protected:
  using CWnd::Create;
  QWidget* CreateWidget(QWidget* pParent) override;
  DWORD m_dwStyle = 0;
};

class CButton : public CWnd {
  DECLARE_DYNAMIC(CButton)
public:
  CButton() = default;
  BOOL Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
  int GetCheck() const;
  void SetCheck(int nCheck);
  // The pushed look of a push button (BM_SETSTATE).
  UINT GetState() const;
  void SetState(BOOL bHighlight);
  DWORD GetButtonStyle() const { return m_dwStyle & BS_TYPEMASK; }

  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
  using CWnd::Create;
  QWidget* CreateWidget(QWidget* pParent) override;
  DWORD m_dwStyle = 0;
};

class CEdit : public CWnd {
  DECLARE_DYNAMIC(CEdit)
public:
  CEdit() = default;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
  void GetSel(int& nStartChar, int& nEndChar) const;
  void ReplaceSel(LPCTSTR lpszNewText, BOOL bCanUndo = FALSE);
  void SetReadOnly(BOOL bReadOnly = TRUE);
  void SetLimitText(UINT nMax);

protected:
  using CWnd::Create;
  QWidget* CreateWidget(QWidget* pParent) override;
  DWORD m_dwStyle = 0;
};

// Combo box styles and notifications.
constexpr DWORD CBS_SIMPLE = 0x0001;
constexpr DWORD CBS_DROPDOWN = 0x0002;      // editable text with a list
constexpr DWORD CBS_DROPDOWNLIST = 0x0003;  // a list only
constexpr DWORD CBS_TYPEMASK = 0x0003;
constexpr UINT CBN_SELCHANGE = 1;
constexpr UINT CBN_EDITCHANGE = 5;
constexpr UINT CBN_EDITUPDATE = 6;
constexpr int CB_ERR = -1;

// A drop-down list (CBS_DROPDOWNLIST) or an editable box with a list
// (CBS_DROPDOWN). Choosing an entry sends CBN_SELCHANGE; typing in the editable
// box sends CBN_EDITUPDATE, then CBN_EDITCHANGE. Setting the selection or the
// text from code sends nothing.
class CComboBox : public CWnd {
  DECLARE_DYNAMIC(CComboBox)
public:
  CComboBox() = default;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  int AddString(LPCTSTR text);
  // Inserts before index (-1 appends); the new entry's index.
  int InsertString(int index, LPCTSTR text);
  int DeleteString(int index);
  void ResetContent();
  int GetCount() const;
  int GetCurSel() const;
  // CB_ERR for an index outside the list (the selection is then cleared).
  int SetCurSel(int index);
  int GetLBText(int index, CString& rString) const;
  // Caret and selection of the editable text.
  void SetEditSel(int nStartChar, int nEndChar);
  DWORD GetEditSel() const;

protected:
  using CWnd::Create;
  QWidget* CreateWidget(QWidget* pParent) override;
  DWORD m_dwStyle = 0;
};

// A button showing a colour; pressing it opens a palette (an optional
// automatic entry, the palette in columns, an "Other" entry that opens the
// colour dialog). Choosing a colour sends BN_CLICKED to the parent.
class CMFCColorButton : public CButton {
  DECLARE_DYNAMIC(CMFCColorButton)
public:
  CMFCColorButton() = default;
  // The colour shown; (COLORREF)-1 when the automatic entry is chosen.
  COLORREF GetColor() const { return m_bAutomatic ? static_cast<COLORREF>(-1) : m_colour; }
  void SetColor(COLORREF colour);
  void EnableAutomaticButton(LPCTSTR lpszLabel, COLORREF colorAutomatic, BOOL bEnable = TRUE);
  void EnableOtherButton(LPCTSTR lpszLabel, BOOL bAltColorDlg = TRUE, BOOL bEnable = TRUE);
  void SetColumnsNumber(int nColumns);
  int GetColumnsNumber() const { return m_nColumns; }
  BOOL HasAutomaticButton() const { return m_bAutoEnabled; }
  BOOL HasOtherButton() const { return m_bOtherEnabled; }
  COLORREF GetAutomaticColor() const { return m_autoColour; }
  // What a choice in the palette does: the colour becomes the button's and the
  // parent hears BN_CLICKED. (COLORREF)-1 chooses the automatic entry.
  void ChooseColor(COLORREF colour);
  // What the "Other" entry does: the colour dialog, then ChooseColor.
  void ChooseOtherColor();

protected:
  QWidget* CreateWidget(QWidget* pParent) override;
  void ShowColour();

  COLORREF m_colour = 0;
  COLORREF m_autoColour = 0;
  CString m_strAutoLabel;
  CString m_strOtherLabel;
  BOOL m_bAutomatic = FALSE;
  BOOL m_bAutoEnabled = FALSE;
  BOOL m_bOtherEnabled = FALSE;
  int m_nColumns = 8;
};

#define ON_CBN_SELCHANGE(id, memberFxn) \
  {WM_COMMAND, static_cast<int>(CBN_SELCHANGE), static_cast<UINT>(id), static_cast<UINT>(id), nullptr, &afx_detail::Command<memberFxn>},
#define ON_CBN_EDITUPDATE(id, memberFxn) \
  {WM_COMMAND, static_cast<int>(CBN_EDITUPDATE), static_cast<UINT>(id), static_cast<UINT>(id), nullptr, &afx_detail::Command<memberFxn>},

#define ON_BN_CLICKED(id, memberFxn) \
  {WM_COMMAND, static_cast<int>(BN_CLICKED), static_cast<UINT>(id), static_cast<UINT>(id), nullptr, &afx_detail::Command<memberFxn>},
#define ON_EN_CHANGE(id, memberFxn) \
  {WM_COMMAND, static_cast<int>(EN_CHANGE), static_cast<UINT>(id), static_cast<UINT>(id), nullptr, &afx_detail::Command<memberFxn>},
#define ON_CONTROL(wNotifyCode, id, memberFxn) \
  {WM_COMMAND, static_cast<int>(wNotifyCode), static_cast<UINT>(id), static_cast<UINT>(id), nullptr, &afx_detail::Command<memberFxn>},
