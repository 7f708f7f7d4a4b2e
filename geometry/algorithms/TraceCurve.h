// Conversion of traced image outlines into curves: every connected run of an
// outline becomes one composite curve of lines, polylines and cubic Beziers.
#pragma once

#include "framework/echolog/Echolog.h"
#include "platform/core/ObList.h"

class CGeCurve;

// Appends one new composite curve per connected run of the trace's outlines
// to list (the caller owns them). Consecutive straight records form one line
// or polyline; a straight record starting 0.01 or more from the previous
// straight record's end starts a new composite; each curved record is one
// cubic spline. Only the members are set: the composite computes its box when
// first asked for it, and its closed flag is not set here. Nothing for a null
// list or an empty trace.
void ConvertTraceCurve(_at_spline_list_array_type splines, CTypedPtrList<CObList, CGeCurve*>* list);

// The same for records already converted (the records stay the caller's).
void ConvertTraceRecords(const qv_curve_list_type& records, CTypedPtrList<CObList, CGeCurve*>* list);
