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
    // Without a memory figure only the cell cap bounds the grid.
    std::uint64_t available = 0;
    const bool known = looker::QueryAvailablePhysical(available);
    float spacing = stepWanted;
    bool raised = false;
    double cx = 0.0, cy = 0.0;
    for (;;) {
        cx = w / spacing + 1.0;
        cy = h / spacing + 1.0;
        if (!(cx >= 2.0 && cy >= 2.0)) return nullptr;
        const double bytes = cx * kBytesPerCell * cy + cx * 4.0 + cy * 4.0;
        const bool fits = (!known || static_cast<double>(available) * 0.5 > bytes) &&
                          std::floor(cx) * std::floor(cy) <= static_cast<double>(relief::kMaxCells);
        if (fits) break;
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

// The row walk of UpdateHeight, one instance per blend so that the inner loop has no
// mode switch; written without branches so that it vectorises. Per cell: flag 2 is
// left alone; otherwise the flag becomes 1 and a non-zero relief value is blended in.
template <class Blend>
void BlendRows(float** heights, unsigned char** flags, const CGeRelief& relief, int cx0, int cx1, int cy0, int cy1,
               int rx0, int rx1, int ry0, int ry1, Blend blend)
{
    const int count = std::min(cx1 - cx0, rx1 - rx0) + 1;
    if (count <= 0) return;
    for (int cy = cy0, ry = ry0; cy <= cy1 && ry <= ry1; ++cy, ++ry) {
        float* row = heights[cy] + cx0;
        unsigned char* flag = flags[cy] + cx0;
        const float* src = relief.heights + static_cast<size_t>(ry) * relief.nx + rx0;
        for (int k = 0; k < count; ++k) {
            const bool open = flag[k] != 2;
            const float h = row[k], v = src[k];
            flag[k] = open ? 1 : 2;
            row[k] = (open && v != 0.0f) ? blend(h, v) : h;
        }
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
    case kModeAdd: walk([](float h, float v) { return h + v; }); break;
    case kModeSubtract: walk([](float h, float v) { return h - v; }); break;
    case kModeMax: walk([](float h, float v) { return h == kEmptyHeight ? v : std::max(h, v); }); break;
    case kModeMin: walk([](float h, float v) { return h == kEmptyHeight ? v : std::min(h, v); }); break;
    case kModeReplace: walk([](float, float v) { return v; }); break;
    default: walk([](float h, float) { return h; }); break;
    }
}

void CGeCanvas::ReverseZ()
{
    if (!heights) return;
    for (float* h = heights[0], *end = h + static_cast<size_t>(nx) * ny; h != end; ++h) *h = -*h;
}

void CGeCanvas::LapSmooth()
{
    if (!heights) return;
    for (std::uint32_t j = 1; j + 1 < ny; ++j) {
        const float* below = heights[j - 1];
        const float* above = heights[j + 1];
        float* row = heights[j];
        // In place: the left neighbour is already smoothed.
        for (std::uint32_t i = 1; i + 1 < nx; ++i) {
            const float m = (below[i] + above[i] + row[i - 1] + row[i + 1]) / 4.0f;
            row[i] += (m - row[i]) * 0.33f;
        }
    }
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

private:
    std::vector<RlfIndexData>& m_runs;
    bool m_open = false;
};

}  // namespace

void CGeCanvas::CreateHeightIndexDataAll(std::vector<RlfIndexData>& runs) const
{
    RunBuilder builder(runs);
    if (!heights) return;
    const size_t cells = static_cast<size_t>(nx) * ny;
    const float* h = heights[0];
    for (size_t c = 0; c < cells; ++c) builder.Cell(static_cast<std::uint32_t>(c), h[c]);
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
    const auto [lo, hi] = std::minmax_element(heights[0], heights[0] + static_cast<size_t>(nx) * ny);
    m_box.zmin = *lo;
    m_box.zmax = *hi;
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
    // or a step that cannot place nodes only come from a damaged file.
    if (countX <= 1 || countY <= 1) return;
    if (!relief::IsGridCountValid(countX, countY) || !(spacing > 0.0f) || !std::isfinite(spacing) ||
        !std::isfinite(origin[0]) || !std::isfinite(origin[1]))
        AfxThrowArchiveException(CArchiveException::genericException);
    if (!CreateMini(origin, spacing, countX, countY))
        AfxThrowArchiveException(CArchiveException::genericException);
}

int CGeCanvas::SerializeEx(CArchive& ar)
{
    CGeShape3d::Serialize(ar);
    return 1;
}
