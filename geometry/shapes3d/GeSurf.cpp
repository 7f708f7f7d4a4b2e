#include "geometry/shapes3d/GeSurf.h"

namespace {

void DeleteCurves(CGeCurve3dList& list)
{
    // Taken off the list before deletion: the typed list's iteration reads each element.
    while (!list.IsEmpty()) delete list.RemoveHead();
}

}  // namespace

CGeSurf::CGeSurf() = default;

CGeSurf::~CGeSurf()
{
    DeleteCurves(m_listIsoCurve);
    DeleteCurves(m_listBndCurve);
}

void CGeSurf::ClearIsoCurve() { DeleteCurves(m_listIsoCurve); }

void CGeSurf::ClearBndCurve() { DeleteCurves(m_listBndCurve); }
