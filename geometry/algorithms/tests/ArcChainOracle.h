// Test oracles for chains of lines and arcs fitted to curves: dense sampling
// of the chain from each curve's own fields, distances to the chain and to a
// dense reference polyline, and checks that the chain is connected.
#pragma once

#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeLine.h"
#include "platform/core/ObList.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace arcoracle {

struct P2 {
    double x = 0.0, y = 0.0;
};

using CurveList = CTypedPtrList<CObList, CGeCurve*>;

inline double Dist(P2 a, P2 b) { return std::hypot(a.x - b.x, a.y - b.y); }

inline double SegDist(P2 p, P2 a, P2 b)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double L2 = dx * dx + dy * dy;
    double t = L2 > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / L2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// A line or arc in closed form, read from the curve's fields.
struct Piece {
    bool isArc = false;
    P2 a, b;            // line ends
    P2 c;               // arc centre
    double r = 0.0, a0 = 0.0, sweep = 0.0;

    P2 At(double t) const
    {
        if (!isArc) return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
        const double ang = a0 + t * sweep;
        return {c.x + r * std::cos(ang), c.y + r * std::sin(ang)};
    }
    P2 Start() const { return At(0.0); }
    P2 End() const { return At(1.0); }
    // Unit tangent at t in the direction of travel.
    P2 Tangent(double t) const
    {
        if (!isArc) {
            const double L = Dist(a, b);
            return {(b.x - a.x) / L, (b.y - a.y) / L};
        }
        const double ang = a0 + t * sweep;
        const double s = sweep > 0.0 ? 1.0 : -1.0;
        return {-s * std::sin(ang), s * std::cos(ang)};
    }
    double Distance(P2 p) const
    {
        if (!isArc) return SegDist(p, a, b);
        double phi = std::atan2(p.y - c.y, p.x - c.x) - a0;
        if (sweep < 0.0) phi = -phi;
        phi = std::fmod(phi, 2.0 * M_PI);
        if (phi < 0.0) phi += 2.0 * M_PI;
        if (phi <= std::fabs(sweep)) return std::fabs(Dist(p, c) - r);
        return std::min(Dist(p, Start()), Dist(p, End()));
    }
};

inline bool ToPiece(CGeCurve* curve, Piece& out)
{
    if (!curve) return false;
    if (curve->GetType() == 0x4) {
        auto* arc = static_cast<CGeArc*>(curve);
        double c[2];
        arc->GetCenter(c);
        out.isArc = true;
        out.c = {c[0], c[1]};
        out.r = arc->GetRadius();
        out.a0 = arc->GetStartAngle();
        out.sweep = arc->GetSweep();
        return true;
    }
    if (curve->GetType() == 0x2) {
        double s[2], e[2];
        curve->GetStartPoint(s);
        curve->GetEndPoint(e);
        out.isArc = false;
        out.a = {s[0], s[1]};
        out.b = {e[0], e[1]};
        return true;
    }
    return false;
}

// The chain's pieces; false (with a message) when a member is neither a line nor an arc.
inline bool ToPieces(const CurveList& list, std::vector<Piece>& out, std::string* why = nullptr)
{
    out.clear();
    for (CGeCurve* c : list) {
        Piece p;
        if (!ToPiece(c, p)) {
            if (why) *why = "member of type " + std::to_string(c ? c->GetType() : -1);
            return false;
        }
        out.push_back(p);
    }
    return true;
}

inline double DistToPieces(P2 p, const std::vector<Piece>& pieces)
{
    double best = std::numeric_limits<double>::infinity();
    for (const Piece& q : pieces) best = std::min(best, q.Distance(p));
    return best;
}

inline double DistToPolyline(P2 p, const std::vector<P2>& poly)
{
    double best = std::numeric_limits<double>::infinity();
    if (poly.size() == 1) return Dist(p, poly[0]);
    for (size_t i = 0; i + 1 < poly.size(); ++i) best = std::min(best, SegDist(p, poly[i], poly[i + 1]));
    return best;
}

// Largest distance from the reference points to the chain.
inline double ReferenceToChain(const std::vector<P2>& ref, const std::vector<Piece>& pieces)
{
    double worst = 0.0;
    for (P2 p : ref) worst = std::max(worst, DistToPieces(p, pieces));
    return worst;
}

// Dense polyline of a parametric curve on [0, 1].
inline std::vector<P2> Sample(const std::function<P2(double)>& f, int n)
{
    std::vector<P2> pts;
    pts.reserve(static_cast<size_t>(n) + 1);
    for (int i = 0; i <= n; ++i) pts.push_back(f(static_cast<double>(i) / n));
    return pts;
}

// Golden-section search for the largest value of f on [a, b], where f has one
// maximum; best is the largest value known so far.
template <class F>
double GoldenMax(F f, double a, double b, double best)
{
    constexpr double kInvPhi = 0.6180339887498949;
    double x1 = b - kInvPhi * (b - a), x2 = a + kInvPhi * (b - a);
    double f1 = f(x1), f2 = f(x2);
    for (int i = 0; i < 48 && b - a > 1e-14; ++i) {
        if (f1 > f2) {
            b = x2;
            x2 = x1;
            f2 = f1;
            x1 = b - kInvPhi * (b - a);
            f1 = f(x1);
        } else {
            a = x1;
            x1 = x2;
            f1 = f2;
            x2 = a + kInvPhi * (b - a);
            f2 = f(x2);
        }
    }
    return std::max({best, f1, f2});
}

// Largest value of f on [0, 1] (at least known): n + 1 samples, every local
// maximum refined that comes near the largest value seen.
template <class F>
double RefinedMax(F f, int n, double known = 0.0)
{
    std::vector<double> v(static_cast<size_t>(n) + 1);
    double worst = known;
    for (int i = 0; i <= n; ++i) worst = std::max(worst, v[i] = f(static_cast<double>(i) / n));
    const double refineFrom = 0.8 * worst;
    for (int i = 0; i <= n; ++i)
        if (v[i] >= refineFrom && (i == 0 || v[i] >= v[i - 1]) && (i == n || v[i] >= v[i + 1]))
            worst = GoldenMax(f, std::max(0.0, (i - 1.0) / n), std::min(1.0, (i + 1.0) / n), worst);
    return worst;
}

// Distance from p to the curve f on [0, 1] of which ref holds n + 1 samples
// at i / n: every sample nearer than its neighbours is refined to the nearest
// point around it (where the curve crosses itself, the nearest sample may lie
// on the other branch).
inline double DistToCurve(P2 p, const std::function<P2(double)>& f, const std::vector<P2>& ref)
{
    const int n = static_cast<int>(ref.size()) - 1;
    auto d = [&](int i) { return Dist(p, ref[static_cast<size_t>(i)]); };
    auto neg = [&](double t) { return -Dist(p, f(t)); };
    double best = std::numeric_limits<double>::infinity();
    double prev = std::numeric_limits<double>::infinity(), cur = d(0);
    for (int i = 0; i <= n; ++i) {
        const double next = i < n ? d(i + 1) : std::numeric_limits<double>::infinity();
        if (cur <= prev && cur <= next)
            best = std::min(best, -GoldenMax(neg, std::max(0.0, (i - 1.0) / n), std::min(1.0, (i + 1.0) / n), -cur));
        prev = cur;
        cur = next;
    }
    return best;
}

// Largest distance from the curve f on [0, 1] to the chain and from the chain
// to the curve, each maximum and each nearest point refined, so that neither
// sampling nor a polyline in place of the curve hides or invents an excess.
inline double CurveChainDeviation(const std::function<P2(double)>& f, const std::vector<Piece>& pieces,
                                  int samples = 2000, int samplesPerPiece = 64)
{
    const std::vector<P2> ref = Sample(f, samples);
    double worst = RefinedMax([&](double t) { return DistToPieces(f(t), pieces); }, samples);
    for (const Piece& q : pieces)
        worst = RefinedMax([&](double t) { return DistToCurve(q.At(t), f, ref); }, samplesPerPiece, worst);
    return worst;
}

// Largest distance from the chain (sampled per piece, every local maximum
// refined) to the reference polyline.
inline double ChainToReference(const std::vector<Piece>& pieces, const std::vector<P2>& ref, int samplesPerPiece = 64)
{
    double worst = 0.0;
    for (const Piece& q : pieces)
        worst = RefinedMax([&](double t) { return DistToPolyline(q.At(t), ref); }, samplesPerPiece, worst);
    return worst;
}

// Largest distance from the polyline ref (its chords, not only its points)
// to the chain, each chord sampled and every local maximum refined.
inline double PolylineToChain(const std::vector<P2>& ref, const std::vector<Piece>& pieces, int samplesPerChord = 4)
{
    double worst = ReferenceToChain(ref, pieces);
    for (size_t i = 0; i + 1 < ref.size(); ++i) {
        const P2 a = ref[i], b = ref[i + 1];
        worst = RefinedMax(
            [&](double t) { return DistToPieces({a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)}, pieces); },
            samplesPerChord, worst);
    }
    return worst;
}

// Largest gap between consecutive pieces.
inline double LargestGap(const std::vector<Piece>& pieces)
{
    double worst = 0.0;
    for (size_t i = 1; i < pieces.size(); ++i) worst = std::max(worst, Dist(pieces[i - 1].End(), pieces[i].Start()));
    return worst;
}

inline int CountArcs(const std::vector<Piece>& pieces)
{
    return static_cast<int>(std::count_if(pieces.begin(), pieces.end(), [](const Piece& p) { return p.isArc; }));
}

// Owns the curves of a list for the length of a test.
struct OwnedList {
    CurveList list;
    OwnedList() = default;
    OwnedList(const OwnedList&) = delete;
    OwnedList& operator=(const OwnedList&) = delete;
    ~OwnedList()
    {
        for (CGeCurve* c : list) delete c;
        list.RemoveAll();
    }
};

}  // namespace arcoracle
