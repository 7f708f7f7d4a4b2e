// Point strings: n 2D points stored one after another (x0, y0, x1, y1, ...). Edges are
// numbered from 1: edge k runs from point k-1 to point k.
#pragma once

#include <cstddef>
#include <vector>

#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Box.h"
#include "framework/numerak/PointTypes.h"

// Signed area of the closed string (the closing edge is implied; a repeated first point is
// harmless): positive counter-clockwise. 0 for fewer than 3 points or non-finite input.
double SP2D_EvArea(const double* pts, int n);
// 1 counter-clockwise, -1 clockwise, 0 when the area is 0 or cannot be computed.
int SP2D_Orient(const double* pts, int n);
// Reverses the order of the points in place.
void SP2D_Reverse(double* pts, int n);
// Nearest point out on the string to p, with the local parameter t in [0, 1] on edge seg
// (from 1); the earliest edge wins ties. 0 (outputs untouched) for fewer than 2 points or
// non-finite input.
int SP2D_PrjPnt(const double* pts, int n, const double* p, double* out, double& t, int& seg);
// Ray pick of the string lying in the plane z = 0. The ray runs through the 3D points p0 (the
// pick point) and p1. Among the edges that pass closer than aperture to the ray, the one met
// first along the ray wins: *a = its signed distance along the ray from p0 (smaller is
// nearer), *b = the local parameter on edge *seg (from 1). 0 (outputs untouched) when no edge
// is hit, p0 and p1 coincide or the string has fewer than 2 points.
int SP2D_Pick3d(const double* pts, int n, const double* p0, const double* p1, double aperture,
                double* a, double* b, int* seg);
// Rubber-band pick: the points are taken into the frame's coordinates (world coordinates for
// a null frame); 1 when a point lies in the box or an edge crosses it, else 0.
int SP2D_PickBox(const double* pts, int n, const _rect_fm3d* frame, const BOX2<double>* box);

// The same over arrays of point records.
inline const double* SP2D_Coords(const tagPoint2d* pts) { return pts ? &pts->x : nullptr; }
inline double* SP2D_Coords(tagPoint2d* pts) { return pts ? &pts->x : nullptr; }
inline double SP2D_EvArea(const tagPoint2d* pts, int n) { return SP2D_EvArea(SP2D_Coords(pts), n); }
inline int SP2D_Orient(const tagPoint2d* pts, int n) { return SP2D_Orient(SP2D_Coords(pts), n); }
inline void SP2D_Reverse(tagPoint2d* pts, int n) { SP2D_Reverse(SP2D_Coords(pts), n); }
inline int SP2D_PrjPnt(const tagPoint2d* pts, int n, const double* p, double* out, double& t, int& seg)
{
    return SP2D_PrjPnt(SP2D_Coords(pts), n, p, out, t, seg);
}
inline int SP2D_Pick3d(const tagPoint2d* pts, int n, const double* p0, const double* p1,
                       double aperture, double* a, double* b, int* seg)
{
    return SP2D_Pick3d(SP2D_Coords(pts), n, p0, p1, aperture, a, b, seg);
}
inline int SP2D_PickBox(const tagPoint2d* pts, int n, const _rect_fm3d* frame, const BOX2<double>* box)
{
    return SP2D_PickBox(SP2D_Coords(pts), n, frame, box);
}

// An owned string of 2D points.
class CStrP2D {
public:
    CStrP2D() = default;

    // n points, all (0, 0); 0 (string left empty) for a negative n or when memory runs out.
    int Create(int n);
    void Clear();

    int GetSize() const { return static_cast<int>(m_pts.size()); }
    tagPoint2d* GetData() { return m_pts.data(); }
    const tagPoint2d* GetData() const { return m_pts.data(); }
    // Point i as two doubles; no bounds check.
    double* GetPnt(int i) { return &m_pts[static_cast<std::size_t>(i)].x; }
    const double* GetPnt(int i) const { return &m_pts[static_cast<std::size_t>(i)].x; }
    tagPoint2d& operator[](int i) { return m_pts[static_cast<std::size_t>(i)]; }
    const tagPoint2d& operator[](int i) const { return m_pts[static_cast<std::size_t>(i)]; }

private:
    std::vector<tagPoint2d> m_pts;
};
