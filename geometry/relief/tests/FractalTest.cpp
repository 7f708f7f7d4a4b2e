#include "geometry/relief/Fractal.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct FreeArray {
    void operator()(float* a) const { FreeFractalArray(a); }
};
using Array = std::unique_ptr<float, FreeArray>;

std::vector<float> Fill1D(int size, int seed, float scale, float h)
{
    Array a(AllocFractalArray1D(size));
    std::vector<float> v(size + 1, 7.0f);
    std::copy(v.begin(), v.end(), a.get());
    FillFractalArray1D(a.get(), size, seed, scale, h);
    return {a.get(), a.get() + size + 1};
}

std::vector<float> Fill2D(int size, int seed, float scale, float h)
{
    Array a(AllocFractalArray2D(size));
    const int n = (size + 1) * (size + 1);
    std::fill(a.get(), a.get() + n, 7.0f);
    FillFractalArray2D(a.get(), size, seed, scale, h);
    return {a.get(), a.get() + n};
}

// The first numbers of the classic generator from seed 1 are 41, 18467, 6334: with
// h = 0 every amplitude is the height scale, and a size-4 profile draws a[2], a[1], a[3].
TEST(FractalTest, GeneratorHasTheClassicConstants)
{
    const auto v = Fill1D(4, 1, 1.0f, 0.0f);
    auto r = [](int n) { return -0.5f + 1.0f * (static_cast<float>(n) / 32767.0f); };
    EXPECT_EQ(v[0], 0.0f);
    EXPECT_EQ(v[2], r(41));
    EXPECT_EQ(v[1], r(18467) + v[2] * 0.5f);
    EXPECT_EQ(v[3], r(6334) + v[2] * 0.5f);
    EXPECT_EQ(v[4], 0.0f);
}

TEST(FractalTest, FillLeavesTheProcessRandAlone)
{
    std::srand(123);
    const int expected = std::rand();
    std::srand(123);
    Fill2D(8, 5, 1.0f, 0.5f);
    Fill1D(8, 5, 1.0f, 0.5f);
    EXPECT_EQ(std::rand(), expected);
}

TEST(FractalTest, BadSizesLeaveTheArrayUnchanged)
{
    for (int size : {6, 1}) {
        const auto v = Fill1D(size, 3, 1.0f, 1.0f);
        for (float x : v) EXPECT_EQ(x, 7.0f) << "1-D size " << size;
    }
    for (int size : {6, 12}) {
        const auto v = Fill2D(size, 3, 1.0f, 1.0f);
        for (float x : v) EXPECT_EQ(x, 7.0f) << "2-D size " << size;
    }
    FillFractalArray1D(nullptr, 8, 1, 1.0f, 1.0f);
    FillFractalArray2D(nullptr, 8, 1, 1.0f, 1.0f);
}

TEST(FractalTest, SameSeedSameArrayAndSeedsDiffer)
{
    EXPECT_EQ(Fill1D(64, 9, 2.0f, 0.7f), Fill1D(64, 9, 2.0f, 0.7f));
    EXPECT_EQ(Fill2D(32, 9, 2.0f, 0.7f), Fill2D(32, 9, 2.0f, 0.7f));
    EXPECT_NE(Fill2D(32, 9, 2.0f, 0.7f), Fill2D(32, 10, 2.0f, 0.7f));
}

TEST(FractalTest, HeightScaleScalesTheArray)
{
    for (float s : {0.0f, 0.5f, 4.0f, 3.0f}) {
        const auto one1 = Fill1D(64, 4, 1.0f, 0.8f), s1 = Fill1D(64, 4, s, 0.8f);
        const auto one2 = Fill2D(32, 4, 1.0f, 0.8f), s2 = Fill2D(32, 4, s, 0.8f);
        // Powers of two scale exactly in binary floating point.
        const float tol = (s == 3.0f) ? 1e-5f : 0.0f;
        for (size_t i = 0; i < one1.size(); ++i) EXPECT_NEAR(s1[i], s * one1[i], tol) << "1-D " << s << " at " << i;
        for (size_t i = 0; i < one2.size(); ++i) EXPECT_NEAR(s2[i], s * one2[i], tol) << "2-D " << s << " at " << i;
    }
}

TEST(FractalTest, OppositeEdgesOfTheFieldMatch)
{
    for (int size : {4, 16}) {
        const auto v = Fill2D(size, 2, 1.0f, 0.5f);
        const int side = size + 1;
        bool varied = false;
        for (int k = 0; k <= size; ++k) {
            EXPECT_EQ(v[size * side + k], v[k]) << "row, size " << size << " at " << k;
            EXPECT_EQ(v[k * side + size], v[k * side]) << "column, size " << size << " at " << k;
            varied = varied || v[k] != 0.0f;
        }
        EXPECT_TRUE(varied) << size;
    }
}

TEST(FractalTest, AllocatorsRefuseBadSizes)
{
    EXPECT_EQ(AllocFractalArray1D(0), nullptr);
    EXPECT_EQ(AllocFractalArray1D(-4), nullptr);
    EXPECT_EQ(AllocFractalArray2D(0), nullptr);
    EXPECT_EQ(AllocFractalArray2D(-1), nullptr);
    Array big(AllocFractalArray2D(INT_MAX));  // 2^64 bytes: must not wrap to a small block
    EXPECT_EQ(big.get(), nullptr);
    EXPECT_EQ(IsPowerOfTwo(0), 0);
    EXPECT_EQ(IsPowerOfTwo(1), 1);
    EXPECT_EQ(IsPowerOfTwo(INT_MIN), 1);
    EXPECT_EQ(IsPowerOfTwo(96), 0);
}

}  // namespace
