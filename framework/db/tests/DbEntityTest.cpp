#include "framework/db/DbEntity.h"

#include "testing/ParallelHandles.h"

#include <gtest/gtest.h>

namespace {

TEST(DbEntityTest, HandlesStayUniqueWhenEntitiesAreMadeOnManyThreads)
{
    CDbEntity::SetMaxHandle(0);
    constexpr int kThreads = 8, kEach = 50000;
    const auto handles = testing_handles::HandlesFromThreads(kThreads, kEach, [] {
        CDbEntity e;
        e.CreateNewHandle();
        return e.GetHandle();
    });
    EXPECT_EQ(testing_handles::Duplicates(handles), 0u);
    EXPECT_EQ(CDbEntity::GetMaxHandle(), static_cast<std::uint32_t>(kThreads * kEach));
    CDbEntity::SetMaxHandle(0);
}

}  // namespace
