#pragma once

#include <algorithm>
#include <cmath>
#include <type_traits>

// A point or direction in millimetres, in the scene frame (Y up, the build plate is y = 0).
// Three packed floats: meshes, files and hashes treat arrays of these as raw memory.
struct V3f {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr V3f() = default;
    constexpr V3f(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

    float operator[](int axis) const { return axis == 0 ? x : (axis == 1 ? y : z); }
    float &operator[](int axis) { return axis == 0 ? x : (axis == 1 ? y : z); }

    V3f operator+(const V3f &o) const { return {x + o.x, y + o.y, z + o.z}; }
    V3f operator-(const V3f &o) const { return {x - o.x, y - o.y, z - o.z}; }
    V3f operator-() const { return {-x, -y, -z}; }
    V3f operator*(float s) const { return {x * s, y * s, z * s}; }
    V3f &operator+=(const V3f &o) { return *this = *this + o; }
    V3f &operator-=(const V3f &o) { return *this = *this - o; }
    bool operator==(const V3f &o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const V3f &o) const { return !(*this == o); }

    bool isZero() const { return x == 0.0f && y == 0.0f && z == 0.0f; }
    bool isFinite() const { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }
    double length() const { return std::sqrt(double(x) * x + double(y) * y + double(z) * z); }

    // The unit vector in this direction; a zero (or non-finite) length gives (0, 0, 0).
    V3f normalized() const
    {
        const double len = length();
        if (!(len > 0.0) || !std::isfinite(len))
            return {};
        return {float(x / len), float(y / len), float(z / len)};
    }
};

static_assert(sizeof(V3f) == 3 * sizeof(float), "V3f is three packed floats");
static_assert(std::is_trivially_copyable<V3f>::value, "V3f is copied as plain memory");

// Ray tests compare signs of small products, so dot products are summed in double precision.
inline double dot(const V3f &a, const V3f &b)
{
    return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
}

inline V3f cross(const V3f &a, const V3f &b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline V3f minV(const V3f &a, const V3f &b)
{
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
}

inline V3f maxV(const V3f &a, const V3f &b)
{
    return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}
