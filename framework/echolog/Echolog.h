// Image tracing: a grey bitmap becomes closed outlines of straight and cubic
// pieces (traced by potrace), handed out as spline records.
//
// Coordinates are pixels with y up: the bitmap's bottom-left corner is (0, 0)
// and its first row is the top one, so the trace is not mirrored. Outer
// outlines run counter-clockwise and holes clockwise. Sharp corners are kept
// as corners rather than rounded; specks of up to 2 pixels are dropped.
#pragma once

#include <cstdint>

// A finished trace. Owned by whoever traced it; released by
// qv_free_spline_list_array.
struct _at_spline_list_array_type {
    // Number of outlines; zero exactly when the trace is empty.
    std::uint32_t length = 0;
    // The tracer's own state (its path list); null when empty.
    void* state = nullptr;
};

// One piece of an outline: a straight record (degree 1) runs from point 0 to
// point 1; a curved one is the cubic with control points 0..3. z is 0.
struct qv_spline_type {
    float point[4][3];
    std::int32_t degree;
};
// The record is shared with outside callers in this byte layout.
static_assert(sizeof(qv_spline_type) == 52);

// The records of one outline, in path order.
struct qv_spline_list_type {
    qv_spline_type* splines = nullptr;
    int count = 0;
};

// One entry per traced outline, in the tracer's path order.
struct qv_curve_list_type {
    qv_spline_list_type* lists = nullptr;
    int count = 0;
};

// Traces the pixels darker than threshold (value < threshold) of an 8-bit grey
// bitmap: width x height pixels, rows top first, stride bytes from one row to
// the next. Returns 1 and fills out (empty when nothing is dark); 0 with out
// empty for null pointers, a non-positive size, stride < width or a failed trace.
int qv_trace_bitmap(const unsigned char* pixels, int width, int height, int stride, int threshold,
                    _at_spline_list_array_type* out);
// Releases a trace and empties the record; null and empty traces are fine.
void qv_free_spline_list_array(_at_spline_list_array_type* splines);

// The records of every outline of a trace (the trace stays the caller's): a
// corner gives two straight records, a curved segment one cubic record. An
// empty trace gives an empty list.
qv_curve_list_type qv_spline_to_qvcurve(_at_spline_list_array_type splines);
// Releases what qv_spline_to_qvcurve returned and empties the record; null is fine.
void qv_free_qvcurve(qv_curve_list_type* list);
