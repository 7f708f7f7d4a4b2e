// The offset copies of a chain of sections with the corner joins between them, shared by
// the open-curve offsets, the bands around curves and the loop offsets.
#pragma once

#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/SmartCurve.h"

namespace smart {

// Appends to out the offset copy (distance d to the left) of every section of src, each
// remembered in the source's offsetCopy and boxed, then inserts the join CornerSect builds
// for every consecutive pair (and tail -> head when closed) after the first section's
// copy. A join takes the index of the section after the corner and has it as source.
void AppendOffsetChain(CSmartCurve& src, double d, DVN_CornerType& corner, bool closed, CSmartCurve& out);

}  // namespace smart
