#include "LoopOracle.h"

#include "testing/CutOracle.h"
#include "toolpath/contours/CutPath.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartCurveLib.h"
#include "toolpath/contours/SmartLPoint.h"
#include "toolpath/contours/SmartLoop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using cuttest::P;
using cuttest::Poly;
using cuttest::Region;

Poly Ngon(double cx, double cy, double r, int n)
{
    Poly p;
    for (int i = 0; i < n; ++i)
        p.push_back({cx + r * std::cos(0.1 + 2 * M_PI * i / n), cy + r * std::sin(0.1 + 2 * M_PI * i / n)});
    return p;
}

Poly Rect(double x0, double y0, double x1, double y1) { return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}; }

// A spiral of half circles: radius r about the origin above, r - step/2 about
// (-step/2, 0) below, so that each pass ends where the next begins.
struct Spiral {
    double r, step;
    P c0() const { return {0, 0}; }
    P c1() const { return {-step / 2, 0}; }
};

struct Result {
    std::unique_ptr<CPathCombine> out = std::make_unique<CPathCombine>(1);
    int curves = 0;
};

Result Cut(const Region& region, const Spiral& s, bool pooled = false, std::uint8_t flags = 0)
{
    std::unique_ptr<CSmartLoop> L(looptest::PolygonLoop(region.outer));
    for (Poly i : region.islands) {
        std::reverse(i.begin(), i.end());
        L->AddIsland(looptest::PolygonLoop(i));
    }
    const P c0 = s.c0(), c1 = s.c1();
    CSmartArc arcs[2] = {CSmartArc(c0.data(), s.r, 0, M_PI), CSmartArc(c1.data(), s.r - s.step / 2, M_PI, 2 * M_PI)};
    Result res;
    CSmartCurveLib pool;
    CSmartLPoint* pts = pooled ? GenerateSpiralPoint(L.get(), arcs, s.step, pool) : GenerateSpiralPoint(L.get(), arcs, s.step);
    EXPECT_LE(arcs[0].radius, 0);
    DVN_CutSpiralDef def;
    def.flags = flags;
    def.distance = s.step;
    DVN_OrderType order;
    EXPECT_EQ(pooled ? ExtractSpiralPath(*res.out, def, order, pts, pool) : ExtractSpiralPath(*res.out, def, order, pts, arcs), 1);
    EXPECT_EQ(pool.count, 0);
    EXPECT_EQ(pts, nullptr);
    L->InitBuffer();
    double last[3] = {1e300, 0, 0};
    for (CPathEntity* e = res.out->head; e; e = e->next) {
        double a[3], b[3];
        e->GetEndPoint(0, a);
        e->GetEndPoint(1, b);
        if (std::hypot(a[0] - last[0], a[1] - last[1]) > 1e-6)
            ++res.curves;
        std::copy(b, b + 3, last);
    }
    return res;
}

// Every arc entity lies on a pass circle: about one of the two centres, with a radius
// the passes reach.
void ExpectPassArcs(const Result& r, const Spiral& s, const std::string& label)
{
    int arcs = 0;
    for (const CPathEntity* e = r.out->head; e; e = e->next) {
        if (e->type != pathc::kTypeArc)
            continue;
        ++arcs;
        const auto* a = static_cast<const CPathArc3D*>(e);
        const bool upper = std::hypot(a->centre[0], a->centre[1]) < 1e-9;
        const bool lower = std::hypot(a->centre[0] + s.step / 2, a->centre[1]) < 1e-9;
        EXPECT_TRUE(upper || lower) << label;
        const double k = (s.r - (upper ? 0 : s.step / 2) - a->radius) / s.step;
        EXPECT_NEAR(k, std::round(k), 1e-6) << label << " radius " << a->radius;
    }
    EXPECT_GT(arcs, 0) << label;
}

TEST(SpiralPath, PassesInsideTheRegionJoinAtTheirEndsIntoOneCurve)
{
    const Region disc{Ngon(0, 0, 40, 64), {}};
    const Spiral s{36, 3};
    const Result r = Cut(disc, s);
    EXPECT_EQ(r.curves, 1);
    ExpectPassArcs(r, s, "disc");
    EXPECT_TRUE(cuttest::Gouges(disc, cuttest::SamplePath(*r.out, 0.05), 1e-6).empty());
    // Passes step apart cover the disc within the spiral (its lower half is smaller by
    // half a step) up to the step.
    const Region inner{Ngon(0, 0, 33, 64), {}};
    const auto uncut = cuttest::Uncut(inner, cuttest::SamplePath(*r.out, 0.05), 1.6, 0.5, 0.03);
    EXPECT_TRUE(uncut.empty()) << uncut.size() << " first at " << uncut.front()[0] << ", " << uncut.front()[1];
}

TEST(SpiralPath, ClippedPassesLinkAlongTheBoundaryWithoutGouging)
{
    const struct {
        const char* name;
        Region region;
    } cases[] = {
        {"rectangle inside the spiral", {Rect(-30, -20, 30, 20), {}}},
        {"centre outside the region", {Rect(10, -25, 60, 25), {}}},
        {"island", {Rect(-30, -20, 30, 20), {Ngon(12, 3, 6, 24)}}},
        // The passes' half circles meet on the island's top edge: the crossings at
        // their shared ends must still cut the passes there.
        {"pass ends on an island edge", {Rect(-30, -20, 30, 20), {Rect(-20, -10, -10, 0), Ngon(10, 0, 6, 72)}}},
    };
    const Spiral s{37.5, 1.5};
    const struct {
        bool pooled;
        std::uint8_t flags;
    } forms[] = {{false, 0}, {true, 0}, {true, 1}, {true, 16}};
    for (const auto& f : forms)
        for (const auto& c : cases) {
            const std::string label = std::string(c.name) + (f.pooled ? " pool flags " + std::to_string(f.flags) : " points");
            const Result r = Cut(c.region, s, f.pooled, f.flags);
            ASSERT_NE(r.out->head, nullptr) << label;
            ExpectPassArcs(r, s, label);
            const auto pts = cuttest::SamplePath(*r.out, 0.05);
            const auto gouges = cuttest::Gouges(c.region, pts, 1e-6);
            EXPECT_TRUE(gouges.empty()) << label << " at " << gouges.front()[0] << ", " << gouges.front()[1];
        }
}

TEST(SpiralPath, NonPositiveOrNaNStepMakesNoPasses)
{
    std::unique_ptr<CSmartLoop> L(looptest::PolygonLoop(Rect(-10, -10, 10, 10)));
    const double c[2] = {0, 0};
    for (double step : {0.0, -1.0, std::nan("")}) {
        CSmartArc arcs[2] = {CSmartArc(c, 5, 0, M_PI), CSmartArc(c, 5, M_PI, 2 * M_PI)};
        EXPECT_EQ(GenerateSpiralPoint(L.get(), arcs, step), nullptr) << step;
    }
}

}  // namespace
