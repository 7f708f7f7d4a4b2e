#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeometryChange.h"

#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Conic2D.h"
#include "framework/numerak/Intersect2D.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/ConicCommon.h"
#include "geometry/shapes2d/CurveSnap.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GeHit.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "platform/core/Archive.h"

#include <algorithm>
#include <cmath>

IMPLEMENT_SERIAL(CGeCircle, CObject, 2 | VERSIONABLE_SCHEMA)

namespace {

using conic::kTwoPi;

// A point this far off the circle is not on it.
constexpr double kOnCircleTol = 0.01;
// Transform keeps a circle while the images of its quadrant points stay this
// close to one distance from the image of the centre.
constexpr double kKeepCircleTol = 0.01;
// Radii at or below this are degenerate (offsets).
constexpr double kMinRadius = 1e-6;
// Projection tolerances of the nearest point and the perpendicular.
constexpr double kProjectRadiusTol = 1e-6;
constexpr double kProjectCentreTol = 0.001;

double Dist(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

}  // namespace

CGeCircle::CGeCircle() { m_bClosed = 1; }

CGeCircle::CGeCircle(const double* c, double r, int dir) { Create(c, r, dir); }

CGeCircle::~CGeCircle() = default;

void CGeCircle::Create(const double* c, double r, int dir)
{
    geNoteGeometryChange();
    m_ptCenter[0] = c[0];
    m_ptCenter[1] = c[1];
    m_dRadius = r;
    m_nDir = dir;
    m_bClosed = 1;
    Discrete(gGetCrvDiscTol());
    CalcBox2d();
}

void CGeCircle::Create(CGeCircle* other)
{
    geNoteGeometryChange();
    if (other) Create(other->m_ptCenter, other->m_dRadius, other->m_nDir);
}

int CGeCircle::GetType() const { return 0x8; }

void CGeCircle::Serialize(CArchive& ar)
{
    geNoteGeometryChange();
    CGeCurve::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_ptCenter[0] << m_ptCenter[1] << m_dRadius << m_nDir;
        return;
    }
    ar >> m_ptCenter[0] >> m_ptCenter[1] >> m_dRadius >> m_nDir;
    Discrete(gGetCrvDiscTol());
}

CGeCurve* CGeCircle::Copy()
{
    auto* copy = new CGeCircle(m_ptCenter, m_dRadius, m_nDir);
    copy->m_nHandle = m_nHandle;
    return copy;
}

// ---------------------------------------------------------------------------
// Evaluation

void CGeCircle::GetStartPoint(double* p)
{
    p[0] = m_ptCenter[0] + m_dRadius;
    p[1] = m_ptCenter[1];
}

void CGeCircle::GetEndPoint(double* p) { GetStartPoint(p); }

void CGeCircle::GetPointAt(double t, double* p, unsigned)
{
    const double a = m_nDir ? kTwoPi * t : kTwoPi * (1.0 - t);
    p[0] = m_ptCenter[0] + m_dRadius * std::cos(a);
    p[1] = m_ptCenter[1] + m_dRadius * std::sin(a);
}

void CGeCircle::EvPos(double t, double* p, unsigned seg) { GetPointAt(t, p, seg); }

void CGeCircle::Ev1Der(double t, double* p, double* d1, unsigned seg)
{
    double d2[2];
    Ev2Der(t, p, d1, d2, seg);
}

void CGeCircle::Ev2Der(double t, double* p, double* d1, double* d2, unsigned)
{
    const double a = m_nDir ? kTwoPi * t : kTwoPi * (1.0 - t);
    const double w = m_nDir ? kTwoPi : -kTwoPi;
    const double c = m_dRadius * std::cos(a), s = m_dRadius * std::sin(a);
    p[0] = m_ptCenter[0] + c;
    p[1] = m_ptCenter[1] + s;
    d1[0] = -w * s;
    d1[1] = w * c;
    d2[0] = -w * w * c;
    d2[1] = -w * w * s;
}

void CGeCircle::GetTanVecAt(double t, double* v, unsigned seg)
{
    double p[2];
    GetPointAt(t, p, seg);
    const double r[2] = {p[0] - m_ptCenter[0], p[1] - m_ptCenter[1]};
    if (m_nDir) {
        v[0] = -r[1];
        v[1] = r[0];
    } else {
        v[0] = r[1];
        v[1] = -r[0];
    }
}

int CGeCircle::GetGCPoint(unsigned char kind, double* p, unsigned)
{
    if (kind != 4) return 0;
    GetCenter(p);
    return 1;
}

int CGeCircle::IsPointOn(const double* p, double& t) const
{
    if (std::fabs(Dist(p, m_ptCenter) - m_dRadius) > kOnCircleTol) return 0;
    const double v[2] = {p[0] - m_ptCenter[0], p[1] - m_ptCenter[1]};
    t = V2D_AngletoX(v) / kTwoPi;
    if (!m_nDir) t = 1.0 - t;
    return 1;
}

int CGeCircle::IsClosed(double) { return 1; }

double CGeCircle::EvArcLength(double t0, double t1, unsigned)
{
    return std::fabs((t0 - t1) * m_dRadius * kTwoPi);
}

double CGeCircle::EvTotalArcLength() { return EvArcLength(0.0, 1.0, 1); }

double CGeCircle::EvArea()
{
    const double area = std::numbers::pi * m_dRadius * m_dRadius;
    return m_nDir ? area : -area;
}

int CGeCircle::EvParam(double len, double& t, unsigned& seg, double total)
{
    if (total == 0.0) total = EvTotalArcLength();
    if (total < gecon::kDegenerateTol) return 0;
    if (len > total) {
        // Whole turns come off; a whole multiple ends at the end point.
        len = std::fmod(len, total);
        if (len == 0.0) len = total;
    }
    t = len / total;
    seg = 1;
    return 1;
}

int CGeCircle::GetDiscStep(double tol, double& step)
{
    step = conic::TurnDiscStep(std::fabs(m_dRadius), tol);
    return 1;
}

void CGeCircle::DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double, bool)
{
    if (!pts || !(tol <= m_dRadius)) return;
    if (tol < conic::kMinDiscTol) tol = conic::kMinDiscTol;
    // With tol <= radius a turn has at least 4 chords.
    const int count = conic::TurnCount(m_dRadius, tol);
    if (count <= 0) return;
    const double step = m_nDir ? kTwoPi / count : -kTwoPi / count;
    const double cs = std::cos(step), sn = std::sin(step);

    INT_PTR at = pts->GetSize();
    if (at == 0) pts->SetSize(count + 1, 50);
    else pts->SetSize(at + count + 1);
    tagPoint2d* out = pts->GetData() + at;
    double dx = m_dRadius, dy = 0.0;
    out[0] = {m_ptCenter[0] + dx, m_ptCenter[1]};
    for (int i = 1; i < count; ++i) {
        // Rotating the previous offset costs no sine or cosine per point.
        const double nx = dx * cs - dy * sn;
        dy = dx * sn + dy * cs;
        dx = nx;
        out[i] = {m_ptCenter[0] + dx, m_ptCenter[1] + dy};
    }
    out[count] = out[0];
}

void CGeCircle::CalcBox2d()
{
    const double r = std::fabs(m_dRadius);
    m_box.xmin = m_ptCenter[0] - r;
    m_box.xmax = m_ptCenter[0] + r;
    m_box.ymin = m_ptCenter[1] - r;
    m_box.ymax = m_ptCenter[1] + r;
}

// ---------------------------------------------------------------------------
// Nearest, perpendicular and tangent points

int CGeCircle::GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist)
{
    seg = 1;
    if (!C2D_PrjPnt(m_ptCenter, m_dRadius, p, out, kProjectRadiusTol, kProjectCentreTol)) return 0;
    dist = Dist(p, out);
    const double v[2] = {p[0] - m_ptCenter[0], p[1] - m_ptCenter[1]};
    t = V2D_AngletoX(v) / kTwoPi;
    if (!m_nDir) t = 1.0 - t;
    return 1;
}

int CGeCircle::GetPerpPt(double* p, double* out, double& t, unsigned& seg)
{
    seg = 1;
    double dir[2];
    if (!V2D_GenUnit(m_ptCenter, p, gecon::kDegenerateTol, dir)) return 0;
    double hits[4];
    const int n = Isect_LineCir(m_ptCenter, dir, m_ptCenter, m_dRadius, gecon::kDegenerateTol, hits);
    if (n <= 0) return 0;
    int pick = 0;
    if (n == 2 && Dist(hits + 2, out) < Dist(hits, out)) pick = 1;
    out[0] = hits[2 * pick];
    out[1] = hits[2 * pick + 1];
    return IsPointOn(out, t);
}

int CGeCircle::GetTanPt(double* p, double& t, int& seg, double* out)
{
    double t1[2], t2[2];
    if (!C2D_GetTanPt(m_ptCenter, m_dRadius, p, t1, t2)) return 0;
    seg = 1;
    double u1 = 0.0, u2 = 0.0;
    IsPointOn(t1, u1);
    IsPointOn(t2, u2);
    t = std::fabs(u1 - t) <= std::fabs(u2 - t) ? u1 : u2;
    GetPointAt(t, out, 1);
    return 1;
}

// ---------------------------------------------------------------------------
// Editing and conversion

void CGeCircle::Reverse()
{
    geNoteGeometryChange();
    m_nDir = m_nDir == 1 ? 0 : 1;
    CGeCurve::Reverse();
}

CGeCurve* CGeCircle::Offset(double d)
{
    const double r = m_nDir == 1 ? m_dRadius - d : m_dRadius + d;
    if (r <= kMinRadius) return nullptr;
    return new CGeCircle(m_ptCenter, r, m_nDir);
}

void CGeCircle::Split(double t, CGeCurve** out, int, int)
{
    if (!(t >= 0.0 && t <= 1.0)) return;
    double p[2], s[2];
    GetPointAt(t, p, 1);
    GetStartPoint(s);
    // A cut at the start leaves nothing to split: no empty or doubled full turns.
    if (Dist(p, s) < gecon::kDegenerateTol) {
        out[0] = out[1] = nullptr;
        return;
    }
    const int ccw = m_nDir == 1 ? 1 : 0;
    auto* first = new CGeArc;
    if (!first->CreateCSE(m_ptCenter, s, p, ccw)) {
        delete first;
        first = nullptr;
    }
    auto* second = new CGeArc;
    if (!second->CreateCSE(m_ptCenter, p, s, ccw)) {
        delete second;
        second = nullptr;
    }
    out[0] = first;
    out[1] = second;
}

CGeArc* CGeCircle::ToArc()
{
    auto* arc = new CGeArc;
    if (!arc->CreateCSEAngle(m_ptCenter, m_dRadius, 0.0, m_nDir == 1 ? kTwoPi : -kTwoPi)) {
        delete arc;
        return nullptr;
    }
    return arc;
}

CGeEllipse* CGeCircle::ToEllipse() { return new CGeEllipse(m_ptCenter, m_dRadius, m_dRadius, 0.0, 1); }

CGeBezier* CGeCircle::ToBezier()
{
    const double k = gecon::kCircleBezierKappa;
    const double cx = m_ptCenter[0], cy = m_ptCenter[1], r = m_dRadius;
    double pts[13][2] = {
        {cx + r, cy},         {cx + r, cy + k * r}, {cx + k * r, cy + r}, {cx, cy + r},
        {cx - k * r, cy + r}, {cx - r, cy + k * r}, {cx - r, cy},         {cx - r, cy - k * r},
        {cx - k * r, cy - r}, {cx, cy - r},         {cx + k * r, cy - r}, {cx + r, cy - k * r},
        {cx + r, cy},
    };
    if (m_nDir == 0) std::reverse(std::begin(pts), std::end(pts));
    auto* bez = new CGeBezier;
    if (!bez->CreateEx(13, pts)) {
        delete bez;
        return nullptr;
    }
    bez->SetClosedFlag(1);
    return bez;
}

// ---------------------------------------------------------------------------
// Transforms

void CGeCircle::Translate(double* offset)
{
    geNoteGeometryChange();
    m_ptCenter[0] += offset[0];
    m_ptCenter[1] += offset[1];
    CGeCurve::Translate(offset);
}

void CGeCircle::Rotate(double* centre, double angle)
{
    geNoteGeometryChange();
    P2D_Rot(centre, angle, m_ptCenter, m_ptCenter);
    CGeCurve::Rotate(centre, angle);
}

void CGeCircle::Mirror(double* p, double* q)
{
    geNoteGeometryChange();
    // The turning sense is kept: a mirrored circle keeps the sign of its area.
    P2D_Mirr(p, q, m_ptCenter, m_ptCenter);
    CGeCurve::Mirror(p, q);
}

CGeCurve* CGeCircle::Scale(double* centre, double* factors)
{
    geNoteGeometryChange();
    CGeCurve::Scale(centre, factors);
    const double c[2] = {centre[0] + (m_ptCenter[0] - centre[0]) * factors[0],
                         centre[1] + (m_ptCenter[1] - centre[1]) * factors[1]};
    if (std::fabs(factors[0] - factors[1]) < gecon::kDegenerateTol) {
        m_ptCenter[0] = c[0];
        m_ptCenter[1] = c[1];
        m_dRadius = std::fabs(factors[0]) * m_dRadius;
        Discrete(gGetCrvDiscTol());
        return this;
    }
    // Semi-axes are lengths: a negative factor mirrors, it does not make them negative.
    return new CGeEllipse(c, std::fabs(m_dRadius * factors[0]), std::fabs(m_dRadius * factors[1]), 0.0, 1);
}

CGeCurve* CGeCircle::Shear(double* base, double* factors)
{
    geNoteGeometryChange();
    CGeCurve::Shear(base, factors);
    CGeBezier* bez = ToBezier();
    if (!bez) return nullptr;
    return conic::Keep(bez, bez->Shear(base, factors));
}

CGeCurve* CGeCircle::Transform(double m[3][3], unsigned flags)
{
    geNoteGeometryChange();
    double c[2];
    MAT33_MultPt(m_ptCenter, c, m);
    double r0 = 0.0;
    for (int i = 0; i < 4; ++i) {
        double p[2];
        GetPointAt(0.25 * i, p, 1);
        MAT33_MultPt(p, p, m);
        const double r = Dist(c, p);
        if (i == 0) {
            r0 = r;
        } else if (std::fabs(r - r0) > kKeepCircleTol) {
            CGeBezier* bez = ToBezier();
            if (!bez) return this;
            return conic::Keep(bez, bez->Transform(m, flags));
        }
    }
    m_ptCenter[0] = c[0];
    m_ptCenter[1] = c[1];
    m_dRadius = r0;
    return CGeCurve::Transform(m, flags);
}

// ---------------------------------------------------------------------------
// Drawing, picking and snapping

void CGeCircle::Draw(Direct2DHandler*, int) {}

void CGeCircle::Draw(CDC* dc, int)
{
    CLooker* looker = gGetLooker();
    if (!dc || !looker) return;
    EnsureDisplay(gGetCrvDiscTol());
    if (!HasDisplay()) return;
    conic::DrawTurn(m_pSWPoint.get(), m_nSWPoint, m_dRadius, dc, looker);
}

void CGeCircle::DrawNode(CDC* dc, int, int)
{
    CLooker* looker = gGetLooker();
    if (!dc || !looker) return;
    double s[2];
    GetStartPoint(s);
    conic::DrawStartMark(dc, looker, s);
    conic::DrawSquareMark(dc, looker, m_ptCenter);
}

int CGeCircle::Pick(CPickRay& ray, int bCheckType)
{
    if (bCheckType && (GetType() & ray.m_nTypeMask) == 0) return 0;
    if (!ray.m_b2D) return CGeCurve::Pick(ray, 0);
    const double d = std::fabs(Dist(ray.m_pt, m_ptCenter) - m_dRadius);
    if (!(d < ray.m_dAperture)) return 0;
    ray.m_dDist = std::min(d, ray.m_dDist);
    return 1;
}

int CGeCircle::GetSnapPos(CSnapAt* snap, CSnapResult& result)
{
    if (!curvesnap::CanSnap(snap)) return 0;
    const int before = result.GetSize();
    const int mode = snap->m_nSnapMode;
    const double ap = snap->m_dAperture;
    const CSnapBase& base = *snap->m_pBase;

    if (mode & kSnapCen) {
        bool pushed = false;
        if (curvesnap::PassesAxisTest(snap, m_ptCenter)) {
            result.PushBackCen(curvesnap::At(m_ptCenter));
            pushed = true;
        }
        if (!pushed) {
            bool take = snap->IsSnapPoint(m_ptCenter, 2) != 0;
            if (!take) {
                // The cursor just inside the circle also offers the centre.
                double out[2], t = 0.0, dist = gecon::kNoDistanceBound;
                unsigned seg = 1;
                const double d = Dist(snap->m_ptCursor, m_ptCenter);
                take = GetNearestPoint(snap->m_ptCursor, out, t, seg, dist) && m_dRadius - ap > d &&
                       d > m_dRadius - 2.0 * ap;
            }
            if (take) result.PushBackCen(curvesnap::At(m_ptCenter));
        }
    }
    if (mode & kSnapNear) {
        double out[2], t = 0.0, dist = gecon::kNoDistanceBound;
        unsigned seg = 1;
        if (GetNearestPoint(snap->m_ptCursor, out, t, seg, dist) && dist < ap)
            result.PushBackNear(curvesnap::At(out));
    }
    if (mode & kSnapQuad) {
        double q[4][2];
        bool any = false;
        for (int i = 0; i < 4; ++i) {
            GetPointAt(0.25 * i, q[i], 1);
            if (snap->IsSnapPoint(q[i], 2)) {
                result.PushBackQuad(curvesnap::At(q[i]));
                any = true;
            }
        }
        if (!any)
            for (const auto& p : q)
                if (curvesnap::PassesAxisTest(snap, p)) result.PushBackQuad(curvesnap::At(p));
    }
    if ((mode & kSnapTan) && base.m_bHasBase) {
        double t1[2], t2[2];
        if (C2D_GetTanPt(m_ptCenter, m_dRadius, base.m_ptBase, t1, t2)) {
            if (snap->IsSnapPoint(t1, 2)) result.PushBackTan(curvesnap::At(t1));
            if (snap->IsSnapPoint(t2, 2)) result.PushBackTan(curvesnap::At(t2));
        }
    }
    if ((mode & kSnapPerp) && base.m_bHasBase) {
        double foot[2];
        if (C2D_PrjPnt(m_ptCenter, m_dRadius, base.m_ptBase, foot, kProjectRadiusTol, kProjectCentreTol) &&
            snap->IsSnapPoint(foot, 2))
            result.PushBackPerp(curvesnap::At(foot));
    }
    return result.GetSize() > before ? 1 : 0;
}
