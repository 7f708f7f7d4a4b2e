// Tab tool bar, status bars and rulers of the main frame.
#pragma once

#include "platform/ui/MFCStatusBar.h"
#include "platform/ui/MFCToolBar.h"

#include <QAbstractButton>
#include <QPointer>
#include <QTabBar>

#include <array>
#include <vector>

class QPainter;
class QPoint;

class CFrameWnd;

// Tool bar of the tab UI: a strip of tabs, each running its main command when
// chosen and showing its own row of command buttons after the strip.
class CTabToolBar : public CMFCToolBar {
    DECLARE_DYNAMIC(CTabToolBar)
public:
    BOOL Create(CWnd* parent, UINT id, int flag);
    // Adds a tab item: its title, the main command that choosing it runs and
    // the command buttons it shows (0 is a separator); returns its index.
    int AddItem(const CString& title, int mainCmd = 0, std::vector<UINT> buttons = {});
    int GetItemCount() const { return static_cast<int>(m_items.size()); }
    // Runs a main command when the user chooses a tab.
    void SetRunMainCmd(void (*run)(int mainCmd)) { m_pfnRunMainCmd = run; }
    // Shows the buttons through the maker's actions (the tab strip stays first).
    void SetActionMaker(ActionMaker maker);
    void DockDragToolBar(CFrameWnd*) {}
    // Makes the tab current and shows its buttons (no main command runs).
    void OnChangeTabEx(int tab);
    int GetCurTab() const { return m_nCurTab; }
    void HideAllDragTBar() {}
    void HideDragTBar(int) {}
    // The tab strip (null before Create) and the command buttons shown now.
    QTabBar* GetTabBar() const { return m_pTabs; }
    const std::vector<UINT>& GetTabButtons(int tab) const;

private:
    struct Item {
        CString title;
        int mainCmd = 0;
        std::vector<UINT> buttons;
    };
    using CMFCToolBar::Create;
    using CMFCToolBar::SetButtons;
    // A tab chosen by the user: its buttons, then its main command.
    void OnTabChosen(int tab);
    std::vector<Item> m_items;
    int m_nCurTab = 0;
    void (*m_pfnRunMainCmd)(int) = nullptr;
    // Owned by the bar's widget.
    QPointer<QTabBar> m_pTabs;
};

// Main status bar: prompt control, progress of long operations, grid and paths
// buttons (commands 33014 and 32877 to the frame), colour selector (a chosen
// colour goes to the frame as WM_USER+2); panes 1 to 3 show the cursor's x, y and z.
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
    void SetSelectedColor(COLORREF colour);
    // The pushed state of the grid button (BM_SETSTATE).
    void SetGridPushed(BOOL pushed);
    BOOL IsGridPushed() const { return m_bGridPushed; }
    // The paths button's text (which of the two states the paths are in).
    void SetPathsText(const CString& text);
    QAbstractButton* GetGridButton() const { return m_pGrid; }
    QAbstractButton* GetPathsButton() const { return m_pPaths; }
    QAbstractButton* GetColourButton() const { return m_pColour; }

private:
    using CMFCStatusBar::Create;
    static void OnProgress(double position, void* user);
    void ShowColour();
    BOOL m_bGridPushed = FALSE;
    // Owned by the bar's widget, which may go first.
    QPointer<QAbstractButton> m_pGrid;
    QPointer<QAbstractButton> m_pPaths;
    QPointer<QAbstractButton> m_pColour;
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
    std::array<QPointer<QAbstractButton>, 12> m_buttons{};
};

// A ruler beside the drawing view: ticks and labels in the current length unit
// that follow the view's scale and origin, a mark at the cursor, and guide
// lines dragged out of it into the view (the ruler fills the settings'
// guide-line point and sends the view WM_USER+4 from the horizontal ruler,
// WM_USER+5 from the vertical one).
class CQVRulerBar : public CBasePane {
    DECLARE_DYNAMIC(CQVRulerBar)
public:
    static constexpr int kThickness = 22;
    // A major tick: its value in the current unit and its pixel along the strip.
    struct Tick {
        double value;
        double pixel;
    };

    CQVRulerBar(bool horizontal, int style) : m_bHorizontal(horizontal), m_nStyle(style) {}
    BOOL Create(CWnd* parent, UINT id);
    Placement GetPlacement() const override { return Placement::kFixedBar; }
    DWORD GetDefaultSide() const override { return m_bHorizontal ? CBRS_ALIGN_TOP : CBRS_ALIGN_LEFT; }
    bool IsHorizontal() const { return m_bHorizontal; }
    // Marks the cursor at the view's pixel along the ruler; -1 before the first mark.
    void DrawMouse(int viewPixel);
    int GetMouseMark() const { return m_nMouse; }
    // The painted strip inside the bar (null before creation).
    QWidget* GetStrip() const { return m_pStrip; }
    // The major ticks the strip shows now.
    std::vector<Tick> MajorTicks() const;
    // Strip pixel of a view pixel along the ruler, and back.
    double ViewToStrip(double viewPixel) const;
    double StripToView(double stripPixel) const;
    // Drops a guide line at the view's pixel: fills the guide-line point and
    // asks the view for the line. FALSE when there is no view or settings.
    BOOL DropGuideLine(const QPoint& viewPixel);
    void PaintStrip(QPainter& painter);

    int m_nOffset = 0;  // added by callers to the view pixel they mark (kept at 0)

private:
    using CBasePane::Create;
    bool m_bHorizontal;
    [[maybe_unused]] int m_nStyle;
    int m_nMouse = -1;
    QWidget* m_pStrip = nullptr;
};

class CQVHorRulerBar : public CQVRulerBar {
    DECLARE_DYNAMIC(CQVHorRulerBar)
public:
    explicit CQVHorRulerBar(int style = 1) : CQVRulerBar(true, style) {}
};

class CQVVertRulerBar : public CQVRulerBar {
    DECLARE_DYNAMIC(CQVVertRulerBar)
public:
    explicit CQVVertRulerBar(int style = 1) : CQVRulerBar(false, style) {}
};
