// Circular arc or full circle in space: a radius, a sweep angle and a local frame
// whose origin is the centre. The point at t in [0, 1] is
// C + r·cos(t·s)·X + r·sin(t·s)·Y: the arc starts on X and turns counter-clockwise
// about Z = X × Y. Transforms that cannot keep a circle return a new NURBS curve
// and leave the arc unchanged.
#pragma once

#include "geometry/shapes3d/GeCurve3d.h"

class CGeNrbCrv3d;

class CGeArc3d : public CGeCurve3d {
    DECLARE_SERIAL(CGeArc3d)
public:
    // Base parts and a world frame; usable after a construction below or after its
    // members are written directly (then DiscreteMe and CalcBox).
    CGeArc3d();

    // Constructions return 1 on success and 0 on failure (the arc is then not valid);
    // none discretises or computes the box.
    // Arc from start through mid to end; 0 for start = end, coincident or collinear points.
    int Create3Pnt(double* start, double* mid, double* end);
    // Arc leaving start along tangent (normalised in place) and ending at end; 0 when the
    // tangent runs along the chord.
    int CreateSETan(double* start, double* end, double* tangent);
    // Arc from start to end about centre (projected onto their bisector plane);
    // shorter != 0 gives the shorter arc, 0 the longer one.
    int CreateCSE(double* centre, double* start, double* end, int shorter);
    // The same with the selector first: 1 the longer arc, any other value the shorter.
    int CreateCSE(int longer, double* centre, double* start, double* end);
    // Full circles in the plane through centre parallel to XY, XZ or YZ; 0 for a
    // radius below 0.0001.
    int CreateCricleXY(double* centre, double r);
    int CreateCricleXZ(double* centre, double r);
    int CreateCricleYZ(double* centre, double r);
    // Arc in the plane z = centre[2] starting at startAngle (radians from +x); a
    // positive sweep turns counter-clockwise seen from +z, a negative one clockwise.
    // 0 for a radius below 0.0001, a sweep below 0.001 in size or above a full turn.
    int CreateArcXY(double* centre, double r, double startAngle, double sweep);

    // Parameter of a point projected onto the arc's plane (angle / sweep, not clamped);
    // 0 when it meets the centre.
    int GetParam(double* point, double& t);

    // The curve header under the document version gate, then radius, sweep, centre,
    // X, Y and Z axes and the frame's trailing value (15 doubles); loading rebuilds the
    // display string, which sets the box.
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    // Same radius, sweep, frame, display string, box, flags and closed flag; new handle.
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

    // The base drawing, every k-th display point when the string is finer than a pixel.
    void Draw(CDC* dc, int mode) override;
    // A circle round the start, a square round the end.
    void DrawNode(CDC* dc, int drawStart, int drawEnd, unsigned int half) override;
    int GetSnapPos(CSnapAt* snap, CSnapResult& result) override;
    // 2D pick of an arc in a horizontal plane: exact distance in XY. Otherwise the base
    // pick of the display string; a 3D hit reports as parameter the fraction of the display
    // length up to the hit point.
    int Pick(CPickRay& ray, int useMask) override;
    // Exact; a point beyond the sweep goes to the nearer end (the end on a tie).
    int GetNearestPoint3D(double* pt, double* nearest, double& t, unsigned int& seg, double& dist) override;
    // Always 1: the centre and the normal Z.
    int IsPlanar(double tol, double* origin, double* vec) override;
    void Discrete(double tol, CStrP3D& str) override;
    int GetDiscStep(double tol, double& step) override;
    void GetStartPoint(double* p) override;
    void GetEndPoint(double* p) override;
    void GetPointAt(double t, double* p, int seg) override;
    void GetStartTanVec(double* v) override;
    void GetEndTanVec(double* v) override;
    // Tangent of length r (not normalised).
    void GetTanVecAt(double t, double* p, double* tan, int seg) override;
    void Ev2Der(double t, double* p, double* d1, double* d2, unsigned int seg) override;
    void Reverse() override;
    // 1 for a full circle (sweep within tol of 2π).
    int IsClosed(double tol) override;
    // Exact: r·|sweep|.
    double EvTotalArcLength() override;
    int EvParam(double len, double& t, unsigned int& seg, double total) override;
    void Split(double t, CGeCurve3d** out, int seg) override;

    // A NURBS curve of the same shape, flags and closed flag; null when it cannot be made.
    CGeNrbCrv3d* ToNurbs() const;

    double m_radius = 0.0;
    double m_sweep = 0.0;
    _rect_fm3d m_frame;

private:
    // Unit X and Y, Z = X × Y: the frame after a map that may scale or reflect.
    void SettleAxes();
    // Rebuilds the display string at the display tolerance (which sets the box).
    void Rediscretise();
};
