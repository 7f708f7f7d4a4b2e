// Lofts of the loft creator against Open CASCADE's lofts through the same
// sections (BRepOffsetAPI_ThruSections), and the B-spline wing of its sample
// models lofted back from its own iso-curves. Distances are measured with the
// peer's point projection, both ways.

#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "testing/LoftSections.h"
#include "testing/OcctModels.h"
#include "toolpath/surfkernel/LoftSrfCreator.h"

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepOffsetAPI_ThruSections.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using loftfix::CurvePtr;
using loftfix::Sections;
using SurfPtr = std::unique_ptr<_nurbs_surface, occt3d::SurfaceFreer>;

_nurbs_surface* OurLoft(const std::vector<CurvePtr>& sections)
{
    CLoftSrfCreator creator;
    for (const CurvePtr& c : sections) {
        CGeNrbCrv3d curve(c->Clone());
        creator.AddCross(&curve, 0);
    }
    return creator.CreatLoftSurf();
}

Handle(Geom_Surface) PeerLoft(const std::vector<CurvePtr>& sections)
{
    BRepOffsetAPI_ThruSections thru(false, false, 1e-6);
    for (const CurvePtr& c : sections) {
        const TopoDS_Edge edge = BRepBuilderAPI_MakeEdge(occt3d::ToOcct(c.get()));
        thru.AddWire(BRepBuilderAPI_MakeWire(edge));
    }
    thru.Build();
    if (!thru.IsDone()) return {};
    TopExp_Explorer ex(thru.Shape(), TopAbs_FACE);
    return ex.More() ? BRep_Tool::Surface(TopoDS::Face(ex.Current())) : Handle(Geom_Surface)();
}

// Distances to a surface by the peer's orthogonal projection over its whole
// domain (the projector's sample grid made once); inf when it finds no foot.
class Projector {
public:
    explicit Projector(const Handle(Geom_Surface)& s)
    {
        double u0, u1, v0, v1;
        s->Bounds(u0, u1, v0, v1);
        m_proj.Init(s, u0, u1, v0, v1);
    }
    double Distance(const gp_Pnt& p)
    {
        m_proj.Perform(p);
        return m_proj.NbPoints() > 0 ? m_proj.LowerDistance() : INFINITY;
    }

private:
    GeomAPI_ProjectPointOnSurf m_proj;
};

// Largest distance from an n × m grid over the inner part of a's domain (the
// first fraction `margin` of each end left out along the sections) to b.
double OneWay(const Handle(Geom_Surface)& a, const Handle(Geom_Surface)& b, double margin, int n, int m)
{
    double u0, u1, v0, v1, worst = 0.0;
    a->Bounds(u0, u1, v0, v1);
    Projector to(b);
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= m; ++j) {
            const double u = u0 + (u1 - u0) * (margin + (1 - 2 * margin) * i / n), v = v0 + (v1 - v0) * j / m;
            worst = std::max(worst, to.Distance(a->Value(u, v)));
        }
    return worst;
}

// Largest distance from samples of the sections to the surface.
double SectionsTo(const std::vector<CurvePtr>& sections, const Handle(Geom_Surface)& s)
{
    double worst = 0.0;
    Projector to(s);
    for (const CurvePtr& c : sections) {
        const double t0 = c->U[c->k - 1], t1 = c->U[c->n];
        for (int i = 0; i <= 30; ++i) {
            double p[3];
            BCRV_EvPos(c.get(), t0 + (t1 - t0) * i / 30, p);
            worst = std::max(worst, to.Distance(gp_Pnt(p[0], p[1], p[2])));
        }
    }
    return worst;
}

TEST(LoftSrfOcct, LoftsThroughTheSameSectionsAsThruSections)
{
    // Both pass through every section; between the sections (2 apart) the two
    // interpolants of the same smooth family part by well under 0.1 % of the
    // spacing (measured about 5e-5).
    struct Row {
        const char* label;
        int count;
        bool closed;
        double apart;  // largest distance allowed between the lofts
    } rows[] = {
        {"8 waves", 8, false, 1e-3},
        {"12 waves", 12, false, 1e-3},
        {"8 drifting circles", 8, true, 1e-3},
    };
    for (const Row& row : rows) {
        const std::vector<CurvePtr> sections = Sections(row.count, row.closed);
        SurfPtr ours(OurLoft(sections));
        ASSERT_TRUE(ours) << row.label;
        const Handle(Geom_Surface) mine = occt3d::ToOcct(ours.get());
        const Handle(Geom_Surface) peer = PeerLoft(sections);
        ASSERT_FALSE(peer.IsNull()) << row.label;
        EXPECT_LT(SectionsTo(sections, mine), 1e-8) << row.label << ": ours through the sections";
        EXPECT_LT(SectionsTo(sections, peer), 1e-5) << row.label << ": the peer's through the sections";
        const double margin = row.closed ? 0.0 : 0.02;
        const double there = OneWay(mine, peer, margin, 20, 4 * row.count);
        const double back = OneWay(peer, mine, margin, 20, 4 * row.count);
        EXPECT_LT(there, row.apart) << row.label;
        EXPECT_LT(back, row.apart) << row.label;
        RecordProperty(std::string(row.label) + " apart", std::to_string(std::max(there, back)));
    }
}

TEST(LoftSrfOcct, WingFacesComeBackFromTheirIsoCurves)
{
    const TopoDS_Shape shape = occt3d::ReadBrepAsNurbs(std::string(occt3d::kModelFolder) + "/wing.brep");
    if (shape.IsNull()) GTEST_SKIP() << "wing.brep is not in this occt-misc release";
    const std::vector<occt3d::ModelFace> faces = occt3d::ModelFaces(shape);
    ASSERT_EQ(faces.size(), 4u);
    for (std::size_t f = 0; f < faces.size(); ++f) {
        const Handle(Geom_BSplineSurface)& face = faces[f].peer;
        double u0, u1, v0, v1;
        face->Bounds(u0, u1, v0, v1);
        // Profiles at four spans, lofted back across the span.
        CLoftSrfCreator creator;
        for (int k = 0; k <= 3; ++k) {
            Handle(Geom_BSplineCurve) iso = Handle(Geom_BSplineCurve)::DownCast(face->VIso(v0 + (v1 - v0) * k / 3));
            ASSERT_FALSE(iso.IsNull());
            CGeNrbCrv3d curve(occt3d::FromOcct(iso));
            creator.AddCross(&curve, 0);
        }
        std::vector<_nurbs_surface*> out;
        creator.CreatLoftSurf(out);
        ASSERT_EQ(out.size(), 1u) << "face " << f;
        SurfPtr ours(out[0]);
        const Handle(Geom_Surface) mine = occt3d::ToOcct(ours.get());
        const double size = face->Pole(1, 1).Distance(gp_Pnt(0, 0, 0)) + 1.0;
        EXPECT_LT(OneWay(mine, face, 0.0, 30, 12), 1e-7 * size) << "face " << f;
        EXPECT_LT(OneWay(face, mine, 0.0, 30, 12), 1e-7 * size) << "face " << f;
    }
}

}  // namespace
