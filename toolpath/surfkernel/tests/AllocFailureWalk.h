#pragma once
// Runs an operation once to count its kernel allocations, then once more with
// each allocation failing in turn: every run must report failure and leave no
// block behind.

#include "framework/numerak/QvMem.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

// op returns true on success and frees whatever it made.
inline void walkAllocFailures(const std::string& label, const std::function<bool()>& op)
{
    const long live = QV_MemLiveCount();
    QV_MemResetCount();
    ASSERT_TRUE(op()) << label << ": succeeds without the hook";
    const long count = QV_MemAllocCount();
    ASSERT_EQ(QV_MemLiveCount(), live) << label << ": leaks on success";
    ASSERT_GT(count, 0) << label << ": allocates nothing";
    for (long n = 0; n < count; ++n) {
        QV_MemFailAfter(static_cast<int>(n));
        const bool ok = op();
        QV_MemFailAfter(-1);
        EXPECT_FALSE(ok) << label << ": allocation " << n << " failed but the operation succeeded";
        EXPECT_EQ(QV_MemLiveCount(), live) << label << ": leak when allocation " << n << " fails";
    }
}
