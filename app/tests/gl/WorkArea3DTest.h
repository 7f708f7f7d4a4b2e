// The program started with its drawing view switched to the 3D work area, for tests
// that draw shapes through the view's own OpenGL widget and device context as a
// caller draws them.
#pragma once

#include "AppFixture.h"

#include "app/KorvelIds.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"
#include "platform/ui/GLArea.h"

#include <GL/glew.h>

#include <QImage>
#include <QOpenGLWidget>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <functional>
#include <string>

#include <gtest/gtest.h>

namespace korvel_test {

class WorkArea3DTest : public AppTest {
protected:
    void TearDown() override
    {
        // The display mode and the show mode are the process's: later tests start in 2D.
        if (CLooker* l = gGetLooker()) l->SetSrfShowMode(20);
        CLooker::SetView2D();
        AppTest::TearDown();
    }

    // Starts the program in an 800 x 600 window and switches its view to 3D. Fails the
    // test without an OpenGL context: a missing context is a failure, never a skip.
    void Open3DWorkArea()
    {
        ASSERT_TRUE(Start());
        Frame()->GetWidget()->resize(800, 600);
        Frame()->ShowWindow(SW_SHOW);
        QTest::qWait(100);
        CKorvelView* view = View();
        ASSERT_NE(view, nullptr);
        CLooker::SetView2D();
        view->SendMessage(WM_COMMAND, korvel::ID_VIEW_3D, 0);
        ASSERT_TRUE(CLooker::IsView3D());
        view->RedrawScreen();
        area = view->FindGLArea();
        ASSERT_NE(area, nullptr);
        ASSERT_FALSE(area->GrabFrame().isNull());
        ASSERT_TRUE(area->IsReady()) << "an OpenGL context is required";
        dc = gGetOpenGLDC();
        ASSERT_EQ(dc, view->GetOpenGLDC());
        looker = gGetLooker();
        ASSERT_NE(looker, nullptr);
    }

    // Looks at `centre` from the direction `from`, `distance` times that vector away, z up.
    void AimCamera(const double centre[3], const double from[3], double distance, float scale)
    {
        GCamera& camera = dc->m_Camera;
        for (int i = 0; i < 3; ++i) camera.m_ref[i] = centre[i], camera.m_eye[i] = centre[i] + distance * from[i];
        camera.m_up[0] = 0, camera.m_up[1] = 0, camera.m_up[2] = 1;
        camera.m_fScale = scale;
    }

    // One frame of the work area: the camera's view, cleared to the background, depth
    // test on; then draw() runs and the OpenGL errors it leaves are counted in
    // frameErrors. With KORVEL_SCREENSHOT_DIR set, the frame is saved there as name.png.
    QImage Grab(const std::string& name, const std::function<void()>& draw)
    {
        area->SetCallbacks({nullptr, nullptr, [&] {
                                const QWidget* w = area->GetWidget();
                                dc->Ready(w->width(), w->height());
                                glClearColor(qRed(background) / 255.0f, qGreen(background) / 255.0f,
                                             qBlue(background) / 255.0f, 1.0f);
                                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                                glEnable(GL_DEPTH_TEST);
                                while (glGetError() != GL_NO_ERROR) {
                                }
                                draw();
                                glDisable(GL_LIGHTING);
                                for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) ++frameErrors;
                            }});
        QImage image = area->GrabFrame().convertToFormat(QImage::Format_RGB32);
        SaveScreenshot(image, name);
        return image;
    }

    static void SaveScreenshot(const QImage& image, const std::string& name)
    {
        if (const char* dir = std::getenv("KORVEL_SCREENSHOT_DIR"))
            image.save(QString::fromStdString(std::string(dir) + "/" + name + ".png"));
    }

    static int PixelsOtherThan(const QImage& image, QRgb other)
    {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) != other ? 1 : 0;
        return n;
    }

    const QRgb background = qRgb(0, 0, 64);
    CGLArea* area = nullptr;
    COpenGLDC* dc = nullptr;
    CLooker* looker = nullptr;
    int frameErrors = 0;
};

}  // namespace korvel_test
