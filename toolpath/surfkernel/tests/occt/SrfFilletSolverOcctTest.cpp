// Fillets of the fillet solver against Open CASCADE's BRepFilletAPI_MakeFillet on
// the same box edge: the two fillet faces within 1e-3 of each other both ways.

#include "testing/OcctNurbs.h"
#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/SrfFilletSolver.h"
#include "toolpath/surfkernel/SurfaceEntity.h"
#include "toolpath/surfkernel/tests/TrimAdaptorFixtures.h"

#include <BRepAdaptor_Surface.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
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

// The largest distance from a grid of points of one surface to the other.
double OneWay(const std::vector<gp_Pnt>& points, const Handle(Geom_Surface) & other)
{
    double worst = 0.0;
    for (const gp_Pnt& p : points) {
        GeomAPI_ProjectPointOnSurf proj(p, other);
        worst = std::max(worst, proj.NbPoints() > 0 ? proj.LowerDistance() : 1e9);
    }
    return worst;
}

TEST(SrfFilletSolverOcct, BoxEdgeFilletAgreesWithThePeer)
{
    ESSI_ResetKernelState();
    const double side = 10, r = 2;
    // The peer: the box [0, 10]³ with its edge x = 10, z = 10 rounded.
    TopoDS_Shape box = BRepPrimAPI_MakeBox(side, side, side).Shape();
    BRepFilletAPI_MakeFillet mk(box);
    TopoDS_Edge edge;
    for (TopExp_Explorer ex(box, TopAbs_EDGE); ex.More(); ex.Next()) {
        const TopoDS_Edge e = TopoDS::Edge(ex.Current());
        double f, l;
        Handle(Geom_Curve) c = BRep_Tool::Curve(e, f, l);
        const gp_Pnt m = c->Value(0.5 * (f + l));
        if (std::fabs(m.X() - side) < 1e-9 && std::fabs(m.Z() - side) < 1e-9) edge = e;
    }
    ASSERT_FALSE(edge.IsNull());
    mk.Add(r, edge);
    mk.Build();
    ASSERT_TRUE(mk.IsDone());
    const TopTools_ListOfShape& made = mk.Generated(edge);
    ASSERT_EQ(made.Extent(), 1);
    const TopoDS_Face peerFace = TopoDS::Face(made.First());
    Handle(Geom_Surface) peerSurf = BRep_Tool::Surface(peerFace);
    double u0, u1, v0, v1;
    BRepTools::UVBounds(peerFace, u0, u1, v0, v1);
    std::vector<gp_Pnt> peerPoints;
    BRepAdaptor_Surface peerAd(peerFace);
    for (int i = 0; i <= 20; ++i)
        for (int j = 0; j <= 20; ++j) peerPoints.push_back(peerAd.Value(u0 + (u1 - u0) * i / 20, v0 + (v1 - v0) * j / 20));

    // Ours: the box's top and right faces, both offset inwards (against their
    // outward normals).
    auto top = trimadapt::PlaneSurf({0, 0, side}, {side, 0, 0}, {0, side, 0});
    auto right = trimadapt::PlaneSurf({side, 0, 0}, {0, side, 0}, {0, 0, side});
    top->m_pKernelSurf = ESRF_NewNurbs(BSRF_Clone(top->m_pSurface));
    right->m_pKernelSurf = ESRF_NewNurbs(BSRF_Clone(right->m_pSurface));
    CSrfFilletSolver solver;
    solver.radius = r;
    solver.AddFirst(top.get(), 1);
    solver.AddSecond(right.get(), 1);
    CTypedPtrList<CObList, CGeTrimSurf*> result;
    ASSERT_EQ(solver.SrfFillet(&result), 1);
    ASSERT_EQ(result.GetCount(), 1);
    std::unique_ptr<CGeTrimSurf> ours(result.RemoveHead());
    std::vector<gp_Pnt> ourPoints;
    for (int i = 0; i <= 20; ++i)
        for (int j = 0; j <= 20; ++j) {
            double p[3];
            ASSERT_TRUE(ours->GetPoint(i / 20.0, j / 20.0, p));
            ourPoints.emplace_back(p[0], p[1], p[2]);
        }
    EXPECT_LT(OneWay(ourPoints, peerSurf), 1e-3) << "our fillet off the peer's";
    // The other way through our kernel's projection: the peer's projection onto a
    // lofted surface of many spans takes minutes.
    SURFACE* rec = ESRF_NewNurbs(BSRF_Clone(ours->m_pSurface));
    double worst = 0.0;
    for (const gp_Pnt& p : peerPoints) {
        const double q[3] = {p.X(), p.Y(), p.Z()};
        double u = 0.5, v = 0.5, foot[3];
        ASSERT_EQ(ESRF_ProjectPoint(&u, &v, foot, rec, q), 1);
        worst = std::max(worst, std::sqrt((q[0] - foot[0]) * (q[0] - foot[0]) + (q[1] - foot[1]) * (q[1] - foot[1]) +
                                          (q[2] - foot[2]) * (q[2] - foot[2])));
    }
    ENT_Free(rec);
    EXPECT_LT(worst, 1e-3) << "the peer's fillet off ours";
    ENT_Free(static_cast<SURFACE*>(top->m_pKernelSurf));
    ENT_Free(static_cast<SURFACE*>(right->m_pKernelSurf));
    ESSI_ResetKernelState();
}

}  // namespace
