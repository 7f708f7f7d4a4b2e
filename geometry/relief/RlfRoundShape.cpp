#include "geometry/relief/RlfRoundShape.h"

#include "framework/numerak/Equation.h"
#include "geometry/relief/RlfConst.h"
#include "geometry/relief/RlfSweep.h"

#include <algorithm>
#include <cmath>

using namespace rlf;

CRlfRoundShape::CRlfRoundShape()
    : aspect(1.0f), clipRadius(0.0f), clipTop(0.0f), endRadius(0.0f), endTop(0.0f),
      edgeAngle(0.0f), cosEdge(1.0f), sinEdge(0.0f), quadA(0.0), quadShift(0.0),
      radiusGrowth(0.0), tailLength2(0.0)
{
}

void CRlfRoundShape::SetParam(float a, float h, int m, float ang, float c, float k)
{
    CRlfShape::SetParam(a, h, m, ang, c);
    aspect = k;
    maxSpan = kNoSpan;
}

void CRlfRoundShape::SetMaxSpan(float s)
{
    CRlfShape::SetMaxSpan(s);
    if (mode == 1 || mode == 3) {
        double c = double(aspect) * (double(maxSpan) / height);
        if (!(c >= 1.0)) c = 1.0;  // also a zero height
        if (!std::isfinite(c)) c = 1.0;
        // sin and cos of the edge angle straight from c keep a wide, flat ellipse exact.
        const double c2 = c * c;
        sinEdge = float((c2 - 1.0) / (c2 + 1.0));
        cosEdge = float(2.0 * c / (c2 + 1.0));
        edgeAngle = float(std::atan2(c2 - 1.0, 2.0 * c));
        tanAngle = float(aspect / std::tan(double(edgeAngle)));
        angle = std::atan(tanAngle);
        cosAngle = std::cos(angle);
        sinAngle = std::sin(angle);
        return;
    }
    edgeAngle = std::atan(aspect / tanAngle);
    if (!(edgeAngle >= kRoundMinEdge)) edgeAngle = 0.0f;
    sinEdge = std::sin(edgeAngle);
    cosEdge = std::cos(edgeAngle);
    if (mode == 2 || mode == 4) {
        const float span = height * cosEdge / aspect / (1.0f - sinEdge);
        maxSpan = std::isfinite(span) ? std::max(span, kMinSpan) : kNoSpan;
    } else {
        maxSpan = kNoSpan;
    }
}

bool CRlfRoundShape::IsZeroProfile() const
{
    return height == 0.0f || aspect == 0.0f || !(cosEdge > 0.0f) || !(sinEdge < 1.0f) ||
           !std::isfinite(height) || !std::isfinite(aspect);
}

void CRlfRoundShape::SetCAxis(float* p, float* q)
{
    CRlfShape::SetCAxis(p, q);
    const float w0 = node0[2];
    if (IsZeroProfile())
        topHeight = 0.0f;
    else
        topHeight = maxSpan < w0 ? height : (w0 / cosEdge) * aspect * (1.0f - sinEdge) * node0[3];
    if (!(axisFlags & 2) || IsZeroProfile()) return;
    clipRadius = clip[2] / cosEdge;
    clipTop = clipRadius * aspect;
    endRadius = node1[2] / cosEdge;
    endTop = endRadius * aspect;
    radiusGrowth = double(endRadius) - clipRadius;
    tailLength2 = double(tail[0]) * tail[0] + double(tail[1]) * tail[1];
    quadShift = quadA = 0.0;
    if (std::fabs(radiusGrowth) >= kRoundGrowthTie && std::fabs(sinEdge) >= kRoundSinTie) {
        const double g2 = radiusGrowth * radiusGrowth;
        quadShift = -(tailLength2 - g2) / (radiusGrowth * sinEdge);
        quadA = tailLength2 + quadShift * quadShift - g2;
    }
}

float CRlfRoundShape::CalcHScale(float w) const
{
    if ((mode != 3 && mode != 4) || !(w > minWidth)) return 1.0f;
    const float den = w * aspect * (1.0f - sinEdge);
    if (den == 0.0f) return 1.0f;
    const float s = height * cosEdge / den;
    return std::isfinite(s) ? std::max(1.0f, s) : 1.0f;
}

int CRlfRoundShape::CalcHeight(const float* node, float x, float y, float& h) const
{
    if (IsZeroProfile()) return 0;
    const float r = node[2];
    const float d = PlaneDistance(x - node[0], y - node[1]);
    if (!(d <= r)) return 0;
    float hp;
    if (d <= r - maxSpan) {
        hp = height;
    } else {
        float e, l;
        if (r > maxSpan) {
            e = d - (r - maxSpan);
            l = maxSpan / cosEdge;
        } else {
            e = d;
            l = r / cosEdge;
        }
        if (!(l > 0.0f)) return 0;  // a disc of no width
        const float q = e / l;
        hp = l * aspect * (std::sqrt(std::max(0.0f, 1.0f - q * q)) - sinEdge) * node[3];
    }
    if (!(h <= hp)) return 0;
    h = hp;
    return 1;
}

int CRlfRoundShape::TailRoots(float x, float y, double* u) const
{
    const double Dx = double(x) - clip[0], Dy = double(y) - clip[1];
    const double I = Dx * tail[0] + Dy * tail[1];
    const double g = radiusGrowth;
    if (std::fabs(g) < kRoundGrowthTie) {
        if (!(tailLength2 > 0.0)) return 0;
        u[0] = I / tailLength2;
        return 1;
    }
    const double rg = double(clipRadius) * g;
    if (std::fabs(sinEdge) < kRoundSinTie) {
        const double den = tailLength2 - g * g;
        if (den == 0.0) return 0;
        u[0] = (rg + I) / den;
        return 1;
    }
    const double O = (rg + I) / (g * sinEdge);
    const double b = 2.0 * (O * quadShift - I - rg);
    const double c = Dx * Dx + Dy * Dy + O * O - double(clipRadius) * clipRadius;
    return EQU_SolQuadEqua(quadA, b, c, u);
}

int CRlfRoundShape::CalcHeight(int flags, float x, float y, float& h) const
{
    if (IsZeroProfile() || topHeight <= h) return 0;
    int res = 0;
    float node[4];
    auto eval = [&](const float* n) { return CalcHeight(n, x, y, h); };
    if ((flags & 4) && !(axisFlags & 1)) {
        const bool scaled = std::fabs(node0[3] - node1[3]) > kRoundScaleTie;
        double f;
        if (mode == 3 && scaled) {
            if (ScaledFoot(*this, node0, axis, x, y, f) && f > 0.0 && f < 1.0) {
                AxisNode(*this, float(f), 1.0f, node);
                node[3] = CalcHScale(node[2]);
                if (eval(node)) res |= 4;
            }
        } else if (mode == 4 && scaled && (axisFlags & 2)) {
            if (axisFlags & 4) {
                float t[3];
                int k[2];
                int n = TangentFeet(*this, x, y, clip[3], t, k);
                t[n++] = clip[3];
                for (int i = 0; i < n; ++i) {
                    AxisNode(*this, t[i], 1.0f, node);
                    if (eval(node)) res |= 4;
                }
            }
            if (ScaledFoot(*this, clip, tail, x, y, f) && f > 0.0 && f < 1.0) {
                const float u = float(f);
                for (int i = 0; i < 3; ++i) node[i] = clip[i] + u * tail[i];
                node[3] = CalcHScale(node[2]);
                if (eval(node)) res |= 4;
            }
        } else {
            float t[5];
            int k[2], n = 0;
            if (axisFlags & 4) {
                n = TangentFeet(*this, x, y, clip[3], t, k);
                t[n++] = clip[3];
            }
            if (axisFlags & 2) {
                double u[2];
                const int nu = TailRoots(x, y, u);
                for (int i = 0; i < nu; ++i)
                    if (u[i] >= -kTailRootSlack && u[i] <= 1.0) t[n++] = float(clip[3] + u[i] * (1.0 - clip[3]));
            }
            for (int i = 0; i < n; ++i) {
                if (!(t[i] > 0.0f && t[i] < 1.0f)) continue;
                AxisNode(*this, t[i], node0[3], node);
                if (eval(node)) res |= 4;
            }
        }
    }
    return res | EndDiscs(*this, flags, eval);
}

CRlfShape* CRlfRoundShape::CloneProfile() const { return new CRlfRoundShape(*this); }
