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
    int transparent = -1;                          // colour index left undrawn; -1 for none
    std::size_t start = 0, end = 0;                // the frame's bytes: [start, end)
    std::size_t descriptor = 0;                    // its image descriptor; 0 for a plain text frame
};

struct GifLayout {
    int width = 0, height = 0;        // logical screen
    std::size_t globalTableSize = 0;  // bytes, 0 without a global colour table
    std::vector<GifFrameInfo> frames; // the frames before the first step that fails
};

// Nothing for data that does not begin with "GIF" or is shorter than the
// header and logical screen descriptor.
std::optional<GifLayout> WalkGif(const std::uint8_t* data, std::size_t size);

// Decodes the LZW data of a frame the walk found in the same bytes. The pixels
// inside the area given in screen coordinates are written to argb (width x
// height values 0xAARRGGBB, row by row); a pixel stays 0 (nothing drawn) where
// the frame's index is transparent or outside its colour table, or where the
// data end before reaching it. Runs of pixels outside the area are counted but
// not expanded, so an empty area only checks the data, at a cost bounded by
// their bytes. False when the data do not decode: a minimum code size outside
// 1..8 or a code the table does not hold yet. A plain text frame and a frame
// of no pixels draw nothing, and their data are not looked at.
bool DecodeGifFrame(const std::uint8_t* data, std::size_t size, const GifLayout& layout, const GifFrameInfo& frame,
                    int left, int top, int width, int height, std::vector<std::uint32_t>* argb);

}  // namespace korvel
