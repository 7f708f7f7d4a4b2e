// Cutting-tool profiles written from the tool's parameters alone, and the drop of a
// tool onto triangles bounded from both sides by subdivision: the oracles that the
// milling tests hold the tool classes and the drop cutter against.
#pragma once

#include "testing/MillMesh.h"

namespace millkit {

// A vertical tool with its tip at the CL point: h(d) is the height of its cutting
// surface above the tip at radius d <= Reach().
struct ToolProfileOracle {
  enum Kind { Ball, Flat, Bull, Cone, TaperBall };
  Kind kind = Flat;
  double dia = 0;
  double corner = 0;        // bull: corner radius
  double halfAngleDeg = 0;  // cone, taper ball: between the axis and the side
  double tipRad = 0;        // taper ball: radius of the ball tip
  double cutDepth = 0;      // taper ball: cutting length (0: up to the diameter)

  static ToolProfileOracle MakeBall(double dia) { return {Ball, dia}; }
  static ToolProfileOracle MakeFlat(double dia) { return {Flat, dia}; }
  static ToolProfileOracle MakeBull(double dia, double corner) { return {Bull, dia, corner}; }
  static ToolProfileOracle MakeCone(double dia, double halfAngleDeg) { return {Cone, dia, 0, halfAngleDeg}; }
  static ToolProfileOracle MakeTaperBall(double dia, double tipRad, double halfAngleDeg, double cutDepth = 0) {
    return {TaperBall, dia, 0, halfAngleDeg, tipRad, cutDepth};
  }

  // Radius of the profile's rim.
  double Reach() const;
  // Profile height at radius d; d is clamped to [0, Reach()].
  double Height(double d) const;
  // Height of the profile without the cut-depth limit.
  double FullHeight(double d) const;
  // dh/dd at 0 < d < Reach() (infinite where the profile turns vertical).
  double Slope(double d) const;

  // CL height of the tool at (px, py) resting on the plane z = a x + b y + c, when the
  // plane is wide enough for the contact to fall on it.
  double PlaneDrop(double a, double b, double c, double px, double py) const;
};

// Bounds of the drop height max{ s.z - h(|s.xy - p|) : s in the triangles, |s.xy - p| <= reach }:
// lower from exact points (corners included), upper from subdivided cells. Over a
// planar cell s.z - h(d) is concave (h convex and non-decreasing, d convex), so a
// cell's bound is the lower of its highest corner minus h at its nearest XY distance
// and the tangent plane at its centre taken at its corners. Subdivision stops when
// the gap is below tol or maxCells cells were made. A segment a-b is given as the
// triangle (a, b, b).
struct DropBounds {
  double lower = -1e12;
  double upper = -1e12;
  bool inReach = false;  // some point of the triangles lies within reach
  int cells = 0;
};
DropBounds ProfileDropBounds(const ToolProfileOracle& tool, const TriMesh& mesh, double px, double py, double tol,
                             int maxCells = 400000);

}  // namespace millkit
