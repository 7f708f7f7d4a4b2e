// Ordered 2D point curves made from section segments, and the curve operations the
// tool-centre strategies build their paths from: chaining, thinning, splitting at x,
// clean-up of small zigzags and spikes, start points of closed curves, ramp entries,
// the upper envelope (profile) of a vertical section and the arrays of scan lines.
//
// Points are (x, y) at the set's height for Z sections and (x, z) on the line y =
// height for Y sections. A curve is closed when its last point repeats its first.
// Curves own their points and sets own their curves; both free them one by one.
#pragma once

#include "toolpath/milling/IntLineSet.h"

#include <array>
#include <memory>
#include <vector>

class CPathPLine3D;
class CSmartCurve;
class CSmartLoop;

struct SCurvePoint {
    double u = 0, v = 0;
    SCurvePoint* next = nullptr;
};

struct SIntCurve {
    SIntCurve() = default;
    ~SIntCurve();
    SIntCurve(const SIntCurve&) = delete;
    SIntCurve& operator=(const SIntCurve&) = delete;

    SCurvePoint* first = nullptr;
    SCurvePoint* last = nullptr;
    double height = 0;
    int work[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    SIntCurve* prev = nullptr;
    SIntCurve* next = nullptr;
};

class CIntCurveSet {
public:
    CIntCurveSet() = default;
    ~CIntCurveSet();
    CIntCurveSet(const CIntCurveSet&) = delete;
    CIntCurveSet& operator=(const CIntCurveSet&) = delete;

    SIntCurve* first = nullptr;
    SIntCurve* last = nullptr;
    int count = 0;
    double height = 0;
};

// Curve operations.
void CurveClearPoints(SIntCurve& c);
void CurveAppendPoint(const double* p, SIntCurve& c);
// Overwrites the first point when it lies within tol of p, else prepends p.
void CurvePrependPoint(const double* p, SIntCurve& c, double tol);
int CurvePointCount(const SIntCurve& c);
void CurveReverse(SIntCurve& c);
// Closes the curve: a copy of the first point appended when the ends are more than
// 0.02 apart, else the last point moved onto the first.
void CurveClose(SIntCurve& c);
// Appends a's points to b (a's first dropped when within 0.01 of b's last); a ends empty.
void CurveAppendCurve(SIntCurve& a, SIntCurve& b);
// 1 when every point of a lies within tol of the segments of b.
int CurveWithin(const SIntCurve& a, const SIntCurve& b, double tol);
// The point of a nearest to the segments of b (the first closer than 0.01 at once).
const SCurvePoint* CurveNearestPointTo(const SIntCurve& a, const SIntCurve& b, double* dist);
// Unit direction from the first point to the first point at least tol away; 0 when none.
int CurveStartDirection(const SIntCurve& c, double tol, double* dir);
// Inserts the point at arc length len after the segment that reaches it; 0 when the
// curve is shorter.
int CurveInsertAtLength(double len, SIntCurve& c);
// Restarts a closed curve at its point nearest to p; returns the distance.
double CurveRestartNearest(const double* p, SIntCurve& c);
// Moves a closed curve's start along its first direction until the move from p turns by
// less than 108 degrees from dir; p and dir become the new start and direction.
void CurveStartAdjust(SIntCurve& c, double* p, double* dir);
// Cuts after node: the front part (up to node) becomes a new curve.
std::unique_ptr<SIntCurve> CurveSplitAfter(SCurvePoint* node, SIntCurve& c);
// Cuts a curve monotone in u at x + 0.01 (flag 0) or x - 0.01 (flag 1); the front
// part, reversed, or null (curve unchanged when x lies outside it).
std::unique_ptr<SIntCurve> CurveSplitAtX(int flag, double x, SIntCurve& c);
// Limits of the neighbours in the set: (prev last u - 0.01, its v), (next first u + 0.01,
// its v); -1e12, 0 and 1e12, 0 without one.
void CurveNeighbourLimits(const SIntCurve& c, double* left, double* right);
// Greedy chord thinning: every removed point lies within tol of the kept chord.
void CurveThin(SIntCurve& c, int closed, double tol);
void CurveSmoothKinks(SIntCurve& c);
void CurveDropSpikes(SIntCurve& c);
void CurveDropSharpSpikes(SIntCurve& c);
// The first len of a closed curve as a polyline descending from height + rise to the
// curve's height; the taken points move to the curve's end. Null for len <= 1e-6 or
// fewer than two points.
// A 3D polyline through pts; null for fewer than two points.
std::unique_ptr<CPathPLine3D> PolylineOf(const std::vector<std::array<double, 3>>& pts);
std::unique_ptr<CPathPLine3D> CurveRampEntry(SIntCurve& c, double len, double rise);
std::unique_ptr<CPathPLine3D> CurveToPolyline3D(const SIntCurve& c, double y);
// A curve of line sections between consecutive points; null below two points.
std::unique_ptr<CSmartCurve> CurveToSmartLines(const SIntCurve& c);
// Lines and arcs fitted through the points and their midpoints (CSmartCurve::
// AddPointArray with tol = {deviation, cosine}); null below two points.
std::unique_ptr<CSmartCurve> CurveToSmartCurve(const SIntCurve& c, const double* tol);
// Appends the points of a loop's contour: the first section's start, then every line's
// end and every arc sampled at chord tolerance 0.01 (at most 2000 points, its start left
// out).
void CurveFromLoop(SIntCurve& c, const CSmartLoop* loop);
// Every loop of the chain and every island of it as a curve at the set's height.
void CurveSetFromLoops(CIntCurveSet& set, const CSmartLoop* chain);
// The curves fitted (CurveToSmartCurve) and walked into closed loops; the set is
// emptied. The chain of loops, or null.
CSmartLoop* CurveSetToLoops(CIntCurveSet& set, const double* tol);
// Every pair of consecutive points becomes a segment of set (tiny ones dropped); the
// points are freed.
void CurveToSegments(SIntCurve& c, CIntLineSet& set);

// Curve-set operations.
void CurveSetAppend(CIntCurveSet& set, std::unique_ptr<SIntCurve> c);
std::unique_ptr<SIntCurve> CurveSetUnlink(CIntCurveSet& set, SIntCurve* c);
void CurveSetDelete(CIntCurveSet& set, SIntCurve*& c);
void CurveSetClear(CIntCurveSet& set);
void CurveSetMoveAll(CIntCurveSet& from, CIntCurveSet& to);
void CurveSetThin(CIntCurveSet& set, double tol);
void CurveSetReverseAll(CIntCurveSet& set);
void CurveSetSortByHeight(CIntCurveSet& set);
// Within runs of curves whose heights agree within 0.01, a curve lying within 0.05 of
// an earlier one is removed together with it.
void CurveSetDropCovered(CIntCurveSet& set);
// Restarts every closed curve near p and returns the nearest (null beyond max > 0),
// its start adjusted; dir receives its start direction.
SIntCurve* CurveSetNearest(double* dir, double max, CIntCurveSet& set, double* p);
// The next curve of a zigzag; last and box are updated. Null when none fits.
SIntCurve* CurveSetNextZigZag(CIntCurveSet& set, const double* limits, double* last, double* box, int reverse);
// Chains segments into curves through ends within tol in u and v, drops segments that
// join nothing, and puts the chained curves back as segments in chain order.
void LinkSegments(double tol, CIntLineSet& set);

// Scan-line arrays: count sets at y0 + i d.
struct SLineArray {
    SLineArray() = default;
    ~SLineArray();
    SLineArray(const SLineArray&) = delete;
    SLineArray& operator=(const SLineArray&) = delete;
    CIntCurveSet** sets = nullptr;
    int count = 0;
};
int LineArrayInit(SLineArray& arr, int count, double y0, double d);
// n = ceil((y1 - y0) / step - 0.0001) sets (1 when 0) spaced (y1 - y0) / n from y0.
// 0 for a step <= 0, a negative count or one that does not fit an int.
int LineArrayByStep(SLineArray& arr, double step, const double* range);
void LineArrayFree(SLineArray& arr);

// Profiles: the upper envelope of a Y section.
struct SProfileNode {
    double x = 0;
    double zl = -1e12, zr = -1e12;  // heights just left and just right of x
    SProfileNode* prev = nullptr;
    SProfileNode* next = nullptr;
};
struct SProfile {
    SProfile() = default;
    ~SProfile();
    SProfile(const SProfile&) = delete;
    SProfile& operator=(const SProfile&) = delete;
    SProfileNode* head = nullptr;
    SProfileNode* tail = nullptr;
    int count = 0;
};
// The node within 0.01 of x (code 1), or a new node between nodes with heights
// interpolated (2), or at an end / into an empty profile without heights (3).
SProfileNode* ProfileFindOrInsert(SProfile& prof, double x, int* code);
void ProfileBuild(CIntLineSet& set, SProfile& prof);
void ProfileBridgeSlots(SProfile& prof);
void ProfileToCurves(CIntCurveSet& set, double bottom, SProfile& prof);
void ProfileToCurvesAtLevel(SProfile& prof, CIntCurveSet& set, double level);
void ProfileFree(SProfile& prof);
