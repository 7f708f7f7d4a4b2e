#include "geometry/algorithms/RBTree.h"

#include <cmath>
#include <cstdio>
#include <new>

namespace {

// Keys closer than this are the same key.
constexpr float kKeyTolerance = 0.01f;

using Side = RBNode_* RBNode_::*;

Side Opposite(Side side)
{
    return side == &RBNode_::left ? &RBNode_::right : &RBNode_::left;
}

}  // namespace

RBTree::RBTree() : m_tolerance(kKeyTolerance)
{
    m_nil.left = m_nil.right = m_nil.parent = &m_nil;
    m_nil.color = RBNode_::kBlack;
    m_nil.key = 0.0;
    m_nil.data = nullptr;
    m_root = &m_nil;
}

RBTree::~RBTree()
{
    freeSubtree(m_root);
}

void RBTree::freeSubtree(RBNode_* node)
{
    // Recursion depth is the tree height, logarithmic in the node count.
    if (isNil(node))
        return;
    freeSubtree(node->left);
    freeSubtree(node->right);
    delete node;
}

RBNode_* RBTree::outermost(RBNode_* node, Side side) const
{
    while (!isNil(node->*side))
        node = node->*side;
    return node;
}

void RBTree::rotateLeft(RBNode_* x)
{
    rotateDown(x, &RBNode_::left);
}

void RBTree::rotateRight(RBNode_* x)
{
    rotateDown(x, &RBNode_::right);
}

void RBTree::rotateDown(RBNode_* x, Side side)
{
    const Side other = Opposite(side);
    RBNode_* y = x->*other;
    x->*other = y->*side;
    if (!isNil(y->*side))
        (y->*side)->parent = x;
    transplant(x, y);
    y->*side = x;
    x->parent = y;
}

RBNode_* RBTree::insertNode(double key)
{
    if (std::isnan(key))
        return nullptr;
    const double tol = m_tolerance;
    RBNode_* parent = &m_nil;
    RBNode_* x = m_root;
    // The stored keys nearest to key on either side lie on this path, so a
    // near-equal key is found if there is one.
    while (!isNil(x)) {
        if (std::fabs(key - x->key) < tol)
            return x;
        parent = x;
        x = key < x->key ? x->left : x->right;
    }
    RBNode_* z = new (std::nothrow) RBNode_;
    if (!z) {
        std::printf("insufficient memory (insertNode)\n");
        return nullptr;
    }
    z->key = key;
    z->parent = parent;
    z->left = z->right = &m_nil;
    z->color = RBNode_::kRed;
    z->data = nullptr;
    if (isNil(parent))
        m_root = z;
    else if (key < parent->key)
        parent->left = z;
    else
        parent->right = z;
    insertFixup(z);
    return z;
}

void RBTree::insertFixup(RBNode_* x)
{
    while (x != m_root && x->parent->color == RBNode_::kRed) {
        RBNode_* g = x->parent->parent;
        // near: the side of g on which the parent hangs; the code reads as for a left parent.
        const Side near = x->parent == g->left ? &RBNode_::left : &RBNode_::right;
        const Side far = Opposite(near);
        RBNode_* uncle = g->*far;
        if (uncle->color == RBNode_::kRed) {
            x->parent->color = RBNode_::kBlack;
            uncle->color = RBNode_::kBlack;
            g->color = RBNode_::kRed;
            x = g;
        } else {
            if (x == x->parent->*far) {
                x = x->parent;
                rotateDown(x, near);
            }
            x->parent->color = RBNode_::kBlack;
            g->color = RBNode_::kRed;
            rotateDown(g, far);
        }
    }
    m_root->color = RBNode_::kBlack;
}

void RBTree::transplant(RBNode_* u, RBNode_* v)
{
    if (isNil(u->parent))
        m_root = v;
    else if (u == u->parent->left)
        u->parent->left = v;
    else
        u->parent->right = v;
    // Written even for the sentinel: deleteFixup climbs from it.
    v->parent = u->parent;
}

void RBTree::deleteNode(RBNode_* z)
{
    if (!z || isNil(z))
        return;
    // The successor, when z has two children, moves into z's place with its
    // links and colour; no key or data is copied between nodes.
    RBNode_* y = z;
    int removedColor = y->color;
    RBNode_* x;
    if (isNil(z->left)) {
        x = z->right;
        transplant(z, z->right);
    } else if (isNil(z->right)) {
        x = z->left;
        transplant(z, z->left);
    } else {
        y = outermost(z->right, &RBNode_::left);
        removedColor = y->color;
        x = y->right;
        if (y->parent == z) {
            x->parent = y;
        } else {
            transplant(y, y->right);
            y->right = z->right;
            y->right->parent = y;
        }
        transplant(z, y);
        y->left = z->left;
        y->left->parent = y;
        y->color = z->color;
    }
    if (removedColor == RBNode_::kBlack)
        deleteFixup(x);
    delete z;
}

void RBTree::deleteFixup(RBNode_* x)
{
    while (x != m_root && x->color == RBNode_::kBlack) {
        // near: x's side of its parent; the code reads as for a left child.
        const Side near = x == x->parent->left ? &RBNode_::left : &RBNode_::right;
        const Side far = Opposite(near);
        RBNode_* w = x->parent->*far;
        if (w->color == RBNode_::kRed) {
            w->color = RBNode_::kBlack;
            x->parent->color = RBNode_::kRed;
            rotateDown(x->parent, near);
            w = x->parent->*far;
        }
        if ((w->*near)->color == RBNode_::kBlack && (w->*far)->color == RBNode_::kBlack) {
            w->color = RBNode_::kRed;
            x = x->parent;
        } else {
            if ((w->*far)->color == RBNode_::kBlack) {
                (w->*near)->color = RBNode_::kBlack;
                w->color = RBNode_::kRed;
                rotateDown(w, far);
                w = x->parent->*far;
            }
            w->color = x->parent->color;
            x->parent->color = RBNode_::kBlack;
            (w->*far)->color = RBNode_::kBlack;
            rotateDown(x->parent, near);
            x = m_root;
        }
    }
    x->color = RBNode_::kBlack;
}

RBNode_* RBTree::findNode(double key) const
{
    const double tol = m_tolerance;
    const RBNode_* x = m_root;
    while (!isNil(x)) {
        if (std::fabs(key - x->key) < tol)
            return const_cast<RBNode_*>(x);
        x = key < x->key ? x->left : x->right;
    }
    return nullptr;
}

RBNode_* RBTree::neighbour(const RBNode_* p, Side side) const
{
    if (!p || isNil(p))
        return nullptr;
    if (!isNil(p->*side))
        return outermost(p->*side, Opposite(side));
    // Climb while p lies on that side of its parent.
    const RBNode_* q = p->parent;
    while (!isNil(q) && p == q->*side) {
        p = q;
        q = q->parent;
    }
    return isNil(q) ? nullptr : const_cast<RBNode_*>(q);
}

RBNode_* RBTree::GetPredecessorOf(const RBNode_* p) const
{
    return neighbour(p, &RBNode_::left);
}

RBNode_* RBTree::GetSuccessorOf(const RBNode_* p) const
{
    return neighbour(p, &RBNode_::right);
}

void RBTree::findNodeRange(double lo, double hi, CList<RBNode_*, RBNode_*>& out) const
{
    if (!(hi > lo))
        return;
    // The last node whose key is at most hi.
    RBNode_* last = nullptr;
    RBNode_* x = m_root;
    while (!isNil(x)) {
        if (hi < x->key) {
            x = x->left;
        } else {
            last = x;
            x = x->right;
        }
    }
    for (RBNode_* p = last; p && lo <= p->key; p = GetPredecessorOf(p))
        out.AddTail(p);
}
