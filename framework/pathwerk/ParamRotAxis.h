// Parameters of rotary-axis (fourth axis) machining over meshes, as the NC module
// fills them. Only the fields the strategy reads; a plain copyable record.
#pragma once

class CParamRotAxis {
public:
    // Low byte: pattern and output flags (the k* constants below).
    int m_nFlags = kAlong;
    double m_dDownStep = 1;       // radial depth of a layer (unwrapped output)
    double m_dXStart = 0, m_dXEnd = 0;           // extent along X
    double m_dStartAngle = 0, m_dEndAngle = 360;  // angular range, degrees
    double m_dStockMinRad = 0, m_dStockMaxRad = 0;  // bottom and top radius of the cut
    double m_dJoinLift = 1;       // radial lift of the moves joining strings of a layer
    double m_dAllowance = 0;      // radial inflation of the meshes (above 0.01)
    int m_nStepOver = 10;         // step-over selector for the tool's IntervalDist
    double m_dPartRadius = 0;     // largest radius of the part: sets the angular sampling

    static constexpr int kZigzag = 0x01;    // alternate directions; nearest-end joins in layers
    static constexpr int kUnwrap = 0x02;    // unwrapped output cut into radial layers
    static constexpr int kAlong = 0x04;     // lines parallel to X at successive angles
    static constexpr int kAround = 0x08;    // circles at successive x stations
    static constexpr int kHelix = 0x10;     // one continuous screw line
    static constexpr int kAround4D = 0x80;  // circles with a tool axis following the section
};
