// The 2D/3D switch of the drawing view with a real OpenGL context.
#include "AppFixture.h"

#include "framework/db/DbCurve.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeLine.h"
#include "platform/ui/GLArea.h"

#include <QColor>
#include <QImage>
#include <QTest>
#include <QWidget>

#include <cmath>

using namespace korvel_test;

namespace {

class View3DTest : public AppTest {};

int CountColour(const QImage& image, COLORREF colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += RGB(c.red(), c.green(), c.blue()) == colour ? 1 : 0;
        }
    return n;
}

// Whether the colour shows within two pixels of (x, y): the rasteriser may
// round a line's pixels either way.
bool ShowsNear(const QImage& image, double x, double y, COLORREF colour)
{
    const int px = static_cast<int>(std::lround(x)), py = static_cast<int>(std::lround(y));
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            const int qx = px + dx, qy = py + dy;
            if (qx < 0 || qy < 0 || qx >= image.width() || qy >= image.height()) continue;
            const QColor c = image.pixelColor(qx, qy);
            if (RGB(c.red(), c.green(), c.blue()) == colour) return true;
        }
    return false;
}

TEST_F(View3DTest, SwitchesTo3DAndBack)
{
    ASSERT_TRUE(Start());
    CQVGlobal* global = gGetQVGlobal();
    global->m_crBackground = RGB(0, 0, 64);
    global->m_crWorkFrame = RGB(255, 255, 0);
    Frame()->GetWidget()->resize(800, 600);
    Frame()->ShowWindow(SW_SHOW);
    QTest::qWait(100);
    CKorvelView* view = View();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(CLooker::IsView2D());

    // The first switch places the camera over the centre of the 2D view.
    CLooker* looker = gGetLooker();
    CViewPara para;
    looker->GetViewPara(&para);
    view->SendMessage(WM_COMMAND, 32813, 0);
    ASSERT_TRUE(CLooker::IsView3D());
    const GCamera& camera = view->GetOpenGLDC()->GetCamera();
    EXPECT_DOUBLE_EQ(camera.m_ref[0], para.m_org[0]);
    EXPECT_DOUBLE_EQ(camera.m_ref[1], para.m_org[1]);
    EXPECT_FLOAT_EQ(camera.m_fScale, static_cast<float>(looker->GetScale()));

    view->RedrawScreen();
    CGLArea* area = view->FindGLArea();
    ASSERT_NE(area, nullptr);
    EXPECT_TRUE(area->IsVisible());
    const QImage frame = area->GrabFrame();
    ASSERT_FALSE(frame.isNull());
    EXPECT_TRUE(area->IsReady()) << "an OpenGL context is required";
    const int background = CountColour(frame, RGB(0, 0, 64));
    EXPECT_GT(background, frame.width() * frame.height() / 2) << "cleared to the background";
    EXPECT_GT(CountColour(frame, RGB(255, 255, 0)), 100) << "the page outline is drawn";

    // Back to 2D: the OpenGL area goes away and the memory-DC picture returns.
    view->SendMessage(WM_COMMAND, 32813, 0);
    EXPECT_TRUE(CLooker::IsView2D());
    view->RedrawScreen();
    EXPECT_FALSE(area->IsVisible());
    EXPECT_GT(CountColour(view->GetScreenImage(), RGB(255, 255, 0)), 100);
}

// The document's curves appear in the 3D frame in their own colours, where the
// top view's parallel projection puts them; the empty document shows neither.
TEST_F(View3DTest, ShowsTheDocumentsCurvesInTheirColours)
{
    ASSERT_TRUE(Start());
    CQVGlobal* global = gGetQVGlobal();
    global->m_crBackground = RGB(0, 0, 64);
    global->m_crWorkFrame = RGB(255, 255, 0);
    Frame()->GetWidget()->resize(800, 600);
    Frame()->ShowWindow(SW_SHOW);
    QTest::qWait(100);
    CKorvelView* view = View();
    ASSERT_NE(view, nullptr);
    view->SendMessage(WM_COMMAND, 32813, 0);
    ASSERT_TRUE(CLooker::IsView3D());
    view->RedrawScreen();
    CGLArea* area = view->FindGLArea();
    ASSERT_NE(area, nullptr);
    const QImage empty = area->GrabFrame();
    ASSERT_FALSE(empty.isNull());
    ASSERT_TRUE(area->IsReady()) << "an OpenGL context is required";

    // Top view: x to the right, y up, the reference point in the middle of the
    // frame and m_fScale pixels per unit.
    const GCamera camera = view->GetOpenGLDC()->GetCamera();
    ASSERT_EQ(camera.m_nViewType, GCamera::kViewTop);
    ASSERT_GT(camera.m_fScale, 0.0f);
    const double scale = camera.m_fScale;
    const auto pixelX = [&](double x) { return 0.5 * empty.width() + (x - camera.m_ref[0]) * scale; };
    const auto pixelY = [&](double y) { return 0.5 * empty.height() - (y - camera.m_ref[1]) * scale; };

    // A line 100 pixels below the middle and a circle of radius 80 pixels above it.
    const COLORREF lineColour = RGB(0, 255, 0), circleColour = RGB(255, 0, 255);
    const double a[2] = {camera.m_ref[0] - 150.0 / scale, camera.m_ref[1] - 100.0 / scale};
    const double b[2] = {camera.m_ref[0] + 150.0 / scale, a[1]};
    const double centre[2] = {camera.m_ref[0], camera.m_ref[1] + 60.0 / scale};
    const double radius = 80.0 / scale;
    auto* line = new CDbCurve(new CGeLine(a, b));
    line->SetColor(lineColour);
    auto* circle = new CDbCurve(new CGeCircle(centre, radius, 1));
    circle->SetColor(circleColour);
    CDBase::Instance()->AddTail(line);
    CDBase::Instance()->AddTail(circle);
    view->RedrawScreen();
    const QImage frame = area->GrabFrame();
    ASSERT_FALSE(frame.isNull());
    ASSERT_EQ(frame.size(), empty.size());

    constexpr int kSamples = 24;
    int lineHits = 0, circleHits = 0, emptyHits = 0;
    for (int i = 0; i < kSamples; ++i) {
        const double x = a[0] + (b[0] - a[0]) * (i + 0.5) / kSamples;
        lineHits += ShowsNear(frame, pixelX(x), pixelY(a[1]), lineColour) ? 1 : 0;
        emptyHits += ShowsNear(empty, pixelX(x), pixelY(a[1]), lineColour) ? 1 : 0;
        const double t = 2.0 * M_PI * i / kSamples;
        const double cx = centre[0] + radius * std::cos(t), cy = centre[1] + radius * std::sin(t);
        circleHits += ShowsNear(frame, pixelX(cx), pixelY(cy), circleColour) ? 1 : 0;
        emptyHits += ShowsNear(empty, pixelX(cx), pixelY(cy), circleColour) ? 1 : 0;
    }
    EXPECT_EQ(lineHits, kSamples) << "the line along its projection";
    EXPECT_EQ(circleHits, kSamples) << "the circle along its projection";
    EXPECT_EQ(emptyHits, 0) << "the empty document shows no curve";
    // Each curve is a thin outline: about its length in pixels, nothing filled.
    const int linePixels = CountColour(frame, lineColour), circlePixels = CountColour(frame, circleColour);
    // (A one-pixel circle outline of radius r has about 5.7 r pixels.)
    EXPECT_GE(linePixels, 290) << "the line's pixels";
    EXPECT_LE(linePixels, 2 * 300) << "the line's pixels";
    EXPECT_GE(circlePixels, 4 * 80) << "the circle's pixels";
    EXPECT_LE(circlePixels, 8 * 80) << "the circle's pixels";
    // The page outline keeps its colour: the entities restore the current colour.
    EXPECT_GT(CountColour(frame, RGB(255, 255, 0)), 100) << "the page outline is drawn";
}

}  // namespace
