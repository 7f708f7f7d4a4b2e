// The canvas's buffers and drawing in a real OpenGL context: the normal buffer holds
// the analytic normals of a ramp and a hemisphere, only flagged non-empty cells of the
// show range change, ResetHeight empties cells with or without a context, and the
// shaded and wireframe drawings put the canvas on screen, client arrays draw what the
// buffers draw, and the preview image shades the heights by the lighting model and
// lands on the canvas box in a 2D view.
#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"
#include "framework/looker/Dib.h"
#include "geometry/relief/GeCanvas.h"
#include "platform/ui/QtDC.h"
#include "platform/ui/GLArea.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/View.h"
#include "testing/ui/GLViewFixture.h"

#include <GL/glew.h>

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace {

using gltest::kHeight;
using gltest::kWidth;

class GeCanvasDrawGLTest : public gltest::GLViewTest {
protected:
    void SetUp() override
    {
        GLViewTest::SetUp();
        if (HasFatalFailure()) return;
        Render([] {});  // the first frame initialises the context and GLEW
        ASSERT_TRUE(m_dc.MakeCurrent(1));
        m_dc.InitCaps();
        ASSERT_TRUE(m_dc.m_bVBO && m_dc.m_bPBO);
        m_dc.MakeCurrent(0);
    }
    void TearDown() override
    {
        m_canvas.reset();  // deletes its buffers while the context exists
        m_other.reset();
        GLViewTest::TearDown();
    }

    CGeCanvas& MakeCanvas(float ox, float oy, float step, int nx, int ny)
    {
        m_canvas = std::make_unique<CGeCanvas>();
        float origin[2] = {ox, oy};
        EXPECT_EQ(m_canvas->CreateMini(origin, step, nx, ny), 1);
        return *m_canvas;
    }

    // The normal buffer read back as floats, 3 per node.
    std::vector<float> ReadNormals()
    {
        std::vector<float> out;
        EXPECT_TRUE(m_dc.MakeCurrent(1));
        const size_t cells = static_cast<size_t>(m_canvas->nx) * m_canvas->ny;
        std::vector<Float16> raw(cells * 3);
        glBindBuffer(GL_ARRAY_BUFFER, m_canvas->vboNormal);
        glGetBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(raw.size() * 2), raw.data());
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        m_dc.MakeCurrent(0);
        for (Float16 h : raw) out.push_back(static_cast<float>(h));
        return out;
    }
    std::vector<float> ReadPositions()
    {
        EXPECT_TRUE(m_dc.MakeCurrent(1));
        std::vector<float> out(static_cast<size_t>(m_canvas->nx) * m_canvas->ny * 3);
        glBindBuffer(GL_ARRAY_BUFFER, m_canvas->vboVertex);
        glGetBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(out.size() * 4), out.data());
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        m_dc.MakeCurrent(0);
        return out;
    }

    // Frames on white, so an empty canvas leaves no mark.
    QImage Render(const std::function<void()>& draw) { return GLViewTest::Render(draw, 1.0f); }

    std::unique_ptr<CGeCanvas> m_canvas;
    std::unique_ptr<CGeCanvas> m_other;  // an earlier canvas kept for comparison
};

int NonWhite(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF ? 1 : 0;
    return n;
}

}  // namespace

TEST_F(GeCanvasDrawGLTest, BufferNormalsOfARampAndAHemisphere)
{
    const float step = 0.1f, g = 0.4f;
    CGeCanvas& ramp = MakeCanvas(0, 0, step, 30, 20);
    for (unsigned j = 0; j < 20; ++j)
        for (unsigned i = 0; i < 30; ++i) ramp.heights[j][i] = 1.0f + step * g * static_cast<float>(i);
    ramp.ResetFlag(1, nullptr);
    BOX2<double> all(-1, -1, 100, 100);
    ramp.SetShowRange(&all);
    ramp.UpdateInFlag();
    ASSERT_NE(ramp.vboVertex, 0u);
    std::vector<float> n = ReadNormals(), p = ReadPositions();
    const float len = std::sqrt(g * g + 1.0f);
    for (size_t c = 0; c < 600; ++c) {
        ASSERT_NEAR(n[c * 3], -g / len, 2e-3f) << "cell " << c;
        ASSERT_NEAR(n[c * 3 + 1], 0.0f, 2e-3f) << "cell " << c;
        ASSERT_NEAR(n[c * 3 + 2], 1.0f / len, 2e-3f) << "cell " << c;
        ASSERT_EQ(p[c * 3 + 2], ramp.heights[0][c]) << "cell " << c;
        ASSERT_EQ(p[c * 3], ramp.xs[c % 30]) << "cell " << c;
    }

    const float radius = 3.0f;
    CGeCanvas& dome = MakeCanvas(-4, -4, step, 81, 81);
    for (unsigned j = 0; j < 81; ++j)
        for (unsigned i = 0; i < 81; ++i) {
            const float x = dome.xs[i], y = dome.ys[j], r2 = x * x + y * y;
            if (r2 < radius * radius) dome.heights[j][i] = std::sqrt(radius * radius - r2);
        }
    dome.ResetFlag(1, nullptr);
    BOX2<double> whole(-10, -10, 10, 10);
    dome.SetShowRange(&whole);
    dome.UpdateInFlag();
    n = ReadNormals();
    int checked = 0;
    for (unsigned j = 1; j < 80; ++j)
        for (unsigned i = 1; i < 80; ++i) {
            const float x = dome.xs[i], y = dome.ys[j];
            if (std::sqrt(x * x + y * y) > 0.7f * radius) continue;
            const float z = dome.heights[j][i];
            const float* got = &n[(j * 81 + i) * 3];
            const float tol = 3.0f * step / radius / std::pow(z / radius, 3.0f) + 2e-3f;
            ASSERT_NEAR(got[0], x / radius, tol) << i << ", " << j;
            ASSERT_NEAR(got[1], y / radius, tol) << i << ", " << j;
            ASSERT_NEAR(got[2], z / radius, tol) << i << ", " << j;
            ++checked;
        }
    EXPECT_GT(checked, 1000);
}

TEST_F(GeCanvasDrawGLTest, OnlyFlaggedNonEmptyCellsOfTheShowRangeChange)
{
    const float step = 0.5f;
    CGeCanvas& c = MakeCanvas(0, 0, step, 20, 16);
    for (unsigned j = 0; j < 16; ++j)
        for (unsigned i = 0; i < 20; ++i) c.heights[j][i] = 0.3f * static_cast<float>(i * i) + 0.2f * static_cast<float>(j);
    for (unsigned i = 0; i < 20; ++i) c.heights[8][i] = CGeCanvas::kEmptyHeight;  // an empty row
    c.ResetFlag(0, nullptr);
    BOX2<int> flagged(0, 0, 11, 15);
    c.ResetFlag(1, &flagged);
    BOX2<double> range(2.0, 1.0, 7.0, 6.0);  // columns 4 .. 14, rows 2 .. 12
    c.SetShowRange(&range);
    c.UpdateInFlag();
    const std::vector<float> n = ReadNormals();
    for (unsigned j = 0; j < 16; ++j)
        for (unsigned i = 0; i < 20; ++i) {
            const bool changes = i >= 4 && i <= 14 && j >= 2 && j <= 12 && i <= 11 && j != 8;
            const float* got = &n[(j * 20 + i) * 3];
            if (changes) {
                float want[3];
                c.CalcNodeNormal(static_cast<int>(i), static_cast<int>(j), want);
                for (int k = 0; k < 3; ++k) ASSERT_NEAR(got[k], want[k], 2e-3f) << i << ", " << j;
                ASSERT_LT(got[2], 0.999f) << "a sloped cell changed " << i << ", " << j;
            } else {
                ASSERT_EQ(got[0], 0.0f) << i << ", " << j;
                ASSERT_EQ(got[2], 1.0f) << i << ", " << j;
            }
        }
    // ResetHeight empties the boxes, resets their normals and every flag.
    std::vector<BOX2<int>> boxes = {BOX2<int>(5, 3, 6, 4), BOX2<int>(-3, -3, 0, 0)};
    c.ResetHeight(boxes);
    EXPECT_EQ(c.heights[3][5], CGeCanvas::kEmptyHeight);
    EXPECT_EQ(c.heights[0][0], CGeCanvas::kEmptyHeight);
    EXPECT_NE(c.heights[3][7], CGeCanvas::kEmptyHeight);
    EXPECT_EQ(c.flags[3][7], 0);
    const std::vector<float> after = ReadNormals();
    EXPECT_EQ(after[(3 * 20 + 5) * 3 + 2], 1.0f);
    EXPECT_EQ(after[(3 * 20 + 7) * 3 + 2], n[(3 * 20 + 7) * 3 + 2]);
}

TEST_F(GeCanvasDrawGLTest, ResetHeightWithoutAContextStillEmptiesCells)
{
    CGeCanvas& c = MakeCanvas(0, 0, 1, 6, 6);
    c.heights[2][2] = 5.0f;
    c.ResetFlag(1, nullptr);
    gSetOpenGLDC(nullptr);
    std::vector<BOX2<int>> boxes = {BOX2<int>(1, 1, 3, 3)};
    c.ResetHeight(boxes);
    EXPECT_EQ(c.heights[2][2], CGeCanvas::kEmptyHeight);
    EXPECT_EQ(c.flags[2][2], 0);
    std::vector<BOX2<int>> none;
    c.heights[2][2] = 5.0f;
    c.ResetHeight(none);
    EXPECT_EQ(c.heights[2][2], 5.0f);
    gSetOpenGLDC(&m_dc);
}

TEST_F(GeCanvasDrawGLTest, ShadedAndWireframeDrawingsShowTheCanvas)
{
    CGeCanvas& c = MakeCanvas(-5, -5, 0.1f, 101, 101);
    for (unsigned j = 0; j < 101; ++j)
        for (unsigned i = 0; i < 101; ++i) {
            const float x = c.xs[i], y = c.ys[j], r2 = x * x + y * y;
            c.heights[j][i] = r2 < 9.0f ? std::sqrt(9.0f - r2) : 0.0f;
        }
    c.ResetFlag(1, nullptr);
    BOX2<double> range(-3.5, -3.5, 3.5, 3.5);
    c.SetShowRange(&range);
    c.UpdateInFlag();
    c.CalcBox();
    BOX3<double> box;
    c.GetBox(&box);
    box.zmin -= 1.0;  // clear of the depth range's ends
    box.zmax += 1.0;
    GCamera& cam = m_dc.m_Camera;
    cam.m_nWidth = kWidth;
    cam.m_nHeight = kHeight;
    cam.LookAt(box);
    m_looker.SetSrfShowMode(20);
    const QImage shaded = Render([&] { c.DrawGL(&m_dc, 0); });
    EXPECT_EQ(m_errors, 0);
    EXPECT_GT(NonWhite(shaded), kWidth * kHeight / 4) << "the shaded canvas fills much of the view";
    EXPECT_NE(c.strip, nullptr);
    const QImage wire = Render([&] { c.DrawGL_WireFrame(&m_dc); });
    EXPECT_EQ(m_errors, 0);
    const int lines = NonWhite(wire);
    EXPECT_GT(lines, 200);
    EXPECT_LT(lines, NonWhite(shaded) / 2);
    BOX2<double> none(1, 1, 0, 0);
    c.SetShowRange(&none);
    const QImage quad = Render([&] { c.DrawGL(&m_dc, 0); });
    EXPECT_GT(NonWhite(quad), 100) << "an empty show range draws one quad";
}

namespace {

// A hemisphere of radius 3 at the origin on a canvas of 81 × 81 nodes of 0.1 from
// (-4, -4); the cells around it stay empty. Every cell flagged, the show range the
// whole canvas.
void FillHemisphere(CGeCanvas& c)
{
    for (unsigned j = 0; j < c.ny; ++j)
        for (unsigned i = 0; i < c.nx; ++i) {
            const float x = c.xs[i], y = c.ys[j], r2 = x * x + y * y;
            if (r2 < 9.0f) c.heights[j][i] = std::sqrt(9.0f - r2);
        }
    c.ResetFlag(1, nullptr);
    BOX2<double> all(-10, -10, 10, 10);
    c.SetShowRange(&all);
    c.CalcBox();
}

// The fixed-pipeline lighting equation for the canvas material under light 0 from
// direction l, in a view looking straight down: channel values 0 .. 255 for a unit
// normal n. The light colours and the ambient light are read from the context.
struct LightingOracle {
    float global[4], ambient[4], diffuse[4], specular[4];
    double l[3], h[3];
    LightingOracle(const double* direction)
    {
        glGetFloatv(GL_LIGHT_MODEL_AMBIENT, global);
        glGetLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
        glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
        glGetLightfv(GL_LIGHT0, GL_SPECULAR, specular);
        const double len = std::sqrt(direction[0] * direction[0] + direction[1] * direction[1] + direction[2] * direction[2]);
        for (int k = 0; k < 3; ++k) l[k] = direction[k] / len;
        // Half vector of the light and the viewer at infinity up the z axis.
        const double hz[3] = {l[0], l[1], l[2] + 1.0};
        const double hl = std::sqrt(hz[0] * hz[0] + hz[1] * hz[1] + hz[2] * hz[2]);
        for (int k = 0; k < 3; ++k) h[k] = hz[k] / hl;
    }
    // The specular part (0 .. 1) of the material's brightest channel: where it is large the
    // highlight's peak is narrower than a grid cell, which per-vertex shading blurs.
    double Highlight(const double* n) const
    {
        const double nl = n[0] * l[0] + n[1] * l[1] + n[2] * l[2];
        const double nh = std::max(0.0, n[0] * h[0] + n[1] * h[1] + n[2] * h[2]);
        return nl > 0.0 ? specular[0] * 0.6 * std::pow(nh, 120.0) : 0.0;
    }
    std::array<double, 3> Colour(const double* n) const
    {
        static constexpr double ma[3] = {0.2, 0.3, 0.2}, md[3] = {0.5, 0.5, 0.0}, ms[3] = {0.6, 0.6, 0.5};
        const double nl = n[0] * l[0] + n[1] * l[1] + n[2] * l[2];
        const double nh = std::max(0.0, n[0] * h[0] + n[1] * h[1] + n[2] * h[2]);
        std::array<double, 3> out{};
        for (int k = 0; k < 3; ++k) {
            double v = (global[k] + ambient[k]) * ma[k] + diffuse[k] * md[k] * std::max(0.0, nl);
            if (nl > 0.0) v += specular[k] * ms[k] * std::pow(nh, 120.0);
            out[k] = 255.0 * std::clamp(v, 0.0, 1.0);
        }
        return out;
    }
};

// Pixel (x, y), top row 0, of a bitmap as red, green, blue.
std::array<int, 3> DibPixel(const CDib& dib, int x, int y)
{
    const BYTE* p = &dib.GetBits()[(static_cast<size_t>(y) * dib.GetWidth() + x) * 4];
    return {p[2], p[1], p[0]};
}

int MaxChannelDifference(const QImage& a, const QImage& b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p(a.pixel(x, y)), q(b.pixel(x, y));
            worst = std::max({worst, std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                              std::abs(p.blue() - q.blue())});
        }
    return worst;
}

}  // namespace

TEST_F(GeCanvasDrawGLTest, PreviewShadesTheHeightsByTheLightingModel)
{
    m_looker.SetScale(10.0);  // a pixel of the view spans one node: strips of every node
    CGeCanvas& c = MakeCanvas(-4, -4, 0.1f, 81, 81);
    FillHemisphere(c);
    c.UpdateInFlag();
    ASSERT_NE(c.preview, nullptr);
    const CDib& dib = *c.preview;
    ASSERT_EQ(dib.GetWidth(), 600);
    ASSERT_EQ(dib.GetHeight(), 600);
    ASSERT_TRUE(m_dc.MakeCurrent(1));
    const double toLight[3] = {4.05, 4.05, 4.05};  // (nx·step/2, ny·step/2, the larger)
    const LightingOracle light(toLight);
    m_dc.MakeCurrent(0);

    // The box (-4, -4)-(4.1, 4.1) fills the image: 600 / 8.1 pixels a unit about its centre.
    const double scale = 600 / 8.1;
    int slope = 0, flat = 0, clear = 0;
    for (int py = 0; py < 600; py += 3)
        for (int px = 0; px < 600; px += 3) {
            const double x = 0.05 + (px + 0.5 - 300) / scale, y = 0.05 - (py + 0.5 - 300) / scale;
            const std::array<int, 3> got = DibPixel(dib, px, py);
            if (x > 4.0 + 1.0 / scale || y > 4.0 + 1.0 / scale) {
                // Past the last node nothing is drawn: white, the transparent colour.
                ASSERT_EQ(got, (std::array<int, 3>{255, 255, 255})) << px << ", " << py;
                ++clear;
                continue;
            }
            const double r = std::hypot(x, y);
            double n[3] = {0.0, 0.0, 1.0};
            if (r < 0.7 * 3.0) {
                n[0] = x / 3.0, n[1] = y / 3.0, n[2] = std::sqrt(9.0 - r * r) / 3.0;
                ++slope;
            } else if (r > 3.2 && x < 3.95 && y < 3.95) {
                ++flat;
            } else {
                // Near the rim one-sided differences tilt the grid's normals; at the rim
                // they blur the crease.
                continue;
            }
            const std::array<double, 3> want = light.Colour(n);
            const double tol = 6.0 + 200.0 * light.Highlight(n);
            for (int k = 0; k < 3; ++k) {
                ASSERT_NEAR(got[k], want[k], tol) << "pixel " << px << ", " << py << " at (" << x << ", " << y
                                                  << ") channel " << k;
            }
        }
    EXPECT_GT(slope, 5000);
    EXPECT_GT(flat, 3000);
    EXPECT_GT(clear, 200);

    // A new canvas's preview is flat: every pixel the colour of an upward normal.
    float origin[2] = {0, 0};
    ASSERT_EQ(c.Create(origin, 0.1f, 60, 40), 1);
    ASSERT_NE(c.preview, nullptr);
    ASSERT_EQ(c.preview->GetWidth(), 600);
    ASSERT_EQ(c.preview->GetHeight(), 400);
    ASSERT_TRUE(m_dc.MakeCurrent(1));
    const double flatLight[3] = {3.0, 2.0, 3.0};
    const LightingOracle light2(flatLight);
    m_dc.MakeCurrent(0);
    const double up[3] = {0, 0, 1};
    const std::array<double, 3> want = light2.Colour(up);
    for (int py = 0; py < 400; py += 7)
        for (int px = 0; px < 600; px += 7) {
            const std::array<int, 3> got = DibPixel(*c.preview, px, py);
            for (int k = 0; k < 3; ++k) ASSERT_NEAR(got[k], want[k], 1.5) << px << ", " << py;
        }
}

TEST_F(GeCanvasDrawGLTest, PreviewInAnImageContextSitsOnTheCanvasBoxWithWhiteTransparent)
{
    m_looker.SetScale(10.0);
    CGeCanvas& c = MakeCanvas(-4, -4, 0.1f, 81, 81);
    FillHemisphere(c);
    c.UpdateInFlag();
    ASSERT_NE(c.preview, nullptr);
    // The preview pixel over a world point (the image spans the box).
    const auto previewAt = [&](double x, double y) {
        const int px = std::clamp(int((x + 4.0) / 8.1 * 600), 0, 599), py = std::clamp(int((4.1 - y) / 8.1 * 600), 0, 599);
        return DibPixel(*c.preview, px, py);
    };

    CLooker::SetView2D();
    m_looker.SetViewRect(CRect(0, 0, 320, 240));
    m_looker.SetOrgPoint(1.0, -0.5);
    m_looker.SetScale(25.0);
    QImage image(320, 240, QImage::Format_RGB32);
    const QColor grey(70, 80, 90);
    image.fill(grey);
    {
        CQtDC dc(&image);
        c.Draw(&dc);
    }
    // The screen pixel of a world point: (1, -0.5) at the centre (160, 120), 25 pixels a unit.
    const auto screenAt = [&](double x, double y) {
        return QColor(image.pixel(int(160 + (x - 1.0) * 25), int(120 - (y + 0.5) * 25)));
    };
    struct Row {
        const char* label;
        double x, y;
        bool transparent;
    };
    const Row rows[] = {
        {"top of the hemisphere", 0.0, 0.0, false},   {"slope facing the light", 1.5, 1.2, false},
        {"slope facing away", -1.7, -1.6, false},     {"flat corner", -3.7, -3.7, false},
        {"flat right edge", 3.8, -3.0, false},        {"white strip past the last node", 4.06, 0.0, true},
        {"outside the box", 5.0, 0.0, true},          {"below the box", 0.0, -4.3, true},
    };
    for (const Row& row : rows) {
        const QColor got = screenAt(row.x, row.y);
        if (row.transparent) {
            EXPECT_EQ(got, grey) << row.label;
            continue;
        }
        const std::array<int, 3> want = previewAt(row.x, row.y);
        EXPECT_NEAR(got.red(), want[0], 6) << row.label;
        EXPECT_NEAR(got.green(), want[1], 6) << row.label;
        EXPECT_NEAR(got.blue(), want[2], 6) << row.label;
    }
    EXPECT_NE(screenAt(1.5, 1.2), screenAt(-1.7, -1.6)) << "the two slopes are shaded differently";
}

TEST_F(GeCanvasDrawGLTest, ClientArraysDrawWhatTheBuffersDraw)
{
    m_looker.SetScale(10.0);
    CGeCanvas& buffered = MakeCanvas(-4, -4, 0.1f, 81, 81);
    FillHemisphere(buffered);
    buffered.UpdateInFlag();
    ASSERT_NE(buffered.vboVertex, 0u);
    BOX3<double> box;
    buffered.GetBox(&box);
    Aim(box, 1, -1.3, 0.8);
    m_looker.SetSrfShowMode(20);
    const GCamera camera = m_dc.m_Camera;
    const QImage withBuffers = Render([&] { buffered.DrawGL(&m_dc, 0); });
    m_other = std::move(m_canvas);

    CGeCanvas& client = MakeCanvas(-4, -4, 0.1f, 81, 81);
    FillHemisphere(client);
    // Updated and drawn inside one frame, without buffer objects: the preview made on the
    // way must leave the frame's framebuffer, camera and state as they were.
    const QImage withArrays = Render([&] {
        m_dc.m_bVBO = 0;
        client.UpdateInFlag();
        client.DrawGL(&m_dc, 0);
        m_dc.m_bVBO = 1;
    });
    EXPECT_EQ(client.vboVertex, 0u) << "no buffer was made";
    EXPECT_EQ(m_errors, 0);
    EXPECT_GT(NonWhite(withArrays), 4000);
    EXPECT_LE(MaxChannelDifference(withBuffers, withArrays), 1);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(m_dc.m_Camera.m_eye[k], camera.m_eye[k]) << "the view's camera is kept";
    ASSERT_NE(client.preview, nullptr);
    ASSERT_NE(m_other->preview, nullptr);
    EXPECT_EQ(client.preview->GetBits(), m_other->preview->GetBits()) << "the previews agree";
}

TEST_F(GeCanvasDrawGLTest, ANewGridReleasesBuffersOfTheOldSize)
{
    CGeCanvas& c = MakeCanvas(0, 0, 1, 10, 10);
    c.ResetFlag(1, nullptr);
    c.UpdateInFlag();
    ASSERT_NE(c.vboVertex, 0u);
    float origin[2] = {0, 0};
    ASSERT_EQ(c.CreateMini(origin, 1, 30, 30), 1);
    EXPECT_EQ(c.vboVertex, 0u);
    c.ResetFlag(1, nullptr);
    c.heights[29][29] = 4.0f;
    c.UpdateInFlag();
    ASSERT_NE(c.vboVertex, 0u);
    const std::vector<float> p = ReadPositions();
    ASSERT_EQ(p.size(), 30u * 30u * 3u);
    EXPECT_EQ(p.back(), 4.0f);
    ASSERT_TRUE(m_dc.MakeCurrent(1));
    GLint bytes = 0;
    glBindBuffer(GL_ARRAY_BUFFER, c.vboVertex);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    m_dc.MakeCurrent(0);
    EXPECT_EQ(bytes, 30 * 30 * 12);
}
