// Printing to PDF files through the print dialog, read back with poppler's
// pdfinfo and pdftoppm, and the print preview.
#include "AppFixture.h"

#include "app/KorvelIds.h"
#include "app/QvPrintDialog.h"
#include "framework/db/DbCurve.h"
#include "framework/looker/Looker.h"
#include "framework/looker/WorkArea.h"
#include "framework/relayon/DBase.h"
#include "geometry/shapes2d/GeCircle.h"
#include "platform/ui/Print.h"
#include "platform/ui/WinApp.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

using namespace korvel_test;

namespace {

constexpr int kDpi = 100;
constexpr double kBoxWidth = 400.0, kBoxHeight = 300.0;
// Pixels of a millimetre on the rendered pages.
constexpr double kPixelsPerMm = kDpi / 25.4;

struct Marker {
    double x, y;  // world millimetres
    COLORREF colour;
};
// One marker in each quadrant of the page box, placed clear of the tile edges
// of every scale tested (a marker cut by an edge would move its centre).
const Marker kMarkers[] = {{100, 190, RGB(255, 0, 0)},
                           {300, 190, RGB(0, 160, 0)},
                           {100, 110, RGB(0, 0, 255)},
                           {300, 110, RGB(200, 0, 200)}};
constexpr double kMarkerRadius = 2.0;

// Index of the scale list entry of a ratio text.
int ScaleIndex(const wchar_t* text)
{
    for (int i = 0; i < kPrintScaleCount; ++i)
        if (kPrintScales[i].text != nullptr && std::wstring(kPrintScales[i].text) == text) return i;
    return -1;
}

std::string RunTool(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    process.waitForFinished(60000);
    return process.readAllStandardOutput().toStdString();
}

int PdfPages(const std::string& path)
{
    const std::string info = RunTool("pdfinfo", {QString::fromStdString(path)});
    const QRegularExpressionMatch m = QRegularExpression("Pages:\\s+(\\d+)").match(QString::fromStdString(info));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The pages rendered at kDpi.
std::vector<QImage> RenderPdf(const std::string& path, const std::string& prefix)
{
    RunTool("pdftoppm", {"-r", QString::number(kDpi), "-png", QString::fromStdString(path), QString::fromStdString(prefix)});
    std::vector<QImage> pages;
    const int count = PdfPages(path);
    for (int p = 1; p <= count; ++p) {
        // pdftoppm pads the page number to the width of the page count.
        QImage image;
        for (int width = 1; width <= 3 && image.isNull(); ++width)
            image.load(QString::fromStdString(prefix) + QString("-%1.png").arg(p, width, 10, QChar('0')));
        pages.push_back(image);
    }
    return pages;
}

// Centre of the pixels of the colour's hue (saturation-weighted, so that the
// renderer's smoothing of the thin outline does not move it), or none when
// there are too few.
std::optional<QPointF> FindColour(const QImage& image, COLORREF colour)
{
    const int hue = QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour)).hsvHue();
    double sx = 0, sy = 0, sw = 0;
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.hsvSaturation() < 60) continue;
            const int d = std::abs(c.hsvHue() - hue);
            if (std::min(d, 360 - d) > 25) continue;
            const double w = c.hsvSaturationF();
            sx += (x + 0.5) * w;
            sy += (y + 0.5) * w;
            sw += w;
            ++n;
        }
    }
    if (n < 5) return std::nullopt;
    return QPointF(sx / sw, sy / sw);
}

// Where a world point prints: the page box drawn at the factor f on paper, its
// centre (shifted by the offsets) in the middle of a grid of columns x rows
// pages of W x H millimetres, pages counted left to right, then top to bottom.
struct Predicted {
    int page;  // 0-based
    QPointF pixel;
};
Predicted Predict(double x, double y, double f, double offX, double offY, int columns, int rows, int W, int H)
{
    const double u = (x - (kBoxWidth / 2 - offX)) * f + columns * W / 2.0;
    const double v = ((kBoxHeight / 2 - offY) - y) * f + rows * H / 2.0;
    const int column = static_cast<int>(std::floor(u / W)), row = static_cast<int>(std::floor(v / H));
    return {row * columns + column, QPointF((u - column * W) * kPixelsPerMm, (v - row * H) * kPixelsPerMm)};
}

class PrintTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_TRUE(Start());
        CWorkArea::Instance()->SetPageSize(kBoxWidth, kBoxHeight);
        m_printer = AfxGetApp()->GetPrinter();
        ASSERT_NE(m_printer, nullptr);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setResolution(kDpi);
        m_printer->setPageSize(QPageSize(QPageSize::A4));
        m_printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    }

    void AddMarkers()
    {
        for (const Marker& m : kMarkers) {
            const double c[2] = {m.x, m.y};
            auto* entity = new CDbCurve(new CGeCircle(c, kMarkerRadius, 1));
            entity->SetColor(m.colour);
            CDBase::Instance()->AddTail(entity);
        }
    }

    // Runs Print with the dialog filled by fill (then OK) into a new PDF file.
    std::string Print(const std::string& name, bool landscape, std::function<void(CQvPrintDialog&)> fill)
    {
        const std::string path = PathOf(name.c_str());
        m_printer->setOutputFileName(QString::fromStdString(path));
        m_printer->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        m_prompt.m_dialogAnswers.push_back({IDOK, [fill](CDialog& dialog) {
                                                auto& print = dynamic_cast<CQvPrintDialog&>(dialog);
                                                if (fill) fill(print);
                                            }});
        View()->SendMessage(WM_COMMAND, ID_FILE_PRINT, 0);
        return path;
    }

    // What the control tells the dialog.
    static void Notify(CDialog& dialog, UINT id, UINT code)
    {
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(dialog.GetDlgItem(id)->m_hWnd));
    }
    static void ChooseScale(CQvPrintDialog& dialog, int index)
    {
        dialog.m_listScale.SetCurSel(index);
        Notify(dialog, CQvPrintDialog::kScaleList, CBN_SELCHANGE);
    }
    static void Click(CDialog& dialog, UINT id)
    {
        if (auto* button = dynamic_cast<CButton*>(dialog.GetDlgItem(id)); button != nullptr && button->GetButtonStyle() == BS_AUTORADIOBUTTON)
            button->SetCheck(BST_CHECKED);
        Notify(dialog, id, BN_CLICKED);
    }

    QPrinter* m_printer = nullptr;
};

TEST_F(PrintTest, PagesAndMarkersFollowTheScaleOnBothOrientations)
{
    AddMarkers();
    struct Row {
        const char* label;
        bool landscape;
        const wchar_t* scale;  // null: fit to paper
        double f;
        int columns, rows;
    };
    // A4 portrait prints 210 x 297 mm, landscape 297 x 210 mm.
    const Row rows[] = {
        {"portrait fit", false, nullptr, 210.0 / 400.0, 1, 1},
        {"portrait 1:1", false, L"1:1", 1.0, 2, 2},
        {"portrait 1:2", false, L"1:2", 0.5, 1, 1},
        {"portrait 2:1", false, L"2:1", 2.0, 4, 3},
        {"landscape fit", true, nullptr, 210.0 / 300.0, 1, 1},
        {"landscape 1:1", true, L"1:1", 1.0, 2, 2},
        {"landscape 1:2", true, L"1:2", 0.5, 1, 1},
        {"landscape 2:1", true, L"2:1", 2.0, 3, 3},
    };
    int fileNo = 0;
    for (const Row& row : rows) {
        const int index = row.scale != nullptr ? ScaleIndex(row.scale) : 0;
        const std::string path = Print("print" + std::to_string(++fileNo) + ".pdf", row.landscape,
                                       [index](CQvPrintDialog& d) { ChooseScale(d, index); });
        ASSERT_EQ(PdfPages(path), row.columns * row.rows) << row.label;
        const std::vector<QImage> pages = RenderPdf(path, PathOf(("page" + std::to_string(fileNo)).c_str()));
        const int W = row.landscape ? 297 : 210, H = row.landscape ? 210 : 297;
        for (const Marker& m : kMarkers) {
            const Predicted at = Predict(m.x, m.y, row.f, 0, 0, row.columns, row.rows, W, H);
            for (int p = 0; p < static_cast<int>(pages.size()); ++p) {
                ASSERT_FALSE(pages[static_cast<size_t>(p)].isNull()) << row.label << " page " << p + 1;
                const auto found = FindColour(pages[static_cast<size_t>(p)], m.colour);
                if (p != at.page) {
                    EXPECT_FALSE(found.has_value()) << row.label << ": marker at " << m.x << ", " << m.y
                                                    << " also on page " << p + 1;
                    continue;
                }
                ASSERT_TRUE(found.has_value()) << row.label << ": marker at " << m.x << ", " << m.y
                                               << " missing from page " << p + 1;
                EXPECT_NEAR(found->x(), at.pixel.x(), 2.0) << row.label << " marker " << m.x << ", " << m.y;
                EXPECT_NEAR(found->y(), at.pixel.y(), 2.0) << row.label << " marker " << m.x << ", " << m.y;
            }
        }
    }
    EXPECT_EQ(View()->m_print.nScaleMode, ScaleIndex(L"2:1")) << "the last settings stay with the view";
}

TEST_F(PrintTest, FitCentresTheBoxAndOffsetsShiftIt)
{
    AddMarkers();
    // Fit with custom offsets: the marker moves by offset x f on the paper.
    const std::string path = Print("shifted.pdf", false, [](CQvPrintDialog& d) {
        ChooseScale(d, 0);
        Click(d, CQvPrintDialog::kCustomPos);
        d.m_editOffsetX.SetWindowText(L"20");
        d.m_editOffsetY.SetWindowText(L"-10");
    });
    ASSERT_EQ(PdfPages(path), 1);
    const std::vector<QImage> pages = RenderPdf(path, PathOf("shifted"));
    const double f = 210.0 / 400.0;
    for (const Marker& m : kMarkers) {
        const Predicted at = Predict(m.x, m.y, f, 20, -10, 1, 1, 210, 297);
        const auto found = FindColour(pages.at(0), m.colour);
        ASSERT_TRUE(found.has_value());
        EXPECT_NEAR(found->x(), at.pixel.x(), 2.0);
        EXPECT_NEAR(found->y(), at.pixel.y(), 2.0);
    }
    EXPECT_EQ(View()->m_print.nPosMode, 1);
    EXPECT_DOUBLE_EQ(View()->m_print.dOffsetX, 20.0);
    EXPECT_DOUBLE_EQ(View()->m_print.dOffsetY, -10.0);
    EXPECT_DOUBLE_EQ(View()->m_print.dScale, f) << "fit stores the factor it computed";
}

TEST_F(PrintTest, DialogStartsAtOneToOneAndReadsTheRatio)
{
    struct Row {
        const char* label;
        std::function<void(CQvPrintDialog&)> fill;
        int mode;
        double factor;
    };
    const Row rows[] = {
        {"first dialog", [](CQvPrintDialog& d) {
             EXPECT_EQ(d.m_listScale.GetCurSel(), ScaleIndex(L"1:1"));
             EXPECT_TRUE(d.IsDlgButtonChecked(CQvPrintDialog::kCentred));
             EXPECT_EQ(d.m_editOffsetX.GetShown(), 0.0);
             EXPECT_FALSE(d.GetDlgItem(CQvPrintDialog::kPaper)->IsWindowEnabled());
         }, 2, 1.0},
        {"1:30", [](CQvPrintDialog& d) { ChooseScale(d, ScaleIndex(L"1:30")); }, 9, 1.0 / 30},
        {"custom entry keeps f", [](CQvPrintDialog& d) {
             ChooseScale(d, 1);
             EXPECT_TRUE(d.GetDlgItem(CQvPrintDialog::kPaper)->IsWindowEnabled());
         }, 1, 1.0 / 30},
        {"custom 1 : 25", [](CQvPrintDialog& d) {
             ChooseScale(d, 1);
             d.SetDlgItemText(CQvPrintDialog::kPaper, L"1");
             d.SetDlgItemText(CQvPrintDialog::kModel, L"25");
         }, 1, 0.04},
        {"2:1", [](CQvPrintDialog& d) { ChooseScale(d, ScaleIndex(L"2:1")); }, 13, 2.0},
    };
    int n = 0;
    for (const Row& row : rows) {
        Print("ratio" + std::to_string(++n) + ".pdf", false, row.fill);
        EXPECT_EQ(View()->m_print.nScaleMode, row.mode) << row.label;
        EXPECT_NEAR(View()->m_print.dScale, row.factor, 1e-12) << row.label;
    }
}

TEST_F(PrintTest, EmptyDrawingPrintsBlankPages)
{
    const std::string path = Print("empty.pdf", false, [](CQvPrintDialog& d) { ChooseScale(d, ScaleIndex(L"1:1")); });
    ASSERT_EQ(PdfPages(path), 4);
    for (const QImage& page : RenderPdf(path, PathOf("empty"))) {
        ASSERT_FALSE(page.isNull());
        int dark = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) dark += QColor(page.pixel(x, y)).lightness() < 200 ? 1 : 0;
        EXPECT_EQ(dark, 0);
    }
}

TEST_F(PrintTest, WhiteFiguresPrintBlack)
{
    // White is the drawing colour on a dark screen; on paper it would vanish.
    const double c[2] = {200, 150};
    auto* entity = new CDbCurve(new CGeCircle(c, 20.0, 1));
    entity->SetColor(RGB(255, 255, 255));
    CDBase::Instance()->AddTail(entity);
    const std::string path = Print("white.pdf", false, [](CQvPrintDialog& d) { ChooseScale(d, ScaleIndex(L"1:1")); });
    int dark = 0;
    for (const QImage& page : RenderPdf(path, PathOf("white")))
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) dark += QColor(page.pixel(x, y)).lightness() < 128 ? 1 : 0;
    // The circle's 126 mm outline at 100 dpi is about 490 pixels.
    EXPECT_GT(dark, 300);
}

TEST_F(PrintTest, FlatPageBoxPrintsOnePage)
{
    AddMarkers();
    CWorkArea::Instance()->SetPageSize(kBoxWidth, kBoxHeight);
    for (const wchar_t* scale : {L"1:1", L"2:1"}) {
        CPrintSettings settings;
        settings.nScaleMode = ScaleIndex(scale);
        settings.dScale = scale == std::wstring(L"1:1") ? 1.0 : 2.0;
        EXPECT_EQ(CountPrintPages(settings, 0.0, 300.0, 210, 297), 1);
        EXPECT_EQ(CountPrintPages(settings, 400.0, 0.0, 210, 297), 1);
    }
    // Laying out a flat box fits it by its other side; a point prints at 1.
    CLooker looker;
    const CPrintPage page{827, 1169, kDpi, kDpi};
    struct Row {
        double xmax, ymax, factor;
    };
    for (const Row& row : {Row{0.0, 300.0, 297.0 / 300.0}, Row{400.0, 0.0, 210.0 / 400.0}, Row{0.0, 0.0, 1.0}}) {
        for (int mode : {0, 2}) {
            CPrintSettings settings;
            settings.nScaleMode = mode;
            PrintPageLayout(&looker, settings, 0.0, 0.0, row.xmax, row.ymax, page, 1);
            EXPECT_NEAR(settings.dScale, row.factor, 1e-12);
            EXPECT_NEAR(looker.GetScale(), row.factor * kPixelsPerMm, 1e-9);
        }
    }
}

TEST_F(PrintTest, PreviewButtonOpensThePreviewWithTheChosenSettings)
{
    AddMarkers();
    m_printer->setOutputFileName(QString::fromStdString(PathOf("preview.pdf")));
    m_printer->setPageOrientation(QPageLayout::Portrait);
    m_prompt.m_dialogAnswers.push_back({IDOK, [](CDialog& dialog) {
                                            auto& d = dynamic_cast<CQvPrintDialog&>(dialog);
                                            ChooseScale(d, ScaleIndex(L"1:1"));
                                            Click(d, CQvPrintDialog::kPreview);
                                        }});
    View()->SendMessage(WM_COMMAND, ID_FILE_PRINT, 0);
    EXPECT_EQ(m_prompt.m_dialogAnswers.size(), 0u);
    EXPECT_FALSE(Exists(PathOf("preview.pdf"))) << "Preview does not print";
    CPreviewView* preview = AfxGetPreviewView();
    ASSERT_NE(preview, nullptr);
    EXPECT_NE(dynamic_cast<CQvPreviewView*>(preview), nullptr);
    QApplication::processEvents();
    EXPECT_EQ(preview->GetPageCount(), 4);
    EXPECT_EQ(View()->m_print.nScaleMode, ScaleIndex(L"1:1"));

    // The tool bar's Close ends the preview at once; the window goes on the next turn of the loop.
    QAction* close = nullptr;
    for (QAction* action : preview->GetWidget()->findChildren<QAction*>())
        if (action->text().remove('&') == "Close") close = action;
    ASSERT_NE(close, nullptr);
    close->trigger();
    EXPECT_EQ(AfxGetPreviewView(), nullptr);
    QApplication::processEvents();

    // Print from the preview: it closes and a print job follows through the main window.
    View()->SendMessage(WM_COMMAND, ID_FILE_PRINT_PREVIEW, 0);
    preview = AfxGetPreviewView();
    ASSERT_NE(preview, nullptr);
    m_prompt.m_dialogAnswers.push_back({IDOK, {}});
    preview->SendMessage(WM_COMMAND, AFX_ID_PREVIEW_PRINT, 0);
    EXPECT_EQ(AfxGetPreviewView(), nullptr);
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    EXPECT_EQ(PdfPages(PathOf("preview.pdf")), 4);
}

TEST_F(PrintTest, PrintSetupKeepsTheApplicationsPrinter)
{
    m_prompt.m_pageSetups.push_back([](QPrinter* printer) { printer->setPageOrientation(QPageLayout::Landscape); });
    AfxGetMainWnd()->SendMessage(WM_COMMAND, ID_FILE_PRINT_SETUP, 0);
    EXPECT_EQ(m_prompt.m_nPageSetupDialogs, 1);
    EXPECT_EQ(AfxGetApp()->GetPrinter()->pageLayout().orientation(), QPageLayout::Landscape);
    // The next print job prints landscape pages.
    const std::string path = PathOf("setup.pdf");
    m_printer->setOutputFileName(QString::fromStdString(path));
    m_prompt.m_dialogAnswers.push_back({IDOK, {}});
    View()->SendMessage(WM_COMMAND, ID_FILE_PRINT, 0);
    const std::string info = RunTool("pdfinfo", {QString::fromStdString(path)});
    EXPECT_NE(info.find("842 x 595"), std::string::npos) << info;
}

}  // namespace
