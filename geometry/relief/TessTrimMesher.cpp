// The grid region mesher in the parameter plane of a trimmed surface: rings from trim
// loops, grid lines sampled from the surface.
#include "geometry/relief/TessGridMesher.h"

#include "framework/numerak/Bsrf.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeTrimBnd.h"
#include "geometry/shapes3d/GeTrimLoop.h"
#include "geometry/shapes3d/GeTrimSurf.h"

#include <algorithm>
#include <cmath>

namespace {

// Consecutive trim nodes this close merge; a last node this close to the first closes.
constexpr double kTrimNodeTie = 1e-7;
constexpr double kTrimCloseTie = 1e-6;
// Sample counts per direction: from the surface, and with the loops' box centres.
constexpr size_t kMostSamples = 600;
constexpr size_t kMostWithCentres = 999;
constexpr double kSmallestStep = 0.00001, kLargestStep = 0.5, kCappedStep = 0.25, kSwitchStep = 0.1;
// Intervals narrower than this share of the range are not halved.
constexpr double kNarrowestShare = 1.0 / 10000;
constexpr int kTrimCurvePoints = 5;
// The parameter square's tolerances, finer than the canvas's.
constexpr CTessGridMesher::Tolerances kParamTol{1e-8, 1e-8, 1e-8, 1e-8};

double DistanceToChord(const double* p, const double* a, const double* b)
{
    double ab[3], ap[3];
    for (int k = 0; k < 3; ++k) ab[k] = b[k] - a[k], ap[k] = p[k] - a[k];
    const double l2 = ab[0] * ab[0] + ab[1] * ab[1] + ab[2] * ab[2];
    const double t = l2 > 0 ? std::clamp((ap[0] * ab[0] + ap[1] * ab[1] + ap[2] * ab[2]) / l2, 0.0, 1.0) : 0.0;
    return std::hypot(ap[0] - t * ab[0], ap[1] - t * ab[1], ap[2] - t * ab[2]);
}

// Equal intervals of at most `step` over [lo, hi] (at least 2), then halved where the
// surface leaves the chords by more than tol on any of the three iso lines.
std::vector<double> SampleAxis(const _nurbs_surface* s, bool alongU, double lo, double hi, double olo, double ohi,
                               double step, double tol)
{
    const double range = hi - lo;
    const auto n = static_cast<size_t>(std::clamp(std::ceil(range / step), 2.0, double(kMostSamples - 1)));
    std::vector<double> values;
    for (size_t k = 0; k <= n; ++k) values.push_back(k == n ? hi : lo + range * static_cast<double>(k) / n);
    if (!s || !(tol > 0)) return values;
    const double others[3] = {olo, 0.5 * (olo + ohi), ohi};
    const auto at = [&](double t, double o, double* p) { BSRF_EvPos(s, alongU ? t : o, alongU ? o : t, p); };
    bool split = true;
    while (split && values.size() < kMostSamples) {
        split = false;
        std::vector<double> next{values[0]};
        for (size_t i = 1; i < values.size(); ++i) {
            const double a = values[i - 1], b = values[i], m = 0.5 * (a + b);
            bool far = false;
            for (double o : others) {
                double pa[3], pb[3], pm[3];
                at(a, o, pa), at(b, o, pb), at(m, o, pm);
                far = far || DistanceToChord(pm, pa, pb) > tol;
            }
            if (far && b - a > range * kNarrowestShare && values.size() + (next.size() - i) < kMostSamples) {
                next.push_back(m);
                split = true;
            }
            next.push_back(b);
        }
        values.swap(next);
    }
    return values;
}

}  // namespace

void CTessGridMesher::TrimCurveToNodes(CGeCurve* curve, std::vector<std::array<double, 2>>& out)
{
    if (!curve) return;
    if (auto* line = dynamic_cast<CGeLine*>(curve)) {
        double a[2], b[2];
        line->GetStartPoint(a);
        line->GetEndPoint(b);
        out.push_back({a[0], a[1]});
        out.push_back({b[0], b[1]});
        return;
    }
    if (auto* poly = dynamic_cast<CGePolyline*>(curve)) {
        const int n = poly->GetSegmentCount() + 1;
        for (int i = 0; i < n; ++i) {
            double p[2];
            poly->GetPoint(i, p);
            out.push_back({p[0], p[1]});
        }
        return;
    }
    for (int k = 0; k < kTrimCurvePoints; ++k) {
        double p[3] = {0, 0, 0};
        curve->GetPointEx(static_cast<double>(k) / (kTrimCurvePoints - 1), p);
        out.push_back({p[0], p[1]});
    }
}

STessNode* CTessGridMesher::TrimLoopToRing(CGeTrimLoop* loop)
{
    if (!loop) return nullptr;
    std::vector<std::array<double, 2>> pts;
    for (POSITION pos = loop->m_listBnd.GetHeadPosition(); pos;)
        if (CGeTrimBnd* b = loop->m_listBnd.GetNext(pos)) TrimCurveToNodes(b->m_pUVCrv, pts);
    std::vector<STessNode*> ring;
    for (const auto& p : pts) {
        if (!std::isfinite(p[0]) || !std::isfinite(p[1])) continue;
        if (!ring.empty() && std::fabs(ring.back()->x - p[0]) < kTrimNodeTie && std::fabs(ring.back()->y - p[1]) < kTrimNodeTie) {
            ring.back()->x = p[0];
            ring.back()->y = p[1];
            continue;
        }
        ring.push_back(NewNode(p[0], p[1]));
    }
    return CloseRing(ring, kTrimCloseTie);
}

void CTessGridMesher::SampleTrimSurface(CTypedPtrList<CObList, CGeTrimLoop*>* loops, double tol, std::vector<double>& us,
                                        std::vector<double>& vs)
{
    us.clear();
    vs.clear();
    if (!loops || loops->IsEmpty()) return;
    BOX2<double> all;
    all.InitEmpty();
    std::vector<BOX2<double>> boxes;
    for (POSITION pos = loops->GetHeadPosition(); pos;)
        if (CGeTrimLoop* l = loops->GetNext(pos)) {
            l->CalcUVBox();
            BOX2<double> b;
            l->GetUVBox(&b);
            boxes.push_back(b);
            all.Union(b);
        }
    if (!all.IsValid()) return;
    CGeTrimLoop* first = loops->GetHead();
    const CGeTrimSurf* surf = first ? first->m_pSurf : nullptr;
    if (!surf || !surf->m_pSurface) {
        us = {all.xmin, all.xmax};
        vs = {all.ymin, all.ymax};
        return;
    }
    BOX2<double> domain = surf->m_boxUV;
    if (!domain.IsValid() || domain.xmax <= domain.xmin || domain.ymax <= domain.ymin) domain = all;
    double du = 0, dv = 0;
    if (m_bFixedSamples && m_nSamplesU && m_nSamplesV) {
        du = (domain.xmax - domain.xmin) / m_nSamplesU;
        dv = (domain.ymax - domain.ymin) / m_nSamplesV;
    } else if (m_bFixedSamples) {
        du = dv = kSwitchStep;
    } else if (!BSRF_GetMaxiStepLin(surf->m_pSurface, tol, &du, &dv)) {
        du = dv = 0.0;
    }
    const auto fix = [](double d) { return !(d > 0.0) ? kSmallestStep : d >= kLargestStep ? kCappedStep : d; };
    us = SampleAxis(surf->m_pSurface, true, domain.xmin, domain.xmax, domain.ymin, domain.ymax, fix(du), tol);
    vs = SampleAxis(surf->m_pSurface, false, domain.ymin, domain.ymax, domain.xmin, domain.xmax, fix(dv), tol);
    // A loop between two lines of an axis gets a line through its middle.
    const auto addCentres = [](std::vector<double>& values, double lo, double hi) {
        const auto above = std::upper_bound(values.begin(), values.end(), lo);
        if (values.size() < kMostWithCentres && above != values.begin() && above != values.end() && *above > hi &&
            *(above - 1) < lo)
            values.insert(above, 0.5 * (lo + hi));
    };
    for (const BOX2<double>& b : boxes) {
        addCentres(us, b.xmin, b.xmax);
        addCentres(vs, b.ymin, b.ymax);
    }
}

int CTessGridMesher::MeshTrimLoops(CTypedPtrList<CObList, CGeTrimLoop*>* loops, double tol, STessNode** firstNode,
                                   STessFace** firstFace)
{
    if (firstNode) *firstNode = nullptr;
    if (firstFace) *firstFace = nullptr;
    if (!loops || loops->IsEmpty()) return 0;
    Clear();
    for (POSITION pos = loops->GetHeadPosition(); pos;)
        if (STessNode* first = TrimLoopToRing(loops->GetNext(pos))) m_rings.push_back({first});
    if (m_rings.empty()) {
        Clear();
        return 0;
    }
    OrientByNesting();
    std::vector<double> us, vs;
    SampleTrimSurface(loops, tol, us, vs);
    const Scan scan{{{0.0, 1.0f, &us}, {0.0, 1.0f, &vs}}};
    ScanRings(scan, kParamTol, [](std::int64_t, std::int64_t) { return 0.0f; }, nullptr);
    for (const Ring& ring : m_rings) ring.first->usage = static_cast<std::int8_t>(255);
    if (firstNode) *firstNode = m_chainHead;
    if (firstFace) *firstFace = m_faceHead;
    return 1;
}
