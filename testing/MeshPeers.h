// Real meshes of the CGAL data archive, read with OpenMesh, and their conversion into
// CGeMesh. Header-only: only the tests and benches that compare against OpenMesh
// include it (and link OpenMeshCore).
#pragma once

#include "geometry/shapes3d/GeMesh.h"

#include <OpenMesh/Core/IO/MeshIO.hh>
#include <OpenMesh/Core/Mesh/PolyMesh_ArrayKernelT.hh>

#include <algorithm>
#include <string>

namespace meshpeers {

using PolyMesh = OpenMesh::PolyMesh_ArrayKernelT<>;

// Folder of the extracted data/meshes of the CGAL data archive (set by CMake).
inline std::string MeshPath(const std::string& name) { return std::string(KORVEL_CGAL_MESHES) + "/" + name; }

// Reads the mesh and scales it about its box centre so that its largest extent is
// `size` millimetres (the archive's meshes come at unit size). False when unreadable.
inline bool ReadScaled(const std::string& name, PolyMesh& mesh, double size = 100.0)
{
    if (!OpenMesh::IO::read_mesh(mesh, MeshPath(name))) return false;
    if (mesh.n_vertices() == 0) return false;
    PolyMesh::Point lo = mesh.point(*mesh.vertices_begin()), hi = lo;
    for (auto v : mesh.vertices()) {
        lo.minimize(mesh.point(v));
        hi.maximize(mesh.point(v));
    }
    PolyMesh::Point c = (lo + hi) * 0.5f, ext = hi - lo;
    float s = float(size) / std::max({ext[0], ext[1], ext[2]});
    for (auto v : mesh.vertices()) mesh.set_point(v, (mesh.point(v) - c) * s);
    return true;
}

// The same vertices and faces: triangles into faces3, quads into faces4 (other polygons
// are not in the meshes used). face map: our face number of each OpenMesh face.
inline void ToGeMesh(const PolyMesh& pm, CGeMesh& m, std::vector<int>* faceMap = nullptr)
{
    for (auto v : pm.vertices()) {
        const auto& p = pm.point(v);
        m.vertices.emplace_back(p[0], p[1], p[2]);
    }
    std::vector<int> tri, quad;
    for (auto f : pm.faces()) {
        std::vector<int> c;
        for (auto v : pm.fv_range(f)) c.push_back(v.idx());
        if (c.size() == 3) {
            tri.push_back(f.idx());
            m.faces3.emplace_back(c[0], c[1], c[2]);
        } else if (c.size() == 4) {
            quad.push_back(f.idx());
            m.faces4.emplace_back(c[0], c[1], c[2], c[3]);
        }
    }
    if (faceMap) {
        faceMap->assign(pm.n_faces(), -1);
        for (std::size_t i = 0; i < tri.size(); ++i) (*faceMap)[std::size_t(tri[i])] = int(i);
        for (std::size_t k = 0; k < quad.size(); ++k) (*faceMap)[std::size_t(quad[k])] = int(tri.size() + k);
    }
}

}  // namespace meshpeers
