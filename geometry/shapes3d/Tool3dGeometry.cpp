// The geometric members of CGeTool3D that work on one or two curves: coplanarity,
// planar offsets, closest points, fillet arcs, common tangents and points at constant
// arc-length spacing.
#include "geometry/shapes3d/GeTool3D.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Line2D.h"
#include "framework/numerak/Line3D.h"
#include "framework/numerak/Plane3D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeOffsetCrv3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/Shapes3dConst.h"

#include <cmath>
#include <memory>
#include <utility>

namespace {

constexpr double kHalfPi = 1.5707963267948966;
// Offsets smaller than this are refused.
constexpr double kMinOffset = 0.01;
// Axis and direction parallel tests of CurveOffset.
constexpr double kOffsetParallelTol = 0.001;
// Smallest radius of an offset arc, largest distance of an offset curve.
constexpr double kMinOffsetRadius = 0.001;
constexpr double kMaxOffsetDistance = 10000.0;
// Angle tolerance of the plane relation of two curves and of a list.
constexpr double kRelationAngleTol = 0.0001;
// Closest points: line/line tolerances, the circle/line tolerance, Newton limits.
constexpr double kLineParallelTol = 1e-6;
constexpr double kMeetTol = 0.001;
constexpr double kCircleLineTol = 1e-6;
constexpr int kClosestRounds = 33;
constexpr double kCoincident = 1e-12;
constexpr double kSingular = 1e-12;
constexpr double kNoStep = 1e-10;
// Periodic curves are those closed within this distance.
constexpr double kPeriodicTol = 0.01;
// Fillet: coplanarity tolerances and the parameter the sides are read at.
constexpr double kFilletPlaneTol = 1e-6;
constexpr double kFilletPlaneRel = 0.0001;
constexpr double kFilletStart = 0.1;
// Common tangent of two curves: Newton limits.
constexpr int kTangentRounds = 32;
constexpr double kFlatDerivative = 0.0001;
constexpr double kParamConverged = 1e-6;
constexpr double kResidualConverged = 0.0001;
// Smallest step of ToConstDistPoint.
constexpr double kMinStep = 0.001;

bool IsKind(CGeCurve3d* c, int type) { return c && c->GetType() == type; }

bool IsPeriodic(CGeCurve3d* c)
{
    if (!c) return false;
    const int type = c->GetType();
    if (type == ge3con::kTypeOffsetCrv3d) return IsPeriodic(static_cast<CGeOffsetCrv3d*>(c)->GetBase());
    return (type == ge3con::kTypeArc3d || type == ge3con::kTypeNrbCrv3d) && c->IsClosed(kPeriodicTol);
}

// A parameter stepped out of [0, 1]: wrapped by one period or clamped.
double Settle(double t, bool periodic)
{
    if (periodic) {
        if (t > 1.0) return t - 1.0;
        if (t < 0.0) return t + 1.0;
        return t;
    }
    return std::min(1.0, std::max(0.0, t));
}

// The new curve of an offset, with its display string and box built.
CGeCurve3d* Settled(CGeCurve3d* c)
{
    c->DiscreteMe(gGetCrvShowDiscTol());
    c->CalcBox();
    return c;
}

CGeCurve3d* CopyOf(CGeCurve3d* c) { return dynamic_cast<CGeCurve3d*>(c->Copy()); }

// Closest points of a line and an arc: their meeting points inside both, the one
// nearer (by the sum of distances) to the points at the incoming parameters.
int LineArcMeet(CGeLine3d* line, CGeArc3d* arc, double& tLine, double& tArc, double* p)
{
    double dir[3];
    V3D_Sub(line->m_ptEnd, line->m_ptStart, dir);
    if (V3D_Unit(dir, 1e-12) != 1) return 0;
    double pts[2][3];
    int count = 0;
    const int kind = Isect3_CirLin(&arc->m_frame, arc->m_radius, line->m_ptStart, dir, kCircleLineTol, pts, count);
    if ((kind != 1 && kind != 3) || count < 1) return 0;
    double hintLine[3], hintArc[3];
    line->GetPointAt(tLine, hintLine, 1);
    arc->GetPointAt(tArc, hintArc, 1);
    bool found = false;
    double bestSum = 0.0, bestLine = 0.0, bestArc = 0.0;
    for (int k = 0; k < count; ++k) {
        double ta = 0.0;
        if (!arc->GetParam(pts[k], ta) || ta < 0.0 || ta > 1.0) continue;
        const double tl = L3D_GetParam(pts[k], line->m_ptStart, line->m_ptEnd);
        if (tl < 0.0 || tl > 1.0) continue;
        const double sum = P3D_Dist(pts[k], hintLine) + P3D_Dist(pts[k], hintArc);
        if (found && !(sum < bestSum)) continue;
        found = true;
        bestSum = sum, bestLine = tl, bestArc = ta;
        P3D_Copy(pts[k], p);
    }
    if (!found) return 0;
    tLine = bestLine;
    tArc = bestArc;
    return 1;
}

}  // namespace

// ---------------------------------------------------------------------------
// Coplanarity

int CGeTool3D::IsCoplanar(CGeCurve3d* c1, CGeCurve3d* c2, double* point, double* normal, double tol, double tolRel)
{
    if (!c1 || !c2 || !point || !normal) return 0;
    if (IsKind(c1, ge3con::kTypeLine3d) && IsKind(c2, ge3con::kTypeLine3d)) {
        auto* l1 = static_cast<CGeLine3d*>(c1);
        auto* l2 = static_cast<CGeLine3d*>(c2);
        double d1[3], d2[3];
        V3D_Sub(l1->m_ptEnd, l1->m_ptStart, d1);
        V3D_Sub(l2->m_ptEnd, l2->m_ptStart, d2);
        return L3D_IsCoplanar(l1->m_ptStart, d1, l2->m_ptStart, d2, tol, tolRel, point, normal);
    }
    double p1[3] = {0.0, 0.0, 0.0}, v1[3] = {0.0, 0.0, 0.0};
    const int code1 = c1->IsPlanar(tol, p1, v1);
    const int code2 = c2->IsPlanar(tol, point, normal);
    return PLN_Relation(code1, p1, v1, code2, point, normal, tolRel, kRelationAngleTol);
}

int CGeTool3D::IsCoplanar(CGeCurve3dList* curves, double* point, double* normal, double tol)
{
    if (!curves || curves->IsEmpty() || !point || !normal) return 0;
    int code = -1;
    for (CGeCurve3d* c : *curves) {
        if (!c) continue;
        if (code < 0) {
            code = c->IsPlanar(tol, point, normal);
        } else {
            double p[3] = {0.0, 0.0, 0.0}, v[3] = {0.0, 0.0, 0.0};
            const int own = c->IsPlanar(tol, p, v);
            code = own == 0 ? 0 : PLN_Relation(own, p, v, code, point, normal, tol, kRelationAngleTol);
        }
        if (code == 0) return 0;
    }
    return code < 0 ? 0 : code;
}

// ---------------------------------------------------------------------------
// Offsets

int CGeTool3D::CurveOffset(CGeCurve3d* curve, double* normal, double dist, CGeCurve3d*& out)
{
    if (!curve || !normal || !(std::fabs(dist) >= kMinOffset)) return 0;
    out = nullptr;
    auto offsetCurve = [&](CGeCurve3d* base, double d) -> int {
        CGeCurve3d* copy = CopyOf(base);
        if (!copy) return 0;
        out = Settled(new CGeOffsetCrv3d(copy, d, normal));
        return 1;
    };
    switch (curve->GetType()) {
    case ge3con::kTypeNrbCrv3d:
        return offsetCurve(curve, dist);
    case ge3con::kTypeLine3d: {
        auto* line = static_cast<CGeLine3d*>(curve);
        double chord[3], side[3];
        V3D_Sub(line->m_ptEnd, line->m_ptStart, chord);
        if (!V3D_VProductUnit(normal, chord, side)) return 0;
        double s[3], e[3];
        for (int i = 0; i < 3; ++i) {
            s[i] = line->m_ptStart[i] + dist * side[i];
            e[i] = line->m_ptEnd[i] + dist * side[i];
        }
        out = Settled(new CGeLine3d(s, e));
        return 1;
    }
    case ge3con::kTypeArc3d: {
        auto* arc = static_cast<CGeArc3d*>(curve);
        if (V3D_IsParallel(normal, arc->m_frame.Z, kOffsetParallelTol) != 1) break;
        const bool sameSense = V3D_GetAngle(normal, arc->m_frame.Z, 1e-12) < kHalfPi;
        const double radius = sameSense ? arc->m_radius - dist : arc->m_radius + dist;
        if (!(radius >= kMinOffsetRadius)) return 0;
        auto* copy = static_cast<CGeArc3d*>(arc->Copy());
        copy->m_radius = radius;
        out = Settled(copy);
        return 1;
    }
    case ge3con::kTypeOffsetCrv3d: {
        auto* offset = static_cast<CGeOffsetCrv3d*>(curve);
        if (!offset->GetBase() || V3D_IsParallel(normal, offset->GetDirection(), kOffsetParallelTol) != 1) break;
        const bool sameSense = V3D_GetAngle(normal, offset->GetDirection(), 1e-12) < kHalfPi;
        const double d = sameSense ? offset->GetDistance() + dist : offset->GetDistance() - dist;
        if (!(std::fabs(d) <= kMaxOffsetDistance)) return 0;
        CGeCurve3d* base = CopyOf(offset->GetBase());
        if (!base) return 0;
        double dir[3];
        P3D_Copy(offset->GetDirection(), dir);
        auto* copy = new CGeOffsetCrv3d(base, d, dir);
        copy->m_nFlags = offset->m_nFlags;
        copy->m_bClosed = offset->m_bClosed;
        out = Settled(copy);
        return 1;
    }
    default:
        break;
    }
    return offsetCurve(curve, dist);
}

// ---------------------------------------------------------------------------
// Closest points

int CGeTool3D::GetClosestPoints(CGeCurve3d* c1, CGeCurve3d* c2, double& t1, double& t2, double* p1, double* p2)
{
    if (!c1 || !c2) return 0;
    const bool line1 = IsKind(c1, ge3con::kTypeLine3d), line2 = IsKind(c2, ge3con::kTypeLine3d);
    const bool arc1 = IsKind(c1, ge3con::kTypeArc3d), arc2 = IsKind(c2, ge3con::kTypeArc3d);
    if (line1 && line2) {
        auto* l1 = static_cast<CGeLine3d*>(c1);
        auto* l2 = static_cast<CGeLine3d*>(c2);
        t1 = t2 = -1e-6;
        if (Isect3_LineLineEx(l1->m_ptStart, l1->m_ptEnd, l2->m_ptStart, l2->m_ptEnd, kLineParallelTol, kMeetTol, p1,
                              p2) != 1)
            return 0;
        t1 = L3D_GetParam(p1, l1->m_ptStart, l1->m_ptEnd);
        t2 = L3D_GetParam(p2, l2->m_ptStart, l2->m_ptEnd);
        return 1;
    }
    if (line1 && arc2) {
        if (!LineArcMeet(static_cast<CGeLine3d*>(c1), static_cast<CGeArc3d*>(c2), t1, t2, p1)) return 0;
        P3D_Copy(p1, p2);
        return 1;
    }
    if (arc1 && line2) {
        if (!LineArcMeet(static_cast<CGeLine3d*>(c2), static_cast<CGeArc3d*>(c1), t2, t1, p1)) return 0;
        P3D_Copy(p1, p2);
        return 1;
    }

    // Newton iteration on the squared distance.
    const bool periodic1 = IsPeriodic(c1), periodic2 = IsPeriodic(c2);
    double best = 1e20, bestT1 = t1, bestT2 = t2, bestP1[3] = {0, 0, 0}, bestP2[3] = {0, 0, 0};
    for (int round = 0; round < kClosestRounds; ++round) {
        double q1[3] = {0, 0, 0}, d1[3] = {0, 0, 0}, e1[3] = {0, 0, 0};
        double q2[3] = {0, 0, 0}, d2[3] = {0, 0, 0}, e2[3] = {0, 0, 0};
        c1->Ev2Der(t1, q1, d1, e1, 1);
        c2->Ev2Der(t2, q2, d2, e2, 1);
        const double dist = P3D_Dist(q1, q2);
        if (dist < kCoincident) {
            P3D_Copy(q1, p1);
            P3D_Copy(q2, p2);
            return 1;
        }
        if (dist < best) {
            best = dist, bestT1 = t1, bestT2 = t2;
            P3D_Copy(q1, bestP1);
            P3D_Copy(q2, bestP2);
        }
        double w[3];
        V3D_Sub(q2, q1, w);
        const double a = V3D_Dot(d1, d1), b = -V3D_Dot(d1, d2), c = V3D_Dot(d2, d2);
        const double r1 = V3D_Dot(d1, w), r2 = -V3D_Dot(d2, w);
        const double det = a * c - b * b;
        if (!(std::fabs(det) >= kSingular)) break;
        const double dt1 = (r1 * c - b * r2) / det, dt2 = (a * r2 - b * r1) / det;
        if (std::fabs(dt1) < kNoStep && std::fabs(dt2) < kNoStep) break;
        t1 = Settle(t1 + dt1, periodic1);
        t2 = Settle(t2 + dt2, periodic2);
    }
    t1 = bestT1;
    t2 = bestT2;
    P3D_Copy(bestP1, p1);
    P3D_Copy(bestP2, p2);
    return best <= kMeetTol ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Fillets and tangents

CGeArc3d* CGeTool3D::GetFilletArc3d(CGeCurve3d* c1, CGeCurve3d* c2, double r, double& t1, unsigned int& seg1,
                                    double& t2, unsigned int& seg2)
{
    double point[3] = {0, 0, 0}, normal[3] = {0, 0, 0};
    if (!c1 || !c2 || IsCoplanar(c1, c2, point, normal, kFilletPlaneTol, kFilletPlaneRel) != 1) return nullptr;
    t1 = t2 = kFilletStart;
    seg1 = seg2 = 1;
    double a[3] = {0, 0, 0}, b[3] = {0, 0, 0};
    c1->GetPointAt(kFilletStart, a, 1);
    c2->GetPointAt(kFilletStart, b, 1);

    // The side of curve c towards the point q: +1 when q lies on the side normal × T.
    auto side = [&](CGeCurve3d* c, const double* q, bool towardQ, int& sign) {
        double n[3] = {0, 0, 0}, t = 0.0, dist = 0.0;
        unsigned int seg = 1;
        if (!c->GetNearestPoint3D(const_cast<double*>(q), n, t, seg, dist)) return false;
        double u[3];
        if (towardQ ? !V3D_GenUnit(n, q, 1e-12, u) : !V3D_GenUnit(q, n, 1e-12, u)) return false;
        double p[3], tan[3] = {0, 0, 0}, w[3];
        c->GetTanVecAt(t, p, tan, static_cast<int>(seg));
        if (!V3D_VProductUnit(normal, tan, w)) return false;
        sign = V3D_GetAngle(w, u, 1e-12) > kHalfPi ? -1 : 1;
        return true;
    };
    int s1 = 0, s2 = 0;
    if (!side(c1, b, true, s1) || !side(c2, a, false, s2)) return nullptr;
    const double d1 = s1 * r, d2 = -s2 * r;

    CGeCurve3d *o1 = nullptr, *o2 = nullptr;
    CurveOffset(c1, normal, d1, o1);
    CurveOffset(c2, normal, d2, o2);
    std::unique_ptr<CGeCurve3d> own1(o1), own2(o2);
    if (!o1 || !o2) return nullptr;
    double q1[3] = {0, 0, 0}, q2[3] = {0, 0, 0};
    double u1 = kFilletStart, u2 = kFilletStart;
    if (!GetClosestPoints(o1, o2, u1, u2, q1, q2)) return nullptr;
    double tp1[3] = {0, 0, 0}, tp2[3] = {0, 0, 0};
    c1->GetPointAt(u1, tp1, 1);
    c2->GetPointAt(u2, tp2, 1);
    auto arc = std::make_unique<CGeArc3d>();
    if (!arc->CreateCSE(0, q1, tp1, tp2)) return nullptr;
    t1 = u1;
    t2 = u2;
    return arc.release();
}

int CGeTool3D::GetTanPtAt2Arc(CGeArc3d* a1, CGeArc3d* a2, double* t1, double* t2, double* p1, double* p2)
{
    double point[3] = {0, 0, 0}, normal[3] = {0, 0, 0};
    if (!a1 || !a2 || !t1 || !t2 || !p1 || !p2) return 0;
    if (IsCoplanar(a1, a2, point, normal, kFilletPlaneTol, kFilletPlaneRel) != 1) return 0;
    double c1[3], c2[3], h1[3] = {0, 0, 0}, h2[3] = {0, 0, 0};
    P3D_Copy(a1->m_frame.O, c1);
    P3D_Copy(a2->m_frame.O, c2);
    double r1 = a1->m_radius, r2 = a2->m_radius;
    a1->GetPointAt(*t1, h1, 0);
    a2->GetPointAt(*t2, h2, 0);
    const bool swapped = r2 < r1;
    if (swapped) {
        std::swap(c1, c2);
        std::swap(r1, r2);
        std::swap(h1, h2);
    }
    double u[3];
    if (!V3D_GenUnit(c1, c2, 1e-12, u)) return 0;
    double s1[3], s2[3];
    for (int i = 0; i < 3; ++i) {
        s1[i] = c1[i] + r1 * u[i];
        s2[i] = c2[i] - r2 * u[i];
    }
    auto sideOf = [&](const double* h) {
        double v[3], x[3];
        if (!V3D_GenUnit(c1, h, 1e-12, v)) return false;
        V3D_Cross(u, v, x);
        return V3D_Dot(x, normal) > 0.0;
    };
    bool side1 = sideOf(h1);
    const bool side2 = sideOf(h2);
    const double d = P3D_Dist(c1, c2);
    double th1 = 0.0, th2 = 0.0;
    if (r1 + r2 < d) {
        if (side1 == side2) {
            const double alpha = std::asin((r2 - r1) / d);
            th1 = alpha + kHalfPi;
            th2 = alpha - kHalfPi;
        } else {
            th1 = th2 = kHalfPi - std::asin((r1 + r2) / d);
        }
    } else {
        if (!(std::fabs(r1 - r2) < d)) return 0;
        const double alpha = std::asin((r2 - r1) / d);
        th1 = alpha + kHalfPi;
        th2 = alpha - kHalfPi;
        if (swapped) side1 = side2;
    }
    if (!side1) {
        th1 = -th1;
        th2 = -th2;
    }
    double q1[3], q2[3];
    P3D_RotatePnt(normal, c1, th1, s1, q1);
    P3D_RotatePnt(normal, c2, th2, s2, q2);
    // Each arc's tangent point goes to that arc's output.
    if (swapped) std::swap(q1, q2);
    P3D_Copy(q1, p1);
    P3D_Copy(q2, p2);
    return 1;
}

int CGeTool3D::GetTanPtAt2Curve(CGeCurve3d* c1, CGeCurve3d* c2, double* t1, double* t2, double* p1, double* p2)
{
    if (!c1 || !c2 || !t1 || !t2 || !p1 || !p2) return 0;
    double s = *t1, v = *t2;
    auto wrap = [](double x) { return x > 1.0 ? x - 1.0 : (x < 0.0 ? x + 1.0 : x); };
    for (int round = 0; round < kTangentRounds; ++round) {
        double d1[3] = {0, 0, 0}, e1[3] = {0, 0, 0}, d2[3] = {0, 0, 0}, e2[3] = {0, 0, 0};
        c1->Ev2Der(s, p1, d1, e1, 1);
        c2->Ev2Der(v, p2, d2, e2, 1);
        double w[3];
        V3D_Sub(p2, p1, w);
        double a[3], b[3];
        V3D_Cross(d1, w, a);
        V3D_Cross(e1, w, b);
        const double f1 = V3D_Dot(a, a), g1 = 2.0 * V3D_Dot(a, b);
        if (!(std::fabs(g1) >= kFlatDerivative)) return 0;
        const double sNew = wrap(s - f1 / g1);
        V3D_Cross(d2, w, a);
        V3D_Cross(e2, w, b);
        const double f2 = V3D_Dot(a, a), g2 = 2.0 * V3D_Dot(a, b);
        if (!(std::fabs(g2) >= kFlatDerivative)) return 0;
        const double vNew = wrap(v - f2 / g2);
        const bool done1 = std::fabs(sNew - s) < kParamConverged || std::fabs(f1) < kResidualConverged;
        const bool done2 = std::fabs(vNew - v) < kParamConverged || std::fabs(f2) < kResidualConverged;
        if (done1 && done2) {
            auto atEnd = [](double x) { return std::fabs(x) < kParamConverged || std::fabs(x - 1.0) < kParamConverged; };
            if ((atEnd(sNew) && std::fabs(f1) > kResidualConverged) ||
                (atEnd(vNew) && std::fabs(f2) > kResidualConverged))
                return 0;
            *t1 = sNew;
            *t2 = vNew;
            c1->GetPointAt(sNew, p1, 1);
            c2->GetPointAt(vNew, p2, 1);
            return 1;
        }
        s = sNew;
        v = vNew;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Constant-distance points

int CGeTool3D::ToConstDistPoint(CGeCurve3d* curve, double step, CStrP3D& out)
{
    if (!curve || !(step >= kMinStep)) return 0;
    std::unique_ptr<CGeCurve3d> temporary;
    CGeCurve3d* measured = curve;
    switch (curve->GetType()) {
    case ge3con::kTypeCombCurve3d:
    case ge3con::kTypeLoop3d:
        temporary.reset(static_cast<CGeCombCurve3d*>(curve)->ToPLine(gGetCrvDiscTol()));
        measured = temporary.get();
        if (!measured) return 0;
        break;
    case ge3con::kTypeNrbCrv3d:
    case ge3con::kTypeLine3d:
    case ge3con::kTypeArc3d:
    case ge3con::kTypePolyline3d:
        break;
    default:
        return 0;
    }
    out.Clear();
    const double total = measured->EvTotalArcLength();
    const double count = std::floor(total / step) + 1.0;
    if (!(count >= 2.0) || count > static_cast<double>(1 << 26)) return 0;
    const int n = static_cast<int>(count);
    if (!out.Create(n, false, false)) return 0;
    measured->GetStartPoint(out.m_pPoints[0]);
    for (int i = 1; i < n; ++i) {
        double t = 0.0;
        unsigned int seg = 0;
        measured->EvParam(i * step, t, seg, total);
        measured->GetPointAt(t, out.m_pPoints[i], static_cast<int>(seg));
    }
    out.CalcBox();
    return 1;
}
