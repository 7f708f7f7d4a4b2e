// Contour-parallel pocketing: the marks its loops and sections carry, and the cutting
// curves of a connected offset hierarchy before they are written as path entities.
#pragma once

#include "toolpath/contours/SmartLoop.h"

#include <cstdint>

namespace follow {

// Bits of a section's mark byte.
constexpr std::uint8_t kMarkDead = 0x01;       // connection examined: no loop to enter
constexpr std::uint8_t kMarkRecut = 0x02;      // taken by a debury re-cut
constexpr std::uint8_t kMarkAtStart = 0x04;    // a connection starts at the start point
constexpr std::uint8_t kMarkAtEnd = 0x08;      // ... at the end point
constexpr std::uint8_t kMarkFirst = 0x10;      // the loop's first connection section
constexpr std::uint8_t kMarkLink = 0x20;       // link line
constexpr std::uint8_t kMarkCopy = 0x40;       // emitted copy (flags bit 6)
constexpr std::uint8_t kMarkBoundary = 0x80;   // boundary section of the hierarchy

// Loop flags.
constexpr std::uint8_t kLoopDone = 4;      // extracted
constexpr std::uint8_t kLoopSibling = 16;  // connected to a sibling

// A section's number once it has been emitted.
constexpr int kEmitted = -77;
// Connection point of a loop whose source section is missing on its parent.
constexpr double kNoSource = 1000000.0;
// Connection points and section starts within this are one point.
constexpr double kConnectTol = 0.0001;
// CreateConnectPoint: margins of the foot on a line and of the parameter on an arc.
constexpr double kFootMargin = 0.001;

// Offers the section of L's contour whose start lies nearest to p to the running best:
// taken when there is none yet or it is strictly nearer. True when taken.
inline bool OfferNearest(CSmartLoop* L, const double* p, CSmartSect*& best, double& bestDist)
{
    if (!L->contour)
        return false;
    double q[2], d;
    CSmartSect* s = L->contour->FindNearSect(p, q, d);
    if (!s || (best && !(d < bestDist)))
        return false;
    best = s;
    bestDist = d;
    return true;
}

// The cutting curves of the hierarchy below root after its connections are set, in the
// order they are made (a chain through next, owned by the caller): each starts with the
// loop GetFirstLoop chooses and runs through the loops entered from it. Sections copied
// from a loop keep its marks (with 0x40 under flags bit 6); links carry 0x20.
CSmartCurve* FollowCurves(CSmartLoop& root, int type, int flags);

}  // namespace follow
