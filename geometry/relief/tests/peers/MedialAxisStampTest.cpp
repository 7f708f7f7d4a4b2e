// The angle profile stamped along the medial axes of convex glyphs of a system
// font. Peers: CGAL's straight skeleton gives the axis (for a convex polygon it
// is the medial axis, each node's offset time its half width), OpenCV's exact
// Euclidean distance transform of the glyph rasterised on the same grid gives
// the distance D to the border, so the stamped heights must be min(H, tan·D).
// Above the roof's top, the stamped volume is the pyramid's: A·tan·r/3 for these
// tangential polygons (every edge touches the incircle of radius r).
#include "geometry/relief/RlfAngleShape.h"

#include "testing/GlyphOutlines.h"

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_2.h>
#include <CGAL/create_straight_skeleton_2.h>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Polygon = CGAL::Polygon_2<Kernel>;
using glyphs::Pt;

// Font units to millimetres: an em of 2048 units becomes about 100 mm.
constexpr double kScale = 0.05;
// Grid nodes across the glyph's wider side.
constexpr int kCells = 400;

// One axis segment: (x, y, half width) at both ends.
struct AxisSegment {
    double p[3], q[3];
};

double Cross(const Pt& o, const Pt& a, const Pt& b)
{
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

// A cubic whose inner control points lie on its chord: a straight edge that the
// font happens to store as a curve.
bool Straight(const glyphs::Segment& s)
{
    const double len = std::hypot(s.p[3][0] - s.p[0][0], s.p[3][1] - s.p[0][1]);
    return std::fabs(Cross(s.p[0], s.p[3], s.p[1])) <= 1e-9 * len * len &&
           std::fabs(Cross(s.p[0], s.p[3], s.p[2])) <= 1e-9 * len * len;
}

// The glyph's single contour as a counter-clockwise polygon without repeated or
// collinear vertices; empty when the glyph is not one straight-edged contour.
std::vector<Pt> ConvexOutline(glyphs::GlyphReader& font, unsigned long code)
{
    std::vector<glyphs::Contour> outline;
    if (!font.Char(code, kScale, outline) || outline.size() != 1) return {};
    std::vector<Pt> pts;
    for (const glyphs::Segment& s : outline[0].segments) {
        if (s.cubic && !Straight(s)) return {};
        if (pts.empty() || std::hypot(s.p[0][0] - pts.back()[0], s.p[0][1] - pts.back()[1]) > 1e-9)
            pts.push_back(s.p[0]);
    }
    if (pts.size() > 1 && std::hypot(pts[0][0] - pts.back()[0], pts[0][1] - pts.back()[1]) <= 1e-9) pts.pop_back();
    if (glyphs::SignedArea(pts) < 0.0) std::reverse(pts.begin(), pts.end());
    std::vector<Pt> kept;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        const Pt& a = pts[(i + pts.size() - 1) % pts.size()];
        const Pt& b = pts[(i + 1) % pts.size()];
        if (std::fabs(Cross(a, pts[i], b)) > 1e-9 * std::hypot(b[0] - a[0], b[1] - a[1])) kept.push_back(pts[i]);
    }
    return kept;
}

// Every bisector of CGAL's interior straight skeleton once, from the earlier id.
std::vector<AxisSegment> StraightSkeleton(const std::vector<Pt>& outline)
{
    Polygon poly;
    for (const Pt& p : outline) poly.push_back(Kernel::Point_2(p[0], p[1]));
    const auto skeleton = CGAL::create_interior_straight_skeleton_2(poly.vertices_begin(), poly.vertices_end(), Kernel());
    std::vector<AxisSegment> axis;
    if (!skeleton) return axis;
    for (auto h = skeleton->halfedges_begin(); h != skeleton->halfedges_end(); ++h) {
        if (!h->is_bisector() || h->id() > h->opposite()->id()) continue;
        const auto a = h->opposite()->vertex(), b = h->vertex();
        axis.push_back({{a->point().x(), a->point().y(), a->time()}, {b->point().x(), b->point().y(), b->time()}});
    }
    return axis;
}

bool StrictlyInside(const std::vector<Pt>& convex, const Pt& q)
{
    for (std::size_t i = 0; i < convex.size(); ++i)
        if (!(Cross(convex[i], convex[(i + 1) % convex.size()], q) > 0.0)) return false;
    return true;
}

struct Glyph {
    std::string label;
    std::vector<Pt> outline;
    std::vector<AxisSegment> axis;
    double area = 0.0, perimeter = 0.0, inradius = 0.0;
};

class MedialAxisStampTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_font.Ok()) << glyphs::kDejaVuSans;
        const std::pair<const char*, unsigned long> codes[] = {
            {"triangle", 0x25B2}, {"diamond", 0x25C6}, {"square", 0x25A0}, {"hexagon", 0x2B22}};
        for (const auto& [label, code] : codes) {
            Glyph g;
            g.label = label;
            g.outline = ConvexOutline(m_font, code);
            ASSERT_GE(g.outline.size(), 3u) << label << ": one convex straight-edged contour";
            g.area = glyphs::SignedArea(g.outline);
            for (std::size_t i = 0; i < g.outline.size(); ++i) {
                const Pt& a = g.outline[i];
                const Pt& b = g.outline[(i + 1) % g.outline.size()];
                g.perimeter += std::hypot(b[0] - a[0], b[1] - a[1]);
                ASSERT_GT(Cross(g.outline[(i + g.outline.size() - 1) % g.outline.size()], a, b), 0.0)
                    << label << ": convex";
            }
            g.axis = StraightSkeleton(g.outline);
            ASSERT_GE(g.axis.size(), g.outline.size()) << label << ": a branch to every corner";
            for (const AxisSegment& s : g.axis) g.inradius = std::max({g.inradius, s.p[2], s.q[2]});
            // Tangential polygons, the largest disc touching every edge, up to the
            // font's rounding (its square is 78.15 by 78.4).
            EXPECT_NEAR(g.inradius, 2 * g.area / g.perimeter, 3e-3 * g.inradius) << label;
            m_glyphs.push_back(std::move(g));
        }
    }

    glyphs::GlyphReader m_font;
    std::vector<Glyph> m_glyphs;
};

// A square grid around the glyph with two empty rows and columns on every side.
void CoverGlyph(const Glyph& g, CTGrid<float>& grid)
{
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (const Pt& p : g.outline)
        for (int k = 0; k < 2; ++k) {
            lo[k] = std::min(lo[k], p[k]);
            hi[k] = std::max(hi[k], p[k]);
        }
    const double step = std::max(hi[0] - lo[0], hi[1] - lo[1]) / kCells;
    const float org[2] = {float(lo[0] - 2 * step), float(lo[1] - 2 * step)};
    const int nx = int((hi[0] - lo[0]) / step) + 5, ny = int((hi[1] - lo[1]) / step) + 5;
    ASSERT_EQ(grid.Create(org, float(step), float(step), nx, ny), 1);
}

// Distance of every node to the nearest node outside the glyph, in model units.
cv::Mat DistanceToBorder(const Glyph& g, const CTGrid<float>& grid)
{
    cv::Mat inside(grid.ny, grid.nx, CV_8U, cv::Scalar(0)), dist;
    for (int j = 0; j < grid.ny; ++j)
        for (int i = 0; i < grid.nx; ++i)
            if (StrictlyInside(g.outline, {grid.xs[std::size_t(i)], grid.ys[std::size_t(j)]})) inside.at<uchar>(j, i) = 255;
    cv::distanceTransform(inside, dist, cv::DIST_L2, cv::DIST_MASK_PRECISE);
    return dist * double(grid.dx);
}

void Stamp(const Glyph& g, float height, float angle, CTGrid<float>& grid)
{
    CRlfAngleShape shape;
    shape.SetParam(0.0f, height, 2, angle, 0.0f);
    shape.SetMaxSpan(1.0f);  // mode 2: the span follows from height and angle
    for (AxisSegment s : g.axis) {
        ASSERT_EQ(shape.SetCAxis(s.p, s.q), 1) << g.label << ": every skeleton edge is new";
        shape.UpdateGrid(7, &grid);
    }
}

TEST_F(MedialAxisStampTest, StampedHeightsFollowTheDistanceToTheBorder)
{
    for (const Glyph& g : m_glyphs) {
        for (const float angle : {0.3f, 0.785f, 1.2f}) {
            // A plateau below the roof's top, and a roof that never reaches the height.
            for (const double top : {0.6, 1.5}) {
                const float tan = std::tan(angle);
                const float height = float(top * tan * g.inradius);
                const std::string label = g.label + ", angle " + std::to_string(angle) + ", height " +
                                          std::to_string(height);
                CTGrid<float> grid;
                CoverGlyph(g, grid);
                Stamp(g, height, angle, grid);
                const cv::Mat dist = DistanceToBorder(g, grid);
                // The border lies between a node and its nearest outside node, at
                // most a cell nearer than that one.
                double over = 0.0, under = 0.0;
                int inside = 0, plateau = 0;
                for (int j = 0; j < grid.ny; ++j)
                    for (int i = 0; i < grid.nx; ++i) {
                        const double d = dist.at<float>(j, i);
                        const double want = std::min(double(height), tan * d);
                        over = std::max(over, grid.rows[j][i] - want);
                        under = std::max(under, want - grid.rows[j][i]);
                        inside += d > 0.0;
                        plateau += want == height;
                    }
                EXPECT_LE(over, 1e-5 * height) << label << ": above the distance to the nearest outside node";
                EXPECT_LE(under, tan * grid.dx * (1 + 1e-4)) << label << ": more than a cell below it";
                EXPECT_GT(inside, kCells * kCells / 4) << label;
                EXPECT_EQ(plateau > 0, top < 1.0) << label << ": the plateau exists only below the roof's top";
            }
        }
    }
}

TEST_F(MedialAxisStampTest, RoofBelowTheHeightHasThePyramidsVolume)
{
    for (const Glyph& g : m_glyphs) {
        const float angle = 0.6f, tan = std::tan(angle);
        CTGrid<float> grid;
        CoverGlyph(g, grid);
        Stamp(g, float(3 * tan * g.inradius), angle, grid);
        double sum = 0.0;
        for (int j = 0; j < grid.ny; ++j)
            for (int i = 0; i < grid.nx; ++i) sum += grid.rows[j][i];
        const double volume = sum * grid.dx * grid.dy, pyramid = g.area * tan * g.inradius / 3;
        // Within 0.3 %: the font's square is a rectangle 0.3 % longer than wide.
        EXPECT_NEAR(volume, pyramid, 3e-3 * pyramid) << g.label;
    }
}

}  // namespace
