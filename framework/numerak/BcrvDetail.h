#pragma once
// Helpers shared by the NURBS sources of this library; not part of its interface.

#include <cmath>
#include <memory>

struct BCRV;
struct _nurbs_surface;
void BCRV_Free(BCRV* c);
void BSRF_Free(_nurbs_surface* s);

namespace numerak::nurbs::detail {

// Owners of records made inside the library until they are handed out.
struct CurveFreer {
    void operator()(BCRV* c) const { BCRV_Free(c); }
};
struct SurfFreer {
    void operator()(_nurbs_surface* s) const { BSRF_Free(s); }
};
using CurvePtr = std::unique_ptr<BCRV, CurveFreer>;
using SurfPtr = std::unique_ptr<_nurbs_surface, SurfFreer>;

inline bool IsFinite3(const double* p)
{
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// Unit vector of v into out; false when v is not finite or shorter than 1e-12.
inline bool Unit3(const double* v, double* out)
{
    if (!IsFinite3(v))
        return false;
    const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(len > 1e-12))
        return false;
    for (int d = 0; d < 3; ++d)
        out[d] = v[d] / len;
    return true;
}

// Finds the m control values X (m rows of dim doubles, row-major) of the
// spline of order k on knots U (m + k values) that takes the value rhs[i] at
// params[i] (collocation). The matrix is banded; solved as a sparse LU.
// false when the system is singular (parameters violating Schoenberg-Whitney).
// derOrder, when given, asks for the derOrder[i]-th derivative to take the
// value rhs[i] instead (end conditions).
bool SolveCollocation(int k, int m, const double* U, const double* params, int dim, const double* rhs,
                      double* X, const int* derOrder = nullptr);

// Replaces the record's arrays by the given ones (taking ownership) and sets
// order and count.
void Adopt(BCRV& c, int k, int n, double (*P)[4], double* U);

// Cartesian partial derivatives SKL[k][l] of a surface (k in u, l in v, k + l
// <= d <= 2) from the homogeneous ones Aw[k][l] (w·x, w·y, w·z, w); false when
// the weight is zero or not finite.
bool RationalDers(const double (*Aw)[3][4], int d, double (*SKL)[3][3]);

// The point and the partials up to order two out of RationalDers' table.
inline void SplitSecondDers(const double (*SKL)[3][3], double* P, double* Su, double* Sv, double* Suu, double* Suv,
                            double* Svv)
{
    for (int e = 0; e < 3; ++e) {
        P[e] = SKL[0][0][e];
        Su[e] = SKL[1][0][e];
        Sv[e] = SKL[0][1][e];
        Suu[e] = SKL[2][0][e];
        Suv[e] = SKL[1][1][e];
        Svv[e] = SKL[0][2][e];
    }
}

// RationalDers for d <= 1 (the evaluators' most frequent case), written out
// into the point P and, for d = 1, the partials Su and Sv (null for d = 0).
// The same operations as RationalDers, in pairs of lanes: each lane rounds as
// the scalar operation does, and the divisions, the slow part, halve.
inline bool RationalFirstDers(const double (*Aw)[3][4], int d, double* P, double* Su, double* Sv)
{
    typedef double Pair __attribute__((vector_size(16)));
    const double w = Aw[0][0][3];
    if (w == 0.0 || !std::isfinite(w))
        return false;
    const Pair ww = {w, w};
    const Pair pxy = Pair{Aw[0][0][0], Aw[0][0][1]} / ww;
    const double pz = Aw[0][0][2] / w;
    if (d == 1) {
        const Pair wv = {Aw[0][1][3], Aw[0][1][3]}, wu = {Aw[1][0][3], Aw[1][0][3]};
        const Pair svxy = (Pair{Aw[0][1][0], Aw[0][1][1]} - wv * pxy) / ww;
        const Pair suxy = (Pair{Aw[1][0][0], Aw[1][0][1]} - wu * pxy) / ww;
        const Pair z = (Pair{Aw[0][1][2], Aw[1][0][2]} - Pair{Aw[0][1][3], Aw[1][0][3]} * Pair{pz, pz}) / ww;
        Su[0] = suxy[0];
        Su[1] = suxy[1];
        Su[2] = z[1];
        Sv[0] = svxy[0];
        Sv[1] = svxy[1];
        Sv[2] = z[0];
    }
    P[0] = pxy[0];
    P[1] = pxy[1];
    P[2] = pz;
    return true;
}

// Allocation helpers (std::malloc) for control-point and knot arrays.
double (*AllocPts(int n))[4];
double* AllocKnots(int m);

}  // namespace numerak::nurbs::detail
