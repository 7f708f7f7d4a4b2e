#include "geometry/relief/Fractal.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

// The classic linear congruential generator: state·214013 + 2531011, bits 16-30 out.
thread_local std::uint32_t gFractalState = 1;

void FractalSeed(int seed) { gFractalState = static_cast<std::uint32_t>(seed); }

int FractalNext()
{
    gFractalState = gFractalState * 214013u + 2531011u;
    return static_cast<int>((gFractalState >> 16) & 0x7FFFu);
}

// Bytes of count floats, 0 when count is not positive or the product overflows.
size_t FloatBytes(size_t count)
{
    if (count == 0 || count > std::numeric_limits<size_t>::max() / sizeof(float)) return 0;
    return count * sizeof(float);
}

}  // namespace

float* AllocFractalArray1D(int size)
{
    if (size <= 0) return nullptr;
    const size_t bytes = FloatBytes(static_cast<size_t>(size) + 1);
    return bytes ? static_cast<float*>(std::malloc(bytes)) : nullptr;
}

float* AllocFractalArray2D(int size)
{
    if (size <= 0) return nullptr;
    const size_t side = static_cast<size_t>(size) + 1;
    if (side > std::numeric_limits<size_t>::max() / side) return nullptr;
    const size_t bytes = FloatBytes(side * side);
    return bytes ? static_cast<float*>(std::malloc(bytes)) : nullptr;
}

void FreeFractalArray(void* a) { std::free(a); }

int IsPowerOfTwo(int n)
{
    const std::uint32_t u = static_cast<std::uint32_t>(n);
    return u != 0 && (u & (u - 1)) == 0 ? 1 : 0;
}

float FractalRandom(float lo, float hi)
{
    return lo + (hi - lo) * (static_cast<float>(FractalNext() & 0x7FFF) / 32767.0f);
}

void FillFractalArray1D(float* a, int size, int seed, float heightScale, float h)
{
    if (!a || !IsPowerOfTwo(size) || size == 1) return;
    FractalSeed(seed);
    const float ratio = std::pow(2.0f, -h);
    a[0] = a[size] = 0.0f;
    float amplitude = heightScale * ratio;
    for (int stride = size / 2; stride > 0; stride /= 2) {
        for (int i = stride; i < size; i += 2 * stride) {
            a[i] = amplitude * FractalRandom(-0.5f, 0.5f) + (a[i - stride] + a[i + stride]) * 0.5f;
            amplitude *= ratio;
        }
    }
}

void FillFractalArray2D(float* a, int size, int seed, float heightScale, float h)
{
    // Other sizes would read past the array.
    if (!a || !IsPowerOfTwo(size)) return;
    FractalSeed(seed);
    const size_t side = static_cast<size_t>(size) + 1;
    auto at = [&](int i, int j) -> float& { return a[static_cast<size_t>(i) * side + j]; };
    const float ratio = std::pow(2.0f, -h);
    at(0, 0) = at(0, size) = at(size, 0) = at(size, size) = 0.0f;
    float amplitude = heightScale * ratio;
    for (int stride = size / 2; stride > 0; stride /= 2) {
        for (int i = stride; i < size; i += 2 * stride) {
            for (int j = stride; j < size; j += 2 * stride) {
                const float mean = (at(i - stride, j - stride) + at(i - stride, j + stride) +
                                    at(i + stride, j - stride) + at(i + stride, j + stride)) * 0.25f;
                at(i, j) = mean + amplitude * FractalRandom(-0.5f, 0.5f);
            }
        }
        bool odd = false;
        for (int i = 0; i < size; i += stride, odd = !odd) {
            for (int j = odd ? 0 : stride; j < size; j += 2 * stride) {
                // Across an edge the field wraps to the opposite side.
                const float above = i == 0 ? at(size - stride, j) : at(i - stride, j);
                const float left = j == 0 ? at(i, size - stride) : at(i, j - stride);
                const float mean = (above + at(i + stride, j) + left + at(i, j + stride)) * 0.25f;
                const float v = mean + amplitude * FractalRandom(-0.5f, 0.5f);
                at(i, j) = v;
                if (i == 0) at(size, j) = v;
                if (j == 0) at(i, size) = v;
            }
        }
        amplitude *= ratio;
    }
    std::fputs("complete\n", stdout);
}
