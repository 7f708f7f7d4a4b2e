// Strokes a Qt context writes straight into the pixels land exactly where Qt's
// painter draws them: random short polylines, lines and single pixels through a
// context, against QPainter with the same pen on a second image, compared
// after every figure. Rows cover where the context must leave the drawing to
// the painter (XOR, dashes, wide pens, points off the surface, zero-length
// lines) and origins that move the figures; closed polylines come in too.
#include "platform/ui/PixelStroke.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/QtDC.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 64, kHeight = 48;

struct DCSetup {
  const char* label;
  int rop;
  int penStyle;
  int penWidth;
  POINT viewportOrg;
  POINT windowOrg;
};

// The pen and raster operation the context documents for the setup.
void PrepareReference(QPainter& painter, const DCSetup& setup, COLORREF colour) {
  const QColor c(GetRValue(colour), GetGValue(colour), GetBValue(colour));
  QPen pen(c, setup.penWidth <= 1 ? 0 : setup.penWidth, setup.penStyle == PS_DASH ? Qt::DashLine : Qt::SolidLine);
  pen.setCosmetic(setup.penWidth <= 1);
  painter.setPen(pen);
  painter.setCompositionMode(setup.rop == R2_XORPEN ? QPainter::RasterOp_SourceXorDestination
                                                    : QPainter::CompositionMode_SourceOver);
  painter.translate(setup.viewportOrg.x - setup.windowOrg.x, setup.viewportOrg.y - setup.windowOrg.y);
}

// 1 to 16 points, each a few pixels (up to `step`) from the last, repeats
// allowed; the first near or past the surface's edges.
std::vector<POINT> RandomStroke(std::mt19937& rng, int step) {
  std::uniform_int_distribution<int> count(1, 16), d(-step, step), x(-6, kWidth + 5), y(-6, kHeight + 5);
  std::vector<POINT> points{POINT{x(rng), y(rng)}};
  const int n = count(rng);
  while (static_cast<int>(points.size()) < n) points.push_back(POINT{points.back().x + d(rng), points.back().y + d(rng)});
  if (rng() % 8 == 0 && n > 2) points.back() = points.front();  // closed
  return points;
}

}  // namespace

TEST(PixelStrokeTest, DirectStrokesAndPixelsMatchThePainter) {
  ASSERT_TRUE(AfxEnsureQtApplication());
  const DCSetup setups[] = {
      {"copy pen", R2_COPYPEN, PS_SOLID, 1, POINT{0, 0}, POINT{0, 0}},
      {"copy pen, width 0", R2_COPYPEN, PS_SOLID, 0, POINT{0, 0}, POINT{0, 0}},
      {"copy pen, moved by both origins", R2_COPYPEN, PS_SOLID, 1, POINT{7, -3}, POINT{-2, 5}},
      {"xor pen", R2_XORPEN, PS_SOLID, 1, POINT{0, 0}, POINT{0, 0}},
      {"dashed pen", R2_COPYPEN, PS_DASH, 1, POINT{0, 0}, POINT{0, 0}},
      {"wide pen", R2_COPYPEN, PS_SOLID, 3, POINT{0, 0}, POINT{0, 0}},
  };
  const COLORREF colours[] = {RGB(200, 0, 0), RGB(0, 120, 0), RGB(0, 0, 200), RGB(17, 240, 99)};
  const int steps[] = {1, 2, 3, 9, 70};
  for (const DCSetup& setup : setups) {
    std::mt19937 rng(12345);
    QImage image(kWidth, kHeight, QImage::Format_RGB32), reference(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white), reference.fill(Qt::white);
    CQtDC dc(&image);
    dc.SetViewportOrg(setup.viewportOrg);
    dc.SetWindowOrg(setup.windowOrg);
    dc.SetROP2(setup.rop);
    int inside = 0, figures = 0;
    for (int round = 0; round < 1200; ++round) {
      const COLORREF colour = colours[round % 4];
      CPen pen(setup.penStyle, setup.penWidth, colour);
      CPen* old = dc.SelectObject(&pen);
      for (int step : steps) {
        const std::vector<POINT> points = RandomStroke(rng, step);
        const int n = static_cast<int>(points.size());
        QPainter painter(&reference);
        PrepareReference(painter, setup, colour);
        if (n == 1) {
          // A pixel in another colour than the pen's every other time.
          const COLORREF pixel = round % 2 == 0 ? colour : colours[(round + 1) % 4];
          dc.SetPixelV(points[0].x, points[0].y, pixel);
          QPen pixelPen(QColor(GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)), 0);
          painter.setPen(pixelPen);
          painter.drawPoint(points[0].x, points[0].y);
        } else if (n == 2 && round % 2 == 0) {
          dc.MoveTo(points[0]);
          dc.LineTo(points[1]);
          painter.drawLine(points[0].x, points[0].y, points[1].x, points[1].y);
        } else {
          dc.Polyline(points.data(), n);
          std::vector<QPoint> q;
          for (const POINT& p : points) q.emplace_back(p.x, p.y);
          painter.drawPolyline(q.data(), n);
        }
        painter.end();
        ++figures;
        bool onSurface = true;
        for (const POINT& p : points) {
          const int x = p.x + setup.viewportOrg.x - setup.windowOrg.x, y = p.y + setup.viewportOrg.y - setup.windowOrg.y;
          onSurface = onSurface && x >= 0 && x < kWidth && y >= 0 && y < kHeight;
        }
        inside += onSurface && n > 1 && (points.front().x != points.back().x || points.front().y != points.back().y);
        ASSERT_EQ(image, reference) << setup.label << ": figure " << figures << " of " << n << " points from ("
                                    << points[0].x << ", " << points[0].y << "), step " << step;
      }
      dc.SelectObject(old);
    }
    // Not vacuous: many polylines were wholly on the surface and open.
    EXPECT_GT(inside, figures / 4) << setup.label;
  }
}

// What the direct stroke refuses (points off the buffer, too large a buffer)
// leaves the pixels untouched for the painter.
TEST(PixelStrokeTest, RefusedPolylinesDrawNothing) {
  std::vector<std::uint32_t> pixels(20 * 10, 0xFFFFFFFFu);
  const PixelBuffer buffer{pixels.data(), 20, 20, 10};
  struct Row {
    const char* label;
    std::vector<POINT> points;
    int dx, dy;
    int width;
    bool drawn;
  };
  const Row rows[] = {
      {"open, on the buffer", {{1, 1}, {8, 5}, {3, 9}}, 0, 0, 20, true},
      {"moved onto the buffer", {{-5, -5}, {0, 0}}, 6, 6, 20, true},
      {"closed", {{1, 1}, {8, 5}, {1, 1}}, 0, 0, 20, true},
      {"one point", {{1, 1}}, 0, 0, 20, false},
      {"a point past the right edge", {{1, 1}, {20, 5}}, 0, 0, 20, false},
      {"a point above", {{1, 1}, {5, -1}}, 0, 0, 20, false},
      {"moved off the buffer", {{1, 1}, {5, 5}}, 0, 5, 20, false},
      {"far out, moved back by wrapping", {{INT_MAX, 1}, {5, 5}}, 2, 0, 20, false},
      {"buffer wider than the limit", {{1, 1}, {5, 5}}, 0, 0, kPixelStrokeMaxSide + 1, false},
  };
  for (const Row& row : rows) {
    std::fill(pixels.begin(), pixels.end(), 0xFFFFFFFFu);
    PixelBuffer b = buffer;
    b.width = row.width;
    const bool drawn = DrawPixelPolyline(b, row.points.data(), static_cast<int>(row.points.size()), row.dx, row.dy, 0xFF000000u);
    EXPECT_EQ(drawn, row.drawn) << row.label;
    const bool touched = std::count(pixels.begin(), pixels.end(), 0xFFFFFFFFu) != static_cast<long>(pixels.size());
    EXPECT_EQ(touched, row.drawn) << row.label;
  }
}
