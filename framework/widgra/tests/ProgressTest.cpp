#include "framework/widgra/Progress.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <thread>
#include <vector>

namespace {

class CancelTest : public ::testing::Test {
protected:
    void SetUp() override { widgra::testing::Reset(); }
    void TearDown() override { widgra::testing::Reset(); }
};

// A loop that polls once per round, as the long operations do.
int RoundsUntilCancel(int limit)
{
    int rounds = 0;
    while (rounds < limit && !gIsProgressCancel()) ++rounds;
    return rounds;
}

TEST_F(CancelTest, CancelAfterPollsLetsExactlyNPollsThrough)
{
    struct Row { const char* label; std::int64_t n; int expected; };
    const Row rows[] = {{"zero", 0, 0}, {"one", 1, 1}, {"seven", 7, 7}, {"beyond limit", 500, 100},
                        {"negative counts as zero", -3, 0}};
    for (const Row& row : rows) {
        widgra::testing::Reset();
        widgra::testing::CancelAfterPolls(row.n);
        EXPECT_EQ(RoundsUntilCancel(100), row.expected) << row.label;
    }
}

TEST_F(CancelTest, CancelStaysUntilReset)
{
    widgra::testing::CancelAfterPolls(2);
    EXPECT_FALSE(gIsProgressCancel());
    EXPECT_FALSE(gIsProgressCancel());
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(gIsProgressCancel()) << "poll " << i;
    gResetProgressCancel();
    // The countdown is spent: the next poll cancels again.
    EXPECT_TRUE(gIsProgressCancel());
    widgra::testing::Reset();
    EXPECT_FALSE(gIsProgressCancel());
    EXPECT_EQ(widgra::testing::PollCount(), 1);
}

TEST_F(CancelTest, RequestAndResetWithoutCountdown)
{
    EXPECT_FALSE(gIsProgressCancel());
    gRequestProgressCancel();
    EXPECT_TRUE(gIsProgressCancel());
    gResetProgressCancel();
    EXPECT_FALSE(gIsProgressCancel());
}

TEST_F(CancelTest, ConcurrentPollersSeeExactlyNFalseAnswers)
{
    const std::int64_t n = 10000;
    widgra::testing::CancelAfterPolls(n);
    std::atomic<std::int64_t> falseAnswers{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 5000; ++i)
                if (!gIsProgressCancel()) falseAnswers.fetch_add(1);
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(falseAnswers.load(), n);
    EXPECT_TRUE(gIsProgressCancel());
}

TEST_F(CancelTest, PollsOfEveryThreadAreCounted)
{
    // Each thread counts its own polls; the count adds up the running
    // threads' and those of threads that have ended.
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 1000; ++i) gIsProgressCancel();
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(widgra::testing::PollCount(), 8000);
    gIsProgressCancel();
    EXPECT_EQ(widgra::testing::PollCount(), 8001);
    widgra::testing::Reset();
    EXPECT_EQ(widgra::testing::PollCount(), 0);
}

TEST(ProgressTest, StagesAddUpByShare)
{
    CQProgress progress;
    EXPECT_DOUBLE_EQ(progress.GetPos(), 0.0);
    progress.SetRange(0.2);
    progress.SetPos(0.5);
    EXPECT_DOUBLE_EQ(progress.GetPos(), 0.1);
    progress.SetRange(0.3);  // completes the first stage
    EXPECT_DOUBLE_EQ(progress.GetPos(), 0.2);
    progress.Step(0.5);
    progress.Step(0.5);
    progress.Step(0.5);  // clamped to the stage's end
    EXPECT_DOUBLE_EQ(progress.GetPos(), 0.5);
    progress.SetRange(0.5);
    progress.SetRange(0.4);  // shares beyond the whole are clamped
    progress.SetPos(1.0);
    EXPECT_DOUBLE_EQ(progress.GetPos(), 1.0);
}

TEST(ProgressTest, BadSharesAndFractionsAreHarmless)
{
    CQProgress progress;
    progress.SetRange(-1.0);
    progress.SetPos(0.7);
    EXPECT_DOUBLE_EQ(progress.GetPos(), 0.0);
    progress.SetRange(std::numeric_limits<double>::quiet_NaN());
    progress.SetPos(std::numeric_limits<double>::quiet_NaN());
    EXPECT_DOUBLE_EQ(progress.GetPos(), 0.0);
}

TEST(ProgressTest, ObserverSeesEveryChange)
{
    static std::vector<double> seen;
    seen.clear();
    CQProgress::SetObserver([](double pos, void*) { seen.push_back(pos); }, nullptr);
    {
        CQProgress progress;
        progress.SetRange(0.5);
        progress.SetPos(0.5);
        progress.SetRange(0.5);
    }
    CQProgress::SetObserver(nullptr, nullptr);
    const std::vector<double> expected{0.0, 0.0, 0.25, 0.5};
    EXPECT_EQ(seen, expected);
}

}  // namespace
