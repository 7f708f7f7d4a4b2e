#include "geometry/shapes2d/GeRegion.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeHit.h"
#include "geometry/shapes2d/GeLoop.h"
#include "platform/core/Archive.h"

IMPLEMENT_SERIAL(CGeRegion, CObject, 2 | VERSIONABLE_SCHEMA)

CGeRegion::CGeRegion() = default;

CGeRegion::~CGeRegion()
{
    DeleteOwnedList(m_loopList);
}

// The loops go as an object list of complete loop records.
void CGeRegion::Serialize(CArchive& ar)
{
    CGeCurve::Serialize(ar);
    m_loopList.Serialize(ar);
}

// Behaviour not built yet falls back to the curve base (generic, on the display polyline).
CGeCurve* CGeRegion::Copy() { return CGeCurve::Copy(); }
void CGeRegion::CalcBox2d() { CGeCurve::CalcBox2d(); }
void CGeRegion::GetBox2d(BOX2<double>* out) { CGeCurve::GetBox2d(out); }
void CGeRegion::Translate(double* offset) { CGeCurve::Translate(offset); }
void CGeRegion::Rotate(double* centre, double angle) { CGeCurve::Rotate(centre, angle); }
void CGeRegion::Mirror(double* p, double* q) { CGeCurve::Mirror(p, q); }
CGeCurve* CGeRegion::Scale(double* centre, double* factors) { return CGeCurve::Scale(centre, factors); }
void CGeRegion::Draw(Direct2DHandler* handler, int mode) { CGeCurve::Draw(handler, mode); }
void CGeRegion::Draw(CDC* dc, int mode) { CGeCurve::Draw(dc, mode); }
void CGeRegion::Discrete(double tol) { CGeCurve::Discrete(tol); }
void CGeRegion::GetStartPoint(double* p) { CGeCurve::GetStartPoint(p); }
void CGeRegion::GetEndPoint(double* p) { CGeCurve::GetEndPoint(p); }
CGeCurve* CGeRegion::Shear(double* base, double* factors) { return CGeCurve::Shear(base, factors); }
CGeCurve* CGeRegion::Transform(double m[3][3], unsigned flags) { return CGeCurve::Transform(m, flags); }
