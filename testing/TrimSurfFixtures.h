// Trimmed surfaces for the tests: a surface record over the unit parameter square
// with the square as its outer loop and circular holes in the parameter plane.
#pragma once

#include "framework/numerak/Bsrf.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes3d/GeTrimSurf.h"

#include <memory>
#include <vector>

namespace trimfix {

struct Hole {
    double u, v, r;  // centre and radius in the parameter plane
};

// A copy of record (clamped on [0, 1]²) trimmed by the unit square with the holes cut out.
inline std::unique_ptr<CGeTrimSurf> Holed(const _nurbs_surface* record, const std::vector<Hole>& holes)
{
    auto surf = std::make_unique<CGeTrimSurf>(BSRF_Clone(record), BOX2<double>(0, 0, 1, 1));
    surf->AddLoop(surf->GenRectTrimLoop(0, 1, 0, 1));
    for (const Hole& h : holes) {
        auto* loop = new CGeTrimLoop;
        const double c[2] = {h.u, h.v};
        loop->AddBound(new CGeTrimBnd(new CGeCircle(c, h.r, 1), nullptr, nullptr));
        surf->AddLoop(loop);
    }
    surf->CalcUVBox();
    return surf;
}

}  // namespace trimfix
