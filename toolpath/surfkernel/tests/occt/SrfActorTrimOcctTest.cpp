// Trims of the surface facade against Open CASCADE's splitter on faces of the
// same B-spline records: surfaces trimmed by tool surfaces (SrfSrfTrim,
// SrfSrfTrimDir) and by curves swept along Z (CrvSrfTrimAlongZAxis) give the
// same number of pieces with the same areas, and leave no kernel records.

#include "framework/numerak/Bcrv.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "testing/OcctTrimFaces.h"
#include "toolpath/surfkernel/SrfActor.h"
#include "toolpath/surfkernel/tests/TrimAdaptorFixtures.h"

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <gp_Circ.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

namespace {

using trimadapt::Surf;
using trimadapt::V3;
using SurfList = CTypedPtrList<CObList, CGeTrimSurf*>;
using CurveList = CTypedPtrList<CObList, CGeCurve3d*>;

class SrfActorTrimOcct : public ::testing::Test {
protected:
    void SetUp() override { ESSI_ResetKernelState(); }
    void TearDown() override { ESSI_ResetKernelState(); }
};

Surf MovedHemisphere(double r, const V3& by)
{
    surffix::SurfPtr s = surffix::Hemisphere(r);
    const double move[3] = {by[0], by[1], by[2]};
    BSRF_Move(s.get(), move);
    return trimadapt::Trimmed(std::move(s));
}

TopoDS_Shape WholeFace(const CGeTrimSurf& s) { return BRepBuilderAPI_MakeFace(occt3d::ToOcct(s.m_pSurface), 1e-7).Shape(); }

// Our pieces' areas, largest first; the list is emptied.
std::vector<double> TakeAreas(SurfList& out)
{
    std::vector<double> areas;
    for (CGeTrimSurf* s : trimadapt::Take(out)) {
        areas.push_back(trimadapt::TrimmedArea(*s, 200, true));
        delete s;
    }
    std::sort(areas.rbegin(), areas.rend());
    return areas;
}

// As many pieces as the peer's, each of the same area (sorted by size).
void ExpectSameAreas(const std::vector<double>& ours, const std::vector<double>& peer, const std::string& label)
{
    auto list = [](const std::vector<double>& v) {
        std::string s;
        for (double a : v) s += " " + std::to_string(a);
        return s;
    };
    ASSERT_EQ(ours.size(), peer.size()) << label << ": ours" << list(ours) << ", the peer's" << list(peer);
    // Our areas come from a 200 × 200 jittered grid over the whole parameter box:
    // its noise is allowed for by a floor of 5e-4 of the whole surface.
    double whole = 0;
    for (double a : peer) whole += a;
    for (size_t k = 0; k < ours.size(); ++k)
        EXPECT_NEAR(ours[k], peer[k], 2e-3 * peer[k] + 5e-4 * whole) << label << ", piece " << k;
}

// A target (with circular holes in its parameter plane) trimmed by tool surfaces.
struct ToolRow {
    std::string label;
    Surf target;
    std::vector<trimfix::Hole> holes;
    std::vector<Surf> tools;
    size_t pieces;  // what the peer must give too
};

Surf Target(ToolRow& r)
{
    return r.holes.empty() ? std::move(r.target) : trimfix::Holed(r.target->m_pSurface, r.holes);
}

std::vector<Surf> Tools(Surf a, Surf b = nullptr)
{
    std::vector<Surf> t;
    t.push_back(std::move(a));
    if (b) t.push_back(std::move(b));
    return t;
}

std::vector<ToolRow> SurfaceRows()
{
    std::vector<ToolRow> rows;
    rows.push_back({"a wavy patch cut by a cylinder and an upright plane", trimadapt::Trimmed(surffix::Wavy(6, false)), {},
                    Tools(trimadapt::CylinderSurf(5, 5, -5, 2, 10), trimadapt::PlaneSurf({7.5, -1, -6}, {0, 12, 0}, {1, 0, 12})),
                    3});
    rows.push_back({"a rational wavy patch with a hole cut by a cylinder over its edge",
                    trimadapt::Trimmed(surffix::Wavy(6, true)), {{0.5, 0.5, 0.1}},
                    Tools(trimadapt::CylinderSurf(0, 5, -5, 3, 10)), 2});
    rows.push_back({"a cylinder cut by a sphere", trimadapt::CylinderSurf(0, 0, 0, 3, 6), {},
                    Tools(MovedHemisphere(4, {0, 0, 0})), 2});
    rows.push_back({"a hemisphere cut by a tilted plane", MovedHemisphere(5, {0, 0, 0}), {},
                    Tools(trimadapt::PlaneSurf({-6, -6, 2}, {12, 0, 2}, {0, 12, 0})), 2});
    // Four regions, the two beyond x = 1 each split again along the seam.
    rows.push_back({"a hemisphere cut by a level and an upright plane", MovedHemisphere(5, {0, 0, 0}), {},
                    Tools(trimadapt::PlaneSurf({-6, -6, 2}, {12, 0, 0}, {0, 12, 0}),
                          trimadapt::PlaneSurf({1, -6, -1}, {0, 12, 0}, {0, 0, 8})),
                    6});
    return rows;
}

// SrfSrfTrim with all the row's tools, SrfSrfTrimDir with one-tool rows.
TEST_F(SrfActorTrimOcct, SurfaceTrimsGiveThePeersPieces)
{
    CSrfActor actor;
    for (ToolRow& r : SurfaceRows()) {
        Surf target = Target(r);
        std::vector<TopoDS_Shape> peerTools;
        SurfList tools;
        for (Surf& t : r.tools) {
            peerTools.push_back(WholeFace(*t));
            tools.AddTail(t.get());
        }
        const std::vector<double> peer = occt3d::SplitAreas(occt3d::HoledFace(target->m_pSurface, r.holes), peerTools);
        ASSERT_EQ(peer.size(), r.pieces) << r.label << ": the peer";
        SurfList out;
        if (r.tools.size() == 1) {
            ASSERT_EQ(actor.SrfSrfTrimDir(0.0, target.get(), r.tools[0].get(), &out), 1) << r.label;
            ExpectSameAreas(TakeAreas(out), peer, r.label + " (one tool)");
        }
        ASSERT_EQ(actor.SrfSrfTrim(&tools, target.get(), &out), 1) << r.label;
        ExpectSameAreas(TakeAreas(out), peer, r.label);
        EXPECT_EQ(target->m_pKernelSurf, nullptr) << r.label << ": kernel records released";
        for (Surf& t : r.tools) EXPECT_EQ(t->m_pKernelSurf, nullptr) << r.label;
    }
}

// A curve in a level plane, ours and the peer's edge of the same geometry
// moved down by drop (the peer's sweep starts below the surfaces).
struct Curve {
    std::unique_ptr<CGeCurve3d> ours;
    TopoDS_Edge peer;
};

Curve CircleXY(double cx, double cy, double cz, double r, double drop)
{
    auto arc = std::make_unique<CGeArc3d>();
    double c[3] = {cx, cy, cz};
    arc->CreateCricleXY(c, r);
    return {std::move(arc), BRepBuilderAPI_MakeEdge(gp_Circ(gp_Ax2(gp_Pnt(cx, cy, cz - drop), gp_Dir(0, 0, 1)), r)).Edge()};
}

// The cubic B-spline through the (x, y) control points at height z.
Curve SplineXY(const std::vector<std::array<double, 2>>& xy, double z, double drop)
{
    const int n = static_cast<int>(xy.size());
    auto make = [&](double h) {
        BCRV* c = BCRV_New(4, n);
        for (int i = 0; i < n; ++i) {
            c->P[i][0] = xy[i][0], c->P[i][1] = xy[i][1], c->P[i][2] = h, c->P[i][3] = 1.0;
        }
        for (int i = 0; i < n + 4; ++i) c->U[i] = std::clamp(double(i - 3) / (n - 3), 0.0, 1.0);
        return c;
    };
    BCRV* low = make(z - drop);
    const TopoDS_Edge edge = BRepBuilderAPI_MakeEdge(occt3d::ToOcct(low)).Edge();
    BCRV_Free(low);
    return {std::make_unique<CGeNrbCrv3d>(make(z)), edge};
}

// CrvSrfTrimAlongZAxis: the peer splits the same face by the curves' prisms.
TEST_F(SrfActorTrimOcct, CurveTrimsAlongZGiveThePeersPieces)
{
    struct Row {
        std::string label;
        Surf target;
        std::vector<trimfix::Hole> holes;
        std::vector<Curve> curves;
        size_t pieces;
    };
    constexpr double z = 20, drop = 40, height = 60;  // the peer's prisms run from z - drop for height
    std::vector<Row> rows;
    {
        Row r{"a wavy patch cut by a circle and a spline across it", trimadapt::Trimmed(surffix::Wavy(6, false)), {}, {}, 3};
        r.curves.push_back(CircleXY(5, 5, z, 3, drop));
        r.curves.push_back(SplineXY({{-1, 1}, {3, 0.5}, {7, 1.5}, {11, 1}}, z, drop));
        rows.push_back(std::move(r));
    }
    {
        Row r{"a wavy patch with a hole inside a circle", trimadapt::Trimmed(surffix::Wavy(6, true)), {{0.5, 0.5, 0.1}}, {}, 2};
        r.curves.push_back(CircleXY(5, 5, z, 2.5, drop));
        rows.push_back(std::move(r));
    }
    {
        // Both split the surface along the seam (u = 0 and 1 are loop edges), so
        // a circle across it cuts two half discs.
        Row r{"a hemisphere cut by a circle across its seam", MovedHemisphere(5, {0, 0, 0}), {}, {}, 3};
        r.curves.push_back(CircleXY(3, 0, z, 1.5, drop));
        rows.push_back(std::move(r));
    }
    {
        Row r{"a hemisphere cut by a circle about its pole", MovedHemisphere(5, {0, 0, 0}), {}, {}, 2};
        r.curves.push_back(CircleXY(0, 0, z, 2, drop));
        rows.push_back(std::move(r));
    }
    {
        // The spline's sweep meets the upright cylinder in two vertical lines;
        // with the seam, three pieces.
        Row r{"a cylinder cut by a spline crossing it", trimadapt::CylinderSurf(0, 0, 0, 3, 6), {}, {}, 3};
        r.curves.push_back(SplineXY({{-5, -1}, {-1, -0.5}, {1, 0.8}, {5, 1}}, z, drop));
        rows.push_back(std::move(r));
    }
    CSrfActor actor;
    for (Row& r : rows) {
        Surf target = r.holes.empty() ? std::move(r.target) : trimfix::Holed(r.target->m_pSurface, r.holes);
        std::vector<TopoDS_Shape> prisms;
        CurveList curves;
        for (Curve& c : r.curves) {
            prisms.push_back(BRepPrimAPI_MakePrism(c.peer, gp_Vec(0, 0, height)).Shape());
            curves.AddTail(c.ours.get());
        }
        const std::vector<double> peer = occt3d::SplitAreas(occt3d::HoledFace(target->m_pSurface, r.holes), prisms);
        ASSERT_EQ(peer.size(), r.pieces) << r.label << ": the peer";
        SurfList out;
        ASSERT_EQ(actor.CrvSrfTrimAlongZAxis(&curves, target.get(), &out), 1) << r.label;
        ExpectSameAreas(TakeAreas(out), peer, r.label);
        EXPECT_EQ(target->m_pKernelSurf, nullptr) << r.label << ": kernel record released";
    }
}

// A circle about the pole of a hemisphere but off its centre: its sweep meets
// the dome in one closed curve that crosses the seam (found whole, see
// CrvPrjToSrf), which must cut a cap around the pole off the rest, along Z and
// as a cylinder tool alike.
TEST_F(SrfActorTrimOcct, CapsAroundThePoleOffCentreAreCutOff)
{
    for (const V3& c : {V3{1, 0.5, 2}, V3{-1, 0.5, 2}, V3{0.5, 0.5, 1.5}}) {
        const std::string label = "circle (" + std::to_string(c[0]) + ", " + std::to_string(c[1]) + ")";
        Surf dome = MovedHemisphere(5, {0, 0, 0});
        Curve circle = CircleXY(c[0], c[1], 20, c[2], 40);
        const std::vector<double> peer = occt3d::SplitAreas(
            occt3d::HoledFace(dome->m_pSurface, {}), {BRepPrimAPI_MakePrism(circle.peer, gp_Vec(0, 0, 60)).Shape()});
        ASSERT_EQ(peer.size(), 2u) << label;
        CSrfActor actor;
        CurveList curves;
        curves.AddTail(circle.ours.get());
        SurfList out;
        ASSERT_EQ(actor.CrvSrfTrimAlongZAxis(&curves, dome.get(), &out), 1) << label;
        ExpectSameAreas(TakeAreas(out), peer, label + " along Z");
        Surf again = MovedHemisphere(5, {0, 0, 0});
        Surf tool = trimadapt::CylinderSurf(c[0], c[1], -1, c[2], 10);
        ASSERT_EQ(actor.SrfSrfTrimDir(0, again.get(), tool.get(), &out), 1) << label;
        ExpectSameAreas(TakeAreas(out), peer, label + " by a cylinder");
    }
}

}  // namespace
