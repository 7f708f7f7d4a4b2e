// Linking curves that meet end to end into composites. Oracles: the vertex
// sequences the exploded polylines and glyph contours were made from.
#include "GlyphPoints.h"
#include "LoopFixtures.h"

#include "geometry/shapes2d/GeCombCurve.h"

#include <string>

namespace {

using namespace looptest;
using Pt = glyphpoints::Pt;

// The vertices a composite passes through: each member's start, then the last end.
std::vector<Pt> Vertices(CGeCurve* c)
{
    std::vector<Pt> out;
    auto* comb = dynamic_cast<CGeCombCurve*>(c);
    if (!comb) return out;
    double p[2] = {0.0, 0.0};
    for (CGeCurve* m : comb->GetCurveList()) {
        m->GetStartPoint(p);
        out.push_back({p[0], p[1]});
    }
    comb->GetEndPoint(p);
    out.push_back({p[0], p[1]});
    return out;
}

bool Near(const Pt& a, const Pt& b) { return std::hypot(a[0] - b[0], a[1] - b[1]) < 1e-9; }

// Whether got runs through want (forwards or backwards); for a closed
// sequence (first == last) any starting vertex will do.
bool SameChain(const std::vector<Pt>& got, std::vector<Pt> want, bool closed)
{
    if (got.size() != want.size()) return false;
    for (int dir = 0; dir < 2; ++dir) {
        const std::size_t shifts = closed ? want.size() - 1 : 1;
        for (std::size_t k = 0; k < shifts; ++k) {
            bool all = true;
            for (std::size_t i = 0; i < got.size() && all; ++i) {
                const std::size_t j = closed ? (i + k) % (want.size() - 1) : i;
                all = Near(got[i], want[j]);
            }
            if (all) return true;
        }
        std::reverse(want.begin(), want.end());
    }
    return false;
}

// Segments through the vertices, in order.
void Explode(const std::vector<Pt>& v, CurveList& out)
{
    for (std::size_t i = 1; i < v.size(); ++i) out.AddTail(Line(v[i - 1][0], v[i - 1][1], v[i][0], v[i][1]));
}

class CurveLinkingTest : public LoopTest {};

TEST_F(CurveLinkingTest, ExplodedPolylinesLinkBackThroughTheirVertices)
{
    struct Case {
        const char* label;
        std::vector<Pt> vertices;
        bool closed;
    };
    const Case cases[] = {
        {"open zigzag", {{0, 0}, {1, 2}, {2, 0}, {3, 2}, {4, 0}, {6, 1}, {5, 3}}, false},
        {"closed polygon", {{0, 0}, {4, 0}, {5, 2}, {3, 5}, {-1, 3}, {0, 0}}, true},
        {"vertical run", {{1, 0}, {1, 1}, {1, 2}, {1, 4}, {1, 9}}, false},
    };
    for (const Case& c : cases) {
        for (unsigned seed = 1; seed <= 3; ++seed) {
            OwnedCurves curves;
            Explode(c.vertices, curves.list);
            ShuffleAndReverse(curves.list, seed);
            std::vector<CGeCurve*> before;
            std::vector<Pt> ends;
            for (CGeCurve* k : curves.list) {
                before.push_back(k);
                double s[2], e[2];
                k->GetStartPoint(s);
                k->GetEndPoint(e);
                ends.push_back({s[0], s[1]});
                ends.push_back({e[0], e[1]});
            }
            OwnedCurves out;
            CGeTool2D().AxisCrvToComCrv(&curves.list, &out.list);
            const std::string label = std::string(c.label) + " seed " + std::to_string(seed);
            ASSERT_EQ(out.list.GetCount(), 1) << label;
            EXPECT_TRUE(SameChain(Vertices(out.list.GetHead()), c.vertices, c.closed)) << label;
            EXPECT_EQ(out.list.GetHead()->GetExtData(), 0u) << label;
            // The input is neither moved, nor deleted, nor changed.
            std::size_t i = 0;
            for (CGeCurve* k : curves.list) {
                ASSERT_EQ(k, before[i]) << label;
                double s[2], e[2];
                k->GetStartPoint(s);
                k->GetEndPoint(e);
                EXPECT_TRUE(Near({s[0], s[1]}, ends[2 * i]) && Near({e[0], e[1]}, ends[2 * i + 1])) << label;
                ++i;
            }
        }
    }
}

TEST_F(CurveLinkingTest, ChainsStopWhereThreeEndsMeet)
{
    // Three arms of two segments each meet at the origin.
    OwnedCurves curves;
    const std::vector<std::vector<Pt>> arms = {{{0, 0}, {3, 0}, {5, 1}}, {{0, 0}, {-2, 2}, {-4, 2}}, {{0, 0}, {0, -3}, {1, -5}}};
    for (const auto& arm : arms) Explode(arm, curves.list);
    ShuffleAndReverse(curves.list, 4);
    OwnedCurves out;
    CGeTool2D().AxisCrvToComCrv(&curves.list, &out.list);
    ASSERT_EQ(out.list.GetCount(), 3);
    std::vector<bool> seen(arms.size(), false);
    for (CGeCurve* c : out.list) {
        const std::vector<Pt> v = Vertices(c);
        for (std::size_t a = 0; a < arms.size(); ++a)
            if (SameChain(v, arms[a], false)) seen[a] = true;
    }
    for (std::size_t a = 0; a < arms.size(); ++a) EXPECT_TRUE(seen[a]) << "arm " << a;

    // Three single segments at one point: each stays alone.
    OwnedCurves star, starOut;
    Explode({{0, 0}, {1, 0}}, star.list);
    Explode({{0, 1}, {0, 0}}, star.list);
    Explode({{0, 0}, {-1, -1}}, star.list);
    CGeTool2D().AxisCrvToComCrv(&star.list, &starOut.list);
    ASSERT_EQ(starOut.list.GetCount(), 3);
    for (CGeCurve* c : starOut.list)
        EXPECT_EQ(static_cast<CGeCombCurve*>(c)->GetCurveList().GetCount(), 1);
}

TEST_F(CurveLinkingTest, ExplodedGlyphContoursGiveOneCompositePerContour)
{
    for (const char32_t ch : {U'B', U'8', U'g', U'%', U'@'}) {
        const std::vector<glyphpoints::Contour> contours = glyphpoints::Contours(ch, 0.05);
        ASSERT_FALSE(contours.empty()) << "glyph " << static_cast<char>(ch);
        OwnedCurves curves;
        std::vector<std::vector<Pt>> closed;
        for (const auto& contour : contours) {
            std::vector<Pt> v = contour;
            v.push_back(contour.front());
            Explode(v, curves.list);
            closed.push_back(v);
        }
        ShuffleAndReverse(curves.list, static_cast<unsigned>(ch));
        OwnedCurves out;
        CGeTool2D().AxisCrvToComCrv(&curves.list, &out.list);
        ASSERT_EQ(out.list.GetCount(), static_cast<int>(contours.size())) << "glyph " << static_cast<char>(ch);
        std::vector<bool> seen(closed.size(), false);
        for (CGeCurve* c : out.list) {
            const std::vector<Pt> v = Vertices(c);
            for (std::size_t k = 0; k < closed.size(); ++k)
                if (SameChain(v, closed[k], true)) seen[k] = true;
        }
        for (std::size_t k = 0; k < closed.size(); ++k)
            EXPECT_TRUE(seen[k]) << "glyph " << static_cast<char>(ch) << " contour " << k;
    }
}

TEST_F(CurveLinkingTest, CancelKeepsTheCompositesMadeSoFar)
{
    OwnedCurves curves;
    for (int i = 0; i < 5; ++i) Explode({{i * 3.0, 0}, {i * 3.0 + 1, 0}, {i * 3.0 + 1, 1}}, curves.list);
    widgra::testing::CancelAfterPolls(2);
    OwnedCurves out;
    CGeTool2D().AxisCrvToComCrv(&curves.list, &out.list);
    ASSERT_EQ(out.list.GetCount(), 2);
    for (CGeCurve* c : out.list) EXPECT_EQ(static_cast<CGeCombCurve*>(c)->GetCurveList().GetCount(), 2);
    EXPECT_EQ(curves.list.GetCount(), 10);
}

TEST_F(CurveLinkingTest, DegenerateAndMissingInput)
{
    {
        SCOPED_TRACE("box of zero width and height: one bucket");
        OwnedCurves curves, out;
        curves.list.AddTail(Line(2, 2, 2, 2));
        curves.list.AddTail(static_cast<CGeCurve*>(nullptr));
        curves.list.AddTail(Line(2, 2, 2, 2));
        CGeTool2D().AxisCrvToComCrv(&curves.list, &out.list);
        ASSERT_EQ(out.list.GetCount(), 1);
        EXPECT_EQ(static_cast<CGeCombCurve*>(out.list.GetHead())->GetCurveList().GetCount(), 2);
    }
    {
        SCOPED_TRACE("null lists");
        OwnedCurves curves, out;
        curves.list.AddTail(Line(0, 0, 1, 0));
        CGeTool2D tool;
        tool.AxisCrvToComCrv(nullptr, &out.list);
        tool.AxisCrvToComCrv(&curves.list, nullptr);
        EXPECT_TRUE(out.list.IsEmpty());
        EXPECT_EQ(curves.list.GetCount(), 1);
    }
}

}  // namespace
