// Sculpting brushes: each moves a caller-chosen list of vertices and discards the
// display buffers so that the next draw uploads the new positions.
#include "geometry/shapes3d/GeMesh.h"

#include "framework/numerak/Plane3D.h"
#include "framework/numerak/QvnMath.h"

#include <algorithm>
#include <cstdint>
#include <map>

namespace {

// The two process-wide random states; brushes of two meshes must not run at once.
std::uint32_t g_xorshift = 2463534242u;
std::uint32_t g_noise = 0u;

float NextNoise()
{
    g_noise = g_noise * 1664525u + 1013904223u;
    return float(g_noise) / 4294967296.0f;
}

CVector3f ToVector(const CPoint3f& p) { return CVector3f(p.x, p.y, p.z); }

}  // namespace

float CGeMesh::RandomScaled(float x)
{
    if (x == 0.0f) return 0.0f;
    std::uint32_t s = g_xorshift;
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    g_xorshift = s;
    constexpr float kF1 = float(1.0 / 4294967295.0), kF2 = float(2.0 / 4294967295.0);
    if (x > 0.0f) return x * float(s) * kF1;
    return x * (float(s) * kF2 - 1.0f);
}

float CGeMesh::LinearFalloff(const CPoint3f& p, const CPoint3f& c, float inner, float outer)
{
    const float d = p.DistFrom(c);
    if (outer - inner < 0.0001f) return d > outer ? 0.0f : 1.0f;
    return QVN_Math::Clamp01((outer - d) / (outer - inner));
}

float CGeMesh::SmoothFalloff(const CPoint3f& p, const CPoint3f& c, float inner, float outer)
{
    const float d = p.DistFrom(c);
    if (outer - inner < 0.0001f) return d > outer ? 0.0f : 1.0f;
    const float t = QVN_Math::Clamp01((outer - d) / (outer - inner));
    return t * t * t * (t * (6.0f * t - 15.0f) + 10.0f);
}

unsigned CGeMesh::GetNeighborVert(unsigned v, unsigned face) const
{
    const unsigned nF3 = numFace3();
    if (face >= numFace()) return numVertices();
    const std::uint32_t* corners = face < nF3 ? &faces3[face][0] : &faces4[face - nF3][0];
    const int n = face < nF3 ? 3 : 4;
    for (int k = 0; k < n; ++k)
        if (corners[k] == v) return corners[(k + 1) % n];
    return numVertices();
}

void CGeMesh::AveragePosition(unsigned v, CPoint3f& p) const
{
    p.Set(0.0f, 0.0f, 0.0f);
    if (v >= adjacentfaces.size()) return;
    CVector3f sum;
    int count = 0;
    for (int f : adjacentfaces[v]) {
        const unsigned o = GetNeighborVert(v, unsigned(f));
        if (o >= numVertices()) continue;
        sum += ToVector(vertices[o]);
        ++count;
    }
    if (count > 0) p.Set(sum.dx / float(count), sum.dy / float(count), sum.dz / float(count));
}

CVector3f CGeMesh::AverageNormal(std::vector<unsigned int>& faces) const
{
    CVector3f sum;
    for (unsigned f : faces) {
        if (f >= numFace()) continue;
        CVector3f n;
        FaceNormal(f, n);
        sum += n;
    }
    sum.Normalize();
    return sum;
}

void CGeMesh::Average(std::vector<unsigned int> const& faces, CPoint3f& p, CVector3f& n) const
{
    p.Set(0.0f, 0.0f, 0.0f);
    n.Set(0.0f, 0.0f, 0.0f);
    const unsigned nF3 = numFace3();
    CVector3f sum;
    int corners = 0;
    for (unsigned f : faces) {
        if (f >= numFace()) continue;
        const std::uint32_t* c = f < nF3 ? &faces3[f][0] : &faces4[f - nF3][0];
        for (int k = 0; k < (f < nF3 ? 3 : 4); ++k) sum += ToVector(vertices[c[k]]);
        corners += f < nF3 ? 3 : 4;
        CVector3f fn;
        FaceNormal(f, fn);
        n += fn;
    }
    // No faces: the zero point and vector, not a division by zero.
    if (corners == 0) return;
    p.Set(sum.dx / float(corners), sum.dy / float(corners), sum.dz / float(corners));
    n.Normalize();
}

void CGeMesh::Noisify(float d, std::vector<unsigned int>& verts)
{
    if (verts.empty()) return;
    Need_VertexNormals();
    Need_Adjacentfaces();
    const unsigned nV = numVertices();
    const bool withNormals = normals.size() == vertices.size();
    std::vector<CVector3f> moves(verts.size());
    for (std::size_t i = 0; i < verts.size(); ++i) {
        const unsigned v = verts[i];
        if (v >= nV) continue;
        CVector3f& m = moves[i];
        const std::vector<int>& faces = adjacentfaces[v];
        for (int f : faces) {
            const unsigned o = GetNeighborVert(v, unsigned(f));
            if (o >= nV) continue;
            const CVector3f e = vertices[o] - vertices[v];
            const float denominator = d + e.GetLength();
            // A zero amplitude on a coincident neighbour would make 0 / 0.
            const float k = denominator != 0.0f ? d / denominator : 0.0f;
            m += e * RandomScaled(k);
        }
        if (!faces.empty()) m /= float(faces.size());
        const float u = NextNoise();
        const float a = d * (2.0f * u - 1.0f);
        if (withNormals) m += normals[v] * a;
    }
    // All moves come from the positions before the call.
    for (std::size_t i = 0; i < verts.size(); ++i)
        if (verts[i] < nV) vertices[verts[i]] += moves[i];
    DeleteVBO();
}

void CGeMesh::Smooth(std::vector<unsigned int> verts)
{
    Need_VertexNormals();
    Need_Neighbors();
    Need_Adjacentfaces();
    const unsigned nV = numVertices(), nF3 = numFace3();
    const bool withNormals = normals.size() == vertices.size();
    std::map<unsigned, CPoint3f> targets;
    for (unsigned v : verts) {
        if (v >= nV || targets.count(v)) continue;
        const CPoint3f& P = vertices[v];
        CPoint3f A;
        AveragePosition(v, A);
        // The average moved onto v's tangent plane.
        CPoint3f Q = A;
        if (withNormals) {
            const CVector3f& N = normals[v];
            Q = A - N * (N | (A - P));
        }
        float best = 3.4028233e21f;
        CPoint3f target = Q;
        for (int f : adjacentfaces[v]) {
            std::uint32_t a, b, c;
            if (unsigned(f) < nF3) {
                const SFacet3& t = faces3[std::size_t(f)];
                a = t[0], b = t[1], c = t[2];
            } else {
                const SFacet4& q = faces4[std::size_t(f) - nF3];
                // The triangle of the quad that holds v's corner.
                if (v == q[0]) a = q[0], b = q[1], c = q[3];
                else if (v == q[1]) a = q[1], b = q[2], c = q[0];
                else if (v == q[2]) a = q[2], b = q[3], c = q[0];
                else a = q[3], b = q[0], c = q[2];
            }
            if (a >= nV || b >= nV || c >= nV) continue;
            const CPoint3f &pa = vertices[a], &pb = vertices[b], &pc = vertices[c];
            const CVector3f e1 = pb - pa, e2 = pc - pa, w = Q - pa, m = e1 ^ e2;
            const float mm = m | m;
            if (!(mm > 0.0f)) continue;
            const float gamma = ((e1 ^ w) | m) / mm;
            const float beta = ((w ^ e2) | m) / mm;
            const float alpha = 1.0f - beta - gamma;
            auto within = [](float x) { return -0.0001f < x && x < 1.0001f; };
            if (!within(alpha) || !within(beta) || !within(gamma)) continue;
            const CPoint3f cand(pa.x * alpha + pb.x * beta + pc.x * gamma, pa.y * alpha + pb.y * beta + pc.y * gamma,
                                pa.z * alpha + pb.z * beta + pc.z * gamma);
            const float d2 = cand.DistFrom2(Q);
            if (d2 < best) best = d2, target = cand;
        }
        targets.emplace(v, target);
    }
    for (const auto& [v, p] : targets) vertices[v] = p;
    DeleteVBO();
}

void CGeMesh::Umbrella(float x, std::vector<unsigned int>& verts)
{
    if (neighbors.empty()) Need_Neighbors();
    if (adjacentfaces.empty()) Need_Adjacentfaces();
    const unsigned nV = numVertices();
    std::map<unsigned, CVector3f> moves;
    for (unsigned v : verts) {
        if (v >= nV || v >= neighbors.size() || neighbors[v].empty()) continue;
        CPoint3f A;
        AveragePosition(v, A);
        moves.emplace(v, A - vertices[v]);
    }
    for (const auto& [v, e] : moves) vertices[v] += e * x;
    DeleteVBO();
}

void CGeMesh::Draw(CPoint3f c, CVector3f dir, std::vector<unsigned int>& verts, float r)
{
    const float s = r * 0.05f;
    for (unsigned v : verts) {
        if (v >= numVertices()) continue;
        CPoint3f& P = vertices[v];
        P = P + dir * (SmoothFalloff(P, c, 0.0f, r) * s);
    }
    DeleteVBO();
}

void CGeMesh::Flatten(CPoint3f c, CPoint3f o, CVector3f n, std::vector<unsigned int>& verts, float r)
{
    Need_VertFlag(0);
    if (vertflags) vertflags->SetAll(false);
    const double origin[3] = {o.x, o.y, o.z}, normal[3] = {n.dx, n.dy, n.dz};
    for (unsigned v : verts) {
        if (v >= numVertices()) continue;
        CPoint3f& P = vertices[v];
        const double p[3] = {P.x, P.y, P.z};
        const double s = PLN_DistPntPlnSide(p, origin, normal);
        const float w = LinearFalloff(P, c, 0.0f, r) * 0.5f;
        const float g = w * float(std::max(s, 0.0));
        P = P - n * g;
    }
    DeleteVBO();
}

void CGeMesh::Pinch(CPoint3f c, std::vector<unsigned int>& verts, float r)
{
    for (unsigned v : verts) {
        if (v >= numVertices()) continue;
        CPoint3f& P = vertices[v];
        const CVector3f e = c - P;
        const float t = e.GetLength() / r;
        if (t <= 1.0f) P = P + e * (0.5f * (t - 1.0f) * (t - 1.0f));
    }
    CalcBox();
    DeleteVBO();
}

void CGeMesh::Grab(CPoint3f target, CPoint3f start, std::vector<unsigned int>& verts, float r)
{
    const CVector3f e = target - start;
    for (unsigned v : verts) {
        if (v >= numVertices()) continue;
        CPoint3f& P = vertices[v];
        P = P + e * LinearFalloff(P, start, 0.0f, r);
    }
    CalcBox();
    DeleteVBO();
}
