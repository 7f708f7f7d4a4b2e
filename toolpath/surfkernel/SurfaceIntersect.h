#pragma once
// Surface/surface intersection. Each surface is subdivided into flat patches
// (kept by the caller in a cache slot between calls), overlapping patch pairs
// give seed points on both surfaces, and every seed is traced with a
// predictor-corrector march into an intersection curve (`_intcur`, code 16,
// arc-length parameters) or reported as a single contact point.
//
// Pair order: the surface with the larger type code is the first surface A
// (equal codes keep the caller's order); every (u, v) pair, seed, trace point
// and curve follows it. UV boxes are umin, vmin, umax, vmax. Results: 1 done,
// 0 failure, -1 out of memory, -4 no trace.

#include "toolpath/surfkernel/SurfaceContact.h"

// Intersection curve record (code 16): the two surfaces (not owned, in pair
// order), two side flags for the fillet solver, the trace array and the
// sample cache (both owned; the cache is made on first use).
struct ECRV_INTCUR {
    ENTITY h;
    SURFACE* a;
    SURFACE* b;
    int side[2];
    SSI_TRACE* trace;
    PTSTRING* cache;
};

// One curve of the output list: the curve and its parameter range.
struct SSI_CURVENODE {
    SSI_CURVENODE* prev;
    SSI_CURVENODE* next;
    int zero;
    ECRV_INTCUR* curve;
    double range[2];
};

// |NA × NB| below which two surfaces count as touching rather than crossing:
// their common points then form a band much wider than the point tolerance.
inline constexpr double kSsiTouching = 1e-4;

// Point, first partials and unit normal (Su × Sv at 1e-12, else the general
// normal of the surface). 1, or 0 when an evaluation fails.
int ESSI_EvalUnitNormal(const SURFACE* s, const double* uv, double* P, double* Su, double* Sv, double* N);

// Intersection of two surfaces over their UV boxes; the slots keep each
// surface's subdivision (an empty slot is filled, a filled one reused). Both
// lists are cleared first; the caller frees contacts with ESSI_FreePointList,
// curve nodes with ESSI_FreeCurveList. 0 for an unsupported pair or a failure.
int ESSI_Intersect(SURFACE* a, SURFACE* b, const double* boxA, SSI_SUBDIV** slotA, const double* boxB,
                   SSI_SUBDIV** slotB, SSI_POINT** contacts, SSI_CURVENODE** curves);
// Frees the nodes and their curves; null.
SSI_CURVENODE* ESSI_FreeCurveList(SSI_CURVENODE* head);

// Flat-patch subdivision of the surface over the box with plane, normal and
// edge tolerances, with its patch index. After 200000 examinations the edge test is dropped (the
// flatness and normal tests still split) so that the whole box stays covered;
// only a surface still unfinished at twenty times that count fails (0, slot
// empty).
int ESSI_Subdivide(const SURFACE* s, const double* box, double planeTol, double normalTol, double edgeTol,
                   SSI_SUBDIV** out);
// Examinations after which the edge test is dropped, and after which the
// subdivision fails.
inline constexpr long kSubdivEdgeCap = 200000;
inline constexpr long kSubdivHardCap = 20 * kSubdivEdgeCap;

// Calls f(context, P, Q) for every patch P of a and Q of b whose boxes meet
// within tol, found by descending box trees over both patch sets together
// (a subdivision's tree is kept in its index once the seed search made it).
// 1 done; 0 when f gives 0 or memory runs out.
int ESSI_ForEachPatchPair(const SSI_SUBDIV* a, const SSI_SUBDIV* b, double tol,
                          int (*f)(void* context, const SSI_PATCH* P, const SSI_PATCH* Q), void* context);
// Prepared seeds of the pair (A first): patch pairs whose widened boxes meet
// are found through the patch indexes and each refined from the patch centres.
// A tangential seed whose branch leaves a box at once in both senses (within
// r0: across the shared edge of two faces touching along it) is dropped.
int ESSI_FindSeeds(const double* boxA, const double* boxB, const SURFACE* A, SSI_SUBDIV** slotA, const SURFACE* B,
                   SSI_SUBDIV** slotB, SSI_POINT** seeds);
// Common point of both surfaces near the given parameters, each clamped into
// its clamp box when one is given. 1 converged with the parameters and the
// point written; 0 otherwise.
int ESSI_RefineSeed(const SURFACE* A, const double* clampB, double* uvB, double tol, double angleTol,
                    const SURFACE* B, const double* clampA, double* uvA, double* point);
// The box with every periodic direction it spans opened to ±1e20.
int ESSI_PeriodicBox(const SURFACE* s, const double* box, double* out);
// Flag, tangent, (du, dv), step and signed value of the seed. A tangential
// seed with two branches adds a copy for the second branch at the head of the
// list; an isolated contact (no branch) keeps a zero tangent.
int ESSI_StartSeed(SSI_POINT** seeds, const double* r, const SURFACE* A, const SURFACE* B, SSI_POINT* seed);

// Tracing (state in SSI_WALK).
int ESSI_March(SURFACE* A, const double* boxA, SSI_SUBDIV** slotA, SURFACE* B, const double* boxB,
               SSI_SUBDIV** slotB, SSI_POINT** contacts, SSI_CURVENODE** curves);
SSI_WALK* ESSI_NewWalk(const double* boxA, SURFACE* A, SURFACE* B, const double* boxB, SSI_POINT* seeds,
                       const SSI_POINT* seed);
void ESSI_FreeWalk(SSI_WALK* walk);
// Traces from the walk's start point for at most `limit` rounds; a trace that
// reaches the limit keeps its points and ends as at a boundary. 1 ended at an
// event, -4 no trace (points freed), -1 out of memory.
int ESSI_TraceFromSeed(SSI_WALK* walk, long limit);
// One step: the corrector keeps (u, v) inside the walk's boxes, and a trace on
// a box edge whose tangent runs along it (within r1/2) goes on along the edge.
int ESSI_Step(SSI_WALK* walk);
int ESSI_CorrectStep(const SURFACE* A, SSI_POINT* N1, const SURFACE* B, double tol);
int ESSI_RefineTangential(const SURFACE* A, const SURFACE* B, SSI_POINT* N1, double tol);
// Event: 0 none, 1 boundary, 2 back at the start, 3 tangential point, 4 pole.
int ESSI_ClassifyStep(SSI_WALK* walk, int* event);
int ESSI_PointOnStep(const SSI_WALK* walk, const double* X, double* uvA, double* uvB, double* tan);
// Frees the remaining seeds on the current step, except those whose direction
// crosses it (the other branch through a tangential point).
int ESSI_ConsumeSeeds(SSI_WALK* walk);
int ESSI_ReverseWalk(SSI_WALK* walk);
int ESSI_DropLastPoint(SSI_WALK* walk);
int ESSI_JoinWalks(SSI_WALK* retrace, SSI_WALK* trace);
int ESSI_EmitWalk(SSI_WALK* walk, SSI_POINT** contacts, SSI_CURVENODE** curves);
// Curve parameters of the samples from their points and unit tangents: 0 at the
// first, then each step the length estimate of the Hermite cubic between two samples.
void ESSI_TraceParams(SSI_TRACE* trace);
int ESSI_TraceToCurve(SSI_POINT** points, double* range, SURFACE* A, SURFACE* B, ECRV_INTCUR** out);
int ESSI_CurveCurvature(const double* uvA, const SURFACE* B, const double* tan, double* k, const SURFACE* A,
                        const double* uvB);
SSI_CURVENODE* ESSI_NewCurveNode(const double* range, ECRV_INTCUR* curve);

ECRV_INTCUR* ECRV_NewIntersection(SURFACE* A, SURFACE* B, SSI_TRACE* trace);
ECRV_INTCUR* ECRV_CopyIntersection(const ECRV_INTCUR* c);
int ECRV_FreeIntersection(ECRV_INTCUR* c);
// Point at t: the Hermite cubic between the samples around t, pulled onto
// both surfaces in the plane normal to the cubic there.
int ECRV_IntersectionPoint(const ECRV_INTCUR* c, double t, double* point);
