#include "framework/looker/Looker.h"

#include "platform/core/RecordingDC.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

// A 200 x 100 pixel window showing world x in [0, 20] and y in [0, 10].
class LookerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CLooker::SetView2D();
        looker.SetViewRect(CRect(0, 0, 200, 100));
        looker.SetScale(10.0);
        looker.SetOrgPoint(10.0, 5.0);
    }
    void TearDown() override
    {
        CLooker::SetView2D();
        gSetLooker(nullptr);
    }

    CLooker looker;
};

TEST_F(LookerTest, WorldAndScreenMapWithYFlipped)
{
    struct Row { const char* label; double wx, wy; int px, py; };
    const Row rows[] = {{"origin point at centre", 10, 5, 100, 50},
                        {"lower-left world is bottom-left pixel", 0, 0, 0, 100},
                        {"upper-right world is top-right pixel", 20, 10, 200, 0},
                        {"rounds to nearest", 0.04, 9.96, 0, 0},
                        {"rounds half away", 0.05, 0, 1, 100}};
    for (const Row& r : rows) {
        const double w[2] = {r.wx, r.wy};
        CPoint p;
        looker.WorldtoScreen2D(w, p);
        EXPECT_EQ(p.x, r.px) << r.label;
        EXPECT_EQ(p.y, r.py) << r.label;
        CPoint q;
        looker.WorldtoScreen(w, q, 2);
        EXPECT_TRUE(p == q) << r.label;
        double back[2];
        looker.ScreentoWorld2D(p, back);
        EXPECT_NEAR(back[0], r.wx, 0.05 + 1e-12) << r.label;
        EXPECT_NEAR(back[1], r.wy, 0.05 + 1e-12) << r.label;
    }
    const BOX2<double> box = looker.GetViewBox();
    EXPECT_DOUBLE_EQ(box.xmin, 0.0);
    EXPECT_DOUBLE_EQ(box.ymin, 0.0);
    EXPECT_DOUBLE_EQ(box.xmax, 20.0);
    EXPECT_DOUBLE_EQ(box.ymax, 10.0);
}

TEST_F(LookerTest, LengthsAndFarPointsDoNotOverflow)
{
    int px = 0;
    looker.WorldtoScreen(2.26, px);
    EXPECT_EQ(px, 23);
    double w = 0.0;
    looker.ScreentoWorld(1, w);
    EXPECT_DOUBLE_EQ(w, 0.1);
    const double far[2] = {1e300, -1e300};
    CPoint p;
    looker.WorldtoScreen2D(far, p);
    EXPECT_EQ(p.x, CLooker::kPixelLimit);
    EXPECT_EQ(p.y, CLooker::kPixelLimit);
    const double nan[2] = {std::nan(""), 0.0};
    looker.WorldtoScreen2D(nan, p);
    EXPECT_EQ(p.x, 0);
}

TEST_F(LookerTest, ZoomAboutAnchorKeepsItsPixel)
{
    Position anchor(3.0, 7.0);
    CPoint before;
    looker.WorldtoScreen2D(anchor.Ptr(), before);
    ASSERT_TRUE(looker.SetScale(37.5, anchor));
    CPoint after;
    looker.WorldtoScreen2D(anchor.Ptr(), after);
    EXPECT_TRUE(before == after);
    EXPECT_DOUBLE_EQ(looker.GetScale(), 37.5);
    EXPECT_FALSE(looker.SetScale(0.0));
    EXPECT_FALSE(looker.SetScale(-2.0, anchor));
    EXPECT_FALSE(looker.SetScale(std::nan("")));
    EXPECT_DOUBLE_EQ(looker.GetScale(), 37.5);
}

TEST_F(LookerTest, ZoomBoxFitsAndMoveViewPans)
{
    BOX2<double> b(100, 100, 140, 110);
    ASSERT_TRUE(looker.ZoomBox(b));
    BOX2<double> view = looker.GetViewBox();
    EXPECT_DOUBLE_EQ(view.xmin, 100.0);
    EXPECT_DOUBLE_EQ(view.xmax, 140.0);
    EXPECT_DOUBLE_EQ(view.ymin, 95.0);
    EXPECT_DOUBLE_EQ(view.ymax, 115.0);
    looker.MoveView(5.0, -1.0);
    view = looker.GetViewBox();
    EXPECT_DOUBLE_EQ(view.xmin, 95.0) << "the picture moves right, the window left";
    EXPECT_DOUBLE_EQ(view.ymin, 96.0);
    BOX2<double> empty;
    empty.InitEmpty();
    EXPECT_FALSE(looker.ZoomBox(empty));
}

TEST_F(LookerTest, PointInViewAndScreenToPosition)
{
    const double in[2] = {20.0, 0.0};
    const double out[2] = {20.01, 5.0};
    EXPECT_TRUE(looker.IsPtInView(in, 2));
    EXPECT_FALSE(looker.IsPtInView(out, 2));
    Position pos;
    looker.ScreentoWorld(CPoint(50, 25), pos);
    EXPECT_DOUBLE_EQ(pos.x, 5.0);
    EXPECT_DOUBLE_EQ(pos.y, 7.5);
    EXPECT_EQ(pos.m_ptScreen.x, 50);
}

TEST_F(LookerTest, CurrentViewSlotAndModes)
{
    EXPECT_EQ(gGetLooker(), nullptr);
    {
        CLooker temp;
        gSetLooker(&temp);
        EXPECT_EQ(gGetLooker(), &temp);
    }
    EXPECT_EQ(gGetLooker(), nullptr) << "a destroyed view leaves the slot";
    gSetLooker(&looker);
    EXPECT_EQ(gGetLooker(), &looker);
    EXPECT_TRUE(CLooker::IsView2D());
    CLooker::SetView3D();
    EXPECT_TRUE(CLooker::IsView3D());
    EXPECT_FALSE(CLooker::IsView2D());
    EXPECT_TRUE(looker.GetClipRect().IsRectEmpty());
}

std::vector<POINT> AllStrokePoints(const RecordingDC& dc)
{
    std::vector<POINT> pts;
    for (const auto& s : dc.Strokes()) pts.insert(pts.end(), s.begin(), s.end());
    return pts;
}

TEST_F(LookerTest, DrawPolylineDrawsMappedPoints)
{
    const double pts[][2] = {{0, 0}, {10, 5}, {20, 10}};
    RecordingDC dc;
    looker.DrawPolyline(pts, 3, &dc);
    const auto strokes = dc.Strokes();
    ASSERT_EQ(strokes.size(), 1u);
    ASSERT_EQ(strokes[0].size(), 3u);
    EXPECT_EQ(strokes[0][1].x, 100);
    EXPECT_EQ(strokes[0][1].y, 50);
    EXPECT_EQ(strokes[0][2].y, 0);
    // Nothing without a context or points.
    looker.DrawPolyline(pts, 3, nullptr);
    looker.DrawPolyline(nullptr, 3, &dc);
    looker.DrawPolyline(pts, 0, &dc);
    EXPECT_EQ(dc.GetRecords().size(), 1u);
}

TEST_F(LookerTest, FarSegmentsAreClippedAlongTheirDirection)
{
    // A line through the view whose ends lie 1e9 pixels away on either side.
    const double pts[][2] = {{-1e8, -0.5e8}, {1e8, 0.5e8}};
    RecordingDC dc;
    looker.SetOrgPoint(0, 0);
    looker.DrawPolyline(pts, 2, &dc);
    const auto strokes = dc.Strokes();
    ASSERT_EQ(strokes.size(), 1u);
    const POINT a = strokes[0].front();
    const POINT b = strokes[0].back();
    EXPECT_LT(std::abs(a.x), 200000);
    EXPECT_LT(std::abs(b.x), 200000);
    // Slope on screen stays -1/2 (y flipped) and the line still passes the centre pixel.
    const double slope = double(b.y - a.y) / double(b.x - a.x);
    EXPECT_NEAR(slope, -0.5, 1e-4);
    const double yAtCentre = a.y + slope * (100 - a.x);
    EXPECT_NEAR(yAtCentre, 50.0, 1.0);

    // A segment wholly outside draws nothing and splits the stroke.
    const double three[][2] = {{0, 0}, {1e9, 0}, {1e9, 1}, {0, 1}};
    RecordingDC dc2;
    looker.DrawPolyline(three, 4, &dc2);
    EXPECT_EQ(dc2.Strokes().size(), 2u);
}

TEST_F(LookerTest, StepDrawingKeepsFirstAndLast)
{
    double pts[10][2];
    for (int i = 0; i < 10; ++i) {
        pts[i][0] = i;
        pts[i][1] = (i % 2) * 3.0;
    }
    struct Row { const char* label; int step; std::vector<int> xs; };
    const Row rows[] = {{"step 1", 1, {100, 110, 120, 130, 140, 150, 160, 170, 180, 190}},
                        {"step 3 ends on last", 3, {100, 130, 160, 190}},
                        {"step 4 adds last", 4, {100, 140, 180, 190}},
                        {"step 0 as 1", 0, {100, 110, 120, 130, 140, 150, 160, 170, 180, 190}}};
    looker.SetOrgPoint(0, 0);
    for (const Row& r : rows) {
        RecordingDC dc;
        looker.DrawPolylineEx(pts, 10, r.step, &dc);
        const auto drawn = AllStrokePoints(dc);
        ASSERT_EQ(drawn.size(), r.xs.size()) << r.label;
        for (std::size_t i = 0; i < drawn.size(); ++i) EXPECT_EQ(drawn[i].x, r.xs[i]) << r.label << " #" << i;
    }
    // A step of the whole count: one pixel at the first point, in the pen's colour.
    RecordingDC dc;
    CPen pen(PS_SOLID, 1, RGB(9, 8, 7));
    dc.SelectObject(&pen);
    looker.DrawPolylineEx(pts, 10, 10, &dc);
    const auto px = dc.Filter(DCRecord::SetPixel);
    ASSERT_EQ(px.size(), 1u);
    EXPECT_EQ(px[0].points[0].x, 100);
    EXPECT_EQ(px[0].colour, RGB(9, 8, 7));
    EXPECT_TRUE(dc.Strokes().empty());
}

TEST_F(LookerTest, PixelsRoundAsLroundOfTheUnroundedMapping)
{
    // Halves, the doubles either side of halves, negatives and far points.
    looker.SetScale(1.0);
    looker.SetOrgPoint(0.0, 0.0);
    std::vector<double> xs = {-100.5, -100.49999999999999, -0.5, -0.4999999999999999, 0.5, 0.49999999999999994,
                              2.5, 3.5, -7.5, 1e7 + 0.5, -1e7 - 0.5, 4e8, -4e8, 1e-300, -1e-300,
                              0.5 + 0x1p-40, -0.5 - 0x1p-40, 268435455.5, -268435455.5,
                              std::nextafter(268435455.5, 0.0), std::nextafter(-268435455.5, 0.0)};
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> whole(-70000, 70000);
    for (int i = 0; i < 2000; ++i) {
        const double half = whole(rng) + 0.5;
        xs.push_back(i % 3 == 0 ? half : std::nextafter(half, i % 3 == 1 ? -1e9 : 1e9));
    }
    for (double x : xs) {
        const double w[2] = {x, -x};
        double unrounded[2];
        CPoint p;
        looker.WorldtoScreen2D(w, unrounded);
        looker.WorldtoScreen2D(w, p);
        const double limit = CLooker::kPixelLimit;
        EXPECT_EQ(p.x, std::lround(std::clamp(unrounded[0], -limit, limit))) << x;
        EXPECT_EQ(p.y, std::lround(std::clamp(unrounded[1], -limit, limit))) << x;
    }
    // The rounding itself, over its whole range (|v| < 2^31).
    for (double x : {2147483646.5, -2147483646.5, 2147483647.4999998, -2147483647.4999998, 1073741823.5})
        xs.push_back(x);
    for (double x : xs) {
        if (std::fabs(x) >= 2147483647.5) continue;
        EXPECT_EQ(PixelMap2D::RoundHeld(x), std::lround(x)) << x;
    }
}

// The drawing calls a context received, as (kind, points, colour) in order.
std::string CallsOf(const RecordingDC& dc)
{
    std::string calls;
    for (const DCRecord& r : dc.GetRecords()) {
        calls += std::to_string(int(r.kind)) + ":" + std::to_string(r.colour) + "[";
        for (const POINT& p : r.points) calls += std::to_string(p.x) + "," + std::to_string(p.y) + " ";
        calls += "] ";
    }
    return calls;
}

TEST_F(LookerTest, ShortStrokesDrawTheCallsOfTheGeneralStroke)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* label;
        std::vector<std::vector<double>> points;  // world (x, y)
        int step;
    };
    // World 1 = 10 px; the guard is 65536 px (6553.6 world) outside the view.
    const Row rows[] = {
        {"two or three pixels", {{1.0, 1.0}, {1.23, 1.07}}, 1},
        {"within one pixel", {{1.0, 1.0}, {1.02, 1.03}}, 1},
        {"zero length", {{3.3, 4.4}, {3.3, 4.4}}, 1},
        {"on half pixels, negative too", {{0.05, 0.05}, {-0.15, 0.25}, {-0.05, -0.35}}, 1},
        {"crossing the guard", {{1.0, 1.0}, {9000.0, 2.0}, {3.0, 4.0}}, 1},
        {"ending just past the guard", {{1.0, 1.0}, {6574.0, 1.0}}, 1},
        {"ending on the guard", {{1.0, 1.0}, {6573.6, 1.0}}, 1},
        {"wholly outside the guard", {{-8000.0, 1.0}, {-8000.0, 3.0}}, 1},
        {"a NaN point", {{1.0, 1.0}, {nan, 2.0}, {1.5, 1.5}}, 1},
        {"stepped, the last point added", {{0, 0}, {0.3, 0.1}, {0.6, 0.3}, {0.9, 0.6}, {1.2, 1.0}, {1.5, 1.5}}, 2},
        {"a step past the count", {{2.0, 2.0}, {2.5, 2.5}}, 5},
        {"more points than a short stroke", std::vector<std::vector<double>>(20, {5.0, 5.0}), 1},
    };
    auto check = [&](const char* label, const std::vector<std::vector<double>>& points, int step) {
        std::vector<double> flat;
        for (const auto& p : points) flat.insert(flat.end(), p.begin(), p.end());
        const auto* pts = reinterpret_cast<const double(*)[2]>(flat.data());
        RecordingDC general, shortPath;
        CPen pen(PS_SOLID, 1, RGB(1, 2, 3));
        general.SelectObject(&pen);
        shortPath.SelectObject(&pen);
        const int count = static_cast<int>(points.size());
        looker.DrawPolylineEx(pts, count, step, &general);
        looker.DrawShortPolyline2D(pts, count, step, &shortPath);
        EXPECT_EQ(CallsOf(shortPath), CallsOf(general)) << label;
        return !general.GetRecords().empty();
    };
    for (const Row& r : rows) check(r.label, r.points, r.step);
    // Random short strokes near the view and near the guard, on a view whose
    // scale and origin make inexact pixels.
    looker.SetScale(7.3);
    looker.SetOrgPoint(0.137, -2.71);
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double guardWorld = 65536.0 / 7.3;
    int drawn = 0;
    for (int i = 0; i < 3000; ++i) {
        const double cx = i % 4 == 0 ? (unit(rng) < 0.5 ? -1.0 : 1.0) * guardWorld : 30.0 * unit(rng) - 10.0;
        const double cy = 20.0 * unit(rng) - 5.0;
        std::vector<std::vector<double>> points;
        const int n = 1 + static_cast<int>(unit(rng) * 6.0);
        for (int k = 0; k < n; ++k) points.push_back({cx + 0.5 * unit(rng), cy + 0.5 * unit(rng)});
        drawn += check("random", points, 1 + i % 3) ? 1 : 0;
    }
    EXPECT_GT(drawn, 2000);
}

TEST_F(LookerTest, ABoxOnOnePixelDrawsThatPixelWhateverItsPoints)
{
    // Boxes up to five pixels across, anywhere from the view to past the
    // guard, some with corners on half pixels. When the frame's map names one
    // pixel for a box, strokes between points of the box (corners, random
    // points, and points a hair inside the edges) draw that pixel alone; a
    // point's pixel is the pixel its one-point stroke sets.
    looker.SetScale(7.3);
    looker.SetOrgPoint(0.137, -2.71);
    const PixelMap2D map(looker);
    const double px = 1.0 / 7.3, guardWorld = 65536.0 / 7.3;
    std::mt19937 rng(23);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int onePixel = 0, several = 0;
    for (int i = 0; i < 4000; ++i) {
        double x = 40.0 * unit(rng) - 20.0, y = 30.0 * unit(rng) - 15.0;
        if (i % 5 == 0) x += (unit(rng) < 0.5 ? -1.0 : 1.0) * guardWorld;
        if (i % 7 == 0) {  // a corner on a half pixel
            double w[2];
            looker.ScreentoWorld2D(CPoint(static_cast<int>(x * 7.3), static_cast<int>(y * 7.3)), w);
            x = w[0] + 0.5 * px, y = w[1] - 0.5 * px;
        }
        const double w = (i % 3 == 0 ? 5.0 : 0.7) * px * unit(rng), h = (i % 3 == 1 ? 5.0 : 0.7) * px * unit(rng);
        const BOX2<double> box{x, y, x + w, y + h};
        POINT pixel{0, 0};
        if (!map.BoxPixel(box, pixel)) {
            ++several;
            continue;
        }
        ++onePixel;
        const double inset = 1e-12;
        const double pts[][2] = {{box.xmin, box.ymin}, {box.xmax, box.ymax}, {box.xmin, box.ymax},
                                 {box.xmax, box.ymin}, {x + w * unit(rng), y + h * unit(rng)},
                                 {box.xmax - inset, box.ymin + inset}, {x + w * unit(rng), y + h * unit(rng)}};
        RecordingDC dc;
        CPen pen(PS_SOLID, 1, RGB(1, 2, 3));
        dc.SelectObject(&pen);
        looker.DrawPolylineEx(pts, 7, 1, &dc);
        const std::vector<DCRecord> set = dc.Filter(DCRecord::SetPixel);
        ASSERT_EQ(set.size(), 1u) << i;
        EXPECT_TRUE(dc.Strokes().empty()) << i;
        EXPECT_EQ(set[0].points[0].x, pixel.x) << i;
        EXPECT_EQ(set[0].points[0].y, pixel.y) << i;
        POINT point{0, 0};
        ASSERT_TRUE(map.PointPixel(pts[4], point)) << i;
        EXPECT_EQ(point.x, pixel.x) << i;
        EXPECT_EQ(point.y, pixel.y) << i;
    }
    EXPECT_GT(onePixel, 400);
    EXPECT_GT(several, 400);
    // Beyond the guard, or not a number: no pixel.
    POINT pixel{0, 0};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(map.BoxPixel(BOX2<double>{guardWorld + 100.0, 0.0, guardWorld + 100.0, 0.0}, pixel));
    EXPECT_FALSE(map.BoxPixel(BOX2<double>{nan, 0.0, 1.0, 0.0}, pixel));
    const double far[2] = {0.0, -2.0 * guardWorld}, bad[2] = {nan, 1.0};
    EXPECT_FALSE(map.PointPixel(far, pixel));
    EXPECT_FALSE(map.PointPixel(bad, pixel));
}

TEST_F(LookerTest, FineModeThinsToPixelsButKeepsSegmentEnds)
{
    // 101 points 0.01 apart (0.1 pixel) along x; segment ends at 0, 37, 100.
    double pts[101][2];
    for (int i = 0; i <= 100; ++i) {
        pts[i][0] = 0.01 * i;
        pts[i][1] = 0.0;
    }
    CUIntArray ends;
    ends.Add(0);
    ends.Add(37);
    ends.Add(100);
    looker.SetOrgPoint(0, 0);
    RecordingDC plain, fine;
    looker.DrawPolylineEx(pts, 101, CLooker::kDrawPlain, &ends, &plain);
    looker.DrawPolylineEx(pts, 101, CLooker::kDrawFine, &ends, &fine);
    const auto p = AllStrokePoints(plain);
    const auto f = AllStrokePoints(fine);
    // Plain keeps every distinct pixel (0..10), fine keeps fewer but the ends.
    EXPECT_EQ(p.size(), 11u);
    EXPECT_LT(f.size(), p.size());
    ASSERT_FALSE(f.empty());
    EXPECT_EQ(f.front().x, 100);
    EXPECT_EQ(f.back().x, 110);
    bool hasEnd37 = false;
    for (const POINT& q : f) hasEnd37 = hasEnd37 || q.x == 104;  // 0.37 world = 3.7 px
    EXPECT_TRUE(hasEnd37);
    // Bad segment-end indices are ignored.
    CUIntArray bad;
    bad.Add(1000);
    RecordingDC dc;
    looker.DrawPolylineEx(pts, 101, CLooker::kDrawFine, &bad, &dc);
    EXPECT_FALSE(dc.Strokes().empty());
}

TEST_F(LookerTest, Draw3DUsesPlanViewByDefault)
{
    const double pts[][3] = {{0, 0, 5}, {10, 5, -3}};
    RecordingDC dc;
    CLooker::SetView3D();
    looker.DrawPolyline3D(pts, 2, &dc);
    const auto strokes = dc.Strokes();
    ASSERT_EQ(strokes.size(), 1u);
    EXPECT_EQ(strokes[0][1].x, 100);
    EXPECT_EQ(strokes[0][1].y, 50);
}

}  // namespace

TEST_F(LookerTest, ViewParametersPushPopAndBlend)
{
    looker.SetViewRect(CRect(0, 0, 200, 100));
    looker.SetOrgPoint(5.0, 7.0);
    ASSERT_TRUE(looker.SetScale(2.0));
    looker.PushViewPara();
    looker.MoveView(10.0, 0.0);
    ASSERT_TRUE(looker.SetScale(8.0));
    CViewPara moved;
    looker.GetViewPara(&moved);
    ASSERT_TRUE(looker.PopViewPara());
    double org[2];
    looker.GetOrgPoint(org);
    EXPECT_DOUBLE_EQ(org[0], 5.0);
    EXPECT_DOUBLE_EQ(looker.GetScale(), 2.0);
    EXPECT_FALSE(looker.PopViewPara()) << "empty stack";

    CViewPara bad = moved;
    bad.m_dScale = 0.0;
    EXPECT_FALSE(looker.SetViewPara(bad));
    EXPECT_DOUBLE_EQ(looker.GetScale(), 2.0);

    CViewPara start;
    looker.GetViewPara(&start);
    CViewPara half;
    CLooker::LerpView(start, moved, 0.5, half);
    EXPECT_DOUBLE_EQ(half.m_org[0], 0.0) << "half-way between 5 and -5 (the picture moved right by 10)";
    EXPECT_NEAR(half.m_dScale, 4.0, 1e-12) << "geometric blend of 2 and 8";
    CViewPara end;
    CLooker::LerpView(start, moved, 7.0, end);
    EXPECT_DOUBLE_EQ(end.m_dScale, 8.0) << "t clamped to 1";
}

TEST_F(LookerTest, ViewRectFollowsTheInstalledWindow)
{
    CRect client(0, 0, 300, 200);
    looker.SetViewWnd(&client, [&client] { return client; });
    looker.SetOrgPoint(1.0, 2.0);
    looker.UpdateViewRect();
    EXPECT_EQ(looker.GetViewRect(), client);
    client = CRect(0, 0, 100, 50);
    looker.UpdateViewRect();
    looker.UpdateViewBox();
    const BOX2<double> box = looker.GetCachedViewBox();
    EXPECT_DOUBLE_EQ(0.5 * (box.xmin + box.xmax), 1.0) << "centre keeps its world point";
    EXPECT_DOUBLE_EQ(box.xmax - box.xmin, 100.0 / looker.GetScale());
    EXPECT_EQ(looker.GetViewWnd(), &client);
}
