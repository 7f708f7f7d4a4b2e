// Rotary-axis machining: lifted radii on a cylinder coaxial with X (every tool) and on
// a sphere on the axis (ball closed form), each lift against a plain drop on a mesh
// the test turned to that angle, the sample and line counts, layering of unwrapped
// strings, and joining moves that never come closer to the axis than the part.
#include "framework/db/DbPathGroup.h"
#include "framework/looker/QVGlobal.h"
#include "framework/widgra/Progress.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/milling/MsRotAxis.h"
#include "toolpath/milling/tests/MillFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

using millkit::TriMesh;
using millkit::Vec3;
using milltest::MeshSet;
using milltest::Polylines;

class RotAxis : public ::testing::Test {
protected:
    void SetUp() override { gNewQVGlobal(); }
    void TearDown() override { widgra::testing::Reset(); }
};

// A closed tube of radius r about the X axis from x0 to x1: n segments around, m along.
TriMesh CylinderAlongX(double r, double x0, double x1, int n, int m)
{
    TriMesh t;
    for (int j = 0; j <= m; ++j)
        for (int i = 0; i < n; ++i) {
            const double a = 2 * M_PI * i / n;
            t.vertices.push_back({x0 + (x1 - x0) * j / m, r * std::sin(a), r * std::cos(a)});
        }
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < n; ++i) {
            const int a = j * n + i, b = j * n + (i + 1) % n, c = a + n, d = b + n;
            t.triangles.push_back({a, b, d});
            t.triangles.push_back({a, d, c});
        }
    return t;
}

std::vector<Vec3> AllPoints(CDbPathGroup* g)
{
    std::vector<Vec3> pts;
    if (!g) return pts;
    for (CDbPathUnit* u : g->m_listUnit)
        for (const auto& pl : Polylines(u->GetCurve())) pts.insert(pts.end(), pl.begin(), pl.end());
    return pts;
}

std::vector<std::vector<Vec3>> UnitPaths(CDbPathGroup* g)
{
    std::vector<std::vector<Vec3>> out;
    if (!g) return out;
    for (CDbPathUnit* u : g->m_listUnit) {
        std::vector<Vec3> path;
        for (const auto& pl : Polylines(u->GetCurve())) path.insert(path.end(), pl.begin(), pl.end());
        out.push_back(path);
    }
    return out;
}

CParamRotAxis RotParam(int flags, double x0, double x1, double a0, double a1, double rmin, double rmax, double partR)
{
    CParamRotAxis p;
    p.m_nFlags = flags;
    p.m_dXStart = x0, p.m_dXEnd = x1;
    p.m_dStartAngle = a0, p.m_dEndAngle = a1;
    p.m_dStockMinRad = rmin, p.m_dStockMaxRad = rmax;
    p.m_dPartRadius = partR;
    p.m_nStepOver = 50;  // half the tool diameter
    p.m_dJoinLift = 1;
    return p;
}

// Angle of a wrapped point from +z towards +y, and its radius.
double AngleOf(const Vec3& q) { return std::atan2(q[1], q[2]); }
double RadiusOf(const Vec3& q) { return std::hypot(q[1], q[2]); }

TEST_F(RotAxis, CylinderCoaxialWithXGivesItsRadiusForEveryTool)
{
    const double Rc = 10;
    const int n = 720;
    MeshSet meshes({CylinderAlongX(Rc, -10, 10, n, 4)});
    // The facets lie inside the circle by up to Rc (1 - cos(pi / n)).
    const double facet = Rc * (1 - std::cos(M_PI / n)) + 1e-6;
    for (const auto& t : milltest::AllTools(2)) {
        for (int pattern : {CParamRotAxis::kAlong, CParamRotAxis::kAround, CParamRotAxis::kAround4D}) {
            const std::string label = t.name + " pattern " + std::to_string(pattern);
            CParamRotAxis p = RotParam(pattern, -6, 6, 0, 60, 5, 12, Rc);
            CMsRotAxis rot(p);
            std::unique_ptr<CDbPathGroup> g(rot.GenPath(&meshes.list, &p, t.tool.get()));
            ASSERT_TRUE(g) << label;
            int onPart = 0;
            for (const Vec3& q : AllPoints(g.get())) {
                if (std::fabs(RadiusOf(q) - Rc) <= facet) {
                    ++onPart;
                    continue;
                }
                if (std::fabs(RadiusOf(q) - 13) < 1e-6) continue;  // round the part at the top radius
                // Only the joining moves between strings leave the part, outwards, at
                // the strings' ends (along: x = -6 or 6; around: the stations).
                EXPECT_GT(RadiusOf(q), Rc) << label << " at x " << q[0] << " angle " << AngleOf(q);
                const bool atEnd = pattern == CParamRotAxis::kAlong ? std::fabs(std::fabs(q[0]) - 6) < 1e-9
                                                                      : std::fabs(q[0] - std::round(q[0])) < 1e-9;
                EXPECT_TRUE(atEnd) << label << " off the part at x " << q[0] << " angle " << AngleOf(q);
            }
            EXPECT_GT(onPart, 20) << label;
        }
    }
}

TEST_F(RotAxis, SphereOnTheAxisGivesTheBallClosedForm)
{
    const double S = 8, Rt = 1;
    const int n = 256;
    MeshSet meshes({milltest::RoundToFloat(millkit::SphereMesh({0, 0, 0}, S, n))});
    CTBall ball(2 * Rt);
    ball.SetAidParam();
    // Faceting: the sphere's facets lie inside it by up to about S (1 - cos(2 pi / n)).
    const double facet = S * (1 - std::cos(2 * M_PI / n)) + 1e-4;
    for (int pattern : {CParamRotAxis::kAlong, CParamRotAxis::kAround}) {
        CParamRotAxis p = RotParam(pattern, -6, 6, 10, 100, 2, 12, S);
        CMsRotAxis rot(p);
        std::unique_ptr<CDbPathGroup> g(rot.GenPath(&meshes.list, &p, &ball));
        ASSERT_TRUE(g);
        int onPart = 0;
        for (const Vec3& q : AllPoints(g.get())) {
            const double want = std::sqrt((S + Rt) * (S + Rt) - q[0] * q[0]) - Rt;
            if (std::fabs(RadiusOf(q) - want) <= facet) {
                ++onPart;
                continue;
            }
            if (std::fabs(RadiusOf(q) - 13) < 1e-6) continue;  // round the part at the top radius
            // Only joining moves leave the part, outwards, at the strings' ends (along:
            // x = -6 or 6; around: the stations, whole numbers here).
            EXPECT_GT(RadiusOf(q), want) << "pattern " << pattern << " at x " << q[0] << " angle " << AngleOf(q);
            EXPECT_NEAR(q[0], std::round(q[0]), 1e-9) << "pattern " << pattern << " off the part at x " << q[0];
        }
        EXPECT_GT(onPart, 20);
    }
}

// An off-axis part: a sphere beside the axis on a thin shaft, no symmetry to hide a
// wrong sign of a turn.
std::vector<TriMesh> OffAxisPart()
{
    return {milltest::RoundToFloat(millkit::SphereMesh({0.5, 2, 3}, 3, 48)),
            milltest::RoundToFloat(CylinderAlongX(1.5, -8, 8, 48, 4))};
}

TEST_F(RotAxis, EachLiftEqualsADropOnTheTurnedMesh)
{
    const std::vector<TriMesh> part = OffAxisPart();
    MeshSet meshes(part);
    for (const auto& t : milltest::AllTools(1)) {
        if (t.name != "ball" && t.name != "flat" && t.name != "bull") continue;
        for (double a0 : {0.0, 30.0}) {
            const std::string label = t.name + " start " + std::to_string(a0);
            CParamRotAxis p = RotParam(CParamRotAxis::kAround | CParamRotAxis::kZigzag, -4, 4, a0, a0 + 120, 1, 8, 6);
            CMsRotAxis rot(p);
            std::unique_ptr<CDbPathGroup> g(rot.GenPath(&meshes.list, &p, t.tool.get()));
            ASSERT_TRUE(g) << label;
            int checked = 0;
            for (const Vec3& q : AllPoints(g.get())) {
                if (RadiusOf(q) > 8.5) continue;  // joining moves over the part
                const double beta = AngleOf(q);
                const double want = std::max(1.0, milltest::DropAll(*t.tool, {milltest::RotateX(part[0], beta), milltest::RotateX(part[1], beta)}, q[0], 0));
                EXPECT_NEAR(RadiusOf(q), want, 1e-4) << label << " at x " << q[0] << " angle " << beta;
                if (++checked > 400) break;
            }
            EXPECT_GT(checked, 50) << label;
        }
    }
}

TEST_F(RotAxis, SampleAndLineCounts)
{
    // Helix: a tolerance asking for 200 samples a turn gives 360, one asking 1000 gives 720.
    const double R = 20;
    for (const auto& [asked, want] : std::vector<std::pair<double, int>>{{200, 360}, {1000, 720}, {450.5, 450}}) {
        const double tol = R * (1 - std::cos(M_PI / asked)) / 10;
        EXPECT_EQ(RotarySampleCount(2 * M_PI, R, tol, 360, 720), want) << asked;
    }
    EXPECT_EQ(RotarySampleCount(M_PI / 2, R, 0, 90, 180), 180) << "tolerance 0: the upper clamp";
    EXPECT_EQ(RotarySampleCount(M_PI / 2, 0, 0.01, 90, 180), 180) << "part radius 0: the upper clamp";
    EXPECT_EQ(RotarySampleCount(M_PI / 2, 0.02, 0.01, 90, 180), 90) << "acos argument below -1: a half turn per sample";
    EXPECT_EQ(RotarySampleCount(0, R, 0.01, 0, 0), 0) << "zero span";

    const double Rc = 10;
    MeshSet meshes({CylinderAlongX(Rc, -12, 12, 360, 4)});
    CTBall ball(2);
    ball.SetAidParam();
    // Along from 0 to 90 degrees at part radius 20 and step 1: 32 lines 2.8125 degrees
    // apart, the last at 87.1875.
    std::set<long> angles;
    {
        CParamRotAxis p = RotParam(CParamRotAxis::kAlong, -5, 5, 0, 90, 5, 12, 20);
        CMsRotAxis rot(p);
        std::unique_ptr<CDbPathGroup> g(rot.GenPath(&meshes.list, &p, &ball));
        ASSERT_TRUE(g);
        for (const Vec3& q : AllPoints(g.get()))
            if (std::fabs(RadiusOf(q) - Rc) < 1e-3) angles.insert(std::lround(AngleOf(q) * 180 / M_PI * 1e4));
        ASSERT_EQ(angles.size(), 32u);
        EXPECT_EQ(*angles.rbegin(), 871875) << "the last line";
        long prev = *angles.begin();
        EXPECT_EQ(prev, 0);
        for (long a : angles)
            if (a != prev) {
                EXPECT_EQ(a - prev, 28125);
                prev = a;
            }
        // Along and around together: along alone runs.
        p.m_nFlags = CParamRotAxis::kAlong | CParamRotAxis::kAround;
        CMsRotAxis both(p);
        std::unique_ptr<CDbPathGroup> g2(both.GenPath(&meshes.list, &p, &ball));
        EXPECT_EQ(AllPoints(g2.get()), AllPoints(g.get())) << "flags 0x0C run along only";
    }
    // Around from x 0 to 10 at step 3: stations 0, 3.33, 6.67; step 6: one station, nothing.
    {
        CTBall wide(6);
        wide.SetAidParam();
        CParamRotAxis p = RotParam(CParamRotAxis::kAround, 0, 10, 0, 90, 5, 12, 10);
        p.m_nStepOver = 50;  // 3
        CMsRotAxis rot(p);
        std::unique_ptr<CDbPathGroup> g(rot.GenPath(&meshes.list, &p, &wide));
        ASSERT_TRUE(g);
        std::set<long> xs;
        for (const Vec3& q : AllPoints(g.get()))
            if (std::fabs(RadiusOf(q) - Rc) < 1e-3) xs.insert(std::lround(q[0] * 100));
        EXPECT_EQ(xs, (std::set<long>{0, 333, 667}));
        p.m_nStepOver = 100;  // 6
        CMsRotAxis one(p);
        EXPECT_EQ(one.GenPath(&meshes.list, &p, &wide), nullptr) << "one station";
        p.m_nStepOver = 50;
        p.m_dEndAngle = p.m_dStartAngle;
        CMsRotAxis none(p);
        EXPECT_EQ(none.GenPath(&meshes.list, &p, &wide), nullptr) << "zero angular span";
    }
    // A step that is not positive gives no path; the model's check step is the tool
    // radius clamped to [0.5, 2].
    {
        CParamRotAxis p = RotParam(CParamRotAxis::kAround, 0, 10, 0, 90, 5, 12, 10);
        CMsRotAxis rot(p);
        std::unique_ptr<CDbPathGroup> g(rot.GenPath(&meshes.list, &p, &ball));
        ASSERT_TRUE(g && rot.model);
        EXPECT_DOUBLE_EQ(rot.model->checkStep, 1.0);
        CPathGroup group(302);
        for (double step : {0.0, -1.0, std::nan("")}) {
            EXPECT_EQ(rot.CreateRotatePathAlong(step, rot.tool, group), 0) << step;
            EXPECT_EQ(rot.CreateRotatePathAround(step, rot.tool, group), 0) << step;
            EXPECT_EQ(rot.CreateRotatePathHelix(step, rot.tool, group), 0) << step;
            EXPECT_EQ(rot.CreateRotatePathAround4D(step, rot.tool, group), 0) << step;
        }
        EXPECT_EQ(group.head, nullptr);
    }
    // Around-4D stations beyond the part (no section there) are skipped.
    {
        CParamRotAxis p = RotParam(CParamRotAxis::kAround4D, -19, 21, 0, 90, 5, 12, 10);
        p.m_nStepOver = 200;  // 2 apart
        CMsRotAxis rot(p);
        std::unique_ptr<CDbPathGroup> g(rot.GenPath(&meshes.list, &p, &ball));
        ASSERT_TRUE(g);
        std::set<long> xs;
        for (const Vec3& q : AllPoints(g.get()))
            if (std::fabs(RadiusOf(q) - Rc) < 1e-3) xs.insert(std::lround(q[0]));
        // Stations -19, -17, ..., 19; the tube runs from -12 to 12 (at -13 and 13 the
        // sub-model holds its end rings, but the section is empty).
        EXPECT_EQ(xs, (std::set<long>{-11, -9, -7, -5, -3, -1, 1, 3, 5, 7, 9, 11}));
    }
    // Unwrapped along with a down step of 0.001: no layering, nothing out.
    {
        CParamRotAxis p = RotParam(CParamRotAxis::kAlong | CParamRotAxis::kUnwrap, -5, 5, 0, 90, 5, 12, 10);
        p.m_dDownStep = 0.001;
        CMsRotAxis rot(p);
        std::unique_ptr<CDbPathGroup> g(rot.GenPath(&meshes.list, &p, &ball));
        EXPECT_TRUE(!g || g->m_listUnit.IsEmpty());
    }
}

// Along on a cylinder: the balls at the lines' CL points leave, between two lines
// delta apart, a cusp of D cos(delta / 2) - sqrt(R^2 - D^2 sin^2(delta / 2)) - Rc over
// the cylinder (D = Rc + R, the ball centres' radius). Measured along rays from the
// axis at every 0.05 degrees: where the ray first enters a ball.
TEST_F(RotAxis, ScallopWithinWhatTheLineSpacingGives)
{
    const double Rc = 10, R = 1;
    MeshSet meshes({CylinderAlongX(Rc, -10, 10, 720, 4)});
    CTBall ball(2 * R);
    ball.SetAidParam();
    CParamRotAxis p = RotParam(CParamRotAxis::kAlong | CParamRotAxis::kZigzag, -5, 5, 0, 60, 5, 12, Rc);
    p.m_nStepOver = 40;  // 0.8 apart at the part radius
    CMsRotAxis rot(p);
    std::unique_ptr<CDbPathGroup> g(rot.GenPath(&meshes.list, &p, &ball));
    ASSERT_TRUE(g);
    std::set<double> lines;
    for (const Vec3& q : AllPoints(g.get()))
        if (std::fabs(RadiusOf(q) - Rc) < 1e-3) lines.insert(AngleOf(q));
    ASSERT_EQ(lines.size(), 14u);  // 60 degrees at radius 10 and step 0.8
    const double D = Rc + R;
    const double delta = 60 * M_PI / 180 / std::trunc(60 * M_PI / 180 * Rc / 0.8 + 1);
    const double want = D * std::cos(delta / 2) - std::sqrt(R * R - D * D * std::sin(delta / 2) * std::sin(delta / 2)) - Rc;
    double worst = 0;
    for (double phi = 0; phi <= *lines.rbegin(); phi += 0.05 * M_PI / 180) {
        double enter = 1e9;
        for (double th : lines) {
            const double s = D * std::sin(phi - th);
            if (std::fabs(s) <= R) enter = std::min(enter, D * std::cos(phi - th) - std::sqrt(R * R - s * s));
        }
        worst = std::max(worst, enter - Rc);
    }
    // The facets lie inside the circle by Rc (1 - cos(pi / 720)), under 1e-4.
    EXPECT_LE(worst, want + 1e-4) << "lines " << lines.size() << " apart " << delta;
    EXPECT_GT(worst, want / 2) << "the cusp is measured";
}

TEST_F(RotAxis, UnwrappedLayersStayAtOrAboveTheirLevel)
{
    CParamRotAxis p = RotParam(CParamRotAxis::kAlong | CParamRotAxis::kUnwrap, 0, 10, 0, 90, 2, 10, 10);
    p.m_dDownStep = 3;
    CMsRotAxis rot(p);
    // Unwrapped strings: y is arc length, z the radius; a dip to 3 and a hump to 9.
    CNcPlineGrp strings;
    for (double y : {0.0, 1.0, 2.0}) {
        auto* s = new CNcPline;
        for (const Vec3& q : std::vector<Vec3>{{0, y, 9}, {2, y, 6}, {4, y, 3}, {6, y, 3}, {8, y, 6.5}, {10, y, 9}}) s->AddTail(q.data());
        strings.AddTail(s);
    }
    CPathGroup group(302);
    ASSERT_EQ(rot.LayerAllPath(group, strings), 1);
    // Levels 7 and 4 (the next, 1, lies under the stock's min radius), then the rest.
    const std::vector<double> levels = {7, 4, -1e9};
    size_t k = 0;
    for (CPathCombine* c = group.head; c; c = c->next, ++k) {
        ASSERT_LT(k, levels.size());
        int points = 0;
        for (CPathEntity* e = c->head; e; e = e->next) {
            auto* pl = static_cast<CPathPLine3D*>(e);
            for (int i = 0; i < pl->PointCount(); ++i) {
                const double r = std::hypot(pl->points[i][1], pl->points[i][2]);
                EXPECT_GE(r, levels[k] - 1e-9) << "combine " << k;
                ++points;
            }
        }
        EXPECT_GT(points, 0) << "combine " << k;
    }
    EXPECT_EQ(k, levels.size());
}

TEST_F(RotAxis, NoMoveComesCloserToTheAxisThanThePart)
{
    const std::vector<TriMesh> part = OffAxisPart();
    MeshSet meshes(part);
    CTBall ball(1);
    ball.SetAidParam();
    struct Row {
        const char* label;
        int flags;
    };
    const Row rows[] = {{"along one way", CParamRotAxis::kAlong},
                        {"along zigzag", CParamRotAxis::kAlong | CParamRotAxis::kZigzag},
                        {"around", CParamRotAxis::kAround},
                        {"helix", CParamRotAxis::kHelix}};
    for (const Row& r : rows) {
        CParamRotAxis p = RotParam(r.flags, -4, 4, 0, 90, 1, 7, 6);
        p.m_nStepOver = 100;
        CMsRotAxis rot(p);
        std::unique_ptr<CDbPathGroup> g(rot.GenPath(&meshes.list, &p, &ball));
        ASSERT_TRUE(g) << r.label;
        double worst = -1e9;
        Vec3 worstAt{};
        int samples = 0;
        for (const auto& path : UnitPaths(g.get()))
            for (size_t i = 1; i < path.size(); ++i) {
                const Vec3& a = path[i - 1];
                const Vec3& b = path[i];
                const int n = std::max(1, int(std::ceil(std::sqrt((b[0] - a[0]) * (b[0] - a[0]) + (b[1] - a[1]) * (b[1] - a[1]) +
                                                                  (b[2] - a[2]) * (b[2] - a[2])) / 0.25)));
                for (int k = 0; k <= n; k += (n > 8 ? 1 : 2)) {
                    const double t = double(k) / n;
                    const Vec3 q = {a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1]), a[2] + t * (b[2] - a[2])};
                    if (RadiusOf(q) > 5.5) continue;  // nothing of the part reaches out there
                    const double beta = AngleOf(q);
                    const double drop = milltest::DropAll(ball, {milltest::RotateX(part[0], beta), milltest::RotateX(part[1], beta)}, q[0], 0);
                    if (drop - RadiusOf(q) > worst) worstAt = q;
                    worst = std::max(worst, drop - RadiusOf(q));
                    ++samples;
                }
            }
        EXPECT_GT(samples, 100) << r.label;
        // Lines and circles are lifted at the NC tolerance (0.01): chords within it.
        EXPECT_LE(worst, 0.05) << r.label << ": a move comes closer to the axis than the part at x " << worstAt[0] << " angle "
                               << AngleOf(worstAt) << " radius " << RadiusOf(worstAt);
    }
}

}  // namespace
