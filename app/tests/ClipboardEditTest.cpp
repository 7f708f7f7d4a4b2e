// Copy, cut and paste of entities through the clipboard, and undo and redo.
#include "ViewInput.h"

#include "app/KorvelIds.h"
#include "app/PasteCmd.h"
#include "framework/db/DbCurve.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "framework/relayon/Selector.h"
#include "geometry/shapes2d/GeLine.h"
#include "platform/core/Archive.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/CmdUI.h"
#include "platform/ui/Document.h"
#include "platform/ui/Resources.h"

#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace korvel_test;

namespace {

// An entity that may not go to the clipboard (type 10).
class NoCopyEntity : public CDbEntity {
public:
    int GetType() const override { return kDbTypeNoCopy; }
};

class ClipboardEditTest : public ViewInputTest {
protected:
    void SetUp() override
    {
        ViewInputTest::SetUp();
        StartView();
        m_hub = gGetRelayon();
        m_paste = dynamic_cast<CPasteCmd*>(m_hub->GetCmd(ID_EDIT_PASTE));
        ASSERT_NE(m_paste, nullptr);
        // Nothing of an earlier test on the clipboard.
        AfxSetClipboardBytes(CF_UNICODETEXT, L"", sizeof(wchar_t));
    }

    CDbCurve* AddLine(double x0, double y0, double x1, double y1)
    {
        const double a[2] = {x0, y0}, b[2] = {x1, y1};
        auto* entity = new CDbCurve(new CGeLine(a, b));
        CDBase::Instance()->AddTail(entity);
        return entity;
    }

    void Command(UINT id) { Frame()->SendMessage(WM_COMMAND, id, 0); }

    std::vector<BYTE> Payload() const
    {
        std::vector<BYTE> bytes;
        AfxGetClipboardBytes(CQVAppSettings::kClipboardFormat, bytes);
        return bytes;
    }

    CRelayon* m_hub = nullptr;
    CPasteCmd* m_paste = nullptr;
};

TEST_F(ClipboardEditTest, AClickThatSelectsOrClearsRedrawsTheView)
{
    const Position a = WorldAt(QPoint(200, 300)), b = WorldAt(QPoint(400, 300));
    AddLine(a.x, a.y, b.x, b.y);
    Repaint();
    const QImage unselected = Screen();
    Click(QPoint(300, 300));
    ASSERT_EQ(gGetSelector()->GetSize(), 1);
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    EXPECT_TRUE(Screen() != unselected) << "the selected line is drawn as selected";
    Click(QPoint(300, 500));
    ASSERT_EQ(gGetSelector()->GetSize(), 0);
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    EXPECT_TRUE(Screen() == unselected) << "a click on nothing clears the selection from the screen";
}

TEST_F(ClipboardEditTest, CopyPutsTheSelectionBoxCentreAndTheEntitiesOnTheClipboard)
{
    CSelector* selector = gGetSelector();
    selector->Add(AddLine(10, 20, 50, 20));
    selector->Add(AddLine(30, 0, 30, 60));
    AddLine(500, 500, 600, 600);  // not selected
    const int undo = UndoCount();
    Command(ID_EDIT_COPY);
    EXPECT_EQ(UndoCount(), undo) << "copy changes nothing";
    const std::vector<BYTE> bytes = Payload();
    ASSERT_FALSE(bytes.empty());

    double base[2] = {0, 0};
    CTypedPtrList<CObList, CDbEntity*> read;
    ASSERT_TRUE(CKorvelDoc::ReadClipboardPayload(bytes, base, read));
    EXPECT_DOUBLE_EQ(base[0], 30.0);
    EXPECT_DOUBLE_EQ(base[1], 30.0);
    ASSERT_EQ(read.GetCount(), 2);
    EXPECT_DOUBLE_EQ(BoxOf(read.GetHead()).xmax, 50.0);
    EXPECT_DOUBLE_EQ(BoxOf(read.GetTail()).ymax, 60.0);
    while (!read.IsEmpty()) delete read.RemoveHead();
    EXPECT_EQ(CDBase::Instance()->GetCount(), 3);
}

TEST_F(ClipboardEditTest, TwoPastesGiveTwoSetsWithFreshHandlesOnTheCurrentLayerAsTwoUndoSteps)
{
    CDbCurve* original = AddLine(0, 0, 20, 10);
    gGetSelector()->Add(original);
    Command(ID_EDIT_COPY);
    auto* layer = new CLayer(CString(L"second"));
    layer->SetColor(RGB(0, 0, 255));
    CDBase::Instance()->AddLayer(layer);
    CLayer::SetCurrentLayerID(layer->GetID());
    const int undo = UndoCount();

    std::vector<std::uint32_t> handles{original->GetHandle()};
    for (const QPoint at : {QPoint(300, 300), QPoint(500, 200)}) {
        Command(ID_EDIT_PASTE);
        ASSERT_EQ(m_hub->GetCurCmd(), m_paste);
        EXPECT_EQ(m_paste->GetBasePoint().x, 10.0);
        EXPECT_EQ(m_paste->GetBasePoint().y, 5.0);
        Move(at - QPoint(7, 7));
        Move(at);
        Press(at);
        Release(at);
        EXPECT_EQ(m_hub->GetCurCmd(), nullptr);
        CDbEntity* pasted = Entities().back();
        const Position p = WorldAt(at);
        const BOX2<double> box = BoxOf(pasted);
        EXPECT_NEAR((box.xmin + box.xmax) / 2, p.x, 1e-9) << "the copied box's centre lands on the click";
        EXPECT_NEAR((box.ymin + box.ymax) / 2, p.y, 1e-9);
        EXPECT_EQ(pasted->GetLayerID(), layer->GetID());
        EXPECT_FALSE(pasted->IsSelected());
        for (std::uint32_t h : handles) EXPECT_NE(pasted->GetHandle(), h);
        handles.push_back(pasted->GetHandle());
    }
    EXPECT_EQ(CDBase::Instance()->GetCount(), 3);
    EXPECT_EQ(UndoCount(), undo + 2);
}

TEST_F(ClipboardEditTest, TypedPointPutsTheBasePointThere)
{
    gGetSelector()->Add(AddLine(0, 0, 40, 20));
    Command(ID_EDIT_COPY);
    Command(ID_EDIT_PASTE);
    double p[2] = {-100.0, 250.5};
    EXPECT_EQ(m_hub->OnKeyInP2D(p), 1);
    const BOX2<double> box = BoxOf(Entities().back());
    EXPECT_DOUBLE_EQ(box.xmin, -120.0);
    EXPECT_DOUBLE_EQ(box.ymax, 260.5);
}

TEST_F(ClipboardEditTest, CutDeletesAsOneStepThatOneUndoRestores)
{
    CSelector* selector = gGetSelector();
    for (int i = 0; i < 3; ++i) selector->Add(AddLine(i * 10.0, 0, i * 10.0 + 5, 5));
    const int undo = UndoCount();
    Command(ID_EDIT_CUT);
    EXPECT_EQ(CDBase::Instance()->GetCount(), 0);
    EXPECT_TRUE(selector->IsEmpty());
    EXPECT_EQ(UndoCount(), undo + 1);
    EXPECT_EQ(CActionManager::Instance()->GetUndoName(), AfxLoadString(korvel::IDS_CUT_ACTION));
    EXPECT_FALSE(Payload().empty());
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(CDBase::Instance()->GetCount(), 3);
}

TEST_F(ClipboardEditTest, TypeTenEntityRefusesCopyAndCut)
{
    CSelector* selector = gGetSelector();
    selector->Add(AddLine(0, 0, 5, 5));
    auto* locked = new NoCopyEntity;
    CDBase::Instance()->AddTail(locked);
    selector->Add(locked);
    const std::vector<BYTE> before = Payload();
    for (const auto& [id, message] : {std::pair{ID_EDIT_COPY, korvel::IDS_COPY_REFUSED},
                                      std::pair{ID_EDIT_CUT, korvel::IDS_CUT_REFUSED}}) {
        m_prompt.m_messages.clear();
        Command(id);
        EXPECT_EQ(m_prompt.m_messages, std::vector<CString>{AfxLoadString(message)}) << id;
        EXPECT_EQ(Payload(), before) << id << ": the clipboard is not touched";
        EXPECT_EQ(CDBase::Instance()->GetCount(), 2) << id << ": nothing deleted";
    }
}

// Payloads that do not read: nothing pasted, a message, no leak (asan).
TEST_F(ClipboardEditTest, DamagedPayloadsPasteNothing)
{
    gGetSelector()->Add(AddLine(0, 0, 40, 20));
    gGetSelector()->Add(AddLine(5, 5, 9, 9));
    Command(ID_EDIT_COPY);
    const std::vector<BYTE> good = Payload();
    ASSERT_GT(good.size(), 40u);

    std::vector<std::pair<std::string, std::vector<BYTE>>> rows;
    for (std::size_t cut : {good.size() - 1, good.size() / 2, std::size_t{20}, std::size_t{3}})
        rows.push_back({"truncated to " + std::to_string(cut), std::vector<BYTE>(good.begin(), good.begin() + cut)});
    std::mt19937 random(7);
    std::vector<BYTE> noise(300);
    for (BYTE& b : noise) b = static_cast<BYTE>(random());
    rows.push_back({"random bytes", noise});
    // Two doubles, a list of one object of a class nobody knows.
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << 1.0 << 2.0;
        ar.WriteCount(1);
        ar << static_cast<WORD>(0xFFFF) << static_cast<WORD>(1) << static_cast<WORD>(10);
        ar.Write("CNoSuchOne", 10);
        ar.Close();
    }
    rows.push_back({"unknown class", std::vector<BYTE>(file.GetData(), file.GetData() + file.GetLength())});
    // Found by fuzzing: the entity list holds a list record holding another one,
    // whose objects leaked when the outer one was refused.
    rows.push_back({"list record in the entity list",
                    {0x00, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x40, 0x48, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2E, 0x40,
                     0x06, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x07, 0x00, 'C',  'O',  'b',  'L',  'i',  's',  't',  0x06,
                     0x00, 0xFF, 0xFF, 0x00, 0x00, 0x07, 0x00, 'C',  'O',  'b',  'L',  'i',  's',  't',  0x00, 0x00,
                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}});

    for (const auto& [label, bytes] : rows) {
        ASSERT_TRUE(AfxSetClipboardBytes(CQVAppSettings::kClipboardFormat, bytes.data(), bytes.size())) << label;
        m_prompt.m_messages.clear();
        const int count = CDBase::Instance()->GetCount();
        Command(ID_EDIT_PASTE);
        EXPECT_EQ(m_hub->GetCurCmd(), nullptr) << label << ": the paste ends";
        EXPECT_TRUE(m_paste->GetClipboardEntities().IsEmpty()) << label;
        EXPECT_EQ(m_prompt.m_messages, std::vector<CString>{AfxLoadString(korvel::IDS_PASTE_UNREADABLE)}) << label;
        Click(QPoint(300, 300));
        EXPECT_EQ(CDBase::Instance()->GetCount(), count) << label;
    }
}

TEST_F(ClipboardEditTest, EditItemsFollowTheSelectionAndTheClipboard)
{
    auto enabled = [this](UINT id) {
        CTestCmdUI state;
        state.m_nID = id;
        Frame()->OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &state, nullptr);
        return state.m_bEnabled;
    };
    EXPECT_FALSE(enabled(ID_EDIT_COPY));
    EXPECT_FALSE(enabled(ID_EDIT_CUT));
    EXPECT_FALSE(enabled(ID_EDIT_PASTE));
    gGetSelector()->Add(AddLine(0, 0, 1, 1));
    EXPECT_TRUE(enabled(ID_EDIT_COPY));
    EXPECT_TRUE(enabled(ID_EDIT_CUT));
    Command(ID_EDIT_COPY);
    EXPECT_TRUE(enabled(ID_EDIT_PASTE));
}

// A command that undoes by itself (flag 0x10) and keeps the messages it gets.
class SelfUndoCmd : public CCommand {
public:
    SelfUndoCmd() : CCommand(1, L"self undo", 0)
    {
        SetID(40003);
        m_nFlags = 0x10;
    }
    int OnMessage(QMessage* message) override
    {
        m_types.push_back(message->m_nType);
        return 1;
    }
    std::vector<int> m_types;
};

TEST_F(ClipboardEditTest, RedoClearsTheSelectionUndoDoesNot)
{
    CSelector* selector = gGetSelector();
    CDbCurve* kept = AddLine(0, 0, 10, 10);
    gGetSelector()->Add(AddLine(20, 0, 30, 10));
    Command(ID_EDIT_CUT);
    selector->Add(kept);
    View()->SendMessage(korvel::WM_KV_UNDO, 0, 0);
    EXPECT_EQ(CDBase::Instance()->GetCount(), 2);
    EXPECT_EQ(selector->GetSize(), 1) << "undo keeps the selection";
    View()->SendMessage(korvel::WM_KV_REDO, 0, 0);
    EXPECT_EQ(CDBase::Instance()->GetCount(), 1);
    EXPECT_TRUE(selector->IsEmpty()) << "redo clears it";
    EXPECT_FALSE(kept->IsSelected());
}

TEST_F(ClipboardEditTest, PasteCutUndoAndRedoMarkTheDocumentModified)
{
    CDocument* doc = gGetDocument();
    ASSERT_NE(doc, nullptr);
    gGetSelector()->Add(AddLine(0, 0, 20, 10));
    Command(ID_EDIT_COPY);
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"paste", [&] { Command(ID_EDIT_PASTE), Click(QPoint(300, 300)); }},
        {"undo", [&] { View()->SendMessage(korvel::WM_KV_UNDO, 0, 0); }},
        {"redo", [&] { View()->SendMessage(korvel::WM_KV_REDO, 0, 0); }},
        {"cut", [&] { gGetSelector()->Add(Entities().front()), Command(ID_EDIT_CUT); }},
    };
    for (const auto& [name, step] : steps) {
        doc->SetModifiedFlag(FALSE);
        const int undo = UndoCount();
        step();
        ASSERT_NE(UndoCount(), undo) << name << " changed the drawing";
        EXPECT_TRUE(doc->IsModified()) << name << ": closing must ask before the change is lost";
    }
}

TEST_F(ClipboardEditTest, CommandThatUndoesByItselfGetsMessageSix)
{
    gGetSelector()->Add(AddLine(0, 0, 10, 10));
    Command(ID_EDIT_CUT);
    auto* own = new SelfUndoCmd;
    ASSERT_TRUE(m_hub->RegAppCmd(own));
    ASSERT_EQ(m_hub->RunAppCmd(own->GetID(), 0), 1);
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(own->m_types, std::vector<int>{QMessage::kUndo});
    EXPECT_EQ(CDBase::Instance()->GetCount(), 0) << "the undo manager is left alone";
    EXPECT_EQ(UndoCount(), 1);
}

}  // namespace
