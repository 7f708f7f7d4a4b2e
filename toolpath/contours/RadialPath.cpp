// Radial (emit) pocketing: rays from a centre clipped by the region, cut one by one or
// linked through a small centre circle and along the boundary.
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/CutPath.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartLPoint.h"
#include "toolpath/contours/SmartLoop.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr double kCentreRadius = 0.01;
constexpr double kRayReach = 2.0;
constexpr double kParamLow = -1e-6;
constexpr double kParamHigh = 1.000001;
// Longest boundary run between two rays of one connected curve.
constexpr double kMaxRadialLink = 20.0;
// Rays beyond this count are not cut (a step angle far below any machining use).
constexpr double kMaxRays = 1e7;

struct Crossing {
    double p[2];
    double param;
    CSmartSect* sect;
};

CSmartLPoint* Unused(CSmartLPoint* p) { return p && p->kind != scanpt::kUsed ? p : nullptr; }

}  // namespace

int CSmartLoop::CreateEmitPath(CPathCombine& out, DVN_CutEmitDef& def)
{
    const double* c = def.centre;
    if (!contour || !contour->head)
        return 1;
    const bool inside = IsPtOnContour(c) == 1;
    const bool connected = def.flags & cutdef::kEmitConnected;
    std::unique_ptr<CSmartArc> circle;
    if (inside && connected)
        circle = std::make_unique<CSmartArc>(c, kCentreRadius, 0.0, 2 * M_PI);
    const double mid[2] = {(box[0][0] + box[1][0]) / 2, (box[0][1] + box[1][1]) / 2};
    const double L = std::hypot(box[1][0] - box[0][0], box[1][1] - box[0][1]) / 2 +
                     std::hypot(mid[0] - c[0], mid[1] - c[1]) + kRayReach;
    const double rays = std::ceil(std::fabs(def.sweepAngle / def.stepAngle));
    if (!(rays > 0) || !(rays <= kMaxRays) || !std::isfinite(L))
        return 1;
    const int n = int(rays);
    const double inc = def.sweepAngle / n * smart::kDegToRad;
    const unsigned room = 2 * RegionSectionCount(this) + 8;
    std::vector<double> buf(2 * std::size_t(room));
    auto* xy = reinterpret_cast<double(*)[2]>(buf.data());
    std::vector<CSmartSect*> sects(room);
    std::vector<Crossing> xs;
    CSmartLPoint *head = nullptr, *tail = nullptr;
    for (int i = 0; i < n; ++i) {
        const double a = def.startAngle * smart::kDegToRad + i * inc;
        const double e[2] = {c[0] + L * std::cos(a), c[1] + L * std::sin(a)};
        const unsigned k = GetLineInt(c, e, xy, sects.data(), room);
        const int axis = std::fabs(e[0] - c[0]) >= std::fabs(e[1] - c[1]) ? 0 : 1;
        xs.clear();
        if (inside)
            xs.push_back({{c[0], c[1]}, 0.0, circle.get()});
        for (unsigned j = 0; j < k; ++j) {
            const double t = (xy[j][axis] - c[axis]) / (e[axis] - c[axis]);
            if (t >= kParamLow && t <= kParamHigh)
                xs.push_back({{xy[j][0], xy[j][1]}, t, sects[j]});
        }
        std::stable_sort(xs.begin(), xs.end(), [](const Crossing& u, const Crossing& v) { return u.param < v.param; });
        if (xs.size() % 2 == 1)
            continue;
        if (!connected) {
            const std::size_t pairs = xs.size() / 2;
            for (std::size_t q = 0; q < pairs; ++q) {
                const std::size_t j = def.flags & cutdef::kEmitOutward ? 2 * q : 2 * (pairs - 1 - q);
                const Crossing& in = xs[j];
                const Crossing& outer = xs[j + 1];
                const double pi[3] = {in.p[0], in.p[1], 0}, po[3] = {outer.p[0], outer.p[1], 0};
                PathCombineAppend(def.flags & cutdef::kEmitOutward ? new CPathLine3D(pi, po) : new CPathLine3D(po, pi), &out);
            }
            continue;
        }
        CSmartLPoint* lastOnLine = nullptr;
        for (std::size_t j = 0; j + 1 < xs.size(); j += 2) {
            double ends[2][3];
            for (int s = 0; s < 2; ++s) {
                const Crossing& x = xs[j + s];
                ends[s][0] = x.p[0];
                ends[s][1] = x.p[1];
                ends[s][2] = circle && x.sect == circle.get() ? double(i) / n : x.sect->GetParam(x.p);
            }
            AppendScanPair(ends[0], xs[j].sect, ends[1], xs[j + 1].sect, unsigned(i + 1), lastOnLine, head, tail);
        }
    }
    // Linking: from the end of each ray segment through the centre circle or along the
    // boundary to a ray of larger number.
    for (CSmartLPoint* start = head; start; start = start->chainNext) {
        if (start->kind != scanpt::kStart)
            continue;
        auto* curve = new CSmartCurve;
        CSmartLPoint* P = start;
        while (P) {
            CSmartLPoint* Q = Unused(ScanPartner(P));
            if (!Q)
                break;
            P->kind = scanpt::kUsed;
            Q->kind = scanpt::kUsed;
            const double a[2] = {P->x, P->y}, b[2] = {Q->x, Q->y};
            auto* line = new CSmartLine(a, b);
            line->DefineBox();
            curve->AddSect(line);
            CSmartLPoint* N = nullptr;
            if (Q->sect == circle.get()) {
                for (CSmartPoint* q : {Q->prev, Q->next}) {
                    auto* cand = Unused(static_cast<CSmartLPoint*>(q));
                    if (cand && cand->lineId > Q->lineId) {
                        N = cand;
                        break;
                    }
                }
                P = N;
                continue;
            }
            CSmartLPoint *pp = nullptr, *pn = nullptr;
            double dPrev = 0, dNext = 0;
            Q->GetNPrevPoint(pp, dPrev, nullptr, 0);
            Q->GetNNextPoint(pn, dNext, nullptr, 0);
            bool back = false;
            if (pp && pn) {
                if (dPrev > kMaxRadialLink && dNext > kMaxRadialLink)
                    break;
                const bool okPrev = pp->lineId > Q->lineId && dPrev < kMaxRadialLink;
                const bool okNext = pn->lineId > Q->lineId && dNext < kMaxRadialLink;
                if (okPrev && (!okNext || pp->lineId <= pn->lineId))
                    N = pp, back = true;
                else if (okNext)
                    N = pn;
            } else if (pp && dPrev < kMaxRadialLink) {
                N = pp, back = true;
            } else if (pn && dNext < kMaxRadialLink) {
                N = pn;
            }
            if (N)
                back ? Q->AddPrevSect(*curve, N) : Q->AddNextSect(*curve, N);
            P = N;
        }
        if (curve->head)
            AddCurveToPathCombine(curve, &out, 1, 0);
        else
            delete curve;
    }
    // The points leave the region's sections.
    for (CSmartLPoint* p = head; p;) {
        CSmartLPoint* next = p->chainNext;
        p->sect->points->RemovePoint(p);
        delete p;
        p = next;
    }
    return 1;
}
