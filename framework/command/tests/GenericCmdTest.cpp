// A generic command runs through the hub and never stays running.
#include "framework/command/GenericCmd.h"
#include "framework/relayon/Relayon.h"

#include <gtest/gtest.h>

TEST(GenericCmdTest, RunsByIdAndEndsAtOnce)
{
    CRelayon hub;
    auto* cmd = new CGenericCmd(1, nullptr, 32801);
    ASSERT_TRUE(hub.RegAppCmd(cmd));
    EXPECT_EQ(hub.RunAppCmd(32801, 2), 0);
    EXPECT_EQ(cmd->GetRunCount(), 1);
    EXPECT_EQ(cmd->GetLastSub(), 2);
    EXPECT_EQ(hub.CurCmdFlag(), 0);
    EXPECT_FALSE(cmd->IsRunning());
}
