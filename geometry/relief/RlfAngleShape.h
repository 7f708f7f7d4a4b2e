// The V profile: height grows with the inset m from the border as m·tan(angle),
// capped at the full height beyond maxSpan.
#pragma once

#include "geometry/relief/RlfShape.h"

class CRlfAngleShape : public CRlfShape {
public:
    CRlfAngleShape() = default;
    // Base SetParam, then no span until SetMaxSpan.
    void SetParam(float a, float h, int m, float ang, float c);

    using CRlfShape::CalcHeight;
    using CRlfShape::SetCAxis;
    CRlfShape* CloneProfile() const override;
    void SetMaxSpan(float s) override;
    void SetCAxis(float* p, float* q) override;
    float CalcHScale(float w) const override;
    int CalcHeight(int flags, float x, float y, float& h) const override;
    int CalcHeight(const float* node, float x, float y, float& h) const override;
    void UpdateGrid(int flags, CTGrid<float>* grid) const override;

    // A zero height or angle gives no relief: every query answers 0.
    bool IsZeroProfile() const;

protected:
    CRlfAngleShape(const CRlfAngleShape& other) = default;
};
