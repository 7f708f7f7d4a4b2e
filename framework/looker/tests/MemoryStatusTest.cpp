// Available memory from meminfo capped by the cgroup limit, read from files put in
// place of the system's, and the message hook.
#include "framework/looker/MemoryStatus.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

class MemoryStatusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() /
                ("korvel-mem-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override
    {
        looker::testing::SetMemoryFiles(nullptr, nullptr);
        std::filesystem::remove_all(m_dir);
    }
    void Write(const char* name, const std::string& text) { std::ofstream(m_dir / name) << text; }
    std::string Path(const char* name) const { return (m_dir / name).string(); }

    std::filesystem::path m_dir;
};

constexpr const char* kMeminfo = "MemTotal:       16000000 kB\nMemFree:         1000000 kB\nMemAvailable:    8000000 kB\n";

}  // namespace

TEST_F(MemoryStatusTest, CgroupLimitCapsMemAvailable)
{
    Write("meminfo", kMeminfo);
    struct Row {
        const char* label;
        const char* max;
        const char* current;
        std::uint64_t want;
    } rows[] = {{"no limit", "max\n", "100\n", 8000000ull * 1024},
                {"limit below", "3000000000\n", "1000000000\n", 2000000000ull},
                {"limit above", "90000000000\n", "0\n", 8000000ull * 1024},
                {"limit used up", "1000\n", "5000\n", 0},
                {"garbage", "lots\n", "1\n", 8000000ull * 1024}};
    for (const Row& row : rows) {
        Write("memory.max", row.max);
        Write("memory.current", row.current);
        looker::testing::SetMemoryFiles(Path("meminfo").c_str(), m_dir.string().c_str());
        std::uint64_t bytes = 1;
        ASSERT_TRUE(looker::QueryAvailablePhysical(bytes)) << row.label;
        EXPECT_EQ(bytes, row.want) << row.label;
    }
    MEMORYSTATUS status;
    GlobalMemoryStatus(&status);
    EXPECT_EQ(status.dwTotalPhys, 16000000ull * 1024);
}

TEST_F(MemoryStatusTest, UnreadableMeminfoIsAFailureNotZero)
{
    Write("meminfo", "MemTotal: 5 kB\n");
    looker::testing::SetMemoryFiles(Path("meminfo").c_str(), nullptr);
    std::uint64_t bytes = 7;
    EXPECT_FALSE(looker::QueryAvailablePhysical(bytes));
    looker::testing::SetMemoryFiles(Path("missing").c_str(), nullptr);
    EXPECT_FALSE(looker::QueryAvailablePhysical(bytes));
    EXPECT_EQ(bytes, 7u);
}

TEST(MemoryStatusRealTest, TheSystemReportsSomeMemory)
{
    std::uint64_t bytes = 0;
    ASSERT_TRUE(looker::QueryAvailablePhysical(bytes));
    EXPECT_GT(bytes, 0u);
}

TEST(ResourceMessageTest, HookReceivesIdAndValue)
{
    UINT id = 0;
    double value = 0;
    looker::ShowResourceMessage(1, 2.0);  // no hook: nothing
    looker::SetResourceMessageHook([&](UINT i, double v) {
        id = i;
        value = v;
    });
    looker::ShowResourceMessage(299, 0.5);
    looker::SetResourceMessageHook(nullptr);
    EXPECT_EQ(id, 299u);
    EXPECT_EQ(value, 0.5);
}
