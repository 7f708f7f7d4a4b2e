#include "platform/scan/DibFrame.h"

#include <algorithm>
#include <cstring>

namespace twainsane {

namespace {

constexpr std::size_t kInfoHeaderSize = 40;
constexpr double kInchesPerMetre = 39.3700787;

void Put16(std::uint8_t* p, std::uint32_t v) { p[0] = v & 0xFF, p[1] = (v >> 8) & 0xFF; }
void Put32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = (v >> (8 * i)) & 0xFF;
}

// The high byte of a 16-bit sample stored in the host's byte order.
std::uint8_t High(const std::uint8_t* sample)
{
    std::uint16_t v;
    std::memcpy(&v, sample, 2);
    return static_cast<std::uint8_t>(v >> 8);
}

std::size_t SourceBytesPerLine(const FrameLayout& l)
{
    const std::size_t samples = static_cast<std::size_t>(l.pixelsPerLine) * (l.rgb ? 3 : 1);
    return (samples * l.depth + 7) / 8;
}

}  // namespace

int DibBitsPerPixel(const FrameLayout& l)
{
    if (l.pixelsPerLine <= 0 || l.pixelsPerLine > kMaxFrameSide || l.bytesPerLine <= 0) return 0;
    if (l.lines < -1 || l.lines > kMaxFrameSide) return 0;
    if (l.depth != 1 && l.depth != 8 && l.depth != 16) return 0;
    if (l.rgb && l.depth == 1) return 0;
    if (static_cast<std::size_t>(l.bytesPerLine) < SourceBytesPerLine(l)) return 0;
    return l.depth == 1 ? 1 : l.rgb ? 24 : 8;
}

std::optional<std::vector<std::uint8_t>> MakePackedDib(const FrameLayout& l, const std::uint8_t* data,
                                                       std::size_t size, int dpi)
{
    const int bpp = DibBitsPerPixel(l);
    if (bpp == 0 || (data == nullptr && size > 0)) return std::nullopt;
    const std::size_t whole = size / static_cast<std::size_t>(l.bytesPerLine);
    const std::size_t lines = l.lines < 0 ? std::min<std::size_t>(whole, kMaxFrameSide)
                                          : std::min<std::size_t>(whole, static_cast<std::size_t>(l.lines));
    if (lines == 0) return std::nullopt;
    const std::size_t width = static_cast<std::size_t>(l.pixelsPerLine);
    const std::size_t stride = ((width * bpp + 31) / 32) * 4;
    const std::size_t colours = bpp == 24 ? 0 : std::size_t{1} << bpp;
    const std::size_t bitsOffset = kInfoHeaderSize + 4 * colours;
    std::vector<std::uint8_t> dib(bitsOffset + stride * lines, 0);

    std::uint8_t* h = dib.data();
    Put32(h, kInfoHeaderSize);
    Put32(h + 4, static_cast<std::uint32_t>(width));
    Put32(h + 8, static_cast<std::uint32_t>(lines));  // positive: bottom-up rows
    Put16(h + 12, 1);
    Put16(h + 14, static_cast<std::uint32_t>(bpp));
    Put32(h + 20, static_cast<std::uint32_t>(stride * lines));
    const auto perMetre = static_cast<std::uint32_t>(std::max(dpi, 0) * kInchesPerMetre + 0.5);
    Put32(h + 24, perMetre);
    Put32(h + 28, perMetre);
    Put32(h + 32, static_cast<std::uint32_t>(colours));
    // Line art: bit 0 white, bit 1 black, as the scanner delivers it; grey: a ramp.
    for (std::size_t i = 0; i < colours; ++i) {
        const auto v = static_cast<std::uint8_t>(bpp == 1 ? (i == 0 ? 255 : 0) : i);
        std::uint8_t* entry = h + kInfoHeaderSize + 4 * i;
        entry[0] = entry[1] = entry[2] = v;
    }

    const int bytesPerSample = l.depth == 16 ? 2 : 1;
    for (std::size_t row = 0; row < lines; ++row) {
        const std::uint8_t* src = data + row * static_cast<std::size_t>(l.bytesPerLine);
        std::uint8_t* dst = dib.data() + bitsOffset + (lines - 1 - row) * stride;
        if (bpp == 1) {
            std::memcpy(dst, src, (width + 7) / 8);
            // Bits past the last pixel stay clear.
            if (width % 8 != 0) dst[width / 8] &= static_cast<std::uint8_t>(0xFF << (8 - width % 8));
        } else if (bpp == 8) {
            for (std::size_t x = 0; x < width; ++x)
                dst[x] = l.depth == 16 ? High(src + 2 * x) : src[x];
        } else {
            for (std::size_t x = 0; x < width; ++x) {
                const std::uint8_t* s = src + 3 * bytesPerSample * x;
                for (int c = 0; c < 3; ++c) {
                    const std::uint8_t* sample = s + c * bytesPerSample;
                    dst[3 * x + 2 - c] = l.depth == 16 ? High(sample) : *sample;  // RGB to BGR
                }
            }
        }
    }
    return dib;
}

}  // namespace twainsane
