// Resource, command, timer and message ids of the program.
#pragma once

#include "platform/ui/UiTypes.h"

namespace korvel {

// Document template (resource 101): frame menu, accelerators, document strings.
inline constexpr UINT IDR_MAINFRAME = 101;
inline constexpr UINT IDS_DOCSTRING = 100;

// Texts of the resource module.
inline constexpr UINT IDS_PANE_DCENTER = 30010;
inline constexpr UINT IDS_SPLASH_DEFAULT = 30011;
inline constexpr UINT IDS_SPLASH_PLUGINS = 30012;
inline constexpr UINT IDS_SPLASH_CONFIG = 30014;
inline constexpr UINT IDS_SPLASH_START = 30015;
inline constexpr UINT IDS_SPLASH_FRAME = 30016;
inline constexpr UINT IDS_TAB_TOOLBAR = 30017;
inline constexpr UINT IDS_PATHS_HIDDEN = 30332;
inline constexpr UINT IDS_PATHS_SHOWN = 30333;
inline constexpr UINT IDS_ASK_SAVE_BEFORE_OPEN = 30203;
inline constexpr UINT IDS_AUTOSAVING = 30204;
inline constexpr UINT IDS_LARGE_DRAWING = 289;
// Shown by the geometry library when free memory made it raise the relief canvas's step.
inline constexpr UINT IDS_CANVAS_STEP_RAISED = 299;
inline constexpr UINT IDS_PLACE_PROMPT = 30208;
inline constexpr UINT IDS_IMAGE_FILTER = 30460;
inline constexpr UINT IDS_IMAGE_UNREADABLE = 30461;
inline constexpr UINT IDS_PASTE_PROMPT = 30224;
inline constexpr UINT ID_MEASURE_DISTANCE = 32802;
inline constexpr UINT ID_MEASURE_ANGLE = 32814;
inline constexpr UINT ID_MEASURE_AREA = 32947;
inline constexpr UINT IDS_MEASURE_DIST_PROMPT = 30317;
inline constexpr UINT IDS_MEASURE_ANGLE_PROMPT = 30318;
inline constexpr UINT IDS_MEASURE_ANGLE_FORMAT = 30319;
inline constexpr UINT IDS_MEASURE_DIST_FORMAT = 30327;
inline constexpr UINT IDS_MEASURE_WORKING = 30323;
inline constexpr UINT IDS_MEASURE_DONE = 30324;
inline constexpr UINT IDS_MEASURE_NOT_CURVE = 30325;
inline constexpr UINT IDS_CUT_ACTION = 30036;
inline constexpr UINT IDS_COPY_REFUSED = 30405;
inline constexpr UINT IDS_CUT_REFUSED = 30406;
// The program's own text: a clipboard payload that does not read.
inline constexpr UINT IDS_PASTE_UNREADABLE = 34001;

// Commands handled by the document, view and frame.
inline constexpr UINT ID_FILE_IMPORT = 32848;
inline constexpr UINT ID_FILE_EXPORT = 32999;
inline constexpr UINT ID_EXPORT_SELECTION = 33151;
inline constexpr UINT ID_NOTES = 33146;
inline constexpr UINT ID_VIEW_3D = 32813;
inline constexpr UINT ID_FILL_DISPLAY = 32867;
inline constexpr UINT ID_VIEW_DCENTER = 33045;
inline constexpr UINT ID_VIEW_GRID = 33014;
inline constexpr UINT ID_VIEW_RULERS = 32847;
inline constexpr UINT ID_VIEW_SNAPBAR = 33015;
inline constexpr UINT ID_VIEW_PATHS = 32877;
inline constexpr UINT ID_LAYER_MANAGE = 33052;
inline constexpr UINT ID_LAYER_SHOW_ALL = 33055;
inline constexpr UINT ID_LAYER_SHOW_ONE = 33056;
inline constexpr UINT ID_LAYER_HIDE_OF_OBJECT = 33057;
inline constexpr UINT ID_LAYER_MOVE_TO_PICKED = 33058;
inline constexpr UINT ID_LAYER_MOVE_TO_CURRENT = 33060;
inline constexpr UINT ID_LAYER_CURRENT_OF_OBJECT = 33061;

// Layer texts: list headers, questions, refusals, command names and tooltips.
inline constexpr UINT IDS_LAYER_COL_CURRENT = 30378;
inline constexpr UINT IDS_LAYER_COL_NAME = 30379;
inline constexpr UINT IDS_LAYER_COL_COUNT = 30383;
inline constexpr UINT IDS_LAYER_DELETE_LAST = 30384;
inline constexpr UINT IDS_LAYER_DELETE_ASK = 30385;
inline constexpr UINT IDS_LAYER_DELETE_CAPTION = 30386;
inline constexpr UINT IDS_LAYER_CAPTION = 30387;
inline constexpr UINT IDS_LAYER_SELECT_ONE = 30388;
inline constexpr UINT IDS_LAYER_HIDE_CURRENT = 30389;
inline constexpr UINT IDS_LAYER_MOVE_TO_PICKED = 30390;
inline constexpr UINT IDS_LAYER_MOVE_TO_CURRENT = 30391;
inline constexpr UINT IDS_LAYER_CURRENT_OF_OBJECT = 30392;
inline constexpr UINT IDS_LAYER_EDIT = 30393;
inline constexpr UINT IDS_LAYER_SHOW_ALL = 30394;
inline constexpr UINT IDS_LAYER_SHOW_ONE = 30395;
inline constexpr UINT IDS_LAYER_SCROLL_RIGHT = 30396;
inline constexpr UINT IDS_LAYER_DELETE = 30397;
inline constexpr UINT IDS_LAYER_ADD = 30398;
inline constexpr UINT IDS_LAYER_SCROLL_LEFT = 30399;
inline constexpr UINT IDS_LAYER_HIDE_OF_OBJECT = 30400;
inline constexpr UINT IDS_LAYER_PICK = 30401;
inline constexpr UINT IDS_LAYER_MAKE_CURRENT_ASK = 30402;
inline constexpr UINT IDS_LAYER_MAKE_CURRENT_CAPTION = 30403;
inline constexpr UINT IDS_LAYER_NAME_USED = 30457;
inline constexpr UINT IDS_LAYER_CURRENT_REFUSED = 30459;

// View commands and the view directions of the 3D display.
inline constexpr UINT ID_VIEW_PAN = 32805;
inline constexpr UINT ID_VIEW_REGION = 32806;
inline constexpr UINT ID_VIEW_ZOOM_DYN = 32807;
inline constexpr UINT ID_VIEW_ZOOM_IN = 32808;
inline constexpr UINT ID_VIEW_ZOOM_OUT = 32809;
inline constexpr UINT ID_VIEW_ALL = 32810;
inline constexpr UINT ID_VIEW_PREV = 32811;
inline constexpr UINT ID_VIEW_PAGE = 32812;
inline constexpr UINT ID_VIEW_ROTATE_3D = 33128;
inline constexpr UINT ID_VIEW_TOP = 32890;
inline constexpr UINT ID_VIEW_BOTTOM = 33088;
inline constexpr UINT ID_VIEW_ISOMETRIC = 32893;
inline constexpr UINT ID_VIEW_RIGHT = 32891;
inline constexpr UINT ID_VIEW_LEFT = 33086;
inline constexpr UINT ID_VIEW_FRONT = 32892;
inline constexpr UINT ID_VIEW_BACK = 33087;
inline constexpr UINT ID_ESCAPE = 32850;

// Scanning, the image-scan command and the tip of the day.
inline constexpr UINT ID_SCAN_SELECT_SOURCE = 32955;
inline constexpr UINT ID_SCAN_ACQUIRE = 32840;
inline constexpr UINT ID_IMAGE_SCAN = 32839;
inline constexpr UINT ID_TIP_OF_THE_DAY = 33133;

// The settings sheet and the texts of its pages and of the print dialog.
inline constexpr UINT ID_SYSTEM_SET = 32837;
inline constexpr UINT IDS_PAGE_ABOUT = 30028;
inline constexpr UINT IDS_PAGE_GUIDE_LINES = 30029;
inline constexpr UINT IDS_PAGE_GRID = 30030;
inline constexpr UINT IDS_PAGE_SYSTEM = 30031;
inline constexpr UINT IDS_PRINT_FIT = 30033;
inline constexpr UINT IDS_PRINT_CUSTOM = 30034;
inline constexpr UINT IDS_GRID_CAPTION = 30351;
inline constexpr UINT IDS_GRID_BAD_DX = 30358;
inline constexpr UINT IDS_GRID_BAD_DY = 30359;
inline constexpr UINT IDS_GRID_BAD_ANGLE = 30360;
inline constexpr UINT IDS_GRID_BAD_RING = 30361;
inline constexpr UINT IDS_GUIDE_SELECT_ONE = 30404;
inline constexpr UINT IDS_SYSTEM_NO_INTERVAL = 30407;
inline constexpr UINT IDS_SYSTEM_BAD_PRECISION = 30411;
inline constexpr UINT IDS_SYSTEM_BAD_ANGLE = 30412;
inline constexpr UINT IDS_SYSTEM_BAD_MEDIAL = 30415;
inline constexpr UINT IDS_GUIDE_DELETE = 30128;
inline constexpr UINT IDS_GUIDE_MOVE = 30482;
inline constexpr UINT IDS_GUIDE_ADD = 30483;
inline constexpr UINT IDS_GUIDE_SUFFIX = 30484;

// Main commands.
inline constexpr UINT ID_MAIN_SELECT = 32853;
inline constexpr UINT ID_MAIN_NODE = 32854;
inline constexpr UINT ID_MAIN_TEXT = 32855;

// Tool bars and panes.
inline constexpr UINT IDR_TABTOOLBAR = 442;
inline constexpr UINT IDR_VIEWBAR = 603;
inline constexpr UINT ID_HORZ_RULER = 30022;
inline constexpr UINT ID_VERT_RULER = 30023;

// The view tool bar of the tab set as a command (toggles its visibility).
inline constexpr UINT IDR_VIEWBAR_TAB = 237;
// Guide-line visibility and context help.
inline constexpr UINT ID_VIEW_GUIDE_LINES = 32952;
inline constexpr UINT ID_HELP_TOPICS = 32954;
// Show or hide one classic tool bar: alignment, editing, drawing, transform.
inline constexpr UINT ID_PANE_ALIGNBAR = 32986;
inline constexpr UINT ID_PANE_EDITBAR = 32987;
inline constexpr UINT ID_PANE_DRAWBAR = 32988;
inline constexpr UINT ID_PANE_TRANSFORMBAR = 32989;
// Snap switches: the first, the extra switch and all snaps.
inline constexpr UINT ID_SNAP_FIRST = 33016;
inline constexpr UINT ID_SNAP_NONE = 33026;
inline constexpr UINT ID_SNAP_EXTRA = 33028;
inline constexpr UINT ID_SNAP_ALL = 33029;
// Length units: 190 to 193 choose millimetre, centimetre, inch and foot.
inline constexpr UINT ID_UNIT_FIRST = 189;
inline constexpr UINT ID_UNIT_MM = 190;
inline constexpr UINT ID_UNIT_LAST = 193;
// UI modes of the tool bars.
inline constexpr UINT ID_UI_CLASSIC = 33259;
inline constexpr UINT ID_UI_TAB = 33257;
// Items of the classic tool-bar menu, one per listed bar.
inline constexpr UINT ID_BAR_TOGGLE_FIRST = 5;
inline constexpr UINT ID_BAR_TOGGLE_LAST = 25;
// Menu of the bar areas: popups 6 (classic bars), 7 (ruler units), 8 (tab set).
inline constexpr UINT IDR_BAR_MENUS = 256;
// Timers of the frame and the splash window.
inline constexpr UINT_PTR kTimerAutoSave = 0;
inline constexpr UINT_PTR kTimerViewAnimation = 11;
inline constexpr UINT kViewAnimationMs = 40;
inline constexpr UINT_PTR kTimerSplashClose = 93;
inline constexpr UINT kSplashCloseMs = 250;

// Private messages.
inline constexpr UINT WM_KV_COLOR_CHOSEN = WM_USER + 2;
inline constexpr UINT WM_KV_HIDE_RULERS = WM_USER + 7;
inline constexpr UINT WM_KV_SHOW_RULERS = WM_USER + 8;
inline constexpr UINT WM_KV_DOCUMENT_READY = WM_USER + 10;
inline constexpr UINT WM_KV_RELOAD_LAYERS = WM_USER + 18;
inline constexpr UINT WM_KV_UNDO = WM_USER + 12;
inline constexpr UINT WM_KV_REDO = WM_USER + 13;
inline constexpr UINT WM_KV_ADD_GUIDE_LINE = WM_USER + 4;
inline constexpr UINT WM_KV_ADD_VGUIDE_LINE = WM_USER + 5;
inline constexpr UINT WM_KV_UNIT_CHANGED = WM_USER + 16;
inline constexpr UINT WM_KV_ZOOM_STEP = WM_USER + 17;
// To the view: a selection notice for the running command (type 1), a window
// message for the running command, a notice for the main command (type
// 0x40B), and the relief-layer page added (nothing selected) or removed.
inline constexpr UINT WM_KV_SELECTION = WM_USER + 1;
inline constexpr UINT WM_KV_COMMAND_MESSAGE = WM_USER + 6;
inline constexpr UINT WM_KV_MAIN_COMMAND_MESSAGE = WM_USER + 11;
inline constexpr UINT WM_KV_ADD_RLF_PAGE = WM_USER + 14;
inline constexpr UINT WM_KV_DEL_RLF_PAGE = WM_USER + 15;
// To the design-centre pane: objects were hidden, objects were shown again.
inline constexpr UINT WM_KV_OBJECTS_HIDDEN = WM_USER + 23;
inline constexpr UINT WM_KV_OBJECTS_SHOWN = WM_USER + 24;

// Splash dialog: template, status text control, picture control and bitmap.
inline constexpr UINT IDD_SPLASH = 5015;
inline constexpr UINT IDC_SPLASH_TEXT = 178;
inline constexpr UINT IDC_SPLASH_PICTURE = 1086;
inline constexpr UINT IDB_SPLASH = 33159;

// Files of the application-data folder.
inline constexpr const wchar_t* kCommandConfigFile = L"Command-chs.cfg";
inline constexpr const wchar_t* kBackupFile = L"backup.zdc";

// Frame rate below which animated view changes jump to their end.
inline constexpr int kMinAnimationFps = 5;

}  // namespace korvel
