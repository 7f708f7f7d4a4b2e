// Surface edits of the facade that need no trimming engine: extension of an
// untrimmed surface beyond a boundary and removal of one trim loop.
#include "toolpath/surfkernel/SrfActor.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/NurbsEditor.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "toolpath/surfkernel/EdTrimLoop.h"
#include "toolpath/surfkernel/EdTrimSurf.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

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

namespace {

void AppendTessellated(CGeTrimSurf* piece, CTypedPtrList<CObList, CGeTrimSurf*>* out)
{
    piece->BuildTopo();
    piece->CalcUVBox();
    piece->Discrete(gGetSurfShowDiscTol());
    out->AddTail(piece);
}

}  // namespace

int CSrfActor::IsoTrimSurf(CGeTrimSurf* surf, double value, int dir, CTypedPtrList<CObList, CGeTrimSurf*>* out)
{
    if (!surf || !surf->m_pSurface || surf->m_listLoop.IsEmpty() || !out || !std::isfinite(value)) return 0;
    const bool alongU = dir == kIsoConstU;
    const int before = static_cast<int>(out->GetCount());
    if (!surf->IsTrimed()) {
        _nurbs_surface* parts[2] = {nullptr, nullptr};
        CNurbsEditor::SplitAt(surf->m_pSurface, value, dir, parts);
        for (_nurbs_surface* part : parts) {
            if (!part) continue;
            auto* piece = new CGeTrimSurf(part, BOX2<double>(0.0, 0.0, 1.0, 1.0));
            piece->AddLoop(piece->GenRectTrimLoop(0.0, 1.0, 0.0, 1.0));
            AppendTessellated(piece, out);
        }
        return static_cast<int>(out->GetCount()) > before ? 1 : 0;
    }
    BOX2<double> box;
    surf->GetUVBox(&box);
    const double lo = alongU ? box.xmin : box.ymin, hi = alongU ? box.xmax : box.ymax;
    if (!(value > lo + kIsoTrimMargin && value < hi - kIsoTrimMargin)) return 0;
    CEdTrimSurf ed;
    if (!ed.InitSurfBound(surf)) return 0;
    double line[2][2];
    if (alongU) {
        line[0][0] = line[1][0] = value;
        line[0][1] = box.ymin - kIsoTrimReach;
        line[1][1] = box.ymax + kIsoTrimReach;
    } else {
        line[0][1] = line[1][1] = value;
        line[0][0] = box.xmin - kIsoTrimReach;
        line[1][0] = box.xmax + kIsoTrimReach;
    }
    ed.AddCurve(line, 2, 0, 1, false);
    ed.AutoIntersect(true);
    ed.TrimSurface(0);
    for (CEdTrimLoop* loop = ed.resultHead; loop; loop = loop->next) {
        _nurbs_surface* clone = BSRF_Clone(surf->m_pSurface);
        if (!clone) continue;
        auto* piece = new CGeTrimSurf(clone, loop->uvBox);
        piece->AddLoop(loop->ConvertToTopoLoop());
        for (CEdTrimLoop* island = loop->islandHead; island; island = island->next)
            piece->AddLoop(island->ConvertToTopoLoop());
        piece->BuildTopo();
        for (CGeTrimLoop* l : piece->m_listLoop)
            if (l) l->CreateEuclidBnd();
        AppendTessellated(piece, out);
    }
    return 1;
}

int CSrfActor::CreateSURFACE(CGeTrimSurf* surf)
{
    if (!surf || surf->m_pKernelSurf || !surf->m_pSurface) return 1;
    _nurbs_surface* clone = BSRF_Clone(surf->m_pSurface);
    if (!clone) return 1;
    SURFACE* record = ESRF_NewNurbs(clone);
    if (!record) BSRF_Free(clone);
    surf->m_pKernelSurf = record;
    return 1;
}

int CSrfActor::FreeSURFACE(CGeTrimSurf* surf)
{
    if (!surf) return 0;
    ENT_Free(static_cast<SURFACE*>(surf->m_pKernelSurf));
    surf->m_pKernelSurf = nullptr;
    return 0;
}
