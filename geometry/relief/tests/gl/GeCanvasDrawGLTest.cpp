// The canvas's buffers and drawing in a real OpenGL context: the normal buffer holds
// the analytic normals of a ramp and a hemisphere, only flagged non-empty cells of the
// show range change, ResetHeight empties cells with or without a context, and the
// shaded and wireframe drawings put the canvas on screen.
#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"
#include "geometry/relief/GeCanvas.h"
#include "platform/ui/GLArea.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/View.h"
#include "testing/ui/GLViewFixture.h"

#include <GL/glew.h>

#include <QImage>

#include <gtest/gtest.h>

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
