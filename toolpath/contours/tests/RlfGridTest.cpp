#include "toolpath/contours/RlfGrid.h"

#include "framework/widgra/Progress.h"
#include "geometry/relief/GeCanvas.h"
#include "geometry/relief/RlfAngleShape.h"
#include "geometry/relief/RlfChamferShape.h"
#include "geometry/relief/RlfFlatShape.h"
#include "geometry/relief/RlfRoundShape.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeRegion.h"
#include "testing/GlyphOutlines.h"
#include "toolpath/contours/Skeleton.h"
#include "toolpath/contours/tests/GeLoopFixtures.h"
#include "toolpath/contours/tests/LoopOracle.h"
#include "toolpath/contours/tests/MedialAxisOracle.h"

#include <QImage>
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace {

TEST(RlfGrid, InitBitmapSnapsTheBoxOrRefusesBadInput)
{
    struct Row {
        const char* label;
        float xmin, xmax, ymin, ymax, d;
        int ok;
        float x0, x1, y0, y1;
        int nx, ny;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const Row rows[] = {
        {"snapped outwards", 0.5f, 3.2f, 0, 2, 1, 1, 0, 4, 0, 2, 4, 2},
        {"half spacing", -0.7f, 0.6f, 0.1f, 0.2f, 0.5f, 1, -1, 1, 0, 0.5f, 4, 1},
        {"empty width on a multiple", 2, 2, 0, 2, 1, 0, 1e6f, -1e6f, 1e6f, -1e6f, -1, -1},
        {"inverted", 3, 1, 0, 2, 1, 0, 1e6f, -1e6f, 1e6f, -1e6f, -1, -1},
        {"NaN bound", nan, 1, 0, 2, 1, 0, 1e6f, -1e6f, 1e6f, -1e6f, -1, -1},
        {"infinite bound", 0, inf, 0, 2, 1, 0, 1e6f, -1e6f, 1e6f, -1e6f, -1, -1},
        {"zero spacing", 0, 1, 0, 2, 0, 0, 1e6f, -1e6f, 1e6f, -1e6f, -1, -1},
        {"negative spacing", 0, 1, 0, 2, -1, 0, 1e6f, -1e6f, 1e6f, -1e6f, -1, -1},
        {"NaN spacing", 0, 1, 0, 2, nan, 0, 1e6f, -1e6f, 1e6f, -1e6f, -1, -1},
        {"too large", -1e9f, 1e9f, -1e9f, 1e9f, 1e-3f, 0, 1e6f, -1e6f, 1e6f, -1e6f, -1, -1},
    };
    for (const Row& r : rows) {
        CRlfGrid g;
        g.dx = g.dy = r.d;
        EXPECT_EQ(g.InitBitmap(r.xmin, r.xmax, r.ymin, r.ymax), r.ok) << r.label;
        EXPECT_EQ(g.nx, r.nx) << r.label;
        EXPECT_EQ(g.ny, r.ny) << r.label;
        EXPECT_FLOAT_EQ(g.x0, r.x0) << r.label;
        EXPECT_FLOAT_EQ(g.x1, r.x1) << r.label;
        EXPECT_FLOAT_EQ(g.y0, r.y0) << r.label;
        EXPECT_FLOAT_EQ(g.y1, r.y1) << r.label;
        EXPECT_EQ(g.HasRows(), r.ok == 1) << r.label;
        if (r.ok) {
            ASSERT_EQ(g.heights.size(), static_cast<std::size_t>((r.nx + 1) * (r.ny + 1))) << r.label;
            EXPECT_FLOAT_EQ(g.xs.back(), r.x1) << r.label;
            EXPECT_FLOAT_EQ(g.ys.back(), r.y1) << r.label;
        }
    }
    CRlfGrid b;
    b.x0 = 2;
    b.y0 = -1;
    EXPECT_EQ(b.InitBuffer(3, 2), 1);
    EXPECT_FLOAT_EQ(b.xs[3], 5.0f);
    EXPECT_FLOAT_EQ(b.ys[2], 1.0f);
    EXPECT_EQ(b.InitBuffer(0, 2), 0);
    EXPECT_EQ(b.nx, -1);
    EXPECT_FALSE(b.HasRows());
    EXPECT_EQ(b.InitHeight(1), 0);
}

// A 4 x 2 grid with height 10 i + j at column i, row j.
void Ramp(CRlfGrid& g)
{
    ASSERT_EQ(g.InitBitmap(0, 4, 0, 2), 1);
    for (int j = 0; j <= g.ny; ++j)
        for (int i = 0; i <= g.nx; ++i)
            g.Row(j)[i] = static_cast<float>(10 * i + j);
}

TEST(RlfGrid, ProjectPointModes)
{
    CRlfGrid g;
    Ramp(g);
    // Bilinear at (1.5, 0.25): 15 + 0.25.
    struct Row {
        int mode;
        float z;
        int ok;
        float out;
    };
    const Row rows[] = {{100, 1, 1, 16.25f}, {300, 1, 1, 16.25f}, {200, 1, 1, 14.25f}, {400, 1, 1, 14.25f},
                        {500, 20, 0, 20},   {500, 3, 1, 15.25f},  {600, 3, 0, 3},       {600, 20, 1, 15.25f},
                        {700, 3, 1, 15.25f}, {42, 3, 0, 3}};
    for (const Row& r : rows) {
        float z = r.z;
        EXPECT_EQ(g.ProjectPoint(1.5f, 0.25f, z, r.mode), r.ok) << r.mode;
        EXPECT_FLOAT_EQ(z, r.out) << r.mode;
    }
    float z = 0;
    EXPECT_EQ(g.ProjectPoint(4.0f, 0.5f, z, 700), 0) << "last column";
    EXPECT_EQ(g.ProjectPoint(1.0f, 2.0f, z, 700), 0) << "last row";
    EXPECT_EQ(g.ProjectPoint(-0.1f, 0.5f, z, 700), 0) << "left of the grid";
    EXPECT_EQ(g.ProjectPoint(std::nanf(""), 0.5f, z, 700), 0) << "NaN";
    EXPECT_EQ(g.ProjectPoint(3.99f, 1.99f, z, 700), 1);
}

double Binomial(int n, int k)
{
    double r = 1;
    for (int i = 1; i <= k; ++i)
        r = r * (n - k + i) / i;
    return r;
}

// The cardinal B-spline of order m (support [0, m]) at x.
double CardinalBSpline(int m, double x)
{
    double s = 0, fact = 1;
    for (int i = 2; i < m; ++i)
        fact *= i;
    for (int j = 0; j <= m; ++j)
        if (x > j)
            s += (j % 2 ? -1 : 1) * Binomial(m, j) * std::pow(x - j, m - 1);
    return s / fact;
}

TEST(RlfGrid, SmoothingWeightsAreBernsteinOrUniformBSplineValues)
{
    struct Row {
        const char* label;
        int kind;
        float radius;
        int width;
    };
    const Row rows[] = {{"Bernstein, narrow", 0, 1.5f, 3}, {"B-spline, narrow", 100, 1.5f, 3},
                        {"Bernstein, k 2", 7, 2.5f, 7},   {"B-spline, k 4", 100, 4.0f, 11},
                        {"Bernstein, wide", 0, 30.0f, 19}, {"B-spline, wide", 100, 9.0f, 19}};
    for (const Row& r : rows) {
        // One pass over a spike gives the outer product of the weights.
        CRlfGrid g;
        ASSERT_EQ(g.InitBitmap(0, 40, 0, 40), 1);
        g.Row(20)[20] = 1;
        ASSERT_EQ(g.SmoothBitmap(r.kind, 0, r.radius), 1);
        std::vector<double> w(static_cast<std::size_t>(r.width));
        for (int k = 0; k < r.width; ++k)
            w[static_cast<std::size_t>(k)] = r.kind == 100 ? CardinalBSpline(r.width, r.width - 0.5 - k)
                                                           : Binomial(r.width - 1, k) / std::pow(2.0, r.width - 1);
        const int h = r.width / 2;
        for (int j = 0; j <= g.ny; ++j)
            for (int i = 0; i <= g.nx; ++i) {
                const int a = i - 20 + h, b = j - 20 + h;
                const double want = a >= 0 && a < r.width && b >= 0 && b < r.width
                                        ? w[static_cast<std::size_t>(a)] * w[static_cast<std::size_t>(b)]
                                        : 0.0;
                ASSERT_NEAR(g.Row(j)[i], want, 1e-6) << r.label << " at " << i << ", " << j;
            }
    }
    // The three weights of the narrow kernels, as numbers.
    EXPECT_DOUBLE_EQ(CardinalBSpline(3, 2.5), 1.0 / 8);
    EXPECT_DOUBLE_EQ(CardinalBSpline(3, 1.5), 6.0 / 8);

    // Border replication: a step at the left border smooths as if the border row went on.
    CRlfGrid s;
    ASSERT_EQ(s.InitBitmap(0, 10, 0, 4), 1);
    for (int j = 0; j <= s.ny; ++j)
        s.Row(j)[0] = 4;
    ASSERT_EQ(s.SmoothBitmap(0, 0, 1.0f), 1);
    for (int j = 0; j <= s.ny; ++j) {
        EXPECT_FLOAT_EQ(s.Row(j)[0], 4 * 0.75f) << j;  // (1/4 + 1/2) of the replicated 4
        EXPECT_FLOAT_EQ(s.Row(j)[1], 4 * 0.25f) << j;
        EXPECT_FLOAT_EQ(s.Row(j)[2], 0) << j;
    }
    // Passes: two passes of the three Bernstein weights are the five of degree 4.
    CRlfGrid p;
    ASSERT_EQ(p.InitBitmap(0, 20, 0, 20), 1);
    p.Row(10)[10] = 1;
    ASSERT_EQ(p.SmoothBitmap(0, 1, 1.0f), 1);
    for (int k = 0; k < 5; ++k)
        EXPECT_NEAR(p.Row(10)[8 + k], Binomial(4, k) / 16 * 6.0 / 16, 1e-7) << k;
    CRlfGrid n;
    ASSERT_EQ(n.InitBitmap(0, 4, 0, 4), 1);
    n.Row(2)[2] = 1;
    ASSERT_EQ(n.SmoothBitmap(0, -1, 1.0f), 1);
    EXPECT_FLOAT_EQ(n.Row(2)[2], 1) << "negative passes smooth nothing";
}

TEST(RlfGrid, MergeModesOnShiftedGrids)
{
    for (int mode : {0, 1, 2, 5}) {
        CRlfGrid a, b;
        Ramp(a);  // [0, 4] x [0, 2]
        ASSERT_EQ(b.InitBitmap(2, 6, 1, 3), 1);
        for (int j = 0; j <= b.ny; ++j)
            for (int i = 0; i <= b.nx; ++i)
                b.Row(j)[i] = 12.5f;
        ASSERT_EQ(a.MergeBitmap(mode, b), 1);
        ASSERT_EQ(a.nx, 6) << mode;
        ASSERT_EQ(a.ny, 3) << mode;
        EXPECT_FLOAT_EQ(a.x0, 0);
        EXPECT_FLOAT_EQ(a.y1, 3);
        for (int j = 0; j <= a.ny; ++j)
            for (int i = 0; i <= a.nx; ++i) {
                const float x = a.xs[static_cast<std::size_t>(i)], y = a.ys[static_cast<std::size_t>(j)];
                const bool inA = x <= 4 && y <= 2, inB = x >= 2 && y >= 1;
                const float ha = inA ? 10 * x + y : 0, hb = 12.5f;
                float want = ha;
                if (inB)
                    want = mode == 0 ? ha + hb : mode == 1 ? std::max(ha, hb) : mode == 2 ? std::min(ha, hb) : ha;
                EXPECT_FLOAT_EQ(a.Row(j)[i], want) << "mode " << mode << " at " << x << ", " << y;
            }
    }
    CRlfGrid self;
    Ramp(self);
    const std::vector<float> before = self.heights;
    ASSERT_EQ(self.MergeBitmap(2, self), 1);
    EXPECT_EQ(self.heights, before);
    CRlfGrid empty, src;
    Ramp(src);
    ASSERT_EQ(empty.MergeBitmap(1, src), 1);
    EXPECT_EQ(empty.heights, src.heights) << "an empty grid takes the other's box";
    CRlfGrid none;
    EXPECT_EQ(src.MergeBitmap(0, none), 0);
}

std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::uint32_t U32(const std::vector<unsigned char>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

TEST(RlfGrid, SaveBitmapWritesAGreyscaleBmp)
{
    CRlfGrid g;
    ASSERT_EQ(g.InitBitmap(0, 5, 0, 2), 1);  // 6 x 3 nodes, rows padded to 8 bytes
    for (int j = 0; j <= g.ny; ++j)
        for (int i = 0; i <= g.nx; ++i)
            g.Row(j)[i] = static_cast<float>(i + 2 * j);  // max 9
    std::string path = ::testing::TempDir() + "rlfgrid.bmp";
    ASSERT_EQ(g.SaveBitmap(path.data()), 1);
    const auto bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 1078u + 3 * 8);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(U32(bytes, 2), 1078u + 24);
    EXPECT_EQ(U32(bytes, 6), 0x10000u);  // reserved words 0 and 1
    EXPECT_EQ(U32(bytes, 10), 1078u);
    EXPECT_EQ(U32(bytes, 14), 40u);
    EXPECT_EQ(U32(bytes, 18), 6u);
    EXPECT_EQ(U32(bytes, 22), 3u);
    EXPECT_EQ(U32(bytes, 34), 24u) << "image size is rows x padded width";
    EXPECT_EQ(U32(bytes, 38), 10000u);
    QImage img;
    ASSERT_TRUE(img.load(QString::fromStdString(path)));
    ASSERT_EQ(img.width(), 6);
    ASSERT_EQ(img.height(), 3);
    for (int j = 0; j <= g.ny; ++j)
        for (int i = 0; i <= g.nx; ++i) {
            const int want = static_cast<int>(g.Row(j)[i] * (250.0f / 9.0f));
            // Bottom-up rows: the first row of the file is the grid's row 0.
            EXPECT_EQ(qGray(img.pixel(i, g.ny - j)), want) << i << ", " << j;
        }
    CRlfGrid flat;
    ASSERT_EQ(flat.InitBitmap(0, 1, 0, 1), 1);
    EXPECT_EQ(flat.SaveBitmap(path.data()), 1);
    std::string bad = "/nonexistent-dir/x.bmp";
    EXPECT_EQ(g.SaveBitmap(bad.data()), 0);
    CRlfGrid empty;
    EXPECT_EQ(empty.SaveBitmap(path.data()), 0);
    std::remove(path.c_str());
}

TEST(RlfGrid, ModifiedNodesOnAlignedAndShiftedCanvases)
{
    CRlfGrid g;
    ASSERT_EQ(g.InitBitmap(2, 6, 1, 4), 1);
    for (int j = 0; j <= g.ny; ++j)
        for (int i = 0; i <= g.nx; ++i)
            g.Row(j)[i] = (i + j) % 3 == 0 ? 0.0f : static_cast<float>(1 + i + 10 * j);
    for (float shift : {0.0f, 0.5f}) {
        CGeCanvas canvas;
        float origin[2] = {shift, shift};
        ASSERT_EQ(canvas.CreateMini(origin, 1.0f, 10, 8), 1);
        canvas.CalcBox();
        std::vector<SRlfNode> out;
        gcGetModifiedNode(&canvas, &g, out);
        // Every canvas node over the grid, with the grid node at most half a step away.
        std::vector<SRlfNode> want;
        for (std::uint32_t r = 0; r < canvas.ny; ++r)
            for (std::uint32_t c = 0; c < canvas.nx; ++c) {
                const float x = canvas.xs[c], y = canvas.ys[r];
                if (x < g.x0 || x > g.x1 || y < g.y0 || y > g.y1)
                    continue;
                const int i = static_cast<int>(std::floor(x - g.x0 + 0.5f)), j = static_cast<int>(std::floor(y - g.y0 + 0.5f));
                if (i > g.nx || j > g.ny)
                    continue;
                EXPECT_LE(std::fabs(g.xs[static_cast<std::size_t>(i)] - x), 0.5f);
                const float h = g.Row(j)[i];
                if (std::fabs(h) >= 0.001f)
                    want.push_back({static_cast<std::int32_t>(r * canvas.nx + c), 0, h});
            }
        ASSERT_EQ(out.size(), want.size()) << "shift " << shift;
        ASSERT_FALSE(want.empty());
        for (std::size_t k = 0; k < out.size(); ++k) {
            EXPECT_EQ(out[k].index, want[k].index) << "shift " << shift;
            EXPECT_EQ(out[k].reserved, 0);
            EXPECT_FLOAT_EQ(out[k].height, want[k].height) << "shift " << shift;
        }
        EXPECT_EQ(out.capacity(), out.size());
    }
}

using looptest::PolygonLoop;

struct LoopDeleter {
    void operator()(CSmartLoop* l) const { delete l; }
};

// Stamps the angle profile along the loop's exact (narrow-corner) skeleton.
void StampLoop(CRlfGrid& g, CSmartLoop* loop, CRlfAngleShape& shape)
{
    float r = 0;
    CCLineCurve* sk = BuildLoopSkeleton(loop, 0, &r);
    ASSERT_TRUE(sk);
    shape.SetMaxSpan(r);
    for (CCLineCurve* c = sk; c; c = c->next)
        ASSERT_EQ(g.ModifyBitmap(*c, &shape), 1);
    DeleteSkeleton(sk);
}

TEST(RlfGrid, AngleProfileStampsTheBoundaryDistance)
{
    struct Row {
        const char* label;
        std::vector<skeltest::P2> outer;
        std::vector<skeltest::P2> island;
    };
    const Row rows[] = {
        {"rectangle", {{0, 0}, {20, 0}, {20, 10}, {0, 10}}, {}},
        {"L", {{0, 0}, {10, 0}, {10, 4}, {4, 4}, {4, 10}, {0, 10}}, {}},
        {"frame", {{0, 0}, {12, 0}, {12, 12}, {0, 12}}, {{4, 4}, {4, 7}, {7, 7}, {7, 4}}},
        {"glyph o", {}, {}},
        {"glyph B", {}, {}},
    };
    const float H = 2.5f, angle = 0.6f, tanA = std::tan(angle);
    glyphs::GlyphReader font;
    for (const Row& row : rows) {
        std::unique_ptr<CSmartLoop, LoopDeleter> loop;
        if (row.outer.empty()) {
            std::vector<glyphs::Contour> contours;
            ASSERT_TRUE(font.Char(static_cast<unsigned char>(row.label[6]), 12.0 / 2048.0, contours));
            loop.reset(looptest::GlyphLoop(contours));
        } else {
            loop.reset(PolygonLoop(row.outer));
            if (!row.island.empty())
                loop->AddIsland(PolygonLoop(row.island));
        }
        const auto rings = skeltest::Rings(loop.get());
        std::vector<float> heights[2];
        for (int threads : {1, 0}) {
            CRlfAngleShape shape;
            shape.SetParam(0, H, 2, angle, 0);
            CRlfGrid g;
            g.dx = g.dy = 0.1f;
            ASSERT_EQ(g.InitBitmap(-1, 21, -1, 13), 1);
            omp_set_num_threads(threads == 1 ? 1 : omp_get_num_procs());
            StampLoop(g, loop.get(), shape);
            heights[threads ? 0 : 1] = g.heights;
            if (threads != 1)
                continue;
            double worst = 0;
            for (int j = 0; j <= g.ny; ++j)
                for (int i = 0; i <= g.nx; ++i) {
                    const skeltest::P2 p{g.xs[static_cast<std::size_t>(i)], g.ys[static_cast<std::size_t>(j)]};
                    const double d = skeltest::BoundaryDistance(rings, p);
                    const double want = skeltest::Inside(rings, p) ? std::min<double>(H, tanA * d) : 0.0;
                    worst = std::max(worst, std::fabs(g.Row(j)[i] - want));
                }
            EXPECT_LE(worst, 0.02 * tanA + 1e-4) << row.label;
        }
        omp_set_num_threads(omp_get_num_procs());
        EXPECT_EQ(heights[0], heights[1]) << row.label << ": one thread and all differ";
    }
}

TEST(RlfGrid, CanvasStampingStopsAtACancel)
{
    using apitest::LinesLoop;
    using apitest::Region;
    auto regionsOf = [](RlfRegionList& list) {
        for (int k = 0; k < 3; ++k) {
            const double x = 12.0 * k;
            list.AddTail(Region({LinesLoop({{x, 0}, {x + 10, 0}, {x + 10, 6}, {x, 6}})}));
        }
    };
    auto freeList = [](RlfRegionList& list) {
        while (!list.IsEmpty())
            delete list.RemoveHead();
    };
    for (int polls : {-1, 0, 5, 7}) {
        RlfRegionList regions;
        regionsOf(regions);
        CGeCanvas canvas;
        float origin[2] = {-1, -1};
        ASSERT_EQ(canvas.CreateMini(origin, 0.25f, 160, 40), 1);
        CRlfAngleShape shape;
        shape.SetParam(0, 2, 2, 0.5f, 0);
        shape.skeletonMode = 1;
        widgra::testing::Reset();
        if (polls >= 0)
            widgra::testing::CancelAfterPolls(polls);
        const int done = gcCreateCanvas(&canvas, &regions, &shape);
        widgra::testing::Reset();
        EXPECT_EQ(done, polls < 0 ? 1 : 0) << polls;
        // Each rectangle has five polylines, its middle ridge first: a region whose first
        // polyline came before the cancel has its middle stamped, later ones nothing.
        for (int k = 0; k < 3; ++k) {
            const int col = canvas.Get_IndexMin(static_cast<float>(12.0 * k + 5), 0);
            const int row = canvas.Get_IndexMin(3.0f, 1);
            const bool stamped = polls < 0 || 5 * k < polls;
            EXPECT_EQ(canvas.heights[row][col] > 1.0f, stamped) << "polls " << polls << ", region " << k;
        }
        freeList(regions);
    }
    CGeCanvas canvas;
    EXPECT_EQ(gcCreateCanvas(&canvas, nullptr, nullptr), 0);
}

TEST(RlfGrid, RegionsStampedIntoAGrid)
{
    using apitest::LinesLoop;
    using apitest::Region;
    RlfRegionList regions;
    regions.AddTail(Region({LinesLoop({{0, 0}, {10, 0}, {10, 6}, {0, 6}}), LinesLoop({{4, 2}, {4, 4}, {6, 4}, {6, 2}})}));
    CRlfAngleShape shape;
    shape.SetParam(0, 10, 2, 0.7f, 0);
    CRlfGrid g;
    g.dx = g.dy = 0.1f;
    ASSERT_EQ(g.InitBitmap(-1, 11, -1, 7), 1);
    gcCreateRlfGrid(&g, &regions, &shape);
    // With every corner mitered, the frame's height is the distance to the nearer side
    // line (a square offset), below the full height everywhere.
    const auto h = [&](float x, float y) {
        float z = 0;
        EXPECT_EQ(g.ProjectPoint(x, y, z, 700), 1);
        return z;
    };
    EXPECT_NEAR(h(1, 3), std::tan(0.7f) * 1, 0.02);
    EXPECT_NEAR(h(5, 1), std::tan(0.7f) * 1, 0.02);
    EXPECT_NEAR(h(5, 3), 0, 1e-6) << "the island stays empty";
    EXPECT_NEAR(h(-0.5f, 3), 0, 1e-6) << "nothing outside";
    // On a fine grid the stamps span many rows and the team shares them: the heights are
    // the same bit for bit on one thread and on all.
    std::vector<float> fine[2];
    for (int threads : {1, 0}) {
        CRlfAngleShape again;
        again.SetParam(0, 10, 2, 0.7f, 0);
        CRlfGrid f;
        f.dx = f.dy = 0.01f;
        ASSERT_EQ(f.InitBitmap(-1, 11, -1, 7), 1);
        omp_set_num_threads(threads == 1 ? 1 : omp_get_num_procs());
        gcCreateRlfGrid(&f, &regions, &again);
        fine[threads ? 0 : 1] = f.heights;
        float z = 0;
        EXPECT_EQ(f.ProjectPoint(1, 3, z, 700), 1);
        EXPECT_NEAR(z, std::tan(0.7f) * 1, 0.02);
    }
    omp_set_num_threads(omp_get_num_procs());
    EXPECT_EQ(fine[0], fine[1]) << "one thread and all differ";
    CRlfGrid untouched;
    gcCreateRlfGrid(&untouched, nullptr, &shape);
    EXPECT_FALSE(untouched.HasRows());
    while (!regions.IsEmpty())
        delete regions.RemoveHead();
}

// An angle profile that offers no copies of itself: one thread stamps it.
class UncopiedAngle : public CRlfAngleShape {
public:
    CRlfShape* CloneProfile() const override { return nullptr; }
};

// Every profile kind into a grid and a two-layer canvas: one thread stamps on the shape,
// several each on a copy of their own; the heights are the same bit for bit, also from a
// shape without copies (which one thread of the team stamps).
TEST(RlfGrid, EveryProfileStampsAlikeOnAnyThreadCount)
{
    using apitest::LinesLoop;
    using apitest::Region;
    RlfRegionList regions;
    regions.AddTail(Region({LinesLoop({{0, 0}, {10, 0}, {10, 6}, {0, 6}}), LinesLoop({{4, 2}, {4, 4}, {6, 4}, {6, 2}})}));
    regions.AddTail(Region({LinesLoop({{11, 0}, {14, 0}, {14, 5}, {17, 5}, {17, 6}, {11, 6}})}));
    const double arcStart[2] = {0.0, 1.5}, arcMid[2] = {1.5 * std::sqrt(0.5), 1.5 * std::sqrt(0.5)}, arcEnd[2] = {1.5, 0.0};
    CGeArc quarter;
    ASSERT_EQ(quarter.Create3Pnt(arcStart, arcMid, arcEnd), 1);
    struct Row {
        const char* label;
        std::function<std::unique_ptr<CRlfShape>()> make;
    };
    const Row rows[] = {
        {"angle",
         [] {
             auto s = std::make_unique<CRlfAngleShape>();
             s->SetParam(0, 2, 2, 0.7f, 0);
             return std::unique_ptr<CRlfShape>(std::move(s));
         }},
        {"angle without copies",
         [] {
             auto s = std::make_unique<UncopiedAngle>();
             s->SetParam(0, 2, 2, 0.7f, 0);
             return std::unique_ptr<CRlfShape>(std::move(s));
         }},
        {"round",
         [] {
             auto s = std::make_unique<CRlfRoundShape>();
             s->SetParam(0, 2, 3, 0, 0, 1);
             return std::unique_ptr<CRlfShape>(std::move(s));
         }},
        {"chamfer",
         [&] {
             auto s = std::make_unique<CRlfChamferShape>();
             s->SetParam(1.5f, 1, 0);
             s->SetCross(&quarter);
             return std::unique_ptr<CRlfShape>(std::move(s));
         }},
        {"flat",
         [] {
             auto s = std::make_unique<CRlfFlatShape>();
             s->SetParam(1);
             return std::unique_ptr<CRlfShape>(std::move(s));
         }},
    };
    std::vector<float> angle;
    for (const Row& row : rows) {
        std::vector<float> heights[2];
        for (int threads : {1, 0}) {
            omp_set_num_threads(threads == 1 ? 1 : omp_get_num_procs());
            auto& out = heights[threads ? 0 : 1];
            const auto gridShape = row.make();
            CRlfGrid g;
            g.dx = g.dy = 0.02f;
            ASSERT_EQ(g.InitBitmap(-1, 18, -1, 7), 1);
            gcCreateRlfGrid(&g, &regions, gridShape.get());
            out = g.heights;
            // The canvas with a second layer (the chamfer answers only there).
            const auto canvasShape = row.make();
            CGeCanvas canvas;
            float origin[2] = {-1, -1};
            ASSERT_EQ(canvas.CreateMini(origin, 0.02f, 950, 400), 1);
            ASSERT_EQ(canvas.CreateGrnd(0), 1);
            ASSERT_EQ(gcCreateCanvas(&canvas, &regions, canvasShape.get()), 1);
            for (std::uint32_t j = 0; j < canvas.ny; ++j) {
                out.insert(out.end(), canvas.heights[j], canvas.heights[j] + canvas.nx);
                out.insert(out.end(), canvas.ground[j], canvas.ground[j] + canvas.nx);
            }
        }
        omp_set_num_threads(omp_get_num_procs());
        EXPECT_EQ(heights[0], heights[1]) << row.label << ": one thread and all differ";
        EXPECT_GT(*std::max_element(heights[0].begin(), heights[0].end()), 0.5f) << row.label;
        if (std::string(row.label) == "angle") {
            angle = heights[0];
        } else if (std::string(row.label) == "angle without copies") {
            EXPECT_EQ(heights[0], angle) << "a shape without copies stamps otherwise";
        }
    }
    while (!regions.IsEmpty())
        delete regions.RemoveHead();
}

}  // namespace
