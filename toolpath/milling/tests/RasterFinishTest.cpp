// Raster finishing: the check step, the depth range, lifting on threads (equal to one
// thread, progress complete), gap splitting, cancel, and the whole strategy cut in a
// z-map against the meshes: no gouge beyond the refinement bound, links included.
#include "framework/looker/QVGlobal.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes2d/GeRegion.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeGroup3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "testing/StlReader.h"
#include "testing/ZMap.h"
#include "toolpath/milling/MsFinishSweepLine.h"
#include "toolpath/milling/tests/MillFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using millkit::TriMesh;
using milltest::RoundToFloat;
using milltest::ToGeMesh;
using milltest::MeshSet;
using milltest::Paths;

class RasterFinish : public ::testing::Test {
protected:
    void SetUp() override { gNewQVGlobal(); }
    void TearDown() override { widgra::testing::Reset(); }
};

std::vector<std::vector<millkit::Vec3>> Strings(CNcPlineGrp& s)
{
    std::vector<std::vector<millkit::Vec3>> out;
    for (CNcPline* pl : s) {
        std::vector<millkit::Vec3> pts;
        for (POSITION pos = pl->GetHeadPosition(); pos;) {
            const CNcPoint* p = pl->GetNext(pos);
            pts.push_back({p->x, p->y, p->z});
        }
        out.push_back(pts);
    }
    return out;
}

TEST_F(RasterFinish, CheckStepFollowsTheToolAndTheMeshLimit)
{
    auto mesh = ToGeMesh(millkit::TerrainMesh([](double, double) { return 0.0; }, 0, 0, 4, 2));
    CGeMeshList meshes;
    meshes.AddTail(mesh.get());
    struct Row {
        double dia;
        float limit;
        double want;
    };
    const Row rows[] = {{1.6, CGeMesh::kDefaultStepLimit, 0.8}, {6, CGeMesh::kDefaultStepLimit, 2.0},
                        {0.5, CGeMesh::kDefaultStepLimit, 0.5}, {6, 0.3f, 0.3f}};
    for (const Row& r : rows) {
        mesh->m_fStepLimit = r.limit;
        EXPECT_DOUBLE_EQ(RasterCheckStep(r.dia / 2, &meshes), r.want) << "diameter " << r.dia << " limit " << r.limit;
    }
}

// A strategy run on the terrain, then its lifting again on 1 and on n threads.
TEST_F(RasterFinish, ThreadsGiveTheSameStringsAsOneThread)
{
    MeshSet meshes({millkit::TerrainMesh([](double x, double y) { return std::sin(x) * std::cos(y * 0.7); }, -5, -5, 10, 20)});
    CTBall ball(2);
    ball.SetAidParam();
    CParamSrfFinish p;
    p.m_nStepOver = 40;  // 0.8 apart: about 15 lines
    CMsFinishSweepLine finish(p);
    CGeGroup3d out;
    finish.GenPath(&meshes.list, nullptr, &p, &ball, &out);
    ASSERT_FALSE(out.IsEmpty());
    CNcPlineGrp one;
    finish.GenPlanePath(one);
    const auto want = Strings(one);
    ASSERT_GT(want.size(), 10u);
    for (int threads : {2, 4, 8, 40}) {
        CNcPlineGrp many;
        CQProgress progress;
        finish.progress = &progress;
        finish.GenPlanePathMp(many, threads);
        finish.progress = nullptr;
        // Building the lines and lifting them are worth 0.2 and 0.8 of the whole, however
        // the lines were spread over the threads (with 40 threads most get no line).
        progress.SetRange(0);
        EXPECT_NEAR(progress.GetPos(), 1.0, 1e-9) << threads << " threads";
        EXPECT_EQ(Strings(many), want) << threads << " threads";
        int i = 0;
        for (CNcPline* s : many) EXPECT_EQ(s->lineId, one.GetAt(one.FindIndex(i++))->lineId) << threads << " threads";
    }
}

TEST_F(RasterFinish, BottomLiesJustUnderTheModelForADeepCut)
{
    MeshSet meshes({millkit::HemisphereOnPlate(3, 6, 16)});
    CTBall ball(2);
    ball.SetAidParam();
    CParamSrfFinish p;
    p.m_nStepOver = 50;
    p.m_dCutDepth = 100;
    CMsFinishSweepLine finish(p);
    CGeGroup3d out;
    finish.GenPath(&meshes.list, nullptr, &p, &ball, &out);
    EXPECT_NEAR(finish.bottom, 0 - 0.001, 1e-9);
    EXPECT_NEAR(finish.top, 3, 1e-6);
}

TEST_F(RasterFinish, GapsSplitStringsOnlyWithoutCallerRegions)
{
    // Two plates 6 apart along X: the tool (diameter 1) meets nothing in between.
    const TriMesh left = millkit::TerrainMesh([](double, double) { return 1.0; }, 0, 0, 4, 2);
    const TriMesh right = millkit::TerrainMesh([](double, double) { return 1.0; }, 10, 0, 4, 2);
    CTCylindrical flat(1);
    flat.SetAidParam();
    for (bool withRegions : {false, true}) {
        MeshSet meshes({left, right});
        CParamSrfFinish p;
        p.m_nStepOver = 100;
        p.m_bOneWay = 1;
        CMsFinishSweepLine finish(p);
        CGeGroup3d out;
        CGeRegionList regions;
        if (withRegions) regions.AddTail(new CGeRegion(BOX2<double>(-0.5, -0.5, 14.5, 4.5)));
        finish.GenPath(&meshes.list, &regions, &p, &flat, &out);
        EXPECT_TRUE(regions.IsEmpty()) << "the strategy takes the caller's regions over";
        const auto paths = Paths(out);
        ASSERT_FALSE(paths.empty());
        int crossingGap = 0;
        for (const auto& path : paths) {
            double lo = 1e9, hi = -1e9;
            for (const auto& q : path) lo = std::min(lo, q[0]), hi = std::max(hi, q[0]);
            crossingGap += lo < 4 && hi > 10;
        }
        if (withRegions)
            EXPECT_EQ(crossingGap, int(paths.size())) << "with regions every line stays whole";
        else
            EXPECT_EQ(crossingGap, 0) << "without regions the lines split at the gap";
    }
}

TEST_F(RasterFinish, CancelPartWayWritesNothing)
{
    MeshSet meshes({millkit::TerrainMesh([](double x, double y) { return std::sin(x + y); }, -5, -5, 10, 20)});
    CTBall ball(2);
    ball.SetAidParam();
    CParamSrfFinish p;
    p.m_nStepOver = 20;
    for (std::int64_t polls : {0, 50, 2000}) {
        widgra::testing::Reset();
        widgra::testing::CancelAfterPolls(polls);
        CMsFinishSweepLine finish(p);
        CGeGroup3d out;
        finish.GenPath(&meshes.list, nullptr, &p, &ball, &out);
        EXPECT_TRUE(out.IsEmpty()) << "cancel after " << polls << " polls";
    }
}

TEST_F(RasterFinish, FailedPreconditionsWriteNothing)
{
    MeshSet good({millkit::TerrainMesh([](double, double) { return 0.0; }, 0, 0, 4, 2)});
    CTBall ball(2);
    ball.SetAidParam();
    CParamSrfFinish p;
    // A mesh that cannot be used next to a good one: no path cut at the bottom where it lies.
    auto bad = std::make_unique<CGeMesh>();
    bad->vertices = {{20, 0, 5}, {21, 0, 5}};
    CGeMeshList withBad;
    withBad.AddTail(good.owned[0].get());
    withBad.AddTail(bad.get());
    CGeMeshList empty;
    struct Row {
        const char* label;
        CGeMeshList* meshes;
        CTool* tool;
    };
    const Row rows[] = {{"unusable mesh", &withBad, &ball}, {"empty list", &empty, &ball}, {"null list", nullptr, &ball},
                        {"null tool", &good.list, nullptr}};
    for (const Row& r : rows) {
        CMsFinishSweepLine finish(p);
        CGeGroup3d out;
        finish.GenPath(r.meshes, nullptr, &p, r.tool, &out);
        EXPECT_TRUE(out.IsEmpty()) << r.label;
    }
    looker::testing::ResetQVGlobal();
    CMsFinishSweepLine finish(p);
    CGeGroup3d out;
    finish.GenPath(&good.list, nullptr, &p, &ball, &out);
    EXPECT_TRUE(out.IsEmpty()) << "no settings object";
}

struct ZMapCase {
    std::string name;
    std::vector<TriMesh> meshes;
    int stepOver;
    int angle;
};

// The whole strategy cut in a z-map: no cell below the meshes beyond the bound.
TEST_F(RasterFinish, NoGougeAnywhereLinksIncluded)
{
    std::vector<ZMapCase> cases = {
        {"hemisphere on plate", {millkit::HemisphereOnPlate(4, 8, 32)}, 15, 0},
        {"torus", {millkit::TorusMesh({0, 0, 0}, 5, 2, 32, 16)}, 15, 30},
        {"terrain", {millkit::TerrainMesh([](double x, double y) { return 2 * std::sin(x * 0.5) * std::cos(y * 0.4); }, -8, -8, 16, 40)}, 10, 0},
    };
    TriMesh wuson;
    if (millkit::ReadStl("/usr/share/assimp/models/STL/Wuson.stl", wuson)) cases.push_back({"Wuson.stl", {wuson}, 20, 0});
    const auto oracle = millkit::ToolProfileOracle::MakeBall(2);
    for (const ZMapCase& c : cases) {
        std::vector<TriMesh> rounded;
        for (const auto& m : c.meshes) rounded.push_back(RoundToFloat(m));
        MeshSet meshes(rounded);
        CTBall ball(2);
        ball.SetAidParam();
        CParamSrfFinish p;
        p.m_nStepOver = c.stepOver;
        p.m_nAngle = c.angle;
        CMsFinishSweepLine finish(p);
        CGeGroup3d out;
        finish.GenPath(&meshes.list, nullptr, &p, &ball, &out);
        const auto paths = Paths(out);
        ASSERT_FALSE(paths.empty()) << c.name;
        millkit::ZMap zmap = milltest::ZMapOver(rounded, 250, 5);
        for (const auto& path : paths) zmap.CutPath(oracle, path);
        const std::vector<double> top = milltest::MeshTops(zmap, rounded);
        const auto dev = zmap.Compare(top);
        EXPECT_GT(dev.compared, zmap.Nx() * zmap.Ny() / 4) << c.name;
        // A refined chord keeps its two samples within 0.005 of it, so the CL surface
        // within 0.005 / 0.6 where it bends one way; chords shorter than the minimum
        // segment (0.2 here) are split no further unless they climb a wall, which is
        // then taken vertically. The z-map measures the gouge vertically, which reads
        // up to 1 / cos(slope) times the distance across the chord on steep walls.
        const double bound = 0.03;
        EXPECT_LE(dev.gouge, bound) << c.name << " at cell " << dev.gougeI << ", " << dev.gougeJ;
        if (c.name == "terrain") {
            // Scallop against what the step-over leaves at the local slope across the
            // passes: a ball of radius R between passes s apart on a slope of angle a
            // leaves R - sqrt(R^2 - (s / (2 cos a))^2); cells within the tool radius of
            // the border are left out (the tool does not reach over the mesh's edge).
            const double s = 0.2, R = 1;
            double worstExcess = -1;
            for (int j = 0; j < zmap.Ny(); ++j)
                for (int i = 0; i < zmap.Nx(); ++i) {
                    const double x = zmap.X(i), y = zmap.Y(j);
                    if (std::fabs(x) > 8 - R || std::fabs(y) > 8 - R) continue;
                    const double slopeY = std::fabs(-0.8 * std::sin(x * 0.5) * std::sin(y * 0.4));
                    const double half = s / (2 * std::cos(std::atan(slopeY)));
                    const double want = R - std::sqrt(R * R - half * half);
                    const double sc = zmap.Height(i, j) - top[size_t(j) * zmap.Nx() + i];
                    worstExcess = std::max(worstExcess, sc - want);
                }
            // Beyond it: chords standing above the CL surface in valleys (0.005 / 0.6 for
            // refined ones; a 0.2 chord at 45 degrees over the CL surface's smallest
            // radius 1 sags 0.014), and the terrain's own curvature (radius at least 2)
            // widening the scallop of the convex parts by up to half.
            EXPECT_LE(worstExcess, 0.025) << "terrain scallop beyond the step-over's at the local slope";
        }
        std::cout << c.name << ": " << paths.size() << " curves, gouge " << dev.gouge << ", scallop " << dev.scallop << "\n";
    }
}

}  // namespace
