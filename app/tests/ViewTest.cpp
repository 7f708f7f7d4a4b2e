// The drawing view: the 2D picture of the document and the frame-rate measure.
#include "AppFixture.h"

#include "app/QVMemDC.h"
#include "framework/db/DbCurve.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/DBase.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeLine.h"
#include "platform/ui/QtDC.h"

#include <QColor>
#include <QImage>
#include <QTest>
#include <QWidget>

#include <cmath>
#include <limits>

using namespace korvel_test;

namespace {

COLORREF PixelAt(const QImage& image, const CPoint& p)
{
    const QColor c = image.pixelColor(p.x, p.y);
    return RGB(c.red(), c.green(), c.blue());
}

// Whether the colour shows within one pixel of p (lines may round either way).
bool ShowsNear(const QImage& image, const CPoint& p, COLORREF colour)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const CPoint q(p.x + dx, p.y + dy);
            if (q.x >= 0 && q.y >= 0 && q.x < image.width() && q.y < image.height() && PixelAt(image, q) == colour)
                return true;
        }
    return false;
}

class ViewTest : public AppTest {};

TEST_F(ViewTest, TwoDimensionalViewShowsTheDocumentsCurves)
{
    ASSERT_TRUE(Start());
    Frame()->GetWidget()->resize(900, 700);
    Frame()->RecalcLayout();
    CKorvelView* view = View();
    ASSERT_NE(view, nullptr);
    RECT client{};
    view->GetClientRect(&client);
    ASSERT_GT(client.right, 100);
    ASSERT_GT(client.bottom, 100);

    const COLORREF lineColour = RGB(255, 0, 0), circleColour = RGB(0, 255, 0);
    const double a[2] = {20.0, 50.0}, b[2] = {180.0, 50.0}, centre[2] = {100.0, 150.0};
    auto* line = new CDbCurve(new CGeLine(a, b));
    line->SetColor(lineColour);
    auto* circle = new CDbCurve(new CGeCircle(centre, 40.0, 1));
    circle->SetColor(circleColour);
    CDBase::Instance()->AddTail(line);
    CDBase::Instance()->AddTail(circle);
    CLooker* looker = gGetLooker();
    ASSERT_NE(looker, nullptr);
    looker->UpdateViewRect();
    BOX2<double> box;
    box.xmin = 0.0, box.ymin = 0.0, box.xmax = 200.0, box.ymax = 200.0;
    ASSERT_TRUE(looker->ZoomBox(box));

    view->RedrawScreen();
    const QImage& image = view->GetScreenImage();
    ASSERT_FALSE(image.isNull());
    const int paints = view->GetPaintCount();
    EXPECT_GT(paints, 0);
    EXPECT_GT(view->GetFrameRate(), 0);

    // Dense samples along both curves land on their colours.
    int lineHits = 0, circleHits = 0;
    for (int i = 0; i <= 20; ++i) {
        const double p[2] = {a[0] + (b[0] - a[0]) * i / 20.0, a[1]};
        CPoint pixel;
        looker->WorldtoScreen2D(p, pixel);
        lineHits += ShowsNear(image, pixel, lineColour) ? 1 : 0;
        const double t = 2.0 * M_PI * i / 20.0;
        const double q[2] = {centre[0] + 40.0 * std::cos(t), centre[1] + 40.0 * std::sin(t)};
        looker->WorldtoScreen2D(q, pixel);
        circleHits += ShowsNear(image, pixel, circleColour) ? 1 : 0;
    }
    EXPECT_EQ(lineHits, 21);
    EXPECT_EQ(circleHits, 21);
    // Away from the curves the background shows.
    const double empty[2] = {100.0, 100.0};
    CPoint pixel;
    looker->WorldtoScreen2D(empty, pixel);
    EXPECT_EQ(PixelAt(image, pixel), gGetQVGlobal()->m_crBackground);

    // A deleted entity is gone after the next paint.
    CDBase::Instance()->Remove(line);
    delete line;
    view->RedrawScreen();
    const double mid[2] = {100.0, 50.0};
    looker->WorldtoScreen2D(mid, pixel);
    EXPECT_FALSE(ShowsNear(view->GetScreenImage(), pixel, lineColour));
}

TEST(FrameRate, NeverDividesByZero)
{
    struct Row {
        const char* label;
        double seconds;
        int rate;
    };
    const Row rows[] = {
        {"quarter second", 0.25, 4},
        {"a second", 1.0, 1},
        {"ten seconds", 10.0, 0},
        {"too quick to measure", 0.0, CKorvelView::kMaxFrameRate},
        {"negative clock step", -0.001, CKorvelView::kMaxFrameRate},
        {"not a number", std::numeric_limits<double>::quiet_NaN(), CKorvelView::kMaxFrameRate},
        {"tiny", 1e-12, CKorvelView::kMaxFrameRate},
    };
    for (const Row& row : rows) EXPECT_EQ(CKorvelView::FrameRateOf(row.seconds), row.rate) << row.label;
}

TEST(PrintPages, TilesThePageBoxPrintedAtTheFactor)
{
    // The factor is paper per model: at 2 the 400 x 300 box prints 800 x 600.
    struct Row {
        const char* label;
        int mode;
        double factor, width, height;
        int pages;
    };
    const Row rows[] = {
        {"1:1", 2, 1.0, 400.0, 300.0, 4},    {"fit to paper", 0, 1.0, 400.0, 300.0, 1},
        {"2:1", 13, 2.0, 400.0, 300.0, 16},  {"1:2", 3, 0.5, 400.0, 300.0, 1},
        {"one mm over", 2, 1.0, 401.0, 300.0, 6}, {"zero width", 2, 1.0, 0.0, 300.0, 1},
        {"zero height", 3, 0.5, 400.0, 0.0, 1},   {"factor zero", 1, 0.0, 400.0, 300.0, 1},
        {"factor not a number", 1, std::numeric_limits<double>::quiet_NaN(), 400.0, 300.0, 1},
    };
    for (const Row& row : rows) {
        CPrintSettings settings;
        settings.nScaleMode = row.mode;
        settings.dScale = row.factor;
        EXPECT_EQ(CountPrintPages(settings, row.width, row.height, 200, 150), row.pages) << row.label;
    }
}

TEST(MemDC, CopiesThePictureOnlyWhenDestroyed)
{
    looker::testing::ResetQVGlobal();
    gNewQVGlobal()->m_crBackground = RGB(10, 20, 30);
    QImage screen(40, 30, QImage::Format_RGB32);
    screen.fill(Qt::white);
    CQtDC target(&screen);
    {
        CQVMemDC memDC(&target);
        EXPECT_TRUE(memDC.IsMemDC());
        memDC.FillSolidRect(5, 5, 10, 10, RGB(200, 0, 0));
        EXPECT_EQ(PixelAt(screen, CPoint(7, 7)), RGB(255, 255, 255)) << "nothing on screen before the copy";
    }
    EXPECT_EQ(PixelAt(screen, CPoint(7, 7)), RGB(200, 0, 0));
    EXPECT_EQ(PixelAt(screen, CPoint(30, 20)), RGB(10, 20, 30)) << "background of the settings";
    looker::testing::ResetQVGlobal();
}

// A kept bitmap shows nothing of the frame before: each frame starts on the
// background (black without settings, as a new bitmap does) and a new size
// makes a new bitmap.
TEST(MemDC, KeptBitmapStartsEachFrameAfresh)
{
    struct Row {
        const char* label;
        bool settings;
        int width;
        COLORREF start;
    };
    const Row rows[] = {
        {"same size, settings", true, 40, RGB(10, 20, 30)},
        {"same size, no settings", false, 40, RGB(0, 0, 0)},
        {"new size", true, 36, RGB(10, 20, 30)},
    };
    for (const Row& row : rows) {
        looker::testing::ResetQVGlobal();
        if (row.settings) gNewQVGlobal()->m_crBackground = RGB(10, 20, 30);
        QImage screen(40, 30, QImage::Format_RGB32);
        screen.fill(Qt::white);
        CQtDC target(&screen);
        CBitmap kept;
        {
            CQVMemDC memDC(&target, nullptr, &kept);
            memDC.FillSolidRect(5, 5, 10, 10, RGB(200, 0, 0));
        }
        const QImage* first = kept.GetImage();
        const RECT rect{0, 0, row.width, 30};
        {
            CQVMemDC memDC(&target, &rect, &kept);
            memDC.SetPixelV(20, 20, RGB(0, 200, 0));
        }
        EXPECT_EQ(kept.GetImage() == first, row.width == 40) << row.label << ": bitmap reused";
        EXPECT_EQ(kept.GetSize().cx, row.width) << row.label;
        EXPECT_EQ(PixelAt(screen, CPoint(7, 7)), row.start) << row.label;
        EXPECT_EQ(PixelAt(screen, CPoint(20, 20)), RGB(0, 200, 0)) << row.label;
    }
    looker::testing::ResetQVGlobal();
}

}  // namespace

// Hiding the design centre grows the view while the next drawing still paints:
// the drawing shows the rulers, the layout runs and the view is resized under
// the painter. The new size waits for the drawing to end.
TEST_F(ViewTest, ResizeDuringADrawingWaitsForItsEnd)
{
    ASSERT_TRUE(Start());
    CDesignCentral* pane = gGetPaneDCenter();
    ASSERT_NE(pane, nullptr);
    CKorvelView* view = View();
    const int paints = view->GetPaintCount();
    pane->HideDCenter();
    QTest::qWait(100);
    RECT client{};
    view->GetClientRect(&client);
    EXPECT_EQ(view->GetScreenImage().width(), client.right);
    EXPECT_EQ(view->GetScreenImage().height(), client.bottom);
    EXPECT_GT(view->GetPaintCount(), paints);
}
