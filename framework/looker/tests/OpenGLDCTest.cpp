// The device context's services that need no OpenGL context: nested MakeCurrent
// through the view's hooks, buffer calls refused without buffer support, and the
// camera's top view over a box.
#include "framework/looker/Camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(OpenGLDC, MakeCurrentNestsThroughTheHooks)
{
    COpenGLDC dc;
    EXPECT_FALSE(dc.MakeCurrent(1)) << "no hooks, no context";
    EXPECT_FALSE(dc.MakeCurrent(0)) << "nothing to release";
    int begun = 0, ended = 0;
    dc.SetFrameHooks([&] { return ++begun, true; }, [&] { ++ended; });
    ASSERT_FALSE(COpenGLDC::IsContextCurrent()) << "this test runs without OpenGL";
    EXPECT_TRUE(dc.MakeCurrent(1));
    EXPECT_TRUE(dc.MakeCurrent(1));
    EXPECT_EQ(begun, 2);
    EXPECT_TRUE(dc.MakeCurrent(0));
    EXPECT_TRUE(dc.MakeCurrent(0));
    EXPECT_EQ(ended, 2);
    EXPECT_FALSE(dc.MakeCurrent(0));
    dc.SetFrameHooks([] { return false; }, [&] { ++ended; });
    EXPECT_FALSE(dc.MakeCurrent(1)) << "a view without a context";
    EXPECT_FALSE(dc.MakeCurrent(0));
    EXPECT_EQ(ended, 2);
}

TEST(OpenGLDC, BufferCallsNeedBufferSupport)
{
    COpenGLDC dc;
    dc.InitCaps();
    EXPECT_EQ(dc.m_bVBO, 0);
    EXPECT_EQ(dc.m_bFBO, 0);
    EXPECT_EQ(dc.m_bPBO, 0);
    unsigned names[2] = {7, 7};
    dc.GenBuffers(2, names);
    EXPECT_EQ(names[0], 0u);
    EXPECT_EQ(names[1], 0u);
    const float data[3] = {1, 2, 3};
    EXPECT_EQ(dc.CreateVBO(data, sizeof data, 0x8892, 0x88E4), 0u);
    EXPECT_FALSE(dc.CheckFramebufferStatus(1));
    EXPECT_FALSE(dc.Ready(0, 10));
}

TEST(OpenGLDC, CameraLooksDownOnABox)
{
    GCamera c;
    c.m_nWidth = 200, c.m_nHeight = 100;
    BOX3<double> box;
    box.xmin = 10, box.xmax = 110, box.ymin = -20, box.ymax = 20, box.zmin = -3, box.zmax = 5;
    c.LookAt(box);
    double dir[3];
    c.get_viewdirection(dir);
    EXPECT_DOUBLE_EQ(dir[2], -1.0);
    EXPECT_EQ(c.m_nViewType, GCamera::kViewTop);
    // 100 x 40 into 200 x 100 pixels: the width decides, 2 pixels per unit.
    EXPECT_FLOAT_EQ(c.m_fScale, 2.0f);
    const double corner[3] = {10, 20, 0};
    double pixel[2];
    c.world_to_screen(corner, pixel);
    EXPECT_NEAR(pixel[0], 0.0, 1e-9);
    EXPECT_NEAR(pixel[1], 10.0, 1e-9);
    EXPECT_DOUBLE_EQ(c.m_dFar - c.m_dNear, 8.0) << "the depth range spans the box";
    int w = 0, h = 0;
    c.get_screen_size(w, h);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 100);
    BOX3<double> invalid;
    invalid.xmin = 1, invalid.xmax = 0;
    const GCamera before = c;
    c.LookAt(invalid);
    EXPECT_EQ(c.m_fScale, before.m_fScale);
}

}  // namespace
