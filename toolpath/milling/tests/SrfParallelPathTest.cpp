// Parallel finishing and roughing on the tool-centre model: the passes against the tool's
// brute-force drop along their lines, the limits of regions and slopes, the linking, and
// the model left in place by every call.
#include "toolpath/milling/SrfParallelPath.h"

#include "framework/db/DbPathGroup.h"
#include "framework/looker/Tool.h"
#include "framework/pathwerk/ParamSrfFinish.h"
#include "framework/pathwerk/ParamSrfRough.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes2d/GeRegion.h"
#include "testing/BruteForceDrop.h"
#include "toolpath/contours/PathEntity.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartLoop.h"
#include "toolpath/milling/tests/CentreFixtures.h"
#include "toolpath/milling/tests/MillFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using milltest::Build;
using milltest::Built;

using Points = std::vector<Pnt3>;

std::vector<Points> GroupPolylines(const CPathGroup& g)
{
    std::vector<Points> out;
    for (CPathCombine* c = g.head; c; c = c->next)
        for (CPathEntity* e = c->head; e; e = e->next)
            if (e->GetType() == pathc::kTypePLine) {
                const auto* pl = static_cast<const CPathPLine3D*>(e);
                Points pts;
                for (int i = 0; i < pl->PointCount(); ++i)
                    pts.push_back({pl->points[i][0], pl->points[i][1], pl->points[i][2]});
                out.push_back(pts);
            }
    return out;
}

// Polylines whose points share one y (passes), or one x (passes turned a right angle).
bool Level(const Points& p, int axis, double tol = 1e-9)
{
    for (const Pnt3& q : p)
        if (std::fabs(q[size_t(axis)] - p[0][size_t(axis)]) > tol)
            return false;
    return p.size() >= 2;
}

int CombineCount(const CPathGroup& g)
{
    int n = 0;
    for (CPathCombine* c = g.head; c; c = c->next)
        ++n;
    return n;
}

struct Dome {
    CTBall ball{2};
    millkit::TriMesh mesh;
    Built b;
    explicit Dome(millkit::TriMesh m = millkit::HemisphereOnPlate(4, 7, 48)) : mesh(std::move(m))
    {
        ball.SetAidParam();
        b = Build({mesh}, &ball);
    }
    CMillCenter& Model() { return *b.model; }
    double Drop(double x, double y) const { return millkit::BruteForceDrop(ball, mesh, x, y).z; }
    // How far z lies from the drop along the pass line through (x, y): the nearest drop
    // within 0.05 in x. Points on walls steeper than 2 along the line (the feet of the
    // tubes around the plate's edge and of the dome) are left out (0): there the model's
    // discretisation holds in XY, not in z.
    double Off(double x, double y, double z) const
    {
        if (Drop(x, y) < -1e11)
            return 0;  // nothing under the tool
        if (std::fabs(Drop(x + 0.05, y) - Drop(x - 0.05, y)) > 0.2)
            return 0;
        double best = 1e9;
        for (int k = -5; k <= 5; ++k)
            best = std::min(best, std::fabs(z - Drop(x + 0.01 * k, y)));
        return best;
    }
    // The same against the model's own brute-force envelope.
    double OffModel(double x, double y, double z) const
    {
        if (std::fabs(Drop(x + 0.05, y) - Drop(x - 0.05, y)) > 0.2)
            return 0;
        double best = 1e9;
        for (int k = -5; k <= 5; ++k)
            best = std::min(best, std::fabs(z - milltest::ModelTop(*b.model, x + 0.01 * k, y)));
        return best;
    }
};

CSrfParallelPath::Settings Finish(double stepOver, unsigned options = 0, int flags = srffinish::kNoLimit)
{
    CSrfParallelPath::Settings s;
    s.top = 10;
    s.depth = 20;
    s.stepOver = stepOver;
    s.options = options;
    s.flags = flags;
    return s;
}

std::unique_ptr<CPathGroup> RunPaths(CMillCenter& m, const CSrfParallelPath::Settings& s,
                                CSrfParallelPath::RegionList* regions = nullptr)
{
    CSrfParallelPath path;
    return std::unique_ptr<CPathGroup>(path.CreatePathGroup(&m, regions, s, nullptr));
}

struct Regions {
    CSrfParallelPath::RegionList list;
    ~Regions()
    {
        while (!list.IsEmpty())
            delete list.RemoveHead();
    }
    void Box(double x0, double y0, double x1, double y1) { list.AddTail(new CGeRegion(BOX2<double>(x0, y0, x1, y1))); }
};

Pnt3 Snapshot(const CMillCenter& m)
{
    return m.offsets->pts[0];
}

}  // namespace

// Each pass of one-way finishing is the tool's drop along its line: its points lie on the
// drop (the profile's thinning keeps points on the envelope), and between them it stays
// within the thinning tolerance of it; the passes run at y0 + i d with no pass at the top y.
TEST(SrfParallelPath, PassesFollowTheDropOfTheTool)
{
    Dome d;
    ASSERT_TRUE(d.b.model);
    struct Row {
        std::string name;
        double bottom;
    };
    for (const Row& r : std::vector<Row>{{"whole model", -10}, {"bottom at 1.5 above the plate", 1.5}}) {
        CSrfParallelPath::Settings s = Finish(1.5);
        s.depth = s.top - r.bottom;
        const auto g = RunPaths(d.Model(), s);
        ASSERT_TRUE(g) << r.name;
        const auto lines = GroupPolylines(*g);
        ASSERT_GT(lines.size(), 5u) << r.name;
        double worstOn = 0, worstModel = 0, worstBetween = 0, lowest = 1e9, highest = -1e9;
        std::vector<double> ys;
        for (const Points& p : lines) {
            ASSERT_TRUE(Level(p, 1)) << r.name;
            ys.push_back(p[0][1]);
            for (size_t i = 0; i < p.size(); ++i) {
                if (i > 0) {
                    EXPECT_GT(p[i][0], p[i - 1][0]) << r.name << ": passes run toward +x";
                }
                lowest = std::min(lowest, p[i][2]), highest = std::max(highest, p[i][2]);
                worstOn = std::max(worstOn, d.Off(p[i][0], p[i][1], p[i][2]));
                if (i % 2 == 0)
                    worstModel = std::max(worstModel, d.OffModel(p[i][0], p[i][1], p[i][2]));
                if (i > 0) {
                    const double x = (p[i - 1][0] + p[i][0]) / 2, z = (p[i - 1][2] + p[i][2]) / 2;
                    worstBetween = std::max(worstBetween, d.Off(x, p[i][1], z));
                }
            }
        }
        // The model's facets (48 segments) put the drop 0.01 off the sphere at most; the
        // thinning allows 0.01 between kept points.
        // The profile against the model's own envelope (its tube cells split into
        // triangles here, cut as quads by the sections): within the thinning; against the meshes also the model's facets (48 segments about the
        // dome put the offset 0.01 off the exact one).
        EXPECT_LE(worstModel, 0.01) << r.name;
        EXPECT_LE(worstOn, 0.015) << r.name;
        EXPECT_LE(worstBetween, 0.025) << r.name;
        EXPECT_GE(lowest, r.bottom - 1e-4) << r.name;
        EXPECT_LE(highest, s.top) << r.name;
        if (r.bottom < 0) {
            // Passes from the model's min y in equal steps; none at its max y.
            const double y0 = d.Model().box[1], y1 = d.Model().box[4];
            const int n = int(std::ceil((y1 - y0) / 1.5 - 0.0001));
            std::sort(ys.begin(), ys.end());
            ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
            // The passes at the model's very edge may find no section.
            EXPECT_GE(int(ys.size()), n - 2);
            for (double y : ys) {
                const double i = (y - y0) / ((y1 - y0) / n);
                EXPECT_NEAR(i, std::round(i), 1e-9);
                EXPECT_LT(std::round(i), n);
            }
        } else {
            // Cut off at the bottom: only the dome's cap above 1.5 is left.
            EXPECT_GT(lowest, 1.5 - 1e-4);
            for (const Points& p : lines)
                EXPECT_LT(std::hypot(p.front()[0], p.front()[1]), 5.0) << r.name;
        }
    }
}

// Turned passes: a pass angle whose radians are 0.0001 or less leaves model and passes as
// they are; a larger one turns the passes, and the model is back in place after every
// call, also after one that fails. Two calls give the same paths.
TEST(SrfParallelPath, PassAngleTurnsThePassesAndLeavesTheModel)
{
    Dome d;
    ASSERT_TRUE(d.b.model);
    CMillCenter& m = d.Model();
    const Pnt3 before = Snapshot(m);
    double box[6];
    std::copy(m.box, m.box + 6, box);
    const auto same = [&](const std::string& label) {
        const Pnt3 now = Snapshot(m);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(now[size_t(k)], before[size_t(k)], 1e-9) << label;
        for (int k = 0; k < 6; ++k)
            EXPECT_NEAR(m.box[k], box[k], 1e-9) << label;
    };
    struct Row {
        double degrees;
        bool turned;
    };
    for (const Row& r : std::vector<Row>{{0.0001 * 180 / M_PI * 0.99, false}, {0.01, true}, {30, true}}) {
        CSrfParallelPath::Settings s = Finish(1.0, srffinish::kZigZag);
        s.angleDeg = r.degrees;
        const auto g1 = RunPaths(m, s);
        same("after the first call at " + std::to_string(r.degrees));
        const auto g2 = RunPaths(m, s);
        same("after the second call at " + std::to_string(r.degrees));
        ASSERT_TRUE(g1 && g2);
        const auto l1 = GroupPolylines(*g1), l2 = GroupPolylines(*g2);
        ASSERT_EQ(l1.size(), l2.size());
        for (size_t i = 0; i < l1.size(); ++i) {
            ASSERT_EQ(l1[i].size(), l2[i].size()) << r.degrees;
            for (size_t k = 0; k < l1[i].size(); ++k)
                for (size_t j = 0; j < 3; ++j)
                    ASSERT_NEAR(l1[i][k][j], l2[i][k][j], 1e-9) << r.degrees;
        }
        int level = 0, passes = 0;
        const double dir[2] = {std::cos(r.degrees * M_PI / 180), std::sin(r.degrees * M_PI / 180)};
        for (const Points& p : l1) {
            // Pass entities have both ends at their pass's offset across the direction.
            const double across0 = -dir[1] * p.front()[0] + dir[0] * p.front()[1];
            const double across1 = -dir[1] * p.back()[0] + dir[0] * p.back()[1];
            if (std::fabs(across0 - across1) > 0.01 || std::hypot(p.back()[0] - p.front()[0], p.back()[1] - p.front()[1]) < 2)
                continue;
            ++passes;
            level += Level(p, 1, 0) ? 1 : 0;
            for (size_t k = 0; k < p.size(); k += 3)
                EXPECT_LE(d.Off(p[k][0], p[k][1], p[k][2]), 0.015) << r.degrees;
        }
        EXPECT_GT(passes, 10);
        EXPECT_EQ(level, r.turned ? 0 : passes) << r.degrees;
    }
    // A failing call: the boundary offset leaves nothing of the region.
    Regions rg;
    rg.Box(-1, -1, 1, 1);
    CSrfParallelPath::Settings s = Finish(1.0, srffinish::kRegionBoundary);
    s.angleDeg = 30;
    s.boundaryOffset = 2;
    EXPECT_FALSE(RunPaths(m, s, &rg.list));
    same("after a failing call");
    CParamSrfFinish p;
    p.m_dPassAngle = 30;
    CSrfParallelPath path;
    EXPECT_EQ(path.CreateParallelPath(nullptr, nullptr, p), nullptr);
}

// Regions: passes only where the region is at least 1 wide along them; a region that
// gives no pass any interval gives no passes (not the whole model); with the boundary
// option the passes keep the offset from the outline and the outline is machined on
// the model.
TEST(SrfParallelPath, RegionsLimitThePasses)
{
    Dome d;
    ASSERT_TRUE(d.b.model);
    struct Row {
        std::string name;
        std::vector<std::array<double, 4>> boxes;
        unsigned options;
        double offset;
        double xLo, xHi;  // every pass point's x range
        bool passes;
    };
    for (const Row& r : std::vector<Row>{
             {"square", {{-3, -3, 3, 3}}, 0, 0, -3, 3, true},
             {"strip 0.8 wide", {{-0.4, -6, 0.4, 6}}, 0, 0, 0, 0, false},
             {"square with boundary 1", {{-3, -3, 3, 3}}, srffinish::kRegionBoundary, 1, -2, 2, true},
         }) {
        Regions rg;
        for (const auto& b : r.boxes)
            rg.Box(b[0], b[1], b[2], b[3]);
        CSrfParallelPath::Settings s = Finish(0.5, r.options);
        s.boundaryOffset = r.offset;
        const auto g = RunPaths(d.Model(), s, &rg.list);
        const auto lines = g ? GroupPolylines(*g) : std::vector<Points>{};
        int passes = 0, outline = 0;
        for (const Points& p : lines) {
            const bool onOutline = std::all_of(p.begin(), p.end(), [](const Pnt3& q) {
                return std::fabs(std::fabs(q[0]) - 3) < 1e-6 || std::fabs(std::fabs(q[1]) - 3) < 1e-6;
            });
            if (r.options && onOutline && !Level(p, 1)) {
                ++outline;
                for (const Pnt3& q : p)
                    EXPECT_LE(d.Off(q[0], q[1], q[2]), 0.015) << r.name << ": the outline lies on the model";
                continue;
            }
            ASSERT_TRUE(Level(p, 1)) << r.name;
            ++passes;
            for (const Pnt3& q : p) {
                EXPECT_GE(q[0], r.xLo + 0.01 - 1e-6) << r.name;
                EXPECT_LE(q[0], r.xHi - 0.01 + 1e-6) << r.name;
                EXPECT_GE(q[1], r.xLo - 1e-9) << r.name;
                EXPECT_LE(q[1], r.xHi + 1e-9) << r.name;
            }
        }
        EXPECT_EQ(passes > 0, r.passes) << r.name;
        if (r.options) {
            EXPECT_GT(outline, 0) << r.name;
        }
    }
}

// Region intervals of one line: crossings paired, runs shorter than 1 dropped, and no
// limit on the number of crossings (a comb of 150 teeth crosses a line 300 times).
TEST(SrfParallelPath, RegionIntervalsOfALine)
{
    const auto loopOf = [](const std::vector<std::array<double, 2>>& pts) {
        SIntCurve c;
        for (const auto& p : pts)
            CurveAppendPoint(p.data(), c);
        CurveClose(c);
        std::unique_ptr<CSmartCurve> sc = CurveToSmartLines(c);
        sc->ConnectAllSect();
        sc->DefineBox();
        return sc->FormLoop();
    };
    // A triangle: width 2 (y + 4) / 2 ... 0 at y = -4, 8 at y = 4.
    CSmartLoop* tri = loopOf({{0, -4}, {4, 4}, {-4, 4}});
    ASSERT_TRUE(tri);
    std::vector<double> iv;
    CSrfParallelPath::GetLineArea(tri, -3.6, iv);
    EXPECT_TRUE(iv.empty()) << "0.8 wide";
    CSrfParallelPath::GetLineArea(tri, -2, iv);
    ASSERT_EQ(iv.size(), 2u);
    EXPECT_NEAR(iv[0], -1, 1e-9);
    EXPECT_NEAR(iv[1], 1, 1e-9);
    CSmartLoop::DeleteLoopChain(tri);

    std::vector<std::array<double, 2>> comb = {{0, 0}};
    const int teeth = 150;
    for (int i = 0; i < teeth; ++i) {
        comb.push_back({2.0 * i, 5});
        comb.push_back({2.0 * i + 1.5, 5});
        comb.push_back({2.0 * i + 1.5, 1});
        comb.push_back({2.0 * i + 2, 1});
    }
    comb.push_back({2.0 * teeth, 0});
    CSmartLoop* teethLoop = loopOf(comb);
    ASSERT_TRUE(teethLoop);
    CSrfParallelPath::GetLineArea(teethLoop, 3, iv);
    ASSERT_EQ(iv.size(), size_t(2 * teeth));
    for (int i = 0; i < teeth; ++i) {
        EXPECT_NEAR(iv[size_t(2 * i)], 2.0 * i, 1e-9);
        EXPECT_NEAR(iv[size_t(2 * i + 1)], 2.0 * i + 1.5, 1e-9);
    }
    CSmartLoop::DeleteLoopChain(teethLoop);
}

namespace {

std::unique_ptr<SIntCurve> Curve(const std::vector<std::array<double, 2>>& pts)
{
    auto c = std::make_unique<SIntCurve>();
    for (const auto& p : pts)
        CurveAppendPoint(p.data(), *c);
    return c;
}

std::vector<std::vector<std::array<double, 2>>> CurvesOf(const CIntCurveSet& set)
{
    std::vector<std::vector<std::array<double, 2>>> out;
    for (const SIntCurve* c = set.first; c; c = c->next) {
        out.emplace_back();
        for (const SCurvePoint* p = c->first; p; p = p->next)
            out.back().push_back({p->u, p->v});
    }
    return out;
}

}  // namespace

// Slope intervals of a pass: breakpoints where the slope crosses the limit, moved 0.02
// into the shallow side next to a wall steeper than three limits; short runs dropped,
// kept runs widened and merged; no limit on their number.
TEST(SrfParallelPath, SlopeIntervals)
{
    const double s = 1.01;  // 45 degrees
    struct Row {
        std::string name;
        std::vector<std::array<double, 2>> pts;
        int steep;
        double minLength, extension;
        std::vector<double> want;
    };
    const std::vector<std::array<double, 2>> wall = {{0, 0}, {2, 0}, {2.00005, 3}, {4, 3}};
    const std::vector<std::array<double, 2>> ramp = {{0, 0}, {2, 0}, {3, 1.5}, {5, 1.5}};  // slope 1.5 < 3 s
    for (const Row& r : std::vector<Row>{
             {"wall, shallow", wall, 0, 0, 0, {0, 1.98, 2.02005, 4}},
             {"wall, steep", wall, 1, 0, 0, {2, 2.00005}},
             {"ramp, shallow: no shift", ramp, 0, 0, 0, {0, 2, 3, 5}},
             {"ramp, steep", ramp, 1, 0, 0, {2, 3}},
             {"ramp, steep widened", ramp, 1, 0, 0.5, {1.5, 3.5}},
             {"ramp, shallow, short runs dropped", ramp, 0, 2.5, 0, {}},
             {"ramp, shallow widened and merged", ramp, 0, 0, 0.6, {-0.6, 5.6}},
             {"ramp, shallow widened apart", ramp, 0, 0, 0.4, {-0.4, 2.4, 2.6, 5.4}},
             {"wall at the start, shallow", {{0, 0}, {0.00001, 3}, {2, 3}}, 0, 0, 0, {0.02001, 2}},
         }) {
        CIntCurveSet set;
        CurveSetAppend(set, Curve(r.pts));
        std::vector<double> iv;
        CSrfParallelPath::GetLineArea(set, s, r.steep, r.minLength, r.extension, iv);
        ASSERT_EQ(iv.size(), r.want.size()) << r.name;
        for (size_t i = 0; i < iv.size(); ++i)
            EXPECT_NEAR(iv[i], r.want[i], 1e-12) << r.name << " " << i;
    }
    // A saw of 300 slope changes: 151 shallow runs, 150 steep ones.
    std::vector<std::array<double, 2>> saw = {{0, 0}};
    for (int i = 0; i < 150; ++i) {
        saw.push_back({4.0 * i + 2, 0});
        saw.push_back({4.0 * i + 3, 3});
        saw.push_back({4.0 * i + 4, 0});
    }
    saw.push_back({602, 0});
    CIntCurveSet set;
    CurveSetAppend(set, Curve(saw));
    std::vector<double> iv;
    CSrfParallelPath::GetLineArea(set, s, 0, 0, 0, iv);
    EXPECT_EQ(iv.size(), 2u * 151);
    CSrfParallelPath::GetLineArea(set, s, 1, 0, 0, iv);
    EXPECT_EQ(iv.size(), 2u * 150);
}

// Trimming to intervals: the part inside [a + 0.01, b - 0.01] of every curve stays, in
// increasing x; curves outside every interval go; no interval empties the set.
TEST(SrfParallelPath, TrimToIntervals)
{
    struct Row {
        std::string name;
        std::vector<std::vector<std::array<double, 2>>> curves;
        std::vector<double> intervals;
        std::vector<std::array<double, 2>> want;  // first and last x of each curve left
    };
    const std::vector<std::array<double, 2>> line = {{0, 0}, {10, 1}};
    for (const Row& r : std::vector<Row>{
             {"one interval inside", {line}, {2, 5}, {{2.01, 4.99}}},
             {"two intervals", {line}, {2, 5, 6, 8}, {{2.01, 4.99}, {6.01, 7.99}}},
             {"interval past the end", {line}, {8, 12}, {{8.01, 10}}},
             {"interval before the curve", {{{4, 0}, {10, 0}}}, {0, 3}, {}},
             {"curve before the interval", {{{0, 0}, {3, 0}}}, {5, 8}, {}},
             {"no interval", {line}, {}, {}},
             {"two curves, one interval each", {{{0, 0}, {4, 0}}, {{5, 0}, {9, 0}}}, {1, 3, 6, 8},
              {{1.01, 2.99}, {6.01, 7.99}}},
         }) {
        CIntCurveSet set;
        for (const auto& c : r.curves)
            CurveSetAppend(set, Curve(c));
        CSrfParallelPath::TrimIntCurveSet(set, r.intervals.data(), int(r.intervals.size() / 2));
        const auto got = CurvesOf(set);
        ASSERT_EQ(got.size(), r.want.size()) << r.name;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i].front()[0], r.want[i][0], 1e-9) << r.name;
            EXPECT_NEAR(got[i].back()[0], r.want[i][1], 1e-9) << r.name;
            for (size_t k = 1; k < got[i].size(); ++k)
                EXPECT_GT(got[i][k][0], got[i][k - 1][0]) << r.name;
            // Points stay on the source line.
            if (r.curves.size() == 1 && r.curves[0] == line) {
                for (const auto& p : got[i])
                    EXPECT_NEAR(p[1], p[0] / 10, 1e-9) << r.name;
            }
        }
    }
}

// Scan lines: n = ceil(span / step) passes at y0 + i span / n; none at the top y.
TEST(SrfParallelPath, PassesOverTheYRange)
{
    CTBall ball(2);
    ball.SetAidParam();
    const double box[6] = {0, 0, 0, 5, 3, 1};
    struct Row {
        double step;
        std::vector<double> ys;
        double actual;
    };
    for (const Row& r : std::vector<Row>{{1, {0, 1, 2}, 1}, {0.7, {0, 0.6, 1.2, 1.8, 2.4}, 0.6}, {5, {0}, 5}}) {
        CSrfParallelPath path;
        const double range[2] = {0, 3};
        ASSERT_EQ(path.Create(&ball, box, r.step, range), 1);
        ASSERT_EQ(path.passes.count, int(r.ys.size()));
        for (int i = 0; i < path.passes.count; ++i)
            EXPECT_NEAR(path.passes.sets[i]->height, r.ys[size_t(i)], 1e-12);
        EXPECT_NEAR(path.stepOver, r.actual, 1e-12);
        EXPECT_NEAR(path.net.step, 0.5, 1e-12) << "radius 1: net step 0.5";
    }
    CSrfParallelPath path;
    const double range[2] = {0, 3};
    EXPECT_EQ(path.Create(&ball, box, 0, range), 0);
    EXPECT_EQ(path.Create(nullptr, box, 1, range), 0);
}

// Zigzag chains: the next pass's curve continues the chain while its near end lies within
// max(5 d, 5) in x and max(5 step-over, 5) in z of the chain's last point.
TEST(SrfParallelPath, ZigZagChainsEnd)
{
    struct Row {
        std::string name;
        double stepOver;
        std::vector<std::array<double, 2>> second;  // curve of the second pass
        int chains;
    };
    for (const Row& r : std::vector<Row>{
             {"same extent", 1, {{0, 0}, {10, 0}}, 1},
             {"end 4.9 short", 1, {{0, 0}, {5.1, 0}}, 1},
             {"end 5.1 short: the second pass starts a chain", 1, {{0, 0}, {4.9, 0}}, 2},
             {"4.9 higher", 1, {{0, 4.9}, {10, 4.9}}, 1},
             {"5.1 higher", 1, {{0, 5.1}, {10, 5.1}}, 2},
             {"5.1 higher, step-over 2", 2, {{0, 5.1}, {10, 5.1}}, 1},
         }) {
        CSrfParallelPath path;
        ASSERT_EQ(LineArrayInit(path.passes, 3, 0, r.stepOver), 1);
        path.stepOver = r.stepOver;
        CurveSetAppend(*path.passes.sets[0], Curve({{0, 0}, {10, 0}}));
        CurveSetAppend(*path.passes.sets[1], Curve(r.second));
        CurveSetAppend(*path.passes.sets[2], Curve(r.second));
        CPathGroup g(srfparallel::kFinishKind);
        path.GenPathGroupZigZag(nullptr, g, 0);
        EXPECT_EQ(CombineCount(g), r.chains) << r.name;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(path.passes.sets[i]->count, 0) << r.name;
        // Every pass is used once, alternating in direction within a chain.
        int passes = 0;
        for (CPathCombine* c = g.head; c; c = c->next) {
            int k = 0;
            for (CPathEntity* e = c->head; e; e = e->next) {
                double a[3], b[3];
                e->GetEndPoint(0, a), e->GetEndPoint(1, b);
                if (a[1] != b[1])
                    continue;  // a link
                ++passes;
                EXPECT_EQ(b[0] > a[0], k % 2 == 0) << r.name;
                ++k;
            }
        }
        EXPECT_EQ(passes, 3) << r.name;
    }
}

// Optimal direction: a zigzag area whose extent across the passes exceeds 1/0.8 times its
// extent along them is machined with passes at right angles; a wide one keeps its passes.
TEST(SrfParallelPath, OptimalDirectionTurnsNarrowAreas)
{
    Dome d;
    ASSERT_TRUE(d.b.model);
    struct Row {
        std::string name;
        std::array<double, 4> box;
        int flags;
        int along;  // axis shared by each pass's points
    };
    for (const Row& r : std::vector<Row>{
             {"narrow, plain", {-1.5, -5, 1.5, 5}, srffinish::kNoLimit, 1},
             {"narrow, optimal", {-1.5, -5, 1.5, 5}, srffinish::kNoLimit | srffinish::kOptimalDir, 0},
             {"wide, optimal", {-5, -1.5, 5, 1.5}, srffinish::kNoLimit | srffinish::kOptimalDir, 1},
         }) {
        Regions rg;
        rg.Box(r.box[0], r.box[1], r.box[2], r.box[3]);
        const Pnt3 before = Snapshot(d.Model());
        const auto g = RunPaths(d.Model(), Finish(0.5, srffinish::kZigZag, r.flags), &rg.list);
        EXPECT_EQ(Snapshot(d.Model()), before) << r.name;
        ASSERT_TRUE(g) << r.name;
        int passes = 0, other = 0;
        for (const Points& p : GroupPolylines(*g)) {
            const double len = std::hypot(p.back()[0] - p.front()[0], p.back()[1] - p.front()[1]);
            if (len < 2)
                continue;  // links between passes
            if (Level(p, r.along, 1e-9)) {
                ++passes;
                for (size_t k = 0; k < p.size(); k += 3)
                    EXPECT_LE(d.Off(p[k][0], p[k][1], p[k][2]), 0.015) << r.name;
            } else {
                ++other;
            }
        }
        EXPECT_GE(passes, 5) << r.name;
        EXPECT_EQ(other, 0) << r.name;
    }
}

// Roughing: group kind 300, zigzag passes, no slope limits; database group returned.
TEST(SrfParallelPath, RoughingGroup)
{
    Dome d;
    ASSERT_TRUE(d.b.model);
    CParamSrfRough p;
    p.m_dTopHeight = 10;
    p.m_dCutDepth = 20;
    p.m_dPassStepOver = 1;
    const CSrfParallelPath::Settings s = CSrfParallelPath::RoughSettings(p);
    EXPECT_EQ(s.kind, 300);
    EXPECT_EQ(s.options & srffinish::kZigZag, srffinish::kZigZag);
    CSrfParallelPath path;
    std::unique_ptr<CPathGroup> g(path.CreatePathGroup(&d.Model(), nullptr, s, nullptr));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->kind, 300);
    EXPECT_LT(CombineCount(*g), 5) << "passes chained";
    std::unique_ptr<CDbPathGroup> db(path.CreateParallelPath(&d.Model(), nullptr, p));
    ASSERT_TRUE(db);
    EXPECT_FALSE(db->m_listUnit.IsEmpty());
}

// Slope limits on the dome (45 degrees): shallow passes hold no segment steeper than the
// limit, steep ones no segment shallower; together with all slopes they cover the cap
// and the sides.
TEST(SrfParallelPath, SlopeLimitsSplitTheDome)
{
    Dome d;
    ASSERT_TRUE(d.b.model);
    struct Row {
        std::string name;
        int flags;
        double minSlope, maxSlope;
    };
    const double s = std::tan(M_PI / 4) + 0.01;
    for (const Row& r : std::vector<Row>{{"shallow", 0, 0, s}, {"steep", srffinish::kSteepOnly, s, 1e12}}) {
        CSrfParallelPath::Settings set = Finish(0.5, 0, r.flags);
        set.depth = set.top - 0.5;  // the plate and the tubes' feet below
        const auto g = RunPaths(d.Model(), set);
        ASSERT_TRUE(g) << r.name;
        int segments = 0;
        for (const Points& p : GroupPolylines(*g)) {
            ASSERT_TRUE(Level(p, 1)) << r.name;
            for (size_t i = 1; i < p.size(); ++i) {
                const double dx = p[i][0] - p[i - 1][0];
                const double slope = dx <= 0.0001 ? 1e12 : std::fabs(p[i][2] - p[i - 1][2]) / dx;
                EXPECT_GE(slope, r.minSlope - 1e-9) << r.name << " at " << p[i][0] << " " << p[i][1];
                EXPECT_LE(slope, r.maxSlope + 1e-9) << r.name << " at " << p[i][0] << " " << p[i][1];
                ++segments;
            }
        }
        EXPECT_GT(segments, 20) << r.name;
    }
}

// The finishing entry: a database group of the passes, progress through the stages in
// order (the last stage, the conversion, left open for the caller), null for a boundary
// offset that leaves nothing.
TEST(SrfParallelPath, FinishingEntry)
{
    Dome d;
    ASSERT_TRUE(d.b.model);
    CParamSrfFinish p;
    p.m_dTopHeight = 10;
    p.m_dCutDepth = 20;
    p.m_dPassStepOver = 1;
    p.m_nParallelFlags = srffinish::kNoLimit;
    p.m_nParallelOptions = srffinish::kZigZag;
    static std::vector<double> seen;
    seen.clear();
    CQProgress::SetObserver([](double pos, void*) { seen.push_back(pos); }, nullptr);
    CQProgress progress;
    CSrfParallelPath path;
    std::unique_ptr<CDbPathGroup> db(path.CreateParallelPath(&d.Model(), nullptr, p, &progress));
    CQProgress::SetObserver(nullptr, nullptr);
    ASSERT_TRUE(db);
    EXPECT_FALSE(db->m_listUnit.IsEmpty());
    EXPECT_NEAR(progress.GetPos(), 0.8, 1e-9);
    ASSERT_FALSE(seen.empty());
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_GE(seen[i], seen[i - 1] - 1e-12);
    EXPECT_EQ(CSrfParallelPath::FinishSettings(p).kind, srfparallel::kFinishKind);

    Regions rg;
    rg.Box(-1, -1, 1, 1);
    p.m_nParallelOptions = srffinish::kRegionBoundary;
    p.m_dBoundaryOffset = 2;
    EXPECT_EQ(path.CreateParallelPath(&d.Model(), &rg.list, p), nullptr);
}

// A torus lying flat (ring 5, tube 1.5, fine facets), 30 degree passes in zigzag: every
// fifth point of every pass within 0.015 of the tool's drop; links across the hole, where the tool finds
// nothing, stay between their ends' heights instead of dropping under the model.
TEST(SrfParallelPath, TorusPassesFollowTheDrop)
{
    Dome d(millkit::TorusMesh({0, 0, 0}, 5, 1.5, 96, 48));
    ASSERT_TRUE(d.b.model);
    CSrfParallelPath::Settings s = Finish(0.8, srffinish::kZigZag);
    s.angleDeg = 30;
    s.depth = s.top + 1.5;  // bottom at -1.5: the tool reaches into the hole
    const auto g = RunPaths(d.Model(), s);
    ASSERT_TRUE(g);
    int checked = 0, inHole = 0;
    double worst = 0;
    for (const Points& p : GroupPolylines(*g))
        for (size_t k = 0; k < p.size(); ++k) {
            EXPECT_GE(p[k][2], s.top - s.depth - 1e-4);
            if (k % 5 != 0)
                continue;
            // Links between passes lie on or over the drop; passes on it.
            const double off = d.Off(p[k][0], p[k][1], p[k][2]);
            if (p.size() > 2)
                worst = std::max(worst, off);
            ++checked;
            if (d.Drop(p[k][0], p[k][1]) < -1e11) {
                ++inHole;
                EXPECT_GE(p[k][2], std::min(p.front()[2], p.back()[2]) - 1e-9);
            }
        }
    EXPECT_LE(worst, 0.015);
    EXPECT_GT(checked, 50);
    EXPECT_GT(inHole, 0);
}

namespace {

TEST(SrfParallelPath, DeleteSteepPathKeepsNeighbouringPassesApart)
{
    // Entities as (x0, y0, z0) -> (x1, y1, z1); the slope limit 45 degrees allows a change of
    // 2 in z per unit of y between an entity's end and the next one's start.
    using Seg = std::array<double, 6>;
    struct Case {
        const char* what;
        std::vector<Seg> entities;
        std::vector<int> pieces;  // entities per piece
    };
    const Case cases[] = {
        {"gentle steps stay one chain", {{0, 0, 0, 5, 0, 0}, {5, 1, 1, 0, 1, 1}, {0, 2, 2.5, 5, 2, 2.5}}, {3}},
        // The step from the second pass to the third rises 5 over one step-over: cut there,
        // and the neighbouring passes are not joined again.
        {"steep step between passes", {{0, 0, 0, 5, 0, 0}, {5, 1, 0, 0, 1, 0}, {0, 2, 5, 5, 2, 5}, {5, 3, 5, 0, 3, 5}}, {2, 2}},
        {"two steep steps", {{0, 0, 0, 5, 0, 0}, {5, 1, 0, 0, 1, 0}, {0, 2, 4, 5, 2, 4}, {5, 3, 0, 0, 3, 0}}, {2, 1, 1}},
        // Along one pass line nothing is cut: the pieces would be one pass again.
        {"step along a pass", {{0, 0, 0, 2, 0, 0}, {3, 0, 5, 5, 0, 5}, {5, 1, 5, 0, 1, 5}}, {3}},
        // A steep step after the first entity drops that entity.
        {"first entity dropped", {{0, 0, 0, 5, 0, 0}, {5, 1, 5, 0, 1, 5}, {0, 2, 5, 5, 2, 5}}, {2}},
    };
    for (const Case& t : cases) {
        CSrfParallelPath path;
        path.slopeAngle = M_PI / 4;
        path.stepOver = 1;
        auto* combine = new CPathCombine(8);
        for (const Seg& s : t.entities)
            PathCombineAppend(new CPathLine3D(&s[0], &s[3]), combine);
        CPathCombine* chain = path.DeleteSteepPath(combine);
        ASSERT_EQ(chain, combine) << t.what;
        std::vector<int> got;
        for (CPathCombine* c = chain; c; c = c->next) {
            int n = 0;
            for (CPathEntity* e = c->head; e; e = e->next)
                ++n;
            got.push_back(n);
            // Within a piece, every step is gentle or along one pass.
            for (CPathEntity* e = c->head; e && e->next; e = e->next) {
                double a[3], b[3];
                e->GetEndPoint(1, a), e->next->GetEndPoint(0, b);
                EXPECT_TRUE(std::fabs(b[1] - a[1]) < 1e-9 || std::fabs(b[2] - a[2]) <= 2 * std::fabs(b[1] - a[1]) + 1e-9) << t.what;
            }
        }
        EXPECT_EQ(got, t.pieces) << t.what;
        while (chain) {
            CPathCombine* next = chain->next;
            delete chain;
            chain = next;
        }
    }
}

}  // namespace
