#include "geometry/shapes2d/GeOffsetCrv.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeHit.h"
#include "platform/core/Archive.h"

CGeOffsetCrv::CGeOffsetCrv() = default;

CGeOffsetCrv::~CGeOffsetCrv() { m_pBase = nullptr; }

int CGeOffsetCrv::GetType() const { return 0x200; }

// Behaviour not built yet falls back to the curve base (generic, on the display polyline).
void CGeOffsetCrv::GetBox2d(BOX2<double>* out) { CGeCurve::GetBox2d(out); }
int CGeOffsetCrv::GetSegmentCount() { return CGeCurve::GetSegmentCount(); }
void CGeOffsetCrv::GetPointAt(double t, double* p, unsigned seg) { CGeCurve::GetPointAt(t, p, seg); }
void CGeOffsetCrv::GetTanVecAt(double t, double* v, unsigned seg) { CGeCurve::GetTanVecAt(t, v, seg); }
void CGeOffsetCrv::EvPos(double t, double* p, unsigned seg) { CGeCurve::EvPos(t, p, seg); }
void CGeOffsetCrv::Ev1Der(double t, double* p, double* d1, unsigned seg) { CGeCurve::Ev1Der(t, p, d1, seg); }
void CGeOffsetCrv::Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg) { CGeCurve::Ev2Der(t, p, d1, d2, seg); }
int CGeOffsetCrv::IsClosed(double tol) { return CGeCurve::IsClosed(tol); }
