#include "framework/numerak/IntPnt.h"

#include <algorithm>
#include <cmath>
#include <utility>

void IntPnt::SwapPara()
{
    std::swap(seg1, seg2);
    std::swap(para1, para2);
    std::swap(subSeg1, subSeg2);
}

namespace {

bool alongFirstCurve(const IntPnt& a, const IntPnt& b)
{
    if (a.seg1 != b.seg1)
        return a.seg1 < b.seg1;
    if (a.subSeg1 != b.subSeg1)
        return a.subSeg1 < b.subSeg1;
    // NaN parameters go last so that the ordering stays a strict weak order.
    const bool aNan = std::isnan(a.para1);
    const bool bNan = std::isnan(b.para1);
    if (aNan || bNan)
        return !aNan && bNan;
    return a.para1 < b.para1;
}

} // namespace

void SortIntPt(IntPnt* recs, int count)
{
    if (!recs || count < 2)
        return;
    std::stable_sort(recs, recs + count, alongFirstCurve);
}

void SortIntPt(std::vector<IntPnt>& recs)
{
    std::stable_sort(recs.begin(), recs.end(), alongFirstCurve);
}
