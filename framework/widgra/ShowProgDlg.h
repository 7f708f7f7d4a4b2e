// The progress dialog a long operation keeps open while it runs. Headless here: it
// holds its title and counts the dialogs open, so that callers can be checked for
// opening and closing it; the program shows progress through CQProgress's observer.
#pragma once

#include "platform/core/WinString.h"

class CShowProgDlg {
public:
    // Opens the dialog with the title; `cancelButton` non-zero offers a cancel.
    CShowProgDlg(const CString& title, int cancelButton);
    // Closes it.
    ~CShowProgDlg();
    CShowProgDlg(const CShowProgDlg&) = delete;
    CShowProgDlg& operator=(const CShowProgDlg&) = delete;

    const CString& GetTitle() const { return m_title; }
    int HasCancel() const { return m_nCancel; }

    // Dialogs open now, and the title of the one opened last (empty before any).
    static int OpenCount();
    static CString LastTitle();

private:
    CString m_title;
    int m_nCancel;
};
