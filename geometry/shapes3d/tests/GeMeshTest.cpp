// The mesh's data model: records, copies, creation from a grid, boundary curves.
#include "framework/widgra/Progress.h"
#include "geometry/relief/TGrid.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/tests/MeshFixtures.h"

#include <gtest/gtest.h>

namespace {

TEST(GeMesh, Records)
{
    SFacet3 f;
    EXPECT_EQ(f[0], 0xFFFFFFFFu);
    f.Set(4, 7, 4);
    EXPECT_EQ(f.indexof(4), 0);
    EXPECT_EQ(f.indexof(7), 1);
    EXPECT_EQ(f.indexof(9), -1);
    EXPECT_EQ(SFacet4()[3], 0xFFFFFFFFu);
    EXPECT_TRUE((SEdge{3, 7, 1, 2} == SEdge{7, 3, 5, -1}));
    EXPECT_FALSE((SEdge{3, 7, 1, 2} == SEdge{3, 8, 1, 2}));
    SEdge e;
    EXPECT_TRUE(e.v0 == 0 && e.v1 == 0 && e.f0 == -1 && e.f1 == -1);
}

TEST(GeMesh, CopyIsExactAndDropsDerivedData)
{
    CGeMesh src;
    meshtest::FlatSquare(src);
    src.m_fStepLimit = 0.3f;
    src.Need_VertexNormals();
    src.m_listBndCurve.AddTail(new CGeLine3d(CPoint3f(0, 0, 0), CPoint3f(1, 0, 0)));

    CGeMesh dst;
    meshtest::AddVertices(dst, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {5, 5, 5}, {6, 6, 6}});
    dst.faces4 = {SFacet4(2, 3, 4, 5)};
    dst.facenormals.resize(1);
    dst.Need_Neighbors();
    dst.Need_VertFlag(0);
    dst.CopyFromMesh(&src);
    EXPECT_EQ(dst.vertices, src.vertices);
    EXPECT_TRUE(dst.faces4.empty()) << "quads indexing vertices that are gone";
    EXPECT_TRUE(dst.facenormals.empty());
    EXPECT_EQ(dst.normals, src.normals);
    EXPECT_TRUE(dst.neighbors.empty());
    EXPECT_FALSE(dst.vertflags);
    EXPECT_EQ(dst.m_fStepLimit, 0.3f);
    EXPECT_EQ(dst.m_listBndCurve.GetCount(), 1);

    std::unique_ptr<CGeShape3d> copy(src.Copy());
    auto* mesh = dynamic_cast<CGeMesh*>(copy.get());
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->faces3.size(), 2u);
    EXPECT_EQ(mesh->m_fStepLimit, 0.3f);
    EXPECT_EQ(CGeMesh().m_fStepLimit, 3.4028233e21f);
}

TEST(GeMesh, CreateFromGrids)
{
    EXPECT_EQ(CGeMesh().Create(nullptr), 0);
    const float org[3] = {1, 2, 0};
    CTGrid<float> grid;
    ASSERT_EQ(grid.Create(org, 1.0f, 2.0f, 2, 2), 1);
    grid.rows[1][0] = 7.0f;
    CGeMesh m;
    ASSERT_EQ(m.Create(&grid), 1);
    ASSERT_EQ(m.numVertices(), 4u);
    EXPECT_EQ(m.vertices[2], CPoint3f(1, 4, 7));
    ASSERT_EQ(m.numFace3(), 2u);
    EXPECT_EQ((std::array<unsigned, 6>{m.faces3[0][0], m.faces3[0][1], m.faces3[0][2], m.faces3[1][0],
                                       m.faces3[1][1], m.faces3[1][2]}),
              (std::array<unsigned, 6>{0, 1, 2, 1, 3, 2}));
    EXPECT_EQ(m.normals.size(), 4u);
    EXPECT_EQ(m.m_box.zmax, 7.0);

    CTGrid<float> row;
    ASSERT_EQ(row.Create(org, 1.0f, 1.0f, 5, 1), 1);
    CGeMesh line;
    line.Create(&row);
    EXPECT_EQ(line.numVertices(), 5u);
    EXPECT_EQ(line.numFace3(), 0u);
}

// A cancel in each stage: what was appended stays; a cancel in the normals leaves them
// empty so that the next request computes them.
TEST(GeMesh, CancelledCreate)
{
    const float org[3] = {0, 0, 0};
    CTGrid<float> grid;
    ASSERT_EQ(grid.Create(org, 1.0f, 1.0f, 4, 3), 1);
    struct Case {
        std::int64_t polls;
        unsigned vertices, triangles;
    } cases[] = {{0, 1, 0}, {5, 6, 0}, {12, 12, 2}, {17, 12, 12}, {25, 12, 12}};
    for (const Case& c : cases) {
        CGeMesh m;
        widgra::testing::CancelAfterPolls(c.polls);
        EXPECT_EQ(m.Create(&grid), 0) << c.polls;
        widgra::testing::Reset();
        EXPECT_EQ(m.numVertices(), c.vertices) << c.polls;
        EXPECT_EQ(m.numFace3(), c.triangles) << c.polls;
        EXPECT_TRUE(m.normals.empty()) << c.polls;
        EXPECT_EQ(m.Need_VertexNormals(), 1) << c.polls;
    }
}

TEST(GeMesh, BoundaryCurves)
{
    CGeMesh closed;
    meshtest::FromTriMesh(millkit::SphereMesh({0, 0, 0}, 10, 16), closed);
    closed.CreateBndCrv();
    EXPECT_TRUE(closed.m_listBndCurve.IsEmpty()) << "closed mesh";

    CGeMesh sheet;
    meshtest::FromTriMesh(millkit::TerrainMesh([](double, double) { return 1.0; }, 0, 0, 10, 5), sheet);
    sheet.CreateBndCrv();
    ASSERT_EQ(sheet.m_listBndCurve.GetCount(), 1);
    CGeCurve3d* c = sheet.m_listBndCurve.GetHead();
    EXPECT_TRUE(c->IsClosed(0.02));
    EXPECT_NEAR(c->EvTotalArcLength(), 40.0, 1e-9);
    EXPECT_FALSE(sheet.edges.empty());
}

TEST(GeMesh, Box)
{
    CGeMesh m;
    m.m_box.InitEmpty();
    m.CalcBox();
    EXPECT_TRUE(m.IsBoxEmpty());
    meshtest::AddVertices(m, {{1, 5, -2}, {-3, 2, 4}});
    m.CalcBox();
    EXPECT_EQ(m.m_box.xmin, -3.0);
    EXPECT_EQ(m.m_box.ymax, 5.0);
    EXPECT_EQ(m.m_box.zmin, -2.0);
    EXPECT_EQ(m.GetType(), 0x40000);
}

}  // namespace
