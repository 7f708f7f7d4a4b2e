// Archive records of the storable 3D point, line, polyline, arc, NURBS and composite
// curves (a loop is stored as a composite): exact bytes against
// records built here by an independent little-endian writer, the document version gates
// of the header, the handle and the normals, round trips, truncated and hostile records.
#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Bcrv.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeLoop3d.h"
#include "geometry/shapes3d/GeMesh.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
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
#include <limits>
#include <memory>
#include <numbers>
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
    // A reference to the class record with the given index.
    Rec& classRef(std::uint16_t index) { return u16(static_cast<std::uint16_t>(0x8000 | index)); }
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

// A rational record (weights below 1) and its fields as stored: the flag, order,
// count, the weighted control points and the knots.
CGeNrbCrv3d* MakeNurbs(bool withRecord)
{
    BCRV* rec = nullptr;
    if (withRecord) {
        rec = BCRV_New();
        const double c[3] = {1, 2, 3};
        rec->GenCircle(c, 4);
    }
    auto* curve = Marked(new CGeNrbCrv3d(rec));
    curve->CalcBox();
    return curve;
}
void NurbsFields(Rec& r, const CGeNrbCrv3d& c)
{
    const BCRV* rec = c.GetCurve();
    r.i32(rec ? 1 : 0);
    if (!rec) return;
    r.i32(rec->k).i32(rec->n);
    for (int i = 0; i < rec->n; ++i)
        for (int j = 0; j < 4; ++j) r.f64(rec->P[i][j]);
    for (int i = 0; i < rec->n + rec->k; ++i) r.f64(rec->U[i]);
}

// A composite holding a composite (which holds a line) and an arc.
CGeCombCurve3d* MakeComposite()
{
    auto* inner = new CGeCombCurve3d;
    inner->m_listCurve.AddTail(MakeLine());
    inner->m_nFlags = 9;
    inner->CalcBox();
    auto* outer = Marked(new CGeCombCurve3d);
    outer->m_listCurve.AddTail(inner);
    outer->m_listCurve.AddTail(MakeArc());
    outer->CalcBox();
    return outer;
}
Rec& ShapeHead(Rec& r, int v, CGeShape3d& s) { return r.head(v, s.m_box, s.m_nFlags, s.GetHandle()); }

struct ClassRow {
    const char* label;
    std::function<CGeShape3d*()> make;
    // The record as written under document version v (the full format at 12).
    std::function<Bytes(int v, CGeShape3d& src)> record;
    // What a load must give back (beyond header fields).
    std::function<void(CGeShape3d& back, CGeShape3d& src, const std::string& label)> check;
    // Shapes one record creates.
    unsigned int objects = 1;
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
        {"NURBS curve", [] { return MakeNurbs(true); },
         [](int v, CGeShape3d& src) {
             Rec r;
             r.cls("CGeNrbCrv3d").head(v, src.m_box, kFlags, kHandle);
             NurbsFields(r, static_cast<CGeNrbCrv3d&>(src));
             return r.b;
         },
         [](CGeShape3d& back, CGeShape3d& src, const std::string& label) {
             Rec got, want;
             NurbsFields(got, static_cast<CGeNrbCrv3d&>(back));
             NurbsFields(want, static_cast<CGeNrbCrv3d&>(src));
             EXPECT_EQ(got.b, want.b) << label << ": order, count, control points and knots";
             EXPECT_EQ(static_cast<CGeCurve3d&>(back).m_strDisp.m_nCount, static_cast<CGeCurve3d&>(src).m_strDisp.m_nCount)
                 << label << ": display rebuilt at the display tolerance";
         }},
        {"NURBS curve without a record", [] { return MakeNurbs(false); },
         [](int v, CGeShape3d& src) {
             Rec r;
             r.cls("CGeNrbCrv3d").head(v, src.m_box, kFlags, kHandle).i32(0);
             return r.b;
         },
         [](CGeShape3d& back, CGeShape3d&, const std::string& label) {
             EXPECT_EQ(static_cast<CGeNrbCrv3d&>(back).GetCurve(), nullptr) << label;
         }},
        {"composite with a nested composite and an arc", [] { return MakeComposite(); },
         [](int v, CGeShape3d& src) {
             auto& outer = static_cast<CGeCombCurve3d&>(src);
             auto& inner = *static_cast<CGeCombCurve3d*>(outer.GetSubCurve(1));
             auto& line = *static_cast<CGeLine3d*>(inner.GetSubCurve(1));
             auto& arc = *static_cast<CGeArc3d*>(outer.GetSubCurve(2));
             Rec r;
             r.cls("CGeCombCurve3d").head(v, src.m_box, kFlags, kHandle).u16(2);
             // The nested composite refers to the class record read first (index 1).
             ShapeHead(r.classRef(1), v, inner).u16(1);
             ShapeHead(r.cls("CGeLine3d"), v, line).pt(kP).pt(kQ);
             ShapeHead(r.cls("CGeArc3d"), v, arc);
             ArcFields(r, arc);
             return r.b;
         },
         [](CGeShape3d& back, CGeShape3d&, const std::string& label) {
             auto& outer = static_cast<CGeCombCurve3d&>(back);
             ASSERT_EQ(outer.m_listCurve.GetCount(), 2) << label;
             auto* inner = dynamic_cast<CGeCombCurve3d*>(outer.GetSubCurve(1));
             ASSERT_NE(inner, nullptr) << label;
             auto* line = dynamic_cast<CGeLine3d*>(inner->GetSubCurve(1));
             ASSERT_NE(line, nullptr) << label;
             EXPECT_EQ(line->m_ptEnd[2], kQ[2]) << label;
             EXPECT_NE(dynamic_cast<CGeArc3d*>(outer.GetSubCurve(2)), nullptr) << label;
         },
         4},
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
            EXPECT_EQ(CGeShape3d::GetMaxHandle(), counter + row.objects) << label << ": loading moves no counter";
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
    rows.push_back({"NURBS curve of order 2", [] {
                        auto* c = Marked(new CGeNrbCrv3d);
                        double pts[3][3] = {{0, 0, 0}, {1, 2, 3}, {4, 0, 1}};
                        c->CreateCtrlPt(pts, 3, 1, 0.01);
                        c->CalcBox();
                        return c;
                    },
                    nullptr,
                    [](CGeShape3d& back, CGeShape3d&, const std::string& label) {
                        EXPECT_EQ(static_cast<CGeNrbCrv3d&>(back).GetCurve()->k, 2) << label;
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

// Sizes of a NURBS record are checked against what the record holds before anything
// is allocated; impossible sizes and contents are damage.
TEST_F(Shape3dArchiveTest, DamagedNurbsRecordsThrowWithoutAllocating)
{
    std::unique_ptr<CGeNrbCrv3d> src(MakeNurbs(true));
    const BCRV* rec = src->GetCurve();
    // The record's own doubles (control points, then knots), the first `doubles` of them;
    // knot1 replaces the second knot.
    std::vector<double> values(&rec->P[0][0], &rec->P[0][0] + 4 * rec->n);
    values.insert(values.end(), rec->U, rec->U + rec->n + rec->k);
    auto record = [&](std::int32_t flag, std::int32_t k, std::int32_t n, int doubles, double knot1) {
        Rec r;
        r.cls("CGeNrbCrv3d").head(12, src->m_box, kFlags, kHandle).i32(flag).i32(k).i32(n);
        for (int i = 0; i < doubles; ++i) r.f64(i == 4 * rec->n + 1 ? knot1 : values[i]);
        return r.b;
    };
    const int full = 5 * rec->n + rec->k;
    struct Row {
        std::string label;
        Bytes bytes;
        int cause;
    };
    const std::vector<Row> rows = {
        {"count beyond the record", record(1, rec->k, 0x7FFFFFFF, full, rec->U[1]), CArchiveException::endOfFile},
        {"order beyond the record", record(1, 0x7FFFFFF0, 0x7FFFFFF0, full, rec->U[1]), CArchiveException::generic},
        {"order 1", record(1, 1, rec->n, full, rec->U[1]), CArchiveException::generic},
        {"fewer points than the order", record(1, 3, 2, full, rec->U[1]), CArchiveException::generic},
        {"negative count", record(1, 3, -5, full, rec->U[1]), CArchiveException::generic},
        {"flag neither 0 nor 1", record(7, rec->k, rec->n, full, rec->U[1]), CArchiveException::generic},
        {"decreasing knots", record(1, rec->k, rec->n, full, 99.0), CArchiveException::generic},
        {"one double short", record(1, rec->k, rec->n, full - 1, rec->U[1]), CArchiveException::endOfFile},
    };
    for (const Row& row : rows) EXPECT_EQ(LoadCause(row.bytes), row.cause) << row.label;
    EXPECT_EQ(LoadCause(record(1, rec->k, rec->n, full, rec->U[1])), -1) << "the well-formed record";
}

// An arc no drawing can hold (a radius or centre beyond 1e9 mm, a sweep beyond a
// full turn, an axis not finite) is damage: before the check its display string
// took a million points per record.
TEST_F(Shape3dArchiveTest, OutOfRangeArcRecordsAreDamage)
{
    std::unique_ptr<CGeArc3d> src(MakeArc());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto record = [&](double radius, double sweep, double x0, double axis) {
        Rec r;
        const double origin[3] = {x0, src->m_frame.O[1], src->m_frame.O[2]};
        const double xAxis[3] = {axis, src->m_frame.X[1], src->m_frame.X[2]};
        r.cls("CGeArc3d").head(12, src->m_box, kFlags, kHandle).f64(radius).f64(sweep).pt(origin).pt(xAxis);
        r.pt(src->m_frame.Y).pt(src->m_frame.Z).f64(src->m_frame.s);
        return r.b;
    };
    const double r0 = src->m_radius, s0 = src->m_sweep, x0 = src->m_frame.O[0], a0 = src->m_frame.X[0];
    struct Row {
        const char* label;
        Bytes bytes;
        int cause;
    };
    const std::vector<Row> rows = {
        {"the arc itself", record(r0, s0, x0, a0), -1},
        {"radius 1e9", record(1e9, s0, x0, a0), -1},
        {"sweep of a full turn", record(r0, -2 * std::numbers::pi, x0, a0), -1},
        {"radius 1e25", record(1e25, s0, x0, a0), CArchiveException::generic},
        {"radius NaN", record(nan, s0, x0, a0), CArchiveException::generic},
        {"sweep of 7 radians", record(r0, 7.0, x0, a0), CArchiveException::generic},
        {"centre beyond 1e9", record(r0, s0, -2e9, a0), CArchiveException::generic},
        {"axis not finite", record(r0, s0, x0, std::numeric_limits<double>::infinity()), CArchiveException::generic},
    };
    for (const Row& row : rows) EXPECT_EQ(LoadCause(row.bytes), row.cause) << row.label;
}

// A loop has no class record of its own: it is stored as a composite with its
// members and read back as one.
TEST_F(Shape3dArchiveTest, LoopIsStoredAndReadBackAsAComposite)
{
    auto makeMembers = [](CGeCombCurve3d& c) {
        double a[3] = {0, 0, 1}, b[3] = {10, 0, 1}, d[3] = {0, 10, 1};
        c.m_listCurve.AddTail(new CGeLine3d(a, b));
        c.m_listCurve.AddTail(new CGeLine3d(b, d));
        c.m_listCurve.AddTail(new CGeLine3d(d, a));
        int handle = 100;
        for (CGeCurve3d* m : c.m_listCurve) m->SetHandle(handle++);
        c.CalcBox();
    };
    CGeLoop3d loop;
    makeMembers(loop);
    Marked(&loop);
    CGeCombCurve3d comb;
    makeMembers(comb);
    Marked(&comb);
    const Bytes stored = Store(&loop);
    EXPECT_EQ(stored, Store(&comb)) << "the same bytes as a composite with the same members";
    std::unique_ptr<CObject> ob = Load(stored);
    auto* back = dynamic_cast<CGeCombCurve3d*>(ob.get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetType(), 0x10000);
    EXPECT_EQ(dynamic_cast<CGeLoop3d*>(back), nullptr);
    ASSERT_EQ(back->m_listCurve.GetCount(), 3);
    double e[3];
    back->GetSubCurve(2)->GetEndPoint(e);
    EXPECT_EQ(e[1], 10.0);
    EXPECT_EQ(Store(back), stored);
}

// Meshes store nothing: one read back from a document is empty.
TEST_F(Shape3dArchiveTest, MeshComesBackEmpty)
{
    CGeMesh mesh;
    mesh.vertices = {CPoint3f(0, 0, 0), CPoint3f(1, 0, 0), CPoint3f(0, 1, 0)};
    mesh.faces3 = {SFacet3(0, 1, 2)};
    mesh.CreateBndCrv();
    ASSERT_EQ(mesh.m_listBndCurve.GetCount(), 1);
    ULONGLONG left = 99;
    std::unique_ptr<CObject> ob = Load(Store(&mesh), &left);
    auto* back = dynamic_cast<CGeMesh*>(ob.get());
    ASSERT_TRUE(back);
    EXPECT_EQ(left, 0u);
    EXPECT_TRUE(back->vertices.empty() && back->faces3.empty() && back->m_listBndCurve.IsEmpty());
}

}  // namespace

// Records within range but as large as the range allows load with a display
// string of bounded size: a full-turn arc of radius 1e9 (about 630,000 points
// before the chord tolerance had a floor relative to the radius) and a cubic
// NURBS span of that size (about 120,000 before the per-span bound).
TEST_F(Shape3dArchiveTest, LargeRecordsLoadWithBoundedDisplay)
{
    std::unique_ptr<CGeArc3d> arc(MakeArc());
    Rec arcRec;
    arcRec.cls("CGeArc3d").head(12, arc->m_box, kFlags, kHandle).f64(1e9).f64(2 * std::numbers::pi);
    arcRec.pt(arc->m_frame.O).pt(arc->m_frame.X).pt(arc->m_frame.Y).pt(arc->m_frame.Z).f64(arc->m_frame.s);

    Rec nurbsRec;
    nurbsRec.cls("CGeNrbCrv3d").head(12, arc->m_box, kFlags, kHandle).i32(1).i32(4).i32(4);
    const double ctrl[4][3] = {{0, 0, 0}, {3e8, 1e9, 0}, {7e8, -1e9, 5e8}, {1e9, 0, 0}};
    for (const auto& p : ctrl) nurbsRec.f64(p[0]).f64(p[1]).f64(p[2]).f64(1.0);
    for (double u : {0.0, 0.0, 0.0, 0.0, 1.0, 1.0, 1.0, 1.0}) nurbsRec.f64(u);

    struct Row {
        const char* label;
        Bytes bytes;
        int atMost;
    };
    const Row rows[] = {{"arc of radius 1e9", arcRec.b, 4500}, {"cubic span of 1e9", nurbsRec.b, 4097}};
    for (const Row& row : rows) {
        std::unique_ptr<CObject> ob = Load(row.bytes);
        auto* curve = dynamic_cast<CGeCurve3d*>(ob.get());
        ASSERT_NE(curve, nullptr) << row.label;
        ASSERT_TRUE(curve->HasPoints()) << row.label;
        EXPECT_GT(curve->m_strDisp.m_nCount, 10) << row.label;
        EXPECT_LE(curve->m_strDisp.m_nCount, row.atMost) << row.label;
    }
}
