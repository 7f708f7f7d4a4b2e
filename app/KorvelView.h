// The drawing view: the work area of the single-document program. In 2D it
// draws the whole scene into an off-screen bitmap and copies it to the screen
// in one step; in 3D it draws through the OpenGL device context of its base.
// It registers the program's commands with the command hub when created.
#pragma once

#include "app/QvPrintDialog.h"
#include "app/QvScan.h"
#include "framework/relayon/GLView.h"
#include "framework/looker/SnapRecords.h"
#include "platform/core/WinGeometry.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Input.h"

#include <memory>

class CCmdUI;
class CKorvelDoc;
class CLooker;
class CRelayon;
class CScrollBar;

// The second base is the scanning client: the view opens the source manager
// when created, offers every message to it first and hands each scanned
// image to the image-scan command.
class CKorvelView : public CGLView, public CQvScan {
    DECLARE_DYNCREATE(CKorvelView)
public:
    // Frame rate stored for a paint too quick for the clock to measure.
    static constexpr int kMaxFrameRate = 1000;

    CKorvelView();
    ~CKorvelView() override;

    CKorvelDoc* GetDocument() const;

    BOOL PreTranslateMessage(MSG* pMsg) override;
    // The class library's own preparation (the OpenGL base adds nothing for 2D).
    void OnPrepareDC(CDC* pDC, CPrintInfo* pInfo = nullptr) override;
    void OnDraw(CDC* pDC) override;
    // Printing: the print dialog (or, for the preview, none), the page count and
    // one page of the work area's page box per OnPrint.
    BOOL OnPreparePrinting(CPrintInfo* pInfo) override;
    void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo) override;
    void OnPrint(CDC* pDC, CPrintInfo* pInfo) override;
    void OnEndPrintPreview(CDC* pDC, CPrintInfo* pInfo, POINT point, CPreviewView* pView) override;
    void OnFilePrintPreview();
    // The settings sheet (32837): about, guide-line, grid and system pages;
    // enabled while no command runs.
    void OnSystemSet();
    void OnUpdateSystemSet(CCmdUI* pCmdUI);
    // The 3D scene, with the OpenGL device context and a drawing mode.
    void RenderScene(COpenGLDC* pDC, int mode) override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnSize(UINT nType, int cx, int cy);
    // 2D/3D switch and the fill toggle of the selection.
    void OnView3D();
    void OnFillDisplay();

    // Mouse, wheel, keys and the scroll bar: converted to world positions and
    // handed to the command hub, with the view's own wheel and page-key zoom.
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnMButtonDown(UINT nFlags, CPoint point);
    void OnMButtonUp(UINT nFlags, CPoint point);
    void OnMButtonDblClk(UINT nFlags, CPoint point);
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnRButtonDown(UINT nFlags, CPoint point);
    void OnRButtonUp(UINT nFlags, CPoint point);
    void OnRButtonDblClk(UINT nFlags, CPoint point);
    BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnEscape();
    void OnNodeEdit();
    LRESULT OnAddGuideLine(WPARAM wParam, LPARAM lParam);
    LRESULT OnUnitChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnZoomStep(WPARAM wParam, LPARAM lParam);
    // Undo and redo (57643, 57644 and the messages WM_USER+12, WM_USER+13): a
    // running command that undoes (flag 0x10) or redoes (0x20) by itself gets
    // message type 6 or 7; otherwise the undo manager steps, redo clearing the
    // selection first.
    void OnEditUndo();
    void OnEditRedo();
    void OnUpdateEditUndo(CCmdUI* pCmdUI);
    void OnUpdateEditRedo(CCmdUI* pCmdUI);
    LRESULT OnUndoMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnRedoMessage(WPARAM wParam, LPARAM lParam);
    // Items that only run their registered command (sub-command 0); the hub
    // decides their state, and an item without a registered command is disabled.
    void OnRunAppCommand(UINT nID);
    void OnUpdateCommandUIByHub(CCmdUI* pCmdUI);
    // Cancels the running command and makes select the main command.
    void EnterSelectMode();

    // Menu commands (ViewMenuCmds.cpp).
    // Items whose registered command runs by pointer with sub-command 0.
    void OnRunByPointer(UINT nID);
    // Items of the command families: the family's command and sub-command,
    // cancelling as the family says, and the family's update rule.
    void OnFamilyCommand(UINT nID);
    void OnUpdateFamily(CCmdUI* pCmdUI);
    void OnUpdateTrimByBoundary(CCmdUI* pCmdUI);
    void OnUpdateLoopFromBoundary(CCmdUI* pCmdUI);
    void OnUpdateCurveMap3d(CCmdUI* pCmdUI);
    // Main commands: select (32853), text (32855) and the node-edit check.
    void OnSelectMode();
    void OnUpdateSelectMode(CCmdUI* pCmdUI);
    void OnTextMode();
    void OnUpdateTextMode(CCmdUI* pCmdUI);
    void OnUpdateNodeEdit(CCmdUI* pCmdUI);
    // Direct actions.
    void OnHubCommand();
    void OnShapeLibrary();
    void OnInsertSign();
    void OnUpdateInsertSign(CCmdUI* pCmdUI);
    void OnDesktopTool(UINT nID);
    void OnAppDataFolder();
    void OnWebPage();
    void OnNestingOperation(UINT nID);
    void OnUpdateFillDisplay(CCmdUI* pCmdUI);
    void OnUpdateHideObjects(CCmdUI* pCmdUI);
    LRESULT OnCommandMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnAddReliefLayerPage(WPARAM wParam, LPARAM lParam);
    LRESULT OnDelReliefLayerPage(WPARAM wParam, LPARAM lParam);
    // Characters of the input method and the keyboard's language for the text tool.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The address of the maker's page opened by 33180.
    static const wchar_t* WebPageAddress();

    // Utility commands (ViewUtilityCmds.cpp).
    // Hide the selected objects (32844), show every hidden one (32845).
    void OnHideObjects();
    void OnShowObjects();
    void OnUpdateShowObjects(CCmdUI* pCmdUI);
    void OnHideShowRange(UINT nID);
    void OnUpdateHideShowRange(CCmdUI* pCmdUI);
    void OnSelectAll();
    void OnInvertSelection();
    void OnUpdateInvertSelection(CCmdUI* pCmdUI);
    // Node-edit operations, sent to the node-edit command as messages.
    void OnNodeEditOperation(UINT nID);
    void OnUpdateNodeEditOperation(CCmdUI* pCmdUI);
    // The three most recent commands run again (98 to 100).
    void OnRecentCommand(UINT nID);
    void OnUpdateRecentCommand(CCmdUI* pCmdUI);
    // Surface display modes 20 (33083) and 21 (33085).
    void OnSurfaceMode(UINT nID);
    void OnSelectByConditions();
    void OnUpdateSelectByConditions(CCmdUI* pCmdUI);
    void OnAttributes();
    void OnUpdateAttributes(CCmdUI* pCmdUI);
    void OnRedraw();
    LRESULT OnSelectionMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnMainCommandMessage(WPARAM wParam, LPARAM lParam);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    // The picture of a command's cursor number (the cross for numbers without one).
    static HCURSOR CommandCursor(int cursor);

    // The view commands 32805 to 32812 and 3D rotation, and the seven view
    // directions of the 3D display.
    void OnViewCommand(UINT nID);
    void OnUpdateViewCommand(CCmdUI* pCmdUI);
    void OnUpdateView3DRotate(CCmdUI* pCmdUI);
    void OnSetViewType(UINT nID);
    void OnUpdateSetViewType(CCmdUI* pCmdUI);
    void OnUpdateView3D(CCmdUI* pCmdUI);
    // The camera view type of a view-direction command (0 for other ids).
    static int ViewTypeOf(UINT nID);

    // Scanning: choose the source (32955), scan (32840), and the transferred
    // image handed to the image-scan command (32839).
    void OnSelectSource();
    void OnUpdateSelectSource(CCmdUI* pCmdUI);
    void OnScan();
    void OnUpdateScan(CCmdUI* pCmdUI);
    void OnImage(void* hDib, const TW_IMAGEINFO& info) override;
    // The tip-of-the-day dialog, modal (33133).
    void OnTipOfTheDay();
    // Guide lines dragged out of the rulers (horizontal WM_USER+4, vertical
    // WM_USER+5) and their visibility (32952).
    LRESULT OnAddVertGuideLine(WPARAM wParam, LPARAM lParam);
    void OnGuideLines();
    void OnUpdateGuideLines(CCmdUI* pCmdUI);
    // The classic tool bars of the drawing, editing, transform and alignment
    // commands (32986 to 32989): select mode first, then show a hidden bar or
    // hide a shown one; checked while select runs and the bar shows.
    void OnToolBarPane(UINT nID);
    void OnUpdateToolBarPane(CCmdUI* pCmdUI);
    // The bar of a tool-bar pane command (0 for other ids).
    static UINT PaneBarOf(UINT nID);
    // Context help (32954, WM_HELP).
    void OnHelp();
    BOOL OnHelpInfo(HELPINFO* pHelpInfo);

    // World position and client point of the last routed mouse event.
    const Position& GetLastPosition() const { return m_posLast; }
    // The world position of a client point, through the view object (2D) or
    // the camera on the drawing's plane (3D).
    Position PositionOf(CPoint point) const;

    // Command registration (the program's command table).
    void RegisterAppCommands();
    void RegisterCommandAccelerators();
    void RegisterMainCommands();

    // Frames per second of a paint that took seconds (never a division by zero).
    static int FrameRateOf(double seconds);
    // Print settings.
    CPrintSettings m_print;
    CRect m_rcPrint{0, 0, 0, 0};
    int m_bPrinting = 0;

    // Number of 2D paints that drew something (for tests and diagnostics).
    int GetPaintCount() const { return m_nPaints; }

protected:
    DECLARE_MESSAGE_MAP()

private:
    // Adds a guide line at the settings' guide-line point as one undo step.
    LRESULT AddGuideLine(int orientation);
    // The routing step: keep the point, convert it to the last position.
    void Locate(CPoint point);
    void HideDragBar();
    void UpdateDesignCentre();
    void ShowCursorPosition(CPoint point);
    void ShowGLArea(BOOL bShow);
    void PaintGL();
    void DrawWorkArea(CDC* pDC);
    void FitPageOnce();
    void UndoOrRedo(bool redo);
    void UpdateUndoOrRedo(CCmdUI* pCmdUI, bool redo);

    CRelayon* m_pRelayon = nullptr;
    CLooker* m_pLooker = nullptr;
    std::unique_ptr<CPrintPreviewState> m_pPreviewState;
    int m_nPaints = 0;
    // The off-screen picture of the 2D frames, kept while the view's size stays.
    CBitmap m_frameBitmap;
    bool m_bPageFitted = false;
    int m_nGLWidth = 0;
    int m_nGLHeight = 0;
    // The show-objects item's own menu text, read once from the menu.
    CString m_strShowObjectsText;
    // Double-byte characters of the text tool: bytes kept so far.
    int m_nPendingBytes = 0;
    unsigned char m_pendingBytes[4] = {0, 0, 0, 0};
    Position m_posLast;
    CPoint m_ptLast{0, 0};
};
