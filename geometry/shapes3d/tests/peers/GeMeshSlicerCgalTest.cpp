// Iso sections of the bunny against CGAL's Polygon_mesh_slicer on the same planes.
#include "geometry/shapes3d/GePolyline3d.h"
#include "testing/MeshPeers.h"

#include <CGAL/AABB_halfedge_graph_segment_primitive.h>
#include <CGAL/AABB_traits.h>
#include <CGAL/AABB_tree.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_slicer.h>
#include <CGAL/Surface_mesh.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using Surface = CGAL::Surface_mesh<K::Point_3>;

double SegmentDistance(const double* p, const double* a, const double* b)
{
    double ab[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, ap[3] = {p[0] - a[0], p[1] - a[1], p[2] - a[2]};
    double l2 = ab[0] * ab[0] + ab[1] * ab[1] + ab[2] * ab[2];
    double t = l2 > 0 ? std::clamp((ap[0] * ab[0] + ap[1] * ab[1] + ap[2] * ab[2]) / l2, 0.0, 1.0) : 0.0;
    double d[3] = {ap[0] - t * ab[0], ap[1] - t * ab[1], ap[2] - t * ab[2]};
    return std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}

// Largest distance of a point of `from` to the polylines of `to` (one-sided Hausdorff
// over the vertices; both sides are polylines through the facets' crossings).
double Directed(const std::vector<std::vector<std::array<double, 3>>>& from,
                const std::vector<std::vector<std::array<double, 3>>>& to)
{
    double worst = 0.0;
    for (const auto& line : from) {
        for (const auto& p : line) {
            double best = 1e300;
            for (const auto& other : to)
                for (std::size_t i = 0; i + 1 < other.size(); ++i)
                    best = std::min(best, SegmentDistance(p.data(), other[i].data(), other[i + 1].data()));
            worst = std::max(worst, best);
        }
    }
    return worst;
}

TEST(GeMeshSlicerCgal, BunnySectionsMatch)
{
    meshpeers::PolyMesh pm;
    ASSERT_TRUE(meshpeers::ReadScaled("bunny00.off", pm));
    CGeMesh mesh;
    meshpeers::ToGeMesh(pm, mesh);
    Surface sm;
    std::vector<Surface::Vertex_index> vs;
    for (const CPoint3f& p : mesh.vertices) vs.push_back(sm.add_vertex(K::Point_3(p.x, p.y, p.z)));
    for (const SFacet3& f : mesh.faces3) sm.add_face(vs[f[0]], vs[f[1]], vs[f[2]]);
    CGAL::Polygon_mesh_slicer<Surface, K> slicer(sm);

    const int n = 20;
    mesh.ComputerIsoCurve(n);
    BOX3<double> box;
    mesh.GetBox(&box);
    // Our polylines by plane: each lies in one plane x = const or y = const.
    using Lines = std::vector<std::vector<std::array<double, 3>>>;
    std::map<std::pair<int, int>, Lines> ours;
    int k = 0;
    bool xSeen = false;
    for (CGeCurve3d* c : mesh.m_listIsoCurve) {
        auto* pl = dynamic_cast<CGePolyline3d*>(c);
        ASSERT_TRUE(pl);
        const double* first = pl->GetCtrlPt()[0];
        const double* second = pl->GetCtrlPt()[1];
        int axis = std::fabs(first[1] - second[1]) < std::fabs(first[0] - second[0]) ? 1 : 0;
        double origin = axis == 1 ? box.ymin : box.xmin, step = (axis == 1 ? box.ymax - box.ymin : box.xmax - box.xmin) / n;
        int i = int(std::lround((first[axis] - origin) / step));
        Lines& lines = ours[{axis, i}];
        lines.emplace_back();
        for (int j = 0; j < pl->GetCount(); ++j)
            lines.back().push_back({pl->GetCtrlPt()[j][0], pl->GetCtrlPt()[j][1], pl->GetCtrlPt()[j][2]});
        EXPECT_FALSE(axis == 1 && xSeen) << "polyline " << k << ": y sections come first";
        xSeen = xSeen || axis == 0;
        ++k;
    }
    ASSERT_GT(k, 0);
    for (int axis : {1, 0}) {
        for (int i = 1; i < n; ++i) {
            double origin = axis == 1 ? box.ymin : box.xmin;
            double step = (axis == 1 ? box.ymax - box.ymin : box.xmax - box.xmin) / n;
            double at = origin + i * step;
            std::vector<std::vector<K::Point_3>> peer;
            slicer(K::Plane_3(axis == 0 ? 1 : 0, axis == 1 ? 1 : 0, 0, -at), std::back_inserter(peer));
            Lines theirs;
            for (const auto& line : peer) {
                theirs.emplace_back();
                for (const auto& p : line) theirs.back().push_back({p.x(), p.y(), p.z()});
            }
            const Lines& mine = ours[{axis, i}];
            ASSERT_EQ(mine.empty(), theirs.empty()) << "axis " << axis << " plane " << i;
            double h = std::max(Directed(mine, theirs), Directed(theirs, mine));
            // The count may differ: where a plane passes a vertex closer than the chaining
            // tolerance, sections of a few hundredths stay apart from the chain they lie on.
            EXPECT_LT(h, 0.02) << "axis " << axis << " plane " << i;
        }
    }
}

}  // namespace
