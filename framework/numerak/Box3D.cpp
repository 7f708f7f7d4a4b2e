#include "framework/numerak/Box3D.h"

using box_detail::Overlap;

int BOX3D_IsInt(const BOX3<double>* a, const BOX3<double>* b, double tol)
{
    if (!a || !b || !a->IsValid() || !b->IsValid()) return 0;
    return Overlap(a->xmin, a->xmax, b->xmin, b->xmax, tol) && Overlap(a->ymin, a->ymax, b->ymin, b->ymax, tol) &&
                   Overlap(a->zmin, a->zmax, b->zmin, b->zmax, tol)
               ? 1
               : 0;
}

int BOX3D_IsIntXY(const BOX3<double>* a, const BOX3<double>* b, double tol)
{
    if (!a || !b || !(a->xmax >= a->xmin && a->ymax >= a->ymin) || !(b->xmax >= b->xmin && b->ymax >= b->ymin)) return 0;
    return Overlap(a->xmin, a->xmax, b->xmin, b->xmax, tol) && Overlap(a->ymin, a->ymax, b->ymin, b->ymax, tol) ? 1 : 0;
}

void BOX3D_Union(const BOX3<double>* a, const BOX3<double>* b, BOX3<double>* out)
{
    if (!a || !b || !out) return;
    BOX3<double> r = *a;
    if (b->IsValid()) {
        if (r.IsValid())
            r.Union(*b);
        else
            r = *b;
    }
    *out = r;
}

double P3D_Dist2(const double* a, const double* b)
{
    const double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return dx * dx + dy * dy + dz * dz;
}
