// Pieces of the sweep of a profile along the current axis segment, shared by the
// profile classes. Everything here reads the shape only.
#pragma once

#include "geometry/relief/RlfConst.h"
#include "geometry/relief/RlfShape.h"

#include <algorithm>
#include <cmath>

namespace rlf {

// |(dx, dy)|, the value hypotf gives for finite input (squares and their sum in
// double, one square root, rounded to float) without the library call: the
// stamping loops spend most of their time in it.
inline float PlaneDistance(float dx, float dy) { return float(std::sqrt(double(dx) * dx + double(dy) * dy)); }

// The x range where the row at y meets the convex hull of the discs (a, ra) and (b, rb);
// false when it misses.
bool HullRowSpan(const float* a, double ra, const float* b, double rb, double y, double& x0, double& x1);

// Rows with at least this many nodes in the update box are stamped in parallel.
constexpr long kParallelNodes = 1 << 14;

// Calls kernel(row, xs, y, i0, i1) for the nodes i0..i1 of each row of the update box
// that can come within reach of the segment; rows in parallel for large boxes. Every
// profile answers nothing outside the discs along the segment, whose radii run
// between the end half widths: the nodes asked are those near the capsule of the
// larger radius, or with taper those near the convex hull of the two end discs (for
// profiles whose discs along the segment interpolate the end widths linearly). The
// margin of a node's spacing covers the rounding of the float nodes and coordinates.
template <class Kernel>
void StampRows(const CRlfShape& sh, CTGrid<float>* grid, bool taper, Kernel&& kernel)
{
    if (!grid || !grid->rows) return;
    int box[2][2];
    sh.GetUpdateBox(grid, box);
    const double w0 = std::fabs(double(sh.node0[2])), w1 = std::fabs(double(sh.node1[2]));
    const double reach = std::max(w0, w1);
    const double ox = grid->origin[0], dx = grid->dx;
    const double margin = std::max(std::fabs(dx), std::fabs(double(grid->dy))) + 1e-5 * reach;
    const bool spans = std::isfinite(reach) && dx > 0.0 && std::isfinite(margin) && std::isfinite(sh.node0[0]) &&
                       std::isfinite(sh.node0[1]) && std::isfinite(sh.node1[0]) && std::isfinite(sh.node1[1]);
    const double r0 = (taper ? w0 : reach) + margin, r1 = (taper ? w1 : reach) + margin;
    const long nodes = long(box[1][0] - box[0][0] + 1) * long(box[1][1] - box[0][1] + 1);
#pragma omp parallel for schedule(dynamic, 8) if (nodes >= kParallelNodes)
    for (int j = box[0][1]; j <= box[1][1]; ++j) {
        const float y = grid->ys[j];
        int i0 = box[0][0], i1 = box[1][0];
        if (spans) {
            double x0, x1;
            if (!HullRowSpan(sh.node0, r0, sh.node1, r1, y, x0, x1)) continue;
            i0 = std::max(i0, int(std::clamp(std::floor((x0 - margin - ox) / dx), -1.0, double(grid->nx))));
            i1 = std::min(i1, int(std::clamp(std::ceil((x1 + margin - ox) / dx), -1.0, double(grid->nx))));
        }
        kernel(grid->rows[j], grid->xs.data(), y, i0, i1);
    }
}

// The axis node P(t) = node0 + t·axis (x, y, w) with scale s.
inline void AxisNode(const CRlfShape& sh, float t, float s, float* out)
{
    for (int i = 0; i < 3; ++i) out[i] = sh.node0[i] + t * sh.axis[i];
    out[3] = s;
}

// Tangent feet of (x, y) with 0 <= t <= tmax, written to t with their tangent index in
// k. Without outer tangents (one end circle holds the other) the discs shrink away
// from node0 monotonically, so the range ends 0 and tmax stand in (k = -1).
inline int TangentFeet(const CRlfShape& sh, float x, float y, float tmax, float* t, int* k)
{
    if (!sh.HasTangents()) {
        t[0] = 0.0f;
        k[0] = -1;
        if (tmax <= 0.0f) return 1;
        t[1] = tmax;
        k[1] = -1;
        return 2;
    }
    int n = 0;
    for (int i = 0; i < 2; ++i) {
        const float* tp = sh.tangentPoint[i];
        const float* td = sh.tangentDir[i];
        const float f = ((x - tp[0]) * td[0] + (y - tp[1]) * td[1]) / td[2];
        if (f >= 0.0f && f <= tmax) {
            t[n] = f;
            k[n] = i;
            ++n;
        }
    }
    return n;
}

// Scaled foot of (x, y) from A along V (xy) under the end scales; false when the
// denominator vanishes or a scale is not positive.
bool ScaledFoot(const CRlfShape& sh, const float* A, const float* V, float x, float y, double& f);

// The end discs the flags ask for (1 first given end, 2 second), each with its own
// scale, through eval(node); returns the bits of those that raised the output.
template <class Eval>
int EndDiscs(const CRlfShape& sh, int flags, Eval&& eval)
{
    const bool swapped = (sh.axisFlags & 8) != 0;
    const float* first = swapped ? sh.node1 : sh.node0;
    const float* second = swapped ? sh.node0 : sh.node1;
    int res = 0;
    if ((flags & 1) && eval(first)) res |= 1;
    if ((flags & 2) && eval(second)) res |= 2;
    return res;
}

// Sweep of the angle family. evalNode(node) evaluates a disc; evalFoot(node, k, t)
// a tangent foot (k = -1 for a range end standing in for missing tangents).
template <class EvalNode, class EvalFoot>
int AngleSweep(const CRlfShape& sh, int flags, float x, float y, EvalNode&& evalNode,
               EvalFoot&& evalFoot)
{
    int res = 0;
    float node[4];
    if ((flags & 4) && !(sh.axisFlags & 1)) {
        double f;
        if (sh.mode == 3) {
            if (ScaledFoot(sh, sh.node0, sh.axis, x, y, f) && f > 0.0 && f < 1.0) {
                AxisNode(sh, float(f), 1.0f, node);
                node[3] = sh.CalcHScale(node[2]);
                if (evalNode(node)) res |= 4;
            }
        } else if (sh.mode == 4 && std::fabs(sh.node0[3] - sh.node1[3]) > kAngleScaleTie &&
                   (sh.axisFlags & 2)) {
            float t[2];
            int k[2];
            if (sh.axisFlags & 4) {
                const int n = TangentFeet(sh, x, y, sh.clip[3], t, k);
                for (int i = 0; i < n; ++i) {
                    AxisNode(sh, t[i], 1.0f, node);
                    if (evalNode(node)) res |= 4;
                }
            }
            if (ScaledFoot(sh, sh.clip, sh.tail, x, y, f) && f >= 0.0 && f < 1.0) {
                const float u = float(f);
                node[0] = sh.clip[0] + u * sh.tail[0];
                node[1] = sh.clip[1] + u * sh.tail[1];
                node[2] = sh.clip[2] + u * sh.tail[2];
                node[3] = sh.CalcHScale(node[2]);
                if (evalNode(node)) res |= 4;
            }
        } else {
            float t[2];
            int k[2];
            const int n = TangentFeet(sh, x, y, 1.0f, t, k);
            for (int i = 0; i < n; ++i) {
                AxisNode(sh, t[i], sh.node0[3], node);
                if (evalFoot(node, k[i], t[i])) res |= 4;
            }
        }
    }
    // The end discs are looked at even when the sweep raised the output: a foot of the
    // far tangent can lie on the segment while the nearest disc is an end's.
    return res | EndDiscs(sh, flags, evalNode);
}

}  // namespace rlf
