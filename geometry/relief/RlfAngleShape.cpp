#include "geometry/relief/RlfAngleShape.h"

#include "geometry/relief/RlfConst.h"
#include "geometry/relief/RlfSweep.h"

#include <cmath>

using namespace rlf;

void CRlfAngleShape::SetParam(float a, float h, int m, float ang, float c)
{
    CRlfShape::SetParam(a, h, m, ang, c);
    maxSpan = kNoSpan;
}

void CRlfAngleShape::SetMaxSpan(float s)
{
    CRlfShape::SetMaxSpan(s);
    SetAngleSpan();
}

void CRlfAngleShape::SetCAxis(float* p, float* q)
{
    CRlfShape::SetCAxis(p, q);
    topHeight = AngleTopHeight();
}

float CRlfAngleShape::CalcHScale(float w) const { return AngleHScale(w); }

bool CRlfAngleShape::IsZeroProfile() const
{
    return height == 0.0f || tanAngle == 0.0f || !std::isfinite(height) || !std::isfinite(tanAngle);
}

namespace {

// The node form once the profile is known not to be zero.
inline int RaiseByNode(const CRlfAngleShape& sh, const float* node, float x, float y, float& h)
{
    const float d = PlaneDistance(x - node[0], y - node[1]);
    const float m = node[2] - d;
    if (!(m > 0.0f)) return 0;
    const float hp = m >= sh.maxSpan ? sh.height : m * sh.tanAngle * node[3];
    if (!(h < hp)) return 0;
    h = hp;
    return 1;
}

}  // namespace

int CRlfAngleShape::CalcHeight(const float* node, float x, float y, float& h) const
{
    if (IsZeroProfile()) return 0;
    return RaiseByNode(*this, node, x, y, h);
}

int CRlfAngleShape::CalcHeight(int flags, float x, float y, float& h) const
{
    if (IsZeroProfile() || topHeight <= h) return 0;
    auto node = [&](const float* n) { return RaiseByNode(*this, n, x, y, h); };
    auto foot = [&](const float* n, int, float) { return RaiseByNode(*this, n, x, y, h); };
    return AngleSweep(*this, flags, x, y, node, foot);
}
