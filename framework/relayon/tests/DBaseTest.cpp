// Entity database stream: round trip, the head that the import command reads
// itself, damaged streams, and the selection file; drawing and picking by layer.
#include "framework/db/DbAidLine.h"
#include "framework/db/DbCurve.h"
#include "framework/db/DbUnion.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Selector.h"
#include "framework/relayon/tests/DatabaseFixture.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GeLine.h"
#include "platform/core/Archive.h"
#include "platform/core/RecordingDC.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace {

class DBaseTest : public DatabaseFixture {
protected:
    // Line (0,0)-(10,5), rectangle (1,2)-(4,6) inside a union, a vertical guide line at x = 7.
    static void Fill(CDBase* db)
    {
        const double p[2] = {0, 0}, q[2] = {10, 5};
        CDbCurve* line = dbGenLine(p, q);
        line->SetColor(RGB(10, 20, 30));
        db->AddTail(line);
        auto* group = new CDbUnion;
        const double a[2] = {1, 2}, b[2] = {4, 6};
        group->AddEntity(dbGenRect(a, b));
        db->AddTail(group);
        db->AddTail(new CDbAidLine(7.0, CDbAidLine::kVertical));
        db->SetNote(CString(L"note ü 注"));
    }

    static std::vector<BYTE> Store(const std::function<void(CArchive&)>& write)
    {
        CMemFile file;
        {
            CArchive ar(&file, CArchive::store);
            write(ar);
            ar.Close();
        }
        return std::vector<BYTE>(file.GetData(), file.GetData() + file.GetLength());
    }
};

TEST_F(DBaseTest, RoundTripKeepsNoteVersionEntitiesAndLayers)
{
    CDBase* db = CDBase::Instance();
    Fill(db);
    // A document loaded from an older version is always stored in the current one.
    gGetQVGlobal()->SetVersion(kDocVersionShapeHandles);
    std::vector<BYTE> bytes = Store([db](CArchive& ar) { db->Serialize(ar); });

    db->DelAllEnt();
    db->SetNote(CString());
    gGetQVGlobal()->SetVersion(kDocVersionShapeHandles - 1);
    CMemFile in(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&in, CArchive::load);
    db->Serialize(ar);

    EXPECT_EQ(db->GetNote(), CString(L"note ü 注"));
    EXPECT_EQ(gGetQVGlobal()->GetVersion(), kDocVersionCurrent) << "stored in the current version, adopted on load";
    ASSERT_EQ(db->GetCount(), 3);
    POSITION pos = db->GetEntities().GetHeadPosition();
    auto* line = dynamic_cast<CDbCurve*>(db->GetEntities().GetNext(pos));
    auto* group = dynamic_cast<CDbUnion*>(db->GetEntities().GetNext(pos));
    auto* aid = dynamic_cast<CDbAidLine*>(db->GetEntities().GetNext(pos));
    ASSERT_TRUE(line && group && aid);
    EXPECT_EQ(line->GetHandle(), 1u);
    EXPECT_EQ(group->GetHandle(), 2u);
    EXPECT_EQ(aid->GetHandle(), 3u);
    EXPECT_EQ(line->GetColor(), RGB(10, 20, 30));
    ASSERT_NE(line->GetCurve(), nullptr);
    double s[2] = {-1, -1}, e[2] = {-1, -1};
    line->GetCurve()->GetStartPoint(s);
    line->GetCurve()->GetEndPoint(e);
    EXPECT_DOUBLE_EQ(s[0], 0.0);
    EXPECT_DOUBLE_EQ(e[0], 10.0);
    EXPECT_DOUBLE_EQ(e[1], 5.0);
    BOX2<double> box;
    ASSERT_TRUE(group->GetBox(&box));
    EXPECT_DOUBLE_EQ(box.xmin, 1.0);
    EXPECT_DOUBLE_EQ(box.ymax, 6.0);
    EXPECT_EQ(aid->GetOrientation(), CDbAidLine::kVertical);
    EXPECT_DOUBLE_EQ(aid->GetPosition(), 7.0);
    EXPECT_EQ(db->GetLayerCnt(), 1);
    EXPECT_EQ(CLayer::GetCurrentLayerID(), db->GetLayerIDByIndex(0));
}

TEST_F(DBaseTest, HeadReadsAsNoteVersionAndObjectList)
{
    CDBase* db = CDBase::Instance();
    Fill(db);
    std::vector<BYTE> bytes = Store([db](CArchive& ar) { db->Serialize(ar); });

    // What a reader of the head alone sees (the import command's own reading).
    CMemFile in(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&in, CArchive::load);
    CString note;
    std::int32_t version = 0;
    ar >> note >> version;
    CObList list;
    list.Serialize(ar);
    EXPECT_EQ(note, CString(L"note ü 注"));
    EXPECT_EQ(version, kDocVersionCurrent);
    ASSERT_EQ(list.GetCount(), 3);
    for (CObject* object : list) {
        EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CDbEntity)));
        delete object;
    }
}

TEST_F(DBaseTest, TruncatedStreamThrowsAndLeavesTheDatabaseAsItWas)
{
    CDBase* db = CDBase::Instance();
    Fill(db);
    std::vector<BYTE> bytes = Store([db](CArchive& ar) { db->Serialize(ar); });
    db->DelAllEnt();
    db->AddTail(new CDbAidLine(1.0, CDbAidLine::kHorizontal));

    for (size_t cut : {size_t{3}, bytes.size() / 2, bytes.size() - 1}) {
        CMemFile in(bytes.data(), static_cast<UINT>(cut));
        CArchive ar(&in, CArchive::load);
        EXPECT_THROW(db->Serialize(ar), CArchiveException) << "cut at " << cut;
        EXPECT_EQ(db->GetCount(), 1) << "cut at " << cut;
    }
}

TEST_F(DBaseTest, SaveSelectedWritesOnlyTheSelectionAsADocument)
{
    CDBase* db = CDBase::Instance();
    Fill(db);
    CDbEntity* second = db->GetEntities().GetAt(db->GetEntities().FindIndex(1));
    gGetSelector()->Add(second);
    std::vector<BYTE> bytes = Store([db](CArchive& ar) { db->SaveSelected(ar); });

    CDBase other;
    CMemFile in(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&in, CArchive::load);
    other.Serialize(ar);
    ASSERT_EQ(other.GetCount(), 1);
    EXPECT_EQ(other.GetEntities().GetHead()->GetType(), kDbTypeUnion);
}

TEST_F(DBaseTest, UpdateHandleRaisesTheCounterToTheLargestHandle)
{
    CDBase* db = CDBase::Instance();
    Fill(db);
    CDbEntity::SetMaxHandle(0);
    db->GetEntities().GetTail()->SetHandle(40);
    db->UpdateHandle();
    EXPECT_EQ(CDbEntity::GetMaxHandle(), 40u);
    const double p[2] = {0, 0}, q[2] = {1, 1};
    CDbCurve* added = dbGenLine(p, q);
    db->AddTail(added);
    EXPECT_EQ(added->GetHandle(), 41u);
}

TEST_F(DBaseTest, UndoAndRedoOfAnAddAndADelete)
{
    CDBase* db = CDBase::Instance();
    Fill(db);
    CActionManager* mgr = CActionManager::Instance();
    CDbEntity* first = db->GetEntities().GetHead();
    gGetSelector()->Add(first);

    CDbEntityList added;
    const double p[2] = {0, 0}, q[2] = {2, 2};
    added.AddTail(dbGenLine(p, q));
    CDbEntityList removed;
    removed.AddTail(first);
    ASSERT_EQ(qvEntListToManager(&added, &removed, L"Edit"), 1);
    EXPECT_TRUE(added.IsEmpty()) << "the manager took the new entities";
    EXPECT_EQ(db->GetCount(), 3);
    EXPECT_FALSE(db->Contains(first));
    EXPECT_TRUE(gGetSelector()->IsEmpty()) << "a removed entity leaves the selection";
    EXPECT_EQ(mgr->GetUndoName(), CString(L"Edit"));

    ASSERT_TRUE(mgr->Undo());
    EXPECT_EQ(db->GetCount(), 3);
    EXPECT_TRUE(db->Contains(first));
    EXPECT_FALSE(mgr->CanUndo());
    ASSERT_TRUE(mgr->Redo());
    EXPECT_FALSE(db->Contains(first));
    EXPECT_EQ(db->GetCount(), 3);
    EXPECT_FALSE(mgr->Redo());

    // A new step drops the redo steps; the undone add's entity is freed with it (ASan checks).
    ASSERT_TRUE(mgr->Undo());
    CDbEntityList more;
    more.AddTail(dbGenLine(q, p));
    qvEntListToManager(&more, nullptr, L"Line");
    EXPECT_FALSE(mgr->CanRedo());
    EXPECT_EQ(db->GetCount(), 4);
}

TEST_F(DBaseTest, ColourActionRestoresEachEntitysOwnColour)
{
    CDBase* db = CDBase::Instance();
    Fill(db);
    CDbEntity* a = db->GetEntities().GetHead();
    CDbEntity* b = db->GetEntities().GetTail();
    b->SetColor(RGB(1, 2, 3));
    auto* action = new CActionColor(1, L"Colour");
    action->AddColorEnt(a, RGB(255, 0, 0));
    action->AddColorEnt(b, RGB(255, 0, 0));
    qvInsertActionIntoManager(action, 0);
    EXPECT_EQ(a->GetColor(), RGB(255, 0, 0));
    EXPECT_EQ(b->GetColor(), RGB(255, 0, 0));
    CActionManager::Instance()->Undo();
    EXPECT_EQ(a->GetColor(), RGB(10, 20, 30));
    EXPECT_EQ(b->GetColor(), RGB(1, 2, 3));
}

}  // namespace

#include "framework/relayon/EntityHelpers.h"

namespace {

TEST_F(DBaseTest, SelectorCurvesAreCopiesOfCurvesInsideGroupsToo)
{
    CDBase* db = CDBase::Instance();
    Fill(db);
    for (CDbEntity* e : db->GetEntities()) gGetSelector()->Add(e);
    CTypedPtrList<CObList, CGeCurve*> curves;
    EXPECT_EQ(qvGetSelectorCurve(&curves), 2) << "the line and the rectangle in the union; not the guide line";
    CDbCurve* line = dynamic_cast<CDbCurve*>(db->GetEntities().GetHead());
    ASSERT_NE(line, nullptr);
    EXPECT_NE(curves.GetHead(), line->GetCurve()) << "copies, not the entities' own curves";
    while (!curves.IsEmpty()) delete curves.RemoveHead();
}

}  // namespace

namespace {

// Writes a layer record of the earlier kind by hand: a new-class tag, schema 1,
// the class name, then id, colour, visible, locked and name.
void WriteOldLayer(CArchive& ar, bool first, int id, COLORREF colour, BOOL visible, BOOL locked, const CString& name)
{
    if (first) {
        const char kName[] = "CDbLayer";
        ar << static_cast<WORD>(0xFFFF) << static_cast<WORD>(1) << static_cast<WORD>(sizeof(kName) - 1);
        ar.Write(kName, sizeof(kName) - 1);
    } else {
        // The class record was the first object record: its tag is 1.
        ar << static_cast<WORD>(0x8000 | 1);
    }
    ar << id << colour << visible << locked << name;
}

}  // namespace

TEST_F(DBaseTest, DocumentWithTheEarlierLayerRecordStillOpens)
{
    std::vector<BYTE> bytes = Store([](CArchive& ar) {
        ar << CString(L"old") << std::int32_t{kDocVersionCurrent};
        ar.WriteCount(0);
        ar.WriteCount(2);
        WriteOldLayer(ar, true, 7, RGB(1, 2, 3), TRUE, FALSE, CString(L"Base"));
        WriteOldLayer(ar, false, 9, RGB(4, 5, 6), FALSE, TRUE, CString(L"Top"));
        ar << std::int32_t{9} << std::int32_t{1} << std::int32_t{1};
    });
    CDBase* db = CDBase::Instance();
    CMemFile in(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&in, CArchive::load);
    db->Serialize(ar);

    ASSERT_EQ(db->GetLayerCnt(), 2);
    const CLayer* base = db->GetLayer(0);
    const CLayer* top = db->GetLayer(1);
    EXPECT_EQ(base->GetID(), 7);
    EXPECT_EQ(base->GetName(), CString(L"Base"));
    EXPECT_EQ(base->GetColor(), RGB(1, 2, 3));
    EXPECT_EQ(base->IsVisible(), 1);
    EXPECT_EQ(base->IsLocked(), 0);
    EXPECT_EQ(top->GetID(), 9);
    EXPECT_EQ(top->GetName(), CString(L"Top"));
    EXPECT_EQ(top->GetColor(), RGB(4, 5, 6));
    EXPECT_EQ(top->IsVisible(), 0);
    EXPECT_EQ(top->IsLocked(), 1);
    EXPECT_EQ(CLayer::GetCurrentLayerID(), 9);
    // Layers made afterwards take ids beyond the loaded ones.
    CLayer later;
    EXPECT_GT(later.GetID(), 9);
}

// An earlier-kind layer id so high that the next new layer's id would overflow
// is damage, as for the current layer record (found by fuzzing: the counter
// went past the largest int). The database and the counter keep their values.
TEST_F(DBaseTest, EarlierLayerRecordWithAnIdLeavingNoRoomIsDamage)
{
    struct Row {
        const char* label;
        int id;
        bool loads;
    };
    const Row rows[] = {{"id 2^30", 1 << 30, true},
                        {"id 2^30 + 1", (1 << 30) + 1, false},
                        {"largest int", std::numeric_limits<int>::max(), false}};
    for (const Row& r : rows) {
        CDBase* db = CDBase::Instance();
        const int layers = db->GetLayerCnt();
        const int counter = geometry::testing::GetLayerCounter();
        std::vector<BYTE> bytes = Store([&r](CArchive& ar) {
            ar << CString(L"old") << std::int32_t{kDocVersionCurrent};
            ar.WriteCount(0);
            ar.WriteCount(1);
            WriteOldLayer(ar, true, r.id, RGB(1, 2, 3), TRUE, FALSE, CString(L"Base"));
            ar << std::int32_t{r.id} << std::int32_t{1} << std::int32_t{1};
        });
        CMemFile in(bytes.data(), static_cast<UINT>(bytes.size()));
        CArchive ar(&in, CArchive::load);
        int cause = CArchiveException::none;
        try {
            db->Serialize(ar);
        } catch (const CArchiveException& e) {
            cause = e.m_cause;
        }
        if (r.loads) {
            EXPECT_EQ(cause, CArchiveException::none) << r.label;
            ASSERT_EQ(db->GetLayerCnt(), 1) << r.label;
            EXPECT_EQ(db->GetLayer(0)->GetID(), r.id) << r.label;
            EXPECT_EQ(CLayer().GetID(), r.id + 1) << r.label;
            geometry::testing::SetLayerCounter(counter);
        } else {
            EXPECT_EQ(cause, CArchiveException::genericException) << r.label;
            EXPECT_EQ(db->GetLayerCnt(), layers) << r.label;
            EXPECT_EQ(geometry::testing::GetLayerCounter(), counter) << r.label;
        }
    }
}

TEST_F(DBaseTest, LayerTableTakesOutAndPutsBackAtAPosition)
{
    CDBase* db = CDBase::Instance();
    db->AddLayer(new CLayer(CString(L"B")));
    db->AddLayer(new CLayer(CString(L"C")));
    const int idB = db->GetLayerIDByIndex(1);
    EXPECT_EQ(db->RemoveLayerAt(3), nullptr);
    EXPECT_EQ(db->RemoveLayerAt(-1), nullptr);
    std::unique_ptr<CLayer> b(db->RemoveLayerAt(1));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetID(), idB);
    EXPECT_EQ(db->GetLayerCnt(), 2);
    EXPECT_EQ(db->GetLayer(1)->GetName(), CString(L"C"));
    EXPECT_TRUE(db->InsertLayerAt(1, b.release()));
    ASSERT_EQ(db->GetLayerCnt(), 3);
    EXPECT_EQ(db->GetLayer(1)->GetName(), CString(L"B"));
    EXPECT_EQ(db->GetIndexByLayerID(idB), 1);
    EXPECT_EQ(db->GetLayerIDByIndex(-1), -1);
}

// Drawing and picking skip the entities on hidden layers; runs of entities on
// one layer, layers changing back and forth and ids of no layer (drawn) are
// mixed so that the layer looked up last is never taken for another one.
TEST_F(DBaseTest, HiddenLayersHideTheirEntitiesWhateverTheOrder)
{
    CDBase* db = CDBase::Instance();
    auto* hidden = new CLayer(CString(L"hidden"));
    hidden->SetInVisible();
    auto* shown = new CLayer(CString(L"shown"));
    db->AddLayer(hidden);
    db->AddLayer(shown);
    const int first = db->GetLayerIDByIndex(0);
    const int none = shown->GetID() + 50;
    const int layers[] = {hidden->GetID(), hidden->GetID(), first, shown->GetID(), hidden->GetID(),
                          none, none, first, hidden->GetID(), shown->GetID()};
    std::vector<COLORREF> drawn;
    int n = 0;
    for (int layer : layers) {
        const double p[2] = {0, 0}, q[2] = {10, 5};
        CDbCurve* line = dbGenLine(p, q);
        const COLORREF colour = RGB(1 + n++, 0, 0);
        line->SetColor(colour);
        line->SetLayerID(layer);
        db->AddTail(line);
        if (layer != hidden->GetID()) drawn.push_back(colour);
    }
    RecordingDC dc;
    db->DrawAllUnSel(&dc, 0, 0, 1);
    std::vector<COLORREF> pens;
    for (const DCRecord& r : dc.Filter(DCRecord::SelectPen))
        if (r.pen.colour != RGB(0, 0, 0)) pens.push_back(r.pen.colour);
    EXPECT_EQ(pens, drawn);

    CDbEntityList hits;
    const double at[2] = {5.0, 2.5};
    db->RoughPick(at, 0.0, hits);
    std::vector<COLORREF> picked;
    for (CDbEntity* e : hits) picked.push_back(e->GetColor());
    EXPECT_EQ(picked, drawn);
}
