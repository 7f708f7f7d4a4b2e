// The straight segment (type code 2). Its display polyline is always its two
// end points and it is never closed.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

class CGeBezier;

class CGeLine : public CGeCurve {
    DECLARE_SERIAL(CGeLine)
public:
    // End points unset until Create.
    CGeLine();
    // Display polyline built at the display tolerance.
    CGeLine(const double* p, const double* q);
    ~CGeLine() override;

    void Create(const double* p, const double* q);
    void Create(double x1, double y1, double x2, double y2);

    // A new one-segment Bezier spline along the line, owned by the caller.
    CGeBezier* ToBezier();

    using CGeCurve::Discrete;
    using CGeCurve::GetBox2d;
    using CGeCurve::Split;
    using CGeCurve::EvArcLength;
    using CGeCurve::Reverse;
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    CGeCurve* Copy() override;
    int GetSnapPos(CSnapAt* snap, CSnapResult& result) override;
    void CalcBox2d() override;
    void GetBox2d(BOX2<double>* out) override;
    void Translate(double* offset) override;
    void Rotate(double* centre, double angle) override;
    void Mirror(double* p, double* q) override;
    CGeCurve* Scale(double* centre, double* factors) override;
    void DrawGL(COpenGLDC* dc, int mode) override;
    void DrawNode(CDC* dc, int bStart, int bEnd) override;
    void ModifyStartPoint(double* p) override;
    void ModifyEndPoint(double* p) override;
    int Pick(CPickRay& ray, int bCheckType) override;
    int GetDiscStep(double tol, double& step) override;
    void Discrete(double tol, double ang) override;
    void Discrete(double tol) override;
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
    double m_ptStart[2] = {0.0, 0.0};
    double m_ptEnd[2] = {0.0, 0.0};
};
