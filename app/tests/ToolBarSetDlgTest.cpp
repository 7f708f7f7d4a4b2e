// The category list box, the tool-bar settings dialog, context help and the
// guide lines dragged out of the rulers, driven in-process.
#include "ViewInput.h"

#include "app/CatListBox.h"
#include "app/HtmlHelp.h"
#include "app/KorvelIds.h"
#include "app/ToolBarSetDlg.h"
#include "framework/db/DbAidLine.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "framework/widgra/ui/UIToolBarMgr.h"
#include "platform/ui/Resources.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QTest>

#include <string>
#include <vector>

using namespace korvel_test;

namespace {

class ToolBarSettingsTest : public ViewInputTest {
protected:
    void SetUp() override
    {
        ViewInputTest::SetUp();
        StartView();
        korvel::SetHelpOpener([this](const QString& path) {
            m_opened.push_back(path);
            return m_bOpenerWorks;
        });
    }
    void TearDown() override
    {
        korvel::SetHelpOpener(nullptr);
        ViewInputTest::TearDown();
    }

    // Runs the dialog; the step sees it initialised.
    void RunDialog(std::function<void(CToolBarSetDlg&)> step)
    {
        m_prompt.m_dialogAnswers.push_back(
            {IDOK, [step](CDialog& dialog) { step(static_cast<CToolBarSetDlg&>(dialog)); }});
        Frame()->SendMessage(WM_COMMAND, AFX_IDW_TOOLBAR, 0);
    }
    static std::vector<std::wstring> Rows(CCatListBox& list)
    {
        std::vector<std::wstring> rows;
        for (int i = 0; i < list.GetCount(); ++i) rows.push_back(list.GetText(i).GetString());
        return rows;
    }
    static QPoint BoxCentre(CCatListBox& list, int row)
    {
        auto* widget = qobject_cast<QListWidget*>(list.GetWidget());
        const QRect rect = widget->visualItemRect(widget->item(row));
        const RECT box = CCatListBox::CheckBoxRect(RECT{rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1});
        return QPoint((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    }
    static void ClickAt(CCatListBox& list, QPoint at)
    {
        auto* widget = qobject_cast<QListWidget*>(list.GetWidget());
        QTest::mouseClick(widget->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    std::wstring Title(UINT barId) const
    {
        CString title;
        Frame()->GetToolBar(barId)->GetWindowText(title);
        return title.GetString();
    }
    bool Shown(UINT barId) const { return Frame()->GetToolBar(barId)->IsVisible() != FALSE; }

    std::vector<QString> m_opened;
    bool m_bOpenerWorks = true;
};

TEST_F(ToolBarSettingsTest, CategoryListAnswersItsCodes)
{
    RunDialog([](CToolBarSetDlg& dialog) {
        CCatListBox& list = dialog.GetList();
        list.RemoveAllCategories();
        struct Row {
            const char* label;
            HRESULT result;
            HRESULT expected;
        };
        const Row rows[] = {
            {"null name", list.AddCategory(nullptr), E_POINTER},
            {"empty name", list.AddCategory(L""), E_INVALIDARG},
            {"new name", list.AddCategory(L"Draw"), S_OK},
            {"same name again", list.AddCategory(L"Draw"), E_INVALIDARG},
            {"check of a missing name", list.SetCategoryCheck(L"Nope", TRUE), E_INVALIDARG},
            {"check", list.SetCategoryCheck(L"Draw", TRUE), S_OK},
            {"item value of a missing name", list.SetItemValue(L"Nope", 0, 1), E_INVALIDARG},
            {"item value without items", list.SetItemValue(L"Draw", 0, 1), E_FAIL},
        };
        for (const Row& row : rows) EXPECT_EQ(row.result, row.expected) << row.label;
        EXPECT_EQ(list.GetCount(), 1) << "the second add left one row";
        EXPECT_TRUE(list.IsCategoryChecked(L"Draw"));
        EXPECT_FALSE(list.IsCategoryChecked(L"Nope"));
        EXPECT_EQ(list.GetItemValue(L"Draw", 0), -1);
        EXPECT_EQ(list.GetItemValue(L"Nope", 0), -1);
        EXPECT_TRUE(list.GetCategoryName(1, FALSE).IsEmpty());
        EXPECT_TRUE(list.GetCategoryName(-1, FALSE).IsEmpty());
        EXPECT_TRUE(list.GetCategoryName(5, TRUE).IsEmpty());
    });
}

TEST_F(ToolBarSettingsTest, MapOrderDiffersFromRowOrderAndSortedRowsMove)
{
    RunDialog([](CToolBarSetDlg& dialog) {
        CCatListBox& list = dialog.GetList();
        list.RemoveAllCategories();
        for (const wchar_t* name : {L"Zeta", L"alpha", L"Mid"}) ASSERT_EQ(list.AddCategory(name), S_OK);
        EXPECT_EQ(Rows(list), (std::vector<std::wstring>{L"Zeta", L"alpha", L"Mid"})) << "unsorted rows append";
        const std::vector<std::wstring> mapOrder = {L"Mid", L"Zeta", L"alpha"};  // case-sensitive
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(std::wstring(list.GetCategoryName(i, FALSE).GetString()), mapOrder[i]) << "map entry " << i;
            EXPECT_EQ(list.GetCategoryName(i, TRUE), list.GetText(i)) << "row " << i;
        }

        CCatListBox sorted;
        ASSERT_TRUE(sorted.Create(WS_CHILD | WS_VISIBLE | LBS_SORT, RECT{0, 0, 200, 200}, &dialog, 900));
        for (const wchar_t* name : {L"delta", L"Bravo", L"alpha", L"Charlie", L"echo"})
            ASSERT_EQ(sorted.AddCategory(name), S_OK);
        const std::vector<std::wstring> expected = {L"alpha", L"Bravo", L"Charlie", L"delta", L"echo"};
        EXPECT_EQ(Rows(sorted), expected) << "sorted without regard to case";
        for (int row = 0; row < sorted.GetCount(); ++row) {
            const CCatListBox::Category* record = sorted.FindCategory(expected[row].c_str());
            ASSERT_NE(record, nullptr) << "row " << row;
            EXPECT_EQ(record->m_nRow, row) << "the stored row of " << std::string(expected[row].begin(), expected[row].end());
            EXPECT_EQ(std::wstring(sorted.GetCategoryName(row, TRUE).GetString()), expected[row]) << "row " << row;
        }
        sorted.DestroyWindow();
    });
}

TEST_F(ToolBarSettingsTest, ClickBesideTheSquareSelectsWithoutTickingAndSpaceTicks)
{
    RunDialog([](CToolBarSetDlg& dialog) {
        CCatListBox& list = dialog.GetList();
        list.RemoveAllCategories();
        for (const wchar_t* name : {L"One", L"Two", L"Three"}) ASSERT_EQ(list.AddCategory(name), S_OK);
        dialog.ShowWindow(SW_SHOW);
        QApplication::processEvents();
        const QPoint box = BoxCentre(list, 1);
        ClickAt(list, box + QPoint(40, 0));
        EXPECT_EQ(list.GetCurSel(), 1) << "the row is selected";
        EXPECT_FALSE(list.IsCategoryChecked(L"Two"));
        EXPECT_EQ(list.GetCurIndex(), -1);
        ClickAt(list, box);
        EXPECT_TRUE(list.IsCategoryChecked(L"Two"));
        EXPECT_EQ(list.GetCurIndex(), 1);
        auto* widget = qobject_cast<QListWidget*>(list.GetWidget());
        list.SetCurSel(2);
        QTest::keyClick(widget, Qt::Key_Space);
        EXPECT_TRUE(list.IsCategoryChecked(L"Three"));
        QTest::keyClick(widget, Qt::Key_Space);
        EXPECT_FALSE(list.IsCategoryChecked(L"Three"));
        EXPECT_TRUE(list.IsCategoryChecked(L"Two"));
    });
}

TEST_F(ToolBarSettingsTest, PanelModeListsTheViewBarAndUntickingHidesIt)
{
    ASSERT_TRUE(Shown(237));
    RunDialog([this](CToolBarSetDlg& dialog) {
        EXPECT_EQ(dialog.IsDlgButtonChecked(CToolBarSetDlg::IDC_PANEL), 1u);
        EXPECT_EQ(dialog.GetPanelFlag(), 1);
        CCatListBox& list = dialog.GetList();
        EXPECT_EQ(Rows(list), std::vector<std::wstring>{Title(237)}) << "the tab tool bar is never listed";
        EXPECT_TRUE(list.IsCategoryChecked(Title(237).c_str()));
        dialog.ShowWindow(SW_SHOW);
        QApplication::processEvents();
        ClickAt(list, BoxCentre(list, 0));
        EXPECT_FALSE(Shown(237)) << "unticked: hidden at once";
        ClickAt(list, BoxCentre(list, 0));
        EXPECT_TRUE(Shown(237));
    });
}

TEST_F(ToolBarSettingsTest, StandardModeListsItsBarsAndTheChosenRadioDoesNothing)
{
    Frame()->SendMessage(WM_COMMAND, korvel::ID_UI_CLASSIC, 0);
    RunDialog([this](CToolBarSetDlg& dialog) {
        EXPECT_EQ(dialog.IsDlgButtonChecked(CToolBarSetDlg::IDC_STANDARD), 1u);
        EXPECT_EQ(dialog.GetPanelFlag(), 0);
        CCatListBox& list = dialog.GetList();
        const std::vector<UINT> classic = {602, 606, 603, 604, 605, 427, 607, 608, 393};
        std::vector<std::wstring> titles;
        for (UINT id : classic) titles.push_back(Title(id));
        ASSERT_EQ(Rows(list), titles);
        for (size_t i = 0; i < classic.size(); ++i)
            EXPECT_EQ(list.IsCategoryChecked(titles[i].c_str()) != FALSE, Shown(classic[i])) << "bar " << classic[i];
        dialog.ShowWindow(SW_SHOW);
        QApplication::processEvents();
        ClickAt(list, BoxCentre(list, 0));
        EXPECT_FALSE(Shown(602));
        dialog.SendMessage(WM_COMMAND, CToolBarSetDlg::IDC_STANDARD, 0);
        EXPECT_FALSE(Shown(602)) << "choosing the current mode again changes nothing";
        EXPECT_FALSE(list.IsCategoryChecked(titles[0].c_str()));
        dialog.SendMessage(WM_COMMAND, CToolBarSetDlg::IDC_PANEL, 0);
        EXPECT_EQ(Frame()->GetUIModeFlag(), 0);
        EXPECT_EQ(Rows(list), std::vector<std::wstring>{Title(237)});
        EXPECT_FALSE(Shown(608));
    });
}

TEST_F(ToolBarSettingsTest, F1InTheDialogOpensTopic1114)
{
    RunDialog([](CToolBarSetDlg& dialog) {
        dialog.ShowWindow(SW_SHOW);
        QApplication::processEvents();
        QTest::keyClick(dialog.GetList().GetWidget(), Qt::Key_F1);
    });
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_TRUE(m_opened[0].endsWith(QStringLiteral("help/topic-1114.html"))) << m_opened[0].toStdString();
    QFile page(m_opened[0]);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_TRUE(page.readAll().contains("Tool bars"));
    EXPECT_TRUE(QFile::exists(QFileInfo(m_opened[0]).dir().filePath(QStringLiteral("index.html"))));
}

TEST_F(ToolBarSettingsTest, HelpWithoutCommandOpensTheIndexAndFallsBackToAWindow)
{
    Frame()->SendMessage(WM_COMMAND, korvel::ID_HELP_TOPICS, 0);
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_TRUE(m_opened[0].endsWith(QStringLiteral("help/index.html")));
    m_bOpenerWorks = false;
    Frame()->SendMessage(WM_COMMAND, korvel::ID_HELP_TOPICS, 0);
    EXPECT_EQ(korvel::HelpWindowCount(), 1) << "no desktop handler: the program's own window";
    HtmlHelp(nullptr, HH_CLOSE_ALL, 0);
    EXPECT_EQ(korvel::HelpWindowCount(), 0);
}

TEST_F(ToolBarSettingsTest, GuideLineFromEachRulerIsOneUndoStep)
{
    CQVGlobal* global = gGetQVGlobal();
    CDBase* db = CDBase::Instance();
    CActionManager* undo = CActionManager::Instance();
    global->m_ptGuide[0] = 12.5;
    global->m_ptGuide[1] = -7.25;
    struct Case {
        UINT message;
        int orientation;
        double position;
    };
    for (const Case& c : {Case{korvel::WM_KV_ADD_VGUIDE_LINE, CDbAidLine::kVertical, 12.5},
                          Case{korvel::WM_KV_ADD_GUIDE_LINE, CDbAidLine::kHorizontal, -7.25}}) {
        const int entities = db->GetCount();
        const int steps = undo->GetUndoCount();
        EXPECT_EQ(View()->SendMessage(c.message), 1);
        ASSERT_EQ(db->GetCount(), entities + 1) << "orientation " << c.orientation;
        EXPECT_EQ(undo->GetUndoCount(), steps + 1) << "orientation " << c.orientation;
        auto* line = dynamic_cast<CDbAidLine*>(db->GetEntities().GetTail());
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->GetOrientation(), c.orientation);
        EXPECT_DOUBLE_EQ(line->GetPosition(), c.position);
    }
    Frame()->SendMessage(WM_COMMAND, korvel::ID_VIEW_GUIDE_LINES, 0);
    EXPECT_FALSE(db->GetDbAidLineVisible());
    Frame()->SendMessage(WM_COMMAND, korvel::ID_VIEW_GUIDE_LINES, 0);
    EXPECT_TRUE(db->GetDbAidLineVisible());
}

TEST_F(ToolBarSettingsTest, AboutCommandShowsTheAboutBox)
{
    Frame()->SendMessage(WM_COMMAND, ID_APP_ABOUT, 0);
    ASSERT_FALSE(m_prompt.m_dialogs.empty());
    EXPECT_EQ(m_prompt.m_dialogs.back(), 222u);
}

}  // namespace
