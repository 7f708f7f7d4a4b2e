// Meshes sampled from above through the depth read-back against the processor's
// vertical rays, and a glyph region meshed over a real terrain canvas seen in a 3D
// view: every pixel inside the letters is covered by a face (no holes or cracks along
// them), none outside.
#include "geometry/relief/GeCanvas.h"
#include "geometry/relief/MeshSampling.h"
#include "geometry/relief/tests/TerrainCanvas.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes3d/GeMesh.h"
#include "testing/GlyphLoops.h"
#include "testing/ui/GLViewFixture.h"

#include <GL/glu.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

class MeshSamplingGLTest : public gltest::GLViewTest {
protected:
    void SetUp() override
    {
        GLViewTest::SetUp();
        if (HasFatalFailure()) return;
        Render([] {});  // the first frame initialises the context and GLEW
    }
    void TearDown() override
    {
        m_meshes.reset();
        GLViewTest::TearDown();
    }
    std::unique_ptr<CGeMesh> m_meshes;
};

using GridPtr = std::unique_ptr<CTGrid<float>>;

}  // namespace

TEST_F(MeshSamplingGLTest, DepthReadBackAgreesWithTheVerticalRays)
{
    std::unique_ptr<CGeCanvas> terrain = TerrainCanvas(-10.0f, 5.0f, 0.25f);
    ASSERT_NE(terrain, nullptr);
    unsigned cols[2] = {20, 220}, rows[2] = {30, 250};
    m_meshes.reset(terrain->ToMesh(cols, rows));
    ASSERT_NE(m_meshes, nullptr);
    // OpenGL splits a quad along a diagonal of its own choosing: triangles make both
    // samplers see the same surface between the nodes.
    for (const SFacet4& q : m_meshes->faces4) {
        m_meshes->faces3.emplace_back(q[0], q[1], q[2]);
        m_meshes->faces3.emplace_back(q[0], q[2], q[3]);
    }
    m_meshes->faces4.clear();
    CTypedPtrList<CObList, CGeMesh*> list;
    list.AddTail(m_meshes.get());
    for (const auto& [dx, dy] : {std::pair{0.25f, 0.25f}, std::pair{0.1f, 0.3f}}) {
        GridPtr gpu(geGetFloatGridSrfGL(list, dx, dy));
        GridPtr cpu(geGetFloatGridSrf(list, dx, dy, 0.0f));
        ASSERT_TRUE(gpu && cpu);
        ASSERT_EQ(gpu->nx, cpu->nx);
        ASSERT_EQ(gpu->ny, cpu->ny);
        EXPECT_EQ(gpu->origin[2], cpu->origin[2]);
        // 24-bit depths over the height range with its margins, and pixel centres within
        // step/64 of the nodes on each axis times the local slope (from the neighbouring rays).
        const double range = m_meshes->m_box.zmax - m_meshes->m_box.zmin;
        const double depth = (range + 2.0 * std::max(1.0, 0.01 * range)) / (1 << 23);
        int compared = 0;
        for (int r = 1; r + 1 < gpu->ny; ++r)
            for (int c = 1; c + 1 < gpu->nx; ++c) {
                const auto h = [&](int rr, int cc) { return double(cpu->rows[rr][cc]); };
                // The steepest face around the node: neighbouring differences over the 3 x 3 block.
                double slope = 0.0;
                for (int a = -1; a <= 1; ++a)
                    for (int b = -1; b < 1; ++b) {
                        slope = std::max(slope, std::fabs(h(r + a, c + b + 1) - h(r + a, c + b)) / dx);
                        slope = std::max(slope, std::fabs(h(r + b + 1, c + a) - h(r + b, c + a)) / dy);
                    }
                const double tol = depth + 3.0 * slope * std::max(dx, dy) / 64;  // offsets on both axes
                ASSERT_NEAR(gpu->rows[r][c], cpu->rows[r][c], tol) << dx << " x " << dy << " at " << c << ", " << r;
                ++compared;
            }
        EXPECT_GT(compared, 10000);
    }
    // No device context: null.
    gSetOpenGLDC(nullptr);
    EXPECT_EQ(GridPtr(geGetFloatGridSrfGL(list, 0.25f, 0.25f)), nullptr);
    gSetOpenGLDC(&m_dc);
    CTypedPtrList<CObList, CGeMesh*> empty;
    EXPECT_EQ(GridPtr(geGetFloatGridSrfGL(empty, 0.25f, 0.25f)), nullptr);
}

TEST_F(MeshSamplingGLTest, GlyphMeshOverTheTerrainShowsNoHolesAlongTheLetters)
{
    std::unique_ptr<CGeCanvas> terrain = TerrainCanvas(-3.0f, -6.0f, 0.2f);
    ASSERT_NE(terrain, nullptr);
    glyphs::GlyphReader font;
    ASSERT_TRUE(font.Ok());
    CTypedPtrList<CObList, CGeLoop*> loops;
    ASSERT_GT(glyphs::GlyphLineLoops(font, "Korvel", 12.0, 0.0, loops), 0);
    m_meshes.reset(terrain->ToMesh(&loops, 0.01));
    ASSERT_NE(m_meshes, nullptr);
    ASSERT_FALSE(m_meshes->faces3.empty());
    std::vector<std::vector<std::array<double, 2>>> rings;
    for (POSITION pos = loops.GetHeadPosition(); pos;) {
        CGeLoop* l = loops.GetNext(pos);
        rings.emplace_back();
        for (int i = 0; i < l->GetSWPointCount(); ++i) rings.back().push_back({l->GetSWPoint()[i][0], l->GetSWPoint()[i][1]});
    }
    while (!loops.IsEmpty()) delete loops.RemoveHead();
    // Even-odd containment and the distance to the outline.
    const auto inside = [&](double x, double y, double& dist) {
        bool in = false;
        dist = 1e300;
        for (const auto& q : rings)
            for (size_t i = 0, j = q.size() - 1; i < q.size(); j = i++) {
                const double ax = q[j][0], ay = q[j][1], bx = q[i][0], by = q[i][1];
                if ((by > y) != (ay > y) && x < bx + (y - by) * (ax - bx) / (ay - by)) in = !in;
                const double ex = ax - bx, ey = ay - by, l2 = ex * ex + ey * ey;
                const double t = l2 > 0 ? std::clamp(((x - bx) * ex + (y - by) * ey) / l2, 0.0, 1.0) : 0.0;
                dist = std::min(dist, std::hypot(x - bx - t * ex, y - by - t * ey));
            }
        return in;
    };

    BOX3<double> box = m_meshes->m_box;
    Aim(box, 0, 0, 1);
    double model[16], proj[16];
    GLint viewport[4];
    const QImage flat = Render(
        [&] {
            glDisable(GL_LIGHTING);
            glColor3f(0.8f, 0.1f, 0.1f);
            m_meshes->DrawGL(&m_dc, 23);
            glGetDoublev(GL_MODELVIEW_MATRIX, model);
            glGetDoublev(GL_PROJECTION_MATRIX, proj);
            glGetIntegerv(GL_VIEWPORT, viewport);
        },
        1.0f);
    EXPECT_EQ(m_errors, 0);
    // World size of a pixel; points closer than two pixels to the outline are skipped.
    const double pixel = (box.xmax - box.xmin) / (gltest::kWidth * 0.5);
    int in = 0, out = 0;
    for (double y = box.ymin; y <= box.ymax; y += pixel / 2)
        for (double x = box.xmin; x <= box.xmax; x += pixel / 2) {
            double d;
            const bool isIn = inside(x, y, d);
            if (d < 2 * pixel) continue;
            double wx, wy, wz;
            const CPoint3f* any = &m_meshes->vertices[0];
            gluProject(x, y, any->z, model, proj, viewport, &wx, &wy, &wz);
            const int px = static_cast<int>(wx), py = gltest::kHeight - 1 - static_cast<int>(wy);
            if (px < 0 || py < 0 || px >= flat.width() || py >= flat.height()) continue;
            const QColor got(flat.pixel(px, py));
            const bool covered = got.red() > 150 && got.green() < 80;
            ASSERT_EQ(covered, isIn) << "world " << x << ", " << y << " pixel " << px << ", " << py;
            (isIn ? in : out) += 1;
        }
    EXPECT_GT(in, 1000);
    EXPECT_GT(out, 1000);

    // The shaded view from an angle, kept for a look (heights scaled down to a relief
    // of a few millimetres so that the letters read).
    for (CPoint3f& v : m_meshes->vertices) v.z = 0.05f * (v.z - static_cast<float>(box.zmin));
    m_meshes->DeleteVBO();
    m_meshes->ClearNormal();
    m_meshes->Need_VertexNormals();
    m_meshes->CalcBox();
    Aim(m_meshes->m_box, 0.0, -0.7, 0.7);
    const QImage shaded = Render(
        [&] {
            glEnable(GL_LIGHTING);
            glEnable(GL_LIGHT0);
            const float light[4] = {-0.3f, -0.6f, 1.0f, 0.0f}, ambient[4] = {0.3f, 0.3f, 0.3f, 1.0f};
            glLightfv(GL_LIGHT0, GL_POSITION, light);
            glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
            glEnable(GL_COLOR_MATERIAL);
            glColor3f(0.85f, 0.7f, 0.5f);
            m_meshes->DrawGL(&m_dc, 20);
            glDisable(GL_LIGHTING);
        },
        1.0f);
    EXPECT_EQ(m_errors, 0);
    shaded.save(QString::fromStdString(::testing::TempDir() + "korvel_glyph_mesh_shaded.png"));
    BOX3<double> letterK = m_meshes->m_box;
    letterK.xmax = letterK.xmin + 9.0;
    Aim(letterK, 0.0, -0.5, 0.85);
    m_dc.m_Camera.m_fScale *= 2.0f;
    const QImage closeUp = Render(
        [&] {
            glEnable(GL_LIGHTING);
            glEnable(GL_LIGHT0);
            const float light[4] = {-0.3f, -0.6f, 1.0f, 0.0f};
            glLightfv(GL_LIGHT0, GL_POSITION, light);
            glEnable(GL_COLOR_MATERIAL);
            glColor3f(0.85f, 0.7f, 0.5f);
            m_meshes->DrawGL(&m_dc, 20);
            glDisable(GL_LIGHTING);
        },
        1.0f);
    closeUp.save(QString::fromStdString(::testing::TempDir() + "korvel_glyph_mesh_closeup.png"));
    flat.save(QString::fromStdString(::testing::TempDir() + "korvel_glyph_mesh_flat.png"));
}
