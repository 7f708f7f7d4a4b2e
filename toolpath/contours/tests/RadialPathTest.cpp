#include "LoopOracle.h"

#include "testing/CutOracle.h"
#include "toolpath/contours/CutPath.h"
#include "toolpath/contours/PathGroup.h"
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

Poly Rect(double x0, double y0, double x1, double y1) { return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}; }

std::unique_ptr<CSmartLoop> LoopOf(const Region& r)
{
    std::unique_ptr<CSmartLoop> L(looptest::PolygonLoop(r.outer));
    for (Poly i : r.islands) {
        std::reverse(i.begin(), i.end());
        L->AddIsland(looptest::PolygonLoop(i));
    }
    return L;
}

std::unique_ptr<CPathCombine> Emit(const Region& r, std::uint8_t flags, P centre, double start, double sweep, double step)
{
    auto L = LoopOf(r);
    DVN_CutEmitDef def;
    def.flags = flags;
    def.centre[0] = centre[0];
    def.centre[1] = centre[1];
    def.startAngle = start;
    def.sweepAngle = sweep;
    def.stepAngle = step;
    auto out = std::make_unique<CPathCombine>(1);
    EXPECT_EQ(L->CreateEmitPath(*out, def), 1);
    // The region's sections hold no points afterwards.
    for (CSmartSect* s = L->contour->head; s; s = s->next)
        EXPECT_TRUE(!s->points || s->points->count == 0);
    return out;
}

struct Seg {
    P a, b;
};

std::vector<Seg> Segments(const CPathCombine& c)
{
    std::vector<Seg> v;
    for (const CPathEntity* e = c.head; e; e = e->next) {
        if (e->type == pathc::kTypeLine) {
            const auto* l = static_cast<const CPathLine3D*>(e);
            v.push_back({{l->start[0], l->start[1]}, {l->end[0], l->end[1]}});
        } else if (e->type == pathc::kTypePLine) {
            const auto* pl = static_cast<const CPathPLine3D*>(e);
            for (int i = 0; i < pl->count; ++i)
                v.push_back({{pl->points[i][0], pl->points[i][1]}, {pl->points[i + 1][0], pl->points[i + 1][1]}});
        }
    }
    return v;
}

int Curves(const CPathCombine& c)
{
    int n = 0;
    P last{1e300, 1e300};
    for (const Seg& s : Segments(c)) {
        if (std::hypot(s.a[0] - last[0], s.a[1] - last[1]) > 1e-6)
            ++n;
        last = s.b;
    }
    return n;
}

// 1 when the segment lies on a ray from c at one of the ray angles.
bool OnRay(const Seg& s, P c, double start, double inc, int n)
{
    for (const P& q : {s.a, s.b}) {
        if (std::hypot(q[0] - c[0], q[1] - c[1]) < 1e-9)
            continue;
        const double a = std::atan2(q[1] - c[1], q[0] - c[0]) * 180 / M_PI;
        bool hit = false;
        for (int i = 0; i < n && !hit; ++i)
            hit = std::fabs(std::remainder(a - (start + i * inc), 360.0)) < 1e-7;
        if (!hit)
            return false;
    }
    return true;
}

const Region kPlate{Rect(0, 0, 100, 60), {Rect(41, 22, 61, 42)}};

TEST(RadialPath, SeparateRaysLieOnTheirRaysInsideTheRegionInEitherDirection)
{
    const P c{20.3, 30.1};
    for (std::uint8_t flags : {0, 2}) {
        const auto out = Emit(kPlate, flags, c, 1, 360, 7.5);
        const auto segs = Segments(*out);
        ASSERT_GT(segs.size(), 48u);
        for (const Seg& s : segs) {
            EXPECT_TRUE(OnRay(s, c, 1, 7.5, 48)) << int(flags) << " at " << s.a[0] << ", " << s.a[1];
            const double da = std::hypot(s.a[0] - c[0], s.a[1] - c[1]), db = std::hypot(s.b[0] - c[0], s.b[1] - c[1]);
            EXPECT_EQ(db > da, flags == 2) << int(flags);
        }
        EXPECT_TRUE(cuttest::Gouges(kPlate, cuttest::SamplePath(*out, 0.1), 1e-6).empty()) << int(flags);
        EXPECT_EQ(Curves(*out), int(segs.size())) << "every ray segment apart";
    }
}

TEST(RadialPath, ConnectedRaysRunThroughTheCentreAndAlongTheBoundary)
{
    const P c{20.3, 30.1};
    const auto out = Emit(kPlate, 1, c, 1, 360, 7.5);
    const auto pts = cuttest::SamplePath(*out, 0.05);
    const auto gouges = cuttest::Gouges(kPlate, pts, 1e-6);
    EXPECT_TRUE(gouges.empty()) << gouges.front()[0] << ", " << gouges.front()[1];
    int throughCentre = 0;
    for (const Seg& s : Segments(*out)) {
        const bool ray = OnRay(s, c, 1, 7.5, 48);
        if (std::hypot(s.a[0] - c[0], s.a[1] - c[1]) < 1e-9 || std::hypot(s.b[0] - c[0], s.b[1] - c[1]) < 1e-9)
            ++throughCentre;
        if (!ray) {  // a boundary run
            EXPECT_NEAR(cuttest::RegionDist(kPlate, s.a) + cuttest::RegionDist(kPlate, s.b), 0, 1e-6);
        }
    }
    EXPECT_GE(throughCentre, 40);
    EXPECT_LT(Curves(*out), 10);
}

TEST(RadialPath, BoundaryRunsOverTwentyEndTheCurve)
{
    // Centre outside a long bar: neighbouring rays meet the far end 10 or 40 apart.
    const Region bar{Rect(100, -100, 110, 100), {}};
    const P c{0, 0};
    EXPECT_EQ(Curves(*Emit(bar, 1, c, -40, 80, 4)), 1);
    const auto wide = Emit(bar, 1, c, -40, 80, 20);
    EXPECT_EQ(Curves(*wide), 4);
}

TEST(RadialPath, ZeroOrNaNStepAngleMakesNoRays)
{
    for (double step : {0.0, std::nan(""), 1e-300})
        EXPECT_EQ(Emit(kPlate, 1, {20, 30}, 0, 360, step)->head, nullptr) << step;
}

}  // namespace
