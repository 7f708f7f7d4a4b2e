// Rankings of separate shapes for a processing sequence: by rows or columns
// (bands of boxes), by nesting, and by nearest next loop.
//
// Sort keys are kept in tables local to each call, never in the shapes'
// extra data words (a double does not fit a pointer-sized word on every
// target, and other operations use the word as scratch storage).
#include "geometry/algorithms/GeTool2D.h"

#include "framework/numerak/Box2D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/QvnMath.h"
#include "geometry/algorithms/PointGrid.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GeRegion.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Seed boxes that meet, or whose bands overlap, within this start one band.
constexpr double kBandSeedTol = 0.1;
// A band reaches the shapes beside it within a tenth of its seed's height
// (rows) or width (columns), and never less than this.
constexpr double kMinBandReach = 1.0;
// Inner ranking: a box counts as inside another within this.
constexpr double kInnerTol = 0.1;
// Starting distance of the nearest searches: nothing this far is taken.
constexpr double kFar = 1e12;

BOX2<double> BoxOf(CObject* ob)
{
    BOX2<double> b;
    b.InitEmpty();
    if (auto* s = dynamic_cast<CGeShape2d*>(ob)) s->GetBox2d(&b);
    return b;
}

// Start and end of a shape; a shape that is not a curve stands at its box centre.
void EndsOf(CObject* ob, double* s, double* e)
{
    if (auto* c = dynamic_cast<CGeCurve*>(ob)) {
        c->GetStartPoint(s);
        c->GetEndPoint(e);
        return;
    }
    const BOX2<double> b = BoxOf(ob);
    s[0] = e[0] = (b.xmin + b.xmax) / 2;
    s[1] = e[1] = (b.ymin + b.ymax) / 2;
}

// Removes the null entries of a list.
void DropNulls(CObList* list)
{
    POSITION pos = list->GetHeadPosition();
    while (pos) {
        const POSITION cur = pos;
        if (!list->GetNext(pos)) list->RemoveAt(cur);
    }
}

// The lower bound of a box along the band direction: y for rows, x for columns.
double Low(const BOX2<double>& b, bool rows) { return rows ? b.ymin : b.xmin; }
double High(const BOX2<double>& b, bool rows) { return rows ? b.ymax : b.xmax; }

}  // namespace

void CGeTool2D::GetBottommostOrLefttest(CObList* shapes, int bottom, CObList* out, BOX2<double>& box)
{
    if (!shapes || !out) return;
    DropNulls(shapes);
    if (shapes->IsEmpty()) return;
    const bool rows = bottom != 0;

    std::vector<CObject*> v;
    std::vector<BOX2<double>> boxes;
    v.reserve(static_cast<std::size_t>(shapes->GetCount()));
    boxes.reserve(v.capacity());
    for (CObject* ob : *shapes) {
        v.push_back(ob);
        boxes.push_back(BoxOf(ob));
    }
    // The lowest box and the one after it (strictly lower replaces; the first
    // box starts as both).
    std::size_t low = 0, second = 0;
    for (std::size_t i = 1; i < v.size(); ++i) {
        if (Low(boxes[i], rows) < Low(boxes[low], rows)) {
            second = low;
            low = i;
        } else if (Low(boxes[i], rows) < Low(boxes[second], rows)) {
            second = i;
        }
    }
    const BOX2<double>& l = boxes[low];
    const BOX2<double>& l2 = boxes[second];
    const double extent = rows ? l.ymax - l.ymin : l.xmax - l.xmin;
    const double reach = std::max(kMinBandReach, extent / 10);

    BOX2<double> band = l;
    if (BOX2D_IsInt(l, l2, kBandSeedTol)) {
        BOX2D_Union(band, l2);
    } else if (QVN_Math::ChkIntInt(Low(l, rows), High(l, rows), Low(l2, rows), High(l2, rows), kBandSeedTol)) {
        const double lo = std::min(Low(l, rows), Low(l2, rows)), hi = std::min(High(l, rows), High(l2, rows));
        (rows ? band.ymin : band.xmin) = lo;
        (rows ? band.ymax : band.xmax) = hi;
    }

    // Shapes beside the growing band first, then those level with it, each
    // pass in list order.
    std::vector<char> taken(v.size(), 0);
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (!BOX2D_IsInt(band, boxes[i], reach)) continue;
        taken[i] = 1;
        order.push_back(i);
        BOX2D_Union(band, boxes[i]);
    }
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (taken[i]) continue;
        if (QVN_Math::ChkIntInt(Low(band, rows), High(band, rows), Low(boxes[i], rows), High(boxes[i], rows),
                                kBandSeedTol)) {
            taken[i] = 1;
            order.push_back(i);
        }
    }
    // A seed without a usable box (empty or not finite) meets nothing; it
    // still leaves as a band of its own, so that callers emptying the list
    // band by band always advance.
    if (order.empty()) {
        taken[low] = 1;
        order.push_back(low);
    }

    shapes->RemoveAll();
    for (std::size_t i = 0; i < v.size(); ++i)
        if (!taken[i]) shapes->AddTail(v[i]);
    for (const std::size_t i : order) out->AddTail(v[i]);
    GetBox(out, box);
}

void CGeTool2D::RankCurveListInAxis(CObList* shapes, int columns, int byBoxCentre)
{
    if (!shapes) return;
    DropNulls(shapes);
    if (shapes->GetCount() < 2) return;

    CObList result;
    std::vector<std::pair<double, CObject*>> keyed;
    double z[2] = {0.0, 0.0};
    bool first = true;
    while (!shapes->IsEmpty()) {
        CObList band;
        BOX2<double> box;
        box.InitEmpty();
        GetBottommostOrLefttest(shapes, columns ? 0 : 1, &band, box);
        const double k1[2] = {box.xmin, box.ymin};
        const double k2[2] = {columns ? box.xmin : box.xmax, columns ? box.ymax : box.ymin};
        if (first || P2D_Dist(k1, z) < P2D_Dist(k2, z)) {
            z[0] = k1[0];
            z[1] = k1[1];
        } else {
            z[0] = k2[0];
            z[1] = k2[1];
        }
        first = false;

        keyed.clear();
        for (CObject* ob : band) {
            double p[2] = {0.0, 0.0}, e[2] = {0.0, 0.0};
            if (byBoxCentre) {
                const BOX2<double> b = BoxOf(ob);
                p[0] = (b.xmin + b.xmax) / 2;
                p[1] = (b.ymin + b.ymax) / 2;
            } else {
                EndsOf(ob, p, e);
            }
            keyed.emplace_back(P2D_Dist(z, p), ob);
        }
        // Ascending and stable: each shape goes before the first with a
        // strictly larger key.
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [key, ob] : keyed) result.AddTail(ob);
        double s[2] = {0.0, 0.0};
        EndsOf(result.GetTail(), s, z);
    }
    shapes->AddTail(&result);
}

void CGeTool2D::RankRegionListInAxis(RegionList* regions, int columns)
{
    RankCurveListInAxis(regions, columns, 1);
    if (!regions) return;
    for (CGeRegion* r : *regions) RankRegionInAxis(r, columns);
}

void CGeTool2D::RankRegionInAxis(CGeRegion* region, int columns)
{
    if (!region) return;
    LoopList& loops = region->GetLoopList();
    if (loops.GetCount() < 2) return;
    CGeLoop* outer = loops.RemoveHead();
    RankCurveListInAxis(&loops, columns, 1);
    loops.AddHead(outer);
}

void CGeTool2D::RankRegionListInner(RegionList* regions)
{
    if (!regions || regions->GetCount() < 2) return;
    std::vector<CGeRegion*> v;
    std::vector<BOX2<double>> boxes;
    v.reserve(static_cast<std::size_t>(regions->GetCount()));
    for (CGeRegion* r : *regions) {
        v.push_back(r);
        boxes.push_back(BoxOf(r));
    }
    for (std::size_t i = 0; i + 1 < v.size(); ++i) {
        if (!v[i]) continue;
        for (std::size_t j = i + 1; j < v.size(); ++j) {
            if (!v[j] || !BOX2D_IsContain(boxes[i], boxes[j], kInnerTol)) continue;
            std::swap(v[i], v[j]);
            std::swap(boxes[i], boxes[j]);
        }
    }
    regions->RemoveAll();
    for (CGeRegion* r : v) regions->AddTail(r);
}

void CGeTool2D::NearestDistanceSort(LoopList* loops, bool allowReverse)
{
    if (!loops) return;
    DropNulls(loops);
    if (loops->GetCount() < 2) return;
    std::vector<CGeLoop*> v;
    v.reserve(static_cast<std::size_t>(loops->GetCount()));
    for (CGeLoop* l : *loops) v.push_back(l);

    // Entry 2i is loop i's start, 2i + 1 its end (with allowReverse): the grid
    // breaks equal distances by the smaller id, which is the plain scan's
    // order (earlier loop first, its start before its end).
    std::vector<CPointGrid::Entry> ends;
    ends.reserve(2 * v.size());
    for (std::size_t i = 1; i < v.size(); ++i) {
        double s[2] = {0.0, 0.0}, e[2] = {0.0, 0.0};
        v[i]->GetStartPoint(s);
        ends.push_back({s[0], s[1], static_cast<std::uint32_t>(2 * i)});
        if (allowReverse) {
            v[i]->GetEndPoint(e);
            ends.push_back({e[0], e[1], static_cast<std::uint32_t>(2 * i + 1)});
        }
    }
    CPointGrid grid;
    grid.Build(ends, 0.0);
    std::vector<double> where(2 * v.size() * 2, 0.0);
    for (const CPointGrid::Entry& en : ends) {
        where[2 * en.id] = en.x;
        where[2 * en.id + 1] = en.y;
    }
    std::vector<char> placed(v.size(), 0);
    placed[0] = 1;
    std::vector<CGeLoop*> result;
    result.reserve(v.size());
    result.push_back(v[0]);
    double p[2] = {0.0, 0.0};
    v[0]->GetEndPoint(p);
    auto live = [&](std::uint32_t id) { return !placed[id / 2]; };
    auto dist = [&](std::uint32_t id) { return P2D_Dist(p, &where[2 * id]); };
    std::uint32_t pick = 0;
    while (result.size() < v.size() && grid.Nearest(p[0], p[1], kFar, live, dist, pick)) {
        CGeLoop* l = v[pick / 2];
        placed[pick / 2] = 1;
        if (pick % 2) l->Reverse(true);
        result.push_back(l);
        l->GetEndPoint(p);
    }
    // Loops no step could reach (non-finite ends) follow in list order.
    for (std::size_t i = 0; i < v.size(); ++i)
        if (!placed[i]) result.push_back(v[i]);
    loops->RemoveAll();
    for (CGeLoop* l : result) loops->AddTail(l);
}

CGeLoop* CGeTool2D::SearchNearestLoop(LoopList* loops, double* point, bool remove)
{
    if (!loops || loops->IsEmpty() || !point) return nullptr;
    double best = kFar;
    POSITION bestPos = nullptr;
    for (POSITION pos = loops->GetHeadPosition(); pos;) {
        const POSITION cur = pos;
        CGeLoop* l = loops->GetNext(pos);
        if (!l) continue;
        double s[2] = {0.0, 0.0};
        l->GetStartPoint(s);
        const double d = P2D_Dist(point, s);
        if (d < best) {
            best = d;
            bestPos = cur;
        }
    }
    if (!bestPos) return nullptr;
    CGeLoop* l = loops->GetAt(bestPos);
    if (remove) loops->RemoveAt(bestPos);
    return l;
}
