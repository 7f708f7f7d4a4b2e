// Approximation of one Bezier piece by a chain of lines, arcs and biarcs
// (pairs of tangent-continuous arcs) within a distance tolerance, for cutting
// machines that move in straight lines and circular arcs.
#pragma once

#include "platform/core/ObList.h"

class CBezierNode;
class CGeCurve;

class CBezierToArc {
public:
    // Room for the control points of one piece (degree at most 15).
    static constexpr int kMaxPoints = 16;
    // Work buffer of the piece-by-piece approximation.
    static constexpr int kBufferPoints = 500;

    CBezierToArc();
    // Copies the n + 1 points P0 .. Pn.
    CBezierToArc(double const (*pts)[2], int n);
    ~CBezierToArc();

    // Copies the n + 1 points (degree n); a degree outside 0 .. 15 or null
    // points leave an empty piece of degree 0.
    void Create(double const (*pts)[2], int n);
    // Copies x and y of the n + 1 nodes (their kinds are ignored).
    void Create(CBezierNode const* nodes, int n);

    int GetDegree() const { return m_nDegree; }
    const double (*GetPoints() const)[2] { return m_pts; }

    // The point at t in [0, 1].
    void GetPoint(double t, double* out) const;
    // Both outputs receive n + 1 points: the pieces before and after t.
    void Split(double t, double (*left)[2], double (*right)[2]) const;

    // Approximates the whole piece (splitting closed and strongly turning
    // pieces at 0.5 first); appends the curves to out (the caller owns them)
    // and returns 1 when any were appended, else 0.
    int ArcApproxi(double tol, CTypedPtrList<CObList, CGeCurve*>* out);
    // The piece-by-piece approximation; appends to out and returns 1 when out
    // is non-empty at the end. May leave the control points reversed.
    int ArcApproximation(double tol, CTypedPtrList<CObList, CGeCurve*>* out);

    CBezierToArc(const CBezierToArc&) = delete;
    CBezierToArc& operator=(const CBezierToArc&) = delete;

protected:
    // One arc for the buffer piece at o, leaving along T (or its start leg);
    // appends and returns it, or null.
    CGeCurve* FitArcToBezier(int o, const double* T, double tol, CTypedPtrList<CObList, CGeCurve*>* out);
    // One arc or a biarc for the buffer piece at o; appends the curves and
    // returns the last one, or null.
    CGeCurve* FitBiarcToBezier(int o, const double* T, double tol, CTypedPtrList<CObList, CGeCurve*>* out);
    // Junction J of a biarc with start tangent T and end tangent r for the
    // buffer piece at o; 1 when found.
    int FindBiarcJoint(int o, const double* T, const double* r, int balanced, double tol, double* J);
    // Halve the piece at o inside the buffer; 0 when the buffer is full.
    int SplitCubicInBuffer(int o);
    int SplitQuadInBuffer(int o);

private:
    int SplitInBuffer(int o);

    int m_nDegree = 0;
    double m_pts[kMaxPoints][2] = {};
    double m_buf[kBufferPoints][2] = {};
    int m_nBuf = 0;
};

// Joins neighbouring arcs of one circle in the list: an arc that starts where
// the previous arc ends, turns the same way and has the same centre and
// radius within tol is merged into the previous one and deleted.
void MergeConcentricArc(CTypedPtrList<CObList, CGeCurve*>* list, float tol);
