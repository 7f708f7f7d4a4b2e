// Level loops of the protection net against a 4-connected labelling of the same flag grid:
// per region one outer loop through exactly its nodes next to the empty region enclosing it,
// and per hole one loop through exactly the region's nodes next to that hole.
#include "toolpath/milling/GridLoop.h"
#include "toolpath/milling/ProtectNet.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using Grid = std::vector<std::string>;  // '#' above the level, row 0 first
using Nodes = std::set<std::pair<int, int>>;

CProtectNet NetOf(const Grid& g)
{
    for (const std::string& row : g)
        EXPECT_EQ(row.size(), g[0].size());
    CProtectNet net;
    const double box[6] = {0, 0, 0, double(g[0].size() - 1) - 4, double(g.size() - 1) - 4, 1};
    EXPECT_EQ(ProtectNetCreate(1, 0, 0, box, net), 1);
    EXPECT_EQ(net.rows, int(g.size()));
    EXPECT_EQ(net.columns, int(g[0].size()));
    for (int i = 0; i < net.rows; ++i)
        for (int j = 0; j < net.columns; ++j)
            net.At(i, j) = g[size_t(i)][size_t(j)] == '#' ? 5 : 0;
    return net;
}

bool HasSaddle(const Grid& g)
{
    for (size_t i = 0; i + 1 < g.size(); ++i)
        for (size_t j = 0; j + 1 < g[0].size(); ++j) {
            const bool a = g[i][j] == '#', b = g[i][j + 1] == '#', c = g[i + 1][j] == '#', d = g[i + 1][j + 1] == '#';
            if (a != b && c != d && a != c)
                return true;
        }
    return false;
}

// 4-connected labels of the cells equal to `on`; -1 elsewhere.
std::vector<std::vector<int>> Label(const Grid& g, char on, int& count)
{
    const int R = int(g.size()), C = int(g[0].size());
    std::vector<std::vector<int>> lab(size_t(R), std::vector<int>(size_t(C), -1));
    count = 0;
    for (int i = 0; i < R; ++i)
        for (int j = 0; j < C; ++j) {
            if (g[size_t(i)][size_t(j)] != on || lab[size_t(i)][size_t(j)] >= 0)
                continue;
            std::vector<std::pair<int, int>> stack = {{i, j}};
            lab[size_t(i)][size_t(j)] = count;
            while (!stack.empty()) {
                auto [r, c] = stack.back();
                stack.pop_back();
                const int dr[4] = {0, 1, 0, -1}, dc[4] = {1, 0, -1, 0};
                for (int k = 0; k < 4; ++k) {
                    const int nr = r + dr[k], nc = c + dc[k];
                    if (nr < 0 || nc < 0 || nr >= R || nc >= C || g[size_t(nr)][size_t(nc)] != on ||
                        lab[size_t(nr)][size_t(nc)] >= 0)
                        continue;
                    lab[size_t(nr)][size_t(nc)] = count;
                    stack.push_back({nr, nc});
                }
            }
            ++count;
        }
    return lab;
}

struct Expected {
    std::multiset<Nodes> loops;
    int outer = 0, holes = 0;
};

// Regions must keep off the grid's edge. The empty region left of a region's first node in
// row order encloses it; every other empty region next to it is one of its holes. Islands
// inside holes are regions of their own.
Expected Oracle(const Grid& g)
{
    int regions = 0, empties = 0;
    const auto full = Label(g, '#', regions);
    const auto empty = Label(g, '.', empties);
    const int R = int(g.size()), C = int(g[0].size());
    std::vector<int> enclosing(size_t(regions), -1);
    for (int i = 0; i < R; ++i)
        for (int j = 1; j < C; ++j) {
            const int f = full[size_t(i)][size_t(j)];
            if (f >= 0 && enclosing[size_t(f)] < 0)
                enclosing[size_t(f)] = empty[size_t(i)][size_t(j - 1)];
        }
    std::map<std::pair<int, int>, Nodes> bound;  // (region, empty region) -> region nodes next to it
    for (int i = 0; i < R; ++i)
        for (int j = 0; j < C; ++j) {
            const int f = full[size_t(i)][size_t(j)];
            if (f < 0)
                continue;
            for (int di = -1; di <= 1; ++di)
                for (int dj = -1; dj <= 1; ++dj) {
                    const int r = i + di, c = j + dj;
                    if (r >= 0 && c >= 0 && r < R && c < C && empty[size_t(r)][size_t(c)] >= 0)
                        bound[{f, empty[size_t(r)][size_t(c)]}].insert({i, j});
                }
            if (f >= 0 && bound.count({f, enclosing[size_t(f)]}) == 0)
                bound[{f, enclosing[size_t(f)]}].insert({i, j});  // a lone node
        }
    Expected e;
    for (const auto& [key, nodes] : bound) {
        e.loops.insert(nodes);
        (enclosing[size_t(key.first)] == key.second ? e.outer : e.holes)++;
    }
    return e;
}

// The loop's nodes with the steps between them filled in, after checking that the loop is
// closed and runs along rows and columns.
Nodes Walk(const SGridLoop& l, const std::string& what)
{
    Nodes s;
    EXPECT_TRUE(l.nodes.front().row == l.nodes.back().row && l.nodes.front().col == l.nodes.back().col) << what;
    s.insert({l.nodes[0].row, l.nodes[0].col});
    for (size_t k = 1; k < l.nodes.size(); ++k) {
        const SGridNode& a = l.nodes[k - 1];
        const SGridNode& b = l.nodes[k];
        if (a.row != b.row && a.col != b.col) {
            ADD_FAILURE() << what << "\nedge off rows and columns";
            continue;
        }
        const int dr = b.row > a.row ? 1 : b.row < a.row ? -1 : 0, dc = b.col > a.col ? 1 : b.col < a.col ? -1 : 0;
        for (int r = a.row, c = a.col; r != b.row || c != b.col; r += dr, c += dc)
            s.insert({r + dr, c + dc});
    }
    return s;
}

void CheckAgainstLabels(const std::string& what, const Grid& g)
{
    CProtectNet net = NetOf(g);
    std::vector<SGridLoop> loops;
    std::vector<SGridSaddle> saddles;
    NetLevelLoops(net, 1, loops, saddles);
    const Expected want = Oracle(g);
    std::multiset<Nodes> got;
    int outer = 0, holes = 0;
    for (SGridLoop& l : loops) {
        got.insert(Walk(l, what));
        (GridLoopArea(l) >= 0 ? outer : holes)++;
        // No node strictly between collinear neighbours.
        for (size_t k = 1; k + 1 < l.nodes.size(); ++k) {
            const SGridNode &a = l.nodes[k - 1], &b = l.nodes[k], &c = l.nodes[k + 1];
            EXPECT_FALSE(a.row == b.row && b.row == c.row && (a.col - b.col) * (b.col - c.col) > 0) << what;
            EXPECT_FALSE(a.col == b.col && b.col == c.col && (a.row - b.row) * (b.row - c.row) > 0) << what;
        }
    }
    EXPECT_EQ(outer, want.outer) << what;
    EXPECT_EQ(holes, want.holes) << what;
    EXPECT_TRUE(got == want.loops) << what;
}

TEST(GridLoop, LevelLoopsMatchLabelling)
{
    CheckAgainstLabels("empty", Grid(8, std::string(8, '.')));
    CheckAgainstLabels("single node", {".....", ".....", "..#..", ".....", "....."});
    CheckAgainstLabels("ring with an island",
                       {".......", ".#####.", ".#...#.", ".#.#.#.", ".#...#.", ".#####.", "......."});
    CheckAgainstLabels("thin wall between hole and outside",
                       {"........", ".######.", ".#....#.", ".#....#.", ".######.", "........"});
    CheckAgainstLabels("two holes on one row", {"..........", ".########.", ".#..#...#.", ".########.", ".........."});
    // Combs: more than nine loop nodes on one row, the gaps between the teeth open to the
    // outside; the second has holes in its back as well.
    const std::string edge(27, '.'), teeth = ".#.#.#.#.#.#.#.#.#.#.#.#.#.", back = "." + std::string(25, '#') + ".";
    CheckAgainstLabels("comb", {edge, teeth, back, "." + std::string("#") + std::string(23, '.') + "#.", back, edge});
    CheckAgainstLabels("comb with holes in its back", {edge, teeth, back, teeth, back, teeth, edge});
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(0, 1);
    int tested = 0;
    for (int attempt = 0; attempt < 20000 && tested < 200; ++attempt) {
        const int R = 8 + attempt % 13, C = 9 + attempt % 17;
        Grid g(size_t(R), std::string(size_t(C), '.'));
        const double fill = 0.45 + 0.35 * u(rng);
        for (int i = 2; i < R - 2; ++i)
            for (int j = 2; j < C - 2; ++j)
                if (u(rng) < fill)
                    g[size_t(i)][size_t(j)] = '#';
        if (HasSaddle(g))
            continue;
        std::string what = "random " + std::to_string(attempt);
        for (const std::string& row : g)
            what += "\n" + row;
        CheckAgainstLabels(what, g);
        ++tested;
    }
    EXPECT_GE(tested, 100);
}

TEST(GridLoop, RowParityCountsCrossingsOfTheLoop)
{
    // A U open at the top: the gap between its arms lies outside, the inner rows too.
    CProtectNet net = NetOf({".......", ".#...#.", ".#...#.", ".#####.", "......."});
    std::vector<SGridLoop> loops;
    std::vector<SGridSaddle> saddles;
    NetLevelLoops(net, 1, loops, saddles);
    ASSERT_EQ(loops.size(), 1u);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 7; ++c)
            EXPECT_EQ(GridRowParity(loops[0], r, c), 0) << r << " " << c;
    CProtectNet ring = NetOf({".......", ".#####.", ".#...#.", ".#####.", "......."});
    NetLevelLoops(ring, 1, loops, saddles);
    ASSERT_EQ(loops.size(), 2u);
    const SGridLoop& out = loops[0].area > 0 ? loops[0] : loops[1];
    for (int c : {0, 2, 3, 4, 6})  // off the loop
        EXPECT_EQ(GridRowParity(out, 2, c), c >= 2 && c <= 4 ? 1 : 0) << c;
}

struct SaddleCase {
    const char* what;
    Grid grid;
};

TEST(GridLoop, SaddlesAreFilledThenSplit)
{
    // Regions meeting only at corners come out as the loops of each region alone.
    const SaddleCase cases[] = {
        {"two squares", {"........", ".##.....", ".##.....", "...##...", "...##...", "........"}},
        {"three along a diagonal", {"..........", ".##.......", ".##.......", "...##.....", "...##.....", ".....##...",
                                    ".....##...", ".........."}},
        {"rising diagonal", {"........", "...##...", "...##...", ".##.....", ".##.....", "........"}},
    };
    for (const SaddleCase& t : cases) {
        CProtectNet net = NetOf(t.grid);
        std::vector<SGridLoop> loops;
        std::vector<SGridSaddle> saddles;
        NetLevelLoops(net, 1, loops, saddles);
        EXPECT_FALSE(saddles.empty()) << t.what;
        const Expected want = Oracle(t.grid);
        std::multiset<Nodes> got;
        for (SGridLoop& l : loops) {
            got.insert(Walk(l, t.what));
            EXPECT_GT(GridLoopArea(l), 0) << t.what;
        }
        EXPECT_TRUE(got == want.loops) << t.what;
        // The records hold the two filled nodes and their positions on the net.
        for (const SGridSaddle& s : saddles) {
            EXPECT_EQ(std::abs(s.row[0] - s.row[1]), 1) << t.what;
            EXPECT_EQ(std::abs(s.col[0] - s.col[1]), 1) << t.what;
            for (int k = 0; k < 2; ++k) {
                EXPECT_EQ(t.grid[size_t(s.row[k])][size_t(s.col[k])], '.') << t.what;
                EXPECT_EQ(s.xy[k][0], net.columnX[size_t(s.col[k])]);
                EXPECT_EQ(s.xy[k][1], net.rowY[size_t(s.row[k])]);
            }
        }
    }
}

struct TwoLoopSaddleCase {
    const char* what;
    Grid grid;
    std::pair<int, int> inHole, outside;  // the filled nodes
    bool swapped = true;  // false: a loop cannot reach the other node over set nodes
};

TEST(GridLoop, SaddleOnTwoLoopsSwapsTheFilledNodes)
{
    // A ring closed only at a corner: the outer loop passes the filled node outside the ring,
    // the hole loop the one inside. Resolved, each loop passes the other filled node instead
    // (both or neither);
    // apart from it each loop walks exactly the labelling's boundary nodes.
    const TwoLoopSaddleCase cases[] = {
        {"falling diagonal at the bottom right", {".......", ".####..", ".#..#..", ".#..#..", ".###...", "......."}, {3, 3}, {4, 4}},
        {"rising diagonal at the top right", {"........", ".####...", ".#...#..", ".#...#..", ".#####..", "........"}, {2, 4}, {1, 5}},
        {"falling diagonal at the top left", {"........", "..####..", ".#...#..", ".#...#..", ".#####..", "........"}, {2, 2}, {1, 1}},
        // The outer loop reaches the outer filled node from a set node beside the corner; its
        // new way to the inner one turns round that node's neighbour.
        {"outer filled node entered from beside the corner", {"........", ".####...", ".#..#...", ".#..##..", ".###.#..", "........"}, {3, 3}, {4, 4}},
        // The filled node beside the ring is shut in by set nodes; no way to the other filled
        // node runs over set nodes round the corner, so the move is refused and both loops
        // stay as traced, each through its own filled node (the labelling, which counts the
        // shut-in node as a hole of its own, does not apply).
        {"move refused", {"..........", "..........", "..######..", "..##..##..", "..#.###...", "..##......", "..........", ".........."}, {3, 4}, {4, 3}, false},
    };
    for (const TwoLoopSaddleCase& t : cases) {
        CProtectNet net = NetOf(t.grid);
        std::vector<SGridLoop> loops;
        std::vector<SGridSaddle> saddles;
        NetLevelLoops(net, 1, loops, saddles);
        ASSERT_EQ(saddles.size(), 1u) << t.what;
        ASSERT_EQ(loops.size(), 2u) << t.what;
        const Nodes filled = {t.inHole, t.outside};
        EXPECT_EQ(filled, (Nodes{{saddles[0].row[0], saddles[0].col[0]}, {saddles[0].row[1], saddles[0].col[1]}})) << t.what;
        const Expected want = Oracle(t.grid);
        std::multiset<Nodes> got;
        for (SGridLoop& l : loops) {
            Nodes walked = Walk(l, t.what);
            const bool outer = GridLoopArea(l) > 0;
            EXPECT_EQ(walked.count(t.inHole), outer == t.swapped ? 1u : 0u) << t.what;
            EXPECT_EQ(walked.count(t.outside), outer == t.swapped ? 0u : 1u) << t.what;
            for (const auto& n : filled)
                walked.erase(n);
            got.insert(walked);
        }
        EXPECT_NE(loops[0].area > 0, loops[1].area > 0) << t.what;
        if (t.swapped) {
            EXPECT_TRUE(got == want.loops) << t.what;
        }
    }
}

TEST(GridLoop, FilledNodePassedTwiceMovesAtEveryVisit)
{
    // A random grid whose saddle filling (4, 4) and (5, 3) joins two loops, one of them passing
    // (5, 3) twice. Moving only the first visit left that loop through both filled nodes;
    // resolved, each of the saddle's filled nodes lies on loops that do not pass the other.
    const Grid g = {"............", "............", "..#.##.#.#..", "...####..#..", "..##..##....",
                    "..#.#.##....", "...#.##.....", "....##.##...", "............", "............"};
    CProtectNet net = NetOf(g);
    std::vector<SGridLoop> loops;
    std::vector<SGridSaddle> saddles;
    NetLevelLoops(net, 1, loops, saddles);
    const SGridSaddle* s = nullptr;
    for (const SGridSaddle& t : saddles)
        for (int k = 0; k < 2; ++k)
            if (t.row[k] == 5 && t.col[k] == 3)
                s = &t;
    ASSERT_TRUE(s);
    EXPECT_FALSE(s->split);
    int passed[4] = {0, 0, 0, 0};
    for (const SGridLoop& l : loops) {
        int mask = 0;
        for (const auto& n : Walk(l, "twice"))
            for (int k = 0; k < 2; ++k)
                mask |= n.first == s->row[k] && n.second == s->col[k] ? 1 << k : 0;
        ++passed[mask];
    }
    EXPECT_EQ(passed[3], 0);
    EXPECT_EQ(passed[1], 1);
    EXPECT_EQ(passed[2], 1);
}

TEST(GridLoop, RandomBlobsWithSaddlesKeepTheirBoundary)
{
    // Every loop closed and on rows and columns through set or filled nodes, and every set
    // node next to an empty one that was not filled lies on some loop.
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(0, 1);
    int tested = 0;
    for (int attempt = 0; attempt < 3000 && tested < 150; ++attempt) {
        const int R = 8 + attempt % 11, C = 9 + attempt % 15;
        Grid g(size_t(R), std::string(size_t(C), '.'));
        for (int i = 2; i < R - 2; ++i)
            for (int j = 2; j < C - 2; ++j)
                if (u(rng) < 0.5)
                    g[size_t(i)][size_t(j)] = '#';
        if (!HasSaddle(g))
            continue;
        ++tested;
        std::string what = "random " + std::to_string(attempt);
        for (const std::string& row : g)
            what += "\n" + row;
        CProtectNet net = NetOf(g);
        std::vector<SGridLoop> loops;
        std::vector<SGridSaddle> saddles;
        NetLevelLoops(net, 1, loops, saddles);
        Nodes filled, onLoops;
        for (const SGridSaddle& s : saddles)
            for (int k = 0; k < 2; ++k)
                filled.insert({s.row[k], s.col[k]});
        for (const SGridLoop& l : loops)
            for (const auto& n : Walk(l, what)) {
                onLoops.insert(n);
                EXPECT_TRUE(g[size_t(n.first)][size_t(n.second)] == '#' || filled.count(n)) << what;
            }
        for (int i = 1; i + 1 < R; ++i)
            for (int j = 1; j + 1 < C; ++j) {
                if (g[size_t(i)][size_t(j)] != '#')
                    continue;
                bool edge = false;
                for (auto [di, dj] : {std::pair{0, 1}, {1, 0}, {0, -1}, {-1, 0}})
                    edge = edge || (g[size_t(i + di)][size_t(j + dj)] == '.' && !filled.count({i + di, j + dj}));
                EXPECT_TRUE(!edge || onLoops.count({i, j})) << what << "\nnode " << i << " " << j;
            }
    }
    EXPECT_GE(tested, 100);
}

TEST(GridLoop, DropLargestAndFree)
{
    CProtectNet net = NetOf({"..........", ".######...", ".######.#.", ".######...", ".........."});
    std::vector<SGridLoop> loops;
    std::vector<SGridSaddle> saddles;
    NetLevelLoops(net, 1, loops, saddles);
    ASSERT_EQ(loops.size(), 2u);
    GridLoopDropLargest(loops);
    ASSERT_EQ(loops.size(), 1u);
    EXPECT_EQ(loops[0].nodes.size(), 1u);
    GridLoopListFree(loops);
    GridSaddleListFree(saddles);
    EXPECT_TRUE(loops.empty());
    GridLoopDropLargest(loops);
    EXPECT_TRUE(loops.empty());
}

}  // namespace
