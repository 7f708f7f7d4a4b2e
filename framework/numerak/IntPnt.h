#pragma once
// Curve/curve intersection record and its ordering.

#include <cstdint>
#include <vector>

// One intersection of curve 1 with curve 2. Segments are 1-based (Bezier segment,
// polyline edge, or member number of a composite curve); parameters are local in
// [0, 1] within that segment; sub-segments name the segment inside a composite
// member and are 1 for a simple curve.
struct IntPnt {
    double pt[2] = {0.0, 0.0};
    int32_t seg1 = 1;
    int32_t seg2 = 1;
    double para1 = 0.0;
    double para2 = 0.0;
    int32_t subSeg1 = 1;
    int32_t subSeg2 = 1;

    // Exchanges every curve-1 field with its curve-2 field; the point stays.
    void SwapPara();
};

// Orders records along the first curve: by segment 1, then sub-segment 1, then
// parameter 1. Records with equal keys keep their relative order.
void SortIntPt(IntPnt* recs, int count);
void SortIntPt(std::vector<IntPnt>& recs);
