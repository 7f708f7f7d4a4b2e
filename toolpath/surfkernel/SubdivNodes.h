#pragma once
// A memo of recently evaluated subdivision nodes by their exact (u, v), so
// that a node on an edge two patches share, or a split patch's centre that a
// later split makes a corner, is mostly evaluated once. Splits compute
// midpoints the same way everywhere, so equal parameters come out bit for bit
// equal, and a node found here is what an evaluation would give. The memo is
// direct-mapped and small, so that it stays in cache: the subdivision works
// depth first, and the nodes a split needs again were mostly made a little
// earlier; an entry pushed out only costs an evaluation.

#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/KernelRecords.h"

class SubdivNodes {
public:
    SubdivNodes() = default;
    SubdivNodes(const SubdivNodes&) = delete;
    SubdivNodes& operator=(const SubdivNodes&) = delete;
    ~SubdivNodes();

    // Makes the memo (QV_MemAlloc); false when memory runs out.
    bool Init();
    // Files an evaluated corner node.
    void AddCorner(SSI_NODE* node);
    // Files the point and normal of an evaluated patch centre.
    void KeepCentre(const SSI_NODE& centre);
    // The nodes a and b just made by splitting a patch of s into half and
    // half->next: a corner filed at a node's (u, v) takes its place in both
    // halves (the node released); otherwise the node joins sub's node list with a
    // filed centre's point and normal, or evaluated, and is filed. false when
    // an evaluation fails (both nodes are then in the list or freed).
    bool PlaceSplitNodes(const SURFACE* s, SSI_SUBDIV* sub, SSI_PATCH* half, SSI_NODE* a, SSI_NODE* b);

private:
    struct Slot {
        double u, v;
        double p[3], n[3];
        SSI_NODE* corner; // null for a centre
        int filled;
    };
    Slot& SlotOf(double u, double v) const;
    Slot* slots_ = nullptr;
};
