// The main frame's menus as a user reaches them, in-process on the offscreen
// platform: clicks and keys enter through Qt's window-system interface and reach
// whatever widget lies under the point.
#include "AppFixture.h"

#include "testing/ui/MenuBarProbe.h"

using namespace korvel_test;

namespace {

class MenuBarTest : public AppTest {};

TEST_F(MenuBarTest, EveryMenuOpensByClickAndMnemonic)
{
    ASSERT_TRUE(Start());
    ExpectMenusReachable(*ui_probe::MakeQtInput(Frame()->GetMainWindow()));
}

}  // namespace
