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

// A curve with its entry and link points read once.
struct Item {
    CGeCurve* curve = nullptr;
    double start[2] = {0.0, 0.0};
    double link[2] = {0.0, 0.0};
    std::size_t rank = 0;  // position in the ordering being built (scratch)
};
using Order = std::vector<Item*>;

double Gap(const Item* from, const Item* to) { return P2D_Dist(from->link, to->start); }

double Travel(const Order& order)
{
    double length = 0.0;
    for (std::size_t i = 1; i < order.size(); ++i) length += Gap(order[i - 1], order[i]);
    return length;
}

// Index of the item starting nearest to p (the first of equals), or kNone.
std::size_t Nearest(const double* p, const Order& order)
{
    double best = kFar;
    std::size_t found = kNone;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const double d = P2D_Dist(p, order[i]->start);
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
void GreedyInsert(Order& result, const Order& source)
{
    for (std::size_t r = 0; r < result.size(); ++r) result[r]->rank = r;
    std::vector<double> bestGap(source.size(), kFar);
    std::vector<Item*> bestAt(source.size(), nullptr);
    for (std::size_t i = 0; i < source.size(); ++i) {
        for (Item* q : result) {
            const double d = Gap(q, source[i]);
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
                after = Gap(r, q) + Gap(q, m);
                before = Gap(r, m) + Gap(m, q);
                if (s) {
                    after += Gap(m, s);
                    before += Gap(q, s);
                }
            } else {
                after = Gap(q, m) + Gap(m, s);
                before = Gap(m, q) + Gap(q, s);
            }
            at = before > after ? qr + 1 : qr;
        }
        result.insert(result.begin() + static_cast<std::ptrdiff_t>(at), m);
        for (std::size_t r = at; r < result.size(); ++r) result[r]->rank = r;

        for (const std::size_t j : rest) {
            const double d = Gap(m, source[j]);
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
std::size_t SplitAt(const Order& order)
{
    double largest = 0.0;
    std::size_t at = 0;
    for (std::size_t i = 1; i < order.size(); ++i) {
        const double g = Gap(order[i - 1], order[i]);
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

void SortNear(const double* p, Order& order)
{
    if (order.size() <= 2) return;
    const std::size_t first = Nearest(p, order);
    if (first == kNone) return;
    Order result{order[first]};
    result.reserve(order.size());
    Order source;
    source.reserve(order.size() - 1);
    for (std::size_t i = 0; i < order.size(); ++i)
        if (i != first) source.push_back(order[i]);
    GreedyInsert(result, source);
    const double greedy = Travel(result);

    Order chosen = result;
    if (const std::size_t split = SplitAt(result)) {
        Order a(result.begin(), result.begin() + static_cast<std::ptrdiff_t>(split));
        Order b(result.begin() + static_cast<std::ptrdiff_t>(split), result.end());
        const std::size_t k = Nearest(a.back()->link, b);
        if (k != kNone) {
            a.push_back(b[k]);
            b.erase(b.begin() + static_cast<std::ptrdiff_t>(k));
        }
        const double bStart[2] = {a.back()->link[0], a.back()->link[1]};
        if (!b.empty()) {
            const Order a0 = a, b0 = b;
            SortNear(p, a);
            SortNear(bStart, b);
            const Order candidates[3] = {Joined(a0, b), Joined(a, b), Joined(a, b0)};
            double lengths[3] = {0.0, 0.0, 0.0};
            double best = greedy;
            for (int c = 0; c < 3; ++c) {
                lengths[c] = Travel(candidates[c]);
                best = std::min(best, lengths[c]);
            }
            for (int c = 0; c < 3; ++c) {
                if (lengths[c] - best <= kLengthTol) {
                    chosen = candidates[c];
                    break;
                }
            }
        }
    }
    order = std::move(chosen);
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
    SortNear(point, order);
    Refill(*list, order);
}

int CGeSort2D::SortList(CurveList* source, CurveList* result)
{
    if (!source || !result) return 0;
    std::vector<Item> placed = ItemsOf(*result, m_bLinkAtStart);
    if (placed.empty()) return 0;
    std::vector<Item> rest = ItemsOf(*source, m_bLinkAtStart);
    Order order = OrderOf(placed);
    GreedyInsert(order, OrderOf(rest));
    Refill(*result, order);
    source->RemoveAll();
    return 1;
}
