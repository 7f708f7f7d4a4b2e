// The tool-centre model of a set of triangle/quad meshes for one cutting tool: the
// surfaces on which the tool tip lies when the tool touches the meshes. Offset surfaces
// (each mesh's facets, vertices moved by the tool's offset of their normals), edge
// surfaces (half tubes of tip positions around feature edges: silhouettes between up- and
// down-facing facets, open boundaries and creases), vertex envelopes around the ends of
// those edges, and the open boundaries of nearly level meshes for flat-area machining.
// Built once by CreateMillCentre, then only read (sections, drops, move checks).
#pragma once

#include "platform/core/ObList.h"
#include "toolpath/milling/IntCurveSet.h"

#include <array>
#include <memory>
#include <vector>

class CGeMesh;
class CIntLineSet;
class CNcPline;
class CPathCombine;
class CNcPoint;
class CProtectNet;
class CTool;
struct _facet;
struct _facetnode;

using CMillMeshList = CTypedPtrList<CObList, CGeMesh*>;
using Pnt3 = std::array<double, 3>;

// Edge records (smaller vertex, larger vertex) sorted by their smaller vertex; records
// with the same smaller vertex in the order they were added.
class CEdge {
public:
    struct Rec {
        int a, b;
    };
    void EdgeAdd(int a, int b) { m_recs.push_back({a, b}); m_sorted = false; }
    void EdgeClear() { m_recs.clear(); }
    int Count() const { return int(m_recs.size()); }
    const std::vector<Rec>& Records();

private:
    std::vector<Rec> m_recs;
    bool m_sorted = true;
};

// A polyline of an edge set, with its box (min x, y, z, max x, y, z).
struct SEdgeLine {
    std::vector<Pnt3> pts;
    double box[6] = {0, 0, 0, 0, 0, 0};
    SEdgeLine* prev = nullptr;
    SEdgeLine* next = nullptr;
    void DefineBox();
};

struct SEdgeEndIndex;

// Doubly linked polylines; the set owns them.
class CEdgeSet {
public:
    CEdgeSet();
    ~CEdgeSet();
    CEdgeSet(const CEdgeSet&) = delete;
    CEdgeSet& operator=(const CEdgeSet&) = delete;

    void Clear();
    void Append(std::unique_ptr<SEdgeLine> line);
    // Moves every polyline of from to the end of this set.
    void TakeAll(CEdgeSet& from);

    SEdgeLine* head = nullptr;
    SEdgeLine* tail = nullptr;
    int count = 0;
    // Polylines by the cells of their end points (EdgeSetAddUpper).
    std::unique_ptr<SEdgeEndIndex> index;
};

// Facet records are filled right after they are made: no zeroing of large arrays.
struct SCentreTri {
    SCentreTri() {}
    int v[3];
    double box[6];
};
struct SCentreQuad {
    SCentreQuad() {}
    int v[4];
    double box[6];
};

// Elements by ascending min z, so that a plane visits only those whose z range holds it.
struct SHeightOrder {
    std::vector<int> ids;
    std::vector<double> minZ;  // ascending, of ids
    double span = 0;           // largest z extent of an element
    size_t built = 0;          // element count when built (0: not built)
    // Element z ranges lo[i], hi[i] of n elements.
    void Build(const double* lo, const double* hi, size_t n);
    // Ids of the elements whose z range, grown by t, holds z, in ascending id order.
    void Find(double z, double t, const double* lo, const double* hi, std::vector<int>& out) const;
};

struct SOffsetSurf {
    std::vector<Pnt3> pts;
    std::vector<SCentreTri> tris;
    std::vector<SCentreQuad> quads;
    double box[6] = {0, 0, 0, 0, 0, 0};
    SOffsetSurf* next = nullptr;
    // Candidates chosen by marking (sections and drops).
    std::vector<SCentreTri*> candTri;
    std::vector<SCentreQuad*> candQuad;
    // Z sections: facets (triangles, then quads after them) by ascending min z.
    SHeightOrder zOrder;
    // Recomputes every facet box and the surface box.
    void DefineBoxes();
};

// Half tube around one edge polyline: 15 grid points per polyline point; cell (i, j),
// j = 0..13, has the corners (i, j), (i, j+1), (i+1, j+1), (i+1, j).
struct SEdgeSurf {
    std::vector<Pnt3> grid;  // rows * 15
    int rows = 0;
    std::vector<std::array<int, 2>> cells;  // candidate cells (row, column)
    SHeightOrder zOrder;                    // cells (row * 14 + column) by ascending min z
    double box[6] = {0, 0, 0, 0, 0, 0};
    double floorZ = -1e12;
    SEdgeSurf* next = nullptr;
    const Pnt3& At(int row, int col) const { return grid[size_t(row) * 15 + size_t(col)]; }
};

struct SVertexSet {
    std::vector<Pnt3> v;
    std::vector<double> floorZ;
    double box[6] = {0, 0, 0, 0, 0, 0};
    std::vector<int> cand;
    SHeightOrder zOrder;  // vertices by ascending z
};

struct SBoundRec {
    SOffsetSurf* surf = nullptr;  // owned by the model's offset-surface list
    CEdgeSet lines;
    SBoundRec* next = nullptr;
};

class CMillCenter {
public:
    CMillCenter();
    ~CMillCenter();
    CMillCenter(const CMillCenter&) = delete;
    CMillCenter& operator=(const CMillCenter&) = delete;

    // Build steps, in the order CreateMillCentre calls them.
    // Mesh kind: 0 flat, 1 vertical, 2 one-sided, 4 two-sided (with inner edges);
    // -1 for a null table. Reverses all-down meshes; fills the edge lists.
    int AnalysisFacet(_facet* table, CEdge& inner, CEdge& outer);
    void GenOffsetSurf(_facet* table, CEdge& inner, int kind);
    void AddBoundRec(CEdgeSet& bounds, int kind, double slopeLimit);
    void GenVertexSurf(CEdgeSet& set);
    void GenBoundSurf(CEdgeSet& set);
    void DefineBox();

    // 1 when the facet with these corners is down-facing (clockwise seen from above).
    static int IsNormalDown(const _facetnode* nodes, const int* corners);
    // Negates every normal and reverses every facet's corner order.
    static void ReverseDirect(_facet* table);
    // Edges used by one facet only.
    static int GenOutEdge(_facet* table, CEdge& outer);
    // Edges between an up- and a down-facing facet (inner) and the rest used once (outer);
    // the normals of vertices used only by down-facing facets are negated.
    static int GenInnOutEdge(_facet* table, CEdge& inner, CEdge& outer);

    // Chains edge records into polylines, thins and splits them into the set; the whole
    // thinned chains also go to bounds when given.
    static int EdgeSetAddChains(CEdgeSet& set, CEdge& edges, const _facet* table, CEdgeSet* bounds);
    // Splits at sharp corners and steep steps and adds the pieces by EdgeSetAddUpper.
    static void EdgeSetAddSplit(CEdgeSet& set, const std::vector<Pnt3>& pts);
    // Adds a piece unless vertical; of two polylines over the same XY points only the
    // higher is kept. Duplicates are found through an index of the polylines' ends.
    static void EdgeSetAddUpper(CEdgeSet& set, std::vector<Pnt3> pts);
    // How a piece compares with a polyline over the same XY points (within 0.01, same or
    // reverse order): 0 other points, 1 the piece is nowhere lower, 2 nowhere higher, 3
    // they cross.
    static int EdgeLineCompare(const SEdgeLine& line, const SEdgeLine& piece);
    // Greedy 3D chord thinning in place.
    static void ThinPolyline(std::vector<Pnt3>& pts, double tol);

    // Sections by the plane z = set.plane (2D points x, y) and y = set.plane (x, z),
    // appended to set; segments deep under the net's envelope are left out.
    void GenSameZLineSet(CProtectNet& net, CIntLineSet& set);
    void GenSameYLineSet(CProtectNet& net, CIntLineSet& set);
    // Resets the section floors: every edge surface to -1e12, every vertex to its z.
    void SetIntMinZ();
    // Marks the candidates whose XY extent grown by tol meets pane (min x, y, max x, y).
    void DefineMarkedPane(const double pane[2][2], double tol);
    // Raises p.z to the highest tip position of the marked candidates over p's XY.
    void ProjPntOnMdl(double p[3]);
    // Turns the model about Z by angle (radians, counter-clockwise).
    void RotateModel(double angle);
    // Move checks on NC strings (a and b consecutive points of string).
    void ProjCutPath(CNcPline* string, CNcPoint* a, CNcPoint* b, double tol);
    void CheckCutPath(CNcPline* string, CNcPoint* a, CNcPoint* b, double tol);
    void VerifyCutPath(CNcPline* string, double tol, bool project);
    // Deletes the string and nulls the pointer when an interior point lies more than
    // 0.05 under the model.
    void CheckPntString(CNcPline*& string);
    // Display copies as polylines (operation code 8), owned by the caller: the crest
    // (column 7) of every edge surface; every offset facet closed; every edge surface's
    // rows and columns.
    CPathCombine* CreateEdgeComb() const;
    CPathCombine* CreateOffsetSurfComb() const;
    CPathCombine* CreateBoundSurfComb() const;

    int offsetCount = 0;
    int edgeCount = 0;
    SOffsetSurf* offsets = nullptr;  // newest first
    SEdgeSurf* edges = nullptr;      // newest first
    SVertexSet vertices;
    int flag = 0;
    double slopeLimit = 0;
    CIntCurveSet flatBounds;
    // Every polyline of two or more points as a closed curve of out at its first point's
    // height; out's height becomes the highest point's when that is higher.
    static void EdgeLinesToCurves(const CEdgeSet& lines, CIntCurveSet& out);
    SBoundRec* bounds = nullptr;  // newest first
    CTool* tool = nullptr;        // not owned
    double box[6] = {0, 0, 0, 0, 0, 0};

private:
    void FlatBoundToCurves(CEdgeSet& bounds);
    void VertexSetAdd(const Pnt3& p);
    // Stored vertices by cell (VertexSetAdd).
    std::unique_ptr<SEdgeEndIndex> m_vertexCells;
};

// The model of the meshes for the tool (the third argument is not read); null for a null
// or empty list, or when cancelled. flag: boundary records for every mesh.
CMillCenter* CreateMillCentre(CMillMeshList* meshes, CTool* tool, double, int flag, double slopeLimit);
// A model of one boundary record: a copy of its offset surface with edge and vertex
// surfaces on its polylines. Null without a tool.
CMillCenter* MillCenterFromBoundRec(const SBoundRec* rec, CTool* tool);
// The facet table of a mesh (vertex normals computed when missing), with the vertices
// split along creases sharper than centre::kCreaseAngle; null for a mesh without facets.
_facet* MeshToFacet(CGeMesh* mesh);
