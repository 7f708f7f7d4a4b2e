#include "framework/looker/Tool.h"

#include "platform/core/Archive.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Edges shorter than this in XY are vertical: their contact is that of the higher end.
constexpr double kVerticalEdgeXY = 1e-12;
// Width of the final bracket of the edge maximum, relative to 1 + reach; the height
// error near a smooth maximum is quadratic in it.
constexpr double kEdgeMaxBracket = 1e-11;
constexpr double kDegree = std::numbers::pi / 180;

// x within [lo, hi]; NaN gives `fallback`.
double ClampOr(double x, double lo, double hi, double fallback) {
  if (std::isnan(x)) return fallback;
  return std::clamp(x, lo, hi);
}

// sqrt(r^2 - x^2) with the difference taken as a product, so that it stays accurate
// near the rim; 0 when |x| >= r.
double ChordHalf(double r, double x) {
  x = std::fabs(x);
  return x < r ? std::sqrt((r - x) * (r + x)) : 0.0;
}

// The part of segment a-b (XY length len > kVerticalEdgeXY, direction (ex, ey) / len) within XY distance
// `reach` of (px, py), as arc lengths u0 <= u1 along the segment's XY projection; up is
// the foot of the perpendicular and dperp its distance.
struct EdgeReach {
  double len, up, dperp, u0, u1;
};

bool FindEdgeReach(const double a[3], const double b[3], double px, double py, double reach, EdgeReach& r) {
  const double ex = b[0] - a[0], ey = b[1] - a[1];
  r.len = std::hypot(ex, ey);
  if (!(r.len > kVerticalEdgeXY)) return false;
  const double wx = px - a[0], wy = py - a[1];
  r.up = (wx * ex + wy * ey) / r.len;
  r.dperp = std::fabs(wx * ey - wy * ex) / r.len;
  if (!(r.dperp <= reach)) return false;
  const double w = ChordHalf(reach, r.dperp);
  r.u0 = std::max(0.0, r.up - w);
  r.u1 = std::min(r.len, r.up + w);
  return r.u0 <= r.u1;
}

double VertexHeight(const ToolShape& shape, const double v[3], double px, double py) {
  const double d = std::hypot(v[0] - px, v[1] - py);
  if (!(d <= shape.reach)) return kNoHeight;
  const double z = v[2] - shape.Height(d);
  return std::isfinite(z) ? z : kNoHeight;
}

// Maximum of a concave function over [lo, hi] by golden-section search; the ends
// are candidates too, so a maximum at an end is found exactly.
template <class F>
double ConcaveMax(const F& f, double lo, double hi, double tol, double* best) {
  double bestU = lo, bestF = f(lo);
  const double fHi = f(hi);
  if (fHi > bestF) bestU = hi, bestF = fHi;
  constexpr double g = 0.38196601125010515;  // (3 - sqrt 5) / 2
  double x1 = lo + g * (hi - lo), x2 = hi - g * (hi - lo);
  double f1 = f(x1), f2 = f(x2);
  for (int i = 0; i < 200 && hi - lo > tol; ++i) {
    if (f1 < f2) {
      lo = x1, x1 = x2, f1 = f2;
      x2 = hi - g * (hi - lo);
      f2 = f(x2);
    } else {
      hi = x2, x2 = x1, f2 = f1;
      x1 = lo + g * (hi - lo);
      f1 = f(x1);
    }
  }
  if (f1 > bestF) bestU = x1, bestF = f1;
  if (f2 > bestF) bestU = x2, bestF = f2;
  *best = bestU;
  return bestF;
}

}  // namespace

// ---------------------------------------------------------------------------
// ToolShape

double ToolShape::Height(double d) const {
  if (!(d > 0)) d = 0;
  if (d > reach) d = reach;
  switch (kind) {
    case Flat:
      return 0;
    case Ball:
      return roundRad - ChordHalf(roundRad, d);
    case Bull:
      return d <= flatRad ? 0.0 : roundRad - ChordHalf(roundRad, d - flatRad);
    case Cone:
      return d * cotHalf;
    case TaperBall:
      return d <= tangentRad ? roundRad - ChordHalf(roundRad, d) : tangentH + (d - tangentRad) * cotHalf;
  }
  return 0;
}

double ToolShape::RadiusAt(double h) const {
  if (!(h >= 0)) return 0;
  double d = reach;
  switch (kind) {
    case Flat:
      break;
    case Ball:
      if (h < roundRad) d = std::sqrt(h * (2 * roundRad - h));
      break;
    case Bull:
      if (h < roundRad) d = flatRad + std::sqrt(h * (2 * roundRad - h));
      break;
    case Cone:
      d = h * tanHalf;
      break;
    case TaperBall:
      d = h <= tangentH ? std::sqrt(h * (2 * roundRad - h)) : tangentRad + (h - tangentH) * tanHalf;
      break;
  }
  return std::min(d, reach);
}

double ToolShape::PlaneContactRadius(double nxy, double nz) const {
  // The contact lies where the profile's slope h' equals the plane's slope nxy / nz;
  // a plane steeper than the profile anywhere (nz <= 0 included) meets the rim.
  if (!(nz > 0)) return reach;
  double d = reach;
  switch (kind) {
    case Flat:
      if (nxy == 0) d = 0;
      break;
    case Ball:
      d = roundRad * nxy;
      break;
    case Bull:
      d = nxy == 0 ? 0.0 : flatRad + roundRad * nxy;
      break;
    case Cone:
      if (nxy * tanHalf <= nz) d = 0;
      break;
    case TaperBall:
      if (nxy * tanHalf <= nz) d = roundRad * nxy;
      break;
  }
  return std::min(d, reach);
}

double ToolShape::EdgeMax(double za, double m, double dperp, double up, double u0, double u1,
                          double* uBest) const {
  const auto f = [&](double u) {
    const double du = u - up;
    return za + m * u - Height(std::sqrt(dperp * dperp + du * du));
  };
  double u = u0;
  switch (kind) {
    case Flat:
      u = m > 0 ? u1 : u0;
      break;
    case Ball:
      // Circle of the ball in the edge's vertical plane, radius s, tangent to the line.
      u = up + m * ChordHalf(roundRad, dperp) / std::hypot(1.0, m);
      break;
    case Cone: {
      // f' = m - cot * du / d vanishes at du / d = m / cot.
      const double r = m / cotHalf, q = 1 - r * r;
      if (q > 0)
        u = up + dperp * r / std::sqrt(q);
      else
        u = m > 0 ? u1 : u0;
      break;
    }
    case Bull:
    case TaperBall:
      return ConcaveMax(f, u0, u1, kEdgeMaxBracket * (1 + reach), uBest);
  }
  u = std::clamp(u, u0, u1);
  *uBest = u;
  return f(u);
}

// ---------------------------------------------------------------------------
// CTool

IMPLEMENT_DYNAMIC(CTool, CObject)

void CTool::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (ar.IsStoring())
    ar << m_dDia;
  else
    ar >> m_dDia;
  SerializeParams(ar);
  if (ar.IsLoading()) SetAidParam();
}

void CTool::SerializeParams(CArchive&) {}

void CTool::AssertValid() const { CObject::AssertValid(); }

void CTool::Dump(CDumpContext& dc) const { CObject::Dump(dc); }

BOOL CTool::IsSame(const CTool* other) const {
  return other != nullptr && other->Type() == Type() && other->m_dDia == m_dDia && SameParams(*other);
}

bool CTool::SameParams(const CTool&) const { return true; }

double CTool::GetRadInHeight(double rad) const { return m_shape.Height(rad); }

float CTool::GetRadiusComp(double h, double) const { return static_cast<float>(m_shape.RadiusAt(h)); }

void CTool::SetAidParam() {
  m_shape = ToolShape{};
  m_shape.reach = std::isfinite(m_dDia) && m_dDia > 0 ? m_dDia / 2 : 0.0;
  BuildShape(m_shape);
}

int CTool::GetToolParam(double param[4]) const {
  param[0] = m_dDia;
  param[1] = GetTipRad();
  param[2] = 0;
  param[3] = 0;
  return Type();
}

void CTool::Calc_Point_ChkBox(const double p[3], double box[6]) const {
  const double r = m_shape.reach;
  box[0] = p[0] - r, box[1] = p[1] - r, box[2] = p[2];
  box[3] = p[0] + r, box[4] = p[1] + r, box[5] = p[2] + m_shape.Height(r);
}

void CTool::Calc_Line_ChkBox(const double a[3], const double b[3], double box[6]) const {
  double other[6];
  Calc_Point_ChkBox(a, box);
  Calc_Point_ChkBox(b, other);
  for (int i = 0; i < 3; ++i) {
    box[i] = std::min(box[i], other[i]);
    box[i + 3] = std::max(box[i + 3], other[i + 3]);
  }
}

int CTool::Eval_Line_Param(const double a[3], const double b[3], const double p[3], double t[2]) const {
  EdgeReach r;
  if (!FindEdgeReach(a, b, p[0], p[1], m_shape.reach, r)) {
    // A vertical edge lies wholly in reach or not at all.
    if (r.len > kVerticalEdgeXY || !(std::hypot(a[0] - p[0], a[1] - p[1]) <= m_shape.reach)) return 0;
    t[0] = 0, t[1] = 1;
    return 1;
  }
  t[0] = r.u0 / r.len;
  t[1] = r.u1 / r.len;
  return 1;
}

void CTool::Eval_EnvelopPoint(const double n[3], const double cl[3], double cc[3]) const {
  double off[3];
  Eval_FacetCC_OffVec(n, off);
  for (int i = 0; i < 3; ++i) cc[i] = cl[i] - off[i];
}

int CTool::Eval_FacetCC_OffVec(const double n[3], double off[3]) const {
  off[0] = off[1] = off[2] = 0;
  const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(len > 0) || !std::isfinite(len)) return 1;
  const double nx = n[0] / len, ny = n[1] / len, nz = n[2] / len;
  const double nxy = std::hypot(nx, ny);
  const double d = m_shape.PlaneContactRadius(nxy, nz);
  // The contact lies uphill of the axis, against the plane's horizontal normal.
  if (nxy > 0) {
    off[0] = d * nx / nxy;
    off[1] = d * ny / nxy;
  }
  off[2] = -m_shape.Height(d);
  return 1;
}

double CTool::Zval_EdgeCC(const double a[3], const double b[3], double px, double py, double* t,
                          double cc[3]) const {
  double tc = 0, z = kNoHeight;
  EdgeReach r;
  const bool inReach = FindEdgeReach(a, b, px, py, m_shape.reach, r);
  if (std::isnan(r.len)) return kNoHeight;
  if (!(r.len > kVerticalEdgeXY)) {
    // Vertical or zero-length: the higher end touches first.
    tc = a[2] >= b[2] ? 0.0 : 1.0;
    z = VertexHeight(m_shape, tc == 0 ? a : b, px, py);
  } else if (inReach) {
    double u;
    z = m_shape.EdgeMax(a[2], (b[2] - a[2]) / r.len, r.dperp, r.up, r.u0, r.u1, &u);
    tc = u / r.len;
    if (!std::isfinite(z)) z = kNoHeight;
  }
  if (z == kNoHeight) return kNoHeight;
  if (t) *t = tc;
  if (cc) {
    for (int i = 0; i < 3; ++i) cc[i] = tc >= 1 ? b[i] : a[i] + tc * (b[i] - a[i]);
  }
  return z;
}

double CTool::Zval_EdgeCC(const double a[3], const double b[3], const double p[3]) const {
  return Zval_EdgeCC(a, b, p[0], p[1], nullptr, nullptr);
}

double CTool::Zval_VertCC(const double v[3], const double p[3]) const {
  return VertexHeight(m_shape, v, p[0], p[1]);
}

double CTool::IntervalDist(double s) const { return m_dDia * ClampOr(s, 1, 100, 1) / 100; }

// ---------------------------------------------------------------------------
// Kinds

IMPLEMENT_SERIAL(CTBall, CTool, 1)

CTBall::CTBall(double dia) : CTool(dia) { CTBall::SetAidParam(); }

CTool* CTBall::Copy() const { return new CTBall(m_dDia); }

void CTBall::SetAidParam() {
  CTool::SetAidParam();
  m_R = static_cast<float>(m_shape.roundRad);
  m_R2 = m_R * m_R;
}

void CTBall::BuildShape(ToolShape& shape) const {
  shape.kind = ToolShape::Ball;
  shape.roundRad = shape.reach;
}

IMPLEMENT_SERIAL(CTCylindrical, CTool, 1)

CTCylindrical::CTCylindrical(double dia) : CTool(dia) { CTool::SetAidParam(); }

CTool* CTCylindrical::Copy() const { return new CTCylindrical(m_dDia); }

void CTCylindrical::BuildShape(ToolShape& shape) const { shape.kind = ToolShape::Flat; }

IMPLEMENT_SERIAL(CTDrill, CTCylindrical, 1)

CTDrill::CTDrill(double dia) : CTCylindrical(dia) {}

CTool* CTDrill::Copy() const { return new CTDrill(m_dDia); }

IMPLEMENT_SERIAL(CTConnic, CTool, 1)

CTConnic::CTConnic(double dia, double halfAngle) : CTool(dia), m_dHalfAngle(halfAngle) { CTool::SetAidParam(); }

CTool* CTConnic::Copy() const { return new CTConnic(m_dDia, m_dHalfAngle); }

int CTConnic::GetToolParam(double param[4]) const {
  CTool::GetToolParam(param);
  param[2] = m_dHalfAngle;
  return Type();
}

void CTConnic::BuildShape(ToolShape& shape) const {
  const double a = ClampOr(m_dHalfAngle, 0.01, 90, 45) * kDegree;
  shape.kind = ToolShape::Cone;
  shape.cotHalf = std::cos(a) / std::sin(a);
  shape.tanHalf = std::sin(a) / std::cos(a);
}

bool CTConnic::SameParams(const CTool& other) const {
  return static_cast<const CTConnic&>(other).m_dHalfAngle == m_dHalfAngle;
}

void CTConnic::SerializeParams(CArchive& ar) {
  if (ar.IsStoring())
    ar << m_dHalfAngle;
  else
    ar >> m_dHalfAngle;
}

IMPLEMENT_SERIAL(CTBull, CTool, 1)

CTBull::CTBull(double dia, double cornerRad) : CTool(dia), m_dCornerRad(cornerRad) { CTool::SetAidParam(); }

CTool* CTBull::Copy() const { return new CTBull(m_dDia, m_dCornerRad); }

void CTBull::BuildShape(ToolShape& shape) const {
  shape.kind = ToolShape::Bull;
  shape.roundRad = ClampOr(m_dCornerRad, 0, shape.reach, 0);
  shape.flatRad = shape.reach - shape.roundRad;
}

bool CTBull::SameParams(const CTool& other) const {
  return static_cast<const CTBull&>(other).m_dCornerRad == m_dCornerRad;
}

void CTBull::SerializeParams(CArchive& ar) {
  if (ar.IsStoring())
    ar << m_dCornerRad;
  else
    ar >> m_dCornerRad;
}

IMPLEMENT_SERIAL(CTTaperBall, CTool, 1)

CTTaperBall::CTTaperBall(double dia, double tipRad, double halfAngle)
    : CTool(dia), m_dTipRad(tipRad), m_dHalfAngle(halfAngle) {
  CTool::SetAidParam();
}

CTool* CTTaperBall::Copy() const {
  auto* tool = new CTTaperBall(m_dDia, m_dTipRad, m_dHalfAngle);
  tool->SetCutDepth(m_dCutDepth);
  return tool;
}

int CTTaperBall::GetToolParam(double param[4]) const {
  CTool::GetToolParam(param);
  param[2] = m_dHalfAngle;
  param[3] = m_dCutDepth;
  return Type();
}

void CTTaperBall::SetCutDepth(double depth) {
  m_dCutDepth = depth;
  SetAidParam();
}

void CTTaperBall::BuildShape(ToolShape& shape) const {
  const double a = ClampOr(m_dHalfAngle, 0.01, 89.99, 5) * kDegree;
  shape.kind = ToolShape::TaperBall;
  shape.roundRad = std::isfinite(m_dTipRad) && m_dTipRad > 0 ? m_dTipRad : 0.0;
  shape.cotHalf = std::cos(a) / std::sin(a);
  shape.tanHalf = std::sin(a) / std::cos(a);
  // The ball's normal at the tangent point is the cone's side normal (cos a, -sin a).
  shape.tangentRad = shape.roundRad * std::cos(a);
  shape.tangentH = shape.roundRad * (1 - std::sin(a));
  if (std::isfinite(m_dCutDepth) && m_dCutDepth > 0) shape.reach = shape.RadiusAt(m_dCutDepth);
}

bool CTTaperBall::SameParams(const CTool& other) const {
  const auto& o = static_cast<const CTTaperBall&>(other);
  return o.m_dTipRad == m_dTipRad && o.m_dHalfAngle == m_dHalfAngle && o.m_dCutDepth == m_dCutDepth;
}

void CTTaperBall::SerializeParams(CArchive& ar) {
  if (ar.IsStoring())
    ar << m_dTipRad << m_dHalfAngle << m_dCutDepth;
  else
    ar >> m_dTipRad >> m_dHalfAngle >> m_dCutDepth;
}
