#include "LoopOracle.h"

#include "testing/CutOracle.h"
#include "testing/Shorelines.h"
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/CutPath.h"
#include "toolpath/contours/PathGroup.h"
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

Poly Rect(double x0, double y0, double x1, double y1) { return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}; }

Poly Reversed(Poly p)
{
    std::reverse(p.begin(), p.end());
    return p;
}

// Regular n-gon, counter-clockwise.
Poly Ngon(double cx, double cy, double r, int n, double phase = 0.1)
{
    Poly p;
    for (int i = 0; i < n; ++i) {
        const double a = phase + 2 * M_PI * i / n;
        p.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return p;
}

// The loop tree of the region (islands clockwise).
std::unique_ptr<CSmartLoop> LoopOf(const Region& r)
{
    std::unique_ptr<CSmartLoop> L(looptest::PolygonLoop(r.outer));
    for (const Poly& i : r.islands)
        L->AddIsland(looptest::PolygonLoop(Reversed(i)));
    return L;
}

struct Cut {
    std::unique_ptr<CPathCombine> out = std::make_unique<CPathCombine>(1);
    std::vector<const CPathEntity*> entities() const
    {
        std::vector<const CPathEntity*> v;
        for (const CPathEntity* e = out->head; e; e = e->next)
            v.push_back(e);
        return v;
    }
};

Cut Linear(const Region& r, DVN_CutLinearDef def, int direction = 1)
{
    auto L = LoopOf(r);
    DVN_CornerType corner;
    corner.type = 4;
    DVN_OrderType order;
    order.direction = direction;
    Cut c;
    EXPECT_EQ(L->CreateLinearPath(*c.out, def, corner, order), 1);
    return c;
}

DVN_CutLinearDef Def(std::uint32_t flags, double step, double maxLink = 1e9, double angle = 0)
{
    DVN_CutLinearDef d;
    d.flags = flags;
    d.step = step;
    d.maxLink = maxLink;
    d.angle = angle;
    return d;
}

// Island edges off the scan lines (steps 5 and 4.5, both directions).
const Region kPlateWithIsland{Rect(0, 0, 100, 60), {Rect(31, 22, 61, 42)}};
const Region kRing{Ngon(50, 50, 40, 48), {Ngon(50, 50, 15, 24)}};

std::string Label(const std::string& what, std::uint32_t flags) { return what + " flags " + std::to_string(flags); }

TEST(LinearPath, OneWayLinesLieOnScanLinesStepApartInBothDirections)
{
    for (int direction : {0, 1}) {
        const Cut c = Linear(kPlateWithIsland, Def(0, 5), direction);
        const auto es = c.entities();
        ASSERT_FALSE(es.empty());
        double lastY = -1;
        double lastX = direction ? -1e9 : 1e9;
        for (const CPathEntity* e : es) {
            ASSERT_EQ(e->type, pathc::kTypeLine);
            const auto* l = static_cast<const CPathLine3D*>(e);
            const std::string at = "direction " + std::to_string(direction) + " y " + std::to_string(l->start[1]);
            EXPECT_NEAR(l->start[1], l->end[1], 1e-9) << at;
            EXPECT_NEAR(std::remainder(l->start[1], 5.0), 0, 1e-9) << at;
            EXPECT_GE(std::fabs(l->end[0] - l->start[0]), 5.0) << at;
            EXPECT_EQ(l->end[0] > l->start[0], direction == 1) << at;
            // Ends on the region boundary (the island or the plate).
            for (const double* q : {l->start, l->end})
                EXPECT_NEAR(cuttest::RegionDist(kPlateWithIsland, {q[0], q[1]}), 0, 1e-6) << at;
            if (l->start[1] > lastY + 1e-9) {
                EXPECT_GT(l->start[1], lastY) << at;
                lastY = l->start[1];
            } else if (direction) {
                EXPECT_GT(l->start[0], lastX) << at;
            } else {
                EXPECT_LT(l->start[0], lastX) << at;
            }
            lastX = l->start[0];
        }
        // Lines 5 .. 55; those at 25 .. 40 split by the island.
        EXPECT_EQ(es.size(), 11u + 4u) << direction;
    }
}

TEST(LinearPath, ZigzagNeverGougesAndCoversWithTheBoundaryPass)
{
    const double R = 2.5, step = 4.0;
    for (const Region* r : {&kPlateWithIsland, &kRing})
        for (std::uint32_t flags : {1u | 2u, 1u | 2u | 16u, 1u | 2u | 4u}) {
            const Cut c = Linear(*r, Def(flags, step));
            const auto pts = cuttest::SamplePath(*c.out, 0.05);
            ASSERT_FALSE(pts.empty());
            const auto gouges = cuttest::Gouges(*r, pts, 1e-6);
            EXPECT_TRUE(gouges.empty()) << Label("gouge", flags) << " at " << gouges.front()[0] << ", " << gouges.front()[1];
            const auto uncut = cuttest::Uncut(*r, pts, R, 0.37, 0.03);
            EXPECT_TRUE(uncut.empty()) << Label("uncut", flags) << " at " << uncut.front()[0] << ", " << uncut.front()[1];
        }
}

// The straight pieces of the path (polylines exploded), each with the number of the
// connected curve it belongs to.
struct Seg {
    double a[2], b[2];
    int curve;
    double length() const { return std::hypot(b[0] - a[0], b[1] - a[1]); }
};

std::vector<Seg> Segments(const Cut& c)
{
    std::vector<Seg> out;
    int curve = -1;
    double last[2] = {1e300, 1e300};
    auto add = [&](const double* a, const double* b) {
        if (std::hypot(a[0] - last[0], a[1] - last[1]) > 1e-6)
            ++curve;
        out.push_back({{a[0], a[1]}, {b[0], b[1]}, curve});
        last[0] = b[0];
        last[1] = b[1];
    };
    for (const CPathEntity* e : c.entities()) {
        if (e->type == pathc::kTypeLine) {
            const auto* l = static_cast<const CPathLine3D*>(e);
            add(l->start, l->end);
        } else if (e->type == pathc::kTypePLine) {
            const auto* pl = static_cast<const CPathPLine3D*>(e);
            for (int i = 0; i < pl->count; ++i)
                add(pl->points[i], pl->points[i + 1]);
        } else {
            ADD_FAILURE() << "unexpected arc";
        }
    }
    return out;
}

bool OnScanLine(const Seg& s, double step)
{
    return std::fabs(s.a[1] - s.b[1]) < 1e-9 && std::fabs(std::remainder(s.a[1], step)) < 1e-9;
}

TEST(LinearPath, ZigzagLinksRunAlongTheBoundaryWithinMaxLink)
{
    // Runs around the island are longer than 15 both ways: the zigzag breaks there.
    const double step = 4.5;
    for (double maxLink : {1e9, 15.0}) {
        const Cut c = Linear(kPlateWithIsland, Def(1, step, maxLink));
        const auto segs = Segments(c);
        ASSERT_FALSE(segs.empty());
        double run = 0;
        for (std::size_t i = 0; i < segs.size(); ++i) {
            const Seg& s = segs[i];
            if (i > 0 && segs[i - 1].curve != s.curve)
                run = 0;
            if (OnScanLine(s, step)) {
                run = 0;
                continue;
            }
            run += s.length();
            EXPECT_LE(run, maxLink + 1e-9) << "maxLink " << maxLink << " segment " << i;
            for (int k = 0; k <= 10; ++k) {
                const P q{s.a[0] + k / 10.0 * (s.b[0] - s.a[0]), s.a[1] + k / 10.0 * (s.b[1] - s.a[1])};
                EXPECT_NEAR(cuttest::RegionDist(kPlateWithIsland, q), 0, 1e-6) << "maxLink " << maxLink << " segment " << i;
            }
        }
        if (maxLink < 1e6) {
            EXPECT_GT(segs.back().curve, 0);
        }
    }
    // A plain rectangle zigzags in one curve.
    EXPECT_EQ(Segments(Linear({Rect(0, 0, 50, 30), {}}, Def(1, 3))).back().curve, 0);
}

std::vector<std::array<double, 4>> Lines(const Cut& c)
{
    std::vector<std::array<double, 4>> v;
    for (const Seg& s : Segments(c))
        v.push_back({s.a[0], s.a[1], s.b[0], s.b[1]});
    return v;
}

TEST(LinearPath, LineIndexGivesTheSamePathOnConvexRegions)
{
    for (const Region& r : {Region{Rect(0, 0, 50, 30), {}}, Region{Ngon(0, 0, 20, 9), {}}}) {
        const auto a = Lines(Linear(r, Def(1, 3))), b = Lines(Linear(r, Def(1 | 16, 3)));
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i)
            for (int k = 0; k < 4; ++k)
                EXPECT_NEAR(a[i][k], b[i][k], 1e-9) << "segment " << i;
    }
}

TEST(LinearPath, AngleNinetyEqualsScanningTheRotatedRegion)
{
    auto rotate = [](const Poly& p, double s) {
        Poly q;
        for (const P& v : p)
            q.push_back({-s * v[1], s * v[0]});
        return q;
    };
    Region turned{rotate(kPlateWithIsland.outer, -1), {rotate(kPlateWithIsland.islands[0], -1)}};
    const auto a = Lines(Linear(kPlateWithIsland, Def(0, 5, 1e9, 90)));
    const auto b = Lines(Linear(turned, Def(0, 5)));
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        // b rotated back by +90 degrees.
        EXPECT_NEAR(a[i][0], -b[i][1], 1e-9) << i;
        EXPECT_NEAR(a[i][1], b[i][0], 1e-9) << i;
        EXPECT_NEAR(a[i][2], -b[i][3], 1e-9) << i;
        EXPECT_NEAR(a[i][3], b[i][2], 1e-9) << i;
        EXPECT_NEAR(a[i][0], a[i][2], 1e-9) << "vertical " << i;
    }
}

TEST(LinearPath, ScanLineThroughAVertexIsNudgedNotOdd)
{
    // A diamond whose side vertices lie on the scan line y = 10.
    const Region diamond{{{10, 0}, {20, 10}, {10, 20}, {0, 10}}, {}};
    const auto ls = Lines(Linear(diamond, Def(0, 5)));
    ASSERT_EQ(ls.size(), 3u);
    EXPECT_NEAR(ls[1][0], 0, 1e-3);
    EXPECT_NEAR(ls[1][2], 20, 1e-3);
}

TEST(LinearPath, ScanLinesAcrossThousandsOfIslandsGatherEveryCrossing)
{
    // A perforated plate: 600 holes on each scan row give 1202 crossings per line.
    Region plate{Rect(0, 0, 1210, 12), {}};
    for (int i = 0; i < 600; ++i)
        plate.islands.push_back(Rect(2 + 2 * i, 2, 3 + 2 * i, 10));
    const Cut zigzag = Linear(plate, Def(1 | 2, 0.5, 0.8));
    const auto gouges = cuttest::Gouges(plate, cuttest::SamplePath(*zigzag.out, 1.0), 1e-6);
    EXPECT_TRUE(gouges.empty()) << gouges.front()[0] << ", " << gouges.front()[1];
    // One-way: line y = 5 holds the 601 pieces between and beside the holes.
    int onFive = 0;
    for (const auto& l : Lines(Linear(plate, Def(0, 0.5))))
        if (std::fabs(l[1] - 5) < 1e-9) {
            ++onFive;
            EXPECT_TRUE(l[0] > 1e-9 ? std::fmod(l[0] - 3, 2.0) < 1e-9 : true) << l[0];
        }
    EXPECT_EQ(onFive, 601);
}

TEST(LinearPath, ArchipelagoIslandsPocketWithoutGougeInAnyDirection)
{
    const auto coast = shorelines::Read("aegean_islands");
    ASSERT_FALSE(coast.empty());
    for (std::size_t i = 0; i < std::min<std::size_t>(coast.size(), 25); ++i) {
        Region island{Poly(coast[i].begin(), coast[i].end()), {}};
        if (looptest::Shoelace(island.outer) < 0)
            island.outer = Reversed(island.outer);
        for (double angle : {0.0, 37.0}) {
            const Cut c = Linear(island, Def(1 | 2, 1.0, 3.0, angle));
            const auto gouges = cuttest::Gouges(island, cuttest::SamplePath(*c.out, 0.1), 1e-6);
            EXPECT_TRUE(gouges.empty()) << "island " << i << " angle " << angle << " at " << gouges.front()[0] << ", "
                                        << gouges.front()[1];
        }
    }
}

TEST(LinearPath, BadInputsGiveNoScanMoves)
{
    struct Case {
        const char* name;
        Region region;
        double step;
    } cases[] = {
        {"step below 0.001", {Rect(0, 0, 10, 10), {}}, 0.0005},
        {"step zero", {Rect(0, 0, 10, 10), {}}, 0},
        {"step NaN", {Rect(0, 0, 10, 10), {}}, std::nan("")},
        {"region below the step", {Rect(0, 0, 3, 3), {}}, 5},
    };
    for (const Case& k : cases)
        EXPECT_EQ(Linear(k.region, Def(1, k.step)).out->head, nullptr) << k.name;
    // Empty loop.
    CSmartLoop empty;
    CPathCombine out;
    DVN_CornerType corner;
    DVN_OrderType order;
    DVN_CutLinearDef def = Def(1 | 2, 1);
    EXPECT_EQ(empty.CreateLinearPath(out, def, corner, order), 1);
    EXPECT_EQ(out.head, nullptr);
    EXPECT_EQ(GenerateScanPoint(nullptr, 1, 2000), nullptr);
}

}  // namespace
