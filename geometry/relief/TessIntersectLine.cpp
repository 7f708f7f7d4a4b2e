#include "geometry/relief/TessIntersectLine.h"

#include <cmath>
#include <utility>

namespace {

// Ends summing to less than this find a segment; a nearer end than the second stops
// the search; a far end this close to the chain's previous point runs back.
constexpr double kFindTie = 1e-8;
constexpr double kExactEnd = 1e-12;
constexpr double kBackTie = 1e-10;

double Distance(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }

void Copy3(double* to, const double* from)
{
    for (int k = 0; k < 3; ++k) to[k] = from[k];
}

}  // namespace

CTessIntersectLine* CTessIntersectLineGroup::FindLine(const double* p, const double* q) const
{
    for (POSITION pos = GetHeadPosition(); pos;) {
        CTessIntersectLine* l = GetNext(pos);
        if (Distance(l->start, p) + Distance(l->end, q) < kFindTie || Distance(l->start, q) + Distance(l->end, p) < kFindTie)
            return l;
    }
    return nullptr;
}

void CTessIntersectLineGroup::DeleteAllLines()
{
    while (!IsEmpty()) delete RemoveHead();
}

int CTessIntersectLineGroup::TakeNearestLine(CTessIntersectLineGroup* chain, double* chainStart, double* chainEnd,
                                             double limit)
{
    if (!chain || !chainStart || !chainEnd) return 0;
    POSITION best = nullptr;
    double nearest = limit;
    bool atStart = false, flip = false;
    for (POSITION pos = GetHeadPosition(); pos;) {
        const POSITION at = pos;
        CTessIntersectLine* l = GetNext(pos);
        // Which end of the segment meets which end of the chain.
        const double d[4] = {Distance(l->start, chainEnd), Distance(l->end, chainEnd), Distance(l->end, chainStart),
                             Distance(l->start, chainStart)};
        for (int k = 0; k < 4; ++k)
            if (d[k] < nearest) {
                nearest = d[k];
                best = at;
                atStart = k >= 2;
                flip = k == 1 || k == 3;
            }
        if (best == at && nearest < kExactEnd) break;
    }
    if (!best) return 0;
    CTessIntersectLine* l = GetAt(best);
    RemoveAt(best);
    if (flip) {
        for (int k = 0; k < 3; ++k) std::swap(l->start[k], l->end[k]);
    }
    // Appended at the end the segment runs start → end; prepended it runs end → start.
    const double* far = atStart ? l->start : l->end;
    CTessIntersectLine* neighbour = chain->IsEmpty() ? nullptr : (atStart ? chain->GetHead() : chain->GetTail());
    const double* back = neighbour ? (atStart ? neighbour->end : neighbour->start) : nullptr;
    if (back && Distance(far, back) < kBackTie) {
        delete l;
        return 1;
    }
    if (atStart) {
        chain->AddHead(l);
        Copy3(chainStart, l->start);
    } else {
        chain->AddTail(l);
        Copy3(chainEnd, l->end);
    }
    return 1;
}
