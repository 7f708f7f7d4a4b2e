#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeometryChange.h"

#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Box2D.h"
#include "framework/numerak/Intersect2D.h"
#include "framework/numerak/Line2D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/PointString.h"
#include "geometry/shapes2d/ConicCommon.h"
#include "geometry/shapes2d/CurveBiArcFit.h"
#include "geometry/shapes2d/CurveSnap.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeHit.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "geometry/shapes2d/RefinePointStr.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GeTool3D.h"
#include "platform/core/Archive.h"
#include "platform/core/Exception.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

IMPLEMENT_SERIAL(CGePolyline, CObject, 2 | VERSIONABLE_SCHEMA)

namespace {

// Ends closer than this make Create close the polyline.
constexpr double kCreateClosedTol = 0.0001;
// ModifyStartPoint/ModifyEndPoint ignore moves shorter than this.
constexpr double kModifyEndTol = 0.0001;
// IsRect: side lengths must agree within these.
constexpr double kRectSideTol = 0.001;
constexpr double kRectSideTol2 = 0.0001;
// GetHeight: bisection stops at this many vertices; x values this close match.
constexpr int kHeightScanSpan = 6;
constexpr double kHeightEdgeTol = 0.001;
constexpr double kHeightVertexTol = 0.0001;
// EvParam snaps to the edge end within this length, EvParamEx within the second.
constexpr double kParamSnap = 0.1;
constexpr double kParamSnapEx = 0.01;
constexpr double kMinCumulativeStep = 1e-12;
// Split: parameters this close to an edge end do not add a split point.
constexpr double kSplitEndTol = 1e-6;
// Pieces of a split are thinned of collinear vertices within this.
constexpr double kSplitLeanTol = 1e-6;
// ToElement: above this many vertices the string is interpolated by NURBS.
constexpr int kMaxLinesToElement = 15;
constexpr double kInterpTol = 0.2;
constexpr double kInterpAngle = 2.617993877991;  // 150 degrees
// Pick-mark pens of DrawNode's start vertex grow the square by this.
constexpr int kStartMarkGrow = 1;

double Dist(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

// A piece through n points: null for fewer than 2, a line for 2, else a polyline.
CGeCurve* MakePiece(const double (*pts)[2], int n, bool lean)
{
    if (n < 2) return nullptr;
    if (n == 2) return new CGeLine(pts[0], pts[1]);
    auto* poly = new CGePolyline;
    if (!poly->Create(n, pts)) {
        delete poly;
        return nullptr;
    }
    if (lean) poly->Lean(kSplitLeanTol);
    return poly;
}

}  // namespace

CGePolyline::CGePolyline() = default;

CGePolyline::CGePolyline(int n) { AllocSWMem(n); }

CGePolyline::~CGePolyline() = default;

// ---------------------------------------------------------------------------
// Construction and vertex access

int CGePolyline::Create(CArray<tagPoint2d, tagPoint2d>* pts)
{
    geNoteGeometryChange();
    m_pSWPoint.reset();
    m_nSWPoint = 0;
    if (!pts || pts->GetSize() < 2) return 0;
    CopySWPoint(reinterpret_cast<const double(*)[2]>(pts->GetData()), static_cast<int>(pts->GetSize()));
    m_box.InitEmpty();
    for (int i = 0; i < m_nSWPoint; ++i) m_box.Extend(m_pSWPoint[i]);
    return 1;
}

int CGePolyline::Create(int n, const double (*pts)[2])
{
    geNoteGeometryChange();
    int result = 0;
    if (pts && n > 1) {
        // A source inside the vertices themselves is copied through a buffer.
        const double(*own)[2] = m_pSWPoint.get();
        const std::less<const double(*)[2]> before;
        if (own && !before(pts, own) && before(pts, own + m_nSWPoint)) {
            std::vector<double> buf(&pts[0][0], &pts[0][0] + 2 * static_cast<size_t>(n));
            CopySWPoint(reinterpret_cast<const double(*)[2]>(buf.data()), n);
        } else {
            CopySWPoint(pts, n);
        }
        // Stale flags go: the flag says what the new ends say.
        m_bClosed = Dist(m_pSWPoint[0], m_pSWPoint[n - 1]) < kCreateClosedTol ? 1 : 0;
        result = 1;
    }
    CalcBox2d();
    return result;
}

int CGePolyline::CreateBox(const double* p, const double* q)
{
    geNoteGeometryChange();
    const double x0 = std::min(p[0], q[0]), x1 = std::max(p[0], q[0]);
    const double y0 = std::min(p[1], q[1]), y1 = std::max(p[1], q[1]);
    const double pts[5][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
    CopySWPoint(pts, 5);
    m_bClosed = 1;
    CalcBox2d();
    return 1;
}

CGeCurve* CGePolyline::Copy()
{
    if (m_nSWPoint <= 1) return nullptr;
    auto* copy = new CGePolyline;
    copy->CopySWPoint(m_pSWPoint.get(), m_nSWPoint);
    copy->m_nHandle = m_nHandle;
    copy->m_bClosed = m_bClosed;
    copy->m_box = m_box;
    return copy;
}

void CGePolyline::SetPoint(int i, const double* p)
{
    geNoteGeometryChange();
    if (i < 0 || i >= m_nSWPoint) return;
    m_pSWPoint[i][0] = p[0];
    m_pSWPoint[i][1] = p[1];
}

void CGePolyline::GetPoint(int i, double* p) const
{
    if (i < 0 || i >= m_nSWPoint) return;
    p[0] = m_pSWPoint[i][0];
    p[1] = m_pSWPoint[i][1];
}

void CGePolyline::GetPoint(int i, Position& p) const
{
    if (i < 0 || i >= m_nSWPoint) return;
    p.x = m_pSWPoint[i][0];
    p.y = m_pSWPoint[i][1];
}

void CGePolyline::ModifyPoint(unsigned int i, const double* p)
{
    if (i >= static_cast<unsigned>(std::max(m_nSWPoint, 0))) return;
    const double q[2] = {p[0], p[1]};
    SetPoint(static_cast<int>(i), q);
    if (m_bClosed) {
        if (i == 0) SetPoint(m_nSWPoint - 1, q);
        else if (static_cast<int>(i) == m_nSWPoint - 1) SetPoint(0, q);
    }
    CalcBox2d();
}

void CGePolyline::ModifyStartPoint(double* p)
{
    geNoteGeometryChange();
    if (m_nSWPoint < 1 || !(Dist(p, m_pSWPoint[0]) > kModifyEndTol)) return;
    SetPoint(0, p);
    CalcBox2d();
}

void CGePolyline::ModifyEndPoint(double* p)
{
    geNoteGeometryChange();
    if (m_nSWPoint < 1 || !(Dist(p, m_pSWPoint[m_nSWPoint - 1]) > kModifyEndTol)) return;
    SetPoint(m_nSWPoint - 1, p);
    CalcBox2d();
}

void CGePolyline::GetStartPoint(double* p)
{
    if (m_nSWPoint > 0) GetPoint(0, p);
}

void CGePolyline::GetEndPoint(double* p)
{
    if (m_nSWPoint > 0) GetPoint(m_nSWPoint - 1, p);
}

int CGePolyline::IsClosed(double tol)
{
    return m_nSWPoint > 1 && Dist(m_pSWPoint[0], m_pSWPoint[m_nSWPoint - 1]) < tol ? 1 : 0;
}

int CGePolyline::IsRect()
{
    if (m_nSWPoint != 5 || !IsClosed(gecon::kClosedTol)) return 0;
    const auto& P = m_pSWPoint;
    double x[2];
    if (Isect_LineLineEx(P[0], P[1], P[3], P[2], gecon::kDegenerateTol, gecon::kProjectTol, x) != kIsectParallel)
        return 0;
    if (Isect_LineLineEx(P[1], P[2], P[4], P[3], gecon::kDegenerateTol, gecon::kProjectTol, x) != kIsectParallel)
        return 0;
    if (!(std::fabs(Dist(P[0], P[1]) - Dist(P[3], P[2])) < kRectSideTol)) return 0;
    if (!(std::fabs(Dist(P[1], P[2]) - Dist(P[4], P[3])) < kRectSideTol2)) return 0;
    return 1;
}

void CGePolyline::Reverse()
{
    geNoteGeometryChange();
    if (m_nSWPoint >= 2) SP2D_Reverse(&m_pSWPoint[0][0], m_nSWPoint);
}

void CGePolyline::InitSketchIndex()
{
    m_aSketchIndex.RemoveAll();
    for (int i = 0; i + 1 < m_nSWPoint; ++i) m_aSketchIndex.Add(-1);
}

// ---------------------------------------------------------------------------
// Archive

void CGePolyline::Serialize(CArchive& ar)
{
    geNoteGeometryChange();
    CGeCurve::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_nSWPoint;
        if (m_nSWPoint > 0) ar.Write(m_pSWPoint.get(), static_cast<UINT>(sizeof(double[2]) * m_nSWPoint));
        return;
    }
    int n = 0;
    ar >> n;
    if (n < 0) AfxThrowArchiveException(CArchiveException::endOfFile);
    // A corrupt count fails here instead of allocating first.
    ar.RequireBytes(sizeof(double[2]) * static_cast<ULONGLONG>(n));
    m_pSWPoint.reset();
    m_nSWPoint = 0;
    if (n > 0) {
        AllocSWMem(n);
        const UINT bytes = static_cast<UINT>(sizeof(double[2]) * static_cast<size_t>(n));
        if (ar.Read(m_pSWPoint.get(), bytes) != bytes) {
            m_pSWPoint.reset();
            m_nSWPoint = 0;
            AfxThrowArchiveException(CArchiveException::endOfFile);
        }
    }
    // The box is rebuilt on first request.
    m_box.InitEmpty();
}

int CGePolyline::GetType() const { return 0x40; }

// ---------------------------------------------------------------------------
// Evaluation

int CGePolyline::GetSegmentCount() { return m_nSWPoint - 1; }

void CGePolyline::GetPointAt(double t, double* p, unsigned seg)
{
    if (seg < 1 || static_cast<int>(seg) >= m_nSWPoint) return;
    L2D_GetPnt(m_pSWPoint[seg - 1], m_pSWPoint[seg], t, p);
}

void CGePolyline::EvPos(double t, double* p, unsigned seg) { GetPointAt(t, p, seg); }

void CGePolyline::GetTanVecAt(double, double* v, unsigned seg)
{
    const int k = static_cast<int>(seg);
    if (k < 1 || k >= m_nSWPoint) return;
    const auto& P = m_pSWPoint;
    v[0] = P[k][0] - P[k - 1][0];
    v[1] = P[k][1] - P[k - 1][1];
    if (std::hypot(v[0], v[1]) >= gecon::kDegenerateTol) return;
    // A collapsed edge borrows the direction of its neighbour.
    if (k + 1 < m_nSWPoint) {
        v[0] = P[k + 1][0] - P[k][0];
        v[1] = P[k + 1][1] - P[k][1];
    } else if (k >= 2) {
        v[0] = P[k - 1][0] - P[k - 2][0];
        v[1] = P[k - 1][1] - P[k - 2][1];
    }
}

void CGePolyline::Ev1Der(double t, double* p, double* d1, unsigned seg)
{
    const int k = static_cast<int>(seg);
    if (k < 1 || k >= m_nSWPoint) return;
    GetTanVecAt(t, d1, seg);
    p[0] = m_pSWPoint[k - 1][0] + t * d1[0];
    p[1] = m_pSWPoint[k - 1][1] + t * d1[1];
}

void CGePolyline::Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg)
{
    const int k = static_cast<int>(seg);
    if (k < 1 || k >= m_nSWPoint) return;
    Ev1Der(t, p, d1, seg);
    d2[0] = d2[1] = 0.0;
}

int CGePolyline::GetPointEx(double s, double* p)
{
    if (m_nSWPoint < 2) return 0;
    const int m = m_nSWPoint - 1;
    const double ms = m * s;
    const int i = ms < 0.0 ? 0 : (ms >= m ? m : static_cast<int>(ms));
    if (i < m)
        L2D_GetPnt(m_pSWPoint[i], m_pSWPoint[i + 1], ms - i, p);
    else
        GetPoint(m, p);
    return 1;
}

int CGePolyline::GetGCPoint(unsigned char kind, double* p, unsigned seg)
{
    if (seg < 1 || static_cast<int>(seg) >= m_nSWPoint) return 0;
    switch (kind) {
    case 1: GetPointAt(0.0, p, seg); return 1;
    case 2: GetPointAt(1.0, p, seg); return 1;
    case 3: GetPointAt(0.5, p, seg); return 1;
    default: return 0;
    }
}

int CGePolyline::GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist)
{
    if (m_nSWPoint < 1) return 0;
    int k = 1;
    if (SP2D_PrjPnt(&m_pSWPoint[0][0], m_nSWPoint, p, out, t, k)) {
        seg = static_cast<unsigned>(k);
    } else {
        const int last = m_nSWPoint - 1;
        if (Dist(p, m_pSWPoint[last]) <= Dist(p, m_pSWPoint[0]) && last > 0) {
            GetPoint(last, out);
            t = 1.0;
            seg = static_cast<unsigned>(last);
        } else {
            GetPoint(0, out);
            t = 0.0;
            seg = 1;
        }
    }
    dist = Dist(p, out);
    return 1;
}

double CGePolyline::GetHeight(double x) const
{
    const int K = m_nSWPoint;
    const auto& P = m_pSWPoint;
    int lo = 0, hi = K - 1;
    while (hi - lo >= kHeightScanSpan) {
        const int mid = (lo + hi) / 2;
        if (P[mid][0] < x)
            lo = mid;
        else
            hi = mid;
    }
    for (int i = lo; i < K - 1; ++i) {
        if (P[i][0] > x + kHeightEdgeTol || P[i + 1][0] + kHeightEdgeTol < x) continue;
        if (std::fabs(x - P[i][0]) < kHeightVertexTol) return P[i][1];
        if (std::fabs(x - P[i + 1][0]) < kHeightVertexTol) return P[i + 1][1];
        return P[i][1] + (x - P[i][0]) / (P[i + 1][0] - P[i][0]) * (P[i + 1][1] - P[i][1]);
    }
    return 0.0;
}

// ---------------------------------------------------------------------------
// Lengths and parameters

double CGePolyline::EvArcLength(double t1, unsigned int k1, double t2, unsigned int k2)
{
    if (k1 < 1 || k2 < k1 || static_cast<int>(k2) >= m_nSWPoint) return 0.0;
    double a[2], b[2];
    GetPointAt(t1, a, k1);
    GetPointAt(t2, b, k2);
    if (k1 == k2) return Dist(a, b);
    double len = Dist(a, m_pSWPoint[k1]);
    for (unsigned i = k1; i + 1 < k2; ++i) len += Dist(m_pSWPoint[i], m_pSWPoint[i + 1]);
    return len + Dist(b, m_pSWPoint[k2 - 1]);
}

double CGePolyline::EvArcLength(double t0, double t1, unsigned seg) { return EvArcLength(t0, 1, t1, seg); }

double CGePolyline::EvTotalArcLength()
{
    if (m_nSWPoint < 2) return 0.0;
    return EvArcLength(0.0, 1, 1.0, static_cast<unsigned>(m_nSWPoint - 1));
}

int CGePolyline::IsLongerThan(double len)
{
    double sum = 0.0;
    for (int i = 0; i + 1 < m_nSWPoint; ++i) {
        sum += Dist(m_pSWPoint[i], m_pSWPoint[i + 1]);
        if (sum > len) return 1;
    }
    return 0;
}

namespace {

// Wraps len into (0, total] for a closed curve, clamps it to total for an open one.
double WrapLength(double len, double total, bool closed)
{
    if (len <= total) return len;
    if (!closed || !(total > 0.0)) return total;
    const double r = std::fmod(len, total);
    return r == 0.0 ? total : r;
}

}  // namespace

int CGePolyline::EvParam(double len, double& t, unsigned& seg, double total)
{
    if (m_nSWPoint < 2) return 0;
    if (total == 0.0) total = EvTotalArcLength();
    len = WrapLength(len, total, IsClosed(gecon::kClosedTol) != 0);
    double acc = 0.0;
    for (int i = 0; i + 1 < m_nSWPoint; ++i) {
        const double edge = Dist(m_pSWPoint[i], m_pSWPoint[i + 1]);
        if (len >= acc && len - kParamSnap < acc + edge) {
            t = std::fabs(acc + edge - len) <= kParamSnap ? 1.0 : (len - acc) / edge;
            seg = static_cast<unsigned>(i + 1);
            return 1;
        }
        acc += edge;
    }
    return 0;
}

int CGePolyline::EvParamEx(double len, double& t, unsigned int& k, const double* cumulative)
{
    if (!cumulative || m_nSWPoint < 2) return 0;
    const double total = cumulative[m_nSWPoint - 1];
    len = WrapLength(len, total, IsClosed(gecon::kClosedTol) != 0);
    for (int i = 0; i + 1 < m_nSWPoint; ++i) {
        const double step = cumulative[i + 1] - cumulative[i];
        if (step < kMinCumulativeStep) continue;
        if (cumulative[i] <= len && cumulative[i + 1] > len - kParamSnapEx) {
            t = std::fabs(cumulative[i + 1] - len) <= kParamSnapEx ? 1.0 : (len - cumulative[i]) / step;
            k = static_cast<unsigned>(i + 1);
            return 1;
        }
    }
    return 0;
}

int CGePolyline::GetDiscStep(double, double& step)
{
    step = m_nSWPoint > 0 ? 1.0 / m_nSWPoint : 1.0;
    return 1;
}

void CGePolyline::DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double ang, bool bRefine)
{
    if (!pts || !m_pSWPoint || m_nSWPoint <= 1) return;
    const INT_PTR at = pts->GetSize();
    if (at == 0)
        pts->SetSize(m_nSWPoint, 50);
    else
        pts->SetSize(at + m_nSWPoint);
    std::memcpy(pts->GetData() + at, m_pSWPoint.get(), sizeof(double[2]) * static_cast<size_t>(m_nSWPoint));
    if (bRefine) RefinePointStr(tol, ang, *pts);
}

// ---------------------------------------------------------------------------
// Drawing, picking and snapping

void CGePolyline::DrawNode(CDC* dc, int bStart, int bEnd)
{
    CLooker* looker = gGetLooker();
    if (!dc || !looker || m_nSWPoint < 1) return;
    const int last = !IsClosed(gecon::kClosedTol) && bEnd ? m_nSWPoint - 1 : m_nSWPoint - 2;
    const int half = conic::kNodeMarkHalf;
    for (int i = 0; i <= last; ++i) {
        CPoint s;
        looker->WorldtoScreen(m_pSWPoint[i], s, 2);
        if (i == 0) {
            if (!bStart) continue;
            const bool view2D = CLooker::IsView2D() != 0;
            CPen pen(PS_SOLID, view2D ? 1 : 2, view2D ? RGB(0, 125, 0) : RGB(195, 0, 170));
            CPen* old = dc->SelectObject(&pen);
            const int r = half + kStartMarkGrow;
            dc->Ellipse(s.x - r, s.y - r, s.x + r, s.y + r);
            dc->SelectObject(old);
        } else {
            dc->Rectangle(s.x - half, s.y - half, s.x + half, s.y + half);
        }
    }
}

int CGePolyline::Pick(CPickRay& ray, int bCheckType)
{
    if (bCheckType && (ray.m_nTypeMask & 0x40) == 0) return 0;
    if (m_nSWPoint < 2) return 0;
    if (ray.m_b2D) {
        BOX2<double> box;
        GetBox2d(&box);
        if (P2D_IsInBox2D(box, ray.m_pt, ray.m_dAperture) == 1) return 0;
        double out[2], t = 0.0, dist = gecon::kNoDistanceBound;
        unsigned seg = 1;
        if (!GetNearestPoint(ray.m_pt, out, t, seg, dist) || !(dist < ray.m_dAperture)) return 0;
        ray.m_dDist = std::min(ray.m_dDist, dist);
        return 1;
    }
    double second[3];
    ray.GetSecondPoint(second);
    double a = 0.0, b = 0.0;
    int seg = -1;
    if (!SP2D_Pick3d(&m_pSWPoint[0][0], m_nSWPoint, ray.m_pt, second, ray.m_dAperture, &a, &b, &seg)) return 0;
    if (!(a < ray.m_dDepth)) return 0;
    ray.m_dDepth = a;
    ray.m_dParam = b;
    return 1;
}

int CGePolyline::Hit(CPickRay& ray, CGeHit& hit)
{
    if ((ray.m_nTypeMask & 0x40) == 0 || m_nSWPoint < 2) return 0;
    double out[2], t = 0.0;
    unsigned seg = 1;
    if (ray.m_b2D) {
        BOX2<double> box;
        GetBox2d(&box);
        if (!BOX2D_IsPtIn(box, ray.m_pt, ray.m_dAperture)) return 0;
        double dist = gecon::kNoDistanceBound;
        if (!GetNearestPoint(ray.m_pt, out, t, seg, dist) || !(dist < ray.m_dAperture)) return 0;
    } else {
        double second[3];
        ray.GetSecondPoint(second);
        double a = 0.0, b = 0.0;
        int edge = -1;
        if (!SP2D_Pick3d(&m_pSWPoint[0][0], m_nSWPoint, ray.m_pt, second, ray.m_dAperture, &a, &b, &edge))
            return 0;
        if (!(a < ray.m_dDepth) || edge < 1 || edge >= m_nSWPoint) return 0;
        ray.m_dDepth = a;
        ray.m_dParam = b;
        t = b;
        seg = static_cast<unsigned>(edge);
        GetPointAt(t, out, seg);
    }
    hit.m_pCurve = this;
    hit.m_nSegment = static_cast<int>(seg);
    hit.m_dParam = t;
    hit.m_pt[0] = out[0];
    hit.m_pt[1] = out[1];
    return 1;
}

int CGePolyline::GetSnapPos(CSnapAt* snap, CSnapResult& result)
{
    if (!curvesnap::CanSnap(snap)) return 0;
    const int before = result.GetSize();
    const int mode = snap->m_nSnapMode;
    const CSnapBase& base = *snap->m_pBase;
    // A point accepted by IsSnapPoint is pushed and ends the search; an
    // aligned one is pushed and the search goes on.
    auto offer = [&](const double* p, int kind) {
        if (snap->IsSnapPoint(p, 2)) {
            result.PushBack(kind, curvesnap::At(p));
            return true;
        }
        if (curvesnap::PassesAxisTest(snap, p)) result.PushBack(kind, curvesnap::At(p));
        return false;
    };
    // Foot of q on edge k when it falls within the edge and is accepted.
    auto foot = [&](const double* q, int k, double* f) {
        const double* a = m_pSWPoint[k - 1];
        const double* b = m_pSWPoint[k];
        if (L2D_PrjPntEx(q, a, b, f) != 1) return false;
        const double u = L2D_GetParam(f, a, b);
        return u >= 0.0 && u <= 1.0 && snap->IsSnapPoint(f, 2);
    };
    for (int k = 1; k < m_nSWPoint; ++k) {
        if (mode & kSnapEnd) {
            if (k == 1 && offer(m_pSWPoint[0], kSnapEnd)) break;
            if (offer(m_pSWPoint[k], kSnapEnd)) break;
        }
        if (mode & kSnapMid) {
            double m[2];
            GetPointAt(0.5, m, static_cast<unsigned>(k));
            if (offer(m, kSnapMid)) break;
        }
        double f[2];
        if ((mode & kSnapPerp) && base.m_bHasBase && foot(base.m_ptBase, k, f)) {
            result.PushBackPerp(curvesnap::At(f));
            break;
        }
        if ((mode & kSnapNear) && foot(snap->m_ptCursor, k, f)) {
            result.PushBackNear(curvesnap::At(f));
            break;
        }
    }
    return result.GetSize() > before ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Editing

int CGePolyline::Lean(double tol)
{
    CArray<tagPoint2d, tagPoint2d> pts;
    DiscreteInArray(tol, &pts, gecon::kThinAngle170, true);
    return Create(&pts);
}

int CGePolyline::FilterRepeatPoint(double tol)
{
    if (m_nSWPoint < 1) return Create(0, nullptr);
    std::vector<double> kept;
    kept.reserve(2 * static_cast<size_t>(m_nSWPoint));
    for (int i = 0; i < m_nSWPoint; ++i) {
        if (i + 1 < m_nSWPoint && !(Dist(m_pSWPoint[i], m_pSWPoint[i + 1]) > tol)) continue;
        kept.push_back(m_pSWPoint[i][0]);
        kept.push_back(m_pSWPoint[i][1]);
    }
    return Create(static_cast<int>(kept.size() / 2), reinterpret_cast<const double(*)[2]>(kept.data()));
}

void CGePolyline::Split(double t, CGeCurve** out, int k, int)
{
    const int K = m_nSWPoint;
    if (k < 1 || k > K - 1 || !(t >= -kSplitEndTol && t <= 1.0 + kSplitEndTol)) return;
    if (t < kSplitEndTol && k == 1) {
        out[0] = nullptr;
        out[1] = Copy();
        return;
    }
    if (t > 1.0 - kSplitEndTol && k == K - 1) {
        out[0] = Copy();
        out[1] = nullptr;
        return;
    }
    double s[2];
    GetPointAt(t, s, static_cast<unsigned>(k));
    std::vector<double> buf;
    buf.reserve(2 * static_cast<size_t>(K + 1));
    auto add = [&buf](const double* p) {
        buf.push_back(p[0]);
        buf.push_back(p[1]);
    };
    for (int i = 0; i < k; ++i) add(m_pSWPoint[i]);
    if (t > kSplitEndTol) add(s);
    out[0] = MakePiece(reinterpret_cast<const double(*)[2]>(buf.data()), static_cast<int>(buf.size() / 2), true);
    buf.clear();
    if (t < 1.0 - kSplitEndTol) add(s);
    for (int i = k; i < K; ++i) add(m_pSWPoint[i]);
    out[1] = MakePiece(reinterpret_cast<const double(*)[2]>(buf.data()), static_cast<int>(buf.size() / 2), true);
}

void CGePolyline::SplitInNode(const int* nodes, int n, CTypedPtrList<CObList, CGeCurve*>& out)
{
    const int K = m_nSWPoint;
    if (K < 2) return;
    int j = 0;
    for (int i = 0; nodes && i < n; ++i) {
        const int v = nodes[i];
        if (v <= j || v >= K) continue;  // out of order or range: no cut
        if (CGeCurve* piece = MakePiece(m_pSWPoint.get() + j, v - j + 1, false)) out.AddTail(piece);
        j = v;
    }
    if (CGeCurve* piece = MakePiece(m_pSWPoint.get() + j, K - j, false)) out.AddTail(piece);
}

CGeCurve* CGePolyline::ToPolyline_Line(unsigned int first, unsigned int last)
{
    if (first >= last || static_cast<int>(last) >= m_nSWPoint) return nullptr;
    return MakePiece(m_pSWPoint.get() + first, static_cast<int>(last - first + 1), false);
}

namespace {

// Composite of the polyline before edge k, the edge itself and the polyline after it.
CGeCombCurve* ReplaceEdge(CGePolyline& poly, unsigned int k, CGeCurve* edge)
{
    const unsigned K = static_cast<unsigned>(poly.GetSWPointCount());
    auto* comb = new CGeCombCurve;
    comb->SetClosedFlag(poly.GetClosedFlag());
    CTypedPtrList<CObList, CGeCurve*>& list = comb->GetCurveList();
    auto add = [&list](CGeCurve* c) {
        if (c) list.AddTail(c);
    };
    if (k == 1) {
        add(edge);
        if (K >= 3) add(poly.ToPolyline_Line(1, K - 1));
    } else if (k == K - 1) {
        add(poly.ToPolyline_Line(0, k - 1));
        add(edge);
    } else {
        add(poly.ToPolyline_Line(0, k - 1));
        add(edge);
        add(poly.ToPolyline_Line(k, K - 1));
    }
    return comb;
}

}  // namespace

CGeCombCurve* CGePolyline::ToLine(unsigned int k)
{
    if (k < 1 || static_cast<int>(k) >= m_nSWPoint) return nullptr;
    return ReplaceEdge(*this, k, new CGeLine(m_pSWPoint[k - 1], m_pSWPoint[k]));
}

CGeCombCurve* CGePolyline::ToBezier(unsigned int k)
{
    if (k < 1 || static_cast<int>(k) >= m_nSWPoint) return nullptr;
    return ReplaceEdge(*this, k, CGeBezier::CreateFrmLine(m_pSWPoint[k - 1], m_pSWPoint[k]));
}

void CGePolyline::DelMainNode(unsigned int i)
{
    const int K = m_nSWPoint;
    if (K <= 2 || !m_pSWPoint || i >= static_cast<unsigned>(K)) return;
    const int at = static_cast<int>(i);
    std::vector<double> kept;
    kept.reserve(2 * static_cast<size_t>(K));
    auto keep = [&](int v) {
        kept.push_back(m_pSWPoint[v][0]);
        kept.push_back(m_pSWPoint[v][1]);
    };
    if (IsClosed(gecon::kClosedTol)) {
        if (at == 0 || at == K - 1) return;  // the ends of a closed polyline stay
        if (K == 4) {
            // A closed triangle loses a corner and becomes one of its edges.
            keep(0);
            keep(at == 1 ? 2 : 1);
        }
    }
    if (kept.empty())
        for (int v = 0; v < K; ++v)
            if (v != at) keep(v);
    const int n = static_cast<int>(kept.size() / 2);
    CopySWPoint(reinterpret_cast<const double(*)[2]>(kept.data()), n);
    // Two vertices are an open edge, whatever was closed before.
    if (n < 3) m_bClosed = 0;
    CalcBox2d();
}

void CGePolyline::DelMainNode(const unsigned int* list, int n)
{
    const int K = m_nSWPoint;
    if (K <= 2 || !m_pSWPoint || !list || n >= K - 1) return;
    const bool closed = IsClosed(gecon::kClosedTol) != 0;
    std::vector<char> drop(static_cast<size_t>(K), 0);
    int ends = 0;
    for (int j = 0; j < n; ++j) {
        if (list[j] == 0 || list[j] == static_cast<unsigned>(K - 1)) ++ends;
        if (list[j] < static_cast<unsigned>(K)) drop[list[j]] = 1;
    }
    std::vector<double> kept;
    kept.reserve(2 * static_cast<size_t>(K + 1));
    for (int v = 0; v < K; ++v) {
        if (drop[static_cast<size_t>(v)]) continue;
        kept.push_back(m_pSWPoint[v][0]);
        kept.push_back(m_pSWPoint[v][1]);
    }
    if (closed && ends == 2 && kept.size() / 2 != 2 && !kept.empty()) {
        const double x = kept[0], y = kept[1];
        kept.push_back(x);
        kept.push_back(y);
    }
    Create(static_cast<int>(kept.size() / 2), reinterpret_cast<const double(*)[2]>(kept.data()));
}

void CGePolyline::BiArcAppx(double tol, CTypedPtrList<CObList, CGeCurve*>* out)
{
    if (!out || m_nSWPoint < 2) return;
    gebiarc::FitInto(m_pSWPoint.get(), m_nSWPoint, tol, out);
}

void CGePolyline::ToElement(CTypedPtrList<CObList, CGeCurve3d*>* list)
{
    if (!list || m_nSWPoint < 2) return;
    const int K = m_nSWPoint;
    std::vector<double> pts3(3 * static_cast<size_t>(K));
    for (int i = 0; i < K; ++i) {
        pts3[3 * i] = m_pSWPoint[i][0];
        pts3[3 * i + 1] = m_pSWPoint[i][1];
        pts3[3 * i + 2] = 0.0;
    }
    auto* p3 = reinterpret_cast<double(*)[3]>(pts3.data());
    if (K > kMaxLinesToElement) {
        CGeTool3D tool;
        std::vector<BCRV*> curves;
        tool.GlobalInterp(p3, K, 2, kInterpTol, kInterpAngle, curves);
        for (BCRV* c : curves) {
            auto* nrb = new CGeNrbCrv3d;
            nrb->SetCurve(c);
            list->AddTail(nrb);
        }
        return;
    }
    for (int i = 0; i + 1 < K; ++i) list->AddTail(new CGeLine3d(p3[i], p3[i + 1]));
}
