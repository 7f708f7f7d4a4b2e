// The chamfer profile: a user cross-section read as height over the inset from the
// border. The answer of the disc in which a point lies deepest wins, and that depth
// is the second output.
#pragma once

#include "geometry/relief/RlfShape.h"

class CGeCurve;
class CGePolyline;

class CRlfChamferShape : public CRlfShape {
public:
    CGePolyline* cross;  // owned; x from 0 (inner end) to crossWidth (border)
    float crossWidth;
    float crossHeight;

    CRlfChamferShape();
    ~CRlfChamferShape() override;

    // Base SetParam(h, 0, 0, 0, c), no span, height h, skeleton mode.
    void SetParam(float h, int skeleton, float c);
    // The cross-section from a curve (discretised); nothing for null.
    void SetCross(CGeCurve* curve);

    using CRlfShape::CalcHeight;
    using CRlfShape::SetCAxis;
    CRlfShape* CloneProfile() const override;
    void SetMaxSpan(float s) override;
    void SetCAxis(float* p, float* q) override;
    float CalcHScale(float w) const override;
    int CalcHeight(int flags, float x, float y, float& h, float& depth) const override;
    int CalcHeight(const float* node, float x, float y, float& h, float& depth) const override;
    int CalcHeightEx(const float* node, const float* point, float x, float y, float& h,
                     float& depth) const override;

private:
    bool Answers() const;

protected:
    CRlfChamferShape(const CRlfChamferShape& other);
};
