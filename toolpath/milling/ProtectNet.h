// A regular XY grid of heights sampling the upper envelope of a tool-centre model: every
// node holds the highest tip position found over it. Section segments lying deep under
// the envelope are rejected through the lowest height over their box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CMillCenter;
class CSmartLoop;

class CProtectNet {
public:
    double value = 0;
    double step = 0.01;  // the spacing used (grown when the request needs too many nodes)
    int rows = 0;
    int columns = 0;
    std::vector<double> columnX;
    std::vector<double> rowY;
    std::vector<double> heights;  // rows * columns, row by row
    std::vector<std::uint8_t> flags;
    double minZ = 0, maxZ = 0;

    double& At(int row, int col) { return heights[size_t(row) * size_t(columns) + size_t(col)]; }
    double At(int row, int col) const { return heights[size_t(row) * size_t(columns) + size_t(col)]; }
};

namespace protectnet {
// Most nodes of one net; a finer request grows the step to fit.
constexpr double kMaxNodes = 4e7;
}  // namespace protectnet

// Covers box (min x, y, z, max x, y, z) grown by 2 step + margin with nodes step apart,
// every height at min z - that growth - 5. 0 for a step <= 0 (or not finite) or a grown
// box thinner than 1e-6.
int ProtectNetCreate(double step, double margin, double value, const double* box, CProtectNet& net);
void ProtectNetFree(CProtectNet& net);
// Raises every node to the model's pieces over it; 0 for a null model.
int ProtectNetFill(CProtectNet& net, CMillCenter* model);
// Column and row range (c0, r0, c1, r1) of the nodes in box (min x, min y, max x, max y)
// widened by grow nodes, clamped to the grid; false when empty.
bool ProtectNetCellRange(int grow, const CProtectNet& net, const double* box, int* range);
// Lowest node height over the box grown by two cells; 1e12 when no node lies there.
double ProtectNetMinHeight(const double* box, const CProtectNet& net);
// Lowest corner height of the interior cell holding p; -1e12 outside the interior cells.
double ProtectNetCellHeight(const double* p, const CProtectNet& net);

// Loops against the net at height h, through samples of the contour (start of every line,
// parameters 0, 0.2 .. 0.8 of every arc) and their cell heights against h + 0.01:
// NetLoopAbove 1 when a sample is above, NetLoopBelow 1 when one is below;
// NetRegionAbove 1 when the contour is above or an island has a sample above;
// NetRegionBelow 1 when the contour is below and every island has a sample below.
// Samples outside the interior cells count as below, never as above. 0 for a null loop.
int NetLoopAbove(double h, const CSmartLoop* loop, const CProtectNet& net);
int NetLoopBelow(double h, const CSmartLoop* loop, const CProtectNet& net);
int NetRegionAbove(double h, const CSmartLoop* loop, const CProtectNet& net);
int NetRegionBelow(double h, const CSmartLoop* loop, const CProtectNet& net);
// 1 when a node within radius of the contour of the loop or of one of its islands lies
// above h + 0.01. The contours are sampled at half the net's step, so that a higher part
// beside any stretch of them is found, not only beside their corners.
int NetRegionAboveNear(double h, const CSmartLoop* loop, double radius, const CProtectNet& net);
