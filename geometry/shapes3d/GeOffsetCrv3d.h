// A 3D curve defined by an owned base curve shifted sideways by a fixed distance:
// the point at t is B(t) + distance · unit(direction × T(t)), with B and T the base's
// point and tangent. For a base in the XY plane and the direction (0, 0, 1) a positive
// distance lies to the left of the base's direction of travel. It has no
// parameterisation of its own, so it cannot be split, snapped to or searched by
// length; every member that needs the base does nothing (or gives its default)
// without one.
#pragma once

#include "geometry/shapes3d/GeCurve3d.h"

class CGeOffsetCrv3d : public CGeCurve3d {
    DECLARE_SERIAL(CGeOffsetCrv3d)
public:
    // No base, distance 0, direction (0, 0, 1).
    CGeOffsetCrv3d();
    // Takes ownership of base and copies the three direction values (null gives
    // (0, 0, 1)); neither discretises nor computes the box.
    CGeOffsetCrv3d(CGeCurve3d* base, double distance, double* direction);
    // Deletes the base.
    ~CGeOffsetCrv3d() override;

    // The curve header under the document version gate, the base as an object list
    // (one element, or none), the distance and the three direction values. Loading
    // leaves the display string empty until it is first discretised.
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    // Null without a base or when the base cannot be copied; else a copy with the
    // same distance, direction, display string, box, flags and closed flag.
    CGeShape3d* Copy() override;

    // The base follows every transform (a base that changes class is replaced by
    // the new shape); the display string follows as in the base class. Rotations,
    // mirrors and the frame transforms turn the direction with the curve and a mirror
    // negates the distance, so that the transformed curve is the transformed offset;
    // the other transforms keep the direction.
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

    // With useMask, 0 unless the request's type mask holds 0x8000; then the pick of
    // the display string.
    int Pick(CPickRay& ray, int useMask) override;
    // Always 0: an offset curve offers no snap positions.
    int GetSnapPos(CSnapAt* snap, CSnapResult& result) override;
    // The base's answer; 0 without a base.
    int IsPlanar(double tol, double* point, double* normal) override;
    // The base's points moved to the offset, refined where the offset bends more
    // than the display tolerance or the discretisation angle allow. Refinement
    // stops at a parameter gap below 1e-9 and at a budget of points, so a cusp
    // or a base without parameters ends.
    void Discrete(double tol, CStrP3D& str) override;
    int GetSegmentCount() override;
    void GetStartPoint(double* p) override;
    void GetEndPoint(double* p) override;
    void GetPointAt(double t, double* p, int seg) override;
    void GetStartTanVec(double* v) override;
    void GetEndTanVec(double* v) override;
    // The base's tangent unchanged; the point is the offset point.
    void GetTanVecAt(double t, double* p, double* tan, int seg) override;
    // The offset point and its first derivative; the second derivative stays the
    // base's. Where the base's tangent is parallel to the direction the base's values
    // stand.
    void Ev2Der(double t, double* p, double* d1, double* d2, unsigned int seg) override;
    // Reverses the base and negates the distance (the curve stays on the same side).
    void Reverse() override;
    // Always 0, outputs untouched.
    int EvParam(double len, double& t, unsigned int& seg, double total) override;
    // Two nulls.
    void Split(double t, CGeCurve3d** out, int seg) override;

    CGeCurve3d* GetBase() const { return m_pBase; }
    double GetDistance() const { return m_dDistance; }
    const double* GetDirection() const { return m_dDirection; }

private:
    // base point + distance · unit(direction × tangent); the base point when the
    // product cannot be normalised.
    void Shift(const double* basePoint, const double* tangent, double* out) const;
    // Applies a transform that may return a new shape to the base.
    template <class Op>
    void TransformBase(Op op);
    // Turns the direction by a point map (the map of the direction minus the map of
    // the origin).
    template <class Op>
    void TurnDirection(Op op);

    CGeCurve3d* m_pBase = nullptr;
    double m_dDistance = 0.0;
    double m_dDirection[3] = {0.0, 0.0, 1.0};
};
