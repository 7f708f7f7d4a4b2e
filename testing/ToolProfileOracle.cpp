#include "testing/ToolProfileOracle.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <queue>

namespace millkit {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Lower surface of the ball of radius r sitting on the tip, +inf outside it.
double BallLower(double r, double d) { return d <= r ? r - std::sqrt(r * r - d * d) : kInf; }

// XY distance from p to triangle abc (0 inside).
double TriangleDistanceXY(const Vec3& a, const Vec3& b, const Vec3& c, double px, double py) {
  const Vec3* v[3] = {&a, &b, &c};
  double best = kInf;
  int sign = 0;
  bool inside = true;
  for (int i = 0; i < 3; ++i) {
    const Vec3& s = *v[i];
    const Vec3& e = *v[(i + 1) % 3];
    const double ex = e[0] - s[0], ey = e[1] - s[1], wx = px - s[0], wy = py - s[1];
    const double cross = ex * wy - ey * wx;
    const int sg = cross > 0 ? 1 : (cross < 0 ? -1 : 0);
    if (sg != 0) {
      if (sign == 0) sign = sg;
      else if (sg != sign) inside = false;
    }
    const double len2 = ex * ex + ey * ey;
    const double t = len2 > 0 ? std::clamp((wx * ex + wy * ey) / len2, 0.0, 1.0) : 0.0;
    best = std::min(best, std::hypot(wx - t * ex, wy - t * ey));
  }
  return inside ? 0.0 : best;
}

struct Cell {
  Vec3 v[3];
  double upper;
  bool operator<(const Cell& o) const { return upper < o.upper; }
};

Vec3 Mid(const Vec3& a, const Vec3& b) { return {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2}; }

}  // namespace

double ToolProfileOracle::FullHeight(double d) const {
  const double r = dia / 2;
  d = std::clamp(d, 0.0, r);
  const double alpha = halfAngleDeg * std::numbers::pi / 180;
  switch (kind) {
    case Flat:
      return 0;
    case Ball:
      return BallLower(r, d);
    case Bull: {
      const double flat = r - corner;
      return d <= flat ? 0.0 : BallLower(corner, d - flat);
    }
    case Cone:
      return d / std::tan(alpha);
    case TaperBall: {
      // The tool is the union of the tip ball and the cone frustum above the circle
      // where the cone touches the ball; its lower surface is the lower of the two.
      const double dt = tipRad * std::cos(alpha), ht = tipRad * (1 - std::sin(alpha));
      const double frustum = d <= dt ? ht : ht + (d - dt) / std::tan(alpha);
      return std::min(BallLower(tipRad, d), frustum);
    }
  }
  return 0;
}

double ToolProfileOracle::Slope(double d) const {
  const double alpha = halfAngleDeg * std::numbers::pi / 180;
  const auto ball = [](double r, double x) { return x / std::sqrt(r * r - x * x); };
  switch (kind) {
    case Flat:
      return 0;
    case Ball:
      return ball(dia / 2, d);
    case Bull: {
      const double flat = dia / 2 - corner;
      return d <= flat ? 0.0 : ball(corner, d - flat);
    }
    case Cone:
      return 1 / std::tan(alpha);
    case TaperBall:
      return d <= tipRad * std::cos(alpha) ? ball(tipRad, d) : 1 / std::tan(alpha);
  }
  return 0;
}

double ToolProfileOracle::Reach() const {
  const double r = dia / 2;
  if (kind != TaperBall || cutDepth <= 0 || FullHeight(r) <= cutDepth) return r;
  // The profile rises monotonically: bisect for the radius at the cut depth.
  double lo = 0, hi = r;
  for (int i = 0; i < 200 && hi - lo > 1e-15 * r; ++i) {
    const double mid = (lo + hi) / 2;
    (FullHeight(mid) <= cutDepth ? lo : hi) = mid;
  }
  return lo;
}

double ToolProfileOracle::Height(double d) const { return FullHeight(std::min(d, Reach())); }

double ToolProfileOracle::PlaneDrop(double a, double b, double c, double px, double py) const {
  // Over a plane of gradient g, the drop is plane(p) + max over d <= reach of (g d - h(d)).
  const double g = std::hypot(a, b), r = Reach();
  const double alpha = halfAngleDeg * std::numbers::pi / 180;
  double lift = 0;
  switch (kind) {
    case Ball:
      lift = r * (std::sqrt(1 + g * g) - 1);
      break;
    case Flat:
      lift = r * g;
      break;
    case Bull:
      lift = (r - corner) * g + corner * (std::sqrt(1 + g * g) - 1);
      break;
    case Cone:
      lift = std::max(0.0, g * r - Height(r));
      break;
    case TaperBall: {
      // The ball term while its contact lies on the ball within reach, else the rim.
      const double contact = tipRad * g / std::sqrt(1 + g * g);
      const bool onBall = g <= 1 / std::tan(alpha) && contact <= r;
      lift = onBall ? tipRad * (std::sqrt(1 + g * g) - 1) : g * r - Height(r);
      break;
    }
  }
  return a * px + b * py + c + lift;
}

DropBounds ProfileDropBounds(const ToolProfileOracle& tool, const TriMesh& mesh, double px, double py, double tol,
                             int maxCells) {
  DropBounds out;
  const double reach = tool.Reach();
  const auto sample = [&](const Vec3& s) {
    const double d = std::hypot(s[0] - px, s[1] - py);
    if (d <= reach) out.lower = std::max(out.lower, s[2] - tool.Height(d)), out.inReach = true;
  };
  const auto bound = [&](Cell& c) {
    const double d = TriangleDistanceXY(c.v[0], c.v[1], c.v[2], px, py);
    if (!(d <= reach)) return false;
    out.inReach = true;
    c.upper = std::max({c.v[0][2], c.v[1][2], c.v[2][2]}) - tool.Height(d);
    // Tangent plane of the concave s.z - h(d) at the centre, where h is smooth.
    Vec3 m;
    for (int k = 0; k < 3; ++k) m[k] = (c.v[0][k] + c.v[1][k] + c.v[2][k]) / 3;
    const double dm = std::hypot(m[0] - px, m[1] - py);
    const double slope = dm > 1e-9 && dm < reach * (1 - 1e-9) ? tool.Slope(dm) : kInf;
    if (std::isfinite(slope)) {
      const double fm = m[2] - tool.Height(dm);
      double tangent = -kInf;
      for (const Vec3& v : c.v) {
        const double along = ((v[0] - m[0]) * (m[0] - px) + (v[1] - m[1]) * (m[1] - py)) / dm;
        tangent = std::max(tangent, fm + (v[2] - m[2]) - slope * along);
      }
      // Over the cell's part within reach the plane is also below its maximum over the disc.
      const double ux = c.v[1][0] - c.v[0][0], uy = c.v[1][1] - c.v[0][1], uz = c.v[1][2] - c.v[0][2];
      const double vx = c.v[2][0] - c.v[0][0], vy = c.v[2][1] - c.v[0][1], vz = c.v[2][2] - c.v[0][2];
      const double det = ux * vy - uy * vx;
      if (det != 0) {
        const double gx = (uz * vy - vz * uy) / det - slope * (m[0] - px) / dm;
        const double gy = (ux * vz - vx * uz) / det - slope * (m[1] - py) / dm;
        tangent = std::min(tangent, fm + gx * (px - m[0]) + gy * (py - m[1]) + reach * std::hypot(gx, gy));
      }
      c.upper = std::min(c.upper, tangent + 1e-12);
    }
    return true;
  };
  std::priority_queue<Cell> queue;
  for (size_t i = 0; i < mesh.triangles.size(); ++i) {
    const auto t = mesh.Corners(i);
    Cell c{{t[0], t[1], t[2]}, 0};
    for (const Vec3& v : t) sample(v);
    if (bound(c)) queue.push(c), ++out.cells;
  }
  while (!queue.empty()) {
    const Cell top = queue.top();
    if (top.upper <= out.lower + tol || out.cells >= maxCells) {
      out.upper = std::max(out.lower, top.upper);
      return out;
    }
    queue.pop();
    if (top.v[1] == top.v[2]) {
      // A segment (a, b, b), as edges are given: halve it.
      const Vec3 m = Mid(top.v[0], top.v[1]);
      sample(m);
      Cell halves[2] = {{{top.v[0], m, m}, 0}, {{m, top.v[1], top.v[1]}, 0}};
      for (Cell& k : halves)
        if (bound(k)) queue.push(k), ++out.cells;
      continue;
    }
    const Vec3 m01 = Mid(top.v[0], top.v[1]), m12 = Mid(top.v[1], top.v[2]), m20 = Mid(top.v[2], top.v[0]);
    sample(m01), sample(m12), sample(m20);
    Cell kids[4] = {{{top.v[0], m01, m20}, 0}, {{m01, top.v[1], m12}, 0}, {{m20, m12, top.v[2]}, 0}, {{m01, m12, m20}, 0}};
    for (Cell& k : kids) {
      sample(Mid(Mid(k.v[0], k.v[1]), k.v[2]));
      if (bound(k)) queue.push(k), ++out.cells;
    }
  }
  out.upper = out.lower;
  return out;
}

}  // namespace millkit
