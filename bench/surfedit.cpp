// The trimming adaptor and the fillet solver against Open CASCADE on the same
// input in the same run: IntersectAll + Trim of one 20 x 20 bicubic patch by
// another against BRepAlgoAPI_Splitter splitting the first patch's face by the
// second's; a rolling-ball fillet along a B-spline edge of about 100 mm (the top
// edge of a prism over a wavy curve) against BRepFilletAPI_MakeFillet, with and
// without trimming the two faces back.

#include "testing/OcctNurbs.h"
#include "ThreadClock.h"
#include "testing/SurfaceFixtures.h"
#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/SrfFilletSolver.h"
#include "toolpath/surfkernel/SrfTrimAdaptor.h"
#include "toolpath/surfkernel/SurfaceEntity.h"
#include "toolpath/surfkernel/tests/TrimAdaptorFixtures.h"

#include <BRepAlgoAPI_Splitter.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRep_Tool.hxx>
#include <Geom_BSplineCurve.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

int CountFaces(const TopoDS_Shape& s)
{
    int n = 0;
    for (TopExp_Explorer ex(s, TopAbs_FACE); ex.More(); ex.Next()) ++n;
    return n;
}

void BM_IntersectAllTrim(benchmark::State& state)
{
    // The bicubic pair of the intersection bench: two height fields crossing in
    // several branches.
    surffix::SurfPtr a = surffix::Wavy(20, true);
    surffix::SurfPtr b = surffix::Wavy(20, false, 11);
    for (int i = 0; i < b->nu; ++i)
        for (int j = 0; j < b->nv; ++j) {
            double* P = b->P[i][j];
            P[2] = 0.4 * P[2] + 0.3 * P[0] - 1.5 * P[3];
        }
    TopTools_ListOfShape args, tools;
    args.Append(BRepBuilderAPI_MakeFace(occt3d::ToOcct(a.get()), 1e-7).Shape());
    tools.Append(BRepBuilderAPI_MakeFace(occt3d::ToOcct(b.get()), 1e-7).Shape());
    ESSI_ResetKernelState();
    double ours = 0.0, theirs = 0.0;
    int ourPieces = 0, peerPieces = 0;
    for (auto _ : state) {
        trimadapt::Surf target = trimadapt::Trimmed(surffix::SurfPtr(BSRF_Clone(a.get())));
        trimadapt::Surf tool = trimadapt::Trimmed(surffix::SurfPtr(BSRF_Clone(b.get())));
        const double t0 = ThreadCpuSeconds();
        CObList out;
        {
            CSrfTrimAdaptor ad;
            ad.AddSurface(target.get(), 0);
            ad.AddSurface(tool.get(), 1);
            if (ad.IntersectAll() != 1 || ad.Trim(0) != 1) state.SkipWithError("trimming failed");
            ad.CollectResults(&out);
        }
        const double t1 = ThreadCpuSeconds();
        BRepAlgoAPI_Splitter splitter;
        splitter.SetArguments(args);
        splitter.SetTools(tools);
        splitter.Build();
        const double t2 = ThreadCpuSeconds();
        ours += t1 - t0;
        theirs += t2 - t1;
        state.SetIterationTime(t1 - t0);
        const std::vector<CGeTrimSurf*> pieces = trimadapt::Take(out);
        ourPieces = static_cast<int>(pieces.size());
        for (CGeTrimSurf* s : pieces) delete s;
        peerPieces = splitter.IsDone() ? CountFaces(splitter.Shape()) : -1;
    }
    state.counters["occt_s"] = theirs / static_cast<double>(state.iterations());
    state.counters["ratio"] = ours / theirs;
    state.counters["pieces"] = ourPieces;
    state.counters["occt_pieces"] = peerPieces;
    ESSI_ResetKernelState();
}

BENCHMARK(BM_IntersectAllTrim)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// Poles of a cubic B-spline in the plane z = 0 running along x from 0 to 90 with
// a wave of amplitude 5 in y (about 100 mm long); uniform clamped knots on [0, 1].
constexpr int kPoles = 12;
double PoleX(int i) { return 90.0 * i / (kPoles - 1); }
double PoleY(int i) { return 5.0 * std::sin(PoleX(i) / 12.0); }
double Knot(int k)  // k-th knot of the clamped uniform cubic vector (kPoles + 4 knots)
{
    return std::clamp(double(k - 3) / (kPoles - 3), 0.0, 1.0);
}

// Our side wall: the curve swept from z = 0 to z = h (u along the curve, v up).
surffix::SurfPtr Wall(double h)
{
    surffix::SurfPtr s(BSRF_Create(4, kPoles, 2, 2));
    for (int i = 0; i < kPoles; ++i)
        for (int j = 0; j < 2; ++j) {
            double* P = s->P[i][j];
            P[0] = PoleX(i), P[1] = PoleY(i), P[2] = j * h, P[3] = 1.0;
        }
    for (int k = 0; k < kPoles + 4; ++k) s->U[k] = Knot(k);
    return s;
}

// The peer's solid: the region between the curve and y = -30, raised by h.
TopoDS_Shape PeerPrism(double h, TopoDS_Edge& wavyTop)
{
    TColgp_Array1OfPnt poles(1, kPoles);
    for (int i = 0; i < kPoles; ++i) poles.SetValue(i + 1, gp_Pnt(PoleX(i), PoleY(i), 0));
    const int spans = kPoles - 3;
    TColStd_Array1OfReal knots(1, spans + 1);
    TColStd_Array1OfInteger mults(1, spans + 1);
    for (int k = 0; k <= spans; ++k) {
        knots.SetValue(k + 1, double(k) / spans);
        mults.SetValue(k + 1, k == 0 || k == spans ? 4 : 1);
    }
    Handle(Geom_BSplineCurve) curve = new Geom_BSplineCurve(poles, knots, mults, 3);
    const gp_Pnt p0(PoleX(0), PoleY(0), 0), p1(PoleX(kPoles - 1), PoleY(kPoles - 1), 0);
    const gp_Pnt c1(p1.X(), -30, 0), c0(p0.X(), -30, 0);
    BRepBuilderAPI_MakeWire wire(BRepBuilderAPI_MakeEdge(curve).Edge(), BRepBuilderAPI_MakeEdge(p1, c1).Edge(),
                                 BRepBuilderAPI_MakeEdge(c1, c0).Edge(), BRepBuilderAPI_MakeEdge(c0, p0).Edge());
    const TopoDS_Shape prism = BRepPrimAPI_MakePrism(BRepBuilderAPI_MakeFace(wire.Wire()).Face(), gp_Vec(0, 0, h)).Shape();
    for (TopExp_Explorer ex(prism, TopAbs_EDGE); ex.More(); ex.Next()) {
        const TopoDS_Edge e = TopoDS::Edge(ex.Current());
        double f, l;
        Handle(Geom_Curve) c = BRep_Tool::Curve(e, f, l);
        if (c.IsNull()) continue;
        const gp_Pnt m = c->Value(0.5 * (f + l));
        if (std::fabs(m.Z() - h) < 1e-9 && m.Y() > -29 && std::fabs(m.X() - 45) < 1) wavyTop = e;
    }
    return prism;
}

void BM_FilletBSplineEdge(benchmark::State& state)
{
    const double h = 20, r = 2;
    TopoDS_Edge edge;
    const TopoDS_Shape prism = PeerPrism(h, edge);
    if (edge.IsNull()) {
        state.SkipWithError("no wavy edge");
        return;
    }
    ESSI_ResetKernelState();
    double ours = 0.0, theirs = 0.0;
    int ourFaces = 0, peerFaces = 0, samples = 0, ctrlU = 0, ctrlV = 0;
    for (auto _ : state) {
        // Ours: the top plane (normal up, the solid below: offset against it) and
        // the wall (normal tangent x up = -y, into the solid: offset along it).
        auto top = trimadapt::PlaneSurf({-5, -40, h}, {100, 0, 0}, {0, 60, 0});
        auto wall = trimadapt::Trimmed(Wall(h));
        top->m_pKernelSurf = ESRF_NewNurbs(BSRF_Clone(top->m_pSurface));
        wall->m_pKernelSurf = ESRF_NewNurbs(BSRF_Clone(wall->m_pSurface));
        const double t0 = ThreadCpuSeconds();
        CTypedPtrList<CObList, CGeTrimSurf*> result;
        {
            CSrfFilletSolver solver;
            solver.radius = r;
            solver.trimFirst = solver.trimSecond = static_cast<int>(state.range(0));
            solver.AddFirst(top.get(), 1);
            solver.AddSecond(wall.get(), 0);
            if (solver.SrfFillet(&result) != 1) state.SkipWithError("our fillet failed");
            samples = solver.curves && solver.curves->curve->trace ? solver.curves->curve->trace->n : 0;
        }
        const double t1 = ThreadCpuSeconds();
        BRepFilletAPI_MakeFillet mk(prism);
        mk.Add(r, edge);
        mk.Build();
        const double t2 = ThreadCpuSeconds();
        ours += t1 - t0;
        theirs += t2 - t1;
        state.SetIterationTime(t1 - t0);
        ourFaces = 0;
        if (!result.IsEmpty() && result.GetHead()->m_pSurface) {
            ctrlU = result.GetHead()->m_pSurface->nu;
            ctrlV = result.GetHead()->m_pSurface->nv;
        }
        while (!result.IsEmpty()) {
            delete result.RemoveHead();
            ++ourFaces;
        }
        peerFaces = mk.IsDone() ? mk.Generated(edge).Extent() : -1;
        ENT_Free(static_cast<SURFACE*>(top->m_pKernelSurf));
        ENT_Free(static_cast<SURFACE*>(wall->m_pKernelSurf));
    }
    state.counters["occt_s"] = theirs / static_cast<double>(state.iterations());
    state.counters["ratio"] = ours / theirs;
    state.counters["faces"] = ourFaces;
    state.counters["occt_faces"] = peerFaces;
    // The spine's samples and the fillet surface's control points (across x along).
    state.counters["samples"] = samples;
    state.counters["ctrl_u"] = ctrlU;
    state.counters["ctrl_v"] = ctrlV;
    ESSI_ResetKernelState();
}

// Argument 1: both faces trimmed back along the contact curves as well, as the
// peer's solid has them.
BENCHMARK(BM_FilletBSplineEdge)->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

