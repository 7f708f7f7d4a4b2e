// Tessellation of trimmed surfaces: its area against closed forms and where its
// vertices lie.
#include "framework/numerak/Bsrf.h"
#include "framework/looker/Looker.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "testing/SurfaceFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

double MeshArea(const CGeTrimSurf& s)
{
    double area = 0.0;
    for (const SFacet3& f : s.faces3) {
        const CPoint3f& a = s.vertices[f.v[0]];
        const CPoint3f& b = s.vertices[f.v[1]];
        const CPoint3f& c = s.vertices[f.v[2]];
        const double e[3] = {double(b.x) - a.x, double(b.y) - a.y, double(b.z) - a.z};
        const double g[3] = {double(c.x) - a.x, double(c.y) - a.y, double(c.z) - a.z};
        const double n[3] = {e[1] * g[2] - e[2] * g[1], e[2] * g[0] - e[0] * g[2], e[0] * g[1] - e[1] * g[0]};
        area += 0.5 * std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    }
    return area;
}

_nurbs_surface* Plane10() { return surffix::Plane(10, 10).release(); }

void AddHole(CGeTrimSurf& surf, double cu, double cv, double r)
{
    auto* hole = new CGeTrimLoop;
    const double c[2] = {cu, cv};
    hole->AddBound(new CGeTrimBnd(new CGeCircle(c, r, 1), nullptr, nullptr));
    surf.AddLoop(hole);
}

TEST(GeTrimSurfMesh, PlanarSquareWithHolesMatchesItsArea)
{
    struct Hole {
        double u, v, r;
    };
    struct Row {
        const char* label;
        std::vector<Hole> holes;
    };
    const Row rows[] = {{"no hole", {}},
                        {"one hole", {{0.5, 0.5, 0.25}}},
                        {"three holes", {{0.25, 0.25, 0.1}, {0.7, 0.3, 0.15}, {0.5, 0.75, 0.2}}},
                        {"hole inside one cell", {{0.52, 0.47, 0.004}}}};
    for (const Row& row : rows) {
        CGeTrimSurf surf(Plane10(), BOX2<double>(0, 0, 1, 1));
        surf.AddLoop(surf.GenRectTrimLoop(0, 1, 0, 1));
        double want = 100.0;
        for (const Hole& h : row.holes) {
            AddHole(surf, h.u, h.v, h.r);
            want -= std::numbers::pi * 100.0 * h.r * h.r;
        }
        surf.CalcUVBox();
        surf.Discrete(0.05);
        ASSERT_FALSE(surf.faces3.empty()) << row.label;
        EXPECT_NEAR(MeshArea(surf), want, 0.01 * want) << row.label;
        for (const CPoint3f& p : surf.vertices) {
            EXPECT_GE(p.x, -1e-4f) << row.label;
            EXPECT_LE(p.x, 10.0001f) << row.label;
            for (const Hole& h : row.holes)
                EXPECT_GE(std::hypot(p.x / 10.0 - h.u, p.y / 10.0 - h.v), h.r - 0.001) << row.label;
        }
        ASSERT_EQ(surf.normals.size(), surf.vertices.size()) << row.label;
    }
}

TEST(GeTrimSurfMesh, CurvedSurfacesWithoutAndWithLoops)
{
    const double r = 2.0;
    CGeTrimSurf dome(surffix::Hemisphere(r).release(), BOX2<double>(0, 0, 1, 1));
    dome.Discrete(0.01);
    EXPECT_NEAR(MeshArea(dome), 2 * std::numbers::pi * r * r, 0.01 * 2 * std::numbers::pi * r * r)
        << "without loops the whole domain";
    for (const CPoint3f& p : dome.vertices) EXPECT_NEAR(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z), r, 1e-5);

    // Half the turn in u: half the hemisphere.
    dome.m_listLoop.AddTail(dome.GenRectTrimLoop(0, 0.5, 0, 1));
    dome.Discrete(0.01);
    EXPECT_NEAR(MeshArea(dome), std::numbers::pi * r * r, 0.01 * std::numbers::pi * r * r) << "half turn";

    CGeTrimSurf none;
    none.Discrete(0.01);
    EXPECT_TRUE(none.faces3.empty()) << "no record";
}

}  // namespace

namespace {

// A 3D pick straight down from (x, y, 100).
CPickRay Down(double x, double y, double aperture)
{
    CPickRay ray;
    ray.m_pt[0] = x, ray.m_pt[1] = y, ray.m_pt[2] = 100.0;
    ray.m_dir[0] = 0.0, ray.m_dir[1] = 0.0, ray.m_dir[2] = -1.0;
    ray.m_dAperture = aperture;
    ray.m_b2D = 0;
    return ray;
}

TEST(GeTrimSurfPick, TessellationInShadedModeTrimsInWireframe)
{
    CLooker looker;
    gSetLooker(&looker);
    CGeTrimSurf surf(Plane10(), BOX2<double>(0, 0, 1, 1));
    surf.AddLoop(surf.GenRectTrimLoop(0, 1, 0, 1));
    AddHole(surf, 0.5, 0.5, 0.25);
    surf.CalcUVBox();
    surf.UpdateTrimLoopEucCrv();
    surf.Discrete(0.05);
    surf.CalcBox();
    struct Row {
        const char* label;
        int show;
        double x, y;
        int want;
    };
    const Row rows[] = {{"shaded, on the face", 20, 2, 2, 1},
                        {"shaded, in the hole", 20, 5, 5, 0},
                        {"wireframe, on the hole's trim", 21, 7.5, 5, 1},
                        {"wireframe, on the face", 21, 2, 2, 0}};
    for (const Row& row : rows) {
        looker.SetSrfShowMode(row.show);
        CPickRay ray = Down(row.x, row.y, 0.05);
        EXPECT_EQ(surf.Pick(ray, 0), row.want) << row.label;
    }
    CPickRay ray = Down(7.5, 5, 0.05);
    looker.SetSrfShowMode(21);
    EXPECT_NE(surf.PickTrimBnd(ray), nullptr);
    ray.m_nTypeMask = 0;
    EXPECT_EQ(surf.Pick(ray, 1), 0) << "type mask";
    gSetLooker(nullptr);
}

}  // namespace
