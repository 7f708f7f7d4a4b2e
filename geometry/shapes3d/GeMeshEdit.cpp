// Vertex flags, adjacency lists and the operations that change the mesh as a whole.
#include "geometry/shapes3d/GeMesh.h"

#include "framework/numerak/Vector2D.h"
#include "geometry/shapes3d/MeshDetail.h"

#include <algorithm>
#include <cmath>

using meshdetail::Release;

namespace {

// Calls visit(vertex, corner position, face corners, corner count, face number) for every
// corner of every face, triangles first; corners past the vertex array are skipped.
template <class Visit>
void ForEachCorner(const CGeMesh& mesh, Visit visit)
{
    const std::uint32_t nV = mesh.numVertices();
    const int nF3 = int(mesh.numFace3());
    for (int i = 0; i < nF3; ++i) {
        const std::uint32_t* f = mesh.faces3[std::size_t(i)].v;
        for (int j = 0; j < 3; ++j)
            if (f[j] < nV) visit(f[j], j, f, 3, i);
    }
    for (std::size_t k = 0; k < mesh.faces4.size(); ++k) {
        const std::uint32_t* q = mesh.faces4[k].v;
        for (int j = 0; j < 4; ++j)
            if (q[j] < nV) visit(q[j], j, q, 4, nF3 + int(k));
    }
}

std::vector<std::size_t> CornerCounts(const CGeMesh& mesh)
{
    std::vector<std::size_t> count(mesh.numVertices(), 0);
    ForEachCorner(mesh, [&](std::uint32_t v, int, const std::uint32_t*, int, int) { ++count[v]; });
    return count;
}

void AppendUnique(std::vector<int>& list, int value)
{
    if (std::find(list.begin(), list.end(), value) == list.end()) list.push_back(value);
}

// Keeps the faces whose flag is false, in their order; a mask of another size changes nothing.
template <class Face>
bool RemoveFlagged(std::vector<Face>& faces, const std::vector<bool>& remove)
{
    if (faces.empty() || remove.size() != faces.size()) return false;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < faces.size(); ++i)
        if (!remove[i]) faces[kept++] = faces[i];
    faces.resize(kept);
    return true;
}

// The face through the remap table; false when a corner is removed or unknown.
template <class Face, int N>
bool RemapFace(Face& face, const std::vector<int>& remap)
{
    for (int j = 0; j < N; ++j) {
        if (face[j] >= remap.size() || remap[face[j]] < 0) return false;
        face[j] = std::uint32_t(remap[face[j]]);
    }
    return true;
}

template <class Face, int N>
void RemapFaces(std::vector<Face>& faces, const std::vector<int>& remap)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < faces.size(); ++i) {
        Face f = faces[i];
        if (RemapFace<Face, N>(f, remap)) faces[kept++] = f;
    }
    faces.resize(kept);
}

}  // namespace

void CGeMesh::Need_VertFlag(unsigned n)
{
    if (vertflags) return;
    if (n == 0) n = numVertices();
    if (n == 0) return;
    vertflags = std::make_unique<CBit>();
    vertflags->Create(int(n), 1);
}

void CGeMesh::Need_Neighbors()
{
    if (!neighbors.empty()) return;
    std::vector<std::size_t> count = CornerCounts(*this);
    neighbors.resize(vertices.size());
    for (std::size_t v = 0; v < neighbors.size(); ++v) neighbors[v].reserve(count[v] + 2);
    const std::uint32_t nV = numVertices();
    // The next corner and the one after it (for a quad the diagonally opposite one).
    ForEachCorner(*this, [&](std::uint32_t v, int j, const std::uint32_t* f, int n, int) {
        std::uint32_t a = f[(j + 1) % n], b = f[(j + 2) % n];
        if (a < nV) AppendUnique(neighbors[v], int(a));
        if (b < nV) AppendUnique(neighbors[v], int(b));
    });
}

void CGeMesh::Need_Adjacentfaces()
{
    if (!adjacentfaces.empty()) return;
    std::vector<std::size_t> count = CornerCounts(*this);
    adjacentfaces.resize(vertices.size());
    for (std::size_t v = 0; v < adjacentfaces.size(); ++v) adjacentfaces[v].reserve(count[v]);
    ForEachCorner(*this, [&](std::uint32_t v, int, const std::uint32_t*, int, int face) {
        adjacentfaces[v].push_back(face);
    });
}

void CGeMesh::Need_AdjacentEdges()
{
    if (!adjacentedges.empty()) return;
    if (edges.empty()) GenEdgeTopoEx();
    const std::size_t nV = vertices.size();
    std::vector<std::size_t> count(nV, 0);
    for (const SEdge& e : edges) {
        if (e.v0 < nV) ++count[e.v0];
        if (e.v1 < nV) ++count[e.v1];
    }
    adjacentedges.resize(nV);
    for (std::size_t v = 0; v < nV; ++v) adjacentedges[v].reserve(count[v]);
    for (std::size_t i = 0; i < edges.size(); ++i) {
        if (edges[i].v0 < nV) adjacentedges[edges[i].v0].push_back(int(i));
        if (edges[i].v1 < nV) adjacentedges[edges[i].v1].push_back(int(i));
    }
}

void CGeMesh::Remove_Unused_Vertices()
{
    if (vertices.empty()) return;
    std::vector<bool> unused(vertices.size(), true);
    ForEachCorner(*this, [&](std::uint32_t v, int, const std::uint32_t*, int, int) { unused[v] = false; });
    Remove_Vertices(unused);
}

void CGeMesh::Remove_Vertices(const std::vector<bool>& remove)
{
    if (remove.size() != vertices.size()) return;
    std::vector<int> remap(remove.size());
    int kept = 0;
    bool any = false;
    for (std::size_t j = 0; j < remove.size(); ++j) {
        remap[j] = remove[j] ? -1 : kept++;
        any = any || remove[j];
    }
    if (any) Remap_Verts(remap);
}

void CGeMesh::Remap_Verts(const std::vector<int>& remap)
{
    const std::size_t nV = vertices.size();
    if (remap.size() != nV) return;
    int m = -1;
    for (int r : remap) m = std::max(m, r);
    // Nothing kept, or a target past the array (the table cannot be a renumbering).
    if (m < 0 || std::size_t(m) >= nV) return;
    const std::vector<CPoint3f> oldVertices = vertices;
    const std::vector<CVector3f> oldNormals = normals;
    const std::vector<SUVCoord> oldUV = uvcoords;
    const bool withNormals = normals.size() == nV, withUV = uvcoords.size() == nV;
    for (std::size_t i = 0; i < nV; ++i) {
        int r = remap[i];
        if (r < 0 || std::size_t(r) == i) continue;
        vertices[std::size_t(r)] = oldVertices[i];
        if (withNormals) normals[std::size_t(r)] = oldNormals[i];
        if (withUV) uvcoords[std::size_t(r)] = oldUV[i];
    }
    vertices.resize(std::size_t(m) + 1);
    if (withNormals) normals.resize(std::size_t(m) + 1);
    else Release(normals);
    if (withUV) uvcoords.resize(std::size_t(m) + 1);
    else Release(uvcoords);
    RemapFaces<SFacet3, 3>(faces3, remap);
    RemapFaces<SFacet4, 4>(faces4, remap);
    // Edges and flags are numbered by the old vertices and faces.
    Release(edges);
    vertflags.reset();
    Clear_Neighbors();
    Clear_Adjacentfaces();
    Clear_AdjacentEdges();
    Clear_FaceNormal();
}

void CGeMesh::Remove_Faces3(const std::vector<bool>& remove) { RemoveFaces(faces3, remove); }

void CGeMesh::Remove_Faces4(const std::vector<bool>& remove) { RemoveFaces(faces4, remove); }

template <class Face>
void CGeMesh::RemoveFaces(std::vector<Face>& faces, const std::vector<bool>& remove)
{
    if (remove.size() != faces.size()) return;
    Clear_Adjacentfaces();
    Clear_AdjacentEdges();
    Clear_Neighbors();
    // Edges and face normals are numbered by the old faces.
    if (RemoveFlagged(faces, remove)) {
        Release(edges);
        Clear_FaceNormal();
    }
}

void CGeMesh::GenFaceTopo(int nu, int nv, bool wrap)
{
    if (vertices.empty()) return;
    // A grid larger than the vertex array would make faces of missing vertices.
    if (nu > 0 && nv > 0 && std::size_t(nu) * std::size_t(nv) > vertices.size()) return;
    faces3.clear();
    auto p = [nu](int i, int j) { return nu * i + j; };
    for (int i = 0; i + 1 < nv; ++i) {
        for (int j = 0; j + 1 < nu; ++j) {
            if (wrap && j == nu - 2) {
                faces3.emplace_back(p(i, j), p(i, 0), p(i + 1, j));
                faces3.emplace_back(p(i, 0), p(i + 1, 0), p(i + 1, j));
            } else {
                faces3.emplace_back(p(i, j), p(i, j + 1), p(i + 1, j));
                faces3.emplace_back(p(i, j + 1), p(i + 1, j + 1), p(i + 1, j));
            }
        }
    }
}

void CGeMesh::Inflate(float d)
{
    Need_VertexNormals();
    if (normals.size() != vertices.size()) return;  // cancelled
    for (std::size_t i = 0; i < vertices.size(); ++i) vertices[i] += normals[i] * d;
    ClearIsoCurve();
    ComputerIsoCurve(2);
    CreateBndCrv();
    CalcBox();
}

void CGeMesh::InflateNC(float d)
{
    if (d < 0.01f) return;
    Need_VertexNormals();
    if (normals.size() != vertices.size()) return;
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        if (normals[i].dz < 0.0f) normals[i] = -normals[i];
        vertices[i] += normals[i] * d;
    }
    CalcBox();
}

void CGeMesh::InflateRadial(float d)
{
    if (d < 0.01f) return;
    Need_VertexNormals();
    if (normals.size() != vertices.size()) return;
    constexpr double kTurnAngle = 1.5708963267948965;  // a right angle and 1e-4
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        const double radial[3] = {0.0, vertices[i].y, vertices[i].z};
        const double n[3] = {normals[i].dx, normals[i].dy, normals[i].dz};
        if (V3D_GetAngle(radial, n, 1e-6) > kTurnAngle) normals[i] = -normals[i];
        vertices[i] += normals[i] * d;
    }
    CalcBox();
}

void CGeMesh::GetMinMaxRadius2(double r[2]) const
{
    for (const CPoint3f& p : vertices) {
        double c = double(p.y) * p.y + double(p.z) * p.z;
        if (r[0] > c) r[0] = c;
        if (r[1] < c) r[1] = c;
    }
}

void CGeMesh::AddSideWall(float h)
{
    if (!vertflags) return;
    const std::uint32_t nV = numVertices();
    std::vector<std::uint32_t> copyOf(nV, 0);
    std::uint32_t copies = 0;
    // Only the edges collected here are walled: older entries of `edges` are not
    // flagged boundary edges of this call and have no reserved quad.
    std::vector<SEdge> wall;
    ForEachCorner(*this, [&](std::uint32_t a, int j, const std::uint32_t* f, int n, int face) {
        std::uint32_t b = f[(j + 1) % n];
        if (b >= nV || !vertflags->IsTrue(int(a)) || !vertflags->IsTrue(int(b))) return;
        if (copyOf[a] == 0) copyOf[a] = nV + copies++;
        if (copyOf[b] == 0) copyOf[b] = nV + copies++;
        wall.push_back(SEdge{a, b, face, -1});
    });
    if (wall.empty()) return;
    vertices.resize(std::size_t(nV) + copies);
    for (std::uint32_t p = 0; p < nV; ++p) {
        vertices[p].z += h;
        if (copyOf[p]) {
            CPoint3f low = vertices[p];
            low.z -= h;
            vertices[copyOf[p]] = low;
        }
    }
    faces4.reserve(faces4.size() + wall.size());
    for (const SEdge& e : wall)
        faces4.emplace_back(int(e.v1), int(e.v0), int(copyOf[e.v0]), int(copyOf[e.v1]));
    CalcBox();
    DeleteVBO();
    Release(edges);
    // Face-indexed and per-vertex lists no longer match the grown arrays.
    Clear_FaceNormal();
    Clear_Neighbors();
    Clear_Adjacentfaces();
    Clear_AdjacentEdges();
}
