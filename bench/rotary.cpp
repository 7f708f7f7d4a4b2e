// Rotary-axis machining, around pattern, on a part of 1e5 triangles (a tube about X
// with a bumpy radius) at 720 angular samples and 10 stations. The time per sample
// (one turn of the model and the lifts of all stations) is set against one SetTool of
// the same model in the same run, the renewal of every offset and box a turn has to
// do anyway. Counters: samples, ms per sample, ms per SetTool and their ratio (the
// goal: a turn costs no more than a renewal, ratio about 1), and the parts of a sample
// timed alone: the turn (RotateByXAxis), the marking of the line y = 0 and the lifts of
// the ten stations. CPU time of the thread.
#include "bench/ThreadClock.h"
#include "framework/db/DbPathGroup.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/Tool.h"
#include "geometry/shapes3d/GeMesh.h"
#include "toolpath/contours/NcPline.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/milling/CheckModel.h"
#include "toolpath/milling/MsRotAxis.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

// A closed tube about X of n x m quads split in two: radius 10 with bumps of 1.
std::unique_ptr<CGeMesh> BumpyTube(int n, int m)
{
    auto g = std::make_unique<CGeMesh>();
    for (int j = 0; j <= m; ++j)
        for (int i = 0; i < n; ++i) {
            const double a = 2 * M_PI * i / n, x = -20 + 40.0 * j / m;
            const double r = 10 + std::sin(3 * a) * std::cos(x * 0.3);
            g->vertices.emplace_back(float(x), float(r * std::sin(a)), float(r * std::cos(a)));
        }
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < n; ++i) {
            const int a = j * n + i, b = j * n + (i + 1) % n, c = a + n, d = b + n;
            g->faces3.emplace_back(a, b, d);
            g->faces3.emplace_back(a, d, c);
        }
    g->CalcBox();
    return g;
}

void BM_RotaryAround(benchmark::State& state)
{
    gNewQVGlobal();
    gGetQVGlobal()->SetSurfNCDiscTol(1e-6);  // asks for more than 720 samples a turn
    auto mesh = BumpyTube(500, 100);
    CGeMeshList meshes;
    meshes.AddTail(mesh.get());
    CTBall ball(4);
    ball.SetAidParam();
    CParamRotAxis p;
    p.m_nFlags = CParamRotAxis::kAround;
    p.m_dXStart = -15, p.m_dXEnd = 15;
    p.m_nStepOver = 75;  // 3 apart: 10 stations
    p.m_dStartAngle = 0, p.m_dEndAngle = 360;
    p.m_dStockMinRad = 5, p.m_dStockMaxRad = 14;
    p.m_dPartRadius = 11;
    CMsRotAxis rot(p);
    std::unique_ptr<CDbPathGroup> first(rot.GenPath(&meshes, &p, &ball));  // builds the model
    const int samples = RotarySampleCount(2 * M_PI, p.m_dPartRadius, 1e-6, 360, 720) + 1;
    double pattern = 0, renew = 0, turn = 0, mark = 0, lift = 0;
    int renewals = 0;
    for (auto _ : state) {
        CPathGroup group(302);
        double t0 = ThreadCpuSeconds();
        benchmark::DoNotOptimize(rot.CreateRotatePathAround(ball.IntervalDist(75), rot.tool, group));
        pattern += ThreadCpuSeconds() - t0;
        for (int k = 0; k < 5; ++k) {
            t0 = ThreadCpuSeconds();
            rot.model->SetTool(rot.tool);
            renew += ThreadCpuSeconds() - t0;
            ++renewals;
            // The parts of one sample: the turn, the marking, the lifts of the stations.
            t0 = ThreadCpuSeconds();
            rot.model->RotateByXAxis(0.01);
            turn += ThreadCpuSeconds() - t0;
            t0 = ThreadCpuSeconds();
            rot.model->Mark_IsoYLine(0);
            mark += ThreadCpuSeconds() - t0;
            t0 = ThreadCpuSeconds();
            for (int st = 0; st < 10; ++st) {
                CNcPoint q(-15 + 3 * st, 0, p.m_dStockMinRad);
                rot.model->LiftZ(q);
            }
            lift += ThreadCpuSeconds() - t0;
        }
    }
    const double perSample = pattern / double(state.iterations()) / samples;
    const double perRenewal = renew / renewals;
    state.counters["triangles"] = double(mesh->faces3.size());
    state.counters["samples"] = samples;
    state.counters["ms_per_sample"] = perSample * 1e3;
    state.counters["ms_per_SetTool"] = perRenewal * 1e3;
    state.counters["ratio"] = perSample / perRenewal;
    state.counters["ms_turn"] = turn / renewals * 1e3;
    state.counters["ms_mark"] = mark / renewals * 1e3;
    state.counters["ms_lifts"] = lift / renewals * 1e3;
}

}  // namespace

BENCHMARK(BM_RotaryAround)->Unit(benchmark::kMillisecond)->Iterations(2);
