// Real outlines: glyphs of a system font with holes and islands are cut into
// single lines and cubic curves, shuffled and partly reversed, and must chain
// back into the glyph's loops and regions. The oracle is independent of the
// curve classes: contours sampled straight from the font's own quadratic and
// cubic segments, their shoelace areas and their nesting by ray casting.
#include "LoopFixtures.h"

#include "geometry/shapes2d/GeBezier.h"
#include "testing/GlyphOutlines.h"

#include <array>
#include <cmath>
#include <string>

namespace {

using namespace looptest;
using glyphs::Pt;

// Font units to millimetres: an em of 2048 units becomes about 100 mm.
constexpr double kScale = 0.05;
// Samples per curved segment of the oracle polygons.
constexpr int kSamples = 64;

struct Contour {
    std::vector<Pt> poly;  // dense oracle polygon
};

bool Inside(const std::vector<Pt>& poly, const Pt& q)
{
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const Pt& a = poly[i];
        const Pt& b = poly[j];
        if ((a[1] > q[1]) != (b[1] > q[1]) && q[0] < (b[0] - a[0]) * (q[1] - a[1]) / (b[1] - a[1]) + a[0]) in = !in;
    }
    return in;
}

// One expected region: its outer contour's area, its hole count and its net area.
struct RegionSig {
    double outer;
    int holes;
    double net;
};

std::vector<RegionSig> ExpectedRegions(const std::vector<Contour>& contours)
{
    const std::size_t n = contours.size();
    std::vector<int> depth(n, 0);
    std::vector<std::vector<std::size_t>> inside(n);  // contours holding contour i
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            if (i != j && Inside(contours[j].poly, contours[i].poly.front())) {
                ++depth[i];
                inside[i].push_back(j);
            }
    std::vector<RegionSig> out;
    for (std::size_t r = 0; r < n; ++r) {
        if (depth[r] % 2) continue;
        RegionSig sig{std::fabs(glyphs::Area(contours[r].poly)), 0, std::fabs(glyphs::Area(contours[r].poly))};
        for (std::size_t h = 0; h < n; ++h) {
            if (depth[h] != depth[r] + 1) continue;
            if (std::find(inside[h].begin(), inside[h].end(), r) == inside[h].end()) continue;
            ++sig.holes;
            sig.net -= std::fabs(glyphs::Area(contours[h].poly));
        }
        out.push_back(sig);
    }
    std::sort(out.begin(), out.end(), [](const RegionSig& a, const RegionSig& b) { return a.outer > b.outer; });
    return out;
}

class GlyphLoopsTest : public LoopTest {
protected:
    void SetUp() override
    {
        LoopTest::SetUp();
        ASSERT_TRUE(m_font.Ok()) << glyphs::kDejaVuSans;
    }

    // The glyph's contours as loose curves (lines and cubics) plus the oracle contours.
    std::vector<Contour> Explode(unsigned long code, CurveList& curves)
    {
        std::vector<glyphs::Contour> outline;
        EXPECT_TRUE(m_font.Char(code, kScale, outline)) << code;
        std::vector<Contour> contours;
        for (const glyphs::Contour& c : outline) {
            contours.push_back({glyphs::Sample(c, kSamples)});
            for (const glyphs::Segment& g : c.segments) {
                if (!g.cubic) {
                    curves.AddTail(Line(g.p[0][0], g.p[0][1], g.p[1][0], g.p[1][1]));
                    continue;
                }
                double pts[4][2];
                for (int k = 0; k < 4; ++k) {
                    pts[k][0] = g.p[static_cast<std::size_t>(k)][0];
                    pts[k][1] = g.p[static_cast<std::size_t>(k)][1];
                }
                auto* bez = new CGeBezier;
                EXPECT_EQ(bez->CreateEx(4, pts), 1);
                curves.AddTail(bez);
            }
        }
        return contours;
    }

    glyphs::GlyphReader m_font;
};

TEST_F(GlyphLoopsTest, GlyphsChainBackIntoTheirRegions)
{
    struct Row {
        const char* label;
        unsigned long code;
        int contours, regions;
    };
    const Row rows[] = {
        {"8: two holes", '8', 3, 1},
        {"%: two rings and a bar", '%', 5, 3},
        {"registered sign: a letter with a hole on an island", 0x00AE, 4, 2},
        {"B: two holes", 'B', 3, 1},
    };
    for (const Row& r : rows) {
        for (bool grid : {false, true}) {
            const std::string label = std::string(r.label) + (grid ? " (grid)" : " (list)");
            OwnedCurves curves;
            const std::vector<Contour> contours = Explode(r.code, curves.list);
            ASSERT_EQ(static_cast<int>(contours.size()), r.contours) << label;
            const std::vector<RegionSig> want = ExpectedRegions(contours);
            ASSERT_EQ(static_cast<int>(want.size()), r.regions) << label;
            ShuffleAndReverse(curves.list, static_cast<unsigned>(r.code));
            const auto pieces = curves.list.GetCount();

            OwnedLoops loops, open, closed;
            CGeTool2D tool;
            if (grid)
                tool.ReCreateLoopEx(&curves.list, &loops.list, 0.03, false, false);
            else
                tool.ReCreateLoop(&curves.list, &loops.list, 0.03, false, false);
            EXPECT_TRUE(curves.list.IsEmpty()) << label;
            tool.ClassifyLoop(&loops.list, &open.list, &closed.list, 0.03);
            EXPECT_TRUE(open.list.IsEmpty()) << label;
            ASSERT_EQ(closed.list.GetCount(), r.contours) << label;
            INT_PTR members = 0;
            for (CGeLoop* l : closed.list) members += l->GetCurveList().GetCount();
            EXPECT_EQ(members, pieces) << label;

            OwnedRegions regions;
            tool.CreateRegion(&closed.list, &regions.list);
            EXPECT_TRUE(closed.list.IsEmpty()) << label;
            ASSERT_EQ(static_cast<int>(regions.list.GetCount()), r.regions) << label;
            std::vector<RegionSig> got;
            for (CGeRegion* g : regions.list) {
                CGeLoop* outer = g->GetLoopList().GetHead();
                EXPECT_GT(outer->m_dArea, 0.0) << label;
                for (CGeLoop* h : g->GetLoopList())
                    if (h != outer) {
                        EXPECT_LT(h->m_dArea, 0.0) << label;
                    }
                got.push_back({outer->m_dArea, static_cast<int>(g->GetLoopList().GetCount()) - 1, g->EvArea(0.01)});
            }
            std::sort(got.begin(), got.end(), [](const RegionSig& a, const RegionSig& b) { return a.outer > b.outer; });
            for (std::size_t i = 0; i < want.size(); ++i) {
                const std::string at = label + ", region " + std::to_string(i);
                EXPECT_EQ(got[i].holes, want[i].holes) << at;
                // Display points at 0.01 and the 64-sample oracle: well within 0.1 %.
                EXPECT_NEAR(got[i].outer, want[i].outer, 1e-3 * want[i].outer) << at;
                EXPECT_NEAR(got[i].net, want[i].net, 1e-3 * want[i].outer) << at;
            }
        }
    }
}

}  // namespace
