#include "framework/numerak/Gpc.h"

#include <polyclipping/clipper.hpp>

#include <cmath>
#include <cstdlib>
#include <exception>
#include <new>

namespace {

namespace cl = ClipperLib;

static_assert(kGpcMaxCoord * kGpcScale < static_cast<double>(cl::hiRange),
              "the accepted coordinates must fit the clipper's integer range");

bool ToInteger(double v, cl::cInt& out)
{
    if (!std::isfinite(v) || std::fabs(v) > kGpcMaxCoord) return false;
    out = static_cast<cl::cInt>(std::llround(v * kGpcScale));
    return true;
}

// The polygon's contours as integer paths; false for a coordinate out of range.
bool ToPaths(const gpc_polygon& polygon, cl::Paths& paths)
{
    if (polygon.num_contours <= 0 || !polygon.contour) return true;
    paths.reserve(static_cast<size_t>(polygon.num_contours));
    for (int c = 0; c < polygon.num_contours; ++c) {
        const gpc_vertex_list& list = polygon.contour[c];
        if (list.num_vertices < 3 || !list.vertex) continue;  // encloses nothing
        cl::Path path;
        path.reserve(static_cast<size_t>(list.num_vertices));
        for (int i = 0; i < list.num_vertices; ++i) {
            cl::IntPoint p;
            if (!ToInteger(list.vertex[i].x, p.X) || !ToInteger(list.vertex[i].y, p.Y)) return false;
            path.push_back(p);
        }
        paths.push_back(std::move(path));
    }
    return true;
}

void CountContours(const cl::PolyNode& node, int& count)
{
    for (const cl::PolyNode* child : node.Childs) {
        if (!child->IsOpen() && child->Contour.size() >= 3) ++count;
        CountContours(*child, count);
    }
}

// Each outer contour, then its holes, then the islands inside those holes.
void EmitContours(const cl::PolyNode& node, gpc_polygon& result, int& next)
{
    for (const cl::PolyNode* child : node.Childs) {
        if (child->IsOpen() || child->Contour.size() < 3) continue;
        gpc_vertex_list& list = result.contour[next];
        const int n = static_cast<int>(child->Contour.size());
        if (!gpc_create_vertex(&list, n)) throw std::bad_alloc();
        for (int i = 0; i < n; ++i) {
            list.vertex[i].x = static_cast<double>(child->Contour[static_cast<size_t>(i)].X) / kGpcScale;
            list.vertex[i].y = static_cast<double>(child->Contour[static_cast<size_t>(i)].Y) / kGpcScale;
        }
        result.hole[next] = child->IsHole() ? 1 : 0;
        ++next;
    }
    for (const cl::PolyNode* child : node.Childs) EmitContours(*child, result, next);
}

cl::ClipType ToClipType(gpc_op op)
{
    switch (op) {
    case GPC_DIFF: return cl::ctDifference;
    case GPC_INT: return cl::ctIntersection;
    case GPC_XOR: return cl::ctXor;
    case GPC_UNION: break;
    }
    return cl::ctUnion;
}

}  // namespace

void gpc_init_polygon(gpc_polygon* polygon)
{
    if (!polygon) return;
    polygon->num_contours = 0;
    polygon->hole = nullptr;
    polygon->contour = nullptr;
}

int gpc_create_polygon(gpc_polygon* polygon, int n)
{
    if (!polygon) return 0;
    gpc_init_polygon(polygon);
    if (n < 0) return 0;
    if (n == 0) return 1;
    auto* hole = static_cast<int*>(std::calloc(static_cast<size_t>(n), sizeof(int)));
    auto* contour = static_cast<gpc_vertex_list*>(std::calloc(static_cast<size_t>(n), sizeof(gpc_vertex_list)));
    if (!hole || !contour) {
        std::free(hole);
        std::free(contour);
        return 0;
    }
    polygon->num_contours = n;
    polygon->hole = hole;
    polygon->contour = contour;
    return 1;
}

int gpc_create_vertex(gpc_vertex_list* contour, int n)
{
    if (!contour) return 0;
    contour->num_vertices = 0;
    contour->vertex = nullptr;
    if (n < 0) return 0;
    if (n == 0) return 1;
    auto* vertex = static_cast<gpc_vertex*>(std::calloc(static_cast<size_t>(n), sizeof(gpc_vertex)));
    if (!vertex) return 0;
    contour->num_vertices = n;
    contour->vertex = vertex;
    return 1;
}

void gpc_free_polygon(gpc_polygon* polygon)
{
    if (!polygon) return;
    if (polygon->contour)
        for (int c = 0; c < polygon->num_contours; ++c) std::free(polygon->contour[c].vertex);
    std::free(polygon->contour);
    std::free(polygon->hole);
    gpc_init_polygon(polygon);
}

int gpc_polygon_clip(gpc_op op, gpc_polygon* subject, gpc_polygon* clip, gpc_polygon* result)
{
    if (!result) return 0;
    gpc_init_polygon(result);
    if (!subject || !clip) return 0;
    try {
        cl::Paths subjectPaths, clipPaths;
        if (!ToPaths(*subject, subjectPaths) || !ToPaths(*clip, clipPaths)) return 0;
        // Nothing encloses anything: the clipper would report a failure.
        if (subjectPaths.empty() && clipPaths.empty()) return 1;
        cl::Clipper clipper;
        clipper.AddPaths(subjectPaths, cl::ptSubject, true);
        clipper.AddPaths(clipPaths, cl::ptClip, true);
        cl::PolyTree tree;
        if (!clipper.Execute(ToClipType(op), tree, cl::pftEvenOdd, cl::pftEvenOdd)) return 0;
        int count = 0;
        CountContours(tree, count);
        if (!gpc_create_polygon(result, count)) return 0;
        int next = 0;
        EmitContours(tree, *result, next);
        return 1;
    } catch (const std::exception&) {
        // The clipper reports bad input and memory exhaustion by exceptions;
        // they stop here and the result stays empty.
        gpc_free_polygon(result);
        return 0;
    }
}
