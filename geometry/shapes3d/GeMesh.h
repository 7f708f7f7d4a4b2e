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

    // Discards the OpenGL buffer objects of the display and zeroes their names.
    virtual void DeleteVBO();

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
