// Tangent circles, fillet arcs, common tangents and closest points of curves.
#include "geometry/algorithms/CurveIntersect.h"
#include "geometry/algorithms/CurveTypes.h"
#include "geometry/algorithms/GeTool2D.h"

#include "framework/numerak/Conic2D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeOffsetCrv.h"
#include "geometry/shapes2d/GeometryConst.h"

#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>

namespace {

// A reference point lies on the left of a tangent when their cross product exceeds this.
constexpr double kSideTol = 0.0001;
// The iterated circles: the pairwise differences of the three radii sum below this.
constexpr double kRadiiAgree = 3 * 0.0001;
constexpr int kMaxRounds = 32;
// Newton polish of their centres: rounds, and the least determinant of a step.
constexpr int kPolishRounds = 8;
constexpr double kPolishMinDet = 1e-12;
// Fillet side reference and the start of its iterated path.
constexpr double kFilletRefParam = 0.1;
// Iterated fillets sweeping less than this are no arc.
constexpr double kMinFilletSweep = 0.0001;
// Tangent-line Newton: g = f^2 below this is converged; steps below kStepTol too.
constexpr double kTangentTol = 0.0001;
constexpr double kStepTol = 1e-6;
// Closest points settle when the two alternating distances agree within this;
// closer than it the curves touch.
constexpr double kPendTol = 0.0001;

double Cross(const double* a, const double* b) { return a[0] * b[1] - a[1] * b[0]; }

// Signed offset distance of magnitude r that puts curve a's offset on the side
// of the reference point ref; none when ref lies on a (no side to take).
std::optional<double> SideDistance(CGeCurve* a, const double* ref, double r)
{
    double q[2] = {0.0, 0.0}, t = 0.0, dist = gecon::kNoDistanceBound;
    unsigned seg = 1;
    double probe[2] = {ref[0], ref[1]};
    if (!a->GetNearestPoint(probe, q, t, seg, dist)) return std::nullopt;
    double tan[2] = {0.0, 0.0};
    a->GetTanVecAt(t, tan, seg);
    V2D_Unit(tan, gecon::kDegenerateTol);
    double u[2];
    if (!V2D_GenUnit(q, ref, gecon::kDegenerateTol, u)) return std::nullopt;
    return Cross(tan, u) > kSideTol ? r : -r;
}

// Offsets of c1 and c2 on the sides of the reference points p2 and p1.
struct Sides {
    double d1 = 0.0, d2 = 0.0;
};
std::optional<Sides> FindSides(CGeCurve* c1, CGeCurve* c2, const double* p1, const double* p2, double r)
{
    const auto d1 = SideDistance(c1, p2, r), d2 = SideDistance(c2, p1, r);
    if (!d1 || !d2) return std::nullopt;
    return Sides{*d1, *d2};
}

// The centre of a radius-given circle: the intersection of the two offsets
// nearest to `near` (the first of equal distances), analytic when both
// offsets can be made, else by Newton iteration on offset curves from the
// given start (whose parameters it carries on every path).
struct Centre {
    bool found = false;
    bool analytic = false;
    double pt[2] = {0.0, 0.0};
    double t1 = 0.0, t2 = 0.0;
    int seg1 = 1, seg2 = 1;
};
Centre OffsetCrossing(CGeCurve* c1, CGeCurve* c2, const Sides& s, const double* near, double t1, int seg1,
                      double t2, int seg2)
{
    Centre c;
    c.t1 = t1;
    c.t2 = t2;
    c.seg1 = seg1;
    c.seg2 = seg2;
    std::unique_ptr<CGeCurve> o1(c1->Offset(s.d1)), o2(c2->Offset(s.d2));
    c.analytic = o1 && o2;
    if (c.analytic) {
        QVN_GeCC_Inter::IntPntArray recs;
        QVN_GeCC_Inter::CurveCurve(o1.get(), o2.get(), &recs, 0);
        if (recs.GetSize() == 0) return c;
        INT_PTR best = 0;
        double bestDist = P2D_Dist(recs[0].pt, near);
        for (INT_PTR i = 1; i < recs.GetSize(); ++i) {
            const double d = P2D_Dist(recs[i].pt, near);
            if (d < bestDist) {
                bestDist = d;
                best = i;
            }
        }
        const IntPnt& r = recs[best];
        c.found = true;
        c.pt[0] = r.pt[0];
        c.pt[1] = r.pt[1];
        c.t1 = r.para1;
        c.t2 = r.para2;
        c.seg1 = r.seg1;
        c.seg2 = r.seg2;
        return c;
    }
    CGeOffsetCrv off1, off2;
    off1.Create(c1, s.d1);
    off2.Create(c2, s.d2);
    c.found = QVN_GeCC_Inter::CurveCurveIterate(&off1, c.t1, c.seg1, &off2, c.t2, c.seg2, c.pt) == 1;
    return c;
}

bool IsAnalytic(CGeCurve* c)
{
    const int type = c->GetType();
    return type == curvetype::kLine || type == curvetype::kArc || type == curvetype::kCircle;
}

// The foot of the perpendicular from centre onto c searched from (t, seg),
// and the next picked point by the curve's kind.
bool Foot(CGeCurve* c, const double* centre, double* foot, double& t, unsigned& seg, double* next)
{
    double probe[2] = {centre[0], centre[1]};
    if (!c->GetPerpPt(probe, foot, t, seg)) return false;
    if (IsAnalytic(c)) {
        next[0] = foot[0];
        next[1] = foot[1];
    } else {
        c->GetPointAt(t, next, seg);
    }
    return true;
}

CGeCircle* NewCircle(const double* centre, double r) { return new CGeCircle(centre, r, 1); }

// One of the three things an iterated circle touches: a curve, followed by
// its perpendicular foot from (t, seg), or a fixed point (no curve).
struct Touch {
    CGeCurve* curve = nullptr;
    double t = 0.0;
    unsigned seg = 1;
    double pick[2] = {0.0, 0.0};  // the next circle passes through this
    double foot[2] = {0.0, 0.0};  // nearest the current centre
};
using Touches = std::array<Touch, 3>;

Touch CurveTouch(CGeCurve* c, double t, unsigned seg)
{
    Touch k;
    k.curve = c;
    k.t = t;
    k.seg = seg;
    c->GetPointAt(t, k.pick, seg);
    return k;
}

Touch PointTouch(const double* p)
{
    Touch k;
    k.pick[0] = k.foot[0] = p[0];
    k.pick[1] = k.foot[1] = p[1];
    return k;
}

bool FindFeet(Touches& k, const double* centre)
{
    for (Touch& x : k)
        if (x.curve && !Foot(x.curve, centre, x.foot, x.t, x.seg, x.pick)) return false;
    return true;
}

// Sum of the pairwise differences of the distances from centre to the feet.
double Mismatch(const Touches& k, const double* centre)
{
    const double r0 = P2D_Dist(centre, k[0].foot), r1 = P2D_Dist(centre, k[1].foot), r2 = P2D_Dist(centre, k[2].foot);
    return std::fabs(r0 - r1) + std::fabs(r1 - r2) + std::fabs(r0 - r2);
}

// Newton steps on the centre towards equal distances to the three feet (the
// gradient of a distance is the unit vector from its foot). The picked-point
// iteration stops when the radii agree within kRadiiAgree, which on a circle
// large against the spread of its touches leaves the centre up to a tenth
// off; a step is kept only while it lowers the mismatch.
void PolishCentre(Touches& k, double* centre)
{
    double err = Mismatch(k, centre);
    for (int round = 0; round < kPolishRounds && err > 0.0; ++round) {
        double n[3][2], g[3];
        for (int i = 0; i < 3; ++i) {
            g[i] = P2D_Dist(centre, k[i].foot);
            if (!V2D_GenUnit(k[i].foot, centre, gecon::kDegenerateTol, n[i])) return;
        }
        const double a[2] = {n[0][0] - n[1][0], n[0][1] - n[1][1]}, b[2] = {n[1][0] - n[2][0], n[1][1] - n[2][1]};
        const double f0 = g[0] - g[1], f1 = g[1] - g[2];
        const double det = Cross(a, b);
        if (!(std::fabs(det) > kPolishMinDet)) return;
        double next[2] = {centre[0] + (a[1] * f1 - f0 * b[1]) / det, centre[1] + (f0 * b[0] - a[0] * f1) / det};
        Touches trial = k;
        if (!FindFeet(trial, next)) return;
        const double e = Mismatch(trial, next);
        if (!(e < err)) return;
        err = e;
        k = trial;
        centre[0] = next[0];
        centre[1] = next[1];
    }
}

// The circle through the three picks, moved on to the feet of its centre
// until the radii agree, then polished; null when three picks are in line,
// a foot is lost, or the radii do not agree in kMaxRounds.
CGeCircle* IterateCircle(Touches& k)
{
    for (int round = 0; round < kMaxRounds; ++round) {
        double centre[2];
        if (!C2D_GetCenter(k[0].pick, k[1].pick, k[2].pick, centre)) return nullptr;
        if (!FindFeet(k, centre)) return nullptr;
        if (Mismatch(k, centre) < kRadiiAgree) {
            PolishCentre(k, centre);
            return NewCircle(centre, P2D_Dist(centre, k[0].foot));
        }
    }
    return nullptr;
}

}  // namespace

CGeCircle* CGeTool2D::GetTanCircleAt2Curve(CGeCurve* c1, CGeCurve* c2, double r, double& t1, int& seg1, double& t2,
                                           int& seg2)
{
    if (!c1 || !c2 || c1 == c2 || !(r > 0.0) || !std::isfinite(r)) return nullptr;
    double s1[2] = {0.0, 0.0}, p1[2] = {0.0, 0.0}, p2[2] = {0.0, 0.0};
    c1->GetStartPoint(s1);
    c1->GetPointAt(t1, p1, unsigned(seg1));
    c2->GetPointAt(t2, p2, unsigned(seg2));
    const auto sides = FindSides(c1, c2, p1, p2, r);
    if (!sides) return nullptr;
    const Centre c = OffsetCrossing(c1, c2, *sides, s1, t1, seg1, t2, seg2);
    t1 = c.t1;
    t2 = c.t2;
    seg1 = c.seg1;
    seg2 = c.seg2;
    return c.found ? NewCircle(c.pt, r) : nullptr;
}

CGeArc* CGeTool2D::GetFilletArc(CGeCurve* c1, CGeCurve* c2, double r, double& t1, int& seg1, double& t2, int& seg2)
{
    if (!c1 || !c2 || c1 == c2 || !(r > 0.0) || !std::isfinite(r)) return nullptr;
    double s1[2] = {0.0, 0.0}, p1[2] = {0.0, 0.0}, p2[2] = {0.0, 0.0};
    c1->GetStartPoint(s1);
    c1->GetPointAt(kFilletRefParam, p1, 1);
    c2->GetPointAt(kFilletRefParam, p2, 1);
    const auto sides = FindSides(c1, c2, p1, p2, r);
    if (!sides) return nullptr;
    const Centre c = OffsetCrossing(c1, c2, *sides, s1, kFilletRefParam, 1, kFilletRefParam, 1);
    t1 = c.t1;
    t2 = c.t2;
    seg1 = c.seg1;
    seg2 = c.seg2;
    if (!c.found) return nullptr;
    double e1[2] = {0.0, 0.0}, e2[2] = {0.0, 0.0};
    c1->GetPointAt(t1, e1, unsigned(seg1));
    c2->GetPointAt(t2, e2, unsigned(seg2));
    auto arc = std::make_unique<CGeArc>();
    if (!arc->CreateCSE(0, c.pt, e1, e2)) return nullptr;
    if (!c.analytic && std::fabs(arc->GetSweep()) < kMinFilletSweep) return nullptr;
    return arc.release();
}

CGeCircle* CGeTool2D::GetCircle3Pt(double* p1, double* p2, double* p3)
{
    if (!p1 || !p2 || !p3) return nullptr;
    double centre[2];
    if (!C2D_GetCenter(p1, p2, p3, centre)) return nullptr;
    return NewCircle(centre, P2D_Dist(centre, p1));
}

CGeCircle* CGeTool2D::GetTanCircleAt1Curve(CGeCurve* c, double* p, double* q, double& t, unsigned& seg)
{
    if (!c || !p || !q) return nullptr;
    Touches k = {CurveTouch(c, t, seg), PointTouch(p), PointTouch(q)};
    CGeCircle* circle = IterateCircle(k);
    t = k[0].t;
    seg = k[0].seg;
    return circle;
}

CGeCircle* CGeTool2D::GetTanCircleAt2Curve(CGeCurve* c1, CGeCurve* c2, double* p, double& t1, unsigned& seg1,
                                           double& t2, unsigned& seg2)
{
    if (!c1 || !c2 || c1 == c2 || !p) return nullptr;
    Touches k = {CurveTouch(c1, t1, seg1), CurveTouch(c2, t2, seg2), PointTouch(p)};
    CGeCircle* circle = IterateCircle(k);
    t1 = k[0].t;
    seg1 = k[0].seg;
    t2 = k[1].t;
    seg2 = k[1].seg;
    return circle;
}

CGeCircle* CGeTool2D::GetTanCircleAt3Curve(CGeCurve* c1, CGeCurve* c2, CGeCurve* c3, double& t1, unsigned& seg1,
                                           double& t2, unsigned& seg2, double& t3, unsigned& seg3)
{
    if (!c1 || !c2 || !c3 || c1 == c2 || c1 == c3 || c2 == c3) return nullptr;
    Touches k = {CurveTouch(c1, t1, seg1), CurveTouch(c2, t2, seg2), CurveTouch(c3, t3, seg3)};
    CGeCircle* circle = IterateCircle(k);
    t1 = k[0].t;
    seg1 = k[0].seg;
    t2 = k[1].t;
    seg2 = k[1].seg;
    t3 = k[2].t;
    seg3 = k[2].seg;
    return circle;
}

int CGeTool2D::GetTanPtAt2Arc(CGeArc* a1, CGeArc* a2, double* t1, double* t2, double* out1, double* out2)
{
    if (!a1 || !a2 || !t1 || !t2 || !out1 || !out2) return 0;
    double c1[2], c2[2], p1[2], p2[2];
    a1->GetCenter(c1);
    a2->GetCenter(c2);
    double r1 = a1->GetRadius(), r2 = a2->GetRadius();
    a1->GetPointAt(*t1, p1, 1);
    a2->GetPointAt(*t2, p2, 1);
    const bool exchanged = r2 < r1;
    if (exchanged) {
        std::swap(c1, c2);
        std::swap(r1, r2);
        std::swap(p1, p2);
    }
    double u[2] = {0.0, 0.0}, e1[2] = {0.0, 0.0}, e2[2] = {0.0, 0.0};
    V2D_GenUnit(c1, c2, gecon::kDegenerateTol, u);
    V2D_GenUnit(c1, p1, gecon::kDegenerateTol, e1);
    V2D_GenUnit(c1, p2, gecon::kDegenerateTol, e2);
    bool s1 = Cross(u, e1) > 0.0;
    const bool s2 = Cross(u, e2) > 0.0;
    const double a[2] = {c1[0] + r1 * u[0], c1[1] + r1 * u[1]};
    const double b[2] = {c2[0] - r2 * u[0], c2[1] - r2 * u[1]};
    const double d = P2D_Dist(c1, c2);
    constexpr double kHalfPi = std::numbers::pi / 2;
    double angle1 = 0.0, angle2 = 0.0;
    if (r1 + r2 < d) {
        if (s1 == s2) {
            const double alpha = std::asin((r2 - r1) / d);
            angle1 = alpha + kHalfPi;
            angle2 = alpha - kHalfPi;
        } else {
            const double alpha = std::asin((r1 + r2) / d);
            angle1 = angle2 = kHalfPi - alpha;
        }
    } else if (std::fabs(r1 - r2) < d) {
        // Overlapping circles have only the outer tangents.
        const double alpha = std::asin((r2 - r1) / d);
        angle1 = alpha + kHalfPi;
        angle2 = alpha - kHalfPi;
        if (exchanged) s1 = s2;
    } else {
        return 0;
    }
    if (!s1) {
        angle1 = -angle1;
        angle2 = -angle2;
    }
    P2D_Rot(c1, angle1, a, out1);
    P2D_Rot(c2, angle2, b, out2);
    return 1;
}

int CGeTool2D::GetTanPtAt2Curve(CGeCurve* c1, CGeCurve* c2, double* t1, double* t2, double* out1, double* out2)
{
    if (!c1 || !c2 || c1 == c2 || !t1 || !t2 || !out1 || !out2) return 0;
    double u = *t1, v = *t2;
    auto wrap = [](double t) {
        if (t > 1.0) return t - 1.0;
        if (t < 0.0) return t + 1.0;
        return t;
    };
    for (int round = 0; round < kMaxRounds; ++round) {
        double d1[2] = {0.0, 0.0}, dd1[2] = {0.0, 0.0}, d2[2] = {0.0, 0.0}, dd2[2] = {0.0, 0.0};
        c1->Ev2Der(u, out1, d1, dd1, 1);
        c2->Ev2Der(v, out2, d2, dd2, 1);
        const double w[2] = {out2[0] - out1[0], out2[1] - out1[1]};
        const double f1 = Cross(d1, w), f1p = Cross(dd1, w);
        const double f2 = Cross(d2, w), f2p = Cross(dd2, w);
        const double g1 = f1 * f1, g2 = f2 * f2;
        // Converged before the derivative test: at the root g' = 2 f f'
        // vanishes with f, so a start on the tangent itself would fail.
        if (g1 < kTangentTol && g2 < kTangentTol) {
            *t1 = u;
            *t2 = v;
            return 1;
        }
        // Newton on f itself; g = f^2 has a double root where f' is lost.
        if (!(std::fabs(f1p) > 0.0) || !(std::fabs(f2p) > 0.0)) return 0;
        const double un = wrap(u - f1 / f1p), vn = wrap(v - f2 / f2p);
        if (!std::isfinite(un) || !std::isfinite(vn)) return 0;
        if ((std::fabs(un - u) < kStepTol || g1 < kTangentTol) && (std::fabs(vn - v) < kStepTol || g2 < kTangentTol)) {
            auto atEnd = [](double t) { return t < kStepTol || t > 1.0 - kStepTol; };
            if ((atEnd(un) && g1 > kTangentTol) || (atEnd(vn) && g2 > kTangentTol)) return 0;
            *t1 = un;
            *t2 = vn;
            c1->GetPointAt(un, out1, 1);
            c2->GetPointAt(vn, out2, 1);
            return 1;
        }
        u = un;
        v = vn;
    }
    return 0;
}

int CGeTool2D::CalcPendPtBy2Curve(CGeCurve* c1, CGeCurve* c2, double& t1, double& t2, double* out1, double* out2)
{
    if (!c1 || !c2 || c1 == c2 || !out1 || !out2) return 0;
    c1->GetPointAt(t1, out1, 1);
    c2->GetPointAt(t2, out2, 1);
    double d1 = 0.0, d2 = 0.0, u = t1, v = t2;
    for (int round = 0; round < kMaxRounds; ++round) {
        unsigned seg = 1;
        double probe[2] = {out2[0], out2[1]};
        d1 = gecon::kNoDistanceBound;
        if (!c1->GetNearestPoint(probe, out1, u, seg, d1)) return 0;
        probe[0] = out1[0];
        probe[1] = out1[1];
        seg = 1;
        d2 = gecon::kNoDistanceBound;
        if (!c2->GetNearestPoint(probe, out2, v, seg, d2)) return 0;
        if (std::fabs(d1 - d2) < kPendTol) return d1 < kPendTol || d2 < kPendTol ? 0 : 1;
    }
    return 0;
}
