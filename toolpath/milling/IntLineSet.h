// Section segments of one plane of the tool-centre model: an unordered doubly linked
// list of 2D segments (x, y for Z sections; x, z for Y sections) with their boxes, and
// the operations that chain them, cut them at their crossings and measure them.
#pragma once

#include <memory>

struct SIntSegment {
    double a[2] = {0, 0};
    double b[2] = {0, 0};
    double box[4] = {0, 0, 0, 0};  // min u, min v, max u, max v
    SIntSegment* prev = nullptr;
    SIntSegment* next = nullptr;

    void DefineBox();
};

class CIntLineSet {
public:
    CIntLineSet() = default;
    ~CIntLineSet();
    // The set owns its segments: copies would free them twice.
    CIntLineSet(const CIntLineSet&) = delete;
    CIntLineSet& operator=(const CIntLineSet&) = delete;

    SIntSegment* head = nullptr;
    SIntSegment* tail = nullptr;
    int count = 0;
    double plane = 0;  // height z of a Z section, y of a Y section
};

void LineSetClear(CIntLineSet& set);
void LineSetAppend(CIntLineSet& set, std::unique_ptr<SIntSegment> seg);
// Unlinks seg from the set and hands it back.
std::unique_ptr<SIntSegment> LineSetUnlink(CIntLineSet& set, SIntSegment* seg);
void LineSetRemove(CIntLineSet& set, SIntSegment* seg);
// Ends closer than 0.01 in both coordinates and in distance.
bool IsTinySegment(const double* a, const double* b);
// Appends a-b with its box (1); a tiny segment goes to side (2) or is dropped (0).
int LineSetAddSegment(CIntLineSet& set, const double* a, const double* b, CIntLineSet* side);

// Distance from p to segment a-b (to a for a segment shorter than 1e-6).
double PointSegmentDistance(const double* p, const double* a, const double* b);
// Cuts every pair of segments that cross strictly inside both at the crossing; the
// remainders are appended and take part in later pairs. Pairs are found through a grid
// of cells; the result is that of the plain test of every pair in set order.
void SplitCrossingSegments(CIntLineSet& set);
// The crossing test of one pair: 1 and the point when a and b cross at parameters
// strictly inside both, their boxes meeting within 0.01.
int SegmentsCross(const SIntSegment& s, const SIntSegment& t, double* x);
// Cuts s and t at x: each keeps its first part, the remainders are appended unless tiny.
void CutCrossingPair(CIntLineSet& set, SIntSegment* s, SIntSegment* t, const double* x);
