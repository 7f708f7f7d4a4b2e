#include "framework/looker/MemPool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace {

bool Aligned16(const void* p) { return reinterpret_cast<std::uintptr_t>(p) % 16 == 0; }

// Fills a block with a pattern derived from its tag, so overlap or early reuse
// shows as a wrong byte.
void Fill(void* p, int bytes, unsigned char tag) { std::memset(p, tag, std::size_t(bytes)); }
bool Holds(const void* p, int bytes, unsigned char tag)
{
    const auto* b = static_cast<const unsigned char*>(p);
    for (int i = 0; i < bytes; ++i)
        if (b[i] != tag) return false;
    return true;
}

TEST(MemPoolTest, NestedBlocksAreDistinctAlignedAndSurviveInnerWork)
{
    const int sizes[] = {24, 1000, 3, 64 * 1024};
    std::vector<void*> blocks;
    for (int i = 0; i < 4; ++i) {
        void* p = gAlcMemPool(sizes[i]);
        ASSERT_NE(p, nullptr) << "level " << i;
        EXPECT_TRUE(Aligned16(p)) << "level " << i;
        Fill(p, sizes[i], static_cast<unsigned char>(0x10 + i));
        blocks.push_back(p);
    }
    EXPECT_EQ(looker::testing::MemPoolDepth(), 4);
    // Release the innermost two and nest new, larger work at their depth.
    gFreMemPool();
    gFreMemPool();
    void* again = gAlcMemPool(200000);
    ASSERT_NE(again, nullptr);
    Fill(again, 200000, 0x77);
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(Holds(blocks[i], sizes[i], static_cast<unsigned char>(0x10 + i))) << "outer level " << i;
    gFreMemPool();
    gFreMemPool();
    gFreMemPool();
    EXPECT_EQ(looker::testing::MemPoolDepth(), 0);
}

TEST(MemPoolTest, EdgeSizesAndUnbalancedFrees)
{
    gFreMemPool();  // nothing held: no effect
    EXPECT_EQ(looker::testing::MemPoolDepth(), 0);
    void* zero = gAlcMemPool(0);
    EXPECT_NE(zero, nullptr) << "a zero-byte request still gets a block";
    EXPECT_EQ(gAlcMemPool(-5), nullptr);
    // The refused request counts as a level, so its free leaves the outer block.
    EXPECT_EQ(looker::testing::MemPoolDepth(), 2);
    gFreMemPool();
    EXPECT_EQ(looker::testing::MemPoolDepth(), 1);
    gFreMemPool();
    gFreMemPool();
    EXPECT_EQ(looker::testing::MemPoolDepth(), 0);
}

TEST(MemPoolTest, ThreadsHaveIndependentStacks)
{
    void* mine = gAlcMemPool(128);
    Fill(mine, 128, 0xAB);
    std::vector<std::thread> threads;
    std::vector<int> ok(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &ok] {
            bool good = looker::testing::MemPoolDepth() == 0;
            for (int round = 0; round < 200; ++round) {
                void* a = gAlcMemPool(64 + t);
                void* b = gAlcMemPool(4096);
                Fill(a, 64 + t, static_cast<unsigned char>(t));
                Fill(b, 4096, static_cast<unsigned char>(t + 100));
                good = good && Aligned16(a) && Aligned16(b) && Holds(a, 64 + t, static_cast<unsigned char>(t));
                gFreMemPool();
                gFreMemPool();
            }
            // Blocks still held when the thread ends are freed with it.
            gAlcMemPool(1 << 20);
            ok[std::size_t(t)] = good && looker::testing::MemPoolDepth() == 1;
        });
    for (auto& th : threads) th.join();
    for (int t = 0; t < 4; ++t) EXPECT_TRUE(ok[std::size_t(t)]) << "thread " << t;
    EXPECT_EQ(looker::testing::MemPoolDepth(), 1);
    EXPECT_TRUE(Holds(mine, 128, 0xAB));
    gFreMemPool();
}

}  // namespace
