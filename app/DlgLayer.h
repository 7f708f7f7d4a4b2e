// The layer dialogs, shown as pages of the design centre while the layer
// command runs: the layer manager (a report list of every layer with its
// current mark, name, lock, visibility, colour and object count; clicks on a
// cell act at once) and the layer picker (a list of layer names with OK and
// Cancel). Every change goes to the layers at once through the layer bar.
#pragma once

#include "platform/ui/BitmapButton.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListControls.h"

#include <memory>
#include <vector>

class CCommand;
class CQvLayerBarWnd;

// What an in-place editor reports when it closes: the cell and the text, null
// when the edit was cancelled. Sent to the list as LVN_ENDLABELEDIT.
constexpr UINT WM_KV_LIST_NOTIFY = WM_USER + 0x0E0;
constexpr UINT LVN_ENDLABELEDIT = static_cast<UINT>(-176);
struct CListEndEdit {
    UINT code = LVN_ENDLABELEDIT;
    UINT idFrom = 0;
    int item = -1;
    int subItem = -1;
    LPCTSTR text = nullptr;  // null: cancelled
    int textLength = 0;
};

// One row's record, the list's item data.
struct CLayerRow {
    COLORREF colour = 0;
    int locked = 0;
    int visible = 0;
    int current = 0;
    int count = 0;
};

// Edit laid over a list cell: Enter or a click elsewhere commits, Escape
// cancels; either way it reports to the list and destroys itself.
class CListCellEdit : public CEdit {
    DECLARE_DYNAMIC(CListCellEdit)
public:
    CListCellEdit(int row, int column, const CString& text) : m_nRow(row), m_nColumn(column), m_strInitial(text) {}
    BOOL CreateOver(CListCtrl* list, DWORD style, const RECT& rect, UINT id);
    // Enter, Delete and Escape (and keys with Control) go to the editor
    // before the dialog can take them.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKillFocus(CWnd* pNewWnd);
    // Widens the editor when its text grows wider (text + 5 pixels), up to
    // the list's right client edge.
    void FitText();
    int GetRow() const { return m_nRow; }
    int GetColumn() const { return m_nColumn; }

protected:
    void PostNcDestroy() override { delete this; }
    DECLARE_MESSAGE_MAP()

private:
    int m_nRow;
    int m_nColumn;
    CString m_strInitial;
    int m_bCancelled = 0;
    BOOL m_bReported = FALSE;
    CListCtrl* m_pList = nullptr;
};

class CQvLayerList : public CListCtrl {
    DECLARE_DYNAMIC(CQvLayerList)
public:
    enum Column { kHidden, kCurrent, kName, kLock, kVisible, kColour, kCount };

    CQvLayerList() = default;
    ~CQvLayerList() override;
    CQvLayerList(const CQvLayerList&) = delete;
    CQvLayerList& operator=(const CQvLayerList&) = delete;

    int AddLayerRow(const CString& name, int current, int locked, int visible, COLORREF colour, int count);
    // 0 with exactly one row or a bad row; the deleted current row's mark goes
    // to row 0.
    int DeleteRow(int row);
    // Frees one row record (the list keeps every record it made, so that none
    // outlives it even when its window went first).
    void FreeRecord(CLayerRow* record);
    // Frees the row records; single-layer mode on when at most one layer is visible.
    void ResetRows();
    int GetCurIndex() const { return m_nLastClicked; }
    int GetCurRow() const { return m_nCurRow; }
    CLayerRow* GetRow(int row) const { return reinterpret_cast<CLayerRow*>(GetItemData(row)); }
    void ApplyRowToLayer(int row, CLayerRow* record);
    // Row and column under the point; -1 when none.
    int HitTestEx(POINT point, int* column) const;
    // Opens the in-place editor over the cell; null when refused.
    CListCellEdit* EditSubLabel(int row, int column);
    CListCellEdit* GetEditor() const { return m_pEditor; }

    void OnLButtonDown(UINT nFlags, CPoint point);
    LRESULT OnEndLabelEdit(WPARAM wParam, LPARAM lParam);
    void OnEditChange();
    void DrawSubItem(CDC* pDC, int row, int col, const RECT& cell) override;
    // The cell column's left edge in client coordinates.
    int ColumnLeft(int row, int column) const;

protected:
    DECLARE_MESSAGE_MAP()

private:
    friend class CListCellEdit;
    void ClickCurrent(int row);
    void ClickToggle(int row, int column);
    void ClickColour(int row);
    static void FocusView();

    int m_nLastClicked = -1;
    int m_nCurRow = -1;
    CListCellEdit* m_pEditor = nullptr;  // open editor, deletes itself
    std::vector<std::unique_ptr<CLayerRow>> m_records;
};

class CDlgLayerManager : public CDialog {
    DECLARE_DYNAMIC(CDlgLayerManager)
public:
    static constexpr UINT kTemplate = 213;
    static constexpr UINT kList = 163;
    static constexpr UINT kAdd = 164;
    static constexpr UINT kClose = 167;
    static constexpr UINT kDelete = 177;

    CDlgLayerManager();
    ~CDlgLayerManager() override;
    void SetCmd(CCommand* cmd) { m_pCmd = cmd; }
    CCommand* GetCmd() const { return m_pCmd; }

    BOOL OnInitDialog() override;
    void OnAdd();
    void OnDelete();
    void OnClose();
    void OnCancel() override;
    void ResetRows() { m_list.ResetRows(); }
    // Rows made again from the layers (after an undo or redo changed them).
    void Refill();
    // Lock, visibility, colour and current mark of every row from its layer.
    void SyncRows();
    CQvLayerList& GetList() { return m_list; }
    CBitmapButton& GetButton(UINT id) { return id == kAdd ? m_add : id == kDelete ? m_delete : m_close; }

protected:
    DECLARE_MESSAGE_MAP()

private:
    void Fill();

    CCommand* m_pCmd = nullptr;
    CBitmapButton m_close, m_delete, m_add;
    CQvLayerList m_list;
};

class CDlgLayerSel : public CDialog {
    DECLARE_DYNAMIC(CDlgLayerSel)
public:
    static constexpr UINT kTemplate = 218;
    static constexpr UINT kList = 171;

    CDlgLayerSel();
    ~CDlgLayerSel() override;
    void SetCmd(CCommand* cmd) { m_pCmd = cmd; }

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    CListBox& GetList() { return m_list; }

private:
    CCommand* m_pCmd = nullptr;
    CListBox m_list;
};

// The main frame's layer bar; null without a frame.
CQvLayerBarWnd* korvelLayerBar();
