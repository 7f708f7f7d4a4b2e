// The program's single top-level window: the layer bar (drawing view above the
// layer tab strip) as its client area, the tool bars, rulers, status bars and
// the design-centre pane around it, the splash window of start-up, the
// autosave and view-animation timers and the command configuration file.
#pragma once

#include "app/LayerBarWnd.h"
#include "framework/extendra/PIDoc.h"
#include "framework/looker/Camera.h"
#include "framework/panora/DesignCentral.h"
#include "framework/widgra/ui/StatusBars.h"
#include "platform/ui/MFCMenuBar.h"
#include "platform/ui/MFCToolBar.h"

#include <array>
#include <map>
#include <memory>
#include <vector>

class CCmdUI;
class QAction;
class CDlgSplash;
class CRelayon;

class CMainFrame : public CPISMainFrame {
    DECLARE_DYNCREATE(CMainFrame)
public:
    // Dockable tool bars in creation order.
    static constexpr std::array<UINT, 10> kBarIDs = {237, 602, 606, 603, 604, 605, 427, 607, 608, 393};
    // Step fraction of the animated 3D view change (12 steps).
    static constexpr double kAnimFraction = 1.0 / 12.0;

    CMainFrame();
    ~CMainFrame() override;

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;

    CDlgSplash* GetSplash() const { return m_pSplash.get(); }
    CQvLayerBarWnd& GetLayerBar() { return m_wndLayerBar; }
    CDesignCentral& GetDesignCentral() { return m_wndDCenter; }
    CQVStatusBar& GetStatusBar() { return m_wndStatusBar; }
    CTabToolBar& GetTabToolBar() { return m_wndTabToolBar; }
    CMFCToolBar* GetToolBar(UINT id);
    CQVHorRulerBar& GetHorzRuler() { return m_wndHorzRuler; }
    CQVVertRulerBar& GetVertRuler() { return m_wndVertRuler; }
    BOOL IsFirstSizeDone() const { return m_bFirstSize; }
    int GetTrimCount() const { return m_nTrimCount; }

    // Removes the buttons at positions 9, 8 and 7 of the view tool bar; only
    // the first call does anything.
    void TrimViewToolBar();
    // The file the command settings persist in.
    static CString CommandConfigPath();
    // Reads "Command-chs.cfg": the layer bar's two values, then the hub's
    // stream (first pass: its head only). A missing, empty or unreadable file
    // is skipped.
    void ReadCommandConfig(CRelayon* hub, BOOL bSecondPass);
    // Writes it (through a temporary file).
    BOOL WriteCommandConfig(CRelayon* hub);

    // Message and command handlers.
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnSize(UINT nType, int cx, int cy);
    void OnClose();
    void OnDestroy();
    void OnTimer(UINT_PTR nIDEvent);
    // Period of the autosave timer in milliseconds: the minutes capped so that
    // the period fits the timer (at least one minute).
    static UINT AutoSavePeriod(int minutes);
    void OnDropFiles(HDROP hDropInfo);
    LRESULT OnColorChosen(WPARAM wParam, LPARAM lParam);
    LRESULT OnHideRulers(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowRulers(WPARAM wParam, LPARAM lParam);
    LRESULT OnReloadLayers(WPARAM wParam, LPARAM lParam);
    // The layer items: cancel the running command, then run the layer command
    // with the item's mode.
    void RunLayerCommand(int mode);
    void OnLayerManage();
    void OnUpdateLayerManage(CCmdUI* pCmdUI);
    // Also switches the layer strip's buttons on while no application command runs.
    void OnViewPaths();
    void SyncPathsVisible();
    void OnUpdateViewPaths(CCmdUI* pCmdUI);
    void OnLayerShowAll();
    void OnLayerShowOne();
    void OnLayerHideOfObject();
    void OnLayerMoveToPicked();
    void OnLayerMoveToCurrent();
    void OnLayerCurrentOfObject();
    void OnViewDCenter();
    void OnUpdateViewDCenter(CCmdUI* pCmdUI);
    void OnViewGrid();
    void OnUpdateViewGrid(CCmdUI* pCmdUI);
    void OnViewRulers();
    void OnUpdateViewRulers(CCmdUI* pCmdUI);
    void OnViewSnapBar();
    void OnUpdateViewSnapBar(CCmdUI* pCmdUI);

    // Tool bars, snap and unit switches, context menus (MainFrameBars.cpp).
    CQVStatusBarSnap& GetSnapBar() { return m_wndSnapBar; }
    // 0 while the tab tool bar's set shows (mode 16), 1 for the classic bars (mode 17).
    int GetUIModeFlag() const { return m_nUIMode; }
    const std::vector<CString>& GetBarNames() const { return m_barNames; }
    // The one action of a tool-bar command (made at first use; every bar shares it).
    QAction* GetToolAction(UINT id);
    void OnSnap(UINT id);
    void OnUpdateSnap(CCmdUI* pCmdUI);
    void OnUnit(UINT id);
    void OnUIModeClassic();
    void OnUIModeTab();
    void OnToggleViewBar();
    void OnToggleBar(UINT id);
    // The right-click menu of the bar areas: point in screen coordinates in lParam.
    LRESULT OnToolBarMenu(WPARAM wParam, LPARAM lParam);
    // The titled bars of a UI mode in record order, the tab tool bar left out.
    struct TitledBar {
        CString title;
        CBasePane* bar;
    };
    static std::vector<TitledBar> BarsOfMode(int mode);
    // Shows or hides a bar of the current mode by its title; the tab tool bar's
    // drag bar hides first. FALSE when no bar of the mode has the title.
    BOOL ShowBarByTitle(const CString& title, BOOL show);
    // Switches the tool-bar manager to mode 16 or 17 and keeps the mode flag.
    void SwitchUIMode(int mode);
    // Print preview: entering hides the tool bars that preview has no use for
    // (all but the alignment bar); leaving shows the current UI mode's set as
    // it was before.
    void OnSetPreviewMode(BOOL bPreview);
    void OnSetPreviewMode(BOOL bPreview, CPrintPreviewState* pState) override { (void)pState; OnSetPreviewMode(bPreview); }
    // The tool-bar settings dialog; only while no command runs.
    void OnToolBarSettings();
    void OnUpdateToolBarSettings(CCmdUI* pCmdUI);

    // Animated change of the 3D view direction.
    int m_nAnimStep = 0;
    GCamera m_camStart;
    GCamera m_camEnd;

protected:
    BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;

    DECLARE_MESSAGE_MAP()

private:
    int CreateToolBars();
    void ShowRulerMenu(POINT point);
    void ShowToolBarMenu(POINT point);
    BOOL CreateRulers();
    BOOL CreateDesignCentral();
    void FirstSizeSetUp();
    void SplashText(UINT id);

    BOOL m_bPathsVisible = TRUE;
    CQvLayerBarWnd m_wndLayerBar;
    CQVHorRulerBar m_wndHorzRuler{1};
    CQVVertRulerBar m_wndVertRuler{1};
    CQVStatusBar m_wndStatusBar;
    CQVStatusBarSnap m_wndSnapBar;
    CDesignCentral m_wndDCenter{nullptr};
    int m_nUIMode = 0;
    int m_nTabFlag = 1;
    std::vector<CString> m_barNames;
    CMFCMenuBar m_wndMenuBar;
    CTabToolBar m_wndTabToolBar;
    std::array<CMFCToolBar, 10> m_wndToolBars;
    CMFCToolBar m_wndImageBar;
    std::unique_ptr<CDlgSplash> m_pSplash;
    BOOL m_bFirstSize = FALSE;
    int m_nTrimCount = 0;
    std::map<UINT, QAction*> m_toolActions;
};
