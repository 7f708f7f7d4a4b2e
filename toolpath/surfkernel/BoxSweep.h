#pragma once
// Pairs of overlapping boxes by a sweep along u: each box is compared only with the
// boxes whose u range it meets, so far-apart pieces cost no pair tests.

#include "framework/numerak/Box.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace boxsweep {

// The box indices ordered by their lower u.
inline std::vector<int> ByLowerU(const std::vector<BOX2<double>>& boxes)
{
    std::vector<int> order(boxes.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return boxes[a].xmin < boxes[b].xmin; });
    return order;
}

inline bool MeetInV(const BOX2<double>& a, const BOX2<double>& b, double tol)
{
    return a.ymin <= b.ymax + tol && b.ymin <= a.ymax + tol;
}

// f(i, j) for every box i of a and j of b that meet within tol.
template <class F>
void Pairs(const std::vector<BOX2<double>>& a, const std::vector<BOX2<double>>& b, double tol, F f)
{
    const std::vector<int> oa = ByLowerU(a), ob = ByLowerU(b);
    size_t ia = 0, ib = 0;
    while (ia < oa.size() && ib < ob.size()) {
        if (a[oa[ia]].xmin <= b[ob[ib]].xmin) {
            const BOX2<double>& box = a[oa[ia]];
            for (size_t k = ib; k < ob.size() && b[ob[k]].xmin <= box.xmax + tol; ++k)
                if (MeetInV(box, b[ob[k]], tol)) f(oa[ia], ob[k]);
            ++ia;
        } else {
            const BOX2<double>& box = b[ob[ib]];
            for (size_t k = ia; k < oa.size() && a[oa[k]].xmin <= box.xmax + tol; ++k)
                if (MeetInV(box, a[oa[k]], tol)) f(oa[k], ob[ib]);
            ++ib;
        }
    }
}

// f(i, j), i < j, for every two boxes of one set that meet within tol.
template <class F>
void SelfPairs(const std::vector<BOX2<double>>& boxes, double tol, F f)
{
    const std::vector<int> order = ByLowerU(boxes);
    for (size_t s = 0; s < order.size(); ++s) {
        const BOX2<double>& box = boxes[order[s]];
        for (size_t k = s + 1; k < order.size() && boxes[order[k]].xmin <= box.xmax + tol; ++k)
            if (MeetInV(box, boxes[order[k]], tol)) f(std::min(order[s], order[k]), std::max(order[s], order[k]));
    }
}

}  // namespace boxsweep
