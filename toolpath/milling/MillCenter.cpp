#include "toolpath/milling/MillCenter.h"

#include "framework/looker/Tool.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes3d/GeMesh.h"
#include "toolpath/milling/CentreConst.h"
#include "toolpath/milling/IntrusiveList.h"
#include "toolpath/surfkernel/KernelRecords.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <unordered_map>

using namespace centre;

namespace {

struct FacetDeleter {
    void operator()(_facet* f) const { FACET_Free(f); }
};
using FacetPtr = std::unique_ptr<_facet, FacetDeleter>;

// Calls f(corners, count, isQuad) for every triangle, then every quad.
template <class F>
void ForFacets(const _facet* t, F f)
{
    for (int i = 0; i < t->nt; ++i)
        f(t->tri[i], 3);
    for (int i = 0; i < t->nq; ++i)
        f(t->quad[i], 4);
}

void Unit(double* v, double tol)
{
    const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (l < tol)
        v[0] = v[1] = v[2] = 0;
    else
        v[0] /= l, v[1] /= l, v[2] /= l;
}

void BoxOf(const Pnt3* pts, const int* idx, int n, double* box)
{
    box[0] = box[1] = box[2] = 1e300;
    box[3] = box[4] = box[5] = -1e300;
    for (int k = 0; k < n; ++k) {
        const Pnt3& p = pts[idx ? idx[k] : k];
        for (int c = 0; c < 3; ++c)
            box[c] = std::min(box[c], p[size_t(c)]), box[c + 3] = std::max(box[c + 3], p[size_t(c)]);
    }
}

void Unite(double* box, const double* other)
{
    for (int c = 0; c < 3; ++c)
        box[c] = std::min(box[c], other[c]), box[c + 3] = std::max(box[c + 3], other[c + 3]);
}

// Edges grouped by their smaller vertex: bucket v holds, for every facet edge whose
// smaller vertex is v, the larger vertex (high 32 bits) and a payload (low 32 bits),
// sorted, so that the entries of one edge lie together in payload order. Built by
// counting, without a comparison sort of millions of entries; `edges(emit)` calls
// emit(a, b, payload) for every facet edge, the same way on both passes.
struct EdgeBuckets {
    std::vector<std::uint32_t> start;
    std::vector<std::uint64_t> ent;

    template <class Edges>
    EdgeBuckets(size_t vertices, size_t count, Edges edges) : start(vertices + 1, 0), ent(count)
    {
        edges([&](std::uint32_t a, std::uint32_t b, std::uint32_t) { ++start[size_t(std::min(a, b)) + 1]; });
        std::partial_sum(start.begin(), start.end(), start.begin());
        std::vector<std::uint32_t> at(start.begin(), start.end() - 1);
        edges([&](std::uint32_t a, std::uint32_t b, std::uint32_t payload) {
            ent[at[std::min(a, b)]++] = std::uint64_t(std::max(a, b)) << 32 | payload;
        });
        ent.resize(start.back());
        for (size_t v = 0; v + 1 < start.size(); ++v)
            if (start[v + 1] - start[v] > 1)
                std::sort(ent.begin() + start[v], ent.begin() + start[v + 1]);
    }
    // Calls f(a, b, first, end) for every edge (a, b), a < b, with its entries [first, end).
    template <class F>
    bool ForEdges(F f) const
    {
        for (size_t v = 0; v + 1 < start.size(); ++v)
            for (std::uint32_t i = start[v]; i < start[v + 1];) {
                std::uint32_t j = i + 1;
                while (j < start[v + 1] && ent[j] >> 32 == ent[i] >> 32)
                    ++j;
                if (!f(std::uint32_t(v), std::uint32_t(ent[i] >> 32), i, j))
                    return false;
                i = j;
            }
        return true;
    }
};

// The facet edges with payload (order << 1 | down-facing): what the per-vertex chains of
// an edge table see, one edge's entries in facet order.
EdgeBuckets FacetEdges(const _facet* t, const std::vector<std::uint8_t>& down)
{
    return EdgeBuckets(size_t(t->nn), size_t(t->nt) * 3 + size_t(t->nq) * 4, [&](auto emit) {
        std::uint32_t order = 0, facet = 0;
        ForFacets(t, [&](const std::int32_t* c, int n) {
            const std::uint32_t d = down.empty() ? 0 : down[facet];
            for (int k = 0; k < n; ++k, ++order)
                emit(std::uint32_t(c[k]), std::uint32_t(c[(k + 1) % n]), order << 1 | d);
            ++facet;
        });
    });
}

// An edge added twice with the same key cancels; the entries left of one edge alternate
// in key. Inner pairs are taken from the newest; an odd one out is outer.
struct EdgeOutcome {
    std::vector<std::pair<std::uint64_t, std::uint32_t>> inner, outer;  // key, order
};

bool Cancelled() { return gIsProgressCancel(); }

bool ReduceEdges(const EdgeBuckets& e, bool pairInner, EdgeOutcome& out)
{
    std::vector<std::uint32_t> stack;
    size_t seen = 0;
    return e.ForEdges([&](std::uint32_t a, std::uint32_t b, std::uint32_t first, std::uint32_t end) {
        if ((++seen & 0xFFFF) == 0 && Cancelled())
            return false;
        stack.clear();
        for (std::uint32_t i = first; i < end; ++i) {
            const auto p = std::uint32_t(e.ent[i]);
            if (!stack.empty() && (stack.back() & 1) == (p & 1))
                stack.pop_back();
            else
                stack.push_back(p);
        }
        const std::uint64_t key = std::uint64_t(a) << 32 | b;
        size_t top = stack.size();
        if (pairInner)
            for (; top >= 2; top -= 2)
                out.inner.push_back({key, stack[top - 1] >> 1});
        for (size_t k = 0; k < top; ++k)
            out.outer.push_back({key, stack[k] >> 1});
        return true;
    });
}

void FillEdge(std::vector<std::pair<std::uint64_t, std::uint32_t>>& recs, CEdge& edge)
{
    // Sorted by smaller vertex, then in facet order.
    std::sort(recs.begin(), recs.end(), [](const auto& x, const auto& y) {
        const std::uint64_t ax = x.first >> 32, ay = y.first >> 32;
        return ax != ay ? ax < ay : x.second < y.second;
    });
    for (const auto& r : recs)
        edge.EdgeAdd(int(r.first >> 32), int(r.first & 0xFFFFFFFFu));
}

double Dist3(const Pnt3& a, const Pnt3& b) { return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2])); }

double PointSegDist3(const Pnt3& p, const Pnt3& a, const Pnt3& b)
{
    double d[3], w[3];
    double dd = 0, wd = 0;
    for (int c = 0; c < 3; ++c) {
        d[c] = b[size_t(c)] - a[size_t(c)];
        w[c] = p[size_t(c)] - a[size_t(c)];
        dd += d[c] * d[c];
        wd += w[c] * d[c];
    }
    const double t = dd > 0 ? std::clamp(wd / dd, 0.0, 1.0) : 0.0;
    double s = 0;
    for (int c = 0; c < 3; ++c)
        s += (w[c] - t * d[c]) * (w[c] - t * d[c]);
    return std::sqrt(s);
}

// Angle at b between a and c.
double Angle3(const Pnt3& a, const Pnt3& b, const Pnt3& c)
{
    double u[3], v[3];
    for (int k = 0; k < 3; ++k)
        u[k] = a[size_t(k)] - b[size_t(k)], v[k] = c[size_t(k)] - b[size_t(k)];
    const double cx = u[1] * v[2] - u[2] * v[1], cy = u[2] * v[0] - u[0] * v[2], cz = u[0] * v[1] - u[1] * v[0];
    return std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), u[0] * v[0] + u[1] * v[1] + u[2] * v[2]);
}

// Grid cell of a point for the end index of edge sets and the vertex set.
struct CellKey {
    std::int64_t x, y;
    bool operator==(const CellKey& o) const { return x == o.x && y == o.y; }
};
struct CellHash {
    size_t operator()(const CellKey& k) const { return std::hash<std::int64_t>()(k.x * 73856093 ^ k.y * 19349663); }
};
constexpr double kCell = 0.05;
CellKey CellOf(double x, double y) { return {std::int64_t(std::floor(x / kCell)), std::int64_t(std::floor(y / kCell))}; }

}  // namespace

// CEdge ----------------------------------------------------------------------------

const std::vector<CEdge::Rec>& CEdge::Records()
{
    if (!m_sorted)
        std::stable_sort(m_recs.begin(), m_recs.end(), [](const Rec& x, const Rec& y) { return x.a < y.a; });
    m_sorted = true;
    return m_recs;
}

// Edge sets ------------------------------------------------------------------------

void SEdgeLine::DefineBox() { BoxOf(pts.data(), nullptr, int(pts.size()), box); }

// Ids (polylines or vertices) by the cell of a point, and the place of each polyline in
// its set, so that searches look only near a point.
struct SEdgeEndIndex {
    std::unordered_map<CellKey, std::vector<SEdgeLine*>, CellHash> cells;
    std::unordered_map<const SEdgeLine*, std::int64_t> seq;
    std::int64_t next = 0;
    std::unordered_map<CellKey, std::vector<int>, CellHash> vertexCells;

    void Add(SEdgeLine* l)
    {
        cells[CellOf(l->pts.front()[0], l->pts.front()[1])].push_back(l);
        cells[CellOf(l->pts.back()[0], l->pts.back()[1])].push_back(l);
    }
    void Remove(SEdgeLine* l)
    {
        for (const Pnt3* e : {&l->pts.front(), &l->pts.back()}) {
            auto& v = cells[CellOf((*e)[0], (*e)[1])];
            v.erase(std::remove(v.begin(), v.end(), l), v.end());
        }
    }
};

CEdgeSet::CEdgeSet() = default;
CEdgeSet::~CEdgeSet() { Clear(); }

void CEdgeSet::Clear()
{
    DeleteChain(head);
    head = tail = nullptr;
    count = 0;
    index.reset();
}

void CEdgeSet::Append(std::unique_ptr<SEdgeLine> line) { ChainAppend(head, tail, count, line.release()); }

void CEdgeSet::TakeAll(CEdgeSet& from)
{
    while (from.head) {
        SEdgeLine* l = from.head;
        from.head = l->next;
        if (from.head)
            from.head->prev = nullptr;
        --from.count;
        Append(std::unique_ptr<SEdgeLine>(l));
    }
    from.Clear();
}

// Offset surfaces ------------------------------------------------------------------

void SOffsetSurf::DefineBoxes()
{
    for (SCentreTri& t : tris)
        BoxOf(pts.data(), t.v, 3, t.box);
    for (SCentreQuad& q : quads)
        BoxOf(pts.data(), q.v, 4, q.box);
    BoxOf(pts.data(), nullptr, int(pts.size()), box);
}

// The model ------------------------------------------------------------------------

CMillCenter::CMillCenter() { flatBounds.height = centre::kNoHeight; }

CMillCenter::~CMillCenter()
{
    DeleteChain(offsets);
    DeleteChain(edges);
    DeleteChain(bounds);
}

int CMillCenter::IsNormalDown(const _facetnode* nodes, const int* c)
{
    const double* p0 = nodes[c[0]].p;
    const double* p1 = nodes[c[1]].p;
    const double* p2 = nodes[c[2]].p;
    const double a = (p1[0] - p0[0]) * (p2[1] - p1[1]) - (p1[1] - p0[1]) * (p2[0] - p1[0]);
    return a < kDownArea ? 1 : 0;
}

void CMillCenter::ReverseDirect(_facet* t)
{
    for (int i = 0; i < t->nn; ++i)
        for (double& c : t->nodes[i].n)
            c = -c;
    for (int i = 0; i < t->nt; ++i)
        std::swap(t->tri[i][0], t->tri[i][2]);
    for (int i = 0; i < t->nq; ++i) {
        std::swap(t->quad[i][0], t->quad[i][3]);
        std::swap(t->quad[i][1], t->quad[i][2]);
    }
}

int CMillCenter::GenOutEdge(_facet* t, CEdge& outer)
{
    EdgeOutcome out;
    if (!ReduceEdges(FacetEdges(t, {}), false, out))
        return 0;
    FillEdge(out.outer, outer);
    return 1;
}

int CMillCenter::GenInnOutEdge(_facet* t, CEdge& inner, CEdge& outer)
{
    std::vector<std::uint8_t> down;
    down.reserve(size_t(t->nt + t->nq));
    std::vector<std::uint8_t> flagged(size_t(t->nn), 0);
    ForFacets(t, [&](const std::int32_t* c, int n) {
        const int corners[3] = {c[0], c[1], c[2]};
        const std::uint8_t d = std::uint8_t(IsNormalDown(t->nodes, corners));
        down.push_back(d);
        if (d)
            for (int k = 0; k < n; ++k)
                flagged[size_t(c[k])] = 1;
    });
    EdgeOutcome out;
    if (!ReduceEdges(FacetEdges(t, down), true, out))
        return 0;
    FillEdge(out.inner, inner);
    FillEdge(out.outer, outer);
    for (const auto& r : out.inner)
        flagged[size_t(r.first >> 32)] = flagged[size_t(r.first & 0xFFFFFFFFu)] = 0;
    for (int i = 0; i < t->nn; ++i)
        if (flagged[size_t(i)])
            for (double& c : t->nodes[i].n)
                c = -c;
    return 1;
}

int CMillCenter::AnalysisFacet(_facet* t, CEdge& inner, CEdge& outer)
{
    if (!t)
        return -1;
    int up = 0, flatUp = 0, wall = 0, flatDown = 0, down = 0;
    for (int i = 0; i < t->nn; ++i) {
        double* n = t->nodes[i].n;
        Unit(n, kDegenerate);
        const double nz = n[2];
        if (nz > kNormalUp) {
            ++up;
            flatUp += nz > kNormalFlat;
        } else if (nz > -kNormalUp) {
            ++wall;
            n[2] = 0;
        } else if (nz <= -kNormalFlat) {
            ++flatDown;
        } else {
            ++down;
        }
    }
    const int n = t->nn;
    int kind;
    if (flatUp == n || flatDown == n) {
        if (flatDown == n)
            ReverseDirect(t);
        kind = 0;
    } else if (wall == n) {
        kind = 1;
    } else if (up + wall == n) {
        kind = 2;
    } else if (down + flatDown + wall == n) {
        ReverseDirect(t);
        kind = 2;
    } else {
        GenInnOutEdge(t, inner, outer);
        return 4;
    }
    GenOutEdge(t, outer);
    return kind;
}

void CMillCenter::GenOffsetSurf(_facet* t, CEdge& inner, int kind)
{
    if (!t || kind == 1)
        return;
    auto s = std::make_unique<SOffsetSurf>();
    const int n = t->nn;
    s->pts.resize(size_t(n));
    for (int i = 0; i < n; ++i) {
        const _facetnode& v = t->nodes[i];
        double off[3] = {0, 0, 0};
        if (kind != 0 && tool)
            tool->Eval_FacetCC_OffVec(v.n, off);
        s->pts[size_t(i)] = {v.p[0] + off[0], v.p[1] + off[1], v.p[2] + off[2]};
    }
    // Silhouette vertices get a second point, for the down-facing facets.
    std::vector<int> extra(size_t(n), -1);
    if (kind != 0)
        for (const CEdge::Rec& r : inner.Records())
            for (int v : {r.a, r.b}) {
                if (extra[size_t(v)] >= 0)
                    continue;
                extra[size_t(v)] = int(s->pts.size());
                const _facetnode& nd = t->nodes[v];
                const double nn[3] = {-nd.n[0], -nd.n[1], nd.n[2]};
                double off[3] = {0, 0, 0};
                if (tool)
                    tool->Eval_FacetCC_OffVec(nn, off);
                s->pts.push_back({nd.p[0] + off[0], nd.p[1] + off[1], nd.p[2] + off[2]});
            }
    const bool anyExtra = s->pts.size() > size_t(n);
    const auto corner = [&](const std::int32_t* c, int k, bool down) {
        return down && extra[size_t(c[k])] >= 0 ? extra[size_t(c[k])] : c[k];
    };
    s->tris.resize(size_t(t->nt));
    for (int i = 0; i < t->nt; ++i) {
        const int cs[3] = {t->tri[i][0], t->tri[i][1], t->tri[i][2]};
        const bool down = anyExtra && IsNormalDown(t->nodes, cs);
        for (int k = 0; k < 3; ++k)
            s->tris[size_t(i)].v[k] = corner(t->tri[i], k, down);
    }
    s->quads.resize(size_t(t->nq));
    for (int i = 0; i < t->nq; ++i) {
        const int cs[3] = {t->quad[i][0], t->quad[i][1], t->quad[i][2]};
        const bool down = anyExtra && IsNormalDown(t->nodes, cs);
        for (int k = 0; k < 4; ++k)
            s->quads[size_t(i)].v[k] = corner(t->quad[i], k, down);
    }
    s->DefineBoxes();
    s->next = offsets;
    offsets = s.release();
    ++offsetCount;
}

void CMillCenter::ThinPolyline(std::vector<Pnt3>& pts, double tol)
{
    const std::vector<char> keep =
        GreedyThinKeep(pts.size(), tol, [&](size_t k, size_t a, size_t e) { return PointSegDist3(pts[k], pts[a], pts[e]); });
    size_t w = 0;
    for (size_t i = 0; i < pts.size(); ++i)
        if (keep[i])
            pts[w++] = pts[i];
    pts.resize(w);
}

int CMillCenter::EdgeLineCompare(const SEdgeLine& l, const SEdgeLine& piece)
{
    const std::vector<Pnt3>& pts = piece.pts;
    if (l.pts.size() != pts.size())
        return 0;
    for (int c = 0; c < 2; ++c)
        if (l.box[c] > piece.box[c + 3] + kEdgeSame || piece.box[c] > l.box[c + 3] + kEdgeSame)
            return 0;
    const size_t n = pts.size();
    for (int rev = 0; rev < 2; ++rev) {
        bool same = true;
        for (size_t i = 0; i < n && same; ++i) {
            const Pnt3& q = l.pts[rev ? n - 1 - i : i];
            same = std::fabs(q[0] - pts[i][0]) <= kEdgeSame && std::fabs(q[1] - pts[i][1]) <= kEdgeSame;
        }
        if (!same)
            continue;
        bool lower = false, higher = false;
        for (size_t i = 0; i < n; ++i) {
            const double dz = pts[i][2] - l.pts[rev ? n - 1 - i : i][2];
            lower |= dz < 0;
            higher |= dz > 0;
        }
        return !lower ? 1 : !higher ? 2 : 3;
    }
    return 0;
}

void CMillCenter::EdgeSetAddUpper(CEdgeSet& set, std::vector<Pnt3> pts)
{
    if (pts.empty())
        return;
    bool vertical = true;
    for (const Pnt3& p : pts)
        vertical = vertical && std::fabs(p[0] - pts[0][0]) <= kEdgeSame && std::fabs(p[1] - pts[0][1]) <= kEdgeSame;
    if (vertical)
        return;
    auto piece = std::make_unique<SEdgeLine>();
    piece->pts = std::move(pts);
    piece->DefineBox();
    if (!set.index || set.index->seq.size() != size_t(set.count)) {
        // Polylines that arrived other than through here: index them all afresh.
        set.index = std::make_unique<SEdgeEndIndex>();
        for (SEdgeLine* l = set.head; l; l = l->next) {
            set.index->seq[l] = set.index->next++;
            set.index->Add(l);
        }
    }
    SEdgeEndIndex& index = *set.index;
    // Candidates: polylines with an end in the cells around the piece's first point (a
    // match has one within 0.01 of it), in set order, the order of the plain scan.
    std::vector<std::pair<std::int64_t, SEdgeLine*>> cand;
    const CellKey c0 = CellOf(piece->pts.front()[0], piece->pts.front()[1]);
    for (std::int64_t dx = -1; dx <= 1; ++dx)
        for (std::int64_t dy = -1; dy <= 1; ++dy) {
            const auto it = index.cells.find({c0.x + dx, c0.y + dy});
            if (it != index.cells.end())
                for (SEdgeLine* l : it->second)
                    cand.push_back({index.seq[l], l});
        }
    std::sort(cand.begin(), cand.end());
    cand.erase(std::unique(cand.begin(), cand.end()), cand.end());
    for (const auto& [seq, l] : cand) {
        const int cmp = EdgeLineCompare(*l, *piece);
        if (cmp == 1) {
            index.Remove(l);
            l->pts = std::move(piece->pts);
            l->DefineBox();
            index.Add(l);
            return;
        }
        if (cmp == 2)
            return;
    }
    SEdgeLine* l = piece.get();
    set.Append(std::move(piece));
    index.seq[l] = index.next++;
    index.Add(l);
}

void CMillCenter::EdgeSetAddSplit(CEdgeSet& set, const std::vector<Pnt3>& pts)
{
    if (pts.size() < 2)
        return;
    size_t start = 0;
    for (size_t i = 1; i + 1 < pts.size(); ++i) {
        const double xy = std::hypot(pts[i][0] - pts[i - 1][0], pts[i][1] - pts[i - 1][1]);
        const double dz = std::fabs(pts[i][2] - pts[i - 1][2]);
        if (Angle3(pts[i - 1], pts[i], pts[i + 1]) < kEdgeSplitAngle || xy < kEdgeSteep * dz) {
            EdgeSetAddUpper(set, std::vector<Pnt3>(pts.begin() + long(start), pts.begin() + long(i) + 1));
            start = i;
        }
    }
    EdgeSetAddUpper(set, std::vector<Pnt3>(pts.begin() + long(start), pts.end()));
}

int CMillCenter::EdgeSetAddChains(CEdgeSet& set, CEdge& edges, const _facet* t, CEdgeSet* bnd)
{
    const std::vector<CEdge::Rec>& recs = edges.Records();
    if (recs.empty())
        return 1;
    // Records by vertex, in list order.
    std::vector<int> start(size_t(t->nn) + 1, 0);
    for (const CEdge::Rec& r : recs)
        ++start[size_t(r.a) + 1], ++start[size_t(r.b) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<int> at(start.begin(), start.end() - 1), byVertex(recs.size() * 2);
    for (size_t i = 0; i < recs.size(); ++i) {
        byVertex[size_t(at[size_t(recs[i].a)]++)] = int(i);
        byVertex[size_t(at[size_t(recs[i].b)]++)] = int(i);
    }
    std::vector<int> cursor(start.begin(), start.end() - 1);
    std::vector<char> used(recs.size(), 0);
    std::vector<Pnt3> pts;
    for (size_t i = 0; i < recs.size(); ++i) {
        if (used[i])
            continue;
        if ((i & 0x3FF) == 0 && Cancelled())
            return 0;
        used[i] = 1;
        pts.clear();
        const auto point = [&](int v) { return Pnt3{t->nodes[v].p[0], t->nodes[v].p[1], t->nodes[v].p[2]}; };
        pts.push_back(point(recs[i].a));
        int last = recs[i].b;
        pts.push_back(point(last));
        for (;;) {
            int& c = cursor[size_t(last)];
            while (c < start[size_t(last) + 1] && used[size_t(byVertex[size_t(c)])])
                ++c;
            if (c >= start[size_t(last) + 1])
                break;
            const CEdge::Rec& r = recs[size_t(byVertex[size_t(c)])];
            used[size_t(byVertex[size_t(c)])] = 1;
            last = r.a == last ? r.b : r.a;
            pts.push_back(point(last));
        }
        ThinPolyline(pts, kEdgeThin);
        if (bnd) {
            auto l = std::make_unique<SEdgeLine>();
            l->pts = pts;
            l->DefineBox();
            bnd->Append(std::move(l));
        }
        EdgeSetAddSplit(set, pts);
    }
    return 1;
}

void CMillCenter::EdgeLinesToCurves(const CEdgeSet& lines, CIntCurveSet& out)
{
    double top = centre::kNoHeight;
    for (const SEdgeLine* l = lines.head; l; l = l->next) {
        for (const Pnt3& p : l->pts)
            top = std::max(top, p[2]);
        if (l->pts.size() < 2)
            continue;
        auto c = std::make_unique<SIntCurve>();
        c->height = l->pts.front()[2];
        for (const Pnt3& p : l->pts) {
            const double q[2] = {p[0], p[1]};
            CurveAppendPoint(q, *c);
        }
        CurveClose(*c);
        CurveSetAppend(out, std::move(c));
    }
    out.height = std::max(out.height, top);
}

void CMillCenter::FlatBoundToCurves(CEdgeSet& bnd) { EdgeLinesToCurves(bnd, flatBounds); }

void CMillCenter::AddBoundRec(CEdgeSet& bnd, int kind, double limit)
{
    if (kind == 0) {
        FlatBoundToCurves(bnd);
        return;
    }
    // A wall-only mesh adds no offset surface of its own: no record (pairing its
    // boundary with an earlier mesh's surface would mix two meshes).
    if (kind == 1 || !offsets || !bnd.head)
        return;
    SOffsetSurf* s = offsets;
    s->DefineBoxes();
    const double height = s->box[5] - s->box[2];
    const double extent = std::min(s->box[3] - s->box[0], s->box[4] - s->box[1]);
    if (!(height < limit * extent))
        return;
    for (SEdgeLine* l = bnd.head; l; l = l->next)
        for (size_t i = 1; i < l->pts.size(); ++i) {
            const double xy = std::hypot(l->pts[i][0] - l->pts[i - 1][0], l->pts[i][1] - l->pts[i - 1][1]);
            if (xy >= kBoundSegMin && std::fabs(l->pts[i][2] - l->pts[i - 1][2]) > limit * xy)
                return;
        }
    auto rec = std::make_unique<SBoundRec>();
    rec->surf = s;
    rec->lines.TakeAll(bnd);
    rec->next = bounds;
    bounds = rec.release();
}

void CMillCenter::VertexSetAdd(const Pnt3& p)
{
    // Stored vertices by cell: every vertex within 0.01 of p lies in the 3 x 3 cells
    // around it.
    if (!m_vertexCells)
        m_vertexCells = std::make_unique<SEdgeEndIndex>();
    auto& grid = m_vertexCells->vertexCells;
    const CellKey c0 = CellOf(p[0], p[1]);
    int found = -1;
    for (std::int64_t dx = -1; dx <= 1; ++dx)
        for (std::int64_t dy = -1; dy <= 1; ++dy) {
            const auto it = grid.find({c0.x + dx, c0.y + dy});
            if (it == grid.end())
                continue;
            for (int i : it->second)
                if ((found < 0 || i < found) && Dist3(vertices.v[size_t(i)], p) <= kVertexSame)
                    found = i;
        }
    if (found >= 0) {
        Pnt3& q = vertices.v[size_t(found)];
        if (q[2] > p[2] + kVertexHigher)
            return;
        auto& cell = grid[CellOf(q[0], q[1])];
        cell.erase(std::remove(cell.begin(), cell.end(), found), cell.end());
        q = p;
        vertices.floorZ[size_t(found)] = p[2];
        grid[c0].push_back(found);
        return;
    }
    vertices.v.push_back(p);
    vertices.floorZ.push_back(p[2]);
    grid[c0].push_back(int(vertices.v.size()) - 1);
}

void CMillCenter::GenVertexSurf(CEdgeSet& set)
{
    if (!set.head)
        return;
    vertices.v.reserve(vertices.v.size() + size_t(set.count) * 2);
    for (SEdgeLine* l = set.head; l; l = l->next) {
        if (l->pts.empty())
            continue;
        VertexSetAdd(l->pts.front());
        VertexSetAdd(l->pts.back());
    }
    if (tool && !vertices.v.empty()) {
        BoxOf(vertices.v.data(), nullptr, int(vertices.v.size()), vertices.box);
        const double r = tool->GetDia() / 2.0;
        vertices.box[0] -= r, vertices.box[1] -= r, vertices.box[2] -= r;
        vertices.box[3] += r, vertices.box[4] += r;
    }
}

void CMillCenter::GenBoundSurf(CEdgeSet& set)
{
    for (SEdgeLine* l = set.head; l; l = l->next) {
        auto s = std::make_unique<SEdgeSurf>();
        const size_t n = l->pts.size();
        if (n >= 2 && tool) {
            const double r = tool->GetDia() / 2.0;
            double low = 1e300;
            for (const Pnt3& p : l->pts)
                low = std::min(low, p[2]);
            s->floorZ = -1e12;
            const double floorZ = low - r;
            std::vector<Pnt3> dir(n);
            for (size_t i = 0; i + 1 < n; ++i) {
                for (int c = 0; c < 3; ++c)
                    dir[i][size_t(c)] = l->pts[i + 1][size_t(c)] - l->pts[i][size_t(c)];
                Unit(dir[i].data(), 0);
            }
            dir[n - 1] = dir[n - 2];
            std::vector<Pnt3> avg = dir;
            for (size_t i = 1; i + 1 < n; ++i)
                for (int c = 0; c < 3; ++c)
                    avg[i][size_t(c)] = 0.5 * (dir[i][size_t(c)] + dir[i - 1][size_t(c)]);
            s->rows = int(n);
            s->grid.resize(n * 15);
            for (size_t i = 0; i < n; ++i) {
                const Pnt3& d = avg[i];
                double v[3] = {-d[1], d[0], 0};
                Unit(v, kDegenerate);
                double u[3] = {d[1] * v[2] - d[2] * v[1], d[2] * v[0] - d[0] * v[2], d[0] * v[1] - d[1] * v[0]};
                Unit(u, kDegenerate);
                for (int j = 1; j <= 13; ++j) {
                    const double t = (j - 1) * M_PI / 12;
                    const double nn[3] = {std::cos(t) * v[0] + std::sin(t) * u[0], std::cos(t) * v[1] + std::sin(t) * u[1],
                                          std::cos(t) * v[2] + std::sin(t) * u[2]};
                    double off[3] = {0, 0, 0};
                    tool->Eval_FacetCC_OffVec(nn, off);
                    s->grid[i * 15 + size_t(j)] = {l->pts[i][0] + off[0], l->pts[i][1] + off[1], l->pts[i][2] + off[2]};
                }
                Pnt3 c0 = s->grid[i * 15 + 1], c14 = s->grid[i * 15 + 13];
                c0[2] = std::min(c0[2], floorZ);
                c14[2] = std::min(c14[2], floorZ);
                s->grid[i * 15] = c0;
                s->grid[i * 15 + 14] = c14;
            }
            BoxOf(s->grid.data(), nullptr, int(s->grid.size()), s->box);
        }
        s->next = edges;
        edges = s.release();
        ++edgeCount;
    }
}

void CMillCenter::DefineBox()
{
    bool any = false;
    double b[6] = {1e300, 1e300, 1e300, -1e300, -1e300, -1e300};
    for (SOffsetSurf* s = offsets; s; s = s->next)
        if (!s->pts.empty())
            Unite(b, s->box), any = true;
    for (SEdgeSurf* s = edges; s; s = s->next)
        if (s->rows > 0)
            Unite(b, s->box), any = true;
    if (!vertices.v.empty() && tool)
        Unite(b, vertices.box), any = true;
    for (int c = 0; c < 6; ++c)
        box[c] = any ? b[c] : 0;
}

// Facet tables ---------------------------------------------------------------------

_facet* MeshToFacet(CGeMesh* mesh)
{
    if (!mesh || (mesh->faces3.empty() && mesh->faces4.empty()))
        return nullptr;
    if (mesh->normals.size() != mesh->vertices.size()) {
        mesh->Need_VertexNormals();
        if (mesh->normals.size() != mesh->vertices.size())
            return nullptr;
    }
    const int nv = int(mesh->vertices.size()), nt = int(mesh->faces3.size()), nq = int(mesh->faces4.size());
    const size_t slots = size_t(nt) * 3 + size_t(nq) * 4;
    const auto cornerOf = [&](size_t slot) -> std::uint32_t {
        return slot < size_t(nt) * 3 ? mesh->faces3[slot / 3].v[slot % 3]
                                     : mesh->faces4[(slot - size_t(nt) * 3) / 4].v[(slot - size_t(nt) * 3) % 4];
    };
    const auto faceOf = [&](size_t slot) { return slot < size_t(nt) * 3 ? slot / 3 : size_t(nt) + (slot - size_t(nt) * 3) / 4; };
    const auto faceSize = [&](size_t face) { return face < size_t(nt) ? 3 : 4; };
    const auto firstSlot = [&](size_t face) { return face < size_t(nt) ? face * 3 : size_t(nt) * 3 + (face - size_t(nt)) * 4; };
    // Corner slots are numbered in 31 bits (edge entries keep one flag beside them).
    if (slots >= (size_t(1) << 31))
        return nullptr;
    for (size_t s = 0; s < slots; ++s)
        if (cornerOf(s) >= std::uint32_t(nv))
            return nullptr;

    // Unit facet normals in double precision.
    const size_t nf = size_t(nt) + size_t(nq);
    std::vector<Pnt3> fn(nf);
    for (size_t f = 0; f < nf; ++f) {
        const size_t s0 = firstSlot(f);
        const int k = faceSize(f);
        double n[3] = {0, 0, 0};
        for (int i = 0; i < k; ++i) {
            const CPoint3f& a = mesh->vertices[cornerOf(s0 + size_t(i))];
            const CPoint3f& b = mesh->vertices[cornerOf(s0 + size_t((i + 1) % k))];
            n[0] += (double(a.y) - b.y) * (double(a.z) + b.z);
            n[1] += (double(a.z) - b.z) * (double(a.x) + b.x);
            n[2] += (double(a.x) - b.x) * (double(a.y) + b.y);
        }
        Unit(n, 1e-12);
        fn[f] = {n[0], n[1], n[2]};
    }
    // Corners of neighbouring facets that meet at less than the crease angle belong to
    // one smooth patch at each shared vertex.
    // Union-find over corner slots; a class's root is its smallest slot.
    std::unique_ptr<std::uint32_t[]> parent(new std::uint32_t[slots]);
    std::iota(parent.get(), parent.get() + slots, 0u);
    const auto find = [&](std::uint32_t x) {
        while (parent[x] != x)
            x = parent[x] = parent[parent[x]];
        return x;
    };
    const auto unite = [&](std::uint32_t a, std::uint32_t b) {
        a = find(a), b = find(b);
        if (a != b)
            parent[std::max(a, b)] = std::min(a, b);
    };
    // Edge entries carry the slot of the smaller vertex's corner and whether the larger
    // vertex's corner follows it in the facet (1) or precedes it (0).
    const EdgeBuckets es(size_t(nv), slots, [&](auto emit) {
        for (size_t f = 0; f < nf; ++f) {
            const size_t s0 = firstSlot(f);
            const int k = faceSize(f);
            for (int i = 0; i < k; ++i) {
                const auto sa = std::uint32_t(s0 + size_t(i)), sb = std::uint32_t(s0 + size_t((i + 1) % k));
                const std::uint32_t a = cornerOf(sa), b = cornerOf(sb);
                if (a != b)
                    emit(a, b, a < b ? sa << 1 | 1 : sb << 1);
            }
        }
    });
    const auto otherSlot = [&](std::uint32_t p) {
        const std::uint32_t sa = p >> 1;
        const size_t f = faceOf(sa), s0 = firstSlot(f);
        const int k = faceSize(f);
        const size_t i = sa - s0;
        return std::uint32_t(s0 + ((p & 1) ? (i + 1) % size_t(k) : (i + size_t(k) - 1) % size_t(k)));
    };
    const double creaseCos = std::cos(kCreaseAngle);
    es.ForEdges([&](std::uint32_t, std::uint32_t, std::uint32_t first, std::uint32_t end) {
        // Only an edge of exactly two facets joins them; degenerate facets join freely.
        if (end - first != 2)
            return true;
        const auto p0 = std::uint32_t(es.ent[first]), p1 = std::uint32_t(es.ent[first + 1]);
        const Pnt3& n0 = fn[faceOf(p0 >> 1)];
        const Pnt3& n1 = fn[faceOf(p1 >> 1)];
        const double dot = n0[0] * n1[0] + n0[1] * n1[1] + n0[2] * n1[2];
        const bool degenerate = (n0[0] == 0 && n0[1] == 0 && n0[2] == 0) || (n1[0] == 0 && n1[1] == 0 && n1[2] == 0);
        if (degenerate || dot >= creaseCos) {
            unite(p0 >> 1, p1 >> 1);
            unite(otherSlot(p0), otherSlot(p1));
        }
        return true;
    });
    // Patches per vertex: the first keeps the vertex, every further one a new vertex. A
    // root comes before the other slots of its class, so its number is known first.
    std::unique_ptr<int[]> index(new int[slots]);
    std::vector<std::uint8_t> seen(size_t(nv), 0), split(size_t(nv), 0);
    int next = nv;
    std::vector<int> origin;  // new vertex -> mesh vertex
    for (size_t s = 0; s < slots; ++s) {
        const std::uint32_t r = find(std::uint32_t(s));
        if (r != s) {
            index[s] = index[r];
            continue;
        }
        const std::uint32_t v = cornerOf(s);
        if (!seen[v]) {
            seen[v] = 1;
            index[s] = int(v);
        } else {
            index[s] = next++;
            origin.push_back(int(v));
            split[v] = 1;
        }
    }
    _facet* t = FACET_New(next, nt, nq);
    if (!t)
        return nullptr;
    for (int i = 0; i < next; ++i) {
        const CPoint3f& p = mesh->vertices[size_t(i < nv ? i : origin[size_t(i - nv)])];
        _facetnode& nd = t->nodes[i];
        nd.p[0] = p.x, nd.p[1] = p.y, nd.p[2] = p.z;
        if (i < nv) {
            const CVector3f& n = mesh->normals[size_t(i)];
            nd.n[0] = n.dx, nd.n[1] = n.dy, nd.n[2] = n.dz;
        }
    }
    // A split vertex takes, per patch, the mean of its facets' normals.
    std::vector<char> reset(size_t(next), 0);
    for (size_t s = 0; s < slots; ++s) {
        const int v = index[s];
        const int mv = v < nv ? v : origin[size_t(v - nv)];
        if (!split[size_t(mv)])
            continue;
        _facetnode& nd = t->nodes[v];
        if (!reset[size_t(v)])
            nd.n[0] = nd.n[1] = nd.n[2] = 0, reset[size_t(v)] = 1;
        const Pnt3& n = fn[faceOf(s)];
        nd.n[0] += n[0], nd.n[1] += n[1], nd.n[2] += n[2];
    }
    for (int v = 0; v < next; ++v)
        if (reset[size_t(v)])
            Unit(t->nodes[v].n, 1e-12);
    for (int i = 0; i < nt; ++i)
        for (int k = 0; k < 3; ++k)
            t->tri[i][k] = index[size_t(i) * 3 + size_t(k)];
    for (int i = 0; i < nq; ++i)
        for (int k = 0; k < 4; ++k)
            t->quad[i][k] = index[size_t(nt) * 3 + size_t(i) * 4 + size_t(k)];
    return t;
}

// Building -------------------------------------------------------------------------

CMillCenter* CreateMillCentre(CMillMeshList* meshes, CTool* tool, double, int flag, double slopeLimit)
{
    if (!meshes || meshes->IsEmpty())
        return nullptr;
    auto model = std::make_unique<CMillCenter>();
    model->tool = tool;
    model->flag = flag;
    model->slopeLimit = slopeLimit;
    CEdgeSet set;
    for (POSITION pos = meshes->GetHeadPosition(); pos;) {
        CGeMesh* mesh = meshes->GetNext(pos);
        if (!mesh || (mesh->faces3.empty() && mesh->faces4.empty()))
            continue;
        FacetPtr table(MeshToFacet(mesh));
        if (!table) {
            if (Cancelled())
                return nullptr;
            continue;
        }
        CEdge inner, outer;
        const int kind = model->AnalysisFacet(table.get(), inner, outer);
        if (Cancelled())
            return nullptr;
        model->GenOffsetSurf(table.get(), inner, kind);
        if (!CMillCenter::EdgeSetAddChains(set, inner, table.get(), nullptr))
            return nullptr;
        if (kind == 0 || flag) {
            CEdgeSet bnd;
            if (!CMillCenter::EdgeSetAddChains(set, outer, table.get(), &bnd))
                return nullptr;
            model->AddBoundRec(bnd, kind, slopeLimit);
        } else if (!CMillCenter::EdgeSetAddChains(set, outer, table.get(), nullptr)) {
            return nullptr;
        }
    }
    if (Cancelled())
        return nullptr;
    model->GenVertexSurf(set);
    model->GenBoundSurf(set);
    model->DefineBox();
    return model.release();
}

CMillCenter* MillCenterFromBoundRec(const SBoundRec* rec, CTool* tool)
{
    if (!tool || !rec || !rec->surf)
        return nullptr;
    auto model = std::make_unique<CMillCenter>();
    model->tool = tool;
    auto s = std::make_unique<SOffsetSurf>();
    s->pts = rec->surf->pts;
    s->tris = rec->surf->tris;
    s->quads = rec->surf->quads;
    std::copy(rec->surf->box, rec->surf->box + 6, s->box);
    model->offsets = s.release();
    model->offsetCount = 1;
    CEdgeSet set;
    for (const SEdgeLine* l = rec->lines.head; l; l = l->next)
        CMillCenter::EdgeSetAddSplit(set, l->pts);
    model->GenVertexSurf(set);
    model->GenBoundSurf(set);
    model->DefineBox();
    return model.release();
}
