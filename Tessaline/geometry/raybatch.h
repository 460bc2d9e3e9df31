#pragma once

#include "geometry/face.h"

#include <vector>

// A half-line origin + t * dir (t >= 0) cast at a mesh; the triangle at skipIndex (the one it starts on, say)
// is not counted.
struct MeshRay {
    V3f origin;
    V3f dir;
    int skipIndex = -1;
};

// For each of a batch of rays, the number of triangles of the mesh it meets, found in one pass over the
// triangles: the rays are entered into a uniform grid over the mesh's box (a bit per cell, and the rays of the
// marked cells), and each triangle is tested only against the rays of the cells its box touches, each ray once.
// A few hundred rays on millions of triangles need no memory in proportion to the mesh and cost about one
// look at every triangle. The hit test is rayHitsTriangle, so every count equals the plain loop over all
// triangles: triangles enter the cells of their box widened by a thousandth of a cell, far above the rounding
// of a ray's walk through the cells, so a ray grazing a cell corner still meets every triangle it touches.
// Triangles with a non-finite corner are never met, nor are rays with a non-finite origin or direction.
// Runs on all threads of the pool; the counts do not depend on the thread count.
std::vector<int> countRayHitsOnMesh(const Face *faces, int count, const std::vector<MeshRay> &rays);
