#include "geometry/relief/GeCanvas.h"

#include "framework/looker/Dib.h"
#include "framework/looker/MemoryStatus.h"
#include "framework/looker/WorkArea.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/relief/GeRelief.h"
#include "geometry/relief/ReliefIndex.h"
#include "platform/core/Archive.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <utility>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

IMPLEMENT_SERIAL(CGeCanvas, CObject, VERSIONABLE_SCHEMA | 1)

CGeCanvas* CGeCanvas::m_Instance = nullptr;

namespace {

// Rows of one owned block: rows[j] points at row j; rows[0] is the block. Null (nothing
// left allocated) when either allocation fails.
template <class T>
T** NewRows(std::uint32_t countX, std::uint32_t countY, T fill)
{
    std::unique_ptr<T*[]> rows(new (std::nothrow) T*[countY]);
    if (!rows) return nullptr;
    const size_t cells = static_cast<size_t>(countX) * countY;
    T* block = new (std::nothrow) T[cells];
    if (!block) return nullptr;
    std::fill(block, block + cells, fill);
    for (std::uint32_t j = 0; j < countY; ++j) rows[j] = block + static_cast<size_t>(j) * countX;
    return rows.release();
}

template <class T>
void DeleteRows(T**& rows)
{
    if (!rows) return;
    delete[] rows[0];
    delete[] rows;
    rows = nullptr;
}

// Each coordinate from its index: a running float sum drifts by several cells over
// thousands of nodes.
void FillCoordinates(float* table, std::uint32_t count, float origin, float spacing)
{
    for (std::uint32_t i = 0; i < count; ++i) table[i] = origin + static_cast<float>(i) * spacing;
}

#if defined(__SSE2__)
// Lanes of a where the mask is set, of b elsewhere.
inline __m128 Select(__m128 mask, __m128 a, __m128 b) { return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b)); }
#endif

}  // namespace

CGeCanvas::CGeCanvas() = default;

CGeCanvas::~CGeCanvas()
{
    ClearCanvas();
    ClearAllTriStrip();
    FreeGrid();
    if (preview) preview->Release();
    preview = nullptr;
    DeleteBuffers();
    if (m_Instance == this) m_Instance = nullptr;
}

void CGeCanvas::Uninstance()
{
    delete m_Instance;
    m_Instance = nullptr;
}

CGeCanvas* CGeCanvas::New()
{
    Uninstance();
    m_Instance = new CGeCanvas;
    return m_Instance;
}

namespace {

// Bytes a cell really costs with its display: height, flag, ground (4 + 1 + 4), the
// position and half-float normal buffers (12 + 6) and their staging arrays while they
// are built (12 + 6), and about two strip indices (8).
constexpr double kBytesPerCell = 53.0;
// Smallest step of a canvas over the work area, and its increment under a tight budget.
constexpr float kMinWorkAreaStep = 0.1f;
constexpr float kStepIncrement = 0.1f;
// Message shown with the raised step.
constexpr UINT kStepRaisedMessage = 299;

// The memory a canvas may take: half the available physical memory at kBytesPerCell a
// cell, within the cell cap. Without a memory figure only the cell cap bounds the grid.
class MemoryBudget {
public:
    MemoryBudget() : m_known(looker::QueryAvailablePhysical(m_available)) {}
    bool Fits(double cx, double cy) const
    {
        const double bytes = cx * kBytesPerCell * cy + cx * 4.0 + cy * 4.0;
        return (!m_known || static_cast<double>(m_available) * 0.5 > bytes) &&
               std::floor(cx) * std::floor(cy) <= static_cast<double>(relief::kMaxCells);
    }

private:
    std::uint64_t m_available = 0;
    bool m_known;
};

}  // namespace

CGeCanvas* CGeCanvas::CreateFrmWorkArea(float stepWanted)
{
    if (m_Instance) return m_Instance;
    CWorkArea* area = CWorkArea::Instance();
    if (!area || !(stepWanted >= kMinWorkAreaStep)) return nullptr;
    const BOX2<double> page = area->GetPageSize();
    const float w = static_cast<float>(std::fabs(page.xmax - page.xmin));
    const float h = static_cast<float>(std::fabs(page.ymax - page.ymin));
    float origin[2] = {0.0f, 0.0f};
    if (area->GetOrigin() != 1) {
        origin[0] = -w * 0.5f;
        origin[1] = -h * 0.5f;
    }
    const MemoryBudget budget;
    float spacing = stepWanted;
    bool raised = false;
    double cx = 0.0, cy = 0.0;
    for (;;) {
        cx = w / spacing + 1.0;
        cy = h / spacing + 1.0;
        if (!(cx >= 2.0 && cy >= 2.0)) return nullptr;
        if (budget.Fits(cx, cy)) break;
        const float next = spacing + kStepIncrement;
        if (next == spacing) return nullptr;  // the step no longer grows
        spacing = next;
        raised = true;
    }
    if (raised) looker::ShowResourceMessage(kStepRaisedMessage, spacing);
    auto canvas = std::make_unique<CGeCanvas>();
    if (!canvas->Create(origin, spacing, static_cast<int>(cx), static_cast<int>(cy))) return nullptr;
    m_Instance = canvas.release();
    return m_Instance;
}

void CGeCanvas::FreeGrid()
{
    delete[] xs;
    delete[] ys;
    xs = ys = nullptr;
    DeleteRows(heights);
    DelGrnd();
    DeleteRows(flags);
}

void CGeCanvas::ClearCanvas()
{
    delete grid;
    grid = nullptr;
    ClearAllTriStrip();
}

void CGeCanvas::ClearAllTriStrip()
{
    delete[] strip;
    strip = nullptr;
    stripCount = 0;
}

int CGeCanvas::CreateMini(float* origin, float spacing, int countX, int countY)
{
    if (!relief::IsGridCountValid(countX, countY)) return 0;
    const auto cx = static_cast<std::uint32_t>(countX), cy = static_cast<std::uint32_t>(countY);
    std::unique_ptr<float[]> newXs(new (std::nothrow) float[cx]);
    std::unique_ptr<float[]> newYs(new (std::nothrow) float[cy]);
    float** newHeights = (newXs && newYs) ? NewRows(cx, cy, kEmptyHeight) : nullptr;
    if (!newHeights) return 0;
    FreeGrid();
    ClearAllTriStrip();
    // Records sized for the old grid would be written past their end.
    ReleaseRecords();
    originX = origin[0];
    originY = origin[1];
    step = spacing;
    nx = cx;
    ny = cy;
    xs = newXs.release();
    ys = newYs.release();
    heights = newHeights;
    FillCoordinates(xs, nx, originX, step);
    FillCoordinates(ys, ny, originY, step);
    m_box.xmin = originX;
    m_box.ymin = originY;
    m_box.xmax = originX + static_cast<double>(nx) * step;
    m_box.ymax = originY + static_cast<double>(ny) * step;
    m_box.zmin = m_box.zmax = heights[0][0];
    return 1;
}

int CGeCanvas::Create(float* origin, float spacing, int countX, int countY)
{
    if (!CreateMini(origin, spacing, countX, countY)) return 0;
    const double ex = originX + static_cast<double>(spacing) * nx, ey = originY + static_cast<double>(spacing) * ny;
    m_box.xmin = std::min<double>(originX, ex);
    m_box.xmax = std::max<double>(originX, ex);
    m_box.ymin = std::min<double>(originY, ey);
    m_box.ymax = std::max<double>(originY, ey);
    m_box.zmin = m_box.zmax = 0.0;
    MakePreview(1);
    return 1;
}

int CGeCanvas::Create(float* origin, float spacing, float width, float height)
{
    float snapped[2] = {static_cast<float>(static_cast<int>(origin[0])), static_cast<float>(static_cast<int>(origin[1]))};
    const double cx = (origin[0] + width - snapped[0]) / spacing, cy = (origin[1] + height - snapped[1]) / spacing;
    if (!(cx < 2147483647.0 && cy < 2147483647.0)) return 0;  // also NaN
    return Create(snapped, spacing, static_cast<int>(cx), static_cast<int>(cy));
}

int CGeCanvas::CreateGrnd(float value)
{
    DelGrnd();
    if (!heights) return 0;
    ground = NewRows(nx, ny, value);
    return ground ? 1 : 0;
}

void CGeCanvas::DelGrnd() { DeleteRows(ground); }

bool CGeCanvas::ClampBox(const BOX2<int>& in, BOX2<int>& out) const
{
    if (nx == 0 || ny == 0) return false;
    out.xmin = std::max(in.xmin, 0);
    out.ymin = std::max(in.ymin, 0);
    out.xmax = std::min(in.xmax, static_cast<int>(nx) - 1);
    out.ymax = std::min(in.ymax, static_cast<int>(ny) - 1);
    return out.xmin <= out.xmax && out.ymin <= out.ymax;
}

void CGeCanvas::ResetFlag(int fill, BOX2<int>* box)
{
    if (!heights) return;
    const auto value = static_cast<unsigned char>(fill);
    if (!flags) {
        flags = NewRows<unsigned char>(nx, ny, value);
        if (!flags) return;
    } else if (!box) {
        std::fill(flags[0], flags[0] + static_cast<size_t>(nx) * ny, value);
    }
    BOX2<int> b;
    if (!box || !ClampBox(*box, b)) return;
    for (int y = b.ymin; y <= b.ymax; ++y) std::fill(flags[y] + b.xmin, flags[y] + b.xmax + 1, value);
}

void CGeCanvas::SetNodePassed(BOX2<int>& box)
{
    BOX2<int> b;
    if (!flags || !ClampBox(box, b)) return;
    for (int y = b.ymin; y <= b.ymax; ++y)
        for (int x = b.xmin; x <= b.xmax; ++x)
            if (flags[y][x] == 1) flags[y][x] = 2;
}

namespace {

// Blends of UpdateHeight, each on one cell and on four lanes with the same result bits:
// _mm_max_ps(v, h) is v > h ? v : h, as std::max(h, v), and _mm_min_ps(v, h) is
// v < h ? v : h, as std::min(h, v), NaNs and signed zeros included.
struct BlendAdd {
    float operator()(float h, float v) const { return h + v; }
#if defined(__SSE2__)
    __m128 operator()(__m128 h, __m128 v) const { return _mm_add_ps(h, v); }
#endif
};
struct BlendSubtract {
    float operator()(float h, float v) const { return h - v; }
#if defined(__SSE2__)
    __m128 operator()(__m128 h, __m128 v) const { return _mm_sub_ps(h, v); }
#endif
};
struct BlendMax {
    float operator()(float h, float v) const { return h == CGeCanvas::kEmptyHeight ? v : std::max(h, v); }
#if defined(__SSE2__)
    __m128 operator()(__m128 h, __m128 v) const
    {
        return Select(_mm_cmpeq_ps(h, _mm_set1_ps(CGeCanvas::kEmptyHeight)), v, _mm_max_ps(v, h));
    }
#endif
};
struct BlendMin {
    float operator()(float h, float v) const { return h == CGeCanvas::kEmptyHeight ? v : std::min(h, v); }
#if defined(__SSE2__)
    __m128 operator()(__m128 h, __m128 v) const
    {
        return Select(_mm_cmpeq_ps(h, _mm_set1_ps(CGeCanvas::kEmptyHeight)), v, _mm_min_ps(v, h));
    }
#endif
};
struct BlendReplace {
    float operator()(float, float v) const { return v; }
#if defined(__SSE2__)
    __m128 operator()(__m128, __m128 v) const { return v; }
#endif
};
struct BlendKeep {
    float operator()(float h, float) const { return h; }
#if defined(__SSE2__)
    __m128 operator()(__m128 h, __m128) const { return h; }
#endif
};

// One row of UpdateHeight over count cells. Per cell: flag 2 is left alone; otherwise
// the flag becomes 1 and a non-zero relief value is blended in. The next* rows are
// only fetched into the cache.
template <class Blend>
void BlendRow(float* row, unsigned char* flag, const float* src, int count, const float* nextRow,
              const unsigned char* nextFlag, const float* nextSrc, Blend blend)
{
    int k = 0;
#if defined(__SSE2__)
    // Sixteen cells a step: the flag bytes widened to lane masks, no branch per cell.
    const __m128i two = _mm_set1_epi8(2), one = _mm_set1_epi8(1);
    const __m128 zero = _mm_setzero_ps();
    for (; k + 16 <= count; k += 16) {
        _mm_prefetch(reinterpret_cast<const char*>(nextRow + k), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(nextFlag + k), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(nextSrc + k), _MM_HINT_T0);
        const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(flag + k));
        const __m128i passed = _mm_cmpeq_epi8(f, two);
        // 1 where open, 2 (1 - (-1)) where passed.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(flag + k), _mm_sub_epi8(one, passed));
        const __m128i lo = _mm_unpacklo_epi8(passed, passed), hi = _mm_unpackhi_epi8(passed, passed);
        const __m128i lanes[4] = {_mm_unpacklo_epi16(lo, lo), _mm_unpackhi_epi16(lo, lo), _mm_unpacklo_epi16(hi, hi),
                                  _mm_unpackhi_epi16(hi, hi)};
        for (int q = 0; q < 4; ++q) {
            float* h = row + k + 4 * q;
            const __m128 hv = _mm_loadu_ps(h), v = _mm_loadu_ps(src + k + 4 * q);
            const __m128 take = _mm_andnot_ps(_mm_castsi128_ps(lanes[q]), _mm_cmpneq_ps(v, zero));
            _mm_storeu_ps(h, Select(take, blend(hv, v), hv));
        }
    }
#endif
    for (; k < count; ++k) {
        const bool open = flag[k] != 2;
        const float h = row[k], v = src[k];
        flag[k] = open ? 1 : 2;
        row[k] = (open && v != 0.0f) ? blend(h, v) : h;
    }
}

// The rows of UpdateHeight, one instance per blend so that no mode is looked at per cell.
template <class Blend>
void BlendRows(float** heights, unsigned char** flags, const CGeRelief& relief, int cx0, int cx1, int cy0, int cy1,
               int rx0, int rx1, int ry0, int ry1, Blend blend)
{
    const int count = std::min(cx1 - cx0, rx1 - rx0) + 1;
    if (count <= 0) return;
    const auto source = [&](int ry) { return relief.heights + static_cast<size_t>(ry) * relief.nx + rx0; };
    // Canvas rows lie 4·nx bytes apart, a jump the hardware prefetcher does not follow:
    // the next row's cells are asked for while this one is blended.
    for (int cy = cy0, ry = ry0; cy <= cy1 && ry <= ry1; ++cy, ++ry) {
        const int next = std::min(cy + 1, cy1), nextRy = std::min(ry + 1, ry1);
        BlendRow(heights[cy] + cx0, flags[cy] + cx0, source(ry), count, heights[next] + cx0, flags[next] + cx0,
                 source(nextRy), blend);
    }
}

}  // namespace

void CGeCanvas::UpdateHeight(CGeRelief* relief, BOX2<int>& box, unsigned mode)
{
    BOX2<int> ibox;
    if (!relief || !relief->heights || !flags || !ClampBox(box, ibox)) return;
    BOX2<double> rb, cb = GetBoxFrmIndex(ibox);
    relief->GetBox2d(&rb);
    const BOX2<double> ib(std::max(rb.xmin, cb.xmin), std::max(rb.ymin, cb.ymin), std::min(rb.xmax, cb.xmax),
                          std::min(rb.ymax, cb.ymax));
    if (ib.xmin > ib.xmax || ib.ymin > ib.ymax) return;
    const int ox = Get_Index(relief->originX, 0), oy = Get_Index(relief->originY, 1);
    int cx0 = Get_Index(static_cast<float>(ib.xmin), 0), cx1 = Get_Index(static_cast<float>(ib.xmax), 0);
    int cy0 = Get_Index(static_cast<float>(ib.ymin), 1), cy1 = Get_Index(static_cast<float>(ib.ymax), 1);
    const int rnx = static_cast<int>(relief->nx), rny = static_cast<int>(relief->ny);
    int rx0 = xs[0] > relief->originX ? relief->Get_Index(static_cast<float>(ib.xmin), 0) : cx0 - ox;
    int ry0 = ys[0] > relief->originY ? relief->Get_Index(static_cast<float>(ib.ymin), 1) : cy0 - oy;
    if (rx0 < 0) {
        rx0 = 0;
        cx0 = ox;
    }
    if (rx0 >= rnx) rx0 = rnx - 1;
    if (ry0 < 0) {
        ry0 = 0;
        cy0 = oy;
    }
    if (ry0 >= rny) ry0 = rny - 1;
    const int rx1 = std::clamp(cx1 - cx0 + rx0, 0, rnx - 1), ry1 = std::clamp(cy1 - cy0 + ry0, 0, rny - 1);
    const auto walk = [&](auto blend) { BlendRows(heights, flags, *relief, cx0, cx1, cy0, cy1, rx0, rx1, ry0, ry1, blend); };
    switch (mode) {
    case kModeAdd: walk(BlendAdd{}); break;
    case kModeSubtract: walk(BlendSubtract{}); break;
    case kModeMax: walk(BlendMax{}); break;
    case kModeMin: walk(BlendMin{}); break;
    case kModeReplace: walk(BlendReplace{}); break;
    default: walk(BlendKeep{}); break;
    }
}

void CGeCanvas::ReverseZ()
{
    if (!heights) return;
    for (float* h = heights[0], *end = h + static_cast<size_t>(nx) * ny; h != end; ++h) *h = -*h;
}

namespace {

// One smoothed cell: a third of the way towards the mean of its four neighbours.
inline void SmoothCell(const float* below, float* row, const float* above, std::uint32_t i)
{
    const float m = (below[i] + above[i] + row[i - 1] + row[i + 1]) / 4.0f;
    row[i] += (m - row[i]) * 0.33f;
}

}  // namespace

void CGeCanvas::LapSmooth()
{
    if (!heights) return;
    // In place, rows upwards and each row left to right: a cell sees its lower and left
    // neighbours already smoothed. As each cell waits on its left neighbour, one row is
    // one long chain of dependent operations; so a band of rows runs as a wavefront,
    // row k of the band k columns behind its first row. Every cell still finds its
    // lower and left neighbours smoothed and its upper and right ones not, and the
    // band's rows are independent chains.
    constexpr std::uint32_t kRows = 8;
    const std::uint32_t last = nx >= 2 ? nx - 2 : 0;  // last interior column
    std::uint32_t j = 1;
    for (; nx >= 3 && j + kRows < ny; j += kRows) {
        float* rows[kRows + 2];
        for (std::uint32_t k = 0; k < kRows + 2; ++k) rows[k] = heights[j - 1 + k];
        // Step t smooths column t - k of band row k where that column is interior.
        const auto edgeStep = [&](std::uint32_t t) {
            for (std::uint32_t k = 0; k < kRows; ++k)
                if (t >= k + 1 && t - k <= last) SmoothCell(rows[k], rows[k + 1], rows[k + 2], t - k);
        };
        std::uint32_t t = 1;
        for (; t < kRows && t <= last; ++t) edgeStep(t);
        for (; t <= last; ++t) {
#pragma GCC unroll 8
            for (std::uint32_t k = 0; k < kRows; ++k) SmoothCell(rows[k], rows[k + 1], rows[k + 2], t - k);
        }
        for (; t < last + kRows; ++t) edgeStep(t);
    }
    for (; j + 1 < ny; ++j)
        for (std::uint32_t i = 1; i + 1 < nx; ++i) SmoothCell(heights[j - 1], heights[j], heights[j + 1], i);
    CalcBox();
}

float CGeCanvas::Interplate(float x, float y) const
{
    if (!heights) return 0.0f;
    if (x < 0.0f || x > nx * step || y < 0.0f || y > ny * step) return 0.0f;
    const float k = static_cast<float>(1.0 / step);
    const int i = std::clamp(static_cast<int>(x * k), 0, static_cast<int>(nx) - 1);
    const int j = std::clamp(static_cast<int>(y * k), 0, static_cast<int>(ny) - 1);
    const int i1 = std::min(i + 1, static_cast<int>(nx) - 1), j1 = std::min(j + 1, static_cast<int>(ny) - 1);
    const float a = x - step * i, b = step * i1 - x, c = step * j1 - y, d = y - step * j;
    const float h00 = heights[j][i], h10 = heights[j][i1], h01 = heights[j1][i], h11 = heights[j1][i1];
    const float r0 = k * (h10 * a + h00 * b);
    if (i != i1 && j != j1) return k * (c * r0 + d * k * (h11 * a + h01 * b));
    if (i != i1) return r0;
    if (j != j1) return k * (h00 * c + h01 * d);
    return h00;
}

namespace {

// Appends the cell to the open run or opens one; closes the run at an empty cell.
class RunBuilder {
public:
    explicit RunBuilder(std::vector<RlfIndexData>& runs) : m_runs(runs) { m_runs.clear(); }
    void Cell(std::uint32_t c, float h)
    {
        if (std::fabs(h) > CGeCanvas::kEmptyHeight) {
            if (!m_open) {
                m_runs.emplace_back();
                m_runs.back().first = c;
                m_open = true;
            }
            m_runs.back().last = c;
            m_runs.back().heights.emplace_back(h);
        } else {
            m_open = false;
        }
    }
    void Close() { m_open = false; }

private:
    std::vector<RlfIndexData>& m_runs;
    bool m_open = false;
};

// The first cell from c on whose height is not empty (|h| > kEmptyHeight, so not NaN),
// or end; sixteen cells a step over empty stretches.
size_t NextNonEmpty(const float* h, size_t c, size_t end)
{
#if defined(__SSE2__)
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    const __m128 empty = _mm_set1_ps(CGeCanvas::kEmptyHeight);
    for (; c + 16 <= end; c += 16) {
        int found = 0;
        for (int q = 0; q < 4; ++q)
            found |= _mm_movemask_ps(_mm_cmpgt_ps(_mm_and_ps(_mm_loadu_ps(h + c + 4 * q), magnitude), empty));
        if (found) break;
    }
#endif
    while (c < end && !(std::fabs(h[c]) > CGeCanvas::kEmptyHeight)) ++c;
    return c;
}

// The values std::minmax_element finds among n heights (its first least and last
// greatest). Without NaN, equal values other than zeros have equal bits, so lane-wise
// minima and maxima give the same answer unless it is a zero of either sign; then, and
// with NaN about, the ordered search decides.
std::pair<float, float> HeightRange(const float* h, size_t n)
{
#if defined(__SSE2__)
    if (n >= 16) {
        __m128 lo = _mm_loadu_ps(h), hi = lo, nan = _mm_setzero_ps();
        const auto take = [&](const float* p) {
            const __m128 a = _mm_loadu_ps(p), b = _mm_loadu_ps(p + 4), c = _mm_loadu_ps(p + 8), d = _mm_loadu_ps(p + 12);
            lo = _mm_min_ps(lo, _mm_min_ps(_mm_min_ps(a, b), _mm_min_ps(c, d)));
            hi = _mm_max_ps(hi, _mm_max_ps(_mm_max_ps(a, b), _mm_max_ps(c, d)));
            nan = _mm_or_ps(nan, _mm_or_ps(_mm_cmpunord_ps(a, b), _mm_cmpunord_ps(c, d)));
        };
        size_t i = 0;
        for (; i + 16 <= n; i += 16) take(h + i);
        if (i < n) take(h + n - 16);  // the last sixteen again, overlapping
        if (_mm_movemask_ps(nan) == 0) {
            alignas(16) float l[4], u[4];
            _mm_store_ps(l, lo);
            _mm_store_ps(u, hi);
            const float least = std::min({l[0], l[1], l[2], l[3]}), greatest = std::max({u[0], u[1], u[2], u[3]});
            if (least != 0.0f && greatest != 0.0f) return {least, greatest};
        }
    }
#endif
    const auto [lo, hi] = std::minmax_element(h, h + n);
    return {*lo, *hi};
}

}  // namespace

void CGeCanvas::CreateHeightIndexDataAll(std::vector<RlfIndexData>& runs) const
{
    RunBuilder builder(runs);
    if (!heights) return;
    const size_t cells = static_cast<size_t>(nx) * ny;
    const float* h = heights[0];
    for (size_t c = NextNonEmpty(h, 0, cells); c < cells; c = NextNonEmpty(h, c, cells)) {
        for (; c < cells && std::fabs(h[c]) > kEmptyHeight; ++c) builder.Cell(static_cast<std::uint32_t>(c), h[c]);
        builder.Close();
    }
}

void CGeCanvas::CreateHeightIndexDataLocal(CRect rect, std::vector<RlfIndexData>& runs, BOX3<double>& box) const
{
    RunBuilder builder(runs);
    BOX2<int> r;
    if (!heights || !ClampBox(BOX2<int>(rect.left, rect.top, rect.right, rect.bottom), r)) return;
    box.xmin = xs[r.xmin];
    box.ymin = ys[r.ymin];
    box.xmax = xs[r.xmax];
    box.ymax = ys[r.ymax];
    float zmin = 1e6f, zmax = -1e6f;
    std::uint32_t c = 0;
    for (int y = r.ymin; y <= r.ymax; ++y)
        for (int x = r.xmin; x <= r.xmax; ++x, ++c) {
            const float h = heights[y][x];
            zmin = std::min(zmin, h);
            zmax = std::max(zmax, h);
            builder.Cell(c, h);
        }
    box.zmin = zmin;
    box.zmax = zmax;
}

CRect CGeCanvas::CreateLocalRect(std::vector<SRlfNode>* nodes) const
{
    if (!nodes || nodes->empty() || nx == 0) return CRect(0, 0, 0, 0);
    std::uint32_t left = nx, top = ny, right = 0, bottom = 0;
    for (const SRlfNode& node : *nodes) {
        const auto index = static_cast<std::uint32_t>(node.index);
        const std::uint32_t row = index / nx, col = index - row * nx;
        left = std::min(left, col);
        right = std::max(right, col);
        top = std::min(top, row);
        bottom = std::max(bottom, row);
    }
    return CRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right), static_cast<int>(bottom));
}

CGeCanvas::Axis CGeCanvas::AxisOf(int axis) const
{
    if (axis == 0) return {xs, static_cast<int>(nx)};
    return {ys, static_cast<int>(ny)};
}

int CGeCanvas::Get_Index(float v, int axis) const
{
    const Axis ax = AxisOf(axis);
    if (!ax.table) return 0;
    if (v <= ax.table[0]) return 0;
    if (v >= ax.table[ax.count - 1]) return ax.count - 1;
    int r = static_cast<int>(static_cast<float>((v - ax.table[0]) / step));
    r = std::clamp(r, 0, ax.count - 1);
    if (v > ax.table[r] + step / 2) ++r;  // exactly halfway goes to the lower node
    return std::clamp(r, 0, ax.count - 1);
}

int CGeCanvas::Get_IndexEx(float v, int axis) const
{
    const Axis ax = AxisOf(axis);
    if (!ax.table) return 0;
    return static_cast<int>((v - ax.table[0]) / step);
}

int CGeCanvas::Get_IndexMin(float v, int axis) const
{
    const Axis ax = AxisOf(axis);
    if (!ax.table) return 0;
    if (v <= ax.table[0]) return 0;
    if (v >= ax.table[ax.count - 1]) return ax.count - 1;
    const float q = static_cast<float>((v - ax.table[0]) / step);
    int r = std::clamp(static_cast<int>(std::floor(q)), 0, ax.count - 1);
    // The single-precision quotient may land one node off the table near a node.
    if (ax.table[r] > v && r > 0) --r;
    else if (r + 1 < ax.count && ax.table[r + 1] <= v) ++r;
    return r;
}

int CGeCanvas::Get_IndexMax(float v, int axis) const
{
    const Axis ax = AxisOf(axis);
    if (!ax.table) return 0;
    if (v <= ax.table[0]) return 0;
    if (v >= ax.table[ax.count - 1]) return ax.count - 1;
    const float q = static_cast<float>((v - ax.table[0]) / step);
    int r = std::clamp(static_cast<int>(std::ceil(q)), 0, ax.count - 1);
    if (ax.table[r] < v && r + 1 < ax.count) ++r;
    else if (r > 0 && ax.table[r - 1] >= v) --r;
    return r;
}

void CGeCanvas::CalcBox()
{
    m_box.xmin = originX;
    m_box.ymin = originY;
    m_box.xmax = originX + static_cast<double>(nx) * step;
    m_box.ymax = originY + static_cast<double>(ny) * step;
    if (!heights) {
        m_box.zmin = m_box.zmax = 0.0;
        return;
    }
    const auto [lo, hi] = HeightRange(heights[0], static_cast<size_t>(nx) * ny);
    m_box.zmin = lo;
    m_box.zmax = hi;
}

BOX2<double> CGeCanvas::GetBoxFrmIndex(BOX2<int>& ibox) const
{
    return BOX2<double>(xs[ibox.xmin], ys[ibox.ymin], xs[ibox.xmax], ys[ibox.ymax]);
}

void CGeCanvas::GetNotZeroHeightBox(BOX2<double>* box) const
{
    if (!box) return;
    box->InitEmpty();
    if (!heights) return;
    for (std::uint32_t j = 0; j < ny; ++j)
        for (std::uint32_t i = 0; i < nx; ++i)
            if (std::fabs(heights[j][i]) > kEmptyHeight) {
                const double p[2] = {xs[i], ys[j]};
                box->Extend(p);
            }
}

int CGeCanvas::Pick(CPickRay& ray, int)
{
    if (ray.m_pt[0] < m_box.xmin || ray.m_pt[0] > m_box.xmax || ray.m_pt[1] < m_box.ymin || ray.m_pt[1] > m_box.ymax)
        return 0;
    ray.m_dDist = 0.0;
    return 1;
}

void CGeCanvas::Serialize(CArchive& ar)
{
    CGeShape3d::Serialize(ar);
    if (ar.IsStoring()) {
        ar << originX << originY << step << nx << ny;
        return;
    }
    float origin[2], spacing;
    int countX, countY;
    ar >> origin[0] >> origin[1] >> spacing >> countX >> countY;
    // A count of 1 or less leaves the canvas without arrays; counts past the cell cap
    // or a step that cannot place nodes only come from a damaged file. The heights are
    // not stored, so the counts alone size the grid: one past the memory budget a canvas
    // over the work area keeps to is refused too, before anything is allocated.
    if (countX <= 1 || countY <= 1) return;
    if (!relief::IsGridCountValid(countX, countY) || !(spacing > 0.0f) || !std::isfinite(spacing) ||
        !std::isfinite(origin[0]) || !std::isfinite(origin[1]) || !MemoryBudget().Fits(countX, countY))
        AfxThrowArchiveException(CArchiveException::genericException);
    if (!CreateMini(origin, spacing, countX, countY))
        AfxThrowArchiveException(CArchiveException::genericException);
}

int CGeCanvas::SerializeEx(CArchive& ar)
{
    CGeShape3d::Serialize(ar);
    return 1;
}
