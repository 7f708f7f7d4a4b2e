#include "toolpath/milling/IntCurveSet.h"

#include "toolpath/contours/PathEntity.h"
#include "toolpath/contours/SmartCurve.h"
#include "toolpath/contours/SmartCurveLib.h"
#include "toolpath/contours/SmartLoop.h"
#include "toolpath/milling/CentreConst.h"
#include "toolpath/milling/IntrusiveList.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <new>
#include <unordered_map>
#include <vector>

using namespace centre;

namespace {

double Dist(const SCurvePoint* a, const SCurvePoint* b) { return std::hypot(b->u - a->u, b->v - a->v); }

// Angle at b between a and c, in [0, pi]; 0 when an arm is degenerate.
double AngleAt(const SCurvePoint* a, const SCurvePoint* b, const SCurvePoint* c)
{
    const double ux = a->u - b->u, uy = a->v - b->v, vx = c->u - b->u, vy = c->v - b->v;
    if (std::hypot(ux, uy) < kDegenerate || std::hypot(vx, vy) < kDegenerate)
        return 0;
    return std::atan2(std::fabs(ux * vy - uy * vx), ux * vx + uy * vy);
}

double PointSegDist(const SCurvePoint* p, const SCurvePoint* a, const SCurvePoint* b)
{
    const double pp[2] = {p->u, p->v}, aa[2] = {a->u, a->v}, bb[2] = {b->u, b->v};
    return PointSegmentDistance(pp, aa, bb);
}

std::vector<SCurvePoint*> PointsOf(const SIntCurve& c)
{
    std::vector<SCurvePoint*> pts;
    for (SCurvePoint* p = c.first; p; p = p->next)
        pts.push_back(p);
    return pts;
}

// Relinks the curve through the kept points in order and frees the others.
void Relink(SIntCurve& c, const std::vector<SCurvePoint*>& pts, const std::vector<char>& keep)
{
    c.first = c.last = nullptr;
    for (size_t i = 0; i < pts.size(); ++i) {
        if (!keep[i]) {
            delete pts[i];
            continue;
        }
        pts[i]->next = nullptr;
        if (c.last)
            c.last->next = pts[i];
        else
            c.first = pts[i];
        c.last = pts[i];
    }
}

// One greedy pass over an open point run.
std::vector<char> ThinKeep(const std::vector<SCurvePoint*>& pts, double tol)
{
    return GreedyThinKeep(pts.size(), tol,
                          [&](size_t k, size_t a, size_t e) { return PointSegDist(pts[k], pts[a], pts[e]); });
}

SCurvePoint* NewPoint(double u, double v) { return new SCurvePoint{u, v, nullptr}; }

}  // namespace

SIntCurve::~SIntCurve() { CurveClearPoints(*this); }

CIntCurveSet::~CIntCurveSet() { CurveSetClear(*this); }

void CurveClearPoints(SIntCurve& c)
{
    DeleteChain(c.first);
    c.first = c.last = nullptr;
}

void CurveAppendPoint(const double* p, SIntCurve& c)
{
    SCurvePoint* n = NewPoint(p[0], p[1]);
    if (c.last)
        c.last->next = n;
    else
        c.first = n;
    c.last = n;
}

void CurvePrependPoint(const double* p, SIntCurve& c, double tol)
{
    if (c.first && std::hypot(c.first->u - p[0], c.first->v - p[1]) <= tol) {
        c.first->u = p[0], c.first->v = p[1];
        return;
    }
    SCurvePoint* n = NewPoint(p[0], p[1]);
    n->next = c.first;
    c.first = n;
    if (!c.last)
        c.last = n;
}

int CurvePointCount(const SIntCurve& c)
{
    int n = 0;
    for (const SCurvePoint* p = c.first; p; p = p->next)
        ++n;
    return n;
}

void CurveReverse(SIntCurve& c)
{
    SCurvePoint* prev = nullptr;
    c.last = c.first;
    for (SCurvePoint* p = c.first; p;) {
        SCurvePoint* next = p->next;
        p->next = prev;
        prev = p;
        p = next;
    }
    c.first = prev;
}

void CurveClose(SIntCurve& c)
{
    if (!c.first)
        return;
    if (Dist(c.first, c.last) > kCloseGap) {
        const double p[2] = {c.first->u, c.first->v};
        CurveAppendPoint(p, c);
    } else {
        c.last->u = c.first->u, c.last->v = c.first->v;
    }
}

void CurveAppendCurve(SIntCurve& a, SIntCurve& b)
{
    if (!a.first)
        return;
    if (!b.first) {
        b.first = a.first, b.last = a.last;
        a.first = a.last = nullptr;
        return;
    }
    SCurvePoint* from = a.first;
    if (Dist(b.last, a.first) <= kJoinTol) {
        from = a.first->next;
        delete a.first;
    }
    if (from) {
        b.last->next = from;
        b.last = a.last;
    }
    a.first = a.last = nullptr;
}

namespace {
double DistToCurve(const SCurvePoint* p, const SIntCurve& b)
{
    if (!b.first)
        return 1e300;
    if (!b.first->next)
        return Dist(p, b.first);
    double best = 1e300;
    for (const SCurvePoint* q = b.first; q->next; q = q->next)
        best = std::min(best, PointSegDist(p, q, q->next));
    return best;
}
}  // namespace

int CurveWithin(const SIntCurve& a, const SIntCurve& b, double tol)
{
    for (const SCurvePoint* p = a.first; p; p = p->next)
        if (!(DistToCurve(p, b) <= tol))
            return 0;
    return 1;
}

const SCurvePoint* CurveNearestPointTo(const SIntCurve& a, const SIntCurve& b, double* dist)
{
    const SCurvePoint* best = nullptr;
    double bestD = 1e300;
    for (const SCurvePoint* p = a.first; p; p = p->next) {
        const double d = DistToCurve(p, b);
        if (d < bestD)
            best = p, bestD = d;
        if (d < kJoinTol)
            break;
    }
    if (dist)
        *dist = bestD;
    return best;
}

int CurveStartDirection(const SIntCurve& c, double tol, double* dir)
{
    if (!c.first)
        return 0;
    for (const SCurvePoint* p = c.first->next; p; p = p->next) {
        const double d = Dist(c.first, p);
        if (d >= tol && d > 0) {
            dir[0] = (p->u - c.first->u) / d;
            dir[1] = (p->v - c.first->v) / d;
            return 1;
        }
    }
    return 0;
}

int CurveInsertAtLength(double len, SIntCurve& c)
{
    double acc = 0;
    for (SCurvePoint* p = c.first; p && p->next; p = p->next) {
        const double d = Dist(p, p->next);
        if (acc + d >= len) {
            const double t = d > 0 ? (len - acc) / d : 0;
            SCurvePoint* n = NewPoint(p->u + t * (p->next->u - p->u), p->v + t * (p->next->v - p->v));
            n->next = p->next;
            p->next = n;
            return 1;
        }
        acc += d;
    }
    return 0;
}

namespace {
// Makes the closed curve start at point `at` (a point of it, or a new point inserted
// after `after`): start, the points after it to the end, those before it, the start.
void RotateClosed(SIntCurve& c, SCurvePoint* after, double u, double v, bool newPoint)
{
    std::vector<SCurvePoint*> pts = PointsOf(c);
    // Drop the closing repeat; it is rebuilt at the new start.
    delete pts.back();
    pts.pop_back();
    size_t k = 0;
    while (pts[k] != after)
        ++k;
    std::vector<SCurvePoint*> order;
    if (newPoint) {
        order.push_back(NewPoint(u, v));
        for (size_t i = k + 1; i < pts.size(); ++i)
            order.push_back(pts[i]);
        for (size_t i = 0; i <= k; ++i)
            order.push_back(pts[i]);
    } else {
        for (size_t i = k; i < pts.size(); ++i)
            order.push_back(pts[i]);
        for (size_t i = 0; i < k; ++i)
            order.push_back(pts[i]);
    }
    order.push_back(NewPoint(order.front()->u, order.front()->v));
    c.first = c.last = nullptr;
    for (SCurvePoint* p : order) {
        p->next = nullptr;
        if (c.last)
            c.last->next = p;
        else
            c.first = p;
        c.last = p;
    }
}
}  // namespace

double CurveRestartNearest(const double* p, SIntCurve& c)
{
    if (!c.first || !c.first->next)
        return c.first ? std::hypot(c.first->u - p[0], c.first->v - p[1]) : 1e300;
    const SCurvePoint pp{p[0], p[1], nullptr};
    SCurvePoint* best = nullptr;
    double bestD = 1e300;
    for (SCurvePoint* q = c.first; q->next; q = q->next) {
        const double d = PointSegDist(&pp, q, q->next);
        if (d <= bestD)
            best = q, bestD = d;
    }
    SCurvePoint* e = best->next;
    // Near an end of the segment the curve starts at that end (the segment's first point
    // for both, as the later segment wins ties, fails at the closing point).
    if (std::fabs(bestD - Dist(&pp, best)) <= kJoinTol) {
        if (best != c.first)
            RotateClosed(c, best, 0, 0, false);
        return bestD;
    }
    if (std::fabs(bestD - Dist(&pp, e)) <= kJoinTol) {
        if (e != c.last)
            RotateClosed(c, e, 0, 0, false);
        return bestD;
    }
    const double dx = e->u - best->u, dy = e->v - best->v;
    const double t = ((p[0] - best->u) * dx + (p[1] - best->v) * dy) / (dx * dx + dy * dy);
    RotateClosed(c, best, best->u + t * dx, best->v + t * dy, true);
    return bestD;
}

void CurveStartAdjust(SIntCurve& c, double* p, double* dir)
{
    double d0[2];
    if (!c.first || !c.first->next || !CurveStartDirection(c, kStartStep, d0))
        return;
    const SCurvePoint* s = c.first;
    const double segLen = Dist(s, s->next);
    const double inLen = std::hypot(dir[0], dir[1]);
    double walked = 0;
    for (;; walked += kStartStep) {
        if (walked >= segLen) {
            RotateClosed(c, c.first->next, 0, 0, false);
            break;
        }
        const double wx = s->u + walked * d0[0], wy = s->v + walked * d0[1];
        const double mx = wx - p[0], my = wy - p[1];
        const double ml = std::hypot(mx, my);
        if (inLen < kStartUnit || ml < kDegenerate)
            break;
        const double ang = std::atan2(std::fabs(mx * dir[1] - my * dir[0]), mx * dir[0] + my * dir[1]);
        if (ang <= kStartTurn) {
            if (walked > 0) {
                c.first->u = wx, c.first->v = wy;
                const double w[2] = {wx, wy};
                CurveAppendPoint(w, c);
            }
            break;
        }
    }
    p[0] = c.first->u, p[1] = c.first->v;
    double nd[2];
    if (CurveStartDirection(c, kStartStep, nd))
        dir[0] = nd[0], dir[1] = nd[1];
}

std::unique_ptr<SIntCurve> CurveSplitAfter(SCurvePoint* node, SIntCurve& c)
{
    auto front = std::make_unique<SIntCurve>();
    front->height = c.height;
    front->first = c.first;
    front->last = node;
    c.first = node->next;
    if (!c.first)
        c.last = nullptr;
    node->next = nullptr;
    return front;
}

std::unique_ptr<SIntCurve> CurveSplitAtX(int flag, double x, SIntCurve& c)
{
    if (!c.first || !c.first->next)
        return nullptr;
    if (x < c.first->u - kSplitRange || x > c.last->u + kSplitRange)
        return nullptr;
    const double xs = flag ? x - kSplitShift : x + kSplitShift;
    SCurvePoint* pred = nullptr;
    SCurvePoint* at = c.first;
    while (at && at->u < xs)
        pred = at, at = at->next;
    // The cut must fall between two points of the curve.
    if (!at || !pred)
        return nullptr;
    double v = pred->v;
    if (at->u - pred->u > kSplitShift)
        v = pred->v + (xs - pred->u) / (at->u - pred->u) * (at->v - pred->v);
    const double sp[2] = {xs, v};
    std::unique_ptr<SIntCurve> front = CurveSplitAfter(pred, c);
    CurveReverse(*front);
    CurvePrependPoint(sp, *front, kSplitOverwrite);
    CurvePrependPoint(sp, c, kSplitOverwrite);
    if (!c.first->next)
        std::swap(c.first, front->first), std::swap(c.last, front->last);
    if (!front->first->next)
        return nullptr;
    return front;
}

void CurveNeighbourLimits(const SIntCurve& c, double* left, double* right)
{
    left[0] = -1e12, left[1] = 0, right[0] = 1e12, right[1] = 0;
    if (c.prev && c.prev->last)
        left[0] = c.prev->last->u - kJoinTol, left[1] = c.prev->last->v;
    if (c.next && c.next->first)
        right[0] = c.next->first->u + kJoinTol, right[1] = c.next->first->v;
}

void CurveThin(SIntCurve& c, int closed, double tol)
{
    std::vector<SCurvePoint*> pts = PointsOf(c);
    std::vector<char> keep = ThinKeep(pts, tol);
    if (closed && pts.size() >= 5 && std::count(keep.begin(), keep.end(), 1) >= 5) {
        // The old start goes too when the chord over it, from the last kept point
        // before the end to the first kept after the start, holds every point it spans.
        size_t before = pts.size() - 2, after = 1;
        while (!keep[before])
            --before;
        while (!keep[after])
            ++after;
        bool ok = true;
        for (size_t k = before + 1; k < pts.size() && ok; ++k)
            ok = PointSegDist(pts[k], pts[before], pts[after]) <= tol;
        for (size_t k = 0; k < after && ok; ++k)
            ok = PointSegDist(pts[k], pts[before], pts[after]) <= tol;
        if (ok) {
            keep.front() = keep.back() = 0;
            Relink(c, pts, keep);
            const double s[2] = {pts[after]->u, pts[after]->v};
            CurveAppendPoint(s, c);
            return;
        }
    }
    Relink(c, pts, keep);
}

void CurveSmoothKinks(SIntCurve& c)
{
    if (CurvePointCount(c) < 4)
        return;
    SCurvePoint* a = c.first;
    while (a && a->next && a->next->next && a->next->next->next) {
        SCurvePoint *b = a->next, *cc = b->next, *d = cc->next;
        const double bc = Dist(b, cc), ad = Dist(a, d);
        if (bc < kKinkShort && bc < kKinkRatio * ad) {
            const double db = PointSegDist(b, a, d), dc = PointSegDist(cc, a, d);
            if (db <= kKinkDrop && dc <= kKinkDrop) {
                a->next = d;
                delete b;
                delete cc;
                continue;
            }
            if (db <= kKinkMerge && dc <= kKinkMerge) {
                b->u = 0.5 * (b->u + cc->u), b->v = 0.5 * (b->v + cc->v);
                b->next = d;
                delete cc;
                continue;
            }
        }
        a = a->next;
    }
}

namespace {
template <class Drop>
void DropPoints(SIntCurve& c, Drop drop)
{
    if (CurvePointCount(c) < 4)
        return;
    SCurvePoint* a = c.first;
    while (a && a->next && a->next->next && a->next->next->next) {
        SCurvePoint *b = a->next, *cc = b->next, *d = cc->next;
        if (drop(a, b, cc, d)) {
            b->next = d;
            delete cc;
            continue;
        }
        a = a->next;
    }
}
}  // namespace

void CurveDropSpikes(SIntCurve& c)
{
    DropPoints(c, [](SCurvePoint* a, SCurvePoint* b, SCurvePoint* cc, SCurvePoint* d) {
        const double atC = AngleAt(b, cc, d);
        return atC >= 0 && atC <= kHalfPi && PointSegDist(d, b, cc) <= kSpikeNear && AngleAt(a, b, d) > kSpikeOpen;
    });
}

void CurveDropSharpSpikes(SIntCurve& c)
{
    DropPoints(c, [](SCurvePoint*, SCurvePoint* b, SCurvePoint* cc, SCurvePoint* d) {
        const double atC = AngleAt(b, cc, d);
        return atC >= 0 && atC <= kQuarterPi;
    });
}

std::unique_ptr<CPathPLine3D> PolylineOf(const std::vector<std::array<double, 3>>& pts)
{
    if (pts.size() < 2)
        return nullptr;
    auto pl = std::make_unique<CPathPLine3D>();
    pl->count = int(pts.size()) - 1;
    pl->points.reset(new double[pts.size()][3]);
    for (size_t i = 0; i < pts.size(); ++i)
        for (int k = 0; k < 3; ++k)
            pl->points[i][k] = pts[i][size_t(k)];
    return pl;
}

std::unique_ptr<CPathPLine3D> CurveRampEntry(SIntCurve& c, double len, double rise)
{
    if (len <= kDegenerate || !c.first || !c.first->next)
        return nullptr;
    std::vector<std::array<double, 3>> pts;
    const auto z = [&](double s) { return (1 - s / len) * rise + c.height; };
    pts.push_back({c.first->u, c.first->v, z(0)});
    double acc = 0;
    SCurvePoint* p = c.first;
    for (; p->next; p = p->next) {
        const double d = Dist(p, p->next);
        if (acc + d > len - kRampEnd) {
            const double t = d > 0 ? (len - acc) / d : 0;
            const double q[2] = {p->u + t * (p->next->u - p->u), p->v + t * (p->next->v - p->v)};
            pts.push_back({q[0], q[1], z(len)});
            // The curve now starts at q and runs round to q again.
            RotateClosed(c, p, q[0], q[1], true);
            return PolylineOf(pts);
        }
        acc += d;
        pts.push_back({p->next->u, p->next->v, z(acc)});
    }
    return PolylineOf(pts);
}

std::unique_ptr<CPathPLine3D> CurveToPolyline3D(const SIntCurve& c, double y)
{
    std::vector<std::array<double, 3>> pts;
    for (const SCurvePoint* p = c.first; p; p = p->next)
        pts.push_back({p->u, y, p->v});
    return PolylineOf(pts);
}

std::unique_ptr<CSmartCurve> CurveToSmartLines(const SIntCurve& c)
{
    if (!c.first || !c.first->next)
        return nullptr;
    auto sc = std::make_unique<CSmartCurve>();
    for (const SCurvePoint* p = c.first; p->next; p = p->next) {
        const double a[2] = {p->u, p->v}, b[2] = {p->next->u, p->next->v};
        sc->AddSect(new CSmartLine(a, b));
    }
    return sc;
}

std::unique_ptr<CSmartCurve> CurveToSmartCurve(const SIntCurve& c, const double* tol)
{
    const int n = CurvePointCount(c);
    if (n < 2)
        return nullptr;
    std::vector<std::array<double, 2>> pts, mids;
    for (const SCurvePoint* p = c.first; p; p = p->next) {
        pts.push_back({p->u, p->v});
        if (p->next)
            mids.push_back({0.5 * (p->u + p->next->u), 0.5 * (p->v + p->next->v)});
    }
    auto sc = std::make_unique<CSmartCurve>();
    sc->AddPointArray(reinterpret_cast<double(*)[2]>(pts.data()), n - 1, tol,
                      reinterpret_cast<double(*)[2]>(mids.data()));
    return sc;
}

void CurveFromLoop(SIntCurve& c, const CSmartLoop* loop)
{
    CSmartSect* s = loop ? loop->GetSectHead() : nullptr;
    if (!s)
        return;
    double p[2];
    s->GetPoint(0, p);
    CurveAppendPoint(p, c);
    for (; s; s = s->next) {
        if (s->IsSectArc()) {
            const auto* a = static_cast<const CSmartArc*>(s);
            const double sweep = std::fabs(a->endAngle - a->startAngle);
            const double ratio = a->radius > kArcChord ? 1 - kArcChord / a->radius : -1;
            const double step = 2 * std::acos(std::clamp(ratio, -1.0, 1.0));
            const int k = std::clamp(step > 0 ? int(std::ceil(sweep / step)) : 1, 1, kArcSamples);
            for (int i = 1; i <= k; ++i) {
                s->GetPoint(double(i) / k, p);
                CurveAppendPoint(p, c);
            }
        } else {
            s->GetPoint(1, p);
            CurveAppendPoint(p, c);
        }
    }
}

void CurveSetFromLoops(CIntCurveSet& set, const CSmartLoop* chain)
{
    const auto add = [&](const CSmartLoop* l) {
        auto c = std::make_unique<SIntCurve>();
        c->height = set.height;
        CurveFromLoop(*c, l);
        if (c->first)
            CurveSetAppend(set, std::move(c));
    };
    for (const CSmartLoop* l = chain; l; l = l->next) {
        add(l);
        for (const CSmartLoop* i = l->islands; i; i = i->next)
            add(i);
    }
}

CSmartLoop* CurveSetToLoops(CIntCurveSet& set, const double* tol)
{
    CSmartCurveLib pool;
    for (SIntCurve* c = set.first; c; c = c->next)
        if (std::unique_ptr<CSmartCurve> sc = CurveToSmartCurve(*c, tol)) {
            sc->DefineBox();
            pool.AddCurves(sc.release());
        }
    CurveSetClear(set);
    return pool.FormLoop(nullptr);
}

void CurveToSegments(SIntCurve& c, CIntLineSet& set)
{
    for (const SCurvePoint* p = c.first; p && p->next; p = p->next) {
        const double a[2] = {p->u, p->v}, b[2] = {p->next->u, p->next->v};
        LineSetAddSegment(set, a, b, nullptr);
    }
    CurveClearPoints(c);
}

void CurveSetAppend(CIntCurveSet& set, std::unique_ptr<SIntCurve> c)
{
    ChainAppend(set.first, set.last, set.count, c.release());
}

std::unique_ptr<SIntCurve> CurveSetUnlink(CIntCurveSet& set, SIntCurve* c)
{
    ChainUnlink(set.first, set.last, set.count, c);
    return std::unique_ptr<SIntCurve>(c);
}

void CurveSetDelete(CIntCurveSet& set, SIntCurve*& c)
{
    CurveSetUnlink(set, c);
    c = nullptr;
}

void CurveSetClear(CIntCurveSet& set)
{
    DeleteChain(set.first);
    set.first = set.last = nullptr;
    set.count = 0;
}

void CurveSetMoveAll(CIntCurveSet& from, CIntCurveSet& to)
{
    while (from.first)
        CurveSetAppend(to, CurveSetUnlink(from, from.first));
}

void CurveSetThin(CIntCurveSet& set, double tol)
{
    for (SIntCurve* c = set.first; c; c = c->next)
        CurveThin(*c, 0, tol);
}

void CurveSetReverseAll(CIntCurveSet& set)
{
    for (SIntCurve* c = set.first; c; c = c->next)
        CurveReverse(*c);
}

void CurveSetSortByHeight(CIntCurveSet& set)
{
    // Each curve goes before the first curve not above it: descending heights, equal
    // heights in reverse order of arrival.
    std::vector<SIntCurve*> order;
    for (SIntCurve* c = set.first; c; c = c->next)
        order.push_back(c);
    std::vector<std::pair<double, size_t>> key;
    for (size_t i = 0; i < order.size(); ++i)
        key.push_back({order[i]->height, i});
    std::stable_sort(key.begin(), key.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first > b.first;
        return a.second > b.second;
    });
    set.first = set.last = nullptr;
    set.count = 0;
    for (const auto& k : key)
        CurveSetAppend(set, std::unique_ptr<SIntCurve>(order[k.second]));
}

void CurveSetDropCovered(CIntCurveSet& set)
{
    struct Box {
        double lo[2], hi[2];
    };
    const auto boxOf = [](const SIntCurve* c) {
        Box b{{1e300, 1e300}, {-1e300, -1e300}};
        for (const SCurvePoint* p = c->first; p; p = p->next) {
            b.lo[0] = std::min(b.lo[0], p->u), b.lo[1] = std::min(b.lo[1], p->v);
            b.hi[0] = std::max(b.hi[0], p->u), b.hi[1] = std::max(b.hi[1], p->v);
        }
        return b;
    };
    SIntCurve* runStart = set.first;
    while (runStart) {
        std::vector<SIntCurve*> run{runStart};
        SIntCurve* c = runStart->next;
        while (c && std::fabs(c->height - run.back()->height) <= kJoinTol)
            run.push_back(c), c = c->next;
        SIntCurve* after = c;
        std::vector<Box> boxes;
        for (SIntCurve* r : run)
            boxes.push_back(boxOf(r));
        std::vector<char> gone(run.size(), 0);
        for (size_t i = 1; i < run.size(); ++i)
            for (size_t j = 0; j < i && !gone[i]; ++j) {
                if (gone[j] || boxes[i].lo[0] < boxes[j].lo[0] - kCoverTol || boxes[i].lo[1] < boxes[j].lo[1] - kCoverTol ||
                    boxes[i].hi[0] > boxes[j].hi[0] + kCoverTol || boxes[i].hi[1] > boxes[j].hi[1] + kCoverTol)
                    continue;
                if (CurveWithin(*run[i], *run[j], kCoverTol))
                    gone[i] = gone[j] = 1;
            }
        for (size_t i = 0; i < run.size(); ++i)
            if (gone[i])
                CurveSetUnlink(set, run[i]);
        runStart = after;
    }
}

SIntCurve* CurveSetNearest(double* dir, double max, CIntCurveSet& set, double* p)
{
    SIntCurve* best = nullptr;
    double bestD = 1e300;
    for (SIntCurve* c = set.first; c; c = c->next) {
        const double d = CurveRestartNearest(p, *c);
        if (d < bestD)
            best = c, bestD = d;
    }
    if (!best || (max > 0 && bestD > max))
        return nullptr;
    CurveStartAdjust(*best, p, dir);
    return best;
}

SIntCurve* CurveSetNextZigZag(CIntCurveSet& set, const double* limits, double* last, double* box, int reverse)
{
    SIntCurve* nearest = nullptr;
    double bestDx = 1e300;
    const auto endOf = [&](const SIntCurve* c) { return reverse ? c->last : c->first; };
    for (SIntCurve* c = set.first; c; c = c->next) {
        if (!c->first)
            continue;
        const double dx = std::fabs(endOf(c)->u - last[0]);
        if (dx < bestDx)
            nearest = c, bestDx = dx;
    }
    if (!nearest || bestDx > limits[0])
        return nullptr;
    const auto fits = [&](const SIntCurve* c) {
        if (!c || !c->first)
            return false;
        const SCurvePoint* e = endOf(c);
        return c->first->u >= box[0] && c->last->u <= box[2] && std::fabs(e->u - last[0]) <= limits[0] &&
               std::fabs(e->v - last[1]) <= limits[1];
    };
    SIntCurve* chosen = nullptr;
    for (SIntCurve* c : {nearest, nearest->prev, nearest->next})
        if (fits(c)) {
            chosen = c;
            break;
        }
    if (!chosen)
        return nullptr;
    double left[2], right[2];
    CurveNeighbourLimits(*chosen, left, right);
    if (reverse)
        CurveReverse(*chosen);
    last[0] = chosen->last->u, last[1] = chosen->last->v;
    box[0] = left[0], box[1] = left[1], box[2] = right[0], box[3] = right[1];
    return chosen;
}

void LinkSegments(double tol, CIntLineSet& set)
{
    std::vector<std::unique_ptr<SIntSegment>> segs;
    while (set.head)
        segs.push_back(LineSetUnlink(set, set.head));
    if (segs.empty())
        return;
    // Segment ends by cell; a query looks at the 3 x 3 cells around its point and takes
    // the earliest live segment with an end within tol in u and v.
    const double h = std::max(tol, 1e-9);
    const auto cellKey = [&](double u, double v) {
        const auto iu = static_cast<std::int64_t>(std::floor(u / h)), iv = static_cast<std::int64_t>(std::floor(v / h));
        return std::pair<std::int64_t, std::int64_t>(iu, iv);
    };
    struct KeyHash {
        size_t operator()(const std::pair<std::int64_t, std::int64_t>& k) const
        {
            return std::hash<std::int64_t>()(k.first * 1000003 + k.second);
        }
    };
    std::unordered_map<std::pair<std::int64_t, std::int64_t>, std::vector<int>, KeyHash> cells;
    for (size_t i = 0; i < segs.size(); ++i)
        for (const double* e : {segs[i]->a, segs[i]->b})
            cells[cellKey(e[0], e[1])].push_back(int(i));
    std::vector<char> used(segs.size(), 0);
    const auto take = [&](const SCurvePoint* q, double* other) {
        const auto [iu, iv] = cellKey(q->u, q->v);
        int best = -1;
        for (std::int64_t du = -1; du <= 1; ++du)
            for (std::int64_t dv = -1; dv <= 1; ++dv) {
                const auto it = cells.find({iu + du, iv + dv});
                if (it == cells.end())
                    continue;
                for (int id : it->second) {
                    if (used[size_t(id)] || (best >= 0 && id >= best))
                        continue;
                    const SIntSegment& s = *segs[size_t(id)];
                    if ((std::fabs(s.a[0] - q->u) <= tol && std::fabs(s.a[1] - q->v) <= tol) ||
                        (std::fabs(s.b[0] - q->u) <= tol && std::fabs(s.b[1] - q->v) <= tol))
                        best = id;
                }
            }
        if (best < 0)
            return false;
        const SIntSegment& s = *segs[size_t(best)];
        const bool atA = std::fabs(s.a[0] - q->u) <= tol && std::fabs(s.a[1] - q->v) <= tol;
        other[0] = atA ? s.b[0] : s.a[0];
        other[1] = atA ? s.b[1] : s.a[1];
        used[size_t(best)] = 1;
        return true;
    };
    for (size_t i = 0; i < segs.size(); ++i) {
        if (used[i])
            continue;
        used[i] = 1;
        SIntCurve c;
        CurveAppendPoint(segs[i]->a, c);
        CurveAppendPoint(segs[i]->b, c);
        int taken = 0;
        double other[2];
        for (int side = 0; side < 2; ++side) {
            while (take(c.last, other)) {
                CurveAppendPoint(other, c);
                ++taken;
            }
            CurveReverse(c);
        }
        if (!taken)
            continue;
        CurveThin(c, 0, kLinkThin);
        CurveToSegments(c, set);
    }
}

SLineArray::~SLineArray() { LineArrayFree(*this); }

void LineArrayFree(SLineArray& arr)
{
    if (arr.sets) {
        for (int i = 0; i < arr.count; ++i)
            delete arr.sets[i];
        delete[] arr.sets;
    }
    arr.sets = nullptr;
    arr.count = 0;
}

int LineArrayInit(SLineArray& arr, int count, double y0, double d)
{
    LineArrayFree(arr);
    if (count <= 0)
        return 0;
    arr.sets = new (std::nothrow) CIntCurveSet*[size_t(count)]();
    if (!arr.sets)
        return 0;
    for (int i = 0; i < count; ++i) {
        arr.sets[i] = new (std::nothrow) CIntCurveSet;
        if (!arr.sets[i]) {
            arr.count = i;
            LineArrayFree(arr);
            return 0;
        }
        arr.sets[i]->height = y0 + i * d;
        arr.count = i + 1;
    }
    return 1;
}

int LineArrayByStep(SLineArray& arr, double step, const double* range)
{
    const double span = range[1] - range[0];
    if (!(step > 0) || !std::isfinite(step) || !std::isfinite(span))
        return 0;
    const double n = std::ceil(span / step - kStepCount);
    if (n < 0 || n > double(INT_MAX))
        return 0;
    const int count = n == 0 ? 1 : int(n);
    return LineArrayInit(arr, count, range[0], span / count);
}

// Profiles ------------------------------------------------------------------------

namespace {

bool HasHeight(double z) { return z > 0.1 * kNoHeight; }

SProfileNode* InsertAfter(SProfile& prof, SProfileNode* after, double x)
{
    auto* n = new SProfileNode;
    n->x = x;
    n->prev = after;
    n->next = after ? after->next : prof.head;
    if (n->next)
        n->next->prev = n;
    else
        prof.tail = n;
    if (after)
        after->next = n;
    else
        prof.head = n;
    ++prof.count;
    return n;
}

void RemoveNode(SProfile& prof, SProfileNode* n)
{
    ChainUnlink(prof.head, prof.tail, prof.count, n);
    delete n;
}

// Height of the piece from (x0, z0) to (x1, z1) at x; no height when either end has none.
double PieceAt(double x0, double z0, double x1, double z1, double x)
{
    if (!HasHeight(z0) || !HasHeight(z1))
        return kNoHeight;
    if (x1 - x0 <= 0)
        return std::max(z0, z1);
    return z0 + (x - x0) / (x1 - x0) * (z1 - z0);
}

}  // namespace

SProfile::~SProfile() { ProfileFree(*this); }

void ProfileFree(SProfile& prof)
{
    DeleteChain(prof.head);
    prof.head = prof.tail = nullptr;
    prof.count = 0;
}

SProfileNode* ProfileFindOrInsert(SProfile& prof, double x, int* code)
{
    SProfileNode* before = nullptr;
    for (SProfileNode* n = prof.head; n; n = n->next) {
        if (std::fabs(n->x - x) <= kProfileSnap) {
            *code = 1;
            return n;
        }
        if (n->x < x)
            before = n;
        else
            break;
    }
    SProfileNode* n = InsertAfter(prof, before, x);
    if (n->prev && n->next) {
        *code = 2;
        n->zl = n->zr = PieceAt(n->prev->x, n->prev->zr, n->next->x, n->next->zl, x);
    } else {
        *code = 3;
    }
    return n;
}

void ProfileBuild(CIntLineSet& set, SProfile& prof)
{
    // Near-vertical segments go last, short ones not at all.
    std::vector<SIntSegment*> vertical;
    for (SIntSegment* s = set.head; s;) {
        SIntSegment* next = s->next;
        if (std::fabs(s->b[0] - s->a[0]) <= kProfileVertical) {
            if (std::fabs(s->b[1] - s->a[1]) <= kProfileDropShort)
                LineSetRemove(set, s);
            else
                vertical.push_back(s);
        }
        s = next;
    }
    for (SIntSegment* s : vertical)
        LineSetAppend(set, LineSetUnlink(set, s));

    for (SIntSegment* s = set.head; s; s = s->next) {
        const bool ab = s->a[0] <= s->b[0];
        const double u0 = ab ? s->a[0] : s->b[0], v0 = ab ? s->a[1] : s->b[1];
        const double u1 = ab ? s->b[0] : s->a[0], v1 = ab ? s->b[1] : s->a[1];
        int ca = 0, cb = 0;
        SProfileNode* n0 = ProfileFindOrInsert(prof, u0, &ca);
        SProfileNode* n1 = ProfileFindOrInsert(prof, u1, &cb);
        if (n0->prev && std::fabs(n0->prev->x - n0->x) <= kProfileSnap)
            n0 = n0->prev;
        if (n1->next && std::fabs(n1->next->x - n1->x) <= kProfileSnap)
            n1 = n1->next;
        if (n0 == n1) {
            const double d = std::max(v0, v1);
            if (n0 == prof.head && d >= n0->zr) {
                SProfileNode* f = ca == 1 ? InsertAfter(prof, nullptr, n0->x - kProfileSnap) : n0;
                f->zr = d;
                if (f->next)
                    f->next->zl = f->next->zr;
            } else if (n0 == prof.tail && d >= n0->zl) {
                SProfileNode* l = ca == 1 ? InsertAfter(prof, n0, n0->x + kProfileSnap) : n0;
                l->zl = d;
                if (l->prev)
                    l->prev->zr = l->prev->zl;
            } else if (ca != 1) {
                RemoveNode(prof, n0);
            }
            continue;
        }
        const double du = u1 - u0;
        const auto segAt = [&](double x) {
            if (du <= kProfileFlatU || x < u0 || x > u1)
                return std::max(v0, v1);
            const double z = v0 + (x - u0) / du * (v1 - v0);
            return std::isfinite(z) && std::fabs(z) < kProfileFinite ? z : std::max(v0, v1);
        };
        // Where the segment crosses a piece of the present envelope a node is added, so
        // that the raised envelope follows the upper of the two between nodes.
        bool above = false;
        for (SProfileNode* a = n0; a != n1; a = a->next) {
            SProfileNode* b = a->next;
            const double sa = segAt(a->x), sb = segAt(b->x);
            const double ea = a->zr - sa, eb = b->zl - sb;
            if (!HasHeight(a->zr) || !HasHeight(b->zl)) {
                above = true;
                continue;
            }
            if (ea < 0 || eb < 0)
                above = true;
            if ((ea < 0 && eb > 0) || (ea > 0 && eb < 0)) {
                const double t = ea / (ea - eb);
                const double x = a->x + t * (b->x - a->x);
                if (x - a->x > kProfileSnap && b->x - x > kProfileSnap) {
                    SProfileNode* m = InsertAfter(prof, a, x);
                    m->zl = m->zr = PieceAt(a->x, a->zr, b->x, b->zl, x);
                    a = m;
                }
            }
        }
        if (ca == 2 && cb == 2 && !above) {
            RemoveNode(prof, n0);
            RemoveNode(prof, n1);
            continue;
        }
        for (SProfileNode* m = n0->next; m != n1; m = m->next) {
            const double z = segAt(m->x);
            m->zl = std::max(m->zl, z);
            m->zr = std::max(m->zr, z);
        }
        n0->zr = std::max(n0->zr, v0);
        n1->zl = std::max(n1->zl, v1);
    }
}

void ProfileBridgeSlots(SProfile& prof)
{
    for (SProfileNode* n = prof.head; n; n = n->next) {
        if (!(n->zl - n->zr > kSlot))
            continue;
        SProfileNode* m = n->next;
        while (m && !(m->zr - m->zl >= kSlot))
            m = m->next;
        if (m && m->x - n->x < kSlot) {
            n->zr = n->zl;
            m->zl = m->zr;
        }
    }
}

namespace {
void KeepCurve(CIntCurveSet& set, std::unique_ptr<SIntCurve>& c, double minLen, double thin)
{
    if (c->first && c->last->u - c->first->u > minLen) {
        if (thin > 0)
            CurveThin(*c, 0, thin);
        CurveSetAppend(set, std::move(c));
    }
    c = std::make_unique<SIntCurve>();
    c->height = set.height;
}
}  // namespace

void ProfileToCurves(CIntCurveSet& set, double bottom, SProfile& prof)
{
    ProfileBridgeSlots(prof);
    const double a = bottom - kProfileBottom;
    auto cur = std::make_unique<SIntCurve>();
    cur->height = set.height;
    for (SProfileNode* n = prof.head; n; n = n->next) {
        if (n->zl < a) {
            KeepCurve(set, cur, kProfileMinLen, kProfileThin);
            while (n && n->zl < a && n->zr < a)
                n = n->next;
            if (!n)
                break;
            n->zl = n->zr;
        }
        if (std::fabs(n->zl - n->zr) > kProfileStep && n->zr >= a) {
            const double p[2] = {n->x, n->zl}, q[2] = {n->x, n->zr};
            CurveAppendPoint(p, *cur);
            CurveAppendPoint(q, *cur);
        } else {
            // A step small enough for one point takes its higher side, so the curve
            // never passes below the envelope.
            const double p[2] = {n->x, n->zr >= a ? std::max(n->zl, n->zr) : n->zl};
            CurveAppendPoint(p, *cur);
        }
    }
    KeepCurve(set, cur, kProfileMinLen, kProfileThin);
}

void ProfileToCurvesAtLevel(SProfile& prof, CIntCurveSet& set, double level)
{
    auto cur = std::make_unique<SIntCurve>();
    cur->height = set.height;
    for (SProfileNode* n = prof.head; n; n = n->next) {
        if (std::fabs(n->zl - n->zr) > kLevelStep) {
            if (n->zl >= level) {
                const double p[2] = {n->x, n->zl};
                CurveAppendPoint(p, *cur);
            }
            KeepCurve(set, cur, kLevelMinLen, 0);
            SProfileNode* start = n;
            while (n && n->zl < level && n->zr < level)
                n = n->next;
            if (!n)
                break;
            if (n == start && n->zr >= level) {
                const double p[2] = {n->x, n->zr};
                CurveAppendPoint(p, *cur);
            }
            if (n == start)
                continue;
        }
        if (n->zl >= level) {
            const double p[2] = {n->x, n->zl};
            CurveAppendPoint(p, *cur);
        }
    }
    KeepCurve(set, cur, kLevelMinLen, 0);
}
