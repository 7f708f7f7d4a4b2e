// Radial finishing: the step and the boundary allowance tables, the links between
// rays (meet, lifted connector, apart, zigzag), rays on the drop-cutter surface, a
// connector over a bump between two ray ends, and the scallop the ray spacing leaves.
#include "framework/db/DbPathGroup.h"
#include "framework/looker/QVGlobal.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes2d/GeRegion.h"
#include "toolpath/milling/MsFinishRadial.h"
#include "toolpath/milling/tests/MillFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using millkit::TriMesh;
using millkit::Vec3;
using milltest::MeshSet;
using milltest::Polylines;

class RadialFinish : public ::testing::Test {
protected:
    void SetUp() override { gNewQVGlobal(); }
    void TearDown() override { widgra::testing::Reset(); }
};

// Every point of every unit of the group, unit by unit and polyline by polyline.
std::vector<std::vector<Vec3>> UnitPaths(CDbPathGroup* g)
{
    std::vector<std::vector<Vec3>> out;
    if (!g) return out;
    for (CDbPathUnit* u : g->m_listUnit)
        for (auto& pl : Polylines(u->GetCurve())) out.push_back(pl);
    return out;
}

CParamSrfFinish RadialParam(double stepAngle, double allowance = 0, unsigned flags = 0)
{
    CParamSrfFinish p;
    p.m_dAllowance = allowance;
    p.m_emitDef.flags = std::uint8_t(flags);
    p.m_emitDef.sweepAngle = 360;
    p.m_emitDef.stepAngle = stepAngle;
    return p;
}

const TriMesh& Plate()
{
    static const TriMesh m = millkit::TerrainMesh([](double, double) { return 0.0; }, -10, -10, 20, 8);
    return m;
}

TEST_F(RadialFinish, StepFollowsTheToolRadius)
{
    CTBall small(0.6), big(10), mid(2);
    const struct {
        CTool* tool;
        double want;
    } rows[] = {{&small, 0.5}, {&big, 2}, {&mid, 1}, {nullptr, 0.5}};
    for (const auto& r : rows) EXPECT_DOUBLE_EQ(RadialStep(r.tool), r.want) << (r.tool ? r.tool->GetDia() : 0.0);
}

TEST_F(RadialFinish, AllowanceInflatesTheMeshesAndOffsetsTheLoops)
{
    struct Row {
        double allowance;
        double extent;  // of the rays along the axes
        double height;  // of the lifted plate
    };
    const Row rows[] = {{0.5, 4.5, 0.5}, {-0.5, 5.5, 0}, {0.00005, 5, 0}};
    for (const Row& r : rows) {
        MeshSet meshes({Plate()});
        CTBall ball(1);
        ball.SetAidParam();
        CParamSrfFinish p = RadialParam(30, r.allowance);
        CGeRegionList regions;
        regions.AddTail(new CGeRegion(BOX2<double>(-5, -5, 5, 5)));
        CMsFinishRadial radial(p);
        std::unique_ptr<CDbPathGroup> g(radial.GenPath(&meshes.list, &regions, &p, &ball));
        ASSERT_TRUE(g) << r.allowance;
        double extent = 0;
        for (const auto& path : UnitPaths(g.get()))
            for (const Vec3& q : path) {
                extent = std::max({extent, std::fabs(q[0]), std::fabs(q[1])});
                EXPECT_NEAR(q[2], r.height, 1e-4) << "allowance " << r.allowance;
            }
        EXPECT_NEAR(extent, r.extent, 1e-6) << "allowance " << r.allowance;
        ASSERT_TRUE(radial.model);
        EXPECT_DOUBLE_EQ(radial.model->checkStep, 0.5) << "the tool radius clamped to [0.5, 2]";
    }
    // Loops that vanish under the inward offset: an empty group, not a failure.
    MeshSet meshes({Plate()});
    CTBall ball(1);
    ball.SetAidParam();
    CParamSrfFinish p = RadialParam(30, 0.8);
    CGeRegionList regions;
    regions.AddTail(new CGeRegion(BOX2<double>(-0.5, -0.5, 0.5, 0.5)));
    CMsFinishRadial radial(p);
    std::unique_ptr<CDbPathGroup> g(radial.GenPath(&meshes.list, &regions, &p, &ball));
    ASSERT_TRUE(g);
    EXPECT_TRUE(g->m_listUnit.IsEmpty());
}

// A ray on the plate along y at x from y0 to y1.
CNcPline* Ray(double x, double y0, double y1)
{
    auto* s = new CNcPline;
    const double a[3] = {x, y0, 0}, b[3] = {x, y1, 0};
    s->AddTail(a);
    s->AddTail(b);
    s->CalcBox();
    return s;
}

TEST_F(RadialFinish, RaysMeetLinkOrStayApart)
{
    CTBall ball(1);
    ball.SetAidParam();
    auto model = milltest::MakeModel({Plate()}, &ball, 0.5);
    ASSERT_TRUE(model);
    struct Row {
        double gap;
        int strings;  // after linking
        bool moved;   // the first ray's end now meets the second's start
    };
    const Row rows[] = {{0.005, 2, true}, {3, 3, true}, {6, 2, false}};
    const double gapLimit = std::max(10 * 0.2, 5.0);
    for (const Row& r : rows) {
        CNcPlineGrp s;
        s.AddTail(Ray(0, -5, 0));
        s.AddTail(Ray(r.gap, 0, -5));
        LinkRadialStrings(s, model.get(), 0, gapLimit);
        ASSERT_EQ(s.GetCount(), r.strings) << "gap " << r.gap;
        const CNcPoint* end = s.GetHead()->GetTail();
        const CNcPoint* start = s.GetTail()->GetHead();
        EXPECT_EQ(end->x == start->x && end->y == start->y, r.moved && r.strings == 2) << "gap " << r.gap;
        if (r.strings == 3) {
            const CNcPline* link = s.GetAt(s.FindIndex(1));
            EXPECT_EQ(link->GetHead()->x, end->x) << "the connector starts at the first ray's end";
            EXPECT_EQ(link->GetTail()->x, start->x) << "and ends at the second ray's start";
        }
        EXPECT_EQ(end->x, r.gap == 0.005 ? r.gap : 0) << "gap " << r.gap;
    }
    // Zigzag: every second ray reversed before linking; without it they stay.
    for (int zigzag : {0, 1}) {
        CNcPlineGrp s;
        for (int i = 0; i < 4; ++i) s.AddTail(Ray(i * 20, -5, 0));
        s.AddTail(new CNcPline);  // an empty string is dropped
        LinkRadialStrings(s, model.get(), zigzag, gapLimit);
        ASSERT_EQ(s.GetCount(), 4) << "zigzag " << zigzag;
        int i = 0;
        for (CNcPline* ray : s) {
            const bool reversed = ray->GetHead()->y > ray->GetTail()->y;
            EXPECT_EQ(reversed, zigzag && i % 2 == 1) << "zigzag " << zigzag << " ray " << i;
            ++i;
        }
    }
}

TEST_F(RadialFinish, ConnectorRisesOverABumpBetweenRayEnds)
{
    const TriMesh plate = milltest::RoundToFloat(millkit::TerrainMesh([](double, double) { return 0.0; }, -6, -8, 12, 6));
    const TriMesh bump = milltest::RoundToFloat(millkit::VerticalCylinderMesh({0, 0, 0}, 0.4, 3, 24));
    const std::vector<TriMesh> meshes = {plate, bump};
    CTBall ball(1);
    ball.SetAidParam();
    auto model = milltest::MakeModel(meshes, &ball, 0.5);
    ASSERT_TRUE(model);
    CNcPlineGrp s;
    s.AddTail(Ray(-1.5, -5, 0));
    s.AddTail(Ray(1.5, 0, -5));
    LiftStringsOnModel(0.01, s, model.get());
    LinkRadialStrings(s, model.get(), 0, 5);
    ASSERT_EQ(s.GetCount(), 3);
    double highest = -1e9;
    for (POSITION pos = s.GetAt(s.FindIndex(1))->GetHeadPosition(); pos;) highest = std::max(highest, s.GetAt(s.FindIndex(1))->GetNext(pos)->z);
    EXPECT_GE(highest, 3) << "the connector goes over the bump";
    millkit::ZMap zmap = milltest::ZMapOver(meshes, 240, 2);
    const auto oracle = millkit::ToolProfileOracle::MakeBall(1);
    for (CNcPline* str : s) {
        std::vector<Vec3> path;
        for (POSITION pos = str->GetHeadPosition(); pos;) {
            const CNcPoint* q = str->GetNext(pos);
            path.push_back({q->x, q->y, q->z});
        }
        zmap.CutPath(oracle, path);
    }
    const auto dev = zmap.Compare(milltest::MeshTops(zmap, meshes));
    EXPECT_LE(dev.gouge, 0.03) << "at cell " << dev.gougeI << ", " << dev.gougeJ;
}

TEST_F(RadialFinish, RaysLieOnTheDropCutterSurface)
{
    // The part at z >= 0 and the same part 10 under z = 0 (the rays come at height 0).
    for (double dz : {0.0, -10.0}) {
        TriMesh hemi = millkit::HemisphereOnPlate(4, 9, 32);
        for (auto& v : hemi.vertices) v[2] += dz;
        hemi = milltest::RoundToFloat(hemi);
        MeshSet meshes({hemi});
        for (const auto& t : milltest::AllTools(2)) {
            if (dz != 0 && t.name != "ball") continue;
            const std::string label = t.name + " at dz " + std::to_string(dz);
            CParamSrfFinish p = RadialParam(15, 0, 1);
            CMsFinishRadial radial(p);
            std::unique_ptr<CDbPathGroup> g(radial.GenPath(&meshes.list, nullptr, &p, t.tool.get()));
            ASSERT_TRUE(g) << label;
            const auto paths = UnitPaths(g.get());
            ASSERT_FALSE(paths.empty()) << label;
            for (const auto& path : paths) {
                CNcPline lifted;
                for (const Vec3& q : path) lifted.AddTail(q.data());
                milltest::CheckString(label, lifted, {hemi}, *t.tool, dz);  // no lower than the part's bottom
            }
        }
    }
}

TEST_F(RadialFinish, ScallopWithinWhatTheRaySpacingLeaves)
{
    MeshSet meshes({Plate()});
    const double R = 1, stepDeg = 6;
    CTBall ball(2 * R);
    ball.SetAidParam();
    CParamSrfFinish p = RadialParam(stepDeg, 0, 1);
    CGeRegionList regions;
    regions.AddTail(new CGeRegion(BOX2<double>(-6, -6, 6, 6)));
    CMsFinishRadial radial(p);
    std::unique_ptr<CDbPathGroup> g(radial.GenPath(&meshes.list, &regions, &p, &ball));
    ASSERT_TRUE(g);
    millkit::ZMap zmap = milltest::ZMapOver({Plate()}, 250, 1);
    const auto oracle = millkit::ToolProfileOracle::MakeBall(2 * R);
    for (const auto& path : UnitPaths(g.get())) zmap.CutPath(oracle, path);
    const double theta = stepDeg * M_PI / 180;
    double worst = -1e9;
    for (int j = 0; j < zmap.Ny(); ++j)
        for (int i = 0; i < zmap.Nx(); ++i) {
            const double x = zmap.X(i), y = zmap.Y(j);
            if (std::fabs(x) > 6 - R || std::fabs(y) > 6 - R) continue;
            // Two neighbouring rays lie rho theta apart at radius rho.
            const double half = std::min(std::hypot(x, y) * theta / 2, R);
            const double want = R - std::sqrt(R * R - half * half);
            worst = std::max(worst, zmap.Height(i, j) - want);
            EXPECT_GE(zmap.Height(i, j), -1e-6) << "no gouge at " << x << ", " << y;
        }
    EXPECT_LE(worst, 0.01) << "scallop beyond what the ray spacing leaves";
}

}  // namespace
