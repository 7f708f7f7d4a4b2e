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

// RationalDers for d <= 1 (the evaluators' most frequent case), written out
// into the point P and, for d = 1, the partials Su and Sv (null for d = 0).
inline bool RationalFirstDers(const double (*Aw)[3][4], int d, double* P, double* Su, double* Sv)
{
    const double w = Aw[0][0][3];
    if (w == 0.0 || !std::isfinite(w))
        return false;
    // In locals first, so that the divisions need not wait for each other's
    // stores (the outputs might overlap).
    const double p[3] = {Aw[0][0][0] / w, Aw[0][0][1] / w, Aw[0][0][2] / w};
    if (d == 1) {
        double su[3], sv[3];
        for (int e = 0; e < 3; ++e) {
            sv[e] = (Aw[0][1][e] - Aw[0][1][3] * p[e]) / w;
            su[e] = (Aw[1][0][e] - Aw[1][0][3] * p[e]) / w;
        }
        for (int e = 0; e < 3; ++e) {
            Su[e] = su[e];
            Sv[e] = sv[e];
        }
    }
    for (int e = 0; e < 3; ++e)
        P[e] = p[e];
    return true;
}

// Allocation helpers (std::malloc) for control-point and knot arrays.
double (*AllocPts(int n))[4];
double* AllocKnots(int m);

}  // namespace numerak::nurbs::detail
