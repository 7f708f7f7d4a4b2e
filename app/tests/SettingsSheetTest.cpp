// The settings sheet (32837) with its guide-line, grid and system pages, run
// in-process with the dialogs answered by the scripted prompt.
#include "AppFixture.h"

#include "app/DlgSystemSet.h"
#include "app/GridSetDlg.h"
#include "app/KorvelIds.h"
#include "app/SettingsSheet.h"
#include "app/SystemSetDlg.h"
#include "framework/db/DbAidLine.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/panora/DesignCentral.h"
#include "framework/looker/WorkArea.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "platform/ui/Resources.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <functional>
#include <string>
#include <vector>

using namespace korvel_test;

namespace {

constexpr int kGuidePage = 1, kGridPage = 2, kSystemPage = 3;

void Notify(CDialog& dialog, UINT id, UINT code)
{
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(dialog.GetDlgItem(id)->m_hWnd));
}

void Click(CDialog& dialog, UINT id)
{
    if (auto* button = dynamic_cast<CButton*>(dialog.GetDlgItem(id)); button != nullptr &&
                                                                       button->GetButtonStyle() != BS_PUSHBUTTON)
        button->SetCheck(button->GetButtonStyle() == BS_AUTOCHECKBOX && button->GetCheck() ? BST_UNCHECKED : BST_CHECKED);
    Notify(dialog, id, BN_CLICKED);
}

class SettingsSheetTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_TRUE(Start());
        m_global = gGetQVGlobal();
        ASSERT_NE(m_global, nullptr);
    }

    // Opens the sheet through its command; each step runs on the sheet's page
    // and then presses the button (the next step follows when the sheet stays open).
    template <class Page>
    void RunSheet(int pageIndex, std::vector<std::pair<int, std::function<void(Page&)>>> steps)
    {
        for (auto& [button, step] : steps) {
            m_prompt.m_dialogAnswers.push_back({button, [pageIndex, step](CDialog& dialog) {
                                                    auto& sheet = dynamic_cast<CQvPropertySheet&>(dialog);
                                                    auto* page = dynamic_cast<Page*>(sheet.GetPage(pageIndex));
                                                    ASSERT_NE(page, nullptr);
                                                    if (step) step(*page);
                                                }});
        }
        const size_t before = m_prompt.m_dialogs.size();
        View()->SendMessage(WM_COMMAND, korvel::ID_SYSTEM_SET, 0);
        EXPECT_EQ(m_prompt.m_dialogs.size(), before + 1);
        m_prompt.m_dialogAnswers.clear();
    }
    // The last message shown since the mark, or empty.
    std::wstring MessageSince(size_t mark) const
    {
        return m_prompt.m_messages.size() > mark ? m_prompt.m_messages.back().GetString() : std::wstring();
    }
    static std::wstring Text(UINT id) { return AfxLoadString(id).GetString(); }
    static int AidLines(int orientation)
    {
        int n = 0;
        for (CDbEntity* e : CDBase::Instance()->GetEntities())
            if (auto* line = dynamic_cast<CDbAidLine*>(e); line != nullptr && line->GetOrientation() == orientation) ++n;
        return n;
    }

    CQVGlobal* m_global = nullptr;
};

TEST_F(SettingsSheetTest, SheetHoldsTheFourPagesAndOpensOnTheAboutPage)
{
    korvel::RunSettingsSheet([](CQvPropertySheet& sheet) {
        ASSERT_EQ(sheet.GetPageCount(), 4);
        EXPECT_EQ(sheet.GetPage(0)->GetTemplateID(), 111u);
        EXPECT_EQ(sheet.GetPage(kGuidePage)->GetTemplateID(), 495u);
        EXPECT_EQ(sheet.GetPage(kGridPage)->GetTemplateID(), 247u);
        EXPECT_EQ(sheet.GetPage(kSystemPage)->GetTemplateID(), 334u);
        EXPECT_EQ(std::wstring(sheet.GetPage(kSystemPage)->GetTitle().GetString()), Text(korvel::IDS_PAGE_SYSTEM));
        EXPECT_EQ(sheet.GetActiveIndex(), 0);
    });
    // The sheet shows one page at a time: the chosen one.
    m_prompt.m_dialogAnswers.push_back({IDCANCEL, [](CDialog& dialog) {
                                            auto& sheet = dynamic_cast<CQvPropertySheet&>(dialog);
                                            sheet.Light(kGridPage);
                                            for (int i = 0; i < sheet.GetPageCount(); ++i)
                                                EXPECT_EQ(sheet.GetPage(i)->GetWidget()->isVisibleTo(sheet.GetWidget()),
                                                          i == kGridPage) << "page " << i;
                                        }});
    View()->SendMessage(WM_COMMAND, korvel::ID_SYSTEM_SET, 0);
}

TEST_F(SettingsSheetTest, SystemPageValidatesWhatMoved)
{
    struct Row {
        const char* label;
        float stored;          // settings precision before
        const wchar_t* precision;
        const wchar_t* angle;
        const wchar_t* medial;
        const wchar_t* interval;
        UINT message;          // 0: accepted
    };
    const Row rows[] = {
        {"precision 0.0005", 0.01f, L"0.0005", L"170", L"30", L"10", korvel::IDS_SYSTEM_BAD_PRECISION},
        {"precision 0.5", 0.01f, L"0.5", L"170", L"30", L"10", 0},
        {"precision 0.5001", 0.01f, L"0.5001", L"170", L"30", L"10", korvel::IDS_SYSTEM_BAD_PRECISION},
        {"unmoved precision outside the range", 0.0005f, L"0.0009", L"170", L"30", L"10", 0},
        {"angle 119.99", 0.01f, L"0.01", L"119.99", L"30", L"10", korvel::IDS_SYSTEM_BAD_ANGLE},
        {"angle 180", 0.01f, L"0.01", L"180", L"30", L"10", 0},
        {"medial 4", 0.01f, L"0.01", L"170", L"4", L"10", korvel::IDS_SYSTEM_BAD_MEDIAL},
        {"medial 5", 0.01f, L"0.01", L"170", L"5", L"10", 0},
        {"medial 60", 0.01f, L"0.01", L"170", L"60", L"10", 0},
        {"medial 61", 0.01f, L"0.01", L"170", L"61", L"10", korvel::IDS_SYSTEM_BAD_MEDIAL},
        {"no interval", 0.01f, L"0.01", L"170", L"30", L"", korvel::IDS_SYSTEM_NO_INTERVAL},
    };
    for (const Row& row : rows) {
        m_global->m_fPrecision = row.stored;
        m_global->m_fDiscAngle = 170.0f;
        m_global->m_nMedialAngle = 30;
        const size_t mark = m_prompt.m_messages.size();
        RunSheet<CDlgSystemSet>(kSystemPage, {{IDOK, [&row](CDlgSystemSet& page) {
                                                                          page.m_editPrecision.SetWindowText(row.precision);
                                                                          page.m_editAngle.SetWindowText(row.angle);
                                                                          page.SetDlgItemText(CDlgSystemSet::kMedial, row.medial);
                                                                          page.m_comboInterval.SetWindowText(row.interval);
                                                                      }}});
        if (row.message == 0) {
            EXPECT_EQ(MessageSince(mark), L"") << row.label;
            EXPECT_NEAR(m_global->m_fPrecision, std::wcstod(row.precision, nullptr), 1e-7) << row.label;
            EXPECT_EQ(m_global->m_nMedialAngle, std::wcstol(row.medial, nullptr, 10)) << row.label;
        } else {
            EXPECT_EQ(MessageSince(mark), Text(row.message)) << row.label;
            EXPECT_FLOAT_EQ(m_global->m_fPrecision, row.stored) << row.label << ": nothing written";
            EXPECT_EQ(m_global->m_nMedialAngle, 30) << row.label;
        }
    }
}

TEST_F(SettingsSheetTest, SchemesAndHandPickedColours)
{
    EXPECT_EQ(ComplementColour(0xFFFFFF), 0x000000u);
    EXPECT_EQ(ComplementColour(0xEBE6E3), 0x14191Cu);
    struct Row {
        const char* label;
        int scheme;
        COLORREF background, frame, drawing;
    };
    const Row rows[] = {{"black", 4, 0x000000, 0xD2D2D2, 0xFFFFFF},
                        {"light blue", 3, 0xEBE6E3, 0xAAAAAA, 0x14191C},
                        {"white", 0, 0xFFFFFF, 0xDCDCDC, 0x000000}};
    for (const Row& row : rows) {
        RunSheet<CDlgSystemSet>(kSystemPage, {{IDOK, [&row](CDlgSystemSet& page) {
                                                   page.m_comboScheme.SetCurSel(row.scheme);
                                                   Notify(page, CDlgSystemSet::kScheme, CBN_SELCHANGE);
                                               }}});
        EXPECT_EQ(m_global->m_crBackground, row.background) << row.label;
        EXPECT_EQ(m_global->m_crWorkFrame, row.frame) << row.label;
        EXPECT_EQ(m_global->m_crDrawing, row.drawing) << row.label;
        EXPECT_EQ(m_global->m_nColorScheme, row.scheme) << row.label;
        EXPECT_EQ(Frame()->GetStatusBar().GetSelectedColor(), row.drawing) << row.label;
    }
    // A colour picked by hand makes the scheme custom; picking the stored pair does not.
    RunSheet<CDlgSystemSet>(kSystemPage, {{IDOK, [](CDlgSystemSet& page) {
                                               page.m_btnBackground.ChooseColor(0xFFFFFF);
                                               EXPECT_EQ(page.m_comboScheme.GetCurSel(), 0) << "stored colours";
                                               page.m_btnBackground.ChooseColor(RGB(10, 20, 30));
                                               EXPECT_EQ(page.m_comboScheme.GetCurSel(), kCustomScheme);
                                           }}});
    EXPECT_EQ(m_global->m_crBackground, RGB(10, 20, 30));
    EXPECT_EQ(m_global->m_nColorScheme, kCustomScheme);
}

TEST_F(SettingsSheetTest, IntervalKeepsDigitsOnly)
{
    RunSheet<CDlgSystemSet>(kSystemPage, {{IDCANCEL, [](CDlgSystemSet& page) {
                                               auto* combo = qobject_cast<QComboBox*>(page.m_comboInterval.GetWidget());
                                               ASSERT_NE(combo, nullptr);
                                               QLineEdit* line = combo->lineEdit();
                                               struct Row {
                                                   const char* typed;
                                                   const char* shown;
                                               };
                                               for (const Row& row : {Row{"0", ""}, Row{"1a", "1"}, Row{"10", "10"},
                                                                      Row{"4-5", "45"}, Row{"2.", "2"}}) {
                                                   line->clear();
                                                   QTest::keyClicks(line, row.typed);
                                                   EXPECT_EQ(line->text().toStdString(), row.shown) << row.typed;
                                                   EXPECT_EQ(line->cursorPosition(), line->text().size()) << row.typed;
                                               }
                                           }}});
}

TEST_F(SettingsSheetTest, RestoreDefaultsAndTheAutosaveTimer)
{
    m_global->m_bAutoSave = TRUE;
    m_global->m_crBackground = 0x123456;
    RunSheet<CDlgSystemSet>(kSystemPage, {{IDOK, [this](CDlgSystemSet& page) {
                                               Click(page, CDlgSystemSet::kDefaults);
                                               // The colours reach the settings at once.
                                               EXPECT_EQ(m_global->m_crBackground, 0xFFFFFFu);
                                               CString text;
                                               page.m_comboInterval.GetWindowText(text);
                                               EXPECT_EQ(std::wstring(text.GetString()), L"30");
                                               page.m_comboSnap.GetWindowText(text);
                                               EXPECT_EQ(std::wstring(text.GetString()), L"5");
                                           }}});
    EXPECT_FLOAT_EQ(m_global->m_fPrecision, 0.005f);
    EXPECT_FLOAT_EQ(m_global->m_fDiscAngle, 176.0f);
    EXPECT_EQ(m_global->m_nMedialAngle, 20);
    EXPECT_EQ(m_global->m_nSnapPixels, 5);
    EXPECT_EQ(m_global->m_crWorkFrame, 0xDCDCDCu);
    EXPECT_EQ(m_global->m_nSchemeFlag, 10);
    EXPECT_EQ(Frame()->GetTimerPeriod(korvel::kTimerAutoSave), 30u * 60000u);

    struct Row {
        const char* label;
        bool autosave;
        const wchar_t* interval;
        UINT period;
    };
    const Row rows[] = {{"45 minutes", true, L"45", 45u * 60000u},
                        {"autosave off", false, L"45", 0},
                        {"too long for the timer", true, L"99999999",
                         static_cast<UINT>(CDlgSystemSet::kMaxIntervalMinutes) * 60000u}};
    for (const Row& row : rows) {
        RunSheet<CDlgSystemSet>(kSystemPage, {{IDOK, [&row](CDlgSystemSet& page) {
                                                   page.CheckDlgButton(CDlgSystemSet::kAutoSave, row.autosave);
                                                   page.m_comboInterval.SetWindowText(row.interval);
                                               }}});
        EXPECT_EQ(Frame()->GetTimerPeriod(korvel::kTimerAutoSave), row.period) << row.label;
        EXPECT_LE(static_cast<long long>(m_global->m_nAutoSaveMinutes) * 60000, 0x7FFFFFFFLL) << row.label;
    }
}

TEST_F(SettingsSheetTest, UnitButtonsWriteAtOnceAndCancelKeepsThem)
{
    m_global->m_nUnit = kUnitMillimetre;
    RunSheet<CDlgSystemSet>(kSystemPage, {{IDCANCEL, [this](CDlgSystemSet& page) {
                                               Click(page, CDlgSystemSet::kUnitInch);
                                               EXPECT_EQ(m_global->m_nUnit, kUnitInch);
                                               EXPECT_EQ(m_global->GetUnitBefore(), kUnitMillimetre);
                                               // The precision edit shows the stored 0.01 mm in inches.
                                               EXPECT_NEAR(page.m_editPrecision.GetShown(), 0.01 / 25.4, 1e-9);
                                           }}});
    EXPECT_EQ(m_global->m_nUnit, kUnitInch);
}

// A design-centre page that counts the unit changes the view passes on
// (the view's WM_USER+16 handler tells the pane's pages).
class UnitListener : public CWnd {
public:
    LRESULT OnUnitChanged(WPARAM, LPARAM)
    {
        ++m_nChanges;
        return 0;
    }
    int m_nChanges = 0;

protected:
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(UnitListener, CWnd)
    ON_MESSAGE(WM_DC_UNIT_CHANGED, &UnitListener::OnUnitChanged)
END_MESSAGE_MAP()

TEST_F(SettingsSheetTest, UnitChangeReachesTheViewOnlyWhenTheUnitChanged)
{
    CDesignCentral* pane = gGetPaneDCenter();
    ASSERT_NE(pane, nullptr);
    UnitListener listener;
    ASSERT_TRUE(listener.Create(nullptr, L"", WS_CHILD, RECT{0, 0, 10, 10}, pane, 0xE7));
    pane->AddCommandPage(&listener);
    struct Row {
        const char* label;
        UINT button;  // 0: none pressed
        int changes;
    };
    m_global->m_nUnit = kUnitMillimetre;
    for (const Row& row : {Row{"same unit", 0, 0}, Row{"mm pressed again", CDlgSystemSet::kUnitMm, 0},
                           Row{"to cm", CDlgSystemSet::kUnitCm, 1}}) {
        const int before = listener.m_nChanges;
        RunSheet<CDlgSystemSet>(kSystemPage, {{IDOK, [&row](CDlgSystemSet& page) {
                                                   if (row.button != 0) Click(page, row.button);
                                               }}});
        EXPECT_EQ(listener.m_nChanges - before, row.changes) << row.label;
    }
    EXPECT_EQ(m_global->m_nUnit, kUnitCentimetre);
    pane->RemoveCommandAllPage();
    m_global->m_nUnit = kUnitMillimetre;
}

TEST_F(SettingsSheetTest, GuideLinesCancelLeavesDatabaseAndHistoryAsBefore)
{
    CActionManager* manager = CActionManager::Instance();
    const int undoBefore = manager->GetUndoCount();
    auto addTwo = [](CSystemSetDlg& page) {
        for (const wchar_t* pos : {L"10", L"20"}) {
            page.m_editPos.SetWindowText(pos);
            Click(page, CSystemSetDlg::kAdd);
        }
        EXPECT_EQ(page.m_list.GetCount(), 2);
        EXPECT_EQ(AidLines(0), 2) << "the lines are in the drawing at once";
    };
    RunSheet<CSystemSetDlg>(kGuidePage, {{IDCANCEL, addTwo}});
    EXPECT_EQ(AidLines(0), 0);
    EXPECT_EQ(manager->GetUndoCount(), undoBefore);
    EXPECT_EQ(manager->GetRedoCount(), 0) << "nothing to redo";

    RunSheet<CSystemSetDlg>(kGuidePage, {{IDOK, addTwo}});
    EXPECT_EQ(AidLines(0), 2);
    EXPECT_EQ(manager->GetUndoCount(), undoBefore + 2);
    View()->SendMessage(WM_COMMAND, ID_EDIT_UNDO, 0);
    EXPECT_EQ(AidLines(0), 1);
    View()->SendMessage(WM_COMMAND, ID_EDIT_UNDO, 0);
    EXPECT_EQ(AidLines(0), 0);
}

TEST_F(SettingsSheetTest, GuideLinesListModifyAndClear)
{
    CDBase::Instance()->AddTail(new CDbAidLine(25.4, CDbAidLine::kVertical));
    CDBase::Instance()->AddTail(new CDbAidLine(50.8, CDbAidLine::kVertical));
    CDBase::Instance()->AddTail(new CDbAidLine(76.2, CDbAidLine::kVertical));
    m_global->m_nUnit = kUnitInch;
    CActionManager* manager = CActionManager::Instance();
    RunSheet<CSystemSetDlg>(kGuidePage, {{IDOK, [manager](CSystemSetDlg& page) {
                                              EXPECT_EQ(page.m_list.GetCount(), 0) << "no horizontal lines";
                                              const int before = manager->GetUndoCount();
                                              Click(page, CSystemSetDlg::kClear);
                                              EXPECT_EQ(manager->GetUndoCount(), before) << "clear of an empty set";
                                              Click(page, CSystemSetDlg::kVertical);
                                              ASSERT_EQ(page.m_list.GetCount(), 3);
                                              EXPECT_EQ(std::wstring(page.m_list.GetText(0).GetString()), L"1.000");
                                              page.m_list.SetCurSel(1);
                                              Notify(page, CSystemSetDlg::kList, LBN_SELCHANGE);
                                              EXPECT_NEAR(page.m_dPos, 2.0, 1e-9);
                                              page.m_editPos.SetWindowText(L"5");
                                              Click(page, CSystemSetDlg::kModify);
                                              ASSERT_EQ(page.m_list.GetCount(), 3);
                                              EXPECT_EQ(std::wstring(page.m_list.GetText(1).GetString()), L"5.000");
                                              EXPECT_EQ(page.m_list.GetCurSel(), 1);
                                              EXPECT_NEAR(page.GetSet(1).GetLinePos(1), 5 * 25.4, 1e-9);
                                              Click(page, CSystemSetDlg::kClear);
                                              EXPECT_EQ(page.m_list.GetCount(), 0);
                                          }}});
    EXPECT_EQ(AidLines(1), 0);
    // Modify and delete without a selection only tell the user.
    const size_t mark = m_prompt.m_messages.size();
    RunSheet<CSystemSetDlg>(kGuidePage, {{IDCANCEL, [](CSystemSetDlg& page) {
                                              Click(page, CSystemSetDlg::kModify);
                                              Click(page, CSystemSetDlg::kDelete);
                                          }}});
    ASSERT_EQ(m_prompt.m_messages.size(), mark + 2);
    EXPECT_EQ(MessageSince(mark), Text(korvel::IDS_GUIDE_SELECT_ONE));
}

TEST_F(SettingsSheetTest, GridPageChecksTheChosenType)
{
    struct Row {
        const char* label;
        int type;
        const wchar_t *dx, *dy, *angle, *ring;
        UINT message;
    };
    const Row rows[] = {
        {"dx 1.0", 0, L"1.0", L"10", L"10", L"10", korvel::IDS_GRID_BAD_DX},
        {"dx 1.0001", 0, L"1.0001", L"10", L"10", L"10", 0},
        {"dy 1.0", 0, L"10", L"1.0", L"10", L"10", korvel::IDS_GRID_BAD_DY},
        {"angle 0", 1, L"10", L"10", L"0", L"10", korvel::IDS_GRID_BAD_ANGLE},
        {"angle 360", 1, L"10", L"10", L"360", L"10", korvel::IDS_GRID_BAD_ANGLE},
        {"angle 1", 1, L"10", L"10", L"1", L"10", 0},
        {"angle 359", 1, L"10", L"10", L"359", L"10", 0},
        {"ring 1.0", 1, L"10", L"10", L"10", L"1.0", korvel::IDS_GRID_BAD_RING},
    };
    for (const Row& row : rows) {
        const size_t mark = m_prompt.m_messages.size();
        RunSheet<CGridSetDlg>(kGridPage, {{IDOK, [&row](CGridSetDlg& page) {
                                               Click(page, row.type == 0 ? CGridSetDlg::kRectangular : CGridSetDlg::kRadial);
                                               page.m_editDx.SetWindowText(row.dx);
                                               page.m_editDy.SetWindowText(row.dy);
                                               page.SetDlgItemText(CGridSetDlg::kAngle, row.angle);
                                               page.m_editRing.SetWindowText(row.ring);
                                           }}});
        EXPECT_EQ(MessageSince(mark), row.message == 0 ? std::wstring() : Text(row.message)) << row.label;
        if (row.message == 0) {
            EXPECT_EQ(CWorkArea::Instance()->m_nGridType, row.type) << row.label;
        }
    }
    EXPECT_DOUBLE_EQ(CWorkArea::Instance()->GetSpaceAngle(), 359.0);

    // Radial leaves bad rectangular values unchecked and unwritten.
    CWorkArea::Instance()->SetSpaceDx(7.0);
    const size_t mark = m_prompt.m_messages.size();
    RunSheet<CGridSetDlg>(kGridPage, {{IDOK, [](CGridSetDlg& page) {
                                           page.m_editDx.SetWindowText(L"0.5");
                                           Click(page, CGridSetDlg::kRadial);
                                           EXPECT_FALSE(page.m_editDx.IsWindowEnabled());
                                           page.SetDlgItemText(CGridSetDlg::kAngle, L"30");
                                           page.m_editRing.SetWindowText(L"12");
                                           Click(page, CGridSetDlg::kShow);
                                       }}});
    EXPECT_EQ(MessageSince(mark), L"");
    EXPECT_DOUBLE_EQ(CWorkArea::Instance()->GetSpaceDx(), 7.0);
    EXPECT_DOUBLE_EQ(CWorkArea::Instance()->GetRadSpace(), 12.0);
    EXPECT_EQ(CWorkArea::Instance()->m_nGridType, CWorkArea::kGridRadial);
}

}  // namespace
