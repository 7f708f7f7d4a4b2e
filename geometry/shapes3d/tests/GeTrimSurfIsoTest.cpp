// Iso curves of trimmed surfaces: the grid counts, spans through holes, probes that
// touch a loop at a vertex, and curves that lie on the surface and end on the trims.
#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Bsrf.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "testing/SurfaceFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

using CurveList = CTypedPtrList<CObList, CGeCurve3d*>;

// The plane z = 0 over [0, 10]², parameter (u, v) at (10u, 10v).
_nurbs_surface* Plane10() { return surffix::Plane(10, 10).release(); }

CGeTrimBnd* LineBound(double x0, double y0, double x1, double y1)
{
    const double p[2] = {x0, y0}, q[2] = {x1, y1};
    return new CGeTrimBnd(new CGeLine(p, q), nullptr, nullptr);
}

struct Ends {
    double s[3], e[3];
};

std::vector<Ends> EndsOf(CurveList& list)
{
    std::vector<Ends> out;
    for (CGeCurve3d* c : list) {
        Ends e;
        c->GetStartPoint(e.s);
        c->GetEndPoint(e.e);
        out.push_back(e);
    }
    return out;
}

void FreeAll(CurveList& list)
{
    for (CGeCurve3d* c : list) delete c;
    list.RemoveAll();
}

TEST(GeTrimSurfIso, GridCountsOnAnUntrimmedSquare)
{
    struct Row {
        const char* label;
        int n[2];
        int want[2];
        std::vector<double> at;
    };
    const Row rows[] = {{"{4, 0}", {4, 0}, {4, 4}, {0.25, 0.5, 0.75}}, {"{1, 1}", {1, 1}, {2, 2}, {0.5}}};
    for (const Row& row : rows) {
        CGeTrimSurf surf(Plane10(), BOX2<double>(0, 0, 1, 1));
        int n[2] = {row.n[0], row.n[1]};
        surf.ComputerIsoCurve(n);
        EXPECT_EQ(n[0], row.want[0]) << row.label;
        EXPECT_EQ(n[1], row.want[1]) << row.label;
        EXPECT_EQ(surf.m_listLoop.GetCount(), 1) << row.label << ": the rectangle over the domain";
        auto ends = EndsOf(surf.m_listIsoCurve);
        ASSERT_EQ(ends.size(), 2 * row.at.size()) << row.label;
        const size_t k = row.at.size();
        for (size_t i = 0; i < k; ++i) {
            // Constant u first, each spanning the whole v range; then constant v.
            EXPECT_NEAR(ends[i].s[0], 10 * row.at[i], 1e-9) << row.label << " u line " << i;
            EXPECT_NEAR(std::fabs(ends[i].e[1] - ends[i].s[1]), 10.0, 1e-9) << row.label << " u line " << i;
            EXPECT_NEAR(ends[k + i].s[1], 10 * row.at[i], 1e-9) << row.label << " v line " << i;
            EXPECT_NEAR(std::fabs(ends[k + i].e[0] - ends[k + i].s[0]), 10.0, 1e-9) << row.label << " v line " << i;
        }
    }
}

TEST(GeTrimSurfIso, LinesThroughAHoleEndOnTheTrim)
{
    CGeTrimSurf surf(Plane10(), BOX2<double>(0, 0, 1, 1));
    surf.AddLoop(surf.GenRectTrimLoop(0, 1, 0, 1));
    auto* hole = new CGeTrimLoop;
    const double c[2] = {0.5, 0.5};
    hole->AddBound(new CGeTrimBnd(new CGeCircle(c, 0.25, 1), nullptr, nullptr));
    surf.AddLoop(hole);
    surf.CalcUVBox();

    for (double u : {0.4, 0.5, 0.6}) {
        CurveList out;
        surf.IsoCurve(u, 1301, out);
        auto ends = EndsOf(out);
        ASSERT_EQ(ends.size(), 2u) << "u " << u;
        const double half = 10 * std::sqrt(0.25 * 0.25 - (u - 0.5) * (u - 0.5));
        // Below the hole from v = 0 up to the circle, above it from the circle to v = 1.
        EXPECT_NEAR(ends[0].s[1], 0.0, 1e-9) << "u " << u;
        EXPECT_NEAR(ends[0].e[1], 5.0 - half, gGetCrvDiscTol()) << "u " << u;
        EXPECT_NEAR(ends[1].s[1], 5.0 + half, gGetCrvDiscTol()) << "u " << u;
        EXPECT_NEAR(ends[1].e[1], 10.0, 1e-9) << "u " << u;
        FreeAll(out);
    }
    CurveList out;
    surf.IsoCurve(1.5, 1301, out);
    EXPECT_TRUE(out.IsEmpty()) << "outside the parameter box";
    surf.IsoCurve(0.1, 1301, out);
    EXPECT_EQ(out.GetCount(), 1) << "beside the hole";
    FreeAll(out);
}

TEST(GeTrimSurfIso, ProbeTouchingAVertexKeepsBothSpans)
{
    // A diamond hole whose lowest vertex lies on the probe v = 0.3.
    CGeTrimSurf surf(Plane10(), BOX2<double>(0, 0, 1, 1));
    surf.AddLoop(surf.GenRectTrimLoop(0, 1, 0, 1));
    auto* diamond = new CGeTrimLoop;
    diamond->AddBound(LineBound(0.5, 0.3, 0.7, 0.5));
    diamond->AddBound(LineBound(0.7, 0.5, 0.5, 0.7));
    diamond->AddBound(LineBound(0.5, 0.7, 0.3, 0.5));
    diamond->AddBound(LineBound(0.3, 0.5, 0.5, 0.3));
    surf.AddLoop(diamond);
    surf.CalcUVBox();

    CurveList out;
    surf.IsoCurve(0.3, 1302, out);
    auto ends = EndsOf(out);
    double covered = 0.0;
    for (const Ends& e : ends) covered += std::fabs(e.e[0] - e.s[0]);
    EXPECT_NEAR(covered, 10.0, 1e-6) << "the whole line is inside the region";
    FreeAll(out);
    // Through the diamond: two spans with a gap of 0.4 between them.
    surf.IsoCurve(0.5, 1302, out);
    ends = EndsOf(out);
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_NEAR(ends[0].e[0], 3.0, 1e-6);
    EXPECT_NEAR(ends[1].s[0], 7.0, 1e-6);
    FreeAll(out);
}

TEST(GeTrimSurfIso, LoopsAppendedWithoutTheirBoxStillClipTheLines)
{
    // Loops put together bound by bound and appended directly after the surface's
    // parameter box was set, as the toolpath library does, have no parameter box of
    // their own yet.
    CGeTrimSurf surf(Plane10(), BOX2<double>(0, 0, 1, 1));
    auto* outer = new CGeTrimLoop;
    outer->m_listBnd.AddTail(LineBound(0, 0, 1, 0));
    outer->m_listBnd.AddTail(LineBound(1, 0, 1, 1));
    outer->m_listBnd.AddTail(LineBound(1, 1, 0, 1));
    outer->m_listBnd.AddTail(LineBound(0, 1, 0, 0));
    auto* hole = new CGeTrimLoop;
    hole->m_listBnd.AddTail(LineBound(0.4, 0.4, 0.4, 0.6));
    hole->m_listBnd.AddTail(LineBound(0.4, 0.6, 0.6, 0.6));
    hole->m_listBnd.AddTail(LineBound(0.6, 0.6, 0.6, 0.4));
    hole->m_listBnd.AddTail(LineBound(0.6, 0.4, 0.4, 0.4));
    surf.m_listLoop.AddTail(outer);
    surf.m_listLoop.AddTail(hole);
    surf.BuildTopo();

    CurveList out;
    surf.IsoCurve(0.5, 1301, out);
    auto ends = EndsOf(out);
    ASSERT_EQ(ends.size(), 2u) << "below and above the hole";
    EXPECT_NEAR(ends[0].e[1], 4.0, 1e-6);
    EXPECT_NEAR(ends[1].s[1], 6.0, 1e-6);
    FreeAll(out);
    double inHole[2] = {0.5, 0.5}, beside[2] = {0.2, 0.5};
    EXPECT_EQ(surf.IsPtInParaLoop(inHole), 0);
    EXPECT_EQ(surf.IsPtInParaLoop(beside), 1);
}

TEST(GeTrimSurfIso, PiecesLieOnACurvedSurfaceAndRunUpwards)
{
    const double r = 3.0;
    CGeTrimSurf surf(surffix::Hemisphere(r).release(), BOX2<double>(0, 0, 1, 1));
    const double a[2] = {0.3, 0.8}, b[2] = {0.3, 0.2};
    CGeLine span(a, b);
    std::unique_ptr<CGeCurve3d> piece(surf.GenEuclidIsoCurve(&span));
    ASSERT_NE(piece, nullptr);
    double lo[3], hi[3], s[3], e[3];
    surf.GetPoint(0.3, 0.2, lo);
    surf.GetPoint(0.3, 0.8, hi);
    piece->GetStartPoint(s);
    piece->GetEndPoint(e);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(s[k], lo[k], 1e-6) << "start axis " << k;
        EXPECT_NEAR(e[k], hi[k], 1e-6) << "end axis " << k;
    }
    for (int i = 0; i <= 20; ++i) {
        double p[3];
        piece->GetPointAt(i / 20.0 * 0.999, p, 0);
        EXPECT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), r, 1e-9) << "sample " << i;
    }
    const double w0[2] = {0.3, 0.0}, w1[2] = {0.3, 1.0};
    CGeLine whole(w0, w1);
    std::unique_ptr<CGeCurve3d> all(surf.GenEuclidIsoCurve(&whole));
    ASSERT_NE(all, nullptr);
    all->GetEndPoint(e);
    EXPECT_NEAR(e[2], r, 1e-9) << "the whole iso curve reaches the pole";
}

}  // namespace
