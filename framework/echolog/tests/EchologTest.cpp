// The tracing stand-in: bad input, empty and full images, orientation and
// nesting of outlines, and the records handed out for them.
#include "framework/echolog/Echolog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

namespace {

static_assert(offsetof(qv_spline_type, degree) == 48);

// A w x h image of paper with ink rectangles [x0, x1) x [y0, y1) (rows from the top).
struct Image {
    int w, h, stride;
    std::vector<unsigned char> px;
    Image(int w_, int h_, int pad = 0) : w(w_), h(h_), stride(w_ + pad), px(static_cast<std::size_t>(stride * h_), 255) {}
    void Fill(int x0, int y0, int x1, int y1, unsigned char v)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) px[static_cast<std::size_t>(y * stride + x)] = v;
    }
};

struct Trace {
    _at_spline_list_array_type splines;
    qv_curve_list_type list;
    int rc = 0;
    Trace(const Image& img, int threshold = 128)
    {
        rc = qv_trace_bitmap(img.px.data(), img.w, img.h, img.stride, threshold, &splines);
        list = qv_spline_to_qvcurve(splines);
    }
    ~Trace()
    {
        qv_free_qvcurve(&list);
        qv_free_spline_list_array(&splines);
    }
};

// End of a record: point 1 of a straight one, point 3 of a cubic.
const float* End(const qv_spline_type& r) { return r.point[r.degree == 1 ? 1 : 3]; }

// Signed area of an entry, its cubics sampled densely; also checks that the
// records join end to end and close.
double EntryArea(const qv_spline_list_type& e, const std::string& label)
{
    double area = 0;
    for (int i = 0; i < e.count; ++i) {
        const qv_spline_type& r = e.splines[i];
        const qv_spline_type& next = e.splines[(i + 1) % e.count];
        EXPECT_EQ(End(r)[0], next.point[0][0]) << label << ", record " << i;
        EXPECT_EQ(End(r)[1], next.point[0][1]) << label << ", record " << i;
        for (int k = 0; k < 4; ++k) EXPECT_EQ(r.point[k][2], 0.0f) << label;
        EXPECT_TRUE(r.degree == 1 || r.degree == 3) << label;
        const int steps = r.degree == 1 ? 1 : 64;
        double px = r.point[0][0], py = r.point[0][1];
        for (int s = 1; s <= steps; ++s) {
            double x, y;
            if (r.degree == 1) {
                x = r.point[1][0];
                y = r.point[1][1];
            } else {
                const double t = static_cast<double>(s) / steps, u = 1 - t;
                const double b[4] = {u * u * u, 3 * t * u * u, 3 * t * t * u, t * t * t};
                x = y = 0;
                for (int k = 0; k < 4; ++k) {
                    x += b[k] * r.point[k][0];
                    y += b[k] * r.point[k][1];
                }
            }
            area += px * y - x * py;
            px = x;
            py = y;
        }
    }
    return area / 2;
}

TEST(EchologTest, BadInputFailsWithAnEmptyTrace)
{
    const unsigned char px[16] = {};
    struct Row {
        const char* label;
        const unsigned char* pixels;
        int w, h, stride;
    } rows[] = {
        {"null pixels", nullptr, 4, 4, 4}, {"zero width", px, 0, 4, 4},      {"zero height", px, 4, 0, 4},
        {"negative size", px, -4, 4, 4},   {"stride below width", px, 4, 4, 3},
    };
    for (const Row& r : rows) {
        _at_spline_list_array_type out;
        out.length = 99;
        EXPECT_EQ(qv_trace_bitmap(r.pixels, r.w, r.h, r.stride, 128, &out), 0) << r.label;
        EXPECT_EQ(out.length, 0u) << r.label;
        EXPECT_EQ(out.state, nullptr) << r.label;
    }
    EXPECT_EQ(qv_trace_bitmap(px, 4, 4, 4, 128, nullptr), 0);
    qv_free_spline_list_array(nullptr);
    qv_free_qvcurve(nullptr);
}

TEST(EchologTest, EmptyTraceHasZeroLengthAndNoEntries)
{
    for (int threshold : {128, 0}) {
        Image white(9, 5);
        Image black(9, 5);
        black.Fill(0, 0, 9, 5, 0);
        // Threshold 0: nothing is darker than it.
        Trace t(threshold ? white : black, threshold);
        EXPECT_EQ(t.rc, 1) << threshold;
        EXPECT_EQ(t.splines.length, 0u) << threshold;
        EXPECT_EQ(t.list.count, 0) << threshold;
        EXPECT_EQ(t.list.lists, nullptr) << threshold;
    }
}

// A square ring: the outer outline counter-clockwise (y up), the hole
// clockwise, areas as the pixels say; the image is not mirrored.
TEST(EchologTest, RingTracesOuterCounterClockwiseAndHoleClockwise)
{
    for (int pad : {0, 5}) {
        const std::string label = "padding " + std::to_string(pad);
        Image img(60, 50, pad);
        img.Fill(10, 5, 50, 45, 0);    // ink 40 x 40
        img.Fill(20, 15, 40, 35, 255);  // hole 20 x 20
        img.Fill(2, 46, 6, 49, 100);    // a 4 x 3 block near the bottom-left, grey below the threshold
        Trace t(img);
        ASSERT_EQ(t.rc, 1) << label;
        ASSERT_EQ(t.splines.length, 3u) << label;
        ASSERT_EQ(t.list.count, 3) << label;
        std::vector<double> areas;
        for (int i = 0; i < t.list.count; ++i) areas.push_back(EntryArea(t.list.lists[i], label));
        std::sort(areas.begin(), areas.end());
        EXPECT_NEAR(areas[0], -400, 8) << label << ": hole";
        // Potrace rounds a block this small: its area is no longer exact.
        EXPECT_NEAR(areas[1], 12, 3) << label << ": block";
        EXPECT_NEAR(areas[2], 1600, 16) << label << ": outer";
        // The block lies at rows 46..48 from the top, so near y = 1..4 with y up.
        for (int i = 0; i < t.list.count; ++i) {
            const qv_spline_list_type& e = t.list.lists[i];
            if (std::fabs(EntryArea(e, label) - 12) > 3) continue;
            for (int r = 0; r < e.count; ++r) {
                EXPECT_GE(e.splines[r].point[0][1], 1.0f - 1e-4f) << label;
                EXPECT_LE(e.splines[r].point[0][1], 4.0f + 1e-4f) << label;
            }
        }
    }
}

TEST(EchologTest, CornersGiveTwoStraightRecords)
{
    Image img(20, 20);
    img.Fill(0, 0, 20, 20, 0);
    Trace t(img);
    ASSERT_EQ(t.list.count, 1);
    const qv_spline_list_type& e = t.list.lists[0];
    // Four corners of the full image, each a pair of straight records.
    ASSERT_EQ(e.count, 8);
    for (int i = 0; i < e.count; ++i) EXPECT_EQ(e.splines[i].degree, 1) << "record " << i;
    EXPECT_NEAR(EntryArea(e, "square"), 400, 1e-9);
}

}  // namespace
