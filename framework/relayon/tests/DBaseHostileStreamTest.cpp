// Database streams written by hand with the real classes' records but object
// references chosen freely: back-references to the object being loaded, to a
// member another object owns, repeats, and objects of the wrong kind in each
// list. Each is a damaged file: the load throws the archive exception, the
// database keeps what it held, and (under the sanitizers) nothing is freed
// twice or leaked.
#include "framework/db/DbCurve.h"
#include "framework/db/DbUnion.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/DBase.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeLine.h"
#include "platform/core/Archive.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const double kP[2] = {0, 0}, kQ[2] = {10, 5};

// Starts the record of a new entity: its class, its place in the object map
// (so that later records may refer to it) and its entity fields. The caller
// writes the rest of the record.
void BeginEntity(CArchive& ar, CDbEntity& entity)
{
    ar.WriteClass(entity.GetRuntimeClass());
    ar.MapObject(&entity);
    entity.CDbEntity::Serialize(ar);
}

void Tail(CArchive& ar) { ar << 1 << 1 << 1; }  // current layer id, guide lines and paths shown

void NoLayers(CArchive& ar) { ar.WriteCount(0); }

struct StreamRow {
    const char* label;
    int cause;  // expected CArchiveException cause; none for the stream that loads
    void (*write)(CArchive& ar);  // everything after the note and version
};

const StreamRow kRows[] = {
    {"well-formed: a line entity and a group of one, one layer", CArchiveException::none,
     [](CArchive& ar) {
         CDbCurve line(new CGeLine(kP, kQ));
         CDbUnion group;
         ar.WriteCount(2);
         ar << static_cast<const CObject*>(&line);
         BeginEntity(ar, group);
         ar.WriteCount(1);
         CDbCurve member(new CGeLine(kQ, kP));
         ar << static_cast<const CObject*>(&member);
         CLayer layer(CString(L"A"));
         ar.WriteCount(1);
         ar << static_cast<const CObject*>(&layer);
         Tail(ar);
     }},
    {"curve entity whose curve is itself", CArchiveException::badClass,
     [](CArchive& ar) {
         CDbCurve entity;
         ar.WriteCount(1);
         BeginEntity(ar, entity);
         ar << static_cast<const CObject*>(&entity);
         NoLayers(ar);
         Tail(ar);
     }},
    {"curve entity whose curve is another entity's", CArchiveException::badIndex,
     [](CArchive& ar) {
         CDbCurve first(new CGeLine(kP, kQ)), second;
         ar.WriteCount(2);
         ar << static_cast<const CObject*>(&first);
         BeginEntity(ar, second);
         ar << static_cast<const CObject*>(first.GetCurve());
         NoLayers(ar);
         Tail(ar);
     }},
    {"entity list names one entity twice", CArchiveException::badIndex,
     [](CArchive& ar) {
         CDbCurve entity(new CGeLine(kP, kQ));
         ar.WriteCount(2);
         ar << static_cast<const CObject*>(&entity) << static_cast<const CObject*>(&entity);
         NoLayers(ar);
         Tail(ar);
     }},
    {"entity list names the curve an entity owns", CArchiveException::badClass,
     [](CArchive& ar) {
         CDbCurve entity(new CGeLine(kP, kQ));
         ar.WriteCount(2);
         ar << static_cast<const CObject*>(&entity) << static_cast<const CObject*>(entity.GetCurve());
         NoLayers(ar);
         Tail(ar);
     }},
    {"entity list names a group's member", CArchiveException::badIndex,
     [](CArchive& ar) {
         CDbUnion group;
         auto* member = new CDbCurve(new CGeLine(kP, kQ));
         group.AddEntity(member);
         ar.WriteCount(2);
         ar << static_cast<const CObject*>(&group) << static_cast<const CObject*>(member);
         NoLayers(ar);
         Tail(ar);
     }},
    {"entity list holds a new curve", CArchiveException::badClass,
     [](CArchive& ar) {
         CGeLine line(kP, kQ);
         ar.WriteCount(1);
         ar << static_cast<const CObject*>(&line);
         NoLayers(ar);
         Tail(ar);
     }},
    {"entity list holds a layer", CArchiveException::badClass,
     [](CArchive& ar) {
         CLayer layer(CString(L"A"));
         ar.WriteCount(1);
         ar << static_cast<const CObject*>(&layer);
         NoLayers(ar);
         Tail(ar);
     }},
    {"layer list holds a new entity", CArchiveException::badClass,
     [](CArchive& ar) {
         CDbCurve entity(new CGeLine(kP, kQ));
         ar.WriteCount(0);
         ar.WriteCount(1);
         ar << static_cast<const CObject*>(&entity);
         Tail(ar);
     }},
    {"layer list names a loaded group after good entities", CArchiveException::badClass,
     [](CArchive& ar) {
         CDbCurve line(new CGeLine(kP, kQ));
         CDbUnion group;
         group.AddEntity(new CDbCurve(new CGeLine(kQ, kP)));
         ar.WriteCount(2);
         ar << static_cast<const CObject*>(&line) << static_cast<const CObject*>(&group);
         ar.WriteCount(1);
         ar << static_cast<const CObject*>(&group);
         Tail(ar);
     }},
    {"layer list names one layer twice", CArchiveException::badIndex,
     [](CArchive& ar) {
         CLayer layer(CString(L"A"));
         ar.WriteCount(0);
         ar.WriteCount(2);
         ar << static_cast<const CObject*>(&layer) << static_cast<const CObject*>(&layer);
         Tail(ar);
     }},
    {"group that holds itself", CArchiveException::badIndex,
     [](CArchive& ar) {
         CDbUnion group;
         ar.WriteCount(1);
         BeginEntity(ar, group);
         ar.WriteCount(1);
         ar << static_cast<const CObject*>(&group);
         NoLayers(ar);
         Tail(ar);
     }},
    {"group that names one member twice", CArchiveException::badIndex,
     [](CArchive& ar) {
         CDbUnion group;
         CDbCurve member(new CGeLine(kP, kQ));
         ar.WriteCount(1);
         BeginEntity(ar, group);
         ar.WriteCount(2);
         ar << static_cast<const CObject*>(&member) << static_cast<const CObject*>(&member);
         NoLayers(ar);
         Tail(ar);
     }},
    {"group member is an earlier entity's curve", CArchiveException::badClass,
     [](CArchive& ar) {
         CDbCurve line(new CGeLine(kP, kQ));
         CDbUnion group;
         ar.WriteCount(2);
         ar << static_cast<const CObject*>(&line);
         BeginEntity(ar, group);
         ar.WriteCount(1);
         ar << static_cast<const CObject*>(line.GetCurve());
         NoLayers(ar);
         Tail(ar);
     }},
    {"composite curve whose member is itself", CArchiveException::badIndex,
     [](CArchive& ar) {
         CDbCurve entity;
         CGeCombCurve composite;
         ar.WriteCount(1);
         BeginEntity(ar, entity);
         ar.WriteClass(composite.GetRuntimeClass());
         ar.MapObject(&composite);
         composite.CGeCurve::Serialize(ar);
         ar.WriteCount(1);
         ar << static_cast<const CObject*>(&composite);
         NoLayers(ar);
         Tail(ar);
     }},
};

class DBaseHostileStreamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gNewQVGlobal()->SetVersion(kDocVersionCurrent);
        CDbEntity::SetMaxHandle(0);
        geometry::testing::SetLayerCounter(0);
        CLayer::SetCurrentLayerID(0);
        CDBase::Instance()->InitLayer();
    }
    void TearDown() override
    {
        CDBase::Uninstance();
        looker::testing::ResetAppSlots();
        looker::testing::ResetQVGlobal();
    }

    static std::vector<BYTE> Stream(const StreamRow& row)
    {
        CMemFile file;
        {
            CArchive ar(&file, CArchive::store);
            ar << CString(L"hostile") << static_cast<std::int32_t>(kDocVersionCurrent);
            row.write(ar);
            ar.Close();
        }
        return std::vector<BYTE>(file.GetData(), file.GetData() + file.GetLength());
    }
};

TEST_F(DBaseHostileStreamTest, DamagedStreamsFailWholeAndKeepTheDatabase)
{
    CDBase* db = CDBase::Instance();
    db->AddTail(dbGenLine(kP, kQ));
    db->SetNote(CString(L"mine"));
    for (const StreamRow& row : kRows) {
        const std::vector<BYTE> bytes = Stream(row);
        CMemFile in(const_cast<BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
        CArchive ar(&in, CArchive::load);
        if (row.cause == CArchiveException::none) {
            CDBase trial;
            ASSERT_NO_THROW(trial.Serialize(ar)) << row.label;
            ASSERT_EQ(trial.GetCount(), 2) << row.label;
            auto* group = dynamic_cast<CDbUnion*>(trial.GetEntities().GetTail());
            ASSERT_NE(group, nullptr) << row.label;
            EXPECT_EQ(group->GetCount(), 1) << row.label;
            EXPECT_EQ(trial.GetLayerCnt(), 1) << row.label;
            continue;
        }
        try {
            db->Serialize(ar);
            ADD_FAILURE() << row.label << ": loaded";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, row.cause) << row.label;
        }
        EXPECT_EQ(db->GetCount(), 1) << row.label;
        EXPECT_EQ(db->GetLayerCnt(), 1) << row.label;
        EXPECT_EQ(db->GetNote(), CString(L"mine")) << row.label;
        BOX2<double> box;
        ASSERT_TRUE(db->GetBox2D(&box)) << row.label;
        EXPECT_DOUBLE_EQ(box.xmax, 10.0) << row.label;
    }
}

}  // namespace
