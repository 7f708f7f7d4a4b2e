#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GeometryChange.h"

#include "framework/looker/Direct2DHandler.h"
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
#include "geometry/shapes2d/CurveBiArcFit.h"
#include "geometry/shapes2d/CurveListMerge.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeHit.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "platform/core/Archive.h"

#include <algorithm>
#include <cmath>

IMPLEMENT_SERIAL(CGeEllipse, CObject, 2 | VERSIONABLE_SCHEMA)

namespace {

using conic::kTwoPi;
constexpr double kPi = std::numbers::pi;

constexpr int kBezierType = 0x20;
// Rotations this close to 0 or 2 pi count as axis-parallel for Scale.
constexpr double kAxisParallelTol = 1e-6;
// EvParam: lengths this close to 0 or the total give the ends; the bisection
// stops when its bracket is this narrow and the length this close, or after
// the round limit.
constexpr double kParamEndTol = 1e-6;
constexpr double kParamBracket = 0.003;
constexpr double kParamLengthTol = 0.01;
constexpr int kParamRounds = 33;
// Perpendicular foot: Newton convergence distance and round limit.
constexpr double kPerpEps = 0.002;
constexpr double kPerpStepTol = 0.01;
// Partial arc lengths: adaptive Simpson to this fraction of the ellipse's size,
// starting from this many panels per unit of parameter.
constexpr double kArcRelTol = 1e-11;
constexpr int kArcPanels = 16;
constexpr int kArcMaxDepth = 40;
// ToBezier(t0, t1) and ToPolyline(t0, t1): parameters this close to the ends snap.
constexpr double kPartEndTol = 0.0001;

double Dist(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

// Perimeter of the ellipse with semi-axes a and b from the arithmetic-geometric
// mean: P = 2 pi (a^2 - sum 2^(n-1) c_n^2) / AGM(a, b), c_0^2 = a^2 - b^2.
double Perimeter(double a, double b)
{
    a = std::fabs(a);
    b = std::fabs(b);
    if (a < b) std::swap(a, b);
    if (!(a > 0.0)) return 0.0;
    if (!(b > 0.0)) return 4.0 * a;  // the flat ellipse: twice across and back
    double an = a, bn = b, weight = 0.5, sum = 0.5 * (a * a - b * b);
    for (int i = 0; i < 64; ++i) {
        const double cn = 0.5 * (an - bn);
        const double next = 0.5 * (an + bn);
        bn = std::sqrt(an * bn);
        an = next;
        weight *= 2.0;
        sum += weight * cn * cn;
        if (!(std::fabs(cn) > 1e-17 * a)) break;
    }
    return kTwoPi * (a * a - sum) / an;
}

}  // namespace

CGeEllipse::CGeEllipse() { m_bClosed = 1; }

CGeEllipse::CGeEllipse(const double* c, double a, double b, double rot, int dir) { Create(c, a, b, rot, dir); }

CGeEllipse::~CGeEllipse() = default;

void CGeEllipse::Create(const double* c, double a, double b, double rot, int dir)
{
    geNoteGeometryChange();
    m_ptCenter[0] = c[0];
    m_ptCenter[1] = c[1];
    m_dA = a;
    m_dB = b;
    m_dRot = rot;
    m_nDir = dir;
    m_bClosed = 1;
    Discrete(gGetCrvDiscTol());
}

void CGeEllipse::Create(CGeEllipse* other)
{
    geNoteGeometryChange();
    if (other) Create(other->m_ptCenter, other->m_dA, other->m_dB, other->m_dRot, other->m_nDir);
}

int CGeEllipse::GetType() const { return 0x10; }

void CGeEllipse::Serialize(CArchive& ar)
{
    geNoteGeometryChange();
    CGeCurve::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_ptCenter[0] << m_ptCenter[1] << m_dA << m_dB << m_dRot << m_nDir;
        return;
    }
    ar >> m_ptCenter[0] >> m_ptCenter[1] >> m_dA >> m_dB >> m_dRot >> m_nDir;
    Discrete(gGetCrvDiscTol());
}

CGeCurve* CGeEllipse::Copy()
{
    auto* copy = new CGeEllipse(m_ptCenter, m_dA, m_dB, m_dRot, m_nDir);
    copy->m_nHandle = m_nHandle;
    return copy;
}

// ---------------------------------------------------------------------------
// Evaluation

void CGeEllipse::GetStartPoint(double* p) { E2D_EvPos(m_ptCenter, m_dA, m_dB, m_dRot, 0.0, p); }

void CGeEllipse::GetEndPoint(double* p) { GetStartPoint(p); }

void CGeEllipse::GetPointAt(double t, double* p, unsigned seg) { EvPos(t, p, seg); }

void CGeEllipse::EvPos(double t, double* p, unsigned)
{
    E2D_EvPos(m_ptCenter, m_dA, m_dB, m_dRot, m_nDir == 0 ? 1.0 - t : t, p);
}

void CGeEllipse::Ev1Der(double t, double* p, double* d1, unsigned)
{
    E2D_Ev1Der(m_ptCenter, m_dA, m_dB, m_dRot, m_nDir == 0 ? 1.0 - t : t, p, d1);
    if (m_nDir == 0) {
        d1[0] = -d1[0];
        d1[1] = -d1[1];
    }
}

void CGeEllipse::Ev2Der(double t, double* p, double* d1, double* d2, unsigned)
{
    E2D_Ev2Der(m_ptCenter, m_dA, m_dB, m_dRot, m_nDir == 0 ? 1.0 - t : t, p, d1, d2);
    if (m_nDir == 0) {
        d1[0] = -d1[0];
        d1[1] = -d1[1];
    }
}

void CGeEllipse::GetTanVecAt(double t, double* v, unsigned seg)
{
    double p[2];
    Ev1Der(t, p, v, seg);
}

int CGeEllipse::GetGCPoint(unsigned char kind, double* p, unsigned)
{
    if (kind != 4) return 0;
    GetCenter(p);
    return 1;
}

int CGeEllipse::IsClosed(double) { return 1; }

double CGeEllipse::EvArea()
{
    const double area = kPi * m_dA * m_dB;
    return m_nDir == 0 ? -area : area;
}

// ---------------------------------------------------------------------------
// Lengths

double CGeEllipse::EvArcLength(double t0, double t1, unsigned)
{
    if (!(t1 > t0)) return 0.0;
    const double eps = kArcRelTol * (std::fabs(m_dA) + std::fabs(m_dB));
    // Speed along the parameter: the length of the tangent vector.
    auto speed = [this](double t) {
        double p[2], d[2];
        Ev1Der(t, p, d, 1);
        return std::hypot(d[0], d[1]);
    };
    // Adaptive Simpson; a NaN estimate ends the refinement like a converged one.
    auto simpson = [&](auto&& self, double a, double b, double fa, double fm, double fb, double whole, double tol,
                       int depth) -> double {
        const double m = 0.5 * (a + b);
        const double lm = 0.5 * (a + m), rm = 0.5 * (m + b);
        const double flm = speed(lm), frm = speed(rm);
        const double left = (m - a) / 6.0 * (fa + 4.0 * flm + fm);
        const double right = (b - m) / 6.0 * (fm + 4.0 * frm + fb);
        const double diff = left + right - whole;
        if (depth <= 0 || !(std::fabs(diff) > 15.0 * tol)) return left + right + diff / 15.0;
        return self(self, a, m, fa, flm, fm, left, 0.5 * tol, depth - 1) +
               self(self, m, b, fm, frm, fb, right, 0.5 * tol, depth - 1);
    };
    const int panels = std::clamp(static_cast<int>(std::ceil((t1 - t0) * kArcPanels)), 1, 1 << 16);
    const double h = (t1 - t0) / panels;
    double sum = 0.0, fa = speed(t0);
    for (int i = 0; i < panels; ++i) {
        const double a = t0 + i * h, b = i + 1 == panels ? t1 : a + h;
        const double fm = speed(0.5 * (a + b)), fb = speed(b);
        const double whole = (b - a) / 6.0 * (fa + 4.0 * fm + fb);
        sum += simpson(simpson, a, b, fa, fm, fb, whole, eps / panels, kArcMaxDepth);
        fa = fb;
    }
    return sum;
}

double CGeEllipse::EvTotalArcLength() { return Perimeter(m_dA, m_dB); }

int CGeEllipse::EvParam(double len, double& t, unsigned& seg, double total)
{
    seg = 1;
    if (total == 0.0) total = EvTotalArcLength();
    if (!(total > 0.0)) {
        t = 0.0;  // a degenerate ellipse has no length to walk
        return 1;
    }
    if (len > total) {
        len = std::fmod(len, total);
        if (len == 0.0) len = total;
    }
    if (len < kParamEndTol) {
        t = 0.0;
        return 1;
    }
    if (std::fabs(total - len) < kParamEndTol) {
        t = 1.0;
        return 1;
    }
    double lo = 0.0, hi = 1.0;
    t = len / total;
    for (int round = 0; round < kParamRounds; ++round) {
        const double g = EvArcLength(0.0, t, 1);
        if (hi - lo < kParamBracket && std::fabs(g - len) < kParamLengthTol) break;
        if (len > g)
            lo = t;
        else
            hi = t;
        t = 0.5 * (lo + hi);
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Discretisation

int CGeEllipse::GetDiscStep(double tol, double& step)
{
    step = conic::TurnDiscStep(std::max(m_dA, m_dB), tol);
    return 1;
}

void CGeEllipse::DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double, bool)
{
    if (!pts) return;
    if (tol < conic::kMinDiscTol) tol = conic::kMinDiscTol;
    // No points for a tolerance above twice the larger semi-axis or a degenerate ellipse.
    const int count = conic::TurnCount(std::max(m_dA, m_dB), tol);
    if (count < 1) return;
    const double step = m_nDir == 0 ? -kTwoPi / count : kTwoPi / count;
    const double cr = std::cos(m_dRot), sr = std::sin(m_dRot);

    const INT_PTR at = pts->GetSize();
    if (at == 0)
        pts->SetSize(count + 1, 50);
    else
        pts->SetSize(at + count + 1);
    tagPoint2d* out = pts->GetData() + at;
    for (int i = 0; i <= count; ++i) {
        const double th = i == count ? 0.0 : i * step;  // the last point closes exactly
        const double x = m_dA * std::cos(th), y = m_dB * std::sin(th);
        out[i] = {m_ptCenter[0] + cr * x - sr * y, m_ptCenter[1] + sr * x + cr * y};
    }
}

// ---------------------------------------------------------------------------
// Nearest, tangent and perpendicular points

int CGeEllipse::GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist)
{
    seg = 1;
    if (E2D_GetNearestPt(m_dA, m_dB, m_ptCenter, m_dRot, p, out, t, dist) != 1) return 0;
    if (m_nDir == 0) t = 1.0 - t;
    return 1;
}

int CGeEllipse::GetTanPt(double* p, double& t, int& seg, double* out)
{
    seg = 1;
    if (!SearchTanPt(p, t, 1, out)) return 0;
    // Settle the point exactly on the ellipse along the tangent line.
    double hits[4];
    int count = 0;
    if (Isect_LineEllEx(p, out, m_ptCenter, m_dA, m_dB, m_dRot, gecon::kDegenerateTol, hits, &count) &&
        (count == 1 || count == 2)) {
        out[0] = hits[0];
        out[1] = hits[1];
        double u = 0.0;
        if (E2D_GetParamEx(m_ptCenter, m_dA, m_dB, m_dRot, out, u)) t = m_nDir == 0 ? 1.0 - u : u;
    }
    return 1;
}

int CGeEllipse::GetPerpPt(double* p, double* out, double& t, unsigned& seg)
{
    seg = 1;
    double d[2];
    for (int round = 0; round < gecon::kNewtonMaxRounds; ++round) {
        Ev1Der(t, out, d, 1);
        const double e[2] = {p[0] - out[0], p[1] - out[1]};
        if (std::hypot(e[0], e[1]) < kPerpEps) return 1;
        const double len = std::hypot(d[0], d[1]);
        if (len < gecon::kDegenerateTol) return 0;
        const double c = (d[0] * e[0] + d[1] * e[1]) / len;
        if (std::fabs(c) < kPerpEps) return 1;
        double s = t + c / len;
        if (s < 0.0)
            s += 1.0;
        else if (s > 1.0)
            s -= 1.0;
        if (std::fabs(s - t) < kPerpStepTol) return 1;
        t = s;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Editing

void CGeEllipse::Reverse()
{
    geNoteGeometryChange();
    m_nDir = m_nDir == 1 ? 0 : 1;
    CGeCurve::Reverse();
}

CGeCurve* CGeEllipse::Offset(double) { return nullptr; }

CGeBezier* CGeEllipse::ToBezier()
{
    const double k = gecon::kEllipseBezierKappa;
    const double cx = m_ptCenter[0], cy = m_ptCenter[1], a = m_dA, b = m_dB;
    const double ka = k * a, kb = k * b;
    double pts[13][2] = {
        {cx + a, cy},      {cx + a, cy + kb}, {cx + ka, cy + b}, {cx, cy + b},      {cx - ka, cy + b},
        {cx - a, cy + kb}, {cx - a, cy},      {cx - a, cy - kb}, {cx - ka, cy - b}, {cx, cy - b},
        {cx + ka, cy - b}, {cx + a, cy - kb}, {cx + a, cy},
    };
    if (m_nDir == 0) std::reverse(std::begin(pts), std::end(pts));
    P2D_Rot(m_ptCenter, std::cos(m_dRot), std::sin(m_dRot), 13, &pts[0][0]);
    auto* bez = new CGeBezier;
    if (!bez->CreateEx(13, pts)) {
        delete bez;
        return nullptr;
    }
    bez->SetClosedFlag(1);
    return bez;
}

void CGeEllipse::Split(double t, CGeCurve** out, int, int)
{
    if (!(t >= 0.0 && t <= 1.0)) return;
    double p[2];
    GetPointAt(t, p, 1);
    CGeBezier* bez = ToBezier();
    if (!bez) return;
    double near[2], u = 0.0, dist = gecon::kNoDistanceBound;
    unsigned seg = 1;
    if (bez->GetNearestPoint(p, near, u, seg, dist)) bez->Split(u, out, static_cast<int>(seg), 1);
    delete bez;
}

void CGeEllipse::SplitEx(double t, CGeCurve** out, int, int)
{
    if (!(t >= 0.0 && t <= 1.0)) return;
    double p[2];
    GetPointAt(t, p, 1);
    CArray<tagPoint2d, tagPoint2d> pts;
    DiscreteInArray(gGetCrvDiscTol(), &pts, gecon::kThinAngle170, true);
    CGePolyline poly;
    if (!poly.Create(&pts)) return;
    double near[2], u = 0.0, dist = gecon::kNoDistanceBound;
    unsigned seg = 1;
    if (!poly.GetNearestPoint(p, near, u, seg, dist)) return;
    out[0] = out[1] = nullptr;
    poly.Split(u, out, static_cast<int>(seg), 1);
}

namespace {

// A piece of a spline split, as a spline; anything else is deleted.
CGeBezier* AsBezier(CGeCurve* c)
{
    if (c && c->GetType() == kBezierType) return static_cast<CGeBezier*>(c);
    delete c;
    return nullptr;
}

}  // namespace

CGeBezier* CGeEllipse::ToBezier(double t0, double t1, CGeBezier*& rest)
{
    rest = nullptr;
    CGeCurve* parts[2] = {nullptr, nullptr};
    if (std::fabs(t0) < kPartEndTol) {
        Split(t1, parts, 1, 1);
        rest = AsBezier(parts[1]);
        return AsBezier(parts[0]);
    }
    if (std::fabs(t1 - 1.0) < kPartEndTol) {
        Split(t0, parts, 1, 1);
        rest = AsBezier(parts[0]);
        return AsBezier(parts[1]);
    }
    Split(t0, parts, 1, 1);
    CGeBezier* head = AsBezier(parts[0]);
    CGeBezier* tail = AsBezier(parts[1]);
    if (!tail) {
        delete head;
        return nullptr;
    }
    double p[2], near[2], u = 0.0, dist = gecon::kNoDistanceBound;
    unsigned seg = 1;
    GetPointAt(t1, p, 1);
    CGeCurve* pieces[2] = {nullptr, nullptr};
    if (tail->GetNearestPoint(p, near, u, seg, dist)) tail->Split(u, pieces, static_cast<int>(seg), 1);
    delete tail;
    CGeBezier* middle = AsBezier(pieces[0]);
    // The rest runs from t1 round through the start to t0.
    CTypedPtrList<CObList, CGeCurve*> list;
    if (pieces[1]) list.AddTail(pieces[1]);
    if (head) list.AddTail(head);
    rest = geMergeBezier(&list);
    DeleteOwnedList(list);
    return middle;
}

CGeCurve* CGeEllipse::ToPolyline(double t0, double t1, CGeCurve*& rest)
{
    rest = nullptr;
    CGeCurve* parts[2] = {nullptr, nullptr};
    if (std::fabs(t0) < kPartEndTol) {
        SplitEx(t1, parts, 1, 1);
        rest = parts[1];
        return parts[0];
    }
    if (std::fabs(t1 - 1.0) < kPartEndTol) {
        SplitEx(t0, parts, 1, 1);
        rest = parts[0];
        return parts[1];
    }
    SplitEx(t0, parts, 1, 1);
    CGeCurve* head = parts[0];
    CGeCurve* tail = parts[1];
    if (!tail) {
        delete head;
        return nullptr;
    }
    double p[2], near[2], u = 0.0, dist = gecon::kNoDistanceBound;
    unsigned seg = 1;
    GetPointAt(t1, p, 1);
    CGeCurve* pieces[2] = {nullptr, nullptr};
    if (tail->GetNearestPoint(p, near, u, seg, dist)) tail->Split(u, pieces, static_cast<int>(seg), 1);
    delete tail;
    CTypedPtrList<CObList, CGeCurve*> list;
    if (pieces[1]) list.AddTail(pieces[1]);
    if (head) list.AddTail(head);
    rest = geMergeLine(&list);
    DeleteOwnedList(list);
    return pieces[0];
}

void CGeEllipse::BiArcAppx(double tol, CTypedPtrList<CObList, CGeCurve*>* out)
{
    if (!out) return;
    gebiarc::FitDiscretised(*this, tol, out);
}

// ---------------------------------------------------------------------------
// Transforms

void CGeEllipse::Translate(double* offset)
{
    geNoteGeometryChange();
    m_ptCenter[0] += offset[0];
    m_ptCenter[1] += offset[1];
    CGeCurve::Translate(offset);
}

void CGeEllipse::Rotate(double* centre, double angle)
{
    geNoteGeometryChange();
    double s[2];
    GetStartPoint(s);
    P2D_Rot(centre, angle, s, s);
    P2D_Rot(centre, angle, m_ptCenter, m_ptCenter);
    const double v[2] = {s[0] - m_ptCenter[0], s[1] - m_ptCenter[1]};
    m_dRot = V2D_AngletoX(v);
    CGeCurve::Rotate(centre, angle);
}

void CGeEllipse::Mirror(double* p, double* q)
{
    geNoteGeometryChange();
    double s[2];
    GetStartPoint(s);
    P2D_Mirr(p, q, s, s);
    P2D_Mirr(p, q, m_ptCenter, m_ptCenter);
    const double v[2] = {s[0] - m_ptCenter[0], s[1] - m_ptCenter[1]};
    m_dRot = V2D_AngletoX(v);
    m_nDir = m_nDir == 1 ? 0 : 1;  // a mirror image runs the other way round
    CGeCurve::Mirror(p, q);
}

CGeCurve* CGeEllipse::Scale(double* centre, double* factors)
{
    geNoteGeometryChange();
    if (!(std::fabs(m_dRot) < kAxisParallelTol || std::fabs(m_dRot - kTwoPi) < kAxisParallelTol)) {
        CGeBezier* bez = ToBezier();
        if (!bez) return nullptr;
        return conic::Keep(bez, bez->Scale(centre, factors));
    }
    double s[2], q[2];
    GetStartPoint(s);
    GetPointAt(0.25, q, 1);
    auto scale = [&](double* p) {
        p[0] = centre[0] + (p[0] - centre[0]) * factors[0];
        p[1] = centre[1] + (p[1] - centre[1]) * factors[1];
    };
    scale(s);
    scale(q);
    scale(m_ptCenter);
    const double v[2] = {s[0] - m_ptCenter[0], s[1] - m_ptCenter[1]};
    m_dRot = V2D_AngletoX(v);
    m_dA = Dist(m_ptCenter, s);
    m_dB = Dist(m_ptCenter, q);
    // A scale with one negative factor is a mirror: the image runs the other way round.
    if (factors[0] * factors[1] < 0.0) m_nDir = m_nDir == 1 ? 0 : 1;
    CGeCurve::Scale(centre, factors);
    return this;
}

CGeCurve* CGeEllipse::Shear(double* base, double* factors)
{
    geNoteGeometryChange();
    CGeBezier* bez = ToBezier();
    if (!bez) return nullptr;
    return conic::Keep(bez, bez->Shear(base, factors));
}

CGeCurve* CGeEllipse::Transform(double m[3][3], unsigned flags)
{
    geNoteGeometryChange();
    if (MAT33_IsTrans(m) || MAT33_IsRotate(m) || MAT33_IsEqScale(m)) {
        double s[2], q[2];
        GetStartPoint(s);
        GetPointAt(0.25, q, 1);
        MAT33_MultPt(s, s, m);
        MAT33_MultPt(q, q, m);
        MAT33_MultPt(m_ptCenter, m_ptCenter, m);
        const double v[2] = {s[0] - m_ptCenter[0], s[1] - m_ptCenter[1]};
        m_dRot = V2D_AngletoX(v);
        m_dA = Dist(m_ptCenter, s);
        m_dB = Dist(m_ptCenter, q);
        return CGeCurve::Transform(m, flags);
    }
    CGeBezier* bez = ToBezier();
    if (!bez) return this;
    return conic::Keep(bez, bez->Transform(m, flags));
}

// ---------------------------------------------------------------------------
// Drawing, picking and snapping

void CGeEllipse::Draw(Direct2DHandler* handler, int)
{
    CLooker* looker = gGetLooker();
    if (!handler || !looker) return;
    double c[2];
    looker->WorldtoScreen2D(m_ptCenter, c);
    int ra = 0, rb = 0;
    looker->WorldtoScreen(m_dA, ra);
    looker->WorldtoScreen(m_dB, rb);
    D2DRenderTarget* target = handler->GetRenderTarget();
    if (!target) return;
    D2DEllipse e;
    e.point.x = static_cast<float>(c[0]);
    e.point.y = static_cast<float>(c[1]);
    e.radiusX = static_cast<float>(ra);
    e.radiusY = static_cast<float>(rb);
    // The target draws axis-parallel ellipses, so the rotation goes on its
    // transform, about the centre and ahead of whatever transform it has. The
    // angle is taken from the screen image of the a axis direction so the
    // view's flipped y axis turns it the right way.
    const double axis[2] = {m_ptCenter[0] + std::cos(m_dRot), m_ptCenter[1] + std::sin(m_dRot)};
    double s[2];
    looker->WorldtoScreen2D(axis, s);
    const double dx = s[0] - c[0], dy = s[1] - c[1];
    const double screenRot = (dx == 0.0 && dy == 0.0) ? 0.0 : std::atan2(dy, dx);
    D2DMatrix3x2 previous;
    target->GetTransform(&previous);
    const float degrees = static_cast<float>(screenRot * 180.0 / kPi);
    target->SetTransform(D2DMatrix3x2::Rotation(degrees, e.point) * previous);
    handler->DrawEllipse(e, 1.0f, nullptr);
    target->SetTransform(previous);
}

void CGeEllipse::Draw(CDC* dc, int)
{
    CLooker* looker = gGetLooker();
    if (!dc || !looker) return;
    EnsureDisplay(gGetCrvDiscTol());
    if (!HasDisplay()) return;
    conic::DrawTurn(m_pSWPoint.get(), m_nSWPoint, std::max(m_dA, m_dB), dc, looker);
}

void CGeEllipse::DrawNode(CDC* dc, int, int)
{
    CLooker* looker = gGetLooker();
    if (!dc || !looker) return;
    double s[2], q[2];
    GetStartPoint(s);
    GetPointAt(0.25, q, 1);
    conic::DrawStartMark(dc, looker, s);
    conic::DrawSquareMark(dc, looker, m_ptCenter);
    conic::DrawSquareMark(dc, looker, q);
}

int CGeEllipse::Pick(CPickRay& ray, int bCheckType)
{
    if (bCheckType && (GetType() & ray.m_nTypeMask) == 0) return 0;
    return CGeCurve::Pick(ray, 0);
}

int CGeEllipse::GetSnapPos(CSnapAt* snap, CSnapResult& result)
{
    if (!curvesnap::CanSnap(snap)) return 0;
    const int before = result.GetSize();
    const int mode = snap->m_nSnapMode;
    const CSnapBase& base = *snap->m_pBase;
    auto offered = [snap](const double* p) { return snap->IsSnapPoint(p, 2) || curvesnap::PassesAxisTest(snap, p); };

    if ((mode & kSnapCen) && offered(m_ptCenter)) result.PushBackCen(curvesnap::At(m_ptCenter));
    if (mode & kSnapNear) {
        double out[2], t = 0.0, dist = gecon::kNoDistanceBound;
        unsigned seg = 1;
        if (GetNearestPoint(snap->m_ptCursor, out, t, seg, dist) && dist < snap->m_dAperture)
            result.PushBackNear(curvesnap::At(out));
    }
    if (mode & kSnapQuad) {
        // Axis ends in the order +a, +b, -a, -b.
        const double ca = std::cos(m_dRot), sa = std::sin(m_dRot);
        const double ax[2] = {m_dA * ca, m_dA * sa}, bx[2] = {-m_dB * sa, m_dB * ca};
        const double ends[4][2] = {{m_ptCenter[0] + ax[0], m_ptCenter[1] + ax[1]},
                                   {m_ptCenter[0] + bx[0], m_ptCenter[1] + bx[1]},
                                   {m_ptCenter[0] - ax[0], m_ptCenter[1] - ax[1]},
                                   {m_ptCenter[0] - bx[0], m_ptCenter[1] - bx[1]}};
        for (const auto& p : ends)
            if (offered(p)) result.PushBackQuad(curvesnap::At(p));
    }
    if ((mode & kSnapTan) && base.m_bHasBase) {
        double out[2], t = 0.0, dist = gecon::kNoDistanceBound;
        unsigned seg = 1;
        if (GetNearestPoint(snap->m_ptCursor, out, t, seg, dist)) {
            double bp[2] = {base.m_ptBase[0], base.m_ptBase[1]};
            int tseg = 1;
            if (GetTanPt(bp, t, tseg, out) && snap->IsSnapPoint(out, 2)) result.PushBackTan(curvesnap::At(out));
        }
    }
    if ((mode & kSnapPerp) && base.m_bHasBase) {
        double bp[2] = {base.m_ptBase[0], base.m_ptBase[1]};
        double out[2], t = 0.0, dist = gecon::kNoDistanceBound;
        unsigned seg = 1;
        if (GetNearestPoint(bp, out, t, seg, dist) == 1 && snap->IsSnapPoint(out, 2))
            result.PushBackPerp(curvesnap::At(out));
    }
    return result.GetSize() > before ? 1 : 0;
}
