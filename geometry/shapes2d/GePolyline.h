// The curve of straight edges (type code 0x40). Its vertices are the display
// polyline of the curve base; edge k runs from vertex k-1 to vertex k.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

class CGeCombCurve;
class Position;

class CGePolyline : public CGeCurve {
    DECLARE_SERIAL(CGePolyline)
public:
    CGePolyline();
    // n vertices with unset values (the caller fills them).
    explicit CGePolyline(int n);
    ~CGePolyline() override;

    // Replaces the vertices by the points; 0 (no vertices left) for a missing
    // array or fewer than 2 points. The box is computed; the closed flag kept.
    int Create(CArray<tagPoint2d, tagPoint2d>* pts);
    // With pts and n > 1: the vertices become a copy of the n points and the
    // closed flag tells whether the ends lie within 0.0001; 1. Otherwise 0 and
    // the vertices stay. The box is recomputed in both cases.
    int Create(int n, const double (*pts)[2]);
    // Closed rectangle spanned by two corners, counter-clockwise from the lower left; 1.
    int CreateBox(const double* p, const double* q);

    // Vertex i, for 0 <= i < K (no box update on write).
    void SetPoint(int i, const double* p);
    void GetPoint(int i, double* p) const;
    void GetPoint(int i, Position& p) const;
    // Vertex i becomes p; the ends of a closed polyline move together; box recomputed.
    void ModifyPoint(unsigned int i, const double* p);

    // 1 for a closed 5-vertex polyline whose opposite sides are parallel and of equal length.
    int IsRect();
    // The polyline read as a profile y(x) with ascending x; 0 outside it.
    double GetHeight(double x) const;

    // Length from (t1 on edge k1) to (t2 on edge k2); 0 when k2 < k1 or k2 >= K.
    double EvArcLength(double t1, unsigned int k1, double t2, unsigned int k2);
    // EvParam over a table of lengths up to each vertex (cumulative[K-1] = total).
    int EvParamEx(double len, double& t, unsigned int& k, const double* cumulative);

    // Thins nearly straight runs within tol (angle 170 degrees); the Create result.
    int Lean(double tol);
    // Of every run of vertices each within tol of the next, keeps the last; the Create result.
    int FilterRepeatPoint(double tol);
    // Cuts at the listed ascending vertex indices; pieces (lines or polylines) go to out.
    void SplitInNode(const int* nodes, int n, CTypedPtrList<CObList, CGeCurve*>& out);
    // Vertices first..last as a new line (two vertices) or polyline; null when
    // first >= last or last >= K.
    CGeCurve* ToPolyline_Line(unsigned int first, unsigned int last);
    // A new composite in which edge k is a separate line (ToLine) or one-segment
    // spline (ToBezier) between the polylines before and after it; null for a bad edge.
    CGeCombCurve* ToLine(unsigned int k);
    CGeCombCurve* ToBezier(unsigned int k);
    // Deletes vertex i (the ends of a closed polyline stay).
    void DelMainNode(unsigned int i);
    // Deletes the n listed vertices.
    void DelMainNode(const unsigned int* list, int n);

    using CGeCurve::Split;
    using CGeCurve::EvArcLength;
    using CGeCurve::Reverse;
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    CGeCurve* Copy() override;
    int GetSnapPos(CSnapAt* snap, CSnapResult& result) override;
    void DrawNode(CDC* dc, int bStart, int bEnd) override;
    void ModifyStartPoint(double* p) override;
    void ModifyEndPoint(double* p) override;
    int Pick(CPickRay& ray, int bCheckType) override;
    int Hit(CPickRay& ray, CGeHit& hit) override;
    int GetDiscStep(double tol, double& step) override;
    void DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double ang, bool bRefine) override;
    void ToElement(CTypedPtrList<CObList, CGeCurve3d*>* list) override;
    int GetSegmentCount() override;
    void GetStartPoint(double* p) override;
    void GetEndPoint(double* p) override;
    void GetPointAt(double t, double* p, unsigned seg) override;
    int GetGCPoint(unsigned char kind, double* p, unsigned seg) override;
    int GetPointEx(double t, double* p) override;
    void GetTanVecAt(double t, double* v, unsigned seg) override;
    void EvPos(double t, double* p, unsigned seg) override;
    void Ev1Der(double t, double* p, double* d1, unsigned seg) override;
    void Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg) override;
    int GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist) override;
    int EvParam(double len, double& t, unsigned& seg, double tol) override;
    double EvArcLength(double t0, double t1, unsigned seg) override;
    double EvTotalArcLength() override;
    int IsLongerThan(double len) override;
    int IsClosed(double tol) override;
    void Reverse() override;
    void Split(double t, CGeCurve** out, int seg, int flag) override;
    void BiArcAppx(double tol, CTypedPtrList<CObList, CGeCurve*>* out) override;
    void InitSketchIndex() override;
};
