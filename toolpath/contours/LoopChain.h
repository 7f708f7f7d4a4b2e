// Sibling chains of loops (next/prev) as vectors and back, and a box index of loops for
// the point and pair searches of the loop Booleans and offsets.
#pragma once

#include "toolpath/contours/CellGrid.h"
#include "toolpath/contours/SmartLoop.h"

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

namespace smart {

inline std::vector<CSmartLoop*> ChainToVector(CSmartLoop* head)
{
    std::vector<CSmartLoop*> v;
    for (CSmartLoop* L = head; L; L = L->next)
        v.push_back(L);
    return v;
}

// Links the loops in vector order; the head (null for none).
inline CSmartLoop* LinkChain(const std::vector<CSmartLoop*>& v)
{
    for (std::size_t i = 0; i < v.size(); ++i) {
        v[i]->prev = i > 0 ? v[i - 1] : nullptr;
        v[i]->next = i + 1 < v.size() ? v[i + 1] : nullptr;
    }
    return v.empty() ? nullptr : v.front();
}

// AddIsland with the outer loop's last island at hand (null: found once), so that many
// islands go on in linear time; `last` becomes L.
inline void AppendIsland(CSmartLoop* outer, CSmartLoop* L, CSmartLoop*& last)
{
    if (!last)
        for (last = outer->islands; last && last->next;)
            last = last->next;
    L->next = L->prev = nullptr;
    if (last) {
        last->next = L;
        L->prev = last;
    } else {
        outer->islands = L;
    }
    L->parent = outer;
    last = L;
}

// The chain's loops, unlinked from each other.
inline std::vector<CSmartLoop*> TakeChain(CSmartLoop* head)
{
    std::vector<CSmartLoop*> v = ChainToVector(head);
    for (CSmartLoop* L : v)
        L->next = L->prev = nullptr;
    return v;
}

inline std::array<double, 4> LoopBox2(const CSmartLoop& L)
{
    return {L.box[0][0], L.box[0][1], L.box[1][0], L.box[1][1]};
}

inline std::vector<std::array<double, 4>> LoopBoxes(const std::vector<CSmartLoop*>& loops)
{
    std::vector<std::array<double, 4>> b;
    b.reserve(loops.size());
    for (const CSmartLoop* L : loops)
        b.push_back(LoopBox2(*L));
    return b;
}

inline std::vector<const double*> BoxPointers(const std::vector<std::array<double, 4>>& boxes)
{
    std::vector<const double*> p;
    p.reserve(boxes.size());
    for (const auto& b : boxes)
        p.push_back(b.data());
    return p;
}

// CSmartCurve::FormLoop of a curve whose sections' boxes are current (every section made
// or boxed since its last change): the walk never moves a section and the joints it
// closes are boxed anew, so the loops' sections are not boxed again. The same loops.
CSmartLoop* FormLoopOfBoxed(CSmartCurve& c);

// Crossings between the sections of different loops of the list (each with its islands)
// for the loop pairs cut(i, j) admits (i < j), added to both sections: the same points
// as ContourContourInt of every admitted pair in plain order, by one box sweep.
void CrossLoops(const std::vector<CSmartLoop*>& loops, const std::function<bool(int, int)>& cut);
// The same for the pairs of loops of different groups (group[i] != group[j]): pairs
// within one group are never collected.
void CrossLoops(const std::vector<CSmartLoop*>& loops, const std::vector<int>& group);

// Whether WeldContours would cut or weigh on a boundary any piece of these loops (each
// with its islands): a section of one crosses or touches (SectSectIntersect) a section of
// another, or lies within the boundary tolerance of another's contour test point. One box
// sweep over all sections and test points.
bool LoopsMeet(const std::vector<CSmartLoop*>& loops);

// WeldContours of loops whose regions lie apart, as BuildContour leaves them. When no two
// loops meet (LoopsMeet), every contour is one piece kept whole and walked back as it
// stands, so the contours are regrouped directly, in the order and with the start
// sections the weld gives; otherwise the loops are welded.
CSmartLoop* WeldApartRegions(std::vector<CSmartLoop*> loops);

// Each hole deletes (and removes from outers) the outer loops lying inside it.
inline void EraseInsideHoles(const std::vector<CSmartLoop*>& holes, std::vector<CSmartLoop*>& outers)
{
    for (CSmartLoop* h : holes)
        for (auto it = outers.begin(); it != outers.end();) {
            if (h->IsLoopOn(*it)) {
                delete *it;
                it = outers.erase(it);
            } else {
                ++it;
            }
        }
}

// The loops whose box, widened by a margin, holds a point: a grid over the boxes, so a
// query meets only the loops around it. Candidates come in ascending loop order.
class LoopPointIndex {
public:
    LoopPointIndex(const std::vector<CSmartLoop*>& loops, double margin);
    // Indices of the loops whose widened box holds p, ascending.
    const std::vector<int>& At(const double* p);

private:
    std::vector<std::array<double, 4>> m_boxes;
    std::vector<int> m_loose;  // boxes that cannot be placed in cells are always candidates
    CellGrid m_grid;
    std::vector<int> m_found;
    double m_margin;
};

}  // namespace smart
