// Tolerant tests on double boxes. Unlike the box class's own strict tests these include the
// border of the box grown by tol, so a flat box (of a horizontal line) still holds its points
// with tol 0. Null boxes and NaN give 0.
#pragma once

#include "framework/numerak/Box.h"

// 1 when the boxes meet within tol (touching counts).
int BOX2D_IsInt(const BOX2<double>* a, const BOX2<double>* b, double tol);
// 1 when inner lies inside outer grown by tol.
int BOX2D_IsContain(const BOX2<double>* outer, const BOX2<double>* inner, double tol);
// 1 when the point p lies inside the box grown by tol.
int BOX2D_IsPtIn(const BOX2<double>* box, const double* p, double tol);
// The same test as BOX2D_IsPtIn; both names are in use.
int BOX2D_IsP2DIn(const BOX2<double>* box, const double* p, double tol);
// out = a united with b (out may be a or b); an empty box adds nothing.
void BOX2D_Union(const BOX2<double>* a, const BOX2<double>* b, BOX2<double>* out);
// box = box united with other.
void BOX2D_Union(BOX2<double>* box, const BOX2<double>* other);
// Grows box to hold p (an empty box becomes the point).
void BOX2D_Extend(BOX2<double>* box, const double* p);

inline int BOX2D_IsInt(const BOX2<double>& a, const BOX2<double>& b, double tol) { return BOX2D_IsInt(&a, &b, tol); }
inline int BOX2D_IsContain(const BOX2<double>& outer, const BOX2<double>& inner, double tol)
{
    return BOX2D_IsContain(&outer, &inner, tol);
}
inline int BOX2D_IsPtIn(const BOX2<double>& box, const double* p, double tol) { return BOX2D_IsPtIn(&box, p, tol); }
inline int BOX2D_IsP2DIn(const BOX2<double>& box, const double* p, double tol) { return BOX2D_IsP2DIn(&box, p, tol); }
inline void BOX2D_Union(BOX2<double>& box, const BOX2<double>& other) { BOX2D_Union(&box, &other); }
inline void BOX2D_Extend(BOX2<double>& box, const double* p) { BOX2D_Extend(&box, p); }
