#include "framework/numerak/Plane3D.h"

#include "framework/numerak/Point2D.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/Vector2D.h"

#include <cmath>
#include <utility>

namespace {

constexpr double kTinyVector = 1e-12;

bool Finite3(const double* v) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

// Unit copy of v; false when it is too short or not finite.
bool UnitOf(const double* v, double* out)
{
    P3D_Copy(v, out);
    return Finite3(v) && V3D_Unit(out, kTinyVector) == 1;
}

// Distance of q from the line through p along the unit direction u.
double DistToLine(const double* q, const double* p, const double* u)
{
    double w[3], c[3];
    V3D_Sub(q, p, w);
    V3D_Cross(w, u, c);
    return V3D_Len(c);
}

void Write(const double* p, const double* v, double* point, double* normal)
{
    P3D_Copy(p, point);
    if (v) P3D_Copy(v, normal);
}

// A line (p, unit u) and a point q: 2 when q lies on the line, else 1 with the plane
// through both.
int LinePoint(const double* p, const double* u, const double* q, double tol, double* point, double* normal)
{
    if (DistToLine(q, p, u) <= tol) {
        Write(p, u, point, normal);
        return 2;
    }
    double w[3], n[3];
    V3D_Sub(q, p, w);
    if (!V3D_VProductUnit(u, w, n)) return 0;
    Write(p, n, point, normal);
    return 1;
}

// Two lines (p1, u1) and (p2, u2) with unit directions.
int LineLine(const double* p1, const double* u1, const double* p2, const double* u2, double tol, double tolRel,
             double* point, double* normal)
{
    double n[3];
    V3D_Cross(u1, u2, n);
    if (V3D_Len(n) <= tolRel) return LinePoint(p1, u1, p2, tol, point, normal);
    V3D_Unit(n, kTinyVector);
    double w[3];
    V3D_Sub(p2, p1, w);
    if (std::fabs(V3D_Dot(w, n)) > tol) return 0;
    Write(p1, n, point, normal);
    return 1;
}

}  // namespace

int BOX3D_IsP3DIn(const BOX3<double>* box, const double* p, double tol)
{
    if (!box || !p) return 0;
    return p[0] >= box->xmin - tol && p[0] <= box->xmax + tol && p[1] >= box->ymin - tol &&
                   p[1] <= box->ymax + tol && p[2] >= box->zmin - tol && p[2] <= box->zmax + tol
               ? 1
               : 0;
}

int L3D_IsCoplanar(const double* p1, const double* d1, const double* p2, const double* d2, double tol,
                   double tolRel, double* point, double* normal)
{
    if (!p1 || !d1 || !p2 || !d2 || !point || !normal || !Finite3(p1) || !Finite3(p2)) return 0;
    double u1[3], u2[3];
    const bool line1 = UnitOf(d1, u1), line2 = UnitOf(d2, u2);
    if (line1 && line2) return LineLine(p1, u1, p2, u2, tol, tolRel, point, normal);
    if (line1) return LinePoint(p1, u1, p2, tol, point, normal);
    if (line2) return LinePoint(p2, u2, p1, tol, point, normal);
    if (P3D_Dist(p1, p2) <= tol) {
        Write(p1, nullptr, point, normal);
        return 3;
    }
    double u[3];
    V3D_Sub(p2, p1, u);
    V3D_Unit(u, kTinyVector);
    Write(p1, u, point, normal);
    return 2;
}

int PLN_Relation(int code1, const double* point1, const double* vec1, int code2, double* point, double* normal,
                 double tol, double tolAngle)
{
    if (!point1 || !vec1 || !point || !normal) return 0;
    if (code1 < 1 || code1 > 3 || code2 < 1 || code2 > 3) return 0;
    if (!Finite3(point1) || !Finite3(point)) return 0;
    // Order the pair so that code a <= code b (plane before line before point).
    const double *pa = point1, *va = vec1, *pb = point, *vb = normal;
    int a = code1, b = code2;
    double pbCopy[3], vbCopy[3];
    P3D_Copy(point, pbCopy);
    P3D_Copy(normal, vbCopy);
    if (a > b) {
        std::swap(a, b);
        pa = pbCopy, va = vbCopy, pb = point1, vb = vec1;
    } else {
        pb = pbCopy, vb = vbCopy;
    }
    double ua[3], ub[3];
    if (a <= 2 && !UnitOf(va, ua)) return 0;
    if (b <= 2 && !UnitOf(vb, ub)) return 0;
    double w[3];
    V3D_Sub(pb, pa, w);
    if (a == 1) {
        // The plane (pa, ua) must hold the other shape.
        if (std::fabs(V3D_Dot(w, ua)) > tol) return 0;
        if (b == 1 && V3D_IsParallel(ua, ub, tolAngle) != 1) return 0;
        if (b == 2 && std::fabs(V3D_Dot(ua, ub)) > tolAngle) return 0;
        Write(pa, ua, point, normal);
        return 1;
    }
    if (a == 2 && b == 2) return LineLine(pa, ua, pb, ub, tol, tolAngle, point, normal);
    if (a == 2) return LinePoint(pa, ua, pb, tol, point, normal);
    if (V3D_Len(w) <= tol) {
        Write(pa, nullptr, point, normal);
        return 3;
    }
    V3D_Unit(w, kTinyVector);
    Write(pa, w, point, normal);
    return 2;
}

int Isect3_LineLineEx(const double* s1, const double* e1, const double* s2, const double* e2, double tolPar,
                      double tolDist, double* p1, double* p2)
{
    if (!s1 || !e1 || !s2 || !e2 || !p1 || !p2) return 0;
    double d1[3], d2[3], u[3], v[3];
    V3D_Sub(e1, s1, d1);
    V3D_Sub(e2, s2, d2);
    if (!Finite3(s1) || !Finite3(s2) || !UnitOf(d1, u) || !UnitOf(d2, v)) return 0;
    double n[3];
    V3D_Cross(u, v, n);
    const double sin2 = V3D_Dot(n, n);
    if (std::sqrt(sin2) <= tolPar) return 2;
    double w[3];
    V3D_Sub(s1, s2, w);
    const double b = V3D_Dot(u, v), d = V3D_Dot(u, w), e = V3D_Dot(v, w);
    const double s = (b * e - d) / sin2, t = (e - b * d) / sin2;
    double q1[3], q2[3];
    for (int i = 0; i < 3; ++i) {
        q1[i] = s1[i] + s * u[i];
        q2[i] = s2[i] + t * v[i];
    }
    if (!(P3D_Dist(q1, q2) <= tolDist)) return 0;
    P3D_Copy(q1, p1);
    P3D_Copy(q2, p2);
    return 1;
}

int Isect3_CirLin(const _rect_fm3d* frame, double r, const double* p, const double* dir, double tol,
                  double (*out)[3], int& count)
{
    count = 0;
    if (!frame || !p || !dir || !out || !(r > 0.0) || !Finite3(p)) return 0;
    double u[3], z[3];
    if (!UnitOf(dir, u) || !UnitOf(frame->Z, z)) return 0;
    const double* c = frame->O;
    double w[3];
    V3D_Sub(p, c, w);
    const double h = V3D_Dot(w, z), uz = V3D_Dot(u, z);
    if (std::fabs(uz) > tol) {
        // The line pierces the plane at one point.
        const double s = -h / uz;
        double q[3];
        for (int i = 0; i < 3; ++i) q[i] = p[i] + s * u[i];
        if (std::fabs(P3D_Dist(q, c) - r) > tol) return 0;
        P3D_Copy(q, out[0]);
        count = 1;
        return 3;
    }
    if (std::fabs(h) > tol) return 0;
    // In the plane: |w + s u|^2 = r^2 with w taken into the plane.
    double wp[3];
    for (int i = 0; i < 3; ++i) wp[i] = w[i] - h * z[i];
    const double b = V3D_Dot(wp, u);
    double foot[3];
    for (int i = 0; i < 3; ++i) foot[i] = wp[i] - b * u[i];
    const double dist = V3D_Len(foot);
    if (dist > r + tol) return 0;
    if (dist >= r - tol) {
        for (int i = 0; i < 3; ++i) out[0][i] = c[i] + foot[i];
        count = 1;
        return 1;
    }
    const double half = std::sqrt((r - dist) * (r + dist));
    for (int k = 0; k < 2; ++k) {
        const double s = -b + (k == 0 ? -half : half);
        for (int i = 0; i < 3; ++i) out[k][i] = c[i] + wp[i] + s * u[i];
    }
    count = 2;
    return 1;
}

double PLN_DistPntPlnSide(const double* p, const double* o, const double* n)
{
    const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(len > 0.0)) return 0.0;
    return ((p[0] - o[0]) * n[0] + (p[1] - o[1]) * n[1] + (p[2] - o[2]) * n[2]) / len;
}

int PLN_PrjPntPln(const double* x, const double* p, const double* n, double* out)
{
    const double nn = V3D_Dot(n, n);
    if (!(nn > 0.0) || !std::isfinite(nn))
        return 0;
    double d[3];
    V3D_Sub(x, p, d);
    const double h = V3D_Dot(d, n) / nn;
    P3D_Set(out, x[0] - h * n[0], x[1] - h * n[1], x[2] - h * n[2]);
    return 1;
}

int Isect3_PlnPln(const double* p1, const double* n1, const double* p2, const double* n2, double tol,
                  double tolAngle, double* point, double* dir)
{
    double a[3] = {n1[0], n1[1], n1[2]}, b[3] = {n2[0], n2[1], n2[2]};
    if (!V3D_Unit(a, 1e-300) || !V3D_Unit(b, 1e-300))
        return 0;
    double d[3];
    V3D_Cross(a, b, d);
    const double s = V3D_Len(d), c = V3D_Dot(a, b);
    // Clearly crossing planes skip the arc tangent: for 0 < x, atan(x) lies
    // above x - x³/3, so s > 2·tolAngle·|c| puts the angle above 2·tolAngle·
    // (1 - 4·tolAngle²/3) > tolAngle for a tolerance up to 1/2, far beyond
    // rounding (NaN fails the test and takes the full one).
    const bool crossing = tolAngle >= 1e-100 && tolAngle <= 0.5 && s > 2.0 * tolAngle * std::fabs(c);
    if (!crossing && std::atan2(s, std::fabs(c)) <= tolAngle) {
        double gap[3];
        V3D_Sub(p2, p1, gap);
        return std::fabs(V3D_Dot(gap, a)) <= tol ? 2 : 0;
    }
    // Start from the midpoint m and solve for the point m + alpha·a + beta·b on both
    // planes: the nearest point of the line to m.
    double m[3];
    P3D_Lerp(p1, p2, 0.5, m);
    double e1[3], e2[3];
    V3D_Sub(p1, m, e1);
    V3D_Sub(p2, m, e2);
    // 1 - c² equals s² for unit normals, but rounds to 0 for planes a hair apart.
    const double h1 = V3D_Dot(e1, a), h2 = V3D_Dot(e2, b), det = s * s;
    const double alpha = (h1 - h2 * c) / det, beta = (h2 - h1 * c) / det;
    P3D_Set(point, m[0] + alpha * a[0] + beta * b[0], m[1] + alpha * a[1] + beta * b[1],
            m[2] + alpha * a[2] + beta * b[2]);
    P3D_Set(dir, d[0] / s, d[1] / s, d[2] / s);
    return 1;
}
