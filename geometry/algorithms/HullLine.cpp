#include "geometry/algorithms/HullLine.h"

#include "geometry/shapes2d/CurveList.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// MinAreaRect's answer when no edge gives a direction.
constexpr double kNoArea = 1e12;

bool IsFinite(const tagPoint2f& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

bool IsSame(const tagPoint2f& a, const tagPoint2f& b) { return a.x == b.x && a.y == b.y; }

// By x, then y; points that are not finite after all others (a strict weak
// order even with NaN).
bool Precedes(const tagPoint2f& a, const tagPoint2f& b)
{
    const bool fa = IsFinite(a), fb = IsFinite(b);
    if (fa != fb) return fa;
    if (!fa) return false;
    return a.x < b.x || (a.x == b.x && a.y < b.y);
}

}  // namespace

void CHullLine::CalculateConvexHull()
{
    if (m_points.empty()) return;
    m_hull.clear();
    QuickSortPtsBasedOnX();
    ConvexHull2D(m_points, m_hull);
}

void CHullLine::QuickSortPtsBasedOnX() { std::sort(m_points.begin(), m_points.end(), Precedes); }

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
