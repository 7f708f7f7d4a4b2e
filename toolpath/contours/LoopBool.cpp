// Loop Booleans: loops cut at their mutual crossings, the pieces that bound the result
// kept and walked back into loops, and the outer/island structure rebuilt.
//
// Every search over pairs of loops goes through a box index (pairs of overlapping loop
// boxes, loops whose box holds a point) that admits exactly the loops the box tests of
// a plain scan admit, in the plain scan's order.
#include "toolpath/contours/LoopChain.h"

#include "framework/numerak/Point2D.h"
#include "toolpath/contours/BoxPairs.h"
#include "toolpath/contours/Containment.h"
#include "toolpath/contours/SectIntersect.h"
#include "toolpath/contours/SmartConst.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <span>
#include <memory>
#include <unordered_map>
#include <vector>

using namespace smart;

namespace {

constexpr std::uint8_t kStartsAtPoint = 0x01;
constexpr std::uint8_t kEndsAtPoint = 0x02;
// A piece's test point this near another loop's boundary lies on it.
constexpr double kOnBoundary = 1e-6;
// Adoption: an island's points lie within the IsPointIn box margin of its outer loop.
constexpr double kAdoptBoxMargin = kLoopBoxMargin;
// BuildContour: the box margin of a containing loop.
constexpr double kBuildBoxMargin = 0.001;

// Where a piece's test point lies against a region (a loop with its islands). The region
// lies left of every boundary, so a piece on the boundary either runs with it (both
// regions on one side) or against it.
enum class Rel { kOutside, kInside, kOnSame, kOnOpposite };

// The test point of a piece: the middle of its middle section, which is returned (null
// without sections); the tangent there is worked out only for a point on a boundary.
CSmartSect* PieceProbe(CSmartCurve* c, double* p)
{
    if (!c || !c->head)
        return nullptr;
    CSmartSect* s = c->head;
    for (int i = c->count / 2; i > 0 && s->next; --i)
        s = s->next;
    s->GetPoint(0.5, p);
    return s;
}

bool InWidenedBox4(const double* box, const double* p, double w)
{
    return p[0] >= box[0] - w && p[0] <= box[2] + w && p[1] >= box[1] - w && p[1] <= box[3] + w;
}

bool InLoopBox(const CSmartLoop& L, const double* p, double m)
{
    return p[0] >= L.box[0][0] - m && p[0] <= L.box[1][0] + m && p[1] >= L.box[0][1] - m && p[1] <= L.box[1][1] + m;
}

// IsPointIn and IsLoopOn with each contour's sections banded once, for operations that
// test many points against the same loops: the same answers as the plain calls.
class BandedContain {
public:
    int IsPointIn(CSmartLoop* L, const double* p)
    {
        if (!L->contour || !L->contour->head || !InLoopBox(*L, p, kLoopBoxMargin))
            return 0;
        return ContainPoint(*L->contour, p, L->box[0][0] - kProbeMargin, L->box[1][0] + kProbeMargin, LoopContainRule(),
                            Bands(L).At(p[1]));
    }
    int IsLoopOn(CSmartLoop* W, CSmartLoop* L)
    {
        double a[2], b[2];
        if (!L || !L->contour || !L->contour->head || !L->GetSectHead()->GetPoint(0.5, a) || !L->GetSectMid()->GetPoint(0.5, b))
            return 0;
        if (!IsPointIn(W, a) || !IsPointIn(W, b))
            return 0;
        for (CSmartLoop* i = W->islands; i; i = i->next)
            if (IsPointIn(i, b) == 1)
                return 0;
        return 1;
    }
    // Drops the bands of L and of everything below it (their order changes when reversed).
    void Forget(CSmartLoop* L)
    {
        m_bands.erase(L);
        for (CSmartLoop* i = L->islands; i; i = i->next)
            Forget(i);
        for (CSmartLoop* c = L->children; c; c = c->next)
            Forget(c);
    }
    const SectionBands& Bands(CSmartLoop* L)
    {
        auto& b = m_bands[L];
        if (!b)
            b = std::make_unique<SectionBands>(*L->contour);
        return *b;
    }

private:
    std::unordered_map<CSmartLoop*, std::unique_ptr<SectionBands>> m_bands;  // looked up only
};

// Where test points lie against the loops of one operation. Each contour's sections are
// banded once, so a test meets only the sections a horizontal probe through the point can
// cross; the answers are those of IsPointIn and of a plain nearest-section search.
class PointTester {
public:
    // p: the test point on the section `at`.
    Rel Region(CSmartLoop* L, const double* p, CSmartSect* at)
    {
        // A top-level loop of non-positive area holds no point.
        if (!(L->area > 0))
            return Rel::kOutside;
        const Rel r = Contour(L, p, at);
        if (r != Rel::kInside)
            return r;
        // Islands whose box misses p are outside at once: only those around p are tested,
        // in island order.
        auto& held = m_islands[L];
        if (!held) {
            held = std::make_unique<Islands>();
            held->loops = ChainToVector(L->islands);
            held->index = std::make_unique<LoopPointIndex>(held->loops, kLoopBoxMargin);
        }
        for (int k : held->index->At(p)) {
            const Rel ri = Contour(held->loops[static_cast<std::size_t>(k)], p, at);
            if (ri == Rel::kInside)
                return Rel::kOutside;
            if (ri != Rel::kOutside)
                return ri;
        }
        return Rel::kInside;
    }

private:
    Rel Contour(CSmartLoop* L, const double* p, CSmartSect* at)
    {
        if (!L->contour || !L->contour->head || !InLoopBox(*L, p, kLoopBoxMargin))
            return Rel::kOutside;
        const std::span<CSmartSect* const> near = m_contain.Bands(L).At(p[1]);
        // The nearest section within reach: only sections whose box holds p with that
        // margin can be that near.
        CSmartSect* on = nullptr;
        double foot[2], best = kOnBoundary;
        for (CSmartSect* s : near) {
            if (p[0] < s->box[0] - kOnBoundary || p[0] > s->box[2] + kOnBoundary || p[1] < s->box[1] - kOnBoundary ||
                p[1] > s->box[3] + kOnBoundary || SurelyFartherThan(s, p, kOnBoundary))
                continue;
            double f[2];
            const double d = s->MinDistPoint(p, f);
            if (d < best) {
                best = d;
                on = s;
                foot[0] = f[0];
                foot[1] = f[1];
            }
        }
        if (on) {
            double u[2], t[2];
            on->GetTangent(std::clamp(on->GetParam(foot), 0.0, 1.0), u);
            at->GetTangent(0.5, t);
            return u[0] * t[0] + u[1] * t[1] >= 0 ? Rel::kOnSame : Rel::kOnOpposite;
        }
        // IsPointIn's own test over the banded sections.
        return ContainPoint(*L->contour, p, L->box[0][0] - kProbeMargin, L->box[1][0] + kProbeMargin, LoopContainRule(), near)
                   ? Rel::kInside
                   : Rel::kOutside;
    }

    struct Islands {
        std::vector<CSmartLoop*> loops;
        std::unique_ptr<LoopPointIndex> index;
    };
    BandedContain m_contain;
    std::unordered_map<CSmartLoop*, std::unique_ptr<Islands>> m_islands;  // looked up only
};

std::vector<int> Tags(const std::vector<CSmartLoop*>& loops)
{
    std::vector<int> t;
    t.reserve(loops.size());
    for (const CSmartLoop* L : loops)
        t.push_back(L->tag);
    return t;
}

void FreePoints(CSmartLoop* L)
{
    for (CSmartLoop* x = L; x; x = x == L ? L->islands : x->next)
        if (x->contour)
            for (CSmartSect* s = x->contour->head; s; s = s->next) {
                delete s->points;
                s->points = nullptr;
            }
}

std::vector<CSmartCurve*> PiecesOf(CSmartLoop* L)
{
    std::vector<CSmartCurve*> v;
    for (CSmartCurve* c = L->ContourBreak(); c;) {
        CSmartCurve* n = c->next;
        c->next = nullptr;
        v.push_back(c);
        c = n;
    }
    return v;
}

// Kept pieces go into one curve for loop forming.
class PieceCollector {
public:
    // Pieces come from ContourBreak with their sections' boxes made; a reversed piece's
    // sections are boxed again, as boxing all kept sections at once would.
    void Keep(CSmartCurve* c, bool reverse)
    {
        if (reverse) {
            c->Reverse();
            for (CSmartSect* s = c->head; s; s = s->next)
                s->DefineBox();
        }
        m_all.AddCurve(c);
    }
    // Closed loops of the kept pieces (the collector is emptied).
    std::vector<CSmartLoop*> Form()
    {
        if (!m_all.head)
            return {};
        m_all.DefineBox(m_all.box, m_all.box + 2);
        return TakeChain(FormLoopOfBoxed(m_all));
    }

private:
    CSmartCurve m_all;
};

void DeleteAll(const std::vector<CSmartLoop*>& loops)
{
    for (CSmartLoop* L : loops) {
        L->next = L->prev = nullptr;
        delete L;
    }
}

// The island test of IsLoopOn for an outer loop that adopts many islands: its islands in
// a grid over its box, so a test point meets only the islands around it (any island
// holding the point refuses the candidate, so their order does not matter). Adopted
// islands are linked in adoption order at the end, as AddIsland one by one would.
class IslandGrid {
public:
    IslandGrid(CSmartLoop* w, double expected, BandedContain& contain) : m_w(w), m_contain(contain)
    {
        const double mn[2] = {w->box[0][0] - kLoopBoxMargin, w->box[0][1] - kLoopBoxMargin};
        const double mx[2] = {w->box[1][0] + kLoopBoxMargin, w->box[1][1] + kLoopBoxMargin};
        m_grid = CellGrid(mn, mx, std::max(1.0, expected + static_cast<double>(ChainToVector(w->islands).size())));
        for (CSmartLoop* i : TakeChain(w->islands))
            Add(i);
        w->islands = nullptr;
    }
    // IsLoopOn(L) of the outer loop with the islands added so far.
    bool Adopts(CSmartLoop* L)
    {
        double a[2], b[2];
        if (!L->contour || !L->contour->head || !L->GetSectHead()->GetPoint(0.5, a) || !L->GetSectMid()->GetPoint(0.5, b))
            return false;
        if (!m_contain.IsPointIn(m_w, a) || !m_contain.IsPointIn(m_w, b))
            return false;
        if (!std::isfinite(b[0]) || !std::isfinite(b[1]))
            return true;
        for (int id : m_grid.Cell(m_grid.CellX(b[0]), m_grid.CellY(b[1])))
            if (m_all[static_cast<std::size_t>(id)]->IsPointIn(b) == 1)
                return false;
        return true;
    }
    void Add(CSmartLoop* L)
    {
        const int id = static_cast<int>(m_all.size());
        m_all.push_back(L);
        const auto b = LoopBox2(*L);
        if (!(std::isfinite(b[0]) && std::isfinite(b[1]) && std::isfinite(b[2]) && std::isfinite(b[3])))
            return;
        m_grid.ForBox(b[0] - kLoopBoxMargin, b[1] - kLoopBoxMargin, b[2] + kLoopBoxMargin, b[3] + kLoopBoxMargin,
                      [&](int ix, int iy) { m_grid.Cell(ix, iy).push_back(id); });
    }
    void Link()
    {
        m_w->islands = LinkChain(m_all);
        for (CSmartLoop* i : m_all)
            i->parent = m_w;
    }

private:
    CSmartLoop* m_w;
    BandedContain& m_contain;
    CellGrid m_grid;
    std::vector<CSmartLoop*> m_all;
};

// Outer loops with islands from loose loops: by ascending area, every loop of area >= 0
// adopts the remaining loops of area <= 0 it contains. Negative loops left over delete the
// outer loops inside them when `holesErase`, then go.
CSmartLoop* AssembleRegions(std::vector<CSmartLoop*> loops, bool holesErase)
{
    std::stable_sort(loops.begin(), loops.end(), [](const CSmartLoop* a, const CSmartLoop* b) { return a->area < b->area; });
    std::vector<CSmartLoop*> pos, neg;
    for (CSmartLoop* L : loops)
        (L->area >= 0 ? pos : neg).push_back(L);
    std::vector<bool> taken(neg.size(), false);
    const auto pb = LoopBoxes(pos), nb = LoopBoxes(neg);
    const auto pairs = CrossBoxPairs(BoxPointers(pb), BoxPointers(nb), kAdoptBoxMargin);
    BandedContain contain;
    for (std::size_t k = 0; k < pairs.size();) {
        // The candidates of one outer loop, in order; its islands so far in a grid.
        CSmartLoop* w = pos[static_cast<std::size_t>(pairs[k].first)];
        std::size_t end = k;
        while (end < pairs.size() && pairs[end].first == pairs[k].first)
            ++end;
        IslandGrid grid(w, static_cast<double>(end - k), contain);
        for (; k < end; ++k) {
            const auto j = static_cast<std::size_t>(pairs[k].second);
            if (!taken[j] && grid.Adopts(neg[j])) {
                grid.Add(neg[j]);
                taken[j] = true;
            }
        }
        grid.Link();
    }
    std::vector<CSmartLoop*> out = pos, left;
    for (std::size_t j = 0; j < neg.size(); ++j)
        if (!taken[j])
            left.push_back(neg[j]);
    if (holesErase)
        EraseInsideHoles(left, out);
    DeleteAll(left);
    return LinkChain(out);
}

// Whether FormLoop, given every contour of the loops whole in loop and island order,
// walks each back as it stands: loops without deeper nesting, contours closed and
// connected (no gap ConnectAllSect would close), and no contour starting within the
// walk's joint of where the one before it ends (the walk would run on into it).
bool ContoursWalkWhole(const std::vector<CSmartLoop*>& loops)
{
    const double* lastEnd = nullptr;
    double end[2];
    for (CSmartLoop* L : loops) {
        if (L->children)
            return false;
        for (CSmartLoop* x = L; x; x = x == L ? L->islands : x->next) {
            if (x != L && (x->islands || x->children))
                return false;
            if (!x->contour || !x->contour->head)
                return false;
            double a[2], b[2];
            CSmartSect* h = x->contour->head;
            h->GetPoint(0, a);
            if (lastEnd && P2D_AbsDist(a, lastEnd) < kJoint)
                return false;
            for (CSmartSect* s = h; s; s = s->next) {
                CSmartSect* n = s->next ? s->next : h;
                s->GetPoint(1, b);
                n->GetPoint(0, a);
                if (P2D_AbsDist(a, b) > kGapClose)
                    return false;
            }
            h->GetPoint(0, a);
            x->contour->tail->GetPoint(1, end);
            if ((h == x->contour->tail && h->IsSectLine()) || !InWidenedBox4(h->box, end, kCloseTrace) ||
                !(P2D_Dist(a, end) < kCloseTrace) || !InWidenedBox4(h->box, a, kBranchBox))
                return false;
            lastEnd = end;
        }
    }
    return true;
}

// Loop forming of the kept pieces and the regions they bound.
CSmartLoop* RegionsOf(PieceCollector& kept) { return AssembleRegions(kept.Form(), false); }

}  // namespace

void CSmartLoop::AppendChain(CSmartLoop*& head, CSmartLoop* chain)
{
    if (!chain)
        return;
    if (!head) {
        head = chain;
        return;
    }
    CSmartLoop* t = head;
    while (t->next)
        t = t->next;
    t->next = chain;
    chain->prev = t;
}

CSmartCurve* CSmartLoop::ContourBreak()
{
    std::vector<CSmartCurve*> pieces;
    // A section's ends and crossings (x, y, parameter), one buffer for all sections.
    struct At {
        double p[3];
        bool point;
    };
    std::vector<At> at;
    for (CSmartLoop* L = this; L; L = L == this ? islands : L->next) {
        if (!L->contour)
            continue;
        auto* cur = new CSmartCurve;
        bool breakNext = false;
        auto emit = [&](CSmartSect* c, bool startsAt, bool endsAt) {
            if ((startsAt || breakNext) && cur->head) {
                pieces.push_back(cur);
                cur = new CSmartCurve;
            }
            if (startsAt || breakNext)
                c->mark |= kStartsAtPoint;
            if (endsAt)
                c->mark |= kEndsAtPoint;
            breakNext = endsAt;
            // Copies and sub-sections have their boxes from their constructors.
            cur->AddSect(c);
        };
        for (CSmartSect* s = L->contour->head; s; s = s->next) {
            if (!s->points || s->points->count == 0) {
                CSmartSect* c = s->CopyMyself();
                c->source = s->source;
                c->mark &= static_cast<std::uint8_t>(~(kStartsAtPoint | kEndsAtPoint));
                emit(c, false, false);
                continue;
            }
            // A full circle starts at its first crossing, so no piece runs through its
            // former start.
            if (s->IsSectArc()) {
                auto* a = static_cast<CSmartArc*>(s);
                const double sweep = a->endAngle - a->startAngle;
                if (std::fabs(sweep) > kFullSweep) {
                    const double t0 = s->points->head->t;
                    a->startAngle += sweep * t0;
                    a->endAngle += sweep * t0;
                    L->contour->Edited();
                    for (CSmartPoint* q = s->points->head; q; q = q->next)
                        q->t -= t0;
                }
            }
            at.clear();
            double e[2];
            s->GetPoint(0, e);
            at.push_back({{e[0], e[1], 0.0}, false});
            for (CSmartPoint* q = s->points->head; q; q = q->next)
                at.push_back({{q->x, q->y, q->t}, true});
            s->GetPoint(1, e);
            at.push_back({{e[0], e[1], 1.0}, false});
            std::size_t from = 0;
            CSmartArc::ArcPoint carry;  // an arc's pieces share their end points
            for (std::size_t i = 1; i < at.size(); ++i) {
                CSmartSect* c = GetNextSubSect(s, at[from].p, at[i].p, carry);
                if (!c) {
                    // A crossing at the section's start: the next piece starts there. Other
                    // refused bits join the following sub-section.
                    if (from == 0 && at[i].point)
                        from = i;
                    continue;
                }
                emit(c, at[from].point, at[i].point);
                from = i;
            }
        }
        if (cur->head)
            pieces.push_back(cur);
        else
            delete cur;
    }
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i)
        pieces[i]->next = pieces[i + 1];
    return pieces.empty() ? nullptr : pieces.front();
}

CSmartLoop* CSmartLoop::BuildContour(CSmartLoop* chain)
{
    std::vector<CSmartLoop*> all = TakeChain(chain), loops;
    for (CSmartLoop* L : all) {
        if (L->area < 0)
            L->ReverseLoop(1);
        if (L->area >= kMinLoopArea)
            loops.push_back(L);
        else
            delete L;
    }
    std::stable_sort(loops.begin(), loops.end(), [](const CSmartLoop* a, const CSmartLoop* b) { return a->area < b->area; });
    const auto boxes = LoopBoxes(loops);
    std::vector<bool> adopted(loops.size(), false);
    BandedContain contain;
    for (const auto& [i, j] : SelfBoxPairs(BoxPointers(boxes), kBuildBoxMargin)) {
        if (adopted[i] || !contain.IsLoopOn(loops[j], loops[i]))
            continue;
        loops[i]->ReverseContour(1);
        contain.Forget(loops[i]);
        loops[j]->AddIsland(loops[i]);
        adopted[i] = true;
    }
    std::vector<CSmartLoop*> top;
    for (std::size_t i = 0; i < loops.size(); ++i)
        if (!adopted[i])
            top.push_back(loops[i]);
    for (CSmartLoop* L : top)
        L->ResortIsland(nullptr);
    CSmartLoop* head = LinkChain(top);
    if (top.size() >= 2)
        head = SortByDist(head);
    std::vector<CSmartLoop*> out;
    for (CSmartLoop* L : TakeChain(head))
        for (CSmartLoop* x : TakeChain(L->ExtractContour(0)))
            out.push_back(x);
    return LinkChain(out);
}

CSmartLoop* CSmartLoop::ClipLoops(CSmartLoop* chain)
{
    std::vector<CSmartLoop*> loops = TakeChain(chain);
    for (CSmartLoop* L : loops) {
        FreePoints(L);
        for (CSmartLoop* x = L; x; x = x == L ? L->islands : x->next)
            if (x->contour)
                for (CSmartSect* s = x->contour->head; s; s = s->next)
                    s->mark &= 0xF0;
    }
    const auto boxes = LoopBoxes(loops);
    for (const auto& [m, t] : SelfBoxPairs(BoxPointers(boxes), kJoint))
        if (loops[m]->tag != loops[t]->tag && loops[m]->LoopLoopInt(loops[t])) {
            loops[m]->flags |= 1;
            loops[t]->flags |= 1;
        }
    CSmartCurve cut;
    std::vector<CSmartLoop*> rest;
    for (CSmartLoop* L : loops) {
        if (L->flags & 1) {
            if (L->contour) {
                cut.AddCurve(L->contour);
                L->contour = nullptr;
            }
            delete L;
        } else {
            rest.push_back(L);
        }
    }
    if (cut.head) {
        cut.AutoDepart(0);
        cut.DefineBox();
        for (CSmartLoop* L : TakeChain(cut.FormLoop()))
            rest.push_back(L);
    }
    return AssembleRegions(rest, true);
}

CSmartLoop* CSmartLoop::WeldContours(CSmartLoop* chain)
{
    if (!chain || !chain->next)
        return chain;
    std::vector<CSmartLoop*> loops = TakeChain(chain);
    for (CSmartLoop* L : loops)
        L->InitBuffer();
    CrossLoops(loops, Tags(loops));
    LoopPointIndex index(loops, kLoopBoxMargin);
    PointTester tester;
    PieceCollector kept;
    for (std::size_t k = 0; k < loops.size(); ++k)
        for (CSmartCurve* piece : PiecesOf(loops[k])) {
            double p[2];
            CSmartSect* at = PieceProbe(piece, p);
            bool keep = at != nullptr;
            for (int j : index.At(p)) {
                if (!keep)
                    break;
                if (j == static_cast<int>(k))
                    continue;
                const Rel r = tester.Region(loops[j], p, at);
                // Of a boundary both regions share on one side, the earlier loop's copy stays.
                keep = !(r == Rel::kInside || r == Rel::kOnOpposite || (r == Rel::kOnSame && j < static_cast<int>(k)));
            }
            if (keep)
                kept.Keep(piece, false);
            else
                delete piece;
        }
    DeleteAll(loops);
    return RegionsOf(kept);
}

CSmartLoop* CSmartLoop::IntersectLoop(CSmartLoop* chain)
{
    if (!chain)
        return nullptr;
    std::vector<CSmartLoop*> loops = TakeChain(chain);
    // Runs of equal tags are the operands.
    std::vector<int> group(loops.size(), 0);
    for (std::size_t i = 1; i < loops.size(); ++i)
        group[i] = group[i - 1] + (loops[i]->tag != loops[i - 1]->tag ? 1 : 0);
    const std::size_t groups = static_cast<std::size_t>(group.back()) + 1;
    std::vector<int> groupTag(groups);
    for (std::size_t i = loops.size(); i-- > 0;)
        groupTag[static_cast<std::size_t>(group[i])] = loops[i]->tag;
    for (CSmartLoop* L : loops)
        L->InitBuffer();
    CrossLoops(loops, Tags(loops));
    LoopPointIndex index(loops, kLoopBoxMargin);
    PointTester tester;
    PieceCollector kept;
    std::vector<char> satisfied(groups, 0);
    for (std::size_t k = 0; k < loops.size(); ++k) {
        const int tag = loops[k]->tag;
        const auto needed = std::count_if(groupTag.begin(), groupTag.end(), [tag](int g) { return g != tag; });
        for (CSmartCurve* piece : PiecesOf(loops[k])) {
            double p[2];
            std::fill(satisfied.begin(), satisfied.end(), 0);
            long met = 0;
            CSmartSect* at = PieceProbe(piece, p);
            const bool probed = at != nullptr;
            if (probed)
                for (int jj : index.At(p)) {
                    const auto j = static_cast<std::size_t>(jj);
                    const auto g = static_cast<std::size_t>(group[j]);
                    if (loops[j]->tag == tag || satisfied[g])
                        continue;
                    const Rel r = tester.Region(loops[j], p, at);
                    // Of a boundary both regions share on one side, the earlier loop's copy stays.
                    if (r == Rel::kInside || (r == Rel::kOnSame && j > k)) {
                        satisfied[g] = 1;
                        ++met;
                    }
                }
            if (probed && met == needed)
                kept.Keep(piece, false);
            else
                delete piece;
        }
    }
    DeleteAll(loops);
    return RegionsOf(kept);
}

CSmartLoop* CSmartLoop::SubtractContours(CSmartLoop* a, CSmartLoop* b)
{
    if (!b)
        return a;
    std::vector<CSmartLoop*> la = TakeChain(a), lb = TakeChain(b);
    for (CSmartLoop* L : la)
        L->InitBuffer();
    for (CSmartLoop* L : lb)
        L->InitBuffer();
    std::vector<CSmartLoop*> both = la;
    both.insert(both.end(), lb.begin(), lb.end());
    const int na = static_cast<int>(la.size());
    std::vector<int> side(both.size(), 1);
    std::fill(side.begin(), side.begin() + na, 0);
    CrossLoops(both, side);
    PieceCollector kept;
    LoopPointIndex inB(lb, kLoopBoxMargin), inA(la, kLoopBoxMargin);
    PointTester tester;
    for (CSmartLoop* L : la)
        for (CSmartCurve* piece : PiecesOf(L)) {
            double p[2];
            CSmartSect* at = PieceProbe(piece, p);
            bool keep = at != nullptr;
            for (int j : inB.At(p)) {
                if (!keep)
                    break;
                const Rel r = tester.Region(lb[static_cast<std::size_t>(j)], p, at);
                keep = !(r == Rel::kInside || r == Rel::kOnSame);
            }
            if (keep)
                kept.Keep(piece, false);
            else
                delete piece;
        }
    for (CSmartLoop* L : lb)
        for (CSmartCurve* piece : PiecesOf(L)) {
            double p[2];
            bool inside = false;
            if (CSmartSect* at = PieceProbe(piece, p))
                for (int j : inA.At(p))
                    if (tester.Region(la[static_cast<std::size_t>(j)], p, at) == Rel::kInside) {
                        inside = true;
                        break;
                    }
            if (inside)
                kept.Keep(piece, true);
            else
                delete piece;
        }
    DeleteAll(la);
    DeleteAll(lb);
    return RegionsOf(kept);
}

namespace smart {

namespace {

// The sections of the loops (each with its islands) with the index of their loop and
// their boxes, in loop, contour and chain order; `each` (if set) sees every contour.
void ListSections(const std::vector<CSmartLoop*>& loops, std::vector<CSmartSect*>& sects, std::vector<int>& owner,
                  std::vector<const double*>& boxes, const std::function<void(CSmartLoop*, int)>& each)
{
    for (std::size_t k = 0; k < loops.size(); ++k)
        for (CSmartLoop* x = loops[k]; x; x = x == loops[k] ? loops[k]->islands : x->next) {
            for (CSmartSect* s = x->contour ? x->contour->head : nullptr; s; s = s->next) {
                sects.push_back(s);
                owner.push_back(static_cast<int>(k));
                boxes.push_back(s->box);
            }
            if (each)
                each(x, static_cast<int>(k));
        }
}

// The crossings of the section pairs (i < j in list order) at both sections.
void AddCrossings(const std::vector<CSmartSect*>& sects, const std::vector<std::pair<int, int>>& pairs)
{
    for (const auto& [i, j] : pairs) {
        double x[2][2];
        const int n = SectSectIntersect(sects[static_cast<std::size_t>(i)], sects[static_cast<std::size_t>(j)], x);
        for (int m = 0; m < n; ++m) {
            sects[static_cast<std::size_t>(i)]->AddIntPt(x[m]);
            sects[static_cast<std::size_t>(j)]->AddIntPt(x[m]);
        }
    }
}

// Leaves out the items whose box meets (within tol) the box of no other owner's items:
// they pair with nothing. Owners ascend along the items. Nothing is left out when a box
// cannot be placed (such a box is compared with every other).
void DropLoneItems(std::vector<const double*>& boxes, std::vector<int>& owner, std::vector<int>& item, double tol)
{
    if (owner.empty())
        return;
    const auto owners = static_cast<std::size_t>(owner.back()) + 1;
    std::vector<std::array<double, 4>> ob(owners, {HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL});
    double mn[2] = {HUGE_VAL, HUGE_VAL}, mx[2] = {-HUGE_VAL, -HUGE_VAL};
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const double* b = boxes[i];
        if (!(std::isfinite(b[0]) && std::isfinite(b[1]) && std::isfinite(b[2]) && std::isfinite(b[3]) && b[0] <= b[2] &&
              b[1] <= b[3]))
            return;
        auto& o = ob[static_cast<std::size_t>(owner[i])];
        o = {std::min(o[0], b[0]), std::min(o[1], b[1]), std::max(o[2], b[2]), std::max(o[3], b[3])};
        mn[0] = std::min(mn[0], b[0] - tol);
        mn[1] = std::min(mn[1], b[1] - tol);
        mx[0] = std::max(mx[0], b[2] + tol);
        mx[1] = std::max(mx[1], b[3] + tol);
    }
    CellGrid grid(mn, mx, 4.0 * static_cast<double>(owners) + 16);
    for (std::size_t m = 0; m < owners; ++m)
        if (ob[m][0] <= ob[m][2])
            grid.ForBox(ob[m][0] - tol, ob[m][1] - tol, ob[m][2] + tol, ob[m][3] + tol,
                        [&](int ix, int iy) { grid.Cell(ix, iy).push_back(static_cast<int>(m)); });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const double* b = boxes[i];
        bool meets = false;
        grid.ForBox(b[0], b[1], b[2], b[3], [&](int ix, int iy) {
            for (int m : grid.Cell(ix, iy))
                meets = meets || (m != owner[i] && BoxesOverlap(tol, b, ob[static_cast<std::size_t>(m)].data()));
        });
        if (meets) {
            boxes[kept] = boxes[i];
            owner[kept] = owner[i];
            item[kept] = item[i];
            ++kept;
        }
    }
    boxes.resize(kept);
    owner.resize(kept);
    item.resize(kept);
}

}  // namespace

// Crossings between the sections of different loops (each loop with its islands) that
// `cut` admits, stored on both sections. One box sweep over all sections finds exactly
// the section pairs the per-pair loop crossing (ContourContourInt) meets, whose loop and
// section boxes are compared with the same margin; the section of the earlier loop goes
// first, as there (sections are listed in loop order).
void CrossLoops(const std::vector<CSmartLoop*>& loops, const std::function<bool(int, int)>& cut)
{
    std::vector<CSmartSect*> sects;
    std::vector<int> owner;
    std::vector<const double*> boxes;
    ListSections(loops, sects, owner, boxes, nullptr);
    auto pairs = SelfBoxPairs(boxes, kJoint, owner);
    std::erase_if(pairs, [&](const std::pair<int, int>& p) {
        return !cut(owner[static_cast<std::size_t>(p.first)], owner[static_cast<std::size_t>(p.second)]);
    });
    AddCrossings(sects, pairs);
}

void CrossLoops(const std::vector<CSmartLoop*>& loops, const std::vector<int>& group)
{
    std::vector<CSmartSect*> sects;
    std::vector<int> owner;
    std::vector<const double*> boxes;
    ListSections(loops, sects, owner, boxes, nullptr);
    for (int& k : owner)
        k = group[static_cast<std::size_t>(k)];
    // Two runs of one group each (the operands of a Boolean): only pairs across the runs
    // are looked at, the same pairs in the same order.
    const auto split = std::find_if(owner.begin(), owner.end(), [&](int g) { return g != owner.front(); });
    if (split == owner.end() || std::find_if(split, owner.end(), [&](int g) { return g != *split; }) != owner.end()) {
        AddCrossings(sects, SelfBoxPairs(boxes, kJoint, owner));
        return;
    }
    const auto m = split - owner.begin();
    auto pairs = CrossBoxPairs(std::vector<const double*>(boxes.begin(), boxes.begin() + m),
                               std::vector<const double*>(boxes.begin() + m, boxes.end()), kJoint);
    for (auto& pr : pairs)
        pr.second += static_cast<int>(m);
    AddCrossings(sects, pairs);
}

bool LoopsMeet(const std::vector<CSmartLoop*>& loops)
{
    std::vector<CSmartSect*> sects;
    std::vector<int> owner;
    std::vector<const double*> boxes;
    std::vector<std::array<double, 4>> probes;
    std::vector<int> probeOwner;
    ListSections(loops, sects, owner, boxes, [&](CSmartLoop* x, int k) {
        double p[2];
        if (PieceProbe(x->contour, p)) {
            probes.push_back({p[0], p[1], p[0], p[1]});
            probeOwner.push_back(k);
        }
    });
    // Sections and test points loop by loop (sections in list order): the pair sweep skips
    // the pairs of one loop by runs. Item k: section k, or test point -1 - k.
    std::vector<const double*> itemBoxes;
    std::vector<int> itemOwner, item;
    itemBoxes.reserve(boxes.size() + probes.size());
    itemOwner.reserve(itemBoxes.capacity());
    item.reserve(itemBoxes.capacity());
    for (std::size_t i = 0, j = 0; i < sects.size() || j < probes.size();) {
        const bool sect = j == probes.size() || (i < sects.size() && owner[i] <= probeOwner[j]);
        itemBoxes.push_back(sect ? boxes[i] : probes[j].data());
        itemOwner.push_back(sect ? owner[i] : probeOwner[j]);
        item.push_back(sect ? static_cast<int>(i++) : -1 - static_cast<int>(j++));
    }
    DropLoneItems(itemBoxes, itemOwner, item, kJoint);
    // Whether any pair meets: the pairs in any order.
    return ForSelfBoxPairs(itemBoxes, kJoint, itemOwner, [&](int i0, int j0) {
        const int a = item[static_cast<std::size_t>(i0)], b = item[static_cast<std::size_t>(j0)];
        if (a < 0 && b < 0)
            return false;  // two test points
        if (a >= 0 && b >= 0) {
            double x[2][2];  // a < b: the earlier section first
            return SectSectIntersect(sects[static_cast<std::size_t>(a)], sects[static_cast<std::size_t>(b)], x) > 0;
        }
        double f[2];
        const int sect = std::max(a, b), probe = -1 - std::min(a, b);
        return sects[static_cast<std::size_t>(sect)]->MinDistPoint(probes[static_cast<std::size_t>(probe)].data(), f) < kOnBoundary;
    });
}

CSmartLoop* WeldApartRegions(std::vector<CSmartLoop*> loops)
{
    if (loops.size() < 2 || !ContoursWalkWhole(loops) || LoopsMeet(loops))
        return CSmartLoop::WeldContours(LinkChain(loops));
    // The weld's pieces are copies of whole contours (intersection points gone, mark bits
    // below 0x80 cleared, source and index kept) in loop and island order;
    // the walk gives each back as it stands, boxed and measured anew, and drops those of
    // no area. Regions are then assembled as after the weld.
    std::vector<CSmartLoop*> formed;
    for (CSmartLoop* L : loops) {
        for (CSmartLoop* x = L; x; x = x == L ? L->islands : x->next) {
            CSmartCurve* c = x->contour;
            x->contour = nullptr;
            for (CSmartSect* s = c->head; s; s = s->next) {
                delete s->points;
                s->points = nullptr;
                s->mark &= 0x80;
                s->offsetCopy = nullptr;
                s->number = 0;
            }
            auto* N = new CSmartLoop;
            N->contour = c;
            c->DefineBox();
            N->Area();
            N->DefineBox();
            if (std::fabs(N->area) < kMinLoopArea || !std::isfinite(N->area))
                delete N;
            else
                formed.push_back(N);
        }
    }
    DeleteAll(loops);
    return AssembleRegions(std::move(formed), false);
}

LoopPointIndex::LoopPointIndex(const std::vector<CSmartLoop*>& loops, double margin) : m_boxes(LoopBoxes(loops)), m_margin(margin)
{
    double mn[2] = {HUGE_VAL, HUGE_VAL}, mx[2] = {-HUGE_VAL, -HUGE_VAL};
    std::vector<int> placed;
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        const auto& b = m_boxes[i];
        if (!(std::isfinite(b[0]) && std::isfinite(b[1]) && std::isfinite(b[2]) && std::isfinite(b[3]) && b[0] <= b[2] &&
              b[1] <= b[3])) {
            m_loose.push_back(static_cast<int>(i));
            continue;
        }
        placed.push_back(static_cast<int>(i));
        mn[0] = std::min(mn[0], b[0] - margin);
        mn[1] = std::min(mn[1], b[1] - margin);
        mx[0] = std::max(mx[0], b[2] + margin);
        mx[1] = std::max(mx[1], b[3] + margin);
    }
    if (placed.empty())
        return;
    m_grid = CellGrid(mn, mx, static_cast<double>(placed.size()) * 4);
    for (int i : placed) {
        const auto& b = m_boxes[static_cast<std::size_t>(i)];
        m_grid.ForBox(b[0] - margin, b[1] - margin, b[2] + margin, b[3] + margin,
                      [&](int ix, int iy) { m_grid.Cell(ix, iy).push_back(i); });
    }
}

const std::vector<int>& LoopPointIndex::At(const double* p)
{
    m_found = m_loose;
    if (std::isfinite(p[0]) && std::isfinite(p[1]))
        for (int i : m_grid.Cell(m_grid.CellX(p[0]), m_grid.CellY(p[1]))) {
            const auto& b = m_boxes[static_cast<std::size_t>(i)];
            if (p[0] >= b[0] - m_margin && p[0] <= b[2] + m_margin && p[1] >= b[1] - m_margin && p[1] <= b[3] + m_margin)
                m_found.push_back(i);
        }
    std::sort(m_found.begin(), m_found.end());
    return m_found;
}

}  // namespace smart
