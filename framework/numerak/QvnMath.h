// Small numeric helpers.
#pragma once

namespace QVN_Math {

// Arc cosine that accepts arguments slightly outside [-1, 1] (clamped); NaN gives 0.
double ACos(double x);

// Interval test with inverted sense: 0 when x lies in [lo, hi] grown by tol, 1 when outside
// (also for NaN). lo and hi may come in either order.
int ChkValInt(double lo, double hi, double tol, double x);

// 1 when [a0, a1] and [b0, b1] overlap within tol (touching counts), else 0 (also for NaN).
// Each interval may come in either order.
int ChkIntInt(double a0, double a1, double b0, double b1, double tol);

// x clamped to [0, 1]; NaN gives 0.
inline float Clamp01(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; }
inline double Clamp01(double x) { return x > 0.0 ? (x < 1.0 ? x : 1.0) : 0.0; }

// x limited to [lo, hi]; NaN gives lo.
inline double Clamp(double lo, double hi, double x) { return x > lo ? (x < hi ? x : hi) : lo; }

// x moved by whole multiples of hi - lo into [lo, hi]; a value already inside is
// returned as it is. An empty or reversed interval, or a non-finite x, gives lo.
double ClampPeriodic(double lo, double hi, double x);

// Pseudo-random number in [0, 1] from one process-wide sequence, so that probes
// are reproducible; SeedRand01 restarts the sequence.
double Rand01();
void SeedRand01(unsigned long long seed = 1);

// The library's own process-wide tolerances, separate from the surface kernel's:
// GetTol is a length in model units (millimetres), GetAng an angle in radians.
// Callers that need another value for one operation set it and restore the old
// one afterwards. Defaults: kDefaultTol 1e-6 mm, far above the rounding of
// coordinates of parts up to metres and below any feature a cutter makes;
// kDefaultAng 1e-6 rad, the tangent change of 1e-6 mm over 1 mm.
inline constexpr double kDefaultTol = 1e-6;
inline constexpr double kDefaultAng = 1e-6;
double GetTol();
// Sets the length tolerance; values that are not positive and finite are ignored.
void SetTol(double tol);
double GetAng();
// Sets the angle tolerance; values that are not positive and finite are ignored.
void SetAng(double ang);
// Both tolerances back to their defaults (the tests' state reset calls it).
void ResetTol();

}  // namespace QVN_Math
