// The 2D curves' OpenGL display, drawn into a real context and read back.
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "platform/ui/GLArea.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/View.h"

#include <GL/gl.h>

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 200, kHeight = 160;

class CPlainView : public CView {
public:
    void OnDraw(CDC*) override {}
};

struct Point {
    double x, y;
};

// The frame of one curve drawn in white on black, one world unit per pixel
// with the origin at the bottom left; an empty image without a context.
QImage DrawFrame(CGeCurve* curve)
{
    auto* view = new CPlainView;
    if (!view->Create(nullptr, L"gl", 0, RECT{0, 0, kWidth, kHeight}, nullptr, 0)) return QImage();
    view->ShowWindow(SW_SHOW);
    CGLArea* area = view->GetGLArea();
    QImage frame;
    if (area != nullptr) {
        int w = kWidth, h = kHeight;
        area->SetCallbacks({nullptr, [&](int cx, int cy) { w = cx, h = cy; },
                            [&] {
                                glViewport(0, 0, w, h);
                                glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
                                glClear(GL_COLOR_BUFFER_BIT);
                                glMatrixMode(GL_PROJECTION);
                                glLoadIdentity();
                                glOrtho(0.0, w, 0.0, h, -1.0, 1.0);
                                glMatrixMode(GL_MODELVIEW);
                                glLoadIdentity();
                                glColor3f(1.0f, 1.0f, 1.0f);
                                curve->DrawGL(nullptr, 0);
                            }});
        area->Resize(kWidth, kHeight);
        area->Show(TRUE);
        frame = area->GrabFrame();
    }
    view->DestroyWindow();
    return frame;
}

bool IsLit(const QImage& image, int x, int y)
{
    return x >= 0 && y >= 0 && x < image.width() && y < image.height() && QColor(image.pixel(x, y)) == QColor(255, 255, 255);
}

// Whether a lit pixel lies within one pixel of the world point (y up).
bool LitNear(const QImage& image, const Point& p)
{
    const int px = static_cast<int>(std::floor(p.x)), py = image.height() - 1 - static_cast<int>(std::floor(p.y));
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (IsLit(image, px + dx, py + dy)) return true;
    return false;
}

int CountLit(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += IsLit(image, x, y) ? 1 : 0;
    return n;
}

// Points every few pixels along the segments of an open path.
std::vector<Point> AlongPath(const std::vector<Point>& path)
{
    std::vector<Point> out;
    for (size_t i = 0; i + 1 < path.size(); ++i)
        for (int k = 0; k < 10; ++k) {
            const double t = (k + 0.5) / 10.0;
            out.push_back({path[i].x + t * (path[i + 1].x - path[i].x), path[i].y + t * (path[i + 1].y - path[i].y)});
        }
    return out;
}

struct Case {
    std::string label;
    std::function<CGeCurve*()> make;
    std::vector<Point> onCurve;  // points the strip must pass near
    int minLit, maxLit;          // lit pixel count: an outline, nothing filled
};

CGeCurve* MakePolyline(const std::vector<Point>& pts)
{
    auto* poly = new CGePolyline;
    std::vector<double> flat;
    for (const Point& p : pts) flat.push_back(p.x), flat.push_back(p.y);
    poly->Create(static_cast<int>(pts.size()), reinterpret_cast<const double(*)[2]>(flat.data()));
    return poly;
}

std::vector<Point> CirclePoints(Point c, double r)
{
    std::vector<Point> out;
    for (int i = 0; i < 32; ++i) {
        const double t = 2.0 * M_PI * i / 32.0;
        out.push_back({c.x + r * std::cos(t), c.y + r * std::sin(t)});
    }
    return out;
}

// A missing context is a failure here, never a skip: these tests run under xvfb-run.
TEST(CurveDrawGL, DrawsOneStripAlongTheCurve)
{
    ASSERT_TRUE(AfxEnsureQtApplication());
    const std::vector<Point> zig = {{20.5, 20.5}, {180.5, 20.5}, {180.5, 140.5}, {60.5, 100.5}};
    const std::vector<Point> ell = {{120.5, 20.5}, {120.5, 120.5}, {30.5, 120.5}};
    const std::vector<Case> cases = {
        {"line", [] { const double a[2] = {10.5, 30.5}, b[2] = {190.5, 130.5}; return new CGeLine(a, b); },
         AlongPath({{10.5, 30.5}, {190.5, 130.5}}), 170, 200},
        {"circle (the base's display strip)",
         [] { const double c[2] = {100.0, 80.0}; return new CGeCircle(c, 60.0, 1); },
         CirclePoints({100.0, 80.0}, 60.0), 4 * 60, 8 * 60},
        {"polyline", [&] { return MakePolyline(zig); }, AlongPath(zig), 380, 2 * (160 + 120 + 127)},
        {"composite of a line and a polyline",
         [&] {
             auto* comb = new CGeCombCurve;
             const double a[2] = {20.5, 20.5}, b[2] = {120.5, 20.5};
             comb->AddTail(new CGeLine(a, b), 1);
             comb->AddTail(MakePolyline(ell), 1);
             return comb;
         },
         [&] {
             std::vector<Point> pts = AlongPath({{20.5, 20.5}, {120.5, 20.5}});
             const std::vector<Point> rest = AlongPath(ell);
             pts.insert(pts.end(), rest.begin(), rest.end());
             return pts;
         }(),
         280, 2 * (100 + 100 + 90)},
    };
    for (const Case& c : cases) {
        std::unique_ptr<CGeCurve> curve(c.make());
        ASSERT_NE(curve, nullptr) << c.label;
        const QImage frame = DrawFrame(curve.get());
        ASSERT_FALSE(frame.isNull()) << c.label << ": no OpenGL context";
        int missed = 0;
        for (const Point& p : c.onCurve) missed += LitNear(frame, p) ? 0 : 1;
        EXPECT_EQ(missed, 0) << c.label;
        const int lit = CountLit(frame);
        EXPECT_GE(lit, c.minLit) << c.label;
        EXPECT_LE(lit, c.maxLit) << c.label;
    }
}

TEST(CurveDrawGL, DisplayOfFewerThanTwoPointsDrawsNothing)
{
    ASSERT_TRUE(AfxEnsureQtApplication());
    // A display polyline cut down to its first point is kept (it is not
    // missing), and a single point makes no strip.
    std::unique_ptr<CGeCurve> curve(MakePolyline({{20.5, 20.5}, {180.5, 140.5}}));
    const double first[1][2] = {{20.5, 20.5}};
    curve->CopySWPoint(first, 1);
    const QImage frame = DrawFrame(curve.get());
    ASSERT_FALSE(frame.isNull()) << "no OpenGL context";
    EXPECT_EQ(CountLit(frame), 0);
    EXPECT_EQ(curve->GetSWPointCount(), 1);
}

}  // namespace
