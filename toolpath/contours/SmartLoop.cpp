// CSmartLoop: construction, copies, area and box, containment, and the loop tree.
#include "toolpath/contours/SmartLoop.h"

#include "toolpath/contours/Containment.h"
#include "toolpath/contours/LoopChain.h"
#include "toolpath/contours/SmartConst.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using namespace smart;

namespace {

// Sibling chains through next/prev.
void AppendToChain(CSmartLoop*& head, CSmartLoop* L)
{
    L->next = L->prev = nullptr;
    if (!head) {
        head = L;
        return;
    }
    CSmartLoop* t = head;
    while (t->next)
        t = t->next;
    t->next = L;
    L->prev = t;
}

void UnlinkFromChain(CSmartLoop*& head, CSmartLoop* L)
{
    if (L->prev)
        L->prev->next = L->next;
    else if (head == L)
        head = L->next;
    if (L->next)
        L->next->prev = L->prev;
    L->next = L->prev = nullptr;
}

// The loop and its islands, in order.
template <class F>
void ForLoopAndIslands(CSmartLoop* L, F&& f)
{
    f(L);
    for (CSmartLoop* i = L->islands; i; i = i->next)
        f(i);
}

// A point of a section at t = 0.5; false without section.
bool MidPoint(CSmartSect* s, double* out) { return s && s->GetPoint(0.5, out); }

}  // namespace

CSmartLoop::~CSmartLoop()
{
    delete contour;
    DeleteLoopChain(children);
    DeleteLoopChain(islands);
}

// ---------------------------------------------------------------- construction

int CSmartLoop::CreateLoop(const double* p1, const double* p2)
{
    const double c[4][2] = {{p1[0], p1[1]}, {p2[0], p1[1]}, {p2[0], p2[1]}, {p1[0], p2[1]}};
    auto* curve = new CSmartCurve;
    for (int i = 0; i < 4; ++i)
        curve->AddSect(new CSmartLine(c[i], c[(i + 1) % 4]));
    delete UpdateSect(curve);
    return 1;
}

CSmartLoop* CSmartLoop::CopyLoop()
{
    auto* L = new CSmartLoop;
    L->depth = depth;
    std::copy(&box[0][0], &box[0][0] + 6, &L->box[0][0]);
    L->area = area;
    if (contour)
        L->contour = contour->CopyMyself();
    return L;
}

CSmartLoop* CSmartLoop::CopyContour()
{
    CSmartLoop* L = CopyLoop();
    for (CSmartLoop* i = islands; i; i = i->next)
        L->AddIsland(i->CopyLoop());
    return L;
}

CSmartCurve* CSmartLoop::UpdateSect(CSmartCurve* c)
{
    CSmartCurve* old = contour;
    contour = c;
    if (c) {
        c->ConnectAllSect();
        c->DefineBox();
    }
    Area();
    DefineBox();
    return old;
}

CSmartSect* CSmartLoop::GetSectMid() const
{
    if (!contour || !contour->head)
        return nullptr;
    int i = contour->count / 2 - 1;
    CSmartSect* s = contour->head;
    while (i-- > 0 && s->next)
        s = s->next;
    return s;
}

// ---------------------------------------------------------------- geometry

// Arcs contribute their chords (at most 50, chord tolerance 0.01); the closing term joins
// the tail's end to the head's start.
double CSmartLoop::Area()
{
    area = 0;
    if (!contour || !contour->head || !contour->IsClosed())
        return 0;
    double sum = 0;
    double pts[kLoopAreaChords + 1][2];
    for (CSmartSect* s = contour->head; s; s = s->next) {
        if (s->IsSectLine()) {
            auto* l = static_cast<CSmartLine*>(s);
            sum += l->start[0] * l->end[1] - l->end[0] * l->start[1];
            continue;
        }
        const int n = DiscretizeArcSect(pts, kLoopAreaChords + 1, kWindingArcTol, static_cast<CSmartArc*>(s));
        for (int i = 0; i < n; ++i)
            sum += pts[i][0] * pts[i + 1][1] - pts[i + 1][0] * pts[i][1];
    }
    double e[2], b[2];
    contour->tail->GetPoint(1, e);
    contour->head->GetPoint(0, b);
    sum += e[0] * b[1] - b[0] * e[1];
    area = sum;
    return sum;
}

// Also counts an edit of the contour: code that edits its sections in place redoes the
// loop's box, which point tests trust.
void CSmartLoop::DefineBox()
{
    if (contour)
        contour->Edited();
    if (contour && contour->head) {
        double mn[2], mx[2];
        contour->DefineBox(mn, mx);
        box[0][0] = mn[0];
        box[0][1] = mn[1];
        box[1][0] = mx[0];
        box[1][1] = mx[1];
    }
    box[0][2] = box[1][2] = depth;
}

double CSmartLoop::MinDistPoint(const double* p)
{
    if (!contour)
        return kFarDistance;
    double d = kFarDistance;
    for (CSmartSect* s = contour->head; s; s = s->next) {
        double f[2];
        d = std::min(d, s->MinDistPoint(p, f));
    }
    return d;
}

// The loop's rule of the shared containment test: a point on a flat section is on the
// contour, no chord test in the winding sum, lines count negative at a zero cross product.
int CSmartLoop::IsPointIn(const double* p)
{
    if (!contour || !contour->head || !p)
        return 0;
    if (!(p[0] >= box[0][0] - kLoopBoxMargin && p[0] <= box[1][0] + kLoopBoxMargin &&
          p[1] >= box[0][1] - kLoopBoxMargin && p[1] <= box[1][1] + kLoopBoxMargin))
        return 0;
    return ContainPoint(*contour, p, box[0][0] - kProbeMargin, box[1][0] + kProbeMargin, LoopContainRule(),
                        contour->PointIndex());
}

// A point on an island's contour still belongs to the region: only strictly inside an
// island is outside it.
int CSmartLoop::IsPtOnContour(const double* p)
{
    if (!IsPointIn(p))
        return 0;
    for (CSmartLoop* i = islands; i; i = i->next)
        if (i->IsPointIn(p) == 1)
            return 0;
    return 1;
}

// 1 for an L that is not an outer loop; else 0 outside L, 2 on L's contour or on an
// island's (islands in order, the first deciding), 0 inside an island, 1 otherwise.
int CSmartLoop::IsOnContour(CSmartLoop* L, const double* p)
{
    if (!L)
        return 0;
    if (!(L->area > 0))
        return 1;
    const int k = L->IsPointIn(p);
    if (k != 1)
        return k;
    for (CSmartLoop* i = L->islands; i; i = i->next) {
        const int r = i->IsPointIn(p);
        if (r == 1)
            return 0;
        if (r == 2)
            return 2;
    }
    return 1;
}

int CSmartLoop::IsLoopOn(CSmartLoop* L)
{
    if (!L || !L->contour || !L->contour->head)
        return 0;
    double a[2], b[2];
    if (!MidPoint(L->GetSectHead(), a) || !MidPoint(L->GetSectMid(), b))
        return 0;
    if (!IsPointIn(a) || !IsPointIn(b))
        return 0;
    for (CSmartLoop* i = islands; i; i = i->next)
        if (i->IsPointIn(b) == 1)
            return 0;
    return 1;
}

void CSmartLoop::RotateContour(double angle)
{
    const double c = std::cos(angle), s = std::sin(angle);
    ForLoopAndIslands(this, [&](CSmartLoop* L) {
        if (!L->contour)
            return;
        for (CSmartSect* q = L->contour->head; q; q = q->next) {
            q->RotateSect(c, s);
            q->DefineBox();
        }
        L->DefineBox();
    });
}

void CSmartLoop::ReverseLoop(int negate)
{
    if (contour)
        contour->Reverse();
    if (negate)
        area = -area;
}

void CSmartLoop::ReverseContour(int negate)
{
    ReverseLoop(negate);
    for (CSmartLoop* i = islands; i; i = i->next)
        i->ReverseContour(negate);
    for (CSmartLoop* c = children; c; c = c->next)
        c->ReverseContour(negate);
}

void CSmartLoop::SetContourInfo(double z, int fromSource)
{
    int running = 2;
    ForLoopAndIslands(this, [&](CSmartLoop* L) {
        L->depth = z;
        const int number = running++;
        if (!L->contour)
            return;
        for (CSmartSect* s = L->contour->head; s; s = s->next) {
            if (!fromSource)
                s->number = number;
            else if (s->source)
                s->number = s->source->number;
        }
    });
}

void CSmartLoop::SetBoundInfo(int flag)
{
    ForLoopAndIslands(this, [&](CSmartLoop* L) {
        if (L->contour)
            for (CSmartSect* s = L->contour->head; s; s = s->next)
                s->mark = flag ? 0x80 : 0x40;
    });
}

int CSmartLoop::InitBuffer()
{
    bool ok = true;
    ForLoopAndIslands(this, [&](CSmartLoop* L) {
        if (!ok)
            return;
        if (!L->contour) {
            ok = false;
            return;
        }
        for (CSmartSect* s = L->contour->head; s; s = s->next) {
            delete s->points;
            s->points = nullptr;
        }
    });
    return ok ? 1 : 0;
}

// ---------------------------------------------------------------- links

int CSmartLoop::AddIsland(CSmartLoop* L)
{
    if (!L)
        return 0;
    AppendToChain(islands, L);
    L->parent = this;
    return 1;
}

int CSmartLoop::RemoveIsland(CSmartLoop* L)
{
    if (!L)
        return 0;
    UnlinkFromChain(islands, L);
    return 1;
}

int CSmartLoop::AddChild(CSmartLoop* L)
{
    if (!L)
        return 0;
    AppendToChain(children, L);
    L->parent = this;
    return 1;
}

int CSmartLoop::RemoveChild(CSmartLoop* L)
{
    if (!L)
        return 0;
    UnlinkFromChain(children, L);
    return 1;
}

int CSmartLoop::DeleteChild(CSmartLoop* L)
{
    if (!L)
        return 0;
    UnlinkFromChain(children, L);
    delete L;
    return 1;
}

int CSmartLoop::InsertNewLoop(CSmartLoop* L)
{
    if (!L || L == this)
        return 0;
    for (CSmartLoop* c = children; c; c = c->next)
        if (c->InsertNewLoop(L))
            return 1;
    double m[2];
    if (!L->contour || !L->contour->GetPoint(0.5, m) || !IsPointIn(m))
        return 0;
    for (CSmartLoop* c = children; c;) {
        CSmartLoop* n = c->next;
        double q[2];
        if (c->contour && c->contour->GetPoint(0.5, q) && L->IsPointIn(q)) {
            RemoveChild(c);
            L->AddChild(c);
        }
        c = n;
    }
    return AddChild(L);
}

void CSmartLoop::DeleteLoopChain(CSmartLoop*& head)
{
    for (CSmartLoop* L = head; L;) {
        CSmartLoop* n = L->next;
        delete L;
        L = n;
    }
    head = nullptr;
}

int CSmartLoop::ExtractAllLoop(int mode, CArray<CSmartLoop*, CSmartLoop*>& out)
{
    if (mode == 2)
        out.Add(this);
    for (CSmartLoop* i = islands; i; i = i->next)
        out.Add(i);
    if (mode != 2)
        out.Add(this);
    return 1;
}

// Islands dropped from a cleared island chain without joining the result (a negative
// loop inside an island, or a loop without contour) are deleted: nothing else holds them.
CSmartLoop* CSmartLoop::ExtractContour(int keepAll)
{
    std::vector<CSmartLoop*> out;
    std::vector<CSmartLoop*> own = ChainToVector(islands);
    for (CSmartLoop* i : own)
        for (CSmartLoop* L : ChainToVector(i->ExtractContour(keepAll)))
            out.push_back(L);
    if (area < 0 || keepAll) {
        islands = nullptr;
        for (CSmartLoop* i : own)
            if (std::find(out.begin(), out.end(), i) == out.end()) {
                i->next = i->prev = nullptr;
                delete i;
            }
    }
    if (!((area <= 0 && !keepAll) || !contour))
        out.push_back(this);
    return LinkChain(out);
}

void CSmartLoop::ResortIsland(CSmartLoop** scratch)
{
    for (CSmartLoop* i = islands; i; i = i->next)
        i->ResortIsland(scratch);
    if (islands && islands->next)
        islands = SortByDist(islands);
}

CSmartLoop* CSmartLoop::SortByDist(CSmartLoop* chain)
{
    std::vector<CSmartLoop*> v = ChainToVector(chain);
    return SortByDist(v.data(), static_cast<int>(v.size()));
}

// Loops without contour have no start point: they stay behind the others in their order.
CSmartLoop* CSmartLoop::SortByDist(CSmartLoop** arr, int n)
{
    if (!arr || n <= 0)
        return nullptr;
    CPointList list;
    for (int i = 0; i < n; ++i) {
        double p[3] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN(), 0};
        if (arr[i]->contour)
            arr[i]->contour->GetPoint(0, p);
        auto* q = new CSmartSPoint(p);
        q->loop = arr[i];
        list.InsertAfter(q, list.tail);
    }
    list.ResortAllPoint();
    std::vector<CSmartLoop*> order;
    for (CSmartPoint* q = list.head; q; q = q->next)
        order.push_back(static_cast<CSmartSPoint*>(q)->loop);
    if (n >= 2 && list.tail->x < list.head->x)
        std::reverse(order.begin(), order.end());
    return LinkChain(order);
}

CSmartLoop* CSmartLoop::ResortContour(CSmartLoop* chain, int mode, int keep)
{
    std::vector<CSmartLoop*> loops = ChainToVector(chain);
    if (loops.empty())
        return nullptr;
    for (CSmartLoop* L : loops)
        L->next = L->prev = nullptr;
    if (mode == 0) {
        CSmartLoop* head = SortByDist(loops.data(), static_cast<int>(loops.size()));
        if (!keep)
            for (CSmartLoop* L : loops)
                if (L->islands)
                    L->islands = SortByDist(L->islands);
        return head;
    }
    std::stable_sort(loops.begin(), loops.end(),
                     [](const CSmartLoop* a, const CSmartLoop* b) { return std::fabs(a->area) < std::fabs(b->area); });
    if (mode == 3)
        return LinkChain(loops);
    if (mode == 4) {
        std::reverse(loops.begin(), loops.end());
        return LinkChain(loops);
    }
    // Nesting: each loop goes into the first larger loop (or island of one) around it.
    std::vector<bool> nested(loops.size(), false);
    for (std::size_t i = 0; i < loops.size(); ++i) {
        double m[2];
        if (!MidPoint(loops[i]->GetSectHead(), m))
            continue;
        for (std::size_t j = i + 1; j < loops.size() && !nested[i]; ++j) {
            if (nested[j])
                continue;
            CSmartLoop* big = loops[j];
            for (CSmartLoop* isl = big->islands; isl && !nested[i]; isl = isl->next)
                if (isl->IsPointIn(m)) {
                    isl->AddIsland(loops[i]);
                    nested[i] = true;
                }
            if (!nested[i] && keep && big->IsPointIn(m)) {
                big->AddIsland(loops[i]);
                nested[i] = true;
            }
        }
    }
    std::vector<CSmartLoop*> rest;
    for (std::size_t i = 0; i < loops.size(); ++i)
        if (!nested[i])
            rest.push_back(loops[i]);
    for (CSmartLoop* L : rest)
        L->ResortIsland(nullptr);
    CSmartLoop* head = LinkChain(rest);
    if (rest.size() >= 2)
        head = SortByDist(head);
    // Flattening: a top-level loop that ExtractContour leaves out (an island on its own
    // with keep 0) is deleted, since the chain no longer holds it.
    std::vector<CSmartLoop*> out;
    for (CSmartLoop* L : ChainToVector(head)) {
        L->next = L->prev = nullptr;
        const std::vector<CSmartLoop*> part = ChainToVector(L->ExtractContour(keep));
        out.insert(out.end(), part.begin(), part.end());
        if (std::find(part.begin(), part.end(), L) == part.end())
            delete L;
    }
    if (mode == 2)
        std::reverse(out.begin(), out.end());
    return LinkChain(out);
}
