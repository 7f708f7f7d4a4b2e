#pragma once
// Entity records of the surface kernel: every curve and surface the kernel
// evaluates, projects or intersects is a plain record that starts with the
// two-int ENTITY header (type code, then 1); the operations are free functions
// that switch on the code. Curves have even codes, surfaces odd ones. Records
// come from QV_MemAlloc and are freed by ENT_Free (or QV_MemFree where that
// says so).
//
// Results: 1 success, 0 failure (also for a null argument or an unsupported
// code), -1 out of memory, -4 degenerate or tangential.
//
// The kernel's tolerances are process-wide and not synchronised: the kernel
// runs on one thread at a time.

#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/NurbsArc.h"
#include "framework/numerak/NurbsParam.h"

struct PTSTRING;

struct ENTITY {
    int type;
    int ref; // 1 at creation
};
using CURVE = ENTITY;
using SURFACE = ENTITY;

enum : int {
    ENT_PLANE = 9,
    ENT_LINE = 8,
    ENT_CIRCLE = 10,
    ENT_ELLIPSE = 12,
    ENT_NURBS_CURVE = 14,
    ENT_INTERSECTION = 16,
    ENT_SPHERE = 15,
    ENT_NURBS_SURFACE = 19,
    ENT_EXTRUSION = 21,
    ENT_REVOLUTION = 23,
    ENT_OFFSET = 29,
};

// Line: point(t) = base + t·dir.
struct ECRV_LINE {
    ENTITY h;
    double base[3];
    double dir[3];
};
// Circle: point(t) = O + r·cos t·X + r·sin t·Y.
struct ECRV_CIRCLE {
    ENTITY h;
    _rect_fm3d frame;
    double r;
};
struct ECRV_ELLIPSE {
    ENTITY h;
    _rect_fm3d frame;
    double r1; // along X
    double r2; // along Y
};
// NURBS curve: parameter record (range from the knots), the curve and a sample
// cache made on first use; the record owns both.
struct ECRV_NURBS {
    ENTITY h;
    _param param;
    BCRV* curve;
    PTSTRING* cache;
};
// Sphere: S(u, v) = O + r·(cos v·(cos u·X + sin u·Y) + sin v·Z).
struct ESRF_SPHERE {
    ENTITY h;
    _rect_fm3d frame;
    double r;
};
// NURBS surface: parameter records of U and V (ranges from the knots) and the
// surface, owned. Evaluation goes through the surface's Bezier patches, made
// span by span on first use and kept with the record (null when there was no
// memory for the table: the basis functions then answer); the surface must not
// change while the record lives.
struct ESRF_NURBS {
    ENTITY h;
    _param U;
    _param V;
    _nurbs_surface* surface;
    BSRF_PATCHES* patches;
};
// Extrusion: S(u, v) = C(u) + v·d; owns its profile.
struct ESRF_EXTRUSION {
    ENTITY h;
    CURVE* profile;
    double d[3];
};
// Revolution of a profile (not owned) about an axis.
struct ESRF_REVOLUTION {
    ENTITY h;
    CURVE* profile;
    double axisPoint[3];
    double axisDir[3];
};
// Offset surface: S = B + d·N(B); the base is not owned.
struct ESRF_OFFSET {
    ENTITY h;
    SURFACE* base;
    double d;
};
// Plane: only its frame is read (Z the normal, origin a point of it).
struct ESRF_PLANE {
    ENTITY h;
    _rect_fm3d frame;
};

// Tolerances, initial values.
inline constexpr double kKernelPointTol = 1e-8;
inline constexpr double kKernelAngleTol = 1e-11;
inline constexpr double kKernelSubdivTol[3] = {0.001, 0.2, 0.01};
inline constexpr double kKernelTraceTol[3] = {0.0005, 0.1, 0.005};
// A new tolerance component replaces the old one only above this.
inline constexpr double kKernelTolFloor = 1e-20;
// Conversions refuse tolerances below this.
inline constexpr double kKernelMinConvertTol = 0.000000999;

double ESSI_GetPointTol();
void ESSI_SetPointTol(double tol);
double ESSI_GetAngleTol();
// The subdivision triple (s0 distance, s1 gap between unit vectors, s2 length)
// and the trace triple (r0, r1, r2) with the same meanings.
void ESSI_GetSubdivTolerance(double* s);
void ESSI_GetTraceTolerance(double* r);
// Replace each component whose new value is above 1e-20; others keep theirs.
void ESSI_SetSubdivTolerance(double s0, double s1, double s2);
void ESSI_SetTraceTolerance(double r0, double r1, double r2);
// Back to the initial tolerances (the kernel's and the maths library's,
// QVN_Math::ResetTol), and the probes' random sequence restarted (for tests).
void ESSI_ResetKernelState();

// Frees by code: null 1; lines, circles, spheres 1; NURBS curves and surfaces
// with what they own 1; an extrusion with its profile 1; an intersection curve
// with its trace array and cache 1; codes 7, 9, 11, 12, 13, 17, 23, 25 and every
// code above 28 free nothing, 0 (ellipse, revolution and offset records are
// freed by their users with QV_MemFree); the other codes up to 28 free nothing, 1.
int ENT_Free(ENTITY* e);

// New record of the given size with the header set (code, 1) and the rest
// zeroed; null when memory runs out.
ENTITY* ENT_Alloc(int type, unsigned long bytes);
