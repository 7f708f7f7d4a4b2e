// IEEE 754 binary16 ("half") value as the maths library stores it: 2 bytes, converted
// from float with round-to-nearest-even (overflow to infinity, subnormals kept, NaN
// stays NaN) and back exactly.
#pragma once

#include <bit>
#include <cstdint>

struct Float16 {
    std::uint16_t bits = 0;

    Float16() = default;
    explicit Float16(float f) : bits(FromFloat(f)) {}
    operator float() const { return ToFloat(bits); }

    static constexpr std::uint16_t FromFloat(float f)
    {
        const std::uint32_t x = std::bit_cast<std::uint32_t>(f);
        const std::uint16_t sign = static_cast<std::uint16_t>((x >> 16) & 0x8000u);
        const std::uint32_t absx = x & 0x7FFFFFFFu;
        if (absx >= 0x7F800000u)  // infinity or NaN (NaN keeps a mantissa bit)
            return static_cast<std::uint16_t>(sign | 0x7C00u | (absx > 0x7F800000u ? 0x200u : 0u));
        if (absx >= 0x477FF000u) return static_cast<std::uint16_t>(sign | 0x7C00u);  // rounds past 65504
        const int exp = static_cast<int>(absx >> 23) - 127;
        if (exp >= -14) {
            // Normal half: drop 13 mantissa bits, round to nearest even.
            std::uint32_t m = absx & 0x7FFFFFu;
            std::uint32_t h = (static_cast<std::uint32_t>(exp + 15) << 10) | (m >> 13);
            const std::uint32_t rest = m & 0x1FFFu;
            if (rest > 0x1000u || (rest == 0x1000u && (h & 1u))) ++h;  // a carry moves the exponent up
            return static_cast<std::uint16_t>(sign | h);
        }
        if (exp < -25) return sign;  // below half the smallest subnormal
        // Subnormal half: the value in units of 2^-24, rounded to nearest even.
        const std::uint32_t m = (absx & 0x7FFFFFu) | 0x800000u;
        const std::uint32_t drop = static_cast<std::uint32_t>(-exp - 1);  // 14 .. 24 bits
        std::uint32_t h = m >> drop;
        const std::uint32_t rest = m & ((1u << drop) - 1u);
        const std::uint32_t half = 1u << (drop - 1u);
        if (rest > half || (rest == half && (h & 1u))) ++h;
        return static_cast<std::uint16_t>(sign | h);
    }

    static constexpr float ToFloat(std::uint16_t h)
    {
        const std::uint32_t sign = static_cast<std::uint32_t>(h & 0x8000u) << 16;
        const std::uint32_t exp = (h >> 10) & 0x1Fu;
        std::uint32_t m = h & 0x3FFu;
        if (exp == 0x1Fu) return std::bit_cast<float>(sign | 0x7F800000u | (m << 13));
        if (exp != 0) return std::bit_cast<float>(sign | ((exp + 112u) << 23) | (m << 13));
        if (m == 0) return std::bit_cast<float>(sign);
        // Subnormal: normalise the mantissa.
        int e = 113;
        while ((m & 0x400u) == 0) {
            m <<= 1;
            --e;
        }
        return std::bit_cast<float>(sign | (static_cast<std::uint32_t>(e) << 23) | ((m & 0x3FFu) << 13));
    }
};
static_assert(sizeof(Float16) == 2, "a half float is stored in 2 bytes");
