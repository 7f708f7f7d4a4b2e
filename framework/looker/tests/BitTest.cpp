#include "framework/looker/Bit.h"

#include <gtest/gtest.h>

TEST(Bit, CreateSetsEveryBit)
{
    for (int count : {0, 1, 63, 64, 65, 130}) {
        CBit bits;
        ASSERT_EQ(bits.Create(count, 1), 1) << count;
        EXPECT_EQ(bits.GetSize(), count);
        for (int i = 0; i < count; ++i) ASSERT_TRUE(bits.IsTrue(i)) << count << " bit " << i;
        EXPECT_FALSE(bits.IsTrue(count)) << count << ": past the end";
        EXPECT_FALSE(bits.IsTrue(-1)) << count;
        bits.Create(count, 0);
        for (int i = 0; i < count; ++i) ASSERT_FALSE(bits.IsTrue(i)) << count << " bit " << i;
    }
    CBit bits;
    EXPECT_EQ(bits.Create(-1, 1), 0);
    bits.Create(70, 0);
    bits.SetBit(66, true);
    bits.SetBit(70, true);  // ignored
    EXPECT_TRUE(bits.IsTrue(66));
    EXPECT_FALSE(bits.IsTrue(65));
}
