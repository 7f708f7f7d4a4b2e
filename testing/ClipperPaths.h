// Polygons to Clipper 6 paths and back, and the measures the tests compare with Clipper:
// the area of the symmetric difference and the outer/hole counts of a polygon tree.
// Clipper works on integers: coordinates are scaled by 1e6 (well within its range for
// models up to a few metres).
#pragma once

#include <polyclipping/clipper.hpp>

#include <array>
#include <cmath>
#include <vector>

namespace clipperpaths {

using Pt = std::array<double, 2>;
using Polygon = std::vector<Pt>;  // closed, the first point not repeated
constexpr double kScale = 1e6;

inline ClipperLib::Path ToPath(const Polygon& poly)
{
    ClipperLib::Path path;
    path.reserve(poly.size());
    for (const Pt& p : poly)
        path.push_back({static_cast<ClipperLib::cInt>(std::llround(p[0] * kScale)),
                        static_cast<ClipperLib::cInt>(std::llround(p[1] * kScale))});
    return path;
}

inline ClipperLib::Paths ToPaths(const std::vector<Polygon>& polys)
{
    ClipperLib::Paths out;
    for (const Polygon& p : polys)
        out.push_back(ToPath(p));
    return out;
}

// Signed area in model units (positive counter-clockwise).
inline double ModelArea(const ClipperLib::Path& p) { return ClipperLib::Area(p) / (kScale * kScale); }

inline double ModelArea(const ClipperLib::Paths& ps)
{
    double a = 0;
    for (const auto& p : ps)
        a += ModelArea(p);
    return a;
}

// Total length of the paths' edges in model units.
inline double Perimeter(const ClipperLib::Paths& ps)
{
    double s = 0;
    for (const auto& p : ps)
        for (std::size_t i = 0; i < p.size(); ++i) {
            const auto& a = p[i];
            const auto& b = p[(i + 1) % p.size()];
            s += std::hypot(static_cast<double>(b.X - a.X), static_cast<double>(b.Y - a.Y)) / kScale;
        }
    return s;
}

// Area of the region of a (filled by fa) and of b (filled by fb) that lies in exactly one.
inline double XorArea(const ClipperLib::Paths& a, ClipperLib::PolyFillType fa, const ClipperLib::Paths& b,
                      ClipperLib::PolyFillType fb)
{
    ClipperLib::Clipper c;
    c.AddPaths(a, ClipperLib::ptSubject, true);
    c.AddPaths(b, ClipperLib::ptClip, true);
    ClipperLib::Paths x;
    c.Execute(ClipperLib::ctXor, x, fa, fb);
    return ModelArea(x);
}

// The regions' boundaries made simple and oriented (outer loops counter-clockwise).
inline ClipperLib::Paths Normalised(const ClipperLib::Paths& a, ClipperLib::PolyFillType f)
{
    ClipperLib::Paths out;
    ClipperLib::SimplifyPolygons(a, out, f);
    return out;
}

struct TreeCounts {
    int outers = 0;
    int holes = 0;
};

// Outer loops and holes of Clipper's polygon tree of the paths, at every depth.
inline TreeCounts Counts(const ClipperLib::Paths& a, ClipperLib::PolyFillType f)
{
    ClipperLib::Clipper c;
    c.AddPaths(a, ClipperLib::ptSubject, true);
    ClipperLib::PolyTree tree;
    c.Execute(ClipperLib::ctUnion, tree, f, f);
    TreeCounts n;
    for (ClipperLib::PolyNode* node = tree.GetFirst(); node; node = node->GetNext())
        (node->IsHole() ? n.holes : n.outers) += 1;
    return n;
}

// Clipper's offset of closed polygons by d (arcs at 0.001, mitres limited by `miter`).
inline ClipperLib::Paths Offset(const ClipperLib::Paths& in, double d, ClipperLib::JoinType join, double miter = 2.0)
{
    ClipperLib::ClipperOffset off(miter, 0.001 * kScale);
    off.AddPaths(in, join, ClipperLib::etClosedPolygon);
    ClipperLib::Paths out;
    off.Execute(out, d * kScale);
    return out;
}

// The region closed and then opened at r (mitred, so straight edges stay put): pieces
// that meet within 2r merge, slivers thinner than 2r go.
inline ClipperLib::Paths Filtered(const ClipperLib::Paths& in, double r)
{
    ClipperLib::Paths p = Normalised(in, ClipperLib::pftNonZero);
    for (double d : {r, -r, -r, r})
        p = Offset(p, d, ClipperLib::jtMiter, 4.0);
    return p;
}

}  // namespace clipperpaths
