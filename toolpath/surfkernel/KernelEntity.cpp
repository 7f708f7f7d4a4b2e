#include "toolpath/surfkernel/KernelEntity.h"

#include "framework/numerak/QvMem.h"
#include "framework/numerak/QvnMath.h"
#include "toolpath/surfkernel/SampleString.h"
#include "toolpath/surfkernel/SurfaceIntersect.h"

#include <cstring>

namespace {

struct KernelTolerances {
    double point = kKernelPointTol;
    double angle = kKernelAngleTol;
    double subdiv[3] = {kKernelSubdivTol[0], kKernelSubdivTol[1], kKernelSubdivTol[2]};
    double trace[3] = {kKernelTraceTol[0], kKernelTraceTol[1], kKernelTraceTol[2]};
};

KernelTolerances g_tol;

void SetAbove(double* t, double a, double b, double c)
{
    const double v[3] = {a, b, c};
    for (int i = 0; i < 3; ++i)
        if (v[i] > kKernelTolFloor)
            t[i] = v[i];
}

}  // namespace

double ESSI_GetPointTol() { return g_tol.point; }
void ESSI_SetPointTol(double tol) { g_tol.point = tol; }
double ESSI_GetAngleTol() { return g_tol.angle; }

void ESSI_GetSubdivTolerance(double* s) { std::memcpy(s, g_tol.subdiv, sizeof g_tol.subdiv); }
void ESSI_GetTraceTolerance(double* r) { std::memcpy(r, g_tol.trace, sizeof g_tol.trace); }
void ESSI_SetSubdivTolerance(double s0, double s1, double s2) { SetAbove(g_tol.subdiv, s0, s1, s2); }
void ESSI_SetTraceTolerance(double r0, double r1, double r2) { SetAbove(g_tol.trace, r0, r1, r2); }

void ESSI_ResetKernelState()
{
    g_tol = KernelTolerances{};
    QVN_Math::SeedRand01();
    QVN_Math::ResetTol();
}

ENTITY* ENT_Alloc(int type, unsigned long bytes)
{
    auto* e = static_cast<ENTITY*>(QV_MemAlloc(bytes));
    if (e == nullptr)
        return nullptr;
    std::memset(static_cast<void*>(e), 0, bytes);
    e->type = type;
    e->ref = 1;
    return e;
}

int ENT_Free(ENTITY* e)
{
    if (e == nullptr)
        return 1;
    switch (e->type) {
    case ENT_LINE:
    case ENT_CIRCLE:
    case ENT_SPHERE:
        QV_MemFree(e);
        return 1;
    case ENT_NURBS_CURVE: {
        auto* c = reinterpret_cast<ECRV_NURBS*>(e);
        BCRV_Free(c->curve);
        PTSTRING_Free(c->cache);
        QV_MemFree(e);
        return 1;
    }
    case ENT_NURBS_SURFACE:
        BSRF_FreePatches(reinterpret_cast<ESRF_NURBS*>(e)->patches);
        BSRF_Free(reinterpret_cast<ESRF_NURBS*>(e)->surface);
        QV_MemFree(e);
        return 1;
    case ENT_EXTRUSION:
        ENT_Free(reinterpret_cast<ESRF_EXTRUSION*>(e)->profile);
        QV_MemFree(e);
        return 1;
    case ENT_INTERSECTION:
        return ECRV_FreeIntersection(reinterpret_cast<ECRV_INTCUR*>(e));
    case 7:
    case ENT_PLANE:
    case 11:
    case ENT_ELLIPSE:
    case 13:
    case 17:
    case ENT_REVOLUTION:
    case 25:
        return 0;
    default:
        return e->type > 28 ? 0 : 1;
    }
}
