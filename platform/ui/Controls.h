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

#define ON_BN_CLICKED(id, memberFxn) \
  {WM_COMMAND, static_cast<int>(BN_CLICKED), static_cast<UINT>(id), static_cast<UINT>(id), nullptr, &afx_detail::Command<memberFxn>},
#define ON_EN_CHANGE(id, memberFxn) \
  {WM_COMMAND, static_cast<int>(EN_CHANGE), static_cast<UINT>(id), static_cast<UINT>(id), nullptr, &afx_detail::Command<memberFxn>},
#define ON_CONTROL(wNotifyCode, id, memberFxn) \
  {WM_COMMAND, static_cast<int>(wNotifyCode), static_cast<UINT>(id), static_cast<UINT>(id), nullptr, &afx_detail::Command<memberFxn>},
