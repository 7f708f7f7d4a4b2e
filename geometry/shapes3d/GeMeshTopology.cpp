// Edges, face normals and vertex normals of the mesh.
#include "geometry/shapes3d/GeMesh.h"

#include "framework/widgra/Progress.h"
#include "geometry/shapes3d/MeshDetail.h"

#include <bit>
#include <cmath>

using meshdetail::kParallelMin;
using meshdetail::Release;

namespace {

// Index of edge keys (unordered vertex pairs) into the edge array, open addressing with
// linear probing. Sized once for the largest possible number of edges, so it never grows.
class EdgeIndex {
public:
    explicit EdgeIndex(std::size_t maxEdges)
    {
        std::size_t size = std::bit_ceil(std::max<std::size_t>(2 * maxEdges, 16));
        m_slots.assign(size, kEmpty);
        m_mask = size - 1;
    }

    // The slot of the pair: it either holds the pair's edge position or is empty.
    std::uint32_t& Find(std::uint32_t a, std::uint32_t b, const std::vector<SEdge>& edges)
    {
        if (a > b) std::swap(a, b);
        std::uint64_t key = (std::uint64_t(a) << 32) | b;
        // Fibonacci hashing spreads the neighbouring indices of mesh faces evenly.
        std::size_t i = std::size_t((key * 0x9E3779B97F4A7C15ull) >> 20) & m_mask;
        for (;; i = (i + 1) & m_mask) {
            std::uint32_t& slot = m_slots[i];
            if (slot == kEmpty) return slot;
            const SEdge& e = edges[slot];
            if ((e.v0 == a && e.v1 == b) || (e.v0 == b && e.v1 == a)) return slot;
        }
    }

    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

private:
    std::vector<std::uint32_t> m_slots;
    std::size_t m_mask = 0;
};

// One corner's share of a vertex normal: the inverse product of the squared lengths of
// the two edges meeting there. Skipped only when it is not a usable number, so that fine
// meshes (edges of a few micrometres) still get normals.
inline bool CornerWeight(float denominator, float& weight)
{
    weight = 1.0f / denominator;
    return weight > 0.0f && std::isfinite(weight);
}

}  // namespace

void CGeMesh::GenEdgeTopoEx()
{
    const std::size_t corners = 3 * faces3.size() + 4 * faces4.size();
    edges.clear();
    if (corners == 0) {
        edges.shrink_to_fit();
        return;
    }
    edges.reserve(corners);
    EdgeIndex index(corners);
    auto addCorner = [&](std::uint32_t a, std::uint32_t b, std::int32_t face) {
        std::uint32_t& slot = index.Find(a, b, edges);
        if (slot == EdgeIndex::kEmpty) {
            slot = std::uint32_t(edges.size());
            edges.push_back(SEdge{a, b, face, -1});
        } else {
            edges[slot].f1 = face;
        }
    };
    const std::int32_t nF3 = std::int32_t(faces3.size());
    for (std::int32_t i = 0; i < nF3; ++i) {
        const SFacet3& f = faces3[std::size_t(i)];
        for (int j = 0; j < 3; ++j) addCorner(f[j], f[(j + 1) % 3], i);
    }
    for (std::size_t k = 0; k < faces4.size(); ++k) {
        const SFacet4& q = faces4[k];
        for (int j = 0; j < 4; ++j) addCorner(q[j], q[(j + 1) % 4], nF3 + std::int32_t(k));
    }
    edges.shrink_to_fit();
}

namespace {

// A node of the per-vertex edge lists of GenEdgeTopo.
struct COppPnt {
    std::uint32_t opp;
    const std::uint32_t* face;
    int count;
    signed char flag;
    COppPnt* next;
};

void AddEdgeSect(COppPnt** lists, const std::uint32_t* face, std::uint32_t a, std::uint32_t b, int flag)
{
    if (a > b) std::swap(a, b);
    for (COppPnt* n = lists[a]; n; n = n->next)
        if (n->opp == b && n->flag == static_cast<signed char>(flag)) return;
    lists[a] = new COppPnt{b, face, 3, static_cast<signed char>(flag), lists[a]};
}

void AddEdgeSect(COppPnt** lists, const std::uint32_t* face, int flag)
{
    AddEdgeSect(lists, face, face[0], face[1], flag);
    AddEdgeSect(lists, face, face[1], face[2], flag);
    AddEdgeSect(lists, face, face[2], face[0], flag);
}

}  // namespace

void CGeMesh::GenEdgeTopo()
{
    edges.clear();
    const std::size_t nV = vertices.size();
    std::vector<COppPnt*> lists(nV, nullptr);
    for (const SFacet3& f : faces3) {
        // A corner past the vertex array has no list to go into.
        if (f[0] >= nV || f[1] >= nV || f[2] >= nV) continue;
        AddEdgeSect(lists.data(), f.v, 0);
    }
    for (std::size_t j = 0; j < nV; ++j) {
        for (COppPnt* n = lists[j]; n;) {
            edges.push_back(SEdge{std::uint32_t(j), n->opp, -1, -1});
            COppPnt* next = n->next;
            delete n;
            n = next;
        }
    }
}

int CGeMesh::FindEdge(unsigned long a, unsigned long b, unsigned long& index) const
{
    for (std::size_t i = 0; i < edges.size(); ++i) {
        const SEdge& e = edges[i];
        if ((e.v0 == a && e.v1 == b) || (e.v0 == b && e.v1 == a)) {
            index = i;
            return 1;
        }
    }
    return 0;
}

void CGeMesh::FaceNormal(unsigned face, CVector3f& n) const
{
    const unsigned nF3 = numFace3();
    if (face < nF3) {
        const SFacet3& f = faces3[face];
        const CPoint3f &p0 = vertices[f[0]], &p1 = vertices[f[1]], &p2 = vertices[f[2]];
        n = (p1 - p0) ^ (p2 - p0);
    } else {
        const SFacet4& q = faces4[face - nF3];
        const CPoint3f &p0 = vertices[q[0]], &p1 = vertices[q[1]], &p2 = vertices[q[2]], &p3 = vertices[q[3]];
        n = (p2 - p0) ^ (p3 - p1);
    }
    n.Normalize();
}

void CGeMesh::Need_FaceNormal()
{
    const long nF3 = long(numFace3()), nF4 = long(numFace4());
    facenormals.assign(std::size_t(nF3 + nF4), CVector3f());
#pragma omp parallel for schedule(static) if (nF3 >= kParallelMin)
    for (long i = 0; i < nF3; ++i) FaceNormal(unsigned(i), facenormals[std::size_t(i)]);
#pragma omp parallel for schedule(static) if (nF4 >= kParallelMin)
    for (long k = 0; k < nF4; ++k) FaceNormal(unsigned(nF3 + k), facenormals[std::size_t(nF3 + k)]);
}

int CGeMesh::Need_VertexNormals()
{
    const std::size_t nV = vertices.size();
    if (normals.size() == nV) return 0;
    normals.assign(nV, CVector3f());
    CQProgress progress;
    progress.SetRange(0.5);
    // A cancel leaves no partial sums behind: the next call starts afresh.
    auto cancel = [this] {
        Release(normals);
        return 0;
    };
    for (const SFacet3& f : faces3) {
        const CPoint3f &p0 = vertices[f[0]], &p1 = vertices[f[1]], &p2 = vertices[f[2]];
        CVector3f a = p1 - p0, b = p2 - p1, c = p0 - p2;
        CVector3f n = a ^ b;
        float la = a.GetLengthSquared(), lb = b.GetLengthSquared(), lc = c.GetLengthSquared();
        float w;
        if (CornerWeight(la * lc, w)) normals[f[0]] += n * w;
        if (CornerWeight(la * lb, w)) normals[f[1]] += n * w;
        if (CornerWeight(lc * lb, w)) normals[f[2]] += n * w;
        if (gIsProgressCancel()) return cancel();
    }
    for (const SFacet4& q : faces4) {
        const CPoint3f &p0 = vertices[q[0]], &p1 = vertices[q[1]], &p2 = vertices[q[2]], &p3 = vertices[q[3]];
        CVector3f e0 = p1 - p0, e1 = p2 - p1, e2 = p3 - p2, e3 = p0 - p3;
        CVector3f n = (p0 - p2) ^ (p1 - p3);
        float l0 = e0.GetLengthSquared(), l1 = e1.GetLengthSquared(), l2 = e2.GetLengthSquared(),
              l3 = e3.GetLengthSquared();
        float w;
        if (CornerWeight(l0 * l3, w)) normals[q[0]] += n * w;
        if (CornerWeight(l0 * l1, w)) normals[q[1]] += n * w;
        if (CornerWeight(l1 * l2, w)) normals[q[2]] += n * w;
        if (CornerWeight(l3 * l2, w)) normals[q[3]] += n * w;
        if (gIsProgressCancel()) return cancel();
    }
    progress.SetRange(0.5);
    for (CVector3f& n : normals) {
        n.Normalize();
        if (gIsProgressCancel()) return cancel();
    }
    return 1;
}

void CGeMesh::Need_VertexNormals(std::vector<unsigned>& verts)
{
    // This form refreshes entries of a complete array; it never sizes one.
    if (normals.size() != vertices.size()) return;
    Need_Adjacentfaces();
    for (unsigned v : verts) {
        if (v >= normals.size()) continue;
        CVector3f sum;
        for (int face : adjacentfaces[v]) {
            CVector3f n;
            FaceNormal(unsigned(face), n);
            sum += n;
        }
        sum.Normalize();
        normals[v] = sum;
    }
}
