// The triangle-and-quad mesh: float vertices, triangles and quads indexing them, and
// the data derived from them on demand (edges with their faces, vertex and face
// normals, vertex flags, adjacency lists, display buffers, screen data). Derived data
// never follows later changes by itself: whoever changes vertices or faces empties
// what it invalidates. Face i is triangle i below numFace3(), else quad i - numFace3().
#pragma once

#include "framework/looker/Bit.h"
#include "geometry/shapes3d/GeSurf.h"
#include "geometry/shapes3d/MeshRecords.h"
#include "geometry/shapes3d/QuadTree.h"

#include <memory>
#include <vector>

class CGeRegion;
class COpenGLDC;
class CPickRay;
template <class T>
class CTGrid;

class CGeMesh : public CGeSurf {
    DECLARE_SERIAL(CGeMesh)

public:
    CGeMesh();
    ~CGeMesh() override;

    // Stores nothing and loads nothing: a mesh read back from a document is empty.
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    // A new mesh filled by CopyFromMesh(this), owned by the caller.
    CGeShape3d* Copy() override;
    // The box of all vertices (also unused ones); nothing without vertices.
    void CalcBox() override;

    // Transforms: the vertices are mapped, normals kept, mapped or re-derived, then the
    // surface base transforms the curves and updates the box. A mesh without vertices
    // is left alone except by the translations. Mirrors and maps of negative
    // determinant reverse every face's corner order, so that normals derived later
    // agree with the mapped ones, and empty the neighbour lists.
    void Translate(double* v) override;
    void Translate3D(double* v) override;
    void Rotate(double* centre, double angle) override;
    void Rotate3D(double* point, double* axis, double angle) override;
    CGeShape3d* Twist(double* point, double* axis, double angle) override;
    CGeShape3d* Taper(double* point, double* axis, double angle) override;
    void Mirror(double* p, double* q) override;
    CGeShape3d* Shear(double* base, double* factors) override;
    CGeShape3d* Scale(double* centre, double* factors) override;
    CGeShape3d* Scale3D(double* centre, double* factors) override;
    CGeShape3d* Shear3D(double* point, double* dir, double* normal) override;
    void Mirror3D(double* point, double* normal) override;
    void Transform(_rect_fm3d* frame) override;
    CGeShape3d* Transform(double m[4][4], unsigned int flags) override;
    CGeShape3d* Transform(double m[3][3], unsigned int flags) override;
    void TransformLocal(_rect_fm3d* frame) override;

    // Display (OpenGL). Colours, materials and lights are the caller's. DrawGL draws
    // in the view's show mode (20 shaded: smooth when normals holds one normal per
    // vertex, else flat with the face normals; 21 the surface's curves; 22 points; 23
    // flat unlit); type 3 draws points, type 23 flat unlit faces, type 1 adds the
    // curves over shaded faces. Buffer objects are used when the context offers them,
    // client-side arrays otherwise.
    void DrawGL(COpenGLDC* dc, int type) override;
    // The listed faces (indices below numFace) in immediate mode, with the vertex
    // normals when there is one per vertex.
    void DrawGL(COpenGLDC* dc, std::vector<unsigned int>& faces);
    // (Re)creates the vertex buffer (vertices, then the normals when there is one per
    // vertex) and the two index buffers; none at all when one fails.
    void BuildVBOs(COpenGLDC* dc);
    // Discards the OpenGL buffer objects of the display and zeroes their names (the
    // names go also when no context can delete them, so that the next draw rebuilds).
    virtual void DeleteVBO();
    // Wireframe of all faces.
    void DrawEdge(COpenGLDC* dc);
    // All vertices as points of size 1; the point size found is restored. Never
    // builds buffers.
    void DrawVertex(COpenGLDC* dc);
    // The surface's curves when the mesh has faces and may show in 2D.
    void Draw(CDC* dc) override;
    void Draw(Direct2DHandler*) override {}

    // Picking. The nearest face along the ray (depth below the ray's m_dDepth; on
    // equal depth the earlier face): 1 with m_dDepth, m_dParam, m_dParam2 and m_nSeg
    // (the face) written; 0 and the ray untouched otherwise. A 2D pick, or show mode
    // 21, picks the surface's curves.
    int Pick(CPickRay& ray, int filter) override;
    // 1 when a vertex lies in the box of the frame (show modes 20 and 22), the curves'
    // pick in mode 21, else 0.
    int PickBox(_rect_fm3d* frame, BOX2<double>* box) override;
    // Depth and pair interpolated over three corners of points (indexed by vertex):
    // the texture pairs when the mesh has them, else the points' x and y. 0 for null points.
    int FacetCalZDepth(double (*points)[3], unsigned int* const corners, double* const weights, double* z, double* u,
                       double* v);
    // Window positions of the vertices (x right, y down, clamped to the 16-bit range),
    // the window boxes of the faces and the quad tree over the view, computed in the
    // current context's viewport and matrices when screenpoints is empty. The first
    // projects with gluProject, the second with its own matrix product.
    void GetScreenPoint();
    void GetScreenPointEx();
    // Re-projects the listed vertices (the quad tree stays as built).
    void UpdateScreenPoint(std::vector<unsigned int>& verts);
    // Recomputes the window boxes of the listed faces from screenpoints.
    void UpdateEffectedFaceBox(std::vector<unsigned int>& faces);
    // Appends the faces whose window boxes meet box (sorted, without repeats).
    void GetEffectedFacet(BOX2<short int> box, std::vector<unsigned int>& faces);
    // Appends, in ascending order, the corners of the listed faces that face the viewer
    // (or are seen edge-on) whose squared distance from centre is below limit. The
    // vertex flags are left set for those corners.
    void GetEffectedVert(std::vector<unsigned int>& faces, CPoint3f centre, double limit,
                         std::vector<unsigned int>& verts);

    // Sculpting brushes: each moves the listed vertices and discards the display
    // buffers (Crease does nothing). Indices at or above the vertex count are skipped.
    // The random generators are process-wide and never reset.
    void Noisify(float d, std::vector<unsigned int>& verts);
    void Smooth(std::vector<unsigned int> verts);
    void Umbrella(float x, std::vector<unsigned int>& verts);
    void Draw(CPoint3f c, CVector3f dir, std::vector<unsigned int>& verts, float r);
    void Flatten(CPoint3f c, CPoint3f o, CVector3f n, std::vector<unsigned int>& verts, float r);
    void Crease(CPoint3f, std::vector<unsigned int>&, float) {}
    void Pinch(CPoint3f c, std::vector<unsigned int>& verts, float r);
    void Grab(CPoint3f target, CPoint3f start, std::vector<unsigned int>& verts, float r);
    // The corner following v in the face (cyclically); the vertex count when v is not
    // a corner of it or the face does not exist.
    unsigned GetNeighborVert(unsigned v, unsigned face) const;
    // Mean of the following corners over v's adjacent faces ((0, 0, 0) without any).
    void AveragePosition(unsigned v, CPoint3f& p) const;
    // Normalised sum of the faces' unit normals.
    CVector3f AverageNormal(std::vector<unsigned int>& faces) const;
    // Mean of all corners of the faces and the normalised sum of their normals; both
    // (0, 0, 0) for an empty list.
    void Average(std::vector<unsigned int> const& faces, CPoint3f& p, CVector3f& n) const;
    // Distance falloffs from c: 1 at inner, 0 from outer on (a hard step when
    // outer - inner < 0.0001), linear or quintic smootherstep between.
    static float SmoothFalloff(const CPoint3f& p, const CPoint3f& c, float inner, float outer);
    static float LinearFalloff(const CPoint3f& p, const CPoint3f& c, float inner, float outer);
    // Process-wide xorshift: a value in [0, x] for x > 0, between x and -x for x < 0; 0
    // (state kept) for x = 0.
    static float RandomScaled(float x);

    unsigned numVertices() const { return unsigned(vertices.size()); }
    unsigned numFace3() const { return unsigned(faces3.size()); }
    unsigned numFace4() const { return unsigned(faces4.size()); }
    unsigned numEdges() const { return unsigned(edges.size()); }
    unsigned numFace() const { return numFace3() + numFace4(); }

    // Empty the named array and release its storage.
    void Clear_Neighbors();
    void Clear_Adjacentfaces();
    void Clear_AdjacentEdges();
    void Clear_FaceNormal();
    // normals and facenormals.
    void ClearNormal();

    // Each destination array becomes an exact copy of the source's; the derived data
    // that does not follow (flags, adjacency, buffers, screen data) is dropped; then the
    // surface part (box, flags, curves). Nothing for a null source.
    void CopyFromMesh(CGeMesh* src);
    // Appends the regular triangle mesh of a float height grid, with vertex normals and
    // box. 1 done; 0 for a null grid or a cancel (see the .cpp for what stays).
    int Create(CTGrid<float>* grid);
    // The open border (edges with one face) as closed or open polylines in the boundary list.
    void CreateBndCrv();
    // The boundary list from the regions' loops lifted to height z.
    void CreateBndCrvEx(CTypedPtrList<CObList, CGeRegion*>* regions, double z);
    void DeleteTree();
    void Diffuse_normals(float) {}

    // Topology and normals.
    // Edges of all triangles and quads with their faces, in order of first appearance.
    void GenEdgeTopoEx();
    // Edges of the triangles only, without faces, sorted by their smaller vertex.
    void GenEdgeTopo();
    void GenOuterBndEdge(std::vector<SEdge>&) {}
    void GenInerBndEdge(std::vector<SEdge>&) {}
    void GenBndEdge(std::vector<SEdge>&, std::vector<SEdge>&) {}
    // 1 and the position of the first edge joining a and b (either order); else 0.
    int FindEdge(unsigned long a, unsigned long b, unsigned long& index) const;
    // Unit normal of face `face` (no index check).
    void FaceNormal(unsigned face, CVector3f& n) const;
    void Need_FaceNormal();
    // 1 when computed; 0 when normals already had one entry per vertex or on a cancel
    // (normals then empty, so the next call computes them).
    int Need_VertexNormals();
    // Recomputes the listed entries of normals from the adjacent faces.
    void Need_VertexNormals(std::vector<unsigned>& verts);

    // Adjacency and editing.
    void Need_VertFlag(unsigned n);
    void Need_Neighbors();
    void Need_Adjacentfaces();
    void Need_AdjacentEdges();
    void Remove_Unused_Vertices();
    void Remove_Vertices(const std::vector<bool>& remove);
    void Remap_Verts(const std::vector<int>& remap);
    void Remove_Faces3(const std::vector<bool>& remove);
    void Remove_Faces4(const std::vector<bool>& remove);
    void GenFaceTopo(int nu, int nv, bool wrap);
    void Inflate(float d);
    void InflateNC(float d);
    void InflateRadial(float d);
    void GetMinMaxRadius2(double r[2]) const;
    void AddSideWall(float h);

    // Sections and projection.
    // Replaces the iso list by the sections of n - 1 planes x = const and n - 1 planes
    // y = const across the box (y sections first); nothing for n <= 0.
    void ComputerIsoCurve(int n);
    // True and the lowest point of the mesh on the vertical ray up from p (at most
    // 100000 above it); quads count as two triangles. False (hit untouched) otherwise.
    bool ProjectZ(tagPoint3f p, tagPoint3f& hit) const;

    std::vector<SFacet3> faces3;
    std::vector<SFacet4> faces4;
    std::vector<SEdge> edges;
    std::vector<CPoint3f> vertices;
    std::vector<SUVCoord> uvcoords;
    std::vector<CVector3f> normals;
    std::vector<CVector3f> facenormals;
    std::unique_ptr<CBit> vertflags;
    unsigned int vbovertex = 0;
    unsigned int vboface3 = 0;
    unsigned int vboface4 = 0;
    std::vector<SScreenPoint> screenpoints;
    std::vector<BOX2<short int>> faceboxes;
    std::unique_ptr<CQuadTree> quadtree;
    std::vector<std::vector<int>> neighbors;
    std::vector<std::vector<int>> adjacentfaces;
    std::vector<std::vector<int>> adjacentedges;
    // Largest step the milling engines take over this mesh; the owner may lower it.
    float m_fStepLimit = kDefaultStepLimit;

    static constexpr float kDefaultStepLimit = 3.4028233e21f;

private:
    bool HasVertexNormals() const;
    // Buffers fit for drawing (rebuilt when built for another vertex count, or without
    // the normals a smooth drawing reads); false: draw from client memory.
    bool EnsureVBOs(COpenGLDC* dc, bool smooth);
    void DrawFaceArrays(COpenGLDC* dc, bool buffers);
    void DrawShaded(COpenGLDC* dc);
    void DrawUnlitFaces(COpenGLDC* dc);
    void ComputeScreenPoints(bool withGlu);
    BOX2<short int> WindowBoxOf(unsigned face) const;

    unsigned m_nVboVertices = 0;  // vertex count and normals the buffers were built with
    bool m_bVboNormals = false;

    // After a vertex map: re-derives facenormals and normals that were present.
    void RederiveNormals();
    // Reverses every face's corner order (after a map of negative determinant).
    void FlipFaces();
    template <class Map>
    void MapVertices(Map map, bool parallel);
    // Twist and taper: they bend straight boundary segments, so the boundary is traced anew.
    template <class Map, class Curves>
    CGeShape3d* Bend(Map map, Curves curves);
    template <class Face>
    void RemoveFaces(std::vector<Face>& faces, const std::vector<bool>& remove);
    template <class Map>
    void MapNormals(Map map);
};
