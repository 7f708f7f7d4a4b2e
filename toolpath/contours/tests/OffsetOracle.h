// Independent answers for the offset and Boolean tests: random pocket shapes (star
// polygons with round and polygonal holes), exact distances from their boundaries, and
// their regions and results as Clipper paths.
#pragma once

#include "CurveFixtures.h"
#include "LoopOracle.h"

#include "testing/ClipperPaths.h"
#include "toolpath/contours/SmartLoop.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace offsettest {

using curvetest::P;
using clipperpaths::Polygon;

struct Circle {
    P c;
    double r;
};

// A pocket: an outer polygon (counter-clockwise) with polygonal and round holes.
struct Pocket {
    Polygon outer;
    std::vector<Polygon> holes;  // clockwise
    std::vector<Circle> circles;  // holes
};

// A star-shaped simple polygon around c: n vertices at sorted random angles and radii.
inline Polygon Star(std::mt19937& rng, P c, double rmin, double rmax, int n)
{
    std::uniform_real_distribution<double> ua(0, 2 * std::numbers::pi), ur(rmin, rmax);
    std::vector<double> a(static_cast<std::size_t>(n));
    for (double& x : a)
        x = ua(rng);
    std::sort(a.begin(), a.end());
    Polygon p;
    for (double x : a) {
        const double r = ur(rng);
        p.push_back({c[0] + r * std::cos(x), c[1] + r * std::sin(x)});
    }
    return p;
}

inline double SegDist(const P& p, const P& a, const P& b)
{
    const double ux = b[0] - a[0], uy = b[1] - a[1], l2 = ux * ux + uy * uy;
    double t = l2 > 0 ? ((p[0] - a[0]) * ux + (p[1] - a[1]) * uy) / l2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p[0] - a[0] - t * ux, p[1] - a[1] - t * uy);
}

inline double PolyDist(const P& p, const Polygon& poly)
{
    double d = HUGE_VAL;
    for (std::size_t i = 0; i < poly.size(); ++i)
        d = std::min(d, SegDist(p, poly[i], poly[(i + 1) % poly.size()]));
    return d;
}

// Distance from the pocket's boundary (outer polygon, holes, circles).
inline double BoundaryDist(const Pocket& k, const P& p)
{
    double d = k.outer.empty() ? HUGE_VAL : PolyDist(p, k.outer);
    for (const Polygon& h : k.holes)
        d = std::min(d, PolyDist(p, h));
    for (const Circle& c : k.circles)
        d = std::min(d, std::fabs(std::hypot(p[0] - c.c[0], p[1] - c.c[1]) - c.r));
    return d;
}

// A random pocket: a star of radius 20..40 about the origin with up to `holes` holes
// (alternately round and star-shaped), each well inside and apart from the others.
inline Pocket RandomPocket(std::mt19937& rng, int vertices, int holes)
{
    Pocket k;
    k.outer = Star(rng, {0, 0}, 20, 40, vertices);
    std::uniform_real_distribution<double> u(-18, 18), ur(1, 3);
    for (int tries = 0; tries < 200 && static_cast<int>(k.holes.size() + k.circles.size()) < holes; ++tries) {
        const P c = {u(rng), u(rng)};
        const double r = ur(rng);
        bool clear = PolyDist(c, k.outer) > r + 6 && looptest::Shoelace(k.outer) > 0;
        for (const Circle& o : k.circles)
            clear = clear && std::hypot(c[0] - o.c[0], c[1] - o.c[1]) > r + o.r + 2;
        for (const Polygon& h : k.holes)
            clear = clear && PolyDist(c, h) > r + 2;
        if (!clear)
            continue;
        if ((k.holes.size() + k.circles.size()) % 2 == 0) {
            k.circles.push_back({c, r});
        } else {
            Polygon h = Star(rng, c, r * 0.5, r, 7);
            std::reverse(h.begin(), h.end());
            k.holes.push_back(h);
        }
    }
    return k;
}

// The pocket as a loop tree: circles become clockwise full arcs.
inline CSmartLoop* PocketLoop(const Pocket& k)
{
    CSmartLoop* L = looptest::PolygonLoop(k.outer);
    for (const Polygon& h : k.holes)
        L->AddIsland(looptest::PolygonLoop(h));
    for (const Circle& c : k.circles) {
        auto* curve = new CSmartCurve;
        curve->AddSect(new CSmartArc(c.c.data(), c.r, 2 * std::numbers::pi, 0));
        auto* I = new CSmartLoop;
        delete I->UpdateSect(curve);
        L->AddIsland(I);
    }
    return L;
}

// The pocket's boundary as Clipper paths, circles flattened at chord error 0.001.
inline ClipperLib::Paths PocketPaths(const Pocket& k)
{
    std::vector<Polygon> all{k.outer};
    all.insert(all.end(), k.holes.begin(), k.holes.end());
    for (const Circle& c : k.circles) {
        const int n = static_cast<int>(std::ceil(std::numbers::pi / std::acos(1 - 0.001 / c.r)));
        Polygon p;
        for (int i = 0; i < n; ++i) {
            const double a = -2 * std::numbers::pi * i / n;
            p.push_back({c.c[0] + c.r * std::cos(a), c.c[1] + c.r * std::sin(a)});
        }
        all.push_back(p);
    }
    return clipperpaths::ToPaths(all);
}

// Every contour of the chain (loops and their islands), flattened.
inline std::vector<Polygon> ChainPolygons(CSmartLoop* chain)
{
    std::vector<Polygon> out;
    for (CSmartLoop* L = chain; L; L = L->next) {
        out.push_back(curvetest::Flatten(*L->contour));
        for (CSmartLoop* i = L->islands; i; i = i->next)
            out.push_back(curvetest::Flatten(*i->contour));
    }
    return out;
}

inline ClipperLib::Paths ChainPaths(CSmartLoop* chain) { return clipperpaths::ToPaths(ChainPolygons(chain)); }

// Outer loops and islands of a result chain.
inline clipperpaths::TreeCounts ChainCounts(CSmartLoop* chain)
{
    clipperpaths::TreeCounts n;
    for (CSmartLoop* L = chain; L; L = L->next) {
        ++n.outers;
        for (CSmartLoop* i = L->islands; i; i = i->next)
            ++n.holes;
    }
    return n;
}

// Points along every section of the chain's contours (both ends and `per` inside).
inline std::vector<P> SamplePoints(CSmartLoop* chain, int per)
{
    std::vector<P> out;
    for (CSmartLoop* L = chain; L; L = L->next)
        for (CSmartLoop* x = L; x; x = x == L ? L->islands : x->next)
            for (CSmartSect* s = x->contour ? x->contour->head : nullptr; s; s = s->next)
                for (int i = 0; i <= per; ++i) {
                    double p[2];
                    s->GetPoint(static_cast<double>(i) / per, p);
                    out.push_back({p[0], p[1]});
                }
    return out;
}

}  // namespace offsettest
