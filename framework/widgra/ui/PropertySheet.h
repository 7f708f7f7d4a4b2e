// Settings sheets: a tree of page titles beside the shown page, with OK and
// Cancel. Pages are dialogs made from child templates (WS_CHILD). OK asks every
// page's Ok in the order they were added: the first that answers -1 keeps the
// sheet open on that page; when all answer 0 the sheet ends with IDOK. Cancel
// (the button, Esc or closing the window) runs every page's Cancel and ends
// with IDCANCEL.
#pragma once

#include "platform/ui/Dialog.h"

#include <vector>

class CQvPropertySheet;
class QStackedWidget;
class QTreeWidget;

class CQvPropertyPage : public CDialog {
    DECLARE_DYNAMIC(CQvPropertyPage)
public:
    // nIDCaption: the string resource of the page's title in the tree (0: the
    // template's caption).
    explicit CQvPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);

    // Shows the settings in the page's controls again; 1 done, 0 not.
    virtual int InitParam() { return 1; }
    // 0 accepts; -1 keeps the sheet open (the page has told the user why).
    virtual int Ok() { return 0; }
    // Takes back what the page changed while the sheet was open.
    virtual void Cancel() {}

    CQvPropertySheet* GetSheet() const { return m_pSheet; }
    CString GetTitle() const;

    // A page's OK and Cancel are the sheet's: Enter and Esc inside a page go to it.
    void OnOK() override;
    void OnCancel() override;

private:
    friend class CQvPropertySheet;
    CQvPropertySheet* m_pSheet = nullptr;
    UINT m_nIDCaption;
};

class CQvPropertySheet : public CDialog {
    DECLARE_DYNAMIC(CQvPropertySheet)
public:
    static constexpr UINT kTemplate = 0x7E10;  // the sheet's own frame template

    explicit CQvPropertySheet(LPCTSTR lpszCaption = nullptr, CWnd* pParentWnd = nullptr);

    // The first page, at the top of the tree; further pages go under it.
    // bExpand opens the page's branch in the tree.
    void AddRoot(CQvPropertyPage* pPage, UINT nIDTemplate, BOOL bExpand);
    void AddPage(CQvPropertyPage* pPage, UINT nIDTemplate, BOOL bExpand);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CQvPropertyPage* GetPage(int index) const;
    // Highlights the page's item and shows the page (before the sheet runs:
    // the page it opens on).
    void Light(int index);
    int GetActiveIndex() const { return m_nActive; }
    // Every page's InitParam (the pages share settings that one page changes).
    void InitParam();

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    QTreeWidget* m_pTree = nullptr;
    QStackedWidget* m_pStack = nullptr;
    std::vector<CQvPropertyPage*> m_pages;
    CString m_strCaption;
    int m_nActive = 0;
    CButton m_ok;
    CButton m_cancel;
};
