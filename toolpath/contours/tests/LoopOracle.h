// Independent answers for the loop tests: winding numbers with exact orientation signs
// (GEOS's robust orientation index), scan-line crossings by the half-open rule, shoelace
// areas, and loops built from polygons and glyph outlines.
#pragma once

#include "CurveFixtures.h"

#include "testing/GlyphOutlines.h"
#include "toolpath/contours/SmartLoop.h"

#include <geos_c.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace looptest {

using curvetest::P;

class Orientation {
public:
    Orientation() : m_h(GEOS_init_r()) {}
    ~Orientation() { GEOS_finish_r(m_h); }
    Orientation(const Orientation&) = delete;
    Orientation& operator=(const Orientation&) = delete;
    // 1 when p lies left of a -> b, -1 right, 0 on the line (exact).
    int Sign(const P& a, const P& b, const P& p) const
    {
        return GEOSOrientationIndex_r(m_h, a[0], a[1], b[0], b[1], p[0], p[1]);
    }
    // 2 when p lies on the closed polygon's boundary, else its winding number.
    int Winding(const std::vector<P>& poly, const P& p) const
    {
        int w = 0;
        const std::size_t n = poly.size();
        for (std::size_t i = 0; i < n; ++i) {
            const P& a = poly[i];
            const P& b = poly[(i + 1) % n];
            const int o = Sign(a, b, p);
            if (o == 0 && p[0] >= std::min(a[0], b[0]) && p[0] <= std::max(a[0], b[0]) &&
                p[1] >= std::min(a[1], b[1]) && p[1] <= std::max(a[1], b[1]))
                return 2;
            if (a[1] <= p[1]) {
                if (b[1] > p[1] && o > 0)
                    ++w;
            } else if (b[1] <= p[1] && o < 0) {
                --w;
            }
        }
        return w;
    }

private:
    GEOSContextHandle_t m_h;
};

// Twice the signed area of the closed polygon (shoelace).
inline double Shoelace(const std::vector<P>& poly)
{
    double s = 0;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const P& a = poly[i];
        const P& b = poly[(i + 1) % poly.size()];
        s += a[0] * b[1] - b[0] * a[1];
    }
    return s;
}

// Crossing x of the horizontal line y with the closed polygon, by the half-open rule (an
// edge counts when y lies in [low end, high end)): a vertex the contour passes counts
// once, a vertex where it turns back twice or not at all.
inline std::vector<double> ScanCrossings(const std::vector<P>& poly, double y)
{
    std::vector<double> xs;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const P& a = poly[i];
        const P& b = poly[(i + 1) % poly.size()];
        if ((a[1] <= y && y < b[1]) || (b[1] <= y && y < a[1]))
            xs.push_back(a[0] + (y - a[1]) / (b[1] - a[1]) * (b[0] - a[0]));
    }
    return xs;
}

// Sorted, with pairs of equal values (within tol) removed: a touching vertex counted 0 or
// 2 times leaves the same list.
inline std::vector<double> OddCrossings(std::vector<double> xs, double tol)
{
    std::sort(xs.begin(), xs.end());
    std::vector<double> out;
    for (double x : xs) {
        if (!out.empty() && std::fabs(out.back() - x) < tol)
            out.pop_back();
        else
            out.push_back(x);
    }
    return out;
}

// A loop whose contour is the closed polygon.
inline CSmartLoop* PolygonLoop(const std::vector<P>& poly)
{
    auto* L = new CSmartLoop;
    delete L->UpdateSect(curvetest::Polyline(poly, true));
    return L;
}

// The glyph's contours as one loop tree: the largest contour made counter-clockwise as the
// outer loop, the others clockwise as its islands (the glyphs used have one outer contour).
inline CSmartLoop* GlyphLoop(const std::vector<glyphs::Contour>& contours)
{
    std::vector<CSmartLoop*> loops;
    for (const glyphs::Contour& c : contours) {
        auto* L = new CSmartLoop;
        delete L->UpdateSect(curvetest::GlyphCurve(c));
        loops.push_back(L);
    }
    std::stable_sort(loops.begin(), loops.end(),
                     [](const CSmartLoop* a, const CSmartLoop* b) { return std::fabs(a->area) > std::fabs(b->area); });
    CSmartLoop* outer = loops.front();
    if (outer->area < 0)
        outer->ReverseLoop(1);
    for (std::size_t i = 1; i < loops.size(); ++i) {
        if (loops[i]->area > 0)
            loops[i]->ReverseLoop(1);
        outer->AddIsland(loops[i]);
    }
    return outer;
}

}  // namespace looptest
