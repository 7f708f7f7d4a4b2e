// Small meshes of the mesh tests: hand-made faces and the analytic meshes of the
// milling kit converted into CGeMesh.
#pragma once

#include "geometry/shapes3d/GeMesh.h"
#include "testing/MillMesh.h"

#include <initializer_list>

namespace meshtest {

inline void AddVertices(CGeMesh& m, std::initializer_list<CPoint3f> pts)
{
    for (const CPoint3f& p : pts) m.vertices.push_back(p);
}

// The flat square (0, 0, 0) ... (s, s, 0) as the triangles (0, 1, 2), (0, 2, 3).
inline void FlatSquare(CGeMesh& m, float s = 10.0f)
{
    AddVertices(m, {{0, 0, 0}, {s, 0, 0}, {s, s, 0}, {0, s, 0}});
    m.faces3 = {SFacet3(0, 1, 2), SFacet3(0, 2, 3)};
}

inline void FromTriMesh(const millkit::TriMesh& t, CGeMesh& m)
{
    for (const auto& v : t.vertices) m.vertices.emplace_back(float(v[0]), float(v[1]), float(v[2]));
    for (const auto& f : t.triangles) m.faces3.emplace_back(f[0], f[1], f[2]);
}

}  // namespace meshtest
