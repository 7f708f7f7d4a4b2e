#include "geometry/shapes3d/GeTrimSurf.h"

#include "framework/numerak/Bsrf.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes3d/Shapes3dConst.h"

IMPLEMENT_SERIAL(CGeTrimSurf, CObject, VERSIONABLE_SCHEMA | 1)

CGeTrimSurf::CGeTrimSurf() { m_boxUV.xmin = m_boxUV.ymin = m_boxUV.xmax = m_boxUV.ymax = 0.0; }

CGeTrimSurf::CGeTrimSurf(_nurbs_surface* surface, BOX2<double> boxUV) : m_pSurface(surface), m_boxUV(boxUV) {}

CGeTrimSurf::~CGeTrimSurf()
{
    BSRF_Free(m_pSurface);
    DeleteOwnedList(m_listLoop);
}

void CGeTrimSurf::Serialize(CArchive&) {}

int CGeTrimSurf::GetType() const { return ge3con::kTypeTrimSurf; }

int CGeTrimSurf::GetPoint(double u, double v, double* xyz)
{
    return m_pSurface && BSRF_EvPos(m_pSurface, u, v, xyz) ? 1 : 0;
}

int CGeTrimSurf::GetNormal(double u, double v, double* xyz, double* normal)
{
    return m_pSurface && BSRF_EvNormal(m_pSurface, u, v, xyz, normal) ? 1 : 0;
}
