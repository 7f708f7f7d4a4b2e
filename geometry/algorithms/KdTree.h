// k-d tree of 3D float points for k-nearest-neighbour and radius queries.
//
// The tree copies the caller's points into its own records, partitions them by
// sliding-midpoint splits into buckets, and answers a query with a bounded
// max-heap of the k best candidates. A query returns exactly min(k, n)
// distinct points (queryRange: the nearest min(k, m) of the m points strictly
// inside the radius), nearest first. Distances are the float sum
// dx*dx + dy*dy + dz*dz of dx = p.x - q.x, ...
//
// Every piece of query state lives in the tree: different trees may be
// queried on different threads at once; one tree answers one query at a time.
// The caller's point array must stay alive and unchanged while the tree is used.
#pragma once

#include "geometry/shapes2d/Vec3D.h"

#include <cstdint>
#include <memory>
#include <vector>

// One point record of the tree: the coordinates and the point's index in the
// caller's array; the fifth word is not used.
struct kdTreePoint {
    float x, y, z;
    int32_t index;
    int32_t unused;
};
static_assert(sizeof(kdTreePoint) == 20);

// One query result: the caller's point index and its squared distance.
struct KdNeighbour {
    int32_t index;
    float squaredDistance;
};
static_assert(sizeof(KdNeighbour) == 8);

// Bounded max-heap of neighbours, 1-based; the root holds the largest distance.
// Until it is full it is a plain list (any candidate below the query's bound
// is taken then); it is put in heap order when it fills.
struct KdNeighbourHeap {
    std::vector<KdNeighbour> entries;  // entries[0] unused
    unsigned count = 0;
    unsigned capacity = 0;

    void reset(unsigned cap)
    {
        entries.assign(std::size_t(cap) + 1, KdNeighbour{-1, 0.0f});
        count = 0;
        capacity = cap;
    }
    bool full() const { return count == capacity; }
    // The largest distance held; only when full.
    float top() const { return entries[1].squaredDistance; }

    // Appends when not full, otherwise replaces the root.
    void push(int32_t index, float d)
    {
        if (count < capacity) {
            entries[++count] = KdNeighbour{index, d};
            if (count == capacity)
                for (unsigned i = count / 2; i >= 1; --i)
                    siftDown(i, entries[i]);
            return;
        }
        siftDown(1, KdNeighbour{index, d});
    }

    // Places e at position i or below, moving larger children up.
    void siftDown(unsigned i, KdNeighbour e)
    {
        for (;;) {
            unsigned c = 2 * i;
            if (c > count)
                break;
            if (c < count && entries[c + 1].squaredDistance > entries[c].squaredDistance)
                ++c;
            if (!(entries[c].squaredDistance > e.squaredDistance))
                break;
            entries[i] = entries[c];
            i = c;
        }
        entries[i] = e;
    }
};

// The state of one running query: the query point, the per-axis offsets of the
// incremental box distance and the candidate heap.
struct KdQueryState {
    float query[3] = {0.0f, 0.0f, 0.0f};
    double offsets[3] = {0.0, 0.0, 0.0};
    KdNeighbourHeap heap;
    // Squared radius: only points strictly closer are taken. Unbounded for
    // queryPosition, where any point fills a heap that is not yet full.
    float bound = 0.0f;
    bool unbounded = true;
};

class BaseNode;

class KdTree {
public:
    // Builds the tree over points[0..n-1]; k = 1. A bucket size of 0 is taken as 1.
    KdTree(const Vec3D* points, unsigned n, unsigned bucketSize);
    virtual ~KdTree();
    KdTree(const KdTree&) = delete;
    KdTree& operator=(const KdTree&) = delete;

    void setNOfNeighbours(unsigned k);
    // The min(k, n) nearest points of q.
    void queryPosition(const Vec3D& q);
    // The nearest min(k, m) of the m points whose squared distance to q is below squaredRadius.
    void queryRange(const Vec3D& q, float squaredRadius);

    unsigned getNOfFoundNeighbours() const { return m_nFound; }
    unsigned getNOfQueryNeighbours() const { return m_k; }
    // Result i of the last query, 0 <= i < getNOfFoundNeighbours(). Past the
    // found count: index 0xFFFFFFFF, the zero vector and distance -1.
    unsigned getNeighbourPositionIndex(unsigned i) const;
    Vec3D getNeighbourPosition(unsigned i) const;
    float getSquaredDistance(unsigned i) const;

protected:
    void computeEnclosingBoundingBox();
    // Squared distance from q to the box, summed in double; offsets receives the
    // per-axis signed distances (0 where q lies within the box's extent).
    static double computeBoxDistance(const Vec3D& q, const Vec3D& min, const Vec3D& max, double offsets[3]);
    // Inner node over records start..end-1 (at least two) in the cell minCorner..maxCorner.
    std::unique_ptr<BaseNode> createTree(unsigned start, unsigned end, Vec3D maxCorner, Vec3D minCorner);

private:
    void getSpread(const kdTreePoint* records, unsigned count, Vec3D& min, Vec3D& max) const;
    static void getMinMax(const kdTreePoint* records, unsigned count, int axis, float& min, float& max);
    // Partitions records about value on axis into below, equal and above runs;
    // br1 and br2 are the starts of the equal and the above run.
    static void splitAtMid(kdTreePoint* records, unsigned count, int axis, float value, unsigned& br1,
                           unsigned& br2);
    void runQuery(const Vec3D& q);

    std::vector<kdTreePoint> m_records;
    const Vec3D* m_points;
    std::vector<KdNeighbour> m_results;
    unsigned m_bucketSize;
    std::unique_ptr<BaseNode> m_root;
    unsigned m_nFound = 0;
    unsigned m_k = 0;
    unsigned m_n;
    KdQueryState m_state;
    Vec3D m_boxMin{0.0f, 0.0f, 0.0f};
    Vec3D m_boxMax{0.0f, 0.0f, 0.0f};
};
