// Loop classification, orientation and ordering, region building and the
// position ranking of regions, loops and curves.
//
// Orientation convention: an outer loop runs counter-clockwise (positive
// cached area), a hole clockwise (negative). Every operation here keeps each
// loop in exactly one list, so that deleting a list never leaves a dangling
// pointer in another.
#include "geometry/algorithms/GeTool2D.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Box2D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/QvnMath.h"
#include "geometry/algorithms/PointGrid.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GeRegion.h"
#include "geometry/shapes2d/GeometryConst.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

using CurveList = CGeTool2D::CurveList;
using LoopList = CGeTool2D::LoopList;
using RegionList = CGeTool2D::RegionList;

// Containment tolerance of the nesting tests: practically exact.
constexpr double kNestTol = 1e-12;
// CreateRegion: duplicate loops are those matching within this.
constexpr double kSameLoopTol = 0.01;
// CreateRegion: a hole's box must lie in the outer loop's box within this.
constexpr double kHoleBoxTol = 0.0001;
// CreateRegion: tolerance of the hole's point test against the outer loop.
constexpr double kHolePointTol = 1e-6;
// Starting distance of the ranking walks.
constexpr double kFar = 1e12;
// Row overlap tolerance of RankCurve.
constexpr double kRowTol = 1e-6;
// RankCurve: a nearer same-row part wins up to this factor when it is better aligned.
constexpr double kRowSlack = 1.5;
// RankCurve: another row wins only when this many times nearer.
constexpr double kOtherRowFactor = 3.0;

BOX2<double> BoxOf(CGeShape2d* s)
{
    BOX2<double> b;
    b.InitEmpty();
    s->GetBox2d(&b);
    return b;
}

template <class T>
std::vector<T*> NonNull(const CTypedPtrList<CObList, T*>& list)
{
    std::vector<T*> v;
    v.reserve(static_cast<std::size_t>(list.GetCount()));
    for (T* x : list)
        if (x) v.push_back(x);
    return v;
}

template <class T>
void Refill(CTypedPtrList<CObList, T*>& list, const std::vector<T*>& v)
{
    list.RemoveAll();
    for (T* x : v) list.AddTail(x);
}

// An open chain: its area could not be computed (the 1e12 mark of EvArea)
// though it has display points. Open chains bound no area, so they never
// enter a region; they stay with the caller.
bool IsOpenLoop(const CGeLoop* l) { return l->HasDisplay() && l->m_dArea == gecon::kAreaNotComputed; }

// The sort key of SortLoopWithArea (NaN last).
double AreaKey(const CGeLoop* l, bool absolute)
{
    const double k = absolute ? std::fabs(l->m_dArea) : l->m_dArea;
    return std::isnan(k) ? -std::numeric_limits<double>::infinity() : k;
}

// Boxes filed by their lower left corners: the boxes that can lie inside a
// given box have their corner in it.
class BoxesByCorner {
public:
    explicit BoxesByCorner(const std::vector<BOX2<double>>& boxes) : m_boxes(boxes)
    {
        std::vector<CPointGrid::Entry> corners;
        corners.reserve(boxes.size());
        for (std::size_t i = 0; i < boxes.size(); ++i)
            corners.push_back({boxes[i].xmin, boxes[i].ymin, static_cast<std::uint32_t>(i)});
        m_grid.Build(corners, 0.0);
    }
    // Indices after `after` of the boxes inside outer within tol
    // (BOX2D_IsContain), in ascending order.
    const std::vector<std::uint32_t>& Inside(const BOX2<double>& outer, double tol, std::size_t after)
    {
        m_found.clear();
        m_grid.ForEachIn(outer.xmin - tol, outer.ymin - tol, outer.xmax + tol, outer.ymax + tol,
                         [&](std::uint32_t j) {
                             if (j > after && BOX2D_IsContain(outer, m_boxes[j], tol)) m_found.push_back(j);
                         });
        std::sort(m_found.begin(), m_found.end());
        return m_found;
    }

private:
    const std::vector<BOX2<double>>& m_boxes;
    CPointGrid m_grid;
    std::vector<std::uint32_t> m_found;
};

// The nesting rule of RefineRegionInLoop on a group held in a vector: keep[i]
// is set for the outer loop (index 0) and its direct holes; a loop inside a
// kept hole is a hole of a hole and is not kept.
std::vector<char> RefineGroup(const std::vector<CGeLoop*>& group)
{
    for (CGeLoop* l : group)
        if (l) l->SetUsedFlag(1);
    auto usable = [](CGeLoop* l) { return l && l->HasDisplay() && l->IsUsed(); };
    // IsContainLoop starts with the box test; large groups find the loops that
    // pass it through their boxes' corners instead of trying every pair.
    constexpr std::size_t kIndexedGroup = 16;
    if (group.size() > kIndexedGroup) {
        std::vector<BOX2<double>> boxes;
        boxes.reserve(group.size());
        for (CGeLoop* l : group) {
            BOX2<double> b;
            b.InitEmpty();
            if (l) l->GetBox2d(&b);
            boxes.push_back(b);
        }
        BoxesByCorner index(boxes);
        for (std::size_t i = 1; i < group.size(); ++i) {
            CGeLoop* h = group[i];
            if (!usable(h)) continue;
            for (const std::uint32_t j : index.Inside(boxes[i], kNestTol, i)) {
                CGeLoop* m = group[j];
                if (usable(m) && h->IsContainLoop(m, kNestTol)) m->SetUsedFlag(0);
            }
        }
    } else {
        for (std::size_t i = 1; i < group.size(); ++i) {
            CGeLoop* h = group[i];
            if (!usable(h)) continue;
            for (std::size_t j = i + 1; j < group.size(); ++j) {
                CGeLoop* m = group[j];
                if (usable(m) && h->IsContainLoop(m, kNestTol)) m->SetUsedFlag(0);
            }
        }
    }
    std::vector<char> keep(group.size(), 0);
    for (std::size_t i = 0; i < group.size(); ++i) keep[i] = group[i] && group[i]->IsUsed() ? 1 : 0;
    return keep;
}

// The row-aware nearest walk of RankCurve over non-null shapes; p moves along
// to the end point of the last placed one. Shapes that no rule can place
// (non-finite positions) follow in their input order.
template <class T>
std::vector<T*> RankWalk(std::vector<T*> rest, double* p)
{
    std::vector<T*> result;
    result.reserve(rest.size());
    bool placed = false;
    BOX2<double> last;
    last.InitEmpty();
    while (!rest.empty()) {
        std::ptrdiff_t same = -1, other = -1;
        double sameDist = kFar, sameDx = 0.0, otherDist = kFar;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            double s[2] = {0.0, 0.0};
            rest[i]->GetStartPoint(s);
            const double d = P2D_Dist(p, s), dx = std::fabs(p[0] - s[0]);
            bool sameRow = !placed;
            if (placed) {
                const BOX2<double> b = BoxOf(rest[i]);
                sameRow = QVN_Math::ChkIntInt(b.ymin, b.ymax, last.ymin, last.ymax, kRowTol) == 1;
            }
            if (sameRow) {
                const double bound = sameDist;
                if (d < bound || (placed && d < kRowSlack * bound && dx < sameDx)) {
                    same = static_cast<std::ptrdiff_t>(i);
                    sameDist = d;
                    sameDx = dx;
                }
            } else if (d < otherDist) {
                other = static_cast<std::ptrdiff_t>(i);
                otherDist = d;
            }
        }
        std::ptrdiff_t pick = same;
        if (same < 0 || (other >= 0 && kOtherRowFactor * otherDist < sameDist)) pick = other;
        if (pick < 0) break;
        T* chosen = rest[static_cast<std::size_t>(pick)];
        rest.erase(rest.begin() + pick);
        result.push_back(chosen);
        chosen->GetEndPoint(p);
        last = BoxOf(chosen);
        placed = true;
    }
    result.insert(result.end(), rest.begin(), rest.end());
    return result;
}

// The lower left corner of the boxes (each recomputed first).
template <class T>
void LowerLeft(const std::vector<T*>& v, double* p)
{
    p[0] = p[1] = kFar;
    for (T* x : v) {
        x->CalcBox2d();
        const BOX2<double> b = BoxOf(x);
        p[0] = std::min(p[0], b.xmin);
        p[1] = std::min(p[1], b.ymin);
    }
}

// Computes every loop's cached area (at the curve discretisation tolerance)
// and its box.
void CacheAreasAndBoxes(LoopList* loops)
{
    const double tol = gGetCrvDiscTol();
    for (CGeLoop* l : *loops) {
        if (!l) continue;
        l->EvArea(tol);
        l->CalcBox2d();
    }
}

// Ends a region under construction: an empty one is deleted, any other gets
// its box and joins the list.
void FinishRegion(CGeRegion*& region, RegionList* regions)
{
    if (!region) return;
    if (region->IsEmpty()) {
        delete region;
    } else {
        region->CalcBox2d();
        regions->AddTail(region);
    }
    region = nullptr;
}

// Whether hole (not outer) belongs to region: inside the box of the region's
// first loop and with its start inside that loop; a start on the outer loop is
// decided by the hole's display point at 2n/3.
bool FitsRegion(CGeRegion* region, CGeLoop* hole)
{
    if (!region || region->IsEmpty()) return false;
    CGeLoop* outer = region->GetLoopList().GetHead();
    if (!outer) return false;
    const BOX2<double> ob = BoxOf(outer), hb = BoxOf(hole);
    if (!BOX2D_IsContain(ob, hb, kHoleBoxTol)) return false;
    double p[2] = {0.0, 0.0};
    hole->GetStartPoint(p);
    int where = outer->IsPtInLoop(p, kHolePointTol);
    if (where == 2 && hole->HasDisplay()) {
        const int n = hole->GetSWPointCount();
        double q[2] = {hole->GetSWPoint()[2 * n / 3][0], hole->GetSWPoint()[2 * n / 3][1]};
        where = outer->IsPtInLoop(q, kHolePointTol);
    }
    return where == 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Classification and duplicates

void CGeTool2D::ClassifyLoop(LoopList* in, LoopList* open, LoopList* closed, double tol)
{
    if (!in || in->IsEmpty() || !open || !closed) return;
    POSITION pos = in->GetHeadPosition();
    while (pos) {
        const POSITION cur = pos;
        CGeLoop* loop = in->GetNext(pos);
        if (!loop) continue;
        in->RemoveAt(cur);
        (loop->IsLoop(tol) ? closed : open)->AddTail(loop);
    }
}

void CGeTool2D::DelSameLoop(LoopList* loops, double tol)
{
    if (!loops || loops->IsEmpty()) return;
    const std::vector<CGeLoop*> v = NonNull(*loops);
    std::vector<BOX2<double>> boxes;
    boxes.reserve(v.size());
    for (CGeLoop* l : v) {
        l->CGeShape2d::SetExtData(0);
        boxes.push_back(BoxOf(l));
    }
    auto near = [tol](double a, double b) { return std::fabs(a - b) < tol; };
    // A duplicate's lower left corner lies within tol of the loop's: the
    // candidates come from a grid of corners. Loops are still taken in list
    // order and each marks only later ones, so the first of a set survives.
    std::vector<CPointGrid::Entry> corners;
    corners.reserve(v.size());
    for (std::size_t i = 0; i < v.size(); ++i)
        corners.push_back({boxes[i].xmin, boxes[i].ymin, static_cast<std::uint32_t>(i)});
    CPointGrid grid;
    grid.Build(corners, tol);
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i]->GetExtData()) continue;
        const BOX2<double>& a = boxes[i];
        grid.ForEachIn(a.xmin - tol, a.ymin - tol, a.xmin + tol, a.ymin + tol, [&](std::uint32_t j) {
            if (j <= i || v[j]->GetExtData()) return;
            const BOX2<double>& b = boxes[j];
            if (near(a.xmin, b.xmin) && near(a.ymin, b.ymin) && near(a.xmax, b.xmax) && near(a.ymax, b.ymax) &&
                near(std::fabs(v[i]->m_dArea), std::fabs(v[j]->m_dArea)))
                v[j]->CGeShape2d::SetExtData(1);
        });
    }
    POSITION pos = loops->GetHeadPosition();
    while (pos) {
        const POSITION cur = pos;
        CGeLoop* l = loops->GetNext(pos);
        if (l && l->GetExtData()) {
            loops->RemoveAt(cur);
            delete l;
        }
    }
}

// ---------------------------------------------------------------------------
// Orientation and ordering

void CGeTool2D::SortLoopWithArea(LoopList* loops, bool byAbsoluteArea)
{
    if (!loops || loops->GetCount() < 2) return;
    std::vector<CGeLoop*> v = NonNull(*loops);
    // Descending and stable: the insertion rule "before the first strictly smaller key".
    std::stable_sort(v.begin(), v.end(), [byAbsoluteArea](const CGeLoop* a, const CGeLoop* b) {
        return AreaKey(a, byAbsoluteArea) > AreaKey(b, byAbsoluteArea);
    });
    Refill(*loops, v);
}

void CGeTool2D::RefineRegionInLoop(LoopList* group, LoopList* out)
{
    if (!group || !out) return;
    std::vector<CGeLoop*> v;
    v.reserve(static_cast<std::size_t>(group->GetCount()));
    for (CGeLoop* l : *group) v.push_back(l);
    const std::vector<char> keep = RefineGroup(v);
    // The kept loops move to out; the others stay in group.
    POSITION pos = group->GetHeadPosition();
    std::size_t i = 0;
    while (pos) {
        const POSITION cur = pos;
        CGeLoop* l = group->GetNext(pos);
        if (keep[i++]) {
            group->RemoveAt(cur);
            out->AddTail(l);
        }
    }
}

void CGeTool2D::ReSortLoop(LoopList* loops)
{
    if (!loops || loops->IsEmpty()) return;
    const double tol = gGetCrvDiscTol();
    for (CGeLoop* l : *loops) {
        if (!l) continue;
        l->EvArea(tol);
        l->CalcBox2d();
        l->m_bReversed = 0;
    }
    if (loops->GetCount() == 1) {
        CGeLoop* l = loops->GetHead();
        if (l && !IsOpenLoop(l)) {
            if (l->m_dArea < 0.0) l->Reverse(true);
            l->SetOuterFlag();
        }
        return;
    }
    // Open chains keep their direction and flags and follow the result.
    std::vector<CGeLoop*> open;
    std::vector<CGeLoop*> v;
    for (CGeLoop* l : NonNull(*loops)) (IsOpenLoop(l) ? open : v).push_back(l);
    std::stable_sort(v.begin(), v.end(), [](const CGeLoop* a, const CGeLoop* b) {
        return AreaKey(a, true) > AreaKey(b, true);
    });
    std::vector<char> inR(v.size(), 0);
    std::vector<CGeLoop*> result;
    result.reserve(v.size());
    std::vector<CGeLoop*> group;
    std::vector<std::size_t> groupIndex;
    // IsContainLoop starts with this box test: only the loops whose boxes lie
    // in the outer loop's box are tried, found by their boxes' corners.
    std::vector<BOX2<double>> boxes;
    boxes.reserve(v.size());
    for (CGeLoop* l : v) boxes.push_back(BoxOf(l));
    BoxesByCorner inside(boxes);
    for (std::size_t i = 0; i < v.size(); ++i) {
        CGeLoop* outer = v[i];
        if (inR[i] || !outer->HasDisplay()) continue;
        if (outer->m_dArea < 0.0) outer->Reverse(true);
        group.assign(1, outer);
        groupIndex.assign(1, i);
        for (const std::uint32_t j : inside.Inside(boxes[i], kNestTol, i)) {
            CGeLoop* m = v[j];
            if (inR[j] || !m->HasDisplay() || !outer->IsContainLoop(m, kNestTol)) continue;
            if (m->m_dArea > 0.0) m->Reverse(true);
            group.push_back(m);
            groupIndex.push_back(j);
        }
        // Holes of holes stay out here and come round later as outer loops.
        const std::vector<char> keep = RefineGroup(group);
        for (std::size_t k = 0; k < group.size(); ++k) {
            if (!keep[k]) continue;
            result.push_back(group[k]);
            inR[groupIndex[k]] = 1;
        }
    }
    for (CGeLoop* l : result) {
        if (l->m_dArea > 0.0)
            l->SetOuterFlag();
        else
            l->SetInnerFlag();
    }
    // Every loop with display points is in the result (each one is visited as
    // an outer loop unless taken before); the others, which no caller holds
    // any more, are freed here.
    for (std::size_t i = 0; i < v.size(); ++i)
        if (!inR[i]) delete v[i];
    result.insert(result.end(), open.begin(), open.end());
    Refill(*loops, result);
}

// ---------------------------------------------------------------------------
// Regions

void CGeTool2D::CreateRegion(LoopList* loops, RegionList* regions)
{
    if (!loops || loops->IsEmpty() || !regions) return;
    // Duplicates are told apart by their areas, so the areas must be there
    // first: a fresh loop's cache still holds 0.
    CacheAreasAndBoxes(loops);
    // Open chains stay out of the duplicate removal and the regions.
    LoopList open;
    POSITION at = loops->GetHeadPosition();
    while (at) {
        const POSITION cur = at;
        CGeLoop* l = loops->GetNext(at);
        if (l && IsOpenLoop(l)) {
            loops->RemoveAt(cur);
            open.AddTail(l);
        }
    }
    DelSameLoop(loops, kSameLoopTol);
    ReSortLoop(loops);

    CGeRegion* current = nullptr;
    POSITION pos = loops->GetHeadPosition();
    while (pos) {
        const POSITION cur = pos;
        CGeLoop* l = loops->GetNext(pos);
        if (!l) continue;
        if (l->m_dArea > 0.0) {
            FinishRegion(current, regions);
            current = new CGeRegion;
            current->GetLoopList().AddTail(l);
            loops->RemoveAt(cur);
        } else if (FitsRegion(current, l)) {
            current->GetLoopList().AddTail(l);
            loops->RemoveAt(cur);
        }
    }
    FinishRegion(current, regions);
    loops->AddTail(&open);
    RankRegionPosition(regions);
}

void CGeTool2D::CreateRegionAtFast(LoopList* loops, RegionList* regions)
{
    if (!loops || loops->IsEmpty() || !regions) return;
    ReSortLoop(loops);
    CGeRegion* current = nullptr;
    POSITION pos = loops->GetHeadPosition();
    while (pos) {
        const POSITION cur = pos;
        CGeLoop* l = loops->GetNext(pos);
        if (!l || IsOpenLoop(l)) continue;
        if (l->m_dArea > 0.0) {
            FinishRegion(current, regions);
            current = new CGeRegion;
        }
        if (current) {
            current->GetLoopList().AddTail(l);
            loops->RemoveAt(cur);
        }
    }
    FinishRegion(current, regions);
}

void CGeTool2D::CreateRegionInSelfDir(LoopList* loops, RegionList* regions)
{
    if (!loops || loops->IsEmpty() || !regions) return;
    CacheAreasAndBoxes(loops);
    SortLoopWithArea(loops, false);
    std::vector<CGeLoop*> group;
    LoopList open;
    while (!loops->IsEmpty()) {
        CGeLoop* head = loops->RemoveHead();
        if (!head) continue;
        if (IsOpenLoop(head)) {
            open.AddTail(head);
            continue;
        }
        if (head->m_dArea < 0.0) {
            delete head;
            continue;
        }
        group.assign(1, head);
        for (CGeLoop* m : *loops)
            if (m && m->HasDisplay() && !(m->m_dArea > 0.0) && head->IsContainLoop(m, kNestTol)) group.push_back(m);
        const std::vector<char> keep = RefineGroup(group);
        auto* region = new CGeRegion;
        for (std::size_t k = 0; k < group.size(); ++k) {
            if (!keep[k]) continue;
            if (k > 0) {
                POSITION at = loops->Find(group[k]);
                if (at) loops->RemoveAt(at);
            }
            region->GetLoopList().AddTail(group[k]);
        }
        FinishRegion(region, regions);
    }
    loops->AddTail(&open);
}

// ---------------------------------------------------------------------------
// Ranking

void CGeTool2D::RankRegionPosition(RegionList* regions)
{
    if (regions && !regions->IsEmpty()) RankRegionListNearest(regions);
}

void CGeTool2D::RankRegionListNearest(RegionList* regions)
{
    if (!regions || regions->IsEmpty()) return;
    BOX2<double> all;
    all.InitEmpty();
    GetBox(regions, all);
    double p[2] = {all.xmin, all.ymin};
    const std::vector<CGeRegion*> v = NonNull(*regions);
    // Each step takes the region whose lower left corner is nearest to the
    // last one taken (the first in list order on equal distances, none
    // farther than kFar), found through a grid of the corners.
    std::vector<CPointGrid::Entry> corners;
    corners.reserve(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
        const BOX2<double> b = BoxOf(v[i]);
        corners.push_back({b.xmin, b.ymin, static_cast<std::uint32_t>(i)});
    }
    CPointGrid grid;
    grid.Build(corners, 0.0);
    std::vector<char> placed(v.size(), 0);
    std::vector<CGeRegion*> result;
    result.reserve(v.size());
    auto live = [&](std::uint32_t i) { return !placed[i]; };
    auto dist = [&](std::uint32_t i) {
        const double corner[2] = {corners[i].x, corners[i].y};
        return P2D_Dist(p, corner);
    };
    std::uint32_t pick = 0;
    while (result.size() < v.size() && grid.Nearest(p[0], p[1], kFar, live, dist, pick)) {
        placed[pick] = 1;
        result.push_back(v[pick]);
        p[0] = corners[pick].x;
        p[1] = corners[pick].y;
    }
    // What no step could reach (non-finite boxes) follows in list order.
    for (std::size_t i = 0; i < v.size(); ++i)
        if (!placed[i]) result.push_back(v[i]);
    Refill(*regions, result);
    for (CGeRegion* r : result) RankRegionNearest(r);
}

void CGeTool2D::RankRegionNearest(CGeRegion* region)
{
    if (!region || region->GetLoopList().GetCount() < 2) return;
    std::vector<CGeLoop*> v = NonNull(region->GetLoopList());
    if (v.empty()) return;
    LoopList holes;
    for (std::size_t i = 1; i < v.size(); ++i) holes.AddTail(v[i]);
    RankLoopPosition(&holes);
    LoopList& list = region->GetLoopList();
    list.RemoveAll();
    list.AddTail(v[0]);
    list.AddTail(&holes);
}

void CGeTool2D::RankLoopListNearest(LoopList* loops) { RankLoopPosition(loops); }

void CGeTool2D::RankLoopPosition(LoopList* loops)
{
    if (!loops || loops->IsEmpty()) return;
    double p[2];
    LowerLeft(NonNull(*loops), p);
    RankLoopPosition(loops, p);
}

void CGeTool2D::RankLoopPosition(LoopList* loops, double* start)
{
    if (!loops || !start) return;
    Refill(*loops, RankWalk(NonNull(*loops), start));
}

void CGeTool2D::RankCurve(CurveList* curves)
{
    if (!curves || curves->IsEmpty()) return;
    double p[2];
    LowerLeft(NonNull(*curves), p);
    RankCurve(curves, p);
}

void CGeTool2D::RankCurve(CurveList* curves, double* start)
{
    if (!curves || curves->IsEmpty() || !start) return;
    Refill(*curves, RankWalk(NonNull(*curves), start));
}
