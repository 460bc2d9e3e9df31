#pragma once

#include "faces.h"
#include "m44f.h"

#include <vector>

// One object of the scene as mesh slicing sees it: its mesh in object coordinates and where it is.
struct SceneItem {
    Faces faces;
    M44f transform;
};

// All triangles of the scene in world coordinates (mm), normals left at zero. Triangles of a mirroring
// transform are flipped so that every triangle stays counter-clockwise seen from outside, which the
// direction of the cut segments depends on.
Faces gatherTriangles(const std::vector<SceneItem> &items);
