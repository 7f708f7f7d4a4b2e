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
#include "toolpath/milling/tests/CentreFixtures.h"
#include "toolpath/milling/tests/MillFixtures.h"

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
    CParamSrfFinish pt = Param(2.5, 3, 1);
    auto gt = Waterline(*t.model, pt);
    ASSERT_TRUE(gt);
    std::map<double, std::vector<std::array<double, 3>>> tor;
    for (double z : {-0.5, 0.5, 1.5}) {
        const double w = std::sqrt(9 - (z + 1) * (z + 1));
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
