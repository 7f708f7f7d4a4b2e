// Real input for the conversions: the contours of system-font glyphs (lines and
// cubics, holes included) lifted to several heights as 3D composites, loops and
// curve lists, then brought back to 2D. The oracle is the font itself: its
// segments read straight through FreeType, evaluated from their control points,
// and the shoelace areas of densely sampled contours.
#include "geometry/shapes3d/GeConvert.h"

#include "framework/numerak/Bcrv.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeLoop3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "testing/GlyphOutlines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using glyphs::Pt;

// Font units to millimetres: an em of 2048 units becomes about 100 mm.
constexpr double kScale = 0.05;
// Samples per cubic of the oracle polygons and of the converted curves.
constexpr int kSamples = 64;
// Coordinates pass through conversions unchanged up to rounding.
constexpr double kPointTol = 1e-9;

double Dist(const double* p, const Pt& q) { return std::hypot(p[0] - q[0], p[1] - q[1]); }

// The 2D curve of a font segment: a line or a one-segment Bezier spline.
CGeCurve* CurveOf(const glyphs::Segment& g)
{
    if (!g.cubic) {
        const double a[2] = {g.p[0][0], g.p[0][1]}, b[2] = {g.p[1][0], g.p[1][1]};
        return new CGeLine(a, b);
    }
    double nodes[4][2];
    for (std::size_t k = 0; k < 4; ++k) {
        nodes[k][0] = g.p[k][0];
        nodes[k][1] = g.p[k][1];
    }
    auto* bez = new CGeBezier;
    EXPECT_EQ(bez->CreateEx(4, nodes), 1);
    return bez;
}

// The 3D member lies at height z on the font segment: every sample of its own
// geometry is the segment's point at the same parameter.
void ExpectLifted(CGeCurve3d* c, const glyphs::Segment& g, double z, const std::string& label)
{
    ASSERT_NE(c, nullptr) << label;
    double worstXY = 0.0, worstZ = 0.0;
    auto check = [&](const double* p, double t) {
        const Pt want = g.cubic ? glyphs::CubicAt(g, t)
                                : Pt{g.p[0][0] + t * (g.p[1][0] - g.p[0][0]), g.p[0][1] + t * (g.p[1][1] - g.p[0][1])};
        worstXY = std::max(worstXY, Dist(p, want));
        worstZ = std::max(worstZ, std::fabs(p[2] - z));
    };
    if (!g.cubic) {
        ASSERT_NE(dynamic_cast<CGeLine3d*>(c), nullptr) << label << ": a line stays a line";
        double s[3], e[3];
        c->GetStartPoint(s);
        c->GetEndPoint(e);
        check(s, 0.0);
        check(e, 1.0);
    } else {
        auto* nrb = dynamic_cast<CGeNrbCrv3d*>(c);
        ASSERT_NE(nrb, nullptr) << label << ": a cubic becomes a NURBS curve";
        const BCRV* rec = nrb->GetCurve();
        ASSERT_NE(rec, nullptr) << label;
        const double a = rec->U[rec->k - 1], b = rec->U[rec->n];
        for (int i = 0; i <= kSamples; ++i) {
            const double t = double(i) / kSamples;
            double p[3];
            BCRV_EvPos(rec, a + t * (b - a), p);
            check(p, t);
        }
    }
    EXPECT_LT(worstXY, kPointTol) << label << ": off the font segment";
    EXPECT_LT(worstZ, 1e-12) << label << ": off the height";
}

// The 2D member brought back is the font segment again, with the same points.
void ExpectSegment(CGeCurve* c, const glyphs::Segment& g, const std::string& label)
{
    ASSERT_NE(c, nullptr) << label;
    std::vector<Pt> got;
    if (!g.cubic) {
        ASSERT_NE(dynamic_cast<CGeLine*>(c), nullptr) << label << ": a line comes back as a line";
        double s[2], e[2];
        c->GetStartPoint(s);
        c->GetEndPoint(e);
        got = {{s[0], s[1]}, {e[0], e[1]}};
    } else {
        auto* bez = dynamic_cast<CGeBezier*>(c);
        ASSERT_NE(bez, nullptr) << label << ": a cubic comes back as a Bezier spline";
        ASSERT_EQ(bez->GetNodeCount(), 4u) << label;
        for (int k = 0; k < 4; ++k) got.push_back({bez->GetNodes()[k].x, bez->GetNodes()[k].y});
    }
    const std::size_t n = g.cubic ? 4 : 2;
    for (std::size_t k = 0; k < n; ++k)
        EXPECT_LT(Dist(got[k].data(), g.p[k]), kPointTol) << label << ": point " << k;
}

// Shoelace area of the 2D curve's own points (no thinning).
double AreaOf(CGeCurve* c)
{
    CArray<tagPoint2d, tagPoint2d> a;
    c->DiscreteInArray(1e-4, &a, 0.1, false);
    std::vector<Pt> pts;
    for (INT_PTR i = 0; i < a.GetSize(); ++i) pts.push_back({a[i].x, a[i].y});
    return glyphs::SignedArea(pts);
}

class GeConvertGlyphTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_font.Ok()) << glyphs::kDejaVuSans; }

    std::vector<glyphs::Contour> Outline(unsigned long code)
    {
        std::vector<glyphs::Contour> outline;
        EXPECT_TRUE(m_font.Char(code, kScale, outline)) << code;
        return outline;
    }

    glyphs::GlyphReader m_font;
};

struct GlyphRow {
    const char* label;
    unsigned long code;
    int contours;
};
// Holes, islands, many cubics and straight runs.
const GlyphRow kGlyphs[] = {
    {"8", '8', 3}, {"g", 'g', 2}, {"@", '@', 2}, {"ampersand", '&', 2}, {"percent", '%', 5}, {"H", 'H', 1},
};
const double kHeights[] = {0.0, 7.25, -120.5};

// Each contour as a composite: lifted, every member lies on its font segment at the
// height; brought back, every member has the font's points, and the contour its area
// and turning sense.
TEST_F(GeConvertGlyphTest, CompositesKeepTheirPointsAndArea)
{
    int cubics = 0;
    for (const GlyphRow& row : kGlyphs) {
        const std::vector<glyphs::Contour> outline = Outline(row.code);
        ASSERT_EQ(static_cast<int>(outline.size()), row.contours) << row.label;
        for (std::size_t ci = 0; ci < outline.size(); ++ci) {
            const glyphs::Contour& contour = outline[ci];
            const double area = glyphs::SignedArea(glyphs::Sample(contour, kSamples));
            CGeCombCurve comb;
            for (const glyphs::Segment& g : contour.segments) {
                comb.GetCurveList().AddTail(CurveOf(g));
                cubics += g.cubic;
            }
            // The sampled area is well within 0.1 % of the exact one for these glyphs.
            EXPECT_NEAR(AreaOf(&comb), area, 1e-3 * std::fabs(area)) << row.label << " contour " << ci;

            for (double z : kHeights) {
                const std::string label = std::string(row.label) + " contour " + std::to_string(ci) + " at z " +
                                          std::to_string(z);
                std::unique_ptr<CGeCurve3d> c3(QVN_GeConvert::ToCurve3d(&comb, z));
                auto* comb3 = dynamic_cast<CGeCombCurve3d*>(c3.get());
                ASSERT_NE(comb3, nullptr) << label;
                ASSERT_EQ(comb3->m_listCurve.GetCount(), static_cast<INT_PTR>(contour.segments.size())) << label;
                std::size_t i = 0;
                for (CGeCurve3d* m : comb3->m_listCurve) {
                    ExpectLifted(m, contour.segments[i], z, label + ", member " + std::to_string(i));
                    ++i;
                }

                std::unique_ptr<CGeCurve> c2(QVN_GeConvert::ToCurve2d(c3.get()));
                auto* back = dynamic_cast<CGeCombCurve*>(c2.get());
                ASSERT_NE(back, nullptr) << label;
                ASSERT_EQ(back->GetCurveList().GetCount(), static_cast<INT_PTR>(contour.segments.size())) << label;
                i = 0;
                for (CGeCurve* m : back->GetCurveList()) {
                    ExpectSegment(m, contour.segments[i], label + ", member " + std::to_string(i) + " back");
                    ++i;
                }
                EXPECT_NEAR(AreaOf(back), area, 1e-3 * std::fabs(area)) << label << ": area back in 2D";
            }
        }
    }
    EXPECT_GT(cubics, 50) << "the glyphs must exercise the cubic path";
}

// Each contour as a loop: the 3D loop's area at every height is the contour's, and
// the loop comes back to 2D as a composite with the same area.
TEST_F(GeConvertGlyphTest, LoopsKeepTheirArea)
{
    for (const GlyphRow& row : kGlyphs) {
        const std::vector<glyphs::Contour> outline = Outline(row.code);
        double net = 0.0, netBack = 0.0;
        for (double z : kHeights) {
            for (std::size_t ci = 0; ci < outline.size(); ++ci) {
                const std::string label = std::string(row.label) + " contour " + std::to_string(ci) + " at z " +
                                          std::to_string(z);
                const double area = glyphs::SignedArea(glyphs::Sample(outline[ci], kSamples));
                CGeLoop loop;
                for (const glyphs::Segment& g : outline[ci].segments) loop.GetCurveList().AddTail(CurveOf(g));
                std::unique_ptr<CGeLoop3d> loop3(QVN_GeConvert::LoopToLoop3d(&loop, z));
                ASSERT_NE(loop3, nullptr) << label;
                EXPECT_EQ(loop3->IsLoop3d(0.001), 1) << label << ": the lifted loop closes";
                const double a3 = loop3->EvArea(0.001);
                EXPECT_NEAR(a3, area, 1e-3 * std::fabs(area)) << label << ": 3D loop area";

                std::unique_ptr<CGeCombCurve> back(QVN_GeConvert::CombCurve3dToCombCurve(loop3.get()));
                ASSERT_NE(back, nullptr) << label;
                const double a2 = AreaOf(back.get());
                EXPECT_NEAR(a2, area, 1e-3 * std::fabs(area)) << label << ": area back in 2D";
                if (z == 0.0) {
                    net += a3;
                    netBack += a2;
                }
            }
        }
        // Holes run the other way round: the glyph's net area survives as a whole.
        double want = 0.0;
        for (const glyphs::Contour& c : outline) want += glyphs::SignedArea(glyphs::Sample(c, kSamples));
        EXPECT_NEAR(net, want, 1e-3 * std::fabs(want)) << row.label << ": net area";
        EXPECT_NEAR(netBack, want, 1e-3 * std::fabs(want)) << row.label << ": net area back in 2D";
    }
}

// The whole outline as a loose curve list: every segment is lifted and comes back
// with its points; nothing is lost or added.
TEST_F(GeConvertGlyphTest, CurveListsKeepEverySegment)
{
    for (const GlyphRow& row : kGlyphs) {
        std::vector<glyphs::Segment> segments;
        for (const glyphs::Contour& c : Outline(row.code))
            segments.insert(segments.end(), c.segments.begin(), c.segments.end());
        CTypedPtrList<CObList, CGeCurve*> list2d;
        for (const glyphs::Segment& g : segments) list2d.AddTail(CurveOf(g));
        for (double z : kHeights) {
            const std::string label = std::string(row.label) + " at z " + std::to_string(z);
            CTypedPtrList<CObList, CGeCurve3d*> list3d;
            QVN_GeConvert::CurveListToCurveList3D(&list2d, z, &list3d);
            ASSERT_EQ(list3d.GetCount(), static_cast<INT_PTR>(segments.size())) << label;
            std::size_t i = 0;
            for (CGeCurve3d* c : list3d) {
                ExpectLifted(c, segments[i], z, label + ", curve " + std::to_string(i));
                ++i;
            }

            CTypedPtrList<CObList, CGeCurve*> back;
            QVN_GeConvert::ListCurve3dToListCurve(&list3d, &back);
            EXPECT_EQ(back.GetCount(), static_cast<INT_PTR>(segments.size())) << label;
            i = 0;
            for (CGeCurve* c : back) {
                if (i < segments.size()) ExpectSegment(c, segments[i], label + ", curve " + std::to_string(i) + " back");
                ++i;
            }
            geDelCurve3dList(&list3d);
            geDelCurveList(&back);
        }
        geDelCurveList(&list2d);
    }
}

}  // namespace
