// Newton refinement of one intersection of two curves from a start guess,
// stepping across segment ends.
#include "geometry/algorithms/CurveIntersect.h"
#include "geometry/algorithms/CurveTypes.h"

#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GeOffsetCrv.h"

#include <cmath>

namespace QVN_GeCC_Inter {

namespace {

// The curves meet when their points are closer than this.
constexpr double kMeetTol = 0.0001;
// Tangents are parallel when the sine of their angle is below this.
constexpr double kParallelSine = 0.0001;
constexpr double kNoBest = 1e12;
constexpr int kNewtonIterations = 33;
// Extra runs after the first, each on a neighbouring segment.
constexpr int kMaxSteps = 5;
// A parameter this close to a segment end sits at that end.
constexpr double kEndTol = 1e-6;
constexpr double kEndStart = 0.999999;

// Brings t back into [0, 1]: once around for a periodic curve, clamped otherwise.
double WrapOrClamp(double t, bool periodic)
{
    if (periodic) {
        if (t < 0.0) t += 1.0;
        if (t > 1.0) t -= 1.0;
        return t;
    }
    return t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
}

}  // namespace

namespace iterate {

int IsPeriodicCurve(CGeCurve* c)
{
    if (!c) return 0;
    int type = c->GetType();
    if (type == curvetype::kOffset) {
        CGeCurve* base = static_cast<CGeOffsetCrv*>(c)->GetBase();
        if (!base) return 0;
        type = base->GetType();
    }
    return type == curvetype::kCircle || type == curvetype::kEllipse ? 1 : 0;
}

int StepSegmentParam(CGeCurve* c, int& seg, double& t)
{
    const int count = c->GetSegmentCount();
    if (seg < 1) {
        seg = 1;
        t = 0.0;
        return 2;
    }
    if (seg > count) {
        seg = count;
        t = 1.0;
        return 2;
    }
    if (t < kEndTol && seg > 1) {
        --seg;
        t = kEndStart;
        return 1;
    }
    if (t > kEndStart && seg < count) {
        ++seg;
        t = kEndTol;
        return 1;
    }
    return 0;
}

int NewtonCurveCurve(CGeCurve* c1, int seg1, double& t1, CGeCurve* c2, int seg2, double& t2, double* pt)
{
    double best = kNoBest;
    double bestT1 = t1, bestT2 = t2;
    double bestPt[2] = {pt[0], pt[1]};
    const bool periodic1 = IsPeriodicCurve(c1) != 0, periodic2 = IsPeriodicCurve(c2) != 0;
    for (int it = 0; it < kNewtonIterations; ++it) {
        double p1[2] = {0.0, 0.0}, d1[2] = {0.0, 0.0}, dd1[2] = {0.0, 0.0};
        double p2[2] = {0.0, 0.0}, d2[2] = {0.0, 0.0}, dd2[2] = {0.0, 0.0};
        c1->Ev2Der(t1, p1, d1, dd1, unsigned(seg1));
        c2->Ev2Der(t2, p2, d2, dd2, unsigned(seg2));
        const double e[2] = {p2[0] - p1[0], p2[1] - p1[1]};
        const double d = std::hypot(e[0], e[1]);
        if (d < kMeetTol) {
            pt[0] = p1[0];
            pt[1] = p1[1];
            return 1;
        }
        if (d < best) {
            best = d;
            bestT1 = t1;
            bestT2 = t2;
            bestPt[0] = p1[0];
            bestPt[1] = p1[1];
        }
        const double det = d1[0] * d2[1] - d1[1] * d2[0];
        // Relative to the derivatives' lengths: an absolute bound would call
        // every crossing of short segments parallel.
        if (!(std::fabs(det) > kParallelSine * std::hypot(d1[0], d1[1]) * std::hypot(d2[0], d2[1]))) return 0;
        const double dt1 = (e[0] * d2[1] - e[1] * d2[0]) / det;
        const double dt2 = (e[0] * d1[1] - e[1] * d1[0]) / det;
        t1 = WrapOrClamp(t1 + dt1, periodic1);
        t2 = WrapOrClamp(t2 + dt2, periodic2);
        // Only a periodic curve gets here, after a step longer than a period.
        if (!(t1 >= -kEndTol && t1 <= 1.0 + kEndTol && t2 >= -kEndTol && t2 <= 1.0 + kEndTol)) return 0;
    }
    if (best <= kMeetTol) {
        t1 = bestT1;
        t2 = bestT2;
        pt[0] = bestPt[0];
        pt[1] = bestPt[1];
        return 1;
    }
    return 0;
}

}  // namespace iterate

int CurveCurveIterate(CGeCurve* c1, double& t1, int& seg1, CGeCurve* c2, double& t2, int& seg2, double* pt)
{
    if (!c1 || !c2 || !pt) return 0;
    if (seg1 > c1->GetSegmentCount() || seg2 > c2->GetSegmentCount() || seg1 < 1 || seg2 < 1) return 0;
    if (iterate::NewtonCurveCurve(c1, seg1, t1, c2, seg2, t2, pt)) return 1;
    for (int step = 0; step < kMaxSteps; ++step) {
        const int moved1 = iterate::StepSegmentParam(c1, seg1, t1);
        const int moved2 = iterate::StepSegmentParam(c2, seg2, t2);
        if (moved1 == 2 || moved2 == 2) return 0;
        if (moved1 != 1 && moved2 != 1) return 0;
        if (iterate::NewtonCurveCurve(c1, seg1, t1, c2, seg2, t2, pt)) return 1;
    }
    return 0;
}

}  // namespace QVN_GeCC_Inter
