// The design-centre pane: a docking pane beside the drawing that commands hide
// while they take the mouse and restore afterwards. It shows one page at a time:
// its default page, or a command page that a running command adds and loads.
#pragma once

#include "platform/ui/DockablePane.h"

#include <memory>
#include <vector>

class CDC;
class CStatic;
class QStackedLayout;

// Sent to every command page when the length unit changed.
inline constexpr UINT WM_DC_UNIT_CHANGED = WM_USER + 0x0D0;

class CDesignCentral : public CDockablePane {
    DECLARE_DYNAMIC(CDesignCentral)
public:
    explicit CDesignCentral(CWnd* parent = nullptr);
    ~CDesignCentral() override;

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
    // Tells the command pages that the length unit changed.
    void UnitChanged();
    int GetWorkareaUpdateCount() const { return m_nWorkareaUpdates; }

    void ShowPane(BOOL bShow, BOOL bDelay, BOOL bActivate) override;

    // Command pages are child windows of this pane made by their command, which
    // keeps owning them; the pane only shows them.
    void AddCommandPage(CWnd* page);
    // Shows page (added before) in place of the current page; FALSE for a page
    // not added.
    BOOL LoadCommandPage(CWnd* page);
    // Forgets every command page and shows the default page.
    void RemoveCommandAllPage();
    void RecoverDefaultPage();
    // The page shown: a command page, or null for the default page.
    CWnd* GetCommandPage() const { return m_pCurrent; }
    // The default page: selecting objects by conditions.
    CWnd* GetDefaultPage() const;
    // The page shown, the default page included.
    CWnd* GetCurrentPage() const;
    // Position of a page among the pane's pages (the default page is 0), -1
    // for another window; SwitchPage shows the page at that position.
    int GetChildDlgIndex(CWnd* page) const;
    void SwitchPage(int index);

    // The relief-layer manager page, added while nothing is selected.
    void AddRlfLayerManagerDlg();
    void DelRlfLayerManagerDlg();
    CWnd* GetRlfLayerManagerDlg() const;
    // The attribute page of the selected object, shown in place of the current page.
    void SwitchAttrDlg();
    CWnd* GetAttrDlg() const;
    // The pages follow a changed selection.
    void SwitchSelChange() { ++m_nSelChanges; }
    int GetSelChangeCount() const { return m_nSelChanges; }

private:
    void ShowPage(CWnd* page);

    // A page of its own that only names itself.
    std::unique_ptr<CStatic> MakePlaceholder(LPCTSTR title);

    std::unique_ptr<CStatic> m_pDefault;
    std::unique_ptr<CStatic> m_pRlfLayers;
    std::unique_ptr<CStatic> m_pAttr;
    int m_nSelChanges = 0;
    QStackedLayout* m_pStack = nullptr;
    std::vector<CWnd*> m_pages;
    CWnd* m_pCurrent = nullptr;

    BOOL m_bInit = FALSE;
    BOOL m_bShown = FALSE;
    BOOL m_bHiddenByCmd = FALSE;
    int m_nWorkareaUpdates = 0;
};
