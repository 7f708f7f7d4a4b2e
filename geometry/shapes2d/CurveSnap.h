// Snapping conventions shared by the analytic curves (line, arc, circle,
// ellipse): the axis test and the common entry checks of GetSnapPos.
#pragma once

#include "framework/looker/Looker.h"
#include "framework/looker/SnapRecords.h"

#include <cmath>

namespace curvesnap {

// A request without a context or a view object snaps nothing.
inline bool CanSnap(const CSnapAt* snap) { return snap && snap->m_pBase && snap->m_pLooker; }

// The base point of perpendicular and tangent snaps, or null.
inline const double* BasePoint(const CSnapAt* snap)
{
    return snap->m_pBase && snap->m_pBase->m_bHasBase ? snap->m_pBase->m_ptBase : nullptr;
}

// With the axis flag: the point is visible and its x or its y lies within the
// aperture of the cursor's.
inline bool PassesAxisTest(const CSnapAt* snap, const double* p)
{
    if (!snap->m_bAlign || !snap->m_pLooker->IsPtInView(p, 2)) return false;
    return std::fabs(p[0] - snap->m_ptCursor[0]) <= snap->m_dAperture ||
           std::fabs(p[1] - snap->m_ptCursor[1]) <= snap->m_dAperture;
}

inline bool IsSnapPoint(const CSnapAt* snap, const double* p) { return snap->IsSnapPoint(p, 2) != 0; }

inline Position At(const double* p) { return Position(p[0], p[1], 0.0); }

}  // namespace curvesnap
