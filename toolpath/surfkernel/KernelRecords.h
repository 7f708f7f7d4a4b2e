#pragma once
// Plain records of the surface kernel: trace-point nodes and trace arrays of
// the surface/surface intersection, the sample nodes, quad patches and
// subdivision record of a surface, and the facet table of a mesh.
//
// Every record comes from QV_MemAlloc and goes back with its free function.
// Results: 1 success, 0 failure, -1 out of memory; records null on failure.

#include <cstdint>

// Trace-point node, doubly linked.
struct SSI_POINT {
    SSI_POINT* prev;
    SSI_POINT* next;
    void* rec;      // left to the tracer
    int i0, i1;     // left to the tracer
    double p[3];
    double tan[3];
    int flag;
    double uvA[2];  // (u, v) on the first surface
    double uvB[2];  // (u, v) on the second surface
    double duvA[2]; // tangent in the first parameter plane
    double duvB[2]; // tangent in the second parameter plane
    double step;    // step length
    double sign;    // signed orientation value
};

// One sample of a trace array: point, unit tangent, curve parameter, (u, v)
// on both surfaces.
struct SSI_SAMPLE {
    double p[3];
    double tan[3];
    double t;
    double uvA[2];
    double uvB[2];
};
static_assert(sizeof(SSI_SAMPLE) == 11 * sizeof(double), "a trace sample is 11 doubles, read raw");

struct SSI_TRACE {
    int n;
    SSI_SAMPLE* s;
    double tol[3]; // trace tolerances in stored order
};

// Sample node of a subdivision, singly linked.
struct SSI_NODE {
    SSI_NODE* next;
    double p[3];
    double n[3]; // unit normal
    double u, v;
};

// Quad patch: c0-c2 and c1-c3 run along u, c0-c1 and c2-c3 along v.
struct SSI_PATCH {
    SSI_PATCH* next; // patch list; a split-off patch links to its parent
    SSI_NODE* c[4];
    double n[3];     // normal at the centre
    double box[6];   // min x, y, z, max x, y, z
};

// Box tree over the accepted patches of a subdivision (SurfaceSeeds.cpp).
struct SSI_PATCHINDEX;
// Storage of a subdivision's nodes and patches in a few large blocks, freed
// at once (KernelRecords.cpp).
struct SSI_RECORDPOOL;

struct SSI_SUBDIV {
    double tolPlane, tolNormal, tolEdge;
    double uv[4];  // umin, vmin, umax, vmax
    double box[6]; // min x, y, z, max x, y, z
    SSI_NODE* nodes;
    SSI_PATCH* patches;
    // Made by the seed search on first use and kept with the subdivision, so
    // that an intersection with a cached subdivision does not walk its patch
    // list again; null until then.
    SSI_PATCHINDEX* index;
    // Where ESSI_Subdivide made them: the nodes and patches of both lists
    // live in this pool and go with it. Null: each is its own QV_MemAlloc
    // record, freed by walking the lists.
    SSI_RECORDPOOL* pool;
};

// Mesh node of the tool-centre model: point, two further values, normal, one
// further value.
struct _facetnode {
    double p[3];
    double a[2];
    double n[3];
    double b;
};

struct _facet {
    int nn;
    _facetnode* nodes;
    int nt;
    std::int32_t (*tri)[3];
    int nq;
    std::int32_t (*quad)[4];
};
static_assert(sizeof(std::int32_t[3]) == 12 && sizeof(std::int32_t[4]) == 16,
              "facet index triples and quadruples are 32-bit, read raw");
static_assert(sizeof(_facetnode) == 9 * sizeof(double), "a facet node is 9 doubles");

// Trace points and lists.
SSI_POINT* ESSI_NewPoint(double uA, double vA, double uB, double vB, const double* p, const double* tan);
// New node in front of *head, made the head; null when head is null or memory runs out.
SSI_POINT* ESSI_PushPoint(double uA, double vA, double uB, double vB, const double* p, SSI_POINT** head);
void ESSI_ClearPoint(SSI_POINT* node);
SSI_POINT* ESSI_CopyPoint(const SSI_POINT* node);
void ESSI_FreePoint(SSI_POINT* node);
void ESSI_ReversePoint(SSI_POINT* node);
SSI_POINT* ESSI_FreePointList(SSI_POINT* head);
SSI_POINT* ESSI_AppendList(SSI_POINT* a, SSI_POINT* b);
SSI_POINT* ESSI_UnlinkPoint(SSI_POINT* head, SSI_POINT* node);
void ESSI_LinkBefore(SSI_POINT* node, SSI_POINT* list);
// Unlinks and frees every node nearer than dist to an earlier node.
void ESSI_RemoveDuplicates(SSI_POINT** head, double dist);

// Trace arrays. The creator stores the triple (a, b, c) as (a, c, b); without
// one it stores 0.0001, 0.1, 0.001.
SSI_TRACE* ESSI_NewTraceArray(int n, const double* tol3);
int ESSI_FreeTraceArray(SSI_TRACE* trace);
// A true copy: same count, samples and tolerances in the same stored order.
SSI_TRACE* ESSI_CopyTraceArray(const SSI_TRACE* trace);
// Index of the segment holding t (wrapped by the period); -1 when none.
int ESSI_TraceSegment(double t, const SSI_TRACE* trace);
// 0 closed and tangent-continuous, 1 closed with a corner, 2 open (also null).
int ESSI_TraceClosure(const SSI_TRACE* trace, double distTol, double angleTol);

// Subdivision records. Nodes and patches come from the pool when one is
// given (they then go with the pool and must not be freed one by one),
// otherwise from QV_MemAlloc.
SSI_RECORDPOOL* ESSI_NewRecordPool();
void ESSI_FreeRecordPool(SSI_RECORDPOOL* pool);
// A zeroed node at (u, v); null when memory runs out.
SSI_NODE* ESSI_NewNode(double u, double v, SSI_RECORDPOOL* pool = nullptr);
// Gives back a node that no list holds (the pool keeps it for the next one).
void ESSI_ReleaseNode(SSI_NODE* node, SSI_RECORDPOOL* pool = nullptr);
void ESSI_FreeNodeList(SSI_NODE* head);
void ESSI_FreeNodeList(SSI_PATCH* head);
SSI_PATCH* ESSI_NewPatch(SSI_NODE* c0, SSI_NODE* c1, SSI_NODE* c2, SSI_NODE* c3, SSI_RECORDPOOL* pool = nullptr);
void ESSI_PatchCentre(const SSI_PATCH* patch, double* out);
// The direction the acceptance test splits the patch in when one of its
// edges is longer than edgeTol (it then rejects the patch whatever its centre
// and normal), else -1. edges, when given, receives the four edge lengths
// (c0-c2, c2-c3, c3-c1, c1-c0), which ESSI_AcceptPatch can take instead of
// measuring them again.
int ESSI_EdgeSplit(const SSI_PATCH* patch, double edgeTol, double* edges = nullptr);
int ESSI_AcceptPatch(const double* normal, int* splitDir, double planeTol, double normalTol, double edgeTol,
                     const double* centre, SSI_PATCH* patch, const double* edges = nullptr);
// Direction 1 halves v, 0 halves u; the new nodes carry only (u, v). Null when
// memory runs out (nodes made so far freed, patch unchanged).
SSI_PATCH* ESSI_SplitPatch(SSI_NODE** a, SSI_PATCH* patch, int dir, SSI_NODE** b, SSI_RECORDPOOL* pool = nullptr);
SSI_SUBDIV* ESSI_NewSubdivision(const double* uvBox, double planeTol, double normalTol, double edgeTol);
int ESSI_FreeSubdivision(SSI_SUBDIV* sub);
void ESSI_FreePatchIndex(SSI_PATCHINDEX* index);
void ESSI_SubdivisionBox(SSI_SUBDIV* sub);

// Facet tables; an array is absent when its count is <= 0.
_facet* FACET_New(int nodes, int triangles, int quads);
int FACET_Free(_facet* table);
