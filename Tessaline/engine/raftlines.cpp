#include "raftlines.h"

#include <cmath>
#include <limits>

namespace
{

constexpr float degreesToRadians = 0.017453292f;

// Walks one line pixel by pixel along its major axis and appends the runs inside the area.
void extractRuns(const Plane1 &area, V2f from, V2f to, bool reversed, float minRun, QVector<PolyLine> &out)
{
    const float dx = to.x - from.x;
    const float dy = to.y - from.y;
    const int steps = int(std::ceil(std::fmax(std::fabs(dx), std::fabs(dy))));
    if (steps <= 0)
        return;
    const float stepX = dx / float(steps);
    const float stepY = dy / float(steps);
    const int width = area.width();
    const int height = area.height();
    bool inside = false;
    V2f entry;
    V2f previous = from;
    const auto closeRun = [&](const V2f &exit) {
        inside = false;
        if (std::fabs(exit.x - entry.x) <= minRun && std::fabs(exit.y - entry.y) <= minRun)
            return;
        PolyLine line(SegType::Raft);
        line.points = reversed ? QVector<V2f>{exit, entry} : QVector<V2f>{entry, exit};
        out.append(line);
    };
    for (int s = 0; s <= steps; ++s) {
        const V2f point(from.x + stepX * float(s), from.y + stepY * float(s));
        const int x = int(std::lround(point.x));
        const int y = int(std::lround(point.y));
        const bool here = x >= 0 && y >= 0 && x < width && y < height && area.pixel(x, y);
        if (here && !inside) {
            inside = true;
            entry = point;
        } else if (!here && inside) {
            closeRun(previous);
        }
        previous = point;
    }
    if (inside)
        closeRun(previous);
}

} // namespace

QVector<PolyLine> raftLines(const Plane1 &area, int pattern, float spacing, float angleDegrees, float minRun)
{
    QVector<PolyLine> lines;
    if (pattern < 1 || pattern > 3 || !(spacing > 0.0f) || area.isEmpty())
        return lines;
    const float turn = pattern == 2 ? 90.0f : 60.0f;
    const V2f centre(float(area.width()) * 0.5f, float(area.height()) * 0.5f);
    const float radius = std::hypot(centre.x, centre.y);
    const int count = int(std::ceil(radius / spacing));
    for (int direction = 0; direction < pattern; ++direction) {
        const float angle = (angleDegrees + turn * float(direction)) * degreesToRadians;
        const V2f along(std::cos(angle), std::sin(angle));
        const V2f across(-along.y, along.x);
        for (int k = -count; k <= count; ++k) {
            const V2f middle = centre + across * (float(k) * spacing);
            extractRuns(area, middle - along * radius, middle + along * radius, (k & 1) != 0, minRun, lines);
        }
    }
    return lines;
}

QVector<PolyLine> orderRaftLines(QVector<PolyLine> lines, V2f &head)
{
    QVector<PolyLine> ordered;
    ordered.reserve(lines.size());
    while (!lines.isEmpty()) {
        int best = 0;
        bool fromEnd = false;
        float bestDistance = std::numeric_limits<float>::infinity();
        for (int i = 0; i < lines.size(); ++i) {
            const float toStart = (lines[i].points.first() - head).length();
            const float toEnd = (lines[i].points.last() - head).length();
            if (toStart < bestDistance) {
                bestDistance = toStart;
                best = i;
                fromEnd = false;
            }
            if (toEnd < bestDistance) {
                bestDistance = toEnd;
                best = i;
                fromEnd = true;
            }
        }
        PolyLine line = lines[best];
        if (fromEnd)
            line.reverse();
        head = line.points.last();
        ordered.append(std::move(line));
        lines[best] = std::move(lines.last());
        lines.removeLast();
    }
    return ordered;
}
