#include "geometry/shapes2d/GeEllipse.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeHit.h"
#include "platform/core/Archive.h"

IMPLEMENT_SERIAL(CGeEllipse, CObject, 2 | VERSIONABLE_SCHEMA)

CGeEllipse::CGeEllipse() { m_bClosed = 1; }

CGeEllipse::~CGeEllipse() = default;

int CGeEllipse::GetType() const { return 0x10; }

// The Bezier form is built with the spline class; until then there is none.
CGeBezier* CGeEllipse::ToBezier() { return nullptr; }

void CGeEllipse::Serialize(CArchive& ar)
{
    CGeCurve::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_ptCenter[0] << m_ptCenter[1] << m_dA << m_dB << m_dRot << m_nDir;
        return;
    }
    ar >> m_ptCenter[0] >> m_ptCenter[1] >> m_dA >> m_dB >> m_dRot >> m_nDir;
    Discrete(gGetCrvDiscTol());
}

// Behaviour not built yet falls back to the curve base (generic, on the display polyline).
CGeCurve* CGeEllipse::Copy() { return CGeCurve::Copy(); }
int CGeEllipse::GetSnapPos(CSnapAt* snap, CSnapResult& result) { return CGeCurve::GetSnapPos(snap, result); }
void CGeEllipse::Translate(double* offset) { CGeCurve::Translate(offset); }
void CGeEllipse::Rotate(double* centre, double angle) { CGeCurve::Rotate(centre, angle); }
void CGeEllipse::Mirror(double* p, double* q) { CGeCurve::Mirror(p, q); }
CGeCurve* CGeEllipse::Scale(double* centre, double* factors) { return CGeCurve::Scale(centre, factors); }
void CGeEllipse::Draw(Direct2DHandler* handler, int mode) { CGeCurve::Draw(handler, mode); }
void CGeEllipse::Draw(CDC* dc, int mode) { CGeCurve::Draw(dc, mode); }
void CGeEllipse::DrawNode(CDC* dc, int bStart, int bEnd) { CGeCurve::DrawNode(dc, bStart, bEnd); }
int CGeEllipse::Pick(CPickRay& ray, int bCheckType) { return CGeCurve::Pick(ray, bCheckType); }
int CGeEllipse::GetDiscStep(double tol, double& step) { return CGeCurve::GetDiscStep(tol, step); }
void CGeEllipse::DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double ang, bool bRefine) { CGeCurve::DiscreteInArray(tol, pts, ang, bRefine); }
void CGeEllipse::GetStartPoint(double* p) { CGeCurve::GetStartPoint(p); }
void CGeEllipse::GetEndPoint(double* p) { CGeCurve::GetEndPoint(p); }
void CGeEllipse::GetPointAt(double t, double* p, unsigned seg) { CGeCurve::GetPointAt(t, p, seg); }
int CGeEllipse::GetGCPoint(unsigned char kind, double* p, unsigned seg) { return CGeCurve::GetGCPoint(kind, p, seg); }
void CGeEllipse::GetTanVecAt(double t, double* v, unsigned seg) { CGeCurve::GetTanVecAt(t, v, seg); }
void CGeEllipse::EvPos(double t, double* p, unsigned seg) { CGeCurve::EvPos(t, p, seg); }
void CGeEllipse::Ev1Der(double t, double* p, double* d1, unsigned seg) { CGeCurve::Ev1Der(t, p, d1, seg); }
void CGeEllipse::Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg) { CGeCurve::Ev2Der(t, p, d1, d2, seg); }
int CGeEllipse::GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist) { return CGeCurve::GetNearestPoint(p, out, t, seg, dist); }
int CGeEllipse::GetTanPt(double* p, double& t, int& seg, double* out) { return CGeCurve::GetTanPt(p, t, seg, out); }
int CGeEllipse::GetPerpPt(double* p, double* out, double& t, unsigned& seg) { return CGeCurve::GetPerpPt(p, out, t, seg); }
int CGeEllipse::EvParam(double len, double& t, unsigned& seg, double tol) { return CGeCurve::EvParam(len, t, seg, tol); }
double CGeEllipse::EvArcLength(double t0, double t1, unsigned seg) { return CGeCurve::EvArcLength(t0, t1, seg); }
double CGeEllipse::EvTotalArcLength() { return CGeCurve::EvTotalArcLength(); }
double CGeEllipse::EvArea() { return CGeCurve::EvArea(); }
int CGeEllipse::IsClosed(double tol) { return CGeCurve::IsClosed(tol); }
void CGeEllipse::Reverse() { CGeCurve::Reverse(); }
CGeCurve* CGeEllipse::Offset(double d) { return CGeCurve::Offset(d); }
void CGeEllipse::Split(double t, CGeCurve** out, int seg, int flag) { CGeCurve::Split(t, out, seg, flag); }
void CGeEllipse::BiArcAppx(double tol, CTypedPtrList<CObList, CGeCurve*>* out) { CGeCurve::BiArcAppx(tol, out); }
CGeCurve* CGeEllipse::Shear(double* base, double* factors) { return CGeCurve::Shear(base, factors); }
CGeCurve* CGeEllipse::Transform(double m[3][3], unsigned flags) { return CGeCurve::Transform(m, flags); }
