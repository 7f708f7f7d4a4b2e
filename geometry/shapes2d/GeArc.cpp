#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeometryChange.h"

#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Conic2D.h"
#include "framework/numerak/Intersect2D.h"
#include "framework/numerak/Line2D.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/QvnMath.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/CurvePoint.h"
#include "geometry/shapes2d/CurveSnap.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeHit.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "platform/core/Archive.h"
#include "platform/core/DC.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

IMPLEMENT_SERIAL(CGeArc, CObject, 2 | VERSIONABLE_SCHEMA)

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kHalfPi = 0.5 * std::numbers::pi;

// Sweeps beyond a full turn by more than this are brought back by whole turns.
constexpr double kFullTurnLimit = 6.283285307179586;  // 2 pi + 0.0001
// CreateSEAngle: sweeps this close to a full turn are a full turn (rounding).
constexpr double kFullTurnSweep = kTwoPi - 1e-9;
// IsPointOn: distance off the circle, and the snap radius around the end points.
constexpr double kOnCircleTol = 0.01;
constexpr double kOnEndTol = 0.005;
// CalcPreciseBox2d: bound on the error of an axis point's angle from the start
// (times the centre's coordinates over the radius), far above the few roundings
// it takes, and the bound beyond which the angle is not estimated.
constexpr double kSweepMargin = 1e-10;
constexpr double kSweepMarginLimit = 0.1;
// ModifyStartPoint / ModifyEndPoint ignore moves below these.
constexpr double kStartMoveTol = 0.001;
constexpr double kEndMoveTol = 0.0001;
// Transform: an arc closed within this keeps its sweep.
constexpr double kTransformClosedTol = 0.002;
// Transform flag of an orientation-reversing matrix.
constexpr unsigned kFlagReversing = 4;
// Second tolerance of the line/line intersection of CreateSESTan and CreateSEETan.
constexpr double kSesTanAngleTol = 1e-5;
constexpr double kSeeTanAngleTol = 0.001;
// Tangent point from a point on the circle.
constexpr double kOnCircleTanTol = 0.0001;
// ToBezier: sweeps this close to a multiple of a quarter turn cut at a node.
constexpr double kQuarterSnapTol = 0.001;
// Discretisation: smallest tolerance, fewest points, and a ceiling that keeps
// tiny tolerances on huge radii from exhausting memory or overflowing the count.
constexpr double kMinDiscTol = 1e-12;
constexpr int kMinDiscCount = 10;
constexpr int kMinStepCount = 8;
constexpr int kMaxDiscCount = 1 << 20;
constexpr INT_PTR kDiscGrowBy = 50;
// Drawing thins display polylines with more points than this.
constexpr int kDrawThinFrom = 10;
// Node marks in pixels.
constexpr int kStartMarkRadius = 4;
constexpr int kEndMarkHalf = 3;

double Cross(const double* a, const double* b) { return a[0] * b[1] - a[1] * b[0]; }

using curvept::Copy2;

// Converts a non-negative count estimate to int, clamped to [lo, hi]; NaN gives lo.
int ClampCount(double v, int lo, int hi)
{
    if (!(v >= lo)) return lo;
    if (v >= hi) return hi;
    return static_cast<int>(v);
}

bool AllFinite(std::initializer_list<double> values)
{
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

// Builds the spline from its control points (node kinds derived from the geometry).
bool BuildSpline(CGeBezier* bez, unsigned int count, double (*pts)[2])
{
    bez->CreateEx(count, pts);
    return bez->GetNodeCount() == count;
}

}  // namespace

CGeArc::CGeArc() = default;

CGeArc::~CGeArc() = default;

int CGeArc::GetType() const { return 0x4; }

void CGeArc::Serialize(CArchive& ar)
{
    geNoteGeometryChange();
    CGeCurve::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_ptCenter[0] << m_ptCenter[1] << m_dRadius << m_vStartDir[0] << m_vStartDir[1] << m_dSweep;
        return;
    }
    ar >> m_ptCenter[0] >> m_ptCenter[1] >> m_dRadius >> m_vStartDir[0] >> m_vStartDir[1] >> m_dSweep;
    // An arc no drawing can hold is damage, not geometry; its display polyline
    // would also take the most points there are for each such record.
    if (!gecon::IsCoordinateInRange(m_ptCenter[0]) || !gecon::IsCoordinateInRange(m_ptCenter[1]) ||
        !gecon::IsCoordinateInRange(m_dRadius) || !std::isfinite(m_vStartDir[0]) || !std::isfinite(m_vStartDir[1]) ||
        !(std::fabs(m_dSweep) <= kFullTurnLimit))
        AfxThrowArchiveException(CArchiveException::genericException);
    Discrete(gGetCrvDiscTol());
}

void CGeArc::SetGeometry(const double* c, double r, const double* dir, double sweep)
{
    geNoteGeometryChange();
    Copy2(m_ptCenter, c);
    m_dRadius = r;
    Copy2(m_vStartDir, dir);
    m_dSweep = sweep;
}

void CGeArc::FreeDisplay()
{
    geNoteGeometryChange();
    m_pSWPoint.reset();
    m_nSWPoint = 0;
    m_box.InitEmpty();
}

bool CGeArc::IsFullSweep()
{
    double s[2], e[2];
    GetStartPoint(s);
    GetEndPoint(e);
    return P2D_Dist(s, e) < gecon::kDegenerateTol && std::fabs(m_dSweep) > kPi;
}

// ---------------------------------------------------------------------------
// Constructions

void CGeArc::Create(CGeArc* other)
{
    geNoteGeometryChange();
    if (!other) return;
    SetGeometry(other->m_ptCenter, other->m_dRadius, other->m_vStartDir, other->m_dSweep);
    Discrete(gGetCrvShowDiscTol());
}

int CGeArc::Create3Pnt(const double* p1, const double* p2, const double* p3)
{
    geNoteGeometryChange();
    double c[2];
    if (!C2D_GetCenter(p1, p2, p3, c)) return 0;
    const double r = P2D_Dist(c, p2);
    if (!(r >= gecon::kDegenerateTol)) return 0;
    const double dir[2] = {p1[0] - c[0], p1[1] - c[1]};
    const double chord1[2] = {p2[0] - p1[0], p2[1] - p1[1]};
    const double chord2[2] = {p3[0] - p2[0], p3[1] - p2[1]};
    // The turn between the chords is half the arc through the middle point.
    double sweep = 2.0 * V2D_GetAngle(chord1, chord2, gecon::kDegenerateTol);
    if (std::fabs(sweep) < gecon::kDegenerateTol) return 0;
    const double cross = Cross(chord1, chord2);
    if (std::fabs(cross) < gecon::kCollinearCrossTol) return 0;
    if (cross < 0.0) sweep = -sweep;
    SetGeometry(c, r, dir, sweep);
    return 1;
}

int CGeArc::CreateCSE(const double* c, const double* s, const double* e, int bCCW)
{
    geNoteGeometryChange();
    const double r = 0.5 * (P2D_Dist(c, s) + P2D_Dist(c, e));
    if (!(r >= gecon::kDegenerateTol)) return 0;
    const double vs[2] = {s[0] - c[0], s[1] - c[1]};
    const double ve[2] = {e[0] - c[0], e[1] - c[1]};
    const double a = V2D_GetAngle(vs, ve, gecon::kDegenerateTol);
    const double cross = Cross(vs, ve);
    double sweep = 0.0;
    if (std::fabs(cross) < gecon::kCollinearCrossTol) {
        // s and e on one line through c: a half turn, a full turn or nothing.
        // The full turn is decided before the angle test, which would reject it.
        const double chord = P2D_Dist(s, e);
        if (r < chord)
            sweep = bCCW ? kPi : -kPi;
        else if (chord < gecon::kDegenerateTol)
            sweep = bCCW ? kTwoPi : -kTwoPi;
        else
            return 0;
    } else {
        if (a < gecon::kDegenerateTol) return 0;
        if (cross < 0.0)
            sweep = bCCW ? kTwoPi - a : -a;
        else
            sweep = bCCW ? a : -(kTwoPi - a);
    }
    SetGeometry(c, r, vs, sweep);
    return 1;
}

int CGeArc::CreateCSE(int bMajor, const double* c, const double* s, const double* e)
{
    geNoteGeometryChange();
    const double r = 0.5 * (P2D_Dist(c, s) + P2D_Dist(c, e));
    if (!(r >= gecon::kDegenerateTol)) return 0;
    const double vs[2] = {s[0] - c[0], s[1] - c[1]};
    const double ve[2] = {e[0] - c[0], e[1] - c[1]};
    const double a = V2D_GetAngle(vs, ve, gecon::kDegenerateTol);
    if (a < gecon::kDegenerateTol) return 0;
    double sweep;
    if (Cross(vs, ve) < 0.0)
        sweep = bMajor == 0 ? -a : kTwoPi - a;
    else
        sweep = bMajor == 1 ? -(kTwoPi - a) : a;
    SetGeometry(c, r, vs, sweep);
    return 1;
}

int CGeArc::CreateCSEAngle(const double* c, double r, double a0, double a1)
{
    geNoteGeometryChange();
    if (!(r >= gecon::kDegenerateTol) || !AllFinite({c[0], c[1], r, a0, a1})) return 0;
    double sweep = a1 - a0;
    if (!std::isfinite(sweep) || std::fabs(sweep) < gecon::kDegenerateTol) return 0;
    // Whole turns towards 0 until the sweep is at most a full turn (plus 0.0001);
    // the bulk in one step so that huge sweeps do not loop for long.
    const double mag = std::fabs(sweep);
    if (mag > kFullTurnLimit) {
        const double turns = std::floor((mag - kFullTurnLimit) / kTwoPi);
        double m = mag - turns * kTwoPi;
        while (m > kFullTurnLimit) m -= kTwoPi;
        sweep = std::copysign(m, sweep);
    }
    const double dir[2] = {r * std::cos(a0), r * std::sin(a0)};
    SetGeometry(c, r, dir, sweep);
    return 1;
}

int CGeArc::CreateSESTan(const double* s, const double* e, const double* tStart)
{
    geNoteGeometryChange();
    double chord[2];
    if (!V2D_GenUnit(s, e, gecon::kDegenerateTol, chord)) return 0;
    double tan[2] = {tStart[0], tStart[1]};
    if (!V2D_Unit(tan, gecon::kDegenerateTol)) return 0;
    double normal[2], bisector[2];
    V2D_Perp(tan, normal);
    V2D_Perp(chord, bisector);
    const double mid[2] = {0.5 * (s[0] + e[0]), 0.5 * (s[1] + e[1])};
    double c[2];
    if (Isect_LineLine(s, normal, mid, bisector, gecon::kDegenerateTol, kSesTanAngleTol, c) != kIsectPoint)
        return 0;
    const double se[2] = {e[0] - s[0], e[1] - s[1]};
    const double cross = Cross(tStart, se);
    if (std::fabs(cross) < gecon::kDegenerateTol) return 0;
    return CreateCSE(c, s, e, cross > 0.0 ? 1 : 0);
}

int CGeArc::CreateSEETan(const double* s, const double* e, const double* tEnd)
{
    geNoteGeometryChange();
    const double se[2] = {e[0] - s[0], e[1] - s[1]};
    double normal[2], bisector[2];
    V2D_Perp(tEnd, normal);
    V2D_Perp(se, bisector);
    const double mid[2] = {0.5 * (s[0] + e[0]), 0.5 * (s[1] + e[1])};
    double c[2];
    if (Isect_LineLine(e, normal, mid, bisector, gecon::kDegenerateTol, kSeeTanAngleTol, c) != kIsectPoint)
        return 0;
    const double cross = Cross(se, tEnd);
    if (std::fabs(cross) < gecon::kDegenerateTol) return 0;
    return CreateCSE(c, s, e, cross > 0.0 ? 1 : 0);
}

int CGeArc::CreateSERad(const double* s, const double* e, double r, const double* side, int bCCW)
{
    geNoteGeometryChange();
    if (!(r >= gecon::kDegenerateTol)) return 0;
    const double h = 0.5 * P2D_Dist(s, e);
    if (!(h >= gecon::kDegenerateTol)) return 0;
    r = std::max(r, h);
    const double d = std::sqrt(r * r - h * h);
    const double chord[2] = {(e[0] - s[0]) / (2.0 * h), (e[1] - s[1]) / (2.0 * h)};
    double left[2];
    V2D_Perp(chord, left);
    const double sign = L2D_DistToPntEx(side, s, e) > 0.0 ? 1.0 : -1.0;
    const double c[2] = {0.5 * (s[0] + e[0]) + sign * d * left[0], 0.5 * (s[1] + e[1]) + sign * d * left[1]};
    return CreateCSE(c, s, e, bCCW);
}

int CGeArc::CreateSEAngle(const double* s, const double* e, double sweep)
{
    geNoteGeometryChange();
    const double h = 0.5 * P2D_Dist(s, e);
    if (!(h >= gecon::kDegenerateTol) || !(std::fabs(sweep) >= gecon::kDegenerateTol)) return 0;
    // A full turn cannot join two distinct points: sin(pi) is only rounding
    // noise and would give a radius of some 1e15.
    if (std::fabs(sweep) >= kFullTurnSweep) return 0;
    const double r = h / std::sin(0.5 * std::fabs(sweep));
    if (!std::isfinite(r) || r < gecon::kDegenerateTol) return 0;  // sweeps beyond a full turn
    double d = std::sqrt(std::max(0.0, r * r - h * h));
    if (std::fabs(sweep) > kPi) d = -d;
    const double chord[2] = {(e[0] - s[0]) / (2.0 * h), (e[1] - s[1]) / (2.0 * h)};
    double turned[2];
    V2D_Rot(sweep >= 0.0 ? kHalfPi : -kHalfPi, chord, turned);
    const double c[2] = {0.5 * (s[0] + e[0]) + d * turned[0], 0.5 * (s[1] + e[1]) + d * turned[1]};
    const double dir[2] = {s[0] - c[0], s[1] - c[1]};
    SetGeometry(c, r, dir, sweep);
    return 1;
}

// ---------------------------------------------------------------------------
// Evaluation

double CGeArc::GetStartAngle() const { return V2D_AngletoX(m_vStartDir); }

void CGeArc::GetStartPoint(double* p)
{
    // A query: the stored direction keeps its length (readers on several
    // threads may ask at once), only the copy is normalised.
    double dir[2] = {m_vStartDir[0], m_vStartDir[1]};
    V2D_Unit(dir, gecon::kDegenerateTol);
    p[0] = m_ptCenter[0] + m_dRadius * dir[0];
    p[1] = m_ptCenter[1] + m_dRadius * dir[1];
}

void CGeArc::GetEndPoint(double* p) { GetPointAt(1.0, p, 1); }

void CGeArc::GetPointAt(double t, double* p, unsigned) { PointAtAngle(GetStartAngle() + t * m_dSweep, p); }

void CGeArc::PointAtAngle(double a, double* p) const
{
    p[0] = m_ptCenter[0] + m_dRadius * std::cos(a);
    p[1] = m_ptCenter[1] + m_dRadius * std::sin(a);
}

void CGeArc::EvPos(double t, double* p, unsigned seg) { GetPointAt(t, p, seg); }

void CGeArc::Ev1Der(double t, double* p, double* d1, unsigned)
{
    const double a = GetStartAngle() + t * m_dSweep;
    const double c = std::cos(a), s = std::sin(a);
    p[0] = m_ptCenter[0] + m_dRadius * c;
    p[1] = m_ptCenter[1] + m_dRadius * s;
    d1[0] = -m_dSweep * m_dRadius * s;
    d1[1] = m_dSweep * m_dRadius * c;
}

void CGeArc::Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg)
{
    Ev1Der(t, p, d1, seg);
    const double a = GetStartAngle() + t * m_dSweep;
    const double k = -m_dSweep * m_dSweep * m_dRadius;
    d2[0] = k * std::cos(a);
    d2[1] = k * std::sin(a);
}

void CGeArc::GetTanVecAt(double t, double* v, unsigned seg)
{
    double p[2];
    GetPointAt(t, p, seg);
    const double radial[2] = {p[0] - m_ptCenter[0], p[1] - m_ptCenter[1]};
    if (m_dSweep > 0.0) {
        v[0] = -radial[1];
        v[1] = radial[0];
    } else {
        v[0] = radial[1];
        v[1] = -radial[0];
    }
}

int CGeArc::GetGCPoint(unsigned char kind, double* p, unsigned)
{
    switch (kind) {
    case 1: GetStartPoint(p); return 1;
    case 2: GetEndPoint(p); return 1;
    case 4: Copy2(p, m_ptCenter); return 1;
    default: return 0;
    }
}

int CGeArc::IsPointOn(const double* p, double& t)
{
    if (std::fabs(P2D_Dist(p, m_ptCenter) - m_dRadius) > kOnCircleTol) return 0;
    double s[2], e[2];
    GetStartPoint(s);
    GetEndPoint(e);
    const double a0 = GetStartAngle();
    return IsOnSweep(p, s, e, std::cos(-a0), std::sin(-a0), t);
}

int CGeArc::IsOnSweep(const double* p, const double* s, const double* e, double cosBack, double sinBack,
                      double& t) const
{
    if (P2D_Dist(p, s) < kOnEndTol) {
        t = 0.0;
        return 1;
    }
    if (P2D_Dist(p, e) < kOnEndTol) {
        t = 1.0;
        return 1;
    }
    double q[2];
    P2D_Rot(m_ptCenter, cosBack, sinBack, p, q);
    const double rel[2] = {q[0] - m_ptCenter[0], q[1] - m_ptCenter[1]};
    const double phi = V2D_AngletoX(rel);  // [0, 2 pi) from the start, counter-clockwise
    if (m_dSweep > 0.0) {
        t = phi / m_dSweep;
        return m_dSweep > phi ? 1 : 0;
    }
    const double phiCw = phi - kTwoPi;
    t = phiCw / m_dSweep;
    return m_dSweep < phiCw ? 1 : 0;
}

double CGeArc::GetMaxArcHeight()
{
    double s[2], e[2], m[2];
    GetStartPoint(s);
    GetEndPoint(e);
    GetPointAt(0.5, m, 1);
    const double chordMid[2] = {0.5 * (s[0] + e[0]), 0.5 * (s[1] + e[1])};
    return P2D_Dist(chordMid, m);
}

int CGeArc::IsClosed(double tol)
{
    double s[2], e[2];
    GetStartPoint(s);
    GetEndPoint(e);
    return P2D_Dist(s, e) < tol ? 1 : 0;
}

double CGeArc::EvArcLength(double t0, double t1, unsigned)
{
    return std::fabs((t1 - t0) * m_dRadius * m_dSweep);
}

double CGeArc::EvTotalArcLength() { return EvArcLength(0.0, 1.0, 1); }

int CGeArc::EvParam(double len, double& t, unsigned& seg, double total)
{
    if (total == 0.0) total = EvTotalArcLength();
    t = total > 0.0 ? std::min(total, len) / total : 0.0;
    seg = 1;
    return 1;
}

int CGeArc::GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist)
{
    seg = 1;
    double proj[2];
    if (!C2D_PrjPnt(m_ptCenter, m_dRadius, p, proj, gecon::kDegenerateTol, gecon::kProjectTol)) return 0;
    double u = 0.0;
    if (IsPointOn(proj, u)) {
        Copy2(out, proj);
        t = u;
        dist = P2D_Dist(p, proj);
        return 1;
    }
    double s[2], e[2];
    GetStartPoint(s);
    GetEndPoint(e);
    curvept::NearerEnd(p, s, e, out, t, dist);
    return 1;
}

int CGeArc::GetPerpPt(double* p, double* out, double& t, unsigned& seg)
{
    seg = 1;
    double dir[2];
    if (!V2D_GenUnit(m_ptCenter, p, gecon::kDegenerateTol, dir)) return 0;
    double pts[4];
    const int n = Isect_LineCir(p, dir, m_ptCenter, m_dRadius, gecon::kDegenerateTol, pts);
    if (n <= 0) return 0;
    const double* first = pts;
    const double* second = n == 2 ? pts + 2 : nullptr;
    // With two candidates, the one nearer to out's value on entry is tried first.
    if (second && P2D_Dist(second, out) < P2D_Dist(first, out)) std::swap(first, second);
    double u = 0.0;
    for (const double* q : {first, second}) {
        if (q && IsPointOn(q, u)) {
            const double keep[2] = {q[0], q[1]};
            Copy2(out, keep);
            t = u;
            return 1;
        }
    }
    return 0;
}

int CGeArc::GetTanPt(double* p, double& t, int& seg, double* out)
{
    const double d = P2D_Dist(p, m_ptCenter);
    double u = 0.0;
    if (std::fabs(d - m_dRadius) < kOnCircleTanTol) {
        if (!IsPointOn(p, u)) return 0;
        seg = 1;
        t = u;
        GetPointAt(u, out, 1);
        return 1;
    }
    if (m_dRadius > d) return 0;
    double t1[2], t2[2];
    if (!C2D_GetTanPt(m_ptCenter, m_dRadius, p, t1, t2)) return 0;
    double u1 = 0.0, u2 = 0.0;
    const bool on1 = IsPointOn(t1, u1) != 0, on2 = IsPointOn(t2, u2) != 0;
    if (!on1 && !on2) return 0;
    const bool takeFirst = on1 && (!on2 || std::fabs(u1 - t) <= std::fabs(u2 - t));
    seg = 1;
    t = takeFirst ? u1 : u2;
    Copy2(out, takeFirst ? t1 : t2);
    return 1;
}

// ---------------------------------------------------------------------------
// Display polyline and box

int CGeArc::GetDiscStep(double tol, double& step)
{
    // A stored radius may be negative (the points lie on the circle of its
    // magnitude): the count follows the magnitude.
    const double r = std::fabs(m_dRadius);
    tol = gecon::FloorDiscTol(tol, r);
    if (tol > r) {
        step = gecon::kDefaultDiscStep;
        return 1;
    }
    // The clamped arc cosine keeps rounding just outside [-1, 1] from giving NaN.
    const double half = QVN_Math::ACos((r - tol) / r);
    const int n = std::max(kMinStepCount, ClampCount(std::fabs(m_dSweep) / (2.0 * half) + 1.0, 1, kMaxDiscCount));
    step = 1.0 / n;
    return 1;
}

void CGeArc::DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double, bool)
{
    if (!pts || !AllFinite({m_ptCenter[0], m_ptCenter[1], m_dRadius, m_dSweep})) return;
    // The count follows the radius' magnitude: a negative stored radius once
    // gave a zero angle per chord and so the most points there are.
    const double mag = std::fabs(m_dRadius);
    tol = gecon::FloorDiscTol(std::max(tol, kMinDiscTol), mag);
    // Clamped: a tolerance above twice the radius gives a half turn per step, not NaN.
    const double a = QVN_Math::ACos((mag - tol) / mag);
    const int count = ClampCount(std::fabs(m_dSweep) / a, kMinDiscCount, kMaxDiscCount);
    const double step = m_dSweep / count;

    INT_PTR at = pts->GetSize();
    if (at == 0)
        pts->SetSize(count + 1, kDiscGrowBy);
    else
        pts->SetSize(at + count + 1);
    tagPoint2d* out = pts->GetData() + at;

    const double a0 = GetStartAngle();
    const double r = m_dRadius, cx = m_ptCenter[0], cy = m_ptCenter[1];
    // The end points are exactly GetStartPoint and GetEndPoint; the interior
    // points come by repeated rotation of the offset: one sine and cosine in all.
    double start[2];
    GetStartPoint(start);
    const double cs = std::cos(step), sn = std::sin(step);
    double ox = start[0] - cx, oy = start[1] - cy;
    out[0] = tagPoint2d{start[0], start[1]};
    for (int i = 1; i < count; ++i) {
        const double nx = ox * cs - oy * sn;
        oy = ox * sn + oy * cs;
        ox = nx;
        out[i] = tagPoint2d{cx + ox, cy + oy};
    }
    const double a1 = a0 + m_dSweep;
    out[count] = tagPoint2d{cx + r * std::cos(a1), cy + r * std::sin(a1)};
}

void CGeArc::CalcBox2d()
{
    if (!HasDisplay()) {
        CalcPreciseBox2d();
        return;
    }
    BOX2<double> box;
    box.InitEmpty();
    for (int i = 0; i < m_nSWPoint; ++i) box.Extend(m_pSWPoint[i]);
    StoreBox2d(box);
}

CGeArc::GeometryKey CGeArc::CurrentKey() const
{
    return GeometryKey{{m_ptCenter[0], m_ptCenter[1], m_dRadius, m_vStartDir[0], m_vStartDir[1], m_dSweep}};
}

void CGeArc::CalcPreciseBox2d()
{
    // Compared as bits: -0.0 and 0.0 may give different boxes, and NaN never
    // equals itself.
    const GeometryKey key = CurrentKey();
    if (m_bPreciseBoxKept && std::memcmp(&key, &m_preciseKey, sizeof key) == 0) {
        StoreBox2d(m_preciseBox);
        return;
    }
    // The end points as GetStartPoint and GetEndPoint give them, with the start
    // angle worked out once.
    const double a0 = GetStartAngle();
    double s[2], e[2];
    GetStartPoint(s);
    PointAtAngle(a0 + 1.0 * m_dSweep, e);
    BOX2<double> box;
    box.Init(s, e);
    const double axis[4][2] = {{m_ptCenter[0] + m_dRadius, m_ptCenter[1]},
                               {m_ptCenter[0], m_ptCenter[1] + m_dRadius},
                               {m_ptCenter[0] - m_dRadius, m_ptCenter[1]},
                               {m_ptCenter[0], m_ptCenter[1] - m_dRadius}};
    // IsPointOn for each axis point. Most are decided by AxisOnSweep without a
    // square root or an arc tangent; the rest by IsOnSweep, with the turn back
    // by the start angle computed once.
    const bool finite = AllFinite({m_ptCenter[0], m_ptCenter[1], m_dRadius, m_dSweep}) && m_dRadius > 0.0;
    double cosBack = 0.0, sinBack = 0.0;
    bool turned = false;
    double t = 0.0;
    for (int k = 0; k < 4; ++k) {
        const double* q = axis[k];
        // One coordinate difference from the centre is zero, and hypot(d, 0) is |d|.
        const double off = finite ? std::fabs(q[k % 2] - m_ptCenter[k % 2]) : P2D_Dist(q, m_ptCenter);
        if (std::fabs(off - m_dRadius) > kOnCircleTol)
            continue;
        int on = finite ? AxisOnSweep(k, q, a0, s, e) : -1;
        if (on < 0) {
            if (!turned) {
                cosBack = std::cos(-a0);
                sinBack = std::sin(-a0);
                turned = true;
            }
            on = IsOnSweep(q, s, e, cosBack, sinBack, t);
        }
        if (on)
            box.Extend(q);
    }
    m_preciseKey = key;
    m_preciseBox = box;
    m_bPreciseBoxKept = true;
    StoreBox2d(box);
}

int CGeArc::AxisOnSweep(int k, const double* q, double a0, const double* s, const double* e) const
{
    // IsOnSweep's end tests: hypot(dx, dy) is at least max(|dx|, |dy|), so one
    // difference of kOnEndTol or more decides them without the square root.
    for (const double* end : {s, e}) {
        const double dx = q[0] - end[0], dy = q[1] - end[1];
        if (std::fabs(dx) < kOnEndTol && std::fabs(dy) < kOnEndTol && std::hypot(dx, dy) < kOnEndTol)
            return 1;
    }
    // IsOnSweep turns the point back by a0 and takes its angle, which is k
    // quarter turns less a0 up to the rounding of the axis point, of the turn
    // and of the arc tangent: well below `margin`, which grows as the centre's
    // coordinates outweigh the radius. Sweeps within the margin of that angle,
    // and angles within it of 0 or a full turn, are left to IsOnSweep.
    const double margin = kSweepMargin * (std::fabs(m_ptCenter[0]) + std::fabs(m_ptCenter[1]) + m_dRadius) / m_dRadius;
    if (!(margin < kSweepMarginLimit))
        return -1;
    double phi = k * kHalfPi - a0;
    if (phi < 0.0)
        phi += kTwoPi;
    if (!(phi >= margin && phi <= kTwoPi - margin))
        return -1;
    if (m_dSweep > 0.0)
        return m_dSweep > phi + margin ? 1 : m_dSweep < phi - margin ? 0 : -1;
    const double phiCw = phi - kTwoPi;
    return m_dSweep < phiCw - margin ? 1 : m_dSweep > phiCw + margin ? 0 : -1;
}

// ---------------------------------------------------------------------------
// Copies and pieces

CGeCurve* CGeArc::Copy()
{
    auto* arc = new CGeArc;
    arc->SetGeometry(m_ptCenter, m_dRadius, m_vStartDir, m_dSweep);
    arc->m_bClosed = m_bClosed;
    arc->PastetHandle(this);
    if (HasDisplay()) arc->CopySWPoint(m_pSWPoint.get(), m_nSWPoint);
    arc->CalcBox2d();
    return arc;
}

void CGeArc::Reverse()
{
    geNoteGeometryChange();
    double e[2];
    GetEndPoint(e);
    m_vStartDir[0] = e[0] - m_ptCenter[0];
    m_vStartDir[1] = e[1] - m_ptCenter[1];
    m_dSweep = -m_dSweep;
    Discrete(gGetCrvDiscTol());
}

CGeCurve* CGeArc::Offset(double d)
{
    const double r = m_dSweep > 0.0 ? m_dRadius - d : m_dRadius + d;  // positive d is the left side
    if (!(r > gecon::kDegenerateTol)) return nullptr;
    auto* arc = new CGeArc;
    arc->SetGeometry(m_ptCenter, r, m_vStartDir, m_dSweep);
    arc->Discrete(gGetCrvDiscTol());
    return arc;
}

void CGeArc::Split(double t, CGeCurve** out, int, int)
{
    if (t < 0.0 || t > 1.0) return;
    if (std::fabs(t) < gecon::kParamSnapTol) {
        out[0] = nullptr;
        out[1] = Copy();
        return;
    }
    if (t > 1.0 - gecon::kParamSnapTol) {
        out[0] = Copy();
        out[1] = nullptr;
        return;
    }
    auto* head = static_cast<CGeArc*>(Copy());
    head->m_dSweep = t * m_dSweep;
    auto* tail = static_cast<CGeArc*>(Copy());
    V2D_Rot(t * m_dSweep, m_vStartDir, tail->m_vStartDir);
    tail->m_dSweep = (1.0 - t) * m_dSweep;
    CGeArc* pieces[2] = {head, tail};
    for (int i = 0; i < 2; ++i) {
        // The copied display polyline and box are the whole arc's: drop them so
        // that the piece rebuilds its own on demand.
        pieces[i]->FreeDisplay();
        double s[2], e[2];
        pieces[i]->GetStartPoint(s);
        pieces[i]->GetEndPoint(e);
        if (std::fabs(pieces[i]->m_dSweep) < gecon::kDegenerateTol && P2D_Dist(s, e) < gecon::kDegenerateTol) {
            delete pieces[i];
            pieces[i] = nullptr;
        }
        out[i] = pieces[i];
    }
}

void CGeArc::ModifyStartPoint(double* p)
{
    geNoteGeometryChange();
    double s[2], e[2], m[2];
    GetStartPoint(s);
    if (P2D_Dist(p, s) < kStartMoveTol) return;
    GetEndPoint(e);
    GetPointAt(0.5, m, 1);
    if (std::fabs(m_dSweep) < kPi) {
        double tanEnd[2];
        GetTanVecAt(1.0, tanEnd, 1);
        CreateSEETan(p, e, tanEnd);
    } else if (!Create3Pnt(p, m, e)) {
        // On a full turn the end is the old start, so p may line up with the
        // middle and end points: a quarter point then carries the arc instead.
        double q[2];
        GetPointAt(0.25, q, 1);
        if (!Create3Pnt(p, q, e)) {
            GetPointAt(0.75, q, 1);
            Create3Pnt(p, q, e);
        }
    }
    Discrete(gGetCrvDiscTol());
}

void CGeArc::ModifyEndPoint(double* p)
{
    geNoteGeometryChange();
    double s[2], e[2], m[2];
    GetEndPoint(e);
    if (P2D_Dist(p, e) < kEndMoveTol) return;
    GetStartPoint(s);
    GetPointAt(0.5, m, 1);
    if (std::fabs(m_dSweep) < kPi) {
        double tanStart[2];
        GetTanVecAt(0.0, tanStart, 1);
        CreateSESTan(s, p, tanStart);
    } else if (!Create3Pnt(s, m, p)) {
        double q[2];
        GetPointAt(0.75, q, 1);
        if (!Create3Pnt(s, q, p)) {
            GetPointAt(0.25, q, 1);
            Create3Pnt(s, q, p);
        }
    }
    Discrete(gGetCrvDiscTol());
}

// ---------------------------------------------------------------------------
// Transforms

void CGeArc::Translate(double* offset)
{
    geNoteGeometryChange();
    m_ptCenter[0] += offset[0];
    m_ptCenter[1] += offset[1];
    CGeCurve::Translate(offset);
}

void CGeArc::Rotate(double* centre, double angle)
{
    geNoteGeometryChange();
    const double c = std::cos(angle), s = std::sin(angle);
    double start[2];
    GetStartPoint(start);
    P2D_Rot(centre, c, s, start, start);
    P2D_Rot(centre, c, s, m_ptCenter, m_ptCenter);
    m_vStartDir[0] = start[0] - m_ptCenter[0];
    m_vStartDir[1] = start[1] - m_ptCenter[1];
    CGeCurve::Rotate(centre, angle);
}

void CGeArc::Mirror(double* p, double* q)
{
    geNoteGeometryChange();
    double s[2], m[2], e[2];
    GetStartPoint(s);
    GetPointAt(0.5, m, 1);
    GetEndPoint(e);
    if (IsFullSweep()) {
        // Start and end coincide, so no circle passes through the three points:
        // mirror the centre and the start and reverse the turning sense.
        P2D_Mirr(p, q, s, s);
        P2D_Mirr(p, q, m_ptCenter, m_ptCenter);
        m_vStartDir[0] = s[0] - m_ptCenter[0];
        m_vStartDir[1] = s[1] - m_ptCenter[1];
        m_dSweep = -m_dSweep;
    } else {
        P2D_Mirr(p, q, s, s);
        P2D_Mirr(p, q, m, m);
        P2D_Mirr(p, q, e, e);
        Create3Pnt(s, m, e);
    }
    CGeCurve::Mirror(p, q);
}

CGeCurve* CGeArc::Scale(double* centre, double* factors)
{
    geNoteGeometryChange();
    const double fx = factors[0], fy = factors[1];
    if (std::fabs(fx) < gecon::kDegenerateTol || std::fabs(fy) < gecon::kDegenerateTol) return nullptr;
    if (std::fabs(fx - fy) < gecon::kDegenerateTol) {
        double s[2];
        GetStartPoint(s);
        for (double* pt : {s, m_ptCenter}) {
            pt[0] = centre[0] + (pt[0] - centre[0]) * fx;
            pt[1] = centre[1] + (pt[1] - centre[1]) * fy;
        }
        m_vStartDir[0] = s[0] - m_ptCenter[0];
        m_vStartDir[1] = s[1] - m_ptCenter[1];
        m_dRadius = std::fabs(m_dRadius * fx);
        CGeCurve::Scale(centre, factors);
        return this;
    }
    // A non-uniform scale makes an ellipse arc: the caller replaces the arc.
    CGeBezier* bez = ToBezier();
    if (!bez) return nullptr;
    CGeCurve* scaled = bez->Scale(centre, factors);
    if (scaled != bez) delete bez;
    return scaled;
}

CGeCurve* CGeArc::Shear(double* base, double* factors)
{
    geNoteGeometryChange();
    CGeBezier* bez = ToBezier();
    if (!bez) return nullptr;
    CGeCurve* sheared = bez->Shear(base, factors);
    if (sheared != bez) delete bez;
    return sheared;
}

CGeCurve* CGeArc::Transform(double m[3][3], unsigned flags)
{
    geNoteGeometryChange();
    if (MAT33_IsEqScale(m) || MAT33_IsRotate(m) || MAT33_IsTrans(m) || flags == kFlagReversing) {
        double s[2], e[2];
        GetStartPoint(s);
        GetEndPoint(e);
        const bool closed = P2D_Dist(s, e) < kTransformClosedTol;
        const int ccw = GetArcDirection();
        MAT33_MultPt(s, s, m);
        MAT33_MultPt(e, e, m);
        double c[2];
        MAT33_MultPt(m_ptCenter, c, m);
        if (closed) {
            Copy2(m_ptCenter, c);
            m_dRadius = P2D_Dist(c, s);
            m_vStartDir[0] = s[0] - c[0];
            m_vStartDir[1] = s[1] - c[1];
            // A reversing matrix turns the closed arc the other way round too.
            if (flags == kFlagReversing) m_dSweep = -m_dSweep;
        } else {
            CreateCSE(c, s, e, flags == kFlagReversing ? !ccw : ccw);
        }
        Discrete(gGetCrvShowDiscTol(), gGetCrvDiscAng());
        return this;
    }
    CGeBezier* bez = ToBezier();
    if (!bez) return this;
    CGeCurve* moved = bez->Transform(m, flags);
    if (moved != bez) delete bez;
    return moved;
}

CGeBezier* CGeArc::ToBezier()
{
    if (!AllFinite({m_ptCenter[0], m_ptCenter[1], m_dRadius, m_dSweep}) || m_dRadius < gecon::kDegenerateTol ||
        std::fabs(m_dSweep) < gecon::kDegenerateTol)
        return nullptr;

    // Quarter turns, then the rest: sweeps within 0.001 of a whole number of
    // quarters end on a quarter's node.
    const double s = std::min(std::fabs(m_dSweep), kTwoPi);
    int segs = 4;
    for (int k = 1; k <= 4; ++k) {
        if (std::fabs(s - k * kHalfPi) < kQuarterSnapTol) {
            segs = k;
            break;
        }
        if (s < k * kHalfPi) {
            segs = k;
            break;
        }
    }
    const double rest = std::clamp(s - (segs - 1) * kHalfPi, 0.0, kHalfPi);
    const bool lastIsQuarter = std::fabs(rest - kHalfPi) < kQuarterSnapTol;

    // Each segment spans angle phi from angle theta; its handles lie along the
    // tangents with length 4/3 tan(phi / 4) r, which for a quarter is the
    // circle's own constant. Building the last, partial segment this way
    // (rather than cutting a quarter at a parameter proportional to the angle)
    // keeps it as close to the circle as the quarters are.
    const double sense = m_dSweep > 0.0 ? 1.0 : -1.0;
    const double r = m_dRadius, cx = m_ptCenter[0], cy = m_ptCenter[1];
    double pts[13][2];
    double theta = GetStartAngle();
    pts[0][0] = cx + r * std::cos(theta);
    pts[0][1] = cy + r * std::sin(theta);
    for (int k = 0; k < segs; ++k) {
        const bool quarter = k < segs - 1 || lastIsQuarter;
        const double phi = quarter ? kHalfPi : rest;
        const double h = quarter ? gecon::kCircleBezierKappa * r : 4.0 / 3.0 * std::tan(phi / 4.0) * r;
        const double next = theta + sense * phi;
        const double c0 = std::cos(theta), s0 = std::sin(theta), c1 = std::cos(next), s1 = std::sin(next);
        double* p1 = pts[3 * k + 1];
        double* p2 = pts[3 * k + 2];
        double* p3 = pts[3 * k + 3];
        p3[0] = cx + r * c1;
        p3[1] = cy + r * s1;
        p1[0] = pts[3 * k][0] - sense * h * s0;
        p1[1] = pts[3 * k][1] + sense * h * c0;
        p2[0] = p3[0] + sense * h * s1;
        p2[1] = p3[1] - sense * h * c1;
        theta = next;
    }
    const int last = 3 * segs;
    GetStartPoint(pts[0]);
    GetEndPoint(pts[last]);

    auto* bez = new CGeBezier;
    if (!BuildSpline(bez, static_cast<unsigned int>(last + 1), pts)) {
        delete bez;
        return nullptr;
    }
    return bez;
}

// ---------------------------------------------------------------------------
// Drawing and picking

void CGeArc::Draw(Direct2DHandler*, int) {}

void CGeArc::Draw(CDC* dc, int)
{
    CLooker* looker = gGetLooker();
    if (!dc || !looker) return;
    EnsureDisplay(gGetCrvShowDiscTol());
    if (!HasDisplay()) return;
    double px = 0.0;
    looker->ScreentoWorld(1.0, px);
    looker->DrawPolylineEx(m_pSWPoint.get(), m_nSWPoint, DrawStride(m_nSWPoint, m_dRadius, m_dSweep, px), dc);
}

int CGeArc::DrawStride(int count, double radius, double sweep, double pixel)
{
    if (count <= kDrawThinFrom) return 1;
    // Skip display points finer than a pixel.
    if (pixel > radius) return count;
    const double a = QVN_Math::ACos((radius - pixel) / radius);
    const int k = a > 0.0 ? ClampCount(std::fabs(sweep) / a, 0, kMaxDiscCount) : 0;
    return k > 0 && k < count ? count / k : 1;
}

void CGeArc::DrawNode(CDC* dc, int bStart, int bEnd)
{
    CLooker* looker = gGetLooker();
    if (!dc || !looker) return;
    if (bStart) {
        double s[2];
        GetStartPoint(s);
        CPoint px;
        looker->WorldtoScreen(s, px, 2);
        const bool view3d = CLooker::IsView3D() != 0;
        CPen pen(PS_SOLID, view3d ? 2 : 1, view3d ? RGB(195, 0, 170) : RGB(0, 125, 0));
        CPen* old = dc->SelectObject(&pen);
        dc->Ellipse(px.x - kStartMarkRadius, px.y - kStartMarkRadius, px.x + kStartMarkRadius,
                    px.y + kStartMarkRadius);
        dc->SelectObject(old);
    }
    if (bEnd) {
        double e[2];
        GetEndPoint(e);
        CPoint px;
        looker->WorldtoScreen(e, px, 2);
        dc->Rectangle(px.x - kEndMarkHalf, px.y - kEndMarkHalf, px.x + kEndMarkHalf, px.y + kEndMarkHalf);
    }
}

int CGeArc::Pick(CPickRay& ray, int bCheckType) { return CGeCurve::Pick(ray, bCheckType); }

int CGeArc::GetSnapPos(CSnapAt* snap, CSnapResult& result)
{
    using namespace curvesnap;
    if (!CanSnap(snap)) return 0;
    const int before = result.GetSize();
    const int mode = snap->m_nSnapMode;
    const double ap = snap->m_dAperture;

    if (mode & kSnapCen) {
        bool pushed = false;
        if (PassesAxisTest(snap, m_ptCenter)) {
            result.PushBackCen(At(m_ptCenter));
            pushed = true;
        }
        if (!pushed) {
            double out[2], t = 0.0, dist = gecon::kNoDistanceBound;
            unsigned seg = 1;
            bool inside = false;
            if (GetNearestPoint(snap->m_ptCursor, out, t, seg, dist)) {
                // The cursor just inside the arc also offers the centre.
                const double d = P2D_Dist(snap->m_ptCursor, m_ptCenter);
                inside = m_dRadius - ap > d && d > m_dRadius - 2.0 * ap;
            }
            if (IsSnapPoint(snap, m_ptCenter) || inside) result.PushBackCen(At(m_ptCenter));
        }
    }
    if (mode & kSnapNear) {
        double out[2], t = 0.0, dist = gecon::kNoDistanceBound;
        unsigned seg = 1;
        if (GetNearestPoint(snap->m_ptCursor, out, t, seg, dist) && dist < ap) result.PushBackNear(At(out));
    }
    if (mode & kSnapEnd) {
        double s[2], e[2];
        GetStartPoint(s);
        GetEndPoint(e);
        if (snap->m_bAlign) {
            if (PassesAxisTest(snap, s)) result.PushBackEnd(At(s));
            if (PassesAxisTest(snap, e)) result.PushBackEnd(At(e));
        } else if (IsSnapPoint(snap, s)) {
            result.PushBackEnd(At(s));
        } else if (IsSnapPoint(snap, e)) {
            result.PushBackEnd(At(e));
        }
    }
    if (const double* base = BasePoint(snap)) {
        double t = 0.0;
        if (mode & kSnapTan) {
            double t1[2], t2[2];
            if (C2D_GetTanPt(m_ptCenter, m_dRadius, base, t1, t2) == 1) {
                for (const double* q : {t1, t2})
                    if (IsPointOn(q, t) && IsSnapPoint(snap, q)) result.PushBackTan(At(q));
            }
        }
        if (mode & kSnapPerp) {
            double proj[2];
            if (C2D_PrjPnt(m_ptCenter, m_dRadius, base, proj, gecon::kDegenerateTol, gecon::kProjectTol) &&
                IsSnapPoint(snap, proj) && IsPointOn(proj, t))
                result.PushBackPerp(At(proj));
        }
    }
    return result.GetSize() > before ? 1 : 0;
}

