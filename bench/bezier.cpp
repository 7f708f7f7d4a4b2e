// Discretisation of cubic Bezier segments: the spline's display polyline
// against Qt's path flattening at a comparable deviation.
//
// 1e5 segments of a few tens of millimetres each form one spline. The
// spline flattens to a maximum deviation tol (0.01 mm). Qt flattens with a
// fixed threshold in device units, so the path is scaled by 0.5 / tol before
// flattening (Qt's threshold 0.5 then stands for tol millimetres); both runs
// report their point count and the largest deviation measured on the first
// 2000 segments (32 samples per segment against that segment's polyline)
// and how many of those segments exceed tol.
#include "geometry/shapes2d/GeBezier.h"

#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kSegments = 100000;
constexpr double kTol = 0.01;
// Qt's curve flattening threshold in device units, as measured below.
constexpr double kQtThreshold = 0.5;
constexpr int kCheckedSegments = 2000;
constexpr int kSamples = 32;

struct P2 {
    double x, y;
};

// A chain of segments: main nodes a random walk of steps 20..40 mm, handles
// up to 15 mm from their main node.
const std::vector<P2>& Nodes()
{
    static const std::vector<P2> nodes = [] {
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> step(20.0, 40.0), ang(0.0, 6.283185307179586), h(-15.0, 15.0);
        std::vector<P2> out(3 * kSegments + 1);
        P2 at{0, 0};
        out[0] = at;
        for (int k = 0; k < kSegments; ++k) {
            const double a = ang(rng), s = step(rng);
            const P2 next{at.x + s * std::cos(a), at.y + s * std::sin(a)};
            out[3 * k + 1] = {at.x + h(rng), at.y + h(rng)};
            out[3 * k + 2] = {next.x + h(rng), next.y + h(rng)};
            out[3 * k + 3] = next;
            at = next;
        }
        return out;
    }();
    return nodes;
}

P2 Eval(const P2* c, double t)
{
    const double s = 1 - t;
    const double b0 = s * s * s, b1 = 3 * s * s * t, b2 = 3 * s * t * t, b3 = t * t * t;
    return {b0 * c[0].x + b1 * c[1].x + b2 * c[2].x + b3 * c[3].x, b0 * c[0].y + b1 * c[1].y + b2 * c[2].y + b3 * c[3].y};
}

double SegDist(P2 p, P2 a, P2 b)
{
    const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
    const double s = l2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l2, 0.0, 1.0) : 0.0;
    return std::hypot(p.x - a.x - s * dx, p.y - a.y - s * dy);
}

// Largest distance of the segment's samples from the polyline pts.
double Deviation(const P2* ctrl, const std::vector<P2>& pts)
{
    double worst = 0.0;
    for (int i = 0; i <= kSamples; ++i) {
        const P2 p = Eval(ctrl, double(i) / kSamples);
        double best = 1e300;
        for (size_t j = 1; j < pts.size(); ++j) best = std::min(best, SegDist(p, pts[j - 1], pts[j]));
        worst = std::max(worst, best);
    }
    return worst;
}

QPainterPath ScaledPath(double scale, bool subpathPerSegment)
{
    const auto& n = Nodes();
    QPainterPath path;
    path.moveTo(n[0].x * scale, n[0].y * scale);
    for (int k = 0; k < kSegments; ++k) {
        const P2* c = &n[3 * k];
        if (subpathPerSegment) path.moveTo(c[0].x * scale, c[0].y * scale);
        path.cubicTo(c[1].x * scale, c[1].y * scale, c[2].x * scale, c[2].y * scale, c[3].x * scale, c[3].y * scale);
    }
    return path;
}

void BM_BezierDiscrete(benchmark::State& state)
{
    auto nodes = Nodes();
    CGeBezier bez;
    bez.CreateEx(static_cast<unsigned>(nodes.size()), reinterpret_cast<double(*)[2]>(nodes.data()));
    for (auto _ : state) {
        bez.Discrete(kTol);
        benchmark::DoNotOptimize(bez.GetSWPoint());
    }
    double worst = 0.0;
    int over = 0;
    const auto* sw = bez.GetSWPoint();
    const CUIntArray& ends = bez.GetSegEnds();
    for (int k = 1; k <= kCheckedSegments; ++k) {
        std::vector<P2> piece;
        for (UINT i = ends[k - 1]; i <= ends[k]; ++i) piece.push_back({sw[i][0], sw[i][1]});
        const double dev = Deviation(&nodes[3 * (k - 1)], piece);
        worst = std::max(worst, dev);
        over += dev > kTol ? 1 : 0;
    }
    state.counters["checked_over_tol"] = over;
    state.counters["points"] = bez.GetSWPointCount();
    state.counters["max_dev_mm"] = worst;
    state.counters["segments"] = kSegments;
}
BENCHMARK(BM_BezierDiscrete)->Unit(benchmark::kMillisecond);

// The same segments as 1000 splines of 100 segments, as a drawing holds them.
void BM_BezierDiscreteMany(benchmark::State& state)
{
    constexpr int kPer = 100;
    auto nodes = Nodes();
    std::vector<std::unique_ptr<CGeBezier>> splines;
    for (int i = 0; i < kSegments / kPer; ++i) {
        splines.push_back(std::make_unique<CGeBezier>());
        splines.back()->CreateEx(3 * kPer + 1, reinterpret_cast<double(*)[2]>(&nodes[3 * kPer * i]));
    }
    long points = 0;
    for (auto _ : state) {
        points = 0;
        for (auto& b : splines) {
            b->Discrete(kTol);
            points += b->GetSWPointCount();
        }
        benchmark::DoNotOptimize(points);
    }
    state.counters["points"] = double(points);
    state.counters["segments"] = kSegments;
}
BENCHMARK(BM_BezierDiscreteMany)->Unit(benchmark::kMillisecond);

void BM_QtToSubpathPolygons(benchmark::State& state)
{
    const double scale = kQtThreshold / kTol;
    const QPainterPath path = ScaledPath(scale, false);
    qsizetype points = 0;
    for (auto _ : state) {
        const QList<QPolygonF> polys = path.toSubpathPolygons();
        points = 0;
        for (const QPolygonF& poly : polys) points += poly.size();
        benchmark::DoNotOptimize(points);
    }
    // Deviation per segment: one subpath per segment, back in millimetres.
    const QList<QPolygonF> pieces = ScaledPath(scale, true).toSubpathPolygons();
    double worst = 0.0;
    int over = 0;
    const auto& nodes = Nodes();
    for (int k = 1; k <= kCheckedSegments && k <= pieces.size(); ++k) {
        std::vector<P2> piece;
        for (const QPointF& q : pieces[k - 1]) piece.push_back({q.x() / scale, q.y() / scale});
        const double dev = Deviation(&nodes[3 * (k - 1)], piece);
        worst = std::max(worst, dev);
        over += dev > kTol ? 1 : 0;
    }
    state.counters["checked_over_tol"] = over;
    state.counters["points"] = double(points);
    state.counters["max_dev_mm"] = worst;
    state.counters["scale"] = scale;
}
BENCHMARK(BM_QtToSubpathPolygons)->Unit(benchmark::kMillisecond);

}  // namespace
