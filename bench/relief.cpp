// Relief profile stamping (UpdateGrid, rows in parallel) beside OpenCV's distance
// transform of the same square, and the cost of SetCAxis as the number of stored
// segments grows.
#include "geometry/relief/RlfAngleShape.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>

#include <chrono>
#include <cmath>
#include <time.h>

namespace {

constexpr int kCells = 2000;
constexpr double kSide = 100.0;

// The square's medial axis: its half diagonals, from the centre (half width side/2)
// to each corner (half width 0).
void StampSquare(CRlfAngleShape& shape, CTGrid<float>& grid)
{
    const double c = kSide / 2.0;
    const double corners[4][2] = {{0.0, 0.0}, {kSide, 0.0}, {kSide, kSide}, {0.0, kSide}};
    for (const auto& k : corners) {
        float centre[3] = {float(c), float(c), float(c)}, corner[3] = {float(k[0]), float(k[1]), 0.0f};
        shape.SetCAxis(centre, corner);
        shape.UpdateGrid(7, &grid);
    }
}

double ProcessCpu()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

void BM_StampSquareVsDistanceTransform(benchmark::State& state)
{
    CRlfAngleShape shape;
    shape.SetParam(0.0f, 1000.0f, 2, float(M_PI / 4), 0.0f);
    shape.SetMaxSpan(1.0f);
    CTGrid<float> grid;
    const float step = float(kSide / (kCells - 1));
    const float org[2] = {0.0f, 0.0f};
    grid.Create(org, step, step, kCells, kCells);
    cv::Mat square(kCells + 2, kCells + 2, CV_8U, cv::Scalar(0)), dist;
    square(cv::Rect(1, 1, kCells, kCells)).setTo(255);
    double ours = 0.0, peer = 0.0, oursCpu = 0.0, peerCpu = 0.0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        const double c0 = ProcessCpu();
        StampSquare(shape, grid);
        auto t1 = std::chrono::steady_clock::now();
        const double c1 = ProcessCpu();
        cv::distanceTransform(square, dist, cv::DIST_L2, cv::DIST_MASK_PRECISE);
        auto t2 = std::chrono::steady_clock::now();
        const double c2 = ProcessCpu();
        ours += std::chrono::duration<double>(t1 - t0).count();
        peer += std::chrono::duration<double>(t2 - t1).count();
        oursCpu += c1 - c0;
        peerCpu += c2 - c1;
        benchmark::DoNotOptimize(grid.rows[kCells / 2][kCells / 2]);
    }
    state.counters["ratio_to_distanceTransform"] = ours / peer;
    // The work of both sides (CPU time of every thread): steadier than the wall clock
    // on a shared machine.
    state.counters["cpu_ratio"] = oursCpu / peerCpu;
}
BENCHMARK(BM_StampSquareVsDistanceTransform)->Unit(benchmark::kMillisecond)->UseRealTime();

// Time of the repeat search SetCAxis makes with n segments already stored.
void BM_FindLineStored(benchmark::State& state)
{
    const int n = int(state.range(0));
    CRlfAngleShape shape;
    shape.SetParam(0.0f, 1.0f, 1, 0.0f, 0.0f);
    shape.SetMaxSpan(1.0f);
    for (int i = 0; i < n; ++i) {
        double p[3] = {double(i % 1000), double(i / 1000), 1.0}, q[3] = {p[0] + 0.5, p[1] + 0.5, 0.5};
        shape.SetCAxis(p, q);
    }
    int i = 0;
    for (auto _ : state) {
        double p[3] = {double(i % 1000) + 0.25, double(i / 1000) + 0.25, 1.0}, q[3] = {p[0] + 0.5, p[1] + 0.5, 0.5};
        benchmark::DoNotOptimize(shape.FindLine(p, q));
        i = (i + 1) % n;
    }
}
BENCHMARK(BM_FindLineStored)->Arg(1000)->Arg(10000)->Arg(100000);

}  // namespace
