#include "toolpath/surfkernel/SrfActor.h"

#include "framework/looker/MemPool.h"
#include "framework/numerak/NurbsEditor.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "toolpath/surfkernel/ChordThinning.h"
#include "toolpath/surfkernel/NurbsUtil.h"

#include <cmath>
#include <vector>

namespace {

constexpr int kApproxDegree = 3;
constexpr int kInterpOrder = 3;

}  // namespace

CGeCurve3d* CSrfActor::MakeCurve(CArray<tagPoint3d, tagPoint3d>* pts, int type)
{
    if (pts == nullptr || pts->GetSize() < 2) return nullptr;
    const int n = static_cast<int>(pts->GetSize());
    static_assert(sizeof(tagPoint3d) == 3 * sizeof(double), "points are read as packed triples");
    const auto* raw = reinterpret_cast<const double*>(pts->GetData());
    const std::vector<int> kept = ThinChords(raw, n, 3, ChordThinRule{kMakeCurveTol, kMakeCurveTol});
    const int count = static_cast<int>(kept.size());
    if (count < 2) return nullptr;
    auto* buf = static_cast<double(*)[3]>(gAlcMemPool(static_cast<int>(sizeof(double[3]) * count)));
    if (buf == nullptr) return nullptr;
    for (int k = 0; k < count; ++k)
        for (int c = 0; c < 3; ++c) buf[k][c] = raw[3 * kept[k] + c];
    CGeCurve3d* curve = nullptr;
    if (type == 2) {
        const double* a = buf[0];
        double* b = buf[count - 1];
        if (std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2])) <
            kMakeCurveCloseTol)
            b[0] = a[0], b[1] = a[1], b[2] = a[2];
        auto* poly = new CGePolyline3d;
        if (poly->Create(count, buf))
            curve = poly;
        else
            delete poly;
    } else if (type == 1 && count == 2) {
        curve = new CGeLine3d(buf[0], buf[1]);
    } else {
        BCRV* c = nullptr;
        if (type == 1)
            c = CNurbsEditor::GlobalApproxErrBnd(buf, count, kApproxDegree, kMakeCurveApproxTol);
        else if (NRB_InterpolatePoints(count, kInterpOrder, buf, &c) != 1)
            c = nullptr;
        if (c) curve = new CGeNrbCrv3d(c);
    }
    gFreMemPool();
    return curve;
}
