#include "app/KorvelView.h"

#include <GL/glew.h>

#include "app/AboutboxHelpPrompt.h"
#include "app/KorvelDoc.h"
#include "app/DlgLayer.h"
#include "app/HtmlHelp.h"
#include "app/KorvelIds.h"
#include "app/LayerManageCmd.h"
#include "app/MainFrame.h"
#include "app/QVMemDC.h"
#include "app/SettingsSheet.h"
#include "app/StartupLog.h"
#include "app/ViewCmds.h"
#include "app/ViewCommandTable.h"
#include "framework/db/DbAidLine.h"
#include "framework/extendra/PlugInApp.h"
#include "framework/relayon/Action.h"
#include "platform/ui/CmdUI.h"
#include "platform/ui/Input.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Resources.h"
#include "framework/actorum/MainCmds.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/WorkArea.h"
#include "framework/numerak/Timer.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "framework/relayon/Selector.h"
#include "platform/ui/GLArea.h"

#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <new>

IMPLEMENT_DYNCREATE(CKorvelView, CGLView)

BEGIN_MESSAGE_MAP(CKorvelView, CGLView)
    // Window and user messages.
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_MBUTTONDOWN()
    ON_WM_MBUTTONUP()
    ON_WM_MBUTTONDBLCLK()
    ON_WM_MOUSEMOVE()
    ON_WM_RBUTTONDOWN()
    ON_WM_RBUTTONUP()
    ON_WM_RBUTTONDBLCLK()
    ON_WM_MOUSEWHEEL()
    ON_WM_KEYDOWN()
    ON_WM_VSCROLL()
    ON_WM_CHAR()
    ON_WM_HELPINFO()
    ON_WM_DESTROY()
    ON_WM_SETCURSOR()
    ON_WM_KEYUP()
    ON_MESSAGE(korvel::WM_KV_SELECTION, &CKorvelView::OnSelectionMessage)
    ON_MESSAGE(korvel::WM_KV_ADD_GUIDE_LINE, &CKorvelView::OnAddGuideLine)
    ON_MESSAGE(korvel::WM_KV_ADD_VGUIDE_LINE, &CKorvelView::OnAddVertGuideLine)
    ON_MESSAGE(korvel::WM_KV_COMMAND_MESSAGE, &CKorvelView::OnCommandMessage)
    ON_MESSAGE(korvel::WM_KV_MAIN_COMMAND_MESSAGE, &CKorvelView::OnMainCommandMessage)
    ON_MESSAGE(korvel::WM_KV_UNDO, &CKorvelView::OnUndoMessage)
    ON_MESSAGE(korvel::WM_KV_REDO, &CKorvelView::OnRedoMessage)
    ON_MESSAGE(korvel::WM_KV_ADD_RLF_PAGE, &CKorvelView::OnAddReliefLayerPage)
    ON_MESSAGE(korvel::WM_KV_DEL_RLF_PAGE, &CKorvelView::OnDelReliefLayerPage)
    ON_MESSAGE(korvel::WM_KV_UNIT_CHANGED, &CKorvelView::OnUnitChanged)
    ON_MESSAGE(korvel::WM_KV_ZOOM_STEP, &CKorvelView::OnZoomStep)
    // Commands, each with its update where it has one, in the order they are matched.
    ON_COMMAND(ID_EDIT_REDO, &CKorvelView::OnEditRedo)
    ON_UPDATE_COMMAND_UI(ID_EDIT_REDO, &CKorvelView::OnUpdateEditRedo)
    ON_COMMAND(ID_EDIT_UNDO, &CKorvelView::OnEditUndo)
    ON_UPDATE_COMMAND_UI(ID_EDIT_UNDO, &CKorvelView::OnUpdateEditUndo)
    ON_COMMAND(32816, &CKorvelView::OnHubCommand)
    ON_COMMAND_RANGE(32818, 32818, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32818, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND(korvel::ID_ESCAPE, &CKorvelView::OnEscape)
    ON_COMMAND_RANGE(32784, 32784, &CKorvelView::OnRunByPointer)
    ON_UPDATE_COMMAND_UI(32784, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(33002, 33002, &CKorvelView::OnRunByPointer)
    ON_UPDATE_COMMAND_UI(33002, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(33148, 33148, &CKorvelView::OnRunByPointer)
    ON_UPDATE_COMMAND_UI(33148, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(33089, 33089, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(33089, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND(33003, &CKorvelView::OnInsertSign)
    ON_UPDATE_COMMAND_UI(33003, &CKorvelView::OnUpdateInsertSign)
    ON_COMMAND(korvel::ID_MAIN_NODE, &CKorvelView::OnNodeEdit)
    ON_UPDATE_COMMAND_UI(korvel::ID_MAIN_NODE, &CKorvelView::OnUpdateNodeEdit)
    ON_COMMAND(korvel::ID_MAIN_SELECT, &CKorvelView::OnSelectMode)
    ON_UPDATE_COMMAND_UI(korvel::ID_MAIN_SELECT, &CKorvelView::OnUpdateSelectMode)
    ON_COMMAND_RANGE(32852, 32852, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32852, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND(korvel::ID_MAIN_TEXT, &CKorvelView::OnTextMode)
    ON_UPDATE_COMMAND_UI(korvel::ID_MAIN_TEXT, &CKorvelView::OnUpdateTextMode)
    ON_COMMAND_RANGE(korvel::ID_MEASURE_DISTANCE, korvel::ID_MEASURE_DISTANCE, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(korvel::ID_MEASURE_DISTANCE, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(korvel::ID_MEASURE_ANGLE, korvel::ID_MEASURE_ANGLE, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(korvel::ID_MEASURE_ANGLE, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(korvel::ID_MEASURE_AREA, korvel::ID_MEASURE_AREA, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(korvel::ID_MEASURE_AREA, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND(32849, &CKorvelView::OnShapeLibrary)
    ON_UPDATE_COMMAND_UI(32849, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND(korvel::ID_FILL_DISPLAY, &CKorvelView::OnFillDisplay)
    ON_UPDATE_COMMAND_UI(korvel::ID_FILL_DISPLAY, &CKorvelView::OnUpdateFillDisplay)
    ON_COMMAND_RANGE(32793, 32793, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32793, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32870, 32870, &CKorvelView::OnNodeEditOperation)
    ON_UPDATE_COMMAND_UI(32870, &CKorvelView::OnUpdateNodeEditOperation)
    ON_COMMAND_RANGE(32871, 32871, &CKorvelView::OnNodeEditOperation)
    ON_UPDATE_COMMAND_UI(32871, &CKorvelView::OnUpdateNodeEditOperation)
    ON_COMMAND_RANGE(32872, 32872, &CKorvelView::OnNodeEditOperation)
    ON_UPDATE_COMMAND_UI(32872, &CKorvelView::OnUpdateNodeEditOperation)
    ON_COMMAND_RANGE(32873, 32873, &CKorvelView::OnNodeEditOperation)
    ON_UPDATE_COMMAND_UI(32873, &CKorvelView::OnUpdateNodeEditOperation)
    ON_COMMAND_RANGE(32916, 32916, &CKorvelView::OnNodeEditOperation)
    ON_UPDATE_COMMAND_UI(32916, &CKorvelView::OnUpdateNodeEditOperation)
    ON_COMMAND_RANGE(32878, 32878, &CKorvelView::OnNodeEditOperation)
    ON_UPDATE_COMMAND_UI(32878, &CKorvelView::OnUpdateNodeEditOperation)
    ON_COMMAND_RANGE(32834, 32834, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32834, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(korvel::ID_VIEW_TOP, korvel::ID_VIEW_TOP, &CKorvelView::OnSetViewType)
    ON_UPDATE_COMMAND_UI(korvel::ID_VIEW_TOP, &CKorvelView::OnUpdateSetViewType)
    ON_COMMAND_RANGE(korvel::ID_VIEW_BOTTOM, korvel::ID_VIEW_BOTTOM, &CKorvelView::OnSetViewType)
    ON_UPDATE_COMMAND_UI(korvel::ID_VIEW_BOTTOM, &CKorvelView::OnUpdateSetViewType)
    ON_COMMAND_RANGE(korvel::ID_VIEW_ISOMETRIC, korvel::ID_VIEW_ISOMETRIC, &CKorvelView::OnSetViewType)
    ON_UPDATE_COMMAND_UI(korvel::ID_VIEW_ISOMETRIC, &CKorvelView::OnUpdateSetViewType)
    ON_COMMAND_RANGE(korvel::ID_VIEW_RIGHT, korvel::ID_VIEW_RIGHT, &CKorvelView::OnSetViewType)
    ON_UPDATE_COMMAND_UI(korvel::ID_VIEW_RIGHT, &CKorvelView::OnUpdateSetViewType)
    ON_COMMAND_RANGE(korvel::ID_VIEW_LEFT, korvel::ID_VIEW_LEFT, &CKorvelView::OnSetViewType)
    ON_UPDATE_COMMAND_UI(korvel::ID_VIEW_LEFT, &CKorvelView::OnUpdateSetViewType)
    ON_COMMAND_RANGE(korvel::ID_VIEW_FRONT, korvel::ID_VIEW_FRONT, &CKorvelView::OnSetViewType)
    ON_UPDATE_COMMAND_UI(korvel::ID_VIEW_FRONT, &CKorvelView::OnUpdateSetViewType)
    ON_COMMAND_RANGE(korvel::ID_VIEW_BACK, korvel::ID_VIEW_BACK, &CKorvelView::OnSetViewType)
    ON_UPDATE_COMMAND_UI(korvel::ID_VIEW_BACK, &CKorvelView::OnUpdateSetViewType)
    ON_COMMAND_RANGE(32903, 32903, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32903, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(33005, 33005, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(33005, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(33154, 33154, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(33154, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32973, 32973, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32973, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32904, 32904, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32904, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32900, 32900, &CKorvelView::OnDesktopTool)
    ON_COMMAND_RANGE(32901, 32901, &CKorvelView::OnDesktopTool)
    ON_COMMAND_RANGE(32972, 32972, &CKorvelView::OnDesktopTool)
    ON_COMMAND(33288, &CKorvelView::OnAppDataFolder)
    ON_COMMAND(32844, &CKorvelView::OnHideObjects)
    ON_UPDATE_COMMAND_UI(32844, &CKorvelView::OnUpdateHideObjects)
    ON_COMMAND(32845, &CKorvelView::OnShowObjects)
    ON_UPDATE_COMMAND_UI(32845, &CKorvelView::OnUpdateShowObjects)
    ON_COMMAND_RANGE(32926, 32926, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32926, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32927, 32927, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32927, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32914, 32914, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32914, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND(korvel::ID_SYSTEM_SET, &CKorvelView::OnSystemSet)
    ON_UPDATE_COMMAND_UI(korvel::ID_SYSTEM_SET, &CKorvelView::OnUpdateSystemSet)
    ON_COMMAND_RANGE(32836, 32836, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32836, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND(32928, &CKorvelView::OnSelectAll)
    ON_UPDATE_COMMAND_UI(32928, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND(32929, &CKorvelView::OnInvertSelection)
    ON_UPDATE_COMMAND_UI(32929, &CKorvelView::OnUpdateInvertSelection)
    ON_COMMAND_RANGE(32930, 32930, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32930, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32879, 32879, &CKorvelView::OnNodeEditOperation)
    ON_UPDATE_COMMAND_UI(32879, &CKorvelView::OnUpdateNodeEditOperation)
    ON_COMMAND_RANGE(32934, 32934, &CKorvelView::OnNodeEditOperation)
    ON_UPDATE_COMMAND_UI(32934, &CKorvelView::OnUpdateNodeEditOperation)
    ON_COMMAND_RANGE(32935, 32935, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32935, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32936, 32936, &CKorvelView::OnNodeEditOperation)
    ON_UPDATE_COMMAND_UI(32936, &CKorvelView::OnUpdateNodeEditOperation)
    ON_COMMAND_RANGE(32937, 32937, &CKorvelView::OnNodeEditOperation)
    ON_UPDATE_COMMAND_UI(32937, &CKorvelView::OnUpdateNodeEditOperation)
    ON_COMMAND_RANGE(32939, 32939, &CKorvelView::OnNodeEditOperation)
    ON_UPDATE_COMMAND_UI(32939, &CKorvelView::OnUpdateNodeEditOperation)
    ON_COMMAND_RANGE(32938, 32938, &CKorvelView::OnNodeEditOperation)
    ON_UPDATE_COMMAND_UI(32938, &CKorvelView::OnUpdateNodeEditOperation)
    ON_COMMAND_RANGE(32940, 32940, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32940, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32942, 32942, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(32942, 32942, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(32943, 32943, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(32943, 32943, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(32948, 32948, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32948, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32949, 32949, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32949, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32950, 32950, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32950, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32951, 32951, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32951, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND(korvel::ID_VIEW_GUIDE_LINES, &CKorvelView::OnGuideLines)
    ON_UPDATE_COMMAND_UI(korvel::ID_VIEW_GUIDE_LINES, &CKorvelView::OnUpdateGuideLines)
    ON_COMMAND(korvel::ID_HELP_TOPICS, &CKorvelView::OnHelp)
    ON_COMMAND(korvel::ID_TIP_OF_THE_DAY, &CKorvelView::OnTipOfTheDay)
    ON_COMMAND(33180, &CKorvelView::OnWebPage)
    ON_COMMAND_RANGE(33062, 33062, &CKorvelView::OnNodeEditOperation)
    ON_UPDATE_COMMAND_UI(33062, &CKorvelView::OnUpdateNodeEditOperation)
    ON_COMMAND(ID_FILE_PRINT_PREVIEW, &CKorvelView::OnFilePrintPreview)
    ON_COMMAND(korvel::ID_SCAN_SELECT_SOURCE, &CKorvelView::OnSelectSource)
    ON_UPDATE_COMMAND_UI(korvel::ID_SCAN_SELECT_SOURCE, &CKorvelView::OnUpdateSelectSource)
    ON_COMMAND(korvel::ID_SCAN_ACQUIRE, &CKorvelView::OnScan)
    ON_UPDATE_COMMAND_UI(korvel::ID_SCAN_ACQUIRE, &CKorvelView::OnUpdateScan)
    ON_COMMAND_RANGE(32956, 32956, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32956, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32958, 32958, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32958, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32964, 32964, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32964, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32959, 32959, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32959, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32960, 32960, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32960, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32961, 32961, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32961, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32962, 32962, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(32962, 32962, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(32963, 32963, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32963, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32971, 32971, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32971, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32974, 32974, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32974, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(33182, 33182, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(33182, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32975, 32975, &CKorvelView::OnNodeEditOperation)
    ON_UPDATE_COMMAND_UI(32975, &CKorvelView::OnUpdateNodeEditOperation)
    ON_COMMAND_RANGE(32977, 32977, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32977, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(korvel::ID_PANE_EDITBAR, korvel::ID_PANE_EDITBAR, &CKorvelView::OnToolBarPane)
    ON_UPDATE_COMMAND_UI(korvel::ID_PANE_EDITBAR, &CKorvelView::OnUpdateToolBarPane)
    ON_COMMAND_RANGE(korvel::ID_PANE_DRAWBAR, korvel::ID_PANE_DRAWBAR, &CKorvelView::OnToolBarPane)
    ON_UPDATE_COMMAND_UI(korvel::ID_PANE_DRAWBAR, &CKorvelView::OnUpdateToolBarPane)
    ON_COMMAND_RANGE(korvel::ID_PANE_ALIGNBAR, korvel::ID_PANE_ALIGNBAR, &CKorvelView::OnToolBarPane)
    ON_UPDATE_COMMAND_UI(korvel::ID_PANE_ALIGNBAR, &CKorvelView::OnUpdateToolBarPane)
    ON_COMMAND_RANGE(korvel::ID_PANE_TRANSFORMBAR, korvel::ID_PANE_TRANSFORMBAR, &CKorvelView::OnToolBarPane)
    ON_UPDATE_COMMAND_UI(korvel::ID_PANE_TRANSFORMBAR, &CKorvelView::OnUpdateToolBarPane)
    ON_COMMAND_RANGE(32990, 32990, &CKorvelView::OnNodeEditOperation)
    ON_UPDATE_COMMAND_UI(32990, &CKorvelView::OnUpdateNodeEditOperation)
    ON_COMMAND(32991, &CKorvelView::OnRedraw)
    ON_COMMAND_RANGE(32992, 32992, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32992, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND(32993, &CKorvelView::OnSelectByConditions)
    ON_UPDATE_COMMAND_UI(32993, &CKorvelView::OnUpdateSelectByConditions)
    ON_COMMAND_RANGE(32994, 32994, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32994, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(33309, 33309, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(33309, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32933, 32933, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32933, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(32996, 32996, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(32996, 32996, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(33155, 33155, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(33155, 33155, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(32997, 32997, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(32997, 32997, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(33286, 33286, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(33286, 33286, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(33186, 33187, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(33186, 33187, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(korvel::ID_FILE_EXPORT, korvel::ID_FILE_EXPORT, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(korvel::ID_FILE_EXPORT, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(33000, 33000, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(33000, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(33196, 33196, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(33196, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(33197, 33197, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(33197, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND(korvel::ID_VIEW_3D, &CKorvelView::OnView3D)
    ON_UPDATE_COMMAND_UI(korvel::ID_VIEW_3D, &CKorvelView::OnUpdateView3D)
    ON_COMMAND_RANGE(32773, 32773, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(32773, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND(33208, &CKorvelView::OnAttributes)
    ON_UPDATE_COMMAND_UI(33208, &CKorvelView::OnUpdateAttributes)
    ON_COMMAND_RANGE(33072, 33072, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(33072, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(33073, 33073, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(33073, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(33191, 33191, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(33191, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(33077, 33077, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(33077, &CKorvelView::OnUpdateCommandUIByHub)
    ON_COMMAND_RANGE(33083, 33083, &CKorvelView::OnSurfaceMode)
    ON_COMMAND_RANGE(33085, 33085, &CKorvelView::OnSurfaceMode)
    ON_COMMAND_RANGE(korvel::ID_VIEW_ROTATE_3D, korvel::ID_VIEW_ROTATE_3D, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(korvel::ID_VIEW_ROTATE_3D, &CKorvelView::OnUpdateView3DRotate)
    ON_COMMAND_RANGE(33307, 33307, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(33307, &CKorvelView::OnUpdateTrimByBoundary)
    ON_COMMAND_RANGE(33308, 33308, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(33308, &CKorvelView::OnUpdateLoopFromBoundary)
    ON_COMMAND_RANGE(33314, 33314, &CKorvelView::OnRunAppCommand)
    ON_UPDATE_COMMAND_UI(33314, &CKorvelView::OnUpdateCurveMap3d)
    ON_COMMAND_RANGE(ID_FILE_PRINT, ID_FILE_PRINT, &CView::OnFilePrint)
    ON_COMMAND_RANGE(ID_FILE_PRINT_DIRECT, ID_FILE_PRINT_DIRECT, &CView::OnFilePrint)
    // Ranges, after the single entries that answer some of their ids first.
    ON_COMMAND_RANGE(32776, 32785, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(32776, 32785, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(32774, 32774, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(32774, 32774, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(32775, 32775, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(32775, 32775, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(32787, 32791, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(32787, 32791, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(32795, 32797, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(32795, 32797, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(33164, 33165, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(33164, 33165, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(32820, 32831, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(32820, 32831, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(korvel::ID_VIEW_PAN, korvel::ID_VIEW_PAGE, &CKorvelView::OnViewCommand)
    ON_UPDATE_COMMAND_UI_RANGE(korvel::ID_VIEW_PAN, korvel::ID_VIEW_PAGE, &CKorvelView::OnUpdateViewCommand)
    ON_COMMAND_RANGE(32844, 32845, &CKorvelView::OnHideShowRange)
    ON_UPDATE_COMMAND_UI_RANGE(32844, 32845, &CKorvelView::OnUpdateHideShowRange)
    ON_COMMAND_RANGE(32864, 32866, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(32864, 32866, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(32897, 32899, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(32897, 32899, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(32799, 32801, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(32799, 32801, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(32978, 32980, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(32978, 32980, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(33289, 33290, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(33289, 33290, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(33006, 33012, &CKorvelView::OnNestingOperation)
    ON_COMMAND_RANGE(32917, 32920, &CKorvelView::OnFamilyCommand)
    ON_UPDATE_COMMAND_UI_RANGE(32917, 32920, &CKorvelView::OnUpdateFamily)
    ON_COMMAND_RANGE(98, 100, &CKorvelView::OnRecentCommand)
    ON_UPDATE_COMMAND_UI_RANGE(98, 100, &CKorvelView::OnUpdateRecentCommand)
END_MESSAGE_MAP()

namespace {

CMainFrame* MainFrame() { return dynamic_cast<CMainFrame*>(gGetMainFrame()); }

void SendToFrame(UINT message)
{
    if (CFrameWnd* frame = gGetMainFrame()) frame->SendMessage(message, 0, 0);
}

// Camera looking from eye at ref with the up direction, as a column-major matrix.
void LookAt(const double* eye, const double* ref, const double* up, double* m)
{
    double f[3] = {ref[0] - eye[0], ref[1] - eye[1], ref[2] - eye[2]};
    const double fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    if (!(fl > 1e-12)) f[0] = 0.0, f[1] = 0.0, f[2] = -1.0;
    else for (double& v : f) v /= fl;
    double s[3] = {f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2], f[0] * up[1] - f[1] * up[0]};
    double sl = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    if (!(sl > 1e-12)) {
        // Up along the view direction: any perpendicular will do.
        s[0] = 1.0, s[1] = 0.0, s[2] = 0.0;
        sl = 1.0;
    }
    for (double& v : s) v /= sl;
    const double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    const double r[16] = {s[0], u[0], -f[0], 0.0, s[1], u[1], -f[1], 0.0, s[2], u[2], -f[2], 0.0,
                          -(s[0] * eye[0] + s[1] * eye[1] + s[2] * eye[2]),
                          -(u[0] * eye[0] + u[1] * eye[1] + u[2] * eye[2]),
                          f[0] * eye[0] + f[1] * eye[1] + f[2] * eye[2], 1.0};
    std::copy(r, r + 16, m);
}

void GLColor(COLORREF c) { glColor3ub(GetRValue(c), GetGValue(c), GetBValue(c)); }

// Zoom of one wheel notch and of the page keys.
constexpr double kWheelFactor = 1.2;
constexpr float kPageZoom = 0.618f;
// Name of the undo step that adds a guide line.
constexpr UINT kGuideLineActionName = 30193;

}  // namespace

CKorvelView::CKorvelView() { gSetView(this); }

CKorvelView::~CKorvelView()
{
    UnloadDSM();
    if (gGetView() == this) gSetView(nullptr);
    if (m_pLooker != nullptr && m_pLooker == gGetLooker() && m_pLooker->GetViewWnd() == this)
        m_pLooker->SetViewWnd(nullptr, nullptr);
}

CKorvelDoc* CKorvelView::GetDocument() const { return dynamic_cast<CKorvelDoc*>(m_pDocument); }

BOOL CKorvelView::PreTranslateMessage(MSG* pMsg)
{
    // The scanner's source sees every message first; it never takes one.
    FilterMessage(pMsg);
    // The commands' single-key accelerators come before the menus' keys; not
    // while the text tool takes the typing.
    if (pMsg != nullptr && (pMsg->message == WM_KEYDOWN || pMsg->message == WM_SYSKEYDOWN)) {
        CRelayon* hub = gGetRelayon();
        CCommand* mainCmd = hub != nullptr ? hub->GetCurMainCmd() : nullptr;
        if (hub != nullptr && (mainCmd == nullptr || mainCmd->HostType() != kHostText)) {
            UINT modifier = 0;
            if (GetKeyState(VK_SHIFT) < 0) modifier |= CCommand::kAccelShift;
            if (GetKeyState(VK_CONTROL) < 0) modifier |= CCommand::kAccelControl;
            if (GetKeyState(VK_MENU) < 0) modifier |= CCommand::kAccelAlt;
            if (hub->TranslateAccel(static_cast<UINT>(pMsg->wParam), modifier)) return TRUE;
        }
    }
    return CWnd::PreTranslateMessage(pMsg);
}

void CKorvelView::OnPrepareDC(CDC* pDC, CPrintInfo* pInfo) { CView::OnPrepareDC(pDC, pInfo); }

int CKorvelView::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CGLView::OnCreate(lpCreateStruct) == -1) return -1;
    m_pLooker = gGetLooker();
    if (m_pLooker == nullptr) return -1;
    m_pLooker->SetViewWnd(this, [this] {
        RECT r{0, 0, 0, 0};
        GetClientRect(&r);
        return CRect(r);
    });
    // Text composed by an input method comes as WM_IME_CHAR for the text tool.
    if (QWidget* widget = GetWidget()) widget->setAttribute(Qt::WA_InputMethodEnabled);
    m_pRelayon = gGetRelayon();
    korvel::LogStep("view: register commands");
    RegisterAppCommands();
    RegisterMainCommands();
    korvel::LogStep("view: scanner interface");
    LoadSourceManager(m_hWnd);
    return 0;
}

void CKorvelView::OnDestroy()
{
    // The source's dialog is a child of this window: the source goes first.
    UnloadDSM();
    if (m_pLooker != nullptr && m_pLooker == gGetLooker() && m_pLooker->GetViewWnd() == this)
        m_pLooker->SetViewWnd(nullptr, nullptr);
    CGLView::OnDestroy();
}

void CKorvelView::OnSelectSource() { SelectSource(); }

void CKorvelView::OnUpdateSelectSource(CCmdUI* pCmdUI)
{
    CRelayon* hub = gGetRelayon();
    pCmdUI->Enable((hub == nullptr || hub->CurCmdFlag() == 0) && IsDSMLoaded());
}

void CKorvelView::OnScan() { Acquire(-1); }

// Enabled once a source has been chosen (or found as the default).
void CKorvelView::OnUpdateScan(CCmdUI* pCmdUI)
{
    CRelayon* hub = gGetRelayon();
    pCmdUI->Enable((hub == nullptr || hub->CurCmdFlag() == 0) && IsDSMLoaded() && IsSourceSelected());
}

void CKorvelView::OnImage(void* hDib, const TW_IMAGEINFO& info)
{
    CRelayon* hub = gGetRelayon();
    auto* cmd = hub != nullptr ? dynamic_cast<CImageScanCmd*>(hub->GetCmd(korvel::ID_IMAGE_SCAN)) : nullptr;
    if (cmd == nullptr) return;
    cmd->SetBitmap(hDib, info.BitsPerPixel, info.ImageLength, info.ImageWidth);
    hub->RunAppCmd(cmd, 0, TRUE);
}

void CKorvelView::OnTipOfTheDay()
{
    CAboutboxHelpPrompt dialog(this);
    dialog.DoModal();
}

int CKorvelView::FrameRateOf(double seconds)
{
    if (!(seconds > 0.0) || !std::isfinite(seconds)) return kMaxFrameRate;
    const double rate = 1.0 / seconds;
    return rate >= kMaxFrameRate ? kMaxFrameRate : static_cast<int>(rate);
}

void CKorvelView::DrawWorkArea(CDC* pDC)
{
    const CQVGlobal* global = gGetQVGlobal();
    CWorkArea* area = CWorkArea::Instance();
    if (global == nullptr || area == nullptr || m_pLooker == nullptr) return;
    const BOX2<double> page = area->GetPageSize();
    const double corners[5][2] = {
        {page.xmin, page.ymin}, {page.xmax, page.ymin}, {page.xmax, page.ymax}, {page.xmin, page.ymax}, {page.xmin, page.ymin}};
    CPen pen(PS_SOLID, 1, global->m_crWorkFrame);
    CPen* old = pDC->SelectObject(&pen);
    m_pLooker->DrawPolyline(corners, 5, pDC);
    pDC->SelectObject(old);
}

void CKorvelView::OnDraw(CDC* pDC)
{
    if (m_bPrinting) return;
    CLooker* looker = gGetLooker();
    if (looker == nullptr) return;
    if (CMainFrame* frame = MainFrame(); frame != nullptr && frame->m_nAnimStep < 0) return;
    looker->UpdateViewRect();
    looker->UpdateViewBox();
    looker->EmptyClipRect();
    Timer timer;
    timer.start();
    if (CLooker::IsView3D()) {
        if (CSelector* selector = gGetSelector(); selector != nullptr && std::fabs(selector->m_d3DOffset) > 0.0001) {
            selector->m_d3DOffset = 0.0;
            selector->CalcBox();
        }
        // The frame itself is drawn by the OpenGL widget when it repaints.
        ShowGLArea(TRUE);
        if (CGLArea* area = FindGLArea()) area->Update();
    } else {
        const CQVGlobal* global = gGetQVGlobal();
        if (global != nullptr && global->m_bShowRulers) SendToFrame(korvel::WM_KV_SHOW_RULERS);
        if (CSelector* selector = gGetSelector()) selector->SetWorkPlane(3, 1);
        ShowGLArea(FALSE);
        CQVMemDC memDC(pDC, nullptr, &m_frameBitmap);
        const CRect rect = memDC.GetRect();
        if (!rect.IsRectEmpty()) {
            CDC* dc = memDC.DrawingDC();
            looker->SetClipRect(rect);
            DrawWorkArea(dc);
            if (CKorvelDoc* doc = GetDocument()) doc->DrawSceneGDI(dc);
            looker->EmptyClipRect();
            timer.stop();
            m_nFrameRate = FrameRateOf(timer.getElapsedTimeInSec());
            ++m_nPaints;
            HideViewBtn();
        }
    }
    if (CDesignCentral* pane = gGetPaneDCenter()) pane->OnViewRedraw(pDC);
}

void CKorvelView::RenderScene(COpenGLDC* pDC, int mode)
{
    const CQVGlobal* global = gGetQVGlobal();
    if (global != nullptr && global->m_bShowRulers) {
        const int type = pDC->GetCamera().m_nViewType;
        SendToFrame(type != 0 && type != 7 ? korvel::WM_KV_SHOW_RULERS : korvel::WM_KV_HIDE_RULERS);
    }
    if (CKorvelDoc* doc = GetDocument()) doc->DrawSceneGL(pDC, mode);
}

void CKorvelView::ShowGLArea(BOOL bShow)
{
    if (!bShow) {
        if (CGLArea* area = FindGLArea(); area != nullptr && area->IsVisible()) area->Show(FALSE);
        return;
    }
    CGLArea* area = FindGLArea();
    if (area == nullptr) {
        area = GetGLArea();
        if (area == nullptr) return;
        CGLArea::Callbacks callbacks;
        callbacks.resize = [this](int w, int h) { m_nGLWidth = w, m_nGLHeight = h; };
        callbacks.paint = [this] { PaintGL(); };
        area->SetCallbacks(std::move(callbacks));
        RECT r{0, 0, 0, 0};
        GetClientRect(&r);
        area->Resize(r.right - r.left, r.bottom - r.top);
    }
    if (!area->IsVisible()) area->Show(TRUE);
}

// One 3D frame: the camera's parallel projection, the page of the work area,
// then the scene.
void CKorvelView::PaintGL()
{
    const CQVGlobal* global = gGetQVGlobal();
    const COLORREF background = global != nullptr ? global->m_crBackground : RGB(0, 0, 0);
    const int w = std::max(m_nGLWidth, 1), h = std::max(m_nGLHeight, 1);
    m_glDC.InitCaps();
    glViewport(0, 0, w, h);
    glClearColor(GetRValue(background) / 255.0f, GetGValue(background) / 255.0f, GetBValue(background) / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const GCamera& camera = m_glDC.GetCamera();
    const double scale = camera.m_fScale > 0.0f && std::isfinite(camera.m_fScale) ? camera.m_fScale : 1.0;
    const double dx = camera.m_eye[0] - camera.m_ref[0], dy = camera.m_eye[1] - camera.m_ref[1],
                 dz = camera.m_eye[2] - camera.m_ref[2];
    const double distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    const double depth = distance + 1e5;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.5 * w / scale, 0.5 * w / scale, -0.5 * h / scale, 0.5 * h / scale, -depth, depth);
    glMatrixMode(GL_MODELVIEW);
    double view[16];
    LookAt(camera.m_eye, camera.m_ref, camera.m_up, view);
    glLoadMatrixd(view);
    glDisable(GL_LIGHTING);
    if (CWorkArea* area = CWorkArea::Instance(); area != nullptr && global != nullptr) {
        const BOX2<double> page = area->GetPageSize();
        GLColor(global->m_crWorkFrame);
        glBegin(GL_LINE_LOOP);
        glVertex3d(page.xmin, page.ymin, 0.0);
        glVertex3d(page.xmax, page.ymin, 0.0);
        glVertex3d(page.xmax, page.ymax, 0.0);
        glVertex3d(page.xmin, page.ymax, 0.0);
        glEnd();
    }
    const CLooker* looker = gGetLooker();
    RenderScene(&m_glDC, looker != nullptr && looker->IsAnimateView() ? 3 : 0);
}

void CKorvelView::FitPageOnce()
{
    if (m_bPageFitted || m_pLooker == nullptr) return;
    m_pLooker->UpdateViewRect();
    if (m_pLooker->GetViewRect().IsRectEmpty()) return;
    BOX2<double> page = CWorkArea::Instance()->GetPageSize();
    // A margin around the page, so that its frame is not on the window's edge.
    const double margin = 0.05 * std::max(page.xmax - page.xmin, page.ymax - page.ymin);
    page.xmin -= margin, page.ymin -= margin, page.xmax += margin, page.ymax += margin;
    m_bPageFitted = m_pLooker->ZoomBox(page) != FALSE;
}

void CKorvelView::OnSize(UINT nType, int cx, int cy)
{
    CGLView::OnSize(nType, cx, cy);
    if (CWorkArea::Instance() == nullptr) return;
    if (CLooker::IsView2D()) CWorkArea::Instance()->SetScrollInfo();
    if (m_pLooker != nullptr) {
        m_pLooker->UpdateViewRect();
        m_pLooker->UpdateViewBox();
    }
    FitPageOnce();
    if (m_pRelayon != nullptr) m_pRelayon->OnSize(nType, cx, cy);
}

void CKorvelView::OnView3D()
{
    m_pRelayon = gGetRelayon();
    if (m_pRelayon == nullptr) return;
    CCommand* mainCmd = m_pRelayon->GetCurMainCmd();
    if (mainCmd == nullptr || (mainCmd->m_nStyle & kCmdStyle3D) == 0) return;
    if (CLooker::IsView2D()) {
        GCamera& camera = m_glDC.GetCamera();
        const bool unplaced = camera.m_eye[0] == 0.0 && camera.m_eye[1] == 0.0 && camera.m_ref[0] == 0.0 &&
                              camera.m_ref[1] == 0.0;
        if (unplaced && m_pLooker != nullptr) {
            CViewPara para;
            m_pLooker->GetViewPara(&para);
            // The view's origin is the world point at its centre, exactly also when
            // the centre falls between two pixels (a view of odd width or height).
            const double world[2] = {para.m_org[0], para.m_org[1]};
            camera.m_eye[0] = world[0], camera.m_eye[1] = world[1];
            camera.m_ref[0] = world[0], camera.m_ref[1] = world[1];
            camera.m_fScale = static_cast<float>(m_pLooker->GetScale());
        }
        CLooker::SetView3D();
        Invalidate(TRUE);
        return;
    }
    CCommand* running = m_pRelayon->GetCurCmd();
    if (running != nullptr && (running->m_nStyle & kCmdStyleAllow2D) == 0) return;
    const CQVGlobal* global = gGetQVGlobal();
    if (global != nullptr && global->m_bShowRulers) SendToFrame(korvel::WM_KV_SHOW_RULERS);
    CLooker::SetView2D();
    Invalidate(TRUE);
}

void CKorvelView::OnFillDisplay()
{
    CSelector* selector = gGetSelector();
    if (selector == nullptr || selector->GetSize() < 1) return;
    m_pRelayon = gGetRelayon();
    if (m_pRelayon != nullptr) {
        if (auto* text = dynamic_cast<CTextMainCmd*>(m_pRelayon->GetCurMainCmd());
            text != nullptr && text->HostType() == kHostText) {
            text->OnFill();
            return;
        }
    }
    for (int i = 0; i < selector->GetSize(); ++i) {
        CDbEntity* entity = selector->GetEntity(i);
        if (entity != nullptr && (entity->GetBaseType() & 0xE) != 0) entity->SetFill(!entity->IsFill());
    }
    Invalidate(TRUE);
}

BOOL CKorvelView::OnPreparePrinting(CPrintInfo* pInfo)
{
    if (pInfo == nullptr) return FALSE;
    if (pInfo->m_bPreview) {
        if (CMainFrame* frame = MainFrame()) {
            frame->GetTabToolBar().HideAllDragTBar();
            frame->ShowPane(&frame->GetTabToolBar(), FALSE, FALSE, FALSE);
        }
        return DoPreparePrinting(pInfo);
    }
    delete pInfo->m_pPD;
    auto* dialog = new CQvPrintDialog(FALSE, PD_RETURNDC | PD_ENABLEPRINTTEMPLATE | PD_USEDEVMODECOPIESANDCOLLATE, nullptr);
    pInfo->m_pPD = dialog;
    dialog->SetSettings(m_print);
    const BOOL result = DoPreparePrinting(pInfo);
    if (result) {
        m_print = dialog->GetSettings();
    } else if (dialog->m_bPreview) {
        m_print = dialog->GetSettings();
        if (CFrameWnd* frame = gGetMainFrame()) frame->SendMessage(WM_COMMAND, ID_FILE_PRINT_PREVIEW, 0);
    }
    return result;
}

void CKorvelView::OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo)
{
    if (gGetQVGlobal() == nullptr || pDC == nullptr || pInfo == nullptr) return;
    const CPrintPage page{pDC->GetDeviceCaps(HORZRES), pDC->GetDeviceCaps(VERTRES), pDC->GetDeviceCaps(LOGPIXELSX),
                          pDC->GetDeviceCaps(LOGPIXELSY)};
    int pageW = 0, pageH = 0;
    PrintableMillimetres(page, pageW, pageH);
    int pages = 1;
    if (m_print.nScaleMode != 0 && CDBase::IsLiving()) {
        const BOX2<double> box = CWorkArea::Instance()->GetPageSize();
        pages = CountPrintPages(m_print, box.xmax - box.xmin, box.ymax - box.ymin, pageW, pageH);
    }
    pInfo->SetMaxPage(static_cast<UINT>(pages));
}

void CKorvelView::OnPrint(CDC* pDC, CPrintInfo* pInfo)
{
    CLooker* looker = gGetLooker();
    if (pDC == nullptr || pInfo == nullptr || looker == nullptr || !CDBase::IsLiving()) return;
    CDBase* db = CDBase::Instance();
    if (db->GetCount() < 1) return;
    m_bPrinting = 1;
    const CRect viewRect = looker->GetViewRect();
    CViewPara saved;
    looker->GetViewPara(&saved);
    looker->SetViewRect(CRect(pInfo->m_rectDraw));
    const BOX2<double> box = CWorkArea::Instance()->GetPageSize();
    const CPrintPage page{pDC->GetDeviceCaps(HORZRES), pDC->GetDeviceCaps(VERTRES), pDC->GetDeviceCaps(LOGPIXELSX),
                          pDC->GetDeviceCaps(LOGPIXELSY)};
    PrintPageLayout(looker, m_print, box.xmin, box.ymin, box.xmax, box.ymax, page, static_cast<int>(pInfo->m_nCurPage));
    looker->UpdateViewBox();
    db->DrawAllEx(pDC, 0);
    looker->SetViewRect(viewRect);
    looker->SetViewPara(saved);
    looker->UpdateViewBox();
    m_bPrinting = 0;
}

void CKorvelView::OnEndPrintPreview(CDC* pDC, CPrintInfo* pInfo, POINT point, CPreviewView* pView)
{
    // Leaving the preview mode shows the frame's current bar set again
    // (CMainFrame::OnSetPreviewMode); the plug-ins refresh their bars.
    CView::OnEndPrintPreview(pDC, pInfo, point, pView);
    if (CPlugInApp* app = GetPlugInApp()) app->UpdateToolBar();
}

void CKorvelView::OnSystemSet() { korvel::RunSettingsSheet(); }

void CKorvelView::OnUpdateSystemSet(CCmdUI* pCmdUI)
{
    CRelayon* hub = gGetRelayon();
    pCmdUI->Enable(hub == nullptr || hub->GetCurCmd() == nullptr);
}

void CKorvelView::OnFilePrintPreview()
{
    auto state = std::make_unique<CPrintPreviewState>();
    if (!DoPrintPreview(AFX_IDD_PREVIEW_TOOLBAR, this, RUNTIME_CLASS(CQvPreviewView), state.get())) {
        AfxMessageBox(AFX_IDP_COMMAND_FAILURE);
        return;
    }
    // The preview window keeps the state while it is shown.
    m_pPreviewState = std::move(state);
}

// ---------------------------------------------------------------------------
// Mouse, wheel, keys and scrolling

Position CKorvelView::PositionOf(CPoint point) const
{
    Position pos;
    pos.m_ptScreen = point;
    if (CLooker::IsView3D()) {
        double world[3];
        m_glDC.GetCamera().get_plane_point(point.x, point.y, world);
        pos.x = world[0], pos.y = world[1], pos.z = world[2];
    } else if (m_pLooker != nullptr) {
        m_pLooker->ScreentoWorld(point, pos);
    }
    return pos;
}

void CKorvelView::Locate(CPoint point)
{
    m_ptLast = point;
    m_posLast = PositionOf(point);
}

void CKorvelView::HideDragBar()
{
    // The tab tool bar's drag bar is hidden by any click in the work area.
    if (CMainFrame* frame = MainFrame(); frame != nullptr && frame->GetTabToolBar().GetSafeHwnd() != nullptr)
        frame->GetTabToolBar().HideDragTBar(0);
}

void CKorvelView::UpdateDesignCentre()
{
    if (CDesignCentral* pane = gGetPaneDCenter()) pane->UpdateState();
}

void CKorvelView::OnLButtonDown(UINT nFlags, CPoint point)
{
    HideDragBar();
    if (m_pLooker == nullptr) return;
    Locate(point);
    if (m_pRelayon != nullptr) m_pRelayon->OnLButtonDown(nFlags, m_posLast);
    UpdateDesignCentre();
    Default();
}

void CKorvelView::OnLButtonUp(UINT nFlags, CPoint point)
{
    m_pRelayon = gGetRelayon();
    if (m_pLooker == nullptr || m_pRelayon == nullptr) return;
    Locate(point);
    m_pRelayon->OnLButtonUp(nFlags, m_posLast);
    Default();
}

void CKorvelView::OnLButtonDblClk(UINT nFlags, CPoint point)
{
    if (m_pLooker == nullptr) return;
    CRelayon* hub = gGetRelayon();
    if (hub != nullptr && hub->GetCurCmd() == nullptr && hub->GetCurMainCmd() != nullptr &&
        hub->GetCurMainCmd()->HostType() == kHostSelect && CDBase::IsLiving() && CDBase::Instance()->GetCount() == 0) {
        // A double click on an empty drawing opens a document instead.
        if (CKorvelDoc* doc = GetDocument()) doc->OnFileOpen();
        return;
    }
    Locate(point);
    if (hub != nullptr) hub->OnLButtonDblClk(nFlags, m_posLast);
    Default();
}

void CKorvelView::OnMButtonDown(UINT nFlags, CPoint point)
{
    m_pRelayon = gGetRelayon();
    if (m_pLooker == nullptr || m_pRelayon == nullptr) return;
    // The middle button pans during any command; releasing it ends the pan.
    if (CCommand* pan = m_pRelayon->GetCmd(korvel::ID_VIEW_PAN)) m_pRelayon->RunAppCmd(pan, 1, TRUE);
    Locate(point);
    m_pRelayon->OnMButtonDown(nFlags, m_posLast);
    Default();
}

void CKorvelView::OnMButtonUp(UINT nFlags, CPoint point)
{
    if (m_pLooker == nullptr) return;
    Locate(point);
    if (CRelayon* hub = gGetRelayon()) hub->OnMButtonUp(nFlags, m_posLast);
    Default();
}

void CKorvelView::OnMButtonDblClk(UINT nFlags, CPoint point)
{
    CRelayon* hub = gGetRelayon();
    auto* all = hub != nullptr ? dynamic_cast<CViewAllCmd*>(hub->GetCmd(korvel::ID_VIEW_ALL)) : nullptr;
    if (all == nullptr || m_pLooker == nullptr) return;
    if (nFlags & MK_CONTROL) {
        all->m_posCentre = PositionOf(point);
        hub->RunAppCmd(all, 1, TRUE);
    } else {
        hub->RunAppCmd(all, 0, TRUE);
    }
}

void CKorvelView::ShowCursorPosition(CPoint point)
{
    CMainFrame* frame = MainFrame();
    const CQVGlobal* global = gGetQVGlobal();
    if (frame == nullptr || global == nullptr || !m_pRelayon->m_bShowCoord) return;
    const bool mm = global->m_nUnit == kUnitMillimetre;
    CQVStatusBar& bar = frame->GetStatusBar();
    if (bar.GetSafeHwnd() != nullptr) {
        CString text;
        text.Format(mm ? L"x %0.3f" : L"x %0.4f", MM2CUR(m_posLast.x));
        bar.SetPaneText(1, text, TRUE);
        text.Format(mm ? L"y %0.3f" : L"y %0.4f", MM2CUR(m_posLast.y));
        bar.SetPaneText(2, text, TRUE);
        if (CLooker::IsView3D()) {
            text.Format(mm ? L"z %0.3f" : L"z %0.4f", MM2CUR(m_posLast.z));
            bar.SetPaneText(3, text, TRUE);
        } else {
            bar.SetPaneText(3, L"", TRUE);
        }
    }
    CQVHorRulerBar& horz = frame->GetHorzRuler();
    if (horz.GetSafeHwnd() != nullptr && horz.IsWindowEnabled()) horz.DrawMouse(point.x + horz.m_nOffset);
    CQVVertRulerBar& vert = frame->GetVertRuler();
    if (vert.GetSafeHwnd() != nullptr && vert.IsWindowEnabled()) vert.DrawMouse(point.y);
}

void CKorvelView::OnMouseMove(UINT nFlags, CPoint point)
{
    m_pRelayon = gGetRelayon();
    if (m_pLooker == nullptr || m_pRelayon == nullptr || gGetQVGlobal() == nullptr) return;
    Locate(point);
    ShowCursorPosition(point);
    m_pRelayon->OnMouseMove(nFlags, m_posLast);
    Default();
}

void CKorvelView::OnRButtonDown(UINT nFlags, CPoint point)
{
    HideDragBar();
    if (m_pLooker == nullptr) return;
    Locate(point);
    if (CRelayon* hub = gGetRelayon()) hub->OnRButtonDown(nFlags, m_posLast);
    UpdateDesignCentre();
    Default();
}

void CKorvelView::OnRButtonUp(UINT nFlags, CPoint point)
{
    HideDragBar();
    if (m_pLooker == nullptr) return;
    Locate(point);
    if (CRelayon* hub = gGetRelayon()) hub->OnRButtonUp(nFlags, m_posLast);
}

void CKorvelView::OnRButtonDblClk(UINT nFlags, CPoint point)
{
    if (m_pLooker == nullptr) return;
    Locate(point);
    if (CRelayon* hub = gGetRelayon()) hub->OnRButtonDblClk(nFlags, m_posLast);
    Default();
}

BOOL CKorvelView::OnMouseWheel(UINT nFlags, short zDelta, CPoint pt)
{
    m_pRelayon = gGetRelayon();
    if (m_pLooker == nullptr || m_pRelayon == nullptr) return FALSE;
    CPoint client = pt;
    ScreenToClient(&client);
    Position pos = PositionOf(client);
    if (m_pRelayon->OnMouseWheel(nFlags, zDelta, pos) != 0) return static_cast<BOOL>(Default());
    if (CLooker::IsView2D()) {
        CCommand* running = m_pRelayon->GetCurCmd();
        if (running != nullptr) running->Sleep();
        m_pLooker->PushViewPara();
        if (nFlags & MK_SHIFT) {
            const BOX2<double> box = m_pLooker->GetViewBox();
            float d = static_cast<float>(std::fabs(box.xmax - box.xmin) / 10.0);
            if (zDelta < 0) d = -d;
            m_pLooker->MoveView(d, 0.0);
        } else if (nFlags & MK_CONTROL) {
            const BOX2<double> box = m_pLooker->GetViewBox();
            float d = static_cast<float>(std::fabs(box.ymax - box.ymin) / 10.0);
            if (zDelta < 0) d = -d;
            m_pLooker->MoveView(0.0, d);
        } else {
            const double s = m_pLooker->GetScale();
            // Towards the user enlarges, about the last mouse position.
            m_pLooker->SetScale(zDelta < 0 ? s * kWheelFactor : s / kWheelFactor, m_posLast);
        }
        Invalidate(TRUE);
        if (running != nullptr && running == m_pRelayon->GetCurCmd()) running->WakeUp();
    } else {
        m_glDC.PushViewPara();
        Zoom(zDelta < 0 ? 1.1f : 0.9f);
    }
    return static_cast<BOOL>(Default());
}

void CKorvelView::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    if (m_pLooker == nullptr) return;
    if (nChar == VK_PRIOR) {
        if (CLooker::IsView2D()) {
            float s = static_cast<float>(m_pLooker->GetScale()) * kPageZoom;
            if (s < 1e-6f) s = 1.0f;
            m_pLooker->SetScale(s);
            Invalidate(TRUE);
        } else {
            Zoom(0.9f);
        }
    } else if (nChar == VK_NEXT) {
        if (CLooker::IsView2D()) {
            m_pLooker->SetScale(static_cast<float>(m_pLooker->GetScale()) / kPageZoom);
            Invalidate(TRUE);
        } else {
            Zoom(1.1f);
        }
    } else {
        if (CRelayon* hub = gGetRelayon()) hub->OnKeyDown(nChar, nRepCnt, 0);
        nFlags = 0;
    }
    CGLView::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CKorvelView::OnChar(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    CRelayon* hub = gGetRelayon();
    CCommand* mainCmd = hub != nullptr ? hub->GetCurMainCmd() : nullptr;
    if (mainCmd != nullptr && mainCmd->HostType() == kHostText) {
        if (std::iswcntrl(static_cast<wint_t>(nChar))) return;
        // Characters arrive whole (input methods included), so no byte halves
        // are kept for pairing here.
        m_nPendingBytes = 0;
        mainCmd->OnChar(nChar, 1, 0);
        return;
    }
    m_nPendingBytes = 0;
    if (hub != nullptr) hub->OnChar(nChar, nRepCnt, nFlags);
    Default();
}

void CKorvelView::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar*)
{
    CRelayon* hub = gGetRelayon();
    auto* pan = hub != nullptr ? dynamic_cast<CViewPanCmd*>(hub->GetCmd(korvel::ID_VIEW_PAN)) : nullptr;
    if (m_pLooker == nullptr || pan == nullptr) return;
    BOX3<double> box;
    m_pLooker->GetViewBox3D(&box);
    const double dx = std::fabs(box.xmax - box.xmin), dy = std::fabs(box.ymax - box.ymin),
                 dz = std::fabs(box.zmax - box.zmin);
    double d = std::min(dx, dy);
    if (CLooker::IsView3D()) {
        if (dx < 0.0001) d = std::min(dy, dz);
        else if (dy < 0.0001) d = std::min(dx, dz);
    }
    const float line = static_cast<float>(0.25 * d), page = static_cast<float>(0.5 * d);
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    GetScrollInfo(SB_VERT, &info, SIF_ALL);
    const int pos = info.nPos, lo = info.nMin, hi = info.nMax;
    int newPos = pos;
    double move = 0.0;
    switch (nSBCode) {
    case SB_LINEUP:
        newPos = pos - line > lo ? static_cast<int>(pos - line) : lo;
        move = pos == lo ? 0.0 : -line;
        break;
    case SB_LINEDOWN:
        newPos = pos + line < hi ? static_cast<int>(pos + line) : hi;
        move = pos == hi ? 0.0 : line;
        break;
    case SB_PAGEUP:
        newPos = pos - page > lo ? static_cast<int>(pos - page) : lo;
        move = -page;
        break;
    case SB_PAGEDOWN:
        newPos = pos + page < hi ? static_cast<int>(pos + page) : hi;
        move = page;
        break;
    case SB_THUMBPOSITION:
        newPos = static_cast<int>(nPos);
        move = static_cast<double>(newPos) - pos;
        break;
    case SB_TOP:
        newPos = lo;
        move = static_cast<double>(lo) - pos;
        break;
    case SB_BOTTOM:
        newPos = hi;
        move = static_cast<double>(hi) - pos;
        break;
    default:
        return;  // thumb tracking and the end of scrolling move nothing
    }
    if (move == 0.0 || newPos < lo || newPos > hi) return;
    if (CLooker::IsView2D()) pan->Pan2D(0.0, move);
    else pan->Pan3D(0.0, move);
    info.nPos = newPos;
    info.fMask = SIF_POS;
    SetScrollInfo(SB_VERT, &info, TRUE);
}

BOOL CKorvelView::OnEraseBkgnd(CDC*) { return FALSE; }

void CKorvelView::EnterSelectMode()
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr) return;
    if (hub->GetCurCmd() != nullptr) hub->CancelCurCmd();
    CCommand* current = hub->GetCurMainCmd();
    if (current == nullptr || current->GetID() != korvel::ID_MAIN_SELECT) hub->RunMainCmd(korvel::ID_MAIN_SELECT);
}

void CKorvelView::OnEscape()
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr || hub->GetCurMainCmd() == nullptr) return;
    if (hub->GetCurMainCmd()->GetID() != korvel::ID_MAIN_SELECT) {
        EnterSelectMode();
    } else if (hub->GetCurCmd() != nullptr) {
        hub->CancelCurCmd();
    } else if (CSelector* selector = gGetSelector(); selector != nullptr && !selector->IsEmpty()) {
        selector->ClearAll();
        Invalidate(TRUE);
    }
}

void CKorvelView::OnNodeEdit()
{
    m_pRelayon = gGetRelayon();
    if (m_pRelayon == nullptr || m_pRelayon->GetCurMainCmd() == nullptr) return;
    if (m_pRelayon->GetCurMainCmd()->GetID() != korvel::ID_MAIN_NODE) m_pRelayon->RunMainCmd(korvel::ID_MAIN_NODE);
    else EnterSelectMode();
    m_pRelayon->CancelCurCmd();
}

LRESULT CKorvelView::OnAddGuideLine(WPARAM, LPARAM) { return AddGuideLine(CDbAidLine::kHorizontal); }

LRESULT CKorvelView::OnAddVertGuideLine(WPARAM, LPARAM) { return AddGuideLine(CDbAidLine::kVertical); }

LRESULT CKorvelView::AddGuideLine(int orientation)
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr) return 0;
    if (hub->GetCurCmd() != nullptr) return 1;
    const CQVGlobal* global = gGetQVGlobal();
    if (global == nullptr) return 0;
    // The ruler filled the guide-line point: x for a vertical line, y for a horizontal one.
    const double at = orientation == CDbAidLine::kVertical ? global->m_ptGuide[0] : global->m_ptGuide[1];
    auto* line = new (std::nothrow) CDbAidLine(at, orientation);
    if (line != nullptr) {
        line->SetVisible(CDBase::Instance()->GetDbAidLineVisible());
        auto* action = new CAction(1, AfxLoadString(kGuideLineActionName));
        action->AddNewEnt(line);
        qvInsertActionIntoManager(action, 0);
    }
    Invalidate(TRUE);
    return 1;
}

void CKorvelView::OnGuideLines()
{
    CDBase* db = CDBase::Instance();
    db->SetDbAidLineVisible(db->GetDbAidLineVisible() ? FALSE : TRUE);
    qvClearSelSet();
    Invalidate(TRUE);
}

void CKorvelView::OnUpdateGuideLines(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(CDBase::IsLiving() && CDBase::Instance()->GetDbAidLineVisible() ? 1 : 0);
}

UINT CKorvelView::PaneBarOf(UINT nID)
{
    switch (nID) {
        case korvel::ID_PANE_ALIGNBAR: return 393;
        case korvel::ID_PANE_EDITBAR: return 607;
        case korvel::ID_PANE_DRAWBAR: return 604;
        case korvel::ID_PANE_TRANSFORMBAR: return 608;
        default: return 0;
    }
}

void CKorvelView::OnToolBarPane(UINT nID)
{
    EnterSelectMode();
    CMainFrame* frame = MainFrame();
    CMFCToolBar* bar = frame != nullptr ? frame->GetToolBar(PaneBarOf(nID)) : nullptr;
    if (bar == nullptr || bar->GetSafeHwnd() == nullptr) return;
    frame->ShowPane(bar, bar->IsVisible() ? FALSE : TRUE, FALSE, TRUE);
}

void CKorvelView::OnUpdateToolBarPane(CCmdUI* pCmdUI)
{
    const CRelayon* hub = gGetRelayon();
    CMainFrame* frame = MainFrame();
    const CMFCToolBar* bar = frame != nullptr ? frame->GetToolBar(PaneBarOf(pCmdUI->m_nID)) : nullptr;
    const bool checked = hub != nullptr && bar != nullptr && bar->GetSafeHwnd() != nullptr &&
                         hub->GetCurMainCmd() != nullptr && hub->GetCurMainCmd()->GetID() == korvel::ID_MAIN_SELECT &&
                         bar->IsVisible();
    pCmdUI->SetCheck(checked ? 1 : 0);
}

void CKorvelView::OnHelp()
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr) {
        HtmlHelp(this, HH_DISPLAY_TOPIC, 0);
        return;
    }
    if (CCommand* running = hub->GetCurCmd()) {
        // The running command may take F1 for help of its own.
        if (running->OnKeyDown(VK_F1, 0, 1) != 0) return;
        HtmlHelp(this, HH_HELP_CONTEXT, running->GetHelpID());
        return;
    }
    CCommand* mainCmd = hub->GetCurMainCmd();
    if (mainCmd != nullptr && mainCmd->HostType() != kHostSelect) {
        HtmlHelp(this, HH_HELP_CONTEXT, mainCmd->GetID());
        return;
    }
    HtmlHelp(this, HH_DISPLAY_TOPIC, 0);
}

BOOL CKorvelView::OnHelpInfo(HELPINFO* pHelpInfo)
{
    if (pHelpInfo == nullptr || pHelpInfo->iCtrlId >= 0) {
        OnHelp();
    } else {
        // A negative control id is a help context id.
        HtmlHelp(this, HH_HELP_CONTEXT, static_cast<DWORD_PTR>(-static_cast<long long>(pHelpInfo->iCtrlId)));
    }
    return TRUE;
}

LRESULT CKorvelView::OnUnitChanged(WPARAM, LPARAM)
{
    if (CDesignCentral* pane = gGetPaneDCenter()) pane->UnitChanged();
    if (CMainFrame* frame = MainFrame(); frame != nullptr && frame->GetHorzRuler().GetSafeHwnd() != nullptr)
        frame->GetHorzRuler().Invalidate(TRUE);
    return 0;
}

LRESULT CKorvelView::OnZoomStep(WPARAM, LPARAM lParam)
{
    if (CLooker::IsView3D()) {
        m_glDC.PushViewPara();
        Zoom(lParam < 1 ? 1.1f : 0.9f);
    } else if (m_pLooker != nullptr) {
        m_pLooker->PushViewPara();
        const double s = m_pLooker->GetScale();
        m_pLooker->SetScale(lParam < 1 ? s * kWheelFactor : s / kWheelFactor);
        Invalidate(TRUE);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// View commands

void CKorvelView::OnViewCommand(UINT nID)
{
    if (CRelayon* hub = gGetRelayon()) hub->RunAppCmd(nID, 0);
}

void CKorvelView::OnUpdateViewCommand(CCmdUI* pCmdUI)
{
    CRelayon* hub = gGetRelayon();
    CCommand* running = hub != nullptr ? hub->GetCurCmd() : nullptr;
    pCmdUI->SetCheck(running != nullptr && running->GetID() == pCmdUI->m_nID ? 1 : 0);
    BOOL enable = TRUE;
    if (CLooker::IsView3D()) {
        if (!IsZoomEnable()) enable = pCmdUI->m_nID == korvel::ID_VIEW_PAN;
        else if (pCmdUI->m_nID == korvel::ID_VIEW_PREV) enable = m_glDC.GetViewStackSize() > 0;
    } else if (pCmdUI->m_nID == korvel::ID_VIEW_PREV) {
        enable = m_pLooker != nullptr && m_pLooker->GetViewStackSize() > 0;
    }
    pCmdUI->Enable(enable);
}

void CKorvelView::OnUpdateView3DRotate(CCmdUI* pCmdUI)
{
    CRelayon* hub = gGetRelayon();
    CCommand* running = hub != nullptr ? hub->GetCurCmd() : nullptr;
    pCmdUI->SetCheck(running != nullptr && running->GetID() == korvel::ID_VIEW_ROTATE_3D ? 1 : 0);
    pCmdUI->Enable(CLooker::IsView3D());
}

int CKorvelView::ViewTypeOf(UINT nID)
{
    switch (nID) {
    case korvel::ID_VIEW_TOP: return 1;
    case korvel::ID_VIEW_BOTTOM: return 2;
    case korvel::ID_VIEW_ISOMETRIC: return 7;
    case korvel::ID_VIEW_RIGHT: return 6;
    case korvel::ID_VIEW_LEFT: return 5;
    case korvel::ID_VIEW_FRONT: return 3;
    case korvel::ID_VIEW_BACK: return 4;
    default: return 0;
    }
}

void CKorvelView::OnSetViewType(UINT nID)
{
    CMainFrame* frame = MainFrame();
    const int type = ViewTypeOf(nID);
    if (!CLooker::IsView3D() || frame == nullptr || type == 0) return;
    m_glDC.PushViewPara();
    frame->m_nAnimStep = -1;
    frame->m_camStart = m_glDC.GetCamera();
    OnViewType(type);
    frame->m_camEnd = m_glDC.GetCamera();
    frame->SetTimer(korvel::kTimerViewAnimation, korvel::kViewAnimationMs);
}

void CKorvelView::OnUpdateSetViewType(CCmdUI* pCmdUI) { pCmdUI->Enable(CLooker::IsView3D()); }

void CKorvelView::OnUpdateView3D(CCmdUI* pCmdUI)
{
    CRelayon* hub = gGetRelayon();
    CCommand* mainCmd = hub != nullptr ? hub->GetCurMainCmd() : nullptr;
    pCmdUI->Enable(mainCmd != nullptr && (mainCmd->m_nStyle & kCmdStyle3D) != 0);
    pCmdUI->SetCheck(CLooker::IsView3D() ? 1 : 0);
}

void CKorvelView::UndoOrRedo(bool redo)
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr || gGetLooker() == nullptr) return;
    if (CCommand* running = hub->GetCurCmd(); running != nullptr && (running->m_nFlags & (redo ? 0x20 : 0x10)) != 0) {
        QMessage message(redo ? QMessage::kRedo : QMessage::kUndo);
        running->OnMessage(&message);
        return;
    }
    CActionManager* manager = CActionManager::Instance();
    if (redo) {
        if (CSelector* selector = gGetSelector()) selector->ClearAll();
        manager->Redo();
    } else {
        manager->Undo();
    }
    // The step may have taken out or put back a layer: the strip and an open
    // layer manager show the layers as they are now.
    if (CMainFrame* frame = MainFrame()) frame->GetLayerBar().RefreshLayerBar(0);
    if (auto* layers = dynamic_cast<CLayerManageCmd*>(hub->GetMainCmd(korvel::ID_LAYER_MANAGE))) {
        if (auto* page = dynamic_cast<CDlgLayerManager*>(layers->GetCmdDlg())) page->Refill();
    }
    // In 3D the paint hands the frame to the OpenGL area.
    Invalidate(TRUE);
}

void CKorvelView::OnEditUndo() { UndoOrRedo(false); }

void CKorvelView::OnEditRedo() { UndoOrRedo(true); }

LRESULT CKorvelView::OnUndoMessage(WPARAM, LPARAM)
{
    UndoOrRedo(false);
    return 0;
}

LRESULT CKorvelView::OnRedoMessage(WPARAM, LPARAM)
{
    UndoOrRedo(true);
    return 0;
}

void CKorvelView::UpdateUndoOrRedo(CCmdUI* pCmdUI, bool redo)
{
    const CRelayon* hub = gGetRelayon();
    if (const CCommand* running = hub != nullptr ? hub->GetCurCmd() : nullptr;
        running != nullptr && (running->m_nFlags & (redo ? 0x20 : 0x10)) != 0) {
        pCmdUI->Enable(TRUE);
        return;
    }
    if (!CActionManager::IsLiving()) {
        pCmdUI->Enable(FALSE);
        return;
    }
    const CActionManager* manager = CActionManager::Instance();
    pCmdUI->Enable(redo ? manager->CanRedo() : manager->CanUndo());
}

void CKorvelView::OnUpdateEditUndo(CCmdUI* pCmdUI) { UpdateUndoOrRedo(pCmdUI, false); }

void CKorvelView::OnUpdateEditRedo(CCmdUI* pCmdUI) { UpdateUndoOrRedo(pCmdUI, true); }

void CKorvelView::OnRunAppCommand(UINT nID)
{
    if (CRelayon* hub = gGetRelayon()) hub->RunAppCmd(nID, 0);
}

void CKorvelView::OnUpdateCommandUIByHub(CCmdUI* pCmdUI)
{
    // An item that runs its registered command is disabled when there is none
    // (it would run nothing); other items the hub does not know stay as they are.
    CRelayon* hub = gGetRelayon();
    if (hub != nullptr && hub->OnUpdateCmdUI(pCmdUI)) return;
    const auto runIds = korvel::HubRunIds();
    if (std::find(runIds.begin(), runIds.end(), pCmdUI->m_nID) != runIds.end()) pCmdUI->Enable(FALSE);
}
