// Walks over the members of a composite curve, shared by the composite and
// loop classes: reversal and the joined display polyline. Internal to the
// shapes library.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

namespace gemembers {

using CurveList = CTypedPtrList<CObList, CGeCurve*>;

// Reverses the order of the members and the direction of each; null entries
// are dropped.
inline void ReverseMembers(CurveList& list)
{
    CurveList reversed;
    POSITION pos = list.GetTailPosition();
    while (pos) {
        CGeCurve* m = list.GetPrev(pos);
        if (!m) continue;
        m->Reverse();
        reversed.AddTail(m);
    }
    list.RemoveAll();
    list.AddTail(&reversed);
}

// Discretises every member at tol and returns the point count of their
// display polylines joined end to start (each joint point counted once).
inline INT_PTR DiscreteMembers(CurveList& list, double tol)
{
    INT_PTR total = 0;
    for (CGeCurve* m : list) {
        if (!m) continue;
        m->Discrete(tol);
        const int n = m->GetSWPointCount();
        if (n > 0) total += total == 0 ? n : n - 1;
    }
    return total;
}

// Calls add(point) for each point of the members' display polylines joined
// end to start: a member after the first one gives its points from the second on.
template <class Add>
void ForEachJoinedPoint(const CurveList& list, Add add)
{
    bool first = true;
    for (const CGeCurve* m : list) {
        if (!m) continue;
        const double(*sw)[2] = m->GetSWPoint();
        const int n = m->GetSWPointCount();
        if (n <= 0) continue;
        for (int i = first ? 0 : 1; i < n; ++i) add(sw[i]);
        first = false;
    }
}

}  // namespace gemembers
