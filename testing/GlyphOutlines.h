// Glyph outlines of a system font, for tests and benchmarks that need real contours
// with holes and islands. Outlines are read with FreeType in font units times a scale;
// TrueType quadratics are elevated exactly to cubics, and every contour is closed by a
// line when its last point is not its first.
#pragma once

#include <array>
#include <vector>

namespace glyphs {

constexpr const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

using Pt = std::array<double, 2>;

// A line (p[0], p[1]) or a cubic (p[0] .. p[3]).
struct Segment {
    bool cubic = false;
    std::array<Pt, 4> p{};
};

struct Contour {
    std::vector<Segment> segments;
};

class GlyphReader {
public:
    explicit GlyphReader(const char* fontPath = kDejaVuSans);
    ~GlyphReader();
    GlyphReader(const GlyphReader&) = delete;
    GlyphReader& operator=(const GlyphReader&) = delete;

    // False when the font could not be opened.
    bool Ok() const { return m_face != nullptr; }
    long NumGlyphs() const;
    // The contours of the glyph of a character code or of a glyph index; false (out
    // empty) when the glyph has no outline.
    bool Char(unsigned long code, double scale, std::vector<Contour>& out);
    bool Glyph(unsigned index, double scale, std::vector<Contour>& out);

private:
    bool Decompose(double scale, std::vector<Contour>& out);
    void* m_lib = nullptr;
    void* m_face = nullptr;
};

// The point of a cubic segment at t.
Pt CubicAt(const Segment& s, double t);
// A dense closed polygon of the contour: the start point, then every line's end and
// `perCubic` points along every cubic (the last one its end). No repeated start at the end.
std::vector<Pt> Sample(const Contour& c, int perCubic);
// Signed shoelace area of the closed polygon through the points, positive
// counter-clockwise.
double Area(const std::vector<Pt>& poly);

}  // namespace glyphs
