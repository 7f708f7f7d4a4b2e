// Oracles for skeletons of pocket loops: the boundary as rings of corners (arcs cut into
// chords as the skeleton builder cuts them), brute-force boundary distance, the medial
// axis of Boost.Polygon's segment Voronoi diagram and a symmetric Hausdorff distance.
#pragma once

#include "toolpath/contours/Skeleton.h"
#include "toolpath/contours/SmartLoop.h"
#include "toolpath/contours/SmartSect.h"

#include <boost/polygon/polygon.hpp>
#include <boost/polygon/voronoi.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace skeltest {

using P2 = std::array<double, 2>;
using P3 = std::array<double, 3>;
using Ring = std::vector<P2>;

// Every contour of the loop (islands too) as a closed ring of corners.
inline std::vector<Ring> Rings(CSmartLoop* loop)
{
    std::vector<Ring> rings;
    auto add = [&](CSmartLoop* L) {
        Ring r;
        double pts[100][2];
        for (CSmartSect* s = L->contour->head; s; s = s->next) {
            if (s->IsSectArc()) {
                const int n = DiscretizeArcSect(pts, 100, 0.01, static_cast<CSmartArc*>(s));
                for (int i = 0; i < n; ++i)
                    r.push_back({pts[i][0], pts[i][1]});
            } else {
                double p[2];
                s->GetPoint(0, p);
                r.push_back({p[0], p[1]});
            }
        }
        rings.push_back(r);
    };
    add(loop);
    for (CSmartLoop* i = loop->islands; i; i = i->next)
        add(i);
    return rings;
}

inline double SegDist(const P2& p, const P2& a, const P2& b)
{
    const double dx = b[0] - a[0], dy = b[1] - a[1], l = dx * dx + dy * dy;
    double t = l > 0 ? ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / l : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p[0] - a[0] - t * dx, p[1] - a[1] - t * dy);
}

inline double BoundaryDistance(const std::vector<Ring>& rings, const P2& p)
{
    double d = 1e300;
    for (const Ring& r : rings)
        for (std::size_t i = 0; i < r.size(); ++i)
            d = std::min(d, SegDist(p, r[i], r[(i + 1) % r.size()]));
    return d;
}

// Even-odd containment over all rings.
inline bool Inside(const std::vector<Ring>& rings, const P2& p)
{
    bool in = false;
    for (const Ring& r : rings)
        for (std::size_t i = 0, j = r.size() - 1; i < r.size(); j = i++)
            if ((r[i][1] > p[1]) != (r[j][1] > p[1]) &&
                p[0] < (r[j][0] - r[i][0]) * (p[1] - r[i][1]) / (r[j][1] - r[i][1]) + r[i][0])
                in = !in;
    return in;
}

// Points of the skeleton's polylines, every segment sampled at most `step` apart.
inline std::vector<P3> Densify(const CCLineCurve* list, double step)
{
    std::vector<P3> out;
    for (const CCLineCurve* c = list; c; c = c->next)
        for (const CCLineCurve::Node* n = c->head; n; n = n->next) {
            out.push_back({n->x, n->y, n->z});
            if (!n->next)
                continue;
            const double l = std::hypot(n->next->x - n->x, n->next->y - n->y);
            const int k = static_cast<int>(l / step);
            for (int i = 1; i <= k; ++i) {
                const double t = static_cast<double>(i) / (k + 1);
                out.push_back({n->x + t * (n->next->x - n->x), n->y + t * (n->next->y - n->y),
                               n->z + t * (n->next->z - n->z)});
            }
        }
    return out;
}

struct Medial {
    std::vector<P2> points;  // interior primary Voronoi edges, parabolas sampled
    double maxRadius = 0;    // largest boundary distance at an interior Voronoi vertex
};

// The medial axis of the rings from Boost.Polygon's Voronoi diagram of their segments
// (coordinates scaled by `scale` and rounded to integers).
inline Medial BoostMedialAxis(const std::vector<Ring>& rings, double scale, double step)
{
    using boost::polygon::voronoi_diagram;
    std::vector<boost::polygon::segment_data<int>> segs;
    std::vector<std::array<P2, 2>> real;
    for (const Ring& r : rings)
        for (std::size_t i = 0; i < r.size(); ++i) {
            const P2& a = r[i];
            const P2& b = r[(i + 1) % r.size()];
            const boost::polygon::point_data<int> ia(static_cast<int>(std::lround(a[0] * scale)),
                                                     static_cast<int>(std::lround(a[1] * scale)));
            const boost::polygon::point_data<int> ib(static_cast<int>(std::lround(b[0] * scale)),
                                                     static_cast<int>(std::lround(b[1] * scale)));
            if (ia == ib)
                continue;
            segs.emplace_back(ia, ib);
            real.push_back({P2{ia.x() / scale, ia.y() / scale}, P2{ib.x() / scale, ib.y() / scale}});
        }
    voronoi_diagram<double> vd;
    boost::polygon::construct_voronoi(segs.begin(), segs.end(), &vd);
    Medial m;
    auto inside = [&](const P2& p) { return Inside(rings, p); };
    for (const auto& v : vd.vertices()) {
        const P2 p{v.x() / scale, v.y() / scale};
        if (inside(p))
            m.maxRadius = std::max(m.maxRadius, BoundaryDistance(rings, p));
    }
    for (const auto& e : vd.edges()) {
        if (!e.is_primary() || !e.is_finite() || &e > e.twin())
            continue;
        const P2 p0{e.vertex0()->x() / scale, e.vertex0()->y() / scale};
        const P2 p1{e.vertex1()->x() / scale, e.vertex1()->y() / scale};
        std::vector<P2> pts;
        if (e.is_linear()) {
            const int k = static_cast<int>(std::hypot(p1[0] - p0[0], p1[1] - p0[1]) / step) + 1;
            for (int i = 0; i <= k; ++i)
                pts.push_back({p0[0] + (p1[0] - p0[0]) * i / k, p0[1] + (p1[1] - p0[1]) * i / k});
        } else {
            // Parabola between a point site and a segment site.
            const auto* pc = e.cell()->contains_point() ? e.cell() : e.twin()->cell();
            const auto* sc = e.cell()->contains_point() ? e.twin()->cell() : e.cell();
            const auto& ps = real[pc->source_index()];
            const P2 focus = pc->source_category() == boost::polygon::SOURCE_CATEGORY_SEGMENT_START_POINT ? ps[0] : ps[1];
            const auto& sg = real[sc->source_index()];
            const double dx = sg[1][0] - sg[0][0], dy = sg[1][1] - sg[0][1], l = std::hypot(dx, dy);
            const P2 d{dx / l, dy / l};
            P2 nrm{-d[1], d[0]};
            double k = (focus[0] - sg[0][0]) * nrm[0] + (focus[1] - sg[0][1]) * nrm[1];
            if (k < 0) {
                nrm = {-nrm[0], -nrm[1]};
                k = -k;
            }
            const P2 o{focus[0] - k * nrm[0], focus[1] - k * nrm[1]};
            auto u = [&](const P2& p) { return (p[0] - o[0]) * d[0] + (p[1] - o[1]) * d[1]; };
            const double u0 = u(p0), u1 = u(p1);
            const int n = static_cast<int>(std::hypot(p1[0] - p0[0], p1[1] - p0[1]) / step) + 8;
            for (int i = 0; i <= n; ++i) {
                const double t = u0 + (u1 - u0) * i / n;
                const double w = (t * t + k * k) / (2 * k);
                pts.push_back({o[0] + t * d[0] + w * nrm[0], o[1] + t * d[1] + w * nrm[1]});
            }
        }
        const P2 mid = pts[pts.size() / 2];
        if (!inside(mid) || BoundaryDistance(rings, mid) < 1e-6)
            continue;
        m.points.insert(m.points.end(), pts.begin(), pts.end());
    }
    return m;
}

// Largest distance from a point of a to its nearest point of b (a grid over b).
inline double DirectedHausdorff(const std::vector<P2>& a, const std::vector<P2>& b, double cell)
{
    std::unordered_map<std::int64_t, std::vector<int>> grid;
    auto key = [&](std::int64_t i, std::int64_t j) { return i * 1000003 + j; };
    for (std::size_t k = 0; k < b.size(); ++k)
        grid[key(static_cast<std::int64_t>(std::floor(b[k][0] / cell)), static_cast<std::int64_t>(std::floor(b[k][1] / cell)))]
            .push_back(static_cast<int>(k));
    double worst = 0;
    for (const P2& p : a) {
        const auto ci = static_cast<std::int64_t>(std::floor(p[0] / cell));
        const auto cj = static_cast<std::int64_t>(std::floor(p[1] / cell));
        double best = 1e300;
        for (int r = 0; r < 8 && best > (r - 1) * cell; ++r) {
            for (std::int64_t i = ci - r; i <= ci + r; ++i)
                for (std::int64_t j = cj - r; j <= cj + r; j += (i == ci - r || i == ci + r || r == 0) ? 1 : 2 * r) {
                    const auto it = grid.find(key(i, j));
                    if (it == grid.end())
                        continue;
                    for (int k : it->second)
                        best = std::min(best, std::hypot(b[static_cast<std::size_t>(k)][0] - p[0],
                                                         b[static_cast<std::size_t>(k)][1] - p[1]));
                }
        }
        if (best > 7 * cell)
            for (const P2& q : b)
                best = std::min(best, std::hypot(q[0] - p[0], q[1] - p[1]));
        worst = std::max(worst, best);
    }
    return worst;
}

inline std::vector<P2> XY(const std::vector<P3>& v)
{
    std::vector<P2> out;
    out.reserve(v.size());
    for (const P3& p : v)
        out.push_back({p[0], p[1]});
    return out;
}

}  // namespace skeltest
