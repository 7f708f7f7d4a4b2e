// Parameters of raster roughing by Z levels over meshes, as the NC module fills them.
// Only the fields the strategy reads; a plain copyable record.
#pragma once

#include <cstdint>

class CParamSrfRough {
public:
    int m_nAngle = 0;          // raster angle, whole degrees
    int m_nStepOver = 10;      // step-over selector (the tool's IntervalDist turns it into a distance)
    double m_dCutDepth = 10;   // depth of the cut below the model top
    double m_dDownStep = 1;    // depth of one Z layer
    double m_dAllowance = 0;   // material left on the meshes
    int m_bOneWay = 0;         // non-zero: the passes are not linked into zigzags

    // Parallel roughing on the tool-centre model: from the top height down by the cut
    // depth, zigzag passes.
    double m_dTopHeight = 0;
    double m_dPassAngle = 0;          // degrees
    double m_dPassStepOver = 1;       // distance between passes
    std::uint8_t m_nParallelOptions = 0;  // 0x02: regions offset and their boundary machined
    double m_dBoundaryOffset = 0;     // inward offset of the regions with 0x02
};
