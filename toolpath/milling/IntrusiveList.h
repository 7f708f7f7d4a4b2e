// Helpers of the intrusive chains of the tool-centre engine (segments, curves, profile
// nodes, polylines, surfaces): the holder owns the elements through raw links and frees
// them one by one, never recursively. And the greedy chord thinning they share.
#pragma once

#include <cstddef>
#include <vector>

namespace centre {

// Deletes every element of a chain linked through next.
template <class T>
void DeleteChain(T* head)
{
    while (head) {
        T* next = head->next;
        delete head;
        head = next;
    }
}

// Links node at the tail of a doubly linked chain.
template <class T>
void ChainAppend(T*& head, T*& tail, int& count, T* node)
{
    node->next = nullptr;
    node->prev = tail;
    if (tail)
        tail->next = node;
    else
        head = node;
    tail = node;
    ++count;
}

// Unlinks node from a doubly linked chain (the node is not freed).
template <class T>
void ChainUnlink(T*& head, T*& tail, int& count, T* node)
{
    if (node->prev)
        node->prev->next = node->next;
    else
        head = node->next;
    if (node->next)
        node->next->prev = node->prev;
    else
        tail = node->prev;
    node->prev = node->next = nullptr;
    --count;
}

// Greedy chord thinning of n points: from an anchor, the end advances while every point
// strictly between lies within tol of the chord (dist(k, anchor, end)); the points
// between the anchor and the last good end are dropped and that end is the next anchor.
// The flags of the points kept; the first and last are always kept.
template <class Dist>
std::vector<char> GreedyThinKeep(size_t n, double tol, Dist dist)
{
    std::vector<char> keep(n, 1);
    if (n < 3)
        return keep;
    size_t anchor = 0;
    while (anchor + 1 < n) {
        size_t good = anchor + 1;
        for (size_t end = anchor + 2; end < n; ++end) {
            bool ok = true;
            for (size_t k = anchor + 1; k < end && ok; ++k)
                ok = dist(k, anchor, end) <= tol;
            if (!ok)
                break;
            good = end;
        }
        for (size_t k = anchor + 1; k < good; ++k)
            keep[k] = 0;
        anchor = good;
    }
    return keep;
}

}  // namespace centre
