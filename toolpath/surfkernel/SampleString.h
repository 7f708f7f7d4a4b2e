#pragma once
// Sample strings of curves, polylines and the point/segment proximity tests of
// the surface kernel. Records come from QV_MemAlloc.

// Sample string of a curve: count and the arrays the creation flags ask for.
struct PTSTRING {
    int n;
    double (*pnts)[3]; // flag 1
    double (*vecs)[3]; // flag 2
    double* params;    // flag 4
    double* extra;     // flag 8
};

enum : int { PTSTRING_POINTS = 1, PTSTRING_VECTORS = 2, PTSTRING_PARAMS = 4, PTSTRING_EXTRA = 8 };

// Polyline for the overlap test.
struct PLINE {
    int n;
    double (*pnts)[3];
};

// Null when n <= 0 or memory runs out (arrays made so far freed).
PTSTRING* PTSTRING_New(int n, int flags);
void PTSTRING_Free(PTSTRING* s);
// Nearest distance of the point to the string (points and parameters needed)
// and the parameters of every place within tol of that distance. params must
// hold n values. 1; 0 for null input; -1 when memory runs out.
int PTSTRING_NearestCandidates(int* count, double* params, const PTSTRING* s, const double* point, double* nearest,
                               double tol);

int PLINE_PointNearSegment(double tol, const double* point, const double* b, const double* a);
// Searches outward from *segment for a segment within tol of the point; sets
// *segment (-1 when none) and *found. 1; 0 for null input.
int PLINE_FindNearSegment(const PLINE* pl, const double* point, int* segment, int* found, double tol);
// *flag 1 when every vertex of each polyline lies within tol of the other.
int PLINE_IsOverlap(const PLINE* a, const PLINE* b, int* flag, double tol);

// 2D: 1 when the point is at least tol away from the segment a-b.
int SEG2_IsFar(double tol, const double* a, const double* b, const double* point);
// 3D distance to the segment and the clamped parameter of the foot.
double SEG3_Distance(const double* a, const double* b, const double* point, double* param);
