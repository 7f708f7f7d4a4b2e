// CPointList::ResortAllPoint and CSmartCurve::ResortCurves: greedy merging of the closest
// chain ends (of points, or of curves each taken as a chain of its two ends).
//
// The merge rule is the plain one: among all pairs of chains, the pair of ends with the
// smallest distance is joined (the four end pairs of two chains compared in the order
// first-first, first-last, last-first, last-last, the first smallest kept), the chain in
// the later slot reversed when the two ends are of the same kind, the merged chain kept
// in the slot of the chain that leads it and the freed slot filled with the last chain.
// Instead of a distance matrix and full rescans, every chain end keeps its nearest end of
// another chain in a lazy priority queue (the set of ends only shrinks, so a queued
// distance never exceeds the end's present nearest distance: the smallest valid entry is
// the closest pair). Equal distances between different chain pairs are resolved by
// point order, deterministically. Chains are linked through index arrays with a
// reversal flag per chain, so that a reversal costs nothing and a join flips the
// smaller chain. Crossings are removed after every merge by 2-opt moves, testing only
// the segments the merge or a move created and the segments of the smaller merged chain
// against the larger, through a grid of the segments.
//
// Curves start as two-end chains and follow their own merge rule: the chain in the
// earlier slot always leads (reversed when its start was chosen), the later one follows
// (reversed when its end was chosen); no uncrossing.
#include "toolpath/contours/SmartCurve.h"
#include "toolpath/contours/SmartPoint.h"

#include "framework/numerak/Point2D.h"
#include "toolpath/contours/CellGrid.h"
#include "toolpath/contours/ChainCross.h"
#include "toolpath/contours/SectIntersect.h"
#include "toolpath/contours/SmartConst.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <queue>
#include <tuple>
#include <utility>
#include <vector>

using namespace smart;

namespace {


class GreedyOrder {
public:
    // With `pairs`, points 2k and 2k + 1 are the two ends of item k (the curve rule).
    explicit GreedyOrder(std::vector<std::array<double, 2>> pts, bool pairs = false);
    // The points' indices in path order.
    std::vector<int> Run();

private:
    struct Chain {
        int first, last, size, slot;
        bool rev;  // the chain runs through prv[] instead of nxt[]
    };
    struct Entry {
        double d;
        int e, f;
        bool operator>(const Entry& o) const { return std::tie(d, e, f) > std::tie(o.d, o.e, o.f); }
    };
    // Two segments found crossing, each by its two points.
    struct Work {
        int p1, q1, p2, q2;
    };

    const double* P(int i) const { return m_pts[static_cast<std::size_t>(i)].data(); }
    int Find(int i);
    int Next(int i, const Chain& c) const { return c.rev ? m_prv[i] : m_nxt[i]; }
    bool IsEnd(int i)
    {
        const Chain& c = m_chain[Find(i)];
        return c.first == i || c.last == i;
    }
    bool Adjacent(int p, int q) const { return m_nxt[p] == q || m_prv[p] == q; }

    void BuildEndGrid();
    void PushNearest(int e);
    bool FewChains() const { return m_slots.size() <= kFewChains; }
    void PushNearestOfFew(int e);
    void Merge(int ca, int cb);
    void Flip(Chain& c);
    int Join(int front, int back);
    void PlaceMerged(int root, int leaderSlot, int appendedSlot);
    void AddSeg(int p, int q);
    void QueueCrossings(int p, int q, int root);
    void Uncross(int root);
    void ReverseRun(int first, int last);
    // Orients the two crossing segments along the chain: a-b before c-d.
    bool Order(const Work& w, const Chain& c, int& a, int& b, int& cc, int& d) const;

    std::vector<std::array<double, 2>> m_pts;
    int m_n;
    bool m_pairs;
    std::vector<int> m_nxt, m_prv, m_parent;
    std::vector<Chain> m_chain;  // valid at union-find roots
    std::vector<int> m_slots;    // chain roots in slot order
    // With this many chains or fewer a scan of every end beats the grid of ends.
    static constexpr std::size_t kFewChains = 128;
    CellGrid m_ends;
    int m_endsInGrid = 0;
    // The ends of every chain (position, point, chain root) for PushNearestOfFew, made
    // anew after a merge.
    struct End {
        double x, y;
        int id, root;
    };
    std::vector<End> m_live;
    bool m_liveStale = true;
    std::vector<std::pair<double, int>> m_near;  // PushNearestOfFew's candidates: square, end
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> m_queue;
    CellGrid m_segGrid;
    std::vector<std::array<int, 2>> m_segs;
    VisitStamp m_seen;
    std::vector<Work> m_work;
};

GreedyOrder::GreedyOrder(std::vector<std::array<double, 2>> pts, bool pairs)
    : m_pts(std::move(pts)), m_n(static_cast<int>(m_pts.size())), m_pairs(pairs)
{
    m_nxt.assign(static_cast<std::size_t>(m_n), -1);
    m_prv.assign(static_cast<std::size_t>(m_n), -1);
    m_parent.resize(static_cast<std::size_t>(m_n));
    m_chain.resize(static_cast<std::size_t>(m_n));
    double mn[2] = {HUGE_VAL, HUGE_VAL}, mx[2] = {-HUGE_VAL, -HUGE_VAL};
    for (int i = 0; i < m_n; ++i) {
        m_parent[i] = i;
        m_chain[i] = {i, i, 1, i, false};
        m_slots.push_back(i);
        for (int k = 0; k < 2; ++k) {
            mn[k] = std::min(mn[k], P(i)[k]);
            mx[k] = std::max(mx[k], P(i)[k]);
        }
    }
    m_segGrid = CellGrid(mn, mx, m_n);
    if (m_pairs) {
        m_slots.clear();
        for (int k = 0; 2 * k + 1 < m_n; ++k) {
            const int a = 2 * k, b = a + 1;
            m_nxt[a] = b;
            m_prv[b] = a;
            m_parent[b] = a;
            m_chain[a] = {a, b, 2, k, false};
            m_slots.push_back(a);
        }
    }
}

int GreedyOrder::Find(int i)
{
    while (m_parent[i] != i) {
        m_parent[i] = m_parent[m_parent[i]];
        i = m_parent[i];
    }
    return i;
}

void GreedyOrder::BuildEndGrid()
{
    if (FewChains())
        return;
    std::vector<int> ends;
    for (int r : m_slots) {
        ends.push_back(m_chain[r].first);
        if (m_chain[r].last != m_chain[r].first)
            ends.push_back(m_chain[r].last);
    }
    double mn[2] = {HUGE_VAL, HUGE_VAL}, mx[2] = {-HUGE_VAL, -HUGE_VAL};
    for (int e : ends)
        for (int k = 0; k < 2; ++k) {
            mn[k] = std::min(mn[k], P(e)[k]);
            mx[k] = std::max(mx[k], P(e)[k]);
        }
    m_ends = CellGrid(mn, mx, static_cast<double>(ends.size()));
    for (int e : ends)
        m_ends.Cell(m_ends.CellX(P(e)[0]), m_ends.CellY(P(e)[1])).push_back(e);
    m_endsInGrid = static_cast<int>(ends.size());
}

// Nearest end of another chain, ring by ring of cells around e's cell (a point in ring
// r + 1 lies at least r cells away); equal distances go to the lower index.
void GreedyOrder::PushNearest(int e)
{
    if (FewChains()) {
        PushNearestOfFew(e);
        return;
    }
    const int re = Find(e);
    const int cx = m_ends.CellX(P(e)[0]), cy = m_ends.CellY(P(e)[1]);
    double best = HUGE_VAL;
    int bf = -1;
    const int rings = std::max(m_ends.Nx(), m_ends.Ny());
    for (int r = 0; r <= rings; ++r) {
        if (bf >= 0 && best < (r - 1) * m_ends.Size())
            break;
        for (int iy = cy - r; iy <= cy + r; ++iy) {
            if (iy < 0 || iy >= m_ends.Ny())
                continue;
            const int step = (iy == cy - r || iy == cy + r || r == 0) ? 1 : 2 * r;
            for (int ix = cx - r; ix <= cx + r; ix += step) {
                if (ix < 0 || ix >= m_ends.Nx())
                    continue;
                for (int f : m_ends.Cell(ix, iy)) {
                    // The distance is at least the larger coordinate difference: ends
                    // farther than that from e cannot win or tie.
                    if (bf >= 0 && std::max(std::fabs(P(e)[0] - P(f)[0]), std::fabs(P(e)[1] - P(f)[1])) > best)
                        continue;
                    if (f == e || !IsEnd(f) || Find(f) == re)
                        continue;
                    const double d = P2D_Dist(P(e), P(f));
                    if (bf < 0 || d < best || (d == best && f < bf)) {
                        best = d;
                        bf = f;
                    }
                }
            }
        }
    }
    if (bf >= 0)
        m_queue.push({best, e, bf});
}

// PushNearest by a scan of the ends of every other chain. Squared distances pick the ends
// that can be nearest: an end whose square exceeds the least by more than rounding is
// farther by hypot as well. Among the rest hypot decides, equal distances going to the
// lower index, as in the grid search.
void GreedyOrder::PushNearestOfFew(int e)
{
    if (m_liveStale) {
        m_live.clear();
        for (int r : m_slots) {
            const Chain& c = m_chain[r];
            m_live.push_back({P(c.first)[0], P(c.first)[1], c.first, r});
            if (c.last != c.first)
                m_live.push_back({P(c.last)[0], P(c.last)[1], c.last, r});
        }
        m_liveStale = false;
    }
    const int re = Find(e);
    const double ex = P(e)[0], ey = P(e)[1];
    // Squares below 1e-290 may have lost their order to underflow: hypot decides them too.
    const auto reachOf = [](double least) { return std::max(least * (1 + 1e-9), 1e-290); };
    // The ends within reach of the least square so far: a superset of those within reach
    // of the least of all.
    double least = HUGE_VAL, reach = reachOf(least);
    m_near.clear();
    for (const End& f : m_live) {
        const double dx = ex - f.x, dy = ey - f.y;
        const double sq = dx * dx + dy * dy;
        if (f.root == re || !(sq <= reach))
            continue;
        m_near.push_back({sq, f.id});
        if (sq < least) {
            least = sq;
            reach = reachOf(least);
        }
    }
    double best = HUGE_VAL;
    int bf = -1;
    for (const auto& [sq, f] : m_near) {
        if (!(sq <= reach))
            continue;
        const double d = P2D_Dist(P(e), P(f));
        if (bf < 0 || d < best || (d == best && f < bf)) {
            best = d;
            bf = f;
        }
    }
    if (bf >= 0)
        m_queue.push({best, e, bf});
}

void GreedyOrder::Flip(Chain& c)
{
    for (int i = c.first;;) {
        const int n = Next(i, c);
        std::swap(m_nxt[i], m_prv[i]);
        if (i == c.last)
            break;
        i = n;
    }
    c.rev = !c.rev;
}

// Appends chain `back` behind chain `front`, flipping the smaller one when their senses
// differ; returns the root of the merged chain.
int GreedyOrder::Join(int front, int back)
{
    Chain& f = m_chain[front];
    Chain& b = m_chain[back];
    if (f.rev != b.rev)
        Flip(f.size < b.size ? f : b);
    if (f.rev) {
        m_prv[f.last] = b.first;
        m_nxt[b.first] = f.last;
    } else {
        m_nxt[f.last] = b.first;
        m_prv[b.first] = f.last;
    }
    const Chain merged{f.first, b.last, f.size + b.size, f.slot, f.rev};
    const int root = f.size >= b.size ? front : back;
    m_parent[root == front ? back : front] = root;
    m_chain[root] = merged;
    return root;
}

// The merged chain takes the leader's slot; the appended chain's slot takes the last chain.
void GreedyOrder::PlaceMerged(int root, int leaderSlot, int appendedSlot)
{
    m_chain[root].slot = leaderSlot;
    m_slots[static_cast<std::size_t>(leaderSlot)] = root;
    const int last = m_slots.back();
    m_slots.pop_back();
    if (appendedSlot < static_cast<int>(m_slots.size())) {
        m_slots[static_cast<std::size_t>(appendedSlot)] = last;
        m_chain[last].slot = appendedSlot;
    }
}

void GreedyOrder::Merge(int ca, int cb)
{
    m_liveStale = true;
    int ci = ca, cj = cb;
    if (m_chain[ci].slot > m_chain[cj].slot)
        std::swap(ci, cj);
    const int si = m_chain[ci].slot, sj = m_chain[cj].slot;
    const int endsI[2] = {m_chain[ci].first, m_chain[ci].last};
    const int endsJ[2] = {m_chain[cj].first, m_chain[cj].last};
    double best = kFarDistance;
    int bi = 1, bj = 0;
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b) {
            const double d = P2D_Dist(P(endsI[a]), P(endsJ[b]));
            if (d < best) {
                best = d;
                bi = a;
                bj = b;
            }
        }
    auto reverse = [](Chain& c) {
        std::swap(c.first, c.last);
        c.rev = !c.rev;
    };
    if (m_pairs) {
        if (bi == 0)
            reverse(m_chain[ci]);
        if (bj == 1)
            reverse(m_chain[cj]);
        PlaceMerged(Join(ci, cj), si, sj);
        return;
    }
    if (bi == bj)
        reverse(m_chain[cj]);
    // The smaller chain's segments, to be tested against the larger chain after the join.
    const Chain& sm = m_chain[ci].size <= m_chain[cj].size ? m_chain[ci] : m_chain[cj];
    std::vector<std::array<int, 2>> smallSegs;
    for (int p = sm.first; p != sm.last; p = Next(p, sm))
        smallSegs.push_back({p, Next(p, sm)});
    const int front = bi == 1 ? ci : cj, back = bi == 1 ? cj : ci;
    const int joint[2] = {m_chain[front].last, m_chain[back].first};
    const int root = Join(front, back);
    PlaceMerged(root, bi == 1 ? si : sj, bi == 1 ? sj : si);

    m_work.clear();
    AddSeg(joint[0], joint[1]);
    QueueCrossings(joint[0], joint[1], root);
    for (const auto& s : smallSegs)
        QueueCrossings(s[0], s[1], root);
    Uncross(root);
}

void GreedyOrder::AddSeg(int p, int q)
{
    // Segments too short to cross anything stay out of the grid.
    if (P2D_AbsDist(P(p), P(q)) < kChainTol)
        return;
    const int id = static_cast<int>(m_segs.size());
    m_segs.push_back({p, q});
    m_segGrid.ForSegment(P(p), P(q), [&](int ix, int iy) { m_segGrid.Cell(ix, iy).push_back(id); });
}

void GreedyOrder::QueueCrossings(int p, int q, int root)
{
    if (P2D_AbsDist(P(p), P(q)) < kChainTol)
        return;
    m_seen.Begin();
    m_segGrid.ForSegment(P(p), P(q), [&](int ix, int iy) {
        for (int o : m_segGrid.Cell(ix, iy)) {
            if (!m_seen.First(o))
                continue;
            const auto h = m_segs[static_cast<std::size_t>(o)];
            if (h[0] == p || h[0] == q || h[1] == p || h[1] == q || !Adjacent(h[0], h[1]) || Find(h[0]) != root)
                continue;
            if (ChainSegmentsCross(P(p), P(q), P(h[0]), P(h[1])))
                m_work.push_back({p, q, h[0], h[1]});
        }
    });
}

bool GreedyOrder::Order(const Work& w, const Chain& c, int& a, int& b, int& cc, int& d) const
{
    int s1[2] = {w.p1, w.q1}, s2[2] = {w.p2, w.q2};
    if (Next(s1[0], c) != s1[1])
        std::swap(s1[0], s1[1]);
    if (Next(s2[0], c) != s2[1])
        std::swap(s2[0], s2[1]);
    // Walk on from both segments at once: the one whose walk meets the other leads; a
    // walk that runs off the chain's end shows the other segment leads.
    for (int x = s1[1], y = s2[1];;) {
        if (x == s2[0] || y < 0) {
            a = s1[0], b = s1[1], cc = s2[0], d = s2[1];
            return true;
        }
        if (y == s1[0] || x < 0) {
            a = s2[0], b = s2[1], cc = s1[0], d = s1[1];
            return true;
        }
        x = Next(x, c);
        y = Next(y, c);
    }
}

void GreedyOrder::ReverseRun(int first, int last)
{
    const int before = m_prv[first], after = m_nxt[last];
    for (int p = first; p != after;) {
        const int n = m_nxt[p];
        std::swap(m_nxt[p], m_prv[p]);
        p = n;
    }
    m_prv[last] = before;
    m_nxt[first] = after;
    if (before >= 0)
        m_nxt[before] = last;
    if (after >= 0)
        m_prv[after] = first;
}

// 2-opt moves until no queued crossing is left; each move replaces a-b and c-d by a-c
// and b-d (shorter: the path strictly shortens, so the moves end) and queues the
// crossings of the two new segments.
void GreedyOrder::Uncross(int root)
{
    while (!m_work.empty()) {
        const Work w = m_work.back();
        m_work.pop_back();
        if (!Adjacent(w.p1, w.q1) || !Adjacent(w.p2, w.q2))
            continue;
        const Chain& c = m_chain[root];
        int a, b, cc, d;
        Order(w, c, a, b, cc, d);
        if (!ChainSegmentsCross(P(a), P(b), P(cc), P(d)))
            continue;
        if (c.rev)
            ReverseRun(cc, b);
        else
            ReverseRun(b, cc);
        AddSeg(a, cc);
        AddSeg(b, d);
        QueueCrossings(a, cc, root);
        QueueCrossings(b, d, root);
    }
}

std::vector<int> GreedyOrder::Run()
{
    BuildEndGrid();
    for (int e = 0; e < m_n; ++e)
        PushNearest(e);
    while (m_slots.size() > 1 && !m_queue.empty()) {
        const Entry top = m_queue.top();
        m_queue.pop();
        if (!IsEnd(top.e))
            continue;
        if (!IsEnd(top.f) || Find(top.f) == Find(top.e)) {
            PushNearest(top.e);
            continue;
        }
        Merge(Find(top.e), Find(top.f));
        if (static_cast<int>(m_slots.size()) * 8 < m_endsInGrid)
            BuildEndGrid();
        if (IsEnd(top.e))
            PushNearest(top.e);
        if (IsEnd(top.f))
            PushNearest(top.f);
    }
    std::vector<int> order;
    for (int r : m_slots) {
        const Chain& c = m_chain[r];
        for (int p = c.first; p >= 0; p = p == c.last ? -1 : Next(p, c))
            order.push_back(p);
    }
    return order;
}

}  // namespace

int CPointList::ResortAllPoint()
{
    if (count <= 2)
        return 1;
    std::vector<CSmartPoint*> finite, other;
    std::vector<std::array<double, 2>> xy;
    for (CSmartPoint* p = head; p; p = p->next) {
        if (std::isfinite(p->x) && std::isfinite(p->y)) {
            finite.push_back(p);
            xy.push_back({p->x, p->y});
        } else {
            other.push_back(p);  // no distance to order by: kept at the end in list order
        }
    }
    std::vector<CSmartPoint*> out;
    if (finite.size() > 2 || (finite.size() == 2 && !other.empty())) {
        for (int i : GreedyOrder(std::move(xy)).Run())
            out.push_back(finite[static_cast<std::size_t>(i)]);
    } else {
        out = finite;
    }
    out.insert(out.end(), other.begin(), other.end());
    head = tail = nullptr;
    count = 0;
    for (CSmartPoint* p : out) {
        p->next = p->prev = nullptr;
        InsertAfter(p, tail);
    }
    return 1;
}

CSmartCurve* CSmartCurve::ResortCurves(CSmartCurve* chain)
{
    std::vector<CSmartCurve*> all;
    for (CSmartCurve* c = chain; c; c = c->next)
        all.push_back(c);
    if (all.size() < 3)
        return chain;
    // Curves without sections or with ends that are not finite have no distance to order
    // by: they stay behind the others in chain order.
    std::vector<CSmartCurve*> finite, other;
    std::vector<std::array<double, 2>> ends;
    for (CSmartCurve* c : all) {
        double a[2], b[2];
        if (c->head) {
            c->head->GetPoint(0, a);
            c->tail->GetPoint(1, b);
        }
        if (c->head && std::isfinite(a[0]) && std::isfinite(a[1]) && std::isfinite(b[0]) && std::isfinite(b[1])) {
            finite.push_back(c);
            ends.push_back({a[0], a[1]});
            ends.push_back({b[0], b[1]});
        } else {
            other.push_back(c);
        }
    }
    std::vector<CSmartCurve*> out;
    if (finite.size() >= 2) {
        const std::vector<int> order = GreedyOrder(std::move(ends), true).Run();
        for (std::size_t i = 0; i < order.size(); i += 2)
            out.push_back(finite[static_cast<std::size_t>(order[i] / 2)]);
    } else {
        out = finite;
    }
    out.insert(out.end(), other.begin(), other.end());
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i]->next = i + 1 < out.size() ? out[i + 1] : nullptr;
    return out.front();
}
