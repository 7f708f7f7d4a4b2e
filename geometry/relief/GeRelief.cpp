#include "geometry/relief/GeRelief.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "geometry/relief/DepthHeights.h"
#include "geometry/relief/GridMesh.h"
#include "geometry/relief/ReliefIndex.h"
#include "geometry/shapes3d/GeMesh.h"
#include "geometry/shapes3d/GeTool3D.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

IMPLEMENT_DYNAMIC(CGeRelief, CObject)

CGeRelief::CGeRelief() = default;

CGeRelief::~CGeRelief() { Clear(); }

void CGeRelief::Clear()
{
    delete[] heights;
    heights = nullptr;
}

int CGeRelief::Create(float* origin, float spacing, int countX, int countY)
{
    if (!relief::IsGridCountValid(countX, countY)) return 0;
    float* fresh = new (std::nothrow) float[static_cast<size_t>(countX) * static_cast<size_t>(countY)]();
    if (!fresh) return 0;
    Clear();
    heights = fresh;
    step = spacing;
    nx = static_cast<std::uint32_t>(countX);
    ny = static_cast<std::uint32_t>(countY);
    originX = origin[0];
    originY = origin[1];
    const double ex = originX + static_cast<double>(spacing) * countX;
    const double ey = originY + static_cast<double>(spacing) * countY;
    box.xmin = std::min<double>(originX, ex);
    box.xmax = std::max<double>(originX, ex);
    box.ymin = std::min<double>(originY, ey);
    box.ymax = std::max<double>(originY, ey);
    box.zmin = box.zmax = 0.0;
    return 1;
}

int CGeRelief::Create(float* origin, float spacing, float width, float height)
{
    return Create(origin, spacing, static_cast<int>(width / spacing + 0.5f), static_cast<int>(height / spacing + 0.5f));
}

int CGeRelief::Create(BOX2<double> b, float spacing)
{
    float origin[2] = {static_cast<float>(b.xmin), static_cast<float>(b.ymin)};
    return Create(origin, spacing, static_cast<float>(std::fabs(b.xmax - b.xmin)),
                  static_cast<float>(std::fabs(b.ymax - b.ymin)));
}

float CGeRelief::Interplate(float x, float y) const
{
    if (!heights) return 0.0f;
    // Clamped into the node range: the bilinear weights would extrapolate outside it.
    x = std::clamp(x, 0.0f, static_cast<float>(nx - 1) * step);
    y = std::clamp(y, 0.0f, static_cast<float>(ny - 1) * step);
    const float k = 1.0f / step;
    const int i = std::clamp(static_cast<int>(x * k), 0, static_cast<int>(nx) - 1);
    const int j = std::clamp(static_cast<int>(y * k), 0, static_cast<int>(ny) - 1);
    const int i1 = std::min(i + 1, static_cast<int>(nx) - 1);
    const int j1 = std::min(j + 1, static_cast<int>(ny) - 1);
    const float a = x - i * step, b = i1 * step - x, c = j1 * step - y, d = y - j * step;
    const float h00 = GetZHeight(i, j), h10 = GetZHeight(i1, j), h11 = GetZHeight(i1, j1), h01 = GetZHeight(i, j1);
    if (i != i1 && j != j1) return k * (c * k * (a * h10 + b * h00) + d * k * (a * h11 + b * h01));
    if (i != i1) return k * (a * h10 + b * h00);
    if (j != j1) return k * (c * h00 + d * h01);
    return h00;
}

void CGeRelief::GetBasePoint(double* p) const
{
    p[0] = originX;
    p[1] = originY;
}

void CGeRelief::GetBox2d(BOX2<double>* b) const
{
    if (!b) return;
    *b = BOX2<double>(box.xmin, box.ymin, box.xmax, box.ymax);
}

void CGeRelief::CalcBox()
{
    box.xmin = originX;
    box.ymin = originY;
    box.xmax = originX + static_cast<double>(nx) * step;
    box.ymax = originY + static_cast<double>(ny) * step;
    box.zmin = box.zmax = 0.0;
    if (!heights) return;
    const auto [lo, hi] = std::minmax_element(heights, heights + static_cast<size_t>(nx) * ny);
    box.zmin = *lo;
    box.zmax = *hi;
}

void CGeRelief::Translate(double* v)
{
    originX = static_cast<float>(originX + v[0]);
    originY = static_cast<float>(originY + v[1]);
    box.xmin += v[0];
    box.xmax += v[0];
    box.ymin += v[1];
    box.ymax += v[1];
}

CGeRelief* CGeRelief::Copy() const
{
    auto* copy = new (std::nothrow) CGeRelief;
    if (!copy) return nullptr;
    copy->originX = originX;
    copy->originY = originY;
    copy->step = step;
    copy->nx = nx;
    copy->ny = ny;
    copy->box = box;
    if (heights) {
        const size_t n = static_cast<size_t>(nx) * ny;
        copy->heights = new (std::nothrow) float[n];
        if (!copy->heights) {
            delete copy;
            return nullptr;
        }
        std::memcpy(copy->heights, heights, n * sizeof(float));
    }
    return copy;
}

CGeMesh* CGeRelief::ToMesh()
{
    if (nx == 0 || ny == 0) return nullptr;
    unsigned cols[2] = {0, nx - 1}, rows[2] = {0, ny - 1};
    return ToMesh(cols, rows);
}

CGeMesh* CGeRelief::ToMesh(unsigned* cols, unsigned* rows)
{
    if (!heights || cols[1] >= nx || rows[1] >= ny || cols[1] <= cols[0] || rows[1] <= rows[0]) return nullptr;
    const unsigned a = cols[1] - cols[0] + 1, b = rows[1] - rows[0] + 1;
    auto* mesh = new CGeMesh;
    mesh->normals.reserve(static_cast<size_t>(a) * b);
    relief::AppendGridMesh(*mesh, a, b, [&](unsigned c, unsigned r) {
        c += cols[0];
        r += rows[0];
        return CPoint3f(c * step + originX, r * step + originY, heights[static_cast<size_t>(r) * nx + c]);
    });
    mesh->CalcBox();
    mesh->faces4.shrink_to_fit();
    return mesh;
}

CGeRelief::Axis CGeRelief::AxisOf(int axis) const
{
    if (axis == 0) return {box.xmin, box.xmax, originX, static_cast<int>(nx)};
    return {box.ymin, box.ymax, originY, static_cast<int>(ny)};
}

int CGeRelief::Get_Index(float v, int axis) const
{
    const Axis ax = AxisOf(axis);
    if (v <= ax.lower) return 0;
    if (v >= ax.upper) return ax.count - 1;
    const float q = (v - ax.origin) / step;
    int r = static_cast<int>(q);
    if (v > ax.origin + r * step + step / 2) ++r;  // exactly halfway goes to the lower node
    return std::clamp(r, 0, ax.count - 1);
}

int CGeRelief::Get_IndexMin(float v, int axis) const
{
    const Axis ax = AxisOf(axis);
    if (v <= ax.lower) return 0;
    if (v >= ax.upper) return ax.count - 1;
    const float q = static_cast<float>((v - ax.lower) / step);
    return std::clamp(static_cast<int>(std::floor(q)), 0, ax.count - 1);
}

int CGeRelief::Get_IndexMax(float v, int axis) const
{
    const Axis ax = AxisOf(axis);
    if (v <= ax.lower) return 0;
    if (v >= ax.upper) return ax.count - 1;
    const float q = static_cast<float>((v - ax.lower) / step);
    return std::clamp(static_cast<int>(std::ceil(q)), 0, ax.count - 1);
}

int CGeRelief::Create(CTypedPtrList<CObList, CGeSurf*>& surfaces, float spacing)
{
    if (surfaces.IsEmpty() || !(spacing > 0.0f)) return 0;
    const bool done = relief::WithDepthContext([&](COpenGLDC* dc) {
        BOX3<double> all;
        CGeTool3D tool;
        tool.GetBox(&surfaces, all);
        // A box a whole number of steps wide keeps its last node despite the rounding of
        // the quotient.
        const double cx = (all.xmax - all.xmin) / spacing + 1.0 + 1e-4, cy = (all.ymax - all.ymin) / spacing + 1.0 + 1e-4;
        float origin[2] = {static_cast<float>(all.xmin), static_cast<float>(all.ymin)};
        if (!all.IsValid() || cx >= 2147483647.0 || cy >= 2147483647.0 ||
            !Create(origin, spacing, static_cast<int>(cx), static_cast<int>(cy)))
            return false;
        const auto draw = [&] {
            POSITION pos = surfaces.GetHeadPosition();
            while (pos) {
                CGeSurf* surface = surfaces.GetNext(pos);
                if (surface) surface->DrawGL(dc, 23);
            }
        };
        const bool read = relief::ReadDepthHeights(dc, origin, spacing, spacing, static_cast<int>(nx),
                                                   static_cast<int>(ny), all.zmin, all.zmax, draw, heights);
        CalcBox();
        return read;
    });
    return done ? 1 : 0;
}
