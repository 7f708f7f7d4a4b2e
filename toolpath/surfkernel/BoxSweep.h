#pragma once
// Pairs of overlapping boxes by a sweep along u (x): each box is compared only with
// the boxes whose u range it meets, so far-apart pieces cost no pair tests. Works on
// 2D and 3D boxes alike.

#include "framework/numerak/Box.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>
#include <vector>

namespace boxsweep {

// The box indices ordered by their lower u.
template <class Box>
std::vector<int> ByLowerU(const std::vector<Box>& boxes)
{
    std::vector<int> order(boxes.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return boxes[a].xmin < boxes[b].xmin; });
    return order;
}

// The boxes meet within tol in every coordinate after the first.
inline bool MeetInV(const BOX2<double>& a, const BOX2<double>& b, double tol)
{
    return a.ymin <= b.ymax + tol && b.ymin <= a.ymax + tol;
}
inline bool MeetInV(const BOX3<double>& a, const BOX3<double>& b, double tol)
{
    return a.ymin <= b.ymax + tol && b.ymin <= a.ymax + tol && a.zmin <= b.zmax + tol && b.zmin <= a.zmax + tol;
}

// f(i, j) for every box i of a and j of b that meet within tol.
template <class Box, class F>
void Pairs(const std::vector<Box>& a, const std::vector<Box>& b, double tol, F f)
{
    const std::vector<int> oa = ByLowerU(a), ob = ByLowerU(b);
    size_t ia = 0, ib = 0;
    while (ia < oa.size() && ib < ob.size()) {
        if (a[oa[ia]].xmin <= b[ob[ib]].xmin) {
            const Box& box = a[oa[ia]];
            for (size_t k = ib; k < ob.size() && b[ob[k]].xmin <= box.xmax + tol; ++k)
                if (MeetInV(box, b[ob[k]], tol)) f(oa[ia], ob[k]);
            ++ia;
        } else {
            const Box& box = b[ob[ib]];
            for (size_t k = ia; k < oa.size() && a[oa[k]].xmin <= box.xmax + tol; ++k)
                if (MeetInV(box, a[oa[k]], tol)) f(oa[k], ob[ib]);
            ++ib;
        }
    }
}

// f(i, j), i < j, for every two boxes of one set that meet within tol.
template <class Box, class F>
void SelfPairs(const std::vector<Box>& boxes, double tol, F f)
{
    const std::vector<int> order = ByLowerU(boxes);
    for (size_t s = 0; s < order.size(); ++s) {
        const Box& box = boxes[order[s]];
        for (size_t k = s + 1; k < order.size() && boxes[order[k]].xmin <= box.xmax + tol; ++k)
            if (MeetInV(box, boxes[order[k]], tol)) f(std::min(order[s], order[k]), std::max(order[s], order[k]));
    }
}

// Every (i, j), sorted, of a box i of a and j of b that meet within tol when a
// coordinate with a period above 0 is compared modulo that period: b's box may move
// by any whole number of periods. Boxes as wide as a period meet everything in that
// coordinate.
inline std::vector<std::pair<int, int>> PeriodicPairs(const std::vector<BOX2<double>>& a,
                                                      const std::vector<BOX2<double>>& b, const double period[2],
                                                      double tol)
{
    constexpr double kAll = 1e300;
    // Moves [lo, hi] by whole periods so that lo lies in [0, p); false when it spans a
    // period (less 2 tol, so that the copies below and above reach every meeting place).
    auto wrap = [tol](double& lo, double& hi, double p) {
        if (!(hi - lo < p - 2 * tol)) {
            lo = -kAll, hi = kAll;
            return false;
        }
        const double s = std::floor(lo / p) * p;
        lo -= s, hi -= s;
        return true;
    };
    std::vector<BOX2<double>> wa = a, wb;
    std::vector<int> from;
    for (BOX2<double>& box : wa) {
        if (period[0] > 0) wrap(box.xmin, box.xmax, period[0]);
        if (period[1] > 0) wrap(box.ymin, box.ymax, period[1]);
    }
    for (size_t j = 0; j < b.size(); ++j) {
        BOX2<double> box = b[j];
        // Copies one period below and above reach every wrapped box of a.
        const bool copiesU = period[0] > 0 && wrap(box.xmin, box.xmax, period[0]);
        const bool copiesV = period[1] > 0 && wrap(box.ymin, box.ymax, period[1]);
        for (int du = copiesU ? -1 : 0; du <= (copiesU ? 1 : 0); ++du)
            for (int dv = copiesV ? -1 : 0; dv <= (copiesV ? 1 : 0); ++dv) {
                BOX2<double> c = box;
                c.xmin += du * period[0], c.xmax += du * period[0];
                c.ymin += dv * period[1], c.ymax += dv * period[1];
                wb.push_back(c);
                from.push_back(static_cast<int>(j));
            }
    }
    std::vector<std::pair<int, int>> out;
    Pairs(wa, wb, tol, [&](int i, int k) { out.emplace_back(i, from[k]); });
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

}  // namespace boxsweep
