#include "testing/MillMesh.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace millkit {

namespace {

constexpr double kPi = std::numbers::pi;

// Adds the two triangles of the quad a-b-c-d (counter-clockwise seen from outside).
void AddQuad(TriMesh& m, int a, int b, int c, int d) {
  m.triangles.push_back({a, b, c});
  m.triangles.push_back({a, c, d});
}

int AddVertex(TriMesh& m, double x, double y, double z) {
  m.vertices.push_back({x, y, z});
  return static_cast<int>(m.vertices.size()) - 1;
}

}  // namespace

TriMesh TerrainMesh(const std::function<double(double, double)>& f, double x0, double y0, double size, int n) {
  TriMesh m;
  const double step = size / n;
  for (int j = 0; j <= n; ++j)
    for (int i = 0; i <= n; ++i) {
      const double x = x0 + i * step, y = y0 + j * step;
      AddVertex(m, x, y, f(x, y));
    }
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const int a = j * (n + 1) + i;
      AddQuad(m, a, a + 1, a + n + 2, a + n + 1);
    }
  return m;
}

TriMesh HemisphereOnPlate(double r, double plateRad, int n) {
  TriMesh m;
  const int rings = std::max(1, n / 2);
  // Ring k lies at polar angle (k / rings) * pi / 2 from the equator up; the top is one vertex.
  for (int k = 0; k < rings; ++k) {
    const double phi = kPi / 2 * k / rings;
    for (int i = 0; i < n; ++i) {
      const double a = 2 * kPi * i / n;
      AddVertex(m, r * std::cos(phi) * std::cos(a), r * std::cos(phi) * std::sin(a), r * std::sin(phi));
    }
  }
  const int top = AddVertex(m, 0, 0, r);
  for (int k = 0; k + 1 < rings; ++k)
    for (int i = 0; i < n; ++i) {
      const int j = (i + 1) % n;
      AddQuad(m, k * n + i, k * n + j, (k + 1) * n + j, (k + 1) * n + i);
    }
  for (int i = 0; i < n; ++i) m.triangles.push_back({(rings - 1) * n + i, (rings - 1) * n + (i + 1) % n, top});
  // The plate shares the equator ring.
  const int outer = static_cast<int>(m.vertices.size());
  for (int i = 0; i < n; ++i) {
    const double a = 2 * kPi * i / n;
    AddVertex(m, plateRad * std::cos(a), plateRad * std::sin(a), 0);
  }
  for (int i = 0; i < n; ++i) {
    const int j = (i + 1) % n;
    AddQuad(m, outer + i, outer + j, j, i);
  }
  return m;
}

TriMesh SphereMesh(const Vec3& c, double r, int n) {
  TriMesh m;
  const int rings = std::max(2, n / 2);
  const int south = AddVertex(m, c[0], c[1], c[2] - r);
  for (int k = 1; k < rings; ++k) {
    const double phi = -kPi / 2 + kPi * k / rings;
    for (int i = 0; i < n; ++i) {
      const double a = 2 * kPi * i / n;
      AddVertex(m, c[0] + r * std::cos(phi) * std::cos(a), c[1] + r * std::cos(phi) * std::sin(a),
                c[2] + r * std::sin(phi));
    }
  }
  const int north = AddVertex(m, c[0], c[1], c[2] + r);
  const auto ring = [n](int k, int i) { return 1 + (k - 1) * n + (i % n); };
  for (int i = 0; i < n; ++i) m.triangles.push_back({south, ring(1, i + 1), ring(1, i)});
  for (int k = 1; k + 1 < rings; ++k)
    for (int i = 0; i < n; ++i) AddQuad(m, ring(k, i), ring(k, i + 1), ring(k + 1, i + 1), ring(k + 1, i));
  for (int i = 0; i < n; ++i) m.triangles.push_back({ring(rings - 1, i), ring(rings - 1, i + 1), north});
  return m;
}

TriMesh TorusMesh(const Vec3& c, double big, double small, int n, int m) {
  TriMesh t;
  for (int i = 0; i < n; ++i) {
    const double a = 2 * kPi * i / n;
    for (int j = 0; j < m; ++j) {
      const double b = 2 * kPi * j / m;
      const double rr = big + small * std::cos(b);
      AddVertex(t, c[0] + rr * std::cos(a), c[1] + rr * std::sin(a), c[2] + small * std::sin(b));
    }
  }
  const auto at = [n, m](int i, int j) { return (i % n) * m + (j % m); };
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < m; ++j) AddQuad(t, at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
  return t;
}

TriMesh VerticalCylinderMesh(const Vec3& c, double r, double height, int n) {
  TriMesh m;
  for (int k = 0; k < 2; ++k)
    for (int i = 0; i < n; ++i) {
      const double a = 2 * kPi * i / n;
      AddVertex(m, c[0] + r * std::cos(a), c[1] + r * std::sin(a), c[2] + k * height);
    }
  const int centre = AddVertex(m, c[0], c[1], c[2] + height);
  for (int i = 0; i < n; ++i) {
    const int j = (i + 1) % n;
    AddQuad(m, i, j, n + j, n + i);
    m.triangles.push_back({n + i, n + j, centre});
  }
  return m;
}

TriMesh RidgeMesh(double x0, double x1, double top, double halfWidth) {
  TriMesh m;
  const double low = top - halfWidth;
  const int a = AddVertex(m, x0, -halfWidth, low), b = AddVertex(m, x1, -halfWidth, low);
  const int c = AddVertex(m, x1, 0, top), d = AddVertex(m, x0, 0, top);
  const int e = AddVertex(m, x1, halfWidth, low), f = AddVertex(m, x0, halfWidth, low);
  AddQuad(m, a, b, c, d);
  AddQuad(m, d, c, e, f);
  return m;
}

}  // namespace millkit
