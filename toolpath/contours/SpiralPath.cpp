// Spiral pocketing (point form): half-circle passes clipped by the region, joined along
// the boundary and at the arc ends that lie inside.
#include "toolpath/contours/CutPath.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartCurveLib.h"
#include "toolpath/contours/SmartLPoint.h"
#include "toolpath/contours/SmartLoop.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kArcEndLow = 1e-6;
constexpr double kArcEndHigh = 0.999999;
constexpr double kSamePlace = 1e-6;
constexpr double kSameCrossing = 1e-9;
constexpr double kPieceEnd = 0.00001;
constexpr double kKeepDistance = 0.0001;

struct ArcCrossing {
    double x, y, ts, ta;
    CSmartSect* sect;
};

// The crossings of arcs with the chain's loops (with islands), ordered along the arc.
class ArcCrossings {
public:
    explicit ArcCrossings(CSmartLoop* chain) : chain_(chain)
    {
        for (CSmartLoop* L = chain; L; L = L->next)
            room_ += 2 * RegionSectionCount(L);
        buf_.resize(4 * std::size_t(room_));
        sects_.resize(room_);
    }

    std::vector<ArcCrossing>& Of(const CSmartArc& arc)
    {
        auto* out = reinterpret_cast<double(*)[4]>(buf_.data());
        xs_.clear();
        for (CSmartLoop* L = chain_; L; L = L->next) {
            const int n = L->GetCircleInt(arc, out, sects_.data(), int(room_));
            for (int i = 0; i < n; ++i)
                xs_.push_back({out[i][0], out[i][1], out[i][2], out[i][3], sects_[i]});
        }
        std::stable_sort(xs_.begin(), xs_.end(), [](const ArcCrossing& a, const ArcCrossing& b) { return a.ta < b.ta; });
        return xs_;
    }

private:
    CSmartLoop* chain_;
    unsigned room_ = 8;
    std::vector<double> buf_;
    std::vector<CSmartSect*> sects_;
    std::vector<ArcCrossing> xs_;
};

bool InsideAll(CSmartLoop* chain, const double* p)
{
    for (CSmartLoop* L = chain; L; L = L->next)
        if (L->IsPtOnContour(p) != 1)
            return false;
    return true;
}

CSmartLPoint* NewPoint(double x, double y, double t, double w, unsigned pass)
{
    const double p[3] = {x, y, t};
    auto* q = new CSmartLPoint(p, scanpt::kStart, pass);
    q->w = w;
    return q;
}

// The first unused point of the chain within kSamePlace of p, other than p.
CSmartLPoint* SamePlace(CSmartLPoint* chain, const CSmartLPoint* p)
{
    for (CSmartLPoint* q = chain; q; q = q->chainNext)
        if (q != p && q->kind != scanpt::kUsed && std::hypot(q->x - p->x, q->y - p->y) < kSamePlace)
            return q;
    return nullptr;
}

}  // namespace

CSmartLPoint* GenerateSpiralPoint(CSmartLoop* chain, CSmartArc arcs[2], double step)
{
    if (!chain || !arcs || !(step > 0))
        return nullptr;
    ArcCrossings crossings(chain);
    CSmartLPoint *head = nullptr, *tail = nullptr;
    auto append = [&](CSmartLPoint* p) {
        (tail ? tail->chainNext : head) = p;
        tail = p;
    };
    unsigned pass = 1;
    while (arcs[0].radius > 0 || arcs[1].radius > 0) {
        ++pass;
        for (int k = 0; k < 2; ++k) {
            CSmartArc& arc = arcs[k];
            if (!(arc.radius >= 0))
                continue;
            arc.DefineBox();
            std::vector<ArcCrossing>& xs = crossings.Of(arc);
            // Both sections at a vertex report it: one crossing.
            xs.erase(std::unique(xs.begin(), xs.end(),
                                 [](const ArcCrossing& u, const ArcCrossing& v) {
                                     return std::hypot(u.x - v.x, u.y - v.y) < kSameCrossing;
                                 }),
                     xs.end());
            std::vector<CSmartLPoint*> mine;
            double e[2];
            if (xs.empty() || xs.front().ta > kArcEndLow) {
                arc.GetPoint(0, e);
                if (InsideAll(chain, e))
                    mine.push_back(NewPoint(e[0], e[1], 0, arc.startAngle, pass));
            }
            for (const ArcCrossing& x : xs) {
                CSmartLPoint* p = NewPoint(x.x, x.y, x.ts, arc.AngleAt(x.ta), pass);
                p->sect = x.sect;
                // A point already there (a pass ending on the boundary where the next
                // begins): this one stays off the list and joins it as a loose end.
                if (!x.sect->AddPoint(p))
                    p = NewPoint(x.x, x.y, x.ts, arc.AngleAt(x.ta), pass);
                mine.push_back(p);
            }
            if (xs.empty() || xs.back().ta < kArcEndHigh) {
                arc.GetPoint(1, e);
                if (InsideAll(chain, e))
                    mine.push_back(NewPoint(e[0], e[1], 1, arc.endAngle, pass));
            }
            // An odd count cannot pair up: the arc gives no points.
            if (mine.size() % 2 == 1) {
                for (CSmartLPoint* p : mine) {
                    if (p->sect)
                        p->sect->points->RemovePoint(p);
                    delete p;
                }
                mine.clear();
            }
            for (CSmartLPoint* p : mine)
                append(p);
        }
        arcs[0].radius -= step;
        arcs[1].radius -= step;
    }
    int i = 0;
    for (CSmartLPoint* p = head; p; p = p->chainNext, ++i) {
        if (i % 2 == 0) {
            p->kind = scanpt::kStart;
            p->nextOnLine = p->chainNext;
            if (p->chainNext)
                p->chainNext->prevOnLine = p;
        } else {
            p->kind = scanpt::kEnd;
        }
    }
    return head;
}

int ExtractSpiralPath(CPathCombine& out, DVN_CutSpiralDef&, DVN_OrderType&, CSmartLPoint*& points, CSmartArc arcs[2])
{
    for (CSmartLPoint* start = points; start; start = start->chainNext) {
        if (start->kind != scanpt::kStart)
            continue;
        auto* curve = new CSmartCurve;
        CSmartLPoint* P = start;
        while (P && P->kind != scanpt::kUsed) {
            CSmartLPoint* Q = ScanPartner(P);
            if (Q && Q->kind == scanpt::kUsed)
                break;
            if (!Q) {
                if (P->sect)
                    break;
                P->kind = scanpt::kUsed;
                P = SamePlace(points, P);
                continue;
            }
            P->kind = scanpt::kUsed;
            const CSmartArc& a = P->w <= M_PI && Q->w <= M_PI ? arcs[0] : arcs[1];
            const double r = std::hypot(P->x - a.centre[0], P->y - a.centre[1]);
            auto* piece = new CSmartArc(a.centre, r, P->w, Q->w);
            curve->AddSect(piece);
            Q->kind = scanpt::kUsed;
            if (!Q->sect) {
                P = SamePlace(points, Q);
                continue;
            }
            CSmartLPoint *pp = nullptr, *pn = nullptr;
            double dPrev = 0, dNext = 0;
            Q->GetNPrevPoint(pp, dPrev, nullptr, 0);
            Q->GetNNextPoint(pn, dNext, nullptr, 0);
            if (pn && (!pp || dNext < dPrev)) {
                Q->AddNextSect(*curve, pn);
                P = pn;
            } else if (pp) {
                Q->AddPrevSect(*curve, pp);
                P = pp;
            } else {
                P = nullptr;
            }
        }
        if (curve->head)
            AddCurveToPathCombine(curve, &out, 1, 0);
        else
            delete curve;
    }
    for (CSmartLPoint* p = points; p;) {
        CSmartLPoint* next = p->chainNext;
        if (!p->sect)
            delete p;
        p = next;
    }
    points = nullptr;
    return 1;
}

namespace {

// The first unused point within tol of p.
CSmartLPoint* UnusedAt(CSmartLPoint* chain, const double* p, double tol)
{
    for (CSmartLPoint* q = chain; q; q = q->chainNext)
        if (q->kind != scanpt::kUsed && std::hypot(q->x - p[0], q->y - p[1]) < tol)
            return q;
    return nullptr;
}

// A pooled piece starting (reversed: ending) within kPieceEnd of p.
CSmartCurve* PieceAt(CSmartCurveLib& pool, const CSmartLPoint* p, bool& reversed)
{
    const double q[2] = {p->x, p->y};
    for (CSmartCurve* c = pool.head; c; c = c->next) {
        double s[2], e[2];
        c->GetPoint(0, s);
        c->GetPoint(1, e);
        if (std::hypot(s[0] - q[0], s[1] - q[1]) < kPieceEnd) {
            reversed = false;
            return c;
        }
        if (std::hypot(e[0] - q[0], e[1] - q[1]) < kPieceEnd) {
            reversed = true;
            return c;
        }
    }
    return nullptr;
}

// Some section of c lies at distance d (within kKeepDistance) from p.
bool KeepsDistance(CSmartCurve* c, const double* p, double d)
{
    for (CSmartSect* s = c->head; s; s = s->next) {
        double foot[2];
        if (std::fabs(s->MinDistPoint(p, foot) - d) <= kKeepDistance)
            return true;
    }
    return false;
}

}  // namespace

CSmartLPoint* GenerateSpiralPoint(CSmartLoop* chain, CSmartArc arcs[2], double step, CSmartCurveLib& pool)
{
    if (!chain || !arcs || !(step > 0))
        return nullptr;
    auto* all = new CSmartCurve;
    while (arcs[0].radius > 0 || arcs[1].radius > 0) {
        for (int k = 0; k < 2; ++k)
            if (arcs[k].radius > 0)
                all->AddSect(new CSmartArc(arcs[k].centre, arcs[k].radius, arcs[k].startAngle, arcs[k].endAngle));
        arcs[0].radius -= step;
        arcs[1].radius -= step;
    }
    ArcCrossings crossings(chain);
    CSmartLPoint *head = nullptr, *tail = nullptr;
    unsigned index = 0;
    for (CSmartSect* s = all->head; s; s = s->next, ++index) {
        auto* arc = static_cast<CSmartArc*>(s);
        const std::vector<ArcCrossing>& xs = crossings.Of(*arc);
        for (const ArcCrossing& x : xs) {
            CSmartLPoint* p = NewPoint(x.x, x.y, x.ts, arc->AngleAt(x.ta), index);
            p->sect = x.sect;
            if (!x.sect->AddPoint(p))
                continue;
            const double q[2] = {x.x, x.y};
            arc->AddIntPt(q);
            if (tail) {
                tail->chainNext = p;
                tail->nextOnLine = p;
                p->prevOnLine = tail;
            } else {
                head = p;
            }
            tail = p;
        }
    }
    for (CSmartSect* s = all->head; s; s = s->next)
        s->DefineBox();
    for (CSmartCurve* piece = all->BreakCurve(); piece;) {
        CSmartCurve* next = piece->next;
        piece->next = nullptr;
        CSmartSect* mid = piece->head;
        for (int i = 0; mid && i < piece->count / 2; ++i)
            mid = mid->next;
        double m[2];
        if (mid && (mid->GetPoint(0.5, m), InsideAll(chain, m)))
            pool.AddCurves(piece);
        else
            delete piece;
        piece = next;
    }
    delete all;
    return head;
}

int ExtractSpiralPath(CPathCombine& out, DVN_CutSpiralDef& def, DVN_OrderType&, CSmartLPoint*& points,
                      CSmartCurveLib& pool)
{
    if (def.flags & 1) {
        CSmartCurve* chain = pool.RemoveAll();
        while (chain) {
            CSmartCurve* c = chain;
            chain = c->next;
            c->next = nullptr;
            c->Reverse();
            c->next = pool.head;
            pool.head = c;
            if (!pool.tail)
                pool.tail = c;
            ++pool.count;
        }
    }
    const bool keep = def.flags & 16;
    while (pool.head) {
        CSmartCurve* C = pool.head;
        pool.RemoveCurve(C);
        double s[2];
        C->GetPoint(0, s);
        if (CSmartLPoint* p = UnusedAt(points, s, kSamePlace))
            p->kind = scanpt::kUsed;
        for (;;) {
            double e[2];
            C->GetPoint(1, e);
            CSmartLPoint* Q = UnusedAt(points, e, kPieceEnd);
            if (!Q || !Q->sect)
                break;
            Q->kind = scanpt::kUsed;
            CSmartLPoint *pp = nullptr, *pn = nullptr;
            double dPrev = 0, dNext = 0;
            Q->GetNPrevPoint(pp, dPrev, nullptr, 0);
            Q->GetNNextPoint(pn, dNext, nullptr, 0);
            CSmartLPoint* order[2] = {pp, pn};
            if (!pp || (pn && dNext < dPrev))
                std::swap(order[0], order[1]);
            bool linked = false;
            for (CSmartLPoint* N : order) {
                if (!N)
                    continue;
                bool reversed = false;
                CSmartCurve* piece = PieceAt(pool, N, reversed);
                if (!piece)
                    continue;
                if (keep) {
                    double far[2];
                    piece->GetPoint(reversed ? 1 : 0, far);
                    if (!Q->IsSECutPoint(N) && !KeepsDistance(C, far, def.distance))
                        continue;
                }
                N == pp ? Q->AddPrevSect(*C, N) : Q->AddNextSect(*C, N);
                N->kind = scanpt::kUsed;
                pool.RemoveCurve(piece);
                if (reversed)
                    piece->Reverse();
                C->AddCurve(piece);
                linked = true;
                break;
            }
            if (!linked)
                break;
        }
        AddCurveToPathCombine(C, &out, 1, 0);
    }
    for (CSmartLPoint* p = points; p;) {
        CSmartLPoint* next = p->chainNext;
        if (p->sect && p->sect->points)
            p->sect->points->RemovePoint(p);
        delete p;
        p = next;
    }
    points = nullptr;
    return 1;
}
