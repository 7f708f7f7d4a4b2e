// The circular arc (type code 4): centre, radius, the direction from the
// centre towards the start point and a signed sweep (counter-clockwise positive).
// The point at t is centre + radius (cos a, sin a), a = start angle + t sweep.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

class CGeBezier;

class CGeArc : public CGeCurve {
    DECLARE_SERIAL(CGeArc)
public:
    CGeArc();
    ~CGeArc() override;

    // Constructions set the geometry and return 1, or 0 when rejected (the arc
    // is then left as it was). Except Create(CGeArc*), they leave the display
    // polyline to the caller.
    void Create(CGeArc* other);
    // From p1 through p2 to p3.
    int Create3Pnt(const double* p1, const double* p2, const double* p3);
    // Centre c, from s towards e, counter-clockwise for bCCW nonzero.
    int CreateCSE(const double* c, const double* s, const double* e, int bCCW);
    // Centre c, from s towards e: the minor arc for bMajor 0, the major arc for 1.
    int CreateCSE(int bMajor, const double* c, const double* s, const double* e);
    // Centre c, radius r, from angle a0 to a1 (radians).
    int CreateCSEAngle(const double* c, double r, double a0, double a1);
    // From s to e, leaving s along tStart.
    int CreateSESTan(const double* s, const double* e, const double* tStart);
    // From s to e, arriving at e along tEnd.
    int CreateSEETan(const double* s, const double* e, const double* tEnd);
    // From s to e with radius r (at least half the chord); the centre lies on
    // the side of the chord where `side` lies.
    int CreateSERad(const double* s, const double* e, double r, const double* side, int bCCW);
    // From s to e with the given signed sweep; 0 for a full turn (within
    // rounding) or more, which cannot join two distinct points.
    int CreateSEAngle(const double* s, const double* e, double sweep);

    void GetCenter(double* c) const
    {
        c[0] = m_ptCenter[0];
        c[1] = m_ptCenter[1];
    }
    double GetRadius() const { return m_dRadius; }
    double GetSweep() const { return m_dSweep; }
    void GetStartDir(double* v) const
    {
        v[0] = m_vStartDir[0];
        v[1] = m_vStartDir[1];
    }
    // 1 when the sweep is positive (counter-clockwise), else 0.
    int GetArcDirection() const { return m_dSweep > 0.0 ? 1 : 0; }
    double GetStartAngle() const;
    double GetEndAngle() const { return GetStartAngle() + m_dSweep; }
    // 1 when p lies on the arc (0.01 off the circle, 0.005 around the end
    // points), with its parameter in t.
    int IsPointOn(const double* p, double& t);
    // Distance from the chord's midpoint to the arc's midpoint.
    double GetMaxArcHeight();
    // The step through count display points with which the arc draws at a
    // pixel of the given world size: display points finer than a pixel are
    // skipped, and an arc within a pixel (pixel > radius) draws its first point.
    static int DrawStride(int count, double radius, double sweep, double pixel);
    // Exact box of the arc from its end points and the axis points it passes.
    // The box is kept with the geometry it was computed from and reused while
    // that geometry is bit for bit the same, so an arc without a display
    // polyline (one never drawn, outside the view) does not compute it again
    // at every repaint, whichever way the arc was changed in between.
    void CalcPreciseBox2d();
    // A new cubic Bezier spline along the arc, owned by the caller; null for a
    // degenerate arc.
    CGeBezier* ToBezier();

    using CGeCurve::Draw;
    using CGeCurve::Split;
    using CGeCurve::EvArcLength;
    using CGeCurve::Reverse;
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    CGeCurve* Copy() override;
    int GetSnapPos(CSnapAt* snap, CSnapResult& result) override;
    void CalcBox2d() override;
    void Translate(double* offset) override;
    void Rotate(double* centre, double angle) override;
    void Mirror(double* p, double* q) override;
    CGeCurve* Scale(double* centre, double* factors) override;
    void Draw(Direct2DHandler* handler, int mode) override;
    void Draw(CDC* dc, int mode) override;
    void DrawNode(CDC* dc, int bStart, int bEnd) override;
    void ModifyStartPoint(double* p) override;
    void ModifyEndPoint(double* p) override;
    int Pick(CPickRay& ray, int bCheckType) override;
    int GetDiscStep(double tol, double& step) override;
    void DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double ang, bool bRefine) override;
    void GetStartPoint(double* p) override;
    void GetEndPoint(double* p) override;
    void GetPointAt(double t, double* p, unsigned seg) override;
    int GetGCPoint(unsigned char kind, double* p, unsigned seg) override;
    void GetTanVecAt(double t, double* v, unsigned seg) override;
    void EvPos(double t, double* p, unsigned seg) override;
    void Ev1Der(double t, double* p, double* d1, unsigned seg) override;
    void Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg) override;
    int GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist) override;
    int GetTanPt(double* p, double& t, int& seg, double* out) override;
    int GetPerpPt(double* p, double* out, double& t, unsigned& seg) override;
    int EvParam(double len, double& t, unsigned& seg, double tol) override;
    double EvArcLength(double t0, double t1, unsigned seg) override;
    double EvTotalArcLength() override;
    int IsClosed(double tol) override;
    void Reverse() override;
    CGeCurve* Offset(double d) override;
    void Split(double t, CGeCurve** out, int seg, int flag) override;
    CGeCurve* Shear(double* base, double* factors) override;
    CGeCurve* Transform(double m[3][3], unsigned flags) override;

protected:
    // Sets all four fields at once (constructions commit only on success).
    void SetGeometry(const double* c, double r, const double* dir, double sweep);
    // True when the start and end points coincide (a full turn).
    bool IsFullSweep();
    // Drops the display polyline and empties the box, so both are rebuilt on demand.
    void FreeDisplay();
    // IsPointOn for a point on the circle, given the arc's end points s, e and
    // the cosine and sine of minus its start angle.
    int IsOnSweep(const double* p, const double* s, const double* e, double cosBack, double sinBack, double& t) const;
    // IsOnSweep for q, the axis point k quarter turns from +x about the centre,
    // of an arc with finite centre, sweep and positive radius, start angle a0
    // and end points s, e: 1 or 0, or -1 when q's angle lies too near a bound
    // of the sweep to tell without IsOnSweep.
    int AxisOnSweep(int k, const double* q, double a0, const double* s, const double* e) const;
    // The point at angle a on the circle.
    void PointAtAngle(double a, double* p) const;

    double m_ptCenter[2] = {0.0, 0.0};
    double m_dRadius = 0.0;
    double m_vStartDir[2] = {1.0, 0.0};  // only its direction counts
    double m_dSweep = 0.0;               // radians, |sweep| <= 2 pi

private:
    // The geometry the kept precise box belongs to: centre, radius, start
    // direction and sweep, in that order.
    struct GeometryKey {
        double v[6];
    };
    GeometryKey CurrentKey() const;
    GeometryKey m_preciseKey{};
    BOX2<double> m_preciseBox;
    bool m_bPreciseBoxKept = false;
};
