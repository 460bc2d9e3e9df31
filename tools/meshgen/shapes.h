#pragma once

#include "geometry/faces.h"

#include <QVector>

// Closed, outward-facing meshes built from the geometry kernel, in millimetres, resting on y = 0
// and centred on the Y axis. Used for the sample projects, the tests and the benchmarks.

// A cylinder of the given radius and height with `segments` sides.
Faces makeCylinder(float radius, float height, int segments);
// A cone (or frustum when topRadius > 0).
Faces makeCone(float bottomRadius, float topRadius, float height, int segments);
// A latitude/longitude sphere: 2 * segments * (rings - 1) triangles.
Faces makeSphere(float radius, int segments, int rings);
// A ring lying on the plate.
Faces makeTorus(float majorRadius, float minorRadius, int majorSegments, int minorSegments);

// Unit cells of a voxel shape: (column x, layer y, row z).
struct Cell {
    int x, y, z;
};
// The outer surface of a set of cubic cells of the given edge length: only the sides between a
// filled and an empty cell are emitted, so the result is closed.
Faces makeCells(const QVector<Cell> &cells, float edge);
