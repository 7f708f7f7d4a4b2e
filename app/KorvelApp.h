// The program's application object: starts the settings, the command hub and
// the plug-in framework, registers the document template, opens the first
// document and shows the main window; shuts the plug-in framework down at the
// end of the run.
#pragma once

#include "framework/extendra/PlugInApp.h"

#include <memory>

class CLooker;
class CRelayon;

class CKorvelApp : public CPlugInApp {
    DECLARE_DYNAMIC(CKorvelApp)
public:
    CKorvelApp();
    ~CKorvelApp() override;
    // The about box.
    void OnAppAbout();

    BOOL InitInstance() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    int ExitInstance() override;

protected:
    DECLARE_MESSAGE_MAP()

private:
    // Opens the file named on the command line, or a new document when it
    // cannot be read (reported): a damaged file never ends the program.
    BOOL ProcessStartCommand(CCommandLineInfo& cmdInfo);

    std::unique_ptr<CLooker> m_pLooker;  // the published view state
    CRelayon* m_pHub = nullptr;          // published for the whole run; freed with the application
};
