// The full circle (type code 8); starts and ends at the point at angle 0.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

class CGeArc;
class CGeBezier;
class CGeEllipse;

class CGeCircle : public CGeCurve {
    DECLARE_SERIAL(CGeCircle)
public:
    // Centre (0, 0), radius 0, counter-clockwise.
    CGeCircle();
    // Sets the fields; display polyline at the curve tolerance and box.
    CGeCircle(const double* c, double r, int dir);
    ~CGeCircle() override;

    // The same on an existing circle.
    void Create(const double* c, double r, int dir);
    // Create with other's values; nothing when other is null.
    void Create(CGeCircle* other);

    void GetCenter(double* c) const
    {
        c[0] = m_ptCenter[0];
        c[1] = m_ptCenter[1];
    }
    double GetRadius() const { return m_dRadius; }
    // 1 counter-clockwise, 0 clockwise.
    int GetDirection() const { return m_nDir; }

    // 1 with t the parameter of p when p lies within 0.01 of the circle, else 0.
    int IsPointOn(const double* p, double& t) const;
    // New full arc (start direction (1, 0), sweep +-2 pi); display not built.
    CGeArc* ToArc();
    // New counter-clockwise ellipse of the same shape, whatever the direction.
    CGeEllipse* ToEllipse();
    // New closed spline of four quarter segments; null when it cannot be built.
    CGeBezier* ToBezier();

    using CGeCurve::Draw;
    using CGeCurve::Split;
    using CGeCurve::EvArcLength;
    using CGeCurve::Reverse;
    using CGeCurve::EvArea;
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
    double EvArea() override;
    int IsClosed(double tol) override;
    void Reverse() override;
    CGeCurve* Offset(double d) override;
    void Split(double t, CGeCurve** out, int seg, int flag) override;
    CGeCurve* Shear(double* base, double* factors) override;
    CGeCurve* Transform(double m[3][3], unsigned flags) override;

protected:
    double m_ptCenter[2] = {0.0, 0.0};
    double m_dRadius = 0.0;
    int m_nDir = 1;  // 1 counter-clockwise, 0 clockwise
};
