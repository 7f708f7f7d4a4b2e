#include "geometry/shapes2d/GePoint.h"

#include "platform/core/Archive.h"

IMPLEMENT_SERIAL(CGePoint, CObject, 3 | VERSIONABLE_SCHEMA)

CGePoint::CGePoint() = default;

CGePoint::CGePoint(const double* p) : x(p[0]), y(p[1]) {}

CGePoint::~CGePoint() = default;

void CGePoint::Serialize(CArchive& ar)
{
    CGeCurve::Serialize(ar);
    if (ar.IsStoring()) {
        ar << x << y;
        return;
    }
    // Records of schema 2 hold no coordinates: the point stays at (0, 0).
    if (ar.GetObjectSchema() >= 3) ar >> x >> y;
}

int CGePoint::GetType() const { return 0x1; }

int CGePoint::GetGCPoint(unsigned char, double* p, unsigned)
{
    p[0] = x;
    p[1] = y;
    return 1;
}
