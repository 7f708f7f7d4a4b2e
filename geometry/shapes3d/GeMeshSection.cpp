// Plane sections of the mesh (iso curves) and the vertical projection onto it.
#include "geometry/shapes3d/GeMesh.h"

#include "framework/numerak/Box2D.h"
#include "framework/numerak/Triangle3D.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/MeshDetail.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPlaneTol = 0.005;  // corners this close to a section plane lie on it
constexpr double kRayLength = 100000.0;
constexpr double kRayTol = 1e-6;

// Calls tri(A, B, C) for every triangle, then for each quad's halves (q0, q1, q2) and
// (q2, q3, q0), with the corners widened to doubles.
template <class Tri>
void ForEachTriangle(const CGeMesh& mesh, Tri tri)
{
    const std::size_t nV = mesh.vertices.size();
    auto corner = [&](std::uint32_t i, double* out) {
        const CPoint3f& p = mesh.vertices[i];
        out[0] = p.x;
        out[1] = p.y;
        out[2] = p.z;
    };
    double a[3], b[3], c[3];
    for (const SFacet3& f : mesh.faces3) {
        if (f[0] >= nV || f[1] >= nV || f[2] >= nV) continue;
        corner(f[0], a), corner(f[1], b), corner(f[2], c);
        tri(a, b, c);
    }
    for (const SFacet4& q : mesh.faces4) {
        if (q[0] >= nV || q[1] >= nV || q[2] >= nV || q[3] >= nV) continue;
        corner(q[0], a), corner(q[1], b), corner(q[2], c);
        tri(a, b, c);
        corner(q[2], a), corner(q[3], b), corner(q[0], c);
        tri(a, b, c);
    }
}

}  // namespace

void CGeMesh::ComputerIsoCurve(int n)
{
    if (n <= 0) return;
    geDelCurve3dList(&m_listIsoCurve);
    CalcBox();
    BOX3<double> box;
    GetBox(&box);
    if (n < 2 || vertices.empty()) return;
    const double x0 = box.xmin, y0 = box.ymin;
    const double dx = std::fabs(box.xmax - box.xmin) / n, dy = std::fabs(box.ymax - box.ymin) / n;
    // Planes i = 1 ... n - 1 whose position may fall in [lo, hi]; the exact test follows.
    auto planeRange = [n](double lo, double hi, double origin, double step, int& first, int& last) {
        if (!(step > 0.0)) {
            first = 1, last = n - 1;
            return;
        }
        first = std::max(1, int(std::floor((lo - kPlaneTol - origin) / step)));
        last = std::min(n - 1, int(std::ceil((hi + kPlaneTol - origin) / step)));
    };
    CGeCurve3dList ySegments(10), xSegments(10);
    double seg[6];
    ForEachTriangle(*this, [&](const double* a, const double* b, const double* c) {
        const double xmin = std::min({a[0], b[0], c[0]}), xmax = std::max({a[0], b[0], c[0]});
        const double ymin = std::min({a[1], b[1], c[1]}), ymax = std::max({a[1], b[1], c[1]});
        int fy, ly, fx, lx;
        planeRange(ymin, ymax, y0, dy, fy, ly);
        planeRange(xmin, xmax, x0, dx, fx, lx);
        for (int i = std::min(fy, fx); i <= std::max(ly, lx); ++i) {
            const double yi = y0 + i * dy, xi = x0 + i * dx;
            // The box test allows the plane tolerance: a triangle whose edge lies within
            // it of the plane must still be asked, or the edge's section is lost.
            if (ymin - kPlaneTol <= yi && yi <= ymax + kPlaneTol && TRI3_IntYPlane(a, b, c, yi, kPlaneTol, seg) == 2)
                ySegments.AddTail(new CGeLine3d(seg, seg + 3));
            if (xmin - kPlaneTol <= xi && xi <= xmax + kPlaneTol && TRI3_IntXPlane(a, b, c, xi, kPlaneTol, seg) == 2)
                xSegments.AddTail(new CGeLine3d(seg, seg + 3));
        }
    });
    meshdetail::ChainToPolylines(ySegments, m_listIsoCurve);
    meshdetail::ChainToPolylines(xSegments, m_listIsoCurve);
}

bool CGeMesh::ProjectZ(tagPoint3f p, tagPoint3f& hit) const
{
    const double s[3] = {p.x, p.y, p.z};
    const double e[3] = {p.x, p.y, p.z + kRayLength};
    bool found = false;
    double best[3] = {0.0, 0.0, 0.0};
    double point[3];
    // The lowest hit: the first one in face order may lie above another face.
    ForEachTriangle(*this, [&](const double* a, const double* b, const double* c) {
        BOX2<double> box(std::min({a[0], b[0], c[0]}), std::min({a[1], b[1], c[1]}),
                         std::max({a[0], b[0], c[0]}), std::max({a[1], b[1], c[1]}));
        if (!BOX2D_IsPtIn(box, s, kRayTol)) return;
        if (TRI3_IntSegment(a, b, c, s, e, kRayTol, point) != 1) return;
        if (!found || point[2] < best[2]) {
            best[0] = point[0], best[1] = point[1], best[2] = point[2];
            found = true;
        }
    });
    if (!found) return false;
    hit.x = float(best[0]);
    hit.y = float(best[1]);
    hit.z = float(best[2]);
    return true;
}
