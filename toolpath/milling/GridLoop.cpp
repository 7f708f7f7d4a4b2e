#include "toolpath/milling/GridLoop.h"

#include "toolpath/milling/ProtectNet.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr double kLevelAbove = 0.0001;  // nodes higher than the level by this are inside
constexpr int kDr[4] = {0, 1, 0, -1};
constexpr int kDc[4] = {1, 0, -1, 0};

struct Flags {
    CProtectNet& net;
    // Per node the sides (bit k: direction k) whose empty neighbour a traced loop has passed.
    std::vector<std::uint8_t> seen;
    void See(int r, int c, int k) { seen[size_t(r) * size_t(net.columns) + size_t(c)] |= std::uint8_t(1 << k); }
    bool Seen(int r, int c, int k) const { return (seen[size_t(r) * size_t(net.columns) + size_t(c)] >> k) & 1; }
    std::uint8_t& At(int r, int c) { return net.flags[size_t(r) * size_t(net.columns) + size_t(c)]; }
    bool Set(int r, int c) { return r >= 0 && c >= 0 && r < net.rows && c < net.columns && At(r, c) != 0; }
};

bool SamePos(const SGridNode& a, const SGridNode& b) { return a.row == b.row && a.col == b.col; }

// Gives the last node direction d; a U-turn gets a corner node at the same position, so
// that every node's direction turns by at most a quarter.
void SetLastDir(SGridLoop& loop, int d)
{
    SGridNode& p = loop.nodes.back();
    p.dir = d;
    if (loop.nodes.size() >= 2 && d == (loop.nodes[loop.nodes.size() - 2].dir + 2) % 4) {
        p.dir = (d + 3) % 4;
        loop.nodes.push_back({p.row, p.col, d});
    }
}

void DefineBox(SGridLoop& loop)
{
    loop.box[0] = loop.box[1] = 1 << 30;
    loop.box[2] = loop.box[3] = -(1 << 30);
    for (const SGridNode& n : loop.nodes) {
        loop.box[0] = std::min(loop.box[0], n.row), loop.box[1] = std::min(loop.box[1], n.col);
        loop.box[2] = std::max(loop.box[2], n.row), loop.box[3] = std::max(loop.box[3], n.col);
    }
}

int DirTo(const SGridNode& a, const SGridNode& b)
{
    if (b.col != a.col)
        return b.col > a.col ? 0 : 2;
    return b.row > a.row ? 1 : 3;
}

// Closes the positions into a loop: repeated positions merged, the first position added at
// the end, directions taken from the successors with the corner nodes of U-turns.
SGridLoop LoopOfPositions(const std::vector<SGridNode>& pos)
{
    std::vector<SGridNode> p;
    for (const SGridNode& n : pos)
        if (p.empty() || !SamePos(p.back(), n))
            p.push_back({n.row, n.col, -1});
    if (p.size() > 1 && !SamePos(p.front(), p.back()))
        p.push_back(p.front());
    SGridLoop loop;
    loop.nodes.push_back(p.front());
    for (size_t i = 1; i < p.size(); ++i) {
        SetLastDir(loop, DirTo(loop.nodes.back(), p[i]));
        loop.nodes.push_back(p[i]);
    }
    if (loop.nodes.size() > 1)
        SetLastDir(loop, loop.nodes.front().dir);
    DefineBox(loop);
    return loop;
}

SGridLoop Trace(Flags& f, int r0, int c0)
{
    SGridLoop loop;
    loop.nodes.push_back({r0, c0, -1});
    if (!f.Set(r0, c0 + 1) && !f.Set(r0 + 1, c0) && !f.Set(r0, c0 - 1) && !f.Set(r0 - 1, c0)) {
        DefineBox(loop);
        return loop;
    }
    // Keeps the outside on the left: after a move it turns towards the outside when it can;
    // where the way ahead is closed it turns the other way. Back at the start it stops only
    // when its next move repeats the first one: a start node can join two stretches of the
    // boundary (an arm hanging below it), and stopping at the first return would lose one.
    int state = 3, r = r0, c = c0, first = -1;
    auto nextMove = [&f](int r1, int c1, int s) {
        for (int k = 0; k < 4 && !f.Set(r1 + kDr[s], c1 + kDc[s]); ++k)
            s = (s + 1) % 4;
        return s;
    };
    f.See(r0, c0, 2);
    const long long guard = 8LL * f.net.rows * f.net.columns + 16;
    for (long long step = 0; step < guard; ++step) {
        const int nr = r + kDr[state], nc = c + kDc[state];
        if (!f.Set(nr, nc)) {
            f.See(r, c, state);
            state = (state + 1) % 4;
            continue;
        }
        if (first < 0)
            first = state;
        r = nr, c = nc;
        SetLastDir(loop, state);
        loop.nodes.push_back({r, c, -1});
        if (f.At(r, c) != 3)
            f.At(r, c) = 2;
        const int right = (state + 3) % 4;
        if (f.Set(r + kDr[right], c + kDc[right]))
            state = right;
        else
            f.See(r, c, right);
        if (r == r0 && c == c0 && nextMove(r, c, state) == first)
            break;
    }
    SetLastDir(loop, loop.nodes.front().dir);
    DefineBox(loop);
    return loop;
}

// Index of the first node at (row, col) among the loop's open positions, or -1.
long FindNode(const SGridLoop& loop, int row, int col)
{
    if (row < loop.box[0] || col < loop.box[1] || row > loop.box[2] || col > loop.box[3])
        return -1;
    for (size_t i = 0; i + 1 < loop.nodes.size(); ++i)
        if (loop.nodes[i].row == row && loop.nodes[i].col == col)
            return long(i);
    return -1;
}

// A loop through both filled nodes of a saddle is cut there into the part between them and
// the part round the other way; every part keeps its nodes, a lone node or a pair becoming the
// loop its region alone would give. When a part's ends would not
// meet along a row or column (the filled nodes are passed in another order), the loop stays
// whole: it still bounds the region with the saddle joined. Returns 1 when cut.
int SplitAtSaddle(std::vector<SGridLoop>& loops, size_t k, long i0, long i1)
{
    if (i0 > i1)
        std::swap(i0, i1);
    const std::vector<SGridNode> open(loops[k].nodes.begin(), loops[k].nodes.end() - 1);
    std::vector<SGridNode> inner(open.begin() + i0 + 1, open.begin() + i1);
    std::vector<SGridNode> outer(open.begin() + i1 + 1, open.end());
    outer.insert(outer.end(), open.begin(), open.begin() + i0);
    for (const std::vector<SGridNode>* part : {&outer, &inner})
        if (part->size() >= 2 && std::abs(part->front().row - part->back().row) + std::abs(part->front().col - part->back().col) > 1)
            return 0;
    loops.erase(loops.begin() + long(k));
    for (const std::vector<SGridNode>* part : {&outer, &inner})
        if (!part->empty())
            loops.push_back(LoopOfPositions(*part));
    return 1;
}

// Corner through which the step from a to b keeps to a row and a column, both legs running over
// set nodes only and not through `avoid`. 0 when there is none, 1 with the corner, 2 when a and b
// already share a row or column.
int StepCorner(Flags& f, const SGridNode& a, const SGridNode& b, const SGridNode& avoid, SGridNode& corner)
{
    if (a.row == b.row || a.col == b.col)
        return 2;
    auto leg = [&f, &avoid](const SGridNode& p, const SGridNode& q) {
        const int dr = q.row > p.row ? 1 : q.row < p.row ? -1 : 0, dc = q.col > p.col ? 1 : q.col < p.col ? -1 : 0;
        for (int r = p.row, c = p.col;; r += dr, c += dc) {
            if (!f.Set(r, c) || (r == avoid.row && c == avoid.col))
                return false;
            if (r == q.row && c == q.col)
                return true;
        }
    };
    for (const SGridNode& c : {SGridNode{a.row, b.col, -1}, SGridNode{b.row, a.col, -1}})
        if (leg(a, c) && leg(c, b)) {
            corner = c;
            return 1;
        }
    return 0;
}

// Moves the loop's node at index i (with the corner nodes sharing its position) to (row, col),
// adding a corner on each side where the new steps would leave the rows and columns. 0 when a
// step cannot be kept on set nodes that way; the loop is then unchanged.
int MoveNode(Flags& f, SGridLoop& loop, long i, int row, int col)
{
    std::vector<SGridNode> open(loop.nodes.begin(), loop.nodes.end() - 1);
    const SGridNode old = open[size_t(i)], to{row, col, -1};
    std::rotate(open.begin(), open.begin() + i, open.end());
    while (!open.empty() && SamePos(open.front(), old))
        open.erase(open.begin());
    while (!open.empty() && SamePos(open.back(), old))
        open.pop_back();
    std::vector<SGridNode> pos;
    SGridNode corner;
    int step = open.empty() ? 2 : StepCorner(f, open.back(), to, old, corner);
    if (step == 0)
        return 0;
    if (step == 1)
        pos.push_back(corner);
    pos.push_back(to);
    step = open.empty() ? 2 : StepCorner(f, to, open.front(), old, corner);
    if (step == 0)
        return 0;
    if (step == 1)
        pos.push_back(corner);
    pos.insert(pos.end(), open.begin(), open.end());
    loop = LoopOfPositions(pos);
    return 1;
}

// Moves every visit of the loop to (row, col) on to (toRow, toCol): a loop through a filled node
// that joins an arm passes it twice. 0 when a visit cannot be moved; the loop is then partly
// moved and must be dropped by the caller.
int MoveEveryVisit(Flags& f, SGridLoop& loop, int row, int col, int toRow, int toCol)
{
    for (size_t guard = loop.nodes.size(); guard > 0; --guard) {
        const long i = FindNode(loop, row, col);
        if (i < 0)
            return 1;
        if (!MoveNode(f, loop, i, toRow, toCol))
            return 0;
    }
    return 0;
}

// A saddle whose filled nodes lie on one loop splits it; on two loops (a ring closed only at a
// corner: outer loop through one filled node, hole loop through the other) each loop takes the
// other filled node instead of its own, both or neither.
void ResolveSaddles(Flags& f, std::vector<SGridLoop>& loops, std::vector<SGridSaddle>& saddles)
{
    for (SGridSaddle& s : saddles) {
        long at[2] = {-1, -1};
        size_t on[2] = {0, 0};
        for (size_t k = 0; k < loops.size(); ++k) {
            const long i0 = FindNode(loops[k], s.row[0], s.col[0]), i1 = FindNode(loops[k], s.row[1], s.col[1]);
            if (i0 >= 0 && i1 >= 0) {
                at[0] = i0, at[1] = i1, on[0] = on[1] = k;
                break;
            }
            if (i0 >= 0 && at[0] < 0)
                at[0] = i0, on[0] = k;
            if (i1 >= 0 && at[1] < 0)
                at[1] = i1, on[1] = k;
        }
        if (at[0] < 0 || at[1] < 0)
            continue;
        if (on[0] != on[1]) {
            SGridLoop moved[2] = {loops[on[0]], loops[on[1]]};
            if (MoveEveryVisit(f, moved[0], s.row[0], s.col[0], s.row[1], s.col[1]) &&
                MoveEveryVisit(f, moved[1], s.row[1], s.col[1], s.row[0], s.col[0]))
                loops[on[0]] = std::move(moved[0]), loops[on[1]] = std::move(moved[1]);
            continue;
        }
        if (SplitAtSaddle(loops, on[0], at[0], at[1])) {
            s.split = true;
            std::swap(s.row[0], s.row[1]), std::swap(s.col[0], s.col[1]);
            std::swap(s.xy[0][0], s.xy[1][0]), std::swap(s.xy[0][1], s.xy[1][1]);
        }
    }
}

// Drops every node lying strictly between its two neighbours on one row or one column.
void DropCollinear(SGridLoop& loop)
{
    if (loop.nodes.size() < 4)
        return;
    std::vector<SGridNode> open(loop.nodes.begin(), loop.nodes.end() - 1), kept;
    const size_t n = open.size();
    auto between = [](int a, int b, int c) { return (a < b && b < c) || (a > b && b > c); };
    for (size_t i = 0; i < n; ++i) {
        const SGridNode& a = kept.empty() ? open[n - 1] : kept.back();
        const SGridNode& b = open[i];
        const SGridNode& c = open[(i + 1) % n];
        const bool onRow = a.row == b.row && b.row == c.row && between(a.col, b.col, c.col);
        const bool onCol = a.col == b.col && b.col == c.col && between(a.row, b.row, c.row);
        if (!onRow && !onCol)
            kept.push_back(b);
    }
    if (kept.size() < 2)
        return;
    kept.push_back(kept.front());
    kept.back().dir = kept.front().dir;
    loop.nodes = std::move(kept);
    DefineBox(loop);
}

}  // namespace

long long GridLoopArea(SGridLoop& loop)
{
    long long sum = 0;
    const size_t n = loop.nodes.size();
    for (size_t i = 0; i < n; ++i) {
        const SGridNode& a = loop.nodes[i];
        const SGridNode& b = loop.nodes[(i + 1) % n];
        sum += (long long)a.col * b.row - (long long)b.col * a.row;
    }
    loop.area = sum / 2;
    return loop.area;
}

int GridRowParity(const SGridLoop& loop, int row, int col)
{
    int count = 0;
    for (size_t i = 1; i < loop.nodes.size(); ++i) {
        const SGridNode& a = loop.nodes[i - 1];
        const SGridNode& b = loop.nodes[i];
        if (a.col == b.col && a.col < col && (a.row > row) != (b.row > row))
            ++count;
    }
    return count % 2;
}

void GridLoopDropLargest(std::vector<SGridLoop>& loops)
{
    if (loops.empty())
        return;
    size_t best = 0;
    for (size_t i = 0; i < loops.size(); ++i)
        if (std::llabs(GridLoopArea(loops[i])) > std::llabs(loops[best].area))
            best = i;
    loops.erase(loops.begin() + long(best));
}

void GridLoopListFree(std::vector<SGridLoop>& loops) { std::vector<SGridLoop>().swap(loops); }

void GridSaddleListFree(std::vector<SGridSaddle>& saddles) { std::vector<SGridSaddle>().swap(saddles); }

void NetLevelLoops(CProtectNet& net, double z, std::vector<SGridLoop>& loops, std::vector<SGridSaddle>& saddles)
{
    loops.clear();
    saddles.clear();
    Flags f{net, std::vector<std::uint8_t>(net.heights.size(), 0)};
    net.flags.assign(net.heights.size(), 0);
    for (size_t i = 0; i < net.heights.size(); ++i)
        net.flags[i] = net.heights[i] > z + kLevelAbove ? 1 : 0;
    for (int i = 1; i + 1 < net.rows - 1; ++i)
        for (int j = 1; j + 1 < net.columns - 1; ++j) {
            const int a = f.At(i, j) != 0, b = f.At(i, j + 1) != 0, c = f.At(i + 1, j) != 0, d = f.At(i + 1, j + 1) != 0;
            if (a == b || c == d || a == c)
                continue;
            SGridSaddle s;
            int k = 0;
            for (const auto& n : {std::array<int, 2>{i, j}, {i, j + 1}, {i + 1, j}, {i + 1, j + 1}})
                if (f.At(n[0], n[1]) == 0) {
                    f.At(n[0], n[1]) = 1;
                    s.row[k] = n[0], s.col[k] = n[1];
                    s.xy[k][0] = net.columnX[size_t(n[1])], s.xy[k][1] = net.rowY[size_t(n[0])];
                    ++k;
                }
            saddles.push_back(s);
        }
    std::reverse(saddles.begin(), saddles.end());  // the last found first
    for (const SGridSaddle& s : saddles)
        for (int k = 0; k < 2; ++k)
            f.At(s.row[k], s.col[k]) = 3;
    for (int i = 1; i + 1 < net.rows; ++i)
        for (int j = 1; j + 1 < net.columns; ++j)
            if (f.At(i, j) != 0 && f.At(i, j - 1) == 0 && !f.Seen(i, j, 2))
                loops.push_back(Trace(f, i, j));
    ResolveSaddles(f, loops, saddles);
    for (SGridLoop& l : loops) {
        DropCollinear(l);
        GridLoopArea(l);
    }
}
