#include "framework/numerak/PointString3D.h"

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
