// The layer tab strip below the drawing view: one tab per layer. Only what the
// frame and the document use of it is here: its height and the flag that
// makes it recompute its tab widths at the next paint.
#pragma once

#include "platform/ui/Wnd.h"

class CQvLayerBarWnd;

class CQvWndTab : public CWnd {
    DECLARE_DYNCREATE(CQvWndTab)
public:
    static constexpr int kDefaultHeight = 15;

    CQvWndTab() = default;

    void SetLayerBar(CQvLayerBarWnd* bar) { m_pLayerBar = bar; }
    CQvLayerBarWnd* GetLayerBar() const { return m_pLayerBar; }
    int GetTabHeight() const { return m_nTabHeight; }
    void SetTabHeight(int height) { m_nTabHeight = height < 0 ? 0 : height; }

    int m_bWidthsDirty = 1;  // tab widths are recomputed at the next paint

protected:
    // The strip belongs to the layer bar, which deletes it.
    void PostNcDestroy() override {}

private:
    CQvLayerBarWnd* m_pLayerBar = nullptr;
    int m_nTabHeight = kDefaultHeight;
};
