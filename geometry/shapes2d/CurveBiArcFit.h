// Biarc approximation shared by the curve classes: a fit through points, and
// a fit through a curve's own discretisation. Internal to the shapes library.
#pragma once

#include "framework/looker/MemPool.h"
#include "geometry/algorithms/BiArc.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeometryConst.h"

#include <cstring>

namespace gebiarc {

// Moves the arcs and lines of a fit (null when the fit failed) to the end of
// out and deletes the emptied composite.
inline void TakeFit(CGeCombCurve* comb, CTypedPtrList<CObList, CGeCurve*>* out)
{
    if (!comb) return;
    CTypedPtrList<CObList, CGeCurve*>& members = comb->GetCurveList();
    while (!members.IsEmpty()) out->AddTail(members.RemoveHead());
    delete comb;
}

// Fits biarcs through the n points into out.
inline void FitInto(double (*pts)[2], int n, double tol, CTypedPtrList<CObList, CGeCurve*>* out)
{
    TakeFit(geBiarcsFitCurve(pts, nullptr, n, tol), out);
}

// Fits biarcs through the curve's refined discretisation at tol (the fit
// works on a copy of the points in the scratch pool).
inline void FitDiscretised(CGeCurve& curve, double tol, CTypedPtrList<CObList, CGeCurve*>* out)
{
    CArray<tagPoint2d, tagPoint2d> pts;
    curve.DiscreteInArray(tol, &pts, gecon::kThinAngle170, true);
    const int n = static_cast<int>(pts.GetSize());
    if (n < 2) return;
    auto* work = static_cast<double(*)[2]>(gAlcMemPool(static_cast<int>(sizeof(double[2]) * n)));
    CGeCombCurve* comb = nullptr;
    if (work) {
        std::memcpy(work, pts.GetData(), sizeof(double[2]) * n);
        comb = geBiarcsFitCurve(work, nullptr, n, tol);
    }
    gFreMemPool();
    TakeFit(comb, out);
}

}  // namespace gebiarc
