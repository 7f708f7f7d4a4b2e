// The relief canvas's blend, run encoding and smoothing beside OpenCV on the same
// arrays (OpenCV single-threaded, as the canvas is): UpdateHeight of a 2000² relief
// into a 10000² canvas against cv::max of the relief and the canvas cells under it
// (and of the relief and a contiguous copy of those cells),
// CreateHeightIndexDataAll of that canvas against one cv::max pass over all of it,
// and LapSmooth of a 2000² canvas against cv::filter2D with the 3 × 3 kernel of the
// same weights. Counters: ratio = ours / OpenCV's (wall time).
#include "geometry/relief/GeCanvas.h"
#include "geometry/relief/GeRelief.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

std::unique_ptr<CGeCanvas> MakeCanvas(int n)
{
    auto c = std::make_unique<CGeCanvas>();
    float origin[2] = {0.0f, 0.0f};
    if (!c->CreateMini(origin, 0.1f, n, n)) return nullptr;
    c->ResetFlag(0, nullptr);
    return c;
}

std::unique_ptr<CGeRelief> MakeHill(float ox, float oy, int n)
{
    auto r = std::make_unique<CGeRelief>();
    float origin[2] = {ox, oy};
    r->Create(origin, 0.1f, n, n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const float x = (i - n / 2) / float(n), y = (j - n / 2) / float(n);
            r->SetZHeight(i, j, std::fmax(0.0f, 1.0f - 4.0f * (x * x + y * y)) * 10.0f + 0.01f);
        }
    return r;
}

// The canvas rows are one block, so a cv::Mat can wrap them without a copy.
cv::Mat Wrap(CGeCanvas& c) { return cv::Mat(int(c.ny), int(c.nx), CV_32F, c.heights[0]); }

void BM_UpdateHeightVsMax(benchmark::State& state)
{
    cv::setNumThreads(1);
    auto canvas = MakeCanvas(10000);
    auto relief = MakeHill(300.0f, 400.0f, 2000);
    cv::Mat all = Wrap(*canvas);
    cv::Mat src(2000, 2000, CV_32F, relief->heights);
    // The canvas cells under the relief themselves (rows 40 kB apart), as UpdateHeight
    // meets them; max with the same relief leaves them as they are.
    cv::Mat block = all(cv::Rect(3000, 4000, 2000, 2000));
    // The same cells copied into one contiguous block, for comparison.
    cv::Mat copy = block.clone();
    BOX2<int> box(0, 0, 9999, 9999);
    double ours = 0.0, peer = 0.0, peerCopy = 0.0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        canvas->UpdateHeight(relief.get(), box, CGeCanvas::kModeMax);
        const auto t1 = Clock::now();
        cv::max(block, src, block);
        const auto t2 = Clock::now();
        cv::max(copy, src, copy);
        const auto t3 = Clock::now();
        ours += Seconds(t0, t1);
        peer += Seconds(t1, t2);
        peerCopy += Seconds(t2, t3);
        benchmark::DoNotOptimize(canvas->heights[5000][4000]);
    }
    state.counters["ratio_to_cv_max"] = ours / peer;
    state.counters["ratio_to_cv_max_contiguous"] = ours / peerCopy;
}
BENCHMARK(BM_UpdateHeightVsMax)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CreateHeightIndexDataAllVsMax(benchmark::State& state)
{
    cv::setNumThreads(1);
    auto canvas = MakeCanvas(10000);
    auto relief = MakeHill(300.0f, 400.0f, 2000);
    BOX2<int> box(0, 0, 9999, 9999);
    canvas->UpdateHeight(relief.get(), box, CGeCanvas::kModeMax);
    cv::Mat all = Wrap(*canvas);
    // Written once before timing, so that its first pages are not counted against OpenCV.
    cv::Mat out(all.size(), CV_32F, cv::Scalar(0.0f));
    std::vector<RlfIndexData> runs;
    double ours = 0.0, peer = 0.0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        canvas->CreateHeightIndexDataAll(runs);
        const auto t1 = Clock::now();
        cv::max(all, CGeCanvas::kEmptyHeight, out);
        const auto t2 = Clock::now();
        ours += Seconds(t0, t1);
        peer += Seconds(t1, t2);
        benchmark::DoNotOptimize(runs.data());
    }
    state.counters["runs"] = double(runs.size());
    state.counters["ratio_to_cv_max"] = ours / peer;
}
BENCHMARK(BM_CreateHeightIndexDataAllVsMax)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LapSmoothVsFilter2D(benchmark::State& state)
{
    cv::setNumThreads(1);
    auto canvas = MakeCanvas(2000);
    auto relief = MakeHill(0.0f, 0.0f, 2000);
    BOX2<int> box(0, 0, 1999, 1999);
    canvas->UpdateHeight(relief.get(), box, CGeCanvas::kModeReplace);
    cv::Mat all = Wrap(*canvas).clone(), out;
    const float w = 0.33f / 4.0f;
    const cv::Mat kernel = (cv::Mat_<float>(3, 3) << 0, w, 0, w, 1.0f - 0.33f, w, 0, w, 0);
    double ours = 0.0, peer = 0.0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        canvas->LapSmooth();
        const auto t1 = Clock::now();
        cv::filter2D(all, out, CV_32F, kernel);
        const auto t2 = Clock::now();
        ours += Seconds(t0, t1);
        peer += Seconds(t1, t2);
        benchmark::DoNotOptimize(canvas->heights[1000][1000]);
    }
    state.counters["ratio_to_filter2D"] = ours / peer;
}
BENCHMARK(BM_LapSmoothVsFilter2D)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

