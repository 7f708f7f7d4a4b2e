// The document file: new, open, save, save as, export, autosave and the
// handling of unwritable targets and damaged files.
#include "AppFixture.h"

#include "app/StartupLog.h"
#include "framework/db/DbCurve.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Selector.h"
#include "framework/looker/AppSlots.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeShape2d.h"
#include "platform/core/Archive.h"
#include "platform/core/Exception.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

using namespace korvel_test;

// An entity whose record cannot be written: its Serialize fails half-way
// through the stream, as a full disk would.
class CFailingEntity : public CDbEntity {
    DECLARE_SERIAL(CFailingEntity)
public:
    void Serialize(CArchive& ar) override
    {
        CDbEntity::Serialize(ar);
        if (ar.IsStoring()) AfxThrowArchiveException(CArchiveException::genericException);
    }
};
IMPLEMENT_SERIAL(CFailingEntity, CDbEntity, 1)

namespace {

struct Snapshot {
    std::uint32_t handle;
    int layer;
    COLORREF colour;
    int type;
    std::uint32_t curveHandle;
    std::vector<unsigned char> record;
};

std::vector<Snapshot> SnapshotDatabase()
{
    std::vector<Snapshot> out;
    for (CDbEntity* entity : CDBase::Instance()->GetEntities()) {
        Snapshot s{entity->GetHandle(), entity->GetLayerID(), entity->GetColor(), entity->GetType(), 0, {}};
        if (auto* curve = dynamic_cast<CDbCurve*>(entity); curve != nullptr && curve->GetCurve() != nullptr) {
            s.curveHandle = curve->GetCurve()->GetHandle();
            s.record = RecordOf(curve->GetCurve());
        }
        out.push_back(std::move(s));
    }
    return out;
}

void ExpectSameDatabase(const std::vector<Snapshot>& expected, const char* label)
{
    const std::vector<Snapshot> actual = SnapshotDatabase();
    ASSERT_EQ(actual.size(), expected.size()) << label;
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].handle, expected[i].handle) << label << " entity " << i;
        EXPECT_EQ(actual[i].layer, expected[i].layer) << label << " entity " << i;
        EXPECT_EQ(actual[i].colour, expected[i].colour) << label << " entity " << i;
        EXPECT_EQ(actual[i].type, expected[i].type) << label << " entity " << i;
        EXPECT_EQ(actual[i].curveHandle, expected[i].curveHandle) << label << " entity " << i;
        EXPECT_EQ(actual[i].record, expected[i].record) << label << " curve record of entity " << i;
    }
}

class DocumentTest : public AppTest {
protected:
    // A document with a curve of every kind, saved as name.
    std::vector<Snapshot> SaveEveryCurve(const char* name)
    {
        AddCurveEntities(MakeEveryCurve());
        Doc()->SetModifiedFlag(TRUE);
        m_prompt.m_paths.push_back(CPathOf(name));
        Doc()->OnFileSaveAs();
        return SnapshotDatabase();
    }
};

TEST_F(DocumentTest, EveryCurveKindSurvivesSaveAndOpen)
{
    ASSERT_TRUE(Start());
    const std::vector<Snapshot> saved = SaveEveryCurve("every.zdc");
    ASSERT_EQ(saved.size(), 10u);
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_EQ(Doc()->GetTitle(), CPathOf("every.zdc")) << "the title is the full path";
    EXPECT_TRUE(m_prompt.m_messages.empty());

    // New document, then open the file again.
    m_app->OnFileNew();
    EXPECT_EQ(CDBase::Instance()->GetCount(), 0);
    m_prompt.m_paths.push_back(CPathOf("every.zdc"));
    Doc()->OnFileOpen();
    ExpectSameDatabase(saved, "after open");
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_EQ(Doc()->GetTitle(), CPathOf("every.zdc"));

    // Save as a second file: the same bytes after the preview block.
    Doc()->SetModifiedFlag(TRUE);
    m_prompt.m_paths.push_back(CPathOf("again.zdc"));
    Doc()->OnFileSaveAs();
    EXPECT_EQ(ReadBytes(PathOf("again.zdc")), ReadBytes(PathOf("every.zdc")));
}

TEST_F(DocumentTest, LoadingRaisesTheHandleCountersPastLoadedHandles)
{
    ASSERT_TRUE(Start());
    const std::vector<Snapshot> saved = SaveEveryCurve("handles.zdc");
    std::uint32_t maxEntity = 0, maxCurve = 0;
    for (const Snapshot& s : saved) maxEntity = std::max(maxEntity, s.handle), maxCurve = std::max(maxCurve, s.curveHandle);
    ASSERT_GT(maxCurve, 0u);

    m_app->OnFileNew();
    EXPECT_EQ(CGeShape2d::GetMaxHandle(), 0u);
    EXPECT_EQ(CDbEntity::GetMaxHandle(), 0u);
    m_prompt.m_paths.push_back(CPathOf("handles.zdc"));
    Doc()->OnFileOpen();
    EXPECT_GE(CGeShape2d::GetMaxHandle(), maxCurve);
    EXPECT_GE(CDbEntity::GetMaxHandle(), maxEntity);
    const double p[2] = {0, 0}, q[2] = {1, 1};
    CGeLine fresh(p, q);
    fresh.CreateNewHandle();
    for (const Snapshot& s : saved) EXPECT_NE(fresh.GetHandle(), s.curveHandle);
}

TEST_F(DocumentTest, StartWithADocumentPathOpensIt)
{
    ASSERT_TRUE(Start());
    const std::vector<Snapshot> saved = SaveEveryCurve("start.zdc");
    Close();
    ASSERT_TRUE(Start({"korvel", PathOf("start.zdc")}));
    ExpectSameDatabase(saved, "opened at start");
    const auto& log = korvel::GetStepLog();
    EXPECT_EQ(std::find(log.begin(), log.end(), "document: new"), log.end()) << "no new document";
    EXPECT_EQ(Doc()->GetPathName(), CPathOf("start.zdc"));
}

TEST_F(DocumentTest, SaveWithoutChangesWritesNothing)
{
    ASSERT_TRUE(Start());
    SaveEveryCurve("same.zdc");
    std::filesystem::remove(PathOf("same.zdc"));
    Doc()->OnFileSave();
    EXPECT_FALSE(Exists(PathOf("same.zdc")));
    // Once changed, save writes to the document's path.
    Doc()->SetModifiedFlag(TRUE);
    Doc()->OnFileSave();
    EXPECT_TRUE(Exists(PathOf("same.zdc")));
    EXPECT_FALSE(Doc()->IsModified());
}

TEST_F(DocumentTest, SaveOnANewDocumentAsksForAPath)
{
    ASSERT_TRUE(Start());
    AddCurveEntities(MakeEveryCurve());
    Doc()->SetModifiedFlag(TRUE);
    Doc()->OnFileSave();  // cancelled dialog: nothing written
    ASSERT_EQ(m_prompt.m_fileRequests.size(), 1u);
    EXPECT_FALSE(m_prompt.m_fileRequests[0].bOpen);
    EXPECT_TRUE(Doc()->IsModified());
}

TEST_F(DocumentTest, ReadOnlyTargets)
{
    ASSERT_TRUE(Start());
    const std::string other = PathOf("locked.zdc");
    WriteBytes(other, {1, 2, 3});
    ::chmod(other.c_str(), 0444);
    AddCurveEntities(MakeEveryCurve());
    Doc()->SetModifiedFlag(TRUE);

    // Save as over a read-only file is refused and reported.
    m_prompt.m_paths.push_back(CPathOf("locked.zdc"));
    Doc()->OnFileSaveAs();
    EXPECT_EQ(m_prompt.m_messages.size(), 1u);
    EXPECT_EQ(ReadBytes(other), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_EQ(Doc()->GetTitle(), L"untitled") << "the document keeps its name";

    // Saving the document's own read-only file clears the attribute and writes.
    m_prompt.m_paths.push_back(CPathOf("mine.zdc"));
    Doc()->OnFileSaveAs();
    ::chmod(PathOf("mine.zdc").c_str(), 0444);
    Doc()->SetModifiedFlag(TRUE);
    Doc()->OnFileSave();
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_EQ(m_prompt.m_messages.size(), 1u);
}

TEST_F(DocumentTest, AWriteThatFailsHalfWayKeepsTheOldFile)
{
    ASSERT_TRUE(Start());
    SaveEveryCurve("keep.zdc");
    const std::vector<unsigned char> before = ReadBytes(PathOf("keep.zdc"));
    ASSERT_FALSE(before.empty());
    CDBase::Instance()->AddTail(new CFailingEntity);
    Doc()->SetModifiedFlag(TRUE);
    Doc()->OnFileSave();
    EXPECT_EQ(ReadBytes(PathOf("keep.zdc")), before);
    EXPECT_EQ(m_prompt.m_messages.size(), 1u) << "the failure is reported";
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_EQ(CountFilesContaining(m_dir.path().toStdString(), ".tmp"), 0) << "no temporary file is left";
    EXPECT_TRUE(gGetQVGlobal()->m_bAutoSave) << "the autosave switch is restored";
}

TEST_F(DocumentTest, AutosaveWritesOnlyWithEntitiesAndPendingChanges)
{
    ASSERT_TRUE(Start());
    const std::string backup = AppDataDir() + "backup.zdc";
    // Empty database: nothing is written, even with the flag set.
    Doc()->SetModifiedFlag(TRUE);
    Frame()->SendMessage(WM_TIMER, 0, 0);
    EXPECT_FALSE(Exists(backup));
    EXPECT_EQ(Doc()->GetBackupPending(), 1);

    AddCurveEntities(MakeEveryCurve());
    Doc()->SetModifiedFlag(FALSE);
    Frame()->SendMessage(WM_TIMER, 0, 0);
    EXPECT_FALSE(Exists(backup)) << "no change since the last copy";

    Doc()->SetModifiedFlag(TRUE);
    Frame()->SendMessage(WM_TIMER, 0, 0);
    ASSERT_TRUE(Exists(backup));
    EXPECT_EQ(Doc()->GetBackupPending(), 0);
    EXPECT_TRUE(Doc()->IsModified()) << "the document itself stays modified";
    EXPECT_TRUE(CKorvelDoc::CheckDocumentBytes(ReadBytes(backup)));

    // With autosave off the tick stops the timer and writes nothing.
    std::filesystem::remove(backup);
    Doc()->SetModifiedFlag(TRUE);
    gGetQVGlobal()->m_bAutoSave = FALSE;
    Frame()->SendMessage(WM_TIMER, 0, 0);
    EXPECT_FALSE(Exists(backup));
}

TEST_F(DocumentTest, ExportWritesTheSelectionOnly)
{
    ASSERT_TRUE(Start());
    AddCurveEntities(MakeEveryCurve());
    EXPECT_FALSE(Doc()->SaveSelectionToFile(CPathOf("none.zdc"))) << "empty selection";
    EXPECT_FALSE(Exists(PathOf("none.zdc")));
    CDbEntity* first = CDBase::Instance()->GetEntities().GetHead();
    gGetSelector()->Add(first);
    ASSERT_TRUE(Doc()->SaveSelectionToFile(CPathOf("part.zdc")));
    m_app->OnFileNew();
    m_prompt.m_paths.push_back(CPathOf("part.zdc"));
    Doc()->OnFileOpen();
    EXPECT_EQ(CDBase::Instance()->GetCount(), 1);
}

struct DamagedCase {
    const char* label;
    std::vector<unsigned char> (*make)(const std::vector<unsigned char>& good);
};

const DamagedCase kDamaged[] = {
    {"truncated", [](const std::vector<unsigned char>& good) {
         return std::vector<unsigned char>(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
     }},
    {"cut in the preview", [](const std::vector<unsigned char>& good) {
         return std::vector<unsigned char>(good.begin(), good.begin() + 11);
     }},
    {"random", [](const std::vector<unsigned char>& good) {
         std::mt19937 random(7);
         std::vector<unsigned char> bytes(good.size());
         for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
         return bytes;
     }},
    {"entity list damaged", [](const std::vector<unsigned char>& good) {
         std::vector<unsigned char> bytes = good;
         for (size_t i = bytes.size() - bytes.size() / 3; i < bytes.size(); ++i) bytes[i] ^= 0x5A;
         return bytes;
     }},
};

// Hostile documents found by fuzzing the trial load (see data/hostile/README.md).
const char* const kHostileFixtures[] = {
    "archive_F1_DbCurve_deletes_backref_self.bin",
    "archive_F1b_DbCurve_delete_then_ObList_catch.bin",
    "archive_F2_DBase_catch_double_delete.bin",
    "archive_F2b_DBase_catch_owned_member.bin",
    "archive_F3a_DBase284_delete_owned_IsKindOf.bin",
    "archive_F3b_DBase271_delete_owned_IsKindOf.bin",
    "archive_F3c_postload_CalcBox2d_uaf.bin",
    "archive_F3d_postload_GetBox_uaf.bin",
    "archive_F4_duplicate_entity_dbDelEntList.bin",
    "archive_F5_bezier_discretise_hang.bin",
    "archive_F6_arc_display_million_points.bin",
    "archive_F6b_arc3d_display_million_points.bin",
    "archive_F7_old_layer_id_at_the_largest_int.bin",
};

struct DamagedFile {
    std::string label;
    std::vector<unsigned char> bytes;
};

// Every damaged file: the ones made from a good document, then the hostile fixtures.
std::vector<DamagedFile> DamagedFiles(const std::vector<unsigned char>& good)
{
    std::vector<DamagedFile> out;
    for (const DamagedCase& row : kDamaged) out.push_back({row.label, row.make(good)});
    for (const char* name : kHostileFixtures) {
        out.push_back({name, ReadBytes(std::filesystem::path(KORVEL_TEST_DATA) / "hostile" / name)});
        EXPECT_FALSE(out.back().bytes.empty()) << name << " is missing";
    }
    return out;
}

TEST_F(DocumentTest, DamagedFilesAreReportedAndKeepTheDocument)
{
    ASSERT_TRUE(Start());
    const std::vector<Snapshot> saved = SaveEveryCurve("good.zdc");
    for (const DamagedFile& row : DamagedFiles(ReadBytes(PathOf("good.zdc")))) {
        WriteBytes(PathOf("bad.zdc"), row.bytes);
        m_prompt.m_messages.clear();
        m_prompt.m_paths.push_back(CPathOf("bad.zdc"));
        Doc()->OnFileOpen();
        EXPECT_EQ(m_prompt.m_messages.size(), 1u) << row.label;
        ExpectSameDatabase(saved, row.label.c_str());
        EXPECT_EQ(Doc()->GetPathName(), CPathOf("good.zdc")) << row.label;
        EXPECT_FALSE(Doc()->IsModified()) << row.label;
    }
}

TEST_F(DocumentTest, DamagedFileOnTheCommandLineStartsWithAnEmptyDocument)
{
    ASSERT_TRUE(Start());
    SaveEveryCurve("good.zdc");
    const std::vector<DamagedFile> damaged = DamagedFiles(ReadBytes(PathOf("good.zdc")));
    Close();
    for (const DamagedFile& row : damaged) {
        WriteBytes(PathOf("bad.zdc"), row.bytes);
        m_prompt.m_messages.clear();
        ASSERT_TRUE(Start({"korvel", PathOf("bad.zdc")})) << row.label;
        EXPECT_EQ(m_prompt.m_messages.size(), 1u) << row.label;
        ASSERT_NE(Doc(), nullptr) << row.label;
        EXPECT_EQ(CDBase::Instance()->GetCount(), 0) << row.label;
        EXPECT_EQ(Doc()->GetTitle(), L"untitled") << row.label;
        Close();
    }
}

// The check that a written backup copy reads back refuses every damaged file
// and leaves the document in hand alone.
TEST_F(DocumentTest, BackupCheckRefusesDamagedFiles)
{
    ASSERT_TRUE(Start());
    const std::vector<Snapshot> saved = SaveEveryCurve("good.zdc");
    const std::string backup = AppDataDir() + "backup.zdc";
    for (const DamagedFile& row : DamagedFiles(ReadBytes(PathOf("good.zdc")))) {
        WriteBytes(backup, row.bytes);
        EXPECT_FALSE(CKorvelDoc::CheckDocumentBytes(ReadBytes(backup))) << row.label;
        ExpectSameDatabase(saved, row.label.c_str());
    }
}

// A document whose curves are about as large as the coordinate range allows
// (arcs, circles, ellipses of radius 8e8, Bezier splines with nodes at 4e8) opens as
// it stands, each curve's display polyline within a few thousand points: before
// the chord tolerance had a floor relative to the curve's size, each 70-byte
// record took up to 2^20 points (16 MB).
TEST_F(DocumentTest, CurvesAtTheCoordinateLimitOpenWithBoundedDisplay)
{
    ASSERT_TRUE(Start());
    WriteBytes(PathOf("limit.zdc"),
               ReadBytes(std::filesystem::path(KORVEL_TEST_DATA) / "hostile" / "archive_F6c_curves_at_the_coordinate_limit.bin"));
    m_prompt.m_paths.push_back(CPathOf("limit.zdc"));
    Doc()->OnFileOpen();
    EXPECT_TRUE(m_prompt.m_messages.empty()) << (m_prompt.m_messages.empty() ? "" : m_prompt.m_messages[0].ToUtf8());
    ASSERT_EQ(CDBase::Instance()->GetCount(), 8);
    for (CDbEntity* entity : CDBase::Instance()->GetEntities()) {
        auto* holder = dynamic_cast<CDbCurve*>(entity);
        ASSERT_NE(holder, nullptr);
        CGeCurve* curve = holder->GetCurve();
        ASSERT_NE(curve, nullptr);
        EXPECT_TRUE(curve->HasDisplay()) << "curve type " << curve->GetType();
        // A full turn at a millionth of the radius; two Bezier segments of about a thousand each.
        EXPECT_LE(curve->GetSWPointCount(), 4500) << "curve type " << curve->GetType();
    }
}

TEST_F(DocumentTest, ZeroLengthFileOpensAsAnEmptyDocument)
{
    ASSERT_TRUE(Start());
    WriteBytes(PathOf("empty.zdc"), {});
    m_prompt.m_paths.push_back(CPathOf("empty.zdc"));
    Doc()->OnFileOpen();
    EXPECT_TRUE(m_prompt.m_messages.empty());
    EXPECT_EQ(CDBase::Instance()->GetCount(), 0);
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_EQ(Doc()->GetTitle(), CPathOf("empty.zdc"));
}

TEST_F(DocumentTest, CancellingTheSaveQuestionCancelsTheOpen)
{
    ASSERT_TRUE(Start());
    SaveEveryCurve("first.zdc");
    Doc()->SetModifiedFlag(TRUE);
    m_prompt.m_answers.push_back(IDCANCEL);
    m_prompt.m_paths.push_back(CPathOf("first.zdc"));
    const size_t requests = m_prompt.m_fileRequests.size();
    Doc()->OnFileOpen();
    EXPECT_EQ(m_prompt.m_fileRequests.size(), requests) << "no open dialog";
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_EQ(CDBase::Instance()->GetCount(), 10);

    // Yes with a save that does not happen (dialog cancelled on a new
    // document) must not drop the drawing either.
    Doc()->SetModifiedFlag(FALSE);
    m_app->OnFileNew();
    AddCurveEntities(MakeEveryCurve());
    Doc()->SetModifiedFlag(TRUE);
    m_prompt.m_paths.clear();
    m_prompt.m_answers.push_back(IDYES);
    Doc()->OnFileOpen();
    EXPECT_EQ(CDBase::Instance()->GetCount(), 10);
}

}  // namespace
