#include "platform/ui/Bitmap.h"
#include "platform/ui/Font.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/QtDC.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

namespace {

// Drawing code that only knows the base context.
void DrawLabel(CDC* pDC, const RECT& box, LPCTSTR text, int mode) {
  pDC->FillSolidRect(&box, RGB(0, 0, 255));
  pDC->SetTextColor(RGB(255, 255, 0));
  pDC->SetBkColor(RGB(0, 255, 0));
  pDC->SetBkMode(mode);
  pDC->TextOut(box.left + 2, box.top + 2, CString(text));
}

// Glyph pixels: the text colour is the only one with red in it (edges may be blended).
int CountGlyphPixels(const QImage& image, const QRect& area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (QColor(image.pixel(x, y)).red() > 128) ++n;
  return n;
}

int CountColour(const QImage& image, const QRect& area, QColor colour) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (QColor(image.pixel(x, y)) == colour) ++n;
  return n;
}

class QtDCTextTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(AfxEnsureQtApplication());
    image = QImage(120, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
  }
  QImage image;
};

TEST_F(QtDCTextTest, FillAndTextThroughAPlainContext) {
  struct Row {
    const char* label;
    int mode;
    bool cellFilled;  // OPAQUE fills the text cell with the background colour
  };
  for (const Row& row : {Row{"opaque", OPAQUE, true}, Row{"transparent", TRANSPARENT, false}}) {
    image.fill(Qt::white);
    SIZE extent{};
    {
      CQtDC qt(&image);
      CDC* pDC = &qt;
      RECT box{};
      ASSERT_EQ(pDC->GetClipBox(&box), SIMPLEREGION) << row.label;
      EXPECT_EQ(box.right, 120);
      const RECT label{10, 10, 110, 50};
      DrawLabel(pDC, label, L"HHHH", row.mode);
      extent = pDC->GetTextExtent(CString(L"HHHH"));
    }
    ASSERT_GT(extent.cx, 0) << row.label;
    ASSERT_GT(extent.cy, 0) << row.label;
    EXPECT_EQ(QColor(image.pixel(10, 10)), QColor(0, 0, 255)) << row.label;
    EXPECT_EQ(QColor(image.pixel(109, 49)), QColor(0, 0, 255)) << row.label;
    EXPECT_EQ(QColor(image.pixel(110, 50)), QColor(Qt::white)) << row.label << ": right and bottom edges stay out";
    const QRect cell(12, 12, extent.cx, extent.cy);
    EXPECT_GT(CountGlyphPixels(image, cell), extent.cy) << row.label << ": glyphs in the text colour";
    EXPECT_EQ(CountColour(image, cell, QColor(0, 255, 0)) > 0, row.cellFilled) << row.label;
    const QRect below(12, 12 + extent.cy + 1, extent.cx, 5);
    EXPECT_EQ(CountGlyphPixels(image, below), 0) << row.label << ": nothing outside the cell";
  }
}

TEST_F(QtDCTextTest, FontSelectionChangesTheExtentAndBlitCopiesThroughTheBase) {
  CQtDC qt(&image);
  CDC* pDC = &qt;
  const SIZE normal = pDC->GetTextExtent(CString(L"Korvel"));
  CFont big;
  ASSERT_TRUE(big.CreateFont(-40, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"DejaVu Sans"));
  CFont* old = pDC->SelectObject(&big);
  EXPECT_EQ(old, nullptr);
  const SIZE large = pDC->GetTextExtent(CString(L"Korvel"));
  EXPECT_GT(large.cy, normal.cy);
  EXPECT_GT(large.cx, normal.cx);
  EXPECT_EQ(pDC->SelectObject(old), &big);
  const SIZE back = pDC->GetTextExtent(CString(L"Korvel"));
  EXPECT_EQ(back.cy, normal.cy);

  CQtDC memory;
  ASSERT_TRUE(memory.CreateCompatibleDC(pDC));
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateCompatibleBitmap(pDC, 8, 8));
  memory.SelectObject(&bitmap);
  CDC* pMemory = &memory;
  pMemory->FillSolidRect(0, 0, 8, 8, RGB(200, 10, 10));
  EXPECT_TRUE(pDC->BitBlt(50, 20, 8, 8, pMemory, 0, 0, SRCCOPY));
  EXPECT_EQ(pDC->GetPixel(50, 20), RGB(200, 10, 10));
  EXPECT_EQ(pDC->GetPixel(57, 27), RGB(200, 10, 10));
  EXPECT_EQ(pDC->GetPixel(58, 28), RGB(255, 255, 255));
  EXPECT_GT(pDC->GetDeviceCaps(LOGPIXELSX), 0);
}

}  // namespace
