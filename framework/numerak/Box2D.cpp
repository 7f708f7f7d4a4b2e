#include "framework/numerak/Box2D.h"

#include <algorithm>

namespace {

// Written positively so that NaN fails every comparison and gives false.
bool Overlap(double amin, double amax, double bmin, double bmax, double tol)
{
    return bmax + tol >= amin && bmin - tol <= amax;
}

}  // namespace

int BOX2D_IsInt(const BOX2<double>* a, const BOX2<double>* b, double tol)
{
    if (!a || !b || !a->IsValid() || !b->IsValid())
        return 0;
    return Overlap(a->xmin, a->xmax, b->xmin, b->xmax, tol) &&
                   Overlap(a->ymin, a->ymax, b->ymin, b->ymax, tol)
               ? 1
               : 0;
}

int BOX2D_IsContain(const BOX2<double>* outer, const BOX2<double>* inner, double tol)
{
    if (!outer || !inner || !inner->IsValid())
        return 0;
    return inner->xmin >= outer->xmin - tol && inner->xmax <= outer->xmax + tol &&
                   inner->ymin >= outer->ymin - tol && inner->ymax <= outer->ymax + tol
               ? 1
               : 0;
}

int BOX2D_IsPtIn(const BOX2<double>* box, const double* p, double tol)
{
    if (!box || !p)
        return 0;
    return p[0] >= box->xmin - tol && p[0] <= box->xmax + tol && p[1] >= box->ymin - tol &&
                   p[1] <= box->ymax + tol
               ? 1
               : 0;
}

int BOX2D_IsP2DIn(const BOX2<double>* box, const double* p, double tol) { return BOX2D_IsPtIn(box, p, tol); }

void BOX2D_Union(const BOX2<double>* a, const BOX2<double>* b, BOX2<double>* out)
{
    if (!a || !b || !out)
        return;
    BOX2<double> r;
    r.xmin = std::min(a->xmin, b->xmin);
    r.ymin = std::min(a->ymin, b->ymin);
    r.xmax = std::max(a->xmax, b->xmax);
    r.ymax = std::max(a->ymax, b->ymax);
    *out = r;
}

void BOX2D_Union(BOX2<double>* box, const BOX2<double>* other) { BOX2D_Union(box, other, box); }

void BOX2D_Extend(BOX2<double>* box, const double* p)
{
    if (box && p)
        box->Extend(p);
}
