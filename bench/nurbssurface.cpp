// NURBS surface evaluation and iso curves on a 20 × 20 rational bicubic against
// Open CASCADE's Geom_BSplineSurface built from the same poles, weights and knots,
// on the same parameters in the same run.
//
// The reported time is ours for one batch. Counters: occt_s, Open CASCADE's time
// per batch; ratio, ours / Open CASCADE; max_diff, the largest distance between
// the two results (points, or the normals' unit vectors).
//   point:  BSRF_EvPos    beside D0
//   deriv:  BSRF_Ev1Der   beside D1
//   normal: BSRF_EvNormal beside D1 and the normalised cross product
//   iso:    CNurbsEditor::MakeIsoCurve (constant u) beside UIso
//   patch point, patch deriv: BSRF_EvPatches (d = 0, 1) through a table made
//           before the batches beside D0, D1
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/NurbsEditor.h"
#include "testing/OcctNurbs.h"
#include "testing/SurfaceFixtures.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

namespace {

enum Op { kPoint, kDeriv, kNormal, kIso, kPatchPoint, kPatchDeriv };

struct Fixture {
    surffix::SurfPtr s = surffix::Wavy(20, true);
    Handle(Geom_BSplineSurface) peer = occt3d::ToOcct(s.get());
    std::vector<double> u, v;
    explicit Fixture(int n)
    {
        std::mt19937 rng(17);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        for (int i = 0; i < n; ++i) {
            u.push_back(unit(rng));
            v.push_back(unit(rng));
        }
    }
};

void BM_Surface(benchmark::State& state)
{
    const Op op = static_cast<Op>(state.range(0));
    const int n = op == kIso ? 200 : 10000;
    Fixture f(n);
    BSRF_PATCHES* table = BSRF_NewPatches(f.s.get());
    std::vector<double> ours(static_cast<size_t>(n) * 3), theirs(static_cast<size_t>(n) * 3);
    double oursTotal = 0.0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < n; ++i) {
            double* out = &ours[static_cast<size_t>(i) * 3];
            double P[3], Su[3], Sv[3];
            switch (op) {
            case kPoint:
                BSRF_EvPos(f.s.get(), f.u[i], f.v[i], out);
                break;
            case kDeriv:
                BSRF_Ev1Der(f.s.get(), f.u[i], f.v[i], out, Su, Sv);
                benchmark::DoNotOptimize(Su);
                break;
            case kNormal:
                BSRF_EvNormal(f.s.get(), f.u[i], f.v[i], P, out);
                break;
            case kIso: {
                BCRV* c = CNurbsEditor::MakeIsoCurve(f.s.get(), kIsoConstU, f.u[i]);
                BCRV_EvPos(c, f.v[i], out);
                BCRV_Free(c);
                break;
            }
            case kPatchPoint:
            case kPatchDeriv:
                BSRF_EvPatches(table, f.s.get(), f.u[i], f.v[i], op == kPatchDeriv ? 1 : 0, out, Su, Sv, nullptr,
                               nullptr, nullptr);
                benchmark::DoNotOptimize(Su);
                break;
            }
        }
        benchmark::DoNotOptimize(ours.data());
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(t);
        oursTotal += t;
    }
    const auto rounds = static_cast<int>(state.iterations());
    const auto t0 = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) {
        for (int i = 0; i < n; ++i) {
            double* out = &theirs[static_cast<size_t>(i) * 3];
            gp_Pnt p;
            gp_Vec du, dv;
            switch (op) {
            case kPoint:
            case kPatchPoint:
                f.peer->D0(f.u[i], f.v[i], p);
                out[0] = p.X(), out[1] = p.Y(), out[2] = p.Z();
                break;
            case kDeriv:
            case kPatchDeriv:
                f.peer->D1(f.u[i], f.v[i], p, du, dv);
                out[0] = p.X(), out[1] = p.Y(), out[2] = p.Z();
                benchmark::DoNotOptimize(du);
                break;
            case kNormal: {
                f.peer->D1(f.u[i], f.v[i], p, du, dv);
                gp_Vec nv = du.Crossed(dv);
                nv.Normalize();
                out[0] = nv.X(), out[1] = nv.Y(), out[2] = nv.Z();
                break;
            }
            case kIso: {
                Handle(Geom_Curve) c = f.peer->UIso(f.u[i]);
                p = c->Value(f.v[i]);
                out[0] = p.X(), out[1] = p.Y(), out[2] = p.Z();
                break;
            }
            }
        }
        benchmark::DoNotOptimize(theirs.data());
    }
    const double peerTotal = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    BSRF_FreePatches(table);
    double maxDiff = 0.0;
    for (size_t k = 0; k < ours.size(); k += 3)
        maxDiff = std::fmax(maxDiff, std::sqrt(std::pow(ours[k] - theirs[k], 2) + std::pow(ours[k + 1] - theirs[k + 1], 2) +
                                               std::pow(ours[k + 2] - theirs[k + 2], 2)));
    state.counters["occt_s"] = peerTotal / rounds;
    state.counters["ratio"] = oursTotal / peerTotal;
    state.counters["max_diff"] = maxDiff;
    state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK(BM_Surface)
    ->ArgName("point0_deriv1_normal2_iso3_patchpoint4_patchderiv5")
    ->Arg(kPoint)
    ->Arg(kDeriv)
    ->Arg(kNormal)
    ->Arg(kIso)
    ->Arg(kPatchPoint)
    ->Arg(kPatchDeriv)
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime();

}  // namespace
