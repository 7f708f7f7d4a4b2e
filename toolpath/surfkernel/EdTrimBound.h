#pragma once
// The working form of one trim boundary piece while a trimmed surface's loops are
// rebuilt: a polyline in the surface's (u, v) parameter domain whose points carry
// their index t, optionally mapped to 3D. A bound collects its crossings with other
// bounds (sorted by t), is broken at them into pieces, can be extended beyond the
// domain and is chained with others into loops (CEdTrimLoop).

#include "framework/numerak/Box.h"

class CEdTrimSurf;
class CGeTrimBnd;
class CGeTrimSurf;
class CStrP3D;

// Kinds of bound.
inline constexpr int BND_LOOP = 0;      // from a trim loop of the surface or a point string
inline constexpr int BND_CURVE = 1;     // from a curve that cuts the surface
inline constexpr int BND_EXTENDED = 2;  // a curve bound extended to the domain
// States while loops are formed.
inline constexpr int BND_FREE = 3;
inline constexpr int BND_IN_PATH = 0;
inline constexpr int BND_DEAD = -3;

// One crossing of a bound: its (u, v) and its position t along the bound.
struct CEdIntNode {
    double u = 0.0, v = 0.0, t = 0.0;
    CEdIntNode* next = nullptr;
};

class CEdTrimBound {
public:
    CEdTrimBound();
    ~CEdTrimBound();
    CEdTrimBound(const CEdTrimBound&) = delete;
    CEdTrimBound& operator=(const CEdTrimBound&) = delete;

    // Points of the bound's parameter curve: a line's two ends, a polyline's
    // vertices, otherwise 101 even samples. 0 when the bound or its curve is missing.
    int Create(CGeTrimBnd* bnd);
    // u, v from the string's x, y; the box argument is not used and uvBox is not
    // computed. Always 1 (a null or empty string gives no points).
    int Create(CStrP3D* str, BOX2<double> box);
    // uvBox from the points; worldBox from the world points when they exist.
    void CalcBox();
    // Removes nearly collinear points (see RemoveCollinearPoints); the world points go.
    void Refine(double tol);
    // Reverses the (u, v) values (t stays 0, 1, ...) and swaps side 0 and 1.
    void ReverseDirect();
    // Crossings of two bounds, each kept by a bound of nonzero kind or when forceBoth;
    // 1 when at least one was accepted.
    int BoundBoundInt(CEdTrimBound* other, bool forceBoth);
    // Crossing of two segments of (u, v, t) triples inside the unit square.
    static int LineLineInt(const double* a0, const double* a1, const double* b0, const double* b1, double* out);
    // Self-crossings, each recorded at both its positions. Always 1.
    int BoundSelfInt();
    // Inserts a crossing in t order after t is clamped into [0, nLast] (the caller's
    // triple changes); 0 for a crossing already listed (t within 1e-6, (u, v) within 1e-12).
    int AddIntPoint(double* uvt);
    // The pieces between consecutive crossings chained through next (a copy without
    // crossings); null when no piece is made.
    CEdTrimBound* BreakBound(bool refine);
    // The piece between two (u, v, t) positions; null when it has no length.
    CEdTrimBound* GetSubBound(const double* from, const double* to, bool refine);
    // Copy of points, box, kind and side.
    CEdTrimBound* CopyMyself();
    // Midpoint of the segment from point nLast / 2 to the next one.
    void GetMidPoint(double* uv);
    // End point and unit direction at the start (atEnd 0) or the end, both along the
    // bound; 0 without a segment.
    int GetTangent(int atEnd, double* point, double* dir);
    // First and last (u, v); 0 without a segment.
    int GetEndPoint(double* start, double* end);
    void SetStartPoint(double u, double v);
    void SetEndPoint(double u, double v);
    // Length of the (u, v) polyline; 0 without a segment.
    double GetLength();
    // Which ends are free and lie strictly inside the trimmed region.
    void GetExTendFlag(bool& start, bool& end, CEdTrimSurf* surf);
    void ClearIntPoint();
    // Extend the start, the end or both by the domain's diagonal; 0 when the bound
    // closes on itself instead or cannot be extended.
    int ExtendBoundBegin(CEdTrimSurf* surf);
    int ExtendBoundEnd(CEdTrimSurf* surf);
    int ExtendBoundBoth(CEdTrimSurf* surf);
    // Keeps, on each extension, only the crossing nearest the old end.
    void TrimIntBound();
    // World points from the surface; both boxes recomputed.
    void CalWorldPoint(CGeTrimSurf* surf);

    // Point k as (u, v, t).
    double* Point(int k) { return pts + 3 * k; }
    const double* Point(int k) const { return pts + 3 * k; }
    CEdIntNode* IntHead() const { return intHead; }
    int IntCount() const;

    int nLast = 0;
    double* pts = nullptr;  // (nLast + 1) x (u, v, t)
    BOX2<double> uvBox;
    int kind = -1;
    int extendMode = 0;
    int loopIndex = -1;
    CEdTrimBound* next = nullptr;
    CEdTrimBound* prev = nullptr;
    double* worldPts = nullptr;  // (nLast + 1) x (x, y, z) or null
    BOX3<double> worldBox;
    CEdIntNode* intHead = nullptr;
    CEdIntNode* intTail = nullptr;
    int state = BND_FREE;
    int id = -1;
    int side = 0;
    int startFixed = 0;
    int endFixed = 0;

private:
    // Takes over a new point array of count points (t renumbered); world points dropped.
    void SetPoints(double* newPts, int count);
    int Extend(CEdTrimSurf* surf, bool atStart, bool atEnd);
};

// Deletes every element of a chain linked through next and empties it.
template <class T>
void DeleteChain(T*& head)
{
    while (head) {
        T* n = head->next;
        delete head;
        head = n;
    }
}

// Appends item at the tail of a chain linked through next (item's next cleared).
template <class T>
void AppendChain(T*& head, T*& tail, T* item)
{
    item->next = nullptr;
    (tail ? tail->next : head) = item;
    tail = item;
}

// Thins n (u, v) pairs: a point is merged into the chord from the last-but-one kept
// point when every point it replaces stays within tol / 10 of that chord and it lies
// farther from the chord's start than they do. The kept points are written to the
// front of the array when fewer than n remain; count receives their number. 0 and
// nothing changed for null points, n < 2 or tol <= 0.
int RemoveCollinearPoints(double (*pts)[2], int n, double tol, int& count);
// Position of p along the segment a-b measured in its longer coordinate.
double SegmentParam(const double* a, const double* b, const double* p);
