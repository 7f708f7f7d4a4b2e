// Chaining loose curves end to end into loops: the list forms, the grid form
// for large inputs, open chains, chains in the curves' own direction and the
// branch-walking chains of a connected network.
//
// Every form collects the chains of one call in a private list and hands them
// to the caller's loop list only when the call ends without a cancel; a
// cancelled call undoes just its own chains (in move mode the curves go back
// to the caller's list), so loops the caller held before are never touched.
#include "geometry/algorithms/GeTool2D.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Box2D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Vector2D.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GeLoop.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr int kTypeLine = 0x2;
constexpr int kTypeCircle = 0x8;
constexpr int kTypeEllipse = 0x10;
constexpr int kTypeCombCurve = 0x80;

// Lines shorter than this never reach a chain.
constexpr double kMinLineLength = 0.002;
// ReCreateOpenLoop's own short-line threshold.
constexpr double kMinOpenLineLength = 0.02;
// A candidate whose own ends lie closer than this is a closed curve: it is
// taken without an angle test.
constexpr double kClosedCandidateTol = 0.0001;
// Tangents shorter than this give no turning angle.
constexpr double kAngleTol = 1e-6;
// The best turning angle before any candidate (2 pi).
constexpr double kNoAngle = 6.283185307179586;
// Starting distance of the nearest-end search.
constexpr double kNoDistance = 1e8;
// Fixed tolerance of CreateLinkedCurve.
constexpr double kLinkedTol = 0.001;
// A member whose end lies farther than this from the chain's end is not retraced.
constexpr double kRecedeReach = 1.0;
// Gaps up to this count as already closed in StitchCurveList.
constexpr double kStitchMinGap = 1e-12;
// The taken mark of a curve chosen from the grids.
constexpr std::uintptr_t kTaken = 1;

using CurveList = CGeTool2D::CurveList;
using LoopList = CGeTool2D::LoopList;

struct ChainEnds {
    double s[2] = {0.0, 0.0};
    double e[2] = {0.0, 0.0};
    double t[2] = {0.0, 0.0};

    void Read(CGeCurve* c)
    {
        c->GetStartPoint(s);
        c->GetEndPoint(e);
        t[0] = t[1] = 0.0;
        c->GetEndTan(t);
    }
    double Gap() const { return P2D_Dist(s, e); }
};

bool IsShortLine(CGeCurve* c, double limit)
{
    return c->GetType() == kTypeLine && c->EvTotalArcLength() < limit;
}

// The loop rule of CGeLoop::IsLoop on the chain's members.
bool IsClosedChain(CGeLoop* chain, double tol)
{
    return !chain->IsEmpty() && geIsLoopCurve2d(&chain->GetCurveList(), tol);
}

// Reverses a chain with its cached area and reversed mark.
void ReverseChain(CGeLoop* chain) { chain->Reverse(true); }

// Turning angle from tangent t to the direction of travel through a candidate
// matched at its start (its start tangent) or at its end (its end tangent negated).
double TurnAngle(const double* t, CGeCurve* c, bool atStart)
{
    double d[2] = {0.0, 0.0};
    if (atStart) {
        c->GetStartTan(d);
    } else {
        c->GetEndTan(d);
        d[0] = -d[0];
        d[1] = -d[1];
    }
    return V2D_GetAngle(t, d, kAngleTol);
}

// The work list of ReCreateLoop and ReCreateLoopEx: copies, or the caller's
// curves taken out of its list. Short lines are left out; a composite that is
// not linked at tol contributes its members.
void BuildWorkList(CurveList* curves, double tol, bool copy, CurveList& work)
{
    if (copy) {
        for (CGeCurve* c : *curves) {
            if (!c || IsShortLine(c, kMinLineLength)) continue;
            if (c->GetType() == kTypeCombCurve && !static_cast<CGeCombCurve*>(c)->IsLinked(tol)) {
                for (CGeCurve* m : static_cast<CGeCombCurve*>(c)->GetCurveList())
                    if (CGeCurve* mc = m ? m->Copy() : nullptr) work.AddTail(mc);
                continue;
            }
            if (CGeCurve* cc = c->Copy()) work.AddTail(cc);
        }
        return;
    }
    while (!curves->IsEmpty()) {
        CGeCurve* c = curves->RemoveHead();
        if (!c) continue;
        if (IsShortLine(c, kMinLineLength)) {
            delete c;
        } else if (c->GetType() == kTypeCombCurve && !static_cast<CGeCombCurve*>(c)->IsLinked(tol)) {
            CurveList& members = static_cast<CGeCombCurve*>(c)->GetCurveList();
            for (CGeCurve* m : members)
                if (m) work.AddTail(m);
            members.RemoveAll();
            delete c;
        } else {
            work.AddTail(c);
        }
    }
}

// Undoes the chains of a cancelled call. Copy mode: the chains and the
// unchained copies are deleted. Move mode: every member curve and every
// unchained curve goes back to the caller's list. With originals (sorted), only
// members found there go back; the others were made by the call and are deleted.
void UndoChains(LoopList& made, CurveList& leftovers, CurveList* curves, bool copy,
                const std::vector<CGeCurve*>* originals = nullptr)
{
    if (copy) {
        geDelGeLoopList(&made, false);
        geDelCurveList(&leftovers);
        return;
    }
    for (CGeLoop* loop : made) {
        if (!loop) continue;
        for (CGeCurve* m : loop->GetCurveList()) {
            if (!m) continue;
            if (originals && !std::binary_search(originals->begin(), originals->end(), m))
                delete m;
            else
                curves->AddTail(m);
        }
        loop->GetCurveList().RemoveAll();
    }
    geDelGeLoopList(&made, true);
    curves->AddTail(&leftovers);
    leftovers.RemoveAll();
}

bool BadTolerance(double tol) { return !(tol >= 0.0); }

// Polls the progress cancel of a chaining loop; a seen cancel sets cancelled.
bool PollCancel(bool& cancelled)
{
    if (!gIsProgressCancel()) return false;
    cancelled = true;
    return true;
}

// The end of a list-form call: a cancel undoes the call's chains, otherwise
// they go to the caller and the unchained work curves are deleted.
void HandOverChains(bool cancelled, LoopList& made, CurveList& work, CurveList* curves, LoopList* loops, bool copy)
{
    if (cancelled) {
        UndoChains(made, work, curves, copy);
        return;
    }
    loops->AddTail(&made);
    geDelCurveList(&work);
}

// Moves the caller's non-null curves into work in order (null entries stay
// behind); those that keep rejects are deleted instead.
template <class Keep>
void TakeCurves(CurveList* curves, CurveList& work, Keep keep)
{
    POSITION pos = curves->GetHeadPosition();
    while (pos) {
        const POSITION cur = pos;
        CGeCurve* c = curves->GetNext(pos);
        if (!c) continue;
        curves->RemoveAt(cur);
        if (keep(c))
            work.AddTail(c);
        else
            delete c;
    }
}

// A seed that forms a loop on its own: a circle, an ellipse, or a curve whose
// ends meet within tol and that is longer than 2 tol.
bool IsClosedSeed(CGeCurve* seed, const ChainEnds& ends, double tol)
{
    const int type = seed->GetType();
    return type == kTypeCircle || type == kTypeEllipse || (ends.Gap() < tol && seed->IsLongerThan(2.0 * tol));
}

// The least-turn choice of the searches: a closed candidate is taken without
// an angle test (a later one replaces it), otherwise the smallest turning
// angle from t wins, also at exact junctions.
struct LeastTurn {
    double bestAngle = kNoAngle;

    bool Prefers(CGeCurve* c, const double* s, const double* e, const double* t, bool atStart)
    {
        if (P2D_Dist(s, e) < kClosedCandidateTol) return true;
        const double a = TurnAngle(t, c, atStart);
        if (!(a < bestAngle)) return false;
        bestAngle = a;
        return true;
    }
};

// Calls visit(position, curve, start, end) for each non-null curve of list
// whose box holds p within tol, in list order.
template <class Visit>
void ForEachCurveNear(CurveList* list, const double* p, double tol, Visit visit)
{
    BOX2<double> box;
    POSITION pos = list->GetHeadPosition();
    while (pos) {
        const POSITION cur = pos;
        CGeCurve* c = list->GetNext(pos);
        if (!c) continue;
        c->GetBox2d(&box);
        if (!BOX2D_IsPtIn(box, p, tol)) continue;
        double s[2] = {0.0, 0.0}, e[2] = {0.0, 0.0};
        c->GetStartPoint(s);
        c->GetEndPoint(e);
        visit(cur, c, s, e);
    }
}

// Closes the joint from before to after when its gap is below tol (and not
// already closed) by moving after's start onto before's end.
void StitchJoint(CGeCurve* before, CGeCurve* after, double tol)
{
    double pe[2] = {0.0, 0.0}, s[2] = {0.0, 0.0};
    before->GetEndPoint(pe);
    after->GetStartPoint(s);
    const double gap = P2D_Dist(pe, s);
    if (gap < tol && gap > kStitchMinGap) after->ModifyStartPoint(pe);
}

// Finishing touch of a closed-or-open chain of the least-turn forms. The
// composite's Stitch(tol) only repairs gaps wider than tol, so the gaps the
// chaining accepted (up to tol) are closed here by moving start points onto
// the previous end: the loop then closes at any tolerance, and its area can be
// computed at the (smaller) computation tolerance downstream.
void FinishChain(CGeLoop* chain, double tol)
{
    chain->Stitch(tol);
    chain->SeperateComCurve(1);
    CGeTool2D::StitchCurveList(&chain->GetCurveList(), std::nextafter(tol, HUGE_VAL));
    chain->CalcBox2d();
}

}  // namespace

// ---------------------------------------------------------------------------
// Searches

CGeCurve* CGeTool2D::SearchNext(CurveList* list, const double* p, const double* t, double tol, bool remove,
                                bool& forward)
{
    forward = false;
    if (!list || list->IsEmpty()) return nullptr;
    CGeCurve* best = nullptr;
    POSITION bestPos = nullptr;
    bool bestForward = false;
    LeastTurn pick;
    ForEachCurveNear(list, p, tol, [&](POSITION cur, CGeCurve* c, const double* s, const double* e) {
        const double ds = P2D_Dist(p, s), de = P2D_Dist(p, e);
        if (std::min(ds, de) > tol) return;
        const bool atStart = ds <= de;
        if (pick.Prefers(c, s, e, t, atStart)) best = c, bestPos = cur, bestForward = atStart;
    });
    if (best && remove) list->RemoveAt(bestPos);
    forward = bestForward;
    return best;
}

CGeCurve* CGeTool2D::SearchNext(const double* p, const double* t, double tol, int& forward)
{
    forward = 0;
    if (!m_pStartGrid) return nullptr;
    // Every cell that can hold a point within tol of p, however small the
    // cells are against tol: the cell rule is monotone, so the cells of the
    // tolerance box's corners bound the range.
    const double lo[2] = {p[0] - tol, p[1] - tol}, hi[2] = {p[0] + tol, p[1] + tol};
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    GetCell(lo, x0, y0);
    GetCell(hi, x1, y1);

    CGeCurve* best = nullptr;
    int bestForward = 0;
    LeastTurn pick;
    BOX2<double> box;
    for (int g = 0; g < 2; ++g) {
        const bool atStart = g == 0;
        for (int cx = x0; cx <= x1; ++cx) {
            for (int cy = y0; cy <= y1; ++cy) {
                CurveList* bucket = atStart ? StartBucket(cx, cy) : EndBucket(cx, cy);
                POSITION pos = bucket->GetHeadPosition();
                while (pos) {
                    const POSITION cur = pos;
                    CGeCurve* c = bucket->GetNext(pos);
                    if (!c) continue;
                    if (c->GetExtData() != 0) {  // taken meanwhile
                        bucket->RemoveAt(cur);
                        continue;
                    }
                    c->GetBox2d(&box);
                    if (!BOX2D_IsP2DIn(box, p, tol)) continue;
                    double s[2] = {0.0, 0.0}, e[2] = {0.0, 0.0};
                    c->GetStartPoint(s);
                    c->GetEndPoint(e);
                    if (P2D_Dist(p, atStart ? s : e) > tol) continue;
                    // The same rule as the list form, so both forms chain alike.
                    if (pick.Prefers(c, s, e, t, atStart)) best = c, bestForward = atStart ? 1 : 0;
                }
            }
        }
    }
    if (!best) return nullptr;
    RemoveFromGrids(best);
    best->CGeShape2d::SetExtData(kTaken);
    forward = bestForward;
    return best;
}

CGeCurve* CGeTool2D::SearchNextMinDist(CurveList* list, const double* p, double tol, bool remove, bool& forward)
{
    forward = false;
    if (!list || list->IsEmpty()) return nullptr;
    CGeCurve* best = nullptr;
    POSITION bestPos = nullptr;
    double bestDist = kNoDistance;
    ForEachCurveNear(list, p, tol, [&](POSITION cur, CGeCurve* c, const double* s, const double* e) {
        const double ds = P2D_Dist(p, s), de = P2D_Dist(p, e);
        const double d = de <= ds ? de : ds;
        if (d <= tol && d <= bestDist) {  // a later candidate at the same distance wins
            best = c, bestPos = cur, bestDist = d;
            forward = ds <= de;
        }
    });
    if (best && remove) list->RemoveAt(bestPos);
    return best;
}

CGeCurve* CGeTool2D::SearchNextInSelfDir(CurveList* list, const double* p, const double* t, double tol)
{
    if (!list || list->IsEmpty()) return nullptr;
    CGeCurve* best = nullptr;
    POSITION bestPos = nullptr;
    LeastTurn pick;
    ForEachCurveNear(list, p, tol, [&](POSITION cur, CGeCurve* c, const double* s, const double* e) {
        if (P2D_Dist(p, s) > tol) return;
        if (pick.Prefers(c, s, e, t, true)) best = c, bestPos = cur;
    });
    if (best) list->RemoveAt(bestPos);
    return best;
}

// ---------------------------------------------------------------------------
// Grid bookkeeping

void CGeTool2D::RemoveFromGrids(CGeCurve* curve)
{
    if (!curve || !m_pStartGrid) return;
    auto removeFrom = [curve](CurveList* bucket) {
        POSITION pos = bucket->GetHeadPosition();
        while (pos) {
            const POSITION cur = pos;
            if (bucket->GetNext(pos) == curve) {
                bucket->RemoveAt(cur);
                return;
            }
        }
    };
    double s[2] = {0.0, 0.0}, e[2] = {0.0, 0.0};
    curve->GetStartPoint(s);
    curve->GetEndPoint(e);
    int ix = 0, iy = 0;
    GetCell(s, ix, iy);
    removeFrom(StartBucket(ix, iy));
    GetCell(e, ix, iy);
    removeFrom(EndBucket(ix, iy));
}

void CGeTool2D::ClearGrids()
{
    if (!m_pStartGrid) return;
    for (int i = 0; i < kGridSize * kGridSize; ++i) {
        m_pStartGrid[static_cast<std::size_t>(i)].RemoveAll();
        m_pEndGrid[static_cast<std::size_t>(i)].RemoveAll();
    }
}

// ---------------------------------------------------------------------------
// Chaining

void CGeTool2D::ReCreateLoop(CurveList* curves, LoopList* loops, double tol, bool closedOnly, bool copy)
{
    if (!curves || curves->IsEmpty() || !loops || !gGetQVGlobal() || BadTolerance(tol)) return;
    CurveList work;
    BuildWorkList(curves, tol, copy, work);

    LoopList made;
    bool cancelled = false;
    for (;;) {
        if (PollCancel(cancelled)) break;
        CGeCurve* seed = GetHead(&work);
        if (!seed) break;
        auto* chain = new CGeLoop;
        chain->GetCurveList().AddTail(seed);
        ChainEnds ends;
        ends.Read(chain);
        if (IsClosedSeed(seed, ends, tol)) {
            chain->SeperateComCurve(1);
            made.AddTail(chain);
            continue;
        }
        int misses = 0;
        while (!work.IsEmpty()) {
            if (PollCancel(cancelled)) break;
            bool forward = false;
            CGeCurve* next = SearchNext(&work, ends.e, ends.t, tol, true, forward);
            if (next) {
                if (!forward) next->Reverse();
                chain->AddTail(next, 1);
                ends.Read(chain);
                if (ends.Gap() < tol) break;
            } else if (misses++ == 0) {
                ReverseChain(chain);
                ends.Read(chain);
            } else {
                ReverseChain(chain);  // back to the seed's direction
                break;
            }
        }
        if (cancelled) {
            made.AddTail(chain);  // undone below with the others
            break;
        }
        if (closedOnly && !IsClosedChain(chain, tol)) {
            delete chain;
            continue;
        }
        FinishChain(chain, tol);
        made.AddTail(chain);
    }

    HandOverChains(cancelled, made, work, curves, loops, copy);
}

void CGeTool2D::ReCreateLoopEx(CurveList* curves, LoopList* loops, double tol, bool closedOnly, bool copy)
{
    if (!curves || curves->IsEmpty() || !loops || !gGetQVGlobal() || BadTolerance(tol)) return;
    BOX2<double> box;
    box.InitEmpty();
    GetBox(curves, box);
    SetWorkBox(box);

    CurveList work;
    BuildWorkList(curves, tol, copy, work);
    std::vector<CGeCurve*> pool;
    pool.reserve(static_cast<std::size_t>(work.GetCount()));
    for (CGeCurve* c : work) pool.push_back(c);
    work.RemoveAll();  // the pool and the grids hold the work curves from here on
    InitSearchList(pool);

    // A taken curve leaves both grids and the pool at once, so neither ever
    // holds a stale pointer: chains may flatten composites (deleting their
    // shells) and rejected chains may be deleted while the chaining goes on.
    std::vector<std::pair<CGeCurve*, std::size_t>> byAddress;
    byAddress.reserve(pool.size());
    for (std::size_t i = 0; i < pool.size(); ++i)
        if (pool[i]) byAddress.emplace_back(pool[i], i);
    std::sort(byAddress.begin(), byAddress.end());
    auto leavePool = [&](CGeCurve* c) {
        auto it = std::lower_bound(byAddress.begin(), byAddress.end(), std::make_pair(c, std::size_t{0}));
        for (; it != byAddress.end() && it->first == c; ++it) pool[it->second] = nullptr;
    };

    LoopList made;
    bool cancelled = false;
    unsigned index = 0;
    for (;;) {
        if (PollCancel(cancelled)) break;
        CGeCurve* seed = GetHead(pool, index);
        if (!seed) break;
        RemoveFromGrids(seed);
        auto* chain = new CGeLoop;
        chain->GetCurveList().AddTail(seed);
        ChainEnds ends;
        ends.Read(chain);
        if (IsClosedSeed(seed, ends, tol)) {
            chain->SeperateComCurve(1);
            made.AddTail(chain);
            continue;
        }
        if (index < pool.size()) {
            for (int pass = 0; pass < 2 && !cancelled; ++pass) {
                int appended = 0;
                for (;;) {
                    if (PollCancel(cancelled)) break;
                    int forward = 0;
                    CGeCurve* next = SearchNext(ends.e, ends.t, tol, forward);
                    if (!next) break;
                    leavePool(next);
                    if (!forward) next->Reverse();
                    chain->GetCurveList().AddTail(next);
                    next->GetEndPoint(ends.e);
                    ends.t[0] = ends.t[1] = 0.0;
                    next->GetEndTan(ends.t);
                    ++appended;
                }
                if (cancelled) break;
                if (pass == 0) {
                    ReverseChain(chain);
                    ends.Read(chain);
                } else if (appended == 0) {
                    ReverseChain(chain);
                }
            }
        }
        if (cancelled) {
            made.AddTail(chain);
            break;
        }
        if (chain->EvTotalArcLength() < tol || (closedOnly && !IsClosedChain(chain, tol))) {
            delete chain;
            continue;
        }
        FinishChain(chain, tol);
        made.AddTail(chain);
    }

    if (cancelled) {
        // The free curves are the pool's remaining entries, in work-list order.
        CurveList leftovers;
        for (CGeCurve* c : pool)
            if (c) leftovers.AddTail(c);
        ClearGrids();
        UndoChains(made, leftovers, curves, copy);
        return;
    }
    ClearGrids();
    loops->AddTail(&made);
}

void CGeTool2D::ReCreateOpenLoop(CurveList* curves, LoopList* loops, double tol)
{
    if (!curves || curves->IsEmpty() || !loops || BadTolerance(tol)) return;
    CurveList work;
    TakeCurves(curves, work, [](CGeCurve* c) { return !IsShortLine(c, kMinOpenLineLength); });

    LoopList made;
    bool cancelled = false;
    for (;;) {
        if (PollCancel(cancelled)) break;
        CGeCurve* seed = GetHead(&work);
        if (!seed) break;
        double s[2] = {0.0, 0.0}, e[2] = {0.0, 0.0};
        seed->GetStartPoint(s);
        seed->GetEndPoint(e);
        auto* chain = new CGeLoop;
        chain->GetCurveList().AddTail(seed);
        int misses = 0;
        while (!work.IsEmpty()) {
            if (PollCancel(cancelled)) break;
            bool forward = false;
            CGeCurve* next = SearchNextMinDist(&work, e, tol, true, forward);
            if (next) {
                if (!forward) next->Reverse();
                next->GetEndPoint(e);
                chain->AddTail(next, 1);
            } else if (misses++ == 0) {
                std::swap(s[0], e[0]);
                std::swap(s[1], e[1]);
                ReverseChain(chain);
            } else {
                ReverseChain(chain);
                break;
            }
        }
        if (cancelled) {
            made.AddTail(chain);
            break;
        }
        chain->SeperateComCurve(1);
        made.AddTail(chain);
    }

    HandOverChains(cancelled, made, work, curves, loops, false);
}

void CGeTool2D::ReCreateLoopInSelfDir(CurveList* curves, LoopList* loops, double tol, bool closedOnly, bool copy)
{
    if (!curves || curves->IsEmpty() || !loops || BadTolerance(tol)) return;
    CurveList work;
    if (copy) {
        for (CGeCurve* c : *curves)
            if (CGeCurve* cc = c ? c->Copy() : nullptr) work.AddTail(cc);
    } else {
        TakeCurves(curves, work, [](CGeCurve*) { return true; });
    }

    LoopList made;
    bool cancelled = false;
    for (;;) {
        if (PollCancel(cancelled)) break;
        CGeCurve* seed = GetHead(&work);
        if (!seed) break;
        auto* chain = new CGeLoop;
        chain->AddTail(seed, 1);  // a composite seed is flattened (and its shell deleted)
        ChainEnds ends;
        ends.Read(chain);
        if (!(ends.Gap() < tol && chain->IsLongerThan(2.0 * tol))) {
            for (;;) {
                if (PollCancel(cancelled)) break;
                CGeCurve* next = SearchNextInSelfDir(&work, ends.e, ends.t, tol);
                if (!next) break;
                chain->AddTail(next, 1);
                ends.Read(chain);
                if (ends.Gap() < tol) break;
            }
        }
        if (cancelled) {
            made.AddTail(chain);
            break;
        }
        if (closedOnly && !(IsClosedChain(chain, tol) && chain->EvTotalArcLength() >= tol)) {
            delete chain;
            continue;
        }
        made.AddTail(chain);
    }

    HandOverChains(cancelled, made, work, curves, loops, copy);
}

void CGeTool2D::CreateLinkedCurve(CurveList* curves, LoopList* loops)
{
    if (!curves || curves->IsEmpty() || !loops) return;
    // The caller's curves, to tell them from the retracing copies on a cancel.
    std::vector<CGeCurve*> originals;
    originals.reserve(static_cast<std::size_t>(curves->GetCount()));
    for (CGeCurve* c : *curves)
        if (c) originals.push_back(c);
    std::sort(originals.begin(), originals.end());

    LoopList made;
    bool cancelled = false;
    while (!curves->IsEmpty()) {
        if (PollCancel(cancelled)) break;
        CGeCurve* seed = GetHead(curves);
        if (!seed) break;  // only null entries are left
        auto* chain = new CGeLoop;
        chain->GetCurveList().AddTail(seed);
        ChainEnds ends;
        ends.Read(chain);
        int misses = 0;
        for (;;) {
            if (PollCancel(cancelled)) break;
            bool forward = false;
            CGeCurve* next = SearchNext(curves, ends.e, ends.t, kLinkedTol, true, forward);
            if (next) {
                if (!forward) next->Reverse();
                chain->GetCurveList().AddTail(next);
                ends.Read(chain);
            } else if (misses++ == 0) {
                ReverseChain(chain);
                ends.Read(chain);
            } else {
                break;
            }
        }
        if (!cancelled) {
            POSITION pos = chain->GetCurveList().GetTailPosition();
            while (pos) {
                const POSITION cur = pos;
                chain->GetCurveList().GetPrev(pos);
                if (!RecedeLinkCurve(curves, chain, cur, kLinkedTol)) break;
            }
            chain->SeperateComCurve(1);
        }
        made.AddTail(chain);
        if (cancelled) break;
    }

    if (cancelled) {
        CurveList none;
        UndoChains(made, none, curves, false, &originals);
        return;
    }
    loops->AddTail(&made);
}

bool CGeTool2D::RecedeLinkCurve(CurveList* curves, CGeLoop* chain, POSITION member, double tol)
{
    if (!curves || !chain || !member) return false;
    CurveList& members = chain->GetCurveList();
    CGeCurve* m = members.GetAt(member);
    if (!m) return false;
    double me[2] = {0.0, 0.0}, ce[2] = {0.0, 0.0};
    m->GetEndPoint(me);
    chain->GetEndPoint(ce);
    if (P2D_Dist(me, ce) > kRecedeReach) return false;
    CGeCurve* back = m->Copy();
    if (!back) return false;
    back->Reverse();
    members.AddTail(back);
    if (curves->IsEmpty()) return false;

    ChainEnds ends;
    ends.Read(chain);
    int count = 0;
    while (!curves->IsEmpty()) {
        bool forward = false;
        CGeCurve* next = SearchNext(curves, ends.e, ends.t, tol, true, forward);
        if (!next) break;
        if (!forward) next->Reverse();
        members.AddTail(next);
        ends.Read(chain);
        ++count;
    }
    POSITION pos = members.GetTailPosition();
    for (int i = 0; i < count && pos; ++i) {
        const POSITION cur = pos;
        members.GetPrev(pos);
        if (!RecedeLinkCurve(curves, chain, cur, tol)) break;
    }
    return true;
}

void CGeTool2D::StitchCurveList(CurveList* list, double tol)
{
    if (!list || list->IsEmpty()) return;
    CGeCurve* prev = nullptr;
    for (CGeCurve* c : *list) {
        if (!c) continue;
        if (prev) StitchJoint(prev, c, tol);
        prev = c;
    }
    CGeCurve* head = list->GetHead();
    CGeCurve* tail = list->GetTail();
    if (!head || !tail) return;
    StitchJoint(tail, head, tol);
}
