// Fillets and chamfers of the fillet solver against Open CASCADE's
// BRepFilletAPI_MakeFillet and BRepFilletAPI_MakeChamfer on the same box edge and
// cylinder top edge: the faces within 1e-3 of each other both ways.

#include "testing/OcctNurbs.h"
#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/SrfFilletSolver.h"
#include "toolpath/surfkernel/SurfaceEntity.h"
#include "toolpath/surfkernel/tests/TrimAdaptorFixtures.h"

#include <BRepAdaptor_Surface.hxx>
#include <BRepFilletAPI_MakeChamfer.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepTools.hxx>
#include <BRep_Tool.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
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

// Checks that the peer made as many faces from the edge as we did and that they
// lie within 1e-3 of each other: 21 × 21 grid points of ours
// projected onto the peer's surfaces, and of the peer's onto ours through our
// kernel's projection (the peer's projection onto a lofted surface of many spans
// takes minutes).
void ExpectSameFaces(const TopTools_ListOfShape& made, CTypedPtrList<CObList, CGeTrimSurf*>& result, const char* what)
{
    ASSERT_FALSE(made.IsEmpty()) << what;
    ASSERT_FALSE(result.IsEmpty()) << what;
    EXPECT_EQ(result.GetCount(), made.Extent()) << what;
    std::vector<Handle(Geom_Surface)> peerSurfs;
    std::vector<gp_Pnt> peerPoints, ourPoints;
    for (const TopoDS_Shape& shape : made) {
        const TopoDS_Face face = TopoDS::Face(shape);
        peerSurfs.push_back(BRep_Tool::Surface(face));
        double u0, u1, v0, v1;
        BRepTools::UVBounds(face, u0, u1, v0, v1);
        BRepAdaptor_Surface ad(face);
        for (int i = 0; i <= 20; ++i)
            for (int j = 0; j <= 20; ++j) peerPoints.push_back(ad.Value(u0 + (u1 - u0) * i / 20, v0 + (v1 - v0) * j / 20));
    }
    std::vector<SURFACE*> recs;
    while (!result.IsEmpty()) {
        std::unique_ptr<CGeTrimSurf> ours(result.RemoveHead());
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
}

TEST(SrfFilletSolverOcct, BoxEdgeFilletAgreesWithThePeer)
{
    ESSI_ResetKernelState();
    const double r = 2;
    PeerBox box;
    ASSERT_FALSE(box.edge.IsNull());
    BRepFilletAPI_MakeFillet mk(box.shape);
    mk.Add(r, box.edge);
    mk.Build();
    ASSERT_TRUE(mk.IsDone());

    OurBox our;
    CSrfFilletSolver solver;
    solver.radius = r;
    solver.AddFirst(our.top.get(), 1);
    solver.AddSecond(our.right.get(), 1);
    CTypedPtrList<CObList, CGeTrimSurf*> result;
    ASSERT_EQ(solver.SrfFillet(&result), 1);
    ExpectSameFaces(mk.Generated(box.edge), result, "fillet");
    ESSI_ResetKernelState();
}

// Unequal distances, so that a chamfer with its distances swapped (or measured on
// the wrong faces) is 0.7 off the peer's.
TEST(SrfFilletSolverOcct, BoxEdgeChamferAgreesWithThePeer)
{
    ESSI_ResetKernelState();
    PeerBox box;
    ASSERT_FALSE(box.edge.IsNull());
    ASSERT_FALSE(box.top.IsNull());
    // Ours reaches 3 into the top face (the second distance, from the right face)
    // and 2 down the right face (the first, from the top face); the peer's first
    // distance is measured on the face given.
    BRepFilletAPI_MakeChamfer mk(box.shape);
    mk.Add(3, 2, box.edge, box.top);
    mk.Build();
    ASSERT_TRUE(mk.IsDone());

    OurBox our;
    CSrfChamferSolver solver;
    solver.firstDist = 2;
    solver.secondDist = 3;
    solver.AddFirst(our.top.get(), 1);
    solver.AddSecond(our.right.get(), 1);
    CTypedPtrList<CObList, CGeTrimSurf*> result;
    ASSERT_EQ(solver.SrfChamfer(&result), 1);
    ExpectSameFaces(mk.Generated(box.edge), result, "chamfer");
    ESSI_ResetKernelState();
}

// The top edge of a cylinder of radius 5 rounded with radius 1: the peer's
// cylinder and ours (the top face as a square plane around the disc) share the
// edge; our pieces and the peer's faces within 1e-3 both ways.
TEST(SrfFilletSolverOcct, CylinderTopEdgeFilletAgreesWithThePeer)
{
    ESSI_ResetKernelState();
    const double R = 5, h = 10, r = 1;
    const TopoDS_Shape cylinder = BRepPrimAPI_MakeCylinder(R, h).Shape();
    TopoDS_Edge edge;
    for (TopExp_Explorer ex(cylinder, TopAbs_EDGE); ex.More(); ex.Next()) {
        const TopoDS_Edge e = TopoDS::Edge(ex.Current());
        double f, l;
        Handle(Geom_Curve) c = BRep_Tool::Curve(e, f, l);
        if (c.IsNull()) continue;
        const gp_Pnt a = c->Value(f), m = c->Value(0.5 * (f + l));
        if (std::fabs(a.Z() - h) < 1e-9 && std::fabs(m.Z() - h) < 1e-9) edge = e;
    }
    ASSERT_FALSE(edge.IsNull());
    BRepFilletAPI_MakeFillet mk(cylinder);
    mk.Add(r, edge);
    mk.Build();
    ASSERT_TRUE(mk.IsDone());

    auto top = trimadapt::PlaneSurf({-R - 1, -R - 1, h}, {2 * R + 2, 0, 0}, {0, 2 * R + 2, 0});
    auto wall = trimadapt::CylinderSurf(0, 0, 0, R, h);
    top->m_pKernelSurf = ESRF_NewNurbs(BSRF_Clone(top->m_pSurface));
    wall->m_pKernelSurf = ESRF_NewNurbs(BSRF_Clone(wall->m_pSurface));
    // Both offset into the solid: the top against its upward normal, the wall
    // towards the axis.
    double P[3], N[3];
    wall->GetNormal(0.1, 0.5, P, N);
    const int wallSide = P[0] * N[0] + P[1] * N[1] > 0 ? 1 : 0;
    CSrfFilletSolver solver;
    solver.radius = r;
    solver.AddFirst(top.get(), 1);
    solver.AddSecond(wall.get(), wallSide);
    CTypedPtrList<CObList, CGeTrimSurf*> result;
    ASSERT_EQ(solver.SrfFillet(&result), 1);
    ExpectSameFaces(mk.Generated(edge), result, "cylinder's top edge");
    ENT_Free(static_cast<SURFACE*>(top->m_pKernelSurf));
    ENT_Free(static_cast<SURFACE*>(wall->m_pKernelSurf));
    ESSI_ResetKernelState();
}

}  // namespace
