// Parameter records of NURBS surfaces and the nearest point of a surface.
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/Box3D.h"
#include "framework/numerak/Point3D.h"

#include <algorithm>
#include <cmath>

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

    double Dist2(double u, double v, double* p) const
    {
        BSRF_EvPos(s, u, v, p);
        return P3D_Dist2(p, target);
    }

    // Damped Newton on the gradient of the squared distance. Falls back to the
    // Gauss-Newton matrix where the Hessian is not positive definite, and to a
    // one-parameter step along a boundary it is clamped against. Returns the
    // squared distance at the final (u, v).
    double Run(double& u, double& v, double* foot) const
    {
        Eval2 e;
        double best = -1.0;
        for (int it = 0; it < 60; ++it) {
            if (!BSRF_Ev2Der(s, u, v, e.P, e.Su, e.Sv, e.Suu, e.Suv, e.Svv))
                break;
            double r[3];
            V3D_Sub(e.P, target, r);
            best = V3D_Dot(r, r);
            P3D_Copy(e.P, foot);
            const double fu = V3D_Dot(r, e.Su), fv = V3D_Dot(r, e.Sv);
            const double guu = V3D_Dot(e.Su, e.Su), guv = V3D_Dot(e.Su, e.Sv), gvv = V3D_Dot(e.Sv, e.Sv);
            double a = guu + V3D_Dot(r, e.Suu), b = guv + V3D_Dot(r, e.Suv), c = gvv + V3D_Dot(r, e.Svv);
            double det = a * c - b * b;
            if (!(a > 0.0 && det > 1e-14 * (guu * gvv + 1e-300))) {
                a = guu;
                b = guv;
                c = gvv;
                det = a * c - b * b;
            }
            double du = 0.0, dv = 0.0;
            if (det > 1e-24 * (guu * gvv + 1e-300) && det > 0.0) {
                du = -(c * fu - b * fv) / det;
                dv = -(a * fv - b * fu) / det;
            } else if (guu >= gvv && guu > 0.0) {
                du = -fu / guu;
            } else if (gvv > 0.0) {
                dv = -fv / gvv;
            } else {
                break;
            }
            // A step against a boundary that clamps: move along the boundary only.
            auto pinned = [](double x, double d, double lo, double hi, bool wrap) {
                return !wrap && ((x <= lo && d < 0.0) || (x >= hi && d > 0.0));
            };
            if (pinned(u, du, u0, u1, wrapU) && gvv > 0.0) {
                du = 0.0;
                dv = -fv / (c > 0.0 ? c : gvv);
            } else if (pinned(v, dv, v0, v1, wrapV) && guu > 0.0) {
                dv = 0.0;
                du = -fu / (a > 0.0 ? a : guu);
            }
            // No step larger than half the domain.
            du = std::clamp(du, -0.5 * (u1 - u0), 0.5 * (u1 - u0));
            dv = std::clamp(dv, -0.5 * (v1 - v0), 0.5 * (v1 - v0));
            double nu = Limit(u + du, u0, u1, wrapU), nv = Limit(v + dv, v0, v1, wrapV);
            double p[3];
            double d2 = Dist2(nu, nv, p);
            for (int h = 0; h < 30 && d2 > best * (1.0 + 1e-12) + 1e-300; ++h) {
                du *= 0.5;
                dv *= 0.5;
                nu = Limit(u + du, u0, u1, wrapU);
                nv = Limit(v + dv, v0, v1, wrapV);
                d2 = Dist2(nu, nv, p);
            }
            if (d2 > best)
                break;
            double move[3];
            V3D_Sub(p, foot, move);
            u = nu;
            v = nv;
            best = d2;
            P3D_Copy(p, foot);
            if (V3D_Len(move) < tol)
                break;
        }
        return best;
    }
};

// Mean of the knots that give control point i its Greville parameter.
double Greville(const double* knots, int k, int i)
{
    double g = 0.0;
    for (int j = 1; j < k; ++j)
        g += knots[i + j];
    return g / (k - 1);
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
        // Starts at the control points nearest P: the net hugs the surface, so the
        // nearest surface point lies under one of them unless the net is far off.
        constexpr int kStarts = 3;
        int bi[kStarts], bj[kStarts];
        double bd[kStarts];
        for (int c = 0; c < kStarts; ++c) {
            bi[c] = bj[c] = -1;
            bd[c] = 1e300;
        }
        for (int i = 0; i < s->nu; ++i)
            for (int j = 0; j < s->nv; ++j) {
                const double* q = s->P[i][j];
                const double w = q[3];
                const double dx = q[0] / w - P[0], dy = q[1] / w - P[1], dz = q[2] / w - P[2];
                double d2 = dx * dx + dy * dy + dz * dz;
                int a = i, b = j;
                for (int c = 0; c < kStarts; ++c)
                    if (d2 < bd[c]) {
                        std::swap(d2, bd[c]);
                        std::swap(a, bi[c]);
                        std::swap(b, bj[c]);
                    }
            }
        for (int c = 0; c < kStarts; ++c)
            if (bi[c] >= 0)
                tryFrom(Greville(s->U, s->ku, bi[c]), Greville(s->V, s->kv, bj[c]));
    }
    if (bestD2 < 0.0)
        return 0;
    *u = bestU;
    *v = bestV;
    *d = std::sqrt(bestD2);
    P3D_Copy(bestFoot, foot);
    return 1;
}
