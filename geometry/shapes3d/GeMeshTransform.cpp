// The sixteen shape transforms applied to the mesh's vertices and normals.
#include "geometry/shapes3d/GeMesh.h"

#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Matrix44.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Triangle3D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes3d/MeshDetail.h"
#include "geometry/shapes3d/PointOps.h"

#include <utility>

using meshdetail::kParallelMin;
using meshdetail::Release;

namespace {

// Tolerance of the re-normalisation of mapped normals.
constexpr double kUnitTol = 1e-6;

inline double Det3(const double (*m)[4])
{
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// The normal through a linear vector map, made unit again.
template <class VectorMap>
auto UnitNormal(VectorMap map)
{
    return [map](const CVector3f& n) {
        double v[3] = {n.dx, n.dy, n.dz};
        map(v);
        V3D_Unit(v, kUnitTol);
        return CVector3f(float(v[0]), float(v[1]), float(v[2]));
    };
}

// The normal through a point map that is linear up to the image o of the origin.
template <class Map>
CVector3f MapNormalAffine(const CVector3f& n, Map map, const double* o)
{
    double v[3] = {n.dx, n.dy, n.dz};
    map(v);
    double r[3] = {v[0] - o[0], v[1] - o[1], v[2] - o[2]};
    return UnitNormal([](double*) {})(CVector3f{float(r[0]), float(r[1]), float(r[2])});
}

}  // namespace

template <class Map>
void CGeMesh::MapVertices(Map map, bool parallel)
{
    const long n = long(vertices.size());
#pragma omp parallel for schedule(static) if (parallel && n >= kParallelMin)
    for (long i = 0; i < n; ++i) {
        CPoint3f& v = vertices[std::size_t(i)];
        double p[3] = {v.x, v.y, v.z};
        map(p);
        v = CPoint3f(p);
    }
}

template <class Map>
void CGeMesh::MapNormals(Map map)
{
    for (std::vector<CVector3f>* list : {&normals, &facenormals}) {
        const long n = long(list->size());
#pragma omp parallel for schedule(static) if (n >= kParallelMin)
        for (long i = 0; i < n; ++i) {
            CVector3f& v = (*list)[std::size_t(i)];
            v = map(v);
        }
    }
}

void CGeMesh::RederiveNormals()
{
    if (!facenormals.empty()) Need_FaceNormal();
    if (!normals.empty()) {
        Release(normals);
        Need_VertexNormals();
    }
}

void CGeMesh::FlipFaces()
{
    for (SFacet3& f : faces3) std::swap(f[1], f[2]);
    for (SFacet4& q : faces4) std::swap(q[1], q[3]);
    // The neighbour lists follow the corner order.
    Clear_Neighbors();
}

void CGeMesh::Translate(double* v)
{
    const float ox = float(v[0]), oy = float(v[1]);
    const long n = long(vertices.size());
#pragma omp parallel for schedule(static) if (n >= kParallelMin)
    for (long i = 0; i < n; ++i) {
        vertices[std::size_t(i)].x += ox;
        vertices[std::size_t(i)].y += oy;
    }
    CGeSurf::Translate(v);
}

void CGeMesh::Translate3D(double* v)
{
    const CVector3f o{float(v[0]), float(v[1]), float(v[2])};
    const long n = long(vertices.size());
#pragma omp parallel for schedule(static) if (n >= kParallelMin)
    for (long i = 0; i < n; ++i) vertices[std::size_t(i)] += o;
    CGeSurf::Translate3D(v);
}

void CGeMesh::Rotate(double* centre, double angle)
{
    if (vertices.empty()) return;
    MapVertices(pointop::Rotate(centre, angle), true);
    MapNormals([angle](const CVector3f& n) {
        double v[2] = {n.dx, n.dy};
        V2D_Rot(angle, v, v);
        CVector3f r{float(v[0]), float(v[1]), n.dz};
        r.Normalize();
        return r;
    });
    CGeSurf::Rotate(centre, angle);
}

void CGeMesh::Rotate3D(double* point, double* axis, double angle)
{
    if (vertices.empty()) return;
    MapVertices(pointop::Rotate3D(point, axis, angle), true);
    MapNormals([=](const CVector3f& n) {
        double v[3] = {n.dx, n.dy, n.dz};
        V3D_Rotate(axis, point, angle, v, v);
        CVector3f r{float(v[0]), float(v[1]), float(v[2])};
        r.Normalize();
        return r;
    });
    CGeSurf::Rotate3D(point, axis, angle);
}

template <class Map, class Curves>
CGeShape3d* CGeMesh::Bend(Map map, Curves curves)
{
    if (vertices.empty()) return this;
    const bool hadBoundary = !m_listBndCurve.IsEmpty();
    MapVertices(map, true);
    RederiveNormals();
    curves();
    if (hadBoundary) {
        geDelCurve3dList(&m_listBndCurve);
        CreateBndCrv();
    }
    return this;
}

CGeShape3d* CGeMesh::Twist(double* point, double* axis, double angle)
{
    return Bend(pointop::Twist(point, axis, angle), [=, this] { CGeSurf::Twist(point, axis, angle); });
}

CGeShape3d* CGeMesh::Taper(double* point, double* axis, double angle)
{
    return Bend(pointop::Taper(point, axis, angle), [=, this] { CGeSurf::Taper(point, axis, angle); });
}

void CGeMesh::Mirror(double* p, double* q)
{
    if (vertices.empty()) return;
    auto map = pointop::Mirror(p, q);
    MapVertices(map, true);
    double o[3] = {0.0, 0.0, 0.0};
    map(o);
    o[2] = 0.0;
    MapNormals([&](const CVector3f& n) { return MapNormalAffine(n, map, o); });
    FlipFaces();
    CGeSurf::Mirror(p, q);
}

CGeShape3d* CGeMesh::Shear(double* base, double* factors)
{
    if (vertices.empty()) return this;
    MapVertices(pointop::Shear(base, factors), true);
    RederiveNormals();
    return CGeSurf::Shear(base, factors);
}

CGeShape3d* CGeMesh::Scale(double* centre, double* factors)
{
    if (vertices.empty()) return this;
    MapVertices(pointop::Scale(centre, factors), true);
    if (factors[0] * factors[1] < 0.0) FlipFaces();
    RederiveNormals();
    return CGeSurf::Scale(centre, factors);
}

CGeShape3d* CGeMesh::Scale3D(double* centre, double* factors)
{
    if (vertices.empty()) return this;
    MapVertices(pointop::Scale3D(centre, factors), true);
    if (factors[0] * factors[1] * factors[2] < 0.0) FlipFaces();
    RederiveNormals();
    return CGeSurf::Scale3D(centre, factors);
}

CGeShape3d* CGeMesh::Shear3D(double* point, double* dir, double* normal)
{
    if (vertices.empty()) return this;
    MapVertices(pointop::Shear3D(point, dir, normal), true);
    RederiveNormals();
    return CGeSurf::Shear3D(point, dir, normal);
}

void CGeMesh::Mirror3D(double* point, double* normal)
{
    if (vertices.empty()) return;
    auto map = pointop::Mirror3D(point, normal);
    MapVertices(map, false);
    double o[3] = {0.0, 0.0, 0.0};
    map(o);
    MapNormals([&](const CVector3f& n) { return MapNormalAffine(n, map, o); });
    FlipFaces();
    CGeSurf::Mirror3D(point, normal);
}

void CGeMesh::Transform(_rect_fm3d* frame)
{
    if (vertices.empty()) return;
    MapVertices(pointop::ToFrame(frame), false);
    MapNormals(UnitNormal([frame](double* v) { RF_TransWorldV3D(frame, v, v); }));
    CGeSurf::Transform(frame);
}

CGeShape3d* CGeMesh::Transform(double m[4][4], unsigned int flags)
{
    if (vertices.empty()) return this;
    MapVertices(pointop::Matrix44(m), false);
    const bool reflects = Det3(m) < 0.0;
    if (flags == 8) {
        MapNormals(UnitNormal([m](double* v) { MAT44_MultVec(v, v, m); }));
        if (reflects) FlipFaces();
    } else if (flags != 1) {
        if (reflects) FlipFaces();
        RederiveNormals();
    }
    return CGeSurf::Transform(m, flags);
}

CGeShape3d* CGeMesh::Transform(double m[3][3], unsigned int flags)
{
    if (vertices.empty()) return this;
    MapVertices(pointop::Matrix33(m), false);
    if (m[0][0] * m[1][1] - m[0][1] * m[1][0] < 0.0) FlipFaces();
    RederiveNormals();
    return CGeSurf::Transform(m, flags);
}

void CGeMesh::TransformLocal(_rect_fm3d* frame)
{
    if (vertices.empty()) return;
    MapVertices(pointop::FromFrame(frame), false);
    MapNormals(UnitNormal([frame](double* v) { RF_TransLocalV3D(frame, v, v); }));
    CGeSurf::TransformLocal(frame);
}
