// The exported loop functions: regions and loop lists of the 2D shape library to loop
// trees of the pocketing kernel and back, clean-up of loop lists, offsets of loop lists
// and Booleans of region lists. Output lists are appended to, never cleared; every loop
// put there is new and owned by the caller. Input loops and regions are never changed.
// Null or empty inputs, loops without members and loops with a non-finite coordinate give
// nothing.
#pragma once

#include "platform/core/ObList.h"

class CGeLoop;
class CGeRegion;
class CSmartLoop;

using GeLoopList = CTypedPtrList<CObList, CGeLoop*>;
using GeRegionList = CTypedPtrList<CObList, CGeRegion*>;

// The region's first loop as outer loop, the others as its islands in region order,
// orientation as given; null for a null region or one without usable loops.
CSmartLoop* ConvertRegionToSmartLoop(CGeRegion* region);
// Every loop of the chain, each followed by its islands (offset children are not
// converted); loops without sections give nothing.
void ConverSmartLoopToGeLoopList(CSmartLoop* chain, GeLoopList* out);
// Each loop with its self-crossings removed (a figure eight gives two loops).
void acRefineGeLoopList(GeLoopList* in, GeLoopList* out);
// One loop per input loop at most: the first piece of the offset of the first loop that
// forms from it (d > 0 to the left). `reserved` is not read.
void acGeLoopListOffsetEx(GeLoopList* in, double d, int cornerType, int reserved, GeLoopList* out);
// The loops nested into outer loops with islands and offset as pockets: mode 0 inward
// (outer loops shrink, islands grow), mode 2 outward (outer loops grow, islands shrink,
// results welded; outer results come out clockwise), other modes copies. Islands of each
// result come before it.
void acGeLoopListOffset(GeLoopList* in, double d, int cornerType, int mode, GeLoopList* out);
// op 0: a minus b; op 1: a intersected with b; op 3: a united with b; other ops nothing.
// Overlapping regions within one list are united first.
void acGeLoopBool(GeRegionList* a, GeRegionList* b, int op, GeLoopList* out);
