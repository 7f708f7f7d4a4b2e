// Ray and box picking of meshes on hand-made faces whose answers are known, and the
// viewer-facing vertex selection.
#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Matrix33.h"
#include "geometry/shapes3d/GeMesh.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class GeMeshPickTest : public ::testing::Test {
protected:
    void SetUp() override { gSetLooker(&m_looker); }
    void TearDown() override
    {
        gSetLooker(nullptr);
        gSetOpenGLDC(nullptr);
    }

    // A 3D pick straight down from (x, y, 100).
    static CPickRay Down(double x, double y, double aperture = 0.0)
    {
        CPickRay ray;
        ray.m_pt[0] = x, ray.m_pt[1] = y, ray.m_pt[2] = 100.0;
        ray.m_dir[0] = 0.0, ray.m_dir[1] = 0.0, ray.m_dir[2] = -1.0;
        ray.m_dAperture = aperture;
        ray.m_b2D = 0;
        return ray;
    }

    CLooker m_looker;
};

void AddSquareTriangles(CGeMesh& m, float z, float half)
{
    const unsigned base = m.numVertices();
    m.vertices.insert(m.vertices.end(), {{-half, -half, z}, {half, -half, z}, {half, half, z}, {-half, half, z}});
    // The diagonal from corner 0 to corner 2 is shared.
    m.faces3.emplace_back(int(base), int(base + 1), int(base + 2));
    m.faces3.emplace_back(int(base), int(base + 2), int(base + 3));
}

TEST_F(GeMeshPickTest, NearestFaceRows)
{
    struct Row {
        std::string label;
        CGeMesh* mesh;
        CPickRay ray;
        int result, face;
        double depth;
    };
    // Two squares: one at z = 10 (depth 90 from z = 100) and one at z = 150 (behind the
    // origin, depth -50).
    CGeMesh single;
    AddSquareTriangles(single, 10.0f, 5.0f);
    CGeMesh stack;
    AddSquareTriangles(stack, 10.0f, 5.0f);
    AddSquareTriangles(stack, 150.0f, 5.0f);
    // A far triangle, then a quad at z = 0: the quad is face 1 whichever half is hit.
    CGeMesh quad;
    quad.vertices = {{100, 100, 0}, {101, 100, 0}, {100, 101, 0}, {-2, -2, 0}, {2, -2, 0}, {2, 2, 0}, {-2, 2, 0}};
    quad.faces3 = {SFacet3(0, 1, 2)};
    quad.faces4 = {SFacet4(3, 4, 5, 6)};
    // A triangle 0.5 to the right of the ray.
    CGeMesh side;
    side.vertices = {{0.5f, -1, 0}, {3, -1, 0}, {0.5f, 1, 0}};
    side.faces3 = {SFacet3(0, 1, 2)};
    CPickRay shallow = Down(0.0, 0.0);
    shallow.m_dDepth = 20.0;
    const std::vector<Row> rows = {
        {"through the shared edge: the first triangle", &single, Down(0.0, 0.0), 1, 0, 90.0},
        {"behind the origin wins with the smaller depth", &stack, Down(2.0, -1.0), 1, 2, -50.0},
        {"quad, first half", &quad, Down(1.0, -1.0), 1, 1, 100.0},
        {"quad, second half", &quad, Down(-1.0, 1.0), 1, 1, 100.0},
        {"miss", &quad, Down(10.0, 10.0), 0, -7, 1e30},
        {"aperture 0.6 reaches a face 0.5 away", &side, Down(0.0, 0.0, 0.6), 1, 0, 100.0},
        {"aperture 0.4 does not", &side, Down(0.0, 0.0, 0.4), 0, -7, 1e30},
        {"a caller's nearer depth keeps the ray", &quad, shallow, 0, -7, 20.0},
    };
    for (const Row& row : rows) {
        CPickRay ray = row.ray;
        ray.m_nSeg = -7;
        EXPECT_EQ(row.mesh->Pick(ray, 0), row.result) << row.label;
        EXPECT_EQ(ray.m_nSeg, row.face) << row.label;
        EXPECT_DOUBLE_EQ(ray.m_dDepth, row.depth) << row.label;
    }
}

TEST_F(GeMeshPickTest, ParamsFollowTextureOrRayFrame)
{
    CGeMesh m;
    m.vertices = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}};
    m.faces3 = {SFacet3(0, 1, 2)};
    m.uvcoords = {{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}};
    CPickRay ray = Down(3.0, 2.0);
    ASSERT_EQ(m.Pick(ray, 0), 1);
    EXPECT_NEAR(ray.m_dParam, 0.3, 1e-12);
    EXPECT_NEAR(ray.m_dParam2, 0.2, 1e-12);
    EXPECT_NEAR(ray.m_dDepth, 100.0, 1e-12);
    // Without texture pairs the pair is the ray-frame trace of the hit: the origin.
    m.uvcoords.clear();
    CPickRay plain = Down(3.0, 2.0);
    ASSERT_EQ(m.Pick(plain, 0), 1);
    EXPECT_NEAR(plain.m_dParam, 0.0, 1e-12);
    EXPECT_NEAR(plain.m_dParam2, 0.0, 1e-12);
}

TEST_F(GeMeshPickTest, RefusalsLeaveTheRay)
{
    CGeMesh m;
    AddSquareTriangles(m, 0.0f, 5.0f);
    CPickRay filtered = Down(1.0, 1.0);
    filtered.m_nTypeMask = 0x1;
    EXPECT_EQ(m.Pick(filtered, 1), 0) << "type mask without the mesh's bit";
    EXPECT_EQ(m.Pick(filtered, 0), 1) << "no filter";
    CGeMesh empty;
    CPickRay ray = Down(1.0, 1.0);
    EXPECT_EQ(empty.Pick(ray, 0), 0);
    EXPECT_EQ(ray.m_dDepth, 1e30);
    gSetLooker(nullptr);
    EXPECT_EQ(m.Pick(ray, 0), 0) << "no view";
    EXPECT_EQ(ray.m_dDepth, 1e30);
}

TEST_F(GeMeshPickTest, PickBoxByShowMode)
{
    CGeMesh m;
    AddSquareTriangles(m, 0.0f, 5.0f);
    _rect_fm3d frame;
    RF_Init(&frame);
    BOX2<double> corner;
    corner.xmin = 4, corner.ymin = 4, corner.xmax = 6, corner.ymax = 6;
    BOX2<double> away;
    away.xmin = 20, away.ymin = 20, away.xmax = 30, away.ymax = 30;
    struct Row {
        std::string label;
        int mode;
        BOX2<double>* box;
        int result;
    };
    const std::vector<Row> rows = {
        {"shaded, one corner inside", 20, &corner, 1},
        {"points, one corner inside", 22, &corner, 1},
        {"shaded, nothing inside", 20, &away, 0},
        {"flat unlit never picks", 23, &corner, 0},
    };
    for (const Row& row : rows) {
        m_looker.SetSrfShowMode(row.mode);
        EXPECT_EQ(m.PickBox(&frame, row.box), row.result) << row.label;
    }
    EXPECT_EQ(m.PickBox(nullptr, &corner), 0);
}

TEST_F(GeMeshPickTest, EffectedVerticesFaceTheViewer)
{
    COpenGLDC dc;
    GCamera& cam = dc.m_Camera;
    cam.m_eye[2] = 1000.0;  // looking down -z: the viewer is up +z
    gSetOpenGLDC(&dc);
    CGeMesh m;
    // Face 0 faces up; face 1 (sharing vertex 2) faces down; face 2 is vertical
    // (edge-on); face 3 faces down alone; vertex 8 is far from the centre.
    m.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0},  {2, 1, 0}, {2, 2, 0},
                  {0, 0, 1}, {3, 3, 0}, {4, 3, 0}, {50, 50, 0}, {3, 4, 0}};
    m.faces3 = {SFacet3(0, 1, 2), SFacet3(2, 4, 3), SFacet3(0, 1, 5), SFacet3(6, 9, 7)};
    m.faces4 = {SFacet4(0, 1, 8, 2)};
    struct Row {
        std::string label;
        std::vector<unsigned> faces;
        double limit;
        std::vector<unsigned> expected;
    };
    const std::vector<Row> rows = {
        {"facing, back-facing and edge-on", {0, 1, 2}, 100.0, {0, 1, 2, 5}},
        {"only back-facing: nothing, also on a fresh flag set", {3}, 100.0, {}},
        {"the limit is on the squared distance", {0}, 1.0, {0}},
        {"a facing quad brings its four corners within the limit", {4}, 1e6, {0, 1, 2, 8}},
        {"no faces", {}, 100.0, {}},
    };
    for (const Row& row : rows) {
        CGeMesh fresh;
        fresh.CopyFromMesh(&m);
        std::vector<unsigned> faces = row.faces, verts;
        fresh.GetEffectedVert(faces, CPoint3f(0, 0, 0), row.limit, verts);
        EXPECT_EQ(verts, row.expected) << row.label;
    }
    // Without a device context nothing is selected.
    gSetOpenGLDC(nullptr);
    std::vector<unsigned> faces = {0}, verts;
    m.GetEffectedVert(faces, CPoint3f(0, 0, 0), 100.0, verts);
    EXPECT_TRUE(verts.empty());
}

}  // namespace
