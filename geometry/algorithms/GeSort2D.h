// Nearest-distance ordering of separate curves (parts to cut, say): a short
// travel from one curve to the next. The link point of a curve, where the
// travel leaves it, is its start point when m_bLinkAtStart is set, else its
// end point; the next curve is always entered at its start point.
//
// Travel length of an ordering: the sum of the distances from each curve's
// link point to the next curve's start point.
#pragma once

#include "geometry/algorithms/GeTool2D.h"

class CGeSort2D : public CGeTool2D {
public:
    // Where the travel leaves a curve; set by the caller before sorting.
    bool m_bLinkAtStart = false;

    // Orders list for a short travel starting from point: the curve starting
    // nearest to point first, then the greedy insertion of SortList, then,
    // split at the largest gap, each half sorted again and the shortest of the
    // combinations kept. The result never travels more than 0.0001 farther
    // than the greedy order. Lists of up to two curves are left unchanged;
    // null entries are dropped.
    void SortInNearDistance(double* point, CurveList* list);

protected:
    // Moves every curve of source into result (which holds at least one
    // curve): repeatedly the source curve that starts nearest to a result
    // curve's link point (the earlier result curve, then the earlier source
    // curve, on equal distances) goes just after or just before that curve,
    // whichever travels less (before on a tie). Curves no finite distance
    // reaches follow at the end in their order; null entries are dropped.
    // 0 when a list is null or result has no curve, else 1.
    int SortList(CurveList* source, CurveList* result);
};
