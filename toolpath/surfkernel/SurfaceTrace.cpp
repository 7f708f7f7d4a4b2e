// Tracing of surface/surface intersection curves from their seeds, joining of
// the two halves of a curve and the intersection curve record.
#include "toolpath/surfkernel/SurfaceIntersect.h"

#include "framework/numerak/Box3D.h"
#include "framework/numerak/Plane3D.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/QvMem.h"
#include "framework/numerak/QvnMath.h"
#include "toolpath/surfkernel/KernelMatrix.h"
#include "toolpath/surfkernel/SampleString.h"
#include "toolpath/surfkernel/SmallEquations.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <iterator>

namespace {

constexpr int kCorrectorSteps = 32;
constexpr int kStepAttempts = 16;
constexpr long kTraceRounds = 10000;
// |NA × NB| below which a point counts as tangential.
constexpr double kTangential = 1e-6;

// SSI_POINT::i0 of a trace point: the step ended on a parameter box edge.
constexpr int kOnBoundary = 1;

double Dist(const double* a, const double* b) { return std::sqrt(P3D_Dist2(a, b)); }

void TangentUV(const double* Su, const double* Sv, const double* T, double* duv)
{
    EQ_Decompose2(Sv, Su, T, &duv[0], &duv[1]);
}

// (du, dv) of the tangent T on the surface at uv; zero when it fails.
void TangentUVOf(const SURFACE* s, const double* uv, const double* T, double* duv)
{
    double P[3], Su[3], Sv[3];
    if (ESRF_EvalDeriv1(s, uv[0], uv[1], P, Su, Sv) == 1)
        TangentUV(Su, Sv, T, duv);
    else
        duv[0] = duv[1] = 0.0;
}

bool InBox(const double* box, const double* uv, double tol)
{
    return uv[0] >= box[0] - tol && uv[0] <= box[2] + tol && uv[1] >= box[1] - tol && uv[1] <= box[3] + tol;
}

void Negate(double* v, int n)
{
    for (int i = 0; i < n; ++i)
        v[i] = -v[i];
}

// Copies the fields of a trace point, keeping the target's links.
void Assign(SSI_POINT& to, const SSI_POINT& from)
{
    SSI_POINT* prev = to.prev;
    SSI_POINT* next = to.next;
    to = from;
    to.prev = prev;
    to.next = next;
}

// The tangent, its sign value and (du, dv) on both surfaces from the unit
// normals at N1, the tangent turned to agree with ref. False when NA × NB
// does not normalise.
bool SetTangent(SSI_POINT* N1, const double* NA, const double* NB, const double* SuA, const double* SvA,
                const double* SuB, const double* SvB, const double* ref)
{
    double T[3], cr[3];
    V3D_Cross(NA, NB, cr);
    P3D_Copy(cr, T);
    if (V3D_Unit(T, 1e-20) != 1)
        return false;
    if (V3D_Dot(T, ref) < 0.0)
        Negate(T, 3);
    P3D_Copy(T, N1->tan);
    N1->sign = V3D_Dot(cr, T);
    TangentUV(SuA, SvA, T, N1->duvA);
    TangentUV(SuB, SvB, T, N1->duvB);
    return true;
}

// ESSI_EvalUnitNormal at uv from the partials already evaluated there: the
// surface is evaluated again only where Su × Sv does not normalise.
bool UnitNormalAt(const SURFACE* s, const double* uv, const double* Su, const double* Sv, double* N)
{
    V3D_Cross(Su, Sv, N);
    if (V3D_Unit(N, 1e-12) == 1)
        return true;
    double P[3], su[3], sv[3];
    return ESSI_EvalUnitNormal(s, uv, P, su, sv, N) == 1;
}

// Parameter boxes of the two surfaces that a Newton step keeps (u, v) in
// (null: none). Beyond its knot range a surface's evaluation is clamped, so
// a step past an edge lying there loses that parameter's column and the
// corrector fails next to a curve on the edge; clamped into the walk's boxes
// (which lie inside the knot ranges), a curve on a box edge is followed
// along it.
struct Boxes {
    const double* a = nullptr;
    const double* b = nullptr;
};

void ClampInto(const double* box, double* uv)
{
    if (!box)
        return;
    uv[0] = std::clamp(uv[0], box[0], box[2]);
    uv[1] = std::clamp(uv[1], box[1], box[3]);
}

// Point and first partials of a surface, kept with their (u, v): a Newton
// step that leaves the parameters as they were (held on a box edge, or a
// zero update) does not evaluate the surface again.
struct Deriv1At {
    bool valid = false;
    double uv[2], P[3], Su[3], Sv[3];
    bool Eval(const SURFACE* s, const double* at)
    {
        if (valid && std::memcmp(uv, at, sizeof uv) == 0)
            return true;
        valid = ESRF_EvalDeriv1(s, at[0], at[1], P, Su, Sv) == 1;
        if (valid)
            std::memcpy(uv, at, sizeof uv);
        return valid;
    }
};

// Newton on the four parameters of N1: both surface points equal, and either
// the point on the plane through N1's entry point normal to its entry
// tangent (fix < 0) or parameter `fix` (0 uA, 1 vA, 2 uB, 3 vB) at `value`.
// Each step is clamped into the boxes. On success NA and NB (when given)
// get the unit normals.
int Correct(const SURFACE* A, SSI_POINT* N1, const SURFACE* B, double tol, int fix, double value,
            const Boxes& boxes = {}, double* outNA = nullptr, double* outNB = nullptr)
{
    double P0[3], T0[3], prev[3] = {1e12, 1e12, 1e12};
    P3D_Copy(N1->p, P0);
    P3D_Copy(N1->tan, T0);
    Deriv1At atA, atB;
    for (int it = 0; it < kCorrectorSteps; ++it) {
        if (!atA.Eval(A, N1->uvA) || !atB.Eval(B, N1->uvB))
            return 0;
        const double *SA = atA.P, *SuA = atA.Su, *SvA = atA.Sv, *SB = atB.P, *SuB = atB.Su, *SvB = atB.Sv;
        P3D_Lerp(SA, SB, 0.5, N1->p);
        double along[3];
        V3D_Sub(N1->p, P0, along);
        double* params[4] = {&N1->uvA[0], &N1->uvA[1], &N1->uvB[0], &N1->uvB[1]};
        const double last = fix < 0 ? std::fabs(V3D_Dot(along, T0)) : std::fabs(*params[fix] - value);
        if (Dist(SA, SB) < tol && Dist(N1->p, prev) < tol && last < tol) {
            double NA[3], NB[3];
            if (!UnitNormalAt(A, N1->uvA, SuA, SvA, NA) || !UnitNormalAt(B, N1->uvB, SuB, SvB, NB))
                return 0;
            SetTangent(N1, NA, NB, SuA, SvA, SuB, SvB, T0);
            if (outNA && outNB) {
                P3D_Copy(NA, outNA);
                P3D_Copy(NB, outNB);
            }
            return 1;
        }
        P3D_Copy(N1->p, prev);
        double J[16], rhs[4], x[4];
        for (int r = 0; r < 3; ++r) {
            J[4 * r + 0] = SuA[r];
            J[4 * r + 1] = SvA[r];
            J[4 * r + 2] = -SuB[r];
            J[4 * r + 3] = -SvB[r];
            rhs[r] = SB[r] - SA[r];
        }
        if (fix < 0) {
            J[12] = 0.5 * V3D_Dot(T0, SuA);
            J[13] = 0.5 * V3D_Dot(T0, SvA);
            J[14] = 0.5 * V3D_Dot(T0, SuB);
            J[15] = 0.5 * V3D_Dot(T0, SvB);
            rhs[3] = -V3D_Dot(T0, along);
        } else {
            for (int c = 0; c < 4; ++c)
                J[12 + c] = c == fix ? 1.0 : 0.0;
            rhs[3] = value - *params[fix];
        }
        if (MAT_Solve4(x, rhs, J) != 1)
            return 0;
        for (int c = 0; c < 4; ++c)
            *params[c] += x[c];
        ClampInto(boxes.a, N1->uvA);
        ClampInto(boxes.b, N1->uvB);
        if (fix >= 0)
            *params[fix] = value;
    }
    return 0;
}

// Where the predictor from N0 by h leaves a parameter box: the fraction of
// the step (0 .. 1), the parameter index (0 uA, 1 vA, 2 uB, 3 vB) and the
// edge value. False when it stays inside.
bool BoxExit(const SSI_WALK* w, const SSI_POINT& N0, double h, double* fraction, int* index, double* value)
{
    const double* boxes[2] = {w->boxA, w->boxB};
    const double* uv[2] = {N0.uvA, N0.uvB};
    const double* duv[2] = {N0.duvA, N0.duvB};
    bool found = false;
    for (int s = 0; s < 2; ++s)
        for (int k = 0; k < 2; ++k) {
            const double x0 = uv[s][k], dx = h * duv[s][k], x1 = x0 + dx;
            const double lo = boxes[s][k], hi = boxes[s][k + 2];
            double edge;
            if (x1 > hi + 1e-12)
                edge = hi;
            else if (x1 < lo - 1e-12)
                edge = lo;
            else
                continue;
            const double f = dx != 0.0 ? std::clamp((edge - x0) / dx, 0.0, 1.0) : 0.0;
            if (!found || f < *fraction) {
                found = true;
                *fraction = f;
                *index = 2 * s + k;
                *value = edge;
            }
        }
    return found;
}

// Whether N0's tangent, leaving a box across the parameter `index` (0 uA,
// 1 vA, 2 uB, 3 vB), runs along that box edge within half the trace's
// tangent tolerance: its part across the edge, as a length on the surface,
// is below r1/2 of the unit tangent.
bool AlongEdge(const SSI_WALK* w, const SSI_POINT& N0, int index)
{
    const int s = index / 2, k = index % 2;
    const SURFACE* surface = s == 0 ? w->a : w->b;
    const double* uv = s == 0 ? N0.uvA : N0.uvB;
    const double* duv = s == 0 ? N0.duvA : N0.duvB;
    double P[3], S[2][3];
    if (ESRF_EvalDeriv1(surface, uv[0], uv[1], P, S[0], S[1]) != 1)
        return false;
    return std::fabs(duv[k]) * V3D_Len(S[k]) < 0.5 * w->r[1];
}

// Where the surfaces touch along the curve the Newton system on the plane is
// singular: each surface moves to the point nearest the midpoint, which is
// kept on the plane through H normal to D.
bool TouchingOnPlane(const SURFACE* A, double* uvA, const SURFACE* B, double* uvB, const double* H, const double* D,
                     double tol, double* point, const Boxes& boxes = {})
{
    double M[3], prev[3] = {1e12, 1e12, 1e12};
    P3D_Copy(H, M);
    Deriv1At atA, atB;
    for (int it = 0; it < kCorrectorSteps; ++it) {
        double d[3], du, dv;
        if (!atA.Eval(A, uvA) || !atB.Eval(B, uvB))
            return false;
        const double *SA = atA.P, *SuA = atA.Su, *SvA = atA.Sv, *SB = atB.P, *SuB = atB.Su, *SvB = atB.Sv;
        P3D_Lerp(SA, SB, 0.5, M);
        V3D_Sub(M, H, d);
        const double off = V3D_Dot(d, D);
        for (int e = 0; e < 3; ++e)
            M[e] -= off * D[e];
        if (Dist(SA, SB) < tol && std::fabs(off) < tol && Dist(M, prev) < tol) {
            P3D_Copy(M, point);
            return true;
        }
        P3D_Copy(M, prev);
        V3D_Sub(M, SA, d);
        EQ_Decompose2(SvA, SuA, d, &du, &dv);
        uvA[0] += du;
        uvA[1] += dv;
        V3D_Sub(M, SB, d);
        EQ_Decompose2(SvB, SuB, d, &du, &dv);
        uvB[0] += du;
        uvB[1] += dv;
        ClampInto(boxes.a, uvA);
        ClampInto(boxes.b, uvB);
    }
    return false;
}

int RefineTangential(const SURFACE* A, const SURFACE* B, SSI_POINT* N1, double tol, const Boxes& boxes);

bool IsIsolated(const SSI_POINT& p) { return p.flag == 1 && V3D_Len(p.tan) == 0.0; }

SSI_POINT* LastNode(SSI_POINT* head)
{
    while (head && head->next)
        head = head->next;
    return head;
}

// Reverses the links of a list; gives the new head.
SSI_POINT* ReverseList(SSI_POINT* head)
{
    SSI_POINT* out = nullptr;
    while (head) {
        SSI_POINT* next = head->next;
        head->next = out;
        head->prev = next;
        out = head;
        head = next;
    }
    return out;
}

void FreeWalkList(SSI_WALK* w)
{
    while (w) {
        SSI_WALK* next = w->next;
        ESSI_FreeWalk(w);
        w = next;
    }
}

// Whether the walk's step from n0 to n1 consumes the seed: the seed lies on
// the step and does not head across it (a seed that does starts another
// branch through a tangential point).
bool StepConsumes(const SSI_WALK* w, const SSI_POINT* s)
{
    double uvA[2], uvB[2];
    if (ESSI_PointOnStep(w, s->p, uvA, uvB, nullptr) != 1)
        return false;
    double step[3], cr[3];
    V3D_Sub(w->n1.p, w->n0.p, step);
    const bool directed = V3D_Unit(step, 1e-20) == 1;
    V3D_Cross(s->tan, directed ? step : w->n0.tan, cr);
    return !(V3D_Len(s->tan) > 0.0 && V3D_Len(cr) > w->r[1]);
}

// Above this count of step and seed tests the steps are looked up through a
// grid instead of testing each seed against every step.
constexpr long kPlainConsumeTests = 4096;

// An entry of the step grid: a cell the step's box (grown by r0) meets, the
// step's end (its start is the next node) and the next entry of the bucket.
struct StepCell {
    std::uint64_t key;
    const SSI_POINT* end;
    long next;
};

std::uint64_t CellKey(long long i, long long j, long long k)
{
    return static_cast<std::uint64_t>(i) * 0x9E3779B97F4A7C15ull ^ static_cast<std::uint64_t>(j) * 0xC2B2AE3D27D4EB4Full ^
           static_cast<std::uint64_t>(k) * 0x165667B19E3779F9ull;
}

// floor(x / cell), clamped far out; the floor taken from the truncation
// (exact within the clamp), without a library call.
long long CellOf(double x, double cell)
{
    const double c = std::clamp(x / cell, -1e15, 1e15);
    const auto t = static_cast<long long>(c);
    return t - (static_cast<double>(t) > c ? 1 : 0);
}

// Cells of the step from a to b grown by r0: lo and hi per axis.
void StepCells(const double* a, const double* b, double r0, double cell, long long* lo, long long* hi)
{
    for (int e = 0; e < 3; ++e) {
        lo[e] = CellOf(std::min(a[e], b[e]) - r0, cell);
        hi[e] = CellOf(std::max(a[e], b[e]) + r0, cell);
    }
}

// Frees the seeds that some step of the walk's traced points consumes, as
// ESSI_ConsumeSeeds would have done after each of those steps: each test
// depends only on the step and the seed, so the order does not matter. Long
// traces with many seeds find the candidate steps of a seed through a hashed
// grid of the steps with cells as large as the widest step box: a step that
// can consume a seed (the seed within r0 of the step's box) has an entry in
// the seed's cell.
void ConsumeAlongTrace(SSI_WALK* w)
{
    if (!w->seeds || !w->points || !w->points->next)
        return;
    long seeds = 0, steps = 0;
    for (const SSI_POINT* s = w->seeds; s; s = s->next)
        ++seeds;
    for (const SSI_POINT* q = w->points; q->next; q = q->next)
        ++steps;
    const SSI_POINT n0 = w->n0, n1 = w->n1;
    const double r0 = w->r[0];
    // Steps in list order: the head is the last traced point, so each node
    // ends the step that starts at its successor.
    auto consumes = [&](const SSI_POINT* end, const SSI_POINT* seed) {
        Assign(w->n0, *end->next);
        Assign(w->n1, *end);
        return StepConsumes(w, seed);
    };
    auto consume = [&](SSI_POINT* seed) {
        w->seeds = ESSI_UnlinkPoint(w->seeds, seed);
        ESSI_FreePoint(seed);
    };
    double cell = 0.0;
    long entries = 0;
    void* block = nullptr;
    if (seeds * steps > kPlainConsumeTests) {
        for (const SSI_POINT* q = w->points; q->next; q = q->next)
            for (int e = 0; e < 3; ++e)
                cell = std::max(cell, std::fabs(q->p[e] - q->next->p[e]));
        cell = std::max(cell + 2.0 * r0, 1e-12);
        for (const SSI_POINT* q = w->points; q->next; q = q->next) {
            long long lo[3], hi[3];
            StepCells(q->next->p, q->p, r0, cell, lo, hi);
            entries += (hi[0] - lo[0] + 1) * (hi[1] - lo[1] + 1) * (hi[2] - lo[2] + 1);
        }
    }
    int bits = 1;
    while ((1L << bits) < 2 * entries)
        ++bits;
    const long buckets = 1L << bits;
    if (entries > 0)
        block = QV_MemAlloc(sizeof(StepCell) * entries + sizeof(long) * buckets);
    if (!block) {
        for (const SSI_POINT* q = w->points; q->next; q = q->next)
            for (SSI_POINT* s = w->seeds; s;) {
                SSI_POINT* next = s->next;
                if (consumes(q, s))
                    consume(s);
                s = next;
            }
    } else {
        auto* cells = static_cast<StepCell*>(block);
        auto* head = reinterpret_cast<long*>(cells + entries);
        auto bucket = [&](std::uint64_t key) { return static_cast<long>(key >> (64 - bits)); };
        std::fill(head, head + buckets, -1L);
        long n = 0;
        for (const SSI_POINT* q = w->points; q->next; q = q->next) {
            long long lo[3], hi[3];
            StepCells(q->next->p, q->p, r0, cell, lo, hi);
            for (long long i = lo[0]; i <= hi[0]; ++i)
                for (long long j = lo[1]; j <= hi[1]; ++j)
                    for (long long k = lo[2]; k <= hi[2]; ++k) {
                        const std::uint64_t key = CellKey(i, j, k);
                        long& first = head[bucket(key)];
                        cells[n] = {key, q, first};
                        first = n++;
                    }
        }
        for (SSI_POINT* s = w->seeds; s;) {
            SSI_POINT* next = s->next;
            // A seed with a coordinate that is not finite lies on no step.
            if (std::isfinite(s->p[0]) && std::isfinite(s->p[1]) && std::isfinite(s->p[2])) {
                const std::uint64_t key = CellKey(CellOf(s->p[0], cell), CellOf(s->p[1], cell), CellOf(s->p[2], cell));
                for (long c = head[bucket(key)]; c >= 0; c = cells[c].next)
                    if (cells[c].key == key && consumes(cells[c].end, s)) {
                        consume(s);
                        break;
                    }
            }
            s = next;
        }
        QV_MemFree(block);
    }
    Assign(w->n0, n0);
    Assign(w->n1, n1);
}

} // namespace

SSI_CURVENODE* ESSI_FreeCurveList(SSI_CURVENODE* head)
{
    while (head) {
        SSI_CURVENODE* next = head->next;
        ECRV_FreeIntersection(head->curve);
        QV_MemFree(head);
        head = next;
    }
    return nullptr;
}

int ESSI_Intersect(SURFACE* a, SURFACE* b, const double* boxA, SSI_SUBDIV** slotA, const double* boxB,
                   SSI_SUBDIV** slotB, SSI_POINT** contacts, SSI_CURVENODE** curves)
{
    if (!contacts || !curves)
        return 0;
    *contacts = ESSI_FreePointList(*contacts);
    *curves = ESSI_FreeCurveList(*curves);
    if (!a || !b || !slotA || !slotB)
        return 0;
    const int code = std::max(a->type, b->type);
    static constexpr int kCodes[] = {9, 11, 13, 15, 17, 19, 21, 23, 25, 29};
    if (std::find(std::begin(kCodes), std::end(kCodes), code) == std::end(kCodes))
        return 0;
    double wholeA[4], wholeB[4];
    if (!boxA) {
        if (ESRF_GetUVBox(a, wholeA) != 1)
            return 0;
        boxA = wholeA;
    }
    if (!boxB) {
        if (ESRF_GetUVBox(b, wholeB) != 1)
            return 0;
        boxB = wholeB;
    }
    if (b->type > a->type)
        return ESSI_March(b, boxB, slotB, a, boxA, slotA, contacts, curves);
    return ESSI_March(a, boxA, slotA, b, boxB, slotB, contacts, curves);
}

SSI_WALK* ESSI_NewWalk(const double* boxA, SURFACE* A, SURFACE* B, const double* boxB, SSI_POINT* seeds,
                       const SSI_POINT* seed)
{
    auto* w = static_cast<SSI_WALK*>(QV_MemAlloc(sizeof(SSI_WALK)));
    if (!w)
        return nullptr;
    std::memset(static_cast<void*>(w), 0, sizeof(SSI_WALK));
    w->a = A;
    w->b = B;
    std::memcpy(w->boxA, boxA, sizeof w->boxA);
    std::memcpy(w->boxB, boxB, sizeof w->boxB);
    w->pointTol = ESSI_GetPointTol();
    w->angleTol = ESSI_GetAngleTol();
    ESSI_GetTraceTolerance(w->r);
    w->seeds = seeds;
    const SURFACE* surfaces[2] = {A, B};
    for (const SURFACE* s : surfaces) {
        int count = 0;
        double edges[2][4], centres[2][3], normals[2][3];
        if (ESRF_DegenerateEdges(s, &count, edges, centres, normals) != 1)
            continue;
        for (int i = 0; i < count && w->poleCount < 4; ++i)
            P3D_Copy(centres[i], w->poles[w->poleCount++]);
    }
    if (seed)
        Assign(w->start, *seed);
    w->start.prev = w->start.next = nullptr;
    return w;
}

void ESSI_FreeWalk(SSI_WALK* walk)
{
    if (!walk)
        return;
    ESSI_FreePointList(walk->points);
    QV_MemFree(walk);
}

namespace {

// The rounds of ESSI_TraceFromSeed; the seeds on the traced steps are
// consumed by the caller.
int TraceRounds(SSI_WALK* w, long limit)
{
    for (long round = 0; round < limit; ++round) {
        const int step = ESSI_Step(w);
        if (step == 2) {
            // Already on the box edge and heading out of it.
            Assign(w->end, w->n0);
            return 1;
        }
        if (step != 1 && w->count >= 2) {
            // A trace that cannot go on keeps what it traced (every point is
            // on both surfaces) and ends as at a boundary.
            Assign(w->end, w->n0);
            return 1;
        }
        int event = 0;
        if (step != 1 || ESSI_ClassifyStep(w, &event) != 1 || event < 0)
            return -4;
        SSI_POINT* copy = ESSI_CopyPoint(&w->n1);
        if (!copy) {
            // The step was taken: its seeds go as well.
            ESSI_ConsumeSeeds(w);
            return -1;
        }
        ESSI_LinkBefore(copy, w->points);
        w->points = copy;
        ++w->count;
        Assign(w->n0, w->n1);
        if (event != 0) {
            Assign(w->end, w->n1);
            return 1;
        }
    }
    // The round limit ends the trace as a boundary would: the points stay.
    Assign(w->end, w->n0);
    return 1;
}

} // namespace

int ESSI_TraceFromSeed(SSI_WALK* w, long limit)
{
    if (!w)
        return 0;
    w->points = ESSI_CopyPoint(&w->start);
    if (!w->points)
        return -1;
    w->points->i0 = 0;
    Assign(w->n0, w->start);
    w->n0.i0 = 0;
    Assign(w->n1, w->n0);
    w->count = 1;
    if (IsIsolated(w->start)) {
        Assign(w->end, w->start);
        return 1;
    }
    const int rc = TraceRounds(w, limit);
    // Seeds on the traced steps are consumed once the trace is known rather
    // than after every step, which would test every seed at every step.
    ConsumeAlongTrace(w);
    if (rc != 1) {
        w->points = ESSI_FreePointList(w->points);
        w->count = 0;
    }
    return rc;
}

// 1 with N1 set; 2 when N0 lies on a box edge and the step leaves the box;
// 0 after the last failed attempt.
int ESSI_Step(SSI_WALK* w)
{
    if (!w)
        return 0;
    SSI_POINT& N0 = w->n0;
    SSI_POINT& N1 = w->n1;
    const double* r = w->r;
    const double tol = 0.01 * w->pointTol;
    double h = N0.step;
    bool halved = false;
    for (int e = 0; e < 3; ++e)
        N1.p[e] = N0.p[e] + h * N0.tan[e];
    P3D_Copy(N0.tan, N1.tan);
    for (int attempt = 0; attempt < kStepAttempts; ++attempt) {
        double fraction = 1.0, value = 0.0;
        int fix = -1;
        bool along = false;
        if (BoxExit(w, N0, h, &fraction, &fix, &value) && fraction * h * V3D_Len(N0.tan) <= 1e-9 * r[2]) {
            // On the edge already: the trace ends here, unless it runs along
            // the edge; then the predictor and the corrector stay on it.
            if (!AlongEdge(w, N0, fix)) {
                N0.step = h;
                return 2;
            }
            along = true;
            fix = -1;
        }
        if (fix < 0)
            fraction = 1.0;
        for (int k = 0; k < 2; ++k) {
            N1.uvA[k] = N0.uvA[k] + fraction * h * N0.duvA[k];
            N1.uvB[k] = N0.uvB[k] + fraction * h * N0.duvB[k];
        }
        if (along) {
            ClampInto(w->boxA, N1.uvA);
            ClampInto(w->boxB, N1.uvB);
        }
        N1.i0 = fix >= 0 ? kOnBoundary : 0;
        int ok;
        const Boxes boxes{w->boxA, w->boxB};
        if (fix >= 0)
            ok = Correct(w->a, &N1, w->b, tol, fix, value, boxes);
        else if (std::fabs(N0.sign) < kTangential)
            ok = RefineTangential(w->a, w->b, &N1, tol, boxes);
        else
            ok = Correct(w->a, &N1, w->b, tol, -1, 0.0, boxes);
        if (ok == 1) {
            double H[3], mid[3];
            CUB_HermitePoint(N0.tan, 0.5, N1.tan, H, N0.p, N1.p);
            P3D_Lerp(N0.p, N1.p, 0.5, mid);
            double dt[3];
            V3D_Sub(N0.tan, N1.tan, dt);
            const double dev = Dist(mid, H), gap = V3D_Len(dt), chord = Dist(N0.p, N1.p);
            N1.step = chord;
            if (dev < 0.333 * r[0] && gap < 0.333 * r[1] && chord < 0.333 * r[2]) {
                if (halved || fix >= 0) {
                    N0.step = h;
                    return 1;
                }
                h = 2.0 * chord;
                for (int e = 0; e < 3; ++e)
                    N1.p[e] = N0.p[e] + h * N0.tan[e];
                P3D_Copy(N0.tan, N1.tan);
                continue;
            }
            if (dev <= r[0] && gap <= r[1] && chord <= r[2]) {
                N0.step = h;
                return 1;
            }
            halved = true;
            double t[3];
            V3D_Add(N0.tan, N1.tan, t);
            if (V3D_Unit(t, 1e-20) == 1)
                P3D_Copy(t, N1.tan);
            P3D_Copy(mid, N1.p);
            h = 0.5 * chord;
        } else {
            halved = true;
            h *= 0.5;
            P3D_Copy(N0.tan, N1.tan);
            for (int e = 0; e < 3; ++e)
                N1.p[e] = N0.p[e] + h * N0.tan[e];
        }
    }
    N0.step = h;
    return 0;
}

int ESSI_CorrectStep(const SURFACE* A, SSI_POINT* N1, const SURFACE* B, double tol)
{
    if (!A || !B || !N1)
        return 0;
    return Correct(A, N1, B, tol, -1, 0.0);
}

namespace {

// ESSI_RefineTangential with each step clamped into the boxes.
int RefineTangential(const SURFACE* A, const SURFACE* B, SSI_POINT* N1, double tol, const Boxes& boxes)
{
    double prev[3] = {1e12, 1e12, 1e12};
    for (int it = 0; it < kCorrectorSteps; ++it) {
        double SA[3], SuA[3], SvA[3], NA[3], SB[3], SuB[3], SvB[3], NB[3];
        if (!ESSI_EvalUnitNormal(A, N1->uvA, SA, SuA, SvA, NA) || !ESSI_EvalUnitNormal(B, N1->uvB, SB, SuB, SvB, NB))
            return 0;
        P3D_Lerp(SA, SB, 0.5, N1->p);
        if (Dist(SA, SB) < tol && Dist(N1->p, prev) < tol) {
            // Where the normals are parallel NA × NB gives no direction: the
            // branch direction nearest the step's takes its place, else the
            // step's own (a zero tangent would stop the trace).
            const double ref[3] = {N1->tan[0], N1->tan[1], N1->tan[2]};
            double cr[3], dir[3];
            V3D_Cross(NA, NB, cr);
            if (V3D_Len(cr) >= kTangential) {
                SetTangent(N1, NA, NB, SuA, SvA, SuB, SvB, ref);
                return 1;
            }
            if (ESSI_BranchTangent(A, N1->uvA, B, N1->uvB, ref, dir) == 1)
                P3D_Copy(dir, N1->tan);
            N1->sign = 0.0;
            TangentUV(SuA, SvA, N1->tan, N1->duvA);
            TangentUV(SuB, SvB, N1->tan, N1->duvB);
            return 1;
        }
        P3D_Copy(N1->p, prev);
        double Q[3], linePoint[3], lineDir[3];
        if (Isect3_PlnPln(SA, NA, SB, NB, 1e-12, 0.001, linePoint, lineDir) == 1) {
            double d[3];
            V3D_Sub(N1->p, linePoint, d);
            const double t = V3D_Dot(d, lineDir);
            for (int e = 0; e < 3; ++e)
                Q[e] = linePoint[e] + t * lineDir[e];
        } else {
            P3D_Copy(N1->p, Q);
        }
        double d[3], du, dv;
        V3D_Sub(Q, SA, d);
        EQ_Decompose2(SvA, SuA, d, &du, &dv);
        N1->uvA[0] += du;
        N1->uvA[1] += dv;
        V3D_Sub(Q, SB, d);
        EQ_Decompose2(SvB, SuB, d, &du, &dv);
        N1->uvB[0] += du;
        N1->uvB[1] += dv;
        ClampInto(boxes.a, N1->uvA);
        ClampInto(boxes.b, N1->uvB);
    }
    return 0;
}

} // namespace

int ESSI_RefineTangential(const SURFACE* A, const SURFACE* B, SSI_POINT* N1, double tol)
{
    if (!A || !B || !N1)
        return 0;
    return RefineTangential(A, B, N1, tol, {});
}

int ESSI_PointOnStep(const SSI_WALK* w, const double* X, double* uvA, double* uvB, double* tan)
{
    if (!w || !X || !uvA || !uvB)
        return 0;
    const SSI_POINT& N0 = w->n0;
    const SSI_POINT& N1 = w->n1;
    const double r0 = w->r[0], eps = w->pointTol;
    for (int e = 0; e < 3; ++e)
        if (X[e] < std::min(N0.p[e], N1.p[e]) - r0 || X[e] > std::max(N0.p[e], N1.p[e]) + r0)
            return 0;
    double f = 0.0;
    if (!(SEG3_Distance(N0.p, N1.p, X, &f) <= r0))
        return 0;
    const SSI_POINT* atEnd = Dist(X, N0.p) < eps ? &N0 : Dist(X, N1.p) < eps ? &N1 : nullptr;
    if (atEnd) {
        std::memcpy(uvA, atEnd->uvA, sizeof atEnd->uvA);
        std::memcpy(uvB, atEnd->uvB, sizeof atEnd->uvB);
        if (tan)
            P3D_Copy(atEnd->tan, tan);
        return 1;
    }
    double D[3];
    for (int e = 0; e < 3; ++e)
        D[e] = (1.0 - f) * N0.tan[e] + f * N1.tan[e];
    if (V3D_Unit(D, 1e-12) != 1)
        return 0;
    double a[2], b[2];
    for (int k = 0; k < 2; ++k) {
        a[k] = (1.0 - f) * N0.uvA[k] + f * N1.uvA[k];
        b[k] = (1.0 - f) * N0.uvB[k] + f * N1.uvB[k];
    }
    // The point on the plane through X normal to D, kept inside the walk's
    // boxes so that a step along a box edge finds its seeds.
    double NA[3], NB[3], Y[3];
    const Boxes boxes{w->boxA, w->boxB};
    SSI_POINT q{};
    P3D_Copy(X, q.p);
    P3D_Copy(D, q.tan);
    std::memcpy(q.uvA, a, sizeof a);
    std::memcpy(q.uvB, b, sizeof b);
    if (Correct(w->a, &q, w->b, 0.01 * eps, -1, 0.0, boxes, NA, NB) == 1) {
        P3D_Copy(q.p, Y);
        std::memcpy(a, q.uvA, sizeof a);
        std::memcpy(b, q.uvB, sizeof b);
    } else {
        double P[3], Su[3], Sv[3];
        if (!TouchingOnPlane(w->a, a, w->b, b, X, D, 0.01 * eps, Y, boxes) ||
            !ESSI_EvalUnitNormal(w->a, a, P, Su, Sv, NA) || !ESSI_EvalUnitNormal(w->b, b, P, Su, Sv, NB))
            return 0;
    }
    // Where the surfaces touch, their common points form a band much wider
    // than the point tolerance across the curve: there X and Y need only be
    // within r0.
    double y0[3], y1[3], cr[3];
    V3D_Sub(N0.p, Y, y0);
    V3D_Sub(N1.p, Y, y1);
    V3D_Cross(NA, NB, cr);
    const double near = V3D_Len(cr) < kSsiTouching ? r0 : eps;
    if (!(Dist(X, Y) < near) || V3D_Dot(y0, y1) > 0.0)
        return 0;
    if (tan) {
        double T[3];
        V3D_Cross(NA, NB, T);
        if (V3D_Unit(T, eps) != 1 && ESSI_BranchTangent(w->a, a, w->b, b, D, T) != 1)
            return 0;
        if (V3D_Dot(T, D) < 0.0)
            Negate(T, 3);
        P3D_Copy(T, tan);
    }
    std::memcpy(uvA, a, sizeof a);
    std::memcpy(uvB, b, sizeof b);
    return 1;
}

int ESSI_ClassifyStep(SSI_WALK* w, int* event)
{
    if (!w || !event)
        return 0;
    *event = 0;
    SSI_POINT& N0 = w->n0;
    SSI_POINT& N1 = w->n1;
    const double eps = w->pointTol;
    double uvA[2], uvB[2], dir[3];
    // Back at the start.
    if (w->count >= 2) {
        bool back;
        if (std::fabs(w->start.sign) < 1e-12) {
            // A tangential start: only a step that passes it (not one that
            // merely begins near it) brings the trace back.
            double along[3], step[3];
            V3D_Sub(w->start.p, N0.p, along);
            V3D_Sub(N1.p, N0.p, step);
            std::memcpy(uvA, w->start.uvA, sizeof uvA);
            std::memcpy(uvB, w->start.uvB, sizeof uvB);
            back = V3D_Dot(along, step) > 0.0 && ESSI_TangentialOnStep(w, w->start.p, uvB, uvA, dir) == 1;
        } else {
            back = ESSI_PointOnStep(w, w->start.p, uvA, uvB, dir) == 1;
        }
        if (back) {
            Assign(w->end, N1);
            P3D_Copy(w->start.p, w->end.p);
            std::memcpy(w->end.uvA, uvA, sizeof uvA);
            std::memcpy(w->end.uvB, uvB, sizeof uvB);
            P3D_Copy(dir, w->end.tan);
            Assign(N1, w->end);
            *event = 2;
            return 1;
        }
    }
    for (int i = 0; i < w->poleCount; ++i)
        if (ESSI_PointOnStep(w, w->poles[i], uvA, uvB, dir) == 1) {
            Assign(w->end, N1);
            P3D_Copy(w->poles[i], w->end.p);
            std::memcpy(w->end.uvA, uvA, sizeof uvA);
            std::memcpy(w->end.uvB, uvB, sizeof uvB);
            P3D_Copy(dir, w->end.tan);
            Assign(N1, w->end);
            *event = 4;
            return 1;
        }
    // Passing a tangential point: the sign value changes there. The trace
    // goes on through it along the branch nearest its direction (the next
    // step leaves the point, whose own sign value is 0); it ends there only
    // when no branch continues.
    if ((w->count >= 2 || std::fabs(w->start.sign) > 1e-12) && std::fabs(N0.sign) > 100 * eps &&
        N0.sign * N1.sign < 1e-12) {
        SSI_POINT contact = N1;
        if (ESSI_FindContact(w->a, w->b, &N0, &N1, &contact, eps, eps) == 1) {
            Assign(N1, contact);
            TangentUVOf(w->a, N1.uvA, N1.tan, N1.duvA);
            TangentUVOf(w->b, N1.uvB, N1.tan, N1.duvB);
            return 1;
        }
        if (std::fabs(N0.sign) > 1e-12) {
            *event = 3;
            return 1;
        }
    }
    // Leaving a parameter box.
    bool leaving = N1.i0 == kOnBoundary;
    const SURFACE* surfaces[2] = {w->a, w->b};
    const double* boxes[2] = {w->boxA, w->boxB};
    const double* uvs[2] = {N1.uvA, N1.uvB};
    for (int s = 0; s < 2 && !leaving; ++s) {
        if (InBox(boxes[s], uvs[s], 1e-12))
            continue;
        const double u = QVN_Math::Clamp(boxes[s][0], boxes[s][2], uvs[s][0]);
        const double v = QVN_Math::Clamp(boxes[s][1], boxes[s][3], uvs[s][1]);
        double P[3];
        if (ESRF_EvalPoint(P, surfaces[s], u, v) != 1)
            return 0;
        leaving = Dist(P, N1.p) > 100 * eps;
    }
    if (leaving) {
        Assign(w->end, N1);
        *event = 1;
    }
    return 1;
}

int ESSI_ConsumeSeeds(SSI_WALK* w)
{
    if (!w)
        return 0;
    for (SSI_POINT* s = w->seeds; s;) {
        SSI_POINT* next = s->next;
        if (StepConsumes(w, s)) {
            w->seeds = ESSI_UnlinkPoint(w->seeds, s);
            ESSI_FreePoint(s);
        }
        s = next;
    }
    return 1;
}

int ESSI_ReverseWalk(SSI_WALK* w)
{
    if (!w)
        return 0;
    w->points = ReverseList(w->points);
    for (SSI_POINT* p = w->points; p; p = p->next)
        ESSI_ReversePoint(p);
    SSI_POINT start = w->start;
    Assign(w->start, w->end);
    Assign(w->end, start);
    ESSI_ReversePoint(&w->start);
    ESSI_ReversePoint(&w->end);
    return 1;
}

int ESSI_DropLastPoint(SSI_WALK* w)
{
    if (!w || !w->points)
        return 0;
    SSI_POINT* last = w->points;
    w->points = ESSI_UnlinkPoint(w->points, last);
    ESSI_FreePoint(last);
    --w->count;
    if (w->points)
        Assign(w->end, *w->points);
    return 1;
}

int ESSI_JoinWalks(SSI_WALK* W2, SSI_WALK* W1)
{
    if (!W2 || !W1)
        return 0;
    if (W1->count < 2 || W2->count < 2)
        return 1;
    const double eps = W1->pointTol;
    const double a = 50.0 * (W1->angleTol + W2->angleTol);
    // Ends as points of the lists: the head is the last traced point.
    auto near = [&](const SSI_POINT& x, const SSI_POINT& y) { return Dist(x.p, y.p) < eps; };
    auto same = [&](const SSI_POINT& x, const SSI_POINT& y) { return V3D_ChkAng(x.tan, y.tan, a, 0) == 1; };
    auto opposite = [&](const SSI_POINT& x, const SSI_POINT& y) { return V3D_ChkAng(x.tan, y.tan, a, 1) == 1; };
    auto finish = [&]() {
        W2->count += W1->count;
        W1->count = 0;
        W1->points = nullptr;
        return 1;
    };
    // List order is last traced first, so "running along W" means the
    // reversed list; joins append in that sense.
    if (near(W1->start, W2->start) && (same(W1->start, W2->start) || opposite(W1->start, W2->start))) {
        if (same(W1->start, W2->start))
            return 0;
        // W1 reversed, without the shared point, before W2's first point.
        SSI_POINT* first = LastNode(W1->points); // W1's start
        W1->points = ESSI_UnlinkPoint(W1->points, first);
        ESSI_FreePoint(first);
        --W1->count;
        SSI_POINT* rev = W1->points;
        for (SSI_POINT* p = rev; p; p = p->next)
            ESSI_ReversePoint(p);
        // Tracing order of the joined walk: W1 from its far end back, then W2.
        // As a list (last first): W2's list, then W1's in reverse list order.
        W2->points = ESSI_AppendList(W2->points, ReverseList(rev));
        SSI_POINT s = W1->end;
        ESSI_ReversePoint(&s);
        Assign(W2->start, s);
        return finish();
    }
    if (near(W1->start, W2->end) && (same(W1->start, W2->end) || opposite(W1->start, W2->end))) {
        if (opposite(W1->start, W2->end))
            return 0;
        ESSI_DropLastPoint(W2);
        // W2 then W1: as a list, W1's list before W2's.
        W2->points = ESSI_AppendList(W1->points, W2->points);
        Assign(W2->end, W1->end);
        return finish();
    }
    if (near(W1->end, W2->start) && (same(W1->end, W2->start) || opposite(W1->end, W2->start))) {
        if (opposite(W1->end, W2->start))
            return 0;
        ESSI_DropLastPoint(W1);
        W2->points = ESSI_AppendList(W2->points, W1->points);
        Assign(W2->start, W1->start);
        return finish();
    }
    if (near(W1->end, W2->end) && (same(W1->end, W2->end) || opposite(W1->end, W2->end))) {
        if (same(W1->end, W2->end))
            return 0;
        ESSI_DropLastPoint(W1);
        // W1 reversed follows W2's end: as a list, W1's points in tracing
        // order (reversed list) come before W2's.
        SSI_POINT* rev = ReverseList(W1->points);
        for (SSI_POINT* p = rev; p; p = p->next)
            ESSI_ReversePoint(p);
        SSI_POINT e = W1->start;
        ESSI_ReversePoint(&e);
        W2->points = ESSI_AppendList(rev, W2->points);
        Assign(W2->end, e);
        return finish();
    }
    return 1;
}

int ESSI_EmitWalk(SSI_WALK* w, SSI_POINT** contacts, SSI_CURVENODE** curves)
{
    if (!w || !contacts || !curves)
        return 0;
    if (!w->points)
        return 1;
    if (!w->points->next) {
        SSI_POINT* c = ESSI_CopyPoint(w->points);
        if (!c)
            return 0;
        ESSI_LinkBefore(c, *contacts);
        *contacts = c;
        return 1;
    }
    double range[2];
    ECRV_INTCUR* curve = nullptr;
    if (ESSI_TraceToCurve(&w->points, range, w->a, w->b, &curve) != 1 || !curve)
        return 0;
    SSI_CURVENODE* node = ESSI_NewCurveNode(range, curve);
    if (!node) {
        ECRV_FreeIntersection(curve);
        return 0;
    }
    node->next = *curves;
    if (*curves)
        (*curves)->prev = node;
    *curves = node;
    return 1;
}

void ESSI_TraceParams(SSI_TRACE* trace)
{
    if (!trace || trace->n <= 0)
        return;
    trace->s[0].t = 0.0;
    for (int k = 0; k + 1 < trace->n; ++k) {
        const SSI_SAMPLE& a = trace->s[k];
        const SSI_SAMPLE& b = trace->s[k + 1];
        const double c = Dist(a.p, b.p);
        double m[3];
        for (int e = 0; e < 3; ++e)
            m[e] = 1.5 * (b.p[e] - a.p[e]) - 0.25 * c * (a.tan[e] + b.tan[e]);
        trace->s[k + 1].t = a.t + (2.0 * c + V3D_Len(m)) / 3.0;
    }
}

int ESSI_TraceToCurve(SSI_POINT** points, double* range, SURFACE* A, SURFACE* B, ECRV_INTCUR** out)
{
    if (!points || !range || !out)
        return 0;
    *out = nullptr;
    int n = 0;
    for (const SSI_POINT* p = *points; p; p = p->next)
        ++n;
    if (n < 2)
        return 1;
    double r[3];
    ESSI_GetTraceTolerance(r);
    SSI_TRACE* trace = ESSI_NewTraceArray(n, r);
    if (!trace)
        return -1;
    // The list runs last traced first: fill the array from its end.
    int i = n - 1;
    for (const SSI_POINT* p = *points; p; p = p->next, --i) {
        SSI_SAMPLE& s = trace->s[i];
        P3D_Copy(p->p, s.p);
        P3D_Copy(p->tan, s.tan);
        std::memcpy(s.uvA, p->uvA, sizeof s.uvA);
        std::memcpy(s.uvB, p->uvB, sizeof s.uvB);
    }
    ESSI_TraceParams(trace);
    ECRV_INTCUR* curve = ECRV_NewIntersection(A, B, trace);
    if (!curve) {
        ESSI_FreeTraceArray(trace);
        return -1;
    }
    range[0] = trace->s[0].t;
    range[1] = trace->s[n - 1].t;
    *out = curve;
    return 1;
}

int ESSI_CurveCurvature(const double* uvA, const SURFACE* B, const double* tan, double* k, const SURFACE* A,
                        const double* uvB)
{
    if (!uvA || !B || !tan || !k || !A || !uvB)
        return 0;
    double PA[3], SuA[3], SvA[3], SuuA[3], SuvA[3], SvvA[3], PB[3], SuB[3], SvB[3], SuuB[3], SuvB[3], SvvB[3];
    if (ESRF_EvalDeriv2(A, uvA[0], uvA[1], PA, SuA, SvA, SuuA, SuvA, SvvA) != 1 ||
        ESRF_EvalDeriv2(B, uvB[0], uvB[1], PB, SuB, SvB, SuuB, SuvB, SvvB) != 1)
        return 0;
    double NA[3], NB[3];
    V3D_Cross(SuA, SvA, NA);
    V3D_Cross(SuB, SvB, NB);
    if (V3D_Unit(NA, 1e-12) != 1 || V3D_Unit(NB, 1e-12) != 1)
        return -4;
    const double angle = V3D_GetAngleUnit(NA, NB);
    if (angle < 0.001 || angle > std::acos(-1.0) - 0.001)
        return -4;
    double al, be, ga, de, aA[3], aB[3];
    EQ_Decompose2(SvA, SuA, tan, &al, &be);
    for (int e = 0; e < 3; ++e)
        aA[e] = al * al * SuuA[e] + 2 * al * be * SuvA[e] + be * be * SvvA[e];
    EQ_Decompose2(SvB, SuB, tan, &ga, &de);
    for (int e = 0; e < 3; ++e)
        aB[e] = ga * ga * SuuB[e] + 2 * ga * de * SuvB[e] + de * de * SvvB[e];
    // c = aA + g SuA + d SvA with c·T = 0 and c·NB = aB·NB.
    const double m11 = V3D_Dot(SuA, tan), m12 = V3D_Dot(SvA, tan);
    const double m21 = V3D_Dot(SuA, NB), m22 = V3D_Dot(SvA, NB);
    const double r1 = -V3D_Dot(aA, tan), r2 = V3D_Dot(aB, NB) - V3D_Dot(aA, NB);
    const double det = m11 * m22 - m12 * m21;
    if (std::fabs(det) < 1e-50)
        return -4;
    const double g = (r1 * m22 - m12 * r2) / det, d = (m11 * r2 - r1 * m21) / det;
    double c[3];
    for (int e = 0; e < 3; ++e)
        c[e] = aA[e] + g * SuA[e] + d * SvA[e];
    *k = V3D_Len(c);
    return 1;
}

SSI_CURVENODE* ESSI_NewCurveNode(const double* range, ECRV_INTCUR* curve)
{
    auto* n = static_cast<SSI_CURVENODE*>(QV_MemAlloc(sizeof(SSI_CURVENODE)));
    if (!n)
        return nullptr;
    std::memset(static_cast<void*>(n), 0, sizeof(SSI_CURVENODE));
    n->curve = curve;
    if (range) {
        n->range[0] = range[0];
        n->range[1] = range[1];
    }
    return n;
}

ECRV_INTCUR* ECRV_NewIntersection(SURFACE* A, SURFACE* B, SSI_TRACE* trace)
{
    auto* c = reinterpret_cast<ECRV_INTCUR*>(ENT_Alloc(ENT_INTERSECTION, sizeof(ECRV_INTCUR)));
    if (!c)
        return nullptr;
    c->a = A;
    c->b = B;
    c->trace = trace;
    return c;
}

ECRV_INTCUR* ECRV_CopyIntersection(const ECRV_INTCUR* c)
{
    if (!c)
        return nullptr;
    SSI_TRACE* trace = nullptr;
    if (c->trace && !(trace = ESSI_CopyTraceArray(c->trace)))
        return nullptr;
    ECRV_INTCUR* copy = ECRV_NewIntersection(c->a, c->b, trace);
    if (!copy)
        ESSI_FreeTraceArray(trace);
    return copy;
}

int ECRV_FreeIntersection(ECRV_INTCUR* c)
{
    if (!c)
        return 1;
    ESSI_FreeTraceArray(c->trace);
    PTSTRING_Free(c->cache);
    QV_MemFree(c);
    return 1;
}

int ECRV_IntersectionPoint(const ECRV_INTCUR* c, double t, double* point)
{
    if (!c || !c->trace || !point)
        return 0;
    const SSI_TRACE* tr = c->trace;
    const int i = ESSI_TraceSegment(t, tr);
    if (i < 0)
        return 0;
    const SSI_SAMPLE& a = tr->s[i];
    const SSI_SAMPLE& b = tr->s[i + 1];
    if (!(b.t - a.t >= 1e-12))
        return 0;
    const double eps = ESSI_GetPointTol();
    // ESSI_TraceSegment wraps t by the period; the fraction follows it.
    const double period = tr->s[tr->n - 1].t - tr->s[0].t;
    if (t < tr->s[0].t - 1e-12 || t > tr->s[tr->n - 1].t + 1e-12)
        t -= std::floor((t - tr->s[0].t) / period) * period;
    if (std::fabs(t - a.t) < eps) {
        P3D_Copy(a.p, point);
        return 1;
    }
    if (std::fabs(t - b.t) < eps) {
        P3D_Copy(b.p, point);
        return 1;
    }
    const double f = std::clamp((t - a.t) / (b.t - a.t), 0.0, 1.0);
    double uvA[2], uvB[2], H[3], D[3], NA[3], NB[3];
    for (int k = 0; k < 2; ++k) {
        uvA[k] = (1 - f) * a.uvA[k] + f * b.uvA[k];
        uvB[k] = (1 - f) * a.uvB[k] + f * b.uvB[k];
    }
    CUB_HermitePointDeriv(a.tan, D, f, b.tan, H, a.p, b.p);
    if (V3D_Unit(D, 1e-12) != 1)
        return 0;
    double a0[2] = {uvA[0], uvA[1]}, b0[2] = {uvB[0], uvB[1]};
    if (ESSI_RefineOnPlane(c->a, uvA, uvB, NA, NB, eps, c->b, H, D, point) == 1)
        return 1;
    return TouchingOnPlane(c->a, a0, c->b, b0, H, D, eps, point) ? 1 : 0;
}

int ESSI_March(SURFACE* A, const double* boxA, SSI_SUBDIV** slotA, SURFACE* B, const double* boxB,
               SSI_SUBDIV** slotB, SSI_POINT** contacts, SSI_CURVENODE** curves)
{
    if (!A || !B || !boxA || !boxB || !slotA || !slotB || !contacts || !curves)
        return 0;
    SSI_POINT* seeds = nullptr;
    if (ESSI_FindSeeds(boxA, boxB, A, slotA, B, slotB, &seeds) != 1)
        return 0;
    if (!seeds)
        return 1;
    double openA[4], openB[4];
    if (ESSI_PeriodicBox(A, boxA, openA) != 1 || ESSI_PeriodicBox(B, boxB, openB) != 1) {
        ESSI_FreePointList(seeds);
        return 0;
    }
    // Tangential seeds first: traced from the tangential point, every branch
    // through it becomes one curve.
    SSI_POINT *tangential = nullptr, *regular = nullptr;
    while (seeds) {
        SSI_POINT* s = seeds;
        seeds = ESSI_UnlinkPoint(seeds, s);
        SSI_POINT** to = s->flag == 1 ? &tangential : &regular;
        ESSI_LinkBefore(s, *to);
        *to = s;
    }
    seeds = ESSI_AppendList(tangential, regular);
    // Round limit: a curve up to eight times the box diagonal at full steps.
    double r[3];
    ESSI_GetTraceTolerance(r);
    double diag = 0.0;
    for (const SSI_SUBDIV* sub : {*slotA, *slotB}) {
        double d[3];
        V3D_Sub(sub->box + 3, sub->box, d);
        diag = std::max(diag, V3D_Len(d));
    }
    const long limit = static_cast<long>(std::min(1e9, std::max<double>(kTraceRounds, 8.0 * diag / r[2])));
    const double eps = ESSI_GetPointTol();
    SSI_WALK* walks = nullptr;
    SSI_POINT* S = nullptr;
    auto fail = [&]() {
        ESSI_FreePointList(seeds);
        ESSI_FreePoint(S);
        FreeWalkList(walks);
        return 0;
    };
    auto trace = [&](SSI_WALK** out) {
        SSI_WALK* w = ESSI_NewWalk(openA, A, B, openB, seeds, S);
        if (!w)
            return false;
        w->next = walks;
        if (walks)
            walks->prev = w;
        walks = w;
        const int rc = ESSI_TraceFromSeed(w, limit);
        seeds = w->seeds;
        w->seeds = nullptr;
        *out = w;
        return rc == 1 || rc == -4;
    };
    while (seeds) {
        S = seeds;
        seeds = ESSI_UnlinkPoint(seeds, S);
        double k = 0.0;
        if (ESSI_CurveCurvature(S->uvA, B, S->tan, &k, A, S->uvB) == 1 && k > 1e-12)
            S->step = std::min(S->step, 2.0 * std::sqrt(2.0 * r[0] / k));
        SSI_WALK* W1 = nullptr;
        if (!trace(&W1))
            return fail();
        if (!IsIsolated(*S) && (W1->count < 3 || !(Dist(W1->start.p, W1->end.p) < eps))) {
            ESSI_ReversePoint(S);
            SSI_WALK* W2 = nullptr;
            if (!trace(&W2) || ESSI_JoinWalks(W2, W1) != 1)
                return fail();
            }
        ESSI_FreePoint(S);
        S = nullptr;
    }
    for (SSI_WALK* w = walks; w; w = w->next)
        if (ESSI_EmitWalk(w, contacts, curves) != 1)
            return fail();
    FreeWalkList(walks);
    return 1;
}
