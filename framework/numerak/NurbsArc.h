#pragma once
// Plain records of a local frame and a circular arc, as the NURBS arc builder
// reads them.

// Frame: X, Y, Z axes and origin, 3 doubles each, then one further value.
struct _rect_fm3d {
    double X[3];
    double Y[3];
    double Z[3];
    double O[3];
    double s;
};

// Arc: frame (X points from the centre O to the start, Y = Z x X, Z the axis),
// radius, sweep in radians, counter-clockwise about Z:
// point(a) = O + r cos(a) X + r sin(a) Y for a in [0, sweep].
struct _arc {
    _rect_fm3d frame;
    double r;
    double sweep;
};

static_assert(sizeof(_rect_fm3d) == 13 * sizeof(double), "_rect_fm3d is 13 doubles");
static_assert(sizeof(_arc) == 15 * sizeof(double), "_arc is one block of 15 doubles");
