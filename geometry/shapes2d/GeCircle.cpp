#include "geometry/shapes2d/GeCircle.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeHit.h"
#include "platform/core/Archive.h"

IMPLEMENT_SERIAL(CGeCircle, CObject, 2 | VERSIONABLE_SCHEMA)

CGeCircle::CGeCircle() { m_bClosed = 1; }

CGeCircle::~CGeCircle() = default;

int CGeCircle::GetType() const { return 0x8; }

void CGeCircle::Serialize(CArchive& ar)
{
    CGeCurve::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_ptCenter[0] << m_ptCenter[1] << m_dRadius << m_nDir;
        return;
    }
    ar >> m_ptCenter[0] >> m_ptCenter[1] >> m_dRadius >> m_nDir;
    Discrete(gGetCrvDiscTol());
}

// Behaviour not built yet falls back to the curve base (generic, on the display polyline).
CGeCurve* CGeCircle::Copy() { return CGeCurve::Copy(); }
int CGeCircle::GetSnapPos(CSnapAt* snap, CSnapResult& result) { return CGeCurve::GetSnapPos(snap, result); }
void CGeCircle::CalcBox2d() { CGeCurve::CalcBox2d(); }
void CGeCircle::Translate(double* offset) { CGeCurve::Translate(offset); }
void CGeCircle::Rotate(double* centre, double angle) { CGeCurve::Rotate(centre, angle); }
void CGeCircle::Mirror(double* p, double* q) { CGeCurve::Mirror(p, q); }
CGeCurve* CGeCircle::Scale(double* centre, double* factors) { return CGeCurve::Scale(centre, factors); }
void CGeCircle::Draw(Direct2DHandler* handler, int mode) { CGeCurve::Draw(handler, mode); }
void CGeCircle::Draw(CDC* dc, int mode) { CGeCurve::Draw(dc, mode); }
void CGeCircle::DrawNode(CDC* dc, int bStart, int bEnd) { CGeCurve::DrawNode(dc, bStart, bEnd); }
int CGeCircle::Pick(CPickRay& ray, int bCheckType) { return CGeCurve::Pick(ray, bCheckType); }
int CGeCircle::GetDiscStep(double tol, double& step) { return CGeCurve::GetDiscStep(tol, step); }
void CGeCircle::DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double ang, bool bRefine) { CGeCurve::DiscreteInArray(tol, pts, ang, bRefine); }
void CGeCircle::GetStartPoint(double* p) { CGeCurve::GetStartPoint(p); }
void CGeCircle::GetEndPoint(double* p) { CGeCurve::GetEndPoint(p); }
void CGeCircle::GetPointAt(double t, double* p, unsigned seg) { CGeCurve::GetPointAt(t, p, seg); }
int CGeCircle::GetGCPoint(unsigned char kind, double* p, unsigned seg) { return CGeCurve::GetGCPoint(kind, p, seg); }
void CGeCircle::GetTanVecAt(double t, double* v, unsigned seg) { CGeCurve::GetTanVecAt(t, v, seg); }
void CGeCircle::EvPos(double t, double* p, unsigned seg) { CGeCurve::EvPos(t, p, seg); }
void CGeCircle::Ev1Der(double t, double* p, double* d1, unsigned seg) { CGeCurve::Ev1Der(t, p, d1, seg); }
void CGeCircle::Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg) { CGeCurve::Ev2Der(t, p, d1, d2, seg); }
int CGeCircle::GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist) { return CGeCurve::GetNearestPoint(p, out, t, seg, dist); }
int CGeCircle::GetTanPt(double* p, double& t, int& seg, double* out) { return CGeCurve::GetTanPt(p, t, seg, out); }
int CGeCircle::GetPerpPt(double* p, double* out, double& t, unsigned& seg) { return CGeCurve::GetPerpPt(p, out, t, seg); }
int CGeCircle::EvParam(double len, double& t, unsigned& seg, double tol) { return CGeCurve::EvParam(len, t, seg, tol); }
double CGeCircle::EvArcLength(double t0, double t1, unsigned seg) { return CGeCurve::EvArcLength(t0, t1, seg); }
double CGeCircle::EvTotalArcLength() { return CGeCurve::EvTotalArcLength(); }
double CGeCircle::EvArea() { return CGeCurve::EvArea(); }
int CGeCircle::IsClosed(double tol) { return CGeCurve::IsClosed(tol); }
void CGeCircle::Reverse() { CGeCurve::Reverse(); }
CGeCurve* CGeCircle::Offset(double d) { return CGeCurve::Offset(d); }
void CGeCircle::Split(double t, CGeCurve** out, int seg, int flag) { CGeCurve::Split(t, out, seg, flag); }
CGeCurve* CGeCircle::Shear(double* base, double* factors) { return CGeCurve::Shear(base, factors); }
CGeCurve* CGeCircle::Transform(double m[3][3], unsigned flags) { return CGeCurve::Transform(m, flags); }
