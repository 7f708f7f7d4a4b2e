#include "geometry/shapes2d/SplitRemainder.h"

#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GeometryConst.h"

#include <algorithm>
#include <cmath>

namespace {

// A mapped position whose point is farther than this from the original point
// was not mapped by a linear rescaling.
constexpr double kSamePointTol = 1e-6;

}  // namespace

SegParam geParamOnRemainder(CGeCurve* curve, SegParam cut, SegParam later, CGeCurve* rest)
{
    const int restSegs = std::max(1, rest->GetSegmentCount());
    // The segments before the cut are gone from the piece.
    const int dropped = curve->GetSegmentCount() - rest->GetSegmentCount();
    SegParam mapped;
    mapped.seg = later.seg - dropped;
    mapped.t = later.t;
    if (later.seg == cut.seg) {
        const double span = 1.0 - cut.t;
        mapped.t = span > 0.0 ? (later.t - cut.t) / span : 0.0;
    }
    mapped.seg = std::clamp(mapped.seg, 1, restSegs);
    mapped.t = std::clamp(mapped.t, 0.0, 1.0);

    double want[2], got[2];
    curve->EvPos(later.t, want, static_cast<unsigned>(later.seg));
    rest->EvPos(mapped.t, got, static_cast<unsigned>(mapped.seg));
    if (std::hypot(want[0] - got[0], want[1] - got[1]) <= kSamePointTol) return mapped;

    double near[2], t = mapped.t, dist = gecon::kNoDistanceBound;
    unsigned seg = static_cast<unsigned>(mapped.seg);
    if (rest->GetNearestPoint(want, near, t, seg, dist)) {
        mapped.seg = static_cast<int>(seg);
        mapped.t = t;
    }
    return mapped;
}
