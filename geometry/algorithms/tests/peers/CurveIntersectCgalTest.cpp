// CurveCurve against the flattening oracle whose segment crossings are exact
// (CGAL's exact-construction kernel): crossing and near-miss instances of all
// 49 ordered class pairs, and glyph outlines of a system font.
#include "geometry/algorithms/CurveIntersect.h"

#include "geometry/algorithms/tests/CurveIntersectFixtures.h"
#include "testing/GlyphOutlines.h"

#include <CGAL/Exact_predicates_exact_constructions_kernel.h>
#include <CGAL/intersections.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace ccfix;

namespace {

using Kernel = CGAL::Exact_predicates_exact_constructions_kernel;

std::optional<Pt> CrossExactly(Pt a0, Pt a1, Pt b0, Pt b1)
{
    const Kernel::Segment_2 a({a0.x, a0.y}, {a1.x, a1.y}), b({b0.x, b0.y}, {b1.x, b1.y});
    const auto hit = CGAL::intersection(a, b);
    if (!hit) return std::nullopt;
    if (const auto* p = boost::get<Kernel::Point_2>(&*hit)) return Pt{CGAL::to_double(p->x()), CGAL::to_double(p->y())};
    return std::nullopt;  // collinear overlaps of flattened pieces are not crossings
}

TEST(CurveIntersectOracle, EveryClassPairMatchesExactFlattening)
{
    std::mt19937 rng(2024);
    int crossings = 0;
    for (int k1 = 0; k1 < kKinds; ++k1)
        for (int k2 = 0; k2 < kKinds; ++k2)
            for (int trial = 0; trial < 4; ++trial) {
                const std::string label = std::string(kKindNames[k1]) + "/" + kKindNames[k2] + " #" + std::to_string(trial);
                const auto c1 = Build(RandomSpec(Kind(k1), rng)), c2 = Build(RandomSpec(Kind(k2), rng));
                Records recs;
                QVN_GeCC_Inter::CurveCurve(c1.get(), c2.get(), &recs, 0);
                const auto want = OracleCrossings(c1.get(), c2.get(), 1e-7, 1e-6, CrossExactly);
                std::vector<Pt> have;
                for (const Pt& p : RecordPoints(recs, 1e-6))
                    if (!NearArcEnd(c1.get(), p) && !NearArcEnd(c2.get(), p)) have.push_back(p);
                crossings += int(want.size());
                EXPECT_EQ(Unmatched(want, RecordPoints(recs, 1e-6), 1e-6), "") << label << ": crossings lost";
                EXPECT_EQ(Unmatched(have, want, 1e-6), "") << label << ": crossings invented";
            }
    EXPECT_GT(crossings, 150) << "the random pairs must cross often enough to test anything";
}

// Extreme x of a curve from its fine flattening (display boxes are coarser).
double ExtremeX(CGeCurve* c, bool right)
{
    double x = right ? -INFINITY : INFINITY;
    for (const auto& run : FlattenCurve(c, 1e-7))
        for (const Pt& p : run) x = right ? std::max(x, p.x) : std::min(x, p.x);
    return x;
}

// The second curve moved to 0.008 right of the first: the boxes meet within
// 0.01, the curves do not, and nothing is reported.
TEST(CurveIntersectOracle, NearMissesGiveNothing)
{
    std::mt19937 rng(99);
    for (int k1 = 0; k1 < kKinds; ++k1)
        for (int k2 = 0; k2 < kKinds; ++k2) {
            const std::string label = std::string(kKindNames[k1]) + "/" + kKindNames[k2];
            const auto c1 = Build(RandomSpec(Kind(k1), rng));
            const Spec s2 = RandomSpec(Kind(k2), rng);
            const auto probe = Build(s2);
            const double shift = ExtremeX(c1.get(), true) + 0.008 - ExtremeX(probe.get(), false);
            const auto c2 = Build(s2, Frame{1.0, 0.0, shift, 0.0});
            Records recs;
            EXPECT_EQ(QVN_GeCC_Inter::CurveCurve(c1.get(), c2.get(), &recs, 0), 0) << label;
            EXPECT_EQ(recs.GetSize(), 0) << label;
            EXPECT_TRUE(OracleCrossings(c1.get(), c2.get(), 1e-7, 1e-6, CrossExactly).empty()) << label;
        }
}

// ---------------------------------------------------------------------------
// Near misses at the tolerances

// A curve of each class whose highest point is the origin, the curve below it
// with a horizontal tangent there (a corner for the polyline), or mirrored
// upwards (a cup) and raised by dy. The line is the exception: its cap lies
// along the x axis and its cup stands on the origin end-on, so that a line
// meets the other curves both ways.
std::unique_ptr<CGeCurve> Cap(Kind kind, bool cup, double dy)
{
    const double m = cup ? -1.0 : 1.0;  // mirror in y
    auto at = [&](double x, double y) { return Pt{x, m * y + dy}; };
    auto put = [](Pt p, double* out) { out[0] = p.x, out[1] = p.y; };
    auto fromPts = [](Kind k, std::vector<Pt> pts) {
        Spec s;
        s.kind = k;
        s.pts = std::move(pts);
        return Build(s);
    };
    auto arcFrom = [&](double cy, double a0, double a1) {
        auto arc = std::make_unique<CGeArc>();
        double c[2];
        put(at(0, cy), c);
        arc->CreateCSEAngle(c, 1.0, m * a0, m * a1);
        arc->PrepareDisplay();
        return arc;
    };
    const double pi = std::numbers::pi;
    switch (kind) {
    case kLine: return cup ? fromPts(kLine, {{0, dy}, {0.8, dy + 2}}) : fromPts(kLine, {at(-2, 0), at(2, 0)});
    case kArc: return arcFrom(-1, pi / 6, 5 * pi / 6);
    case kCircle: {
        double c[2];
        put(at(0, -1.5), c);
        return std::make_unique<CGeCircle>(c, 1.5, 1);
    }
    case kEllipse: {
        double c[2];
        put(at(0, -1), c);
        return std::make_unique<CGeEllipse>(c, 2.0, 1.0, 0.0, 1);
    }
    case kBezier:
        // Two cubic segments; the second, symmetric about x = 0, has its top at t = 0.5.
        return fromPts(kBezier, {at(-3, -4), at(-2.5, -3), at(-2, -2), at(-1.5, -1.5), at(-0.5, 0.5), at(0.5, 0.5),
                                 at(1.5, -1.5)});
    case kPolyline: return fromPts(kPolyline, {at(-2, -2), at(-1, -0.5), at(0, 0), at(1, -0.5), at(2, -2)});
    case kComposite: {
        // A line, the arc over the top, a polyline.
        const double h = std::sqrt(0.5);
        auto comb = std::make_unique<CGeCombCurve>();
        comb->AddTail(fromPts(kLine, {at(-2, -2), at(-h, h - 1)}).release(), 0);
        comb->AddTail(arcFrom(-1, 3 * pi / 4, pi / 4).release(), 0);
        comb->AddTail(fromPts(kPolyline, {at(h, h - 1), at(1.5, -1), at(2, -2)}).release(), 1);
        return comb;
    }
    default: return nullptr;
    }
}

// Every ordered class pair, the first curve a cap, the second a cup above it:
// apart by 20 times the pair's contact tolerance nothing is reported; within a
// tenth of it at most a touch (two records near the contact); pressed 0.01
// into each other the records are the oracle's crossings.
TEST(CurveIntersectOracle, NearMissesAtTheTolerances)
{
    for (int k1 = 0; k1 < kKinds; ++k1)
        for (int k2 = 0; k2 < kKinds; ++k2) {
            // A line against a circle counts as tangent within 1e-4; every other pair within 1e-6.
            const bool lineOnRound = k1 == kLine && (k2 == kArc || k2 == kCircle || k2 == kComposite);
            const double tol = lineOnRound ? 1e-4 : 1e-6;
            struct Row {
                double gap;
                const char* what;
            } rows[] = {{20 * tol, "apart"}, {tol / 10, "touching"}, {-0.01, "pressed in"}};
            for (const Row& r : rows) {
                const std::string label = std::string(kKindNames[k1]) + "/" + kKindNames[k2] + " " + r.what;
                const auto cap = Cap(Kind(k1), false, 0.0), cup = Cap(Kind(k2), true, r.gap);
                Records recs;
                QVN_GeCC_Inter::CurveCurve(cap.get(), cup.get(), &recs, 0);
                const auto want = OracleCrossings(cap.get(), cup.get(), 1e-8, 1e-6, CrossExactly);
                if (r.gap > tol) {
                    EXPECT_EQ(recs.GetSize(), 0) << label;
                    EXPECT_TRUE(want.empty()) << label;
                } else if (r.gap > 0) {
                    EXPECT_LE(recs.GetSize(), 2) << label;
                    for (INT_PTR i = 0; i < recs.GetSize(); ++i)
                        EXPECT_LT(oracle::Dist({recs[i].pt[0], recs[i].pt[1]}, {0, 0}), 1e-3) << label << " record " << i;
                } else {
                    const auto have = RecordPoints(recs, 1e-6);
                    EXPECT_FALSE(want.empty()) << label;
                    EXPECT_EQ(Unmatched(want, have, 1e-6), "") << label << ": crossings lost";
                    EXPECT_EQ(Unmatched(have, want, 1e-6), "") << label << ": crossings invented";
                }
            }
        }
}

// ---------------------------------------------------------------------------
// Real outlines

// The contours of a glyph as composites of lines and cubic curves.
std::vector<std::unique_ptr<CGeCombCurve>> GlyphComposites(glyphs::GlyphReader& font, unsigned long code, double scale,
                                                           Pt shift)
{
    std::vector<glyphs::Contour> outline;
    std::vector<std::unique_ptr<CGeCombCurve>> out;
    if (!font.Char(code, scale, outline)) return out;
    for (const glyphs::Contour& c : outline) {
        auto comb = std::make_unique<CGeCombCurve>();
        for (const glyphs::Segment& g : c.segments) {
            double p[4][2];
            for (int k = 0; k < 4; ++k) {
                p[k][0] = g.p[size_t(k)][0] + shift.x;
                p[k][1] = g.p[size_t(k)][1] + shift.y;
            }
            if (!g.cubic) {
                comb->AddTail(new CGeLine(p[0], p[1]), 0);
                continue;
            }
            auto* bez = new CGeBezier;
            bez->CreateEx(4, p);
            bez->PrepareDisplay();
            comb->AddTail(bez, 0);
        }
        comb->CalcBox2d();
        out.push_back(std::move(comb));
    }
    return out;
}

// A composite flattened into one polyline through its members' own evaluation.
std::vector<Pt> FlattenJoined(CGeCurve* c, double tol)
{
    std::vector<Pt> poly;
    for (const auto& run : FlattenCurve(c, tol))
        poly.insert(poly.end(), run.begin() + (poly.empty() ? 0 : 1), run.end());
    return poly;
}

// Pairs of overlapping glyphs (every contour of one against every contour of
// the other) and a grid of lines over both, sequential and parallel, against
// the exact oracle.
TEST(CurveIntersectOracle, GlyphOutlinesMatchExactFlattening)
{
    glyphs::GlyphReader font;
    ASSERT_TRUE(font.Ok()) << glyphs::kDejaVuSans;
    constexpr double kScale = 0.01;  // an em of 2048 units is about 20 mm
    struct Row {
        unsigned long a, b;
        Pt shift;  // of b
    } rows[] = {{'B', '8', {2.37, 1.13}}, {'g', '&', {-1.71, 3.09}}, {'@', 'S', {1.9, 2.2}}};
    int crossings = 0;
    for (const Row& r : rows) {
        const std::string pairLabel = std::string(1, char(r.a)) + "/" + std::string(1, char(r.b));
        std::vector<std::unique_ptr<CGeCombCurve>> contours = GlyphComposites(font, r.a, kScale, {0, 0});
        const size_t fromB = contours.size();
        for (auto& c : GlyphComposites(font, r.b, kScale, r.shift)) contours.push_back(std::move(c));
        ASSERT_TRUE(fromB > 0 && contours.size() > fromB) << pairLabel;
        std::vector<std::vector<Pt>> flat;
        for (const auto& c : contours) flat.push_back(FlattenJoined(c.get(), 1e-8));

        // The cases: contours of a against contours of b, grid lines against
        // every contour. The grid's offsets miss the font's grid of 0.01.
        struct Case {
            CGeCurve* c1;
            CGeCurve* c2;
            std::string label;
            std::vector<Pt> want;
        };
        std::vector<Case> cases;
        for (size_t i = 0; i < fromB; ++i)
            for (size_t j = fromB; j < contours.size(); ++j)
                cases.push_back({contours[i].get(), contours[j].get(),
                                 pairLabel + " contours " + std::to_string(i) + "/" + std::to_string(j),
                                 oracle::PolylineCrossings(flat[i], flat[j], 1e-6, CrossExactly)});
        std::vector<std::unique_ptr<CGeCurve>> grid;
        for (int k = 0; k < 14; ++k) {
            const double x = -3.1037 + 1.7131 * k, y = -2.9113 + 1.6173 * k;
            const Pt ends[2][2] = {{{-4, y}, {26, y}}, {{x, -6}, {x, 26}}};  // horizontal, vertical
            for (const auto& e : ends) {
                const double p0[2] = {e[0].x, e[0].y}, p1[2] = {e[1].x, e[1].y};
                grid.push_back(std::make_unique<CGeLine>(p0, p1));
                for (size_t i = 0; i < contours.size(); ++i)
                    cases.push_back({grid.back().get(), contours[i].get(),
                                     pairLabel + " grid line " + std::to_string(grid.size()) + " contour " + std::to_string(i),
                                     oracle::PolylineCrossings({e[0], e[1]}, flat[i], 1e-6, CrossExactly)});
            }
        }

        for (const Case& c : cases) {
            crossings += int(c.want.size());
            for (int parallel = 0; parallel < 2; ++parallel) {
                const std::string label = c.label + (parallel ? " parallel" : " sequential");
                Records recs;
                QVN_GeCC_Inter::CurveCurve(c.c1, c.c2, &recs, parallel);
                const auto have = RecordPoints(recs, 1e-6);
                EXPECT_EQ(Unmatched(c.want, have, 1e-6), "") << label << ": crossings lost";
                EXPECT_EQ(Unmatched(have, c.want, 1e-6), "") << label << ": crossings invented";
            }
        }
    }
    EXPECT_GT(crossings, 400) << "the glyphs must overlap and the grid must cross them";
}

}  // namespace
