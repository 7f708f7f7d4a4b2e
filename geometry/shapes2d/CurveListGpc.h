// Conversion between loop lists and the polygon clipper's polygons.
#pragma once

#include "platform/core/ObList.h"

class CGeLoop;
struct gpc_polygon;

// Creates poly with one contour per list element (gpc_create_polygon; poly's
// previous content is not freed). Each non-null loop, in order, fills the next
// contour with its display points (discretised at 0.01 first when it has
// none); the first filled contour has hole flag 0, later ones 1. The contour
// count is the number filled. Nothing for a null or empty list or a null poly.
void geLoopList2GPC(CTypedPtrList<CObList, CGeLoop*>* loops, gpc_polygon* poly);
// Appends one new loop per contour of at least one vertex: its only member is
// a closed polyline through the contour's vertices and back to the first.
// Hole flags are not read; orientation and area are what the vertices give.
// Nothing when either argument is null.
void geGPC2LoopList(gpc_polygon* poly, CTypedPtrList<CObList, CGeLoop*>* loops);
