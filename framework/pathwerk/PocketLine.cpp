#include "framework/pathwerk/PocketLine.h"

#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GeRegion.h"

#include <algorithm>
#include <cmath>

namespace {

struct Edge {
    double x0, y0, x1, y1;
    int region, loop, index;
};

}  // namespace

CPocketLine::~CPocketLine()
{
    DeleteOwnedList(m_listRegion);
    FreeLines();
}

void CPocketLine::FreeLines()
{
    for (CScanLine* l : m_scanLines) delete l;
    m_scanLines.clear();
}

int CPocketLine::BuildAllScanLine()
{
    FreeLines();
    if (m_listRegion.IsEmpty() || !(m_interval > 0) || !std::isfinite(m_interval)) return 0;
    // Every loop's display polyline, turned by -angle so the lines run along X.
    const double c = std::cos(-m_angle), s = std::sin(-m_angle);
    std::vector<Edge> edges;
    double ymin = 1e300, ymax = -1e300;
    int ri = 0;
    for (POSITION rp = m_listRegion.GetHeadPosition(); rp; ++ri) {
        CGeRegion* region = m_listRegion.GetNext(rp);
        if (!region) continue;
        int li = 0;
        auto& loops = region->GetLoopList();
        for (POSITION lp = loops.GetHeadPosition(); lp; ++li) {
            CGeLoop* loop = loops.GetNext(lp);
            if (!loop) continue;
            loop->PrepareDisplay();
            const int n = loop->GetSWPointCount();
            const auto* pts = loop->GetSWPoint();
            if (n < 2 || !pts) continue;
            for (int k = 0; k < n; ++k) {
                // The polyline is closed by its last edge back to the first point.
                const auto* a = pts[k];
                const auto* b = pts[(k + 1) % n];
                Edge e{c * a[0] - s * a[1], s * a[0] + c * a[1], c * b[0] - s * b[1], s * b[0] + c * b[1], ri, li, k};
                if (!std::isfinite(e.x0 + e.y0 + e.x1 + e.y1)) continue;
                ymin = std::min({ymin, e.y0, e.y1});
                ymax = std::max({ymax, e.y0, e.y1});
                edges.push_back(e);
            }
        }
    }
    if (edges.empty() || !(ymax > ymin)) return 0;

    std::vector<double> ys;
    if (m_border) {
        const double first = ymin + kBorderInset, last = ymax - kBorderInset;
        if ((last - first) / m_interval > kMaxLines) return 0;
        for (double y = first; y < last - kBorderInset; y = first + double(ys.size()) * m_interval) ys.push_back(y);
        if (last >= first) ys.push_back(last);
    } else {
        if ((ymax - ymin) / m_interval > kMaxLines) return 0;
        for (double y = ymin + m_interval / 2; y < ymax; y = ymin + (double(ys.size()) + 0.5) * m_interval) ys.push_back(y);
    }

    // Edges ordered by their lower y, so each line visits only those that can reach it.
    std::sort(edges.begin(), edges.end(),
              [](const Edge& a, const Edge& b) { return std::min(a.y0, a.y1) < std::min(b.y0, b.y1); });
    double longest = 0;
    for (const Edge& e : edges) longest = std::max(longest, std::fabs(e.y1 - e.y0));
    std::vector<SNCInterPoint> cross;
    for (double y : ys) {
        cross.clear();
        const auto first = std::lower_bound(edges.begin(), edges.end(), y - longest,
                                            [](const Edge& e, double v) { return std::min(e.y0, e.y1) < v; });
        for (auto it = first; it != edges.end() && std::min(it->y0, it->y1) <= y; ++it) {
            const Edge& e = *it;
            // Half-open rule: an edge counts when exactly one end lies above the line, so
            // a vertex on the line is counted once and horizontal edges never.
            if ((e.y0 > y) == (e.y1 > y)) continue;
            const double t = (y - e.y0) / (e.y1 - e.y0);
            SNCInterPoint p;
            p.x = e.x0 + t * (e.x1 - e.x0);
            p.y = y;
            p.region = e.region, p.loop = e.loop, p.edge = e.index;
            cross.push_back(p);
        }
        std::sort(cross.begin(), cross.end(), [](const SNCInterPoint& a, const SNCInterPoint& b) {
            return a.x < b.x || (a.x == b.x && (a.region < b.region || (a.region == b.region && a.loop < b.loop)));
        });
        auto* line = new CScanLine;
        line->SetSize(INT_PTR(cross.size()));
        for (size_t k = 0; k < cross.size(); ++k) {
            SNCInterPoint p = cross[k];
            const double x = p.x, yy = p.y;
            p.x = c * x + s * yy;  // turned back by +angle
            p.y = -s * x + c * yy;
            (*line)[INT_PTR(k)] = p;
        }
        m_scanLines.push_back(line);
    }
    return 1;
}
