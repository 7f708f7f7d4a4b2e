// Chaining loose curves end to end into loops: the list forms, the grid form
// for large inputs, open chains, chains in the curves' own direction and the
// branch-walking chains of a connected network.
//
// Every form collects the chains of one call in a private list and hands them
// to the caller's loop list only when the call ends without a cancel; a
// cancelled call undoes just its own chains (in move mode the curves go back
// to the caller's list), so loops the caller held before are never touched.
#include "geometry/algorithms/GeTool2D.h"
#include "geometry/algorithms/CurveTypes.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Box2D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Vector2D.h"
#include "framework/widgra/Progress.h"
#include "geometry/algorithms/PointGrid.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GeLoop.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace {


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
    return c->GetType() == curvetype::kLine && c->EvTotalArcLength() < limit;
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
            if (c->GetType() == curvetype::kCombCurve && !static_cast<CGeCombCurve*>(c)->IsLinked(tol)) {
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
        } else if (c->GetType() == curvetype::kCombCurve && !static_cast<CGeCombCurve*>(c)->IsLinked(tol)) {
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
    return type == curvetype::kCircle || type == curvetype::kEllipse || (ends.Gap() < tol && seed->IsLongerThan(2.0 * tol));
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

// The work curves of one chaining call, with their end points filed in a grid
// so that a search looks only at curves with an end near the chain's end.
// Curves never change while they wait here, so their ends and boxes are read
// once. A search visits its candidates in work-list order, which keeps the
// first-wins and last-wins rules of a scan over the whole list.
class WorkSet {
public:
    // The non-null curves in order; a pointer met again is left out (it is
    // the same curve and can be chained only once).
    WorkSet(const CurveList& curves, double tol, bool filesEnds)
    {
        std::vector<CGeCurve*> v;
        v.reserve(static_cast<std::size_t>(curves.GetCount()));
        for (CGeCurve* c : curves)
            if (c) v.push_back(c);
        Init(std::move(v), tol, filesEnds);
    }
    WorkSet(std::vector<CGeCurve*> curves, double tol, bool filesEnds) { Init(std::move(curves), tol, filesEnds); }

    std::size_t Count() const { return m_curves.size(); }
    bool Empty() const { return m_free == 0; }
    CGeCurve* Curve(std::uint32_t i) const { return m_curves[i]; }
    bool IsFree(std::uint32_t i) const { return m_curves[i] && !m_taken[i]; }
    const double* Start(std::uint32_t i) const { return m_ends[i].s; }
    const double* End(std::uint32_t i) const { return m_ends[i].e; }
    const BOX2<double>& Box(std::uint32_t i) const { return m_ends[i].box; }

    void Take(std::uint32_t i)
    {
        m_taken[i] = 1;
        --m_free;
    }
    // The first free curve in work order, taken (GetHead of the work list).
    CGeCurve* TakeHead()
    {
        while (m_head < m_curves.size() && !IsFree(static_cast<std::uint32_t>(m_head))) ++m_head;
        if (m_head == m_curves.size()) return nullptr;
        Take(static_cast<std::uint32_t>(m_head));
        return m_curves[m_head];
    }
    // Entries (curve index * 2 + 0 for a start, + 1 for an end) of free curves
    // filed in the cells that can hold a point within tol of p, sorted.
    const std::vector<std::uint32_t>& Near(const double* p, double tol)
    {
        m_near.clear();
        // A hair wider than tol, so that rounding never loses an end at tol.
        const double rx = tol + 1e-9 * (tol + std::fabs(p[0])), ry = tol + 1e-9 * (tol + std::fabs(p[1]));
        m_grid.ForEachIn(p[0] - rx, p[1] - ry, p[0] + rx, p[1] + ry, [this](std::uint32_t entry) {
            if (!m_taken[entry >> 1]) m_near.push_back(entry);
        });
        std::sort(m_near.begin(), m_near.end());
        return m_near;
    }
    // The free curves in work order, moved to out (the set is left empty).
    void MoveFreeTo(CurveList& out)
    {
        for (std::size_t i = 0; i < m_curves.size(); ++i)
            if (IsFree(static_cast<std::uint32_t>(i))) out.AddTail(m_curves[i]);
        std::fill(m_taken.begin(), m_taken.end(), 1);
        m_free = 0;
    }

private:
    struct Ends {
        double s[2] = {0.0, 0.0};
        double e[2] = {0.0, 0.0};
        BOX2<double> box;
    };

    void Init(std::vector<CGeCurve*> curves, double tol, bool filesEnds)
    {
        m_curves = std::move(curves);
        std::vector<std::pair<CGeCurve*, std::size_t>> byAddress;
        byAddress.reserve(m_curves.size());
        for (std::size_t i = 0; i < m_curves.size(); ++i)
            if (m_curves[i]) byAddress.emplace_back(m_curves[i], i);
        std::sort(byAddress.begin(), byAddress.end());
        for (std::size_t k = 1; k < byAddress.size(); ++k)
            if (byAddress[k].first == byAddress[k - 1].first) m_curves[byAddress[k].second] = nullptr;

        m_taken.assign(m_curves.size(), 0);
        m_ends.resize(m_curves.size());
        std::vector<CPointGrid::Entry> entries;
        entries.reserve(2 * m_curves.size());
        for (std::size_t i = 0; i < m_curves.size(); ++i) {
            CGeCurve* c = m_curves[i];
            if (!c) continue;
            ++m_free;
            Ends& x = m_ends[i];
            c->GetStartPoint(x.s);
            c->GetEndPoint(x.e);
            c->GetBox2d(&x.box);
            const auto id = static_cast<std::uint32_t>(2 * i);
            entries.push_back({x.s[0], x.s[1], id});
            if (filesEnds) entries.push_back({x.e[0], x.e[1], id + 1});
        }
        m_grid.Build(entries, tol);
    }

    std::vector<CGeCurve*> m_curves;  // null where a duplicate was left out
    std::vector<char> m_taken;
    std::vector<Ends> m_ends;
    std::size_t m_free = 0;
    std::size_t m_head = 0;
    CPointGrid m_grid;
    std::vector<std::uint32_t> m_near;
};

// The least-turn search of the list forms over a work set (see SearchNext):
// either end, or the start only when startsOnly. The chosen curve is taken.
CGeCurve* TakeLeastTurn(WorkSet& work, const double* p, const double* t, double tol, bool startsOnly, bool& forward)
{
    forward = false;
    LeastTurn pick;
    std::uint32_t best = 0;
    bool found = false;
    std::uint32_t last = UINT32_MAX;
    for (const std::uint32_t entry : work.Near(p, tol)) {
        const std::uint32_t i = entry >> 1;
        if (i == last) continue;  // both ends filed: one visit per curve
        last = i;
        if (!BOX2D_IsPtIn(work.Box(i), p, tol)) continue;
        const double *s = work.Start(i), *e = work.End(i);
        bool atStart = true;
        if (startsOnly) {
            if (P2D_Dist(p, s) > tol) continue;
        } else {
            const double ds = P2D_Dist(p, s), de = P2D_Dist(p, e);
            if (std::min(ds, de) > tol) continue;
            atStart = ds <= de;
        }
        if (pick.Prefers(work.Curve(i), s, e, t, atStart)) best = i, found = true, forward = atStart;
    }
    if (!found) return nullptr;
    work.Take(best);
    return work.Curve(best);
}

// The nearest-end search of ReCreateOpenLoop over a work set (see
// SearchNextMinDist); the chosen curve is taken.
CGeCurve* TakeNearestEnd(WorkSet& work, const double* p, double tol, bool& forward)
{
    forward = false;
    std::uint32_t best = 0;
    bool found = false;
    double bestDist = kNoDistance;
    std::uint32_t last = UINT32_MAX;
    for (const std::uint32_t entry : work.Near(p, tol)) {
        const std::uint32_t i = entry >> 1;
        if (i == last) continue;
        last = i;
        if (!BOX2D_IsPtIn(work.Box(i), p, tol)) continue;
        const double ds = P2D_Dist(p, work.Start(i)), de = P2D_Dist(p, work.End(i));
        const double d = de <= ds ? de : ds;
        if (d <= tol && d <= bestDist) {  // a later candidate at the same distance wins
            best = i, found = true, bestDist = d;
            forward = ds <= de;
        }
    }
    if (!found) return nullptr;
    work.Take(best);
    return work.Curve(best);
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
    // Nothing here reads the settings object: without one the defaults apply.
    if (!curves || curves->IsEmpty() || !loops || BadTolerance(tol)) return;
    CurveList built;
    BuildWorkList(curves, tol, copy, built);
    WorkSet work(built, tol, true);
    built.RemoveAll();

    LoopList made;
    bool cancelled = false;
    for (;;) {
        if (PollCancel(cancelled)) break;
        CGeCurve* seed = work.TakeHead();
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
        while (!work.Empty()) {
            if (PollCancel(cancelled)) break;
            bool forward = false;
            CGeCurve* next = TakeLeastTurn(work, ends.e, ends.t, tol, false, forward);
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

    CurveList rest;
    work.MoveFreeTo(rest);
    HandOverChains(cancelled, made, rest, curves, loops, copy);
}

void CGeTool2D::ReCreateLoopEx(CurveList* curves, LoopList* loops, double tol, bool closedOnly, bool copy)
{
    if (!curves || curves->IsEmpty() || !loops || BadTolerance(tol)) return;
    BOX2<double> box;
    box.InitEmpty();
    GetBox(curves, box);
    SetWorkBox(box);

    CurveList built;
    BuildWorkList(curves, tol, copy, built);
    WorkSet work(built, tol, true);
    built.RemoveAll();
    // The pool is the work list; a curve leaves it when it is taken.
    std::vector<CGeCurve*> pool(work.Count());
    for (std::size_t i = 0; i < pool.size(); ++i) {
        pool[i] = work.Curve(static_cast<std::uint32_t>(i));
        if (pool[i]) pool[i]->CGeShape2d::SetExtData(0);
    }
    ClearGrids();

    // The search of the 20 by 20 bucket grids (see the grid form of
    // SearchNext) over the candidates of the work set: the buckets are
    // visited start grid first, then by cell column and row, each in work
    // order, so the candidates are sorted by that key before the least-turn
    // rule, which decides ties by visiting order.
    struct Candidate {
        int key;  // grid * 400 + column * 20 + row
        std::uint32_t index;
        bool operator<(const Candidate& o) const { return key != o.key ? key < o.key : index < o.index; }
    };
    std::vector<Candidate> candidates;
    auto takeNext = [&](const double* p, const double* t, bool& forward) -> CGeCurve* {
        const double lo[2] = {p[0] - tol, p[1] - tol}, hi[2] = {p[0] + tol, p[1] + tol};
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        GetCell(lo, x0, y0);
        GetCell(hi, x1, y1);
        candidates.clear();
        for (const std::uint32_t entry : work.Near(p, tol)) {
            const int g = static_cast<int>(entry & 1);
            const std::uint32_t i = entry >> 1;
            int cx = 0, cy = 0;
            GetCell(g == 0 ? work.Start(i) : work.End(i), cx, cy);
            if (cx < x0 || cx > x1 || cy < y0 || cy > y1) continue;
            candidates.push_back({(g * kGridSize + cx) * kGridSize + cy, i});
        }
        std::sort(candidates.begin(), candidates.end());
        LeastTurn pick;
        std::uint32_t best = 0;
        bool found = false;
        for (const Candidate& k : candidates) {
            const std::uint32_t i = k.index;
            if (!BOX2D_IsP2DIn(work.Box(i), p, tol)) continue;
            const bool atStart = k.key < kGridSize * kGridSize;
            const double *s = work.Start(i), *e = work.End(i);
            if (P2D_Dist(p, atStart ? s : e) > tol) continue;
            if (pick.Prefers(work.Curve(i), s, e, t, atStart)) best = i, found = true, forward = atStart;
        }
        if (!found) return nullptr;
        work.Take(best);
        pool[best] = nullptr;
        CGeCurve* c = work.Curve(best);
        c->CGeShape2d::SetExtData(kTaken);
        return c;
    };

    LoopList made;
    bool cancelled = false;
    unsigned index = 0;
    for (;;) {
        if (PollCancel(cancelled)) break;
        CGeCurve* seed = GetHead(pool, index);
        if (!seed) break;
        work.Take(index - 1);
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
                    bool forward = false;
                    CGeCurve* next = takeNext(ends.e, ends.t, forward);
                    if (!next) break;
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

    // The free curves are the pool's remaining entries, in work-list order.
    CurveList rest;
    for (CGeCurve* c : pool)
        if (c) rest.AddTail(c);
    HandOverChains(cancelled, made, rest, curves, loops, copy);
}

void CGeTool2D::ReCreateOpenLoop(CurveList* curves, LoopList* loops, double tol)
{
    if (!curves || curves->IsEmpty() || !loops || BadTolerance(tol)) return;
    CurveList taken;
    TakeCurves(curves, taken, [](CGeCurve* c) { return !IsShortLine(c, kMinOpenLineLength); });
    WorkSet work(taken, tol, true);
    taken.RemoveAll();

    LoopList made;
    bool cancelled = false;
    for (;;) {
        if (PollCancel(cancelled)) break;
        CGeCurve* seed = work.TakeHead();
        if (!seed) break;
        double s[2] = {0.0, 0.0}, e[2] = {0.0, 0.0};
        seed->GetStartPoint(s);
        seed->GetEndPoint(e);
        auto* chain = new CGeLoop;
        chain->GetCurveList().AddTail(seed);
        int misses = 0;
        while (!work.Empty()) {
            if (PollCancel(cancelled)) break;
            bool forward = false;
            CGeCurve* next = TakeNearestEnd(work, e, tol, forward);
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

    CurveList rest;
    work.MoveFreeTo(rest);
    HandOverChains(cancelled, made, rest, curves, loops, false);
}

void CGeTool2D::ReCreateLoopInSelfDir(CurveList* curves, LoopList* loops, double tol, bool closedOnly, bool copy)
{
    if (!curves || curves->IsEmpty() || !loops || BadTolerance(tol)) return;
    CurveList taken;
    if (copy) {
        for (CGeCurve* c : *curves)
            if (CGeCurve* cc = c ? c->Copy() : nullptr) taken.AddTail(cc);
    } else {
        TakeCurves(curves, taken, [](CGeCurve*) { return true; });
    }
    WorkSet work(taken, tol, false);
    taken.RemoveAll();

    LoopList made;
    bool cancelled = false;
    for (;;) {
        if (PollCancel(cancelled)) break;
        CGeCurve* seed = work.TakeHead();
        if (!seed) break;
        auto* chain = new CGeLoop;
        chain->AddTail(seed, 1);  // a composite seed is flattened (and its shell deleted)
        ChainEnds ends;
        ends.Read(chain);
        if (!(ends.Gap() < tol && chain->IsLongerThan(2.0 * tol))) {
            for (;;) {
                if (PollCancel(cancelled)) break;
                bool forward = false;
                CGeCurve* next = TakeLeastTurn(work, ends.e, ends.t, tol, true, forward);
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

    CurveList rest;
    work.MoveFreeTo(rest);
    HandOverChains(cancelled, made, rest, curves, loops, copy);
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
