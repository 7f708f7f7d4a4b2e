// NURBS curve record: allocation, control points, builders, transforms and
// shape tests.
#include "framework/numerak/Bcrv.h"

#include "framework/numerak/BcrvDetail.h"
#include "framework/numerak/Knot.h"
#include "framework/numerak/NurbsArc.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <numbers>

using numerak::nurbs::detail::IsFinite3;
using numerak::nurbs::detail::Unit3;

namespace {

// Builds the exact rational quadratic of the elliptic arc
// O + ra·cos(a)·X + rb·sin(a)·Y for a in [a0, a0 + sweep], sweep in (0, 2π].
int BuildConicArc(BCRV& c, const double* O, const double* X, const double* Y, double ra, double rb,
                  double a0, double sweep)
{
    if (!IsFinite3(O) || !IsFinite3(X) || !IsFinite3(Y) || !std::isfinite(ra) || !std::isfinite(rb) ||
        !std::isfinite(a0) || !std::isfinite(sweep) || !(ra > 0.0) || !(rb > 0.0) || !(sweep > 0.0) ||
        sweep > 2.0 * std::numbers::pi + 1e-12)
        return 0;
    int arcs = 4;
    if (sweep <= std::numbers::pi / 2 + 1e-12)
        arcs = 1;
    else if (sweep <= std::numbers::pi + 1e-12)
        arcs = 2;
    else if (sweep <= 1.5 * std::numbers::pi + 1e-12)
        arcs = 3;
    const int count = 2 * arcs + 1;
    if (!c.Reset(3, count))
        return 0;
    const double step = sweep / arcs;
    const double wMid = std::cos(step / 2);
    auto place = [&](int i, double angle, double scale, double w) {
        const double cx = ra * scale * std::cos(angle);
        const double cy = rb * scale * std::sin(angle);
        for (int d = 0; d < 3; ++d)
            c.P[i][d] = w * (O[d] + cx * X[d] + cy * Y[d]);
        c.P[i][3] = w;
    };
    place(0, a0, 1.0, 1.0);
    for (int j = 1; j <= arcs; ++j) {
        const double end = a0 + j * step;
        // The middle point sits where the end tangents meet: on the bisector
        // at distance r / cos(step / 2).
        place(2 * j - 1, end - step / 2, 1.0 / wMid, wMid);
        place(2 * j, end, 1.0, 1.0);
    }
    for (int i = 0; i < 3; ++i) {
        c.U[i] = 0.0;
        c.U[count + i] = 1.0;
    }
    for (int j = 1; j < arcs; ++j) {
        c.U[1 + 2 * j] = static_cast<double>(j) / arcs;
        c.U[2 + 2 * j] = static_cast<double>(j) / arcs;
    }
    return 1;
}

// Applies f to every Cartesian control point, keeping weights.
template <class F>
int MapCtrlPts(BCRV& c, F f)
{
    if (c.P == nullptr)
        return 0;
    for (int i = 0; i < c.n; ++i) {
        const double w = c.P[i][3];
        if (!(w > 0.0))
            return 0;
    }
    for (int i = 0; i < c.n; ++i) {
        const double w = c.P[i][3];
        double p[3] = {c.P[i][0] / w, c.P[i][1] / w, c.P[i][2] / w};
        f(p);
        for (int d = 0; d < 3; ++d)
            c.P[i][d] = p[d] * w;
    }
    return 1;
}

// Rotation of v about the unit axis a by the angle with cosine cs and sine sn.
void RotateVec(double* v, const double* a, double cs, double sn)
{
    const double dot = a[0] * v[0] + a[1] * v[1] + a[2] * v[2];
    const double cr[3] = {a[1] * v[2] - a[2] * v[1], a[2] * v[0] - a[0] * v[2], a[0] * v[1] - a[1] * v[0]};
    for (int d = 0; d < 3; ++d)
        v[d] = v[d] * cs + cr[d] * sn + a[d] * dot * (1.0 - cs);
}

}  // namespace

BCRV::~BCRV()
{
    std::free(P);
    std::free(U);
}

int BCRV::Reset(int order, int count)
{
    if (order < 2 || order > kBcrvMaxOrder || count < order || count > (1 << 26))
        return 0;
    double* knots = KNOT_Gen(order, count);
    auto* pts = static_cast<double(*)[4]>(std::malloc(sizeof(double[4]) * static_cast<size_t>(count)));
    if (knots == nullptr || pts == nullptr) {
        std::free(knots);
        std::free(pts);
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        pts[i][0] = pts[i][1] = pts[i][2] = 0.0;
        pts[i][3] = 1.0;
    }
    std::free(P);
    std::free(U);
    P = pts;
    U = knots;
    k = order;
    n = count;
    return 1;
}

BCRV* BCRV::Clone() const
{
    if (!BCRV_IsValid(this))
        return nullptr;
    BCRV* c = BCRV_New(k, n);
    if (c == nullptr)
        return nullptr;
    std::memcpy(c->P, P, sizeof(double[4]) * static_cast<size_t>(n));
    std::memcpy(c->U, U, sizeof(double) * static_cast<size_t>(n + k));
    return c;
}

int BCRV::GetCtrlPt(int i, double* p, double* w) const
{
    if (P == nullptr || p == nullptr || i < 0 || i >= n || P[i][3] == 0.0)
        return 0;
    const double wi = P[i][3];
    for (int d = 0; d < 3; ++d)
        p[d] = P[i][d] / wi;
    if (w != nullptr)
        *w = wi;
    return 1;
}

int BCRV::SetCtrlPt(int i, const double* p, double w)
{
    if (P == nullptr || p == nullptr || i < 0 || i >= n || !IsFinite3(p) || !std::isfinite(w) || !(w > 0.0))
        return 0;
    for (int d = 0; d < 3; ++d)
        P[i][d] = p[d] * w;
    P[i][3] = w;
    return 1;
}

int BCRV::CalKnotMul(double knot) const
{
    if (U == nullptr || k < 2 || n < k)
        return 0;
    return numerak::nurbs::KnotMultiplicity(k, n, U, knot);
}

int BCRV::GenLine(const double* p0, const double* p1)
{
    if (p0 == nullptr || p1 == nullptr || !IsFinite3(p0) || !IsFinite3(p1) || !Reset(2, 2))
        return 0;
    SetCtrlPt(0, p0);
    SetCtrlPt(1, p1);
    return 1;
}

int BCRV::GenArc(const double* centre, double r, double a0, double a1)
{
    if (centre == nullptr || !std::isfinite(a0) || !std::isfinite(a1))
        return 0;
    const double twoPi = 2.0 * std::numbers::pi;
    double sweep = std::fmod(a1 - a0, twoPi);
    if (sweep <= 1e-12)
        sweep += twoPi;
    const double X[3] = {1.0, 0.0, 0.0};
    const double Y[3] = {0.0, 1.0, 0.0};
    return BuildConicArc(*this, centre, X, Y, r, r, a0, sweep);
}

int BCRV::GenCircle(const double* centre, double r)
{
    if (centre == nullptr)
        return 0;
    const double X[3] = {1.0, 0.0, 0.0};
    const double Y[3] = {0.0, 1.0, 0.0};
    return BuildConicArc(*this, centre, X, Y, r, r, 0.0, 2.0 * std::numbers::pi);
}

int BCRV::GenEll(const double* centre, double a, double b, double rot)
{
    if (centre == nullptr || !std::isfinite(rot))
        return 0;
    const double X[3] = {std::cos(rot), std::sin(rot), 0.0};
    const double Y[3] = {-std::sin(rot), std::cos(rot), 0.0};
    return BuildConicArc(*this, centre, X, Y, a, b, 0.0, 2.0 * std::numbers::pi);
}

int BCRV::Reverse()
{
    if (!BCRV_IsValid(this))
        return 0;
    for (int i = 0, j = n - 1; i < j; ++i, --j)
        for (int d = 0; d < 4; ++d)
            std::swap(P[i][d], P[j][d]);
    const double sum = U[k - 1] + U[n];
    const int m = n + k;
    for (int i = 0, j = m - 1; i <= j; ++i, --j) {
        const double a = U[i];
        const double b = U[j];
        U[i] = sum - b;
        U[j] = sum - a;
    }
    return 1;
}

int BCRV::Move(const double* v)
{
    if (v == nullptr || !IsFinite3(v))
        return 0;
    return MapCtrlPts(*this, [&](double* p) {
        for (int d = 0; d < 3; ++d)
            p[d] += v[d];
    });
}

int BCRV::Rotate(const double* p, const double* axis, double angle)
{
    double a[3];
    if (p == nullptr || axis == nullptr || !IsFinite3(p) || !std::isfinite(angle) || !Unit3(axis, a))
        return 0;
    const double cs = std::cos(angle);
    const double sn = std::sin(angle);
    return MapCtrlPts(*this, [&](double* q) {
        double v[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
        RotateVec(v, a, cs, sn);
        for (int d = 0; d < 3; ++d)
            q[d] = p[d] + v[d];
    });
}

int BCRV::Scale(const double* c, const double* f)
{
    if (c == nullptr || f == nullptr || !IsFinite3(c) || !IsFinite3(f))
        return 0;
    return MapCtrlPts(*this, [&](double* q) {
        for (int d = 0; d < 3; ++d)
            q[d] = c[d] + (q[d] - c[d]) * f[d];
    });
}

int BCRV::Shear(const double* base, const double* f)
{
    if (base == nullptr || f == nullptr || !std::isfinite(base[0]) || !std::isfinite(base[1]) ||
        !std::isfinite(f[0]) || !std::isfinite(f[1]))
        return 0;
    return MapCtrlPts(*this, [&](double* q) {
        const double x = q[0];
        const double y = q[1];
        q[0] = x + f[0] * (y - base[1]);
        q[1] = y + f[1] * (x - base[0]);
    });
}

int BCRV::Shear(const double* p, const double* dir, const double* normal)
{
    double nu[3];
    if (p == nullptr || dir == nullptr || normal == nullptr || !IsFinite3(p) || !IsFinite3(dir) ||
        !Unit3(normal, nu))
        return 0;
    return MapCtrlPts(*this, [&](double* q) {
        const double h = (q[0] - p[0]) * nu[0] + (q[1] - p[1]) * nu[1] + (q[2] - p[2]) * nu[2];
        for (int d = 0; d < 3; ++d)
            q[d] += dir[d] * h;
    });
}

int BCRV::Twist(const double* p, const double* dir, double angle)
{
    double a[3];
    if (p == nullptr || dir == nullptr || !IsFinite3(p) || !std::isfinite(angle) || !Unit3(dir, a))
        return 0;
    return MapCtrlPts(*this, [&](double* q) {
        double v[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
        const double h = v[0] * a[0] + v[1] * a[1] + v[2] * a[2];
        RotateVec(v, a, std::cos(angle * h), std::sin(angle * h));
        for (int d = 0; d < 3; ++d)
            q[d] = p[d] + v[d];
    });
}

int BCRV::Taper(const double* p, const double* dir, double angle)
{
    double a[3];
    if (p == nullptr || dir == nullptr || !IsFinite3(p) || !std::isfinite(angle) || !Unit3(dir, a))
        return 0;
    const double slope = std::tan(angle);
    return MapCtrlPts(*this, [&](double* q) {
        const double v[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
        const double h = v[0] * a[0] + v[1] * a[1] + v[2] * a[2];
        const double s = 1.0 + h * slope;
        for (int d = 0; d < 3; ++d) {
            const double foot = p[d] + h * a[d];
            q[d] = foot + (q[d] - foot) * s;
        }
    });
}

int BCRV::IsPlanar(double tol, double* point, double* normal) const
{
    if (!BCRV_IsValid(this) || point == nullptr || normal == nullptr || !(tol >= 0.0))
        return 0;
    double q0[3];
    GetCtrlPt(0, q0);
    for (int d = 0; d < 3; ++d)
        point[d] = q0[d];
    // Farthest control point from the first fixes the line.
    double far = 0.0;
    double dir[3] = {0.0, 0.0, 0.0};
    for (int i = 1; i < n; ++i) {
        double q[3];
        GetCtrlPt(i, q);
        const double v[3] = {q[0] - q0[0], q[1] - q0[1], q[2] - q0[2]};
        const double dist = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (dist > far) {
            far = dist;
            for (int d = 0; d < 3; ++d)
                dir[d] = v[d] / dist;
        }
    }
    if (far <= tol)
        return 3;
    // Farthest from that line fixes the plane.
    double off = 0.0;
    double side[3] = {0.0, 0.0, 0.0};
    for (int i = 1; i < n; ++i) {
        double q[3];
        GetCtrlPt(i, q);
        double v[3] = {q[0] - q0[0], q[1] - q0[1], q[2] - q0[2]};
        const double along = v[0] * dir[0] + v[1] * dir[1] + v[2] * dir[2];
        for (int d = 0; d < 3; ++d)
            v[d] -= along * dir[d];
        const double dist = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (dist > off) {
            off = dist;
            for (int d = 0; d < 3; ++d)
                side[d] = v[d] / dist;
        }
    }
    if (off <= tol) {
        for (int d = 0; d < 3; ++d)
            normal[d] = dir[d];
        return 2;
    }
    const double nrm[3] = {dir[1] * side[2] - dir[2] * side[1], dir[2] * side[0] - dir[0] * side[2],
                           dir[0] * side[1] - dir[1] * side[0]};
    for (int d = 0; d < 3; ++d)
        normal[d] = nrm[d];
    for (int i = 1; i < n; ++i) {
        double q[3];
        GetCtrlPt(i, q);
        const double h = (q[0] - q0[0]) * nrm[0] + (q[1] - q0[1]) * nrm[1] + (q[2] - q0[2]) * nrm[2];
        if (std::fabs(h) > tol)
            return 0;
    }
    return 1;
}

int BCRV::IsUniform() const
{
    if (!BCRV_IsValid(this))
        return 0;
    const double w0 = P[0][3];
    for (int i = 1; i < n; ++i)
        if (std::fabs(P[i][3] - w0) > 1e-12 * w0)
            return 0;
    return 1;
}

int BCRV::IsXYUniform() const
{
    if (!IsUniform())
        return 0;
    const double z0 = P[0][2] / P[0][3];
    const double tol = 1e-9 * (1.0 + std::fabs(z0));
    for (int i = 1; i < n; ++i)
        if (std::fabs(P[i][2] / P[i][3] - z0) > tol)
            return 0;
    return 1;
}

BCRV* BCRV_New()
{
    return new (std::nothrow) BCRV;
}

BCRV* BCRV_New(int k, int n)
{
    BCRV* c = new (std::nothrow) BCRV;
    if (c == nullptr)
        return nullptr;
    if (!c->Reset(k, n)) {
        delete c;
        return nullptr;
    }
    return c;
}

void BCRV_Free(BCRV* c)
{
    delete c;
}

int BCRV_IsValid(const BCRV* c)
{
    if (c == nullptr || c->P == nullptr || c->U == nullptr || c->k < 2 || c->k > kBcrvMaxOrder || c->n < c->k)
        return 0;
    if (!numerak::nurbs::KnotsValid(c->k, c->n, c->U))
        return 0;
    for (int i = 0; i < c->n; ++i) {
        const double* q = c->P[i];
        if (!IsFinite3(q) || !std::isfinite(q[3]) || !(q[3] > 0.0))
            return 0;
    }
    return 1;
}

int BCRV_GenLine(const double* p0, const double* p1, BCRV** out)
{
    if (out == nullptr)
        return 0;
    *out = nullptr;
    BCRV* c = BCRV_New();
    if (c == nullptr || !c->GenLine(p0, p1)) {
        BCRV_Free(c);
        return 0;
    }
    *out = c;
    return 1;
}

int BCRV_GenArc(const _arc* arc, BCRV** out)
{
    if (out == nullptr)
        return 0;
    *out = nullptr;
    if (arc == nullptr)
        return 0;
    BCRV* c = BCRV_New();
    if (c == nullptr ||
        !BuildConicArc(*c, arc->frame.O, arc->frame.X, arc->frame.Y, arc->r, arc->r, 0.0, arc->sweep)) {
        BCRV_Free(c);
        return 0;
    }
    *out = c;
    return 1;
}
