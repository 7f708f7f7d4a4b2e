#include "geometry/shapes2d/GeOffsetCrv.h"
#include "geometry/shapes2d/GeometryChange.h"

#include "framework/numerak/Point2D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/GeometryConst.h"

#include <cmath>

namespace {

// Curvature reported for a vanishing first derivative.
constexpr double kInfiniteCurvature = 1e12;
// The centre of curvature lies on the offset side when the two unit vectors agree within this.
constexpr double kSameSideTol = 0.0001;

// Unit left normal of d; false (n untouched) for a vanishing derivative.
bool LeftNormal(const double* d, double* n)
{
    double v[2] = {-d[1], d[0]};
    if (!V2D_Unit(v, gecon::kDegenerateTol)) return false;
    n[0] = v[0];
    n[1] = v[1];
    return true;
}

}  // namespace

double geCurvature2d(const double* d1, const double* d2)
{
    const double cross = std::fabs(d1[0] * d2[1] - d1[1] * d2[0]);
    const double len = std::hypot(d1[0], d1[1]);
    const double den = len * len * len;
    // Written as a product so that no threshold in absolute units is needed:
    // a derivative of any size is degenerate only when the quotient would blow up.
    if (!(den > 0.0) || !std::isfinite(den) || cross >= den * kInfiniteCurvature) return kInfiniteCurvature;
    return cross / den;
}

CGeOffsetCrv::CGeOffsetCrv() = default;

CGeOffsetCrv::~CGeOffsetCrv() { m_pBase = nullptr; }

int CGeOffsetCrv::GetType() const { return 0x200; }

int CGeOffsetCrv::Create(CGeCurve* base, double d)
{
    geNoteGeometryChange();
    if (!base) return 0;
    m_pBase = base;
    m_dDist = d;
    m_nReserved = 0;
    m_box.InitEmpty();
    return 1;
}

void CGeOffsetCrv::CalcBox()
{
    if (!m_pBase) return;
    BOX2<double> b;
    m_pBase->GetBox2d(&b);
    if (!b.IsValid()) return;
    b.Inflate(std::fabs(m_dDist));
    m_box = b;
}

void CGeOffsetCrv::CalcBox2d() { CalcBox(); }

void CGeOffsetCrv::GetBox2d(BOX2<double>* out)
{
    if (m_box.xmax < m_box.xmin) CalcBox();
    if (out) *out = m_box;
}

int CGeOffsetCrv::GetSegmentCount() { return m_pBase ? m_pBase->GetSegmentCount() : 1; }

void CGeOffsetCrv::EvPos(double t, double* p, unsigned seg)
{
    if (!m_pBase) return;
    double d[2] = {0.0, 0.0};
    m_pBase->Ev1Der(t, p, d, seg);
    double n[2];
    if (!LeftNormal(d, n)) return;  // no direction to move along
    p[0] += m_dDist * n[0];
    p[1] += m_dDist * n[1];
}

void CGeOffsetCrv::GetPointAt(double t, double* p, unsigned seg) { EvPos(t, p, seg); }

void CGeOffsetCrv::Ev1Der(double t, double* p, double* d1, unsigned seg)
{
    double d2[2];
    Ev2Der(t, p, d1, d2, seg);
}

void CGeOffsetCrv::Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg)
{
    if (!m_pBase) return;
    d2[0] = d2[1] = 0.0;
    m_pBase->Ev2Der(t, p, d1, d2, seg);
    double n[2];
    if (!LeftNormal(d1, n)) return;
    p[0] += m_dDist * n[0];
    p[1] += m_dDist * n[1];

    // Unit vector towards the centre of curvature.
    double c[2] = {0.0, 0.0};
    V2D_XProduct(d1, d2, d1, c);
    V2D_Unit(c, gecon::kDegenerateTol);
    double kappa = geCurvature2d(d1, d2);
    if (std::hypot(c[0] - n[0], c[1] - n[1]) < kSameSideTol) kappa = -kappa;
    const double f = m_dDist * kappa + 1.0;
    d1[0] *= f;
    d1[1] *= f;
}

void CGeOffsetCrv::GetTanVecAt(double t, double* v, unsigned seg)
{
    if (!m_pBase) return;
    double p[2];
    Ev1Der(t, p, v, seg);
}

int CGeOffsetCrv::IsClosed(double tol)
{
    if (!m_pBase) return 0;
    const int n = GetSegmentCount();
    double s[2] = {0.0, 0.0}, e[2] = {0.0, 0.0};
    EvPos(0.0, s, 1);
    EvPos(1.0, e, static_cast<unsigned>(n < 1 ? 1 : n));
    return P2D_Dist(s, e) < tol ? 1 : 0;
}
