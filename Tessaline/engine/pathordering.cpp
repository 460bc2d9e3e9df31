#include "engine/pathordering.h"

#include "engine/nextpathsearch.h"
#include "engine/travelrouter.h"

#include <cmath>

namespace
{

// Open paths may be printed from either end.
constexpr bool allowReverse = true;

bool hasWidths(const PolyLine &path)
{
    return !path.w.isEmpty() && path.w.size() == path.points.size();
}

template <class T> QVector<T> rotated(const QVector<T> &values, int start)
{
    QVector<T> result;
    result.reserve(values.size() + 1);
    for (int i = start; i < values.size(); ++i)
        result.append(values[i]);
    for (int i = 0; i < start; ++i)
        result.append(values[i]);
    result.append(values[start]);
    return result;
}

void appendPath(PolyLine &target, const PolyLine &tail)
{
    target.points += tail.points;
    target.w += tail.w;
    target.hairs += tail.hairs;
    target.retract = target.retract || tail.retract;
    // The bridged result is one open run, whatever its parts were.
    target.closed = false;
}

} // namespace

PathOrdering::PathOrdering(const PathOrderSettings &settings, TravelRouter &router)
    : m_settings(settings), m_router(router)
{
}

PolyLine PathOrdering::openLoopAt(const PolyLine &loop, int start, float seamGapPixels)
{
    PolyLine path = loop;
    path.points = rotated(loop.points, start);
    path.w = hasWidths(loop) ? rotated(loop.w, start) : QVector<float>();
    path.hairs = loop.hairs.size() == loop.points.size() ? rotated(loop.hairs, start) : loop.hairs;
    if (!(seamGapPixels > 0.0f) || path.count() < 3)
        return path;
    // Measured along the path. A loop too small to leave the gap and still print most of itself prints
    // whole: a gap of half the loop or more would leave a fragment.
    path.closed = false;
    const float length = float(path.length());
    if (seamGapPixels < 0.5f * length)
        path.truncate(length - seamGapPixels);
    path.closed = true;
    return path;
}

bool PathOrdering::joinable(const PolyLine &previous, const PolyLine &next) const
{
    if (previous.type != next.type || previous.isEmpty() || next.isEmpty())
        return false;
    if (next.type == SegType::Perimeter || next.type == SegType::Loop || next.type == SegType::Travel)
        return false;
    // A path that wants a retraction before it must not be entered by extruding into it.
    if (next.retract)
        return false;
    // Widths are one per point or none: a mixed join would misalign them.
    const auto consistent = [](const PolyLine &p) { return p.w.isEmpty() || hasWidths(p); };
    if (!consistent(previous) || !consistent(next) || previous.w.isEmpty() != next.w.isEmpty())
        return false;
    const V2f gap = next.points.first() - previous.points.last();
    return std::fabs(gap.x) + std::fabs(gap.y) <= m_settings.joinFactor * m_settings.scale;
}

V2f PathOrdering::order(QVector<PolyLine> paths, V2f position, QVector<PolyLine> &ordered)
{
    QVector<PolyLine> remaining;
    remaining.reserve(paths.size());
    for (PolyLine &path : paths)
        if (!path.isEmpty())
            remaining.append(std::move(path));
    paths.clear();

    const float seamGapPixels = m_settings.seamGap * m_settings.scale;
    while (!remaining.isEmpty()) {
        const NextPath next = findNextPath(remaining, position, m_settings.scale, allowReverse);
        PolyLine path = std::move(remaining[next.path]);
        remaining.remove(next.path);
        if (path.closed) {
            path = openLoopAt(path, next.point, seamGapPixels);
        } else if (next.point != 0) {
            path.reverse();
        }

        if (!ordered.isEmpty() && joinable(ordered.last(), path)) {
            appendPath(ordered.last(), path);
        } else {
            if (!ordered.isEmpty()) {
                PolyLine travel = m_router.route(position, path.points.first());
                if (!travel.isEmpty())
                    ordered.append(std::move(travel));
            }
            ordered.append(std::move(path));
        }
        position = ordered.last().points.last();
    }
    return position;
}
