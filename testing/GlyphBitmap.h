// Glyphs of a system font rendered by FreeType to 1-bit bitmaps, for tests and
// benchmarks that trace real images. Rendering is unhinted, so the pixels
// follow the font's own outline scaled to the pixel size.
#pragma once

#include "testing/GlyphOutlines.h"

#include <vector>

namespace glyphs {

// An 8-bit grey image of 0 (ink) and 255 (paper) pixels; rows top first.
struct GreyImage {
    int width = 0, height = 0, stride = 0;
    std::vector<unsigned char> pixels;  // stride * height bytes
    // Pixels per font unit, and where the font's origin lies in image pixels
    // (x right, y up from the image's bottom edge): font point (X, Y) is at
    // (X * scale + originX, Y * scale + originY).
    double scale = 0.0;
    double originX = 0.0, originY = 0.0;

    int InkCount() const;
};

class GlyphRenderer {
public:
    explicit GlyphRenderer(const char* fontPath = kDejaVuSans);
    ~GlyphRenderer();
    GlyphRenderer(const GlyphRenderer&) = delete;
    GlyphRenderer& operator=(const GlyphRenderer&) = delete;

    bool Ok() const { return m_face != nullptr; }
    // Renders a character at pixelsPerEm with `margin` paper pixels on every
    // side; each row is padded by `padding` extra bytes of ink (stride =
    // width + padding), which no reader may see. False (out empty) when the glyph has no bitmap.
    bool Render(unsigned long code, int pixelsPerEm, int margin, int padding, GreyImage& out);

private:
    void* m_lib = nullptr;
    void* m_face = nullptr;
};

}  // namespace glyphs
