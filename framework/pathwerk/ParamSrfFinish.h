// Parameters of the finishing strategies over meshes, as the NC module fills them.
// Only the fields the strategies read; a plain copyable record.
#pragma once

#include "toolpath/contours/CutPath.h"

#include <cstdint>

// Area filter and grouping of waterline contours.
struct DVN_CutAreaDef {
    // 0x1: of a run of contours of nearly equal area on successive levels, leave out those
    // within the Z tolerance of the run's kept one; 0x2: break the path where a run of
    // small contours steps by more than the Z tolerance.
    std::int32_t flags = 0;
    // 1: leave out contours of area below the limit (0x1 only); 2: those above it (0x2
    // only); 0: none left out, both allowed.
    std::int32_t mode = 0;
    double areaLimit = 0;
    double zTolerance = 0;
};

namespace srffinish {
// Waterline flags (CParamSrfFinish::m_nContourFlags).
constexpr int kDropOuterLoop = 0x10;  // the largest grid loop of every level is removed
constexpr int kFixedNet = 0x40;       // the net spacing is m_dNetSpacing
constexpr int kModelOutline = 0x80;   // the boundary is the model's outline
constexpr int kAreaFilter = 0x200;    // contours filtered and grouped by m_areaDef
// Parallel finishing flags (m_nParallelFlags) and options (m_nParallelOptions).
constexpr int kNoLimit = 0x01;        // all parts, shallow and steep
constexpr int kSteepOnly = 0x04;      // steep parts only (without kNoLimit); else shallow only
constexpr int kOptimalDir = 0x10;     // zigzag passes re-cut across narrow areas
constexpr std::uint8_t kZigZag = 0x01;
constexpr std::uint8_t kRegionBoundary = 0x02;  // regions offset and their boundary machined
// Plane modes of flat areas (m_nPlaneMode).
constexpr int kPlaneLinear = 0;
constexpr int kPlaneFollow = 1;
}  // namespace srffinish

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

    // Strategies on the tool-centre model: from the top height down by the cut depth.
    double m_dTopHeight = 0;
    double GetTopHeight() const { return m_dTopHeight; }
    double GetCutDepth() const { return m_dCutDepth; }

    // Waterline finishing. Settings that the outside record keeps in one place with the
    // flat areas' have fields of their own: m_dNetSpacing (m_nPlaneMode), m_nStartCorner
    // (m_planeLinear, m_planeFollow), m_areaDef (m_planeLinear.maxLink).
    int m_nContourFlags = 0;     // srffinish::kDropOuterLoop ... kAreaFilter
    double m_dZStep = 1;         // distance between levels
    double m_dNetSpacing = 0.5;  // with srffinish::kFixedNet
    int m_nStartCorner = 0;      // 0..8: 3 x (min, mid, max x) + (max, mid, min y) of the box; other: (0, 0)
    int m_bClimb = 1;            // 0 reverses every contour
    int m_nLevelOrder = 0;       // bit 0: levels from the bottom up
    int m_nEntryType = 0;        // 1, 2: ramp entries; also the mode of the connecting moves
    double m_dLinkSize = 1;      // size of the connecting moves
    double m_dRampLength = 3;    // length of a ramp entry
    DVN_CutAreaDef m_areaDef;

    // Flat areas: pocketed linearly (m_planeLinear) or contour-parallel (m_planeFollow);
    // any other mode gives no path.
    int m_nPlaneMode = srffinish::kPlaneLinear;
    DVN_CutLinearDef m_planeLinear;
    DVN_CutFollowDef m_planeFollow;

    // Parallel finishing.
    double m_dPassAngle = 0;         // degrees
    double m_dPassStepOver = 1;      // distance between passes
    int m_nParallelFlags = srffinish::kNoLimit;
    std::uint8_t m_nParallelOptions = srffinish::kZigZag;
    double m_dBoundaryOffset = 0;    // inward offset of the regions with kRegionBoundary
    double m_dMinLength = 0;         // shallow or steep runs shorter than this are dropped
    double m_dExtension = 0;         // kept runs are lengthened at both ends by this
    double m_dSlopeAngle = 45;       // degrees: steeper is steep
};
