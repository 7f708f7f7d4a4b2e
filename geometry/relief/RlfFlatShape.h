// The flat profile: every point inside a disc of the axis is raised to the height.
#pragma once

#include "geometry/relief/RlfShape.h"

class CRlfFlatShape : public CRlfShape {
public:
    CRlfFlatShape() = default;
    // Base SetParam with a = 0, mode 0 and c = 1.
    void SetParam(float h);

    using CRlfShape::CalcHeight;
    using CRlfShape::SetCAxis;
    CRlfShape* CloneProfile() const override;
    void SetCAxis(float* p, float* q) override;
    float CalcHScale(float w) const override;
    int CalcHeight(int flags, float x, float y, float& h) const override;
    int CalcHeight(const float* node, float x, float y, float& h) const override;

protected:
    CRlfFlatShape(const CRlfFlatShape& other) = default;
};
