#pragma once
// Kernel entity records for the tests: owners that free them the way the
// kernel says, and central differences of curve and surface evaluations.

#include "framework/numerak/Matrix33.h"
#include "framework/numerak/QvMem.h"
#include "toolpath/surfkernel/CurveEntity.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <cmath>
#include <memory>

namespace kernelfix {

// ENT_Free where it frees the record, else QV_MemFree (ellipse, revolution, offset).
struct EntityFreer {
    void operator()(ENTITY* e) const
    {
        if (e != nullptr && ENT_Free(e) == 0)
            QV_MemFree(e);
    }
};
using EntityPtr = std::unique_ptr<ENTITY, EntityFreer>;

// Central difference of a vector function of one parameter.
template <typename F>
void Difference(F f, double t, double h, double* out)
{
    double a[3], b[3];
    f(t + h, a);
    f(t - h, b);
    for (int e = 0; e < 3; ++e)
        out[e] = (a[e] - b[e]) / (2.0 * h);
}

inline double Dist(const double* a, const double* b)
{
    double s = 0.0;
    for (int e = 0; e < 3; ++e)
        s += (a[e] - b[e]) * (a[e] - b[e]);
    return std::sqrt(s);
}

// A tilted frame at (1, -2, 3).
inline _rect_fm3d Tilted()
{
    _rect_fm3d f;
    const double o[3] = {1, -2, 3}, x[3] = {1, 1, 0}, y[3] = {-1, 1, 1};
    RF_Init(&f, o, x, y);
    return f;
}

}  // namespace kernelfix
