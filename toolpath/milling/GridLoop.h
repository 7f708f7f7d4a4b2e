// Loops of grid nodes around the regions of a protection net that lie above a level.
#pragma once

#include <array>
#include <vector>

class CProtectNet;

// A node of a grid loop: direction to the next node 0 +column, 1 +row, 2 -column, 3 -row.
struct SGridNode {
    int row = 0, col = 0, dir = -1;
};

struct SGridLoop {
    std::vector<SGridNode> nodes;  // closed: the last node repeats the first position
    long long area = 0;            // signed, over (column, row), halved; > 0 for outer loops
    int box[4] = {0, 0, 0, 0};     // min row, min column, max row, max column
};

// Two diagonal nodes filled to join regions that touch only at a grid corner.
struct SGridSaddle {
    int row[2] = {0, 0}, col[2] = {0, 0};
    double xy[2][2] = {{0, 0}, {0, 0}};
    bool split = false;  // both nodes lay on one loop, which was cut there
    // Section segments (a x, a y, b x, b y) of the saddle's cell, taken by the contour of the
    // loop on one side and handed on to the loop on the other.
    std::vector<std::array<double, 4>> segments;
};

// Flags the nodes higher than z + 0.0001, fills and records the saddles, traces every
// region's outer loop and its hole loops, splits a loop joined at a saddle or, where the
// saddle's filled nodes lie on two loops, swaps them between the loops, and drops the nodes
// between collinear neighbours. Overwrites the net's flags.
void NetLevelLoops(CProtectNet& net, double z, std::vector<SGridLoop>& loops, std::vector<SGridSaddle>& saddles);
// Shoelace area over (column, row), halved by integer division; stored in the loop.
long long GridLoopArea(SGridLoop& loop);
// 1 when the point (row, col), not on the loop, lies inside it: an odd number of the loop's
// column edges crosses the row to its left.
int GridRowParity(const SGridLoop& loop, int row, int col);
// Removes the loop of largest absolute area.
void GridLoopDropLargest(std::vector<SGridLoop>& loops);
void GridLoopListFree(std::vector<SGridLoop>& loops);
void GridSaddleListFree(std::vector<SGridSaddle>& saddles);
