// Loose 3D segments (such as surface intersection pieces) and their chaining: a list
// that owns its segments, finds one by its ends and moves the one nearest to a chain's
// ends onto that chain.
#pragma once

#include "platform/core/ObList.h"

// A segment from start to end.
struct CTessIntersectLine {
    double start[3] = {0, 0, 0};
    double end[3] = {0, 0, 0};
};

class CTessIntersectLineGroup : public CTypedPtrList<CPtrList, CTessIntersectLine*> {
public:
    CTessIntersectLineGroup() = default;
    ~CTessIntersectLineGroup() override { DeleteAllLines(); }
    CTessIntersectLineGroup(const CTessIntersectLineGroup&) = delete;
    CTessIntersectLineGroup& operator=(const CTessIntersectLineGroup&) = delete;

    // The segment joining p and q in either direction (the two end distances summing
    // below 1e-8); null when there is none.
    CTessIntersectLine* FindLine(const double* p, const double* q) const;
    // Deletes every segment and empties the list.
    void DeleteAllLines();
    // Removes the segment with an end nearest to either end of the chain (nearer than
    // limit; a distance below 1e-12 ends the search), turns it so that it continues
    // the chain, and adds it at that end, moving chainStart or chainEnd to its far end.
    // A segment that only runs back along the chain's end segment (far end within 1e-10
    // of that segment's other end) is deleted instead. 0 when no segment qualifies.
    int TakeNearestLine(CTessIntersectLineGroup* chain, double* chainStart, double* chainEnd, double limit);
};
