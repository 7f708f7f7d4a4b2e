// The round profile: a cut ellipse of height-to-width ratio aspect, meeting the ground
// at the edge angle, capped at the full height beyond maxSpan.
#pragma once

#include "geometry/relief/RlfShape.h"

class CRlfRoundShape : public CRlfShape {
public:
    float aspect;       // ellipse height over its width
    float clipRadius;   // ellipse half axis at clip
    float clipTop;      // clipRadius·aspect
    float endRadius;    // ellipse half axis at node1
    float endTop;       // endRadius·aspect
    float edgeAngle;    // where the cut ellipse meets the ground
    float cosEdge;
    float sinEdge;
    double quadA;        // tail equation: u² coefficient
    double quadShift;    // tail equation: shift of the root term
    double radiusGrowth; // endRadius - clipRadius
    double tailLength2;  // squared xy length of tail

    CRlfRoundShape();

    // Base SetParam, then the aspect; no span until SetMaxSpan derives the ellipse.
    void SetParam(float a, float h, int m, float ang, float c, float k);

    using CRlfShape::CalcHeight;
    using CRlfShape::SetCAxis;
    CRlfShape* CloneProfile() const override;
    void SetMaxSpan(float s) override;
    void SetCAxis(float* p, float* q) override;
    float CalcHScale(float w) const override;
    int CalcHeight(int flags, float x, float y, float& h) const override;
    int CalcHeight(const float* node, float x, float y, float& h) const override;

    // A zero height or aspect, or an ellipse cut at its top, gives no relief.
    bool IsZeroProfile() const;

private:
    // Parameters u along the tail where the within-span profile peaks; returns the count.
    int TailRoots(float x, float y, double* u) const;

protected:
    CRlfRoundShape(const CRlfRoundShape& other) = default;
};
