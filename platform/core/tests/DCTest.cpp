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

// A plain context draws nothing and answers neutral values, so drawing code may
// hold any context.
TEST(DCTest, PlainContextAnswersNeutralValues)
{
    CDC dc;
    RECT box{1, 2, 3, 4};
    EXPECT_EQ(dc.GetClipBox(&box), NULLREGION);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.bottom, 0);
    EXPECT_EQ(dc.GetClipBox(nullptr), NULLREGION);
    EXPECT_TRUE(dc.TextOut(0, 0, CString(L"abc")));
    EXPECT_FALSE(dc.TextOut(0, 0, nullptr, 3));
    EXPECT_FALSE(dc.TextOut(0, 0, L"abc", -1));
    const SIZE extent = dc.GetTextExtent(CString(L"abc"));
    EXPECT_EQ(extent.cx, 0);
    EXPECT_EQ(extent.cy, 0);
    RecordingDC other;
    EXPECT_FALSE(dc.BitBlt(0, 0, 4, 4, &other, 0, 0, SRCCOPY));
    EXPECT_FALSE(dc.BitBlt(0, 0, 4, 4, nullptr, 0, 0, SRCCOPY));
    EXPECT_EQ(dc.GetPixel(0, 0), static_cast<COLORREF>(-1));
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), 0);
    EXPECT_EQ(dc.SetBkMode(5), 0) << "unknown mode refused";
    EXPECT_EQ(dc.GetBkMode(), OPAQUE);
}

TEST(DCTest, TextFillBlitAndFontAreRecordedWithTheirState)
{
    RecordingDC dc;
    const auto* font = reinterpret_cast<CFont*>(&dc);  // only its identity is kept
    EXPECT_EQ(dc.SelectObject(const_cast<CFont*>(font)), nullptr) << "the default font is null";
    dc.SetTextColor(RGB(10, 20, 30));
    EXPECT_EQ(dc.SetBkMode(TRANSPARENT), OPAQUE);
    dc.TextOut(5, 6, CString(L"Korvel"));
    dc.FillSolidRect(1, 2, 10, 20, RGB(0, 0, 255));
    EXPECT_EQ(dc.GetBkColor(), RGB(0, 0, 255)) << "FillSolidRect leaves its colour as the background colour";
    RecordingDC source;
    EXPECT_TRUE(dc.BitBlt(3, 4, 7, 8, &source, 9, 10, SRCINVERT));
    EXPECT_EQ(dc.SelectObject(static_cast<CFont*>(nullptr)), font);

    const auto texts = dc.Filter(DCRecord::TextOut);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, L"Korvel");
    EXPECT_TRUE(Same(texts[0].points[0], POINT{5, 6}));
    EXPECT_EQ(texts[0].colour, RGB(10, 20, 30));
    EXPECT_EQ(texts[0].font, font);
    const auto fills = dc.Filter(DCRecord::FillSolidRect);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].rect.right, 11);
    EXPECT_EQ(fills[0].rect.bottom, 22);
    EXPECT_EQ(fills[0].colour, RGB(0, 0, 255));
    const auto blits = dc.Filter(DCRecord::BitBlt);
    ASSERT_EQ(blits.size(), 1u);
    EXPECT_EQ(blits[0].rect.left, 3);
    EXPECT_EQ(blits[0].rect.bottom, 12);
    EXPECT_TRUE(Same(blits[0].points[0], POINT{9, 10}));
    EXPECT_EQ(blits[0].source, &source);
    EXPECT_EQ(blits[0].rop, SRCINVERT);
    EXPECT_EQ(dc.Count(DCRecord::SelectFont), 2u);
    const SIZE extent = dc.GetTextExtent(L"abcd", 4);
    EXPECT_EQ(extent.cx, 4 * RecordingDC::kCharWidth);
    EXPECT_EQ(extent.cy, RecordingDC::kCharHeight);
}

TEST(DCTest, OriginsMoveLogicalToDevicePoints)
{
    RecordingDC dc;
    dc.SetWindowOrg(100, 50);
    const POINT old = dc.SetViewportOrg(10, 20);
    EXPECT_TRUE(Same(old, POINT{0, 0}));
    POINT p{100, 50};
    dc.LPtoDP(&p);
    EXPECT_TRUE(Same(p, POINT{10, 20}));
    RECT r{110, 60, 120, 70};
    dc.LPtoDP(&r);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.bottom, 40);
    dc.DPtoLP(&r);
    EXPECT_EQ(r.left, 110);
    EXPECT_EQ(r.bottom, 70);
    RECT box{};
    EXPECT_EQ(dc.GetClipBox(&box), NULLREGION);
    dc.SetClipBox(RECT{0, 0, 64, 48});
    EXPECT_EQ(dc.GetClipBox(&box), SIMPLEREGION);
    EXPECT_EQ(box.right, 64);
}

}  // namespace
