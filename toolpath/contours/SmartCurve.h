// The chain of sections on which the pocketing kernel does its contour work: self and
// mutual intersection, splitting at the intersection points, joint repair and the
// queries of a closed contour (containment, area, circle fit).
#pragma once

#include "toolpath/contours/SectIntersect.h"
#include "toolpath/contours/SmartSect.h"

#include <cstdint>
#include <memory>

class CSmartLoop;
namespace smart {
class ChainIndex;
}
struct DVN_CornerType;

class CSmartCurve {
public:
    CSmartCurve();
    // Deletes every section with its points.
    virtual ~CSmartCurve();
    // A curve owns its sections: copies would free them twice. CopyMyself is the copy.
    CSmartCurve(const CSmartCurve&) = delete;
    CSmartCurve& operator=(const CSmartCurve&) = delete;

    // Chain operations: 1, or 0 for a null argument.
    int AddSect(CSmartSect* s);
    int RemoveSect(CSmartSect* s);
    int InsertAfter(CSmartSect* s, CSmartSect* after);
    int Reverse();
    // Rotates a closed chain so that s (a section of this curve) becomes the head.
    int SetStartSect(CSmartSect* s);
    // Moves every section of c to the end of this curve and deletes c.
    int AddCurve(CSmartCurve* c);
    // Chains s to a free end within 0.0001 (see the .cpp); the marks serve as end flags.
    int AppendSect(CSmartSect* s);
    // A new curve of copies of the sections (each copy's source is its original).
    CSmartCurve* CopyMyself();
    void ClearAll();
    void RotateCurve(double angle);
    // Moves every section; boxes are not redone.
    void MoveCurve(double dx, double dy);

    double GetLength();
    int IsClosed();
    // The section of index (int)(count t), clamped, evaluated at t itself.
    int GetPoint(double t, double* out);
    int GetNormal(double t, double* out);
    int GetSeedPoint(double* p, double* dir);
    void DefineBox();
    // Union of the sections' present boxes (not redone).
    void DefineBox(double* min, double* max);
    // 1 with centre and radius when the curve is a circle (one arc, or lines whose start
    // points lie at one distance within 0.001 of their mean); else 0 with the box centre
    // and half its diagonal (a single line writes nothing).
    int GetCenter(double* c, double& r);
    int GetYFromX(double x, double& y);
    // The curve taken as closed: 1 inside, 2 on the curve, 0 outside.
    int IsPointOn(const double* p);
    // Twice the signed area of the chain's chords (no closing term).
    double CalcArea();
    CSmartSect* MinDistSect(const double* p, double* foot, double& d);
    CSmartSect* FindNearSect(const double* p, double* q, double& d);
    // One text line per section; nothing when the file cannot be opened.
    void DumpToFile(const char* path);

    // Self-intersection points added to the sections; 1 when any were found.
    int AutoInters(int unused = 0);
    // Intersection points with c added to the sections of both; 1 when any.
    int CurveCurveInt(CSmartCurve* c);
    // Rebuilds the chain with every section split at its points; 1.
    int AutoDepart(int unused = 0);
    // Splits the sections at their points in place; 1.
    int SelfDepart();
    // A chain (through next) of new curves split at the intersection points.
    CSmartCurve* BreakCurve();
    // Two new curves cut at the length len along the curve (either may be null).
    int BreakCurveAt(double len, CSmartCurve*& first, CSmartCurve*& second);
    // Closes the gaps at every joint of the closed chain; 0 for an empty curve.
    int ConnectAllSect();

    // Loop forming (the sections are moved out of this curve).
    // The section to continue with at p arriving in direction dir: the hint when it starts
    // at p and is unmarked, else the first unmarked section starting there, else the
    // leftmost turn among the marked ones; null when none starts at p.
    CSmartSect* GetOptimalSect(const double* p, const double* dir, CSmartSect* hint);
    // The leftmost turn among the sections starting within tol of p; the hint is not used.
    CSmartSect* GetOptimalIntSect(const double* p, const double* dir, CSmartSect* hint, double tol);
    // The sections walked into closed loops by the leftmost branch; a chain of new loops
    // (null when none). Dead ends and loops of |area| below 1e-8 are deleted.
    CSmartLoop* FormLoop();
    // The same one section at a time, joining within joinTol and closing within closeTol;
    // null (nothing kept) when a trace cannot start.
    CSmartLoop* FormIntLoop(double closeTol, double joinTol);

    // Offsets (the curve is left as found; its sections' offsetCopy point into the result).
    // The open offset by d (> 0 left of the direction, < 0 right), running this curve's
    // way; a copy for |d| < 0.001. The result may be empty.
    CSmartCurve* OffsetCurve(double d, DVN_CornerType& corner);
    // Appends the cap at this curve's end: 0 round, 1 square, other values flat.
    void AddEndSect(CSmartCurve* out, double d, int cap);
    // The band of half-width |d| around the curve as one outer loop with its islands, or
    // null (|d| < 0.001, empty curve, nothing formed).
    CSmartLoop* ExpendCurve(double d, int cap, DVN_CornerType& corner);

    // Clean-up.
    // Absorbs sections whose box diagonal is below 0.005 into their neighbours.
    void RefineCurve();
    // Merges consecutive nearly collinear lines (each line at most once per pass).
    void LinearCurve(double tol);
    // Replaces every arc by chords within tol.
    void DiscreteCurve(double tol);
    // Appends lines and arcs fitted to pts[0..n] (n chords); tol[0] radial deviation,
    // tol[1] smallest cosine of an arc's tangent with a long chord; mids (may be null)
    // the chords' midpoints. pts and mids may be changed. 0 for null pts or n 0, else 1.
    int AddPointArray(double (*pts)[2], int n, const double* tol, double (*mids)[2]);
    // The curves of the chain (through next) relinked into one chain in a short travel
    // order; the new head. The curves themselves are not reversed.
    static CSmartCurve* ResortCurves(CSmartCurve* chain);

    // Edits. Every member that relinks the chain or moves, reshapes or re-boxes a section
    // counts an edit; code that does so directly on a curve's sections calls Edited.
    // What point tests keep of the chain (PointIndex) is used only at the edit count it
    // was made at.
    void Edited() { ++m_edits; }
    unsigned Edits() const { return m_edits; }
    smart::ChainIndex& PointIndex();

    double depth = 0.0;
    int count = 0;
    CSmartSect* head = nullptr;
    CSmartSect* tail = nullptr;
    CSmartCurve* next = nullptr;
    std::uint8_t state = 0;
    double box[4] = {0, 0, 0, 0};

private:
    unsigned m_edits = 0;
    std::unique_ptr<smart::ChainIndex> m_index;  // made on first use
};

// Intersection points of two sections lying on both (at most 2); their number.
int SectSectIntersect(CSmartSect* a, CSmartSect* b, double (*out)[2]);

// SectSectIntersect(line, b) for one line against many sections, the line's direction
// worked out once: the same points. The line must not change while this is used.
class LineCrossings {
public:
    explicit LineCrossings(CSmartLine& line);
    int With(CSmartSect* b, double (*out)[2]);

private:
    CSmartLine& m_line;
    SegDirection m_dir;
};

// Replaces the arc by one of the same sense through its fixed end and m (moveEnd 1: the
// end moves to m; 0: the start), keeping the radius where the chord allows. 1, or 0 (arc
// unchanged) when the two ends coincide.
int BendArcEnd(CSmartArc* arc, const double* m, int moveEnd);
