// Raster roughing by Z levels: the layer table, the cut of a string at a plane, the
// order of writing (what lies under an area follows it at once), linking, and the
// whole strategy cut in a z-map: no gouge, no pass deeper than one down step into the
// stock left before it, and at most a down step plus the scallop left at the end.
#include "framework/looker/QVGlobal.h"
#include "framework/widgra/Progress.h"
#include "testing/ToolProfileOracle.h"
#include "toolpath/milling/MsRoughSweepLine.h"
#include "toolpath/milling/tests/MillFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

using millkit::TriMesh;
using millkit::Vec3;
using milltest::MeshSet;
using milltest::Paths;
using milltest::RoundToFloat;

class RasterRough : public ::testing::Test {
protected:
    void SetUp() override { gNewQVGlobal(); }
    void TearDown() override { widgra::testing::Reset(); }
};

// A string through the points (x, y, z), contact 1 (lifted), on scan line `line`.
CNcPline* MakeString(const std::vector<Vec3>& pts, int line = 0)
{
    auto* s = new CNcPline;
    for (const Vec3& p : pts) {
        auto* q = new CNcPoint(p[0], p[1], p[2]);
        q->contact = kContactVertex;
        s->AddTail(q);
    }
    s->lineId = line;
    s->CalcBox();
    return s;
}

std::vector<Vec3> Points(const CNcPline& s)
{
    std::vector<Vec3> out;
    for (POSITION pos = s.GetHeadPosition(); pos;) {
        const CNcPoint* p = s.GetNext(pos);
        out.push_back({p->x, p->y, p->z});
    }
    return out;
}

TEST_F(RasterRough, LayersShareTheCutDepthEqually)
{
    struct Row {
        double depth, step;
        int count;      // 0: no layers
        double height;  // of each layer
    };
    const Row rows[] = {{10, 3, 4, 2.5}, {9, 3, 3, 3}, {5, 5, 1, 5}, {0.5, 3, 1, 0.5},
                        {0, 3, 0, 0}, {-2, 3, 0, 0}, {10, 0.004, 0, 0}};
    for (const Row& r : rows) {
        CParamSrfRough p;
        p.m_dCutDepth = r.depth;
        p.m_dDownStep = r.step;
        CMsRoughSweepLine rough(p);
        rough.top = 1;
        CNcPlineGrp s;
        s.AddTail(MakeString({{0, 0, -50}, {10, 0, -50}}));
        rough.LayerAllPath(s);
        const std::string label = "depth " + std::to_string(r.depth) + " step " + std::to_string(r.step);
        ASSERT_EQ(rough.layerCount, r.count) << label;
        for (int k = 0; k < r.count; ++k) {
            ASSERT_EQ(rough.layers[k].GetCount(), 1) << label << " layer " << k;
            const CNcPline* l = rough.layers[k].GetHead();
            EXPECT_EQ(l->tag, k) << label;
            for (const Vec3& q : Points(*l)) EXPECT_NEAR(q[2], 1 - (k + 1) * r.height, 1e-12) << label << " layer " << k;
        }
        EXPECT_EQ(s.IsEmpty(), r.count > 0) << label << ": the strings are consumed when layered";
    }
}

TEST_F(RasterRough, PlaneCutRaisesDipsAndCarriesThemOn)
{
    struct Row {
        const char* label;
        std::vector<Vec3> in;
        std::vector<Vec3> layer;
        std::vector<std::vector<Vec3>> below;
    };
    const Row rows[] = {
        {"dip once",
         {{0, 0, 5}, {1, 0, 5}, {2, 0, 1}, {3, 0, 1}, {4, 0, 5}, {5, 0, 5}},
         {{0, 0, 5}, {1, 0, 5}, {1.5, 0, 3}, {2, 0, 3}, {3, 0, 3}, {3.5, 0, 3}, {4, 0, 5}, {5, 0, 5}},
         {{{1.5, 0, 3}, {2, 0, 1}, {3, 0, 1}, {3.5, 0, 3}}}},
        {"all above", {{0, 0, 4}, {1, 0, 6}}, {{0, 0, 4}, {1, 0, 6}}, {}},
        {"starts below, climbs out",
         {{0, 0, 1}, {2, 0, 5}},
         {{0, 0, 3}, {1, 0, 3}, {2, 0, 5}},
         {{{0, 0, 1}, {1, 0, 3}}}},
        {"two dips",
         {{0, 0, 1}, {1, 0, 5}, {2, 0, 1}},
         {{0, 0, 3}, {0.5, 0, 3}, {1, 0, 5}, {1.5, 0, 3}, {2, 0, 3}},
         {{{0, 0, 1}, {0.5, 0, 3}}, {{1.5, 0, 3}, {2, 0, 1}}}},
        {"touches the plane", {{0, 0, 5}, {1, 0, 3}, {2, 0, 5}}, {{0, 0, 5}, {1, 0, 3}, {2, 0, 5}}, {{{1, 0, 3}}}},
    };
    for (const Row& r : rows) {
        CNcPlineGrp below;
        std::unique_ptr<CNcPline> s(MakeString(r.in, 7));
        s->tag = 2;
        std::unique_ptr<CNcPline> n(ClipPLine_Zplane(below, s.get(), 3));
        ASSERT_TRUE(n) << r.label;
        EXPECT_EQ(Points(*n), r.layer) << r.label;
        EXPECT_TRUE(s->IsEmpty()) << r.label;
        ASSERT_EQ(below.GetCount(), INT_PTR(r.below.size())) << r.label;
        int k = 0;
        for (CNcPline* b : below) {
            EXPECT_EQ(Points(*b), r.below[size_t(k++)]) << r.label;
            EXPECT_EQ(b->lineId, 7) << r.label;
            EXPECT_EQ(b->tag, 2) << r.label;
        }
        EXPECT_EQ(n->lineId, 7) << r.label;
    }
    CNcPlineGrp below;
    CNcPline empty;
    EXPECT_EQ(ClipPLine_Zplane(below, &empty, 3), nullptr) << "an empty string gives no layer string";
}

// Layers filled by hand: two areas of layer 0 (x 0..10 and 30..40 on lines 0..3), two
// pockets of layer 1 under the first and one under the second, a deeper pocket of
// layer 2 under the first pocket.
void FillLayers(CMsRoughSweepLine& rough)
{
    rough.layerCount = 3;
    rough.layers = std::make_unique<CNcPlineGrp[]>(3);
    const auto add = [&](int layer, int line, double x0, double x1) {
        CNcPline* s = MakeString({{x0, double(line), -1.0 - layer}, {x1, double(line), -1.0 - layer}}, line);
        s->tag = layer;
        rough.layers[layer].AddTail(s);
    };
    for (int line = 0; line < 4; ++line) add(0, line, 0, 10);
    for (int line = 0; line < 4; ++line) add(0, line, 30, 40);
    for (int line = 1; line < 3; ++line) add(1, line, 1, 3);
    for (int line = 1; line < 3; ++line) add(1, line, 31, 33);
    for (int line = 1; line < 3; ++line) add(1, line, 6, 8);
    add(2, 1, 1.5, 2.5);
}

// (z, lowest x) of every curve written.
std::vector<std::pair<double, double>> CurveKeys(CGeGroup3d& out)
{
    std::vector<std::pair<double, double>> keys;
    for (const auto& path : Paths(out)) {
        double lo = 1e9;
        for (const Vec3& q : path) lo = std::min(lo, q[0]);
        keys.push_back({path.front()[2], lo});
    }
    return keys;
}

TEST_F(RasterRough, WhatLiesUnderAnAreaIsWrittenRightAfterIt)
{
    CParamSrfRough p;
    p.m_bOneWay = 1;
    CMsRoughSweepLine rough(p);
    rough.stepOver = 1;
    FillLayers(rough);
    CTCylindrical flat(1);
    flat.SetAidParam();
    CGeGroup3d out;
    ASSERT_EQ(rough.SortPathByArea(nullptr, &flat, &out), 1);
    using K = std::pair<double, double>;
    const std::vector<K> want = {{-1, 0},  {-1, 0},  {-1, 0},  {-1, 0},  {-2, 1},  {-2, 1},  {-3, 1.5},
                                 {-2, 6},  {-2, 6},  {-1, 30}, {-1, 30}, {-1, 30}, {-1, 30}, {-2, 31}, {-2, 31}};
    EXPECT_EQ(CurveKeys(out), want) << "one-way: every string its own curve, areas followed by what lies under them";
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(rough.layers[k].IsEmpty()) << "layer " << k << " written whole";
}

TEST_F(RasterRough, OneWayLeavesPassesApartDepthOrderLinksThem)
{
    // A flat floor far below: connectors run straight between the passes.
    CTCylindrical flat(1);
    flat.SetAidParam();
    auto model = milltest::MakeModel({millkit::TerrainMesh([](double, double) { return -20.0; }, -5, -5, 50, 4)}, &flat, 0.5);
    ASSERT_TRUE(model);
    for (int oneWay : {0, 1}) {
        CParamSrfRough p;
        p.m_bOneWay = oneWay;
        CMsRoughSweepLine rough(p);
        rough.stepOver = 1;
        FillLayers(rough);
        CGeGroup3d out;
        rough.SortPathByArea(model.get(), &flat, &out);
        // Linked: each area one zigzag, so 2 + 3 + 1 areas; one-way: 15 strings.
        EXPECT_EQ(out.m_listCurve.GetCount(), oneWay ? 15 : 6) << "one-way " << oneWay;
    }
    CParamSrfRough p;
    p.m_bOneWay = 1;
    CMsRoughSweepLine rough(p);
    rough.stepOver = 1;
    FillLayers(rough);
    CGeGroup3d out;
    EXPECT_EQ(rough.SortPathByDepth(model.get(), &flat, &out), 1);
    // Layer by layer, linked whatever the one-way flag: layer 0's two areas, layer 1's
    // three pockets, layer 2's one string.
    EXPECT_EQ(out.m_listCurve.GetCount(), 6);
    const auto keys = CurveKeys(out);
    for (size_t i = 1; i < keys.size(); ++i) EXPECT_LE(keys[i].first, keys[i - 1].first) << "depth order at curve " << i;
}

TEST_F(RasterRough, FailedPreconditionsAndCancelWriteNothing)
{
    MeshSet meshes({millkit::TerrainMesh([](double x, double y) { return std::sin(x + y); }, -5, -5, 10, 20)});
    CTBall ball(2);
    ball.SetAidParam();
    struct Row {
        const char* label;
        double depth, step;
        std::int64_t cancelAfter;  // -1: no cancel
    };
    const Row rows[] = {{"down step below 0.01", 3, 0.009, -1}, {"cut depth 0", 0, 1, -1}, {"cut depth -1", -1, 1, -1},
                        {"cancel at once", 3, 1, 0},             {"cancel while lifting", 3, 1, 30},
                        {"cancel while layering", 3, 1, 400}};
    for (const Row& r : rows) {
        widgra::testing::Reset();
        if (r.cancelAfter >= 0) widgra::testing::CancelAfterPolls(r.cancelAfter);
        CParamSrfRough p;
        p.m_nStepOver = 20;
        p.m_dCutDepth = r.depth;
        p.m_dDownStep = r.step;
        CMsRoughSweepLine rough(p);
        CGeGroup3d out;
        rough.GenPath(&meshes.list, nullptr, &p, &ball, &out);
        EXPECT_TRUE(out.IsEmpty()) << r.label;
    }
    widgra::testing::Reset();
    CParamSrfRough p;
    p.m_nStepOver = 20;
    CMsRoughSweepLine rough(p);
    CGeGroup3d out;
    rough.GenPath(&meshes.list, nullptr, &p, &ball, &out);
    EXPECT_FALSE(out.IsEmpty()) << "the same run without a cancel writes";
}

TEST_F(RasterRough, ThreadsLiftTheSameStringsAsOneThread)
{
    MeshSet meshes({millkit::TerrainMesh([](double x, double y) { return std::sin(x) * std::cos(y * 0.7); }, -5, -5, 10, 20)});
    CTBall ball(2);
    ball.SetAidParam();
    CParamSrfRough p;
    p.m_nStepOver = 40;
    p.m_dCutDepth = 2;
    CMsRoughSweepLine rough(p);
    CGeGroup3d out;
    rough.GenPath(&meshes.list, nullptr, &p, &ball, &out);
    ASSERT_FALSE(out.IsEmpty());
    const auto points = [](CNcPlineGrp& g) {
        std::vector<std::vector<Vec3>> all;
        for (CNcPline* s : g) all.push_back(Points(*s));
        return all;
    };
    CNcPlineGrp one;
    rough.GenPlanePath(one);
    ASSERT_GT(one.GetCount(), 10);
    for (int threads : {3, 8}) {
        CNcPlineGrp many;
        rough.GenPlanePathMp(many, threads);
        EXPECT_EQ(points(many), points(one)) << threads << " threads";
    }
}

struct RoughCase {
    std::string name;
    std::function<double(double, double)> f;
    double size;
    double depth, step, allowance;
};

// The whole strategy with a ball, cut in a z-map pass by pass.
TEST_F(RasterRough, PassesStayOnTheirLayerAndCutOneDownStepAtMost)
{
    const auto terrain = [](double x, double y) { return 2 * std::sin(x * 0.5) * std::cos(y * 0.4); };
    // A plate at 0 with a square pocket 5 deep and a hemisphere of radius 3 on its floor.
    const auto pocket = [](double x, double y) {
        if (std::fabs(x) > 6 || std::fabs(y) > 6) return 0.0;
        const double d2 = x * x + y * y;
        return d2 < 9 ? -5 + std::sqrt(9 - d2) : -5.0;
    };
    const RoughCase cases[] = {{"terrain", terrain, 16, 4, 1.5, 0.3}, {"hemisphere in a pocket", pocket, 20, 6, 2, 0}};
    const double R = 1;
    const auto oracle = millkit::ToolProfileOracle::MakeBall(2 * R);
    for (const RoughCase& c : cases) {
        const std::vector<TriMesh> rounded = {RoundToFloat(millkit::TerrainMesh(c.f, -c.size / 2, -c.size / 2, c.size, 60))};
        MeshSet meshes(rounded);
        CTBall ball(2 * R);
        ball.SetAidParam();
        CParamSrfRough p;
        p.m_nStepOver = 20;  // 0.4 apart
        p.m_dCutDepth = c.depth;
        p.m_dDownStep = c.step;
        p.m_dAllowance = c.allowance;
        CMsRoughSweepLine rough(p);
        CGeGroup3d out;
        rough.GenPath(&meshes.list, nullptr, &p, &ball, &out);
        const auto paths = Paths(out);
        ASSERT_FALSE(paths.empty()) << c.name;
        const double h = c.depth / std::ceil(c.depth / c.step - 1e-12);
        const double top = rough.top, last = top - c.depth;
        double maxZ = -1e9;
        for (const Vec3& v : rounded[0].vertices) maxZ = std::max(maxZ, v[2]);
        millkit::ZMap zmap = milltest::ZMapOver(rounded, 200, top - maxZ);  // the stock starts at the model top
        const std::vector<double> surf = milltest::MeshTops(zmap, rounded);
        // Every pass no deeper than one down step into the stock its predecessors left.
        double deepest = 0;
        for (const auto& path : paths) {
            millkit::ZMap before = zmap;
            zmap.CutPath(oracle, path);
            for (int j = 0; j < zmap.Ny(); ++j)
                for (int i = 0; i < zmap.Nx(); ++i) deepest = std::max(deepest, before.Height(i, j) - zmap.Height(i, j));
            // Every point at or above the lowest layer.
            for (const Vec3& q : path) ASSERT_GE(q[2], last - 1e-9) << c.name;
        }
        // Per cell: the gouge under the surface plus the allowance, everywhere and on
        // gentle slopes, and the stock left beyond a down step, the scallop of the
        // step-over at the local slope and the ball's own lift off a slope. Left out:
        // the rim of the inflation (the inflated mesh's border moves inward by up to
        // the allowance where the surface rises towards it, and the tool falls off it
        // there) and, for the stock, cells within the tool radius of the border.
        double gouge = -1e9, gentleGouge = -1e9, worst = -1e9;
        const double s = 0.4, cell = zmap.X(1) - zmap.X(0), half = c.size / 2;
        for (int j = 0; j < zmap.Ny(); ++j)
            for (int i = 0; i < zmap.Nx(); ++i) {
                const double x = zmap.X(i), y = zmap.Y(j), z = surf[size_t(j) * zmap.Nx() + i] + c.allowance;
                if (std::isnan(z) || std::fabs(x) > half - c.allowance - cell || std::fabs(y) > half - c.allowance - cell)
                    continue;
                const double cut = zmap.Height(i, j);
                // The stock starts at the meshes' top, under the inflated top.
                const double part = std::min(z, top);
                double slope = 0;
                for (double dx : {-R, 0.0, R})
                    for (double dy : {-R, 0.0, R})
                        if (dx != 0 || dy != 0) slope = std::max(slope, std::fabs(c.f(x + dx, y + dy) - c.f(x, y)) / std::hypot(dx, dy));
                gouge = std::max(gouge, part - cut);
                if (slope > 0.7) continue;
                gentleGouge = std::max(gentleGouge, part - cut);
                if (z < last + 1e-6 || std::fabs(x) > half - R || std::fabs(y) > half - R) continue;
                const double cosA = std::cos(std::atan(slope));
                const double w = s / (2 * cosA);
                const double allow = h + (R - std::sqrt(R * R - w * w)) + R * (1 / cosA - 1) + cell;
                worst = std::max(worst, cut - z - allow);
            }
        // The scan lines are lifted at 0.1: a refined chord keeps its samples within 0.1
        // of it, the CL surface within about 0.1 / 0.6, and the z-map reads that
        // vertically, up to 1 / cos(slope) times more on steep walls.
        EXPECT_LE(gentleGouge, 0.2) << c.name << ": gouge on slopes up to 35 degrees";
        EXPECT_LE(gouge, 0.4) << c.name << ": gouge anywhere";
        EXPECT_LE(deepest, h + 1e-3) << c.name << ": a pass cut deeper than a down step";
        EXPECT_LE(worst, 0.0) << c.name << ": stock left beyond a down step and the scallop";
        std::cout << c.name << ": " << paths.size() << " curves, deepest pass " << deepest << " (step " << h << "), gouge "
                  << gouge << " (gentle slopes " << gentleGouge << "), worst stock excess " << worst << "\n";
    }
}

}  // namespace
