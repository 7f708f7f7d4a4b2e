#include "framework/looker/QVGlobal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class QVGlobalTest : public ::testing::Test {
protected:
    void TearDown() override { looker::testing::ResetQVGlobal(); }
};

TEST_F(QVGlobalTest, DefaultsWithoutSettingsObject)
{
    EXPECT_EQ(gGetQVGlobal(), nullptr);
    EXPECT_DOUBLE_EQ(gGetCrvDiscTol(), 0.01);
    EXPECT_DOUBLE_EQ(gGetCrvShowDiscTol(), 0.05);
    EXPECT_NEAR(gGetCrvDiscAng(), 10.0 * M_PI / 180.0, 1e-15);
}

TEST_F(QVGlobalTest, PublishedObjectDrivesTheLiveTolerances)
{
    CQVGlobal settings;
    EXPECT_EQ(settings.GetVersion(), 12);
    settings.SetCrvDiscTol(0.002);
    settings.SetCrvShowDiscTol(0.1);
    settings.SetCrvDiscAng(0.5);
    gSetQVGlobal(&settings);
    EXPECT_EQ(gGetQVGlobal(), &settings);
    EXPECT_DOUBLE_EQ(gGetCrvDiscTol(), 0.002);
    EXPECT_DOUBLE_EQ(gGetCrvShowDiscTol(), 0.1);
    EXPECT_DOUBLE_EQ(gGetCrvDiscAng(), 0.5);
    // gNewQVGlobal keeps a published object.
    EXPECT_EQ(gNewQVGlobal(), &settings);
    gSetQVGlobal(nullptr);
    EXPECT_DOUBLE_EQ(gGetCrvDiscTol(), 0.01);
}

TEST_F(QVGlobalTest, BadTolerancesAreRefused)
{
    CQVGlobal settings;
    const double bad[] = {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity()};
    for (double v : bad) {
        EXPECT_FALSE(settings.SetCrvDiscTol(v)) << v;
        EXPECT_FALSE(settings.SetCrvShowDiscTol(v)) << v;
        EXPECT_FALSE(settings.SetCrvDiscAng(v)) << v;
    }
    EXPECT_DOUBLE_EQ(settings.GetCrvDiscTol(), 0.01);
    EXPECT_DOUBLE_EQ(settings.GetCrvShowDiscTol(), 0.05);
}

TEST_F(QVGlobalTest, LibraryOwnedObjectAndReset)
{
    CQVGlobal* g = gNewQVGlobal();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(gGetQVGlobal(), g);
    EXPECT_EQ(gNewQVGlobal(), g);
    g->SetVersion(5);
    looker::testing::ResetQVGlobal();
    EXPECT_EQ(gGetQVGlobal(), nullptr);
    EXPECT_EQ(gNewQVGlobal()->GetVersion(), 12) << "a fresh object after reset";
}

}  // namespace
