// Parameter records of the pocketing strategies and the scan-point generator of the
// linear strategy. The strategies themselves are members of CSmartLoop.
#pragma once

#include <cstdint>

class CSmartLoop;
class CSmartLPoint;
class CSmartArc;
class CSmartCurveLib;
class CPathCombine;

// Linear (scan-line) cutting.
struct DVN_CutLinearDef {
    // bit 0: zigzag (linked), else one-way; bit 1: finish with the boundary (with bit 2,
    // lap the boundary while zigzagging); bit 2: lap each boundary loop when the zigzag
    // leaves it for the last time; bit 4: index scan points by line for the neighbour
    // search (disables the laps).
    std::uint32_t flags = 0;
    std::int32_t reserved1 = 0;
    double step = 1.0;
    double reserved2 = 0.0;
    double allowance = 0.0;  // inward offset before scanning; reach of a boundary lap
    double maxLink = 0.0;    // longest boundary run between two scan lines of a zigzag
    double angle = 0.0;      // scan direction, degrees
};

namespace cutdef {
constexpr std::uint32_t kZigzag = 1;
constexpr std::uint32_t kBoundary = 2;
constexpr std::uint32_t kLap = 4;
constexpr std::uint32_t kLineIndex = 16;
}  // namespace cutdef

// Cutting order; first selects the direction per strategy, the others are not read.
struct DVN_OrderType {
    std::int32_t direction = 1;
    std::int32_t reserved1 = 0;
    std::int32_t reserved2 = 0;
};

// Contour-parallel (follow) cutting: successive offsets step apart.
struct DVN_CutFollowDef {
    // Hierarchy and connection style: 0 the outer offset with the islands clipped in
    // (islands cut on their own), 1 the region offset (outer inward minus grown islands)
    // with the islands handed down, 2 the islands grown with the outer boundary kept.
    std::int32_t type = 0;
    // bits 0 and 2: cutting direction (bit 2 also cuts each loop in one pass with
    // returns to its parent and keeps the children unsorted); bit 4: debury linking;
    // bit 6: mark emitted boundary copies; bit 13: an entry link even at a curve's start.
    std::uint32_t flags = 0;
    double step = 1.0;
    double percentage = 100.0;  // below 50 a step that yields nothing is retried at half
};

namespace cutdef {
constexpr std::uint32_t kFollowReverse = 1;
constexpr std::uint32_t kFollowResume = 4;
constexpr std::uint32_t kFollowDebury = 16;
constexpr std::uint32_t kFollowMarkCopies = 64;
constexpr std::uint32_t kFollowLeadLink = 8192;
}  // namespace cutdef

// Spiral cutting (the pool form reads these).
struct DVN_CutSpiralDef {
    std::uint8_t flags = 0;  // bit 0: reverse the pooled pieces; bit 4: links keep distance
    double distance = 0.0;
};

// Radial (emit) cutting: rays from a centre.
struct DVN_CutEmitDef {
    // bit 0: connected cutting through a small centre circle; bit 1: cut each ray
    // segment outward.
    std::uint8_t flags = 0;
    double centre[2] = {0, 0};
    double startAngle = 0;  // degrees
    double sweepAngle = 0;
    double stepAngle = 0;
};

namespace cutdef {
constexpr std::uint8_t kEmitConnected = 1;
constexpr std::uint8_t kEmitOutward = 2;
}  // namespace cutdef

// Scan points of the chain's loops (with islands) on lines step apart, from the lowest
// box minimum + step while below the highest maximum; each inside interval at least step
// long gives a start and an end point hung into its sections' point lists and linked
// along the line. Returns the head of the chain (through chainNext), or null for a null
// chain or step below 0.001. limit is not read. lineCount (when given) receives the
// number of the last scan line.
CSmartLPoint* GenerateScanPoint(CSmartLoop* chain, double step, unsigned limit, unsigned* lineCount = nullptr);

// Sections of the loop and its islands (room for the crossings of one line with it).
unsigned RegionSectionCount(CSmartLoop* L);

// Spiral passes: arcs[0] serves the angles up to pi, arcs[1] those beyond; every pass
// clips both by the chain's loops (with islands) and shrinks their radii by step, while
// either radius is positive. Returns the points (pairs of start and end, angle in w,
// pass number from 2 in lineId; arc ends inside the region have no section), or null;
// no passes for a step of 0 or less or NaN. The arcs' radii are changed.
CSmartLPoint* GenerateSpiralPoint(CSmartLoop* chain, CSmartArc arcs[2], double step);
// Arc moves between the point pairs, joined along the boundary (nearer neighbour, forward
// when strictly nearer) or at a sectionless end to the point at the same place. Emits
// each curve; deletes the sectionless points and sets points null. def and order are not
// read. Returns 1.
int ExtractSpiralPath(CPathCombine& out, DVN_CutSpiralDef& def, DVN_OrderType& order, CSmartLPoint*& points,
                      CSmartArc arcs[2]);
// Pool form: the passes of both arcs collected and cut at their crossings with the
// chain's loops; the pieces inside the region go into pool. Returns the crossing points
// (angle in w, the running arc index in lineId), all linked along one line.
CSmartLPoint* GenerateSpiralPoint(CSmartLoop* chain, CSmartArc arcs[2], double step, CSmartCurveLib& pool);
// Pool form: each pooled piece chained with the pieces that start (or end) at a boundary
// neighbour of its end, along the boundary run between; flags bit 0 reverses the pieces
// first, bit 4 accepts a link only to the same pass's partner or when it keeps
// def.distance. Deletes the points and sets points null. Returns 1.
int ExtractSpiralPath(CPathCombine& out, DVN_CutSpiralDef& def, DVN_OrderType& order, CSmartLPoint*& points,
                      CSmartCurveLib& pool);
