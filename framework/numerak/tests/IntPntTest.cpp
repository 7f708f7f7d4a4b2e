#include "framework/numerak/IntPnt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

IntPnt rec(int seg1, int sub1, double para1, int tag)
{
    IntPnt r;
    r.seg1 = seg1;
    r.subSeg1 = sub1;
    r.para1 = para1;
    r.seg2 = tag; // identifies the record after sorting
    return r;
}

TEST(IntPnt, DefaultsNameASimpleCurve)
{
    const IntPnt r;
    EXPECT_EQ(r.seg1, 1);
    EXPECT_EQ(r.seg2, 1);
    EXPECT_EQ(r.subSeg1, 1);
    EXPECT_EQ(r.subSeg2, 1);
    EXPECT_EQ(r.para1, 0.0);
    EXPECT_EQ(r.para2, 0.0);
}

TEST(IntPnt, SwapParaExchangesEveryCurveField)
{
    IntPnt r;
    r.pt[0] = 3.5;
    r.pt[1] = -2.0;
    r.seg1 = 4;
    r.seg2 = 7;
    r.para1 = 0.25;
    r.para2 = 0.75;
    r.subSeg1 = 2;
    r.subSeg2 = 9;
    r.SwapPara();
    EXPECT_EQ(r.seg1, 7);
    EXPECT_EQ(r.seg2, 4);
    EXPECT_EQ(r.para1, 0.75);
    EXPECT_EQ(r.para2, 0.25);
    EXPECT_EQ(r.subSeg1, 9);
    EXPECT_EQ(r.subSeg2, 2);
    EXPECT_EQ(r.pt[0], 3.5) << "point kept";
    EXPECT_EQ(r.pt[1], -2.0) << "point kept";
    r.SwapPara();
    EXPECT_EQ(r.seg1, 4) << "swapping twice restores";
    EXPECT_EQ(r.subSeg2, 9) << "swapping twice restores";
}

TEST(IntPnt, SortOrdersBySegmentSubSegmentParameter)
{
    std::vector<IntPnt> v = {rec(2, 1, 0.1, 0), rec(1, 2, 0.0, 1), rec(1, 1, 0.9, 2),
                             rec(1, 1, 0.2, 3), rec(2, 1, 0.1, 4), rec(1, 2, 0.5, 5)};
    SortIntPt(v);
    const int order[] = {3, 2, 1, 5, 0, 4}; // equal keys (tags 0 and 4) keep their order
    ASSERT_EQ(v.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(v[i].seg2, order[i]) << "position " << i;

    IntPnt arr[3] = {rec(1, 1, NAN, 0), rec(1, 1, 0.5, 1), rec(1, 1, 0.1, 2)};
    SortIntPt(arr, 3);
    EXPECT_EQ(arr[0].seg2, 2) << "plain array";
    EXPECT_EQ(arr[1].seg2, 1) << "plain array";
    EXPECT_EQ(arr[2].seg2, 0) << "NaN parameter goes last";
    SortIntPt(nullptr, 5); // no crash
    SortIntPt(arr, -1);
}

} // namespace
