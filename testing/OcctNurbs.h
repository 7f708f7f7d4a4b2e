// Our NURBS records as Open CASCADE B-spline curves and surfaces and back, for
// the tests and benchmarks that compare against it. Only the files that compare
// against Open CASCADE include this header.
//
// Both directions are exact: the same poles, weights and knots. Our records
// hold homogeneous points (w·x, w·y, w·z, w) and flat knot vectors; Open
// CASCADE holds Cartesian poles with separate weights and distinct knots with
// multiplicities.
#pragma once

#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Bsrf.h"

#include <Geom_BSplineCurve.hxx>
#include <Geom_BSplineSurface.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColStd_Array2OfReal.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <TColgp_Array2OfPnt.hxx>

#include <vector>

namespace occt3d {

// Distinct knots and their multiplicities of a flat knot vector.
struct Knots {
    std::vector<double> values;
    std::vector<int> mults;
};

inline Knots Distinct(const double* flat, int count)
{
    Knots k;
    for (int i = 0; i < count; ++i) {
        if (!k.values.empty() && flat[i] == k.values.back()) {
            ++k.mults.back();
        } else {
            k.values.push_back(flat[i]);
            k.mults.push_back(1);
        }
    }
    return k;
}

inline void ToArrays(const Knots& k, TColStd_Array1OfReal& values, TColStd_Array1OfInteger& mults)
{
    values.Resize(1, static_cast<int>(k.values.size()), false);
    mults.Resize(1, static_cast<int>(k.mults.size()), false);
    for (size_t i = 0; i < k.values.size(); ++i) {
        values.SetValue(static_cast<int>(i) + 1, k.values[i]);
        mults.SetValue(static_cast<int>(i) + 1, k.mults[i]);
    }
}

inline Handle(Geom_BSplineSurface) ToOcct(const _nurbs_surface* s)
{
    TColgp_Array2OfPnt poles(1, s->nu, 1, s->nv);
    TColStd_Array2OfReal weights(1, s->nu, 1, s->nv);
    for (int i = 0; i < s->nu; ++i)
        for (int j = 0; j < s->nv; ++j) {
            const double* q = s->P[i][j];
            poles.SetValue(i + 1, j + 1, gp_Pnt(q[0] / q[3], q[1] / q[3], q[2] / q[3]));
            weights.SetValue(i + 1, j + 1, q[3]);
        }
    TColStd_Array1OfReal uk(1, 1), vk(1, 1);
    TColStd_Array1OfInteger um(1, 1), vm(1, 1);
    ToArrays(Distinct(s->U, s->nu + s->ku), uk, um);
    ToArrays(Distinct(s->V, s->nv + s->kv), vk, vm);
    return new Geom_BSplineSurface(poles, weights, uk, vk, um, vm, s->ku - 1, s->kv - 1);
}

// A new record of the surface (made non-periodic first on a copy); the caller frees it.
inline _nurbs_surface* FromOcct(Handle(Geom_BSplineSurface) b)
{
    if (b->IsUPeriodic() || b->IsVPeriodic()) {
        b = Handle(Geom_BSplineSurface)::DownCast(b->Copy());
        b->SetUNotPeriodic();
        b->SetVNotPeriodic();
    }
    const int nu = b->NbUPoles(), nv = b->NbVPoles();
    _nurbs_surface* s = BSRF_Create(b->UDegree() + 1, nu, b->VDegree() + 1, nv);
    if (!s) return nullptr;
    TColStd_Array1OfReal us(1, nu + s->ku), vs(1, nv + s->kv);
    b->UKnotSequence(us);
    b->VKnotSequence(vs);
    for (int i = 0; i < nu + s->ku; ++i) s->U[i] = us(i + 1);
    for (int j = 0; j < nv + s->kv; ++j) s->V[j] = vs(j + 1);
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nv; ++j) {
            const gp_Pnt p = b->Pole(i + 1, j + 1);
            const double w = b->Weight(i + 1, j + 1);
            s->P[i][j][0] = w * p.X();
            s->P[i][j][1] = w * p.Y();
            s->P[i][j][2] = w * p.Z();
            s->P[i][j][3] = w;
        }
    return s;
}

inline Handle(Geom_BSplineCurve) ToOcct(const BCRV* c)
{
    TColgp_Array1OfPnt poles(1, c->n);
    TColStd_Array1OfReal weights(1, c->n);
    for (int i = 0; i < c->n; ++i) {
        const double* q = c->P[i];
        poles.SetValue(i + 1, gp_Pnt(q[0] / q[3], q[1] / q[3], q[2] / q[3]));
        weights.SetValue(i + 1, q[3]);
    }
    TColStd_Array1OfReal k(1, 1);
    TColStd_Array1OfInteger m(1, 1);
    ToArrays(Distinct(c->U, c->n + c->k), k, m);
    return new Geom_BSplineCurve(poles, weights, k, m, c->k - 1);
}

// A new record of the curve (made non-periodic first on a copy); with
// normalise its knots are mapped onto [0, 1]. The caller frees it.
inline BCRV* FromOcct(Handle(Geom_BSplineCurve) b, bool normalise = false)
{
    if (b->IsPeriodic()) {
        b = Handle(Geom_BSplineCurve)::DownCast(b->Copy());
        b->SetNotPeriodic();
    }
    const int n = b->NbPoles(), k = b->Degree() + 1;
    BCRV* c = BCRV_New(k, n);
    if (!c) return nullptr;
    TColStd_Array1OfReal us(1, n + k);
    b->KnotSequence(us);
    const double u0 = us(k), u1 = us(n + 1);
    for (int i = 0; i < n + k; ++i) c->U[i] = normalise ? (us(i + 1) - u0) / (u1 - u0) : us(i + 1);
    if (normalise) {
        for (int i = 0; i < k; ++i) c->U[i] = 0.0;
        for (int i = n; i < n + k; ++i) c->U[i] = 1.0;
    }
    for (int i = 0; i < n; ++i) {
        const gp_Pnt p = b->Pole(i + 1);
        const double w = b->Weight(i + 1);
        c->P[i][0] = w * p.X();
        c->P[i][1] = w * p.Y();
        c->P[i][2] = w * p.Z();
        c->P[i][3] = w;
    }
    return c;
}

}  // namespace occt3d
