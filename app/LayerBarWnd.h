// The frame's client area: a static splitter with the drawing view above the
// layer tab strip. It shows or hides the strip and keeps the strip's
// visibility in "Command-chs.cfg" (two 32-bit values ahead of the command
// hub's stream).
#pragma once

#include "platform/ui/SplitterWndEx.h"

#include <memory>

class CArchive;
class CQvWndTab;
class CView;
struct CCreateContext;

class CQvLayerBarWnd : public CSplitterWndEx {
    DECLARE_DYNAMIC(CQvLayerBarWnd)
public:
    // Height of the strip pane when the panes are first made.
    static constexpr int kInitialStripHeight = 80;

    CQvLayerBarWnd();
    ~CQvLayerBarWnd() override;

    // Makes the splitter in parent: the view of pContext in row 0, the strip
    // in row 1. TRUE when the view exists afterwards.
    BOOL CreatePanes(CWnd* parent, CCreateContext* pContext);
    CView* GetView() const;
    CQvWndTab* GetTab() const { return m_pTab; }

    void RecalcLayout() override;

    BOOL IsTabVisible() const { return m_nTabHidden == 0 ? TRUE : FALSE; }
    void SetTabHidden(int hidden) { m_nTabHidden = hidden; }
    // Shows the strip when hidden, hides it when shown.
    void ToggleTab();
    // The two state values: the reserved one (written back as read), then
    // whether the strip is hidden.
    void SerializeState(CArchive& ar);
    int GetReservedState() const { return m_nReserved; }

private:
    int m_nReserved = 1;
    int m_nTabHidden = 0;
    CQvWndTab* m_pTab = nullptr;  // owned
};
