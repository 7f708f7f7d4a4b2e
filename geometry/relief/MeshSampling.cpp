#include "geometry/relief/MeshSampling.h"

#include "framework/numerak/Bsrf.h"
#include "geometry/relief/DepthHeights.h"
#include "geometry/relief/GeRelief.h"
#include "geometry/shapes3d/GeMesh.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/GeTool3D.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace {

// Slack of the column sections: edges this close to a column count, and rows this far
// outside a section still take its heights.
constexpr double kSectionSlack = 0.0001;
// Start of a section's y-range (empty).
constexpr double kSectionFar = 3.4028233e21;
// Row sections of the envelope narrower than this carry no heights.
constexpr double kEnvelopeMinWidth = 1e-6;
// A count quotient this close to a whole number is that number.
constexpr double kWholeCount = 1e-4;
// Chord tolerance and largest parameter step of the surface tessellation.
constexpr double kSurfaceChord = 0.02;
constexpr double kSurfaceMaxStep = 0.02;
// Iso polylines of the tessellation at these parameter spacings.
constexpr double kIsoSpacing = 0.2;
constexpr int kIsoCount = 6;

struct Triangle {
    const CPoint3f* p[3];
};

size_t TriangleCount(const CGeMesh& m) { return m.faces3.size() + 2 * m.faces4.size(); }

// Triangle t of the mesh: the triangles first, then each quad as (0, 1, 2), (0, 2, 3).
// Null corners when an index lies past the vertices.
Triangle TriangleAt(const CGeMesh& m, size_t t)
{
    std::uint32_t v[3];
    if (t < m.faces3.size()) {
        const SFacet3& f = m.faces3[t];
        v[0] = f[0], v[1] = f[1], v[2] = f[2];
    } else {
        const size_t q = t - m.faces3.size();
        const SFacet4& f = m.faces4[q / 2];
        v[0] = f[0];
        v[1] = f[1 + q % 2];
        v[2] = f[2 + q % 2];
    }
    Triangle tri{};
    for (int k = 0; k < 3; ++k)
        if (v[k] >= m.vertices.size()) return Triangle{};
    for (int k = 0; k < 3; ++k) tri.p[k] = &m.vertices[v[k]];
    return tri;
}

// Calls f(triangle, its box) for every triangle of the meshes whose corners exist.
template <class F>
void ForEachTriangle(const std::vector<const CGeMesh*>& meshes, F f)
{
    for (const CGeMesh* m : meshes) {
        const size_t count = TriangleCount(*m);
        for (size_t t = 0; t < count; ++t) {
            const Triangle tri = TriangleAt(*m, t);
            if (!tri.p[0]) continue;
            BOX3<double> box;
            box.InitEmpty();
            for (const CPoint3f* p : tri.p) {
                box.xmin = std::min<double>(box.xmin, p->x), box.xmax = std::max<double>(box.xmax, p->x);
                box.ymin = std::min<double>(box.ymin, p->y), box.ymax = std::max<double>(box.ymax, p->y);
                box.zmin = std::min<double>(box.zmin, p->z), box.zmax = std::max<double>(box.zmax, p->z);
            }
            f(tri, box);
        }
    }
}

std::vector<const CGeMesh*> MeshesOf(CTypedPtrList<CObList, CGeMesh*>& list)
{
    std::vector<const CGeMesh*> out;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        if (const CGeMesh* m = list.GetNext(pos)) out.push_back(m);
    return out;
}

bool StepValid(double s) { return std::isfinite(s) && s > 0.0; }

// Nodes over an extent: trunc(extent/step) + 1, a quotient within kWholeCount of a whole
// number rounded to it; 0 when the count is not finite or passes int.
int NodeCount(double extent, double step)
{
    double q = extent / step;
    if (!std::isfinite(q) || q < 0.0) return 0;
    const double whole = std::round(q);
    q = std::fabs(q - whole) < kWholeCount ? whole : std::trunc(q);
    if (q + 1.0 > static_cast<double>(std::numeric_limits<int>::max())) return 0;
    return static_cast<int>(q) + 1;
}

// trunc((v − origin)/step) clamped to [0, n − 1].
int IndexOf(double v, double origin, double step, int n)
{
    const double q = std::trunc((v - origin) / step);
    if (!(q > 0.0)) return 0;
    return q >= n - 1 ? n - 1 : static_cast<int>(q);
}

// The union of the meshes' own boxes (the first copied, the others merged); false for
// an empty or inverted union.
bool StoredBox(const std::vector<const CGeMesh*>& meshes, BOX3<double>& box)
{
    for (size_t k = 0; k < meshes.size(); ++k)
        if (k == 0)
            box = meshes[k]->m_box;
        else
            box.Union(meshes[k]->m_box);
    return !meshes.empty() && box.IsValid();
}

bool ListBox(CTypedPtrList<CObList, CGeMesh*>& list, BOX3<double>& box)
{
    box.InitEmpty();
    CGeTool3D tool;
    tool.GetBox(&list, box);
    return box.IsValid();
}

// A new grid of count X × count Y nodes at origin, every height (and the base z) z0.
std::unique_ptr<CTGrid<float>> NewGrid(const BOX3<double>& box, float dx, float dy, int countX, int countY, float z0)
{
    if (countX < 1 || countY < 1 ||
        static_cast<std::int64_t>(countX) * countY > std::numeric_limits<std::int32_t>::max())
        return nullptr;
    auto grid = std::make_unique<CTGrid<float>>();
    const float origin[2] = {static_cast<float>(box.xmin), static_cast<float>(box.ymin)};
    if (!grid->Create(origin, dx, dy, countX, countY)) return nullptr;
    grid->origin[2] = z0;
    if (z0 != 0.0f)
        for (int r = 0; r < countY; ++r) std::fill(grid->rows[r], grid->rows[r] + countX, z0);
    return grid;
}

// Where the vertical line through (x, y) meets the triangle's plane, when it passes
// inside the triangle or within tol outside its border (so that a grid point a
// rounding away from a border node still takes it). The signed areas are computed
// from the same two corners in the same way for both triangles of a shared edge, so a
// point on that edge lies on it for both (no cracks).
bool VerticalHit(const CPoint3f& a, const CPoint3f& b, const CPoint3f& c, double x, double y, double tol, double& z)
{
    const double ax = a.x - x, ay = a.y - y, bx = b.x - x, by = b.y - y, cx = c.x - x, cy = c.y - y;
    const double wa = bx * cy - by * cx, wb = cx * ay - cy * ax, wc = ax * by - ay * bx;
    const double sum = wa + wb + wc;
    if (sum == 0.0) return false;
    const double s = sum > 0.0 ? 1.0 : -1.0;
    // w over the opposite edge's length is the distance from that edge's line.
    if (s * wa < -tol * std::hypot(cx - bx, cy - by) || s * wb < -tol * std::hypot(ax - cx, ay - cy) ||
        s * wc < -tol * std::hypot(bx - ax, by - ay))
        return false;
    z = (wa * a.z + wb * b.z + wc * c.z) / sum;
    return true;
}

// The section of a triangle with the plane y = const: lowest and highest x with their
// z, from every edge that reaches the plane (an edge in the plane with both ends).
struct Section {
    double xa = 0, za = 0, xb = 0, zb = 0;
};
bool SectionAtY(const Triangle& t, double y, Section& s)
{
    bool any = false;
    const auto take = [&](double x, double z) {
        if (!any || x < s.xa) s.xa = x, s.za = z;
        if (!any || x > s.xb) s.xb = x, s.zb = z;
        any = true;
    };
    for (int k = 0; k < 3; ++k) {
        const CPoint3f& p = *t.p[k];
        const CPoint3f& q = *t.p[(k + 1) % 3];
        if ((p.y - y) * (q.y - y) > 0.0) continue;
        if (p.y == q.y) {
            take(p.x, p.z);
            take(q.x, q.z);
            continue;
        }
        const double u = (y - p.y) / (static_cast<double>(q.y) - p.y);
        take(p.x + u * (static_cast<double>(q.x) - p.x), p.z + u * (static_cast<double>(q.z) - p.z));
    }
    return any && s.xb - s.xa >= kEnvelopeMinWidth;
}

// The cell keeps the larger of its value and z, whatever other threads write to it.
void RaiseTo(float& cell, float z)
{
    std::atomic_ref<float> a(cell);
    float now = a.load(std::memory_order_relaxed);
    while (now < z && !a.compare_exchange_weak(now, z, std::memory_order_relaxed)) {
    }
}

// Parameter values 0, step, 2·step, … below 1, then exactly 1 (each from its index);
// empty when there would be more than `most`.
std::vector<double> ParameterValues(double step, size_t most)
{
    const double q = 1.0 / step;
    const double whole = std::round(q);
    const double below = std::fabs(q - whole) < kWholeCount ? whole : std::ceil(q);
    if (!(below + 1.0 <= static_cast<double>(most))) return {};
    std::vector<double> values;
    values.reserve(static_cast<size_t>(below) + 1);
    for (size_t k = 0; k < static_cast<size_t>(below); ++k) values.push_back(static_cast<double>(k) * step);
    values.push_back(1.0);
    return values;
}

}  // namespace

CTGrid<float>* geGetGridSrf(CTypedPtrList<CObList, CGeMesh*>& list, float dx, float dy, float margin)
{
    const std::vector<const CGeMesh*> meshes = MeshesOf(list);
    BOX3<double> box;
    if (!StepValid(dx) || !StepValid(dy) || !std::isfinite(margin) || !StoredBox(meshes, box)) return nullptr;
    const int nx = NodeCount(box.xmax - box.xmin + 2.0 * margin, dx);
    const int ny = NodeCount(box.ymax - box.ymin + 2.0 * margin, dy);
    BOX3<double> at = box;
    at.xmin = static_cast<float>(box.xmin) - margin;
    at.ymin = static_cast<float>(box.ymin) - margin;
    std::unique_ptr<CTGrid<float>> grid = NewGrid(at, dx, dy, nx, ny, 0.0f);
    if (!grid) return nullptr;
    const double x0 = grid->origin[0], y0 = grid->origin[1];
    ForEachTriangle(meshes, [&](const Triangle& tri, const BOX3<double>& tb) {
        const double xmin = tb.xmin, xmax = tb.xmax, zTop = tb.zmax;
        const int i0 = IndexOf(xmin - kSectionSlack, x0, dx, nx), i1 = IndexOf(xmax + kSectionSlack, x0, dx, nx);
        for (int c = i0; c <= i1; ++c) {
            const double x = grid->xs[static_cast<size_t>(c)];
            // With the edges' slack: a column a rounding away from a border node keeps it.
            if (x < xmin - kSectionSlack || x > xmax + kSectionSlack) continue;
            double ylo = kSectionFar, yhi = -kSectionFar, zlo = 0.0, zhi = 0.0;
            const auto take = [&](double y, double z) {
                if (y < ylo) ylo = y, zlo = z;
                if (y > yhi) yhi = y, zhi = z;
            };
            static constexpr int kEdges[3][2] = {{0, 1}, {1, 2}, {0, 2}};
            for (const auto& e : kEdges) {
                const CPoint3f& p = *tri.p[e[0]];
                const CPoint3f& q = *tri.p[e[1]];
                if (std::min(p.x, q.x) > x + kSectionSlack || std::max(p.x, q.x) < x - kSectionSlack) continue;
                const double ex = static_cast<double>(q.x) - p.x;
                if (std::fabs(ex) <= kSectionSlack) {
                    take(p.y, p.z);
                    take(q.y, q.z);
                } else {
                    const double u = (x - p.x) / ex;
                    take(p.y + u * (static_cast<double>(q.y) - p.y), p.z + u * (static_cast<double>(q.z) - p.z));
                }
            }
            if (!(yhi - ylo > kSectionSlack)) continue;
            const double slope = (zhi - zlo) / (yhi - ylo);
            const int r0 = IndexOf(ylo - kSectionSlack, y0, dy, ny), r1 = IndexOf(yhi + kSectionSlack, y0, dy, ny);
            for (int r = r0; r <= r1; ++r) {
                const double y = grid->ys[static_cast<size_t>(r)];
                float& h = grid->rows[r][c];
                if (y < ylo - kSectionSlack || y > yhi + kSectionSlack || !(h < zTop)) continue;
                h = std::max(h, static_cast<float>((y - ylo) * slope + zlo));
            }
        }
    });
    return grid.release();
}

CTGrid<float>* geGetFloatGridSrf(CTypedPtrList<CObList, CGeMesh*>& list, float dx, float dy, float margin)
{
    const std::vector<const CGeMesh*> meshes = MeshesOf(list);
    BOX3<double> box;
    if (meshes.empty() || !StepValid(dx) || !StepValid(dy) || !std::isfinite(margin) || !ListBox(list, box))
        return nullptr;
    box.Inflate(margin);
    std::unique_ptr<CTGrid<float>> grid = NewGrid(box, dx, dy, NodeCount(box.xmax - box.xmin, dx),
                                                  NodeCount(box.ymax - box.ymin, dy), static_cast<float>(box.zmin));
    if (!grid) return nullptr;
    const int nx = grid->nx, ny = grid->ny;
    const double x0 = grid->origin[0], y0 = grid->origin[1];
    ForEachTriangle(meshes, [&](const Triangle& tri, const BOX3<double>& tb) {
        const int i0 = IndexOf(tb.xmin - kSectionSlack, x0, dx, nx), i1 = IndexOf(tb.xmax + kSectionSlack, x0, dx, nx);
        const int j0 = IndexOf(tb.ymin - kSectionSlack, y0, dy, ny), j1 = IndexOf(tb.ymax + kSectionSlack, y0, dy, ny);
        for (int r = j0; r <= j1; ++r)
            for (int c = i0; c <= i1; ++c) {
                float& h = grid->rows[r][c];
                double z;
                if (h < tb.zmax && VerticalHit(*tri.p[0], *tri.p[1], *tri.p[2], grid->xs[static_cast<size_t>(c)],
                                               grid->ys[static_cast<size_t>(r)], kSectionSlack, z))
                    h = std::max(h, static_cast<float>(z));
            }
    });
    return grid.release();
}

CTGrid<float>* geGetFloatGridSrfGL(CTypedPtrList<CObList, CGeMesh*>& list, float dx, float dy)
{
    const std::vector<const CGeMesh*> meshes = MeshesOf(list);
    BOX3<double> box;
    if (meshes.empty() || !StepValid(dx) || !StepValid(dy) || !ListBox(list, box)) return nullptr;
    std::unique_ptr<CTGrid<float>> grid;
    const bool done = relief::WithDepthContext([&](COpenGLDC* dc) {
        grid = NewGrid(box, dx, dy, NodeCount(box.xmax - box.xmin, dx), NodeCount(box.ymax - box.ymin, dy),
                       static_cast<float>(box.zmin));
        if (!grid) return false;
        const size_t nx = static_cast<size_t>(grid->nx);
        std::vector<float> heights(nx * static_cast<size_t>(grid->ny), grid->origin[2]);
        const auto draw = [&] {
            for (POSITION pos = list.GetHeadPosition(); pos;)
                if (CGeMesh* m = list.GetNext(pos)) m->DrawGL(dc, 23);
        };
        if (!relief::ReadDepthHeights(dc, grid->origin, dx, dy, grid->nx, grid->ny, box.zmin, box.zmax, draw,
                                      heights.data()))
            return false;
        for (int r = 0; r < grid->ny; ++r)
            std::copy_n(heights.begin() + static_cast<std::ptrdiff_t>(r * nx), nx, grid->rows[r]);
        return true;
    });
    return done ? grid.release() : nullptr;
}

CGeRelief* geMeshList2Relief(CTypedPtrList<CObList, CGeMesh*>& list, float step, float margin)
{
    const std::vector<const CGeMesh*> meshes = MeshesOf(list);
    BOX3<double> box;
    if (meshes.empty() || !StepValid(step) || !std::isfinite(margin) || !ListBox(list, box)) return nullptr;
    box.Inflate(margin);
    auto relief = std::unique_ptr<CGeRelief>(new (std::nothrow) CGeRelief);
    if (!relief) return nullptr;
    float origin[2] = {static_cast<float>(box.xmin), static_cast<float>(box.ymin)};
    // Fewer than 2 × 2 nodes: Create leaves no heights, and no envelope can be sampled.
    if (!relief->Create(origin, step, static_cast<float>(box.xmax - box.xmin), static_cast<float>(box.ymax - box.ymin)))
        return nullptr;
    const int nx = static_cast<int>(relief->nx), ny = static_cast<int>(relief->ny);
    float* heights = relief->heights;
    std::fill(heights, heights + static_cast<size_t>(nx) * ny, static_cast<float>(box.zmin));
    const float x0 = relief->originX, y0 = relief->originY;
    for (const CGeMesh* m : meshes) {
        const std::int64_t count = static_cast<std::int64_t>(TriangleCount(*m));
#pragma omp parallel for schedule(static)
        for (std::int64_t t = 0; t < count; ++t) {
            const Triangle tri = TriangleAt(*m, static_cast<size_t>(t));
            if (!tri.p[0]) continue;
            const double ylo = std::min({tri.p[0]->y, tri.p[1]->y, tri.p[2]->y});
            const double yhi = std::max({tri.p[0]->y, tri.p[1]->y, tri.p[2]->y});
            const int r0 = IndexOf(ylo - kSectionSlack, y0, step, ny), r1 = IndexOf(yhi + kSectionSlack, y0, step, ny);
            for (int r = r0; r <= r1; ++r) {
                // Rows and columns within the slack of the triangle take its border: a
                // node a rounding away from a border vertex keeps that vertex's height.
                const double y = static_cast<float>(r * step + y0);
                Section s;
                if (y < ylo - kSectionSlack || y > yhi + kSectionSlack || !SectionAtY(tri, std::clamp(y, ylo, yhi), s))
                    continue;
                const int c0 = IndexOf(s.xa - kSectionSlack, x0, step, nx), c1 = IndexOf(s.xb + kSectionSlack, x0, step, nx);
                for (int c = c0; c <= c1; ++c) {
                    const double x = static_cast<float>(c * step + x0);
                    if (x < s.xa - kSectionSlack || x > s.xb + kSectionSlack) continue;
                    const double at = std::clamp(x, s.xa, s.xb);
                    RaiseTo(heights[static_cast<size_t>(r) * nx + c],
                            static_cast<float>(s.za + (s.zb - s.za) * (at - s.xa) / (s.xb - s.xa)));
                }
            }
        }
    }
    relief->CalcBox();
    return relief.release();
}

CGeMesh* geToMesh(_nurbs_surface* surface)
{
    if (!surface) return nullptr;
    double du = 0.0, dv = 0.0;
    if (!BSRF_GetMaxiStepLin(surface, kSurfaceChord, &du, &dv)) return nullptr;
    du = std::min(du, kSurfaceMaxStep);
    dv = std::min(dv, kSurfaceMaxStep);
    if (!StepValid(du) || !StepValid(dv)) return nullptr;
    // Vertex indices are 32-bit: the whole mesh must stay below 2^31 vertices.
    constexpr size_t kMostVertices = static_cast<size_t>(std::numeric_limits<std::int32_t>::max());
    const std::vector<double> us = ParameterValues(du, kMostVertices), vs = ParameterValues(dv, kMostVertices);
    if (us.empty() || vs.empty() || us.size() * vs.size() > kMostVertices) return nullptr;
    auto mesh = std::make_unique<CGeMesh>();
    const size_t nu = us.size(), nv = vs.size();
    mesh->vertices.reserve(nu * nv);
    double p[3];
    for (double v : vs)
        for (double u : us) {
            BSRF_EvPos(surface, u, v, p);
            mesh->vertices.emplace_back(static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]));
        }
    mesh->faces3.reserve(2 * (nu - 1) * (nv - 1));
    for (size_t r = 0; r + 1 < nv; ++r)
        for (size_t c = 0; c + 1 < nu; ++c) {
            const int v00 = static_cast<int>(r * nu + c), v01 = v00 + 1;
            const int v10 = v00 + static_cast<int>(nu), v11 = v10 + 1;
            mesh->faces3.emplace_back(v10, v00, v01);
            mesh->faces3.emplace_back(v01, v11, v10);
        }
    // Iso polylines along u at the fixed v values, then along v at the fixed u values.
    const auto addIso = [&](const std::vector<double>& along, bool alongU) {
        std::vector<double> pts(3 * along.size());
        for (int k = 0; k < kIsoCount; ++k) {
            const double fixed = k * kIsoSpacing;
            for (size_t i = 0; i < along.size(); ++i)
                BSRF_EvPos(surface, alongU ? along[i] : fixed, alongU ? fixed : along[i], &pts[3 * i]);
            auto* line = new CGePolyline3d;
            line->Create(static_cast<int>(along.size()), reinterpret_cast<double(*)[3]>(pts.data()));
            mesh->m_listIsoCurve.AddTail(line);
        }
    };
    addIso(us, true);
    addIso(vs, false);
    return mesh.release();
}
