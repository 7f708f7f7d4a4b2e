// CSmartLoop: crossings with horizontal scan lines, lines, circles, arcs, segments and
// other loops, and the detour of a segment around an obstacle.
#include "toolpath/contours/SmartLoop.h"

#include "framework/numerak/Point2D.h"
#include "toolpath/contours/BoxPairs.h"
#include "toolpath/contours/SectIntersect.h"
#include "toolpath/contours/SmartConst.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

using namespace smart;

namespace {

void LoopBox(const CSmartLoop& L, double* b)
{
    b[0] = L.box[0][0];
    b[1] = L.box[0][1];
    b[2] = L.box[1][0];
    b[3] = L.box[1][1];
}

void SegmentBox(const double* a, const double* b, double* box)
{
    box[0] = std::min(a[0], b[0]);
    box[1] = std::min(a[1], b[1]);
    box[2] = std::max(a[0], b[0]);
    box[3] = std::max(a[1], b[1]);
}

// This loop, then its islands.
std::vector<CSmartLoop*> LoopAndIslands(CSmartLoop* L)
{
    std::vector<CSmartLoop*> v{L};
    for (CSmartLoop* i = L->islands; i; i = i->next)
        v.push_back(i);
    return v;
}

std::vector<CSmartSect*> SectionsOf(const CSmartCurve* c)
{
    std::vector<CSmartSect*> v;
    if (c)
        for (CSmartSect* s = c->head; s; s = s->next)
            v.push_back(s);
    return v;
}

bool FlatAt(const CSmartSect* s, double y) { return s->box[1] == y && s->box[3] == y; }

CSmartSect* After(const CSmartCurve& c, CSmartSect* s) { return s->next ? s->next : c.head; }
CSmartSect* Before(const CSmartCurve& c, CSmartSect* s) { return s->prev ? s->prev : c.tail; }

// The first k points that lie on the section, copied to out; their number.
int KeepOnSection(CSmartSect* s, const double (*pts)[2], int k, double (*out)[2])
{
    int n = 0;
    for (int i = 0; i < k; ++i)
        if (s->IsPointOn(pts[i])) {
            out[n][0] = pts[i][0];
            out[n][1] = pts[i][1];
            ++n;
        }
    return n;
}

// Crossings of the line through a and b with one section (lines by the meeting point of
// the two lines, arcs by the line and the circle), kept when on the section.
int LineSectPoints(CSmartSect* s, const double* a, const double* b, double (*out)[2])
{
    double pts[2][2];
    int k = 0;
    if (s->IsSectLine()) {
        auto* l = static_cast<CSmartLine*>(s);
        k = LineLineIntersect(l->start, a, l->end, b, pts[0]);
    } else {
        auto* c = static_cast<CSmartArc*>(s);
        k = LineCircleIntersect(c->radius, c->centre, b, pts, a);
    }
    return KeepOnSection(s, pts, k, out);
}

// Crossings of the circle (c, r) with one section, kept when on the section.
int CircleSectPoints(CSmartSect* s, const double* c, double r, double (*out)[2])
{
    double pts[2][2];
    int k = 0;
    if (s->IsSectLine()) {
        auto* l = static_cast<CSmartLine*>(s);
        k = LineCircleIntersect(r, c, l->end, pts, l->start);
    } else {
        auto* a = static_cast<CSmartArc*>(s);
        k = CircleCircleIntersect(r, a->radius, c, pts, a->centre);
    }
    return KeepOnSection(s, pts, k, out);
}

}  // namespace

// ---------------------------------------------------------------- scan lines

// A section ending on the line where horizontal sections follow counts once when the
// contour goes on in the same vertical sense (the step's two ends decide which of the two
// tests, forward from the section before the run or backward from the one after it,
// records it); both ends of the run are remembered so the plain crossings there are not
// counted again.
unsigned CSmartLoop::GetYLineInt(double y, double (*pts)[2], CSmartSect** sects, unsigned max)
{
    unsigned n = 0;
    if (!pts || max == 0 || !contour)
        return 0;
    const double a[2] = {box[0][0] - kYLineReach, y}, b[2] = {box[1][0] + kYLineReach, y};
    std::vector<std::array<double, 2>> handled;
    auto record = [&](const double* p, CSmartSect* s) {
        pts[n][0] = p[0];
        pts[n][1] = p[1];
        if (sects)
            sects[n] = s;
        ++n;
    };
    for (CSmartLoop* L : LoopAndIslands(this)) {
        if (!L->contour || !L->contour->head)
            continue;
        CSmartCurve& c = *L->contour;
        for (CSmartSect* s = c.head; s && n < max; s = s->next) {
            if (!(y >= s->box[1] && y <= s->box[3]) || s->box[1] == s->box[3])
                continue;
            for (bool forward : {true, false}) {
                // The section across the run of horizontal sections next to s's end
                // (forward) or start (backward).
                CSmartSect* f = forward ? After(c, s) : Before(c, s);
                if (f == s || !FlatAt(f, y))
                    continue;
                for (int guard = c.count; FlatAt(f, y) && f != s && guard > 0; --guard)
                    f = forward ? After(c, f) : Before(c, f);
                double own[2], tOwn[2], other[2], tOther[2];
                s->GetPoint(forward ? 1 : 0, own);
                s->GetTangent(forward ? 1 : 0, tOwn);
                f->GetPoint(forward ? 0 : 1, other);
                f->GetTangent(forward ? 0 : 1, tOther);
                if ((tOwn[1] > 0 && tOther[1] > 0 && own[0] < other[0]) ||
                    (tOwn[1] < 0 && tOther[1] < 0 && own[0] > other[0]))
                    record(own, s);
                handled.push_back({own[0], own[1]});
                if (n >= max)
                    break;
            }
            if (n >= max)
                break;
            double x[2][2];
            int k = 0;
            if (s->IsSectLine()) {
                auto* l = static_cast<CSmartLine*>(s);
                k = SegSegIntersect(l->start, x, a, b, l->end) == 1 ? 1 : 0;
            } else {
                auto* arc = static_cast<CSmartArc*>(s);
                k = LineCircleIntersect(arc->radius, arc->centre, b, x, a);
            }
            for (int i = 0; i < k && n < max; ++i) {
                if (!s->IsPointOn(x[i]))
                    continue;
                const bool seen = std::any_of(handled.begin(), handled.end(),
                                              [&](const auto& h) { return P2D_Dist(h.data(), x[i]) < kYLineHandled; });
                if (!seen)
                    record(x[i], s);
            }
        }
        if (n >= max)
            break;
    }
    return n;
}

unsigned CSmartLoop::GetYLineIntContour(double y, double (*pts)[2], unsigned max)
{
    if (!pts || max == 0)
        return 0;
    std::vector<CSmartSect*> sects(max + 5, nullptr);
    unsigned n = GetYLineInt(y, pts, sects.data(), max);
    if (n % 2 == 1)
        n = GetYLineInt(y + kYLineRetry, pts, sects.data(), max);
    if (n % 2 == 1)
        n = GetYLineInt(y - kYLineRetry, pts, sects.data(), max);
    return SortPointSect(pts, sects.data(), n);
}

// Crossings at one x either touch the line (the contour turns back: both go) or are the
// same crossing found on two sections (one goes).
unsigned CSmartLoop::SortPointSect(double (*pts)[2], CSmartSect** sects, unsigned& n)
{
    if (n < 2 || !pts || !sects)
        return n;
    unsigned cnt = n;
    auto removeAt = [&](unsigned i) {
        --cnt;
        pts[i][0] = pts[cnt][0];
        sects[i] = sects[cnt];
    };
    for (unsigned i = 0; i < cnt; ++i) {
        for (unsigned j = i + 1; j < cnt;) {
            if (!(std::fabs(pts[i][0] - pts[j][0]) < kSameX)) {
                ++j;
                continue;
            }
            double ti[2] = {0, 0}, tj[2] = {0, 0};
            sects[i]->GetTangent(sects[i]->GetParam(pts[i]), ti);
            sects[j]->GetTangent(sects[j]->GetParam(pts[j]), tj);
            if (ti[1] * tj[1] < 0) {
                removeAt(j);
                removeAt(i);
                j = i + 1;
                if (i >= cnt)
                    break;
            } else {
                removeAt(j);
            }
        }
    }
    std::vector<unsigned> order(cnt);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](unsigned u, unsigned v) { return pts[u][0] < pts[v][0]; });
    std::vector<double> xs(cnt);
    std::vector<CSmartSect*> ss(cnt);
    for (unsigned k = 0; k < cnt; ++k) {
        xs[k] = pts[order[k]][0];
        ss[k] = sects[order[k]];
    }
    for (unsigned k = 0; k < cnt; ++k) {
        pts[k][0] = xs[k];
        sects[k] = ss[k];
    }
    n = cnt;
    return n;
}

// ---------------------------------------------------------------- lines and circles

namespace {

// The points that `cross(section, out)` finds on every section of the loop and its
// islands, in order, at most max.
template <class F>
unsigned CollectCrossings(CSmartLoop* loop, double (*pts)[2], CSmartSect** sects, unsigned max, F&& cross)
{
    unsigned n = 0;
    for (CSmartLoop* L : LoopAndIslands(loop))
        for (CSmartSect* s : SectionsOf(L->contour)) {
            double x[2][2];
            const int k = cross(s, x);
            for (int i = 0; i < k; ++i) {
                if (n >= max)
                    return n;
                pts[n][0] = x[i][0];
                pts[n][1] = x[i][1];
                if (sects)
                    sects[n] = s;
                ++n;
            }
        }
    return n;
}

}  // namespace

unsigned CSmartLoop::GetLineInt(const double* a, const double* b, double (*pts)[2], CSmartSect** sects, unsigned max)
{
    if (!a || !b || !pts)
        return 0;
    return CollectCrossings(this, pts, sects, max, [&](CSmartSect* s, double (*x)[2]) { return LineSectPoints(s, a, b, x); });
}

unsigned CSmartLoop::GetCircleInt(const double* c, double r, double (*pts)[2], CSmartSect** sects, unsigned max)
{
    if (!c || !pts)
        return 0;
    return CollectCrossings(this, pts, sects, max, [&](CSmartSect* s, double (*x)[2]) { return CircleSectPoints(s, c, r, x); });
}

int CSmartLoop::GetCircleInt(const CSmartArc& arc, double (*out)[4], CSmartSect** sects, int max)
{
    if (!out || max <= 0)
        return 0;
    // A working copy: parameters are taken through the section interface.
    CSmartArc probe(arc.centre, arc.radius, arc.startAngle, arc.endAngle);
    int n = 0;
    for (CSmartLoop* L : LoopAndIslands(this))
        for (CSmartSect* s : SectionsOf(L->contour)) {
            if (!BoxesOverlap(kArcBoxTol, s->box, probe.box))
                continue;
            double x[2][2];
            const int k = CircleSectPoints(s, probe.centre, probe.radius, x);
            for (int i = 0; i < k; ++i) {
                const double ts = s->GetParam(x[i]), ta = probe.GetParam(x[i]);
                if (!(ts > kOnLow && ts < kOnHigh && ta > kOnLow && ta < kOnHigh))
                    continue;
                if (n >= max)
                    return n;
                out[n][0] = x[i][0];
                out[n][1] = x[i][1];
                out[n][2] = ts;
                out[n][3] = ta;
                if (sects)
                    sects[n] = s;
                ++n;
            }
        }
    return n;
}

// ---------------------------------------------------------------- segments

int CSmartLoop::IsLineInt(CSmartLine& s)
{
    double sb[4];
    SegmentBox(s.start, s.end, sb);
    for (CSmartLoop* L : LoopAndIslands(this)) {
        double lb[4];
        LoopBox(*L, lb);
        if (!L->contour || !BoxesOverlap(0, lb, sb))
            continue;
        for (CSmartSect* q : SectionsOf(L->contour)) {
            if (!BoxesOverlap(0, q->box, sb))
                continue;
            double x[2][2];
            const int k = SectSectIntersect(&s, q, x);
            for (int i = 0; i < k; ++i)
                if (P2D_AbsDist(x[i], s.start) > kLineIntEnd && P2D_AbsDist(x[i], s.end) > kLineIntEnd)
                    return 1;
        }
    }
    return 0;
}

int CSmartLoop::IntSectContour(CSmartSect* s)
{
    if (!s)
        return 0;
    double a[2], b[2];
    s->GetPoint(0, a);
    s->GetPoint(1, b);
    std::vector<CSmartLoop*> order = LoopAndIslands(this);
    std::rotate(order.begin(), order.begin() + 1, order.end());  // islands first
    for (CSmartLoop* L : order)
        for (CSmartSect* q : SectionsOf(L->contour)) {
            if (!BoxesOverlap(kJoint, q->box, s->box))
                continue;
            double x[2][2];
            const int k = SectSectIntersect(s, q, x);
            for (int i = 0; i < k; ++i)
                if (P2D_AbsDist(x[i], a) > kSectIntEnd && P2D_AbsDist(x[i], b) > kSectIntEnd)
                    return 1;
        }
    return 0;
}

// The detour runs along the contour of the loop (or island) that the segment enters and
// leaves, in the contour's direction from the first crossing to the last.
int CSmartLoop::LineIntCurve(CSmartLine& s, CSmartCurve*& detour)
{
    detour = nullptr;
    double sb[4], lb[4];
    SegmentBox(s.start, s.end, sb);
    LoopBox(*this, lb);
    if (!contour || !BoxesOverlap(0, lb, sb))
        return 0;
    struct Hit {
        double p[2];
        double t;  // on the segment
        CSmartSect* sect;
        int loop;
    };
    std::vector<Hit> hits;
    int number = 0;
    for (CSmartLoop* L : LoopAndIslands(this)) {
        const int id = number++;
        double b[4];
        LoopBox(*L, b);
        if (!L->contour || (id > 0 && !BoxesOverlap(0, b, sb)))
            continue;
        for (CSmartSect* q : SectionsOf(L->contour)) {
            double x[2][2];
            const int k = SectSectIntersect(&s, q, x);
            for (int i = 0; i < k; ++i)
                if (P2D_AbsDist(x[i], s.start) > kLineIntEnd && P2D_AbsDist(x[i], s.end) > kLineIntEnd)
                    hits.push_back({{x[i][0], x[i][1]}, s.GetParam(x[i]), q, id});
        }
    }
    if (hits.empty())
        return 0;
    std::stable_sort(hits.begin(), hits.end(), [](const Hit& u, const Hit& v) { return u.t < v.t; });
    if (hits.size() % 2 == 1 || hits.front().loop != hits.back().loop)
        return 1;
    const Hit& in = hits.front();
    const Hit& out = hits.back();
    CSmartLoop* owner = LoopAndIslands(this)[static_cast<std::size_t>(in.loop)];
    auto* d = new CSmartCurve;
    d->AddSect(new CSmartLine(s.start, in.p));
    const double tin = in.sect->GetParam(in.p), tout = out.sect->GetParam(out.p);
    const double pin[3] = {in.p[0], in.p[1], tin}, pout[3] = {out.p[0], out.p[1], tout};
    if (in.sect == out.sect && tin <= tout) {
        d->AddSect(in.sect->GetSubSect(pin, pout));
    } else {
        double e[3] = {0, 0, 1}, b0[3] = {0, 0, 0};
        in.sect->GetPoint(1, e);
        d->AddSect(in.sect->GetSubSect(pin, e));
        CSmartSect* q = After(*owner->contour, in.sect);
        for (int guard = owner->contour->count; q != out.sect && guard > 0; --guard) {
            d->AddSect(q->CopyMyself());
            q = After(*owner->contour, q);
        }
        out.sect->GetPoint(0, b0);
        d->AddSect(out.sect->GetSubSect(b0, pout));
    }
    d->AddSect(new CSmartLine(out.p, s.end));
    if (d->GetLength() > kDetourFactor * s.GetLength())
        delete d;
    else
        detour = d;
    return 1;
}

// ---------------------------------------------------------------- loops

int CSmartLoop::LoopLoopInt(CSmartLoop* L)
{
    if (!L || !contour || !L->contour)
        return 0;
    double a[4], b[4];
    LoopBox(*this, a);
    LoopBox(*L, b);
    if (!BoxesOverlap(kJoint, a, b))
        return 0;
    const std::vector<CSmartSect*> mine = SectionsOf(contour), theirs = SectionsOf(L->contour);
    std::vector<const double*> mb, tb;
    for (CSmartSect* s : mine)
        mb.push_back(s->box);
    for (CSmartSect* s : theirs)
        tb.push_back(s->box);
    int found = 0;
    for (const auto& [i, j] : CrossBoxPairs(mb, tb, kJoint)) {
        double x[2][2];
        const int k = SectSectIntersect(mine[i], theirs[j], x);
        for (int m = 0; m < k; ++m) {
            mine[i]->AddIntPt(x[m]);
            theirs[j]->AddIntPt(x[m]);
        }
        if (k > 0)
            found = 1;
    }
    return found;
}

int CSmartLoop::ContourContourInt(CSmartLoop* L)
{
    if (!L)
        return 0;
    for (CSmartLoop* a : LoopAndIslands(this))
        for (CSmartLoop* b : LoopAndIslands(L))
            a->LoopLoopInt(b);
    return 1;
}
