#pragma once

#include "raster/plane1.h"
#include "raster/plane8.h"
#include "raster/polyline.h"
#include "raster/seg2f.h"
#include "raster/simdlevel.h"

#include <random>
#include <vector>

// Shared generators of the raster tests: random shapes, their segments and planes filled with noise.
namespace rastertest
{

// A star-shaped simple polygon around (cx, cy): `corners` points at random radii in [rMin, rMax],
// anticlockwise with y (z) up.
inline std::vector<V2f> starPolygon(std::mt19937 &rng, float cx, float cy, float rMin, float rMax, int corners)
{
    std::uniform_real_distribution<float> radius(rMin, rMax);
    std::uniform_real_distribution<float> jitter(-0.3f, 0.3f);
    std::vector<V2f> points;
    for (int i = 0; i < corners; ++i) {
        const float angle = (float(i) + 0.5f + jitter(rng)) * 6.2831853f / float(corners);
        const float r = radius(rng);
        points.emplace_back(cx + r * std::cos(angle), cy + r * std::sin(angle));
    }
    return points;
}

// Twice the area, positive for anticlockwise.
inline double doubleArea(const std::vector<V2f> &points)
{
    double sum = 0.0;
    for (size_t i = 0; i < points.size(); ++i) {
        const V2f &p = points[i], &q = points[(i + 1) % points.size()];
        sum += double(p.x) * q.y - double(q.x) * p.y;
    }
    return sum;
}

inline double perimeter(const std::vector<V2f> &points)
{
    double sum = 0.0;
    for (size_t i = 0; i < points.size(); ++i)
        sum += (points[(i + 1) % points.size()] - points[i]).length();
    return sum;
}

// Segments of a closed outline. A solid wants clockwise segments (solid on the right with z up), so an
// anticlockwise outline is added reversed when `solid` is true.
inline void addOutline(std::vector<Seg2f> &segs, const std::vector<V2f> &points, bool solid)
{
    const size_t n = points.size();
    for (size_t i = 0; i < n; ++i) {
        const V2f &p = points[i], &q = points[(i + 1) % n];
        if (solid)
            segs.emplace_back(q.x, q.y, p.x, p.y);
        else
            segs.emplace_back(p.x, p.y, q.x, q.y);
    }
}

// A rectangle with corners (x0, z0)-(x1, z1), wound as a solid (clockwise) or as a hole.
inline void addRect(std::vector<Seg2f> &segs, float x0, float z0, float x1, float z1, bool solid)
{
    addOutline(segs, {{x0, z0}, {x1, z0}, {x1, z1}, {x0, z1}}, solid);
}

inline void fillRandom(Plane1 &plane, std::mt19937 &rng, int density255)
{
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < plane.byteSize(); ++i) {
        quint8 v = 0;
        for (int b = 0; b < 8; ++b)
            v |= quint8((byte(rng) < density255) << b);
        plane.data()[i] = v;
    }
}

// Random blobs of 0 and 255 with some grey edges: thresholded noise smoothed by a few coarse cells.
inline void fillBlobs(Plane8 &plane, std::mt19937 &rng, int cell, bool greyEdges)
{
    std::uniform_int_distribution<int> coin(0, 1);
    std::uniform_int_distribution<int> grey(1, 254);
    const int cw = plane.width() / cell + 2, ch = plane.height() / cell + 2;
    std::vector<int> cells(size_t(cw) * ch);
    for (int &c : cells)
        c = coin(rng);
    for (int y = 0; y < plane.height(); ++y) {
        for (int x = 0; x < plane.width(); ++x) {
            const int v = cells[size_t(y / cell) * cw + x / cell] ? 255 : 0;
            plane.setPixel(x, y, quint8(v));
        }
    }
    if (!greyEdges)
        return;
    for (int y = 0; y < plane.height(); ++y) {
        for (int x = 0; x + 1 < plane.width(); ++x) {
            if (plane.pixel(x, y) != plane.pixel(x + 1, y) && coin(rng))
                plane.setPixel(x, y, quint8(grey(rng)));
        }
    }
}

// Restores the process's vector level when a test ends.
class SimdLevelGuard
{
public:
    SimdLevelGuard() : m_saved(simdLevel()) {}
    ~SimdLevelGuard() { setSimdLevel(m_saved); }
    SimdLevelGuard(const SimdLevelGuard &) = delete;
    SimdLevelGuard &operator=(const SimdLevelGuard &) = delete;

private:
    SimdLevel m_saved;
};

inline std::vector<SimdLevel> fastLevels()
{
    std::vector<SimdLevel> levels;
    for (SimdLevel level : {SimdLevel::Sse2, SimdLevel::Avx2}) {
        if (int(level) <= int(bestSimdLevel()))
            levels.push_back(level);
    }
    return levels;
}

inline bool samePixels(const PlaneBuffer &a, const PlaneBuffer &b)
{
    return a.sameSize(b) && a.byteSize() == b.byteSize() && std::equal(a.data(), a.data() + a.byteSize(), b.data());
}

} // namespace rastertest
