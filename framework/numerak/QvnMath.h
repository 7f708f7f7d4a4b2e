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

}  // namespace QVN_Math
