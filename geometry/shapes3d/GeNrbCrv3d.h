// A NURBS curve record (BCRV) wrapped as a 3D curve: the curve owns the record,
// evaluates through it and keeps its display string in step with it.
#pragma once

#include "geometry/shapes3d/GeCurve3d.h"

struct BCRV;

class CGeNrbCrv3d : public CGeCurve3d {
    DECLARE_SERIAL(CGeNrbCrv3d)
public:
    // No record.
    CGeNrbCrv3d();
    // Takes the record over (see SetCurve); null gives a curve without a record.
    explicit CGeNrbCrv3d(BCRV* curve);
    ~CGeNrbCrv3d() override;

    // Takes ownership of a non-null record (freeing the one held before), rebuilds the
    // display string at the display tolerance and computes the box; null changes nothing.
    void SetCurve(BCRV* curve);
    // The owned record itself (not a copy); the caller must not free it.
    BCRV* GetCurve() const { return m_pCurve; }

    // Edits. Each builds the new record first and keeps the old one when that fails;
    // on success the old record is freed and the display string rebuilt (at tol, or
    // at the display tolerance where no tol is given); the box is left as it was.
    // Interpolation of degree through the n points; 0 when degree >= n or no curve
    // results. The 2D form lies in z = 0, and two points give a straight line.
    int CreateInterp(double (*pts)[3], int n, int degree, double tol);
    int CreateInterp(double (*pts)[2], int n, int degree, double tol);
    // The points as control points (weight 1) with chord-length averaged knots; the
    // degree becomes 1 for 2 points and at most 2 for 3. 0 for n < 2 or when the
    // record or its knots cannot be made.
    int CreateCtrlPt(double (*pts)[3], int n, int degree, double tol);
    // Removes control point index (n > 2) and re-knots the rest; the order drops to
    // fit the new count (2 for two points). 1 when the curve changed.
    int DelCtrlPt(unsigned int index);
    // Rebuilds the curve as a cubic through the control points not listed (at least
    // two must remain); a closed curve that loses both end points closes again. 1
    // when the curve changed.
    int DelCtrlPt(unsigned int* indices, int count);
    // Inserts knot t (0 < t < 1) k - 1 times: a node the curve passes through, the
    // shape unchanged. 1 when the curve changed.
    int AddNode(double t);

    void Serialize(CArchive& ar) override;
    // Display points at chordal tolerance tol, split at the record's corners; the
    // angle is not used.
    void Discrete(double tol, double angle, CStrP3D& str);

    int GetType() const override;
    // A clone of the record with the display string, box, flags and closed flag;
    // null without a record.
    CGeShape3d* Copy() override;

    void Translate(double* v) override;
    void Translate3D(double* v) override;
    void Rotate(double* centre, double angle) override;
    void Rotate3D(double* point, double* axis, double angle) override;
    CGeShape3d* Twist(double* point, double* axis, double angle) override;
    CGeShape3d* Taper(double* point, double* axis, double angle) override;
    void Mirror(double* p, double* q) override;
    CGeShape3d* Shear(double* base, double* factors) override;
    CGeShape3d* Scale(double* centre, double* factors) override;
    CGeShape3d* Scale3D(double* centre, double* factors) override;
    CGeShape3d* Shear3D(double* point, double* dir, double* normal) override;
    void Mirror3D(double* point, double* normal) override;
    void Transform(_rect_fm3d* frame) override;
    CGeShape3d* Transform(double m[4][4], unsigned int flags) override;
    CGeShape3d* Transform(double m[3][3], unsigned int flags) override;
    void TransformLocal(_rect_fm3d* frame) override;

    // The control polygon, dotted, with a circle round the first control point
    // (drawStart) and squares round the others (the last only with drawEnd on an
    // open curve).
    void DrawNode(CDC* dc, int drawStart, int drawEnd, unsigned int half) override;
    // The base pick; a 3D hit's parameter is the fraction of the display length
    // up to the hit point.
    int Pick(CPickRay& ray, int useMask) override;
    int GetNodeBox(BOX3<double>* box) override;
    int GetSnapPos(CSnapAt* snap, CSnapResult& result) override;
    int GetNearestPoint3D(double* pt, double* nearest, double& t, unsigned int& seg, double& dist) override;
    int IsPlanar(double tol, double* origin, double* vec) override;
    void Discrete(double tol, CStrP3D& str) override;
    int GetDiscStep(double tol, double& step) override;
    void GetStartPoint(double* p) override;
    void GetEndPoint(double* p) override;
    void GetPointAt(double t, double* p, int seg) override;
    void GetStartTanVec(double* v) override;
    void GetEndTanVec(double* v) override;
    void GetTanVecAt(double t, double* p, double* tan, int seg) override;
    void Ev2Der(double t, double* p, double* d1, double* d2, unsigned int seg) override;
    void Reverse() override;
    double EvTotalArcLength() override;
    // Parameter at arc length len by bisection; segment and total are not used.
    int EvParam(double len, double& t, unsigned int& seg, double total) override;
    void Split(double t, CGeCurve3d** out, int seg) override;

    // Arc length between two parameters; 0 without a record.
    double EvArcLength(double t0, double t1, double tol);

private:
    // Frees the record held (unless it is rec) and takes rec, rebuilding the
    // display string at tol; the box is not touched.
    void TakeRecord(BCRV* rec, double tol);
    // Applies op to every control point as a Cartesian point, keeping its weight.
    template <class Op>
    void ForEachCtrlPt(Op op);

    BCRV* m_pCurve = nullptr;
};
