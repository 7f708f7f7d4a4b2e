// Waterline finishing on the tool-centre model: levels, chains, ramps, area filtering and
// the contours against exact waterlines.
#include "toolpath/milling/CreSrfContourPath.h"

#include "framework/looker/Tool.h"
#include "framework/pathwerk/ParamSrfFinish.h"
#include "framework/widgra/Progress.h"
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/NcPline.h"
#include "toolpath/contours/PathEntity.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartLoop.h"
#include "toolpath/milling/CentrePaths.h"
#include "toolpath/milling/IntLineSet.h"
#include "toolpath/milling/SrfParallelPath.h"
#include "toolpath/milling/tests/CentreFixtures.h"
#include "toolpath/milling/tests/MillFixtures.h"
#include "testing/StlReader.h"
#include "testing/ui/PathPicture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using milltest::Build;
using milltest::Built;
using Points = std::vector<Pnt3>;

// The entity's points; an arc sampled at 65 points.
Points EntityPoints(CPathEntity* e)
{
    Points out;
    if (e->GetType() == pathc::kTypeArc) {
        for (int k = 0; k <= 64; ++k) {
            Pnt3 q;
            PathArcPointAt(static_cast<const CPathArc3D*>(e), q.data(), k / 64.0);
            out.push_back(q);
        }
        return out;
    }
    CNcPline s;
    EntityToPline(e, s);
    for (POSITION pos = s.GetHeadPosition(); pos;) {
        const CNcPoint* q = s.GetNext(pos);
        out.push_back({q->x, q->y, q->z});
    }
    return out;
}

bool Flat(const Points& p)
{
    for (const Pnt3& q : p)
        if (q[2] != p[0][2])
            return false;
    return p.size() >= 2;
}

// Per combine its entities as points.
std::vector<std::vector<Points>> Combines(const CPathGroup& g)
{
    std::vector<std::vector<Points>> out;
    for (CPathCombine* c = g.head; c; c = c->next) {
        out.emplace_back();
        for (CPathEntity* e = c->head; e; e = e->next)
            out.back().push_back(EntityPoints(e));
    }
    return out;
}

bool AtLevel(const Points& p, const std::vector<double>& levels)
{
    if (!Flat(p))
        return false;
    for (double z : levels)
        if (std::fabs(p[0][2] - z) < 1e-9)
            return true;
    return false;
}

// Of the polygon through the points, closed.
double SignedArea(const Points& p)
{
    double a = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const Pnt3& q = p[(i + 1) % p.size()];
        a += p[i][0] * q[1] - q[0] * p[i][1];
    }
    return a / 2;
}

// A ball of radius 1 over a hemisphere of radius R on a plate of half-size 7, moved by
// (dx, 0, dz): above the plate the waterline at z is the circle of radius
// sqrt((R + 1)^2 - (z - dz + 1)^2) about (dx, 0).
struct Dome {
    CTBall ball{2};
    Built b;
    double R, dx, dz;
    Dome(double r = 4, double x = 0, double z = 0, int n = 96) : R(r), dx(x), dz(z)
    {
        ball.SetAidParam();
        millkit::TriMesh m = millkit::HemisphereOnPlate(r, 7, n);
        for (auto& v : m.vertices)
            v[0] += dx, v[2] += dz;
        b = Build({m}, &ball);
    }
    CMillCenter& Model() { return *b.model; }
    double Radius(double z) const { return std::sqrt((R + 1) * (R + 1) - (z - dz + 1) * (z - dz + 1)); }
};

CParamSrfFinish Param(double top, double depth, double zStep)
{
    CParamSrfFinish p;
    p.m_dTopHeight = top;
    p.m_dCutDepth = depth;
    p.m_dZStep = zStep;
    p.m_nStartCorner = 4;
    p.m_nEntryType = 0;
    return p;
}

std::unique_ptr<CPathGroup> Waterline(CMillCenter& m, CParamSrfFinish& p)
{
    CCreSrfContourPath path;
    return std::unique_ptr<CPathGroup>(path.CreatePathGroup(&m, nullptr, p));
}

// Per combine its contours in order: runs of entities flat at one level height, joined.
std::vector<std::vector<Points>> LevelContours(const CPathGroup& g, const std::vector<double>& levels)
{
    std::vector<std::vector<Points>> out;
    for (const auto& c : Combines(g)) {
        out.emplace_back();
        bool open = false;
        for (const Points& e : c) {
            if (!AtLevel(e, levels)) {
                open = false;
                continue;
            }
            if (open && out.back().back().back()[2] == e[0][2]) {
                Points& cur = out.back().back();
                cur.insert(cur.end(), e.begin() + (cur.back() == e.front() ? 1 : 0), e.end());
            } else {
                out.back().push_back(e);
            }
            open = true;
        }
    }
    return out;
}

// The contours of the group by the given level height they lie at, each as its points
// rounded to 1e-9.
std::multimap<double, Points> ContoursByLevel(const CPathGroup& g, const std::vector<double>& levels)
{
    std::multimap<double, Points> out;
    for (const auto& c : LevelContours(g, levels))
        for (const Points& p : c) {
            Points r = p;
            for (Pnt3& q : r)
                for (double& v : q)
                    v = std::round(v * 1e9) / 1e9;
            for (double z : levels)
                if (std::fabs(p[0][2] - z) < 1e-9)
                    out.insert({z, r});
        }
    return out;
}

TEST(CreSrfContourPath, LevelTableAndDescendingChains)
{
    CTBall ball(2);
    ball.SetAidParam();
    CCreSrfContourPath path;
    path.step = 3;
    path.zRange[0] = 0, path.zRange[1] = 10;
    const double box[6] = {-5, -5, 0, 5, 5, 10};
    ASSERT_EQ(path.Create(&ball, box, 0, 0), 1);
    ASSERT_EQ(path.levels.count, 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_DOUBLE_EQ(path.levels.sets[i]->height, 2.5 * i);
    EXPECT_DOUBLE_EQ(path.step, 2.5);
    // Net spacing: half the radius, at least 0.1, at most the radius; fixed when asked.
    EXPECT_DOUBLE_EQ(path.net.step, 0.5);
    ASSERT_EQ(path.Create(&ball, box, 1, 0.3), 1);
    EXPECT_DOUBLE_EQ(path.net.step, 0.3);
    ASSERT_EQ(path.Create(&ball, box, 1, 0.001), 1);
    EXPECT_DOUBLE_EQ(path.net.step, 0.02);
    EXPECT_EQ(path.Create(nullptr, box, 0, 0), 0);

    // A dome reaching 9 over a plate at -1: one chain from 7.5 down to 0.
    Dome d(9, 0, -1, 64);
    ASSERT_TRUE(d.b.model);
    CParamSrfFinish p = Param(10, 10, 3);
    auto g = Waterline(d.Model(), p);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->kind, 302);
    const auto combines = LevelContours(*g, {0, 2.5, 5, 7.5});
    ASSERT_EQ(combines.size(), 1u);
    std::vector<double> heights;
    for (const Points& e : combines[0])
        heights.push_back(e[0][2]);
    EXPECT_EQ(heights, (std::vector<double>{7.5, 5, 2.5, 0}));
}

TEST(CreSrfContourPath, StartCorners)
{
    CCreSrfContourPath path;
    const double box[6] = {1, 2, 0, 5, 8, 3};
    std::copy(box, box + 6, path.box);
    const double want[9][2] = {{1, 8}, {1, 5}, {1, 2}, {3, 8}, {3, 5}, {3, 2}, {5, 8}, {5, 5}, {5, 2}};
    for (int k = 0; k < 9; ++k) {
        double p[2] = {0, 0};
        path.GetStartPnt(p, k);
        EXPECT_EQ(p[0], want[k][0]) << k;
        EXPECT_EQ(p[1], want[k][1]) << k;
    }
    for (int k : {-1, 9}) {
        double p[2] = {0, 0};
        path.GetStartPnt(p, k);
        EXPECT_EQ(p[0], 0) << k;
        EXPECT_EQ(p[1], 0) << k;
    }
    // A dome about (3, 0): corner 9 starts every contour on the side facing (0, 0), corner 8
    // (max x, min y) on the side facing it.
    Dome d(4, 3, 0, 48);
    ASSERT_TRUE(d.b.model);
    for (int corner : {9, 8}) {
        CParamSrfFinish p = Param(3.3, 3, 1);
        p.m_nStartCorner = corner;
        auto g = Waterline(d.Model(), p);
        ASSERT_TRUE(g);
        int n = 0;
        for (const auto& c : LevelContours(*g, {0.3, 1.3, 2.3}))
            for (const Points& e : c) {
                    const double a = std::atan2(e[0][1], e[0][0] - 3);
                    const double aim = corner == 9 ? M_PI : -M_PI / 4;
                    EXPECT_LT(std::fabs(std::remainder(a - aim, 2 * M_PI)), 0.3) << corner << " z " << e[0][2];
                    ++n;
                }
        EXPECT_EQ(n, 3) << corner;
    }
}

// Closed squares of the given areas and heights, centred on the origin.
void Squares(CIntCurveSet& set, const std::vector<std::pair<double, double>>& areaZ)
{
    for (const auto& [area, z] : areaZ) {
        auto c = std::make_unique<SIntCurve>();
        const double h = std::sqrt(area) / 2;
        const double pts[5][2] = {{-h, -h}, {h, -h}, {h, h}, {-h, h}, {-h, -h}};
        for (const auto& q : pts)
            CurveAppendPoint(q, *c);
        c->height = z;
        CurveSetAppend(set, std::move(c));
    }
}

TEST(CreSrfContourPath, AreaFilterAndGrouping)
{
    struct Case {
        const char* what;
        DVN_CutAreaDef def;
        std::vector<std::pair<double, double>> chain;  // area, height
        std::vector<std::vector<double>> combines;     // heights kept, per combine
    };
    const Case cases[] = {
        {"mode 1 drops areas below 5", {0, 1, 5, 0}, {{2, 4}, {4, 3}, {9, 2}, {16, 1}, {36, 0}}, {{2, 1, 0}}},
        {"mode 2 drops areas above 5", {0, 2, 5, 0}, {{2, 4}, {4, 3}, {9, 2}, {16, 1}, {36, 0}}, {{4, 3}}},
        // A run of nearly equal areas over 4..1, broken at the small last one: of the run,
        // the contours within the Z tolerance of the kept one below them are left out.
        {"equal areas thinned", {0x1, 0, 5, 1.5}, {{20, 4}, {20.5, 3}, {20.2, 2}, {20.4, 1}, {3, 0}}, {{3, 2, 1, 0}}},
        {"thinning needs the run's last area above the limit", {0x1, 0, 50, 1.5}, {{20, 4}, {20.5, 3}, {20.2, 2}, {20.4, 1}, {3, 0}},
         {{4, 3, 2, 1, 0}}},
        // Small contours stepping by more than the tolerance: the path breaks before each.
        {"small contours separated", {0x2, 0, 5, 0.5}, {{1, 4}, {1, 3}, {1, 2}, {1, 1}}, {{4}, {3}, {2, 1}}},
        {"mode 1 allows no separating", {0x2, 1, 5, 0.5}, {{6, 4}, {7, 3}, {8, 2}, {9, 1}}, {{4, 3, 2, 1}}},
    };
    for (const Case& t : cases) {
        CCreSrfContourPath path;
        CIntCurveSet chain;
        Squares(chain, t.chain);
        CPathGroup group(302);
        const double tol[2] = {0.01, std::cos(5 * M_PI / 180)};
        path.GenPathCombine(chain, 0, 1, 3, tol, t.def, group);
        std::vector<std::vector<double>> got;
        for (const auto& c : Combines(group)) {
            got.emplace_back();
            for (const Points& e : c)
                if (Flat(e) && std::fabs(SignedArea(e)) > 0.1)
                    got.back().push_back(e[0][2]);
        }
        EXPECT_EQ(got, t.combines) << t.what;
    }
}

TEST(CreSrfContourPath, RampsDescendOneStepOntoEachContour)
{
    Dome d(4, 0, 0, 48);
    ASSERT_TRUE(d.b.model);
    CParamSrfFinish p = Param(3.3, 3, 1);
    p.m_nEntryType = 1;
    p.m_dRampLength = 3;
    auto g = Waterline(d.Model(), p);
    ASSERT_TRUE(g);
    int ramps = 0;
    for (const auto& c : Combines(*g))
        for (size_t i = 0; i < c.size(); ++i) {
            const std::vector<double> levels = {0.3, 1.3, 2.3};
            if (!AtLevel(c[i], levels) || (i > 0 && AtLevel(c[i - 1], levels) && c[i - 1][0][2] == c[i][0][2]))
                continue;  // not the first entity of a contour
            ASSERT_GT(i, 0u);
            const Points& r = c[i - 1];
            const double z = c[i][0][2];
            EXPECT_NEAR(r.front()[2], z + 1, 1e-9);
            EXPECT_NEAR(r.back()[2], z, 1e-9);
            double len = 0;
            for (size_t k = 0; k + 1 < r.size(); ++k)
                len += std::hypot(r[k + 1][0] - r[k][0], r[k + 1][1] - r[k][1]);
            EXPECT_NEAR(len, 3, 0.02);
            // The ramp lies on the contour and ends at its start.
            EXPECT_LT(std::hypot(r.back()[0] - c[i][0][0], r.back()[1] - c[i][0][1]), 0.011);
            for (const Pnt3& q : r)
                EXPECT_NEAR(std::hypot(q[0], q[1]), d.Radius(z), 0.04);
            ++ramps;
        }
    EXPECT_EQ(ramps, 3);
}

TEST(CreSrfContourPath, ClimbFlagReversesTheContours)
{
    Dome d(4, 0, 0, 48);
    ASSERT_TRUE(d.b.model);
    double sign[2] = {0, 0};
    for (int climb : {0, 1}) {
        CParamSrfFinish p = Param(3.3, 3, 1);
        p.m_bClimb = climb;
        auto g = Waterline(d.Model(), p);
        ASSERT_TRUE(g);
        int n = 0;
        for (const auto& [z, pts] : ContoursByLevel(*g, {0.3, 1.3, 2.3})) {
            const double a = SignedArea(pts);
            if (n++ == 0)
                sign[climb] = a;
            EXPECT_GT(a * sign[climb], 0) << "climb " << climb << " z " << z;
        }
        EXPECT_EQ(n, 3);
    }
    EXPECT_LT(sign[0] * sign[1], 0);
}

TEST(CreSrfContourPath, RepeatedAndUpwardRunsEqualAFreshModel)
{
    // Under the plate's open edges the ball's model has skirts; their sections are taken
    // once per sweep, so a second sweep or an upward one needs the floors reset. A second
    // call gives the very same paths.
    const std::vector<double> levels = {-1.5, -0.5, 0.5, 1.5, 2.5};
    CParamSrfFinish p = Param(3.5, 5, 1);
    p.m_nStartCorner = 8;  // off the centre: a well-defined start on every contour
    Dome fresh(4, 0, 0, 48);
    ASSERT_TRUE(fresh.b.model);
    auto want = Waterline(fresh.Model(), p);
    ASSERT_TRUE(want);
    const auto wantContours = ContoursByLevel(*want, levels);
    EXPECT_EQ(wantContours.size(), 5u);
    auto again = Waterline(fresh.Model(), p);
    ASSERT_TRUE(again);
    const auto againContours = ContoursByLevel(*again, levels);
    Dome other(4, 0, 0, 48);
    CParamSrfFinish up = p;
    up.m_nLevelOrder = 1;
    auto upward = Waterline(other.Model(), up);
    ASSERT_TRUE(upward);
    // The same contours level by level (the chains may start them elsewhere and fit other
    // arcs): every point of each run within 0.011 of the other run's contours at its level.
    const auto got = ContoursByLevel(*upward, levels);
    ASSERT_EQ(got.size(), wantContours.size());
    const auto far = [](const std::multimap<double, Points>& from, const std::multimap<double, Points>& to, double z) {
        double worst = 0;
        for (auto [it, end] = from.equal_range(z); it != end; ++it)
            for (const Pnt3& q : it->second) {
                double d = 1e300;
                for (auto [jt, jend] = to.equal_range(z); jt != jend; ++jt)
                    for (size_t k = 0; k + 1 < jt->second.size(); ++k)
                        d = std::min(d, PointSegmentDistance(q.data(), jt->second[k].data(), jt->second[k + 1].data()));
                worst = std::max(worst, d);
            }
        return worst;
    };
    for (double z : levels) {
        EXPECT_EQ(againContours.count(z), wantContours.count(z)) << "z " << z;
        EXPECT_LE(far(againContours, wantContours, z), 1e-9) << "again z " << z;
        EXPECT_LE(far(wantContours, againContours, z), 1e-9) << "again z " << z;
        EXPECT_EQ(got.count(z), wantContours.count(z)) << "z " << z;
        EXPECT_LE(far(got, wantContours, z), 0.011) << "z " << z;
        EXPECT_LE(far(wantContours, got, z), 0.011) << "z " << z;
    }
}

// Every point of every contour within tol of one of the exact circles (centre, radius) of
// its level, and each level with as many contours as circles.
void CheckCircles(const std::string& label, const CPathGroup& g,
                  const std::map<double, std::vector<std::array<double, 3>>>& exact, double tol)
{
    std::vector<double> levels;
    for (const auto& [z, circles] : exact)
        levels.push_back(z);
    const auto got = ContoursByLevel(g, levels);
    for (const auto& [z, circles] : exact) {
        EXPECT_EQ(got.count(z), circles.size()) << label << " z " << z;
        for (auto [it, end] = got.equal_range(z); it != end; ++it) {
            double worst = 0;
            for (const Pnt3& q : it->second) {
                double d = 1e300;
                for (const auto& c : circles)
                    d = std::min(d, std::fabs(std::hypot(q[0] - c[0], q[1] - c[1]) - c[2]));
                worst = std::max(worst, d);
            }
            EXPECT_LE(worst, tol) << label << " z " << z;
        }
    }
}

// The bound of the level contours (two thinnings of 0.01 and the facets' chord error) and
// the fitting of lines and arcs at 0.01.
TEST(CreSrfContourPath, LevelsFollowTheExactWaterline)
{
    Dome d(4, 0, 0, 96);
    ASSERT_TRUE(d.b.model);
    CParamSrfFinish p = Param(3.8, 3.5, 0.7);
    auto g = Waterline(d.Model(), p);
    ASSERT_TRUE(g);
    std::map<double, std::vector<std::array<double, 3>>> exact;
    for (int i = 0; i < 5; ++i) {
        const double z = 0.3 + 0.7 * i;
        exact[z] = {{0, 0, d.Radius(z)}};
    }
    CheckCircles("hemisphere", *g, exact, 0.03 + 5 * (1 - std::cos(M_PI / 96)));

    CTBall ball(2);
    ball.SetAidParam();
    Built t = Build({millkit::TorusMesh({0, 0, 0}, 6, 2, 96, 48)}, &ball);
    ASSERT_TRUE(t.model);
    CParamSrfFinish pt = Param(2.5, 4, 1);
    auto gt = Waterline(*t.model, pt);
    ASSERT_TRUE(gt);
    std::map<double, std::vector<std::array<double, 3>>> tor;
    for (double z : {-1.5, -0.5, 0.5, 1.5}) {
        // Below -1 the ball's centre lies under the tube's widest circle, which it cannot
        // pass from above: the waterline is the silhouette of the offset tube, 6 -+ 3.
        const double w = z < -1 ? 3 : std::sqrt(9 - (z + 1) * (z + 1));
        tor[z] = {{0, 0, 6 - w}, {0, 0, 6 + w}};
    }
    CheckCircles("torus", *gt, tor, 0.03 + 9 * (1 - std::cos(M_PI / 96)) + 3 * (1 - std::cos(M_PI / 48)));
}

TEST(CreSrfContourPath, ModelOutlineKeepsTheLevelsAndTheNet)
{
    Dome d(4, 0, 0, 48);
    ASSERT_TRUE(d.b.model);
    CParamSrfFinish p = Param(3.3, 3, 1);
    p.m_nContourFlags = srffinish::kModelOutline | srffinish::kFixedNet;
    p.m_dNetSpacing = 0.25;
    CCreSrfContourPath path;
    std::unique_ptr<CPathGroup> g(path.CreatePathGroup(&d.Model(), nullptr, p));
    ASSERT_TRUE(g);
    EXPECT_DOUBLE_EQ(path.net.step, 0.25);
    EXPECT_EQ(path.levels.count, 3);
    // Every level cut: the outline (the plate's square under the ball, 8 wide, moved in by
    // the radius) and the waterline, the area between them being cut.
    const auto got = ContoursByLevel(*g, {0.3, 1.3, 2.3});
    for (double z : {0.3, 1.3, 2.3}) {
        EXPECT_EQ(got.count(z), 2u) << z;
        double extent[2] = {1e9, 0};
        for (auto [it, end] = got.equal_range(z); it != end; ++it) {
            double m = 0;
            for (const Pnt3& q : it->second)
                m = std::max(m, std::max(std::fabs(q[0]), std::fabs(q[1])));
            extent[0] = std::min(extent[0], m), extent[1] = std::max(extent[1], m);
        }
        EXPECT_NEAR(extent[0], d.Radius(z), 0.04) << z;
        EXPECT_NEAR(extent[1], 7, 0.05) << z;
    }
    // The outline alone: the plate's square (7 + 1 under the ball) moved in by 1.
    CCreSrfContourPath own;
    DVN_CornerType corner{4, 170, 5};
    CSmartLoop* outline = own.GenSurfBound(&d.Model(), corner);
    ASSERT_TRUE(outline);
    EXPECT_NEAR(outline->box[0][0], -7, 0.05);
    EXPECT_NEAR(outline->box[1][0], 7, 0.05);
    CSmartLoop::DeleteLoopChain(outline);
}

}  // namespace

namespace {

TEST(CreSrfContourPath, CancelLeavesAnEmptyGroupAndNullModelNothing)
{
    Dome d(4, 0, 0, 48);
    ASSERT_TRUE(d.b.model);
    CParamSrfFinish p = Param(3.3, 3, 1);
    widgra::testing::CancelAfterPolls(1);  // during the levels
    auto g = Waterline(d.Model(), p);
    widgra::testing::Reset();
    ASSERT_TRUE(g);
    EXPECT_EQ(g->head, nullptr);
    CCreSrfContourPath path;
    EXPECT_EQ(path.CreateContourPath(nullptr, nullptr, p), nullptr);
    EXPECT_EQ(path.CreatePathGroup(nullptr, nullptr, p), nullptr);
    DVN_CornerType corner{4, 170, 5};
    EXPECT_EQ(path.GenSurfBound(nullptr, corner), nullptr);
    // Nothing of the model above the top: no paths.
    CParamSrfFinish high = Param(20, 5, 1);
    auto none = Waterline(d.Model(), high);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->head, nullptr);
}

}  // namespace

namespace {

millkit::TriMesh FlatSquare(double x0, double y0, double x1, double y1, double z)
{
    millkit::TriMesh m;
    m.vertices = {{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}};
    m.triangles = {{0, 1, 2}, {0, 2, 3}};
    return m;
}

// Every point of the group's entities, arcs sampled.
Points AllPoints(const CPathGroup& g)
{
    Points out;
    for (const auto& c : Combines(g))
        for (const Points& e : c)
            out.insert(out.end(), e.begin(), e.end());
    return out;
}

TEST(CreSrfContourPath, FlatAreasArePocketedAtTheirOwnHeights)
{
    CTBall ball(2);
    ball.SetAidParam();
    // Three flat squares listed out of height order, two of them 0.005 apart in height (one
    // run); nothing overhangs them.
    const double squares[3][5] = {{0, 0, 4, 4, 1}, {10, 0, 14, 4, 3}, {0, 10, 4, 14, 1.005}};
    std::vector<millkit::TriMesh> meshes;
    for (const auto& s : squares)
        meshes.push_back(FlatSquare(s[0], s[1], s[2], s[3], s[4]));
    Built b = Build(meshes, &ball);
    ASSERT_TRUE(b.model);
    ASSERT_EQ(b.model->flatBounds.count, 3);
    for (int mode : {srffinish::kPlaneLinear, srffinish::kPlaneFollow}) {
        CParamSrfFinish p = Param(10, 20, 1);
        p.m_nPlaneMode = mode;
        p.m_planeLinear.step = 0.5;
        p.m_planeLinear.flags = cutdef::kZigzag;
        p.m_planeLinear.maxLink = 7;
        p.m_planeFollow.step = 0.5;
        CCreSrfContourPath path;
        CPathGroup out(302);
        ASSERT_EQ(path.CreateFlatSurfPath(b.model.get(), p, out), 1) << mode;
        EXPECT_EQ(p.m_planeLinear.maxLink, 7) << "the caller's record is not written";
        const Points pts = AllPoints(out);
        ASSERT_GT(pts.size(), 20u) << mode;
        int inside[3] = {0, 0, 0};
        for (const Pnt3& q : pts) {
            int k = 0;
            while (k < 3 && !(q[0] >= squares[k][0] - 1e-6 && q[0] <= squares[k][2] + 1e-6 && q[1] >= squares[k][1] - 1e-6 &&
                              q[1] <= squares[k][3] + 1e-6))
                ++k;
            ASSERT_LT(k, 3) << mode << " point outside every square";
            // The two squares of one run at the run's first height (the higher one).
            const double want = k == 1 ? 3 : 1.005;
            EXPECT_NEAR(q[2], want, 1e-6) << mode;  // the meshes hold floats
            ++inside[k];
        }
        for (int k = 0; k < 3; ++k)
            EXPECT_GT(inside[k], 0) << mode << " square " << k;
    }
    // Other plane modes: nothing, the set-up still runs.
    CParamSrfFinish p = Param(10, 20, 1);
    p.m_nPlaneMode = 2;
    CCreSrfContourPath path;
    CPathGroup out(302);
    EXPECT_EQ(path.CreateFlatSurfPath(b.model.get(), p, out), 1);
    EXPECT_EQ(out.head, nullptr);
    EXPECT_GT(path.net.rows, 0);
    EXPECT_EQ(path.CreateFlatSurfPath(nullptr, p, out), 0);
    // No flat curves and no records: nothing, 1.
    Built t = Build({millkit::TorusMesh({0, 0, 0}, 6, 2, 24, 12)}, &ball);
    ASSERT_TRUE(t.model);
    ASSERT_EQ(t.model->flatBounds.count, 0);
    CParamSrfFinish q = Param(10, 20, 1);
    EXPECT_EQ(path.CreateFlatSurfPath(t.model.get(), q, out), 1);
    EXPECT_EQ(out.head, nullptr);
}

}  // namespace

namespace {

using millkit::TriMesh;
using millkit::Vec3;

// Closest point of segment ab to p.
Vec3 ClosestOnSegment(const Vec3& p, const Vec3& a, const Vec3& b)
{
    double ab[3], len = 0, t = 0;
    for (int k = 0; k < 3; ++k)
        ab[k] = b[k] - a[k], len += ab[k] * ab[k], t += (p[k] - a[k]) * ab[k];
    t = len > 0 ? std::clamp(t / len, 0.0, 1.0) : 0;
    return {a[0] + t * ab[0], a[1] + t * ab[1], a[2] + t * ab[2]};
}

// Closest point of triangle abc to p: its foot on the plane when that lies inside, else
// the nearest of the edges' closest points.
Vec3 ClosestOnTriangle(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c)
{
    const Vec3 u{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const Vec3 n{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const double nn = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
    if (nn > 1e-24) {
        const double h = ((p[0] - a[0]) * n[0] + (p[1] - a[1]) * n[1] + (p[2] - a[2]) * n[2]) / nn;
        const Vec3 f{p[0] - h * n[0], p[1] - h * n[1], p[2] - h * n[2]};
        // Inside when f lies left of every edge, seen along n.
        const auto side = [&](const Vec3& s, const Vec3& e) {
            const double ex = e[0] - s[0], ey = e[1] - s[1], ez = e[2] - s[2];
            const double fx = f[0] - s[0], fy = f[1] - s[1], fz = f[2] - s[2];
            return (ey * fz - ez * fy) * n[0] + (ez * fx - ex * fz) * n[1] + (ex * fy - ey * fx) * n[2];
        };
        if (side(a, b) >= 0 && side(b, c) >= 0 && side(c, a) >= 0)
            return f;
    }
    Vec3 best = ClosestOnSegment(p, a, b);
    const auto d2 = [&](const Vec3& q) { return std::hypot(q[0] - p[0], q[1] - p[1], q[2] - p[2]); };
    for (const Vec3& q : {ClosestOnSegment(p, b, c), ClosestOnSegment(p, c, a)})
        if (d2(q) < d2(best))
            best = q;
    return best;
}

// How deep a ball of radius r with its tip at p sinks into the meshes: r less the distance
// from its centre to the nearest triangle (negative: clear of them). Plain geometry of the
// ball and the triangles, measured across the surface, so that walls count like floors.
class BallDepth {
public:
    BallDepth(const std::vector<TriMesh>& meshes, double r) : m_r(r)
    {
        for (const TriMesh& m : meshes)
            for (size_t i = 0; i < m.triangles.size(); ++i) {
                Tri t{m.Corners(i), {1e300, 1e300, 1e300, -1e300, -1e300, -1e300}};
                for (const Vec3& v : t.c)
                    for (int k = 0; k < 3; ++k)
                        t.box[k] = std::min(t.box[k], v[k]), t.box[k + 3] = std::max(t.box[k + 3], v[k]);
                m_tris.push_back(t);
            }
    }
    // Clearances beyond 3 are reported as 3.
    double operator()(const Pnt3& tip) const
    {
        const Vec3 o{tip[0], tip[1], tip[2] + m_r};
        double best = m_r + 3;
        for (const Tri& t : m_tris) {
            double gap = 0;
            for (int k = 0; k < 3; ++k)
                gap = std::max({gap, t.box[k] - o[k], o[k] - t.box[k + 3]});
            if (gap >= best)
                continue;
            const Vec3 q = ClosestOnTriangle(o, t.c[0], t.c[1], t.c[2]);
            best = std::min(best, std::hypot(q[0] - o[0], q[1] - o[1], q[2] - o[2]));
        }
        return m_r - best;
    }

private:
    struct Tri {
        std::array<Vec3, 3> c;
        double box[6];
    };
    double m_r;
    std::vector<Tri> m_tris;
};

// Per combine the points of its entities in order, with extra points on every straight
// piece (the moves between entities included), none more than spacing apart.
std::vector<Points> DenseCombines(const CPathGroup& g, double spacing)
{
    std::vector<Points> out;
    for (const auto& c : Combines(g)) {
        out.emplace_back();
        Points& d = out.back();
        for (const Points& e : c)
            for (const Pnt3& b : e) {
                if (!d.empty()) {
                    const Pnt3 a = d.back();
                    const int n = int(std::ceil(std::hypot(b[0] - a[0], b[1] - a[1], b[2] - a[2]) / spacing));
                    for (int k = 1; k < n; ++k) {
                        const double t = double(k) / n;
                        d.push_back({a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1]), a[2] + t * (b[2] - a[2])});
                    }
                }
                d.push_back(b);
            }
    }
    return out;
}

TriMesh Wuson()
{
    TriMesh m;
    std::string error;
    EXPECT_TRUE(millkit::ReadStl("/usr/share/assimp/models/STL/Wuson.stl", m, &error)) << error;
    for (Vec3& v : m.vertices)
        v = {40 * v[0], 40 * v[2], 40 * v[1]};
    return m;
}

struct EndToEnd {
    const char* what;
    std::vector<TriMesh> meshes;  // rounded to float, as the model holds them
    double top, depth, zStep;
    double levelTol;  // how far a contour point may lie from the waterline
    double sinkTol;   // how deep any point may sink into the meshes
};

// The sink bounds: the model's own discretisation (its offset facets lie up to 0.031 under
// the exact drop beside the terrain's convex edges, less elsewhere) plus, where connecting
// moves are projected onto the model, their thinning by 0.05.
std::vector<EndToEnd> EndToEndCases()
{
    const auto f = [](std::vector<TriMesh> m) {
        for (TriMesh& t : m)
            t = milltest::RoundToFloat(t);
        return m;
    };
    const TriMesh terrain =
        millkit::TerrainMesh([](double x, double y) { return std::sin(x * 0.7) * std::cos(y * 0.5) * 2; }, -5, -5, 10, 16);
    return {
        // Levels at -0.75 + 0.5 i: none just under the plate, where the rim's tube is so
        // shallow that the contour's height tolerance of 0.01 moves it 0.07 sideways.
        {"hemisphere on a plate", f({millkit::HemisphereOnPlate(4, 7, 64)}), 3.75, 4.5, 0.5, 0.03, 0.03},
        {"torus", f({millkit::TorusMesh({0, 0, 0}, 6, 2, 64, 32)}), 1.9, 3.8, 0.5, 0.03, 0.03},
        {"box of face meshes", f(milltest::BoxFaces()), 1.9, 2, 0.5, 0.03, 0.015},
        {"terrain", f({terrain}), 1.9, 4, 0.5, 0.07, 0.07},
        {"creased ridge", f({millkit::RidgeMesh(-5, 5, 2, 3)}), 1.9, 2, 0.4, 0.03, 0.03},
        // A scanned figure with creases and cliffs, 40 times its size (60.6 high), Y up
        // turned to Z up. The top lies over all of it: a connecting move projected onto the
        // model rises over whatever it crosses, also above the top.
        {"Wuson.stl", f({Wuson()}), 61, 40, 5, 0.07, 0.07},
    };
}

// Waterline finishing of whole models against the ball and the meshes themselves: with
// and without ramps no point of the paths, connecting moves included, sinks into the meshes
// beyond the model's discretisation and every point lies within [bottom, top]; every
// contour point lies on the waterline of the brute-force drop (the drop passes the level
// within levelTol of it).
TEST(CreSrfContourPath, EndToEndPathsClearTheMeshesAndFollowTheWaterline)
{
    CTBall ball(2);
    ball.SetAidParam();
    for (const EndToEnd& t : EndToEndCases()) {
        Built b = Build(t.meshes, &ball);
        ASSERT_TRUE(b.model) << t.what;
        const BallDepth depth(t.meshes, 1);
        const double bottom = t.top - t.depth;
        std::vector<double> levels;
        {
            CCreSrfContourPath path;
            path.step = t.zStep;
            path.zRange[0] = bottom, path.zRange[1] = t.top;
            ASSERT_EQ(path.Create(&ball, b.model->box, 0, 0), 1);
            for (int i = 0; i < path.levels.count; ++i)
                levels.push_back(path.levels.sets[i]->height);
        }
        const auto above = [&](double x, double y, double z) { return milltest::DropAll(ball, t.meshes, x, y) > z; };
        for (int entry : {0, 1}) {
            const std::string label = std::string(t.what) + (entry ? " with ramps" : "");
            CParamSrfFinish p = Param(t.top, t.depth, t.zStep);
            p.m_nEntryType = entry;
            p.m_dRampLength = 2;
            p.m_dLinkSize = 1;
            auto g = Waterline(*b.model, p);
            ASSERT_TRUE(g) << label;
            double deepest = -1e9;
            Pnt3 deepAt{};
            size_t points = 0;
            for (const Points& c : DenseCombines(*g, 0.05))
                for (const Pnt3& q : c) {
                    ++points;
                    ASSERT_GE(q[2], bottom - 1e-9) << label;
                    ASSERT_LE(q[2], t.top + 1e-9) << label;
                    const double d = depth(q);
                    if (d > deepest)
                        deepest = d, deepAt = q;
                }
            EXPECT_GT(points, 1000u) << label;
            EXPECT_LE(deepest, t.sinkTol) << label << " at " << deepAt[0] << ", " << deepAt[1] << ", " << deepAt[2];
            if (entry == 1)
                continue;
            // The contours: every level's points, a few hundred of them spread over all.
            Points onLevels;
            for (const auto& c : Combines(*g))
                for (const Points& e : c)
                    if (AtLevel(e, levels))
                        onLevels.insert(onLevels.end(), e.begin(), e.end());
            ASSERT_GT(onLevels.size(), 100u) << label;
            const size_t stride = std::max<size_t>(1, onLevels.size() / 300);
            int off = 0;
            for (size_t i = 0; i < onLevels.size(); i += stride) {
                const Pnt3& q = onLevels[i];
                const bool mid = above(q[0], q[1], q[2]);
                bool straddles = false;
                for (int k = 0; k < 8 && !straddles; ++k)
                    straddles = above(q[0] + t.levelTol * std::cos(k * M_PI / 4), q[1] + t.levelTol * std::sin(k * M_PI / 4),
                                      q[2]) != mid;
                if (!straddles)
                    ADD_FAILURE() << label << ": contour point off the waterline at " << q[0] << ", " << q[1] << ", " << q[2];
                off += !straddles;
                if (off > 3)
                    break;
            }
        }
    }
}

}  // namespace

namespace {

// How close the points come to the edges of the square [x0, x1] x [y0, y1] they lie in.
double NearestEdge(const Points& pts, double x0, double y0, double x1, double y1)
{
    double d = 1e300;
    for (const Pnt3& q : pts)
        d = std::min({d, q[0] - x0, x1 - q[0], q[1] - y0, y1 - q[1]});
    return d;
}

// A flat square [0, 4]^2 at height 1 among other flat squares: alone it is pocketed to its
// edges; beside a higher square sharing its edge x = 4 (along all of it, or along a
// stretch away from its corners) it is overhung, moved in by the radius on every side, and
// the ball stays out of the higher one; under a wider higher square it is not pocketed.
TEST(CreSrfContourPath, OverhungFlatAreasKeepTheRadiusOffHigherParts)
{
    CTBall ball(2);
    ball.SetAidParam();
    struct Case {
        const char* what;
        std::vector<TriMesh> others;
        bool pocketed;
        double edge;  // nearest approach of the low square's paths to its edges
    };
    const Case cases[] = {
        {"alone", {}, true, 0},
        {"beside a higher square", {FlatSquare(4, 0, 8, 4, 2)}, true, 1},
        {"beside a higher square along part of its edge", {FlatSquare(4, 1.5, 8, 2.5, 1.6)}, true, 1},
        {"under a wider higher square", {FlatSquare(-1, -1, 5, 5, 3)}, false, 0},
    };
    for (const Case& t : cases)
        for (int mode : {srffinish::kPlaneLinear, srffinish::kPlaneFollow}) {
            std::vector<TriMesh> meshes = {FlatSquare(0, 0, 4, 4, 1)};
            meshes.insert(meshes.end(), t.others.begin(), t.others.end());
            Built b = Build(meshes, &ball);
            ASSERT_TRUE(b.model) << t.what;
            CParamSrfFinish p = Param(10, 20, 1);
            p.m_nPlaneMode = mode;
            p.m_planeLinear.step = 0.5;
            p.m_planeLinear.flags = cutdef::kZigzag;
            p.m_planeFollow.step = 0.5;
            CCreSrfContourPath path;
            CPathGroup out(302);
            ASSERT_EQ(path.CreateFlatSurfPath(b.model.get(), p, out), 1) << t.what;
            const std::string label = std::string(t.what) + (mode == srffinish::kPlaneLinear ? " linear" : " follow");
            const BallDepth depth(meshes, 1);
            Points low;
            double deepest = -1e9;
            for (const Points& c : DenseCombines(out, 0.05))
                for (const Pnt3& q : c) {
                    if (std::fabs(q[2] - 1) < 1e-6)
                        low.push_back(q);
                    deepest = std::max(deepest, depth(q));
                }
            EXPECT_LE(deepest, 1e-6) << label;
            if (!t.pocketed) {
                EXPECT_TRUE(low.empty()) << label;
                continue;
            }
            ASSERT_GT(low.size(), 20u) << label;
            EXPECT_NEAR(NearestEdge(low, 0, 0, 4, 4), t.edge, 0.02) << label;
        }
}

// A nearly level mesh with a boundary record: pocketed at its top in the plane, the paths
// laid onto the model, so that they run on the mesh and cover it.
TEST(CreSrfContourPath, BoundaryRecordsArePocketedOnTheModel)
{
    CTBall ball(2);
    ball.SetAidParam();
    // Tilted 0.05 in x: not flat, but within the slope limit 0.2.
    TriMesh tilted = FlatSquare(0, 0, 4, 4, 0);
    for (Vec3& v : tilted.vertices)
        v[2] = 0.05 * v[0];
    const std::vector<TriMesh> meshes = {milltest::RoundToFloat(tilted)};
    Built b = Build(meshes, &ball, 1, 0.2);
    ASSERT_TRUE(b.model);
    ASSERT_TRUE(b.model->bounds);
    ASSERT_EQ(b.model->flatBounds.count, 0);
    CParamSrfFinish p = Param(10, 20, 1);
    p.m_nPlaneMode = srffinish::kPlaneLinear;
    p.m_planeLinear.step = 0.5;
    p.m_planeLinear.flags = cutdef::kZigzag;
    CCreSrfContourPath path;
    CPathGroup out(302);
    ASSERT_EQ(path.CreateFlatSurfPath(b.model.get(), p, out), 1);
    const BallDepth depth(meshes, 1);
    double lo = 1e9, hi = -1e9, box[4] = {1e9, 1e9, -1e9, -1e9};
    size_t n = 0;
    for (const Points& c : DenseCombines(out, 0.05))
        for (const Pnt3& q : c) {
            const double d = depth(q);
            lo = std::min(lo, d), hi = std::max(hi, d);
            box[0] = std::min(box[0], q[0]), box[1] = std::min(box[1], q[1]);
            box[2] = std::max(box[2], q[0]), box[3] = std::max(box[3], q[1]);
            ++n;
        }
    ASSERT_GT(n, 100u);
    // On the mesh: touching it within the check's tolerance, never deeper.
    EXPECT_LE(hi, 0.011);
    EXPECT_GE(lo, -0.011);
    // The passes run along x from edge to edge, at most a step from the edges in y.
    EXPECT_NEAR(box[0], 0, 0.02);
    EXPECT_NEAR(box[2], 4, 0.02);
    EXPECT_LE(box[1], 0.5 + 1e-6);
    EXPECT_GE(box[3], 3.5 - 1e-6);
    // Without the flag no record is made and nothing is pocketed.
    Built plain = Build(meshes, &ball, 0, 0.2);
    ASSERT_TRUE(plain.model);
    CPathGroup none(302);
    EXPECT_EQ(path.CreateFlatSurfPath(plain.model.get(), p, none), 1);
    EXPECT_EQ(none.head, nullptr);
}

// The level loops without paths: per level, from the top down, its height and its loops,
// which follow the exact waterline.
TEST(CreSrfContourPath, ConstructLoopsGivesTheLevelLoops)
{
    CTBall ball(2);
    ball.SetAidParam();
    Built t = Build({millkit::TorusMesh({0, 0, 0}, 6, 2, 96, 48)}, &ball);
    ASSERT_TRUE(t.model);
    CCreSrfContourPath path;
    path.center = t.model.get();
    path.step = 1;
    path.zRange[0] = -0.5, path.zRange[1] = 2.5;
    ASSERT_EQ(path.Create(&ball, t.model->box, 0, 0), 1);
    ASSERT_EQ(ProtectNetFill(path.net, t.model.get()), 1);
    const double tol[2] = {0.01, std::cos(5 * M_PI / 180)};
    CContrLoops out;
    ASSERT_EQ(path.ConstructLoops(&ball, tol, out), 1);
    EXPECT_EQ(path.levels.count, 0);
    ASSERT_EQ(out.count, 3);
    EXPECT_EQ(out.heights, (std::vector<double>{1.5, 0.5, -0.5}));
    const double bound = 0.03 + 9 * (1 - std::cos(M_PI / 96)) + 3 * (1 - std::cos(M_PI / 48));
    for (int i = 0; i < out.count; ++i) {
        const double z = out.heights[size_t(i)];
        const double w = std::sqrt(9 - (z + 1) * (z + 1));
        std::vector<double> radii;
        for (CSmartLoop* L = out.loops[size_t(i)]; L; L = L->next) {
            double lo = 1e9, hi = 0;
            for (CSmartSect* s = L->GetSectHead(); s; s = s->next)
                for (int k = 0; k <= 8; ++k) {
                    double q[2];
                    s->GetPoint(k / 8.0, q);
                    const double rho = std::hypot(q[0], q[1]);
                    lo = std::min(lo, rho), hi = std::max(hi, rho);
                }
            const double want = std::fabs(lo - (6 - w)) < std::fabs(lo - (6 + w)) ? 6 - w : 6 + w;
            EXPECT_LE(std::max(std::fabs(lo - want), std::fabs(hi - want)), bound) << "z " << z;
            radii.push_back(want);
        }
        std::sort(radii.begin(), radii.end());
        EXPECT_EQ(radii, (std::vector<double>{6 - w, 6 + w})) << "z " << z;
    }
    // Loops already held and no tool: nothing.
    EXPECT_EQ(path.ConstructLoops(nullptr, tol, out), 0);
}

// The cut a ball leaves along every combine of the group, in a z-map.
void CutGroup(millkit::ZMap& zmap, const CPathGroup& g)
{
    const millkit::ToolProfileOracle ball = millkit::ToolProfileOracle::MakeBall(2);
    for (const auto& c : Combines(g)) {
        std::vector<Vec3> path;
        for (const Points& e : c)
            for (const Pnt3& q : e)
                path.push_back({q[0], q[1], q[2]});
        zmap.CutPath(ball, path);
    }
}

// Highest material left over the hemisphere of radius 4 (on its plate) in the band of
// radii [r0, r1] about its axis, and deepest cut below it there.
std::pair<double, double> LeftInBand(const millkit::ZMap& zmap, const std::vector<double>& surface, double r0, double r1)
{
    double left = -1e9, cut = -1e9;
    for (int j = 0; j < zmap.Ny(); ++j)
        for (int i = 0; i < zmap.Nx(); ++i) {
            const double rho = std::hypot(zmap.X(i), zmap.Y(j));
            const double s = surface[size_t(j) * size_t(zmap.Nx()) + size_t(i)];
            if (rho >= r0 && rho <= r1 && !std::isnan(s)) {
                left = std::max(left, zmap.Height(i, j) - s);
                cut = std::max(cut, s - zmap.Height(i, j));
            }
        }
    return {left, cut};
}

// Scallops on the hemisphere: waterline finishing (Z step 0.5) on its steep band (slopes of
// 45 degrees and more), parallel finishing (step-over 0.5) on its shallow top. In both the
// neighbouring contacts lie at most 0.5 / cos 45 = 0.71 apart along the surface, which a
// ball of radius 1 leaves at most 1 - sqrt(1 - 0.35^2) = 0.065 high; the z-map's cells of
// 0.05 add up to their width times the slope.
TEST(CreSrfContourPath, ScallopsStayWithinTheStep)
{
    const std::vector<TriMesh> meshes = {milltest::RoundToFloat(millkit::HemisphereOnPlate(4, 7, 64))};
    CTBall ball(2);
    ball.SetAidParam();
    Built b = Build(meshes, &ball);
    ASSERT_TRUE(b.model);
    CParamSrfFinish p = Param(3.9, 4.4, 0.5);
    auto waterline = Waterline(*b.model, p);
    ASSERT_TRUE(waterline);
    CSrfParallelPath::Settings s;
    s.top = 10, s.depth = 20, s.stepOver = 0.5;
    CSrfParallelPath pp;
    std::unique_ptr<CPathGroup> parallel(pp.CreatePathGroup(b.model.get(), nullptr, s, nullptr));
    ASSERT_TRUE(parallel);
    const struct {
        const char* what;
        const CPathGroup& group;
        double r0, r1;  // the band of radii about the axis
    } cases[] = {{"waterline on the steep band", *waterline, 2.9, 3.7}, {"parallel on the shallow top", *parallel, 0, 2.5}};
    for (const auto& t : cases) {
        millkit::ZMap zmap = milltest::ZMapOver(meshes, 280, 1);
        const std::vector<double> surface = milltest::MeshTops(zmap, meshes);
        CutGroup(zmap, t.group);
        const auto [left, cut] = LeftInBand(zmap, surface, t.r0, t.r1);
        EXPECT_LE(left, 0.065 + 0.05) << t.what;
        EXPECT_GE(left, 0.005) << t.what << ": cut with scallops, not left whole";
        EXPECT_LE(cut, 0.03) << t.what;
    }
}

}  // namespace

namespace {

// The torus job drawn over the torus's shaded heights: the contours show as rings on its
// inner and outer flanks, one per level, and nothing lies off the part but the rings of
// the levels under its widest circle. With KORVEL_PICTURE_DIR set, the picture is saved
// there ("waterline-torus.png") for a look.
TEST(CreSrfContourPath, TorusJobDrawnOverItsHeights)
{
    CTBall ball(2);
    ball.SetAidParam();
    Built t = Build({millkit::TorusMesh({0, 0, 0}, 6, 2, 64, 32)}, &ball);
    ASSERT_TRUE(t.model);
    CParamSrfFinish p = Param(1.75, 3.5, 0.5);  // levels -1.75 .. 1.25
    p.m_nEntryType = 1;
    p.m_dRampLength = 2;
    auto g = Waterline(*t.model, p);
    ASSERT_TRUE(g);
    std::vector<millkit::PicturePath> paths;
    for (const auto& c : Combines(*g)) {
        paths.emplace_back();
        for (const Points& e : c)
            paths.back().insert(paths.back().end(), e.begin(), e.end());
    }
    const auto height = [](double x, double y) {
        const double d = std::hypot(x, y) - 6;
        return std::fabs(d) <= 2 ? std::sqrt(4 - d * d) : std::nan("");
    };
    const int width = 720;
    const QImage img = millkit::DrawPathsOverHeights(height, -10, -10, 10, 10, width, paths);
    if (const char* dir = std::getenv("KORVEL_PICTURE_DIR"))
        img.save(QString(dir) + "/waterline-torus.png");
    const double scale = width / 20.0;
    const auto red = [&](double x, double y) {
        const int i = std::clamp(int((x + 10) * scale), 0, img.width() - 1);
        const int j = std::clamp(int((10 - y) * scale), 0, img.height() - 1);
        const QRgb c = img.pixel(i, j);
        return qRed(c) > qGreen(c) + 40;
    };
    // Along rays from the axis (off the diagonals, where the antialiased rings blend): the
    // rings crossed, and red nowhere beyond them.
    for (int k = 0; k < 12; ++k) {
        const double a = k * M_PI / 6, cx = std::cos(a), cy = std::sin(a);
        int rings[2] = {0, 0};
        bool was = false;
        for (double rho = 0; rho < 9.9; rho += 0.5 / scale) {
            const bool on = red(rho * cx, rho * cy);
            if (on && !was)
                ++rings[rho > 6];
            if (rho < 2.8 || rho > 9.2) {
                EXPECT_FALSE(on) << "angle " << a << " radius " << rho;
            }
            was = on;
        }
        // Seven levels: the three lowest within 0.01 of the silhouette (radius 3 or 9) show
        // as one ring, the next one 0.1 in may merge with them; ramps and links add a few.
        for (int side : {0, 1}) {
            EXPECT_GE(rings[side], 4) << (side ? "outer" : "inner") << " flank, angle " << a;
            EXPECT_LE(rings[side], 8) << (side ? "outer" : "inner") << " flank, angle " << a;
        }
    }
}

}  // namespace
