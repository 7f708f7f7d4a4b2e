// The 2D/3D switch of the drawing view with a real OpenGL context.
#include "AppFixture.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/Relayon.h"
#include "platform/ui/GLArea.h"

#include <QColor>
#include <QImage>
#include <QTest>
#include <QWidget>

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

}  // namespace
