// Drop-cutter copy of one mesh: vertices in double precision, triangle and quad
// facets and edges, each with a box that already accounts for the cutter (facets
// moved by the tool offset, edges widened by the radius), and the candidate lists
// (CMeshAccel) that marking fills and lifting walks. CCheckModel drives it.
#pragma once

#include "framework/numerak/Box.h"
#include "platform/core/ObList.h"
#include "toolpath/milling/SpanIndex.h"

#include <memory>
#include <vector>

class CCheckMesh;
class CGeCurve;
class CGeMesh;
class CNcPoint;
class CTool;

// Facet records (triangles and quads alike): vertex indices, box, tool offset (CL
// point minus contact point of the tool resting on the facet's plane).
struct SCheckTriangle {
    int v[3] = {0, 0, 0};
    BOX3<double> box;
    double off[3] = {0, 0, 0};
};
struct SCheckQuad {
    int v[4] = {-1, -1, -1, -1};
    BOX3<double> box;
    double off[3] = {0, 0, 0};
};
// Edge: two vertex indices; box of the two vertices widened in X and Y by the radius.
struct SCheckEdge {
    int v[2] = {0, 0};
    BOX3<double> box;
};

// Candidate lists over one mesh, one per element kind. The first `markedCount` ids of
// `marked` are the set chosen by the last marking; the first `activeCount` ids of
// `active` are the current candidates, always a subset of the marked set in its
// order. Narrowing rewrites only `active`, so the marked set stays intact for the next
// narrowing; it visits the marked elements near the query through an index over the
// marked set (built on first need after each marking) rather than all of them.
class CMeshAccel {
public:
    enum Kind { kTriangle = 0, kQuad = 1, kEdge = 2 };

    explicit CMeshAccel(CCheckMesh* owner);
    CMeshAccel(const CMeshAccel&) = delete;
    CMeshAccel& operator=(const CMeshAccel&) = delete;

    struct List {
        std::vector<int> marked, active;
        int markedCount = 0, activeCount = 0;
        mill::SpanIndex index[3];  // marked positions along x, y, z
        std::vector<int> scratch;
    };

    // Sets the marked and active sets of a kind to ids[0..n).
    void SetMarked(int kind, const int* ids, int n);
    // All counts 0 / the active counts 0.
    void ClearAll();
    void ClearActive();

    List lists[3];
    CCheckMesh* owner;
};

class CCheckMesh {
public:
    CCheckMesh();
    // A copy that shares src's arrays (shared flag 1) with a new default candidate list
    // and no thread lists; it must not outlive src.
    explicit CCheckMesh(CCheckMesh* src);
    ~CCheckMesh();
    CCheckMesh(const CCheckMesh&) = delete;
    CCheckMesh& operator=(const CCheckMesh&) = delete;

    // Takes the vertices, facets and edges of m (building the edges when m has none):
    // 1, or 0 for a null mesh or one with fewer than 3 vertices or edges or no facet.
    int Init(CGeMesh* m);
    // Offsets and boxes of every element for the tool (null: zero offsets, unwidened
    // edge boxes), then CalcBox. Creates the default candidate list when missing.
    void SetTool(CTool* tool);
    // The same renewal after the vertices turned with the tool unchanged: an index
    // whose element ranges came out as before (the x ranges of the edges under a turn
    // about X) is kept instead of rebuilt. The same boxes and indexes as SetTool.
    void RenewAfterTurn(CTool* tool);
    // box = union of all element boxes (empty box when there are none).
    void CalcBox();
    // Turns the vertices about Z by the angle of cosine c and sine s and rebuilds the
    // mesh box from the element boxes (which keep their values until SetTool).
    void RotateByZAxis(double c, double s);
    // Turns the vertices about X by a (nothing below 0.0001); boxes unchanged.
    void RotateByXAxis(double a);
    // Moves every vertex; boxes unchanged. Returns 1.
    int MoveCheck(double dx, double dy, double dz);
    // Appends n candidate lists for worker threads (nothing for n <= 0).
    void InitAccel(int n);
    // Deletes the thread lists.
    void ClearAccel();
    // The calling OpenMP thread's list when thread lists exist, else the default list.
    CMeshAccel* GetAccel();

    // Raises p to the highest CL height over the active candidates. 1 when it rose,
    // 0 otherwise (no candidate list, point above the mesh box, nothing higher).
    int LiftZ(CTool* tool, double* p);
    // The same with the kind of element that set the height in p.contact (a quad at
    // exactly the current height takes the contact too). Needs a tool.
    int LiftZ(CTool* tool, CNcPoint& p);
    // Highest facet (no offset) among the active candidates over (x, y), raising z:
    // 1 when z rose.
    int ProjectPoint(double x, double y, double& z);
    // A new mesh of the active elements of accel (records copied, vertices renumbered
    // in order of first use); null when accel is missing or nothing of any kind is
    // marked in it. The new mesh has no candidate lists until SetTool or InitAccel.
    CCheckMesh* CreateSubMesh(CMeshAccel* accel);
    // Appends a 2D line (z, y) for every triangle and quad cut by the plane x.
    void CreateIsoXCurve(double x, CTypedPtrList<CObList, CGeCurve*>* list);

    // Element access.
    int VertexCount() const;
    int TriangleCount() const;
    int QuadCount() const;
    int EdgeCount() const;
    int ElementCount(int kind) const;
    const double* Vertex(int i) const;
    const SCheckTriangle& Triangle(int i) const;
    const SCheckQuad& Quad(int i) const;
    const SCheckEdge& Edge(int i) const;
    const BOX3<double>& ElementBox(int kind, int i) const;
    int IsShared() const { return m_shared; }
    int ThreadAccelCount() const { return int(m_threadAccels.size()); }

    // Marks (visits) the elements of a kind whose box range on axis (0 x, 1 y) may meet
    // [a, b]: through the mesh's index when it has one, else all of them. A superset:
    // callers apply their exact test.
    template <class F>
    void VisitNear(int kind, int axis, double a, double b, F f) const;

    BOX3<double> box;

private:
    struct Arrays;
    void Renew(CTool* tool, bool keepSame);
    // keepSame: leave an index whose element ranges are those it was built from.
    void BuildIndex(bool keepSame = false);

    std::shared_ptr<Arrays> m_data;
    std::unique_ptr<CMeshAccel> m_defaultAccel;
    std::vector<std::unique_ptr<CMeshAccel>> m_threadAccels;
    int m_shared = 0;
};

struct CCheckMesh::Arrays {
    std::vector<double> vertices;  // xyz
    std::vector<SCheckTriangle> triangles;
    std::vector<SCheckQuad> quads;
    std::vector<SCheckEdge> edges;
    // Every element of a kind ordered along x and y; renewed by SetTool.
    mill::SpanIndex index[3][2];
    std::vector<int> ids;
};

template <class F>
void CCheckMesh::VisitNear(int kind, int axis, double a, double b, F f) const
{
    const mill::SpanIndex& idx = m_data->index[kind][axis];
    if (idx.Built()) {
        idx.Visit(a, b, f);
        return;
    }
    const int n = ElementCount(kind);
    for (int i = 0; i < n; ++i) f(i);
}
