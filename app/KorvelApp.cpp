#include "app/KorvelApp.h"

#include "app/AboutDlg.h"
#include "app/AboutboxHelpPrompt.h"

#include "app/DocumentFile.h"
#include "app/KorvelDoc.h"
#include "app/KorvelIds.h"
#include "app/KorvelResources.h"
#include "app/KorvelView.h"
#include "app/MainFrame.h"
#include "app/SplashWnd.h"
#include "app/StartupLog.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Dib.h"
#include "framework/looker/Looker.h"
#include "framework/looker/MemoryStatus.h"
#include "framework/looker/QVGlobal.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/Relayon.h"
#include "platform/core/Exception.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/DocTemplate.h"
#include "platform/ui/ImageFile.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Resources.h"

#include <vector>

IMPLEMENT_DYNAMIC(CKorvelApp, CPlugInApp)

BEGIN_MESSAGE_MAP(CKorvelApp, CPlugInApp)
    ON_COMMAND(ID_FILE_NEW, &CWinApp::OnFileNew)
    ON_COMMAND(ID_APP_EXIT, &CWinApp::OnAppExit)
    ON_COMMAND(ID_APP_ABOUT, &CKorvelApp::OnAppAbout)
    ON_COMMAND(ID_FILE_PRINT_SETUP, &CWinApp::OnFilePrintSetup)
END_MESSAGE_MAP()

void CKorvelApp::OnAppAbout()
{
    CAboutDlg dialog;
    dialog.DoModal();
}

CKorvelApp::CKorvelApp() : CPlugInApp(L"Korvel") {}

CKorvelApp::~CKorvelApp()
{
    if (gGetLooker() == m_pLooker.get()) gSetLooker(nullptr);
    looker::SetResourceMessageHook(nullptr);
    if (m_pHub != nullptr) {
        if (gGetRelayon() == m_pHub) gSetRelayon(nullptr);
        delete m_pHub;
    }
}

BOOL CKorvelApp::PreTranslateMessage(MSG* pMsg) { return CWinThread::PreTranslateMessage(pMsg); }

BOOL CKorvelApp::ProcessStartCommand(CCommandLineInfo& cmdInfo)
{
    if (cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen) {
        std::vector<unsigned char> bytes;
        const bool readable = korvel::ReadWholeFile(cmdInfo.m_strFileName, bytes) != FALSE;
        if (!readable || !CKorvelDoc::CheckDocumentBytes(bytes)) {
            korvel::LogStep("app: unreadable document on the command line");
            AfxMessageBox(AFX_IDP_FAILED_TO_OPEN_DOC, MB_ICONEXCLAMATION);
            cmdInfo.m_nShellCommand = CCommandLineInfo::FileNew;
            cmdInfo.m_strFileName.Empty();
        }
    }
    return ProcessShellCommand(cmdInfo);
}

BOOL CKorvelApp::InitInstance()
{
    korvel::ClearStepLog();
    korvel::RegisterKorvelResources();

    CQVGlobal* global = gGetQVGlobal();
    if (global == nullptr) {
        global = gNewQVGlobal();
        global->LoadProfile();
    }
    korvel::LogStep("app: settings");
    // Pictures read through the toolkit's image readers; the entity payload
    // travels on the clipboard under the program's own MIME type.
    CDib::SetReader([](const CString& path, int& width, int& height, std::vector<BYTE>& bgra) {
        return AfxReadImageFile(path, width, height, bgra, CDib::kMaxSide) != FALSE;
    });
    AfxMapClipboardFormat(global->GetClipboardFormat(), CQVAppSettings::GetClipboardMimeType());
    // Messages of the libraries: a string resource of the program formatted with one value.
    looker::SetResourceMessageHook([](UINT id, double value) {
        CString text;
        text.Format(AfxLoadString(id), value);
        AfxMessageBox(text, MB_OK);
    });
    // The view state of the drawing view, published with the settings.
    if (gGetLooker() == nullptr) {
        m_pLooker = std::make_unique<CLooker>();
        gSetLooker(m_pLooker.get());
    }

    m_pHub = new CRelayon;
    gSetRelayon(m_pHub);
    korvel::LogStep("app: command hub");

    SetRegistryKey(L"Morlan Dalvex");
    LoadStdProfileSettings(4);
    SetRegistryBase(gGetAppVerName() + L" CHS Settings");
    korvel::LogStep("app: registry profile");

    ReplaceDocManager();
    auto* docTemplate = new CSingleDocTemplate(korvel::IDR_MAINFRAME, RUNTIME_CLASS(CKorvelDoc),
                                               RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CKorvelView));
    // The template's strings are the program's document string.
    docTemplate->SetDocStrings(AfxLoadString(korvel::IDS_DOCSTRING));
    AddDocTemplate(docTemplate);
    korvel::LogStep("app: document template");

    EnableShellOpen();
    RegisterShellFileTypes(TRUE);
    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    Init();
    korvel::LogStep("app: plug-in framework");

    korvel::LogStep("app: shell command");
    if (!ProcessStartCommand(cmdInfo)) {
        korvel::LogStep("app: start failed");
        return FALSE;
    }
    UpdateMenus();
    UpdateAccelerators();

    if (m_pMainWnd != nullptr) {
        m_pMainWnd->ShowWindow(SW_SHOWMAXIMIZED);
        m_pMainWnd->UpdateWindow();
        m_pMainWnd->DragAcceptFiles(TRUE);
    }
    if (auto* frame = dynamic_cast<CMainFrame*>(gGetMainFrame())) {
        if (CDlgSplash* splash = frame->GetSplash(); splash != nullptr && splash->HasWindow()) {
            splash->StartCloseTimer();
            korvel::LogStep("app: splash close timer");
        }
        if (!frame->IsFirstSizeDone()) frame->TrimViewToolBar();
        CDesignCentral& pane = frame->GetDesignCentral();
        if (pane.GetSafeHwnd() != nullptr) {
            pane.InitDCenter();
            frame->ShowPane(&pane, TRUE, FALSE, TRUE);
            gSetPaneDCenter(&pane);
            korvel::LogStep("app: design centre");
        }
        frame->SetFocus();
    }
    if (CQVGlobal* global = gGetQVGlobal(); global != nullptr && global->m_bShowTips) {
        korvel::LogStep("app: tip of the day");
        CAboutboxHelpPrompt tips(m_pMainWnd);
        tips.DoModal();
    }
    korvel::LogStep("app: started");
    return TRUE;
}

int CKorvelApp::ExitInstance()
{
    korvel::LogStep("app: exit");
    if (CQVGlobal* global = gGetQVGlobal()) global->SaveProfile();
    return CPlugInApp::ExitInstance();
}
