// Tessellation of a trimmed surface into its mesh part. The parameter square is
// sampled at the surface's step for the tolerance; cells away from the trims are
// kept whole or dropped by a scan-line parity test, border cells are clipped
// against the trimmed region and ear-clipped. Points and normals come from the
// surface.
#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Gpc.h"
#include "framework/numerak/PointTypes.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes3d/GeTrimSurf.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace {

// Parameter-plane chord tolerance of the trim polygons.
constexpr double kTrimPolyTol = 0.0005;
// Cells per direction: at least, at most.
constexpr int kMinCells = 4;
constexpr int kMaxCells = 400;
// How often a border cell holding a whole hole is split before the hole is dropped.
constexpr int kMaxSplit = 6;

using Poly = std::vector<gpc_vertex>;

struct GpcHolder {
    gpc_polygon p;
    GpcHolder() { gpc_init_polygon(&p); }
    ~GpcHolder() { gpc_free_polygon(&p); }
    GpcHolder(const GpcHolder&) = delete;
    GpcHolder& operator=(const GpcHolder&) = delete;
};

void FillGpc(const std::vector<Poly>& contours, gpc_polygon* out)
{
    gpc_create_polygon(out, static_cast<int>(contours.size()));
    for (size_t i = 0; i < contours.size(); ++i) {
        gpc_create_vertex(&out->contour[i], static_cast<int>(contours[i].size()));
        std::copy(contours[i].begin(), contours[i].end(), out->contour[i].vertex);
    }
}

void RectGpc(double u0, double v0, double u1, double v1, gpc_polygon* out)
{
    FillGpc({{{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}}}, out);
}

double Cross(const gpc_vertex& a, const gpc_vertex& b, const gpc_vertex& c)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Ear clipping of a simple counter-clockwise polygon; triangles as index triples.
void EarClip(const Poly& poly, std::vector<int>& tris)
{
    std::vector<int> idx(poly.size());
    for (size_t i = 0; i < idx.size(); ++i) idx[i] = static_cast<int>(i);
    int guard = static_cast<int>(idx.size()) * static_cast<int>(idx.size()) + 10;
    while (idx.size() > 3 && guard-- > 0) {
        const int n = static_cast<int>(idx.size());
        bool cut = false;
        for (int i = 0; i < n && !cut; ++i) {
            const int a = idx[(i + n - 1) % n], b = idx[i], c = idx[(i + 1) % n];
            const double turn = Cross(poly[a], poly[b], poly[c]);
            if (turn < 0.0) continue;
            bool empty = true;
            if (turn > 0.0)
                for (int k : idx) {
                    if (k == a || k == b || k == c) continue;
                    if (Cross(poly[a], poly[b], poly[k]) >= 0 && Cross(poly[b], poly[c], poly[k]) >= 0 &&
                        Cross(poly[c], poly[a], poly[k]) >= 0) {
                        empty = false;
                        break;
                    }
                }
            if (!empty) continue;
            if (turn > 0.0) tris.insert(tris.end(), {a, b, c});
            idx.erase(idx.begin() + i);
            cut = true;
        }
        if (!cut) break;  // not simple: what is left is dropped
    }
    if (idx.size() == 3 && Cross(poly[idx[0]], poly[idx[1]], poly[idx[2]]) > 0.0)
        tris.insert(tris.end(), {idx[0], idx[1], idx[2]});
}

}  // namespace

void CGeTrimSurf::Discrete(double tol)
{
    vertices.clear();
    normals.clear();
    uvcoords.clear();
    faces3.clear();
    faces4.clear();
    edges.clear();
    if (!m_pSurface || !(tol > 0.0)) return;

    // The trimmed region as polygons in the parameter plane; without loops the domain.
    std::vector<Poly> region;
    for (CGeTrimLoop* loop : m_listLoop) {
        if (!loop) continue;
        Poly poly;
        for (CGeTrimBnd* b : loop->m_listBnd) {
            if (!b || !b->m_pUVCrv) continue;
            CArray<tagPoint2d, tagPoint2d> pts;
            b->m_pUVCrv->DiscreteInArray(kTrimPolyTol, &pts, gGetCrvDiscAng(), false);
            for (int i = 0; i < pts.GetSize(); ++i) {
                const gpc_vertex v{pts[i].x, pts[i].y};
                if (poly.empty() || std::hypot(v.x - poly.back().x, v.y - poly.back().y) > 1e-12) poly.push_back(v);
            }
        }
        if (poly.size() >= 3) region.push_back(std::move(poly));
    }
    BOX2<double> box(0, 0, 1, 1);
    if (!region.empty()) {
        box.InitEmpty();
        for (const Poly& p : region)
            for (const gpc_vertex& v : p) {
                const double q[2] = {v.x, v.y};
                box.Extend(q);
            }
    } else {
        region.push_back({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    }
    double du, dv;
    GetDiscreteStep(tol, du, dv);
    const double w = box.xmax - box.xmin, h = box.ymax - box.ymin;
    if (!(w > 0.0) || !(h > 0.0)) return;
    const int nu = std::clamp(static_cast<int>(std::ceil(w / std::max(du, 1e-9))), kMinCells, kMaxCells);
    const int nv = std::clamp(static_cast<int>(std::ceil(h / std::max(dv, 1e-9))), kMinCells, kMaxCells);
    const double cu = w / nu, cv = h / nv;

    // Which cells a trim segment passes through (by the segment's box).
    std::vector<char> border(static_cast<size_t>(nu) * nv, 0);
    auto cellOf = [&](double x, double lo, double step, int n) {
        return std::clamp(static_cast<int>(std::floor((x - lo) / step)), 0, n - 1);
    };
    for (const Poly& p : region)
        for (size_t i = 0; i < p.size(); ++i) {
            const gpc_vertex& a = p[i];
            const gpc_vertex& b = p[(i + 1) % p.size()];
            const int i0 = cellOf(std::min(a.x, b.x) - 1e-9, box.xmin, cu, nu);
            const int i1 = cellOf(std::max(a.x, b.x) + 1e-9, box.xmin, cu, nu);
            const int j0 = cellOf(std::min(a.y, b.y) - 1e-9, box.ymin, cv, nv);
            const int j1 = cellOf(std::max(a.y, b.y) + 1e-9, box.ymin, cv, nv);
            for (int j = j0; j <= j1; ++j)
                for (int k = i0; k <= i1; ++k) border[static_cast<size_t>(j) * nu + k] = 1;
        }

    // Vertices on the surface, grid corners shared.
    std::map<std::pair<int, int>, int> corner;
    auto addVertex = [&](double u, double v) {
        double p[3], n[3] = {0, 0, 1};
        if (!GetNormal(u, v, p, n) && !GetPoint(u, v, p)) p[0] = p[1] = p[2] = 0.0;
        vertices.emplace_back(float(p[0]), float(p[1]), float(p[2]));
        normals.emplace_back(float(n[0]), float(n[1]), float(n[2]));
        uvcoords.push_back({float(u), float(v)});
        return static_cast<int>(vertices.size()) - 1;
    };
    auto gridVertex = [&](int i, int j) {
        auto [it, fresh] = corner.try_emplace({i, j}, 0);
        if (fresh) it->second = addVertex(box.xmin + i * cu, box.ymin + j * cv);
        return it->second;
    };

    GpcHolder whole;
    FillGpc(region, &whole.p);
    // Clipped cell (or part of it) against the row's share of the region.
    auto clipCell = [&](auto&& self, gpc_polygon* row, double u0, double v0, double u1, double v1, int depth) -> void {
        GpcHolder cell, piece;
        RectGpc(u0, v0, u1, v1, &cell.p);
        if (!gpc_polygon_clip(GPC_INT, row, &cell.p, &piece.p)) return;
        bool holes = false;
        for (int c = 0; c < piece.p.num_contours; ++c) holes = holes || piece.p.hole[c];
        if (holes && depth < kMaxSplit) {
            const double um = (u0 + u1) / 2, vm = (v0 + v1) / 2;
            self(self, &piece.p, u0, v0, um, vm, depth + 1);
            self(self, &piece.p, um, v0, u1, vm, depth + 1);
            self(self, &piece.p, u0, vm, um, v1, depth + 1);
            self(self, &piece.p, um, vm, u1, v1, depth + 1);
            return;
        }
        for (int c = 0; c < piece.p.num_contours; ++c) {
            if (piece.p.hole[c]) continue;
            const gpc_vertex_list& l = piece.p.contour[c];
            Poly poly(l.vertex, l.vertex + l.num_vertices);
            std::vector<int> tris;
            EarClip(poly, tris);
            if (tris.empty()) continue;
            std::vector<int> ids(poly.size(), -1);
            for (int t : tris)
                if (ids[t] < 0) ids[t] = addVertex(poly[t].x, poly[t].y);
            for (size_t t = 0; t + 2 < tris.size(); t += 3) faces3.emplace_back(ids[tris[t]], ids[tris[t + 1]], ids[tris[t + 2]]);
        }
    };

    std::vector<double> crossings;
    for (int j = 0; j < nv; ++j) {
        const double v0 = box.ymin + j * cv, v1 = v0 + cv, vm = (v0 + v1) / 2;
        // Where the row's centre line crosses the region, for the parity of whole cells.
        crossings.clear();
        for (const Poly& p : region)
            for (size_t i = 0; i < p.size(); ++i) {
                const gpc_vertex& a = p[i];
                const gpc_vertex& b = p[(i + 1) % p.size()];
                if ((a.y <= vm) != (b.y <= vm)) crossings.push_back(a.x + (vm - a.y) * (b.x - a.x) / (b.y - a.y));
            }
        std::sort(crossings.begin(), crossings.end());
        GpcHolder strip, rowRegion;
        RectGpc(box.xmin - 1, v0, box.xmax + 1, v1, &strip.p);
        bool rowClipped = false;
        for (int i = 0; i < nu; ++i) {
            const double u0 = box.xmin + i * cu, u1 = u0 + cu;
            if (border[static_cast<size_t>(j) * nu + i]) {
                if (!rowClipped) {
                    gpc_polygon_clip(GPC_INT, &whole.p, &strip.p, &rowRegion.p);
                    rowClipped = true;
                }
                clipCell(clipCell, &rowRegion.p, u0, v0, u1, v1, 0);
                continue;
            }
            const double um = (u0 + u1) / 2;
            const auto left = std::lower_bound(crossings.begin(), crossings.end(), um) - crossings.begin();
            if (left % 2 == 0) continue;
            const int a = gridVertex(i, j), b = gridVertex(i + 1, j), c = gridVertex(i + 1, j + 1), d = gridVertex(i, j + 1);
            faces3.emplace_back(a, b, c);
            faces3.emplace_back(a, c, d);
        }
    }
}
