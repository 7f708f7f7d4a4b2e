// Layers (ids from the process-wide counter, flags, archive record), user
// variables and the machining attribute record.
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GcGeom.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeHit.h"
#include "geometry/shapes2d/Layer.h"
#include "geometry/shapes2d/UserVar.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

// Stores the object and returns the archive's bytes.
std::unique_ptr<CMemFile> Store(CObject* obj)
{
    auto file = std::make_unique<CMemFile>();
    CArchive ar(file.get(), CArchive::store);
    ar << obj;
    ar.Close();
    file->SeekToBegin();
    return file;
}

std::unique_ptr<CObject> Load(CMemFile& file)
{
    CArchive ar(&file, CArchive::load);
    CObject* obj = nullptr;
    ar >> obj;
    ar.Close();
    return std::unique_ptr<CObject>(obj);
}

class LayerTest : public ::testing::Test {
protected:
    void SetUp() override { geometry::testing::SetLayerCounter(0); }
    void TearDown() override { geometry::testing::SetLayerCounter(0); }
};

TEST_F(LayerTest, IdsComeFromTheCounter)
{
    CLayer first;
    CLayer second(CString(L"Cut"));
    EXPECT_EQ(first.GetID(), 1);
    EXPECT_EQ(second.GetID(), 2);
    EXPECT_EQ(second.GetName(), CString(L"Cut"));
    EXPECT_EQ(first.GetColor(), 0u);
    EXPECT_EQ(first.IsVisible(), 1);
    EXPECT_EQ(first.IsLocked(), 0);
    first.SetID(40);
    EXPECT_EQ(CLayer().GetID(), 3) << "SetID leaves the counter alone";
}

TEST_F(LayerTest, LoadingRaisesTheCounter)
{
    struct Row {
        const char* label;
        int counter;  // counter before loading
        int loadedId;
        int next;     // id of the next new layer
    };
    const Row rows[] = {
        {"loaded id above the counter", 3, 10, 11},
        {"loaded id below the counter", 5, 1, 6},
        {"loaded id equal to the counter", 4, 4, 5},
    };
    for (const Row& r : rows) {
        geometry::testing::SetLayerCounter(0);
        CLayer stored;
        stored.SetID(r.loadedId);
        stored.SetColor(RGB(1, 2, 3));
        stored.SetName(CString(L"Engrave"));
        stored.SetLock(1);
        auto file = Store(&stored);
        geometry::testing::SetLayerCounter(r.counter);
        auto back = Load(*file);
        auto* layer = dynamic_cast<CLayer*>(back.get());
        ASSERT_NE(layer, nullptr) << r.label;
        EXPECT_EQ(layer->GetID(), r.loadedId) << r.label;
        EXPECT_EQ(layer->GetColor(), RGB(1, 2, 3)) << r.label;
        EXPECT_EQ(layer->GetName(), CString(L"Engrave")) << r.label;
        EXPECT_EQ(layer->IsLocked(), 1) << r.label;
        EXPECT_EQ(layer->IsVisible(), 1) << r.label;
        EXPECT_EQ(CLayer().GetID(), r.next) << r.label;
    }
}

// A stored id so high that the next new layer's id would overflow is damage
// (found by fuzzing: the counter went past the largest int).
TEST_F(LayerTest, IdsLeavingNoRoomForNewLayersAreDamage)
{
    struct Row {
        const char* label;
        int loadedId;
        bool loads;
    };
    const Row rows[] = {{"id 2^30", 1 << 30, true}, {"id 2^30 + 1", (1 << 30) + 1, false},
                        {"largest int", std::numeric_limits<int>::max(), false}};
    for (const Row& r : rows) {
        geometry::testing::SetLayerCounter(0);
        CLayer stored;
        stored.SetID(r.loadedId);
        auto file = Store(&stored);
        int cause = CArchiveException::none;
        std::unique_ptr<CObject> back;
        try {
            back = Load(*file);
        } catch (const CArchiveException& e) {
            cause = e.m_cause;
        }
        EXPECT_EQ(cause, r.loads ? CArchiveException::none : CArchiveException::genericException) << r.label;
        if (r.loads) {
            EXPECT_EQ(CLayer().GetID(), r.loadedId + 1) << r.label;
        }
    }
}

TEST_F(LayerTest, FlagsAndRecordLayout)
{
    CLayer layer(CString(L"AB"));
    layer.SetInVisible();
    layer.SetInVisible();
    EXPECT_EQ(layer.IsVisible(), 0) << "twice stays invisible";
    layer.SetLock(5);
    EXPECT_EQ(layer.IsLocked(), 1);
    layer.SetVisible();
    EXPECT_EQ(layer.IsVisible(), 1);
    EXPECT_EQ(layer.IsLocked(), 1) << "the flags are independent";
    layer.SetLock(0);
    EXPECT_EQ(layer.IsLocked(), 0);

    CLayer::SetCurrentLayerID(7);
    EXPECT_EQ(CLayer::GetCurrentLayerID(), 7);
    CLayer::SetCurrentLayerID(0);

    // Class record (0xFFFF, schema 2, length 6, "CLayer"), colour, id, flags and the
    // name as a Unicode string: 0xFF, 0xFFFE, length byte, two UTF-16 characters.
    auto file = Store(&layer);
    EXPECT_EQ(file->GetLength(), 2u + 2u + 2u + 6u + 4u + 4u + 4u + (1u + 2u + 1u + 4u));
    BYTE head[4] = {};
    file->Read(head, 4);
    EXPECT_EQ(head[2], 2) << "schema 2";
}

TEST(UserVarTest, RecordRoundTripsWithSchema12)
{
    CUserVar var;
    EXPECT_TRUE(var.m_strName.IsEmpty());
    EXPECT_EQ(var.m_dValue, 0.0);
    var.m_strName = L"thickness";
    var.m_strValue = L"3 mm";
    var.m_dValue = 3.0;
    auto file = Store(&var);
    BYTE head[4] = {};
    file->Read(head, 4);
    EXPECT_EQ(head[2], 12) << "schema 12";
    file->SeekToBegin();
    auto back = Load(*file);
    auto* loaded = dynamic_cast<CUserVar*>(back.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->m_strName, CString(L"thickness"));
    EXPECT_EQ(loaded->m_strValue, CString(L"3 mm"));
    EXPECT_EQ(loaded->m_dValue, 3.0);
}

CGcGeom Geom(int a, int b, int c, BYTE k, float f)
{
    CGcGeom g;
    g.m_n1 = a;
    g.m_n2 = b;
    g.m_n3 = c;
    g.m_b = k;
    g.m_f = f;
    return g;
}

TEST(GcGeomTest, Comparisons)
{
    const CGcGeom fresh;
    EXPECT_EQ(fresh.m_n1, 0);
    EXPECT_EQ(fresh.m_n2, 0);
    EXPECT_EQ(fresh.m_n3, 1);
    EXPECT_EQ(fresh.m_b, 0);
    struct Row {
        const char* label;
        CGcGeom a, b;
        int same, sameEx;
    };
    const Row rows[] = {
        {"equal", Geom(1, 2, 3, 4, 0.5f), Geom(1, 2, 3, 4, 0.5f), 1, 1},
        {"float differs", Geom(1, 2, 3, 4, 0.5f), Geom(1, 2, 3, 4, 9.0f), 1, 1},
        {"byte differs", Geom(1, 2, 3, 4, 0.5f), Geom(1, 2, 3, 5, 0.5f), 0, 1},
        {"third differs", Geom(1, 2, 3, 4, 0.5f), Geom(1, 2, 7, 4, 0.5f), 0, 0},
        {"first differs", Geom(1, 2, 3, 4, 0.5f), Geom(9, 2, 3, 4, 0.5f), 0, 0},
        {"first integers 0, all equal", Geom(0, 2, 3, 4, 0.5f), Geom(0, 2, 3, 4, 0.5f), 1, -1},
        {"other's second integer 0", Geom(1, 2, 3, 4, 0.5f), Geom(1, 0, 3, 4, 0.5f), 0, -1},
        {"own second integer 0", Geom(1, 0, 3, 4, 0.5f), Geom(5, 6, 7, 4, 0.5f), 0, -1},
        {"defaults", CGcGeom(), CGcGeom(), 1, -1},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.a.IsSame(r.b), r.same) << r.label;
        EXPECT_EQ(r.a.IsSameEx(r.b), r.sameEx) << r.label;
        EXPECT_EQ(r.b.IsSameEx(r.a), r.sameEx) << r.label << " (swapped)";
    }
    CGcGeom copy;
    copy = Geom(1, 2, 3, 4, 0.25f);
    EXPECT_EQ(copy.m_f, 0.25f) << "assignment copies all five";
}

TEST(GcGeomTest, StoredFromVersion6Only)
{
    CQVGlobal settings;
    gSetQVGlobal(&settings);
    struct Row {
        const char* label;
        int version;
        bool withSettings;
        ULONGLONG bytes;
    };
    const Row rows[] = {{"version 6", 6, true, 17}, {"version 12", 12, true, 17}, {"version 5", 5, true, 0},
                        {"no settings", 12, false, 0}};
    for (const Row& r : rows) {
        settings.SetVersion(r.version);
        gSetQVGlobal(r.withSettings ? &settings : nullptr);
        CGcGeom g = Geom(-1, 2, 3, 200, 1.5f);
        CMemFile file;
        {
            CArchive ar(&file, CArchive::store);
            g.Serialize(ar);
            ar << int(0x55AA55AA);
            ar.Close();
        }
        EXPECT_EQ(file.GetLength(), r.bytes + 4u) << r.label;
        file.SeekToBegin();
        CGcGeom back;
        int marker = 0;
        {
            CArchive ar(&file, CArchive::load);
            back.Serialize(ar);
            ar >> marker;
            ar.Close();
        }
        EXPECT_EQ(marker, 0x55AA55AA) << r.label;
        if (r.bytes) {
            EXPECT_EQ(back.IsSame(g), 1) << r.label;
            EXPECT_EQ(back.m_f, 1.5f) << r.label;
        } else {
            EXPECT_EQ(back.m_n3, 1) << r.label << ": nothing read";
        }
    }
    gSetQVGlobal(nullptr);
}

TEST(GeHitTest, HitOnAnArcFillsTheRecordButIsNoLine)
{
    CGeHit hit;
    EXPECT_EQ(hit.m_pCurve, nullptr);
    EXPECT_EQ(hit.m_nSegment, -1);
    EXPECT_EQ(hit.m_dParam, -1.0);
    EXPECT_EQ(hit.m_dValue2, -1.0);

    CGeArc arc;
    const double c[2] = {0, 0};
    ASSERT_EQ(arc.CreateCSEAngle(c, 5, 0, 3.14159265358979 / 2), 1);
    CPickRay ray;
    ray.m_pt[0] = 3.0;
    ray.m_pt[1] = 4.1;
    ray.m_dAperture = 0.2;
    ASSERT_EQ(arc.Hit(ray, hit), 1);
    EXPECT_EQ(hit.m_pCurve, &arc);
    EXPECT_EQ(hit.m_nSegment, 1);
    EXPECT_NEAR(hit.m_pt[0] * hit.m_pt[0] + hit.m_pt[1] * hit.m_pt[1], 25.0, 1e-9);
    EXPECT_EQ(hit.m_dValue1, -1.0) << "kept from Init";
    EXPECT_EQ(hit.IsHitLine(), nullptr) << "an arc is not a straight piece";
    CGeHit copy;
    copy = hit;
    EXPECT_EQ(copy.m_dParam, hit.m_dParam);
}

}  // namespace
