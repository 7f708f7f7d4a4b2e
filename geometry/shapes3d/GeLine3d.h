// Straight 3D segment between two points. Its display string always holds the two
// end points with the parameters 0 and 1.
#pragma once

#include "geometry/shapes3d/GeCurve3d.h"

struct tagPoint3f;

class CGeLine3d : public CGeCurve3d {
    DECLARE_SERIAL(CGeLine3d)
public:
    // End points not set, string empty.
    CGeLine3d();
    // The line from s to e (3 doubles each), discretised with its box.
    CGeLine3d(double* s, double* e);
    CGeLine3d(const tagPoint3f& s, const tagPoint3f& e);

    // The curve header under the document version gate, then the two end points
    // (6 doubles); loading rebuilds the display string and the box.
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    // Same end points, display string, box and flags; new handle; the closed flag
    // is not carried over.
    CGeShape3d* Copy() override;
    // Box of the two end points.
    void CalcBox() override;

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

    // A circle round the start, a square round the end.
    void DrawNode(CDC* dc, int drawStart, int drawEnd, unsigned int half) override;
    int GetSnapPos(CSnapAt* snap, CSnapResult& result) override;
    // 3D: the base's pick. 2D: exact in XY, from the box widened by the aperture; a hit
    // within the aperture of an end beyond the segment reports a parameter outside [0, 1].
    int Pick(CPickRay& ray, int useMask) override;
    int IsPlanar(double tol, double* origin, double* vec) override;
    // Two points with parameters 0 and 1, then CalcBox; tol is not used.
    void Discrete(double tol, CStrP3D& str) override;
    int GetDiscStep(double tol, double& step) override;
    void GetStartPoint(double* p) override;
    void GetEndPoint(double* p) override;
    // start + t·(end - start) for any t.
    void GetPointAt(double t, double* p, int seg) override;
    void GetStartTanVec(double* v) override;
    void GetEndTanVec(double* v) override;
    void GetTanVecAt(double t, double* p, double* v, int seg) override;
    void Ev2Der(double t, double* p, double* d1, double* d2, unsigned int seg) override;
    void Reverse() override;
    int IsClosed(double tol) override;
    // t = len / length, segment 0; nothing for a zero-length line.
    int EvParam(double len, double& t, unsigned int& seg, double total) override;
    void Split(double t, CGeCurve3d** out, int seg) override;

    double m_ptStart[3] = {0.0, 0.0, 0.0};
    double m_ptEnd[3] = {0.0, 0.0, 0.0};

private:
    // Applies op to both end points, then the base transform runs on the string.
    template <class Op>
    void MoveEnds(Op op)
    {
        op(m_ptStart);
        op(m_ptEnd);
    }
};
