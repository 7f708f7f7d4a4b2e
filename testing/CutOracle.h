// Oracles of the pocketing strategies on densely sampled paths: gouge (every point inside
// the tool-centre region, outside its islands) and coverage (every point a tool of radius R
// may reach from the region lies within R of the path). Regions are bounded by lines and
// exact arcs, given as polygons or read from the fields of a loop's sections.
#pragma once

#include "testing/PathOracle.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartLoop.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <unordered_map>
#include <vector>

namespace cuttest {

using P = std::array<double, 2>;
using Poly = std::vector<P>;  // closed, first point not repeated

// A region: the outer polygon and its islands.
struct Region {
    Poly outer;
    std::vector<Poly> islands;
};

// A boundary edge: the line a -> b, or the arc about c of radius r from angle a0 to a1
// (counter-clockwise when a1 > a0), a and b its ends.
struct Edge {
    P a, b;
    bool arc = false;
    P c{};
    double r = 0, a0 = 0, a1 = 0;
};

inline Edge ArcEdge(const P& c, double r, double a0, double a1)
{
    return {{c[0] + r * std::cos(a0), c[1] + r * std::sin(a0)}, {c[0] + r * std::cos(a1), c[1] + r * std::sin(a1)}, true, c,
            r, a0, a1};
}

// The edges of every contour of a region (outer and islands, any sense) with a box around
// them: a point lies inside when a ray from it crosses the edges an odd number of times.
struct Boundary {
    std::vector<Edge> edges;
    P lo{1e300, 1e300}, hi{-1e300, -1e300};

    Boundary() = default;
    Boundary(const Region& r)  // NOLINT: a polygon region is a boundary
    {
        AddPolygon(r.outer);
        for (const Poly& i : r.islands)
            AddPolygon(i);
    }
    void Add(const Edge& e)
    {
        edges.push_back(e);
        std::vector<P> extremes{e.a, e.b};
        if (e.arc) {
            // The circle's points at multiples of 90 degrees inside the sweep.
            const double from = std::min(e.a0, e.a1), to = std::max(e.a0, e.a1), q = std::numbers::pi / 2;
            for (double t = q * std::ceil(from / q); t <= to; t += q)
                extremes.push_back({e.c[0] + e.r * std::cos(t), e.c[1] + e.r * std::sin(t)});
        }
        for (const P& p : extremes)
            for (int k = 0; k < 2; ++k) {
                lo[k] = std::min(lo[k], p[k]);
                hi[k] = std::max(hi[k], p[k]);
            }
    }
    void AddPolygon(const Poly& poly)
    {
        for (std::size_t i = 0; i < poly.size(); ++i)
            Add({poly[i], poly[(i + 1) % poly.size()]});
    }
    // A closed chain of edges: each edge starts exactly where the one before ends (an
    // arc's computed end may differ in the last bit from the line after it, which would
    // let a ray level with the joint cross once instead of twice or never).
    void AddContour(std::vector<Edge> chain)
    {
        for (std::size_t i = 0; i < chain.size(); ++i)
            chain[(i + 1) % chain.size()].a = chain[i].b;
        for (const Edge& e : chain)
            Add(e);
    }
};

// The region of a loop and its islands, edge by edge from its sections' own fields.
inline Boundary LoopBoundary(const CSmartLoop& L)
{
    Boundary b;
    for (const CSmartLoop* x = &L; x; x = x == &L ? L.islands : x->next) {
        std::vector<Edge> chain;
        for (const CSmartSect* s = x->contour ? x->contour->head : nullptr; s; s = s->next) {
            if (s->IsSectArc()) {
                const auto* a = static_cast<const CSmartArc*>(s);
                chain.push_back(ArcEdge({a->centre[0], a->centre[1]}, a->radius, a->startAngle, a->endAngle));
            } else {
                const auto* l = static_cast<const CSmartLine*>(s);
                chain.push_back({{l->start[0], l->start[1]}, {l->end[0], l->end[1]}});
            }
        }
        b.AddContour(std::move(chain));
    }
    return b;
}

inline double SegDist(const P& a, const P& b, const P& p)
{
    const double ux = b[0] - a[0], uy = b[1] - a[1], l2 = ux * ux + uy * uy;
    double t = l2 > 0 ? ((p[0] - a[0]) * ux + (p[1] - a[1]) * uy) / l2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(a[0] + t * ux - p[0], a[1] + t * uy - p[1]);
}

inline double EdgeDist(const Edge& e, const P& p)
{
    if (!e.arc)
        return SegDist(e.a, e.b, p);
    const double sweep = e.a1 - e.a0, twoPi = 2 * std::numbers::pi;
    const double from = sweep > 0 ? std::atan2(p[1] - e.c[1], p[0] - e.c[0]) - e.a0 : e.a0 - std::atan2(p[1] - e.c[1], p[0] - e.c[0]);
    if (std::fabs(sweep) >= twoPi || from - twoPi * std::floor(from / twoPi) <= std::fabs(sweep))
        return std::fabs(std::hypot(p[0] - e.c[0], p[1] - e.c[1]) - e.r);
    return std::min(std::hypot(p[0] - e.a[0], p[1] - e.a[1]), std::hypot(p[0] - e.b[0], p[1] - e.b[1]));
}

// Crossings of the ray from p towards +x with the edge, by the rule y > p.y on one end
// and not on the other; arcs are cut where they turn in y, so each piece crosses once.
inline int RayCrossings(const Edge& e, const P& p)
{
    if (!e.arc) {
        if ((e.a[1] > p[1]) == (e.b[1] > p[1]))
            return 0;
        return p[0] < e.a[0] + (e.b[0] - e.a[0]) * (p[1] - e.a[1]) / (e.b[1] - e.a[1]) ? 1 : 0;
    }
    const double lo = std::min(e.a0, e.a1), hi = std::max(e.a0, e.a1), pi = std::numbers::pi;
    std::vector<double> cuts{lo};
    for (double t = pi * (std::floor((lo - pi / 2) / pi) + 1) + pi / 2; t < hi; t += pi)
        cuts.push_back(t);
    cuts.push_back(hi);
    int n = 0;
    // The ends take the edge's own end points, shared exactly with its neighbours.
    auto y = [&](std::size_t i) {
        if (i == 0 || i + 1 == cuts.size())
            return (i == 0) == (e.a0 < e.a1) ? e.a[1] : e.b[1];
        return e.c[1] + e.r * std::sin(cuts[i]);
    };
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        const double y0 = y(i), y1 = y(i + 1);
        if ((y0 > p[1]) == (y1 > p[1]))
            continue;
        const double dy = p[1] - e.c[1], half = std::sqrt(std::max(0.0, e.r * e.r - dy * dy));
        const double x = e.c[0] + (std::cos((cuts[i] + cuts[i + 1]) / 2) >= 0 ? half : -half);
        n += p[0] < x ? 1 : 0;
    }
    return n;
}

// Signed distance to the region: negative inside, positive outside.
inline double RegionDist(const Boundary& b, const P& p)
{
    double d = 1e300;
    int crossings = 0;
    for (const Edge& e : b.edges) {
        d = std::min(d, EdgeDist(e, p));
        crossings += RayCrossings(e, p);
    }
    return crossings % 2 ? -d : d;
}

// Points every `spacing` along the entities (ends included).
inline std::vector<P> SamplePath(const CPathCombine& c, double spacing)
{
    std::vector<P> out;
    for (const CPathEntity* e = c.head; e; e = e->next) {
        auto* self = const_cast<CPathEntity*>(e);
        const double len = self->GetLength();
        const int n = std::max(1, int(std::ceil(len / spacing)));
        for (int i = 0; i <= n; ++i) {
            const auto q = pathtest::Sample(*e, double(i) / n);
            out.push_back({q[0], q[1]});
        }
    }
    return out;
}

// The sampled points that lie farther than tol outside the region (gouges).
inline std::vector<P> Gouges(const Boundary& b, const std::vector<P>& pts, double tol)
{
    std::vector<P> bad;
    for (const P& p : pts)
        if (RegionDist(b, p) > tol)
            bad.push_back(p);
    return bad;
}

// Raster points within reach R of the region that are farther than R + tol from every
// sampled path point (left uncut). A tol of a step or so admits the cusps between passes
// and finds only larger holes.
inline std::vector<P> Uncut(const Boundary& b, const std::vector<P>& path, double R, double raster, double tol)
{
    const double cell = R + tol;
    auto key = [&](long i, long j) { return (i << 32) ^ (j & 0xffffffff); };
    std::unordered_map<long, std::vector<P>> grid;
    for (const P& p : path)
        grid[key(long(std::floor(p[0] / cell)), long(std::floor(p[1] / cell)))].push_back(p);
    std::vector<P> bad;
    for (double y = b.lo[1] - R; y <= b.hi[1] + R; y += raster)
        for (double x = b.lo[0] - R; x <= b.hi[0] + R; x += raster) {
            const P p{x, y};
            const long ci = long(std::floor(x / cell)), cj = long(std::floor(y / cell));
            bool hit = false;
            for (long i = ci - 1; i <= ci + 1 && !hit; ++i)
                for (long j = cj - 1; j <= cj + 1 && !hit; ++j) {
                    auto it = grid.find(key(i, j));
                    if (it != grid.end())
                        for (const P& q : it->second)
                            if (std::hypot(q[0] - x, q[1] - y) <= R + tol) {
                                hit = true;
                                break;
                            }
                }
            if (!hit && RegionDist(b, p) <= R - tol)
                bad.push_back(p);
        }
    return bad;
}

}  // namespace cuttest
