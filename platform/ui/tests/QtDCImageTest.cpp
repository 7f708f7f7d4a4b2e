// A bitmap drawn into a parallelogram on a Qt context: each pixel lands where the
// affine map of the three corners puts it, the key colour leaves the surface showing.
// Single pixels set without read-back land as those set with it.
#include "platform/ui/QtApp.h"
#include "platform/ui/QtDC.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <array>
#include <vector>

TEST(QtDCImageTest, ImageFillsTheParallelogramAndTheKeyColourIsTransparent)
{
    ASSERT_TRUE(AfxEnsureQtApplication());
    // 4 × 2 pixels, columns red, white, green, blue; the lower row darker.
    const COLORREF colours[2][4] = {{RGB(255, 0, 0), RGB(255, 255, 255), RGB(0, 255, 0), RGB(0, 0, 255)},
                                    {RGB(128, 0, 0), RGB(255, 255, 255), RGB(0, 128, 0), RGB(0, 0, 128)}};
    std::vector<BYTE> bgra;
    for (const auto& row : colours)
        for (COLORREF c : row) bgra.insert(bgra.end(), {GetBValue(c), GetGValue(c), GetRValue(c), 255});
    const QColor grey(90, 90, 90);
    const COLORREF white = RGB(255, 255, 255);
    struct Row {
        const char* label;
        std::array<POINT, 3> corners;  // upper-left, upper-right, lower-left
        POINT viewportOrg;
        bool keyed;
    };
    const Row rows[] = {
        {"axis-aligned, scaled", {POINT{10, 10}, POINT{90, 10}, POINT{10, 50}}, POINT{0, 0}, true},
        {"sheared", {POINT{10, 10}, POINT{50, 10}, POINT{30, 50}}, POINT{0, 0}, true},
        {"mirrored upside down", {POINT{10, 50}, POINT{90, 50}, POINT{10, 10}}, POINT{0, 0}, true},
        {"moved by the viewport origin", {POINT{0, 0}, POINT{80, 0}, POINT{0, 40}}, POINT{10, 10}, true},
        {"without a key", {POINT{10, 10}, POINT{90, 10}, POINT{10, 50}}, POINT{0, 0}, false},
    };
    for (const Row& row : rows) {
        QImage image(120, 70, QImage::Format_RGB32);
        image.fill(grey);
        {
            CQtDC dc(&image);
            dc.SetViewportOrg(row.viewportOrg);
            EXPECT_TRUE(dc.DrawImage(row.corners.data(), 4, 2, bgra.data(), row.keyed ? &white : nullptr)) << row.label;
            EXPECT_FALSE(dc.DrawImage(row.corners.data(), 0, 2, bgra.data(), nullptr)) << row.label;
        }
        const POINT o = row.viewportOrg, *p = row.corners.data();
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 4; ++c) {
                // Centre of image pixel (c, r) through the corners' affine map.
                const double u = (c + 0.5) / 4.0, v = (r + 0.5) / 2.0;
                const int x = int(p[0].x + u * (p[1].x - p[0].x) + v * (p[2].x - p[0].x)) + o.x;
                const int y = int(p[0].y + u * (p[1].y - p[0].y) + v * (p[2].y - p[0].y)) + o.y;
                const QColor want = c == 1 && row.keyed
                                        ? grey
                                        : QColor(GetRValue(colours[r][c]), GetGValue(colours[r][c]), GetBValue(colours[r][c]));
                EXPECT_EQ(QColor(image.pixel(x, y)), want) << row.label << ": pixel " << c << ", " << r;
            }
        EXPECT_EQ(QColor(image.pixel(115, 65)), grey) << row.label << ": outside stays";
        EXPECT_EQ(QColor(image.pixel(2, 2)), grey) << row.label << ": outside stays";
    }
    CDC plain;
    const POINT corners[3] = {{0, 0}, {4, 0}, {0, 2}};
    EXPECT_FALSE(plain.DrawImage(corners, 4, 2, bgra.data(), nullptr)) << "a context without a surface";
}

TEST(QtDCImageTest, PixelWithoutReadBackDrawsAsSetPixel)
{
    ASSERT_TRUE(AfxEnsureQtApplication());
    struct Row {
        const char* label;
        int rop;
        COLORREF pen, colour;
        int x, y;
        BOOL onSurface;
    };
    const Row rows[] = {
        {"the pen's colour", R2_COPYPEN, RGB(200, 0, 0), RGB(200, 0, 0), 3, 4, TRUE},
        {"another colour", R2_COPYPEN, RGB(200, 0, 0), RGB(0, 0, 90), 0, 0, TRUE},
        {"exclusive or", R2_XORPEN, RGB(255, 255, 255), RGB(255, 255, 255), 9, 7, TRUE},
        {"no operation", R2_NOP, RGB(200, 0, 0), RGB(200, 0, 0), 5, 5, TRUE},
        {"black mode", R2_BLACK, RGB(200, 0, 0), RGB(200, 0, 0), 6, 2, TRUE},
        {"beyond the right edge", R2_COPYPEN, RGB(200, 0, 0), RGB(200, 0, 0), 10, 4, FALSE},
        {"above the top", R2_COPYPEN, RGB(200, 0, 0), RGB(200, 0, 0), 3, -1, FALSE},
    };
    for (const Row& row : rows) {
        QImage images[2];
        for (int k = 0; k < 2; ++k) {
            images[k] = QImage(10, 8, QImage::Format_RGB32);
            images[k].fill(QColor(40, 90, 200));
            CQtDC dc(&images[k]);
            CPen pen(PS_SOLID, 1, row.pen);
            dc.SelectObject(&pen);
            dc.SetROP2(row.rop);
            if (k == 0) {
                EXPECT_EQ(dc.SetPixel(row.x, row.y, row.colour) != static_cast<COLORREF>(-1), row.onSurface != FALSE)
                    << row.label;
            } else {
                EXPECT_EQ(dc.SetPixelV(row.x, row.y, row.colour), row.onSurface) << row.label;
            }
        }
        EXPECT_EQ(images[0], images[1]) << row.label;
    }
}
