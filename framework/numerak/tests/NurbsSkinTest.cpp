#include "framework/numerak/NurbsSkin.h"

#include "framework/numerak/tests/NurbsTestCurves.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using nurbs_test::Curve;
using nurbs_test::MaxGap;
using nurbs_test::Wavy;

TEST(NurbsSkinTest, NetsAreZeroedRowsOfPoints)
{
    auto** net = NET4D_Create(3, 5);
    ASSERT_NE(net, nullptr);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 5; ++j)
            EXPECT_EQ(net[i][j][3], 0.0);
    net[2][4][0] = 1.0;
    NET4D_Free(net, 3);
    EXPECT_EQ(NET4D_Create(0, 5), nullptr);
    NET4D_Free(nullptr, 3);
}

TEST(NurbsSkinTest, DeviationMeasureTellsTheSense)
{
    Curve a = Wavy(4, 8, false);
    Curve b(a->Clone());
    double same = -1, reversed = -1;
    ASSERT_EQ(BCRV_InqADDegree(0, a.get(), b.get(), &same), 1);
    ASSERT_EQ(BCRV_InqADDegree(1, a.get(), b.get(), &reversed), 1);
    EXPECT_EQ(same, 0.0);
    EXPECT_GT(reversed, 1.0);
    b->Reverse();
    ASSERT_EQ(BCRV_InqADDegree(1, a.get(), b.get(), &reversed), 1);
    EXPECT_LT(reversed, 1e-12);
    EXPECT_EQ(BCRV_InqADDegree(2, a.get(), b.get(), &same), 0) << "bad mode";
}

TEST(NurbsSkinTest, UniStrGivesOneOrderAndKnotVectorKeepingShapes)
{
    std::vector<Curve> curves;
    curves.push_back(Wavy(3, 6, false));
    curves.push_back(Wavy(4, 9, true));
    curves.push_back(Wavy(2, 5, false));
    curves.push_back(Wavy(4, 7, false));
    std::vector<Curve> originals;
    std::vector<BCRV*> raw;
    for (auto& c : curves) {
        originals.emplace_back(c->Clone());
        raw.push_back(c.get());
    }
    ASSERT_EQ(BCRV_UniStr(4, raw.data(), 1e-10), 1);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(raw[i]->k, 4) << i;
        EXPECT_EQ(raw[i]->n, raw[0]->n) << i;
        for (int j = 0; j < raw[0]->n + 4; ++j)
            EXPECT_EQ(raw[i]->U[j], raw[0]->U[j]) << "curve " << i << " knot " << j;
        EXPECT_LT(MaxGap(raw[i], originals[i].get()), 1e-9) << "curve " << i;
    }
    EXPECT_EQ(BCRV_UniStr(0, raw.data(), 1e-10), 0);
}

} // namespace
