#include "toolpath/milling/CheckMesh.h"

#include "framework/looker/Tool.h"
#include "framework/numerak/Triangle3D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes3d/GeMesh.h"
#include "toolpath/contours/NcPline.h"
#include "toolpath/milling/MillConst.h"

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

namespace {

BOX3<double> EmptyBox3()
{
    BOX3<double> b;
    b.InitEmpty();
    return b;
}

// Facet normal made unit and turned upwards; (0, 0, 1) when it has no direction.
void UpwardUnit(double* n)
{
    if (!V3D_Unit(n, mill::kUnitTol)) {
        n[0] = n[1] = 0;
        n[2] = 1;
    }
    if (n[2] < 0) n[0] = -n[0], n[1] = -n[1], n[2] = -n[2];
}

void Sub(const double* a, const double* b, double* out)
{
    out[0] = a[0] - b[0];
    out[1] = a[1] - b[1];
    out[2] = a[2] - b[2];
}

void Cross(const double* a, const double* b, double* out)
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// Box of the facet's vertices moved by its offset.
template <int N>
BOX3<double> FacetBox(const CCheckMesh& m, const int* v, const double* off)
{
    BOX3<double> b = EmptyBox3();
    for (int k = 0; k < N; ++k) {
        const double* p = m.Vertex(v[k]);
        const double q[3] = {p[0] + off[0], p[1] + off[1], p[2] + off[2]};
        b.Extend(q);
    }
    return b;
}

// Whether box b meets the XY box [x0, x1] x [y0, y1] within tol.
bool MeetsXY(const BOX3<double>& b, double x0, double y0, double x1, double y1, double tol)
{
    return !(b.xmax + tol < x0 || b.xmin - tol > x1 || b.ymax + tol < y0 || b.ymin - tol > y1);
}

// Facet lifting: the point rises to the facet's offset plane where the contact point
// q = p - offset lies inside the facet.
template <int N>
double FacetHeight(const CCheckMesh& m, const int* v, const double* off, double x, double y)
{
    const double* pv[N];
    for (int k = 0; k < N; ++k) pv[k] = m.Vertex(v[k]);
    const double q[2] = {x - off[0], y - off[1]};
    const double h = PolygonZAtXY(pv, N, q);
    return h == mill::kNoHeight ? mill::kNoHeight : h + off[2];
}

// Offset and box of a facet for the tool: the normal is (v2 - v0) x (v2 - v1) for a
// triangle and the diagonals' (v2 - v0) x (v3 - v1) for a quad, made unit and upward.
template <int N>
void SetFacetOffset(const CCheckMesh& m, CTool* tool, const int* v, double* off, BOX3<double>& box)
{
    double a[3], b[3], n[3];
    Sub(m.Vertex(v[2]), m.Vertex(v[0]), a);
    Sub(m.Vertex(N == 3 ? v[2] : v[3]), m.Vertex(v[1]), b);
    Cross(a, b, n);
    UpwardUnit(n);
    if (tool)
        tool->Eval_FacetCC_OffVec(n, off);
    else
        off[0] = off[1] = off[2] = 0;
    box = FacetBox<N>(m, v, off);
}

}  // namespace

CMeshAccel::CMeshAccel(CCheckMesh* m) : owner(m) {}

// The arrays grow with the largest marked set, not with the mesh: a model with a million
// elements and one candidate list per thread would otherwise fill hundreds of megabytes
// before any work starts.
void CMeshAccel::SetMarked(int kind, const int* ids, int n)
{
    List& l = lists[kind];
    if (l.marked.size() < size_t(n)) l.marked.resize(size_t(n)), l.active.resize(size_t(n));
    std::copy(ids, ids + n, l.marked.begin());
    std::copy(ids, ids + n, l.active.begin());
    l.markedCount = l.activeCount = n;
    for (auto& idx : l.index) idx.Clear();
}

void CMeshAccel::ClearAll()
{
    for (List& l : lists) {
        l.markedCount = l.activeCount = 0;
        for (auto& idx : l.index) idx.Clear();
    }
}

void CMeshAccel::ClearActive()
{
    for (List& l : lists) l.activeCount = 0;
}

CCheckMesh::CCheckMesh() : box(EmptyBox3()), m_data(std::make_shared<Arrays>()) {}

CCheckMesh::CCheckMesh(CCheckMesh* src) : box(src->box), m_data(src->m_data), m_shared(1)
{
    m_defaultAccel = std::make_unique<CMeshAccel>(src);
}

CCheckMesh::~CCheckMesh() = default;

int CCheckMesh::VertexCount() const { return int(m_data->vertices.size() / 3); }
int CCheckMesh::TriangleCount() const { return int(m_data->triangles.size()); }
int CCheckMesh::QuadCount() const { return int(m_data->quads.size()); }
int CCheckMesh::EdgeCount() const { return int(m_data->edges.size()); }
int CCheckMesh::ElementCount(int kind) const
{
    return kind == 0 ? TriangleCount() : kind == 1 ? QuadCount() : EdgeCount();
}
const double* CCheckMesh::Vertex(int i) const { return &m_data->vertices[size_t(i) * 3]; }
const SCheckTriangle& CCheckMesh::Triangle(int i) const { return m_data->triangles[size_t(i)]; }
const SCheckQuad& CCheckMesh::Quad(int i) const { return m_data->quads[size_t(i)]; }
const SCheckEdge& CCheckMesh::Edge(int i) const { return m_data->edges[size_t(i)]; }
const BOX3<double>& CCheckMesh::ElementBox(int kind, int i) const
{
    return kind == 0 ? Triangle(i).box : kind == 1 ? Quad(i).box : Edge(i).box;
}

int CCheckMesh::Init(CGeMesh* m)
{
    if (!m) return 0;
    if (m->edges.empty()) m->GenEdgeTopoEx();
    const size_t nv = m->vertices.size();
    if (nv < 3 || m->faces3.size() + m->faces4.size() < 1 || m->edges.size() < 3) return 0;
    // Indices past the vertex array make the mesh unusable rather than read out of bounds.
    const auto bad = [nv](std::uint32_t i) { return size_t(i) >= nv; };
    for (const auto& f : m->faces3)
        if (bad(f.v[0]) || bad(f.v[1]) || bad(f.v[2])) return 0;
    for (const auto& f : m->faces4)
        if (bad(f.v[0]) || bad(f.v[1]) || bad(f.v[2]) || bad(f.v[3])) return 0;
    for (const auto& e : m->edges)
        if (bad(e.v0) || bad(e.v1)) return 0;

    m_data = std::make_shared<Arrays>();
    m_shared = 0;
    Arrays& d = *m_data;
    d.vertices.resize(nv * 3);
    for (size_t i = 0; i < nv; ++i) {
        d.vertices[3 * i] = m->vertices[i].x;
        d.vertices[3 * i + 1] = m->vertices[i].y;
        d.vertices[3 * i + 2] = m->vertices[i].z;
    }
    d.triangles.resize(m->faces3.size());
    for (size_t i = 0; i < d.triangles.size(); ++i)
        for (int k = 0; k < 3; ++k) d.triangles[i].v[k] = int(m->faces3[i].v[k]);
    d.quads.resize(m->faces4.size());
    for (size_t i = 0; i < d.quads.size(); ++i)
        for (int k = 0; k < 4; ++k) d.quads[i].v[k] = int(m->faces4[i].v[k]);
    d.edges.resize(m->edges.size());
    for (size_t i = 0; i < d.edges.size(); ++i) {
        d.edges[i].v[0] = int(m->edges[i].v0);
        d.edges[i].v[1] = int(m->edges[i].v1);
    }
    for (auto& t : d.triangles) t.box = EmptyBox3();
    for (auto& q : d.quads) q.box = EmptyBox3();
    for (auto& e : d.edges) e.box = EmptyBox3();
    m_defaultAccel = std::make_unique<CMeshAccel>(this);
    m_threadAccels.clear();
    return 1;
}

void CCheckMesh::SetTool(CTool* tool) { Renew(tool, false); }

void CCheckMesh::RenewAfterTurn(CTool* tool) { Renew(tool, true); }

void CCheckMesh::Renew(CTool* tool, bool keepSame)
{
    if (!m_defaultAccel) m_defaultAccel = std::make_unique<CMeshAccel>(this);
    if (VertexCount() == 0) return;
    Arrays& d = *m_data;
    // Triangles need a tool of some size for an offset; quads take it from any tool.
    const bool triangleTool = tool && tool->GetDia() >= mill::kMinToolDia;
    for (auto& t : d.triangles) SetFacetOffset<3>(*this, triangleTool ? tool : nullptr, t.v, t.off, t.box);
    for (auto& q : d.quads) SetFacetOffset<4>(*this, tool, q.v, q.off, q.box);
    const double r = tool ? tool->GetDia() / 2 : 0.0;
    for (auto& e : d.edges) {
        e.box.Init(Vertex(e.v[0]), Vertex(e.v[1]));
        e.box.xmin -= r, e.box.ymin -= r, e.box.xmax += r, e.box.ymax += r;
    }
    CalcBox();
    BuildIndex(keepSame);
}

void CCheckMesh::BuildIndex(bool keepSame)
{
    Arrays& d = *m_data;
    for (int kind = 0; kind < 3; ++kind) {
        const int n = ElementCount(kind);
        d.ids.resize(size_t(n));
        std::iota(d.ids.begin(), d.ids.end(), 0);
        for (int axis = 0; axis < 2; ++axis) {
            auto& idx = d.index[kind][axis];
            if (n < mill::SpanIndex::kMinIndexed) {
                idx.Clear();
                continue;
            }
            const auto lo = [&](int i) { return axis == 0 ? ElementBox(kind, i).xmin : ElementBox(kind, i).ymin; };
            const auto hi = [&](int i) { return axis == 0 ? ElementBox(kind, i).xmax : ElementBox(kind, i).ymax; };
            if (!keepSame || !idx.Same(d.ids.data(), n, lo, hi)) idx.Build(d.ids.data(), n, lo, hi);
        }
    }
}

void CCheckMesh::CalcBox()
{
    box = EmptyBox3();
    for (const auto& e : m_data->edges) box.Union(e.box);
    for (const auto& t : m_data->triangles) box.Union(t.box);
    for (const auto& q : m_data->quads) box.Union(q.box);
}

void CCheckMesh::RotateByZAxis(double c, double s)
{
    auto& v = m_data->vertices;
    for (size_t i = 0; i + 2 < v.size(); i += 3) {
        const double x = v[i], y = v[i + 1];
        v[i] = c * x - s * y;
        v[i + 1] = s * x + c * y;
    }
    CalcBox();
}

void CCheckMesh::RotateByXAxis(double a)
{
    if (std::fabs(a) < mill::kRotateMin) return;
    const double c = std::cos(a), s = std::sin(a);
    auto& v = m_data->vertices;
    for (size_t i = 0; i + 2 < v.size(); i += 3) {
        const double y = v[i + 1], z = v[i + 2];
        v[i + 1] = y * c - z * s;
        v[i + 2] = y * s + z * c;
    }
}

int CCheckMesh::MoveCheck(double dx, double dy, double dz)
{
    auto& v = m_data->vertices;
    for (size_t i = 0; i + 2 < v.size(); i += 3) v[i] += dx, v[i + 1] += dy, v[i + 2] += dz;
    return 1;
}

void CCheckMesh::InitAccel(int n)
{
    for (int i = 0; i < n; ++i) m_threadAccels.push_back(std::make_unique<CMeshAccel>(this));
}

void CCheckMesh::ClearAccel() { m_threadAccels.clear(); }

CMeshAccel* CCheckMesh::GetAccel()
{
    if (!m_threadAccels.empty()) {
        const int t = omp_get_thread_num();
        if (t >= 0 && size_t(t) < m_threadAccels.size()) return m_threadAccels[size_t(t)].get();
    }
    return m_defaultAccel.get();
}

int CCheckMesh::LiftZ(CTool* tool, double* p)
{
    CMeshAccel* acc = GetAccel();
    if (!acc) return 0;
    if (p[2] > box.zmax) return 0;
    const double z0 = p[2];
    const auto& tl = acc->lists[CMeshAccel::kTriangle];
    for (int k = 0; k < tl.activeCount; ++k) {
        const SCheckTriangle& t = Triangle(tl.active[size_t(k)]);
        if (!(t.box.zmax > p[2])) continue;
        const double h = FacetHeight<3>(*this, t.v, t.off, p[0], p[1]);
        if (h > p[2]) p[2] = h;
    }
    const auto& ql = acc->lists[CMeshAccel::kQuad];
    for (int k = 0; k < ql.activeCount; ++k) {
        const SCheckQuad& q = Quad(ql.active[size_t(k)]);
        if (q.box.zmax < p[2]) continue;
        const double h = FacetHeight<4>(*this, q.v, q.off, p[0], p[1]);
        if (h > p[2]) p[2] = h;
    }
    if (tool) {
        const auto& el = acc->lists[CMeshAccel::kEdge];
        for (int k = 0; k < el.activeCount; ++k) {
            const SCheckEdge& e = Edge(el.active[size_t(k)]);
            if (!(e.box.zmax > p[2])) continue;
            const double* a = Vertex(e.v[0]);
            const double* b = Vertex(e.v[1]);
            double h = tool->Zval_EdgeCC(a, b, p);
            if (h > p[2]) p[2] = h;
            for (const double* v : {a, b}) {
                if (!(v[2] > p[2])) continue;
                h = tool->Zval_VertCC(v, p);
                if (h > p[2]) p[2] = h;
            }
        }
    }
    return p[2] > z0 ? 1 : 0;
}

int CCheckMesh::LiftZ(CTool* tool, CNcPoint& p)
{
    CMeshAccel* acc = GetAccel();
    if (!acc || !tool) return 0;
    if (p.z > box.zmax) return 0;
    const double z0 = p.z;
    const double r = tool->GetDia() / 2;
    const double x0 = p.x - r, x1 = p.x + r, y0 = p.y - r, y1 = p.y + r;
    const auto near = [&](const BOX3<double>& b) { return MeetsXY(b, x0, y0, x1, y1, mill::kLiftXYTol); };
    const auto& tl = acc->lists[CMeshAccel::kTriangle];
    for (int k = 0; k < tl.activeCount; ++k) {
        const SCheckTriangle& t = Triangle(tl.active[size_t(k)]);
        if (!(t.box.zmax > p.z) || !near(t.box)) continue;
        const double h = FacetHeight<3>(*this, t.v, t.off, p.x, p.y);
        if (h > p.z) p.z = h, p.contact = kContactTriangle;
    }
    // A quad at exactly the current height takes the contact (its box top may equal it).
    const auto& ql = acc->lists[CMeshAccel::kQuad];
    for (int k = 0; k < ql.activeCount; ++k) {
        const SCheckQuad& q = Quad(ql.active[size_t(k)]);
        if (q.box.zmax < p.z || !near(q.box)) continue;
        const double h = FacetHeight<4>(*this, q.v, q.off, p.x, p.y);
        if (h >= p.z && h != mill::kNoHeight) p.z = h, p.contact = kContactQuad;
    }
    const auto& el = acc->lists[CMeshAccel::kEdge];
    const double pt[3] = {p.x, p.y, p.z};
    for (int k = 0; k < el.activeCount; ++k) {
        const SCheckEdge& e = Edge(el.active[size_t(k)]);
        if (!(e.box.zmax > p.z) || !near(e.box)) continue;
        const double* a = Vertex(e.v[0]);
        const double* b = Vertex(e.v[1]);
        double h = tool->Zval_EdgeCC(a, b, pt);
        if (h > p.z) p.z = h, p.contact = kContactEdge;
        for (const double* v : {a, b}) {
            h = tool->Zval_VertCC(v, pt);
            if (h > p.z) p.z = h, p.contact = kContactVertex;
        }
    }
    return p.z > z0 ? 1 : 0;
}

int CCheckMesh::ProjectPoint(double x, double y, double& z)
{
    CMeshAccel* acc = GetAccel();
    if (!acc) return 0;
    const double z0 = z;
    const double q[2] = {x, y};
    const auto inside = [&](const BOX3<double>& b) { return b.xmin <= x && x <= b.xmax && b.ymin <= y && y <= b.ymax; };
    const auto& tl = acc->lists[CMeshAccel::kTriangle];
    for (int k = 0; k < tl.activeCount; ++k) {
        const SCheckTriangle& t = Triangle(tl.active[size_t(k)]);
        if (!inside(t.box)) continue;
        const double* v[3] = {Vertex(t.v[0]), Vertex(t.v[1]), Vertex(t.v[2])};
        const double h = PolygonZAtXY(v, 3, q);
        if (h > z) z = h;
    }
    const auto& ql = acc->lists[CMeshAccel::kQuad];
    for (int k = 0; k < ql.activeCount; ++k) {
        const SCheckQuad& t = Quad(ql.active[size_t(k)]);
        if (!inside(t.box)) continue;
        const double* v[4] = {Vertex(t.v[0]), Vertex(t.v[1]), Vertex(t.v[2]), Vertex(t.v[3])};
        const double h = PolygonZAtXY(v, 4, q);
        if (h > z) z = h;
    }
    return z > z0 ? 1 : 0;
}

CCheckMesh* CCheckMesh::CreateSubMesh(CMeshAccel* accel)
{
    if (!accel) return nullptr;
    const auto& L = accel->lists;
    if (L[0].markedCount + L[1].markedCount + L[2].markedCount == 0) return nullptr;
    auto out = std::make_unique<CCheckMesh>();
    Arrays& d = *out->m_data;
    std::unordered_map<int, int> renumber(500);
    renumber.reserve(500);
    const auto map = [&](int old) {
        const auto [it, added] = renumber.try_emplace(old, int(renumber.size()));
        if (added) d.vertices.insert(d.vertices.end(), Vertex(old), Vertex(old) + 3);
        return it->second;
    };
    for (int k = 0; k < L[0].activeCount; ++k) {
        SCheckTriangle t = Triangle(L[0].active[size_t(k)]);
        for (int& v : t.v) v = map(v);
        d.triangles.push_back(t);
    }
    for (int k = 0; k < L[1].activeCount; ++k) {
        SCheckQuad q = Quad(L[1].active[size_t(k)]);
        for (int& v : q.v) v = map(v);
        d.quads.push_back(q);
    }
    for (int k = 0; k < L[2].activeCount; ++k) {
        SCheckEdge e = Edge(L[2].active[size_t(k)]);
        for (int& v : e.v) v = map(v);
        d.edges.push_back(e);
    }
    out->CalcBox();
    out->BuildIndex();
    return out.release();
}

void CCheckMesh::CreateIsoXCurve(double x, CTypedPtrList<CObList, CGeCurve*>* list)
{
    if (!list) return;
    const auto add = [&](const double* seg) {
        const double p[2] = {seg[2], seg[1]}, q[2] = {seg[5], seg[4]};
        list->AddTail(new CGeLine(p, q));
    };
    const auto spans = [&](const int* v, int n) {
        double lo = Vertex(v[0])[0], hi = lo;
        for (int k = 1; k < n; ++k) lo = std::min(lo, Vertex(v[k])[0]), hi = std::max(hi, Vertex(v[k])[0]);
        return lo <= x && x <= hi;
    };
    double seg[6];
    for (const auto& t : m_data->triangles)
        if (spans(t.v, 3) && TRI3_IntXPlane(Vertex(t.v[0]), Vertex(t.v[1]), Vertex(t.v[2]), x, mill::kIsoXTol, seg) == 2)
            add(seg);
    for (const auto& q : m_data->quads)
        if (spans(q.v, 4) &&
            QUAD3_IntXPlane(Vertex(q.v[0]), Vertex(q.v[1]), Vertex(q.v[2]), Vertex(q.v[3]), x, mill::kIsoXTol, seg) == 2)
            add(seg);
}
