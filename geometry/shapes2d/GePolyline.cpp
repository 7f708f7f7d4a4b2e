#include "geometry/shapes2d/GePolyline.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeHit.h"
#include "platform/core/Archive.h"
#include "platform/core/Exception.h"

#include <cstring>

IMPLEMENT_SERIAL(CGePolyline, CObject, 2 | VERSIONABLE_SCHEMA)

CGePolyline::CGePolyline() = default;

CGePolyline::CGePolyline(int n) { AllocSWMem(n); }

CGePolyline::~CGePolyline() = default;

int CGePolyline::Create(CArray<tagPoint2d, tagPoint2d>* pts)
{
    m_pSWPoint.reset();
    m_nSWPoint = 0;
    if (!pts || pts->GetSize() < 2) return 0;
    CopySWPoint(reinterpret_cast<const double(*)[2]>(pts->GetData()), static_cast<int>(pts->GetSize()));
    m_box.InitEmpty();
    for (int i = 0; i < m_nSWPoint; ++i) m_box.Extend(m_pSWPoint[i]);
    return 1;
}

void CGePolyline::Serialize(CArchive& ar)
{
    CGeCurve::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_nSWPoint;
        if (m_nSWPoint > 0) ar.Write(m_pSWPoint.get(), static_cast<UINT>(sizeof(double[2]) * m_nSWPoint));
        return;
    }
    int n = 0;
    ar >> n;
    if (n < 0) AfxThrowArchiveException(CArchiveException::endOfFile);
    m_pSWPoint.reset();
    m_nSWPoint = 0;
    if (n > 0) {
        // Read in bounded chunks so that a corrupt count fails at the archive's
        // end instead of allocating a huge block first.
        CArray<tagPoint2d, tagPoint2d> pts;
        constexpr int kChunk = 4096;
        for (int done = 0; done < n;) {
            const int m = n - done < kChunk ? n - done : kChunk;
            pts.SetSize(done + m);
            const UINT bytes = static_cast<UINT>(sizeof(tagPoint2d) * m);
            if (ar.Read(pts.GetData() + done, bytes) != bytes)
                AfxThrowArchiveException(CArchiveException::endOfFile);
            done += m;
        }
        CopySWPoint(reinterpret_cast<const double(*)[2]>(pts.GetData()), n);
    }
    // The box is rebuilt on first request.
    m_box.InitEmpty();
}

int CGePolyline::GetType() const { return 0x40; }

int CGePolyline::GetSegmentCount() { return m_nSWPoint - 1; }

// Behaviour not built yet falls back to the curve base (generic, on the display polyline).
CGeCurve* CGePolyline::Copy() { return CGeCurve::Copy(); }
int CGePolyline::GetSnapPos(CSnapAt* snap, CSnapResult& result) { return CGeCurve::GetSnapPos(snap, result); }
void CGePolyline::DrawNode(CDC* dc, int bStart, int bEnd) { CGeCurve::DrawNode(dc, bStart, bEnd); }
void CGePolyline::ModifyStartPoint(double* p) { CGeCurve::ModifyStartPoint(p); }
void CGePolyline::ModifyEndPoint(double* p) { CGeCurve::ModifyEndPoint(p); }
int CGePolyline::Pick(CPickRay& ray, int bCheckType) { return CGeCurve::Pick(ray, bCheckType); }
int CGePolyline::Hit(CPickRay& ray, CGeHit& hit) { return CGeCurve::Hit(ray, hit); }
int CGePolyline::GetDiscStep(double tol, double& step) { return CGeCurve::GetDiscStep(tol, step); }
void CGePolyline::DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double ang, bool bRefine) { CGeCurve::DiscreteInArray(tol, pts, ang, bRefine); }
void CGePolyline::ToElement(CTypedPtrList<CObList, CGeCurve3d*>* list) { CGeCurve::ToElement(list); }
void CGePolyline::GetStartPoint(double* p) { CGeCurve::GetStartPoint(p); }
void CGePolyline::GetEndPoint(double* p) { CGeCurve::GetEndPoint(p); }
void CGePolyline::GetPointAt(double t, double* p, unsigned seg) { CGeCurve::GetPointAt(t, p, seg); }
int CGePolyline::GetGCPoint(unsigned char kind, double* p, unsigned seg) { return CGeCurve::GetGCPoint(kind, p, seg); }
int CGePolyline::GetPointEx(double t, double* p) { return CGeCurve::GetPointEx(t, p); }
void CGePolyline::GetTanVecAt(double t, double* v, unsigned seg) { CGeCurve::GetTanVecAt(t, v, seg); }
void CGePolyline::EvPos(double t, double* p, unsigned seg) { CGeCurve::EvPos(t, p, seg); }
void CGePolyline::Ev1Der(double t, double* p, double* d1, unsigned seg) { CGeCurve::Ev1Der(t, p, d1, seg); }
void CGePolyline::Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg) { CGeCurve::Ev2Der(t, p, d1, d2, seg); }
int CGePolyline::GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist) { return CGeCurve::GetNearestPoint(p, out, t, seg, dist); }
int CGePolyline::EvParam(double len, double& t, unsigned& seg, double tol) { return CGeCurve::EvParam(len, t, seg, tol); }
double CGePolyline::EvArcLength(double t0, double t1, unsigned seg) { return CGeCurve::EvArcLength(t0, t1, seg); }
double CGePolyline::EvTotalArcLength() { return CGeCurve::EvTotalArcLength(); }
int CGePolyline::IsLongerThan(double len) { return CGeCurve::IsLongerThan(len); }
int CGePolyline::IsClosed(double tol) { return CGeCurve::IsClosed(tol); }
void CGePolyline::Reverse() { CGeCurve::Reverse(); }
void CGePolyline::Split(double t, CGeCurve** out, int seg, int flag) { CGeCurve::Split(t, out, seg, flag); }
void CGePolyline::BiArcAppx(double tol, CTypedPtrList<CObList, CGeCurve*>* out) { CGeCurve::BiArcAppx(tol, out); }
void CGePolyline::InitSketchIndex() { CGeCurve::InitSketchIndex(); }
