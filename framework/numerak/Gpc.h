// The General Polygon Clipper interface: polygons as contour lists with hole
// flags, and the four Boolean operations between two polygons.
//
// The records are plain C structures whose arrays come from malloc; every
// polygon filled by these functions is released with gpc_free_polygon.
//
// Input polygons are read with the even-odd rule (a point is inside when it
// lies inside an odd number of contours); their hole flags are not read.
// Results hold outer contours counter-clockwise with hole flag 0 and holes
// clockwise with hole flag 1, each hole listed after the outer contour that
// holds it; a contour never repeats its first vertex at its end.
//
// The clipping itself runs on integer coordinates: every coordinate is
// multiplied by kGpcScale (1e6 per millimetre, so results are exact to a
// nanometre) and rounded. Coordinates whose scaled value does not fit the
// integer range (|x| above kGpcMaxCoord millimetres) or that are not finite
// make gpc_polygon_clip fail.
#pragma once

struct gpc_vertex {
    double x;
    double y;
};

struct gpc_vertex_list {
    int num_vertices;
    gpc_vertex* vertex;
};

struct gpc_polygon {
    int num_contours;
    int* hole;                 // one flag per contour: 1 for a hole
    gpc_vertex_list* contour;  // num_contours contours
};

enum gpc_op {
    GPC_DIFF,   // subject minus clip
    GPC_INT,    // intersection
    GPC_XOR,    // symmetric difference
    GPC_UNION,  // union
};

// Integer units per millimetre of the clipping.
inline constexpr double kGpcScale = 1e6;
// Largest absolute coordinate (millimetres) the clipping accepts: its scaled
// value stays well inside the clipper's 62-bit coordinate range.
inline constexpr double kGpcMaxCoord = 4e12;

// An empty polygon: no contours, null arrays. Nothing for null.
void gpc_init_polygon(gpc_polygon* polygon);
// Room for n contours, each empty (0 vertices) with hole flag 0. Whatever the
// polygon held before is not freed. 1 done; 0 for null, n < 0 or no memory
// (the polygon is then empty). n = 0 gives an empty polygon and 1.
int gpc_create_polygon(gpc_polygon* polygon, int n);
// Room for n vertices (values 0) in the contour. Whatever it held before is
// not freed. 1 done; 0 for null, n < 0 or no memory (the contour is then empty).
int gpc_create_vertex(gpc_vertex_list* contour, int n);
// result = subject op clip. result is overwritten without being freed (pass an
// initialised or freed polygon). 1 done; 0 for a null argument, a coordinate
// out of range or a failure of the clipper, with result left empty.
int gpc_polygon_clip(gpc_op op, gpc_polygon* subject, gpc_polygon* clip, gpc_polygon* result);
// Frees every array of the polygon and leaves it empty. Nothing for null.
void gpc_free_polygon(gpc_polygon* polygon);
