// Surface edits of the facade that need no trimming engine: extension of an
// untrimmed surface beyond a boundary and removal of one trim loop.
#include "toolpath/surfkernel/SrfActor.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/NurbsEditor.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes3d/GeTrimSurf.h"

#include <cmath>

namespace {

constexpr int kTypeLine2d = 2;
// Discretisation of the parameter curves when a loop's signed area is measured.
constexpr double kUnTrimAreaTol = 0.01;

// The side of Extend for a boundary line from (u0, v0) to (u1, v1); -1 for a
// degenerate or slanted line.
int ExtendSide(const double* a, const double* b)
{
    if (std::fabs(a[0] - b[0]) < kExtendIsoTol) {
        if (b[1] > a[1]) return 2;
        if (b[1] < a[1]) return 0;
        return -1;
    }
    if (std::fabs(a[1] - b[1]) < kExtendIsoTol) return b[0] > a[0] ? 1 : 3;
    return -1;
}

}  // namespace

CGeTrimSurf* CSrfActor::SurfExtend(CGeTrimSurf* surf, CGeTrimBnd* bnd, int mode, double ratio)
{
    if (!surf || !bnd || !surf->m_pSurface || !(ratio > kExtendMinRatio) || surf->IsTrimed() || !bnd->m_pUVCrv ||
        bnd->m_pUVCrv->GetType() != kTypeLine2d)
        return nullptr;
    ratio = std::fmin(ratio, kExtendMaxRatio);
    double a[3] = {0.0, 0.0, 0.0}, b[3] = {0.0, 0.0, 0.0};
    bnd->m_pUVCrv->GetStartPoint(a);
    bnd->m_pUVCrv->GetEndPoint(b);
    const int side = ExtendSide(a, b);
    if (side < 0) return nullptr;
    _nurbs_surface* extended = CNurbsEditor::Extend(surf->m_pSurface, ratio, side, mode);
    if (!extended) return nullptr;
    BOX2<double> unit;
    unit.xmin = unit.ymin = 0.0;
    unit.xmax = unit.ymax = 1.0;
    return new CGeTrimSurf(extended, unit);
}

CGeTrimSurf* CSrfActor::UnTrimSurf(CGeTrimSurf* surf, CGeTrimBnd* bnd)
{
    if (!surf || !bnd || !bnd->m_pLoop || !surf->m_listLoop.Find(bnd->m_pLoop)) return nullptr;
    CGeTrimSurf* copy = surf->CopyNoLoop();
    if (!copy) return nullptr;
    // The loop's area is measured anew: a loop turned round when it was added
    // keeps the area value of its former direction.
    if (bnd->m_pLoop->EvArea(kUnTrimAreaTol) >= 0.0) copy->m_listLoop.AddTail(copy->GenRectTrimLoop(0.0, 1.0, 0.0, 1.0));
    for (CGeTrimLoop* loop : surf->m_listLoop)
        if (loop && loop != bnd->m_pLoop) copy->m_listLoop.AddTail(static_cast<CGeTrimLoop*>(loop->Copy()));
    copy->BuildTopo();
    copy->CalcUVBox();
    copy->Discrete(gGetSurfShowDiscTol());
    return copy;
}
