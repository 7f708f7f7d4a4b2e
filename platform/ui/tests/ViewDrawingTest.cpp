#include "TestApp.h"

#include "platform/ui/Bitmap.h"
#include "platform/ui/QtApp.h"

#include <QCoreApplication>
#include <QImage>

#include <gtest/gtest.h>

using namespace ui_test;

namespace {

class ViewDrawingTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(AfxEnsureQtApplication());
    view = new CTestView;
    view->m_crBackground = RGB(40, 90, 200);
    ASSERT_TRUE(view->Create(nullptr, L"view", 0, RECT{0, 0, 64, 48}, nullptr, 0));
    view->RedrawScreen();
  }
  void TearDown() override { view->DestroyWindow(); }  // the view deletes itself

  CTestView* view = nullptr;
};

// Draws a figure of every kind through a context taken from the view.
void DrawFigures(CView* view, int rop, COLORREF colour) {
  CDC* pDC = view->GetDC();
  ASSERT_NE(pDC, nullptr);
  CPen pen(PS_SOLID, 1, colour);
  CBrush brush(colour);
  CPen* oldPen = pDC->SelectObject(&pen);
  CBrush* oldBrush = pDC->SelectObject(&brush);
  pDC->SetROP2(rop);
  const POINT line[] = {{2, 2}, {30, 20}, {60, 4}, {40, 40}};
  pDC->Polyline(line, 4);
  pDC->MoveTo(0, 47);
  pDC->LineTo(63, 30);
  pDC->Ellipse(10, 10, 40, 30);
  pDC->Rectangle(20, 5, 50, 45);
  pDC->SetPixel(1, 1, colour);
  pDC->SelectObject(oldPen);
  pDC->SelectObject(oldBrush);
  view->ReleaseDC(pDC);
}

TEST_F(ViewDrawingTest, InvalidateRedrawsLaterIntoTheScreenImage) {
  const int draws = view->m_nDraws;
  EXPECT_EQ(QColor(view->GetScreenImage().pixel(5, 5)), QColor(40, 90, 200));
  view->m_crBackground = RGB(0, 255, 0);
  view->Invalidate();
  EXPECT_EQ(view->m_nDraws, draws) << "invalidation draws on the next event loop pass";
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(view->m_nDraws, draws + 1);
  EXPECT_EQ(QColor(view->GetScreenImage().pixel(5, 5)), QColor(0, 255, 0));
}

TEST_F(ViewDrawingTest, XorDrawingTwiceRestoresTheScreen) {
  struct Row {
    const char* label;
    int rop;
    COLORREF colour;
  };
  const Row rows[] = {{"xor pen, white", R2_XORPEN, RGB(255, 255, 255)},
                      {"xor pen, odd colour", R2_XORPEN, RGB(13, 200, 77)},
                      {"not-xor pen, black", R2_NOTXORPEN, RGB(0, 0, 0)},
                      {"not-xor pen, odd colour", R2_NOTXORPEN, RGB(250, 3, 128)}};
  for (const Row& row : rows) {
    const QImage before = view->GetScreenImage().copy();
    DrawFigures(view, row.rop, row.colour);
    const QImage drawn = view->GetScreenImage().copy();
    EXPECT_NE(drawn, before) << row.label << ": the first drawing shows";
    // Every changed pixel is the bitwise combination of the background and the pen.
    const QRgb bg = before.pixel(1, 1) & 0xFFFFFF;
    const QRgb pen = qRgb(GetRValue(row.colour), GetGValue(row.colour), GetBValue(row.colour)) & 0xFFFFFF;
    const QRgb expected = row.rop == R2_XORPEN ? (bg ^ pen) : (~(bg ^ pen) & 0xFFFFFF);
    EXPECT_EQ(drawn.pixel(1, 1) & 0xFFFFFF, expected) << row.label;
    DrawFigures(view, row.rop, row.colour);
    EXPECT_EQ(view->GetScreenImage(), before) << row.label << ": the second drawing erases";
  }
}

TEST_F(ViewDrawingTest, CopyPenDrawingStays) {
  const QImage before = view->GetScreenImage().copy();
  DrawFigures(view, R2_COPYPEN, RGB(255, 0, 0));
  DrawFigures(view, R2_COPYPEN, RGB(255, 0, 0));
  EXPECT_NE(view->GetScreenImage(), before);
  EXPECT_EQ(QColor(view->GetScreenImage().pixel(1, 1)), QColor(255, 0, 0));
}

TEST_F(ViewDrawingTest, MemoryContextCopiesAFreshImageIn) {
  CDC* pScreen = view->GetDC();
  CQtDC memory;
  ASSERT_TRUE(memory.CreateCompatibleDC(pScreen));
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateCompatibleBitmap(pScreen, 20, 10));
  EXPECT_EQ(memory.SelectObject(&bitmap), nullptr);
  memory.SetWindowOrg(30, 20);  // logical (30, 20) is the bitmap's top-left pixel
  memory.FillSolidRect(30, 20, 20, 10, RGB(255, 255, 0));
  memory.SetPixel(31, 21, RGB(1, 2, 3));
  auto* pScreenQt = dynamic_cast<CQtDC*>(pScreen);
  ASSERT_NE(pScreenQt, nullptr);
  EXPECT_TRUE(pScreenQt->BitBlt(30, 20, 20, 10, &memory, 30, 20, SRCCOPY));
  view->ReleaseDC(pScreen);
  const QImage& screen = view->GetScreenImage();
  EXPECT_EQ(QColor(screen.pixel(30, 20)), QColor(255, 255, 0));
  EXPECT_EQ(QColor(screen.pixel(49, 29)), QColor(255, 255, 0));
  EXPECT_EQ(QColor(screen.pixel(31, 21)), QColor(1, 2, 3));
  EXPECT_EQ(QColor(screen.pixel(29, 20)), QColor(40, 90, 200)) << "outside the block stays";
  EXPECT_EQ(QColor(screen.pixel(50, 30)), QColor(40, 90, 200)) << "outside the block stays";
}

TEST_F(ViewDrawingTest, ResizeGivesANewImageOfTheClientSize) {
  view->MoveWindow(0, 0, 80, 30);
  QCoreApplication::processEvents();
  RECT client{};
  view->GetClientRect(&client);
  EXPECT_EQ(view->GetScreenImage().width(), client.right);
  EXPECT_EQ(view->GetScreenImage().height(), client.bottom);
}

}  // namespace
