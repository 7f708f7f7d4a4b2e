// Tessellation of a trimmed bicubic with three circular holes beside Open CASCADE's
// incremental mesher on the same face (same poles, knots and parameter-plane
// circles) at the same deflection.
//
// The reported time covers both. Counters: occt_s, Open CASCADE's
// time per mesh; ratio, ours / Open CASCADE; triangles, ours; occt_triangles.
#include "framework/numerak/Bsrf.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "testing/OcctNurbs.h"
#include "testing/SurfaceFixtures.h"

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepLib.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepTools.hxx>
#include <BRep_Tool.hxx>
#include <Geom2d_Circle.hxx>
#include <Poly_Triangulation.hxx>
#include <TopLoc_Location.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Face.hxx>
#include <benchmark/benchmark.h>
#include <gp_Ax2d.hxx>

#include <chrono>

namespace {

struct Hole {
    double u, v, r;
};
constexpr Hole kHoles[] = {{0.25, 0.3, 0.1}, {0.7, 0.3, 0.15}, {0.5, 0.72, 0.18}};

void BM_TrimSurfDiscrete(benchmark::State& state)
{
    const double deflection = 0.01 * static_cast<double>(state.range(0));
    surffix::SurfPtr record = surffix::Wavy(12, false);
    CGeTrimSurf surf(BSRF_Clone(record.get()), BOX2<double>(0, 0, 1, 1));
    surf.AddLoop(surf.GenRectTrimLoop(0, 1, 0, 1));
    for (const Hole& h : kHoles) {
        auto* loop = new CGeTrimLoop;
        const double c[2] = {h.u, h.v};
        loop->AddBound(new CGeTrimBnd(new CGeCircle(c, h.r, 1), nullptr, nullptr));
        surf.AddLoop(loop);
    }
    surf.CalcUVBox();

    Handle(Geom_BSplineSurface) peer = occt3d::ToOcct(record.get());
    BRepBuilderAPI_MakeFace make(peer, 0.0, 1.0, 0.0, 1.0, 1e-7);
    for (const Hole& h : kHoles) {
        // Clockwise in the parameter plane: a hole.
        Handle(Geom2d_Circle) circle = new Geom2d_Circle(gp_Ax2d(gp_Pnt2d(h.u, h.v), gp_Dir2d(1, 0)), h.r, false);
        TopoDS_Edge edge = BRepBuilderAPI_MakeEdge(circle, peer);
        make.Add(BRepBuilderAPI_MakeWire(edge).Wire());
    }
    TopoDS_Face face = make.Face();
    BRepLib::BuildCurves3d(face);

    double oursTotal = 0.0, occtTotal = 0.0;
    int occtTriangles = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        surf.Discrete(deflection);
        benchmark::DoNotOptimize(surf.faces3.data());
        const auto t1 = std::chrono::steady_clock::now();
        BRepTools::Clean(face);
        const auto t2 = std::chrono::steady_clock::now();
        BRepMesh_IncrementalMesh mesh(face, deflection, Standard_False, 0.5, Standard_False);
        const auto t3 = std::chrono::steady_clock::now();
        oursTotal += std::chrono::duration<double>(t1 - t0).count();
        occtTotal += std::chrono::duration<double>(t3 - t2).count();
        TopLoc_Location loc;
        Handle(Poly_Triangulation) tri = BRep_Tool::Triangulation(face, loc);
        occtTriangles = tri.IsNull() ? 0 : tri->NbTriangles();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["occt_s"] = occtTotal / n;
    state.counters["ratio"] = occtTotal > 0.0 ? oursTotal / occtTotal : 0.0;
    state.counters["triangles"] = static_cast<double>(surf.faces3.size());
    state.counters["occt_triangles"] = occtTriangles;
}
BENCHMARK(BM_TrimSurfDiscrete)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
