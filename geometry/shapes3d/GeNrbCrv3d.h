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
    // Applies op to every control point as a Cartesian point, keeping its weight.
    template <class Op>
    void ForEachCtrlPt(Op op);

    BCRV* m_pCurve = nullptr;
};
