#include "geometry/shapes2d/CurveListGpc.h"

#include "framework/numerak/Gpc.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeometryConst.h"

#include <vector>

void geLoopList2GPC(CTypedPtrList<CObList, CGeLoop*>* loops, gpc_polygon* poly)
{
    if (!loops || loops->IsEmpty() || !poly) return;
    if (!gpc_create_polygon(poly, static_cast<int>(loops->GetCount()))) return;
    int filled = 0;
    for (CGeLoop* loop : *loops) {
        if (!loop) continue;
        if (!loop->HasDisplay()) loop->Discrete(gecon::kClosedTol);
        gpc_vertex_list& contour = poly->contour[filled];
        const int n = loop->GetSWPointCount();
        if (n > 0 && gpc_create_vertex(&contour, n)) {
            const double(*pts)[2] = loop->GetSWPoint();
            for (int i = 0; i < n; ++i) contour.vertex[i] = gpc_vertex{pts[i][0], pts[i][1]};
        }
        poly->hole[filled] = filled == 0 ? 0 : 1;
        ++filled;
    }
    // Unfilled slots (null loops) stay allocated but are not counted.
    poly->num_contours = filled;
}

void geGPC2LoopList(gpc_polygon* poly, CTypedPtrList<CObList, CGeLoop*>* loops)
{
    if (!poly || !loops || !poly->contour) return;
    std::vector<double> pts;
    for (int c = 0; c < poly->num_contours; ++c) {
        const gpc_vertex_list& contour = poly->contour[c];
        if (contour.num_vertices <= 0 || !contour.vertex) continue;
        const int n = contour.num_vertices;
        pts.clear();
        pts.reserve(2 * static_cast<size_t>(n + 1));
        for (int i = 0; i <= n; ++i) {
            const gpc_vertex& v = contour.vertex[i % n];
            pts.push_back(v.x);
            pts.push_back(v.y);
        }
        auto* polyline = new CGePolyline;
        polyline->Create(n + 1, reinterpret_cast<const double(*)[2]>(pts.data()));
        polyline->SetClosedFlag(1);
        polyline->CalcBox2d();
        auto* loop = new CGeLoop;
        loop->AddTail(polyline, 1);
        loop->SetClosedFlag(1);
        loops->AddTail(loop);
    }
}
