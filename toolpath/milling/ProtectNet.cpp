#include "toolpath/milling/ProtectNet.h"

#include "framework/looker/Tool.h"
#include "toolpath/contours/SmartLoop.h"
#include "toolpath/milling/CentreConst.h"
#include "toolpath/milling/MillCenter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kStartDrop = 5;       // initial heights lie this far below the grown box
constexpr double kRangeSlack = 0.001;  // cell range: box ends this close to a node take it
constexpr double kSameX = 1e-6;        // row crossings this close are one
constexpr double kStampNear = 0.0001;  // points this close to a node raise it
constexpr double kLoopAbove = 0.01;    // loop tests: cell heights are compared with h + this

void Raise(CProtectNet& net, int row, int col, double z)
{
    double& h = net.At(row, col);
    if (z > h)
        h = z;
}

// The two outermost crossings of polygon pts (xyz) with the line y = y: x0 <= x1 with their
// heights; false when the row misses it.
bool PolygonRowSpan(const Pnt3* const* pts, int n, double y, double* x, double* z)
{
    int found = 0;
    const auto add = [&](double px, double pz) {
        if (found == 0) {
            x[0] = x[1] = px, z[0] = z[1] = pz, found = 1;
            return;
        }
        if (px < x[0] - kSameX)
            x[0] = px, z[0] = pz;
        else if (px > x[1] + kSameX)
            x[1] = px, z[1] = pz;
        else if (std::fabs(px - x[0]) <= kSameX)
            z[0] = std::max(z[0], pz);
        else if (std::fabs(px - x[1]) <= kSameX)
            z[1] = std::max(z[1], pz);
    };
    for (int i = 0; i < n; ++i) {
        const Pnt3& p = *pts[i];
        const Pnt3& q = *pts[(i + 1) % n];
        const double lo = std::min(p[1], q[1]), hi = std::max(p[1], q[1]);
        if (y < lo - kSameX || y > hi + kSameX)
            continue;
        if (hi - lo < kSameX) {
            add(p[0], p[2]);
            add(q[0], q[2]);
            continue;
        }
        if (y < lo || y > hi)
            continue;
        const double t = (y - p[1]) / (q[1] - p[1]);
        add(p[0] + t * (q[0] - p[0]), p[2] + t * (q[2] - p[2]));
    }
    return found != 0;
}

void RasterPolygon(CProtectNet& net, const Pnt3* const* pts, int n)
{
    double box[4] = {1e300, 1e300, -1e300, -1e300};
    for (int i = 0; i < n; ++i) {
        box[0] = std::min(box[0], (*pts[i])[0]), box[1] = std::min(box[1], (*pts[i])[1]);
        box[2] = std::max(box[2], (*pts[i])[0]), box[3] = std::max(box[3], (*pts[i])[1]);
    }
    int range[4];
    if (!ProtectNetCellRange(0, net, box, range))
        return;
    for (int r = range[1]; r <= range[3]; ++r) {
        double x[2], z[2];
        if (!PolygonRowSpan(pts, n, net.rowY[size_t(r)], x, z))
            continue;
        const double xb[4] = {x[0], box[1], x[1], box[3]};
        int cr[4];
        if (!ProtectNetCellRange(0, net, xb, cr))
            continue;
        for (int c = cr[0]; c <= cr[2]; ++c) {
            const double cx = net.columnX[size_t(c)];
            if (cx < x[0] || cx > x[1])
                continue;
            Raise(net, r, c, x[1] - x[0] <= kSameX ? z[0] : z[0] + (cx - x[0]) / (x[1] - x[0]) * (z[1] - z[0]));
        }
    }
}

void StampPoint(CProtectNet& net, const Pnt3& p)
{
    const double fc = (p[0] - net.columnX[0]) / net.step, fr = (p[1] - net.rowY[0]) / net.step;
    if (!(fc > -1 && fr > -1 && fc < net.columns && fr < net.rows))
        return;
    const int c = int(std::lround(fc)), r = int(std::lround(fr));
    if (c < 0 || r < 0 || c >= net.columns || r >= net.rows)
        return;
    if (std::fabs(net.columnX[size_t(c)] - p[0]) <= kStampNear && std::fabs(net.rowY[size_t(r)] - p[1]) <= kStampNear)
        Raise(net, r, c, p[2]);
}

void StampVertex(CProtectNet& net, const CTool& tool, const Pnt3& v, double r)
{
    const double box[4] = {v[0] - r, v[1] - r, v[0] + r, v[1] + r};
    int range[4];
    if (!ProtectNetCellRange(0, net, box, range))
        return;
    for (int i = range[1]; i <= range[3]; ++i)
        for (int j = range[0]; j <= range[2]; ++j) {
            const double p[3] = {net.columnX[size_t(j)], net.rowY[size_t(i)], 0};
            const double z = tool.Zval_VertCC(v.data(), p);
            if (z > centre::kNoHeight)
                Raise(net, i, j, z);
        }
}

}  // namespace

int ProtectNetCreate(double step, double margin, double value, const double* box, CProtectNet& net)
{
    ProtectNetFree(net);
    if (!(step > 0) || !std::isfinite(step) || !std::isfinite(margin))
        return 0;
    const double dx = box[3] - box[0], dy = box[4] - box[1];
    double m = 2 * step + margin;
    if (!(dx + 2 * m >= 1e-6) || !(dy + 2 * m >= 1e-6) || !std::isfinite(dx) || !std::isfinite(dy))
        return 0;
    // A request beyond the node cap grows the step until the grid fits.
    double cols = 0, rows = 0;
    for (;;) {
        m = 2 * step + margin;
        cols = std::ceil((dx + 2 * m) / step + 1);
        rows = std::ceil((dy + 2 * m) / step + 1);
        if (cols * rows <= protectnet::kMaxNodes)
            break;
        // Boxes too large for any finite step fail instead of looping.
        const double grow = std::sqrt(cols / protectnet::kMaxNodes * rows);
        step *= std::max(1.01, grow);
        if (!std::isfinite(step) || !std::isfinite(grow))
            return 0;
    }
    net.value = value;
    net.step = step;
    net.columns = int(cols);
    net.rows = int(rows);
    net.columnX.resize(size_t(net.columns));
    net.rowY.resize(size_t(net.rows));
    for (int j = 0; j < net.columns; ++j)
        net.columnX[size_t(j)] = box[0] - m + j * step;
    for (int i = 0; i < net.rows; ++i)
        net.rowY[size_t(i)] = box[1] - m + i * step;
    net.heights.assign(size_t(net.rows) * size_t(net.columns), box[2] - m - kStartDrop);
    net.flags.assign(net.heights.size(), 0);
    net.minZ = box[2];
    net.maxZ = box[5];
    return 1;
}

void ProtectNetFree(CProtectNet& net)
{
    net.rows = net.columns = 0;
    net.columnX = {};
    net.rowY = {};
    net.heights = {};
    net.flags = {};
}

int ProtectNetFill(CProtectNet& net, CMillCenter* model)
{
    if (!model)
        return 0;
    if (net.rows == 0 || net.columns == 0)
        return 1;
    for (const SOffsetSurf* s = model->offsets; s; s = s->next) {
        for (const SCentreTri& t : s->tris) {
            const Pnt3* p[3] = {&s->pts[size_t(t.v[0])], &s->pts[size_t(t.v[1])], &s->pts[size_t(t.v[2])]};
            RasterPolygon(net, p, 3);
        }
        for (const SCentreQuad& q : s->quads) {
            const Pnt3* p[4] = {&s->pts[size_t(q.v[0])], &s->pts[size_t(q.v[1])], &s->pts[size_t(q.v[2])],
                                &s->pts[size_t(q.v[3])]};
            RasterPolygon(net, p, 4);
        }
        for (const Pnt3& p : s->pts)
            StampPoint(net, p);
    }
    for (const SEdgeSurf* s = model->edges; s; s = s->next) {
        for (int i = 0; i + 1 < s->rows; ++i)
            for (int j = 0; j + 1 < centre::kTubeColumns; ++j) {
                const Pnt3* p[4] = {&s->At(i, j), &s->At(i, j + 1), &s->At(i + 1, j + 1), &s->At(i + 1, j)};
                RasterPolygon(net, p, 4);
            }
        for (const Pnt3& p : s->grid)
            StampPoint(net, p);
    }
    if (model->tool) {
        const double r = model->tool->GetDia() / 2.0;
        for (const Pnt3& v : model->vertices.v)
            StampVertex(net, *model->tool, v, r);
    }
    return 1;
}

bool ProtectNetCellRange(int grow, const CProtectNet& net, const double* box, int* range)
{
    if (net.rows == 0 || net.columns == 0)
        return false;
    const double x0 = net.columnX[0], y0 = net.rowY[0];
    const auto clampIdx = [](double v, int n) { return int(std::max(-1.0, std::min(double(n), v))); };
    range[0] = clampIdx(std::ceil((box[0] - x0 - kRangeSlack) / net.step) - grow, net.columns);
    range[2] = clampIdx(std::floor((box[2] - x0 + kRangeSlack) / net.step) + grow, net.columns);
    range[1] = clampIdx(std::ceil((box[1] - y0 - kRangeSlack) / net.step) - grow, net.rows);
    range[3] = clampIdx(std::floor((box[3] - y0 + kRangeSlack) / net.step) + grow, net.rows);
    range[0] = std::max(range[0], 0), range[1] = std::max(range[1], 0);
    range[2] = std::min(range[2], net.columns - 1), range[3] = std::min(range[3], net.rows - 1);
    return range[0] <= range[2] && range[1] <= range[3];
}

double ProtectNetMinHeight(const double* box, const CProtectNet& net)
{
    int range[4];
    if (!ProtectNetCellRange(2, net, box, range))
        return 1e12;
    double low = 1e12;
    for (int i = range[1]; i <= range[3]; ++i)
        for (int j = range[0]; j <= range[2]; ++j)
            low = std::min(low, net.At(i, j));
    return low;
}

double ProtectNetCellHeight(const double* p, const CProtectNet& net)
{
    if (net.rows < 3 || net.columns < 3)
        return -1e12;
    const double fc = (p[0] - net.columnX[0]) / net.step, fr = (p[1] - net.rowY[0]) / net.step;
    if (!(fc >= 1 && fr >= 1 && fc < net.columns - 1 && fr < net.rows - 1))
        return -1e12;
    const int c = int(fc), r = int(fr);
    if (c < 1 || r < 1 || c > net.columns - 2 || r > net.rows - 2)
        return -1e12;
    return std::min(std::min(net.At(r, c), net.At(r, c + 1)), std::min(net.At(r + 1, c), net.At(r + 1, c + 1)));
}

namespace {

// 1 as soon as a sample of the loop's contour satisfies hit (cell height, threshold).
template <class Hit>
int AnySample(const CSmartLoop* loop, const CProtectNet& net, double t, const Hit& hit)
{
    if (!loop || !loop->contour)
        return 0;
    for (CSmartSect* s = loop->GetSectHead(); s; s = s->next) {
        if (s->IsSectArc()) {
            for (int k = 0; k < 5; ++k) {
                double p[2];
                s->GetPoint(0.2 * k, p);
                if (hit(ProtectNetCellHeight(p, net), t))
                    return 1;
            }
        } else {
            double p[2];
            s->GetPoint(0, p);
            if (hit(ProtectNetCellHeight(p, net), t))
                return 1;
        }
    }
    return 0;
}

bool Above(double cell, double t) { return cell > t; }
bool Below(double cell, double t) { return cell < t; }

}  // namespace

int NetLoopAbove(double h, const CSmartLoop* loop, const CProtectNet& net)
{
    return AnySample(loop, net, h + kLoopAbove, Above);
}

int NetLoopBelow(double h, const CSmartLoop* loop, const CProtectNet& net)
{
    return AnySample(loop, net, h + kLoopAbove, Below);
}

int NetRegionAbove(double h, const CSmartLoop* loop, const CProtectNet& net)
{
    if (!loop)
        return 0;
    if (NetLoopAbove(h, loop, net))
        return 1;
    for (const CSmartLoop* i = loop->GetIsland(); i; i = i->next)
        if (NetLoopAbove(h, i, net))
            return 1;
    return 0;
}

int NetRegionBelow(double h, const CSmartLoop* loop, const CProtectNet& net)
{
    if (!loop || !NetLoopBelow(h, loop, net))
        return 0;
    for (const CSmartLoop* i = loop->GetIsland(); i; i = i->next)
        if (!NetLoopBelow(h, i, net))
            return 0;
    return 1;
}

namespace {

// 1 when a node within radius of p lies above t.
bool NodeAboveNear(const double* p, double radius, double t, const CProtectNet& net)
{
    const double box[4] = {p[0] - radius, p[1] - radius, p[0] + radius, p[1] + radius};
    int range[4];
    if (!ProtectNetCellRange(0, net, box, range))
        return false;
    for (int i = range[1]; i <= range[3]; ++i)
        for (int j = range[0]; j <= range[2]; ++j)
            if (net.At(i, j) > t && std::hypot(net.columnX[size_t(j)] - p[0], net.rowY[size_t(i)] - p[1]) <= radius)
                return true;
    return false;
}

bool ContourAboveNear(const CSmartLoop* loop, double radius, double t, const CProtectNet& net)
{
    const double spacing = net.step / 2;
    for (CSmartSect* s = loop->GetSectHead(); s; s = s->next) {
        const int n = std::max(1, int(std::ceil(s->GetLength() / spacing)));
        for (int k = 0; k <= n; ++k) {
            double p[2];
            s->GetPoint(double(k) / n, p);
            if (NodeAboveNear(p, radius, t, net))
                return true;
        }
    }
    return false;
}

}  // namespace

int NetRegionAboveNear(double h, const CSmartLoop* loop, double radius, const CProtectNet& net)
{
    if (!loop || net.rows == 0 || net.columns == 0)
        return 0;
    if (ContourAboveNear(loop, radius, h + kLoopAbove, net))
        return 1;
    for (const CSmartLoop* i = loop->GetIsland(); i; i = i->next)
        if (ContourAboveNear(i, radius, h + kLoopAbove, net))
            return 1;
    return 0;
}
