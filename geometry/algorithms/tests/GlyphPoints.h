// Outline points of DejaVu Sans glyphs, read straight through FreeType: each
// contour as the closed polygon through its on- and off-curve points (font
// units times scale), consecutive repeats dropped. Real coordinates nobody
// here wrote, for tests that need point sets or closed polygons.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <vector>

namespace glyphpoints {

inline constexpr const char* kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

using Pt = std::array<double, 2>;
using Contour = std::vector<Pt>;

// The glyph's contours; empty when the font or the glyph cannot be read.
inline std::vector<Contour> Contours(char32_t ch, double scale)
{
    std::vector<Contour> out;
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib)) return out;
    FT_Face face = nullptr;
    if (!FT_New_Face(lib, kFontPath, 0, &face)) {
        if (!FT_Load_Char(face, ch, FT_LOAD_NO_SCALE)) {
            const FT_Outline& o = face->glyph->outline;
            int first = 0;
            for (int c = 0; c < o.n_contours; ++c) {
                Contour contour;
                for (int i = first; i <= o.contours[c]; ++i) {
                    const Pt p = {o.points[i].x * scale, o.points[i].y * scale};
                    if (contour.empty() || contour.back() != p) contour.push_back(p);
                }
                while (contour.size() > 1 && contour.back() == contour.front()) contour.pop_back();
                if (contour.size() > 2) out.push_back(contour);
                first = o.contours[c] + 1;
            }
        }
        FT_Done_Face(face);
    }
    FT_Done_FreeType(lib);
    return out;
}

}  // namespace glyphpoints
