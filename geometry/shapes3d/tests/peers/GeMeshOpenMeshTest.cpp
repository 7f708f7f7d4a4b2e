// The mesh's topology, normals and boundary curves against OpenMesh on real meshes.
#include "geometry/shapes3d/GePolyline3d.h"
#include "testing/MeshPeers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using meshpeers::PolyMesh;

const char* const kMeshes[] = {"bunny00.off",      "elephant.off",  "elephant-with-holes.off",
                               "mesh_with_border.off", "torus_quad.off", "cube_quad.off",
                               "pig.stl"};

struct Loaded {
    PolyMesh pm;
    CGeMesh mesh;
    std::vector<int> faceMap;
};

std::unique_ptr<Loaded> Load(const char* name)
{
    auto l = std::make_unique<Loaded>();
    if (!meshpeers::ReadScaled(name, l->pm)) return nullptr;
    meshpeers::ToGeMesh(l->pm, l->mesh, &l->faceMap);
    return l;
}

// Every edge joins the two faces of OpenMesh's halfedge pair, and the counts agree.
TEST(GeMeshOpenMesh, EdgesAgreeWithHalfedges)
{
    for (const char* name : kMeshes) {
        auto l = Load(name);
        ASSERT_TRUE(l) << name;
        CGeMesh& m = l->mesh;
        m.GenEdgeTopoEx();
        EXPECT_EQ(m.numEdges(), l->pm.n_edges()) << name;
        for (std::size_t i = 0; i < m.edges.size(); ++i) {
            const SEdge& e = m.edges[i];
            auto he = l->pm.find_halfedge(PolyMesh::VertexHandle(int(e.v0)), PolyMesh::VertexHandle(int(e.v1)));
            ASSERT_TRUE(he.is_valid()) << name << " edge " << i;
            auto faceOf = [&](PolyMesh::HalfedgeHandle h) {
                auto f = l->pm.face_handle(h);
                return f.is_valid() ? l->faceMap[std::size_t(f.idx())] : -1;
            };
            int a = faceOf(he), b = faceOf(l->pm.opposite_halfedge_handle(he));
            // f0 found the edge first in its own direction v0 -> v1.
            EXPECT_EQ(e.f0, a) << name << " edge " << i;
            EXPECT_EQ(e.f1, b) << name << " edge " << i;
        }
        bool closed = std::none_of(m.edges.begin(), m.edges.end(), [](const SEdge& e) { return e.f1 == -1; });
        if (closed) {
            int chi = int(m.numVertices()) - int(m.numEdges()) + int(m.numFace());
            EXPECT_EQ(chi % 2, 0) << name << ": closed orientable meshes have an even characteristic";
            EXPECT_EQ(chi, int(l->pm.n_vertices()) - int(l->pm.n_edges()) + int(l->pm.n_faces())) << name;
        }
    }
}

// One polyline per boundary loop, of the loop's length.
TEST(GeMeshOpenMesh, BoundaryCurvesFollowBoundaryLoops)
{
    for (const char* name : kMeshes) {
        auto l = Load(name);
        ASSERT_TRUE(l) << name;
        PolyMesh& pm = l->pm;
        std::vector<double> want;
        std::vector<bool> seen(pm.n_halfedges(), false);
        for (auto he : pm.halfedges()) {
            if (!pm.is_boundary(he) || seen[std::size_t(he.idx())]) continue;
            double len = 0.0;
            auto h = he;
            do {
                seen[std::size_t(h.idx())] = true;
                len += pm.calc_edge_length(h);
                h = pm.next_halfedge_handle(h);
            } while (h != he);
            want.push_back(len);
        }
        l->mesh.CreateBndCrv();
        std::vector<double> got;
        for (CGeCurve3d* c : l->mesh.m_listBndCurve) got.push_back(c->EvTotalArcLength());
        std::sort(want.begin(), want.end());
        std::sort(got.begin(), got.end());
        double sumGot = 0, sumWant = 0;
        for (double g : got) sumGot += g;
        for (double w : want) sumWant += w;
        EXPECT_NEAR(sumGot, sumWant, 1e-4 * sumWant) << name << ": the whole border, once";
        // Where holes meet in one vertex, the chaining may split the border there
        // differently from OpenMesh's walk; elsewhere the loops correspond one to one.
        std::vector<int> borderEdges(l->mesh.numVertices(), 0);
        for (const SEdge& e : l->mesh.edges)
            if (e.f1 == -1) ++borderEdges[e.v0], ++borderEdges[e.v1];
        bool pinched = std::any_of(borderEdges.begin(), borderEdges.end(), [](int n) { return n > 2; });
        // The chaining joins ends by position: distinct border vertices closer than its
        // tolerance 0.02 may close a loop early, so the loops split there.
        std::vector<std::uint32_t> border;
        for (std::uint32_t v = 0; v < borderEdges.size(); ++v)
            if (borderEdges[v]) border.push_back(v);
        for (std::size_t i = 0; i < border.size() && !pinched; ++i)
            for (std::size_t j = i + 1; j < border.size() && !pinched; ++j)
                pinched = Distance(l->mesh.vertices[border[i]], l->mesh.vertices[border[j]]) < 0.02f;
        if (pinched) continue;
        ASSERT_EQ(got.size(), want.size()) << name;
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-4 * want[i]) << name << " loop " << i;
    }
}

TEST(GeMeshOpenMesh, FaceNormalsEqualOpenMesh)
{
    for (const char* name : kMeshes) {
        auto l = Load(name);
        ASSERT_TRUE(l) << name;
        l->pm.request_face_normals();
        l->pm.update_face_normals();
        l->mesh.Need_FaceNormal();
        for (auto f : l->pm.faces()) {
            int ours = l->faceMap[std::size_t(f.idx())];
            const auto& n = l->pm.normal(f);
            const CVector3f& m = l->mesh.facenormals[std::size_t(ours)];
            // Degenerate faces have no direction to compare.
            if (n.norm() < 0.5f || m.GetLength() < 0.5f) continue;
            // Quads: OpenMesh takes Newell's normal, we the diagonals' cross product; on a
            // planar quad they agree.
            float tol = ours < int(l->mesh.numFace3()) ? 1e-4f : 1e-3f;
            EXPECT_NEAR(m.dx, n[0], tol) << name << " face " << f.idx();
            EXPECT_NEAR(m.dy, n[1], tol) << name << " face " << f.idx();
            EXPECT_NEAR(m.dz, n[2], tol) << name << " face " << f.idx();
        }
    }
}

}  // namespace
