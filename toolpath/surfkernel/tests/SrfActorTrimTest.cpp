// Fillets, trims and projections of the facade: areas of trimmed pieces against
// the whole, fillets on the cylinder about the ball's path, projected curves on
// the analytic plane, kernel records of 3D curves against the curves' own points.
#include "toolpath/surfkernel/SrfActor.h"

#include "framework/looker/MemoryStatus.h"
#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Bcrv.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "toolpath/surfkernel/CurveEntity.h"
#include "toolpath/surfkernel/tests/TrimAdaptorFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

using namespace trimadapt;
using SurfList = CTypedPtrList<CObList, CGeTrimSurf*>;
using CurveList = CTypedPtrList<CObList, CGeCurve3d*>;
using Owned = std::vector<std::unique_ptr<CGeTrimSurf>>;

class SrfActorTrimTest : public ::testing::Test {
protected:
    void SetUp() override { ESSI_ResetKernelState(); }
    void TearDown() override
    {
        ESSI_ResetKernelState();
        looker::testing::ResetQVGlobal();
    }
};

Owned TakeOwned(SurfList& list)
{
    Owned out;
    while (!list.IsEmpty()) out.emplace_back(list.RemoveHead());
    return out;
}

// Area of the whole parameter box (for untrimmed results): midpoint sums of |Su × Sv|.
double BoxArea(CGeTrimSurf& s, int n = 200)
{
    const BOX2<double>& b = s.m_boxUV;
    const double du = (b.xmax - b.xmin) / n, dv = (b.ymax - b.ymin) / n;
    double area = 0.0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            double P[3], Su[3], Sv[3];
            if (BSRF_Ev1Der(s.m_pSurface, b.xmin + (i + 0.5) * du, b.ymin + (j + 0.5) * dv, P, Su, Sv))
                area += Cross(Su, Sv) * du * dv;
        }
    return area;
}

// The floor z = 0 (x 0..20, y 0..10) and the wall x = 10 (z -20..20): a ball of
// radius 5 in the quadrant x < 10, z > 0 runs along x = 5, z = 5.
TEST_F(SrfActorTrimTest, FilletThroughTheFacadeAndTrimmedPiecesAddUp)
{
    const double r = 5, pi = std::numbers::pi;
    CSrfActor actor;
    {
        Input floor = Floor(), wall = Wall(pi / 2);
        SurfList out;
        EXPECT_EQ(actor.SrfFillet(floor.get(), 0, wall.get(), 1, 0, 0, r, &out), 1);
        Owned got = TakeOwned(out);
        ASSERT_EQ(got.size(), 1u) << "trim flag 0: the fillet alone";
        double worst = 0;
        const BOX2<double>& b = got[0]->m_boxUV;
        for (int i = 0; i <= 20; ++i)
            for (int j = 0; j <= 20; ++j) {
                double p[3];
                got[0]->GetPoint(b.xmin + (b.xmax - b.xmin) * i / 20, b.ymin + (b.ymax - b.ymin) * j / 20, p);
                worst = std::max(worst, std::fabs(std::hypot(p[0] - 5, p[2] - 5) - r));
            }
        EXPECT_LT(worst, 1e-3);
        EXPECT_NEAR(BoxArea(*got[0]), pi * r / 2 * 10, 0.01 * pi * r / 2 * 10) << "a quarter cylinder 10 long";
    }
    {
        ESSI_ResetKernelState();
        Input floor = Floor(), wall = Wall(pi / 2);
        SurfList out;
        EXPECT_EQ(actor.SrfFillet(floor.get(), 0, wall.get(), 1, 1, 0, r, &out), 1);
        Owned got = TakeOwned(out);
        ASSERT_EQ(got.size(), 3u) << "the fillet, then the floor's and the wall's kept pieces";
        EXPECT_NEAR(TrimmedArea(*got[1]), 5 * 10, 0.5) << "the floor keeps x < 5";
        EXPECT_NEAR(TrimmedArea(*got[2]), 15 * 10, 1.5) << "the wall keeps z > 5";
    }
    {
        Input floor = Floor(), wall = Wall(pi / 2);
        SurfList out;
        EXPECT_EQ(actor.SrfFillet(floor.get(), 0, wall.get(), 1, 1, 0, 0.0, &out), 1) << "1 whatever was made";
        EXPECT_TRUE(out.IsEmpty());
        EXPECT_EQ(actor.SrfFillet(nullptr, 0, wall.get(), 1, 1, 0, r, &out), 1);
        EXPECT_TRUE(out.IsEmpty());
    }
}

TEST_F(SrfActorTrimTest, ChamferThroughTheFacade)
{
    CSrfActor actor;
    Input floor = Floor(), wall = Wall(std::numbers::pi / 2);
    SurfList out;
    EXPECT_EQ(actor.SrfChamfer(floor.get(), 0, wall.get(), 1, 0, 0, 2, 3, &out), 1);
    Owned got = TakeOwned(out);
    ASSERT_EQ(got.size(), 1u);
    // The strip from (7, y, 0) on the floor to (10, y, 2) on the wall.
    EXPECT_NEAR(BoxArea(*got[0]), std::sqrt(13.0) * 10, 1e-6);
    EXPECT_EQ(actor.SrfChamfer(floor.get(), 0, wall.get(), 1, 0, 0, 2, 0, &out), 1);
    EXPECT_TRUE(out.IsEmpty()) << "a second distance of 0 makes nothing";
}

// A 20 × 10 plate at z = 0 cut by upright planes.
Surf Plate() { return PlaneSurf({0, 0, 0}, {20, 0, 0}, {0, 10, 0}); }
Surf Upright(double x) { return PlaneSurf({x, -1, -5}, {0, 12, 0}, {0, 0, 10}); }

double AreaSum(const Owned& pieces)
{
    double sum = 0;
    for (const auto& p : pieces) sum += TrimmedArea(*p);
    return sum;
}

TEST_F(SrfActorTrimTest, SurfaceTrimsGivePiecesThatAddUpToThePlate)
{
    CSrfActor actor;
    {
        Surf plate = Plate(), a = Upright(7), b = Upright(15), far = Upright(20.02);
        SurfList tools, out;
        tools.AddTail(a.get());
        tools.AddTail(b.get());
        tools.AddTail(far.get());
        ASSERT_EQ(actor.SrfSrfTrim(&tools, plate.get(), &out), 1);
        Owned got = TakeOwned(out);
        ASSERT_EQ(got.size(), 3u) << "two cuts, three pieces";
        std::vector<double> areas;
        for (auto& p : got) areas.push_back(TrimmedArea(*p));
        std::sort(areas.begin(), areas.end());
        EXPECT_NEAR(areas[0], 50, 0.5);
        EXPECT_NEAR(areas[1], 70, 0.7);
        EXPECT_NEAR(areas[2], 80, 0.8);
        EXPECT_EQ(plate->m_pKernelSurf, nullptr) << "kernel records released";
        EXPECT_EQ(a->m_pKernelSurf, nullptr);
        EXPECT_EQ(tools.GetCount(), 3) << "the tools stay the caller's";
    }
    {
        // A tool 0.02 beyond the plate's box takes no part: the plate comes back whole.
        Surf plate = Plate(), far = Upright(20.02);
        SurfList tools, out;
        tools.AddTail(far.get());
        actor.SrfSrfTrim(&tools, plate.get(), &out);
        Owned got = TakeOwned(out);
        EXPECT_LE(got.size(), 1u);
        if (!got.empty()) {
            EXPECT_NEAR(AreaSum(got), 200, 2);
        }
        SurfList empty;
        EXPECT_EQ(actor.SrfSrfTrim(&empty, plate.get(), &out), 0);
        EXPECT_EQ(actor.SrfSrfTrim(nullptr, plate.get(), &out), 0);
        EXPECT_TRUE(out.IsEmpty());
    }
    {
        Surf plate = Plate(), a = Upright(7);
        SurfList out;
        ASSERT_EQ(actor.SrfSrfTrimDir(std::nan(""), plate.get(), a.get(), &out), 1) << "the first value is not used";
        Owned got = TakeOwned(out);
        ASSERT_EQ(got.size(), 2u);
        EXPECT_NEAR(AreaSum(got), 200, 2);
        Surf far = Upright(20.02);
        EXPECT_EQ(actor.SrfSrfTrimDir(0, plate.get(), far.get(), &out), 0) << "boxes apart";
        EXPECT_TRUE(out.IsEmpty());
    }
}

// Points of the polylines the projection made.
std::vector<V3> CurvePoints(CurveList& list)
{
    std::vector<V3> pts;
    for (CGeCurve3d* c : list) {
        EXPECT_EQ(c->GetType(), 8192);
        auto* poly = static_cast<CGePolyline3d*>(c);
        for (int k = 0; k < poly->GetCount(); ++k)
            pts.push_back({poly->GetCtrlPt()[k][0], poly->GetCtrlPt()[k][1], poly->GetCtrlPt()[k][2]});
    }
    return pts;
}

void FreeCurves(CurveList& list)
{
    while (!list.IsEmpty()) delete list.RemoveHead();
}

std::unique_ptr<CGeArc3d> Circle(double cx, double cy, double cz, double r)
{
    auto arc = std::make_unique<CGeArc3d>();
    double c[3] = {cx, cy, cz};
    arc->CreateCricleXY(c, r);
    return arc;
}

TEST_F(SrfActorTrimTest, CurvesProjectedAlongADirectionLieOnTheSurface)
{
    CSrfActor actor;
    struct Row {
        const char* label;
        V3 o, eu, ev;     // the target plane
        double plane[4];  // a·x + b·y + c·z = d of the target
        double centre[3];
        V3 dir;
        double foot[2];   // the projected circle's centre in XY
    } rows[] = {
        {"circle down onto a ramp", {0, 0, 0}, {20, 0, 10}, {0, 10, 0}, {-0.5, 0, 1, 0}, {10, 5, 20}, {0, 0, 1}, {10, 5}},
        {"circle slanted onto the floor", {0, 0, 0}, {20, 0, 0}, {0, 10, 0}, {0, 0, 1, 0}, {10, 5, 4}, {1, 0, 1}, {6, 5}},
    };
    for (const Row& row : rows) {
        Surf target = PlaneSurf(row.o, row.eu, row.ev);
        auto circle = Circle(row.centre[0], row.centre[1], row.centre[2], 3);
        double dir[3] = {row.dir[0], row.dir[1], row.dir[2]};
        CurveList out;
        ASSERT_EQ(actor.CrvPrjToSrf(circle.get(), target.get(), dir, 2, &out), 1) << row.label;
        const std::vector<V3> pts = CurvePoints(out);
        ASSERT_GT(pts.size(), 20u) << row.label;
        double off = 0, rad = 0;
        for (const V3& p : pts) {
            off = std::max(off, std::fabs(row.plane[0] * p[0] + row.plane[1] * p[1] + row.plane[2] * p[2] - row.plane[3]));
            rad = std::max(rad, std::fabs(std::hypot(p[0] - row.foot[0], p[1] - row.foot[1]) - 3));
        }
        EXPECT_LT(off, 0.02) << row.label << ": on the plane";
        EXPECT_LT(rad, 0.05) << row.label << ": on the circle's shadow";
        EXPECT_EQ(target->m_pKernelSurf, nullptr) << row.label;
        FreeCurves(out);
    }
    {
        // Half the circle hangs over the plate's edge x = 20: only the inside half comes back.
        Surf plate = Plate();
        auto circle = Circle(20, 5, 3, 3);
        double dir[3] = {0, 0, 1};
        CurveList out;
        ASSERT_EQ(actor.CrvPrjToSrf(circle.get(), plate.get(), dir, 2, &out), 1);
        double xmax = -1e9, xmin = 1e9;
        for (const V3& p : CurvePoints(out)) xmax = std::max(xmax, p[0]), xmin = std::min(xmin, p[0]);
        EXPECT_LT(xmax, 20 + 1e-3);
        EXPECT_NEAR(xmin, 17, 0.05);
        FreeCurves(out);
    }
    {
        Surf plate = Plate();
        auto miss = Circle(50, 50, 3, 3);
        double dir[3] = {0, 0, 1}, none[3] = {0, 0, 0};
        CurveList out;
        EXPECT_EQ(actor.CrvPrjToSrf(miss.get(), plate.get(), dir, 2, &out), 0) << "the extrusion misses";
        EXPECT_EQ(actor.CrvPrjToSrf(miss.get(), plate.get(), none, 2, &out), 0) << "no direction";
        EXPECT_EQ(actor.CrvPrjToSrf(nullptr, plate.get(), dir, 2, &out), 0);
        EXPECT_TRUE(out.IsEmpty());
    }
}

// A twisted polyline that no plane holds.
CGeCurve3d* Twisted()
{
    auto* poly = new CGePolyline3d;
    double pts[4][3] = {{2, 2, 0}, {4, 2, 3}, {4, 4, 0}, {2, 4, 5}};
    poly->Create(4, pts);
    return poly;
}

// Records the messages the library shows instead of the program's message box.
struct MessageRecorder {
    std::vector<unsigned> ids;
    MessageRecorder()
    {
        looker::SetResourceMessageHook([this](UINT id, double) { ids.push_back(id); });
    }
    ~MessageRecorder() { looker::SetResourceMessageHook(nullptr); }
};

struct Curves {
    CurveList list;
    ~Curves() { FreeCurves(list); }
};

TEST_F(SrfActorTrimTest, CurvesAlongZTrimThePlateIntoPiecesThatAddUp)
{
    CSrfActor actor;
    MessageRecorder messages;
    Surf plate = Plate();
    Curves curves;
    curves.list.AddTail(Circle(10, 5, 40, 3).release());  // far above: the sweep reaches it
    curves.list.AddTail(Twisted());
    SurfList out;
    ASSERT_EQ(actor.CrvSrfTrimAlongZAxis(&curves.list, plate.get(), &out), 1);
    Owned got = TakeOwned(out);
    ASSERT_EQ(got.size(), 2u) << "the disc and the plate with the hole";
    std::vector<double> areas;
    for (auto& p : got) areas.push_back(TrimmedArea(*p));
    std::sort(areas.begin(), areas.end());
    const double disc = std::numbers::pi * 9;
    EXPECT_NEAR(areas[0], disc, 0.01 * disc);
    EXPECT_NEAR(areas[1], 200 - disc, 0.01 * (200 - disc));
    EXPECT_EQ(messages.ids, std::vector<unsigned>{kMsgCurveNotPlanar}) << "the twisted curve is reported";
    EXPECT_EQ(plate->m_pKernelSurf, nullptr);
    CurveList empty;
    EXPECT_EQ(actor.CrvSrfTrimAlongZAxis(&empty, plate.get(), &out), 0);
    EXPECT_EQ(actor.CrvSrfTrimAlongZAxis(&curves.list, nullptr, &out), 0);
    EXPECT_TRUE(out.IsEmpty());
}

// Area of the sphere of radius R about the origin over the disc of radius rho
// about (cx, cy) (inside the sphere's outline): R / z integrated in polar
// coordinates about the disc's centre by the midpoint rule.
double SphereAreaOverDisc(double R, double cx, double cy, double rho, int n = 400)
{
    const double dr = rho / n, dt = 2 * std::numbers::pi / n;
    double area = 0.0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const double r = (i + 0.5) * dr, t = (j + 0.5) * dt;
            const double x = cx + r * std::cos(t), y = cy + r * std::sin(t);
            area += R / std::sqrt(R * R - x * x - y * y) * r * dr * dt;
        }
    return area;
}

// A closed cut round the dome's pole but off its centre crosses the tool's own
// seam somewhere else than the dome's: the dome still parts into the cap inside
// the cut and the rest, whether the cut is a curve swept along Z or the matching
// upright cylinder.
TEST_F(SrfActorTrimTest, CutsRoundTheDomesPoleOffCentrePartIt)
{
    const double R = 5, whole = 2 * std::numbers::pi * R * R;
    struct Row {
        double cx, cy, r;
    };
    for (const Row& row : {Row{1, 0.5, 2}, Row{-1, 0.5, 2}, Row{0.5, 0.5, 1.5}, Row{0, 0, 2}}) {
        const std::string label = "circle (" + std::to_string(row.cx) + ", " + std::to_string(row.cy) + ") r " +
                                  std::to_string(row.r);
        const double cap = SphereAreaOverDisc(R, row.cx, row.cy, row.r);
        const auto expectCapAndRest = [&](SurfList& out, const std::string& how) {
            Owned got = TakeOwned(out);
            ASSERT_EQ(got.size(), 2u) << label << how;
            std::vector<double> areas;
            for (auto& p : got) areas.push_back(TrimmedArea(*p, 200, true));
            std::sort(areas.begin(), areas.end());
            EXPECT_NEAR(areas[0], cap, 2e-3 * cap + 5e-4 * whole) << label << how;
            EXPECT_NEAR(areas[1], whole - cap, 2e-3 * whole) << label << how;
        };
        CSrfActor actor;
        SurfList out;
        Surf dome = Trimmed(surffix::Hemisphere(R));
        CurveList curves;
        auto circle = Circle(row.cx, row.cy, 20, row.r);
        curves.AddTail(circle.get());
        ASSERT_EQ(actor.CrvSrfTrimAlongZAxis(&curves, dome.get(), &out), 1) << label;
        expectCapAndRest(out, " along Z");
        Surf again = Trimmed(surffix::Hemisphere(R));
        Surf tool = CylinderSurf(row.cx, row.cy, -1, row.r, 10);
        ASSERT_EQ(actor.SrfSrfTrimDir(0, again.get(), tool.get(), &out), 1) << label;
        expectCapAndRest(out, " by a cylinder");
    }
}

TEST_F(SrfActorTrimTest, CurvesAlongZLandOnEverySurface)
{
    CSrfActor actor;
    MessageRecorder messages;
    // The floor x 0..20 and a ramp z = 0.5·(x - 20) rising beside it over x 20..40.
    Surf floor = Plate(), ramp = PlaneSurf({20, 0, 0}, {20, 0, 10}, {0, 10, 0});
    SurfList surfs;
    surfs.AddTail(floor.get());
    surfs.AddTail(ramp.get());
    Curves curves;
    curves.list.AddTail(Twisted());
    curves.list.AddTail(Circle(20, 5, 30, 3).release());  // straddles both
    CurveList out;
    ASSERT_EQ(actor.CrvPrjToSrfAlongZAxis(&curves.list, &surfs, 2, &out), 1);
    EXPECT_EQ(messages.ids, std::vector<unsigned>{kMsgCurveNotPlanar});
    const std::vector<V3> pts = CurvePoints(out);
    ASSERT_GT(pts.size(), 20u);
    double off = 0, rad = 0;
    int onFloor = 0, onRamp = 0;
    for (const V3& p : pts) {
        const double want = p[0] <= 20 ? 0.0 : 0.5 * (p[0] - 20);
        (p[0] < 19.9 ? onFloor : onRamp) += p[0] < 19.9 || p[0] > 20.1;
        off = std::max(off, std::fabs(p[2] - want));
        rad = std::max(rad, std::fabs(std::hypot(p[0] - 20, p[1] - 5) - 3));
    }
    EXPECT_LT(off, 0.02) << "every point on its surface";
    EXPECT_LT(rad, 0.05) << "on the circle's shadow";
    EXPECT_GT(onFloor, 0);
    EXPECT_GT(onRamp, 0);
    FreeCurves(out);
    SurfList none;
    EXPECT_EQ(actor.CrvPrjToSrfAlongZAxis(&curves.list, &none, 2, &out), 0);
    EXPECT_EQ(actor.CrvPrjToSrfAlongZAxis(nullptr, &surfs, 2, &out), 0);
    EXPECT_TRUE(out.IsEmpty());
}

// Kernel records of 3D curves: the record over its range runs through the
// curve's own points.
TEST(SrfActorCurveRecord, RecordsFollowTheCurves)
{
    auto check = [](CGeCurve3d* curve, const std::function<V3(double)>& at, double t0, double t1, const char* label) {
        double range[2];
        CURVE* rec = ECRV_FromCurve3d(curve, range);
        ASSERT_NE(rec, nullptr) << label;
        EXPECT_NEAR(range[0], t0, 1e-12) << label;
        EXPECT_NEAR(range[1], t1, 1e-9) << label;
        for (int i = 0; i <= 16; ++i) {
            const double s = i / 16.0;
            double P[3];
            ASSERT_EQ(ECRV_EvalPoint(P, rec, t0 + s * (t1 - t0)), 1) << label;
            const V3 Q = at(s);
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(P[c], Q[c], 1e-9) << label << " at " << s;
        }
        ENT_Free(rec);
    };
    double a[3] = {1, 2, 3}, b[3] = {4, 6, 3};
    CGeLine3d line(a, b);
    check(&line, [](double s) { return V3{1 + 3 * s, 2 + 4 * s, 3}; }, 0, 5, "line");
    CGeArc3d arc;
    double c[3] = {1, 1, 2};
    arc.CreateArcXY(c, 2, 0.5, 2.0);
    check(&arc, [](double s) { return V3{1 + 2 * std::cos(0.5 + 2 * s), 1 + 2 * std::sin(0.5 + 2 * s), 2}; }, 0, 2, "arc");
    CGeArc3d back;
    back.CreateArcXY(c, 2, 0.5, -1.5);
    check(&back, [](double s) { return V3{1 + 2 * std::cos(0.5 - 1.5 * s), 1 + 2 * std::sin(0.5 - 1.5 * s), 2}; }, 0, 1.5,
          "arc turning clockwise");
    // A polyline of legs 3 and 1: the order 2 record passes the middle vertex at 3/4.
    double pts[3][3] = {{0, 0, 0}, {3, 0, 0}, {3, 1, 0}};
    CGePolyline3d poly;
    poly.Create(3, pts);
    check(&poly, [](double s) { return s <= 0.75 ? V3{4 * s, 0, 0} : V3{3, 4 * s - 3, 0}; }, 0, 1, "polyline");
    // A quadratic Bezier curve on the knots [2, 5].
    BCRV* bez = BCRV_New(3, 3);
    const double cp[3][3] = {{0, 0, 0}, {1, 2, 0}, {2, 0, 1}};
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k) bez->P[i][k] = cp[i][k];
        bez->P[i][3] = 1;
    }
    const double U[6] = {2, 2, 2, 5, 5, 5};
    std::copy(U, U + 6, bez->U);
    CGeNrbCrv3d nurbs(bez);
    check(&nurbs, [&](double s) {
        const double b0 = (1 - s) * (1 - s), b1 = 2 * s * (1 - s), b2 = s * s;
        return V3{b0 * cp[0][0] + b1 * cp[1][0] + b2 * cp[2][0], b0 * cp[0][1] + b1 * cp[1][1] + b2 * cp[2][1],
                  b0 * cp[0][2] + b1 * cp[1][2] + b2 * cp[2][2]};
    }, 2, 5, "NURBS over its knots");
    double range[2];
    double z[3] = {1, 2, 3};
    CGeLine3d dot(z, z);
    EXPECT_EQ(ECRV_FromCurve3d(&dot, range), nullptr) << "a line of no length";
    EXPECT_EQ(ECRV_FromCurve3d(nullptr, range), nullptr);
}

}  // namespace
