// The main frame's menus as a user reaches them through a real X server: clicks
// and keys are faked at the server, which routes them by the stacking of all
// windows on the screen (the splash among them).
#include "AppFixture.h"

#include "testing/ui/MenuBarProbe.h"

using namespace korvel_test;

namespace {

class MenuBarX11Test : public AppTest {};

TEST_F(MenuBarX11Test, EveryMenuOpensByClickAndMnemonic)
{
    ASSERT_TRUE(Start());
    std::unique_ptr<ui_probe::Input> input = ui_probe::MakeXServerInput();
    ASSERT_NE(input, nullptr) << "the program runs on an X server with the XTEST extension";
    ExpectMenusReachable(*input);
}

}  // namespace
