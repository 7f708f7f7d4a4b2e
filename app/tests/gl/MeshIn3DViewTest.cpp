// Meshes in the program's 3D work area: the bunny and the quad torus drawn through the
// drawing view's own OpenGL widget and device context, lit as a caller lights them, in
// every surface show mode and after a draw-brush stroke placed with the screen-space
// selection. With KORVEL_SCREENSHOT_DIR set, each frame is also saved there.
#include "WorkArea3DTest.h"

#include "app/KorvelIds.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"
#include "framework/looker/SnapRecords.h"
#include "platform/ui/GLArea.h"
#include "testing/MeshPeers.h"

#include <GL/glew.h>

#include <QImage>
#include <QOpenGLWidget>
#include <QTest>
#include <QWidget>

#include <cmath>
#include <cstdlib>
#include <string>

using namespace korvel_test;

namespace {

class MeshIn3DViewTest : public WorkArea3DTest {};

TEST_F(MeshIn3DViewTest, BunnyAndQuadTorusInEveryShowModeAndAfterABrushStroke)
{
    ASSERT_NO_FATAL_FAILURE(Open3DWorkArea());

    // The bunny at the origin, the torus beside it, both 100 mm across.
    CGeMesh bunny, torus;
    meshpeers::PolyMesh pb, pt;
    ASSERT_TRUE(meshpeers::ReadScaled("bunny00.off", pb));
    ASSERT_TRUE(meshpeers::ReadScaled("torus_quad.off", pt));
    meshpeers::ToGeMesh(pb, bunny);
    meshpeers::ToGeMesh(pt, torus);
    ASSERT_GT(torus.numFace4(), 0u);
    double shift[3] = {120.0, 0.0, 0.0};
    torus.Translate3D(shift);
    for (CGeMesh* m : {&bunny, &torus}) {
        m->CalcBox();
        m->CreateBndCrv();
        m->ComputerIsoCurve(8);
    }
    // Looking at both from the front, a little from above and the left.
    const double centre[3] = {60.0, 0.0, 0.0};
    const double from[3] = {-0.35, -1.0, 0.45};
    AimCamera(centre, from, 400.0, 2.4f);
    GCamera& camera = dc->m_Camera;

    // One frame of the work area as a caller draws meshes: the camera's view, depth
    // test, a light from the upper left, white for the unlit modes.
    auto frame = [&](const std::string& label) {
        return Grab(label, [&] {
            dc->SetLightDirection(-0.5f, -1.0f, 1.0f);
            glColor3f(1.0f, 1.0f, 0.8f);
            bunny.DrawGL(dc, 0);
            torus.DrawGL(dc, 0);
        });
    };

    struct Mode {
        std::string label;
        int mode;
        bool normals;
    };
    const std::vector<Mode> modes = {
        {"20-flat", 20, false}, {"20-smooth", 20, true}, {"21-curves", 21, true},
        {"22-points", 22, true}, {"23-unlit", 23, true},
    };
    QImage smooth;
    for (const Mode& m : modes) {
        looker->SetSrfShowMode(m.mode);
        for (CGeMesh* mesh : {&bunny, &torus}) {
            if (m.normals)
                mesh->Need_VertexNormals();
            else
                mesh->ClearNormal();
        }
        const QImage image = frame(m.label);
        EXPECT_GT(PixelsOtherThan(image, background), 2000) << m.label;
        EXPECT_EQ(frameErrors, 0) << m.label;
        if (m.label == "20-smooth") smooth = image;
    }
    EXPECT_NE(bunny.vbovertex, 0u) << "the program's context offers buffer objects";

    // A brush stroke at the bunny's middle: the ray through the window centre of the
    // bunny picks the surface; the faces under a 60-pixel box and their viewer-facing
    // corners within 12 mm are raised along the surface normal.
    looker->SetSrfShowMode(20);
    const double bunnyCentre[3] = {0.0, 0.0, 0.0};
    double pixel[2];
    camera.world_to_screen(bunnyCentre, pixel);
    CPickRay ray;
    ray.m_b2D = 0;
    double onPlane[3], dir[3];
    camera.screen_to_world(pixel[0], pixel[1], onPlane);
    camera.get_viewdirection(dir);
    for (int i = 0; i < 3; ++i) ray.m_pt[i] = onPlane[i] - 500.0 * dir[i], ray.m_dir[i] = dir[i];
    ASSERT_EQ(bunny.Pick(ray, 0), 1);
    const CPoint3f hit(float(ray.m_pt[0] + ray.m_dDepth * dir[0]), float(ray.m_pt[1] + ray.m_dDepth * dir[1]),
                       float(ray.m_pt[2] + ray.m_dDepth * dir[2]));
    bunny.screenpoints.clear();
    bunny.DeleteTree();
    BOX2<short int> box;
    box.xmin = short(pixel[0] - 30), box.xmax = short(pixel[0] + 30);
    box.ymin = short(pixel[1] - 30), box.ymax = short(pixel[1] + 30);
    std::vector<unsigned> faces, verts;
    bunny.GetEffectedFacet(box, faces);
    ASSERT_GT(faces.size(), 10u);
    bunny.GetEffectedVert(faces, hit, 12.0 * 12.0, verts);
    ASSERT_GT(verts.size(), 5u);
    const CVector3f up = bunny.AverageNormal(faces);
    const std::vector<CPoint3f> before = bunny.vertices;
    for (int stroke = 0; stroke < 8; ++stroke) bunny.Draw(hit, up * 2.0f, verts, 12.0f);
    EXPECT_EQ(bunny.vbovertex, 0u) << "the stroke discards the buffers";
    double raised = 0.0;
    for (unsigned v : verts) raised = std::max<double>(raised, Distance(bunny.vertices[v], before[v]));
    // At most r 0.05 |dir| per stroke, at the centre; a raised vertex leaves the centre
    // and takes less on the next stroke.
    EXPECT_LE(raised, 8 * 0.6 * 2.0 + 1e-3);
    EXPECT_GT(raised, 4.0);
    bunny.ClearNormal();
    bunny.Need_VertexNormals();
    const QImage stroked = frame("20-after-draw-brush");
    int changed = 0;
    for (int y = int(pixel[1]) - 40; y <= int(pixel[1]) + 40; ++y)
        for (int x = int(pixel[0]) - 40; x <= int(pixel[0]) + 40; ++x)
            changed += stroked.pixel(x, y) != smooth.pixel(x, y) ? 1 : 0;
    EXPECT_GT(changed, 200) << "the bump shows under the brush";
    EXPECT_EQ(frameErrors, 0);
    area->SetCallbacks({});
    // The buffers go while the program's context still exists.
    bunny.DeleteVBO();
    torus.DeleteVBO();
}

}  // namespace
