// Mesh display, screen projection and the device context's buffer, framebuffer and
// camera services in a real OpenGL context, on real meshes of the CGAL data archive:
// buffers and client arrays draw the same pictures, flat faces are lit by their own
// normals, points land where the camera projects the vertices.
#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"
#include "geometry/shapes3d/GeMesh.h"
#include "platform/ui/GLArea.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/View.h"
#include "testing/ui/GLViewFixture.h"
#include "testing/MeshPeers.h"

#include <GL/glew.h>

#include <QColor>
#include <QImage>
#include <QOpenGLWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using gltest::kHeight;
using gltest::kWidth;

// One view with its OpenGL area and a device context published for the drawings.
class GeMeshDrawGLTest : public gltest::GLViewTest {};

bool ReadMesh(const std::string& name, CGeMesh& mesh)
{
    meshpeers::PolyMesh pm;
    if (!meshpeers::ReadScaled(name, pm)) return false;
    meshpeers::ToGeMesh(pm, mesh);
    mesh.CalcBox();
    return true;
}

int DifferentPixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return a.width() * a.height();
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return n;
}

int MaxChannelDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return 255;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

int LitPixels(const QImage& a)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += qGray(a.pixel(x, y)) > 0 ? 1 : 0;
    return n;
}

TEST_F(GeMeshDrawGLTest, BuffersAndClientArraysDrawTheSameInEveryMode)
{
    for (const std::string name : {"cube_quad.off", "bunny00.off"}) {
        CGeMesh base;
        ASSERT_TRUE(ReadMesh(name, base)) << name;
        Aim(base.m_box, 1, -1.3, 0.8);
        struct Mode {
            std::string label;
            int show, type;
            bool normals, edges;
        };
        const std::vector<Mode> modes = {
            {"shaded smooth", 20, 0, true, false}, {"shaded flat", 20, 0, false, false},
            {"points", 22, 0, true, false},        {"flat unlit", 23, 0, false, false},
            {"type 3 points", 20, 3, false, false}, {"wireframe", 20, 0, false, true},
        };
        for (const Mode& mode : modes) {
            const std::string label = name + ", " + mode.label;
            QImage images[2];
            for (int buffers = 0; buffers < 2; ++buffers) {
                CGeMesh mesh;
                mesh.CopyFromMesh(&base);
                if (mode.normals) mesh.Need_VertexNormals();
                m_looker.SetSrfShowMode(mode.show);
                images[buffers] = Render([&] {
                    m_dc.m_bVBO = BYTE(buffers);
                    m_dc.SetLightDirection(0.3f, -0.5f, 1.0f);
                    glColor3f(1, 1, 1);
                    if (mode.edges)
                        mesh.DrawEdge(&m_dc);
                    else
                        mesh.DrawGL(&m_dc, mode.type);
                    glDisable(GL_LIGHTING);
                });
                const bool drewFaces = mode.show != 22 && mode.type != 3;
                if (buffers && drewFaces) {
                    EXPECT_NE(mesh.vbovertex, 0u) << label << ": buffers built";
                    EXPECT_EQ(mesh.vboface3 != 0, !mesh.faces3.empty()) << label << ": triangle buffer";
                    EXPECT_EQ(mesh.vboface4 != 0, !mesh.faces4.empty()) << label << ": quad buffer";
                } else {
                    EXPECT_EQ(mesh.vbovertex, 0u) << label << ": no buffers";
                }
                m_dc.m_bVBO = 1;
            }
            // Points light about one pixel per vertex, faces much more.
            EXPECT_GT(LitPixels(images[0]), int(std::min(500u, base.numVertices() / 2))) << label;
            EXPECT_EQ(DifferentPixels(images[0], images[1]), 0) << label;
            EXPECT_EQ(m_errors, 0) << label;
        }
    }
}

TEST_F(GeMeshDrawGLTest, FlatFacesAreLitByTheirOwnNormals)
{
    CGeMesh cube;
    ASSERT_TRUE(ReadMesh("cube_quad.off", cube));
    ASSERT_GT(cube.numFace4(), 0u);
    // A triangle far behind the cube, so that quad j must take face normal 1 + j.
    const unsigned n = cube.numVertices();
    cube.vertices.insert(cube.vertices.end(), {{0, 0, -400}, {1, 0, -400}, {0, 1, -400}});
    cube.faces3 = {SFacet3(int(n), int(n + 1), int(n + 2))};
    cube.CalcBox();
    BOX3<double> view;
    view.xmin = view.ymin = view.zmin = -50, view.xmax = view.ymax = view.zmax = 50;
    Aim(view, 1, -1.3, 0.8);
    const float light[3] = {0.3f, -0.5f, 1.0f};
    m_looker.SetSrfShowMode(20);
    for (int buffers = 0; buffers < 2; ++buffers) {
        const QImage image = Render([&] {
            m_dc.m_bVBO = BYTE(buffers);
            m_dc.SetLightDirection(light[0], light[1], light[2]);
            cube.DrawGL(&m_dc, 0);
            glDisable(GL_LIGHTING);
        });
        m_dc.m_bVBO = 1;
        // Fixed-pipeline defaults: material ambient 0.2 under the scene ambient 0.2,
        // diffuse 0.8 under a white light: 0.04 + 0.8 max(0, n . l).
        const double ll = std::sqrt(light[0] * light[0] + light[1] * light[1] + light[2] * light[2]);
        double s[3], u[3], f[3];
        m_dc.m_Camera.GetAxes(s, u, f);
        int checked = 0;
        for (unsigned j = 0; j < cube.numFace4(); ++j) {
            CVector3f normal;
            cube.FaceNormal(cube.numFace3() + j, normal);
            if (normal.dx * f[0] + normal.dy * f[1] + normal.dz * f[2] > -0.2) continue;  // not facing the camera
            const SFacet4& q = cube.faces4[j];
            double centre[3] = {0, 0, 0};
            for (int k = 0; k < 4; ++k)
                for (int i = 0; i < 3; ++i) centre[i] += 0.25 * cube.vertices[q[k]][i];
            const double lit = (normal.dx * light[0] + normal.dy * light[1] + normal.dz * light[2]) / ll;
            const int expected = int(std::lround(255.0 * std::min(1.0, 0.04 + 0.8 * std::max(0.0, lit))));
            // The centre and four points part-way to the corners: one even colour.
            for (int k = -1; k < 4; ++k) {
                double p[3];
                for (int i = 0; i < 3; ++i) p[i] = k < 0 ? centre[i] : centre[i] + 0.6 * (cube.vertices[q[k]][i] - centre[i]);
                double pixel[2];
                m_dc.m_Camera.world_to_screen(p, pixel);
                const int got = qRed(image.pixel(int(pixel[0]), int(pixel[1])));
                EXPECT_NEAR(got, expected, 2) << "quad " << j << " point " << k
                                              << (buffers ? " from buffers" : " from client arrays");
            }
            ++checked;
        }
        EXPECT_GE(checked, 3) << "visible faces";
    }
    EXPECT_EQ(m_errors, 0);
}

TEST_F(GeMeshDrawGLTest, PointsLandOnTheProjectedVertices)
{
    CGeMesh cube;
    ASSERT_TRUE(ReadMesh("cube_quad.off", cube));
    Aim(cube.m_box, 1, -1.3, 0.8);
    m_looker.SetSrfShowMode(22);
    GLfloat sizeAfter = 0;
    const QImage image = Render([&] {
        glDisable(GL_DEPTH_TEST);
        glColor3f(1, 1, 1);
        glPointSize(5.0f);
        cube.DrawGL(&m_dc, 0);
        glGetFloatv(GL_POINT_SIZE, &sizeAfter);
    });
    EXPECT_EQ(sizeAfter, 5.0f) << "DrawVertex restores the point size";
    for (unsigned v = 0; v < cube.numVertices(); ++v) {
        const double p[3] = {cube.vertices[v].x, cube.vertices[v].y, cube.vertices[v].z};
        double pixel[2];
        m_dc.m_Camera.world_to_screen(p, pixel);
        bool lit = false;
        for (int dy = -1; dy <= 1 && !lit; ++dy)
            for (int dx = -1; dx <= 1 && !lit; ++dx) lit = qGray(image.pixel(int(pixel[0]) + dx, int(pixel[1]) + dy)) > 0;
        EXPECT_TRUE(lit) << "vertex " << v;
    }
    // Points of size 1: few pixels lit.
    EXPECT_LE(LitPixels(image), int(4 * cube.numVertices()));
    EXPECT_EQ(m_errors, 0);
}

TEST_F(GeMeshDrawGLTest, TypeOverridesAndLateNormals)
{
    CGeMesh bunny;
    ASSERT_TRUE(ReadMesh("bunny00.off", bunny));
    Aim(bunny.m_box, 0.2, -1, 0.3);
    auto draw = [&](CGeMesh& m, int type) {
        return Render([&] {
            m_dc.SetLightDirection(0.3f, -0.5f, 1.0f);
            glColor3f(1, 1, 1);
            m.DrawGL(&m_dc, type);
            glDisable(GL_LIGHTING);
        });
    };
    m_looker.SetSrfShowMode(22);
    const QImage points = draw(bunny, 0);
    m_looker.SetSrfShowMode(23);
    const QImage flat = draw(bunny, 0);
    m_looker.SetSrfShowMode(20);
    EXPECT_EQ(DifferentPixels(draw(bunny, 3), points), 0) << "type 3 draws points in shaded mode";
    m_looker.SetAnimateView(TRUE);
    EXPECT_EQ(DifferentPixels(draw(bunny, 0), points), 0) << "an animating view draws points";
    EXPECT_EQ(DifferentPixels(draw(bunny, 23), flat), 0) << "type 23 wins over the animation";
    m_looker.SetAnimateView(FALSE);

    // Buffers built without normals, then normals computed: the next draw is smooth,
    // exactly as a mesh drawn with its normals from the start.
    CGeMesh late;
    late.CopyFromMesh(&bunny);
    const QImage flatShaded = draw(late, 0);
    ASSERT_NE(late.vbovertex, 0u);
    late.Need_VertexNormals();
    const QImage afterNormals = draw(late, 0);
    CGeMesh fresh;
    fresh.CopyFromMesh(&bunny);
    fresh.Need_VertexNormals();
    const QImage smooth = draw(fresh, 0);
    EXPECT_EQ(DifferentPixels(afterNormals, smooth), 0);
    EXPECT_GT(DifferentPixels(flatShaded, smooth), 100) << "smooth and flat shading differ";
    EXPECT_EQ(m_errors, 0);
}

TEST_F(GeMeshDrawGLTest, ChosenFacesDrawLikeTheWholeSmoothMesh)
{
    for (const std::string name : {"bunny00.off", "cube_quad.off"}) {
        CGeMesh mesh;
        ASSERT_TRUE(ReadMesh(name, mesh)) << name;
        if (name == "cube_quad.off") {
            // One quad split into two triangles, so that both face kinds are listed.
            const SFacet4 q = mesh.faces4.back();
            mesh.faces4.pop_back();
            mesh.faces3 = {SFacet3(int(q[0]), int(q[1]), int(q[2])), SFacet3(int(q[2]), int(q[3]), int(q[0]))};
        }
        mesh.Need_VertexNormals();
        Aim(mesh.m_box, 1, -1.3, 0.8);
        m_looker.SetSrfShowMode(20);
        auto draw = [&](bool chosen) {
            return Render([&] {
                m_dc.m_bVBO = 0;
                m_dc.SetLightDirection(0.3f, -0.5f, 1.0f);
                std::vector<unsigned> all;
                for (unsigned f = 0; f < mesh.numFace(); ++f) all.push_back(f);
                if (chosen)
                    mesh.DrawGL(&m_dc, all);
                else
                    mesh.DrawGL(&m_dc, 0);
                glDisable(GL_LIGHTING);
                m_dc.m_bVBO = 1;
            });
        };
        const QImage whole = draw(false), chosen = draw(true);
        EXPECT_GT(LitPixels(whole), 1000) << name;
        EXPECT_EQ(LitPixels(whole), LitPixels(chosen)) << name << ": the same pixels covered";
        // Triangles shade alike up to a rounding level; a quad's shading depends on the
        // diagonal the rasteriser splits it along, which immediate mode may choose
        // differently.
        if (mesh.faces4.empty()) {
            EXPECT_LE(MaxChannelDifference(whole, chosen), 2) << name;
        }
    }
    EXPECT_EQ(m_errors, 0);
}

TEST_F(GeMeshDrawGLTest, ScreenPointsAgreeInOrthographicAndPerspectiveViews)
{
    CGeMesh bunny;
    ASSERT_TRUE(ReadMesh("bunny00.off", bunny));
    Aim(bunny.m_box, 0.4, -1, 0.5);
    for (const bool perspective : {false, true}) {
        const std::string label = perspective ? "perspective" : "orthographic";
        std::vector<SScreenPoint> glu, own;
        Render([&] {
            if (perspective) {
                glMatrixMode(GL_PROJECTION);
                glLoadIdentity();
                glFrustum(-40, 40, -30, 30, 200, 600);
                glMatrixMode(GL_MODELVIEW);
            }
            bunny.screenpoints.clear();
            bunny.DeleteTree();
            bunny.GetScreenPoint();
            glu = bunny.screenpoints;
            bunny.screenpoints.clear();
            bunny.DeleteTree();
            bunny.GetScreenPointEx();
            own = bunny.screenpoints;
        });
        ASSERT_EQ(glu.size(), bunny.numVertices()) << label;
        ASSERT_EQ(own.size(), bunny.numVertices()) << label;
        int inView = 0;
        for (unsigned v = 0; v < bunny.numVertices(); ++v) {
            ASSERT_LE(std::abs(glu[v].x - own[v].x), 1) << label << " vertex " << v;
            ASSERT_LE(std::abs(glu[v].y - own[v].y), 1) << label << " vertex " << v;
            inView += glu[v].x >= 0 && glu[v].x < kWidth && glu[v].y >= 0 && glu[v].y <= kHeight ? 1 : 0;
            if (!perspective) {
                // The camera's own projection: x right, y down from the top.
                const double p[3] = {bunny.vertices[v].x, bunny.vertices[v].y, bunny.vertices[v].z};
                double pixel[2];
                m_dc.m_Camera.world_to_screen(p, pixel);
                ASSERT_NEAR(glu[v].x, pixel[0], 1.01) << label << " vertex " << v;
                ASSERT_NEAR(glu[v].y, pixel[1], 1.01) << label << " vertex " << v;
            }
        }
        EXPECT_GT(inView, int(bunny.numVertices()) / 2) << label;
        ASSERT_TRUE(bunny.quadtree) << label;
        EXPECT_EQ(bunny.quadtree->root->box.xmax, kWidth) << label;
        EXPECT_EQ(bunny.quadtree->root->box.ymax, kHeight) << label;
    }
    EXPECT_EQ(m_errors, 0);
}

TEST_F(GeMeshDrawGLTest, FarVerticesAreClampedAndBrushBoxesFindTheRightFaces)
{
    CGeMesh bunny;
    ASSERT_TRUE(ReadMesh("bunny00.off", bunny));
    // A triangle whose window x lies about 65536 pixels to the right: stored in 16 bits
    // without clamping it would wrap round into the view.
    Aim(bunny.m_box, 0, 0, 1);
    const GCamera& c = m_dc.m_Camera;
    const double shift = (65536.0 + 100.0 - 0.5 * kWidth) / c.m_fScale;
    const unsigned n = bunny.numVertices();
    const float cx = float(c.m_ref[0] + shift), cy = float(c.m_ref[1]);
    bunny.vertices.insert(bunny.vertices.end(), {{cx, cy, 0}, {cx + 1, cy, 0}, {cx, cy + 1, 0}});
    bunny.faces3.emplace_back(int(n), int(n + 1), int(n + 2));
    std::vector<unsigned> found;
    BOX2<short int> brush;
    brush.xmin = 80, brush.xmax = 130, brush.ymin = 100, brush.ymax = 140;
    Render([&] { bunny.GetEffectedFacet(brush, found); });
    ASSERT_EQ(bunny.screenpoints.size(), bunny.numVertices());
    EXPECT_EQ(bunny.screenpoints[n].x, 32767) << "clamped, not wrapped";
    const unsigned far = bunny.numFace3() - 1;
    EXPECT_FALSE(std::binary_search(found.begin(), found.end(), far)) << "the far face is not under the brush";
    // The quad tree answers what a brute-force overlap over the face boxes answers.
    std::vector<unsigned> expected;
    for (unsigned f = 0; f < bunny.numFace(); ++f)
        if (bunny.faceboxes[f].IsIntersect(brush)) expected.push_back(f);
    EXPECT_EQ(found, expected);
    EXPECT_GT(found.size(), 10u);

    // Vertices moved by a caller: their entries and their faces' boxes follow after
    // UpdateScreenPoint and UpdateEffectedFaceBox, as a fresh projection has them.
    std::vector<unsigned> moved;
    for (unsigned v = 0; v < n; v += 7) {
        bunny.vertices[v].x += 3.0f;
        moved.push_back(v);
    }
    std::vector<SScreenPoint> fresh;
    std::vector<BOX2<short int>> freshBoxes;
    Render([&] {
        bunny.UpdateScreenPoint(moved);
        std::vector<unsigned> all;
        for (unsigned f = 0; f < bunny.numFace(); ++f) all.push_back(f);
        bunny.UpdateEffectedFaceBox(all);
        CGeMesh copy;
        copy.CopyFromMesh(&bunny);
        copy.GetScreenPoint();
        fresh = copy.screenpoints;
        freshBoxes = copy.faceboxes;
    });
    ASSERT_EQ(fresh.size(), bunny.screenpoints.size());
    int differ = 0;
    for (unsigned v = 0; v < n; ++v) differ += fresh[v].x != bunny.screenpoints[v].x || fresh[v].y != bunny.screenpoints[v].y;
    EXPECT_EQ(differ, 0);
    ASSERT_EQ(freshBoxes.size(), bunny.faceboxes.size());
    for (unsigned f = 0; f < bunny.numFace(); ++f) {
        ASSERT_EQ(freshBoxes[f].xmin, bunny.faceboxes[f].xmin) << "face " << f;
        ASSERT_EQ(freshBoxes[f].ymax, bunny.faceboxes[f].ymax) << "face " << f;
    }
    EXPECT_EQ(m_errors, 0);
}

TEST_F(GeMeshDrawGLTest, FramebufferAndPixelPackServices)
{
    // A plane rising along x from z = 0 to z = 10 over the box (0, 0)-(64, 32), rendered
    // into a framebuffer object from above with LookAt; the depths read back through a
    // pixel-pack buffer give the plane's heights.
    CGeMesh ramp;
    ramp.vertices = {{0, 0, 0}, {64, 0, 10}, {64, 32, 10}, {0, 32, 0}};
    ramp.faces4 = {SFacet4(0, 1, 2, 3)};
    BOX3<double> box;
    box.xmin = 0, box.ymin = 0, box.zmin = 0, box.xmax = 64, box.ymax = 32, box.zmax = 10;
    const int nx = 64, ny = 32;
    std::vector<float> depth;
    BOOL complete = FALSE, incomplete = TRUE;
    Render([&] {
        m_dc.InitCaps();
        if (!m_dc.m_bFBO || !m_dc.m_bPBO) return;
        GLint previous = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
        GLuint empty = 0;
        glGenFramebuffers(1, &empty);
        incomplete = m_dc.CheckFramebufferStatus(empty);
        GLuint texture = 0, depthBuffer = 0, fbo = 0, pbo = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, nx, ny, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        glGenRenderbuffers(1, &depthBuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT, nx, ny);
        glGenFramebuffers(1, &fbo);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
        complete = m_dc.CheckFramebufferStatus(fbo);
        if (complete) {
            m_dc.Ready(nx, ny);
            m_dc.m_Camera.LookAt(box);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glEnable(GL_DEPTH_TEST);
            ramp.DrawGL(&m_dc, 23);
            pbo = m_dc.CreateVBO(nullptr, nx * ny * 4, GL_PIXEL_PACK_BUFFER, GL_STREAM_READ);
            m_dc.BindBuffer(GL_PIXEL_PACK_BUFFER, pbo);
            glReadPixels(0, 0, nx, ny, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
            if (const auto* mapped = static_cast<const float*>(glMapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY))) {
                depth.assign(mapped, mapped + nx * ny);
                glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
            }
            m_dc.BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
            m_dc.DeleteBuffers(1, &pbo);
        }
        glBindFramebuffer(GL_FRAMEBUFFER, GLuint(previous));
        glDeleteFramebuffers(1, &fbo);
        glDeleteFramebuffers(1, &empty);
        glDeleteRenderbuffers(1, &depthBuffer);
        glDeleteTextures(1, &texture);
        ramp.DeleteVBO();
    });
    ASSERT_TRUE(m_dc.m_bFBO && m_dc.m_bPBO) << "framebuffer objects and pixel-pack buffers";
    EXPECT_FALSE(incomplete) << "a framebuffer without attachments is incomplete";
    ASSERT_TRUE(complete);
    ASSERT_EQ(depth.size(), std::size_t(nx * ny));
    for (int j = 0; j < ny; j += 5)
        for (int k = 0; k < nx; k += 3) {
            // Pixel centre k + 0.5 lies at x = k + 0.5 on the plane z = x * 10 / 64.
            const double z = (k + 0.5) * 10.0 / 64.0;
            const double fromDepth = box.zmax - depth[std::size_t(j * nx + k)] * (box.zmax - box.zmin);
            EXPECT_NEAR(fromDepth, z, 1e-3) << "pixel (" << k << ", " << j << ")";
        }
    EXPECT_EQ(m_errors, 0);
}

}  // namespace
