#include "platform/core/RecordingDC.h"

#include <gtest/gtest.h>

namespace {

bool Same(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }

TEST(DCTest, SelectObjectReturnsThePreviousPenAndRestores)
{
    RecordingDC dc;
    CPen* original = dc.GetCurrentPen();
    ASSERT_NE(original, nullptr);
    EXPECT_EQ(dc.GetPenState(), (PenState{PS_SOLID, 1, 0}));

    CPen green(PS_SOLID, 1, RGB(0, 125, 0));
    CPen* old = dc.SelectObject(&green);
    EXPECT_EQ(old, original);
    dc.Ellipse(1, 2, 9, 10);
    {
        CPen dotted(PS_DOT, 2, RGB(195, 0, 170));
        CPen* prev = dc.SelectObject(&dotted);
        EXPECT_EQ(prev, &green);
        dc.LineTo(5, 5);
        dc.SelectObject(prev);
    }  // the dotted pen is gone; the context kept only its attributes
    dc.SelectObject(old);
    dc.Rectangle(0, 0, 3, 3);

    const auto ellipses = dc.Filter(DCRecord::Ellipse);
    ASSERT_EQ(ellipses.size(), 1u);
    EXPECT_EQ(ellipses[0].pen, (PenState{PS_SOLID, 1, RGB(0, 125, 0)}));
    const auto lines = dc.Filter(DCRecord::LineTo);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].pen, (PenState{PS_DOT, 2, RGB(195, 0, 170)}));
    const auto rects = dc.Filter(DCRecord::Rectangle);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].pen, (PenState{PS_SOLID, 1, 0}));
    EXPECT_EQ(dc.Count(DCRecord::SelectPen), 4u);
}

TEST(DCTest, RefusedSelectionsChangeNothing)
{
    RecordingDC dc;
    CPen never;
    EXPECT_EQ(dc.SelectObject(static_cast<CPen*>(nullptr)), nullptr);
    EXPECT_EQ(dc.SelectObject(&never), nullptr);
    CPen bad;
    EXPECT_FALSE(bad.CreatePen(99, 1, 0));
    EXPECT_EQ(dc.SelectObject(&bad), nullptr);
    EXPECT_EQ(dc.GetPenState(), (PenState{PS_SOLID, 1, 0}));
    EXPECT_EQ(dc.SetROP2(0), 0);
    EXPECT_EQ(dc.SetROP2(17), 0);
    EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
    EXPECT_TRUE(dc.GetRecords().empty());
}

TEST(DCTest, RasterOperationIsRecordedWithEachCall)
{
    RecordingDC dc;
    EXPECT_EQ(dc.SetROP2(R2_XORPEN), R2_COPYPEN);
    dc.Ellipse(0, 0, 4, 4);
    EXPECT_EQ(dc.SetROP2(R2_NOTXORPEN), R2_XORPEN);
    dc.SetPixel(3, 4, RGB(1, 2, 3));
    EXPECT_EQ(dc.SetROP2(R2_COPYPEN), R2_NOTXORPEN);
    EXPECT_EQ(dc.Filter(DCRecord::Ellipse)[0].rop2, R2_XORPEN);
    const DCRecord px = dc.Filter(DCRecord::SetPixel)[0];
    EXPECT_EQ(px.rop2, R2_NOTXORPEN);
    EXPECT_EQ(px.colour, RGB(1, 2, 3));
    EXPECT_TRUE(Same(px.points[0], POINT{3, 4}));
}

TEST(DCTest, StrokesFollowMoveToLineToAndPolyline)
{
    RecordingDC dc;
    const POINT prev = dc.MoveTo(1, 1);
    EXPECT_TRUE(Same(prev, POINT{0, 0}));
    dc.LineTo(2, 1);
    dc.LineTo(2, 2);
    dc.MoveTo(10, 10);
    dc.LineTo(11, 10);
    const POINT pts[] = {{0, 0}, {5, 0}, {5, 5}};
    EXPECT_TRUE(dc.Polyline(pts, 3));
    EXPECT_TRUE(Same(dc.GetCurrentPosition(), POINT{11, 10})) << "Polyline leaves the position";
    EXPECT_FALSE(dc.Polyline(pts, 1));
    EXPECT_FALSE(dc.Polyline(nullptr, 3));

    const auto strokes = dc.Strokes();
    ASSERT_EQ(strokes.size(), 3u);
    ASSERT_EQ(strokes[0].size(), 3u);
    EXPECT_TRUE(Same(strokes[0][0], POINT{1, 1}));
    EXPECT_TRUE(Same(strokes[0][2], POINT{2, 2}));
    ASSERT_EQ(strokes[1].size(), 2u);
    EXPECT_TRUE(Same(strokes[1][1], POINT{11, 10}));
    ASSERT_EQ(strokes[2].size(), 3u);
    EXPECT_TRUE(Same(strokes[2][2], POINT{5, 5}));
}

TEST(DCTest, BrushIsCapturedAtSelection)
{
    RecordingDC dc;
    CBrush hollow;
    hollow.CreateHollowBrush();
    CBrush* old = dc.SelectObject(&hollow);
    ASSERT_NE(old, nullptr);
    dc.Ellipse(nullptr);
    RECT r{1, 2, 3, 4};
    dc.Ellipse(&r);
    dc.SelectObject(old);
    dc.Rectangle(&r);
    const auto e = dc.Filter(DCRecord::Ellipse);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_TRUE(e[0].brushHollow);
    const auto re = dc.Filter(DCRecord::Rectangle);
    ASSERT_EQ(re.size(), 1u);
    EXPECT_FALSE(re[0].brushHollow);
    EXPECT_EQ(re[0].brushColour, 0xFFFFFFu);
    EXPECT_EQ(re[0].rect.right, 3);
}

}  // namespace
