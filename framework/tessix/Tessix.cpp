#include "framework/tessix/Tessix.h"

#include "framework/tessix/InscribedCircle.h"
#include "geometry/shapes2d/GeLoop.h"

int vnFastGetInscribedCircle(double& radius, double centre[2], CTypedPtrList<CObList, CGeLoop*>* loops, void* reserved)
{
    radius = 0;
    centre[0] = centre[1] = 0;
    if (!loops || reserved) return 0;
    std::vector<tessix::Ring> rings;
    for (CGeLoop* loop : *loops) {
        if (!loop) continue;
        CArray<tagPoint2d, tagPoint2d> pts;
        loop->DiscreteInArray(kTessixLoopTol, &pts, 0, false);
        tessix::Ring ring;
        ring.reserve(static_cast<std::size_t>(pts.GetSize()));
        for (INT_PTR i = 0; i < pts.GetSize(); ++i) ring.push_back({pts[i].x, pts[i].y});
        rings.push_back(std::move(ring));
    }
    const tessix::Circle c = tessix::MaxInscribedCircle(rings);
    if (!(c.radius > 0)) return 0;
    radius = c.radius;
    centre[0] = c.centre[0];
    centre[1] = c.centre[1];
    return 1;
}
