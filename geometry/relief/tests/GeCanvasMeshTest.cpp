// The canvas as meshes: the grid of a range or box (whole, reduced, refined), and the
// surface cut out along loops and regions by the grid region mesher, checked with the
// mesh's own edge use, boundary loops, projected area and volume.
#include "geometry/relief/GeCanvas.h"
#include "geometry/relief/TessGridMesher.h"
#include "geometry/relief/tests/ReliefFixtures.h"
#include "geometry/relief/tests/TerrainCanvas.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeRegion.h"
#include "framework/widgra/Progress.h"
#include "testing/GlyphLoops.h"
#include "testing/MeshOracle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using Pts = std::vector<std::array<double, 2>>;

void Fill(CGeCanvas& c, const std::function<float(double, double)>& f)
{
    for (std::uint32_t j = 0; j < c.ny; ++j)
        for (std::uint32_t i = 0; i < c.nx; ++i) c.heights[j][i] = f(c.xs[i], c.ys[j]);
}

// A closed loop of straight lines through the points.
CGeLoop* PolygonLoop(const Pts& p)
{
    auto* loop = new CGeLoop;
    for (size_t i = 0; i < p.size(); ++i) {
        const double a[2] = {p[i][0], p[i][1]}, b[2] = {p[(i + 1) % p.size()][0], p[(i + 1) % p.size()][1]};
        loop->AddTail(new CGeLine(a, b), 1);
    }
    return loop;
}

Pts Circle(double cx, double cy, double r, int n, bool ccw = true)
{
    Pts p;
    for (int k = 0; k < n; ++k) {
        const double t = 2.0 * std::numbers::pi * k / n * (ccw ? 1 : -1);
        p.push_back({cx + r * std::cos(t), cy + r * std::sin(t)});
    }
    return p;
}

struct LoopList {
    CTypedPtrList<CObList, CGeLoop*> list;
    ~LoopList()
    {
        while (!list.IsEmpty()) delete list.RemoveHead();
    }
};

std::unique_ptr<CGeMesh> MeshOf(CGeCanvas& c, CTypedPtrList<CObList, CGeLoop*>& loops, double tol = 0.01)
{
    return std::unique_ptr<CGeMesh>(c.ToMesh(&loops, tol));
}

// Shoelace area and first moments of the loops' display polygons, each loop counted
// with the sign its nesting gives it (outer +, island −).
struct Moments {
    double a = 0, mx = 0, my = 0;
};
Moments RegionMoments(CTypedPtrList<CObList, CGeLoop*>& loops)
{
    std::vector<Pts> polys;
    for (POSITION pos = loops.GetHeadPosition(); pos;) {
        CGeLoop* l = loops.GetNext(pos);
        if (!l->HasDisplay()) l->Discrete(0.01);
        Pts p;
        for (int i = 0; i < l->GetSWPointCount(); ++i) p.push_back({l->GetSWPoint()[i][0], l->GetSWPoint()[i][1]});
        polys.push_back(p);
    }
    Moments m;
    for (size_t k = 0; k < polys.size(); ++k) {
        const Pts& p = polys[k];
        int depth = 0;
        for (size_t o = 0; o < polys.size(); ++o) {
            if (o == k) continue;
            bool in = false;
            const Pts& q = polys[o];
            for (size_t i = 0, j = q.size() - 1; i < q.size(); j = i++)
                if ((q[i][1] > p[0][1]) != (q[j][1] > p[0][1]) &&
                    p[0][0] < q[i][0] + (p[0][1] - q[i][1]) * (q[j][0] - q[i][0]) / (q[j][1] - q[i][1]))
                    in = !in;
            depth += in;
        }
        Moments one;
        for (size_t i = 0; i < p.size(); ++i) {
            const auto& u = p[i];
            const auto& v = p[(i + 1) % p.size()];
            const double cr = u[0] * v[1] - v[0] * u[1];
            one.a += cr / 2;
            one.mx += (u[0] + v[0]) * cr / 6;
            one.my += (u[1] + v[1]) * cr / 6;
        }
        const double s = ((one.a > 0) == (depth % 2 == 0)) ? 1.0 : -1.0;
        m.a += s * one.a, m.mx += s * one.mx, m.my += s * one.my;
    }
    return m;
}

void ExpectWatertight(const CGeMesh& mesh, int rings, const std::string& label)
{
    const meshoracle::Watertight w = meshoracle::CheckWatertight(mesh);
    EXPECT_EQ(w.badIndices, 0) << label;
    EXPECT_EQ(w.repeatedEdges, 0) << label;
    EXPECT_EQ(w.openChains, 0) << label;
    EXPECT_EQ(w.boundaryLoops, rings) << label;
    EXPECT_EQ(meshoracle::FlatFaces(mesh, 0.0), 0) << label;
}

}  // namespace

// ---- grid meshes -------------------------------------------------------------------

TEST(GeCanvasMeshTest, GridRangesGiveTheirNodesAndCellsOrNull)
{
    auto c = MakeCanvas(10.0f, 20.0f, 0.5f, 6, 4);
    Fill(*c, [](double x, double y) { return static_cast<float>(x + 10 * y); });
    struct Row {
        const char* label;
        unsigned cols[2], rows[2];
        int vertices, quads;  // -1: null
    };
    const Row rows[] = {
        {"whole", {0, 5}, {0, 3}, 24, 15},       {"3 x 2", {0, 2}, {0, 1}, 6, 2},
        {"sub-range", {2, 4}, {1, 2}, 6, 2},     {"one column", {3, 3}, {0, 3}, -1, 0},
        {"one row", {0, 5}, {2, 2}, -1, 0},      {"reversed", {4, 2}, {0, 3}, -1, 0},
        {"past the last column", {0, 6}, {0, 3}, -1, 0}, {"past the last row", {0, 5}, {1, 4}, -1, 0},
    };
    for (const Row& r : rows) {
        unsigned cols[2] = {r.cols[0], r.cols[1]}, rws[2] = {r.rows[0], r.rows[1]};
        for (int kind = 0; kind < 3; ++kind) {
            std::unique_ptr<CGeMesh> m(kind == 0 ? c->ToMesh(cols, rws)
                                                 : kind == 1 ? c->ToMeshReduce(cols, rws) : c->ToMeshRefine(cols, rws));
            const std::string label = std::string(r.label) + " kind " + std::to_string(kind);
            if (r.vertices < 0) {
                EXPECT_EQ(m, nullptr) << label;
                continue;
            }
            ASSERT_NE(m, nullptr) << label;
            // Nothing here is level or empty: all three give the full grid.
            ASSERT_EQ(static_cast<int>(m->vertices.size()), r.vertices) << label;
            ASSERT_EQ(static_cast<int>(m->faces4.size()), r.quads) << label;
            EXPECT_TRUE(m->faces3.empty()) << label;
            EXPECT_EQ(m->vertices[0].x, c->xs[r.cols[0]]) << label;
            EXPECT_EQ(m->vertices[0].y, c->ys[r.rows[0]]) << label;
            for (const CPoint3f& v : m->vertices) {
                const int i = c->Get_Index(v.x, 0), j = c->Get_Index(v.y, 1);
                EXPECT_EQ(v.z, c->heights[j][i]) << label;
            }
            // Counter-clockwise quads covering the range's area exactly once.
            const double area = (r.cols[1] - r.cols[0]) * (r.rows[1] - r.rows[0]) * 0.25;
            EXPECT_NEAR(meshoracle::ProjectedArea(*m), area, 1e-9) << label;
            EXPECT_EQ(meshoracle::CheckWatertight(*m).boundaryLoops, 1) << label;
            EXPECT_DOUBLE_EQ(m->m_box.zmin, c->heights[r.rows[0]][r.cols[0]]) << label;
        }
    }
    std::unique_ptr<CGeMesh> whole(c->ToMesh());
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(whole->vertices.size(), 24u);
    auto empty = std::make_unique<CGeCanvas>();
    EXPECT_EQ(empty->ToMesh(), nullptr);
    EXPECT_EQ(empty->ToMeshReduce(), nullptr);
}

TEST(GeCanvasMeshTest, ReduceDropsJustTheCellsWithFourEmptyCorners)
{
    auto c = MakeCanvas(0.0f, 0.0f, 1.0f, 8, 6);
    {
        std::unique_ptr<CGeMesh> m(c->ToMeshReduce());
        ASSERT_NE(m, nullptr);
        EXPECT_TRUE(m->vertices.empty());
        EXPECT_TRUE(m->faces4.empty());
    }
    // One written node keeps the four cells around it; a block keeps its cells and a ring.
    c->heights[3][3] = 2.0f;
    for (int j = 0; j < 2; ++j)
        for (int i = 5; i < 8; ++i) c->heights[j][i] = 1.0f;
    std::unique_ptr<CGeMesh> m(c->ToMeshReduce());
    ASSERT_NE(m, nullptr);
    int kept = 0;
    for (std::uint32_t j = 0; j + 1 < c->ny; ++j)
        for (std::uint32_t i = 0; i + 1 < c->nx; ++i) {
            const auto e = [&](std::uint32_t a, std::uint32_t b) { return c->heights[b][a] == CGeCanvas::kEmptyHeight; };
            kept += !(e(i, j) && e(i + 1, j) && e(i + 1, j + 1) && e(i, j + 1));
        }
    EXPECT_EQ(static_cast<int>(m->faces4.size()), kept);
    std::set<std::uint32_t> used;
    for (const SFacet4& q : m->faces4)
        for (int k = 0; k < 4; ++k) used.insert(q[k]);
    EXPECT_EQ(used.size(), m->vertices.size());  // no unused vertex left
    // Same volume as the whole grid above the empty height.
    std::unique_ptr<CGeMesh> whole(c->ToMesh());
    const auto lifted = [](const CGeMesh& g) {
        return meshoracle::Volume(g) - CGeCanvas::kEmptyHeight * meshoracle::ProjectedArea(g);
    };
    EXPECT_NEAR(lifted(*m), lifted(*whole), 1e-5);
}

TEST(GeCanvasMeshTest, RefineMergesLevelRunsAndKeepsTheVolume)
{
    auto c = MakeCanvas(0.0f, 0.0f, 0.25f, 41, 21);
    {
        Fill(*c, [](double, double) { return 3.0f; });
        std::unique_ptr<CGeMesh> m(c->ToMeshRefine(std::array<unsigned, 2>{0, 40}.data(), std::array<unsigned, 2>{0, 20}.data()));
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->faces4.size(), 20u);  // one quad per row strip
        EXPECT_EQ(m->vertices.size(), 42u);  // the first and last vertex of every row
        EXPECT_NEAR(meshoracle::ProjectedArea(*m), 10.0 * 5.0, 1e-9);
    }
    // Terraces along x with a ramp between, a bump: the refined mesh has fewer quads
    // and the same volume.
    Fill(*c, [](double x, double y) {
        const double t = std::floor(x / 2.0) + (y > 2.0 && y < 3.0 && x > 4.0 && x < 6.0 ? 0.5 * (x - 4.0) : 0.0);
        return static_cast<float>(t);
    });
    std::unique_ptr<CGeMesh> whole(c->ToMesh()), refined(c->ToMeshRefine(std::array<unsigned, 2>{0, 40}.data(),
                                                                          std::array<unsigned, 2>{0, 20}.data()));
    ASSERT_NE(refined, nullptr);
    EXPECT_LT(refined->faces4.size(), whole->faces4.size() / 2);
    EXPECT_NEAR(meshoracle::Volume(*refined), meshoracle::Volume(*whole), 1e-6 * meshoracle::Volume(*whole));
    EXPECT_NEAR(meshoracle::ProjectedArea(*refined), 50.0, 1e-9);
}

TEST(GeCanvasMeshTest, BoxTakesTheNodesAroundItsPartOfTheCanvas)
{
    auto c = MakeCanvas(0.0f, 0.0f, 1.0f, 10, 8);
    Fill(*c, [](double x, double y) { return static_cast<float>(x * y); });
    struct Row {
        const char* label;
        BOX2<double> box;
        float x0, y0, x1, y1;  // corner vertices; x0 > x1 for null
    };
    const Row rows[] = {
        {"inside", {2.5, 1.2, 5.5, 3.0}, 2, 1, 6, 3},
        {"on nodes", {2.0, 1.0, 5.0, 3.0}, 2, 1, 5, 3},
        {"over the edge", {-5.0, 6.5, 3.2, 20.0}, 0, 6, 4, 7},
        {"missing", {20.0, 1.0, 30.0, 3.0}, 1, 0, 0, 0},
    };
    for (const Row& r : rows) {
        std::unique_ptr<CGeMesh> m(c->ToMesh(r.box));
        if (r.x0 > r.x1) {
            EXPECT_EQ(m, nullptr) << r.label;
            continue;
        }
        ASSERT_NE(m, nullptr) << r.label;
        EXPECT_EQ(m->vertices.front().x, r.x0) << r.label;
        EXPECT_EQ(m->vertices.front().y, r.y0) << r.label;
        EXPECT_EQ(m->vertices.back().x, r.x1) << r.label;
        EXPECT_EQ(m->vertices.back().y, r.y1) << r.label;
    }
}

// ---- the grid region mesher ----------------------------------------------------------

TEST(GeCanvasMeshTest, SquareBetweenGridLinesGivesQuadsInsideAndCrossingsOnTheLoop)
{
    auto c = MakeCanvas(0.0f, 0.0f, 1.0f, 6, 6);
    Fill(*c, [](double x, double y) { return static_cast<float>(1.0 + x + 2.0 * y); });
    LoopList loops;
    loops.list.AddTail(PolygonLoop({{0.5, 0.5}, {3.5, 0.5}, {3.5, 3.5}, {0.5, 3.5}}));
    std::unique_ptr<CGeMesh> m = MeshOf(*c, loops.list);
    ASSERT_NE(m, nullptr);
    // 4 loop vertices, 2 crossings on each of the rows y = 1, 2, 3 and the columns x = 1, 2, 3,
    // 9 grid points.
    EXPECT_EQ(m->vertices.size(), 4u + 12u + 9u);
    EXPECT_EQ(m->faces4.size(), 4u);
    int grid = 0;
    for (size_t v = 0; v < m->vertices.size(); ++v) {
        const CPoint3f& p = m->vertices[v];
        if (m->vertflags->IsTrue(static_cast<int>(v))) continue;
        ++grid;
        EXPECT_EQ(p.z, c->heights[static_cast<int>(p.y)][static_cast<int>(p.x)]);
    }
    EXPECT_EQ(grid, 9);
    ExpectWatertight(*m, 1, "square");
    EXPECT_NEAR(meshoracle::ProjectedArea(*m), 9.0, 1e-5);
    EXPECT_NEAR(meshoracle::Volume(*m), 9.0 * (1.0 + 2.0 + 4.0), 1e-4);
}

TEST(GeCanvasMeshTest, LoopsOnGridLinesAndThroughGridPointsStayWatertight)
{
    auto c = MakeCanvas(-2.0f, -2.0f, 1.0f, 12, 12);
    Fill(*c, [](double x, double y) { return static_cast<float>(0.5 * x - 0.25 * y + 3.0); });
    struct Row {
        const char* label;
        std::vector<Pts> loops;
        double area;
    };
    const Row rows[] = {
        {"square on grid lines", {{{1, 1}, {3, 1}, {3, 3}, {1, 3}}}, 4.0},
        {"diamond through grid points", {{{2, 1}, {3, 2}, {2, 3}, {1, 2}}}, 2.0},
        {"clockwise outer", {{{1, 1}, {1, 3}, {3, 3}, {3, 1}}}, 4.0},
        {"ring with a hole on grid lines", {{{0, 0}, {6, 0}, {6, 6}, {0, 6}}, {{2, 2}, {4, 2}, {4, 4}, {2, 4}}}, 32.0},
        {"vertex on a row, edges on both sides", {{{0.5, 0.5}, {2.5, 2.0}, {4.5, 0.5}, {4.5, 4.5}, {0.5, 4.5}}}, 0.0},
        {"edge just past a row", {{{0.5, 0.5}, {4.5, 1.0 + 1e-9}, {4.5, 4.5}, {0.5, 4.5}}}, 0.0},
        {"reflex corner on a grid point", {{{0, 0}, {4, 0}, {4, 2}, {2, 2}, {2, 4}, {0, 4}}}, 12.0},
        {"tilted touching corners", {{{1, 0}, {5, 4}, {1, 8}, {-1.5, 4}}}, 0.0},
    };
    for (const Row& r : rows) {
        LoopList loops;
        for (const Pts& p : r.loops) loops.list.AddTail(PolygonLoop(p));
        const Moments mo = RegionMoments(loops.list);
        std::unique_ptr<CGeMesh> m = MeshOf(*c, loops.list);
        ASSERT_NE(m, nullptr) << r.label;
        ExpectWatertight(*m, static_cast<int>(r.loops.size()), r.label);
        if (r.area > 0) {
            EXPECT_NEAR(mo.a, r.area, 1e-9) << r.label;
        }
        EXPECT_NEAR(meshoracle::ProjectedArea(*m), mo.a, 1e-5 * mo.a) << r.label;
        EXPECT_NEAR(meshoracle::Volume(*m), 0.5 * mo.mx - 0.25 * mo.my + 3.0 * mo.a, 1e-5 * std::fabs(mo.a * 3))
            << r.label;
        // No two vertices at one place.
        std::set<std::pair<float, float>> at;
        for (const CPoint3f& v : m->vertices) at.insert({v.x, v.y});
        EXPECT_EQ(at.size(), m->vertices.size()) << r.label;
    }
}

TEST(GeCanvasMeshTest, UncrossedLoopsOfAnySizeAreOnePolygon)
{
    auto c = MakeCanvas(0.0f, 0.0f, 1.0f, 4, 4);
    Fill(*c, [](double, double) { return 2.0f; });
    for (int n : {5, 99, 100, 400}) {
        LoopList loops;
        loops.list.AddTail(PolygonLoop(Circle(1.5, 1.5, 0.4, n)));
        std::unique_ptr<CGeMesh> m = MeshOf(*c, loops.list);
        ASSERT_NE(m, nullptr);
        const std::string label = std::to_string(n) + " vertices";
        EXPECT_EQ(m->vertices.size(), static_cast<size_t>(n)) << label;
        EXPECT_EQ(m->faces3.size(), static_cast<size_t>(n - 2)) << label;
        ExpectWatertight(*m, 1, label);
        EXPECT_NEAR(meshoracle::ProjectedArea(*m), RegionMoments(loops.list).a, 1e-6) << label;
    }
}

TEST(GeCanvasMeshTest, IslandsAreCutOutWhateverTheLoopsDirectionsAndTheLoopsStay)
{
    auto c = MakeCanvas(0.0f, 0.0f, 0.5f, 30, 30);
    Fill(*c, [](double x, double) { return static_cast<float>(x); });
    for (bool islandCcw : {false, true}) {
        auto* outer = PolygonLoop(Circle(7, 7, 6, 64));
        auto* island = PolygonLoop(Circle(7, 7, 2.5, 40, islandCcw));
        auto* inner = PolygonLoop(Circle(7, 7, 1.0, 24));  // an island in the island
        auto* region = new CGeRegion;
        region->GetLoopList().AddTail(outer);
        region->GetLoopList().AddTail(island);
        region->GetLoopList().AddTail(inner);
        CTypedPtrList<CObList, CGeRegion*> regions;
        regions.AddTail(region);
        const double islandArea = island->EvArea(0.01);
        std::unique_ptr<CGeMesh> m(c->ToMesh(&regions, 0.01, false, 0.0f));
        ASSERT_NE(m, nullptr);
        const std::string label = islandCcw ? "island counter-clockwise" : "island clockwise";
        ExpectWatertight(*m, 3, label);
        const Moments mo = RegionMoments(region->GetLoopList());
        EXPECT_NEAR(meshoracle::ProjectedArea(*m), mo.a, 1e-5 * mo.a) << label;
        EXPECT_NEAR(meshoracle::Volume(*m), mo.mx, 1e-5 * mo.mx) << label;
        EXPECT_DOUBLE_EQ(island->EvArea(0.01), islandArea) << label;  // the caller's loop is unchanged
        // Constant height: every loop vertex at it, every grid vertex at the canvas height.
        std::unique_ptr<CGeMesh> k(c->ToMesh(&regions, 0.01, true, 9.5f));
        ASSERT_NE(k, nullptr);
        for (size_t v = 0; v < k->vertices.size(); ++v) {
            const CPoint3f& p = k->vertices[v];
            if (k->vertflags->IsTrue(static_cast<int>(v)))
                EXPECT_EQ(p.z, 9.5f) << label;
            else
                EXPECT_EQ(p.z, c->heights[c->Get_Index(p.y, 1)][c->Get_Index(p.x, 0)]) << label;
        }
        delete region;
    }
}

TEST(GeCanvasMeshTest, NullEmptyAndPointlessInputsAndCancelsLeaveTheMeshUntouched)
{
    auto c = MakeCanvas(0.0f, 0.0f, 1.0f, 8, 8);
    EXPECT_EQ(c->ToMesh(static_cast<CTypedPtrList<CObList, CGeLoop*>*>(nullptr), 0.01), nullptr);
    CTypedPtrList<CObList, CGeLoop*> none;
    EXPECT_EQ(c->ToMesh(&none, 0.01), nullptr);
    CTypedPtrList<CObList, CGeRegion*> noRegions;
    EXPECT_EQ(c->ToMesh(&noRegions, 0.01, false, 0.0f), nullptr);
    EXPECT_EQ(c->ToMesh(static_cast<CTypedPtrList<CObList, CGeRegion*>*>(nullptr), 0.01, false, 0.0f), nullptr);
    {
        // A loop without members meshes to nothing: an empty mesh from the loop variant.
        LoopList loops;
        loops.list.AddTail(new CGeLoop);
        std::unique_ptr<CGeMesh> m = MeshOf(*c, loops.list);
        ASSERT_NE(m, nullptr);
        EXPECT_TRUE(m->vertices.empty());
    }
    // A cancel seen after the rings, after the scan passes or after the cells; then a
    // run without one.
    for (int polls = 0; polls <= 3; ++polls) {
        widgra::testing::Reset();
        if (polls < 3) widgra::testing::CancelAfterPolls(polls);
        LoopList loops;
        loops.list.AddTail(PolygonLoop({{0.5, 0.5}, {5.3, 0.5}, {5.3, 5.2}, {0.5, 5.2}}));
        CGeMesh mesh;
        CTessGridMesher mesher;
        const int done = mesher.MeshLoops(&loops.list, 0.01, c.get(), &mesh, false, 0.0f);
        const std::string label = polls < 3 ? "cancel after " + std::to_string(polls) + " polls" : "no cancel";
        EXPECT_EQ(done, polls == 3 ? 1 : 0) << label;
        EXPECT_EQ(mesh.vertices.empty(), polls < 3) << label;
        EXPECT_EQ(mesh.faces3.empty() && mesh.faces4.empty(), polls < 3) << label;
        EXPECT_EQ(mesh.m_listIsoCurve.IsEmpty(), polls < 3) << label;
    }
    widgra::testing::Reset();
}

// Volumes of a cone and a hemisphere cut out along their base circles tend to the
// closed forms as the canvas step shrinks.
TEST(GeCanvasMeshTest, ConeAndHemisphereVolumesConverge)
{
    const double r = 10.0, h = 6.0;
    struct Row {
        const char* label;
        std::function<double(double)> height;  // of the distance from the centre
        double exact;
    };
    const Row rows[] = {
        {"cone", [&](double d) { return std::max(0.0, h * (1 - d / r)); }, std::numbers::pi * r * r * h / 3},
        {"hemisphere", [&](double d) { return std::sqrt(std::max(0.0, r * r - d * d)); }, 2 * std::numbers::pi * r * r * r / 3},
    };
    for (const Row& row : rows) {
        double last = 1e300;
        for (float step : {1.0f, 0.5f, 0.25f, 0.125f}) {
            const int n = static_cast<int>(24.0 / step) + 1;
            auto c = MakeCanvas(-12.0f, -12.0f, step, n, n);
            Fill(*c, [&](double x, double y) { return static_cast<float>(row.height(std::hypot(x, y))); });
            LoopList loops;
            loops.list.AddTail(PolygonLoop(Circle(0, 0, r, 2000)));
            std::unique_ptr<CGeMesh> m = MeshOf(*c, loops.list);
            const double err = std::fabs(meshoracle::Volume(*m) - row.exact) / row.exact;
            EXPECT_LT(err, last) << row.label << " step " << step;
            last = err;
        }
        EXPECT_LT(last, 2e-3) << row.label;
    }
}

// Real outlines: glyphs with holes and islands over a ramp (exact area and volume) and a
// real terrain (watertight, grid vertices at the canvas heights).
TEST(GeCanvasMeshTest, GlyphRegionsMeshWatertightWithExactAreaAndVolume)
{
    glyphs::GlyphReader font;
    ASSERT_TRUE(font.Ok());
    auto ramp = MakeCanvas(-3.0f, -6.0f, 0.1f, 800, 200);
    Fill(*ramp, [](double x, double y) { return static_cast<float>(0.2 * x + 0.1 * y + 1.0); });
    std::unique_ptr<CGeCanvas> rough = TerrainCanvas(-3.0f, -6.0f, 0.2f);
    ASSERT_NE(rough, nullptr);
    for (const char* text : {"8", "%", "&", "Korvel"}) {
        LoopList loops;
        const int made = glyphs::GlyphLineLoops(font, text, 12.0, -2.0, loops.list);
        ASSERT_GT(made, 0) << text;
        const Moments mo = RegionMoments(loops.list);
        std::unique_ptr<CGeMesh> m = MeshOf(*ramp, loops.list);
        ASSERT_NE(m, nullptr) << text;
        ExpectWatertight(*m, made, text);
        EXPECT_NEAR(meshoracle::ProjectedArea(*m), mo.a, 1e-5 * mo.a) << text;
        EXPECT_NEAR(meshoracle::Volume(*m), 0.2 * mo.mx + 0.1 * mo.my + mo.a, 1e-5 * mo.a) << text;
        std::unique_ptr<CGeMesh> t = MeshOf(*rough, loops.list);
        ExpectWatertight(*t, made, std::string(text) + " on the terrain");
        for (size_t v = 0; v < t->vertices.size(); ++v) {
            if (t->vertflags->IsTrue(static_cast<int>(v))) continue;
            const CPoint3f& p = t->vertices[v];
            ASSERT_EQ(p.z, rough->heights[rough->Get_Index(p.y, 1)][rough->Get_Index(p.x, 0)]) << text;
        }
    }
}

// ---- unchanged output ------------------------------------------------------------------

namespace {

// FNV-1a over the mesh in order: vertex coordinates (bits), triangle and quad indices,
// and the loop-vertex flags.
std::uint64_t Fingerprint(const CGeMesh& m)
{
    std::uint64_t h = 1469598103934665603ull;
    const auto mix = [&h](std::uint32_t w) {
        for (int b = 0; b < 4; ++b) {
            h ^= (w >> (8 * b)) & 0xffu;
            h *= 1099511628211ull;
        }
    };
    const auto bits = [](float f) {
        std::uint32_t u;
        std::memcpy(&u, &f, sizeof u);
        return u;
    };
    mix(static_cast<std::uint32_t>(m.vertices.size()));
    for (size_t v = 0; v < m.vertices.size(); ++v) {
        mix(bits(m.vertices[v].x)), mix(bits(m.vertices[v].y)), mix(bits(m.vertices[v].z));
        mix(m.vertflags && m.vertflags->IsTrue(static_cast<int>(v)) ? 1u : 0u);
    }
    mix(static_cast<std::uint32_t>(m.faces3.size()));
    for (const SFacet3& f : m.faces3)
        for (std::uint32_t i : f.v) mix(i);
    mix(static_cast<std::uint32_t>(m.faces4.size()));
    for (const SFacet4& f : m.faces4)
        for (std::uint32_t i : f.v) mix(i);
    return h;
}

// A star-shaped polygon of n points around (cx, cy) with radii drawn in [0.5 r, r] from
// the generator's raw output (the same on every library).
Pts RandomStar(std::mt19937& gen, double cx, double cy, double r, int n, bool ccw = true)
{
    Pts p;
    for (int k = 0; k < n; ++k) {
        const double t = 2.0 * std::numbers::pi * k / n * (ccw ? 1 : -1);
        const double s = r * (0.5 + 0.5 * static_cast<double>(gen()) / 4294967295.0);
        p.push_back({cx + s * std::cos(t), cy + s * std::sin(t)});
    }
    return p;
}

}  // namespace

// The mesher's vertices (with flags) and faces, in order, as recorded before its node and
// face records moved into larger blocks: glyphs on a ramp and on the terrain, and random
// star loops, one with a random island, over grid lines at step 0.1.
TEST(GeCanvasMeshTest, MeshesStayVertexForVertexAndFaceForFace)
{
    glyphs::GlyphReader font;
    ASSERT_TRUE(font.Ok());
    auto ramp = MakeCanvas(-3.0f, -6.0f, 0.1f, 800, 200);
    Fill(*ramp, [](double x, double y) { return static_cast<float>(0.2 * x + 0.1 * y + 1.0); });
    std::unique_ptr<CGeCanvas> rough = TerrainCanvas(-3.0f, -6.0f, 0.2f);
    ASSERT_NE(rough, nullptr);
    std::vector<std::uint64_t> got;
    {
        LoopList loops;
        ASSERT_GT(glyphs::GlyphLineLoops(font, "Korvel", 12.0, -2.0, loops.list), 0);
        got.push_back(Fingerprint(*MeshOf(*ramp, loops.list)));
        got.push_back(Fingerprint(*MeshOf(*rough, loops.list)));
    }
    std::mt19937 gen(20261211u);
    for (int c = 0; c < 4; ++c) {
        LoopList loops;
        loops.list.AddTail(PolygonLoop(RandomStar(gen, 10.0, 3.0, 6.0, 40 + 60 * c)));
        if (c == 3) loops.list.AddTail(PolygonLoop(RandomStar(gen, 10.0, 3.0, 2.0, 30, false)));
        got.push_back(Fingerprint(*MeshOf(*ramp, loops.list)));
    }
    const std::vector<std::uint64_t> recorded = {13734057323087237286ull, 13349062773235987657ull,
                                                  4718389680826051318ull,  13405913811582744437ull,
                                                  10798410649394669073ull, 16647271672271910240ull};
    EXPECT_EQ(got, recorded);
}
