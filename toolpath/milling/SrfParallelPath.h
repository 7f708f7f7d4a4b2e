// Parallel finishing and roughing on the tool-centre model: the model is turned so that
// the passes run along x, cut by the planes y = const one step-over apart, and each pass
// follows the upper envelope of its section. The passes are limited to the machining
// regions and, in finishing, optionally to the shallow or the steep parts, then linked
// one way or in zigzag (narrow zigzag areas optionally re-cut at right angles). The
// model is turned back before the entry points return.
#pragma once

#include "platform/core/ObList.h"
#include "toolpath/milling/IntCurveSet.h"
#include "toolpath/milling/ProtectNet.h"

#include <vector>

class CDbPathGroup;
class CGeRegion;
class CMillCenter;
class CParamSrfFinish;
class CParamSrfRough;
class CPathCombine;
class CPathGroup;
class CQProgress;
class CSmartLoop;
class CTool;

namespace srfparallel {

constexpr short kFinishKind = 302;     // group kind of finishing
constexpr short kRoughKind = 300;      // group kind of roughing
constexpr double kAngleTol = 0.0001;   // smaller pass angles leave the model unturned
constexpr double kMinOffset = 0.0001;  // smaller boundary offsets leave the regions as they are
constexpr double kYMatch = 0.0001;     // a pass and an area line at the same y
constexpr double kMinInterval = 1;     // shorter region intervals are dropped
constexpr double kMinFloor = 0.01;     // shorter floor segments are not added
constexpr double kTrimSkip = 0.02;     // intervals ending this little past a curve's start are skipped
constexpr double kTrimEnd = 0.0001;    // curves ending this little past an interval's start go
constexpr double kSlopeMargin = 0.01;  // added to the slope limit
constexpr double kVerticalDx = 0.0001; // segments this short in x count as vertical
constexpr double kWallFactor = 3;      // shallow breakpoints next to slopes over 3 limits move
constexpr double kWallShift = 0.02;    // ... this far into the shallow side
constexpr double kMergeTol = 0.0001;   // widened intervals overlapping by more merge
constexpr double kOptRatio = 0.8;      // chains at most this long along as across are re-cut
constexpr double kOutlineThin = 0.02;  // thinning of a chain's outline
constexpr double kBoundaryDrop = 5;    // boundary loops start this far under the model

}  // namespace srfparallel

// The x intervals (pairs) of one pass inside the machining region.
struct CLineArea {
    double y = 0;
    std::vector<double> intervals;  // a0, b0, a1, b1, ...
    int Count() const { return int(intervals.size() / 2); }
};

// The region intervals of the passes, in pass order.
struct CMachArea {
    std::vector<CLineArea> lines;
};

class CSrfParallelPath {
public:
    using RegionList = CTypedPtrList<CObList, CGeRegion*>;

    CSrfParallelPath();
    ~CSrfParallelPath();
    CSrfParallelPath(const CSrfParallelPath&) = delete;
    CSrfParallelPath& operator=(const CSrfParallelPath&) = delete;

    // Finishing: a new database group (owned by the caller) or null. The model is turned
    // by the pass angle while the passes are made and is back in place on return, also
    // when the call fails.
    CDbPathGroup* CreateParallelPath(CMillCenter* model, RegionList* regions, CParamSrfFinish& param,
                                     CQProgress* progress = nullptr);
    // Roughing: zigzag passes without slope limits, group kind 300.
    CDbPathGroup* CreateParallelPath(CMillCenter* model, RegionList* regions, CParamSrfRough& param);

    // The settings both entries reduce to.
    struct Settings {
        short kind = srfparallel::kFinishKind;
        double top = 0, depth = 0;
        double angleDeg = 0;
        double stepOver = 1;
        int flags = 0x01;            // 0x01 no limit, 0x04 steep only, 0x10 optimal direction
        unsigned options = 0;        // 0x01 zigzag, 0x02 region boundary
        double boundaryOffset = 0;
        double minLength = 0, extension = 0;
        double slopeDeg = 45;
        bool limits = true;          // finishing: flags choose the limit mode
    };
    static Settings FinishSettings(const CParamSrfFinish& param);
    static Settings RoughSettings(const CParamSrfRough& param);
    // The path group of either entry (in the model's own frame), or null; the model is
    // left as found.
    CPathGroup* CreatePathGroup(CMillCenter* model, RegionList* regions, const Settings& s, CQProgress* progress);

    // Steps. The passes as scan lines over the y range (min, max) at the step-over, and
    // the net over the model box grown by the tool radius (not filled). 0 on failure.
    int Create(CTool* tool, const double* modelBox, double step, const double* yRange);
    // The x intervals of the region chain on the line y: crossings of every loop and
    // island sorted and paired, intervals shorter than 1 dropped; none for an odd count.
    static void GetLineArea(CSmartLoop* loops, double y, std::vector<double>& intervals);
    // One area line per pass with intervals; those passes move to the front slots.
    void GetLoopsMachArea(CSmartLoop* loops, CMachArea& area);
    // Floor segments (x0, bottom)-(x1, bottom) of the line's intervals.
    static void GenIntLineByMachArea(const CLineArea& line, double bottom, CIntLineSet& set);
    // The envelope curves of every pass; area lines at a pass's y add its floor. 0 for a
    // null model.
    int GenIntCurveSetLib(CMillCenter* model, const CMachArea& area, CQProgress* progress = nullptr);
    // Every pass not matched by an area line is cleared; matched ones are trimmed to it.
    void TrimPassesToArea(const CMachArea& area);
    // The set's curves cut to the intervals (count pairs); count 0 empties the set.
    static void TrimIntCurveSet(CIntCurveSet& set, const double* intervals, int count);
    // The shallow (steep = 0) or steep intervals of the set's curves with slope limit s.
    static void GetLineArea(const CIntCurveSet& set, double s, int steep, double minLength, double extension,
                            std::vector<double>& intervals);
    // Every pass trimmed to its slope intervals (mode 1 shallow, 2 steep). Returns 1.
    int TrimIntCurveSetLib(double slope, int mode, double minLength, double extension);
    // Every curve as a combine of one polyline toward +x, passes in order.
    void GenPathGroupOneWay(CMillCenter* model, CPathGroup& group);
    // Curves of consecutive passes chained back and forth and joined by straight links.
    void GenPathGroupZigZag(CMillCenter* model, CPathGroup& group, int optimal);
    // Narrow chains of the group replaced by passes at right angles to them.
    void ProcOptCutDir(CMillCenter* model, CPathGroup& group);
    int ProcOptCutDir(CMillCenter* model, CPathGroup& group, CPathGroup& out);
    // The chains of the group whose x span is at most ratio times their y span, taken out
    // and welded into outline loops (owned by the caller), or null.
    static CSmartLoop* GenBoxLoopsByLWR(CPathGroup& group, double ratio);
    // The outline of a chain through the ends of its passes; null when none forms.
    static CSmartLoop* CreateLoopByPComb(CPathCombine* combine);
    // The combine cut where the step from an entity's end to the next one's start changes
    // z by more than 2 tan(slopeAngle) per unit of y (a cut after the first entity deletes
    // it instead). Pieces cut along one pass line (both sides at one y) stay joined; pieces
    // of neighbouring passes stay apart. The chain of pieces (through next; the combine
    // itself is the first), or null when nothing is left; the caller owns the others.
    CPathCombine* DeleteSteepPath(CPathCombine* combine) const;

    double stepOver = 1.0;
    double angle = 0;
    double bottom = 0;
    double top = 0;
    int limitMode = 0;
    double slopeAngle = 0;
    SLineArray passes;
    CProtectNet net;
};
