#include "engine/firstlayerloops.h"

#include "engine/firstlayerfootprint.h"
#include "raster/contourtracer.h"
#include "raster/plane8.h"

#include <cmath>
#include <limits>

namespace
{

struct Ring {
    QVector<PolyLine> loops;
    double length = 0.0;
};

int nearestPoint(const PolyLine &path, const V2f &position, float &distance)
{
    int best = 0;
    distance = std::numeric_limits<float>::infinity();
    for (int i = 0; i < path.count(); ++i) {
        const float d = (path.points[i] - position).length();
        if (d < distance) {
            distance = d;
            best = i;
        }
    }
    return best;
}

// The same loop, starting at point `start`.
PolyLine rotated(const PolyLine &loop, int start)
{
    PolyLine result = loop;
    result.points.clear();
    for (int i = 0; i < loop.count(); ++i)
        result.points.append(loop.points[(start + i) % loop.count()]);
    result.w.clear();
    return result;
}

// Greedy from the head: the loop with the nearest point next, entered at that point. A closed loop ends
// where it starts.
QVector<PolyLine> orderLoops(QVector<PolyLine> loops, V2f &head)
{
    QVector<PolyLine> ordered;
    while (!loops.isEmpty()) {
        int bestLoop = 0;
        int bestPoint = 0;
        float bestDistance = std::numeric_limits<float>::infinity();
        for (int i = 0; i < loops.size(); ++i) {
            float distance = 0.0f;
            const int point = nearestPoint(loops[i], head, distance);
            if (distance < bestDistance) {
                bestDistance = distance;
                bestLoop = i;
                bestPoint = point;
            }
        }
        ordered.append(rotated(loops[bestLoop], bestPoint));
        head = ordered.last().points.first();
        loops.removeAt(bestLoop);
    }
    return ordered;
}

Ring traceRing(const Plane1 &area, bool keepHoles, float tolerance, const V2f &mmPerPixel, V2f &head)
{
    Plane8 coverage;
    coverageOf(area, coverage);
    TileMap tiles;
    coverage.tileMap(tiles);
    Plane1 visited;
    QVector<PolyLine> traced;
    contourDetect3(traced, coverage, visited, tiles, SegType::Skirt, tolerance);
    Ring ring;
    QVector<PolyLine> kept;
    for (PolyLine &path : traced) {
        // The margin keeps every ring off the plane border, so an open contour is a broken one.
        if (!path.closed || path.count() < 3 || (!keepHoles && path.signedArea() <= 0.0))
            continue;
        path.retract = false;
        kept.append(std::move(path));
    }
    ring.loops = orderLoops(std::move(kept), head);
    for (const PolyLine &loop : ring.loops)
        ring.length += loopLength(loop, mmPerPixel);
    return ring;
}

double segmentMm(const V2f &a, const V2f &b, const V2f &mmPerPixel)
{
    return std::hypot(double(b.x - a.x) * mmPerPixel.x, double(b.y - a.y) * mmPerPixel.y);
}

// The loop opened at its start and cut `length` mm along it.
PolyLine cutLoop(const PolyLine &loop, double length, const V2f &mmPerPixel)
{
    PolyLine cut = loop;
    cut.closed = false;
    cut.points.clear();
    cut.w.clear();
    QVector<V2f> points = loop.points;
    if (loop.closed && !points.isEmpty())
        points.append(points.first());
    double walked = 0.0;
    for (int i = 0; i < points.size(); ++i) {
        if (i > 0) {
            const double step = segmentMm(points[i - 1], points[i], mmPerPixel);
            if (walked + step >= length) {
                const float t = step > 0.0 ? float((length - walked) / step) : 0.0f;
                cut.points.append(points[i - 1] + (points[i] - points[i - 1]) * t);
                return cut;
            }
            walked += step;
        }
        cut.points.append(points[i]);
    }
    return cut;
}

// Keeps the rings' loops in order up to exactly `length`, cutting the loop where it is reached.
QVector<PolyLine> cutAtLength(const QVector<Ring> &rings, double length, const V2f &mmPerPixel)
{
    QVector<PolyLine> result;
    double walked = 0.0;
    for (const Ring &ring : rings) {
        for (const PolyLine &loop : ring.loops) {
            const double loopLen = loopLength(loop, mmPerPixel);
            if (walked + loopLen <= length) {
                result.append(loop);
                walked += loopLen;
                continue;
            }
            const PolyLine cut = cutLoop(loop, length - walked, mmPerPixel);
            if (cut.count() >= 2)
                result.append(cut);
            return result;
        }
    }
    return result;
}

// Outermost ring first, each loop entered at its point nearest to where the previous one ended.
QVector<PolyLine> brimOrder(const QVector<Ring> &rings, V2f &head)
{
    QVector<PolyLine> result;
    for (int r = rings.size() - 1; r >= 0; --r)
        result += orderLoops(rings[r].loops, head);
    return result;
}

} // namespace

double loopLength(const PolyLine &path, const V2f &mmPerPixel)
{
    double length = 0.0;
    for (int i = 1; i < path.count(); ++i)
        length += segmentMm(path.points[i - 1], path.points[i], mmPerPixel);
    if (path.closed && path.count() > 1)
        length += segmentMm(path.points.last(), path.points.first(), mmPerPixel);
    return length;
}

QVector<PolyLine> buildFirstLayerLoops(const Plane1 &solid, const FirstLayerLoopSettings &settings, float pixelsPerEw,
                                       const V2f &mmPerPixel, V2f &head)
{
    const int step = std::max(1, int(std::lround(pixelsPerEw)));
    const float tolerance = 0.2f * pixelsPerEw * pixelsPerEw;
    const double minLength = std::fmax(double(settings.minLength), 0.0);
    const int minCount = std::min(std::max(settings.minCount, 0), maxFirstLayerRings);

    Plane1 area;
    solid.offset(area, int(std::lround(std::fmax(settings.offset, 0.0f) * pixelsPerEw)));
    Plane1 grown;
    QVector<Ring> rings;
    double required = std::isfinite(minLength) ? minLength : 0.0;
    double total = 0.0;
    V2f position = head;
    for (int ringIndex = 0; ringIndex < maxFirstLayerRings; ++ringIndex) {
        Ring ring = traceRing(area, settings.brimMode, tolerance, mmPerPixel, position);
        if (ring.loops.isEmpty())
            break; // nothing on the layer to go around
        total += ring.length;
        rings.append(std::move(ring));
        if (rings.size() <= minCount)
            required = std::fmax(required, total);
        if (rings.size() >= minCount && total >= required)
            break;
        area.offset(grown, step);
        std::swap(area, grown);
    }

    // A brim is kept in whole rings: its count is what the user asked for, and a ring cut short would leave
    // part of the outline without its hold on the plate.
    if (settings.brimMode)
        return brimOrder(rings, head);
    QVector<PolyLine> loops = cutAtLength(rings, required, mmPerPixel);
    if (!loops.isEmpty())
        head = loops.last().points.last();
    return loops;
}
