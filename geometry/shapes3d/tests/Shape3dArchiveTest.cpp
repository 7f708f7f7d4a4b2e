// Archive records of the storable 3D point, line, polyline and arc: exact bytes against
// records built here by an independent little-endian writer, the document version gates
// of the header, the handle and the normals, round trips, truncated and hostile records.
#include "framework/looker/QVGlobal.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GePoint3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

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
    Rec& pt(const double* p) { return f64(p[0]).f64(p[1]).f64(p[2]); }
    // A new class: 0xFFFF, schema, name length, name.
    Rec& cls(const char* name)
    {
        u16(0xFFFF).u16(1).u16(static_cast<std::uint16_t>(std::strlen(name)));
        b.insert(b.end(), name, name + std::strlen(name));
        return *this;
    }
    // The shape header of a record written under document version v: nothing below 5
    // (curves), box and flags from 5, the handle from 6.
    Rec& head(int v, const BOX3<double>& box, std::int32_t flags, std::uint32_t handle)
    {
        if (v < 5) return *this;
        f64(box.xmin).f64(box.ymin).f64(box.zmin).f64(box.xmax).f64(box.ymax).f64(box.zmax).i32(flags);
        if (v >= 6) u32(handle);
        return *this;
    }
};

constexpr std::int32_t kFlags = 5;
constexpr std::uint32_t kHandle = 4242;
constexpr int kVersions[] = {4, 5, 6, 11, 12};

class Shape3dArchiveTest : public ::testing::Test {
protected:
    void SetUp() override { gNewQVGlobal()->SetVersion(kDocVersionCurrent); }
    void TearDown() override { looker::testing::ResetQVGlobal(); }

    static Bytes Store(const CObject* ob)
    {
        CMemFile file;
        {
            CArchive ar(&file, CArchive::store);
            ar << ob;
            ar.Close();
        }
        return Bytes(file.GetData(), file.GetData() + file.GetLength());
    }
    // Loads one object record; left receives the bytes the record did not use.
    static std::unique_ptr<CObject> Load(Bytes bytes, ULONGLONG* left = nullptr)
    {
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        CArchive ar(&file, CArchive::load);
        CObject* ob = nullptr;
        ar >> ob;
        if (left) *left = ar.GetBytesLeft();
        return std::unique_ptr<CObject>(ob);
    }
    // -1 loaded, otherwise the archive exception's cause.
    static int LoadCause(const Bytes& bytes)
    {
        try {
            Load(bytes);
        } catch (const CArchiveException& e) {
            return e.m_cause;
        }
        return -1;
    }
};

// The sample shapes, each with flags 5 and handle 4242.
const double kP[3] = {1.5, -2.25, 3.0};
const double kQ[3] = {-4.0, 0.5, 7.75};
const double kPoly[3][3] = {{0, 0, 0}, {3, 4, 1}, {-1, 2, 5}};
const double kNormals[3][3] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}};

template <class T>
T* Marked(T* shape)
{
    shape->m_nFlags = kFlags;
    shape->SetHandle(kHandle);
    return shape;
}

CGePoint3d* MakePoint()
{
    auto* p = Marked(new CGePoint3d(const_cast<double*>(kP)));
    p->CalcBox();
    return p;
}
CGeLine3d* MakeLine() { return Marked(new CGeLine3d(const_cast<double*>(kP), const_cast<double*>(kQ))); }
CGePolyline3d* MakePolyline(bool normals)
{
    auto* pl = Marked(new CGePolyline3d(3, normals ? 1 : 0));
    std::memcpy(pl->GetCtrlPt(), kPoly, sizeof kPoly);
    if (normals) std::memcpy(pl->m_strDisp.m_pNormals, kNormals, sizeof kNormals);
    pl->CalcBox();
    return pl;
}
CGeArc3d* MakeArc()
{
    auto* arc = Marked(new CGeArc3d);
    double s[3] = {3, 0, 1}, m[3] = {0, 3, 1}, e[3] = {-3, 0, 1};
    arc->Create3Pnt(s, m, e);
    arc->m_frame.s = 0.125;
    // At the display tolerance, as a load rebuilds it.
    arc->DiscreteMe(gGetCrvShowDiscTol());
    return arc;
}
void ArcFields(Rec& r, const CGeArc3d& a)
{
    r.f64(a.m_radius).f64(a.m_sweep).pt(a.m_frame.O).pt(a.m_frame.X).pt(a.m_frame.Y).pt(a.m_frame.Z).f64(a.m_frame.s);
}

struct ClassRow {
    const char* label;
    std::function<CGeShape3d*()> make;
    // The record as written under document version v (the full format at 12).
    std::function<Bytes(int v, CGeShape3d& src)> record;
    // What a load must give back (beyond header fields).
    std::function<void(CGeShape3d& back, CGeShape3d& src, const std::string& label)> check;
};

std::vector<ClassRow> Classes()
{
    auto samePoints = [](const double (*a)[3], const double (*b)[3], int n, const std::string& label) {
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < 3; ++j) EXPECT_EQ(a[i][j], b[i][j]) << label << " point " << i;
    };
    return {
        {"point", [] { return MakePoint(); },
         [](int v, CGeShape3d& src) {
             // The point writes its header in every version (its handle from 6).
             Rec r;
             r.cls("CGePoint3d").head(std::max(v, 5), src.m_box, kFlags, kHandle).pt(kP);
             return r.b;
         },
         [](CGeShape3d& back, CGeShape3d&, const std::string& label) {
             auto& p = static_cast<CGePoint3d&>(back);
             for (int j = 0; j < 3; ++j) EXPECT_EQ(p.m_point[j], kP[j]) << label;
             EXPECT_EQ(p.m_box.xmin, kP[0]) << label << ": the box comes from the header";
         }},
        {"line", [] { return MakeLine(); },
         [](int v, CGeShape3d& src) {
             Rec r;
             r.cls("CGeLine3d").head(v, src.m_box, kFlags, kHandle).pt(kP).pt(kQ);
             return r.b;
         },
         [](CGeShape3d& back, CGeShape3d&, const std::string& label) {
             auto& l = static_cast<CGeLine3d&>(back);
             for (int j = 0; j < 3; ++j) EXPECT_EQ(l.m_ptStart[j], kP[j]) << label;
             for (int j = 0; j < 3; ++j) EXPECT_EQ(l.m_ptEnd[j], kQ[j]) << label;
             EXPECT_EQ(l.m_strDisp.m_nCount, 2) << label << ": display rebuilt";
             EXPECT_EQ(l.m_box.zmax, kQ[2]) << label;
         }},
        {"polyline", [] { return MakePolyline(true); },
         [](int v, CGeShape3d& src) {
             Rec r;
             r.cls("CGePolyline3d").head(v, src.m_box, kFlags, kHandle).i32(3);
             for (const auto& p : kPoly) r.pt(p);
             if (v >= 12) {
                 r.i32(1);
                 for (const auto& n : kNormals) r.pt(n);
             }
             return r.b;
         },
         [samePoints](CGeShape3d& back, CGeShape3d&, const std::string& label) {
             auto& pl = static_cast<CGePolyline3d&>(back);
             ASSERT_EQ(pl.GetCount(), 3) << label;
             samePoints(pl.GetCtrlPt(), kPoly, 3, label);
             EXPECT_EQ(pl.m_box.zmax, 5.0) << label;
             const bool normals = gGetQVGlobal()->GetVersion() >= 12;
             ASSERT_EQ(pl.m_strDisp.m_pNormals != nullptr, normals) << label;
             if (normals) samePoints(pl.m_strDisp.m_pNormals, kNormals, 3, label);
         }},
        {"arc", [] { return MakeArc(); },
         [](int v, CGeShape3d& src) {
             Rec r;
             r.cls("CGeArc3d").head(v, src.m_box, kFlags, kHandle);
             ArcFields(r, static_cast<CGeArc3d&>(src));
             return r.b;
         },
         [](CGeShape3d& back, CGeShape3d& src, const std::string& label) {
             auto& a = static_cast<CGeArc3d&>(back);
             auto& s = static_cast<CGeArc3d&>(src);
             Rec got, want;
             ArcFields(got, a);
             ArcFields(want, s);
             EXPECT_EQ(got.b, want.b) << label << ": the 15 doubles";
             ASSERT_GE(a.m_strDisp.m_nCount, 11) << label;
             BOX3<double> box;
             a.m_strDisp.CalcBox();
             a.m_strDisp.GetBox(&box);
             EXPECT_EQ(a.m_box.xmin, box.xmin) << label << ": box of the rebuilt display";
             EXPECT_EQ(a.m_box.ymax, box.ymax) << label;
         }},
    };
}

TEST_F(Shape3dArchiveTest, StoringWritesTheFullRecordInEveryVersion)
{
    for (const ClassRow& row : Classes()) {
        std::unique_ptr<CGeShape3d> src(row.make());
        const Bytes full = row.record(12, *src);
        for (int v : kVersions) {
            gGetQVGlobal()->SetVersion(v);
            EXPECT_EQ(Store(src.get()), full) << row.label << " stored under version " << v;
        }
    }
}

TEST_F(Shape3dArchiveTest, LoadingReadsTheLayoutOfEachVersion)
{
    for (const ClassRow& row : Classes()) {
        std::unique_ptr<CGeShape3d> src(row.make());
        for (int v : kVersions) {
            const std::string label = std::string(row.label) + " version " + std::to_string(v);
            gGetQVGlobal()->SetVersion(v);
            const Bytes bytes = row.record(v, *src);
            const unsigned int counter = CGeShape3d::GetMaxHandle();
            ULONGLONG left = 99;
            std::unique_ptr<CObject> ob = Load(bytes, &left);
            auto* back = dynamic_cast<CGeShape3d*>(ob.get());
            ASSERT_NE(back, nullptr) << label;
            EXPECT_EQ(left, 0u) << label << ": the record is read to its end";
            const bool header = v >= 5 || row.label == std::string("point");
            EXPECT_EQ(back->m_nFlags, header ? kFlags : 2) << label;
            if (v >= 6)
                EXPECT_EQ(back->GetHandle(), kHandle) << label;
            else
                EXPECT_EQ(back->GetHandle(), counter + 1) << label << ": keeps the handle it was made with";
            EXPECT_EQ(CGeShape3d::GetMaxHandle(), counter + 1) << label << ": loading moves no counter";
            row.check(*back, *src, label);
        }
    }
}

TEST_F(Shape3dArchiveTest, RoundTripsRestoreEveryClass)
{
    std::vector<ClassRow> rows = Classes();
    rows.push_back({"polyline without normals", [] { return MakePolyline(false); }, nullptr,
                    [](CGeShape3d& back, CGeShape3d&, const std::string& label) {
                        EXPECT_EQ(static_cast<CGePolyline3d&>(back).m_strDisp.m_pNormals, nullptr) << label;
                    }});
    for (const ClassRow& row : rows) {
        std::unique_ptr<CGeShape3d> src(row.make());
        ULONGLONG left = 99;
        std::unique_ptr<CObject> ob = Load(Store(src.get()), &left);
        auto* back = dynamic_cast<CGeShape3d*>(ob.get());
        ASSERT_NE(back, nullptr) << row.label;
        EXPECT_EQ(left, 0u) << row.label;
        EXPECT_EQ(back->GetType(), src->GetType()) << row.label;
        EXPECT_EQ(back->GetHandle(), kHandle) << row.label;
        EXPECT_EQ(Store(back), Store(src.get())) << row.label << ": stores the same bytes again";
        row.check(*back, *src, row.label);
    }
}

TEST_F(Shape3dArchiveTest, PolylineWithoutSettingsStoresOnlyTheHeader)
{
    looker::testing::ResetQVGlobal();
    ASSERT_EQ(gGetQVGlobal(), nullptr);
    std::unique_ptr<CGePolyline3d> src(MakePolyline(true));
    Rec r;
    r.cls("CGePolyline3d").head(6, src->m_box, kFlags, kHandle);
    EXPECT_EQ(Store(src.get()), r.b);
    // Loading without settings reads neither header nor vertices.
    ULONGLONG left = 99;
    Rec bare;
    bare.cls("CGePolyline3d");
    std::unique_ptr<CObject> ob = Load(bare.b, &left);
    ASSERT_NE(ob, nullptr);
    EXPECT_EQ(static_cast<CGePolyline3d*>(ob.get())->GetCount(), 0);
    EXPECT_EQ(left, 0u);
}

TEST_F(Shape3dArchiveTest, TruncatedAndHostileRecordsThrowTheArchiveException)
{
    std::vector<std::pair<std::string, Bytes>> bad;
    for (const ClassRow& row : Classes()) {
        std::unique_ptr<CGeShape3d> src(row.make());
        const Bytes full = row.record(12, *src);
        for (size_t cut : {full.size() - 1, full.size() - 8, full.size() / 2})
            bad.push_back({std::string(row.label) + " cut to " + std::to_string(cut), Bytes(full.begin(), full.begin() + cut)});
    }
    std::unique_ptr<CGePolyline3d> pl(MakePolyline(false));
    auto polyline = [&](std::int32_t count, int vertices, std::int32_t normals, int normalCount) {
        Rec r;
        r.cls("CGePolyline3d").head(12, pl->m_box, kFlags, kHandle).i32(count);
        for (int i = 0; i < vertices; ++i) r.pt(kPoly[i % 3]);
        r.i32(normals);
        for (int i = 0; i < normalCount; ++i) r.pt(kNormals[i % 3]);
        return r.b;
    };
    bad.push_back({"negative vertex count", polyline(-1, 0, 0, 0)});
    bad.push_back({"vertex count beyond the record", polyline(0x7FFFFFFF, 3, 0, 0)});
    bad.push_back({"count one more than the vertices", polyline(4, 3, 0, 0)});
    bad.push_back({"normals flag without the normals", polyline(3, 3, 1, 2)});
    for (const auto& [label, bytes] : bad) EXPECT_EQ(LoadCause(bytes), CArchiveException::endOfFile) << label;

    // A well-formed empty polyline loads.
    EXPECT_EQ(LoadCause(polyline(0, 0, 0, 0)), -1);
}

}  // namespace
