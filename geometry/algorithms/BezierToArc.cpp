#include "geometry/algorithms/BezierToArc.h"

#include "framework/numerak/Point2D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeLine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <vector>

namespace {

using CurveList = CTypedPtrList<CObList, CGeCurve*>;

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kHalfPi = 0.5 * std::numbers::pi;
// Smallest tolerance the approximation works with.
constexpr double kMinTol = 0.0001;
// A piece is closed when its ends are this close.
constexpr double kClosedTol = 0.0001;
// Closed pieces whose end legs add up to less than this give nothing.
constexpr double kMinClosedLegs = 2.0;
// Pieces with a shorter chord give nothing.
constexpr double kMinChord = 0.005;
// Control points within this of one line make a straight piece.
constexpr double kCollinearTol = 0.0001;
// Running tangents and legs shorter than this count as missing.
constexpr double kShortVector = 0.005;
constexpr double kUnitTol = 1e-6;
constexpr double kAngleTol = 1e-6;
// 3 degrees of slack in the single-turn test of cubics.
constexpr double kTurnSlack = 0.05236;
// 1 degree: the single arc is tried when its end tangent misses the end leg by less.
constexpr double kOneDegree = 0.01745;
// A leg more than this many times the other makes the piece unbalanced.
constexpr double kBalanceRatio = 2.0;
// Samples i/16 (i = 1..15) test one arc, k/24 (k = 1..23) a biarc candidate.
constexpr int kArcSampleDiv = 16;
constexpr int kJointSampleDiv = 24;
// Junction search: a deviation below this ends the search at once (capped by tol).
constexpr double kGoodFit = 0.00125;
constexpr int kMaxSearchRounds = 25;
constexpr double kSearchStep = 0.01745;
constexpr double kSearchBack = 0.02;
constexpr double kSearchBracketEnd = 0.001;
// A junction locus with |2 sin g0| below this is too flat to use.
constexpr double kMinLocusSine = 0.005;

double Cross(const double* a, const double* b) { return a[0] * b[1] - a[1] * b[0]; }
double Dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1]; }
double Dist(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

// Point at t of the degree-n piece p, as the sum of the Bernstein polynomials.
void EvalPiece(const double (*p)[2], int n, double t, double* out)
{
    double b[CBezierToArc::kMaxPoints];
    const double u = 1.0 - t;
    b[0] = 1.0;
    for (int j = 1; j <= n; ++j) {
        double saved = 0.0;
        for (int k = 0; k < j; ++k) {
            const double tmp = b[k];
            b[k] = saved + u * tmp;
            saved = t * tmp;
        }
        b[j] = saved;
    }
    out[0] = out[1] = 0.0;
    for (int k = 0; k <= n; ++k) {
        out[0] += b[k] * p[k][0];
        out[1] += b[k] * p[k][1];
    }
}

// De Casteljau subdivision of the degree-n piece at t.
void SplitPiece(const double (*p)[2], int n, double t, double (*left)[2], double (*right)[2])
{
    double w[CBezierToArc::kMaxPoints][2];
    std::memcpy(w, p, sizeof(double[2]) * (n + 1));
    left[0][0] = w[0][0];
    left[0][1] = w[0][1];
    right[n][0] = w[n][0];
    right[n][1] = w[n][1];
    for (int level = 1; level <= n; ++level) {
        for (int i = 0; i + level <= n; ++i) {
            w[i][0] = t * w[i + 1][0] + (1.0 - t) * w[i][0];
            w[i][1] = t * w[i + 1][1] + (1.0 - t) * w[i][1];
        }
        left[level][0] = w[0][0];
        left[level][1] = w[0][1];
        right[n - level][0] = w[n - level][0];
        right[n - level][1] = w[n - level][1];
    }
}

// Single-turn test: a and b are the angles of the end legs against the chord.
// Returns true when the piece needs a split.
bool NeedsSplit(const double (*p)[2], int n, double& a, double& b)
{
    const double C[2] = {p[n][0] - p[0][0], p[n][1] - p[0][1]};
    const double T0[2] = {p[1][0] - p[0][0], p[1][1] - p[0][1]};
    const double T1[2] = {p[n][0] - p[n - 1][0], p[n][1] - p[n - 1][1]};
    a = V2D_GetAngle(T0, C, kAngleTol);
    b = V2D_GetAngle(C, T1, kAngleTol);
    bool single = a > 0.0 && a < kHalfPi && b > 0.0 && b < kHalfPi;
    if (single && n == 3 && std::hypot(T0[0], T0[1]) + std::hypot(T1[0], T1[1]) > std::hypot(C[0], C[1])) {
        // Long legs: the inner control point must stay between the start leg and the chord.
        const double D[2] = {p[2][0] - p[0][0], p[2][1] - p[0][1]};
        const double d = V2D_GetAngle(T0, D, kAngleTol);
        single = d > 0.0 && d < a + kTurnSlack;
    }
    return !single;
}

// True when the piece may be replaced by the line P0-Pn: short or straight,
// and every control point within tol of the chord segment itself (a straight
// piece that runs past its end and back is not a line to its end).
bool IsLinePiece(const double (*p)[2], int n, double tol)
{
    const double chord = Dist(p[0], p[n]);
    if (!(chord <= tol) && !P2D_IsPtsColine(&p[0][0], n + 1, kCollinearTol)) return false;
    const double slack = std::max(tol, kCollinearTol);
    for (int i = 1; i < n; ++i) {
        double d;
        if (chord > 0.0) {
            const double u[2] = {(p[n][0] - p[0][0]) / chord, (p[n][1] - p[0][1]) / chord};
            const double w[2] = {p[i][0] - p[0][0], p[i][1] - p[0][1]};
            const double along = std::clamp(Dot(w, u), 0.0, chord);
            d = std::hypot(w[0] - along * u[0], w[1] - along * u[1]);
        } else {
            d = Dist(p[i], p[0]);
        }
        if (!(d <= slack)) return false;
    }
    return true;
}

// Unit start (end) leg of the piece: towards the first control point that
// differs from P0 (from the last that differs from Pn); len is |P1 - P0|
// (|Pn - P(n-1)|). False when all control points coincide.
bool StartLeg(const double (*p)[2], int n, double* u, double& len)
{
    len = Dist(p[0], p[1]);
    for (int i = 1; i <= n; ++i)
        if (V2D_GenUnit(p[0], p[i], kUnitTol, u)) return true;
    return false;
}

bool EndLeg(const double (*p)[2], int n, double* u, double& len)
{
    len = Dist(p[n - 1], p[n]);
    for (int i = n - 1; i >= 0; --i)
        if (V2D_GenUnit(p[i], p[n], kUnitTol, u)) return true;
    return false;
}

// Distance from q to the arc itself (its nearer end beyond its span).
double ArcDistance(CGeArc& arc, const double* q)
{
    double c[2];
    arc.GetCenter(c);
    const double r = arc.GetRadius();
    const double sweep = arc.GetSweep();
    const double a0 = arc.GetStartAngle();
    const double v[2] = {q[0] - c[0], q[1] - c[1]};
    double phi = V2D_AngletoX(v) - a0;
    if (sweep < 0.0) phi = -phi;
    phi = std::fmod(phi, kTwoPi);
    if (phi < 0.0) phi += kTwoPi;
    if (phi <= std::fabs(sweep)) return std::fabs(std::hypot(v[0], v[1]) - r);
    const double s[2] = {c[0] + r * std::cos(a0), c[1] + r * std::sin(a0)};
    const double e[2] = {c[0] + r * std::cos(a0 + sweep), c[1] + r * std::sin(a0 + sweep)};
    return std::min(Dist(q, s), Dist(q, e));
}

// True when every sample i/16 (i = 1..15) of the piece lies within tol of the
// arc (strictly below tol when strict is set).
bool ArcFitsSamples(CGeArc& arc, const double (*p)[2], int n, double tol, bool strict)
{
    for (int i = 1; i < kArcSampleDiv; ++i) {
        double s[2];
        EvalPiece(p, n, static_cast<double>(i) / kArcSampleDiv, s);
        const double d = ArcDistance(arc, s);
        if (strict ? !(d < tol) : !(d <= tol)) return false;
    }
    return true;
}

CGeLine* NewLine(const double* a, const double* b) { return new CGeLine(a, b); }

// ---------------------------------------------------------------------------
// Exact deviation of a piece from a circle
//
// The samples above may miss the largest deviation between them. The squared
// distance from the piece to a centre, minus r^2, is a polynomial of degree
// 2n in t; in Bernstein form its coefficients bound it from both sides, and
// subdividing tightens the bounds. So the extreme radial deviations are found
// to within a small fraction of tol, and the bound returned is never below
// the true one.

// Subdivisions around one extreme, and in all, before a bound is taken as it
// stands (never below the true value, only less tight).
constexpr int kMaxBoundDepth = 24;
constexpr int kMaxBoundSplits = 400;
constexpr int kMaxPolyCoefs = 2 * CBezierToArc::kMaxPoints - 1;
// The radial deviation is bounded to within this fraction of tol.
constexpr double kBoundSlack = 0.001;

// Pascal's triangle up to the degree of the squared distance.
struct BinomialTable {
    double c[kMaxPolyCoefs][kMaxPolyCoefs] = {};
    constexpr BinomialTable()
    {
        for (int n = 0; n < kMaxPolyCoefs; ++n) {
            c[n][0] = c[n][n] = 1.0;
            for (int k = 1; k < n; ++k) c[n][k] = c[n - 1][k - 1] + c[n - 1][k];
        }
    }
};
constexpr BinomialTable kBinomial;

double Binomial(int n, int k) { return kBinomial.c[n][k]; }

// Upper bound of the polynomial with Bernstein coefficients c[0..m] on its
// interval, within eps of the true maximum; lower is the largest value seen,
// budget the subdivisions left.
double MaxBound(const double* c, int m, double eps, int depth, double& lower, int& budget)
{
    lower = std::max({lower, c[0], c[m]});
    const double upper = *std::max_element(c, c + m + 1);
    if (!(upper > lower + eps) || depth == 0 || budget <= 0) return upper;
    --budget;
    double left[kMaxPolyCoefs], right[kMaxPolyCoefs], w[kMaxPolyCoefs];
    std::copy(c, c + m + 1, w);
    left[0] = w[0];
    right[m] = w[m];
    for (int level = 1; level <= m; ++level) {
        for (int i = 0; i + level <= m; ++i) w[i] = 0.5 * (w[i] + w[i + 1]);
        left[level] = w[0];
        right[m - level] = w[m - level];
    }
    const double a = MaxBound(left, m, eps, depth - 1, lower, budget);
    const double b = MaxBound(right, m, eps, depth - 1, lower, budget);
    return std::max(a, b);
}

// Largest distance from the part [t0, t1] of the degree-n piece p to the
// circle (centre c, radius r), bounded from above to within slack.
double RadialDeviation(const double (*p)[2], int n, double t0, double t1, const double* c, double r, double slack)
{
    double q[CBezierToArc::kMaxPoints][2], left[CBezierToArc::kMaxPoints][2], right[CBezierToArc::kMaxPoints][2];
    std::memcpy(q, p, sizeof(double[2]) * (n + 1));
    if (t1 < 1.0) {
        SplitPiece(q, n, t1, left, right);
        std::memcpy(q, left, sizeof(double[2]) * (n + 1));
    }
    if (t0 > 0.0 && t1 > 0.0) {
        SplitPiece(q, n, t0 / t1, left, right);
        std::memcpy(q, right, sizeof(double[2]) * (n + 1));
    }
    // |q(t) - c|^2 - r^2 = sum over i, j of b_i b_j (D_i.D_j + D_i.w + D_j.w + k0)
    // with D_i = q_i - q_0 and w = q_0 - c, which keeps the large terms of
    // flat arcs from cancelling.
    const double w[2] = {q[0][0] - c[0], q[0][1] - c[1]};
    const double k0 = (w[0] - r) * (w[0] + r) + w[1] * w[1];
    double D[CBezierToArc::kMaxPoints][2], l[CBezierToArc::kMaxPoints];
    for (int i = 0; i <= n; ++i) {
        D[i][0] = q[i][0] - q[0][0];
        D[i][1] = q[i][1] - q[0][1];
        l[i] = Dot(D[i], w);
    }
    const int m = 2 * n;
    double hi[kMaxPolyCoefs], lo[kMaxPolyCoefs];
    for (int k = 0; k <= m; ++k) {
        double sum = 0.0;
        for (int i = std::max(0, k - n); i <= std::min(n, k); ++i) {
            const int j = k - i;
            sum += Binomial(n, i) * Binomial(n, j) * (Dot(D[i], D[j]) + l[i] + l[j] + k0);
        }
        hi[k] = sum / Binomial(m, k);
        lo[k] = -hi[k];
    }
    // A deviation of slack changes |q - c|^2 by about 2 r slack.
    const double eps = 2.0 * r * slack;
    double seen = -std::numeric_limits<double>::infinity();
    int budget = kMaxBoundSplits;
    const double fMax = MaxBound(hi, m, eps, kMaxBoundDepth, seen, budget);
    seen = -std::numeric_limits<double>::infinity();
    budget = kMaxBoundSplits;
    const double fMin = -MaxBound(lo, m, eps, kMaxBoundDepth, seen, budget);
    // Not finite (degenerate input): no bound.
    if (!std::isfinite(fMax) || !std::isfinite(fMin)) return std::numeric_limits<double>::infinity();
    double dev = 0.0;
    if (fMax > 0.0) dev = fMax / (std::sqrt(r * r + fMax) + r);
    if (fMin < 0.0) dev = std::max(dev, r * r + fMin > 0.0 ? -fMin / (r + std::sqrt(r * r + fMin)) : r);
    return dev;
}

// Largest distance from the piece to the one arc that spans it.
double ArcDeviation(CGeArc& arc, const double (*p)[2], int n, double tol)
{
    double c[2];
    arc.GetCenter(c);
    return RadialDeviation(p, n, 0.0, 1.0, c, arc.GetRadius(), kBoundSlack * tol);
}

// Largest distance from the piece to the biarc a1, a2 joined at J: the piece
// up to where it crosses the common normal at J is measured against the
// first circle, the rest against the second. Infinite when the piece does not
// cross that normal from the first arc's side to the second's.
double BiarcDeviation(CGeArc& a1, CGeArc& a2, const double* J, const double (*p)[2], int n, double tol)
{
    double c1[2], c2[2];
    a1.GetCenter(c1);
    a2.GetCenter(c2);
    const double sense = a1.GetSweep() >= 0.0 ? 1.0 : -1.0;
    const double tJ[2] = {-(J[1] - c1[1]) * sense, (J[0] - c1[0]) * sense};
    // Signed position along the tangent at J, a polynomial of degree n.
    double g[CBezierToArc::kMaxPoints];
    for (int i = 0; i <= n; ++i) {
        const double v[2] = {p[i][0] - J[0], p[i][1] - J[1]};
        g[i] = Dot(v, tJ);
    }
    auto at = [&](double t) {
        double w[CBezierToArc::kMaxPoints];
        std::copy(g, g + n + 1, w);
        for (int level = n; level > 0; --level)
            for (int i = 0; i < level; ++i) w[i] = (1.0 - t) * w[i] + t * w[i + 1];
        return w[0];
    };
    if (!(g[0] < 0.0 && g[n] > 0.0)) return std::numeric_limits<double>::infinity();
    double lo = 0.0, hi = 1.0;
    // The split point need not be exact: the circles touch at J, so a piece
    // point near it is nearly as far from one as from the other.
    for (int it = 0; it < 30; ++it) {
        const double mid = 0.5 * (lo + hi);
        (at(mid) < 0.0 ? lo : hi) = mid;
    }
    const double ts = 0.5 * (lo + hi);
    const double slack = kBoundSlack * tol;
    return std::max(RadialDeviation(p, n, 0.0, ts, c1, a1.GetRadius(), slack),
                    RadialDeviation(p, n, ts, 1.0, c2, a2.GetRadius(), slack));
}


// Length of the control polygon: never shorter than the piece.
double PolygonLength(const double (*p)[2], int n)
{
    double len = 0.0;
    for (int i = 0; i < n; ++i) len += Dist(p[i], p[i + 1]);
    return len;
}

// Arcs within tol of the piece's samples may still wander off between them
// (a nearly full circle through both ends passes close to every sample of a
// short piece): arcs longer than the piece plus what the tolerance allows are
// refused.
bool LengthFits(double arcLength, double totalSweep, double polygonLength, double tol)
{
    return arcLength <= polygonLength + (std::fabs(totalSweep) + 2.0) * tol;
}

double ArcLength(CGeArc& arc) { return arc.GetRadius() * std::fabs(arc.GetSweep()); }

}  // namespace

// ---------------------------------------------------------------------------
// Construction and evaluation

CBezierToArc::CBezierToArc() = default;

CBezierToArc::CBezierToArc(double const (*pts)[2], int n) { Create(pts, n); }

CBezierToArc::~CBezierToArc() = default;

void CBezierToArc::Create(double const (*pts)[2], int n)
{
    m_nDegree = 0;
    if (!pts || n < 0 || n >= kMaxPoints) return;
    std::memcpy(m_pts, pts, sizeof(double[2]) * (n + 1));
    m_nDegree = n;
}

void CBezierToArc::Create(CBezierNode const* nodes, int n)
{
    m_nDegree = 0;
    if (!nodes || n < 0 || n >= kMaxPoints) return;
    for (int i = 0; i <= n; ++i) {
        m_pts[i][0] = nodes[i].x;
        m_pts[i][1] = nodes[i].y;
    }
    m_nDegree = n;
}

void CBezierToArc::GetPoint(double t, double* out) const { EvalPiece(m_pts, m_nDegree, t, out); }

void CBezierToArc::Split(double t, double (*left)[2], double (*right)[2]) const
{
    const int n = m_nDegree;
    if (t < 0.001) {
        for (int i = 0; i <= n; ++i) {
            left[i][0] = m_pts[0][0];
            left[i][1] = m_pts[0][1];
        }
        std::memcpy(right, m_pts, sizeof(double[2]) * (n + 1));
    } else if (t > 0.999) {
        std::memcpy(left, m_pts, sizeof(double[2]) * (n + 1));
        for (int i = 0; i <= n; ++i) {
            right[i][0] = m_pts[n][0];
            right[i][1] = m_pts[n][1];
        }
    } else {
        SplitPiece(m_pts, n, t, left, right);
    }
}

// ---------------------------------------------------------------------------
// Whole-piece entry

int CBezierToArc::ArcApproxi(double tol, CurveList* out)
{
    if (!out || m_nDegree < 1) return 0;
    if (!(tol >= kMinTol)) tol = kMinTol;
    const int n = m_nDegree;
    const double legs = Dist(m_pts[1], m_pts[0]) + Dist(m_pts[n], m_pts[n - 1]);
    const bool closed = Dist(m_pts[0], m_pts[n]) < kClosedTol;
    if (closed && !(legs >= kMinClosedLegs)) return 0;

    double a, b;
    if (!closed && Dist(m_pts[0], m_pts[n]) >= kMinChord && IsLinePiece(m_pts, n, tol)) {
        // A straight piece is one line, not two halves.
        out->AddTail(NewLine(m_pts[0], m_pts[n]));
        return 1;
    }
    if (closed || NeedsSplit(m_pts, n, a, b)) {
        double left[kMaxPoints][2], right[kMaxPoints][2];
        Split(0.5, left, right);
        auto first = std::make_unique<CBezierToArc>(left, n);
        auto second = std::make_unique<CBezierToArc>(right, n);
        CurveList A, B;
        first->ArcApproximation(tol, &A);
        second->ArcApproximation(tol, &B);
        A.AddTail(&B);
        B.RemoveAll();
        if (A.IsEmpty()) return 0;
        out->AddTail(&A);
        A.RemoveAll();
        return 1;
    }
    CurveList list;
    ArcApproximation(tol, &list);
    if (list.IsEmpty()) return 0;
    out->AddTail(&list);
    list.RemoveAll();
    return 1;
}

// ---------------------------------------------------------------------------
// Piece-by-piece approximation

int CBezierToArc::ArcApproximation(double tol, CurveList* out)
{
    if (!out || m_nDegree < 1) return 0;
    if (!(tol >= kMinTol)) tol = kMinTol;
    const int n = m_nDegree;
    if (!(Dist(m_pts[0], m_pts[n]) >= kMinChord)) return 0;
    if (IsLinePiece(m_pts, n, kCollinearTol)) {
        out->AddTail(NewLine(m_pts[0], m_pts[n]));
        return 1;
    }
    double a, b;
    const bool general = NeedsSplit(m_pts, n, a, b);
    // Work from the end whose leg turns less against the chord.
    const bool reversed = std::fabs(a) > std::fabs(b);
    if (reversed)
        for (int i = 0; i < n - i; ++i) std::swap(m_pts[i], m_pts[n - i]);

    std::memcpy(m_buf, m_pts, sizeof(double[2]) * (n + 1));
    m_nBuf = n + 1;
    double T[2] = {m_buf[1][0] - m_buf[0][0], m_buf[1][1] - m_buf[0][1]};
    const INT_PTR before = out->GetCount();
    int o = 0;
    while (o < m_nBuf - 1) {
        CGeCurve* c;
        if (general) {
            T[0] = T[1] = 0.0;
            c = FitBiarcToBezier(o, T, tol, out);
        } else if (o + n + 1 == m_nBuf) {
            c = FitBiarcToBezier(o, T, tol, out);
        } else {
            c = FitArcToBezier(o, T, tol, out);
        }
        if (c) {
            if (c->GetType() == 0x4) {
                c->GetEndTan(T);
            } else {
                T[0] = T[1] = 0.0;
            }
            o += n;
            continue;
        }
        const int halved = n == 3 ? SplitCubicInBuffer(o) : n == 2 ? SplitQuadInBuffer(o) : 0;
        if (!halved) {
            // The piece can be halved no further: its chord stands for it, so
            // the chain still reaches the end of the piece.
            if (Dist(m_buf[o], m_buf[o + n]) > kUnitTol) out->AddTail(NewLine(m_buf[o], m_buf[o + n]));
            T[0] = T[1] = 0.0;
            o += n;
        }
    }

    if (reversed) {
        const INT_PTR added = out->GetCount() - before;
        if (added == 0) return out->IsEmpty() ? 0 : 1;
        std::vector<CGeCurve*> mine;
        mine.reserve(static_cast<size_t>(added));
        for (INT_PTR i = 0; i < added; ++i) mine.push_back(out->RemoveTail());
        // Popped from the tail, so the order is already reversed.
        for (CGeCurve* c : mine) {
            c->Reverse();
            out->AddTail(c);
        }
    }
    return out->IsEmpty() ? 0 : 1;
}

int CBezierToArc::SplitInBuffer(int o)
{
    const int n = m_nDegree;
    if (m_nBuf + n > kBufferPoints || o < 0 || o + n >= m_nBuf) return 0;
    double left[kMaxPoints][2], right[kMaxPoints][2];
    SplitPiece(&m_buf[o], n, 0.5, left, right);
    std::memmove(&m_buf[o + 2 * n + 1], &m_buf[o + n + 1], sizeof(double[2]) * (m_nBuf - (o + n + 1)));
    std::memcpy(&m_buf[o], left, sizeof(double[2]) * (n + 1));
    std::memcpy(&m_buf[o + n], right, sizeof(double[2]) * (n + 1));
    m_nBuf += n;
    return 1;
}

int CBezierToArc::SplitCubicInBuffer(int o) { return m_nDegree == 3 ? SplitInBuffer(o) : 0; }

int CBezierToArc::SplitQuadInBuffer(int o) { return m_nDegree == 2 ? SplitInBuffer(o) : 0; }

CGeCurve* CBezierToArc::FitArcToBezier(int o, const double* T, double tol, CurveList* out)
{
    const int n = m_nDegree;
    const double(*p)[2] = &m_buf[o];
    if (IsLinePiece(p, n, tol)) {
        CGeLine* line = NewLine(p[0], p[n]);
        out->AddTail(line);
        return line;
    }
    double t[2] = {T[0], T[1]};
    if (std::hypot(t[0], t[1]) < kShortVector) {
        double len;
        if (!StartLeg(p, n, t, len)) return nullptr;
    }
    if (!V2D_Unit(t, kUnitTol)) return nullptr;
    CGeArc arc;
    if (!arc.CreateSESTan(p[0], p[n], t)) return nullptr;
    if (!LengthFits(ArcLength(arc), arc.GetSweep(), PolygonLength(p, n), tol)) return nullptr;
    if (!ArcFitsSamples(arc, p, n, tol, true)) return nullptr;
    // The samples passed; the exact bound decides.
    if (!(ArcDeviation(arc, p, n, tol) < tol)) return nullptr;
    auto* result = new CGeArc;
    result->CreateSESTan(p[0], p[n], t);
    out->AddTail(result);
    return result;
}

CGeCurve* CBezierToArc::FitBiarcToBezier(int o, const double* T, double tol, CurveList* out)
{
    const int n = m_nDegree;
    const double(*p)[2] = &m_buf[o];
    if (IsLinePiece(p, n, tol)) {
        CGeLine* line = NewLine(p[0], p[n]);
        out->AddTail(line);
        return line;
    }
    double q[2], r[2], l0, l1;
    if (!StartLeg(p, n, q, l0) || !EndLeg(p, n, r, l1)) return nullptr;
    double t[2] = {T[0], T[1]};
    if (std::hypot(t[0], t[1]) < kShortVector) {
        t[0] = q[0];
        t[1] = q[1];
    } else if (!V2D_Unit(t, kUnitTol)) {
        return nullptr;
    }
    const double shorter = std::min(l0, l1), longer = std::max(l0, l1);
    const int balanced = (shorter < kShortVector || longer > kBalanceRatio * shorter) ? 0 : 1;

    // One arc along the start leg, when it already arrives along the end leg.
    CGeArc single;
    if (!single.CreateSESTan(p[0], p[n], q)) return nullptr;
    double endTan[2];
    single.GetTanVecAt(1.0, endTan, 1);
    if (V2D_GetAngle(endTan, r, kAngleTol) < kOneDegree &&
        LengthFits(ArcLength(single), single.GetSweep(), PolygonLength(p, n), tol) &&
        ArcFitsSamples(single, p, n, tol, false) && ArcDeviation(single, p, n, tol) <= tol) {
        auto* result = new CGeArc;
        result->CreateSESTan(p[0], p[n], q);
        out->AddTail(result);
        return result;
    }

    double J[2];
    if (!FindBiarcJoint(o, t, r, balanced, tol, J)) return nullptr;
    auto* a1 = new CGeArc;
    auto* a2 = new CGeArc;
    if (!a1->CreateSESTan(p[0], J, t) || !a2->CreateSEETan(J, p[n], r)) {
        delete a1;
        delete a2;
        return nullptr;
    }
    out->AddTail(a1);
    out->AddTail(a2);
    return a2;
}

int CBezierToArc::FindBiarcJoint(int o, const double* T, const double* r, int balanced, double tol, double* J)
{
    const int n = m_nDegree;
    const double(*p)[2] = &m_buf[o];
    const double C[2] = {p[n][0] - p[0][0], p[n][1] - p[0][1]};
    const double L = std::hypot(C[0], C[1]);
    if (!(L > kUnitTol)) return 0;
    // Signed angles: a piece that bulges to the left of its chord has its
    // junctions on the left, one that bulges right on the right.
    const double aS = std::atan2(Cross(T, C), Dot(T, C));
    const double bS = std::atan2(Cross(C, r), Dot(C, r));
    const double g0 = 0.5 * (-aS - bS);
    if (std::fabs(2.0 * std::sin(g0)) < kMinLocusSine) return 0;
    const double R = L / (2.0 * std::sin(g0));
    // Walking direction of g: positive g always moves the junction towards Pn,
    // so mirror-image pieces are searched in mirror-image order.
    const double sigma = g0 < 0.0 ? 1.0 : -1.0;
    const double ca = C[0] / L, sa = C[1] / L;
    auto toWorld = [&](double x, double y, double* w) {
        w[0] = p[0][0] + ca * x - sa * y;
        w[1] = p[0][1] + sa * x + ca * y;
    };
    double centre[2];
    toWorld(0.5 * L, -R * std::cos(g0), centre);
    const double v0[2] = {p[0][0] - centre[0], p[0][1] - centre[1]};
    const double v1[2] = {p[n][0] - centre[0], p[n][1] - centre[1]};
    const double h = 0.5 * V2D_GetAngle(v0, v1, kAngleTol);
    // An absolute "good fit" level must not exceed the tolerance asked for.
    const double goodFit = std::min(kGoodFit, tol);

    struct Candidate {
        double g = 0.0;
        double J[2] = {0.0, 0.0};
        double sum = 0.0;
        double max = 0.0;  // of the samples
        int fits = -1;     // exact deviation within tol: 1 yes, 0 no, -1 not yet known
    };
    const double polygon = PolygonLength(p, n);
    CGeArc a1, a2;
    auto evaluate = [&](double g, Candidate& c) {
        const double gs = sigma * g;
        c.g = g;
        c.fits = -1;
        toWorld(R * (std::sin(g0) + std::sin(gs)), R * (std::cos(gs) - std::cos(g0)), c.J);
        if (!a1.CreateSESTan(p[0], c.J, T) || !a2.CreateSEETan(c.J, p[n], r)) return false;
        if (!LengthFits(ArcLength(a1) + ArcLength(a2), std::fabs(a1.GetSweep()) + std::fabs(a2.GetSweep()),
                        polygon, tol)) {
            c.sum = c.max = std::numeric_limits<double>::infinity();
            return true;
        }
        c.sum = 0.0;
        c.max = 0.0;
        for (int k = 1; k < kJointSampleDiv; ++k) {
            double s[2];
            EvalPiece(p, n, static_cast<double>(k) / kJointSampleDiv, s);
            const double e = std::min(ArcDistance(a1, s), ArcDistance(a2, s));
            c.sum += e;
            c.max = std::max(c.max, e);
        }
        return true;
    };
    // The search compares candidates by their samples; a candidate is only
    // accepted when its exact deviation is within tol as well, since the
    // largest deviation may lie between the samples.
    auto fits = [&](Candidate& c) {
        if (c.fits < 0) {
            CGeArc b1, b2;
            c.fits = c.max <= tol && b1.CreateSESTan(p[0], c.J, T) && b2.CreateSEETan(c.J, p[n], r) &&
                             BiarcDeviation(b1, b2, c.J, p, n, tol) <= tol
                         ? 1
                         : 0;
        }
        return c.fits == 1;
    };
    auto found = [&](const Candidate& c) {
        J[0] = c.J[0];
        J[1] = c.J[1];
        return 1;
    };

    Candidate best, cur;
    if (!evaluate(0.0, cur)) return 0;
    best = cur;
    if ((cur.max <= goodFit || (cur.max <= tol && balanced)) && fits(cur)) return found(cur);
    if (h < kSearchStep) return 0;

    double g = kSearchStep, lo = -0.00255, hi = 0.0349;
    bool moved = false;
    int l = 0;
    int phase = 1;
    for (;;) {
        if (l >= kMaxSearchRounds) return 0;
        if (!evaluate(g, cur)) return 0;
        const bool improves = cur.max < best.max || cur.sum < best.sum;
        if (phase == 1) {  // walk towards Pn by 1 degree
            if (improves) {
                best = cur;
                lo = g - kSearchBack;
                g += kSearchStep;
                hi = g;
                moved = true;
                ++l;
                if (l > 1 && cur.max < goodFit && fits(cur)) return found(cur);
                if (h < g) return fits(cur) ? found(cur) : 0;
            } else {
                l = 0;
                if (moved) {
                    g = 0.5 * (lo + hi);
                    phase = 3;
                } else {
                    hi = 0.0;
                    lo = g = -kSearchStep;
                    phase = 2;
                }
            }
        } else if (phase == 2) {  // walk towards P0 by 1 degree
            if (improves) {
                best = cur;
                hi = g + kSearchBack;
                g -= kSearchStep;
                lo = g;
                moved = true;
                ++l;
                if (l > 1 && cur.max < goodFit && fits(cur)) return found(cur);
                if (h < std::fabs(g)) return fits(cur) ? found(cur) : 0;
            } else {
                if (!moved) {
                    lo = -kSearchBack;
                    hi = kSearchStep;
                }
                g = 0.5 * (lo + hi);
                l = 0;
                phase = 3;
            }
        } else {  // bisection
            const bool worse = cur.max > best.max || cur.sum > best.sum;
            if (!worse) {
                if (g < best.g)
                    hi = best.g;
                else
                    lo = best.g;
                best = cur;
            } else {
                if (g < best.g)
                    lo = g;
                else
                    hi = g;
            }
            g = 0.5 * (lo + hi);
            ++l;
            if (l > 2 && best.max < goodFit && fits(best)) return found(best);
            if (l > 24 || std::fabs(hi - lo) < kSearchBracketEnd) return fits(best) ? found(best) : 0;
        }
    }
}

// ---------------------------------------------------------------------------
// Merging arcs of one circle

void MergeConcentricArc(CurveList* list, float tol)
{
    if (!list || list->IsEmpty()) return;
    const double t = tol;
    CGeArc* prev = nullptr;
    POSITION pos = list->GetHeadPosition();
    while (pos) {
        const POSITION at = pos;
        CGeCurve* cur = list->GetNext(pos);
        if (!cur) continue;
        if (prev && cur->GetType() == 0x4) {
            auto* arc = static_cast<CGeArc*>(cur);
            double c1[2], c2[2], s1[2], e1[2], s2[2], e2[2];
            prev->GetCenter(c1);
            arc->GetCenter(c2);
            prev->GetStartPoint(s1);
            prev->GetEndPoint(e1);
            arc->GetStartPoint(s2);
            arc->GetEndPoint(e2);
            // Only a continuation of the same arc merges: touching end to
            // start, turning the same way, and together less than a full turn.
            const bool sameCircle = std::fabs(prev->GetRadius() - arc->GetRadius()) < t && Dist(c1, c2) < t;
            const bool continues = Dist(e1, s2) < t && (prev->GetSweep() > 0.0) == (arc->GetSweep() > 0.0) &&
                                   std::fabs(prev->GetSweep() + arc->GetSweep()) < kTwoPi - kAngleTol;
            if (sameCircle && continues) {
                CGeArc merged;
                if (merged.Create3Pnt(s1, e1, e2)) {
                    prev->Create(&merged);
                    list->RemoveAt(at);
                    delete cur;
                    continue;
                }
            }
        }
        prev = cur->GetType() == 0x4 ? static_cast<CGeArc*>(cur) : nullptr;
    }
}
