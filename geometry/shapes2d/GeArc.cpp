#include "geometry/shapes2d/GeArc.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeHit.h"
#include "platform/core/Archive.h"

IMPLEMENT_SERIAL(CGeArc, CObject, 2 | VERSIONABLE_SCHEMA)

CGeArc::CGeArc() = default;

CGeArc::~CGeArc() = default;

int CGeArc::GetType() const { return 0x4; }

void CGeArc::Serialize(CArchive& ar)
{
    CGeCurve::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_ptCenter[0] << m_ptCenter[1] << m_dRadius << m_vStartDir[0] << m_vStartDir[1] << m_dSweep;
        return;
    }
    ar >> m_ptCenter[0] >> m_ptCenter[1] >> m_dRadius >> m_vStartDir[0] >> m_vStartDir[1] >> m_dSweep;
    Discrete(gGetCrvDiscTol());
}

// Behaviour not built yet falls back to the curve base (generic, on the display polyline).
CGeCurve* CGeArc::Copy() { return CGeCurve::Copy(); }
int CGeArc::GetSnapPos(CSnapAt* snap, CSnapResult& result) { return CGeCurve::GetSnapPos(snap, result); }
void CGeArc::CalcBox2d() { CGeCurve::CalcBox2d(); }
void CGeArc::Translate(double* offset) { CGeCurve::Translate(offset); }
void CGeArc::Rotate(double* centre, double angle) { CGeCurve::Rotate(centre, angle); }
void CGeArc::Mirror(double* p, double* q) { CGeCurve::Mirror(p, q); }
CGeCurve* CGeArc::Scale(double* centre, double* factors) { return CGeCurve::Scale(centre, factors); }
void CGeArc::Draw(Direct2DHandler* handler, int mode) { CGeCurve::Draw(handler, mode); }
void CGeArc::Draw(CDC* dc, int mode) { CGeCurve::Draw(dc, mode); }
void CGeArc::DrawNode(CDC* dc, int bStart, int bEnd) { CGeCurve::DrawNode(dc, bStart, bEnd); }
void CGeArc::ModifyStartPoint(double* p) { CGeCurve::ModifyStartPoint(p); }
void CGeArc::ModifyEndPoint(double* p) { CGeCurve::ModifyEndPoint(p); }
int CGeArc::Pick(CPickRay& ray, int bCheckType) { return CGeCurve::Pick(ray, bCheckType); }
int CGeArc::GetDiscStep(double tol, double& step) { return CGeCurve::GetDiscStep(tol, step); }
void CGeArc::DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double ang, bool bRefine) { CGeCurve::DiscreteInArray(tol, pts, ang, bRefine); }
void CGeArc::GetStartPoint(double* p) { CGeCurve::GetStartPoint(p); }
void CGeArc::GetEndPoint(double* p) { CGeCurve::GetEndPoint(p); }
void CGeArc::GetPointAt(double t, double* p, unsigned seg) { CGeCurve::GetPointAt(t, p, seg); }
int CGeArc::GetGCPoint(unsigned char kind, double* p, unsigned seg) { return CGeCurve::GetGCPoint(kind, p, seg); }
void CGeArc::GetTanVecAt(double t, double* v, unsigned seg) { CGeCurve::GetTanVecAt(t, v, seg); }
void CGeArc::EvPos(double t, double* p, unsigned seg) { CGeCurve::EvPos(t, p, seg); }
void CGeArc::Ev1Der(double t, double* p, double* d1, unsigned seg) { CGeCurve::Ev1Der(t, p, d1, seg); }
void CGeArc::Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg) { CGeCurve::Ev2Der(t, p, d1, d2, seg); }
int CGeArc::GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist) { return CGeCurve::GetNearestPoint(p, out, t, seg, dist); }
int CGeArc::GetTanPt(double* p, double& t, int& seg, double* out) { return CGeCurve::GetTanPt(p, t, seg, out); }
int CGeArc::GetPerpPt(double* p, double* out, double& t, unsigned& seg) { return CGeCurve::GetPerpPt(p, out, t, seg); }
int CGeArc::EvParam(double len, double& t, unsigned& seg, double tol) { return CGeCurve::EvParam(len, t, seg, tol); }
double CGeArc::EvArcLength(double t0, double t1, unsigned seg) { return CGeCurve::EvArcLength(t0, t1, seg); }
double CGeArc::EvTotalArcLength() { return CGeCurve::EvTotalArcLength(); }
int CGeArc::IsClosed(double tol) { return CGeCurve::IsClosed(tol); }
void CGeArc::Reverse() { CGeCurve::Reverse(); }
CGeCurve* CGeArc::Offset(double d) { return CGeCurve::Offset(d); }
void CGeArc::Split(double t, CGeCurve** out, int seg, int flag) { CGeCurve::Split(t, out, seg, flag); }
CGeCurve* CGeArc::Shear(double* base, double* factors) { return CGeCurve::Shear(base, factors); }
CGeCurve* CGeArc::Transform(double m[3][3], unsigned flags) { return CGeCurve::Transform(m, flags); }
