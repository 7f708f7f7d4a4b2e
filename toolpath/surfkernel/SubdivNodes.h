#pragma once
// Nodes of a subdivision filed by their exact (u, v), so that a node on an
// edge two patches share, or a split patch's centre that later becomes a
// corner, is evaluated once. Splits compute midpoints the same way everywhere,
// so equal parameters come out bit for bit equal; a node found here is the
// node an evaluation would give. Memory from QV_MemAlloc.

#include "toolpath/surfkernel/KernelRecords.h"
#include "toolpath/surfkernel/KernelEntity.h"

class SubdivNodes {
public:
    SubdivNodes() = default;
    SubdivNodes(const SubdivNodes&) = delete;
    SubdivNodes& operator=(const SubdivNodes&) = delete;
    // Frees the table and the kept centres (corner nodes belong to the subdivision).
    ~SubdivNodes();

    // The evaluated node at (u, v), or null; *corner tells whether it is a
    // patch corner (else a kept centre, whose point and normal may be copied).
    SSI_NODE* Find(double u, double v, bool* corner) const;
    // Files an evaluated corner node (replacing a kept centre at its (u, v)).
    // false when memory runs out.
    bool AddCorner(SSI_NODE* node);
    // Keeps a copy of an evaluated patch centre. false when memory runs out.
    bool KeepCentre(const SSI_NODE& centre);
    // The nodes a and b just made by splitting a patch of s into half and
    // half->next: a corner already at a node's (u, v) takes its place in both
    // halves (the node freed); otherwise the node joins sub's node list with a
    // kept centre's point and normal, or evaluated, and is filed. false when an
    // evaluation fails or memory runs out (both nodes are then in the list or
    // freed).
    bool PlaceSplitNodes(const SURFACE* s, SSI_SUBDIV* sub, SSI_PATCH* half, SSI_NODE* a, SSI_NODE* b);

private:
    struct Slot {
        double u, v;
        SSI_NODE* node; // null: empty
        bool corner;
    };
    bool File(SSI_NODE* node, bool corner);
    bool Grow();
    Slot* slots_ = nullptr;
    unsigned long mask_ = 0; // capacity - 1
    unsigned long used_ = 0;
    SSI_NODE* centres_ = nullptr; // kept centre copies, linked through next
};
