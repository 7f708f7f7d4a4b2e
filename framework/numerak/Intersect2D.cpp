#include "framework/numerak/Intersect2D.h"

#include "framework/numerak/Bezier2D.h"
#include "framework/numerak/Polynomial.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

bool finite(const double* v, int n)
{
    if (!v)
        return false;
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i]))
            return false;
    return true;
}

// Points computed from input near the limits of double range can overflow.
int finiteOr0(const double* pts, int n)
{
    return finite(pts, 2 * n) ? n : 0;
}

bool validTol(double tol)
{
    return std::isfinite(tol) && tol >= 0.0;
}

double cross(double ax, double ay, double bx, double by)
{
    return ax * by - ay * bx;
}

double dist(const double* a, const double* b)
{
    return std::hypot(a[0] - b[0], a[1] - b[1]);
}

double wrapTurn(double angle)
{
    double f = angle / kTwoPi;
    f -= std::floor(f);
    return f >= 1.0 ? 0.0 : f;
}

double wrapAngle(double angle)
{
    return wrapTurn(angle) * kTwoPi;
}

// out = a * b for polynomials of degrees da and db (out must not alias).
void polyMul(const double* a, int da, const double* b, int db, double* out)
{
    for (int i = 0; i <= da + db; ++i)
        out[i] = 0.0;
    for (int i = 0; i <= da; ++i)
        for (int j = 0; j <= db; ++j)
            out[i + j] += a[i] * b[j];
}

// ---------------------------------------------------------------- lines

// p + s dirP meets q + t dirQ. twoPointQ: q2 = q + dirQ also decides the overlap.
int lineLineCore(const double* p, const double* dp, const double* q, const double* dq, double tolLen,
                 double tolAng, bool twoPointQ, double* out)
{
    if (!out || !validTol(tolLen) || !validTol(tolAng))
        return kIsectNone;
    // Squared lengths keep square roots off the common path; coordinates beyond
    // 1e150 overflow here and are refused.
    const double l1sq = dp[0] * dp[0] + dp[1] * dp[1], l2sq = dq[0] * dq[0] + dq[1] * dq[1];
    if (!(l1sq > tolLen * tolLen) || !(l2sq > tolLen * tolLen) || !std::isfinite(l1sq) || !std::isfinite(l2sq))
        return kIsectNone;
    const double wx = q[0] - p[0], wy = q[1] - p[1];
    const double c = cross(dp[0], dp[1], dq[0], dq[1]);
    if (c * c <= tolAng * tolAng * l1sq * l2sq) {
        const double l1 = std::sqrt(l1sq);
        const double d1 = std::fabs(cross(dp[0], dp[1], wx, wy)) / l1;
        bool onLine = d1 <= tolLen;
        if (onLine && twoPointQ) {
            const double d2 = std::fabs(cross(dp[0], dp[1], wx + dq[0], wy + dq[1])) / l1;
            onLine = d2 <= tolLen;
        }
        return onLine ? kIsectOverlap : kIsectParallel;
    }
    const double s = cross(wx, wy, dq[0], dq[1]) / c;
    const double x = p[0] + s * dp[0], y = p[1] + s * dp[1];
    if (!std::isfinite(x) || !std::isfinite(y))
        return kIsectNone; // overflow near the limits of double range
    out[0] = x;
    out[1] = y;
    return kIsectPoint;
}

// Line through p along dir (any length above tol) with a circle; ordered along dir.
int lineCirCore(const double* p, const double* dir, const double* c, double r, double tol, double* pts)
{
    if (!finite(p, 2) || !finite(dir, 2) || !finite(c, 2) || !pts || !validTol(tol) || !std::isfinite(r)
        || !(r > tol))
        return 0;
    const double len = std::hypot(dir[0], dir[1]);
    if (!(len > tol) || !std::isfinite(len))
        return 0;
    const double ux = dir[0] / len, uy = dir[1] / len;
    const double wx = c[0] - p[0], wy = c[1] - p[1];
    const double s = wx * ux + wy * uy;
    const double h = std::fabs(cross(ux, uy, wx, wy));
    const double fx = p[0] + s * ux, fy = p[1] + s * uy;
    if (h > r + tol)
        return 0;
    if (std::fabs(h - r) <= tol) {
        pts[0] = fx;
        pts[1] = fy;
        return 1;
    }
    const double half = std::sqrt((r - h) * (r + h));
    pts[0] = fx - half * ux;
    pts[1] = fy - half * uy;
    pts[2] = fx + half * ux;
    pts[3] = fy + half * uy;
    return 2;
}

// ---------------------------------------------------------------- ellipses

bool validEllipse(double a, double b, double tol)
{
    return std::isfinite(a) && std::isfinite(b) && a > tol && b > tol && a > 0.0 && b > 0.0;
}

// Distance of a point, given in an ellipse's own frame, from the ellipse (first order:
// |f| / |grad f| of the normalised implicit equation; exact enough near the curve,
// where it decides tangent contacts).
double ellipseDistance(double x, double y, double a, double b)
{
    const double f = (x / a) * (x / a) + (y / b) * (y / b) - 1.0;
    const double gx = 2.0 * x / (a * a), gy = 2.0 * y / (b * b);
    const double g = std::hypot(gx, gy);
    if (g == 0.0)
        return std::min(a, b);
    return std::fabs(f) / g;
}

struct AngleHit {
    double phi;
    double x, y;
    double resid;
};

// Insertion sort: the arrays hold a handful of points.
void sortByAngle(AngleHit* h, int n)
{
    for (int i = 1; i < n; ++i)
        for (int j = i; j > 0 && h[j].phi < h[j - 1].phi; --j)
            std::swap(h[j], h[j - 1]);
}

// Points of ellipse 1 (a1, b1, own frame) on ellipse 2 (a2, b2, centre c2, local
// coordinates L = minv (X - c2) with minv orthonormal or near it). Returns the count
// (angles ascending in [0, 2 pi)), or -1 when the ellipses coincide within tol.
int ellipseEllipseCore(double a1, double b1, double a2, double b2, const double* c2, const double* minv,
                       double tol, AngleHit* hits)
{
    // Quick rejection by the enclosing circles.
    if (std::hypot(c2[0], c2[1]) > std::max(a1, b1) + std::max(a2, b2) + tol)
        return 0;
    AngleHit cand[12];
    int nc = 0;
    const double k1 = minv[0] * c2[0] + minv[1] * c2[1];
    const double k2 = minv[2] * c2[0] + minv[3] * c2[1];
    const double h[3] = {1.0, 0.0, 1.0};
    double h2[5];
    polyMul(h, 2, h, 2, h2);
    // Half-angle substitution w = tan(phi / 2) over [-1, 1] covers phi in
    // [-pi/2, pi/2]; the mirrored half (sign -1) covers the rest without w -> inf.
    for (int half = 0; half < 2; ++half) {
        const double s = half == 0 ? 1.0 : -1.0;
        const double q1[3] = {s * a1 * minv[0] - k1, 2.0 * s * b1 * minv[1], -s * a1 * minv[0] - k1};
        const double q2[3] = {s * a1 * minv[2] - k2, 2.0 * s * b1 * minv[3], -s * a1 * minv[2] - k2};
        double s1[5], s2[5], poly[5];
        polyMul(q1, 2, q1, 2, s1);
        polyMul(q2, 2, q2, 2, s2);
        for (int i = 0; i < 5; ++i)
            poly[i] = s1[i] / (a2 * a2) + s2[i] / (b2 * b2) - h2[i];
        double roots[5];
        const int n = POLY_Roots(poly, 4, -1.0, 1.0, INFINITY, roots);
        if (n < 0)
            return -1;
        for (int i = 0; i < n; ++i) {
            const double phi = wrapAngle(2.0 * std::atan(roots[i]) + (half == 0 ? 0.0 : std::numbers::pi));
            const double x = a1 * std::cos(phi), y = b1 * std::sin(phi);
            const double dx = x - c2[0], dy = y - c2[1];
            const double lx = minv[0] * dx + minv[1] * dy, ly = minv[2] * dx + minv[3] * dy;
            const double d = ellipseDistance(lx, ly, a2, b2);
            if (d <= tol && nc < 12)
                cand[nc++] = {phi, x, y, d};
        }
    }
    sortByAngle(cand, nc);
    int n = 0;
    for (int i = 0; i < nc; ++i) {
        if (n > 0 && std::hypot(cand[i].x - hits[n - 1].x, cand[i].y - hits[n - 1].y) <= tol) {
            if (cand[i].resid < hits[n - 1].resid)
                hits[n - 1] = cand[i];
            continue;
        }
        if (n == 4)
            return -1; // more than four points: the curves coincide within tol
        hits[n++] = cand[i];
    }
    // The first and the last point may be one point across phi = 0.
    if (n > 1 && std::hypot(hits[0].x - hits[n - 1].x, hits[0].y - hits[n - 1].y) <= tol) {
        if (hits[n - 1].resid < hits[0].resid)
            hits[0] = hits[n - 1];
        --n;
        sortByAngle(hits, n);
    }
    return n;
}

// ---------------------------------------------------------------- cubics

bool validCubic(const double* ctrl, double tol)
{
    if (!finite(ctrl, 8))
        return false;
    double box[4];
    BEZ_GetBox(ctrl, box);
    return std::hypot(box[2] - box[0], box[3] - box[1]) > tol;
}

struct CubicHit {
    double t;
    double pt[2];
    double resid;
    double para;
};

// Merges neighbours (hits ascending in t) that are one point within tol: close
// together and with the cubic between them close too, so that the two passages of a
// loop through one point stay apart.
int mergeAlongCubic(const double* ctrl, CubicHit* hits, int n, double tol)
{
    int m = 0;
    for (int i = 0; i < n; ++i) {
        if (m > 0) {
            CubicHit& last = hits[m - 1];
            double mid[2];
            BEZ_EvPos(ctrl, 0.5 * (last.t + hits[i].t), mid);
            if (dist(last.pt, hits[i].pt) <= tol && dist(mid, last.pt) <= tol) {
                if (hits[i].resid < last.resid)
                    last = hits[i];
                continue;
            }
        }
        hits[m++] = hits[i];
    }
    return m;
}

bool finiteRecord(const IntPnt& r)
{
    return std::isfinite(r.pt[0]) && std::isfinite(r.pt[1]) && std::isfinite(r.para1) && std::isfinite(r.para2);
}

// Appends the hits; returns the number appended. Input near the limits of double
// range can overflow on the way, and such records are dropped rather than passed on.
int appendHits(const CubicHit* hits, int n, std::vector<IntPnt>& out)
{
    int added = 0;
    for (int i = 0; i < n; ++i) {
        IntPnt r;
        r.pt[0] = hits[i].pt[0];
        r.pt[1] = hits[i].pt[1];
        r.para1 = hits[i].para;
        r.para2 = hits[i].t;
        if (finiteRecord(r)) {
            out.push_back(r);
            ++added;
        }
    }
    return added;
}

// Candidates of a polynomial of degree deg in the cubic's t over [0, 1]; residFn(t, pt)
// gives the geometric distance from the other curve and paraFn(pt) its parameter.
template <class Resid, class Para>
int cubicHits(const double* ctrl, const double* poly, int deg, double tol, Resid residFn, Para paraFn,
              CubicHit* hits)
{
    double roots[kPolyMaxDegree + 1];
    const int n = POLY_Roots(poly, deg, 0.0, 1.0, INFINITY, roots);
    int m = 0;
    for (int i = 0; i < n; ++i) {
        CubicHit h;
        h.t = std::clamp(roots[i], 0.0, 1.0);
        BEZ_EvPos(ctrl, h.t, h.pt);
        h.resid = residFn(h.pt);
        if (!(h.resid <= tol))
            continue;
        h.para = paraFn(h.pt);
        hits[m++] = h;
    }
    return mergeAlongCubic(ctrl, hits, m, tol);
}

// ---------------------------------------------------------------- cubic pairs

constexpr int kBezMaxDepth = 40;
constexpr long kBezPairBudget = 400000;
constexpr size_t kBezMaxCandidates = 2048;

struct Piece {
    double c[8];
    double t0, t1;
    double box[4];
    // Cone of tangent directions (hull of the hodograph's control vectors): the
    // chord angle and the spread about it; narrow is false when wider than pi/4 aside.
    // Worked out on first use: most pieces are dropped by the box test first.
    mutable bool coneKnown;
    mutable bool narrow;
    mutable double theta, lo, hi;
};

// atan2 to within 2e-6 rad, several times faster than the library's; the cone test
// below allows for the error with its margin.
double approxAtan2(double y, double x)
{
    const double ax = std::fabs(x), ay = std::fabs(y);
    if (ax == 0.0 && ay == 0.0)
        return 0.0;
    const bool steep = ay > ax;
    const double z = steep ? ax / ay : ay / ax;
    const double z2 = z * z;
    double a = z * (0.99997726 + z2 * (-0.33262347 + z2 * (0.19354346 + z2 * (-0.11643287 + z2 * (0.05265332 + z2 * -0.01172120)))));
    if (steep)
        a = 0.5 * std::numbers::pi - a;
    if (x < 0.0)
        a = std::numbers::pi - a;
    return y < 0.0 ? -a : a;
}

void tangentCone(const Piece& p)
{
    if (p.coneKnown)
        return;
    p.coneKnown = true;
    const double* c = p.c;
    const double h[3][2] = {{c[2] - c[0], c[3] - c[1]}, {c[4] - c[2], c[5] - c[3]}, {c[6] - c[4], c[7] - c[5]}};
    double ux = c[6] - c[0], uy = c[7] - c[1];
    for (int i = 0; i < 3 && ux == 0.0 && uy == 0.0; ++i) {
        ux = h[i][0];
        uy = h[i][1];
    }
    p.narrow = false;
    if (ux == 0.0 && uy == 0.0)
        return;
    p.lo = 0.0;
    p.hi = 0.0;
    for (const auto& v : h) {
        if (v[0] == 0.0 && v[1] == 0.0)
            continue;
        const double a = approxAtan2(cross(ux, uy, v[0], v[1]), ux * v[0] + uy * v[1]);
        if (!(std::fabs(a) < 0.25 * std::numbers::pi))
            return;
        p.lo = std::min(p.lo, a);
        p.hi = std::max(p.hi, a);
    }
    p.theta = approxAtan2(uy, ux);
    p.narrow = true;
}

Piece makePiece(const double* c, double t0, double t1)
{
    Piece p;
    std::copy(c, c + 8, p.c);
    p.t0 = t0;
    p.t1 = t1;
    BEZ_GetBox(c, p.box);
    p.coneKnown = false;
    p.narrow = false;
    p.theta = p.lo = p.hi = 0.0;
    return p;
}

// Two pieces whose tangent cones are apart (as lines, so modulo pi) meet at most once:
// a second meeting would need a common chord direction, and every chord of a piece
// points into its cone.
bool transversal(const Piece& a, const Piece& b)
{
    tangentCone(a);
    tangentCone(b);
    if (!a.narrow || !b.narrow)
        return false;
    constexpr double kMargin = 1e-5; // covers the error of approxAtan2
    const double shift = b.theta - a.theta;
    for (int k = -2; k <= 2; ++k) {
        const double d = shift + k * std::numbers::pi;
        if (d + b.lo <= a.hi + kMargin && a.lo <= d + b.hi + kMargin)
            return false;
    }
    return true;
}

struct PairHit {
    double s, t;
    double pt[2];
    double resid;
};

struct Overlap {
    double s0, s1; // s0 < s1
    double t0, t1; // parameters on the second cubic at s0 and s1
};

struct BezBezCtx {
    const double* a;
    const double* b;
    double tol;
    double flatTol;
    double scale;
    long budget;
    std::vector<PairHit> hits;
    std::vector<Overlap> overlaps;
};

bool boxesMeet(const double* p, const double* q, double tol)
{
    return p[0] <= q[2] + tol && q[0] <= p[2] + tol && p[1] <= q[3] + tol && q[1] <= p[3] + tol;
}

double boxSize(const double* box)
{
    return std::max(box[2] - box[0], box[3] - box[1]);
}

// Levenberg-Marquardt on A(s) - B(t) = 0 with s, t kept in [0, 1]: Newton's speed at
// crossings, and still converging where the curves touch (singular Jacobian).
double polishPair(const double* a, const double* b, double scale, const double* range, double& s, double& t)
{
    double pa[2], da[2], pb[2], db[2];
    BEZ_Ev1Der(a, s, pa, da);
    BEZ_Ev1Der(b, t, pb, db);
    double fx = pa[0] - pb[0], fy = pa[1] - pb[1];
    double f2 = fx * fx + fy * fy;
    double lambda = 1e-9;
    const double stopF2 = (1e-15 * scale) * (1e-15 * scale);
    for (int it = 0; it < 60 && f2 > stopF2; ++it) {
        const double h00 = da[0] * da[0] + da[1] * da[1];
        const double h11 = db[0] * db[0] + db[1] * db[1];
        const double h01 = -(da[0] * db[0] + da[1] * db[1]);
        const double g0 = da[0] * fx + da[1] * fy;
        const double g1 = -(db[0] * fx + db[1] * fy);
        bool accepted = false;
        double step = 0.0;
        for (int inner = 0; inner < 12 && !accepted; ++inner) {
            const double damp = lambda * (h00 + h11) + 1e-300;
            const double m00 = h00 + damp, m11 = h11 + damp;
            const double det = m00 * m11 - h01 * h01;
            if (!(det > 0.0) || !std::isfinite(det))
                return std::sqrt(f2);
            const double ds = -(m11 * g0 - h01 * g1) / det;
            const double dt = -(m00 * g1 - h01 * g0) / det;
            const double ns = std::clamp(s + ds, range[0], range[1]);
            const double nt = std::clamp(t + dt, range[2], range[3]);
            double qa[2], qb[2], ea[2], eb[2];
            BEZ_Ev1Der(a, ns, qa, ea);
            BEZ_Ev1Der(b, nt, qb, eb);
            const double nfx = qa[0] - qb[0], nfy = qa[1] - qb[1];
            const double nf2 = nfx * nfx + nfy * nfy;
            if (nf2 < f2) {
                step = std::fabs(ns - s) + std::fabs(nt - t);
                s = ns;
                t = nt;
                fx = nfx;
                fy = nfy;
                f2 = nf2;
                da[0] = ea[0];
                da[1] = ea[1];
                db[0] = eb[0];
                db[1] = eb[1];
                lambda = std::max(lambda * 0.1, 1e-15);
                accepted = true;
            } else {
                lambda *= 10.0;
            }
        }
        if (!accepted || step < 1e-16)
            break;
    }
    return std::sqrt(f2);
}

bool insideOverlap(const BezBezCtx& ctx, const Piece& pa, const Piece& pb)
{
    for (const Overlap& o : ctx.overlaps) {
        const double tLo = std::min(o.t0, o.t1), tHi = std::max(o.t0, o.t1);
        if (pa.t0 >= o.s0 && pa.t1 <= o.s1 && pb.t0 >= tLo && pb.t1 <= tHi)
            return true;
    }
    return false;
}

// Newton on A(s) - B(t) = 0 for a transversal pair, where it has at most one root and
// the Jacobian stays regular. Returns false when an iterate leaves the pair's range
// (no meeting there, or a poor start) or it does not settle.
bool newtonPair(const BezBezCtx& ctx, const Piece& pa, const Piece& pb, double& s, double& t)
{
    const double wa = 0.05 * (pa.t1 - pa.t0), wb = 0.05 * (pb.t1 - pb.t0);
    const double stop = 1e-15 * ctx.scale;
    for (int it = 0; it < 30; ++it) {
        double qa[2], da[2], qb[2], db[2];
        BEZ_Ev1Der(ctx.a, s, qa, da);
        BEZ_Ev1Der(ctx.b, t, qb, db);
        const double fx = qa[0] - qb[0], fy = qa[1] - qb[1];
        if (fx * fx + fy * fy <= stop * stop)
            return true;
        // [da, -db] (ds, dt) = -f
        const double det = cross(da[0], da[1], -db[0], -db[1]);
        if (det == 0.0 || !std::isfinite(det))
            return false;
        const double ds = -cross(fx, fy, -db[0], -db[1]) / det;
        const double dt = -cross(da[0], da[1], fx, fy) / det;
        s += ds;
        t += dt;
        if (s < pa.t0 - wa || s > pa.t1 + wa || t < pb.t0 - wb || t > pb.t1 + wb || s < 0.0 || s > 1.0
            || t < 0.0 || t > 1.0) {
            // Meetings at the very ends of the cubics sit on the boundary of [0, 1].
            if (s < -1e-9 || s > 1.0 + 1e-9 || t < -1e-9 || t > 1.0 + 1e-9)
                return false;
            s = std::clamp(s, 0.0, 1.0);
            t = std::clamp(t, 0.0, 1.0);
            if (s < pa.t0 - wa || s > pa.t1 + wa || t < pb.t0 - wb || t > pb.t1 + wb)
                return false;
        }
        if (std::fabs(ds) + std::fabs(dt) <= 1e-16)
            return true;
    }
    return false;
}

void chordStart(const Piece& pa, const Piece& pb, double& s, double& t)
{
    double u = 0.5, v = 0.5;
    const double* ca = pa.c;
    const double* cb = pb.c;
    const double ax = ca[6] - ca[0], ay = ca[7] - ca[1], bx = cb[6] - cb[0], by = cb[7] - cb[1];
    const double c = cross(ax, ay, bx, by);
    if (std::fabs(c) > 1e-12 * std::hypot(ax, ay) * std::hypot(bx, by) && c != 0.0) {
        const double wx = cb[0] - ca[0], wy = cb[1] - ca[1];
        u = std::clamp(cross(wx, wy, bx, by) / c, 0.0, 1.0);
        v = std::clamp(cross(wx, wy, ax, ay) / c, 0.0, 1.0);
    }
    s = pa.t0 + u * (pa.t1 - pa.t0);
    t = pb.t0 + v * (pb.t1 - pb.t0);
}

void addPairHit(BezBezCtx& ctx, double s, double t, double d)
{
    // More candidates than crossings can exist mean a shared stretch that the end
    // point test did not see; stop refining rather than drown in candidates.
    if (ctx.hits.size() >= kBezMaxCandidates) {
        ctx.budget = 0;
        return;
    }
    PairHit h;
    h.s = s;
    h.t = t;
    double qa[2], qb[2];
    BEZ_EvPos(ctx.a, s, qa);
    BEZ_EvPos(ctx.b, t, qb);
    h.pt[0] = 0.5 * (qa[0] + qb[0]);
    h.pt[1] = 0.5 * (qa[1] + qb[1]);
    h.resid = d;
    ctx.hits.push_back(h);
}

void bezLeaf(BezBezCtx& ctx, const Piece& pa, const Piece& pb)
{
    double s = 0.0, t = 0.0;
    chordStart(pa, pb, s, t);
    // The polish stays near the pair, a little beyond so that meetings on a piece
    // boundary converge; far-off meetings belong to other pairs.
    const double wa = 0.05 * (pa.t1 - pa.t0), wb = 0.05 * (pb.t1 - pb.t0);
    const double range[4] = {std::max(0.0, pa.t0 - wa), std::min(1.0, pa.t1 + wa), std::max(0.0, pb.t0 - wb),
                             std::min(1.0, pb.t1 + wb)};
    const double d = polishPair(ctx.a, ctx.b, ctx.scale, range, s, t);
    if (d <= ctx.tol)
        addPairHit(ctx, s, t, d);
}

void bezRecurse(BezBezCtx& ctx, const Piece& pa, const Piece& pb, int depthA, int depthB)
{
    if (--ctx.budget < 0)
        return;
    if (!boxesMeet(pa.box, pb.box, ctx.tol) || insideOverlap(ctx, pa, pb))
        return;
    if (transversal(pa, pb)) {
        double s = 0.0, t = 0.0;
        chordStart(pa, pb, s, t);
        if (newtonPair(ctx, pa, pb, s, t)) {
            double qa[2], qb[2];
            BEZ_EvPos(ctx.a, s, qa);
            BEZ_EvPos(ctx.b, t, qb);
            const double d = dist(qa, qb);
            if (d <= ctx.tol) {
                addPairHit(ctx, s, t, d);
                return;
            }
        }
    }
    const bool flatA = depthA >= kBezMaxDepth || BEZ_DistTol(pa.c) <= ctx.flatTol;
    const bool flatB = depthB >= kBezMaxDepth || BEZ_DistTol(pb.c) <= ctx.flatTol;
    if (flatA && flatB) {
        bezLeaf(ctx, pa, pb);
        return;
    }
    const double mA = 0.5 * (pa.t0 + pa.t1), mB = 0.5 * (pb.t0 + pb.t1);
    double l[8], r[8];
    if (!flatA && !flatB) {
        BEZ_Split(pa.c, 0.5, l, r);
        const Piece a0 = makePiece(l, pa.t0, mA), a1 = makePiece(r, mA, pa.t1);
        BEZ_Split(pb.c, 0.5, l, r);
        const Piece b0 = makePiece(l, pb.t0, mB), b1 = makePiece(r, mB, pb.t1);
        bezRecurse(ctx, a0, b0, depthA + 1, depthB + 1);
        bezRecurse(ctx, a0, b1, depthA + 1, depthB + 1);
        bezRecurse(ctx, a1, b0, depthA + 1, depthB + 1);
        bezRecurse(ctx, a1, b1, depthA + 1, depthB + 1);
    } else if (!flatA) {
        BEZ_Split(pa.c, 0.5, l, r);
        bezRecurse(ctx, makePiece(l, pa.t0, mA), pb, depthA + 1, depthB);
        bezRecurse(ctx, makePiece(r, mA, pa.t1), pb, depthA + 1, depthB);
    } else {
        BEZ_Split(pb.c, 0.5, l, r);
        bezRecurse(ctx, pa, makePiece(l, pb.t0, mB), depthA, depthB + 1);
        bezRecurse(ctx, pa, makePiece(r, mB, pb.t1), depthA, depthB + 1);
    }
}

// Stretches the two cubics share. Cubics are algebraic, so a shared stretch ends at an
// end point of one of them: pair up the end points lying on the other curve and
// check the curves agree between them.
void findOverlaps(BezBezCtx& ctx)
{
    struct End {
        double s, t;
    };
    End ends[4];
    int n = 0;
    // A shared stretch agrees to rounding; a zero tol must still see it.
    const double tol = std::max(ctx.tol, 1e-12 * ctx.scale);
    double boxA[4], boxB[4];
    BEZ_GetBox(ctx.a, boxA);
    BEZ_GetBox(ctx.b, boxB);
    auto inBox = [tol](const double* box, const double* p) {
        return p[0] >= box[0] - tol && p[0] <= box[2] + tol && p[1] >= box[1] - tol && p[1] <= box[3] + tol;
    };
    for (int k = 0; k < 2; ++k) {
        double proj[2], t = 0.0, d = 0.0;
        if (inBox(boxB, ctx.a + 6 * k) && BEZ_PrjPnt(ctx.b, ctx.a + 6 * k, proj, t, d) && d <= tol)
            ends[n++] = {double(k), t};
    }
    for (int k = 0; k < 2; ++k) {
        double proj[2], s = 0.0, d = 0.0;
        if (inBox(boxA, ctx.b + 6 * k) && BEZ_PrjPnt(ctx.a, ctx.b + 6 * k, proj, s, d) && d <= tol)
            ends[n++] = {s, double(k)};
    }
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            End e0 = ends[i], e1 = ends[j];
            if (e1.s < e0.s)
                std::swap(e0, e1);
            double p0[2], p1[2];
            BEZ_EvPos(ctx.a, e0.s, p0);
            BEZ_EvPos(ctx.a, e1.s, p1);
            if (dist(p0, p1) <= tol || std::fabs(e1.t - e0.t) < 1e-12)
                continue;
            bool same = true;
            const double tLo = std::min(e0.t, e1.t), tHi = std::max(e0.t, e1.t);
            for (int k = 1; k < 8 && same; ++k) {
                const double f = k / 8.0;
                double q[2], proj[2], pt = 0.0, d = 0.0;
                BEZ_EvPos(ctx.a, e0.s + f * (e1.s - e0.s), q);
                same = BEZ_PrjPnt(ctx.b, q, proj, pt, d) && d <= tol && pt >= tLo - 1e-9 && pt <= tHi + 1e-9;
                BEZ_EvPos(ctx.b, e0.t + f * (e1.t - e0.t), q);
                same = same && BEZ_PrjPnt(ctx.a, q, proj, pt, d) && d <= tol && pt >= e0.s - 1e-9
                    && pt <= e1.s + 1e-9;
            }
            if (!same)
                continue;
            bool known = false;
            for (const Overlap& o : ctx.overlaps)
                known = known || (std::fabs(o.s0 - e0.s) < 1e-9 && std::fabs(o.s1 - e1.s) < 1e-9);
            if (!known)
                ctx.overlaps.push_back({e0.s, e1.s, e0.t, e1.t});
        }
    }
}

bool samePairPoint(const BezBezCtx& ctx, const PairHit& p, const PairHit& q)
{
    if (dist(p.pt, q.pt) > ctx.tol)
        return false;
    double ma[2], mb[2];
    BEZ_EvPos(ctx.a, 0.5 * (p.s + q.s), ma);
    BEZ_EvPos(ctx.b, 0.5 * (p.t + q.t), mb);
    return dist(ma, p.pt) <= ctx.tol && dist(mb, p.pt) <= ctx.tol;
}

} // namespace

// ---------------------------------------------------------------- lines

int Isect_LineLineEx(const double* p1, const double* p2, const double* q1, const double* q2, double tolLen,
                     double tolAng, double* out)
{
    if (!finite(p1, 2) || !finite(p2, 2) || !finite(q1, 2) || !finite(q2, 2))
        return kIsectNone;
    const double dp[2] = {p2[0] - p1[0], p2[1] - p1[1]};
    const double dq[2] = {q2[0] - q1[0], q2[1] - q1[1]};
    return lineLineCore(p1, dp, q1, dq, tolLen, tolAng, true, out);
}

int Isect_LineLine(const double* p, const double* dirP, const double* q, const double* dirQ, double tolLen,
                   double tolAng, double* out)
{
    if (!finite(p, 2) || !finite(dirP, 2) || !finite(q, 2) || !finite(dirQ, 2))
        return kIsectNone;
    return lineLineCore(p, dirP, q, dirQ, tolLen, tolAng, false, out);
}

int Isect_LineCir(const double* p, const double* dir, const double* c, double r, double tol, double* pts)
{
    return finiteOr0(pts, lineCirCore(p, dir, c, r, tol, pts));
}

int Isect_LineCirEx(const double* p1, const double* p2, const double* c, double r, double tol, double* pts)
{
    if (!finite(p1, 2) || !finite(p2, 2))
        return 0;
    const double dir[2] = {p2[0] - p1[0], p2[1] - p1[1]};
    return finiteOr0(pts, lineCirCore(p1, dir, c, r, tol, pts));
}

int Isect_LineEllEx(const double* p1, const double* p2, const double* c, double a, double b, double angle,
                    double tol, double* pts, int* count)
{
    if (count)
        *count = 0;
    if (!finite(p1, 2) || !finite(p2, 2) || !finite(c, 2) || !pts || !count || !validTol(tol)
        || !std::isfinite(angle) || !validEllipse(a, b, tol))
        return 0;
    const double dx = p2[0] - p1[0], dy = p2[1] - p1[1];
    const double len = std::hypot(dx, dy);
    if (!(len > tol) || !std::isfinite(len))
        return 0;
    // Into the ellipse's frame, scaled so that the ellipse is the unit circle.
    const double ca = std::cos(angle), sa = std::sin(angle);
    const double wx = p1[0] - c[0], wy = p1[1] - c[1];
    const double ox = (ca * wx + sa * wy) / a, oy = (-sa * wx + ca * wy) / b;
    const double ux = (ca * dx + sa * dy) / a, uy = (-sa * dx + ca * dy) / b;
    // |o + s u|^2 = 1: s^2 uu + 2 s ou + oo - 1 = 0.
    const double uu = ux * ux + uy * uy, ou = ox * ux + oy * uy, oo = ox * ox + oy * oy;
    const double sMid = -ou / uu;
    auto worldAt = [&](double s, double* q) {
        q[0] = p1[0] + s * dx;
        q[1] = p1[1] + s * dy;
    };
    auto distAt = [&](double s) {
        const double qx = wx + s * dx, qy = wy + s * dy;
        return ellipseDistance(ca * qx + sa * qy, -sa * qx + ca * qy, a, b);
    };
    const double disc = ou * ou - uu * (oo - 1.0);
    // The point of the line deepest inside (or nearest outside) decides a tangent.
    if (disc <= 0.0 || distAt(sMid) <= tol) {
        if (!(distAt(sMid) <= tol))
            return 0;
        worldAt(sMid, pts);
        *count = finiteOr0(pts, 1);
        return *count;
    }
    const double root = std::sqrt(disc);
    // Cancellation-free pair of roots, then ordered along the line.
    const double qv = ou >= 0.0 ? -(ou + root) : -(ou - root);
    double s1 = qv / uu, s2 = (oo - 1.0) / qv;
    if (qv == 0.0)
        s1 = s2 = sMid;
    if (s2 < s1)
        std::swap(s1, s2);
    worldAt(s1, pts);
    worldAt(s2, pts + 2);
    *count = finiteOr0(pts, 2);
    return *count > 0 ? 1 : 0;
}

// ---------------------------------------------------------------- circles and ellipses

int Isect_CirCir(const double* c1, double r1, const double* c2, double r2, double tol, double* pts)
{
    if (!finite(c1, 2) || !finite(c2, 2) || !pts || !validTol(tol) || !std::isfinite(r1) || !std::isfinite(r2)
        || !(r1 > tol) || !(r2 > tol))
        return 0;
    const double dx = c2[0] - c1[0], dy = c2[1] - c1[1];
    const double d = std::hypot(dx, dy);
    if (d <= tol || !std::isfinite(d))
        return 0;
    if (d > r1 + r2 + tol || d < std::fabs(r1 - r2) - tol)
        return 0;
    const double ux = dx / d, uy = dy / d;
    // Foot of the common chord on the centre line.
    const double along = (d * d + r1 * r1 - r2 * r2) / (2.0 * d);
    const double fx = c1[0] + along * ux, fy = c1[1] + along * uy;
    if (std::fabs(d - (r1 + r2)) <= tol || std::fabs(d - std::fabs(r1 - r2)) <= tol) {
        pts[0] = fx;
        pts[1] = fy;
        return finiteOr0(pts, 1);
    }
    const double h = std::sqrt(std::max(0.0, (r1 - along) * (r1 + along)));
    pts[0] = fx + h * uy;
    pts[1] = fy - h * ux;
    pts[2] = fx - h * uy;
    pts[3] = fy + h * ux;
    return finiteOr0(pts, 2);
}

int Isect_2Ell(double a1, double b1, double a2, double b2, const double* c2, const double* x2, const double* y2,
               double tolDist, double tolDegen, double* phi)
{
    if (!finite(c2, 2) || !finite(x2, 2) || !finite(y2, 2) || !phi || !validTol(tolDist) || !validTol(tolDegen)
        || !validEllipse(a1, b1, tolDegen) || !validEllipse(a2, b2, tolDegen))
        return 0;
    // Local coordinates of ellipse 2: X = c2 + lx x2 + ly y2, so L = inverse([x2 y2]) (X - c2).
    const double det = x2[0] * y2[1] - y2[0] * x2[1];
    if (!(std::fabs(det) > tolDegen * std::hypot(x2[0], x2[1]) * std::hypot(y2[0], y2[1])))
        return 0;
    const double minv[4] = {y2[1] / det, -y2[0] / det, -x2[1] / det, x2[0] / det};
    AngleHit hits[4];
    const int n = ellipseEllipseCore(a1, b1, a2, b2, c2, minv, tolDist, hits);
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(hits[i].phi))
            return 0;
    for (int i = 0; i < n; ++i)
        phi[i] = hits[i].phi;
    return std::max(n, 0);
}

int Isect_EllEll(const double* c1, double a1, double b1, double angle1, const double* c2, double a2, double b2,
                 double angle2, double tol, double* pts)
{
    if (!finite(c1, 2) || !finite(c2, 2) || !pts || !validTol(tol) || !std::isfinite(angle1)
        || !std::isfinite(angle2) || !validEllipse(a1, b1, tol) || !validEllipse(a2, b2, tol))
        return 0;
    const double ca = std::cos(angle1), sa = std::sin(angle1);
    const double wx = c2[0] - c1[0], wy = c2[1] - c1[1];
    const double lc[2] = {ca * wx + sa * wy, -sa * wx + ca * wy};
    const double rel = angle2 - angle1;
    const double cr = std::cos(rel), sr = std::sin(rel);
    // Rows of the inverse of an orthonormal frame are its axes.
    const double minv[4] = {cr, sr, -sr, cr};
    AngleHit hits[4];
    const int n = ellipseEllipseCore(a1, b1, a2, b2, lc, minv, tol, hits);
    for (int i = 0; i < n; ++i) {
        pts[2 * i] = c1[0] + ca * hits[i].x - sa * hits[i].y;
        pts[2 * i + 1] = c1[1] + sa * hits[i].x + ca * hits[i].y;
    }
    return finiteOr0(pts, std::max(n, 0));
}

int Isect_CirEll(const double* c, double r, const double* ec, double a, double b, double angle, double tol,
                 double* pts)
{
    if (!std::isfinite(r) || !(r > tol))
        return 0;
    // The circle as an ellipse; the ellipse goes first so that points order by its angle.
    return Isect_EllEll(ec, a, b, angle, c, r, r, 0.0, tol, pts);
}

// ---------------------------------------------------------------- cubics

int Isect_LineBez(const double* p1, const double* p2, const double* ctrl, double tol, std::vector<IntPnt>& out)
{
    if (!finite(p1, 2) || !finite(p2, 2) || !validTol(tol) || !validCubic(ctrl, tol))
        return 0;
    const double dx = p2[0] - p1[0], dy = p2[1] - p1[1];
    const double len = std::hypot(dx, dy);
    if (!(len > tol) || !std::isfinite(len))
        return 0;
    // Unit vectors keep coordinates near the top of double range from overflowing.
    const double nx = -dy / len, ny = dx / len;
    double cx[4], cy[4];
    BEZ_PowerCoef(ctrl, cx, cy);
    cx[0] -= p1[0];
    cy[0] -= p1[1];
    double g[4], u[4];
    for (int i = 0; i < 4; ++i) {
        g[i] = nx * cx[i] + ny * cy[i];
        u[i] = (ny * cx[i] - nx * cy[i]) / len;
    }
    auto lineParam = [&](const double* pt) { return ((pt[0] - p1[0]) * ny - (pt[1] - p1[1]) * nx) / len; };
    auto lineDist = [&](const double* pt) { return std::fabs((pt[0] - p1[0]) * nx + (pt[1] - p1[1]) * ny); };

    CubicHit hits[kPolyMaxDegree + 8];
    int n = 0;
    double maxCtrl = 0.0;
    for (int k = 0; k < 4; ++k)
        maxCtrl = std::max(maxCtrl, lineDist(ctrl + 2 * k));
    if (maxCtrl <= tol) {
        // The cubic lies on the line (its hull does): report where the shared stretch
        // can end, the cubic's ends and its passages through p1 and p2.
        double ts[16];
        int nt = 0;
        ts[nt++] = 0.0;
        ts[nt++] = 1.0;
        for (int e = 0; e < 2; ++e) {
            double ue[4] = {u[0] - e, u[1], u[2], u[3]};
            double r[4];
            const int k = POLY_Roots(ue, 3, 0.0, 1.0, -1.0, r);
            for (int i = 0; i < k; ++i)
                ts[nt++] = r[i];
        }
        std::sort(ts, ts + nt);
        for (int i = 0; i < nt; ++i) {
            CubicHit h;
            h.t = ts[i];
            BEZ_EvPos(ctrl, h.t, h.pt);
            h.resid = lineDist(h.pt);
            h.para = lineParam(h.pt);
            hits[n++] = h;
        }
        n = mergeAlongCubic(ctrl, hits, n, tol);
    } else {
        n = cubicHits(ctrl, g, 3, tol, lineDist, lineParam, hits);
    }
    return appendHits(hits, n, out);
}

int Isect_CirBez(const double* c, double r, const double* ctrl, double tol, std::vector<IntPnt>& out)
{
    if (!finite(c, 2) || !validTol(tol) || !std::isfinite(r) || !(r > tol) || !validCubic(ctrl, tol))
        return 0;
    double box[4];
    BEZ_GetBox(ctrl, box);
    if (!boxesMeet(box, std::array<double, 4>{c[0] - r, c[1] - r, c[0] + r, c[1] + r}.data(), tol))
        return 0;
    double cx[4], cy[4];
    BEZ_PowerCoef(ctrl, cx, cy);
    cx[0] -= c[0];
    cy[0] -= c[1];
    double xx[7], yy[7], f[7];
    polyMul(cx, 3, cx, 3, xx);
    polyMul(cy, 3, cy, 3, yy);
    for (int i = 0; i < 7; ++i)
        f[i] = xx[i] + yy[i];
    f[0] -= r * r;
    auto resid = [&](const double* pt) { return std::fabs(std::hypot(pt[0] - c[0], pt[1] - c[1]) - r); };
    auto para = [&](const double* pt) { return wrapTurn(std::atan2(pt[1] - c[1], pt[0] - c[0])); };
    CubicHit hits[kPolyMaxDegree + 1];
    const int n = cubicHits(ctrl, f, 6, tol, resid, para, hits);
    return appendHits(hits, n, out);
}

int Isect_EllBez(const double* c, double a, double b, double angle, const double* ctrl, double tol,
                 std::vector<IntPnt>& out)
{
    if (!finite(c, 2) || !validTol(tol) || !std::isfinite(angle) || !validEllipse(a, b, tol)
        || !validCubic(ctrl, tol))
        return 0;
    double box[4];
    BEZ_GetBox(ctrl, box);
    const double rr = std::max(a, b);
    if (!boxesMeet(box, std::array<double, 4>{c[0] - rr, c[1] - rr, c[0] + rr, c[1] + rr}.data(), tol))
        return 0;
    const double ca = std::cos(angle), sa = std::sin(angle);
    double cx[4], cy[4];
    BEZ_PowerCoef(ctrl, cx, cy);
    cx[0] -= c[0];
    cy[0] -= c[1];
    // The cubic in the ellipse's frame, scaled so that the ellipse is the unit circle.
    double lx[4], ly[4];
    for (int i = 0; i < 4; ++i) {
        lx[i] = (ca * cx[i] + sa * cy[i]) / a;
        ly[i] = (-sa * cx[i] + ca * cy[i]) / b;
    }
    double xx[7], yy[7], f[7];
    polyMul(lx, 3, lx, 3, xx);
    polyMul(ly, 3, ly, 3, yy);
    for (int i = 0; i < 7; ++i)
        f[i] = xx[i] + yy[i];
    f[0] -= 1.0;
    auto local = [&](const double* pt, double& x, double& y) {
        const double wx = pt[0] - c[0], wy = pt[1] - c[1];
        x = ca * wx + sa * wy;
        y = -sa * wx + ca * wy;
    };
    auto resid = [&](const double* pt) {
        double x, y;
        local(pt, x, y);
        return ellipseDistance(x, y, a, b);
    };
    auto para = [&](const double* pt) {
        double x, y;
        local(pt, x, y);
        return wrapTurn(std::atan2(y / b, x / a));
    };
    CubicHit hits[kPolyMaxDegree + 1];
    const int n = cubicHits(ctrl, f, 6, tol, resid, para, hits);
    return appendHits(hits, n, out);
}

int Isect_BezBez(const double* ctrl1, const double* ctrl2, double tol, std::vector<IntPnt>& out)
{
    if (!validTol(tol) || !validCubic(ctrl1, tol) || !validCubic(ctrl2, tol))
        return 0;
    const Piece a = makePiece(ctrl1, 0.0, 1.0), b = makePiece(ctrl2, 0.0, 1.0);
    if (!boxesMeet(a.box, b.box, tol))
        return 0;
    BezBezCtx ctx;
    ctx.a = ctrl1;
    ctx.b = ctrl2;
    ctx.tol = tol;
    ctx.scale = std::max({boxSize(a.box), boxSize(b.box), 1e-300});
    // Pieces flat within tol cannot hide two separate crossings from the polish; the
    // relative floor bounds the depth when tol is tiny.
    ctx.flatTol = std::max(tol, 1e-10 * ctx.scale);
    ctx.budget = kBezPairBudget;
    findOverlaps(ctx);
    bezRecurse(ctx, a, b, 0, 0);

    // Points strictly inside a shared stretch are dropped; its ends are reported.
    std::vector<PairHit> cand;
    cand.reserve(ctx.hits.size() + 2 * ctx.overlaps.size());
    for (const Overlap& o : ctx.overlaps) {
        for (int e = 0; e < 2; ++e) {
            PairHit h;
            h.s = e == 0 ? o.s0 : o.s1;
            h.t = e == 0 ? o.t0 : o.t1;
            double qa[2], qb[2];
            BEZ_EvPos(ctrl1, h.s, qa);
            BEZ_EvPos(ctrl2, h.t, qb);
            h.pt[0] = 0.5 * (qa[0] + qb[0]);
            h.pt[1] = 0.5 * (qa[1] + qb[1]);
            h.resid = -1.0; // overlap ends win over nearby polished points
            cand.push_back(h);
        }
    }
    for (const PairHit& h : ctx.hits) {
        bool inside = false;
        for (const Overlap& o : ctx.overlaps) {
            const double tLo = std::min(o.t0, o.t1), tHi = std::max(o.t0, o.t1);
            inside = inside || (h.s > o.s0 && h.s < o.s1 && h.t > tLo && h.t < tHi);
        }
        if (!inside)
            cand.push_back(h);
    }
    std::sort(cand.begin(), cand.end(), [](const PairHit& p, const PairHit& q) {
        return p.s != q.s ? p.s < q.s : p.t < q.t;
    });
    std::vector<PairHit> reps;
    for (const PairHit& h : cand) {
        bool merged = false;
        for (PairHit& r : reps) {
            if (samePairPoint(ctx, r, h)) {
                if (h.resid < r.resid)
                    r = h;
                merged = true;
                break;
            }
        }
        if (!merged)
            reps.push_back(h);
    }
    std::sort(reps.begin(), reps.end(), [](const PairHit& p, const PairHit& q) {
        return p.s != q.s ? p.s < q.s : p.t < q.t;
    });
    int added = 0;
    for (const PairHit& h : reps) {
        IntPnt r;
        r.pt[0] = h.pt[0];
        r.pt[1] = h.pt[1];
        r.para1 = h.s;
        r.para2 = h.t;
        if (finiteRecord(r)) {
            out.push_back(r);
            ++added;
        }
    }
    return added;
}
