#include "geometry/shapes2d/GeHit.h"

#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeometryConst.h"

CFeatureVector* CGeHit::IsHitLine() const
{
    if (!m_pCurve) return nullptr;
    double from[2], to[2];
    switch (m_pCurve->GetType()) {
    case 0x2:
        m_pCurve->GetStartPoint(from);
        m_pCurve->GetEndPoint(to);
        break;
    case 0x40: {
        const int k = m_nSegment;
        if (k < 1 || k >= m_pCurve->GetSWPointCount()) return nullptr;
        const double(*pts)[2] = m_pCurve->GetSWPoint();
        from[0] = pts[k - 1][0];
        from[1] = pts[k - 1][1];
        to[0] = pts[k][0];
        to[1] = pts[k][1];
        break;
    }
    case 0x80: {
        CGeCurve* member = static_cast<CGeCombCurve*>(m_pCurve)->GetSubCurve(m_nSegment);
        if (!member || member->GetType() != 0x2) return nullptr;
        member->GetStartPoint(from);
        member->GetEndPoint(to);
        break;
    }
    default:
        return nullptr;
    }
    double dir[2];
    if (!V2D_GenUnit(from, to, gecon::kDegenerateTol, dir)) return nullptr;
    return new CFeatureVector(m_pt, dir);
}
