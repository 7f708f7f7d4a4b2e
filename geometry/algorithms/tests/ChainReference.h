// Plain chaining of loose curves, the reference the indexed chaining of
// CGeTool2D is compared with: every search scans the whole work list (or, for
// the grid form, every work curve cell by cell in bucket order), exactly as
// the chaining rules are written. Copy mode; the input holds lines, arcs and
// circles only (no composites to split). Quadratic: for tests only.
#pragma once

#include "LoopFixtures.h"

#include "framework/numerak/Box2D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/GeCurve.h"

#include <cmath>
#include <vector>

namespace chainref {

using looptest::CurveList;
using looptest::LoopList;

enum class Rule { kLeastTurn, kGrid, kNearestEnd, kSelfDir };

// Opens the grid cell rule of the toolkit.
class CellTool : public CGeTool2D {
public:
    using CGeTool2D::GetCell;
    using CGeTool2D::SetWorkBox;
};

struct Work {
    std::vector<CGeCurve*> curves;  // work order
    std::vector<char> taken;

    std::size_t Free() const
    {
        std::size_t n = 0;
        for (char t : taken) n += t ? 0 : 1;
        return n;
    }
    CGeCurve* TakeHead()
    {
        for (std::size_t i = 0; i < curves.size(); ++i)
            if (!taken[i]) {
                taken[i] = 1;
                return curves[i];
            }
        return nullptr;
    }
};

inline void Ends(CGeCurve* c, double* s, double* e)
{
    c->GetStartPoint(s);
    c->GetEndPoint(e);
}

inline double Turn(const double* t, CGeCurve* c, bool atStart)
{
    double d[2] = {0.0, 0.0};
    if (atStart) {
        c->GetStartTan(d);
    } else {
        c->GetEndTan(d);
        d[0] = -d[0];
        d[1] = -d[1];
    }
    return V2D_GetAngle(t, d, 1e-6);
}

// One candidate against the best so far: a closed candidate wins without an
// angle test, otherwise a strictly smaller turn.
inline bool Better(CGeCurve* c, const double* t, bool atStart, double& bestAngle)
{
    double s[2], e[2];
    Ends(c, s, e);
    if (P2D_Dist(s, e) < 0.0001) return true;
    const double a = Turn(t, c, atStart);
    if (!(a < bestAngle)) return false;
    bestAngle = a;
    return true;
}

inline CGeCurve* Search(Rule rule, Work& w, const double* p, const double* t, double tol, bool& forward,
                        const CellTool* cells)
{
    forward = false;
    double bestAngle = 6.283185307179586, bestDist = 1e8;
    std::ptrdiff_t best = -1;
    auto consider = [&](std::size_t i, bool gridStart) {
        CGeCurve* c = w.curves[i];
        BOX2<double> box;
        c->GetBox2d(&box);
        if (!BOX2D_IsPtIn(box, p, tol)) return;
        double s[2], e[2];
        Ends(c, s, e);
        const double ds = P2D_Dist(p, s), de = P2D_Dist(p, e);
        bool atStart = ds <= de;
        switch (rule) {
        case Rule::kLeastTurn:
            if (std::min(ds, de) > tol) return;
            break;
        case Rule::kSelfDir:
            if (ds > tol) return;
            atStart = true;
            break;
        case Rule::kGrid:
            atStart = gridStart;
            if ((atStart ? ds : de) > tol) return;
            break;
        case Rule::kNearestEnd: {
            const double d = de <= ds ? de : ds;
            if (d <= tol && d <= bestDist) best = static_cast<std::ptrdiff_t>(i), bestDist = d, forward = ds <= de;
            return;
        }
        }
        if (Better(c, t, atStart, bestAngle)) best = static_cast<std::ptrdiff_t>(i), forward = atStart;
    };
    if (rule == Rule::kGrid) {
        const double lo[2] = {p[0] - tol, p[1] - tol}, hi[2] = {p[0] + tol, p[1] + tol};
        int x0, y0, x1, y1;
        cells->GetCell(lo, x0, y0);
        cells->GetCell(hi, x1, y1);
        for (int g = 0; g < 2; ++g)
            for (int cx = x0; cx <= x1; ++cx)
                for (int cy = y0; cy <= y1; ++cy)
                    for (std::size_t i = 0; i < w.curves.size(); ++i) {
                        if (w.taken[i]) continue;
                        double s[2], e[2];
                        Ends(w.curves[i], s, e);
                        int ix, iy;
                        cells->GetCell(g == 0 ? s : e, ix, iy);
                        if (ix == cx && iy == cy) consider(i, g == 0);
                    }
    } else {
        for (std::size_t i = 0; i < w.curves.size(); ++i)
            if (!w.taken[i]) consider(i, false);
    }
    if (best < 0) return nullptr;
    w.taken[static_cast<std::size_t>(best)] = 1;
    return w.curves[static_cast<std::size_t>(best)];
}

inline void Finish(CGeLoop* chain, double tol)
{
    chain->Stitch(tol);
    chain->SeperateComCurve(1);
    CGeTool2D::StitchCurveList(&chain->GetCurveList(), std::nextafter(tol, HUGE_VAL));
    chain->CalcBox2d();
}

inline bool Closed(CGeLoop* chain, double tol)
{
    return !chain->IsEmpty() && geIsLoopCurve2d(&chain->GetCurveList(), tol);
}

// The chains of ReCreateLoop (kLeastTurn), ReCreateLoopEx (kGrid),
// ReCreateOpenLoop (kNearestEnd) or ReCreateLoopInSelfDir (kSelfDir) over
// copies of curves, appended to loops.
inline void Chain(Rule rule, const CurveList& curves, LoopList& loops, double tol, bool closedOnly)
{
    Work w;
    CellTool cells;
    if (rule == Rule::kGrid) {
        BOX2<double> box;
        box.InitEmpty();
        CGeTool2D::GetBox(const_cast<CurveList*>(&curves), box);
        cells.SetWorkBox(box);
    }
    const double shortLine = rule == Rule::kNearestEnd ? 0.02 : rule == Rule::kSelfDir ? -1.0 : 0.002;
    for (CGeCurve* c : curves) {
        if (!c || (c->GetType() == 0x2 && c->EvTotalArcLength() < shortLine)) continue;
        w.curves.push_back(c->Copy());
    }
    w.taken.assign(w.curves.size(), 0);
    for (std::size_t seedIndex = 0;; ++seedIndex) {
        CGeCurve* seed = w.TakeHead();
        if (!seed) break;
        auto* chain = new CGeLoop;
        double s[2], e[2], t[2];
        auto read = [&] {
            chain->GetStartPoint(s);
            chain->GetEndPoint(e);
            t[0] = t[1] = 0.0;
            chain->GetEndTan(t);
        };
        bool forward = false;
        if (rule == Rule::kSelfDir) {
            chain->AddTail(seed, 1);
            read();
            if (!(P2D_Dist(s, e) < tol && chain->IsLongerThan(2.0 * tol)))
                while (CGeCurve* next = Search(rule, w, e, t, tol, forward, &cells)) {
                    chain->AddTail(next, 1);
                    read();
                    if (P2D_Dist(s, e) < tol) break;
                }
            if (closedOnly && !(Closed(chain, tol) && chain->EvTotalArcLength() >= tol))
                delete chain;
            else
                loops.AddTail(chain);
            continue;
        }
        chain->GetCurveList().AddTail(seed);
        read();
        const bool closedSeed = seed->GetType() == 0x8 || seed->GetType() == 0x10 ||
                                (P2D_Dist(s, e) < tol && seed->IsLongerThan(2.0 * tol));
        if (rule != Rule::kNearestEnd && closedSeed) {
            chain->SeperateComCurve(1);
            loops.AddTail(chain);
            continue;
        }
        if (rule == Rule::kGrid) {
            // Grows only when the seed is not the last curve of the work list.
            bool later = false;
            for (std::size_t i = 0; i < w.curves.size(); ++i)
                if (w.curves[i] == seed) later = i + 1 < w.curves.size();
            for (int pass = 0; later && pass < 2; ++pass) {
                int appended = 0;
                while (CGeCurve* next = Search(rule, w, e, t, tol, forward, &cells)) {
                    if (!forward) next->Reverse();
                    chain->GetCurveList().AddTail(next);
                    next->GetEndPoint(e);
                    t[0] = t[1] = 0.0;
                    next->GetEndTan(t);
                    ++appended;
                }
                if (pass == 0) {
                    chain->Reverse(true);
                    read();
                } else if (appended == 0) {
                    chain->Reverse(true);
                }
            }
            if (chain->EvTotalArcLength() < tol || (closedOnly && !Closed(chain, tol))) {
                delete chain;
                continue;
            }
            Finish(chain, tol);
            loops.AddTail(chain);
            continue;
        }
        int misses = 0;
        while (w.Free() > 0) {
            CGeCurve* next = Search(rule, w, e, t, tol, forward, &cells);
            if (next) {
                if (!forward) next->Reverse();
                chain->AddTail(next, 1);
                read();
                if (rule == Rule::kLeastTurn && P2D_Dist(s, e) < tol) break;
            } else if (misses++ == 0) {
                chain->Reverse(true);
                read();
            } else {
                chain->Reverse(true);
                break;
            }
        }
        if (rule == Rule::kNearestEnd) {
            chain->SeperateComCurve(1);
            loops.AddTail(chain);
            continue;
        }
        if (closedOnly && !Closed(chain, tol)) {
            delete chain;
            continue;
        }
        Finish(chain, tol);
        loops.AddTail(chain);
    }
}

}  // namespace chainref
