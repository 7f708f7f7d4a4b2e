// Cross sections for the loft tests and benchmarks: smooth families in the
// planes y = 2k, open waves z(x) over [0, 10] (cubic interpolants of 11
// points) or closed circles whose centre and radius drift, so that two
// interpolating lofts through them stay close between the sections.
#pragma once

#include "framework/numerak/Bcrv.h"
#include "toolpath/surfkernel/NurbsUtil.h"

#include <cmath>
#include <memory>
#include <vector>

namespace loftfix {

struct CurveFreer {
    void operator()(BCRV* c) const { BCRV_Free(c); }
};
using CurvePtr = std::unique_ptr<BCRV, CurveFreer>;

// count sections (a null entry where one could not be made).
inline std::vector<CurvePtr> Sections(int count, bool closed)
{
    std::vector<CurvePtr> out;
    for (int k = 0; k < count; ++k) {
        BCRV* c = nullptr;
        if (closed) {
            c = BCRV_New();
            const double o[3] = {0.3 * std::sin(0.3 * k), 0.0, 0.0};
            c->GenCircle(o, 2.0 + 0.5 * std::cos(0.2 * k));
            // The circle lies in the XY plane; stand it up in the plane y = 2k
            // (homogeneous control points: weighted coordinates).
            for (int i = 0; i < c->n; ++i) {
                double* q = c->P[i];
                const double w = q[3], y = q[1];
                q[1] = 2.0 * k * w;
                q[2] = y;
            }
        } else {
            double pts[11][3];
            for (int i = 0; i <= 10; ++i) {
                pts[i][0] = i;
                pts[i][1] = 2.0 * k;
                pts[i][2] = (1.0 + 0.05 * k) * std::sin(0.6 * i + 0.1 * k) + 0.1 * k;
            }
            if (NRB_InterpolatePoints(11, 4, pts, &c) != 1) c = nullptr;
        }
        out.emplace_back(c);
    }
    return out;
}

}  // namespace loftfix
