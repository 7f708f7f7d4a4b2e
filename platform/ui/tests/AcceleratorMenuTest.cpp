#include "TestApp.h"

#include "platform/ui/Accelerator.h"
#include "platform/ui/Input.h"
#include "platform/ui/Menu.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/ScriptedPrompt.h"
#include "testing/ui/MenuBarProbe.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

using namespace ui_test;

namespace {

constexpr UINT kResource = 101;  // the test template's resource id

void Key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, mods, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, mods, text);
  QApplication::sendEvent(w, &release);
}

class AcceleratorMenuTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(AfxEnsureQtApplication());
    Log().clear();
    AfxRegisterAccelerators(kResource, {{FVIRTKEY, 'K', static_cast<WORD>(kCmdView)},
                                        {FVIRTKEY | FCONTROL, 'K', static_cast<WORD>(kCmdFrame)},
                                        {FVIRTKEY, VK_F1 + 4, static_cast<WORD>(kCmdDisabled)},
                                        {0, '?', static_cast<WORD>(kCmdApp)},
                                        // Alt with the mnemonic of "&Test", and Alt with a key no title uses.
                                        {FVIRTKEY | FALT, 'T', static_cast<WORD>(kCmdFrame)},
                                        {FVIRTKEY | FALT, 'Q', static_cast<WORD>(kCmdView)}});
    AfxRegisterMenu(kResource, {{L"&File", {{L"&New", ID_FILE_NEW}, {}, {L"E&xit", ID_APP_EXIT}}},
                                {L"&Test",
                                 {{L"Checked", kCmdChecked},
                                  {L"Disabled", kCmdDisabled},
                                  {L"More", {{L"View", kCmdView}, {L"Nowhere", kCmdNowhere}}}}}});
    app.m_argc = 0;
    ASSERT_TRUE(app.InitApplication());
    ASSERT_TRUE(app.InitInstance());
    frame = dynamic_cast<CTestFrame*>(app.m_pMainWnd);
    ASSERT_NE(frame, nullptr);
    view = dynamic_cast<CTestView*>(frame->GetActiveView());
    ASSERT_NE(view, nullptr);
  }
  void TearDown() override {
    if (app.m_pMainWnd != nullptr) app.m_pMainWnd->DestroyWindow();
    AfxRegisterAccelerators(kResource, nullptr, 0);
    AfxRegisterMenu(kResource, {});
  }

  CTestApp app;
  CTestFrame* frame = nullptr;
  CTestView* view = nullptr;
};

TEST_F(AcceleratorMenuTest, KeysInTheViewRunTheFramesAccelerators) {
  struct Row {
    const char* label;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    QString text;
    std::vector<std::string> log;  // commands run
    std::vector<UINT> keys;        // WM_KEYDOWN reaching the view
    std::vector<UINT> chars;       // WM_CHAR reaching the view
  };
  const Row rows[] = {
      {"plain K", Qt::Key_K, Qt::NoModifier, "k", {"view"}, {}, {}},
      {"ctrl K", Qt::Key_K, Qt::ControlModifier, "k", {"frame"}, {VK_CONTROL}, {}},
      {"shift K has no entry", Qt::Key_K, Qt::ShiftModifier, "K", {}, {VK_SHIFT, 'K'}, {'K'}},
      {"disabled command", Qt::Key_F5, Qt::NoModifier, "", {}, {}, {}},
      {"character entry", Qt::Key_Question, Qt::ShiftModifier, "?", {"app"}, {VK_SHIFT, VK_OEM_2}, {}},
  };
  for (const Row& row : rows) {
    Log().clear();
    view->m_keys.clear();
    view->m_chars.clear();
    // Modifier keys go down first, as the platform delivers them.
    if (row.mods & Qt::ShiftModifier) Key(view->GetWidget(), Qt::Key_Shift, Qt::ShiftModifier, "");
    if (row.mods & Qt::ControlModifier) Key(view->GetWidget(), Qt::Key_Control, Qt::ControlModifier, "");
    Key(view->GetWidget(), row.key, row.mods, row.text);
    EXPECT_EQ(Log(), row.log) << row.label;
    EXPECT_EQ(view->m_keys, row.keys) << row.label;
    EXPECT_EQ(view->m_chars, row.chars) << row.label;
  }
}

TEST_F(AcceleratorMenuTest, CreatedTablesCopyAndDestroy) {
  const ACCEL entries[] = {{FVIRTKEY, VK_ESCAPE, 32850}, {FVIRTKEY | FSHIFT, 'H', 32801}};
  HACCEL h = CreateAcceleratorTable(entries, 2);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(CopyAcceleratorTable(h, nullptr, 0), 2);
  ACCEL copy[1]{};
  EXPECT_EQ(CopyAcceleratorTable(h, copy, 1), 1);
  EXPECT_EQ(copy[0].cmd, 32850);
  EXPECT_TRUE(DestroyAcceleratorTable(h));
  EXPECT_EQ(CreateAcceleratorTable(entries, 0), nullptr);
  EXPECT_FALSE(DestroyAcceleratorTable(AfxLoadAccelerators(kResource))) << "registered tables live on";
  EXPECT_EQ(AfxLoadAccelerators(kResource), frame->GetDefaultAccelerator());
}

TEST_F(AcceleratorMenuTest, RegisteredMenuBecomesTheFramesMenuBar) {
  CMenu* menu = frame->GetMenu();
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->GetMenuItemCount(), 2);
  EXPECT_EQ(menu->GetMenuItemID(0), static_cast<UINT>(-1)) << "a popup has no id";
  CMenu* file = menu->GetSubMenu(0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->GetMenuItemCount(), 3);
  EXPECT_EQ(file->GetMenuItemID(0), ID_FILE_NEW);
  EXPECT_EQ(file->GetMenuItemID(1), 0u) << "separator";
  CString text;
  menu->GetMenuString(kCmdNowhere, text, MF_BYCOMMAND);  // found inside nested popups
  EXPECT_EQ(text, L"Nowhere");
  menu->GetMenuString(1, text, MF_BYPOSITION);
  EXPECT_EQ(text, L"&Test");

  // The Qt menu bar carries one action per command, wired to the routing.
  const QList<QAction*> bar = frame->GetMainWindow()->menuBar()->actions();
  ASSERT_EQ(bar.size(), 2);
  QMenu* test = bar[1]->menu();
  ASSERT_NE(test, nullptr);
  ASSERT_GE(test->actions().size(), 3);
  test->actions()[0]->trigger();
  EXPECT_EQ(Log(), std::vector<std::string>{"checked"});
  emit test->aboutToShow();
  EXPECT_TRUE(test->actions()[0]->isChecked()) << "update handler ran before the menu showed";
  EXPECT_FALSE(test->actions()[1]->isEnabled());
}

TEST_F(AcceleratorMenuTest, MenusOpenByClickAndMnemonicBeforeAltAccelerators) {
  QMainWindow* window = frame->GetMainWindow();
  ASSERT_TRUE(ui_probe::ShowActive(window));
  ASSERT_EQ(ui_probe::MenuTitlesOf(window->menuBar()).size(), 2u);
  Log().clear();
  ui_probe::ExpectEveryMenuOpens(window, *ui_probe::MakeQtInput(window));
  EXPECT_EQ(Log(), std::vector<std::string>{}) << "Alt+T opened the Test menu, not the accelerator's command";

  // An Alt accelerator on a key no title uses still runs its command.
  view->SetFocus();
  QTest::keyClick(window->windowHandle(), Qt::Key_Q, Qt::AltModifier);
  EXPECT_EQ(Log(), std::vector<std::string>{"view"});
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(AcceleratorMenuTest, MenuEditsFollowThePlatformRules) {
  CMenu menu;
  ASSERT_TRUE(menu.CreatePopupMenu());
  EXPECT_TRUE(menu.AppendMenu(MF_STRING, 10, L"ten"));
  EXPECT_TRUE(menu.AppendMenu(MF_SEPARATOR));
  EXPECT_TRUE(menu.InsertMenu(10, MF_BYCOMMAND, 9, L"nine"));
  CMenu sub;
  sub.CreatePopupMenu();
  sub.AppendMenu(MF_STRING, 20, L"twenty");
  const HMENU hSub = sub.Detach();
  EXPECT_TRUE(menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(hSub), L"sub"));
  EXPECT_FALSE(menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(hSub), L"again")) << "a popup has one menu";
  EXPECT_FALSE(menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(menu.m_hMenu), L"self"));
  ASSERT_EQ(menu.GetMenuItemCount(), 4);
  EXPECT_EQ(menu.GetMenuItemID(0), 9u);
  EXPECT_EQ(menu.CheckMenuItem(20, MF_CHECKED), MF_UNCHECKED);
  EXPECT_EQ(menu.CheckMenuItem(20, MF_UNCHECKED), MF_CHECKED);
  EXPECT_EQ(menu.CheckMenuItem(99, MF_CHECKED), static_cast<UINT>(-1));
  EXPECT_EQ(menu.EnableMenuItem(10, MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(menu.GetMenuState(10, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
  EXPECT_EQ(CMenu::FromHandle(hSub), menu.GetSubMenu(3));
  EXPECT_TRUE(menu.DeleteMenu(3, MF_BYPOSITION));
  EXPECT_EQ(CMenu::FromHandle(hSub), nullptr) << "the popup went with its item";
  EXPECT_EQ(menu.GetMenuItemCount(), 3);
  EXPECT_EQ(menu.GetMenuItemID(7), static_cast<UINT>(-1));
}

TEST_F(AcceleratorMenuTest, TrackedPopupIsUpdatedAndPostsTheChoice) {
  CScriptedPrompt prompt;
  CMenu popup;
  ASSERT_TRUE(popup.LoadMenu(kResource));
  CMenu* test = popup.GetSubMenu(1);
  ASSERT_NE(test, nullptr);

  prompt.m_menuChoices = {kCmdDisabled, kCmdChecked};
  EXPECT_FALSE(test->TrackPopupMenu(TPM_RIGHTBUTTON, 10, 10, frame)) << "a disabled item cannot be chosen";
  ASSERT_EQ(prompt.m_menus.size(), 1u);
  const auto& shown = prompt.m_menus[0];
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].nFlags & MF_CHECKED, MF_CHECKED) << "update handlers ran first";
  EXPECT_EQ(shown[0].strText, L"On");
  EXPECT_EQ(shown[1].nFlags & MF_GRAYED, MF_GRAYED);
  EXPECT_EQ(shown[2].subItems.size(), 2u);
  EXPECT_EQ(shown[2].subItems[1].nFlags & MF_GRAYED, MF_GRAYED) << "no handler: disabled";

  EXPECT_TRUE(test->TrackPopupMenu(TPM_RIGHTBUTTON, 10, 10, frame));
  EXPECT_TRUE(Log().empty()) << "the command is posted, not sent";
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Log(), std::vector<std::string>{"checked"});

  prompt.m_menuChoices = {kCmdView};
  EXPECT_EQ(test->TrackPopupMenu(TPM_RETURNCMD, 0, 0, frame), static_cast<BOOL>(kCmdView));
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Log().size(), 1u) << "TPM_RETURNCMD only returns the choice";
}

}  // namespace

TEST_F(AcceleratorMenuTest, ExitFromTheMenuDeletesTheFrameAfterTheMenusEvent) {
  QMenu* file = frame->GetMainWindow()->menuBar()->actions()[0]->menu();
  ASSERT_NE(file, nullptr);
  QAction* exit = file->actions().back();
  ASSERT_EQ(exit->text(), QString("E&xit"));
  QPointer<QMainWindow> window = frame->GetMainWindow();
  QPointer<QMenu> menu = file;
  exit->trigger();
  EXPECT_EQ(app.m_pMainWnd, nullptr) << "the frame is closed";
  // The menu is still inside its own event: neither it nor the window under it
  // may be gone yet, or the menu goes on in freed memory.
  EXPECT_FALSE(menu.isNull());
  EXPECT_FALSE(window.isNull());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(window.isNull()) << "deleted once the event is over";
  EXPECT_TRUE(menu.isNull());
}
