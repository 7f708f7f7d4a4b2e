// Parameter-space curves of the surface facade: points projected onto a
// trimmed surface and joined into curves inside its trim loops, and the
// parameter boundaries of a surface of revolution rebuilt from its 3D ones.
#include "toolpath/surfkernel/SrfActor.h"

#include "framework/numerak/QvMem.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "toolpath/surfkernel/EdTrimBound.h"
#include "toolpath/surfkernel/EdTrimSurf.h"
#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kTypeLine3d = 2048;
constexpr int kTypePolyline2d = 64;
constexpr double kUnitTol = 1e-6;
const double kTwoPi = 2.0 * std::acos(-1.0);

// Lowers the kernel's point tolerance for the life of the object.
class PointTolScope {
public:
    explicit PointTolScope(double tol) : m_kept(ESSI_GetPointTol()) { ESSI_SetPointTol(tol); }
    ~PointTolScope() { ESSI_SetPointTol(m_kept); }
    PointTolScope(const PointTolScope&) = delete;
    PointTolScope& operator=(const PointTolScope&) = delete;

private:
    double m_kept;
};

// The mean of a and b on a direction of the given period (0: not periodic),
// b first brought within half a period of a.
double SeamMean(double a, double b, double period)
{
    if (period > 0.0) {
        if (b - a > period / 2) b -= period;
        if (a - b > period / 2) b += period;
    }
    return 0.5 * (a + b);
}

double PointToChord(const double* p, const double* a, const double* b)
{
    const double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, w[3] = {p[0] - a[0], p[1] - a[1], p[2] - a[2]};
    const double len2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    const double t = len2 > 0.0 ? std::clamp((w[0] * d[0] + w[1] * d[1] + w[2] * d[2]) / len2, 0.0, 1.0) : 0.0;
    return std::hypot(w[0] - t * d[0], w[1] - t * d[1], w[2] - t * d[2]);
}

// Appends the surface image of the parameter segment from a to b (a's image pa
// already appended): halved while the image of its middle lies farther than
// kStrptChordTol from the chord.
void AppendSegmentImage(CGeTrimSurf* surf, const double* a, const double* pa, const double* b, const double* pb,
                        int depth, CArray<tagPoint3d, tagPoint3d>& xyz)
{
    const double m[2] = {0.5 * (a[0] + b[0]), 0.5 * (a[1] + b[1])};
    double pm[3];
    if (depth < kStrptMaxHalvings && surf->GetPoint(m[0], m[1], pm) && PointToChord(pm, pa, pb) > kStrptChordTol) {
        AppendSegmentImage(surf, a, pa, m, pm, depth + 1, xyz);
        AppendSegmentImage(surf, m, pm, b, pb, depth + 1, xyz);
        return;
    }
    xyz.Add(tagPoint3d{pb[0], pb[1], pb[2]});
}

// The 3D image of a piece's parameter polyline: its vertices, and between them
// as many points as keep the chords on the surface (the runs were thinned in
// the parameter plane, where a straight run may still curve in space).
void AppendPieceImage(CGeTrimSurf* surf, CEdTrimBound* piece, CArray<tagPoint3d, tagPoint3d>& xyz)
{
    double prev[3];
    bool have = false;
    for (int k = 0; k <= piece->nLast; ++k) {
        const double* uv = piece->Point(k);
        double p[3];
        if (!surf->GetPoint(uv[0], uv[1], p)) {
            have = false;
            continue;
        }
        if (have)
            AppendSegmentImage(surf, piece->Point(k - 1), prev, uv, p, 0, xyz);
        else
            xyz.Add(tagPoint3d{p[0], p[1], p[2]});
        for (int c = 0; c < 3; ++c) prev[c] = p[c];
        have = true;
    }
}

}  // namespace

int CSrfActor::StrptPrjToSurfAlongNormal(CArray<tagPoint3d, tagPoint3d>& pts, CGeTrimSurf* surf, int type,
                                         CTypedPtrList<CObList, CGeCurve3d*>* out)
{
    if (!surf || !surf->m_pKernelSurf || pts.GetSize() < 2 || !out) return 0;
    CEdTrimSurf ed;
    if (!ed.InitSurfBound(surf)) return 0;
    auto* record = static_cast<SURFACE*>(surf->m_pKernelSurf);
    const int n = static_cast<int>(pts.GetSize());
    std::unique_ptr<double[][2]> run(new double[n][2]);
    int count = 0;
    {
        const PointTolScope tol(kProjectPointTol);
        // Each projection starts from the previous (u, v); 1e12 asks for no guess.
        double u = 1e12, v = 1e12;
        for (int i = 0; i < n; ++i) {
            const double p[3] = {pts[i].x, pts[i].y, pts[i].z};
            double uu = u, vv = v, foot[3];
            if (ESRF_ProjectPoint(&uu, &vv, foot, record, p) != 1) {
                // A single value stays and joins the next run.
                if (count >= 2) {
                    ed.AddCurve(run.get(), count);
                    count = 0;
                }
                continue;
            }
            run[count][0] = u = uu;
            run[count][1] = v = vv;
            ++count;
        }
    }
    if (count > 0) {
        const tagPoint3d &a = pts[0], &b = pts[n - 1];
        if (std::hypot(a.x - b.x, a.y - b.y, a.z - b.z) < kStrptCloseTol) {
            const double period[2] = {ed.uPeriodic ? ed.uvBox.xmax - ed.uvBox.xmin : 0.0,
                                      ed.vPeriodic ? ed.uvBox.ymax - ed.uvBox.ymin : 0.0};
            for (int c = 0; c < 2; ++c)
                run[0][c] = run[count - 1][c] = SeamMean(run[0][c], run[count - 1][c], period[c]);
        }
        ed.AddCurve(run.get(), count);
    }
    ed.AutoIntersect(true);
    for (CEdTrimBound* c = ed.curveHead; c; c = c->next) {
        CEdTrimBound* pieces = c->BreakBound(false);
        for (CEdTrimBound* piece = pieces; piece; piece = piece->next) {
            double mid[2];
            piece->GetMidPoint(mid);
            if (ed.IsPointIn(mid) != 0) continue;
            CArray<tagPoint3d, tagPoint3d> xyz;
            AppendPieceImage(surf, piece, xyz);
            if (CGeCurve3d* curve = MakeCurve(&xyz, type)) out->AddTail(curve);
        }
        DeleteChain(pieces);
    }
    ed.DeleteAllCurve();
    return 1;
}

namespace {

// Moves the end point e across the seam when its segment (e to n1) runs
// against the next one (n1 to n2), both walked inwards from the end: on the
// coordinate the end segment mostly runs along, an end at 1 whose segment
// falls while the next rises goes to 0, and an end at 0 whose segment rises
// while the next falls goes to 1. With flatNext a next step of zero in v
// counts as either.
void MoveEndAcrossSeam(double* e, const double* n1, const double* n2, bool flatNext)
{
    const int c = std::fabs(n1[0] - e[0]) > std::fabs(n1[1] - e[1]) ? 0 : 1;
    const double d = n1[c] - e[c], next = n2[c] - n1[c];
    const bool flat = flatNext && c == 1 && next == 0.0;
    if ((next > 0.0 || flat) && d < 0.0 && std::fabs(e[c] - 1.0) < kRevSeamTol)
        e[c] = 0.0;
    else if ((next < 0.0 || flat) && d > 0.0 && std::fabs(e[c]) < kRevSeamTol)
        e[c] = 1.0;
}

// The revolution's (u, v) of the boundary's 3D samples; seam is set when every
// sample lies on the seam.
std::vector<std::array<double, 2>> RevolutionSamples(const SURFACE* rev, const double* range, double a0, double a1,
                                                     CGeCurve3d* curve, bool& seam)
{
    curve->DiscreteMe(kRevBndDiscTol);
    std::vector<std::array<double, 2>> uv;
    seam = true;
    double t = range[0];
    for (int i = 0; i < curve->m_strDisp.m_nCount; ++i) {
        double angle = 0.0, foot[3], tt = t;
        if (ESRF_RevolutionParam(rev, &angle, foot, curve->m_strDisp.m_pPoints[i], &tt) != 1) continue;
        t = tt;
        // Angles come in [0, 2 pi): bring them into the turn from a0, and one
        // a hair short of a full turn back onto a0.
        angle = a0 + std::fmod(std::fmod(angle - a0, kTwoPi) + kTwoPi, kTwoPi);
        if (a0 + kTwoPi - angle < kRevSeamTol * std::fabs(a1 - a0)) angle = a0;
        const double u = (t - range[0]) / (range[1] - range[0]), v = (angle - a0) / (a1 - a0);
        if (std::fabs(v) >= kRevSeamTol && std::fabs(v - 1.0) >= kRevSeamTol) seam = false;
        uv.push_back({u, v});
    }
    return uv;
}

int PointCount(CGeCurve* c)
{
    return c->GetType() == kTypePolyline2d ? c->GetSWPointCount() : 2;
}

// Thins the loops' parameter polylines, closes the gaps between neighbouring
// boundaries (the one with fewer points, the later on a tie, moves its end)
// and recomputes the boxes.
void JoinRevBounds(CGeTrimSurf* surf)
{
    for (CGeTrimLoop* loop : surf->m_listLoop) {
        if (!loop) continue;
        std::vector<CGeCurve*> curves;
        for (CGeTrimBnd* b : loop->m_listBnd) {
            if (!b || !b->m_pUVCrv) continue;
            if (b->m_pUVCrv->GetType() == kTypePolyline2d) static_cast<CGePolyline*>(b->m_pUVCrv)->Lean(kRevBndLeanTol);
            curves.push_back(b->m_pUVCrv);
        }
        // A lone boundary has no neighbour to meet.
        const std::size_t n = curves.size();
        for (std::size_t i = 0; n > 1 && i < n; ++i) {
            CGeCurve* prev = curves[(i + n - 1) % n];
            CGeCurve* cur = curves[i];
            double end[3] = {0.0, 0.0, 0.0}, start[3] = {0.0, 0.0, 0.0};
            prev->GetEndPoint(end);
            cur->GetStartPoint(start);
            if (std::hypot(end[0] - start[0], end[1] - start[1]) <= kRevBndGapTol) continue;
            if (PointCount(prev) < PointCount(cur))
                prev->ModifyEndPoint(start);
            else
                cur->ModifyStartPoint(end);
        }
        for (CGeCurve* c : curves) c->CalcBox2d();
    }
    surf->CalcUVBox();
}

}  // namespace

void CSrfActor::UpdateRevSrfBnd(CGeTrimSurf* surf, CGeCurve3d* profile, CGeCurve3d* axis, double* angles)
{
    if (!surf || surf->m_listLoop.IsEmpty() || !profile || !axis || axis->GetType() != kTypeLine3d || !angles) return;
    const double a0 = angles[0], a1 = angles[1];
    if (!(std::fabs(a1 - a0) > 0.0)) return;
    auto* line = static_cast<CGeLine3d*>(axis);
    double dir[3];
    for (int j = 0; j < 3; ++j) dir[j] = line->m_ptEnd[j] - line->m_ptStart[j];
    const double len = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    if (!(len > kUnitTol)) return;
    for (double& x : dir) x /= len;
    double range[2];
    CURVE* record = ECRV_FromCurve3d(profile, range);
    if (!record) return;
    SURFACE* rev = range[1] > range[0] ? ESRF_NewRevolution(record, dir, line->m_ptStart) : nullptr;
    if (!rev) {
        ENT_Free(record);
        return;
    }
    bool rebuilt = false, firstLoop = true;
    for (CGeTrimLoop* loop : surf->m_listLoop) {
        if (!loop || loop->m_listBnd.IsEmpty()) continue;
        for (CGeTrimBnd* bnd : loop->m_listBnd) {
            if (!bnd || !bnd->m_pEucCrv || bnd->m_pUVCrv) continue;
            bool seam = false;
            std::vector<std::array<double, 2>> uv = RevolutionSamples(rev, range, a0, a1, bnd->m_pEucCrv, seam);
            if (uv.empty()) continue;
            if (seam) {
                // The seam's first loop runs along v = 0 with rising u; later loops turn the other way.
                const double u0 = uv.front()[0], u1 = uv.back()[0];
                const double s = (u0 < u1) == firstLoop ? 0.0 : 1.0;
                uv = {{u0, s}, {u1, s}};
            }
            const std::size_t n = uv.size();
            if (n < 2) continue;
            if (n > 2) {
                MoveEndAcrossSeam(uv[0].data(), uv[1].data(), uv[2].data(), false);
                MoveEndAcrossSeam(uv[n - 1].data(), uv[n - 2].data(), uv[n - 3].data(), true);
            }
            static_assert(sizeof(std::array<double, 2>) == 2 * sizeof(double), "samples are read as packed pairs");
            auto* poly = new CGePolyline;
            poly->Create(static_cast<int>(n), reinterpret_cast<const double(*)[2]>(uv.data()));
            poly->SetExtData(seam ? 1 : 0);
            bnd->m_pUVCrv = poly;
            rebuilt = true;
        }
        firstLoop = false;
    }
    QV_MemFree(rev);
    ENT_Free(record);
    if (rebuilt) JoinRevBounds(surf);
}
