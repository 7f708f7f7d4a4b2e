// Constants of the drop-cutter model, its lifting and the raster strategies.
#pragma once

namespace mill {

constexpr double kNoHeight = -1e12;          // a point without a height
constexpr double kMarkTol = 0.01;            // marking: mesh and element box tests
constexpr double kNarrowTol = 0.005;         // narrowing by boxes
constexpr double kIntervalWiden = 0.01;      // narrowing by intervals: element range widened
constexpr double kLiftXYTol = 1e-6;          // CNcPoint lifting: element box against the tool box
constexpr double kUnitTol = 1e-6;            // facet normals made unit
constexpr float kMinToolDia = 0.01f;         // triangle offsets need at least this diameter
constexpr double kIsoYSpan = 0.001;          // a string within this span in y runs along X
constexpr double kSameCoord = 1e-6;          // segment ends share x or y
constexpr double kMinSegFloor = 0.1;         // refinement: smallest segment split
constexpr double kSample1 = 0.3, kSample2 = 0.6;  // refinement samples along a segment
constexpr double kLineTol = 0.005;           // lifting tolerance of scan lines and connectors
constexpr double kRotateMin = 0.0001;        // smallest rotation about X that is applied
constexpr double kIsoXTol = 0.005;           // section tolerance of the iso-X curves
constexpr double kDegToRad = 0.01745329251994;
constexpr double kMinAngle = 0.01;           // raster angles above this turn the model
constexpr double kMinAllowance = 0.01;       // allowances above this inflate the meshes
constexpr double kJoinDist = 0.02;           // polylines closer than this form one composite
constexpr double kLinkZSame = 0.001;         // connector ends this close to the strings are dropped
constexpr double kMaxLinkDist = 10;          // raster finishing: longest link
constexpr double kBottomBelow = 0.001;       // bottom below the model when the cut is deeper

}  // namespace mill
