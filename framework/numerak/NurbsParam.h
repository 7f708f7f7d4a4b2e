#pragma once
// Parameter record of one direction of a NURBS curve or surface: its range, the
// kind of each end and the closure.

struct _param {
    double start;  // first parameter
    double end;    // last parameter
    int startKind; // 1 ordinary end, 3 degenerate (a collapsed edge)
    int endKind;
    int closure;   // 0 open, 1 closed, 2 periodic (closed with matching tangents)
    int extra1;    // further values, left to the users of the record
    int extra2;
};

// Range [0, 1], ordinary ends, open, further values 0.
void PARAM_Init(_param* p);
