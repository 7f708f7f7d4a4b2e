// The tip-of-the-day dialog inside the running program: the tip table, Next
// and Previous, the sliding picture panel, the plug-in's tips and the
// show-at-start-up box.
#include "AppFixture.h"

#include "app/AboutboxHelpPrompt.h"
#include "framework/extendra/PlugInApp.h"
#include "framework/looker/QVGlobal.h"
#include "platform/ui/Input.h"
#include "platform/ui/Resources.h"

#include <QFont>
#include <QFontDatabase>
#include <QRawFont>

#include <algorithm>
#include <fstream>
#include <set>

using namespace korvel_test;

namespace {

class TipsTest : public AppTest {
protected:
    void TearDown() override
    {
        CAboutboxHelpPrompt::SetIndexGenerator(nullptr);
        AppTest::TearDown();
    }
    // Starts the program and opens the dialog modeless with the first tip at
    // index first (counted from the end when negative).
    std::unique_ptr<CAboutboxHelpPrompt> Open(int first, const CString& plugInPath = CString())
    {
        CAboutboxHelpPrompt::SetIndexGenerator([first](int size) { return first < 0 ? size + first : first; });
        auto dialog = std::make_unique<CAboutboxHelpPrompt>(Frame());
        if (!plugInPath.IsEmpty()) dialog->SetPlugInPath(plugInPath);
        EXPECT_TRUE(dialog->Create(CAboutboxHelpPrompt::IDD, Frame()));
        return dialog;
    }
    static void Click(CAboutboxHelpPrompt& dialog, UINT id) { dialog.SendMessage(WM_COMMAND, id, 0); }
};

}  // namespace

TEST_F(TipsTest, TableTextsAndPictures)
{
    ASSERT_TRUE(Start());
    const tagDAYHELP* tips = CAboutboxHelpPrompt::BuiltInTips();
    EXPECT_EQ(tips[0].nStringID, 30487);
    EXPECT_EQ(tips[70].nStringID, 30564);
    EXPECT_EQ(tips[70].nGifID, 1099);
    std::set<int> gifs;
    for (int i = 0; i < CAboutboxHelpPrompt::kBuiltInTipCount; ++i) {
        EXPECT_FALSE(AfxLoadString(static_cast<UINT>(tips[i].nStringID)).IsEmpty()) << "text of tip " << i;
        if (tips[i].nGifID == 0) continue;
        gifs.insert(tips[i].nGifID);
        EXPECT_NE(AfxFindResourceData(static_cast<UINT>(tips[i].nGifID), L"GIF"), nullptr) << "picture of tip " << i;
    }
    EXPECT_EQ(gifs.size(), 46u);
    Close();
}

TEST_F(TipsTest, NextWrapsAndPreviousStopsAtTheFirst)
{
    ASSERT_TRUE(Start());
    auto dialog = Open(-1);
    const int last = static_cast<int>(dialog->GetTips().GetSize()) - 1;
    EXPECT_EQ(dialog->GetTipIndex(), last);
    CString text;
    dialog->GetDlgItemText(CAboutboxHelpPrompt::IDC_TIP_TEXT, text);
    EXPECT_EQ(text, AfxLoadString(30564));
    Click(*dialog, CAboutboxHelpPrompt::IDC_NEXT);
    EXPECT_EQ(dialog->GetTipIndex(), 0) << "Next on the last shows the first";
    dialog->GetDlgItemText(CAboutboxHelpPrompt::IDC_TIP_TEXT, text);
    EXPECT_EQ(text, AfxLoadString(30487));
    Click(*dialog, CAboutboxHelpPrompt::IDC_PREVIOUS);
    EXPECT_EQ(dialog->GetTipIndex(), 0) << "Previous on the first stays";
    Click(*dialog, CAboutboxHelpPrompt::IDC_NEXT);
    Click(*dialog, CAboutboxHelpPrompt::IDC_NEXT);
    Click(*dialog, CAboutboxHelpPrompt::IDC_PREVIOUS);
    EXPECT_EQ(dialog->GetTipIndex(), 1);
    dialog->DestroyWindow();
    Close();
}

TEST_F(TipsTest, PanelSlidesOpenAndClosedInTenthsAndSnapsOnNext)
{
    ASSERT_TRUE(Start());
    auto dialog = Open(1);  // 30488: no picture
    CAboutboxHelpPrompt& d = *dialog;
    const int full = d.GetFullWidth(), collapsed = d.GetCollapsedWidth();
    ASSERT_GT(full - collapsed, 50) << "a panel to slide";
    const int step = static_cast<int>(std::lround((full - collapsed) / 10.0));
    auto tick = [&d] { d.OnTimer(CAboutboxHelpPrompt::kTimerSlide); };

    tick();
    EXPECT_EQ(d.GetWindowWidth(), collapsed) << "a first tip without a picture: collapsed at once";

    Click(d, CAboutboxHelpPrompt::IDC_NEXT);  // 30489: a picture
    ASSERT_TRUE(d.HasPicture());
    std::vector<int> widths;
    for (int i = 0; i < 20 && !d.IsPanelOpen(); ++i) {
        tick();
        widths.push_back(d.GetWindowWidth());
    }
    std::vector<int> expected;
    for (int w = collapsed + step; w <= full; w += step) expected.push_back(w);
    if (expected.empty() || expected.back() != full) expected.push_back(full);
    EXPECT_EQ(widths, expected) << "opening by a tenth per tick";
    EXPECT_TRUE(d.GetPicture().IsPrepared()) << "the tip's picture is loaded";

    Click(d, CAboutboxHelpPrompt::IDC_PREVIOUS);  // 30488 again: no picture
    widths.clear();
    for (int i = 0; i < 20 && d.IsPanelOpen(); ++i) {
        tick();
        widths.push_back(d.GetWindowWidth());
    }
    expected.clear();
    for (int w = full - step; w >= collapsed; w -= step) expected.push_back(w);
    if (expected.empty() || expected.back() != collapsed) expected.push_back(collapsed);
    EXPECT_EQ(widths, expected) << "Previous lets the panel slide closed";

    // Next from an open panel to a tip without a picture snaps shut.
    Click(d, CAboutboxHelpPrompt::IDC_NEXT);  // 30489
    for (int i = 0; i < 20 && !d.IsPanelOpen(); ++i) tick();
    for (int i = 0; i < 4; ++i) Click(d, CAboutboxHelpPrompt::IDC_NEXT);  // to 30495, no picture
    ASSERT_FALSE(d.HasPicture());
    EXPECT_FALSE(d.IsPanelOpen());
    tick();
    EXPECT_EQ(d.GetWindowWidth(), collapsed) << "one tick";
    d.DestroyWindow();
    Close();
}

TEST_F(TipsTest, PlugInTipShowsItsOwnStringAndPicture)
{
    ASSERT_TRUE(Start());
    CPlugInApp* app = GetPlugInApp();
    ASSERT_NE(app, nullptr);
    app->LoadPlugInDLLs(CString::FromUtf8(KORVEL_TEST_TIPS_DIR));
    auto dialog = Open(-1, CString::FromUtf8(KORVEL_TEST_TIPS_DIR "Flarecut.mlp"));
    ASSERT_EQ(dialog->GetTips().GetSize(), CAboutboxHelpPrompt::kBuiltInTipCount + 1);
    const tagDAYHELP added = dialog->GetTips()[CAboutboxHelpPrompt::kBuiltInTipCount];
    EXPECT_EQ(added.nStringID, -5);
    EXPECT_EQ(added.nGifID, 7);
    CString text;
    dialog->GetDlgItemText(CAboutboxHelpPrompt::IDC_TIP_TEXT, text);
    EXPECT_EQ(text, CString(L"Tip five of the plug-in"));
    EXPECT_TRUE(dialog->HasPicture());
    EXPECT_EQ(dialog->GetPicture().GetFrameCount(), 3) << "the plug-in's GIF 7";
    EXPECT_EQ(dialog->GetPicture().GetPictureSize().cx, 40);
    dialog->DestroyWindow();
    Close();
}

TEST_F(TipsTest, OnlyTheCloseButtonStoresTheBox)
{
    ASSERT_TRUE(Start());
    CQVGlobal* global = gGetQVGlobal();
    ASSERT_NE(global, nullptr);
    global->m_bShowTips = TRUE;
    {
        auto dialog = Open(0);
        EXPECT_EQ(dialog->IsDlgButtonChecked(CAboutboxHelpPrompt::IDC_SHOW_AT_STARTUP), 1u);
        dialog->CheckDlgButton(CAboutboxHelpPrompt::IDC_SHOW_AT_STARTUP, 0);
        Click(*dialog, IDCANCEL);
        EXPECT_TRUE(global->m_bShowTips) << "Escape keeps the old value";
        dialog->DestroyWindow();
    }
    {
        auto dialog = Open(0);
        dialog->CheckDlgButton(CAboutboxHelpPrompt::IDC_SHOW_AT_STARTUP, 0);
        Click(*dialog, CAboutboxHelpPrompt::IDC_CLOSE);
        EXPECT_FALSE(global->m_bShowTips) << "the close button stores the unticked box";
        dialog->DestroyWindow();
    }
    Close();
}

TEST_F(TipsTest, StartUpShowsTheDialogWhenTheSwitchIsOn)
{
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on ? "on" : "off");
        QDir().mkpath(QString::fromStdString(AppDataDir()));
        std::ofstream(AppDataDir() + "settings.cfg") << "ShowTips=" << (on ? 1 : 0) << "\n";
        m_prompt.m_dialogs.clear();
        ASSERT_TRUE(Start());
        EXPECT_EQ(std::count(m_prompt.m_dialogs.begin(), m_prompt.m_dialogs.end(), CAboutboxHelpPrompt::IDD), on ? 1 : 0);
        Close();
    }
}

TEST_F(TipsTest, HandOverThePictureOnlyWhileItRests)
{
    ASSERT_TRUE(Start());
    auto dialog = Open(2);  // 30489: a picture
    CPictureEx& picture = dialog->GetPicture();
    ASSERT_TRUE(picture.IsPrepared());
    auto cursorOverPicture = [&picture] {
        SetCursor(LoadCursor(nullptr, IDC_IBEAM));
        picture.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(picture.m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    picture.StopPlaying();
    EXPECT_EQ(cursorOverPicture(), LoadCursor(nullptr, IDC_HAND));
    dialog->SendMessage(WM_COMMAND, CAboutboxHelpPrompt::IDC_PICTURE, 0);  // a click starts it again
    ASSERT_TRUE(picture.IsRunning());
    EXPECT_EQ(cursorOverPicture(), LoadCursor(nullptr, IDC_ARROW));
    picture.StopPlaying();
    dialog->DestroyWindow();
    Close();
}

// The captions are Chinese: some installed font must draw every character of
// them, or the buttons show empty boxes.
TEST_F(TipsTest, CaptionsHaveAFontThatDrawsThem)
{
    ASSERT_TRUE(Start());
    auto dialog = Open(0);
    const QStringList families = QFontDatabase::families();
    for (UINT id : {CAboutboxHelpPrompt::IDC_NEXT, CAboutboxHelpPrompt::IDC_PREVIOUS, CAboutboxHelpPrompt::IDC_CLOSE,
                    CAboutboxHelpPrompt::IDC_SHOW_AT_STARTUP}) {
        CString text;
        dialog->GetDlgItemText(id, text);
        const QString caption = QString::fromWCharArray(text.GetString(), text.GetLength()).remove(QLatin1Char('&'));
        ASSERT_FALSE(caption.isEmpty()) << id;
        const bool drawn = std::any_of(families.begin(), families.end(), [&caption](const QString& family) {
            const QRawFont font = QRawFont::fromFont(QFont(family));
            return std::all_of(caption.begin(), caption.end(), [&font](QChar c) { return font.supportsCharacter(c); });
        });
        EXPECT_TRUE(drawn) << caption.toStdString();
    }
    dialog->DestroyWindow();
    Close();
}
