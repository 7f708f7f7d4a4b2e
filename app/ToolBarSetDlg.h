// Tool-bar settings: the UI mode (panel tool bars, mode 16, or standard tool
// bars, mode 17) and a category list of the mode's bars whose ticks show and
// hide them at once.
#pragma once

#include "app/CatListBox.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Dialog.h"

class CToolBarSetDlg : public CDialog {
    DECLARE_DYNAMIC(CToolBarSetDlg)
public:
    static constexpr UINT IDD = 361;
    static constexpr UINT IDC_PANEL = 186;
    static constexpr UINT IDC_STANDARD = 537;
    static constexpr UINT IDC_BARS = 707;
    // Help topic of the dialog.
    static constexpr int kHelpTopic = 1114;

    explicit CToolBarSetDlg(CWnd* pParent = nullptr);
    ~CToolBarSetDlg() override;

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    void OnListClick();
    void OnPanel();
    void OnStandard();
    BOOL OnHelpInfo(HELPINFO* pHelpInfo);

    CCatListBox& GetList() { return m_list; }
    int GetPanelFlag() const { return m_nPanel; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()

private:
    // Lists the bars of the mode (0: none).
    void FillList(int mode);

    CButton m_panel;
    CButton m_standard;
    CCatListBox m_list;
    int m_nPanel = 1;
};
