// Cutting curves of a connected contour-parallel hierarchy: which loop comes next, the
// walkers that copy a loop's sections with the links into the inner loops and back, and
// the strategy that builds, connects and extracts the offsets of a region.
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/CutPath.h"
#include "toolpath/contours/FollowPath.h"
#include "toolpath/contours/PathEntity.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartConst.h"

#include "framework/numerak/Point2D.h"

#include <cmath>
#include <vector>

using namespace follow;

namespace {

bool Done(const CSmartLoop* L) { return L->flags & kLoopDone; }

bool Matches(CSmartLoop* L, const double* p)
{
    return L && !Done(L) && P2D_Dist(L->connectB, p) <= kConnectTol;
}

CSmartLoop* FirstMatch(CSmartLoop* chain, const double* p, const CSmartLoop* skip = nullptr)
{
    for (CSmartLoop* L = chain; L; L = L->next)
        if (L != skip && Matches(L, p))
            return L;
    return nullptr;
}

CSmartSect* Wrap(CSmartLoop* L, CSmartSect* s) { return s->next ? s->next : L->contour->head; }

void Start(CSmartSect* s, double* p) { s->GetPoint(0, p); }

void AddLink(CSmartCurve* curve, const double* a, const double* b)
{
    auto* l = new CSmartLine(a, b);
    l->mark = kMarkLink;
    curve->AddSect(l);
}

// A copy of s appended to the curve (marked 0x40 under flags bit 6 unless it is a
// boundary section).
void Copy(CSmartCurve* curve, CSmartSect* s, int flags)
{
    CSmartSect* c = s->CopyMyself();
    if ((flags & cutdef::kFollowMarkCopies) && c->mark < kMarkBoundary)
        c->mark |= kMarkCopy;
    curve->AddSect(c);
}

// The copy of s, which is marked emitted.
void Emit(CSmartCurve* curve, CSmartSect* s, int flags)
{
    Copy(curve, s, flags);
    s->number = kEmitted;
}

// Entering N: a link from its connection point on the loop left to its own.
void Enter(CSmartCurve* curve, CSmartLoop* N, int flags)
{
    if (curve->count > 0 || (flags & cutdef::kFollowLeadLink))
        AddLink(curve, N->connectB, N->connectA);
}

void Leave(CSmartCurve* curve, CSmartLoop* L) { AddLink(curve, L->connectA, L->connectB); }

int CountMarked(CSmartLoop* L, std::uint8_t bit)
{
    int n = 0;
    for (CSmartSect* x = L->contour ? L->contour->head : nullptr; x; x = x->next)
        n += (x->mark & bit) ? 1 : 0;
    return n;
}

// The walk of a loop that returns to it: from s round to start, emitted sections
// skipped; at a connection with a loop to enter, the rest is left for later. With
// wholeFirst, a head section not yet emitted on a loop with a single connection (an
// island only when islandOnly) has the whole contour cut before the loop is entered.
void ResumingWalk(int type, int flags, CSmartCurve* curve, CSmartSect* s, CSmartSect* start, CSmartLoop* cur,
                  CSmartLoop*& next, bool islandOnly)
{
    if (!cur->contour || !cur->contour->head || !s)
        return;
    double p[2];
    if (s == cur->contour->head && s->number != kEmitted && (!islandOnly || cur->area < 0) &&
        CountMarked(cur, kMarkAtStart) == 1) {
        for (CSmartSect* x = cur->contour->head; x; x = x->next)
            Emit(curve, x, flags);
        Start(s, p);
        CSmartLoop* N = cur->GetNextLoop(p, type);
        if (!N) {
            s->mark |= kMarkDead;
            // Back to the loop this one was entered from, which is still pending.
            if (next)
                Leave(curve, cur);
            return;
        }
        cur->queue = next;
        N->queue = cur;
        next = N;
        Enter(curve, N, flags);
        return;
    }
    CSmartSect* x = s;
    do {
        if (x->number != kEmitted) {
            if (x->mark & kMarkAtStart) {
                Start(x, p);
                if (CSmartLoop* N = cur->GetNextLoop(p, type)) {
                    cur->queue = next;
                    N->queue = cur;
                    next = N;
                    Enter(curve, N, flags);
                    return;
                }
                x->mark |= kMarkDead;
            }
            Emit(curve, x, flags);
        }
        x = Wrap(cur, x);
    } while (x != start);
    if (next)
        Leave(curve, cur);
}

// The section to start a loop's walk with.
CSmartSect* WalkStart(CSmartLoop* L)
{
    CSmartSect* s = L->GetBeginSect();
    if (!s)
        L->GetFirstCntSect(s);
    return s;
}

// The first unextracted island below L, depth first through children and islands.
CSmartLoop* FirstGrownIsland(CSmartLoop* L)
{
    if (L->area < 0 && !Done(L))
        return L;
    for (CSmartLoop* c = L->children; c; c = c->next)
        if (CSmartLoop* i = FirstGrownIsland(c))
            return i;
    for (CSmartLoop* c = L->islands; c; c = c->next)
        if (CSmartLoop* i = FirstGrownIsland(c))
            return i;
    return nullptr;
}

}  // namespace

CSmartLoop* CSmartLoop::GetFirstLoop(int type)
{
    queue = nullptr;
    if (type == 1) {
        CSmartLoop* L = FindExportChild();
        return L ? L : FindExportIsland();
    }
    // Depth first over the offset children, in order.
    std::vector<CSmartLoop*> stack{this}, order;
    while (!stack.empty()) {
        CSmartLoop* L = stack.back();
        stack.pop_back();
        order.push_back(L);
        std::vector<CSmartLoop*> kids;
        for (CSmartLoop* c = L->children; c; c = c->next)
            kids.push_back(c);
        stack.insert(stack.end(), kids.rbegin(), kids.rend());
    }
    if (type == 0) {
        for (CSmartLoop* L : order)
            if (!Done(L))
                return L;
        for (CSmartLoop* L : order)
            if (L->islands) {
                for (CSmartLoop* i = L->islands; i; i = i->next)
                    if (!Done(i))
                        return i;
                return nullptr;
            }
        return nullptr;
    }
    if (type != 2)
        return nullptr;
    for (CSmartLoop* L : order) {
        if (L->islands) {
            for (CSmartLoop* i = L->islands; i; i = i->next)
                if (!Done(i) && i->tag == 1)
                    return i;
        } else if (!Done(L)) {
            return L;
        }
    }
    // The grown islands are never entered from the offsets (their sources lie on the
    // islands they grew from) and carry no tag 1: each is cut on its own, with the
    // islands handed down under it. Then the loops with islands, whose boundary the last
    // offsets hold only where no grown island has cut into it.
    if (CSmartLoop* i = FirstGrownIsland(this))
        return i;
    for (CSmartLoop* L : order)
        if (!Done(L) && L->contour && L->contour->head)
            return L;
    return nullptr;
}

CSmartLoop* CSmartLoop::GetNextLoop(const double* p, int type)
{
    switch (type) {
    case 0:
        if (CSmartLoop* L = FirstMatch(children, p))
            return L;
        return parent ? FirstMatch(parent->children, p) : nullptr;
    case 1:
        if (area > 0)
            return parent && !next && Matches(parent, p) ? parent : nullptr;
        return FirstMatch(islands, p);
    case 2:
        if (area > 0) {
            if (CSmartLoop* L = FirstMatch(children, p))
                return L;
            for (CSmartLoop* a = parent; a; a = a->parent)
                if (CSmartLoop* L = FirstMatch(a->islands, p))
                    return L;
            return nullptr;
        }
        if (!parent)
            return nullptr;
        if (CSmartLoop* L = FirstMatch(parent->children, p))
            return L;
        for (CSmartLoop* c = parent->children; c; c = c->next)
            if (CSmartLoop* L = FirstMatch(c->islands, p))
                return L;
        if (CSmartLoop* L = FirstMatch(parent->islands, p, this))
            return L;
        return parent->parent ? FirstMatch(parent->parent->islands, p) : nullptr;
    default:
        return nullptr;
    }
}

CSmartLoop* CSmartLoop::FindExportChild()
{
    for (CSmartLoop* c = children; c; c = c->next)
        if (CSmartLoop* L = c->FindExportChild())
            return L;
    return Done(this) ? nullptr : this;
}

CSmartLoop* CSmartLoop::FindExportIsland()
{
    if (area < 0 && !Done(this))
        return this;
    if (area >= 0)
        for (CSmartLoop* c = children; c; c = c->next)
            if (CSmartLoop* L = c->FindExportIsland())
                return L;
    for (CSmartLoop* i = islands; i; i = i->next) {
        if (!Done(i))
            return i;
        if (CSmartLoop* L = i->FindExportIsland())
            return L;
    }
    return nullptr;
}

int CSmartLoop::ExtractCutinPath(int type, int flags, CSmartCurve* curve, CSmartSect* s, CSmartSect* start,
                                 CSmartLoop*& cur, CSmartLoop*& next)
{
    if (flags & cutdef::kFollowResume) {
        ResumingWalk(type, flags, curve, s, start, cur, next, true);
        return 1;
    }
    for (CSmartSect* x = s; x; x = x->next)
        Emit(curve, x, flags);
    cur->flags |= kLoopDone;
    if (!s)
        return 1;
    double p[2];
    Start(s, p);
    CSmartLoop* N = cur->GetNextLoop(p, type);
    if (!N)
        return 1;
    Enter(curve, N, flags);
    N->queue = nullptr;
    next = N;
    return 1;
}

int CSmartLoop::ExtractDeburyPath(int type, int flags, CSmartCurve* curve, CSmartSect* s, CSmartSect* start,
                                  CSmartLoop*& cur, CSmartLoop*& next)
{
    if (!s || !cur->contour)
        return 1;
    for (CSmartSect* x = s; x->number != kEmitted;) {
        Emit(curve, x, flags);
        x = Wrap(cur, x);
    }
    double p[2];
    int i = 0;
    for (CSmartSect* x = cur->contour->head; x; x = x->next)
        if (x->mark & kMarkAtStart) {
            Start(x, p);
            i += cur->GetNextLoop(p, type) ? 1 : 0;
        }
    CSmartSect* r = start;
    for (CSmartSect* x = cur->contour->head; x; x = x->next)
        if ((x->mark & kMarkDead) && !(x->mark & kMarkRecut)) {
            r = x;
            x->mark |= kMarkRecut;
            break;
        }
    // Re-cuts copy sections already emitted.
    auto recut = [&](CSmartSect* x) { Copy(curve, x, flags); };
    if (i > 0 && (flags & cutdef::kFollowResume)) {
        CSmartSect* y = r;
        do {
            recut(y);
            y = Wrap(cur, y);
        } while (!(y->mark & kMarkAtStart) && y != r);
        y->mark |= kMarkDead;
        Start(y, p);
        if (CSmartLoop* N = cur->GetNextLoop(p, type)) {
            if (next || i > 1) {
                cur->queue = next;
                next = cur;
            }
            N->queue = next;
            next = N;
            Enter(curve, N, flags);
        }
    } else if (i > 0) {
        if (!(start->mark & kMarkAtStart)) {
            Start(start, p);
            if (CSmartLoop* N = cur->GetNextLoop(p, type)) {
                Enter(curve, N, flags);
                N->queue = next;
                next = N;
            }
        }
    } else if (next) {
        for (CSmartSect* y = r; y != start; y = Wrap(cur, y))
            recut(y);
        Leave(curve, cur);
    }
    return 1;
}

CSmartCurve* follow::FollowCurves(CSmartLoop& root, int type, int flags)
{
    CSmartCurve* head = nullptr;
    CSmartCurve* tail = nullptr;
    while (CSmartLoop* L = root.GetFirstLoop(type)) {
        auto* C = new CSmartCurve;
        C->state = L->area < 0 ? 1 : 0;
        L->queue = nullptr;
        while (L) {
            CSmartLoop* next = L->queue;
            CSmartSect* s = WalkStart(L);
            if (type == 1 && s)
                L->contour->SetStartSect(s);
            L->flags |= kLoopDone;
            if (flags & cutdef::kFollowDebury)
                root.ExtractDeburyPath(type, flags, C, s, s, L, next);
            else
                root.ExtractCutinPath(type, flags, C, s, s, L, next);
            L = next;
        }
        (head ? tail->next : head) = C;
        tail = C;
    }
    return head;
}

int CSmartLoop::ExtractFollowPath(CPathCombine& out, DVN_CutFollowDef& def, DVN_OrderType& order)
{
    const int type = def.type;
    const std::uint32_t flags = def.flags;
    const bool resume = flags & cutdef::kFollowResume, reverse = flags & cutdef::kFollowReverse;
    if (type == 1 || (flags & cutdef::kFollowDebury)) {
        if (order.direction == 0) {
            ReverseLoop(0);
            for (CSmartLoop* i = islands; i; i = i->next)
                i->ReverseContour(0);
            for (CSmartLoop* c = children; c; c = c->next)
                c->ReverseContour(0);
        }
    } else if ((order.direction == 0) == resume) {
        ReverseContour(0);
    }
    ConnectFollowPath(type, static_cast<int>(flags));
    std::vector<CSmartCurve*> curves;
    for (CSmartCurve* c = follow::FollowCurves(*this, type, static_cast<int>(flags)); c;) {
        CSmartCurve* n = c->next;
        c->next = nullptr;
        curves.push_back(c);
        c = n;
    }
    if ((flags & cutdef::kFollowDebury) || resume == reverse) {
        for (CSmartCurve* c : curves)
            AddCurveToPathCombine(c, &out, 1, 0);
        return 1;
    }
    std::vector<CSmartCurve*> aside;
    auto k = curves.size();
    for (; k > 0 && type == 0 && curves[k - 1]->state == 1; --k) {
        curves[k - 1]->Reverse();
        aside.push_back(curves[k - 1]);
    }
    for (; k > 0; --k) {
        curves[k - 1]->Reverse();
        AddCurveToPathCombine(curves[k - 1], &out, 1, 0);
    }
    for (CSmartCurve* c : aside)
        AddCurveToPathCombine(c, &out, 1, 0);
    return 1;
}

int CSmartLoop::CreateFollowPath(CPathCombine& out, DVN_CutFollowDef& def, DVN_CornerType& corner, DVN_OrderType& order)
{
    if (!std::isfinite(def.step) || def.step < smart::kMinLoopOffset)
        return 0;
    // The hierarchy is built and extracted with type 0 on a copy; the caller's record
    // keeps its own type for its next run.
    DVN_CutFollowDef local = def;
    local.type = 0;
    CSmartLoop* C = CopyContour();
    C->FollowContour(0, local.step, corner, -1, local.percentage);
    C->ExtractFollowPath(out, local, order);
    DeleteLoopChain(C);
    return 1;
}

int CSmartLoop::LoopToSect(CPathCombine& out, int type)
{
    ConnectFollowPath(type, 0);
    while (CSmartLoop* B = GetFirstLoop(type)) {
        auto* curve = new CSmartCurve;
        const bool reverse = type == 1 && B->area < 0;
        B->queue = nullptr;
        for (CSmartLoop* L = B; L;) {
            CSmartLoop* next = L->queue;
            CSmartSect* s = WalkStart(L);
            L->flags |= kLoopDone;
            ResumingWalk(type, 0, curve, s, s, L, next, false);
            L = next;
        }
        if (reverse)
            curve->Reverse();
        AddCurveToPathCombine(curve, &out, 1, 0);
    }
    return 1;
}

int CSmartLoop::ExtractAllChild(CPathCombine& out, int flags)
{
    auto* curve = new CSmartCurve;
    // Loops being walked, each with the section to go on with.
    struct Step {
        CSmartLoop* loop;
        CSmartSect* at;
    };
    std::vector<Step> stack;
    while (CSmartLoop* L = GetFirstLoop(0)) {
        L->flags |= kLoopDone;
        stack.push_back({L, L->contour ? L->contour->head : nullptr});
        while (!stack.empty()) {
            CSmartLoop* cur = stack.back().loop;
            CSmartSect* x = stack.back().at;
            if (!x) {
                stack.pop_back();
                if (!stack.empty())
                    AddLink(curve, cur->connectB, cur->connectA);
                continue;
            }
            if (x->mark & kMarkAtStart) {
                double p[2];
                Start(x, p);
                auto at = [&](CSmartLoop* E) { return !Done(E) && P2D_AbsDist(E->connectA, p) <= kConnectTol; };
                CSmartLoop* E = nullptr;
                for (CSmartLoop* c = cur->children; c && !E; c = c->next)
                    E = at(c) ? c : nullptr;
                for (CSmartLoop* c = cur->parent ? cur->parent->children : nullptr; c && !E; c = c->next)
                    E = c != cur && (c->flags & kLoopSibling) && at(c) ? c : nullptr;
                if (E) {
                    if (curve->count > 0)
                        AddLink(curve, E->connectA, E->connectB);
                    E->flags |= kLoopDone;
                    stack.push_back({E, E->contour ? E->contour->head : nullptr});
                    continue;
                }
                x->mark &= static_cast<std::uint8_t>(~kMarkAtStart);
            }
            do {
                Copy(curve, x, flags);
                x = x->next;
            } while (x && !(x->mark & kMarkAtStart));
            stack.back().at = x;
        }
    }
    AddCurveToPathCombine(curve, &out, 0, 0);
    delete curve;
    return 1;
}

int CSmartLoop::ExtractAllCurve(CPathCombine& out, double* pt, double* /*scratch*/)
{
    if (contour && contour->tail) {
        AddCurveToPathCombine(contour, &out, 0, 0);
        contour->tail->GetPoint(1, pt);
        pt[2] = 0;
    }
    while (children) {
        CSmartLoop* best = children;
        CSmartSect* bestSect = nullptr;
        double bestD = 0;
        for (CSmartLoop* c = children; c; c = c->next)
            if (OfferNearest(c, pt, bestSect, bestD))
                best = c;
        if (bestSect) {
            best->contour->SetStartSect(bestSect);
            double a[3] = {0, 0, 0};
            bestSect->GetPoint(0, a);
            const double from[3] = {pt[0], pt[1], 0};
            PathCombineAppend(new CPathLine3D(from, a), &out);
            pt[0] = a[0];
            pt[1] = a[1];
            pt[2] = 0;
        }
        best->ExtractAllCurve(out, pt, nullptr);
        DeleteChild(best);
    }
    return 1;
}
