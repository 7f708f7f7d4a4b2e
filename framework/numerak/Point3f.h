// Float 3D point and vector (mesh vertices, normals, primitive records).
#pragma once

#include <cmath>

struct tagPoint3f {
    float x, y, z;
};

struct tagVector3f {
    float dx, dy, dz;
};

class CVector3f;

class CPoint3f : public tagPoint3f {
public:
    CPoint3f() : tagPoint3f{0.0f, 0.0f, 0.0f} {}
    CPoint3f(float x_, float y_, float z_) : tagPoint3f{x_, y_, z_} {}
    explicit CPoint3f(const float* p) : tagPoint3f{p[0], p[1], p[2]} {}
    explicit CPoint3f(const double* p) : tagPoint3f{float(p[0]), float(p[1]), float(p[2])} {}
    CPoint3f(const tagPoint3f& p) : tagPoint3f(p) {}

    void Set(float x_, float y_, float z_) { x = x_; y = y_; z = z_; }
    // No bounds check: any index other than 0 and 1 selects z.
    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    inline CPoint3f operator+(const CVector3f& v) const;
    inline CPoint3f operator-(const CVector3f& v) const;
    inline CPoint3f& operator+=(const CVector3f& v);
    inline CPoint3f& operator-=(const CVector3f& v);
    inline CVector3f operator-(const CPoint3f& p) const;
    // Weighted sums of points (averages, interpolation).
    CPoint3f operator*(float s) const { return CPoint3f(x * s, y * s, z * s); }
    CPoint3f operator/(float s) const { return CPoint3f(x / s, y / s, z / s); }

    bool operator==(const CPoint3f& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const CPoint3f& o) const { return !(*this == o); }

    // Distance and squared distance to p, in single precision.
    float DistFrom2(const CPoint3f& p) const
    {
        const float dx = x - p.x, dy = y - p.y, dz = z - p.z;
        return dx * dx + dy * dy + dz * dz;
    }
    float DistFrom(const CPoint3f& p) const { return std::sqrt(DistFrom2(p)); }
};

class CVector3f : public tagVector3f {
public:
    CVector3f() : tagVector3f{0.0f, 0.0f, 0.0f} {}
    CVector3f(float dx_, float dy_, float dz_) : tagVector3f{dx_, dy_, dz_} {}
    explicit CVector3f(const float* v) : tagVector3f{v[0], v[1], v[2]} {}
    CVector3f(const tagVector3f& v) : tagVector3f(v) {}

    void Set(float dx_, float dy_, float dz_) { dx = dx_; dy = dy_; dz = dz_; }
    float& operator[](int i) { return i == 0 ? dx : (i == 1 ? dy : dz); }
    float operator[](int i) const { return i == 0 ? dx : (i == 1 ? dy : dz); }

    CVector3f operator+(const CVector3f& v) const { return CVector3f(dx + v.dx, dy + v.dy, dz + v.dz); }
    CVector3f operator-(const CVector3f& v) const { return CVector3f(dx - v.dx, dy - v.dy, dz - v.dz); }
    CVector3f operator-() const { return CVector3f(-dx, -dy, -dz); }
    CVector3f operator*(float s) const { return CVector3f(dx * s, dy * s, dz * s); }
    CVector3f operator/(float s) const { return CVector3f(dx / s, dy / s, dz / s); }
    friend CVector3f operator*(float s, const CVector3f& v) { return v * s; }
    CVector3f& operator+=(const CVector3f& v) { dx += v.dx; dy += v.dy; dz += v.dz; return *this; }
    CVector3f& operator-=(const CVector3f& v) { dx -= v.dx; dy -= v.dy; dz -= v.dz; return *this; }
    CVector3f& operator*=(float s) { dx *= s; dy *= s; dz *= s; return *this; }
    CVector3f& operator/=(float s) { dx /= s; dy /= s; dz /= s; return *this; }

    // Dot product.
    float operator*(const CVector3f& v) const { return dx * v.dx + dy * v.dy + dz * v.dz; }
    // Dot product (the maths library's other spelling).
    float operator|(const CVector3f& v) const { return *this * v; }
    // Cross product.
    CVector3f operator^(const CVector3f& v) const
    {
        return CVector3f(dy * v.dz - dz * v.dy, dz * v.dx - dx * v.dz, dx * v.dy - dy * v.dx);
    }

    bool operator==(const CVector3f& o) const { return dx == o.dx && dy == o.dy && dz == o.dz; }
    bool operator!=(const CVector3f& o) const { return !(*this == o); }

    float GetLengthSquared() const { return dx * dx + dy * dy + dz * dz; }
    float GetLength() const { return std::sqrt(GetLengthSquared()); }
    // Makes the vector unit length; returns the old length, 0 (vector unchanged) when it is
    // zero or not finite.
    float Normalize()
    {
        float len = GetLength();
        if (!(len > 0.0f) || !std::isfinite(len))
            return 0.0f;
        *this /= len;
        return len;
    }
    CVector3f GetNormal() const
    {
        CVector3f v = *this;
        v.Normalize();
        return v;
    }
    bool IsZero(float tol) const { return GetLength() <= tol; }
};

inline CPoint3f CPoint3f::operator+(const CVector3f& v) const { return CPoint3f(x + v.dx, y + v.dy, z + v.dz); }
inline CPoint3f CPoint3f::operator-(const CVector3f& v) const { return CPoint3f(x - v.dx, y - v.dy, z - v.dz); }
inline CPoint3f& CPoint3f::operator+=(const CVector3f& v) { x += v.dx; y += v.dy; z += v.dz; return *this; }
inline CPoint3f& CPoint3f::operator-=(const CVector3f& v) { x -= v.dx; y -= v.dy; z -= v.dz; return *this; }
inline CVector3f CPoint3f::operator-(const CPoint3f& p) const { return CVector3f(x - p.x, y - p.y, z - p.z); }

inline float Distance(const CPoint3f& a, const CPoint3f& b) { return (a - b).GetLength(); }

// Angle between two vectors in radians, [0, pi], from the clamped cosine computed in
// double; 0 when either vector is zero.
inline double _AngleBetween(const CVector3f& a, const CVector3f& b)
{
    const double la = std::sqrt(double(a.dx) * a.dx + double(a.dy) * a.dy + double(a.dz) * a.dz);
    const double lb = std::sqrt(double(b.dx) * b.dx + double(b.dy) * b.dy + double(b.dz) * b.dz);
    if (!(la > 0.0) || !(lb > 0.0)) return 0.0;
    double c = (double(a.dx) * b.dx + double(a.dy) * b.dy + double(a.dz) * b.dz) / (la * lb);
    c = c < -1.0 ? -1.0 : (c > 1.0 ? 1.0 : c);
    return std::acos(c);
}

static_assert(sizeof(CPoint3f) == 3 * sizeof(float) && sizeof(CVector3f) == 3 * sizeof(float));
