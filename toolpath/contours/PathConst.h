// Constants of the tool path entities, their containers and the NC point strings
// (model units, millimetres).
#pragma once

#include <cstdint>

namespace pathc {

// Entity types (CPathEntity::type).
constexpr int kTypeLine = 200;
constexpr int kTypeArc = 300;
constexpr int kTypePLine = 500;
// Move kind not set yet: filled from the combine's operation code.
constexpr std::uint8_t kKindUnset = 255;

// SplitAt: lengths this near either end give a copy and nothing.
constexpr double kSplitEnd = 0.01;
// SplitAt of a polyline: the split point counts as a new vertex beyond this (3D).
constexpr double kSplitVertex = 1e-6;
// Unit vectors of lines refuse shorter directions.
constexpr double kUnitTol = 1e-6;
// LowerEnd of a polyline: nothing for a shorter XY length.
constexpr double kLowerMinLength = 1e-8;
// ToAndFro: ends this close (largest XY difference) make a closed polyline.
constexpr double kClosedEnds = 0.01;

// AddCurveToPathCombine: points per polyline, and the arc test (an arc of at most one
// chord at this tolerance is written as a line).
constexpr int kMaxPLinePoints = 4000;
constexpr int kArcChordCapacity = 20;
constexpr double kArcChordTol = 0.001;
// PathGroupToDbPathGroup: entities farther apart start a new unit.
constexpr double kUnitGap = 0.001;

// Group kind every producer passes.
constexpr short kGroupKind = 302;

// NC point strings.
// Height of a point the model gives no height (PolygonZAtXY, the drop cutter).
constexpr double kNoHeight = -1e12;
// Contact of the points Simplify keeps.
constexpr int kContactKept = -1;
// Init: ends closer than this get no points between them.
constexpr double kInitCoincide = 1e-6;
// TrimByZValue: segments rising less than this are not cut.
constexpr double kTrimRise = 1e-6;
// InsPoint: most parts one segment is cut into.
constexpr int kMaxInsertParts = 1000;
// SimplifyEx: points on runs straighter than this angle (170 degrees) are dropped.
constexpr double kRefineAngle = 2.9670597283898;
// PolygonZAtXY: edges spanning less than this across the query line are skipped;
// crossings closer than these (x in the horizontal pass, y in the vertical one) are
// one crossing; at most this many are kept.
constexpr double kEdgeMinSpan = 0.00001;
constexpr double kCrossingDupX = 0.001;
constexpr double kCrossingDupY = 0.0001;
constexpr int kMaxPolygonCrossings = 10;

}  // namespace pathc
