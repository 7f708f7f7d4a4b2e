#pragma once
// Newton refinements on a pair of surfaces and the tangential contacts of two
// surfaces: where they touch with parallel normals, the branches of their
// intersection leave in the directions in which both have the same normal
// curvature. A and B are the first and second surface of the pair; (u, v)
// pairs are two doubles. Results: 1 done, 0 otherwise.

#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/KernelRecords.h"

// State of one trace of the surface/surface intersection.
struct SSI_WALK {
    SSI_WALK* prev;
    SSI_WALK* next;
    SURFACE* a;
    double boxA[4]; // umin, vmin, umax, vmax
    SURFACE* b;
    double boxB[4];
    double pointTol, angleTol;
    double r[3];     // trace triple
    SSI_POINT* seeds; // seeds not yet used
    int poleCount;
    double poles[4][3]; // pole centres of the first surface, then of the second
    SSI_POINT start;
    int count;
    SSI_POINT end;
    SSI_POINT n0; // current point
    SSI_POINT n1; // next point
    SSI_POINT* points; // traced points, last one at the head
};

// Point on both surfaces and on the plane through H with normal D: Newton on
// the four parameters, at most 32 steps. 1 with the point (the midpoint of
// the two surface points), both unit normals and the parameters written back.
int ESSI_RefineOnPlane(const SURFACE* A, double* uvA, double* uvB, double* NA, double* NB, double tol,
                       const SURFACE* B, const double* H, const double* D, double* point);

// Tangential contact near the given parameters: both points within distTol and
// the normals parallel within angleTol. 1 with the parameters and both points
// written back.
int ESSI_RefineContact(double* uvB, double* pointB, const SURFACE* A, const SURFACE* B, double* uvA,
                       double* pointA, double distTol, double angleTol);

// Contact between the trace points N0 and N1: refined from their mean
// parameters; out gets the midpoint, both parameters, the branch direction
// nearest N0's tangent (turned to agree with it) and the signed value 0.
int ESSI_FindContact(const SURFACE* A, const SURFACE* B, const SSI_POINT* N0, const SSI_POINT* N1, SSI_POINT* out,
                     double distTol, double angleTol);

// Directions at a contact point in which both surfaces have the same normal
// curvature: *count 0 (an isolated contact), 1, 2 or 100 (every direction);
// first and second are written as the count says. 0 when the curvatures fail or
// the two points are farther apart than the point tolerance.
int ESSI_BranchDirections(int* count, const double* uvA, double* second, double* first, const SURFACE* A,
                          const SURFACE* B, const double* uvB);

// The branch direction nearest R, turned to agree with it; 0 for no branch or
// for every direction being one.
int ESSI_BranchTangent(const SURFACE* A, const double* uvA, const SURFACE* B, const double* uvB, const double* R,
                       double* dir);

// Branch direction at X on the walk's current step (X within r0 of the
// segment N0-N1), nearest to and turned to agree with the mean tangent of N0
// and N1; periodic parameters are moved into the period centred on the step.
int ESSI_TangentialOnStep(const SSI_WALK* walk, const double* X, double* uvB, double* uvA, double* dir);
