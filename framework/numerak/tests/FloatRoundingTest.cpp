// Rounding doubles through float must survive the optimiser. g++ 12.2 at -O2
// drops the (float) rounding of x and y when it vectorises the loop below
// (only z is rounded); the build turns that vectorisation off, and this test
// fails if the rounding is lost again (a new compiler, a lost flag).
#include <gtest/gtest.h>

#include <vector>

namespace {

struct V {
    double x, y, z;
};

// Kept out of line so that the values reach the loop only at run time.
[[gnu::noinline]] void roundToFloat(std::vector<V>& v)
{
    for (auto& p : v) { double x = (float)p.x, y = (float)p.y, z = (float)p.z; p.x = x; p.y = y; p.z = z; }
}

struct RoundingCase {
    const char* label;
    double value;
    double asFloat;  // the nearest float, written exactly
};

constexpr RoundingCase kCases[] = {
    {"0.1", 0.1, 0x1.99999ap-4},
    {"1/3", 1.0 / 3.0, 0x1.555556p-2},
    {"-2.7", -2.7, -0x1.59999ap+1},
    {"0.001", 0.001, 0x1.0624dep-10},
    {"0.01", 0.01, 0x1.47ae14p-7},
    {"12345.678", 12345.678, 0x1.81cd6cp+13},
    {"exact 0.5", 0.5, 0.5},
};

TEST(FloatRoundingTest, EveryFieldOfEveryPointIsRoundedToFloat)
{
    std::vector<V> points;
    for (const RoundingCase& c : kCases)
        points.push_back({c.value, c.value, c.value});

    roundToFloat(points);

    for (size_t i = 0; i < points.size(); ++i) {
        const RoundingCase& c = kCases[i];
        EXPECT_EQ(points[i].x, c.asFloat) << c.label << ": x not rounded to float";
        EXPECT_EQ(points[i].y, c.asFloat) << c.label << ": y not rounded to float";
        EXPECT_EQ(points[i].z, c.asFloat) << c.label << ": z not rounded to float";
    }
}

}  // namespace
