// The worker thread: jobs run in order; stopping drops the queue; restart works.
#include "framework/widgra/ThreadProg.h"

#include <gtest/gtest.h>

#include <future>
#include <vector>

TEST(ThreadProgTest, RunsJobsInOrderAndStops)
{
    EXPECT_FALSE(gPostThreadProg([] {})) << "no worker yet";
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(gStartThreadProg());
        EXPECT_TRUE(gStartThreadProg()) << "starting twice is harmless";
        std::vector<int> order;  // written by the worker only
        std::promise<void> done;
        for (int i = 0; i < 5; ++i) ASSERT_TRUE(gPostThreadProg([&order, i] { order.push_back(i); }));
        ASSERT_TRUE(gPostThreadProg([&done] { done.set_value(); }));
        done.get_future().wait();
        EXPECT_EQ(order, std::vector<int>({0, 1, 2, 3, 4})) << "round " << round;
        gEndThreadProg();
        EXPECT_FALSE(gIsThreadProgRunning());
        gEndThreadProg();  // stopping twice is harmless
    }
}
