// Constants of the relief profile shapes.
#pragma once

namespace rlf {

// maxSpan of a new shape and after the base SetParam.
inline constexpr float kDefaultSpan = 20.0f;
// maxSpan of shapes whose profile has no span (never capped).
inline constexpr float kNoSpan = 1e12f;
// Smallest maxSpan SetMaxSpan accepts.
inline constexpr float kMinSpan = 0.01f;
// Half widths at or below this get scale 1.
inline constexpr float kMinWidth = 0.01f;
// Segments whose ends are this close in |dx| + |dy| are degenerate: end discs only.
inline constexpr float kDegenerateAxis = 0.002f;
// Slack of the span split and of a vanishing narrow end.
inline constexpr float kSpanSlack = 0.001f;
// FindLine: boxes overlap within this, ends match within the second.
inline constexpr double kLineBoxTol = 0.1;
inline constexpr double kLineEndTol = 0.02;
// Scaled feet are used only when their denominator exceeds this.
inline constexpr double kFootDenominator = 1e-6;
// Scales this close count as equal (Round, Angle) in the sweep.
inline constexpr float kRoundScaleTie = 0.002f;
inline constexpr float kAngleScaleTie = 0.005f;
// Round: radius growth below this is constant; edge angles below the second are 0.
inline constexpr double kRoundGrowthTie = 0.003;
inline constexpr double kRoundSinTie = 0.001;
inline constexpr float kRoundMinEdge = 0.001f;
// Tail roots this far below 0 still count.
inline constexpr double kTailRootSlack = 0.00001;
// Chamfer: cross-section discretisation tolerance; spans below the second give nothing.
inline constexpr double kCrossTol = 0.001;
inline constexpr float kChamferMinSpan = 0.001f;
// SignedLineDistance: directions shorter than this give the plain distance.
inline constexpr float kMinDirection = 0.0001f;

}  // namespace rlf
