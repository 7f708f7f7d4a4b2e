#include "framework/numerak/QvMem.h"

#include <gtest/gtest.h>

namespace {

TEST(QvMemTest, HookFailsTheChosenAllocationOnce)
{
    QV_MemResetCount();
    const long live = QV_MemLiveCount();
    QV_MemFailAfter(2);
    void* a = QV_MemAlloc(8);
    void* b = QV_MemAlloc(8);
    void* c = QV_MemAlloc(8);
    void* d = QV_MemAlloc(8);
    EXPECT_NE(a, nullptr);
    EXPECT_NE(b, nullptr);
    EXPECT_EQ(c, nullptr) << "third allocation fails";
    EXPECT_NE(d, nullptr) << "the hook fires once";
    EXPECT_EQ(QV_MemAllocCount(), 3);
    EXPECT_EQ(QV_MemLiveCount(), live + 3);
    for (void* p : {a, b, c, d})
        QV_MemFree(p);
    EXPECT_EQ(QV_MemLiveCount(), live);
    EXPECT_EQ(QV_MemAlloc(0), nullptr) << "zero bytes";
}

} // namespace
