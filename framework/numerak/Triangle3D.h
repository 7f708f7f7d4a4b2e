// Triangle queries of the mesh sections and projections: a triangle cut by an
// axis-parallel plane, a triangle met by a segment, and a vector turned about an axis.
#pragma once

// The triangle (a, b, c) cut by the plane y = y0 (x = x0 for the X form). 2: the plane
// crosses the triangle in a segment, its ends in seg[0..2] and seg[3..5]; 1: the
// triangle touches the plane in one corner only; 3: the whole triangle lies in the
// plane; 0: no contact. Corners within tol of the plane count as on it, so a plane
// through a corner still gives a segment when it splits the other two. An edge lying
// in the plane is a segment (2) when the third corner lies below the plane (smaller
// coordinate) and a touch (1) when it lies above, so that of two triangles sharing
// the edge on either side exactly one reports it. A segment no longer than tol is a
// touch (1).
int TRI3_IntYPlane(const double* a, const double* b, const double* c, double y0, double tol, double* seg);
int TRI3_IntXPlane(const double* a, const double* b, const double* c, double x0, double tol, double* seg);

// The segment s–e against the triangle (a, b, c): 1 and the meeting point in out when
// the segment crosses the triangle's plane inside the triangle (barycentric
// coordinates down to -tol, the segment parameter in [-tol, 1 + tol]); 0 otherwise,
// also for a segment parallel to the plane or a degenerate triangle (out untouched).
int TRI3_IntSegment(const double* a, const double* b, const double* c, const double* s, const double* e,
                    double tol, double* out);

// The vector v turned by angle (radians, right hand) about the direction dir; the
// point c of the axis does not matter for a vector and is accepted for symmetry with
// P3D_RotatePnt. out may be v. A zero direction copies v.
void V3D_Rotate(const double* dir, const double* c, double angle, const double* v, double* out);
