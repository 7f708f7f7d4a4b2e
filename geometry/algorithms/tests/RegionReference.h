// Plain region building, the reference the indexed nesting and ranking of
// CGeTool2D::CreateRegion are compared with: duplicates, nesting and the
// nearest-corner walk each try every pair, as the rules are written. Open
// chains stay out of the regions and follow the caller's other loops.
// Quadratic: for tests only.
#pragma once

#include "LoopFixtures.h"

#include "framework/numerak/Box2D.h"
#include "geometry/shapes2d/GeometryConst.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace regionref {

using looptest::LoopList;
using looptest::RegionList;

inline BOX2<double> Box(CGeShape2d* s)
{
    BOX2<double> b;
    b.InitEmpty();
    s->GetBox2d(&b);
    return b;
}

inline bool Open(CGeLoop* l) { return l->HasDisplay() && l->m_dArea == gecon::kAreaNotComputed; }

// Outer loop first, then the direct holes (holes of holes dropped).
inline std::vector<CGeLoop*> Refine(const std::vector<CGeLoop*>& g)
{
    std::vector<char> used(g.size(), 1);
    for (std::size_t i = 1; i < g.size(); ++i)
        for (std::size_t j = i + 1; used[i] && j < g.size(); ++j)
            if (used[j] && g[i]->IsContainLoop(g[j], 1e-12)) used[j] = 0;
    std::vector<CGeLoop*> keep;
    for (std::size_t i = 0; i < g.size(); ++i)
        if (used[i]) keep.push_back(g[i]);
    return keep;
}

inline void CreateRegion(LoopList& loops, RegionList& regions)
{
    const double disc = gGetCrvDiscTol();
    std::vector<CGeLoop*> v, open;
    for (CGeLoop* l : loops) {
        l->EvArea(disc);
        l->CalcBox2d();
        (Open(l) ? open : v).push_back(l);
    }
    loops.RemoveAll();
    // Duplicates: the first of a set survives.
    auto near = [](double a, double b) { return std::fabs(a - b) < 0.01; };
    std::vector<CGeLoop*> unique;
    for (CGeLoop* l : v) {
        const BOX2<double> b = Box(l);
        bool same = false;
        for (CGeLoop* u : unique) {
            const BOX2<double> a = Box(u);
            same = same || (near(a.xmin, b.xmin) && near(a.ymin, b.ymin) && near(a.xmax, b.xmax) &&
                             near(a.ymax, b.ymax) && near(std::fabs(u->m_dArea), std::fabs(l->m_dArea)));
        }
        if (same)
            delete l;
        else
            unique.push_back(l);
    }
    // Orientation and order.
    for (CGeLoop* l : unique) {
        l->EvArea(disc);
        l->CalcBox2d();
        l->m_bReversed = 0;
    }
    std::stable_sort(unique.begin(), unique.end(),
                     [](CGeLoop* a, CGeLoop* b) { return std::fabs(a->m_dArea) > std::fabs(b->m_dArea); });
    std::vector<char> taken(unique.size(), 0);
    std::vector<CGeLoop*> sorted;
    for (std::size_t i = 0; i < unique.size(); ++i) {
        if (taken[i]) continue;
        CGeLoop* outer = unique[i];
        if (outer->m_dArea < 0.0) outer->Reverse(true);
        std::vector<CGeLoop*> g{outer};
        for (std::size_t j = i + 1; j < unique.size(); ++j) {
            if (taken[j] || !outer->IsContainLoop(unique[j], 1e-12)) continue;
            if (unique[j]->m_dArea > 0.0) unique[j]->Reverse(true);
            g.push_back(unique[j]);
        }
        for (CGeLoop* k : Refine(g)) {
            sorted.push_back(k);
            taken[static_cast<std::size_t>(std::find(unique.begin(), unique.end(), k) - unique.begin())] = 1;
        }
    }
    for (CGeLoop* l : sorted) {
        if (l->m_dArea > 0.0)
            l->SetOuterFlag();
        else
            l->SetInnerFlag();
    }
    // Regions: an outer loop and the holes after it that start inside it.
    std::vector<CGeRegion*> made;
    for (CGeLoop* l : sorted) {
        if (l->m_dArea > 0.0) {
            made.push_back(new CGeRegion);
            made.back()->GetLoopList().AddTail(l);
            continue;
        }
        bool fits = false;
        if (!made.empty()) {
            CGeLoop* outer = made.back()->GetLoopList().GetHead();
            if (BOX2D_IsContain(Box(outer), Box(l), 0.0001)) {
                double p[2];
                l->GetStartPoint(p);
                int where = outer->IsPtInLoop(p, 1e-6);
                if (where == 2) {
                    const int n = l->GetSWPointCount();
                    where = outer->IsPtInLoop(l->GetSWPoint()[2 * n / 3], 1e-6);
                }
                fits = where == 0;
            }
        }
        if (fits)
            made.back()->GetLoopList().AddTail(l);
        else
            loops.AddTail(l);
    }
    for (CGeLoop* l : open) loops.AddTail(l);
    // Nearest lower left corner first, from the lower left of all.
    for (CGeRegion* r : made) r->CalcBox2d();
    double p[2] = {HUGE_VAL, HUGE_VAL};
    for (CGeRegion* r : made) {
        p[0] = std::min(p[0], Box(r).xmin);
        p[1] = std::min(p[1], Box(r).ymin);
    }
    while (!made.empty()) {
        std::size_t pick = 0;
        double best = HUGE_VAL;
        for (std::size_t i = 0; i < made.size(); ++i) {
            const double c[2] = {Box(made[i]).xmin, Box(made[i]).ymin};
            const double d = P2D_Dist(p, c);
            if (d < best) best = d, pick = i;
        }
        p[0] = Box(made[pick]).xmin;
        p[1] = Box(made[pick]).ymin;
        regions.AddTail(made[pick]);
        made.erase(made.begin() + static_cast<std::ptrdiff_t>(pick));
    }
    CGeTool2D tool;
    for (CGeRegion* r : regions) tool.RankRegionNearest(r);
}

}  // namespace regionref
