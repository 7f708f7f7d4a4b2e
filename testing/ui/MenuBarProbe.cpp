#include "testing/ui/MenuBarProbe.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QWindow>

#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdlib>

namespace ui_probe {

namespace {

constexpr int kWaitMs = 3000;

QRect GlobalRect(const QWidget* widget) { return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()); }

std::string Describe(const QWidget* widget)
{
    if (widget == nullptr) return "nothing";
    const QRect r = GlobalRect(widget);
    std::string text = widget->metaObject()->className();
    if (!widget->objectName().isEmpty()) text += " '" + widget->objectName().toStdString() + "'";
    if (!widget->windowTitle().isEmpty()) text += " \"" + widget->windowTitle().toStdString() + "\"";
    return text + " at " + std::to_string(r.x()) + "," + std::to_string(r.y()) + " size " + std::to_string(r.width()) +
           "x" + std::to_string(r.height());
}

bool IsWithin(const QWidget* widget, const QWidget* ancestor)
{
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget())
        if (w == ancestor) return true;
    return false;
}

void CloseAnyPopup()
{
    for (int guard = 0; guard < 8; ++guard) {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup == nullptr) break;
        popup->close();
        QCoreApplication::processEvents();
    }
    QTest::qWait(50);
}

bool WaitForPopup(const QMenu* menu)
{
    return QTest::qWaitFor([menu] { return QApplication::activePopupWidget() == menu; }, kWaitMs);
}

class QtInput : public Input {
public:
    explicit QtInput(QMainWindow* window) : m_window(window) {}

    void Click(QPoint global) override
    {
        // The top-level window under the point takes the click, as the screen would give it.
        QWindow* target = QGuiApplication::topLevelAt(global);
        if (target == nullptr) target = m_window->windowHandle();
        QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->mapFromGlobal(global));
    }

    void AltKey(int qtKey) override
    {
        QWindow* target = QGuiApplication::focusWindow();
        if (target == nullptr) target = m_window->windowHandle();
        QTest::keyClick(target, static_cast<Qt::Key>(qtKey), Qt::AltModifier);
    }

private:
    QMainWindow* m_window;
};

constexpr xcb_keysym_t kKeysymAltL = 0xffe9;

// Fake input events sent to the X server, which routes them as it routes a user's.
class XServerInput : public Input {
public:
    explicit XServerInput(xcb_connection_t* connection) : m_connection(connection)
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    }

    void Click(QPoint global) override
    {
        Fake(XCB_MOTION_NOTIFY, 0, global);
        Settle();
        Fake(XCB_BUTTON_PRESS, 1, global);
        Settle();
        Fake(XCB_BUTTON_RELEASE, 1, global);
        Settle();
    }

    void AltKey(int qtKey) override
    {
        const xcb_keycode_t alt = KeycodeOf(kKeysymAltL);
        const xcb_keycode_t key = KeycodeOf(KeysymOf(qtKey));
        ASSERT_NE(alt, 0) << "no key code for Alt";
        ASSERT_NE(key, 0) << "no key code for Qt key " << qtKey;
        Fake(XCB_KEY_PRESS, alt, {});
        Fake(XCB_KEY_PRESS, key, {});
        Fake(XCB_KEY_RELEASE, key, {});
        Fake(XCB_KEY_RELEASE, alt, {});
        Settle();
    }

private:
    void Fake(uint8_t type, uint8_t detail, QPoint global)
    {
        xcb_test_fake_input(m_connection, type, detail, XCB_CURRENT_TIME, m_root, static_cast<int16_t>(global.x()),
                            static_cast<int16_t>(global.y()), XCB_NONE);
        xcb_flush(m_connection);
    }

    // Lets the server's events reach the widgets.
    void Settle() { QTest::qWait(60); }

    // Letters and digits: the keysym is the lower-case character.
    static xcb_keysym_t KeysymOf(int qtKey)
    {
        if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<xcb_keysym_t>('a' + (qtKey - Qt::Key_A));
        return static_cast<xcb_keysym_t>(qtKey);
    }

    xcb_keycode_t KeycodeOf(xcb_keysym_t keysym)
    {
        const xcb_setup_t* setup = xcb_get_setup(m_connection);
        const int first = setup->min_keycode;
        const int count = setup->max_keycode - first + 1;
        xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
            m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, static_cast<uint8_t>(count)),
            nullptr);
        if (reply == nullptr) return 0;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
        const int perCode = reply->keysyms_per_keycode;
        xcb_keycode_t found = 0;
        for (int k = 0; k < count && found == 0; ++k)
            for (int j = 0; j < perCode && found == 0; ++j)
                if (syms[k * perCode + j] == keysym) found = static_cast<xcb_keycode_t>(first + k);
        std::free(reply);
        return found;
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root = 0;
};

}  // namespace

std::vector<MenuTitle> MenuTitlesOf(QMenuBar* bar)
{
    std::vector<MenuTitle> titles;
    if (bar == nullptr) return titles;
    for (QAction* action : bar->actions()) {
        if (action->menu() == nullptr || !action->isVisible()) continue;
        const QRect r = bar->actionGeometry(action);
        const QKeySequence mnemonic = QKeySequence::mnemonic(action->text());
        const int key = mnemonic.isEmpty() ? 0 : mnemonic[0].key();
        titles.push_back({action->text(), action->menu(), bar->mapToGlobal(r.center()), key});
    }
    return titles;
}

std::vector<std::string> WidgetsOverBars(QMainWindow* window)
{
    std::vector<const QWidget*> bars;
    if (QWidget* menu = window->menuWidget(); menu != nullptr && menu->isVisible()) bars.push_back(menu);
    for (QToolBar* bar : window->findChildren<QToolBar*>())
        if (bar->isVisible() && bar->parentWidget() == window) bars.push_back(bar);
    if (QStatusBar* status = window->findChild<QStatusBar*>(); status != nullptr && status->isVisible())
        bars.push_back(status);

    std::vector<std::string> overlaps;
    for (const QWidget* bar : bars) {
        const QRect barRect = GlobalRect(bar);
        for (const QWidget* widget : window->findChildren<QWidget*>()) {
            if (!widget->isVisible() || IsWithin(widget, bar) || IsWithin(bar, widget)) continue;
            if (GlobalRect(widget).intersects(barRect)) overlaps.push_back(Describe(widget) + " over " + Describe(bar));
        }
    }
    return overlaps;
}

std::unique_ptr<Input> MakeQtInput(QMainWindow* window) { return std::make_unique<QtInput>(window); }

std::unique_ptr<Input> MakeXServerInput()
{
    auto* x11 = qApp != nullptr ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || x11->connection() == nullptr) return nullptr;
    xcb_connection_t* connection = x11->connection();
    xcb_test_get_version_reply_t* version =
        xcb_test_get_version_reply(connection, xcb_test_get_version(connection, 2, 1), nullptr);
    if (version == nullptr) return nullptr;
    std::free(version);
    return std::make_unique<XServerInput>(connection);
}

bool ShowActive(QMainWindow* window)
{
    window->show();
    window->raise();
    window->activateWindow();
    return QTest::qWaitForWindowExposed(window, kWaitMs) && QTest::qWaitForWindowActive(window, kWaitMs);
}

void ExpectEveryMenuOpens(QMainWindow* window, Input& input)
{
    auto* bar = qobject_cast<QMenuBar*>(window->menuWidget());
    ASSERT_NE(bar, nullptr) << "the window has no menu bar";
    const std::vector<MenuTitle> titles = MenuTitlesOf(bar);
    ASSERT_FALSE(titles.empty()) << "the menu bar has no menus";
    for (const MenuTitle& title : titles) {
        const std::string name = title.text.toStdString();
        QWidget* at = QApplication::widgetAt(title.centre);
        EXPECT_EQ(at, bar) << name << ": the widget at the title's centre is " << Describe(at);

        CloseAnyPopup();
        input.Click(title.centre);
        EXPECT_TRUE(WaitForPopup(title.menu))
            << name << " opens on a click on its title; active popup: " << Describe(QApplication::activePopupWidget());
        CloseAnyPopup();

        EXPECT_NE(title.mnemonicKey, 0) << name << " has a mnemonic";
        if (title.mnemonicKey == 0) continue;
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window, kWaitMs)) << name << ": the window is active for its key";
        input.AltKey(title.mnemonicKey);
        EXPECT_TRUE(WaitForPopup(title.menu))
            << name << " opens on Alt with its mnemonic; active popup: " << Describe(QApplication::activePopupWidget());
        CloseAnyPopup();
    }
}

}  // namespace ui_probe
