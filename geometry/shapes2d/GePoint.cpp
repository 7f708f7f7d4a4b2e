#include "geometry/shapes2d/GePoint.h"
#include "geometry/shapes2d/GeometryChange.h"

#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Point2D.h"
#include "platform/core/Archive.h"

#include <cmath>

IMPLEMENT_SERIAL(CGePoint, CObject, 3 | VERSIONABLE_SCHEMA)

namespace {

// The first schema that stores the coordinates.
constexpr UINT kSchemaWithCoordinates = 3;

}  // namespace

CGePoint::CGePoint() = default;

CGePoint::CGePoint(const double* p) : x(p[0]), y(p[1]) {}

CGePoint::~CGePoint() = default;

void CGePoint::Serialize(CArchive& ar)
{
    geNoteGeometryChange();
    if (ar.IsStoring()) {
        CGeCurve::Serialize(ar);
        ar << x << y;
        return;
    }
    // Ask for the schema before the base parts are read: it is handed out once.
    const UINT schema = ar.GetObjectSchema();
    CGeCurve::Serialize(ar);
    if (schema >= kSchemaWithCoordinates) ar >> x >> y;
    CalcBox2d();
}

int CGePoint::GetType() const { return 0x1; }

CGeCurve* CGePoint::Copy()
{
    auto* point = new CGePoint;
    point->x = x;
    point->y = y;
    point->m_bClosed = m_bClosed;
    point->PastetHandle(this);
    point->CalcBox2d();
    return point;
}

void CGePoint::CalcBox2d()
{
    const double p[2] = {x, y};
    m_box.Init(p, p);
}

void CGePoint::GetBox2d(BOX2<double>* out)
{
    CalcBox2d();
    if (out) *out = m_box;
}

void CGePoint::Translate(double* offset)
{
    geNoteGeometryChange();
    x += offset[0];
    y += offset[1];
    CalcBox2d();
}

void CGePoint::Rotate(double* centre, double angle)
{
    geNoteGeometryChange();
    double p[2] = {x, y};
    P2D_Rot(centre, std::cos(angle), std::sin(angle), p, p);
    x = p[0];
    y = p[1];
    CalcBox2d();
}

void CGePoint::Mirror(double* a, double* b)
{
    geNoteGeometryChange();
    double p[2] = {x, y};
    P2D_Mirr(a, b, p, p);
    x = p[0];
    y = p[1];
    CalcBox2d();
}

CGeCurve* CGePoint::Scale(double* centre, double* factors)
{
    geNoteGeometryChange();
    x = centre[0] + (x - centre[0]) * factors[0];
    y = centre[1] + (y - centre[1]) * factors[1];
    CalcBox2d();
    return this;
}

CGeCurve* CGePoint::Shear(double* base, double* factors)
{
    geNoteGeometryChange();
    double p[2] = {x, y};
    P2D_Shear(base, p, factors, p);
    x = p[0];
    y = p[1];
    CalcBox2d();
    return this;
}

CGeCurve* CGePoint::Transform(double m[3][3], unsigned)
{
    geNoteGeometryChange();
    double p[2] = {x, y};
    MAT33_MultPt(p, p, m);
    x = p[0];
    y = p[1];
    CalcBox2d();
    return this;
}

void CGePoint::GetStartPoint(double* p)
{
    p[0] = x;
    p[1] = y;
}

void CGePoint::GetEndPoint(double* p)
{
    p[0] = x;
    p[1] = y;
}

int CGePoint::GetGCPoint(unsigned char, double* p, unsigned)
{
    p[0] = x;
    p[1] = y;
    return 1;
}
