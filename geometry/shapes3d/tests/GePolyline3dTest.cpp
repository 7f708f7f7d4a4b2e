#include "geometry/shapes3d/GePolyline3d.h"
#include "framework/numerak/Point3D.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

TEST(GePolyline3dTest, CreateRefusesNullPointsAndFewerThanTwo)
{
    double pts[3][3] = {{0, 0, 0}, {1, 2, 3}, {4, 0, -1}};
    double other[3][3] = {{9, 9, 9}, {8, 8, 8}, {7, 7, 7}};
    struct Row {
        const char* label;
        double (*pts)[3];
        int n;
    };
    const Row rows[] = {{"null points", nullptr, 3}, {"n = 1", other, 1}, {"n = 0", other, 0}, {"n = -2", other, -2}};
    for (const auto& row : rows) {
        CGePolyline3d pl;
        ASSERT_EQ(pl.Create(3, pts), 1);
        const BOX3<double> box = pl.m_box;
        EXPECT_EQ(pl.Create(row.n, row.pts), 0) << row.label;
        ASSERT_EQ(pl.GetCount(), 3) << row.label;
        for (int i = 0; i < 3; ++i) EXPECT_EQ(P3D_Dist(pl.GetCtrlPt()[i], pts[i]), 0.0) << row.label;
        EXPECT_EQ(pl.m_box.xmax, box.xmax) << row.label;
        EXPECT_EQ(pl.m_box.zmin, box.zmin) << row.label;
    }
    CGePolyline3d empty;
    double (*null2)[2] = nullptr;
    EXPECT_EQ(empty.Create(2, null2), 0);
    EXPECT_EQ(empty.GetCount(), 0);
    EXPECT_EQ(empty.m_strDisp.m_pPoints, nullptr);
}

TEST(GePolyline3dTest, CreateCopiesThePointsAndComputesTheBox)
{
    double pts[3][3] = {{0, 0, 0}, {1, 2, 3}, {4, 0, -1}};
    CGePolyline3d pl;
    ASSERT_EQ(pl.Create(3, pts), 1);
    pts[1][0] = 100;  // the polyline holds its own copy
    EXPECT_EQ(pl.GetCtrlPt()[1][0], 1.0);
    EXPECT_EQ(pl.m_box.xmax, 4.0);
    EXPECT_EQ(pl.m_box.ymax, 2.0);
    EXPECT_EQ(pl.m_box.zmin, -1.0);
    EXPECT_NEAR(pl.EvTotalArcLength(), std::sqrt(14.0) + std::sqrt(3.0 * 3 + 2 * 2 + 4 * 4), 1e-12);

    // Its own vertices as the source.
    ASSERT_EQ(pl.Create(2, pl.GetCtrlPt() + 1), 1);
    EXPECT_EQ(pl.GetCount(), 2);
    EXPECT_EQ(pl.GetCtrlPt()[0][1], 2.0);

    double flat[2][2] = {{1, 1}, {2, 3}};
    ASSERT_EQ(pl.Create(2, flat), 1);
    EXPECT_EQ(pl.GetCtrlPt()[1][2], 0.0);
    EXPECT_EQ(pl.m_box.ymax, 3.0);
}

TEST(GePolyline3dTest, CopyCarriesTheClosedFlagAndTakesANewHandle)
{
    double pts[3][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    CGePolyline3d pl;
    pl.Create(3, pts);
    pl.m_bClosed = 1;
    pl.m_nFlags = 9;
    std::unique_ptr<CGePolyline3d> copy(static_cast<CGePolyline3d*>(pl.Copy()));
    EXPECT_EQ(copy->GetCount(), 3);
    EXPECT_EQ(copy->m_bClosed, 1);
    EXPECT_EQ(copy->m_nFlags, 9);
    EXPECT_NE(copy->GetHandle(), pl.GetHandle());
    EXPECT_NE(copy->GetCtrlPt(), pl.GetCtrlPt());
}

TEST(GePolyline3dTest, EvParamSnapsToVertexEndsAndWrapsClosedPolylines)
{
    double pts[4][3] = {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {0, 3, 0}};
    CGePolyline3d open;
    open.Create(4, pts);
    struct Row {
        double len;
        double t;
        unsigned int seg;
    };
    for (const Row row : {Row{3.95, 1.0, 1}, Row{4.05, 1.0, 1}, Row{2.0, 0.5, 1}, Row{5.5, 0.5, 2}, Row{50, 1.0, 3}}) {
        double t = -1;
        unsigned int seg = 0;
        open.EvParam(row.len, t, seg, 0);
        EXPECT_DOUBLE_EQ(t, row.t) << "length " << row.len;
        EXPECT_EQ(seg, row.seg) << "length " << row.len;
    }
    double sq[5][3] = {{0, 0, 0}, {2.5, 0, 0}, {2.5, 2.5, 0}, {0, 2.5, 0}, {0, 0, 0}};
    CGePolyline3d closed;
    closed.Create(5, sq);
    double t = -1;
    unsigned int seg = 0;
    closed.EvParam(26.25, t, seg, 0);  // taken as 6.25
    EXPECT_DOUBLE_EQ(t, 0.5);
    EXPECT_EQ(seg, 3u);
}

TEST(GePolyline3dTest, SplitCutsTheSegmentAndKeepsTheRest)
{
    double pts[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 1, 0}};
    CGePolyline3d pl;
    pl.Create(4, pts);
    CGeCurve3d* out[2] = {nullptr, nullptr};
    pl.Split(0.5, out, 2);
    std::unique_ptr<CGeCurve3d> a(out[0]), b(out[1]);
    ASSERT_TRUE(a && b);
    auto* pa = static_cast<CGePolyline3d*>(a.get());
    auto* pb = static_cast<CGePolyline3d*>(b.get());
    ASSERT_EQ(pa->GetCount(), 3);
    ASSERT_EQ(pb->GetCount(), 3);
    EXPECT_DOUBLE_EQ(pa->GetCtrlPt()[2][1], 0.5);
    EXPECT_DOUBLE_EQ(pb->GetCtrlPt()[0][1], 0.5);
    EXPECT_DOUBLE_EQ(pb->GetCtrlPt()[2][0], 2.0);

    CGeCurve3d* whole[2] = {nullptr, nullptr};
    pl.Split(0.00005, whole, 1);
    EXPECT_EQ(whole[0], nullptr);
    ASSERT_NE(whole[1], nullptr);
    delete whole[1];

    CGeCurve3d* untouched[2] = {nullptr, nullptr};
    pl.Split(0.5, untouched, 4);
    pl.Split(1.5, untouched, 1);
    EXPECT_EQ(untouched[0], nullptr);
    EXPECT_EQ(untouched[1], nullptr);
}

// The vertices of a polyline as a list of points, for comparisons.
using Pts = std::vector<std::vector<double>>;
Pts Vertices(CGePolyline3d& pl)
{
    Pts out;
    for (int i = 0; i < pl.GetCount(); ++i) out.push_back({pl.GetCtrlPt()[i][0], pl.GetCtrlPt()[i][1], pl.GetCtrlPt()[i][2]});
    return out;
}
std::unique_ptr<CGePolyline3d> Make(const Pts& pts)
{
    auto pl = std::make_unique<CGePolyline3d>();
    std::vector<double> flat;
    for (const auto& p : pts) flat.insert(flat.end(), p.begin(), p.end());
    pl->Create(static_cast<int>(pts.size()), reinterpret_cast<double(*)[3]>(flat.data()));
    return pl;
}

TEST(GePolyline3dTest, EvParamAtAVertexEvaluatesToThatVertex)
{
    // t = 1.0 with a segment is the end of that segment, as EvParam reports it.
    const Pts pts = {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {0, 3, 2}};
    CGePolyline3d& pl = *Make(pts).release();
    std::unique_ptr<CGePolyline3d> owner(&pl);
    for (int vertex = 1; vertex <= 3; ++vertex) {
        double running = 0;
        for (int i = 1; i <= vertex; ++i) running += std::sqrt(std::pow(pts[i][0] - pts[i - 1][0], 2) + std::pow(pts[i][1] - pts[i - 1][1], 2) + std::pow(pts[i][2] - pts[i - 1][2], 2));
        for (double off : {-0.05, 0.0, 0.05}) {
            double t = -1, p[3] = {-9, -9, -9}, q[3], tan[3];
            unsigned int seg = 0;
            pl.EvParam(running + off, t, seg, 0);
            ASSERT_EQ(t, 1.0) << "vertex " << vertex << " offset " << off;
            pl.GetPointAt(t, p, static_cast<int>(seg));
            pl.GetTanVecAt(t, q, tan, static_cast<int>(seg));
            for (int j = 0; j < 3; ++j) {
                EXPECT_EQ(p[j], pts[vertex][j]) << "vertex " << vertex << " offset " << off;
                EXPECT_EQ(q[j], pts[vertex][j]) << "vertex " << vertex << " offset " << off;
            }
        }
    }
    // Without a segment, 1.0 stays the start of segment 1; 2.0 carries segment 2.
    double p[3];
    pl.GetPointAt(1.0, p, 0);
    EXPECT_EQ(p[0], 0.0);
    pl.GetPointAt(2.25, p, 3);
    EXPECT_EQ(p[1], 0.75);
}

TEST(GePolyline3dTest, DeletingVertices)
{
    const Pts open = {{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {3, 0, 1}, {4, 0, 0}};
    const Pts triangle = {{0, 0, 0}, {4, 0, 0}, {0, 3, 0}, {0, 0, 0}};
    const Pts hexagon = {{0, 0, 0}, {2, 0, 0}, {3, 1, 0}, {2, 2, 0}, {0, 2, 0}, {0, 0, 0}};
    struct Row {
        std::string label;
        Pts pts;
        std::vector<unsigned int> list;  // one entry: the single-vertex form
        Pts expected;
    };
    const std::vector<Row> rows = {
        {"open, a middle vertex", open, {2}, {open[0], open[1], open[3], open[4]}},
        {"open, the first vertex", open, {0}, {open[1], open[2], open[3], open[4]}},
        {"closed triangle, vertex 1", triangle, {1}, {triangle[0], triangle[2]}},
        {"closed triangle, vertex 2", triangle, {2}, {triangle[0], triangle[1]}},
        {"closed, vertex 0 stays", hexagon, {0}, hexagon},
        {"closed, the last vertex stays", hexagon, {5}, hexagon},
        {"closed, a middle vertex", hexagon, {3}, {hexagon[0], hexagon[1], hexagon[2], hexagon[4], hexagon[5]}},
        {"index beyond the vertices", open, {9}, open},
        {"two vertices only", {open[0], open[1]}, {0}, {open[0], open[1]}},
        {"list: both ends of a closed polyline", hexagon, {0, 5}, {hexagon[1], hexagon[2], hexagon[3], hexagon[4], hexagon[1]}},
        {"list: open, two vertices", open, {1, 3}, {open[0], open[2], open[4]}},
        {"list: as many as n - 1 changes nothing", open, {0, 1, 2, 3}, open},
    };
    for (const Row& row : rows) {
        std::unique_ptr<CGePolyline3d> owner = Make(row.pts);
        CGePolyline3d& pl = *owner;
        std::vector<unsigned int> list = row.list;
        if (row.label.rfind("list", 0) == 0)
            pl.DelCtrlPt(list.data(), static_cast<int>(list.size()));
        else
            pl.DelCtrlPt(list[0]);
        EXPECT_EQ(Vertices(pl), row.expected) << row.label;
        double xmax = -1e300;
        for (const auto& p : row.expected) xmax = std::max(xmax, p[0]);
        EXPECT_EQ(pl.m_box.xmax, xmax) << row.label << ": the box follows";
    }
    std::unique_ptr<CGePolyline3d> pl = Make(open);
    pl->DelCtrlPt(nullptr, 1);
    EXPECT_EQ(Vertices(*pl), open) << "null list";
}

TEST(GePolyline3dTest, SplitInNodeCutsAtTheGivenVertices)
{
    const Pts five = {{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {3, 1, 1}, {4, 0, 0}};
    struct Row {
        std::string label;
        std::vector<int> nodes;
        std::vector<Pts> pieces;
    };
    const std::vector<Row> rows = {
        {"node 2", {2}, {{five[0], five[1], five[2]}, {five[2], five[3], five[4]}}},
        {"node 0 is skipped", {0, 3}, {{five[0], five[1], five[2], five[3]}, {five[3], five[4]}}},
        {"two nodes", {1, 3}, {{five[0], five[1]}, {five[1], five[2], five[3]}, {five[3], five[4]}}},
        {"the last vertex leaves no last piece", {4}, {five}},
        {"out of order and beyond the end cut nothing", {3, 2, 9}, {{five[0], five[1], five[2], five[3]}, {five[3], five[4]}}},
    };
    for (const Row& row : rows) {
        std::unique_ptr<CGePolyline3d> pl = Make(five);
        CGeCurve3dList list;
        std::vector<int> nodes = row.nodes;
        pl->SplitInNode(nodes.data(), static_cast<int>(nodes.size()), list);
        ASSERT_EQ(list.GetCount(), static_cast<INT_PTR>(row.pieces.size())) << row.label;
        size_t i = 0;
        for (POSITION pos = list.GetHeadPosition(); pos;) {
            std::unique_ptr<CGeCurve3d> piece(list.GetNext(pos));
            auto* poly = dynamic_cast<CGePolyline3d*>(piece.get());
            ASSERT_NE(poly, nullptr) << row.label;
            EXPECT_EQ(Vertices(*poly), row.pieces[i]) << row.label << " piece " << i;
            EXPECT_EQ(poly->m_nFlags, 2) << row.label;
            ++i;
        }
    }
}

TEST(GePolyline3dTest, PlanarityCodes)
{
    struct Row {
        std::string label;
        Pts pts;
        int code;
        std::vector<double> vec;  // expected unit vector up to sign; empty: not checked
    };
    const std::vector<Row> rows = {
        {"all within tol of the first", {{0, 0, 0}, {0.001, 0, 0}, {0, 0.002, 0.001}}, 3, {}},
        {"collinear", {{0, 0, 0}, {1, 1, 1}, {3, 3, 3}, {2, 2, 2}}, 2, {1 / std::sqrt(3.0), 1 / std::sqrt(3.0), 1 / std::sqrt(3.0)}},
        {"square", {{0, 0, 5}, {1, 0, 5}, {1, 1, 5}, {0, 1, 5}, {0, 0, 5}}, 1, {0, 0, 1}},
        {"twisted quadrilateral", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1}}, 0, {}},
        {"two points", {{0, 0, 0}, {0, 3, 4}}, 2, {0, 0.6, 0.8}},
        {"two points within tol", {{0, 0, 0}, {0, 0.003, 0.004}}, 3, {}},
    };
    for (const Row& row : rows) {
        std::unique_ptr<CGePolyline3d> pl = Make(row.pts);
        double origin[3] = {-1, -1, -1}, vec[3] = {0, 0, 0};
        EXPECT_EQ(pl->IsPlanar(0.01, origin, vec), row.code) << row.label;
        for (int j = 0; j < 3; ++j) EXPECT_EQ(origin[j], row.pts[0][j]) << row.label;
        if (!row.vec.empty()) {
            const double dot = vec[0] * row.vec[0] + vec[1] * row.vec[1] + vec[2] * row.vec[2];
            EXPECT_NEAR(std::fabs(dot), 1.0, 1e-12) << row.label;
        }
    }
}

}  // namespace
