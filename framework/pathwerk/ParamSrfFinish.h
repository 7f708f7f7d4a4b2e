// Parameters of the finishing strategies over meshes, as the NC module fills them.
// Only the fields the strategies read; a plain copyable record.
#pragma once

#include "toolpath/contours/CutPath.h"

class CParamSrfFinish {
public:
    int m_nAngle = 0;          // raster angle, whole degrees
    int m_nStepOver = 10;      // step-over selector (the tool's IntervalDist turns it into a distance)
    double m_dCutDepth = 1e6;  // depth of the cut below the model top
    double m_dAllowance = 0;   // material left on the meshes
    int m_bOneWay = 0;         // non-zero: the passes are not linked into zigzags
    // Radial finishing: rays whose ends lie farther apart than max(10 x link base, 5)
    // are not linked; the rays fan out as the emit definition says.
    double m_dLinkBase = 0.5;
    DVN_CutEmitDef m_emitDef;
};
