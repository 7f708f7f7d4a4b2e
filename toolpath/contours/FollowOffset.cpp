// The offset hierarchy of contour-parallel pocketing and the connection points by which
// each loop is entered from the loop around it.
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/CutPath.h"
#include "toolpath/contours/FollowPath.h"
#include "toolpath/contours/LoopChain.h"
#include "toolpath/contours/SmartConst.h"

#include "framework/numerak/Point2D.h"

#include <cmath>
#include <numbers>
#include <vector>

using namespace follow;

namespace {

bool UsableStep(double step) { return std::isfinite(step) && step >= smart::kMinLoopOffset; }

void StartPoint(CSmartSect* s, double* p) { s->GetPoint(0, p); }

template <class F>
void ForSections(CSmartLoop* L, F f)
{
    if (L && L->contour)
        for (CSmartSect* s = L->contour->head; s; s = s->next)
            f(s);
}

// The section of L's contour that is `source` (null when there is none).
CSmartSect* SourceOn(CSmartLoop* L, CSmartSect* source)
{
    if (!L || !L->contour || !source)
        return nullptr;
    for (CSmartSect* s = L->contour->head; s; s = s->next)
        if (s == source)
            return s;
    return nullptr;
}

double NetArea(CSmartLoop* L)
{
    double n = L->area;
    for (CSmartLoop* i = L->islands; i; i = i->next)
        n += i->area;
    return n;
}

// Moves each island of `from` lying inside a hole of a result loop under that hole: as
// its island (asChild false) or its offset child.
void HandDownIslands(CSmartLoop* from, CSmartLoop* results, bool asChild)
{
    for (CSmartLoop* J = from->islands; J;) {
        CSmartLoop* follow = J->next;
        for (CSmartLoop* G = results; G && J; G = G->next)
            for (CSmartLoop* I = G->islands; I; I = I->next)
                if (I->IsLoopOn(J)) {
                    from->RemoveIsland(J);
                    J->next = J->prev = nullptr;
                    if (asChild)
                        I->AddChild(J);
                    else
                        I->AddIsland(J);
                    J = nullptr;
                    break;
                }
        J = follow;
    }
}

// Post-order over the offset children and islands.
template <class F>
void ForTreeChildrenFirst(CSmartLoop* L, F& f)
{
    for (CSmartLoop* c = L->children; c;) {
        CSmartLoop* n = c->next;
        ForTreeChildrenFirst(c, f);
        c = n;
    }
    for (CSmartLoop* i = L->islands; i;) {
        CSmartLoop* n = i->next;
        ForTreeChildrenFirst(i, f);
        i = n;
    }
    f(L);
}

// Removes, children first, the loops below L that have no contour: their children and
// islands go to their parent.
void DropContourless(CSmartLoop* L)
{
    for (CSmartLoop* c = L->children; c;) {
        CSmartLoop* n = c->next;
        DropContourless(c);
        c = n;
    }
    for (CSmartLoop* c = L->children; c;) {
        CSmartLoop* n = c->next;
        if (!c->contour) {
            while (CSmartLoop* g = c->children) {
                c->RemoveChild(g);
                g->next = g->prev = nullptr;
                L->AddChild(g);
            }
            while (CSmartLoop* i = c->islands) {
                c->RemoveIsland(i);
                i->next = i->prev = nullptr;
                L->AddIsland(i);
            }
            L->DeleteChild(c);
        }
        c = n;
    }
}

}  // namespace

int CSmartLoop::FollowContour(DVN_CutFollowDef& def, DVN_CornerType& corner, int maxLevel)
{
    return FollowContour(def.type, def.step, corner, maxLevel, def.percentage);
}

int CSmartLoop::FollowContour(int type, double step, DVN_CornerType& corner, int maxLevel, double percentage)
{
    // An offset by a step this small is a copy of the loop: the tree would never end.
    if (!UsableStep(step))
        return 0;
    int n = 1;
    auto number = [&](CSmartSect* s) {
        s->index = n;
        s->offsetCopy = nullptr;
        s->source = nullptr;
        s->mark = kMarkBoundary;
    };
    ForSections(this, [&](CSmartSect* s) { number(s), ++n; });
    n = -1;
    for (CSmartLoop* i = islands; i; i = i->next) {
        n -= 100;
        ForSections(i, [&](CSmartSect* s) { number(s), --n; });
    }
    level = 1;
    for (CSmartLoop* i = islands; i; i = i->next)
        i->level = 1;
    queue = nullptr;

    for (CSmartLoop* L = this; L; L = L->queue) {
        // Loops at the level limit are kept but not offset further.
        if (maxLevel >= 0 && L->level >= maxLevel)
            continue;
        CSmartLoop* R = L->FollowPath(type, step, corner);
        if (!R && percentage < 50)
            R = L->FollowPath(type, step * 0.5, corner);
        CSmartLoop* behind = L;
        for (CSmartLoop* G : smart::TakeChain(R)) {
            L->AddChild(G);
            G->level = L->level + 1;
            for (CSmartLoop* i = G->islands; i; i = i->next)
                i->level = G->level;
            G->queue = behind->queue;
            behind->queue = G;
            behind = G;
        }
    }
    if (type == 2)
        DropContourless(this);
    return 1;
}

CSmartLoop* CSmartLoop::FollowPath(int type, double step, DVN_CornerType& corner)
{
    if (!UsableStep(step))
        return nullptr;
    const double N = NetArea(this);
    if (std::numbers::pi * step * step > N)
        return nullptr;
    CSmartLoop* R = nullptr;
    if (type == 1) {
        R = OffsetContour(0, step, step, corner);
        if (!islands || !R)
            return R;
        HandDownIslands(this, R, false);
    } else if (type == 2) {
        if (!islands)
            return OffsetContour(0, step, step, corner);
        auto* C = new CSmartLoop;
        C->area = area;
        std::copy(&box[0][0], &box[0][0] + 6, &C->box[0][0]);
        C->tag = 1;
        if (level == 1) {
            C->contour = contour ? contour->CopyMyself() : nullptr;
        } else {
            C->contour = contour;
            contour = nullptr;
        }
        R = SubtractContours(C, WeldContours(OffsetIsland(step, corner, 2)));
        if (!R)
            return nullptr;
        HandDownIslands(this, R, true);
    } else {
        R = OffsetLoop(step, corner);
        if (!R || !islands)
            return R;
        for (CSmartLoop* G = R; G; G = G->next)
            G->tag = 1;
        std::vector<CSmartLoop*> collected;
        for (CSmartLoop* J = islands; J;) {
            CSmartLoop* follow = J->next;
            J->tag = -1;
            bool touches = false;
            for (CSmartLoop* G = R; G && !touches; G = G->next)
                touches = G->LoopLoopInt(J) || G->IsLoopOn(J);
            if (touches || level == 1) {
                collected.push_back(J->CopyLoop());
            } else {
                RemoveIsland(J);
                J->next = J->prev = nullptr;
                collected.push_back(J);
            }
            J = follow;
        }
        for (CSmartLoop* c : collected)
            c->tag = 2;
        AppendChain(R, smart::LinkChain(collected));
        R = ClipLoops(R);
    }
    // A loop holding more than its source cannot be an inner offset.
    for (CSmartLoop* G = R; G; G = G->next)
        if (NetArea(G) > N)
            G->area = 0;
    return R;
}

int CSmartLoop::CreateConnectPoint(CSmartSect* s, const double* p, double* out)
{
    if (!s)
        return 0;
    double a[2], b[2];
    s->GetPoint(0, a);
    s->GetPoint(1, b);
    const bool atStart = P2D_Dist(p, a) <= P2D_Dist(p, b);
    out[0] = atStart ? a[0] : b[0];
    out[1] = atStart ? a[1] : b[1];
    if (s->IsSectLine()) {
        const double v[2] = {b[0] - a[0], b[1] - a[1]};
        const double va = (p[0] - a[0]) * v[0] + (p[1] - a[1]) * v[1];
        const double vb = (p[0] - b[0]) * v[0] + (p[1] - b[1]) * v[1];
        const double vv = v[0] * v[0] + v[1] * v[1];
        if (va > kFootMargin && vb < -kFootMargin && vv > kFootMargin) {
            const double foot[2] = {a[0] + v[0] * va / vv, a[1] + v[1] * va / vv};
            if (P2D_Dist(p, foot) < P2D_Dist(p, out)) {
                out[0] = foot[0];
                out[1] = foot[1];
                s->AddIntPt(foot);
                return 1;
            }
        }
    } else if (s->IsSectArc()) {
        const double t = s->GetParam(p);
        if (t > kFootMargin && t < 1 - kFootMargin) {
            s->GetPoint(t, out);
            s->AddIntPt(out);
            return 1;
        }
    }
    s->mark |= atStart ? kMarkAtStart : kMarkAtEnd;
    return 1;
}

int CSmartLoop::GetFirstCntSect(CSmartSect*& s)
{
    s = nullptr;
    if (!contour)
        return 1;
    for (CSmartSect* x = contour->head; x; x = x->next)
        if (x->mark & kMarkFirst) {
            s = x;
            return 1;
        }
    for (CSmartSect* x = contour->head; x; x = x->next)
        if (x->mark & kMarkAtStart) {
            if (!s || x->index > s->index)
                s = x;
            if (s->index > 0)
                break;
        }
    if (!s || s->index <= 0)
        for (CSmartSect* x = contour->head; x; x = x->next) {
            if (!s)
                s = x;
            if (x->index > 0) {
                s = x;
                break;
            }
        }
    if (s) {
        s->mark |= kMarkFirst;
        contour->SetStartSect(s);
    }
    return 1;
}

CSmartSect* CSmartLoop::GetBeginSect()
{
    CSmartSect* s;
    GetFirstCntSect(s);
    if (!s)
        return nullptr;
    auto atA = [&](CSmartSect* x) {
        double p[2];
        StartPoint(x, p);
        return P2D_Dist(p, connectA) <= kConnectTol;
    };
    if (atA(s))
        return s;
    for (CSmartSect* x = contour->head; x; x = x->next)
        if ((x->mark & kMarkAtStart) && atA(x))
            return x;
    for (CSmartSect* x = contour->head; x; x = x->next)
        if (atA(x))
            return x;
    return nullptr;
}

void CSmartLoop::UpdateConnectPoint(const double* a, const double* b)
{
    connectA[0] = a[0];
    connectA[1] = a[1];
    connectB[0] = b[0];
    connectB[1] = b[1];
}

void CSmartLoop::BreakConnectPoint()
{
    if (contour)
        contour->SelfDepart();
}

int CSmartLoop::ConnectFollowChild()
{
    for (CSmartLoop* c = children; c; c = c->next)
        c->ConnectFollowChild();
    if (!contour || !contour->head)
        return 1;
    BreakConnectPoint();
    CSmartSect* s;
    GetFirstCntSect(s);
    if (parent && s && parent->contour) {
        for (CSmartSect* x = parent->contour->head; x; x = x->next)
            if (x->index == s->index) {
                x->mark |= kMarkAtStart;
                double p[2], out[2];
                StartPoint(s, p);
                CreateConnectPoint(x, p, out);
                UpdateConnectPoint(p, out);
                break;
            }
    }
    return 1;
}

int CSmartLoop::ConnectAllChild()
{
    for (CSmartLoop* c = children; c; c = c->next)
        c->ConnectAllChild();
    if (!contour || !contour->head)
        return 0;
    CSmartSect* first = contour->head;
    while (first && !(first->mark & kMarkAtStart))
        first = first->next;
    if (!first) {
        first = contour->head;
        first->mark |= kMarkAtStart;
    }
    contour->SetStartSect(first);
    if (!parent || !parent->contour)
        return 1;
    double p[2], q[2], d;
    StartPoint(first, p);
    CSmartSect* target = parent->contour->FindNearSect(p, q, d);
    bool sibling = false;
    for (CSmartLoop* c = parent->children; c; c = c->next) {
        if (c == this || (c->flags & kLoopSibling) || !c->contour)
            continue;
        double q2[2], d2;
        CSmartSect* t = c->contour->FindNearSect(p, q2, d2);
        if (t && d2 < d) {
            target = t;
            d = d2;
            sibling = true;
        }
    }
    if (!target)
        return 1;
    if (sibling)
        flags |= kLoopSibling;
    double a[2];
    StartPoint(target, a);
    UpdateConnectPoint(a, p);
    target->mark |= kMarkAtStart;
    return 1;
}

void CSmartLoop::ConnectMiddleChild()
{
    for (CSmartLoop* c = children; c; c = c->next)
        c->ConnectMiddleChild();
    if (level <= 1 || !parent)
        return;
    if (!contour || !contour->head) {
        flags |= kLoopDone;
        return;
    }
    BreakConnectPoint();
    CSmartSect* s = GetBeginSect();
    if (!s) {
        GetFirstCntSect(s);
        if (s)
            s->mark |= kMarkAtStart;
    }
    CSmartSect* src = s ? SourceOn(parent, s->source) : nullptr;
    if (!src)
        return;
    src->mark |= kMarkAtStart;
    double p[2], out[2];
    StartPoint(s, p);
    CreateConnectPoint(src, p, out);
    parent->UpdateConnectPoint(out, p);
}

void CSmartLoop::ConnectMiddleIsland()
{
    if (area > 0) {
        for (CSmartLoop* c = children; c; c = c->next)
            c->ConnectMiddleIsland();
    } else if (islands && contour && contour->head) {
        CSmartSect* s = GetBeginSect();
        if (!s)
            GetFirstCntSect(s);
        for (CSmartLoop* J = islands; J && s; J = J->next)
            if (CSmartSect* src = SourceOn(J, s->source)) {
                s->mark = kMarkAtStart;
                double p[2], out[2];
                StartPoint(s, p);
                J->CreateConnectPoint(src, p, out);
                J->UpdateConnectPoint(out, p);
                J->BreakConnectPoint();
                break;
            }
    }
    for (CSmartLoop* i = islands; i; i = i->next)
        i->ConnectMiddleIsland();
}

void CSmartLoop::ConnectOuterIsland()
{
    // The offset subtree below this loop, children first in order.
    std::vector<CSmartLoop*> subtree;
    auto collect = [&](auto&& self, CSmartLoop* L) -> void {
        for (CSmartLoop* c = L->children; c; c = c->next) {
            subtree.push_back(c);
            self(self, c);
        }
    };
    collect(collect, this);
    for (CSmartLoop* L = islands; L; L = L->next) {
        L->tag = 0;
        if (!L->contour || !L->contour->head)
            continue;
        auto onL = [&](CSmartSect* x) { return SourceOn(L, x->source); };
        // An island already connected at the point on L nearest to x is passed over.
        auto taken = [&](CSmartLoop* M, CSmartSect* x) {
            if (M->connectA[0] == smart::kUnsetConnect)
                return false;
            double p[2], q[2], d;
            StartPoint(x, p);
            L->contour->MinDistSect(p, q, d);
            return P2D_Dist(M->connectB, q) <= kConnectTol;
        };
        CSmartSect* found = nullptr;
        for (CSmartLoop* c = children; c && !found; c = c->next)
            for (CSmartLoop* I = c->islands; I && !found; I = I->next)
                for (CSmartSect* x = I->contour ? I->contour->head : nullptr; x && !found; x = x->next)
                    if (onL(x) && !taken(I, x))
                        found = x;
        for (std::size_t k = 0; k < subtree.size() && !found; ++k)
            for (CSmartSect* x = subtree[k]->contour ? subtree[k]->contour->head : nullptr; x && !found; x = x->next)
                if (onL(x) && !taken(subtree[k], x))
                    found = x;
        double p[2], out[2];
        if (found) {
            found->mark = kMarkAtStart;
            StartPoint(found, p);
            L->CreateConnectPoint(onL(found), p, out);
            L->UpdateConnectPoint(out, p);
            L->BreakConnectPoint();
            L->tag = -1;
        } else {
            L->BreakConnectPoint();
            CSmartSect* s;
            L->GetFirstCntSect(s);
            StartPoint(s, p);
            out[0] = out[1] = smart::kUnsetConnect;
            L->CreateConnectPoint(s->source, p, out);
            L->UpdateConnectPoint(p, out);
            L->tag = 1;
        }
    }
}

void CSmartLoop::ConnectFollowIsland()
{
    for (CSmartLoop* c = children; c; c = c->next)
        c->ConnectFollowIsland();
    while (CSmartLoop* I = islands) {
        RemoveIsland(I);
        I->next = I->prev = nullptr;
        I->ConnectFollowChild();
        CSmartSect* s;
        I->GetFirstCntSect(s);
        if (s) {
            double p[2];
            StartPoint(s, p);
            CSmartSect* best = nullptr;
            double bestD = 0;
            OfferNearest(this, p, best, bestD);
            for (CSmartLoop* c = children; c; c = c->next)
                OfferNearest(c, p, best, bestD);
            if (best) {
                best->mark |= kMarkAtStart;
                double out[2];
                CreateConnectPoint(best, p, out);
                I->UpdateConnectPoint(p, out);
            }
        }
        AddChild(I);
    }
}

void CSmartLoop::ConnectFollowPath(int type, int flags)
{
    if (type == 1) {
        ConnectMiddleIsland();
        ConnectMiddleChild();
        // The outermost loop is entered from its last child: it is split at that
        // connection point too, so that a section starts where the link arrives.
        BreakConnectPoint();
        return;
    }
    if (!(flags & cutdef::kFollowResume)) {
        auto sort = [](CSmartLoop* L) {
            if (L->children) {
                L->children = ResortContour(L->children, 0, 0);
                L->children->prev = nullptr;
            }
        };
        ForTreeChildrenFirst(this, sort);
    }
    auto connect = [](CSmartLoop* L) {
        if (!L->contour || !L->contour->head) {
            L->flags |= kLoopDone;
            return;
        }
        L->BreakConnectPoint();
        CSmartSect* s;
        L->GetFirstCntSect(s);
        if (!L->parent || !s)
            return;
        double p[2], out[2];
        StartPoint(s, p);
        if (CSmartSect* src = SourceOn(L->parent, s->source)) {
            L->CreateConnectPoint(src, p, out);
            L->UpdateConnectPoint(p, out);
        } else {
            const double far[2] = {kNoSource, kNoSource};
            L->UpdateConnectPoint(p, far);
        }
    };
    ForTreeChildrenFirst(this, connect);
}
