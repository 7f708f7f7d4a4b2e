// NURBS surfaces, their iso curves and offsets, and the model-space curves of
// trimming bounds against Open CASCADE built from the same poles, weights and
// knots, and against the faces of its sample models.
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/Knot.h"
#include "framework/numerak/NurbsEditor.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GeTrimLoop.h"
#include "testing/OcctNurbs.h"
#include "testing/SurfaceFixtures.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepBuilderAPI_NurbsConvert.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Geom2d_Curve.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <GeomConvert.hxx>
#include <IGESControl_Reader.hxx>
#include <STEPControl_Reader.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

using surffix::CurvePtr;
using surffix::SurfPtr;

double Dist(const double* a, const gp_Pnt& b)
{
    return std::sqrt((a[0] - b.X()) * (a[0] - b.X()) + (a[1] - b.Y()) * (a[1] - b.Y()) + (a[2] - b.Z()) * (a[2] - b.Z()));
}

double Dist(const double* a, const gp_Vec& b)
{
    return std::sqrt((a[0] - b.X()) * (a[0] - b.X()) + (a[1] - b.Y()) * (a[1] - b.Y()) + (a[2] - b.Z()) * (a[2] - b.Z()));
}

struct Named {
    const char* label;
    SurfPtr s;
};

std::vector<Named> Surfaces()
{
    std::vector<Named> rows;
    rows.push_back({"wavy rational 20x20", surffix::Wavy(20, true)});
    rows.push_back({"wavy polynomial 9x9", surffix::Wavy(9, false, 3)});
    rows.push_back({"torus", surffix::Torus(3.0, 1.0)});
    rows.push_back({"hemisphere", surffix::Hemisphere(2.0)});
    return rows;
}

TEST(NurbsSurfaceOcct, PointsAndDerivativesAgree)
{
    std::mt19937 rng(21);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (const Named& row : Surfaces()) {
        Handle(Geom_BSplineSurface) peer = occt3d::ToOcct(row.s.get());
        for (int k = 0; k < 500; ++k) {
            const double u = unit(rng), v = unit(rng);
            double P[3], Su[3], Sv[3], Suu[3], Suv[3], Svv[3], P0[3];
            ASSERT_EQ(BSRF_Ev2Der(row.s.get(), u, v, P, Su, Sv, Suu, Suv, Svv), 1) << row.label;
            ASSERT_EQ(BSRF_EvPos(row.s.get(), u, v, P0), 1) << row.label;
            gp_Pnt q;
            gp_Vec qu, qv, quu, qvv, quv;
            peer->D2(u, v, q, qu, qv, quu, qvv, quv);
            const std::string at = std::string(row.label) + " at " + std::to_string(u) + ", " + std::to_string(v);
            EXPECT_LE(Dist(P0, q), 1e-10 * (1 + q.XYZ().Modulus())) << at;
            EXPECT_LE(Dist(P, q), 1e-10 * (1 + q.XYZ().Modulus())) << at;
            EXPECT_LE(Dist(Su, qu), 1e-10 * (1 + qu.Magnitude())) << at;
            EXPECT_LE(Dist(Sv, qv), 1e-10 * (1 + qv.Magnitude())) << at;
            EXPECT_LE(Dist(Suu, quu), 1e-10 * (1 + quu.Magnitude())) << at;
            EXPECT_LE(Dist(Suv, quv), 1e-10 * (1 + quv.Magnitude())) << at;
            EXPECT_LE(Dist(Svv, qvv), 1e-10 * (1 + qvv.Magnitude())) << at;
        }
    }
}

TEST(NurbsSurfaceOcct, IsoCurvesAgreeWithUIsoAndVIso)
{
    for (const Named& row : Surfaces()) {
        Handle(Geom_BSplineSurface) peer = occt3d::ToOcct(row.s.get());
        for (double value : {0.0, 0.21, 0.5, 0.833, 1.0}) {
            for (int dir : {kIsoConstU, kIsoConstV}) {
                CurvePtr c(CNurbsEditor::MakeIsoCurve(row.s.get(), dir, value));
                ASSERT_TRUE(c) << row.label;
                Handle(Geom_Curve) iso = dir == kIsoConstU ? peer->UIso(value) : peer->VIso(value);
                for (int k = 0; k <= 500; ++k) {
                    const double t = k / 500.0;
                    double p[3];
                    BCRV_EvPos(c.get(), t, p);
                    const gp_Pnt q = iso->Value(t);
                    ASSERT_LE(Dist(p, q), 1e-10 * (1 + q.XYZ().Modulus()))
                        << row.label << " dir " << dir << " value " << value << " t " << t;
                }
            }
        }
    }
}

TEST(NurbsSurfaceOcct, OffsetPointsLieAtTheDistance)
{
    struct Row {
        const char* label;
        SurfPtr s;
        float d;
    };
    Row rows[] = {{"wavy rational", surffix::Wavy(8, true), 0.3f},
                  {"wavy other side", surffix::Wavy(8, false), -0.25f},
                  {"torus", surffix::Torus(3.0, 1.0), 0.5f}};
    std::mt19937 rng(23);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (Row& row : rows) {
        SurfPtr o(CNurbsEditor::OffsetSurf(row.s.get(), row.d));
        ASSERT_TRUE(o) << row.label;
        Handle(Geom_BSplineSurface) base = occt3d::ToOcct(row.s.get());
        double worst = 0.0;
        for (int k = 0; k < 300; ++k) {
            double p[3];
            BSRF_EvPos(o.get(), unit(rng), unit(rng), p);
            GeomAPI_ProjectPointOnSurf proj(gp_Pnt(p[0], p[1], p[2]), base);
            ASSERT_GT(proj.NbPoints(), 0) << row.label;
            worst = std::fmax(worst, std::fabs(proj.LowerDistance() - std::fabs(row.d)));
        }
        EXPECT_LE(worst, CNurbsEditor::kOffsetSurfTol) << row.label;
    }
}

// The iso shortcut of a bound equals the peer's iso curve cut to the range and
// run from the line's start to its end.
TEST(NurbsSurfaceOcct, BoundIsoShortcutIsThePeersIsoPiece)
{
    const SurfPtr s = surffix::Wavy(12, true);
    Handle(Geom_BSplineSurface) peer = occt3d::ToOcct(s.get());
    struct Row {
        double u0, v0, u1, v1;
    };
    for (const Row& row : {Row{0.3, 0.25, 0.3, 0.8}, Row{0.7, 0.9, 0.7, 0.05}, Row{0.1, 0.6, 0.75, 0.6},
                           Row{0.95, 0.33, 0.0, 0.33}}) {
        const double a[2] = {row.u0, row.v0}, b[2] = {row.u1, row.v1};
        CGeTrimBnd bnd(new CGeLine(a, b), nullptr, nullptr);
        bnd.UpdateEucCrv(s.get(), 0.01);
        ASSERT_TRUE(bnd.m_pEucCrv);
        ASSERT_EQ(bnd.m_pEucCrv->GetType(), 0x4000);
        const BCRV* c = static_cast<CGeNrbCrv3d*>(bnd.m_pEucCrv)->GetCurve();
        const bool constU = row.u0 == row.u1;
        Handle(Geom_Curve) iso = constU ? peer->UIso(row.u0) : peer->VIso(row.v0);
        const double t0 = constU ? row.v0 : row.u0, t1 = constU ? row.v1 : row.u1;
        for (int k = 0; k <= 300; ++k) {
            const double f = k / 300.0;
            double p[3];
            BCRV_EvPos(c, f, p);
            const gp_Pnt q = iso->Value(t0 + f * (t1 - t0));
            ASSERT_LE(Dist(p, q), 1e-9) << row.u0 << ", " << row.v0 << " -> " << row.u1 << ", " << row.v1 << " at " << f;
        }
    }
}

// --- Faces of Open CASCADE's sample models --------------------------------------

constexpr const char* kModels = "/usr/share/opencascade/data";

TopoDS_Shape ReadModel(const std::string& path)
{
    TopoDS_Shape shape;
    if (path.ends_with(".brep")) {
        BRep_Builder builder;
        BRepTools::Read(shape, path.c_str(), builder);
    } else if (path.ends_with(".iges")) {
        IGESControl_Reader reader;
        if (reader.ReadFile(path.c_str()) == IFSelect_RetDone) {
            reader.TransferRoots();
            shape = reader.OneShape();
        }
    } else {
        STEPControl_Reader reader;
        if (reader.ReadFile(path.c_str()) == IFSelect_RetDone) {
            reader.TransferRoots();
            shape = reader.OneShape();
        }
    }
    return shape;
}

double SegDist(const gp_Pnt& p, const gp_Pnt& a, const gp_Pnt& b)
{
    const gp_Vec ab(a, b), ap(a, p);
    const double len2 = ab.SquareMagnitude();
    double t = len2 > 0.0 ? ap.Dot(ab) / len2 : 0.0;
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    return p.Distance(a.Translated(t * ab));
}

// Distances from a polyline: runs of segments with their boxes, so that runs
// farther than the best distance so far are skipped (the models' curves have
// thousands of points).
class PolyDistance {
public:
    explicit PolyDistance(const std::vector<gp_Pnt>& pts) : m_pts(pts)
    {
        for (size_t first = 0; first + 1 < pts.size(); first += kRun) {
            Run r{first, std::min(first + kRun, pts.size() - 1), {1e300, 1e300, 1e300}, {-1e300, -1e300, -1e300}};
            for (size_t i = r.first; i <= r.last; ++i)
                for (int e = 0; e < 3; ++e) {
                    r.lo[e] = std::fmin(r.lo[e], pts[i].Coord(e + 1));
                    r.hi[e] = std::fmax(r.hi[e], pts[i].Coord(e + 1));
                }
            m_runs.push_back(r);
        }
    }
    double operator()(const gp_Pnt& p)
    {
        double best = 1e300;
        // The run that held the last query's nearest point first: neighbours query alike.
        const size_t start = m_hint;
        for (size_t k = 0; k < m_runs.size(); ++k) {
            const size_t r = (start + k) % m_runs.size();
            const Run& run = m_runs[r];
            double gap2 = 0.0;
            for (int e = 0; e < 3; ++e) {
                const double c = p.Coord(e + 1);
                const double d = c < run.lo[e] ? run.lo[e] - c : (c > run.hi[e] ? c - run.hi[e] : 0.0);
                gap2 += d * d;
            }
            if (gap2 >= best * best) continue;
            for (size_t i = run.first; i < run.last; ++i) {
                const double d = SegDist(p, m_pts[i], m_pts[i + 1]);
                if (d < best) {
                    best = d;
                    m_hint = r;
                }
            }
        }
        return best;
    }

private:
    static constexpr size_t kRun = 32;
    struct Run {
        size_t first, last;
        double lo[3], hi[3];
    };
    const std::vector<gp_Pnt>& m_pts;
    std::vector<Run> m_runs;
    size_t m_hint = 0;
};

// Each trim curve of each face (its parameter curve mapped onto the unit square of
// the normalised surface) gives a model-space curve within tol of the face's own edge.
TEST(NurbsSurfaceOcct, ModelFacesGiveTheirEdges)
{
    constexpr double kTol = 0.02;
    // Parameter curves are sampled finely enough that their polylines' own chord
    // error stays far below kTol even on the large models (hammer spans 20000 units).
    constexpr int kUVSamples = 1200, kEdgeSamples = 1500;
    int allIsoLines = 0;
    for (const char* name : {"occ/bottle.brep", "occ/CrankArm.brep", "iges/hammer.iges", "step/linkrods.step"}) {
        const std::string path = std::string(kModels) + "/" + name;
        TopoDS_Shape shape = ReadModel(path);
        ASSERT_FALSE(shape.IsNull()) << path;
        BRepBuilderAPI_NurbsConvert convert(shape);
        shape = convert.Shape();
        int tested = 0, isoLines = 0, inexact = 0;
        for (TopExp_Explorer fx(shape, TopAbs_FACE); fx.More(); fx.Next()) {
            const TopoDS_Face face = TopoDS::Face(fx.Current());
            Handle(Geom_BSplineSurface) bs = Handle(Geom_BSplineSurface)::DownCast(BRep_Tool::Surface(face));
            if (bs.IsNull()) bs = GeomConvert::SurfaceToBSplineSurface(BRep_Tool::Surface(face));
            if (bs.IsNull()) continue;
            SurfPtr s(occt3d::FromOcct(bs));
            ASSERT_TRUE(s) << name;
            const double u0 = s->U[s->ku - 1], u1 = s->U[s->nu], v0 = s->V[s->kv - 1], v1 = s->V[s->nv];
            ASSERT_EQ(KNOT_Regu(s->ku, s->nu, s->U), 1);
            ASSERT_EQ(KNOT_Regu(s->kv, s->nv, s->V), 1);
            for (TopExp_Explorer ex(face, TopAbs_EDGE); ex.More(); ex.Next()) {
                const TopoDS_Edge edge = TopoDS::Edge(ex.Current());
                if (BRep_Tool::Degenerated(edge) || !BRep_Tool::IsGeometric(edge)) continue;
                double f = 0.0, l = 0.0;
                Handle(Geom2d_Curve) pc = BRep_Tool::CurveOnSurface(edge, face, f, l);
                if (pc.IsNull()) continue;
                std::vector<std::array<double, 2>> uv(kUVSamples + 1);
                bool inside = true;
                for (int k = 0; k <= kUVSamples; ++k) {
                    const gp_Pnt2d q = pc->Value(f + (l - f) * k / kUVSamples);
                    uv[k] = {(q.X() - u0) / (u1 - u0), (q.Y() - v0) / (v1 - v0)};
                    inside = inside && uv[k][0] > -1e-7 && uv[k][0] < 1 + 1e-7 && uv[k][1] > -1e-7 && uv[k][1] < 1 + 1e-7;
                }
                if (!inside) continue;  // a periodic face's curve beyond the first period
                // A straight parameter curve of constant u or v becomes a line, which takes the iso path.
                bool constU = true, constV = true;
                for (const auto& p : uv) {
                    constU = constU && std::fabs(p[0] - uv[0][0]) < 1e-9;
                    constV = constV && std::fabs(p[1] - uv[0][1]) < 1e-9;
                }
                CGeCurve* uvCurve;
                if (constU || constV) {
                    uvCurve = new CGeLine(uv.front().data(), uv.back().data());
                    ++isoLines;
                } else {
                    auto* poly = new CGePolyline;
                    poly->Create(static_cast<int>(uv.size()), reinterpret_cast<const double(*)[2]>(uv.data()));
                    uvCurve = poly;
                }
                CGeTrimBnd bnd(uvCurve, nullptr, nullptr);
                bnd.UpdateEucCrv(s.get(), kTol);
                ASSERT_TRUE(bnd.m_pEucCrv) << name;
                bnd.m_pEucCrv->DiscreteMe(kTol / 10);
                const CStrP3D& ours = bnd.m_pEucCrv->m_strDisp;
                std::vector<gp_Pnt> mine, edgeCurve, image;
                for (int i = 0; i < ours.m_nCount; ++i)
                    mine.emplace_back(ours.m_pPoints[i][0], ours.m_pPoints[i][1], ours.m_pPoints[i][2]);
                BRepAdaptor_Curve ec(edge);
                for (int k = 0; k <= kEdgeSamples; ++k) {
                    const double g = static_cast<double>(k) / kEdgeSamples;
                    edgeCurve.push_back(ec.Value(ec.FirstParameter() + (ec.LastParameter() - ec.FirstParameter()) * g));
                    const gp_Pnt2d q = pc->Value(f + (l - f) * g);
                    image.push_back(bs->Value(q.X(), q.Y()));
                }
                // Imported models may hold edges whose 3D curve strays from the face's
                // own image of the parameter curve by more than the edge tolerance; the
                // comparison with the edge allows for that gap of the model itself.
                PolyDistance toEdgeCurve(edgeCurve), toImageCurve(image), toMine(mine);
                double gap = 0.0;
                for (size_t k = 0; k < image.size(); k += 10) gap = std::fmax(gap, toEdgeCurve(image[k]));
                if (gap > BRep_Tool::Tolerance(edge)) ++inexact;
                const double allowed = kTol + std::fmax(BRep_Tool::Tolerance(edge), gap) + 1e-6;
                double toEdge = 0.0, toImage = 0.0, back = 0.0;
                for (const gp_Pnt& p : mine) {
                    toEdge = std::fmax(toEdge, toEdgeCurve(p));
                    toImage = std::fmax(toImage, toImageCurve(p));
                }
                for (size_t k = 0; k < image.size(); k += 10) back = std::fmax(back, toMine(image[k]));
                EXPECT_LE(toImage, kTol + 1e-6) << name << " edge " << tested;
                EXPECT_LE(back, kTol + 1e-6) << name << " edge " << tested << " (face image to ours)";
                EXPECT_LE(toEdge, allowed) << name << " edge " << tested << " (to the edge curve)";
                ++tested;
            }
        }
        EXPECT_GE(tested, 20) << name << ": too few edges compared";
        RecordProperty(std::string(name) + " edges", tested);
        RecordProperty(std::string(name) + " iso lines", isoLines);
        RecordProperty(std::string(name) + " edges off their faces", inexact);
        EXPECT_LT(inexact, tested / 2) << name << ": the model's edges mostly leave their faces";
        allIsoLines += isoLines;
    }
    EXPECT_GT(allIsoLines, 10) << "the iso shortcut was hardly compared";
}

}  // namespace
