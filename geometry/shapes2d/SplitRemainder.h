// Where a later position of a curve lies on the piece that remains after the
// curve was cut at an earlier position. Splitting between two intersection
// records cuts at the first and then at the second; the second must be carried
// by its parameter, because a curve that passes the second record's point
// more than once would be cut at the wrong passage if the point were looked up
// again by distance.
#pragma once

class CGeCurve;

// A position on a curve: segment (1-based) and parameter on that segment.
struct SegParam {
    int seg = 1;
    double t = 0.0;
};

// curve was split at `cut`; rest is its piece after the cut. Returns `later`
// (a position on curve after cut) as a position on rest. Splits keep the
// segments after the cut and rescale the cut segment linearly, which is
// checked against the curve's own point; pieces whose parametrisation differs
// (an ellipse is split as a Bézier spline) fall back to the nearest point of
// rest to that point.
SegParam geParamOnRemainder(CGeCurve* curve, SegParam cut, SegParam later, CGeCurve* rest);
