// Scan points of the cutting-path generators: points on the sections of a loop boundary
// that belong to one scan line (or ray, or pass), with the boundary walks that find the
// next turning point and copy the boundary between two points into a curve.
#pragma once

#include "toolpath/contours/SmartPoint.h"

#include <cstdint>

class CSmartSect;
class CSmartCurve;

// Kinds of a scan point.
namespace scanpt {
constexpr short kStart = 0;  // starts an inside interval; nextOnLine ends it
constexpr short kEnd = 1;    // ends one; prevOnLine starts it
constexpr short kUsed = 10;  // used: the walks pass over it
}  // namespace scanpt

class CSmartLPoint : public CSmartPoint {
public:
    CSmartLPoint() = default;
    // x, y and t from p; links and section null.
    CSmartLPoint(const double* p, short kind, unsigned lineId);

    // The next turning point forward (backward) along the boundary and the straight
    // length walked: 1, or 0 with out null when the walk comes back to this point or
    // reaches its step limit (10000 forward, 1000 backward). lines (may be null) holds
    // the first point of every line by lineId, lineCount the highest lineId.
    int GetNNextPoint(CSmartLPoint*& out, double& dist, CSmartLPoint** lines, unsigned lineCount);
    int GetNPrevPoint(CSmartLPoint*& out, double& dist, CSmartLPoint** lines, unsigned lineCount);
    int GetNextPoint(CSmartLPoint*& out, double& dist, CSmartLPoint** lines, unsigned lineCount)
    {
        return GetNNextPoint(out, dist, lines, lineCount);
    }
    int GetPrevPoint(CSmartLPoint*& out, double& dist, CSmartLPoint** lines, unsigned lineCount)
    {
        return GetNPrevPoint(out, dist, lines, lineCount);
    }
    // 1 when p's interval lacks an overlapping unused interval on either neighbouring line.
    int IsECutPoint(CSmartLPoint* p, CSmartLPoint** lines, unsigned lineCount);
    // 1 when p (or a used point) is this point's nearest neighbour along the boundary.
    int IsSECutPoint(CSmartLPoint* p);
    // Append to curve the boundary from this point to target, walking forward (backward);
    // pieces inherit mark bit 0x40 of their sections. Returns 1.
    int AddNextSect(CSmartCurve& curve, CSmartLPoint* target);
    int AddPrevSect(CSmartCurve& curve, CSmartLPoint* target);

    CSmartLPoint* prevOnLine = nullptr;
    CSmartLPoint* nextOnLine = nullptr;
    CSmartLPoint* chainNext = nullptr;
    CSmartSect* sect = nullptr;
    short kind = scanpt::kStart;
    std::uint32_t lineId = 0;
};

// The other end of p's inside interval (null for a used point or a missing one).
inline CSmartLPoint* ScanPartner(const CSmartLPoint* p)
{
    if (p->kind == scanpt::kStart)
        return p->nextOnLine;
    return p->kind == scanpt::kEnd ? p->prevOnLine : nullptr;
}

// Hangs a start point p0 on s0 and an end point p1 on s1 (x, y, t each) into their
// sections' point lists, links them along the line after lastOnLine and appends them to
// the chain head .. tail. 0 (nothing kept) when a section refuses its point.
int AppendScanPair(const double* p0, CSmartSect* s0, const double* p1, CSmartSect* s1, unsigned lineId,
                   CSmartLPoint*& lastOnLine, CSmartLPoint*& head, CSmartLPoint*& tail);
