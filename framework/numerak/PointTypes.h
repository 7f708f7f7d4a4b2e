// Small point records: elements of discretisation point arrays and a homogeneous 3D point.
#pragma once

#include <type_traits>

struct tagPoint2d {
    double x, y;
};

struct tagPoint3d {
    double x, y, z;
};

static_assert(sizeof(tagPoint2d) == 2 * sizeof(double) && std::is_standard_layout_v<tagPoint2d>);
static_assert(sizeof(tagPoint3d) == 3 * sizeof(double) && std::is_standard_layout_v<tagPoint3d>);

// Homogeneous 3D point; every operation acts on all four components, w included.
class CHPoint3d {
public:
    double x, y, z, w;

    CHPoint3d() : x(0.0), y(0.0), z(0.0), w(0.0) {}
    explicit CHPoint3d(double v) : x(v), y(v), z(v), w(v) {}
    CHPoint3d(double x_, double y_, double z_, double w_) : x(x_), y(y_), z(z_), w(w_) {}

    CHPoint3d& operator=(const CHPoint3d&) = default;
    CHPoint3d(const CHPoint3d&) = default;

    CHPoint3d& operator+=(const CHPoint3d& o)
    {
        x += o.x;
        y += o.y;
        z += o.z;
        w += o.w;
        return *this;
    }
    CHPoint3d& operator-=(const CHPoint3d& o)
    {
        x -= o.x;
        y -= o.y;
        z -= o.z;
        w -= o.w;
        return *this;
    }
    CHPoint3d& operator*=(double s)
    {
        x *= s;
        y *= s;
        z *= s;
        w *= s;
        return *this;
    }
    CHPoint3d& operator/=(double s)
    {
        x /= s;
        y /= s;
        z /= s;
        w /= s;
        return *this;
    }
};

static_assert(sizeof(CHPoint3d) == 4 * sizeof(double));
