// Triangle queries of the mesh sections and projections: a triangle cut by an
// axis-parallel plane, a triangle met by a segment, and a vector turned about an axis.
#pragma once

// The triangle (a, b, c) cut by the plane y = y0 (x = x0 for the X form). 2: the plane
// crosses the triangle in a segment longer than tol, its ends in seg[0..2] and
// seg[3..5], where the edges cross the plane; 3: all corners lie within tol of the
// plane; 1: no segment, but a corner lies within tol of the plane (a touch); 0: no
// contact. A corner exactly on the plane counts as below it, so that of two triangles
// sharing an edge in the plane exactly one (the one whose third corner lies above)
// reports the edge.
int TRI3_IntYPlane(const double* a, const double* b, const double* c, double y0, double tol, double* seg);
int TRI3_IntXPlane(const double* a, const double* b, const double* c, double x0, double tol, double* seg);
// The same for the planar convex quad (a, b, c, d) and the plane x = x0.
int QUAD3_IntXPlane(const double* a, const double* b, const double* c, const double* d, double x0, double tol,
                    double* seg);

// The segment s–e against the triangle (a, b, c): 1 and the meeting point in out when
// the segment crosses the triangle's plane inside the triangle (barycentric
// coordinates down to -tol, the segment parameter in [-tol, 1 + tol]); 0 otherwise,
// also for a segment parallel to the plane or a degenerate triangle (out untouched).
int TRI3_IntSegment(const double* a, const double* b, const double* c, const double* s, const double* e,
                    double tol, double* out);

// The vertical line through (p[0], p[1]) against the triangle (a, b, c): 1 and the
// height of the triangle's plane there in z when the point lies inside the triangle's
// XY projection (barycentric coordinates down to -tol); 0 otherwise, also for a
// triangle whose projection has no area (z untouched).
int TRI3_IntZRay(const double* a, const double* b, const double* c, const double* p, double tol, double* z);

// The vector v turned by angle (radians, right hand) about the direction dir; the
// point c of the axis does not matter for a vector and is accepted for symmetry with
// P3D_RotatePnt. out may be v. A zero direction copies v.
void V3D_Rotate(const double* dir, const double* c, double angle, const double* v, double* out);
