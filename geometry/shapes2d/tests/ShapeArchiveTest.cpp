// Archive records of the storable 2D classes: exact bytes per class (built
// here by an independent little-endian writer), version gates, class
// back-references, a round trip of every class, and hostile input.
#include "framework/looker/QVGlobal.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GePoint.h"
#include "geometry/shapes2d/GeRegion.h"
#include "geometry/shapes2d/Layer.h"
#include "geometry/shapes2d/UserVar.h"
#include "geometry/shapes2d/tests/LoopTestUtil.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace looptest;
using Bytes = std::vector<std::uint8_t>;

constexpr double kPi = 3.14159265358979323846;

// Little-endian record writer, independent of the archive.
struct Rec {
    Bytes b;
    template <class T>
    Rec& put(T v)
    {
        std::uint8_t raw[sizeof(T)];
        std::memcpy(raw, &v, sizeof(T));
        b.insert(b.end(), raw, raw + sizeof(T));
        return *this;
    }
    Rec& u16(std::uint16_t v) { return put(v); }
    Rec& u32(std::uint32_t v) { return put(v); }
    Rec& i32(std::int32_t v) { return put(v); }
    Rec& f64(double v) { return put(v); }
    // A new class: 0xFFFF, schema, name length, name.
    Rec& cls(const char* name, std::uint16_t schema)
    {
        u16(0xFFFF).u16(schema).u16(static_cast<std::uint16_t>(std::strlen(name)));
        b.insert(b.end(), name, name + std::strlen(name));
        return *this;
    }
    // A class seen before, by its index.
    Rec& clsRef(std::uint16_t index) { return u16(static_cast<std::uint16_t>(0x8000 | index)); }
    // Shape part and curve part.
    Rec& head(std::uint32_t handle, std::int32_t closed) { return u32(handle).i32(closed); }
    Rec& line(double x1, double y1, double x2, double y2) { return head(0, 0).f64(x1).f64(y1).f64(x2).f64(y2); }
    // Unicode string record of short UTF-16 text.
    Rec& str(const std::u16string& s)
    {
        put<std::uint8_t>(0xFF).u16(0xFFFE).put<std::uint8_t>(static_cast<std::uint8_t>(s.size()));
        for (char16_t c : s) u16(static_cast<std::uint16_t>(c));
        return *this;
    }
    Rec& raw(const Bytes& more)
    {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
};

class ShapeArchiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gNewQVGlobal()->SetVersion(kDocVersionCurrent);
        CGeShape2d::SetMaxHandle(0);
    }
    void TearDown() override
    {
        looker::testing::ResetQVGlobal();
        CGeShape2d::SetMaxHandle(0);
    }

    static Bytes Store(const std::function<void(CArchive&)>& write)
    {
        CMemFile file;
        {
            CArchive ar(&file, CArchive::store);
            write(ar);
            ar.Close();
        }
        return Bytes(file.GetData(), file.GetData() + file.GetLength());
    }
    static Bytes StoreObject(const CObject* ob)
    {
        return Store([ob](CArchive& ar) { ar << ob; });
    }
    // Loads one object record; the archive exception propagates.
    static std::unique_ptr<CObject> LoadObject(Bytes bytes)
    {
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        CArchive ar(&file, CArchive::load);
        CObject* ob = nullptr;
        ar >> ob;
        return std::unique_ptr<CObject>(ob);
    }
    // -1 loaded, otherwise the archive exception's cause.
    static int LoadCause(const Bytes& bytes)
    {
        try {
            LoadObject(bytes);
        } catch (const CArchiveException& e) {
            return e.m_cause;
        }
        return -1;
    }
};

// ---------------------------------------------------------------------------
// Golden bytes

TEST_F(ShapeArchiveTest, RecordsHaveTheFixedLayoutPerClass)
{
    struct Row {
        const char* label;
        std::function<CObject*()> make;
        Bytes expected;
        size_t recordBytes;  // after the first class record; 0 = not checked
    };
    const char16_t layerName[] = u"切割层";
    std::vector<Row> rows;

    rows.push_back({"point (schema 3, x and y after the curve part)",
                    [] {
                        const double p[2] = {1.5, -2.0};
                        auto* pt = new CGePoint(p);
                        pt->SetHandle(7);
                        return pt;
                    },
                    Rec().cls("CGePoint", 3).head(7, 0).f64(1.5).f64(-2.0).b, 24});
    rows.push_back({"line",
                    [] {
                        CGeLine* l = Line({1, 2}, {3, 4});
                        l->SetHandle(0x01020304);
                        return l;
                    },
                    Rec().cls("CGeLine", 2).head(0x01020304, 0).f64(1).f64(2).f64(3).f64(4).b, 40});
    rows.push_back({"arc",
                    [] {
                        // The start direction is stored as constructed (radius
                        // long), also after an evaluation: queries do not write.
                        CGeArc* arc = Arc({1, 2}, 3, 0, kPi / 2);
                        Start(arc);
                        return arc;
                    },
                    Rec().cls("CGeArc", 2).head(0, 0).f64(1).f64(2).f64(3).f64(3).f64(0).f64(kPi / 2).b, 56});
    rows.push_back({"circle",
                    [] {
                        const double c[2] = {-1, 5};
                        auto* circle = new CGeCircle(c, 2.5, 0);
                        circle->SetClosedFlag(1);
                        return circle;
                    },
                    Rec().cls("CGeCircle", 2).head(0, 1).f64(-1).f64(5).f64(2.5).i32(0).b, 36});
    rows.push_back({"ellipse",
                    [] {
                        const double c[2] = {0, 1};
                        return new CGeEllipse(c, 4, 2, 0.5, 1);
                    },
                    Rec().cls("CGeEllipse", 2).head(0, 1).f64(0).f64(1).f64(4).f64(2).f64(0.5).i32(1).b, 52});
    {
        Rec bez;
        bez.cls("CGeBezier", 2).head(0, 0).i32(7);
        CBezierNode nodes[7];
        for (int i = 0; i < 7; ++i) {
            nodes[i].x = i;
            nodes[i].y = i * i * 0.5;
            nodes[i].kind = i % 3;
            bez.f64(nodes[i].x).f64(nodes[i].y).i32(nodes[i].kind);
        }
        rows.push_back({"Bezier of 7 nodes, node by node",
                        [nodes]() mutable {
                            auto* b = new CGeBezier;
                            b->CreateEx(7, nodes);
                            b->SetClosedFlag(0);
                            return b;
                        },
                        bez.b, 12 + 20 * 7});
    }
    rows.push_back({"polyline of 3 vertices",
                    [] { return Poly({{0, 0}, {1, 0}, {1, 2}}); },
                    Rec().cls("CGePolyline", 2).head(0, 0).i32(3).f64(0).f64(0).f64(1).f64(0).f64(1).f64(2).b,
                    12 + 16 * 3});
    // Class indices: composite class 1, composite 2, line class 3, first line 4.
    rows.push_back({"composite with a member list",
                    [] {
                        auto* comb = new CGeCombCurve;
                        comb->AddTail(Line({0, 0}, {1, 0}), 0);
                        comb->AddTail(Line({1, 0}, {1, 1}), 1);
                        return comb;
                    },
                    Rec()
                        .cls("CGeCombCurve", 2)
                        .head(0, 0)
                        .u16(2)
                        .cls("CGeLine", 2)
                        .line(0, 0, 1, 0)
                        .clsRef(3)
                        .line(1, 0, 1, 1)
                        .b,
                    0});
    rows.push_back({"loop: member list, then flags",
                    [] {
                        CGeLoop* loop = LineLoop({{0, 0}, {1, 0}, {0, 1}});
                        loop->SetOuterFlag();
                        return loop;
                    },
                    Rec()
                        .cls("CGeLoop", 2)
                        .head(0, 1)
                        .u16(3)
                        .cls("CGeLine", 2)
                        .line(0, 0, 1, 0)
                        .clsRef(3)
                        .line(1, 0, 0, 1)
                        .clsRef(3)
                        .line(0, 1, 0, 0)
                        .i32(9)
                        .b,
                    0});
    // Region class 1, region 2, loop class 3, loop 4, line class 5, lines 6
    // and 7, second loop by class index 3.
    rows.push_back({"region: loop records, the second by class index",
                    [] {
                        auto* region = new CGeRegion;
                        auto* a = new CGeLoop;
                        a->AddTail(Line({0, 0}, {2, 0}), 0);
                        a->AddTail(Line({2, 0}, {0, 0}), 1);
                        auto* b = new CGeLoop;
                        b->AddTail(Line({5, 5}, {6, 5}), 1);
                        region->GetLoopList().AddTail(a);
                        region->GetLoopList().AddTail(b);
                        return region;
                    },
                    Rec()
                        .cls("CGeRegion", 2)
                        .head(0, 0)
                        .u16(2)
                        .cls("CGeLoop", 2)
                        .head(0, 0)
                        .u16(2)
                        .cls("CGeLine", 2)
                        .line(0, 0, 2, 0)
                        .clsRef(5)
                        .line(2, 0, 0, 0)
                        .i32(8)
                        .clsRef(3)
                        .head(0, 0)
                        .u16(1)
                        .clsRef(5)
                        .line(5, 5, 6, 5)
                        .i32(8)
                        .b,
                    0});
    rows.push_back({"layer with a Chinese name",
                    [] {
                        auto* layer = new CLayer(CString(L"切割层"));
                        layer->SetID(5);
                        layer->SetColor(0x00112233);
                        layer->SetLock(1);
                        return layer;
                    },
                    Rec().cls("CLayer", 2).u32(0x00112233).i32(5).i32(3).str(layerName).b, 4 + 4 + 4 + 4 + 6});
    rows.push_back({"user variable, schema 12",
                    [] {
                        auto* var = new CUserVar;
                        var->m_strName = CString(L"w");
                        var->m_strValue = CString(L"板");
                        var->m_dValue = 2.25;
                        return var;
                    },
                    Rec().cls("CUserVar", 12).str(u"w").str(u"板").f64(2.25).b, 6 + 6 + 8});

    for (const Row& row : rows) {
        std::unique_ptr<CObject> ob(row.make());
        const Bytes got = StoreObject(ob.get());
        EXPECT_EQ(got, row.expected) << row.label;
        if (row.recordBytes) {
            const CRuntimeClass* rc = ob->GetRuntimeClass();
            const size_t classRecord = 6 + std::strlen(rc->m_lpszClassName);
            EXPECT_EQ(got.size() - classRecord, row.recordBytes) << row.label;
        }
        // Whatever was written is read back to the same bytes.
        std::unique_ptr<CObject> back = LoadObject(got);
        ASSERT_NE(back, nullptr) << row.label;
        const Bytes again = StoreObject(back.get());
        size_t diff = 0;
        while (diff < again.size() && diff < got.size() && again[diff] == got[diff]) ++diff;
        EXPECT_EQ(again, got) << row.label << ": first difference at byte " << diff;
    }
}

// ---------------------------------------------------------------------------
// Version gates

TEST_F(ShapeArchiveTest, HandleIsWrittenAlwaysAndReadFromVersion6)
{
    std::unique_ptr<CGeLine> line(Line({1, 2}, {3, 4}));
    line->SetHandle(77);
    CGeShape2d::SetMaxHandle(0);
    struct Row {
        const char* label;
        std::int32_t storeVersion;
        std::int32_t loadVersion;
        bool withHandle;  // the record holds a handle
        std::uint32_t handle;
    };
    const Row rows[] = {
        {"stored and loaded at 12", 12, 12, true, 77},
        {"loaded at 6", 12, 6, true, 77},
        {"stored at 5 still writes the handle", 5, 12, true, 77},
        {"an old record without handle loaded at 5", 0, 5, false, 0},
    };
    for (const Row& row : rows) {
        Bytes bytes;
        if (row.withHandle) {
            gGetQVGlobal()->SetVersion(row.storeVersion);
            bytes = StoreObject(line.get());
            EXPECT_EQ(bytes.size(), 6u + 7u + 40u) << row.label;
        } else {
            bytes = Rec().cls("CGeLine", 2).i32(0).f64(1).f64(2).f64(3).f64(4).b;
        }
        gGetQVGlobal()->SetVersion(row.loadVersion);
        std::unique_ptr<CObject> ob = LoadObject(bytes);
        auto* back = dynamic_cast<CGeLine*>(ob.get());
        ASSERT_NE(back, nullptr) << row.label;
        EXPECT_EQ(back->GetHandle(), row.handle) << row.label;
        EXPECT_EQ(End(back).y, 4.0) << row.label;
        EXPECT_EQ(CGeShape2d::GetMaxHandle(), 0u) << row.label << ": the counter is not touched";
    }
}

TEST_F(ShapeArchiveTest, PointOfSchema2StillLoads)
{
    // Schema 2 records hold no coordinates: the point comes back at (0, 0).
    const Bytes old = Rec().cls("CGePoint", 2).head(9, 0).i32(0x5A5A5A5A).b;
    CMemFile file(const_cast<std::uint8_t*>(old.data()), static_cast<UINT>(old.size()));
    CArchive ar(&file, CArchive::load);
    CObject* ob = nullptr;
    ar >> ob;
    std::unique_ptr<CObject> owned(ob);
    int marker = 0;
    ar >> marker;
    auto* point = dynamic_cast<CGePoint*>(ob);
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(point->GetHandle(), 9u);
    EXPECT_EQ(point->x, 0.0);
    EXPECT_EQ(marker, 0x5A5A5A5A) << "nothing read past the record";
}

// ---------------------------------------------------------------------------
// Round trip of every class

TEST_F(ShapeArchiveTest, MixedListRoundTripsFieldByField)
{
    CObList list;
    const double pc[2] = {3, 4};
    auto* point = new CGePoint(pc);
    const double c[2] = {1, 1};
    auto* circle = new CGeCircle(c, 2, 0);
    auto* ellipse = new CGeEllipse(c, 3, 1, 0.25, 1);
    CBezierNode nodes[4] = {{0, 0, 1}, {1, 2, 0}, {3, 2, 0}, {4, 0, 1}};
    auto* bezier = new CGeBezier;
    bezier->CreateEx(4, nodes);
    auto* comb = new CGeCombCurve;
    comb->AddTail(Line({0, 0}, {1, 0}), 0);
    comb->AddTail(Arc({1, 1}, 1, -kPi / 2, 0), 1);
    CGeLoop* loop = Square(0, 0, 3);
    loop->SetOuterFlag();
    loop->SetUsedFlag(1);
    auto* region = new CGeRegion;
    CGeLoop* outer = Square(0, 0, 10);
    CGeLoop* hole = Square(4, 4, 2, false);
    outer->EvArea(0.01);
    hole->EvArea(0.01);
    region->GetLoopList().AddTail(outer);
    region->GetLoopList().AddTail(hole);
    auto* layer = new CLayer(CString(L"图层"));
    layer->SetColor(0x00ABCDEF);
    auto* var = new CUserVar;
    var->m_strName = CString(L"n");
    var->m_strValue = CString(L"v");
    var->m_dValue = -1.5;
    CGeLine* line = Line({-1, -2}, {5, 6});
    line->SetHandle(41);
    list.AddTail(point);
    list.AddTail(line);
    list.AddTail(Arc({0, 0}, 2, 0.5, 2.0));
    list.AddTail(circle);
    list.AddTail(ellipse);
    list.AddTail(bezier);
    list.AddTail(Poly({{0, 0}, {1, 1}, {2, 0}, {3, 1}}));
    list.AddTail(comb);
    list.AddTail(loop);
    list.AddTail(region);
    list.AddTail(layer);
    list.AddTail(var);

    const Bytes bytes = Store([&list](CArchive& ar) { list.Serialize(ar); });
    CObList back;
    {
        CMemFile file(const_cast<std::uint8_t*>(bytes.data()), static_cast<UINT>(bytes.size()));
        CArchive ar(&file, CArchive::load);
        back.Serialize(ar);
    }
    ASSERT_EQ(back.GetCount(), list.GetCount());
    POSITION p = list.GetHeadPosition(), q = back.GetHeadPosition();
    while (p && q) {
        CObject* a = list.GetNext(p);
        CObject* b = back.GetNext(q);
        const char* name = a->GetRuntimeClass()->m_lpszClassName;
        ASSERT_EQ(std::string(b->GetRuntimeClass()->m_lpszClassName), name);
        if (auto* ca = dynamic_cast<CGeCurve*>(a)) {
            auto* cb = static_cast<CGeCurve*>(b);
            EXPECT_EQ(cb->GetType(), ca->GetType()) << name;
            EXPECT_EQ(cb->GetHandle(), ca->GetHandle()) << name;
            EXPECT_EQ(cb->GetClosedFlag(), ca->GetClosedFlag()) << name;
            if (ca->GetType() != 0) {  // regions have no end points of their own
                EXPECT_EQ(Start(cb).x, Start(ca).x) << name;
                EXPECT_EQ(Start(cb).y, Start(ca).y) << name;
                EXPECT_EQ(End(cb).x, End(ca).x) << name;
                EXPECT_EQ(End(cb).y, End(ca).y) << name;
            }
            EXPECT_EQ(cb->GetSegmentCount(), ca->GetSegmentCount()) << name;
        }
    }
    auto at = [&back](int i) { return back.GetAt(back.FindIndex(i)); };
    auto* p2 = static_cast<CGePoint*>(at(0));
    EXPECT_EQ(p2->x, 3.0);
    EXPECT_EQ(p2->y, 4.0);
    EXPECT_EQ(static_cast<CGeLine*>(at(1))->GetHandle(), 41u);
    auto* c2 = static_cast<CGeCircle*>(at(3));
    EXPECT_EQ(c2->GetRadius(), 2.0);
    EXPECT_EQ(c2->GetDirection(), 0);
    auto* e2 = static_cast<CGeEllipse*>(at(4));
    EXPECT_EQ(e2->GetRotation(), 0.25);
    EXPECT_EQ(e2->GetB(), 1.0);
    auto* b2 = static_cast<CGeBezier*>(at(5));
    ASSERT_EQ(b2->GetNodeCount(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(b2->GetNodes()[i].x, nodes[i].x) << i;
        EXPECT_EQ(b2->GetNodes()[i].kind, nodes[i].kind) << i;
    }
    auto* poly2 = static_cast<CGeCurve*>(at(6));
    ASSERT_EQ(poly2->GetSWPointCount(), 4);
    EXPECT_EQ(poly2->GetSWPoint()[3][1], 1.0);
    auto* comb2 = static_cast<CGeCombCurve*>(at(7));
    EXPECT_EQ(comb2->GetSubCurve(2)->GetType(), 0x4);
    auto* loop2 = static_cast<CGeLoop*>(at(8));
    EXPECT_EQ(loop2->m_nFlags, 11);
    EXPECT_DOUBLE_EQ(loop2->m_dArea, 9.0) << "area cache recomputed on loading";
    auto* region2 = static_cast<CGeRegion*>(at(9));
    EXPECT_DOUBLE_EQ(region2->GetLoopList().GetTail()->m_dArea, -4.0);
    EXPECT_DOUBLE_EQ(region2->EvArea(0.01), 96.0);
    double outside[2] = {5, 5}, inside[2] = {1, 1};
    EXPECT_EQ(region2->IsPtInRegion(outside, 0.01), 1) << "a point in the hole of a loaded region";
    EXPECT_EQ(region2->IsPtInRegion(inside, 0.01), 0);
    auto* layer2 = static_cast<CLayer*>(at(10));
    EXPECT_EQ(layer2->GetName(), CString(L"图层"));
    EXPECT_EQ(layer2->GetColor(), 0x00ABCDEFu);
    EXPECT_EQ(layer2->GetID(), layer->GetID());
    auto* var2 = static_cast<CUserVar*>(at(11));
    EXPECT_EQ(var2->m_strValue, CString(L"v"));
    EXPECT_EQ(var2->m_dValue, -1.5);

    for (CObject* ob : list) delete ob;
    for (CObject* ob : back) delete ob;

    // Every truncation of the stream fails with the archive exception and
    // leaks nothing (the sanitizer build checks the leaks).
    for (size_t n = 0; n < bytes.size(); ++n) {
        Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        bool threw = false;
        try {
            CMemFile file(cut.data(), static_cast<UINT>(cut.size()));
            CArchive ar(&file, CArchive::load);
            CObList partial;
            partial.Serialize(ar);
            for (CObject* ob : partial) delete ob;
        } catch (const CArchiveException&) {
            threw = true;
        }
        EXPECT_TRUE(threw) << "cut at " << n << " of " << bytes.size();
    }
}

// ---------------------------------------------------------------------------
// Hostile records

TEST_F(ShapeArchiveTest, HostileContainerRecordsFailWithoutLeakOrDoubleFree)
{
    // Indices: container class 1, container 2, first member class 3, first member 4.
    struct Row {
        const char* label;
        Bytes bytes;
    };
    const Row rows[] = {
        {"composite naming its member twice",
         Rec().cls("CGeCombCurve", 2).head(0, 0).u16(2).cls("CGeLine", 2).line(0, 0, 1, 0).u16(4).b},
        {"composite holding itself", Rec().cls("CGeCombCurve", 2).head(0, 0).u16(1).u16(2).b},
        {"loop holding a layer",
         Rec()
             .cls("CGeLoop", 2)
             .head(0, 0)
             .u16(2)
             .cls("CGeLine", 2)
             .line(0, 0, 1, 0)
             .cls("CLayer", 2)
             .u32(0)
             .i32(1)
             .i32(1)
             .str(u"x")
             .i32(8)
             .b},
        {"region holding a line",
         Rec().cls("CGeRegion", 2).head(0, 0).u16(1).cls("CGeLine", 2).line(0, 0, 1, 0).b},
        {"region naming its loop twice",
         Rec()
             .cls("CGeRegion", 2)
             .head(0, 0)
             .u16(2)
             .cls("CGeLoop", 2)
             .head(0, 0)
             .u16(1)
             .cls("CGeLine", 2)
             .line(0, 0, 1, 0)
             .i32(8)
             .u16(4)
             .b},
        {"region holding itself", Rec().cls("CGeRegion", 2).head(0, 0).u16(1).u16(2).b},
        {"region count beyond the data", Rec().cls("CGeRegion", 2).head(0, 0).u16(0xFFFF).u32(100000).b},
        {"loop count beyond the data", Rec().cls("CGeLoop", 2).head(0, 0).u16(5).cls("CGeLine", 2).line(0, 0, 1, 0).b},
        {"unknown member class", Rec().cls("CGeLoop", 2).head(0, 0).u16(1).cls("CGeNothing", 2).head(0, 0).b},
        {"member class index never seen", Rec().cls("CGeLoop", 2).head(0, 0).u16(1).clsRef(9).line(0, 0, 1, 0).b},
        {"polyline count beyond the data", Rec().cls("CGePolyline", 2).head(0, 0).i32(1000000).f64(0).b},
        {"Bezier count negative", Rec().cls("CGeBezier", 2).head(0, 0).i32(-3).b},
    };
    for (const Row& row : rows) EXPECT_NE(LoadCause(row.bytes), -1) << row.label;
}

TEST_F(ShapeArchiveTest, LoadedLoopWithNestedCompositeIsFlattenedAndMeasured)
{
    // An old writer put a composite inside a loop: the loop still loads and
    // measures its area over the composite's members.
    const Bytes bytes = Rec()
                            .cls("CGeLoop", 2)
                            .head(0, 1)
                            .u16(2)
                            .cls("CGeCombCurve", 2)
                            .head(0, 0)
                            .u16(2)
                            .cls("CGeLine", 2)
                            .line(0, 0, 2, 0)
                            .clsRef(5)
                            .line(2, 0, 2, 2)
                            .clsRef(5)
                            .line(2, 2, 0, 0)
                            .i32(8)
                            .b;
    std::unique_ptr<CObject> ob = LoadObject(bytes);
    auto* loop = dynamic_cast<CGeLoop*>(ob.get());
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->GetSegmentCount(), 3);
    EXPECT_DOUBLE_EQ(loop->m_dArea, 2.0);
}

}  // namespace
