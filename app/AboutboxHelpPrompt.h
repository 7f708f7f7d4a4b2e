// The tip-of-the-day dialog: one tip at a time, a text and, for most tips, an
// animated picture in a panel on the right that slides open when the tip has
// a picture and closes when it has none. The tips are the program's own
// table followed by those the "Flarecut.mlp" plug-in appends through its
// GetDayHelp export. The check box decides whether the program shows the
// dialog at start-up; only the close button stores it.
//
// The dialog is laid out in dialog units of its font; Qt scales it for the
// screen, so no re-scaling for the screen's DPI takes place here.
#pragma once

#include "app/DayHelp.h"
#include "app/PictureEx.h"
#include "platform/ui/Dialog.h"

#include <functional>

class CAboutboxHelpPrompt : public CDialog {
    DECLARE_DYNAMIC(CAboutboxHelpPrompt)
public:
    static constexpr UINT IDD = 953;
    static constexpr UINT IDC_TIP_TEXT = 6073;
    static constexpr UINT IDC_SHOW_AT_STARTUP = 955;
    static constexpr UINT IDC_PICTURE = 6064;
    static constexpr UINT IDC_CLOSE = 958;
    static constexpr UINT IDC_NEXT = 959;
    static constexpr UINT IDC_PREVIOUS = 960;
    static constexpr UINT IDC_TITLE_PICTURE = 6067;
    static constexpr UINT IDC_PANEL_FRAME = 6068;
    static constexpr UINT IDB_TITLE = 961;
    static constexpr UINT_PTR kTimerSlide = 93;
    static constexpr UINT kSlideMs = 10;
    static constexpr int kBuiltInTipCount = 71;

    explicit CAboutboxHelpPrompt(CWnd* pParent = nullptr);
    ~CAboutboxHelpPrompt() override;

    // The first tip's index for a table of size tips; the default draws a
    // uniform index from a generator seeded with the time.
    using IndexGenerator = std::function<int(int size)>;
    static void SetIndexGenerator(IndexGenerator generator);
    // The program's own tip table, in order.
    static const tagDAYHELP* BuiltInTips();

    // Where the plug-in module is looked up (default: the program's folder
    // followed by "Flarecut.mlp").
    void SetPlugInPath(const CString& path) { m_strPlugInPath = path; }

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnClose958();
    void OnNext();
    void OnPrevious();
    void OnPictureClicked();
    void OnTimer(UINT_PTR nIDEvent);
    // The hand over the picture while it does not play; the tip text keeps
    // the cursor it has.
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);

    int GetTipIndex() const { return m_nIndex; }
    const DayHelpTable& GetTips() const { return m_tips; }
    BOOL HasPicture() const { return m_bHasPicture; }
    BOOL IsPanelOpen() const { return m_bPanelOpen; }
    int GetFullWidth() const { return m_nFullWidth; }
    int GetCollapsedWidth() const { return m_nCollapsedWidth; }
    int GetWindowWidth() const;
    CPictureEx& GetPicture() { return m_picture; }

protected:
    DECLARE_MESSAGE_MAP()

private:
    void LoadTips();
    void ShowTip();
    void SetWindowWidth(int width);

    CString m_strPlugInPath;
    int m_bShowAtStartup = 1;
    CPictureEx m_picture;
    int m_nIndex = 0;
    BOOL m_bHasPicture = FALSE;
    BOOL m_bPanelOpen = FALSE;
    int m_nFullWidth = 0;
    int m_nCollapsedWidth = 0;
    void* m_hPlugIn = nullptr;
    int m_nPlugInStart = 0;
    GetDayHelpFn m_pfnGetDayHelp = nullptr;
    DayHelpTable m_tips;
};
