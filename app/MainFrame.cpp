#include "app/MainFrame.h"

#include <algorithm>
#include <vector>

#include "app/DocumentFile.h"
#include "app/HtmlHelp.h"
#include "app/KorvelDoc.h"
#include "app/ImportCmd.h"
#include "app/KorvelIds.h"
#include "app/KorvelView.h"
#include "app/LayerTab.h"
#include "app/SplashWnd.h"
#include "app/StartupLog.h"
#include "framework/extendra/PlugInApp.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/WorkArea.h"
#include "framework/actorum/MainCmds.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "framework/relayon/Selector.h"
#include "framework/widgra/ThreadProg.h"
#include "framework/widgra/ui/UIToolBarMgr.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"
#include "platform/ui/CmdUI.h"
#include "platform/ui/CreateContext.h"
#include "platform/ui/Resources.h"

#include <QWidget>

IMPLEMENT_DYNCREATE(CMainFrame, CPISMainFrame)

BEGIN_MESSAGE_MAP(CMainFrame, CPISMainFrame)
    ON_WM_DROPFILES()
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_COMMAND(korvel::ID_VIEW_DCENTER, &CMainFrame::OnViewDCenter)
    ON_UPDATE_COMMAND_UI(korvel::ID_VIEW_DCENTER, &CMainFrame::OnUpdateViewDCenter)
    ON_COMMAND(korvel::ID_VIEW_GRID, &CMainFrame::OnViewGrid)
    ON_UPDATE_COMMAND_UI(korvel::ID_VIEW_GRID, &CMainFrame::OnUpdateViewGrid)
    ON_COMMAND(korvel::ID_VIEW_RULERS, &CMainFrame::OnViewRulers)
    ON_UPDATE_COMMAND_UI(korvel::ID_VIEW_RULERS, &CMainFrame::OnUpdateViewRulers)
    ON_COMMAND(korvel::ID_VIEW_SNAPBAR, &CMainFrame::OnViewSnapBar)
    ON_UPDATE_COMMAND_UI(korvel::ID_VIEW_SNAPBAR, &CMainFrame::OnUpdateViewSnapBar)
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_WM_CLOSE()
    ON_MESSAGE(korvel::WM_KV_COLOR_CHOSEN, &CMainFrame::OnColorChosen)
    ON_MESSAGE(korvel::WM_KV_HIDE_RULERS, &CMainFrame::OnHideRulers)
    ON_MESSAGE(korvel::WM_KV_SHOW_RULERS, &CMainFrame::OnShowRulers)
    ON_MESSAGE(korvel::WM_KV_RELOAD_LAYERS, &CMainFrame::OnReloadLayers)
    ON_COMMAND(korvel::ID_LAYER_MANAGE, &CMainFrame::OnLayerManage)
    ON_UPDATE_COMMAND_UI(korvel::ID_LAYER_MANAGE, &CMainFrame::OnUpdateLayerManage)
    ON_COMMAND(korvel::ID_VIEW_PATHS, &CMainFrame::OnViewPaths)
    ON_UPDATE_COMMAND_UI(korvel::ID_VIEW_PATHS, &CMainFrame::OnUpdateViewPaths)
    ON_COMMAND(korvel::ID_LAYER_SHOW_ALL, &CMainFrame::OnLayerShowAll)
    ON_COMMAND(korvel::ID_LAYER_SHOW_ONE, &CMainFrame::OnLayerShowOne)
    ON_COMMAND(korvel::ID_LAYER_HIDE_OF_OBJECT, &CMainFrame::OnLayerHideOfObject)
    ON_COMMAND(korvel::ID_LAYER_MOVE_TO_PICKED, &CMainFrame::OnLayerMoveToPicked)
    ON_COMMAND(korvel::ID_LAYER_MOVE_TO_CURRENT, &CMainFrame::OnLayerMoveToCurrent)
    ON_COMMAND(korvel::ID_LAYER_CURRENT_OF_OBJECT, &CMainFrame::OnLayerCurrentOfObject)
    ON_COMMAND_RANGE(korvel::ID_SNAP_FIRST, korvel::ID_SNAP_ALL, &CMainFrame::OnSnap)
    ON_UPDATE_COMMAND_UI_RANGE(korvel::ID_SNAP_FIRST, korvel::ID_SNAP_EXTRA, &CMainFrame::OnUpdateSnap)
    ON_COMMAND_RANGE(korvel::ID_UNIT_FIRST, korvel::ID_UNIT_LAST, &CMainFrame::OnUnit)
    ON_COMMAND(korvel::ID_UI_CLASSIC, &CMainFrame::OnUIModeClassic)
    ON_COMMAND(korvel::ID_UI_TAB, &CMainFrame::OnUIModeTab)
    ON_COMMAND(korvel::IDR_VIEWBAR_TAB, &CMainFrame::OnToggleViewBar)
    ON_COMMAND_RANGE(korvel::ID_BAR_TOGGLE_FIRST, korvel::ID_BAR_TOGGLE_LAST, &CMainFrame::OnToggleBar)
    ON_MESSAGE(AFX_WM_TOOLBARMENU, &CMainFrame::OnToolBarMenu)
    ON_COMMAND(AFX_IDW_TOOLBAR, &CMainFrame::OnToolBarSettings)
    ON_UPDATE_COMMAND_UI(AFX_IDW_TOOLBAR, &CMainFrame::OnUpdateToolBarSettings)
END_MESSAGE_MAP()

namespace {

// Buttons of the tool bars (0 is a separator).
struct BarSpec {
    UINT id;
    UINT image;
    int uiMode;
    int fifth;
    int sixth;
    int mainCmd;
    UINT title;
    DWORD dockSides;
    std::vector<UINT> buttons;
};

const std::vector<BarSpec>& BarSpecs()
{
    static const std::vector<BarSpec> specs = {
        {237, 441, 16, 1, 0, -1, 30018, 0x5000, {32806, 32809, 32808, 32807, 32810, 32812, 0, 32805, 33128, 32813, 0, 33045}},
        {602, 596, 17, 1, 0, 18, 30019, 0x4000, {32853, 32855, 32854, 0, 32988, 32987, 32989, 32986, 33045}},
        {606, 594, 17, 1, 1, 18, 30021, 0xF000, {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 32848}},
        {603, 600, 17, 1, 1, 18, 30020, 0xF000, {32806, 32809, 32808, 32807, 32810, 32812, 32805, 33128, 32813}},
        {604, 601, 17, 1, 0, 32853, 30022, 0x1000, {32776, 32774, 32777, 32782, 32783, 32775, 32786, 32778, 32779, 32903}},
        {605, 598, 17, 1, 0, 18, 30023, 0xF000, {32784, 32793, 32914}},
        {427, 434, 17, 1, 0, 32854, 30024, 0x1000,
         {32870, 32871, 32872, 32873, 32916, 32878, 32879, 32934, 32936, 32937, 32938, 32939, 33062, 32975, 32990}},
        {607, 609, 17, 0, 0, 32853, 30025, 0xF000, {32818, 32852, 32834, 32897, 32917}},
        {608, 611, 17, 0, 0, 32853, 30026, 0xF000, {32795, 32933, 32801, 32796}},
        {393, 440, 17, 0, 0, 32853, 30027, 0xF000, {32820, 32821, 32822, 32823, 32824, 32825, 32826, 32827, 32828, 32829, 32830, 32831}},
    };
    return specs;
}

}  // namespace

CMainFrame::CMainFrame()
{
    m_pSplash = std::make_unique<CDlgSplash>();
    gSetMainFrame(this);
}

CMainFrame::~CMainFrame()
{
    CUIToolBarMgr::Uninstance();
    if (m_pSplash != nullptr && m_pSplash->GetSafeHwnd() != nullptr) m_pSplash->DestroyWindow();
    m_pSplash.reset();
    if (gGetMainFrame() == this) gSetMainFrame(nullptr);
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
    return CPISMainFrame::PreCreateWindow(cs);
}

BOOL CMainFrame::PreTranslateMessage(MSG* pMsg) { return CFrameWndEx::PreTranslateMessage(pMsg); }

CMFCToolBar* CMainFrame::GetToolBar(UINT id)
{
    for (size_t i = 0; i < kBarIDs.size(); ++i)
        if (kBarIDs[i] == id) return &m_wndToolBars[i];
    return nullptr;
}

void CMainFrame::SplashText(UINT id)
{
    if (m_pSplash != nullptr) m_pSplash->SetStatusText(AfxLoadString(id));
}

BOOL CMainFrame::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext)
{
    m_wndLayerBar.CreatePanes(this, pContext);
    if (CView* view = m_wndLayerBar.GetView()) SetActiveView(view, TRUE);
    return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    korvel::LogStep("frame: create");
    if (CPISMainFrame::OnCreate(lpCreateStruct) == -1) return -1;
    CRelayon* hub = gGetRelayon();
    CQVGlobal* global = gGetQVGlobal();
    if (hub == nullptr || global == nullptr) return -1;
    CUIToolBarMgr* manager = CUIToolBarMgr::Instance();
    if (manager == nullptr) return -1;
    manager->SetMainCmdQuery(&hubGetMainCmdID);

    m_pSplash->ShowSplash(this);
    SplashText(korvel::IDS_SPLASH_START);
    SplashText(korvel::IDS_SPLASH_FRAME);
    m_strTitle = L"Korvel V11切割套料软件";
    ReadCommandConfig(hub, FALSE);

    if (!m_wndStatusBar.Init(this)) return -1;
    manager->m_pStatusBar = &m_wndStatusBar;
    if (!m_wndSnapBar.Init(this)) return -1;
    ShowPane(&m_wndSnapBar, FALSE, FALSE, TRUE);

    if (CreateToolBars() == -1) return -1;
    m_wndTabToolBar.DockDragToolBar(this);
    if (m_nUIMode != 0) m_wndTabToolBar.ShowPane(FALSE, FALSE, FALSE);

    if (!CreateDesignCentral()) {
        // The frame works without the pane; what needs it is left out.
        korvel::LogStep("frame: no design centre");
        return 0;
    }
    m_wndDCenter.EnableDocking(0);
    EnableDocking(CBRS_ALIGN_ANY);
    DockPane(&m_wndTabToolBar);
    DockPane(GetToolBar(606));
    DockPane(GetToolBar(605));
    DockPane(GetToolBar(603));
    DockPaneLeftOf(GetToolBar(606), GetToolBar(605));
    DockPaneLeftOf(GetToolBar(605), GetToolBar(603));
    for (UINT id : {602u, 607u, 608u, 604u, 427u, 393u, 237u}) DockPane(GetToolBar(id));

    if (!CreateRulers()) return -1;

    SplashText(korvel::IDS_SPLASH_PLUGINS);
    korvel::LogStep("frame: load plug-ins");
    if (CPlugInApp* app = GetPlugInApp()) app->LoadPlugInDLLs();
    CreatePlugToolBar();

    // Apply the strip visibility read from the file: flip, then toggle back.
    m_wndLayerBar.SetTabHidden(m_wndLayerBar.IsTabVisible() ? 1 : 0);
    m_wndLayerBar.ToggleTab();

    hub->m_pStatusCtrl = m_wndStatusBar.GetChildCtrl();
    if (CWnd* ctrl = m_wndStatusBar.GetChildCtrl(); ctrl != nullptr && ctrl->GetSafeHwnd() != nullptr) {
        ctrl->EnableWindow(FALSE);
        ctrl->ShowWindow(SW_HIDE);
    }

    global->m_nFrameReady = 1;
    if (global->m_bAutoSave && global->m_nAutoSaveMinutes > 0)
        SetTimer(korvel::kTimerAutoSave, AutoSavePeriod(global->m_nAutoSaveMinutes));
    DockPlugToolBar();
    m_wndTabToolBar.OnChangeTabEx(m_wndTabToolBar.GetCurTab());
    m_wndTabToolBar.SetWindowText(AfxLoadString(korvel::IDS_TAB_TOOLBAR));
    ReadCommandConfig(hub, TRUE);

    gStartThreadProg();
    m_wndStatusBar.SetGridPushed(CWorkArea::Instance()->m_bGridOn);
    korvel::LogStep("frame: created");
    return 0;
}

int CMainFrame::CreateToolBars()
{
    CUIToolBarMgr* manager = CUIToolBarMgr::Instance();
    m_nUIMode = manager->IsCurrentUI(CUIToolBarMgr::kModeTab) ? 0 : 1;
    m_nTabFlag = manager->IsCurrentUI(32) ? 0 : 1;
    if (!m_wndTabToolBar.Create(this, korvel::IDR_TABTOOLBAR, m_nTabFlag)) return -1;
    // Each tab: its title, its main command and the bars whose buttons it shows.
    struct TabSpec {
        UINT text;
        int mainCmd;
        std::vector<UINT> bars;
    };
    const TabSpec tabs[] = {{30345, 32853, {606}},      {30346, 32853, {604, 605}}, {30347, 32853, {607}},
                            {30348, 32853, {608}},      {30349, 32853, {393}},      {30350, 32854, {427}}};
    int itemOf30346 = -1, itemOf30350 = -1;
    for (const TabSpec& tab : tabs) {
        std::vector<UINT> buttons;
        for (UINT barId : tab.bars) {
            if (!buttons.empty()) buttons.push_back(0);
            for (const BarSpec& spec : BarSpecs())
                if (spec.id == barId) buttons.insert(buttons.end(), spec.buttons.begin(), spec.buttons.end());
        }
        const int item = m_wndTabToolBar.AddItem(AfxLoadString(tab.text), tab.mainCmd, std::move(buttons));
        if (tab.text == 30346) itemOf30346 = item;
        if (tab.text == 30350) itemOf30350 = item;
    }
    m_wndTabToolBar.SetRunMainCmd(&hubRunMainCmd);
    m_wndTabToolBar.SetActionMaker([this](UINT id) { return GetToolAction(id); });
    m_wndTabToolBar.OnChangeTabEx(1);
    m_wndTabToolBar.EnableDocking(CBRS_ALIGN_TOP);
    manager->AddBar(new UIToolBarRec{korvel::IDR_TABTOOLBAR, 0, &m_wndTabToolBar, 16, 1, 0, 0, -1});

    const std::vector<BarSpec>& specs = BarSpecs();
    for (size_t i = 0; i < specs.size(); ++i) {
        const BarSpec& spec = specs[i];
        CMFCToolBar& bar = m_wndToolBars[i];
        if (!bar.Create(this, WS_CHILD | WS_VISIBLE, spec.id)) return -1;
        bar.SetActionMaker([this](UINT id) { return GetToolAction(id); });
        if (!bar.SetButtons(spec.buttons.data(), static_cast<int>(spec.buttons.size()))) return -1;
        const int tabItem = spec.id == 604 ? itemOf30346 : spec.id == 427 ? itemOf30350 : -1;
        manager->AddBar(new UIToolBarRec{spec.id, spec.image, &bar, spec.uiMode, spec.fifth, spec.sixth, spec.mainCmd, tabItem});
        bar.SetWindowText(AfxLoadString(spec.title));
        bool visible = true;
        switch (spec.id) {
            case 237: visible = m_nUIMode == 0; break;
            case 393: visible = true; break;
            case 427:
            case 607:
            case 608: visible = false; break;
            default: visible = m_nUIMode == 1; break;
        }
        bar.ShowPane(visible ? TRUE : FALSE, FALSE, FALSE);
        // What the bar shows when its mode becomes current again.
        manager->RememberShown(&bar, spec.id != 427 && spec.id != 607 && spec.id != 608);
        bar.EnableDocking(spec.dockSides);
    }
    if (!m_wndImageBar.Create(this, WS_CHILD, AFX_IDW_TOOLBAR)) return -1;
    m_wndImageBar.ShowPane(FALSE, FALSE, FALSE);
    return 1;
}

BOOL CMainFrame::CreateRulers()
{
    CUIToolBarMgr* manager = CUIToolBarMgr::Instance();
    if (!m_wndHorzRuler.Create(this, korvel::ID_HORZ_RULER)) return FALSE;
    m_wndHorzRuler.ShowPane(FALSE, FALSE, FALSE);
    manager->m_pHorRuler = &m_wndHorzRuler;
    if (!m_wndVertRuler.Create(this, korvel::ID_VERT_RULER)) return FALSE;
    m_wndVertRuler.ShowPane(FALSE, FALSE, FALSE);
    manager->m_pVertRuler = &m_wndVertRuler;
    return TRUE;
}

BOOL CMainFrame::CreateDesignCentral()
{
    constexpr DWORD kPaneStyle = 0x46084140;
    if (!m_wndDCenter.Create(AfxLoadString(korvel::IDS_PANE_DCENTER), this, RECT{0, 0, 180, 270}, TRUE,
                             korvel::ID_VIEW_DCENTER, kPaneStyle, AFX_CBRS_REGULAR_TABS, AFX_CBRS_FLOAT | AFX_CBRS_CLOSE))
        return FALSE;
    // The pane sits in the dock area its style names (the right edge).
    if (QWidget* paneWidget = m_wndDCenter.GetWidget()) paneWidget->setMinimumWidth(180);
    return TRUE;
}

void CMainFrame::TrimViewToolBar()
{
    if (m_nTrimCount > 0) return;
    ++m_nTrimCount;
    if (CMFCToolBar* bar = GetToolBar(korvel::IDR_VIEWBAR)) {
        for (int position : {9, 8, 7}) bar->RemoveButton(position);
        bar->AdjustLayout();
    }
}

void CMainFrame::FirstSizeSetUp()
{
    m_bFirstSize = TRUE;
    TrimViewToolBar();
    if (CPlugInApp* app = GetPlugInApp()) {
        app->UpdateMenus();
        app->UpdateAccelerators();
    }
    constexpr DWORD kMenuBarStyle = 0x50402808;
    if (!m_wndMenuBar.Create(this, kMenuBarStyle, AFX_IDW_MENUBAR)) return;
    m_wndMenuBar.SetPaneStyle(m_wndMenuBar.GetPaneStyle() & ~static_cast<DWORD>(0x400021));
    AddPane(&m_wndMenuBar, FALSE);
    CUIToolBarMgr::Instance()->m_pMenuBar = &m_wndMenuBar;
    if (CRelayon* hub = gGetRelayon()) hub->SetCmdName(this);
}

void CMainFrame::OnSize(UINT nType, int cx, int cy)
{
    if (GetActiveView() != nullptr && !m_bFirstSize) FirstSizeSetUp();
    CPISMainFrame::OnSize(nType, cx, cy);
}

void CMainFrame::OnClose()
{
    korvel::LogStep("frame: close");
    const CQVGlobal* global = gGetQVGlobal();
    if (global != nullptr && global->m_bShowRulers) {
        for (CBasePane* ruler : {static_cast<CBasePane*>(&m_wndHorzRuler), static_cast<CBasePane*>(&m_wndVertRuler)})
            if (ruler->GetSafeHwnd() != nullptr && !ruler->IsWindowVisible()) ShowPane(ruler, TRUE, FALSE, TRUE);
    }
    CPISMainFrame::OnClose();
}

void CMainFrame::OnDestroy()
{
    korvel::LogStep("frame: destroy");
    gSetPaneDCenter(nullptr);
    HtmlHelp(nullptr, HH_CLOSE_ALL, 0);
    CRelayon* hub = gGetRelayon();
    if (hub != nullptr) hub->CancelCurCmd();
    const CQVGlobal* global = gGetQVGlobal();
    if (global != nullptr && global->m_nFrameReady != 0) WriteCommandConfig(hub);
    qvClearAllManager();
    korvel::LogStep("frame: managers cleared");
    FreeMap();
    gEndThreadProg();
    KillTimer(korvel::kTimerAutoSave);
    KillTimer(korvel::kTimerViewAnimation);
    CPISMainFrame::OnDestroy();
}

CString CMainFrame::CommandConfigPath() { return gGetAppDataDir() + korvel::kCommandConfigFile; }

void CMainFrame::ReadCommandConfig(CRelayon* hub, BOOL bSecondPass)
{
    SplashText(korvel::IDS_SPLASH_CONFIG);
    korvel::LogStep(bSecondPass ? "frame: read Command-chs.cfg (second)" : "frame: read Command-chs.cfg (first)");
    CFile file;
    if (!file.Open(CommandConfigPath(), CFile::modeRead | CFile::shareExclusive)) return;
    if (file.GetLength() == 0) {
        file.Close();
        return;
    }
    try {
        CArchive ar(&file, CArchive::load, 4096);
        m_wndLayerBar.SerializeState(ar);
        if (hub != nullptr) {
            if (bSecondPass) hub->Serialize(ar);
            else hub->Serialize1(ar);
        }
        ar.Close();
    } catch (const CException&) {
        // An unreadable file counts as absent: the layer bar keeps its defaults.
        m_wndLayerBar.SetTabHidden(0);
    }
    file.Close();
}

BOOL CMainFrame::WriteCommandConfig(CRelayon* hub)
{
    korvel::LogStep("frame: write Command-chs.cfg");
    const korvel::WriteResult result =
        korvel::WriteArchiveFile(CommandConfigPath(), nullptr, TRUE, [this, hub](CArchive& ar) {
            m_wndLayerBar.SerializeState(ar);
            if (hub != nullptr) hub->Serialize(ar);
        });
    return result == korvel::WriteResult::kDone ? TRUE : FALSE;
}

UINT CMainFrame::AutoSavePeriod(int minutes)
{
    constexpr UINT kMsPerMinute = 60000u;
    // The timer takes a signed 32-bit period.
    constexpr int kMaxMinutes = static_cast<int>(0x7FFFFFFFu / kMsPerMinute);
    return static_cast<UINT>(std::clamp(minutes, 1, kMaxMinutes)) * kMsPerMinute;
}

void CMainFrame::OnTimer(UINT_PTR nIDEvent)
{
    CQVGlobal* global = gGetQVGlobal();
    auto* view = dynamic_cast<CKorvelView*>(gGetView());
    if (global == nullptr || view == nullptr) return;
    if (nIDEvent == korvel::kTimerAutoSave) {
        if (!global->m_bAutoSave) {
            KillTimer(korvel::kTimerAutoSave);
            return;
        }
        auto* doc = dynamic_cast<CKorvelDoc*>(GetActiveDocument());
        if (doc != nullptr && doc->GetBackupPending() != 0) {
            CRelayon* hub = gGetRelayon();
            if (hub != nullptr) hub->Prompt(AfxLoadString(korvel::IDS_AUTOSAVING));
            doc->BackupSave();
            if (hub != nullptr) hub->Prompt(L"");
        }
    } else if (nIDEvent == korvel::kTimerViewAnimation) {
        CLooker* looker = gGetLooker();
        if (gGetDocument() == nullptr || looker == nullptr) return;
        if (!CLooker::IsView3D()) {
            // The view went back to 2D: the direction change is over, and the
            // armed step must not keep the 2D paints off.
            KillTimer(korvel::kTimerViewAnimation);
            m_nAnimStep = 0;
            looker->SetAnimateView(FALSE);
            view->Invalidate(TRUE);
        } else {
            m_nAnimStep = m_nAnimStep + 1 > 0 ? m_nAnimStep + 1 : 1;
            if (!global->m_bViewAnimation || view->GetFrameRate() < korvel::kMinAnimationFps) {
                KillTimer(korvel::kTimerViewAnimation);
                m_nAnimStep = 12;
            }
            if (m_nAnimStep > 12) {
                KillTimer(korvel::kTimerViewAnimation);
                m_nAnimStep = 0;
                looker->SetAnimateView(FALSE);
                view->Invalidate(FALSE);
                return;
            }
            looker->SetAnimateView(m_nAnimStep != 12);
            COpenGLDC* dc = view->GetOpenGLDC();
            GCamera result;
            dc->LerpView(m_camStart, m_camEnd, static_cast<float>(m_nAnimStep * kAnimFraction), result);
            dc->SetCamera(result);
            view->Invalidate(FALSE);
        }
    } else if (CRelayon* hub = gGetRelayon()) {
        hub->OnTimer(nIDEvent);
    }
    CPISMainFrame::OnTimer(nIDEvent);
}

void CMainFrame::OnDropFiles(HDROP hDropInfo)
{
    SetActiveWindow();
    const UINT count = DragQueryFile(hDropInfo, 0xFFFFFFFF, nullptr, 0);
    CRelayon* hub = gGetRelayon();
    auto* import = hub != nullptr ? dynamic_cast<CImportCmd*>(hub->GetCmd(korvel::ID_FILE_IMPORT)) : nullptr;
    if (import != nullptr) {
        import->m_fileList.RemoveAll();
        // Paths are read whole: a folder path here may be longer than the
        // platform's 260 characters.
        for (UINT i = 0; i < count; ++i) {
            std::vector<wchar_t> path(DragQueryFile(hDropInfo, i, nullptr, 0) + 1, L'\0');
            DragQueryFile(hDropInfo, i, path.data(), static_cast<UINT>(path.size()));
            import->m_fileList.Add(CString(path.data()));
        }
        if (count > 0) hub->RunAppCmdMutil(import, 1);
    }
    DragFinish(hDropInfo);
}

LRESULT CMainFrame::OnColorChosen(WPARAM, LPARAM)
{
    const COLORREF colour = m_wndStatusBar.GetSelectedColor();
    gSetCurColor(colour);
    if (!CDBase::IsLiving()) return 1;
    CDBase* db = CDBase::Instance();
    if (CLayer* layer = db->GetLayerByID(CLayer::GetCurrentLayerID())) layer->SetColor(colour);
    CSelector* selector = gGetSelector();
    if (selector != nullptr && !selector->IsLocked() && selector->GetSize() > 0) {
        auto* action = new CActionColor(1, AfxLoadString(30192));
        for (int i = 0; i < selector->GetSize(); ++i) {
            CDbEntity* entity = selector->GetEntity(i);
            if (entity != nullptr && entity->GetColor() != colour) action->AddColorEnt(entity, colour);
        }
        if (action->GetColorEntCount() > 0) {
            qvInsertActionIntoManager(action, 0);
        } else {
            delete action;
        }
        QMessage message(QMessage::kColor, 0);
        qvSendMessage(&message);
    }
    if (selector != nullptr) selector->ClearAll();
    if (CView* view = gGetView()) view->Invalidate(TRUE);
    return 1;
}

LRESULT CMainFrame::OnHideRulers(WPARAM, LPARAM)
{
    for (CBasePane* ruler : {static_cast<CBasePane*>(&m_wndHorzRuler), static_cast<CBasePane*>(&m_wndVertRuler)})
        if (ruler->GetSafeHwnd() != nullptr && ruler->IsWindowVisible()) ruler->ShowPane(FALSE, FALSE, FALSE);
    return 1;
}

LRESULT CMainFrame::OnShowRulers(WPARAM, LPARAM)
{
    for (CBasePane* ruler : {static_cast<CBasePane*>(&m_wndHorzRuler), static_cast<CBasePane*>(&m_wndVertRuler)})
        if (ruler->GetSafeHwnd() != nullptr && !ruler->IsWindowVisible()) ruler->ShowPane(TRUE, FALSE, FALSE);
    return 1;
}

LRESULT CMainFrame::OnReloadLayers(WPARAM, LPARAM)
{
    if (CQvWndTab* tab = m_wndLayerBar.GetTab()) {
        tab->m_bWidthsDirty = 1;
        if (tab->GetSafeHwnd() != nullptr) tab->Invalidate(TRUE);
    }
    m_wndLayerBar.ReloadLayers();
    m_wndLayerBar.RefreshLayerBar(TRUE);
    return 1;
}

void CMainFrame::RunLayerCommand(int mode)
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr) return;
    hub->CancelCurCmd();
    hub->RunMainCmd(korvel::ID_LAYER_MANAGE, mode);
}

void CMainFrame::OnLayerManage() { RunLayerCommand(0); }
void CMainFrame::OnLayerShowAll() { RunLayerCommand(1); }
void CMainFrame::OnLayerShowOne() { RunLayerCommand(2); }
void CMainFrame::OnLayerHideOfObject() { RunLayerCommand(3); }
void CMainFrame::OnLayerMoveToPicked() { RunLayerCommand(4); }
void CMainFrame::OnLayerMoveToCurrent() { RunLayerCommand(5); }
void CMainFrame::OnLayerCurrentOfObject() { RunLayerCommand(6); }

// A loaded drawing brings its own paths switch: the database's flag is the one
// the drawing shows.
void CMainFrame::SyncPathsVisible()
{
    if (CDBase::IsLiving()) m_bPathsVisible = CDBase::Instance()->GetDbPathVisible();
}

void CMainFrame::OnViewPaths()
{
    SyncPathsVisible();
    CSelector* selector = gGetSelector();
    if (m_bPathsVisible && selector != nullptr && selector->GetSizeOfBType(kDbBasePath) > 0) {
        // Paths shown and some selected: hide just those.
        for (int i = 0; i < selector->GetSize(); ++i)
            if (CDbEntity* e = selector->GetEntity(i); (e->GetBaseType() & kDbBasePath) != 0) e->SetVisible(FALSE);
        qvClearSelSet();
    } else {
        qvClearSelSet();
        m_bPathsVisible = m_bPathsVisible ? FALSE : TRUE;
        if (CDBase::IsLiving()) CDBase::Instance()->SetDbPathVisible(m_bPathsVisible);
    }
    if (CView* view = gGetView()) {
        view->Invalidate(TRUE);
        view->SetFocus();
    }
}

void CMainFrame::OnUpdateViewPaths(CCmdUI* pCmdUI)
{
    CRelayon* hub = gGetRelayon();
    if (hub != nullptr && hub->GetCurMainCmd() != nullptr && hub->GetCurMainCmd()->HostType() == kHostNode) {
        pCmdUI->Enable(FALSE);
        return;
    }
    // The strip's buttons work only while no application command runs.
    m_wndLayerBar.EnableTabButtons(hub == nullptr || hub->CurCmdFlag() == 0 ? 1 : 0);
    if (!CDBase::IsLiving() || !CDBase::Instance()->HasBaseType(kDbBasePath)) {
        pCmdUI->Enable(FALSE);
        return;
    }
    pCmdUI->Enable(TRUE);
    SyncPathsVisible();
    m_wndStatusBar.SetPathsText(AfxLoadString(m_bPathsVisible ? korvel::IDS_PATHS_SHOWN : korvel::IDS_PATHS_HIDDEN));
}

void CMainFrame::OnUpdateLayerManage(CCmdUI* pCmdUI)
{
    if (CRelayon* hub = gGetRelayon()) hub->OnUpdateCmdUI(pCmdUI);
}

void CMainFrame::OnViewDCenter()
{
    if (CSelector* selector = gGetSelector(); selector != nullptr && selector->GetSize() > 0) {
        selector->ClearAll();
        if (CView* view = gGetView()) view->Invalidate(TRUE);
    }
    if (m_wndDCenter.GetSafeHwnd() == nullptr) return;
    ShowPane(&m_wndDCenter, m_wndDCenter.IsVisible() ? FALSE : TRUE, FALSE, TRUE);
    RecalcLayout();
}

void CMainFrame::OnUpdateViewDCenter(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(TRUE);
    pCmdUI->SetCheck(m_wndDCenter.GetSafeHwnd() != nullptr && m_wndDCenter.IsVisible() ? 1 : 0);
}

void CMainFrame::OnViewGrid()
{
    CWorkArea* area = CWorkArea::Instance();
    area->m_bGridOn = area->m_bGridOn ? FALSE : TRUE;
    m_wndStatusBar.SetGridPushed(area->m_bGridOn);
    if (CView* view = gGetView()) {
        view->SetFocus();
        view->Invalidate(TRUE);
    }
}

void CMainFrame::OnUpdateViewGrid(CCmdUI* pCmdUI) { pCmdUI->SetCheck(CWorkArea::Instance()->m_bGridOn ? 1 : 0); }

void CMainFrame::OnViewRulers()
{
    CQVGlobal* global = gGetQVGlobal();
    if (global == nullptr) return;
    global->m_bShowRulers = global->m_bShowRulers ? FALSE : TRUE;
    if (global->m_bShowRulers) OnShowRulers(0, 0);
    else OnHideRulers(0, 0);
}

void CMainFrame::OnUpdateViewRulers(CCmdUI* pCmdUI)
{
    const CQVGlobal* global = gGetQVGlobal();
    pCmdUI->SetCheck(global != nullptr && global->m_bShowRulers ? 1 : 0);
}

void CMainFrame::OnViewSnapBar()
{
    if (m_wndSnapBar.GetSafeHwnd() == nullptr) return;
    ShowPane(&m_wndSnapBar, m_wndSnapBar.IsVisible() ? FALSE : TRUE, FALSE, TRUE);
    RecalcLayout();
    if (CView* view = gGetView()) view->SetFocus();
}

void CMainFrame::OnUpdateViewSnapBar(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(m_wndSnapBar.GetSafeHwnd() != nullptr && m_wndSnapBar.IsVisible() ? 1 : 0);
}
