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

TEST_F(QVGlobalTest, IntersectionTriplesComeFromTheSettingsObject)
{
    double pre[3], tra[3];
    ZDC_Get_gp_pre(pre);
    ZDC_Get_gp_tra(tra);
    for (int k = 0; k < 3; ++k) {
        EXPECT_DOUBLE_EQ(pre[k], kDefaultSurfSubdivTol[k]) << "default subdivision " << k;
        EXPECT_DOUBLE_EQ(tra[k], kDefaultSurfTraceTol[k]) << "default trace " << k;
    }
    CQVGlobal settings;
    const double subdiv[3] = {0.002, 0.3, 0.05}, trace[3] = {0.0001, 0.0, 0.004};
    EXPECT_TRUE(settings.SetSurfSubdivTol(subdiv));
    EXPECT_TRUE(settings.SetSurfTraceTol(trace)) << "a zero component is kept: it leaves the kernel's value";
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double bad[][3] = {{-0.1, 0.2, 0.3}, {0.1, nan, 0.3}, {0.1, 0.2, std::numeric_limits<double>::infinity()}};
    for (const auto& b : bad) {
        EXPECT_FALSE(settings.SetSurfSubdivTol(b));
        EXPECT_FALSE(settings.SetSurfTraceTol(b));
    }
    EXPECT_FALSE(settings.SetSurfSubdivTol(nullptr));
    gSetQVGlobal(&settings);
    ZDC_Get_gp_pre(pre);
    ZDC_Get_gp_tra(tra);
    for (int k = 0; k < 3; ++k) {
        EXPECT_DOUBLE_EQ(pre[k], subdiv[k]) << "subdivision " << k;
        EXPECT_DOUBLE_EQ(tra[k], trace[k]) << "trace " << k;
    }
    ZDC_Get_gp_pre(nullptr);  // nothing to fill
}

}  // namespace
