#include "geometry/algorithms/BiArc.h"

#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeConvert.h"
#include "geometry/shapes3d/GePolyline3d.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Degenerate lengths, tangents and quadratic coefficients of the construction.
constexpr double kBiarcEps = 1e-6;
// Chords shorter than this have no direction in the chord test.
constexpr double kChordDirTol = 1e-5;
// Arcs turning by less than this (radians) count as straight: their centres
// are too far off to place.
constexpr double kMinArcTurn = 0.0001;
// Points of a 3D run lie in a coordinate plane when one coordinate agrees
// with the run's first point within this.
constexpr double kPlaneTol = 0.0001;

double Cross(const double* a, const double* b) { return a[0] * b[1] - a[1] * b[0]; }
double Dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1]; }
double Dist(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

double AngleOf(const double* from, const double* to)
{
    const double v[2] = {to[0] - from[0], to[1] - from[1]};
    return V2D_AngletoX(v);
}

// Into (-pi, pi].
double Reduce(double a)
{
    if (a > kPi) a -= kTwoPi;
    if (a <= -kPi) a += kTwoPi;
    return a;
}

// The sweep from the reduced angle difference, turned the way the arc's start
// tangent sends it: an arc that leaves its start point to the left of the
// tangent runs counter-clockwise, whatever the shorter way round would be.
double SweepWithSense(double reduced, double crossTanChord)
{
    if (crossTanChord > 0.0 && reduced < 0.0) return reduced + kTwoPi;
    if (crossTanChord < 0.0 && reduced > 0.0) return reduced - kTwoPi;
    return reduced;
}

// Distance from q to the arc (centre c, radius r, start angle a0, signed
// sweep); pos receives the arc length from the arc's start to the nearest point.
double ArcDistance(const double* c, double r, double a0, double sweep, const double* q, double& pos)
{
    const double len = std::fabs(sweep) * r;
    const double dq = Dist(q, c);
    // Angle of q from the start, measured the way the arc turns, in [0, 2 pi).
    double phi = AngleOf(c, q) - a0;
    if (sweep < 0.0) phi = -phi;
    phi = std::fmod(phi, kTwoPi);
    if (phi < 0.0) phi += kTwoPi;
    if (dq > 0.0 && phi <= std::fabs(sweep)) {
        pos = phi * r;
        return std::fabs(dq - r);
    }
    const double s[2] = {c[0] + r * std::cos(a0), c[1] + r * std::sin(a0)};
    const double e[2] = {c[0] + r * std::cos(a0 + sweep), c[1] + r * std::sin(a0 + sweep)};
    const double ds = Dist(q, s), de = Dist(q, e);
    if (ds <= de) {
        pos = 0.0;
        return ds;
    }
    pos = len;
    return de;
}

// True when the direction angle lies on the arc from a0 over sweep.
bool ArcCovers(double a0, double sweep, double angle)
{
    double phi = angle - a0;
    if (sweep < 0.0) phi = -phi;
    phi = std::fmod(phi, kTwoPi);
    if (phi < 0.0) phi += kTwoPi;
    return phi <= std::fabs(sweep);
}

// Largest distance of the arc from the line through p along unit u.
double ArcDeviationFromLine(const double* c, double r, double a0, double sweep, const double* p,
                            const double* u)
{
    auto lineDist = [&](double x, double y) {
        const double w[2] = {x - p[0], y - p[1]};
        return std::fabs(Cross(u, w));
    };
    double dev = std::max(lineDist(c[0] + r * std::cos(a0), c[1] + r * std::sin(a0)),
                          lineDist(c[0] + r * std::cos(a0 + sweep), c[1] + r * std::sin(a0 + sweep)));
    // The points farthest from the line lie along its normal through the centre.
    const double nrm[2] = {-u[1], u[0]};
    for (double side : {1.0, -1.0}) {
        const double dir[2] = {side * nrm[0], side * nrm[1]};
        if (ArcCovers(a0, sweep, V2D_AngletoX(dir)))
            dev = std::max(dev, lineDist(c[0] + r * dir[0], c[1] + r * dir[1]));
    }
    return dev;
}

// Centre of the circle tangent to unit t at p and passing through j; false
// when j lies (nearly) on the tangent line, where the arc would be straight.
bool CentreOnNormal(const double* p, const double* t, const double* j, double* c)
{
    const double n[2] = {-t[1], t[0]};
    const double w[2] = {j[0] - p[0], j[1] - p[1]};
    const double ww = Dot(w, w);
    const double nw = Dot(n, w);
    // The arc turns by twice the angle between t and w.
    if (!(std::fabs(nw) > 0.5 * kMinArcTurn * std::sqrt(ww))) return false;
    const double rho = 0.5 * ww / nw;
    c[0] = p[0] + rho * n[0];
    c[1] = p[1] + rho * n[1];
    return std::isfinite(c[0]) && std::isfinite(c[1]);
}

// Two-arc construction with tangent legs of equal length; false when none exists.
bool BuildTwoArcs(Biarc& b, const double* t0, const double* t1)
{
    const double* p0 = b.start;
    const double* p1 = b.end;
    const double v[2] = {p0[0] - p1[0], p0[1] - p1[1]};
    const double A = 2.0 * Dot(t0, t1) - 2.0;
    const double B = 2.0 * Dot(v, t0) + 2.0 * Dot(v, t1);
    const double C = Dot(v, v);
    double J[2];
    if (std::fabs(A) <= kBiarcEps && std::fabs(B) < kBiarcEps) {
        // Equal tangents perpendicular to the chord: two half circles centred
        // at the quarter points of the chord.
        J[0] = 0.5 * (p0[0] + p1[0]);
        J[1] = 0.5 * (p0[1] + p1[1]);
        b.centre1[0] = 0.75 * p0[0] + 0.25 * p1[0];
        b.centre1[1] = 0.75 * p0[1] + 0.25 * p1[1];
        b.centre2[0] = 0.25 * p0[0] + 0.75 * p1[0];
        b.centre2[1] = 0.25 * p0[1] + 0.75 * p1[1];
    } else {
        // Roots of A d^2 + B d + C = 0 in the cancellation-free form, which
        // also gives -C / B as A goes to 0 (nearly equal tangents).
        const double D = B * B - 4.0 * A * C;
        if (D < 0.0) return false;
        const double q = -0.5 * (B + std::copysign(std::sqrt(D), B));
        const double inf = std::numeric_limits<double>::infinity();
        const double d1 = std::fabs(A) > 0.0 ? q / A : inf;
        const double d2 = q != 0.0 ? C / q : inf;
        const bool ok1 = d1 >= 0.0 && d1 < inf, ok2 = d2 >= 0.0 && d2 < inf;
        if (!ok1 && !ok2) return false;
        const double d = ok1 && ok2 ? std::min(d1, d2) : (ok1 ? d1 : d2);
        const double q0[2] = {p0[0] + d * t0[0], p0[1] + d * t0[1]};
        const double q1[2] = {p1[0] - d * t1[0], p1[1] - d * t1[1]};
        J[0] = 0.5 * (q0[0] + q1[0]);
        J[1] = 0.5 * (q0[1] + q1[1]);
        // Each centre lies on the normal of its end tangent, as far from J as
        // from the end point (equal tangent legs make that the point where the
        // normal at J meets it). Solved directly rather than by intersecting
        // two nearly parallel normals, which loses digits on long flat arcs.
        if (!CentreOnNormal(p0, t0, J, b.centre1) || !CentreOnNormal(p1, t1, J, b.centre2)) return false;
    }
    b.junction1[0] = b.junction2[0] = J[0];
    b.junction1[1] = b.junction2[1] = J[1];
    b.startAngle1 = AngleOf(b.centre1, p0);
    b.radius1 = Dist(b.centre1, p0);
    b.radius2 = Dist(b.centre2, J);
    const double toJ[2] = {J[0] - p0[0], J[1] - p0[1]};
    b.sweep1 = SweepWithSense(Reduce(AngleOf(b.centre1, J) - b.startAngle1), Cross(t0, toJ));
    // Arc 2 continues in the direction arc 1 arrives at J, so the joint has no cusp.
    const double rj[2] = {J[0] - b.centre1[0], J[1] - b.centre1[1]};
    const double sense1 = b.sweep1 >= 0.0 ? 1.0 : -1.0;
    const double tj[2] = {-rj[1] * sense1, rj[0] * sense1};
    const double toP1[2] = {p1[0] - J[0], p1[1] - J[1]};
    b.sweep2 = SweepWithSense(Reduce(AngleOf(b.centre2, p1) - AngleOf(b.centre2, J)), Cross(tj, toP1));
    return true;
}

}  // namespace

int Biarc::BiarcBuild(const double* p0, const double* p1, const double* t0, const double* t1)
{
    start[0] = p0[0];
    start[1] = p0[1];
    end[0] = p1[0];
    end[1] = p1[1];
    if (!(Dist(p0, p1) > kBiarcEps)) return kind = kInvalid;
    double u0[2] = {t0[0], t0[1]};
    double u1[2] = {t1[0], t1[1]};
    if (!(std::hypot(u0[0], u0[1]) > kBiarcEps) || !(std::hypot(u1[0], u1[1]) > kBiarcEps)) return kind = kLine;
    V2D_Unit(u0, kBiarcEps);
    V2D_Unit(u1, kBiarcEps);
    // Both tangents along the chord (either way): a straight line. Compared by
    // cross products, so that a tangent mirrored about an axis is not mistaken
    // for a parallel one.
    double chord[2] = {p1[0] - p0[0], p1[1] - p0[1]};
    V2D_Unit(chord, kBiarcEps);
    if (std::fabs(Cross(u0, chord)) <= kBiarcEps && std::fabs(Cross(u1, chord)) <= kBiarcEps) return kind = kLine;
    return kind = BuildTwoArcs(*this, u0, u1) ? kTwoArcs : kLine;
}

bool Biarc::BiarcPointWithinTol(const double* q, double& lastPos) const
{
    double dist, pos;
    if (kind == kLine) {
        // Distance to the segment itself: a point beyond either end of the
        // chord is not covered by the line, however close to its extension.
        const double L = Dist(start, end);
        const double u[2] = {(end[0] - start[0]) / L, (end[1] - start[1]) / L};
        const double w[2] = {q[0] - start[0], q[1] - start[1]};
        pos = Dot(w, u);
        const double along = std::clamp(pos, 0.0, L);
        dist = std::hypot(w[0] - along * u[0], w[1] - along * u[1]);
    } else if (kind == kTwoArcs) {
        double pos1, pos2;
        const double d1 = ArcDistance(centre1, radius1, startAngle1, sweep1, q, pos1);
        const double d2 = ArcDistance(centre2, radius2, AngleOf(centre2, junction2), sweep2, q, pos2);
        if (d1 <= d2) {
            dist = d1;
            pos = pos1;
        } else {
            dist = d2;
            pos = std::fabs(sweep1) * radius1 + pos2;
        }
    } else {
        return false;
    }
    // Points running backwards along the biarc would be covered only once.
    if (!(dist <= tol) || pos < lastPos - tol) return false;
    lastPos = std::max(lastPos, pos);
    return true;
}

bool Biarc::BiarcChordTest() const
{
    if (kind != kTwoArcs) return true;
    double u[2];
    if (!V2D_GenUnit(start, end, kChordDirTol, u)) return false;
    const double dev1 = ArcDeviationFromLine(centre1, radius1, startAngle1, sweep1, start, u);
    const double dev2 = ArcDeviationFromLine(centre2, radius2, AngleOf(centre2, junction2), sweep2, start, u);
    return dev1 <= tol && dev2 <= tol;
}

void Biarc::BiarcEmit(CTypedPtrList<CObList, CGeCurve*>& list) const
{
    if (kind == kLine) {
        list.AddTail(new CGeLine(start, end));
    } else if (kind == kTwoArcs) {
        auto* a1 = new CGeArc;
        auto* a2 = new CGeArc;
        if (a1->CreateCSE(centre1, start, junction1, sweep1 > 0.0) &&
            a2->CreateCSE(centre2, junction2, end, sweep2 > 0.0)) {
            list.AddTail(a1);
            list.AddTail(a2);
        } else {
            delete a1;
            delete a2;
            list.AddTail(new CGeLine(start, end));
        }
    }
}

namespace {

// Estimated tangent at an inner point: the sum of the unit directions of its
// two chords (zero where a chord is degenerate or the path reverses).
void InnerTangent(double (*pts)[2], int i, double* t)
{
    double a[2] = {0.0, 0.0}, b[2] = {0.0, 0.0};
    V2D_GenUnit(pts[i - 1], pts[i], kBiarcEps, a);
    V2D_GenUnit(pts[i], pts[i + 1], kBiarcEps, b);
    t[0] = a[0] + b[0];
    t[1] = a[1] + b[1];
}

// Estimated tangent at an end point: the end chord turned back by its turn
// against the neighbour's tangent (2 u - t), so that points of an arc give
// the arc's own end tangent; the end chord when the neighbour has none.
// step is +1 at the start (chord pts[i] -> pts[i+1]) and -1 at the end.
void EndTangent(double (*pts)[2], int i, int step, int n, double* t)
{
    const int j = i + step;
    double u[2] = {0.0, 0.0};
    const bool hasChord = step > 0 ? V2D_GenUnit(pts[i], pts[j], kBiarcEps, u) : V2D_GenUnit(pts[j], pts[i], kBiarcEps, u);
    if (!hasChord) {
        t[0] = t[1] = 0.0;
        return;
    }
    t[0] = u[0];
    t[1] = u[1];
    if (n < 3) return;
    double inner[2];
    InnerTangent(pts, j, inner);
    if (!V2D_Unit(inner, kBiarcEps) || Dot(inner, u) <= 0.0) return;
    const double est[2] = {2.0 * u[0] - inner[0], 2.0 * u[1] - inner[1]};
    if (Dot(est, u) > 0.0) {
        t[0] = est[0];
        t[1] = est[1];
    }
}

// Spacing of extra test points along long chords: an arc of radius r passing
// within tol of points this far apart strays at most tol/100 further between them.
double ChordSampleSpacing(const Biarc& b)
{
    if (b.kind != Biarc::kTwoArcs) return std::numeric_limits<double>::infinity();
    const double r = std::min(b.radius1, b.radius2);
    return std::max(std::sqrt(0.08 * r * b.tol), kBiarcEps);
}

// Most extra test points put on one chord.
constexpr int kMaxChordSamples = 1000;

// Chord positions (fractions in (0, 1), ascending) where the deviation of the
// chord from the biarc can peak between its ends: along a chord the distance
// from a centre is convex, so inside a circle the deviation peaks where the
// chord passes closest to the centre, and outside it only at the ends of the
// stretch near one arc, which meet at the common normal through J.
int ChordPeaks(const Biarc& b, const double* a, const double* e, double* f)
{
    if (b.kind != Biarc::kTwoArcs) return 0;
    const double d[2] = {e[0] - a[0], e[1] - a[1]};
    const double dd = Dot(d, d);
    if (!(dd > 0.0)) return 0;
    int count = 0;
    auto add = [&](double x) {
        if (x > 0.0 && x < 1.0) f[count++] = x;
    };
    for (const double* c : {b.centre1, b.centre2}) {
        const double w[2] = {c[0] - a[0], c[1] - a[1]};
        add(Dot(w, d) / dd);
    }
    // Crossing of the line through centre 1 and J.
    const double nrm[2] = {b.junction1[0] - b.centre1[0], b.junction1[1] - b.centre1[1]};
    const double den = Cross(d, nrm);
    if (den != 0.0) {
        const double w[2] = {b.centre1[0] - a[0], b.centre1[1] - a[1]};
        add(Cross(w, nrm) / den);
    }
    for (int i = 1; i < count; ++i)
        for (int j = i; j > 0 && f[j] < f[j - 1]; --j) std::swap(f[j], f[j - 1]);
    return count;
}

// True when every point and chord midpoint of the window lies within tol of
// the biarc, taken in order along the sequence; long chords are tested at
// more points, and every chord where it can stray furthest from the arcs
// (ChordPeaks), so that the whole polyline keeps within tol.
bool WindowWithinTol(const Biarc& b, double (*pts)[2], int s, int e)
{
    const double spacing = ChordSampleSpacing(b);
    double lastPos = -1e300;
    for (int g = s; g <= e - 1; ++g) {
        const double len = Dist(pts[g], pts[g + 1]);
        int parts = 2;
        if (len > 2.0 * spacing) parts = std::min(kMaxChordSamples, static_cast<int>(std::ceil(len / spacing)));
        double peaks[3];
        const int nPeaks = ChordPeaks(b, pts[g], pts[g + 1], peaks);
        int next = 0;
        auto test = [&](double f) {
            const double q[2] = {pts[g][0] + f * (pts[g + 1][0] - pts[g][0]), pts[g][1] + f * (pts[g + 1][1] - pts[g][1])};
            return b.BiarcPointWithinTol(q, lastPos);
        };
        for (int k = 1; k <= parts; ++k) {
            const double f = static_cast<double>(k) / parts;
            // The peaks in order between the regular test points.
            while (next < nPeaks && peaks[next] < f)
                if (!test(peaks[next++])) return false;
            if (k < parts && !test(f)) return false;
        }
        if (g + 1 < e && !b.BiarcPointWithinTol(pts[g + 1], lastPos)) return false;
    }
    return true;
}

}  // namespace

CGeCombCurve* geBiarcsFitCurve(double (*pts)[2], double (*tans)[2], int n, double tol)
{
    if (!pts || n < 2) return nullptr;
    auto* comb = new CGeCombCurve;
    CTypedPtrList<CObList, CGeCurve*>& members = comb->GetCurveList();
    if (n == 2) {
        members.AddTail(new CGeLine(pts[0], pts[1]));
        return comb;
    }
    const int last = n - 1;
    Biarc biarc;
    int s = 0;
    while (s < last) {
        double t0[2], t1[2];
        if (tans) {
            t0[0] = tans[s][0];
            t0[1] = tans[s][1];
        } else if (s > 0) {
            InnerTangent(pts, s, t0);
        } else {
            EndTangent(pts, 0, 1, n, t0);
        }
        int e = last;
        for (;;) {
            if (tans) {
                t1[0] = tans[e][0];
                t1[1] = tans[e][1];
            } else if (e == last) {
                EndTangent(pts, last, -1, n, t1);
            } else {
                InnerTangent(pts, e, t1);
            }
            const int kind = biarc.BiarcBuild(pts[s], pts[e], t0, t1);
            bool accept = false;
            if (kind == Biarc::kInvalid) {
                // A chord shorter than 1e-6 is dropped; a longer window is halved.
                if (e == s + 1) break;
            } else {
                biarc.tol = tol;
                if (e > s + 1) {
                    accept = WindowWithinTol(biarc, pts, s, e);
                } else {
                    if (!biarc.BiarcChordTest()) biarc.kind = Biarc::kLine;
                    accept = true;
                }
            }
            if (accept) {
                biarc.BiarcEmit(members);
                break;
            }
            e = (e + s) / 2;
        }
        s = e;
    }
    return comb;
}

CGeCombCurve3d* geBiarcsFitCurve3dOnXYZ(double (*pts)[3], int n, double tol, int plane)
{
    if (!pts || n < 2 || plane < 0 || plane > 2) return nullptr;
    std::vector<double> work(2 * static_cast<size_t>(n));
    auto* flat = reinterpret_cast<double(*)[2]>(work.data());
    for (int i = 0; i < n; ++i) {
        flat[i][0] = plane == 1 ? pts[i][2] : pts[i][0];
        flat[i][1] = plane == 2 ? pts[i][2] : pts[i][1];
    }
    CGeCombCurve* comb2d = geBiarcsFitCurve(flat, nullptr, n, tol);
    CGeCombCurve3d* comb3d = nullptr;
    if (comb2d && !comb2d->IsEmpty()) {
        comb3d = QVN_GeConvert::CombCurveToCombCurve3d(comb2d, plane == 0 ? pts[0][2] : 0.0);
        if (comb3d && plane == 1) {
            double origin[3] = {0.0, 0.0, 0.0}, axis[3] = {0.0, 1.0, 0.0};
            double move[3] = {pts[0][0], 0.0, 0.0};
            comb3d->Rotate3D(origin, axis, -0.5 * kPi);
            comb3d->Translate3D(move);
        } else if (comb3d && plane == 2) {
            double origin[3] = {0.0, 0.0, 0.0}, axis[3] = {1.0, 0.0, 0.0};
            double move[3] = {0.0, pts[0][1], 0.0};
            comb3d->Rotate3D(origin, axis, 0.5 * kPi);
            comb3d->Translate3D(move);
        }
    }
    delete comb2d;
    return comb3d;
}

namespace {

constexpr int kNoPlane = -1;

// Coordinate index that stays fixed in each plane: z for XY, x for YZ, y for XZ.
constexpr int kFixedAxis[3] = {2, 0, 1};

bool InPlane(const double* p, const double* r, int plane)
{
    const int k = kFixedAxis[plane];
    return std::fabs(p[k] - r[k]) < kPlaneTol;
}

// A run of 3D points being cut out of the sequence.
struct Run {
    std::vector<double> pts;  // x, y, z per point
    int plane = kNoPlane;

    int Count() const { return static_cast<int>(pts.size() / 3); }
    const double* Point(int i) const { return &pts[3 * static_cast<size_t>(i)]; }
    void Add(const double* p) { pts.insert(pts.end(), p, p + 3); }
    bool AllInPlane(int pl) const
    {
        for (int i = 1; i < Count(); ++i)
            if (!InPlane(Point(i), Point(0), pl)) return false;
        return true;
    }
};

void CloseRun(Run& run, double tol, CGeCombCurve3d* out)
{
    auto* p = reinterpret_cast<double(*)[3]>(run.pts.data());
    if (run.plane == kNoPlane) {
        if (run.Count() >= 2) {
            auto* poly = new CGePolyline3d;
            poly->Create(run.Count(), p);
            out->m_listCurve.AddTail(poly);
        }
        return;
    }
    if (CGeCombCurve3d* part = geBiarcsFitCurve3dOnXYZ(p, run.Count(), tol, run.plane)) {
        while (!part->m_listCurve.IsEmpty()) out->m_listCurve.AddTail(part->m_listCurve.RemoveHead());
        delete part;
    }
}

// Adds p to a run holding at least one point. Returns false when p belongs to
// none of the run's possible planes and the run has to be closed first.
bool AddToRun(Run& run, const double* p)
{
    const double* r = run.Point(0);
    if (run.plane != kNoPlane) {
        if (!InPlane(p, r, run.plane)) return false;
        run.Add(p);
        return true;
    }
    for (int pl = 0; pl < 3; ++pl) {
        if (InPlane(p, r, pl) && run.AllInPlane(pl)) {
            run.Add(p);
            run.plane = pl;
            return true;
        }
    }
    // No plane takes p. A run in no plane grows as a 3D polyline, unless p
    // and the run's last point share a plane: then that pair begins a planar run.
    if (run.Count() >= 2) {
        const double* q = run.Point(run.Count() - 1);
        for (int pl = 0; pl < 3; ++pl)
            if (InPlane(p, q, pl)) return false;
    }
    run.Add(p);
    return true;
}

}  // namespace

CGeCombCurve3d* geBiarcsFitCurve3d(double (*pts)[3], int n, double tol)
{
    if (!pts || n <= 1) return nullptr;
    auto* comb = new CGeCombCurve3d;
    if (n <= 2) {
        auto* poly = new CGePolyline3d;
        poly->Create(n, pts);
        comb->m_listCurve.AddTail(poly);
        comb->CalcBox();
        return comb;
    }
    Run run;
    run.Add(pts[0]);
    for (int i = 1; i < n; ++i) {
        if (AddToRun(run, pts[i])) continue;
        CloseRun(run, tol, comb);
        // The next run starts where this one ended, so no step is left uncovered.
        Run next;
        next.Add(run.Point(run.Count() - 1));
        run = std::move(next);
        AddToRun(run, pts[i]);
    }
    CloseRun(run, tol, comb);
    comb->CalcBox();
    return comb;
}
