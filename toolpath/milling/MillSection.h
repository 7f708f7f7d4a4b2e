// Facet sections and drops of the tool-centre model's pieces (see CMillCenter for the
// model's sections, drops and move checks).
#pragma once

#include "toolpath/milling/MillCenter.h"

// Section of the polygon pts[idx[0..n-1]] by the plane z (XY points, crossings closer than
// 0.01 counted once) or y (x, z points, 0.0001). Returns the number of points in out (at
// most n); an edge lying in the plane within 0.0001 is the whole result (2).
int ZSectionFacet(const Pnt3* pts, const int* idx, int n, double (*out)[2], double z);
int YSectionFacet(const Pnt3* pts, const int* idx, int n, double (*out)[2], double y);
// Height over p (x, y) of the polygon's chord along the line y = p.y: 1 and z, or 0 when p
// is not on the chord (within 0.01 of an end counts as on it).
int FacetDropPoint(const Pnt3* pts, const int* idx, int n, const double* p, double* z);
