// A memory context handing its finished frame to a target context: the target
// shows exactly what a BitBlt with SRCCOPY shows, and both contexts draw as
// before afterwards (pen, raster operation and origins kept), whether the
// surfaces exchanged their pixels or the block was copied.
#include "platform/ui/QtApp.h"
#include "platform/ui/QtDC.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

// A picture that differs at every place it is compared.
QImage Pattern(int width, int height, int seed, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb((x * 7 + seed) & 255, (y * 13 + seed) & 255, (x ^ y) & 255));
    return image;
}

// The same figures through any context: an XOR line, then copy-pen figures.
void DrawAfter(CDC& dc)
{
    dc.SetROP2(R2_XORPEN);
    dc.MoveTo(0, 0);
    dc.LineTo(30, 17);
    dc.SetROP2(R2_COPYPEN);
    const POINT line[] = {{2, 20}, {25, 3}, {39, 28}};
    dc.Polyline(line, 3);
    dc.SetPixelV(5, 5, RGB(1, 2, 3));
}

}  // namespace

TEST(QtDCHandOverTest, TargetShowsWhatABitBltShowsAndBothContextsDrawOn)
{
    ASSERT_TRUE(AfxEnsureQtApplication());
    struct Row {
        const char* label;
        int srcWidth, srcHeight;
        QImage::Format srcFormat;
        POINT srcWindowOrg;            // logical origin of the memory context
        RECT block;                    // logical, both contexts
        POINT targetViewportOrg;
        bool exchanged;                // the surfaces swap their pixels
    };
    const RECT whole{0, 0, 40, 30};
    const Row rows[] = {
        {"whole surface", 40, 30, QImage::Format_RGB32, POINT{0, 0}, whole, POINT{0, 0}, true},
        {"whole surface, both moved alike", 40, 30, QImage::Format_RGB32, POINT{5, 7}, RECT{5, 7, 45, 37}, POINT{-5, -7}, true},
        {"part of the surface", 40, 30, QImage::Format_RGB32, POINT{0, 0}, RECT{3, 4, 23, 19}, POINT{0, 0}, false},
        {"smaller source", 20, 30, QImage::Format_RGB32, POINT{0, 0}, RECT{0, 0, 20, 30}, POINT{0, 0}, false},
        {"other format", 40, 30, QImage::Format_ARGB32_Premultiplied, POINT{0, 0}, whole, POINT{0, 0}, false},
        {"moved target", 40, 30, QImage::Format_RGB32, POINT{0, 0}, whole, POINT{2, 0}, false},
    };
    for (const Row& row : rows) {
        const QImage frame = Pattern(row.srcWidth, row.srcHeight, 1, row.srcFormat);
        const QImage screen = Pattern(40, 30, 99);
        // Reference: a plain BitBlt.
        QImage refSource = frame, refTarget = screen;
        refSource.detach(), refTarget.detach();
        // Under test: the hand-over.
        QImage source = frame, target = screen;
        source.detach(), target.detach();
        const RECT& b = row.block;
        CPen pen(PS_SOLID, 1, RGB(200, 30, 60));
        {
            CQtDC refMem(&refSource), refScreen(&refTarget), mem(&source), dc(&target);
            for (CQtDC* c : {&refMem, &mem}) c->SetWindowOrg(row.srcWindowOrg);
            for (CQtDC* c : {&refScreen, &dc}) c->SetViewportOrg(row.targetViewportOrg);
            for (CQtDC* c : {&refMem, &refScreen, &mem, &dc}) c->SelectObject(&pen);
            // Draw once before, so that the painters hold a pen when the surfaces change.
            for (CQtDC* c : {&refMem, &mem}) c->SetPixelV(b.left + 1, b.top + 1, RGB(9, 9, 9));
            EXPECT_TRUE(refScreen.BitBlt(b.left, b.top, b.right - b.left, b.bottom - b.top, &refMem, b.left, b.top, SRCCOPY));
            const QImage shown = refTarget.copy();
            EXPECT_TRUE(dc.BitBltHandOver(b.left, b.top, b.right - b.left, b.bottom - b.top, &mem, b.left, b.top)) << row.label;
            EXPECT_EQ(target, shown) << row.label;
            EXPECT_EQ(source == screen, row.exchanged) << row.label << ": the source holds the target's former picture";
            // Afterwards both draw as contexts that only copied: each on its own surface now.
            const QImage sourceBefore = source.copy();
            DrawAfter(dc);
            EXPECT_EQ(source, sourceBefore) << row.label << ": the target draws on its own surface";
            DrawAfter(refScreen);
            EXPECT_EQ(target, refTarget) << row.label;
            for (CQtDC* c : {&refMem, &mem}) c->FillSolidRect(&b, RGB(10, 20, 30));
            DrawAfter(mem);
            DrawAfter(refMem);
            EXPECT_EQ(source, refSource) << row.label;
            EXPECT_EQ(target, refTarget) << row.label << ": the source draws on its own surface";
        }
    }
}
