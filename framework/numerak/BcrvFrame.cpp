// Whole-curve frame changes and interpolation through points.
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/NurbsFit.h"

namespace {

template <typename Map>
int MapControlPoints(BCRV* c, const _rect_fm3d* frame, Map map)
{
    if (!BCRV_IsValid(c) || frame == nullptr)
        return 0;
    for (int i = 0; i < c->n; ++i) {
        const double w = c->P[i][3];
        double p[3] = {c->P[i][0] / w, c->P[i][1] / w, c->P[i][2] / w};
        map(frame, p, p);
        for (int e = 0; e < 3; ++e)
            c->P[i][e] = p[e] * w;
    }
    return 1;
}

}  // namespace

int BCRV_TransWorld(BCRV* c, const _rect_fm3d* frame) { return MapControlPoints(c, frame, RF_TransWorldP3D); }

int BCRV_TransLocal(BCRV* c, const _rect_fm3d* frame) { return MapControlPoints(c, frame, RF_TransLocalP3D); }

int BCRV_IntpPs(int n, const double (*points)[3], int order, BCRV** out)
{
    if (points == nullptr || out == nullptr || order < 2 || order > kBcrvMaxOrder)
        return 0;
    BCRV* c = BCRV_GlobalInterp(points, n, order - 1);
    if (c == nullptr)
        return 0;
    *out = c;
    return 1;
}
