#include "geometry/algorithms/HullLine.h"

#include "geometry/shapes2d/CurveList.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>
#include <cmath>
#include <memory>

namespace {

// MinAreaRect's answer when no edge gives a direction.
constexpr double kNoArea = 1e12;

bool IsFinite(const tagPoint2f& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

bool IsSame(const tagPoint2f& a, const tagPoint2f& b) { return a.x == b.x && a.y == b.y; }

// Float bits mapped to unsigned integers in the same order. -0 becomes +0,
// so that equal coordinates stay together.
std::uint32_t OrderedBits(float f)
{
    if (f == 0.0f) f = 0.0f;
    const auto u = std::bit_cast<std::uint32_t>(f);
    return (u & 0x80000000u) ? ~u : (u | 0x80000000u);
}

float FromOrderedBits(std::uint32_t k) { return std::bit_cast<float>((k & 0x80000000u) ? (k & 0x7fffffffu) : ~k); }

// Sorts keys with four stable counting passes of 16 bits each.
void RadixSort(std::vector<std::uint64_t>& keys)
{
    constexpr int kDigitBits = 16;
    constexpr std::size_t kDigits = std::size_t{1} << kDigitBits;
    std::vector<std::uint64_t> buffer(keys.size());
    std::vector<std::size_t> count(kDigits);
    for (int shift = 0; shift < 64; shift += kDigitBits) {
        std::fill(count.begin(), count.end(), 0);
        for (const std::uint64_t k : keys) ++count[(k >> shift) & (kDigits - 1)];
        // A digit shared by every key moves nothing.
        if (count[(keys.front() >> shift) & (kDigits - 1)] == keys.size()) continue;
        std::size_t sum = 0;
        for (std::size_t& c : count) sum += std::exchange(c, sum);
        for (const std::uint64_t k : keys) buffer[count[(k >> shift) & (kDigits - 1)]++] = k;
        keys.swap(buffer);
    }
}

}  // namespace

void CHullLine::CalculateConvexHull()
{
    if (m_points.empty()) return;
    m_hull.clear();
    QuickSortPtsBasedOnX();
    ConvexHull2D(m_points, m_hull);
}

void CHullLine::QuickSortPtsBasedOnX()
{
    const auto finiteEnd = std::partition(m_points.begin(), m_points.end(), IsFinite);
    const auto n = static_cast<std::size_t>(finiteEnd - m_points.begin());
    if (n < 2) return;
    // A point packs into one 64-bit key ordered by x, then y: sorting the keys
    // sorts the points, and the keys give the points back exactly.
    std::vector<std::uint64_t> keys(n);
    for (std::size_t i = 0; i < n; ++i)
        keys[i] = (std::uint64_t{OrderedBits(m_points[i].x)} << 32) | OrderedBits(m_points[i].y);
    RadixSort(keys);
    for (std::size_t i = 0; i < n; ++i)
        m_points[i] = {FromOrderedBits(static_cast<std::uint32_t>(keys[i] >> 32)),
                       FromOrderedBits(static_cast<std::uint32_t>(keys[i]))};
}

double CHullLine::IsPoint2DLeft(tagPoint2f a, tagPoint2f b, tagPoint2f c)
{
    const double bx = static_cast<double>(b.x) - a.x, by = static_cast<double>(b.y) - a.y;
    const double cx = static_cast<double>(c.x) - a.x, cy = static_cast<double>(c.y) - a.y;
    return bx * cy - cx * by;
}

void CHullLine::ConvexHull2D(std::vector<tagPoint2f>& sorted, std::vector<tagPoint2f>& hull)
{
    const std::vector<tagPoint2f>& p = sorted;
    hull.clear();
    std::size_t n = 0;
    while (n < p.size() && IsFinite(p[n])) ++n;
    if (n == 0) return;

    // The leftmost run runs from its lowest point (minmin) to its highest
    // (minmax), the rightmost from maxmin to maxmax.
    const std::size_t minmin = 0;
    std::size_t minmax = 0;
    while (minmax + 1 < n && p[minmax + 1].x == p[0].x) ++minmax;
    if (minmax == n - 1) {
        hull.push_back(p[0]);
        if (p[minmax].y != p[0].y) hull.push_back(p[minmax]);
        hull.push_back(p[0]);
        return;
    }
    const std::size_t maxmax = n - 1;
    std::size_t maxmin = n - 1;
    while (maxmin > 0 && p[maxmin - 1].x == p[maxmax].x) --maxmin;

    // Lower chain from minmin to maxmin: points on or above the line between
    // them cannot be on it.
    hull.push_back(p[minmin]);
    for (std::size_t i = minmax + 1; i <= maxmin; ++i) {
        if (i < maxmin && IsPoint2DLeft(p[minmin], p[maxmin], p[i]) >= 0) continue;
        while (hull.size() >= 2 && IsPoint2DLeft(hull[hull.size() - 2], hull.back(), p[i]) <= 0) hull.pop_back();
        hull.push_back(p[i]);
    }
    // Upper chain from maxmax back to minmax. Ends of the runs are compared by
    // value, so that a repeated extreme point is not taken twice.
    if (!IsSame(p[maxmax], p[maxmin])) hull.push_back(p[maxmax]);
    const std::size_t bottom = hull.size() - 1;
    for (std::size_t i = maxmin; i-- > minmax;) {
        if (i > minmax && IsPoint2DLeft(p[maxmax], p[minmax], p[i]) >= 0) continue;
        while (hull.size() - 1 > bottom && IsPoint2DLeft(hull[hull.size() - 2], hull.back(), p[i]) <= 0)
            hull.pop_back();
        hull.push_back(p[i]);
    }
    if (!IsSame(p[minmax], p[minmin])) hull.push_back(p[minmin]);
}

void CHullLine::CalMaxLenVector()
{
    double longest = 0.0;
    for (std::size_t i = 1; i < m_hull.size(); ++i) {
        const double dx = static_cast<double>(m_hull[i].x) - m_hull[i - 1].x;
        const double dy = static_cast<double>(m_hull[i].y) - m_hull[i - 1].y;
        const double len2 = dx * dx + dy * dy;
        if (len2 > longest) {
            longest = len2;
            m_direction[0] = dx;
            m_direction[1] = dy;
        }
    }
}

double CHullLine::CalMinAreaRect(double* centre, double (*axes)[2])
{
    if (m_hull.empty() ||
        std::all_of(m_hull.begin(), m_hull.end(), [this](const tagPoint2f& q) { return IsSame(q, m_hull[0]); }))
        return 0.0;
    auto pts = std::make_unique<double[][2]>(m_hull.size());
    for (std::size_t i = 0; i < m_hull.size(); ++i) {
        pts[i][0] = m_hull[i].x;
        pts[i][1] = m_hull[i].y;
    }
    double c[2] = {0.0, 0.0};
    double a[2][2] = {{0.0, 0.0}, {0.0, 0.0}};
    const double area = MinAreaRect(pts.get(), static_cast<int>(m_hull.size()), c, a);
    if (!(area < kNoArea)) return area;
    if (centre) std::copy(c, c + 2, centre);
    if (axes) {
        std::copy(a[0], a[0] + 2, axes[0]);
        std::copy(a[1], a[1] + 2, axes[1]);
    }
    m_direction[0] = a[0][0];
    m_direction[1] = a[0][1];
    return area;
}
