// Traced outlines turned into curves: hand-built record lists for the joining
// rules, then real traces of rendered glyphs and of images shipped by Debian
// packages, checked against the font's own outline and the pixel counts.
#include "geometry/algorithms/TraceCurve.h"
#include "geometry/algorithms/tests/LoopFixtures.h"
#include "geometry/algorithms/tests/SplineOracle.h"

#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "testing/GlyphBitmap.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using looptest::CurveList;
using looptest::OwnedCurves;
using splinetest::Cubic;
using splinetest::Pt;

// ---- hand-built records -------------------------------------------------

qv_spline_type Straight(double x0, double y0, double x1, double y1)
{
    qv_spline_type r{};
    r.point[0][0] = static_cast<float>(x0);
    r.point[0][1] = static_cast<float>(y0);
    r.point[1][0] = static_cast<float>(x1);
    r.point[1][1] = static_cast<float>(y1);
    r.degree = 1;
    return r;
}

qv_spline_type Curved(std::initializer_list<Pt> pts, int degree = 3)
{
    qv_spline_type r{};
    int k = 0;
    for (const Pt& p : pts) {
        r.point[k][0] = static_cast<float>(p[0]);
        r.point[k][1] = static_cast<float>(p[1]);
        ++k;
    }
    r.degree = degree;
    return r;
}

// The member kinds of a composite: L line, P<n> polyline of n points, B Bezier.
std::string Shape(CGeCurve* c)
{
    auto* comb = dynamic_cast<CGeCombCurve*>(c);
    if (!comb) return "not a composite";
    std::string s;
    for (CGeCurve* m : comb->GetCurveList()) {
        if (!s.empty()) s += " ";
        if (dynamic_cast<CGeLine*>(m))
            s += "L";
        else if (auto* p = dynamic_cast<CGePolyline*>(m))
            s += "P" + std::to_string(p->GetSWPointCount());
        else if (dynamic_cast<CGeBezier*>(m))
            s += "B";
        else
            s += "?";
    }
    return s;
}

TEST(TraceCurveTest, RecordsJoinIntoComposites)
{
    using Entry = std::vector<qv_spline_type>;
    struct Row {
        const char* label;
        std::vector<Entry> entries;
        std::vector<std::string> want;  // shape of each composite, in order
    } rows[] = {
        {"three joined straight records: one polyline of 4 points",
         {{Straight(0, 0, 1, 0), Straight(1, 0, 1, 1), Straight(1, 1, 0, 1)}},
         {"P4"}},
        {"one straight record: a line", {{Straight(0, 0, 5, 0)}}, {"L"}},
        {"a 0.02 jump starts a new composite",
         {{Straight(0, 0, 1, 0), Straight(1, 0, 1, 1), Straight(1.02, 1, 2, 1), Straight(2, 1, 2, 2)}},
         {"P3", "P3"}},
        {"a 0.005 gap is no jump", {{Straight(0, 0, 1, 0), Straight(1.005, 0, 2, 0)}}, {"P3"}},
        {"straight, curved, straight: line, Bezier, line",
         {{Straight(0, 0, 1, 0), Curved({{1, 0}, {2, 0}, {2, 1}, {2, 2}}), Straight(2, 2, 0, 2)}},
         {"L B L"}},
        {"after a curved record a far straight record stays",
         {{Curved({{0, 0}, {1, 0}, {1, 1}, {0, 1}}), Straight(5, 5, 6, 5)}},
         {"B L"}},
        {"a curved record far from the pen still joins",
         {{Straight(0, 0, 1, 0), Curved({{7, 7}, {8, 7}, {8, 8}, {7, 8}})}},
         {"L B"}},
        {"any degree but 1 is a cubic", {{Curved({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 2)}}, {"B"}},
        {"one composite per entry, in order",
         {{Straight(0, 0, 1, 0)}, {Curved({{0, 0}, {1, 0}, {1, 1}, {0, 1}})}, {Straight(0, 0, 1, 0), Straight(1, 0, 2, 2)}},
         {"L", "B", "P3"}},
        {"an empty entry gives nothing", {{}, {Straight(0, 0, 1, 0)}}, {"L"}},
    };
    for (Row& r : rows) {
        std::vector<qv_spline_list_type> lists;
        for (Entry& e : r.entries) lists.push_back({e.data(), static_cast<int>(e.size())});
        OwnedCurves out;
        ConvertTraceRecords({lists.data(), static_cast<int>(lists.size())}, &out.list);
        std::vector<std::string> got;
        for (CGeCurve* c : out.list) got.push_back(Shape(c));
        EXPECT_EQ(got, r.want) << r.label;
    }
}

TEST(TraceCurveTest, NothingToConvert)
{
    OwnedCurves out;
    ConvertTraceCurve({}, &out.list);
    ConvertTraceRecords({}, &out.list);
    EXPECT_TRUE(out.list.IsEmpty());
    // A null output list is left alone, whatever the trace holds.
    const unsigned char ink[4] = {0, 0, 0, 0};
    _at_spline_list_array_type trace;
    ASSERT_EQ(qv_trace_bitmap(ink, 2, 2, 2, 128, &trace), 1);
    ConvertTraceCurve(trace, nullptr);
    qv_free_spline_list_array(&trace);
}

// ---- real traces ---------------------------------------------------------

// Every member of a composite as cubics (straight edges with handles at thirds).
std::vector<Cubic> AsCubics(CGeCurve* c)
{
    std::vector<Cubic> out;
    auto edge = [&](Pt a, Pt b) {
        out.push_back({a, Pt{a[0] + (b[0] - a[0]) / 3, a[1] + (b[1] - a[1]) / 3},
                       Pt{a[0] + 2 * (b[0] - a[0]) / 3, a[1] + 2 * (b[1] - a[1]) / 3}, b});
    };
    auto* comb = dynamic_cast<CGeCombCurve*>(c);
    if (!comb) return out;
    for (CGeCurve* m : comb->GetCurveList()) {
        if (auto* b = dynamic_cast<CGeBezier*>(m)) {
            const CBezierNode* v = b->GetNodes();
            for (unsigned i = 0; i + 3 < b->GetNodeCount(); i += 3)
                out.push_back({Pt{v[i].x, v[i].y}, Pt{v[i + 1].x, v[i + 1].y}, Pt{v[i + 2].x, v[i + 2].y},
                               Pt{v[i + 3].x, v[i + 3].y}});
        } else if (auto* p = dynamic_cast<CGePolyline*>(m)) {
            for (int i = 1; i < p->GetSWPointCount(); ++i) {
                double a[2], b2[2];
                p->GetPoint(i - 1, a);
                p->GetPoint(i, b2);
                edge({a[0], a[1]}, {b2[0], b2[1]});
            }
        } else {
            double a[2], b2[2];
            m->GetStartPoint(a);
            m->GetEndPoint(b2);
            edge({a[0], a[1]}, {b2[0], b2[1]});
        }
    }
    return out;
}

double SegmentDist(const Pt& p, const Pt& a, const Pt& b)
{
    const double dx = b[0] - a[0], dy = b[1] - a[1];
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return splinetest::Dist(p, {a[0] + t * dx, a[1] + t * dy});
}

// Largest distance from a point of `from` to the closed polygons `to`.
double Directed(const std::vector<std::vector<Pt>>& from, const std::vector<std::vector<Pt>>& to)
{
    double worst = 0;
    for (const auto& poly : from)
        for (const Pt& p : poly) {
            double best = std::numeric_limits<double>::infinity();
            for (const auto& q : to)
                for (std::size_t i = 0; i < q.size(); ++i) best = std::min(best, SegmentDist(p, q[i], q[(i + 1) % q.size()]));
            worst = std::max(worst, best);
        }
    return worst;
}

struct Traced {
    OwnedCurves curves;
    std::vector<std::vector<Pt>> polys;  // dense samples of each composite
    double net = 0;                      // signed area, holes subtracted
    double worstGap = 0;                 // largest distance between a composite's ends
};

void Trace(const unsigned char* pixels, int w, int h, int stride, Traced& out)
{
    _at_spline_list_array_type trace;
    ASSERT_EQ(qv_trace_bitmap(pixels, w, h, stride, 128, &trace), 1);
    ConvertTraceCurve(trace, &out.curves.list);
    qv_free_spline_list_array(&trace);
    for (CGeCurve* c : out.curves.list) {
        double s[2], e[2];
        c->GetStartPoint(s);
        c->GetEndPoint(e);
        out.worstGap = std::max(out.worstGap, std::hypot(s[0] - e[0], s[1] - e[1]));
        std::vector<Pt> poly = splinetest::SampleCubics(AsCubics(c), 16);
        poly.pop_back();  // the start again
        out.net += glyphs::SignedArea(poly);
        out.polys.push_back(std::move(poly));
    }
}

// Regions of closed curves through the chaining and region code: for each
// region, largest first, its number of holes.
std::vector<int> RegionHoles(CurveList& curves)
{
    looptest::OwnedLoops loops, open, closed;
    looptest::OwnedRegions regions;
    CGeTool2D tool;
    tool.ReCreateLoop(&curves, &loops.list, 0.03, false, true);
    tool.ClassifyLoop(&loops.list, &open.list, &closed.list, 0.03);
    EXPECT_TRUE(open.list.IsEmpty());
    tool.CreateRegion(&closed.list, &regions.list);
    std::vector<std::pair<double, int>> got;
    for (CGeRegion* g : regions.list)
        got.push_back({g->GetLoopList().GetHead()->m_dArea, static_cast<int>(g->GetLoopList().GetCount()) - 1});
    std::sort(got.rbegin(), got.rend());
    std::vector<int> holes;
    for (auto& [area, n] : got) holes.push_back(n);
    return holes;
}

TEST(TraceCurveTest, GlyphTracesFollowTheFontOutline)
{
    glyphs::GlyphRenderer renderer;
    glyphs::GlyphReader font;
    ASSERT_TRUE(renderer.Ok() && font.Ok()) << glyphs::kDejaVuSans;
    struct Row {
        const char* label;
        unsigned long code;
        std::vector<int> regionHoles;  // per region, largest first
    } rows[] = {
        {"8", '8', {2}},
        {"%", '%', {1, 1, 0}},
        {"registered sign", 0x00AE, {1, 1}},
        {"g", 'g', {1}},
    };
    for (const Row& r : rows) {
        glyphs::GreyImage img;
        ASSERT_TRUE(renderer.Render(r.code, 300, 4, 3, img)) << r.label;
        Traced traced;
        Trace(img.pixels.data(), img.width, img.height, img.stride, traced);

        // The font's outline in the image's pixel frame.
        std::vector<glyphs::Contour> contours;
        ASSERT_TRUE(font.Char(r.code, img.scale, contours)) << r.label;
        std::vector<std::vector<Pt>> want;
        double wantNet = 0;
        for (const glyphs::Contour& c : contours) {
            std::vector<Pt> poly;
            for (const glyphs::Pt& q : glyphs::Sample(c, 32)) poly.push_back({q[0] + img.originX, q[1] + img.originY});
            wantNet += glyphs::SignedArea(poly);
            want.push_back(std::move(poly));
        }

        EXPECT_EQ(traced.polys.size(), want.size()) << r.label << ": one composite per contour";
        EXPECT_LT(traced.worstGap, 0.01) << r.label << ": composites closed";
        EXPECT_NEAR(std::fabs(traced.net), std::fabs(wantNet), 0.02 * std::fabs(wantNet)) << r.label << ": area";
        EXPECT_GT(traced.net, 0) << r.label << ": outer outlines counter-clockwise";
        const double hausdorff = std::max(Directed(traced.polys, want), Directed(want, traced.polys));
        EXPECT_LT(hausdorff, 1.5) << r.label << ": Hausdorff distance in pixels";
        EXPECT_EQ(RegionHoles(traced.curves.list), r.regionHoles) << r.label << ": nesting";
    }
}

// Padding bytes (ink here) lie outside the image and change nothing.
TEST(TraceCurveTest, PaddedStridesTraceTheSame)
{
    glyphs::GlyphRenderer renderer;
    ASSERT_TRUE(renderer.Ok());
    glyphs::GreyImage tight, padded;
    ASSERT_TRUE(renderer.Render('&', 120, 2, 0, tight));
    ASSERT_TRUE(renderer.Render('&', 120, 2, 13, padded));
    Traced a, b;
    Trace(tight.pixels.data(), tight.width, tight.height, tight.stride, a);
    Trace(padded.pixels.data(), padded.width, padded.height, padded.stride, b);
    ASSERT_FALSE(a.polys.empty());
    EXPECT_EQ(a.polys, b.polys);
}

TEST(TraceCurveTest, PlainImagesGiveSoundResults)
{
    const std::vector<unsigned char> white(100, 255), black(100, 0);
    const unsigned char one[1] = {0};
    struct Row {
        const char* label;
        const unsigned char* pixels;
        int w, h, stride;
        double area;  // expected |net area|
    } rows[] = {
        {"all white", white.data(), 10, 10, 10, 0.0},
        {"all black", black.data(), 10, 10, 10, 100.0},
        {"all black, padded rows", black.data(), 7, 10, 10, 70.0},
        {"one pixel (a speck the tracer drops)", one, 1, 1, 1, 0.0},
    };
    for (const Row& r : rows) {
        Traced t;
        Trace(r.pixels, r.w, r.h, r.stride, t);
        EXPECT_LT(t.worstGap, 0.01) << r.label;
        EXPECT_NEAR(std::fabs(t.net), r.area, 1e-9 + 0.002 * r.area) << r.label;
        EXPECT_EQ(t.polys.size(), r.area > 0 ? 1u : 0u) << r.label;
    }
}

// Images nobody here drew: a 1-bit logo and a large icon, thresholded.
TEST(TraceCurveTest, ShippedImagesTraceToTheirInk)
{
    std::vector<std::string> paths;
    const std::filesystem::path gs = "/usr/share/ghostscript";
    if (std::filesystem::is_directory(gs))
        for (const auto& dir : std::filesystem::directory_iterator(gs))
            if (std::filesystem::exists(dir.path() / "lib/gs_l.xbm")) paths.push_back((dir.path() / "lib/gs_l.xbm").string());
    ASSERT_FALSE(paths.empty()) << "the ghostscript logo of libgs10-common";
    paths.push_back("/usr/share/icons/Adwaita/512x512/devices/computer.png");
    for (const std::string& path : paths) {
        QImage src(QString::fromStdString(path));
        ASSERT_FALSE(src.isNull()) << path;
        // Transparent parts are paper.
        QImage flat(src.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        {
            QPainter painter(&flat);
            painter.drawImage(0, 0, src);
        }
        QImage grey = flat.convertToFormat(QImage::Format_Grayscale8);
        int ink = 0;
        for (int y = 0; y < grey.height(); ++y)
            for (int x = 0; x < grey.width(); ++x) ink += grey.constScanLine(y)[x] < 128;
        ASSERT_GT(ink, 100) << path;
        Traced t;
        Trace(grey.constBits(), grey.width(), grey.height(), static_cast<int>(grey.bytesPerLine()), t);
        EXPECT_FALSE(t.polys.empty()) << path;
        EXPECT_LT(t.worstGap, 0.01) << path << ": every outline closed";
        EXPECT_NEAR(std::fabs(t.net), ink, 0.05 * ink) << path << ": traced area against dark pixels";
    }
}

}  // namespace
