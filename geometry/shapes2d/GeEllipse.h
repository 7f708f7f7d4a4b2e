// The full, possibly rotated ellipse (type code 0x10). The only 2D class with
// a 67th virtual operation, ToBezier.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

class CGeBezier;

class CGeEllipse : public CGeCurve {
    DECLARE_SERIAL(CGeEllipse)
public:
    // Centre (0, 0), a = b = 0, rotation 0, counter-clockwise.
    CGeEllipse();
    // Create with these values.
    CGeEllipse(const double* c, double a, double b, double rot, int dir);
    ~CGeEllipse() override;

    // Sets the fields, closed, display polyline at the curve tolerance and box.
    void Create(const double* c, double a, double b, double rot, int dir);
    // Create with other's values; nothing when other is null.
    void Create(CGeEllipse* other);

    void GetCenter(double* c) const
    {
        c[0] = m_ptCenter[0];
        c[1] = m_ptCenter[1];
    }
    double GetA() const { return m_dA; }
    double GetB() const { return m_dB; }
    double GetRotation() const { return m_dRot; }
    // 1 counter-clockwise, 0 clockwise.
    int GetDirection() const { return m_nDir; }

    // Like Split, but the pieces are lines or polylines through the
    // discretisation at the curve tolerance.
    void SplitEx(double t, CGeCurve** out, int seg, int flag);
    // The part from t0 to t1 as a spline; rest receives the remaining part
    // (from t1 round through the start to t0). Both owned by the caller; null
    // when the parts cannot be made.
    CGeBezier* ToBezier(double t0, double t1, CGeBezier*& rest);
    // The same with lines or polylines.
    CGeCurve* ToPolyline(double t0, double t1, CGeCurve*& rest);

    using CGeCurve::Draw;
    using CGeCurve::Split;
    using CGeCurve::EvArcLength;
    using CGeCurve::Reverse;
    using CGeCurve::EvArea;
    using CGeCurve::ToPolyline;
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    CGeCurve* Copy() override;
    int GetSnapPos(CSnapAt* snap, CSnapResult& result) override;
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
    void BiArcAppx(double tol, CTypedPtrList<CObList, CGeCurve*>* out) override;
    CGeCurve* Shear(double* base, double* factors) override;
    CGeCurve* Transform(double m[3][3], unsigned flags) override;

    // 67: the ellipse as a closed four-segment Bezier spline, owned by the caller.
    virtual CGeBezier* ToBezier();

protected:
    double m_ptCenter[2] = {0.0, 0.0};
    double m_dA = 0.0;    // semi-axis along the rotated x direction
    double m_dB = 0.0;    // semi-axis along the rotated y direction
    double m_dRot = 0.0;  // radians, angle of the a axis to the x axis
    int m_nDir = 1;       // 1 counter-clockwise, 0 clockwise
};
