#include "geometry/shapes3d/GeNrbCrv3d.h"

#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Knot.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/NurbsEditor.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Point3D.h"
#include "geometry/shapes3d/PointOps.h"
#include "framework/numerak/Matrix44.h"
#include "geometry/shapes3d/Shapes3dConst.h"
#include "platform/core/Archive.h"
#include "platform/core/DC.h"

#include <algorithm>
#include <memory>
#include <cmath>
#include <vector>

IMPLEMENT_SERIAL(CGeNrbCrv3d, CObject, VERSIONABLE_SCHEMA | 1)

namespace {

// Upper bound of display points per curve, so that a tiny tolerance on a huge curve
// cannot exhaust memory.
constexpr double kMaxDisplayPoints = 1e6;
// ... and per knot span, so that a short record (a few control points with
// uneven knots or weights) cannot ask for the whole upper bound.
constexpr double kMaxSpanDisplayPoints = 4096;

// Pens of the control polygon (0x00BBGGRR): dotted, blue in a plan view, yellow in 3D.
constexpr COLORREF kPolygonColour2D = 0xFF0000;
constexpr COLORREF kPolygonColour3D = 0x00FFFF;

struct BcrvDeleter {
    void operator()(BCRV* c) const { BCRV_Free(c); }
};
using BcrvPtr = std::unique_ptr<BCRV, BcrvDeleter>;

// Chord-length averaged knots for the control points of rec (Cartesian points
// pts); 0 when the points cannot give them (all coincide).
int KnotsFromPoints(BCRV& rec, const std::vector<double>& pts)
{
    const int n = rec.n;
    std::vector<double> params(static_cast<std::size_t>(n));
    if (!KNOT_CalAccumChord(n, reinterpret_cast<const double(*)[3]>(pts.data()), params.data())) return 0;
    return KNOT_CalByAC(rec.k, n, params.data(), rec.U);
}

double DomainStart(const BCRV* c) { return c->U[c->k - 1]; }
double DomainEnd(const BCRV* c) { return c->U[c->n]; }

}  // namespace

CGeNrbCrv3d::CGeNrbCrv3d() = default;

CGeNrbCrv3d::CGeNrbCrv3d(BCRV* curve) { SetCurve(curve); }

CGeNrbCrv3d::~CGeNrbCrv3d() { BCRV_Free(m_pCurve); }

void CGeNrbCrv3d::SetCurve(BCRV* curve)
{
    if (!curve) return;
    TakeRecord(curve, gGetCrvShowDiscTol());
    CalcBox();
}

void CGeNrbCrv3d::TakeRecord(BCRV* rec, double tol)
{
    if (rec != m_pCurve) BCRV_Free(m_pCurve);
    m_pCurve = rec;
    m_strDisp.Clear();
    Discrete(tol, m_strDisp);
}

int CGeNrbCrv3d::CreateInterp(double (*pts)[3], int n, int degree, double tol)
{
    if (!pts || degree >= n) return 0;
    BCRV* rec = CNurbsEditor::GlobalInterp(pts, n, degree);
    if (!rec) return 0;
    TakeRecord(rec, tol);
    return 1;
}

int CGeNrbCrv3d::CreateInterp(double (*pts)[2], int n, int degree, double tol)
{
    if (!pts || n < 2) return 0;
    BCRV* rec = nullptr;
    if (n == 2) {
        const double p0[3] = {pts[0][0], pts[0][1], 0.0}, p1[3] = {pts[1][0], pts[1][1], 0.0};
        BCRV_GenLine(p0, p1, &rec);
    } else if (degree < n) {
        rec = CNurbsEditor::GlobalInterp(pts, n, degree);
    }
    if (!rec) return 0;
    TakeRecord(rec, tol);
    return 1;
}

int CGeNrbCrv3d::CreateCtrlPt(double (*pts)[3], int n, int degree, double tol)
{
    if (!pts || n < 2) return 0;
    if (n == 2)
        degree = 1;
    else if (n == 3 && degree > 2)
        degree = 2;
    BcrvPtr rec(BCRV_New(degree + 1, n));
    if (!rec) return 0;
    std::vector<double> xyz(&pts[0][0], &pts[0][0] + 3 * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        if (!rec->SetCtrlPt(i, &xyz[3 * i], 1.0)) return 0;
    if (!KnotsFromPoints(*rec, xyz)) return 0;
    TakeRecord(rec.release(), tol);
    return 1;
}

int CGeNrbCrv3d::DelCtrlPt(unsigned int index)
{
    if (!m_pCurve) return 0;
    const int n = m_pCurve->n;
    if (n <= 2 || index >= static_cast<unsigned int>(n)) return 0;
    const int m = n - 1;
    int order = m_pCurve->k;
    if (m == 2)
        order = 2;
    else if (order >= m)
        order = m - 1;
    BcrvPtr rec(BCRV_New(order, m));
    if (!rec) return 0;
    std::vector<double> xyz;
    xyz.reserve(3 * static_cast<std::size_t>(m));
    for (int i = 0, j = 0; i < n; ++i) {
        if (i == static_cast<int>(index)) continue;
        std::copy_n(m_pCurve->P[i], 4, rec->P[j++]);
        double p[3];
        if (!m_pCurve->GetCtrlPt(i, p)) return 0;
        xyz.insert(xyz.end(), p, p + 3);
    }
    if (!KnotsFromPoints(*rec, xyz)) return 0;
    TakeRecord(rec.release(), gGetCrvShowDiscTol());
    return 1;
}

int CGeNrbCrv3d::DelCtrlPt(unsigned int* indices, int count)
{
    if (!m_pCurve || !indices) return 0;
    const int n = m_pCurve->n;
    if (n <= 2 || count >= n - 1) return 0;
    const bool closed = IsClosed(ge3con::kClosedTol) != 0;
    const std::vector<unsigned int> listed(indices, indices + std::max(count, 0));
    const auto atEnd = [n](unsigned int i) { return i == 0 || i == static_cast<unsigned int>(n - 1); };
    const bool bothEnds = std::count_if(listed.begin(), listed.end(), atEnd) == 2;
    std::vector<double> kept;
    for (int i = 0; i < n; ++i) {
        if (std::find(listed.begin(), listed.end(), static_cast<unsigned int>(i)) != listed.end()) continue;
        double p[3];
        if (m_pCurve->GetCtrlPt(i, p)) kept.insert(kept.end(), p, p + 3);
    }
    int k = static_cast<int>(kept.size() / 3);
    // The polygon of a closed curve that lost both ends closes again on its new first point.
    if (closed && bothEnds && k != 2 && k > 0) {
        kept.insert(kept.end(), kept.begin(), kept.begin() + 3);
        ++k;
    }
    if (k < 2) return 0;
    return CreateCtrlPt(reinterpret_cast<double(*)[3]>(kept.data()), k, 3, gGetCrvShowDiscTol());
}

int CGeNrbCrv3d::AddNode(double t)
{
    if (!m_pCurve || !(t > 0.0 && t < 1.0)) return 0;
    BCRV* rec = CNurbsEditor::AddKnot(m_pCurve, t, m_pCurve->k - 1);
    if (!rec) return 0;
    TakeRecord(rec, gGetCrvShowDiscTol());
    return 1;
}

void CGeNrbCrv3d::Serialize(CArchive& ar)
{
    CGeCurve3d::Serialize(ar);
    if (ar.IsStoring()) {
        const int has = m_pCurve ? 1 : 0;
        ar << has;
        if (!has) return;
        ar << m_pCurve->k << m_pCurve->n;
        for (int i = 0; i < m_pCurve->n; ++i)
            for (int j = 0; j < 4; ++j) ar << m_pCurve->P[i][j];
        for (int i = 0; i < m_pCurve->n + m_pCurve->k; ++i) ar << m_pCurve->U[i];
        return;
    }
    int has = 0;
    ar >> has;
    if (has == 0) {
        BCRV_Free(m_pCurve);
        m_pCurve = nullptr;
        m_strDisp.Clear();
        return;
    }
    int k = 0, n = 0;
    ar >> k >> n;
    // Sizes are checked against what the archive still holds before anything is allocated.
    if (has != 1 || k < 2 || k > kBcrvMaxOrder || n < k) AfxThrowArchiveException(CArchiveException::generic);
    const ULONGLONG doubles = 4 * static_cast<ULONGLONG>(n) + static_cast<ULONGLONG>(n) + static_cast<ULONGLONG>(k);
    ar.RequireBytes(doubles * sizeof(double));
    BcrvPtr rec(BCRV_New(k, n));
    if (!rec) AfxThrowArchiveException(CArchiveException::generic);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < 4; ++j) ar >> rec->P[i][j];
    for (int i = 0; i < n + k; ++i) ar >> rec->U[i];
    if (!BCRV_IsValid(rec.get())) AfxThrowArchiveException(CArchiveException::generic);
    TakeRecord(rec.release(), gGetCrvShowDiscTol());
}

void CGeNrbCrv3d::DrawNode(CDC* dc, int drawStart, int drawEnd, unsigned int half)
{
    CLooker* looker = gGetLooker();
    if (!m_pCurve || !dc || !looker) return;
    const bool plan = CLooker::IsView2D() != 0;
    CPen polygonPen(PS_DOT, 1, plan ? kPolygonColour2D : kPolygonColour3D);
    const bool open = !IsClosed(ge3con::kClosedTol);
    const int n = m_pCurve->n;
    CPoint prev;
    for (int i = 0; i < n; ++i) {
        double p[3];
        if (!m_pCurve->GetCtrlPt(i, p)) continue;
        CPoint s;
        looker->WorldtoScreen(p, s, 3);
        if (i == 0) {
            if (drawStart) DrawStartMark(dc, *looker, p, half);
        } else {
            CPen* old = dc->SelectObject(&polygonPen);
            dc->MoveTo(prev.x, prev.y);
            dc->LineTo(s.x, s.y);
            if (old) dc->SelectObject(old);
            if (i < n - 1 || (drawEnd && open)) dc->Rectangle(NodeSquare(*looker, p, half));
        }
        prev = s;
    }
}

int CGeNrbCrv3d::Pick(CPickRay& ray, int useMask)
{
    if (useMask && !(ge3con::kTypeNrbCrv3d & ray.m_nTypeMask)) return 0;
    if (!PickDisplay(ray)) return 0;
    if (!ray.m_b2D) HitToLengthFraction(ray);
    return 1;
}

int CGeNrbCrv3d::GetType() const { return ge3con::kTypeNrbCrv3d; }

CGeShape3d* CGeNrbCrv3d::Copy()
{
    if (!m_pCurve) return nullptr;
    BCRV* clone = m_pCurve->Clone();
    if (!clone) return nullptr;
    auto* copy = new CGeNrbCrv3d;
    copy->m_pCurve = clone;
    CopyBaseTo(*copy);
    copy->m_bClosed = m_bClosed;
    return copy;
}

void CGeNrbCrv3d::Discrete(double tol, CStrP3D& str) { Discrete(tol, gGetCrvDiscAng(), str); }

void CGeNrbCrv3d::Discrete(double tol, double, CStrP3D& str)
{
    const BCRV* c = m_pCurve;
    if (!c || !BCRV_IsValid(c)) return;

    if (c->k == 2) {
        // A polyline record: its control points are the display points.
        str.Create(c->n, true, false);
        for (int i = 0; i < c->n; ++i) {
            const double w = c->P[i][3];
            P3D_Set(str.m_pPoints[i], c->P[i][0] / w, c->P[i][1] / w, c->P[i][2] / w);
            str.m_pParams[i] = std::min(c->U[i + 1], 1.0);
        }
        str.CalcBox();
        return;
    }

    const double a = DomainStart(c), b = DomainEnd(c);
    double step = 0.02 * (b - a);
    if (tol > 0.0) BCRV_GetMaxiStepLin(c, tol, step);
    if (!(step > 0.0)) step = 0.02 * (b - a);

    // Pieces between the knots where the curve may have a corner: each piece is
    // sampled evenly so the corner itself is a display point. The parameters stay
    // the curve's own (the nearest point and the offset curve read them).
    const std::vector<double> breaks = CNurbsEditor::C1Breaks(c);

    std::vector<int> counts;
    double total = 1.0;
    for (std::size_t j = 1; j < breaks.size(); ++j) {
        const double w = breaks[j] - breaks[j - 1];
        double h = step;
        if (h / w > 0.5) h = 0.1 * w;
        const int m = std::max(1, static_cast<int>(std::min(std::ceil(w / h - 1e-9), kMaxDisplayPoints)));
        counts.push_back(m);
        total += m;
    }
    const double cap = std::min(kMaxDisplayPoints, kMaxSpanDisplayPoints * (c->n - c->k + 1));
    if (total > cap) {
        const double shrink = cap / total;
        total = 1.0;
        for (int& m : counts) {
            m = std::max(1, static_cast<int>(m * shrink));
            total += m;
        }
    }
    if (!str.Create(static_cast<int>(total), true, false)) return;
    int idx = 0;
    for (std::size_t j = 1; j < breaks.size(); ++j) {
        const double p0 = breaks[j - 1], w = breaks[j] - p0;
        const int m = counts[j - 1];
        for (int i = (j == 1 ? 0 : 1); i <= m; ++i) {
            const double s = i == m ? breaks[j] : p0 + w * i / m;
            BCRV_EvPos(c, s, str.m_pPoints[idx]);
            str.m_pParams[idx] = s;
            ++idx;
        }
    }
    str.CalcBox();
}

template <class Op>
void CGeNrbCrv3d::ForEachCtrlPt(Op op)
{
    if (!m_pCurve) return;
    for (int i = 0; i < m_pCurve->n; ++i) {
        double p[3], w = 1.0;
        if (!m_pCurve->GetCtrlPt(i, p, &w)) continue;
        op(p);
        m_pCurve->SetCtrlPt(i, p, w);
    }
}

void CGeNrbCrv3d::Translate(double* v)
{
    if (!m_pCurve) return;
    const double d[3] = {v[0], v[1], 0.0};
    m_pCurve->Move(d);
    CGeCurve3d::Translate(v);
}

void CGeNrbCrv3d::Translate3D(double* v)
{
    if (!m_pCurve) return;
    m_pCurve->Move(v);
    CGeCurve3d::Translate3D(v);
}

void CGeNrbCrv3d::Rotate(double* centre, double angle)
{
    double p[3] = {centre[0], centre[1], 0.0};
    double axis[3] = {0.0, 0.0, 1.0};
    Rotate3D(p, axis, angle);
}

void CGeNrbCrv3d::Rotate3D(double* point, double* axis, double angle)
{
    if (!m_pCurve) return;
    m_pCurve->Rotate(point, axis, angle);
    CGeCurve3d::Rotate3D(point, axis, angle);
}

CGeShape3d* CGeNrbCrv3d::Twist(double* point, double* axis, double angle)
{
    if (!m_pCurve) return this;
    m_pCurve->Twist(point, axis, angle);
    return CGeCurve3d::Twist(point, axis, angle);
}

CGeShape3d* CGeNrbCrv3d::Taper(double* point, double* axis, double angle)
{
    if (!m_pCurve) return this;
    m_pCurve->Taper(point, axis, angle);
    return CGeCurve3d::Taper(point, axis, angle);
}

void CGeNrbCrv3d::Mirror(double* p, double* q)
{
    if (!m_pCurve) return;
    ForEachCtrlPt(pointop::Mirror(p, q));
    CGeCurve3d::Mirror(p, q);
}

CGeShape3d* CGeNrbCrv3d::Shear(double* base, double* factors)
{
    if (!m_pCurve) return this;
    m_pCurve->Shear(base, factors);
    return CGeCurve3d::Shear(base, factors);
}

CGeShape3d* CGeNrbCrv3d::Scale(double* centre, double* factors)
{
    if (!m_pCurve) return this;
    const double c[3] = {centre[0], centre[1], 0.0};
    const double f[3] = {factors[0], factors[1], 1.0};
    m_pCurve->Scale(c, f);
    return CGeCurve3d::Scale(centre, factors);
}

CGeShape3d* CGeNrbCrv3d::Scale3D(double* centre, double* factors)
{
    if (!m_pCurve) return this;
    m_pCurve->Scale(centre, factors);
    return CGeCurve3d::Scale3D(centre, factors);
}

CGeShape3d* CGeNrbCrv3d::Shear3D(double* point, double* dir, double* normal)
{
    if (!m_pCurve) return this;
    m_pCurve->Shear(point, dir, normal);
    return CGeCurve3d::Shear3D(point, dir, normal);
}

void CGeNrbCrv3d::Mirror3D(double* point, double* normal)
{
    if (!m_pCurve) return;
    ForEachCtrlPt(pointop::Mirror3D(point, normal));
    CGeCurve3d::Mirror3D(point, normal);
}

void CGeNrbCrv3d::Transform(_rect_fm3d* frame)
{
    if (!m_pCurve || !frame) return;
    ForEachCtrlPt(pointop::ToFrame(frame));
    CGeCurve3d::Transform(frame);
}

CGeShape3d* CGeNrbCrv3d::Transform(double m[4][4], unsigned int flags)
{
    if (!m_pCurve) return this;
    ForEachCtrlPt(pointop::Matrix44(m));
    return CGeCurve3d::Transform(m, flags);
}

CGeShape3d* CGeNrbCrv3d::Transform(double m[3][3], unsigned int flags)
{
    if (!m_pCurve) return this;
    ForEachCtrlPt(pointop::Matrix33(m));
    return CGeCurve3d::Transform(m, flags);
}

void CGeNrbCrv3d::TransformLocal(_rect_fm3d* frame)
{
    if (!m_pCurve || !frame) return;
    ForEachCtrlPt(pointop::FromFrame(frame));
    CGeCurve3d::TransformLocal(frame);
}

int CGeNrbCrv3d::GetNodeBox(BOX3<double>* box)
{
    if (!m_pCurve || !box) return 0;
    box->InitEmpty();
    for (int i = 0; i < m_pCurve->n; ++i) {
        double p[3];
        if (m_pCurve->GetCtrlPt(i, p)) box->Extend(p);
    }
    return 1;
}

int CGeNrbCrv3d::GetSnapPos(CSnapAt* snap, CSnapResult& result)
{
    if (!m_pCurve || !snap || !snap->m_pLooker || !snap->m_pBase) return 0;
    const int before = result.GetSize();
    const double g = snap->m_dAperture;
    const double px = snap->m_ptCursor[0], py = snap->m_ptCursor[1];
    auto aligned = [&](const double* p) { return std::fabs(px - p[0]) < g || std::fabs(py - p[1]) < g; };

    if (snap->m_nSnapMode & kSnapEnd) {
        double s[3], e[3];
        GetStartPoint(s);
        GetEndPoint(e);
        if (snap->m_bAlign) {
            if (aligned(s)) result.PushBackEnd(s[0], s[1], s[2]);
            if (aligned(e)) result.PushBackEnd(e[0], e[1], e[2]);
        } else if (snap->IsSnapPoint(s, 3)) {
            result.PushBackEnd(s[0], s[1], s[2]);
        } else if (snap->IsSnapPoint(e, 3)) {
            result.PushBackEnd(e[0], e[1], e[2]);
        }
    }
    if (snap->m_nSnapMode & kSnapControl) {
        for (int i = 0; i < m_pCurve->n; ++i) {
            double p[3];
            if (!m_pCurve->GetCtrlPt(i, p)) continue;
            if (snap->m_bAlign ? aligned(p) : snap->IsSnapPoint(p, 3) != 0) result.PushBackEnd(p[0], p[1], p[2]);
        }
    }
    return result.GetSize() != before ? 1 : 0;
}

int CGeNrbCrv3d::GetNearestPoint3D(double* pt, double* nearest, double& t, unsigned int& seg, double& dist)
{
    const int n = m_strDisp.m_nCount;
    const auto* v = m_strDisp.m_pPoints;
    if (!v || n < 2) return 0;
    double u = 0.0;
    unsigned int s = 0;
    if (SP3D_PrjPnt(v, n, pt, nearest, u, s)) {
        const double* p = m_strDisp.m_pParams;
        t = p ? p[s - 1] + (p[s] - p[s - 1]) * u : u;
    } else if (P3D_Dist(pt, v[n - 1]) <= P3D_Dist(pt, v[0])) {
        P3D_Copy(v[n - 1], nearest);
        t = 1.0;
    } else {
        P3D_Copy(v[0], nearest);
        t = 0.0;
    }
    seg = 1;
    dist = P3D_Dist(pt, nearest);
    return 1;
}

int CGeNrbCrv3d::IsPlanar(double tol, double* origin, double* vec)
{
    return m_pCurve ? m_pCurve->IsPlanar(tol, origin, vec) : 0;
}

int CGeNrbCrv3d::GetDiscStep(double tol, double& step)
{
    if (!m_pCurve) return 0;
    const int ok = BCRV_GetMaxiStepLin(m_pCurve, tol, step);
    step = std::min(step, 0.125);
    return ok;
}

void CGeNrbCrv3d::GetStartPoint(double* p)
{
    if (m_pCurve) BCRV_EvPos(m_pCurve, DomainStart(m_pCurve), p);
}

void CGeNrbCrv3d::GetEndPoint(double* p)
{
    if (m_pCurve) BCRV_EvPos(m_pCurve, DomainEnd(m_pCurve), p);
}

void CGeNrbCrv3d::GetPointAt(double t, double* p, int)
{
    if (m_pCurve) BCRV_EvPos(m_pCurve, t, p);
}

void CGeNrbCrv3d::GetStartTanVec(double* v)
{
    if (!m_pCurve) return;
    double p[3], d2[3];
    BCRV_Ev2Der(m_pCurve, DomainStart(m_pCurve), p, v, d2);
    V3D_Unit(v, 1e-6);
}

void CGeNrbCrv3d::GetEndTanVec(double* v)
{
    if (!m_pCurve) return;
    double p[3], d2[3];
    BCRV_Ev2Der(m_pCurve, DomainEnd(m_pCurve), p, v, d2);
    V3D_Unit(v, 1e-6);
}

void CGeNrbCrv3d::GetTanVecAt(double t, double* p, double* tan, int)
{
    if (!m_pCurve) return;
    double d2[3];
    BCRV_Ev2Der(m_pCurve, t, p, tan, d2);
    V3D_Unit(tan, 1e-6);
}

void CGeNrbCrv3d::Ev2Der(double t, double* p, double* d1, double* d2, unsigned int)
{
    if (!m_pCurve) return;
    if (t <= 1e-10) t = 0.0;
    if (t >= 0.9999999999) t = 1.0;
    BCRV_Ev2Der(m_pCurve, t, p, d1, d2);
}

void CGeNrbCrv3d::Reverse()
{
    if (m_pCurve) m_pCurve->Reverse();
    CGeCurve3d::Reverse();
}

double CGeNrbCrv3d::EvTotalArcLength() { return m_pCurve ? CGeCurve3d::EvTotalArcLength() : 0.0; }

double CGeNrbCrv3d::EvArcLength(double t0, double t1, double tol)
{
    if (!m_pCurve) return 0.0;
    return CNurbsEditor::LengthIn(m_pCurve, t0, t1, tol);
}

int CGeNrbCrv3d::EvParam(double len, double& t, unsigned int&, double)
{
    double lo = 0.0, hi = 1.0;
    for (int round = 0; round < 32; ++round) {
        t = 0.5 * (lo + hi);
        const double l = EvArcLength(0.0, t, 0.02);
        if (std::fabs(l - len) < 0.02) break;
        if (l < len)
            lo = t;
        else
            hi = t;
    }
    return 1;
}

void CGeNrbCrv3d::Split(double t, CGeCurve3d** out, int)
{
    if (!out) return;
    if (t < ge3con::kSplitEndTol) {
        out[0] = nullptr;
        out[1] = static_cast<CGeCurve3d*>(Copy());
        return;
    }
    if (t > 1.0 - ge3con::kSplitEndTol) {
        out[0] = static_cast<CGeCurve3d*>(Copy());
        out[1] = nullptr;
        return;
    }
    if (!m_pCurve) return;
    BCRV* pieces[2] = {nullptr, nullptr};
    CNurbsEditor::Split(t, m_pCurve, pieces);
    for (int i = 0; i < 2; ++i) {
        if (!pieces[i]) continue;
        auto* curve = new CGeNrbCrv3d;
        curve->SetCurve(pieces[i]);
        curve->m_nFlags = m_nFlags;
        out[i] = curve;
    }
}
