#include "testing/ZMap.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace millkit {

ZMap::ZMap(double x0, double y0, double cell, int nx, int ny, double top)
    : m_x0(x0), m_y0(y0), m_cell(cell), m_nx(nx), m_ny(ny), m_z(size_t(nx) * ny, top) {}

void ZMap::Cut(const ToolProfileOracle& tool, const Vec3& cl) {
  const double r = tool.Reach();
  const int i0 = std::max(0, int(std::floor((cl[0] - r - m_x0) / m_cell)));
  const int i1 = std::min(m_nx - 1, int(std::ceil((cl[0] + r - m_x0) / m_cell)));
  const int j0 = std::max(0, int(std::floor((cl[1] - r - m_y0) / m_cell)));
  const int j1 = std::min(m_ny - 1, int(std::ceil((cl[1] + r - m_y0) / m_cell)));
  for (int j = j0; j <= j1; ++j)
    for (int i = i0; i <= i1; ++i) {
      const double d = std::hypot(X(i) - cl[0], Y(j) - cl[1]);
      if (d > r) continue;
      double& z = m_z[size_t(j) * m_nx + i];
      z = std::min(z, cl[2] + tool.Height(d));
    }
}

void ZMap::CutPath(const ToolProfileOracle& tool, const std::vector<Vec3>& path) {
  if (path.empty()) return;
  Cut(tool, path.front());
  for (size_t k = 1; k < path.size(); ++k) {
    const Vec3& a = path[k - 1];
    const Vec3& b = path[k];
    const int n = std::max(1, int(std::ceil(std::hypot(b[0] - a[0], b[1] - a[1]) / (m_cell / 4))));
    for (int s = 1; s <= n; ++s) {
      const double t = double(s) / n;
      Cut(tool, {a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1]), a[2] + t * (b[2] - a[2])});
    }
  }
}

ZMap::Deviation ZMap::Compare(const std::vector<double>& surface) const {
  Deviation dev;
  for (int j = 0; j < m_ny; ++j)
    for (int i = 0; i < m_nx; ++i) {
      const double s = surface[size_t(j) * m_nx + i];
      if (std::isnan(s)) continue;
      ++dev.compared;
      const double diff = Height(i, j) - s;
      if (-diff > dev.gouge) dev.gouge = -diff, dev.gougeI = i, dev.gougeJ = j;
      if (diff > dev.scallop) dev.scallop = diff, dev.scallopI = i, dev.scallopJ = j;
    }
  return dev;
}

ZMap::Deviation ZMap::Compare(const std::function<double(double, double)>& surface) const {
  std::vector<double> heights(m_z.size());
  for (int j = 0; j < m_ny; ++j)
    for (int i = 0; i < m_nx; ++i) heights[size_t(j) * m_nx + i] = surface(X(i), Y(j));
  return Compare(heights);
}

std::vector<double> ZMap::MeshTop(const TriMesh& mesh) const {
  std::vector<double> top(m_z.size(), std::numeric_limits<double>::quiet_NaN());
  for (size_t k = 0; k < mesh.triangles.size(); ++k) {
    const auto t = mesh.Corners(k);
    const double ux = t[1][0] - t[0][0], uy = t[1][1] - t[0][1], vx = t[2][0] - t[0][0], vy = t[2][1] - t[0][1];
    const double det = ux * vy - uy * vx;
    if (det == 0) continue;  // vertical: covers no cell centre
    const double xmin = std::min({t[0][0], t[1][0], t[2][0]}), xmax = std::max({t[0][0], t[1][0], t[2][0]});
    const double ymin = std::min({t[0][1], t[1][1], t[2][1]}), ymax = std::max({t[0][1], t[1][1], t[2][1]});
    const int i0 = std::max(0, int(std::floor((xmin - m_x0) / m_cell - 0.5)));
    const int i1 = std::min(m_nx - 1, int(std::ceil((xmax - m_x0) / m_cell - 0.5)));
    const int j0 = std::max(0, int(std::floor((ymin - m_y0) / m_cell - 0.5)));
    const int j1 = std::min(m_ny - 1, int(std::ceil((ymax - m_y0) / m_cell - 0.5)));
    for (int j = j0; j <= j1; ++j)
      for (int i = i0; i <= i1; ++i) {
        const double wx = X(i) - t[0][0], wy = Y(j) - t[0][1];
        const double s = (wx * vy - wy * vx) / det, r = (ux * wy - uy * wx) / det;
        if (s < 0 || r < 0 || s + r > 1) continue;
        const double z = t[0][2] + s * (t[1][2] - t[0][2]) + r * (t[2][2] - t[0][2]);
        double& c = top[size_t(j) * m_nx + i];
        if (std::isnan(c) || z > c) c = z;
      }
  }
  return top;
}

}  // namespace millkit
