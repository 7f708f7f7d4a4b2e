// Helpers over the selection's entities.
#pragma once

#include "platform/core/ObList.h"

class CGeCurve;
class CGeCurve3d;

// Appends copies of the curves of the selected curve entities (the caller owns
// them); returns how many were appended.
int qvGetSelectorCurve(CTypedPtrList<CObList, CGeCurve*>* out);

// Appends copies of the curves of the selected 3D curve entities, members of
// selected groups included (the caller owns them); a copy without display
// points is discretised at tol. Returns how many were appended.
int qvGetSelectorCurve3d(CTypedPtrList<CObList, CGeCurve3d*>* out, double tol);
