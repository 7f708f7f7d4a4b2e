// A single position in the curve class tree (type code 1). It has no display
// polyline; its box is the point itself. It is stored with its coordinates
// (schema 3); records of schema 2 hold none and load at (0, 0).
#pragma once

#include "geometry/shapes2d/GeCurve.h"

class CGePoint : public CGeCurve {
    DECLARE_SERIAL(CGePoint)
public:
    CGePoint();
    explicit CGePoint(const double* p);
    ~CGePoint() override;

    using CGeCurve::GetBox2d;
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    CGeCurve* Copy() override;
    void CalcBox2d() override;
    void GetBox2d(BOX2<double>* out) override;
    void Translate(double* offset) override;
    void Rotate(double* centre, double angle) override;
    void Mirror(double* p, double* q) override;
    CGeCurve* Scale(double* centre, double* factors) override;
    CGeCurve* Shear(double* base, double* factors) override;
    CGeCurve* Transform(double m[3][3], unsigned flags) override;
    void GetStartPoint(double* p) override;
    void GetEndPoint(double* p) override;
    int GetGCPoint(unsigned char kind, double* p, unsigned seg) override;

    double x = 0.0;
    double y = 0.0;
};
