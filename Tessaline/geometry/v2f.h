#pragma once

#include <cmath>

// A 2D point or vector of floats; in tool paths the units are raster pixels (pixel centres at whole numbers).
struct V2f {
    float x = 0.0f;
    float y = 0.0f;

    V2f() = default;
    V2f(float px, float py) : x(px), y(py) {}

    V2f operator+(const V2f &o) const { return {x + o.x, y + o.y}; }
    V2f operator-(const V2f &o) const { return {x - o.x, y - o.y}; }
    V2f operator*(float s) const { return {x * s, y * s}; }
    bool operator==(const V2f &o) const { return x == o.x && y == o.y; }
    bool operator!=(const V2f &o) const { return !(*this == o); }
    float length() const { return std::sqrt(x * x + y * y); }
};
