// Oracles of the pocketing strategies on densely sampled paths: gouge (every point inside
// the tool-centre region, outside its islands) and coverage (every point the tool may
// reach from the region lies within the tool radius of the path).
#pragma once

#include "PathOracle.h"
#include "toolpath/contours/PathGroup.h"

#include <algorithm>
#include <array>
#include <cmath>
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

inline double SegDist(const P& a, const P& b, const P& p)
{
    const double ux = b[0] - a[0], uy = b[1] - a[1], l2 = ux * ux + uy * uy;
    double t = l2 > 0 ? ((p[0] - a[0]) * ux + (p[1] - a[1]) * uy) / l2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(a[0] + t * ux - p[0], a[1] + t * uy - p[1]);
}

inline double BoundaryDist(const Poly& poly, const P& p)
{
    double d = 1e300;
    for (std::size_t i = 0; i < poly.size(); ++i)
        d = std::min(d, SegDist(poly[i], poly[(i + 1) % poly.size()], p));
    return d;
}

// Even-odd containment (boundary points may go either way).
inline bool Inside(const Poly& poly, const P& p)
{
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
        if ((poly[i][1] > p[1]) != (poly[j][1] > p[1]) &&
            p[0] < poly[j][0] + (poly[i][0] - poly[j][0]) * (p[1] - poly[j][1]) / (poly[i][1] - poly[j][1]))
            in = !in;
    return in;
}

// Signed distance to the region: negative inside, positive outside.
inline double RegionDist(const Region& r, const P& p)
{
    double d = BoundaryDist(r.outer, p);
    bool in = Inside(r.outer, p);
    for (const Poly& i : r.islands) {
        const double di = BoundaryDist(i, p);
        if (Inside(i, p))
            in = false;
        d = std::min(d, di);
    }
    return in ? -d : d;
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
inline std::vector<P> Gouges(const Region& r, const std::vector<P>& pts, double tol)
{
    std::vector<P> bad;
    for (const P& p : pts)
        if (RegionDist(r, p) > tol)
            bad.push_back(p);
    return bad;
}

// Raster points within reach R of the region that are farther than R + tol from every
// sampled path point (left uncut).
inline std::vector<P> Uncut(const Region& r, const std::vector<P>& path, double R, double raster, double tol)
{
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (const P& p : r.outer)
        for (int k = 0; k < 2; ++k) {
            lo[k] = std::min(lo[k], p[k] - R);
            hi[k] = std::max(hi[k], p[k] + R);
        }
    const double cell = R + tol;
    auto key = [&](long i, long j) { return (i << 32) ^ (j & 0xffffffff); };
    std::unordered_map<long, std::vector<P>> grid;
    for (const P& p : path)
        grid[key(long(std::floor(p[0] / cell)), long(std::floor(p[1] / cell)))].push_back(p);
    std::vector<P> bad;
    for (double y = lo[1]; y <= hi[1]; y += raster)
        for (double x = lo[0]; x <= hi[0]; x += raster) {
            const P p{x, y};
            if (RegionDist(r, p) > R - tol)
                continue;
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
            if (!hit)
                bad.push_back(p);
        }
    return bad;
}

}  // namespace cuttest
