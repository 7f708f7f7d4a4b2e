// A single position in the curve class tree (type code 1). It has no display
// polyline, so its box stays empty.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

class CGePoint : public CGeCurve {
    DECLARE_SERIAL(CGePoint)
public:
    CGePoint();
    explicit CGePoint(const double* p);
    ~CGePoint() override;

    void Serialize(CArchive& ar) override;
    int GetType() const override;
    int GetGCPoint(unsigned char kind, double* p, unsigned seg) override;

    double x = 0.0;
    double y = 0.0;
};
