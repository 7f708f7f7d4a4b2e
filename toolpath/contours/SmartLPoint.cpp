#include "toolpath/contours/SmartLPoint.h"

#include "toolpath/contours/SmartCurve.h"
#include "toolpath/contours/SmartSect.h"

#include <cmath>

namespace {

constexpr int kForwardSteps = 10000;
constexpr int kBackwardSteps = 1000;
// Sections a copy of a boundary run may pass before it gives up (a target off the chain).
constexpr int kRunSteps = 1000000;

double Dist(const double* a, double x, double y) { return std::hypot(a[0] - x, a[1] - y); }

CSmartSect* ChainHead(CSmartSect* s)
{
    while (s->prev)
        s = s->prev;
    return s;
}

CSmartSect* ChainTail(CSmartSect* s)
{
    while (s->next)
        s = s->next;
    return s;
}

CSmartSect* After(CSmartSect* s) { return s->next ? s->next : ChainHead(s); }
CSmartSect* Before(CSmartSect* s) { return s->prev ? s->prev : ChainTail(s); }

CSmartLPoint* First(CSmartSect* s) { return s->points ? static_cast<CSmartLPoint*>(s->points->head) : nullptr; }
CSmartLPoint* Last(CSmartSect* s) { return s->points ? static_cast<CSmartLPoint*>(s->points->tail) : nullptr; }

// Interval [a, b] in x of the segment p belongs to.
void IntervalOf(const CSmartLPoint* p, double& a, double& b)
{
    const CSmartLPoint* q = p->kind == scanpt::kStart ? p->nextOnLine : p->prevOnLine;
    a = b = p->x;
    if (!q)
        return;
    if (p->kind == scanpt::kStart)
        b = q->x;
    else
        a = q->x;
}

// 1 when an unused interval of the line that starts at first overlaps [a, b].
bool LineOverlaps(const CSmartLPoint* first, double a, double b)
{
    for (const CSmartLPoint* s = first; s; s = s->nextOnLine ? s->nextOnLine->nextOnLine : nullptr) {
        const CSmartLPoint* e = s->nextOnLine;
        if (!e)
            break;
        if (s->kind != scanpt::kStart || b < s->x || a > e->x)
            continue;
        return true;
    }
    return false;
}

void AppendPiece(CSmartCurve& curve, CSmartSect* s, const double* from, const double* to, bool reversed)
{
    CSmartSect* piece = s->GetSubSect(from, to);
    if (!piece)
        return;
    piece->mark |= s->mark & 0x40;
    if (reversed)
        piece->Reverse();
    piece->DefineBox();
    curve.AddSect(piece);
}

}  // namespace

CSmartLPoint::CSmartLPoint(const double* p, short k, unsigned id) : CSmartPoint(p), kind(k), lineId(id) {}

namespace {

// Walks the boundary from the point, forward or backward, over at most `limit`
// points, to the first unused cut point; dist is the boundary length walked.
int WalkToCutPoint(CSmartLPoint* self, bool forward, int limit, CSmartLPoint*& out, double& dist, CSmartLPoint** lines,
                   unsigned lineCount)
{
    out = nullptr;
    dist = 0;
    if (!self->sect)
        return 0;
    CSmartSect* s = self->sect;
    double pos[2] = {self->x, self->y};
    auto* cand = static_cast<CSmartLPoint*>(forward ? self->next : self->prev);
    for (int step = 0; step < limit; ++step) {
        if (!cand) {
            double e[2];
            s->GetPoint(forward ? 1 : 0, e);
            dist += Dist(pos, e[0], e[1]);
            s = forward ? After(s) : Before(s);
            s->GetPoint(forward ? 0 : 1, pos);
            cand = forward ? First(s) : Last(s);
            continue;
        }
        if (cand == self) {
            dist = 0;
            return 0;
        }
        if (cand->kind != scanpt::kUsed && self->IsECutPoint(cand, lines, lineCount)) {
            dist += Dist(pos, cand->x, cand->y);
            out = cand;
            return 1;
        }
        cand = static_cast<CSmartLPoint*>(forward ? cand->next : cand->prev);
    }
    dist = 0;
    return 0;
}

}  // namespace

int CSmartLPoint::GetNNextPoint(CSmartLPoint*& out, double& dist, CSmartLPoint** lines, unsigned lineCount)
{
    return WalkToCutPoint(this, true, kForwardSteps, out, dist, lines, lineCount);
}

int CSmartLPoint::GetNPrevPoint(CSmartLPoint*& out, double& dist, CSmartLPoint** lines, unsigned lineCount)
{
    return WalkToCutPoint(this, false, kBackwardSteps, out, dist, lines, lineCount);
}

int CSmartLPoint::IsECutPoint(CSmartLPoint* p, CSmartLPoint** lines, unsigned lineCount)
{
    if (!lines || !p || p->lineId <= 1 || p->lineId >= lineCount)
        return 1;
    double a, b;
    IntervalOf(p, a, b);
    if (!LineOverlaps(lines[p->lineId - 1], a, b))
        return 1;
    return LineOverlaps(lines[p->lineId + 1], a, b) ? 0 : 1;
}

int CSmartLPoint::IsSECutPoint(CSmartLPoint* p)
{
    if (!sect)
        return 0;
    // Nearest point backward, then forward, passing sections without points.
    auto nearest = [&](bool forward) -> CSmartLPoint* {
        auto* c = static_cast<CSmartLPoint*>(forward ? next : prev);
        CSmartSect* s = sect;
        for (int guard = 0; !c && guard < kRunSteps; ++guard) {
            s = forward ? After(s) : Before(s);
            c = forward ? First(s) : Last(s);
            if (s == sect && !c)
                break;
        }
        return c;
    };
    CSmartLPoint* back = nearest(false);
    if (back == p || (back && back->kind == scanpt::kUsed))
        return 1;
    CSmartLPoint* fwd = nearest(true);
    return (fwd == p || (fwd && fwd->kind == scanpt::kUsed)) ? 1 : 0;
}

int CSmartLPoint::AddNextSect(CSmartCurve& curve, CSmartLPoint* target)
{
    if (!sect || !target)
        return 1;
    CSmartSect* s = sect;
    double pos[3] = {x, y, t};
    auto* cand = static_cast<CSmartLPoint*>(next);
    for (int step = 0; step < kRunSteps; ++step) {
        if (cand == target) {
            const double to[3] = {target->x, target->y, target->t};
            AppendPiece(curve, s, pos, to, false);
            return 1;
        }
        if (cand) {
            cand = static_cast<CSmartLPoint*>(cand->next);
            continue;
        }
        double e[3] = {0, 0, 1};
        s->GetPoint(1, e);
        AppendPiece(curve, s, pos, e, false);
        s = After(s);
        s->GetPoint(0, pos);
        pos[2] = 0;
        cand = First(s);
    }
    return 1;
}

int CSmartLPoint::AddPrevSect(CSmartCurve& curve, CSmartLPoint* target)
{
    if (!sect || !target)
        return 1;
    CSmartSect* s = sect;
    double pos[3] = {x, y, t};
    auto* cand = static_cast<CSmartLPoint*>(prev);
    for (int step = 0; step < kRunSteps; ++step) {
        if (cand == target) {
            const double from[3] = {target->x, target->y, target->t};
            AppendPiece(curve, s, from, pos, true);
            return 1;
        }
        if (cand) {
            cand = static_cast<CSmartLPoint*>(cand->prev);
            continue;
        }
        double b[3] = {0, 0, 0};
        s->GetPoint(0, b);
        AppendPiece(curve, s, b, pos, true);
        s = Before(s);
        s->GetPoint(1, pos);
        pos[2] = 1;
        cand = Last(s);
    }
    return 1;
}

int AppendScanPair(const double* p0, CSmartSect* s0, const double* p1, CSmartSect* s1, unsigned lineId,
                   CSmartLPoint*& lastOnLine, CSmartLPoint*& head, CSmartLPoint*& tail)
{
    auto* a = new CSmartLPoint(p0, scanpt::kStart, lineId);
    a->sect = s0;
    if (!s0->AddPoint(a))
        return 0;
    auto* b = new CSmartLPoint(p1, scanpt::kEnd, lineId);
    b->sect = s1;
    if (!s1->AddPoint(b)) {
        s0->points->RemovePoint(a);
        delete a;
        return 0;
    }
    a->prevOnLine = lastOnLine;
    if (lastOnLine)
        lastOnLine->nextOnLine = a;
    a->nextOnLine = b;
    b->prevOnLine = a;
    lastOnLine = b;
    (tail ? tail->chainNext : head) = a;
    a->chainNext = b;
    tail = b;
    return 1;
}
