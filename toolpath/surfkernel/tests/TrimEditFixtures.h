// Helpers of the trim-editing tests: bounds from point lists, a plane trimmed by the
// unit square, loop polygons and a crossing-number oracle for point containment.
#pragma once

#include "geometry/shapes3d/GeTrimSurf.h"
#include "testing/SurfaceFixtures.h"
#include "toolpath/surfkernel/EdTrimBound.h"
#include "toolpath/surfkernel/EdTrimLoop.h"
#include "toolpath/surfkernel/EdTrimSurf.h"

#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace trimedit {

using UV = std::array<double, 2>;
using Polygon = std::vector<UV>;

// A bound of the given kind through the points (t = 0, 1, ...), box computed.
inline CEdTrimBound* MakeBound(const std::vector<UV>& uv, int kind = BND_CURVE)
{
    auto* b = new CEdTrimBound;
    b->pts = new double[3 * uv.size()];
    b->nLast = static_cast<int>(uv.size()) - 1;
    for (size_t k = 0; k < uv.size(); ++k) {
        b->pts[3 * k] = uv[k][0];
        b->pts[3 * k + 1] = uv[k][1];
        b->pts[3 * k + 2] = static_cast<double>(k);
    }
    b->kind = kind;
    b->CalcBox();
    return b;
}

inline std::vector<UV> Points(const CEdTrimBound& b)
{
    std::vector<UV> out;
    for (int k = 0; k <= b.nLast; ++k) out.push_back({b.Point(k)[0], b.Point(k)[1]});
    return out;
}

// A loop of two-point bounds around the polygon's corners (closing back to the first).
inline CEdTrimLoop* PolygonLoop(const Polygon& corners)
{
    auto* loop = new CEdTrimLoop;
    for (size_t k = 0; k < corners.size(); ++k)
        loop->AddBound(MakeBound({corners[k], corners[(k + 1) % corners.size()]}, BND_LOOP));
    loop->area = loop->CalcLoopArea();
    return loop;
}

inline const Polygon kUnitSquare = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

// A plane of side `size` over the unit parameter square, trimmed by the square
// (four line bounds, counter-clockwise).
inline std::unique_ptr<CGeTrimSurf> SquarePlane(double size = 1.0)
{
    auto surf = std::make_unique<CGeTrimSurf>(surffix::Plane(size, size).release(), BOX2<double>(0, 0, 1, 1));
    surf->AddLoop(surf->GenRectTrimLoop(0, 1, 0, 1));
    surf->CalcUVBox();
    return surf;
}

// The loop's points in order, every bound's last point left out (it is the next one's first).
inline Polygon LoopPolygon(const CEdTrimLoop& loop)
{
    Polygon out;
    for (CEdTrimBound* b = loop.boundHead; b; b = b->next)
        for (int k = 0; k < b->nLast; ++k) out.push_back({b->Point(k)[0], b->Point(k)[1]});
    return out;
}

inline double SignedArea(const Polygon& p)
{
    double s = 0.0;
    for (size_t k = 0; k < p.size(); ++k) {
        const UV& a = p[k];
        const UV& b = p[(k + 1) % p.size()];
        s += a[0] * b[1] - a[1] * b[0];
    }
    return 0.5 * s;
}

inline double SegmentDistance(const UV& p, const UV& a, const UV& b)
{
    const double dx = b[0] - a[0], dy = b[1] - a[1], len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / len2 : 0.0;
    t = std::fmax(0.0, std::fmin(1.0, t));
    const double ex = p[0] - a[0] - t * dx, ey = p[1] - a[1] - t * dy;
    return std::sqrt(ex * ex + ey * ey);
}

inline double PolygonDistance(const Polygon& poly, const UV& p)
{
    double best = 1e300;
    for (size_t k = 0; k < poly.size(); ++k) best = std::fmin(best, SegmentDistance(p, poly[k], poly[(k + 1) % poly.size()]));
    return best;
}

// Crossing number of a horizontal ray: true inside (either orientation).
inline bool CrossingInside(const Polygon& poly, const UV& p)
{
    bool in = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const UV &a = poly[i], &b = poly[j];
        if ((a[1] > p[1]) != (b[1] > p[1]) && p[0] < (b[0] - a[0]) * (p[1] - a[1]) / (b[1] - a[1]) + a[0]) in = !in;
    }
    return in;
}

// 0 inside, 1 outside, 2 within onTol of the boundary, as IsPointIn answers.
inline int OracleSide(const Polygon& poly, const UV& p, double onTol)
{
    if (PolygonDistance(poly, p) < onTol) return 2;
    return CrossingInside(poly, p) ? 0 : 1;
}

}  // namespace trimedit
