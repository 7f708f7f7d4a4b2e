// Points on sections of the pocketing kernel and the lists that hold them.
#pragma once

#include <cstdint>

class CSmartLoop;

// A point in the plane with its parameter on the section that carries it.
class CSmartPoint {
public:
    CSmartPoint() = default;
    // x, y and t from p; the links null.
    explicit CSmartPoint(const double* p);
    virtual ~CSmartPoint() = default;
    // Shallow copies: every field, links included (links are not owned).
    CSmartPoint(const CSmartPoint&) = default;
    CSmartPoint& operator=(const CSmartPoint&) = default;

    double x = 0.0, y = 0.0;
    double t = 0.0;  // 0 at the section start, 1 at its end
    double w = 0.0;  // auxiliary value (angle on an arc for the path generators)
    CSmartPoint* next = nullptr;
    CSmartPoint* prev = nullptr;
};

// A point that stands for a whole loop (loop ordering by start points).
class CSmartSPoint : public CSmartPoint {
public:
    using CSmartPoint::CSmartPoint;
    CSmartLoop* loop = nullptr;  // not owned
    std::uint32_t flag = 0;
};

// Points of one section, ascending in parameter; the list owns its points.
class CPointList {
public:
    CPointList() = default;
    ~CPointList();
    // A list owns its points: copies would free them twice.
    CPointList(const CPointList&) = delete;
    CPointList& operator=(const CPointList&) = delete;

    // Deletes every point; count 0.
    void ClearAll();
    // Inserts p in ascending t; a point within 1e-10 in t of one already held is deleted
    // and 0 returned. Null gives 0.
    int AddPoint(CSmartPoint* p);
    // Links p after `after` (at the head for null), whatever its t.
    int InsertAfter(CSmartPoint* p, CSmartPoint* after);
    // Unlinks p (not deleted); 0 for null.
    int RemovePoint(CSmartPoint* p);
    // Re-inserts every point in ascending t; equal parameters within 1e-10 are dropped.
    int SortPoint();
    // Index of the first point whose (x, y, t) lies within 0.0001 of p (P3D_AbsDist), or -1.
    int FindPoint(const double* p) const;
    // Appends a new point (x, y, t) from p; returns its index.
    int AddTail(const double* p);
    // x, y, t of the i-th point: 1, or 0 (out untouched) when i is out of range.
    int GetPoint(int i, double* out) const;
    CSmartPoint* GetPoint(int i) const;

    // Removes the crossings of the open chain that starts at start by reversing
    // sub-chains (2-opt); see the .cpp. 0 for null, else 1.
    static int NoAutoInter(CSmartPoint* start);
    // Orders the points into a short open path: greedy merging of the closest chain
    // ends, uncrossing after every merge. Returns 1.
    int ResortAllPoint();

    int count = 0;
    CSmartPoint* head = nullptr;
    CSmartPoint* tail = nullptr;
};
