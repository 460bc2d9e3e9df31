#pragma once

#include "geometry/m44f.h"
#include "geometry/v3f.h"

#include <QtGlobal>
#include <type_traits>

// Meshes read from files keep only coordinates within ±1e9 mm (1000 km): anything larger is corrupt
// data, and this bound keeps sums, centres and transformed coordinates far from the float range.
constexpr float meshCoordinateLimit = 1e9f;

// One triangle of a mesh, 48 bytes: three vertices then the unit normal, in millimetres.
// The normal is always derived from the vertices, so counter-clockwise order seen from outside is
// the front. A triangle of zero area (or one too large to measure) gets the normal (0, 0, 0): it has
// no front, so ray tests skip it and exporters write zeros.
struct Face {
    V3f p[3];
    V3f n;

    Face() = default;
    Face(const V3f &p0, const V3f &p1, const V3f &p2) : p{p0, p1, p2}, n(normalOf(p0, p1, p2)) {}

    static V3f normalOf(const V3f &p0, const V3f &p1, const V3f &p2)
    {
        // In double, so that coordinates near the float range still give a finite unit normal.
        const double ax = double(p1.x) - p0.x, ay = double(p1.y) - p0.y, az = double(p1.z) - p0.z;
        const double bx = double(p2.x) - p0.x, by = double(p2.y) - p0.y, bz = double(p2.z) - p0.z;
        const double cx = ay * bz - az * by, cy = az * bx - ax * bz, cz = ax * by - ay * bx;
        const double len = std::sqrt(cx * cx + cy * cy + cz * cz);
        if (!(len > 0.0) || !std::isfinite(len))
            return {};
        return {float(cx / len), float(cy / len), float(cz / len)};
    }

    void recomputeNormal() { n = normalOf(p[0], p[1], p[2]); }
    bool isFinite() const { return p[0].isFinite() && p[1].isFinite() && p[2].isFinite(); }
    // Finite and within ±meshCoordinateLimit (NaN fails every comparison).
    bool isWithinLimit() const
    {
        for (const V3f &v : p)
            for (float c : {v.x, v.y, v.z})
                if (!(std::fabs(c) <= meshCoordinateLimit))
                    return false;
        return true;
    }
    // The vertex mean, with the factor the orientation vote has always used.
    V3f centroid() const { return (p[0] + p[1] + p[2]) * 0.3333333f; }
};

static_assert(sizeof(Face) == 48, "Face is 48 bytes: three vertices and a normal");
static_assert(std::is_trivially_copyable<Face>::value, "Face arrays are copied as plain memory");

// Triangle arrays grow and copy as raw memory.
Q_DECLARE_TYPEINFO(V3f, Q_PRIMITIVE_TYPE);
Q_DECLARE_TYPEINFO(Face, Q_PRIMITIVE_TYPE);
