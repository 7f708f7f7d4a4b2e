// Projection of curves in layers: lifted points against the brute-force drop (ball and
// no tool), the layer table, ramps and whole lowering, composite grouping, the curve's
// own height, curves beside the meshes, cancel and the progress dialog.
#include "framework/looker/QVGlobal.h"
#include "framework/widgra/Progress.h"
#include "framework/widgra/ShowProgDlg.h"
#include "toolpath/milling/MsProject.h"
#include "toolpath/milling/tests/MillFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using millkit::TriMesh;
using millkit::Vec3;
using milltest::MeshSet;
using milltest::Polylines;

class Project : public ::testing::Test {
protected:
    void SetUp() override { gNewQVGlobal(); }
    void TearDown() override { widgra::testing::Reset(); }
};

CGePolyline3d* Polyline(std::vector<Vec3> pts)
{
    auto* pl = new CGePolyline3d;
    pl->Create(int(pts.size()), reinterpret_cast<double(*)[3]>(pts.data()));
    return pl;
}

const TriMesh& Plane()
{
    static const TriMesh m = millkit::TerrainMesh([](double, double) { return 0.0; }, -10, -10, 20, 4);
    return m;
}

TEST_F(Project, LiftedPointsLieWhereTheToolRests)
{
    const TriMesh hemi = milltest::RoundToFloat(millkit::HemisphereOnPlate(4, 9, 32));
    MeshSet meshes({hemi});
    CTBall ball(2);
    ball.SetAidParam();
    CTBall point(0);
    point.SetAidParam();
    for (CTool* tool : {static_cast<CTool*>(&ball), static_cast<CTool*>(nullptr)}) {
        const std::string label = tool ? "ball" : "no tool";
        CGeGroup3d curves;
        curves.m_listCurve.AddTail(Polyline({{-6, -1.3, 0}, {6, 0.7, 0}, {2, 5, 0}}));
        CGeGroup3d out;
        CMsProject project;
        project.GenPath(&meshes.list, &curves, {0.001, 1, 0, 0}, tool, CString(L"projection"), &out);
        ASSERT_EQ(out.m_listCurve.GetCount(), 1) << label;
        const auto pls = Polylines(out.m_listCurve.GetHead());
        ASSERT_EQ(pls.size(), 1u) << label;
        ASSERT_GT(pls[0].size(), 10u) << label;
        // Every point where the tool (or the point) rests, or above it where the path
        // takes a wall vertically.
        CNcPline lifted;
        for (const Vec3& q : pls[0]) lifted.AddTail(q.data());
        milltest::CheckString(label, lifted, {hemi}, tool ? *tool : point, -1e12);
    }
}

TEST_F(Project, LayersRampsAndWholeLowering)
{
    MeshSet meshes({Plane()});
    CTCylindrical flat(1);
    flat.SetAidParam();
    struct Row {
        double depth, step;
        std::vector<double> layers;
    };
    const Row rows[] = {{0.001, 1, {0}}, {5, 5, {5}}, {5, 2, {2, 4}}, {10, 3, {3, 6, 9}}, {3, 0, {0}}, {3, -1, {0}}};
    for (const Row& r : rows) {
        const std::string label = "depth " + std::to_string(r.depth) + " step " + std::to_string(r.step);
        EXPECT_EQ(ProjectLayerCount(r.depth, r.step), int(r.layers.size())) << label;
        CGeGroup3d curves;
        curves.m_listCurve.AddTail(Polyline({{-5, 0, 0}, {5, 0, 0}}));             // a level two-point line
        curves.m_listCurve.AddTail(Polyline({{-5, 3, 0}, {0, 6, 0}, {5, 3, 0}}));  // three points
        CGeGroup3d out;
        CMsProject project;
        project.GenPath(&meshes.list, &curves, {r.depth, r.step, 0, 0}, &flat, CString(L"p"), &out);
        ASSERT_EQ(out.m_listCurve.GetCount(), INT_PTR(2 * r.layers.size())) << label;
        POSITION pos = out.m_listCurve.GetHeadPosition();
        for (double d : r.layers) {
            const auto ramp = Polylines(out.m_listCurve.GetNext(pos));
            ASSERT_EQ(ramp.size(), 1u) << label;
            EXPECT_NEAR(ramp[0].front()[2], 0, 1e-9) << label << ": the ramp starts on the surface";
            EXPECT_NEAR(ramp[0].back()[2], -d, 1e-9) << label << ": and ends at the layer";
            const auto whole = Polylines(out.m_listCurve.GetNext(pos));
            ASSERT_EQ(whole.size(), 1u) << label;
            for (const Vec3& q : whole[0]) EXPECT_NEAR(q[2], -d, 1e-9) << label << ": lowered whole";
        }
    }
}

TEST_F(Project, CompositesStayTogetherInEveryLayer)
{
    MeshSet meshes({Plane()});
    CTBall ball(1);
    ball.SetAidParam();
    CGeGroup3d curves;
    for (double y : {-4.0, 4.0}) {
        auto* comb = new CGeCombCurve3d;
        comb->AddTail(Polyline({{-6, y, 0}, {-2, y + 1, 0}}));
        comb->AddTail(Polyline({{-2, y + 1, 0}, {2, y, 0}}));
        comb->AddTail(Polyline({{2, y, 0}, {6, y + 1, 0}}));
        curves.m_listCurve.AddTail(comb);
    }
    curves.m_listCurve.AddTail(Polyline({{-6, 0, 0}, {6, 1, 0}, {6, 2, 0}}));
    CGeGroup3d out;
    CMsProject project;
    project.GenPath(&meshes.list, &curves, {4, 2, 0, 0}, &ball, CString(L"p"), &out);
    // Per layer: two composites of three members, then the single curve on its own.
    ASSERT_EQ(out.m_listCurve.GetCount(), 6);
    int i = 0;
    for (CGeCurve3d* c : out.m_listCurve) {
        const bool single = i % 3 == 2;
        EXPECT_EQ(dynamic_cast<CGeCombCurve3d*>(c) == nullptr, single) << "curve " << i;
        EXPECT_EQ(Polylines(c).size(), single ? 1u : 3u) << "curve " << i;
        ++i;
    }
}

TEST_F(Project, OwnHeightBesideMeshesCancelAndDialog)
{
    MeshSet meshes({Plane()});
    CTBall ball(2);
    ball.SetAidParam();
    const auto run = [&](std::vector<Vec3> pts, int ownHeight, CTool* tool, CGeGroup3d& out) {
        CGeGroup3d curves;
        curves.m_listCurve.AddTail(Polyline(std::move(pts)));
        CMsProject project;
        project.GenPath(&meshes.list, &curves, {0, 1, ownHeight, 0}, tool, CString(L"Projecting"), &out);
        EXPECT_EQ(CShowProgDlg::OpenCount(), 0) << "the dialog is closed again";
    };
    {
        CGeGroup3d out;
        run({{-3, 0, 1}, {3, 1, 1}, {4, 4, 1}}, 1, &ball, out);
        ASSERT_EQ(out.m_listCurve.GetCount(), 1);
        const auto pls = Polylines(out.m_listCurve.GetHead());
        for (const Vec3& q : pls[0]) EXPECT_NEAR(q[2], 1, 1e-9) << "1 above the lifted height";
        EXPECT_TRUE(CShowProgDlg::LastTitle() == CString(L"Projecting"));
    }
    {
        CGeGroup3d out;
        run({{-3, 0, 1}, {3, 1, 1}, {4, 4, 1}}, 0, &ball, out);
        ASSERT_EQ(out.m_listCurve.GetCount(), 1);
        const auto pls = Polylines(out.m_listCurve.GetHead());
        for (const Vec3& q : pls[0]) EXPECT_NEAR(q[2], 0, 1e-9) << "without its own height";
    }
    for (double off : {10.5, -10.5}) {
        CGeGroup3d out;
        run({{off, 0, 0}, {off + (off > 0 ? 5 : -5), 3, 0}}, 0, &ball, out);
        EXPECT_TRUE(out.IsEmpty()) << "curves beside the meshes at x " << off;
        CGeGroup3d outY;
        run({{0, off, 0}, {3, off + (off > 0 ? 5 : -5), 0}}, 0, &ball, outY);
        EXPECT_TRUE(outY.IsEmpty()) << "curves beside the meshes at y " << off;
    }
    for (std::int64_t polls : {0, 1, 3, 20}) {
        widgra::testing::Reset();
        widgra::testing::CancelAfterPolls(polls);
        CGeGroup3d out;
        run({{-3, 0, 0}, {3, 1, 0}, {4, 4, 0}}, 0, &ball, out);
        EXPECT_TRUE(out.IsEmpty()) << "cancel after " << polls << " polls";
    }
    widgra::testing::Reset();
    CGeGroup3d curves;
    curves.m_listCurve.AddTail(Polyline({{-3, 0, 0}, {3, 1, 0}}));
    CGeGroup3d out;
    CMsProject project;
    CGeMeshList empty;
    project.GenPath(&empty, &curves, {0, 1, 0, 0}, &ball, CString(L"p"), &out);
    project.GenPath(nullptr, &curves, {0, 1, 0, 0}, &ball, CString(L"p"), &out);
    EXPECT_TRUE(out.IsEmpty()) << "no meshes";
}

}  // namespace
