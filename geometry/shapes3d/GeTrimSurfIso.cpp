// Iso curves of trimmed surfaces: probe lines of constant u or v in the parameter
// plane are cut at the trim curves, and the pieces inside the trimmed region are
// lifted onto the surface.
#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/NurbsEditor.h"
#include "framework/numerak/Point2D.h"
#include "geometry/algorithms/CurveIntersect.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GeTrimSurf.h"

#include <algorithm>
#include <cmath>

namespace {

// Parameter distance under which two values are the same line or crossing.
constexpr double kParamTol = 0.0001;
// Chord tolerance the iso maker must manage before any curve is made.
constexpr double kIsoStepTol = 0.05;
// Smallest spacing of the iso grid.
constexpr double kMinGridStep = 0.01;

bool ConstantU(const double* from, const double* to) { return std::fabs(from[0] - to[0]) < kParamTol; }

}  // namespace

void CGeTrimSurf::GetParamSpaceIntPoint(CGeLine* line, CArray<IntPnt, IntPnt>* out)
{
    if (!line || !out || m_listLoop.IsEmpty()) return;
    ForEachUVCurve([&](CGeCurve* c) { QVN_GeCC_Inter::CurveCurve(line, c, out, 0); });
    const int n = static_cast<int>(out->GetSize());
    if (n < 2) return;
    double s[2], e[2];
    line->GetStartPoint(s);
    line->GetEndPoint(e);
    const int key = ConstantU(s, e) ? 1 : 0;
    std::stable_sort(out->GetData(), out->GetData() + n,
                     [key](const IntPnt& a, const IntPnt& b) { return a.pt[key] < b.pt[key]; });
    for (int i = 1; i < static_cast<int>(out->GetSize());) {
        if (P2D_Dist((*out)[i - 1].pt, (*out)[i].pt) <= kParamTol) out->RemoveAt(i);
        else ++i;
    }
}

void CGeTrimSurf::InsideSpans(const double* from, const double* to, std::vector<std::array<double, 4>>& spans)
{
    double p[2] = {from[0], from[1]}, q[2] = {to[0], to[1]};
    CGeLine probe(p, q);
    CArray<IntPnt, IntPnt> hits;
    GetParamSpaceIntPoint(&probe, &hits);
    const bool constU = ConstantU(from, to);
    // A span between consecutive crossings counts when its midpoint is inside: a
    // probe that touches a loop at a vertex gives one extra crossing, which must not
    // shift the pairing of all later ones.
    for (int i = 1; i < static_cast<int>(hits.GetSize()); ++i) {
        double a[2] = {hits[i - 1].pt[0], hits[i - 1].pt[1]};
        double b[2] = {hits[i].pt[0], hits[i].pt[1]};
        if (constU) a[0] = b[0] = from[0];
        else a[1] = b[1] = from[1];
        double mid[2] = {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2};
        if (IsPtInParaLoop(mid)) spans.push_back({a[0], a[1], b[0], b[1]});
    }
}

CGeCurve3d* CGeTrimSurf::GenEuclidIsoCurve(CGeLine* span)
{
    if (!span || !m_pSurface) return nullptr;
    const double tol = gGetCrvDiscTol();
    double s[2], e[2];
    span->GetStartPoint(s);
    span->GetEndPoint(e);
    const bool constU = ConstantU(s, e);
    BCRV* iso = CNurbsEditor::MakeIsoCurve(m_pSurface, constU ? kIsoConstU : kIsoConstV, constU ? s[0] : s[1]);
    if (!iso) return nullptr;
    double lo = constU ? s[1] : s[0], hi = constU ? e[1] : e[0];
    if (lo > hi) std::swap(lo, hi);
    const bool fromStart = std::fabs(lo) < kParamTol, toEnd = std::fabs(hi - 1.0) < kParamTol;
    if (fromStart && toEnd) return new CGeNrbCrv3d(iso);
    BCRV* piece = nullptr;
    if (fromStart || toEnd) {
        BCRV* pieces[2] = {nullptr, nullptr};
        if (CNurbsEditor::Split(fromStart ? hi : lo, iso, pieces) == 2) {
            piece = fromStart ? pieces[0] : pieces[1];
            BCRV_Free(fromStart ? pieces[1] : pieces[0]);
        }
    } else {
        BCRV_Trim(iso, lo, hi, tol, &piece);
    }
    BCRV_Free(iso);
    return piece ? new CGeNrbCrv3d(piece) : nullptr;
}

void CGeTrimSurf::IsoCurve(double value, int dir, CTypedPtrList<CObList, CGeCurve3d*>& out)
{
    double du, dv;
    if (!m_pSurface || !BSRF_GetMaxiStepLin(m_pSurface, kIsoStepTol, &du, &dv)) return;
    const BOX2<double> b = m_boxUV;
    std::vector<std::array<double, 4>> spans;
    if (dir == kIsoConstU) {
        if (value < b.xmin || value > b.xmax) return;
        const double from[2] = {value, b.ymin - 1}, to[2] = {value, b.ymax + 1};
        InsideSpans(from, to, spans);
    } else {
        if (value < b.ymin || value > b.ymax) return;
        const double from[2] = {b.xmin - 1, value}, to[2] = {b.xmax + 1, value};
        InsideSpans(from, to, spans);
    }
    for (const auto& s : spans) {
        CGeLine line(&s[0], &s[2]);
        if (CGeCurve3d* c = GenEuclidIsoCurve(&line)) out.AddTail(c);
    }
}

void CGeTrimSurf::ComputerIsoCurve(int* n)
{
    if (!m_pSurface) return;
    if (m_listLoop.IsEmpty()) {
        ReguKontVector();
        const _nurbs_surface* s = m_pSurface;
        m_listLoop.AddTail(GenRectTrimLoop(s->U[s->ku - 1], s->U[s->nu], s->V[s->kv - 1], s->V[s->nv]));
        ClearIsoCurve();
    }
    n[0] = std::max(n[0], 2);
    n[1] = n[1] <= 0 ? n[0] : std::max(n[1], 2);
    const BOX2<double> b = m_boxUV;
    const double du = std::max((b.xmax - b.xmin) / n[0], kMinGridStep);
    const double dv = std::max((b.ymax - b.ymin) / n[1], kMinGridStep);
    std::vector<std::array<double, 4>> spans;
    // A small allowance keeps the last interior line that rounding would drop.
    for (double u = b.xmin + du; u <= b.xmax - du + 1e-9; u += du) {
        const double from[2] = {u, b.ymin - 1}, to[2] = {u, b.ymax + 1};
        InsideSpans(from, to, spans);
    }
    for (double v = b.ymin + dv; v <= b.ymax - dv + 1e-9; v += dv) {
        const double from[2] = {b.xmin - 1, v}, to[2] = {b.xmax + 1, v};
        InsideSpans(from, to, spans);
    }
    double su, sv;
    if (!BSRF_GetMaxiStepLin(m_pSurface, kIsoStepTol, &su, &sv)) return;
    for (const auto& s : spans) {
        CGeLine line(&s[0], &s[2]);
        if (CGeCurve3d* c = GenEuclidIsoCurve(&line)) m_listIsoCurve.AddTail(c);
    }
}
