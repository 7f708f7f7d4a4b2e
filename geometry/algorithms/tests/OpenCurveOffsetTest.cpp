// Open-curve offsets by their properties: no result point lies closer to the
// input than the distance (modes 0 and 1, within the discretisation
// tolerances), offset pieces lie at the distance, the result does not cross
// itself, and in mode 1 it matches GEOS's offset curve with round joins
// (Hausdorff). Cases: an L both ways in every mode, gaps, closed inputs, a
// pinched closed input, short chords, a swallowtail, glyph outlines.
#include "geometry/algorithms/GeTool2D.h"

#include "framework/numerak/Box2D.h"
#include "geometry/algorithms/CurveIntersect.h"
#include "geometry/algorithms/OpenCurveOffsetDetail.h"
#include "geometry/algorithms/tests/CurveIntersectFixtures.h"
#include "geometry/shapes2d/GeLoop.h"
#include "testing/GeosOffsetCurve.h"
#include "testing/GlyphOutlines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

using namespace ccfix;

namespace {

using LoopList = CGeTool2D::LoopList;

// Discretisation of splines (0.01) and the result's thinning (0.01), with room for rounding.
constexpr double kTol = 0.021;

CGeLine* NewLine(Pt a, Pt b)
{
    const double p[2] = {a.x, a.y}, q[2] = {b.x, b.y};
    return new CGeLine(p, q);
}

// A loop of lines through the points, in order.
std::unique_ptr<CGeLoop> LinesLoop(const std::vector<Pt>& pts)
{
    auto loop = std::make_unique<CGeLoop>();
    for (size_t i = 1; i < pts.size(); ++i) loop->AddTail(NewLine(pts[i - 1], pts[i]), 0);
    return loop;
}

std::unique_ptr<CGeLoop> PolylineLoop(const std::vector<Pt>& pts)
{
    Spec s;
    s.kind = kPolyline;
    s.pts = pts;
    auto loop = std::make_unique<CGeLoop>();
    loop->AddTail(Build(s).release(), 0);
    return loop;
}

// The offsets of one loop; the test owns them.
struct Offsets {
    LoopList list;
    ~Offsets()
    {
        for (CGeLoop* l : list) delete l;
    }
};

void OffsetOne(CGeLoop* in, double dist, int mode, Offsets& out)
{
    LoopList input;
    input.AddTail(in);
    CGeTool2D tool;
    tool.OpenCurveOffset(&input, dist, mode, &out.list);
}

// The curve flattened into one polyline (runs joined).
std::vector<Pt> Flat(CGeCurve* c, double tol = 1e-4)
{
    std::vector<Pt> pts;
    for (const auto& run : FlattenCurve(c, tol))
        for (const Pt& p : run)
            if (pts.empty() || oracle::Dist(pts.back(), p) > 1e-12) pts.push_back(p);
    return pts;
}

double PolyDistance(Pt p, const std::vector<Pt>& poly)
{
    double best = INFINITY;
    for (size_t i = 1; i < poly.size(); ++i) best = std::min(best, oracle::SegmentDist(p, poly[i - 1], poly[i]));
    return best;
}

// Points every `step` along the polyline, its vertices included.
std::vector<Pt> Dense(const std::vector<Pt>& poly, double step)
{
    std::vector<Pt> out;
    for (size_t i = 1; i < poly.size(); ++i) {
        const double len = oracle::Dist(poly[i - 1], poly[i]);
        const int n = std::max(1, int(std::ceil(len / step)));
        for (int k = 0; k < n; ++k) {
            const double u = double(k) / n;
            out.push_back({poly[i - 1].x + u * (poly[i].x - poly[i - 1].x), poly[i - 1].y + u * (poly[i].y - poly[i - 1].y)});
        }
    }
    if (!poly.empty()) out.push_back(poly.back());
    return out;
}

// Proper crossings of non-neighbouring segments of the polyline (a closed
// one's first and last segments are neighbours); "" when there are none.
std::string SelfCrossings(const std::vector<Pt>& poly, bool closed)
{
    const size_t n = poly.size() < 2 ? 0 : poly.size() - 1;
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 2; j < n; ++j) {
            if (closed && i == 0 && j == n - 1) continue;
            const Pt a = poly[i], b = poly[i + 1], c = poly[j], d = poly[j + 1];
            const double den = (b.x - a.x) * (d.y - c.y) - (b.y - a.y) * (d.x - c.x);
            if (den == 0.0) continue;
            const double u = ((c.x - a.x) * (d.y - c.y) - (c.y - a.y) * (d.x - c.x)) / den;
            const double v = ((c.x - a.x) * (b.y - a.y) - (c.y - a.y) * (b.x - a.x)) / den;
            if (u > 1e-9 && u < 1 - 1e-9 && v > 1e-9 && v < 1 - 1e-9)
                return "segments " + std::to_string(i) + " and " + std::to_string(j) + " cross at (" +
                       std::to_string(a.x + u * (b.x - a.x)) + ", " + std::to_string(a.y + u * (b.y - a.y)) + ")";
        }
    return "";
}

struct Check {
    double nearest = INFINITY;  // least distance of a result point from the input
    double farthest = 0.0;      // largest such distance
    std::string crossing;       // a self-crossing of the result, or ""
};

// Points the distance checks leave out (none by default).
struct Skip {
    Pt a, b;
    double r = -1.0;
    bool operator()(Pt p) const { return r > 0 && (oracle::Dist(p, a) < r || oracle::Dist(p, b) < r); }
};

// The result sampled densely against the input.
Check Measure(CGeLoop* in, CGeLoop* result, const Skip& skip = {})
{
    Check c;
    const std::vector<Pt> input = Flat(in);
    const std::vector<Pt> res = Flat(result);
    for (const Pt& p : Dense(res, 0.1)) {
        if (skip(p)) continue;
        const double d = PolyDistance(p, input);
        c.nearest = std::min(c.nearest, d);
        c.farthest = std::max(c.farthest, d);
    }
    c.crossing = SelfCrossings(res, result->IsLoop(1e-6) != 0);
    return c;
}

geospeer::Polyline ToGeos(const std::vector<Pt>& pts)
{
    geospeer::Polyline out;
    for (const Pt& p : pts) out.push_back({p.x, p.y});
    return out;
}

// The largest distance of a point of a (its vertices and points every 0.1) from the polyline b.
double Directed(const std::vector<Pt>& a, const std::vector<Pt>& b, const Skip& skip)
{
    double worst = 0.0;
    for (const Pt& p : Dense(a, 0.1))
        if (!skip(p)) worst = std::max(worst, PolyDistance(p, b));
    return worst;
}

// Distances of the result to GEOS's offset with round joins: from the result
// to GEOS's parts, and from GEOS's parts to the result (a closed input that
// pinches keeps one lobe of ours, so the second is measured only when GEOS
// gives one part).
struct ToGeosDistance {
    double fromOurs = INFINITY, fromGeos = INFINITY;
    size_t parts = 0;
};
ToGeosDistance CompareWithGeos(CGeLoop* in, CGeLoop* result, double dist, const Skip& skip = {})
{
    geospeer::OffsetCurve geos;
    const auto parts = geos.Offset(ToGeos(Flat(in, 1e-4)), dist, 64);
    ToGeosDistance d;
    d.parts = parts.size();
    if (parts.empty()) return d;
    const std::vector<Pt> ours = Flat(result);
    std::vector<std::vector<Pt>> theirs;
    for (const auto& part : parts) {
        theirs.emplace_back();
        for (const auto& q : part) theirs.back().push_back({q[0], q[1]});
    }
    d.fromOurs = 0.0;
    for (const Pt& p : Dense(ours, 0.1)) {
        if (skip(p)) continue;
        double best = INFINITY;
        for (const auto& g : theirs) best = std::min(best, PolyDistance(p, g));
        d.fromOurs = std::max(d.fromOurs, best);
    }
    if (theirs.size() == 1) d.fromGeos = Directed(theirs[0], ours, skip);
    return d;
}

double HausdorffToGeos(CGeLoop* in, CGeLoop* result, double dist)
{
    const ToGeosDistance d = CompareWithGeos(in, result, dist);
    return std::max(d.fromOurs, d.fromGeos);
}

bool OnResult(CGeLoop* result, Pt p, double tol) { return PolyDistance(p, Flat(result)) < tol; }

TEST(OpenCurveOffsetTest, TheLInEveryMode)
{
    // Travel +x then +y: the left side (positive distance) is inside the corner.
    const std::vector<Pt> l = {{0, 0}, {10, 0}, {10, 10}};
    struct Row {
        const char* label;
        double dist;
        int mode;
        Pt corner;  // a point the result passes at the corner
        bool atDistance;  // every result point at |dist| (no extension corners)
    };
    const double h = std::sqrt(0.5);
    const Row rows[] = {
        {"inward, mode 0", 1, 0, {9, 1}, true},
        {"inward, mode 1", 1, 1, {9, 1}, true},
        {"inward, mode 2", 1, 2, {9, 1}, true},
        {"outward, mode 0: extended to meet", -1, 0, {11, -1}, false},
        {"outward, mode 1: tangent arc", -1, 1, {10 + h, -h}, true},
        {"outward, mode 2: bridge line", -1, 2, {10.5, -0.5}, false},
    };
    for (const Row& r : rows) {
        auto in = LinesLoop(l);
        Offsets out;
        OffsetOne(in.get(), r.dist, r.mode, out);
        ASSERT_EQ(out.list.GetCount(), 1) << r.label;
        CGeLoop* res = out.list.GetHead();
        EXPECT_TRUE(res->IsLinked(1e-6)) << r.label;
        EXPECT_TRUE(OnResult(res, r.corner, 1e-3)) << r.label;
        const Check c = Measure(in.get(), res);
        if (r.mode != 2) {
            EXPECT_GT(c.nearest, 1.0 - kTol) << r.label;
        }
        if (r.atDistance) {
            EXPECT_LT(c.farthest, 1.0 + kTol) << r.label;
        }
        EXPECT_EQ(c.crossing, "") << r.label;
        if (r.mode == 1) {
            EXPECT_LT(HausdorffToGeos(in.get(), res, r.dist), kTol) << r.label;
        }
        // The input is not changed.
        double e[2];
        in->GetEndPoint(e);
        EXPECT_EQ(e[0], 10.0) << r.label;
        EXPECT_EQ(e[1], 10.0) << r.label;
    }
    // Any other mode leaves the outward gap open.
    auto in = LinesLoop(l);
    Offsets out;
    OffsetOne(in.get(), -1, 7, out);
    ASSERT_EQ(out.list.GetCount(), 1);
    EXPECT_FALSE(out.list.GetHead()->IsLinked(0.5));

    // A hairpin offset on its inner side: the tangent arc from the first
    // piece's end would sweep more than a half turn, so none is made.
    auto hairpin = LinesLoop({{0, 0}, {10, 0}, {0, -1}});
    Offsets arcOut, lineOut;
    OffsetOne(hairpin.get(), -1, 1, arcOut);
    OffsetOne(hairpin.get(), -1, 2, lineOut);
    ASSERT_EQ(arcOut.list.GetCount(), 1);
    ASSERT_EQ(lineOut.list.GetCount(), 1);
    EXPECT_FALSE(arcOut.list.GetHead()->IsLinked(0.5)) << "no arc over a half turn";
    EXPECT_TRUE(lineOut.list.GetHead()->IsLinked(1e-6)) << "a line bridges the same gap";
}

TEST(OpenCurveOffsetTest, SmallGapsAreClosedOrLeft)
{
    struct Row {
        const char* label;
        double gap;
    };
    const Row rows[] = {{"gap 0.0099 is joined", 0.0099}, {"gap 1e-7 is left", 1e-7}};
    for (const Row& r : rows) {
        auto in = std::make_unique<CGeLoop>();
        in->AddTail(NewLine({0, 0}, {10, 0}), 0);
        in->AddTail(NewLine({10 + r.gap, 0}, {10 + r.gap, 10}), 0);
        Offsets out;
        OffsetOne(in.get(), -1, 1, out);
        ASSERT_EQ(out.list.GetCount(), 1) << r.label;
        EXPECT_TRUE(out.list.GetHead()->IsLinked(1e-6)) << r.label;
        const Check c = Measure(in.get(), out.list.GetHead());
        EXPECT_GT(c.nearest, 1 - kTol) << r.label;
        EXPECT_LT(c.farthest, 1 + kTol) << r.label;
    }
}

TEST(OpenCurveOffsetTest, ClosedInputs)
{
    const std::vector<Pt> square = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
    // Two squares joined by a corridor 2 wide: an inward offset of 1.5 pinches it.
    const std::vector<Pt> dumbbell = {{0, 0},   {10, 0},  {10, 4}, {20, 4},  {20, 0}, {30, 0}, {30, 10},
                                      {20, 10}, {20, 6},  {10, 6}, {10, 10}, {0, 10}, {0, 0}};
    struct Row {
        const char* label;
        const std::vector<Pt>* pts;
        double dist;
        int mode;
        double xmin, xmax;  // the result's extent in x
    };
    const Row rows[] = {
        {"square inward", &square, 1, 1, 1, 9},
        {"square outward, round corners", &square, -1, 1, -1, 11},
        {"square outward, extended corners", &square, -1, 0, -1, 11},
        // The chain starts in the left lobe; its first crossing leaves the
        // longer stretch on the right lobe's side, which is kept. It bulges
        // into the corridor's mouth between arcs about the mouth's corners.
        {"pinched into two lobes", &dumbbell, 1.5, 1, 20 + std::sqrt(1.25), 28.5},
    };
    for (const Row& r : rows) {
        auto in = LinesLoop(*r.pts);
        Offsets out;
        OffsetOne(in.get(), r.dist, r.mode, out);
        ASSERT_EQ(out.list.GetCount(), 1) << r.label;
        CGeLoop* res = out.list.GetHead();
        EXPECT_TRUE(res->IsLoop(1e-6)) << r.label;
        BOX2<double> box;
        res->GetBox2d(&box);
        EXPECT_NEAR(box.xmin, r.xmin, 1e-6) << r.label;
        EXPECT_NEAR(box.xmax, r.xmax, 1e-6) << r.label;
        const Check c = Measure(in.get(), res);
        EXPECT_GT(c.nearest, std::fabs(r.dist) - kTol) << r.label;
        if (r.mode == 1) {
            EXPECT_LT(c.farthest, std::fabs(r.dist) + kTol) << r.label;
        }
        EXPECT_EQ(c.crossing, "") << r.label;
    }
}

// A bump of radius 1 in 24 chords between two straight runs: offset towards
// its centre by 2, the chord offsets fold over into a swallowtail that must be
// cut away.
std::vector<Pt> Bump()
{
    std::vector<Pt> bump = {{-6, 0}};
    for (int i = 0; i <= 24; ++i) {
        const double a = std::numbers::pi * (1 - i / 24.0);
        bump.push_back({std::cos(a), std::sin(a)});
    }
    bump.push_back({6, 0});
    return bump;
}

TEST(OpenCurveOffsetTest, ShortChordsAndSwallowtails)
{
    // A polyline with vertices 1e-7 apart: the short chords merge into the next.
    std::vector<Pt> stutter = {{0, 0}, {5, 0}, {5 + 1e-7, 0}, {5 + 2e-7, 1e-7}, {10, 0}, {10, 8}};
    const std::vector<Pt> bump = Bump();
    // An S of two arcs, offset by more than its radius on either side.
    struct Row {
        const char* label;
        const std::vector<Pt>* pts;
        double dist;
        int mode;
    };
    const Row rows[] = {
        {"chords under 1e-6, left", &stutter, 1, 1},
        {"chords under 1e-6, right", &stutter, -1, 1},
        {"swallowtail, mode 1", &bump, -2, 1},
        {"swallowtail, mode 0", &bump, -2, 0},
        {"bump outside, mode 1", &bump, 2, 1},
    };
    for (const Row& r : rows) {
        auto in = PolylineLoop(*r.pts);
        Offsets out;
        OffsetOne(in.get(), r.dist, r.mode, out);
        ASSERT_EQ(out.list.GetCount(), 1) << r.label;
        CGeLoop* res = out.list.GetHead();
        const Check c = Measure(in.get(), res);
        EXPECT_GT(c.nearest, std::fabs(r.dist) - kTol) << r.label;
        EXPECT_EQ(c.crossing, "") << r.label;
        if (r.mode == 1) {
            EXPECT_LT(HausdorffToGeos(in.get(), res, r.dist), kTol) << r.label;
        }
    }
}

TEST(OpenCurveOffsetTest, EllipseAndSplineMembersAreOffsetChordByChord)
{
    Spec e;
    e.kind = kEllipse;
    e.centre = {0, 0};
    e.r = 5;
    e.b = 3;
    e.a0 = 0.2;
    e.dir = 1;
    Spec b;
    b.kind = kBezier;
    b.pts = {{0, 0}, {3, 5}, {7, -5}, {10, 0}};
    for (const Spec* s : {&e, &b}) {
        for (double dist : {0.5, -0.5}) {
            char label[64];
            std::snprintf(label, sizeof label, "%s at %g", kKindNames[s->kind], dist);
            auto in = std::make_unique<CGeLoop>();
            in->AddTail(Build(*s).release(), 0);
            Offsets out;
            OffsetOne(in.get(), dist, 1, out);
            ASSERT_EQ(out.list.GetCount(), 1) << label;
            const Check c = Measure(in.get(), out.list.GetHead());
            EXPECT_GT(c.nearest, 0.5 - kTol) << label;
            EXPECT_LT(c.farthest, 0.5 + kTol) << label;
            EXPECT_EQ(c.crossing, "") << label;
        }
    }
}

TEST(OpenCurveOffsetTest, NullAndEmptyInput)
{
    CGeTool2D tool;
    LoopList in, out;
    tool.OpenCurveOffset(nullptr, 1, 1, &out);
    tool.OpenCurveOffset(&in, 1, 1, nullptr);
    in.AddTail(nullptr);
    CGeLoop empty;
    in.AddTail(&empty);
    tool.OpenCurveOffset(&in, 1, 1, &out);
    EXPECT_EQ(out.GetCount(), 0);
    CGeTool2D::CurveList none;
    EXPECT_EQ(tool.SplitCurveOnIntPt(nullptr), 0);
    EXPECT_EQ(tool.SplitCurveOnIntPt(&none), 0);
}

TEST(OpenCurveOffsetTest, SplitCurveOnIntPtCutsAtCrossings)
{
    CGeTool2D tool;
    CGeTool2D::CurveList list;
    // A horizontal line crossed by two verticals at different parameters, the
    // second crossing shared by a third line: each crossing cuts once, and no
    // record of an earlier pair is taken for a later one.
    list.AddTail(NewLine({0, 0}, {10, 0}));
    list.AddTail(NewLine({3, -1}, {3, 3}));
    list.AddTail(NewLine({7, -2}, {7, 1}));
    list.AddTail(NewLine({6, -1}, {8, 1}));
    EXPECT_EQ(tool.SplitCurveOnIntPt(&list), 1);
    std::vector<std::pair<Pt, Pt>> pieces;
    for (CGeCurve* c : list) {
        double s[2], e[2];
        c->GetStartPoint(s);
        c->GetEndPoint(e);
        pieces.push_back({{s[0], s[1]}, {e[0], e[1]}});
    }
    DeleteOwnedList(list);
    // The horizontal line keeps its place as its first piece; its other pieces follow it.
    const std::vector<std::pair<Pt, Pt>> want = {
        {{0, 0}, {3, 0}}, {{3, 0}, {7, 0}}, {{7, 0}, {10, 0}}, {{3, -1}, {3, 0}}, {{3, 0}, {3, 3}},
        {{7, -2}, {7, 0}}, {{7, 0}, {7, 1}}, {{6, -1}, {7, 0}}, {{7, 0}, {8, 1}}};
    ASSERT_EQ(pieces.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_LT(oracle::Dist(pieces[i].first, want[i].first), 1e-9) << "piece " << i;
        EXPECT_LT(oracle::Dist(pieces[i].second, want[i].second), 1e-9) << "piece " << i;
    }
}

// Opens the offset's steps.
class OffsetSteps : public CGeTool2D {
public:
    using CGeTool2D::BridgeCurve;
    using CGeTool2D::BridgeCurveList;
    using CGeTool2D::EvCurveIntPt;
    using CGeTool2D::GenRawOffsetCurve;
};

TEST(OpenCurveOffsetTest, TrimmedArcThatKeepsNothingLeavesTheListForALine)
{
    // The line crosses the arc 0.00005 into its parameter: cutting the arc's
    // end there keeps no piece of it.
    const double c[2] = {0, 0};
    auto* arc = new CGeArc();
    arc->CreateCSEAngle(c, 1.0, 0.0, std::numbers::pi / 2);
    const double y = std::sin(0.00005 * std::numbers::pi / 2);
    CGeTool2D::CurveList list;
    list.AddTail(arc);
    list.AddTail(NewLine({0.5, y}, {2, y}));
    OffsetSteps tool;
    EXPECT_EQ(tool.BridgeCurve(&list, list.GetHeadPosition(), list.GetTailPosition(), 1.0, 1), nullptr);
    ASSERT_EQ(list.GetCount(), 2);
    CGeCurve* first = list.GetHead();
    CGeCurve* second = list.GetTail();
    EXPECT_EQ(first->GetType(), 0x2) << "a line in the arc's place";
    double s[2], e[2], t[2];
    first->GetStartPoint(s);
    first->GetEndPoint(e);
    second->GetStartPoint(t);
    EXPECT_NEAR(s[0], 1.0, 1e-12);
    EXPECT_NEAR(s[1], 0.0, 1e-12);
    EXPECT_NEAR(e[1], y, 1e-9);
    EXPECT_NEAR(oracle::Dist({e[0], e[1]}, {t[0], t[1]}), 0.0, 1e-9) << "both pieces meet at the crossing";
    DeleteOwnedList(list);
}

// A glyph contour as a loop of lines and splines; `open` leaves out the closing segment.
std::unique_ptr<CGeLoop> GlyphLoop(const glyphs::Contour& contour, bool open)
{
    auto loop = std::make_unique<CGeLoop>();
    const auto& segs = contour.segments;
    for (size_t i = 0; i + (open ? 1 : 0) < segs.size(); ++i) {
        const auto& s = segs[i];
        if (!s.cubic) {
            loop->AddTail(NewLine({s.p[0][0], s.p[0][1]}, {s.p[1][0], s.p[1][1]}), 0);
            continue;
        }
        Spec b;
        b.kind = kBezier;
        for (const auto& p : s.p) b.pts.push_back({p[0], p[1]});
        loop->AddTail(Build(b).release(), 0);
    }
    return loop;
}

// Glyph contours of DejaVu Sans, opened at a point, both signs, three distances.
TEST(OpenCurveOffsetTest, GlyphContours)
{
    glyphs::GlyphReader reader;
    ASSERT_TRUE(reader.Ok());
    int cases = 0, whole = 0;
    for (unsigned long ch : {'a', 'S', 'g', '8'}) {
        std::vector<glyphs::Contour> contours;
        ASSERT_TRUE(reader.Char(ch, 0.05, contours));
        for (size_t k = 0; k < contours.size(); ++k) {
            const auto& segs = contours[k].segments;
            if (segs.size() < 3) continue;
            for (double dist : {0.3, 1.0, 3.0})
                for (double sign : {1.0, -1.0}) {
                    char label[64];
                    std::snprintf(label, sizeof label, "glyph %c contour %zu at %g", char(ch), k, sign * dist);
                    // Opened at a point: the closing segment is left out.
                    auto in = GlyphLoop(contours[k], true);
                    Offsets out;
                    OffsetOne(in.get(), sign * dist, 1, out);
                    ASSERT_EQ(out.list.GetCount(), 1) << label;
                    CGeLoop* res = out.list.GetHead();
                    // The offset is not trimmed against input it never crosses:
                    // near the opening each end's offset passes the other end.
                    double s0[2], e0[2];
                    in->GetStartPoint(s0);
                    in->GetEndPoint(e0);
                    const Skip skip{{s0[0], s0[1]}, {e0[0], e0[1]}, 2 * dist + std::hypot(s0[0] - e0[0], s0[1] - e0[1])};
                    const Check c = Measure(in.get(), res, skip);
                    EXPECT_GT(c.nearest, dist - kTol) << label;
                    EXPECT_EQ(c.crossing, "") << label;
                    const ToGeosDistance g = CompareWithGeos(in.get(), res, sign * dist, skip);
                    EXPECT_LT(g.fromOurs, kTol) << label;
                    if (g.parts == 1) {
                        EXPECT_LT(g.fromGeos, kTol) << label;
                        ++whole;
                    }
                    ++cases;
                }
        }
    }
    EXPECT_GT(cases, 30);
    // The same contours closed, starting at a corner or a smooth point as the
    // font has them: the crossing at the seam is cut off as a loop.
    for (unsigned long ch : {'a', 'S', 'g', '8'}) {
        std::vector<glyphs::Contour> contours;
        ASSERT_TRUE(reader.Char(ch, 0.05, contours));
        for (size_t k = 0; k < contours.size(); ++k)
            for (double dist : {0.3, 1.0, 3.0})
                for (double sign : {1.0, -1.0}) {
                    char label[64];
                    std::snprintf(label, sizeof label, "closed glyph %c contour %zu at %g", char(ch), k, sign * dist);
                    auto in = GlyphLoop(contours[k], false);
                    Offsets out;
                    OffsetOne(in.get(), sign * dist, 1, out);
                    ASSERT_EQ(out.list.GetCount(), 1) << label;
                    CGeLoop* res = out.list.GetHead();
                    // A loop cut off at the seam leaves the ends within the
                    // continuation tolerance (0.005 on each axis) of each other.
                    EXPECT_TRUE(res->IsLoop(0.01)) << label;
                    const Check c = Measure(in.get(), res);
                    EXPECT_GT(c.nearest, dist - kTol) << label;
                    EXPECT_EQ(c.crossing, "") << label;
                }
    }
    EXPECT_GT(whole, cases / 2) << "too few whole offsets to compare both ways";
}

using CutRecords = CArray<_tagGeIsectPt, _tagGeIsectPt>;

// The cut search as a plain loop over all pairs in list order: each curve with
// every later one whose box meets its box within the tolerance, each pair
// intersected into an emptied array, records off the pieces' ends kept.
void AllPairsCuts(CGeTool2D::CurveList& list, CutRecords& out)
{
    std::vector<CGeCurve*> curves;
    for (CGeCurve* c : list) {
        c->CalcBox2d();
        curves.push_back(c);
    }
    auto add = [&out](CGeCurve* c, double t, const double* p) {
        if (!(t > offsetcut::kEndParam && t < offsetcut::kEndParamHigh)) return;
        _tagGeIsectPt r;
        r.pCurve = c;
        r.t = t;
        r.pt.Set2(p);
        out.Add(r);
    };
    QVN_GeCC_Inter::IntPntArray recs;
    for (size_t i = 0; i < curves.size(); ++i)
        for (size_t j = i + 1; j < curves.size(); ++j) {
            BOX2<double> a, b;
            curves[i]->GetBox2d(&a);
            curves[j]->GetBox2d(&b);
            if (!BOX2D_IsInt(&a, &b, offsetcut::kPieceBoxTol)) continue;
            recs.RemoveAll();
            QVN_GeCC_Inter::CurveCurve(curves[i], curves[j], &recs, 0);
            for (INT_PTR k = 0; k < recs.GetSize(); ++k) {
                add(curves[i], recs[k].para1, recs[k].pt);
                add(curves[j], recs[k].para2, recs[k].pt);
            }
        }
}

// The offset pieces of a loop as the cut search receives them: offset member
// by member, gaps bridged, a closed loop's seam bridged too.
void BridgedPieces(CGeLoop* in, double dist, int mode, CGeTool2D::CurveList& pieces)
{
    OffsetSteps tool;
    tool.GenRawOffsetCurve(&in->GetCurveList(), dist, &pieces);
    if (pieces.IsEmpty()) return;
    tool.BridgeCurveList(&pieces, dist, mode);
    if (in->IsLoop(1e-6))
        if (CGeCurve* bridge = tool.BridgeCurve(&pieces, pieces.GetTailPosition(), pieces.GetHeadPosition(), dist, mode))
            pieces.AddTail(bridge);
}

// The box sweep finds the same cut points as the all-pairs loop, in the same
// order (curve, parameter and point bit for bit); the number of cuts found.
size_t ExpectSameCuts(CGeLoop* in, double dist, int mode, const char* label)
{
    CGeTool2D::CurveList pieces;
    BridgedPieces(in, dist, mode, pieces);
    CutRecords swept, plain;
    OffsetSteps tool;
    tool.EvCurveIntPt(&pieces, swept);
    AllPairsCuts(pieces, plain);
    EXPECT_EQ(swept.GetSize(), plain.GetSize()) << label;
    for (INT_PTR i = 0; i < std::min(swept.GetSize(), plain.GetSize()); ++i) {
        const _tagGeIsectPt &a = swept[i], &b = plain[i];
        if (a.pCurve == b.pCurve && a.t == b.t && a.pt.x == b.pt.x && a.pt.y == b.pt.y) continue;
        ADD_FAILURE() << label << ": cut " << i << " of " << plain.GetSize() << " differs";
        break;
    }
    DeleteOwnedList(pieces);
    return size_t(plain.GetSize());
}

TEST(OpenCurveOffsetTest, BoxSweepFindsTheCutsOfAllPairs)
{
    size_t cuts = 0;
    // Random walks of unit steps: smooth ones that curl now and then, jagged
    // ones that cross themselves often, and walks on the unit grid whose
    // pieces share left edges and meet box to box exactly.
    struct Walk {
        const char* label;
        double turn;  // largest turn a step (radians); 0 for the grid
    };
    const Walk walks[] = {{"smooth walk", 0.3}, {"jagged walk", 2.5}, {"grid walk", 0.0}};
    for (const Walk& w : walks)
        for (unsigned seed = 1; seed <= 3; ++seed) {
            std::mt19937 rng(seed);
            std::uniform_real_distribution<double> turn(-w.turn, w.turn);
            std::vector<Pt> pts = {{0, 0}};
            double heading = 0.0;
            for (int i = 0; i < 300; ++i) {
                heading = w.turn > 0 ? heading + turn(rng) : std::numbers::pi / 2 * double(rng() % 4);
                pts.push_back({pts.back().x + std::round(1e6 * std::cos(heading)) / 1e6,
                               pts.back().y + std::round(1e6 * std::sin(heading)) / 1e6});
            }
            for (int mode = 0; mode < 3; ++mode)
                for (double dist : {0.5, -0.25}) {
                    char label[64];
                    std::snprintf(label, sizeof label, "%s seed %u mode %d at %g", w.label, seed, mode, dist);
                    auto in = PolylineLoop(pts);
                    cuts += ExpectSameCuts(in.get(), dist, mode, label);
                }
        }
    // The swallowtail of a bump offset towards its centre.
    for (int mode = 0; mode < 3; ++mode) {
        char label[64];
        std::snprintf(label, sizeof label, "swallowtail mode %d", mode);
        auto in = PolylineLoop(Bump());
        cuts += ExpectSameCuts(in.get(), -2, mode, label);
    }
    // Glyph contours of DejaVu Sans, opened and closed.
    glyphs::GlyphReader reader;
    ASSERT_TRUE(reader.Ok());
    for (unsigned long ch : {'a', 'S', 'g', '8'}) {
        std::vector<glyphs::Contour> contours;
        ASSERT_TRUE(reader.Char(ch, 0.05, contours));
        for (size_t k = 0; k < contours.size(); ++k)
            for (bool open : {true, false})
                for (double dist : {0.3, 1.0, -1.0, 3.0, -3.0}) {
                    char label[64];
                    std::snprintf(label, sizeof label, "glyph %c contour %zu %s at %g", char(ch), k,
                                  open ? "open" : "closed", dist);
                    auto in = GlyphLoop(contours[k], open);
                    cuts += ExpectSameCuts(in.get(), dist, 1, label);
                }
    }
    EXPECT_GT(cuts, 1000u) << "too few cut points to compare";
}

}  // namespace
