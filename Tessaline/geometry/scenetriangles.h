#pragma once

#include "geometry/faces.h"
#include "geometry/m44f.h"

#include <algorithm>
#include <utility>
#include <vector>

// One object of the scene as mesh slicing sees it: its mesh in object coordinates and where it is.
struct SceneItem {
    Faces faces;
    M44f transform;
};

// Calls visit(face) for every triangle of the scene in world coordinates (mm), object by object, without
// gathering them: the cutter reads each once per pass, and a copy of a big scene costs its size again.
template <class Visit> void forEachWorldTriangle(const std::vector<SceneItem> &items, Visit &&visit);

// The same for the scene's triangles first ... end - 1 only, counted over all objects in visiting order, so
// that threads can each take a contiguous share of the scene.
template <class Visit>
void forEachWorldTriangle(const std::vector<SceneItem> &items, qint64 first, qint64 end, Visit &&visit);

// Number of triangles of all objects.
inline qint64 sceneTriangleCount(const std::vector<SceneItem> &items)
{
    qint64 total = 0;
    for (const SceneItem &item : items)
        total += item.faces.count();
    return total;
}

// All triangles of the scene in world coordinates (mm), normals left at zero. Triangles of a mirroring
// transform are flipped so that every triangle stays counter-clockwise seen from outside, which the
// direction of the cut segments depends on.
Faces gatherTriangles(const std::vector<SceneItem> &items);

// A triangle of an object in world coordinates, flipped when the transform mirrors. The arithmetic of
// Faces::transformed(), inline: the cutter reads every triangle several times.
inline Face worldTriangle(const Face &face, const M44f &transform, bool mirrored)
{
    Face f;
    for (int i = 0; i < 3; ++i)
        f.p[i] = transform.mapPoint(face.p[i]);
    if (mirrored)
        std::swap(f.p[1], f.p[2]);
    return f;
}

template <class Visit> void forEachWorldTriangle(const std::vector<SceneItem> &items, Visit &&visit)
{
    for (const SceneItem &item : items) {
        const bool mirrored = item.transform.determinant3() < 0.0;
        for (const Face &face : item.faces.faces())
            visit(worldTriangle(face, item.transform, mirrored));
    }
}

template <class Visit>
void forEachWorldTriangle(const std::vector<SceneItem> &items, qint64 first, qint64 end, Visit &&visit)
{
    qint64 itemStart = 0;
    for (const SceneItem &item : items) {
        const qint64 itemEnd = itemStart + item.faces.count();
        const qint64 from = std::max(first, itemStart), to = std::min(end, itemEnd);
        if (from < to) {
            const bool mirrored = item.transform.determinant3() < 0.0;
            const Face *faces = item.faces.faces().constData();
            for (qint64 i = from; i < to; ++i)
                visit(worldTriangle(faces[i - itemStart], item.transform, mirrored));
        }
        if (itemEnd >= end)
            break;
        itemStart = itemEnd;
    }
}
