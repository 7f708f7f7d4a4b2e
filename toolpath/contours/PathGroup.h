// Tool path containers: a CPathCombine chains the entities of one cutting operation
// and tags them with a move kind derived from its operation code; a CPathGroup chains
// the combines of one job. A group leaves the library only as a database path group.
#pragma once

#include "toolpath/contours/PathEntity.h"

#include <cstdint>

class CDbPathGroup;
class CGeCurve3d;
class CSmartCurve;

class CPathCombine {
public:
    explicit CPathCombine(std::uint16_t opCode = 0) : op(opCode) {}
    // Deletes every entity.
    ~CPathCombine();
    CPathCombine(const CPathCombine&) = delete;
    CPathCombine& operator=(const CPathCombine&) = delete;

    std::uint16_t op = 0;
    CPathEntity* head = nullptr;  // owned chain through next / prev
    CPathEntity* tail = nullptr;
    CPathCombine* next = nullptr;
};

// The move kind of an operation code: 1 -> 9, 2 -> 7, 4 -> 2, 5 and 6 -> 3,
// 3 and 7 to 10 -> 8, anything else 255 (not set).
std::uint8_t PathKindOfOp(std::uint16_t op);

// Appends e (links cleared) as the new tail; a kind of 255 is taken from the
// operation code. Returns e (null for a null e).
CPathEntity* PathCombineAppend(CPathEntity* e, CPathCombine* c);
// Links e right after `after` (in front of the head for a null after); an empty combine
// appends. Returns e (null for a null e).
CPathEntity* PathCombineInsert(CPathEntity* e, CPathCombine* c, CPathEntity* after);
// Deletes every entity; head and tail null.
void PathCombineClear(CPathCombine* c);
// Appends the sections of curve as entities at height z: runs of lines (and arcs of at
// most one chord at 0.001) as polylines of at most 4000 points sharing their joints,
// other arcs as plane 0 arcs. The curve is deleted afterwards when deleteCurve is set.
void AddCurveToPathCombine(CSmartCurve* curve, CPathCombine* c, int deleteCurve, double z);

class CPathGroup {
public:
    explicit CPathGroup(short groupKind);
    // Deletes every combine with its entities.
    ~CPathGroup();
    CPathGroup(const CPathGroup&) = delete;
    CPathGroup& operator=(const CPathGroup&) = delete;

    // Greedy order by nearest start: the first combine stays first; then, again and
    // again, of the combines left the one whose first entity starts nearest (3D) to the
    // end of the last one placed comes next (ties: the earlier one). Combines without a
    // start point keep their order at the end.
    void OrderCombinesByNearest();

    short kind;
    // Header values carried for the consumers of the group; nothing here reads them.
    std::int32_t toolId = -1;  // the rotary strategy stores the tool's identifier
    std::uint64_t reserved = 0;
    double values1[2] = {-1, -1};
    std::int32_t counter1 = 9;
    double values2[6] = {-1, -1, -1, -1, -1, -1};
    std::int32_t counter2 = 1;
    CPathCombine* head = nullptr;  // owned chain through next
    CPathCombine* tail = nullptr;
    std::int32_t trailer = 0;
};

// Deletes every combine with its entities; head and tail null.
void PathGroupClear(CPathGroup* g);
// Appends the chain of combines (the group takes it over) and moves each of their
// entities by (0, 0, -z).
void PathGroupAppend(double z, CPathGroup* g, CPathCombine* chain);
// RotateZ(cos angle, sin angle) on every entity.
void PathGroupRotate(double angle, CPathGroup* g);
// RotateX(cos(-angle), sin(-angle)) on every entity.
void PathGroupRotateBack(double angle, CPathGroup* g);
// A new database group (owned by the caller) whose units break wherever consecutive
// entities lie more than 0.001 apart, also across combines; null when it would hold
// no unit. The path group is unchanged.
CDbPathGroup* PathGroupToDbPathGroup(CPathGroup* g);

// Database curves of entities, new and owned by the caller, discretised at the curve
// tolerance with their box. An arc lies where PathArcPointAt puts it: a planar arc
// becomes a CGeArc3d; a helix a CGePolyline3d along it within the curve tolerance.
// null for a general-frame arc without frame.
CGeCurve3d* PathArcToGeArc3d(const CPathArc3D* arc);
// A CGePolyline3d of the points, with the axes as its per-point vectors; null for a
// polyline of fewer than 2 points.
CGeCurve3d* PathPLineToGePolyline3d(const CPathPLine3D* pl);
