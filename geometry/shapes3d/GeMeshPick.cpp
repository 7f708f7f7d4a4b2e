// Ray and box picking of a mesh and the screen-space data of brushes and selections:
// window positions of the vertices, window boxes of the faces and their quad tree.
#include "geometry/shapes3d/GeMesh.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"
#include "framework/looker/MemPool.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/Triangle2D.h"
#include "geometry/shapes3d/MeshDetail.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr int kModeShaded = 20;
constexpr int kModeCurves = 21;
constexpr int kModePoints = 22;
// Faces whose ray-frame box misses the ray by more than this (or the aperture, when
// larger) are not tested exactly.
constexpr double kPickPrefilter = 0.1;
// The ray-frame transform is a few operations per vertex and the face loop after it is
// serial: threads pay for their start only on very large meshes.
constexpr long kPickParallelMin = 1L << 18;

// Whether the corners' xy box, grown by margin, misses the origin.
bool MissesRay(const double (*pts)[3], const std::uint32_t* corners, int n, double margin)
{
    double xmin = pts[corners[0]][0], xmax = xmin, ymin = pts[corners[0]][1], ymax = ymin;
    for (int k = 1; k < n; ++k) {
        const double* p = pts[corners[k]];
        xmin = std::min(xmin, p[0]), xmax = std::max(xmax, p[0]);
        ymin = std::min(ymin, p[1]), ymax = std::max(ymax, p[1]);
    }
    return xmin > margin || xmax + margin < 0.0 || ymin > margin || ymax + margin < 0.0;
}

// A window coordinate held in 16 bits: far-off vertices are pinned to the range's ends
// instead of wrapping round into the view.
std::int16_t Clamp16(double v)
{
    return static_cast<std::int16_t>(std::clamp(v, double(std::numeric_limits<std::int16_t>::min()),
                                                 double(std::numeric_limits<std::int16_t>::max())));
}

// Column-major 4 x 4 matrix times a 4-vector.
void MultMatrixVec4(const double* m, const double* in, double* out)
{
    for (int r = 0; r < 4; ++r) out[r] = m[r] * in[0] + m[4 + r] * in[1] + m[8 + r] * in[2] + m[12 + r] * in[3];
}

// Window coordinates of a point as gluProject gives them; false when w is 0.
bool ProjectToScreen(const double* p, const double* modelview, const double* projection, const GLint* viewport,
                     double* win)
{
    const double in[4] = {p[0], p[1], p[2], 1.0};
    double eye[4], clip[4];
    MultMatrixVec4(modelview, in, eye);
    MultMatrixVec4(projection, eye, clip);
    if (clip[3] == 0.0) return false;
    win[0] = viewport[0] + viewport[2] * (clip[0] / clip[3] + 1.0) / 2.0;
    win[1] = viewport[1] + viewport[3] * (clip[1] / clip[3] + 1.0) / 2.0;
    return true;
}

// The current viewport and matrices; false (nothing read) for an invalid viewport.
struct Projection {
    GLint viewport[4] = {-1, -1, -1, -1};
    double modelview[16];
    double projection[16];

    bool Read()
    {
        glGetIntegerv(GL_VIEWPORT, viewport);
        if (viewport[0] < 0 && viewport[1] < 0 && viewport[2] < 0 && viewport[3] < 0) return false;
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        return true;
    }

    // The window entry of a vertex: x right, y down from the viewport's top edge.
    void Project(const CPoint3f& v, bool withGlu, SScreenPoint& out) const
    {
        const double p[3] = {v.x, v.y, v.z};
        double win[3] = {0.0, 0.0, 0.0};
        bool ok;
        if (withGlu)
            ok = gluProject(p[0], p[1], p[2], modelview, projection, viewport, &win[0], &win[1], &win[2]) == GL_TRUE;
        else
            ok = ProjectToScreen(p, modelview, projection, viewport, win);
        if (!ok || !std::isfinite(win[0]) || !std::isfinite(win[1])) return;
        out.x = Clamp16(std::trunc(win[0]));
        out.y = Clamp16(double(viewport[3]) - std::trunc(win[1]));
    }
};

}  // namespace

int CGeMesh::FacetCalZDepth(double (*points)[3], unsigned int* const corners, double* const weights, double* z,
                            double* u, double* v)
{
    if (points == nullptr) return 0;
    const bool uv = !uvcoords.empty();
    double zs = 0.0, us = 0.0, vs = 0.0;
    for (int k = 0; k < 3; ++k) {
        const double* p = points[corners[k]];
        zs += weights[k] * p[2];
        if (uv && corners[k] < uvcoords.size()) {
            us += weights[k] * uvcoords[corners[k]].u;
            vs += weights[k] * uvcoords[corners[k]].v;
        } else if (!uv) {
            us += weights[k] * p[0];
            vs += weights[k] * p[1];
        }
    }
    *z = zs, *u = us, *v = vs;
    return 1;
}

int CGeMesh::Pick(CPickRay& ray, int filter)
{
    if (filter && (GetType() & ray.m_nTypeMask) == 0) return 0;
    const CLooker* looker = gGetLooker();
    if (looker == nullptr) return 0;
    if (ray.m_b2D || looker->GetSrfShowMode() == kModeCurves) return CGeSurf::Pick(ray, filter);
    if (vertices.empty()) return 0;
    double axisX[3], axisY[3];
    if (!V3D_GetXYFromZ(ray.m_dir, axisX, axisY)) return 0;
    const std::size_t bytes = vertices.size() * 3 * sizeof(double);
    if (bytes > std::size_t(std::numeric_limits<int>::max())) return 0;
    auto* pts = static_cast<double(*)[3]>(gAlcMemPool(int(bytes)));
    if (pts == nullptr) {
        // The pool counts a failed request too.
        gFreMemPool();
        return 0;
    }
    const long nV = long(vertices.size());
    const double* o = ray.m_pt;
    const double* dir = ray.m_dir;
#pragma omp parallel for schedule(static) if (nV >= kPickParallelMin)
    for (long i = 0; i < nV; ++i) {
        const CPoint3f& p = vertices[std::size_t(i)];
        const double d[3] = {double(p.x) - o[0], double(p.y) - o[1], double(p.z) - o[2]};
        pts[i][0] = d[0] * axisX[0] + d[1] * axisX[1] + d[2] * axisX[2];
        pts[i][1] = d[0] * axisY[0] + d[1] * axisY[1] + d[2] * axisY[2];
        pts[i][2] = d[0] * dir[0] + d[1] * dir[1] + d[2] * dir[2];
    }
    // The prefilter must not reject faces the aperture would still take.
    const double margin = std::max(kPickPrefilter, ray.m_dAperture);
    const std::uint32_t nVertices = numVertices();
    int best = -1;
    // One triangle of corners: a hit nearer than the depth so far takes the ray.
    auto test = [&](unsigned int* corners, int face) {
        if (corners[0] >= nVertices || corners[1] >= nVertices || corners[2] >= nVertices) return;
        double w[3];
        if (TRI2_ChkOriInTri2DEx(pts[corners[0]], pts[corners[1]], pts[corners[2]], ray.m_dAperture, w) != 0) return;
        double z, u, v;
        FacetCalZDepth(pts, corners, w, &z, &u, &v);
        if (ray.m_dDepth > z) {
            ray.m_dDepth = z, ray.m_dParam = u, ray.m_dParam2 = v;
            best = face;
        }
    };
    const unsigned nF3 = numFace3();
    for (unsigned i = 0; i < nF3; ++i) {
        unsigned int c[3] = {faces3[i][0], faces3[i][1], faces3[i][2]};
        if (c[0] >= nVertices || c[1] >= nVertices || c[2] >= nVertices) continue;
        if (MissesRay(pts, c, 3, margin)) continue;
        test(c, int(i));
    }
    for (unsigned j = 0; j < numFace4(); ++j) {
        const SFacet4& q = faces4[j];
        unsigned int c[4] = {q[0], q[1], q[2], q[3]};
        if (c[0] >= nVertices || c[1] >= nVertices || c[2] >= nVertices || c[3] >= nVertices) continue;
        if (MissesRay(pts, c, 4, margin)) continue;
        unsigned int first[3] = {c[0], c[1], c[2]}, second[3] = {c[2], c[3], c[0]};
        test(first, int(nF3 + j));
        test(second, int(nF3 + j));
    }
    gFreMemPool();
    if (best < 0) return 0;
    ray.m_nSeg = best;
    return 1;
}

int CGeMesh::PickBox(_rect_fm3d* frame, BOX2<double>* box)
{
    if (frame == nullptr || box == nullptr) return 0;
    const CLooker* looker = gGetLooker();
    const int mode = looker != nullptr ? looker->GetSrfShowMode() : kModeShaded;
    if (mode == kModeCurves) return CGeSurf::PickBox(frame, box);
    if (mode != kModeShaded && mode != kModePoints) return 0;
    for (const CPoint3f& v : vertices) {
        const double p[3] = {v.x, v.y, v.z};
        double q[3];
        RF_TransWorldP3D(frame, p, q);
        if (P2D_IsInBox2D(box, q, 1e-6) == 0) return 1;
    }
    return 0;
}

BOX2<short int> CGeMesh::WindowBoxOf(unsigned face) const
{
    const unsigned nF3 = numFace3();
    const std::uint32_t* corners = face < nF3 ? &faces3[face][0] : &faces4[face - nF3][0];
    const int n = face < nF3 ? 3 : 4;
    BOX2<short int> b;
    bool first = true;
    for (int k = 0; k < n; ++k) {
        if (corners[k] >= screenpoints.size()) continue;
        const SScreenPoint& s = screenpoints[corners[k]];
        if (first) {
            b.xmin = b.xmax = s.x, b.ymin = b.ymax = s.y;
            first = false;
        } else {
            b.xmin = std::min(b.xmin, s.x), b.xmax = std::max(b.xmax, s.x);
            b.ymin = std::min(b.ymin, s.y), b.ymax = std::max(b.ymax, s.y);
        }
    }
    if (first) b.xmin = b.xmax = b.ymin = b.ymax = 0;
    return b;
}

void CGeMesh::ComputeScreenPoints(bool withGlu)
{
    if (vertices.empty() || !screenpoints.empty()) return;
    COpenGLDC* dc = gGetOpenGLDC();
    if (dc == nullptr || !dc->MakeCurrent(1)) return;
    Projection proj;
    if (!proj.Read()) {
        dc->MakeCurrent(0);
        return;
    }
    screenpoints.assign(vertices.size(), SScreenPoint{});
    const long nV = long(vertices.size());
#pragma omp parallel for schedule(static) if (nV >= meshdetail::kParallelMin)
    for (long i = 0; i < nV; ++i) proj.Project(vertices[std::size_t(i)], withGlu, screenpoints[std::size_t(i)]);
    dc->MakeCurrent(0);
    faceboxes.assign(numFace(), BOX2<short int>{});
    const long nF = long(numFace());
#pragma omp parallel for schedule(static) if (nF >= meshdetail::kParallelMin)
    for (long f = 0; f < nF; ++f) faceboxes[std::size_t(f)] = WindowBoxOf(unsigned(f));
    if (!quadtree) {
        int w = 0, h = 0;
        dc->m_Camera.get_screen_size(w, h);
        BOX2<short int> view;
        view.xmin = 0, view.ymin = 0;
        view.xmax = static_cast<short int>(w), view.ymax = static_cast<short int>(h);
        quadtree = std::make_unique<CQuadTree>();
        quadtree->create(this, view);
    }
}

void CGeMesh::GetScreenPoint() { ComputeScreenPoints(true); }

void CGeMesh::GetScreenPointEx() { ComputeScreenPoints(false); }

void CGeMesh::UpdateScreenPoint(std::vector<unsigned int>& verts)
{
    COpenGLDC* dc = gGetOpenGLDC();
    if (dc == nullptr || !dc->MakeCurrent(1)) return;
    Projection proj;
    if (proj.Read()) {
        for (unsigned v : verts)
            if (v < vertices.size() && v < screenpoints.size()) proj.Project(vertices[v], true, screenpoints[v]);
    }
    dc->MakeCurrent(0);
}

void CGeMesh::UpdateEffectedFaceBox(std::vector<unsigned int>& faces)
{
    const unsigned nF = numFace();
    for (unsigned f : faces)
        if (f < nF && f < faceboxes.size()) faceboxes[f] = WindowBoxOf(f);
}

void CGeMesh::GetEffectedFacet(BOX2<short int> box, std::vector<unsigned int>& faces)
{
    if (vertices.empty()) return;
    GetScreenPoint();
    if (faces.capacity() < 300) faces.reserve(300);
    if (!quadtree) return;
    CResultData result;
    result.facets.reserve(300);
    quadtree->findInBox(box, result);
    faces.insert(faces.end(), result.facets.begin(), result.facets.end());
}

void CGeMesh::GetEffectedVert(std::vector<unsigned int>& faces, CPoint3f centre, double limit,
                              std::vector<unsigned int>& verts)
{
    COpenGLDC* dc = gGetOpenGLDC();
    if (dc == nullptr || vertices.empty()) return;
    double dir[3];
    dc->m_Camera.get_viewdirection(dir);
    CVector3f viewer(float(-dir[0]), float(-dir[1]), float(-dir[2]));
    viewer.Normalize();
    verts.reserve(verts.size() + 3 * faces.size());
    // A set made here starts with every flag up; both ways start cleared.
    Need_VertFlag(0);
    if (!vertflags) return;
    vertflags->SetAll(false);
    const unsigned nF3 = numFace3(), nF = numFace();
    constexpr double kHalfPi = 1.5707963267948966;
    for (unsigned f : faces) {
        if (f >= nF) continue;
        CVector3f n;
        FaceNormal(f, n);
        if (_AngleBetween(viewer, n) > kHalfPi) continue;
        const std::uint32_t* corners = f < nF3 ? &faces3[f][0] : &faces4[f - nF3][0];
        for (int k = 0; k < (f < nF3 ? 3 : 4); ++k) vertflags->SetBit(int(corners[k]), true);
    }
    const int nV = int(vertices.size());
    for (int v = 0; v < nV; ++v)
        if (vertflags->IsTrue(v) && vertices[std::size_t(v)].DistFrom2(centre) < limit) verts.push_back(unsigned(v));
}
