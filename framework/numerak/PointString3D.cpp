#include "framework/numerak/PointString3D.h"

#include "framework/numerak/Matrix33.h"
#include "framework/numerak/PointString.h"

#include <algorithm>
#include <cmath>

namespace {

inline double Dist(const double* a, const double* b)
{
    const double d[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    return std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}
inline double Dist2D(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }
inline double Dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline void Sub(const double* a, const double* b, double* out)
{
    out[0] = a[0] - b[0];
    out[1] = a[1] - b[1];
    out[2] = a[2] - b[2];
}
// out = a + t·(b - a).
inline void Lerp(const double* a, const double* b, double t, double* out)
{
    out[0] = a[0] + t * (b[0] - a[0]);
    out[1] = a[1] + t * (b[1] - a[1]);
    out[2] = a[2] + t * (b[2] - a[2]);
}
inline void Copy(const double* a, double* out) { std::copy_n(a, 3, out); }
inline bool Finite3(const double* p) { return std::isfinite(p[0] + p[1] + p[2]); }

} // namespace

CStrP3D::CStrP3D() { m_box.InitEmpty(); }

CStrP3D::~CStrP3D() = default;

int CStrP3D::Create(int n, bool withParams, bool withNormals)
{
    Clear();
    if (n < 1) return 0;
    const auto count = static_cast<std::size_t>(n);
    m_points.assign(3 * count, 0.0);
    m_pPoints = reinterpret_cast<double(*)[3]>(m_points.data());
    if (withParams) {
        m_params.assign(count, 0.0);
        m_pParams = m_params.data();
    }
    if (withNormals) {
        m_normals.assign(3 * count, 0.0);
        m_pNormals = reinterpret_cast<double(*)[3]>(m_normals.data());
    }
    m_nCount = n;
    return 1;
}

int CStrP3D::CreateMemNormal(int n)
{
    if (n < 1 || n != m_nCount || !m_pPoints) return 0;
    m_normals.assign(3 * static_cast<std::size_t>(n), 0.0);
    m_pNormals = reinterpret_cast<double(*)[3]>(m_normals.data());
    return 1;
}

void CStrP3D::Clear()
{
    m_points.clear();
    m_points.shrink_to_fit();
    m_normals.clear();
    m_normals.shrink_to_fit();
    m_params.clear();
    m_params.shrink_to_fit();
    m_pPoints = nullptr;
    m_pNormals = nullptr;
    m_pParams = nullptr;
    m_nCount = 0;
    m_box.InitEmpty();
}

void CStrP3D::CopyTo(CStrP3D& other) const
{
    if (&other == this) return;
    other.Clear();
    if (!m_pPoints || m_nCount < 1) return;
    other.Create(m_nCount, m_pParams != nullptr, m_pNormals != nullptr);
    std::copy_n(&m_pPoints[0][0], 3 * m_nCount, &other.m_pPoints[0][0]);
    if (m_pParams) std::copy_n(m_pParams, m_nCount, other.m_pParams);
    if (m_pNormals) std::copy_n(&m_pNormals[0][0], 3 * m_nCount, &other.m_pNormals[0][0]);
    other.m_box = m_box;
}

void CStrP3D::Reverse()
{
    if (!m_pPoints || m_nCount < 2) return;
    std::reverse(m_pPoints, m_pPoints + m_nCount);
    if (m_pNormals) std::reverse(m_pNormals, m_pNormals + m_nCount);
    if (m_pParams) {
        std::reverse(m_pParams, m_pParams + m_nCount);
        for (int i = 0; i < m_nCount; ++i) m_pParams[i] = 1.0 - m_pParams[i];
    }
}

void CStrP3D::Truncate(int n)
{
    if (n < 0 || n >= m_nCount) return;
    m_nCount = n;
    if (n == 0) Clear();
}

void CStrP3D::CalcBox()
{
    m_box.InitEmpty();
    if (!m_pPoints) return;
    for (int i = 0; i < m_nCount; ++i) m_box.Extend(m_pPoints[i]);
}

void CStrP3D::GetBox(BOX3<double>* box) const
{
    if (box) *box = m_box;
}

int CStrP3D::Pick(const double* pt, double aperture, double& d) const
{
    if (!m_pPoints || m_nCount < 2 || !std::isfinite(pt[0] + pt[1])) return 0;
    double best = INFINITY;
    for (int i = 1; i < m_nCount; ++i) {
        const double* a = m_pPoints[i - 1];
        const double* b = m_pPoints[i];
        const double dx = b[0] - a[0], dy = b[1] - a[1];
        const double len2 = dx * dx + dy * dy;
        double u = len2 > 0.0 ? ((pt[0] - a[0]) * dx + (pt[1] - a[1]) * dy) / len2 : 0.0;
        u = std::clamp(u, 0.0, 1.0);
        best = std::fmin(best, std::hypot(pt[0] - (a[0] + u * dx), pt[1] - (a[1] + u * dy)));
    }
    if (!(best < aperture)) return 0;
    d = best;
    return 1;
}

int CStrP3D::Pick3d(const double* origin, const double* dir, double aperture, double& depth, double& t,
                    int& seg) const
{
    const double dd = Dot(dir, dir);
    if (!m_pPoints || m_nCount < 2 || !(dd > 0.0) || !std::isfinite(dd) || !Finite3(origin)) return 0;
    // Perpendicular part of a vector with respect to the ray.
    auto perp = [&](const double* v, double* out) {
        const double s = Dot(v, dir) / dd;
        for (int i = 0; i < 3; ++i) out[i] = v[i] - s * dir[i];
    };
    int bestSeg = 0;
    double bestDepth = 0.0, bestU = 0.0;
    for (int k = 1; k < m_nCount; ++k) {
        const double* a = m_pPoints[k - 1];
        const double* b = m_pPoints[k];
        if (!Finite3(a) || !Finite3(b)) continue;
        double w[3], e[3], wp[3], ep[3];
        Sub(a, origin, w);
        Sub(b, a, e);
        perp(w, wp);
        perp(e, ep);
        // The squared distance of a + u·e from the ray line is convex in u: minimise on [0, 1].
        const double ee = Dot(ep, ep);
        const double u = ee > 0.0 ? std::clamp(-Dot(wp, ep) / ee, 0.0, 1.0) : 0.0;
        const double r[3] = {wp[0] + u * ep[0], wp[1] + u * ep[1], wp[2] + u * ep[2]};
        if (!(std::sqrt(Dot(r, r)) < aperture)) continue;
        const double q[3] = {w[0] + u * e[0], w[1] + u * e[1], w[2] + u * e[2]};
        const double s = Dot(q, dir);
        if (bestSeg == 0 || s < bestDepth) {
            bestSeg = k;
            bestDepth = s;
            bestU = u;
        }
    }
    if (bestSeg == 0) return 0;
    depth = bestDepth;
    t = bestU;
    seg = bestSeg;
    return 1;
}

namespace {

// x and y of the points, one pair after another.
std::vector<double> FlatXY(const double (*pts)[3], int n, const _rect_fm3d* frame)
{
    std::vector<double> flat(2 * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        double q[3];
        if (frame)
            RF_TransWorldP3D(frame, pts[i], q);
        else
            Copy(pts[i], q);
        flat[2 * i] = q[0];
        flat[2 * i + 1] = q[1];
    }
    return flat;
}

}  // namespace

int CStrP3D::PickBox(const _rect_fm3d* frame, const BOX2<double>* box) const
{
    if (!m_pPoints || m_nCount < 1 || !box) return 0;
    const std::vector<double> flat = FlatXY(m_pPoints, m_nCount, frame);
    return SP2D_PickBox(flat.data(), m_nCount, nullptr, box);
}

double CStrP3D::EvArea() const
{
    if (!m_pPoints || m_nCount < 3) return 0.0;
    const std::vector<double> flat = FlatXY(m_pPoints, m_nCount, nullptr);
    return SP2D_EvArea(flat.data(), m_nCount);
}

double SP3D_EvLength(const double (*pts)[3], int n)
{
    if (!pts || n < 2) return 0.0;
    double len = 0.0;
    for (int i = 1; i < n; ++i) len += Dist(pts[i - 1], pts[i]);
    return len;
}

double SP3D_EvLength2D(const double (*pts)[3], int n)
{
    if (!pts || n < 2) return 0.0;
    double len = 0.0;
    for (int i = 1; i < n; ++i) len += Dist2D(pts[i - 1], pts[i]);
    return len;
}

int SP3D_PrjPnt(const double (*pts)[3], int n, const double* p, double* out, double& t, unsigned int& seg)
{
    if (!pts || n < 2 || !std::isfinite(p[0] + p[1] + p[2])) return 0;
    double best = INFINITY, bestT = 0.0, bestPt[3] = {0.0, 0.0, 0.0};
    int bestSeg = 0;
    for (int i = 1; i < n; ++i) {
        double d[3], v[3];
        Sub(pts[i], pts[i - 1], d);
        Sub(p, pts[i - 1], v);
        const double dd = Dot(d, d);
        double u = dd > 0.0 ? Dot(v, d) / dd : 0.0;
        u = std::clamp(u, 0.0, 1.0);
        double q[3];
        Lerp(pts[i - 1], pts[i], u, q);
        const double dist = Dist(p, q);
        if (dist < best) {
            best = dist;
            bestT = u;
            bestSeg = i;
            Copy(q, bestPt);
        }
    }
    if (bestSeg == 0) return 0;
    Copy(bestPt, out);
    t = bestT;
    seg = static_cast<unsigned int>(bestSeg);
    return 1;
}
