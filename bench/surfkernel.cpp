// Curve interpolation of the surface kernel against Open CASCADE's
// GeomAPI_Interpolate on the same points, and lofts through many arc sections
// (the fillet solver's load), whose time should grow linearly with the count.
// Second derivatives of a NURBS surface record against Geom_BSplineSurface::D2,
// and nearest points on a 20 x 20 bicubic rational patch against
// GeomAPI_ProjectPointOnSurf (no guess) and Extrema_GenLocateExtPS (each point
// guessed from its neighbour's answer).
// Surface/surface intersections against GeomInt_IntSS (walking lines, no
// approximation) on the same surfaces: cold (our subdivisions made in the
// call) and warm (subdivisions kept in the caller's slots).

#include "testing/OcctModels.h"
#include "testing/OcctNurbs.h"
#include "ThreadClock.h"
#include "testing/SurfaceFixtures.h"
#include "toolpath/surfkernel/NurbsUtil.h"
#include "toolpath/surfkernel/SurfaceEntity.h"
#include "toolpath/surfkernel/SurfaceIntersect.h"

#include <Extrema_GenLocateExtPS.hxx>
#include <GeomInt_IntSS.hxx>
#include <GeomAPI_Interpolate.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <GeomAdaptor_Surface.hxx>
#include <TColgp_HArray1OfPnt.hxx>
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::array<double, 3>> helixPoints(int n)
{
    std::vector<std::array<double, 3>> pts(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double a = 40.0 * i / n + 0.2 * std::sin(3.0 * i);
        pts[i] = {10 * std::cos(a), 10 * std::sin(a), 0.7 * a};
    }
    return pts;
}

void BM_Interpolate(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const auto pts = helixPoints(n);
    const auto* raw = reinterpret_cast<const double(*)[3]>(pts.data());
    double oursTotal = 0.0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        BCRV* c = nullptr;
        if (NRB_InterpolatePoints(n, 4, raw, &c) != 1)
            state.SkipWithError("interpolation failed");
        benchmark::DoNotOptimize(c);
        BCRV_Free(c);
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(t);
        oursTotal += t;
    }
    const auto rounds = static_cast<int>(state.iterations());
    Handle(TColgp_HArray1OfPnt) peerPts = new TColgp_HArray1OfPnt(1, n);
    for (int i = 0; i < n; ++i)
        peerPts->SetValue(i + 1, gp_Pnt(pts[i][0], pts[i][1], pts[i][2]));
    const auto t0 = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) {
        GeomAPI_Interpolate interp(peerPts, false, 1e-9);
        interp.Perform();
        if (!interp.IsDone())
            state.SkipWithError("peer interpolation failed");
        Handle(Geom_BSplineCurve) c = interp.Curve();
        benchmark::DoNotOptimize(c);
    }
    const double peerTotal = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.counters["occt_s"] = peerTotal / rounds;
    state.counters["ratio"] = oursTotal / peerTotal;
    state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK(BM_Interpolate)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_LoftArcs(benchmark::State& state)
{
    const int m = static_cast<int>(state.range(0));
    std::vector<BCRV*> arcs(static_cast<std::size_t>(m));
    for (int j = 0; j < m; ++j) {
        arcs[j] = BCRV_New();
        const double z = 0.01 * j;
        const double o[3] = {0.0, 0.0, z};
        arcs[j]->GenArc(o, 2.0 + 0.5 * std::sin(0.01 * j), 0.0, 1.5);
    }
    for (auto _ : state) {
        _nurbs_surface* s = nullptr;
        if (NRB_LoftSurface(arcs.data(), m, 4, 1e-10, &s) != 1)
            state.SkipWithError("loft failed");
        benchmark::DoNotOptimize(s);
        BSRF_Free(s);
    }
    for (BCRV* c : arcs)
        BCRV_Free(c);
    state.SetComplexityN(m);
    state.SetItemsProcessed(state.iterations() * m);
}

BENCHMARK(BM_LoftArcs)->Arg(1000)->Arg(2000)->Arg(4000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

// Parameters in raster order and points lifted off the patch along its normal.
struct ProjectionLoad {
    std::vector<std::array<double, 2>> uv;
    std::vector<std::array<double, 3>> points;
};

ProjectionLoad MakeLoad(const _nurbs_surface* s, int n)
{
    ProjectionLoad load;
    const int side = static_cast<int>(std::sqrt(static_cast<double>(n)));
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j) {
            // Serpentine, so that consecutive points are neighbours.
            const double u = (i + 0.5) / side, v = ((i % 2 ? side - 1 - j : j) + 0.5) / side;
            double p[3], normal[3];
            BSRF_EvNormal(s, u, v, p, normal);
            const double h = 0.4 * std::sin(37.0 * u + 11.0 * v);
            load.uv.push_back({u, v});
            load.points.push_back({p[0] + h * normal[0], p[1] + h * normal[1], p[2] + h * normal[2]});
        }
    return load;
}

void BM_SurfaceEvalDeriv2(benchmark::State& state)
{
    const surffix::SurfPtr s = surffix::Wavy(20, true);
    ENTITY* rec = ESRF_NewNurbs(BSRF_Clone(s.get()));
    const Handle(Geom_BSplineSurface) peer = occt3d::ToOcct(s.get());
    const ProjectionLoad load = MakeLoad(s.get(), 10000);
    double ours = 0.0, theirs = 0.0, sink = 0.0;
    for (auto _ : state) {
        double t0 = ThreadCpuSeconds();
        for (const auto& uv : load.uv) {
            double P[3], Su[3], Sv[3], Suu[3], Suv[3], Svv[3];
            ESRF_EvalDeriv2(rec, uv[0], uv[1], P, Su, Sv, Suu, Suv, Svv);
            sink += P[0] + Suu[1] + Svv[2];
        }
        double t1 = ThreadCpuSeconds();
        ours += t1 - t0;
        for (const auto& uv : load.uv) {
            gp_Pnt P;
            gp_Vec Su, Sv, Suu, Svv, Suv;
            peer->D2(uv[0], uv[1], P, Su, Sv, Suu, Svv, Suv);
            sink += P.X() + Suu.Y() + Svv.Z();
        }
        theirs += ThreadCpuSeconds() - t1;
        state.SetIterationTime(t1 - t0);
    }
    benchmark::DoNotOptimize(sink);
    state.counters["occt_s"] = theirs / static_cast<double>(state.iterations());
    state.counters["ratio"] = ours / theirs;
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(load.uv.size()));
    ENT_Free(rec);
}

BENCHMARK(BM_SurfaceEvalDeriv2)->UseManualTime()->Unit(benchmark::kMillisecond);

// Arg 0: no start guess; 1: each point's guess is its neighbour's answer.
void BM_SnapPoints(benchmark::State& state)
{
    const bool guided = state.range(0) == 1;
    const surffix::SurfPtr s = surffix::Wavy(20, true);
    const Handle(Geom_BSplineSurface) peer = occt3d::ToOcct(s.get());
    const GeomAdaptor_Surface adaptor(peer);
    const ProjectionLoad load = MakeLoad(s.get(), 100000);
    double ours = 0.0, theirs = 0.0, worst = 0.0, best = 0.0;
    for (auto _ : state) {
        std::vector<double> mine(load.points.size()), peers(load.points.size());
        double t0 = ThreadCpuSeconds();
        double u = 1e12, v = 1e12;
        for (size_t i = 0; i < load.points.size(); ++i) {
            double foot[3], d = 0.0;
            if (!guided)
                u = v = 1e12;
            BSRF_SnapPnt(s.get(), load.points[i].data(), 1e-9, foot, &u, &v, &d);
            mine[i] = d;
        }
        double t1 = ThreadCpuSeconds();
        double pu = load.uv[0][0], pv = load.uv[0][1];
        for (size_t i = 0; i < load.points.size(); ++i) {
            const gp_Pnt x(load.points[i][0], load.points[i][1], load.points[i][2]);
            if (guided) {
                Extrema_GenLocateExtPS locate(adaptor, 1e-9, 1e-9);
                locate.Perform(x, pu, pv);
                if (locate.IsDone()) {
                    locate.Point().Parameter(pu, pv);
                    peers[i] = std::sqrt(locate.SquareDistance());
                }
            } else {
                GeomAPI_ProjectPointOnSurf project(x, peer);
                peers[i] = project.NbPoints() > 0 ? project.LowerDistance() : 1e300;
            }
        }
        double t2 = ThreadCpuSeconds();
        ours += t1 - t0;
        theirs += t2 - t1;
        state.SetIterationTime(t1 - t0);
        for (size_t i = 0; i < mine.size(); ++i) {
            worst = std::max(worst, mine[i] - peers[i]);
            best = std::max(best, peers[i] - mine[i]);
        }
    }
    state.counters["occt_s"] = theirs / static_cast<double>(state.iterations());
    state.counters["ratio"] = ours / theirs;
    // How much farther our foot ever was than the peer's, and the peer's than
    // ours (without a guess ours should never be farther; with one, each search
    // may settle in a different local minimum).
    state.counters["worse_by"] = worst;
    state.counters["better_by"] = best;
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(load.points.size()));
}

BENCHMARK(BM_SnapPoints)->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// The surfaces of one intersection, ours and the peer's copies, and the
// model size the tolerance triples are scaled with.
struct IntersectPair {
    surffix::SurfPtr a, b;
    double size = 10.0;
};

// Cylinder of radius r about the axis (0: z, 1: x) from -h to h.
surffix::SurfPtr AxisCylinder(double r, double h, int axis)
{
    surffix::SurfPtr s = surffix::Cylinder(r, 2 * h);
    for (int i = 0; i < s->nu; ++i)
        for (int j = 0; j < s->nv; ++j) {
            double* P = s->P[i][j];
            P[2] -= h * P[3];
            if (axis == 1) {
                const double x = P[0], z = P[2];
                P[0] = z;
                P[2] = -x;
            }
        }
    return s;
}

IntersectPair MakeIntersectPair(int which)
{
    IntersectPair p;
    switch (which) {
    case 0: // perpendicular cylinders, radii 1 and 1.5
        p.a = AxisCylinder(1.0, 3.0, 0);
        p.b = AxisCylinder(1.5, 3.0, 1);
        p.size = 8.0;
        break;
    case 1: { // sphere and plane z = 0.3
        _arc arc{{{0, 0, -1}, {1, 0, 0}, {0, -1, 0}, {0, 0, 0}, 1.0}, 1.0, std::acos(-1.0)};
        BCRV* m = nullptr;
        BCRV_GenArc(&arc, &m);
        const double o[3] = {0, 0, 0}, z[3] = {0, 0, 1};
        _nurbs_surface* s = nullptr;
        BSRF_GenRevolve(o, z, m, 2 * std::acos(-1.0), &s);
        BCRV_Free(m);
        p.a.reset(s);
        p.b = surffix::Plane(3.0, 3.0);
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                p.b->P[i][j][0] -= 1.5;
                p.b->P[i][j][1] -= 1.5;
                p.b->P[i][j][2] = 0.3;
            }
        p.size = 3.0;
        break;
    }
    case 2: // two 20 x 20 bicubic height fields crossing in several branches
        p.a = surffix::Wavy(20, true);
        p.b = surffix::Wavy(20, false, 11);
        for (int i = 0; i < p.b->nu; ++i)
            for (int j = 0; j < p.b->nv; ++j) {
                double* P = p.b->P[i][j];
                P[2] = 0.4 * P[2] + 0.3 * P[0] - 1.5 * P[3];
            }
        p.size = 15.0;
        break;
    default: { // a corner of the terrain model cut at mid height
        const TopoDS_Shape shape = occt3d::ReadBrepAsNurbs(std::string(occt3d::kModelFolder) + "/terrain.brep");
        const auto faces = occt3d::ModelFaces(shape);
        if (faces.empty())
            return p;
        Handle(Geom_BSplineSurface) part = Handle(Geom_BSplineSurface)::DownCast(faces[0].peer->Copy());
        double u0, u1, v0, v1;
        part->Bounds(u0, u1, v0, v1);
        part->Segment(u0, u0 + 0.25 * (u1 - u0), v0, v0 + 0.25 * (v1 - v0));
        p.a.reset(occt3d::FromOcct(part));
        double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
        for (int i = 0; i < p.a->nu; ++i)
            for (int j = 0; j < p.a->nv; ++j)
                for (int e = 0; e < 3; ++e) {
                    lo[e] = std::min(lo[e], p.a->P[i][j][e] / p.a->P[i][j][3]);
                    hi[e] = std::max(hi[e], p.a->P[i][j][e] / p.a->P[i][j][3]);
                }
        p.size = std::hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]);
        p.b.reset(BSRF_Create(2, 2, 2, 2));
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                double* P = p.b->P[i][j];
                P[0] = i ? hi[0] + 1 : lo[0] - 1;
                P[1] = j ? hi[1] + 1 : lo[1] - 1;
                P[2] = 0.5 * (lo[2] + hi[2]);
                P[3] = 1.0;
            }
        break;
    }
    }
    return p;
}

// Arg 0: the pair (0 cylinders, 1 sphere and plane, 2 bicubics, 3 terrain);
// arg 1: 0 cold, 1 warm.
void BM_Intersect(benchmark::State& state)
{
    const IntersectPair pair = MakeIntersectPair(static_cast<int>(state.range(0)));
    const bool warm = state.range(1) == 1;
    if (!pair.a || !pair.b) {
        state.SkipWithError("no surfaces");
        return;
    }
    const double k = pair.size / 10.0;
    ESSI_ResetKernelState();
    ESSI_SetSubdivTolerance(0.001 * k, 0.2, 0.01 * k);
    ESSI_SetTraceTolerance(0.0005 * k, 0.1, 0.005 * k);
    ENTITY* A = ESRF_NewNurbs(BSRF_Clone(pair.a.get()));
    ENTITY* B = ESRF_NewNurbs(BSRF_Clone(pair.b.get()));
    const Handle(Geom_BSplineSurface) pa = occt3d::ToOcct(pair.a.get()), pb = occt3d::ToOcct(pair.b.get());
    SSI_SUBDIV *sa = nullptr, *sb = nullptr;
    SSI_POINT* contacts = nullptr;
    SSI_CURVENODE* curves = nullptr;
    if (warm)
        ESSI_Intersect(A, B, nullptr, &sa, nullptr, &sb, &contacts, &curves);
    double ours = 0.0, theirs = 0.0;
    int ourCurves = 0, peerCurves = 0;
    for (auto _ : state) {
        if (!warm) {
            ESSI_FreeSubdivision(sa);
            ESSI_FreeSubdivision(sb);
            sa = sb = nullptr;
        }
        const double t0 = ThreadCpuSeconds();
        if (ESSI_Intersect(A, B, nullptr, &sa, nullptr, &sb, &contacts, &curves) != 1)
            state.SkipWithError("intersection failed");
        const double t1 = ThreadCpuSeconds();
        GeomInt_IntSS peer(pa, pb, 1e-7 * pair.size, Standard_False, Standard_False, Standard_False);
        const double t2 = ThreadCpuSeconds();
        ours += t1 - t0;
        theirs += t2 - t1;
        state.SetIterationTime(t1 - t0);
        ourCurves = 0;
        for (const SSI_CURVENODE* c = curves; c; c = c->next)
            ++ourCurves;
        peerCurves = peer.IsDone() ? peer.NbLines() : -1;
    }
    state.counters["occt_s"] = theirs / static_cast<double>(state.iterations());
    state.counters["ratio"] = ours / theirs;
    state.counters["curves"] = ourCurves;
    state.counters["occt_curves"] = peerCurves;
    ESSI_FreePointList(contacts);
    ESSI_FreeCurveList(curves);
    ESSI_FreeSubdivision(sa);
    ESSI_FreeSubdivision(sb);
    ENT_Free(A);
    ENT_Free(B);
    ESSI_ResetKernelState();
}

BENCHMARK(BM_Intersect)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
