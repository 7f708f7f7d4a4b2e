// 8-bit RGBA pixels of PNG and JPEG files (libpng, libjpeg), for tests that lay real
// pictures as reliefs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace image {

// Rows top to bottom, four bytes a pixel; JPEG pixels are opaque. Empty (0 x 0)
// when the file cannot be read.
struct Rgba {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// By the file's first bytes, not its name.
Rgba Read(const std::string& path);

// A relief height from 0 to 255: luma (0.299, 0.587, 0.114) scaled by alpha.
float Height(const Rgba& image, int x, int y);

// The example picture that comes with libpng-dev.
std::string PngTestFile();

}  // namespace image
