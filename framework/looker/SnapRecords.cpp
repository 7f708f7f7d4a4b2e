#include "framework/looker/SnapRecords.h"

#include <cmath>

namespace looker {

void QPoint::Set(const double* p, int dim)
{
    x = p[0];
    y = p[1];
    z = dim >= 3 ? p[2] : 0.0;
}

void QPoint::Mirror(const double* p, const double* q)
{
    const double dx = q[0] - p[0];
    const double dy = q[1] - p[1];
    const double len2 = dx * dx + dy * dy;
    if (!(len2 > 0.0)) {
        x = 2.0 * p[0] - x;
        y = 2.0 * p[1] - y;
        return;
    }
    // Foot of the perpendicular, then the same distance beyond it.
    const double t = ((x - p[0]) * dx + (y - p[1]) * dy) / len2;
    const double fx = p[0] + t * dx;
    const double fy = p[1] + t * dy;
    x = 2.0 * fx - x;
    y = 2.0 * fy - y;
}

int QPoint::IsInBox(const BOX2<double>& box, double tol) const
{
    return box.xmin - tol <= x && x <= box.xmax + tol && box.ymin - tol <= y && y <= box.ymax + tol ? 1 : 0;
}

int QPoint::IsInBox(const BOX3<double>& box, double tol) const
{
    return box.xmin - tol <= x && x <= box.xmax + tol && box.ymin - tol <= y && y <= box.ymax + tol ? 1 : 0;
}

}  // namespace looker

int CSnapAt::IsSnapPoint(const double* p, int /*dim*/) const
{
    if (!p) return 0;
    const double d = std::hypot(p[0] - m_ptCursor[0], p[1] - m_ptCursor[1]);
    return d <= m_dAperture ? 1 : 0;
}

void CSnapResult::PushBack(int kind, const Position& p, DBIUnknown* owner)
{
    m_items.push_back(CSnapItem{p, kind, owner});
}
