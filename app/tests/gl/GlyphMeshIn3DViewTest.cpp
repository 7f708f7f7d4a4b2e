// A relief mesh of the canvas cut along the glyphs of "Korvel" over a real terrain,
// drawn in the program's work area through the drawing view's own OpenGL widget and
// device context: seen from above unlit, the letters' pixels are covered to their
// area (no holes or cracks along them); shaded from an angle for a look. With
// KORVEL_SCREENSHOT_DIR set, each picture is also saved there.
#include "WorkArea3DTest.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"
#include "geometry/relief/GeCanvas.h"
#include "geometry/relief/tests/TerrainCanvas.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes3d/GeMesh.h"
#include "testing/GlyphLoops.h"

#include <GL/glew.h>

#include <QImage>

#include <cmath>
#include <memory>

using namespace korvel_test;

namespace {

class GlyphMeshIn3DViewTest : public WorkArea3DTest {};

TEST_F(GlyphMeshIn3DViewTest, KorvelOverTheTerrainIsCoveredWithoutHoles)
{
    ASSERT_NO_FATAL_FAILURE(Open3DWorkArea());
    std::unique_ptr<CGeCanvas> terrain = TerrainCanvas(-3.0f, -6.0f, 0.2f);
    ASSERT_NE(terrain, nullptr);
    glyphs::GlyphReader font;
    ASSERT_TRUE(font.Ok());
    CTypedPtrList<CObList, CGeLoop*> loops;
    ASSERT_GT(glyphs::GlyphLineLoops(font, "Korvel", 12.0, 0.0, loops), 0);
    std::unique_ptr<CGeMesh> mesh(terrain->ToMesh(&loops, 0.01));
    // The glyphs' area: outer loops and holes run opposite ways (TrueType's outer loops
    // run clockwise), so the signed sum is the area up to its sign.
    double letters = 0.0;
    for (POSITION pos = loops.GetHeadPosition(); pos;) letters += loops.GetNext(pos)->EvArea(0.01);
    letters = std::fabs(letters);
    while (!loops.IsEmpty()) delete loops.RemoveHead();
    ASSERT_NE(mesh, nullptr);
    mesh->Need_VertexNormals();
    const BOX3<double>& box = mesh->m_box;
    const double centre[3] = {0.5 * (box.xmin + box.xmax), 0.5 * (box.ymin + box.ymax), 0.5 * (box.zmin + box.zmax)};

    // From above, unlit: the covered pixels times the pixel area is the letters' area.
    const double above[3] = {0.0, 0.0, 1.0};
    AimCamera(centre, above, 500.0, 10.0f);
    dc->m_Camera.m_up[0] = 0, dc->m_Camera.m_up[1] = 1, dc->m_Camera.m_up[2] = 0;
    dc->m_Camera.m_dNear = dc->m_Camera.m_dFar = 0.0;
    looker->SetSrfShowMode(23);
    const QImage top = Grab("glyph-mesh-top", [&] {
        glColor3f(0.9f, 0.8f, 0.6f);
        mesh->DrawGL(dc, 23);
    });
    EXPECT_EQ(frameErrors, 0);
    const double pixel = 1.0 / 10.0;  // millimetres per pixel at scale 10
    const double covered = PixelsOtherThan(top, background) * pixel * pixel;
    EXPECT_NEAR(covered, letters, 0.03 * letters) << "letters " << letters << " mm², covered " << covered;

    // Shaded from the front and above, for a look at the letters on the terrain.
    const double slant[3] = {0.0, -1.0, 1.2};
    AimCamera(centre, slant, 300.0, 8.0f);
    dc->m_Camera.m_dNear = dc->m_Camera.m_dFar = 0.0;
    looker->SetSrfShowMode(20);
    const QImage shaded = Grab("glyph-mesh-shaded", [&] {
        glColor3f(0.9f, 0.8f, 0.6f);
        mesh->DrawGL(dc, 20);
    });
    EXPECT_EQ(frameErrors, 0);
    EXPECT_GT(PixelsOtherThan(shaded, background), 1000);
}

}  // namespace
