#include "geometry/shapes3d/GeTool3D.h"

#include "framework/numerak/Bcrv.h"
#include "framework/numerak/NurbsFit.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/Line2D.h"
#include "geometry/shapes3d/Shapes3dConst.h"

#include <cmath>

namespace {

// Pieces of one interpolated run are merged when their ends meet within this distance.
constexpr double kMergeTol = 0.01;

// One record for a run of points: a straight line for two points, else the
// approximation within tol. Null when the fitter gives nothing.
BCRV* FitRun(const std::vector<double>& run, int degree, double tol)
{
    const int count = static_cast<int>(run.size() / 3);
    const auto* pts = reinterpret_cast<const double(*)[3]>(run.data());
    if (count < 2) return nullptr;
    if (count == 2) {
        BCRV* line = nullptr;
        BCRV_GenLine(pts[0], pts[1], &line);
        return line;
    }
    // The fitter takes the bound in single precision.
    return BCRV_ApproxErrBnd(pts, count, degree, static_cast<float>(tol));
}

}  // namespace

void CGeTool3D::GlobalInterp(double (*pts)[3], int n, int degree, double tol, double angle, std::vector<BCRV*>& out)
{
    if (!pts || n < 2 || degree < 1) return;

    std::vector<double> run;
    run.reserve(3 * static_cast<std::size_t>(n));
    auto last = [&run](int back) { return run.data() + run.size() - 3 * static_cast<std::size_t>(back); };
    auto emit = [&]() {
        if (BCRV* piece = FitRun(run, degree, tol)) out.push_back(piece);
    };

    run.insert(run.end(), pts[0], pts[0] + 3);
    for (int i = 1; i < n; ++i) {
        const double* q = pts[i];
        if (!std::isfinite(q[0] + q[1] + q[2])) continue;
        // The skip also applies to the second point, so the first direction is never degenerate.
        if (P3D_Dist(q, last(1)) < ge3con::kInterpSkipDist) continue;
        if (run.size() >= 6) {
            const double* b = last(1);
            const double* a = last(2);
            const double dev = L3D_DistToPntEx(q, a, b);
            double back[3], on[3];
            V3D_Sub(a, b, back);
            V3D_Sub(q, b, on);
            const double beta = V3D_GetAngle(back, on, 1e-12);
            if (dev > tol || beta < angle) {
                emit();
                const std::vector<double> start(b, b + 3);
                run.assign(start.begin(), start.end());
            }
        }
        run.insert(run.end(), q, q + 3);
    }
    emit();
}

BCRV* CGeTool3D::GlobalInterp(double (*pts)[3], int n, int degree, double tol, double angle)
{
    std::vector<BCRV*> pieces;
    GlobalInterp(pts, n, degree, tol, angle, pieces);
    if (pieces.empty()) return nullptr;
    if (pieces.size() == 1) return pieces.front();
    BCRV* merged = nullptr;
    BCRV_Merge(static_cast<int>(pieces.size()), pieces.data(), kMergeTol, &merged);
    for (BCRV* piece : pieces) BCRV_Free(piece);
    return merged;
}

CGeNrbCrv3d* CGeTool3D::Merge(CGeNrbCrv3d* first, CGeNrbCrv3d* second)
{
    if (!first || !second || !first->GetCurve() || !second->GetCurve()) return nullptr;
    BCRV* const curves[2] = {first->GetCurve(), second->GetCurve()};
    BCRV* merged = nullptr;
    if (!BCRV_Merge(2, curves, kMergeTol, &merged) || !merged) return nullptr;
    auto* result = new CGeNrbCrv3d;
    result->SetCurve(merged);
    return result;
}
