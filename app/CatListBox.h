// Owner-drawn list of named categories, each row with a flat check box that a
// click on the box or the space bar ticks. Categories are kept in a map by name
// (case-sensitive order); a category may own item values shown in the rows after
// it. Operations answer HRESULT-style codes.
#pragma once

#include "platform/core/WinString.h"
#include "platform/ui/ListControls.h"

#include <cstdint>
#include <list>
#include <map>
#include <memory>

using HRESULT = std::int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
// List-box styles the control reads.
inline constexpr DWORD LBS_SORT = 0x0002;
inline constexpr DWORD LBS_NOSEL = 0x4000;
// LBN_SELCHANGE (ListControls.h) goes to the parent after a click on the rows
// and after the space bar ticked a category.

class QPainter;
class QRect;

class CCatListBox : public CListBox {
    DECLARE_DYNAMIC(CCatListBox)
public:
    struct Category {
        int m_nChecked = 0;
        int m_nRow = -1;
        std::list<int> m_items;
        int m_nItemCount = 0;
    };

    CCatListBox();
    ~CCatListBox() override;
    CCatListBox(const CCatListBox&) = delete;
    CCatListBox& operator=(const CCatListBox&) = delete;

    // dwStyle may carry LBS_SORT and LBS_NOSEL.
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    HRESULT AddCategory(LPCTSTR name);
    Category* FindCategory(LPCTSTR name) const;
    HRESULT SetCategoryCheck(LPCTSTR name, BOOL checked);
    BOOL IsCategoryChecked(LPCTSTR name) const;
    // byRow 0: the n-th category in map order; otherwise the category of row n.
    // Empty when there is none.
    CString GetCategoryName(int n, BOOL byRow) const;
    int GetItemValue(LPCTSTR name, int position) const;
    HRESULT SetItemValue(LPCTSTR name, int position, int value);
    int GetCurIndex() const { return m_nLastClicked; }
    void RemoveAllCategories();
    int GetCategoryCount() const { return static_cast<int>(m_categories.size()); }

    // The check-box square of a row rectangle.
    static RECT CheckBoxRect(const RECT& row);
    // Draws a row (the list's delegate calls it).
    void DrawItem(QPainter& painter, int row, const QRect& rect, bool selected, bool focused);

    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);

    BYTE m_bItemCheckBoxes = 0;
    BYTE m_bDrawEnabled = 1;

protected:
    QWidget* CreateWidget(QWidget* pParent) override;
    DECLARE_MESSAGE_MAP()

private:
    Category* CategoryOfRow(int row) const;
    void Repaint();
    void NotifySelChange();

    std::map<CString, std::unique_ptr<Category>> m_categories;
    int m_nLastClicked = -1;
    DWORD m_dwListStyle = 0;
};
