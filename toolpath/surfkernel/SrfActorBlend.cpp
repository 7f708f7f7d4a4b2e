// The blends of the surface facade: Hermite sections between two surface
// boundaries and conic sections from a curve to a boundary.
#include "toolpath/surfkernel/SrfActor.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/NurbsSkin.h"
#include "framework/numerak/QvnMath.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes3d/GeTrimBnd.h"
#include "geometry/shapes3d/GeTrimSurf.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

// Below this a cross-boundary direction has no unit vector.
constexpr double kBlendUnitTol = 1e-12;
// Orders across the sections: cubic Ferguson, quadratic conic.
constexpr int kFergusonOrder = 4;
constexpr int kConicOrder = 3;
// Shoulder of the conic sections: a parabola.
constexpr double kConicRho = 0.5;

struct CurveFreer {
    void operator()(BCRV* c) const { BCRV_Free(c); }
};

double RangeLength(double start, double end, int whole) { return whole == 1 ? 1.0 : std::fabs(end - start); }

// Sections one boundary needs over its range length.
double SectionsFor(CGeCurve3d* curve, double length)
{
    double step = 0.0;
    if (!curve->GetDiscStep(gGetCrvDiscTol(), step) || !(step > 0.0) || !std::isfinite(step))
        return kBlendMaxSections;
    return std::ceil(length / step);
}

int SectionCount(double a, double b)
{
    const double n = std::max(a, b);
    return static_cast<int>(std::clamp(n, double(kBlendMinSections), double(kBlendMaxSections)));
}

// The parameter of section i of n on a range from start of length len.
double SectionParam(int i, int n, double start, double len, int whole, bool reverse)
{
    double t = start + i * len / (n - 1);
    if (whole == 1) t = QVN_Math::ClampPeriodic(0.0, 1.0, t);
    if (reverse) t = 1.0 - t;
    return QVN_Math::Clamp01(t);
}

// Point P, unit normal N and boundary tangent T of the boundary at t.
bool BoundaryFrame(CGeTrimSurf* surf, CGeTrimBnd* bnd, double t, double* P, double* N, double* T)
{
    double uv[3] = {0.0, 0.0, 0.0}, onCurve[3];
    if (!bnd->m_pUVCrv->GetPointEx(t, uv)) return false;
    T[0] = T[1] = T[2] = 0.0;
    bnd->m_pEucCrv->GetTanVecAt(t, onCurve, T, 0);
    return surf->GetNormal(uv[0], uv[1], P, N) != 0;
}

void Cross(const double* a, const double* b, double* out)
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// Moves the control point `move` of every section (u row index) further from
// `from` along their joining direction by len, weights kept.
void PushControlPoints(_nurbs_surface* s, int from, int move, double len)
{
    if (len == 0.0) return;
    for (int j = 0; j < s->nv; ++j) {
        double a[3], b[3], d[3];
        const double wa = s->P[from][j][3], wb = s->P[move][j][3];
        for (int c = 0; c < 3; ++c) {
            a[c] = s->P[from][j][c] / wa;
            b[c] = s->P[move][j][c] / wb;
            d[c] = b[c] - a[c];
        }
        const double dist = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        if (!(dist > kBlendUnitTol)) continue;
        for (int c = 0; c < 3; ++c) s->P[move][j][c] = wb * (b[c] + len * d[c] / dist);
    }
}

void AppendUntrimmed(_nurbs_surface* s, CTypedPtrList<CObList, CGeTrimSurf*>* out)
{
    BOX2<double> unit;
    unit.xmin = unit.ymin = 0.0;
    unit.xmax = unit.ymax = 1.0;
    out->AddTail(new CGeTrimSurf(s, unit));
}

// Interpolates the n section rows across with the template's order and knots
// along them (the template is freed), applies the extra tangent lengths and
// appends the untrimmed surface; 1, or 0 when interpolation fails.
using RowInterpolator = int (*)(int, double (*const*)[4], const BCRV*, int, _nurbs_surface**);
int FinishBlend(RowInterpolator interpolate, int n, const std::vector<double (*)[4]>& rows, BCRV* tmplRaw, int order,
                const SURFBLEND_PARAM& param, CTypedPtrList<CObList, CGeTrimSurf*>* out)
{
    std::unique_ptr<BCRV, CurveFreer> tmpl(tmplRaw);
    _nurbs_surface* s = nullptr;
    if (interpolate(n, rows.data(), tmpl.get(), order, &s) != 1) return 0;
    PushControlPoints(s, 0, 1, param.dExtLen1);
    PushControlPoints(s, s->nu - 1, s->nu - 2, param.dExtLen2);
    AppendUntrimmed(s, out);
    return 1;
}

bool BoundaryUsable(CGeTrimBnd* bnd) { return bnd && bnd->m_pEucCrv && bnd->m_pUVCrv; }

}  // namespace

int CSrfActor::SurfSurfBlend(CGeTrimSurf* surf1, CGeTrimSurf* surf2, CGeTrimBnd* bnd1, CGeTrimBnd* bnd2,
                             bool reverse1, bool reverse2, SURFBLEND_PARAM param,
                             CTypedPtrList<CObList, CGeTrimSurf*>* out)
{
    if (!surf1 || !surf2 || !out || !BoundaryUsable(bnd1) || !BoundaryUsable(bnd2)) return 0;
    const double la = RangeLength(param.dStart1, param.dEnd1, param.nWhole1);
    const double lb = RangeLength(param.dStart2, param.dEnd2, param.nWhole2);
    const int n = SectionCount(SectionsFor(bnd1->m_pEucCrv, la), SectionsFor(bnd2->m_pEucCrv, lb));
    std::vector<double> net(static_cast<std::size_t>(n) * kFergusonOrder * 4);
    std::vector<double(*)[4]> rows(static_cast<std::size_t>(n));
    double pa[3], da[3], pb[3], db[3];
    for (int i = 0; i < n; ++i) {
        const double ta = SectionParam(i, n, param.dStart1, la, param.nWhole1, reverse1);
        const double tb = SectionParam(i, n, param.dStart2, lb, param.nWhole2, reverse2);
        double na[3], tana[3], nb[3], tanb[3];
        if (!BoundaryFrame(surf1, bnd1, ta, pa, na, tana) || !BoundaryFrame(surf2, bnd2, tb, pb, nb, tanb)) return 0;
        Cross(tana, na, da);
        Cross(tanb, nb, db);
        rows[i] = reinterpret_cast<double(*)[4]>(&net[static_cast<std::size_t>(i) * kFergusonOrder * 4]);
        if (!BCRV_CalFergCntP(pa, da, pb, db, rows[i])) return 0;
    }
    BCRV* tmpl = nullptr;
    if (!BCRV_CreFergC1(pa, da, pb, db, &tmpl)) return 0;
    return FinishBlend(BSRF_IntpPsUniK, n, rows, tmpl, kFergusonOrder, param, out);
}

int CSrfActor::SurfCurveBlend(CGeCurve3d* curve, CGeTrimSurf* surf, CGeTrimBnd* bnd, bool reverseCurve,
                              bool reverseBnd, SURFBLEND_PARAM param, CTypedPtrList<CObList, CGeTrimSurf*>* out)
{
    if (!curve || !surf || !out || !BoundaryUsable(bnd)) return 0;
    if (reverseCurve) curve->Reverse();
    const double lc = RangeLength(param.dStart1, param.dEnd1, param.nWhole1);
    const double lb = RangeLength(param.dStart2, param.dEnd2, param.nWhole2);
    const int n = SectionCount(SectionsFor(curve, lc), SectionsFor(bnd->m_pEucCrv, lb));
    std::vector<double> net(static_cast<std::size_t>(n) * kConicOrder * 4);
    std::vector<double(*)[4]> rows(static_cast<std::size_t>(n));
    double C[3], M[3], P[3];
    for (int i = 0; i < n; ++i) {
        const double tc = SectionParam(i, n, param.dStart1, lc, param.nWhole1, false);
        const double tb = SectionParam(i, n, param.dStart2, lb, param.nWhole2, reverseBnd);
        double N[3], T[3], D[3], CP[3];
        curve->GetPointAt(tc, C, 0);
        if (!BoundaryFrame(surf, bnd, tb, P, N, T)) return 0;
        Cross(T, N, D);
        for (int c = 0; c < 3; ++c) CP[c] = C[c] - P[c];
        const double gap = std::sqrt(CP[0] * CP[0] + CP[1] * CP[1] + CP[2] * CP[2]);
        double len = std::sqrt(D[0] * D[0] + D[1] * D[1] + D[2] * D[2]);
        if (!(len > kBlendUnitTol)) {
            for (int c = 0; c < 3; ++c) D[c] = CP[c];
            len = gap;
        }
        for (int c = 0; c < 3; ++c) M[c] = P[c] + (len > kBlendUnitTol ? gap / 2.0 * D[c] / len : 0.0);
        double(*row)[4] = reinterpret_cast<double(*)[4]>(&net[static_cast<std::size_t>(i) * kConicOrder * 4]);
        for (int c = 0; c < 3; ++c) {
            row[0][c] = C[c];
            row[1][c] = M[c];
            row[2][c] = P[c];
        }
        row[0][3] = row[1][3] = row[2][3] = 1.0;
        rows[i] = row;
    }
    BCRV* tmpl = nullptr;
    if (!BCRV_CreConic(C, M, P, kConicRho, &tmpl)) return 0;
    return FinishBlend(BSRF_IntpPs, n, rows, tmpl, kConicOrder, param, out);
}
