// Trimmed surfaces built from the faces of Open CASCADE's sample models: the
// trimmed region against its face classifier, the tessellation's area against its
// surface properties, its iso curves against its trims.
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Bsrf.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "testing/OcctNurbs.h"
#include "testing/OcctTrimFaces.h"
#include "testing/TrimSurfFixtures.h"
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
#include <GeomAPI_ProjectPointOnCurve.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
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

// Points of an iso curve at even steps of its own knot domain (ends included).
std::vector<gp_Pnt> CurveSamples(CGeCurve3d* c, int steps)
{
    std::vector<gp_Pnt> out;
    auto* nurbs = dynamic_cast<CGeNrbCrv3d*>(c);
    if (!nurbs || !nurbs->GetCurve()) return out;
    const BCRV* b = nurbs->GetCurve();
    const double t0 = b->U[b->k - 1], t1 = b->U[b->n];
    for (int i = 0; i <= steps; ++i) {
        double p[3];
        c->GetPointAt(t0 + (t1 - t0) * i / steps, p, 0);
        out.emplace_back(p[0], p[1], p[2]);
    }
    return out;
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
        occt3d::TrimFace f;
        if (!occt3d::ToTrimSurf(face, f)) continue;
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
        // Every iso curve lies on the face's surface as Open CASCADE evaluates it.
        GeomAPI_ProjectPointOnSurf onSurf;
        onSurf.Init(BRep_Tool::Surface(face), f.u0, f.u1, f.v0, f.v1);
        for (CGeCurve3d* c : f.surf->m_listIsoCurve) {
            ++isoCurves;
            const std::vector<gp_Pnt> samples = CurveSamples(c, 12);
            ASSERT_FALSE(samples.empty()) << label;
            for (const gp_Pnt& p : samples) {
                onSurf.Perform(p);
                ASSERT_GT(onSurf.NbPoints(), 0) << label;
                EXPECT_LT(onSurf.LowerDistance(), 1e-6) << label << " iso point off the surface";
            }
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
    using trimfix::Hole;
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
        const std::unique_ptr<CGeTrimSurf> holed = trimfix::Holed(s, row.holes);
        CGeTrimSurf& surf = *holed;
        Handle(Geom_BSplineSurface) peer = occt3d::ToOcct(s);
        BRepBuilderAPI_MakeFace make(peer, 0.0, 1.0, 0.0, 1.0, 1e-7);
        for (const Hole& h : row.holes) {
            Handle(Geom2d_Circle) circle = new Geom2d_Circle(gp_Ax2d(gp_Pnt2d(h.u, h.v), gp_Dir2d(1, 0)), h.r, false);
            make.Add(BRepBuilderAPI_MakeWire(BRepBuilderAPI_MakeEdge(circle, peer).Edge()).Wire());
        }
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

// Iso curves of a bicubic bump with two holes and of a rational bicubic with three,
// against Open CASCADE's iso curves of the same record: every sample lies on the
// peer's iso line, the pieces end on the outer edge or a hole's circle, and together
// they cover the line less its chords through the holes.
TEST(TrimSurfOcct, IsoCurvesLieOnThePeersIsoLinesAndEndOnTheTrims)
{
    using trimfix::Hole;
    struct Row {
        const char* label;
        surffix::SurfPtr record;
        std::vector<Hole> holes;
    };
    Row rows[] = {{"bicubic bump, two holes", surffix::Wavy(8, false), {{0.3, 0.35, 0.15}, {0.68, 0.62, 0.2}}},
                  {"rational bicubic, three holes", surffix::Wavy(12, true), {{0.25, 0.3, 0.1}, {0.7, 0.3, 0.15}, {0.5, 0.72, 0.18}}}};
    constexpr double kEndTol = 1e-4;  // parameter distance of an end from its trim
    for (Row& row : rows) {
        const std::unique_ptr<CGeTrimSurf> holed = trimfix::Holed(row.record.get(), row.holes);
        CGeTrimSurf& surf = *holed;
        const Handle(Geom_BSplineSurface) peer = occt3d::ToOcct(row.record.get());
        for (int dir : {1301, 1302}) {
            const bool constU = dir == 1301;
            for (double value : {0.1, 0.27, 0.38, 0.52, 0.66, 0.8, 0.93}) {
                const std::string label = std::string(row.label) + (constU ? " u = " : " v = ") + std::to_string(value);
                const Handle(Geom_Curve) line = constU ? peer->UIso(value) : peer->VIso(value);
                // The uv point at parameter t along the probe, and whether it is in a hole.
                auto uvAt = [&](double t) { return constU ? std::array<double, 2>{value, t} : std::array<double, 2>{t, value}; };
                auto onTrim = [&](double t) {
                    if (t < kEndTol || t > 1 - kEndTol) return true;
                    const auto q = uvAt(t);
                    for (const Hole& h : row.holes)
                        if (std::fabs(std::hypot(q[0] - h.u, q[1] - h.v) - h.r) < kEndTol) return true;
                    return false;
                };
                double chords = 0.0;
                for (const Hole& h : row.holes) {
                    const double d = constU ? value - h.u : value - h.v;
                    if (std::fabs(d) < h.r) chords += 2 * std::sqrt(h.r * h.r - d * d);
                }
                CTypedPtrList<CObList, CGeCurve3d*> out;
                surf.IsoCurve(value, dir, out);
                ASSERT_FALSE(out.IsEmpty()) << label;
                double covered = 0.0;
                for (CGeCurve3d* c : out) {
                    const std::vector<gp_Pnt> samples = CurveSamples(c, 24);
                    ASSERT_FALSE(samples.empty()) << label;
                    std::vector<double> at;
                    for (const gp_Pnt& p : samples) {
                        GeomAPI_ProjectPointOnCurve onLine(p, line);
                        ASSERT_GT(onLine.NbPoints(), 0) << label;
                        EXPECT_LT(onLine.LowerDistance(), 1e-7) << label << " sample off the peer's iso line";
                        at.push_back(onLine.LowerDistanceParameter());
                    }
                    EXPECT_TRUE(onTrim(at.front())) << label << " starts at " << at.front();
                    EXPECT_TRUE(onTrim(at.back())) << label << " ends at " << at.back();
                    const auto mid = uvAt(at[at.size() / 2]);
                    for (const Hole& h : row.holes)
                        EXPECT_GT(std::hypot(mid[0] - h.u, mid[1] - h.v), h.r) << label << " piece inside a hole";
                    covered += std::fabs(at.back() - at.front());
                    delete c;
                }
                EXPECT_NEAR(covered, 1.0 - chords, 4 * kEndTol) << label;
            }
        }
    }
}

}  // namespace
