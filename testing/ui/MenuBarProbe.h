// Checks that a main window's menu bar is reachable as a user reaches it: nothing
// covers it, a click on each title opens that menu, and so does Alt with the
// title's mnemonic. Input comes either through Qt's window-system interface (any
// platform, in-process) or through the X server (xcb only), where the stacking of
// top-level windows counts too.
#pragma once

#include <QPoint>
#include <QString>

#include <memory>
#include <string>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;
class QMenuBar;

namespace ui_probe {

struct MenuTitle {
    QString text;       // as shown, with its mnemonic marker
    QMenu* menu;
    QPoint centre;      // of the title, in global coordinates
    int mnemonicKey;    // Qt key of the mnemonic, 0 when the title has none
};

// The bar's menus in order.
std::vector<MenuTitle> MenuTitlesOf(QMenuBar* bar);

// Visible widgets of the window that lie over one of its bars (the menu bar, the
// tool bars, the status bar) without belonging to it: widgets, other than the bar
// and its children, whose rectangle meets the bar's. One line per overlap.
std::vector<std::string> WidgetsOverBars(QMainWindow* window);

// Where clicks and keys come from.
class Input {
public:
    virtual ~Input() = default;
    // A left click at a global point.
    virtual void Click(QPoint global) = 0;
    // The key pressed and released with Alt held.
    virtual void AltKey(int qtKey) = 0;
};

// Through Qt's window-system interface into the window under the point.
std::unique_ptr<Input> MakeQtInput(QMainWindow* window);
// Through the X server (XTest); null unless the application runs on xcb.
std::unique_ptr<Input> MakeXServerInput();

// Shows and activates the window; false when it did not become active.
bool ShowActive(QMainWindow* window);

// For every menu of the window's bar: the widget at the title's centre is the
// bar; a click there makes the menu the active popup; Alt with the mnemonic does
// the same. Failures name the menu and the way it was opened.
void ExpectEveryMenuOpens(QMainWindow* window, Input& input);

}  // namespace ui_probe
