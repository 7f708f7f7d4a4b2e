// Meshes of the CGAL data archive (scaled to 100 mm) sampled into height grids against
// vertical rays shot down through CGAL's AABB tree, and glyph meshes of the canvas
// checked as closed-bordered polygon meshes by CGAL.
#include "geometry/relief/GeCanvas.h"
#include "geometry/relief/GeRelief.h"
#include "geometry/relief/MeshSampling.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes3d/GeMesh.h"
#include "testing/GlyphLoops.h"

#include <CGAL/AABB_face_graph_triangle_primitive.h>
#include <CGAL/AABB_traits.h>
#include <CGAL/AABB_tree.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_processing/border.h>
#include <CGAL/Polygon_mesh_processing/polygon_soup_to_polygon_mesh.h>
#include <CGAL/Polygon_mesh_processing/shape_predicates.h>
#include <CGAL/Polygon_mesh_processing/triangulate_faces.h>
#include <CGAL/Surface_mesh.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using Point = K::Point_3;
using SurfaceMesh = CGAL::Surface_mesh<Point>;
using Primitive = CGAL::AABB_face_graph_triangle_primitive<SurfaceMesh>;
using Tree = CGAL::AABB_tree<CGAL::AABB_traits<K, Primitive>>;
namespace PMP = CGAL::Polygon_mesh_processing;

// The archive's mesh scaled about its box centre to a largest extent of 100 mm and
// rounded to floats (as our meshes hold it), triangulated, in both forms.
bool ReadScaled(const std::string& name, SurfaceMesh& sm, CGeMesh& ours)
{
    if (!CGAL::IO::read_polygon_mesh(std::string(KORVEL_CGAL_MESHES) + "/" + name, sm) || sm.is_empty()) return false;
    PMP::triangulate_faces(sm);
    const CGAL::Bbox_3 b = CGAL::bbox_3(sm.points().begin(), sm.points().end());
    const double size = std::max({b.xmax() - b.xmin(), b.ymax() - b.ymin(), b.zmax() - b.zmin()});
    const double cx = (b.xmin() + b.xmax()) / 2, cy = (b.ymin() + b.ymax()) / 2, cz = (b.zmin() + b.zmax()) / 2;
    for (auto v : sm.vertices()) {
        const Point& p = sm.point(v);
        const float x = static_cast<float>((p.x() - cx) * 100.0 / size), y = static_cast<float>((p.y() - cy) * 100.0 / size),
                    z = static_cast<float>((p.z() - cz) * 100.0 / size);
        sm.point(v) = Point(x, y, z);
        ours.vertices.emplace_back(x, y, z);
    }
    for (auto f : sm.faces()) {
        int c[3], k = 0;
        for (auto v : CGAL::vertices_around_face(sm.halfedge(f), sm)) c[k++] = static_cast<int>(v.idx());
        ours.faces3.emplace_back(c[0], c[1], c[2]);
    }
    ours.CalcBox();
    return true;
}

// The highest point of the mesh over (x, y), from a ray shot down from above it.
std::optional<double> TopAt(const Tree& tree, double x, double y, double above)
{
    const K::Ray_3 ray(Point(x, y, above), K::Direction_3(0, 0, -1));
    double best = -1e300;
    bool any = false;
    std::vector<Tree::Intersection_and_primitive_id<K::Ray_3>::Type> hits;
    tree.all_intersections(ray, std::back_inserter(hits));
    for (const auto& h : hits)
        if (const Point* p = boost::get<Point>(&h.first)) {
            best = std::max(best, p->z());
            any = true;
        } else if (const K::Segment_3* s = boost::get<K::Segment_3>(&h.first)) {
            best = std::max({best, s->source().z(), s->target().z()});
            any = true;
        }
    if (!any) return std::nullopt;
    return best;
}

}  // namespace

TEST(MeshSamplingPeerTest, SamplersMatchVerticalRaysOfAnAabbTreeOffSilhouettes)
{
    for (const char* name : {"armadillo.off", "fandisk.off", "elephant.off"}) {
        SurfaceMesh sm;
        auto ours = std::make_unique<CGeMesh>();
        ASSERT_TRUE(ReadScaled(name, sm, *ours)) << name;
        Tree tree(faces(sm).first, faces(sm).second, sm);
        tree.accelerate_distance_queries();
        CTypedPtrList<CObList, CGeMesh*> list;
        list.AddTail(ours.get());
        const float step = 0.5f, margin = 1.0f;
        std::unique_ptr<CTGrid<float>> lin(geGetGridSrf(list, step, step, margin));
        std::unique_ptr<CTGrid<float>> ray(geGetFloatGridSrf(list, step, step, margin));
        std::unique_ptr<CGeRelief> env(geMeshList2Relief(list, step, margin));
        ASSERT_TRUE(lin && ray && env) << name;
        const double above = ours->m_box.zmax + 10.0;
        // Off silhouettes: the surface varies by less than the tolerance within the
        // samplers' slack (and a little more) around the point.
        const double tol = 1e-4, reach = 3e-4;
        int compared = 0, hits = 0;
        for (int r = 0; r < ray->ny; ++r)
            for (int c = 0; c < ray->nx; ++c) {
                const double x = ray->xs[static_cast<size_t>(c)], y = ray->ys[static_cast<size_t>(r)];
                const std::optional<double> top = TopAt(tree, x, y, above);
                bool steady = true;
                for (const auto& [ox, oy] : {std::pair{reach, 0.0}, {-reach, 0.0}, {0.0, reach}, {0.0, -reach}}) {
                    const std::optional<double> near = TopAt(tree, x + ox, y + oy, above);
                    steady = steady && near.has_value() == top.has_value() && (!top || std::fabs(*near - *top) < tol);
                }
                if (!steady) continue;
                ++compared;
                hits += top.has_value();
                const double want = top.value_or(ray->origin[2]);
                ASSERT_NEAR(ray->rows[r][c], want, tol) << name << " rays at " << x << ", " << y;
                ASSERT_NEAR(lin->rows[r][c], std::max(top.value_or(0.0), 0.0), tol) << name << " sections at " << x << ", " << y;
                // The relief grid has the same nodes up to its own node count.
                if (static_cast<unsigned>(c) < env->nx && static_cast<unsigned>(r) < env->ny) {
                    ASSERT_NEAR(env->GetZHeight(c, r), want, tol) << name << " envelope at " << x << ", " << y;
                }
            }
        EXPECT_GT(hits, 1000) << name;
        EXPECT_GT(compared, ray->nx * ray->ny / 2) << name;
    }
}

// Glyph regions meshed over a sloped canvas: CGAL builds a polygon mesh from the faces,
// finds no degenerate face, and one border cycle per loop.
TEST(MeshSamplingPeerTest, GlyphMeshesAreCleanPolygonMeshesForCgal)
{
    glyphs::GlyphReader font;
    ASSERT_TRUE(font.Ok());
    auto canvas = std::make_unique<CGeCanvas>();
    float origin[2] = {-2.0f, -4.0f};
    ASSERT_EQ(canvas->CreateMini(origin, 0.1f, 700, 200), 1);
    for (std::uint32_t j = 0; j < canvas->ny; ++j)
        for (std::uint32_t i = 0; i < canvas->nx; ++i)
            canvas->heights[j][i] = static_cast<float>(1.0 + 0.05 * canvas->xs[i] + std::sin(canvas->ys[j]));
    for (const char* text : {"8", "%", "&", "Korvel"}) {
        CTypedPtrList<CObList, CGeLoop*> loops;
        const int made = glyphs::GlyphLineLoops(font, text, 12.0, 0.0, loops);
        std::unique_ptr<CGeMesh> m(canvas->ToMesh(&loops, 0.01));
        while (!loops.IsEmpty()) delete loops.RemoveHead();
        ASSERT_NE(m, nullptr) << text;
        std::vector<Point> points;
        for (const CPoint3f& v : m->vertices) points.emplace_back(v.x, v.y, v.z);
        std::vector<std::vector<std::size_t>> polygons;
        for (const SFacet3& f : m->faces3) polygons.push_back({f[0], f[1], f[2]});
        for (const SFacet4& q : m->faces4) polygons.push_back({q[0], q[1], q[2], q[3]});
        ASSERT_TRUE(PMP::is_polygon_soup_a_polygon_mesh(polygons)) << text;
        SurfaceMesh sm;
        PMP::polygon_soup_to_polygon_mesh(points, polygons, sm);
        EXPECT_TRUE(sm.is_valid(false)) << text;
        std::vector<SurfaceMesh::Halfedge_index> cycles;
        PMP::extract_boundary_cycles(sm, std::back_inserter(cycles));
        EXPECT_EQ(static_cast<int>(cycles.size()), made) << text;
        PMP::triangulate_faces(sm);
        for (auto f : sm.faces()) ASSERT_FALSE(PMP::is_degenerate_triangle_face(f, sm)) << text;
    }
}
