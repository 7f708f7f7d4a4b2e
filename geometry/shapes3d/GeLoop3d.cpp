#include "geometry/shapes3d/GeLoop3d.h"

#include "framework/numerak/Box2D.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes3d/Shapes3dConst.h"

#include <cmath>

namespace {

// Area of a loop that cannot have one.
constexpr double kNoArea = 1e12;
// Box containment margin of IsContainLoop.
constexpr double kContainBoxTol = 1e-12;

constexpr int kInside = 0;
constexpr int kOutside = 1;
constexpr int kOnBoundary = 2;

// XY box of a point string's points (measured, as the string's own box may be stale).
BOX2<double> Box2d(const CStrP3D& str)
{
    BOX2<double> b;
    b.InitEmpty();
    for (int i = 0; i < str.m_nCount; ++i) b.Extend(str.m_pPoints[i]);
    return b;
}

// Crossing-number test of (px, py) against the closed polygon of the string.
int PointInPolygon(const CStrP3D& str, double px, double py, double tol)
{
    const int n = str.m_nCount;
    const auto* v = str.m_pPoints;
    int crossings = 0;
    for (int i = 0; i < n; ++i) {
        const double x1 = v[i][0], y1 = v[i][1];
        const double x2 = v[(i + 1) % n][0], y2 = v[(i + 1) % n][1];
        if ((y1 - py > tol && py - y2 > tol) || (y2 - py > tol && py - y1 > tol)) {
            const double g = x1 + (py - y1) * (x2 - x1) / (y2 - y1) - px;
            if (g > tol)
                ++crossings;
            else if (std::fabs(g) < tol)
                return kOnBoundary;
        } else if (std::fabs(y2 - py) < tol) {
            // The edge's end lies on the horizontal line through the point.
            if (std::fabs(y1 - py) < tol &&
                ((x2 - px > -tol && px - x1 > -tol) || (x1 - px > -tol && px - x2 > -tol)))
                return kOnBoundary;
            if (std::fabs(x2 - px) < tol) return kOnBoundary;
            if (x2 - px > tol && y1 - py > tol) ++crossings;
        } else if (std::fabs(y1 - py) < tol) {
            if (std::fabs(x1 - px) < tol) return kOnBoundary;
            if (x1 - px > tol && y2 - py > tol) ++crossings;
        }
    }
    return crossings % 2 == 1 ? kInside : kOutside;
}

}  // namespace

CGeLoop3d::CGeLoop3d() : m_dArea(0.0) {}

CGeLoop3d::~CGeLoop3d()
{
    while (!m_listCurve.IsEmpty()) delete m_listCurve.RemoveHead();
}

int CGeLoop3d::GetType() const { return ge3con::kTypeLoop3d; }

CGeShape3d* CGeLoop3d::Copy()
{
    auto* copy = new CGeLoop3d;
    for (CGeCurve3d* member : m_listCurve) {
        if (!member) continue;
        if (auto* c = dynamic_cast<CGeCurve3d*>(member->Copy())) copy->m_listCurve.AddTail(c);
    }
    return copy;
}

void CGeLoop3d::Reverse()
{
    m_dArea = -m_dArea;
    m_strDisp.Reverse();
    CGeCombCurve3d::Reverse();
}

double CGeLoop3d::EvTotalArcLength() { return CGeCombCurve3d::EvTotalArcLength(); }

double CGeLoop3d::EvTotalArcLength2D() { return CGeCombCurve3d::EvTotalArcLength2D(); }

int CGeLoop3d::IsLoop3d(double tol)
{
    if (m_listCurve.IsEmpty()) return 0;
    return geIsLoopCurve3d(&m_listCurve, tol);
}

int CGeLoop3d::IsPtInLoop(double* point, double tol)
{
    if (!HasPoints()) Discrete(tol, m_strDisp);
    if (!HasPoints()) return kOutside;
    const BOX2<double> box = Box2d(m_strDisp);
    if (!BOX2D_IsPtIn(&box, point, tol)) return kOutside;
    return PointInPolygon(m_strDisp, point[0], point[1], tol);
}

bool CGeLoop3d::IsContainLoop(CGeLoop3d* other, double tol)
{
    if (!other) return false;
    if (!HasPoints()) Discrete(tol, m_strDisp);
    if (!other->HasPoints()) other->Discrete(tol, other->m_strDisp);
    if (!HasPoints() || !other->HasPoints()) return false;
    const BOX2<double> outer = Box2d(m_strDisp), inner = Box2d(other->m_strDisp);
    if (!BOX2D_IsContain(&outer, &inner, kContainBoxTol)) return false;
    if (IsPtInLoop(other->m_strDisp.m_pPoints[0], tol) == kOutside) return false;
    const int n = other->m_strDisp.m_nCount;
    return IsPtInLoop(other->m_strDisp.m_pPoints[2 * n / 3], tol) != kOutside;
}

double CGeLoop3d::EvArea(double tol)
{
    if (m_listCurve.IsEmpty()) return kNoArea;
    m_dArea = kNoArea;
    if (!HasPoints()) Discrete(tol, m_strDisp);
    if (HasPoints()) m_dArea = m_strDisp.EvArea();
    return m_dArea;
}

void CGeLoop3d::AddTail(CGeCurve3d* curve)
{
    if (curve) m_listCurve.AddTail(curve);
}

void CGeLoop3d::AddHead(CGeCurve3d* curve)
{
    if (curve) m_listCurve.AddHead(curve);
}
