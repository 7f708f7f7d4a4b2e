// Z-map cut simulator: a fine grid of stock heights, lowered by the tool profile
// swept along a CL path, compared with the part's surface.
#pragma once

#include "testing/MillMesh.h"
#include "testing/ToolProfileOracle.h"

#include <functional>
#include <vector>

namespace millkit {

class ZMap {
public:
  // nx x ny cells of side `cell` from (x0, y0); every cell starts at `top`.
  ZMap(double x0, double y0, double cell, int nx, int ny, double top);

  int Nx() const { return m_nx; }
  int Ny() const { return m_ny; }
  // Centre of cell (i, j).
  double X(int i) const { return m_x0 + (i + 0.5) * m_cell; }
  double Y(int j) const { return m_y0 + (j + 0.5) * m_cell; }
  double Height(int i, int j) const { return m_z[size_t(j) * m_nx + i]; }

  // Lowers every cell whose centre lies under the tool with its tip at cl.
  void Cut(const ToolProfileOracle& tool, const Vec3& cl);
  // Cuts along the polyline of CL points, sampled at a quarter of a cell.
  void CutPath(const ToolProfileOracle& tool, const std::vector<Vec3>& path);

  struct Deviation {
    double gouge = 0;    // largest height of the surface above the cut
    double scallop = 0;  // largest height of the cut above the surface
    int gougeI = -1, gougeJ = -1, scallopI = -1, scallopJ = -1;
    int compared = 0;    // cells with a surface height
  };
  // surface(x, y): the part's height at a cell centre, NaN where there is none.
  Deviation Compare(const std::function<double(double, double)>& surface) const;
  // Against per-cell heights (NaN where none), e.g. from MeshTop.
  Deviation Compare(const std::vector<double>& surface) const;

  // Highest point of the mesh over every cell centre (NaN where no triangle covers it).
  std::vector<double> MeshTop(const TriMesh& mesh) const;

private:
  double m_x0, m_y0, m_cell;
  int m_nx, m_ny;
  std::vector<double> m_z;
};

}  // namespace millkit
