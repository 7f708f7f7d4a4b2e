// The work curves of one 3D chaining call, with their ends filed in a hash so that
// a successor search looks only at curves with an end near the chain's end instead
// of scanning the whole list. Candidates are visited in work-list order, so the
// choices and ties are those of a scan over the list (the rules are written out at
// CGeTool3D::ReCreateLoop3d and CreateLoop3dForClearCorner1). Curves do not change
// while they wait here, so their ends and boxes are read once.
#pragma once

#include "geometry/shapes3d/EndHash3d.h"
#include "geometry/shapes3d/GeCurve3d.h"

#include <cstdint>
#include <vector>

class CChainWork3d {
public:
    // The present curves of list in order; with bFromList the entries stay in list and
    // are removed from it as they are taken (a curve listed twice is filed once and its
    // later entries removed at once). tol sizes the hash; bEnds files end points too.
    CChainWork3d(CGeCurve3dList* list, bool bFromList, double tol, bool bEnds);

    std::size_t Count() const { return m_items.size(); }
    // The lowest-starting free curve (the earliest on ties), taken; null when none is
    // left whose start z is below 1e12.
    CGeCurve3d* TakeLowestStart();
    // The first free curve in work order, taken; null when none is left.
    CGeCurve3d* TakeHead();
    // The least-turn successor at p with end tangent dir (either end within tol),
    // taken; byStart 0 when it touches with its end.
    CGeCurve3d* TakeLeastTurn(const double* p, const double* dir, double tol, int& byStart);
    // The z-first successor at p: a start within tol, the largest |end z - p z| wins.
    CGeCurve3d* TakeZFirst(const double* p, double tol);
    // The free curves in work order, appended to out (the set is left empty); with
    // bFromList they are still in the caller's list and nothing is appended.
    void MoveFreeTo(CGeCurve3dList& out);

private:
    struct Item {
        CGeCurve3d* curve = nullptr;
        POSITION pos = nullptr;
        double s[3] = {0.0, 0.0, 0.0};
        double e[3] = {0.0, 0.0, 0.0};
        BOX3<double> box;
        bool taken = false;
    };
    void Take(std::uint32_t i);
    // Free items with an end filed within tol of p, sorted by work order.
    const std::vector<std::uint32_t>& Near(const double* p, double tol);

    CGeCurve3dList* m_list = nullptr;
    std::vector<Item> m_items;
    std::vector<std::uint32_t> m_byZ;  // items by start z, then work order
    std::size_t m_nextZ = 0;
    std::size_t m_head = 0;
    CEndHash3d m_hash;
    std::vector<std::uint32_t> m_near;
};
