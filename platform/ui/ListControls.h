#pragma once
// List controls: a plain list box of strings (CListBox) and a report-view list
// with columns (CListCtrl), each over a Qt item view. Positions are 0-based;
// rectangles and points are in the list's client (viewport) coordinates.

#include "platform/ui/Wnd.h"

#include <vector>

constexpr int LB_ERR = -1;
// A list box's selection changed by the user (notification of WM_COMMAND).
constexpr WORD LBN_SELCHANGE = 1;
#define ON_LBN_SELCHANGE(id, memberFxn) \
  {WM_COMMAND, static_cast<int>(LBN_SELCHANGE), static_cast<UINT>(id), static_cast<UINT>(id), nullptr, &afx_detail::Command<memberFxn>},
constexpr int LVCFMT_LEFT = 0;
constexpr int LVCFMT_RIGHT = 1;
constexpr int LVCFMT_CENTER = 2;
constexpr DWORD LVS_EX_GRIDLINES = 0x0001;
constexpr DWORD LVS_EX_FULLROWSELECT = 0x0020;

// Choosing an entry with the mouse or the keys sends LBN_SELCHANGE (1) to the
// parent; SetCurSel sends nothing.
class CListBox : public CWnd {
  DECLARE_DYNAMIC(CListBox)
public:
  CListBox() = default;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  int AddString(LPCTSTR text);
  // Inserts before index (-1 appends); the new entry's index.
  int InsertString(int index, LPCTSTR text);
  // The count left, or LB_ERR.
  int DeleteString(int index);
  void ResetContent();
  int GetCount() const;
  // LB_ERR when nothing is selected.
  int GetCurSel() const;
  int SetCurSel(int index);
  CString GetText(int index) const;

protected:
  using CWnd::Create;
  QWidget* CreateWidget(QWidget* pParent) override;
  bool m_bSelecting = false;  // a selection made by code, not by the user
};

class CListCtrl : public CWnd {
  DECLARE_DYNAMIC(CListCtrl)
public:
  CListCtrl() = default;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  void SetExtendedStyle(DWORD style);
  DWORD GetExtendedStyle() const { return m_dwExStyle; }
  // Rows are at least height pixels high (the small image list's height).
  void SetRowHeight(int height);

  int InsertColumn(int col, LPCTSTR heading, int format, int width);
  int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
  int GetColumnWidth(int col) const;
  int GetColumnFormat(int col) const;

  int InsertItem(int row, LPCTSTR text);
  BOOL DeleteItem(int row);
  int GetItemCount() const;
  BOOL SetItemText(int row, int col, LPCTSTR text);
  CString GetItemText(int row, int col) const;
  BOOL SetItemData(int row, DWORD_PTR data);
  DWORD_PTR GetItemData(int row) const;

  // The row's rectangle across every column (left moves with horizontal scrolling).
  BOOL GetItemRect(int row, LPRECT rect) const;
  int GetTopIndex() const;
  int GetCountPerPage() const;
  BOOL EnsureVisible(int row, BOOL partialOK);
  // Scrolls horizontally by size.cx pixels.
  BOOL Scroll(SIZE size);
  // The row under the point, or -1.
  int HitTest(POINT point) const;
  void RedrawItems(int first, int last);
  // Where the client (viewport) area lies in the control, below its header:
  // child windows of the control are placed relative to the control itself.
  POINT GetViewportOrigin() const;

  // Drawing over a cell after its default painting (the sub-item post-paint
  // stage); nothing in the base.
  virtual void DrawSubItem(CDC* pDC, int row, int col, const RECT& cell);

  // The default handling of a click: the row under the point becomes selected.
  void OnLButtonDown(UINT nFlags, CPoint point);

protected:
  using CWnd::Create;
  QWidget* CreateWidget(QWidget* pParent) override;
  DECLARE_MESSAGE_MAP()

private:
  struct Column {
    CString heading;
    int format;
    int width;
  };
  std::vector<Column> m_columns;
  std::vector<DWORD_PTR> m_data;
  DWORD m_dwExStyle = 0;
  int m_nRowHeight = 16;
};
