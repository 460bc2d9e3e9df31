#pragma once

#include "engine/islands.h"
#include "engine/slicerparams.h"
#include "engine/verticalshells.h"
#include "raster/edgemarkplane.h"
#include "raster/plane8.h"
#include "rastertesthelpers.h"

#include <cmath>
#include <vector>

// Shapes for the shell tests, in pixels: the frame maps one millimetre onto one pixel, so a shape's edge at
// x mm lies at traced coordinate x - 0.5 (pixel centres at whole numbers).
namespace shellstest
{

constexpr float ppe = 1.0f / 0.333f; // pixels per extrusion width

inline Plane8 rasterise(const std::vector<Seg2f> &segs, int size)
{
    Plane8 coverage(size, size);
    EdgeMarkPlane scratch;
    Plane8::fromSegs3(coverage, segs, FrameRect{0.0f, 0.0f, float(size), float(size)}, scratch, true, false);
    return coverage;
}

// A rectangle of the given length and thickness centred on (cx, cy), turned by `angle` radians.
inline std::vector<V2f> bar(float cx, float cy, float length, float thickness, float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    std::vector<V2f> corners;
    for (auto [u, v] : {std::pair<float, float>{-1, -1}, {1, -1}, {1, 1}, {-1, 1}})
        corners.emplace_back(cx + c * u * length / 2 - s * v * thickness / 2,
                             cy + s * u * length / 2 + c * v * thickness / 2);
    return corners;
}

struct Shells {
    LayerShellPaths paths;
    Plane1 inner;

    QVector<PolyLine> all() const
    {
        QVector<PolyLine> flat;
        for (const QVector<PolyLine> &loop : paths)
            flat += loop;
        return flat;
    }
    QVector<PolyLine> ofType(SegType type) const
    {
        QVector<PolyLine> found;
        for (const PolyLine &path : all())
            if (path.type == type)
                found.append(path);
        return found;
    }
    double lengthOf(SegType type) const
    {
        double sum = 0.0;
        for (const PolyLine &path : ofType(type))
            sum += path.length();
        return sum;
    }
};

inline Shells buildShells(const SlicerParams &sp, const Plane8 &coverage)
{
    Shells shells;
    VerticalShells stage(sp, ppe);
    stage.build(coverage, shells.paths, shells.inner);
    return shells;
}

inline SlicerParams shellParams(int loops)
{
    SlicerParams sp;
    sp.VShellCnt = loops;
    sp.VShellOffset = 0.0f;
    sp.OuterHair = true;
    sp.InnerHair = true;
    sp.RepairCorners = false;
    sp.LoopFillOverlap = 0;
    return sp;
}

// Points every `step` pixels along the path (closing segment included for closed paths).
inline std::vector<V2f> samplesAlong(const PolyLine &path, float step = 1.0f)
{
    std::vector<V2f> samples;
    const int segments = path.closed ? path.count() : path.count() - 1;
    for (int i = 0; i < segments; ++i) {
        const V2f a = path.points[i], b = path.points[(i + 1) % path.count()];
        const int n = std::max(1, int(std::ceil((b - a).length() / step)));
        for (int k = 0; k < n; ++k)
            samples.push_back(a + (b - a) * (float(k) / float(n)));
    }
    return samples;
}

inline double distanceToSegment(const V2f &p, const V2f &a, const V2f &b)
{
    const V2f ab = b - a, ap = p - a;
    const double len2 = double(ab.x) * ab.x + double(ab.y) * ab.y;
    double t = len2 > 0 ? (double(ap.x) * ab.x + double(ap.y) * ab.y) / len2 : 0.0;
    t = std::max(0.0, std::min(1.0, t));
    const double dx = a.x + t * ab.x - p.x, dy = a.y + t * ab.y - p.y;
    return std::sqrt(dx * dx + dy * dy);
}

// How many paths print each pixel: every path is drawn as a stroke of one extrusion width (`radius` on
// either side of its centre line), each path counted once per pixel; the inner area counts as one more.
inline std::vector<int> printCount(const QVector<PolyLine> &paths, const Plane1 *inner, int size, double radius)
{
    std::vector<int> count(size_t(size) * size, 0);
    std::vector<char> stamp(count.size());
    for (const PolyLine &path : paths) {
        std::fill(stamp.begin(), stamp.end(), 0);
        const int segments = path.closed ? path.count() : path.count() - 1;
        for (int i = 0; i < segments; ++i) {
            const V2f a = path.points[i], b = path.points[(i + 1) % path.count()];
            const int x0 = std::max(0, int(std::floor(std::min(a.x, b.x) - radius)));
            const int x1 = std::min(size - 1, int(std::ceil(std::max(a.x, b.x) + radius)));
            const int y0 = std::max(0, int(std::floor(std::min(a.y, b.y) - radius)));
            const int y1 = std::min(size - 1, int(std::ceil(std::max(a.y, b.y) + radius)));
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x)
                    if (distanceToSegment(V2f(float(x), float(y)), a, b) < radius)
                        stamp[size_t(y) * size + x] = 1;
        }
        for (size_t i = 0; i < count.size(); ++i)
            count[i] += stamp[i];
    }
    if (inner)
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                count[size_t(y) * size + x] += inner->pixel(x, y);
    return count;
}

} // namespace shellstest
