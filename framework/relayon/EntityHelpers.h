// Helpers over the selection's entities.
#pragma once

#include "platform/core/ObList.h"

class CGeCurve;

// Appends copies of the curves of the selected curve entities (the caller owns
// them); returns how many were appended.
int qvGetSelectorCurve(CTypedPtrList<CObList, CGeCurve*>* out);
