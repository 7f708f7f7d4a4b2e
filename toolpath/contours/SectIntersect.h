// Plane geometry of the pocketing kernel: box overlap, line, segment, circle
// intersections, offset corners, a quadratic solver and small vector helpers.
// Points and vectors are arrays of doubles (x, y or x, y, z); boxes are four doubles
// (min x, min y, max x, max y). Outputs are written only as each function states.
#pragma once

// 1 when box a meets box b widened by tol on every side, else 0.
int BoxesOverlap(double tol, const double* a, const double* b);

// Corner point of the two lines offset by d along the unit normals m and n that pass
// the base point p: out = p + d ((n.y - m.y) / k, (m.x - n.x) / k), k = m x n; for
// parallel normals (|k| < 1e-6) out = p + d (m + n) / 2. Always 1.
int OffsetCornerPoint(double d, const double* m, const double* n, double* out, const double* p);

// Segment a-b against segment c-d: 1 with the crossing in out[0] (out[0] holds the
// meeting point of the two lines whenever they are not parallel), 2 with the overlap
// of collinear segments in out[0], out[1], else 0. Degenerate segments give 0.
int SegSegIntersect(const double* c, double (*out)[2], const double* a, const double* b, const double* d);

// The unit direction (vx, vy) and length M of segment c-d as SegSegIntersect works them
// out; not valid for a degenerate segment.
struct SegDirection {
    double M = 0, vx = 0, vy = 0;
    bool valid = false;
};
SegDirection SegmentDirection(const double* c, const double* d);
// SegSegIntersect with c-d's direction v = SegmentDirection(c, d) given, for many segments
// against one: the same answer.
int SegSegIntersect(const double* c, double (*out)[2], const double* a, const double* b, const double* d,
                    const SegDirection& v);

// The line through p and q with the circle (centre, r): 0, 1 (touching) or 2 points;
// with two points out[0] lies ahead of out[1] along p -> q. Coincident p and q give 0.
int LineCircleIntersect(double r, const double* centre, const double* q, double (*out)[2], const double* p);

// Circles (c, r) and (C, R): 0 (also concentric), 1 or 2 points.
int CircleCircleIntersect(double r, double R, const double* c, double (*out)[2], const double* C);

// 1 when -1e-6 < s and s - 1 < 1e-6.
int InUnitRange(double s);

// Meeting point of the line through a1 and b1 with the line through a2 and b2: 1, or
// 0 (out untouched) when a line is degenerate or the lines are parallel.
int LineLineIntersect(const double* a1, const double* a2, const double* b1, const double* b2, double* out);

// Distance from a to the line through p and b (3D); the distance from a to b when p
// and b are closer than 1e-6.
double PointToLineDistance3D(const double* a, const double* p, const double* b);

// Normalises v (n doubles); 0 and v unchanged when its length is below 1e-7.
int NormalizeVector(int n, double* v);

// Real roots of coef[0] x^2 + coef[1] x + coef[2] = 0: the count (0, 1 or 2); out
// starts as (0, 1). |a| < 0.0001 is solved as linear (both roots the same, count 1).
int QuadraticRoots(const double* coef, double* out);

// out[i] = u[i] - v[i] for i < n.
void VectorDifference(const double* u, const double* v, double* out, int n);
