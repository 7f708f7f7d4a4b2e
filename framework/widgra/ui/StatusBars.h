// Tab tool bar, status bars and rulers of the main frame (placeholder panes).
#pragma once

#include "platform/ui/MFCStatusBar.h"
#include "platform/ui/MFCToolBar.h"

#include <array>

class QAbstractButton;

class CFrameWnd;

// Tool bar whose tabs each stand for a group of drag-off bars.
class CTabToolBar : public CMFCToolBar {
    DECLARE_DYNAMIC(CTabToolBar)
public:
    BOOL Create(CWnd* parent, UINT id, int flag);
    // Adds a tab item; returns its index.
    int AddItem(const CString& title);
    int GetItemCount() const { return static_cast<int>(m_items.size()); }
    void DockDragToolBar(CFrameWnd*) {}
    void OnChangeTabEx(int tab) { m_nCurTab = tab; }
    int GetCurTab() const { return m_nCurTab; }
    void HideAllDragTBar() {}
    void HideDragTBar(int) {}

private:
    using CMFCToolBar::Create;
    std::vector<CString> m_items;
    int m_nCurTab = 0;
};

// Main status bar: prompt control, progress of long operations, grid button,
// colour selector; panes 1 to 3 show the cursor's x, y and z.
class CQVStatusBar : public CMFCStatusBar {
    DECLARE_DYNAMIC(CQVStatusBar)
public:
    CQVStatusBar();
    ~CQVStatusBar() override;
    BOOL Init(CFrameWnd* frame);
    // The embedded child control that shows the command hub's prompts.
    CWnd* GetChildCtrl() { return &m_child; }
    double GetProgress() const { return m_dProgress; }
    COLORREF GetSelectedColor() const { return m_crSelected; }
    void SetSelectedColor(COLORREF colour) { m_crSelected = colour & 0xFFFFFFu; }
    BOOL m_bGridPushed = FALSE;

private:
    using CMFCStatusBar::Create;
    static void OnProgress(double position, void* user);
    CWnd m_child;
    double m_dProgress = 0.0;
    COLORREF m_crSelected = RGB(255, 255, 255);
};

// Status bar of the eleven snap switches: a check button per snap command and
// the all-snaps push button; a click sends the button's command to the frame.
class CQVStatusBarSnap : public CMFCStatusBar {
    DECLARE_DYNAMIC(CQVStatusBarSnap)
public:
    static constexpr std::array<UINT, 11> kSnapIDs = {33016, 33017, 33018, 33019, 33020, 33021,
                                                      33022, 33023, 33024, 33025, 33027};
    static constexpr UINT kAllSnapsID = 33029;

    BOOL Init(CFrameWnd* frame);
    // The check state of a snap button (BM_SETCHECK / BM_GETCHECK); ids outside
    // the bar are ignored (FALSE).
    void SetCheck(UINT id, BOOL checked);
    BOOL GetCheck(UINT id) const;
    // The pushed state of the all-snaps button (BM_SETSTATE).
    void SetAllPushed(BOOL pushed);
    BOOL IsAllPushed() const;
    // The button of a snap id or of the all-snaps id; null when there is none.
    QAbstractButton* GetButton(UINT id) const;

private:
    using CMFCStatusBar::Create;
    std::array<QAbstractButton*, 12> m_buttons{};
};

class CQVHorRulerBar : public CBasePane {
    DECLARE_DYNAMIC(CQVHorRulerBar)
public:
    explicit CQVHorRulerBar(int style = 1) : m_nStyle(style) {}
    BOOL Create(CWnd* parent, UINT id);
    Placement GetPlacement() const override { return Placement::kFixedBar; }
    // Marks the cursor at the ruler's x (pixels); -1 before the first mark.
    void DrawMouse(int x) { m_nMouse = x; }
    int GetMouseMark() const { return m_nMouse; }
    int m_nOffset = 0;  // the ruler's x of the view's left edge

private:
    using CBasePane::Create;
    [[maybe_unused]] int m_nStyle;
    int m_nMouse = -1;
};

class CQVVertRulerBar : public CBasePane {
    DECLARE_DYNAMIC(CQVVertRulerBar)
public:
    explicit CQVVertRulerBar(int style = 1) : m_nStyle(style) {}
    BOOL Create(CWnd* parent, UINT id);
    Placement GetPlacement() const override { return Placement::kFixedBar; }
    DWORD GetDefaultSide() const override { return CBRS_ALIGN_LEFT; }
    // Marks the cursor at the ruler's y (pixels); -1 before the first mark.
    void DrawMouse(int y) { m_nMouse = y; }
    int GetMouseMark() const { return m_nMouse; }

private:
    using CBasePane::Create;
    [[maybe_unused]] int m_nStyle;
    int m_nMouse = -1;
};
