// Trimmed surfaces in the program's 3D work area: the faces of Open CASCADE's bottle
// model, a bicubic bump with two holes and its offset, drawn through the drawing
// view's own OpenGL widget and device context, lit as a caller lights them, in the
// show modes 20 (tessellation), 21 (loops and iso curves) and 23 (exact NURBS).
// With KORVEL_SCREENSHOT_DIR set, each frame is also saved there.
#include "WorkArea3DTest.h"

#include "app/KorvelIds.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"
#include "platform/ui/GLArea.h"
#include "testing/OcctModels.h"
#include "testing/OcctTrimFaces.h"
#include "testing/SurfaceFixtures.h"
#include "testing/TrimSurfFixtures.h"

#include <GL/glew.h>

#include <QImage>
#include <QOpenGLWidget>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace korvel_test;

namespace {

class TrimSurfIn3DViewTest : public WorkArea3DTest {};

// Pixels differing from the background inside the window box [x0, x1) × [y0, y1).
int LitPixels(const QImage& image, QRgb background, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, image.height()); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, image.width()); ++x) n += image.pixel(x, y) != background ? 1 : 0;
    return n;
}

TEST_F(TrimSurfIn3DViewTest, BottleFacesAndAHoledBumpWithItsOffsetInEachShowMode)
{
    // The bottle's faces that stay within one period of their surface, as trimmed surfaces.
    std::string path = occt3d::kModelFolder;
    path += "/bottle.brep";
    const TopoDS_Shape bottle = occt3d::ReadBrepAsNurbs(path);
    ASSERT_FALSE(bottle.IsNull());
    std::vector<std::unique_ptr<CGeTrimSurf>> surfaces;
    for (TopExp_Explorer fx(bottle, TopAbs_FACE); fx.More(); fx.Next()) {
        occt3d::TrimFace f;
        if (occt3d::ToTrimSurf(TopoDS::Face(fx.Current()), f)) surfaces.push_back(std::move(f.surf));
    }
    const size_t bottleFaces = surfaces.size();
    ASSERT_GE(bottleFaces, 4u);

    // A bicubic bump 40 mm across with two holes, beside the bottle, and its offset 3 mm
    // along the normal.
    surffix::SurfPtr bump = surffix::Wavy(8, false);
    for (int i = 0; i < bump->nu; ++i)
        for (int j = 0; j < bump->nv; ++j) {
            bump->P[i][j][0] = 4.0 * bump->P[i][j][0] + 60.0;
            bump->P[i][j][1] = 4.0 * bump->P[i][j][1] - 20.0;
            bump->P[i][j][2] = 4.0 * bump->P[i][j][2];
        }
    surfaces.push_back(trimfix::Holed(bump.get(), {{0.3, 0.35, 0.15}, {0.68, 0.62, 0.2}}));
    CGeTrimSurf* offset = surfaces.back()->GenOffsetSurf(3.0);
    ASSERT_NE(offset, nullptr);
    surfaces.emplace_back(offset);

    for (size_t i = 0; i < surfaces.size(); ++i) {
        CGeTrimSurf& s = *surfaces[i];
        s.UpdateTrimLoopEucCrv();
        s.Discrete(0.2);
        int n[2] = {8, 8};
        s.ComputerIsoCurve(n);
        s.CalcBox();
        ASSERT_GT(s.faces3.size(), 0u) << "surface " << i << " tessellated";
        ASSERT_FALSE(s.m_listIsoCurve.IsEmpty()) << "surface " << i << " has iso curves";
    }
    BOX3<double> all = surfaces.front()->m_box;
    for (const auto& surf : surfaces) {
        const BOX3<double>& b = surf->m_box;
        all.xmin = std::min(all.xmin, b.xmin), all.xmax = std::max(all.xmax, b.xmax);
        all.ymin = std::min(all.ymin, b.ymin), all.ymax = std::max(all.ymax, b.ymax);
        all.zmin = std::min(all.zmin, b.zmin), all.zmax = std::max(all.zmax, b.zmax);
    }

    ASSERT_NO_FATAL_FAILURE(Open3DWorkArea());

    // Looking at the scene from the front, from above and the left.
    const double centre[3] = {(all.xmin + all.xmax) / 2, (all.ymin + all.ymax) / 2, (all.zmin + all.zmax) / 2};
    const double from[3] = {-0.35, -1.0, 0.7};
    AimCamera(centre, from, 400.0, 4.0f);
    GCamera& camera = dc->m_Camera;

    auto frame = [&](const std::string& label) {
        return Grab("trimsurf-" + label, [&] {
            dc->SetLightDirection(-0.5f, -1.0f, 1.0f);
            glColor3f(1.0f, 1.0f, 0.8f);
            for (auto& s : surfaces) s->DrawGL(dc, 0);
        });
    };

    // Window boxes of the bottle and of the bump with its offset.
    auto windowBox = [&](size_t first, size_t last, int box[4]) {
        box[0] = box[1] = 1 << 30, box[2] = box[3] = -(1 << 30);
        for (size_t i = first; i < last; ++i) {
            const BOX3<double>& b = surfaces[i]->m_box;
            for (int k = 0; k < 8; ++k) {
                const double p[3] = {k & 1 ? b.xmax : b.xmin, k & 2 ? b.ymax : b.ymin, k & 4 ? b.zmax : b.zmin};
                double px[2];
                camera.world_to_screen(p, px);
                box[0] = std::min(box[0], int(px[0])), box[1] = std::min(box[1], int(px[1]));
                box[2] = std::max(box[2], int(px[0]) + 1), box[3] = std::max(box[3], int(px[1]) + 1);
            }
        }
    };
    int bottleBox[4], bumpBox[4];
    windowBox(0, bottleFaces, bottleBox);
    windowBox(bottleFaces, surfaces.size(), bumpBox);

    struct Mode {
        const char* label;
        int mode;
        double least;  // least share of each window box lit
        double most;   // most share of each window box lit
    };
    const Mode modes[] = {{"20-shaded", 20, 0.3, 1.0}, {"21-curves", 21, 0.02, 0.6}, {"23-nurbs", 23, 0.3, 1.0}};
    for (const Mode& m : modes) {
        looker->SetSrfShowMode(m.mode);
        const QImage image = frame(m.label);
        for (const int* box : {bottleBox, bumpBox}) {
            const double share = double(LitPixels(image, background, box[0], box[1], box[2], box[3])) /
                                 ((box[2] - box[0]) * (box[3] - box[1]));
            EXPECT_GT(share, m.least) << m.label << (box == bottleBox ? " bottle" : " bump");
            EXPECT_LT(share, m.most) << m.label << (box == bottleBox ? " bottle" : " bump");
        }
        if (m.mode != 21) {
            // Lit by the normals: the curved bump shows many shades, not one flat colour.
            std::set<QRgb> shades;
            for (int y = std::max(bumpBox[1], 0); y < std::min(bumpBox[3], image.height()); ++y)
                for (int x = std::max(bumpBox[0], 0); x < std::min(bumpBox[2], image.width()); ++x)
                    shades.insert(image.pixel(x, y));
            EXPECT_GT(shades.size(), 30u) << m.label;
        }
        EXPECT_EQ(frameErrors, 0) << m.label;
    }
    area->SetCallbacks({});
    for (auto& s : surfaces) s->DeleteVBO();
}

}  // namespace
