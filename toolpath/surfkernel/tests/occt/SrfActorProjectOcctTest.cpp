// Projections of the surface facade against Open CASCADE on faces of the same
// B-spline records: curves projected along a direction against
// BRepProj_Projection (Hausdorff distance of the projected curves), points
// projected along the normal against GeomAPI_ProjectPointOnSurf (the (u, v) of
// each point), on a wavy NURBS patch, a cylinder and a hemisphere.

#include "framework/numerak/Bcrv.h"
#include "framework/numerak/PointString3D.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "testing/OcctTrimFaces.h"
#include "toolpath/surfkernel/SrfActor.h"
#include "toolpath/surfkernel/tests/TrimAdaptorFixtures.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepProj_Projection.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <gp_Circ.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using trimadapt::Surf;
using trimadapt::V3;
using SurfList = CTypedPtrList<CObList, CGeTrimSurf*>;
using CurveList = CTypedPtrList<CObList, CGeCurve3d*>;
using Polyline = std::vector<V3>;

class SrfActorProjectOcct : public ::testing::Test {
protected:
    void SetUp() override { ESSI_ResetKernelState(); }
    void TearDown() override { ESSI_ResetKernelState(); }
};

double Dist(const V3& a, const V3& b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }

double DistToSegment(const V3& p, const V3& a, const V3& b)
{
    const V3 d = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double len2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    double t = len2 > 0 ? ((p[0] - a[0]) * d[0] + (p[1] - a[1]) * d[1] + (p[2] - a[2]) * d[2]) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return Dist(p, {a[0] + t * d[0], a[1] + t * d[1], a[2] + t * d[2]});
}

double DistToPolylines(const V3& p, const std::vector<Polyline>& lines)
{
    double best = INFINITY;
    for (const Polyline& l : lines) {
        if (l.size() == 1) best = std::min(best, Dist(p, l[0]));
        for (size_t k = 1; k < l.size(); ++k) best = std::min(best, DistToSegment(p, l[k - 1], l[k]));
    }
    return best;
}

// Largest distance of a vertex of a from the polylines b.
double OneSided(const std::vector<Polyline>& a, const std::vector<Polyline>& b)
{
    double worst = 0.0;
    for (const Polyline& l : a)
        for (const V3& p : l) worst = std::max(worst, DistToPolylines(p, b));
    return worst;
}

// Our curves as fine polylines; the list is emptied.
std::vector<Polyline> TakeOurs(CurveList& list)
{
    std::vector<Polyline> out;
    while (!list.IsEmpty()) {
        std::unique_ptr<CGeCurve3d> c(list.RemoveHead());
        CStrP3D str;
        c->Discrete(1e-5, str);
        Polyline line;
        for (int k = 0; k < str.m_nCount; ++k) line.push_back({str.m_pPoints[k][0], str.m_pPoints[k][1], str.m_pPoints[k][2]});
        out.push_back(line);
    }
    return out;
}

// The edges of a shape as polylines of 2000 chords each (chord sag far below
// the tolerance for these curves).
void AppendEdges(const TopoDS_Shape& shape, std::vector<Polyline>& out)
{
    for (TopExp_Explorer ex(shape, TopAbs_EDGE); ex.More(); ex.Next()) {
        BRepAdaptor_Curve c(TopoDS::Edge(ex.Current()));
        Polyline line;
        for (int k = 0; k <= 2000; ++k) {
            const gp_Pnt p = c.Value(c.FirstParameter() + (c.LastParameter() - c.FirstParameter()) * k / 2000);
            line.push_back({p.X(), p.Y(), p.Z()});
        }
        out.push_back(line);
    }
}

// The peer's projection of the edge onto the face along dir.
std::vector<Polyline> PeerProjection(const TopoDS_Edge& edge, const TopoDS_Face& face, const V3& dir)
{
    std::vector<Polyline> out;
    BRepProj_Projection proj(edge, face, gp_Dir(dir[0], dir[1], dir[2]));
    if (proj.IsDone()) AppendEdges(proj.Shape(), out);
    return out;
}

// A curve to project: ours and the peer's edge of the same geometry.
struct Curve {
    std::unique_ptr<CGeCurve3d> ours;
    TopoDS_Edge peer;
};

Curve CircleXY(double cx, double cy, double cz, double r)
{
    auto arc = std::make_unique<CGeArc3d>();
    double c[3] = {cx, cy, cz};
    arc->CreateCricleXY(c, r);
    return {std::move(arc), BRepBuilderAPI_MakeEdge(gp_Circ(gp_Ax2(gp_Pnt(cx, cy, cz), gp_Dir(0, 0, 1)), r)).Edge()};
}

// The cubic B-spline through the control points (clamped uniform knots).
Curve Spline(const std::vector<V3>& cps)
{
    const int n = static_cast<int>(cps.size());
    BCRV* c = BCRV_New(4, n);
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < 3; ++k) c->P[i][k] = cps[i][k];
        c->P[i][3] = 1.0;
    }
    for (int i = 0; i < n + 4; ++i) c->U[i] = std::clamp(double(i - 3) / (n - 3), 0.0, 1.0);
    const TopoDS_Edge edge = BRepBuilderAPI_MakeEdge(occt3d::ToOcct(c)).Edge();
    return {std::make_unique<CGeNrbCrv3d>(c), edge};
}

Surf MovedHemisphere(double r, const V3& by)
{
    surffix::SurfPtr s = surffix::Hemisphere(r);
    const double move[3] = {by[0], by[1], by[2]};
    BSRF_Move(s.get(), move);
    return trimadapt::Trimmed(std::move(s));
}

// The peer's face of our trimmed surface (the unit square and its circular holes).
TopoDS_Face PeerFace(const CGeTrimSurf& s, const std::vector<trimfix::Hole>& holes = {})
{
    return occt3d::HoledFace(s.m_pSurface, holes);
}

// CrvPrjToSrf against BRepProj_Projection: the same curves within 1e-3 both
// ways, and the target's kernel record released.
TEST_F(SrfActorProjectOcct, CurvesAlongADirectionMatchTheProjection)
{
    struct Row {
        std::string label;
        Surf target;
        std::vector<trimfix::Hole> holes;
        Curve curve;
        V3 dir;
        size_t minPieces;  // the peer's pieces at least
    };
    std::vector<Row> rows;
    rows.push_back({"a circle down onto a wavy patch", trimadapt::Trimmed(surffix::Wavy(6, false)), {},
                    CircleXY(5, 5, 10, 3), {0, 0, 1}, 1});
    rows.push_back({"a circle slanted onto a rational wavy patch", trimadapt::Trimmed(surffix::Wavy(6, true)), {},
                    CircleXY(4, 6, 8, 2.5), {0.3, -0.2, 1}, 1});
    rows.push_back({"a circle over the edge of a hole in a wavy patch", nullptr, {{0.6, 0.5, 0.15}},
                    CircleXY(5, 5, 10, 2), {0, 0, 1}, 2});
    rows.push_back({"a spline across a cylinder, onto its front and back", trimadapt::CylinderSurf(0, 0, 0, 3, 8), {},
                    Spline({{10, -2, 1}, {10, -1, 5}, {10, 0.5, 2}, {10, 2, 6}, {10, 2.5, 4}}), {-1, 0, 0}, 2});
    rows.push_back({"a circle across the seam of a hemisphere", MovedHemisphere(5, {0, 0, 0}), {},
                    CircleXY(1.5, 0.5, 12, 2), {0, 0, 1}, 1});
    rows.push_back({"a spline slanted onto a hemisphere", MovedHemisphere(5, {0, 0, 0}), {},
                    Spline({{-3, -2, 9}, {-1, 1, 10}, {1, -1, 9}, {3, 2, 10}}), {0.2, 0.1, 1}, 1});
    CSrfActor actor;
    for (Row& r : rows) {
        if (!r.holes.empty()) r.target = trimfix::Holed(surffix::Wavy(6, false).get(), r.holes);
        const std::vector<Polyline> peer = PeerProjection(r.curve.peer, PeerFace(*r.target, r.holes), r.dir);
        ASSERT_GE(peer.size(), r.minPieces) << r.label;
        double dir[3] = {r.dir[0], r.dir[1], r.dir[2]};
        CurveList out;
        ASSERT_EQ(actor.CrvPrjToSrf(r.curve.ours.get(), r.target.get(), dir, 2, &out), 1) << r.label;
        EXPECT_EQ(r.target->m_pKernelSurf, nullptr) << r.label << ": kernel record released";
        const std::vector<Polyline> ours = TakeOurs(out);
        EXPECT_LT(OneSided(ours, peer), 1e-3) << r.label << ": ours on the peer's";
        EXPECT_LT(OneSided(peer, ours), 1e-3) << r.label << ": the peer's on ours";
    }
}

// CrvPrjToSrfAlongZAxis: every curve onto every surface, against the peer's
// projections of each curve onto each face.
TEST_F(SrfActorProjectOcct, CurvesAlongZOntoSeveralSurfacesMatchTheProjection)
{
    Surf wavy = trimadapt::Trimmed(surffix::Wavy(6, false)), dome = MovedHemisphere(5, {17, 5, -2});
    std::vector<Curve> curves;
    curves.push_back(CircleXY(5, 5, 20, 3));
    curves.push_back(Spline({{2, 2, 30}, {8, 7, 30}, {12, 1, 30}, {16, 8, 30}, {20, 4, 30}}));  // across both
    curves.push_back(CircleXY(16, 4, 25, 2));
    SurfList surfs;
    surfs.AddTail(wavy.get());
    surfs.AddTail(dome.get());
    CurveList in;
    std::vector<Polyline> peer;
    for (Curve& c : curves) {
        in.AddTail(c.ours.get());
        for (CGeTrimSurf* s : surfs) {
            const std::vector<Polyline> p = PeerProjection(c.peer, PeerFace(*s), {0, 0, 1});
            peer.insert(peer.end(), p.begin(), p.end());
        }
    }
    ASSERT_GE(peer.size(), 4u);
    CSrfActor actor;
    CurveList out;
    ASSERT_EQ(actor.CrvPrjToSrfAlongZAxis(&in, &surfs, 2, &out), 1);
    EXPECT_EQ(wavy->m_pKernelSurf, nullptr);
    EXPECT_EQ(dome->m_pKernelSurf, nullptr);
    const std::vector<Polyline> ours = TakeOurs(out);
    EXPECT_LT(OneSided(ours, peer), 1e-3) << "ours on the peer's";
    EXPECT_LT(OneSided(peer, ours), 1e-3) << "the peer's on ours";
}

// A target surface with points lifted off it along its normal at interior (u, v).
struct PointRow {
    std::string label;
    surffix::SurfPtr surface;
    double u0, u1, v0, v1;  // where the points are lifted from
    double lift;            // below the smallest radius of curvature: the foot is unique
};

std::vector<PointRow> PointRows()
{
    std::vector<PointRow> rows;
    rows.push_back({"wavy patch", surffix::Wavy(6, false), 0.05, 0.95, 0.05, 0.95, 0.2});
    rows.push_back({"rational wavy patch", surffix::Wavy(6, true), 0.05, 0.95, 0.05, 0.95, 0.15});
    rows.push_back({"cylinder", surffix::Cylinder(3, 8), 0.03, 0.97, 0.02, 0.98, 1.0});
    rows.push_back({"hemisphere", surffix::Hemisphere(5), 0.03, 0.97, 0.02, 0.9, 2.0});
    return rows;
}

// The lifted points of a row along a wandering path over its parameter box,
// alternately above and below the surface.
std::vector<V3> Lifted(const PointRow& r, int count)
{
    std::vector<V3> pts;
    for (int i = 0; i < count; ++i) {
        const double s = double(i) / (count - 1);
        const double u = r.u0 + (r.u1 - r.u0) * (0.5 + 0.5 * std::sin(7.3 * s + 0.4));
        const double v = r.v0 + (r.v1 - r.v0) * s;
        double p[3], n[3];
        BSRF_EvNormal(r.surface.get(), u, v, p, n);
        const double h = (i % 2 ? -0.5 : 1.0) * r.lift;
        pts.push_back({p[0] + h * n[0], p[1] + h * n[1], p[2] + h * n[2]});
    }
    return pts;
}

// StrptPrjToSurfAlongNormal (point-string form): every point's (u, v) against
// GeomAPI_ProjectPointOnSurf's nearest foot.
TEST_F(SrfActorProjectOcct, PointsAlongTheNormalGetThePeersParameters)
{
    CSrfActor actor;
    for (const PointRow& r : PointRows()) {
        const std::vector<V3> pts = Lifted(r, 60);
        CStrP3D str;
        ASSERT_EQ(str.Create(static_cast<int>(pts.size()), false, false), 1);
        for (size_t i = 0; i < pts.size(); ++i)
            for (int c = 0; c < 3; ++c) str.m_pPoints[i][c] = pts[i][c];
        CArray<tagPoint2d, tagPoint2d> uv;
        ASSERT_EQ(actor.StrptPrjToSurfAlongNormal(&str, r.surface.get(), uv), 1) << r.label;
        ASSERT_EQ(uv.GetSize(), static_cast<int>(pts.size())) << r.label << ": every point projects";
        const Handle(Geom_Surface) peer = occt3d::ToOcct(r.surface.get());
        double worstUV = 0, worstFoot = 0;
        for (size_t i = 0; i < pts.size(); ++i) {
            GeomAPI_ProjectPointOnSurf proj(gp_Pnt(pts[i][0], pts[i][1], pts[i][2]), peer);
            ASSERT_GT(proj.NbPoints(), 0) << r.label << ", point " << i;
            double pu = 0, pv = 0;
            proj.LowerDistanceParameters(pu, pv);
            worstUV = std::max({worstUV, std::fabs(uv[i].x - pu), std::fabs(uv[i].y - pv)});
            double foot[3];
            BSRF_EvPos(r.surface.get(), uv[i].x, uv[i].y, foot);
            worstFoot = std::max(worstFoot, Dist({foot[0], foot[1], foot[2]}, {proj.NearestPoint().X(),
                                                                                 proj.NearestPoint().Y(),
                                                                                 proj.NearestPoint().Z()}));
        }
        EXPECT_LT(worstUV, 1e-5) << r.label;
        EXPECT_LT(worstFoot, 1e-5) << r.label;
    }
}

// StrptPrjToSurfAlongNormal (array form) on a surface with a hole: the
// peer's foot of every input point outside the hole lies on our curves, and
// every point of our curves lies on the surface and on the peer's polyline of
// feet.
TEST_F(SrfActorProjectOcct, PointStringsAlongTheNormalFollowThePeersFeet)
{
    CSrfActor actor;
    const std::vector<trimfix::Hole> holes = {{0.5, 0.45, 0.18}};
    for (const PointRow& r : PointRows()) {
        Surf target = trimfix::Holed(r.surface.get(), holes);
        ASSERT_EQ(actor.CreateSURFACE(target.get()), 1);
        const std::vector<V3> pts = Lifted(r, 800);
        CArray<tagPoint3d, tagPoint3d> in;
        for (const V3& p : pts) in.Add(tagPoint3d{p[0], p[1], p[2]});
        CurveList out;
        ASSERT_EQ(actor.StrptPrjToSurfAlongNormal(in, target.get(), 2, &out), 1) << r.label;
        actor.FreeSURFACE(target.get());
        const std::vector<Polyline> ours = TakeOurs(out);
        ASSERT_FALSE(ours.empty()) << r.label;

        const Handle(Geom_Surface) peer = occt3d::ToOcct(r.surface.get());
        Polyline feet;
        std::vector<Polyline> outside;  // the peer's feet outside the hole, one per run
        bool inHole = true;
        for (const V3& p : pts) {
            GeomAPI_ProjectPointOnSurf proj(gp_Pnt(p[0], p[1], p[2]), peer);
            ASSERT_GT(proj.NbPoints(), 0) << r.label;
            const gp_Pnt f = proj.NearestPoint();
            feet.push_back({f.X(), f.Y(), f.Z()});
            double u = 0, v = 0;
            proj.LowerDistanceParameters(u, v);
            // Feet near the hole's edge are left out: the pieces end there.
            const double fromEdge = std::hypot(u - holes[0].u, v - holes[0].v) - holes[0].r;
            if (fromEdge < 0.01) {
                inHole = true;
                continue;
            }
            if (inHole) outside.emplace_back();
            inHole = false;
            outside.back().push_back(feet.back());
        }
        EXPECT_LT(OneSided(outside, ours), 1e-3) << r.label << ": the peer's feet on our curves";
        EXPECT_LT(OneSided(ours, {feet}), 1e-3) << r.label << ": our curves along the peer's feet";
        GeomAPI_ProjectPointOnSurf onSurf;
        double off = 0;
        for (const Polyline& l : ours)
            for (const V3& p : l) {
                onSurf.Init(gp_Pnt(p[0], p[1], p[2]), peer);
                if (onSurf.NbPoints() > 0) off = std::max(off, onSurf.LowerDistance());
            }
        EXPECT_LT(off, 1e-6) << r.label << ": on the surface";
    }
}

}  // namespace
