#include "geometry/algorithms/KdTree.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

// Tree nodes. Inner nodes and leaves answer the same search call; the query's
// state travels with it, so nodes hold nothing that a query writes.
class BaseNode {
public:
    virtual ~BaseNode() = default;
    // Offers the node's points to the heap; rd is the squared distance from the
    // query point to the node's cell, built up incrementally from the offsets.
    virtual void search(double rd, KdQueryState& state) const = 0;
};

namespace {

// Float squared distances carry a few roundings (relative 2^-22 at most) and
// may flush to zero below the float range, while cell distances are summed in
// double: a cell is passed over only when it is clearly farther than the
// current bound, so that no point the brute-force formula ranks better is lost.
constexpr double kCellBoundRelSlack = 1.0 / (1 << 20);
constexpr double kCellBoundAbsSlack = 1e-44;

float Coord(const kdTreePoint& r, int axis)
{
    return axis == 0 ? r.x : (axis == 1 ? r.y : r.z);
}

// The squared distance every query result reports: the same float formula as
// Vec3D::squaredDistance(point, q).
float SquaredDistance(const kdTreePoint& r, float qx, float qy, float qz)
{
    const float dx = r.x - qx;
    const float dy = r.y - qy;
    const float dz = r.z - qz;
    return dx * dx + dy * dy + dz * dz;
}

// Largest squared distance a new candidate must stay below, and whether any
// candidate is taken (an unbounded query whose heap is not yet full).
float CandidateLimit(const KdQueryState& s)
{
    if (s.heap.full())
        return s.heap.top();
    return s.unbounded ? std::numeric_limits<float>::infinity() : s.bound;
}

bool TakesAnyCandidate(const KdQueryState& s)
{
    return s.unbounded && !s.heap.full();
}

// True when a cell at squared distance rd may hold a point better than the current candidates.
bool CellMayHoldCandidate(double rd, const KdQueryState& s)
{
    if (TakesAnyCandidate(s))
        return true;
    return rd * (1.0 - kCellBoundRelSlack) - kCellBoundAbsSlack < double(CandidateLimit(s));
}

class KdLeaf final : public BaseNode {
public:
    KdLeaf(const kdTreePoint* first, unsigned count) : m_first(first), m_count(count) {}

    void search(double, KdQueryState& s) const override
    {
        const float qx = s.query[0], qy = s.query[1], qz = s.query[2];
        float limit = CandidateLimit(s);
        bool takeAny = TakesAnyCandidate(s);
        for (unsigned i = 0; i < m_count; ++i) {
            const kdTreePoint& r = m_first[i];
            const float d = SquaredDistance(r, qx, qy, qz);
            if (d < limit || takeAny) {
                s.heap.push(r.index, d);
                limit = CandidateLimit(s);
                takeAny = TakesAnyCandidate(s);
            }
        }
    }

private:
    const kdTreePoint* m_first;
    unsigned m_count;
};

class KdNode final : public BaseNode {
public:
    // lowMax and highMin: the largest coordinate on the split axis among the
    // low child's records and the smallest among the high child's.
    KdNode(float split, int axis, float lowMax, float highMin)
        : m_split(split), m_lowMax(lowMax), m_highMin(highMin), m_axis(static_cast<unsigned char>(axis))
    {
    }

    void search(double rd, KdQueryState& s) const override
    {
        // The nearer child first at the same cell distance; the farther one
        // only when its distance (this axis' offset replaced by the distance
        // to the farther child's records on this axis) may still beat the
        // current candidates.
        const double qa = s.query[m_axis];
        const double old = s.offsets[m_axis];
        const BaseNode* nearer;
        const BaseNode* farther;
        double cut;
        if (qa < double(m_split)) {
            nearer = m_low.get();
            farther = m_high.get();
            cut = qa - double(m_highMin);
        } else {
            nearer = m_high.get();
            farther = m_low.get();
            cut = qa - double(m_lowMax);
        }
        nearer->search(rd, s);
        const double farRd = rd - old * old + cut * cut;
        if (CellMayHoldCandidate(farRd, s)) {
            s.offsets[m_axis] = cut;
            farther->search(farRd, s);
            s.offsets[m_axis] = old;
        }
    }

    std::unique_ptr<BaseNode> m_low;
    std::unique_ptr<BaseNode> m_high;

private:
    float m_split;
    float m_lowMax;
    float m_highMin;
    unsigned char m_axis;
};

}  // namespace

// ---- tree ----

KdTree::KdTree(const Vec3D* points, unsigned n, unsigned bucketSize)
    : m_points(points), m_bucketSize(std::max(bucketSize, 1u)), m_n(points ? n : 0)
{
    m_records.resize(m_n);
    for (unsigned i = 0; i < m_n; ++i)
        m_records[i] = kdTreePoint{points[i].x, points[i].y, points[i].z, static_cast<int32_t>(i), 0};
    computeEnclosingBoundingBox();
    if (m_n == 1) {
        m_root = std::make_unique<KdLeaf>(m_records.data(), 1);
    } else if (m_n > 1) {
        Vec3D min, max;
        getSpread(m_records.data(), m_n, min, max);
        m_root = createTree(0, m_n, max, min);
    }
    setNOfNeighbours(1);
}

KdTree::~KdTree() = default;

void KdTree::computeEnclosingBoundingBox()
{
    if (m_n == 0)
        return;
    m_boxMin = m_boxMax = m_points[0];
    for (unsigned i = 1; i < m_n; ++i) {
        for (int a = 0; a < 3; ++a) {
            const float v = m_points[i][a];
            if (v > m_boxMax[a])
                m_boxMax[a] = v;
            else if (v < m_boxMin[a])
                m_boxMin[a] = v;
        }
    }
}

void KdTree::getSpread(const kdTreePoint* records, unsigned count, Vec3D& min, Vec3D& max) const
{
    min = max = Vec3D(records[0].x, records[0].y, records[0].z);
    for (unsigned i = 1; i < count; ++i) {
        const Vec3D p(records[i].x, records[i].y, records[i].z);
        for (int a = 0; a < 3; ++a) {
            min[a] = std::min(min[a], p[a]);
            max[a] = std::max(max[a], p[a]);
        }
    }
}

void KdTree::getMinMax(const kdTreePoint* records, unsigned count, int axis, float& min, float& max)
{
    min = max = Coord(records[0], axis);
    for (unsigned i = 1; i < count; ++i) {
        const float v = Coord(records[i], axis);
        min = std::min(min, v);
        max = std::max(max, v);
    }
}

void KdTree::splitAtMid(kdTreePoint* records, unsigned count, int axis, float value, unsigned& br1,
                        unsigned& br2)
{
    // Exchanges from both ends so that the records of [first, last) passing
    // goesFirst come first; returns the end of that run.
    auto partition = [](kdTreePoint* first, kdTreePoint* last, auto goesFirst) {
        for (;;) {
            while (first != last && goesFirst(*first))
                ++first;
            do {
                if (first == last)
                    return first;
                --last;
            } while (!goesFirst(*last));
            std::swap(*first, *last);
            ++first;
        }
    };
    kdTreePoint* end = records + count;
    kdTreePoint* equal = partition(records, end, [&](const kdTreePoint& r) { return Coord(r, axis) < value; });
    kdTreePoint* above = partition(equal, end, [&](const kdTreePoint& r) { return Coord(r, axis) <= value; });
    br1 = unsigned(equal - records);
    br2 = unsigned(above - records);
}

std::unique_ptr<BaseNode> KdTree::createTree(unsigned start, unsigned end, Vec3D maxCorner, Vec3D minCorner)
{
    kdTreePoint* records = m_records.data() + start;
    const unsigned count = end - start;
    const Vec3D extent = maxCorner - minCorner;

    // The longest side of the cell; ties go to the later axis.
    int axis;
    if (extent.x > extent.y && extent.x > extent.z)
        axis = 0;
    else if (extent.y > extent.z)
        axis = 1;
    else
        axis = 2;

    // Sliding midpoint: a midpoint beyond the records slides to the nearest record.
    const float ideal = (maxCorner[axis] + minCorner[axis]) / 2;
    float lo, hi;
    getMinMax(records, count, axis, lo, hi);
    const float split = ideal < lo ? lo : (ideal > hi ? hi : ideal);
    unsigned br1, br2;
    splitAtMid(records, count, axis, split, br1, br2);

    const double half = count / 2.0;
    unsigned m;
    if (ideal < lo)
        m = 1;
    else if (ideal > hi)
        m = count - 1;
    else if (br1 > half)
        m = br1;
    else if (br2 < half)
        m = br2;
    else
        m = count / 2;
    // Both children non-empty even for coordinates that do not compare (NaN),
    // so that the partition always ends.
    m = std::clamp(m, 1u, count - 1);

    float lowMax = Coord(records[0], axis);
    float highMin = Coord(records[m], axis);
    for (unsigned i = 1; i < m; ++i)
        lowMax = std::max(lowMax, Coord(records[i], axis));
    for (unsigned i = m + 1; i < count; ++i)
        highMin = std::min(highMin, Coord(records[i], axis));
    auto node = std::make_unique<KdNode>(split, axis, lowMax, highMin);
    if (m > m_bucketSize) {
        const float saved = maxCorner[axis];
        maxCorner[axis] = split;
        node->m_low = createTree(start, start + m, maxCorner, minCorner);
        maxCorner[axis] = saved;
    } else {
        node->m_low = std::make_unique<KdLeaf>(records, m);
    }
    if (count - m > m_bucketSize) {
        minCorner[axis] = split;
        node->m_high = createTree(start + m, end, maxCorner, minCorner);
    } else {
        node->m_high = std::make_unique<KdLeaf>(records + m, count - m);
    }
    return node;
}

void KdTree::setNOfNeighbours(unsigned k)
{
    if (k == m_k)
        return;
    m_k = k;
    // More than n results can never be found.
    const unsigned capacity = std::min(k, m_n);
    m_state.heap.reset(capacity);
    m_results.assign(capacity, KdNeighbour{-1, 0.0f});
    m_nFound = 0;
}

double KdTree::computeBoxDistance(const Vec3D& q, const Vec3D& min, const Vec3D& max, double offsets[3])
{
    double d = 0.0;
    for (int a = 0; a < 3; ++a) {
        if (q[a] < min[a])
            offsets[a] = double(q[a]) - double(min[a]);
        else if (q[a] > max[a])
            offsets[a] = double(q[a]) - double(max[a]);
        else
            offsets[a] = 0.0;
        d += offsets[a] * offsets[a];
    }
    return d;
}

void KdTree::runQuery(const Vec3D& q)
{
    m_nFound = 0;
    if (!m_root || m_k == 0)
        return;
    KdQueryState& s = m_state;
    s.query[0] = q.x;
    s.query[1] = q.y;
    s.query[2] = q.z;
    s.heap.count = 0;
    const double rd = computeBoxDistance(q, m_boxMin, m_boxMax, s.offsets);
    if (CellMayHoldCandidate(rd, s))
        m_root->search(rd, s);
    // Nearest first; a NaN distance (NaN coordinates) sorts last, keeping the order strict.
    m_nFound = s.heap.count;
    std::copy_n(s.heap.entries.begin() + 1, m_nFound, m_results.begin());
    std::sort(m_results.begin(), m_results.begin() + m_nFound, [](const KdNeighbour& a, const KdNeighbour& b) {
        return a.squaredDistance < b.squaredDistance ||
               (std::isnan(b.squaredDistance) && !std::isnan(a.squaredDistance));
    });
}

void KdTree::queryPosition(const Vec3D& q)
{
    m_state.unbounded = true;
    m_state.bound = std::numeric_limits<float>::infinity();
    runQuery(q);
}

void KdTree::queryRange(const Vec3D& q, float squaredRadius)
{
    m_state.unbounded = false;
    m_state.bound = squaredRadius;
    runQuery(q);
}

unsigned KdTree::getNeighbourPositionIndex(unsigned i) const
{
    return i < m_nFound ? unsigned(m_results[i].index) : 0xFFFFFFFFu;
}

Vec3D KdTree::getNeighbourPosition(unsigned i) const
{
    return i < m_nFound ? m_points[m_results[i].index] : Vec3D(0.0f, 0.0f, 0.0f);
}

float KdTree::getSquaredDistance(unsigned i) const
{
    return i < m_nFound ? m_results[i].squaredDistance : -1.0f;
}
