// k-d tree queries against a brute-force search with the same float distance
// formula (Vec3D::squaredDistance), over point sets that stress the splits.
#include "geometry/algorithms/KdTree.h"
#include "geometry/algorithms/tests/StlVertices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

// Every squared distance from q, ascending.
std::vector<float> SortedDistances(const std::vector<Vec3D>& points, const Vec3D& q)
{
    std::vector<float> d;
    d.reserve(points.size());
    for (const Vec3D& p : points)
        d.push_back(Vec3D::squaredDistance(p, q));
    std::sort(d.begin(), d.end());
    return d;
}

// The answer every query must give: the min(k, m) smallest of the m distances
// strictly below the bound (kInf: all distances).
std::vector<float> Expected(const std::vector<float>& sorted, unsigned k, float bound)
{
    std::size_t m = sorted.size();
    if (bound != kInf)
        m = std::lower_bound(sorted.begin(), sorted.end(), bound) - sorted.begin();
    return std::vector<float>(sorted.begin(), sorted.begin() + std::min<std::size_t>(k, m));
}

std::vector<float> BruteForceDistances(const std::vector<Vec3D>& points, const Vec3D& q, unsigned k,
                                       float bound)
{
    return Expected(SortedDistances(points, q), k, bound);
}

// Checks the last query of tree against the brute-force answer: the same
// distance list exactly, distinct indices, and each index' own distance equal
// to the one reported (so indices agree with brute force up to ties).
void ExpectMatchesBruteForce(const KdTree& tree, const std::vector<Vec3D>& points, const Vec3D& q,
                             const std::vector<float>& expected, const std::string& label)
{
    ASSERT_EQ(tree.getNOfFoundNeighbours(), expected.size()) << label;
    std::vector<char> seen(points.size(), 0);
    for (unsigned i = 0; i < expected.size(); ++i) {
        // Plain comparisons first: answers run to a million results.
        const unsigned index = tree.getNeighbourPositionIndex(i);
        if (index < points.size() && !seen[index] && tree.getSquaredDistance(i) == expected[i] &&
            Vec3D::squaredDistance(points[index], q) == expected[i] && tree.getNeighbourPosition(i) == points[index]) {
            seen[index] = 1;
            continue;
        }
        ASSERT_LT(index, points.size()) << label << " result " << i;
        ASSERT_FALSE(seen[index]) << label << " result " << i << " repeats point " << index;
        ASSERT_EQ(tree.getSquaredDistance(i), expected[i]) << label << " result " << i;
        ASSERT_EQ(Vec3D::squaredDistance(points[index], q), expected[i]) << label << " result " << i;
        ASSERT_EQ(tree.getNeighbourPosition(i), points[index]) << label << " result " << i;
    }
}

std::string Label(const std::string& set, unsigned bucket, const Vec3D& q, const std::string& what)
{
    std::ostringstream s;
    s << set << ", bucket " << bucket << ", q (" << q.x << ", " << q.y << ", " << q.z << "), " << what;
    return s.str();
}

std::vector<Vec3D> RandomCube(unsigned n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<Vec3D> p(n);
    for (Vec3D& v : p)
        v = Vec3D(u(rng), u(rng), u(rng));
    return p;
}

struct PointSet {
    std::string name;
    std::vector<Vec3D> points;
    unsigned queries;  // random query points; the set's own points are added
    // Query points asked for all n points (k >= n); a million-point answer takes a while.
    std::size_t allPointQueries = 1000;
};

PointSet MakePointSet(const std::string& name)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    PointSet s{name, {}, 12};
    if (name == "cube") {
        s.points = RandomCube(3000, 1);
    } else if (name == "grid100") {
        // 10^6 points with integer coordinates: distances tie everywhere.
        for (int i = 0; i < 100; ++i)
            for (int j = 0; j < 100; ++j)
                for (int k = 0; k < 100; ++k)
                    s.points.emplace_back(float(i), float(j), float(k));
        s.queries = 3;
        s.allPointQueries = 1;
    } else if (name == "equal") {
        s.points.assign(1000, Vec3D(0.25f, -0.5f, 2.0f));
    } else if (name == "repeated") {
        // 200 places, each held by 1 to 9 points.
        for (int i = 0; i < 200; ++i) {
            const Vec3D p(u(rng), u(rng), u(rng));
            for (int c = 0; c <= i % 9; ++c)
                s.points.push_back(p);
        }
    } else if (name == "plane") {
        for (int i = 0; i < 2000; ++i)
            s.points.emplace_back(u(rng), u(rng), 0.5f);
    } else if (name == "line") {
        for (int i = 0; i < 2000; ++i) {
            const float t = u(rng);
            s.points.emplace_back(t, 2.0f * t, -3.0f * t);
        }
    } else if (name == "axisline") {
        for (int i = 0; i < 2000; ++i)
            s.points.emplace_back(0.0f, u(rng), 1.0f);
    } else if (name == "cluster") {
        // One far point: midpoints of the cell lie outside the cluster and slide to it.
        s.points.emplace_back(0.0f, 0.0f, 0.0f);
        for (int i = 0; i < 1000; ++i)
            s.points.emplace_back(1000.0f + 0.01f * u(rng), 1000.0f + 0.01f * u(rng), 1000.0f + 0.01f * u(rng));
    } else if (name == "mesh") {
        const std::string error = ReadStlVertices(kStlMeshPath, s.points);
        EXPECT_EQ(error, "");
    }
    return s;
}

class KdTreeBruteForceTest : public ::testing::TestWithParam<const char*> {};

// Queries: random points around and beyond the set's box, some of the set's
// own points (distance 0, ties) and a point far outside.
std::vector<Vec3D> QueryPoints(const std::vector<Vec3D>& points, unsigned randomCount)
{
    Vec3D lo = points[0], hi = points[0];
    for (const Vec3D& p : points)
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], p[a]);
            hi[a] = std::max(hi[a], p[a]);
        }
    std::mt19937 rng(11);
    std::vector<Vec3D> q;
    for (unsigned i = 0; i < randomCount; ++i) {
        Vec3D v;
        for (int a = 0; a < 3; ++a) {
            const float margin = 0.25f * (hi[a] - lo[a]) + 0.5f;
            v[a] = std::uniform_real_distribution<float>(lo[a] - margin, hi[a] + margin)(rng);
        }
        q.push_back(v);
    }
    q.push_back(points[0]);
    q.push_back(points[points.size() / 2]);
    q.push_back(hi + Vec3D(100.0f, -50.0f, 20.0f));
    return q;
}

TEST_P(KdTreeBruteForceTest, QueriesEqualBruteForce)
{
    const PointSet set = MakePointSet(GetParam());
    ASSERT_FALSE(set.points.empty()) << set.name;
    const std::vector<Vec3D>& points = set.points;
    const unsigned n = unsigned(points.size());
    const std::vector<Vec3D> queries = QueryPoints(points, set.queries);
    const unsigned ks[] = {1, 2, 10, 100, n, n + 5};

    std::vector<std::vector<float>> sorted;
    for (const Vec3D& q : queries)
        sorted.push_back(SortedDistances(points, q));

    for (unsigned bucket : {1u, 8u, n, n + 3}) {
        KdTree tree(points.data(), n, bucket);
        for (std::size_t qi = 0; qi < queries.size(); ++qi) {
            const Vec3D& q = queries[qi];
            const std::vector<float>& all = sorted[qi];
            const bool allPoints = qi < set.allPointQueries;
            for (unsigned k : ks) {
                if (k >= n && !allPoints)
                    continue;
                // Repeated k values (n = 2, ...) just query twice.
                tree.setNOfNeighbours(k);
                ASSERT_EQ(tree.getNOfQueryNeighbours(), k);
                tree.queryPosition(q);
                ExpectMatchesBruteForce(tree, points, q, Expected(all, k, kInf),
                                        Label(set.name, bucket, q, "k " + std::to_string(k)));
                if (HasFatalFailure())
                    return;
            }
            // Radii at the 1st, 10th and middle distances: exactly at one
            // (strict: that point is out), just below and just above it.
            std::vector<float> radii = {0.0f, kInf};
            for (std::size_t j : {std::size_t(0), std::min<std::size_t>(9, n - 1), std::size_t(n / 2)}) {
                radii.push_back(all[j]);
                radii.push_back(std::nextafter(all[j], 0.0f));
                radii.push_back(std::nextafter(all[j], kInf));
            }
            for (float r2 : radii) {
                for (unsigned k : {1u, 10u, n + 5}) {
                    if (k >= n && !allPoints)
                        continue;
                    tree.setNOfNeighbours(k);
                    tree.queryRange(q, r2);
                    ExpectMatchesBruteForce(tree, points, q, Expected(all, k, r2),
                                            Label(set.name, bucket, q,
                                                  "k " + std::to_string(k) + ", r2 " + std::to_string(r2)));
                    if (HasFatalFailure())
                        return;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(PointSets, KdTreeBruteForceTest,
                         ::testing::Values("cube", "grid100", "equal", "repeated", "plane", "line", "axisline",
                                           "cluster", "mesh"));

TEST(KdTreeTest, MeshIsThere)
{
    std::vector<Vec3D> v;
    ASSERT_EQ(ReadStlVertices(kStlMeshPath, v), "");
    EXPECT_EQ(v.size(), 3u * 3732u);
}

TEST(KdTreeTest, TwoTreesQueriedOnTwoThreadsAtOnce)
{
    const std::vector<Vec3D> a = RandomCube(10000, 3);
    std::vector<Vec3D> b = RandomCube(10000, 4);
    for (Vec3D& p : b)
        p *= 5.0f;
    const std::vector<Vec3D> qa = RandomCube(300, 5);
    const std::vector<Vec3D> qb = RandomCube(300, 6);
    KdTree ta(a.data(), unsigned(a.size()), 4);
    KdTree tb(b.data(), unsigned(b.size()), 4);
    ta.setNOfNeighbours(5);
    tb.setNOfNeighbours(5);

    // Each thread records the queries whose answer differs from brute force.
    auto run = [](KdTree& tree, const std::vector<Vec3D>& points, const std::vector<Vec3D>& queries,
                  std::vector<int>& wrong) {
        for (int round = 0; round < 3; ++round) {
            for (std::size_t i = 0; i < queries.size(); ++i) {
                tree.queryPosition(queries[i]);
                const std::vector<float> expected = BruteForceDistances(points, queries[i], 5, kInf);
                bool same = tree.getNOfFoundNeighbours() == expected.size();
                for (unsigned j = 0; same && j < expected.size(); ++j)
                    same = tree.getSquaredDistance(j) == expected[j] &&
                           Vec3D::squaredDistance(points[tree.getNeighbourPositionIndex(j)], queries[i]) ==
                               expected[j];
                if (!same)
                    wrong.push_back(int(i));
            }
        }
    };
    std::vector<int> wrongA, wrongB;
    std::thread threadA(run, std::ref(ta), std::cref(a), std::cref(qa), std::ref(wrongA));
    std::thread threadB(run, std::ref(tb), std::cref(b), std::cref(qb), std::ref(wrongB));
    threadA.join();
    threadB.join();
    EXPECT_TRUE(wrongA.empty()) << wrongA.size() << " wrong answers of tree A, first query " << wrongA[0];
    EXPECT_TRUE(wrongB.empty()) << wrongB.size() << " wrong answers of tree B, first query " << wrongB[0];
}

TEST(KdTreeTest, SinglePointAnswersEveryQuery)
{
    const Vec3D p(1.0f, 2.0f, 3.0f);
    KdTree tree(&p, 1, 8);
    for (unsigned k : {1u, 3u}) {
        tree.setNOfNeighbours(k);
        for (const Vec3D& q : {Vec3D(1.0f, 2.0f, 3.0f), Vec3D(-4.0f, 0.5f, 9.0f), Vec3D(1e6f, 0.0f, 0.0f)}) {
            tree.queryPosition(q);
            ASSERT_EQ(tree.getNOfFoundNeighbours(), 1u) << "k " << k;
            EXPECT_EQ(tree.getNeighbourPositionIndex(0), 0u);
            EXPECT_EQ(tree.getNeighbourPosition(0), p);
            EXPECT_EQ(tree.getSquaredDistance(0), Vec3D::squaredDistance(p, q));
        }
    }
}

TEST(KdTreeTest, EmptyCases)
{
    const std::vector<Vec3D> points = RandomCube(50, 9);
    const Vec3D q(0.1f, 0.2f, 0.3f);
    struct Case {
        const char* label;
        unsigned n;
        unsigned bucket;
        unsigned k;
        float r2;  // queryRange radius; kInf: queryPosition
        unsigned found;
    };
    const float nearest = BruteForceDistances(points, q, 1, kInf)[0];
    const Case cases[] = {
        {"no points", 0, 8, 5, kInf, 0},
        {"no points, range", 0, 8, 5, 1.0f, 0},
        {"k 0", 50, 8, 0, kInf, 0},
        {"k 0, range", 50, 8, 0, 100.0f, 0},
        {"radius below the nearest distance", 50, 8, 5, nearest * 0.5f, 0},
        {"radius at the nearest distance", 50, 8, 5, nearest, 0},
        {"radius 0", 50, 8, 5, 0.0f, 0},
        {"bucket size 0 is taken as 1", 50, 0, 5, kInf, 5},
    };
    for (const Case& c : cases) {
        KdTree tree(points.data(), c.n, c.bucket);
        tree.setNOfNeighbours(c.k);
        if (c.r2 == kInf)
            tree.queryPosition(q);
        else
            tree.queryRange(q, c.r2);
        EXPECT_EQ(tree.getNOfFoundNeighbours(), c.found) << c.label;
        if (c.found > 0)
            ExpectMatchesBruteForce(tree, points, q, BruteForceDistances(points, q, c.k, kInf), c.label);
    }
}

TEST(KdTreeTest, ResultsPastTheFoundCountAreMarkedInvalid)
{
    const std::vector<Vec3D> points = RandomCube(10, 2);
    KdTree tree(points.data(), 10, 2);
    tree.setNOfNeighbours(3);
    tree.queryPosition(Vec3D(0.0f, 0.0f, 0.0f));
    ASSERT_EQ(tree.getNOfFoundNeighbours(), 3u);
    EXPECT_EQ(tree.getNeighbourPositionIndex(3), 0xFFFFFFFFu);
    EXPECT_EQ(tree.getNeighbourPosition(3), Vec3D(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(tree.getSquaredDistance(3), -1.0f);
}

TEST(KdTreeTest, HugeCoordinatesStillGiveMinKN)
{
    // Squared distances overflow to infinity: every point still counts.
    const std::vector<Vec3D> points = {Vec3D(3e19f, 0.0f, 0.0f), Vec3D(-3e19f, 0.0f, 0.0f),
                                       Vec3D(0.0f, 3e19f, 1.0f), Vec3D(1.0f, 1.0f, 1.0f)};
    KdTree tree(points.data(), 4, 1);
    tree.setNOfNeighbours(10);
    tree.queryPosition(Vec3D(0.0f, 0.0f, 0.0f));
    ASSERT_EQ(tree.getNOfFoundNeighbours(), 4u);
    EXPECT_EQ(tree.getNeighbourPositionIndex(0), 3u);
    std::set<unsigned> seen;
    for (unsigned i = 0; i < 4; ++i)
        seen.insert(tree.getNeighbourPositionIndex(i));
    EXPECT_EQ(seen.size(), 4u);
}

TEST(KdTreeTest, NanCoordinatesDoNotHang)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<Vec3D> points = RandomCube(200, 12);
    for (std::size_t i = 0; i < points.size(); i += 7)
        points[i].y = nan;
    for (unsigned bucket : {1u, 4u}) {
        KdTree tree(points.data(), unsigned(points.size()), bucket);
        tree.setNOfNeighbours(3);
        tree.queryPosition(Vec3D(0.0f, 0.0f, 0.0f));
        EXPECT_LE(tree.getNOfFoundNeighbours(), 3u) << "bucket " << bucket;
    }
}

}  // namespace
