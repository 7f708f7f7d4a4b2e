// Fillets and chamfers of the fillet solver against Open CASCADE's
// BRepFilletAPI_MakeFillet and BRepFilletAPI_MakeChamfer on the same box edge,
// cylinder top edge and edge between two B-spline faces: as many faces, within
// 1e-3 of each other both ways, with the same areas.

#include "testing/OcctNurbs.h"
#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/SrfFilletSolver.h"
#include "toolpath/surfkernel/SurfaceEntity.h"
#include "toolpath/surfkernel/tests/TrimAdaptorFixtures.h"

#include <BRepAdaptor_Surface.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_Sewing.hxx>
#include <BRepFilletAPI_MakeChamfer.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepGProp.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepTools.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

// The largest distance from points of one face to the nearest of other surfaces.
double OneWay(const std::vector<gp_Pnt>& points, const std::vector<Handle(Geom_Surface)>& others)
{
    double worst = 0.0;
    for (const gp_Pnt& p : points) {
        double best = 1e9;
        for (const Handle(Geom_Surface)& other : others) {
            GeomAPI_ProjectPointOnSurf proj(p, other);
            if (proj.NbPoints() > 0) best = std::min(best, proj.LowerDistance());
        }
        worst = std::max(worst, best);
    }
    return worst;
}

constexpr double kSide = 10;

// The box [0, 10]³ of the peer, its edge x = 10, z = 10 and its top face z = 10.
struct PeerBox {
    TopoDS_Shape shape = BRepPrimAPI_MakeBox(kSide, kSide, kSide).Shape();
    TopoDS_Edge edge;
    TopoDS_Face top;
    PeerBox()
    {
        for (TopExp_Explorer ex(shape, TopAbs_EDGE); ex.More(); ex.Next()) {
            const TopoDS_Edge e = TopoDS::Edge(ex.Current());
            double f, l;
            Handle(Geom_Curve) c = BRep_Tool::Curve(e, f, l);
            const gp_Pnt m = c->Value(0.5 * (f + l));
            if (std::fabs(m.X() - kSide) < 1e-9 && std::fabs(m.Z() - kSide) < 1e-9) edge = e;
        }
        for (TopExp_Explorer ex(shape, TopAbs_FACE); ex.More(); ex.Next()) {
            const TopoDS_Face f = TopoDS::Face(ex.Current());
            BRepAdaptor_Surface ad(f);
            const gp_Pnt m = ad.Value(0.5 * (ad.FirstUParameter() + ad.LastUParameter()),
                                      0.5 * (ad.FirstVParameter() + ad.LastVParameter()));
            if (std::fabs(m.Z() - kSide) < 1e-9) top = f;
        }
    }
};

// The box's top and right faces as trimmed surfaces with kernel records, both to
// be offset inwards (against their outward normals).
struct OurBox {
    trimadapt::Surf top = trimadapt::PlaneSurf({0, 0, kSide}, {kSide, 0, 0}, {0, kSide, 0});
    trimadapt::Surf right = trimadapt::PlaneSurf({kSide, 0, 0}, {0, kSide, 0}, {0, 0, kSide});
    OurBox()
    {
        top->m_pKernelSurf = ESRF_NewNurbs(BSRF_Clone(top->m_pSurface));
        right->m_pKernelSurf = ESRF_NewNurbs(BSRF_Clone(right->m_pSurface));
    }
    ~OurBox()
    {
        ENT_Free(static_cast<SURFACE*>(top->m_pKernelSurf));
        ENT_Free(static_cast<SURFACE*>(right->m_pKernelSurf));
    }
};

std::vector<double> Descending(std::vector<double> v)
{
    std::sort(v.rbegin(), v.rend());
    return v;
}

// Checks that the peer made as many faces from the edge as we did, that they
// lie within 1e-3 of each other: 21 × 21 grid points of ours
// projected onto the peer's surfaces, and of the peer's onto ours through our
// kernel's projection (the peer's projection onto a lofted surface of many spans
// takes minutes), and that their areas agree to 1e-3 relative.
void ExpectSameFaces(const TopTools_ListOfShape& made, CTypedPtrList<CObList, CGeTrimSurf*>& result, const std::string& what)
{
    ASSERT_FALSE(made.IsEmpty()) << what;
    ASSERT_FALSE(result.IsEmpty()) << what;
    EXPECT_EQ(result.GetCount(), made.Extent()) << what;
    std::vector<Handle(Geom_Surface)> peerSurfs;
    std::vector<gp_Pnt> peerPoints, ourPoints;
    std::vector<double> peerAreas, ourAreas;
    for (const TopoDS_Shape& shape : made) {
        const TopoDS_Face face = TopoDS::Face(shape);
        peerSurfs.push_back(BRep_Tool::Surface(face));
        GProp_GProps props;
        BRepGProp::SurfaceProperties(face, props, 1e-6);
        peerAreas.push_back(props.Mass());
        double u0, u1, v0, v1;
        BRepTools::UVBounds(face, u0, u1, v0, v1);
        BRepAdaptor_Surface ad(face);
        for (int i = 0; i <= 20; ++i)
            for (int j = 0; j <= 20; ++j) peerPoints.push_back(ad.Value(u0 + (u1 - u0) * i / 20, v0 + (v1 - v0) * j / 20));
    }
    std::vector<SURFACE*> recs;
    while (!result.IsEmpty()) {
        std::unique_ptr<CGeTrimSurf> ours(result.RemoveHead());
        ourAreas.push_back(trimadapt::TrimmedArea(*ours, 200));
        for (int i = 0; i <= 20; ++i)
            for (int j = 0; j <= 20; ++j) {
                double p[3];
                ASSERT_TRUE(ours->GetPoint(i / 20.0, j / 20.0, p)) << what;
                ourPoints.emplace_back(p[0], p[1], p[2]);
            }
        recs.push_back(ESRF_NewNurbs(BSRF_Clone(ours->m_pSurface)));
    }
    EXPECT_LT(OneWay(ourPoints, peerSurfs), 1e-3) << what << ": ours off the peer's";
    double worst = 0.0;
    for (const gp_Pnt& p : peerPoints) {
        const double q[3] = {p.X(), p.Y(), p.Z()};
        double best = 1e9;
        for (SURFACE* rec : recs) {
            double u = 0.5, v = 0.5, foot[3];
            if (ESRF_ProjectPoint(&u, &v, foot, rec, q) == 1)
                best = std::min(best, std::sqrt((q[0] - foot[0]) * (q[0] - foot[0]) + (q[1] - foot[1]) * (q[1] - foot[1]) +
                                                (q[2] - foot[2]) * (q[2] - foot[2])));
        }
        worst = std::max(worst, best);
    }
    for (SURFACE* rec : recs) ENT_Free(rec);
    EXPECT_LT(worst, 1e-3) << what << ": the peer's off ours";
    peerAreas = Descending(peerAreas);
    ourAreas = Descending(ourAreas);
    for (size_t k = 0; k < std::min(peerAreas.size(), ourAreas.size()); ++k)
        EXPECT_NEAR(ourAreas[k], peerAreas[k], 1e-3 * peerAreas[k]) << what << ", face " << k;
}

// One edge in both forms: the peer's shape, the edge and the face of it that our
// first surface is; our two surfaces with their offset sides.
struct Blend {
    TopoDS_Shape shape;
    TopoDS_Edge edge;
    TopoDS_Face firstFace;
    CGeTrimSurf* first;
    int firstSide;
    CGeTrimSurf* second;
    int secondSide;
};

// How far the faces' grid points are from a rolling ball of radius r between the
// two bases: the centre r along the normal (either way) off each base by r, its
// distances taken by the peer's projection.
double BallMiss(CTypedPtrList<CObList, CGeTrimSurf*>& faces, double r, const _nurbs_surface* a, const _nurbs_surface* b)
{
    const Handle(Geom_Surface) bases[2] = {occt3d::ToOcct(a), occt3d::ToOcct(b)};
    GeomAPI_ProjectPointOnSurf proj[2];
    for (int k = 0; k < 2; ++k) {
        double u0, u1, v0, v1;
        bases[k]->Bounds(u0, u1, v0, v1);
        proj[k].Init(bases[k], u0, u1, v0, v1);
    }
    double worst = 0.0;
    for (POSITION pos = faces.GetHeadPosition(); pos;) {
        CGeTrimSurf* f = faces.GetNext(pos);
        for (int i = 0; i <= 20; ++i)
            for (int j = 0; j <= 20; ++j) {
                double P[3], N[3];
                if (!f->GetNormal(i / 20.0, j / 20.0, P, N)) return 1e9;
                double best = 1e9;
                for (double sign : {1.0, -1.0}) {
                    const gp_Pnt c(P[0] + sign * r * N[0], P[1] + sign * r * N[1], P[2] + sign * r * N[2]);
                    double miss = 0.0;
                    for (GeomAPI_ProjectPointOnSurf& pr : proj) {
                        pr.Perform(c);
                        miss = std::max(miss, pr.NbPoints() > 0 ? std::fabs(pr.LowerDistance() - r) : 1e9);
                    }
                    best = std::min(best, miss);
                }
                worst = std::max(worst, best);
            }
    }
    return worst;
}

// Builds the peer's blend and ours (the chamfer run when given a chamfer solver)
// on the edge and compares the faces; for a fillet (ballRadius above 0) ours are
// also checked against the rolling ball itself, which the peer's approximation
// misses by up to 5e-4 on curved faces. Our loft keeps only the sections it needs
// to stay within the fitting tolerance of the exact ones, and a ball centred off a
// surface point along its normal then misses the bases by up to about twice that.
void ExpectSameBlend(const Blend& b, BRepFilletAPI_LocalOperation& mk, CSrfFilletSolver& solver, double ballRadius,
                     const std::string& what)
{
    mk.Build();
    ASSERT_TRUE(mk.IsDone()) << what;
    solver.AddFirst(b.first, b.firstSide);
    solver.AddSecond(b.second, b.secondSide);
    CTypedPtrList<CObList, CGeTrimSurf*> result;
    auto* chamfer = dynamic_cast<CSrfChamferSolver*>(&solver);
    ASSERT_EQ(chamfer ? chamfer->SrfChamfer(&result) : solver.SrfFillet(&result), 1) << what;
    if (ballRadius > 0) {
        EXPECT_LT(BallMiss(result, ballRadius, b.first->m_pSurface, b.second->m_pSurface), 2 * kFilletFitTol) << what << ": off the ball";
    }
    ExpectSameFaces(mk.Generated(b.edge), result, what);
}

// Rounds the edge with radius r in both.
void ExpectSameFillet(const Blend& b, double r, const std::string& what)
{
    ASSERT_FALSE(b.edge.IsNull()) << what;
    BRepFilletAPI_MakeFillet mk(b.shape);
    mk.Add(r, b.edge);
    CSrfFilletSolver solver;
    solver.radius = r;
    ExpectSameBlend(b, mk, solver, r, what);
}

// Bevels the edge in both. Our first distance offsets the first surface, so it
// is the depth into the second face and the second distance the depth into the
// first; the peer's first distance is measured on the face given.
void ExpectSameChamfer(const Blend& b, double firstDist, double secondDist, const std::string& what)
{
    ASSERT_FALSE(b.edge.IsNull()) << what;
    ASSERT_FALSE(b.firstFace.IsNull()) << what;
    BRepFilletAPI_MakeChamfer mk(b.shape);
    mk.Add(secondDist, firstDist, b.edge, b.firstFace);
    CSrfChamferSolver solver;
    solver.firstDist = firstDist;
    solver.secondDist = secondDist;
    ExpectSameBlend(b, mk, solver, 0, what);
}

// The box's edge, both faces offset inwards.
TEST(SrfFilletSolverOcct, BoxEdgeFilletAgreesWithThePeer)
{
    ESSI_ResetKernelState();
    PeerBox box;
    OurBox our;
    ExpectSameFillet({box.shape, box.edge, box.top, our.top.get(), 1, our.right.get(), 1}, 2, "fillet");
    ESSI_ResetKernelState();
}

// Unequal distances, 3 into the top face and 2 down the right face, so that a
// chamfer with its distances swapped (or measured on the wrong faces) is 0.7 off
// the peer's.
TEST(SrfFilletSolverOcct, BoxEdgeChamferAgreesWithThePeer)
{
    ESSI_ResetKernelState();
    PeerBox box;
    OurBox our;
    ExpectSameChamfer({box.shape, box.edge, box.top, our.top.get(), 1, our.right.get(), 1}, 2, 3, "chamfer");
    ESSI_ResetKernelState();
}

// A cylinder of radius 5 and height 10 in both forms: the peer's solid with its
// top edge and top face, and ours: the top face (a square plane around the
// disc) and the wall, sharing the edge, both with their offset sides into the
// solid (the top against its upward normal, the wall towards the axis).
struct CylinderTop {
    static constexpr double R = 5, h = 10;
    TopoDS_Shape peer = BRepPrimAPI_MakeCylinder(R, h).Shape();
    TopoDS_Edge edge;
    TopoDS_Face peerTop;
    trimadapt::Surf top = trimadapt::PlaneSurf({-R - 1, -R - 1, h}, {2 * R + 2, 0, 0}, {0, 2 * R + 2, 0});
    trimadapt::Surf wall = trimadapt::CylinderSurf(0, 0, 0, R, h);
    int wallSide = 0;
    CylinderTop()
    {
        for (TopExp_Explorer ex(peer, TopAbs_EDGE); ex.More(); ex.Next()) {
            const TopoDS_Edge e = TopoDS::Edge(ex.Current());
            double f, l;
            Handle(Geom_Curve) c = BRep_Tool::Curve(e, f, l);
            if (c.IsNull()) continue;
            const gp_Pnt a = c->Value(f), m = c->Value(0.5 * (f + l));
            if (std::fabs(a.Z() - h) < 1e-9 && std::fabs(m.Z() - h) < 1e-9) edge = e;
        }
        for (TopExp_Explorer ex(peer, TopAbs_FACE); ex.More(); ex.Next()) {
            const TopoDS_Face f = TopoDS::Face(ex.Current());
            BRepAdaptor_Surface ad(f);
            if (ad.GetType() == GeomAbs_Plane && std::fabs(ad.Plane().Location().Z() - h) < 1e-9) peerTop = f;
        }
        top->m_pKernelSurf = ESRF_NewNurbs(BSRF_Clone(top->m_pSurface));
        wall->m_pKernelSurf = ESRF_NewNurbs(BSRF_Clone(wall->m_pSurface));
        double P[3], N[3];
        wall->GetNormal(0.1, 0.5, P, N);
        wallSide = P[0] * N[0] + P[1] * N[1] > 0 ? 1 : 0;
    }
    ~CylinderTop()
    {
        ENT_Free(static_cast<SURFACE*>(top->m_pKernelSurf));
        ENT_Free(static_cast<SURFACE*>(wall->m_pKernelSurf));
    }
};

// The top edge rounded with radius 1.
TEST(SrfFilletSolverOcct, CylinderTopEdgeFilletAgreesWithThePeer)
{
    ESSI_ResetKernelState();
    CylinderTop cyl;
    ExpectSameFillet({cyl.peer, cyl.edge, cyl.peerTop, cyl.top.get(), 1, cyl.wall.get(), cyl.wallSide}, 1,
                     "cylinder's top edge");
    ESSI_ResetKernelState();
}

// The top edge chamfered 1.5 into the top and 0.5 down the wall (a cone): with
// the distances swapped the cone leans the other way, 0.95 off.
TEST(SrfChamferSolverOcct, CylinderTopEdgeChamferAgreesWithThePeer)
{
    ESSI_ResetKernelState();
    CylinderTop cyl;
    ExpectSameChamfer({cyl.peer, cyl.edge, cyl.peerTop, cyl.top.get(), 1, cyl.wall.get(), cyl.wallSide}, 0.5, 1.5,
                      "cylinder's top edge");
    ESSI_ResetKernelState();
}

// Two B-spline faces meeting along a wavy edge from x = 0 to 30: a top over y
// from 0 to the edge and a wall hanging 10 down from the edge. The edge waves by
// 1.5 in y and by zWave in z; bulge domes the top across the edge and bows the
// wall outwards (0: a flat top and a vertical wall). The normals point out of
// the solid below the top and behind the wall (about +z and +y); the first two
// and last two pole columns differ only in x, so that both faces end square to
// the edge.
struct BSplineEdge {
    static constexpr int kColumns = 9;
    surffix::SurfPtr top{BSRF_Create(4, kColumns, 3, 3)}, wall{BSRF_Create(4, kColumns, 3, 3)};
    BSplineEdge(double zWave, double bulge)
    {
        for (int i = 0; i < kColumns; ++i) {
            const double s = std::clamp((i - 1.0) / (kColumns - 3), 0.0, 1.0);
            const double x = 30.0 * i / (kColumns - 1);
            const double y = 12 + 1.5 * std::sin(2 * std::numbers::pi * s), z = 10 + zWave * std::sin(std::numbers::pi * s);
            for (int j = 0; j < 3; ++j) {
                double* T = top->P[i][j];
                T[0] = x, T[1] = 0.5 * j * y, T[2] = z + (j == 1 ? bulge : 0.0);
                double* W = wall->P[i][j];
                W[0] = x, W[1] = y + (j == 1 ? bulge : 0.0), W[2] = z - 5 * j;
            }
        }
    }
};

// The peer's shell of the two faces sewn along their common edge.
struct PeerShell {
    TopoDS_Shape shape;
    TopoDS_Edge edge;  // the edge both faces share
    TopoDS_Face first, second;  // the faces as sewn
    PeerShell(const _nurbs_surface* a, const _nurbs_surface* b)
    {
        const TopoDS_Face fa = BRepBuilderAPI_MakeFace(occt3d::ToOcct(a), 1e-7).Face();
        const TopoDS_Face fb = BRepBuilderAPI_MakeFace(occt3d::ToOcct(b), 1e-7).Face();
        BRepBuilderAPI_Sewing sewing(1e-6);
        sewing.Add(fa);
        sewing.Add(fb);
        sewing.Perform();
        shape = sewing.SewedShape();
        TopTools_IndexedDataMapOfShapeListOfShape faces;
        TopExp::MapShapesAndAncestors(shape, TopAbs_EDGE, TopAbs_FACE, faces);
        for (int k = 1; k <= faces.Extent(); ++k)
            if (faces(k).Extent() == 2) edge = TopoDS::Edge(faces.FindKey(k));
        first = TopoDS::Face(sewing.Modified(fa));
        second = TopoDS::Face(sewing.Modified(fb));
    }
};

// Our faces of the edge as trimmed surfaces with kernel records.
struct OurFaces {
    trimadapt::Input top, wall;
    explicit OurFaces(const BSplineEdge& e)
        : top(surffix::SurfPtr(BSRF_Clone(e.top.get()))), wall(surffix::SurfPtr(BSRF_Clone(e.wall.get())))
    {
    }
};

// Rolling-ball fillets of radius 2 along the edge, on curved faces and on flat
// ones (a peer radius 0.01 larger is 0.002 to 0.01 off).
TEST(SrfFilletSolverBSplineOcct, FilletAgreesWithThePeer)
{
    ESSI_ResetKernelState();
    struct Row {
        const char* label;
        double zWave, bulge;
    };
    for (const Row& row : {Row{"a domed top and a bowed wall, the edge waving in y and z", 1.0, 1.5},
                           Row{"a flat top and a vertical wall", 0.0, 0.0}}) {
        const BSplineEdge e(row.zWave, row.bulge);
        const PeerShell peer(e.top.get(), e.wall.get());
        OurFaces our(e);
        ExpectSameFillet({peer.shape, peer.edge, peer.first, our.top.get(), 1, our.wall.get(), 1}, 2, row.label);
    }
    ESSI_ResetKernelState();
}

// A chamfer 1.5 into the flat top and 1 down the vertical wall (swapped, 0.5
// off). Only on such faces do the peer's distances (chords from the edge in the
// plane across it) and ours (the offsets of the faces, the contact points their
// feet) give the same chamfer: on faces curved across the edge or meeting at
// another angle they differ.
TEST(SrfFilletSolverBSplineOcct, ChamferAgreesWithThePeer)
{
    ESSI_ResetKernelState();
    const BSplineEdge e(0.0, 0.0);
    const PeerShell peer(e.top.get(), e.wall.get());
    OurFaces our(e);
    ExpectSameChamfer({peer.shape, peer.edge, peer.first, our.top.get(), 1, our.wall.get(), 1}, 1, 1.5, "chamfer");
    ESSI_ResetKernelState();
}

// With both trim flags the top and the wall follow the fillet, cut back along
// the contact lines: each piece has the area of the peer's face after the fillet
// (keeping the strip instead would be far off), and its new boundary lies on the
// peer's fillet.
TEST(SrfFilletSolverBSplineOcct, TrimmedFacesAgreeWithThePeer)
{
    ESSI_ResetKernelState();
    const double r = 2;
    const BSplineEdge e(1.0, 1.5);
    const PeerShell peer(e.top.get(), e.wall.get());
    ASSERT_FALSE(peer.edge.IsNull());
    BRepFilletAPI_MakeFillet mk(peer.shape);
    mk.Add(r, peer.edge);
    mk.Build();
    ASSERT_TRUE(mk.IsDone());
    ASSERT_EQ(mk.Generated(peer.edge).Extent(), 1);
    const Handle(Geom_Surface) peerFillet = BRep_Tool::Surface(TopoDS::Face(mk.Generated(peer.edge).First()));

    OurFaces our(e);
    CSrfFilletSolver solver;
    solver.radius = r;
    solver.trimFirst = solver.trimSecond = 1;
    solver.AddFirst(our.top.get(), 1);
    solver.AddSecond(our.wall.get(), 1);
    CTypedPtrList<CObList, CGeTrimSurf*> result;
    ASSERT_EQ(solver.SrfFillet(&result), 1);
    std::vector<std::unique_ptr<CGeTrimSurf>> out;
    while (!result.IsEmpty()) out.emplace_back(result.RemoveHead());
    ASSERT_EQ(out.size(), 3u) << "the fillet, the top's piece, the wall's piece";
    const TopoDS_Face peerFaces[2] = {peer.first, peer.second};
    const char* names[2] = {"top", "wall"};
    for (int k = 0; k < 2; ++k) {
        CGeTrimSurf& piece = *out[k + 1];
        const TopTools_ListOfShape& modified = mk.Modified(peerFaces[k]);
        ASSERT_EQ(modified.Extent(), 1) << names[k];
        GProp_GProps props;
        BRepGProp::SurfaceProperties(modified.First(), props, 1e-6);
        EXPECT_NEAR(trimadapt::TrimmedArea(piece), props.Mass(), 1e-3 * props.Mass()) << names[k];
        std::vector<trimedit::UV> cutUV;
        for (const auto& poly : trimadapt::LoopPolygons(piece))
            for (const auto& uv : poly)
                if (std::min({uv[0], 1 - uv[0], uv[1], 1 - uv[1]}) > 1e-9) cutUV.push_back(uv);  // off the face's own boundary
        ASSERT_GT(cutUV.size(), 10u) << names[k];
        // About 200 of them (the peer's projection is slow), and the ball centres r
        // in from them (both faces are offset against their normals), which must
        // be r from the other face.
        std::vector<gp_Pnt> cut, centres;
        for (size_t i = 0; i < cutUV.size(); i += cutUV.size() / 200 + 1) {
            double P[3], N[3];
            ASSERT_TRUE(piece.GetNormal(cutUV[i][0], cutUV[i][1], P, N)) << names[k];
            cut.emplace_back(P[0], P[1], P[2]);
            centres.emplace_back(P[0] - r * N[0], P[1] - r * N[1], P[2] - r * N[2]);
        }
        EXPECT_LT(OneWay(cut, {peerFillet}), 1e-3) << names[k] << ": the cut off the peer's fillet";
        const Handle(Geom_Surface) other = occt3d::ToOcct((k == 0 ? e.wall : e.top).get());
        double miss = 0.0;
        for (const gp_Pnt& c : centres) miss = std::max(miss, std::fabs(OneWay({c}, {other}) - r));
        EXPECT_LT(miss, 1e-6) << names[k] << ": the cut off the contact line";
    }
    ESSI_ResetKernelState();
}

}  // namespace
