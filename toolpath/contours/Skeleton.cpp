#include "toolpath/contours/Skeleton.h"

#include "toolpath/contours/SmartLoop.h"
#include "toolpath/contours/SmartSect.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

CCLineCurve::~CCLineCurve()
{
    for (Node* n = head; n;) {
        Node* following = n->next;
        delete n;
        n = following;
    }
}

void CCLineCurve::AddPoint(double x, double y, double z)
{
    Node* n = new Node{x, y, z, z, nullptr};
    if (tail)
        tail->next = n;
    else
        head = n;
    tail = n;
    ++count;
}

namespace {

// Distance of p from the 3D line through a and b (from a when they coincide).
double LineDistance3(const CCLineCurve::Node* p, const CCLineCurve::Node* a, const CCLineCurve::Node* b)
{
    const double d[3] = {b->x - a->x, b->y - a->y, b->z - a->z};
    const double v[3] = {p->x - a->x, p->y - a->y, p->z - a->z};
    const double dd = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    if (dd <= 0)
        return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    const double c[3] = {v[1] * d[2] - v[2] * d[1], v[2] * d[0] - v[0] * d[2], v[0] * d[1] - v[1] * d[0]};
    return std::sqrt((c[0] * c[0] + c[1] * c[1] + c[2] * c[2]) / dd);
}

}  // namespace

void CCLineCurve::Simplify(double tol)
{
    constexpr double kBetween = 0.0001;
    for (Node* p = head; p && p->next;) {
        // Extend the run p .. end while every point inside stays near the chord.
        Node* end = p->next;
        while (end->next) {
            Node* candidate = end->next;
            bool fits = true;
            for (Node* k = p->next; k != candidate && fits; k = k->next) {
                const double dot = (k->x - candidate->x) * (k->x - p->x) + (k->y - candidate->y) * (k->y - p->y);
                fits = LineDistance3(k, p, candidate) <= tol && dot <= kBetween;
            }
            if (!fits)
                break;
            end = candidate;
        }
        for (Node* k = p->next; k != end;) {
            Node* following = k->next;
            delete k;
            k = following;
        }
        p->next = end;
        p = end;
    }
    count = 0;
    for (Node* n = head; n; n = n->next) {
        ++count;
        tail = n;
    }
}

void DeleteSkeleton(CCLineCurve* list)
{
    while (list) {
        CCLineCurve* following = list->next;
        delete list;
        list = following;
    }
}

namespace {

constexpr double kCornerLimitWide = 2.9670597283898;    // 170 degrees
constexpr double kCornerLimitNarrow = 0.1745329251994;  // 10 degrees
constexpr double kArcChordTol = 0.01;
constexpr int kArcPoints = 100;
constexpr double kMitreFloor = -0.001;  // corners turning less than this are mitered
constexpr double kMinContourArea = 0.00001;
constexpr double kMainTurn = 2.6;       // boundary turn separating a main ridge's facets
constexpr float kSimplifyTol = 0.001f;
constexpr double kCapAbove = 0.005;
constexpr double kCapMeet = 0.01;

struct V {
    double x = 0, y = 0;
};
V operator+(V a, V b) { return {a.x + b.x, a.y + b.y}; }
V operator-(V a, V b) { return {a.x - b.x, a.y - b.y}; }
V operator*(double k, V a) { return {k * a.x, k * a.y}; }
double Dot(V a, V b) { return a.x * b.x + a.y * b.y; }
double Cross(V a, V b) { return a.x * b.y - a.y * b.x; }
double Len(V a) { return std::hypot(a.x, a.y); }
V Unit(V a)
{
    const double l = Len(a);
    return l > 0 ? (1.0 / l) * a : V{};
}
V Perp(V a) { return {-a.y, a.x}; }

// A facet of the distance function. A plane rises at 45 degrees from its bottom edge
// a-b into the region (height n.p - c); a cone rises from its apex a. Both are bounded
// by two half-planes m.p >= e: the plane by its end lines (normals, or bisectors at
// mitered corners), the cone by the wedge between the normals of its corner.
struct Facet {
    bool cone = false;
    int loop = 0;
    int pos = 0;  // position in its loop's facet cycle
    V a, b, n;
    double c = 0;
    V m0, m1;
    double e0 = 0, e1 = 0;
    bool mitredNext = false;  // the corner at b is mitered with the next facet
    double turn = 0;          // boundary turn at the corner after this facet
    // A facet of height h at p has its bottom within reach * h of p: 1, but a plane
    // widened past a mitered reflex corner of turn v is only h there over the line through
    // its bottom, up to h / cos(v / 2) from the corner.
    double reach = 1;
    double box[4] = {0, 0, 0, 0};
};

// Two planes over one line, facing the same way.
bool SamePlane(const Facet& a, const Facet& b)
{
    return std::fabs(a.n.x - b.n.x) + std::fabs(a.n.y - b.n.y) < 1e-12 &&
           std::fabs(a.c - b.c) <= 1e-12 * std::max(1.0, std::fabs(a.c));
}

double Height(const Facet& f, V p) { return f.cone ? Len(p - f.a) : Dot(f.n, p) - f.c; }

bool InDomain(const Facet& f, V p, double tol)
{
    if (Dot(f.m0, p) - f.e0 < -tol || Dot(f.m1, p) - f.e1 < -tol)
        return false;
    return f.cone || Height(f, p) >= -tol;
}

struct LoopFacets {
    int first = 0, count = 0;
    std::vector<double> turnPrefix;  // turnPrefix[k]: sizes of the turns of facets first .. first + k - 1
};

// Boxes of some facets' bottoms in a uniform grid.
class FacetGrid {
public:
    void Build(const std::vector<Facet>& facets, const std::vector<int>& ids)
    {
        double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300}, total = 0;
        for (int id : ids) {
            const Facet& f = facets[static_cast<std::size_t>(id)];
            lo[0] = std::min(lo[0], f.box[0]);
            lo[1] = std::min(lo[1], f.box[1]);
            hi[0] = std::max(hi[0], f.box[2]);
            hi[1] = std::max(hi[1], f.box[3]);
            total += (f.box[2] - f.box[0]) + (f.box[3] - f.box[1]);
        }
        const double w = hi[0] - lo[0], h = hi[1] - lo[1];
        const double n = static_cast<double>(ids.size());
        cell_ = std::max({total / n, std::sqrt(w * h / n), 1e-6});
        nx_ = std::clamp(static_cast<int>(w / cell_) + 1, 1, 1024);
        ny_ = std::clamp(static_cast<int>(h / cell_) + 1, 1, 1024);
        cell_ = std::max({cell_, w / nx_, h / ny_});
        x0_ = lo[0];
        y0_ = lo[1];
        cells_.assign(static_cast<std::size_t>(nx_) * ny_, {});
        for (int id : ids) {
            const Facet& f = facets[static_cast<std::size_t>(id)];
            const auto [i0, j0] = CellOf(f.box[0], f.box[1]);
            const auto [i1, j1] = CellOf(f.box[2], f.box[3]);
            for (int j = j0; j <= j1; ++j)
                for (int i = i0; i <= i1; ++i)
                    cells_[static_cast<std::size_t>(j) * nx_ + i].push_back(id);
        }
    }

    template <class F>
    void Query(double x0, double y0, double x1, double y1, F&& visit) const
    {
        const auto [i0, j0] = CellOf(x0, y0);
        const auto [i1, j1] = CellOf(x1, y1);
        for (int j = j0; j <= j1; ++j)
            for (int i = i0; i <= i1; ++i)
                for (int id : cells_[static_cast<std::size_t>(j) * nx_ + i])
                    visit(id);
    }

    double Cell() const { return cell_; }

private:
    std::pair<int, int> CellOf(double x, double y) const
    {
        const double fi = std::floor((x - x0_) / cell_), fj = std::floor((y - y0_) / cell_);
        const int i = fi < 0 ? 0 : fi >= nx_ ? nx_ - 1 : static_cast<int>(fi);
        const int j = fj < 0 ? 0 : fj >= ny_ ? ny_ - 1 : static_cast<int>(fj);
        return {i, j};
    }

    int nx_ = 1, ny_ = 1;
    double x0_ = 0, y0_ = 0, cell_ = 1;
    std::vector<std::vector<int>> cells_;
};

// The facets that can be lowest at height h within a box: one grid per class of reach
// (powers of two), each queried with the box grown by h times its reach. Query visits
// each facet once.
class FacetIndex {
public:
    void Build(const std::vector<Facet>& facets, bool plain)
    {
        plain_ = plain;
        count_ = static_cast<int>(facets.size());
        stamp_.assign(facets.size(), 0);
        grids_.clear();
        if (plain || facets.empty())
            return;
        std::vector<std::vector<int>> classes;
        for (int id = 0; id < count_; ++id) {
            const double reach = facets[static_cast<std::size_t>(id)].reach;
            std::size_t k = 0;
            while (std::ldexp(1.0, static_cast<int>(k)) < reach)
                ++k;
            if (classes.size() <= k)
                classes.resize(k + 1);
            classes[k].push_back(id);
        }
        for (std::size_t k = 0; k < classes.size(); ++k)
            if (!classes[k].empty()) {
                grids_.push_back({std::ldexp(1.0, static_cast<int>(k)), FacetGrid{}});
                grids_.back().second.Build(facets, classes[k]);
            }
    }

    // Visits every facet whose bottom may lie within reach * grow of the box.
    template <class F>
    void Query(double x0, double y0, double x1, double y1, double grow, F&& visit)
    {
        if (plain_) {
            for (int id = 0; id < count_; ++id)
                visit(id);
            return;
        }
        if (++current_ == 0) {
            std::fill(stamp_.begin(), stamp_.end(), 0u);
            current_ = 1;
        }
        for (const auto& [reach, grid] : grids_) {
            const double g = grow * reach;
            grid.Query(x0 - g, y0 - g, x1 + g, y1 + g, [&](int id) {
                if (stamp_[static_cast<std::size_t>(id)] == current_)
                    return;
                stamp_[static_cast<std::size_t>(id)] = current_;
                visit(id);
            });
        }
    }

    // The cell of the grid of reach 1 (or of the first grid).
    double Cell() const { return plain_ || grids_.empty() ? 0.0 : grids_.front().second.Cell(); }

private:
    bool plain_ = false;
    int count_ = 0;
    std::vector<std::pair<double, FacetGrid>> grids_;
    std::vector<unsigned> stamp_;
    unsigned current_ = 0;
};

// Quadratic g(s) = c0 + c1 s + c2 s^2.
struct Quad {
    double c0 = 0, c1 = 0, c2 = 0;
    double At(double s) const { return c0 + s * (c1 + s * c2); }
};

// Real roots in ascending order; a vanishing leading coefficient solves the linear part.
int Roots(const Quad& q, double* out)
{
    if (q.c2 == 0) {
        if (q.c1 == 0)
            return 0;
        out[0] = -q.c0 / q.c1;
        return 1;
    }
    const double D = q.c1 * q.c1 - 4 * q.c2 * q.c0;
    if (!(D >= 0))
        return 0;
    const double h = std::sqrt(D);
    const double t = -0.5 * (q.c1 + (q.c1 >= 0 ? h : -h));
    if (t == 0) {
        out[0] = 0;
        return 1;
    }
    double r0 = t / q.c2, r1 = q.c0 / t;
    if (r0 > r1)
        std::swap(r0, r1);
    out[0] = r0;
    out[1] = r1;
    return 2;
}

// A ridge candidate: the XY curve p(s) = P0 + s P1 + s^2 P2 where two facets are equal,
// with their common height z(s): a polynomial, or the distance to q for two cones.
struct Curve {
    V P0, P1, P2;
    bool sqrtZ = false;
    V q;
    Quad z;
    V At(double s) const { return P0 + s * P1 + (s * s) * P2; }
    V Tangent(double s) const { return P1 + (2 * s) * P2; }
    double Z(double s) const { return sqrtZ ? Len(At(s) - q) : z.At(s); }
    Quad Lin(V m, double e) const { return {Dot(m, P0) - e, Dot(m, P1), Dot(m, P2)}; }
};

// The curve of equal height of facets A and B through (near) p0, leaving p0 in direction
// dir (+1 or -1); none for parallel planes, coincident apexes or an apex on or outside the
// plane's bottom line.
std::optional<Curve> MakeCurve(const Facet& A, const Facet& B, V p0, int dir, double tiny)
{
    Curve cv;
    if (!A.cone && !B.cone) {
        const V D = A.n - B.n;
        const double dd = Dot(D, D);
        if (dd < 1e-18)
            return std::nullopt;
        cv.P0 = p0 - ((Dot(D, p0) - (A.c - B.c)) / dd) * D;
        cv.P1 = static_cast<double>(dir) * Unit(Perp(D));
        cv.z = {Dot(A.n, cv.P0) - A.c, Dot(A.n, cv.P1), 0};
        return cv;
    }
    if (A.cone && B.cone) {
        const V D = B.a - A.a;
        const double dd = Dot(D, D);
        if (dd < tiny * tiny)
            return std::nullopt;
        const double e = 0.5 * (Dot(B.a, B.a) - Dot(A.a, A.a));
        cv.P0 = p0 - ((Dot(D, p0) - e) / dd) * D;
        cv.P1 = static_cast<double>(dir) * Unit(Perp(D));
        cv.sqrtZ = true;
        cv.q = A.a;
        return cv;
    }
    // A parabola: focus at the cone's apex, directrix the plane's bottom line.
    const Facet& P = A.cone ? B : A;
    const V q = A.cone ? A.a : B.a;
    const double k = Dot(P.n, q) - P.c;
    if (k < tiny)
        return std::nullopt;
    const V o = q - k * P.n;
    const V d{P.n.y, -P.n.x};
    const double u0 = Dot(p0 - o, d);
    const double w0 = (u0 * u0 + k * k) / (2 * k);
    const double sg = dir;
    cv.P0 = o + u0 * d + w0 * P.n;
    cv.P1 = sg * (d + (u0 / k) * P.n);
    cv.P2 = (1 / (2 * k)) * P.n;
    cv.z = {w0, sg * u0 / k, 1 / (2 * k)};
    return cv;
}

struct Edge {
    int A = -1, B = -1;
    std::vector<std::array<double, 3>> pts;
    V startDir, endDir;  // unit XY directions into the edge at its ends
};

class SkeletonBuilder {
public:
    SkeletonBuilder(double cornerLimit, bool valleys, bool plain)
        : cornerLimit_(cornerLimit), valleys_(valleys), plain_(plain)
    {
    }

    void AddLoop(std::vector<V> ring, bool outer);
    void Trace();
    CCLineCurve* Chain(float* maxRadius);
    bool Empty() const { return facets_.empty(); }

private:
    struct Event {
        double s = 0;
        bool found = false;
    };

    void Prepare();
    void HandleNode(V p, double z);
    bool Excluded(int x, int y) const;
    bool Adjacent(int x, int y) const;
    bool Duplicate(int x, int y, V p, V dir) const;
    bool Crease(const std::vector<int>& S, int x, int y, V q, V n) const;
    bool TraceEdge(int x, int y, const Curve& cv, Edge& out, V& endP, double& endZ);
    Event FirstEvent(int x, int y, const Curve& cv, double sLo, double sHi, double zMax);
    void SamplePoints(const Curve& cv, double sEnd, Edge& e) const;
    bool IsMain(const Edge& e) const;

    double cornerLimit_;
    bool valleys_, plain_;
    std::vector<Facet> facets_;
    std::vector<LoopFacets> loops_;
    FacetIndex index_;
    double scale_ = 1, tiny_ = 1e-12, tolS_ = 1e-9, delta_ = 1e-7, window_ = 1;
    double box_[4] = {1e300, 1e300, -1e300, -1e300};
    std::vector<Edge> edges_;
    std::unordered_map<std::uint64_t, std::vector<int>> byPair_;
    std::vector<std::pair<V, double>> pending_;
};

void SkeletonBuilder::AddLoop(std::vector<V> ring, bool outer)
{
    // Interior on the left: outer loops counter-clockwise, islands clockwise.
    double area = 0;
    for (std::size_t i = 0; i < ring.size(); ++i)
        area += Cross(ring[i], ring[(i + 1) % ring.size()]);
    if ((area > 0) != outer)
        std::reverse(ring.begin(), ring.end());
    const int n = static_cast<int>(ring.size());
    if (n < 3)
        return;
    LoopFacets lf;
    lf.first = static_cast<int>(facets_.size());
    const int loopId = static_cast<int>(loops_.size());
    std::vector<Facet> planes(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        Facet& f = planes[static_cast<std::size_t>(i)];
        f.loop = loopId;
        f.a = ring[static_cast<std::size_t>(i)];
        f.b = ring[static_cast<std::size_t>((i + 1) % n)];
        const V d = Unit(f.b - f.a);
        f.n = Perp(d);
        f.c = Dot(f.n, f.a);
        f.m0 = d;
        f.e0 = Dot(d, f.a);
        f.m1 = -1.0 * d;
        f.e1 = -Dot(d, f.b);
    }
    std::vector<Facet> cones(static_cast<std::size_t>(n));
    std::vector<bool> hasCone(static_cast<std::size_t>(n), false);
    for (int i = 0; i < n; ++i) {
        Facet& r = planes[static_cast<std::size_t>(i)];
        Facet& s = planes[static_cast<std::size_t>((i + 1) % n)];
        const double dot = Dot(r.n, s.n);
        double v = dot > 1 ? 0.0 : dot < -1 ? M_PI : std::acos(dot);
        if (r.n.y * s.n.x - r.n.x * s.n.y < 0)
            v = -v;
        r.turn = -v;
        const V q = r.b;
        if (v > cornerLimit_) {
            Facet& k = cones[static_cast<std::size_t>(i)];
            hasCone[static_cast<std::size_t>(i)] = true;
            k.cone = true;
            k.loop = loopId;
            k.a = k.b = q;
            // The wedge runs counter-clockwise from s's normal to r's.
            k.m0 = Perp(s.n);
            k.e0 = Dot(k.m0, q);
            k.m1 = {r.n.y, -r.n.x};
            k.e1 = Dot(k.m1, q);
        } else if (v > kMitreFloor) {
            const V u = Unit(r.n + s.n);
            V m = Perp(u);
            if (Dot(m, r.a - q) < 0)
                m = -1.0 * m;
            r.m1 = m;
            r.e1 = Dot(m, q);
            s.m0 = -1.0 * m;
            s.e0 = -r.e1;
            r.mitredNext = true;
            if (v > 0) {
                const double reach = 1 / std::cos(0.5 * v);
                r.reach = std::max(r.reach, reach);
                s.reach = std::max(s.reach, reach);
            }
        }
    }
    for (int i = 0; i < n; ++i) {
        facets_.push_back(planes[static_cast<std::size_t>(i)]);
        if (hasCone[static_cast<std::size_t>(i)])
            facets_.push_back(cones[static_cast<std::size_t>(i)]);
    }
    lf.count = static_cast<int>(facets_.size()) - lf.first;
    lf.turnPrefix.assign(static_cast<std::size_t>(lf.count) + 1, 0.0);
    for (int k = 0; k < lf.count; ++k) {
        Facet& f = facets_[static_cast<std::size_t>(lf.first + k)];
        f.pos = k;
        lf.turnPrefix[static_cast<std::size_t>(k) + 1] = lf.turnPrefix[static_cast<std::size_t>(k)] + std::fabs(f.turn);
        f.box[0] = std::min(f.a.x, f.b.x);
        f.box[1] = std::min(f.a.y, f.b.y);
        f.box[2] = std::max(f.a.x, f.b.x);
        f.box[3] = std::max(f.a.y, f.b.y);
        box_[0] = std::min(box_[0], f.box[0]);
        box_[1] = std::min(box_[1], f.box[1]);
        box_[2] = std::max(box_[2], f.box[2]);
        box_[3] = std::max(box_[3], f.box[3]);
    }
    loops_.push_back(std::move(lf));
}

bool SkeletonBuilder::Adjacent(int x, int y) const
{
    const Facet& X = facets_[static_cast<std::size_t>(x)];
    const Facet& Y = facets_[static_cast<std::size_t>(y)];
    if (X.loop != Y.loop)
        return false;
    const int n = loops_[static_cast<std::size_t>(X.loop)].count;
    return (X.pos + 1) % n == Y.pos || (Y.pos + 1) % n == X.pos;
}

// Pairs whose common curve is no ridge: a plane and the cone of its own corner meet
// tangentially, and two planes of a mitered corner meet in a valley (kept only for wide
// corners, where the skeleton follows the straight skeleton).
bool SkeletonBuilder::Excluded(int x, int y) const
{
    if (!Adjacent(x, y))
        return false;
    const Facet& X = facets_[static_cast<std::size_t>(x)];
    const Facet& Y = facets_[static_cast<std::size_t>(y)];
    if (X.cone || Y.cone)
        return true;
    const int n = loops_[static_cast<std::size_t>(X.loop)].count;
    const Facet& first = (X.pos + 1) % n == Y.pos ? X : Y;
    return first.mitredNext && !valleys_;
}

std::uint64_t PairKey(int x, int y)
{
    if (x > y)
        std::swap(x, y);
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32) | static_cast<std::uint32_t>(y);
}

// True when just off the curve at q to either side (along n), one facet of the pair is the
// lowest of the node's facets there and the other one on the other side. A facet that only
// touches the others along the edge of its domain (as a plane widened past a mitered
// corner does beyond where the corner's valley ended) makes no ridge with them.
bool SkeletonBuilder::Crease(const std::vector<int>& S, int x, int y, V q, V n) const
{
    const double tolD = 1e-11 * scale_;
    auto within = [&](const Facet& f, V r) {
        return Dot(f.m0, r) - f.e0 >= -tolD && Dot(f.m1, r) - f.e1 >= -tolD;
    };
    auto lowestAt = [&](int id, V r) {
        const Facet& F = facets_[static_cast<std::size_t>(id)];
        if (!within(F, r))
            return false;
        const double h = Height(F, r);
        for (int k : S) {
            const Facet& K = facets_[static_cast<std::size_t>(k)];
            if (k != id && within(K, r) && Height(K, r) < h - tolD)
                return false;
        }
        return true;
    };
    const V a = q + (0.01 * delta_) * n, b = q - (0.01 * delta_) * n;
    return (lowestAt(x, a) && lowestAt(y, b)) || (lowestAt(y, a) && lowestAt(x, b));
}

bool SkeletonBuilder::Duplicate(int x, int y, V p, V dir) const
{
    const auto it = byPair_.find(PairKey(x, y));
    if (it == byPair_.end())
        return false;
    const double tol = 1e-6 * scale_;
    for (int id : it->second) {
        const Edge& e = edges_[static_cast<std::size_t>(id)];
        const V s{e.pts.front()[0], e.pts.front()[1]}, t{e.pts.back()[0], e.pts.back()[1]};
        if ((Len(s - p) < tol && Dot(e.startDir, dir) > 0.5) || (Len(t - p) < tol && Dot(e.endDir, dir) > 0.5))
            return true;
    }
    return false;
}

void SkeletonBuilder::Prepare()
{
    scale_ = std::max(1.0, std::hypot(box_[2] - box_[0], box_[3] - box_[1]));
    tiny_ = 1e-12 * scale_;
    tolS_ = 1e-9 * scale_;
    delta_ = 1e-7 * scale_;
    index_.Build(facets_, plain_);
    window_ = plain_ ? scale_ : std::max(2 * index_.Cell(), 1e-3 * scale_);
}

SkeletonBuilder::Event SkeletonBuilder::FirstEvent(int x, int y, const Curve& cv, double sLo, double sHi, double zMax)
{
    Event best;
    best.s = sHi;
    const double eps = 1e-9 * std::max(1.0, sHi);
    // Offers the roots of g in (sLo, best] where actual(s) turns negative.
    auto offer = [&](const Quad& g, auto&& actual, auto&& accept) {
        double r[2];
        const int n = Roots(g, r);
        for (int i = 0; i < n; ++i) {
            const double s = r[i];
            if (!(s > sLo) || s > best.s)
                continue;
            if (!(actual(s + eps) < actual(s - eps)) || !(actual(s + eps) < 0.0))
                continue;
            if (!accept(s))
                continue;
            best.s = s;
            best.found = true;
        }
    };
    auto always = [](double) { return true; };
    for (int id : {x, y}) {
        const Facet& f = facets_[static_cast<std::size_t>(id)];
        const Quad g0 = cv.Lin(f.m0, f.e0), g1 = cv.Lin(f.m1, f.e1);
        offer(g0, [&](double s) { return g0.At(s); }, always);
        offer(g1, [&](double s) { return g1.At(s); }, always);
    }
    if (!cv.sqrtZ)
        offer(cv.z, [&](double s) { return cv.z.At(s); }, always);

    const Facet& X = facets_[static_cast<std::size_t>(x)];
    const Facet& Y = facets_[static_cast<std::size_t>(y)];
    const Facet* apexOf = X.cone ? &X : Y.cone ? &Y : nullptr;
    // The window's XY box.
    const V a = cv.At(sLo), b = cv.At(sHi);
    double bx[4] = {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    for (int axis = 0; axis < 2; ++axis) {
        const double p1 = axis ? cv.P1.y : cv.P1.x, p2 = axis ? cv.P2.y : cv.P2.x;
        if (p2 != 0) {
            const double s = -p1 / (2 * p2);
            if (s > sLo && s < sHi) {
                const V m = cv.At(s);
                const double v = axis ? m.y : m.x;
                bx[axis] = std::min(bx[axis], v);
                bx[axis + 2] = std::max(bx[axis + 2], v);
            }
        }
    }
    const double grow = zMax + 1e-6 * scale_;
    const double ahead = delta_ / std::max(Len(cv.Tangent(sLo)), 1e-12);
    index_.Query(bx[0], bx[1], bx[2], bx[3], grow, [&](int id) {
        if (id == x || id == y)
            return;
        const Facet& C = facets_[static_cast<std::size_t>(id)];
        auto diff = [&](double s) {
            const V p = cv.At(s);
            return Height(C, p) - cv.Z(s);
        };
        // C must hold the crossing and still be there just after it: a facet whose domain
        // ends where the curve starts is no meeting.
        auto onC = [&](double s) {
            const V p = cv.At(s);
            const V after = cv.At(s + ahead);
            return InDomain(C, p, 1e-9 * scale_) && InDomain(C, after, tiny_) &&
                   std::fabs(Height(C, p) - cv.Z(s)) <= 1e-7 * scale_ && cv.Z(s) >= -tolS_;
        };
        // A plane on the same line as one of the pair has its height all along: the ridge
        // ends where the curve enters its domain (two reflex corners' valleys meeting there).
        if (!C.cone && ((!X.cone && SamePlane(C, X)) || (!Y.cone && SamePlane(C, Y)))) {
            auto inside = [&](double s) {
                const V p = cv.At(s);
                return InDomain(C, p, 1e-9 * scale_) && InDomain(C, cv.At(s + ahead), tiny_);
            };
            for (const auto& [m, e] : {std::pair{C.m0, C.e0}, std::pair{C.m1, C.e1}}) {
                const Quad in = cv.Lin(m, e);
                const Quad out{-in.c0, -in.c1, -in.c2};
                offer(out, [&](double s) { return out.At(s); }, inside);
            }
            return;
        }
        Quad g;
        if (C.cone) {
            if (apexOf) {
                // Radical line of the two apexes: |p - qC|^2 - |p - qX|^2 is linear in p.
                const V qx = apexOf->a;
                g = cv.Lin(2.0 * (qx - C.a), Dot(qx, qx) - Dot(C.a, C.a));
            } else {
                const V d0 = cv.P0 - C.a;
                g = {Dot(d0, d0) - cv.z.c0 * cv.z.c0, 2 * Dot(cv.P1, d0) - 2 * cv.z.c0 * cv.z.c1,
                     Dot(cv.P1, cv.P1) - cv.z.c1 * cv.z.c1};
            }
        } else if (!cv.sqrtZ) {
            const Quad l = cv.Lin(C.n, C.c);
            g = {l.c0 - cv.z.c0, l.c1 - cv.z.c1, l.c2 - cv.z.c2};
        } else {
            const Quad l = cv.Lin(C.n, C.c);
            const V d0 = cv.P0 - cv.q;
            g = {l.c0 * l.c0 - Dot(d0, d0), 2 * l.c0 * l.c1 - 2 * Dot(cv.P1, d0), l.c1 * l.c1 - Dot(cv.P1, cv.P1)};
        }
        offer(g, diff, onC);
    });
    return best;
}

void SkeletonBuilder::SamplePoints(const Curve& cv, double sEnd, Edge& e) const
{
    constexpr double kSag = 0.0005;
    int steps = 1;
    if (cv.P2.x != 0 || cv.P2.y != 0) {
        const double k = 1 / (2 * cv.z.c2);  // the parabola's focal distance
        steps = static_cast<int>(std::ceil(sEnd / std::sqrt(8 * k * kSag)));
    } else if (cv.sqrtZ) {
        const double zMin = std::max(std::fabs(Cross(Unit(cv.P1), cv.P0 - cv.q)), 1e-9);
        steps = static_cast<int>(std::ceil(sEnd / std::sqrt(8 * zMin * kSag)));
    }
    steps = std::clamp(steps, 1, 1000);
    e.pts.reserve(static_cast<std::size_t>(steps) + 1);
    for (int i = 0; i <= steps; ++i) {
        const double s = sEnd * i / steps;
        const V p = cv.At(s);
        e.pts.push_back({p.x, p.y, std::max(0.0, cv.Z(s))});
    }
}

bool SkeletonBuilder::TraceEdge(int x, int y, const Curve& cv, Edge& out, V& endP, double& endZ)
{
    const double limit = 2 * scale_;
    double s = 0;
    const int maxWindows = static_cast<int>(4 * scale_ / window_) + 64;
    for (int w = 0; w < maxWindows; ++w) {
        const double speed = std::max(Len(cv.Tangent(s)), 1e-12);
        const double sHi = s + window_ / speed;
        const double zMax = std::max({cv.Z(s), cv.Z(sHi), 0.0});
        const Event ev = FirstEvent(x, y, cv, s == 0 ? tiny_ : s, sHi, zMax);
        if (ev.found) {
            out.A = x;
            out.B = y;
            SamplePoints(cv, ev.s, out);
            out.startDir = Unit(cv.Tangent(0));
            out.endDir = -1.0 * Unit(cv.Tangent(ev.s));
            endP = cv.At(ev.s);
            endZ = std::max(0.0, cv.Z(ev.s));
            return true;
        }
        const V p = cv.At(sHi);
        if (p.x < box_[0] - limit || p.x > box_[2] + limit || p.y < box_[1] - limit || p.y > box_[3] + limit)
            return false;
        s = sHi;
    }
    return false;
}

void SkeletonBuilder::HandleNode(V p, double z)
{
    std::vector<int> S;
    const double r = z + 1e-6 * scale_;
    index_.Query(p.x, p.y, p.x, p.y, r, [&](int id) {
        const Facet& f = facets_[static_cast<std::size_t>(id)];
        if (InDomain(f, p, 1e-9 * scale_) && std::fabs(Height(f, p) - z) <= tolS_ + 1e-9 * z)
            S.push_back(id);
    });
    std::sort(S.begin(), S.end());
    const double tolD = 1e-11 * scale_;
    for (std::size_t i = 0; i < S.size(); ++i)
        for (std::size_t j = i + 1; j < S.size(); ++j) {
            const int x = S[i], y = S[j];
            if (Excluded(x, y))
                continue;
            for (int dir : {1, -1}) {
                const auto cv = MakeCurve(facets_[static_cast<std::size_t>(x)], facets_[static_cast<std::size_t>(y)], p,
                                          dir, tiny_);
                if (!cv)
                    continue;
                const double sT = delta_ / std::max(Len(cv->P1), 1e-12);
                const V q = cv->At(sT);
                const Facet& X = facets_[static_cast<std::size_t>(x)];
                const Facet& Y = facets_[static_cast<std::size_t>(y)];
                if (cv->Z(sT) < -tolD || !InDomain(X, q, tolD) || !InDomain(Y, q, tolD))
                    continue;
                const double fx = std::max(Height(X, q), Height(Y, q));
                bool lowest = true;
                for (int k : S) {
                    if (k == x || k == y)
                        continue;
                    const Facet& K = facets_[static_cast<std::size_t>(k)];
                    if (!InDomain(K, q, tolD))
                        continue;
                    // Of planes over one line that are both there, the first one stands
                    // for them (they are one facet of the roof).
                    const bool likeX = !K.cone && !X.cone && SamePlane(K, X);
                    const bool likeY = !K.cone && !Y.cone && SamePlane(K, Y);
                    if (likeX || likeY) {
                        if (k < (likeX ? x : y))
                            lowest = false;
                        continue;
                    }
                    if (Height(K, q) <= fx + tolD)
                        lowest = false;
                }
                const V t = Unit(cv->P1);
                if (!lowest || !Crease(S, x, y, q, Perp(t)) || Duplicate(x, y, p, t))
                    continue;
                Edge e;
                V endP;
                double endZ = 0;
                if (!TraceEdge(x, y, *cv, e, endP, endZ))
                    continue;
                byPair_[PairKey(x, y)].push_back(static_cast<int>(edges_.size()));
                edges_.push_back(std::move(e));
                pending_.push_back({endP, endZ});
            }
        }
}

void SkeletonBuilder::Trace()
{
    Prepare();
    // Seeds at every corner; the node rules keep the ridges rising into the region.
    for (const Facet& f : facets_)
        if (!f.cone)
            pending_.push_back({f.b, 0.0});
    const std::size_t maxEdges = 16 * facets_.size() + 256;
    while (!pending_.empty() && edges_.size() < maxEdges) {
        const auto [p, z] = pending_.back();
        pending_.pop_back();
        HandleNode(p, z);
    }
}

bool SkeletonBuilder::IsMain(const Edge& e) const
{
    const Facet& X = facets_[static_cast<std::size_t>(e.A)];
    const Facet& Y = facets_[static_cast<std::size_t>(e.B)];
    if (X.loop != Y.loop)
        return true;
    const double z0 = e.pts.front()[2], z1 = e.pts.back()[2];
    if (z0 <= tolS_ || z1 <= tolS_)
        return false;
    if (std::fabs(z0 - z1) <= tolS_)
        return true;
    if (Adjacent(e.A, e.B))
        return false;
    // Facets that only a small turn of the boundary separates bound a corner's branch.
    // Turns count by size, so that a ridge around a reflex corner stays main.
    const LoopFacets& L = loops_[static_cast<std::size_t>(X.loop)];
    const double total = L.turnPrefix.back();
    double forward = L.turnPrefix[static_cast<std::size_t>(Y.pos)] - L.turnPrefix[static_cast<std::size_t>(X.pos)];
    if (Y.pos < X.pos)
        forward += total;
    const double backward = total - forward;
    return std::min(forward, backward) >= kMainTurn;
}

struct Polyline {
    std::vector<std::array<double, 3>> pts;
    int ends[2] = {-1, -1};
    bool main = true;
    double cap = -1;
    int top = 0;  // index of the highest point
    bool flaggedMain = false;
};

CCLineCurve* SkeletonBuilder::Chain(float* maxRadius)
{
    // Ridge ends become graph nodes (ends closer than the snap distance are one node).
    const double snap = 1e-6 * scale_;
    std::unordered_map<std::uint64_t, std::vector<int>> cells;
    std::vector<std::array<double, 3>> nodes;
    auto nodeOf = [&](const std::array<double, 3>& p) {
        const auto ci = static_cast<std::int64_t>(std::floor(p[0] / (4 * snap)));
        const auto cj = static_cast<std::int64_t>(std::floor(p[1] / (4 * snap)));
        for (std::int64_t dj = -1; dj <= 1; ++dj)
            for (std::int64_t di = -1; di <= 1; ++di) {
                const auto key = static_cast<std::uint64_t>((ci + di) * 73856093) ^ static_cast<std::uint64_t>((cj + dj) * 19349663);
                const auto it = cells.find(key);
                if (it == cells.end())
                    continue;
                for (int id : it->second) {
                    const auto& q = nodes[static_cast<std::size_t>(id)];
                    if (std::fabs(q[0] - p[0]) + std::fabs(q[1] - p[1]) <= snap)
                        return id;
                }
            }
        const int id = static_cast<int>(nodes.size());
        nodes.push_back(p);
        cells[static_cast<std::uint64_t>(ci * 73856093) ^ static_cast<std::uint64_t>(cj * 19349663)].push_back(id);
        return id;
    };
    double highest = 0;
    std::vector<int> ends[2];
    std::vector<bool> isMain;
    // Ridges shorter than the snap distance join their ends into one node.
    std::vector<Edge> kept;
    for (Edge& e : edges_) {
        const auto& a = e.pts.front();
        const auto& b = e.pts.back();
        if (e.pts.size() > 2 || std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]) > snap)
            kept.push_back(std::move(e));
    }
    edges_ = std::move(kept);
    for (const Edge& e : edges_) {
        ends[0].push_back(nodeOf(e.pts.front()));
        ends[1].push_back(nodeOf(e.pts.back()));
        isMain.push_back(IsMain(e));
        for (const auto& p : e.pts)
            highest = std::max(highest, p[2]);
    }
    if (maxRadius)
        *maxRadius = static_cast<float>(highest);

    // Polylines of each class through the nodes where exactly two edges of it meet.
    std::vector<Polyline> lines;
    std::vector<bool> onMain(nodes.size(), false);
    for (std::size_t i = 0; i < edges_.size(); ++i)
        if (isMain[i]) {
            onMain[static_cast<std::size_t>(ends[0][i])] = true;
            onMain[static_cast<std::size_t>(ends[1][i])] = true;
        }
    std::vector<int> degree(nodes.size(), 0);
    for (std::size_t i = 0; i < edges_.size(); ++i) {
        ++degree[static_cast<std::size_t>(ends[0][i])];
        ++degree[static_cast<std::size_t>(ends[1][i])];
    }
    for (int cls = 1; cls >= 0; --cls) {
        std::vector<std::vector<int>> incident(nodes.size());
        for (std::size_t i = 0; i < edges_.size(); ++i)
            if (isMain[i] == (cls == 1)) {
                incident[static_cast<std::size_t>(ends[0][i])].push_back(static_cast<int>(i));
                incident[static_cast<std::size_t>(ends[1][i])].push_back(static_cast<int>(i));
            }
        std::vector<bool> used(edges_.size(), false);
        auto walk = [&](int startNode, int edge) {
            Polyline pl;
            pl.main = cls == 1;
            pl.ends[0] = startNode;
            int node = startNode;
            while (edge >= 0 && !used[static_cast<std::size_t>(edge)]) {
                used[static_cast<std::size_t>(edge)] = true;
                const Edge& e = edges_[static_cast<std::size_t>(edge)];
                const bool forward = ends[0][static_cast<std::size_t>(edge)] == node;
                std::vector<std::array<double, 3>> pts = e.pts;
                if (!forward)
                    std::reverse(pts.begin(), pts.end());
                pl.pts.insert(pl.pts.end(), pl.pts.empty() ? pts.begin() : pts.begin() + 1, pts.end());
                node = forward ? ends[1][static_cast<std::size_t>(edge)] : ends[0][static_cast<std::size_t>(edge)];
                const auto& inc = incident[static_cast<std::size_t>(node)];
                edge = -1;
                if (degree[static_cast<std::size_t>(node)] == 2 && inc.size() == 2)
                    edge = used[static_cast<std::size_t>(inc[0])] ? inc[1] : inc[0];
            }
            pl.ends[1] = node;
            lines.push_back(std::move(pl));
        };
        for (std::size_t n = 0; n < nodes.size(); ++n)
            if (degree[n] != 2)
                for (int edge : incident[n])
                    if (!used[static_cast<std::size_t>(edge)])
                        walk(static_cast<int>(n), edge);
        for (std::size_t i = 0; i < edges_.size(); ++i)
            if (!used[i] && isMain[i] == (cls == 1))
                walk(ends[0][i], static_cast<int>(i));
    }

    // Caps: a branch meeting the main skeleton takes the height where it meets it.
    std::vector<std::vector<int>> branchesAt(nodes.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Polyline& pl = lines[i];
        if (pl.main)
            continue;
        if (pl.pts.front()[2] < pl.pts.back()[2]) {
            std::reverse(pl.pts.begin(), pl.pts.end());
            std::swap(pl.ends[0], pl.ends[1]);
        }
        for (int k = 0; k < 2; ++k)
            if (onMain[static_cast<std::size_t>(pl.ends[k])])
                pl.cap = std::max(pl.cap, nodes[static_cast<std::size_t>(pl.ends[k])][2]);
        for (std::size_t k = 1; k < pl.pts.size(); ++k)
            if (pl.pts[k][2] > pl.pts[static_cast<std::size_t>(pl.top)][2])
                pl.top = static_cast<int>(k);
        if (pl.cap > 0 && pl.pts[static_cast<std::size_t>(pl.top)][2] > pl.cap + kCapAbove)
            pl.flaggedMain = true;
        branchesAt[static_cast<std::size_t>(pl.ends[0])].push_back(static_cast<int>(i));
        branchesAt[static_cast<std::size_t>(pl.ends[1])].push_back(static_cast<int>(i));
    }
    auto topNode = [&](const Polyline& pl) {
        const auto& t = pl.pts[static_cast<std::size_t>(pl.top)];
        for (int k = 0; k < 2; ++k) {
            const auto& e = nodes[static_cast<std::size_t>(pl.ends[k])];
            if (std::fabs(e[0] - t[0]) + std::fabs(e[1] - t[1]) + std::fabs(e[2] - t[2]) <= kCapMeet)
                return pl.ends[k];
        }
        return -1;
    };
    std::vector<int> capped;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Polyline& pl = lines[i];
        if (pl.main || pl.cap > 0)
            continue;
        const int t = topNode(pl);
        if (t < 0)
            continue;
        for (int o : branchesAt[static_cast<std::size_t>(t)]) {
            const Polyline& other = lines[static_cast<std::size_t>(o)];
            if (o == static_cast<int>(i) || other.cap < 0)
                continue;
            pl.cap = other.flaggedMain ? pl.pts[static_cast<std::size_t>(pl.top)][2] : other.cap;
            break;
        }
        if (pl.cap <= 0 && onMain[static_cast<std::size_t>(t)])
            pl.cap = pl.pts[static_cast<std::size_t>(pl.top)][2];
        if (pl.cap > 0)
            capped.push_back(static_cast<int>(i));
    }
    while (!capped.empty()) {
        std::vector<int> next;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            Polyline& pl = lines[i];
            if (pl.main || pl.cap > 0)
                continue;
            const int t = topNode(pl);
            if (t < 0)
                continue;
            for (int c : capped) {
                const Polyline& other = lines[static_cast<std::size_t>(c)];
                if (other.ends[0] == t || other.ends[1] == t) {
                    pl.cap = other.cap;
                    next.push_back(static_cast<int>(i));
                    break;
                }
            }
        }
        capped = std::move(next);
    }

    CCLineCurve *head = nullptr, *tail = nullptr;
    for (const Polyline& pl : lines) {
        auto* c = new CCLineCurve;
        c->main = pl.main || pl.flaggedMain ? 1 : 0;
        c->cap = pl.main ? -1 : pl.cap;
        const auto& t = pl.pts[static_cast<std::size_t>(pl.top)];
        c->top[0] = t[0];
        c->top[1] = t[1];
        c->top[2] = t[2];
        for (const auto& p : pl.pts)
            c->AddPoint(p[0], p[1], p[2]);
        c->Simplify(kSimplifyTol);
        (tail ? tail->next : head) = c;
        tail = c;
    }
    return head;
}

// The contour's corners: lines by their start points, arcs by their chords.
std::vector<V> ContourRing(CSmartCurve* contour)
{
    std::vector<V> ring;
    double pts[kArcPoints][2];
    for (CSmartSect* s = contour->head; s; s = s->next) {
        if (s->IsSectArc()) {
            const int n = DiscretizeArcSect(pts, kArcPoints, kArcChordTol, static_cast<CSmartArc*>(s));
            for (int i = 0; i < n; ++i)
                ring.push_back({pts[i][0], pts[i][1]});
        } else {
            double p[2];
            s->GetPoint(0, p);
            ring.push_back({p[0], p[1]});
        }
    }
    // Repeated corners would give facets without direction.
    std::vector<V> out;
    for (const V& p : ring)
        if (out.empty() || Len(p - out.back()) > 1e-9)
            out.push_back(p);
    while (out.size() > 1 && Len(out.front() - out.back()) <= 1e-9)
        out.pop_back();
    return out;
}

bool IsFullCircle(CSmartLoop* loop)
{
    CSmartCurve* c = loop->contour;
    if (loop->islands || !c || c->count != 1 || !c->head || !c->head->IsSectArc())
        return false;
    const auto* arc = static_cast<const CSmartArc*>(c->head);
    return std::fabs(arc->endAngle - arc->startAngle) >= 2 * M_PI - 1e-9;
}

CCLineCurve* Build(CSmartLoop* loop, int wideCorners, float* maxRadius, bool plain)
{
    if (maxRadius)
        *maxRadius = 0;
    if (!loop || !loop->contour)
        return nullptr;
    if (IsFullCircle(loop)) {
        const auto* arc = static_cast<const CSmartArc*>(loop->contour->head);
        auto* c = new CCLineCurve;
        const double r = std::fabs(arc->radius);
        c->AddPoint(arc->centre[0], arc->centre[1], r);
        c->top[0] = arc->centre[0];
        c->top[1] = arc->centre[1];
        c->top[2] = r;
        if (maxRadius)
            *maxRadius = static_cast<float>(r);
        return c;
    }
    SkeletonBuilder builder(wideCorners ? kCornerLimitWide : kCornerLimitNarrow, wideCorners != 0, plain);
    std::vector<CSmartLoop*> order;
    for (CSmartLoop* isl = loop->islands; isl; isl = isl->next)
        order.push_back(isl);
    order.push_back(loop);
    for (CSmartLoop* L : order) {
        if (!L->contour || !L->contour->head)
            continue;
        L->contour->RefineCurve();
        const double area = L->Area();
        if (L->contour->count <= 2 && std::fabs(area) < kMinContourArea)
            continue;
        builder.AddLoop(ContourRing(L->contour), L == loop);
    }
    if (builder.Empty())
        return nullptr;
    builder.Trace();
    return builder.Chain(maxRadius);
}

}  // namespace

CCLineCurve* BuildLoopSkeleton(CSmartLoop* loop, int wideCorners, float* maxRadius)
{
    return Build(loop, wideCorners, maxRadius, false);
}

namespace skeleton_detail {
CCLineCurve* BuildLoopSkeletonPlain(CSmartLoop* loop, int wideCorners, float* maxRadius)
{
    return Build(loop, wideCorners, maxRadius, true);
}
}  // namespace skeleton_detail
