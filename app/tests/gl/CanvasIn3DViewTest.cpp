// The relief canvas in the program's work area: a hemisphere on a rolling ground and on
// a real terrain, drawn through the drawing view's own OpenGL widget and device context,
// shaded from an isometric direction and as a wireframe, then its preview image drawn
// in the 2D view mapping. With KORVEL_SCREENSHOT_DIR set, each picture is also saved there.
#include "WorkArea3DTest.h"

#include "app/KorvelIds.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Dib.h"
#include "framework/looker/Looker.h"
#include "geometry/relief/GeCanvas.h"
#include "platform/ui/GLArea.h"
#include "platform/ui/QtDC.h"
#include "testing/NpzReader.h"

#include <GL/glew.h>

#include <QImage>
#include <QTest>
#include <QOpenGLWidget>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <functional>
#include <cstdlib>
#include <set>
#include <string>

using namespace korvel_test;

namespace {

int Shades(const QImage& image, QRgb background)
{
    std::set<QRgb> seen;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) seen.insert(image.pixel(x, y));
    return static_cast<int>(seen.size());
}

class CanvasIn3DViewTest : public WorkArea3DTest {
protected:
    // A 200 x 150 mm canvas at 0.5 mm with the given ground and a hemisphere of radius
    // 45 mm standing on it, drawn shaded and as a wireframe from the isometric direction,
    // then its preview in the 2D view; frames saved under the label's names.
    void DrawGroundWithHemisphere(const std::function<float(float, float)>& ground, const std::string& label)
    {
        CGeCanvas canvas;
        float origin[2] = {0.0f, 0.0f};
        ASSERT_EQ(canvas.Create(origin, 0.5f, 401, 301), 1);
        for (unsigned j = 0; j < canvas.ny; ++j)
            for (unsigned i = 0; i < canvas.nx; ++i) {
                const float x = canvas.xs[i], y = canvas.ys[j];
                const float g = ground(x, y);
                const float dx = x - 130.0f, dy = y - 75.0f, r2 = dx * dx + dy * dy;
                canvas.heights[j][i] = r2 < 45.0f * 45.0f ? std::max(g, std::sqrt(45.0f * 45.0f - r2)) : g;
            }
        canvas.ResetFlag(1, nullptr);
        BOX2<double> all(-1, -1, 300, 300);
        canvas.SetShowRange(&all);
        canvas.CalcBox();
        canvas.UpdateInFlag();
        ASSERT_NE(canvas.preview, nullptr);

        // Isometric: from the front right and above.
        const double centre[3] = {100.0, 75.0, 15.0};
        const double from[3] = {1.0, -1.0, 1.0};
        AimCamera(centre, from, 500.0, 2.6f);
        dc->m_Camera.m_dNear = dc->m_Camera.m_dFar = 0.0;

        auto frame = [&](const std::string& name) {
            return Grab(name, [&] {
                canvas.DrawGL(dc, 0);
            });
        };
        looker->SetSrfShowMode(20);
        const QImage shaded = frame(label + "-shaded");
        looker->SetSrfShowMode(21);
        const QImage wire = frame(label + "-wireframe");
        area->SetCallbacks({});
        EXPECT_EQ(frameErrors, 0);
        const int area3D = shaded.width() * shaded.height();
        EXPECT_GT(PixelsOtherThan(shaded, background), area3D / 6) << "the canvas covers much of the view";
        EXPECT_GT(Shades(shaded, background), 50) << "the hemisphere and the ground are shaded";
        EXPECT_GT(PixelsOtherThan(wire, background), 1000);
        EXPECT_LT(PixelsOtherThan(wire, background), PixelsOtherThan(shaded, background) / 4);
        EXPECT_NE(canvas.vboVertex, 0u) << "the program's context offers buffer objects";

        // The 2D view over the page, the canvas fitted; the preview drawn as the view's
        // drawing context draws i
        CLooker::SetView2D();
        BOX2<double> box;
        canvas.GetBox2D(&box);
        box.Inflate(10.0);
        ASSERT_TRUE(looker->ZoomBox(box));
        const CRect client = looker->GetViewRect();
        QImage plan(client.Width(), client.Height(), QImage::Format_RGB32);
        plan.fill(qRgb(255, 255, 255));
        {
            CQtDC qdc(&plan);
            canvas.Draw(&qdc);
        }
        SaveScreenshot(plan, label + "-2d-preview");
        EXPECT_GT(PixelsOtherThan(plan, qRgb(255, 255, 255)), plan.width() * plan.height() / 3);
        EXPECT_GT(Shades(plan, qRgb(255, 255, 255)), 30);
    }
};

TEST_F(CanvasIn3DViewTest, HemisphereOnRollingGroundShadedWireframeAndPreview)
{
    ASSERT_NO_FATAL_FAILURE(Open3DWorkArea());
    // A ground rolling by +-4 mm around 6 mm.
    DrawGroundWithHemisphere(
        [](float x, float y) { return 6.0f + 4.0f * std::sin(x / 12.0f) * std::cos(y / 17.0f); }, "canvas");
}

TEST_F(CanvasIn3DViewTest, HemisphereOnRealTerrainShadedWireframeAndPreview)
{
    ASSERT_NO_FATAL_FAILURE(Open3DWorkArea());
    // matplotlib's fault scarp (344 x 403 samples, 236 to 1076 m) stretched over the
    // canvas, a metre of it a fiftieth of a millimetre: 0 to 16.8 mm.
    auto arrays = npz::Read(npz::SampleDataDir() + "/jacksboro_fault_dem.npz");
    const npz::Array& dem = arrays["elevation"];
    ASSERT_EQ(dem.shape.size(), 2u);
    const int rows = static_cast<int>(dem.shape[0]), cols = static_cast<int>(dem.shape[1]);
    DrawGroundWithHemisphere(
        [&](float x, float y) {
            const int c = std::clamp(static_cast<int>(x / 200.0f * (cols - 1) + 0.5f), 0, cols - 1);
            const int r = std::clamp(static_cast<int>((1.0f - y / 150.0f) * (rows - 1) + 0.5f), 0, rows - 1);
            return static_cast<float>((dem.values[static_cast<size_t>(r) * cols + c] - 236.0) / 50.0);
        },
        "terrain");
}

}  // namespace
