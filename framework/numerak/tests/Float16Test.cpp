// Half floats against Eigen's half over every bit pattern and over floats at and
// between the representable halves (ties, subnormals, overflow).
#include "framework/numerak/Float16.h"

#include <Eigen/Core>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

TEST(Float16Test, EveryHalfReadsBackAsEigenReadsIt)
{
    for (std::uint32_t b = 0; b <= 0xFFFF; ++b) {
        const float mine = Float16::ToFloat(static_cast<std::uint16_t>(b));
        const float peer = static_cast<float>(Eigen::numext::bit_cast<Eigen::half>(static_cast<std::uint16_t>(b)));
        if (std::isnan(peer)) {
            EXPECT_TRUE(std::isnan(mine)) << "bits " << b;
            continue;
        }
        ASSERT_EQ(std::bit_cast<std::uint32_t>(mine), std::bit_cast<std::uint32_t>(peer)) << "bits " << b;
    }
}

TEST(Float16Test, RoundsFloatsAsEigenDoes)
{
    // Every float whose top 19 bits are given, plus the tie and its neighbours below
    // each pattern: covers each half's rounding interval at both ends.
    for (std::uint32_t hi = 0; hi < (1u << 19); ++hi) {
        const std::uint32_t base = hi << 13;
        for (std::uint32_t low : {0u, 1u, 0xFFFu, 0x1000u, 0x1001u, 0x1FFFu}) {
            const float f = std::bit_cast<float>(base | low);
            if (std::isnan(f)) continue;
            const std::uint16_t peer = Eigen::numext::bit_cast<std::uint16_t>(Eigen::half(f));
            ASSERT_EQ(Float16::FromFloat(f), peer) << "float bits " << (base | low);
        }
    }
    EXPECT_TRUE(std::isnan(static_cast<float>(Float16(std::nanf("")))));
}
