#include "geometry/relief/RlfChamferShape.h"

#include "geometry/relief/RlfConst.h"
#include "geometry/relief/RlfSweep.h"
#include "geometry/shapes2d/GePolyline.h"

#include <algorithm>
#include <cmath>

using namespace rlf;

CRlfChamferShape::CRlfChamferShape() : cross(nullptr), crossWidth(0.0f), crossHeight(0.0f) {}

CRlfChamferShape::CRlfChamferShape(const CRlfChamferShape& o)
    : CRlfShape(o), cross(nullptr), crossWidth(o.crossWidth), crossHeight(o.crossHeight)
{
    if (o.cross)
        cross = dynamic_cast<CGePolyline*>(o.cross->Copy());
}

CRlfChamferShape::~CRlfChamferShape() { delete cross; }

void CRlfChamferShape::SetParam(float h, int skeleton, float c)
{
    CRlfShape::SetParam(h, 0.0f, 0, 0.0f, c);
    maxSpan = kNoSpan;
    height = h;
    skeletonMode = skeleton;
}

void CRlfChamferShape::SetCross(CGeCurve* curve)
{
    if (!curve) return;
    delete cross;
    cross = nullptr;
    CGeCurve* poly = curve->ToPolyline(kCrossTol);
    cross = dynamic_cast<CGePolyline*>(poly);
    if (!cross) {
        delete poly;
        return;
    }
    BOX2<double> box;
    cross->GetBox2d(&box);
    crossWidth = float(std::fabs(box.xmax - box.xmin));
    crossHeight = float(std::fabs(box.ymax - box.ymin));
    double offset[2] = {-box.xmin, -box.ymin};
    cross->Translate(offset);
    double s[2], e[2];
    cross->GetStartPoint(s);
    cross->GetEndPoint(e);
    if (s[0] > e[0]) cross->Reverse();
}

void CRlfChamferShape::SetMaxSpan(float s)
{
    CRlfShape::SetMaxSpan(s);
    SetAngleSpan();
}

void CRlfChamferShape::SetCAxis(float* p, float* q)
{
    CRlfShape::SetCAxis(p, q);
    topHeight = AngleTopHeight();
}

float CRlfChamferShape::CalcHScale(float w) const { return AngleHScale(w); }

bool CRlfChamferShape::Answers() const { return cross && !(maxSpan < kChamferMinSpan); }

int CRlfChamferShape::CalcHeight(const float* node, float x, float y, float& h, float& depth) const
{
    if (!Answers()) return 0;
    const float d = PlaneDistance(x - node[0], y - node[1]);
    if (!(d <= node[2])) return 0;
    const float m = node[2] - d;
    const float u = (maxSpan <= m || m > crossWidth) ? 0.0f : crossWidth - m;
    const float hp = float(cross->GetHeight(u));
    if (!(depth < m)) return 0;
    h = hp;
    depth = m;
    return 1;
}

int CRlfChamferShape::CalcHeightEx(const float* node, const float* point, float x, float y, float& h,
                                   float& depth) const
{
    if (!Answers()) return 0;
    const float l = PlaneDistance(x - node[0], y - node[1]);
    const float m = node[2] - l;
    if (!(m >= 0.0f)) return 0;
    // The distance to the touch point is the inset only on the tangent of the point's
    // own side; the far tangent's would read the far border's inset. Neither is below
    // the inset in the disc, so the smaller is the inset wherever the point is. Deeper
    // than the span the profile is at its top, as in the node form.
    const float e = std::min(PlaneDistance(x - point[0], y - point[1]), m);
    const float u = (maxSpan <= e || e > crossWidth) ? 0.0f : crossWidth - e;
    const float hp = float(cross->GetHeight(u));
    if (!(depth < m)) return 0;
    h = hp;
    depth = m;
    return 1;
}

int CRlfChamferShape::CalcHeight(int flags, float x, float y, float& h, float& depth) const
{
    if (!Answers()) return 0;
    auto node = [&](const float* n) { return CalcHeight(n, x, y, h, depth); };
    auto foot = [&](const float* n, int k, float t) {
        if (k < 0) return CalcHeight(n, x, y, h, depth);
        const float pt[2] = {tangentPoint[k][0] + t * tangentDir[k][0],
                             tangentPoint[k][1] + t * tangentDir[k][1]};
        return CalcHeightEx(n, pt, x, y, h, depth);
    };
    return AngleSweep(*this, flags, x, y, node, foot);
}

CRlfShape* CRlfChamferShape::CloneProfile() const { return new CRlfChamferShape(*this); }
