// Application side of the settings library: slots, folders, persisted
// settings, camera blending and the work area.
#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Dib.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/WorkArea.h"
#include "platform/core/RecordingDC.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

TEST(AppSlotsTest, SlotsHoldWhatWasPublishedUntilReset)
{
    int dummy[8];
    gSetDocument(reinterpret_cast<CDocument*>(&dummy[0]));
    gSetMainFrame(reinterpret_cast<CFrameWnd*>(&dummy[1]));
    gSetView(reinterpret_cast<CView*>(&dummy[2]));
    gSetRelayon(reinterpret_cast<CRelayon*>(&dummy[3]));
    gSetPaneDCenter(reinterpret_cast<CDesignCentral*>(&dummy[4]));
    gSetCurColor(RGB(1, 2, 3));
    EXPECT_EQ(static_cast<void*>(gGetDocument()), &dummy[0]);
    EXPECT_EQ(static_cast<void*>(gGetMainFrame()), &dummy[1]);
    EXPECT_EQ(static_cast<void*>(gGetView()), &dummy[2]);
    EXPECT_EQ(static_cast<void*>(gGetRelayon()), &dummy[3]);
    EXPECT_EQ(static_cast<void*>(gGetPaneDCenter()), &dummy[4]);
    EXPECT_EQ(gGetCurColor(), RGB(1, 2, 3));
    looker::testing::ResetAppSlots();
    EXPECT_EQ(gGetDocument(), nullptr);
    EXPECT_EQ(gGetMainFrame(), nullptr);
    EXPECT_EQ(gGetView(), nullptr);
    EXPECT_EQ(gGetRelayon(), nullptr);
    EXPECT_EQ(gGetPaneDCenter(), nullptr);
    EXPECT_EQ(gGetSelector(), nullptr);
    EXPECT_EQ(gGetOpenGLDC(), nullptr);
}

class AppDataTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("korvel-appdata-" + std::to_string(::getpid()));
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_hadOld = old != nullptr;
        if (m_hadOld) m_old = old;
        setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
    }
    void TearDown() override
    {
        if (m_hadOld) setenv("XDG_CONFIG_HOME", m_old.c_str(), 1);
        else unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(m_dir);
    }
    std::filesystem::path m_dir;
    std::string m_old;
    bool m_hadOld = false;
};

TEST_F(AppDataTest, FolderIsCreatedUnderTheConfigHomeAndEndsWithASlash)
{
    const CString dir = gGetAppDataDir();
    EXPECT_EQ(dir, CString::FromUtf8((m_dir / "korvel").string() + "/"));
    EXPECT_TRUE(std::filesystem::is_directory(m_dir / "korvel"));
    const CString exe = gGetApplicationPath();
    ASSERT_FALSE(exe.IsEmpty());
    EXPECT_EQ(exe[exe.GetLength() - 1], L'/');
}

TEST_F(AppDataTest, SettingsSurviveASaveAndLoad)
{
    CQVGlobal saved;
    saved.m_bAutoSave = FALSE;
    saved.m_nAutoSaveMinutes = 3;
    saved.m_nUnit = kUnitInch;
    saved.m_crBackground = RGB(9, 8, 7);
    saved.m_bShowTips = TRUE;
    saved.m_ptGuide[0] = 0.1;
    saved.m_nFrameReady = 1;
    ASSERT_TRUE(saved.SaveProfile());
    CQVGlobal loaded;
    ASSERT_TRUE(loaded.LoadProfile());
    EXPECT_FALSE(loaded.m_bAutoSave);
    EXPECT_EQ(loaded.m_nAutoSaveMinutes, 3);
    EXPECT_EQ(loaded.m_nUnit, kUnitInch);
    EXPECT_EQ(loaded.m_crBackground, RGB(9, 8, 7));
    EXPECT_TRUE(loaded.m_bShowTips);
    EXPECT_DOUBLE_EQ(loaded.m_ptGuide[0], 0.1);
    EXPECT_EQ(loaded.m_nFrameReady, 0) << "the frame-ready flag is not persisted";
}

TEST_F(AppDataTest, BadValuesKeepTheDefaults)
{
    std::filesystem::create_directories(m_dir / "korvel");
    std::ofstream(m_dir / "korvel" / "settings.cfg") << "AutoSaveMinutes=-4\nUnit=9\nShowRulers=x\nGuideX=nan\n"
                                                        "garbage line\nViewAnimation=0\n";
    CQVGlobal g;
    ASSERT_TRUE(g.LoadProfile());
    EXPECT_EQ(g.m_nAutoSaveMinutes, 10);
    EXPECT_EQ(g.m_nUnit, kUnitMillimetre);
    EXPECT_TRUE(g.m_bShowRulers);
    EXPECT_DOUBLE_EQ(g.m_ptGuide[0], 0.0);
    EXPECT_FALSE(g.m_bViewAnimation);
    CQVGlobal none;
    EXPECT_FALSE(none.LoadProfile(CString(L"/nonexistent/dir/settings.cfg")));
}

TEST(SettingsTextTest, LengthsOutsideFloatRangeKeepTheirValues)
{
    // 1e300 overflows the float conversion; 1e-300 rounds to a zero precision.
    std::istringstream text("Precision=1e300\nDiscAngle=1e-300\nPrecision=-1\nDiscAngle=inf\n");
    CQVAppSettings s;
    s.ReadProfile(text);
    EXPECT_FLOAT_EQ(s.m_fPrecision, 0.01f);
    EXPECT_FLOAT_EQ(s.m_fDiscAngle, 170.0f);
    std::istringstream crlf("Precision=0.5\r\nUnit=2\r\n");
    s.ReadProfile(crlf);
    EXPECT_FLOAT_EQ(s.m_fPrecision, 0.5f);
    EXPECT_EQ(s.m_nUnit, kUnitInch);
}

TEST(UnitTest, MillimetresConvertToTheCurrentUnit)
{
    EXPECT_DOUBLE_EQ(MM2CUR(25.4), 25.4) << "no settings object: millimetres";
    CQVGlobal* g = gNewQVGlobal();
    const struct {
        int unit;
        double expected;
    } rows[] = {{kUnitMillimetre, 25.4}, {kUnitCentimetre, 2.54}, {kUnitInch, 1.0}, {kUnitFoot, 25.4 / 304.8}};
    for (const auto& r : rows) {
        g->m_nUnit = r.unit;
        EXPECT_NEAR(MM2CUR(25.4), r.expected, 1e-12) << "unit " << r.unit;
        EXPECT_NEAR(CUR2MM(MM2CUR(25.4)), 25.4, 1e-12) << "unit " << r.unit;
    }
    looker::testing::ResetQVGlobal();
}

TEST(DrawBoxTest, DrawsAnExclusiveOrOutlineAndRestoresTheContext)
{
    RecordingDC dc;
    gDrawBox(&dc, 1, 2, 30, 40);
    const auto lines = dc.Filter(DCRecord::Polyline);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rop2, R2_XORPEN);
    EXPECT_EQ(lines[0].points.size(), 5u);
    EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
}

TEST(CameraTest, LerpEndsExactlyAndKeepsUpNormalised)
{
    GCamera start, end;
    end.m_eye[0] = 100.0;
    end.m_up[0] = 1.0, end.m_up[1] = 0.0;
    end.m_fScale = 3.0f;
    end.m_nViewType = GCamera::kViewIsometric;
    COpenGLDC dc;
    GCamera r;
    for (int step = 1; step <= 12; ++step) {
        const float t = static_cast<float>(step * (1.0 / 12.0));
        dc.LerpView(start, end, t, r);
        const double len = std::sqrt(r.m_up[0] * r.m_up[0] + r.m_up[1] * r.m_up[1] + r.m_up[2] * r.m_up[2]);
        EXPECT_NEAR(len, 1.0, 1e-12) << "step " << step;
        EXPECT_NEAR(r.m_eye[0], 100.0 * t, 1e-4) << "step " << step;
    }
    EXPECT_EQ(r.m_eye[0], 100.0);
    EXPECT_EQ(r.m_fScale, 3.0f);
    EXPECT_EQ(r.m_nViewType, GCamera::kViewIsometric);
    // Opposite up vectors cancel half-way: the start's is kept.
    end.m_up[0] = 0.0, end.m_up[1] = -1.0;
    dc.LerpView(start, end, 0.5f, r);
    EXPECT_EQ(r.m_up[1], 1.0);
}

TEST(CameraTest, ReadyNeedsTheHooksAndTheStackPops)
{
    COpenGLDC dc;
    EXPECT_FALSE(dc.Ready());
    int begun = 0, ended = 0;
    dc.SetFrameHooks([&begun] { return ++begun, true; }, [&ended] { ++ended; });
    EXPECT_TRUE(dc.Ready());
    dc.Finish();
    dc.Finish();
    EXPECT_EQ(begun, 1);
    EXPECT_EQ(ended, 1);
    dc.GetCamera().m_fScale = 2.0f;
    dc.PushViewPara();
    dc.GetCamera().m_fScale = 5.0f;
    EXPECT_TRUE(dc.PopViewPara());
    EXPECT_EQ(dc.GetCamera().m_fScale, 2.0f);
    EXPECT_FALSE(dc.PopViewPara());
}

TEST(WorkAreaTest, PageSizeAndSingleton)
{
    CWorkArea* area = CWorkArea::Instance();
    float w = 0, h = 0;
    area->GetPageSize(w, h);
    EXPECT_EQ(w, 210.0f);
    EXPECT_EQ(h, 297.0f);
    EXPECT_FALSE(area->SetPageSize(-1.0, 10.0));
    EXPECT_TRUE(area->SetPageSize(400.0, 300.0));
    const BOX2<double> box = area->GetPageSize();
    EXPECT_EQ(box.xmax, 400.0);
    EXPECT_EQ(box.ymin, 0.0);
    int scrolls = 0;
    area->SetScrollHandler([&scrolls] { ++scrolls; });
    area->SetScrollInfo();
    EXPECT_EQ(scrolls, 1);
    CWorkArea::Uninstance();
    CWorkArea::Instance()->GetPageSize(w, h);
    EXPECT_EQ(w, 210.0f);
    CWorkArea::Uninstance();
}

TEST(DibTest, ReadsA24BitBmpAndRefusesOthers)
{
    const auto path = std::filesystem::temp_directory_path() / ("korvel-dib-" + std::to_string(::getpid()) + ".bmp");
    // 2 x 2 bottom-up 24-bit: rows padded to 8 bytes.
    const unsigned char bmp[] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,
                                 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                 // bottom row: blue, green
                                 255, 0, 0, 0, 255, 0, 0, 0,
                                 // top row: red, white
                                 0, 0, 255, 255, 255, 255, 0, 0};
    { std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bmp), sizeof(bmp)); }
    auto* dib = new CDib;
    ASSERT_TRUE(dib->ReadFile(CString::FromUtf8(path.string())));
    EXPECT_EQ(dib->GetWidth(), 2);
    EXPECT_EQ(dib->GetHeight(), 2);
    const auto& bits = dib->GetBits();
    EXPECT_EQ(bits[2], 255) << "top-left is red (BGRA)";
    EXPECT_EQ(bits[8 + 0], 255) << "bottom-left is blue";
    std::filesystem::resize_file(path, 60);
    EXPECT_FALSE(dib->ReadFile(CString::FromUtf8(path.string()))) << "truncated pixels";
    EXPECT_EQ(dib->GetWidth(), 2) << "a failed read leaves the bitmap";
    dib->AddRef();
    dib->Release();
    EXPECT_EQ(dib->GetRefCount(), 1);
    dib->Release();
    std::filesystem::remove(path);
}

}  // namespace
