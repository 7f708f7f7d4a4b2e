// A scanned frame as a packed device-independent bitmap: the header, the
// colour table and the rows bottom-up, each padded to 4 bytes, as a native
// transfer hands an image over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace twainsane {

// The frame as the scanner library delivers it: samples row by row, top row
// first, 16-bit samples in the host's byte order; for 1-bit grey a set bit is
// black.
struct FrameLayout {
    bool rgb = false;         // three samples per pixel, else one
    int depth = 8;            // bits per sample: 1 (grey only), 8 or 16
    int pixelsPerLine = 0;
    int bytesPerLine = 0;     // at least the bytes the pixels need
    int lines = -1;           // -1: as many whole lines as the data holds
};

// The largest side of a frame taken.
inline constexpr int kMaxFrameSide = 65535;

// Bits per pixel of the bitmap made for the layout: 1 for line art, 8 for
// grey (16-bit samples keep their high byte), 24 for colour; 0 for a layout
// that is not taken.
int DibBitsPerPixel(const FrameLayout& layout);

// The packed bitmap of the frame; nothing when the layout is not taken or
// the data holds no whole line (the lines the layout names but the data
// lacks are not made up).
std::optional<std::vector<std::uint8_t>> MakePackedDib(const FrameLayout& layout, const std::uint8_t* data,
                                                       std::size_t size, int dpi);

}  // namespace twainsane
