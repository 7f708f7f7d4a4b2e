#include "toolpath/surfkernel/SurfaceContact.h"

#include "framework/numerak/Point3D.h"
#include "framework/numerak/QvnMath.h"
#include "toolpath/surfkernel/KernelMatrix.h"
#include "toolpath/surfkernel/SampleString.h"
#include "toolpath/surfkernel/SmallEquations.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <cmath>
#include <numbers>

namespace {

constexpr int kRefineSteps = 32;

struct Frame {
    double P[3], Su[3], Sv[3], Suu[3], Suv[3], Svv[3], N[3];
};

// Point, derivatives and unit normal (Su × Sv, else the general normal).
bool Evaluate(const SURFACE* s, const double* uv, Frame& f)
{
    if (ESRF_EvalDeriv2(s, uv[0], uv[1], f.P, f.Su, f.Sv, f.Suu, f.Suv, f.Svv) != 1)
        return false;
    V3D_Cross(f.Su, f.Sv, f.N);
    if (V3D_Unit(f.N, 1e-12) == 1)
        return true;
    double p[3];
    return ESRF_EvalNormal(f.N, p, s, uv[0], uv[1]) == 1;
}

}  // namespace

int ESSI_RefineOnPlane(const SURFACE* A, double* uvA, double* uvB, double* NA, double* NB, double tol,
                       const SURFACE* B, const double* H, const double* D, double* point)
{
    if (!A || !B || !uvA || !uvB || !NA || !NB || !H || !D || !point)
        return 0;
    double prevM[3] = {1e12, 1e12, 1e12};
    for (int it = 0; it < kRefineSteps; ++it) {
        Frame a, b;
        if (!Evaluate(A, uvA, a) || !Evaluate(B, uvB, b))
            return 0;
        double M[3], gap[3], moved[3], hm[3];
        P3D_Lerp(a.P, b.P, 0.5, M);
        V3D_Sub(b.P, a.P, gap);
        V3D_Sub(M, prevM, moved);
        V3D_Sub(H, M, hm);
        if (V3D_Len(gap) < tol && V3D_Len(moved) < tol && std::fabs(V3D_Dot(hm, D)) < tol) {
            P3D_Copy(M, point);
            P3D_Copy(a.N, NA);
            P3D_Copy(b.N, NB);
            return 1;
        }
        P3D_Copy(M, prevM);
        double J[16], rhs[4], x[4];
        for (int r = 0; r < 3; ++r) {
            J[4 * r + 0] = a.Su[r];
            J[4 * r + 1] = a.Sv[r];
            J[4 * r + 2] = -b.Su[r];
            J[4 * r + 3] = -b.Sv[r];
            rhs[r] = gap[r];
        }
        J[12] = 0.5 * V3D_Dot(D, a.Su);
        J[13] = 0.5 * V3D_Dot(D, a.Sv);
        J[14] = 0.5 * V3D_Dot(D, b.Su);
        J[15] = 0.5 * V3D_Dot(D, b.Sv);
        rhs[3] = V3D_Dot(D, hm);
        if (MAT_Solve4(x, rhs, J) != 1)
            return 0;
        uvA[0] += x[0];
        uvA[1] += x[1];
        uvB[0] += x[2];
        uvB[1] += x[3];
    }
    return 0;
}

int ESSI_RefineContact(double* uvB, double* pointB, const SURFACE* A, const SURFACE* B, double* uvA,
                       double* pointA, double distTol, double angleTol)
{
    if (!uvB || !pointB || !A || !B || !uvA || !pointA)
        return 0;
    double ua[2] = {uvA[0], uvA[1]}, ub[2] = {uvB[0], uvB[1]};
    for (int it = 0; it < kRefineSteps; ++it) {
        Frame a, b;
        double NA[3], NAu[3], NAv[3], p[3];
        if (ESRF_EvalDeriv2(A, ua[0], ua[1], a.P, a.Su, a.Sv, a.Suu, a.Suv, a.Svv) != 1 ||
            ESRF_NormalDerivs(A, ua[0], ua[1], p, NA, NAu, NAv) != 1 ||
            ESRF_EvalDeriv2(B, ub[0], ub[1], b.P, b.Su, b.Sv, b.Suu, b.Suv, b.Svv) != 1 ||
            ESRF_EvalNormal(b.N, p, B, ub[0], ub[1]) != 1)
            return 0;
        double d[3], cr[3];
        V3D_Sub(a.P, b.P, d);
        V3D_Cross(NA, b.N, cr);
        if (V3D_Len(cr) < angleTol && V3D_Len(d) < distTol) {
            uvA[0] = ua[0];
            uvA[1] = ua[1];
            uvB[0] = ub[0];
            uvB[1] = ub[1];
            P3D_Copy(a.P, pointA);
            P3D_Copy(b.P, pointB);
            return 1;
        }
        // f1, f2: the gap along A's tangents; f3, f4: B's tangents against A's normal.
        const double J[16] = {
            V3D_Dot(a.Su, a.Su) + V3D_Dot(d, a.Suu), V3D_Dot(a.Su, a.Sv) + V3D_Dot(d, a.Suv),
            -V3D_Dot(a.Su, b.Su), -V3D_Dot(a.Su, b.Sv),
            V3D_Dot(a.Su, a.Sv) + V3D_Dot(d, a.Suv), V3D_Dot(a.Sv, a.Sv) + V3D_Dot(d, a.Svv),
            -V3D_Dot(a.Sv, b.Su), -V3D_Dot(a.Sv, b.Sv),
            V3D_Dot(b.Su, NAu), V3D_Dot(b.Su, NAv), V3D_Dot(NA, b.Suu), V3D_Dot(NA, b.Suv),
            V3D_Dot(b.Sv, NAu), V3D_Dot(b.Sv, NAv), V3D_Dot(NA, b.Suv), V3D_Dot(NA, b.Svv),
        };
        const double rhs[4] = {-V3D_Dot(d, a.Su), -V3D_Dot(d, a.Sv), -V3D_Dot(NA, b.Su), -V3D_Dot(NA, b.Sv)};
        double x[4];
        if (MAT_Solve4(x, rhs, J) != 1)
            return 0;
        ua[0] += x[0];
        ua[1] += x[1];
        ub[0] += x[2];
        ub[1] += x[3];
    }
    return 0;
}

int ESSI_FindContact(const SURFACE* A, const SURFACE* B, const SSI_POINT* N0, const SSI_POINT* N1, SSI_POINT* out,
                     double distTol, double angleTol)
{
    if (!A || !B || !N0 || !N1 || !out)
        return 0;
    double uvA[2], uvB[2], pA[3], pB[3];
    for (int i = 0; i < 2; ++i) {
        uvA[i] = 0.5 * (N0->uvA[i] + N1->uvA[i]);
        uvB[i] = 0.5 * (N0->uvB[i] + N1->uvB[i]);
    }
    if (ESSI_RefineContact(uvB, pB, A, B, uvA, pA, distTol, angleTol) != 1)
        return 0;
    double dir[3];
    if (ESSI_BranchTangent(A, uvA, B, uvB, N0->tan, dir) != 1)
        return 0;
    if (V3D_Dot(dir, N0->tan) < 0.0)
        for (double& e : dir)
            e = -e;
    P3D_Lerp(pA, pB, 0.5, out->p);
    P3D_Copy(dir, out->tan);
    for (int i = 0; i < 2; ++i) {
        out->uvA[i] = uvA[i];
        out->uvB[i] = uvB[i];
    }
    out->sign = 0.0;
    return 1;
}

int ESSI_BranchDirections(int* count, const double* uvA, double* second, double* first, const SURFACE* A,
                          const SURFACE* B, const double* uvB)
{
    if (!count || !uvA || !second || !first || !A || !B || !uvB)
        return 0;
    double PA[3], NA[3], d1A[3], d2A[3], PB[3], NB[3], d1B[3], d2B[3];
    double k1A, k2A, k1B, k2B;
    if (ESRF_Curvature(A, uvA[0], uvA[1], PA, NA, &k1A, d1A, &k2A, d2A) != 1 ||
        ESRF_Curvature(B, uvB[0], uvB[1], PB, NB, &k1B, d1B, &k2B, d2B) != 1)
        return 0;
    const double eps = ESSI_GetPointTol();
    if (P3D_Dist(PA, PB) > eps)
        return 0;
    if (V3D_GetAngleUnit(NA, NB) > 0.5 * std::numbers::pi) {
        k1B = -k1B;
        k2B = -k2B;
    }
    // Angle of d1B from d1A towards d2A, signed: the branch equation needs the
    // sense in which B's principal frame is turned against A's.
    const double phi = std::atan2(V3D_Dot(d1B, d2A), V3D_Dot(d1B, d1A));
    const double a = std::cos(2.0 * phi) * (k1B - k2B) - (k1A - k2A);
    const double b = std::sin(2.0 * phi) * (k1B - k2B);
    const double c = (k1A + k2A) - (k1B + k2B);
    const double scale = (std::fabs(k1A) + std::fabs(k2A) + std::fabs(k1B) + std::fabs(k2B)) / 4.0;
    const double tol = std::max(eps * scale * scale, 1e-12);
    double theta[2];
    const int n = EQ_SolveTrig(a, b, c, tol, theta);
    auto direction = [&](double t, double* out) {
        for (int e = 0; e < 3; ++e)
            out[e] = std::cos(0.5 * t) * d1A[e] + std::sin(0.5 * t) * d2A[e];
        return V3D_Unit(out, 1e-12) == 1;
    };
    if ((n == 1 || n == 2 || n == 100) && !direction(theta[0], first))
        return 0;
    if ((n == 2 || n == 100) && !direction(theta[1], second))
        return 0;
    *count = n;
    return 1;
}

int ESSI_BranchTangent(const SURFACE* A, const double* uvA, const SURFACE* B, const double* uvB, const double* R,
                       double* dir)
{
    if (!R || !dir)
        return 0;
    int count = 0;
    double first[3], second[3];
    if (ESSI_BranchDirections(&count, uvA, second, first, A, B, uvB) != 1 || count == 0 || count == 100)
        return 0;
    const double* pick = first;
    if (count == 2) {
        double c1[3], c2[3];
        V3D_Cross(first, R, c1);
        V3D_Cross(second, R, c2);
        pick = V3D_Len(c1) < V3D_Len(c2) ? first : second;
    }
    const double sense = V3D_Dot(pick, R) < 0.0 ? -1.0 : 1.0;
    for (int e = 0; e < 3; ++e)
        dir[e] = sense * pick[e];
    return 1;
}

int ESSI_TangentialOnStep(const SSI_WALK* walk, const double* X, double* uvB, double* uvA, double* dir)
{
    if (!walk || !X || !uvB || !uvA || !dir)
        return 0;
    const SSI_POINT& n0 = walk->n0;
    const SSI_POINT& n1 = walk->n1;
    double f = 0.0;
    if (!(SEG3_Distance(n0.p, n1.p, X, &f) <= walk->r[0]))
        return 0;
    double tm[3];
    V3D_Add(n0.tan, n1.tan, tm);
    if (V3D_Unit(tm, 1e-20) != 1)
        return 0;
    double d[3];
    if (ESSI_BranchTangent(walk->a, uvA, walk->b, uvB, tm, d) != 1)
        return 0;
    const double sense = V3D_Dot(d, tm) < 0.0 ? -1.0 : 1.0;
    for (int e = 0; e < 3; ++e)
        dir[e] = sense * d[e];
    // Periodic parameters into the period centred on the step.
    const SURFACE* surfaces[2] = {walk->a, walk->b};
    double* uvs[2] = {uvA, uvB};
    const double* m0[2] = {n0.uvA, n0.uvB};
    const double* m1[2] = {n1.uvA, n1.uvB};
    for (int s = 0; s < 2; ++s) {
        _param P[2];
        if (ESRF_GetDomain(surfaces[s], &P[0], &P[1]) != 1)
            continue;
        for (int k = 0; k < 2; ++k) {
            if (P[k].closure != 2)
                continue;
            const double mean = 0.5 * (m0[s][k] + m1[s][k]), half = 0.5 * (P[k].end - P[k].start);
            uvs[s][k] = QVN_Math::ClampPeriodic(mean - half, mean + half, uvs[s][k]);
        }
    }
    return 1;
}
