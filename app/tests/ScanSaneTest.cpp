// Scanning through the program's source manager and SANE's test backend:
// choose the source, scan one page through the source's dialog, and compare
// the picture that lands in the drawing with what scanimage writes for the
// same device and options.
#include "AppFixture.h"

#include "app/KorvelIds.h"
#include "framework/db/DbImage.h"
#include "framework/looker/Dib.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "platform/ui/CmdUI.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <dlfcn.h>
#include <sstream>

using namespace korvel_test;

namespace {

const char* kSaneConfig = KORVEL_TEST_DATA "sane";

struct Pnm {
    int width = 0, height = 0, channels = 0;
    std::vector<unsigned char> samples;
};

// scanimage's PNM output (P5 grey or P6 colour, 8 bits).
Pnm RunScanimage(const std::string& mode, int dpi)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SANE_CONFIG_DIR"), QString::fromUtf8(kSaneConfig));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("scanimage"), {QStringLiteral("-d"), QStringLiteral("test:0"), QStringLiteral("--mode"),
                                                QString::fromStdString(mode), QStringLiteral("--resolution"),
                                                QString::number(dpi), QStringLiteral("--format=pnm")});
    Pnm pnm;
    if (!process.waitForFinished(30000) || process.exitCode() != 0) return pnm;
    const QByteArray out = process.readAllStandardOutput();
    std::istringstream in(out.toStdString());
    std::string magic, token;
    in >> magic;
    std::vector<int> numbers;
    while (numbers.size() < 3 && in >> token) {
        if (token[0] == '#') {
            std::getline(in, token);
            continue;
        }
        numbers.push_back(std::stoi(token));
    }
    in.get();  // the single white space before the samples
    pnm.width = numbers[0];
    pnm.height = numbers[1];
    pnm.channels = magic == "P6" ? 3 : 1;
    const std::size_t n = static_cast<std::size_t>(pnm.width) * pnm.height * pnm.channels;
    pnm.samples.resize(n);
    in.read(reinterpret_cast<char*>(pnm.samples.data()), static_cast<std::streamsize>(n));
    if (static_cast<std::size_t>(in.gcount()) != n) pnm.width = 0;
    return pnm;
}

QWidget* TopLevelNamed(const char* name)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name) && w->isVisible()) return w;
    return nullptr;
}

class ScanSaneTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ::setenv("SANE_CONFIG_DIR", kSaneConfig, 1);
        // The test backend stays mapped after SANE lets it go, so that the leak
        // checker can name the text it never frees.
        dlopen(KORVEL_SANE_BACKEND_DIR "libsane-test.so.1", RTLD_NOW | RTLD_NODELETE);
    }
    void Command(UINT id) { Frame()->SendMessage(WM_COMMAND, id, 0); }
    CDbImage* LastImage()
    {
        CDBase* db = CDBase::Instance();
        return db->GetCount() > 0 ? dynamic_cast<CDbImage*>(db->GetEntities().GetTail()) : nullptr;
    }
};

}  // namespace

TEST_F(ScanSaneTest, ScannedPageEqualsScanimagesAndLandsInTheDrawing)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(View()->IsDSMLoaded()) << "the source manager module loads";
    EXPECT_FALSE(View()->IsSourceSelected());
    CTestCmdUI selectItem, scanItem;
    View()->OnUpdateSelectSource(&selectItem);
    View()->OnUpdateScan(&scanItem);
    EXPECT_TRUE(selectItem.m_bEnabled);
    EXPECT_FALSE(scanItem.m_bEnabled) << "scan waits for a chosen source";

    // Select Source: the manager's list, answered by choosing the test device.
    bool listed = false;
    QTimer::singleShot(0, [&listed] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* list = dialog->findChild<QListWidget*>(QStringLiteral("sources"));
        ASSERT_NE(list, nullptr);
        listed = list->count() == 1 && list->item(0)->text().startsWith(QStringLiteral("test:0"));
        list->setCurrentRow(0);
        dialog->accept();
    });
    Command(korvel::ID_SCAN_SELECT_SOURCE);
    EXPECT_TRUE(listed);
    ASSERT_TRUE(View()->IsSourceSelected());
    EXPECT_STREQ(View()->GetSourceIdentity().ProductName, "test:0");
    View()->OnUpdateScan(&scanItem);
    EXPECT_TRUE(scanItem.m_bEnabled);

    const struct {
        const char* mode;
        int dpi;
    } rows[] = {{"Color", 50}, {"Gray", 72}};
    int undoSteps = CActionManager::Instance()->GetUndoCount();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mode);
        const int before = CDBase::Instance()->GetCount();
        Command(korvel::ID_SCAN_ACQUIRE);
        QWidget* source = TopLevelNamed("twainSource");
        ASSERT_NE(source, nullptr) << "the source shows its dialog";
        source->findChild<QComboBox*>(QStringLiteral("mode"))->setCurrentText(QString::fromLatin1(row.mode));
        source->findChild<QSpinBox*>(QStringLiteral("resolution"))->setValue(row.dpi);
        QTest::mouseClick(source->findChild<QPushButton*>(QStringLiteral("scan")), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return CDBase::Instance()->GetCount() == before + 1; }, 10000));
        EXPECT_EQ(CActionManager::Instance()->GetUndoCount(), ++undoSteps) << "one undo step";

        CDbImage* image = LastImage();
        ASSERT_NE(image, nullptr);
        const CDib* dib = image->GetDib();
        const Pnm pnm = RunScanimage(row.mode, row.dpi);
        ASSERT_GT(pnm.width, 0) << "scanimage ran";
        ASSERT_EQ(dib->GetWidth(), pnm.width);
        ASSERT_EQ(dib->GetHeight(), pnm.height);
        int differing = 0, coloured = 0;
        for (int y = 0; y < pnm.height; ++y)
            for (int x = 0; x < pnm.width; ++x) {
                const std::size_t p = static_cast<std::size_t>(y * pnm.width + x);
                const unsigned char* bgra = &dib->GetBits()[p * 4];
                const unsigned char* s = &pnm.samples[p * pnm.channels];
                const unsigned char r = s[0], g = s[pnm.channels == 3 ? 1 : 0], b = s[pnm.channels == 3 ? 2 : 0];
                if (bgra[2] != r || bgra[1] != g || bgra[0] != b) ++differing;
                if (r != g || g != b) ++coloured;
            }
        EXPECT_EQ(differing, 0);
        if (std::string(row.mode) == "Color") {
            EXPECT_GT(coloured, 0) << "the pattern has colours to compare";
        }
    }
    // The source stays open until it asks to close: its Close button.
    QWidget* source = TopLevelNamed("twainSource");
    ASSERT_NE(source, nullptr);
    QTest::mouseClick(source->findChild<QPushButton*>(QStringLiteral("close")), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !View()->IsSourceOpen(); }, 5000));
    EXPECT_EQ(TopLevelNamed("twainSource"), nullptr);
    Close();
}

TEST_F(ScanSaneTest, ScanItemsFollowTheClientState)
{
    CQvScan::LibraryOps none;
    none.load = [](const CString&) { return static_cast<void*>(nullptr); };
    none.entry = [](void*) { return static_cast<DSMENTRYPROC>(nullptr); };
    none.free = [](void*) {};
    CQvScan::SetLibraryOps(none);
    ASSERT_TRUE(Start());
    CTestCmdUI select, scan;
    EXPECT_FALSE(View()->IsDSMLoaded());
    select.m_nID = korvel::ID_SCAN_SELECT_SOURCE;
    scan.m_nID = korvel::ID_SCAN_ACQUIRE;
    View()->OnUpdateSelectSource(&select);
    View()->OnUpdateScan(&scan);
    EXPECT_FALSE(select.m_bEnabled) << "without the module";
    EXPECT_FALSE(scan.m_bEnabled) << "without the module";
    Close();
    CQvScan::SetLibraryOps({});
}
