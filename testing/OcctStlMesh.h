// Open CASCADE's sample STL meshes (occt-misc) read by the peer's reader into our
// mesh of float vertices, for the tests and benches that compare against them.
#pragma once

#include "geometry/shapes3d/GeMesh.h"

#include <Poly_Triangulation.hxx>
#include <RWStl.hxx>

#include <string>

namespace occt3d {

inline constexpr const char* kStlFolder = "/usr/share/opencascade/data/stl";

// Appends the triangulation of the named sample file; false when unreadable or empty.
inline bool ReadStlMesh(const std::string& name, CGeMesh& mesh)
{
    const Handle(Poly_Triangulation) tri = RWStl::ReadFile((std::string(kStlFolder) + "/" + name).c_str());
    if (tri.IsNull() || tri->NbTriangles() == 0) return false;
    for (int i = 1; i <= tri->NbNodes(); ++i) {
        const gp_Pnt p = tri->Node(i);
        mesh.vertices.emplace_back(float(p.X()), float(p.Y()), float(p.Z()));
    }
    for (int i = 1; i <= tri->NbTriangles(); ++i) {
        int a, b, c;
        tri->Triangle(i).Get(a, b, c);
        mesh.faces3.emplace_back(a - 1, b - 1, c - 1);
    }
    return true;
}

}  // namespace occt3d
