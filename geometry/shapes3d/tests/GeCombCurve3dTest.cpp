#include "CurveSampling.h"

#include "framework/looker/Looker.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "platform/core/RecordingDC.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "framework/numerak/Point3D.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793;

// A line that counts its destructions, to see what the composite deletes.
class CountedLine : public CGeLine3d {
public:
    CountedLine(double* s, double* e) : CGeLine3d(s, e) {}
    ~CountedLine() override { ++s_deleted; }
    static inline int s_deleted = 0;
};

CGeLine3d* Line(double x0, double y0, double z0, double x1, double y1, double z1)
{
    double s[3] = {x0, y0, z0}, e[3] = {x1, y1, z1};
    return new CGeLine3d(s, e);
}

TEST(GeCombCurve3dTest, IsLinkedComparesEachGapWithTheTolerance)
{
    constexpr double tol = 0.01;
    struct Row {
        const char* label;
        double gap;
        int linked;
    };
    const Row rows[] = {
        {"touching", 0.0, 1},
        {"gap just below tol", tol - 1e-6, 1},
        {"gap exactly tol", tol, 0},
        {"gap just above tol", tol + 1e-6, 0},
    };
    for (const auto& row : rows) {
        CGeCombCurve3d comb;
        comb.AddTail(Line(0, 0, 0, 10, 0, 0));
        // The gap runs along z, so the measure must be 3D.
        comb.AddTail(Line(10, 0, row.gap, 10, 10, row.gap));
        EXPECT_EQ(comb.IsLinked(tol), row.linked) << row.label;
    }

    CGeCombCurve3d empty;
    EXPECT_EQ(empty.IsLinked(tol), 1) << "an empty composite is linked";

    CGeCombCurve3d withNull;
    withNull.m_listCurve.AddTail(Line(0, 0, 0, 1, 0, 0));
    withNull.m_listCurve.AddTail(nullptr);
    withNull.m_listCurve.AddTail(Line(1, 0, 0, 1, 1, 0));
    EXPECT_EQ(withNull.IsLinked(tol), 1) << "null entries are skipped";
    withNull.m_listCurve.AddTail(Line(5, 5, 5, 6, 6, 6));
    EXPECT_EQ(withNull.IsLinked(tol), 0) << "a gap after the null entries";
}

// Rotation and translation of every member kind against closed forms; the box follows.
TEST(GeCombCurve3dTest, RotateAndTranslateMoveEveryMemberAndTheBox)
{
    using Map = std::function<void(const double*, double*)>;
    struct Row {
        const char* label;
        std::function<void(CGeCombCurve3d&)> apply;
        Map expected;
    };
    const Row rows[] = {
        {"quarter turn about the vertical through (1, 2)",
         [](CGeCombCurve3d& c) {
             double p[3] = {1, 2, 7}, axis[3] = {0, 0, 3};
             c.Rotate3D(p, axis, kPi / 2);
         },
         [](const double* v, double* o) { P3D_Set(o, 1 - (v[1] - 2), 2 + (v[0] - 1), v[2]); }},
        {"quarter turn about the x axis",
         [](CGeCombCurve3d& c) {
             double p[3] = {5, 0, 0}, axis[3] = {1, 0, 0};
             c.Rotate3D(p, axis, kPi / 2);
         },
         [](const double* v, double* o) { P3D_Set(o, v[0], -v[2], v[1]); }},
        {"half turn about the diagonal (1, 1, 0)",
         [](CGeCombCurve3d& c) {
             double p[3] = {0, 0, 0}, axis[3] = {1, 1, 0};
             c.Rotate3D(p, axis, kPi);
         },
         [](const double* v, double* o) { P3D_Set(o, v[1], v[0], -v[2]); }},
        {"translation",
         [](CGeCombCurve3d& c) {
             double d[3] = {3, -4, 5};
             c.Translate3D(d);
         },
         [](const double* v, double* o) { P3D_Set(o, v[0] + 3, v[1] - 4, v[2] + 5); }},
    };

    for (const auto& row : rows) {
        CGeCombCurve3d comb;
        comb.AddTail(Line(0, 0, 1, 10, 0, 1));
        auto* arc = new CGeArc3d;
        double c[3] = {10, 5, 1};
        ASSERT_TRUE(arc->CreateArcXY(c, 5, -kPi / 2, kPi));
        arc->DiscreteMe(0.001);
        comb.AddTail(arc);
        auto* pl = new CGePolyline3d;
        double pts[3][3] = {{10, 10, 1}, {5, 12, 3}, {0, 10, 2}};
        pl->Create(3, pts);
        comb.AddTail(pl);

        // Expected positions at sample parameters of every member, before the move.
        std::vector<std::vector<double>> before;
        auto sample = [](CGeCombCurve3d& cc, int k, double t, double* out) { cc.GetPointAt(t, out, k); };
        const double params[] = {0.0, 0.3, 0.5, 1.0};
        for (int k = 1; k <= 3; ++k) {
            for (double t : params) {
                double p[3], q[3];
                sample(comb, k, t, p);
                row.expected(p, q);
                before.push_back({q[0], q[1], q[2]});
            }
        }
        row.apply(comb);

        BOX3<double> box;
        box.InitEmpty();
        std::size_t i = 0;
        for (int k = 1; k <= 3; ++k) {
            for (double t : params) {
                double p[3];
                sample(comb, k, t, p);
                EXPECT_NEAR(P3D_Dist(p, before[i].data()), 0.0, 1e-9)
                    << row.label << ", member " << k << " at " << t;
                ++i;
            }
        }
        // The box must hold every member: the line's ends, the arc densely, the vertices.
        for (int j = 0; j <= 400; ++j) {
            double p[3];
            comb.GetSubCurve(2)->GetPointAt(j / 400.0, p, 1);
            box.Extend(p);
        }
        box.Extend(static_cast<CGeLine3d*>(comb.GetSubCurve(1))->m_ptStart);
        box.Extend(static_cast<CGeLine3d*>(comb.GetSubCurve(1))->m_ptEnd);
        auto* poly = static_cast<CGePolyline3d*>(comb.GetSubCurve(3));
        for (int j = 0; j < poly->GetCount(); ++j) box.Extend(poly->GetCtrlPt()[j]);
        // The arc's box is that of its display string, within the tolerance it was made at.
        const double tol = 1e-3 + 1e-9;
        EXPECT_NEAR(comb.m_box.xmin, box.xmin, tol) << row.label;
        EXPECT_NEAR(comb.m_box.ymin, box.ymin, tol) << row.label;
        EXPECT_NEAR(comb.m_box.zmin, box.zmin, tol) << row.label;
        EXPECT_NEAR(comb.m_box.xmax, box.xmax, tol) << row.label;
        EXPECT_NEAR(comb.m_box.ymax, box.ymax, tol) << row.label;
        EXPECT_NEAR(comb.m_box.zmax, box.zmax, tol) << row.label;
    }
}

TEST(GeCombCurve3dTest, CalcBoxIsTheUnionOfTheMembersBoxes)
{
    CGeCombCurve3d comb;
    comb.m_listCurve.AddTail(Line(0, 0, 0, 1, 2, 3));
    comb.m_listCurve.AddTail(nullptr);
    comb.m_listCurve.AddTail(Line(-1, 5, 1, 0, 0, -2));
    comb.CalcBox();
    EXPECT_DOUBLE_EQ(comb.m_box.xmin, -1);
    EXPECT_DOUBLE_EQ(comb.m_box.ymax, 5);
    EXPECT_DOUBLE_EQ(comb.m_box.zmin, -2);
    EXPECT_DOUBLE_EQ(comb.m_box.zmax, 3);
}

TEST(GeCombCurve3dTest, DeletingTheCompositeDeletesTheMembersStillInTheList)
{
    double a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {1, 1, 0};
    CountedLine::s_deleted = 0;
    auto* kept = new CountedLine(b, c);
    {
        auto* comb = new CGeCombCurve3d;
        comb->AddTail(new CountedLine(a, b));
        comb->AddTail(kept);
        comb->m_listCurve.AddTail(nullptr);
        // A member moved elsewhere leaves the list first.
        comb->m_listCurve.RemoveAt(comb->m_listCurve.Find(kept));
        delete comb;
    }
    EXPECT_EQ(CountedLine::s_deleted, 1);
    delete kept;
    EXPECT_EQ(CountedLine::s_deleted, 2);
}

TEST(GeCombCurve3dTest, AddingACompositeMovesItsMembers)
{
    CGeCombCurve3d comb;
    comb.AddTail(Line(0, 0, 0, 1, 0, 0));
    auto* other = new CGeCombCurve3d;
    other->AddTail(Line(1, 0, 0, 2, 0, 0));
    other->AddTail(Line(2, 0, 0, 3, 0, 0));
    comb.AddTail(other);  // other is deleted
    EXPECT_EQ(comb.GetSegmentCount(), 3);
    auto* front = new CGeCombCurve3d;
    front->AddTail(Line(-2, 0, 0, -1, 0, 0));
    front->AddTail(Line(-1, 0, 0, 0, 0, 0));
    comb.AddHead(front);
    ASSERT_EQ(comb.GetSegmentCount(), 5);
    double s[3];
    comb.GetStartPoint(s);
    EXPECT_DOUBLE_EQ(s[0], -2) << "the added members keep their order in front";
    EXPECT_EQ(comb.IsLinked(0.01), 1);
    EXPECT_DOUBLE_EQ(comb.m_box.xmin, -2);
    EXPECT_DOUBLE_EQ(comb.m_box.xmax, 3);

    CGeCombCurve3d empty;
    comb.AddTail(&empty);  // an empty composite is neither taken nor deleted
    EXPECT_EQ(comb.GetSegmentCount(), 5);
}

TEST(GeCombCurve3dTest, EvParamFindsTheMemberHoldingTheLength)
{
    CGeCombCurve3d comb;
    comb.AddTail(Line(0, 0, 0, 10, 0, 0));
    comb.AddTail(Line(10, 0, 0, 20, 0, 0));
    comb.AddTail(Line(20, 0, 0, 30, 0, 0));
    struct Row {
        double len;
        int member;
        double t;
    };
    for (const Row row : {Row{25, 3, 0.5}, Row{20, 3, 0.0}, Row{5, 1, 0.5}, Row{30, 0, -1}, Row{40, 0, -1}}) {
        double t = -1;
        unsigned int seg = 99;
        EXPECT_EQ(comb.EvParam(row.len, t, seg, 0), row.member) << "length " << row.len;
        EXPECT_DOUBLE_EQ(t, row.t) << "length " << row.len;
    }
}

TEST(GeCombCurve3dTest, ScaleReplacesAnArcByANurbsCurveInPlace)
{
    CGeCombCurve3d comb;
    comb.AddTail(Line(-5, 0, 0, 0, 0, 0));
    auto* arc = new CGeArc3d;
    double c[3] = {5, 0, 0};
    arc->CreateArcXY(c, 5, kPi, -kPi);
    arc->DiscreteMe(0.01);
    comb.AddTail(arc);
    double centre[3] = {0, 0, 0}, f[3] = {2, 2, 2};
    EXPECT_EQ(comb.Scale3D(centre, f), &comb);
    ASSERT_EQ(comb.GetSegmentCount(), 2);
    EXPECT_EQ(comb.GetSubCurve(2)->GetType(), 0x4000);
    double p[3];
    comb.GetSubCurve(2)->GetPointAt(0.5, p, 1);
    // The clockwise half circle from (0, 0) over (5, 5) to (10, 0), doubled.
    EXPECT_NEAR(p[0], 10.0, 1e-9) << "the top of the scaled half circle";
    EXPECT_NEAR(p[1], 10.0, 1e-9);
    EXPECT_NEAR(comb.m_box.xmax, 20.0, 1e-9);
}

}  // namespace

namespace {

CGeArc3d* ArcXY(double cx, double cy, double cz, double r, double a0, double sweep)
{
    auto* arc = new CGeArc3d;
    double c[3] = {cx, cy, cz};
    arc->CreateArcXY(c, r, a0, sweep);
    arc->DiscreteMe(0.001);
    return arc;
}

CGeArc3d* Arc3Pnt(std::array<double, 3> s, std::array<double, 3> m, std::array<double, 3> e)
{
    auto* arc = new CGeArc3d;
    EXPECT_EQ(arc->Create3Pnt(s.data(), m.data(), e.data()), 1);
    arc->DiscreteMe(0.001);
    return arc;
}

std::unique_ptr<CGeCombCurve3d> Comb(std::initializer_list<CGeCurve3d*> members)
{
    auto c = std::make_unique<CGeCombCurve3d>();
    for (CGeCurve3d* m : members) c->m_listCurve.AddTail(m);
    c->CalcBox();
    return c;
}

TEST(GeCombCurve3dTest, IsPlanarTable)
{
    // A plane tilted about the x axis: points (x, t cos 30, t sin 30).
    const double c30 = std::cos(kPi / 6), s30 = std::sin(kPi / 6);
    auto tilted = [&](double x, double t) { return std::array<double, 3>{x, t * c30, t * s30}; };
    const std::array<double, 3> tiltNormal = {0, -s30, c30};
    struct Row {
        std::string label;
        std::function<std::unique_ptr<CGeCombCurve3d>()> make;
        int code;
        std::array<double, 3> vec;  // normal or direction up to sign (code 1 or 2)
    };
    const std::vector<Row> rows = {
        {"parallel lines apart", [] { return Comb({Line(0, 0, 0, 10, 0, 0), Line(0, 5, 0, 10, 5, 0)}); }, 1, {0, 0, 1}},
        {"antiparallel lines apart", [] { return Comb({Line(0, 0, 0, 10, 0, 0), Line(10, 0, 4, 0, 0, 4)}); }, 1, {0, 1, 0}},
        {"collinear lines", [] { return Comb({Line(0, 0, 0, 10, 0, 0), Line(12, 0, 0, 20, 0, 0)}); }, 2, {1, 0, 0}},
        {"crossing lines", [] { return Comb({Line(0, 0, 0, 10, 0, 0), Line(10, 0, 0, 10, 0, 7)}); }, 1, {0, 1, 0}},
        {"skew lines", [] { return Comb({Line(0, 0, 0, 10, 0, 0), Line(0, 5, 3, 0, 10, 3)}); }, 0, {}},
        {"three lines, the third leaving the plane",
         [] { return Comb({Line(0, 0, 0, 10, 0, 0), Line(10, 0, 0, 10, 10, 0), Line(10, 10, 0, 0, 10, 1)}); }, 0, {}},
        {"line and arc in one plane", [] { return Comb({Line(10, 0, 2, 20, 0, 2), ArcXY(0, 0, 2, 10, 0, 1)}); }, 1, {0, 0, 1}},
        {"line along the arc's plane but above it",
         [] { return Comb({ArcXY(0, 0, 0, 10, 0, 1), Line(10, 0, 2, 20, 0, 2)}); }, 0, {}},
        {"arc, then a line leaving its plane", [] { return Comb({ArcXY(0, 0, 0, 10, 0, 1), Line(10, 0, 0, 20, 0, 5)}); }, 0, {}},
        {"arcs with opposite normals in one plane",
         [] { return Comb({ArcXY(0, 0, 1, 10, 0, 1), Arc3Pnt({0, 0, 1}, {-3, -3, 1}, {-6, 0, 1})}); }, 1, {0, 0, 1}},
        {"arcs in parallel planes apart", [] { return Comb({ArcXY(0, 0, 0, 10, 0, 1), ArcXY(0, 0, 5, 10, 0, 1)}); }, 0, {}},
        {"arc in a tilted plane with a line in it",
         [&] {
             auto a = tilted(0, 0), b = tilted(4, 4), e = tilted(8, 0), f = tilted(8, -6);
             return Comb({Arc3Pnt(a, b, e), Line(e[0], e[1], e[2], f[0], f[1], f[2])});
         },
         1, tiltNormal},
        {"a point, then a line through it", [] { return Comb({Line(5, 0, 0, 5, 0, 0), Line(0, 0, 0, 10, 0, 0)}); }, 2, {1, 0, 0}},
        {"a point off a line", [] { return Comb({Line(1, 1, 1, 1, 1, 1), Line(0, 0, 1, 10, 0, 1)}); }, 1, {0, 0, 1}},
        {"a point off the plane of two lines",
         [] { return Comb({Line(0, 0, 0, 10, 0, 0), Line(10, 0, 0, 10, 10, 0), Line(3, 3, 4, 3, 3, 4)}); }, 0, {}},
    };
    // The clockwise arc of the opposite-normal row really points down.
    std::unique_ptr<CGeArc3d> down(Arc3Pnt({0, 0, 1}, {-3, -3, 1}, {-6, 0, 1}));
    ASSERT_LT(down->m_frame.Z[2], -0.999);
    for (const Row& row : rows) {
        auto comb = row.make();
        double p[3] = {99, 99, 99}, v[3] = {0, 0, 0};
        const int code = comb->IsPlanar(1e-3, p, v);
        EXPECT_EQ(code, row.code) << row.label;
        if (code != row.code || (code != 1 && code != 2)) continue;
        double first[3], w[3];
        comb->GetSubCurve(1)->IsPlanar(1e-3, first, w);
        EXPECT_LT(P3D_Dist(p, first), 1e-12) << row.label << ": the first member's point";
        EXPECT_NEAR(std::fabs(V3D_Dot(v, row.vec.data())), 1.0, 1e-9) << row.label;
    }
}

TEST(GeCombCurve3dTest, PickAsksTheMembersInsideTheWidenedBox)
{
    auto comb = Comb({Line(0, 0, 0, 10, 0, 0), Line(10, 0, 0, 10, 10, 0)});
    auto ray2d = [](double x, double y) {
        CPickRay r;
        r.m_pt[0] = x;
        r.m_pt[1] = y;
        r.m_dAperture = 0.5;
        return r;
    };
    CPickRay hit = ray2d(10.3, 6);
    EXPECT_EQ(comb->Pick(hit, 1), 1);
    EXPECT_NEAR(hit.m_dDist, 0.3, 1e-12);
    CPickRay miss = ray2d(5, 5);
    EXPECT_EQ(comb->Pick(miss, 1), 0) << "inside the box but near no member";
    CPickRay outside = ray2d(10.7, 6);
    EXPECT_EQ(comb->Pick(outside, 1), 0);
    CPickRay masked = ray2d(10.3, 6);
    masked.m_nTypeMask = 0x800;
    EXPECT_EQ(comb->Pick(masked, 1), 0) << "the composite's own code is tested first";
    EXPECT_EQ(comb->Pick(masked, 0), 1);
    EXPECT_EQ(CGeCombCurve3d().Pick(hit, 0), 0);

    BOX2<double> box(9, 4, 11, 5);
    EXPECT_EQ(comb->PickBox(nullptr, &box), 1);
    BOX2<double> empty(2, 2, 4, 4);
    EXPECT_EQ(comb->PickBox(nullptr, &empty), 0);
}

TEST(GeCombCurve3dTest, ConvertToPolylineAndArcToNurbsReplaceMembersInPlace)
{
    CGeLine3d* line = Line(10, 0, 0, 20, 0, 0);
    CGeArc3d* arc = ArcXY(0, 0, 0, 10, 0, kPi / 2);
    arc->m_nFlags = 77;
    double pts[3][3] = {{0, 10, 0}, {-5, 12, 0}, {-10, 10, 0}};
    auto* pline = new CGePolyline3d;
    pline->Create(3, pts);
    auto comb = Comb({line, arc, pline});

    std::unique_ptr<CGeCombCurve3d> copy(static_cast<CGeCombCurve3d*>(comb->Copy()));
    copy->ConvertArc2Nurbs();
    ASSERT_EQ(copy->m_listCurve.GetCount(), 3);
    auto* nrb = dynamic_cast<CGeNrbCrv3d*>(copy->GetSubCurve(2));
    ASSERT_NE(nrb, nullptr) << "the arc's place holds a NURBS curve";
    for (int i = 0; i <= 50; ++i) {
        const double a = kPi / 2 * i / 50;
        const double onArc[3] = {10 * std::cos(a), 10 * std::sin(a), 0};
        EXPECT_LT(shapes3d_test::DistToCurve(nrb->GetCurve(), onArc), 1e-9) << "arc point " << i;
    }
    EXPECT_EQ(copy->GetSubCurve(1)->GetType(), 0x800);
    EXPECT_EQ(copy->GetSubCurve(3)->GetType(), 0x2000);

    comb->ConvertToPolyline(0.01);
    ASSERT_EQ(comb->m_listCurve.GetCount(), 3);
    EXPECT_EQ(comb->GetSubCurve(1), line) << "lines stay";
    EXPECT_EQ(comb->GetSubCurve(3), pline) << "polylines stay";
    auto* arcLine = dynamic_cast<CGePolyline3d*>(comb->GetSubCurve(2));
    ASSERT_NE(arcLine, nullptr);
    EXPECT_EQ(arcLine->m_nFlags, 77) << "the member's flags go with it";
    ASSERT_GE(arcLine->GetCount(), 3);
    for (int i = 0; i < arcLine->GetCount(); ++i) {
        const double* p = arcLine->GetCtrlPt()[i];
        EXPECT_NEAR(std::hypot(p[0], p[1]), 10.0, 1e-9) << "vertex " << i;
        if (i > 0) {
            double m[3];
            P3D_Lerp(arcLine->GetCtrlPt()[i - 1], p, 0.5, m);
            EXPECT_LT(10.0 - std::hypot(m[0], m[1]), 0.01 + 1e-9) << "chord " << i;
        }
    }
}

class CombNodeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_looker.SetViewRect(CRect(0, 0, 1000, 1000));
        gSetLooker(&m_looker);
        CLooker::SetView2D();
    }
    void TearDown() override { gSetLooker(nullptr); }
    CLooker m_looker;
    RecordingDC m_dc;
};

TEST_F(CombNodeTest, DrawNodeMarksTheStartOnceAndNoEndOnAClosedComposite)
{
    auto closed = Comb({Line(0, 0, 0, 100, 0, 0), Line(100, 0, 0, 100, 100, 0), Line(100, 100, 0, 0, 100, 0),
                        Line(0, 100, 0, 0, 0, 0)});
    closed->DrawNode(&m_dc, 0, 0, 3);
    EXPECT_EQ(m_dc.Count(DCRecord::Ellipse), 1u);
    EXPECT_EQ(m_dc.Count(DCRecord::Rectangle), 3u) << "the last end would sit on the start";

    auto open = Comb({Line(0, 0, 0, 100, 0, 0), Line(100, 0, 0, 100, 100, 0)});
    m_dc.Clear();
    open->DrawNode(&m_dc, 0, 0, 3);
    EXPECT_EQ(m_dc.Count(DCRecord::Ellipse), 1u);
    EXPECT_EQ(m_dc.Count(DCRecord::Rectangle), 2u);
}

}  // namespace
