#include "testing/GlyphOutlines.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cmath>

namespace glyphs {

namespace {

struct Collector {
    double scale;
    std::vector<Contour>* out;
    Pt start{}, cur{};
    bool open = false;

    Pt At(const FT_Vector* v) const { return {v->x * scale, v->y * scale}; }
    void Line(const Pt& a, const Pt& b)
    {
        if (std::hypot(b[0] - a[0], b[1] - a[1]) < 1e-9)
            return;
        Segment s;
        s.p[0] = a;
        s.p[1] = b;
        out->back().segments.push_back(s);
    }
    void Close()
    {
        if (open)
            Line(cur, start);
        open = false;
    }
};

int MoveTo(const FT_Vector* to, void* user)
{
    auto& c = *static_cast<Collector*>(user);
    c.Close();
    c.start = c.cur = c.At(to);
    c.open = true;
    c.out->emplace_back();
    return 0;
}

int LineTo(const FT_Vector* to, void* user)
{
    auto& c = *static_cast<Collector*>(user);
    const Pt p = c.At(to);
    c.Line(c.cur, p);
    c.cur = p;
    return 0;
}

int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user)
{
    auto& c = *static_cast<Collector*>(user);
    Segment s;
    s.cubic = true;
    s.p = {c.cur, c.At(c1), c.At(c2), c.At(to)};
    c.out->back().segments.push_back(s);
    c.cur = s.p[3];
    return 0;
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user)
{
    auto& c = *static_cast<Collector*>(user);
    const Pt p0 = c.cur, q = c.At(control), p3 = c.At(to);
    // Exact degree elevation: the cubic's handles lie 2/3 of the way to the control point.
    Segment s;
    s.cubic = true;
    s.p = {p0,
           Pt{p0[0] + 2.0 / 3 * (q[0] - p0[0]), p0[1] + 2.0 / 3 * (q[1] - p0[1])},
           Pt{p3[0] + 2.0 / 3 * (q[0] - p3[0]), p3[1] + 2.0 / 3 * (q[1] - p3[1])},
           p3};
    c.out->back().segments.push_back(s);
    c.cur = p3;
    return 0;
}

}  // namespace

GlyphReader::GlyphReader(const char* fontPath)
{
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0)
        return;
    m_lib = lib;
    FT_Face face = nullptr;
    if (FT_New_Face(lib, fontPath, 0, &face) == 0)
        m_face = face;
}

GlyphReader::~GlyphReader()
{
    if (m_face)
        FT_Done_Face(static_cast<FT_Face>(m_face));
    if (m_lib)
        FT_Done_FreeType(static_cast<FT_Library>(m_lib));
}

long GlyphReader::NumGlyphs() const { return m_face ? static_cast<FT_Face>(m_face)->num_glyphs : 0; }

bool GlyphReader::Char(unsigned long code, double scale, std::vector<Contour>& out)
{
    out.clear();
    if (!m_face || FT_Load_Char(static_cast<FT_Face>(m_face), code, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0)
        return false;
    return Decompose(scale, out);
}

bool GlyphReader::Glyph(unsigned index, double scale, std::vector<Contour>& out)
{
    out.clear();
    if (!m_face || FT_Load_Glyph(static_cast<FT_Face>(m_face), index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0)
        return false;
    return Decompose(scale, out);
}

bool GlyphReader::Decompose(double scale, std::vector<Contour>& out)
{
    FT_GlyphSlot slot = static_cast<FT_Face>(m_face)->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE)
        return false;
    Collector c{scale, &out};
    FT_Outline_Funcs funcs{};
    funcs.move_to = MoveTo;
    funcs.line_to = LineTo;
    funcs.conic_to = ConicTo;
    funcs.cubic_to = CubicTo;
    if (FT_Outline_Decompose(&slot->outline, &funcs, &c) != 0) {
        out.clear();
        return false;
    }
    c.Close();
    return !out.empty();
}

Pt CubicAt(const Segment& s, double t)
{
    const double u = 1 - t;
    const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
    return {b0 * s.p[0][0] + b1 * s.p[1][0] + b2 * s.p[2][0] + b3 * s.p[3][0],
            b0 * s.p[0][1] + b1 * s.p[1][1] + b2 * s.p[2][1] + b3 * s.p[3][1]};
}

std::vector<Pt> Sample(const Contour& c, int perCubic)
{
    std::vector<Pt> poly;
    if (c.segments.empty())
        return poly;
    poly.push_back(c.segments.front().p[0]);
    for (const Segment& s : c.segments) {
        if (!s.cubic) {
            poly.push_back(s.p[1]);
            continue;
        }
        for (int i = 1; i <= perCubic; ++i)
            poly.push_back(CubicAt(s, static_cast<double>(i) / perCubic));
    }
    if (poly.size() > 1 && poly.back() == poly.front())
        poly.pop_back();
    return poly;
}

double Area(const std::vector<Pt>& poly)
{
    double a = 0.0;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const Pt& u = poly[i];
        const Pt& v = poly[(i + 1) % poly.size()];
        a += u[0] * v[1] - v[0] * u[1];
    }
    return a / 2;
}

}  // namespace glyphs
