// Moving around the 3D display: animated view directions through timer 11,
// the rotation keys and rotating about a picked entity.
#include "AppFixture.h"

#include "app/KorvelIds.h"
#include "framework/db/DbCurve.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "geometry/shapes2d/GeCircle.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <cmath>

using namespace korvel_test;

namespace {

class ViewNavigation3DTest : public AppTest {
protected:
    void Start3D()
    {
        ASSERT_TRUE(Start());
        Frame()->GetWidget()->resize(800, 600);
        Frame()->ShowWindow(SW_SHOW);
        QTest::qWait(100);
        m_view = View();
        ASSERT_NE(m_view, nullptr);
        CLooker::SetView2D();  // the display mode is the process's
        m_view->RedrawScreen();  // a 2D frame rate, so that changes animate
        ASSERT_GE(m_view->GetFrameRate(), 5);
        gGetQVGlobal()->m_bViewAnimation = TRUE;
        m_view->SendMessage(WM_COMMAND, korvel::ID_VIEW_3D, 0);
        ASSERT_TRUE(CLooker::IsView3D());
        m_camera = &m_view->GetOpenGLDC()->GetCamera();
        ASSERT_GT(m_camera->m_nWidth, 0);
    }

    void ExpectSameCamera(const GCamera& a, const GCamera& b, double tol, const char* what)
    {
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(a.m_eye[i], b.m_eye[i], tol) << what << " eye " << i;
            EXPECT_NEAR(a.m_ref[i], b.m_ref[i], tol) << what << " ref " << i;
            EXPECT_NEAR(a.m_up[i], b.m_up[i], tol) << what << " up " << i;
        }
    }

    CKorvelView* m_view = nullptr;
    const GCamera* m_camera = nullptr;
};

TEST_F(ViewNavigation3DTest, ViewDirectionAnimatesThroughTimerElevenToTheTarget)
{
    Start3D();
    if (HasFatalFailure()) return;
    const GCamera start = *m_camera;
    m_view->SendMessage(WM_COMMAND, korvel::ID_VIEW_ISOMETRIC, 0);
    Frame()->KillTimer(korvel::kTimerViewAnimation);  // ticks by hand
    EXPECT_EQ(Frame()->m_nAnimStep, -1) << "armed";
    const GCamera target = Frame()->m_camEnd;
    EXPECT_EQ(target.m_nViewType, GCamera::kViewIsometric);
    for (int k = 1; k <= 12; ++k) {
        Frame()->SendMessage(WM_TIMER, korvel::kTimerViewAnimation, 0);
        EXPECT_EQ(Frame()->m_nAnimStep, k);
        const GCamera expected = GCamera::Lerp(start, target, static_cast<float>(k * (1.0 / 12.0)));
        ExpectSameCamera(*m_camera, expected, 0.0, "step");
    }
    ExpectSameCamera(*m_camera, target, 0.0, "target");
    EXPECT_EQ(m_camera->m_nViewType, GCamera::kViewIsometric);
    Frame()->SendMessage(WM_TIMER, korvel::kTimerViewAnimation, 0);
    EXPECT_EQ(Frame()->m_nAnimStep, 0) << "the tick after the last cleans up";
}

TEST_F(ViewNavigation3DTest, XThenShiftXRestoresTheCamera)
{
    Start3D();
    if (HasFatalFailure()) return;
    m_view->SendMessage(WM_COMMAND, korvel::ID_VIEW_ISOMETRIC, 0);
    for (int k = 0; k < 13; ++k) Frame()->SendMessage(WM_TIMER, korvel::kTimerViewAnimation, 0);
    const GCamera before = *m_camera;
    m_view->SendMessage(WM_COMMAND, korvel::ID_VIEW_ROTATE_3D, 0);
    ASSERT_NE(gGetRelayon()->GetCurCmd(), nullptr);
    QWidget* widget = m_view->GetWidget();
    for (Qt::Key key : {Qt::Key_X, Qt::Key_Y, Qt::Key_Z}) {
        QTest::keyClick(widget, key);
        double moved = 0.0;
        for (int i = 0; i < 3; ++i) moved += std::fabs(m_camera->m_eye[i] - before.m_eye[i]);
        EXPECT_GT(moved, 1.0) << "the key turns the camera";
        QTest::keyClick(widget, key, Qt::ShiftModifier);
        ExpectSameCamera(*m_camera, before, 1e-9, "back");
    }
}

TEST_F(ViewNavigation3DTest, RotatingAboutAPickedEntityKeepsItsBoxCentreOnItsPixel)
{
    Start3D();
    if (HasFatalFailure()) return;
    const double centre[2] = {150.0, 90.0};
    CDBase::Instance()->AddTail(new CDbCurve(new CGeCircle(centre, 30.0, 1)));
    m_view->SendMessage(WM_COMMAND, korvel::ID_VIEW_ISOMETRIC, 0);
    for (int k = 0; k < 13; ++k) Frame()->SendMessage(WM_TIMER, korvel::kTimerViewAnimation, 0);
    const double world[3] = {centre[0], centre[1], 0.0};
    double pixel[2];
    m_camera->world_to_screen(world, pixel);
    const QPoint at(static_cast<int>(std::lround(pixel[0])), static_cast<int>(std::lround(pixel[1])));
    ASSERT_TRUE(at.x() > 0 && at.y() > 0 && at.x() < m_camera->m_nWidth && at.y() < m_camera->m_nHeight);
    const GCamera before = *m_camera;

    m_view->SendMessage(WM_COMMAND, korvel::ID_VIEW_ROTATE_3D, 0);
    QWidget* widget = m_view->GetWidget();
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, at);
    QPoint p = at;
    for (const QPoint& step : {QPoint(2, 1), QPoint(30, 10), QPoint(15, -40)}) {
        p += step;
        QMouseEvent move(QEvent::MouseMove, QPointF(p), QPointF(widget->mapToGlobal(p)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
        double now[2];
        m_camera->world_to_screen(world, now);
        EXPECT_NEAR(now[0], pixel[0], 0.5) << p.x() << "," << p.y();
        EXPECT_NEAR(now[1], pixel[1], 0.5) << p.x() << "," << p.y();
    }
    double turned = 0.0;
    for (int i = 0; i < 3; ++i) turned += std::fabs(m_camera->m_up[i] - before.m_up[i]);
    EXPECT_GT(turned, 0.1) << "the camera turned";
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, p);
    EXPECT_EQ(gGetRelayon()->GetCurCmd(), nullptr) << "a drag ends the rotation";
}

}  // namespace
