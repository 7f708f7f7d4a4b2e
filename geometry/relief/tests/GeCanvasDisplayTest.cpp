// The canvas display's CPU side: node normals of a ramp and a hemisphere against their
// analytic normals, the strip lists decoded into triangles, the show range and step.
#include "geometry/relief/GeCanvas.h"
#include "geometry/relief/tests/ReliefFixtures.h"

#include "framework/looker/Dib.h"
#include "framework/looker/Looker.h"
#include "platform/core/RecordingDC.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

TEST(GeCanvasDisplayTest, NormalsOfARampAreItsPlaneNormalEverywhere)
{
    const float step = 0.5f, g = 0.3f;
    auto c = MakeCanvas(0, 0, step, 9, 7);
    for (unsigned j = 0; j < 7; ++j)
        for (unsigned i = 0; i < 9; ++i) c->heights[j][i] = 2.0f + step * g * static_cast<float>(i);
    const float len = std::sqrt(g * g + 1.0f);
    for (int j = 0; j < 7; ++j)
        for (int i = 0; i < 9; ++i) {
            float n[3];
            c->CalcNodeNormal(i, j, n);
            EXPECT_NEAR(n[0], -g / len, 1e-5f) << i << ", " << j;
            EXPECT_NEAR(n[1], 0.0f, 1e-5f) << i << ", " << j;
            EXPECT_NEAR(n[2], 1.0f / len, 1e-5f) << i << ", " << j;
        }
}

TEST(GeCanvasDisplayTest, NormalsOfAHemisphereFollowTheRadius)
{
    const float step = 0.1f, radius = 5.0f;
    const int n = 121;  // x, y in [-6, 6]
    auto c = MakeCanvas(-6.0f, -6.0f, step, n, n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const float x = c->xs[i], y = c->ys[j], r2 = x * x + y * y;
            c->heights[j][i] = r2 < radius * radius ? std::sqrt(radius * radius - r2) : 0.0f;
        }
    int checked = 0;
    for (int j = 1; j < n - 1; ++j)
        for (int i = 1; i < n - 1; ++i) {
            const float x = c->xs[i], y = c->ys[j];
            // Away from the rim, where the surface is smooth across the node's neighbours.
            if (std::sqrt(x * x + y * y) > 0.8f * radius) continue;
            const float z = c->heights[j][i];
            float got[3];
            c->CalcNodeNormal(i, j, got);
            const float want[3] = {x / radius, y / radius, z / radius};
            // One-sided differences: error of order step / (z/R)^3 · 1/R near the rim.
            const float tol = 3.0f * step / radius / std::pow(z / radius, 3.0f);
            for (int k = 0; k < 3; ++k) ASSERT_NEAR(got[k], want[k], tol) << i << ", " << j << " component " << k;
            ++checked;
        }
    EXPECT_GT(checked, 5000);
}

namespace {

// Triangles of a strip (odd ones flipped as OpenGL draws them), degenerate ones dropped,
// as (signed doubled area, set of the three node indices).
struct Tri {
    double area;
    std::set<std::uint32_t> nodes;
};

std::vector<Tri> Decode(const CGeCanvas& c)
{
    std::vector<Tri> out;
    for (std::uint32_t k = 0; k + 2 < c.stripCount; ++k) {
        std::uint32_t a = c.strip[k], b = c.strip[k + 1], d = c.strip[k + 2];
        if (k % 2) std::swap(a, b);
        if (a == b || b == d || a == d) continue;
        const auto px = [&](std::uint32_t v) { return double(c.xs[v % c.nx]); };
        const auto py = [&](std::uint32_t v) { return double(c.ys[v / c.nx]); };
        const double area = (px(b) - px(a)) * (py(d) - py(a)) - (py(b) - py(a)) * (px(d) - px(a));
        if (area == 0.0) continue;
        out.push_back({area, {a, b, d}});
    }
    return out;
}

std::vector<unsigned> Sampled(unsigned first, unsigned last, unsigned s)
{
    std::vector<unsigned> v;
    for (unsigned k = first; k < last; k += s) v.push_back(k);
    v.push_back(last);
    return v;
}

// Every cell between consecutive sampled rows and columns is covered by exactly two
// counter-clockwise triangles over its four corners, and nothing else is drawn.
void ExpectCovers(const CGeCanvas& c, const std::vector<unsigned>& rows, const std::vector<unsigned>& cols,
                  const char* label)
{
    const std::vector<Tri> tris = Decode(c);
    std::map<std::tuple<unsigned, unsigned>, int> count;
    for (const Tri& t : tris) {
        ASSERT_GT(t.area, 0.0) << label << ": every triangle counter-clockwise";
        unsigned minR = ~0u, minC = ~0u;
        for (std::uint32_t v : t.nodes) {
            minR = std::min(minR, v / c.nx);
            minC = std::min(minC, v % c.nx);
        }
        ++count[{minR, minC}];
    }
    ASSERT_EQ(tris.size(), 2 * (rows.size() - 1) * (cols.size() - 1)) << label;
    for (size_t r = 0; r + 1 < rows.size(); ++r)
        for (size_t k = 0; k + 1 < cols.size(); ++k)
            EXPECT_EQ((count[{rows[r], cols[k]}]), 2) << label << " cell " << rows[r] << ", " << cols[k];
}

}  // namespace

TEST(GeCanvasDisplayTest, StripListsCoverEverySampledCellWithTwoTriangles)
{
    auto c = MakeCanvas(0, 0, 1.0f, 23, 17);
    for (unsigned s : {1u, 2u, 4u, 16u}) {
        c->CreateAllStrip(s);
        const std::string label = "all, step " + std::to_string(s);
        ExpectCovers(*c, Sampled(0, 16, s), Sampled(0, 22, s), label.c_str());
    }
    CLooker looker;
    gSetLooker(&looker);
    struct Row {
        const char* label;
        RECT range;
        unsigned s, c0, c1, r0, r1;
    } rows[] = {{"widened", {5, 3, 12, 13}, 4, 4, 13, 2, 14},
                {"starts at column and row 1", {1, 1, 8, 6}, 2, 1, 9, 1, 7},
                {"ends at the last node", {3, 4, 22, 16}, 1, 2, 22, 3, 16},
                {"ten rows at step 4", {0, 5, 6, 14}, 4, 0, 7, 4, 15}};
    for (const Row& row : rows) {
        c->showRange = row.range;
        c->CreateLocalStrip(row.s);
        ExpectCovers(*c, Sampled(row.r0, row.r1, row.s), Sampled(row.c0, row.c1, row.s), row.label);
    }
    gSetLooker(nullptr);
}

TEST(GeCanvasDisplayTest, ShowRangeAndStep)
{
    auto c = MakeCanvas(10, 20, 0.5f, 40, 30);
    BOX2<double> box(12.2, 21.0, 14.1, 23.3);
    c->SetShowRange(&box);
    unsigned cols[2], rows[2];
    c->GetShowRange(cols, rows);
    EXPECT_EQ(cols[0], 4u);
    EXPECT_EQ(cols[1], 9u);
    EXPECT_EQ(rows[0], 2u);
    EXPECT_EQ(rows[1], 7u);
    EXPECT_EQ(c->showStep, 0u);
    EXPECT_FALSE(c->IsShowRangeEmpty());
    BOX2<double> inverted(5, 5, 4, 6);
    c->SetShowRange(&inverted);
    EXPECT_TRUE(c->IsShowRangeEmpty());
    c->SetShowRange(nullptr);
    c->CreateAllStrip(2);
    ASSERT_NE(c->strip, nullptr);
    c->SetShowStep(2);
    EXPECT_EQ(c->showStep, 2u);
    EXPECT_EQ(c->strip, nullptr) << "a new step releases the list";
    c->CreateAllStrip(2);
    c->SetShowStep(2);
    EXPECT_NE(c->strip, nullptr) << "the same step keeps it";
}

namespace {

// A 2D view of 400 × 300 pixels showing the world point org at its centre, scale pixels
// a unit, and the canvas of 40 × 30 nodes of 0.5 from (-10, -5) (box (-10, -5)-(10, 10))
// with a 6 × 4 preview image.
struct Preview2D {
    Preview2D(double orgX, double orgY, double scale) : canvas(MakeCanvas(-10.0f, -5.0f, 0.5f, 40, 30))
    {
        CLooker::SetView2D();
        looker.SetViewRect(CRect(0, 0, 400, 300));
        looker.SetOrgPoint(orgX, orgY);
        looker.SetScale(scale);
        looker.EmptyClipRect();
        gSetLooker(&looker);
        canvas->preview = new CDib;
        canvas->preview->Create(6, 4);
    }
    ~Preview2D()
    {
        gSetLooker(nullptr);
        CLooker::SetView2D();
    }
    // The pixel of a world point, worked out from the view's definition.
    POINT Pixel(double x, double y) const
    {
        return POINT{static_cast<LONG>(std::lround(200 + (x - org[0]) * looker.GetScale())),
                     static_cast<LONG>(std::lround(150 - (y - org[1]) * looker.GetScale()))};
    }
    CLooker looker;
    std::unique_ptr<CGeCanvas> canvas;
    double org[2] = {0, 0};
};

bool Same(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }

}  // namespace

TEST(GeCanvasDisplayTest, PreviewDrawsOverTheCanvasBoxUnderTheView)
{
    for (const double scale : {1.0, 10.0, 37.5}) {
        Preview2D v(0.0, 2.0, scale);
        v.org[1] = 2.0;
        RecordingDC dc;
        v.canvas->Draw(&dc);
        const std::vector<DCRecord> images = dc.Filter(DCRecord::DrawImage);
        ASSERT_EQ(images.size(), 1u) << "scale " << scale;
        const DCRecord& r = images[0];
        // Upper-left, upper-right, lower-left corners of the box: the image's top row is
        // the canvas's far (upper) edge.
        EXPECT_TRUE(Same(r.points[0], v.Pixel(-10, 10))) << "scale " << scale;
        EXPECT_TRUE(Same(r.points[1], v.Pixel(10, 10))) << "scale " << scale;
        EXPECT_TRUE(Same(r.points[2], v.Pixel(-10, -5))) << "scale " << scale;
        EXPECT_EQ(r.rect.right, 6);
        EXPECT_EQ(r.rect.bottom, 4);
        EXPECT_EQ(r.bits, v.canvas->preview->GetBits().data());
        EXPECT_TRUE(r.keyed);
        EXPECT_EQ(r.colour, RGB(255, 255, 255)) << "white is transparent";
    }
}

TEST(GeCanvasDisplayTest, VisibilityInTheViewAndWhenTheDrawIsSkipped)
{
    struct Row {
        const char* label;
        double orgX, orgY, scale;
        CRect clip;
        bool check, view3D;
        int visible;
        size_t images;
    };
    // The view spans 400 / scale by 300 / scale units around the org point.
    const Row rows[] = {
        {"wholly inside", 0, 2.5, 10, CRect(0, 0, 0, 0), true, false, 8, 1},
        {"partly inside", 0, 2.5, 40, CRect(0, 0, 0, 0), true, false, 1, 1},
        {"outside, clipping", 100, 0, 10, CRect(0, 0, 0, 0), true, false, 0, 0},
        {"outside, no clipping", 100, 0, 10, CRect(0, 0, 0, 0), false, false, 0, 1},
        // Box on screen: x 100 .. 300, y 75 .. 225 at scale 10 around (0, 2.5).
        {"clip rectangle holding the box", 0, 2.5, 10, CRect(50, 50, 350, 250), true, false, 8, 1},
        {"clip rectangle across the box", 0, 2.5, 10, CRect(250, 0, 400, 100), true, false, 1, 1},
        {"clip rectangle beside the box", 0, 2.5, 10, CRect(310, 0, 400, 300), true, false, 0, 0},
        {"3D view", 0, 2.5, 10, CRect(0, 0, 0, 0), true, true, 1, 0},
    };
    for (const Row& row : rows) {
        Preview2D v(row.orgX, row.orgY, row.scale);
        v.looker.SetCheckBox(row.check);
        v.looker.SetClipRect(row.clip);
        if (row.view3D) CLooker::SetView3D();
        EXPECT_EQ(v.canvas->IsInViewWnd(), row.visible) << row.label;
        RecordingDC dc;
        v.canvas->Draw(&dc);
        EXPECT_EQ(dc.Count(DCRecord::DrawImage), row.images) << row.label;
    }
    // Without a view nothing is visible or drawn; without an OpenGL context no preview
    // can be made, and none is drawn.
    auto c = MakeCanvas(0, 0, 1, 5, 5);
    EXPECT_EQ(c->IsInViewWnd(), 0);
    CLooker looker;
    looker.SetViewRect(CRect(0, 0, 100, 100));
    gSetLooker(&looker);
    RecordingDC dc;
    c->Draw(&dc);
    EXPECT_EQ(dc.Count(DCRecord::DrawImage), 0u);
    EXPECT_EQ(c->preview, nullptr);
    gSetLooker(nullptr);
}
