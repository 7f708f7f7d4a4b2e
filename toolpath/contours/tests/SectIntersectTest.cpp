#include "toolpath/contours/SectIntersect.h"

#include <gtest/gtest.h>

TEST(SectIntersect, Placeholder) { EXPECT_EQ(InUnitRange(0.5), 1); }
