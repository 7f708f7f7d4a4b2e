// Lofts through cross sections: every section lies on the loft (nearest-point
// distances), cones come back as cones, creases split the loft of whole
// sections, and sections that do not convert give no surface.
#include "toolpath/surfkernel/LoftSrfCreator.h"

#include "framework/numerak/Bsrf.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeConvert.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GeOffsetCrv3d.h"
#include "testing/SurfaceFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using surffix::CurvePtr;
using surffix::SurfPtr;

static_assert(!std::is_copy_constructible_v<CLoftSrfCreator> && !std::is_copy_assignable_v<CLoftSrfCreator>,
              "sections are owned once");

std::unique_ptr<CGeNrbCrv3d> Circle3d(double z, double r)
{
    BCRV* c = BCRV_New();
    const double o[3] = {0.0, 0.0, z};
    c->GenCircle(o, r);
    return std::make_unique<CGeNrbCrv3d>(c);
}

std::unique_ptr<CGeCombCurve3d> Chain3d(const std::vector<std::array<double, 3>>& pts)
{
    auto comb = std::make_unique<CGeCombCurve3d>();
    for (std::size_t i = 1; i < pts.size(); ++i) {
        double a[3] = {pts[i - 1][0], pts[i - 1][1], pts[i - 1][2]};
        double b[3] = {pts[i][0], pts[i][1], pts[i][2]};
        comb->AddTail(new CGeLine3d(a, b));
    }
    return comb;
}

// Largest distance from samples of the curve to the nearest of the surfaces.
double CurveToSurfaces(CGeCurve3d* curve, const std::vector<_nurbs_surface*>& surfaces)
{
    CurvePtr c(QVN_GeConvert::ToNurbsCurve(curve));
    if (!c) return INFINITY;
    double worst = 0.0;
    for (int i = 0; i <= 60; ++i) {
        double p[3];
        BCRV_EvPos(c.get(), c->U[c->k - 1] + (c->U[c->n] - c->U[c->k - 1]) * i / 60.0, p);
        double best = INFINITY;
        for (_nurbs_surface* s : surfaces) {
            double foot[3], u = 1e12, v = 1e12, d = INFINITY;
            if (BSRF_SnapPnt(s, p, 1e-12, foot, &u, &v, &d)) best = std::fmin(best, d);
        }
        worst = std::fmax(worst, best);
    }
    return worst;
}

struct Owned {
    std::vector<_nurbs_surface*> list;
    ~Owned()
    {
        for (auto* s : list) BSRF_Free(s);
    }
};

TEST(LoftSrfCreator, CirclesOnAConeGiveTheConeThroughEverySection)
{
    const double heights[] = {0.0, 1.0, 1.5, 4.0};
    std::vector<std::unique_ptr<CGeNrbCrv3d>> sections;
    CLoftSrfCreator loft;
    for (double z : heights) {
        sections.push_back(Circle3d(z, 2.0 + 0.5 * z));
        loft.AddCross(sections.back().get(), 0);
    }
    Owned out;
    loft.CreatLoftSurf(out.list);
    ASSERT_EQ(out.list.size(), 1u) << "one member per section: one surface, no split";
    double worst = 0.0;
    for (int i = 0; i <= 50; ++i)
        for (int j = 0; j <= 50; ++j) {
            double p[3];
            BSRF_EvPos(out.list[0], i / 50.0, j / 50.0, p);
            worst = std::fmax(worst, std::fabs(std::hypot(p[0], p[1]) - (2.0 + 0.5 * p[2])));
        }
    EXPECT_LT(worst, 1e-9);
    for (auto& s : sections) EXPECT_LT(CurveToSurfaces(s.get(), out.list), 1e-9);
    // Making surfaces does not consume the sections.
    SurfPtr again(loft.CreatLoftSurf());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(loft.GetCrossCount(), 4);
}

TEST(LoftSrfCreator, MixedMemberCountsSplitAtCreasesOnly)
{
    struct Row {
        const char* label;
        double peak;        // height of the middle section's corner
        std::size_t parts;  // surfaces expected
    } rows[] = {{"tent of 45 degrees", 1.0, 2}, {"tent of 1 degree", std::tan(1.0 * M_PI / 180.0), 1}};
    for (const Row& row : rows) {
        auto first = Chain3d({{0, 0, 0}, {2, 0, 0}});
        auto middle = Chain3d({{0, 0, 1}, {1, row.peak, 1}, {2, 0, 1}});
        auto last = Chain3d({{0, 0, 2}, {2, 0, 2}});
        CLoftSrfCreator loft;
        loft.AddCross(first.get(), 0);
        loft.AddCross(middle.get(), 0);
        loft.AddCross(last.get(), 0);
        Owned out;
        loft.CreatLoftSurf(out.list);
        ASSERT_EQ(out.list.size(), row.parts) << row.label;
        for (CGeCurve3d* s : {static_cast<CGeCurve3d*>(first.get()), static_cast<CGeCurve3d*>(middle.get()),
                              static_cast<CGeCurve3d*>(last.get())})
            EXPECT_LT(CurveToSurfaces(s, out.list), 1e-9) << row.label;
    }
}

TEST(LoftSrfCreator, PointSectionGivesAPointedEnd)
{
    double apex[3] = {1.0, 1.0, 5.0};
    auto a = Circle3d(0.0, 2.0);
    auto b = Circle3d(2.0, 1.0);
    CLoftSrfCreator loft;
    loft.AddCrossPoint(apex);
    loft.AddCross(a.get(), 0);
    loft.AddCross(b.get(), 0);
    Owned out;
    loft.CreatLoftSurf(out.list);  // member counts 0, 1, 1: the general route
    ASSERT_EQ(out.list.size(), 1u);
    for (int i = 0; i <= 20; ++i) {
        double p[3];
        BSRF_EvPos(out.list[0], i / 20.0, 0.0, p);
        EXPECT_LT(std::sqrt((p[0] - 1) * (p[0] - 1) + (p[1] - 1) * (p[1] - 1) + (p[2] - 5) * (p[2] - 5)), 1e-12) << i;
    }
    EXPECT_LT(CurveToSurfaces(a.get(), out.list), 1e-9);
    EXPECT_LT(CurveToSurfaces(b.get(), out.list), 1e-9);
}

TEST(LoftSrfCreator, ReversedCompositeStaysOneChainEndToStart)
{
    // (0,0) -> (1,0) -> (1,1), added reversed: the section runs (1,1) -> (1,0) -> (0,0).
    auto* comb = new CGeCombCurve;
    const double p0[2] = {0, 0}, p1[2] = {1, 0}, p2[2] = {1, 1};
    comb->AddTail(new CGeLine(p0, p1), 1);
    comb->AddTail(new CGeLine(p1, p2), 1);
    std::unique_ptr<CGeCombCurve> keep(comb);
    auto top = Chain3d({{1, 1, 3}, {1, 0, 3}, {0, 0, 3}});
    CLoftSrfCreator loft;
    loft.AddCross(comb, 1, 0);
    loft.AddCross(top.get(), 0);
    SurfPtr s(loft.CreatLoftSurf());
    ASSERT_NE(s, nullptr);
    double p[3];
    BSRF_EvPos(s.get(), 0.0, 0.0, p);
    EXPECT_NEAR(p[0], 1.0, 1e-12);
    EXPECT_NEAR(p[1], 1.0, 1e-12);
    BSRF_EvPos(s.get(), 1.0, 0.0, p);
    EXPECT_NEAR(p[0], 0.0, 1e-12);
    EXPECT_NEAR(p[1], 0.0, 1e-12);
    // The corner (1, 0) lies on the first row: the chain is connected.
    std::vector<_nurbs_surface*> one{s.get()};
    auto bottom = Chain3d({{1, 1, 0}, {1, 0, 0}, {0, 0, 0}});
    EXPECT_LT(CurveToSurfaces(bottom.get(), one), 1e-9);
}

TEST(LoftSrfCreator, OpenProfilesStandUpOnTheirChordClosedOnesStayFlat)
{
    struct Row {
        const char* label;
        bool closed;
    } rows[] = {{"open arc", false}, {"closed circle", true}};
    for (const Row& row : rows) {
        std::unique_ptr<CGeCurve> profile;
        if (row.closed) {
            const double c[2] = {2, 0};
            profile = std::make_unique<CGeCircle>(c, 2.0, 1);
        } else {
            auto arc = std::make_unique<CGeArc>();
            const double s[2] = {0, 0}, m[2] = {2, 2}, e[2] = {4, 0};
            ASSERT_EQ(arc->Create3Pnt(s, m, e), 1);
            profile = std::move(arc);
        }
        auto other = Circle3d(5.0, 1.0);
        CLoftSrfCreator loft;
        loft.AddCross(profile.get(), 0, 1);
        loft.AddCross(other.get(), 0);
        SurfPtr s(loft.CreatLoftSurf());
        ASSERT_NE(s, nullptr) << row.label;
        double top = -1.0;
        for (int i = 0; i <= 40; ++i) {
            double p[3];
            BSRF_EvPos(s.get(), i / 40.0, 0.0, p);
            if (row.closed) {
                EXPECT_NEAR(p[2], 0.0, 1e-12) << row.label;
            } else {
                EXPECT_NEAR(p[1], 0.0, 1e-9) << row.label << " stays over the chord";
                EXPECT_GT(p[2], -1e-9) << row.label << " bulges upwards";
                top = std::fmax(top, p[2]);
            }
        }
        if (!row.closed) {
            EXPECT_NEAR(top, 2.0, 1e-3) << row.label;
        }
    }
}

TEST(LoftSrfCreator, SectionsThatDoNotConvertGiveNoSurface)
{
    // An offset curve has no NURBS form.
    double up[3] = {0, 0, 1};
    double a[3] = {0, 0, 0}, b[3] = {3, 0, 0};
    CGeOffsetCrv3d offset(new CGeLine3d(a, b), 1.0, up);
    auto c1 = Circle3d(1.0, 1.0);
    auto c2 = Circle3d(2.0, 1.0);
    {
        CLoftSrfCreator loft;
        loft.AddCross(c1.get(), 0);
        loft.AddCross(&offset, 0);
        loft.AddCross(c2.get(), 0);
        EXPECT_EQ(loft.CreatLoftSurf(), nullptr);
        Owned out;
        loft.CreatLoftSurf(out.list);
        EXPECT_TRUE(out.list.empty());
    }
    // Equal member counts: a member position one section cannot convert, or
    // lacks, gives no surface; the others still do.
    auto s1 = Chain3d({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}});
    auto s2 = Chain3d({{0, 0, 1}, {1, 0, 1}, {2, 1, 1}});
    auto s3 = Chain3d({{0, 0, 2}, {1, 0, 2}});
    double p[3] = {1, 0, 2}, q[3] = {2, 1, 2};
    s3->AddTail(new CGeOffsetCrv3d(new CGeLine3d(p, q), 0.5, up));
    CLoftSrfCreator loft;
    loft.AddCross(s1.get(), 0);
    loft.AddCross(s2.get(), 0);
    loft.AddCross(s3.get(), 0);
    Owned out;
    loft.CreatLoftSurf(out.list);
    EXPECT_EQ(out.list.size(), 1u) << "position 1 does not convert in the last section";
    Owned more;
    loft.CreatLoftSurfEqu(more.list, 3);
    EXPECT_EQ(more.list.size(), 1u) << "position 2 lacks in every section";
}

TEST(LoftSrfCreator, TooFewSectionsAppendNothing)
{
    CLoftSrfCreator empty;
    Owned out;
    empty.CreatLoftSurf(out.list);
    EXPECT_TRUE(out.list.empty());
    EXPECT_EQ(empty.CreatLoftSurf(), nullptr);
    auto c = Circle3d(0.0, 1.0);
    CLoftSrfCreator one;
    one.AddCross(c.get(), 0);
    one.AddCross(static_cast<CGeCurve3d*>(nullptr), 0);
    one.AddCross(static_cast<CGeCurve*>(nullptr), 0, 0);
    EXPECT_EQ(one.GetCrossCount(), 1);
    one.CreatLoftSurf(out.list);
    EXPECT_TRUE(out.list.empty());
}

}  // namespace
