// Reliefs rendered from surfaces through the depth read-back: a hemisphere, a ramp and
// a flat mesh at z = 5 give their analytic heights at every node they cover and 0
// elsewhere; nodes on the surfaces' far edges and the lowest or only z are kept.
#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"
#include "geometry/relief/GeRelief.h"
#include "geometry/relief/TGrid.h"
#include "geometry/shapes3d/GeMesh.h"
#include "platform/ui/GLArea.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/View.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

namespace {

class CPlainView : public CView {
public:
    void OnDraw(CDC*) override {}
};

// A grid mesh over [x0, x0 + (n-1)·h] × [y0, y0 + (m-1)·h] with heights z(x, y).
CGeMesh* GridMesh(float x0, float y0, float h, int n, int m, const std::function<float(float, float)>& z)
{
    CTGrid<float> grid;
    const float origin[2] = {x0, y0};
    grid.Create(origin, h, h, n, m);
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < n; ++i) grid.rows[j][i] = z(grid.xs[i], grid.ys[j]);
    auto* mesh = new CGeMesh;
    mesh->Create(&grid);
    mesh->CalcBox();
    return mesh;
}

class GeReliefDepthGLTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(AfxEnsureQtApplication());
        m_view = new CPlainView;
        ASSERT_TRUE(m_view->Create(nullptr, L"gl", 0, RECT{0, 0, 64, 64}, nullptr, 0));
        m_view->ShowWindow(SW_SHOW);
        m_area = m_view->GetGLArea();
        ASSERT_NE(m_area, nullptr);
        m_area->Resize(64, 64);
        m_area->Show(TRUE);
        m_dc.SetFrameHooks([this] { return m_area->MakeCurrent() != FALSE; }, [this] { m_area->DoneCurrent(); });
        gSetOpenGLDC(&m_dc);
        gSetLooker(&m_looker);
        m_area->SetCallbacks({nullptr, nullptr, [] {}});
        m_area->GrabFrame();  // the first frame initialises the context and GLEW
        m_area->SetCallbacks({});
        ASSERT_TRUE(m_dc.MakeCurrent(1));
        m_dc.InitCaps();
        ASSERT_TRUE(m_dc.m_bFBO && m_dc.m_bPBO);
        m_dc.MakeCurrent(0);
    }
    void TearDown() override
    {
        for (POSITION pos = m_surfaces.GetHeadPosition(); pos;) delete m_surfaces.GetNext(pos);
        gSetLooker(nullptr);
        gSetOpenGLDC(nullptr);
        if (m_view != nullptr) m_view->DestroyWindow();
    }

    CPlainView* m_view = nullptr;
    CGLArea* m_area = nullptr;
    COpenGLDC m_dc;
    CLooker m_looker;
    CTypedPtrList<CObList, CGeSurf*> m_surfaces;
};

}  // namespace

TEST_F(GeReliefDepthGLTest, SurfacesGiveTheirHeightsAndZeroElsewhere)
{
    const float h = 0.1f, radius = 2.0f;
    // Hemisphere centred at (2, 2) over [0, 4]², ramp over [5, 8] × [0, 4], flat z = 5
    // over [0, 8] × [5, 6]; the strips between them are empty.
    const auto dome = [&](float x, float y) {
        const float r2 = (x - 2) * (x - 2) + (y - 2) * (y - 2);
        return r2 < radius * radius ? std::sqrt(radius * radius - r2) : 0.0f;
    };
    const auto ramp = [](float x, float) { return 0.5f * (x - 5.0f); };
    m_surfaces.AddTail(GridMesh(0, 0, h, 41, 41, dome));
    m_surfaces.AddTail(GridMesh(5, 0, h, 31, 41, ramp));
    m_surfaces.AddTail(GridMesh(0, 5, h, 81, 11, [](float, float) { return 5.0f; }));
    CGeRelief relief;
    ASSERT_EQ(relief.Create(m_surfaces, h), 1);
    ASSERT_EQ(relief.nx, 81u);
    ASSERT_EQ(relief.ny, 61u);
    int covered = 0;
    for (unsigned j = 0; j < relief.ny; ++j)
        for (unsigned i = 0; i < relief.nx; ++i) {
            const float x = relief.originX + i * h, y = relief.originY + j * h;
            float want = 0.0f;
            if (j <= 40 && i <= 40) want = dome(x, y);
            else if (j <= 40 && i >= 50) want = ramp(x, y);
            else if (j >= 50) want = 5.0f;
            // Inside a triangle the mesh is linear: the dome's chord error is below h²/(8R)
            // except at its rim, where the sphere is steep.
            const bool rim = j <= 40 && i <= 40 && std::fabs(std::hypot(x - 2, y - 2) - radius) < 2 * h;
            // A node exactly on a surface's edge inside the box may read either side.
            const bool edge = i == 40 || i == 50 || j == 40 || j == 50;
            if (rim || edge) continue;
            // Pixel centres lie within step/64 of their nodes; the slope off the rim stays
            // below 2.1.
            ASSERT_NEAR(relief.GetZHeight(i, j), want, 2e-3f + 2.1f * h / 64) << "node " << i << ", " << j;
            covered += want != 0.0f;
        }
    EXPECT_GT(covered, 1500);
    EXPECT_NEAR(relief.box.zmax, 5.0, 1e-3);
}

TEST_F(GeReliefDepthGLTest, AFlatSurfaceAloneIsNotReadAsEmpty)
{
    m_surfaces.AddTail(GridMesh(-1, -1, 0.5f, 5, 5, [](float, float) { return -3.0f; }));
    CGeRelief relief;
    ASSERT_EQ(relief.Create(m_surfaces, 0.5f), 1);
    for (unsigned k = 0; k < relief.nx * relief.ny; ++k) ASSERT_NEAR(relief.heights[k], -3.0f, 1e-4f) << k;
    GLint bound = -1;
    ASSERT_TRUE(m_dc.MakeCurrent(1));
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    m_dc.MakeCurrent(0);
    EXPECT_EQ(bound, 0) << "nothing left bound";
}

TEST_F(GeReliefDepthGLTest, RefusesWithoutSurfacesOrPastTheRenderbufferLimit)
{
    CGeRelief relief;
    EXPECT_EQ(relief.Create(m_surfaces, 1.0f), 0) << "no surfaces";
    m_surfaces.AddTail(GridMesh(0, 0, 1.0f, 3, 3, [](float, float) { return 1.0f; }));
    gSetOpenGLDC(nullptr);
    EXPECT_EQ(relief.Create(m_surfaces, 1.0f), 0) << "no device context";
    gSetOpenGLDC(&m_dc);
    ASSERT_TRUE(m_dc.MakeCurrent(1));
    GLint limit = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &limit);
    m_dc.MakeCurrent(0);
    // Nodes one step apart over two steps beyond the limit.
    EXPECT_EQ(relief.Create(m_surfaces, 2.0f / static_cast<float>(limit + 1)), 0) << "beyond the renderbuffer limit";
}
