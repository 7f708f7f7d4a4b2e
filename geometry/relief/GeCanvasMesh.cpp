// Meshes of the relief canvas: the grid of an index range or a world box, reduced to
// the non-empty cells or with level runs merged, and the surface cut out along loops
// or regions (the grid region mesher).
#include "geometry/relief/GeCanvas.h"

#include "geometry/relief/GridMesh.h"
#include "geometry/relief/TessGridMesher.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GeRegion.h"
#include "geometry/shapes3d/GeMesh.h"

#include <cmath>
#include <memory>

namespace {

// Corner heights within this of the run's first quad let a level run go on.
constexpr float kRefineLevelTol = 0.001f;

}  // namespace

template <class Keep>
CGeMesh* CGeCanvas::GridMesh(const unsigned* cols, const unsigned* rows, Keep cellKept) const
{
    if (!heights || !cols || !rows) return nullptr;
    if (cols[1] >= nx || rows[1] >= ny || cols[1] <= cols[0] || rows[1] <= rows[0]) return nullptr;
    const unsigned a = cols[1] - cols[0] + 1, b = rows[1] - rows[0] + 1;
    auto* mesh = new CGeMesh;
    relief::AppendGridMesh(
        *mesh, a, b,
        [&](unsigned c, unsigned r) { return CPoint3f(xs[c + cols[0]], ys[r + rows[0]], heights[r + rows[0]][c + cols[0]]); },
        [&](unsigned c, unsigned r) { return cellKept(c + cols[0], r + rows[0]); });
    return mesh;
}

CGeMesh* CGeCanvas::ToMesh()
{
    if (nx == 0 || ny == 0) return nullptr;
    unsigned cols[2] = {0, nx - 1}, rows[2] = {0, ny - 1};
    return ToMesh(cols, rows);
}

CGeMesh* CGeCanvas::ToMeshReduce()
{
    if (nx == 0 || ny == 0) return nullptr;
    unsigned cols[2] = {0, nx - 1}, rows[2] = {0, ny - 1};
    return ToMeshReduce(cols, rows);
}

CGeMesh* CGeCanvas::ToMesh(unsigned* cols, unsigned* rows)
{
    CGeMesh* mesh = GridMesh(cols, rows, [](unsigned, unsigned) { return true; });
    if (mesh) mesh->CalcBox();
    return mesh;
}

CGeMesh* CGeCanvas::ToMeshReduce(unsigned* cols, unsigned* rows)
{
    const auto empty = [this](unsigned c, unsigned r) { return heights[r][c] == kEmptyHeight; };
    CGeMesh* mesh = GridMesh(cols, rows, [&](unsigned c, unsigned r) {
        return !(empty(c, r) && empty(c + 1, r) && empty(c + 1, r + 1) && empty(c, r + 1));
    });
    if (!mesh) return nullptr;
    // Without quads every vertex is unused (the renumbering keeps them in that case).
    if (mesh->faces4.empty())
        mesh->vertices.clear();
    else
        mesh->Remove_Unused_Vertices();
    mesh->CalcBox();
    mesh->faces4.shrink_to_fit();
    return mesh;
}

CGeMesh* CGeCanvas::ToMeshRefine(unsigned* cols, unsigned* rows)
{
    CGeMesh* mesh = GridMesh(cols, rows, [](unsigned, unsigned) { return false; });
    if (!mesh) return nullptr;
    const unsigned a = cols[1] - cols[0] + 1, b = rows[1] - rows[0] + 1;
    const auto z = [&](std::uint32_t v) { return mesh->vertices[v].z; };
    for (unsigned r = 0; r + 1 < b; ++r) {
        bool run = false;
        for (unsigned c = 0; c + 1 < a; ++c) {
            const std::uint32_t A = r * a + c, B = A + 1, C = B + a, D = A + a;
            if (run) {
                SFacet4& q = mesh->faces4.back();
                // The fourth corner must match exactly: a run stays one level strip.
                if (std::fabs(z(A) - z(q[0])) < kRefineLevelTol && std::fabs(z(B) - z(q[1])) < kRefineLevelTol &&
                    std::fabs(z(C) - z(q[2])) < kRefineLevelTol && z(D) == z(q[3])) {
                    q[1] = B;
                    q[2] = C;
                    continue;
                }
            }
            mesh->faces4.emplace_back(static_cast<int>(A), static_cast<int>(B), static_cast<int>(C),
                                      static_cast<int>(D));
            run = z(A) == z(B) && z(C) == z(D);
        }
    }
    mesh->Remove_Unused_Vertices();
    mesh->CalcBox();
    mesh->faces4.shrink_to_fit();
    return mesh;
}

CGeMesh* CGeCanvas::ToMesh(BOX2<double> box)
{
    if (!heights || !xs || !ys) return nullptr;
    const BOX2<double> own(originX, originY, originX + static_cast<double>(nx) * step,
                           originY + static_cast<double>(ny) * step);
    const double x0 = std::max(own.xmin, box.xmin), x1 = std::min(own.xmax, box.xmax);
    const double y0 = std::max(own.ymin, box.ymin), y1 = std::min(own.ymax, box.ymax);
    if (!(x0 <= x1 && y0 <= y1)) return nullptr;
    unsigned cols[2] = {static_cast<unsigned>(Get_IndexMin(static_cast<float>(x0), 0)),
                        static_cast<unsigned>(Get_IndexMax(static_cast<float>(x1), 0))};
    unsigned rows[2] = {static_cast<unsigned>(Get_IndexMin(static_cast<float>(y0), 1)),
                        static_cast<unsigned>(Get_IndexMax(static_cast<float>(y1), 1))};
    return ToMesh(cols, rows);
}

CGeMesh* CGeCanvas::ToMesh(CTypedPtrList<CObList, CGeLoop*>* loops, double tol)
{
    if (!loops || loops->IsEmpty()) return nullptr;
    auto* mesh = new CGeMesh;
    CTessGridMesher mesher;
    mesher.MeshLoops(loops, tol, this, mesh, false, 0.0f);
    mesh->CalcBox();
    return mesh;
}

CGeMesh* CGeCanvas::ToMesh(CTypedPtrList<CObList, CGeRegion*>* regions, double tol, bool constant, float z)
{
    if (!regions || regions->IsEmpty()) return nullptr;
    CTypedPtrList<CObList, CGeLoop*> loops;
    for (POSITION pos = regions->GetHeadPosition(); pos;) {
        CGeRegion* region = regions->GetNext(pos);
        if (!region) continue;
        CTypedPtrList<CObList, CGeLoop*>& own = region->GetLoopList();
        for (POSITION lp = own.GetHeadPosition(); lp;) loops.AddTail(own.GetNext(lp));
    }
    auto mesh = std::make_unique<CGeMesh>();
    CTessGridMesher mesher;
    const int done = mesher.MeshLoops(&loops, tol, this, mesh.get(), constant, z);
    loops.RemoveAll();  // the regions keep their loops
    if (!done) return nullptr;
    mesh->CalcBox();
    return mesh.release();
}
