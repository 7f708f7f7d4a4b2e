// Meshes sampled into height grids on the processor, and NURBS surfaces tessellated:
// edge cases against point-in-triangle oracles, canvas meshes sampled back to the
// canvas heights, the parallel envelope against the serial one, and a rational
// quarter cylinder against its closed form.
#include "geometry/relief/MeshSampling.h"

#include "geometry/relief/GeCanvas.h"
#include "geometry/relief/GeRelief.h"
#include "geometry/relief/tests/ReliefFixtures.h"
#include "geometry/relief/tests/TerrainCanvas.h"
#include "geometry/shapes3d/GeMesh.h"
#include "testing/MeshOracle.h"
#include "testing/SurfaceFixtures.h"

#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

struct MeshList {
    CTypedPtrList<CObList, CGeMesh*> list;
    std::vector<std::unique_ptr<CGeMesh>> owned;
    CGeMesh* Add(std::unique_ptr<CGeMesh> m)
    {
        m->CalcBox();
        list.AddTail(m.get());
        owned.push_back(std::move(m));
        return owned.back().get();
    }
};

std::unique_ptr<CGeMesh> Triangles(std::vector<CPoint3f> v, std::vector<SFacet3> f)
{
    auto m = std::make_unique<CGeMesh>();
    m->vertices = std::move(v);
    m->faces3 = std::move(f);
    return m;
}

using GridPtr = std::unique_ptr<CTGrid<float>>;

// Whether (x, y) lies in the triangle's projection (borders included).
bool Inside(const CPoint3f& a, const CPoint3f& b, const CPoint3f& c, double x, double y)
{
    const auto side = [&](const CPoint3f& p, const CPoint3f& q) {
        return (double(q.x) - p.x) * (y - p.y) - (double(q.y) - p.y) * (x - p.x);
    };
    const double s0 = side(a, b), s1 = side(b, c), s2 = side(c, a);
    return (s0 >= 0 && s1 >= 0 && s2 >= 0) || (s0 <= 0 && s1 <= 0 && s2 <= 0);
}

void FillTerrain(CGeCanvas& c)
{
    for (std::uint32_t j = 0; j < c.ny; ++j)
        for (std::uint32_t i = 0; i < c.nx; ++i) {
            const double x = c.xs[i], y = c.ys[j];
            c.heights[j][i] = static_cast<float>(5.0 + 2.0 * std::sin(0.7 * x) * std::cos(0.5 * y) + 0.1 * x);
        }
}

}  // namespace

TEST(MeshSamplingTest, FlatTriangleCoversItsGridPointsOnly)
{
    MeshList meshes;
    const CPoint3f a(0.3f, 0.2f, 5.0f), b(7.6f, 1.1f, 5.0f), c(2.2f, 6.7f, 5.0f);
    meshes.Add(Triangles({a, b, c}, {SFacet3(0, 1, 2)}));
    GridPtr lin(geGetGridSrf(meshes.list, 0.5f, 0.25f, 0.0f));
    GridPtr ray(geGetFloatGridSrf(meshes.list, 0.5f, 0.25f, 1.0f));
    ASSERT_NE(lin, nullptr);
    ASSERT_NE(ray, nullptr);
    EXPECT_EQ(ray->origin[2], 4.0f);
    int covered = 0;
    for (const auto& [g, other] : {std::pair{lin.get(), 0.0f}, std::pair{ray.get(), 4.0f}})
        for (int r = 0; r < g->ny; ++r)
            for (int k = 0; k < g->nx; ++k) {
                const double x = g->xs[static_cast<size_t>(k)], y = g->ys[static_cast<size_t>(r)];
                // Points within 1e-4 of an edge may go either way.
                const bool in = Inside(a, b, c, x, y);
                bool nearEdge = false;
                for (double dx : {-2e-4, 2e-4})
                    for (double dy : {-2e-4, 2e-4}) nearEdge |= Inside(a, b, c, x + dx, y + dy) != in;
                if (nearEdge) continue;
                covered += in;
                EXPECT_EQ(g->rows[r][k], in ? 5.0f : other) << "at " << x << ", " << y;
            }
    EXPECT_GT(covered, 100);
    // Below z = 0 nothing shows in the linear grid.
    MeshList below;
    below.Add(Triangles({{0, 0, -3}, {4, 0, -2}, {0, 4, -1}}, {SFacet3(0, 1, 2)}));
    GridPtr zero(geGetGridSrf(below.list, 0.5f, 0.5f, 0.5f));
    ASSERT_NE(zero, nullptr);
    for (int r = 0; r < zero->ny; ++r)
        for (int k = 0; k < zero->nx; ++k) ASSERT_EQ(zero->rows[r][k], 0.0f);
}

TEST(MeshSamplingTest, QuadsSampleLikeTheirTwoTriangles)
{
    const std::vector<CPoint3f> v = {{0, 0, 1}, {6, 0.5f, 2}, {5.5f, 5, 4}, {0.5f, 6, 3}};
    auto quad = std::make_unique<CGeMesh>();
    quad->vertices = v;
    quad->faces4.emplace_back(0, 1, 2, 3);
    MeshList q, t;
    q.Add(std::move(quad));
    t.Add(Triangles(v, {SFacet3(0, 1, 2), SFacet3(0, 2, 3)}));
    for (int kind = 0; kind < 2; ++kind) {
        GridPtr a(kind ? geGetFloatGridSrf(q.list, 0.3f, 0.3f, 0.5f) : geGetGridSrf(q.list, 0.3f, 0.3f, 0.5f));
        GridPtr b(kind ? geGetFloatGridSrf(t.list, 0.3f, 0.3f, 0.5f) : geGetGridSrf(t.list, 0.3f, 0.3f, 0.5f));
        ASSERT_TRUE(a && b);
        bool raised = false;
        for (int r = 0; r < a->ny; ++r)
            for (int k = 0; k < a->nx; ++k) {
                ASSERT_EQ(a->rows[r][k], b->rows[r][k]) << "kind " << kind;
                raised |= a->rows[r][k] >= 1.0f;
            }
        EXPECT_TRUE(raised) << "kind " << kind;
    }
    std::unique_ptr<CGeRelief> a(geMeshList2Relief(q.list, 0.3f, 0.5f)), b(geMeshList2Relief(t.list, 0.3f, 0.5f));
    ASSERT_TRUE(a && b);
    ASSERT_EQ(a->nx * a->ny, b->nx * b->ny);
    EXPECT_EQ(std::memcmp(a->heights, b->heights, sizeof(float) * a->nx * a->ny), 0);
    EXPECT_GT(a->box.zmax, 3.0);
}

TEST(MeshSamplingTest, EdgeCasesAndBadArgumentsGiveNullOrNothing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    MeshList one;
    one.Add(Triangles({{0, 0, 1}, {10, 0, 1}, {0, 10, 1}}, {SFacet3(0, 1, 2)}));
    MeshList empty;
    MeshList nulls;
    nulls.list.AddTail(static_cast<CGeMesh*>(nullptr));
    struct Row {
        const char* label;
        CTypedPtrList<CObList, CGeMesh*>* list;
        float step, margin;
    };
    const Row rows[] = {{"empty list", &empty.list, 1, 0},  {"only null entries", &nulls.list, 1, 0},
                        {"zero step", &one.list, 0, 0},      {"negative step", &one.list, -1, 0},
                        {"NaN step", &one.list, nan, 0},     {"NaN margin", &one.list, 1, nan},
                        {"box too small for 2 x 2 nodes", &one.list, 100, 0}};
    for (const Row& r : rows) {
        if (std::string(r.label) != "box too small for 2 x 2 nodes") {
            EXPECT_EQ(GridPtr(geGetGridSrf(*r.list, r.step, r.step, r.margin)), nullptr) << r.label;
            EXPECT_EQ(GridPtr(geGetFloatGridSrf(*r.list, r.step, r.step, r.margin)), nullptr) << r.label;
        }
        EXPECT_EQ(std::unique_ptr<CGeRelief>(geMeshList2Relief(*r.list, r.step, r.margin)), nullptr) << r.label;
    }
    // A box a whole number of steps wide keeps its last column and row although
    // 10 / 0.1 rounds below 100 in floats.
    GridPtr g(geGetFloatGridSrf(one.list, 0.1f, 0.1f, 0.0f));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->nx, 101);
    EXPECT_EQ(g->ny, 101);
    // A vertical triangle has no row section with an x-extent: nothing in the envelope.
    MeshList wall;
    wall.Add(Triangles({{0, 0, 0}, {0, 5, 0}, {0, 2, 7}, {1, 0, 0}}, {SFacet3(0, 1, 2)}));
    std::unique_ptr<CGeRelief> w(geMeshList2Relief(wall.list, 0.5f, 1.0f));
    ASSERT_NE(w, nullptr);
    for (size_t k = 0; k < size_t(w->nx) * w->ny; ++k) ASSERT_EQ(w->heights[k], -1.0f);
}

// Grid meshes of a canvas and of a relief, sampled back with a margin of one step: every
// node's height (the terrain's lowest ground is 0, so the linear grid sees it all).
TEST(MeshSamplingTest, CanvasAndReliefMeshesSampleBackToTheirHeights)
{
    for (float step : {1.0f, 0.1f}) {
        auto synthetic = MakeCanvas(-3.0f, 2.0f, step, 41, 31);
        FillTerrain(*synthetic);
        std::unique_ptr<CGeCanvas> terrain = TerrainCanvas(-3.0f, 2.0f, step);
        ASSERT_NE(terrain, nullptr);
        auto relief = MakeRelief(5.0f, -7.0f, step, 61, 47);
        for (int j = 0; j < 47; ++j)
            for (int i = 0; i < 61; ++i) relief->SetZHeight(i, j, terrain->heights[j + 200][i + 150]);
        unsigned cols[2] = {100, 180}, rows[2] = {150, 230};
        struct Source {
            const char* label;
            std::unique_ptr<CGeMesh> mesh;
            unsigned a, b;  // nodes per row, rows
        };
        Source sources[] = {{"synthetic canvas", std::unique_ptr<CGeMesh>(synthetic->ToMesh()), 41, 31},
                            {"terrain canvas", std::unique_ptr<CGeMesh>(terrain->ToMesh(cols, rows)), 81, 81},
                            {"terrain relief", std::unique_ptr<CGeMesh>(relief->ToMesh()), 61, 47}};
        for (Source& src : sources) {
            ASSERT_NE(src.mesh, nullptr) << src.label;
            ASSERT_EQ(src.mesh->vertices.size(), size_t(src.a) * src.b) << src.label;
            MeshList meshes;
            CGeMesh* m = meshes.Add(std::move(src.mesh));
            GridPtr lin(geGetGridSrf(meshes.list, step, step, step));
            GridPtr ray(geGetFloatGridSrf(meshes.list, step, step, step));
            std::unique_ptr<CGeRelief> env(geMeshList2Relief(meshes.list, step, step));
            const std::string label = std::string(src.label) + ", step " + std::to_string(step);
            ASSERT_TRUE(lin && ray && env) << label;
            ASSERT_EQ(lin->nx, static_cast<int>(src.a) + 2) << label;
            ASSERT_EQ(lin->ny, static_cast<int>(src.b) + 2) << label;
            ASSERT_EQ(ray->nx, static_cast<int>(src.a) + 2) << label;
            // The relief counts its nodes by rounding width / step: it ends on the last mesh node.
            ASSERT_EQ(env->nx, src.a + 1) << label;
            ASSERT_EQ(env->ny, src.b + 1) << label;
            for (unsigned r = 0; r < src.b; ++r)
                for (unsigned c = 0; c < src.a; ++c) {
                    const float h = m->vertices[r * src.a + c].z;
                    ASSERT_GE(h, 0.0f) << label;
                    // Float interpolation at a node a rounding away from it.
                    const float tol = 2e-4f * std::max(1.0f, std::fabs(h));
                    ASSERT_NEAR(lin->rows[r + 1][c + 1], h, tol) << "linear, " << label << " node " << c << ", " << r;
                    ASSERT_NEAR(ray->rows[r + 1][c + 1], h, tol) << "ray, " << label << " node " << c << ", " << r;
                    ASSERT_NEAR(env->GetZHeight(static_cast<int>(c) + 1, static_cast<int>(r) + 1), h, tol)
                        << "envelope, " << label << " node " << c << ", " << r;
                }
            // The margin ring stays at the start value.
            EXPECT_EQ(lin->rows[0][0], 0.0f) << label;
            EXPECT_EQ(ray->rows[0][0], ray->origin[2]) << label;
        }
    }
}

TEST(MeshSamplingTest, ParallelEnvelopeEqualsTheSerialOneBitForBit)
{
    // Overlapping layers: many triangles write the same cells.
    MeshList meshes;
    auto c = MakeCanvas(0.0f, 0.0f, 0.37f, 120, 90);
    FillTerrain(*c);
    meshes.Add(std::unique_ptr<CGeMesh>(c->ToMesh()));
    for (float dz : {0.3f, -0.2f}) {
        std::unique_ptr<CGeMesh> m(c->ToMesh());
        for (CPoint3f& v : m->vertices) {
            v.z += dz + 0.5f * std::sin(v.x * 1.3f);
            v.x += 0.11f;
        }
        meshes.Add(std::move(m));
    }
    const int threads = omp_get_max_threads();
    omp_set_num_threads(1);
    std::unique_ptr<CGeRelief> serial(geMeshList2Relief(meshes.list, 0.05f, 0.2f));
    omp_set_num_threads(8);
    std::unique_ptr<CGeRelief> parallel(geMeshList2Relief(meshes.list, 0.05f, 0.2f));
    omp_set_num_threads(threads);
    ASSERT_TRUE(serial && parallel);
    ASSERT_EQ(serial->nx, parallel->nx);
    ASSERT_EQ(serial->ny, parallel->ny);
    EXPECT_EQ(std::memcmp(serial->heights, parallel->heights, sizeof(float) * serial->nx * serial->ny), 0);
}

TEST(MeshSamplingTest, SurfacesTessellateOnTheSurfaceWithinTheChordError)
{
    EXPECT_EQ(geToMesh(nullptr), nullptr);
    {
        // A plane is straight both ways: its steps are capped at 0.02.
        surffix::SurfPtr plane = surffix::Plane(30.0, 20.0);
        std::unique_ptr<CGeMesh> m(geToMesh(plane.get()));
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->vertices.size(), 51u * 51u);
        EXPECT_EQ(m->faces3.size(), 5000u);
        EXPECT_TRUE(m->faces4.empty());
        EXPECT_EQ(m->m_listIsoCurve.GetCount(), 12);
        EXPECT_NEAR(meshoracle::ProjectedArea(*m), 600.0, 1e-6);  // counter-clockwise in (u, v)
        EXPECT_EQ(m->vertices.back().x, 30.0f);
        EXPECT_EQ(m->vertices.back().y, 20.0f);
    }
    // A rational quarter cylinder of radius r and length L.
    const double r = 25.0, L = 40.0;
    surffix::CurvePtr arc(BCRV_New());
    const double o[3] = {0, 0, 0};
    ASSERT_TRUE(arc->GenArc(o, r, 0.0, std::numbers::pi / 2));
    surffix::SurfPtr s(BSRF_Create(arc->k, arc->n, 2, 2));
    ASSERT_NE(s, nullptr);
    for (int i = 0; i < arc->n + arc->k; ++i) s->U[i] = arc->U[i];
    for (int i = 0; i < arc->n; ++i) {
        double p[3], w;
        arc->GetCtrlPt(i, p, &w);
        for (int j = 0; j < 2; ++j) {
            s->P[i][j][0] = w * p[0];
            s->P[i][j][1] = w * p[1];
            s->P[i][j][2] = w * L * j;
            s->P[i][j][3] = w;
        }
    }
    std::unique_ptr<CGeMesh> m(geToMesh(s.get()));
    ASSERT_NE(m, nullptr);
    for (const CPoint3f& v : m->vertices) {
        ASSERT_NEAR(std::hypot(v.x, v.y), r, 1e-5 * r);
        ASSERT_GE(v.z, 0.0f);
        ASSERT_LE(v.z, L);
    }
    double area = 0.0;
    for (const auto& t : meshoracle::Triangles(*m)) {
        const CPoint3f &a = m->vertices[t[0]], &b = m->vertices[t[1]], &c = m->vertices[t[2]];
        const double u[3] = {b.x - a.x, b.y - a.y, b.z - a.z}, w[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
        area += 0.5 * std::sqrt(std::pow(u[1] * w[2] - u[2] * w[1], 2) + std::pow(u[2] * w[0] - u[0] * w[2], 2) +
                                std::pow(u[0] * w[1] - u[1] * w[0], 2));
    }
    const double exact = std::numbers::pi * r * L / 2;
    // Chords within 0.02 of the arc lose at most that much of the radius.
    EXPECT_LT(area, exact);
    EXPECT_GT(area, exact * (1.0 - 0.02 / r));
    EXPECT_EQ(m->m_listIsoCurve.GetCount(), 12);
}
