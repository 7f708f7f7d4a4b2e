// Trimmed surfaces built from the faces of Open CASCADE's sample models: the
// trimmed region against its face classifier, the tessellation's area against its
// surface properties, its iso curves against its trims.
#include "framework/numerak/Bsrf.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "testing/OcctNurbs.h"
#include "testing/SurfaceFixtures.h"

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepBuilderAPI_NurbsConvert.hxx>
#include <BRepLib.hxx>
#include <Geom2d_Circle.hxx>
#include <gp_Ax2d.hxx>
#include <BRepClass_FaceClassifier.hxx>
#include <BRepGProp.hxx>
#include <BRepTools.hxx>
#include <BRepTools_WireExplorer.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <Geom2d_Curve.hxx>
#include <GeomConvert.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr const char* kModels = "/usr/share/opencascade/data";

struct Face {
    std::unique_ptr<CGeTrimSurf> surf;
    double u0, u1, v0, v1;  // the face surface's own parameter domain
    std::vector<std::vector<std::array<double, 2>>> loops;  // normalised loop polygons
};

// The face as a trimmed surface: the B-spline record normalised to the unit square,
// one loop of polyline bounds per wire (the outer wire first). False for a face whose
// parameter curves leave the first period.
bool ToTrimSurf(const TopoDS_Face& face, Face& out)
{
    Handle(Geom_BSplineSurface) bs = Handle(Geom_BSplineSurface)::DownCast(BRep_Tool::Surface(face));
    if (bs.IsNull()) bs = GeomConvert::SurfaceToBSplineSurface(BRep_Tool::Surface(face));
    if (bs.IsNull()) return false;
    _nurbs_surface* s = occt3d::FromOcct(bs);
    if (!s) return false;
    out.u0 = s->U[s->ku - 1], out.u1 = s->U[s->nu], out.v0 = s->V[s->kv - 1], out.v1 = s->V[s->nv];
    out.surf = std::make_unique<CGeTrimSurf>(s, BOX2<double>(0, 0, 1, 1));
    out.surf->ReguKontVector();
    std::vector<TopoDS_Wire> wires{BRepTools::OuterWire(face)};
    for (TopExp_Explorer wx(face, TopAbs_WIRE); wx.More(); wx.Next())
        if (!wx.Current().IsSame(wires.front())) wires.push_back(TopoDS::Wire(wx.Current()));
    constexpr int kSamples = 400;
    for (const TopoDS_Wire& wire : wires) {
        auto* loop = new CGeTrimLoop;
        std::vector<std::array<double, 2>> polygon;
        for (BRepTools_WireExplorer ex(wire, face); ex.More(); ex.Next()) {
            const TopoDS_Edge& edge = ex.Current();
            double f = 0.0, l = 0.0;
            Handle(Geom2d_Curve) pc = BRep_Tool::CurveOnSurface(edge, face, f, l);
            if (pc.IsNull()) continue;
            const bool reversed = edge.Orientation() == TopAbs_REVERSED;
            std::vector<std::array<double, 2>> uv(kSamples + 1);
            for (int k = 0; k <= kSamples; ++k) {
                const double g = double(k) / kSamples;
                const gp_Pnt2d q = pc->Value(reversed ? l - (l - f) * g : f + (l - f) * g);
                uv[k] = {(q.X() - out.u0) / (out.u1 - out.u0), (q.Y() - out.v0) / (out.v1 - out.v0)};
                if (uv[k][0] < -1e-7 || uv[k][0] > 1 + 1e-7 || uv[k][1] < -1e-7 || uv[k][1] > 1 + 1e-7) {
                    delete loop;
                    return false;
                }
            }
            polygon.insert(polygon.end(), uv.begin(), uv.end());
            auto* poly = new CGePolyline;
            poly->Create(static_cast<int>(uv.size()), reinterpret_cast<const double(*)[2]>(uv.data()));
            loop->AddBound(new CGeTrimBnd(poly, nullptr, nullptr));
        }
        out.surf->AddLoop(loop);
        out.loops.push_back(std::move(polygon));
    }
    out.surf->CalcUVBox();
    return true;
}

double NearestEdge(const std::vector<std::vector<std::array<double, 2>>>& loops, double u, double v)
{
    double best = 1e300;
    for (const auto& p : loops)
        for (size_t i = 0; i + 1 < p.size(); ++i) {
            const double ax = p[i][0], ay = p[i][1], bx = p[i + 1][0] - ax, by = p[i + 1][1] - ay;
            const double len2 = bx * bx + by * by;
            double t = len2 > 0 ? ((u - ax) * bx + (v - ay) * by) / len2 : 0.0;
            t = std::fmax(0.0, std::fmin(1.0, t));
            best = std::fmin(best, std::hypot(u - ax - t * bx, v - ay - t * by));
        }
    return best;
}

double MeshArea(const CGeTrimSurf& s)
{
    double area = 0.0;
    for (const SFacet3& f : s.faces3) {
        const gp_Pnt a(s.vertices[f.v[0]].x, s.vertices[f.v[0]].y, s.vertices[f.v[0]].z);
        const gp_Pnt b(s.vertices[f.v[1]].x, s.vertices[f.v[1]].y, s.vertices[f.v[1]].z);
        const gp_Pnt c(s.vertices[f.v[2]].x, s.vertices[f.v[2]].y, s.vertices[f.v[2]].z);
        area += 0.5 * gp_Vec(a, b).Crossed(gp_Vec(a, c)).Magnitude();
    }
    return area;
}

TEST(TrimSurfOcct, BottleFacesRegionAndArea)
{
    TopoDS_Shape shape;
    BRep_Builder builder;
    const std::string path = std::string(kModels) + "/occ/bottle.brep";
    ASSERT_TRUE(BRepTools::Read(shape, path.c_str(), builder)) << path;
    shape = BRepBuilderAPI_NurbsConvert(shape).Shape();
    std::mt19937 rng(34);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int faces = 0, isoCurves = 0;
    for (TopExp_Explorer fx(shape, TopAbs_FACE); fx.More(); fx.Next()) {
        const TopoDS_Face face = TopoDS::Face(fx.Current());
        Face f;
        if (!ToTrimSurf(face, f)) continue;
        ++faces;
        const std::string label = "face " + std::to_string(faces);
        int compared = 0;
        for (int i = 0; i < 300; ++i) {
            double uv[2] = {unit(rng), unit(rng)};
            if (NearestEdge(f.loops, uv[0], uv[1]) < 0.01) continue;
            BRepClass_FaceClassifier classify(face, gp_Pnt2d(f.u0 + uv[0] * (f.u1 - f.u0), f.v0 + uv[1] * (f.v1 - f.v0)), 1e-7);
            if (classify.State() == TopAbs_ON) continue;
            EXPECT_EQ(f.surf->IsPtInParaLoop(uv), classify.State() == TopAbs_IN ? 1 : 0)
                << label << " at (" << uv[0] << ", " << uv[1] << ")";
            ++compared;
        }
        EXPECT_GT(compared, 50) << label;

        // Iso curves end on the trims: each end lies on the model image of a loop polygon.
        std::vector<gp_Pnt> trims;
        std::vector<size_t> starts;
        for (const auto& loop : f.loops) {
            starts.push_back(trims.size());
            for (const auto& p : loop) {
                double xyz[3];
                f.surf->GetPoint(p[0], p[1], xyz);
                trims.emplace_back(xyz[0], xyz[1], xyz[2]);
            }
        }
        starts.push_back(trims.size());
        auto trimDistance = [&](const double* p) {
            const gp_Pnt q(p[0], p[1], p[2]);
            double best = 1e300;
            for (size_t k = 0; k + 1 < starts.size(); ++k)
                for (size_t i = starts[k]; i + 1 < starts[k + 1]; ++i) {
                    const gp_Vec ab(trims[i], trims[i + 1]), aq(trims[i], q);
                    const double len2 = ab.SquareMagnitude();
                    const double t = len2 > 0 ? std::fmax(0.0, std::fmin(1.0, aq.Dot(ab) / len2)) : 0.0;
                    best = std::fmin(best, q.Distance(trims[i].Translated(t * ab)));
                }
            return best;
        };
        int n[2] = {6, 6};
        f.surf->ComputerIsoCurve(n);
        for (CGeCurve3d* c : f.surf->m_listIsoCurve) {
            ++isoCurves;
            double a[3], b[3];
            c->GetStartPoint(a);
            c->GetEndPoint(b);
            EXPECT_LT(trimDistance(a), 0.05) << label << " iso start";
            EXPECT_LT(trimDistance(b), 0.05) << label << " iso end";
        }

        GProp_GProps props;
        BRepGProp::SurfaceProperties(face, props);
        const double want = props.Mass();
        f.surf->Discrete(0.001 * std::sqrt(want));
        EXPECT_NEAR(MeshArea(*f.surf), want, 0.01 * want) << label;
    }
    EXPECT_GE(faces, 4) << "faces within one period";
    EXPECT_GE(isoCurves, 10 * faces) << "iso curves made";
}

// A bicubic bump and a cylinder patch with circular holes in the parameter plane:
// the tessellation's area against Open CASCADE's area of the same trimmed face.
TEST(TrimSurfOcct, SurfacesWithHolesMatchTheFaceArea)
{
    struct Hole {
        double u, v, r;
    };
    struct Row {
        const char* label;
        surffix::SurfPtr record;
        std::vector<Hole> holes;
    };
    Row rows[] = {{"bicubic bump, one hole", surffix::Wavy(8, false), {{0.5, 0.5, 0.2}}},
                  {"rational bicubic, three holes", surffix::Wavy(12, true), {{0.25, 0.3, 0.1}, {0.7, 0.3, 0.15}, {0.5, 0.72, 0.18}}},
                  {"cylinder patch, one hole", surffix::Cylinder(5.0, 8.0), {{0.5, 0.5, 0.1}}}};
    for (Row& row : rows) {
        _nurbs_surface* s = row.record.get();
        ASSERT_EQ(s->U[s->ku - 1], 0.0) << row.label;
        ASSERT_EQ(s->U[s->nu], 1.0) << row.label;
        CGeTrimSurf surf(BSRF_Clone(s), BOX2<double>(0, 0, 1, 1));
        surf.AddLoop(surf.GenRectTrimLoop(0, 1, 0, 1));
        Handle(Geom_BSplineSurface) peer = occt3d::ToOcct(s);
        BRepBuilderAPI_MakeFace make(peer, 0.0, 1.0, 0.0, 1.0, 1e-7);
        for (const Hole& h : row.holes) {
            auto* loop = new CGeTrimLoop;
            const double c[2] = {h.u, h.v};
            loop->AddBound(new CGeTrimBnd(new CGeCircle(c, h.r, 1), nullptr, nullptr));
            surf.AddLoop(loop);
            Handle(Geom2d_Circle) circle = new Geom2d_Circle(gp_Ax2d(gp_Pnt2d(h.u, h.v), gp_Dir2d(1, 0)), h.r, false);
            make.Add(BRepBuilderAPI_MakeWire(BRepBuilderAPI_MakeEdge(circle, peer).Edge()).Wire());
        }
        surf.CalcUVBox();
        TopoDS_Face face = make.Face();
        BRepLib::BuildCurves3d(face);
        GProp_GProps props;
        BRepGProp::SurfaceProperties(face, props);
        const double want = props.Mass();
        surf.Discrete(0.005);
        EXPECT_NEAR(MeshArea(surf), want, 0.01 * want) << row.label;
        for (size_t i = 0; i < surf.uvcoords.size(); ++i) {
            const double u = surf.uvcoords[i].u, v = surf.uvcoords[i].v;
            for (const Hole& h : row.holes)
                ASSERT_GE(std::hypot(u - h.u, v - h.v), h.r - 0.001) << row.label << " vertex " << i;
            ASSERT_TRUE(u > -1e-6 && u < 1 + 1e-6 && v > -1e-6 && v < 1 + 1e-6) << row.label << " vertex " << i;
        }
    }
}

}  // namespace
