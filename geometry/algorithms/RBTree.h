// Red-black tree of double keys with a tolerance: a key strictly within 0.01
// of a stored key is that key. Keys are ordered by exact comparison.
//
// Each tree has its own sentinel node, so separate trees share nothing and may
// be used on different threads at once; one tree is not safe for concurrent use.
// Deleting a node frees that node only: pointers to other nodes stay valid.
#pragma once

#include "platform/core/ObList.h"

struct RBNode_ {
    static constexpr int kBlack = 0;
    static constexpr int kRed = 1;

    RBNode_* left;
    RBNode_* right;
    RBNode_* parent;
    int color;
    double key;
    void* data;  // the caller's; null on insertion
};

class RBTree {
public:
    RBTree();
    ~RBTree();
    // The tree owns its nodes.
    RBTree(const RBTree&) = delete;
    RBTree& operator=(const RBTree&) = delete;

    // The new node, or the stored node whose key is within the tolerance.
    // Null when memory runs out (with a message on the standard output) and
    // for a NaN key, which has no place in the order.
    RBNode_* insertNode(double key);
    // A stored node whose key is within the tolerance, or null.
    RBNode_* findNode(double key) const;
    // Unlinks and frees node, a node of this tree; null is ignored.
    void deleteNode(RBNode_* node);
    // The neighbour in key order, or null when there is none.
    RBNode_* GetPredecessorOf(const RBNode_* node) const;
    RBNode_* GetSuccessorOf(const RBNode_* node) const;
    // Appends the nodes with lo <= key <= hi (exact comparisons), in descending
    // key order; nothing when hi <= lo.
    void findNodeRange(double lo, double hi, CList<RBNode_*, RBNode_*>& out) const;

protected:
    // A child link, left or right: one routine serves both mirror images.
    using Side = RBNode_* RBNode_::*;

    void rotateLeft(RBNode_* x);
    void rotateRight(RBNode_* x);
    void insertFixup(RBNode_* x);
    void deleteFixup(RBNode_* x);

    bool isNil(const RBNode_* node) const { return node == &m_nil; }
    // Moves x down to its side, its other child taking its place.
    void rotateDown(RBNode_* x, Side side);
    // The last node reached from node by following side links.
    RBNode_* outermost(RBNode_* node, Side side) const;
    // The neighbour in key order on that side (left: predecessor), or null.
    RBNode_* neighbour(const RBNode_* node, Side side) const;
    // Puts v (possibly the sentinel) in u's place under u's parent.
    void transplant(RBNode_* u, RBNode_* v);
    void freeSubtree(RBNode_* node);

    RBNode_* m_root;
    float m_tolerance;
    // Stands for every missing child; its parent link is scratch for deleteFixup.
    RBNode_ m_nil;
};
