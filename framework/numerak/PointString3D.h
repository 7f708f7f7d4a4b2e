// 3D point strings: CStrP3D, an owned string of 3D points with optional per-point normals
// and curve parameters (the display discretisation of every 3D curve and the vertices of a
// 3D polyline), and the SP3D_* functions on raw point arrays. The counts and arrays of
// CStrP3D are public fields that the curve classes read directly; change them only through
// the members.
#pragma once

#include "framework/numerak/Box.h"
#include "framework/numerak/NurbsArc.h"

#include <vector>

class CStrP3D {
public:
    CStrP3D();
    ~CStrP3D();
    CStrP3D(const CStrP3D&) = delete;
    CStrP3D& operator=(const CStrP3D&) = delete;

    // n points (contents zero), with a parameter per point and a normal per point when
    // asked; 0 (string left empty) for n < 1.
    int Create(int n, bool withParams, bool withNormals);
    // n points with a normal per point, no parameters.
    int CreateNormal(int n) { return Create(n, false, true); }
    // Adds zeroed normals for n points to a string of n points; 0 when the counts differ.
    int CreateMemNormal(int n);
    // Releases everything; the string has no point storage afterwards.
    void Clear();
    // Copies points, parameters, normals and box into other (which is cleared first).
    void CopyTo(CStrP3D& other) const;
    // Reverses the order of the points (with their normals and parameters); parameters
    // become 1 - p so that they still run from 0 to 1.
    void Reverse();
    // Shortens the string to its first n points (n no larger than the count).
    void Truncate(int n);
    // Box of the points; empty for a string without points.
    void CalcBox();
    void GetBox(BOX3<double>* box) const;

    // Picks, all 0 (outputs untouched) for fewer than two points or non-finite input.
    // 2D pick in XY: 1 when the chain passes strictly closer than aperture to (pt.x, pt.y);
    // d is then its distance.
    int Pick(const double* pt, double aperture, double& d) const;
    // Ray pick: among the segments passing strictly closer than aperture to the ray through
    // origin along dir, the one with the smallest depth wins (the earlier on a tie). The
    // depth of a segment is (P - origin) · dir for its point P nearest the ray, so it may be
    // negative behind the origin; t is the local parameter of P on segment seg (from 1).
    int Pick3d(const double* origin, const double* dir, double aperture, double& depth, double& t,
               int& seg) const;
    // Rubber-band pick: the points are taken into the frame's coordinates (world coordinates
    // for a null frame) and their x and y tested; 1 when a point lies in the box or an edge
    // crosses it.
    int PickBox(const _rect_fm3d* frame, const BOX2<double>* box) const;
    // Signed area of the closed chain in XY (the closing edge implied), positive
    // counter-clockwise; 0 for fewer than three points.
    double EvArea() const;

    int m_nCount = 0;
    double (*m_pPoints)[3] = nullptr;  // m_nCount points; null without point storage
    double (*m_pNormals)[3] = nullptr; // optional, one per point
    double* m_pParams = nullptr;       // optional, one per point

private:
    std::vector<double> m_points;
    std::vector<double> m_normals;
    std::vector<double> m_params;
    BOX3<double> m_box;
};

// Length of the chain of n points (0 for fewer than 2 or null).
double SP3D_EvLength(const double (*pts)[3], int n);
// The same measured in XY.
double SP3D_EvLength2D(const double (*pts)[3], int n);
// Nearest point out on the chain to p, the local parameter t in [0, 1] on segment seg
// (from 1); the earliest segment wins ties. 0 (outputs untouched) for fewer than two points
// or non-finite input.
int SP3D_PrjPnt(const double (*pts)[3], int n, const double* p, double* out, double& t, unsigned int& seg);
