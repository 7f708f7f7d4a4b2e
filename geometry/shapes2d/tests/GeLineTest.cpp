// The straight segment: nearest points, offsets, arc-length parameters,
// splitting, picking, snapping, transforms and its archive record.
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Matrix33.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/tests/ArchiveTestUtil.h"
#include "geometry/shapes2d/tests/SnapTestUtil.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"
#include "platform/core/RecordingDC.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>

namespace {

struct Pt {
    double x, y;
};

CGeLine MakeLine(Pt a, Pt b)
{
    const double p[2] = {a.x, a.y}, q[2] = {b.x, b.y};
    return CGeLine(p, q);
}

TEST(GeLineTest, NearestPointProjectsOrTakesTheNearerEnd)
{
    struct Row {
        const char* label;
        Pt a, b, p;
        Pt out;
        double t, dist;
    };
    const Row rows[] = {
        {"foot inside", {0, 0}, {10, 0}, {5, 1}, {5, 0}, 0.5, 1.0},
        {"before the start", {0, 0}, {10, 0}, {-3, 4}, {0, 0}, 0.0, 5.0},
        {"after the end", {0, 0}, {10, 0}, {14, 3}, {10, 0}, 1.0, 5.0},
        {"on the line", {0, 0}, {10, 10}, {2, 2}, {2, 2}, 0.2, 0.0},
        {"degenerate line: the end wins the tie", {1, 1}, {1, 1}, {4, 5}, {1, 1}, 1.0, 5.0},
    };
    for (const Row& r : rows) {
        CGeLine line = MakeLine(r.a, r.b);
        double p[2] = {r.p.x, r.p.y}, out[2];
        double t = -7.0, dist = 0.0;  // dist on entry plays no part
        unsigned seg = 0;
        EXPECT_EQ(line.GetNearestPoint(p, out, t, seg, dist), 1) << r.label;
        EXPECT_NEAR(out[0], r.out.x, 1e-12) << r.label;
        EXPECT_NEAR(out[1], r.out.y, 1e-12) << r.label;
        EXPECT_NEAR(t, r.t, 1e-12) << r.label;
        EXPECT_NEAR(dist, r.dist, 1e-12) << r.label;
        EXPECT_EQ(seg, 1u) << r.label;
    }
}

TEST(GeLineTest, PerpendicularFootIsWrittenEvenOutsideTheSegment)
{
    CGeLine line = MakeLine({0, 0}, {10, 0});
    double p[2] = {15, 3}, out[2] = {0, 0}, t = 0.0;
    unsigned seg = 0;
    EXPECT_EQ(line.GetPerpPt(p, out, t, seg), 0);
    EXPECT_DOUBLE_EQ(out[0], 15.0);
    EXPECT_DOUBLE_EQ(t, 1.5);
    p[0] = 4;
    EXPECT_EQ(line.GetPerpPt(p, out, t, seg), 1);
    EXPECT_DOUBLE_EQ(t, 0.4);
    CGeLine dot = MakeLine({2, 2}, {2, 2});
    EXPECT_EQ(dot.GetPerpPt(p, out, t, seg), 0) << "a point cannot be projected onto a degenerate line";
}

TEST(GeLineTest, OffsetMovesAlongTheLeftNormal)
{
    struct Row {
        const char* label;
        Pt a, b;
        double d;
        bool made;
        Pt s, e;
    };
    const Row rows[] = {
        {"left", {0, 0}, {10, 0}, 2, true, {0, 2}, {10, 2}},
        {"right", {0, 0}, {10, 0}, -2, true, {0, -2}, {10, -2}},
        {"downward line, left is +x", {0, 10}, {0, 0}, 1, true, {1, 10}, {1, 0}},
        {"shorter than 1e-6", {3, 3}, {3, 3 + 1e-7}, 1, false, {}, {}},
    };
    for (const Row& r : rows) {
        CGeLine line = MakeLine(r.a, r.b);
        std::unique_ptr<CGeCurve> off(line.Offset(r.d));
        ASSERT_EQ(off != nullptr, r.made) << r.label;
        if (!off) continue;
        ASSERT_EQ(off->GetType(), 0x2) << r.label;
        double s[2], e[2];
        off->GetStartPoint(s);
        off->GetEndPoint(e);
        EXPECT_NEAR(s[0], r.s.x, 1e-12) << r.label;
        EXPECT_NEAR(s[1], r.s.y, 1e-12) << r.label;
        EXPECT_NEAR(e[0], r.e.x, 1e-12) << r.label;
        EXPECT_NEAR(e[1], r.e.y, 1e-12) << r.label;
    }
}

TEST(GeLineTest, EvParamAndArcLength)
{
    CGeLine line = MakeLine({0, 0}, {6, 8});  // length 10
    struct Row {
        const char* label;
        double len, t;
    };
    const Row rows[] = {{"start", 0, 0}, {"half", 5, 0.5}, {"end", 10, 1}, {"beyond: not clamped", 15, 1.5},
                        {"before", -5, -0.5}};
    for (const Row& r : rows) {
        double t = 99;
        unsigned seg = 0;
        EXPECT_EQ(line.EvParam(r.len, t, seg, 0.0), 1) << r.label;
        EXPECT_NEAR(t, r.t, 1e-12) << r.label;
        EXPECT_EQ(seg, 1u) << r.label;
    }
    EXPECT_DOUBLE_EQ(line.EvTotalArcLength(), 10.0);
    EXPECT_DOUBLE_EQ(line.EvArcLength(0.25, 0.75, 1), 5.0);
    EXPECT_DOUBLE_EQ(line.EvArcLength(0.75, 0.25, 1), 5.0);
    CGeLine dot = MakeLine({1, 1}, {1, 1});
    double t = 99;
    unsigned seg = 0;
    EXPECT_EQ(dot.EvParam(1.0, t, seg, 0.0), 0);
    EXPECT_EQ(t, 99) << "a degenerate line writes nothing";
}

TEST(GeLineTest, SplitPieces)
{
    CGeLine line = MakeLine({0, 0}, {10, 0});
    line.SetHandle(42);
    struct Row {
        const char* label;
        double t;
        bool first, second;
        double cut;  // x of the cut when both pieces exist
    };
    const Row rows[] = {
        {"at the start", 0.00005, false, true, 0},  {"inside", 0.3, true, true, 3},
        {"at the end", 0.99995, true, false, 10},   {"exactly 0", 0.0, false, true, 0},
    };
    for (const Row& r : rows) {
        CGeCurve* out[2] = {reinterpret_cast<CGeCurve*>(1), reinterpret_cast<CGeCurve*>(1)};
        line.Split(r.t, out, 1, 0);
        std::unique_ptr<CGeCurve> a(out[0]), b(out[1]);
        EXPECT_EQ(a != nullptr, r.first) << r.label;
        EXPECT_EQ(b != nullptr, r.second) << r.label;
        double p[2];
        if (a && b) {
            a->GetEndPoint(p);
            EXPECT_NEAR(p[0], r.cut, 1e-12) << r.label;
            b->GetStartPoint(p);
            EXPECT_NEAR(p[0], r.cut, 1e-12) << r.label;
        }
        for (CGeCurve* piece : {a.get(), b.get()}) {
            if (!piece) continue;
            EXPECT_EQ(piece->GetHandle(), 0u) << r.label << ": new lines carry no handle";
            EXPECT_EQ(piece->GetSWPointCount(), 2) << r.label;
        }
    }
    CGeCurve* untouched[2] = {nullptr, nullptr};
    line.Split(1.5, untouched, 1, 0);
    line.Split(-0.1, untouched, 1, 0);
    EXPECT_EQ(untouched[0], nullptr);
    EXPECT_EQ(untouched[1], nullptr);
}

TEST(GeLineTest, GcPointsAndEvaluation)
{
    CGeLine line = MakeLine({2, 4}, {6, 0});
    struct Row {
        unsigned char kind;
        int ret;
        Pt p;
    };
    const Row rows[] = {{1, 1, {2, 4}}, {2, 1, {6, 0}}, {3, 1, {4, 2}}, {4, 0, {-1, -1}}, {0, 0, {-1, -1}}};
    for (const Row& r : rows) {
        double p[2] = {-1, -1};
        EXPECT_EQ(line.GetGCPoint(r.kind, p, 1), r.ret) << "kind " << int(r.kind);
        EXPECT_DOUBLE_EQ(p[0], r.p.x) << "kind " << int(r.kind);
        EXPECT_DOUBLE_EQ(p[1], r.p.y) << "kind " << int(r.kind);
    }
    double p[2], d1[2], d2[2] = {7, 7};
    line.Ev2Der(2.0, p, d1, d2, 1);
    EXPECT_DOUBLE_EQ(p[0], 10.0) << "any t";
    EXPECT_DOUBLE_EQ(d1[0], 4.0);
    EXPECT_DOUBLE_EQ(d1[1], -4.0);
    EXPECT_EQ(d2[0], 0.0);
    EXPECT_EQ(line.IsClosed(1e9), 0);
}

TEST(GeLineTest, PickCountsTheApertureItself)
{
    CGeLine line = MakeLine({0, 0}, {10, 0});
    struct Row {
        const char* label;
        Pt p;
        double aperture;
        int mask, check;
        int hit;
        double dist;
    };
    const Row rows[] = {
        {"exactly the aperture away", {5, 0.5}, 0.5, -1, 1, 1, 0.5},
        {"just beyond", {5, 0.5000001}, 0.5, -1, 1, 0, 1e30},
        {"beyond the start within the aperture", {-0.3, 0.3}, 0.5, -1, 1, 1, std::sqrt(0.18)},
        {"beyond the end within the aperture", {10.3, -0.3}, 0.5, -1, 1, 1, std::sqrt(0.18)},
        {"beyond the end, too far", {10.4, -0.4}, 0.5, -1, 1, 0, 1e30},
        {"outside the grown box", {5, 3}, 0.5, -1, 1, 0, 1e30},
        {"type mask without bit 2", {5, 0}, 0.5, ~0x2, 1, 0, 1e30},
        {"mask ignored without the type check", {5, 0}, 0.5, ~0x2, 0, 1, 0},
    };
    for (const Row& r : rows) {
        CPickRay ray;
        ray.m_pt[0] = r.p.x;
        ray.m_pt[1] = r.p.y;
        ray.m_dAperture = r.aperture;
        ray.m_nTypeMask = r.mask;
        EXPECT_EQ(line.Pick(ray, r.check), r.hit) << r.label;
        EXPECT_NEAR(ray.m_dDist, r.dist, 1e-9) << r.label;
    }
    CPickRay ray;
    ray.m_pt[0] = 5;
    ray.m_pt[1] = 0.2;
    ray.m_dAperture = 1;
    ray.m_dDist = 0.1;
    EXPECT_EQ(line.Pick(ray, 1), 1);
    EXPECT_DOUBLE_EQ(ray.m_dDist, 0.1) << "the best distance only shrinks";
}

class LineSnapTest : public snaptest::SnapFixture<Pt> {
protected:
    void ExpectItem(int i, int kind, Pt p, const char* label)
    {
        ASSERT_LT(i, m_result.GetSize()) << label;
        EXPECT_EQ(m_result.GetAt(i).kind, kind) << label;
        EXPECT_NEAR(m_result.GetAt(i).pos.x, p.x, 1e-9) << label;
        EXPECT_NEAR(m_result.GetAt(i).pos.y, p.y, 1e-9) << label;
    }
};

TEST_F(LineSnapTest, ModesPushTheirPoints)
{
    CGeLine line = MakeLine({0, 0}, {10, 0});
    EXPECT_EQ(Snap(line, kSnapEnd, {10.2, 0.1}), 1);
    EXPECT_EQ(m_result.GetSize(), 1);
    ExpectItem(0, kSnapEnd, {10, 0}, "end point");

    EXPECT_EQ(Snap(line, kSnapNear, {3, 0.3}), 1);
    ExpectItem(0, kSnapNear, {3, 0}, "nearest");
    EXPECT_EQ(Snap(line, kSnapNear, {11, 0.1}), 0) << "foot beyond the end";

    EXPECT_EQ(Snap(line, kSnapMid, {5.1, 0.1}), 1);
    ExpectItem(0, kSnapMid, {5, 0}, "midpoint");

    m_base.m_bHasBase = 1;
    m_base.m_ptBase[0] = 7;
    m_base.m_ptBase[1] = 30;
    EXPECT_EQ(Snap(line, kSnapPerp, {7.2, 0.2}), 1);
    ExpectItem(0, kSnapPerp, {7, 0}, "perpendicular");
    EXPECT_EQ(Snap(line, kSnapPerp, {1, 0.2}), 0) << "foot far from the cursor";
    m_base.m_ptBase[0] = 20;
    EXPECT_EQ(Snap(line, kSnapPerp, {20, 0}), 0) << "foot beyond the line";
    m_base.m_bHasBase = 0;
    EXPECT_EQ(Snap(line, kSnapPerp, {7.2, 0.2}), 0) << "no base point";
}

TEST_F(LineSnapTest, AxisFlagAndMissingContext)
{
    CGeLine line = MakeLine({0, 0}, {10, 5});
    m_snap.m_bAlign = 1;
    // Only the cursor's x matches the end point's x: the axis test pushes it,
    // IsSnapPoint does not.
    EXPECT_EQ(Snap(line, kSnapEnd, {10.3, 40}), 1);
    EXPECT_EQ(m_result.GetSize(), 1);
    ExpectItem(0, kSnapEnd, {10, 5}, "aligned in x");
    // Next to the start: the axis test and IsSnapPoint both push it.
    EXPECT_EQ(Snap(line, kSnapEnd, {0.1, 0.1}), 1);
    EXPECT_EQ(m_result.GetSize(), 2) << "the start may be pushed twice";

    m_snap.m_pBase = nullptr;
    EXPECT_EQ(Snap(line, kSnapEnd, {0.1, 0.1}), 0) << "no context";
    m_snap.m_pBase = &m_base;
    m_snap.m_pLooker = nullptr;
    EXPECT_EQ(Snap(line, kSnapEnd, {0.1, 0.1}), 0) << "no view";
}

TEST(GeLineTest, TransformsMoveEndsDisplayAndBox)
{
    struct Row {
        const char* label;
        std::function<CGeCurve*(CGeLine&)> apply;
        Pt s, e;
    };
    double origin[2] = {0, 0};
    const Row rows[] = {
        {"translate", [](CGeLine& l) { double v[2] = {1, 2}; l.Translate(v); return &l; }, {2, 2}, {4, 2}},
        {"rotate a quarter", [&](CGeLine& l) { l.Rotate(origin, std::numbers::pi / 2); return &l; }, {0, 1}, {0, 3}},
        {"mirror in y", [](CGeLine& l) { double p[2] = {0, 0}, q[2] = {0, 1}; l.Mirror(p, q); return &l; },
         {-1, 0}, {-3, 0}},
        {"scale (2, -1)", [&](CGeLine& l) { double f[2] = {2, -1}; return l.Scale(origin, f); }, {2, 0}, {6, 0}},
        {"shear", [&](CGeLine& l) { double f[2] = {0, 1}; return l.Shear(origin, f); }, {1, 1}, {3, 3}},
        {"matrix", [](CGeLine& l) {
             double m[3][3] = {{0, 1, 0}, {-1, 0, 0}, {5, 5, 1}};
             return l.Transform(m, 0);
         }, {5, 6}, {5, 8}},
    };
    for (const Row& r : rows) {
        CGeLine line = MakeLine({1, 0}, {3, 0});
        EXPECT_EQ(r.apply(line), &line) << r.label;
        double s[2], e[2];
        line.GetStartPoint(s);
        line.GetEndPoint(e);
        EXPECT_NEAR(s[0], r.s.x, 1e-12) << r.label;
        EXPECT_NEAR(s[1], r.s.y, 1e-12) << r.label;
        EXPECT_NEAR(e[0], r.e.x, 1e-12) << r.label;
        EXPECT_NEAR(e[1], r.e.y, 1e-12) << r.label;
        ASSERT_EQ(line.GetSWPointCount(), 2) << r.label;
        EXPECT_NEAR(line.GetSWPoint()[1][0], r.e.x, 1e-12) << r.label << ": display follows";
        EXPECT_NEAR(line.GetSWPoint()[1][1], r.e.y, 1e-12) << r.label << ": display follows";
        BOX2<double> box;
        line.GetBox2d(&box);
        EXPECT_NEAR(box.xmin, std::min(r.s.x, r.e.x), 1e-12) << r.label;
        EXPECT_NEAR(box.ymax, std::max(r.s.y, r.e.y), 1e-12) << r.label;
    }
}

TEST(GeLineTest, EditsKeepDisplayAndBox)
{
    CGeLine line = MakeLine({0, 0}, {10, 0});
    double p[2] = {-5, 3};
    line.ModifyStartPoint(p);
    EXPECT_EQ(line.GetSWPoint()[0][0], -5.0);
    double q[2] = {12, -1};
    line.ModifyEndPoint(q);
    EXPECT_EQ(line.GetSWPoint()[1][1], -1.0);
    BOX2<double> box;
    line.GetBox2d(&box);
    EXPECT_EQ(box.xmin, -5.0);
    EXPECT_EQ(box.ymin, -1.0);
    EXPECT_EQ(box.xmax, 12.0);

    line.Reverse();
    double s[2];
    line.GetStartPoint(s);
    EXPECT_EQ(s[0], 12.0);
    EXPECT_EQ(line.GetSWPoint()[0][0], 12.0) << "display reversed too";

    std::unique_ptr<CGeCurve> copy(line.Copy());
    copy->GetStartPoint(s);
    EXPECT_EQ(s[0], 12.0);
}

TEST(GeLineTest, ToBezierPutsHandlesAtThirds)
{
    CGeLine line = MakeLine({0, 0}, {9, 3});
    std::unique_ptr<CGeBezier> bez(line.ToBezier());
    ASSERT_NE(bez, nullptr);
    ASSERT_EQ(bez->GetNodeCount(), 4u);
    const Pt want[4] = {{0, 0}, {3, 1}, {6, 2}, {9, 3}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(bez->GetNodes()[i].x, want[i].x, 1e-12) << "node " << i;
        EXPECT_NEAR(bez->GetNodes()[i].y, want[i].y, 1e-12) << "node " << i;
    }
}

TEST(GeLineTest, DrawNodeMarksBothEnds)
{
    CLooker looker;
    looker.SetViewRect(CRect(0, 0, 100, 100));
    gSetLooker(&looker);
    CGeLine line = MakeLine({0, 0}, {10, 0});
    RecordingDC dc;
    line.DrawNode(&dc, 1, 1);
    gSetLooker(nullptr);
    auto ellipses = dc.Filter(DCRecord::Ellipse);
    auto rects = dc.Filter(DCRecord::Rectangle);
    ASSERT_EQ(ellipses.size(), 1u);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(ellipses[0].rect.right - ellipses[0].rect.left, 8);
    EXPECT_EQ(ellipses[0].pen.colour, RGB(0, 125, 0));
    EXPECT_EQ(rects[0].rect.right - rects[0].rect.left, 6);
    EXPECT_EQ(rects[0].rect.left + 3 - (ellipses[0].rect.left + 4), 10) << "one world unit is one pixel";
}

TEST(GeLineTest, ArchiveRecord)
{
    CQVGlobal settings;
    settings.SetVersion(6);
    gSetQVGlobal(&settings);
    CGeLine line = MakeLine({1.5, -2}, {3, 4});
    line.SetHandle(9);
    CMemFile file;
    archtest::StoreObject(file, &line);
    // Class record (0xFFFF, schema, name length, "CGeLine"), then handle,
    // closed flag and four doubles.
    EXPECT_EQ(file.GetLength(), 2u + 2u + 2u + 7u + 4u + 4u + 4u * 8u);
    CObject* back = archtest::LoadObject(file);
    gSetQVGlobal(nullptr);
    std::unique_ptr<CObject> owner(back);
    auto* loaded = dynamic_cast<CGeLine*>(back);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetHandle(), 9u);
    double s[2], e[2];
    loaded->GetStartPoint(s);
    loaded->GetEndPoint(e);
    EXPECT_EQ(s[0], 1.5);
    EXPECT_EQ(s[1], -2.0);
    EXPECT_EQ(e[1], 4.0);
    EXPECT_EQ(loaded->GetSWPointCount(), 2) << "loading rebuilds the display polyline";
}

}  // namespace
