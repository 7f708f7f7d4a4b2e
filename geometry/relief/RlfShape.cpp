#include "geometry/relief/RlfShape.h"

#include "framework/numerak/Equation.h"
#include "framework/numerak/Point2D.h"
#include "geometry/relief/RlfConst.h"
#include "geometry/relief/RlfSweep.h"
#include "geometry/shapes2d/GeLine.h"

#include <algorithm>
#include <cmath>

using namespace rlf;

namespace {

// Cells of the line index: twice the end tolerance, so the cell of a point and its
// eight neighbours hold every start within the tolerance.
constexpr double kLineCell = 2.0 * kLineEndTol;
constexpr double kMaxCell = 1 << 30;

std::int64_t CellOf(double v)
{
    const double c = std::floor(v / kLineCell);
    return static_cast<std::int64_t>(std::clamp(c, -kMaxCell, kMaxCell));
}

std::uint64_t CellKey(std::int64_t cx, std::int64_t cy)
{
    return (static_cast<std::uint64_t>(cx) << 32) ^ (static_cast<std::uint64_t>(cy) & 0xffffffffu);
}

// Grid index of a coordinate, clamped to [0, n - 1] before it becomes an int.
int ClampIndex(double v, int n)
{
    if (!(v > 0.0)) return 0;  // also NaN
    const double top = n - 1;
    return v >= top ? n - 1 : static_cast<int>(v);
}

}  // namespace

namespace rlf {

// The x range where the row at y meets the convex hull of the discs (a, ra) and (b, rb)
// (both discs and the band between their outer tangents); false when it misses.
bool HullRowSpan(const float* a, double ra, const float* b, double rb, double y, double& x0, double& x1)
{
    x0 = 1e300;
    x1 = -1e300;
    auto take = [&](double x) {
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
    };
    const double r[2] = {ra, rb};
    for (int e = 0; e < 2; ++e) {
        const float* c = e == 0 ? a : b;
        const double dy = y - c[1];
        if (std::fabs(dy) <= r[e]) {
            const double half = std::sqrt(r[e] * r[e] - dy * dy);
            take(c[0] - half);
            take(c[0] + half);
        }
    }
    // Outer tangents: unit normals n = u·cos + u⊥·(±sin) with cos = (ra - rb) / len touch
    // (a + ra·n) and (b + rb·n); none when one disc holds the other.
    const double ux = double(b[0]) - a[0], uy = double(b[1]) - a[1], len = std::hypot(ux, uy);
    if (len > std::fabs(ra - rb)) {
        const double c = (ra - rb) / len, s = std::sqrt(std::max(0.0, 1.0 - c * c));
        const double ex = ux / len, ey = uy / len;
        double corner[4][2];
        for (int k = 0; k < 2; ++k) {
            const double sg = k == 0 ? s : -s;
            const double nx = ex * c - ey * sg, ny = ey * c + ex * sg;
            const int i = k == 0 ? 0 : 3, j = k == 0 ? 1 : 2;
            corner[i][0] = a[0] + ra * nx;
            corner[i][1] = a[1] + ra * ny;
            corner[j][0] = b[0] + rb * nx;
            corner[j][1] = b[1] + rb * ny;
        }
        for (int k = 0; k < 4; ++k) {
            const double* p = corner[k];
            const double* q = corner[(k + 1) % 4];
            if ((p[1] - y) * (q[1] - y) > 0.0) continue;
            if (p[1] == q[1]) {
                take(p[0]);
                take(q[0]);
            } else {
                take(p[0] + (y - p[1]) * (q[0] - p[0]) / (q[1] - p[1]));
            }
        }
    }
    return x0 <= x1;
}

}  // namespace rlf

CRlfShape::CRlfShape()
    : paramA(0.0f), height(0.0f), angle(0.0f), paramC(0.0f), maxSpan(kDefaultSpan), mode(0),
      skeletonMode(1), minWidth(kMinWidth), node0{}, node1{}, clip{}, axis{}, tail{},
      tangentPoint{}, tangentDir{}, topHeight(0.0f), sinAngle(0.0f), cosAngle(1.0f),
      tanAngle(0.0f), updateBox{}, axisFlags(0), lines(10)
{
}

CRlfShape::CRlfShape(const CRlfShape& o)
    : paramA(o.paramA), height(o.height), angle(o.angle), paramC(o.paramC), maxSpan(o.maxSpan),
      mode(o.mode), skeletonMode(o.skeletonMode), minWidth(o.minWidth), topHeight(o.topHeight),
      sinAngle(o.sinAngle), cosAngle(o.cosAngle), tanAngle(o.tanAngle), axisFlags(o.axisFlags),
      lines(10)
{
    std::copy(std::begin(o.node0), std::end(o.node0), node0);
    std::copy(std::begin(o.node1), std::end(o.node1), node1);
    std::copy(std::begin(o.clip), std::end(o.clip), clip);
    std::copy(std::begin(o.axis), std::end(o.axis), axis);
    std::copy(std::begin(o.tail), std::end(o.tail), tail);
    std::copy(&o.tangentPoint[0][0], &o.tangentPoint[0][0] + 4, &tangentPoint[0][0]);
    std::copy(&o.tangentDir[0][0], &o.tangentDir[0][0] + 6, &tangentDir[0][0]);
    std::copy(std::begin(o.updateBox), std::end(o.updateBox), updateBox);
}

CRlfShape* CRlfShape::CloneProfile() const { return nullptr; }

CRlfShape::~CRlfShape()
{
    POSITION pos = lines.GetHeadPosition();
    while (pos) delete lines.GetNext(pos);
    lines.RemoveAll();
}

void CRlfShape::SetParam(float a, float h, int m, float ang, float c)
{
    paramA = a;
    height = h;
    mode = m;
    angle = ang;
    paramC = c;
    sinAngle = std::sin(ang);
    cosAngle = std::cos(ang);
    tanAngle = std::tan(ang);
    maxSpan = kDefaultSpan;
}

void CRlfShape::SetMaxSpan(float s) { maxSpan = std::max(s, kMinSpan); }

int CRlfShape::SetCAxis(double* p, double* q)
{
    if (FindLine(p, q)) return 0;
    lines.AddTail(new CGeLine(p, q));
    IndexLine(p, q);
    float fp[3] = {float(p[0]), float(p[1]), float(p[2])};
    float fq[3] = {float(q[0]), float(q[1]), float(q[2])};
    SetCAxis(fp, fq);
    return 1;
}

void CRlfShape::SetCAxis(float* p, float* q)
{
    axisFlags = 0;
    const float* a = p;
    const float* b = q;
    if (!(q[2] < p[2])) {
        std::swap(a, b);
        axisFlags |= 8;
    }
    for (int i = 0; i < 3; ++i) {
        node0[i] = a[i];
        node1[i] = b[i];
    }
    node0[3] = CalcHScale(node0[2]);
    node1[3] = CalcHScale(node1[2]);
    if (node1[2] < kSpanSlack) node1[3] = node0[3];

    updateBox[0] = std::min(p[0] - p[2], q[0] - q[2]);
    updateBox[1] = std::min(p[1] - p[2], q[1] - q[2]);
    updateBox[2] = std::max(p[0] + p[2], q[0] + q[2]);
    updateBox[3] = std::max(p[1] + p[2], q[1] + q[2]);

    for (int i = 0; i < 3; ++i) axis[i] = node1[i] - node0[i];
    axis[3] = 0.0f;

    const float w0 = node0[2], w1 = node1[2], m = maxSpan;
    if (std::fabs(axis[0]) + std::fabs(axis[1]) < kDegenerateAxis) {
        axisFlags |= 1;
        std::copy(node0, node0 + 3, clip);
        clip[3] = 0.0f;
    } else if (w0 < m + kSpanSlack) {
        axisFlags |= 2;
        std::copy(node0, node0 + 3, clip);
        clip[3] = 0.0f;
    } else if (w1 > m - kSpanSlack) {
        axisFlags |= 4;
        std::copy(node1, node1 + 3, clip);
        clip[3] = 1.0f;
    } else {
        axisFlags |= 2 | 4;
        const float t = (m - w0) / axis[2];
        for (int i = 0; i < 3; ++i) clip[i] = node0[i] + t * axis[i];
        clip[3] = t;
    }
    for (int i = 0; i < 3; ++i) tail[i] = node1[i] - clip[i];

    // Without two outer tangents (degenerate, or one circle inside the other) the
    // tangent data are cleared so that no sweep reads a previous segment's.
    for (int k = 0; k < 2; ++k) {
        tangentPoint[k][0] = node0[0];
        tangentPoint[k][1] = node0[1];
        tangentDir[k][0] = tangentDir[k][1] = tangentDir[k][2] = 0.0f;
    }
    if (axisFlags & 1) return;
    double theta[2];
    if (EQU_SolExpoEquation(axis[0], axis[1], -axis[2], theta) != 2) return;
    for (int k = 0; k < 2; ++k) {
        const float c = float(std::cos(theta[k])), s = float(std::sin(theta[k]));
        tangentPoint[k][0] = node0[0] + w0 * c;
        tangentPoint[k][1] = node0[1] + w0 * s;
        tangentDir[k][0] = axis[0] + axis[2] * c;
        tangentDir[k][1] = axis[1] + axis[2] * s;
        tangentDir[k][2] = tangentDir[k][0] * tangentDir[k][0] + tangentDir[k][1] * tangentDir[k][1];
    }
}

int CRlfShape::CalcHeight(int flags, float x, float y, float& h, float&) const
{
    return CalcHeight(flags, x, y, h);
}

int CRlfShape::CalcHeight(int, float, float, float&) const { return 0; }

int CRlfShape::CalcHeight(const float* node, float x, float y, float& h, float&) const
{
    return CalcHeight(node, x, y, h);
}

int CRlfShape::CalcHeight(const float*, float, float, float&) const { return 0; }

int CRlfShape::CalcHeightEx(const float*, const float*, float, float, float&, float&) const
{
    return 0;
}

void CRlfShape::GetUpdateBox(const CTGrid<float>* grid, int (*box)[2]) const
{
    const double ox = grid->origin[0], oy = grid->origin[1];
    const double dx = grid->dx, dy = grid->dy;
    box[0][0] = ClampIndex(std::floor((updateBox[0] - ox) / dx), grid->nx);
    box[1][0] = ClampIndex(std::ceil((updateBox[2] - ox) / dx), grid->nx);
    box[0][1] = ClampIndex(std::floor((updateBox[1] - oy) / dy), grid->ny);
    box[1][1] = ClampIndex(std::ceil((updateBox[3] - oy) / dy), grid->ny);
    // An empty grid: nothing to visit.
    if (grid->nx <= 0) box[1][0] = -1;
    if (grid->ny <= 0) box[1][1] = -1;
}

void CRlfShape::UpdateGrid(int flags, CTGrid<float>* grid) const
{
    StampRows(*this, grid, false, [&](float* row, const float* xs, float y, int i0, int i1) {
        for (int i = i0; i <= i1; ++i) CalcHeight(flags, xs[i], y, row[i]);
    });
}

int CRlfShape::FindLine(const double* p, const double* q) const
{
    return MatchesFrom(p, q) || MatchesFrom(q, p) ? 1 : 0;
}

// A stored segment starting within the tolerance of a and ending within it of b.
bool CRlfShape::MatchesFrom(const double* a, const double* b) const
{
    const std::int64_t cx = CellOf(a[0]), cy = CellOf(a[1]);
    for (std::int64_t i = cx - 1; i <= cx + 1; ++i) {
        for (std::int64_t j = cy - 1; j <= cy + 1; ++j) {
            const auto it = byStart_.find(CellKey(i, j));
            if (it == byStart_.end()) continue;
            for (int n : it->second) {
                const StoredLine& s = stored_[n];
                if (P2D_AbsDist(a, s.p) <= kLineEndTol && P2D_AbsDist(b, s.q) <= kLineEndTol)
                    return true;
            }
        }
    }
    return false;
}

void CRlfShape::IndexLine(const double* p, const double* q)
{
    // A segment with a non-finite end never matches: keep it out of the index.
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(q[0]) || !std::isfinite(q[1]))
        return;
    stored_.push_back({{p[0], p[1]}, {q[0], q[1]}});
    byStart_[CellKey(CellOf(p[0]), CellOf(p[1]))].push_back(int(stored_.size() - 1));
}

// ---------------------------------------------------------------------------
// Angle-family pieces

void CRlfShape::SetAngleSpan()
{
    if (mode == 1 || mode == 3) {
        tanAngle = height / maxSpan;
        angle = std::atan(tanAngle);
        sinAngle = std::sin(angle);
        cosAngle = std::cos(angle);
    } else if (mode == 2 || mode == 4) {
        // A flat profile has no span; it never reaches the height.
        maxSpan = tanAngle != 0.0f ? height / tanAngle : kNoSpan;
        if (!std::isfinite(maxSpan)) maxSpan = kNoSpan;
    }
}

float CRlfShape::AngleHScale(float w) const
{
    if ((mode != 3 && mode != 4) || !(w > minWidth)) return 1.0f;
    const float den = w * tanAngle;
    if (den == 0.0f) return 1.0f;
    const float s = height / den;
    if (!std::isfinite(s)) return 1.0f;
    return mode == 4 ? std::max(1.0f, s) : s;
}

float CRlfShape::AngleTopHeight() const
{
    return maxSpan < node0[2] ? height : node0[2] * tanAngle * node0[3];
}

float SignedLineDistance(const float* p, const float* q, const float* d)
{
    const float len = std::hypot(d[0], d[1]);
    if (len < kMinDirection) return P2F_Dist(p, q);
    return (-d[1] * (p[0] - q[0]) + (p[1] - q[1]) * d[0]) / len;
}

// ---------------------------------------------------------------------------
// Sweep pieces

namespace rlf {

bool ScaledFoot(const CRlfShape& sh, const float* A, const float* V, float x, float y, double& f)
{
    if (!(sh.node0[3] > 0.0f) || !(sh.node1[3] > 0.0f)) return false;
    const double i0 = 1.0 / sh.node0[3];
    const double j = 1.0 / sh.node1[3] - i0;
    const double Dx = double(x) - A[0], Dy = double(y) - A[1];
    const double Q = double(V[0]) * Dx + double(V[1]) * Dy;
    const double R = (double(V[0]) * V[0] + double(V[1]) * V[1]) * i0 + Q * j;
    const double T = (Dx * Dx + Dy * Dy) * j + i0 * Q;
    if (!(std::fabs(R) > kFootDenominator)) return false;
    f = T / R;
    return std::isfinite(f);
}

}  // namespace rlf
