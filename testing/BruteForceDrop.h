// Reference drop cutter: the tool lowered at (px, py) onto every triangle of a mesh,
// with no index. Each triangle gives its offset-plane contact when the contact point
// lies inside it (barycentric test in XY), and its edges and vertices the tool's edge
// and vertex contacts. `Tool` is any type with the cutting-tool contact functions
// (`Eval_FacetCC_OffVec`, `Zval_EdgeCC`, `Zval_VertCC`).
#pragma once

#include "testing/MillMesh.h"

#include <cmath>

namespace millkit {

struct DropResult {
  enum Element { None, Vertex, Edge, Facet };
  double z = -1e12;  // the milling code's "no height" when nothing is in reach
  Element element = None;
  int triangle = -1;
};

// Offset-plane contact of one triangle; false when its contact point lies outside it
// or the triangle stands vertical.
template <class Tool>
bool FacetDrop(const Tool& tool, const Vec3& a, const Vec3& b, const Vec3& c, double px, double py, double* z) {
  const double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
  const double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
  double n[3] = {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
  const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(len > 0)) return false;
  if (n[2] < 0) n[0] = -n[0], n[1] = -n[1], n[2] = -n[2];
  for (double& k : n) k /= len;
  if (n[2] < 1e-9) return false;
  double off[3];
  tool.Eval_FacetCC_OffVec(n, off);
  const double qx = px - off[0], qy = py - off[1];
  // Barycentric coordinates of the contact point in XY.
  const double det = ux * vy - uy * vx;
  const double wx = qx - a[0], wy = qy - a[1];
  const double s = (wx * vy - wy * vx) / det, t = (ux * wy - uy * wx) / det;
  if (!(s >= 0 && t >= 0 && s + t <= 1)) return false;
  *z = a[2] + s * uz + t * vz + off[2];
  return true;
}

template <class Tool>
DropResult BruteForceDrop(const Tool& tool, const TriMesh& mesh, double px, double py) {
  DropResult r;
  const double p[3] = {px, py, 0};
  const auto keep = [&](double z, DropResult::Element e, size_t i) {
    if (z > r.z) r.z = z, r.element = e, r.triangle = static_cast<int>(i);
  };
  for (size_t i = 0; i < mesh.triangles.size(); ++i) {
    const auto t = mesh.Corners(i);
    double z;
    if (FacetDrop(tool, t[0], t[1], t[2], px, py, &z)) keep(z, DropResult::Facet, i);
    for (int k = 0; k < 3; ++k) {
      keep(tool.Zval_EdgeCC(t[k].data(), t[(k + 1) % 3].data(), p), DropResult::Edge, i);
      keep(tool.Zval_VertCC(t[k].data(), p), DropResult::Vertex, i);
    }
  }
  return r;
}

}  // namespace millkit
