#include "geometry/relief/TessGridMesher.h"

#include "framework/numerak/Vector2D.h"
#include "framework/widgra/Progress.h"
#include "geometry/relief/GeCanvas.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes3d/GeMesh.h"

#include <algorithm>
#include <array>
#include <functional>
#include <limits>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

// Directions are scaled by 1000 and normalised with this tolerance; ring points closer
// than the resulting 1e-9 to their predecessor are dropped (a null edge has no direction).
constexpr double kDirectionScale = 1000.0;
constexpr double kUnitTol = 1e-6;
constexpr double kRingPointTie = kUnitTol / kDirectionScale;
// Boundary points this close to a canvas node take its height; the index is found 0.001
// past the point so that a point just below a node still finds it.
constexpr double kNodeSnap = 0.01;
constexpr double kNodeIndexBias = 0.001;
// No ear is left once the smallest corner angle reaches π − 0.001.
constexpr double kFlatCorner = std::numbers::pi - 0.001;
constexpr double kNoTurn = -6.0;

// Stage weights of the progress.
constexpr double kStageRings = 0.1, kStageRows = 0.2, kStageColumns = 0.2, kStageCells = 0.3, kStageFaces = 0.2;

// Coordinate of node n across scan lines of the pass (y for rows, x for columns) and
// along them.
double Across(const STessNode* n, int pass) { return pass == 0 ? n->y : n->x; }
double Along(const STessNode* n, int pass) { return pass == 0 ? n->x : n->y; }

// Splices n into the ring between g and its successor.
void SpliceAfter(STessNode* g, STessNode* n)
{
    STessNode* e = g->ringNext;
    n->ringPrev = g;
    n->ringNext = e;
    g->ringNext = n;
    e->ringPrev = n;
}

double SignedArea(STessNode* const* p, size_t n)
{
    double a = 0.0;
    for (size_t i = 0, j = n - 1; i < n; j = i++) a += p[j]->x * p[i]->y - p[i]->x * p[j]->y;
    return 0.5 * a;
}

}  // namespace

namespace {

// The canvas's tolerances.
constexpr CTessGridMesher::Tolerances kCanvasTol{0.00001, 1e-6, 0.00001, kUnitTol};

}  // namespace

void* TessAllocBlock(std::size_t bytes)
{
    if (bytes < kTessHugeBlock) return ::operator new(bytes);
    void* block = ::operator new(bytes, std::align_val_t{kTessHugeBlock});
#if defined(MADV_HUGEPAGE)
    madvise(block, bytes, MADV_HUGEPAGE);  // a hint: without huge pages the block works as it is
#endif
    return block;
}

void TessFreeBlock(void* block, std::size_t bytes)
{
    if (bytes < kTessHugeBlock)
        ::operator delete(block);
    else
        ::operator delete(block, std::align_val_t{kTessHugeBlock});
}

CTessGridMesher::~CTessGridMesher() { Clear(); }

void CTessGridMesher::Clear()
{
    m_nodes.Reset();
    m_faces.Reset();
    m_rings.clear();
    m_chainHead = m_chainTail = nullptr;
    m_nextIndex = 0;
    m_faceHead = m_faceTail = nullptr;
}

STessNode* CTessGridMesher::NewNode(double x, double y)
{
    STessNode* n = m_nodes.Alloc();
    n->x = x;
    n->y = y;
    return n;
}

void CTessGridMesher::AppendToChain(STessNode* node)
{
    node->index = m_nextIndex++;
    if (m_chainTail)
        m_chainTail->chainNext = node;
    else
        m_chainHead = node;
    m_chainTail = node;
}

STessNode* CTessGridMesher::LoopToRing(CGeLoop* loop, double tol)
{
    if (!loop) return nullptr;
    if (!loop->HasDisplay()) loop->Discrete(tol);
    const double(*pts)[2] = loop->GetSWPoint();
    const int count = loop->GetSWPointCount();
    std::vector<STessNode*> ring;
    for (int i = 0; pts && i < count; ++i) {
        const double x = pts[i][0], y = pts[i][1];
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        if (!ring.empty() && std::fabs(ring.back()->x - x) <= kRingPointTie && std::fabs(ring.back()->y - y) <= kRingPointTie)
            continue;
        ring.push_back(NewNode(x, y));
    }
    return CloseRing(ring, kRingPointTie);
}

STessNode* CTessGridMesher::CloseRing(std::vector<STessNode*>& ring, double tie)
{
    // The closing repeat of the first point.
    while (ring.size() > 1 && std::fabs(ring.back()->x - ring[0]->x) <= tie &&
           std::fabs(ring.back()->y - ring[0]->y) <= tie) {
        m_nodes.Release(ring.back());
        ring.pop_back();
    }
    if (ring.size() < 3) {
        for (STessNode* n : ring) m_nodes.Release(n);
        return nullptr;
    }
    for (size_t i = 0; i < ring.size(); ++i) {
        ring[i]->ringNext = ring[(i + 1) % ring.size()];
        ring[(i + 1) % ring.size()]->ringPrev = ring[i];
    }
    return ring[0];
}

STessNode* CTessGridMesher::InsertByX(STessNode* head, STessNode* node)
{
    if (!head || node->x <= head->x) {
        node->right = head;
        node->left = nullptr;
        if (head) head->left = node;
        return node;
    }
    STessNode* g = head;
    while (g->right && g->right->x < node->x) g = g->right;
    node->right = g->right;
    node->left = g;
    if (g->right) g->right->left = node;
    g->right = node;
    return head;
}

STessNode* CTessGridMesher::InsertByY(STessNode* head, STessNode* node)
{
    if (!head || node->y >= head->y) {
        node->down = head;
        node->up = nullptr;
        if (head) head->up = node;
        return node;
    }
    STessNode* g = head;
    while (g->down && g->down->y > node->y) g = g->down;
    node->down = g->down;
    node->up = g;
    if (g->down) g->down->up = node;
    g->down = node;
    return head;
}

STessNode* CTessGridMesher::NextCellNode(STessNode* a, STessNode* p) { return NextCellNode(a, p, kUnitTol); }

STessNode* CTessGridMesher::NextCellNode(STessNode* a, STessNode* p, double unitTol)
{
    double u[2] = {(p->x - a->x) * kDirectionScale, (p->y - a->y) * kDirectionScale};
    STessNode* const links[6] = {p->ringNext, p->ringPrev, p->left, p->right, p->up, p->down};
    STessNode* first = nullptr;
    for (STessNode* c : links)
        if (c && !first) first = c;
    if (!V2D_Unit(u, unitTol)) return first;
    double best = kNoTurn;
    STessNode* winner = nullptr;
    for (STessNode* c : links) {
        if (!c || c == a) continue;
        double v[2] = {(c->x - p->x) * kDirectionScale, (c->y - p->y) * kDirectionScale};
        if (!V2D_Unit(v, unitTol)) continue;
        double angle = std::acos(std::clamp(u[0] * v[0] + u[1] * v[1], -1.0, 1.0));
        if (u[0] * v[1] - u[1] * v[0] < 0.0) angle = -angle;
        if (angle > best) {
            best = angle;
            winner = c;
        }
    }
    return winner ? winner : first;
}

bool CTessGridMesher::IsPointInTriangle(const STessNode* a, const STessNode* b, const STessNode* c,
                                        const STessNode* p)
{
    double cuts[3];
    int n = 0;
    const auto cut = [&](const STessNode* s, const STessNode* e) {
        cuts[n++] = s->x + (p->y - s->y) * (e->x - s->x) / (e->y - s->y);
    };
    const double y = p->y;
    if ((y > b->y && y <= a->y) || (y >= a->y && y < b->y)) cut(a, b);
    if ((y >= c->y && y < a->y) || (y > a->y && y <= c->y)) cut(a, c);
    if ((y >= b->y && y < c->y) || (y > c->y && y <= b->y)) cut(c, b);
    if (n != 2) return false;
    return p->x >= std::min(cuts[0], cuts[1]) && p->x <= std::max(cuts[0], cuts[1]);
}

STessFace* CTessGridMesher::ClipEars(STessNode** p, int n)
{
    STessFace* result = nullptr;
    if (!p || n < 3) return nullptr;
    std::vector<STessNode*> poly(p, p + n);
    for (STessNode* v : poly) v->angle = -1.0;
    const double twoPi = 2.0 * std::numbers::pi;
    while (poly.size() > 2) {
        const size_t m = poly.size();
        for (size_t i = 0; i < m; ++i) {
            STessNode* c = poly[i];
            if (c->angle > twoPi) c->angle -= twoPi;
            if (c->angle > 0.0) continue;
            const STessNode* prev = poly[(i + m - 1) % m];
            const STessNode* next = poly[(i + 1) % m];
            double a[2] = {prev->x - c->x, prev->y - c->y}, b[2] = {next->x - c->x, next->y - c->y};
            V2D_Unit(a, m_unitTol);
            V2D_Unit(b, m_unitTol);
            double angle = std::acos(std::clamp(a[0] * b[0] + a[1] * b[1], -1.0, 1.0));
            if (b[0] * a[1] - b[1] * a[0] < 0.0) angle += std::numbers::pi;
            c->angle = angle;
        }
        bool clipped = false;
        // Each round either clips an ear or raises one vertex out of reach; at most m tries.
        for (size_t tries = 0; tries < m && !clipped; ++tries) {
            size_t best = m;
            double smallest = twoPi;
            for (size_t i = 0; i < m; ++i)
                if (poly[i]->angle < smallest) {
                    smallest = poly[i]->angle;
                    best = i;
                }
            if (best == m || smallest >= kFlatCorner) return result;
            STessNode* prev = poly[(best + m - 1) % m];
            STessNode* c = poly[best];
            STessNode* next = poly[(best + 1) % m];
            bool blocked = false;
            for (size_t i = 0; i < m && !blocked; ++i) {
                STessNode* q = poly[i];
                if (q == prev || q == c || q == next) continue;
                blocked = IsPointInTriangle(prev, c, next, q);
            }
            if (blocked) {
                c->angle += twoPi;
                continue;
            }
            STessFace* f = m_faces.Alloc();
            f->v[0] = static_cast<std::uint32_t>(prev->index);
            f->v[1] = static_cast<std::uint32_t>(c->index);
            f->v[2] = static_cast<std::uint32_t>(next->index);
            f->next = result;
            result = f;
            prev->angle = next->angle = -1.0;
            poly.erase(poly.begin() + static_cast<std::ptrdiff_t>(best));
            clipped = true;
        }
        if (!clipped) return result;
    }
    return result;
}

void CTessGridMesher::OrientByNesting()
{
    struct Info {
        double area;
        BOX2<double> box;
    };
    std::vector<Info> info;
    std::vector<std::vector<STessNode*>> nodes(m_rings.size());
    for (size_t r = 0; r < m_rings.size(); ++r) {
        STessNode* n = m_rings[r].first;
        BOX2<double> box;
        box.InitEmpty();
        do {
            nodes[r].push_back(n);
            box.xmin = std::min(box.xmin, n->x), box.xmax = std::max(box.xmax, n->x);
            box.ymin = std::min(box.ymin, n->y), box.ymax = std::max(box.ymax, n->y);
            n = n->ringNext;
        } while (n != m_rings[r].first);
        info.push_back({SignedArea(nodes[r].data(), nodes[r].size()), box});
    }
    for (size_t r = 0; r < m_rings.size(); ++r) {
        const STessNode* t = m_rings[r].first;
        int depth = 0;
        for (size_t o = 0; o < m_rings.size(); ++o) {
            const BOX2<double>& b = info[o].box;
            if (o == r || t->x < b.xmin || t->x > b.xmax || t->y < b.ymin || t->y > b.ymax) continue;
            bool in = false;
            const std::vector<STessNode*>& ring = nodes[o];
            for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
                const STessNode* a = ring[i];
                const STessNode* c = ring[j];
                if ((a->y > t->y) != (c->y > t->y) && t->x < a->x + (t->y - a->y) * (c->x - a->x) / (c->y - a->y))
                    in = !in;
            }
            depth += in ? 1 : 0;
        }
        const bool wantCcw = depth % 2 == 0;
        if ((info[r].area > 0.0) != wantCcw)
            for (STessNode* n : nodes[r]) std::swap(n->ringNext, n->ringPrev);
    }
}

bool CTessGridMesher::ScanRings(const Scan& scan, const Tolerances& tol,
                                const std::function<float(std::int64_t, std::int64_t)>& heightAt, CQProgress* progress)
{
    m_unitTol = tol.unit;
    double xmin = 1e300, xmax = -1e300, ymin = 1e300, ymax = -1e300;
    for (const Ring& ring : m_rings) {
        STessNode* n = ring.first;
        do {
            AppendToChain(n);
            xmin = std::min(xmin, n->x), xmax = std::max(xmax, n->x);
            ymin = std::min(ymin, n->y), ymax = std::max(ymax, n->y);
            n = n->ringNext;
        } while (n != ring.first);
    }
    // The first column right of xmin (a column exactly on it included) and the first
    // row below ymax; every line coordinate comes from its canvas index.
    const std::int64_t cLeft = scan.FirstAbove(0, xmin - tol.gridGap * 0.5) ;
    const std::int64_t rTop = scan.FirstAbove(1, ymax) - 1;
    const std::int64_t ncols = std::max<std::int64_t>(0, scan.FirstAbove(0, xmax - tol.gridGap) - cLeft);

    std::int32_t stamp = 0;
    std::vector<STessNode*> listed;
    // Lists the nodes of the rings on scan line `line` of the pass: ring vertices on it,
    // crossings (each counted on the node that stands for it), and ring edges lying
    // along it split at the grid lines they pass.
    // Ring edges by the scan lines they reach, each edge by its start node (kept on the
    // part still ahead when a crossing splits it), so that a line walks only the edges
    // that reach it. Lines are numbered in the order the pass takes them.
    std::vector<STessNode*> edgeStart;
    std::vector<std::vector<std::uint32_t>> buckets;
    const auto bucketEdges = [&](int pass, std::int64_t count, const auto& lineIndex) {
        edgeStart.clear();
        buckets.assign(static_cast<size_t>(std::max<std::int64_t>(count, 0)), {});
        const int axis = pass == 0 ? 1 : 0;
        for (const Ring& ring : m_rings) {
            STessNode* g = ring.first;
            do {
                const double a = Across(g, pass), b = Across(g->ringNext, pass);
                const double lo = std::min(a, b), hi = std::max(a, b);
                std::int64_t kLo = scan.FirstAbove(axis, lo);
                if (scan.Line(axis, kLo - 1) >= lo) --kLo;
                const std::int64_t kHi = scan.FirstAbove(axis, hi) - 1;
                const auto id = static_cast<std::uint32_t>(edgeStart.size());
                edgeStart.push_back(g);
                for (std::int64_t k = kLo; k <= kHi; ++k) {
                    const std::int64_t i = lineIndex(k);
                    if (i >= 0 && i < count) buckets[static_cast<size_t>(i)].push_back(id);
                }
                g = g->ringNext;
            } while (g != ring.first);
        }
    };
    const auto listLine = [&](int pass, double line, const std::vector<std::uint32_t>& edges) {
        ++stamp;
        listed.clear();
        const auto list = [&](STessNode* n) {
            if (n->scanMark != stamp) {
                n->scanMark = stamp;
                n->crossings = 0;
                listed.push_back(n);
            }
        };
        const int alongAxis = pass == 0 ? 0 : 1;
        for (std::uint32_t id : edges) {
            {
                STessNode* g = edgeStart[id];
                STessNode* e = g->ringNext;
                const double ga = Across(g, pass), ea = Across(e, pass);
                if (ga == line) list(g);
                if (ga == ea) {
                    if (ga == line) {
                        // An edge along the line: a boundary node at every grid line it passes.
                        const double s = Along(g, pass), t = Along(e, pass);
                        const double lo = std::min(s, t), hi = std::max(s, t);
                        std::vector<double> cuts;
                        for (std::int64_t k = scan.FirstAbove(alongAxis, lo); scan.Line(alongAxis, k) < hi; ++k)
                            cuts.push_back(scan.Line(alongAxis, k));
                        if (s > t) std::reverse(cuts.begin(), cuts.end());
                        STessNode* at = g;
                        for (double c : cuts) {
                            STessNode* n = pass == 0 ? NewNode(c, line) : NewNode(line, c);
                            AppendToChain(n);
                            SpliceAfter(at, n);
                            list(n);
                            at = n;
                        }
                    }
                } else if ((ga > line) != (ea > line)) {
                    STessNode* rep;
                    if (ga == line) rep = g;
                    else if (ea == line) rep = e;
                    else if (std::fabs(ea - ga) < tol.flatEdge) rep = g;
                    else {
                        const double t = (line - ga) / (ea - ga);
                        if (t < tol.endFraction) rep = g;
                        else if (t > 1.0 - tol.endFraction) rep = e;
                        else {
                            const double along = Along(g, pass) + t * (Along(e, pass) - Along(g, pass));
                            rep = pass == 0 ? NewNode(along, line) : NewNode(line, along);
                            AppendToChain(rep);
                            SpliceAfter(g, rep);
                            // Rows are taken downwards and columns rightwards: the lines
                            // still ahead lie on the far side of this one.
                            if (pass == 0 ? ga > line : ga < line) edgeStart[id] = rep;
                        }
                    }
                    list(rep);
                    ++rep->crossings;
                }
            }
        }
    };

    // Row pass: grid nodes inside, left/right links across inside gaps.
    if (progress) progress->SetRange(kStageRows);
    std::vector<std::vector<STessNode*>> columnGrid(static_cast<size_t>(ncols));
    std::vector<STessNode*> merged;
    std::vector<char> insideAfter;
    std::int64_t nrows = 0;
    while (scan.Line(1, rTop - nrows) > ymin + tol.endFraction) ++nrows;
    bucketEdges(0, nrows, [&](std::int64_t row) { return rTop - row; });
    for (std::int64_t row = rTop; row > rTop - nrows; --row) {
        const double y = scan.Line(1, row);
        listLine(0, y, buckets[static_cast<size_t>(rTop - row)]);
        std::stable_sort(listed.begin(), listed.end(), [](const STessNode* a, const STessNode* b) { return a->x < b->x; });
        merged.clear();
        insideAfter.clear();
        bool inside = false;
        for (size_t i = 0; i < listed.size(); ++i) {
            STessNode* n = listed[i];
            if (n->crossings % 2) inside = !inside;
            merged.push_back(n);
            insideAfter.push_back(inside);
            if (!inside || i + 1 == listed.size()) continue;
            const double hi = listed[i + 1]->x - tol.gridGap;
            for (std::int64_t col = scan.FirstAbove(0, n->x + tol.gridGap); scan.Line(0, col) < hi; ++col) {
                const std::int64_t d = col - cLeft;
                if (d < 0 || d >= ncols) continue;
                STessNode* g = NewNode(scan.Line(0, col), y);
                g->z = heightAt(row, col);
                g->zKnown = 1;
                AppendToChain(g);
                columnGrid[static_cast<size_t>(d)].push_back(g);
                merged.push_back(g);
                insideAfter.push_back(true);
            }
        }
        for (size_t i = 0; i + 1 < merged.size(); ++i)
            if (insideAfter[i]) {
                merged[i]->right = merged[i + 1];
                merged[i + 1]->left = merged[i];
            }
    }
    // Column pass: the crossings of each column with its grid nodes, up/down links
    // across inside gaps.
    if (progress) progress->SetRange(kStageColumns);
    bucketEdges(1, ncols, [&](std::int64_t col) { return col - cLeft; });
    for (std::int64_t d = 0; d < ncols; ++d) {
        const double x = scan.Line(0, cLeft + d);
        listLine(1, x, buckets[static_cast<size_t>(d)]);
        merged.assign(listed.begin(), listed.end());
        for (STessNode* g : columnGrid[static_cast<size_t>(d)]) {
            g->crossings = 0;
            merged.push_back(g);
        }
        std::stable_sort(merged.begin(), merged.end(), [](const STessNode* a, const STessNode* b) { return a->y < b->y; });
        bool inside = false;
        for (size_t i = 0; i + 1 < merged.size(); ++i) {
            STessNode* n = merged[i];
            if (n->IsBoundary() && n->crossings % 2) inside = !inside;
            if (!inside && n->IsBoundary()) continue;
            n->up = merged[i + 1];
            merged[i + 1]->down = n;
        }
    }
    columnGrid.clear();
    if (progress && gIsProgressCancel()) return false;
    if (progress) progress->SetRange(kStageCells);
    TraceCells();
    return !(progress && gIsProgressCancel());
}

int CTessGridMesher::MeshLoops(CTypedPtrList<CObList, CGeLoop*>* loops, double tol, CGeCanvas* canvas,
                               CGeMesh* mesh, bool constant, float z)
{
    if (!loops || loops->IsEmpty() || !canvas || !mesh || !(canvas->step > 0.0f)) return 0;
    Clear();
    CQProgress progress;
    progress.SetRange(kStageRings);
    for (POSITION pos = loops->GetHeadPosition(); pos;)
        if (CGeLoop* loop = loops->GetNext(pos))
            if (STessNode* first = LoopToRing(loop, tol)) m_rings.push_back({first});
    if (m_rings.empty() || gIsProgressCancel()) {
        Clear();
        return 0;
    }
    OrientByNesting();
    const Scan scan{{{canvas->originX, canvas->step, nullptr}, {canvas->originY, canvas->step, nullptr}}};
    const auto heightAt = [&](std::int64_t row, std::int64_t col) -> float {
        if (!canvas->heights || row < 0 || col < 0 || row >= canvas->ny || col >= canvas->nx) return 0.0f;
        return canvas->heights[row][col];
    };
    if (!ScanRings(scan, kCanvasTol, heightAt, &progress)) {
        Clear();
        return 0;
    }

    // Vertices in chain order; boundary nodes take the constant or the canvas height.
    const size_t n = static_cast<size_t>(m_nextIndex);
    mesh->vertices.clear();
    mesh->vertices.reserve(n);
    mesh->normals.clear();
    mesh->normals.reserve(n);
    mesh->vertflags.reset();
    mesh->Need_VertFlag(static_cast<unsigned>(n));
    if (mesh->vertflags) mesh->vertflags->SetAll(false);
    const float step = canvas->step;
    for (STessNode* node = m_chainHead; node; node = node->chainNext) {
        if (!node->zKnown) {
            if (constant) {
                node->z = z;
            } else {
                const auto col = static_cast<std::int64_t>(std::trunc((node->x - canvas->originX + kNodeIndexBias) / step));
                const auto row = static_cast<std::int64_t>(std::trunc((node->y - canvas->originY + kNodeIndexBias) / step));
                if (canvas->heights && canvas->xs && canvas->ys && col >= 0 && row >= 0 && col < canvas->nx &&
                    row < canvas->ny && std::fabs(canvas->xs[col] - node->x) < kNodeSnap &&
                    std::fabs(canvas->ys[row] - node->y) < kNodeSnap)
                    node->z = canvas->heights[row][col];
                else
                    node->z = canvas->Interplate(static_cast<float>(node->x - canvas->originX),
                                                 static_cast<float>(node->y - canvas->originY));
            }
            node->zKnown = 1;
            if (mesh->vertflags) mesh->vertflags->SetBit(node->index, true);
        }
        mesh->vertices.emplace_back(static_cast<float>(node->x), static_cast<float>(node->y), node->z);
    }
    progress.SetRange(kStageFaces);
    // Exactly the room the faces take (fresh vectors: no capacity left from before).
    mesh->faces3 = {};
    mesh->faces4 = {};
    size_t quads = 0, triangles = 0;
    for (const STessFace* f = m_faceHead; f; f = f->next) ++(f->v4 < 0 ? triangles : quads);
    mesh->faces3.reserve(triangles);
    mesh->faces4.reserve(quads);
    for (const STessFace* f = m_faceHead; f; f = f->next) {
        if (f->v4 < 0)
            mesh->faces3.emplace_back(static_cast<int>(f->v[0]), static_cast<int>(f->v[1]), static_cast<int>(f->v[2]));
        else
            mesh->faces4.emplace_back(static_cast<int>(f->v[0]), static_cast<int>(f->v[1]), static_cast<int>(f->v[2]),
                                      f->v4);
    }
    mesh->ComputerIsoCurve(2);
    Clear();
    return 1;
}

void CTessGridMesher::TraceCells()
{
    const auto append = [this](STessFace* list) {
        while (list) {
            STessFace* next = list->next;
            list->next = nullptr;
            if (m_faceTail)
                m_faceTail->next = list;
            else
                m_faceHead = list;
            m_faceTail = list;
            list = next;
        }
    };
    const auto links = [](STessNode* n) {
        return std::array<STessNode*, 6>{n->ringNext, n->ringPrev, n->left, n->right, n->up, n->down};
    };
    // Every slot of a that leads to b (a ring edge along a grid line fills two).
    const auto markUsed = [&](STessNode* a, STessNode* b) {
        const auto l = links(a);
        for (int k = 0; k < 6; ++k)
            if (l[static_cast<size_t>(k)] == b) a->usedLinks |= static_cast<std::uint8_t>(1u << k);
    };
    // The face left of every link not yet walked. Links exist only inside the loops and
    // along them, so a face is outside exactly when it runs against a ring edge; a face
    // turning clockwise is the outside of a loop that crosses no grid line. A walk longer
    // than six links per node cannot close and is given up.
    const size_t most = 6 * static_cast<size_t>(m_nextIndex) + 6;
    std::vector<STessNode*> poly;
    // Whole cells between four grid nodes first, without walking: the face left of
    // e → f is the cell above it. Slots: 2 left, 3 right, 4 up, 5 down.
    for (STessNode* e = m_chainHead; e; e = e->chainNext) {
        STessNode* f = e->right;
        if (e->IsBoundary() || !f || f->IsBoundary() || !e->up || !f->up || e->up->IsBoundary() ||
            f->up->IsBoundary() || e->up->right != f->up)
            continue;
        e->usedLinks |= 1u << 3;
        f->usedLinks |= 1u << 4;
        f->up->usedLinks |= 1u << 2;
        e->up->usedLinks |= 1u << 5;
        STessFace* q = m_faces.Alloc();
        q->v[0] = static_cast<std::uint32_t>(e->index);
        q->v[1] = static_cast<std::uint32_t>(f->index);
        q->v[2] = static_cast<std::uint32_t>(f->up->index);
        q->v4 = e->up->index;
        append(q);
    }
    for (STessNode* a0 = m_chainHead; a0; a0 = a0->chainNext) {
        const auto l0 = links(a0);
        for (int k = 0; k < 6; ++k) {
            STessNode* b0 = l0[static_cast<size_t>(k)];
            if (!b0 || (a0->usedLinks >> k) & 1u) continue;
            poly.clear();
            bool closed = false, outside = false;
            STessNode* p = a0;
            STessNode* q = b0;
            for (size_t steps = 0; steps < most; ++steps) {
                poly.push_back(p);
                markUsed(p, q);
                if (p->ringNext == q) p->usage = 1;
                else if (q->ringNext == p) outside = true;
                STessNode* r = NextCellNode(p, q, m_unitTol);
                if (!r) break;
                p = q;
                q = r;
                if (p == a0 && q == b0) {
                    closed = true;
                    break;
                }
            }
            if (!closed || outside || poly.size() < 3 || !(SignedArea(poly.data(), poly.size()) > 0.0)) continue;
            const bool wholeCell = poly.size() == 4 && std::none_of(poly.begin(), poly.end(),
                                                                     [](const STessNode* n) { return n->IsBoundary(); });
            if (wholeCell) {
                STessFace* f = m_faces.Alloc();
                for (int c = 0; c < 3; ++c) f->v[c] = static_cast<std::uint32_t>(poly[static_cast<size_t>(c)]->index);
                f->v4 = poly[3]->index;
                append(f);
            } else {
                append(ClipEars(poly.data(), static_cast<int>(poly.size())));
            }
        }
    }
}

int CTessGridMesher::FindSampleIndex(double value, int axis, const double* samples, int count)
{
    if (!samples || count <= 0) return -1;
    const int k = axis == 1301 ? 1 : 0;
    const auto at = [&](int i) { return samples[2 * i + k]; };
    if (at(0) > value) return -1;
    int lo = 0, hi = count - 1;
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (at(mid) <= value)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}
