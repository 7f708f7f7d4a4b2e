#include "geometry/shapes3d/EndHash3d.h"

#include <algorithm>
#include <cmath>

namespace {

bool Finite3(const double* p) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }

// Cell indices are kept within this range so that they never overflow.
constexpr double kMaxIndex = 4.0e15;

}  // namespace

void CEndHash3d::Build(const std::vector<Entry>& entries, double cell)
{
    m_filed.clear();
    m_loose.clear();
    double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const Entry& e : entries) {
        if (!Finite3(e.p)) continue;
        for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], e.p[a]), hi[a] = std::max(hi[a], e.p[a]);
    }
    double extent = 0.0;
    for (int a = 0; a < 3; ++a) {
        m_origin[a] = lo[a] <= hi[a] ? lo[a] : 0.0;
        if (lo[a] <= hi[a]) extent = std::max(extent, hi[a] - lo[a]);
    }
    const double floorCell = std::max(extent * 1e-9, 1e-300);
    m_cell = std::isfinite(cell) && cell > floorCell ? cell : floorCell;
    m_filed.reserve(entries.size());
    for (const Entry& e : entries) {
        if (!Finite3(e.p)) {
            m_loose.push_back(e.id);
            continue;
        }
        m_filed.push_back({Key(Index(e.p[0], 0), Index(e.p[1], 1), Index(e.p[2], 2)), e.id});
    }
    std::sort(m_filed.begin(), m_filed.end());
}

std::int64_t CEndHash3d::Index(double v, int axis) const
{
    const double q = std::floor((v - m_origin[axis]) / m_cell);
    if (!(q > -kMaxIndex)) return static_cast<std::int64_t>(-kMaxIndex);  // also NaN
    if (q > kMaxIndex) return static_cast<std::int64_t>(kMaxIndex);
    return static_cast<std::int64_t>(q);
}

std::uint64_t CEndHash3d::Key(std::int64_t ix, std::int64_t iy, std::int64_t iz)
{
    // Distinct cells may share a key; that only adds candidates.
    auto mix = [](std::uint64_t v) {
        v ^= v >> 31;
        v *= 0x7fb5d329728ea185ULL;
        v ^= v >> 27;
        return v;
    };
    return mix(static_cast<std::uint64_t>(ix) * 0x9E3779B97F4A7C15ULL ^
               mix(static_cast<std::uint64_t>(iy) * 0xC2B2AE3D27D4EB4FULL ^
                   mix(static_cast<std::uint64_t>(iz) * 0x165667B19E3779F9ULL)));
}

void CEndHash3d::Near(const double* p, double r, std::vector<std::uint32_t>& out) const
{
    out.insert(out.end(), m_loose.begin(), m_loose.end());
    if (m_filed.empty() || !Finite3(p)) {
        if (!Finite3(p))
            for (const Filed& f : m_filed) out.push_back(f.id);
        return;
    }
    std::int64_t lo[3], hi[3];
    for (int a = 0; a < 3; ++a) {
        lo[a] = Index(p[a] - r, a);
        hi[a] = Index(p[a] + r, a);
    }
    // A radius far wider than the cells would visit too many cells: fall back to all.
    const double cells = static_cast<double>(hi[0] - lo[0] + 1) * static_cast<double>(hi[1] - lo[1] + 1) *
                         static_cast<double>(hi[2] - lo[2] + 1);
    if (cells > 64.0 || cells > static_cast<double>(m_filed.size())) {
        for (const Filed& f : m_filed) out.push_back(f.id);
        return;
    }
    for (std::int64_t ix = lo[0]; ix <= hi[0]; ++ix)
        for (std::int64_t iy = lo[1]; iy <= hi[1]; ++iy)
            for (std::int64_t iz = lo[2]; iz <= hi[2]; ++iz) {
                const std::uint64_t key = Key(ix, iy, iz);
                auto it = std::lower_bound(m_filed.begin(), m_filed.end(), Filed{key, 0});
                for (; it != m_filed.end() && it->key == key; ++it) out.push_back(it->id);
            }
}
