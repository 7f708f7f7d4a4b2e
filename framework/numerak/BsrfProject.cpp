// Parameter records of NURBS surfaces and the nearest point of a surface.
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/Box3D.h"
#include "framework/numerak/Point3D.h"

#include <algorithm>
#include <cmath>
#include <vector>

void PARAM_Init(_param* p)
{
    if (p == nullptr)
        return;
    *p = _param{0.0, 1.0, 1, 1, 0, 0, 0};
}

namespace {

// Control point (i, j) of the net in u-major (dir 0) or v-major (dir 1) order, as a
// Cartesian point.
void NetPoint(const _nurbs_surface* s, int dir, int a, int b, double* p)
{
    const double* q = dir == 0 ? s->P[a][b] : s->P[b][a];
    for (int e = 0; e < 3; ++e)
        p[e] = q[e] / q[3];
}

bool Clamped(const double* knots, int k, int n)
{
    for (int i = 1; i < k; ++i)
        if (knots[i] != knots[0] || knots[n + i] != knots[n])
            return false;
    return true;
}

struct DirInfo {
    double start, end;
    int startKind, endKind, closure;
};

// Ends and closure of direction dir (0 u, 1 v) from the boundary rows of the net.
DirInfo Inspect(const _nurbs_surface* s, int dir, double tol, double angleTol)
{
    const int k = dir == 0 ? s->ku : s->kv, n = dir == 0 ? s->nu : s->nv, m = dir == 0 ? s->nv : s->nu;
    const double* knots = dir == 0 ? s->U : s->V;
    DirInfo info{knots[k - 1], knots[n], 1, 1, 0};
    if (!Clamped(knots, k, n))
        return info;
    auto collapsed = [&](int row) {
        double p0[3], p[3];
        NetPoint(s, dir, row, 0, p0);
        for (int j = 1; j < m; ++j) {
            NetPoint(s, dir, row, j, p);
            if (!(P3D_Dist(p, p0) <= tol))
                return false;
        }
        return true;
    };
    info.startKind = collapsed(0) ? 3 : 1;
    info.endKind = collapsed(n - 1) ? 3 : 1;
    if (info.startKind == 3 || info.endKind == 3)
        return info;
    bool tangent = true;
    for (int j = 0; j < m; ++j) {
        double a0[3], a1[3], b0[3], b1[3];
        NetPoint(s, dir, 0, j, a0);
        NetPoint(s, dir, n - 1, j, b1);
        if (!(P3D_Dist(a0, b1) <= tol))
            return info;
        NetPoint(s, dir, 1, j, a1);
        NetPoint(s, dir, n - 2, j, b0);
        double da[3], db[3];
        V3D_Sub(a1, a0, da);
        V3D_Sub(b1, b0, db);
        const double la = V3D_Len(da), lb = V3D_Len(db);
        if (la <= tol && lb <= tol)
            continue; // a collapsed column across the seam (a pole) says nothing
        if (la <= tol || lb <= tol || V3D_GetAngle(da, db, 0.0) > angleTol)
            tangent = false;
    }
    info.closure = tangent ? 2 : 1;
    return info;
}

void Fill(_param* p, const DirInfo& d) { *p = _param{d.start, d.end, d.startKind, d.endKind, d.closure, 3, 1}; }

double Wrap(double x, double lo, double hi)
{
    const double period = hi - lo;
    return x - std::floor((x - lo) / period) * period;
}

struct Eval2 {
    double P[3], Su[3], Sv[3], Suu[3], Suv[3], Svv[3];
};

struct Snapper {
    const _nurbs_surface* s;
    const double* target;
    double tol;
    double u0, u1, v0, v1;
    bool wrapU, wrapV;

    double Limit(double x, double lo, double hi, bool wrap) const
    {
        if (wrap)
            return (x >= lo && x <= hi) ? x : Wrap(x, lo, hi);
        return std::clamp(x, lo, hi);
    }

    // Newton on the squared distance inside the box [a0, a1] × [b0, b1] (a
    // periodic direction of the whole domain wraps instead). A parameter held at
    // a bound by a gradient pointing out of the box is left out of the step;
    // where the Hessian is not positive definite the Gauss-Newton matrix takes
    // its place; a step that does not lower the distance is halved, and when
    // halving does not help either a scaled gradient step is tried. Returns the
    // squared distance at the final (u, v), negative on evaluation failure.
    double Run(double& u, double& v, double* foot, double a0, double a1, double b0, double b1, bool wu,
               bool wv) const
    {
        Eval2 e;
        double best = -1.0;
        bool settled = false;
        int escapes = 0;
        for (int it = 0; it < 64; ++it) {
            if (!BSRF_Ev2Der(s, u, v, e.P, e.Su, e.Sv, e.Suu, e.Suv, e.Svv))
                return best;
            double r[3];
            V3D_Sub(e.P, target, r);
            best = V3D_Dot(r, r);
            P3D_Copy(e.P, foot);
            const double fu = V3D_Dot(r, e.Su), fv = V3D_Dot(r, e.Sv);
            const double guu = V3D_Dot(e.Su, e.Su), guv = V3D_Dot(e.Su, e.Sv), gvv = V3D_Dot(e.Sv, e.Sv);
            const bool freeU = wu || !((u <= a0 && fu > 0.0) || (u >= a1 && fu < 0.0));
            const bool freeV = wv || !((v <= b0 && fv > 0.0) || (v >= b1 && fv < 0.0));
            double a = guu + V3D_Dot(r, e.Suu), b = guv + V3D_Dot(r, e.Suv), c = gvv + V3D_Dot(r, e.Svv);
            double du = 0.0, dv = 0.0;
            if (freeU && freeV) {
                if (!(a > 0.0 && a * c - b * b > 1e-12 * (guu * gvv + 1e-300))) {
                    a = guu;
                    b = guv;
                    c = gvv;
                }
                const double det = a * c - b * b;
                if (det > 1e-14 * (guu * gvv) && det > 0.0) {
                    du = -(c * fu - b * fv) / det;
                    dv = -(a * fv - b * fu) / det;
                } else if (guu >= gvv && guu > 0.0) {
                    du = -fu / guu;
                } else if (gvv > 0.0) {
                    dv = -fv / gvv;
                }
            } else if (freeU) {
                du = -fu / (a > 0.0 ? a : (guu > 0.0 ? guu : 1.0));
            } else if (freeV) {
                dv = -fv / (c > 0.0 ? c : (gvv > 0.0 ? gvv : 1.0));
            }
            if (du == 0.0 && dv == 0.0)
                settled = true;
            if (settled) {
                // Newton stops at any point where the distance is stationary; one
                // that is not least (a saddle or a ridge, the point lying beyond a
                // centre of curvature) is left along the direction in which the
                // distance falls.
                const double A = guu + V3D_Dot(r, e.Suu), B = guv + V3D_Dot(r, e.Suv), C = gvv + V3D_Dot(r, e.Svv);
                const double lmin = 0.5 * (A + C) - std::hypot(0.5 * (A - C), B);
                if (escapes >= 4 || !(lmin < -1e-12 * (guu + gvv)))
                    break;
                ++escapes;
                double eu = B, ev = lmin - A;
                if (std::hypot(eu, ev) < 1e-300) {
                    eu = lmin - C;
                    ev = B;
                }
                eu = freeU ? eu : 0.0;
                ev = freeV ? ev : 0.0;
                const double speed2 = eu * eu * guu + 2 * eu * ev * guv + ev * ev * gvv;
                if (!(speed2 > 0.0))
                    break;
                const double len = 0.05 * std::sqrt(best / speed2);
                double p1[3], p2[3];
                const double u1s = Limit(u + len * eu, a0, a1, wu), v1s = Limit(v + len * ev, b0, b1, wv);
                const double u2s = Limit(u - len * eu, a0, a1, wu), v2s = Limit(v - len * ev, b0, b1, wv);
                BSRF_EvPos(s, u1s, v1s, p1);
                BSRF_EvPos(s, u2s, v2s, p2);
                const double d1 = P3D_Dist2(p1, target), d2 = P3D_Dist2(p2, target);
                if (!(std::min(d1, d2) < best * (1.0 - 1e-12)))
                    break;
                u = d1 <= d2 ? u1s : u2s;
                v = d1 <= d2 ? v1s : v2s;
                settled = false;
                continue;
            }
            du = std::clamp(du, -0.5 * (u1 - u0), 0.5 * (u1 - u0));
            dv = std::clamp(dv, -0.5 * (v1 - v0), 0.5 * (v1 - v0));
            double nu = u, nv = v, p[3] = {0, 0, 0};
            bool lowered = false;
            auto attempt = [&](double su, double sv) {
                for (int h = 0; h < 40; ++h) {
                    nu = wu ? Limit(u + su, a0, a1, true) : std::clamp(u + su, a0, a1);
                    nv = wv ? Limit(v + sv, b0, b1, true) : std::clamp(v + sv, b0, b1);
                    BSRF_EvPos(s, nu, nv, p);
                    // Near the foot the distance is flat to second order and its
                    // rounding hides the last digits of the foot: a step that raises
                    // it by no more than rounding is taken.
                    if (P3D_Dist2(p, target) < best * (1.0 + 1e-12))
                        return true;
                    su *= 0.5;
                    sv *= 0.5;
                }
                return false;
            };
            lowered = attempt(du, dv);
            if (!lowered && guu + gvv > 0.0) {
                // The gradient itself, scaled by the speeds.
                const double gu = freeU && guu > 0.0 ? -fu / guu : 0.0, gv = freeV && gvv > 0.0 ? -fv / gvv : 0.0;
                lowered = attempt(std::clamp(gu, -0.5 * (u1 - u0), 0.5 * (u1 - u0)),
                                  std::clamp(gv, -0.5 * (v1 - v0), 0.5 * (v1 - v0)));
            }
            if (!lowered) {
                settled = true;
                continue; // the next round only looks for a way off a saddle
            }
            double move[3];
            V3D_Sub(p, foot, move);
            u = nu;
            v = nv;
            best = P3D_Dist2(p, target);
            P3D_Copy(p, foot);
            if (V3D_Len(move) < tol)
                settled = true;
        }
        return best;
    }

    double Run(double& u, double& v, double* foot) const { return Run(u, v, foot, u0, u1, v0, v1, wrapU, wrapV); }
};


// Global search over the knot-span patches: each patch lies inside the box of
// its control points (positive weights), so the distance to that box bounds the
// distance to the patch from below. Patches are searched nearest bound first by
// Newton kept inside the patch, until the next bound is no better than the best
// distance found (a patch is searched from its centre, corners and side middles
// until its bound is reached). report(u, v, d2, foot) returns the best squared distance so far.
template <typename Report>
void SearchSpans(const Snapper& sn, const _nurbs_surface* s, Report report)
{
    struct Patch {
        double bound;
        int i, j; // first knot index of the span in u and v
    };
    const int pu = s->ku - 1, pv = s->kv - 1;
    std::vector<Patch> patches;
    patches.reserve(static_cast<size_t>(s->nu - pu) * static_cast<size_t>(s->nv - pv));
    const double* P = sn.target;
    for (int i = pu; i < s->nu; ++i) {
        if (!(s->U[i + 1] > s->U[i]))
            continue;
        for (int j = pv; j < s->nv; ++j) {
            if (!(s->V[j + 1] > s->V[j]))
                continue;
            double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
            for (int a = i - pu; a <= i; ++a)
                for (int b = j - pv; b <= j; ++b) {
                    const double* q = s->P[a][b];
                    for (int e = 0; e < 3; ++e) {
                        const double x = q[e] / q[3];
                        lo[e] = std::min(lo[e], x);
                        hi[e] = std::max(hi[e], x);
                    }
                }
            double d2 = 0.0;
            for (int e = 0; e < 3; ++e) {
                const double g = P[e] < lo[e] ? lo[e] - P[e] : (P[e] > hi[e] ? P[e] - hi[e] : 0.0);
                d2 += g * g;
            }
            patches.push_back({d2, i, j});
        }
    }
    std::sort(patches.begin(), patches.end(), [](const Patch& a, const Patch& b) {
        return a.bound < b.bound || (a.bound == b.bound && (a.i < b.i || (a.i == b.i && a.j < b.j)));
    });
    double best = -1.0;
    for (const Patch& p : patches) {
        if (best >= 0.0 && p.bound >= best)
            break;
        const double a0 = s->U[p.i], a1 = s->U[p.i + 1], b0 = s->V[p.j], b1 = s->V[p.j + 1];
        // From the centre, then from the corners and the middles of the sides:
        // seen from afar a small patch can hold more than one local minimum, one
        // on its border drawing the starts near it.
        const double am = 0.5 * (a0 + a1), bm = 0.5 * (b0 + b1);
        const double starts[9][2] = {{am, bm}, {a0, b0}, {a1, b0}, {a0, b1}, {a1, b1},
                                     {am, b0}, {am, b1}, {a0, bm}, {a1, bm}};
        for (const auto& st : starts) {
            double u = st[0], v = st[1], f[3] = {0, 0, 0};
            const double d2 = sn.Run(u, v, f, a0, a1, b0, b1, false, false);
            best = report(u, v, d2, f);
            if (p.bound >= best)
                break;
        }
    }
}

}  // namespace

int BSRF_GetParam(const _nurbs_surface* s, double tol, double angleTol, _param* U, _param* V)
{
    if (U == nullptr || V == nullptr || !BSRF_IsValid(s))
        return 0;
    Fill(U, Inspect(s, 0, tol, angleTol));
    Fill(V, Inspect(s, 1, tol, angleTol));
    return 1;
}

int BSRF_SnapPnt(const _nurbs_surface* s, const double* P, double tol, double* foot, double* u, double* v,
                 double* d)
{
    if (s == nullptr || P == nullptr || foot == nullptr || u == nullptr || v == nullptr || d == nullptr ||
        s->P == nullptr || s->U == nullptr || s->V == nullptr || !std::isfinite(P[0] + P[1] + P[2]))
        return 0;
    double probe[3];
    if (!BSRF_EvPos(s, s->U[s->ku - 1], s->V[s->kv - 1], probe))
        return 0;
    // The angle test only decides wrapping here, so it may be loose.
    const DirInfo iu = Inspect(s, 0, tol, 1e-9), iv = Inspect(s, 1, tol, 1e-9);
    const Snapper sn{s, P, tol > 0.0 ? tol : 1e-12, iu.start, iu.end, iv.start, iv.end,
                     iu.closure == 2, iv.closure == 2};
    const bool guided = std::isfinite(*u) && std::isfinite(*v) && *u < 1e12 && *v < 1e12;
    double bestU = 0.0, bestV = 0.0, bestD2 = -1.0, bestFoot[3] = {0, 0, 0};
    auto tryFrom = [&](double uu, double vv) {
        uu = sn.Limit(uu, sn.u0, sn.u1, sn.wrapU);
        vv = sn.Limit(vv, sn.v0, sn.v1, sn.wrapV);
        double f[3] = {0, 0, 0};
        const double d2 = sn.Run(uu, vv, f);
        if (d2 >= 0.0 && (bestD2 < 0.0 || d2 < bestD2)) {
            bestD2 = d2;
            bestU = uu;
            bestV = vv;
            P3D_Copy(f, bestFoot);
        }
    };
    if (guided) {
        tryFrom(*u, *v);
    } else {
        SearchSpans(sn, s, [&](double uu, double vv, double d2, const double* f) {
            if (d2 >= 0.0 && (bestD2 < 0.0 || d2 < bestD2)) {
                bestD2 = d2;
                bestU = uu;
                bestV = vv;
                P3D_Copy(f, bestFoot);
            }
            return bestD2;
        });
        // Polish across span borders, where the span searches stopped.
        if (bestD2 >= 0.0)
            tryFrom(bestU, bestV);
    }
    if (bestD2 < 0.0)
        return 0;
    *u = bestU;
    *v = bestV;
    *d = std::sqrt(bestD2);
    P3D_Copy(bestFoot, foot);
    return 1;
}
