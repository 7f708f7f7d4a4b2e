#pragma once
// A closed chain of trim bounds in a surface's (u, v) domain with its islands:
// the working form of a trim loop while the trimming engine rebuilds it. Outer
// loops run counter-clockwise (positive area), islands clockwise. A loop owns its
// bounds and its islands.

#include "framework/numerak/Box.h"

class CEdTrimBound;
class CEdTrimSurf;
class CGeTrimLoop;

class CEdTrimLoop {
public:
    CEdTrimLoop();
    // Deletes every bound and every island.
    ~CEdTrimLoop();
    CEdTrimLoop(const CEdTrimLoop&) = delete;
    CEdTrimLoop& operator=(const CEdTrimLoop&) = delete;

    // Appends a non-null bound at the tail (its next cleared); its box is computed and
    // added to the loop's. Always 1.
    int AddBound(CEdTrimBound* bound);
    // Puts the loop at the front of the islands, then CalcBox; 0 for null.
    int AddIsland(CEdTrimLoop* loop);
    // Each bound's last point and the next bound's first point meet at their midpoint.
    void ConnectBound();
    // Signed area, positive counter-clockwise; 0 without bounds or for one bound of
    // fewer than three points.
    double CalcLoopArea();
    // 0 inside, 1 outside, 2 on the loop (on a segment or within 1e-6 of a vertex),
    // whichever way the loop runs.
    int IsPointIn(const double* uv);
    // Every bound's boxes and the loop's box.
    void CalcBox();
    // A new CGeTrimLoop with a CGeLine or CGePolyline bound per bound (no 3D curves).
    CGeTrimLoop* ConvertToTopoLoop();

    int BoundCount() const;

    CEdTrimBound* boundHead = nullptr;
    CEdTrimBound* boundTail = nullptr;
    CEdTrimLoop* next = nullptr;
    CEdTrimLoop* islandHead = nullptr;
    double area = 0.0;
    BOX2<double> uvBox;
    CEdTrimSurf* owner = nullptr;
};
