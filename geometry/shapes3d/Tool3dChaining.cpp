// Chaining loose 3D curves into loops, nesting loops into outer loops with their
// holes, nearest-distance ordering and the list helpers of CGeTool3D.
//
// ReCreateLoop3d collects the chains of one call in a private list and hands them to
// the caller's loop list only when the call ends without a cancel, so loops the
// caller held before are never touched and, in move mode, no curve is lost.
#include "geometry/shapes3d/GeTool3D.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Box2D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/Vector2D.h"
#include "framework/widgra/Progress.h"
#include "geometry/algorithms/PointGrid.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes3d/ChainWork3d.h"
#include "geometry/shapes3d/GeLoop3d.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Start value of the nearest-distance searches: nothing at or beyond it is chosen.
constexpr double kFar = 1e12;
// Containment tolerance of the direct-hole test.
constexpr double kHoleTol = 1e-12;

bool Chained(CGeLoop3d* loop, double tol)
{
    double s[3] = {0.0, 0.0, 0.0}, e[3] = {0.0, 0.0, 0.0};
    loop->GetStartPoint(s);
    loop->GetEndPoint(e);
    return P3D_Dist(s, e) < tol;
}

// Gives the loop's members back to curves (move mode) or deletes them with it.
void DissolveLoop(CGeLoop3d* loop, CGeCurve3dList* curves, bool copy)
{
    if (!copy) {
        for (CGeCurve3d* m : loop->m_listCurve)
            if (m) curves->AddTail(m);
        loop->m_listCurve.RemoveAll();
    }
    delete loop;
}

// XY box of a loop's display string (the box IsContainLoop tests first).
BOX2<double> DisplayBox2d(const CGeLoop3d& loop)
{
    BOX2<double> b;
    b.InitEmpty();
    for (int i = 0; i < loop.m_strDisp.m_nCount; ++i) b.Extend(loop.m_strDisp.m_pPoints[i]);
    return b;
}

CGeCurve3d* AsCurve(CObject* ob) { return dynamic_cast<CGeCurve3d*>(ob); }

}  // namespace

CGeTool3D::CGeTool3D() = default;

CGeTool3D::~CGeTool3D()
{
    if (!m_pGrid) return;
    for (int i = 0; i < kGridCells; ++i) delete[] m_pGrid[i];
    delete[] m_pGrid;
}

// ---------------------------------------------------------------------------
// Chaining

CGeCurve3d* CGeTool3D::SearchNext(CGeCurve3dList* curves, double* p, double* dir, double tol, bool bRemove,
                                  int& byStart)
{
    if (!curves || curves->IsEmpty() || !p || !dir) return nullptr;
    // One scan through the same rule as the indexed search.
    CChainWork3d work(curves, false, tol, true);
    CGeCurve3d* best = work.TakeLeastTurn(p, dir, tol, byStart);
    if (best && bRemove) curves->RemoveAt(curves->Find(best));
    return best;
}

void CGeTool3D::ReCreateLoop3d(CGeCurve3dList* curves, CGeLoop3dList* loops, double tol, bool bClosedOnly,
                               bool bCopy)
{
    if (!curves || curves->IsEmpty() || !loops || !(tol >= 0.0)) return;
    CGeCurve3dList copies;
    if (bCopy) {
        for (CGeCurve3d* c : *curves)
            if (auto* copy = c ? AsCurve(c->Copy()) : nullptr) copies.AddTail(copy);
    }
    CChainWork3d work(bCopy ? &copies : curves, !bCopy, tol, true);
    copies.RemoveAll();  // the work set holds the copies now

    CQProgress progress;
    const double step = work.Count() > 0 ? 1.0 / static_cast<double>(work.Count()) : 0.0;
    CGeLoop3dList made;
    bool cancelled = false;
    for (;;) {
        // Polled before a seed is taken, so that a cancel never strands a seed.
        if (gIsProgressCancel()) {
            cancelled = true;
            break;
        }
        CGeCurve3d* seed = work.TakeLowestStart();
        if (!seed) break;
        progress.SetRange(step);
        auto* loop = new CGeLoop3d;
        loop->AddTail(seed);
        double s[3] = {0.0, 0.0, 0.0}, e[3] = {0.0, 0.0, 0.0};
        seed->GetStartPoint(s);
        seed->GetEndPoint(e);
        if (P3D_Dist(s, e) < tol && seed->EvTotalArcLength() > 2.0 * tol) {
            made.AddTail(loop);
            continue;
        }
        int misses = 0;
        for (;;) {
            if (gIsProgressCancel()) {
                cancelled = true;
                break;
            }
            double p[3] = {0.0, 0.0, 0.0}, dir[3] = {0.0, 0.0, 0.0};
            loop->GetEndPoint(p);
            loop->GetEndTanVec(dir);
            int byStart = 1;
            CGeCurve3d* next = work.TakeLeastTurn(p, dir, tol, byStart);
            if (next) {
                if (byStart == 0) next->Reverse();
                loop->AddTail(next);
                if (bClosedOnly && Chained(loop, tol)) break;
            } else if (misses++ == 0) {
                loop->Reverse();
            } else {
                break;
            }
        }
        if (cancelled) {
            made.AddTail(loop);  // undone below with the others
            break;
        }
        if (bClosedOnly && !loop->IsLoop3d(tol)) {
            DissolveLoop(loop, curves, bCopy);
            continue;
        }
        made.AddTail(loop);
    }

    CGeCurve3dList rest;
    work.MoveFreeTo(rest);  // copies no loop took (move mode: nothing, they stay in curves)
    geDelCurve3dList(&rest);
    if (cancelled) {
        while (!made.IsEmpty()) DissolveLoop(made.RemoveHead(), curves, bCopy);
        return;
    }
    loops->AddTail(&made);
}

// ---------------------------------------------------------------------------
// Nesting

void CGeTool3D::ReSortLoop3d(CGeLoop3dList* loops)
{
    if (!loops || loops->IsEmpty()) return;
    const double tol = gGetCrvDiscTol();
    for (CGeLoop3d* loop : *loops) {
        if (!loop) continue;
        loop->EvArea(tol);
        loop->CalcBox();
    }
    if (loops->GetCount() == 1) {
        CGeLoop3d* only = loops->GetHead();
        if (only && only->m_dArea < 0.0) only->Reverse();
        return;
    }

    // SortLoopWithArea: stable, largest absolute area first, empty entries dropped.
    std::vector<CGeLoop3d*> sorted;
    sorted.reserve(static_cast<std::size_t>(loops->GetCount()));
    for (CGeLoop3d* loop : *loops)
        if (loop) sorted.push_back(loop);
    std::stable_sort(sorted.begin(), sorted.end(), [](CGeLoop3d* a, CGeLoop3d* b) {
        return std::fabs(a->m_dArea) > std::fabs(b->m_dArea);
    });
    // The display boxes, read once: IsContainLoop rejects on them first, so pairs
    // whose boxes do not nest are passed without the call.
    std::vector<BOX2<double>> boxes;
    boxes.reserve(sorted.size());
    for (CGeLoop3d* loop : sorted) boxes.push_back(DisplayBox2d(*loop));
    auto contains = [&](std::size_t outer, std::size_t inner, double t) {
        if (!BOX2D_IsContain(boxes[outer], boxes[inner], kHoleTol)) return false;
        return sorted[outer]->IsContainLoop(sorted[inner], t);
    };

    std::vector<char> placed(sorted.size(), 0);
    std::vector<std::size_t> group;
    std::vector<char> marked;
    CGeLoop3dList result;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        if (placed[i]) continue;
        CGeLoop3d* outer = sorted[i];
        if (outer->m_dArea < 0.0) outer->Reverse();
        group.assign(1, i);
        for (std::size_t j = i + 1; j < sorted.size(); ++j) {
            if (placed[j] || !contains(i, j, tol)) continue;
            if (sorted[j]->m_dArea > 0.0) sorted[j]->Reverse();
            group.push_back(j);
        }
        // GetRegionInLoop: the outer loop and its direct holes.
        marked.assign(group.size(), 1);
        for (std::size_t a = 1; a < group.size(); ++a)
            for (std::size_t b = a + 1; b < group.size(); ++b)
                if (marked[b] && contains(group[a], group[b], kHoleTol)) marked[b] = 0;
        for (std::size_t a = 0; a < group.size(); ++a) {
            if (!marked[a]) continue;
            placed[group[a]] = 1;
            result.AddTail(sorted[group[a]]);
        }
    }
    loops->RemoveAll();
    loops->AddTail(&result);
}

// ---------------------------------------------------------------------------
// Nearest-distance orders

void CGeTool3D::NearestDistanceSort(CObList* curves)
{
    if (!curves || curves->GetCount() < 2) return;
    BOX3<double> box;
    box.InitEmpty();
    GetBox(curves, box);
    double p[3] = {box.xmin, box.ymin, box.zmin};
    NearestDistanceSort(p, curves);
}

void CGeTool3D::NearestDistanceSort(double* p, CObList* curves)
{
    if (!p || !curves || curves->GetCount() < 2) return;
    std::vector<CGeCurve3d*> items;
    std::vector<std::array<double, 3>> starts, ends;
    for (CObject* ob : *curves) {
        CGeCurve3d* c = AsCurve(ob);
        if (!c) continue;
        std::array<double, 3> s{}, e{};
        c->GetStartPoint(s.data());
        c->GetEndPoint(e.data());
        items.push_back(c);
        starts.push_back(s);
        ends.push_back(e);
    }
    std::vector<CPointGrid::Entry> entries(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        entries[i] = {starts[i][0], starts[i][1], static_cast<std::uint32_t>(i)};
    CPointGrid grid;
    grid.Build(entries, 0.0);
    std::vector<char> used(items.size(), 0);
    curves->RemoveAll();
    for (std::size_t n = 0; n < items.size(); ++n) {
        std::uint32_t best = 0;
        const bool found = grid.Nearest(
            p[0], p[1], kFar, [&](std::uint32_t id) { return !used[id]; },
            [&](std::uint32_t id) { return P3D_Dist2D(p, starts[id].data()); }, best);
        if (!found) break;
        used[best] = 1;
        curves->AddTail(items[best]);
        P3D_Copy(ends[best].data(), p);
    }
    // Curves no search could reach (non-finite or very far starts) follow in order.
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!used[i]) curves->AddTail(items[i]);
}

void CGeTool3D::NearestDistanceSort(CGeLoop3dList* loops, bool bReverse, bool b3D)
{
    if (!loops || loops->GetCount() <= 2) return;
    std::vector<CGeLoop3d*> items;
    for (CGeLoop3d* loop : *loops)
        if (loop) items.push_back(loop);
    if (items.empty()) return;
    // Entry 2i is loop i's start, 2i + 1 its end: the smaller id on equal distances
    // is the earlier loop, and its start before its end.
    std::vector<std::array<double, 3>> pts(2 * items.size());
    std::vector<CPointGrid::Entry> entries;
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i]->GetStartPoint(pts[2 * i].data());
        items[i]->GetEndPoint(pts[2 * i + 1].data());
        if (i == 0) continue;
        entries.push_back({pts[2 * i][0], pts[2 * i][1], static_cast<std::uint32_t>(2 * i)});
        if (bReverse) entries.push_back({pts[2 * i + 1][0], pts[2 * i + 1][1], static_cast<std::uint32_t>(2 * i + 1)});
    }
    CPointGrid grid;
    grid.Build(entries, 0.0);
    std::vector<char> used(items.size(), 0);
    used[0] = 1;
    loops->RemoveAll();
    loops->AddTail(items[0]);
    double p[3];
    P3D_Copy(pts[1].data(), p);
    for (std::size_t n = 1; n < items.size(); ++n) {
        std::uint32_t best = 0;
        const bool found = grid.Nearest(
            p[0], p[1], kFar, [&](std::uint32_t id) { return !used[id >> 1]; },
            [&](std::uint32_t id) {
                return b3D ? P3D_Dist(p, pts[id].data()) : P3D_Dist2D(p, pts[id].data());
            },
            best);
        if (!found) break;
        const std::size_t i = best >> 1;
        used[i] = 1;
        if (best & 1) {
            items[i]->Reverse();
            P3D_Copy(pts[2 * i].data(), p);  // the old start is the new end
        } else {
            P3D_Copy(pts[2 * i + 1].data(), p);
        }
        loops->AddTail(items[i]);
    }
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!used[i]) loops->AddTail(items[i]);
}

// ---------------------------------------------------------------------------
// List helpers

int CGeTool3D::IsLinked(CGeCurve3dList* curves, double tol) { return geIsLinkCurve3d(curves, tol); }

int CGeTool3D::IsLoop3d(CGeCurve3dList* curves, double tol)
{
    if (!curves || curves->IsEmpty() || !curves->GetHead() || !curves->GetTail()) return 0;
    return geIsLoopCurve3d(curves, tol);
}

CGeCurve3d* CGeTool3D::GetHead(CObList* list)
{
    if (!list || list->IsEmpty()) return nullptr;
    return AsCurve(list->RemoveHead());
}

CGeCurve3d* CGeTool3D::GetHeadInZmin(CObList* list)
{
    if (!list || list->IsEmpty()) return nullptr;
    double best = kFar;
    POSITION bestPos = nullptr;
    POSITION pos = list->GetHeadPosition();
    while (pos) {
        const POSITION cur = pos;
        CGeCurve3d* c = AsCurve(list->GetNext(pos));
        if (!c) continue;
        double s[3] = {0.0, 0.0, kFar};
        c->GetStartPoint(s);
        if (s[2] < best) best = s[2], bestPos = cur;
    }
    if (!bestPos) return nullptr;
    CGeCurve3d* c = AsCurve(list->GetAt(bestPos));
    list->RemoveAt(bestPos);
    return c;
}

void CGeTool3D::GetBox(CObList* shapes, BOX3<double>& box)
{
    if (!shapes || shapes->IsEmpty()) return;
    bool first = true;
    for (CObject* ob : *shapes) {
        auto* shape = dynamic_cast<CGeShape3d*>(ob);
        if (!shape) continue;
        BOX3<double> b;
        shape->GetBox(&b);
        if (first)
            box = b;
        else
            box.Union(b);
        first = false;
    }
}

void CGeTool3D::GetBox2d(CObList* shapes, BOX2<double>& box)
{
    if (!shapes || shapes->IsEmpty()) return;
    bool first = true;
    for (CObject* ob : *shapes) {
        auto* shape = dynamic_cast<CGeShape3d*>(ob);
        if (!shape) continue;
        BOX2<double> b;
        shape->GetBox2d(&b);
        if (first)
            box = b;
        else
            BOX2D_Union(&box, &b);
        first = false;
    }
}
