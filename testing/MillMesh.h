// Triangle meshes on plain arrays for the milling tests, and the analytic shapes
// they are built from. Every vertex of an analytic mesh lies exactly on its surface.
#pragma once

#include <array>
#include <functional>
#include <vector>

namespace millkit {

using Vec3 = std::array<double, 3>;

struct TriMesh {
  std::vector<Vec3> vertices;
  std::vector<std::array<int, 3>> triangles;  // indices into vertices

  // The three corners of triangle i.
  std::array<Vec3, 3> Corners(size_t i) const {
    const auto& t = triangles[i];
    return {vertices[t[0]], vertices[t[1]], vertices[t[2]]};
  }
};

// z = f(x, y) over [x0, x0 + size] x [y0, y0 + size] as n x n cells of two triangles.
TriMesh TerrainMesh(const std::function<double(double, double)>& f, double x0, double y0, double size, int n);

// Upper hemisphere of radius r centred at the origin, standing on a flat annular
// plate at z = 0 that runs from the hemisphere out to radius plateRad; n segments
// around, n / 2 rings up the hemisphere.
TriMesh HemisphereOnPlate(double r, double plateRad, int n);

// Sphere about c with n segments around and n / 2 rings from pole to pole.
TriMesh SphereMesh(const Vec3& c, double r, int n);

// Torus lying flat (axis vertical) about c: ring radius big, tube radius small;
// n segments around the axis, m around the tube.
TriMesh TorusMesh(const Vec3& c, double big, double small, int n, int m);

// Vertical cylinder on the circle of radius r about (c.x, c.y) from z = c.z to
// c.z + height, with a flat top; n segments around.
TriMesh VerticalCylinderMesh(const Vec3& c, double r, double height, int n);

// 90-degree ridge along X over [x0, x1]: z = top - |y| for |y| <= halfWidth.
TriMesh RidgeMesh(double x0, double x1, double top, double halfWidth);

}  // namespace millkit
