#include "toolpath/surfkernel/ChordThinning.h"

#include <cmath>

namespace {

struct Vec {
    double c[3] = {0, 0, 0};
};

double Dot(const Vec& a, const Vec& b, int dim)
{
    double s = 0.0;
    for (int k = 0; k < dim; ++k) s += a.c[k] * b.c[k];
    return s;
}

// Angle between two unit vectors, accurate for small angles.
double AngleBetween(const Vec& a, const Vec& b, int dim)
{
    double cross2 = 0.0;
    if (dim == 2) {
        const double z = a.c[0] * b.c[1] - a.c[1] * b.c[0];
        cross2 = z * z;
    } else {
        const double x = a.c[1] * b.c[2] - a.c[2] * b.c[1];
        const double y = a.c[2] * b.c[0] - a.c[0] * b.c[2];
        const double z = a.c[0] * b.c[1] - a.c[1] * b.c[0];
        cross2 = x * x + y * y + z * z;
    }
    return std::atan2(std::sqrt(cross2), Dot(a, b, dim));
}

// The directions from the chord's start that keep every replaced point within tol:
// a cone of unit axis `axis` and half-angle `radius`, or every direction while no
// replaced point lies farther than tol from the start.
class ChordCone {
public:
    ChordCone(const double* start, int dim, double tol) : start_(start), dim_(dim), tol_(tol) {}

    // The unit direction to p and its distance from the start.
    double Direction(const double* p, Vec& dir) const
    {
        double len2 = 0.0;
        for (int k = 0; k < dim_; ++k) {
            dir.c[k] = p[k] - start_[k];
            len2 += dir.c[k] * dir.c[k];
        }
        const double len = std::sqrt(len2);
        if (len > 0.0)
            for (int k = 0; k < dim_; ++k) dir.c[k] /= len;
        return len;
    }

    // 1 when the chord from the start to p keeps every replaced point within tol.
    bool Admits(const double* p) const
    {
        Vec dir;
        const double len = Direction(p, dir);
        if (!(len >= farthest_)) return false;
        return !constrained_ || AngleBetween(axis_, dir, dim_) <= radius_;
    }

    // p joins the replaced points; false when no chord could keep them all (never
    // after Admits(p) gave true).
    bool Add(const double* p)
    {
        Vec dir;
        const double len = Direction(p, dir);
        if (len > farthest_) farthest_ = len;
        if (len <= tol_) return true;
        const double half = std::asin(tol_ / len);
        if (!constrained_) {
            constrained_ = true, axis_ = dir, radius_ = half;
            return true;
        }
        const double gap = AngleBetween(axis_, dir, dim_);
        if (gap + half <= radius_) {
            axis_ = dir, radius_ = half;
            return true;
        }
        if (gap + radius_ <= half) return true;
        if (gap > radius_ + half) return false;
        // The widest cone inside both: its axis on the arc between the two axes.
        const double lo = gap - half;
        const double newRadius = 0.5 * (radius_ - lo);
        const double turn = 0.5 * (lo + radius_);
        Vec side;
        const double along = Dot(dir, axis_, dim_);
        double side2 = 0.0;
        for (int k = 0; k < dim_; ++k) {
            side.c[k] = dir.c[k] - along * axis_.c[k];
            side2 += side.c[k] * side.c[k];
        }
        const double sideLen = std::sqrt(side2);
        if (sideLen > 0.0) {
            const double cs = std::cos(turn), sn = std::sin(turn);
            for (int k = 0; k < dim_; ++k) axis_.c[k] = cs * axis_.c[k] + sn * side.c[k] / sideLen;
        }
        radius_ = newRadius;
        return true;
    }

private:
    const double* start_;
    int dim_;
    double tol_;
    bool constrained_ = false;
    Vec axis_;
    double radius_ = 0.0;
    double farthest_ = 0.0;
};

double Distance(const double* a, const double* b, int dim)
{
    double s = 0.0;
    for (int k = 0; k < dim; ++k) s += (a[k] - b[k]) * (a[k] - b[k]);
    return std::sqrt(s);
}

}  // namespace

std::vector<int> ThinChords(const double* pts, int n, int dim, const ChordThinRule& rule)
{
    std::vector<int> kept;
    if (pts == nullptr || n < 1 || (dim != 2 && dim != 3) || !(rule.tol > 0.0)) return kept;
    const auto at = [&](int i) { return pts + static_cast<long>(i) * dim; };
    kept.push_back(0);
    ChordCone cone(at(0), dim, rule.tol);  // cone of the chord ending at the last kept point
    bool coneValid = false;
    for (int i = 1; i < n; ++i) {
        const double* p = at(i);
        if (rule.nearTol > 0.0 && Distance(p, at(kept.back()), dim) < rule.nearTol) {
            // Dropped, but it must stay within tol of whatever chord replaces the last kept point.
            if (coneValid && !cone.Add(p)) coneValid = false;
            continue;
        }
        if (kept.size() >= 2 && coneValid && cone.Admits(p)) {
            cone.Add(p);
            kept.back() = i;
            continue;
        }
        // A new chord starts at the last kept point.
        const int anchor = kept.back();
        kept.push_back(i);
        cone = ChordCone(at(anchor), dim, rule.tol);
        coneValid = cone.Add(p);
        // Near duplicates of the anchor dropped before it was kept lie within
        // nearTol <= tol of it, so they never constrain the new chord.
    }
    return kept;
}
