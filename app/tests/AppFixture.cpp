#include "AppFixture.h"

#include "app/KorvelIds.h"
#include "app/StartupLog.h"
#include "framework/db/DbCurve.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/DBase.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GePoint.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeRegion.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/WinApp.h"
#include "testing/ui/MenuBarProbe.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QSettings>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace korvel_test {

Args::Args(std::vector<std::string> values) : strings(std::move(values))
{
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
}

void AppTest::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    const std::string root = m_dir.path().toStdString();
    std::filesystem::create_directories(root + "/home");
    ::setenv("HOME", (root + "/home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    ASSERT_TRUE(AfxEnsureQtApplication());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath("profile"));
}

void AppTest::TearDown() { Close(); }

BOOL AppTest::Start(std::vector<std::string> args)
{
    m_args = std::make_unique<Args>(std::move(args));
    m_app = std::make_unique<CKorvelApp>();
    m_app->m_argc = m_args->argc();
    m_app->m_argv = m_args->argv();
    if (!m_app->InitApplication()) return FALSE;
    return m_app->InitInstance();
}

void AppTest::Close()
{
    if (m_app == nullptr) return;
    if (CKorvelDoc* doc = Doc()) doc->SetModifiedFlag(FALSE);
    if (m_app->m_pMainWnd != nullptr) m_app->m_pMainWnd->SendMessage(WM_CLOSE);
    m_app->ExitInstance();
    m_app.reset();
    // The next start in the same test finds the process as a new one would.
    looker::testing::ResetAppSlots();
    looker::testing::ResetQVGlobal();
}

CMainFrame* AppTest::Frame() const
{
    return m_app != nullptr ? dynamic_cast<CMainFrame*>(m_app->m_pMainWnd) : nullptr;
}

CKorvelDoc* AppTest::Doc() const
{
    CMainFrame* frame = Frame();
    return frame != nullptr ? dynamic_cast<CKorvelDoc*>(frame->GetActiveDocument()) : nullptr;
}

CKorvelView* AppTest::View() const
{
    CMainFrame* frame = Frame();
    return frame != nullptr ? dynamic_cast<CKorvelView*>(frame->GetActiveView()) : nullptr;
}

std::string AppTest::PathOf(const char* name) const { return m_dir.filePath(name).toStdString(); }

std::string AppTest::AppDataDir() const { return m_dir.path().toStdString() + "/config/korvel/"; }

void AppTest::ExpectMenusReachable(ui_probe::Input& input)
{
    ASSERT_NE(Frame(), nullptr);
    QMainWindow* window = Frame()->GetMainWindow();
    window->move(0, 0);
    ASSERT_TRUE(ui_probe::ShowActive(window));
    std::vector<std::string> titles;
    for (const ui_probe::MenuTitle& title : ui_probe::MenuTitlesOf(window->menuBar()))
        titles.push_back(title.text.toStdString());
    EXPECT_EQ(titles, (std::vector<std::string>{"&File", "&Draw", "&Edit", "M&odify", "Al&ign", "&Node", "Ima&ge",
                                                "Ne&sting", "&Tools", "&View", "&Measure", "&Layer", "Hel&p"}));

    const auto expectReachable = [&](const char* state) {
        std::string overlaps;
        for (const std::string& line : ui_probe::WidgetsOverBars(window)) overlaps += line + "\n";
        EXPECT_EQ(overlaps, "") << state;
        SCOPED_TRACE(state);
        ui_probe::ExpectEveryMenuOpens(window, input);
    };
    expectReachable("as started");
    for (UINT command : {korvel::ID_VIEW_RULERS, korvel::ID_VIEW_SNAPBAR, korvel::ID_VIEW_DCENTER})
        Frame()->SendMessage(WM_COMMAND, command, 0);
    QTest::qWait(50);
    expectReachable("rulers, snap bar and design centre switched");
}

std::vector<CGeCurve*> MakeEveryCurve()
{
    std::vector<CGeCurve*> curves;
    const double p[2] = {5.0, 6.0};
    curves.push_back(new CGePoint(p));
    const double a[2] = {10.0, 10.0}, b[2] = {60.0, 30.0};
    curves.push_back(new CGeLine(a, b));
    auto* arc = new CGeArc;
    const double c[2] = {40.0, 80.0};
    arc->CreateCSEAngle(c, 15.0, 0.25, 2.5);
    curves.push_back(arc);
    const double cc[2] = {100.0, 100.0};
    curves.push_back(new CGeCircle(cc, 20.0, 1));
    const double ce[2] = {150.0, 60.0};
    curves.push_back(new CGeEllipse(ce, 30.0, 12.0, 0.4, 0));
    double bez[4][2] = {{10.0, 150.0}, {40.0, 190.0}, {80.0, 140.0}, {120.0, 170.0}};
    auto* bezier = new CGeBezier;
    bezier->Create(4, bez);
    curves.push_back(bezier);
    const double poly[4][2] = {{20.0, 220.0}, {60.0, 240.0}, {90.0, 210.0}, {130.0, 250.0}};
    auto* polyline = new CGePolyline;
    polyline->Create(4, poly);
    curves.push_back(polyline);
    auto* comb = new CGeCombCurve;
    const double q0[2] = {150.0, 150.0}, q1[2] = {180.0, 150.0}, q2[2] = {180.0, 190.0};
    comb->AddTail(new CGeLine(q0, q1), 1);
    comb->AddTail(new CGeLine(q1, q2), 1);
    curves.push_back(comb);
    auto* loop = new CGeLoop;
    const double l0[2] = {150.0, 220.0}, l1[2] = {190.0, 220.0}, l2[2] = {170.0, 260.0};
    loop->AddTail(new CGeLine(l0, l1), 1);
    loop->AddTail(new CGeLine(l1, l2), 1);
    loop->AddTail(new CGeLine(l2, l0), 1);
    curves.push_back(loop);
    BOX2<double> box;
    box.xmin = 20.0, box.ymin = 20.0, box.xmax = 50.0, box.ymax = 45.0;
    curves.push_back(new CGeRegion(box));
    for (CGeCurve* curve : curves) curve->CreateNewHandle();
    return curves;
}

std::vector<unsigned char> RecordOf(CGeCurve* curve)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        curve->Serialize(ar);
        ar.Close();
    }
    const auto size = static_cast<size_t>(file.GetLength());
    const BYTE* data = file.GetData();
    return std::vector<unsigned char>(data, data + size);
}

std::vector<std::uint32_t> AddCurveEntities(const std::vector<CGeCurve*>& curves)
{
    std::vector<std::uint32_t> handles;
    COLORREF colour = RGB(255, 0, 0);
    for (CGeCurve* curve : curves) {
        auto* entity = new CDbCurve(curve);
        entity->SetColor(colour);
        colour = RGB(GetRValue(colour), (GetGValue(colour) + 23) & 0xFF, (GetBValue(colour) + 41) & 0xFF);
        CDBase::Instance()->AddTail(entity);
        handles.push_back(entity->GetHandle());
    }
    return handles;
}

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

int CountFilesContaining(const std::string& folder, const std::string& text)
{
    int n = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.path().filename().string().find(text) != std::string::npos) ++n;
    return n;
}

}  // namespace korvel_test
