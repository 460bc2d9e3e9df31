#include "engine/nextpathsearch.h"

namespace
{

// A start within this many tolerances is taken without looking further.
constexpr float acceptFactor = 1.5f;

float squaredDistance(const V2f &a, const V2f &b)
{
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    return dx * dx + dy * dy;
}

} // namespace

NextPath findNextPath(const QVector<PolyLine> &paths, const V2f &position, float tolerance, bool allowReverse)
{
    const float accept = (acceptFactor * tolerance) * (acceptFactor * tolerance);
    NextPath best;
    float bestDistance = 1e30f;
    const auto consider = [&](int path, int point) {
        const float distance = squaredDistance(paths[path].points[point], position);
        if (distance >= bestDistance)
            return false;
        bestDistance = distance;
        best = {path, point};
        return distance <= accept;
    };
    for (int path = 0; path < paths.size(); ++path) {
        const PolyLine &line = paths[path];
        if (line.isEmpty())
            continue;
        if (line.closed) {
            for (int point = 0; point < line.count(); ++point)
                if (consider(path, point))
                    return best;
            continue;
        }
        if (consider(path, 0))
            return best;
        if (allowReverse && line.count() > 1 && consider(path, line.count() - 1))
            return best;
    }
    return best;
}
