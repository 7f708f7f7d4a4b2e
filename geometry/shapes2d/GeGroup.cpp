#include "geometry/shapes2d/GeGroup.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeHit.h"
#include "platform/core/Archive.h"

CGeGroup::CGeGroup() = default;

CGeGroup::~CGeGroup()
{
    DeleteOwnedList(m_curveList);
}

// Behaviour not built yet falls back to the curve base (generic, on the display polyline).
void CGeGroup::CalcBox2d() { CGeCurve::CalcBox2d(); }
void CGeGroup::GetBox2d(BOX2<double>* out) { CGeCurve::GetBox2d(out); }
void CGeGroup::Rotate(double* centre, double angle) { CGeCurve::Rotate(centre, angle); }
void CGeGroup::GetStartPoint(double* p) { CGeCurve::GetStartPoint(p); }
void CGeGroup::GetEndPoint(double* p) { CGeCurve::GetEndPoint(p); }
