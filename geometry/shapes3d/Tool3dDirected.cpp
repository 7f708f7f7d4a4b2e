// Directed chaining (head to tail, z first), branch-to-branch composites of axis
// curves and out-and-back paths over branching curve sets, members of CGeTool3D.
//
// The directed chainers and CreateLinkedCurve collect their chains privately and
// hand them over only when the call ends without a cancel: a cancel gives every
// chained input curve back to the input list and keeps the loops held before.
#include "geometry/shapes3d/GeTool3D.h"

#include "framework/numerak/Box2D.h"
#include "framework/numerak/Plane3D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Point3D.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes3d/ChainWork3d.h"
#include "geometry/shapes3d/EndHash3d.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeLoop3d.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// Fixed tolerances of the directed chainers: grid form and plain form.
constexpr double kGridTol = 0.0002;
constexpr double kPlainTol = 0.002;
// The grid form needs this many curves over at least this extent.
constexpr int kGridMinCurves = 10;
constexpr double kGridMinExtent = 2.0;
// A start farther than this many tolerances past p in one coordinate is passed early.
constexpr double kZFirstReach = 5.0;
// Start values of the z searches.
constexpr double kNoRise = -1000000.0;
constexpr double kNoZ = 1e12;
constexpr double kNoTopZ = -1000000.0;
// End tolerance of AxisCrvToComCrv.
constexpr double kAxisEps = 0.00001;
// A member whose end lies farther than this (XY) from the path's end is not walked back.
constexpr double kRecedeReach = 1.0;

// Marks of AxisCrvToComCrv in m_nFlags.
constexpr int kFree = 0;
constexpr int kStartBlocked = 1;
constexpr int kEndBlocked = 2;
constexpr int kBothBlocked = 3;
constexpr int kTakenFlag = -1;
// CreateLinkedCurve: walked back.
constexpr int kWalkedBack = 1;

std::uintptr_t TakenMark(CGeCurve3d* c) { return reinterpret_cast<std::uintptr_t>(c); }

// Gives every member of the call's loops back to curves (those in copies are the
// call's own and are deleted), then deletes the loops.
void UndoLoops(CGeLoop3dList& made, CGeCurve3dList* curves, const std::unordered_set<CGeCurve3d*>* copies = nullptr)
{
    while (!made.IsEmpty()) {
        CGeLoop3d* loop = made.RemoveHead();
        for (CGeCurve3d* m : loop->m_listCurve) {
            if (!m) continue;
            if (copies && copies->count(m))
                delete m;
            else
                curves->AddTail(m);
        }
        loop->m_listCurve.RemoveAll();
        delete loop;
    }
}

void EndTangent(CGeCurve3d* c, double* p, double* dir)
{
    P3D_Set(dir, 0.0, 0.0, 0.0);
    c->GetEndPoint(p);
    c->GetEndTanVec(dir);
}

}  // namespace

int AddUniqueCurve3dNode(CList<Curve3dNode, const Curve3dNode&>& list, const Curve3dNode& node)
{
    for (const Curve3dNode& n : list)
        if (n.curve == node.curve) return 0;
    list.AddTail(node);
    return 1;
}

// ---------------------------------------------------------------------------
// Bucket grid

void CGeTool3D::CellOf(const double* p, int& col, int& row) const
{
    auto index = [](double v, double lo, double size) {
        const double q = (v - lo) / size;
        if (!(q > 0.0)) return 0;  // also NaN and a zero size
        if (q >= kGridCells - 1) return kGridCells - 1;
        return static_cast<int>(q);
    };
    col = index(p[0], m_box.xmin, m_dCellWidth);
    row = index(p[1], m_box.ymin, m_dCellHeight);
}

CGeCurve3dList& CGeTool3D::Bucket(int col, int row) { return m_pGrid[col][row]; }

void CGeTool3D::InitSearchList(std::vector<CGeCurve3d*>& curves)
{
    if (!m_pGrid) {
        m_pGrid = new CGeCurve3dList*[kGridCells];
        for (int i = 0; i < kGridCells; ++i) m_pGrid[i] = new CGeCurve3dList[kGridCells];
    }
    for (int c = 0; c < kGridCells; ++c)
        for (int r = 0; r < kGridCells; ++r) m_pGrid[c][r].RemoveAll();
    for (CGeCurve3d* curve : curves) {
        if (!curve) continue;
        curve->m_nExtData = 0;
        double s[3] = {0.0, 0.0, 0.0};
        curve->GetStartPoint(s);
        int col = 0, row = 0;
        CellOf(s, col, row);
        Bucket(col, row).AddTail(curve);
    }
}

void CGeTool3D::SetRectList(double* p, double tol, CGeCurve3dList** cells)
{
    int col = 0, row = 0;
    CellOf(p, col, row);
    BOX2<double> around(p[0] - tol, p[1] - tol, p[0] + tol, p[1] + tol);
    int k = 0;
    for (int dc = -1; dc <= 1; ++dc) {
        for (int dr = -1; dr <= 1; ++dr, ++k) {
            const int c = col + dc, r = row + dr;
            cells[k] = nullptr;
            if (c < 0 || c >= kGridCells || r < 0 || r >= kGridCells) continue;
            if (dc != 0 || dr != 0) {
                const double x0 = m_box.xmin + c * m_dCellWidth, y0 = m_box.ymin + r * m_dCellHeight;
                BOX2<double> cell(x0, y0, x0 + m_dCellWidth, y0 + m_dCellHeight);
                if (BOX2D_IsInt(&around, &cell, tol) != 1) continue;
            }
            cells[k] = &Bucket(c, r);
        }
    }
}

CGeCurve3d* CGeTool3D::SearchNextForZFirst(CGeCurve3dList** cells, double* p, double tol)
{
    double bestRise = kNoRise;
    CGeCurve3d* best = nullptr;
    CGeCurve3dList* bestList = nullptr;
    POSITION bestPos = nullptr;
    BOX3<double> box;
    for (int k = 0; k < 9; ++k) {
        CGeCurve3dList* list = cells[k];
        if (!list) continue;
        POSITION pos = list->GetHeadPosition();
        while (pos) {
            const POSITION cur = pos;
            CGeCurve3d* c = list->GetNext(pos);
            if (!c) continue;
            if (c->m_nExtData != 0) {  // taken meanwhile
                list->RemoveAt(cur);
                continue;
            }
            c->GetBox(&box);
            if (BOX3D_IsP3DIn(&box, p, tol) != 1) continue;
            double s[3] = {0.0, 0.0, 0.0}, e[3] = {0.0, 0.0, 0.0};
            c->GetStartPoint(s);
            const double reach = kZFirstReach * tol;
            if (s[0] - p[0] > reach || s[1] - p[1] > reach || s[2] - p[2] > reach) continue;
            if (P3D_Dist(p, s) > tol) continue;
            c->GetEndPoint(e);
            const double rise = std::fabs(e[2] - p[2]);
            if (!(rise > bestRise)) continue;
            bestRise = rise;
            best = c, bestList = list, bestPos = cur;
        }
    }
    if (!best) return nullptr;
    bestList->RemoveAt(bestPos);
    best->m_nExtData = TakenMark(best);
    return best;
}

CGeCurve3d* CGeTool3D::SearchNextForZFirst(CGeCurve3dList* curves, double* p, double tol)
{
    if (!curves || curves->IsEmpty() || !p) return nullptr;
    CChainWork3d work(curves, true, tol, false);
    return work.TakeZFirst(p, tol);
}

CGeCurve3d* CGeTool3D::GetHeadInZmin(std::vector<CGeCurve3d*>& curves, std::size_t& position)
{
    for (; position < curves.size(); ++position) {
        CGeCurve3d* c = curves[position];
        curves[position] = nullptr;
        if (!c || c->m_nExtData != 0) continue;
        c->m_nExtData = TakenMark(c);
        ++position;
        return c;
    }
    return nullptr;
}

CGeCurve3d* CGeTool3D::GetHeadInZmin(CGeCurve3dList* lists, int count)
{
    if (!lists) return nullptr;
    double best = kNoZ;
    CGeCurve3dList* bestList = nullptr;
    POSITION bestPos = nullptr;
    for (int i = 0; i < count; ++i) {
        POSITION pos = lists[i].GetHeadPosition();
        while (pos) {
            const POSITION cur = pos;
            CGeCurve3d* c = lists[i].GetNext(pos);
            if (!c) continue;
            double s[3] = {0.0, 0.0, kNoZ};
            c->GetStartPoint(s);
            if (s[2] < best) best = s[2], bestList = &lists[i], bestPos = cur;
        }
    }
    if (!bestList) return nullptr;
    CGeCurve3d* c = bestList->GetAt(bestPos);
    bestList->RemoveAt(bestPos);
    return c;
}

// ---------------------------------------------------------------------------
// Directed chaining

void CGeTool3D::CreateLoop3dForClearCorner(CGeCurve3dList* curves, double, CGeLoop3dList* loops)
{
    if (!curves || curves->IsEmpty() || !loops) return;
    m_box.InitEmpty();
    GetBox(curves, m_box);
    const double w = std::fabs(m_box.xmax - m_box.xmin), h = std::fabs(m_box.ymax - m_box.ymin);
    if (curves->GetCount() < kGridMinCurves || !(std::max(w, h) >= kGridMinExtent)) {
        CreateLoop3dForClearCorner1(curves, loops);
        return;
    }

    // The entries with their list positions; a curve listed twice keeps its first entry.
    std::vector<CGeCurve3d*> sorted;
    std::unordered_map<CGeCurve3d*, POSITION> where;
    POSITION pos = curves->GetHeadPosition();
    while (pos) {
        const POSITION cur = pos;
        CGeCurve3d* c = curves->GetNext(pos);
        if (!c) continue;
        if (!where.emplace(c, cur).second) {
            curves->RemoveAt(cur);
            continue;
        }
        sorted.push_back(c);
    }
    // Stable, so that equal heights keep the list order (the plain form's tie rule).
    std::stable_sort(sorted.begin(), sorted.end(), [](CGeCurve3d* a, CGeCurve3d* b) {
        double sa[3] = {0.0, 0.0, 0.0}, sb[3] = {0.0, 0.0, 0.0};
        a->GetStartPoint(sa);
        b->GetStartPoint(sb);
        return sa[2] < sb[2];
    });
    m_dCellWidth = w / kGridCells;
    m_dCellHeight = h / kGridCells;
    InitSearchList(sorted);
    auto takeOut = [&](CGeCurve3d* c) { curves->RemoveAt(where[c]); };

    CGeLoop3dList made;
    bool cancelled = false;
    std::size_t position = 0;
    CGeCurve3dList* cells[9];
    for (;;) {
        if (gIsProgressCancel()) {
            cancelled = true;
            break;
        }
        CGeCurve3d* seed = GetHeadInZmin(sorted, position);
        if (!seed) break;
        takeOut(seed);
        auto* loop = new CGeLoop3d;
        loop->AddTail(seed);
        made.AddTail(loop);
        double p[3] = {0.0, 0.0, 0.0};
        seed->GetEndPoint(p);
        SetRectList(p, kGridTol, cells);
        for (;;) {
            if (gIsProgressCancel()) {
                cancelled = true;
                break;
            }
            CGeCurve3d* next = SearchNextForZFirst(cells, p, kGridTol);
            if (!next) break;
            takeOut(next);
            next->GetEndPoint(p);
            SetRectList(p, kGridTol, cells);
            loop->AddTail(next);
        }
        if (cancelled) break;
    }
    if (cancelled) {
        UndoLoops(made, curves);
        return;
    }
    loops->AddTail(&made);
}

void CGeTool3D::CreateLoop3dForClearCorner1(CGeCurve3dList* curves, CGeLoop3dList* loops)
{
    if (!curves || curves->IsEmpty() || !loops) return;
    CChainWork3d work(curves, true, kPlainTol, false);
    CQProgress progress;
    const double step = work.Count() > 0 ? 1.0 / static_cast<double>(work.Count()) : 0.0;
    CGeLoop3dList made;
    bool cancelled = false;
    for (;;) {
        if (gIsProgressCancel()) {
            cancelled = true;
            break;
        }
        CGeCurve3d* seed = work.TakeLowestStart();
        if (!seed) break;
        progress.SetRange(step);
        auto* loop = new CGeLoop3d;
        loop->AddTail(seed);
        made.AddTail(loop);
        double p[3] = {0.0, 0.0, 0.0};
        seed->GetEndPoint(p);
        for (;;) {
            if (gIsProgressCancel()) {
                cancelled = true;
                break;
            }
            CGeCurve3d* next = work.TakeZFirst(p, kPlainTol);
            if (!next) break;
            next->GetEndPoint(p);
            loop->AddTail(next);
        }
        if (cancelled) break;
    }
    if (cancelled) {
        UndoLoops(made, curves);
        return;
    }
    loops->AddTail(&made);
}

// ---------------------------------------------------------------------------
// Branch-to-branch composites

CGeCurve3d* CGeTool3D::SearchSingleNeighbor(double* p, const std::vector<CGeCurve3d*>& candidates, double tol)
{
    CList<Curve3dNode, const Curve3dNode&> nodes;
    BOX2<double> box;
    for (CGeCurve3d* c : candidates) {
        if (!c || c->m_nFlags == kTakenFlag || c->m_nFlags == kBothBlocked) continue;
        c->GetBox2d(&box);
        if (BOX2D_IsPtIn(&box, p, tol) != 1) continue;
        double s[3] = {0.0, 0.0, 0.0}, e[3] = {0.0, 0.0, 0.0};
        c->GetStartPoint(s);
        c->GetEndPoint(e);
        const bool testStart = c->m_nFlags != kStartBlocked, testEnd = c->m_nFlags != kEndBlocked;
        const double ds = P2D_Dist(p, s), de = P2D_Dist(p, e);
        const bool startTouches = testStart && ds <= tol, endTouches = testEnd && de <= tol;
        if (!startTouches && !endTouches) continue;
        Curve3dNode node;
        node.curve = c;
        node.atStart = startTouches && (!endTouches || ds <= de) ? 1 : 0;
        node.dist = node.atStart ? ds : de;
        AddUniqueCurve3dNode(nodes, node);
    }
    if (nodes.IsEmpty()) return nullptr;
    if (nodes.GetCount() == 1) {
        const Curve3dNode node = nodes.GetHead();
        node.curve->m_nFlags = kTakenFlag;
        auto* copy = dynamic_cast<CGeCurve3d*>(node.curve->Copy());
        if (copy && !node.atStart) copy->Reverse();
        return copy;
    }
    // A junction: the composite ends here and these ends are not used again.
    for (const Curve3dNode& node : nodes) node.curve->m_nFlags |= node.atStart ? kStartBlocked : kEndBlocked;
    return nullptr;
}

void CGeTool3D::AxisCrvToComCrv(CGeCurve3dList* curves, CGeCurve3dList* out)
{
    if (!curves || curves->IsEmpty() || !out) return;
    // Every curve is filed under its two end points in XY (z = 0); a search reads the
    // curves with an end within eps of the point, which are the only ones the
    // neighbour test can accept, so the result does not depend on the cells.
    std::vector<CGeCurve3d*> items;
    std::unordered_set<CGeCurve3d*> seen;
    for (CGeCurve3d* c : *curves)
        if (c && seen.insert(c).second) items.push_back(c);
    std::vector<CEndHash3d::Entry> entries;
    entries.reserve(2 * items.size());
    std::vector<double> topZ(items.size());
    for (std::uint32_t i = 0; i < items.size(); ++i) {
        CGeCurve3d* c = items[i];
        c->m_nFlags = kFree;
        double s[3] = {0.0, 0.0, 0.0}, e[3] = {0.0, 0.0, 0.0};
        c->GetStartPoint(s);
        c->GetEndPoint(e);
        topZ[i] = s[2];
        entries.push_back({{s[0], s[1], 0.0}, i});
        entries.push_back({{e[0], e[1], 0.0}, i});
    }
    CEndHash3d hash;
    hash.Build(entries, 4.0 * kAxisEps);
    // Seeds by highest start z, the earliest on ties.
    std::vector<std::uint32_t> seeds;
    for (std::uint32_t i = 0; i < items.size(); ++i)
        if (topZ[i] > kNoTopZ) seeds.push_back(i);
    std::stable_sort(seeds.begin(), seeds.end(), [&](std::uint32_t a, std::uint32_t b) { return topZ[a] > topZ[b]; });

    std::vector<std::uint32_t> ids;
    std::vector<CGeCurve3d*> near;
    auto neighbour = [&](double* p) {
        ids.clear();
        const double q[3] = {p[0], p[1], 0.0};
        hash.Near(q, kAxisEps * (1.0 + 1e-6) + 1e-12 * (std::fabs(p[0]) + std::fabs(p[1])), ids);
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        near.clear();
        for (std::uint32_t id : ids) near.push_back(items[id]);
        return SearchSingleNeighbor(p, near, kAxisEps);
    };

    std::size_t next = 0;
    for (;;) {
        if (gIsProgressCancel()) break;
        while (next < seeds.size() && items[seeds[next]]->m_nFlags == kTakenFlag) ++next;
        if (next == seeds.size()) break;
        CGeCurve3d* seed = items[seeds[next]];
        auto* comb = new CGeCombCurve3d;
        if (auto* copy = dynamic_cast<CGeCurve3d*>(seed->Copy())) comb->m_listCurve.AddTail(copy);
        const bool blocked = seed->m_nFlags == kBothBlocked;
        seed->m_nFlags = kTakenFlag;
        if (!blocked && !comb->IsEmpty()) {
            int misses = 0;
            while (misses < 2) {
                double p[3] = {0.0, 0.0, 0.0};
                comb->GetEndPoint(p);
                if (CGeCurve3d* piece = neighbour(p)) {
                    comb->m_listCurve.AddTail(piece);
                } else if (misses++ == 0) {
                    comb->Reverse();
                }
            }
        }
        comb->SetExtData(kFree);
        comb->CalcBox();
        out->AddTail(comb);
    }
}

// ---------------------------------------------------------------------------
// Out-and-back paths

bool CGeTool3D::RecedeLinkCurve(CChainWork3d& work, CGeCurve3dList* curves, CGeLoop3d* loop, CGeCurve3d* curve,
                                double tol)
{
    // The walk is depth first over the branches; it runs on an explicit stack of list
    // positions (each walking the members present when its step began, from the last
    // towards the first), so that long paths need neither deep recursion nor copies
    // of the member list.
    std::vector<POSITION> stack;
    auto walkBack = [&](CGeCurve3d* c) {
        double ce[3] = {0.0, 0.0, 0.0}, le[3] = {0.0, 0.0, 0.0};
        c->GetEndPoint(ce);
        loop->GetEndPoint(le);
        if (P3D_Dist2D(ce, le) > kRecedeReach) return false;
        auto* back = dynamic_cast<CGeCurve3d*>(c->Copy());
        if (!back) return false;
        back->Reverse();
        loop->AddTail(back);
        c->m_nFlags = kWalkedBack;
        back->m_nFlags = kWalkedBack;
        back->m_nExtData = 1;  // a copy made here, not an input curve
        if (curves->IsEmpty()) return false;
        double p[3], dir[3];
        EndTangent(back, p, dir);
        for (;;) {
            int byStart = 1;
            CGeCurve3d* next = work.TakeLeastTurn(p, dir, tol, byStart);
            if (!next) break;
            if (byStart == 0) next->Reverse();
            loop->AddTail(next);
            EndTangent(next, p, dir);
        }
        stack.push_back(loop->m_listCurve.GetTailPosition());
        return true;
    };
    if (!walkBack(curve)) return false;
    while (!stack.empty()) {
        POSITION pos = stack.back();
        if (!pos) {
            stack.pop_back();
            continue;
        }
        CGeCurve3d* member = loop->m_listCurve.GetPrev(pos);
        stack.back() = pos;
        if (member && member->m_nFlags != kWalkedBack) walkBack(member);
    }
    return true;
}

void CGeTool3D::CreateLinkedCurve(CGeCurve3dList* curves, CGeLoop3dList* loops, bool bZmin, double tol)
{
    if (!curves || curves->IsEmpty() || !loops) return;
    for (CGeCurve3d* c : *curves)
        if (c) {
            c->m_nFlags = 0;
            c->m_nExtData = 0;
        }
    // The curves stay in the list until taken; the work set finds successors near a
    // point instead of scanning the list.
    CChainWork3d work(curves, true, tol, true);
    CGeLoop3dList made;
    bool cancelled = false;
    while (!curves->IsEmpty()) {
        if (gIsProgressCancel()) {
            cancelled = true;
            break;
        }
        CGeCurve3d* seed = bZmin ? work.TakeLowestStart() : work.TakeHead();
        if (!seed) break;
        auto* loop = new CGeLoop3d;
        loop->AddTail(seed);
        made.AddTail(loop);
        double p[3], dir[3];
        EndTangent(seed, p, dir);
        for (;;) {
            int byStart = 1;
            CGeCurve3d* next = work.TakeLeastTurn(p, dir, tol, byStart);
            if (!next) break;
            if (byStart == 0) next->Reverse();
            loop->AddTail(next);
            EndTangent(next, p, dir);
        }
        CGeCurve3d* last = loop->m_listCurve.GetTail();
        if (last && last->m_nFlags == 0) RecedeLinkCurve(work, curves, loop, last, tol);
        loop->SeperateComCurve();
    }
    if (cancelled) {
        // The reversed copies carry the extra data mark 1; input curves were cleared.
        std::unordered_set<CGeCurve3d*> copies;
        for (CGeLoop3d* loop : made)
            for (CGeCurve3d* m : loop->m_listCurve)
                if (m && m->m_nExtData == 1) copies.insert(m);
        UndoLoops(made, curves, &copies);
        return;
    }
    loops->AddTail(&made);
}
