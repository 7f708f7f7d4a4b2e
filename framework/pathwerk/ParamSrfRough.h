// Parameters of raster roughing by Z levels over meshes, as the NC module fills them.
// Only the fields the strategy reads; a plain copyable record.
#pragma once

class CParamSrfRough {
public:
    int m_nAngle = 0;          // raster angle, whole degrees
    int m_nStepOver = 10;      // step-over selector (the tool's IntervalDist turns it into a distance)
    double m_dCutDepth = 10;   // depth of the cut below the model top
    double m_dDownStep = 1;    // depth of one Z layer
    double m_dAllowance = 0;   // material left on the meshes
    int m_bOneWay = 0;         // non-zero: the passes are not linked into zigzags
};
