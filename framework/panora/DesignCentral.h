// The design-centre pane: a docking pane beside the drawing (a placeholder
// here) that commands hide while they take the mouse and restore afterwards.
#pragma once

#include "platform/ui/DockablePane.h"

class CDC;

class CDesignCentral : public CDockablePane {
    DECLARE_DYNAMIC(CDesignCentral)
public:
    explicit CDesignCentral(CWnd* parent = nullptr);

    // Prepares the pages; TRUE once done.
    BOOL InitDCenter();
    BOOL IsInitialised() const { return m_bInit; }
    void ShowDCenter();
    // Hides the pane and remembers whether it was shown; RestoreDCenter shows
    // it again only then.
    void HideDCenter();
    void RestoreDCenter();
    BOOL IsShown() const { return m_bShown; }

    // Overlay on the drawing view; nothing here.
    void OnViewRedraw(CDC* dc);
    void UpdateWorkareaDlg() { ++m_nWorkareaUpdates; }
    void UpdateState() {}
    void UnitChanged() {}
    int GetWorkareaUpdateCount() const { return m_nWorkareaUpdates; }

    void ShowPane(BOOL bShow, BOOL bDelay, BOOL bActivate) override;

private:
    BOOL m_bInit = FALSE;
    BOOL m_bShown = FALSE;
    BOOL m_bHiddenByCmd = FALSE;
    int m_nWorkareaUpdates = 0;
};
