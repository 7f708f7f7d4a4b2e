// The 3D curves' OpenGL display, drawn into a real context and read back: colour of the
// flags, dashes, the context's colour restored and line stipple left off.
#include "framework/looker/Camera.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "platform/ui/GLArea.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/View.h"

#include <GL/gl.h>

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 200, kHeight = 160;
constexpr double kPi = 3.141592653589793;

class CPlainView : public CView {
public:
    void OnDraw(CDC*) override {}
};

// What the context showed after drawing, and its state afterwards.
struct Frame {
    QImage image;
    COLORREF colourAfter = 0;
    GLboolean stippleAfter = GL_TRUE;
};

// One curve drawn by DrawGL(mode) on black, in the context colour `colour` (one world
// unit per pixel, origin at the bottom left); stipple is switched on before, as a
// caller may leave it.
Frame DrawFrame(CGeCurve3d* curve, int mode, COLORREF colour)
{
    auto* view = new CPlainView;
    Frame out;
    if (!view->Create(nullptr, L"gl", 0, RECT{0, 0, kWidth, kHeight}, nullptr, 0)) return out;
    view->ShowWindow(SW_SHOW);
    CGLArea* area = view->GetGLArea();
    if (area != nullptr) {
        COpenGLDC dc;
        int w = kWidth, h = kHeight;
        area->SetCallbacks({nullptr, [&](int cx, int cy) { w = cx, h = cy; },
                            [&] {
                                glViewport(0, 0, w, h);
                                glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
                                glClear(GL_COLOR_BUFFER_BIT);
                                glMatrixMode(GL_PROJECTION);
                                glLoadIdentity();
                                glOrtho(0.0, w, 0.0, h, -100.0, 100.0);
                                glMatrixMode(GL_MODELVIEW);
                                glLoadIdentity();
                                glEnable(GL_LINE_STIPPLE);
                                dc.SetColor(colour);
                                curve->DrawGL(&dc, mode);
                                out.colourAfter = dc.GetColor();
                                out.stippleAfter = glIsEnabled(GL_LINE_STIPPLE);
                            }});
        area->Resize(kWidth, kHeight);
        area->Show(TRUE);
        out.image = area->GrabFrame();
    }
    view->DestroyWindow();
    return out;
}

QColor Colour(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

// Whether a pixel of the colour lies within one pixel of the world point (y up).
bool LitNear(const QImage& image, double x, double y, const QColor& colour)
{
    const int px = static_cast<int>(std::floor(x)), py = image.height() - 1 - static_cast<int>(std::floor(y));
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int qx = px + dx, qy = py + dy;
            if (qx >= 0 && qy >= 0 && qx < image.width() && qy < image.height() && QColor(image.pixel(qx, qy)) == colour)
                return true;
        }
    return false;
}

struct Curve {
    std::string label;
    std::function<CGeCurve3d*()> make;
    std::vector<std::array<double, 2>> samples;  // points along the curve, in pixels
};

std::vector<Curve> Curves()
{
    std::vector<std::array<double, 2>> zig, circle;
    const double pts[4][3] = {{20.5, 20.5, 3}, {180.5, 20.5, -4}, {180.5, 140.5, 10}, {60.5, 100.5, 0}};
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 40; ++k) {
            const double t = (k + 0.5) / 40.0;
            zig.push_back({pts[i][0] + t * (pts[i + 1][0] - pts[i][0]), pts[i][1] + t * (pts[i + 1][1] - pts[i][1])});
        }
    for (int k = 0; k < 120; ++k) {
        const double a = 2 * kPi * k / 120.0;
        circle.push_back({100 + 60 * std::cos(a), 80 + 60 * std::sin(a)});
    }
    return {
        {"polyline",
         [pts] {
             auto* pl = new CGePolyline3d;
             double copy[4][3];
             std::copy(&pts[0][0], &pts[0][0] + 12, &copy[0][0]);
             pl->Create(4, copy);
             return pl;
         },
         zig},
        {"arc (full circle)",
         [] {
             auto* arc = new CGeArc3d;
             double c[3] = {100, 80, 5};
             arc->CreateCricleXY(c, 60);
             arc->DiscreteMe(0.05);
             return arc;
         },
         circle},
    };
}

// A missing context is a failure here, never a skip: these tests run under xvfb-run.
TEST(Curve3dDrawGL, ColourAndDashesFollowTheFlags)
{
    ASSERT_TRUE(AfxEnsureQtApplication());
    constexpr COLORREF kContext = RGB(255, 255, 255);
    constexpr COLORREF kHighlight = 0x00C400;
    struct Row {
        std::string label;
        int flags, mode;
        COLORREF expected;
        bool dashed;
    };
    const std::vector<Row> rows = {
        {"plain in the context's colour", 2, 0, kContext, false},
        {"bit 1 in green", 3, 0, kHighlight, false},
        {"bit 4 dashed green", 4, 0, kHighlight, true},
        {"mode 1 keeps the colour", 1, 1, kContext, false},
        {"mode 6 dashes", 2, 6, kContext, true},
    };
    for (const Curve& curve : Curves())
        for (const Row& row : rows) {
            const std::string label = curve.label + ", " + row.label;
            std::unique_ptr<CGeCurve3d> c(curve.make());
            c->m_nFlags = row.flags;
            const Frame frame = DrawFrame(c.get(), row.mode, kContext);
            ASSERT_FALSE(frame.image.isNull()) << label << ": no OpenGL context";
            int lit = 0;
            for (const auto& p : curve.samples) lit += LitNear(frame.image, p[0], p[1], Colour(row.expected)) ? 1 : 0;
            const int n = static_cast<int>(curve.samples.size());
            if (row.dashed) {
                // Dashes of 8 pixels on, 8 off: about half the samples, never all.
                EXPECT_GT(lit, n / 4) << label;
                EXPECT_LT(lit, n * 9 / 10) << label;
            } else {
                EXPECT_EQ(lit, n) << label;
            }
            EXPECT_EQ(frame.colourAfter, kContext) << label << ": the context's colour comes back";
            EXPECT_EQ(frame.stippleAfter, GL_FALSE) << label << ": stipple is off afterwards";
        }
}

TEST(Curve3dDrawGL, ColourOverloadDrawsInTheGivenColour)
{
    ASSERT_TRUE(AfxEnsureQtApplication());
    const Curve curve = Curves()[0];
    std::unique_ptr<CGeCurve3d> c(curve.make());
    auto* view = new CPlainView;
    ASSERT_TRUE(view->Create(nullptr, L"gl", 0, RECT{0, 0, kWidth, kHeight}, nullptr, 0));
    view->ShowWindow(SW_SHOW);
    CGLArea* area = view->GetGLArea();
    ASSERT_NE(area, nullptr);
    COpenGLDC dc;
    COLORREF after = 0;
    int w = kWidth, h = kHeight;
    area->SetCallbacks({nullptr, [&](int cx, int cy) { w = cx, h = cy; },
                        [&] {
                            glViewport(0, 0, w, h);
                            glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
                            glClear(GL_COLOR_BUFFER_BIT);
                            glMatrixMode(GL_PROJECTION);
                            glLoadIdentity();
                            glOrtho(0.0, w, 0.0, h, -100.0, 100.0);
                            glMatrixMode(GL_MODELVIEW);
                            glLoadIdentity();
                            dc.SetColor(RGB(10, 20, 30));
                            c->DrawGL(&dc, 0x0000FFUL);
                            after = dc.GetColor();
                        }});
    area->Resize(kWidth, kHeight);
    area->Show(TRUE);
    const QImage image = area->GrabFrame();
    view->DestroyWindow();
    ASSERT_FALSE(image.isNull());
    int lit = 0;
    for (const auto& p : curve.samples) lit += LitNear(image, p[0], p[1], QColor(255, 0, 0)) ? 1 : 0;
    EXPECT_EQ(lit, static_cast<int>(curve.samples.size()));
    EXPECT_EQ(after, RGB(10, 20, 30));
}

}  // namespace
