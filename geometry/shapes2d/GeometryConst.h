// Named constants of the 2D shapes and curves, with their values exactly as
// the geometry model fixes them.
#pragma once

#include <cmath>

namespace gecon {

// Closedness of curves and linking of curve ends.
inline constexpr double kClosedTol = 0.01;
// Degenerate lengths and angles.
inline constexpr double kDegenerateTol = 1e-6;
// Cross products below this count as collinear.
inline constexpr double kCollinearCrossTol = 1e-12;
// Local parameters this close to 0 or 1 snap to the segment's end.
inline constexpr double kParamSnapTol = 0.0001;
// Cached loop area meaning "not computed yet".
inline constexpr double kAreaNotComputed = 1e12;
// Distance bound meaning "no bound" in nearest-point searches.
inline constexpr double kNoDistanceBound = 1e7;
// Newton iterations along curves: convergence distance and round limit.
inline constexpr double kNewtonEps = 0.001;
inline constexpr int kNewtonMaxRounds = 32;
// Discretisation step of the curve base and of curves without their own rule.
inline constexpr double kDefaultDiscStep = 0.1;
// Second tolerance of the projection and intersection helpers.
inline constexpr double kProjectTol = 0.001;
// Below this gap a composite's end is moved; at or above it a bridge line is inserted.
inline constexpr double kStitchMoveLimit = 0.1;
// Lists merged into one curve must be linked within this distance.
inline constexpr double kMergeLinkTol = 0.1;
// Tolerance of the view-box overlap and containment tests of drawing.
inline constexpr double kViewBoxTol = 1.0;
// 170 degrees: corner angle up to which discretised points are thinned.
inline constexpr double kThinAngle170 = 2.9670597283898;
// pi - 0.0001: thinning asks nothing for angles above it.
inline constexpr double kRefineMaxAngle = 3.141492653589793;
// Control-handle factor of quarter arcs as cubic segments: the circle's and
// the ellipse's constants differ in their last digits.
inline constexpr double kCircleBezierKappa = 0.5522847498;
inline constexpr double kEllipseBezierKappa = 0.5522847498308;

// Largest coordinate magnitude (mm) a shape may hold: beyond it input counts
// as damaged (readers refuse it) rather than as a drawing.
inline constexpr double kMaxCoordinate = 1e9;
// Finite and within kMaxCoordinate (NaN fails).
inline constexpr bool IsCoordinateInRange(double v) { return v >= -kMaxCoordinate && v <= kMaxCoordinate; }
// Splits of one Bezier segment while flattening go at most this deep, so a
// segment gives at most 2^16 points whatever its size and tolerance.
inline constexpr int kBezierSegmentDepthCap = 16;
inline constexpr int kBezierMaxSegmentPoints = 1 << kBezierSegmentDepthCap;

// Chord tolerances are never finer than this fraction of the curve's size
// (radius, larger semi-axis, extent of a segment's control points): a full
// turn then takes at most about 4,400 chords and a Bezier segment about a
// thousand, whatever the size. Curves up to 10 m at the 0.01 mm tolerance are
// discretised as asked; a record of a curve as large as the coordinate range
// allows cannot ask for millions of display points.
inline constexpr double kMinRelDiscTol = 1e-6;
// tol raised to kMinRelDiscTol of |size| (a NaN size leaves tol alone).
inline double FloorDiscTol(double tol, double size)
{
    const double floor = kMinRelDiscTol * std::fabs(size);
    return floor > tol ? floor : tol;
}

}  // namespace gecon
