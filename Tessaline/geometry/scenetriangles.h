#pragma once

#include "faces.h"
#include "m44f.h"

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

// All triangles of the scene in world coordinates (mm), normals left at zero. Triangles of a mirroring
// transform are flipped so that every triangle stays counter-clockwise seen from outside, which the
// direction of the cut segments depends on.
Faces gatherTriangles(const std::vector<SceneItem> &items);

// A triangle of an object in world coordinates, flipped when the transform mirrors.
inline Face worldTriangle(const Face &face, const M44f &transform, bool mirrored)
{
    Face f = Faces::transformed(face, transform, false);
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
