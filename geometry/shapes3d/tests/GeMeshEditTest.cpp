// Adjacency lists and the editing operations of the mesh.
#include "geometry/shapes3d/tests/MeshFixtures.h"

#include <gtest/gtest.h>

namespace {

using meshtest::AddVertices;

std::vector<std::array<unsigned, 3>> Triangles(const CGeMesh& m)
{
    std::vector<std::array<unsigned, 3>> out;
    for (const SFacet3& f : m.faces3) out.push_back({f[0], f[1], f[2]});
    return out;
}

TEST(GeMeshEdit, RemoveUnusedVerticesRenumbers)
{
    CGeMesh m;
    AddVertices(m, {{0, 0, 0}, {1, 0, 0}, {2, 2, 2}, {0, 1, 0}, {1, 1, 0}});
    m.faces3 = {SFacet3(0, 1, 3), SFacet3(1, 4, 3)};
    m.uvcoords = {{0, 0}, {1, 0}, {2, 2}, {0, 1}, {1, 1}};
    m.Need_Neighbors();
    m.Need_Adjacentfaces();
    m.Need_FaceNormal();
    m.GenEdgeTopoEx();
    m.Need_VertFlag(0);
    m.Remove_Unused_Vertices();
    ASSERT_EQ(m.numVertices(), 4u);
    EXPECT_EQ(m.vertices[2], CPoint3f(0, 1, 0));
    EXPECT_EQ(m.vertices[3], CPoint3f(1, 1, 0));
    EXPECT_EQ(m.uvcoords[3].u, 1.0f);
    EXPECT_EQ(Triangles(m), (std::vector<std::array<unsigned, 3>>{{0, 1, 2}, {1, 3, 2}}));
    EXPECT_TRUE(m.neighbors.empty() && m.adjacentfaces.empty() && m.facenormals.empty());
    EXPECT_TRUE(m.edges.empty()) << "edges of the old numbering";
    EXPECT_FALSE(m.vertflags) << "flags of the old numbering";
}

TEST(GeMeshEdit, RemoveVerticesDropsTheirFaces)
{
    CGeMesh m;
    AddVertices(m, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    m.faces3 = {SFacet3(0, 1, 2), SFacet3(2, 3, 0)};
    m.Remove_Vertices({false, true, false, false});
    EXPECT_EQ(Triangles(m), (std::vector<std::array<unsigned, 3>>{{1, 2, 0}}));
    EXPECT_EQ(m.numVertices(), 3u);
}

TEST(GeMeshEdit, BadMasksAndTablesChangeNothing)
{
    struct Case {
        const char* label;
        void (*edit)(CGeMesh&);
    } cases[] = {
        {"short vertex mask", [](CGeMesh& m) { m.Remove_Vertices({true}); }},
        {"long remap", [](CGeMesh& m) { m.Remap_Verts({0, 1, 2, 3, 4}); }},
        {"remap past the end", [](CGeMesh& m) { m.Remap_Verts({0, 1, 2, 9}); }},
        {"remove everything", [](CGeMesh& m) { m.Remap_Verts({-1, -1, -1, -1}); }},
        {"short triangle mask", [](CGeMesh& m) { m.Remove_Faces3({true}); }},
        {"quad mask without quads", [](CGeMesh& m) { m.Remove_Faces4({true}); }},
        {"grid larger than the vertices", [](CGeMesh& m) { m.GenFaceTopo(3, 3, false); }},
    };
    for (const Case& c : cases) {
        CGeMesh m;
        meshtest::FlatSquare(m);
        m.GenEdgeTopoEx();
        c.edit(m);
        EXPECT_EQ(m.numVertices(), 4u) << c.label;
        EXPECT_EQ(Triangles(m), (std::vector<std::array<unsigned, 3>>{{0, 1, 2}, {0, 2, 3}})) << c.label;
        EXPECT_EQ(m.numEdges(), 5u) << c.label;
    }
}

TEST(GeMeshEdit, RemoveFacesClearsFaceNumberedData)
{
    CGeMesh m;
    meshtest::FlatSquare(m);
    m.faces4 = {SFacet4(0, 1, 2, 3)};
    m.GenEdgeTopoEx();
    m.Need_FaceNormal();
    m.Remove_Faces3({true, false});
    EXPECT_EQ(Triangles(m), (std::vector<std::array<unsigned, 3>>{{0, 2, 3}}));
    EXPECT_TRUE(m.edges.empty());
    EXPECT_TRUE(m.facenormals.empty());
    m.Remove_Faces4({true});
    EXPECT_TRUE(m.faces4.empty());
}

TEST(GeMeshEdit, GenFaceTopoWithAndWithoutWrap)
{
    CGeMesh m;
    m.vertices.resize(6);
    m.GenFaceTopo(3, 2, false);
    EXPECT_EQ(Triangles(m), (std::vector<std::array<unsigned, 3>>{{0, 1, 3}, {1, 4, 3}, {1, 2, 4}, {2, 5, 4}}));
    m.GenFaceTopo(3, 2, true);
    EXPECT_EQ(Triangles(m), (std::vector<std::array<unsigned, 3>>{{0, 1, 3}, {1, 4, 3}, {1, 0, 4}, {0, 3, 4}}));
}

TEST(GeMeshEdit, AdjacencyLists)
{
    CGeMesh m;
    AddVertices(m, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    m.faces4 = {SFacet4(0, 1, 2, 3)};
    m.Need_Neighbors();
    EXPECT_EQ(m.neighbors, (std::vector<std::vector<int>>{{1, 2}, {2, 3}, {3, 0}, {0, 1}}));
    m.Need_Adjacentfaces();
    EXPECT_EQ(m.adjacentfaces, (std::vector<std::vector<int>>{{0}, {0}, {0}, {0}}));
    m.Need_AdjacentEdges();
    EXPECT_EQ(m.adjacentedges, (std::vector<std::vector<int>>{{0, 3}, {0, 1}, {1, 2}, {2, 3}}));
}

TEST(GeMeshEdit, InflationVariants)
{
    CGeMesh down;
    meshtest::FlatSquare(down);
    down.normals.assign(4, CVector3f(0, 0, -1));
    down.InflateNC(0.005f);
    EXPECT_EQ(down.vertices[0].z, 0.0f) << "below the lower limit";
    down.InflateNC(2.0f);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(down.normals[i], CVector3f(0, 0, 1)) << i;
        EXPECT_EQ(down.vertices[i].z, 2.0f) << i;
    }

    CGeMesh plain;
    meshtest::FlatSquare(plain);
    plain.Inflate(0.005f);
    EXPECT_EQ(plain.vertices[0].z, 0.005f);
    EXPECT_EQ(plain.m_listBndCurve.GetCount(), 1) << "boundary rebuilt";

    // A vertex whose normal points towards the X axis is turned outwards.
    CGeMesh ring;
    AddVertices(ring, {{0, 0, 5}, {1, 0, 5}, {0, 1, 5}});
    ring.faces3 = {SFacet3(0, 1, 2)};
    ring.normals.assign(3, CVector3f(0, 0, -1));
    ring.InflateRadial(1.0f);
    EXPECT_EQ(ring.vertices[0].z, 6.0f);
    double r[2] = {1e9, -1e9};
    ring.GetMinMaxRadius2(r);
    EXPECT_DOUBLE_EQ(r[0], 36.0);
    EXPECT_DOUBLE_EQ(r[1], 37.0);
}

TEST(GeMeshEdit, SideWallOfAFlatSquare)
{
    CGeMesh m;
    meshtest::FlatSquare(m);
    m.AddSideWall(5.0f);
    EXPECT_EQ(m.numVertices(), 4u) << "no flags: unchanged";
    m.Need_VertFlag(0);
    // An older edge list: its entries must not be walled (no quads were reserved for them).
    m.GenEdgeTopoEx();
    m.AddSideWall(5.0f);
    ASSERT_EQ(m.numVertices(), 8u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(m.vertices[i].z, 5.0f) << i;
        EXPECT_EQ(m.vertices[4 + i].x, m.vertices[i].x) << i;
        EXPECT_EQ(m.vertices[4 + i].z, 0.0f) << i;
    }
    ASSERT_EQ(m.numFace4(), 6u);
    // (a, b) walled as (b, a, copy a, copy b); copies in order of first use.
    EXPECT_EQ((std::array<unsigned, 4>{m.faces4[0][0], m.faces4[0][1], m.faces4[0][2], m.faces4[0][3]}),
              (std::array<unsigned, 4>{1, 0, 4, 5}));
    EXPECT_TRUE(m.edges.empty());
}

TEST(GeMeshEdit, SideWallNeedsTwoFlaggedCornersOnAnEdge)
{
    CGeMesh m;
    meshtest::FlatSquare(m);
    m.Need_VertFlag(0);
    m.vertflags->SetAll(false);
    m.vertflags->SetBit(0, true);
    m.AddSideWall(5.0f);
    EXPECT_EQ(m.numVertices(), 4u);
    EXPECT_EQ(m.vertices[0].z, 0.0f);
    EXPECT_TRUE(m.faces4.empty());
}

}  // namespace
