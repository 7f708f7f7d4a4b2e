// The polyline: construction and the closed flag, profile heights, lengths and
// their inverses, nearest points, splitting, vertex deletion, conversions and
// its archive record.
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "platform/core/Archive.h"
#include "platform/core/Exception.h"
#include "platform/core/File.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Pts = std::vector<std::array<double, 2>>;

double Dist(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

std::unique_ptr<CGePolyline> Make(const Pts& pts)
{
    auto poly = std::make_unique<CGePolyline>();
    poly->Create(static_cast<int>(pts.size()), reinterpret_cast<const double(*)[2]>(pts.data()));
    return poly;
}

void ExpectVertices(CGeCurve* c, const Pts& expected, const char* label)
{
    ASSERT_NE(c, nullptr) << label;
    ASSERT_EQ(c->GetSWPointCount(), static_cast<int>(expected.size())) << label;
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(c->GetSWPoint()[i][0], expected[i][0], 1e-12) << label << " vertex " << i;
        EXPECT_NEAR(c->GetSWPoint()[i][1], expected[i][1], 1e-12) << label << " vertex " << i;
    }
}

TEST(GePolylineTest, BoxRectangleAndClosedFlag)
{
    CGePolyline box;
    double p[2] = {2, 3}, q[2] = {0, 1};
    EXPECT_EQ(box.CreateBox(p, q), 1);
    ExpectVertices(&box, {{0, 1}, {2, 1}, {2, 3}, {0, 3}, {0, 1}}, "box");
    EXPECT_EQ(box.GetClosedFlag(), 1);
    EXPECT_EQ(box.IsRect(), 1);
    BOX2<double> b;
    box.GetBox2d(&b);
    EXPECT_EQ(b.xmax, 2.0);
    EXPECT_EQ(b.ymin, 1.0);

    EXPECT_EQ(Make({{0, 0}, {4, 0}, {5, 2}, {1, 2}, {0, 0}})->IsRect(), 1) << "a parallelogram";
    EXPECT_EQ(Make({{0, 0}, {4, 0}, {3, 2}, {1, 2}, {0, 0}})->IsRect(), 0) << "a trapezoid";
    EXPECT_EQ(Make({{0, 0}, {4, 0}, {4, 2}, {0, 2}})->IsRect(), 0) << "open";

    auto poly = Make({{0, 0}, {1, 0}, {1, 1}, {0.00005, 0}});
    EXPECT_EQ(poly->GetClosedFlag(), 1) << "ends 0.00005 apart";
    const double open[3][2] = {{0, 0}, {1, 0}, {1, 1}};
    EXPECT_EQ(poly->Create(3, open), 1);
    EXPECT_EQ(poly->GetClosedFlag(), 0) << "a stale closed flag goes";
    EXPECT_EQ(poly->Create(1, open), 0);
    EXPECT_EQ(poly->GetSWPointCount(), 3) << "a rejected Create keeps the vertices";

    CArray<tagPoint2d, tagPoint2d> arr;
    arr.Add({0, 0});
    arr.Add({1, 0});
    arr.Add({0, 0});
    poly->SetClosedFlag(0);
    poly->Create(&arr);
    EXPECT_EQ(poly->GetClosedFlag(), 0) << "Create(array) leaves the flag";
}

TEST(GePolylineTest, GetHeightReadsTheProfile)
{
    Pts pts;
    for (int i = 0; i < 100; ++i) pts.push_back({i * 0.5, std::sin(i * 0.1)});
    auto profile = Make(pts);
    struct Row {
        const char* label;
        double x;
        double y;
    };
    const Row rows[] = {
        {"first vertex", 0.0, 0.0},
        {"exact vertex", 20.0, std::sin(4.0)},
        {"vertex within 0.0001", 20.00005, std::sin(4.0)},
        {"between vertices", 20.25, 0.5 * (std::sin(4.0) + std::sin(4.1))},
        {"last vertex", 49.5, std::sin(9.9)},
        {"just beyond the end within 0.0001", 49.50005, std::sin(9.9)},
        {"before the start", -1.0, 0.0},
        {"after the end", 60.0, 0.0},
    };
    for (const Row& row : rows) EXPECT_NEAR(profile->GetHeight(row.x), row.y, 1e-12) << row.label;
    EXPECT_EQ(CGePolyline().GetHeight(1.0), 0.0) << "no vertices";
}

TEST(GePolylineTest, LengthsAndParameters)
{
    // Edges of length 3, 4 and 5.
    auto poly = Make({{0, 0}, {3, 0}, {3, 4}, {0, 0}});
    poly->SetClosedFlag(0);
    EXPECT_NEAR(poly->EvTotalArcLength(), 12.0, 1e-12);
    EXPECT_NEAR(poly->EvArcLength(0.5, 1u, 0.5, 3u), 1.5 + 4 + 2.5, 1e-12);
    EXPECT_NEAR(poly->EvArcLength(0.25, 2u, 0.75, 2u), 2.0, 1e-12);
    EXPECT_EQ(poly->EvArcLength(0.0, 3u, 1.0, 2u), 0.0) << "k2 < k1";
    EXPECT_EQ(poly->EvArcLength(0.0, 1u, 1.0, 4u), 0.0) << "no edge 4";
    EXPECT_NEAR(poly->EvArcLength(0.0, 1.0, 2u), 7.0, 1e-12);
    EXPECT_EQ(poly->IsLongerThan(11.9), 1);
    EXPECT_EQ(poly->IsLongerThan(12.0), 0);

    const double cumulative[4] = {0, 3, 7, 12};
    struct Row {
        double len;
        unsigned k;
        double t;    // EvParam
        double tEx;  // EvParamEx
    };
    // The polyline is closed within 0.01, so lengths wrap.
    const Row rows[] = {
        {1.5, 1, 0.5, 0.5},        {5.0, 2, 0.5, 0.5},      {2.95, 1, 1.0, 2.95 / 3},  // within 0.1 but not 0.01
        {2.995, 1, 1.0, 1.0},      {0.0, 1, 0.0, 0.0},      {14.0, 1, 2.0 / 3, 2.0 / 3},
        {12.0, 3, 1.0, 1.0},       {9.5, 3, 0.5, 0.5},
    };
    for (const Row& row : rows) {
        double t = -1, tEx = -1;
        unsigned k = 0, kEx = 0;
        ASSERT_EQ(poly->EvParam(row.len, t, k, 0.0), 1) << row.len;
        ASSERT_EQ(poly->EvParamEx(row.len, tEx, kEx, cumulative), 1) << row.len;
        EXPECT_EQ(k, row.k) << "EvParam " << row.len;
        EXPECT_EQ(kEx, row.k) << "EvParamEx " << row.len;
        EXPECT_NEAR(t, row.t, 1e-12) << "EvParam " << row.len;
        EXPECT_NEAR(tEx, row.tEx, 1e-12) << "EvParamEx " << row.len;
    }

    auto open = Make({{0, 0}, {3, 0}, {3, 4}});
    double t = -1;
    unsigned k = 0;
    ASSERT_EQ(open->EvParam(100.0, t, k, 0.0), 1);
    EXPECT_EQ(k, 2u);
    EXPECT_EQ(t, 1.0) << "an open polyline clamps to its end";

    auto dot = Make({{1, 1}, {1, 1}});
    EXPECT_EQ(dot->EvParam(5.0, t, k, 0.0), 1) << "a closed polyline of no length ends at once";
    EXPECT_EQ(k, 1u);
}

TEST(GePolylineTest, NearestPointAgainstDenseSampling)
{
    auto poly = Make({{0, 0}, {4, 1}, {5, 5}, {1, 6}, {-2, 2}});
    const double probes[][2] = {{2, -1}, {6, 3}, {0, 4}, {-5, -5}, {3, 7}, {4.5, 3}};
    for (const auto& pr : probes) {
        double best = 1e300;
        for (unsigned k = 1; k <= 4; ++k)
            for (int i = 0; i <= 5000; ++i) {
                double q[2];
                poly->GetPointAt(i / 5000.0, q, k);
                best = std::min(best, Dist(pr, q));
            }
        double p[2] = {pr[0], pr[1]}, out[2], t = 0, dist = 1e7;
        unsigned seg = 0;
        ASSERT_EQ(poly->GetNearestPoint(p, out, t, seg, dist), 1);
        EXPECT_NEAR(dist, best, 1e-3) << pr[0] << "," << pr[1];
        EXPECT_LE(dist, best + 1e-12);
        double q[2];
        poly->GetPointAt(t, q, seg);
        EXPECT_NEAR(Dist(q, out), 0.0, 1e-12) << "the point at (t, seg)";
    }
}

TEST(GePolylineTest, TangentsAndEvaluation)
{
    auto poly = Make({{0, 0}, {2, 0}, {2, 0}, {2, 3}});
    double v[2];
    poly->GetTanVecAt(0.5, v, 2);
    EXPECT_EQ(v[0], 0.0) << "a collapsed edge takes the next edge's direction";
    EXPECT_EQ(v[1], 3.0);
    auto tail = Make({{0, 0}, {2, 0}, {2, 0}});
    tail->GetTanVecAt(0.5, v, 2);
    EXPECT_EQ(v[0], 2.0) << "a collapsed last edge takes the previous one's";
    double p[2];
    ASSERT_EQ(poly->GetPointEx(0.5, p), 1);
    EXPECT_EQ(p[0], 2.0);
    EXPECT_NEAR(p[1], 0.0, 1e-12);
    ASSERT_EQ(poly->GetPointEx(1.0, p), 1);
    EXPECT_EQ(p[1], 3.0);
    EXPECT_EQ(poly->GetGCPoint(3, p, 3), 1);
    EXPECT_EQ(p[1], 1.5);
    EXPECT_EQ(poly->GetGCPoint(3, p, 4), 0);
    EXPECT_EQ(poly->GetGCPoint(4, p, 1), 0);
}

TEST(GePolylineTest, SplitGivesLinesOrPolylines)
{
    struct Row {
        const char* label;
        Pts pts;
        double t;
        int k;
        Pts first;   // empty: null
        Pts second;  // empty: null
    };
    const Row rows[] = {
        {"two vertices", {{0, 0}, {4, 0}}, 0.5, 1, {{0, 0}, {2, 0}}, {{2, 0}, {4, 0}}},
        {"inside edge 2", {{0, 0}, {2, 0}, {2, 2}, {0, 2}}, 0.5, 2, {{0, 0}, {2, 0}, {2, 1}}, {{2, 1}, {2, 2}, {0, 2}}},
        {"at a vertex", {{0, 0}, {2, 0}, {2, 2}, {0, 2}}, 1.0, 1, {{0, 0}, {2, 0}}, {{2, 0}, {2, 2}, {0, 2}}},
        {"at the start", {{0, 0}, {2, 0}, {2, 2}}, 0.0, 1, {}, {{0, 0}, {2, 0}, {2, 2}}},
        {"at the end", {{0, 0}, {2, 0}, {2, 2}}, 1.0, 2, {{0, 0}, {2, 0}, {2, 2}}, {}},
        {"collinear piece leaned", {{0, 0}, {1, 0}, {2, 0}, {2, 2}}, 0.5, 3, {{0, 0}, {2, 0}, {2, 1}}, {{2, 1}, {2, 2}}},
    };
    for (const Row& row : rows) {
        auto poly = Make(row.pts);
        CGeCurve* out[2] = {nullptr, nullptr};
        poly->Split(row.t, out, row.k, 1);
        std::unique_ptr<CGeCurve> a(out[0]), b(out[1]);
        for (int i = 0; i < 2; ++i) {
            const Pts& want = i == 0 ? row.first : row.second;
            CGeCurve* got = i == 0 ? a.get() : b.get();
            if (want.empty()) {
                EXPECT_EQ(got, nullptr) << row.label << " piece " << i;
                continue;
            }
            ASSERT_NE(got, nullptr) << row.label << " piece " << i;
            EXPECT_EQ(got->GetType(), want.size() == 2 ? 0x2 : 0x40) << row.label << " piece " << i;
            if (got->GetType() == 0x40) ExpectVertices(got, want, row.label);
            double s[2], e[2];
            got->GetStartPoint(s);
            got->GetEndPoint(e);
            EXPECT_NEAR(Dist(s, want.front().data()), 0.0, 1e-12) << row.label;
            EXPECT_NEAR(Dist(e, want.back().data()), 0.0, 1e-12) << row.label;
        }
    }
    auto poly = Make({{0, 0}, {1, 0}});
    CGeCurve* out[2] = {nullptr, nullptr};
    poly->Split(0.5, out, 2, 1);
    EXPECT_EQ(out[0], nullptr) << "no edge 2";
    poly->Split(1.5, out, 1, 1);
    EXPECT_EQ(out[0], nullptr) << "t outside the edge";
}

TEST(GePolylineTest, SplitInNodeAndSubranges)
{
    auto poly = Make({{0, 0}, {1, 0}, {2, 0}, {2, 1}, {3, 1}});
    CTypedPtrList<CObList, CGeCurve*> pieces;
    const int nodes[] = {0, 1, 3};
    poly->SplitInNode(nodes, 3, pieces);
    ASSERT_EQ(pieces.GetCount(), 3);
    POSITION pos = pieces.GetHeadPosition();
    EXPECT_EQ(pieces.GetNext(pos)->GetType(), 0x2);
    ExpectVertices(pieces.GetNext(pos), {{1, 0}, {2, 0}, {2, 1}}, "middle piece");
    EXPECT_EQ(pieces.GetNext(pos)->GetType(), 0x2);
    DeleteOwnedList(pieces);

    std::unique_ptr<CGeCurve> sub(poly->ToPolyline_Line(1, 3));
    ExpectVertices(sub.get(), {{1, 0}, {2, 0}, {2, 1}}, "ToPolyline_Line");
    sub.reset(poly->ToPolyline_Line(2, 3));
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->GetType(), 0x2);
    EXPECT_EQ(poly->ToPolyline_Line(3, 3), nullptr);
    EXPECT_EQ(poly->ToPolyline_Line(1, 5), nullptr);
}

TEST(GePolylineTest, DeleteVertices)
{
    // A closed triangle loses a corner and becomes an open edge.
    for (unsigned i : {1u, 2u}) {
        auto tri = Make({{0, 0}, {4, 0}, {0, 3}, {0, 0}});
        ASSERT_EQ(tri->GetClosedFlag(), 1);
        tri->DelMainNode(i);
        ExpectVertices(tri.get(), i == 1 ? Pts{{0, 0}, {0, 3}} : Pts{{0, 0}, {4, 0}}, "closed triangle");
        EXPECT_EQ(tri->GetClosedFlag(), 0) << "two vertices are not closed";
        BOX2<double> b;
        tri->GetBox2d(&b);
        EXPECT_EQ(b.xmax, i == 1 ? 0.0 : 4.0) << "the box follows";
    }
    auto closed = Make({{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}});
    closed->DelMainNode(0u);
    EXPECT_EQ(closed->GetSWPointCount(), 5) << "the ends of a closed polyline stay";
    closed->DelMainNode(2u);
    ExpectVertices(closed.get(), {{0, 0}, {4, 0}, {0, 4}, {0, 0}}, "closed, middle vertex");
    EXPECT_EQ(closed->GetClosedFlag(), 1);

    auto open = Make({{0, 0}, {1, 5}, {2, 0}});
    open->DelMainNode(1u);
    ExpectVertices(open.get(), {{0, 0}, {2, 0}}, "open");
    BOX2<double> b;
    open->GetBox2d(&b);
    EXPECT_EQ(b.ymax, 0.0) << "the box shrinks";
    open->DelMainNode(0u);
    EXPECT_EQ(open->GetSWPointCount(), 2) << "two vertices stay";

    auto ring = Make({{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}});
    const unsigned list[] = {0, 4};
    ring->DelMainNode(list, 2);
    ExpectVertices(ring.get(), {{4, 0}, {4, 4}, {0, 4}, {4, 0}}, "both ends dropped, closed again");
    auto many = Make({{0, 0}, {1, 0}, {2, 0}});
    const unsigned all[] = {0, 1};
    many->DelMainNode(all, 2);
    EXPECT_EQ(many->GetSWPointCount(), 3) << "n >= K - 1 does nothing";

    auto rep = Make({{0, 0}, {0.005, 0}, {1, 0}});
    EXPECT_EQ(rep->FilterRepeatPoint(0.01), 1);
    ExpectVertices(rep.get(), {{0.005, 0}, {1, 0}}, "FilterRepeatPoint");
}

TEST(GePolylineTest, EdgeConversionsMakeComposites)
{
    auto poly = Make({{0, 0}, {1, 0}, {1, 1}, {2, 1}});
    struct Row {
        unsigned k;
        bool bezier;
        std::vector<int> types;
    };
    const Row rows[] = {{2, true, {0x2, 0x20, 0x2}}, {1, false, {0x2, 0x40}}, {3, false, {0x40, 0x2}},
                        {2, false, {0x2, 0x2, 0x2}}};
    for (const Row& row : rows) {
        std::unique_ptr<CGeCombCurve> comb(row.bezier ? poly->ToBezier(row.k) : poly->ToLine(row.k));
        ASSERT_NE(comb, nullptr) << row.k;
        std::vector<int> types;
        CTypedPtrList<CObList, CGeCurve*>& list = comb->GetCurveList();
        for (POSITION pos = list.GetHeadPosition(); pos;) types.push_back(list.GetNext(pos)->GetType());
        EXPECT_EQ(types, row.types) << "edge " << row.k << (row.bezier ? " as spline" : " as line");
    }
    EXPECT_EQ(poly->ToLine(0), nullptr);
    EXPECT_EQ(poly->ToLine(4), nullptr);
    EXPECT_EQ(poly->GetSWPointCount(), 4) << "the polyline is not changed";
}

TEST(GePolylineTest, SnapEndsTheSearchAtTheFirstAcceptedPoint)
{
    CLooker view;
    view.SetViewRect(CRect(0, 0, 800, 600));
    CSnapBase base;
    CSnapAt snap;
    snap.m_pLooker = &view;
    snap.m_pBase = &base;
    snap.m_dAperture = 0.3;
    auto poly = Make({{0, 0}, {4, 0}, {4, 4}});
    struct Row {
        const char* label;
        int mode;
        double cursor[2];
        int hasBase;
        double base[2];
        int kind;
        double at[2];
    };
    const Row rows[] = {
        {"start vertex", kSnapEnd, {0.1, 0.1}, 0, {0, 0}, kSnapEnd, {0, 0}},
        {"corner", kSnapEnd | kSnapNear, {4.1, 0.1}, 0, {0, 0}, kSnapEnd, {4, 0}},
        {"midpoint", kSnapMid, {2.0, 0.1}, 0, {0, 0}, kSnapMid, {2, 0}},
        {"nearest on edge 2", kSnapNear, {4.2, 2.5}, 0, {0, 0}, kSnapNear, {4, 2.5}},
        {"perpendicular foot", kSnapPerp, {4.0, 3.1}, 1, {7, 3}, kSnapPerp, {4, 3}},
    };
    for (const Row& row : rows) {
        snap.m_nSnapMode = row.mode;
        snap.m_ptCursor[0] = row.cursor[0];
        snap.m_ptCursor[1] = row.cursor[1];
        base.m_bHasBase = row.hasBase;
        base.m_ptBase[0] = row.base[0];
        base.m_ptBase[1] = row.base[1];
        CSnapResult result;
        EXPECT_EQ(poly->GetSnapPos(&snap, result), 1) << row.label;
        ASSERT_EQ(result.GetSize(), 1) << row.label;
        EXPECT_EQ(result.GetAt(0).kind, row.kind) << row.label;
        EXPECT_NEAR(result.GetAt(0).pos.x, row.at[0], 1e-12) << row.label;
        EXPECT_NEAR(result.GetAt(0).pos.y, row.at[1], 1e-12) << row.label;
    }
    snap.m_nSnapMode = kSnapEnd;
    snap.m_ptCursor[0] = 10;
    snap.m_ptCursor[1] = 10;
    CSnapResult result;
    EXPECT_EQ(poly->GetSnapPos(&snap, result), 0) << "nothing near";
}

TEST(GePolylineTest, ToElementGivesLinesOrInterpolatedCurves)
{
    CTypedPtrList<CObList, CGeCurve3d*> out;
    Make({{0, 0}, {1, 0}, {1, 1}})->ToElement(&out);
    ASSERT_EQ(out.GetCount(), 2) << "one 3D line per edge";
    EXPECT_NE(dynamic_cast<CGeLine3d*>(out.GetHead()), nullptr);
    geDelCurve3dList(&out);

    Pts arc;
    for (int i = 0; i < 20; ++i) arc.push_back({std::cos(i * 0.1), std::sin(i * 0.1)});
    Make(arc)->ToElement(&out);
    ASSERT_GE(out.GetCount(), 1) << "more than 15 vertices are interpolated";
    for (POSITION pos = out.GetHeadPosition(); pos;)
        EXPECT_NE(dynamic_cast<CGeNrbCrv3d*>(out.GetNext(pos)), nullptr);
    geDelCurve3dList(&out);
}

// Writes the polyline into a memory file; returns the bytes written.
std::vector<BYTE> Store(CGePolyline& poly)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << static_cast<CObject*>(&poly);
        ar.Close();
    }
    std::vector<BYTE> bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
    return bytes;
}

TEST(GePolylineTest, ArchiveRecordAndTruncation)
{
    CQVGlobal settings;
    gSetQVGlobal(&settings);
    auto poly = Make({{0, 0}, {1, 2}, {3, 4}, {0, 0}});
    std::vector<BYTE> bytes = Store(*poly);
    // Class record with "CGePolyline", then 12 + 16 n bytes.
    const size_t head = 2 + 2 + 2 + 11;
    ASSERT_EQ(bytes.size(), head + 12 + 16 * 4);

    auto load = [](const std::vector<BYTE>& data, CObject*& out) {
        CMemFile file;
        file.Write(data.data(), static_cast<UINT>(data.size()));
        file.SeekToBegin();
        CArchive ar(&file, CArchive::load);
        ar >> out;
        ar.Close();
    };
    CObject* back = nullptr;
    load(bytes, back);
    std::unique_ptr<CObject> owner(back);
    auto* loaded = dynamic_cast<CGePolyline*>(back);
    ASSERT_NE(loaded, nullptr);
    ExpectVertices(loaded, {{0, 0}, {1, 2}, {3, 4}, {0, 0}}, "round trip");
    EXPECT_EQ(loaded->GetClosedFlag(), 1);

    struct Row {
        const char* label;
        int count;      // patched vertex count, 0: keep
        size_t keep;    // bytes kept
    };
    const Row rows[] = {{"huge count", 0x7FFFFFFF, bytes.size()},
                        {"negative count", -5, bytes.size()},
                        {"cut inside the vertices", 0, bytes.size() - 8}};
    for (const Row& row : rows) {
        std::vector<BYTE> bad(bytes.begin(), bytes.begin() + static_cast<long>(row.keep));
        if (row.count) std::memcpy(bad.data() + head + 8, &row.count, 4);
        CObject* obj = nullptr;
        bool thrown = false;
        try {
            load(bad, obj);
        } catch (const CArchiveException&) {
            thrown = true;
        }
        delete obj;
        EXPECT_TRUE(thrown) << row.label;
    }
    gSetQVGlobal(nullptr);
}

}  // namespace
