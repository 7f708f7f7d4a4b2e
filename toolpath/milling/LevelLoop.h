// The closed cutter-location contour of one level round one grid loop of the protection
// net: the loop is cut into records (a strip of cells along every run, one cell at every
// corner), each section segment is handed to the record whose cell holds it, the outermost
// section of each record (its upper envelope in the record's own frame) becomes a piece,
// and the pieces are joined into one closed curve.
#pragma once

#include "toolpath/milling/GridLoop.h"
#include "toolpath/milling/IntCurveSet.h"
#include "toolpath/milling/IntLineSet.h"

#include <memory>
#include <unordered_map>
#include <vector>

class CProtectNet;

namespace levelloop {
enum Kind { kTurnCorner = 1, kStrip = 2, kCorner = 3 };
}  // namespace levelloop

// One strip or corner cell of a grid loop. Frame codes turn the record so that its cell lies
// on the +v side of the u axis: 0 by 0, 1 by 180, 2 by +90, 3 by -90, 4 by +45, 5 by -45,
// 6 by +135, 7 by -135 degrees, about its first point.
struct SLevelRecord {
    SLevelRecord() = default;
    SLevelRecord(const SLevelRecord&) = delete;
    SLevelRecord& operator=(const SLevelRecord&) = delete;

    double first[2] = {0, 0};  // the frame's origin, a grid node
    int kind = levelloop::kStrip;
    int code = 0;
    bool mirrored = false;  // turned by 180 degrees: its piece is reversed to keep the run
    double box[4] = {0, 0, 0, 0};  // min x, min y, max x, max y of the cell area
    CIntLineSet segments;
    SIntCurve curve;  // the contour piece
    double cross[4][2] = {{0, 0}, {0, 0}, {0, 0}, {0, 0}};  // working crossings of a capture
    int crossCount = 0;
    SLevelRecord* prev = nullptr;
    SLevelRecord* next = nullptr;
};

struct SLevelRecords {
    SLevelRecords() = default;
    ~SLevelRecords();
    SLevelRecords(const SLevelRecords&) = delete;
    SLevelRecords& operator=(const SLevelRecords&) = delete;

    SLevelRecord* first = nullptr;
    SLevelRecord* last = nullptr;
    int count = 0;
    double step = 0;
    const double* columnX = nullptr;  // the net's arrays
    const double* rowY = nullptr;
};

// Section segments filed by square cells over the set's extent, at least step wide and
// about as many as the segments, so that a record meets only the segments near it. Kept in
// step with the set by the captures; a set changed otherwise needs a new grid.
class CSegmentGrid {
public:
    CSegmentGrid(CIntLineSet& set, double step);
    // Segments whose box meets box, in set order.
    void Near(const double* box, std::vector<SIntSegment*>& out) const;
    void Add(SIntSegment* s, double key);
    void Remove(SIntSegment* s);
    // Order key of the segment that takes the place of s (before it) and one after it.
    double KeyOf(SIntSegment* s) const { return keys.at(s); }
    double KeyAfter(SIntSegment* s) const;

private:
    void Cells(const double* box, int* range) const;
    double x0 = 0, y0 = 0, size = 1;
    int cols = 1, rows = 1;
    std::vector<std::vector<SIntSegment*>> cells;
    std::unordered_map<SIntSegment*, double> keys;
};

// Strips and corners along the loop (a loop of one node gives none).
void LevelLoopRecords(SLevelRecords& recs, double step, const double* columnX, const double* rowY, const SGridLoop& loop);
// Hands every section segment near a record (corners first, then strips) to it, whole or the
// part inside its cell; the parts outside stay in the set. grid indexes set (null: a
// temporary one is built).
void CaptureSegments(SLevelRecords& recs, CIntLineSet& set, CSegmentGrid* grid = nullptr);
// One segment near rec: into rec whole, or the part between its crossings with the cell's
// sides, the outer parts put in its place in set. The grid, when given, follows.
void CaptureSegment(SLevelRecord& rec, CIntLineSet& set, SIntSegment* seg, CSegmentGrid* grid = nullptr);
// Crossings of segment a-b with the sides of box into rec.cross; their count.
int RecordBoxCrossings(SLevelRecord& rec, const double* a, const double* b);
// Saddle cells shared with the loop on the other side: a saddle's segments go to this loop's
// record of that cell, or that record's segments are kept on the saddle.
void SaddleSegments(SLevelRecords& recs, std::vector<SGridSaddle>& saddles);
// The corner record whose cell holds both of the saddle's nodes, or null.
SLevelRecord* FindSaddleRecord(SLevelRecords& recs, const SGridSaddle& s);
void DropEmptyRecords(SLevelRecords& recs);
// Every record's contour piece; records without one are removed.
void RecordEnvelopes(SLevelRecords& recs);
// Neighbouring corners of different frames keep the pair of their level curves that meet,
// among the curves not lying under the other corner's (inner walls) when there are any.
void ReconcileCorners(SLevelRecords& recs, SLevelRecord* a, SLevelRecord* b);
// The record's piece: the upper envelope of its segments in its frame.
void EdgeEnvelope(SLevelRecords& recs, SLevelRecord& rec);
// Moves p (x, y) into the record's frame (inverse 0) or back (inverse 1).
void RecordFrame(const SLevelRecord& rec, int inverse, double* p);
// The piece of a profile: every node with a height, at its higher height, thinned.
void ProfileToEdgeCurve(SProfile& prof, SIntCurve& c);
// Of the curves of a and b, the pair where a's curve starts nearest to the end of b's.
void CurvePairNearest(CIntCurveSet& a, CIntCurveSet& b, SIntCurve*& ca, SIntCurve*& cb);
// Trims the pieces at their junctions and cuts out detours.
void JoinRecordCurves(SLevelRecords& recs);
// The pieces as one closed, cleaned curve; null when fewer than two records or three points.
std::unique_ptr<SIntCurve> RecordsToLoop(double tol, SLevelRecords& recs);
void RecordListFree(SLevelRecords& recs);

// The contours of level z: the net's level loops, each through the steps above, against the
// section set at z (segments taken by a contour leave it). Closed curves appended to out.
// dropLargest: the grid loop of largest area is left out.
void LevelLoopCurves(CProtectNet& net, double z, double tol, CIntLineSet& set, CIntCurveSet& out,
                     bool dropLargest = false);
