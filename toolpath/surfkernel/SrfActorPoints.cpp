// Point operations of the surface facade: heights of points under meshes and
// points at equal arc length along a curve.
#include "toolpath/surfkernel/SrfActor.h"

#include "framework/numerak/Bsrf.h"
#include "framework/numerak/PointString3D.h"
#include "geometry/shapes3d/GeCurve3d.h"
#include "geometry/shapes3d/GeMesh.h"
#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <algorithm>
#include <cmath>

namespace {

// Uniform grid of point indices over the points' XY box, in one array sorted by
// cell (counting sort), so a triangle visits only the points under its box.
class PointGrid {
public:
    explicit PointGrid(const std::vector<tagPoint3f>& pts)
    {
        const std::size_t n = pts.size();
        x0_ = x1_ = pts[0].x;
        y0_ = y1_ = pts[0].y;
        for (const tagPoint3f& p : pts) {
            x0_ = std::min(x0_, double(p.x));
            x1_ = std::max(x1_, double(p.x));
            y0_ = std::min(y0_, double(p.y));
            y1_ = std::max(y1_, double(p.y));
        }
        // About one point per cell; a box flat in one direction gets cells along the other.
        const double w = x1_ - x0_, h = y1_ - y0_;
        double cell = std::sqrt(w * h / double(n));
        cell = std::max({cell, std::max(w, h) / double(n), 1e-9});
        nx_ = static_cast<int>(std::min(w / cell + 1.0, 65536.0));
        ny_ = static_cast<int>(std::min(h / cell + 1.0, 65536.0));
        cell_ = cell;
        start_.assign(static_cast<std::size_t>(nx_) * ny_ + 1, 0);
        for (const tagPoint3f& p : pts) ++start_[Index(p.x, p.y) + 1];
        for (std::size_t c = 1; c < start_.size(); ++c) start_[c] += start_[c - 1];
        items_.resize(n);
        std::vector<int> fill(start_.begin(), start_.end() - 1);
        for (std::size_t i = 0; i < n; ++i) items_[fill[Index(pts[i].x, pts[i].y)]++] = static_cast<int>(i);
    }

    // Calls f(i) for every point whose cell meets the box.
    template <class F>
    void ForEachIn(double xmin, double ymin, double xmax, double ymax, F f) const
    {
        if (xmax < x0_ || xmin > x1_ || ymax < y0_ || ymin > y1_) return;
        const int i0 = Col(xmin), i1 = Col(xmax), j0 = Row(ymin), j1 = Row(ymax);
        for (int j = j0; j <= j1; ++j)
            for (int i = i0; i <= i1; ++i) {
                const std::size_t c = static_cast<std::size_t>(j) * nx_ + i;
                for (int k = start_[c]; k < start_[c + 1]; ++k) f(items_[k]);
            }
    }

private:
    int Col(double x) const { return std::clamp(static_cast<int>((x - x0_) / cell_), 0, nx_ - 1); }
    int Row(double y) const { return std::clamp(static_cast<int>((y - y0_) / cell_), 0, ny_ - 1); }
    std::size_t Index(double x, double y) const { return static_cast<std::size_t>(Row(y)) * nx_ + Col(x); }

    double x0_, x1_, y0_, y1_, cell_ = 1.0;
    int nx_ = 1, ny_ = 1;
    std::vector<int> start_;
    std::vector<int> items_;
};

// TRI3_IntZRay with the triangle's part done once for all the points under
// it: the same operations in the same order, so the same heights.
struct ZRayTriangle {
    ZRayTriangle(const double* a, const double* b, const double* c)
        : ax(a[0]), ay(a[1]), az(a[2]), e1x(b[0] - a[0]), e1y(b[1] - a[1]), e2x(c[0] - a[0]), e2y(c[1] - a[1]),
          dz1(b[2] - a[2]), dz2(c[2] - a[2]), det(e1x * e2y - e1y * e2x)
    {
        const double scale = std::hypot(e1x, e1y) * std::hypot(e2x, e2y);
        valid = scale > 0.0 && std::fabs(det) > 1e-12 * scale;
    }
    bool At(double x, double y, double tol, double* z) const
    {
        const double px = x - ax, py = y - ay;
        const double u = (px * e2y - py * e2x) / det;
        const double v = (e1x * py - e1y * px) / det;
        if (u < -tol || v < -tol || u + v > 1.0 + tol) return false;
        *z = az + u * dz1 + v * dz2;
        return true;
    }
    double ax, ay, az, e1x, e1y, e2x, e2y, dz1, dz2, det;
    bool valid = false;
};

}  // namespace

void CSrfActor::PrjAlongZAxis(CTypedPtrList<CObList, CGeMesh*>* meshes, std::vector<tagPoint3f>& in,
                              std::vector<tagPoint3f>& out)
{
    if (!meshes || meshes->IsEmpty() || in.empty() || !out.empty()) return;
    for (const tagPoint3f& p : in) out.push_back({p.x, p.y, static_cast<float>(kNoHeight)});
    for (const tagPoint3f& p : in)
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
    const PointGrid grid(in);
    auto triangle = [&](const std::vector<CPoint3f>& v, std::uint32_t ia, std::uint32_t ib, std::uint32_t ic) {
        if (ia >= v.size() || ib >= v.size() || ic >= v.size()) return;
        const double a[3] = {v[ia].x, v[ia].y, v[ia].z}, b[3] = {v[ib].x, v[ib].y, v[ib].z},
                     c[3] = {v[ic].x, v[ic].y, v[ic].z};
        const ZRayTriangle tri(a, b, c);
        if (!tri.valid) return;
        const double xmin = std::min({a[0], b[0], c[0]}) - kPrjBoxTol, xmax = std::max({a[0], b[0], c[0]}) + kPrjBoxTol;
        const double ymin = std::min({a[1], b[1], c[1]}) - kPrjBoxTol, ymax = std::max({a[1], b[1], c[1]}) + kPrjBoxTol;
        grid.ForEachIn(xmin, ymin, xmax, ymax, [&](int i) {
            const double x = in[i].x, y = in[i].y;
            if (x < xmin || x > xmax || y < ymin || y > ymax) return;
            double z;
            if (tri.At(x, y, kPrjBoxTol, &z) && static_cast<float>(z) > out[i].z) out[i].z = static_cast<float>(z);
        });
    };
    for (CGeMesh* mesh : *meshes) {
        if (!mesh) continue;
        for (const SFacet3& f : mesh->faces3) triangle(mesh->vertices, f.v[0], f.v[1], f.v[2]);
        // A quad counts as its two triangles.
        for (const SFacet4& f : mesh->faces4) {
            triangle(mesh->vertices, f.v[0], f.v[1], f.v[2]);
            triangle(mesh->vertices, f.v[0], f.v[2], f.v[3]);
        }
    }
}

void CSrfActor::CrvDiscToStrptInEquDist(CGeCurve3d* curve, double step, double tol,
                                        CArray<tagPoint3d, tagPoint3d>& out)
{
    // A step that is not positive would place points without end.
    if (!curve || !(step > 0.0) || !std::isfinite(step)) return;
    CStrP3D str;
    curve->Discrete(std::max(tol, kEquDistMinTol), str);
    if (str.m_nCount < 1 || !str.m_pPoints) return;
    const double(*p)[3] = str.m_pPoints;
    out.Add(tagPoint3d{p[0][0], p[0][1], p[0][2]});
    double leftover = 0.0;  // length walked since the last point placed
    for (int i = 1; i < str.m_nCount; ++i) {
        const double d[3] = {p[i][0] - p[i - 1][0], p[i][1] - p[i - 1][1], p[i][2] - p[i - 1][2]};
        const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        double at = step - leftover;
        double last = -leftover;
        for (; at < len; at += step) {
            const double f = at / len;
            out.Add(tagPoint3d{p[i - 1][0] + f * d[0], p[i - 1][1] + f * d[1], p[i - 1][2] + f * d[2]});
            last = at;
        }
        leftover = len - last;
    }
    const int n = str.m_nCount - 1;
    if (n > 0) out.Add(tagPoint3d{p[n][0], p[n][1], p[n][2]});
}

int CSrfActor::StrptPrjToSurfAlongNormal(CStrP3D* pts, _nurbs_surface* surface, CArray<tagPoint2d, tagPoint2d>& out)
{
    if (!pts || !surface || pts->m_nCount < 2 || !pts->m_pPoints) return 0;
    _nurbs_surface* clone = BSRF_Clone(surface);
    if (!clone) return 0;
    SURFACE* record = ESRF_NewNurbs(clone);
    if (!record) {
        BSRF_Free(clone);
        return 0;
    }
    const double kept = ESSI_GetPointTol();
    ESSI_SetPointTol(kProjectPointTol);
    // Each projection starts from the previous (u, v); 1e12 asks for no guess.
    double u = 1e12, v = 1e12;
    for (int i = 0; i < pts->m_nCount; ++i) {
        double uu = u, vv = v, foot[3];
        if (ESRF_ProjectPoint(&uu, &vv, foot, record, pts->m_pPoints[i]) != 1) continue;
        out.Add(tagPoint2d{uu, vv});
        u = uu;
        v = vv;
    }
    ESSI_SetPointTol(kept);
    ENT_Free(record);
    return 1;
}
