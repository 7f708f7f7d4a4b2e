// Largest circle inside a set of closed polylines (rings), searched by the
// pole-of-inaccessibility method: square cells over the rings' box are split in a
// best-first order of the largest distance any point of the cell could have from
// the boundary, and a cell is dropped once that bound cannot beat the best centre
// found by more than the precision.
//
// Inside means even-odd over all rings together: a point is inside when a ray from
// it crosses the rings an odd number of times, so holes need no particular
// orientation and islands inside holes count again.
//
// Precision: the returned radius is the centre's exact distance to the nearest ring
// segment, and no point inside lies farther than radius + precision from the
// boundary, where precision = max(kAbsPrecision, kRelPrecision * larger box side).
//
// Cost: cells are split until their bound is within the precision of the best, so a
// ridge of equal distance (the middle line of a long slot, the middle circle of a ring)
// costs cells in proportion to its length over the precision, as with any search of
// this kind; single-centre shapes converge in a few hundred cells.
//
// Distances go through a uniform grid of segments, searched outward ring by ring
// from the query point's cell; inside tests along the query's row of cells. Each
// segment is listed in the cells it passes through, not the cells of its box.
#pragma once

#include <array>
#include <vector>

namespace tessix {

constexpr double kAbsPrecision = 1e-4;  // millimetres
constexpr double kRelPrecision = 1e-7;  // of the larger side of the rings' box

using Pt = std::array<double, 2>;
using Ring = std::vector<Pt>;  // closed implicitly; a repeated first point is allowed

struct Circle {
    double radius = 0;
    Pt centre{0, 0};
};

// The precision the search guarantees for rings with this box.
double PrecisionFor(double boxWidth, double boxHeight);

// The largest inscribed circle; radius 0 and centre (0, 0) when nothing encloses an
// area (no ring with three distinct points, or non-finite coordinates).
Circle MaxInscribedCircle(const std::vector<Ring>& rings);

}  // namespace tessix
