#include "engine/islands.h"

#include "engine/layerordering.h"

#include <QString>

#include <cmath>
#include <limits>

namespace
{

struct Outline {
    int path;
    double area;
    float minX, minY, maxX, maxY;
};

bool isOuterPerimeter(const PolyLine &path)
{
    return path.type == SegType::Perimeter && path.closed && path.signedArea() > 0.0;
}

// Even-odd crossing test against the closed polygon of the path.
bool contains(const PolyLine &polygon, const Outline &box, const V2f &point)
{
    if (point.x < box.minX || point.x > box.maxX || point.y < box.minY || point.y > box.maxY)
        return false;
    bool inside = false;
    const int n = polygon.count();
    for (int i = 0, j = n - 1; i < n; j = i++) {
        const V2f &a = polygon.points[i], &b = polygon.points[j];
        if ((a.y > point.y) != (b.y > point.y) && point.x < (b.x - a.x) * (point.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

// A point that stands for the whole path: its middle point, away from where it joins others.
V2f probePoint(const PolyLine &path)
{
    return path.points[path.count() / 2];
}

float distanceToOutline(const PolyLine &outline, const V2f &position)
{
    float nearest = std::numeric_limits<float>::infinity();
    for (const V2f &point : outline.points)
        nearest = std::fmin(nearest, (point - position).length());
    return nearest;
}

} // namespace

QVector<int> islandOfPaths(const QVector<PolyLine> &paths, int &islandCount)
{
    QVector<Outline> outlines;
    for (int i = 0; i < paths.size(); ++i) {
        if (!isOuterPerimeter(paths[i]))
            continue;
        Outline outline{i,
                        paths[i].signedArea(),
                        paths[i].points[0].x,
                        paths[i].points[0].y,
                        paths[i].points[0].x,
                        paths[i].points[0].y};
        for (const V2f &p : paths[i].points) {
            outline.minX = std::fmin(outline.minX, p.x);
            outline.maxX = std::fmax(outline.maxX, p.x);
            outline.minY = std::fmin(outline.minY, p.y);
            outline.maxY = std::fmax(outline.maxY, p.y);
        }
        outlines.append(outline);
    }
    islandCount = outlines.size();
    QVector<int> island(paths.size(), -1);
    for (int i = 0; i < paths.size(); ++i) {
        if (paths[i].isEmpty())
            continue;
        double smallest = std::numeric_limits<double>::infinity();
        for (int k = 0; k < outlines.size(); ++k) {
            if (outlines[k].path == i) {
                island[i] = k;
                break;
            }
            // Nested islands (a part standing in another's hole) lie inside both perimeters; the smaller wins.
            if (outlines[k].area < smallest && contains(paths[outlines[k].path], outlines[k], probePoint(paths[i]))) {
                smallest = outlines[k].area;
                island[i] = k;
            }
        }
    }
    return island;
}

LayerIslands groupIslands(const LayerShellPaths &shells, QVector<PolyLine> fills)
{
    QVector<PolyLine> paths;
    for (const QVector<PolyLine> &loop : shells)
        paths += loop;
    paths += fills;
    fills.clear();
    int islandCount = 0;
    const QVector<int> island = islandOfPaths(paths, islandCount);
    LayerIslands islands;
    islands.groups.resize(islandCount + 1);
    islands.outlines.resize(islandCount);
    QVector<bool> hasOutline(islandCount, false);
    for (int i = 0; i < paths.size(); ++i) {
        islands.groups[island[i] < 0 ? islandCount : island[i]].append(paths[i]);
        if (island[i] >= 0 && isOuterPerimeter(paths[i]) && !hasOutline[island[i]]) {
            islands.outlines[island[i]] = paths[i];
            hasOutline[island[i]] = true;
        }
    }
    return islands;
}

V2f orderIslands(LayerOrdering &ordering, LayerIslands islands, V2f position)
{
    const int islandCount = islands.outlines.size();
    QVector<bool> done(islandCount, false);
    for (int ordered = 0; ordered < islandCount; ++ordered) {
        int islandIdx = -1;
        float nearest = std::numeric_limits<float>::infinity();
        for (int k = 0; k < islandCount; ++k) {
            const float distance = done[k] ? nearest : distanceToOutline(islands.outlines[k], position);
            if (!done[k] && distance < nearest) {
                nearest = distance;
                islandIdx = k;
            }
        }
        // Only a broken coordinate (NaN) can leave every island unchosen.
        if (islandIdx < 0)
            throw QString("FATAL ERROR: processIslands_and_RemainingHairs() islandIdx<0 %1").arg(islandCount);
        done[islandIdx] = true;
        position = ordering.orderIsland(std::move(islands.groups[islandIdx]), position);
    }
    return ordering.orderIsland(std::move(islands.groups[islandCount]), position);
}

V2f processIslands_and_RemainingHairs(LayerOrdering &ordering, const LayerShellPaths &shells, QVector<PolyLine> fills,
                                      V2f position)
{
    return orderIslands(ordering, groupIslands(shells, std::move(fills)), position);
}
