// Chaining loose 3D curves into loops, nesting and nearest-distance orders of
// CGeTool3D: the rows of the chaining rules, the indexed search against the plain
// reference on shuffled inputs, cancels, and glyph outlines of a system font.
#include "geometry/shapes3d/tests/ChainReference3D.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Point3D.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeLoop3d.h"
#include "geometry/shapes3d/GeTool3D.h"
#include "testing/GlyphOutlines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using chainref3d::Chain;
using chainref3d::Pt;

CGeLine3d* Line(double x0, double y0, double z0, double x1, double y1, double z1)
{
    double a[3] = {x0, y0, z0}, b[3] = {x1, y1, z1};
    return new CGeLine3d(a, b);
}

// Curve and loop lists that free what they still hold.
struct Lists {
    CGeCurve3dList curves;
    CGeLoop3dList loops;
    ~Lists()
    {
        geDelCurve3dList(&curves);
        geDelLoop3dList(&loops);
    }
    std::vector<CGeCurve3d*> Curves() const { return {curves.begin(), curves.end()}; }
    std::vector<Chain> Chains() const
    {
        std::vector<Chain> out;
        for (CGeLoop3d* l : loops) out.push_back(chainref3d::ChainOf(l));
        return out;
    }
};

// The square of side 10 at height z, counter-clockwise, one line per side.
void AddSquare(CGeCurve3dList& list, double x, double y, double side, double z = 0.0)
{
    list.AddTail(Line(x, y, z, x + side, y, z));
    list.AddTail(Line(x + side, y, z, x + side, y + side, z));
    list.AddTail(Line(x + side, y + side, z, x, y + side, z));
    list.AddTail(Line(x, y + side, z, x, y, z));
}

void ExpectLinked(const Chain& chain, double tol, const std::string& label)
{
    for (std::size_t i = 1; i < chain.size(); ++i)
        EXPECT_LT(P3D_Dist(chain[i - 1][1].data(), chain[i][0].data()), tol) << label << " joint " << i;
}

class Tool3dChainingTest : public ::testing::Test {
protected:
    void TearDown() override { widgra::testing::Reset(); }
    CGeTool3D tool;
};

TEST_F(Tool3dChainingTest, SquareChainsFromItsLowestSeed)
{
    // The seed is the line with the lowest start z: the second side starts lowest.
    struct Row {
        const char* label;
        bool closedOnly;
        bool reversed;  // the chain comes out against the seed's direction
    } rows[] = {{"closed only", true, false}, {"any chain", false, true}};
    for (const Row& row : rows) {
        Lists in;
        in.curves.AddTail(Line(0, 0, 1, 10, 0, 0.5));
        in.curves.AddTail(Line(10, 0, 0.5, 10, 10, 1));  // lowest start
        in.curves.AddTail(Line(10, 10, 1, 0, 10, 1));
        in.curves.AddTail(Line(0, 10, 1, 0, 0, 1));
        CGeCurve3d* seed = *std::next(in.curves.begin());
        tool.ReCreateLoop3d(&in.curves, &in.loops, 0.002, row.closedOnly, false);
        ASSERT_EQ(in.loops.GetCount(), 1) << row.label;
        EXPECT_TRUE(in.curves.IsEmpty()) << row.label;
        const Chain chain = in.Chains().front();
        ASSERT_EQ(chain.size(), 4u) << row.label;
        ExpectLinked(chain, 0.002, row.label);
        EXPECT_LT(P3D_Dist(chain.back()[1].data(), chain.front()[0].data()), 0.002) << row.label;
        CGeLoop3d* loop = in.loops.GetHead();
        if (!row.reversed) {
            EXPECT_EQ(loop->m_listCurve.GetHead(), seed) << row.label;
            EXPECT_EQ(chain[0][0], (Pt{10, 0, 0.5})) << row.label;
        } else {
            // After closing, the first miss reverses the chain and the second ends it.
            EXPECT_EQ(loop->m_listCurve.GetTail(), seed) << row.label;
            EXPECT_EQ(chain[3][1], (Pt{10, 0, 0.5})) << row.label;
        }
    }
}

TEST_F(Tool3dChainingTest, TJunctionTakesTheSmallestTurnAndClosedCurvesWithoutAngle)
{
    Lists in;
    in.curves.AddTail(Line(0, 0, 0, 10, 0, 0));     // seed
    in.curves.AddTail(Line(10, 0, 0, 10, 10, 0));   // left turn of 90 degrees
    in.curves.AddTail(Line(10, 0, 0, 20, 0.5, 0));  // nearly straight on
    tool.ReCreateLoop3d(&in.curves, &in.loops, 0.002, false, true);
    ASSERT_GE(in.loops.GetCount(), 1);
    // The seed and the straight-on piece chain; the turn is left for a chain of its own.
    const Chain first = in.Chains().front();
    ASSERT_EQ(first.size(), 2u);
    bool straightOn = false;
    for (const auto& m : first)
        straightOn |= (m[0] == Pt{10, 0, 0} && m[1] == Pt{20, 0.5, 0}) || (m[1] == Pt{10, 0, 0} && m[0] == Pt{20, 0.5, 0});
    EXPECT_TRUE(straightOn);
    EXPECT_EQ(in.loops.GetCount(), 2);
    EXPECT_EQ(in.curves.GetCount(), 3) << "copy mode leaves the input";

    // A closed curve at the chain end wins without an angle test, even against a
    // straight continuation listed before it.
    Lists closed;
    closed.curves.AddTail(Line(0, 0, 0, 10, 0, 0));
    closed.curves.AddTail(Line(10, 0, 0, 20, 0, 0));
    auto* circle = new CGeArc3d;
    double c[3] = {10, -3, 0};
    ASSERT_TRUE(circle->CreateArcXY(c, 3.0, 1.5707963267948966, 6.283185307179586));
    circle->DiscreteMe(gGetCrvShowDiscTol());
    closed.curves.AddTail(circle);
    tool.ReCreateLoop3d(&closed.curves, &closed.loops, 0.002, false, false);
    ASSERT_GE(closed.loops.GetCount(), 1);
    CGeLoop3d* loop = closed.loops.GetHead();
    bool circleFollowsFirst = false;
    CGeCurve3d* prev = nullptr;
    for (CGeCurve3d* m : loop->m_listCurve) {
        if (m == circle && prev && prev->GetType() == 0x800) circleFollowsFirst = true;
        prev = m;
    }
    EXPECT_TRUE(circleFollowsFirst);
}

TEST_F(Tool3dChainingTest, ShortClosedCurveIsReversedAndKept)
{
    // Ends meet but the length is below 2 tol: two misses reverse it, and it closes.
    Lists in;
    auto* arc = new CGeArc3d;
    double c[3] = {0, 0, 0};
    ASSERT_TRUE(arc->CreateArcXY(c, 0.0005, 0.0, 6.283185307179586));
    arc->DiscreteMe(1e-5);
    double s0[3];
    arc->GetStartPoint(s0);
    in.curves.AddTail(arc);
    tool.ReCreateLoop3d(&in.curves, &in.loops, 0.01, true, false);
    ASSERT_EQ(in.loops.GetCount(), 1);
    EXPECT_GT(in.loops.GetHead()->m_listCurve.GetHead()->EvTotalArcLength(), 0.0);
    // Reversed: its start tangent now runs clockwise.
    double t[3] = {0, 0, 0};
    in.loops.GetHead()->m_listCurve.GetHead()->GetStartTanVec(t);
    EXPECT_LT(t[1], 0.0);

    // A long closed curve is closed at once, not reversed.
    Lists longOne;
    auto* big = new CGeArc3d;
    ASSERT_TRUE(big->CreateArcXY(c, 5.0, 0.0, 6.283185307179586));
    big->DiscreteMe(gGetCrvShowDiscTol());
    longOne.curves.AddTail(big);
    tool.ReCreateLoop3d(&longOne.curves, &longOne.loops, 0.01, true, false);
    ASSERT_EQ(longOne.loops.GetCount(), 1);
    big->GetStartTanVec(t);
    EXPECT_GT(t[1], 0.0);
}

TEST_F(Tool3dChainingTest, OpenChainsWithClosedOnly)
{
    for (const bool copy : {true, false}) {
        const std::string label = copy ? "copy" : "move";
        Lists in;
        in.curves.AddTail(Line(0, 0, 0, 1, 0, 0));
        in.curves.AddTail(Line(1, 0, 0, 2, 1, 0));
        in.curves.AddTail(Line(5, 5, 0, 6, 5, 0));
        const std::vector<CGeCurve3d*> before = in.Curves();
        CGeLoop3d* earlier = new CGeLoop3d;
        in.loops.AddTail(earlier);
        tool.ReCreateLoop3d(&in.curves, &in.loops, 0.002, true, copy);
        ASSERT_EQ(in.loops.GetCount(), 1) << label;
        EXPECT_EQ(in.loops.GetHead(), earlier) << label;
        // Nothing destroyed: the caller's curves are all back (move mode) or untouched.
        std::vector<CGeCurve3d*> after = in.Curves();
        if (!copy) {
            std::sort(after.begin(), after.end());
            std::vector<CGeCurve3d*> sortedBefore = before;
            std::sort(sortedBefore.begin(), sortedBefore.end());
            EXPECT_EQ(after, sortedBefore) << label;
        } else {
            EXPECT_EQ(after, before) << label;
        }
    }
}

TEST_F(Tool3dChainingTest, CancelAfterPollsKeepsTheCallersLoopsAndCurves)
{
    for (const bool copy : {false, true}) {
        for (int polls = 0; polls < 12; ++polls) {
            const std::string label = (copy ? "copy" : "move") + std::string(" after ") + std::to_string(polls);
            Lists in;
            AddSquare(in.curves, 0, 0, 10);
            AddSquare(in.curves, 20, 0, 10);
            in.curves.AddTail(Line(50, 0, 0, 51, 0, 0));
            std::vector<CGeCurve3d*> before = in.Curves();
            std::sort(before.begin(), before.end());
            auto* earlier = new CGeLoop3d;
            earlier->AddTail(Line(-5, -5, 0, -4, -5, 0));
            in.loops.AddTail(earlier);
            widgra::testing::CancelAfterPolls(polls);
            tool.ReCreateLoop3d(&in.curves, &in.loops, 0.002, false, copy);
            const bool cancelled = widgra::testing::PollCount() > polls;  // the call saw the cancel
            widgra::testing::Reset();
            std::vector<CGeCurve3d*> after = in.Curves();
            std::sort(after.begin(), after.end());
            if (cancelled) {
                ASSERT_EQ(in.loops.GetCount(), 1) << label;
                EXPECT_EQ(in.loops.GetHead(), earlier) << label;
                EXPECT_EQ(earlier->m_listCurve.GetCount(), 1) << label;
                EXPECT_EQ(after, before) << label;
            } else {
                EXPECT_EQ(in.loops.GetCount(), 4) << label;
            }
        }
    }
}

// Closed polygons with jittered vertices at a few heights, cut into their edges with
// small gaps, shuffled, a third reversed; some polygons share vertices (junctions).
std::vector<CGeCurve3d*> ShuffledPolygons(std::mt19937& rng, int polygons, double gap)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<CGeCurve3d*> out;
    for (int k = 0; k < polygons; ++k) {
        const int sides = 3 + static_cast<int>(unit(rng) * 8);
        const double cx = (k % 30) * 3.0, cy = (k / 30) * 3.0, z = std::floor(unit(rng) * 3.0);
        std::vector<std::array<double, 3>> v;
        for (int i = 0; i < sides; ++i) {
            const double a = 6.283185307179586 * (i + 0.3 * unit(rng)) / sides;
            const double r = 1.0 + 0.4 * unit(rng);
            v.push_back({cx + r * std::cos(a), cy + r * std::sin(a), z});
        }
        for (int i = 0; i < sides; ++i) {
            auto a = v[static_cast<std::size_t>(i)], b = v[static_cast<std::size_t>((i + 1) % sides)];
            a[0] += gap * (unit(rng) - 0.5);
            a[1] += gap * (unit(rng) - 0.5);
            CGeCurve3d* line = Line(a[0], a[1], a[2], b[0], b[1], b[2]);
            if (unit(rng) < 0.33) line->Reverse();
            out.push_back(line);
        }
        // A spur at some polygons: a junction with two ways on.
        if (k % 7 == 0) out.push_back(Line(v[0][0], v[0][1], z, v[0][0] + 0.5, v[0][1] + 0.2, z));
    }
    std::shuffle(out.begin(), out.end(), rng);
    return out;
}

TEST_F(Tool3dChainingTest, IndexedChainingMatchesThePlainSearch)
{
    std::mt19937 rng(30);
    for (int round = 0; round < 6; ++round) {
        const bool closedOnly = round % 2 == 0;
        Lists in;
        for (CGeCurve3d* c : ShuffledPolygons(rng, 120, 0.001)) in.curves.AddTail(c);
        const auto expected = chainref3d::ReCreateLoop3d(in.Curves(), 0.002, closedOnly);
        tool.ReCreateLoop3d(&in.curves, &in.loops, 0.002, closedOnly, true);
        const auto got = in.Chains();
        ASSERT_GT(expected.size(), 50u) << "round " << round;
        ASSERT_EQ(got.size(), expected.size()) << "round " << round;
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << "round " << round << " chain " << i;
    }
}

TEST_F(Tool3dChainingTest, NestedSquaresSortIntoOuterLoopsAndDirectHoles)
{
    Lists in;
    // Innermost first and clockwise, so that both order and orientation must change.
    for (double side : {2.0, 10.0, 6.0}) {
        auto* loop = new CGeLoop3d;
        const double o = (10.0 - side) / 2;
        CGeCurve3dList sq;
        AddSquare(sq, o, o, side);
        for (CGeCurve3d* c : sq) loop->AddTail(c);
        if (side != 6.0) loop->Reverse();
        in.loops.AddTail(loop);
    }
    tool.ReSortLoop3d(&in.loops);
    ASSERT_EQ(in.loops.GetCount(), 3);
    const double expected[3] = {100.0, -36.0, 4.0};
    int i = 0;
    for (CGeLoop3d* loop : in.loops) {
        EXPECT_NEAR(loop->EvArea(gGetCrvDiscTol()), expected[i], 1e-9) << "loop " << i;
        ++i;
    }
    // A single clockwise loop is turned counter-clockwise.
    Lists one;
    auto* loop = new CGeLoop3d;
    CGeCurve3dList sq;
    AddSquare(sq, 0, 0, 3);
    for (CGeCurve3d* c : sq) loop->AddTail(c);
    loop->Reverse();
    one.loops.AddTail(loop);
    tool.ReSortLoop3d(&one.loops);
    EXPECT_NEAR(one.loops.GetHead()->EvArea(gGetCrvDiscTol()), 9.0, 1e-9);
}

TEST_F(Tool3dChainingTest, NearestDistanceOrders)
{
    // Curves: from p, the nearest start in XY each time; ties to the earlier curve.
    Lists in;
    in.curves.AddTail(Line(5, 0, 0, 6, 0, 0));
    in.curves.AddTail(Line(1, 0, 9, 2, 0, 0));  // z does not count
    in.curves.AddTail(Line(2, 0, 0, 3, 0, 0));
    in.curves.AddTail(Line(-1, 0, 0, -0.5, 0, 0));  // as near to p as the second, later
    const std::vector<CGeCurve3d*> c = in.Curves();
    double p[3] = {0.0, 0.0, 0.0};
    CObList* asObjects = static_cast<CObList*>(&in.curves);
    tool.NearestDistanceSort(p, asObjects);
    const std::vector<CGeCurve3d*> expected = {c[1], c[2], c[0], c[3]};
    EXPECT_EQ(in.Curves(), expected);
    EXPECT_EQ(p[0], -0.5) << "p ends at the last curve's end";

    // Loops: two loops stay as they are; with three, an end nearer than any start
    // reverses its loop.
    Lists two;
    for (int k = 0; k < 2; ++k) {
        auto* l = new CGeLoop3d;
        l->AddTail(Line(10.0 * (1 - k), 0, 0, 10.0 * (1 - k) + 1, 0, 0));
        two.loops.AddTail(l);
    }
    std::vector<CGeLoop3d*> twoBefore(two.loops.begin(), two.loops.end());
    tool.NearestDistanceSort(&two.loops, true, false);
    EXPECT_EQ(std::vector<CGeLoop3d*>(two.loops.begin(), two.loops.end()), twoBefore);

    Lists three;
    auto addLoop = [&](double x0, double x1, double z) {
        auto* l = new CGeLoop3d;
        l->AddTail(Line(x0, 0, z, x1, 0, z));
        three.loops.AddTail(l);
        return l;
    };
    CGeLoop3d* a = addLoop(0, 1, 0);
    CGeLoop3d* b = addLoop(9, 2, 0);   // its end (2) is nearest to a's end
    CGeLoop3d* d = addLoop(3, 4, 50);  // near in XY, far in 3D
    tool.NearestDistanceSort(&three.loops, true, false);
    EXPECT_EQ(std::vector<CGeLoop3d*>(three.loops.begin(), three.loops.end()), (std::vector<CGeLoop3d*>{a, b, d}));
    double s[3];
    b->GetStartPoint(s);
    EXPECT_EQ(s[0], 2.0) << "won at its end, so reversed";
}

// Glyph outlines exploded into lines, lifted to 3D, shuffled and partly reversed,
// chain back into their contours; the nesting follows the glyph's own containment.
TEST_F(Tool3dChainingTest, GlyphOutlinesChainBackAndNest)
{
    glyphs::GlyphReader reader;
    ASSERT_TRUE(reader.Ok());
    std::mt19937 rng(8);
    for (unsigned long code : {0x38ul, 0x25ul, 0xAEul, 0x42ul}) {
        const std::string label = "U+" + std::to_string(code);
        std::vector<glyphs::Contour> contours;
        ASSERT_TRUE(reader.Char(code, 0.01, contours)) << label;
        std::vector<std::vector<glyphs::Pt>> polygons;
        Lists in;
        for (const auto& contour : contours) {
            polygons.push_back(glyphs::Sample(contour, 6));
            const auto& poly = polygons.back();
            for (std::size_t i = 0; i < poly.size(); ++i) {
                const auto& a = poly[i];
                const auto& b = poly[(i + 1) % poly.size()];
                if (a == b) continue;
                CGeCurve3d* line = Line(a[0], a[1], 3.0, b[0], b[1], 3.0);
                if (rng() % 3 == 0) line->Reverse();
                in.curves.AddTail(line);
            }
        }
        std::vector<CGeCurve3d*> shuffled = in.Curves();
        std::shuffle(shuffled.begin(), shuffled.end(), rng);
        in.curves.RemoveAll();
        for (CGeCurve3d* c : shuffled) in.curves.AddTail(c);

        tool.ReCreateLoop3d(&in.curves, &in.loops, 0.002, true, false);
        EXPECT_TRUE(in.curves.IsEmpty()) << label;
        ASSERT_EQ(static_cast<std::size_t>(in.loops.GetCount()), polygons.size()) << label;

        // Depth of each contour by the glyph's own polygons (even-odd containment).
        auto inside = [](const std::vector<glyphs::Pt>& poly, double x, double y) {
            bool in = false;
            for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
                if ((poly[i][1] > y) != (poly[j][1] > y) &&
                    x < (poly[j][0] - poly[i][0]) * (y - poly[i][1]) / (poly[j][1] - poly[i][1]) + poly[i][0])
                    in = !in;
            }
            return in;
        };
        auto depthOf = [&](double x, double y, std::size_t self) {
            int depth = 0;
            for (std::size_t k = 0; k < polygons.size(); ++k)
                if (k != self && inside(polygons[k], x, y)) ++depth;
            return depth;
        };
        auto contourOf = [&](CGeLoop3d* loop) {
            double s[3];
            loop->GetStartPoint(s);
            for (std::size_t k = 0; k < polygons.size(); ++k)
                for (const auto& q : polygons[k])
                    if (std::hypot(q[0] - s[0], q[1] - s[1]) < 1e-9) return k;
            return polygons.size();
        };
        tool.ReSortLoop3d(&in.loops);
        std::size_t parent = polygons.size();
        std::set<std::size_t> seen;
        for (CGeLoop3d* loop : in.loops) {
            const std::size_t k = contourOf(loop);
            ASSERT_LT(k, polygons.size()) << label;
            EXPECT_TRUE(seen.insert(k).second) << label << " contour twice";
            const int depth = depthOf(polygons[k][0][0], polygons[k][0][1], k);
            EXPECT_EQ(loop->m_dArea > 0.0, depth % 2 == 0) << label << " contour " << k;
            if (depth % 2 == 0) {
                parent = k;
            } else {
                // A hole follows its outer loop directly.
                ASSERT_LT(parent, polygons.size()) << label;
                EXPECT_TRUE(inside(polygons[parent], polygons[k][0][0], polygons[k][0][1])) << label << " hole " << k;
            }
        }
    }
}

}  // namespace
