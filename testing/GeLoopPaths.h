// Loops and regions of the geometry library as polygons (arcs and circles flattened at
// chord error 0.001) and as Clipper paths, for the tests and benchmarks that compare the
// loop functions with Clipper and GEOS. The caller links geometry and polyclipping.
#pragma once

#include "testing/ClipperPaths.h"

#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeRegion.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace geloops {

using clipperpaths::Polygon;

// The loop as a polygon: lines and polyline vertices as they are, arcs and circles
// sampled at chord error 0.001.
inline Polygon Flatten(CGeLoop* loop)
{
    Polygon out;
    auto arc = [&](const double* c, double r, double a0, double sweep) {
        const int n = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (2 * std::acos(1 - 0.001 / r)))));
        for (int i = 0; i < n; ++i) {
            const double a = a0 + sweep * i / n;
            out.push_back({c[0] + r * std::cos(a), c[1] + r * std::sin(a)});
        }
    };
    for (POSITION pos = loop->GetCurveList().GetHeadPosition(); pos;) {
        CGeCurve* m = loop->GetCurveList().GetNext(pos);
        double p[2];
        switch (m->GetType()) {
        case 2:
            m->GetStartPoint(p);
            out.push_back({p[0], p[1]});
            break;
        case 4: {
            auto* a = static_cast<CGeArc*>(m);
            a->GetCenter(p);
            arc(p, a->GetRadius(), a->GetStartAngle(), a->GetSweep());
            break;
        }
        case 8: {
            auto* c = static_cast<CGeCircle*>(m);
            c->GetCenter(p);
            arc(p, c->GetRadius(), 0, c->GetDirection() == 1 ? 2 * std::numbers::pi : -2 * std::numbers::pi);
            break;
        }
        case 64: {
            auto* pl = static_cast<CGePolyline*>(m);
            for (int i = 0; i < pl->GetSegmentCount(); ++i) {
                pl->GetPoint(i, p);
                out.push_back({p[0], p[1]});
            }
            break;
        }
        default:
            break;
        }
    }
    return out;
}

inline ClipperLib::Paths ListPaths(CTypedPtrList<CObList, CGeLoop*>& list)
{
    std::vector<Polygon> polys;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        polys.push_back(Flatten(list.GetNext(pos)));
    return clipperpaths::ToPaths(polys);
}

inline ClipperLib::Paths RegionPaths(CTypedPtrList<CObList, CGeRegion*>& list)
{
    ClipperLib::Paths all;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        CGeRegion* r = list.GetNext(pos);
        for (POSITION q = r->GetLoopList().GetHeadPosition(); q;)
            all.push_back(clipperpaths::ToPath(Flatten(r->GetLoopList().GetNext(q))));
    }
    return all;
}

}  // namespace geloops
