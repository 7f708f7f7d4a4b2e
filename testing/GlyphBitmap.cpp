#include "testing/GlyphBitmap.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace glyphs {

int GreyImage::InkCount() const
{
    int n = 0;
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) n += pixels[static_cast<std::size_t>(r * stride + c)] == 0;
    return n;
}

GlyphRenderer::GlyphRenderer(const char* fontPath)
{
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib)) return;
    m_lib = lib;
    FT_Face face = nullptr;
    if (FT_New_Face(lib, fontPath, 0, &face)) return;
    m_face = face;
}

GlyphRenderer::~GlyphRenderer()
{
    if (m_face) FT_Done_Face(static_cast<FT_Face>(m_face));
    if (m_lib) FT_Done_FreeType(static_cast<FT_Library>(m_lib));
}

bool GlyphRenderer::Render(unsigned long code, int pixelsPerEm, int margin, int padding, GreyImage& out)
{
    out = {};
    auto face = static_cast<FT_Face>(m_face);
    if (!face || FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelsPerEm))) return false;
    if (FT_Load_Char(face, code, FT_LOAD_NO_HINTING | FT_LOAD_RENDER | FT_LOAD_TARGET_MONO)) return false;
    const FT_Bitmap& bm = face->glyph->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_MONO || bm.rows == 0 || bm.width == 0) return false;
    const int w = static_cast<int>(bm.width), h = static_cast<int>(bm.rows);
    out.width = w + 2 * margin;
    out.height = h + 2 * margin;
    out.stride = out.width + padding;
    // Padding bytes are ink, so a reader that strays past a row's width shows.
    out.pixels.assign(static_cast<std::size_t>(out.stride * out.height), 0);
    for (int r = 0; r < out.height; ++r)
        std::fill_n(out.pixels.begin() + r * out.stride, out.width, static_cast<unsigned char>(255));
    for (int r = 0; r < h; ++r) {
        const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(r) * bm.pitch;
        unsigned char* dst = out.pixels.data() + static_cast<std::size_t>((r + margin) * out.stride + margin);
        for (int c = 0; c < w; ++c)
            if (src[c / 8] & (0x80 >> (c % 8))) dst[c] = 0;
    }
    out.scale = static_cast<double>(pixelsPerEm) / face->units_per_EM;
    out.originX = margin - face->glyph->bitmap_left;
    out.originY = margin + h - face->glyph->bitmap_top;
    return true;
}

}  // namespace glyphs
