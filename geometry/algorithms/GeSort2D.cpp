#include "geometry/algorithms/GeSort2D.h"

#include "framework/numerak/Point2D.h"
#include "geometry/shapes2d/GeCurve.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

using CurveList = CGeTool2D::CurveList;

// Starting distance of the nearest searches: nothing this far is taken.
constexpr double kFar = 1e12;
// A combination of the re-sorted halves is taken when it travels no more than
// this above the shortest.
constexpr double kLengthTol = 0.0001;
constexpr std::size_t kNone = static_cast<std::size_t>(-1);
// Largest sort whose gaps are kept in a table (8 MB of doubles).
constexpr std::size_t kMaxTabled = 1024;

// A curve with its entry and link points read once.
struct Item {
    CGeCurve* curve = nullptr;
    double start[2] = {0.0, 0.0};
    double link[2] = {0.0, 0.0};
    std::size_t id = 0;    // index among the items of one sort
    std::size_t rank = 0;  // position in the ordering being built (scratch)
};
using Order = std::vector<Item*>;

// The gap from one curve's link point to another's start, each pair computed
// once per sort: the re-sorting of the halves asks for the same pairs again and
// again, and the distance dominates the cost. The table gives the very values
// of computing afresh, so every choice stays the same. Sorts of more than
// kMaxTabled curves compute every gap when asked.
class Gaps {
public:
    explicit Gaps(std::size_t count) : n_(count <= kMaxTabled ? count : 0), table_(n_ * n_, kUnset) {}

    double operator()(const Item* from, const Item* to)
    {
        if (!n_) return P2D_Dist(from->link, to->start);
        double& g = table_[from->id * n_ + to->id];
        if (g == kUnset) {
            g = P2D_Dist(from->link, to->start);
            // Curves linked at their start: the way back is the same distance.
            if (LinksAtStart(from) && LinksAtStart(to)) table_[to->id * n_ + from->id] = g;
        }
        return g;
    }

private:
    static constexpr double kUnset = -1.0;
    static bool LinksAtStart(const Item* it) { return it->link[0] == it->start[0] && it->link[1] == it->start[1]; }

    std::size_t n_;
    std::vector<double> table_;
};

double Travel(const Order& order, Gaps& gap)
{
    double length = 0.0;
    for (std::size_t i = 1; i < order.size(); ++i) length += gap(order[i - 1], order[i]);
    return length;
}

// Index of the item whose distance (by dist) is the smallest (the first of
// equals), or kNone.
template <class Dist>
std::size_t Nearest(const Order& order, Dist&& dist)
{
    double best = kFar;
    std::size_t found = kNone;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const double d = dist(order[i]);
        if (d < best) {
            best = d;
            found = i;
        }
    }
    return found;
}

// Greedy insertion. The plain rule scans every (placed, remaining) pair for
// the smallest gap, the earlier placed curve and then the earlier remaining
// curve winning ties, and inserts the winner beside its placed curve. Here
// each remaining curve keeps its best placed curve, updated as curves join
// (an equal gap goes to the curve placed earlier in the ordering), so a step
// costs one pass over the remaining curves and the whole sort O(n^2).
void GreedyInsert(Order& result, const Order& source, Gaps& gap)
{
    for (std::size_t r = 0; r < result.size(); ++r) result[r]->rank = r;
    std::vector<double> bestGap(source.size(), kFar);
    std::vector<Item*> bestAt(source.size(), nullptr);
    for (std::size_t i = 0; i < source.size(); ++i) {
        for (Item* q : result) {
            const double d = gap(q, source[i]);
            if (d < bestGap[i]) {
                bestGap[i] = d;
                bestAt[i] = q;
            }
        }
    }
    std::vector<std::size_t> rest(source.size());
    for (std::size_t i = 0; i < rest.size(); ++i) rest[i] = i;

    while (!rest.empty()) {
        std::size_t pick = kNone;
        for (std::size_t k = 0; k < rest.size(); ++k) {
            const std::size_t i = rest[k];
            if (!bestAt[i]) continue;
            if (pick == kNone) {
                pick = k;
                continue;
            }
            const std::size_t p = rest[pick];
            if (bestGap[i] < bestGap[p] || (bestGap[i] == bestGap[p] && bestAt[i]->rank < bestAt[p]->rank))
                pick = k;
        }
        if (pick == kNone) break;
        Item* m = source[rest[pick]];
        Item* q = bestAt[rest[pick]];
        rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(pick));

        std::size_t at = result.size();
        if (result.size() > 1) {
            const std::size_t qr = q->rank;
            Item* r = qr > 0 ? result[qr - 1] : nullptr;
            Item* s = qr + 1 < result.size() ? result[qr + 1] : nullptr;
            double after = 0.0, before = 0.0;
            if (r) {
                after = gap(r, q) + gap(q, m);
                before = gap(r, m) + gap(m, q);
                if (s) {
                    after += gap(m, s);
                    before += gap(q, s);
                }
            } else {
                after = gap(q, m) + gap(m, s);
                before = gap(m, q) + gap(q, s);
            }
            at = before > after ? qr + 1 : qr;
        }
        result.insert(result.begin() + static_cast<std::ptrdiff_t>(at), m);
        for (std::size_t r = at; r < result.size(); ++r) result[r]->rank = r;

        for (const std::size_t j : rest) {
            const double d = gap(m, source[j]);
            if (d < bestGap[j] || (d == bestGap[j] && bestAt[j] && m->rank < bestAt[j]->rank)) {
                bestGap[j] = d;
                bestAt[j] = m;
            }
        }
    }
    // Curves no finite gap reaches keep their order at the end.
    for (const std::size_t i : rest) result.push_back(source[i]);
}

// Where the ordering splits at its largest gap (the first of equals, above
// 0): the index of the curve after the gap, or 0 for no split. A gap before
// the last curve splits off nothing worth sorting again.
std::size_t SplitAt(const Order& order, Gaps& gap)
{
    double largest = 0.0;
    std::size_t at = 0;
    for (std::size_t i = 1; i < order.size(); ++i) {
        const double g = gap(order[i - 1], order[i]);
        if (g > largest) {
            largest = g;
            at = i;
        }
    }
    return at + 1 == order.size() ? 0 : at;
}

Order Joined(const Order& a, const Order& b)
{
    Order joined;
    joined.reserve(a.size() + b.size());
    joined.insert(joined.end(), a.begin(), a.end());
    joined.insert(joined.end(), b.begin(), b.end());
    return joined;
}

// start: the user's point, or the item whose link point the ordering leaves.
void SortNear(const double* p, const Item* from, Order& order, Gaps& gap)
{
    if (order.size() <= 2) return;
    const std::size_t first = from ? Nearest(order, [&](const Item* it) { return gap(from, it); })
                                   : Nearest(order, [&](const Item* it) { return P2D_Dist(p, it->start); });
    if (first == kNone) return;
    Order result{order[first]};
    result.reserve(order.size());
    Order source;
    source.reserve(order.size() - 1);
    for (std::size_t i = 0; i < order.size(); ++i)
        if (i != first) source.push_back(order[i]);
    GreedyInsert(result, source, gap);
    const double greedy = Travel(result, gap);

    if (const std::size_t split = SplitAt(result, gap)) {
        Order a(result.begin(), result.begin() + static_cast<std::ptrdiff_t>(split));
        Order b(result.begin() + static_cast<std::ptrdiff_t>(split), result.end());
        const Item* last = a.back();
        const std::size_t k = Nearest(b, [&](const Item* it) { return gap(last, it); });
        if (k != kNone) {
            a.push_back(b[k]);
            b.erase(b.begin() + static_cast<std::ptrdiff_t>(k));
        }
        if (!b.empty()) {
            const Item* bStart = a.back();
            const Order a0 = a, b0 = b;
            SortNear(p, from, a, gap);
            SortNear(nullptr, bStart, b, gap);
            const Order candidates[3] = {Joined(a0, b), Joined(a, b), Joined(a, b0)};
            double lengths[3] = {0.0, 0.0, 0.0};
            double best = greedy;
            for (int c = 0; c < 3; ++c) {
                lengths[c] = Travel(candidates[c], gap);
                best = std::min(best, lengths[c]);
            }
            for (int c = 0; c < 3; ++c) {
                if (lengths[c] - best <= kLengthTol) {
                    order = candidates[c];
                    return;
                }
            }
        }
    }
    order = std::move(result);
}

// Items of the list's non-null curves, in list order.
std::vector<Item> ItemsOf(CurveList& list, bool linkAtStart)
{
    std::vector<Item> items;
    items.reserve(static_cast<std::size_t>(list.GetCount()));
    for (CGeCurve* c : list) {
        if (!c) continue;
        Item it;
        it.curve = c;
        it.id = items.size();
        c->GetStartPoint(it.start);
        if (linkAtStart) {
            it.link[0] = it.start[0];
            it.link[1] = it.start[1];
        } else {
            c->GetEndPoint(it.link);
        }
        items.push_back(it);
    }
    return items;
}

Order OrderOf(std::vector<Item>& items)
{
    Order order;
    order.reserve(items.size());
    for (Item& it : items) order.push_back(&it);
    return order;
}

void Refill(CurveList& list, const Order& order)
{
    list.RemoveAll();
    for (const Item* it : order) list.AddTail(it->curve);
}

}  // namespace

void CGeSort2D::SortInNearDistance(double* point, CurveList* list)
{
    if (!point || !list) return;
    std::vector<Item> items = ItemsOf(*list, m_bLinkAtStart);
    if (items.size() <= 2) return;
    Order order = OrderOf(items);
    Gaps gap(items.size());
    SortNear(point, nullptr, order, gap);
    Refill(*list, order);
}

int CGeSort2D::SortList(CurveList* source, CurveList* result)
{
    if (!source || !result) return 0;
    std::vector<Item> placed = ItemsOf(*result, m_bLinkAtStart);
    if (placed.empty()) return 0;
    std::vector<Item> rest = ItemsOf(*source, m_bLinkAtStart);
    Order order = OrderOf(placed);
    Gaps gap(0);  // one pass of the greedy insertion: nothing asked twice worth a table
    GreedyInsert(order, OrderOf(rest), gap);
    Refill(*result, order);
    source->RemoveAll();
    return 1;
}
