// Paths shared by the strategies on the tool-centre model (waterline, flat areas, parallel
// finishing): path entities as NC strings, whole groups projected onto the model, loops
// offset with small retries, and loop contours as path combines.
#pragma once

#include "platform/core/ObList.h"

class CGeRegion;
class CMillCenter;
class CNcPline;
class CPathEntity;
class CPathGroup;
class CSmartLoop;
struct DVN_CornerType;

// Appends the points of the entity to the string (contact 0, second height = z): a line
// its two ends, an arc six points at t = 0, 0.2, ..., 1, a polyline all its points; other
// kinds nothing.
void EntityToPline(CPathEntity* entity, CNcPline& string);
// For each combine of source, a new combine (operation code 8) of one polyline per entity,
// each projected onto the model (VerifyCutPath at 0.01); appended to out when it holds
// entities. source is unchanged.
void VerifyGroupOnCentre(CMillCenter* model, CPathGroup& out, CPathGroup& source);
// Each loop of the chain offset inward (OffsetContour mode 0) by a + e and b + e, e tried
// as 0, 0.01, -0.01, 0.02, -0.02, 0.03, -0.03 until one gives loops; a loop without any
// is skipped. The results chained in order (new loops owned by the caller), or null.
CSmartLoop* OffsetLoopsRetry(CSmartLoop* loops, double a, double b, DVN_CornerType& corner);
// Per loop of the chain, a combine (operation code 8) of its contour and then each
// island's, appended to the group raised to height z.
void LoopsToPathGroup(CSmartLoop* loops, CPathGroup& group, double z);

// The loops of every region that has any (ConvertRegionToSmartLoop), chained as siblings in
// region order (owned by the caller), or null.
CSmartLoop* RegionsToLoops(CTypedPtrList<CObList, CGeRegion*>* regions);

// Deletes a loop chain on leaving a scope.
struct LoopChain {
    CSmartLoop* head = nullptr;
    LoopChain() = default;
    explicit LoopChain(CSmartLoop* chain) : head(chain) {}
    ~LoopChain();
    LoopChain(const LoopChain&) = delete;
    LoopChain& operator=(const LoopChain&) = delete;
};
