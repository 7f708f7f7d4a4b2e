// A line of glyph outlines as loops of the geometry library: cubics approximated by arcs
// and lines (CBezierToArc at 0.01 mm), glyphs placed side by side 1 mm apart. For the
// tests and benchmarks that feed real outlines to the loop functions; the caller links
// geometry and korvel_testing.
#pragma once

#include "testing/GlyphOutlines.h"

#include "geometry/algorithms/BezierToArc.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"

#include <algorithm>
#include <string>
#include <vector>

namespace glyphs {

// The loops of the text's glyphs (heights about `height` mm) appended to out; the number
// of loops made.
inline int GlyphLineLoops(GlyphReader& font, const std::string& text, double height, double y0,
                          CTypedPtrList<CObList, CGeLoop*>& out)
{
    const double scale = height / 2048.0 * 1.4;
    double x = 0;
    int made = 0;
    for (char ch : text) {
        std::vector<Contour> contours;
        if (!font.Char(static_cast<unsigned char>(ch), scale, contours)) {
            x += height * 0.4;
            continue;
        }
        double lo = 1e300, hi = -1e300;
        for (const Contour& c : contours)
            for (const Pt& p : Sample(c, 8)) {
                lo = std::min(lo, p[0]);
                hi = std::max(hi, p[0]);
            }
        const double dx = x - lo;
        for (const Contour& c : contours) {
            auto* loop = new CGeLoop;
            for (const Segment& s : c.segments) {
                if (!s.cubic) {
                    const double a[2] = {s.p[0][0] + dx, s.p[0][1] + y0}, b[2] = {s.p[1][0] + dx, s.p[1][1] + y0};
                    if (a[0] != b[0] || a[1] != b[1])
                        loop->AddTail(new CGeLine(a, b), 1);
                    continue;
                }
                double pts[4][2];
                for (int i = 0; i < 4; ++i) {
                    pts[i][0] = s.p[static_cast<std::size_t>(i)][0] + dx;
                    pts[i][1] = s.p[static_cast<std::size_t>(i)][1] + y0;
                }
                CTypedPtrList<CObList, CGeCurve*> pieces;
                CBezierToArc(pts, 3).ArcApproxi(0.01, &pieces);
                while (!pieces.IsEmpty())
                    loop->AddTail(pieces.RemoveHead(), 1);
            }
            if (loop->GetCurveList().IsEmpty()) {
                delete loop;
                continue;
            }
            out.AddTail(loop);
            ++made;
        }
        x += hi - lo + 1.0;
    }
    return made;
}

// The page of the tests and benchmarks: four lines of 10 mm glyphs, 15 mm apart (every
// letter, the digits and some signs); the number of loops made.
inline int GlyphPageLoops(GlyphReader& font, CTypedPtrList<CObList, CGeLoop*>& out)
{
    const char* lines[] = {"The quick brown fox jumps", "over the lazy dog 0123456789", "Pack my box with five dozen",
                           "liquor jugs & @ % $ ( ) { }"};
    int made = 0;
    for (int i = 0; i < 4; ++i)
        made += GlyphLineLoops(font, lines[i], 10, -15.0 * i, out);
    return made;
}

}  // namespace glyphs
