#include "geometry/scenetriangles.h"

Faces gatherTriangles(const std::vector<SceneItem> &items)
{
    qint64 total = 0;
    for (const SceneItem &item : items)
        total += item.faces.count();
    Faces world;
    world.reserve(int(qMin<qint64>(total, std::numeric_limits<int>::max())));
    forEachWorldTriangle(items, [&](const Face &face) { world.append(face); });
    return world;
}
