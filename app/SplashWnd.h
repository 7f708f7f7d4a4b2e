// The splash window shown while the program starts: a picture and one line of
// status text that the main frame changes step by step. A frameless modeless
// dialog; the application closes it shortly after the main window shows.
//
// Qt lays dialogs out for the screen's DPI itself, so the window needs no
// re-scaling of its template at creation.
#pragma once

#include "platform/core/WinString.h"
#include "platform/ui/Dialog.h"

class CDlgSplash : public CDialog {
    DECLARE_DYNAMIC(CDlgSplash)
public:
    explicit CDlgSplash(CWnd* pParent = nullptr);
    ~CDlgSplash() override;

    // Creates the modeless window over pParent, centres and shows it at once.
    void ShowSplash(CWnd* pParent);
    // These do nothing while the window does not exist.
    void SetStatusText(LPCTSTR text);
    void HideSplash();
    void StartCloseTimer();

    const CString& GetStatusText() const { return m_strStatus; }
    BOOL HasWindow() const { return GetSafeHwnd() != nullptr ? TRUE : FALSE; }

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnTimer(UINT_PTR nIDEvent);

protected:
    // The splash is not deleted with its window: the frame owns the object.
    void PostNcDestroy() override;

    DECLARE_MESSAGE_MAP()

private:
    CString m_strStatus;
};
