#include "geometry/shapes3d/GeMesh.h"

#include "framework/widgra/Progress.h"
#include "geometry/relief/TGrid.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GeRegion.h"
#include "geometry/shapes3d/GeConvert.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeLoop3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/GeTool3D.h"
#include "geometry/shapes3d/MeshDetail.h"
#include "geometry/shapes3d/Shapes3dConst.h"

#include <new>

IMPLEMENT_SERIAL(CGeMesh, CObject, VERSIONABLE_SCHEMA | 1)

using meshdetail::Release;

CGeMesh::CGeMesh() = default;

CGeMesh::~CGeMesh()
{
    DeleteVBO();
    DeleteTree();
}

void CGeMesh::Serialize(CArchive&) {}

int CGeMesh::GetType() const { return ge3con::kTypeMesh; }

CGeShape3d* CGeMesh::Copy()
{
    auto* copy = new (std::nothrow) CGeMesh;
    if (copy) copy->CopyFromMesh(this);
    return copy;
}

void CGeMesh::CalcBox()
{
    if (vertices.empty()) return;
    const CPoint3f& f = vertices.front();
    m_box.xmin = m_box.xmax = f.x;
    m_box.ymin = m_box.ymax = f.y;
    m_box.zmin = m_box.zmax = f.z;
    for (const CPoint3f& p : vertices) {
        m_box.xmin = std::min<double>(m_box.xmin, p.x);
        m_box.ymin = std::min<double>(m_box.ymin, p.y);
        m_box.zmin = std::min<double>(m_box.zmin, p.z);
        m_box.xmax = std::max<double>(m_box.xmax, p.x);
        m_box.ymax = std::max<double>(m_box.ymax, p.y);
        m_box.zmax = std::max<double>(m_box.zmax, p.z);
    }
}

void CGeMesh::DeleteTree() { quadtree.reset(); }

void CGeMesh::Clear_Neighbors() { Release(neighbors); }
void CGeMesh::Clear_Adjacentfaces() { Release(adjacentfaces); }
void CGeMesh::Clear_AdjacentEdges() { Release(adjacentedges); }
void CGeMesh::Clear_FaceNormal() { Release(facenormals); }

void CGeMesh::ClearNormal()
{
    Release(normals);
    Release(facenormals);
}

void CGeMesh::CopyFromMesh(CGeMesh* src)
{
    if (!src || src == this) return;
    // Exact copies, also of empty arrays: keeping the destination's own quads or normals
    // would leave them indexing vertices that are no longer there.
    vertices = src->vertices;
    uvcoords = src->uvcoords;
    edges = src->edges;
    faces3 = src->faces3;
    faces4 = src->faces4;
    normals = src->normals;
    facenormals = src->facenormals;
    m_fStepLimit = src->m_fStepLimit;
    // Data derived from the old geometry goes.
    vertflags.reset();
    DeleteVBO();
    DeleteTree();
    Release(screenpoints);
    Release(faceboxes);
    Clear_Neighbors();
    Clear_Adjacentfaces();
    Clear_AdjacentEdges();
    CopyFromSurf(src);
}

int CGeMesh::Create(CTGrid<float>* grid)
{
    if (!grid || grid->nx <= 0 || grid->ny <= 0 || !grid->rows) return 0;
    const std::size_t nx = std::size_t(grid->nx), ny = std::size_t(grid->ny);
    if (grid->xs.size() < nx || grid->ys.size() < ny) return 0;
    vertices.reserve(vertices.size() + nx * ny);
    CQProgress progress;
    progress.SetRange(0.2);
    // Vertex i·nx + j is node (i, j), indices relative to the vertices already there.
    const std::size_t base = vertices.size();
    for (std::size_t i = 0; i < ny; ++i) {
        for (std::size_t j = 0; j < nx; ++j) {
            vertices.emplace_back(grid->xs[j], grid->ys[i], grid->rows[i][j]);
            if (gIsProgressCancel()) return 0;
        }
    }
    faces3.reserve(faces3.size() + 2 * nx * ny);
    progress.SetRange(0.3);
    for (std::size_t k = 1; k < ny; ++k) {
        for (std::size_t l = 1; l < nx; ++l) {
            int a = int(base + (k - 1) * nx + (l - 1)), b = a + 1, c = a + int(nx), d = c + 1;
            faces3.emplace_back(a, b, c);
            faces3.emplace_back(b, d, c);
            if (gIsProgressCancel()) return 0;
        }
    }
    progress.SetRange(0.4);
    if (!Need_VertexNormals()) return 0;
    progress.SetRange(0.1);
    CalcBox();
    return 1;
}

void CGeMesh::CreateBndCrv()
{
    if (faces3.empty() && faces4.empty()) return;
    ClearBndCurve();
    if (edges.empty()) GenEdgeTopoEx();
    CGeCurve3dList lines(10);
    for (const SEdge& e : edges) {
        if (e.f0 == -1 || e.f1 != -1) continue;
        auto* line = new CGeLine3d(vertices[e.v0], vertices[e.v1]);
        line->CalcBox();
        lines.AddTail(line);
    }
    meshdetail::ChainToPolylines(lines, m_listBndCurve);
}

void meshdetail::ChainToPolylines(CGeCurve3dList& segments, CGeCurve3dList& out)
{
    constexpr double kChainTol = 0.02;
    CGeLoop3dList loops;
    CGeTool3D tool;
    tool.ReCreateLoop3d(&segments, &loops, kChainTol, false, false);
    geDelCurve3dList(&segments);
    for (CGeLoop3d* loop : loops)
        if (loop)
            if (CGePolyline3d* pl = loop->ToPLine(kChainTol)) out.AddTail(pl);
    geDelLoop3dList(&loops);
}

void CGeMesh::CreateBndCrvEx(CTypedPtrList<CObList, CGeRegion*>* regions, double z)
{
    if (!regions || regions->IsEmpty()) return;
    geDelCurve3dList(&m_listBndCurve);
    for (CGeRegion* region : *regions) {
        if (!region) continue;
        for (CGeLoop* loop : region->GetLoopList()) {
            if (!loop) continue;
            for (CGeCurve* c : loop->GetCurveList())
                if (c)
                    if (CGeCurve3d* c3 = QVN_GeConvert::ToCurve3d(c, z)) m_listBndCurve.AddTail(c3);
        }
    }
}
