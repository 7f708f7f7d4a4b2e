#include "geometry/shapes2d/GeLoop.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeHit.h"
#include "platform/core/Archive.h"

IMPLEMENT_SERIAL(CGeLoop, CGeCombCurve, 2 | VERSIONABLE_SCHEMA)

CGeLoop::CGeLoop() = default;

CGeLoop::~CGeLoop() { Clear(); }

int CGeLoop::GetType() const { return 0x100; }

void CGeLoop::Clear()
{
    DeleteOwnedList(m_curveList);
}

void CGeLoop::Serialize(CArchive& ar)
{
    CGeCombCurve::Serialize(ar);
    if (ar.IsStoring())
        ar << m_nFlags;
    else
        ar >> m_nFlags;
}

// Behaviour not built yet falls back to the curve base (generic, on the display polyline).
CGeCurve* CGeLoop::Copy() { return CGeCombCurve::Copy(); }
void CGeLoop::Discrete(double tol, double ang) { CGeCombCurve::Discrete(tol, ang); }
void CGeLoop::Discrete(double tol) { CGeCombCurve::Discrete(tol); }
void CGeLoop::Reverse() { CGeCombCurve::Reverse(); }
