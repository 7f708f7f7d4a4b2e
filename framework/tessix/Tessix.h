// Inscribed-circle library: the largest circle inside a list of loops.
#pragma once

#include "platform/core/ObList.h"

class CGeLoop;

// Tolerance of the loops' polylines the search runs on, in millimetres.
constexpr double kTessixLoopTol = 0.01;

// The largest circle inside the loops (inside the outer loops and outside their
// holes, even-odd over all loops), to the precision InscribedCircle.h states, on the
// loops' polylines at kTessixLoopTol. reserved must be null. 1 with radius and
// centre set; 0 (radius 0, centre (0, 0)) for a null or empty list, a non-null
// reserved argument, or loops that enclose no area.
int vnFastGetInscribedCircle(double& radius, double centre[2], CTypedPtrList<CObList, CGeLoop*>* loops,
                             void* reserved);
