#pragma once
// A curve that is to cut one or two trimmed surfaces while their trim loops are
// rebuilt: an intersection curve of two surfaces or a polyline in one surface's
// parameter domain. Every curve point carries its 3D position and its (u, v) on
// both surfaces (seven doubles). The curve collects, sorted along it, the points
// where it crosses the trim bounds of its surfaces, other curves and itself, where
// it passes near them, and its ends; it is then cut at these points into the pieces
// that lie inside both trimmed surfaces.
//
// The curve parameter t runs over [0, nLast]: the integer part is the segment index,
// the fraction the position along the segment. A coordinate index k selects a
// surface's (u, v) inside a point: k = 3 for (uA, vA), k = 5 for (uB, vB).

#include "platform/core/ObList.h"
#include "toolpath/surfkernel/SurfaceIntersect.h"

#include <cstddef>
#include <vector>

class CEdTrimBound;
class CEdTrimLoop;
class CEdTrimSurf;

// Flags of a curve point, combined by bitwise or.
inline constexpr int IP_END = 1;           // first or last point of the curve
inline constexpr int IP_BOUND_A = 2;       // crossing with a trim bound of the first surface
inline constexpr int IP_BOUND_B = 4;       // crossing with a trim bound of the second surface
inline constexpr int IP_CURVE_ONE = 8;     // crossing with a curve sharing one surface
inline constexpr int IP_CURVE_BOTH = 16;   // crossing with a curve sharing both surfaces
inline constexpr int IP_SELF = 32;         // self crossing or self near point
inline constexpr int IP_NEAR_ONE = 64;     // near point with a curve sharing one surface
inline constexpr int IP_NEAR_BOTH = 128;   // near point with a curve sharing both surfaces, or a trim bound

// Coordinate indices of the two surfaces' (u, v) inside a curve point.
inline constexpr int kCoordA = 3;
inline constexpr int kCoordB = 5;

// One listed point of a curve. A new point is cleared.
class CEdInterPoint {
public:
    // The seven coordinates x, y, z, uA, vA, uB, vB.
    void Get(double* out) const;
    void Set(const double* in);

    CEdInterPoint* next = nullptr;
    CEdInterPoint* prev = nullptr;
    double x = 0.0, y = 0.0, z = 0.0;
    double uA = 0.0, vA = 0.0;
    double uB = 0.0, vB = 0.0;
    double t = 0.0;
    int flags = 0;
    CEdTrimSurf* surf = nullptr;  // the surface the point was found on; null for self points
};

// A valid piece of a curve: its ends' curve parameters, 3D points and (u, v) on both
// surfaces. Pieces are chained through next in curve order.
class CEdInterLine {
public:
    CEdInterLine* next = nullptr;
    CEdInterLine* prev = nullptr;
    class CEdInterCurve* curve = nullptr;
    double t0 = 0.0, t1 = 0.0;
    double x0 = 0.0, y0 = 0.0, z0 = 0.0;
    double x1 = 0.0, y1 = 0.0, z1 = 0.0;
    double uA0 = 0.0, vA0 = 0.0, uA1 = 0.0, vA1 = 0.0;
    double uB0 = 0.0, vB0 = 0.0, uB1 = 0.0, vB1 = 0.0;
};

// A place where a curve passes near another object: an index on each side (a point
// index when its parameter is 0, else a segment index with the parameter along it).
struct NearPair {
    int index = -1;        // on this curve
    int otherIndex = -1;   // on the other curve, the bound, or this curve again
    double param = 0.0;
    double otherParam = 0.0;
    class CEdInterCurve* curve = nullptr;
    void* other = nullptr;
    double dist = 0.0;
    int mark = 1;          // 1 after InitNearPair, 0 once recorded, 2 once clustered
};

class CEdInterCurve {
public:
    CEdInterCurve();
    // Frees the points and the point list.
    ~CEdInterCurve();
    CEdInterCurve(const CEdInterCurve&) = delete;
    CEdInterCurve& operator=(const CEdInterCurve&) = delete;

    // The curve from a kernel intersection curve lying on a and b (either may be null,
    // not both; each given one must have a trimmed surface). With one surface the 3D
    // points are taken from it and the other (u, v) is 0. Periodic coordinates are
    // moved so that their smallest value lies in the surface's range. 0 (no points)
    // for a null record, fewer than two samples or unusable surfaces.
    int Create(ECRV_INTCUR* record, CEdTrimSurf* a, CEdTrimSurf* b);
    // The curve from n (u, v) pairs on E's surface; 0 for null points, n <= 1, a null
    // E or one without surface.
    int Create(double (*uv)[2], int n, CEdTrimSurf* E);
    // Deletes every listed point; state 0.
    void Reset();
    // Inserts p in t order, or merges it into a listed point that it duplicates (t
    // within 1e-5, or t within 1 and 3D within 0.02) and deletes it. Takes p over; 1
    // when inserted, 0 when merged or null.
    int AddNewPoint(CEdInterPoint* p);
    // The points at t = 0 and t = nLast with IP_END.
    void AddEndPoint();
    // The seven coordinates at t (clamped to the curve's ends); 0 without a segment.
    int GetPoint(double t, double* out) const;
    // 3D direction into the curve at its start (atEnd 0) or end, not normalised; 0
    // with fewer than two points.
    int GetTanVecAt(int atEnd, double* out) const;
    // 1 when both curves have the same point count and run along each other in 3D
    // (every vertex within 0.05 of the other polyline).
    int IsOverlap(CEdInterCurve* other);
    // Crossings with one trim bound of a loop owned by one of the curve's surfaces;
    // 1 when one was recorded.
    int InterWithBound(CEdTrimLoop* loop, CEdTrimBound* bound);
    // Crossings with another curve on a shared surface (both surfaces shared give
    // IP_CURVE_BOTH, one IP_CURVE_ONE); 1 when one was found.
    int InterWithIntCurve(CEdInterCurve* other);
    // The same with this curve's coordinates at k, the other's at m (3 or 5), on E.
    int InterWithIntCurve(CEdInterCurve* other, int k, int m, CEdTrimSurf* E, int flag);
    // The first self crossing of segments with more than 0.05 of curve between them;
    // sets selfCrossed. 1 when found.
    int InterWithSelf();

    // Near points with another curve on a shared surface (3D distance below the
    // surface's closing tolerance, one point per cluster of near places); the double
    // is not used. 1 when points were added.
    int CreateNearPoint(CEdInterCurve* other, double unused);
    // Near points with a trim bound of one of the curve's surfaces.
    int CreateNearPoint(CEdTrimLoop* loop, CEdTrimBound* bound);
    // Near points between parts of the curve more than 0.05 of curve apart.
    int CreateNearPoint();
    // Crossings with every bound of the loop and the loops chained after it; near
    // points where a bound has no crossing and nearToo is set. 1 unless the loop is
    // null or has no owner.
    int InterWithLoop(CEdTrimLoop* loop, int nearToo);
    // 1 when the piece between P and Q lies inside both trimmed surfaces (its midpoint
    // inside, or midpoint and a second probe both on the boundary).
    int IsValid(CEdInterPoint* P, CEdInterPoint* Q, CEdTrimSurf* E);
    // The valid pieces as curve bounds of E (chained through next); null when none.
    CEdTrimBound* GetValidBound(CEdTrimSurf* E, int refine);
    // The piece between P and Q as a curve bound in the coordinates at k; null when it
    // has fewer than two points.
    CEdTrimBound* GetSubBound(CEdInterPoint* P, CEdInterPoint* Q, int k, CEdTrimSurf* E, int refine);
    // The valid pieces of a curve on two surfaces, neighbouring pieces joined; the
    // argument is not used. The caller frees the chain with GeoEdit_DeleteLines.
    CEdInterLine* GetValidSegment(int unused);
    // The valid pieces as new intersection curve records appended to the list.
    void GetValidIntCur(CTypedPtrList<CPtrList, ECRV_INTCUR*>* list);

    // Point i as seven doubles.
    double* Point(int i) { return pts[i]; }
    const double* Point(int i) const { return pts[i]; }
    int PointCount() const;  // listed points

    CEdTrimSurf* surfA = nullptr;
    CEdTrimSurf* surfB = nullptr;
    CEdInterCurve* next = nullptr;
    CEdInterCurve* prev = nullptr;
    int state = 0;
    int sideA = 0;
    int sideB = 0;
    int selfCrossed = 0;
    int nLast = 0;
    double (*pts)[7] = nullptr;  // (nLast + 1) x (x, y, z, uA, vA, uB, vB)
    double minBox[7] = {};
    double maxBox[7] = {};
    int periodic[4] = {};        // uA, vA, uB, vB
    CEdInterPoint* pointHead = nullptr;
    CEdInterPoint* pointTail = nullptr;

private:
    void FreePoints();
    void CalcBox();
    // Step 6 of Create: periodic coordinates moved into range, flags settled.
    void SettlePeriodic(const double (*range)[2]);
    // A new point at t with the seven coordinates interpolated there.
    CEdInterPoint* NewPointAt(double t, int flags, CEdTrimSurf* E) const;
};

// The whole periods to add to x so that it lies in [lo, hi]: added while below lo,
// then taken off while above hi. 0 for a period <= 0.
double PeriodicShift(double x, double period, double lo, double hi);

// A cleared pair: indices -1, parameters and distance 0, mark 1.
void InitNearPair(NearPair& pair);
// The cluster that starts at pairs[start] (mark 0): every recorded pair reachable
// through pairs whose two indices each differ by at most 2 from a member's; members
// are marked 2 and their positions written to cluster in the order found.
// byIndex is the order of pairs by (index, otherIndex) (NearPairOrder).
void CollectNearCluster(std::vector<NearPair>& pairs, const std::vector<std::size_t>& byIndex, std::size_t start,
                        std::vector<std::size_t>& cluster);
std::vector<std::size_t> NearPairOrder(const std::vector<NearPair>& pairs);
// The representative of every cluster (its pair of smallest distance, the first on
// ties), clusters in the order of their first recorded pair.
std::vector<std::size_t> NearClusterRepresentatives(std::vector<NearPair>& pairs);
// Moves a piece's start (atEnd false) or end to t with its 3D point and both (u, v).
void SetInterLineEnd(bool atEnd, double t, CEdInterLine* line, const double* uvA, const double* xyz,
                     const double* uvB);
// A new intersection curve record of the piece: the curve's points between its ends,
// curve parameters by the trace rule and unit tangents from neighbouring points, and
// new surface records (cloned NURBS) of the curve's surfaces. The caller frees the
// record with ECRV_FreeIntersection and its two surface records with ENT_Free. Null
// when the piece has no curve, neither surface exists or memory runs out.
ECRV_INTCUR* InterLineToIntcur(CEdInterLine* line);
