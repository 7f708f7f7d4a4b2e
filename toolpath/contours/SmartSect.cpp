#include "toolpath/contours/SmartSect.h"

#include "framework/numerak/Point2D.h"
#include "framework/numerak/QvnMath.h"
#include "framework/numerak/Vector2D.h"
#include "toolpath/contours/SectIntersect.h"
#include "toolpath/contours/SmartConst.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace smart;

namespace {

constexpr double kTwoPi = 6.283185307179586;

// CSmartArc::SweepSide: sweeps up to this (below pi) are tested; the slack per unit of
// (8 + |start angle| + |centre| / radius), some thousand times the rounding it covers;
// margins from this on, and points nearer the centre than this, are left to GetParam.
constexpr double kSideTestSweep = 3.0;
constexpr double kSideTestSlack = 1e-12;
constexpr double kSideTestTerms = 8.0;
constexpr double kSideTestMaxMargin = 0.1;
constexpr double kSideTestMinOffset = 1e-100;
// ... and p is told on the arc only when both angles lie in [-2 pi, 4 pi) with room to spare.
constexpr double kSideReachLow = -6.28;
constexpr double kSideReachHigh = 12.56;
// CSmartArc::OnAtAngle: candidates beyond these multiples of the sweep lie outside
// (-0.001, 1.001) after rounding.
constexpr double kOnTestLow = -0.0011;
constexpr double kOnTestHigh = 1.0011;
// Smaller sweeps (near the subnormals) are left to the division.
constexpr double kOnTestMinSweep = 1e-300;
// DiscretizeArcSect: one chord without the arc cosine when sweep^2 r < 7 e and
// e >= 1e-6 r (the square of the step is at least 8 e / r).
constexpr double kOneChordSweepSq = 7.0;
constexpr double kOneChordMinTol = 1e-6;

// atan2's values on the axes (exact by its definition, the same for any length).
const double kAtanUp = std::atan2(1.0, 0.0);
const double kAtanLeft = std::atan2(0.0, -1.0);

// Angle of p about c in [0, 2 pi). Points straight along an axis from c (the box
// extremes of every arc) take atan2's axis values without calling it.
double AngleAbout(const double* c, const double* p)
{
    const double dy = p[1] - c[1], dx = p[0] - c[0];
    double a;
    if (dy == 0 && dx > 0)
        a = dy;  // atan2(+-0, x > 0) is +-0
    else if (dy == 0 && dx < 0)
        a = std::signbit(dy) ? -kAtanLeft : kAtanLeft;
    else if (dx == 0 && (dy > 0 || dy < 0))
        a = dy > 0 ? kAtanUp : -kAtanUp;
    else
        a = std::atan2(dy, dx);
    if (a < 0)
        a += kTwoPi;
    return a;
}

void BoxOf(const double* a, const double* b, double* box)
{
    box[0] = std::min(a[0], b[0]);
    box[1] = std::min(a[1], b[1]);
    box[2] = std::max(a[0], b[0]);
    box[3] = std::max(a[1], b[1]);
}

void Widen(double* box, const double* p)
{
    box[0] = std::min(box[0], p[0]);
    box[1] = std::min(box[1], p[1]);
    box[2] = std::max(box[2], p[0]);
    box[3] = std::max(box[3], p[1]);
}

}  // namespace

// ---------------------------------------------------------------- CSmartSect

CSmartSect::~CSmartSect() { delete points; }

int CSmartSect::IsPointOn(const double* p)
{
    const double t = GetParam(p);
    return (kOnLow < t && t < kOnHigh) ? 1 : 0;
}

int CSmartSect::IsOnLeft(const double*) { return 1; }

int CSmartSect::AddIntPt(const double* p)
{
    const double t = GetParam(p);
    if (!(t >= kIntPtLow && t <= kIntPtHigh))
        return 0;
    const double v[3] = {p[0], p[1], t};
    return AddPoint(new CSmartPoint(v));
}

int CSmartSect::AddPoint(CSmartPoint* p)
{
    if (!p)
        return 0;
    if (!points)
        points = new CPointList;
    return points->AddPoint(p);
}

void CSmartSect::RotateSect(double angle) { RotateSect(std::cos(angle), std::sin(angle)); }

void CSmartSect::Inherit(const CSmartSect& from, CSmartSect* src)
{
    source = src;
    index = from.index;
    mark = static_cast<std::uint8_t>(mark | (from.mark & 0x80));
}

// ---------------------------------------------------------------- CSmartLine

CSmartLine::CSmartLine(const double* p1, const double* p2)
{
    type = kSectLine;
    start[0] = p1[0];
    start[1] = p1[1];
    end[0] = p2[0];
    end[1] = p2[1];
    DefineBox();
}

void CSmartLine::Reverse()
{
    std::swap(start[0], end[0]);
    std::swap(start[1], end[1]);
}

void CSmartLine::DefineBox() { BoxOf(start, end, box); }

int CSmartLine::GetPoint(double t, double* out)
{
    out[0] = start[0] + t * (end[0] - start[0]);
    out[1] = start[1] + t * (end[1] - start[1]);
    return 1;
}

int CSmartLine::GetNormal(double, double* out)
{
    double d[2] = {end[0] - start[0], end[1] - start[1]};
    const int ok = V2D_Unit(d, kUnitTol);
    out[0] = -d[1];
    out[1] = d[0];
    return ok;
}

int CSmartLine::GetTangent(double, double* out)
{
    double d[2] = {end[0] - start[0], end[1] - start[1]};
    const int ok = V2D_Unit(d, kUnitTol);
    out[0] = d[0];
    out[1] = d[1];
    return ok;
}

double CSmartLine::GetParam(const double* p)
{
    const double dx = end[0] - start[0], dy = end[1] - start[1];
    if (std::fabs(dy) < std::fabs(dx))
        return (p[0] - start[0]) / dx;
    if (dy != 0.0)
        return (p[1] - start[1]) / dy;
    return (p[0] == start[0] && p[1] == start[1]) ? 0.0 : -1.0;
}

int CSmartLine::IsOnLeft(const double* p)
{
    const double c = (end[0] - start[0]) * (p[1] - start[1]) - (end[1] - start[1]) * (p[0] - start[0]);
    return c < 0 ? 0 : 1;
}

int CSmartLine::TrimEnd(int atEnd, const double* p, int withBox)
{
    double* q = atEnd ? end : start;
    q[0] = p[0];
    q[1] = p[1];
    if (withBox)
        DefineBox();
    return 1;
}

double CSmartLine::MinDistPoint(const double* p, double* out)
{
    const double ds = P2D_Dist(p, start), de = P2D_Dist(p, end);
    double best = ds;
    const double* q = start;
    if (de < ds) {
        best = de;
        q = end;
    }
    out[0] = q[0];
    out[1] = q[1];
    const double u[2] = {end[0] - start[0], end[1] - start[1]};
    const double ps = (p[0] - start[0]) * u[0] + (p[1] - start[1]) * u[1];
    const double pe = (p[0] - end[0]) * u[0] + (p[1] - end[1]) * u[1];
    const double uu = u[0] * u[0] + u[1] * u[1];
    if (ps > kLineFootMargin && pe < -kLineFootMargin && uu > kLineFootMargin) {
        const double f[2] = {start[0] + u[0] * ps / uu, start[1] + u[1] * ps / uu};
        const double d = P2D_Dist(p, f);
        if (d < best) {
            best = d;
            out[0] = f[0];
            out[1] = f[1];
        }
    }
    return best;
}

void CSmartLine::RotateSect(double c, double s)
{
    for (double* q : {start, end}) {
        const double x = q[0], y = q[1];
        q[0] = c * x - s * y;
        q[1] = c * y + s * x;
    }
    DefineBox();
}

CSmartSect* CSmartLine::Offset(double d)
{
    double n[2];
    GetNormal(0, n);
    auto* l = new CSmartLine;
    l->start[0] = start[0] + d * n[0];
    l->start[1] = start[1] + d * n[1];
    l->end[0] = end[0] + d * n[0];
    l->end[1] = end[1] + d * n[1];
    l->source = this;
    l->index = index;
    return l;
}

CSmartSect* CSmartLine::GetSubSect(const double* p1, const double* p2)
{
    // The distance is at least either coordinate difference (the other one finite): most
    // pieces are long enough without it.
    const double dx = std::fabs(p2[0] - p1[0]), dy = std::fabs(p2[1] - p1[1]);
    const bool longEnough = (dx >= kMinPiece && std::isfinite(dy)) || (dy >= kMinPiece && std::isfinite(dx));
    if (!(p1[2] < p2[2]) || !(longEnough || P2D_Dist(p1, p2) >= kMinPiece))
        return nullptr;
    auto* l = new CSmartLine(p1, p2);
    l->Inherit(*this, source);
    return l;
}

CSmartSect* CSmartLine::CopyMyself()
{
    auto* l = new CSmartLine(start, end);
    l->Inherit(*this, this);
    return l;
}

double CSmartLine::GetLength() { return P2D_Dist(start, end); }

int CSmartLine::FilterIntPoint()
{
    if (!points)
        return 1;
    for (CSmartPoint* p = points->head; p;) {
        CSmartPoint* n = p->next;
        const double q[2] = {p->x, p->y};
        if (P2D_Dist(q, start) < kJoint || P2D_Dist(q, end) < kJoint) {
            points->RemovePoint(p);
            delete p;
        }
        p = n;
    }
    if (points->count == 0) {
        delete points;
        points = nullptr;
    }
    return 1;
}

// ---------------------------------------------------------------- CSmartArc

CSmartArc::CSmartArc(const double* c, double r, double a0, double a1)
{
    type = kSectArc;
    centre[0] = c[0];
    centre[1] = c[1];
    radius = r;
    startAngle = a0;
    endAngle = a1;
    DefineBox();
}

void CSmartArc::Reverse() { std::swap(startAngle, endAngle); }

bool CSmartArc::BoxKept() const
{
    // Compared as bits: -0.0 and 0.0 may give different boxes, and NaN never equals itself.
    const double key[5] = {centre[0], centre[1], radius, startAngle, endAngle};
    return boxed && std::memcmp(key, boxedFor, sizeof key) == 0;
}

void CSmartArc::DefineBox()
{
    if (BoxKept())
        return;
    // An edit that kept the centre and radius (a reversal, a trimmed end) often leaves an
    // end angle as it was: that end point is taken over.
    ArcPoint known[2];
    BoxWithEnds(known, KeptEnds(known));
}

int CSmartArc::KeptEnds(ArcPoint* out) const
{
    if (!boxed || std::memcmp(boxedFor, centre, sizeof centre) != 0 || std::memcmp(boxedFor + 2, &radius, sizeof radius) != 0)
        return 0;
    for (int i = 0; i < 2; ++i) {
        out[i].angle = AngleBetween(boxedFor[3], boxedFor[4], i);
        std::copy(boxedEnds[i], boxedEnds[i] + 2, out[i].p);
        out[i].held = true;
    }
    return 2;
}

void CSmartArc::BoxWithEnds(const ArcPoint* known, int count)
{
    double ends[2][2];
    for (int i = 0; i < 2; ++i) {
        const double a = AngleAt(i);
        const ArcPoint* k = std::find_if(known, known + count, [a](const ArcPoint& q) {
            return q.held && std::memcmp(&q.angle, &a, sizeof a) == 0;
        });
        if (k != known + count)
            std::copy(k->p, k->p + 2, ends[i]);
        else
            PointAtAngle(a, ends[i]);
    }
    BoxOf(ends[0], ends[1], box);
    const double ext[4][2] = {{centre[0] + radius, centre[1]},
                              {centre[0] - radius, centre[1]},
                              {centre[0], centre[1] + radius},
                              {centre[0], centre[1] - radius}};
    for (const auto& q : ext)
        if (OnAtAngle(AngleAbout(centre, q)))
            Widen(box, q);
    const double key[5] = {centre[0], centre[1], radius, startAngle, endAngle};
    std::memcpy(boxedFor, key, sizeof key);
    std::copy(ends[0], ends[0] + 2, boxedEnds[0]);
    std::copy(ends[1], ends[1] + 2, boxedEnds[1]);
    boxed = true;
}

int CSmartArc::GetPoint(double t, double* out)
{
    // The ends DefineBox worked out at t = +0.0 and 1.0 (-0.0 can move an angle's sign).
    if ((t == 1.0 || (t == 0.0 && !std::signbit(t))) && BoxKept()) {
        const double* e = boxedEnds[t == 1.0 ? 1 : 0];
        out[0] = e[0];
        out[1] = e[1];
        return 1;
    }
    PointAtAngle(AngleAt(t), out);
    return 1;
}

void CSmartArc::PointAtAngle(double a, double* out) const
{
    out[0] = centre[0] + radius * std::cos(a);
    out[1] = centre[1] + radius * std::sin(a);
}

int CSmartArc::GetNormal(double t, double* out)
{
    const double a = AngleAt(t);
    const double k = IsCounterClockwise() ? -1.0 : 1.0;
    out[0] = k * std::cos(a);
    out[1] = k * std::sin(a);
    return 1;
}

int CSmartArc::GetTangent(double t, double* out)
{
    const double a = AngleAt(t);
    const double k = IsCounterClockwise() ? 1.0 : -1.0;
    out[0] = -k * std::sin(a);
    out[1] = k * std::cos(a);
    return 1;
}

// The point's angle is tried as it is, one turn up and one turn down; a candidate
// inside the sweep (with a 0.001 margin) wins, else the nearer side of the sweep decides.
double CSmartArc::GetParam(const double* p) { return ParamAtAngle(AngleAbout(centre, p)); }

double CSmartArc::ParamAtAngle(double a) const
{
    const double sweep = endAngle - startAngle;
    if (sweep == 0.0)
        return -1.0;
    const double t[3] = {(a - startAngle) / sweep, (a + kTwoPi - startAngle) / sweep, (a - kTwoPi - startAngle) / sweep};
    for (double ti : t)
        if (kArcParamLow < ti && ti < kArcParamHigh)
            return ti;
    for (int i = 1; i < 3; ++i)
        if (t[i] * t[0] <= 0)
            return std::fabs(t[i]) > std::fabs(t[0] - 1) ? t[0] : t[i];
    return -1.0;
}

int CSmartArc::IsPointOn(const double* p)
{
    // Most points asked about (crossings of the circle on or away from the arc) are told
    // from the kept end points, without GetParam's arc tangent.
    if (const int side = SweepSide(p))
        return side > 0 ? 1 : 0;
    return OnAtAngle(AngleAbout(centre, p));
}

// ParamAtAngle's candidates are n / sweep for three numerators n; the first inside
// (-0.001, 1.001) decides, by lying inside (-1e-8, 1.00000001) or not (a parameter
// returned otherwise lies outside both). Rounding the quotient keeps it in [0, 1] when
// n / sweep lies there, and beyond -0.001 or 1.001 when n / sweep lies beyond -0.0011
// or 1.0011: those candidates are decided without dividing, any other by the division.
int CSmartArc::OnAtAngle(double a) const
{
    const double sweep = endAngle - startAngle;
    if (sweep == 0.0)
        return 0;
    const double span = std::fabs(sweep);
    if (span >= kOnTestMinSweep && span < HUGE_VAL) {
        const double n[3] = {a - startAngle, a + kTwoPi - startAngle, a - kTwoPi - startAngle};
        int i = 0;
        for (; i < 3; ++i) {
            const double along = sweep > 0 ? n[i] : -n[i];
            if (along >= 0 && along <= span)
                return 1;
            if (!(along < kOnTestLow * span || along > kOnTestHigh * span))
                break;  // near a bound of the wide range (or NaN): the division decides
        }
        if (i == 3)
            return 0;
    }
    const double t = ParamAtAngle(a);
    return (kOnLow < t && t < kOnHigh) ? 1 : 0;
}

// IsPointOn holds only when p's angle about the centre lies within the sweep widened by
// 1e-8 of it at either end, up to the rounding of GetParam and of the kept end points.
// A turn from the start point's direction to p's against the sweep, or from the end
// point's onwards, whose sine exceeds that margin with ample slack puts p off the arc:
// with a sweep below pi such a turn cannot come round to the arc's side. Turns the
// other way from both, beyond the same margin, put p's angle inside the sweep, where
// GetParam's only candidate near [0, 1] lies inside (0, 1). The sines are the cross
// products over the vectors' lengths, bounded from above by |x| + |y|.
int CSmartArc::SweepSide(const double* p) const
{
    const double sweep = endAngle - startAngle;
    if (!(std::fabs(sweep) <= kSideTestSweep) || !(radius >= kMinRadius) || !BoxKept())
        return 0;
    const double slack =
        kSideTestSlack * (kSideTestTerms + std::fabs(startAngle) + (std::fabs(centre[0]) + std::fabs(centre[1])) / radius);
    const double margin = 2 * -kOnLow * std::fabs(sweep) + slack;
    const double dx = p[0] - centre[0], dy = p[1] - centre[1];
    const double n = std::fabs(dx) + std::fabs(dy);
    if (!(margin < kSideTestMaxMargin) || !(n >= kSideTestMinOffset))
        return 0;
    const double sx = boxedEnds[0][0] - centre[0], sy = boxedEnds[0][1] - centre[1];
    const double ex = boxedEnds[1][0] - centre[0], ey = boxedEnds[1][1] - centre[1];
    const double side = sweep > 0 ? 1.0 : -1.0;
    const double fromStart = side * (sx * dy - sy * dx), toEnd = side * (dx * ey - dy * ex);
    const double startBound = margin * (std::fabs(sx) + std::fabs(sy)) * n;
    const double endBound = margin * (std::fabs(ex) + std::fabs(ey)) * n;
    if (fromStart < -startBound || toEnd < -endBound)
        return -1;
    // GetParam tries p's angle in [0, 2 pi) and one turn either way: the arc must lie
    // within their reach for an angle inside the sweep to be found.
    const bool inReach = std::min(startAngle, endAngle) >= kSideReachLow && std::max(startAngle, endAngle) <= kSideReachHigh;
    if (inReach && fromStart > startBound && toEnd > endBound)
        return 1;
    return 0;
}

int CSmartArc::IsOnLeft(const double*) { return 1; }

int CSmartArc::TrimEnd(int atEnd, const double* p, int withBox)
{
    const double a = AngleAt(GetParam(p));
    if (atEnd)
        endAngle = a;
    else
        startAngle = a;
    if (withBox)
        DefineBox();
    return 1;
}

double CSmartArc::MinDistPoint(const double* p, double* out)
{
    double s[2], e[2];
    GetPoint(0, s);
    GetPoint(1, e);
    const double ds = P2D_Dist(p, s), de = P2D_Dist(p, e);
    double best = de < ds ? de : ds;
    out[0] = de < ds ? e[0] : s[0];
    out[1] = de < ds ? e[1] : s[1];
    const double t = GetParam(p);
    if (kArcFootMargin < t && t < 1 - kArcFootMargin) {
        double f[2];
        GetPoint(t, f);
        const double d = P2D_Dist(p, f);
        if (d < best) {
            best = d;
            out[0] = f[0];
            out[1] = f[1];
        }
    }
    return best;
}

void CSmartArc::RotateSect(double c, double s)
{
    double p[2][2];
    GetPoint(0, p[0]);
    GetPoint(1, p[1]);
    auto rot = [c, s](double* q) {
        const double x = q[0], y = q[1];
        q[0] = c * x - s * y;
        q[1] = c * y + s * x;
    };
    rot(centre);
    if (std::fabs(kTwoPi - std::fabs(startAngle - endAngle)) > kFullCircleTol) {
        rot(p[0]);
        rot(p[1]);
        double a0 = AngleAbout(centre, p[0]);
        const double a1 = AngleAbout(centre, p[1]);
        if (IsCounterClockwise()) {
            startAngle = a0;
            endAngle = a1 < a0 ? a1 + kTwoPi : a1;
        } else {
            if (a1 > a0)
                a0 += kTwoPi;
            startAngle = a0;
            endAngle = a1;
        }
    }
    DefineBox();
}

// Offsets that would shrink an arc to nothing (or through its centre) vanish; the
// same rule holds for both senses, so no arc of negative radius is made.
CSmartSect* CSmartArc::Offset(double d)
{
    const double r = IsCounterClockwise() ? radius - d : radius + d;
    if (r * std::fabs(endAngle - startAngle) < kMinOffsetArc)
        return nullptr;
    auto* a = new CSmartArc;
    a->centre[0] = centre[0];
    a->centre[1] = centre[1];
    a->radius = r;
    a->startAngle = startAngle;
    a->endAngle = endAngle;
    a->source = this;
    a->index = index;
    return a;
}

CSmartSect* CSmartArc::GetSubSect(const double* p1, const double* p2)
{
    ArcPoint none;
    return GetSubSect(p1, p2, none);
}

CSmartSect* CSmartArc::GetSubSect(const double* p1, const double* p2, ArcPoint& carry)
{
    if (!(p1[2] < p2[2]))
        return nullptr;
    const double a0 = AngleAt(p1[2]), a1 = AngleAt(p2[2]);
    if (!(std::fabs(a1 - a0) * radius >= kMinPiece))
        return nullptr;
    // The piece's ends where they are this arc's kept ends or the previous piece's end.
    ArcPoint known[3];
    int count = KeptEnds(known);
    known[count++] = carry;
    auto* a = new CSmartArc;
    std::copy(centre, centre + 2, a->centre);
    a->radius = radius;
    a->startAngle = a0;
    a->endAngle = a1;
    a->BoxWithEnds(known, count);
    a->Inherit(*this, source);
    carry.angle = a->AngleAt(1);
    std::copy(a->boxedEnds[1], a->boxedEnds[1] + 2, carry.p);
    carry.held = true;
    return a;
}

CSmartSect* CSmartArc::CopyMyself()
{
    auto* a = new CSmartArc;
    std::copy(centre, centre + 2, a->centre);
    a->radius = radius;
    a->startAngle = startAngle;
    a->endAngle = endAngle;
    // The box comes along when it is that of these values (DefineBox checks).
    std::copy(box, box + 4, a->box);
    std::copy(boxedFor, boxedFor + 5, a->boxedFor);
    std::copy(&boxedEnds[0][0], &boxedEnds[0][0] + 4, &a->boxedEnds[0][0]);
    a->boxed = boxed;
    a->DefineBox();
    a->Inherit(*this, this);
    return a;
}

double CSmartArc::GetLength() { return std::fabs(endAngle - startAngle) * radius; }

// ---------------------------------------------------------------- arc set-up

void InitSmartArcByAngles(const double* angles, const double* centre, CSmartArc* arc, double radius)
{
    arc->type = kSectArc;
    arc->next = arc->prev = nullptr;
    arc->startAngle = angles[0];
    arc->endAngle = angles[1];
    arc->centre[0] = centre[0];
    arc->centre[1] = centre[1];
    arc->radius = radius;
    arc->DefineBox();
}

int SetSmartArcByPoints(const double* startPt, CSmartArc* arc, const double* centre, const double* endPt)
{
    arc->centre[0] = centre[0];
    arc->centre[1] = centre[1];
    arc->radius = P2D_Dist(centre, startPt);
    arc->startAngle = AngleAbout(centre, startPt);
    arc->endAngle = AngleAbout(centre, endPt);
    if (arc->startAngle <= arc->endAngle)
        arc->startAngle += kTwoPi;
    arc->DefineBox();
    return 1;
}

void InitSmartArcByPoints(const double* startPt, const double* centre, CSmartArc* arc, const double* endPt)
{
    arc->type = kSectArc;
    arc->next = arc->prev = nullptr;
    SetSmartArcByPoints(startPt, arc, centre, endPt);
}

int SetSmartArcThreePoints(const double* a, const double* b, CSmartArc* arc, const double* c)
{
    double u[2] = {b[0] - a[0], b[1] - a[1]}, v[2] = {c[0] - a[0], c[1] - a[1]};
    if (!V2D_Unit(u, kUnitTol) || !V2D_Unit(v, kUnitTol))
        return 0;
    const double k = v[1] * u[0] - v[0] * u[1];
    if (!(std::fabs(k) >= kCollinearTurn))
        return 0;
    // Perpendicular bisectors of a-b and b-c, each by its midpoint and a point one unit along.
    double w[2] = {c[0] - b[0], c[1] - b[1]};
    if (!V2D_Unit(w, kUnitTol))
        return 0;
    const double m1[2] = {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2}, m2[2] = {(b[0] + c[0]) / 2, (b[1] + c[1]) / 2};
    const double n1[2] = {m1[0] - u[1], m1[1] + u[0]}, n2[2] = {m2[0] - w[1], m2[1] + w[0]};
    double ctr[2];
    if (!LineLineIntersect(m1, m2, n1, n2, ctr))
        return 0;
    const double r = P2D_Dist(ctr, a);
    if (!(r <= kMaxArcRadius))
        return 0;
    double sa = AngleAbout(ctr, a), ea = AngleAbout(ctr, c);
    if (k < 0) {
        if (ea >= sa)
            sa += kTwoPi;
    } else if (ea <= sa) {
        ea += kTwoPi;
    }
    arc->centre[0] = ctr[0];
    arc->centre[1] = ctr[1];
    arc->radius = r;
    arc->startAngle = sa;
    arc->endAngle = ea;
    arc->DefineBox();
    return 1;
}

int DiscretizeArcSect(double (*out)[2], int capacity, double tol, CSmartArc* arc)
{
    const double r = std::fabs(arc->radius);
    if (r < kMinRadius || capacity < 2)
        return 0;
    tol = std::max(tol, kMinDiscTol);
    const double e = std::min(tol, r);
    const double sweep = std::fabs(arc->endAngle - arc->startAngle);
    // The step is at least 2 sqrt(2 e / r), as acos(1 - d) >= sqrt(2 d): a sweep whose
    // square stays below 7 e / r (with e / r well above the rounding of 1 - e / r) is one
    // chord without the arc cosine.
    int n = 1;
    if (!(sweep * sweep * r < kOneChordSweepSq * e && e >= kOneChordMinTol * r)) {
        const double step = std::max(2 * QVN_Math::ACos((r - e) / r), kMinAngleStep);
        const double chords = sweep / step + 1;
        n = chords < capacity - 1 ? static_cast<int>(chords) : capacity - 1;
        n = std::max(n, 1);
    }
    for (int i = 0; i <= n; ++i)
        arc->GetPoint(static_cast<double>(i) / n, out[i]);
    return n;
}
