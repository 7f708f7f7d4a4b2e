#include "geometry/relief/RlfFlatShape.h"

#include "geometry/relief/RlfSweep.h"

void CRlfFlatShape::SetParam(float h) { CRlfShape::SetParam(0.0f, h, 0, 0.0f, 1.0f); }

void CRlfFlatShape::SetCAxis(float* p, float* q)
{
    CRlfShape::SetCAxis(p, q);
    topHeight = height;
}

float CRlfFlatShape::CalcHScale(float) const { return 1.0f; }

int CRlfFlatShape::CalcHeight(const float* node, float x, float y, float& h) const
{
    if (height == 0.0f || !(h < height)) return 0;
    const float ex = x - node[0], ey = y - node[1];
    if (ex * ex + ey * ey > node[2] * node[2]) return 0;
    h = height;
    return 1;
}

int CRlfFlatShape::CalcHeight(int flags, float x, float y, float& h) const
{
    if (height == 0.0f || topHeight <= h) return 0;
    int res = 0;
    if ((flags & 4) && !(axisFlags & 1)) {
        float t[2], node[4];
        int k[2];
        const int n = rlf::TangentFeet(*this, x, y, 1.0f, t, k);
        for (int i = 0; i < n; ++i) {
            rlf::AxisNode(*this, t[i], 1.0f, node);
            if (CalcHeight(node, x, y, h)) res |= 4;
        }
    }
    return res | rlf::EndDiscs(*this, flags, [&](const float* nd) { return CalcHeight(nd, x, y, h); });
}

CRlfShape* CRlfFlatShape::CloneProfile() const { return new CRlfFlatShape(*this); }
