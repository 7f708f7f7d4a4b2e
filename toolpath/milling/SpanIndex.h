// Items ordered by the low end of their range on one axis, so that a query for the
// items whose range may meet [a, b] visits only those near it instead of all of them.
// The few items much longer than the rest are kept apart and always visited, so one
// long facet does not widen every query. The index only preselects: callers apply
// their exact test to what it visits and get exactly what a full scan would give.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

namespace mill {

class SpanIndex {
public:
    // Below this many items a plain scan is as quick as the index.
    static constexpr int kMinIndexed = 48;

    bool Built() const { return m_built; }
    void Clear() { m_built = false; }

    // items[0..n): the ids; lo(id), hi(id): the range of an item on the axis.
    template <class Lo, class Hi>
    void Build(const int* items, int n, Lo lo, Hi hi)
    {
        m_built = true;
        m_items.assign(items, items + std::max(n, 0));
        m_srcLo.resize(m_items.size());
        m_order.clear();
        m_lo.clear();
        m_big.clear();
        m_maxExt = 0;
        if (n <= 0) return;
        m_ext.resize(size_t(n));
        m_tmp.clear();
        for (int i = 0; i < n; ++i) {
            const double e = hi(items[i]) - lo(items[i]);
            m_ext[size_t(i)] = e;
            m_srcLo[size_t(i)] = lo(items[i]);
            if (std::isfinite(e) && std::isfinite(lo(items[i]))) m_tmp.push_back(e);
        }
        // Items longer than four times the 90th percentile, and those with a range that
        // is not finite (kept out of the ordering), are visited always.
        double limit = -1;
        if (!m_tmp.empty()) {
            const size_t k = m_tmp.size() * 9 / 10;
            std::nth_element(m_tmp.begin(), m_tmp.begin() + long(k), m_tmp.end());
            limit = 4 * std::max(m_tmp[k], 0.0);
        }
        m_pairs.clear();
        for (int i = 0; i < n; ++i) {
            const double e = m_ext[size_t(i)];
            if (!(e <= limit) || !std::isfinite(lo(items[i]))) {
                m_big.push_back(items[i]);
                continue;
            }
            m_maxExt = std::max(m_maxExt, e);
            m_pairs.push_back({lo(items[i]), items[i]});
        }
        std::sort(m_pairs.begin(), m_pairs.end());
        m_order.reserve(m_pairs.size());
        m_lo.reserve(m_pairs.size());
        for (const auto& [l, id] : m_pairs) {
            m_lo.push_back(l);
            m_order.push_back(id);
        }
    }

    // True when the index was built from these items with these ranges, so Build would
    // give it again as it is (what Build reads of the ranges: low ends and lengths).
    template <class Lo, class Hi>
    bool Same(const int* items, int n, Lo lo, Hi hi) const
    {
        if (!m_built || size_t(std::max(n, 0)) != m_items.size()) return false;
        for (int i = 0; i < n; ++i) {
            const double l = lo(items[i]);
            if (items[i] != m_items[size_t(i)] || l != m_srcLo[size_t(i)] || hi(items[i]) - l != m_ext[size_t(i)])
                return false;
        }
        return true;
    }

    // Calls f(id) for every item whose range may meet [a, b] (a superset).
    template <class F>
    void Visit(double a, double b, F f) const
    {
        for (int id : m_big) f(id);
        const auto first = std::lower_bound(m_lo.begin(), m_lo.end(), a - m_maxExt);
        const auto last = std::upper_bound(first, m_lo.end(), b);
        for (auto it = first; it != last; ++it) f(m_order[size_t(it - m_lo.begin())]);
    }

private:
    bool m_built = false;
    std::vector<int> m_order;
    std::vector<double> m_lo;
    std::vector<int> m_big;
    double m_maxExt = 0;
    std::vector<int> m_items;       // what the index was built from
    std::vector<double> m_srcLo;    // their low ends, in items order
    std::vector<double> m_ext, m_tmp;  // lengths in items order; scratch
    std::vector<std::pair<double, int>> m_pairs;
};

}  // namespace mill
