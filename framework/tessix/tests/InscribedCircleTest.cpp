// The inscribed-circle search against closed forms, against GEOS's maximum inscribed
// circle, and against a brute-force distance and even-odd test of its own centre.
#include "framework/tessix/InscribedCircle.h"
#include "framework/tessix/Tessix.h"
#include "geometry/algorithms/GeTool2D.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"
#include "testing/GeosInscribedCircle.h"
#include "testing/GlyphOutlines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <string>

namespace {

using tessix::Pt;
using tessix::Ring;

Ring RegularPolygon(double cx, double cy, double circumradius, int n, double phase = 0, bool clockwise = false)
{
    Ring r;
    for (int i = 0; i < n; ++i) {
        const double a = phase + (clockwise ? -1 : 1) * 2 * std::numbers::pi * i / n;
        r.push_back({cx + circumradius * std::cos(a), cy + circumradius * std::sin(a)});
    }
    return r;
}

Ring Rectangle(double x0, double y0, double w, double h) { return {{x0, y0}, {x0 + w, y0}, {x0 + w, y0 + h}, {x0, y0 + h}}; }

double BoxSide(const std::vector<Ring>& rings)
{
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (const Ring& r : rings)
        for (const Pt& p : r) {
            x0 = std::min(x0, p[0]);
            y0 = std::min(y0, p[1]);
            x1 = std::max(x1, p[0]);
            y1 = std::max(y1, p[1]);
        }
    return tessix::PrecisionFor(x1 - x0, y1 - y0);
}

// Brute force over every edge: distance to the boundary and even-odd containment.
double BoundaryDistance(const std::vector<Ring>& rings, const Pt& p)
{
    double best = std::numeric_limits<double>::max();
    for (const Ring& r : rings)
        for (std::size_t i = 0; i < r.size(); ++i) {
            const Pt& a = r[i];
            const Pt& b = r[(i + 1) % r.size()];
            const double ex = b[0] - a[0], ey = b[1] - a[1], l2 = ex * ex + ey * ey;
            const double t = l2 > 0 ? std::clamp(((p[0] - a[0]) * ex + (p[1] - a[1]) * ey) / l2, 0.0, 1.0) : 0;
            best = std::min(best, std::hypot(p[0] - a[0] - t * ex, p[1] - a[1] - t * ey));
        }
    return best;
}

bool InsideEvenOdd(const std::vector<Ring>& rings, const Pt& p)
{
    bool in = false;
    for (const Ring& r : rings)
        for (std::size_t i = 0, j = r.size() - 1; i < r.size(); j = i++)
            if ((r[i][1] > p[1]) != (r[j][1] > p[1]) &&
                p[0] < r[j][0] + (p[1] - r[j][1]) * (r[i][0] - r[j][0]) / (r[i][1] - r[j][1]))
                in = !in;
    return in;
}

// The centre lies inside and its distance to the boundary is the radius.
void ExpectCentreHolds(const std::vector<Ring>& rings, const tessix::Circle& c, const std::string& label)
{
    EXPECT_TRUE(InsideEvenOdd(rings, c.centre)) << label;
    EXPECT_NEAR(BoundaryDistance(rings, c.centre), c.radius, 1e-9 * std::max(1.0, c.radius)) << label;
}

struct AnalyticCase {
    std::string label;
    std::vector<Ring> rings;
    double expected;
    double slack;  // what the closed form leaves open besides the search's precision
};

std::vector<AnalyticCase> AnalyticCases()
{
    std::vector<AnalyticCase> cases;
    cases.push_back({"rectangle 40 x 10", {Rectangle(-3, 7, 40, 10)}, 5, 0});
    cases.push_back({"rectangle 10 x 40 clockwise", {{{0, 0}, {0, 40}, {10, 40}, {10, 0}}}, 5, 0});
    cases.push_back({"rectangle 5 x 0.5", {Rectangle(0, 0, 5, 0.5)}, 0.25, 0});
    for (const int n : {3, 5, 6, 12, 101}) {
        const double R = 17.5;
        cases.push_back({"regular " + std::to_string(n) + "-gon", {RegularPolygon(2, -1, R, n, 0.3)},
                         R * std::cos(std::numbers::pi / n), 0});
    }
    {
        // A circle flattened at 0.01: chords of sagitta at most 0.01.
        const double R = 10;
        const int n = static_cast<int>(std::ceil(std::numbers::pi / std::acos(1 - 0.01 / R)));
        const double sagitta = R * (1 - std::cos(std::numbers::pi / n));
        cases.push_back({"circle r 10 flattened at 0.01", {RegularPolygon(5, 5, R, n)}, R - sagitta, 0});
    }
    {
        // Annulus outer 1.5, hole 0.5, both flattened finely; the hole's orientation does
        // not matter under even-odd. (Every point of the middle circle is a centre, so
        // the search splits cells all along it: kept small.)
        const int n = 1000;
        const double sagitta = 1.5 * (1 - std::cos(std::numbers::pi / n));
        cases.push_back({"annulus 1.5 / 0.5", {RegularPolygon(0, 0, 1.5, n), RegularPolygon(0, 0, 0.5, n, 0, true)}, 0.5, sagitta});
        cases.push_back({"annulus 1.5 / 0.5, hole same way", {RegularPolygon(0, 0, 1.5, n), RegularPolygon(0, 0, 0.5, n)}, 0.5, sagitta});
    }
    // In a corner of a frame 10 wide the circle touches both outer sides and the hole's corner.
    cases.push_back({"square with a square hole", {Rectangle(0, 0, 100, 100), Rectangle(10, 10, 80, 80)},
                     10 * std::numbers::sqrt2 / (1 + std::numbers::sqrt2), 0});
    cases.push_back({"island inside a hole", {Rectangle(0, 0, 100, 100), Rectangle(2, 2, 96, 96), Rectangle(20, 20, 60, 60)},
                     30, 0});
    cases.push_back({"two separate squares", {Rectangle(0, 0, 4, 4), Rectangle(10, 0, 8, 8)}, 4, 0});
    return cases;
}

TEST(InscribedCircle, MatchesClosedFormsWithinItsPrecision)
{
    for (const AnalyticCase& c : AnalyticCases()) {
        const tessix::Circle got = tessix::MaxInscribedCircle(c.rings);
        const double precision = BoxSide(c.rings);
        EXPECT_GE(got.radius, c.expected - c.slack - precision) << c.label;
        EXPECT_LE(got.radius, c.expected + c.slack + 1e-9) << c.label;
        ExpectCentreHolds(c.rings, got, c.label);
    }
}

TEST(InscribedCircle, NothingEnclosedGivesZero)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* label;
        std::vector<Ring> rings;
    } rows[] = {
        {"no rings", {}},
        {"two points", {{{0, 0}, {1, 1}}}},
        {"repeated points", {{{1, 1}, {1, 1}, {1, 1}, {1, 1}}}},
        {"collinear", {{{0, 0}, {1, 0}, {2, 0}}}},
        {"NaN vertex", {{{0, 0}, {1, 0}, {nan, 1}}}},
        {"infinite vertex", {{{0, 0}, {1, 0}, {1, std::numeric_limits<double>::infinity()}}}},
        {"hole cancels its outline", {Rectangle(0, 0, 5, 5), Rectangle(0, 0, 5, 5)}},
    };
    for (const auto& row : rows) {
        const tessix::Circle got = tessix::MaxInscribedCircle(row.rings);
        EXPECT_EQ(got.radius, 0) << row.label;
        EXPECT_EQ(got.centre, (Pt{0, 0})) << row.label;
    }
}

// GEOS's answer is a lower bound within its tolerance; both searches run to the same.
void ExpectMatchesGeos(const std::vector<Ring>& rings, const std::string& label)
{
    const double precision = BoxSide(rings);
    geospeer::InscribedCircle geos;
    ASSERT_TRUE(geos.SetRings(rings)) << label;
    const geospeer::Circle peer = geos.Run(precision);
    const tessix::Circle got = tessix::MaxInscribedCircle(rings);
    ASSERT_GT(peer.radius, 0) << label;
    EXPECT_NEAR(got.radius, peer.radius, precision) << label;
    ExpectCentreHolds(rings, got, label);
}

TEST(InscribedCircle, MatchesGeosOnGlyphsWithHoles)
{
    glyphs::GlyphReader reader;
    ASSERT_TRUE(reader.Ok()) << glyphs::kDejaVuSans;
    for (const char ch : std::string("O8&Bag%")) {
        std::vector<glyphs::Contour> contours;
        ASSERT_TRUE(reader.Char(static_cast<unsigned long>(ch), 0.01, contours)) << ch;
        std::vector<Ring> rings;
        for (const glyphs::Contour& c : contours) {
            Ring r;
            for (const glyphs::Pt& p : glyphs::Sample(c, 24)) r.push_back({p[0], p[1]});
            rings.push_back(std::move(r));
        }
        ExpectMatchesGeos(rings, std::string("glyph ") + ch);
    }
}

TEST(InscribedCircle, MatchesGeosOnRandomStars)
{
    std::mt19937 rng(20261210);
    std::uniform_real_distribution<double> spike(0.2, 1.0);
    for (int k = 0; k < 12; ++k) {
        const int n = 8 + k * 97;
        Ring star;
        for (int i = 0; i < n; ++i) {
            const double a = 2 * std::numbers::pi * i / n;
            const double r = 50 * spike(rng);
            star.push_back({r * std::cos(a), r * std::sin(a)});
        }
        ExpectMatchesGeos({star}, "star of " + std::to_string(n) + " vertices");
    }
}

TEST(InscribedCircle, MatchesGeosWithManyHoles)
{
    std::vector<Ring> rings{Rectangle(0, 0, 200, 200)};
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> jitter(-3, 3);
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j)
            rings.push_back(RegularPolygon(10 + 20 * i + jitter(rng), 10 + 20 * j + jitter(rng), 4 + jitter(rng) / 2, 7, i + j, true));
    ExpectMatchesGeos(rings, "square with 100 holes");
}

// The library entry over loops made by the curve toolkit.
TEST(InscribedCircle, LoopEntryReadsTheLoopsPolylines)
{
    CTypedPtrList<CObList, CGeCurve*> curves;
    const double sq[5][2] = {{0, 0}, {30, 0}, {30, 10}, {0, 10}, {0, 0}};
    for (int i = 0; i < 4; ++i) curves.AddTail(new CGeLine(sq[i], sq[i + 1]));
    CGeTool2D tool;
    CTypedPtrList<CObList, CGeLoop*> loops;
    tool.ReCreateLoop(&curves, &loops, 0.03, true, false);
    geDelCurveList(&curves);
    ASSERT_EQ(loops.GetCount(), 1);

    double radius = -1, centre[2] = {-1, -1};
    EXPECT_EQ(vnFastGetInscribedCircle(radius, centre, &loops, nullptr), 1);
    EXPECT_NEAR(radius, 5, tessix::kAbsPrecision);
    EXPECT_NEAR(centre[1], 5, 1e-3);
    EXPECT_GT(centre[0], 5 - 1e-3);
    EXPECT_LT(centre[0], 25 + 1e-3);

    int reserved = 0;
    EXPECT_EQ(vnFastGetInscribedCircle(radius, centre, &loops, &reserved), 0) << "reserved argument set";
    EXPECT_EQ(radius, 0);
    radius = 3;
    EXPECT_EQ(vnFastGetInscribedCircle(radius, centre, nullptr, nullptr), 0) << "null list";
    EXPECT_EQ(radius, 0);
    CTypedPtrList<CObList, CGeLoop*> empty;
    EXPECT_EQ(vnFastGetInscribedCircle(radius, centre, &empty, nullptr), 0) << "empty list";
    geDelGeLoopList(&loops, false);
}

}  // namespace
