// Meshes and NURBS surfaces turned into relief data: the upper envelope of triangle
// meshes sampled into height grids (on the processor by column sections or vertical
// rays, on the graphics card by a depth read-back, or in parallel into a relief grid),
// and a NURBS surface tessellated into a mesh. Every result is a new object owned by
// the caller; null entries of a mesh list are skipped. Triangles and quads are
// sampled (each quad as the triangles (0, 1, 2) and (0, 2, 3)).
//
// Grid points are node (c, r) at origin + (c·dx, r·dy); a count whose quotient lies
// within 1e-4 of a whole number is rounded to it, so that a box a whole number of
// steps wide keeps its last node. Non-positive or non-finite steps, an empty list or
// box, or a grid past 2^31 heights give null.
#pragma once

#include "geometry/relief/TGrid.h"
#include "platform/core/ObList.h"

class CGeMesh;
class CGeRelief;
struct _nurbs_surface;

// Heights linear along the column sections of the triangles; every height starts at
// 0 (nothing below z = 0 shows). The box is the union of the meshes' stored boxes,
// widened by the margin in x and y.
CTGrid<float>* geGetGridSrf(CTypedPtrList<CObList, CGeMesh*>& meshes, float dx, float dy, float margin);
// The highest hit of a vertical ray through every grid point; heights start at the
// lowest z of the meshes' box inflated by the margin (also its base z, origin[2]).
CTGrid<float>* geGetFloatGridSrf(CTypedPtrList<CObList, CGeMesh*>& meshes, float dx, float dy, float margin);
// The same envelope rendered from above into a depth buffer with one pixel per grid
// point (no margin). Null also without an OpenGL device context that offers framebuffer
// and pixel-pack buffers, or when the framebuffer is incomplete.
CTGrid<float>* geGetFloatGridSrfGL(CTypedPtrList<CObList, CGeMesh*>& meshes, float dx, float dy);
// The envelope in a relief grid over the meshes' box inflated by the margin, one
// parallel loop over the triangles of each mesh (the shared cell maximum is exact and
// independent of thread timing); heights start at the inflated box's lowest z. Null
// also when the box is too small for 2 × 2 nodes.
CGeRelief* geMeshList2Relief(CTypedPtrList<CObList, CGeMesh*>& meshes, float step, float margin);
// The surface sampled at u = k·du, v = l·dv (and at 1) with steps of the maths
// library's chord bound at 0.02 (at most 0.02), two triangles per parameter cell and
// twelve iso polylines (v and u = 0, 0.2, …, 1). Null for a null surface, when the
// library reports no step, or when the vertex count would pass 32-bit indices.
CGeMesh* geToMesh(_nurbs_surface* surface);
