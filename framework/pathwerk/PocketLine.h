// Scan lines through machining regions: lines y = const at a fixed interval across the
// regions' box, each with its crossings of every loop and hole of every region,
// sorted along +X, so that crossings 2k and 2k+1 bound the k-th inside segment
// (even-odd rule over all loops, so a hole's inside counts as outside). The lines
// run along X when the angle is 0; another angle turns the regions by -angle before
// scanning and the crossings back by +angle.
//
// Line placement (the border flag): with flag 1 the first and the last line lie
// kBorderInset inside the lowest and highest y of the regions, so the borders are
// swept, and the lines between are spaced at the interval from the first (the last
// gap may be shorter); with flag 0 the lines are centred: the first at half an
// interval above the lowest y, then every interval while below the highest y.
#pragma once

#include "platform/core/Containers.h"
#include "platform/core/ObList.h"

#include <vector>

class CGeRegion;

// One crossing of a scan line with a loop.
struct SNCInterPoint {
    double x = 0, y = 0;  // where the line meets the loop
    int region = -1;      // index of the region in the builder's list
    int loop = -1;        // index of the loop in its region
    int edge = -1;        // index of the polyline edge of the loop
};

using CScanLine = CArray<SNCInterPoint, const SNCInterPoint&>;

class CPocketLine {
public:
    static constexpr double kBorderInset = 1e-4;
    // Most lines one builder makes; a smaller interval is refused.
    static constexpr int kMaxLines = 1000000;

    CPocketLine() = default;
    // Deletes the regions and the scan lines it still holds.
    ~CPocketLine();
    CPocketLine(const CPocketLine&) = delete;
    CPocketLine& operator=(const CPocketLine&) = delete;

    void SetScanBorderFlag(int flag) { m_border = flag; }
    void SetAngle(double radians) { m_angle = radians; }
    void SetInterval(double d) { m_interval = d; }
    // Replaces the scan lines by those of the regions: 1, or 0 (no lines) for no
    // regions, an interval that is not positive or finite, or more than kMaxLines lines.
    int BuildAllScanLine();

    // The regions to scan, owned by the builder.
    CTypedPtrList<CObList, CGeRegion*> m_listRegion;
    // One line per entry, from the lowest y up; owned until a caller takes them over.
    std::vector<CScanLine*> m_scanLines;

private:
    void FreeLines();

    int m_border = 0;
    double m_angle = 0;
    double m_interval = 0;
};
