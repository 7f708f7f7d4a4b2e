// Axis-aligned boxes: minimum corner first, then maximum corner.
#pragma once

#include <cstdint>
#include <limits>
#include <type_traits>

namespace box_detail {

// The empty box sits at the largest finite value and its negation (not the type's lowest
// value), so an empty short box is {32767, 32767, -32767, -32767}.
template <typename T>
constexpr T EmptyMin() { return std::numeric_limits<T>::max(); }
template <typename T>
constexpr T EmptyMax() { return static_cast<T>(-std::numeric_limits<T>::max()); }

template <typename T>
constexpr T Smaller(T a, T b) { return b < a ? b : a; }
template <typename T>
constexpr T Larger(T a, T b) { return a < b ? b : a; }

// Midpoint of two values; integers divide truncating towards zero, computed wide enough
// not to overflow.
template <typename T>
constexpr T Mid(T a, T b)
{
    if constexpr (std::is_integral_v<T>)
        return static_cast<T>((static_cast<int64_t>(a) + static_cast<int64_t>(b)) / 2);
    else
        return a * T(0.5) + b * T(0.5);  // same rounding as (a + b) / 2, without overflow
}

template <typename T>
constexpr T AbsDiff(T hi, T lo)
{
    T d = static_cast<T>(hi - lo);
    return d < T(0) ? static_cast<T>(-d) : d;
}

// Tolerant one-axis overlap in double: apart when b.max + tol < a.min or b.min - tol > a.max.
inline bool Overlap(double amin, double amax, double bmin, double bmax, double tol)
{
    return !(bmax + tol < amin || bmin - tol > amax);
}

}  // namespace box_detail

template <typename T>
class BOX2 {
    static_assert(std::is_same_v<T, double> || std::is_same_v<T, float> ||
                      std::is_same_v<T, int> || std::is_same_v<T, short>,
                  "BOX2 exists for double, float, int and short");

public:
    T xmin, ymin, xmax, ymax;

    BOX2() = default;  // values unset; call InitEmpty or Init before use
    BOX2(T x0, T y0, T x1, T y1) : xmin(x0), ymin(y0), xmax(x1), ymax(y1) {}

    void InitEmpty()
    {
        xmin = ymin = box_detail::EmptyMin<T>();
        xmax = ymax = box_detail::EmptyMax<T>();
    }
    bool IsValid() const { return xmax >= xmin && ymax >= ymin; }

    void Init(const T* p, const T* q)
    {
        xmin = box_detail::Smaller(p[0], q[0]);
        xmax = box_detail::Larger(p[0], q[0]);
        ymin = box_detail::Smaller(p[1], q[1]);
        ymax = box_detail::Larger(p[1], q[1]);
    }
    // Both tests are made so that the first point extends an empty box on both sides.
    void Extend(const T* p)
    {
        if (p[0] > xmax) xmax = p[0];
        if (p[0] < xmin) xmin = p[0];
        if (p[1] > ymax) ymax = p[1];
        if (p[1] < ymin) ymin = p[1];
    }
    void Union(const BOX2& b)
    {
        xmin = box_detail::Smaller(xmin, b.xmin);
        ymin = box_detail::Smaller(ymin, b.ymin);
        xmax = box_detail::Larger(xmax, b.xmax);
        ymax = box_detail::Larger(ymax, b.ymax);
    }
    void Union(const BOX2& a, const BOX2& b)
    {
        BOX2 r = a;
        r.Union(b);
        *this = r;
    }
    void Inflate(T d)
    {
        xmin = static_cast<T>(xmin - d);
        ymin = static_cast<T>(ymin - d);
        xmax = static_cast<T>(xmax + d);
        ymax = static_cast<T>(ymax + d);
    }
    void Move(T dx, T dy)
    {
        xmin = static_cast<T>(xmin + dx);
        xmax = static_cast<T>(xmax + dx);
        ymin = static_cast<T>(ymin + dy);
        ymax = static_cast<T>(ymax + dy);
    }
    void GetCenter(T* out) const
    {
        out[0] = box_detail::Mid(xmin, xmax);
        out[1] = box_detail::Mid(ymin, ymax);
    }
    T Dx() const { return box_detail::AbsDiff(xmax, xmin); }
    T Dy() const { return box_detail::AbsDiff(ymax, ymin); }

    // Tolerant tests compare in double for every instantiation.
    bool IsIntersect(const BOX2& b, double tol) const
    {
        return box_detail::Overlap(xmin, xmax, b.xmin, b.xmax, tol) &&
               box_detail::Overlap(ymin, ymax, b.ymin, b.ymax, tol);
    }
    // Touching boxes intersect.
    bool IsIntersect(const BOX2& b) const
    {
        return !(b.xmax < xmin || b.xmin > xmax || b.ymax < ymin || b.ymin > ymax);
    }
    // Strict: a point on the border is inside only with a positive tolerance.
    bool IsP2DIn(const double* p, double tol) const
    {
        return double(xmin) - tol < p[0] && p[0] < double(xmax) + tol &&
               double(ymin) - tol < p[1] && p[1] < double(ymax) + tol;
    }
    // Strict, computed in T.
    bool IsPtIn(T x, T y, T tol) const
    {
        return static_cast<T>(xmin - tol) < x && x < static_cast<T>(xmax + tol) &&
               static_cast<T>(ymin - tol) < y && y < static_cast<T>(ymax + tol);
    }
    // Strict, computed in T: a box does not contain itself with tolerance 0.
    bool IsContain(const BOX2& b, T tol) const
    {
        return static_cast<T>(b.xmin + tol) > xmin && static_cast<T>(b.xmax - tol) < xmax &&
               static_cast<T>(b.ymin + tol) > ymin && static_cast<T>(b.ymax - tol) < ymax;
    }
    // Non-strict: a box contains itself.
    bool IsContain(const BOX2& b) const
    {
        return xmin <= b.xmin && xmax >= b.xmax && ymin <= b.ymin && ymax >= b.ymax;
    }
};

template <typename T>
class BOX3 {
    static_assert(std::is_same_v<T, double> || std::is_same_v<T, float>,
                  "BOX3 exists for double and float");

public:
    T xmin, ymin, zmin, xmax, ymax, zmax;

    BOX3() = default;  // values unset; call InitEmpty or Init before use

    void InitEmpty()
    {
        xmin = ymin = zmin = box_detail::EmptyMin<T>();
        xmax = ymax = zmax = box_detail::EmptyMax<T>();
    }
    bool IsValid() const { return xmax >= xmin && ymax >= ymin && zmax >= zmin; }

    void Init(const T* p, const T* q)
    {
        xmin = box_detail::Smaller(p[0], q[0]);
        xmax = box_detail::Larger(p[0], q[0]);
        ymin = box_detail::Smaller(p[1], q[1]);
        ymax = box_detail::Larger(p[1], q[1]);
        zmin = box_detail::Smaller(p[2], q[2]);
        zmax = box_detail::Larger(p[2], q[2]);
    }
    void Extend(const T* p)
    {
        if (p[0] > xmax) xmax = p[0];
        if (p[0] < xmin) xmin = p[0];
        if (p[1] > ymax) ymax = p[1];
        if (p[1] < ymin) ymin = p[1];
        if (p[2] > zmax) zmax = p[2];
        if (p[2] < zmin) zmin = p[2];
    }
    void Union(const BOX3& b)
    {
        xmin = box_detail::Smaller(xmin, b.xmin);
        ymin = box_detail::Smaller(ymin, b.ymin);
        zmin = box_detail::Smaller(zmin, b.zmin);
        xmax = box_detail::Larger(xmax, b.xmax);
        ymax = box_detail::Larger(ymax, b.ymax);
        zmax = box_detail::Larger(zmax, b.zmax);
    }
    void Union(const BOX3& a, const BOX3& b)
    {
        BOX3 r = a;
        r.Union(b);
        *this = r;
    }
    void Inflate(T d)
    {
        xmin -= d;
        ymin -= d;
        zmin -= d;
        xmax += d;
        ymax += d;
        zmax += d;
    }
    void Move(T dx, T dy, T dz)
    {
        xmin += dx;
        xmax += dx;
        ymin += dy;
        ymax += dy;
        zmin += dz;
        zmax += dz;
    }
    void GetCenter(T* out) const
    {
        out[0] = box_detail::Mid(xmin, xmax);
        out[1] = box_detail::Mid(ymin, ymax);
        out[2] = box_detail::Mid(zmin, zmax);
    }
    T Dx() const { return box_detail::AbsDiff(xmax, xmin); }
    T Dy() const { return box_detail::AbsDiff(ymax, ymin); }
    T Dz() const { return box_detail::AbsDiff(zmax, zmin); }

    bool IsIntersect(const BOX3& b, double tol) const
    {
        return box_detail::Overlap(xmin, xmax, b.xmin, b.xmax, tol) &&
               box_detail::Overlap(ymin, ymax, b.ymin, b.ymax, tol) &&
               box_detail::Overlap(zmin, zmax, b.zmin, b.zmax, tol);
    }
    bool IsIntXY(const BOX3& b, float tol) const
    {
        return box_detail::Overlap(xmin, xmax, b.xmin, b.xmax, tol) &&
               box_detail::Overlap(ymin, ymax, b.ymin, b.ymax, tol);
    }
    bool IsIntXZ(const BOX3& b, double tol) const
    {
        return box_detail::Overlap(xmin, xmax, b.xmin, b.xmax, tol) &&
               box_detail::Overlap(zmin, zmax, b.zmin, b.zmax, tol);
    }
    int IsIntYZ(const BOX3& b, double tol) const
    {
        return box_detail::Overlap(ymin, ymax, b.ymin, b.ymax, tol) &&
                       box_detail::Overlap(zmin, zmax, b.zmin, b.zmax, tol)
                   ? 1
                   : 0;
    }
    bool IsP3DIn(const double* p, double tol) const
    {
        return double(xmin) - tol < p[0] && p[0] < double(xmax) + tol &&
               double(ymin) - tol < p[1] && p[1] < double(ymax) + tol &&
               double(zmin) - tol < p[2] && p[2] < double(zmax) + tol;
    }
    bool IsP2DIn(const double* p, double tol) const
    {
        return double(xmin) - tol < p[0] && p[0] < double(xmax) + tol &&
               double(ymin) - tol < p[1] && p[1] < double(ymax) + tol;
    }
};

static_assert(sizeof(BOX2<double>) == 4 * sizeof(double));
static_assert(sizeof(BOX2<short>) == 4 * sizeof(short));
static_assert(sizeof(BOX3<float>) == 6 * sizeof(float));
static_assert(std::is_trivially_copyable_v<BOX2<double>> && std::is_standard_layout_v<BOX2<double>>);
