#include "scenetriangles.h"

Faces gatherTriangles(const std::vector<SceneItem> &items)
{
    qint64 total = 0;
    for (const SceneItem &item : items)
        total += item.faces.count();
    Faces world;
    world.reserve(int(qMin<qint64>(total, std::numeric_limits<int>::max())));
    for (const SceneItem &item : items) {
        const bool mirrored = item.transform.determinant3() < 0.0;
        for (const Face &face : item.faces.faces()) {
            Face f = Faces::transformed(face, item.transform, false);
            if (mirrored)
                std::swap(f.p[1], f.p[2]);
            world.append(f);
        }
    }
    return world;
}
