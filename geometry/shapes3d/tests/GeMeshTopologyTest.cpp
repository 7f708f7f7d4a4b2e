// Edges, face normals and vertex normals of the mesh.
#include "geometry/relief/TGrid.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes3d/tests/MeshFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <set>

namespace {

using meshtest::AddVertices;

// The edge list the rules give, found with an ordered map: edges in order of first
// appearance, f0 the first face, f1 the last other face.
std::vector<SEdge> ReferenceEdges(const CGeMesh& m)
{
    std::vector<SEdge> out;
    std::map<std::pair<unsigned, unsigned>, std::size_t> at;
    auto add = [&](unsigned a, unsigned b, int face) {
        auto key = std::minmax(a, b);
        auto it = at.find(key);
        if (it == at.end()) {
            at[key] = out.size();
            out.push_back(SEdge{a, b, face, -1});
        } else {
            out[it->second].f1 = face;
        }
    };
    int nF3 = int(m.faces3.size());
    for (int i = 0; i < nF3; ++i)
        for (int j = 0; j < 3; ++j) add(m.faces3[i][j], m.faces3[i][(j + 1) % 3], i);
    for (std::size_t k = 0; k < m.faces4.size(); ++k)
        for (int j = 0; j < 4; ++j) add(m.faces4[k][j], m.faces4[k][(j + 1) % 4], nF3 + int(k));
    return out;
}

void ExpectSameEdges(const std::vector<SEdge>& got, const std::vector<SEdge>& want, const char* label)
{
    ASSERT_EQ(got.size(), want.size()) << label;
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_TRUE(got[i].v0 == want[i].v0 && got[i].v1 == want[i].v1 && got[i].f0 == want[i].f0 &&
                    got[i].f1 == want[i].f1)
            << label << " edge " << i;
    }
}

TEST(GeMeshTopology, EdgesOfTwoTrianglesByBothBuilds)
{
    CGeMesh m;
    AddVertices(m, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
    m.faces3 = {SFacet3(0, 1, 2), SFacet3(2, 1, 3)};
    m.GenEdgeTopoEx();
    ExpectSameEdges(m.edges, {{0, 1, 0, -1}, {1, 2, 0, 1}, {2, 0, 0, -1}, {1, 3, 1, -1}, {3, 2, 1, -1}}, "hash build");
    unsigned long index = 99;
    EXPECT_EQ(m.FindEdge(2, 1, index), 1);
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(m.FindEdge(0, 3, index), 0);
    EXPECT_EQ(index, 1u);
    m.GenEdgeTopo();
    ExpectSameEdges(m.edges, {{0, 2, -1, -1}, {0, 1, -1, -1}, {1, 3, -1, -1}, {1, 2, -1, -1}, {2, 3, -1, -1}},
                    "list build");
}

TEST(GeMeshTopology, QuadFacesAreNumberedAfterTriangles)
{
    CGeMesh m;
    AddVertices(m, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}});
    m.faces3 = {SFacet3(1, 4, 2)};
    m.faces4 = {SFacet4(0, 1, 2, 3)};
    m.GenEdgeTopoEx();
    ExpectSameEdges(m.edges, ReferenceEdges(m), "triangle and quad");
    unsigned long i = 0;
    ASSERT_EQ(m.FindEdge(1, 2, i), 1);
    EXPECT_EQ(m.edges[i].f0, 0);
    EXPECT_EQ(m.edges[i].f1, 1);
}

// Random meshes with shared, non-manifold and repeated edges against the map build.
TEST(GeMeshTopology, HashBuildMatchesReferenceOnRandomFaces)
{
    std::mt19937 rng(7);
    for (int trial = 0; trial < 20; ++trial) {
        CGeMesh m;
        int nV = 5 + trial * 7;
        m.vertices.resize(std::size_t(nV));
        std::uniform_int_distribution<int> v(0, nV - 1);
        for (int i = 0; i < 3 * nV; ++i) m.faces3.emplace_back(v(rng), v(rng), v(rng));
        for (int i = 0; i < nV; ++i) m.faces4.emplace_back(v(rng), v(rng), v(rng), v(rng));
        m.GenEdgeTopoEx();
        ExpectSameEdges(m.edges, ReferenceEdges(m), ("trial " + std::to_string(trial)).c_str());
    }
}

TEST(GeMeshTopology, EulerCharacteristicOfClosedMeshes)
{
    struct Case {
        const char* label;
        millkit::TriMesh mesh;
        int chi;
    } cases[] = {
        {"sphere", millkit::SphereMesh({0, 0, 0}, 30, 32), 2},
        {"torus", millkit::TorusMesh({0, 0, 0}, 40, 10, 36, 18), 0},
    };
    for (auto& c : cases) {
        CGeMesh m;
        meshtest::FromTriMesh(c.mesh, m);
        m.Remove_Unused_Vertices();
        m.GenEdgeTopoEx();
        int chi = int(m.numVertices()) - int(m.numEdges()) + int(m.numFace());
        EXPECT_EQ(chi, c.chi) << c.label;
        for (const SEdge& e : m.edges) ASSERT_NE(e.f1, -1) << c.label << " has an open edge";
    }
}

TEST(GeMeshTopology, FaceNormalsFollowCornerOrder)
{
    CGeMesh m;
    AddVertices(m, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    m.faces3 = {SFacet3(0, 1, 3), SFacet3(0, 3, 1)};
    m.faces4 = {SFacet4(0, 1, 2, 3), SFacet4(3, 2, 1, 0)};
    const float want[] = {1, -1, 1, -1};
    m.Need_FaceNormal();
    ASSERT_EQ(m.facenormals.size(), 4u);
    for (unsigned f = 0; f < 4; ++f) {
        CVector3f n;
        m.FaceNormal(f, n);
        EXPECT_EQ(n, CVector3f(0, 0, want[f])) << "face " << f;
        EXPECT_EQ(m.facenormals[f], n) << "face " << f;
    }
}

// Vertex normals of grid meshes of z = f(x, y) against the exact normals.
TEST(GeMeshTopology, VertexNormalsOfHeightFieldsWithinOneDegree)
{
    auto f = [](double x, double y) { return 0.3 * std::sin(x * 2.0) * std::cos(y * 3.0); };
    auto exact = [](double x, double y) {
        double fx = 0.6 * std::cos(x * 2.0) * std::cos(y * 3.0), fy = -0.9 * std::sin(x * 2.0) * std::sin(y * 3.0);
        double l = std::sqrt(fx * fx + fy * fy + 1.0);
        return std::array<double, 3>{-fx / l, -fy / l, 1.0 / l};
    };
    for (double cell : {0.05, 0.01, 0.002}) {
        CTGrid<float> grid;
        const float org[3] = {0.3f, -0.2f, 0.0f};
        ASSERT_EQ(grid.Create(org, float(cell), float(cell), 60, 50), 1);
        for (int j = 0; j < grid.ny; ++j)
            for (int i = 0; i < grid.nx; ++i) grid.rows[j][i] = float(f(grid.xs[i], grid.ys[j]));
        CGeMesh m;
        ASSERT_EQ(m.Create(&grid), 1) << cell;
        ASSERT_EQ(m.normals.size(), m.vertices.size());
        double worst = 0.0;
        // Inner vertices: a border vertex sees only one side of the surface.
        for (int j = 1; j + 1 < grid.ny; ++j) {
            for (int i = 1; i + 1 < grid.nx; ++i) {
                const CVector3f& n = m.normals[std::size_t(j * grid.nx + i)];
                auto e = exact(grid.xs[i], grid.ys[j]);
                double dot = n.dx * e[0] + n.dy * e[1] + n.dz * e[2];
                worst = std::max(worst, std::acos(std::min(1.0, dot)));
            }
        }
        EXPECT_LT(worst * 180.0 / M_PI, 1.0) << "cell " << cell;
    }
}

TEST(GeMeshTopology, VertexNormalsOnlyWhenMissing)
{
    CGeMesh m;
    meshtest::FlatSquare(m, 0.01f);  // edges of 0.01: every corner still counts
    EXPECT_EQ(m.Need_VertexNormals(), 1);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(m.normals[i], CVector3f(0, 0, 1)) << "vertex " << i;
    EXPECT_EQ(m.Need_VertexNormals(), 0);
    m.ClearNormal();
    EXPECT_EQ(m.Need_VertexNormals(), 1);
}

TEST(GeMeshTopology, CancelledVertexNormalsAreComputedByTheNextCall)
{
    for (std::int64_t polls : {0, 1, 5, 9}) {
        CGeMesh m;
        meshtest::FromTriMesh(millkit::SphereMesh({0, 0, 0}, 10, 8), m);
        widgra::testing::CancelAfterPolls(polls);
        EXPECT_EQ(m.Need_VertexNormals(), 0) << polls;
        EXPECT_TRUE(m.normals.empty()) << polls;
        widgra::testing::Reset();
        EXPECT_EQ(m.Need_VertexNormals(), 1) << polls;
        CGeMesh fresh;
        fresh.CopyFromMesh(&m);
        fresh.ClearNormal();
        fresh.Need_VertexNormals();
        EXPECT_EQ(m.normals, fresh.normals) << polls;
    }
}

TEST(GeMeshTopology, SubsetNormalsAverageAdjacentFaces)
{
    CGeMesh m;
    AddVertices(m, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    m.faces3 = {SFacet3(0, 2, 1), SFacet3(0, 1, 3)};
    m.normals.assign(4, CVector3f(9, 9, 9));
    std::vector<unsigned> verts = {0, 7};  // 7 is past the array and skipped
    m.Need_VertexNormals(verts);
    float s = 1.0f / std::sqrt(2.0f);
    EXPECT_NEAR(m.normals[0].dx, 0.0f, 1e-6f);
    EXPECT_NEAR(m.normals[0].dy, -s, 1e-6f);
    EXPECT_NEAR(m.normals[0].dz, -s, 1e-6f);
    EXPECT_EQ(m.normals[1], CVector3f(9, 9, 9));
}

}  // namespace
