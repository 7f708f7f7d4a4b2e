// The layer tab strip below the drawing view: seven small buttons (edit
// layers, show all, show one, scroll the tabs right, delete the current layer,
// add a layer, scroll the tabs left), then one trapezoid tab per layer named
// from the layer bar's names, the current layer's tab highlighted. A click on
// a tab makes that layer current. The right half is a horizontal scroll bar
// that pans the drawing view through the pan command.
#pragma once

#include "platform/ui/Font.h"
#include "platform/ui/ScrollBar.h"
#include "platform/ui/Wnd.h"

#include <array>
#include <memory>
#include <vector>

class CDC;
class CQvLayerBarWnd;
class QImage;

class CQvWndTab : public CWnd {
    DECLARE_DYNCREATE(CQvWndTab)
public:
    static constexpr int kDefaultHeight = 15;
    static constexpr int kInitialHeight = 17;
    static constexpr int kTabStart = 128;
    static constexpr int kTextMargin = 3;
    static constexpr int kButtonCount = 7;
    static constexpr UINT_PTR kHoverTimer = 1;
    static constexpr UINT kHoverMs = 5;
    // Button looks.
    static constexpr int kFlat = 1;
    static constexpr int kRaised = 2;
    static constexpr int kSunken = 3;
    // Buttons.
    enum Button { kEditLayers, kShowAll, kShowOne, kScrollRight, kDelete, kAdd, kScrollLeft };

    CQvWndTab();
    ~CQvWndTab() override;

    void SetLayerBar(CQvLayerBarWnd* bar) { m_pLayerBar = bar; }
    CQvLayerBarWnd* GetLayerBar() const { return m_pLayerBar; }
    int GetTabHeight() const { return m_nTabHeight; }
    // Stores the height and repaints.
    void SetTabHeight(int height);
    // Turning on clears the seven disabled marks, off sets them; nothing when
    // the state is unchanged.
    void EnableButtons(int on);
    BOOL AreButtonsEnabled() const { return m_bButtonsEnabled; }

    // Draws the whole strip (buttons, tabs, the current tab) into dc.
    void Paint(CDC* dc);
    // The strip as it paints now, for its widget and for checks.
    void Render(QImage& image);
    // Recomputes the tab widths with dc's font when they are dirty.
    void UpdateWidths(CDC* dc);
    // The font of the tabs, made at the first paint.
    CFont* GetTabFont();

    // Tab under the point x, or -1 (left of the tab start: none).
    int HitTestTab(int x) const;
    // Button under the point, or -1.
    int HitTestButton(POINT p) const;
    // Moves the first visible tab; TRUE when it moved.
    BOOL ScrollTabsRight();
    BOOL ScrollTabsLeft();
    // Runs a button's action.
    void RunButton(int button);

    int GetFirstVisibleTab() const { return m_nFirstTab; }
    int GetTabRoom() const { return m_nTabRoom; }
    void SetTabRoom(int room) { m_nTabRoom = room; }
    const std::vector<int>& GetTabWidths() const { return m_widths; }
    int GetButtonLook(int button) const { return m_look[static_cast<size_t>(button)]; }
    int GetHoveredButton() const { return m_nHovered; }
    static RECT ButtonRect(int button);

    // Creates the scroll bar with its range from the page width.
    BOOL CreateScrollBar();
    CScrollBar& GetScrollBar() { return m_scrollBar; }
    // Range of the scroll bar for a page width: -2W to 2W, within +-25000.
    static void ScrollRangeFor(double pageWidth, int* minPos, int* maxPos);
    // A scroll action of the bar: moves the bar and pans the view; returns the
    // pan distance (0 when nothing happened).
    double ScrollView(UINT code, int thumbPos);

    // Message handlers.
    void OnHScroll(UINT code, UINT pos, CScrollBar* bar);
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnMouseMove(UINT flags, CPoint point);
    void OnTimer(UINT_PTR id);
    void OnSize(UINT type, int cx, int cy);
    // The cursor left the strip (the hover timer stops at its next step).
    void CursorLeft();

    int m_bWidthsDirty = 1;  // tab widths are recomputed at the next paint

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    // The strip belongs to the layer bar, which deletes it.
    void PostNcDestroy() override {}

    DECLARE_MESSAGE_MAP()

private:
    int HalfSlant() const { return (m_nTabHeight - 1) / 2; }
    void DrawButtons(CDC* dc);
    void DrawButtonLook(CDC* dc, int button, int look);
    void DrawButtonPicture(CDC* dc, int button, BOOL disabled);
    void DrawTabs(CDC* dc);
    void DrawCurrentTab(CDC* dc);
    // One hover step: flat looks, the hovered button raised or sunken.
    void HoverStep();
    void RunLayerCommand(int mode);

    CQvLayerBarWnd* m_pLayerBar = nullptr;
    int m_nTabHeight = kInitialHeight;
    int m_nFirstTab = 0;
    int m_nTabRoom = 0;
    BOOL m_bButtonsEnabled = TRUE;
    BOOL m_bPressed = FALSE;
    int m_nHovered = -1;
    POINT m_ptCursor{-1, -1};
    BOOL m_bCursorInside = FALSE;
    std::vector<int> m_widths;
    std::unique_ptr<CFont> m_pFont;
    std::array<int, kButtonCount> m_look{kFlat, kFlat, kFlat, kFlat, kFlat, kFlat, kFlat};
    std::array<int, kButtonCount> m_disabled{};
    CScrollBar m_scrollBar;
};
