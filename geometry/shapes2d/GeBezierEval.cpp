// Bezier spline as a curve: discretisation, drawing and picking, evaluation,
// nearest and tangent points, arc length and its inverse, splitting, snapping
// and conversion.
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeometryChange.h"

#include "framework/looker/Looker.h"
#include "framework/looker/MemPool.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Bezier2D.h"
#include "framework/numerak/Intersect2D.h"
#include "geometry/shapes2d/CurveBiArcFit.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "geometry/shapes2d/RefinePointStr.h"
#include "geometry/shapes3d/GeConvert.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// Tolerances below this would let the flattening recurse practically without
// end (a zero tolerance is never met by a curved piece).
constexpr double kMinDiscTol = 1e-6;
// Depth of splitting allowed while flattening (below the segment cap of
// GeometryConst.h, which bounds it further).
constexpr int kDiscDepthLimit = 30;
constexpr int kDiscDepthLimitFine = 50;
constexpr INT_PTR kDisplayGrowBy = 100;
// Discretisations up to this many points keep their scratch array for the next call.
constexpr int kScratchKeepLimit = 1 << 20;
constexpr INT_PTR kArrayGrowBy = 50;
// The thinning angle of DiscreteInArray (just below pi: only straight runs collapse).
constexpr double kRefineAngle = 3.1415926535892;
// Arc conversion below this tolerance fits at twice the tolerance.
constexpr double kBiArcMinTol = 0.01;
// Largest parameter step handed out for discretisation.
constexpr double kMaxDiscStep = 0.125;
// Lengths within this of a segment end snap to it in EvParam.
constexpr double kLengthSnap = 0.1;
// Parameters this close to 0 or 1 count as the segment's ends in EvArcLength.
constexpr double kParamEnd = 1e-6;
constexpr double kTanIsectTol = 1e-6;
constexpr double kNoBest = 1e12;
constexpr double kNoPerp = 999999999999.9;

// Squared flatness of a cubic piece: the largest squared distance of its
// inner control points from the chord segment. This is BEZ_DistTol's measure
// (distance from the chord's line) except that an inner point whose foot lies
// beyond an end (a piece running past its end and back) is measured from that
// end, so the whole piece lies within the flatness of its chord. Squares keep
// square roots out of the flattening loop. NaN for non-finite input.
double FlatnessSq(const double* c)
{
    double sum = 0.0;
    for (int i = 0; i < 8; ++i) sum += c[i];
    if (!std::isfinite(sum)) return std::numeric_limits<double>::quiet_NaN();
    const double dx = c[6] - c[0], dy = c[7] - c[1];
    const double len2 = dx * dx + dy * dy;
    double f = 0.0;
    for (int j = 1; j <= 2; ++j) {
        const double ex = c[2 * j] - c[0], ey = c[2 * j + 1] - c[1];
        const double along = ex * dx + ey * dy;
        double d2;
        if (along <= 0.0 || len2 <= 0.0) {
            d2 = ex * ex + ey * ey;
        } else if (along >= len2) {
            const double fx = c[2 * j] - c[6], fy = c[2 * j + 1] - c[7];
            d2 = fx * fx + fy * fy;
        } else {
            const double cross = ex * dy - ey * dx;
            d2 = cross * cross / len2;
        }
        f = std::max(f, d2);
    }
    return f;
}

double ClampTol(double tol) { return tol >= kMinDiscTol ? tol : kMinDiscTol; }

// The flattening tolerance of one segment: tol, no finer than
// gecon::kMinRelDiscTol of the larger side of its control points' box.
double SegmentTol(const double (*ctrl)[2], double tol)
{
    double lo[2] = {ctrl[0][0], ctrl[0][1]}, hi[2] = {lo[0], lo[1]};
    for (int i = 1; i < 4; ++i)
        for (int j = 0; j < 2; ++j) {
            lo[j] = std::min(lo[j], ctrl[i][j]);
            hi[j] = std::max(hi[j], ctrl[i][j]);
        }
    return gecon::FloorDiscTol(tol, std::max(hi[0] - lo[0], hi[1] - lo[1]));
}

// Drops exact repeats of the previous point (a collapsed segment repeats its
// joint) and re-points the segment ends; at least two points are kept.
void DropRepeats(CArray<tagPoint2d, tagPoint2d>& pts, CUIntArray& ends)
{
    const INT_PTR n = pts.GetSize();
    tagPoint2d* p = pts.GetData();
    auto same = [](const tagPoint2d& a, const tagPoint2d& b) { return a.x == b.x && a.y == b.y; };
    INT_PTR kept = n > 0 ? 1 : 0;
    for (INT_PTR i = 1; i < n; ++i)
        if (!same(p[i], p[i - 1])) ++kept;
    if (kept == n || kept < 2) return;
    INT_PTR w = 1, e = 1;
    const INT_PTR nEnds = ends.GetSize();
    for (INT_PTR i = 1; i < n; ++i) {
        if (!same(p[i], p[w - 1])) p[w++] = p[i];
        while (e < nEnds && static_cast<INT_PTR>(ends[e]) == i) ends[e++] = static_cast<UINT>(w - 1);
    }
    pts.SetSize(w);
}

CGeBezier* NewFromPoints(unsigned int count, double (*pts)[2])
{
    auto* bez = new CGeBezier;
    if (!bez->CreateEx(count, pts)) {
        delete bez;
        return nullptr;
    }
    return bez;
}

void CopyNodePoints(const CBezierNode* nodes, unsigned int from, unsigned int to, double (*out)[2])
{
    for (unsigned int i = from; i <= to; ++i, ++out) {
        (*out)[0] = nodes[i].x;
        (*out)[1] = nodes[i].y;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Discretisation

void CGeBezier::Discret2(double (*ctrl)[2], double tol, CArray<tagPoint2d, tagPoint2d>* pts, int& depth)
{
    // depth is the piece's own depth of splitting, restored on return, so both
    // halves of every split count. The cap bounds the points of one segment
    // (2^depth at most) however large its coordinates: a piece at the cap is
    // taken as flat even where the tolerance would ask for more.
    const int limit = std::min(tol < kMinDiscTol ? kDiscDepthLimitFine : kDiscDepthLimit, gecon::kBezierSegmentDepthCap);
    tol = ClampTol(tol);
    const double* c = &ctrl[0][0];
    // Non-finite control points are not subdivided: they count as flat.
    const double flat = FlatnessSq(c);
    if (!std::isfinite(flat) || flat <= tol * tol || depth >= limit) {
        pts->Add(tagPoint2d{c[6], c[7]});
        return;
    }
    ++depth;
    double left[8], right[8];
    BEZ_Split(c, 0.5, left, right);
    Discret2(reinterpret_cast<double(*)[2]>(left), tol, pts, depth);
    Discret2(reinterpret_cast<double(*)[2]>(right), tol, pts, depth);
    --depth;
}

void CGeBezier::Discrete(double tol)
{
    geNoteGeometryChange();
    const unsigned int s = static_cast<unsigned int>(GetSegmentCount());
    if (!m_pNodes || m_nNodes <= 3 || s == 0) return;
    tol = ClampTol(tol);
    m_dLastTol = tol;
    m_aSegEnds.SetSize(0, static_cast<INT_PTR>(s) + 1);
    // Per-thread scratch that keeps its room between calls, so repeated
    // discretisations do not regrow (and page in) a fresh array each time.
    thread_local CArray<tagPoint2d, tagPoint2d> pts;
    pts.SetSize(0, kDisplayGrowBy);
    m_aSegEnds.Add(0);
    double ctrl[4][2];
    for (unsigned int k = 1; k <= s; ++k) {
        LoadCtrl(k, &ctrl[0][0]);
        // The joint is the previous segment's last point already.
        if (k == 1) pts.Add(tagPoint2d{ctrl[0][0], ctrl[0][1]});
        int depth = 0;
        Discret2(ctrl, SegmentTol(ctrl, tol), &pts, depth);
        m_aSegEnds.Add(static_cast<UINT>(pts.GetSize() - 1));
    }
    DropRepeats(pts, m_aSegEnds);
    const int n = static_cast<int>(pts.GetSize());
    if (n > 1) {
        const auto* src = reinterpret_cast<const double(*)[2]>(pts.GetData());
        if (n == m_nSWPoint && m_pSWPoint)
            std::copy(&src[0][0], &src[0][0] + 2 * n, &m_pSWPoint[0][0]);  // same size: reuse the block
        else
            CopySWPoint(src, n);
        CalcBox2d();
    }
    // Very large runs are not kept as scratch.
    if (n > kScratchKeepLimit) pts.RemoveAll();
}

void CGeBezier::DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double ang, bool bRefine)
{
    if (!m_pNodes || m_nNodes < 4 || !pts || ang < gecon::kDegenerateTol) return;
    tol = ClampTol(tol);
    m_dLastTol = tol;
    if (pts->IsEmpty()) pts->SetSize(0, kArrayGrowBy);
    const unsigned int s = static_cast<unsigned int>(GetSegmentCount());
    double ctrl[4][2];
    for (unsigned int k = 1; k <= s; ++k) {
        LoadCtrl(k, &ctrl[0][0]);
        pts->Add(tagPoint2d{ctrl[0][0], ctrl[0][1]});
        int depth = 0;
        Discret2(ctrl, SegmentTol(ctrl, tol), pts, depth);
    }
    if (bRefine) RefinePointStr(tol, kRefineAngle, *pts);
}

int CGeBezier::GetDiscStep(double tol, double& step)
{
    BCRV* curve = QVN_GeConvert::ToNurbsCurve(this);
    if (!curve) return 0;
    const int result = BCRV_GetMaxiStepLin(curve, tol, step);
    if (step > kMaxDiscStep) step = kMaxDiscStep;
    BCRV_Free(curve);
    return result;
}

// ---------------------------------------------------------------------------
// Drawing and picking

void CGeBezier::Draw(Direct2DHandler*, int) {}

void CGeBezier::Draw(CDC* dc, int)
{
    CLooker* looker = gGetLooker();
    if (!dc || !looker) return;
    if (!HasDisplay() || m_aSegEnds.IsEmpty()) Discrete(gGetCrvShowDiscTol());
    if (!HasDisplay()) return;
    int mode = CLooker::kDrawPlain;
    double pixel = 0.0;
    looker->ScreentoWorld(1.0, pixel);
    if (m_nSWPoint > 7 && 4.0 * m_dLastTol < pixel) mode = CLooker::kDrawFine;
    looker->DrawPolylineEx(m_pSWPoint.get(), m_nSWPoint, mode, &m_aSegEnds, dc);
}

int CGeBezier::Pick(CPickRay& ray, int bCheckType)
{
    if (bCheckType && (GetType() & ray.m_nTypeMask) == 0) return 0;
    return CGeCurve::Pick(ray, bCheckType);
}

// ---------------------------------------------------------------------------
// Evaluation

void CGeBezier::GetPointAt(double t, double* p, unsigned seg)
{
    if (!IsValidSeg(seg)) return;
    const CBezierNode* n = &m_pNodes[3 * (seg - 1)];
    const double s = 1.0 - t;
    const double b0 = s * s * s, b1 = 3.0 * s * s * t, b2 = 3.0 * s * t * t, b3 = t * t * t;
    p[0] = b0 * n[0].x + b1 * n[1].x + b2 * n[2].x + b3 * n[3].x;
    p[1] = b0 * n[0].y + b1 * n[1].y + b2 * n[2].y + b3 * n[3].y;
}

int CGeBezier::GetGCPoint(unsigned char kind, double* p, unsigned seg)
{
    if (!IsValidSeg(seg)) return 0;
    if (kind == 1) {
        GetStartPoint(p);
        return 1;
    }
    if (kind == 2) {
        GetEndPoint(p);
        return 1;
    }
    return 0;
}

void CGeBezier::EvPos(double t, double* p, unsigned seg)
{
    if (!IsValidSeg(seg)) return;
    double c[8];
    LoadCtrl(seg, c);
    BEZ_EvPos(c, t, p);
}

void CGeBezier::Ev1Der(double t, double* p, double* d1, unsigned seg)
{
    if (!IsValidSeg(seg)) return;
    double c[8];
    LoadCtrl(seg, c);
    BEZ_Ev1Der(c, t, p, d1);
}

void CGeBezier::Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg)
{
    if (!IsValidSeg(seg)) return;
    double c[8];
    LoadCtrl(seg, c);
    BEZ_Ev2Der(c, t, p, d1, d2);
}

void CGeBezier::GetTanVecAt(double t, double* v, unsigned seg)
{
    double p[2];
    Ev1Der(t, p, v, seg);
}

int CGeBezier::GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist)
{
    const unsigned int s = static_cast<unsigned int>(GetSegmentCount());
    if (s == 0) return 0;
    double best = kNoBest;
    double c[8], proj[2];
    auto take = [&](const double* q, double tq, unsigned k, double d) {
        out[0] = q[0];
        out[1] = q[1];
        t = tq;
        seg = k;
        dist = d;
        best = d;
    };
    for (unsigned int k = 1; k <= s; ++k) {
        LoadCtrl(k, c);
        double tp = 0.0, d = 0.0;
        if (BEZ_PrjPnt(c, p, proj, tp, d)) {
            if (d < best) take(proj, tp, k, d);
            continue;
        }
        const double d0 = std::hypot(p[0] - c[0], p[1] - c[1]);
        if (d0 < best) take(c, 0.0, k, d0);
        const double d3 = std::hypot(p[0] - c[6], p[1] - c[7]);
        if (d3 < best) take(c + 6, 1.0, k, d3);
    }
    return 1;
}

int CGeBezier::GetTanPt(double* p, double& t, int& seg, double* out)
{
    const int s = GetSegmentCount();
    if (s <= 0) return 0;
    const int start = std::clamp(seg, 1, s);
    double pt[2];
    double tt = (t >= 0.0 && t <= 1.0) ? t : 0.5;
    int found = 0;
    for (int k = start; k <= s && !found; ++k) {
        if (k != start) tt = 0.5;
        if (SearchTanPt(p, tt, static_cast<unsigned>(k), pt)) found = k;
    }
    for (int k = start - 1; k >= 1 && !found; --k) {
        tt = 0.5;
        if (SearchTanPt(p, tt, static_cast<unsigned>(k), pt)) found = k;
    }
    if (!found) return 0;
    // The Newton point is refined onto the segment where the line from p meets it.
    double c[8];
    LoadCtrl(static_cast<unsigned>(found), c);
    std::vector<IntPnt> hits;
    const int count = Isect_LineBez(p, pt, c, kTanIsectTol, hits);
    if (count == 1 || count == 2) {
        tt = hits[0].para2;
        pt[0] = hits[0].pt[0];
        pt[1] = hits[0].pt[1];
    }
    t = tt;
    seg = found;
    out[0] = pt[0];
    out[1] = pt[1];
    return 1;
}

// ---------------------------------------------------------------------------
// Arc length

double CGeBezier::EvArcLength(double t1, unsigned int k1, double t2, unsigned int k2)
{
    const unsigned int s = static_cast<unsigned int>(GetSegmentCount());
    if (k1 == 0 || k2 == 0 || k1 > s || k2 > s || k2 < k1) return 0.0;
    double c[8];
    if (k1 == k2) {
        if (std::fabs(t1 - t2) < kParamEnd) return 0.0;
        LoadCtrl(k1, c);
        return BEZ_ArcLengthEx(c, t1, t2);
    }
    double len = 0.0;
    if (t1 < 1.0 - kParamEnd) {
        LoadCtrl(k1, c);
        len += BEZ_ArcLengthEx(c, t1, 1.0);
    }
    for (unsigned int k = k1 + 1; k < k2; ++k) {
        LoadCtrl(k, c);
        len += BEZ_ArcLengthEx(c, 0.0, 1.0);
    }
    if (t2 > kParamEnd) {
        LoadCtrl(k2, c);
        len += BEZ_ArcLengthEx(c, 0.0, t2);
    }
    return len;
}

double CGeBezier::EvArcLength(double t0, double t1, unsigned seg) { return EvArcLength(t0, 1u, t1, seg); }

double CGeBezier::EvTotalArcLength()
{
    const unsigned int s = static_cast<unsigned int>(GetSegmentCount());
    double c[8], len = 0.0;
    for (unsigned int k = 1; k <= s; ++k) {
        LoadCtrl(k, c);
        len += BEZ_ArcLength(c);
    }
    return len;
}

int CGeBezier::IsLongerThan(double len)
{
    const unsigned int s = static_cast<unsigned int>(GetSegmentCount());
    double c[8], sum = 0.0;
    for (unsigned int k = 1; k <= s; ++k) {
        LoadCtrl(k, c);
        sum += BEZ_ArcLength(c);
        if (sum > len) return 1;
    }
    return 0;
}

namespace {

// Wraps len into (0, total] on a closed curve, clamps it to total on an open one.
double FoldLength(double len, double total, bool closed)
{
    if (!closed) return std::min(len, total);
    if (len > total && total > 0.0) {
        len = std::fmod(len, total);
        if (len == 0.0) len = total;
    }
    return len;
}

}  // namespace

int CGeBezier::EvParam(double len, double& t, unsigned& seg, double total)
{
    const unsigned int s = static_cast<unsigned int>(GetSegmentCount());
    if (s == 0) return 0;
    if (total == 0.0) total = EvTotalArcLength();
    len = FoldLength(len, total, IsClosed(gecon::kClosedTol) != 0);
    if (len <= kLengthSnap) {
        t = 0.0;
        seg = 1;
        return 1;
    }
    double c[8], acc = 0.0;
    for (unsigned int k = 1; k <= s; ++k) {
        LoadCtrl(k, c);
        const double L = BEZ_ArcLength(c);
        if (len > acc && len - kLengthSnap < acc + L) {
            if (std::fabs(acc + L - len) <= kLengthSnap)
                t = 1.0;
            else if (!BEZ_EvParam(c, len - acc, t))
                return 0;
            seg = k;
            return 1;
        }
        acc += L;
    }
    return 0;
}

int CGeBezier::EvParamEx(double len, double& t, unsigned int& k, double* cumulative)
{
    const unsigned int s = static_cast<unsigned int>(GetSegmentCount());
    if (s == 0) return 0;
    if (!cumulative) return EvParam(len, t, k, 0.0);
    len = FoldLength(len, cumulative[s], IsClosed(gecon::kClosedTol) != 0);
    if (len <= kLengthSnap) {
        t = 0.0;
        k = 1;
        return 1;
    }
    double c[8];
    for (unsigned int j = 1; j <= s; ++j) {
        const double acc = cumulative[j - 1], end = cumulative[j];
        if (len > acc && len - kLengthSnap < end) {
            LoadCtrl(j, c);
            if (std::fabs(end - len) <= kLengthSnap)
                t = 1.0;
            else if (!BEZ_EvParam(c, len - acc, t))
                return 0;
            k = j;
            return 1;
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Splitting

void CGeBezier::Split(double t, CGeCurve** out, int seg, int)
{
    if (!out) return;
    CGeBezier* first = nullptr;
    CGeBezier* second = nullptr;
    if (seg >= 1) Split(static_cast<unsigned int>(seg), t, first, second);
    out[0] = first;
    out[1] = second;
}

void CGeBezier::Split(unsigned int k, double t, CGeBezier*& first, CGeBezier*& second)
{
    first = second = nullptr;
    if (!IsValidSeg(k) || std::isnan(t)) return;
    t = std::clamp(t, 0.0, 1.0);
    const unsigned int K = m_nNodes;
    const unsigned int s = static_cast<unsigned int>(GetSegmentCount());
    const CBezierNode* n = m_pNodes.get();
    const int bytes = static_cast<int>(sizeof(double[2]) * (K + 4));
    auto* a = static_cast<double(*)[2]>(gAlcMemPool(bytes));
    auto* b = static_cast<double(*)[2]>(gAlcMemPool(bytes));
    if (a && b) {
        if (t <= gecon::kParamSnapTol) {
            if (k == 1) {
                second = static_cast<CGeBezier*>(Copy());
            } else {
                CopyNodePoints(n, 0, 3 * k - 3, a);
                CopyNodePoints(n, 3 * k - 3, K - 1, b);
                first = NewFromPoints(3 * k - 2, a);
                second = NewFromPoints(K - 3 * k + 3, b);
            }
        } else if (t >= 1.0 - gecon::kParamSnapTol) {
            if (k == s) {
                first = static_cast<CGeBezier*>(Copy());
            } else {
                CopyNodePoints(n, 0, 3 * k, a);
                CopyNodePoints(n, 3 * k, K - 1, b);
                first = NewFromPoints(3 * k + 1, a);
                second = NewFromPoints(K - 3 * k, b);
            }
        } else {
            double c[8], L[8], R[8];
            LoadCtrl(k, c);
            BEZ_Split(c, t, L, R);
            if (k > 1) CopyNodePoints(n, 0, 3 * k - 4, a);
            std::copy(L, L + 8, &a[3 * k - 3][0]);
            std::copy(R, R + 8, &b[0][0]);
            if (3 * k + 1 < K) CopyNodePoints(n, 3 * k + 1, K - 1, b + 4);
            first = NewFromPoints(3 * k + 1, a);
            second = NewFromPoints(K - 3 * k + 3, b);
        }
    }
    gFreMemPool();
    gFreMemPool();
}

void CGeBezier::SplitInNode(int* nodes, int n, CTypedPtrList<CObList, CGeCurve*>& out)
{
    if (m_nNodes == 0) return;
    const int K = static_cast<int>(m_nNodes);
    auto piece = [&](int from, int to) {
        if (to - from + 1 <= 1) return;
        auto* bez = new CGeBezier;
        if (bez->CreateEx(static_cast<unsigned int>(to - from + 1), &m_pNodes[from]))
            out.AddTail(bez);
        else
            delete bez;
    };
    int j = 0;
    for (int i = 0; nodes && i < n; ++i) {
        const int v = nodes[i];
        // Only ascending indices inside the spline cut it.
        if (v <= j || v >= K) continue;
        piece(j, v);
        j = v;
    }
    piece(j, K - 1);
}

// ---------------------------------------------------------------------------
// Conversion

void CGeBezier::ToElement(CTypedPtrList<CObList, CGeCurve3d*>* list)
{
    if (!list) return;
    std::vector<int> corners;
    for (unsigned int i = 3; i < m_nNodes; i += 3)
        if (m_pNodes[i].kind == 0) corners.push_back(static_cast<int>(i));
    if (corners.empty()) {
        CGeCurve::ToElement(list);
        return;
    }
    // Each smooth run between corners becomes one 3D curve.
    CTypedPtrList<CObList, CGeCurve*> pieces;
    SplitInNode(corners.data(), static_cast<int>(corners.size()), pieces);
    POSITION pos = pieces.GetHeadPosition();
    while (pos) {
        CGeCurve* piece = pieces.GetNext(pos);
        piece->CGeCurve::ToElement(list);
        delete piece;
    }
    pieces.RemoveAll();
}

void CGeBezier::BiArcAppx(double tol, CTypedPtrList<CObList, CGeCurve*>* out)
{
    if (!out || GetSegmentCount() <= 0) return;
    if (tol < kBiArcMinTol) tol *= 2.0;
    gebiarc::FitDiscretised(*this, tol, out);
}

// ---------------------------------------------------------------------------
// Snapping

int CGeBezier::GetSnapPos(CSnapAt* at, CSnapResult& res)
{
    if (!at || !at->m_pBase || !at->m_pLooker) return 0;
    const int before = res.GetSize();
    const double r = at->m_dAperture;
    double cursor[2] = {at->m_ptCursor[0], at->m_ptCursor[1]};
    const int mode = at->m_nSnapMode;
    const bool hasBase = at->m_pBase->m_bHasBase != 0;

    if ((mode & kSnapEnd) && m_nNodes > 0) {
        for (unsigned int i = 0; i < m_nNodes; i += 3) {
            const double* q = &m_pNodes[i].x;
            if (at->IsSnapPoint(q, 2)) {
                res.PushBackEnd(q[0], q[1], 0.0);
                break;
            }
            if (at->m_bAlign && at->m_pLooker->IsPtInView(q, 2) &&
                (std::fabs(q[0] - cursor[0]) < r || std::fabs(q[1] - cursor[1]) < r))
                res.PushBackEnd(q[0], q[1], 0.0);
        }
    }
    if (mode & kSnapNear) {
        double near[2], t = 0.0, d = 0.0;
        unsigned seg = 1;
        if (GetNearestPoint(cursor, near, t, seg, d) && d < r) res.PushBackNear(near[0], near[1], 0.0);
    }
    if ((mode & kSnapTan) && hasBase) {
        double near[2], t = 0.0, d = 0.0, tanPt[2];
        unsigned seg = 1;
        if (GetNearestPoint(cursor, near, t, seg, d)) {
            int k = static_cast<int>(seg);
            if (GetTanPt(at->m_pBase->m_ptBase, t, k, tanPt) && at->IsSnapPoint(tanPt, 2))
                res.PushBackTan(tanPt[0], tanPt[1], 0.0);
        }
    }
    if ((mode & kSnapPerp) && hasBase) {
        const unsigned int s = static_cast<unsigned int>(GetSegmentCount());
        double best = kNoBest, bestPt[2] = {0.0, 0.0}, c[8], box[4], proj[2];
        for (unsigned int k = 1; k <= s; ++k) {
            LoadCtrl(k, c);
            BEZ_GetBox(c, box);
            if (cursor[0] < box[0] - r || cursor[0] > box[2] + r || cursor[1] < box[1] - r || cursor[1] > box[3] + r)
                continue;
            double tp = 0.0, d = 0.0;
            if (BEZ_PrjPnt(c, at->m_pBase->m_ptBase, proj, tp, d) && d < best) {
                best = d;
                bestPt[0] = proj[0];
                bestPt[1] = proj[1];
            }
        }
        if (best < kNoPerp && at->IsSnapPoint(bestPt, 2)) res.PushBackPerp(bestPt[0], bestPt[1], 0.0);
    }
    return res.GetSize() > before ? 1 : 0;
}
