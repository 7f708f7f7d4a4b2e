#include "app/KorvelResources.h"

#include "app/AboutDlg.h"
#include "app/KorvelIds.h"
#include "app/QvPrintDialog.h"
#include "app/SettingsSheet.h"
#include "app/TipResources.h"
#include "platform/ui/Accelerator.h"
#include "platform/ui/BitmapButton.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Input.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Resources.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace korvel {

namespace {

struct StringRow {
    UINT id;
    const wchar_t* text;
};

// Texts of the resource module that the program shows.
constexpr StringRow kStrings[] = {
    {IDS_DOCSTRING, L"Korvel\nuntitled\nKorvel\nDalvex File(*.zdc)\n.zdc\nKorvel.Document\nKorvel Document"},
    {IDS_PANE_DCENTER, L"Design Centre"},
    {IDS_SPLASH_DEFAULT, L"Starting..."},
    {IDS_SPLASH_PLUGINS, L"Loading plug-ins..."},
    {IDS_SPLASH_CONFIG, L"Reading the command settings..."},
    {IDS_SPLASH_START, L"Creating the main window..."},
    {IDS_SPLASH_FRAME, L"Creating the panes..."},
    {IDS_TAB_TOOLBAR, L"Tab Tool Bar"},
    {IDS_ASK_SAVE_BEFORE_OPEN, L"The drawing has been modified. Save the changes?"},
    {IDS_AUTOSAVING, L"Saving the backup copy..."},
    {IDS_LARGE_DRAWING, L"The drawing read in is larger than 300 m. Scale it to fit the page?"},
    {IDS_PLACE_PROMPT, L"Click where the lower-left corner of the drawing read in goes"},
    {IDS_IMAGE_FILTER, L"Pictures(*.bmp;*.jpg;*.jpeg;*.gif;*.png;*.tif)"},
    {IDS_IMAGE_UNREADABLE, L"The picture cannot be read."},
    {IDS_CANVAS_STEP_RAISED, L"The free memory does not hold the relief canvas at the step asked for; its step is raised to %g."},
    {IDS_PASTE_PROMPT, L"Click, or type the point, where the pasted objects go"},
    {IDS_MEASURE_DIST_PROMPT, L"Click the first point, then the second; hold Shift for steps of 45 degrees"},
    {IDS_MEASURE_ANGLE_PROMPT, L"Click the vertex, then a point on each arm"},
    {IDS_MEASURE_ANGLE_FORMAT, L"Angle: %.3f deg"},
    {IDS_MEASURE_DIST_FORMAT, L"Distance: %.4f  dx: %.4f  dy: %.4f"},
    {IDS_MEASURE_WORKING, L"Measuring the selected curves..."},
    {IDS_MEASURE_DONE, L"Select the curves to measure; right-click to finish"},
    {IDS_MEASURE_NOT_CURVE, L"Only curves can be measured: the selection holds other objects."},
    {IDS_CUT_ACTION, L"Cut"},
    {IDS_COPY_REFUSED, L"The selection holds objects that cannot be copied."},
    {IDS_CUT_REFUSED, L"The selection holds objects that cannot be cut."},
    {IDS_PASTE_UNREADABLE, L"The objects on the clipboard cannot be read; nothing was pasted."},
    {34002, L"No calculator was found. Install one (for example gnome-calculator or kcalc) and try again."},
    {34003, L"No text editor was found. Install one (for example gedit, kate or mousepad) and try again."},
    {34004, L"No paint program was found. Install one (for example kolourpaint or pinta) and try again."},
    {IDS_LAYER_COL_CURRENT, L"Cur"},
    {IDS_LAYER_COL_NAME, L"Name"},
    {IDS_LAYER_COL_COUNT, L"Objects"},
    {IDS_LAYER_DELETE_LAST, L"The only layer cannot be deleted."},
    {IDS_LAYER_DELETE_ASK, L"Delete the layer and every object on it?"},
    {IDS_LAYER_DELETE_CAPTION, L"Delete Layer"},
    {IDS_LAYER_CAPTION, L"Layers"},
    {IDS_LAYER_SELECT_ONE, L"Select exactly one object first."},
    {IDS_LAYER_HIDE_CURRENT, L"The current layer cannot be hidden."},
    {IDS_LAYER_MOVE_TO_PICKED, L"Move Objects to Layer"},
    {IDS_LAYER_MOVE_TO_CURRENT, L"Move Objects to Current Layer"},
    {IDS_LAYER_CURRENT_OF_OBJECT, L"Make Object's Layer Current"},
    {IDS_LAYER_EDIT, L"Edit Layers"},
    {IDS_LAYER_SHOW_ALL, L"Show All Layers"},
    {IDS_LAYER_SHOW_ONE, L"Show Only the Current Layer"},
    {IDS_LAYER_SCROLL_RIGHT, L"Scroll the Tabs Right"},
    {IDS_LAYER_DELETE, L"Delete Layer"},
    {IDS_LAYER_ADD, L"Add Layer"},
    {IDS_LAYER_SCROLL_LEFT, L"Scroll the Tabs Left"},
    {IDS_LAYER_HIDE_OF_OBJECT, L"Hide the Object's Layer"},
    {IDS_LAYER_PICK, L"Pick a Layer"},
    {IDS_LAYER_MAKE_CURRENT_ASK, L"Make this layer the current layer?"},
    {IDS_LAYER_MAKE_CURRENT_CAPTION, L"Current Layer"},
    {IDS_LAYER_NAME_USED, L"Another layer already has this name."},
    {IDS_LAYER_CURRENT_REFUSED, L"The current layer cannot be locked or hidden."},
    // The settings sheet, its pages and the print dialog.
    {IDS_PAGE_ABOUT, L"About Korvel"},
    {IDS_PAGE_GUIDE_LINES, L"Guide Lines"},
    {IDS_PAGE_GRID, L"Grid"},
    {IDS_PAGE_SYSTEM, L"System"},
    {IDS_PRINT_FIT, L"Fit to paper"},
    {IDS_PRINT_CUSTOM, L"Custom ratio"},
    {IDS_GRID_CAPTION, L"Grid"},
    {IDS_GRID_BAD_DX, L"The grid spacing in x must be greater than 1."},
    {IDS_GRID_BAD_DY, L"The grid spacing in y must be greater than 1."},
    {IDS_GRID_BAD_ANGLE, L"The angle between the rays must lie between 1 and 359 degrees."},
    {IDS_GRID_BAD_RING, L"The ring spacing must be greater than 1."},
    {IDS_GUIDE_SELECT_ONE, L"Select a guide line in the list first."},
    {IDS_SYSTEM_NO_INTERVAL, L"Enter the interval of automatic saving."},
    {IDS_SYSTEM_BAD_PRECISION, L"The precision must lie between 0.001 and 0.5."},
    {IDS_SYSTEM_BAD_ANGLE, L"The angle must lie between 120 and 180 degrees."},
    {IDS_SYSTEM_BAD_MEDIAL, L"The medial-axis angle must lie between 5 and 60 degrees."},
    {IDS_GUIDE_MOVE, L"Move"},
    {IDS_GUIDE_ADD, L"Add"},
    {IDS_GUIDE_SUFFIX, L" Guide Line"},
    // Command names (the accelerators find their commands by these).
    {30037, L"Point"},
    {30038, L"Line"},
    {30044, L"Rectangle"},
    {30051, L"Polygon"},
    {30052, L"Star"},
    {30053, L"Circle"},
    {30057, L"Arc"},
    {30063, L"Ellipse"},
    {30064, L"Bezier"},
    {30065, L"Polyline"},
    {30072, L"Composite Curve"},
    {30078, L"Move"},
    {30080, L"Rotate"},
    {30088, L"Scale"},
    {30128, L"Delete"},
    {30149, L"Brightness"},
    // Tool bar titles; the tab tool bar and its tabs.
    {30017, L"Tabbed Tools"},
    // The status bar's paths button while tool paths are shown and hidden.
    {30333, L"Paths Shown"},
    {30332, L"Paths Hidden"},
    {30345, L"File"},
    {30346, L"Draw"},
    {30347, L"Edit"},
    {30348, L"Transform"},
    {30349, L"Align"},
    {30350, L"Node Edit"},
    {30018, L"View"},
    {30019, L"Main"},
    {30020, L"View Tools"},
    {30021, L"File"},
    {30022, L"Draw"},
    {30023, L"Text"},
    {30024, L"Node Edit"},
    {30025, L"Edit"},
    {30026, L"Transform"},
    {30027, L"Align"},
};

CMenuItemDesc Item(const wchar_t* text, UINT id) { return CMenuItemDesc{text, id, {}, 0}; }
CMenuItemDesc Separator() { return CMenuItemDesc{}; }
CMenuItemDesc Popup(const wchar_t* text, std::vector<CMenuItemDesc> items)
{
    return CMenuItemDesc{text, 0, std::move(items), 0};
}

void RegisterMainMenu()
{
    AfxRegisterMenu(IDR_MAINFRAME,
                    {
                        Popup(L"&File", {Item(L"&New\tCtrl+N", ID_FILE_NEW), Item(L"&Open...\tCtrl+O", ID_FILE_OPEN),
                                         Item(L"&Save\tCtrl+S", ID_FILE_SAVE), Item(L"Save &As...", ID_FILE_SAVE_AS),
                                         Separator(), Item(L"&Read In File...", ID_FILE_IMPORT),
                                         Item(L"Save As Other &Format...", ID_FILE_EXPORT),
                                         Item(L"&Export Selected Objects...", ID_EXPORT_SELECTION),
                                         Item(L"No&tes...", ID_NOTES), Separator(),
                                         Item(L"Select Scanner So&urce...", ID_SCAN_SELECT_SOURCE),
                                         Item(L"S&can...", ID_SCAN_ACQUIRE), Separator(),
                                         Item(L"&Print...", ID_FILE_PRINT), Item(L"Print Pre&view", ID_FILE_PRINT_PREVIEW),
                                         Item(L"Pr&int Setup...", ID_FILE_PRINT_SETUP), Separator(),
                                         Item(L"E&xit", ID_APP_EXIT)}),
                        Popup(L"&Draw", {Item(L"&Point", 32776), Item(L"&Line", 32774),
                                         Popup(L"&Rectangle", {Item(L"&Rectangle", 32777), Item(L"Rectangle, Style &2", 32780),
                                                               Item(L"Rectangle, Style &3", 32781),
                                                               Item(L"&Last Rectangle Style", 32943)}),
                                         Item(L"Pol&ygon", 32782), Item(L"&Star", 32783), Item(L"&Circle", 32775),
                                         Popup(L"&Arc", {Item(L"Arc, Kind &1", 32787), Item(L"Arc, Kind &2", 32788),
                                                         Item(L"Arc, Kind &3", 32789), Item(L"Arc, Kind &4", 32790),
                                                         Item(L"Arc, Kind &5", 32791), Item(L"&Last Arc Kind", 32942)}),
                                         Item(L"&Ellipse", 32778), Item(L"&Bezier", 32779), Item(L"Poly&line", 32903),
                                         Item(L"&Hand Drawing", 33005), Item(L"&Double Polyline", 32973),
                                         Item(L"Co&mposite Curve", 32904), Item(L"Rectangle Se&t", 32930),
                                         Item(L"Arro&w", 32948), Item(L"S&piral", 32961), Item(L"Wa&ve", 32962),
                                         Item(L"&Formula Curve", 33154), Separator(), Item(L"Make &Union", 32926),
                                         Item(L"Brea&k Union", 32927), Item(L"Bl&ock", 33072),
                                         Item(L"Block Item (no command)", 33073), Separator(),
                                         Popup(L"Te&xt", {Item(L"&Text", 32784), Item(L"Text to &Shapes", 32793),
                                                          Item(L"Text onto &Curve", 32914), Item(L"Serial &Numbers", 32949),
                                                          Item(L"&Hollow Text", 32977), Item(L"&Replace Text", 33002),
                                                          Item(L"Re&verse Text", 33148), Item(L"Text Style &1", 33289),
                                                          Item(L"Text Style &2", 33290), Item(L"Insert Special &Sign", 33003)}),
                                         Item(L"Shape Li&brary", 32849)}),
                        Popup(L"&Edit", {Item(L"&Undo\tCtrl+Z", ID_EDIT_UNDO), Item(L"&Redo\tCtrl+Y", ID_EDIT_REDO),
                                         Separator(), Item(L"Cu&t\tCtrl+X", ID_EDIT_CUT),
                                         Item(L"&Copy\tCtrl+C", ID_EDIT_COPY), Item(L"&Paste\tCtrl+V", ID_EDIT_PASTE),
                                         Item(L"&Delete", 32818), Separator(), Item(L"&Select", ID_MAIN_SELECT),
                                         Item(L"&Node Edit", ID_MAIN_NODE), Item(L"&Text", ID_MAIN_TEXT), Separator(),
                                         Item(L"Select &All", 32928), Item(L"&Invert Selection", 32929),
                                         Item(L"Select by Co&nditions", 32993), Item(L"Attri&butes", 33208), Separator(),
                                         Item(L"&Hide Objects", 32844), Item(L"Sh&ow Objects", 32845),
                                         Item(L"&Lock", 32773), Separator(),
                                         Item(L"Repeat Last Command", 98), Item(L"Repeat Second Last Command", 99),
                                         Item(L"Repeat Third Last Command", 100)}),
                        Popup(L"M&odify", {Item(L"&Move", 32795), Item(L"&Rotate", 32933), Item(L"Sca&le", 32796),
                                           Popup(L"M&irror", {Item(L"Mirror, Kind &1", 32799), Item(L"Mirror, Kind &2", 32800),
                                                              Item(L"Mirror, Kind &3", 32801)}),
                                           Popup(L"&Array", {Item(L"Array, Kind &1", 33164), Item(L"Array, Kind &2", 33165),
                                                             Item(L"&Curve Array", 32797), Item(L"&Line Array", 32959),
                                                             Item(L"&Arc Array", 32960), Item(L"&Spiral Array", 32963)}),
                                           Item(L"&Direction", 32836), Item(L"&Perspective", 32951), Item(L"&Envelope", 32956),
                                           Item(L"Pus&h", 32971), Item(L"T&wist", 32974), Separator(),
                                           Item(L"&Offset", 32852), Item(L"E&xpand", 32958), Item(L"Di&vide", 32964),
                                           Item(L"&Trim", 32834), Item(L"Trim by &Boundary", 33307),
                                           Item(L"Delete Common Li&nes", 33309), Item(L"Delete Inner Loo&ps", 32994),
                                           Item(L"&Close Curve", 32940), Item(L"Loop from Bo&undary", 33308),
                                           Popup(L"&Split", {Item(L"Split 1", 32897), Item(L"Split 2", 32898), Item(L"Split 3", 32899),
                                                             Separator(), Item(L"Simple Split 1", 32978),
                                                             Item(L"Simple Split 2", 32979), Item(L"Simple Split 3", 32980)}),
                                           Popup(L"&Boolean", {Item(L"Boolean 1", 32917), Item(L"Boolean 2", 32918),
                                                               Item(L"Boolean 3", 32919), Item(L"Boolean 4", 32920)}),
                                           Item(L"Biarc Fi&t", 32996), Item(L"Biarc Fit 2", 33155),
                                           Item(L"Medial A&xis", 33089), Item(L"Curve onto &3D", 33314)}),
                        Popup(L"Al&ign", {Item(L"Align 1", 32820), Item(L"Align 2", 32821), Item(L"Align 3", 32822),
                                          Item(L"Align 4", 32823), Item(L"Align 5", 32824), Item(L"Align 6", 32825),
                                          Item(L"Align 7", 32826), Item(L"Align 8", 32827), Item(L"Align 9", 32828),
                                          Item(L"Align 10", 32829), Item(L"Align 11", 32830), Item(L"Align 12", 32831)}),
                        Popup(L"&Node", {Item(L"Node Operation 0", 32870), Item(L"Node Operation 1", 32871),
                                         Item(L"Node Operation 2", 32872), Item(L"Node Operation 3", 32873),
                                         Item(L"Node Operation 4", 32916), Item(L"Node Operation 5", 32878),
                                         Item(L"Node Operation 7", 32879), Item(L"Node Operation 8", 32934),
                                         Item(L"Node Operation 10", 32936), Item(L"Node Operation 11", 32937),
                                         Item(L"Node Operation 12", 32938), Item(L"Node Operation 13", 32939),
                                         Item(L"Node Operation 15", 33062), Item(L"Node Operation 16", 32975),
                                         Item(L"Node Operation 17", 32990)}),
                        Popup(L"Ima&ge", {Item(L"&Trace", 32935), Item(L"&Section", 32950),
                                          Item(L"Brightness &1", 32864), Item(L"Brightness &2", 32865),
                                          Item(L"Brightness &3", 32866), Item(L"Brightness &4", 32997),
                                          Item(L"Brightness &5", 33286), Item(L"T&rim", 33191), Item(L"&Undo Image", 33077),
                                          Item(L"&Invert", 33186), Item(L"Invert &2", 33187),
                                          Item(L"Image Item (no command)", 33182)}),
                        Popup(L"Ne&sting", {Item(L"&Automatic Nesting", 32992), Item(L"&Interactive Nesting", 33000),
                                            Item(L"&Open Sheet", 33196), Item(L"&Save Sheet", 33197), Separator(),
                                            Item(L"&Cancel Nesting", 33006), Item(L"Add S&tock", 33007),
                                            Item(L"Add &Part", 33008), Item(L"&Remove Part", 33009),
                                            Item(L"Mirror Part &Horizontally", 33010), Item(L"Mirror Part &Vertically", 33011),
                                            Item(L"Rotate Part &90", 33012)}),
                        Popup(L"&Tools", {Item(L"&Calculator", 32900), Item(L"&Text Editor", 32901),
                                          Item(L"&Paint", 32972), Item(L"Application &Data Folder", 33288),
                                          Item(L"Command &Operation", 32816)}),
                        Popup(L"&View", {Item(L"P&an", ID_VIEW_PAN), Item(L"Zoom &Window", ID_VIEW_REGION),
                                         Item(L"D&ynamic Zoom", ID_VIEW_ZOOM_DYN), Item(L"Zoom &In\tPgDn", ID_VIEW_ZOOM_IN),
                                         Item(L"Zoom &Out\tPgUp", ID_VIEW_ZOOM_OUT), Item(L"Show A&ll", ID_VIEW_ALL),
                                         Item(L"Pre&vious View", ID_VIEW_PREV), Item(L"W&hole Page", ID_VIEW_PAGE),
                                         Separator(), Item(L"&3D View", ID_VIEW_3D), Item(L"3D Ro&tate", ID_VIEW_ROTATE_3D),
                                         Popup(L"3D Dir&ection", {Item(L"&Top", ID_VIEW_TOP), Item(L"&Bottom", ID_VIEW_BOTTOM),
                                                                  Item(L"&Front", ID_VIEW_FRONT), Item(L"B&ack", ID_VIEW_BACK),
                                                                  Item(L"&Left", ID_VIEW_LEFT), Item(L"&Right", ID_VIEW_RIGHT),
                                                                  Item(L"&Isometric", ID_VIEW_ISOMETRIC)}),
                                         Separator(), Item(L"&Fill Display", ID_FILL_DISPLAY),
                                         Item(L"Smooth &Surfaces", 33083), Item(L"Surface &Mesh", 33085),
                                         Item(L"Re&draw", 32991),
                                         Separator(), Item(L"&Design Centre", ID_VIEW_DCENTER),
                                         Item(L"&Grid", ID_VIEW_GRID), Item(L"&Rulers", ID_VIEW_RULERS),
                                         Item(L"S&nap Bar", ID_VIEW_SNAPBAR), Item(L"Tool &Paths", ID_VIEW_PATHS),
                                         Item(L"G&uide Lines", ID_VIEW_GUIDE_LINES),
                                         Popup(L"Tool &Bar Panes", {Item(L"&Editing", ID_PANE_EDITBAR),
                                                                    Item(L"&Drawing", ID_PANE_DRAWBAR),
                                                                    Item(L"&Alignment", ID_PANE_ALIGNBAR),
                                                                    Item(L"&Transform", ID_PANE_TRANSFORMBAR)}),
                                         Separator(), Item(L"C&lassic Tool Bars", ID_UI_CLASSIC),
                                         Item(L"Ta&b Tool Bars", ID_UI_TAB),
                                         Item(L"Tool Bar Se&ttings...", AFX_IDW_TOOLBAR), Separator(),
                                         Item(L"Setting&s...", ID_SYSTEM_SET)}),
                        Popup(L"&Measure", {Item(L"&Distance", ID_MEASURE_DISTANCE), Item(L"&Angle", ID_MEASURE_ANGLE),
                                            Item(L"A&rea and Inscribed Circle", ID_MEASURE_AREA)}),
                        Popup(L"&Layer", {Item(L"&Layers...", ID_LAYER_MANAGE), Item(L"Show &All Layers", ID_LAYER_SHOW_ALL),
                                          Item(L"Show &Only the Current Layer", ID_LAYER_SHOW_ONE),
                                          Item(L"&Hide the Object's Layer", ID_LAYER_HIDE_OF_OBJECT),
                                          Item(L"&Move Objects to Layer...", ID_LAYER_MOVE_TO_PICKED),
                                          Item(L"Move Objects to &Current Layer", ID_LAYER_MOVE_TO_CURRENT),
                                          Item(L"Make Object's Layer C&urrent", ID_LAYER_CURRENT_OF_OBJECT)}),
                        Popup(L"Hel&p", {Item(L"&Help Topics\tF1", ID_HELP_TOPICS), Item(L"&Tip of the Day...", ID_TIP_OF_THE_DAY),
                                          Item(L"Korvel on the &Web", 33180),
                                          Separator(), Item(L"&About Korvel...", ID_APP_ABOUT)}),
                    });
}

// Menus of the bar areas: popup 6 lists the classic bars and popup 8 the tab
// set's view bar (both filled when shown), popup 7 chooses the ruler unit.
// Popups 0 to 5 carry nothing here.
void RegisterBarMenus()
{
    const CMenuItemDesc empty{L"-", 0, {}, MF_POPUP};
    std::vector<CMenuItemDesc> popups(6, empty);
    popups.push_back(CMenuItemDesc{L"Tool Bars", 0, {}, MF_POPUP});
    popups.push_back(Popup(L"Ruler Units", {Item(L"&Millimetres", ID_UNIT_MM), Item(L"&Centimetres", ID_UNIT_MM + 1),
                                            Item(L"&Inches", ID_UNIT_MM + 2), Item(L"&Feet", ID_UNIT_MM + 3)}));
    popups.push_back(CMenuItemDesc{L"Tool Bars", 0, {}, MF_POPUP});
    AfxRegisterMenu(IDR_BAR_MENUS, std::move(popups));
}

// Tool-bar settings: the bars of the chosen mode in a category list (created by
// the dialog at 7,20 to 175,104) and the two modes.
void RegisterToolBarSettings()
{
    CDialogTemplateDesc desc;
    desc.lpszCaption = L"Tool Bars";
    desc.cx = 182;
    desc.cy = 162;
    desc.items = {
        CDialogItemDesc{CDialogItemKind::Static, 0xFFFF, 7, 7, 168, 10, L"Tick the tool bars to show:"},
        CDialogItemDesc{CDialogItemKind::GroupBox, 0xFFFF, 7, 108, 120, 46, L"Tool bar style"},
        CDialogItemDesc{CDialogItemKind::RadioButton, 186, 14, 120, 108, 12, L"&Panel tool bars"},
        CDialogItemDesc{CDialogItemKind::RadioButton, 537, 14, 136, 108, 12, L"&Standard tool bars"},
        CDialogItemDesc{CDialogItemKind::DefPushButton, IDOK, 132, 138, 43, 16, L"Close"},
    };
    AfxRegisterDialogTemplate(361, std::move(desc));
}

void RegisterAccelerators()
{
    AfxRegisterAccelerators(IDR_MAINFRAME, {
                                               {FVIRTKEY | FCONTROL, 'N', static_cast<WORD>(ID_FILE_NEW)},
                                               {FVIRTKEY | FCONTROL, 'O', static_cast<WORD>(ID_FILE_OPEN)},
                                               {FVIRTKEY | FCONTROL, 'S', static_cast<WORD>(ID_FILE_SAVE)},
                                               {FVIRTKEY | FCONTROL, 'Z', static_cast<WORD>(ID_EDIT_UNDO)},
                                               {FVIRTKEY | FCONTROL, 'Y', static_cast<WORD>(ID_EDIT_REDO)},
                                               {FVIRTKEY | FCONTROL, 'X', static_cast<WORD>(ID_EDIT_CUT)},
                                               {FVIRTKEY | FCONTROL, 'C', static_cast<WORD>(ID_EDIT_COPY)},
                                               {FVIRTKEY | FCONTROL, 'V', static_cast<WORD>(ID_EDIT_PASTE)},
                                               {FVIRTKEY, VK_ESCAPE, static_cast<WORD>(ID_ESCAPE)},
                                               {FVIRTKEY, VK_F1, static_cast<WORD>(ID_HELP_TOPICS)},
                                           });
}

}  // namespace

// The splash picture: drawn here, as the program ships no bitmap files.
QImage MakeSplashImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0.0, QColor(18, 42, 74));
    gradient.setColorAt(1.0, QColor(36, 110, 150));
    painter.fillRect(image.rect(), gradient);
    painter.setRenderHint(QPainter::Antialiasing);
    // A sheet with nested parts, as a cutting layout would show them.
    painter.setPen(QPen(QColor(230, 240, 250), 2));
    const QRectF sheet(width * 0.62, height * 0.18, width * 0.3, height * 0.62);
    painter.drawRect(sheet);
    painter.setPen(QPen(QColor(255, 196, 64), 2));
    painter.drawEllipse(QRectF(sheet.left() + 10, sheet.top() + 10, sheet.width() * 0.45, sheet.width() * 0.45));
    painter.drawRoundedRect(QRectF(sheet.left() + sheet.width() * 0.55, sheet.top() + 12, sheet.width() * 0.35,
                                   sheet.height() * 0.5),
                            6, 6);
    painter.drawPie(QRectF(sheet.left() + 10, sheet.center().y(), sheet.width() * 0.5, sheet.width() * 0.5), 0,
                    270 * 16);
    QFont title(QStringLiteral("Sans Serif"));
    title.setPixelSize(height / 4);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(24, height * 0.2, width * 0.6, height * 0.35), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Korvel"));
    QFont sub(QStringLiteral("Sans Serif"));
    sub.setPixelSize(height / 14);
    painter.setFont(sub);
    painter.setPen(QColor(200, 220, 235));
    painter.drawText(QRectF(26, height * 0.55, width * 0.6, height * 0.2), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("Shapes for CNC cutting"));
    return image;
}

namespace {

void RegisterSplash()
{
    // 404 x 167 dialog units: the picture above a one-line status text.
    CDialogTemplateDesc desc;
    desc.lpszCaption = L"Korvel";
    desc.cx = 404;
    desc.cy = 167;
    desc.dwStyle = WS_POPUP | WS_BORDER;
    desc.items.push_back(CDialogItemDesc{CDialogItemKind::Picture, IDC_SPLASH_PICTURE, 0, 0, 403, 151, nullptr, 0,
                                         IDB_SPLASH});
    desc.items.push_back(
        CDialogItemDesc{CDialogItemKind::Static, IDC_SPLASH_TEXT, 1, 155, 393, 11, L"", 0, 0});
    AfxRegisterDialogTemplate(IDD_SPLASH, std::move(desc));
    AfxRegisterImage(IDB_SPLASH, MakeSplashImage(606, 245));
}

// The layer manager's button pictures, by caption: "<caption>U" up and
// "<caption>D" pressed (a darker face, the content one pixel lower right).
void RegisterLayerButtons()
{
    struct Picture {
        const wchar_t* caption;
        QString text;
    };
    const Picture pictures[] = {{L"ADD", QStringLiteral("+ Add")}, {L"DEL", QStringLiteral("\u00D7 Delete")},
                                {L"OK", QStringLiteral("\u2713 OK")}};
    constexpr int kWidth = 64, kHeight = 22;
    for (const Picture& picture : pictures) {
        for (const bool down : {false, true}) {
            QImage image(kWidth, kHeight, QImage::Format_RGB32);
            QPainter painter(&image);
            QLinearGradient face(0, 0, 0, kHeight);
            face.setColorAt(0, down ? QColor(190, 205, 225) : QColor(250, 250, 252));
            face.setColorAt(1, down ? QColor(160, 180, 205) : QColor(215, 222, 232));
            painter.fillRect(image.rect(), face);
            painter.setPen(QColor(90, 100, 120));
            painter.drawRect(0, 0, kWidth - 1, kHeight - 1);
            QFont font;
            font.setPixelSize(12);
            painter.setFont(font);
            painter.setPen(QColor(20, 30, 60));
            const int shift = down ? 1 : 0;
            painter.drawText(QRect(shift, shift, kWidth, kHeight), Qt::AlignCenter, picture.text);
            painter.end();
            CString name(picture.caption);
            name += down ? L"D" : L"U";
            CBitmapButton::RegisterBitmap(name, image);
        }
    }
}

}  // namespace

void RegisterKorvelResources()
{
    for (const StringRow& row : kStrings) AfxSetResourceString(row.id, row.text);
    RegisterMainMenu();
    RegisterAccelerators();
    RegisterBarMenus();
    RegisterToolBarSettings();
    RegisterAboutDialog();
    RegisterPrintDialog();
    RegisterSettingsPages();
    RegisterSplash();
    RegisterTipResources();
    RegisterLayerButtons();
}

}  // namespace korvel
