// Red-black tree of doubles against std::set: the red-black properties, the
// key order, the tolerance of insertion and lookup, neighbours and ranges,
// and node pointers that stay valid across deletes of other nodes.
#include "geometry/algorithms/RBTree.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

static_assert(!std::is_copy_constructible_v<RBTree> && !std::is_copy_assignable_v<RBTree>);

namespace {

// The tree's tolerance: the float 0.01 in double.
const double kTol = double(0.01f);

class InspectableTree : public RBTree {
public:
    const RBNode_* root() const { return m_root; }
    const RBNode_* nil() const { return &m_nil; }
};

// Walks the structure from the root and returns the nodes in order, after
// checking the red-black properties and the links; failures name the label.
struct Walk {
    const InspectableTree& tree;
    const std::string& label;
    std::vector<const RBNode_*> nodes;
    bool ok = true;

    // Black height of the subtree at n (the sentinel counts 1); -1 after a failure.
    int Visit(const RBNode_* n, const RBNode_* parent)
    {
        if (n == tree.nil())
            return 1;
        if (n == nullptr) {
            ADD_FAILURE() << label << ": null child link";
            return -1;
        }
        if (n->parent != parent) {
            ADD_FAILURE() << label << ": parent link of key " << n->key;
            return -1;
        }
        if (n->color != RBNode_::kRed && n->color != RBNode_::kBlack) {
            ADD_FAILURE() << label << ": colour " << n->color;
            return -1;
        }
        if (n->color == RBNode_::kRed &&
            (n->left->color == RBNode_::kRed || n->right->color == RBNode_::kRed)) {
            ADD_FAILURE() << label << ": red node " << n->key << " has a red child";
            return -1;
        }
        const int hl = Visit(n->left, n);
        if (hl < 0)
            return -1;
        if (!nodes.empty() && !(nodes.back()->key < n->key)) {
            ADD_FAILURE() << label << ": keys out of order: " << nodes.back()->key << " then " << n->key;
            return -1;
        }
        nodes.push_back(n);
        const int hr = Visit(n->right, n);
        if (hr < 0)
            return -1;
        if (hl != hr) {
            ADD_FAILURE() << label << ": black heights " << hl << " and " << hr << " below key " << n->key;
            return -1;
        }
        return hl + (n->color == RBNode_::kBlack ? 1 : 0);
    }
};

// Checks the tree against the set; returns false after a failure.
bool CheckTree(const InspectableTree& tree, const std::set<double>& keys, const std::string& label)
{
    const RBNode_* root = tree.root();
    if (tree.nil()->color != RBNode_::kBlack) {
        ADD_FAILURE() << label << ": sentinel not black";
        return false;
    }
    if (root != tree.nil() && root->color != RBNode_::kBlack) {
        ADD_FAILURE() << label << ": root not black";
        return false;
    }
    Walk walk{tree, label, {}};
    if (walk.Visit(root, tree.nil()) < 0)
        return false;
    if (walk.nodes.size() != keys.size()) {
        ADD_FAILURE() << label << ": " << walk.nodes.size() << " nodes, the set holds " << keys.size();
        return false;
    }
    auto it = keys.begin();
    for (std::size_t i = 0; i < walk.nodes.size(); ++i, ++it) {
        const RBNode_* n = walk.nodes[i];
        if (n->key != *it) {
            ADD_FAILURE() << label << ": in-order key " << i << " is " << n->key << ", the set has " << *it;
            return false;
        }
        const RBNode_* pred = i > 0 ? walk.nodes[i - 1] : nullptr;
        const RBNode_* succ = i + 1 < walk.nodes.size() ? walk.nodes[i + 1] : nullptr;
        if (tree.GetPredecessorOf(n) != pred || tree.GetSuccessorOf(n) != succ) {
            ADD_FAILURE() << label << ": predecessor or successor of key " << n->key;
            return false;
        }
    }
    return true;
}

// The set's key strictly within the tolerance of key, if any.
bool SetHoldsNear(const std::set<double>& keys, double key)
{
    auto hi = keys.lower_bound(key);
    if (hi != keys.end() && std::fabs(*hi - key) < kTol)
        return true;
    return hi != keys.begin() && std::fabs(*std::prev(hi) - key) < kTol;
}

// Compares findNodeRange with the set's closed range, descending.
bool CheckRange(const RBTree& tree, const std::set<double>& keys, double lo, double hi, const std::string& label)
{
    CList<RBNode_*, RBNode_*> out;
    tree.findNodeRange(lo, hi, out);
    std::vector<double> expected;
    if (hi > lo)
        for (auto it = keys.lower_bound(lo); it != keys.end() && *it <= hi; ++it)
            expected.insert(expected.begin(), *it);
    std::vector<double> got;
    for (POSITION pos = out.GetHeadPosition(); pos;)
        got.push_back(out.GetNext(pos)->key);
    if (got != expected) {
        ADD_FAILURE() << label << ": range [" << lo << ", " << hi << "] gives " << got.size() << " keys, the set "
                      << expected.size();
        return false;
    }
    return true;
}

// Random inserts, finds and deletes against std::set; the tree is checked
// every checkEvery steps. Keys come from a 0.005 lattice (neighbours 0.005
// and about 0.01 apart) and from a dense uniform draw, so that many keys lie
// within the tolerance of stored ones.
void RunRandomSteps(int steps, int checkEvery, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> lattice(0, 1500);
    std::uniform_real_distribution<double> uniform(0.0, 7.5);
    std::uniform_int_distribution<int> op(0, 9);
    auto drawKey = [&] { return rng() % 2 ? 0.005 * lattice(rng) : uniform(rng); };

    InspectableTree tree;
    std::set<double> keys;
    std::map<double, RBNode_*> held;  // every stored node, by its key
    std::map<const RBNode_*, long> token;  // the data each node was given
    long nextToken = 1;
    int nearInserts = 0;

    for (int step = 1; step <= steps; ++step) {
        const std::string label = "seed " + std::to_string(seed) + ", step " + std::to_string(step);
        const int what = op(rng);
        if (what < 5) {
            const double key = drawKey();
            const bool near = SetHoldsNear(keys, key);
            RBNode_* n = tree.insertNode(key);
            ASSERT_NE(n, nullptr) << label;
            if (near) {
                ++nearInserts;
                ASSERT_TRUE(keys.count(n->key)) << label << ": insert " << key << " returned a node not stored";
                ASSERT_LT(std::fabs(n->key - key), kTol) << label << ": insert " << key;
            } else {
                ASSERT_EQ(n->key, key) << label << ": insert " << key << " found a stored key " << n->key;
                ASSERT_EQ(n->data, nullptr) << label;
                keys.insert(key);
                held[key] = n;
                n->data = reinterpret_cast<void*>(nextToken);
                token[n] = nextToken++;
            }
        } else if (what < 7) {
            const double key = drawKey();
            RBNode_* n = tree.findNode(key);
            if (SetHoldsNear(keys, key)) {
                ASSERT_NE(n, nullptr) << label << ": find " << key;
                ASSERT_LT(std::fabs(n->key - key), kTol) << label << ": find " << key;
            } else {
                ASSERT_EQ(n, nullptr) << label << ": find " << key;
            }
        } else if (!held.empty()) {
            // Delete a stored node picked by a random key.
            auto it = held.lower_bound(uniform(rng));
            if (it == held.end())
                it = held.begin();
            RBNode_* victim = it->second;
            token.erase(victim);
            keys.erase(it->first);
            held.erase(it);
            tree.deleteNode(victim);
        }
        if (step % checkEvery == 0) {
            ASSERT_TRUE(CheckTree(tree, keys, label));
            // Nodes the caller holds keep their keys and data.
            for (const auto& [key, n] : held) {
                ASSERT_EQ(n->key, key) << label;
                ASSERT_EQ(reinterpret_cast<long>(n->data), token[n]) << label << ": data of key " << key;
            }
            const double lo = uniform(rng), hi = lo + 0.2 * uniform(rng);
            ASSERT_TRUE(CheckRange(tree, keys, lo, hi, label));
            ASSERT_TRUE(CheckRange(tree, keys, hi, lo, label));
            if (!keys.empty()) {
                // Bounds exactly on stored keys: the range is closed.
                const double a = *keys.begin(), b = *keys.rbegin();
                ASSERT_TRUE(CheckRange(tree, keys, a, b, label));
                ASSERT_TRUE(CheckRange(tree, keys, a, a + 0.5, label));
            }
        }
    }
    // Guard against a run that never met the cases it is about.
    EXPECT_GT(nearInserts, steps / 20);
    EXPECT_GT(keys.size(), 50u);
}

TEST(RBTreeTest, RandomStepsCheckedAfterEachStep)
{
    for (unsigned seed : {1u, 2u, 3u})
        RunRandomSteps(2000, 1, seed);
}

TEST(RBTreeTest, LongRandomRunCheckedEveryThousandSteps)
{
    RunRandomSteps(100000, 1000, 4);
}

TEST(RBTreeTest, ToleranceOfInsertAndFind)
{
    struct Case {
        const char* label;
        double first, second;
        bool same;
    };
    const Case cases[] = {
        {"1.0 then 1.005", 1.0, 1.005, true},
        {"1.0 then 1.0099999", 1.0, 1.0099999, true},
        {"1.0 then 1.011", 1.0, 1.011, false},
        {"1.0 then 1.01 (the float tolerance is just below 0.01)", 1.0, 1.01, false},
        {"1.0 then 0.9900001", 1.0, 0.9900001, true},
        {"equal keys", -3.25, -3.25, true},
    };
    for (const Case& c : cases) {
        RBTree tree;
        RBNode_* a = tree.insertNode(c.first);
        RBNode_* b = tree.insertNode(c.second);
        ASSERT_NE(a, nullptr) << c.label;
        EXPECT_EQ(a == b, c.same) << c.label;
        EXPECT_EQ(b->key, c.same ? c.first : c.second) << c.label;
    }
    RBTree tree;
    RBNode_* n = tree.insertNode(2.003);
    EXPECT_EQ(tree.findNode(2.0), n);
    EXPECT_EQ(tree.findNode(1.99), nullptr);
    EXPECT_EQ(tree.insertNode(std::numeric_limits<double>::quiet_NaN()), nullptr);
    EXPECT_EQ(tree.findNode(std::numeric_limits<double>::quiet_NaN()), nullptr);
}

TEST(RBTreeTest, RangeNeighboursAndRootDelete)
{
    InspectableTree tree;
    for (double k : {1.0, 5.0, 10.0, 11.0})
        tree.insertNode(k);
    const std::set<double> keys = {1.0, 5.0, 10.0, 11.0};
    EXPECT_TRUE(CheckRange(tree, keys, 0.0, 10.0, "[0, 10]"));
    CList<RBNode_*, RBNode_*> out;
    tree.findNodeRange(0.0, 10.0, out);
    ASSERT_EQ(out.GetCount(), 3);
    EXPECT_EQ(out.GetHead()->key, 10.0);
    EXPECT_EQ(out.GetTail()->key, 1.0);
    EXPECT_TRUE(CheckRange(tree, keys, 5.0, 5.0, "[5, 5]"));
    EXPECT_TRUE(CheckRange(tree, keys, 12.0, 20.0, "above every key"));

    EXPECT_EQ(tree.GetPredecessorOf(tree.findNode(1.0)), nullptr);
    EXPECT_EQ(tree.GetSuccessorOf(tree.findNode(11.0)), nullptr);
    EXPECT_EQ(tree.GetPredecessorOf(nullptr), nullptr);
    EXPECT_EQ(tree.GetSuccessorOf(tree.nil()), nullptr);

    // The largest key of the root's left subtree has the root as successor.
    const RBNode_* root = tree.root();
    ASSERT_NE(root->left, tree.nil());
    const RBNode_* last = root->left;
    while (last->right != tree.nil())
        last = last->right;
    EXPECT_EQ(tree.GetSuccessorOf(last), root);

    InspectableTree three;
    for (double k : {2.0, 1.0, 3.0})
        three.insertNode(k);
    three.deleteNode(const_cast<RBNode_*>(three.root()));
    EXPECT_TRUE(CheckTree(three, {1.0, 3.0}, "root of three deleted"));
    three.deleteNode(nullptr);
    EXPECT_TRUE(CheckTree(three, {1.0, 3.0}, "null deleted"));
}

TEST(RBTreeTest, DeleteOfATwoChildNodeKeepsOtherNodes)
{
    // Deleting a node with two children moves its successor into its place;
    // the successor node itself (key, data, address) must survive.
    InspectableTree tree;
    int payload[7];
    std::vector<RBNode_*> nodes;
    for (int i = 0; i < 7; ++i) {
        nodes.push_back(tree.insertNode(double(i)));
        nodes.back()->data = &payload[i];
    }
    RBNode_* root = const_cast<RBNode_*>(tree.root());
    ASSERT_NE(root->left, tree.nil());
    ASSERT_NE(root->right, tree.nil());
    RBNode_* successor = tree.GetSuccessorOf(root);
    const double rootKey = root->key;
    const double successorKey = successor->key;
    void* successorData = successor->data;
    tree.deleteNode(root);
    EXPECT_EQ(tree.root(), successor);
    EXPECT_EQ(successor->key, successorKey);
    EXPECT_EQ(successor->data, successorData);
    std::set<double> keys = {0, 1, 2, 3, 4, 5, 6};
    keys.erase(rootKey);
    EXPECT_TRUE(CheckTree(tree, keys, "root with two children deleted"));
}

TEST(RBTreeTest, SeparateTreesOnTwoThreadsAtOnce)
{
    InspectableTree a, b;
    EXPECT_NE(a.nil(), b.nil());
    std::set<double> keysA, keysB;
    // Each thread fills and thins its own tree; the trees must come out valid.
    auto churn = [](RBTree& tree, std::set<double>& keys, unsigned seed) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> u(0.0, 1000.0);
        for (int round = 0; round < 20; ++round) {
            std::vector<RBNode_*> added;
            for (int i = 0; i < 2000; ++i) {
                const double k = u(rng);
                if (!SetHoldsNear(keys, k)) {
                    added.push_back(tree.insertNode(k));
                    keys.insert(k);
                }
            }
            for (std::size_t i = 0; i < added.size(); i += 2) {
                keys.erase(added[i]->key);
                tree.deleteNode(added[i]);
            }
        }
    };
    std::thread ta(churn, std::ref(a), std::ref(keysA), 21u);
    std::thread tb(churn, std::ref(b), std::ref(keysB), 22u);
    ta.join();
    tb.join();
    EXPECT_TRUE(CheckTree(a, keysA, "tree A"));
    EXPECT_TRUE(CheckTree(b, keysB, "tree B"));
}

}  // namespace
