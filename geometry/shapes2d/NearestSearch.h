// Nearest point of one curve segment to a point, for curves that only know
// their position and first derivative along a parameter in [0, 1].
//
// The segment is sampled at fixed parameters; every interval in which the
// derivative of the squared distance, g(s) = (C(s) - p) . C'(s), turns from
// negative to non-negative holds a local minimum, and so do the ends when the
// distance grows away from them. Each such minimum is closed in on by a
// safeguarded secant search that keeps g's sign change bracketed, so it
// converges on the distance itself instead of stopping when a Newton step
// looks small; the nearest of all minima wins. A curve that turns back on
// itself several times within one sampling interval could hide a minimum.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

struct NearestOnSegment {
    double t = 0.0;
    double point[2] = {0.0, 0.0};
    double dist = 0.0;
};

template <class Eval>
class NearestSearch {
public:
    // eval(s, point, d1) writes the position and first derivative at s; a NaN
    // position marks a curve that cannot be evaluated.
    NearestSearch(const double* p, Eval eval) : m_p{p[0], p[1]}, m_eval(eval) {}

    // The nearest point, or nothing when the curve cannot be evaluated.
    std::optional<NearestOnSegment> Run()
    {
        std::array<Sample, kSamples + 1> samples;
        for (int i = 0; i <= kSamples; ++i) {
            samples[i] = At(static_cast<double>(i) / kSamples);
            if (!std::isfinite(samples[i].dist)) return std::nullopt;
        }
        Sample best = samples[0];
        auto consider = [&best](const Sample& s) {
            if (s.dist < best.dist) best = s;
        };
        for (const Sample& s : samples) consider(s);
        // The ends are minima when the distance grows away from them (and are
        // already considered as samples).
        for (int i = 0; i < kSamples; ++i) {
            const Sample& lo = samples[i];
            const Sample& hi = samples[i + 1];
            if (lo.g < 0.0 && hi.g >= 0.0) consider(Refine(lo, hi));
        }
        NearestOnSegment result;
        result.t = best.s;
        result.point[0] = best.c[0];
        result.point[1] = best.c[1];
        result.dist = best.dist;
        return result;
    }

private:
    static constexpr int kSamples = 64;
    static constexpr int kMaxRounds = 100;
    static constexpr double kParamTol = 1e-14;

    struct Sample {
        double s = 0.0;
        double c[2] = {0.0, 0.0};
        double g = 0.0;     // (C - p) . C'
        double dist = 0.0;  // |C - p|
    };

    Sample At(double s)
    {
        Sample r;
        r.s = s;
        double d1[2] = {0.0, 0.0};
        m_eval(s, r.c, d1);
        const double e[2] = {r.c[0] - m_p[0], r.c[1] - m_p[1]};
        r.g = e[0] * d1[0] + e[1] * d1[1];
        r.dist = std::hypot(e[0], e[1]);
        return r;
    }

    // g(lo) < 0 <= g(hi): the secant step (Illinois rule against stalling),
    // falling back to bisection when it leaves the bracket. Returns the
    // nearest point seen, which is the minimum once the bracket has closed.
    Sample Refine(Sample lo, Sample hi)
    {
        Sample best = lo.dist < hi.dist ? lo : hi;
        double glo = lo.g, ghi = hi.g;
        int side = 0;
        for (int round = 0; round < kMaxRounds && hi.s - lo.s > kParamTol; ++round) {
            double s = (lo.s * ghi - hi.s * glo) / (ghi - glo);
            if (!(s > lo.s && s < hi.s)) s = 0.5 * (lo.s + hi.s);
            const Sample m = At(s);
            if (m.dist < best.dist) best = m;
            if (m.g == 0.0) break;
            if (m.g < 0.0) {
                lo = m;
                glo = m.g;
                if (side == -1) ghi *= 0.5;
                side = -1;
            } else {
                hi = m;
                ghi = m.g;
                if (side == 1) glo *= 0.5;
                side = 1;
            }
        }
        return best;
    }

    double m_p[2];
    Eval m_eval;
};
