#include "geometry/algorithms/FitCurve.h"

#include "framework/numerak/Bcrv.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GeTool3D.h"

#include <cmath>
#include <cstddef>
#include <memory>
#include <vector>

namespace {

// Consecutive points closer than this are one point: coincident points have no
// chord parameter and no tangent.
constexpr double kMergeDist = 1e-6;
// Shortest tangent that still has a direction.
constexpr double kTangentTol = 1e-6;
// Least-squares handle lengths below this fall back to a third of the chord.
constexpr double kMinHandle = 1e-6;
// Stand-ins for a singular normal matrix.
constexpr double kSingularScale = 1e-11;
constexpr double kMinDet = 1e-14;
// Newton reparameterisation rounds before a stretch is split.
constexpr int kMaxReparam = 4;

struct Vec {
    double x, y;
};

Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator*(Vec a, double s) { return {a.x * s, a.y * s}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
double Dist(Vec a, Vec b) { return std::hypot(a.x - b.x, a.y - b.y); }

// a as a unit vector; false when shorter than kTangentTol.
bool Unit(Vec a, Vec& out)
{
    const double len = std::hypot(a.x, a.y);
    if (!(len >= kTangentTol)) return false;
    out = {a.x / len, a.y / len};
    return true;
}

double B0(double u) { return (1 - u) * (1 - u) * (1 - u); }
double B1(double u) { return 3 * u * (1 - u) * (1 - u); }
double B2(double u) { return 3 * u * u * (1 - u); }
double B3(double u) { return u * u * u; }

// De Casteljau's scheme for a Bezier of degree <= 3, on a local copy.
Vec BezierAt(const Vec* v, int degree, double u)
{
    Vec w[4];
    for (int i = 0; i <= degree; ++i) w[i] = v[i];
    for (int level = 1; level <= degree; ++level)
        for (int j = 0; j <= degree - level; ++j) w[j] = w[j] * (1 - u) + w[j + 1] * u;
    return w[0];
}

struct Stretch {
    int first, last;
    Vec tA{1.0, 0.0}, tB{-1.0, 0.0};
};

class Fitter {
public:
    explicit Fitter(std::vector<Vec> pts) : m_p(std::move(pts)), m_u(m_p.size()) {}

    void Fit(Vec tA, Vec tB, double tol);
    const std::vector<Vec>& Result() const { return m_result; }

private:
    void Append(const Vec (&c)[4]) { m_result.insert(m_result.end(), c, c + 4); }
    void ChordParams(int first, int last);
    void Solve(const Stretch& s, Vec (&c)[4]) const;
    double WorstPoint(int first, int last, const Vec (&c)[4], int& split) const;
    void Reparameterise(int first, int last, const Vec (&c)[4]);
    Vec CentreTangent(int split) const;

    std::vector<Vec> m_p;       // merged input points
    std::vector<double> m_u;    // parameters, indexed like m_p
    std::vector<Vec> m_result;  // four control points per cubic, in curve order
};

void Fitter::ChordParams(int first, int last)
{
    m_u[first] = 0.0;
    for (int i = first + 1; i <= last; ++i) m_u[i] = m_u[i - 1] + Dist(m_p[i], m_p[i - 1]);
    const double total = m_u[last];
    for (int i = first + 1; i <= last; ++i) m_u[i] /= total;
}

void Fitter::Solve(const Stretch& s, Vec (&c)[4]) const
{
    const Vec p0 = m_p[s.first], p3 = m_p[s.last];
    double c11 = 0, c12 = 0, c22 = 0, x1 = 0, x2 = 0;
    for (int i = s.first; i <= s.last; ++i) {
        const double u = m_u[i];
        const Vec a1 = s.tA * B1(u), a2 = s.tB * B2(u);
        const Vec rest = m_p[i] - (p0 * (B0(u) + B1(u)) + p3 * (B2(u) + B3(u)));
        c11 += Dot(a1, a1);
        c12 += Dot(a1, a2);
        c22 += Dot(a2, a2);
        x1 += Dot(a1, rest);
        x2 += Dot(a2, rest);
    }
    double det = c11 * c22 - c12 * c12;
    if (det == 0.0) {
        det = c11 * c22 * kSingularScale;
        if (std::fabs(det) < kMinDet) det = kMinDet;
    }
    const double aL = (x1 * c22 - c12 * x2) / det;
    const double aR = (c11 * x2 - c12 * x1) / det;
    c[0] = p0;
    c[3] = p3;
    // Written so that a NaN handle counts as degenerate too.
    if (!(aL >= kMinHandle && aR >= kMinHandle)) {
        const double d = Dist(p3, p0) / 3;
        c[1] = p0 + s.tA * d;
        c[2] = p3 + s.tB * d;
    } else {
        c[1] = p0 + s.tA * aL;
        c[2] = p3 + s.tB * aR;
    }
}

double Fitter::WorstPoint(int first, int last, const Vec (&c)[4], int& split) const
{
    // Any interior point is a valid split: the parts are always shorter.
    split = first + (last - first) / 2;
    double maxErr = 0.0;
    for (int i = first + 1; i < last; ++i) {
        const Vec d = BezierAt(c, 3, m_u[i]) - m_p[i];
        const double err = Dot(d, d);
        if (err >= maxErr) {
            maxErr = err;
            split = i;
        }
    }
    return maxErr;
}

void Fitter::Reparameterise(int first, int last, const Vec (&c)[4])
{
    const Vec q1[3] = {(c[1] - c[0]) * 3, (c[2] - c[1]) * 3, (c[3] - c[2]) * 3};
    const Vec q2[2] = {(q1[1] - q1[0]) * 2, (q1[2] - q1[1]) * 2};
    for (int i = first; i <= last; ++i) {
        const double u = m_u[i];
        const Vec d = BezierAt(c, 3, u) - m_p[i];
        const Vec d1 = BezierAt(q1, 2, u);
        const Vec d2 = BezierAt(q2, 1, u);
        const double num = Dot(d, d1);
        const double den = Dot(d1, d1) + Dot(d, d2);
        // A zero (or overflowing) denominator leaves the parameter where it was.
        if (den == 0.0) continue;
        const double next = u - num / den;
        if (std::isfinite(next)) m_u[i] = next;
    }
}

Vec Fitter::CentreTangent(int split) const
{
    Vec t;
    if (Unit(m_p[split - 1] - m_p[split + 1], t)) return t;
    // A hairpin: both neighbours coincide; head back towards the left one.
    if (Unit(m_p[split - 1] - m_p[split], t)) return t;
    return {1.0, 0.0};
}

void Fitter::Fit(Vec tA, Vec tB, double tol)
{
    m_result.clear();
    m_result.reserve(m_p.size());
    // Stretches still to fit, the next one on top; the left part of a split is
    // pushed last so the cubics come out in curve order. An explicit stack keeps
    // deep splitting of long inputs off the call stack.
    std::vector<Stretch> todo{{0, static_cast<int>(m_p.size()) - 1, tA, tB}};
    Vec c[4];
    while (!todo.empty()) {
        const Stretch s = todo.back();
        todo.pop_back();
        if (s.last - s.first == 1) {
            const double d = Dist(m_p[s.last], m_p[s.first]) / 3;
            c[0] = m_p[s.first];
            c[1] = c[0] + s.tA * d;
            c[3] = m_p[s.last];
            c[2] = c[3] + s.tB * d;
            Append(c);
            continue;
        }
        ChordParams(s.first, s.last);
        Solve(s, c);
        int split = 0;
        double maxErr = WorstPoint(s.first, s.last, c, split);
        bool done = maxErr < tol;
        // maxErr is squared, so this runs only when tol > 1.
        if (!done && maxErr < tol * tol) {
            for (int round = 0; round < kMaxReparam && !done; ++round) {
                Reparameterise(s.first, s.last, c);
                Solve(s, c);
                maxErr = WorstPoint(s.first, s.last, c, split);
                done = maxErr < tol;
            }
        }
        if (done) {
            Append(c);
            continue;
        }
        const Vec tC = CentreTangent(split);
        todo.push_back({split, s.last, tC * -1.0, s.tB});
        todo.push_back({s.first, split, s.tA, tC});
    }
}

}  // namespace

CGeBezier* geFitCurve(double (*pts)[2], int n, double tol)
{
    if (!pts || n <= 1) return nullptr;
    std::vector<Vec> merged;
    merged.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const Vec p{pts[i][0], pts[i][1]};
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return nullptr;
        if (merged.empty() || Dist(p, merged.back()) >= kMergeDist) {
            merged.push_back(p);
        } else if (i == n - 1 && merged.size() > 1) {
            // The spline ends at the last point itself, not at the one it merged into.
            merged.back() = p;
            if (Dist(p, merged[merged.size() - 2]) < kMergeDist) merged.pop_back();
        }
    }
    if (merged.size() < 2) return nullptr;

    const std::size_t m = merged.size();
    Vec tA{1.0, 0.0}, tB{-1.0, 0.0};
    Unit(merged[1] - merged[0], tA);
    Unit(merged[m - 2] - merged[m - 1], tB);
    Fitter fitter(std::move(merged));
    fitter.Fit(tA, tB, tol);

    const std::vector<Vec>& cubics = fitter.Result();
    const std::size_t k = cubics.size() / 4;
    if (k == 0) return nullptr;
    const std::size_t count = 3 * k + 1;
    std::unique_ptr<double[][2]> nodes(new double[count][2]);
    for (std::size_t j = 0; j < k; ++j)
        for (std::size_t q = 0; q < 3; ++q) {
            nodes[3 * j + q][0] = cubics[4 * j + q].x;
            nodes[3 * j + q][1] = cubics[4 * j + q].y;
        }
    nodes[count - 1][0] = cubics[4 * k - 1].x;
    nodes[count - 1][1] = cubics[4 * k - 1].y;
    auto bez = std::make_unique<CGeBezier>();
    if (!bez->CreateEx(static_cast<unsigned>(count), nodes.get())) return nullptr;
    return bez.release();
}

CGeCurve3d* geFitCurve3d(double (*pts)[3], int n, double tol, double angle)
{
    std::vector<BCRV*> curves;
    CGeTool3D().GlobalInterp(pts, n, 2, tol, angle, curves);
    if (curves.empty()) return nullptr;
    if (curves.size() == 1) return new CGeNrbCrv3d(curves.front());
    auto* comb = new CGeCombCurve3d;
    for (BCRV* c : curves) comb->m_listCurve.AddTail(new CGeNrbCrv3d(c));
    comb->CalcBox();
    return comb;
}
