// Float 3D vector used by the 3D point k-d tree; the three components are contiguous.
#pragma once

#include <cmath>

class Vec3D {
public:
    float x, y, z;

    Vec3D() = default;  // values unset
    Vec3D(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    explicit Vec3D(const float* v) : x(v[0]), y(v[1]), z(v[2]) {}
    Vec3D(const Vec3D&) = default;
    Vec3D& operator=(const Vec3D&) = default;

    // No bounds check: any index other than 0 and 1 selects z.
    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    const float& operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    Vec3D& operator+=(const Vec3D& o) { x += o.x; y += o.y; z += o.z; return *this; }
    Vec3D& operator-=(const Vec3D& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    Vec3D& operator*=(const Vec3D& o) { x *= o.x; y *= o.y; z *= o.z; return *this; }
    Vec3D& operator/=(const Vec3D& o) { x /= o.x; y /= o.y; z /= o.z; return *this; }
    Vec3D& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }
    Vec3D& operator/=(float s) { x /= s; y /= s; z /= s; return *this; }

    Vec3D operator-() const { return Vec3D(-x, -y, -z); }
    friend Vec3D operator+(const Vec3D& a, const Vec3D& b) { return Vec3D(a.x + b.x, a.y + b.y, a.z + b.z); }
    friend Vec3D operator-(const Vec3D& a, const Vec3D& b) { return Vec3D(a.x - b.x, a.y - b.y, a.z - b.z); }
    friend Vec3D operator*(const Vec3D& a, const Vec3D& b) { return Vec3D(a.x * b.x, a.y * b.y, a.z * b.z); }
    friend Vec3D operator/(const Vec3D& a, const Vec3D& b) { return Vec3D(a.x / b.x, a.y / b.y, a.z / b.z); }
    friend Vec3D operator*(const Vec3D& a, float s) { return Vec3D(a.x * s, a.y * s, a.z * s); }
    friend Vec3D operator/(const Vec3D& a, float s) { return Vec3D(a.x / s, a.y / s, a.z / s); }

    friend bool operator==(const Vec3D& a, const Vec3D& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
    friend bool operator!=(const Vec3D& a, const Vec3D& b) { return !(a == b); }
    // Component-wise orderings used as box tests; >= is not the negation of <.
    friend bool operator<(const Vec3D& a, const Vec3D& b) { return a.x < b.x && a.y < b.y && a.z < b.z; }
    friend bool operator>=(const Vec3D& a, const Vec3D& b) { return a.x >= b.x && a.y >= b.y && a.z >= b.z; }

    float* source() { return &x; }
    const float* source() const { return &x; }

    void makeZero() { x = y = z = 0.0f; }
    void makeNegative() { x = -x; y = -y; z = -z; }

    float getSquaredLength() const { return x * x + y * y + z * z; }
    float getLength() const { return std::sqrt(getSquaredLength()); }

    // Returns the length; a zero vector is left as it is.
    float normalize()
    {
        float len = getLength();
        if (len == 0.0f)
            return 0.0f;
        *this *= 1.0f / len;
        return len;
    }

    void fromTo(const Vec3D& a, const Vec3D& b) { *this = b - a; }

    void getTwoOrthogonals(Vec3D& u, Vec3D& v) const
    {
        // Zero out the component that is smallest in magnitude; ties take the second choice.
        if (std::fabs(y) > std::fabs(x)) {
            if (std::fabs(z) > std::fabs(x))
                u = Vec3D(0.0f, -z, y);
            else
                u = Vec3D(-y, x, 0.0f);
        } else {
            if (std::fabs(z) > std::fabs(y))
                u = Vec3D(z, 0.0f, -x);
            else
                u = Vec3D(-y, x, 0.0f);
        }
        v = crossProduct(*this, u);
    }
    void getTwoNormalizedOrthogonals(Vec3D& u, Vec3D& v) const
    {
        getTwoOrthogonals(u, v);
        u.normalize();
        v.normalize();
    }

    static Vec3D crossProduct(const Vec3D& a, const Vec3D& b)
    {
        return Vec3D(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
    }
    static float dotProduct(const Vec3D& a, const Vec3D& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
    static float squaredDistance(const Vec3D& a, const Vec3D& b) { return (a - b).getSquaredLength(); }
    static float distance(const Vec3D& a, const Vec3D& b) { return std::sqrt(squaredDistance(a, b)); }

    // (r, theta, phi): theta from +z, phi in the xy plane from +x.
    static Vec3D cartesianToPolar(const Vec3D& v)
    {
        constexpr double pi = 3.141592653589793;
        const double x = v.x, y = v.y, z = v.z;
        float theta;
        if (z > 0)
            theta = float(std::atan(std::sqrt(x * x + y * y) / z));
        else if (z < 0)
            theta = float(std::atan(std::sqrt(x * x + y * y) / z) + pi);
        else
            theta = 1.5707964f;
        float phi;
        if (x > 0)
            phi = float(std::atan(y / x));
        else if (x < 0)
            phi = float(std::atan(y / x) + pi);
        else
            phi = float(y > 0 ? pi / 2 : -pi / 2);
        return Vec3D(v.getLength(), theta, phi);
    }
    static Vec3D polarToCartesian(const Vec3D& v)
    {
        const float r = v.x, theta = v.y, phi = v.z;
        return Vec3D(r * std::sin(theta) * std::cos(phi), r * std::sin(theta) * std::sin(phi),
                     r * std::cos(theta));
    }

    // n is taken to be of unit length.
    static Vec3D projectOntoVector(const Vec3D& v, const Vec3D& n) { return n * dotProduct(v, n); }
    static Vec3D projectVectorIntoPlane(const Vec3D& v, const Vec3D& n) { return v - n * dotProduct(v, n); }
    // Foot of p on the plane through o with unit normal n.
    static Vec3D projectPointOntoPlane(const Vec3D& p, const Vec3D& o, const Vec3D& n)
    {
        return p - n * dotProduct(p - o, n);
    }
};

static_assert(sizeof(Vec3D) == 3 * sizeof(float));
