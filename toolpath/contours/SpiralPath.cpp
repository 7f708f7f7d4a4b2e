// Spiral pocketing (point form): half-circle passes clipped by the region, joined along
// the boundary and at the arc ends that lie inside.
#include "toolpath/contours/CutPath.h"
#include "toolpath/contours/PathGroup.h"
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

struct ArcCrossing {
    double x, y, ts, ta;
    CSmartSect* sect;
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
    unsigned room = 8;
    for (CSmartLoop* L = chain; L; L = L->next)
        room += 2 * RegionSectionCount(L);
    std::vector<double> buf(4 * std::size_t(room));
    auto* out = reinterpret_cast<double(*)[4]>(buf.data());
    std::vector<CSmartSect*> sects(room);
    std::vector<ArcCrossing> xs;
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
            xs.clear();
            for (CSmartLoop* L = chain; L; L = L->next) {
                const int n = L->GetCircleInt(arc, out, sects.data(), int(room));
                for (int i = 0; i < n; ++i)
                    xs.push_back({out[i][0], out[i][1], out[i][2], out[i][3], sects[i]});
            }
            std::stable_sort(xs.begin(), xs.end(), [](const ArcCrossing& a, const ArcCrossing& b) { return a.ta < b.ta; });
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
