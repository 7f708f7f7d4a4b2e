// The grid region mesher: cuts the relief canvas along closed 2D loops into a mesh of
// the canvas surface inside them. Inside, the mesh follows the canvas grid (a vertex
// per grid point, a quad per whole cell); along the loops it adds the loop vertices
// and the points where the loops cross grid rows and columns, and triangulates every
// cut cell by ear clipping. Beside it: a variant that scans trimming loops in the
// parameter domain of a trimmed surface, and a list of segments that chains them.
#pragma once

#include "platform/core/ObList.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

class CGeCanvas;
class CGeCurve;
class CQProgress;
class CGeLoop;
class CGeMesh;
class CGeTrimLoop;
class CGeTrimSurf;

// A mesh vertex candidate: a loop vertex, a crossing of a loop with a grid line, or a
// grid point inside the loops.
struct STessNode {
    double x = 0.0, y = 0.0;
    double angle = 0.0;           // ear clipper scratch
    STessNode* ringNext = nullptr;  // the loop ring (closed, area on its left)
    STessNode* ringPrev = nullptr;
    STessNode* right = nullptr;     // scan-row neighbours, ascending x
    STessNode* left = nullptr;
    STessNode* up = nullptr;        // grid-column neighbours, larger and smaller y
    STessNode* down = nullptr;
    STessNode* chainNext = nullptr;  // every node in creation order
    float z = -1000.0f;
    std::int32_t index = 0;       // vertex index: position in the global chain
    // Scan bookkeeping: the line the node was last listed on and its crossings there.
    std::int32_t scanMark = -1;
    std::int32_t crossings = 0;
    std::int8_t usage = 0;        // 1 once the ring edge from this node to ring next is traced
    std::uint8_t zKnown = 0;
    std::uint8_t usedLinks = 0;     // bit k: the link in slot k was walked (ring next, ring prev, left, right, up, down)

    bool IsBoundary() const { return ringNext != nullptr; }
};

// A triangle (fourth index -1) or quad of vertex indices in a singly linked list.
struct STessFace {
    std::uint32_t v[3] = {0, 0, 0};
    std::int32_t v4 = -1;
    STessFace* next = nullptr;
};

// Raw memory for record blocks: blocks of kTessHugeBlock bytes are aligned to it and,
// where the system offers it, backed by huge pages, so that a run of millions of records
// takes hundreds of page faults rather than tens of thousands.
inline constexpr std::size_t kTessHugeBlock = std::size_t{2} << 20;
void* TessAllocBlock(std::size_t bytes);
void TessFreeBlock(void* block, std::size_t bytes);

// Records handed out in order from blocks that double from 32 KiB to 2 MiB (a small run
// touches little memory, a large one few blocks); a record is set to its default values
// when handed out, released records are reused first. Records live until Reset (also on
// destruction).
template <class T>
class CTessNodePool {
    static_assert(std::is_trivially_destructible_v<T>, "blocks are released without destructors");

public:
    static constexpr std::size_t kFirstBlockBytes = std::size_t{32} << 10;

    CTessNodePool() = default;
    ~CTessNodePool() { Reset(); }
    CTessNodePool(const CTessNodePool&) = delete;
    CTessNodePool& operator=(const CTessNodePool&) = delete;

    // A fresh record (default values).
    T* Alloc()
    {
        if (!m_free.empty()) {
            T* t = m_free.back();
            m_free.pop_back();
            *t = T{};
            return t;
        }
        if (m_used == m_capacity) {
            const std::size_t bytes =
                m_blocks.empty() ? kFirstBlockBytes : std::min(2 * m_blocks.back().bytes, kTessHugeBlock);
            m_blocks.push_back({static_cast<T*>(TessAllocBlock(bytes)), bytes});
            m_used = 0;
            m_capacity = bytes / sizeof(T);
        }
        ++m_count;
        return ::new (m_blocks.back().records + m_used++) T{};
    }
    void Release(T* t)
    {
        if (t) m_free.push_back(t);
    }
    void Reset()
    {
        for (const Block& b : m_blocks) TessFreeBlock(b.records, b.bytes);
        m_blocks.clear();
        m_free.clear();
        m_count = m_used = m_capacity = 0;
    }
    std::size_t Count() const { return m_count; }

private:
    struct Block {
        T* records;
        std::size_t bytes;
    };
    std::vector<Block> m_blocks;
    std::vector<T*> m_free;
    std::size_t m_count = 0;
    std::size_t m_used = 0;      // records handed out from the last block
    std::size_t m_capacity = 0;  // records in the last block
};

class CTessGridMesher {
public:
    CTessGridMesher() = default;
    ~CTessGridMesher();
    CTessGridMesher(const CTessGridMesher&) = delete;
    CTessGridMesher& operator=(const CTessGridMesher&) = delete;

    // Fills the empty mesh with the canvas surface inside the loops (loops discretised
    // at tol when they have no points; the loops themselves are not changed otherwise).
    // Rings are oriented by nesting: outer loops counter-clockwise, islands clockwise,
    // whatever the loops' own directions. Loop vertices get the constant height when
    // asked, else the canvas height there, and their bits in the mesh's vertex flags.
    // 1 done; 0 (mesh untouched) for a null or empty list, loops without points, or a
    // cancel after the rings, the scan passes or the cut cells.
    int MeshLoops(CTypedPtrList<CObList, CGeLoop*>* loops, double tol, CGeCanvas* canvas, CGeMesh* mesh,
                  bool constant, float z);

    // Ear clipping of the polygon of n nodes (area on its left): a list of triangle
    // records (each in front of the previous), stopping with what it made when no ear
    // is left.
    STessFace* ClipEars(STessNode** polygon, int n);
    // A new node at (x, y) from the pool.
    STessNode* NewNode(double x, double y);
    // The loop's points as a closed ring (repeated points and the closing repeat
    // dropped); its first node, null for fewer than 3 distinct points.
    STessNode* LoopToRing(CGeLoop* loop, double tol);
    // Sorted insertion into a row list (ascending x) or a column list (descending y);
    // a node equal to listed ones goes before them. The new head.
    static STessNode* InsertByX(STessNode* head, STessNode* node);
    static STessNode* InsertByY(STessNode* head, STessNode* node);
    // The next corner of the cell left of the edge a → p: p's link with the largest
    // left turn (ring next, ring prev, left, right, up, down; a skipped).
    static STessNode* NextCellNode(STessNode* a, STessNode* p);
    // Whether p lies in the triangle (a, b, c) by a horizontal cut through p.
    static bool IsPointInTriangle(const STessNode* a, const STessNode* b, const STessNode* c, const STessNode* p);

    // The same scan in the parameter plane of a trimmed surface: rings from the trim
    // loops' parameter curves, grid lines from SampleTrimSurface, tolerances 1e-8, no
    // heights and no mesh. The first node of all (creation order) and the first face
    // record come back through the out arguments, valid until the next run or the
    // mesher's end; each ring's first node gets usage 255. 1 done; 0 for a null or empty
    // list or loops without nodes.
    int MeshTrimLoops(CTypedPtrList<CObList, CGeTrimLoop*>* loops, double tol, STessNode** firstNode,
                      STessFace** firstFace);
    // The nodes of the loop's parameter curves in order: a node within 1e-7 of the
    // previous one on both axes moves that one onto itself instead, and a last node
    // within 1e-6 of the first is dropped. The first node; null for fewer than 3.
    STessNode* TrimLoopToRing(CGeTrimLoop* loop);
    // The points of a parameter curve: a line's or polyline's vertices, else the points
    // at 0, 0.25, 0.5, 0.75 and 1.
    static void TrimCurveToNodes(CGeCurve* curve, std::vector<std::array<double, 2>>& out);
    // Grid lines along u and v for the loops' surface (its parameter box): steps from the
    // fixed-sample settings, 0.1 when they are on without both counts, else the surface's
    // chord bound at tol (steps ≤ 0 become 0.00001, ≥ 0.5 become 0.25), at least 2
    // intervals; intervals whose middle lies farther than tol from their chord on the
    // iso lines at the start, middle and end of the other direction are halved while
    // wider than 1/10000 of the range; at most 600 values. Then the box centre of every
    // loop that lies inside one interval (at most 999 values). Without a surface only
    // the two ends of the loops' box.
    void SampleTrimSurface(CTypedPtrList<CObList, CGeTrimLoop*>* loops, double tol, std::vector<double>& us,
                           std::vector<double>& vs);

    // Index of the last sample not above value along the chosen axis (1301 v, else u) of
    // the interleaved (u, v) samples; -1 when every sample is above it or none exist.
    static int FindSampleIndex(double value, int axis, const double* samples, int count);

    // The fixed-sample settings of the trimmed-surface variant.
    std::uint32_t m_bFixedSamples = 0;
    std::uint32_t m_nSamplesU = 0;
    std::uint32_t m_nSamplesV = 0;

    // Tolerances of a scan.
    struct Tolerances {
        double endFraction;  // crossings this close to an edge end (as a fraction) use the end
        double flatEdge;     // edges shorter than this across a line lie on it
        double gridGap;      // grid points this close to a listed node along a line are not made
        double unit;         // direction normalisation
    };

private:
    struct Ring {
        STessNode* first;
    };
    // The grid lines of both axes (0 columns, 1 rows): the canvas's, uniform from its
    // origin by index, or the sample values of a parameter domain (beyond them the lines
    // lie at infinity, so every walk over them ends).
    struct Scan {
        struct Axis {
            double origin = 0.0;
            float step = 1.0f;
            const std::vector<double>* values = nullptr;
        };
        Axis axes[2];
        // Grid line k of the axis; a canvas line as the canvas computes its node
        // coordinates, also outside it.
        double Line(int axis, std::int64_t k) const
        {
            const Axis& a = axes[axis];
            if (!a.values) return static_cast<float>(a.origin) + static_cast<float>(k) * a.step;
            if (k < 0) return -std::numeric_limits<double>::infinity();
            if (k >= static_cast<std::int64_t>(a.values->size())) return std::numeric_limits<double>::infinity();
            return (*a.values)[static_cast<size_t>(k)];
        }
        // Index of the first line of the axis beyond v.
        std::int64_t FirstAbove(int axis, double v) const
        {
            const Axis& a = axes[axis];
            if (a.values) return std::upper_bound(a.values->begin(), a.values->end(), v) - a.values->begin();
            auto k = static_cast<std::int64_t>(std::floor((v - a.origin) / a.step));
            while (Line(axis, k) <= v) ++k;
            while (Line(axis, k - 1) > v) --k;
            return k;
        }
    };
    static STessNode* NextCellNode(STessNode* a, STessNode* p, double unitTol);
    // Drops last nodes within tie of the first on both axes and links the rest into a
    // closed ring; its first node, or null (every node released) for fewer than 3.
    STessNode* CloseRing(std::vector<STessNode*>& ring, double tie);
    // Chains the ring nodes, runs the row and column passes over the grid lines (grid
    // nodes inside the rings, with heightAt(row, column) by line indices) and traces the
    // cells. With a progress object it reports the stages and stops on a cancel after the
    // passes and after the cells (false).
    bool ScanRings(const Scan& scan, const Tolerances& tol,
                   const std::function<float(std::int64_t, std::int64_t)>& heightAt, CQProgress* progress);
    void Clear();
    void AppendToChain(STessNode* node);
    // Orients every ring by its nesting depth among the others.
    void OrientByNesting();
    // The whole cells (quads) and cut cells (triangles) into the face list.
    void TraceCells();

    CTessNodePool<STessNode> m_nodes;
    CTessNodePool<STessFace> m_faces;
    std::vector<Ring> m_rings;
    STessNode* m_chainHead = nullptr;
    STessNode* m_chainTail = nullptr;
    std::int32_t m_nextIndex = 0;
    STessFace* m_faceHead = nullptr;
    STessFace* m_faceTail = nullptr;
    double m_unitTol = 1e-6;
};
