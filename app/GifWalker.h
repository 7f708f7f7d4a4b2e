// The block structure of a GIF file (GIF89a): the logical screen and, frame by
// frame, where each frame's blocks lie with its position, size, delay and
// disposal method. Reads untrusted bytes: every step is bounded by the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace korvel {

struct GifFrameInfo {
    int left = 0, top = 0, width = 0, height = 0;  // from the image descriptor
    int delay = -1;                                // hundredths of a second; -1 without a control extension
    int disposal = 0;                              // 0 without a control extension
    std::size_t start = 0, end = 0;                // the frame's bytes: [start, end)
};

struct GifLayout {
    int width = 0, height = 0;        // logical screen
    std::size_t globalTableSize = 0;  // bytes, 0 without a global colour table
    std::vector<GifFrameInfo> frames; // the frames before the first step that fails
};

// Nothing for data that does not begin with "GIF" or is shorter than the
// header and logical screen descriptor.
std::optional<GifLayout> WalkGif(const std::uint8_t* data, std::size_t size);

}  // namespace korvel
