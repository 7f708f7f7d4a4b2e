#include "toolpath/surfkernel/EdInterCurve.h"

#include "framework/numerak/Box3D.h"
#include "framework/numerak/Intersect2D.h"
#include "framework/numerak/Line3D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/QvnMath.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "toolpath/surfkernel/BoxSweep.h"
#include "toolpath/surfkernel/EdTrimBound.h"
#include "toolpath/surfkernel/EdTrimLoop.h"
#include "toolpath/surfkernel/EdTrimSurf.h"
#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/KernelRecords.h"
#include "toolpath/surfkernel/SampleString.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr double kDupT = 0.00001;        // listed points this close in t are one
constexpr double kDupSpan = 1.0;         // ... and within this t span when 3D within kDupDist
constexpr double kDupDist = 0.02;
constexpr double kPeriodicSettled = 1e-6;
constexpr double kBoxGrow = 1e-8;
constexpr double kParamLo = -1e-8;       // segment parameters accepted for a crossing
constexpr double kParamHi = 1.00000001;
constexpr double kBoundIsectTol = 1e-8;
constexpr double kCurveIsectTol = 1e-10;
constexpr double kSnapGap = 0.02;        // a crossing's point on the other surface is snapped beyond this
constexpr double kSelfPointTol = 0.001;  // segment ends this close count as the self crossing
constexpr double kSelfLineTol = 0.006;
constexpr double kSelfAngleTol = 1e-7;
constexpr double kSelfMinArc = 0.05;     // curve between two segments before they may meet
constexpr double kNearBoxTol = 0.1;
constexpr double kSelfNearTol = 0.01;
constexpr double kNearFar = 100000.0;
constexpr int kClusterReach = 2;         // pairs whose indices differ by at most this cluster
constexpr double kOnEnd = 1e-8;          // a piece end this close to a point index is that point
constexpr double kSeamSnap = 0.001;
constexpr double kOutside = 1e-6;
constexpr double kSecondProbe = 0.3;
constexpr double kLineJoin = 1e-6;
constexpr double kWholeFraction = 0.0001;
constexpr double kPieceTraceTol = 0.001;

constexpr int kPieceEndFlags = IP_END | IP_BOUND_A | IP_BOUND_B | IP_CURVE_BOTH | IP_SELF | IP_NEAR_BOTH;
constexpr int kOneSurfaceFlags = IP_CURVE_ONE | IP_NEAR_ONE;

bool HasSurface(const CEdTrimSurf* e) { return e != nullptr && e->surf != nullptr; }

// The (lo, hi) range of E's parameter box in coordinate c (0 u, 1 v).
void BoxRange(const CEdTrimSurf* e, int c, double& lo, double& hi)
{
    lo = c == 0 ? e->uvBox.xmin : e->uvBox.ymin;
    hi = c == 0 ? e->uvBox.xmax : e->uvBox.ymax;
}

void Lerp(const double* a, const double* b, double r, int count, double* out)
{
    for (int k = 0; k < count; ++k) out[k] = a[k] + r * (b[k] - a[k]);
}

BOX2<double> SegmentBox(const double* p, const double* q)
{
    return BOX2<double>(std::min(p[0], q[0]), std::min(p[1], q[1]), std::max(p[0], q[0]), std::max(p[1], q[1]));
}

BOX2<double> Grown(BOX2<double> b, double d)
{
    b.xmin -= d, b.ymin -= d, b.xmax += d, b.ymax += d;
    return b;
}

bool Overlap(const BOX2<double>& a, const BOX2<double>& b)
{
    return a.xmin <= b.xmax && b.xmin <= a.xmax && a.ymin <= b.ymax && b.ymin <= a.ymax;
}

BOX3<double> SegmentBox3(const double* p, const double* q, double grow = 0.0)
{
    BOX3<double> b;
    b.Init(p, q);
    b.xmin -= grow, b.ymin -= grow, b.zmin -= grow, b.xmax += grow, b.ymax += grow, b.zmax += grow;
    return b;
}

std::vector<BOX3<double>> SegmentBoxes3(const double* pts, int stride, int nLast, double grow = 0.0)
{
    std::vector<BOX3<double>> boxes;
    boxes.reserve(nLast > 0 ? nLast : 0);
    for (int i = 0; i < nLast; ++i) boxes.push_back(SegmentBox3(pts + stride * i, pts + stride * (i + 1), grow));
    return boxes;
}

// The surface point at (u, v), a periodic coordinate taken into its range first: the
// record is defined only there, and a value whole periods away is the same place.
void EvalWrapped(CGeTrimSurf* g, double u, double v, const int* periodic, const double (*range)[2], double* out)
{
    if (periodic[0]) u = QVN_Math::ClampPeriodic(range[0][0], range[0][1], u);
    if (periodic[1]) v = QVN_Math::ClampPeriodic(range[1][0], range[1][1], v);
    g->GetPoint(u, v, out);
}

bool InParamRange(double r) { return r >= kParamLo && r <= kParamHi; }

// Segment pairs (a, b), in the plain scan's order, whose 3D boxes meet within tol.
std::vector<std::pair<int, int>> NearSegmentPairs(const std::vector<BOX3<double>>& a,
                                                  const std::vector<BOX3<double>>& b, double tol)
{
    std::vector<std::pair<int, int>> out;
    boxsweep::Pairs(a, b, tol, [&](int i, int j) {
        if (BOX3D_IsInt(&a[i], &b[j], tol)) out.emplace_back(i, j);
    });
    std::sort(out.begin(), out.end());
    return out;
}

// The near pairs of segment sigma (s0-s1, index i) of this curve and segment tau (t0-t1,
// index j) of the other polyline: the other's ends projected onto sigma, then sigma's ends
// onto tau, each kept when its foot lies on the segment; recorded when keep(dist).
template <class Keep1, class Keep2>
void RecordSegmentPairs(const double* s0, const double* s1, int i, const double* t0, const double* t1, int j,
                        Keep1 keepFirst, Keep2 keepSecond, NearPair base, std::vector<NearPair>& pairs)
{
    auto project = [](const double* p, const double* a, const double* b, double& best, double& bestParam) {
        double foot[3], param = 0.0;
        if (L3D_PrjPntEx2(p, a, b, foot, &param) != 1 || param < 0.0 || param > 1.0) return false;
        const double d = P3D_Dist(p, foot);
        if (!(d < best)) return false;
        best = d, bestParam = param;
        return true;
    };
    double best = kNearFar, param = 0.0;
    int end = -1;
    if (project(t0, s0, s1, best, param)) end = j;
    if (project(t1, s0, s1, best, param)) end = j + 1;
    if (end >= 0 && keepFirst(best)) {
        NearPair p = base;
        p.index = i, p.param = param, p.otherIndex = end, p.otherParam = 0.0, p.dist = best, p.mark = 0;
        pairs.push_back(p);
    }
    best = kNearFar, end = -1;
    if (project(s0, t0, t1, best, param)) end = i;
    if (project(s1, t0, t1, best, param)) end = i + 1;
    if (end >= 0 && keepSecond(best)) {
        NearPair p = base;
        p.index = end, p.param = 0.0, p.otherIndex = j, p.otherParam = param, p.dist = best, p.mark = 0;
        pairs.push_back(p);
    }
}

// The seven coordinates of a polyline of `stride` doubles per point at index + param.
void PolylineAt(const double* pts, int stride, int nLast, int index, double param, int count, double* out)
{
    if (index >= nLast || param == 0.0) {
        const int k = std::clamp(index, 0, nLast);
        std::memcpy(out, pts + stride * k, count * sizeof(double));
        return;
    }
    Lerp(pts + stride * index, pts + stride * (index + 1), param, count, out);
}

}  // namespace

void CEdInterPoint::Get(double* out) const
{
    out[0] = x, out[1] = y, out[2] = z, out[3] = uA, out[4] = vA, out[5] = uB, out[6] = vB;
}

void CEdInterPoint::Set(const double* in)
{
    x = in[0], y = in[1], z = in[2], uA = in[3], vA = in[4], uB = in[5], vB = in[6];
}

double PeriodicShift(double x, double period, double lo, double hi)
{
    if (!(period > 0.0) || !std::isfinite(x) || !std::isfinite(period)) return 0.0;
    // Whole periods at once, then the rule's steps for the last one (same sums).
    double s = 0.0;
    if (x < lo) s = std::floor((lo - x) / period) * period;
    while (x + s < lo) s += period;
    if (x + s > hi) s -= std::floor((x + s - hi) / period) * period;
    while (x + s > hi) s -= period;
    return s;
}

CEdInterCurve::CEdInterCurve() = default;

CEdInterCurve::~CEdInterCurve()
{
    Reset();
    FreePoints();
}

void CEdInterCurve::FreePoints()
{
    delete[] pts;
    pts = nullptr;
    nLast = 0;
}

void CEdInterCurve::Reset()
{
    DeleteChain(pointHead);
    pointTail = nullptr;
    state = 0;
}

int CEdInterCurve::PointCount() const
{
    int n = 0;
    for (const CEdInterPoint* p = pointHead; p; p = p->next) ++n;
    return n;
}

void CEdInterCurve::CalcBox()
{
    for (int c = 0; c < 7; ++c) minBox[c] = maxBox[c] = pts[0][c];
    for (int i = 1; i <= nLast; ++i)
        for (int c = 0; c < 7; ++c) {
            minBox[c] = std::min(minBox[c], pts[i][c]);
            maxBox[c] = std::max(maxBox[c], pts[i][c]);
        }
}

void CEdInterCurve::SettlePeriodic(const double (*range)[2])
{
    for (int f = 0; f < 4; ++f) {
        if (!periodic[f]) continue;
        const int c = 3 + f;
        const double lo = range[f][0], hi = range[f][1];
        const double h = PeriodicShift(minBox[c], hi - lo, lo, hi);
        minBox[c] += h;
        maxBox[c] += h;
        if (maxBox[c] < hi) periodic[f] = 0;
        if (std::fabs(h) > kPeriodicSettled)
            for (int i = 0; i <= nLast; ++i) pts[i][c] += h;
    }
}

int CEdInterCurve::Create(ECRV_INTCUR* record, CEdTrimSurf* a, CEdTrimSurf* b)
{
    FreePoints();
    if (record == nullptr || record->trace == nullptr || record->trace->n < 2 || record->trace->s == nullptr)
        return 0;
    if (a != nullptr ? (!HasSurface(a) || (b != nullptr && !HasSurface(b))) : !HasSurface(b)) return 0;
    const SSI_TRACE& trace = *record->trace;
    pts = new (std::nothrow) double[trace.n][7];
    if (pts == nullptr) return 0;
    nLast = trace.n - 1;
    for (int i = 0; i <= nLast; ++i) {
        const SSI_SAMPLE& s = trace.s[i];
        const double p[7] = {s.p[0], s.p[1], s.p[2], s.uvA[0], s.uvA[1], s.uvB[0], s.uvB[1]};
        std::memcpy(pts[i], p, sizeof p);
    }
    surfA = a;
    surfB = b;
    double range[4][2] = {};
    CEdTrimSurf* surfs[2] = {a, b};
    for (int s = 0; s < 2; ++s) {
        periodic[2 * s] = periodic[2 * s + 1] = 0;
        if (surfs[s] == nullptr) continue;
        periodic[2 * s] = surfs[s]->uPeriodic;
        periodic[2 * s + 1] = surfs[s]->vPeriodic;
        BoxRange(surfs[s], 0, range[2 * s][0], range[2 * s][1]);
        BoxRange(surfs[s], 1, range[2 * s + 1][0], range[2 * s + 1][1]);
    }
    if ((a == nullptr) != (b == nullptr)) {
        // One surface: the 3D points come from it, the other (u, v) is unknown.
        const int k = a != nullptr ? kCoordA : kCoordB, other = a != nullptr ? kCoordB : kCoordA;
        const int f = k - 3;
        CGeTrimSurf* g = (a != nullptr ? a : b)->surf;
        for (int i = 0; i <= nLast; ++i) {
            EvalWrapped(g, pts[i][k], pts[i][k + 1], periodic + f, range + f, pts[i]);
            pts[i][other] = pts[i][other + 1] = 0.0;
        }
    }
    CalcBox();
    SettlePeriodic(range);
    sideA = a != nullptr && a->surf->m_pKernelSurf != nullptr ? record->side[0] : 0;
    sideB = b != nullptr && b->surf->m_pKernelSurf != nullptr ? record->side[1] : 0;
    return 1;
}

int CEdInterCurve::Create(double (*uv)[2], int n, CEdTrimSurf* E)
{
    FreePoints();
    if (uv == nullptr || n <= 1 || !HasSurface(E)) return 0;
    pts = new (std::nothrow) double[n][7];
    if (pts == nullptr) return 0;
    nLast = n - 1;
    surfA = E;
    surfB = nullptr;
    double range[4][2] = {};
    periodic[0] = periodic[1] = periodic[2] = periodic[3] = 0;
    _param U, V;
    if (const auto* kernel = static_cast<const SURFACE*>(E->surf->m_pKernelSurf);
        kernel != nullptr && ESRF_GetDomain(kernel, &U, &V) == 1) {
        periodic[0] = U.closure == 2 ? 1 : 0;
        periodic[1] = V.closure == 2 ? 1 : 0;
        range[0][0] = U.start, range[0][1] = U.end;
        range[1][0] = V.start, range[1][1] = V.end;
    }
    for (int i = 0; i < n; ++i) {
        double* p = pts[i];
        p[0] = p[1] = p[2] = 0.0;
        EvalWrapped(E->surf, uv[i][0], uv[i][1], periodic, range, p);
        p[3] = uv[i][0], p[4] = uv[i][1], p[5] = p[6] = 0.0;
    }
    CalcBox();
    SettlePeriodic(range);
    return 1;
}

int CEdInterCurve::AddNewPoint(CEdInterPoint* p)
{
    if (p == nullptr) return 0;
    p->next = p->prev = nullptr;
    const double xyz[3] = {p->x, p->y, p->z};
    for (CEdInterPoint* q = pointHead; q; q = q->next) {
        const double dt = std::fabs(q->t - p->t);
        const double qxyz[3] = {q->x, q->y, q->z};
        if (dt <= kDupT || (dt <= kDupSpan && P3D_Dist(qxyz, xyz) < kDupDist)) {
            if ((q->flags & p->flags) == 0) q->flags |= p->flags;
            if (p->flags == IP_CURVE_ONE || p->flags == IP_NEAR_ONE) q->surf = p->surf;
            delete p;
            return 0;
        }
    }
    CEdInterPoint* at = pointHead;
    while (at != nullptr && at->t < p->t) at = at->next;
    if (at != nullptr && at->t == p->t) {
        delete p;
        return 0;
    }
    if (at == nullptr) {
        p->prev = pointTail;
        (pointTail ? pointTail->next : pointHead) = p;
        pointTail = p;
    } else {
        p->next = at;
        p->prev = at->prev;
        (at->prev ? at->prev->next : pointHead) = p;
        at->prev = p;
    }
    return 1;
}

CEdInterPoint* CEdInterCurve::NewPointAt(double t, int flags, CEdTrimSurf* E) const
{
    auto* p = new CEdInterPoint;
    double c[7];
    GetPoint(t, c);
    p->Set(c);
    p->t = t;
    p->flags = flags;
    p->surf = E;
    return p;
}

void CEdInterCurve::AddEndPoint()
{
    if (pts == nullptr) return;
    for (const int i : {0, nLast}) {
        auto* p = new CEdInterPoint;
        p->Set(pts[i]);
        p->t = i;
        p->flags = IP_END;
        AddNewPoint(p);
    }
}

int CEdInterCurve::GetPoint(double t, double* out) const
{
    if (pts == nullptr || nLast == 0 || out == nullptr) return 0;
    // Before the start (also within the first segment's negative side) is the first point.
    if (!(t >= 0.0)) {
        std::memcpy(out, pts[0], sizeof pts[0]);
        return 1;
    }
    const double f = std::floor(t);
    if (f < nLast) {
        const int i = static_cast<int>(f);
        Lerp(pts[i], pts[i + 1], t - i, 7, out);
    } else {
        std::memcpy(out, pts[nLast], sizeof pts[0]);
    }
    return 1;
}

int CEdInterCurve::GetTanVecAt(int atEnd, double* out) const
{
    if (pts == nullptr || nLast < 1 || out == nullptr) return 0;
    const double* from = atEnd ? pts[nLast] : pts[0];
    const double* to = atEnd ? pts[nLast - 1] : pts[1];
    for (int c = 0; c < 3; ++c) out[c] = to[c] - from[c];
    return 1;
}

int CEdInterCurve::IsOverlap(CEdInterCurve* other)
{
    if (other == nullptr || pts == nullptr || other->pts == nullptr || nLast != other->nLast) return 0;
    std::vector<double> a(3 * (nLast + 1)), b(3 * (nLast + 1));
    for (int i = 0; i <= nLast; ++i)
        for (int c = 0; c < 3; ++c) a[3 * i + c] = pts[i][c], b[3 * i + c] = other->pts[i][c];
    PLINE pa{nLast + 1, reinterpret_cast<double(*)[3]>(a.data())};
    PLINE pb{nLast + 1, reinterpret_cast<double(*)[3]>(b.data())};
    int flag = 0;
    return PLINE_IsOverlap(&pa, &pb, &flag, 0.05) == 1 && flag == 1 ? 1 : 0;
}

namespace {

// Segment i of curve C in the (u, v) of coordinates k, k + 1, moved by whole periods
// in its periodic coordinates towards the grown box of another segment: false when the
// grown box misses the curve's range in a coordinate that is not periodic, or the moved
// segment's box misses it.
bool ShiftedSegmentMeets(const CEdInterCurve& C, const BOX2<double>& grown, int i, int k, const int* per,
                         const double* period, double* p, double* q)
{
    if (!per[0] && (grown.xmax < C.minBox[k] || grown.xmin > C.maxBox[k])) return false;
    if (!per[1] && (grown.ymax < C.minBox[k + 1] || grown.ymin > C.maxBox[k + 1])) return false;
    const double* a = C.pts[i];
    const double* b = C.pts[i + 1];
    p[0] = a[k], p[1] = a[k + 1], q[0] = b[k], q[1] = b[k + 1];
    for (int c = 0; c < 2; ++c)
        if (per[c]) {
            const double h = PeriodicShift(std::min(p[c], q[c]), period[c], c == 0 ? grown.xmin : grown.ymin,
                                           c == 0 ? grown.xmax : grown.ymax);
            p[c] += h, q[c] += h;
        }
    return Overlap(SegmentBox(p, q), grown);
}

// Moves the crossing's (u, v) on the curve's other surface F (uvF) onto the foot of
// E's point at X when the two lie apart. The curve's coordinates run on across
// periodic seams, so F is evaluated where such a value lies on the surface, and a
// snapped value is moved by whole periods back beside the old one: a value taken
// into the range would break the curve's run there, and its pieces would no longer
// join.
void SnapOntoOther(CEdTrimSurf* E, const double* X, CEdTrimSurf* F, double* uvF)
{
    const int per[2] = {F->uPeriodic, F->vPeriodic};
    double range[2][2];
    BoxRange(F, 0, range[0][0], range[0][1]);
    BoxRange(F, 1, range[1][0], range[1][1]);
    double G[3], H[3] = {0.0, 0.0, 0.0};
    if (E->surf->GetPoint(X[0], X[1], G) != 1) return;
    EvalWrapped(F->surf, uvF[0], uvF[1], per, range, H);
    if (!(P3D_Dist(G, H) > kSnapGap)) return;
    double foot[3], uv[2] = {uvF[0], uvF[1]};
    if (F->SnapPoint(G, foot, uv[0], uv[1]) != 1) return;
    for (int c = 0; c < 2; ++c) {
        const double period = range[c][1] - range[c][0];
        if (per[c] && period > 0.0) uv[c] += period * std::round((uvF[c] - uv[c]) / period);
        uvF[c] = uv[c];
    }
}

}  // namespace

int CEdInterCurve::InterWithBound(CEdTrimLoop* loop, CEdTrimBound* bound)
{
    if (loop == nullptr || bound == nullptr || loop->owner == nullptr || pts == nullptr || bound->pts == nullptr)
        return 0;
    CEdTrimSurf* E = loop->owner;
    if (E != surfA && E != surfB) return 0;
    const int k = E == surfA ? kCoordA : kCoordB;
    const int flag = E == surfA ? IP_BOUND_A : IP_BOUND_B;
    CEdTrimSurf* F = E == surfA ? surfB : surfA;
    const int* per = periodic + (k - 3);
    const double bmin[2] = {bound->uvBox.xmin, bound->uvBox.ymin}, bmax[2] = {bound->uvBox.xmax, bound->uvBox.ymax};
    for (int c = 0; c < 2; ++c)
        if (!per[c] && (maxBox[k + c] + kBoxGrow < bmin[c] || minBox[k + c] - kBoxGrow > bmax[c])) return 0;

    double period[2] = {0.0, 0.0};
    for (int c = 0; c < 2; ++c)
        if (per[c]) {
            double lo, hi;
            BoxRange(E, c, lo, hi);
            period[c] = hi - lo;
        }
    std::vector<BOX2<double>> boundBoxes, curveBoxes;
    for (int s = 0; s < bound->nLast; ++s) boundBoxes.push_back(Grown(SegmentBox(bound->Point(s), bound->Point(s + 1)), kBoxGrow));
    for (int i = 0; i < nLast; ++i) curveBoxes.push_back(SegmentBox(pts[i] + k, pts[i + 1] + k));

    int found = 0;
    for (const auto& [s, i] : boxsweep::PeriodicPairs(boundBoxes, curveBoxes, period, kOutside)) {
        double p[2], q[2];
        if (!ShiftedSegmentMeets(*this, boundBoxes[s], i, k, per, period, p, q)) continue;
        double X[2];
        const double* b0 = bound->Point(s);
        const double* b1 = bound->Point(s + 1);
        if (Isect_LineLineEx(b0, b1, p, q, kBoundIsectTol, kBoundIsectTol, X) != 1) continue;
        const double sb = SegmentParam(b0, b1, X), r = SegmentParam(p, q, X);
        if (!InParamRange(sb) || !InParamRange(r)) continue;
        auto* P = new CEdInterPoint;
        double c7[7];
        Lerp(pts[i], pts[i + 1], r, 7, c7);
        P->Set(c7), P->t = i + r, P->flags = flag, P->surf = E;
        if (HasSurface(F)) SnapOntoOther(E, X, F, F == surfA ? &P->uA : &P->uB);
        double uvt[3] = {X[0], X[1], s + sb};
        bound->AddIntPoint(uvt);
        AddNewPoint(P);
        found = 1;
    }
    return found;
}

int CEdInterCurve::InterWithIntCurve(CEdInterCurve* other)
{
    if (other == nullptr || other == this) return 0;
    if (surfA != nullptr && surfB != nullptr && surfA == other->surfA && surfB == other->surfB)
        return InterWithIntCurve(other, kCoordA, kCoordA, surfA, IP_CURVE_BOTH);
    if (surfA != nullptr && surfB != nullptr && surfA == other->surfB && surfB == other->surfA)
        return InterWithIntCurve(other, kCoordA, kCoordB, surfA, IP_CURVE_BOTH);
    if (surfA != nullptr && surfA == other->surfA) return InterWithIntCurve(other, kCoordA, kCoordA, surfA, IP_CURVE_ONE);
    if (surfA != nullptr && surfA == other->surfB) return InterWithIntCurve(other, kCoordA, kCoordB, surfA, IP_CURVE_ONE);
    if (surfB != nullptr && surfB == other->surfA) return InterWithIntCurve(other, kCoordB, kCoordA, surfB, IP_CURVE_ONE);
    if (surfB != nullptr && surfB == other->surfB) return InterWithIntCurve(other, kCoordB, kCoordB, surfB, IP_CURVE_ONE);
    return 0;
}

int CEdInterCurve::InterWithIntCurve(CEdInterCurve* other, int k, int m, CEdTrimSurf* E, int flag)
{
    if (other == nullptr || other == this || E == nullptr || (k != kCoordA && k != kCoordB) ||
        (m != kCoordA && m != kCoordB) || pts == nullptr || other->pts == nullptr)
        return 0;
    int per[2];
    double period[2] = {0.0, 0.0};
    for (int c = 0; c < 2; ++c) {
        per[c] = periodic[k - 3 + c] || other->periodic[m - 3 + c];
        if (per[c]) {
            double lo, hi;
            BoxRange(E, c, lo, hi);
            period[c] = hi - lo;
        } else if (maxBox[k + c] < other->minBox[m + c] || other->maxBox[m + c] < minBox[k + c]) {
            return 0;
        }
    }
    std::vector<BOX2<double>> otherBoxes, ownBoxes;
    for (int j = 0; j < other->nLast; ++j)
        otherBoxes.push_back(Grown(SegmentBox(other->pts[j] + m, other->pts[j + 1] + m), kBoxGrow));
    for (int i = 0; i < nLast; ++i) ownBoxes.push_back(SegmentBox(pts[i] + k, pts[i + 1] + k));

    int found = 0;
    for (const auto& [j, i] : boxsweep::PeriodicPairs(otherBoxes, ownBoxes, period, kOutside)) {
        double p[2], q[2];
        if (!ShiftedSegmentMeets(*this, otherBoxes[j], i, k, per, period, p, q)) continue;
        const double* o0 = other->pts[j] + m;
        const double* o1 = other->pts[j + 1] + m;
        double X[2];
        if (Isect_LineLineEx(o0, o1, p, q, kCurveIsectTol, kCurveIsectTol, X) != 1) continue;
        const double s = SegmentParam(o0, o1, X), r = SegmentParam(p, q, X);
        if (!InParamRange(s) || !InParamRange(r)) continue;
        other->AddNewPoint(other->NewPointAt(j + s, flag, E));
        AddNewPoint(NewPointAt(i + r, flag, E));
        found = 1;
    }
    return found;
}

namespace {

// Cumulative 3D lengths: cum[i] is the length of segments 0 .. i - 1.
std::vector<double> CumulativeLength(const double (*pts)[7], int nLast)
{
    std::vector<double> cum(nLast + 1, 0.0);
    for (int i = 0; i < nLast; ++i) cum[i + 1] = cum[i] + P3D_Dist(pts[i], pts[i + 1]);
    return cum;
}

// The curve from segment i + 1 through segment j: long enough for segments i and j to
// meet as parts of the curve rather than as neighbours.
double ArcBetween(const std::vector<double>& cum, int i, int j) { return cum[j + 1] - cum[i + 1]; }

}  // namespace

int CEdInterCurve::InterWithSelf()
{
    if (pts == nullptr || nLast < 2) return 0;
    const std::vector<double> cum = CumulativeLength(pts, nLast);
    const std::vector<BOX3<double>> boxes = SegmentBoxes3(&pts[0][0], 7, nLast, kBoxGrow);
    // Only segments whose boxes come within kSelfLineTol (at least kSelfPointTol) can
    // cross, and only with enough curve between them: on a dense curve every segment's
    // box meets dozens of its neighbours', which are left out before sorting.
    std::vector<std::pair<int, int>> cand;
    boxsweep::SelfPairs(boxes, kSelfLineTol, [&](int i, int j) {
        if (j >= i + 2 && ArcBetween(cum, i, j) > kSelfMinArc && BOX3D_IsInt(&boxes[i], &boxes[j], kSelfLineTol))
            cand.emplace_back(i, j);
    });
    std::sort(cand.begin(), cand.end());
    for (const auto& [i, j] : cand) {
        const double *a0 = pts[i], *a1 = pts[i + 1], *b0 = pts[j], *b1 = pts[j + 1];
        double s = 0.0, r = 0.0;
        if (P3D_Dist(a0, b0) <= kSelfPointTol) {
            s = 0, r = 0;
        } else if (P3D_Dist(a0, b1) <= kSelfPointTol) {
            s = 0, r = 1;
        } else if (P3D_Dist(a1, b0) <= kSelfPointTol) {
            s = 1, r = 0;
        } else if (P3D_Dist(a1, b1) <= kSelfPointTol) {
            s = 1, r = 1;
        } else {
            double onA[3], onB[3];
            if (Isect3_LineLineEx2(a0, a1, b0, b1, kSelfLineTol, kSelfAngleTol, onA, onB, &s, &r) != 1 || s < 0.0 ||
                s > 1.0 || r < 0.0 || r > 1.0)
                continue;
        }
        AddNewPoint(NewPointAt(i + s, IP_SELF, nullptr));
        AddNewPoint(NewPointAt(j + r, IP_SELF, nullptr));
        selfCrossed = 1;
        return 1;
    }
    return 0;
}

// ---- near pairs and clusters ----

void InitNearPair(NearPair& pair) { pair = NearPair{}; }

std::vector<std::size_t> NearPairOrder(const std::vector<NearPair>& pairs)
{
    std::vector<std::size_t> order(pairs.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::pair(pairs[a].index, pairs[a].otherIndex) < std::pair(pairs[b].index, pairs[b].otherIndex);
    });
    return order;
}

void CollectNearCluster(std::vector<NearPair>& pairs, const std::vector<std::size_t>& byIndex, std::size_t start,
                        std::vector<std::size_t>& cluster)
{
    cluster.clear();
    if (start >= pairs.size() || pairs[start].mark != 0) return;
    pairs[start].mark = 2;
    cluster.push_back(start);
    // Depth first through the pairs whose two indices each lie within reach of a
    // member's: the index-sorted order finds them by binary search.
    std::vector<std::size_t> stack{start};
    while (!stack.empty()) {
        const NearPair m = pairs[stack.back()];
        stack.pop_back();
        for (int di = -kClusterReach; di <= kClusterReach; ++di) {
            const std::pair<int, int> lo(m.index + di, m.otherIndex - kClusterReach);
            auto it = std::lower_bound(byIndex.begin(), byIndex.end(), lo, [&](std::size_t k, const std::pair<int, int>& key) {
                return std::pair(pairs[k].index, pairs[k].otherIndex) < key;
            });
            for (; it != byIndex.end() && pairs[*it].index == m.index + di &&
                   pairs[*it].otherIndex <= m.otherIndex + kClusterReach;
                 ++it)
                if (pairs[*it].mark == 0) {
                    pairs[*it].mark = 2;
                    cluster.push_back(*it);
                    stack.push_back(*it);
                }
        }
    }
}

std::vector<std::size_t> NearClusterRepresentatives(std::vector<NearPair>& pairs)
{
    const std::vector<std::size_t> byIndex = NearPairOrder(pairs);
    std::vector<std::size_t> reps, cluster;
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        if (pairs[k].mark != 0) continue;
        CollectNearCluster(pairs, byIndex, k, cluster);
        std::size_t best = cluster.front();
        for (const std::size_t c : cluster)
            if (pairs[c].dist < pairs[best].dist || (pairs[c].dist == pairs[best].dist && c < best)) best = c;
        reps.push_back(best);
    }
    return reps;
}

int CEdInterCurve::CreateNearPoint(CEdInterCurve* other, double)
{
    if (other == nullptr || other == this || pts == nullptr || other->pts == nullptr) return 0;
    CEdTrimSurf* E = nullptr;
    int k = kCoordA;
    bool both = false;
    if (surfA != nullptr && surfA == other->surfA) {
        E = surfA, k = kCoordA, both = surfB == other->surfB;
    } else if (surfA != nullptr && surfA == other->surfB) {
        E = surfA, k = kCoordA, both = other->surfA == surfB;
    } else if (other->surfA != nullptr && other->surfA == surfB) {
        E = surfB, k = kCoordB, both = surfA == other->surfB;
    } else if (surfB != nullptr && surfB == other->surfB) {
        E = surfB, k = kCoordB, both = surfA == other->surfA;
    } else {
        return 0;
    }
    const CEdTrimSurf* mine = E == surfA ? surfB : surfA;
    const int flag = both && mine != nullptr ? IP_NEAR_BOTH : IP_NEAR_ONE;
    if (!HasSurface(E)) return 0;
    const double d = E->GetMinCloseTol();
    BOX3<double> ownBox, otherBox;
    ownBox.Init(minBox, maxBox);
    otherBox.Init(other->minBox, other->maxBox);
    if (!BOX3D_IsInt(&ownBox, &otherBox, kNearBoxTol)) return 0;

    std::vector<NearPair> pairs;
    NearPair base;
    base.curve = this;
    base.other = other;
    const auto own = SegmentBoxes3(&pts[0][0], 7, nLast), theirs = SegmentBoxes3(&other->pts[0][0], 7, other->nLast);
    std::vector<std::pair<int, int>> cand = NearSegmentPairs(theirs, own, kNearBoxTol);  // (j, i): j outer
    auto below = [d](double dist) { return dist < d; };
    for (const auto& [j, i] : cand)
        RecordSegmentPairs(pts[i], pts[i + 1], i, other->pts[j], other->pts[j + 1], j, below, below, base, pairs);

    int added = 0;
    for (const std::size_t r : NearClusterRepresentatives(pairs)) {
        const NearPair& np = pairs[r];
        double a[7], b[7];
        PolylineAt(&pts[0][0], 7, nLast, np.index, np.param, 7, a);
        PolylineAt(&other->pts[0][0], 7, other->nLast, np.otherIndex, np.otherParam, 7, b);
        for (int c = 0; c < 3; ++c) a[c] = b[c] = 0.5 * (a[c] + b[c]);
        if (E->IsPointIn(a + k) == 1) continue;  // outside the shared trimmed surface
        auto* p = new CEdInterPoint;
        p->Set(a), p->t = np.index + np.param, p->flags = flag, p->surf = E;
        auto* q = new CEdInterPoint;
        q->Set(b), q->t = np.otherIndex + np.otherParam, q->flags = flag, q->surf = E;
        AddNewPoint(p);
        other->AddNewPoint(q);
        added = 1;
    }
    return added;
}

int CEdInterCurve::CreateNearPoint(CEdTrimLoop* loop, CEdTrimBound* bound)
{
    if (loop == nullptr || bound == nullptr || loop->owner == nullptr || pts == nullptr || bound->pts == nullptr ||
        bound->nLast < 1)
        return 0;
    CEdTrimSurf* E = loop->owner;
    if ((E != surfA && E != surfB) || !HasSurface(E)) return 0;
    if (bound->worldPts == nullptr) bound->CalWorldPoint(E->surf);
    if (bound->worldPts == nullptr) return 0;
    const double d = E->GetMinCloseTol();
    BOX3<double> ownBox;
    ownBox.Init(minBox, maxBox);
    if (!BOX3D_IsInt(&ownBox, &bound->worldBox, kNearBoxTol)) return 0;

    std::vector<NearPair> pairs;
    NearPair base;
    base.curve = this;
    base.other = bound;
    const auto own = SegmentBoxes3(&pts[0][0], 7, nLast);
    const auto theirs = SegmentBoxes3(bound->worldPts, 3, bound->nLast);
    const double* w = bound->worldPts;
    for (const auto& [s, i] : NearSegmentPairs(theirs, own, kNearBoxTol))
        RecordSegmentPairs(
            pts[i], pts[i + 1], i, w + 3 * s, w + 3 * (s + 1), s, [d](double dist) { return dist <= d; },
            [d](double dist) { return dist < d; }, base, pairs);

    int added = 0;
    for (const std::size_t r : NearClusterRepresentatives(pairs)) {
        const NearPair& np = pairs[r];
        double uvt[3];
        PolylineAt(bound->pts, 3, bound->nLast, np.otherIndex, np.otherParam, 2, uvt);
        uvt[2] = np.otherIndex + np.otherParam;
        bound->AddIntPoint(uvt);
        auto* p = new CEdInterPoint;
        double c[7];
        PolylineAt(&pts[0][0], 7, nLast, np.index, np.param, 7, c);
        p->Set(c), p->t = np.index + np.param, p->flags = IP_NEAR_BOTH, p->surf = E;
        AddNewPoint(p);
        added = 1;
    }
    return added;
}

int CEdInterCurve::CreateNearPoint()
{
    if (pts == nullptr || nLast < 2) return 0;
    const std::vector<double> cum = CumulativeLength(pts, nLast);
    const std::vector<BOX3<double>> boxes = SegmentBoxes3(&pts[0][0], 7, nLast);
    // A pair offers only with enough curve between its segments, and is recorded only
    // within kSelfNearTol, which its boxes then meet; pairs farther apart change no
    // recorded best, so they are left out before sorting.
    std::vector<std::pair<int, int>> cand;
    boxsweep::SelfPairs(boxes, kSelfNearTol, [&](int i, int j) {
        if (j >= i + 2 && ArcBetween(cum, i, j) > kSelfMinArc && BOX3D_IsInt(&boxes[i], &boxes[j], kSelfNearTol))
            cand.emplace_back(i, j);
    });
    std::sort(cand.begin(), cand.end());

    std::vector<NearPair> pairs;
    NearPair base;
    base.curve = this;
    base.other = this;
    NearPair best;
    int bestOf = -1;
    for (const auto& [i, j] : cand) {
        if (i != bestOf) bestOf = i, best = base, best.dist = kNearFar;
        const double L = ArcBetween(cum, i, j);
        bool improved = false;
        auto offer = [&](int ia, double pa, int ib, double pb, double dist) {
            if (dist < best.dist && L > kSelfMinArc) {
                best.index = ia, best.param = pa, best.otherIndex = ib, best.otherParam = pb, best.dist = dist;
                improved = true;
            }
        };
        // Ends of segment j onto segment i, then ends of segment i onto segment j.
        for (int e = 0; e < 2; ++e) {
            const double* p = pts[j + e];
            double foot[3], t = 0.0;
            if (L3D_PrjPntEx2(p, pts[i], pts[i + 1], foot, &t) == 1 && t >= 0.0 && t <= 1.0) {
                offer(i, t, j + e, 0.0, P3D_Dist(p, foot));
            } else {
                offer(i, 0.0, j + e, 0.0, P3D_Dist(p, pts[i]));
                offer(i + 1, 0.0, j + e, 0.0, P3D_Dist(p, pts[i + 1]));
            }
        }
        for (int e = 0; e < 2; ++e) {
            const double* p = pts[i + e];
            double foot[3], t = 0.0;
            if (L3D_PrjPntEx2(p, pts[j], pts[j + 1], foot, &t) == 1 && t >= 0.0 && t <= 1.0) {
                offer(i + e, 0.0, j, t, P3D_Dist(p, foot));
            } else {
                offer(i + e, 0.0, j, 0.0, P3D_Dist(p, pts[j]));
                offer(i + e, 0.0, j + 1, 0.0, P3D_Dist(p, pts[j + 1]));
            }
        }
        // An unchanged best would only be recorded again, in the same cluster.
        if (improved && best.dist <= kSelfNearTol) {
            best.mark = 0;
            pairs.push_back(best);
        }
    }

    int added = 0;
    for (const std::size_t r : NearClusterRepresentatives(pairs)) {
        const NearPair& np = pairs[r];
        for (const auto& [index, param] : {std::pair(np.index, np.param), std::pair(np.otherIndex, np.otherParam)}) {
            auto* p = new CEdInterPoint;
            double c[7];
            PolylineAt(&pts[0][0], 7, nLast, index, param, 7, c);
            p->Set(c), p->t = index + param, p->flags = IP_SELF;
            AddNewPoint(p);
        }
        selfCrossed = 1;
        added = 1;
    }
    return added;
}

int CEdInterCurve::InterWithLoop(CEdTrimLoop* loop, int nearToo)
{
    if (loop == nullptr || loop->owner == nullptr) return 0;
    for (CEdTrimLoop* l = loop; l; l = l->next)
        for (CEdTrimBound* b = l->boundHead; b; b = b->next)
            if (InterWithBound(l, b) == 0 && nearToo) CreateNearPoint(l, b);
    return 1;
}

// ---- valid pieces ----

namespace {

// 0 when the probe at t lies inside the surface (coordinates at k), or on its boundary
// together with the second probe at t2; 1 otherwise.
int PieceSide(const CEdInterCurve& c, CEdTrimSurf* s, int k, double t, double t2)
{
    double m[7];
    c.GetPoint(t, m);
    const int a = s->IsPointIn(m + k);
    if (a != 2) return a;
    c.GetPoint(t2, m);
    return s->IsPointIn(m + k) == 2 ? 0 : 1;
}

}  // namespace

int CEdInterCurve::IsValid(CEdInterPoint* P, CEdInterPoint* Q, CEdTrimSurf* E)
{
    if (P == nullptr || Q == nullptr || E == nullptr || (E != surfA && E != surfB) || pts == nullptr) return 0;
    const double mid = 0.5 * (P->t + Q->t), second = P->t + kSecondProbe * (Q->t - P->t);
    const int a = surfA != nullptr ? PieceSide(*this, surfA, kCoordA, mid, second) : 0;
    const int b = surfB != nullptr ? PieceSide(*this, surfB, kCoordB, mid, second) : 0;
    return a == 0 && b == 0 ? 1 : 0;
}

CEdTrimBound* CEdInterCurve::GetValidBound(CEdTrimSurf* E, int refine)
{
    if ((surfA == nullptr && surfB == nullptr) || E == nullptr || (E != surfA && E != surfB) || nLast <= 0 ||
        pointHead == nullptr)
        return nullptr;
    const int k = E == surfA ? kCoordA : kCoordB;
    auto qualifies = [E](const CEdInterPoint* p) {
        return (p->flags & kPieceEndFlags) != 0 || ((p->flags & kOneSurfaceFlags) != 0 && p->surf == E);
    };
    CEdTrimBound *head = nullptr, *tail = nullptr;
    CEdInterPoint* P = pointHead;
    for (CEdInterPoint* Q = P->next; Q; Q = Q->next) {
        if (!qualifies(P)) {
            P = Q;
            continue;
        }
        if (!qualifies(Q)) continue;
        if (IsValid(P, Q, E) == 1)
            if (CEdTrimBound* b = GetSubBound(P, Q, k, E, refine)) {
                b->side = E == surfA ? sideA : sideB;
                AppendChain(head, tail, b);
            }
        P = Q;
    }
    return head;
}

CEdTrimBound* CEdInterCurve::GetSubBound(CEdInterPoint* P, CEdInterPoint* Q, int k, CEdTrimSurf* E, int refine)
{
    if (P == nullptr || Q == nullptr || E == nullptr || P == Q || (surfA == nullptr && surfB == nullptr) ||
        pts == nullptr || (k != kCoordA && k != kCoordB) || !HasSurface(E))
        return nullptr;
    const int a = static_cast<int>(Q->t), b = static_cast<int>(P->t);
    if (a - b + 1 <= 0 || b < 0 || a > nLast) return nullptr;
    std::vector<double> uv;
    uv.reserve(2 * (a - b + 3));
    const double pq[2][2] = {{k == kCoordA ? P->uA : P->uB, k == kCoordA ? P->vA : P->vB},
                             {k == kCoordA ? Q->uA : Q->uB, k == kCoordA ? Q->vA : Q->vB}};
    uv.insert(uv.end(), pq[0], pq[0] + 2);
    int from = b + 1;
    if (std::fabs(P->t - b) <= kOnEnd) {
        uv.clear();
        from = b;
    }
    for (int i = from; i <= a; ++i) uv.insert(uv.end(), pts[i] + k, pts[i] + k + 2);
    if (std::fabs(Q->t - a) <= kOnEnd)
        std::copy(pq[1], pq[1] + 2, uv.end() - 2);
    else
        uv.insert(uv.end(), pq[1], pq[1] + 2);
    const int count = static_cast<int>(uv.size() / 2);
    if (count < 2) return nullptr;

    auto* bound = new CEdTrimBound;
    bound->nLast = count - 1;
    bound->pts = new double[3 * count];
    for (int i = 0; i < count; ++i) {
        bound->pts[3 * i] = uv[2 * i];
        bound->pts[3 * i + 1] = uv[2 * i + 1];
        bound->pts[3 * i + 2] = i;
    }
    bound->kind = BND_CURVE;
    // World points as CalWorldPoint makes them, but a value beyond a periodic seam is
    // evaluated where it lies on the surface rather than at the clamped end.
    const int per[2] = {E->uPeriodic, E->vPeriodic};
    double range[2][2];
    BoxRange(E, 0, range[0][0], range[0][1]);
    BoxRange(E, 1, range[1][0], range[1][1]);
    bound->worldPts = new double[3 * count];
    for (int i = 0; i < count; ++i) {
        double* w = bound->worldPts + 3 * i;
        w[0] = w[1] = w[2] = 0.0;
        EvalWrapped(E->surf, bound->pts[3 * i], bound->pts[3 * i + 1], per, range, w);
    }
    bound->CalcBox();
    for (int c = 0; c < 2; ++c) {
        if (!(c == 0 ? E->uPeriodic : E->vPeriodic)) continue;
        double lo, hi;
        BoxRange(E, c, lo, hi);
        double& mn = c == 0 ? bound->uvBox.xmin : bound->uvBox.ymin;
        double& mx = c == 0 ? bound->uvBox.xmax : bound->uvBox.ymax;
        if (std::fabs(mn - hi) <= kSeamSnap) mn = hi;
        if (std::fabs(mn - lo) <= kSeamSnap) mn = lo;
        const double h = PeriodicShift(mn + kOutside, hi - lo, lo, hi);
        if (!(std::fabs(h) > kOutside)) continue;
        int outside = 0;
        for (int i = 0; i <= bound->nLast; ++i) outside += QVN_Math::ChkValInt(lo, hi, kOutside, bound->pts[3 * i + c]);
        if (outside > bound->nLast / 2) {
            for (int i = 0; i <= bound->nLast; ++i) bound->pts[3 * i + c] += h;
            mn += h;
            mx += h;
        }
    }
    if (refine) bound->Refine(1e-6);
    return bound;
}

void SetInterLineEnd(bool atEnd, double t, CEdInterLine* line, const double* uvA, const double* xyz,
                     const double* uvB)
{
    if (line == nullptr) return;
    if (atEnd) {
        line->t1 = t;
        line->x1 = xyz[0], line->y1 = xyz[1], line->z1 = xyz[2];
        line->uA1 = uvA[0], line->vA1 = uvA[1], line->uB1 = uvB[0], line->vB1 = uvB[1];
    } else {
        line->t0 = t;
        line->x0 = xyz[0], line->y0 = xyz[1], line->z0 = xyz[2];
        line->uA0 = uvA[0], line->vA0 = uvA[1], line->uB0 = uvB[0], line->vB0 = uvB[1];
    }
}

CEdInterLine* CEdInterCurve::GetValidSegment(int)
{
    // Pieces are judged on both surfaces: a curve on one surface has no valid segments.
    if (pointHead == nullptr || pointHead->next == nullptr || !HasSurface(surfA) || !HasSurface(surfB)) return nullptr;
    CEdInterLine *head = nullptr, *tail = nullptr;
    for (CEdInterPoint* P = pointHead; P->next; P = P->next) {
        CEdInterPoint* Q = P->next;
        double m[7];
        GetPoint(0.5 * (P->t + Q->t), m);
        if (surfA->IsPointIn(m + kCoordA) == 1 || surfB->IsPointIn(m + kCoordB) == 1) continue;
        const double q[7] = {Q->x, Q->y, Q->z, Q->uA, Q->vA, Q->uB, Q->vB};
        if (tail != nullptr && std::fabs(tail->t1 - P->t) <= kLineJoin) {
            SetInterLineEnd(true, Q->t, tail, q + 3, q, q + 5);
            continue;
        }
        auto* line = new CEdInterLine;
        line->curve = this;
        const double p[7] = {P->x, P->y, P->z, P->uA, P->vA, P->uB, P->vB};
        SetInterLineEnd(false, P->t, line, p + 3, p, p + 5);
        SetInterLineEnd(true, Q->t, line, q + 3, q, q + 5);
        line->prev = tail;
        AppendChain(head, tail, line);
    }
    return head;
}

void CEdInterCurve::GetValidIntCur(CTypedPtrList<CPtrList, ECRV_INTCUR*>* list)
{
    if (list == nullptr) return;
    CEdInterLine* lines = GetValidSegment(0);
    for (CEdInterLine* l = lines; l; l = l->next)
        if (ECRV_INTCUR* c = InterLineToIntcur(l)) list->AddTail(c);
    DeleteChain(lines);
}

namespace {

SURFACE* KernelClone(const CEdTrimSurf* e)
{
    if (!HasSurface(e) || e->surf->m_pSurface == nullptr) return nullptr;
    _nurbs_surface* copy = BSRF_Clone(e->surf->m_pSurface);
    if (copy == nullptr) return nullptr;
    SURFACE* s = ESRF_NewNurbs(copy);
    if (s == nullptr) BSRF_Free(copy);
    return s;
}

bool WholeNumber(double t) { return t - std::floor(t) <= kWholeFraction; }

// Unit tangent at sample k from its neighbours (one-sided at the ends); a zero
// difference leaves the tangent zero.
void NeighbourTangent(SSI_TRACE* trace, int k)
{
    const int a = std::max(k - 1, 0), b = std::min(k + 1, trace->n - 1);
    double d[3];
    V3D_Sub(trace->s[b].p, trace->s[a].p, d);
    if (V3D_Unit(d, 1e-12) == 1) P3D_Copy(d, trace->s[k].tan);
}

}  // namespace

ECRV_INTCUR* InterLineToIntcur(CEdInterLine* line)
{
    if (line == nullptr || line->curve == nullptr) return nullptr;
    const CEdInterCurve& c = *line->curve;
    SURFACE* A = KernelClone(c.surfA);
    SURFACE* B = KernelClone(c.surfB);
    if (A == nullptr && B == nullptr) return nullptr;
    const int first = static_cast<int>(std::floor(line->t0)) + 1;
    int last = static_cast<int>(std::floor(line->t1));
    if (WholeNumber(line->t1)) --last;
    last = std::min(last, c.nLast);
    const int interior = std::max(0, last - first + 1);
    const int n = interior + 2;
    const double tol[3] = {kPieceTraceTol, kPieceTraceTol, kPieceTraceTol};
    SSI_TRACE* trace = c.pts != nullptr ? ESSI_NewTraceArray(n, tol) : nullptr;
    ECRV_INTCUR* out = nullptr;
    if (trace != nullptr) {
        auto set = [&](SSI_SAMPLE& s, const double* p) {
            P3D_Copy(p, s.p);
            s.uvA[0] = p[3], s.uvA[1] = p[4], s.uvB[0] = p[5], s.uvB[1] = p[6];
        };
        const double start[7] = {line->x0, line->y0, line->z0, line->uA0, line->vA0, line->uB0, line->vB0};
        const double end[7] = {line->x1, line->y1, line->z1, line->uA1, line->vA1, line->uB1, line->vB1};
        set(trace->s[0], start);
        for (int i = 0; i < interior; ++i) set(trace->s[i + 1], c.pts[first + i]);
        set(trace->s[n - 1], end);
        for (int k = 0; k < n; ++k) NeighbourTangent(trace, k);
        ESSI_TraceParams(trace);
        out = ECRV_NewIntersection(A, B, trace);
        if (out == nullptr) ESSI_FreeTraceArray(trace);
    }
    if (out == nullptr) {
        ENT_Free(A);
        ENT_Free(B);
    }
    return out;
}
