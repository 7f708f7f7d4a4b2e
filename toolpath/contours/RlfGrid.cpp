#include "toolpath/contours/RlfGrid.h"

#include "framework/widgra/Progress.h"
#include "geometry/relief/GeCanvas.h"
#include "geometry/relief/RlfShape.h"
#include "geometry/shapes2d/GeRegion.h"
#include "toolpath/contours/LoopApi.h"
#include "toolpath/contours/Skeleton.h"
#include "toolpath/contours/SmartLoop.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>

#include <omp.h>

namespace {

constexpr float kEmptyLow = 1e6f;
constexpr float kEmptyHigh = -1e6f;
constexpr float kChangedHeight = 0.001f;
// Canvas nodes this fraction of a grid step outside the grid's box still count as over it.
constexpr double kOnGrid = 1e-4;
// Spans of the relief stamping (bits of CRlfShape::CalcHeight).
constexpr int kSpanPoint = 1;
constexpr int kSpanStartBody = 5;
constexpr int kSpanWhole = 7;
// Kernel widths of SmoothBitmap.
constexpr int kSplineKind = 100;
constexpr int kMaxKernel = 19;
// Grids beyond this many nodes are refused rather than attempted.
constexpr std::size_t kMaxNodes = std::size_t{1} << 31;

bool GoodSpacing(float d) { return std::isfinite(d) && d > 0.0f; }

// Node index range [lo, hi] of the interval [a, b] on an axis from origin o with step d,
// clamped to [0, n]; false when it misses the axis.
bool NodeRange(float a, float b, float o, float d, int n, int& lo, int& hi)
{
    const double f = std::floor((static_cast<double>(a) - o) / d), c = std::ceil((static_cast<double>(b) - o) / d);
    if (!(f <= c) || c < 0 || f > n)
        return false;
    lo = static_cast<int>(std::max(f, 0.0));
    hi = static_cast<int>(std::min(c, static_cast<double>(n)));
    return true;
}

// Cox-de Boor values of the width basis functions of degree width - 1 at t.
void BasisValues(const std::vector<double>& knots, int width, double t, double* out)
{
    const int p = width - 1;
    const int m = static_cast<int>(knots.size()) - 1;
    std::vector<double> N(static_cast<std::size_t>(m), 0.0);
    for (int i = 0; i < m; ++i)
        N[static_cast<std::size_t>(i)] = knots[static_cast<std::size_t>(i)] <= t && t < knots[static_cast<std::size_t>(i) + 1] ? 1.0 : 0.0;
    for (int k = 1; k <= p; ++k)
        for (int i = 0; i + k < m; ++i) {
            const double a = knots[static_cast<std::size_t>(i + k)] - knots[static_cast<std::size_t>(i)];
            const double b = knots[static_cast<std::size_t>(i + k + 1)] - knots[static_cast<std::size_t>(i + 1)];
            double v = 0;
            if (a > 0)
                v += (t - knots[static_cast<std::size_t>(i)]) / a * N[static_cast<std::size_t>(i)];
            if (b > 0)
                v += (knots[static_cast<std::size_t>(i + k + 1)] - t) / b * N[static_cast<std::size_t>(i) + 1];
            N[static_cast<std::size_t>(i)] = v;
        }
    for (int i = 0; i < width; ++i)
        out[i] = N[static_cast<std::size_t>(i)];
}

// Smoothing weights: uniform B-spline (kind 100) or Bernstein values at the middle.
void DefineVertexCoef(int kind, int width, double* w)
{
    std::vector<double> knots;
    if (kind == kSplineKind) {
        for (int k = -width + 1; k <= width; ++k)
            knots.push_back(k);
    } else {
        knots.assign(static_cast<std::size_t>(width), 0.0);
        knots.insert(knots.end(), static_cast<std::size_t>(width), 1.0);
    }
    BasisValues(knots, width, 0.5, w);
}

int KernelWidth(float radius, float d)
{
    const float q = radius / d;
    const int k = std::isfinite(q) ? static_cast<int>(std::clamp(q, -1.0f, 100.0f)) : 0;
    if (k < 2)
        return 3;
    if (k >= 9)
        return kMaxKernel;
    return 2 * k + 3;
}

// A segment to stamp (both ends the same for a single point) with its span kind; `first`
// marks a polyline's first segment, `capped` a branch stamped with the scale of its cap.
struct Segment {
    const CCLineCurve::Node *p, *q;
    int span;
    bool first, capped;
    float scale;
};

void AddSegments(const CCLineCurve& curve, const CRlfShape& shape, std::vector<Segment>& out)
{
    const bool capped = curve.main == 0 && curve.cap > 0;
    const float scale = capped ? shape.CalcHScale(static_cast<float>(curve.cap)) : 0.0f;
    const std::size_t start = out.size();
    if (curve.head && !curve.head->next)
        out.push_back({curve.head, curve.head, kSpanPoint, false, capped, scale});
    for (const CCLineCurve::Node* p = curve.head; p && p->next; p = p->next)
        out.push_back({p, p->next, p->next->next ? kSpanStartBody : kSpanWhole, false, capped, scale});
    if (out.size() > start)
        out[start].first = true;
}

// An accepted segment as the shape takes it (float ends), with its span kind, the height
// scale of a capped branch (0 for none), and its region's number and largest radius
// (region -1: the caller has set the span).
struct Axis {
    float a[3], b[3];
    int span;
    float scale;
    int region;
    float radius;
};

// Sets the segments on the shape in order (it stores what it accepts, so a segment given
// twice is refused the second time) and adds the accepted ones to `axes`; polls `cancel`
// before each polyline. False when cancelled.
template <class Stamp, class Cancel>
bool SetAxes(const std::vector<Segment>& segments, CRlfShape* shape, const Stamp& stamp, Cancel&& cancel, int region,
             float radius, std::vector<Axis>& axes)
{
    for (const Segment& g : segments) {
        if (g.first && cancel())
            return false;
        double a[3] = {g.p->x, g.p->y, g.p->z}, b[3] = {g.q->x, g.q->y, g.q->z};
        if (!stamp.SetAxis(shape, a, b))
            continue;
        axes.push_back({{float(a[0]), float(a[1]), float(a[2])},
                        {float(b[0]), float(b[1]), float(b[2])},
                        g.span,
                        g.capped ? g.scale : 0.0f,
                        region,
                        radius});
    }
    return true;
}

// Stamps the axes in order with a team of threads: each sets the axes (and the span of
// each new region) on a copy of the shape of its own and raises the rows j with
// j % threads equal to its number. Each node sees the axes in the same order on any number
// of threads, so the heights are the same bit for bit. One thread, or a shape without
// copies, stamps on the shape itself. The team meets once, at the end.
template <class Stamp>
void StampAxes(const std::vector<Axis>& axes, CRlfShape* shape, const Stamp& stamp)
{
    if (axes.empty())
        return;
#pragma omp parallel
    {
        int threads = omp_get_num_threads();
        const int me = omp_get_thread_num();
        std::unique_ptr<CRlfShape> own(threads == 1 ? nullptr : shape->CloneProfile());
        CRlfShape* s = own.get();
        if (!s) {
            s = me == 0 ? shape : nullptr;
            threads = 1;
        }
        int region = -1;
        if (s)
            for (Axis x : axes) {
                if (x.region != region && x.region >= 0)
                    s->SetMaxSpan(x.radius);
                region = x.region;
                s->SetCAxis(x.a, x.b);
                if (x.scale != 0.0f)
                    s->node0[3] = s->node1[3] = x.scale;
                int i0 = 0, i1 = -1, j0 = 0, j1 = -1;
                if (!stamp.Range(*s, i0, i1, j0, j1) || i1 < i0)
                    continue;
                for (int j = j0 + ((me - j0) % threads + threads) % threads; j <= j1; j += threads)
                    stamp.Row(*s, x.span, i0, i1, j);
            }
    }
}

// The grid's stamping steps: every segment is stamped, also one the shape already holds
// (SetCAxis refuses those; the float version sets them).
struct GridStamp {
    CRlfGrid& grid;

    bool SetAxis(CRlfShape* shape, double* a, double* b) const
    {
        if (!shape->SetCAxis(a, b)) {
            float fa[3] = {float(a[0]), float(a[1]), float(a[2])}, fb[3] = {float(b[0]), float(b[1]), float(b[2])};
            shape->SetCAxis(fa, fb);
        }
        return true;
    }
    bool Range(const CRlfShape& shape, int& i0, int& i1, int& j0, int& j1) const
    {
        return NodeRange(shape.updateBox[0], shape.updateBox[2], grid.x0, grid.dx, grid.nx, i0, i1) &&
               NodeRange(shape.updateBox[1], shape.updateBox[3], grid.y0, grid.dy, grid.ny, j0, j1);
    }
    void Row(const CRlfShape& shape, int span, int i0, int i1, int j) const
    {
        float* row = grid.Row(j);
        const float y = grid.ys[static_cast<std::size_t>(j)];
        for (int i = i0; i <= i1; ++i)
            shape.CalcHeight(span, grid.xs[static_cast<std::size_t>(i)], y, row[i]);
    }
};

// The canvas's stamping steps: a segment SetCAxis refuses is skipped; the second layer,
// when present, goes through the two-layer CalcHeight.
struct CanvasStamp {
    CGeCanvas& canvas;

    bool SetAxis(CRlfShape* shape, double* a, double* b) const { return shape->SetCAxis(a, b) != 0; }
    bool Range(const CRlfShape& shape, int& i0, int& i1, int& j0, int& j1) const
    {
        i0 = canvas.Get_IndexMin(shape.updateBox[0], 0);
        i1 = canvas.Get_IndexMin(shape.updateBox[2], 0);
        j0 = canvas.Get_IndexMax(shape.updateBox[1], 1);
        j1 = canvas.Get_IndexMax(shape.updateBox[3], 1);
        return j0 <= j1;
    }
    void Row(const CRlfShape& shape, int span, int i0, int i1, int j) const
    {
        float* row = canvas.heights[j];
        float* ground = canvas.ground ? canvas.ground[j] : nullptr;
        for (int i = i0; i <= i1; ++i) {
            if (ground)
                shape.CalcHeight(span, canvas.xs[i], canvas.ys[j], row[i], ground[i]);
            else
                shape.CalcHeight(span, canvas.xs[i], canvas.ys[j], row[i]);
        }
    }
};

// No canvas to stamp into: the segments are only polled through.
struct NoStamp {
    bool SetAxis(CRlfShape*, double*, double*) const { return false; }
    bool Range(const CRlfShape&, int&, int&, int&, int&) const { return false; }
    void Row(const CRlfShape&, int, int, int, int) const {}
};

bool CanvasUsable(const CGeCanvas* canvas)
{
    return canvas && canvas->heights && canvas->xs && canvas->ys && canvas->nx >= 1 && canvas->ny >= 1;
}

// Stamps one curve's skeleton segments with the shape, no cancel.
template <class Stamp>
void StampCurve(CCLineCurve& curve, CRlfShape* shape, const Stamp& stamp)
{
    std::vector<Segment> segments;
    AddSegments(curve, *shape, segments);
    std::vector<Axis> axes;
    SetAxes(segments, shape, stamp, [] { return false; }, -1, 0.0f, axes);
    StampAxes(axes, shape, stamp);
}

}  // namespace

void CRlfGrid::ClearAll()
{
    heights.clear();
    heights.shrink_to_fit();
    xs.clear();
    xs.shrink_to_fit();
    ys.clear();
    ys.shrink_to_fit();
    x0 = y0 = kEmptyLow;
    x1 = y1 = kEmptyHigh;
    nx = ny = -1;
}

int CRlfGrid::Allocate(int cols, int rows)
{
    const auto total = static_cast<std::size_t>(cols + 1) * static_cast<std::size_t>(rows + 1);
    if (total > kMaxNodes)
        return 0;
    try {
        heights.assign(total, 0.0f);
        xs.resize(static_cast<std::size_t>(cols) + 1);
        ys.resize(static_cast<std::size_t>(rows) + 1);
    } catch (const std::bad_alloc&) {
        return 0;
    } catch (const std::length_error&) {
        return 0;
    }
    nx = cols;
    ny = rows;
    for (int i = 0; i <= nx; ++i)
        xs[static_cast<std::size_t>(i)] = x0 + static_cast<float>(i) * dx;
    for (int j = 0; j <= ny; ++j)
        ys[static_cast<std::size_t>(j)] = y0 + static_cast<float>(j) * dy;
    return 1;
}

int CRlfGrid::InitBuffer(int cols, int rows)
{
    const float ox = x0, oy = y0;
    ClearAll();
    if (cols <= 0 || rows <= 0 || !GoodSpacing(dx) || !GoodSpacing(dy) || !std::isfinite(ox) || !std::isfinite(oy))
        return 0;
    x0 = ox;
    y0 = oy;
    x1 = x0 + static_cast<float>(cols) * dx;
    y1 = y0 + static_cast<float>(rows) * dy;
    if (!Allocate(cols, rows)) {
        ClearAll();
        return 0;
    }
    return 1;
}

int CRlfGrid::InitBitmap(float xmin, float xmax, float ymin, float ymax)
{
    ClearAll();
    if (!GoodSpacing(dx) || !GoodSpacing(dy) || !std::isfinite(xmin) || !std::isfinite(xmax) || !std::isfinite(ymin) ||
        !std::isfinite(ymax))
        return 0;
    const double i0 = std::floor(static_cast<double>(xmin) / dx), i1 = std::ceil(static_cast<double>(xmax) / dx);
    const double j0 = std::floor(static_cast<double>(ymin) / dy), j1 = std::ceil(static_cast<double>(ymax) / dy);
    const double cols = i1 - i0, rows = j1 - j0;
    constexpr double kMaxCount = std::numeric_limits<int>::max() - 1;
    if (!(cols > 0) || !(rows > 0) || cols > kMaxCount || rows > kMaxCount)
        return 0;
    x0 = static_cast<float>(i0 * dx);
    x1 = static_cast<float>(i1 * dx);
    y0 = static_cast<float>(j0 * dy);
    y1 = static_cast<float>(j1 * dy);
    if (!Allocate(static_cast<int>(cols), static_cast<int>(rows))) {
        ClearAll();
        return 0;
    }
    return 1;
}

int CRlfGrid::InitHeight(float h)
{
    if (heights.empty())
        return 0;
    std::fill(heights.begin(), heights.end(), h);
    return 1;
}

void CRlfGrid::ScaleBitmap(float s)
{
    for (float& h : heights)
        h *= s;
}

int CRlfGrid::MergeBitmap(int mode, CRlfGrid& other)
{
    if (!other.HasRows())
        return 0;
    if (!HasRows()) {
        if (!InitBitmap(other.x0, other.x1, other.y0, other.y1))
            return 0;
    } else {
        const float ux0 = std::min(x0, other.x0), uy0 = std::min(y0, other.y0);
        const float ux1 = std::max(x1, other.x1), uy1 = std::max(y1, other.y1);
        const int cols = static_cast<int>(std::ceil((ux1 - ux0) / dx - 0.5f));
        const int rows = static_cast<int>(std::ceil((uy1 - uy0) / dy - 0.5f));
        if (cols != nx || rows != ny) {
            const int oc = static_cast<int>(std::ceil((x0 - ux0) / dx - 0.5f));
            const int orow = static_cast<int>(std::ceil((y0 - uy0) / dy - 0.5f));
            std::vector<float> old;
            old.swap(heights);
            const int oldNx = nx, oldNy = ny;
            x0 = ux0;
            y0 = uy0;
            x1 = x0 + static_cast<float>(cols) * dx;
            y1 = y0 + static_cast<float>(rows) * dy;
            if (!Allocate(cols, rows)) {
                ClearAll();
                return 0;
            }
            for (int j = 0; j <= oldNy; ++j)
                for (int i = 0; i <= oldNx; ++i) {
                    const int c = oc + i, r = orow + j;
                    if (c >= 0 && c <= nx && r >= 0 && r <= ny)
                        Row(r)[c] = old[static_cast<std::size_t>(j) * static_cast<std::size_t>(oldNx + 1) + i];
                }
        }
    }
    if (mode < 0 || mode > 2)
        return 1;
    const int b = static_cast<int>(std::ceil((other.y0 - y0) / dy - 0.5f));
    const int c = static_cast<int>(std::ceil((other.x0 - x0) / dx - 0.5f));
    for (int j = 0; j <= other.ny; ++j) {
        const int r = b + j;
        if (r < 0 || r > ny)
            continue;
        const float* src = other.Row(j);
        float* dst = Row(r);
        for (int i = 0; i <= other.nx; ++i) {
            const int k = c + i;
            if (k < 0 || k > nx)
                continue;
            dst[k] = mode == 0 ? dst[k] + src[i] : mode == 1 ? std::max(dst[k], src[i]) : std::min(dst[k], src[i]);
        }
    }
    return 1;
}

int CRlfGrid::SmoothBitmap(int kind, int passes, float radius)
{
    if (!HasRows())
        return 0;
    const int wx = KernelWidth(radius, dx), wy = KernelWidth(radius, dy);
    double cx[kMaxKernel], cy[kMaxKernel];
    DefineVertexCoef(kind, wx, cx);
    DefineVertexCoef(kind, wy, cy);
    const int hx = wx / 2, hy = wy / 2;
    const int cols = nx + 1, rows = ny + 1;
    std::vector<float> scratch(heights.size());
    for (int pass = 0; pass <= passes; ++pass) {
#pragma omp parallel for schedule(static)
        for (int j = 0; j < rows; ++j) {
            const float* src = Row(j);
            float* dst = scratch.data() + static_cast<std::size_t>(j) * cols;
            for (int i = 0; i < cols; ++i) {
                double s = 0;
                for (int k = 0; k < wx; ++k)
                    s += cx[k] * src[std::clamp(i + k - hx, 0, cols - 1)];
                dst[i] = static_cast<float>(s);
            }
        }
#pragma omp parallel for schedule(static)
        for (int j = 0; j < rows; ++j) {
            float* dst = Row(j);
            for (int i = 0; i < cols; ++i) {
                double s = 0;
                for (int k = 0; k < wy; ++k)
                    s += cy[k] * scratch[static_cast<std::size_t>(std::clamp(j + k - hy, 0, rows - 1)) * cols + i];
                dst[i] = static_cast<float>(s);
            }
        }
    }
    return 1;
}

int CRlfGrid::ModifyBitmap(CCLineCurve& curve, CRlfShape* shape)
{
    if (!HasRows())
        return shape ? 1 : 0;
    if (!shape)
        return 0;
    StampCurve(curve, shape, GridStamp{*this});
    return 1;
}

int CRlfGrid::ProjectPoint(float x, float y, float& z, int mode)
{
    if (!HasRows())
        return 0;
    const float fx = (x - x0) / dx, fy = (y - y0) / dy;
    if (!(fx >= 0.0f) || !(fy >= 0.0f))
        return 0;
    const float fi = std::floor(fx), fj = std::floor(fy);
    if (!(fi < static_cast<float>(nx)) || !(fj < static_cast<float>(ny)))
        return 0;
    const int i = static_cast<int>(fi), j = static_cast<int>(fj);
    const float u = fx - fi, v = fy - fj;
    const float* r0 = Row(j);
    const float* r1 = Row(j + 1);
    const float h = (r0[i] * (1.0f - u) + r0[i + 1] * u) * (1.0f - v) + (r1[i] * (1.0f - u) + r1[i + 1] * u) * v;
    switch (mode) {
    case 100:
    case 300:
        z = z + h;
        return 1;
    case 200:
    case 400:
        z = h - z;
        return 1;
    case 500:
        if (z > h)
            return 0;
        z = h;
        return 1;
    case 600:
        if (z < h)
            return 0;
        z = h;
        return 1;
    case 700:
        z = h;
        return 1;
    default:
        return 0;
    }
}

namespace {

void PutU16(std::vector<unsigned char>& b, std::uint16_t v)
{
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}

void PutU32(std::vector<unsigned char>& b, std::uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        b.push_back(static_cast<unsigned char>(v >> (8 * k)));
}

}  // namespace

int CRlfGrid::SaveBitmap(char* path)
{
    if (nx <= 0 || ny <= 0 || !HasRows() || !path)
        return 0;
    const std::uint32_t w = (static_cast<std::uint32_t>(nx) + 1 + 3) & ~3u;
    const std::uint64_t image = static_cast<std::uint64_t>(ny + 1) * w;
    if (image + 1078 > 0xffffffffu)
        return 0;
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return 0;
    std::vector<unsigned char> head;
    head.push_back('B');
    head.push_back('M');
    PutU32(head, static_cast<std::uint32_t>(image + 1078));
    PutU16(head, 0);
    PutU16(head, 1);
    PutU32(head, 1078);
    PutU32(head, 40);
    PutU32(head, static_cast<std::uint32_t>(nx + 1));
    PutU32(head, static_cast<std::uint32_t>(ny + 1));
    PutU16(head, 1);
    PutU16(head, 8);
    PutU32(head, 0);
    PutU32(head, static_cast<std::uint32_t>(image));
    PutU32(head, 10000);
    PutU32(head, 10000);
    PutU32(head, 0);
    PutU32(head, 0);
    for (int g = 0; g < 256; ++g) {
        const auto c = static_cast<unsigned char>(g);
        head.insert(head.end(), {c, c, c, 0});
    }
    float top = 0.0f;
    for (float h : heights)
        top = std::max(top, h);
    const float factor = top < 0.01f ? 0.0f : 250.0f / top;
    bool ok = std::fwrite(head.data(), 1, head.size(), f) == head.size();
    std::vector<unsigned char> line(w, 0);
    for (int j = 0; j <= ny && ok; ++j) {
        const float* r = Row(j);
        for (int i = 0; i <= nx; ++i) {
            const float v = r[i] * factor;
            // The low byte of the truncated value, as the dump always wrote it.
            const auto k = std::isfinite(v) && std::fabs(v) < 2e9f ? static_cast<int>(v) : 0;
            line[static_cast<std::size_t>(i)] = static_cast<unsigned char>(k & 0xff);
        }
        ok = std::fwrite(line.data(), 1, w, f) == w;
    }
    ok = std::fclose(f) == 0 && ok;
    return ok ? 1 : 0;
}

int StampSkeletonOnCanvas(CGeCanvas* canvas, CCLineCurve& curve, CRlfShape* shape)
{
    if (!CanvasUsable(canvas))
        return shape ? 1 : 0;
    if (!shape)
        return 0;
    StampCurve(curve, shape, CanvasStamp{*canvas});
    return 1;
}

namespace {

// The region's skeleton polylines with the largest inscribed radius; null when the region
// gives no loop or no skeleton.
CCLineCurve* RegionSkeleton(CGeRegion* region, int wideCorners, float& radius)
{
    radius = 0;
    CSmartLoop* loop = ConvertRegionToSmartLoop(region);
    if (!loop)
        return nullptr;
    CCLineCurve* list = BuildLoopSkeleton(loop, wideCorners, &radius);
    delete loop;
    return list;
}

// Stamps the skeletons of all regions: the caller's thread builds each region's skeleton
// and hands it to `begin` (null when the region gives none), sets its segments on the
// shape and polls `cancel` before each polyline; the team stamps the axes of each region
// (`eachRegion`) or of all at the end, so the threads wait for no skeleton. False when
// cancelled, with the axes set before the cancel stamped.
template <class Stamp, class Begin, class Cancel>
bool StampRegions(RlfRegionList* regions, CRlfShape* shape, int wideCorners, const Stamp& stamp, Begin&& begin,
                  Cancel&& cancel, bool eachRegion)
{
    std::vector<Axis> axes;
    std::vector<Segment> segments;
    bool done = true;
    int number = 0;
    for (POSITION pos = regions->GetHeadPosition(); pos && done; ++number) {
        CGeRegion* region = regions->GetNext(pos);
        float radius = 0;
        CCLineCurve* list = RegionSkeleton(region, wideCorners, radius);
        if (list)
            shape->SetMaxSpan(radius);
        begin(list);
        segments.clear();
        for (const CCLineCurve* c = list; c; c = c->next)
            AddSegments(*c, *shape, segments);
        done = SetAxes(segments, shape, stamp, cancel, number, radius, axes);
        DeleteSkeleton(list);
        if (eachRegion) {
            StampAxes(axes, shape, stamp);
            axes.clear();
        }
    }
    StampAxes(axes, shape, stamp);
    return done;
}

}  // namespace

void gcCreateRlfGrid(CRlfGrid* grid, RlfRegionList* regions, CRlfShape* shape)
{
    if (!grid || !regions || regions->IsEmpty() || !shape || !grid->HasRows())
        return;
    StampRegions(
        regions, shape, 1, GridStamp{*grid}, [](CCLineCurve*) {}, [] { return false; }, false);
}

int gcCreateCanvas(CGeCanvas* canvas, RlfRegionList* regions, CRlfShape* shape)
{
    if (!canvas || !regions || regions->IsEmpty() || !shape)
        return 0;
    CQProgress progress;
    const double share = 1.0 / regions->GetCount();
    double polylineShare = share;
    auto begin = [&](CCLineCurve* list) {
        if (!list) {
            progress.SetRange(share);
            return;
        }
        int count = 0;
        for (CCLineCurve* c = list; c; c = c->next)
            ++count;
        polylineShare = share / count;
    };
    auto cancel = [&] {
        progress.SetRange(polylineShare);
        return gIsProgressCancel() != 0;
    };
    if (!CanvasUsable(canvas)) {
        // Nothing to stamp into: the skeletons are still built and the progress still runs.
        return StampRegions(regions, shape, shape->skeletonMode, NoStamp{}, begin, cancel, true) ? 1 : 0;
    }
    return StampRegions(regions, shape, shape->skeletonMode, CanvasStamp{*canvas}, begin, cancel, true) ? 1 : 0;
}

void gcGetModifiedNode(CGeCanvas* canvas, CRlfGrid* grid, std::vector<SRlfNode>& out)
{
    if (!canvas || !grid || !grid->HasRows() || !canvas->xs || !canvas->ys || canvas->nx < 1 || canvas->ny < 1)
        return;
    BOX2<double> cb;
    canvas->GetBox2D(&cb);
    const double bx0 = std::max<double>(cb.xmin, grid->x0), bx1 = std::min<double>(cb.xmax, grid->x1);
    const double by0 = std::max<double>(cb.ymin, grid->y0), by1 = std::min<double>(cb.ymax, grid->y1);
    if (!(bx0 <= bx1) || !(by0 <= by1))
        return;
    const int c0 = canvas->Get_IndexMin(static_cast<float>(bx0), 0), c1 = canvas->Get_IndexMax(static_cast<float>(bx1), 0);
    const int r0 = canvas->Get_IndexMin(static_cast<float>(by0), 1), r1 = canvas->Get_IndexMax(static_cast<float>(by1), 1);
    const auto cols = static_cast<std::int64_t>(canvas->nx);
    out.reserve(out.size() + static_cast<std::size_t>(r1 - r0 + 1) * static_cast<std::size_t>(c1 - c0 + 1));
    // Each canvas node takes the grid node nearest to its coordinates, on both axes alike,
    // so grids of another origin or spacing land where they belong.
    auto nearest = [](float v, float o, float d, int n) {
        const double q = (static_cast<double>(v) - o) / d;
        if (!(q >= -kOnGrid) || !(q <= n + kOnGrid))
            return -1;
        return static_cast<int>(std::clamp(std::floor(q + 0.5), 0.0, static_cast<double>(n)));
    };
    for (int r = r0; r <= r1; ++r) {
        const int j = nearest(canvas->ys[r], grid->y0, grid->dy, grid->ny);
        if (j < 0)
            continue;
        const float* row = grid->Row(j);
        for (int c = c0; c <= c1; ++c) {
            const int i = nearest(canvas->xs[c], grid->x0, grid->dx, grid->nx);
            if (i < 0)
                continue;
            const float h = row[i];
            if (std::fabs(h) >= kChangedHeight)
                out.push_back(SRlfNode{static_cast<std::int32_t>(r * cols + c), 0, h});
        }
    }
    out.shrink_to_fit();
}
